// The four views a new channel window can take: data recording, file view, programmer and
// TP Scout.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/IControlPanel.h"
#include "app/TfrmMainWindow.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

void TfrmMainWindow::mnuDatenaufzeichnungClick()
{
    NOX_ASSERT_UI_THREAD();
    OpenChannelView(vmDataRecording);
}
void TfrmMainWindow::mnuVisualisierungClick()
{
    NOX_ASSERT_UI_THREAD();
    OpenChannelView(vmView);
}
void TfrmMainWindow::mnuProgrammgeberClick()
{
    NOX_ASSERT_UI_THREAD();
    OpenChannelView(vmProgrammer);
}
void TfrmMainWindow::mnuTPScoutClick()
{
    NOX_ASSERT_UI_THREAD();
    OpenChannelView(vmTPScout);
}

void TfrmMainWindow::OpenChannelView(int mode)
{
    // Checked before a channel is taken: the allocation disables the menus, which only a
    // created window enables again.
    if (mode == vmTPScout && TPScoutOpen) return;
    if (!FFactory) return;
    const int c = FindFreeChannel();
    if (c < 0) return;

    QPalette grey = pnlBigPanel->palette();
    if (mode == vmView) {
        grey.setColor(QPalette::Window, palette().color(QPalette::Button));
        pnlBigPanel->setPalette(grey);
        ArrangeWindows();
    }
    pnlBigPanel->setGeometry(mdiArea->viewport()->rect());
    pnlBigPanel->show();
    pnlBigPanel->raise();

    const AnsiString number = IntToStr(c);
    AnsiString caption;
    switch (mode) {
        case vmDataRecording: caption = LookupText(FLanguageIndex, RowDataRecordingChannelCaption) + number; break;
        case vmView: caption = LookupText(FLanguageIndex, RowViewChannelCaption) + number; break;
        case vmProgrammer: caption = LookupText(FLanguageIndex, RowProgrammerChannelCaption) + number; break;
        default: caption = "TP Scout / Kanal " + number; break;  // the same in both languages
    }
    CreateChannelWindow(caption, c);
    IChannelForm* form = ChannelForm(c);
    if (!form) {
        SetupChannelWindow(c);  // gives back the menus the allocation took
        pnlBigPanel->hide();
        return;
    }

    form->ViewMode = std::uint8_t(mode);
    form->FileView = mode == vmView ? 1 : 0;
    form->ProgrammerView = mode == vmProgrammer ? 1 : 0;
    form->PrepareView(mode, c);
    ChannelOpen[c] = 1;
    if (mode == vmProgrammer) {
        for (QAction* a : {cmdSeriesShowLeft, cmdSeriesShowRight, mnuSeriesShowLeft, mnuSeriesShowRight})
            a->setEnabled(true);
        for (QAction* a : {cmdTotalFocus, cmdSaveZoom, mnuTotalFocus, mnuSaveZoom}) a->setEnabled(false);
    }
    if (mode == vmTPScout) TPScoutOpen = 1;

    SetupChannelWindow(c);
    if (mode == vmView) {
        form->SubWindow()->showMaximized();
        form->FullRange = form->ZoomLimits;
    } else {
        FitChannelWindow(form->SubWindow(), QSize(850, 505));
        ArrangeWindows();
    }

    if (FPanelControl) {
        AnsiString panelCaption;
        switch (mode) {
            case vmDataRecording: panelCaption = LookupText(FLanguageIndex, RowMenuDataRecording); break;
            case vmView: panelCaption = LookupText(FLanguageIndex, RowMenuView); break;
            case vmProgrammer: panelCaption = LookupText(FLanguageIndex, RowMenuProgrammer); break;
            default: panelCaption = "TPScout"; break;
        }
        FPanelControl->SetChannelPanel(c, panelCaption, 1);
    }
    form->SetViewMode(c, ChannelOpen[c], true);
    if (mode == vmDataRecording || mode == vmProgrammer) form->FocusConnectButton();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    pnlBigPanel->setPalette(grey);
    pnlBigPanel->hide();
}
