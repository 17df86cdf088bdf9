#include "chart/editors/TeeEdit.h"

#include <QVBoxLayout>

#include "chart/editors/TChartListBox.h"
#include "chart/editors/TFormTeeAxis.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TFormTeeTitle.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeProcs.h"

namespace {

// Runs its action when the scope ends, however it ends.
class TFinally {
public:
    explicit TFinally(std::function<void()> Action) : FAction(std::move(Action)) {}
    ~TFinally() { TTeeForm::Guard(FAction); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    std::function<void()> FAction;
};

}  // namespace

TCustomChartEditor::TCustomChartEditor(QObject* Owner) : QObject(Owner) {}

TCustomChartEditor::~TCustomChartEditor() = default;

void TCustomChartEditor::SetChart(TCustomChart* Value)
{
    FChart = Value;
}

TChartEditor::TChartEditor(QObject* Owner) : TCustomChartEditor(Owner) {}

TChartSeries* TChartEditor::Series() const
{
    return FSeries;
}

void TChartEditor::SetSeries(TChartSeries* Value)
{
    FSeries = Value;
}

void TChartEditor::Execute()
{
    TCustomChart* chart = Chart();
    if (!chart) return;
    auto form = std::make_unique<TChartEditForm>(nullptr);
    FForm = form.get();
    TFinally close([this, &form] {
        if (OnClose) OnClose(this);
        FForm = nullptr;
        form.reset();
    });
    form->SetTreeMode(TreeView);
    form->RememberPosition = RememberPosition;
    form->setWindowTitle(QString::fromStdString(Title));
    form->Options = Options;
    form->SetChart(chart);
    form->HighLightTabs = HighLightTabs;
    form->InitialSeries = FSeries;
    form->CheckHelpFile();
    form->DefaultTab = DefaultTab;
    form->HideTabs = HideTabs;
    form->LBSeries->OnChangeOrder = [this](QObject*, TChartSeries* A, TChartSeries* B) {
        if (OnChangeSeriesOrder) OnChangeSeriesOrder(this, A, B);
    };
    if (OnShow) OnShow(this);
    QPointer<TCustomChart> guarded(chart);
    const bool oldRepaint = chart->AutoRepaint;
    if (!AutoRepaint) chart->AutoRepaint = false;
    TFinally restore([this, guarded, oldRepaint] {
        if (AutoRepaint || !guarded) return;
        guarded->AutoRepaint = oldRepaint;
        guarded->Invalidate();
    });
    TeeTranslateControl(form.get());
    form->ShowModal();
}

TChartPreviewFactory& TeeChartPreviewFactory()
{
    static TChartPreviewFactory factory;
    return factory;
}

TChartPreviewer::TChartPreviewer(QObject* Owner) : TCustomChartEditor(Owner) {}

void TChartPreviewer::Execute()
{
    TCustomChart* chart = Chart();
    if (!chart || !TeeChartPreviewFactory()) return;
    QPointer<TCustomChart> guarded(chart);
    std::unique_ptr<TTeeForm> form;
    const bool oldPrintPanel = PrintTeePanel;
    TFinally finish([this, guarded, oldPrintPanel, &form] {
        PrintTeePanel = oldPrintPanel;
        if (OnClose) OnClose(this);
        form.reset();
        FPreview = nullptr;
        if (guarded) guarded->Invalidate();
    });
    form = TeeChartPreviewFactory()(*this);
    FPreview = form.get();
    if (!form) return;
    // Proportional printing may be switched off here, never on.
    if (chart->PrintProportional) chart->PrintProportional = HasOption(cpoProportional);
    PrintTeePanel = HasOption(cpoPrintPanel);
    if (OnShow) OnShow(this);
    form->ShowModal();
}

TChartEditorPanel::TChartEditorPanel(QWidget* Parent) : TCustomPanelNoCaption(Parent)
{
    SetBevelOuter(bvLowered);
    resize(409, 291);
    // The panel paints nothing itself: the window's background shows around the editor.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_NoSystemBackground, false);
    setAutoFillBackground(true);
    FEditor = new TChartEditForm(this);
    TeeTranslateControl(FEditor);
    FEditor->RememberPosition = false;
    FEditor->RememberSize = false;
    FEditor->SetBorderStyle(fbsNone);
    FEditor->PanBottom->hide();
    FEditor->setParent(this, Qt::Widget);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(FEditor);
    FEditor->show();
}

TChartEditorPanel::~TChartEditorPanel() = default;

void TChartEditorPanel::SetChart(TCustomChart* Value)
{
    FChart = Value;
    FEditor->SetChart(Value);
    // An editor already on the screen takes the chart as at its first show.
    if (Value && FEditor->isVisible()) TTeeForm::Guard([this] { FEditor->FormShow(); });
}

void TChartEditorPanel::SelectUnderMouse()
{
    if (FChart) SelectPartAt(FChart->GetCursorPos());
}

void TChartEditorPanel::SelectPartAt(const TPoint& P)
{
    if (!FChart) return;
    TChartClickedPart part;
    FChart->CalcClickedPart(P, part);
    TChartEditForm& e = *FEditor;
    auto showSub = [&e](QWidget* Tab) {
        e.MainPage->SetActivePage(e.TabChart);
        e.SubPage->SetActivePage(Tab);
        e.SubPageChange();
    };
    switch (part.Part) {
        case cpLegend: showSub(e.TabLegend); break;
        case cpAxis:
            e.InitialAxis = part.AAxis;
            showSub(e.TabAxis);
            if (auto* page = qobject_cast<TFormTeeAxis*>(e.PageForm(e.TabAxis))) page->SelectAxis(part.AAxis);
            break;
        case cpSeries:
        case cpSeriesMarks:
            e.MainPage->SetActivePage(e.TabSeries);
            e.MainPageChange();
            e.LBSeries->clearSelection();
            e.LBSeries->SetSelectedSeries(part.ASeries);
            e.SetTabSeries();
            if (part.Part == cpSeriesMarks && e.SeriesForm) {
                e.SeriesForm->PageSeries->SetActivePage(e.SeriesForm->TabMarks);
                e.SeriesForm->PageSeriesChange();
            }
            break;
        case cpTitle:
        case cpFoot:
        case cpSubTitle:
        case cpSubFoot: {
            TChartTitle* title = part.Part == cpTitle      ? FChart->GetTitle()
                                 : part.Part == cpFoot     ? static_cast<TChartTitle*>(FChart->GetFoot())
                                 : part.Part == cpSubTitle ? FChart->GetSubTitle()
                                                           : static_cast<TChartTitle*>(FChart->GetSubFoot());
            showSub(e.TabTitle);
            if (auto* page = qobject_cast<TFormTeeTitle*>(e.PageForm(e.TabTitle))) page->SelectTitle(title);
            break;
        }
        case cpNone:
        case cpChartRect: showSub(e.TabPanel); break;
    }
}
