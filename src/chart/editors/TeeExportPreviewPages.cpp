#include "chart/editors/TeeExportPreviewPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>

#include "chart/editors/TChartEditForm.h"
#include "chart/editors/TChartPreview.h"
#include "chart/editors/TTeeExportForm.h"
#include "chart/editors/TTeePreviewPanel.h"
#include "chart/editors/TeeEdit.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/storage/TeePictureOptions.h"

namespace {

void ShowExportPage(TChartEditForm& Editor, TTeeForm* Page)
{
    auto* form = static_cast<TTeeExportForm*>(Page);
    form->CBFileSize->setChecked(false);
    form->CBFileSizeClick();
    if (Editor.TabHidden(cetExportNative)) form->Tabs->setTabVisible(form->Tabs->indexOf(form->TabNative), false);
    form->EnableButtons();
}

TTeeForm* CreateExportPage(TChartEditForm& Editor, QWidget* Tab)
{
    auto* form = new TTeeExportForm(&Editor);
    form->BClose->hide();
    AddFormTo(form, Tab, Editor.Chart());
    TeeAlignClient(form);
    ShowExportPage(Editor, form);
    return form;
}

TTeeForm* CreatePreviewPage(TChartEditForm& Editor, QWidget* Tab)
{
    auto* form = new TChartPreview(&Editor);
    form->GBMargins->hide();
    form->PanelMargins->hide();
    form->HideCloseButton();
    AddFormTo(form, Tab, Editor.Chart());
    TeeAlignClient(form);
    return form;
}

std::unique_ptr<TTeeForm> CreatePreviewer(TChartPreviewer& Previewer)
{
    auto form = std::make_unique<TChartPreview>();
    if (!Previewer.Title.empty()) form->setWindowTitle(QString::fromStdString(Previewer.Title));
    TTeePreviewPanel* preview = form->PreviewPanel();
    preview->SetPanel(Previewer.Chart());
    preview->OnAfterDraw = Previewer.OnAfterDraw;
    if (Previewer.WindowState == wsMaximized)
        form->setWindowState(Qt::WindowMaximized);
    else if (Previewer.WindowState == wsMinimized)
        form->setWindowState(Qt::WindowMinimized);
    if (!Previewer.HasOption(cpoChangePrinter)) form->CBPrinters->setEnabled(false);
    if (!Previewer.HasOption(cpoSetupPrinter)) form->BSetupPrinter->setEnabled(false);
    preview->AllowResize = Previewer.HasOption(cpoResizeChart);
    preview->AllowMove = Previewer.HasOption(cpoMoveChart);
    if (!Previewer.HasOption(cpoChangeDetail)) form->ChangeDetailGroup->setEnabled(false);
    if (!Previewer.HasOption(cpoChangePaperOrientation)) form->Orientation->setEnabled(false);
    if (!Previewer.HasOption(cpoChangeMargins)) {
        form->GBMargins->setEnabled(false);
        form->BReset->setEnabled(false);
    }
    preview->PaperColor = Previewer.PaperColor;
    preview->DragImage = Previewer.HasOption(cpoDragChart);
    preview->SetAsBitmap(Previewer.HasOption(cpoAsBitmap));
    return form;
}

}  // namespace

void InstallTeeExportPreviewPages()
{
    TChartEditorPageHooks& hooks = TeeChartEditorPageHooks();
    if (!hooks.CreateExport) {
        hooks.CreateExport = CreateExportPage;
        hooks.ShowExport = ShowExportPage;
    }
    if (!hooks.CreatePreview) {
        hooks.CreatePreview = CreatePreviewPage;
        hooks.ShowPreview = [](TChartEditForm&, TTeeForm* Page) {
            static_cast<TChartPreview*>(Page)->PreviewPanel()->Invalidate();
        };
    }
    if (!TeeChartPreviewFactory()) TeeChartPreviewFactory() = CreatePreviewer;
}
