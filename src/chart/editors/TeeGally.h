#pragma once
// Entry points of the series gallery: choose a series type (and variant) in the gallery
// the user prefers ("GalleryMode"), create a series of it, or change series to it.
#include "chart/engine/TeeSeriesTypes.h"

class QObject;
class TChartSeries;
class TCustomAxisPanel;
class TCustomChart;

// Shows the gallery; true when the user chose a type, described by the outputs. Series
// (may be null) is pre-selected and, with CheckSource, disables the types that cannot
// take it as their source.
bool GetChartGalleryClass(QObject* AOwner, TChartSeries* Series, bool ShowFunctions, TChartSeriesClass& SeriesClass,
                          bool& View3D, TTeeFunctionClass& FunctionClass, bool CheckSource, int& SubIndex);
// A new series of the chosen type in Chart, or null. With an old series and no functions
// offered (a type change), choosing its own type without a variant creates nothing.
TChartSeries* CreateNewSeriesGallery(QObject* AOwner, TChartSeries* OldSeries, TCustomAxisPanel* Chart,
                                     bool ShowFunctions, bool CheckSource, int& SubIndex);
TChartSeries* CreateNewSeriesGallery(QObject* AOwner, TCustomAxisPanel* Chart);
// Replaces Series by a series of the chosen type that takes over its data and settings.
void ChangeSeriesTypeGallery(QObject* AOwner, TChartSeries*& Series);
// Changes every series of Chart to the type chosen for its first series.
void ChangeAllSeriesGallery(QObject* AOwner, TCustomChart* Chart);
