#pragma once
// Creating, cloning and retyping the series of a chart, as editors and galleries do.
#include <QObject>

#include "chart/engine/TeeSeriesTypes.h"

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
