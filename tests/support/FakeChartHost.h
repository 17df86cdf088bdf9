#pragma once
// A chart stand-in for the data model and axis tests: counts repaints, records series
// events and refills series from their sources the way the chart panel does. For the axes
// it keeps a chart rectangle, a 3D depth and an axes list (empty until
// CreateStandardAxes) and draws on a recording canvas when one is given.
#include <QObject>
#include <map>
#include <vector>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"

class FakeChartHost : public ISeriesHost {
public:
    FakeChartHost() : Series(this), ToolList(this), CustomAxesList(this), AxesList(this) {}
    ~FakeChartHost() override
    {
        Destroying = true;
        ToolList.Clear();
        AxesList.Clear();
    }

    void Invalidate() override { ++Invalidates; }
    void BroadcastSeriesEvent(TCustomChartSeries* series, TChartSeriesEvent event) override
    {
        Events.push_back({series, event});
    }
    TTeeCustomDesigner* Designer() const override { return nullptr; }
    bool IsDestroying() const override { return Destroying; }
    bool IsLoading() const override { return false; }
    void InternalAddSeries(TCustomChartSeries* series) override
    {
        auto* s = static_cast<TChartSeries*>(series);
        if (Series.Contains(s)) return;
        Series.Add(s);
        s->Added();
    }
    void RemoveSeries(TCustomChartSeries* series) override
    {
        auto* s = static_cast<TChartSeries*>(series);
        if (Series.Remove(s) >= 0) s->Removed();
    }
    TChartSeriesList* SeriesList() override { return &Series; }
    TChartTools* Tools() override { return &ToolList; }
    TColor GetDefaultColor(int index) override { return 0x100 + index; }
    TColor GetFreeSeriesColor(bool, TChartSeries*) override { return 0x0000FF; }
    void CheckDatasource(TChartSeries* series) override
    {
        ++CheckDatasourceCalls;
        if (QObject* source = series->DataSource()) {
            if (auto* s = qobject_cast<TChartSeries*>(source)) series->AddValues(s);
        }
    }
    bool IsValidDataSource(TChartSeries* series, QObject* component) override
    {
        if (auto* s = qobject_cast<TChartSeries*>(component)) return s != series && series->IsValidSeriesSource(s);
        return qobject_cast<TTeeSeriesSource*>(component) != nullptr;
    }
    void RemovedDataSource(TChartSeries*, QObject*) override {}
    AnsiString FormattedValueLegend(TChartSeries*, int index) override
    {
        return "L" + IntToStr(index) + AnsiString(1, TeeColumnSeparator) + "v";
    }
    AnsiString AxisLabelText(TChartAxis*, double) override { return "axis"; }
    TChartAxis* TopAxis() override { return AxesList.TopAxis(); }
    TChartAxis* BottomAxis() override { return AxesList.BottomAxis(); }
    TChartAxis* LeftAxis() override { return AxesList.LeftAxis(); }
    TChartAxis* RightAxis() override { return AxesList.RightAxis(); }
    int CustomAxisIndex(const TChartAxis*) const override { return -1; }
    TChartAxis* CustomAxis(int) override { return nullptr; }

    // ---- axes
    TCanvas3D* GetCanvas() override { return Canvas; }
    TRect GetChartRect() const override { return ChartRect; }
    int GetChartWidth() const override { return ChartRect.Right - ChartRect.Left; }
    int GetChartHeight() const override { return ChartRect.Bottom - ChartRect.Top; }
    int GetWidth3D() const override { return Width3D; }
    bool GetView3D() const override { return View3D; }
    TView3DOptions* GetView3DOptions() override { return &Options3D; }
    bool GetAxisBehind() const override { return AxisBehind; }
    void SetAxisBehind(bool value) override { AxisBehind = value; }
    bool GetAxisVisible() const override { return AxisVisible; }
    void SetAxisVisible(bool value) override { AxisVisible = value; }
    int CalcWallSize(TChartAxis* axis) override
    {
        const auto it = WallSizes.find(axis);
        return it == WallSizes.end() ? 0 : it->second;
    }
    bool IsAxisVisible(TChartAxis* axis) override { return AxisVisible && axis->GetVisible(); }
    TChartAxes* Axes() override { return &AxesList; }
    TChartCustomAxes* GetCustomAxes() override { return &CustomAxesList; }
    // The automatic range from the series that use the axis (inactive ones too when the
    // axis has no active series); 0 without any.
    double InternalMinMax(TChartAxis* axis, bool isMin, bool isX) override
    {
        bool anyActive = false;
        for (TChartSeries* s : Series) anyActive = anyActive || (s->GetActive() && s->AssociatedToAxis(axis));
        bool first = true;
        double result = 0;
        for (TChartSeries* s : Series) {
            if ((anyActive && !s->GetActive()) || s->Count() == 0 || !s->AssociatedToAxis(axis)) continue;
            const double v =
                isX ? (isMin ? s->MinXValue() : s->MaxXValue()) : (isMin ? s->MinYValue() : s->MaxYValue());
            if (first || (isMin ? v < result : v > result)) result = v;
            first = false;
        }
        return result;
    }
    int CountActiveSeries() override
    {
        int n = 0;
        for (TChartSeries* s : Series) n += s->GetActive();
        return n;
    }
    int GetMaxZOrder() const override { return MaxZOrder; }
    AnsiString SeriesTitleLegend(int index, bool onlyActive) override
    {
        for (TChartSeries* s : Series)
            if ((!onlyActive || s->GetActive()) && index-- == 0) return s->GetTitle();
        return AnsiString();
    }
    int MultiLineTextWidth(const AnsiString& text, int& lines) override
    {
        return TeeMultiLineTextWidth(Canvas, text, lines);
    }
    int MaxTextWidth() override { return TextWidthOfLabels; }
    int MaxMarkWidth() override { return TextWidthOfMarks; }
    TAxisOnGetLabel& OnGetAxisLabelEvent() override { return OnGetAxisLabel; }
    TAxisOnGetNextLabel& OnGetNextAxisLabelEvent() override { return OnGetNextAxisLabel; }

    // ---- series drawing
    TCustomTeePanel* GetPanel() override { return Panel; }
    int GetSeriesWidth3D() const override { return SeriesWidth3D; }
    void SetMaxZOrder(int value) override { MaxZOrder = value; }
    bool GetInvertedRotation() const override { return InvertedRotation; }
    bool GetApplyZOrder() const override { return ApplyZOrder; }
    bool GetAutoRepaint() const override { return AutoRepaint; }
    void SetAutoRepaint(bool value) override { AutoRepaint = value; }
    TColor GetBackColor() override { return BackColor; }
    void SetBrushCanvas(TColor color, TChartBrush* brush, TColor backColor) override
    {
        if (Canvas) Canvas->AssignBrushColor(brush, color, backColor);
    }
    int GetMaxPointsPerPage() const override { return MaxPointsPerPage; }
    int GetPage() const override { return Page; }
    TColor GetLegendColor() override { return LegendColor; }
    TChartPen* GetLegendSymbolPen() override { return LegendSymbolPen; }
    TPoint GetCursorPos() override { return CursorPos; }
    int GetChartCursor() const override { return ChartCursor; }
    void SetChartCursor(int cursor) override { ChartCursor = cursor; }
    int GetOriginalCursor() const override { return OriginalCursor; }

    // The six standard axes as the chart makes them: bottom, top, left, right, depth and
    // depth-top.
    void CreateStandardAxes()
    {
        auto* bottom = new TChartAxis(&CustomAxesList);
        bottom->SetHorizontal(true);
        auto* top = new TChartAxis(&CustomAxesList);
        top->SetHorizontal(true);
        top->SetOtherSide(true);
        top->SetZPosition(100);
        top->GetGrid()->SetZ(100);
        auto* left = new TChartAxis(&CustomAxesList);
        left->GetTitle()->SetDefaultAngle(90);
        auto* right = new TChartAxis(&CustomAxesList);
        right->GetTitle()->SetDefaultAngle(270);
        right->SetOtherSide(true);
        right->SetZPosition(100);
        right->GetGrid()->SetZ(100);
        for (int i = 0; i < 2; ++i) {
            auto* depth = new TChartDepthAxis(&CustomAxesList);
            depth->IsDepthAxis = true;
            depth->SetCalcPosValue();
            if (i == 0) depth->SetOtherSide(true);
        }
        for (TChartSeries* s : Series) s->RecalcGetAxis();
    }
    // Positions of every axis for the current chart rectangle, as a draw computes them.
    void CalcAxisPositions()
    {
        for (int i = 0; i < AxesList.Count(); ++i) {
            AxesList[i]->AdjustMaxMin();
            AxesList[i]->InternalCalcPositions();
        }
    }

    TCanvas3D* Canvas = nullptr;
    TRect ChartRect{50, 20, 450, 320};
    int Width3D = 0;
    bool View3D = false;
    TView3DOptions Options3D{nullptr};
    bool AxisBehind = true;
    bool AxisVisible = true;
    int MaxZOrder = 0;
    int TextWidthOfLabels = 0;
    int TextWidthOfMarks = 0;
    std::map<TChartAxis*, int> WallSizes;
    TAxisOnGetLabel OnGetAxisLabel;
    TAxisOnGetNextLabel OnGetNextAxisLabel;
    // Series drawing: the panel the shapes use (none unless a test gives one).
    TCustomTeePanel* Panel = nullptr;
    int SeriesWidth3D = 10;
    bool InvertedRotation = false;
    bool ApplyZOrder = true;
    bool AutoRepaint = true;
    TColor BackColor = clWhite;
    int MaxPointsPerPage = 0;
    int Page = 1;
    TColor LegendColor = clDefault;
    TChartPen* LegendSymbolPen = nullptr;
    TPoint CursorPos;
    int ChartCursor = 0;
    int OriginalCursor = 0;

    struct Event {
        TCustomChartSeries* series;
        TChartSeriesEvent event;
    };
    int Invalidates = 0;
    int CheckDatasourceCalls = 0;
    bool Destroying = false;
    std::vector<Event> Events;
    TChartSeriesList Series;
    TChartTools ToolList;
    TChartCustomAxes CustomAxesList;
    TChartAxes AxesList;

    int CountEvents(TChartSeriesEvent e) const
    {
        int n = 0;
        for (const auto& ev : Events) n += ev.event == e;
        return n;
    }
};
