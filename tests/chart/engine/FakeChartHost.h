#pragma once
// A chart stand-in for the data model tests: counts repaints, records series events and
// refills series from their sources the way the chart panel does.
#include <QObject>
#include <vector>

#include "chart/engine/ChartHost.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TTeeSeriesSource.h"

class FakeChartHost : public IChartHost {
public:
    FakeChartHost() : Series(this), ToolList(this) {}
    ~FakeChartHost() override
    {
        Destroying = true;
        ToolList.Clear();
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
    TChartAxis* TopAxis() override { return nullptr; }
    TChartAxis* BottomAxis() override { return nullptr; }
    TChartAxis* LeftAxis() override { return nullptr; }
    TChartAxis* RightAxis() override { return nullptr; }
    int CustomAxisIndex(const TChartAxis*) const override { return -1; }
    TChartAxis* CustomAxis(int) override { return nullptr; }

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

    int CountEvents(TChartSeriesEvent e) const
    {
        int n = 0;
        for (const auto& ev : Events) n += ev.event == e;
        return n;
    }
};
