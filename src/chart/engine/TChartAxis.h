#pragma once
// One axis of a chart: its settings (range, increment, labels, ticks, grid, title,
// position), the pens and title it owns, and the state its scaling, labelling and drawing
// compute for one draw. The bodies are spread by subject: TChartAxis.cpp (the model),
// TChartAxis_scaling.cpp (range, mapping, positions), TChartAxis_labels.cpp (increments and
// label texts) and TChartAxis_draw.cpp (drawing).
#include <algorithm>
#include <functional>
#include <vector>

#include "chart/engine/AxisHost.h"
#include "chart/engine/TAxisGridPen.h"
#include "chart/engine/TAxisItems.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeUnits.h"
#include "platform/Round.h"
#include "platform/TCollection.h"

namespace axisenums {
Q_NAMESPACE
enum TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };
Q_ENUM_NS(TAxisLabelStyle)
enum TAxisLabelAlign { alDefault, alOpposite };
Q_ENUM_NS(TAxisLabelAlign)
}  // namespace axisenums

using axisenums::TAxisLabelAlign;
using axisenums::TAxisLabelStyle;
using enum axisenums::TAxisLabelAlign;
using enum axisenums::TAxisLabelStyle;

class TChartAxis;
class TChartCustomAxes;
class TChartSeries;

using TAxisDrawLabelEvent =
    std::function<void(TChartAxis* Sender, int& X, int& Y, int& Z, AnsiString& Text, bool& DrawLabel)>;

// Smallest range an axis keeps when both ends are set to one value.
inline constexpr double MinAxisRange = 1e-10;
// Smallest label increment.
inline constexpr double MinAxisIncrement = 1e-12;
// Pixels beside the axis line that still count as a click on the axis.
inline constexpr int TeeAxisClickGap = 3;
// Pixel positions of the checked value mappings are clamped to +/- this value.
extern int TeeAxisPixelLimit;

// The next nice step (1-2-5 per decade) strictly above Step.
double NextStep(double Step);

// Pen of the axis line: width 2 by default.
class TChartAxisPen : public TChartPen {
    Q_OBJECT
public:
    explicit TChartAxisPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    bool IsPropertyStored(const char* Name) const override;
};

// The title of an axis: its caption, angle and font.
class TChartAxisTitle : public TTeeCustomShape {
    Q_OBJECT
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(AnsiString Caption READ GetCaption WRITE SetCaption)

public:
    explicit TChartAxisTitle(TCustomTeePanel* panel);

    int GetAngle() const { return FAngle; }
    // Modulo 360, keeping the sign.
    void SetAngle(int value);
    const AnsiString& GetCaption() const { return FCaption; }
    void SetCaption(const AnsiString& value);
    // The angle the chart gave the title; Angle is stored only when it differs.
    int DefaultAngle = 0;
    void SetDefaultAngle(int value) { DefaultAngle = FAngle = value; }

    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

private:
    int FAngle = 0;
    AnsiString FCaption;
};

class TChartAxis : public TCollectionItem, public TPropertySetters<TChartAxis> {
    Q_OBJECT
    Q_PROPERTY(bool Automatic READ GetAutomatic WRITE SetAutomatic)
    Q_PROPERTY(bool AutomaticMaximum READ GetAutomaticMaximum WRITE SetAutomaticMaximum)
    Q_PROPERTY(bool AutomaticMinimum READ GetAutomaticMinimum WRITE SetAutomaticMinimum)
    Q_PROPERTY(TChartAxisPen* Axis READ GetAxis WRITE SetAxis)
    Q_PROPERTY(AnsiString AxisValuesFormat READ GetAxisValuesFormat WRITE SetAxisValuesFormat)
    Q_PROPERTY(AnsiString DateTimeFormat READ GetDateTimeFormat WRITE SetDateTimeFormat)
    Q_PROPERTY(bool ExactDateTime READ GetExactDateTime WRITE SetExactDateTime)
    Q_PROPERTY(TAxisGridPen* Grid READ GetGrid WRITE SetGrid)
    Q_PROPERTY(bool GridCentered READ GetGridCentered WRITE SetGridCentered)
    Q_PROPERTY(double Increment READ GetIncrement WRITE SetDesiredIncrement)
    Q_PROPERTY(bool Inverted READ GetInverted WRITE SetInverted)
    Q_PROPERTY(bool Horizontal READ GetHorizontal WRITE SetHorizontal)
    Q_PROPERTY(bool OtherSide READ GetOtherSide WRITE SetOtherSide)
    Q_PROPERTY(bool Labels READ GetLabels WRITE SetLabels)
    Q_PROPERTY(axisenums::TAxisLabelAlign LabelsAlign READ GetLabelsAlign WRITE SetLabelsAlign)
    Q_PROPERTY(bool LabelsAlternate READ GetLabelsAlternate WRITE SetLabelsAlternate)
    Q_PROPERTY(int LabelsAngle READ GetLabelsAngle WRITE SetLabelsAngle)
    Q_PROPERTY(bool LabelsExponent READ GetLabelsExponent WRITE SetLabelsExponent)
    Q_PROPERTY(TTeeFont* LabelsFont READ GetLabelsFont WRITE SetLabelsFont)
    Q_PROPERTY(bool LabelsMultiLine READ GetLabelsMultiLine WRITE SetLabelsMultiLine)
    Q_PROPERTY(bool LabelsOnAxis READ GetLabelsOnAxis WRITE SetLabelsOnAxis)
    Q_PROPERTY(int LabelsSeparation READ GetLabelsSeparation WRITE SetLabelsSeparation)
    Q_PROPERTY(int LabelsSize READ GetLabelsSize WRITE SetLabelsSize)
    Q_PROPERTY(axisenums::TAxisLabelStyle LabelStyle READ GetLabelStyle WRITE SetLabelStyle)
    Q_PROPERTY(bool Logarithmic READ GetLogarithmic WRITE SetLogarithmic)
    Q_PROPERTY(double LogarithmicBase READ GetLogarithmicBase WRITE SetLogarithmicBase)
    Q_PROPERTY(double Maximum READ GetMaximum WRITE SetMaximum)
    Q_PROPERTY(int MaximumOffset READ GetMaximumOffset WRITE SetMaximumOffset)
    Q_PROPERTY(double Minimum READ GetMinimum WRITE SetMinimum)
    Q_PROPERTY(int MinimumOffset READ GetMinimumOffset WRITE SetMinimumOffset)
    Q_PROPERTY(TChartHiddenPen* MinorGrid READ GetMinorGrid WRITE SetMinorGrid)
    Q_PROPERTY(int MinorTickCount READ GetMinorTickCount WRITE SetMinorTickCount)
    Q_PROPERTY(int MinorTickLength READ GetMinorTickLength WRITE SetMinorTickLength)
    Q_PROPERTY(TDarkGrayPen* MinorTicks READ GetMinorTicks WRITE SetMinorTicks)
    Q_PROPERTY(double StartPosition READ GetStartPosition WRITE SetStartPosition)
    Q_PROPERTY(double EndPosition READ GetEndPosition WRITE SetEndPosition)
    Q_PROPERTY(double PositionPercent READ GetPositionPercent WRITE SetPositionPercent)
    Q_PROPERTY(teeunits::TTeeUnits PositionUnits READ GetPositionUnits WRITE SetPosUnits)
    Q_PROPERTY(bool RoundFirstLabel READ GetRoundFirstLabel WRITE SetRoundFirstLabel)
    Q_PROPERTY(int TickInnerLength READ GetTickInnerLength WRITE SetTickInnerLength)
    Q_PROPERTY(int TickLength READ GetTickLength WRITE SetTickLength)
    Q_PROPERTY(TDarkGrayPen* Ticks READ GetTicks WRITE SetTicks)
    Q_PROPERTY(TDarkGrayPen* TicksInner READ GetTicksInner WRITE SetTicksInner)
    Q_PROPERTY(bool TickOnLabelsOnly READ GetTickOnLabelsOnly WRITE SetTickOnLabelsOnly)
    Q_PROPERTY(TChartAxisTitle* Title READ GetTitle WRITE SetAxisTitle)
    Q_PROPERTY(int TitleSize READ GetTitleSize WRITE SetTitleSize)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(double ZPosition READ GetZPosition WRITE SetZPosition)

public:
    // A built-in axis while the chart's axes list holds fewer than six axes, otherwise an
    // item of Collection. The axis joins the chart's axes list.
    explicit TChartAxis(TChartCustomAxes* Collection);
    // An item of the chart's custom axes.
    explicit TChartAxis(IAxisHost* Chart);
    ~TChartAxis() override;

    IAxisHost* ParentChart() const { return FParentChart; }
    // The chart's custom axes for a custom axis, none for a built-in one.
    TChartCustomAxes* Collection() const;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // ---- published settings
    bool GetAutomatic() const { return FAutomatic; }
    void SetAutomatic(bool Value);
    bool GetAutomaticMaximum() const { return FAutomaticMaximum; }
    void SetAutomaticMaximum(bool Value);
    bool GetAutomaticMinimum() const { return FAutomaticMinimum; }
    void SetAutomaticMinimum(bool Value);
    TChartAxisPen* GetAxis() const { return FAxis; }
    void SetAxis(TChartAxisPen* Value) { FAxis->Assign(Value); }
    const AnsiString& GetAxisValuesFormat() const { return FAxisValuesFormat; }
    void SetAxisValuesFormat(const AnsiString& Value) { SetStringProperty(FAxisValuesFormat, Value); }
    const AnsiString& GetDateTimeFormat() const { return FDateTimeFormat; }
    void SetDateTimeFormat(const AnsiString& Value) { SetStringProperty(FDateTimeFormat, Value); }
    bool GetExactDateTime() const { return FExactDateTime; }
    void SetExactDateTime(bool Value) { SetBooleanProperty(FExactDateTime, Value); }
    TAxisGridPen* GetGrid() const { return FGrid; }
    void SetGrid(TAxisGridPen* Value) { FGrid->Assign(Value); }
    bool GetGridCentered() const { return FGrid->GetCentered(); }
    void SetGridCentered(bool Value) { FGrid->SetCentered(Value); }
    double GetIncrement() const { return FIncrement; }
    void SetDesiredIncrement(double Value);
    bool GetInverted() const { return FInverted; }
    virtual void SetInverted(bool Value);
    void InternalSetInverted(bool Value) { FInverted = Value; }
    bool GetHorizontal() const { return FHorizontal; }
    void SetHorizontal(bool Value);
    bool GetOtherSide() const { return FOtherSide; }
    void SetOtherSide(bool Value) { SetBooleanProperty(FOtherSide, Value); }
    bool GetLabels() const { return FItems->Format()->GetVisible(); }
    void SetLabels(bool Value) { FItems->Format()->SetVisible(Value); }
    TAxisLabelAlign GetLabelsAlign() const { return FLabelsAlign; }
    void SetLabelsAlign(TAxisLabelAlign Value) { SetProperty(FLabelsAlign, Value); }
    bool GetLabelsAlternate() const { return FLabelsAlternate; }
    void SetLabelsAlternate(bool Value) { SetBooleanProperty(FLabelsAlternate, Value); }
    int GetLabelsAngle() const { return FLabelsAngle; }
    void SetLabelsAngle(int Value);
    bool GetLabelsExponent() const { return FLabelsExponent; }
    void SetLabelsExponent(bool Value) { SetBooleanProperty(FLabelsExponent, Value); }
    TTeeFont* GetLabelsFont() const { return FItems->Format()->GetFont(); }
    void SetLabelsFont(TTeeFont* Value) { FItems->Format()->SetFont(Value); }
    bool GetLabelsMultiLine() const { return FLabelsMultiLine; }
    void SetLabelsMultiLine(bool Value) { SetBooleanProperty(FLabelsMultiLine, Value); }
    bool GetLabelsOnAxis() const { return FLabelsOnAxis; }
    void SetLabelsOnAxis(bool Value) { SetBooleanProperty(FLabelsOnAxis, Value); }
    int GetLabelsSeparation() const { return FLabelsSeparation; }
    void SetLabelsSeparation(int Value);
    int GetLabelsSize() const { return FLabelsSize; }
    void SetLabelsSize(int Value) { SetIntegerProperty(FLabelsSize, Value); }
    TAxisLabelStyle GetLabelStyle() const { return FLabelStyle; }
    void SetLabelStyle(TAxisLabelStyle Value) { SetProperty(FLabelStyle, Value); }
    bool GetLogarithmic() const { return FLogarithmic; }
    void SetLogarithmic(bool Value);
    double GetLogarithmicBase() const { return FLogarithmicBase; }
    void SetLogarithmicBase(double Value);
    double GetMaximum() const { return FMaximum; }
    void SetMaximum(double Value);
    int GetMaximumOffset() const { return FMaximumOffset; }
    void SetMaximumOffset(int Value) { SetIntegerProperty(FMaximumOffset, Value); }
    double GetMinimum() const { return FMinimum; }
    void SetMinimum(double Value);
    int GetMinimumOffset() const { return FMinimumOffset; }
    void SetMinimumOffset(int Value) { SetIntegerProperty(FMinimumOffset, Value); }
    TChartHiddenPen* GetMinorGrid() const { return FMinorGrid; }
    void SetMinorGrid(TChartHiddenPen* Value) { FMinorGrid->Assign(Value); }
    int GetMinorTickCount() const { return FMinorTickCount; }
    void SetMinorTickCount(int Value) { SetIntegerProperty(FMinorTickCount, Value); }
    int GetMinorTickLength() const { return FMinorTickLength; }
    void SetMinorTickLength(int Value) { SetIntegerProperty(FMinorTickLength, Value); }
    TDarkGrayPen* GetMinorTicks() const { return FMinorTicks; }
    void SetMinorTicks(TDarkGrayPen* Value) { FMinorTicks->Assign(Value); }
    double GetStartPosition() const { return FStartPosition; }
    void SetStartPosition(double Value) { SetDoubleProperty(FStartPosition, Value); }
    double GetEndPosition() const { return FEndPosition; }
    void SetEndPosition(double Value) { SetDoubleProperty(FEndPosition, Value); }
    double GetPositionPercent() const { return FPositionPercent; }
    void SetPositionPercent(double Value) { SetDoubleProperty(FPositionPercent, Value); }
    TTeeUnits GetPositionUnits() const { return FPositionUnits; }
    void SetPosUnits(TTeeUnits Value) { SetProperty(FPositionUnits, Value); }
    bool GetRoundFirstLabel() const { return FRoundFirstLabel; }
    void SetRoundFirstLabel(bool Value) { SetBooleanProperty(FRoundFirstLabel, Value); }
    int GetTickInnerLength() const { return FTickInnerLength; }
    void SetTickInnerLength(int Value) { SetIntegerProperty(FTickInnerLength, Value); }
    int GetTickLength() const { return FTickLength; }
    void SetTickLength(int Value) { SetIntegerProperty(FTickLength, Value); }
    TDarkGrayPen* GetTicks() const { return FTicks; }
    void SetTicks(TDarkGrayPen* Value) { FTicks->Assign(Value); }
    TDarkGrayPen* GetTicksInner() const { return FTicksInner; }
    void SetTicksInner(TDarkGrayPen* Value) { FTicksInner->Assign(Value); }
    bool GetTickOnLabelsOnly() const { return FTickOnLabelsOnly; }
    void SetTickOnLabelsOnly(bool Value) { SetBooleanProperty(FTickOnLabelsOnly, Value); }
    TChartAxisTitle* GetTitle() const { return FTitle; }
    void SetAxisTitle(TChartAxisTitle* Value) { FTitle->Assign(Value); }
    int GetTitleSize() const { return FTitleSize; }
    void SetTitleSize(int Value) { SetIntegerProperty(FTitleSize, Value); }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value) { SetBooleanProperty(FVisible, Value); }
    double GetZPosition() const { return FZPosition; }
    // A result of exactly 0 becomes 0.01 (0 reads back as "not set").
    void SetZPosition(double Value);
    TAxisItems& Items() { return *FItems; }
    const TAxisItems& Items() const { return *FItems; }

    TAxisDrawLabelEvent OnDrawLabel;

    // ---- what the axis is
    // The first active series with a value list along this axis decides.
    bool IsDateTime() const;
    // Standing at index 6 or later of the chart's axes list.
    bool IsCustom() const;
    // Moves Value one label step (forward when Increment) by calendar steps when exact.
    void IncDecDateTime(bool Increment, double& Value, double AnIncrement, TDateTimeStep Step) const;

    // ---- range (TChartAxis_scaling.cpp)
    void InternalSetMinimum(double Value) { SetDoubleProperty(FMinimum, Value); }
    void InternalSetMaximum(double Value) { SetDoubleProperty(FMaximum, Value); }
    // Sets both ends (swapped when given the wrong way round), keeping at least
    // MinAxisRange between them; custom axes that follow this one take the same range.
    void SetMinMax(double AMin, double AMax);
    void CalcMinMax(double& AMin, double& AMax);
    void AdjustMaxMin();
    // Widens the range so that the current one is drawn Rect's margins inside the ends.
    void AdjustMaxMinRect(const TRect& Rect);
    void Scroll(double Offset, bool CheckLimits);
    void InternalCalcRange();

    // ---- mapping
    void SetCalcPosValue();
    int CalcXPosValue(double Value) const { return (this->*FCalcXPos)(Value); }
    int CalcYPosValue(double Value) const { return (this->*FCalcYPos)(Value); }
    int CalcPosValue(double Value) const { return (this->*FCalcPos)(Value); }
    // CalcXPosValue (Horizontal) or CalcYPosValue as a value that loops over many points
    // can use inline; its Linear is false for logarithmic and depth mappings.
    struct TPixelMap {
        bool Linear = false;
        bool RoundsSum = false;  // the checked mapping; FastCalc rounds the offset first
        bool RangeIsZero = true;
        bool Backwards = false;  // pixels decrease as values grow
        int Center = 0;
        int Base = 0;   // pixel of Minimum
        int Limit = 0;  // TeeAxisPixelLimit: no pixel lies further out
        double Minimum = 0;
        double PixelsPerUnit = 0;
        int Map(double Value) const
        {
            if (RangeIsZero) return Center;
            const double d = (Value - Minimum) * PixelsPerUnit;
            if (RoundsSum) {
                const double p = Backwards ? Base - d : Base + d;
                if (p > Limit) return Limit;
                if (p < -Limit) return -Limit;
                return RoundNear(p);
            }
            long long r;
            if (d < 1073741824.0 && d > -1073741824.0)
                r = RoundNear(d);
            else
                r = std::clamp<long long>(Round64(d), -(1LL << 40), 1LL << 40);
            return static_cast<int>(std::clamp<long long>(Backwards ? Base - r : Base + r, -Limit, Limit));
        }
        // Map for Count values at once. The checked mapping runs as a loop without branches
        // (vector code) with the same sums and roundings; as a NaN comes out at -Limit
        // there, the values at -Limit are mapped again one by one.
        void MapBlock(const double* Values, int Count, int* Pixels) const
        {
            if (RangeIsZero || !RoundsSum) {
                for (int i = 0; i < Count; ++i) Pixels[i] = Map(Values[i]);
                return;
            }
            constexpr double kShift = 6755399441055744.0;
            const double base = Base, sign = Backwards ? -1.0 : 1.0, limit = Limit, low = -limit;
            const double minimum = Minimum, scale = PixelsPerUnit;
            int atLow = 0;
            for (int i = 0; i < Count; ++i) {
                const double p = base + sign * ((Values[i] - minimum) * scale);
                const double above = p > low ? p : low;
                const double c = above < limit ? above : limit;
                const int pixel = static_cast<int>((c + kShift) - kShift);
                Pixels[i] = pixel;
                atLow |= pixel == -Limit;
            }
            if (atLow)
                for (int i = 0; i < Count; ++i)
                    if (Pixels[i] == -Limit) Pixels[i] = Map(Values[i]);
        }
    };
    TPixelMap PixelMap(bool Horizontal) const;
    double CalcPosPoint(int Value) const;
    int CalcSizeValue(double Value) const;

    // ---- positions
    void InternalCalcPositions();
    void RecalcSizeCenter();
    int ApplyPosition(int APos, const TRect& R) const;
    int GetRectangleEdge(const TRect& R) const;
    int CalcZPos() const;
    int DepthAxisPos() const;
    int DepthAxisAlign() const { return FOtherSide ? TA_LEFT : TA_RIGHT; }
    void CalcRect(TRect& R, bool InflateChartRectangle);
    int InternalCalcSize(TTeeFont* Font, int Angle, const AnsiString& Text, int Size);

    // ---- increments and labels (TChartAxis_labels.cpp)
    double CalcLabelsIncrement(int MaxNumLabels);
    double CalcDateTimeIncrement(int MaxNumLabels) const;
    double CalcXYIncrement(int MaxLabelSize);
    double CalcIncrement();
    double RoundLogPower(double Value) const;
    TAxisLabelStyle CalcLabelStyle() const;
    virtual TAxisLabelStyle InternalCalcLabelStyle() const;
    virtual AnsiString LabelValue(double Value);
    int LabelWidth(double Value) { return InternalLabelSize(Value, true); }
    int LabelHeight(double Value) { return InternalLabelSize(Value, false); }
    int InternalLabelSize(double Value, bool IsWidth);
    int MaxLabelsWidth();
    int SizeLabels();
    // Whether the axis is the index axis of the series (horizontal for a series whose Y
    // values are mandatory).
    bool IsIndexAxisOf(const TChartSeries* Series) const;

    // ---- drawing (TChartAxis_draw.cpp)
    void Draw(bool CalcPosAxis);
    void DrawTitle(int X, int Y);
    void DrawAxisLabel(int X, int Y, int Angle, const AnsiString& St, TTeeCustomShape* Format = nullptr);
    void DrawGrids(int NumTicks);
    void DrawGridLine(int Pos);
    int SizeTickAxis() const;
    void CustomDraw(int APosLabels, int APosTitle, int APosAxis, bool GridVisible);
    void CustomDrawStartEnd(int APosLabels, int APosTitle, int APosAxis, bool GridVisible, int AStartPos, int AEndPos);
    void CustomDrawMinMax(int APosLabels, int APosTitle, int APosAxis, bool GridVisible, double AMinimum,
                          double AMaximum, double AIncrement);
    void CustomDrawMinMaxStartEnd(int APosLabels, int APosTitle, int APosAxis, bool GridVisible, double AMinimum,
                                  double AMaximum, double AIncrement, int AStartPos, int AEndPos);
    TRect AxisRect() const;
    bool Clicked(int X, int Y);

    // ---- state of the current draw
    double InternalMinimum = 0;
    double InternalMaximum = 0;
    double Range = 0;
    bool RangeIsZero = true;
    double PixelsPerUnit = 0;
    double LogMinimum = 0;
    double LogMaximum = 0;
    double LogRange = 0;
    double PixelsPerLogUnit = 0;
    int StartPos = 0;
    int EndPos = 0;
    int AxisSize = 0;
    int CenterPos = 0;
    int PosAxis = 0;
    int PosLabels = 0;
    int PosTitle = 0;
    int ZPos = 0;
    bool DateTimeMode = false;
    bool IsDepthAxis = false;
    bool HideBackGrid = false;
    bool HideSideGrid = false;
    TChartAxis* ScaleMaster = nullptr;
    TNotifyEvent GridHook;
    // Who installed GridHook: only its owner takes it away again.
    const QObject* GridHookOwner = nullptr;
    // Pixel positions of the major ticks of the current draw, in the order they are made.
    std::vector<int> Tick;
    // The active series along this axis while text labels are made.
    TCustomSeriesList SeriesList;

protected:
    void Invalidate();
    // The property setters invalidate the chart when a value changed.
    void PropertyChanged() { Invalidate(); }
    friend class TPropertySetters<TChartAxis>;
    TCanvas3D* Canvas() const;
    bool IsLoading() const;

    IAxisHost* FParentChart = nullptr;

private:
    void Init(TChartCustomAxes* Collection);
    void AddTick(int Pos) { Tick.push_back(Pos); }

    // value-to-pixel operations
    int XPosValue(double Value) const;
    int YPosValue(double Value) const;
    int XPosValueCheck(double Value) const;
    int YPosValueCheck(double Value) const;
    int LogXPosValue(double Value) const;
    int LogYPosValue(double Value) const;
    int DepthPosValue(double Value) const;
    int (TChartAxis::*FCalcXPos)(double) const = &TChartAxis::XPosValueCheck;
    int (TChartAxis::*FCalcYPos)(double) const = &TChartAxis::YPosValueCheck;
    int (TChartAxis::*FCalcPos)(double) const = &TChartAxis::YPosValueCheck;

    // labels
    void DrawLabels();
    void DrawLabelAt(int Pos, const AnsiString& Text, TTeeCustomShape* Format);
    bool LabelValueAt(double Value);
    void DrawDefaultLabels(double Increment, TDateTimeStep Step);
    void DrawLogLabels();
    void DrawPointLabels(TAxisLabelStyle Style);
    void DrawSeriesTitleLabels();
    void DrawExponentLabel(int X, int Y, int Z, const AnsiString& Text);
    void DrawTick(int Pos, int Offset, int Length, int W);
    void DrawAxisLine(int W);
    void DrawMinorMarks(bool Grid);
    int FLabelRow = 0;  // alternating label rows of the current draw
    bool FSettingMinMax = false;

    bool FAutomatic = true;
    bool FAutomaticMaximum = true;
    bool FAutomaticMinimum = true;
    TChartAxisPen* FAxis = nullptr;
    AnsiString FAxisValuesFormat;
    AnsiString FDateTimeFormat;
    bool FExactDateTime = true;
    TAxisGridPen* FGrid = nullptr;
    double FIncrement = 0;
    bool FInverted = false;
    bool FHorizontal = false;
    bool FOtherSide = false;
    TAxisLabelAlign FLabelsAlign = alDefault;
    bool FLabelsAlternate = false;
    int FLabelsAngle = 0;
    bool FLabelsExponent = false;
    bool FLabelsMultiLine = false;
    bool FLabelsOnAxis = true;
    int FLabelsSeparation = 10;
    int FLabelsSize = 0;
    TAxisLabelStyle FLabelStyle = talAuto;
    bool FLogarithmic = false;
    double FLogarithmicBase = 10;
    double FMaximum = 0;
    int FMaximumOffset = 0;
    double FMinimum = 0;
    int FMinimumOffset = 0;
    TChartHiddenPen* FMinorGrid = nullptr;
    int FMinorTickCount = 3;
    int FMinorTickLength = 2;
    TDarkGrayPen* FMinorTicks = nullptr;
    double FStartPosition = 0;
    double FEndPosition = 100;
    double FPositionPercent = 0;
    TTeeUnits FPositionUnits = muPercent;
    bool FRoundFirstLabel = true;
    int FTickInnerLength = 0;
    int FTickLength = 4;
    TDarkGrayPen* FTicks = nullptr;
    TDarkGrayPen* FTicksInner = nullptr;
    bool FTickOnLabelsOnly = true;
    TChartAxisTitle* FTitle = nullptr;
    int FTitleSize = 0;
    bool FVisible = true;
    double FZPosition = 0;
    TAxisItems* FItems = nullptr;
};

// The axis along the depth of a 3D chart.
class TChartDepthAxis : public TChartAxis {
    Q_OBJECT
public:
    explicit TChartDepthAxis(TChartCustomAxes* Collection);
    // Sets the flag here and on the other depth axis (without notification).
    void SetInverted(bool Value) override;
    // Value labels when a series has a depth of its own, else the series titles.
    TAxisLabelStyle InternalCalcLabelStyle() const override;
};
