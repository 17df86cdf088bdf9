#include "chart/editors/EditChar.h"

#include <functional>

#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartWalls.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeProcs.h"

namespace {

TCustomChart* ChartOf(IChartHost* Host)
{
    return dynamic_cast<TCustomChart*>(Host);
}

TCustomChart* ChartOf(TCustomTeePanel* Panel)
{
    return qobject_cast<TCustomChart*>(Panel);
}

void Show(TChartEditForm& Editor)
{
    Editor.ShowModal();
}

// Opens the editor on a series, with the series page turned by Turn before it shows.
void EditSeriesPage(TChartSeries* Series, const std::function<void(TChartEditForm&)>& Turn)
{
    auto editor = TeeCreateChartEditor(ChartOf(Series->ParentChart()));
    editor->InitialSeries = Series;
    if (Turn) {
        editor->LBSeries->clearSelection();
        editor->LBSeries->SetSelectedSeries(Series);
        editor->MainPage->SetActivePage(editor->TabSeries);
        editor->SetTabSeries();
        Turn(*editor);
    }
    Show(*editor);
}

// Opens the editor on the chart of Element, pointed at the element (Initial) and turned to Tab.
template <class T>
void EditElement(T* Element, T* TChartEditForm::*Initial, int Tab)
{
    auto editor = TeeCreateChartEditor(ChartOf(Element->ParentChart()));
    editor.get()->*Initial = Element;
    editor->DefaultTab = Tab;
    Show(*editor);
}

}  // namespace

std::unique_ptr<TChartEditForm> TeeCreateChartEditor(TCustomChart* Chart)
{
    auto editor = std::make_unique<TChartEditForm>(nullptr);
    editor->SetChart(Chart);
    editor->CheckHelpFile();
    TeeTranslateControl(editor.get());
    return editor;
}

void EditChartPage(QWidget*, TCustomChart* Chart, int PageIndex)
{
    auto editor = TeeCreateChartEditor(Chart);
    editor->DefaultTab = PageIndex;
    Show(*editor);
}

void EditChart(QWidget* Form, TCustomChart* Chart)
{
    EditChartPage(Form, Chart, cetMain);
}

void EditChartLegend(QWidget* Form, TCustomChart* Chart)
{
    EditChartPage(Form, Chart, cetLegend);
}

void EditChartAxis(QWidget*, TChartAxis* Axis)
{
    EditElement(Axis, &TChartEditForm::InitialAxis, cetAxis);
}

void EditChartTitle(QWidget*, TChartTitle* Title)
{
    EditElement(Title, &TChartEditForm::InitialTitle, cetTitles);
}

void EditChartWall(QWidget*, TChartWall* Wall)
{
    EditElement(Wall, &TChartEditForm::InitialWall, cetWalls);
}

void EditChartTool(QWidget*, TTeeCustomTool* Tool)
{
    EditElement(Tool, &TChartEditForm::InitialTool, TeeNoDefaultTab);
}

void EditSeries(QWidget*, TChartSeries* Series)
{
    EditSeriesPage(Series, {});
}

void EditSeriesDataSource(QWidget*, TChartSeries* Series)
{
    EditSeriesPage(Series, [](TChartEditForm& Editor) {
        Editor.SeriesForm->PageSeries->SetActivePage(Editor.SeriesForm->TabDataSource);
        Editor.SeriesForm->PageSeriesChange();
    });
}

void EditSeriesMarks(QWidget*, TChartSeries* Series, bool SymbolTab)
{
    EditSeriesPage(Series, [SymbolTab](TChartEditForm& Editor) {
        Editor.SeriesForm->PageSeries->SetActivePage(Editor.SeriesForm->TabMarks);
        Editor.SeriesForm->PageSeriesChange();
        if (SymbolTab) Editor.SeriesForm->PageControlMarks->setCurrentWidget(Editor.SeriesForm->TabSymbol);
    });
}

void EditDSSChart(QWidget*, TCustomChart* Chart)
{
    auto editor = TeeCreateChartEditor(Chart);
    editor->IsDSSChart = true;
    Show(*editor);
}

void EditChartPart(QWidget* Form, TCustomChart* Chart, const TChartClickedPart& Part)
{
    switch (Part.Part) {
        case cpLegend: EditChartLegend(Form, Chart); break;
        case cpAxis: EditChartAxis(Form, Part.AAxis); break;
        case cpSeries: EditSeries(Form, Part.ASeries); break;
        case cpTitle: EditChartTitle(Form, Chart->GetTitle()); break;
        case cpFoot: EditChartTitle(Form, Chart->GetFoot()); break;
        case cpSubTitle: EditChartTitle(Form, Chart->GetSubTitle()); break;
        case cpSubFoot: EditChartTitle(Form, Chart->GetSubFoot()); break;
        case cpSeriesMarks: EditSeriesMarks(Form, Part.ASeries, false); break;
        case cpNone:
        case cpChartRect: EditChart(Form, Chart); break;
    }
}
