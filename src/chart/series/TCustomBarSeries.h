#pragma once
// The common base of vertical and horizontal bars: bar style, width rule, the side-by-side
// and stacked arrangements of the bar series of one class in a chart, the origin the bars
// grow from, the depth share in 3D, gradient, bevel, transparency, tick lines, marks length,
// and the positions, drawing and hit test of the bars of either orientation. Bars stand side
// by side along the key axis and grow along the value axis: the key axis of vertical bars
// is the horizontal one. The orientations add their marks and what they do differently.
#include <cstdint>
#include <functional>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TeeGradient.h"
#include "chart/series/BarEnums.h"

class TCanvas3D;
class TChartAxis;
class TTeeBlend;

// Gradient of the bars; Relative scales the end colour by the bar's value.
class TBarSeriesGradient : public TCustomTeeGradient {
    Q_OBJECT
    Q_PROPERTY(bool Relative READ GetRelative WRITE SetRelative)
public:
    explicit TBarSeriesGradient(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;
    bool GetRelative() const { return FRelative; }
    void SetRelative(bool value);

private:
    bool FRelative = false;
};

// The stored bar values that Assign copies, with their defaults. AutoBarSize and
// ConePercent stay with each series and are not copied.
struct TBarSettings {
    bool AutoMarkPosition = true;
    TBarStyle BarStyle = bsRectangle;
    int BarWidthPercent = 70;
    int BevelSize = 1;
    int CustomBarSize = 0;
    bool Dark3D = true;
    int DepthPercent = 100;
    TMultiBar MultiBar = mbSide;
    int OffsetPercent = 0;
    bool SideMargins = true;
    int StackGroup = 0;
    std::uint8_t Transparency = 0;
    bool UseYOrigin = true;
    double YOrigin = 0;
};

class TCustomBarSeries : public TChartSeries {
    Q_OBJECT
    Q_PROPERTY(bool AutoBarSize READ GetAutoBarSize WRITE SetAutoBarSize)
    Q_PROPERTY(bool AutoMarkPosition READ GetAutoMarkPosition WRITE SetAutoMarkPosition)
    Q_PROPERTY(TChartBrush* BarBrush READ Brush WRITE SetBrush)
    Q_PROPERTY(TChartPen* BarPen READ Pen WRITE SetPen)
    Q_PROPERTY(BarEnums::TBarStyle BarStyle READ GetBarStyleValue WRITE SetBarStyle)
    Q_PROPERTY(int BarWidthPercent READ GetBarWidthPercent WRITE SetBarWidthPercent)
    Q_PROPERTY(int BevelSize READ GetBevelSize WRITE SetBevelSize)
    Q_PROPERTY(bool Dark3D READ GetDark3D WRITE SetDark3D)
    Q_PROPERTY(int DepthPercent READ GetDepthPercent WRITE SetDepthPercent)
    Q_PROPERTY(TBarSeriesGradient* Gradient READ GetGradient WRITE SetGradient)
    Q_PROPERTY(BarEnums::TMultiBar MultiBar READ GetMultiBar WRITE SetMultiBar)
    Q_PROPERTY(int OffsetPercent READ GetOffsetPercent WRITE SetOffsetPercent)
    Q_PROPERTY(bool SideMargins READ GetSideMargins WRITE SetSideMargins)
    Q_PROPERTY(int StackGroup READ GetStackGroup WRITE SetStackGroup)
    Q_PROPERTY(TChartHiddenPen* TickLines READ GetTickLines WRITE SetTickLines)
    Q_PROPERTY(bool UseYOrigin READ GetUseYOrigin WRITE SetUseYOrigin)
    Q_PROPERTY(double YOrigin READ GetYOrigin WRITE SetYOrigin)

public:
    explicit TCustomBarSeries(QObject* owner = nullptr);
    ~TCustomBarSeries() override;

    // ---- overrides of the series base
    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    bool IsPropertyStored(const char* Name) const override;
    AnsiString GetEditorClass() const override { return "TBarSeriesEditor"; }
    void SetParentChart(IChartHost* value) override;
    void DoBeforeDrawChart() override;
    void CalcFirstLastVisibleIndex() override;
    void CalcZOrder() override;
    void CalcDepthPositions() override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    void PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;
    void PrepareForGallery(bool enabled) override;
    int NumSampleValues() const override;
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;

    // ---- the bars of either orientation
    int CalcXPos(int valueIndex) const override;
    int CalcYPos(int valueIndex) const override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MinXValue() override;
    double MinYValue() override;
    void CalcHorizMargins(int& leftMargin, int& rightMargin) override;
    void CalcVerticalMargins(int& topMargin, int& bottomMargin) override;
    void DrawValue(int valueIndex) override;
    bool DrawSeriesForward(int valueIndex) const override;
    // One bar in BarRect, from startPos to endPos along the value axis (screen order).
    virtual void DrawBar(int valueIndex, int startPos, int endPos);
    virtual bool InternalClicked(int valueIndex, const TPoint& p);
    // A tick line across the bar in BarRect at `pos` along the value axis.
    virtual void DrawTickLine(int pos, TBarStyle style);
    // The screen position on the value axis the bar of a point grows from.
    int GetOriginPos(int valueIndex) const;
    // BarRect of a point: its key-axis edges and its value-axis ends.
    void CalcBarBounds(int valueIndex);

    // ---- operations the orientations supply
    virtual int InternalCalcMarkLength(int) { return 0; }
    virtual bool SubGalleryStack() const { return true; }
    // The value a bar starts from: the stack below it, the own values before it, or YOrigin.
    virtual double PointOrigin(int valueIndex, bool sumAll) const;

    // ---- layout and drawing helpers
    int AddBar(double value, const AnsiString& label = AnsiString(), TColor color = clDefault)
    {
        return Add(value, label, color);
    }
    int BarMargin() const;
    int ApplyBarOffset(int position) const;
    void InternalApplyBarMargin(int& marginA, int& marginB);
    int CalcMarkLength(int valueIndex);
    int InternalGetOriginPos(int valueIndex, int defaultOrigin) const;
    double MaxMandatoryValue(double value) const;
    double MinMandatoryValue(double value) const;
    TBarStyle GetBarStyle(int valueIndex);
    void SetPenBrushBar(TColor color);
    void BarRectangle(TColor color, int left, int top, int right, int bottom);
    void BarGradient(int valueIndex, const TRect& rect);
    void CalcGradientColor(int valueIndex);
    TTeeBlend* CreateBlend();
    void DrawBevel();
    void DrawTickLines(int startPos, int endPos, TBarStyle style);

    // ---- properties
    bool GetAutoBarSize() const { return FAutoBarSize; }
    void SetAutoBarSize(bool value) { SetBooleanProperty(FAutoBarSize, value); }
    bool GetAutoMarkPosition() const { return FSettings.AutoMarkPosition; }
    void SetAutoMarkPosition(bool value) { SetBooleanProperty(FSettings.AutoMarkPosition, value); }
    TBarStyle GetBarStyleValue() const { return FSettings.BarStyle; }
    void SetBarStyle(TBarStyle value) { SetProperty(FSettings.BarStyle, value); }
    int GetBarWidthPercent() const { return FSettings.BarWidthPercent; }
    void SetBarWidthPercent(int value) { SetIntegerProperty(FSettings.BarWidthPercent, value); }
    int GetBevelSize() const { return FSettings.BevelSize; }
    void SetBevelSize(int value) { SetIntegerProperty(FSettings.BevelSize, value); }
    int GetConePercent() const { return FConePercent; }
    void SetConePercent(int value) { SetIntegerProperty(FConePercent, value); }
    bool GetDark3D() const { return FSettings.Dark3D; }
    void SetDark3D(bool value) { SetBooleanProperty(FSettings.Dark3D, value); }
    int GetDepthPercent() const { return FSettings.DepthPercent; }
    void SetDepthPercent(int value) { SetIntegerProperty(FSettings.DepthPercent, value); }
    TBarSeriesGradient* GetGradient() const { return FGradient; }
    void SetGradient(TBarSeriesGradient* value) { FGradient->Assign(value); }
    TMultiBar GetMultiBar() const { return FSettings.MultiBar; }
    void SetMultiBar(TMultiBar value);
    int GetOffsetPercent() const { return FSettings.OffsetPercent; }
    void SetOffsetPercent(int value) { SetIntegerProperty(FSettings.OffsetPercent, value); }
    bool GetSideMargins() const { return FSettings.SideMargins; }
    void SetSideMargins(bool value);
    int GetStackGroup() const { return FSettings.StackGroup; }
    void SetStackGroup(int value) { SetIntegerProperty(FSettings.StackGroup, value); }
    TChartHiddenPen* GetTickLines() const { return FTickLines; }
    void SetTickLines(TChartHiddenPen* value) { FTickLines->Assign(value); }
    std::uint8_t GetTransparency() const { return FSettings.Transparency; }
    void SetTransparency(std::uint8_t value) { SetProperty(FSettings.Transparency, value); }
    bool GetUseYOrigin() const { return FSettings.UseYOrigin; }
    void SetUseYOrigin(bool value) { SetBooleanProperty(FSettings.UseYOrigin, value); }
    double GetYOrigin() const { return FSettings.YOrigin; }
    void SetYOrigin(double value) { SetDoubleProperty(FSettings.YOrigin, value); }
    int GetCustomBarSize() const { return FSettings.CustomBarSize; }
    void SetCustomBarSize(int value) { SetIntegerProperty(FSettings.CustomBarSize, value); }

    std::function<void(TCustomBarSeries*, int valueIndex, TBarStyle& style)> OnGetBarStyle;

    // ---- working fields of the current drawing
    int BarSlotCount = 0;
    int BarPointCount = -1;
    int BarSlot = 1;
    int PointsBefore = 0;
    TRect BarRect;
    int BarSize = 0;
    TColor BarColor = clDefault;

protected:
    // Where horizontal bars have always done otherwise than the vertical ones turned on their
    // side. Each is kept on purpose: charts drawn and files saved with them must look and
    // behave as they always have. The vertical bars keep every flag off.
    struct TOrientationQuirks {
        // A bar without pen that reaches back past its origin grows by a pixel at both ends,
        // not only at its larger end.
        bool ReversedBarGrowsBothEnds = false;
        // In 2D, inverted pyramids and cones point the same way as upright ones.
        bool FlatShapesIgnoreInversion = false;
        // The mark margin for bars below the origin goes to the axis's low screen side
        // even when the value axis is inverted.
        bool BelowOriginMarginIgnoresInversion = false;
        // A mark length of zero or less still goes into the margins.
        bool MarginsTakeAnyMarkLength = false;
        // Stacked bars choose their drawing order by the value's sign, not by the origin.
        bool StackOrderFromZero = false;
        // Side-by-side bars are drawn back to front whatever the chart's rotation.
        bool SideBarsDrawnBackward = false;
    };
    TOrientationQuirks FQuirks;

    bool Is3D() const;
    // The axis along which bars stand side by side (the key axis).
    TChartAxis* BarAxis() const { return FYMandatory ? FGetHorizAxis : FGetVertAxis; }
    // A bar's screen position on the key axis (its edge) and on the value axis (its end).
    int KeyPos(int valueIndex) const { return FYMandatory ? CalcXPos(valueIndex) : CalcYPos(valueIndex); }
    int ValuePos(int valueIndex) const { return FYMandatory ? CalcYPos(valueIndex) : CalcXPos(valueIndex); }
    // A point given as (key, value) screen positions, and a rectangle spanning the bar's
    // key edges in BarRect and the value positions a..b.
    TPoint BarPoint(int key, int value) const { return FYMandatory ? TPoint(key, value) : TPoint(value, key); }
    TRect BarBox(int valueA, int valueB) const
    {
        return FYMandatory ? TRect(BarRect.Left, valueA, BarRect.Right, valueB)
                           : TRect(valueA, BarRect.Top, valueB, BarRect.Bottom);
    }
    // Position of this series in the chart's list (self-stacked series stand in columns).
    int SeriesIndexInChart() const;
    // The value-end position along the mandatory axis for stacked arrangements.
    int StackedValuePos(int valueIndex) const;
    // The bar-axis edge position of a bar from the base position of the point.
    int BarAxisPos(int valueIndex, int basePos) const;

    TBarSettings FSettings;
    bool FAutoBarSize = false;
    int FConePercent = 0;
    TBarSeriesGradient* FGradient = nullptr;
    TChartHiddenPen* FTickLines = nullptr;

private:
    void SetOtherBars(bool setOthers);
    bool IsStacked() const;
    // The key axis's limit where the arrangement sets it; false where the values set it.
    bool KeyLimit(bool maximum, double& value);
    // An axis limit of the bars from the limit of the values themselves.
    double AxisLimit(bool keyAxis, bool maximum, double plain);
    // The marks' room beyond the bars: lowSide is the value axis's low screen end when the
    // axis is not inverted (bottom, or left).
    void AddValueMargins(int& lowSide, int& highSide);
};
