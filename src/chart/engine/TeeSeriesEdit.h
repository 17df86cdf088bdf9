#pragma once
// Creating, cloning and retyping the series of a chart, as editors and galleries do.
#include <QObject>

#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/GraphicsTypes.h"

class TCanvas;
class TChartSeries;
class TCustomAxisPanel;
class TTeeFunction;

// The registered description of the series' class, or the class name when the class
// is not registered.
AnsiString GetGallerySeriesName(const TChartSeries* Series);
// "Series1", "Series2", ...: the first name not used among the owner's components.
AnsiString GetNewSeriesName(const QObject* Owner);
// A function of FunctionClass owned by the series' owner, attached to the series.
TTeeFunction* CreateNewTeeFunction(TChartSeries* Series, TTeeFunctionClass FunctionClass);
// A new named series of SeriesClass in Chart (with a function when FunctionClass is
// given). The owner is Owner or, without one, the chart; when any series of the chart
// is owned by the chart itself the chart owns the new one too.
TChartSeries* CreateNewSeries(QObject* Owner, TCustomAxisPanel* Chart, TChartSeriesClass SeriesClass,
                              TTeeFunctionClass FunctionClass = nullptr);
// A series of the same class (and function class) with the source's properties.
TChartSeries* CloneChartSeries(TChartSeries* Series);
TChartSeries* CloneChartSeries(TChartSeries* Series, TCustomAxisPanel* Chart);
TChartSeries* CloneChartSeries(TChartSeries* Series, QObject* Owner, TCustomAxisPanel* Chart);
// Replaces Series by a series of NewClass that takes over its properties, events,
// name, place in the chart, data-source links and tools; the old series is freed.
void ChangeSeriesType(TChartSeries*& Series, TChartSeriesClass NewClass);
void ChangeAllSeriesType(TCustomAxisPanel* Chart, TChartSeriesClass NewClass);
// Moves everything from OldSeries to NewSeries, frees OldSeries and clears it.
void AssignSeries(TChartSeries*& OldSeries, TChartSeries*& NewSeries);

// Draws the series' legend symbol into Rect of any canvas (editors show it). A series
// without a chart is attached to ReferenceChart, or to a temporary chart, for the call.
void PaintSeriesLegend(TChartSeries* Series, TCanvas* Canvas, const TRect& Rect,
                       TCustomAxisPanel* ReferenceChart = nullptr);

// What is dragged when a part of a chart is dragged.
class TTeeDragObject {
public:
    explicit TTeeDragObject(const TChartClickedPart& Part) : FPart(Part) {}
    virtual ~TTeeDragObject() = default;
    const TChartClickedPart& Part() const { return FPart; }
    // The drag cursor while over a target that accepts the part, else the no-drop cursor.
    virtual int GetDragCursor(bool Accepted, int X, int Y) const;
    virtual void Finished() {}

    static constexpr int crTeeDrag = 2020;
    static constexpr int crNoDrop = -13;

private:
    TChartClickedPart FPart;
};
