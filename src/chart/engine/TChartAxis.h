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
    void SetCaption(const AnsiString& value) { SetProperty(FCaption, value); }
    // The angle the chart gave the title; Angle is stored only when it differs.
    int DefaultAngle = 0;
    void SetDefaultAngle(int value) { DefaultAngle = FAngle = value; }

    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

private:
    int FAngle = 0;
    AnsiString FCaption;
};

// The axis's own stored values with their defaults (the pens, title and items are objects of
// their own; the value format starts as the current default format).
struct TAxisSettings {
    bool Automatic = true;
    bool AutomaticMaximum = true;
    bool AutomaticMinimum = true;
    AnsiString AxisValuesFormat;
    AnsiString DateTimeFormat;
    bool ExactDateTime = true;
    double Increment = 0;
    bool Inverted = false;
    bool Horizontal = false;
    bool OtherSide = false;
    TAxisLabelAlign LabelsAlign = alDefault;
    bool LabelsAlternate = false;
    int LabelsAngle = 0;
    bool LabelsExponent = false;
    bool LabelsMultiLine = false;
    bool LabelsOnAxis = true;
    int LabelsSeparation = 10;
    int LabelsSize = 0;
    TAxisLabelStyle LabelStyle = talAuto;
    bool Logarithmic = false;
    double LogarithmicBase = 10;
    double Maximum = 0;
    int MaximumOffset = 0;
    double Minimum = 0;
    int MinimumOffset = 0;
    int MinorTickCount = 3;
    int MinorTickLength = 2;
    double StartPosition = 0;
    double EndPosition = 100;
    double PositionPercent = 0;
    TTeeUnits PositionUnits = muPercent;
    bool RoundFirstLabel = true;
    int TickInnerLength = 0;
    int TickLength = 4;
    bool TickOnLabelsOnly = true;
    int TitleSize = 0;
    bool Visible = true;
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
    bool GetAutomatic() const { return FSettings.Automatic; }
    void SetAutomatic(bool Value);
    bool GetAutomaticMaximum() const { return FSettings.AutomaticMaximum; }
    void SetAutomaticMaximum(bool Value);
    bool GetAutomaticMinimum() const { return FSettings.AutomaticMinimum; }
    void SetAutomaticMinimum(bool Value);
    TChartAxisPen* GetAxis() const { return FAxis; }
    void SetAxis(TChartAxisPen* Value) { FAxis->Assign(Value); }
    const AnsiString& GetAxisValuesFormat() const { return FSettings.AxisValuesFormat; }
    void SetAxisValuesFormat(const AnsiString& Value) { SetStringProperty(FSettings.AxisValuesFormat, Value); }
    const AnsiString& GetDateTimeFormat() const { return FSettings.DateTimeFormat; }
    void SetDateTimeFormat(const AnsiString& Value) { SetStringProperty(FSettings.DateTimeFormat, Value); }
    bool GetExactDateTime() const { return FSettings.ExactDateTime; }
    void SetExactDateTime(bool Value) { SetBooleanProperty(FSettings.ExactDateTime, Value); }
    TAxisGridPen* GetGrid() const { return FGrid; }
    void SetGrid(TAxisGridPen* Value) { FGrid->Assign(Value); }
    bool GetGridCentered() const { return FGrid->GetCentered(); }
    void SetGridCentered(bool Value) { FGrid->SetCentered(Value); }
    double GetIncrement() const { return FSettings.Increment; }
    void SetDesiredIncrement(double Value);
    bool GetInverted() const { return FSettings.Inverted; }
    virtual void SetInverted(bool Value);
    void InternalSetInverted(bool Value) { FSettings.Inverted = Value; }
    bool GetHorizontal() const { return FSettings.Horizontal; }
    void SetHorizontal(bool Value);
    bool GetOtherSide() const { return FSettings.OtherSide; }
    void SetOtherSide(bool Value) { SetBooleanProperty(FSettings.OtherSide, Value); }
    bool GetLabels() const { return FItems->Format()->GetVisible(); }
    void SetLabels(bool Value) { FItems->Format()->SetVisible(Value); }
    TAxisLabelAlign GetLabelsAlign() const { return FSettings.LabelsAlign; }
    void SetLabelsAlign(TAxisLabelAlign Value) { SetProperty(FSettings.LabelsAlign, Value); }
    bool GetLabelsAlternate() const { return FSettings.LabelsAlternate; }
    void SetLabelsAlternate(bool Value) { SetBooleanProperty(FSettings.LabelsAlternate, Value); }
    int GetLabelsAngle() const { return FSettings.LabelsAngle; }
    void SetLabelsAngle(int Value);
    bool GetLabelsExponent() const { return FSettings.LabelsExponent; }
    void SetLabelsExponent(bool Value) { SetBooleanProperty(FSettings.LabelsExponent, Value); }
    TTeeFont* GetLabelsFont() const { return FItems->Format()->GetFont(); }
    void SetLabelsFont(TTeeFont* Value) { FItems->Format()->SetFont(Value); }
    bool GetLabelsMultiLine() const { return FSettings.LabelsMultiLine; }
    void SetLabelsMultiLine(bool Value) { SetBooleanProperty(FSettings.LabelsMultiLine, Value); }
    bool GetLabelsOnAxis() const { return FSettings.LabelsOnAxis; }
    void SetLabelsOnAxis(bool Value) { SetBooleanProperty(FSettings.LabelsOnAxis, Value); }
    int GetLabelsSeparation() const { return FSettings.LabelsSeparation; }
    void SetLabelsSeparation(int Value);
    int GetLabelsSize() const { return FSettings.LabelsSize; }
    void SetLabelsSize(int Value) { SetIntegerProperty(FSettings.LabelsSize, Value); }
    TAxisLabelStyle GetLabelStyle() const { return FSettings.LabelStyle; }
    void SetLabelStyle(TAxisLabelStyle Value) { SetProperty(FSettings.LabelStyle, Value); }
    bool GetLogarithmic() const { return FSettings.Logarithmic; }
    void SetLogarithmic(bool Value);
    double GetLogarithmicBase() const { return FSettings.LogarithmicBase; }
    void SetLogarithmicBase(double Value);
    double GetMaximum() const { return FSettings.Maximum; }
    void SetMaximum(double Value);
    int GetMaximumOffset() const { return FSettings.MaximumOffset; }
    void SetMaximumOffset(int Value) { SetIntegerProperty(FSettings.MaximumOffset, Value); }
    double GetMinimum() const { return FSettings.Minimum; }
    void SetMinimum(double Value);
    int GetMinimumOffset() const { return FSettings.MinimumOffset; }
    void SetMinimumOffset(int Value) { SetIntegerProperty(FSettings.MinimumOffset, Value); }
    TChartHiddenPen* GetMinorGrid() const { return FMinorGrid; }
    void SetMinorGrid(TChartHiddenPen* Value) { FMinorGrid->Assign(Value); }
    int GetMinorTickCount() const { return FSettings.MinorTickCount; }
    void SetMinorTickCount(int Value) { SetIntegerProperty(FSettings.MinorTickCount, Value); }
    int GetMinorTickLength() const { return FSettings.MinorTickLength; }
    void SetMinorTickLength(int Value) { SetIntegerProperty(FSettings.MinorTickLength, Value); }
    TDarkGrayPen* GetMinorTicks() const { return FMinorTicks; }
    void SetMinorTicks(TDarkGrayPen* Value) { FMinorTicks->Assign(Value); }
    double GetStartPosition() const { return FSettings.StartPosition; }
    void SetStartPosition(double Value) { SetDoubleProperty(FSettings.StartPosition, Value); }
    double GetEndPosition() const { return FSettings.EndPosition; }
    void SetEndPosition(double Value) { SetDoubleProperty(FSettings.EndPosition, Value); }
    double GetPositionPercent() const { return FSettings.PositionPercent; }
    void SetPositionPercent(double Value) { SetDoubleProperty(FSettings.PositionPercent, Value); }
    TTeeUnits GetPositionUnits() const { return FSettings.PositionUnits; }
    void SetPosUnits(TTeeUnits Value) { SetProperty(FSettings.PositionUnits, Value); }
    bool GetRoundFirstLabel() const { return FSettings.RoundFirstLabel; }
    void SetRoundFirstLabel(bool Value) { SetBooleanProperty(FSettings.RoundFirstLabel, Value); }
    int GetTickInnerLength() const { return FSettings.TickInnerLength; }
    void SetTickInnerLength(int Value) { SetIntegerProperty(FSettings.TickInnerLength, Value); }
    int GetTickLength() const { return FSettings.TickLength; }
    void SetTickLength(int Value) { SetIntegerProperty(FSettings.TickLength, Value); }
    TDarkGrayPen* GetTicks() const { return FTicks; }
    void SetTicks(TDarkGrayPen* Value) { FTicks->Assign(Value); }
    TDarkGrayPen* GetTicksInner() const { return FTicksInner; }
    void SetTicksInner(TDarkGrayPen* Value) { FTicksInner->Assign(Value); }
    bool GetTickOnLabelsOnly() const { return FSettings.TickOnLabelsOnly; }
    void SetTickOnLabelsOnly(bool Value) { SetBooleanProperty(FSettings.TickOnLabelsOnly, Value); }
    TChartAxisTitle* GetTitle() const { return FTitle; }
    void SetAxisTitle(TChartAxisTitle* Value) { FTitle->Assign(Value); }
    int GetTitleSize() const { return FSettings.TitleSize; }
    void SetTitleSize(int Value) { SetIntegerProperty(FSettings.TitleSize, Value); }
    bool GetVisible() const { return FSettings.Visible; }
    void SetVisible(bool Value) { SetBooleanProperty(FSettings.Visible, Value); }
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
    void InternalSetMinimum(double Value) { SetDoubleProperty(FSettings.Minimum, Value); }
    void InternalSetMaximum(double Value) { SetDoubleProperty(FSettings.Maximum, Value); }
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
    int DepthAxisAlign() const { return FSettings.OtherSide ? TA_LEFT : TA_RIGHT; }
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
    // Sets one end's automatic flag; Automatic follows: off with either end, on with both.
    void SetAutomaticEnd(bool& End, bool OtherEnd, bool Value);
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

    TAxisSettings FSettings;
    TChartAxisPen* FAxis = nullptr;
    TAxisGridPen* FGrid = nullptr;
    TChartHiddenPen* FMinorGrid = nullptr;
    TDarkGrayPen* FMinorTicks = nullptr;
    TDarkGrayPen* FTicks = nullptr;
    TDarkGrayPen* FTicksInner = nullptr;
    TChartAxisTitle* FTitle = nullptr;
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
