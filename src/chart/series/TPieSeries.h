#pragma once
// Values as slices of a circle (or ellipse, or part of a circle), in 2D or 3D: exploded
// slices, a shadow, a donut hole, marks on callouts round the circle, several pies in one
// chart and an "other" slice that gathers the small values.
#include <optional>
#include <vector>

#include "chart/engine/TChartPen.h"
#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TeeFont.h"
#include "chart/series/TCircledSeries.h"

class TPieSeries;

// Per-slice integers by value index: reading past the end gives 0, writing past the end
// appends zeros first, a change repaints the owning series.
class TSliceValueList {
public:
    explicit TSliceValueList(TPieSeries* owner) : FOwner(owner) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    int Get(int index) const;
    int operator[](int index) const { return Get(index); }
    void Put(int index, int value);
    // Put without the repaint; true when the entry changed.
    bool Store(int index, int value);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    // Extends a non-empty list with zeros to count entries, then exchanges a and b.
    void Swap(int a, int b, int count);
    void Assign(const TSliceValueList& source) { FItems = source.FItems; }

private:
    TPieSeries* FOwner;
    std::vector<int> FItems;
};

class TPieOtherSlice : public TPersistent, public TPropertySetters<TPieOtherSlice> {
    Q_OBJECT
public:
    enum TPieOtherStyle { poNone, poBelowPercent, poBelowValue };
    Q_ENUM(TPieOtherStyle)

    // The stored values with their defaults.
    struct TSettings {
        TColor Color = clDefault;
        TPieOtherStyle Style = poNone;
        AnsiString Text;
        double Value = 0;
    };

private:
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(TPieOtherStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(AnsiString Text READ GetText WRITE SetText)
    Q_PROPERTY(double Value READ GetValue WRITE SetValue)

public:
    explicit TPieOtherSlice(TPieSeries* owner);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    TColor GetColor() const { return FSettings.Color; }
    void SetColor(TColor value) { SetProperty(FSettings.Color, value); }
    TPieOtherStyle GetStyle() const { return FSettings.Style; }
    void SetStyle(TPieOtherStyle value) { SetProperty(FSettings.Style, value); }
    // "Other" while no text of its own is set.
    AnsiString GetText() const;
    void SetText(const AnsiString& value) { SetProperty(FSettings.Text, value); }
    double GetValue() const { return FSettings.Value; }
    void SetValue(double value) { SetProperty(FSettings.Value, value); }

private:
    // Repaints the owning pie.
    void PropertyChanged();
    friend class TPropertySetters<TPieOtherSlice>;
    TPieSeries* FOwner;
    TSettings FSettings;
};

// The shadow under a pie: grey unless set otherwise.
class TPieShadow : public TTeeShadow {
    Q_OBJECT
public:
    explicit TPieShadow(const TNotifyEvent& onChange, QObject* parent);
};

// Angles of one slice in radians.
struct TPieAngle {
    double StartAngle = 0;
    double MidAngle = 0;
    double EndAngle = 0;
};

// The stored pie values that Assign copies, with their defaults (the donut hole and
// MultiPie stay with each series).
struct TPieSettings {
    int AngleSize = 360;
    bool AutoMarkPosition = true;
    bool Dark3D = true;
    int DarkPen = 0;
    int ExplodeBiggest = 0;
    bool UsePatterns = false;
};

class TPieSeries : public TCircledSeries {
    Q_OBJECT
public:
    enum TMultiPie { mpAutomatic, mpDisabled };
    Q_ENUM(TMultiPie)

private:
    Q_PROPERTY(int AngleSize READ GetAngleSize WRITE SetAngleSize)
    Q_PROPERTY(bool AutoMarkPosition READ GetAutoMarkPosition WRITE SetAutoMarkPosition)
    Q_PROPERTY(bool Dark3D READ GetDark3D WRITE SetDark3D)
    Q_PROPERTY(int DarkPen READ GetDarkPen WRITE SetDarkPen)
    Q_PROPERTY(int ExplodeBiggest READ GetExplodeBiggest WRITE SetExplodeBiggest)
    Q_PROPERTY(TMultiPie MultiPie READ GetMultiPie WRITE SetMultiPie)
    Q_PROPERTY(TPieOtherSlice* OtherSlice READ OtherSlice)
    Q_PROPERTY(TChartPen* PiePen READ PiePen)
    Q_PROPERTY(TChartValueList* PieValues READ YValues)
    Q_PROPERTY(TPieShadow* Shadow READ Shadow)
    Q_PROPERTY(bool UsePatterns READ GetUsePatterns WRITE SetUsePatterns)

public:
    Q_INVOKABLE explicit TPieSeries(QObject* owner = nullptr);
    ~TPieSeries() override;

    // X value of the point that stands for the grouped values.
    static constexpr double OtherSliceX = 2147483647.0;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TPieSeriesEditor"; }
    void SetParentChart(IChartHost* value) override;
    void DoBeforeDrawChart() override;
    void CalcFirstLastVisibleIndex() override;
    void CalcZOrder() override;
    void ClearLists() override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    void DoAfterDrawValues() override;
    void DoBeforeDrawValues() override;
    void DrawAllValues() override;
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    void DrawMark(int index, const AnsiString& text, TSeriesMarkPosition& position) override;
    void DrawValue(int index) override;
    bool MoreSameZOrder() const override { return false; }
    void PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle) override;
    int CountLegendItems() override;
    void Delete(int index) override;
    using TChartSeries::Delete;
    int LegendToValueIndex(int legendIndex) const override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MinXValue() override;
    double MinYValue() override;
    int CalcXPos(int index) const override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;
    int NumSampleValues() const override { return 8; }
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    void PrepareForGallery(bool enabled) override;
    virtual void DrawPie(int valueIndex);

    int AddPie(double value, const AnsiString& label = AnsiString(), TColor color = clDefault)
    {
        return Add(value, label, color);
    }
    void CalcAngles();
    void CalcExplodedOffset(int valueIndex, int& offsetX, int& offsetY) const;
    void CalcExplodedRadius(int valueIndex, int& xRadius, int& yRadius) const;
    void CalcExplodeBiggest();
    // The slice under (x, y), -1 for none.
    int CalcClickedPie(int x, int y);
    bool BelongsToOtherSlice(int valueIndex) const { return GetxValue(valueIndex) == -1; }
    int CompareSlice(int a, int b) const;
    void SwapSlice(int a, int b);
    // Active pie series of the chart (this one when it has no chart).
    int PieCount() const;
    int SliceEndZ(int valueIndex) const;
    TBrushStyle SliceBrushStyle(int valueIndex) const;
    void PreparePiePen(int valueIndex);
    void RemoveOtherSlice();
    void CheckOrder();
    void DisableRotation();
    void GalleryChanged3D(bool is3D) override;

    int GetAngleSize() const { return FSettings.AngleSize; }
    void SetAngleSize(int value) { SetIntegerProperty(FSettings.AngleSize, value); }
    bool GetAutoMarkPosition() const { return FSettings.AutoMarkPosition; }
    void SetAutoMarkPosition(bool value) { SetBooleanProperty(FSettings.AutoMarkPosition, value); }
    bool GetDark3D() const { return FSettings.Dark3D; }
    void SetDark3D(bool value) { SetBooleanProperty(FSettings.Dark3D, value); }
    int GetDarkPen() const { return FSettings.DarkPen; }
    void SetDarkPen(int value) { SetIntegerProperty(FSettings.DarkPen, value); }
    int GetDonutPercent() const { return FDonutPercent; }
    void SetDonutPercent(int value) { SetIntegerProperty(FDonutPercent, value); }
    int GetExplodeBiggest() const { return FSettings.ExplodeBiggest; }
    void SetExplodeBiggest(int value);
    TMultiPie GetMultiPie() const { return FMultiPie; }
    void SetMultiPie(TMultiPie value) { SetProperty(FMultiPie, value); }
    bool GetUsePatterns() const { return FSettings.UsePatterns; }
    void SetUsePatterns(bool value) { SetBooleanProperty(FSettings.UsePatterns, value); }
    TPieOtherSlice* OtherSlice() const { return FOtherSlice; }
    TChartPen* PiePen() const { return FPiePen; }
    TPieShadow* Shadow() const { return FShadow; }
    TChartValueList* PieValues() const { return FY; }

    TSliceValueList& SliceExplodePercent() { return FExplodePercent; }
    TSliceValueList& SliceEndDepthPercent() { return FEndDepthPercent; }
    const std::vector<TPieAngle>& SliceAngles() const { return FAngles; }
    bool ExplodedView() const { return FExplodedView; }

protected:
    void InitCustom3DOptions() override;
    void CheckOtherSeriesMarks() override {}
    TRect CirclePlotRect() const override;

private:
    // The chart's 3D view made a projected one at the given angles (none without a chart).
    TView3DOptions* TurnView(int rotation, int elevation) const;
    // The gradient ends in a slice's colour while it is drawn: no repaint for that.
    void SetGradientEnd(TColor color);

    TPieSettings FSettings;
    int FDonutPercent = 0;
    TMultiPie FMultiPie = mpAutomatic;
    TPieOtherSlice* FOtherSlice = nullptr;
    TChartPen* FPiePen = nullptr;
    TPieShadow* FShadow = nullptr;
    TSliceValueList FExplodePercent{this};
    TSliceValueList FEndDepthPercent{this};

    std::vector<TPieAngle> FAngles;
    std::vector<int> FDrawOrder;
    bool FExplodedView = false;
    TPoint FArcStart;
    TPoint FArcEnd;
    // This pie's cell of the plotting rectangle while several pies share a chart.
    std::optional<TRect> FCellRect;
};
