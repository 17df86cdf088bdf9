#pragma once
// What the series, functions, tools and their lists ask of the chart panel that shows
// them. The chart panel implements it; tests use a small fake.
#include "chart/engine/ChartExceptions.h"
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

class QObject;
class TChartAxis;
class TChartSeries;
class TChartSeriesList;
class TChartTools;
class TCustomChartSeries;
class TTeeCustomDesigner;

enum TChartSeriesEvent { seAdd, seRemove, seChangeTitle, seChangeColor, seSwap, seChangeActive, seDataChanged };

class IChartHost {
public:
    virtual ~IChartHost() = default;

    // Marks the chart for a repaint (nothing is drawn outside a paint).
    virtual void Invalidate() = 0;
    virtual void BroadcastSeriesEvent(TCustomChartSeries* series, TChartSeriesEvent event) = 0;
    // The editor window attached as designer, or none.
    virtual TTeeCustomDesigner* Designer() const = 0;
    virtual bool IsDestroying() const = 0;
    virtual bool IsLoading() const = 0;

    // Series membership: InternalAddSeries enters a series whose parent chart became this
    // chart; RemoveSeries takes it out again.
    virtual void InternalAddSeries(TCustomChartSeries* series) = 0;
    virtual void RemoveSeries(TCustomChartSeries* series) = 0;
    virtual TChartSeriesList* SeriesList() = 0;
    virtual TChartTools* Tools() = 0;

    // Colours: the palette entry for an index; the next series colour not yet in use.
    virtual TColor GetDefaultColor(int index) = 0;
    virtual TColor GetFreeSeriesColor(bool checkBackground, TChartSeries* series) = 0;

    // Data sources: refill a series from its sources; whether a component may feed it;
    // a source was detached from the series (it may be a component being freed: compare
    // it, do not use it).
    virtual void CheckDatasource(TChartSeries* series) = 0;
    virtual bool IsValidDataSource(TChartSeries* series, QObject* component) = 0;
    virtual void RemovedDataSource(TChartSeries* series, QObject* component) = 0;

    // Texts: the legend's text of a point; an axis's label text of a value.
    virtual AnsiString FormattedValueLegend(TChartSeries* series, int valueIndex) = 0;
    virtual AnsiString AxisLabelText(TChartAxis* axis, double value) = 0;

    // Axes: the four standard axes, the custom axes by index.
    virtual TChartAxis* TopAxis() = 0;
    virtual TChartAxis* BottomAxis() = 0;
    virtual TChartAxis* LeftAxis() = 0;
    virtual TChartAxis* RightAxis() = 0;
    virtual int CustomAxisIndex(const TChartAxis* axis) const = 0;
    virtual TChartAxis* CustomAxis(int index) = 0;
};
