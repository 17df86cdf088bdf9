#pragma once
// The ways into the chart editor: each opens the editor modally on one chart, optionally
// pointed at one series, axis, title, wall, tool or page, and frees it when it closes.
// EditChartPart opens the page of whatever part of the chart was clicked. The first
// argument, the calling form, is not used: the editor is a window of its own.
#include <memory>

class QWidget;
class TChartAxis;
class TChartEditForm;
class TChartSeries;
class TChartTitle;
class TChartWall;
class TCustomChart;
class TTeeCustomTool;
struct TChartClickedPart;

// A new editor on Chart (help checked, texts translated), not shown.
std::unique_ptr<TChartEditForm> TeeCreateChartEditor(TCustomChart* Chart);

void EditChart(QWidget* Form, TCustomChart* Chart);
void EditChartPage(QWidget* Form, TCustomChart* Chart, int PageIndex);
void EditChartLegend(QWidget* Form, TCustomChart* Chart);
void EditChartAxis(QWidget* Form, TChartAxis* Axis);
void EditChartTitle(QWidget* Form, TChartTitle* Title);
void EditChartWall(QWidget* Form, TChartWall* Wall);
void EditChartTool(QWidget* Form, TTeeCustomTool* Tool);
void EditSeries(QWidget* Form, TChartSeries* Series);
void EditSeriesDataSource(QWidget* Form, TChartSeries* Series);
// With SymbolTab the marks' "Symbol" tab is opened.
void EditSeriesMarks(QWidget* Form, TChartSeries* Series, bool SymbolTab);
// Offers the series' persistence box.
void EditDSSChart(QWidget* Owner, TCustomChart* Chart);
void EditChartPart(QWidget* Form, TCustomChart* Chart, const TChartClickedPart& Part);
