#pragma once
// The chart without titles, legend and walls: it owns the series list, the six standard
// axes and the custom axes, the tools, the 3D depth settings and paging, and draws a
// chart in its fixed order (InternalDraw). It is the host that series, axes and tools
// talk to. Derived charts fill in the walls, titles and legend steps.
#include <functional>
#include <memory>
#include <vector>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TCustomTeePanelExtended.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TTeeCustomTool.h"

class TChartSeries;
class TChartSeriesList;

// Sent through the panel's listeners after the page changed.
class TChartChangePage : public TTeeEvent {};

// A series was added, removed, renamed, recoloured, swapped, switched or changed its data.
class TTeeSeriesEvent : public TTeeEvent {
public:
    TChartSeriesEvent Event = seAdd;
    TCustomChartSeries* Series = nullptr;
};

using TChartSeriesClassFactory = std::function<TChartSeries*(QObject* Owner)>;

// The chart's own stored values with their defaults.
struct TAxisPanelSettings {
    int Chart3DPercent = 15;
    bool AxisBehind = true;
    bool AxisVisible = true;
    bool ClipPoints = true;
    bool View3DWalls = true;
    bool ScaleLastPage = true;
    int MaxPointsPerPage = 0;
    int Page = 1;
};

class TCustomAxisPanel : public TCustomTeePanelExtended, public ISeriesHost {
    Q_OBJECT
    Q_PROPERTY(int Chart3DPercent READ GetChart3DPercent WRITE Set3DPercent)
    Q_PROPERTY(bool AxisBehind READ GetAxisBehind WRITE SetAxisBehind)
    Q_PROPERTY(bool AxisVisible READ GetAxisVisible WRITE SetAxisVisible)
    Q_PROPERTY(bool ClipPoints READ GetClipPoints WRITE SetClipPoints)
    Q_PROPERTY(bool View3DWalls READ GetView3DWalls WRITE SetView3DWalls)
    Q_PROPERTY(int MaxPointsPerPage READ GetMaxPointsPerPage WRITE SetMaxPointsPerPage)
    Q_PROPERTY(int Page READ GetPage WRITE SetPage)
    Q_PROPERTY(bool ScaleLastPage READ GetScaleLastPage WRITE SetScaleLastPage)
    Q_PROPERTY(TChartAxis* BottomAxis READ BottomAxis WRITE SetBottomAxis)
    Q_PROPERTY(TChartAxis* TopAxis READ TopAxis WRITE SetTopAxis)
    Q_PROPERTY(TChartAxis* LeftAxis READ LeftAxis WRITE SetLeftAxis)
    Q_PROPERTY(TChartAxis* RightAxis READ RightAxis WRITE SetRightAxis)
    Q_PROPERTY(TChartAxis* DepthAxis READ DepthAxis WRITE SetDepthAxis)
    Q_PROPERTY(TChartAxis* DepthTopAxis READ DepthTopAxis WRITE SetDepthTopAxis)
    // Stored only when they have items.
    Q_PROPERTY(TChartCustomAxes* CustomAxes READ GetCustomAxes WRITE SetCustomAxes)
    Q_PROPERTY(TSeriesGroups* SeriesGroups READ GetSeriesGroups WRITE SetSeriesGroups)
public:
    explicit TCustomAxisPanel(QWidget* parent = nullptr);
    ~TCustomAxisPanel() override;

    // ---- virtual operations of the axis panel, in their order
    // Sizes the 3D depth and reserves the walls' room in ChartRect.
    virtual void CalcWallsRect() = 0;
    virtual int CalcWallSize(TChartAxis* Axis) override = 0;
    virtual void DoOnAfterDraw();
    virtual void DoOnBeforeDrawAxes();
    virtual void DoOnBeforeDrawChart();
    virtual void DoOnBeforeDrawSeries();
    virtual void DrawTitlesAndLegend(bool BeforeSeries) = 0;
    // Whether the back plane at depth Z faces the viewer (then it is drawn after the series).
    virtual bool DrawBackWallAfter(int Z);
    virtual void DrawWalls() = 0;
    void CheckDatasource(TChartSeries* Series) override;
    AnsiString FormattedValueLegend(TChartSeries* Series, int ValueIndex) override;
    virtual bool IsFreeSeriesColor(TColor Color, bool CheckBackground, TChartSeries* Series) = 0;

    void InternalDraw(const TRect& UserRect) override;

    // ---- series
    int SeriesCount() const;
    TChartSeries* GetSeries(int Index) const;
    TChartSeries* operator[](int Index) const { return GetSeries(Index); }
    int CountActiveSeries() override;
    int GetMaxValuesCount() const;
    TChartSeries* AddSeries(TChartSeries* Series);
    // A new series made by Factory, owned by the panel's owner (the panel without one).
    TChartSeries* AddSeries(const TChartSeriesClassFactory& Factory);
    void InternalAddSeries(TCustomChartSeries* Series) override;
    void RemoveSeries(TCustomChartSeries* Series) override;
    void RemoveSeries(int Index);
    // Frees every series, or those for which Which answers true.
    void FreeAllSeries(const std::function<bool(TChartSeries*)>& Which = {});
    void ExchangeSeries(int A, int B);
    void ExchangeSeries(TChartSeries* A, TChartSeries* B);
    void BroadcastSeriesEvent(TCustomChartSeries* Series, TChartSeriesEvent Event) override;
    void BroadcastToolEvent(TChartToolEvent Event);
    bool CheckMouseSeries(int X, int Y);
    // The panel's handling, then the tools hear cteMouseLeave.
    void MouseLeave() override;
    TChartSeries* SeriesLegend(int ItemIndex, bool OnlyActive);
    TChartSeries* ActiveSeriesLegend(int ItemIndex) { return SeriesLegend(ItemIndex, true); }
    AnsiString SeriesTitleLegend(int ItemIndex, bool OnlyActive) override;
    int MaxTextWidth() override;
    int MaxMarkWidth() override;
    int MultiLineTextWidth(const AnsiString& S, int& NumLines) override;
    TChartSeriesList* SeriesList() override { return FSeriesList.get(); }
    TChartTools* Tools() override { return FTools.get(); }
    // The series groups of the series list.
    TSeriesGroups* GetSeriesGroups();
    void SetSeriesGroups(TSeriesGroups* Value);

    // ---- axes
    TChartAxes* Axes() override { return FAxes.get(); }
    TChartCustomAxes* GetCustomAxes() override { return FCustomAxes.get(); }
    // The custom axes become copies of the given ones.
    void SetCustomAxes(TChartCustomAxes* Value);
    TChartAxis* TopAxis() override { return FAxes ? FAxes->TopAxis() : nullptr; }
    TChartAxis* BottomAxis() override { return FAxes ? FAxes->BottomAxis() : nullptr; }
    TChartAxis* LeftAxis() override { return FAxes ? FAxes->LeftAxis() : nullptr; }
    TChartAxis* RightAxis() override { return FAxes ? FAxes->RightAxis() : nullptr; }
    TChartAxis* DepthAxis() { return FAxes ? FAxes->DepthAxis() : nullptr; }
    TChartAxis* DepthTopAxis() { return FAxes ? FAxes->DepthTopAxis() : nullptr; }
    void SetTopAxis(TChartAxis* Value) { TopAxis()->Assign(Value); }
    void SetBottomAxis(TChartAxis* Value) { BottomAxis()->Assign(Value); }
    void SetLeftAxis(TChartAxis* Value) { LeftAxis()->Assign(Value); }
    void SetRightAxis(TChartAxis* Value) { RightAxis()->Assign(Value); }
    void SetDepthAxis(TChartAxis* Value) { DepthAxis()->Assign(Value); }
    void SetDepthTopAxis(TChartAxis* Value) { DepthTopAxis()->Assign(Value); }
    int CustomAxisIndex(const TChartAxis* Axis) const override;
    TChartAxis* CustomAxis(int Index) override;
    bool IsAxisVisible(TChartAxis* Axis) override;
    bool CalcIsAxisVisible(TChartAxis* Axis);
    bool NoActiveSeries(const TChartAxis* Axis) const;
    TChartSeries* GetAxisSeries(const TChartAxis* Axis) const;
    TChartSeries* GetAxisSeriesMaxPoints(const TChartAxis* Axis) const;
    double InternalMinMax(TChartAxis* Axis, bool IsMin, bool IsX) override;
    double MinXValue(TChartAxis* Axis) { return InternalMinMax(Axis, true, true); }
    double MaxXValue(TChartAxis* Axis) { return InternalMinMax(Axis, false, true); }
    double MinYValue(TChartAxis* Axis) { return InternalMinMax(Axis, true, false); }
    double MaxYValue(TChartAxis* Axis) { return InternalMinMax(Axis, false, false); }
    AnsiString AxisLabelText(TChartAxis* Axis, double Value) override;
    TAxisOnGetLabel& OnGetAxisLabelEvent() override { return OnGetAxisLabel; }
    TAxisOnGetNextLabel& OnGetNextAxisLabelEvent() override { return OnGetNextAxisLabel; }

    // ---- settings
    int GetChart3DPercent() const { return FSettings.Chart3DPercent; }
    void Set3DPercent(int Value);
    bool GetAxisBehind() const override { return FSettings.AxisBehind; }
    void SetAxisBehind(bool Value) override { SetBooleanProperty(FSettings.AxisBehind, Value); }
    bool GetAxisVisible() const override { return FSettings.AxisVisible; }
    void SetAxisVisible(bool Value) override { SetBooleanProperty(FSettings.AxisVisible, Value); }
    bool GetClipPoints() const { return FSettings.ClipPoints; }
    void SetClipPoints(bool Value) { SetBooleanProperty(FSettings.ClipPoints, Value); }
    bool GetView3DWalls() const { return FSettings.View3DWalls; }
    void SetView3DWalls(bool Value) { SetBooleanProperty(FSettings.View3DWalls, Value); }
    bool GetScaleLastPage() const { return FSettings.ScaleLastPage; }
    void SetScaleLastPage(bool Value) { SetBooleanProperty(FSettings.ScaleLastPage, Value); }
    int GetMaxPointsPerPage() const override { return FSettings.MaxPointsPerPage; }
    void SetMaxPointsPerPage(int Value);
    int GetPage() const override { return FSettings.Page; }
    void SetPage(int Value);
    int NumPages();
    void PrintPages(int FromPage = 0, int ToPage = 0);

    // ---- colours
    TColor GetDefaultColor(int Index) override;
    TColor GetFreeSeriesColor(bool CheckBackground, TChartSeries* Series) override;
    void ColorPaletteChanged();
    // The chart's own palette; empty uses the global one.
    std::vector<TColor> ColorPalette;

    // ---- data sources
    void CheckOtherSeries(TChartSeries* Dest, TChartSeries* Source);
    bool IsValidDataSource(TChartSeries* Series, QObject* Component) override;
    void RemovedDataSource(TChartSeries* Series, QObject* Component) override;

    void Assign(QObject* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // ---- the host interfaces over the panel's own state
    void Invalidate() override { TCustomTeePanelExtended::Invalidate(); }
    TTeeCustomDesigner* Designer() const override { return nullptr; }
    bool IsDestroying() const override { return FDestroying; }
    bool IsLoading() const override { return Loading; }
    TCustomTeePanel* GetPanel() override { return this; }
    TCanvas3D* GetCanvas() override { return FCanvas.get(); }
    TCanvas3D* GetCanvas() const { return FCanvas.get(); }
    TRect GetChartRect() const override { return ChartRect; }
    int GetChartWidth() const override { return ChartWidth; }
    int GetChartHeight() const override { return ChartHeight; }
    int GetWidth3D() const override { return Width3D; }
    bool GetView3D() const override { return FView3D; }
    TView3DOptions* GetView3DOptions() override { return FView3DOptions; }
    TView3DOptions* GetView3DOptions() const { return FView3DOptions; }
    int GetMaxZOrder() const override { return MaxZOrder; }
    void SetMaxZOrder(int Value) override { MaxZOrder = Value; }
    int GetSeriesWidth3D() const override { return SeriesWidth3D; }
    bool GetInvertedRotation() const override { return InvertedRotation; }
    bool GetApplyZOrder() const override { return ApplyZOrder; }
    bool GetAutoRepaint() const override { return AutoRepaint; }
    void SetAutoRepaint(bool Value) override { AutoRepaint = Value; }
    TColor GetBackColor() override { return TCustomTeePanelExtended::GetBackColor(); }
    void SetBrushCanvas(TColor AColor, TChartBrush* ABrush, TColor ABackColor) override
    {
        TCustomTeePanel::SetBrushCanvas(AColor, ABrush, ABackColor);
    }
    TColor GetLegendColor() override { return clDefault; }
    TChartPen* GetLegendSymbolPen() override { return nullptr; }
    TPoint GetCursorPos() override { return TCustomPanel::GetCursorPos(); }
    int GetChartCursor() const override { return GetCursor(); }
    void SetChartCursor(int Cursor) override { SetCursor(Cursor); }
    int GetOriginalCursor() const override { return SavedCursor; }

    // ---- state of the current draw
    int MaxZOrder = 0;
    int SeriesWidth3D = 0;
    int SeriesHeight3D = 0;
    bool InvertedRotation = false;

    TAxisOnGetLabel OnGetAxisLabel;
    TAxisOnGetNextLabel OnGetNextAxisLabel;
    TNotifyEvent OnPageChange;
    TNotifyEvent OnBeforeDrawChart;
    TNotifyEvent OnBeforeDrawAxes;
    TNotifyEvent OnBeforeDrawSeries;

protected:
    void CalcSize3DWalls();
    void CalcInvertedRotation();
    void DrawAxes();
    void DrawSeries();
    void DrawSeriesGroup(TChartSeries* First);
    void DrawMarksOf(TChartSeries* Series);
    // Clips to the chart rectangle when the canvas may clip; whether it did.
    bool ClipSeriesRect();
    void BroadcastChangePage();

private:
    TAxisPanelSettings FSettings;
    std::unique_ptr<TChartSeriesList> FSeriesList;
    std::unique_ptr<TChartTools> FTools;
    std::unique_ptr<TChartCustomAxes> FCustomAxes;
    std::unique_ptr<TChartAxes> FAxes;
};
