#pragma once
// The series base with data: value lists, labels, colours and null points; adding,
// inserting, deleting and clearing points; bulk updates; the notifications a change sends
// to the chart and to the series fed from this one; data sources, functions, copying,
// sample values and the stored point data. Drawing comes with the series' drawing code.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TCustomChartElement.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TLabelsList.h"
#include "chart/engine/TPointColors.h"
#include "chart/engine/TSeriesMarks.h"
#include "platform/MouseTypes.h"

class TChartAxis;
class TDataSourcesList;
class ISeriesHost;
class TCanvas3D;
class TTeeFunction;

// The texts a legend shows for a point.
enum TLegendTextStyle {
    ltsPlain,
    ltsLeftValue,
    ltsRightValue,
    ltsLeftPercent,
    ltsRightPercent,
    ltsXValue,
    ltsValue,
    ltsPercent,
    ltsXAndValue,
    ltsXAndPercent
};

// The settings a copy of a series takes over as they are (data, marks and colours are
// copied apart). The formats start as the language's defaults.
struct TSeriesFormat {
    AnsiString ColorSource;
    AnsiString LabelsSource;
    AnsiString ValueFormat;
    AnsiString PercentFormat;
    int Depth = -1;
    THorizAxis HorizAxis = aBottomAxis;
    TVertAxis VertAxis = aLeftAxis;
    TChartAxis* CustomHorizAxis = nullptr;
    TChartAxis* CustomVertAxis = nullptr;
};

class TChartSeries : public TCustomChartSeries {
    Q_OBJECT
    Q_PROPERTY(TColor SeriesColor READ GetSeriesColor WRITE SetSeriesColor)
    Q_PROPERTY(bool ColorEachPoint READ GetColorEachPoint WRITE SetColorEachPoint)
    Q_PROPERTY(AnsiString ColorSource READ GetColorSource WRITE SetColorSource)
    Q_PROPERTY(int Cursor MEMBER Cursor)
    Q_PROPERTY(int Depth READ GetDepth WRITE SetDepth)
    Q_PROPERTY(ChartDataEnums::THorizAxis HorizAxis READ GetHorizAxisKind WRITE SetHorizAxis)
    Q_PROPERTY(ChartDataEnums::TVertAxis VertAxis READ GetVertAxisKind WRITE SetVertAxis)
    Q_PROPERTY(AnsiString PercentFormat READ GetPercentFormat WRITE SetPercentFormat)
    Q_PROPERTY(AnsiString ValueFormat READ GetValueFormat WRITE SetValueFormat)
    Q_PROPERTY(AnsiString XLabelsSource READ GetLabelsSource WRITE SetLabelsSource)
    Q_PROPERTY(int ZOrder READ GetZOrderValue WRITE SetZOrder)
    Q_PROPERTY(ChartDataEnums::TSeriesRecalcOptions RecalcOptions MEMBER RecalcOptions)
    Q_PROPERTY(TSeriesMarks* Marks READ Marks)
    Q_PROPERTY(TChartValueList* XValues READ XValues)
    Q_PROPERTY(TChartValueList* YValues READ YValues)

public:
    explicit TChartSeries(QObject* owner = nullptr);
    ~TChartSeries() override;

    // ---- value lists
    TChartValueLists& ValuesList() { return FValuesList; }
    const TChartValueLists& ValuesList() const { return FValuesList; }
    TChartValueList* XValues() const { return FX; }
    TChartValueList* YValues() const { return FY; }
    TChartValueList* MandatoryValueList() const { return FMandatory; }
    TChartValueList* NotMandatoryValueList() const { return FNotMandatory; }
    bool YMandatory() const { return FYMandatory; }
    void SetHorizontal();
    void SetXValues(const TChartValueList& list);
    void SetYValues(const TChartValueList& list);
    // Puts newList in the place of oldList (keeping oldList's name) and frees oldList.
    void ReplaceList(TChartValueList* oldList, TChartValueList* newList);
    // The further list of that name (ignoring case), otherwise YValues.
    TChartValueList* GetYValueList(const AnsiString& name) const;

    int Count() const { return FX->Count(); }
    double GetxValue(int index) const { return FX->Value(index); }
    double GetyValue(int index) const { return FY->Value(index); }
    void SetXValue(int index, double value);
    void SetYValue(int index, double value);
    // Virtual: stacking series and series with an origin widen the range they report.
    virtual double MaxXValue() { return FX->MaxValue(); }
    virtual double MinXValue() { return FX->MinValue(); }
    virtual double MaxYValue() { return FY->MaxValue(); }
    virtual double MinYValue() { return FY->MinValue(); }
    // The depth range: the series' depth slot, or the range of its own Z values.
    virtual double MaxZValue() { return GetZOrder(); }
    virtual double MinZValue() { return GetZOrder(); }
    virtual double GetMarkValue(int index) const { return FMandatory->Value(index); }

    // ---- labels
    TLabelsList& Labels() { return FLabels; }
    const TLabelsList& Labels() const { return FLabels; }
    const AnsiString& GetXLabel(int index) const { return FLabels.GetLabel(index); }
    // Only for existing points: a wild index must not pad the labels list.
    void SetXLabel(int index, const AnsiString& text);
    void SetMarkText(int index, const AnsiString& text) { SetXLabel(index, text); }

    // ---- mark texts
    // The text of the mark of point index by Marks.Style; OnGetMarkText may change it. An
    // empty text means no mark.
    virtual AnsiString GetMarkText(int index);
    AnsiString MarkPercent(int index, bool addTotal = false);
    // The horizontal axis's label text of a value, or the value in ValueFormat without
    // an axis.
    AnsiString XValueToText(double value) const;

    // ---- colours and null points
    TColor GetSeriesColor() const { return FColor != clDefault ? FColor : FInternalColor; }
    virtual void SetSeriesColor(TColor value);
    Q_INVOKABLE bool IsColorStored() const { return FColor != clDefault; }
    void ChangeInternalColor(TColor value);
    bool GetColorEachPoint() const { return FColorEachPoint; }
    virtual void SetColorEachPoint(bool value);
    // The stored colour of a point: clDefault without a colours list or beyond it.
    TColor InternalColor(int index) const;
    bool HasColorsList() const { return FColors != nullptr; }
    int ColorsCount() const { return FColors ? FColors->Size() : 0; }
    virtual TColor GetValueColor(int index) const;
    TColor ValueColor(int index) const { return GetValueColor(index); }
    void SetValueColor(int index, TColor value);
    bool IsNull(int index) const { return InternalColor(index) == clNone; }
    void SetNull(int index, bool value = true) { SetValueColor(index, value ? clNone : clDefault); }
    void ColorRange(TChartValueList* list, double fromValue, double toValue, TColor color);

    // ---- adding, deleting, clearing
    virtual int AddXY(double x, double y, const AnsiString& label = AnsiString(), TColor color = clDefault);
    int Add(double value, const AnsiString& label = AnsiString(), TColor color = clDefault);
    int AddX(double x, const AnsiString& label = AnsiString(), TColor color = clDefault);
    int AddY(double y, const AnsiString& label = AnsiString(), TColor color = clDefault);
    int AddNull(double value = 0);
    int AddNull(const AnsiString& label);
    int AddNullXY(double x, double y, const AnsiString& label = AnsiString());
    int AddArray(const double* values, int high);
    // Adds count points as AddXY(x[i], y[i]) would one by one, in one go where the points
    // go at the end while the series is being updated (the loaders' case).
    void AddXYs(const double* x, const double* y, int count);
    // The same for y.size() points, those at `labels` (indices into x and y, ascending)
    // with their label, as AddXY(x[i], y[i], label) adds them. An empty series takes the
    // Y values over from `y` without a copy.
    void AddXYs(const double* x, std::vector<double>&& y, const std::vector<std::pair<int, AnsiString>>& labels);
    virtual void Delete(int index);
    virtual void Delete(int start, int quantity, bool removeGap = false);
    virtual void Clear();
    virtual void ClearLists();

    // ---- order
    void SwapValueIndex(int a, int b);
    void SortByLabels(TChartListOrder order = loAscending);
    void CheckOrder();
    // Reorders every point by the values of one of this series' lists (the generic sort
    // over the whole series, as the value list's Sort asks for it).
    void SortPoints(TChartValueList& byList);

    // ---- bulk updates and notifications
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    void RefreshSeries();
    virtual void NotifyNewValue(TChartSeries* sender, int index);
    virtual void NotifyValue(TValueEvent event, int index);

    // ---- feeding from other series
    virtual int AddChartValue(TChartSeries* source, int index);
    virtual void AddedValue(TChartSeries* source, int index);
    virtual void DeletedValue(TChartSeries*, int index) { Delete(index); }
    virtual void AddValues(TChartSeries* source);
    void AssignValues(TChartSeries* source) { AddValues(source); }

    TCustomSeriesList& LinkedSeries() { return FLinkedSeries; }
    TDataSourcesList& DataSources() { return *FDataSources; }
    const TDataSourcesList& DataSources() const { return *FDataSources; }
    QObject* DataSource() const;
    void SetDataSource(QObject* value);
    void InternalSetDataSource(QObject* value, bool clearOthers);
    int InternalAddDataSource(QObject* value);
    void InternalRemoveDataSource(QObject* value);
    void RemoveDataSource(QObject* value);
    void AddLinkedSeries(TChartSeries* series);
    void RemoveLinkedSeries(TChartSeries* series);
    void RemoveAllLinkedSeries();
    void CheckDataSource();
    virtual bool IsValidSourceOf(TChartSeries* series) const { return series != this; }
    virtual bool IsValidSeriesSource(TChartSeries* series) const;
    const AnsiString& GetColorSource() const { return FFormat.ColorSource; }
    void SetColorSource(const AnsiString& value);
    const AnsiString& GetLabelsSource() const { return FFormat.LabelsSource; }
    void SetLabelsSource(const AnsiString& value);
    bool CanAddRandomPoints() const;

    TTeeFunction* FunctionType() const { return FFunction; }
    virtual void SetFunction(TTeeFunction* value);
    // The function leaves this series without being freed.
    void ForgetFunction(TTeeFunction* value);

    // ---- component life: loading from a chart file
    void BeginLoading() { FLoading = true; }
    virtual void Loaded();
    bool IsLoading() const { return FLoading; }
    bool IsDestroying() const { return FDestroying; }
    // Design state: the series is shown in a designer (sample values are allowed).
    bool DesignState = false;
    // Names of the data sources read from a chart file, resolved in Loaded().
    std::unique_ptr<std::vector<AnsiString>> LoadingDataSources;

    // ---- copying
    void Assign(const TCustomChartElement& source) override;
    using TCustomChartSeries::Assign;
    virtual void AssignFormat(const TChartSeries& source);

    // ---- sample values
    virtual int NumSampleValues() const { return 25; }
    int SampleCount = 0;
    void FillSampleValues(int numValues = 0);
    virtual void AddSampleValues(int numValues, bool onlyMandatory = false);
    void RandomBounds(int numValues, double& tmpX, double& stepX, double& tmpY, double& minY, double& difY);
    static int RandomValue(int range);
    // Four sample points and plain settings for the series gallery; the series colour is
    // silver when the gallery entry is disabled.
    virtual void PrepareForGallery(bool enabled);
    // The gallery switched its cells between 2D and 3D; series that draw differently in
    // either adapt here.
    virtual void GalleryChanged3D(bool) {}
    // The variants the gallery offers for this type, one caption each (item 0 "Normal"),
    // and applying variant index to a gallery sample series (nothing in the base).
    using TChartSubGalleryProc = std::function<void(const AnsiString& caption)>;
    virtual void CreateSubGallery(const TChartSubGalleryProc& AddSubChart);
    virtual void SetSubGallery(TChartSeries*, int) {}

    // ---- stored point data ("Data" of a chart file)
    bool ManualData = false;
    bool ForceSaveData = false;
    bool DontSaveData = false;
    // Whether X values may be stored at all (series types whose X is always the index
    // switch it off).
    bool StoreXValues = true;
    bool IsDataStored() const { return ForceSaveData || (ManualData && !DontSaveData); }
    void WriteData(std::vector<std::uint8_t>& stream) const;
    // Reads point data; on malformed data raises ChartException and leaves the series
    // empty.
    void ReadData(std::span<const std::uint8_t> stream);

    // ---- parent chart and axes
    void SetParentChart(IChartHost* value) override;
    virtual void Added();
    void Removed() override;
    THorizAxis GetHorizAxisKind() const { return FFormat.HorizAxis; }
    void SetHorizAxis(THorizAxis value);
    TVertAxis GetVertAxisKind() const { return FFormat.VertAxis; }
    void SetVertAxis(TVertAxis value);
    TChartAxis* CustomHorizAxis() const { return FFormat.CustomHorizAxis; }
    void SetCustomHorizAxis(TChartAxis* value);
    TChartAxis* CustomVertAxis() const { return FFormat.CustomVertAxis; }
    void SetCustomVertAxis(TChartAxis* value);
    TChartAxis* GetHorizAxis() const { return FGetHorizAxis; }
    TChartAxis* GetVertAxis() const { return FGetVertAxis; }
    void RecalcGetAxis();

    // ---- display settings kept with the data
    int Cursor = 0;
    int GetDepth() const { return FFormat.Depth; }
    void SetDepth(int value) { SetIntegerProperty(FFormat.Depth, value); }
    int GetZOrderValue() const { return FZOrder; }
    int GetZOrder() const { return FZOrder != -1 ? FZOrder : FComputedZOrder; }
    void SetZOrder(int value);
    const AnsiString& GetValueFormat() const { return FFormat.ValueFormat; }
    void SetValueFormat(const AnsiString& value) { SetStringProperty(FFormat.ValueFormat, value); }
    Q_INVOKABLE bool IsValueFormatStored() const;
    const AnsiString& GetPercentFormat() const { return FFormat.PercentFormat; }
    void SetPercentFormat(const AnsiString& value) { SetStringProperty(FFormat.PercentFormat, value); }
    Q_INVOKABLE bool IsPercentFormatStored() const;
    bool IsPropertyStored(const char* Name) const override;
    TSeriesRecalcOptions RecalcOptions = TSeriesRecalcOptions(rOnDelete | rOnModify | rOnInsert | rOnClear);
    TSeriesMarks* Marks() const { return FMarks; }

    // ---- axes of the series
    // False for series types drawn without axes.
    virtual bool UseAxis() const { return true; }
    // Virtual: series with values of their own on the depth axis answer for it too.
    virtual bool AssociatedToAxis(const TChartAxis* axis) const;
    // XValues for a horizontal axis, YValues for a vertical one; none when the series is not
    // associated with the axis.
    virtual TChartValueList* ValueListOfAxis(const TChartAxis* axis) const;
    // The visible range from the chart rectangle's edges on the index axis (the whole
    // series without a chart or an axis).
    virtual void CalcFirstLastVisibleIndex();

    // Visible range (-1 when nothing is visible). The drawing code sets them from the
    // axes through CalcFirstLastVisibleRange.
    int FirstValueIndex = -1;
    int LastValueIndex = -1;
    // The visible range for the value limits of the axis that runs along
    // NotMandatoryValueList: binary search on an ordered list.
    void CalcFirstLastVisibleRange(double lowerLimit, double upperLimit);
    // The visible range of a series whose list along the index axis is kept without order
    // but whose values are in fact ascending (points appended as they come): the points
    // whose drawing can show. The base takes every point, as for a list out of order, since
    // a point's drawing may reach into the plot from anywhere; series types that know how
    // far theirs reaches narrow it.
    virtual void CalcInFactOrderedRange();
    bool UseVisibleRange = true;
    // The mark-text handler keeps nothing but point labels: any text that reads as a number
    // (as a point's value does) it blanks. Marks in the label or value style are then made
    // only for the points that have a label, however many points are shown.
    bool MarksOfLabelsOnly = false;
    // Functions that fill this series leave the orders of its value lists alone.
    bool KeepValueListSettings = false;
    bool DrawPointBeyondRange = false;
    bool SinglePointFunctions = true;
    bool HasThirdValues = false;

    // ---- drawing (the chart calls these in its draw cycle)
    // The chart's series interface, or none outside a chart that draws.
    ISeriesHost* SeriesHost() const;
    // The canvas the chart draws on, or none outside a chart that draws.
    TCanvas3D* Canvas() const;
    // Depth slot: the chart's MaxZOrder grows for each automatic series of a 3D chart.
    virtual void CalcZOrder();
    // StartZ, MiddleZ and EndZ from the depth slot (the z order while the chart has given
    // none) and the chart's series depth.
    virtual void CalcDepthPositions();
    // The slot the chart gives the series for its current draw: the first series stands at
    // the back so that it is drawn first; -1 until the chart draws.
    int DepthSlot = -1;
    virtual bool MoreSameZOrder() const;
    // Active, and no active series before it in the chart's list has the same z order.
    bool FirstInZOrder() const;
    virtual void DoBeforeDrawValues();
    virtual void DoAfterDrawValues();
    // DrawValue for the visible range, in the order DrawValuesForward gives.
    virtual void DrawAllValues();
    virtual void DrawValue(int) {}
    virtual bool DrawValuesForward() const;
    virtual bool DrawSeriesForward(int) const;
    // Lays out and draws the mark of every visible point that has one.
    void DrawMarks();
    virtual void DrawMark(int index, const AnsiString& text, TSeriesMarkPosition& position);
    int StartZ = 0;
    int MiddleZ = 0;
    int EndZ = 0;
    std::function<void(TChartSeries*)> BeforeDrawValues;
    std::function<void(TChartSeries*)> AfterDrawValues;

    // ---- positions
    TChartAxis* MandatoryAxis() const { return FYMandatory ? FGetVertAxis : FGetHorizAxis; }
    virtual int CalcXPos(int index) const;
    virtual int CalcYPos(int index) const;
    int CalcXPosValue(double value) const;
    int CalcYPosValue(double value) const;
    int CalcPosValue(double value) const { return FYMandatory ? CalcYPosValue(value) : CalcXPosValue(value); }
    int CalcXSizeValue(double value) const;
    int CalcYSizeValue(double value) const;
    double XScreenToValue(int pixel) const;
    double YScreenToValue(int pixel) const;
    AnsiString YValueToText(double value) const;
    int VisibleCount() const { return FirstValueIndex < 0 ? 0 : LastValueIndex - FirstValueIndex + 1; }
    int FirstDisplayedIndex() const { return DrawValuesForward() ? FirstValueIndex : LastValueIndex; }
    // The index range of the chart's current page.
    void CalcFirstLastPage(int& first, int& last) const;

    // ---- mouse
    // The point under (x, y), -1 for none.
    virtual int Clicked(int, int) { return -1; }
    int Clicked(const TPoint& p) { return Clicked(p.X, p.Y); }
    void GetCursorValues(double& x, double& y) const;
    int GetCursorValueIndex();
    // Whether a point is under (x, y); sets the chart cursor and calls the enter and leave
    // events.
    bool CheckMouse(int x, int y);
    std::function<void(TChartSeries*)> OnMouseEnter;
    std::function<void(TChartSeries*)> OnMouseLeave;
    // A click (double click) on a point of the series: sender, value index, button, shift
    // state, position. The chart asks the series only when one of them is assigned.
    std::function<void(TChartSeries*, int, TMouseButton, TShiftState, int, int)> OnClick;
    std::function<void(TChartSeries*, int, TMouseButton, TShiftState, int, int)> OnDblClick;

    // ---- legend
    virtual int CountLegendItems() { return Count(); }
    virtual int LegendToValueIndex(int legendIndex) const { return legendIndex; }
    virtual TColor LegendItemColor(int legendIndex) const { return ValueColor(legendIndex); }
    virtual AnsiString LegendString(int legendIndex, TLegendTextStyle style);
    // The legend symbol of a point, or of the whole series for index -1.
    virtual void DrawLegend(int valueIndex, const TRect& rect);
    virtual void DrawLegendShape(int valueIndex, const TRect& rect);
    virtual void PrepareLegendCanvas(int, TColor&, TBrushStyle&) {}
    virtual double GetOriginValue(int index) const { return GetMarkValue(index); }
    // The widest mark text over the points whose mark is visible.
    int MaxMarkWidth();

    // ---- events
    std::function<void(TChartSeries*, int)> OnAfterAdd;
    std::function<bool(TChartSeries*)> OnBeforeAdd;
    std::function<void(TChartSeries*)> OnClearValues;
    std::function<void(TChartSeries*, int, AnsiString&)> OnGetMarkText;

protected:
    void GrowColors(int count);
    void InsertColor(int index, TColor color);
    // Appends points without order or notification and sorts once by X afterwards; the
    // result equals adding them one by one (equal X values keep their order).
    void SortAfterBulkAppend(int firstNew);
    void ApplyPermutation(const std::vector<int>& perm);

    TChartValueLists FValuesList;
    TChartValueList* FX = nullptr;
    TChartValueList* FY = nullptr;
    TChartValueList* FMandatory = nullptr;
    TChartValueList* FNotMandatory = nullptr;
    bool FYMandatory = true;
    TLabelsList FLabels;
    std::unique_ptr<TPointColors> FColors;
    TColor FColor = clDefault;
    TColor FInternalColor = clDefault;
    bool FColorEachPoint = false;
    TDataSourcesList* FDataSources = nullptr;
    TCustomSeriesList FLinkedSeries;
    TSeriesMarks* FMarks = nullptr;
    TTeeFunction* FFunction = nullptr;
    TSeriesFormat FFormat;
    int FZOrder = -1;
    int FComputedZOrder = 0;
    TChartAxis* FGetHorizAxis = nullptr;
    TChartAxis* FGetVertAxis = nullptr;
    int FUpdateCount = 0;
    bool FLoading = false;
    bool FDestroying = false;
    bool FMouseInside = false;

private:
    void WatchComponent(QObject* component);
    void ComponentFreed(QObject* component);
};

// Closes a BeginUpdate when the scope ends, also on an exception (then without letting a
// second exception escape).
class TSeriesUpdateGuard {
public:
    explicit TSeriesUpdateGuard(TChartSeries& series);
    ~TSeriesUpdateGuard() noexcept(false);
    TSeriesUpdateGuard(const TSeriesUpdateGuard&) = delete;
    TSeriesUpdateGuard& operator=(const TSeriesUpdateGuard&) = delete;

private:
    TChartSeries& FSeries;
    int FExceptions;
};

// Raises the circular-reference error when `dest` is reached from `source` through data
// sources (a visited set keeps existing cycles from recursing for ever).
void CheckOtherSeries(TChartSeries* dest, TChartSeries* source);

// Line break inside mark and legend texts, and the column break of legend texts.
extern char TeeLineSeparator;
extern char TeeColumnSeparator;

// The library's pseudo-random generator used for sample values.
extern std::uint32_t TeeRandSeed;
int TeeRandom(int range);
// Whether series may make up sample values at run time.
extern bool TeeRandomAtRunTime;
// Palette indexes of the gallery's first and further series.
extern int clTeeGallery1;
extern int clTeeGallery2;
