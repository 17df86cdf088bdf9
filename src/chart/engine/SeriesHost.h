#pragma once
// What a series asks of its chart while it draws: depth slots, paging, the legend's
// colours, the mouse cursor and the panel whose canvas its pointer and marks draw on. The
// chart control implements it together with the axis host; tests use a fake.
#include "chart/engine/AxisHost.h"

class TChartBrush;
class TChartPen;
class TCustomTeePanel;

class ISeriesHost : public IAxisHost {
public:
    // GetPanel (from IAxisHost): the panel the series' shapes (pointer, marks, callouts)
    // belong to; none when the chart has no window of its own.
    // Depth of one series slot in a 3D chart.
    virtual int GetSeriesWidth3D() const = 0;
    virtual void SetMaxZOrder(int value) = 0;
    virtual bool GetInvertedRotation() const = 0;
    virtual bool GetApplyZOrder() const = 0;
    // Whether changes repaint the chart; drawing code switches it off around changes made
    // while painting.
    virtual bool GetAutoRepaint() const = 0;
    virtual void SetAutoRepaint(bool value) = 0;
    // The chart's background colour.
    virtual TColor GetBackColor() = 0;
    // The canvas brush from brush in color with backColor behind a hatch.
    virtual void SetBrushCanvas(TColor color, TChartBrush* brush, TColor backColor) = 0;
    // Paging: points per page (below 1: no paging) and the current page from 1.
    virtual int GetMaxPointsPerPage() const = 0;
    virtual int GetPage() const = 0;
    // The legend's colour (clDefault: the panel's) and its symbol pen (none: the series pen).
    virtual TColor GetLegendColor() = 0;
    virtual TChartPen* GetLegendSymbolPen() = 0;
    // The mouse position in chart pixels; the chart's cursor and the one it had at start.
    virtual TPoint GetCursorPos() = 0;
    virtual int GetChartCursor() const = 0;
    virtual void SetChartCursor(int cursor) = 0;
    virtual int GetOriginalCursor() const = 0;
};

// The series host of a chart, or none.
inline ISeriesHost* SeriesHostOf(IChartHost* chart)
{
    return dynamic_cast<ISeriesHost*>(chart);
}
// The panel of a chart, or none.
inline TCustomTeePanel* SeriesPanelOf(IChartHost* chart)
{
    ISeriesHost* host = SeriesHostOf(chart);
    return host ? host->GetPanel() : nullptr;
}
