// dialog-gallery: opens the chart editor dialogs on a sample chart, so a person can look at
// them (no window of the program opens them by itself).
//   dialog-gallery            a window with one button per dialog
//   dialog-gallery NAME       opens that dialog at once (for screenshots)
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "chart/editors/EditChar.h"
#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TChartPreview.h"
#include "chart/editors/TCustomChartGrid.h"
#include "chart/editors/TFormTeeShape.h"
#include "chart/editors/TFormatEditor.h"
#include "chart/editors/TGridTransposeToolEdit.h"
#include "chart/editors/TScrollbarEditor.h"
#include "chart/editors/TSelectListForm.h"
#include "chart/editors/TTeeExportForm.h"
#include "chart/editors/TTeeFontEditor.h"
#include "chart/editors/TTeeGalleryForm.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TTeeShadowEditor.h"
#include "chart/editors/TTeeToolsGallery.h"
#include "chart/editors/TeeEdit.h"
#include "chart/editors/TeeEditors.h"
#include "chart/editors/TeeGally.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TArrowSeries.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TBubbleSeries.h"
#include "chart/series/TChartShape.h"
#include "chart/series/TCursorTool.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TGanttSeries.h"
#include "chart/series/TGridTransposeTool.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TPieSeries.h"
#include "chart/series/TPointSeries.h"
#include "chart/series/TSurfaceSeries.h"
#include "chart/series/TeeFunctions.h"
#include "chart/series/TeeLegendScrollBar.h"
#include "chart/series/TeeStandardSeries.h"
#include "chart/series/TeeTools.h"
#include "platform/Dialogs.h"
#include "platform/TPrinter.h"

namespace {

struct Entry {
    const char* Name;
    std::function<void(QWidget* Owner, TChart* Chart)> Open;
};

// The series editor on a series of type S in a chart of its own, so each type shows its
// own "Format" tab.
template <class S>
void EditSeriesOfType(QWidget* Owner)
{
    TChart chart;
    chart.setObjectName("TypeChart");
    chart.resize(400, 300);
    auto* series = new S(&chart);
    series->setObjectName("Series1");
    series->SetParentChart(&chart);
    series->FillSampleValues(6);
    EditSeries(Owner, series);
}

// The function editor on an average of a sample series (and the equation function).
void EditFunction(QWidget* Owner, bool Equation)
{
    TChart chart;
    chart.setObjectName("FunctionChart");
    chart.resize(400, 300);
    auto* source = new TLineSeries(&chart);
    source->setObjectName("Series1");
    source->SetParentChart(&chart);
    source->FillSampleValues(20);
    auto* result = new TLineSeries(&chart);
    result->setObjectName("Series2");
    result->SetParentChart(&chart);
    if (Equation)
        CreateNewTeeFunction(result, &TCustomTeeFunction::staticMetaObject);
    else {
        CreateNewTeeFunction(result, &TAverageTeeFunction::staticMetaObject)->SetPeriod(5);
        result->SetDataSource(source);
    }
    EditSeriesDataSource(Owner, result);
}

std::vector<Entry> Entries()
{
    return {
        {"pen", [](QWidget* o, TChart* c) { EditChartPen(o, c->GetSeries(0)->Pen()); }},
        {"brush", [](QWidget* o, TChart* c) { EditChartBrush(o, c->GetSeries(1)->Brush()); }},
        {"font", [](QWidget* o, TChart* c) { EditTeeFontEx(o, c->GetTitle()->GetFont()); }},
        {"gradient", [](QWidget* o, TChart* c) { EditTeeGradient(o, c->GetGradient()); }},
        {"shadow", [](QWidget* o, TChart* c) { EditTeeShadow(o, c->GetTitle()->GetShadow()); }},
        {"shape", [](QWidget* o, TChart* c) { EditTeeCustomShape(o, c->GetTitle()); }},
        {"gallery", [](QWidget* o, TChart* c) { CreateNewSeriesGallery(o, c); }},
        {"gallery-list",
         [](QWidget* o, TChart*) {
             auto form = TeeCreateForm<TTeeGalleryForm>(o);
             form->ShowModal();
         }},
        {"tools",
         [](QWidget* o, TChart*) {
             auto form = TeeCreateForm<TTeeToolsGallery>(o);
             form->ShowModal();
         }},
        {"select-list",
         [](QWidget* o, TChart* c) {
             auto host = TeeCreateForm<TTeeForm>(o);
             host->setWindowTitle("Select list");
             host->resize(340, 200);
             auto* page = new TSelectListForm(host.get());
             for (int i = 0; i < c->SeriesCount(); ++i)
                 page->FromList->addItem(QString::fromStdString(c->GetSeries(i)->objectName().toStdString()));
             page->FromList->addItems({"Mark", "Label", "Value"});
             AddFormTo(page, host.get());
             host->ShowModal();
         }},
        {"data",
         [](QWidget* o, TChart* c) {
             auto host = TeeCreateForm<TTeeForm>(o);
             host->setWindowTitle("Data");
             host->resize(420, 300);
             auto* nav = new TChartGridNavigator(host.get());
             nav->move(4, 4);
             auto* grid = new TChartGrid(host.get());
             grid->setGeometry(4, 32, 412, 264);
             grid->SetShowColors(true);
             grid->SetChart(c);
             nav->SetGrid(grid);
             host->ShowModal();
         }},
        {"series-list",
         [](QWidget* o, TChart* c) {
             auto host = TeeCreateForm<TTeeForm>(o);
             host->setWindowTitle("Series");
             host->resize(300, 200);
             auto* list = new TChartListBox(host.get());
             list->setGeometry(4, 4, 292, 192);
             list->SetChart(c);
             host->ShowModal();
         }},
        {"format",
         [](QWidget* o, TChart* c) {
             TChartSeries* s = c->GetSeries(0);
             s->SetValueFormat(TFormatEditor::Change(o, s->GetValueFormat(), true));
         }},
        {"editor", [](QWidget* o, TChart* c) { EditChart(o, c); }},
        {"editor-tree",
         [](QWidget*, TChart* c) {
             auto editor = TeeCreateChartEditor(c);
             editor->SetTreeMode(true);
             editor->ShowModal();
         }},
        {"editor-general", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetGeneral); }},
        {"editor-axis", [](QWidget* o, TChart* c) { EditChartAxis(o, c->LeftAxis()); }},
        {"editor-titles", [](QWidget* o, TChart* c) { EditChartTitle(o, c->GetTitle()); }},
        {"editor-legend", [](QWidget* o, TChart* c) { EditChartLegend(o, c); }},
        {"editor-panel", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetPanel); }},
        {"editor-paging", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetPaging); }},
        {"editor-walls", [](QWidget* o, TChart* c) { EditChartWall(o, c->GetLeftWall()); }},
        {"editor-3d", [](QWidget* o, TChart* c) { EditChartPage(o, c, cet3D); }},
        {"editor-series", [](QWidget* o, TChart* c) { EditSeries(o, c->GetSeries(0)); }},
        {"editor-series-general", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetSeriesGeneral); }},
        {"editor-marks", [](QWidget* o, TChart* c) { EditSeriesMarks(o, c->GetSeries(1), false); }},
        {"editor-datasource", [](QWidget* o, TChart* c) { EditSeriesDataSource(o, c->GetSeries(0)); }},
        {"editor-data", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetSeriesData); }},
        {"editor-tools", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetTools); }},
        {"editor-export", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetExport); }},
        {"editor-embedded",
         [](QWidget* o, TChart* c) {
             auto host = TeeCreateForm<TTeeForm>(o);
             host->setWindowTitle("Embedded chart editor");
             host->resize(460, 360);
             auto* panel = new TChartEditorPanel(host.get());
             panel->setGeometry(4, 4, 452, 352);
             panel->SetChart(c);
             host->ShowModal();
         }},
        {"editor-export", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetExport); }},
        {"editor-print", [](QWidget* o, TChart* c) { EditChartPage(o, c, cetPrintPreview); }},
        {"export", [](QWidget* o, TChart* c) { TeeExport(o, c); }},
        {"preview", [](QWidget* o, TChart* c) { TeePreview(o, c); }},
        {"series-line", [](QWidget* o, TChart*) { EditSeriesOfType<TLineSeries>(o); }},
        {"series-point", [](QWidget* o, TChart*) { EditSeriesOfType<TPointSeries>(o); }},
        {"series-area", [](QWidget* o, TChart*) { EditSeriesOfType<TAreaSeries>(o); }},
        {"series-bar", [](QWidget* o, TChart*) { EditSeriesOfType<TBarSeries>(o); }},
        {"series-pie", [](QWidget* o, TChart*) { EditSeriesOfType<TPieSeries>(o); }},
        {"series-fastline", [](QWidget* o, TChart*) { EditSeriesOfType<TFastLineSeries>(o); }},
        {"series-gantt", [](QWidget* o, TChart*) { EditSeriesOfType<TGanttSeries>(o); }},
        {"series-bubble", [](QWidget* o, TChart*) { EditSeriesOfType<TBubbleSeries>(o); }},
        {"series-arrow", [](QWidget* o, TChart*) { EditSeriesOfType<TArrowSeries>(o); }},
        {"series-shape", [](QWidget* o, TChart*) { EditSeriesOfType<TChartShape>(o); }},
        {"series-surface", [](QWidget* o, TChart*) { EditSeriesOfType<TSurfaceSeries>(o); }},
        {"function", [](QWidget* o, TChart*) { EditFunction(o, false); }},
        {"function-equation", [](QWidget* o, TChart*) { EditFunction(o, true); }},
        {"grid-transpose",
         [](QWidget* o, TChart* c) {
             // A grid series of its own chart, so the sample chart keeps its look.
             TChart grids;
             auto* surface = new TSurfaceSeries(&grids);
             surface->SetTitle("Surface");
             grids.AddSeries(surface);
             surface->FillSampleValues(5);
             auto* tool = new TGridTransposeTool(&grids);
             grids.Tools()->Add(tool);
             auto form = TeeCreateForm<TGridTransposeToolEdit>(o);
             form->SetTag(tool);
             form->ShowModal();
             (void)c;
         }},
        {"scrollbar",
         [](QWidget* o, TChart* c) {
             // The sample chart's legend gets the bar, so the changes show beside the form.
             TLegendScrollBar* tool = c->findChild<TLegendScrollBar*>();
             if (!tool) {
                 tool = new TLegendScrollBar(c);
                 tool->SetParentChart(c);
             }
             auto form = TeeCreateForm<TScrollbarEditor>(o);
             form->SetTag(tool);
             form->ShowModal();
         }},
    };
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    static platform::QtDialogs dialogs;
    platform::SetDialogs(&dialogs);
    RegisterTeeStandardSeries();
    RegisterTeeBasicFunctions();
    RegisterTeeChartTools();
    RegisterTeeGridTransposeToolEdit();
    RegisterTeeEditors();
    RegisterTeeTools({&TLegendScrollBar::staticMetaObject});
    // Without a printer of the system's, the preview prints into a PDF file.
    std::unique_ptr<TPrinter> pdf;
    if (!Printer()->Present()) {
        auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(QDir::temp().filePath("dialog-gallery.pdf"));
        device->setPageSize(QPageSize(QPageSize::A4));
        pdf = std::make_unique<TPrinter>(std::move(device));
        SetPrinter(pdf.get());
    }

    QWidget window;
    window.setWindowTitle("Chart editor dialogs");
    auto* layout = new QHBoxLayout(&window);
    auto* chart = new TChart(&window);
    chart->setMinimumSize(480, 320);
    chart->GetTitle()->SetText({"Sample chart"});
    auto* line = new TLineSeries(chart);
    line->setObjectName("Series1");
    line->SetParentChart(chart);
    line->FillSampleValues(20);
    auto* bar = new TBarSeries(chart);
    bar->setObjectName("Series2");
    bar->SetParentChart(chart);
    bar->FillSampleValues(8);
    layout->addWidget(chart, 1);
    auto* tool = new TCursorTool(chart);
    tool->SetParentChart(chart);
    auto* buttons = new QGridLayout;
    layout->addLayout(buttons);
    int row = 0;
    for (const Entry& e : Entries()) {
        auto* b = new QPushButton(e.Name, &window);
        QObject::connect(b, &QPushButton::clicked, &window,
                         [&window, chart, open = e.Open] { TTeeForm::Guard([&] { open(&window, chart); }); });
        buttons->addWidget(b, row / 2, row % 2);
        ++row;
    }
    buttons->setRowStretch(row / 2 + 1, 1);
    window.resize(800, 500);
    window.show();

    if (argc > 1) {
        const std::string name = argv[1];
        for (const Entry& e : Entries())
            if (name == e.Name) {
                TTeeForm::Guard([&] { e.Open(&window, chart); });
                return 0;
            }
        std::fprintf(stderr, "unknown dialog: %s\n", argv[1]);
        return 2;
    }
    return app.exec();
}
