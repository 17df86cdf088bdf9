// The four views of a channel window, its activation, captions, and closing.
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "app/CLanguage.h"
#include "app/IControlPanel.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "channel/CProgramRun.h"
#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/Dialogs.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"

using namespace resources;

void TmdiSubWindow::PrepareView(int mode, int channel)
{
    NOX_ASSERT_UI_THREAD();
    ViewMode = std::uint8_t(mode);
    Busy = mode == vmView ? 1 : 0;  // the window shows a loaded file
    FSession->SetProgrammerMode(mode == vmProgrammer);
    graDataGraphTag = channel;
    if (mode == vmDataRecording) tmrDataUpdateTag = channel;
    if (mode == vmProgrammer) tmrProgrammerTag = channel;
    if (mode != vmView) graDataGraph->GetZoom()->Allow = false;
    if (mode == vmProgrammer || mode == vmTPScout) {
        CreateProgrammer();
        FProgramTree.Clear();
        FSelectedNode = nullptr;
    }

    const bool timeWindow = mode != vmView;
    switch (mode) {
        case vmDataRecording:
        case vmProgrammer:
            ShowPage(tabDataConnection, true);
            for (QWidget* p : {tabScout, tabFunctions, tabProgrammerGraph}) ShowPage(p, false);
            tabDataControl->setCurrentWidget(tabDataConnection);
            for (QWidget* w :
                 std::initializer_list<QWidget*>{chkAutomaticScale, chkTimeWindow, txtTimeWindow, edTimeWindow})
                w->setEnabled(true);
            for (QWidget* w : std::initializer_list<QWidget*>{edTimeMin, edTimeMax, cmdGraphRefresh})
                w->setEnabled(false);
            chkLabel->setVisible(mode == vmProgrammer);
            chkLogFile->setVisible(mode == vmProgrammer);
            txtHint1->setVisible(mode == vmProgrammer);
            txtHint2->setVisible(mode == vmProgrammer);
            break;
        case vmView: {
            for (QWidget* p : {tabDataConnection, tabDataOptions, tabDataInfo, tabDataStatus, tabScout, tabFunctions,
                               tabProgrammerGraph})
                ShowPage(p, false);
            ShowPage(tabDataGraph, true);
            tabDataControl->setCurrentWidget(tabDataGraph);
            edTimeMin->setEnabled(true);
            edTimeMax->setEnabled(true);
            for (QWidget* w : std::initializer_list<QWidget*>{chkAutomaticScale, chkAutomaticScaleY, chkTimeWindow,
                                                              txtTimeWindow, edTimeWindow, cmdGraphRefresh})
                w->setEnabled(false);
            chkLabel->setVisible(false);
            // The chart prepared for a loaded file.
            std::vector<AnsiString> title = FSession->TitleLines();
            if (title.empty()) title.emplace_back();
            title[0] = Caption();
            FSession->SetTitleLines(title);
            FSession->Series(2)->Marks()->SetColor(0x80FFFF);
            FSession->Series(2)->Marks()->SetVisible(true);
            if (TChartSeries* s = FSession->Series(cmbLineSeries->currentIndex()))
                clbLineColor->SetTeeColor(s->GetSeriesColor());
            edLineName->setText(cmbLineSeries->itemText(0));
            TChartAxis* bottom = graDataGraph->BottomAxis();
            bottom->SetDateTimeFormat("hh:nn:ss");
            bottom->GetTitle()->SetCaption(ChannelText(RowTimeInHhMmSsAxis));
            for (int k = 0; k < ValueSeriesTotal; ++k) {
                TChartSeries* s = FSession->Series(k);
                s->Marks()->SetClip(true);
                s->Marks()->SetColor(clRed);
                s->Marks()->SetVisible(false);
                s->XValues()->SetDateTime(true);
                s->SetActive(k <= 2);
                s->SetVertAxis(CChannelSession::DrawnOnRightAxis(k) ? aRightAxis : aLeftAxis);
            }
            bottom->SetAutomaticMaximum(false);
            chkError->setChecked(false);
            break;
        }
        case vmTPScout:
            ShowPage(tabScout, true);
            ShowPage(tabProgrammerGraph, true);
            tabDataControl->setTabText(tabDataControl->indexOf(tabProgrammerGraph), Q(ChannelText(RowGraph)));
            tabDataControl->setTabText(tabDataControl->indexOf(tabScout), Q(ChannelText(RowScoutProgramEditor)));
            ShowPage(tabDataConnection, false);
            ShowPage(tabFunctions, false);
            tabDataControl->setCurrentWidget(tabScout);
            chkAutomaticScale->setEnabled(true);
            chkTimeWindow->setEnabled(true);
            for (QWidget* w :
                 std::initializer_list<QWidget*>{edTimeMin, edTimeMax, cmdGraphRefresh, txtTimeWindow, edTimeWindow})
                w->setEnabled(false);
            for (QWidget* w : std::initializer_list<QWidget*>{chkLabel, txtHint1, txtHint2}) w->setVisible(false);
            memProtocol->clear();
            break;
        default: break;
    }
    (void)timeWindow;
    if (mode == vmProgrammer || mode == vmTPScout) {
        DisableEditorControls();
        RefreshProgramTree();
        tabProgrammerGraphShow();
    }
}

void TmdiSubWindow::SetViewMode(int channel, int openFlag, bool activate)
{
    NOX_ASSERT_UI_THREAD();
    OpenFlagScratch = std::uint8_t(openFlag);
    if (openFlag == 1 && activate)
        if (TmdiSubWindow* w = channel == FChannel ? this : ChannelWindow(channel)) w->FormActivate();
    QCoreApplication::processEvents();
}

void TmdiSubWindow::focusInEvent(QFocusEvent* event)
{
    QMdiSubWindow::focusInEvent(event);
    platform::GuardedCall([this] { FormActivate(); });
}

void TmdiSubWindow::FocusConnectButton()
{
    NOX_ASSERT_UI_THREAD();
    cmdEstablishConnection->setFocus();
}

void TmdiSubWindow::ShowConnectionPage()
{
    NOX_ASSERT_UI_THREAD();
    ShowPage(tabDataConnection, true);
    tabDataControl->setCurrentWidget(tabDataConnection);
    for (QWidget* p :
         {tabDataGraph, tabDataOptions, tabDataInfo, tabDataStatus, tabScout, tabProgrammerGraph, tabFunctions})
        ShowPage(p, false);
    cmbSlave->setEnabled(false);
}

// ---------------------------------------------------------------- closing

void TmdiSubWindow::closeEvent(QCloseEvent* event)
{
    if (FClosing) {
        event->accept();
        return;
    }
    bool canClose = false;
    platform::GuardedCall([this, &canClose] { FormCloseQuery(!FCloseAsked, canClose); });
    if (canClose) {
        FClosing = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void TmdiSubWindow::FormCloseQuery(bool ask, bool& canClose)
{
    NOX_ASSERT_UI_THREAD();
    canClose = false;
    // The save of a program file is being waited for: the window closes after it.
    if (FProgramSaving) return;
    // A view window that shows no file has no channel to close and nothing to lose.
    if (ask && ViewMode == vmView && !ShowsPoints()) ask = false;
    // A timed start that comes due while the question is open waits for its answer: a yes
    // drops it with the window, a no lets it begin late. Released only after the close is
    // done or refused, so that it cannot begin in between.
    HoldAutomaticStart(TAutomaticStartHold::Question);
    struct Release {
        TmdiSubWindow* window;
        ~Release() { window->ReleaseAutomaticStart(); }
    } release{this};
    if (ask) {
        // A view window shows a file; it is no data channel.
        AnsiString question = ChannelText(ViewMode == vmView ? RowAskCloseView : RowAskCloseChannel);
        if (auto dollar = question.find('$'); dollar != AnsiString::npos)
            question.replace(dollar, 1, IntToStr(FChannel));
        // A run goes no further once its window is gone: the user hears which program and
        // where the unit is left before saying yes, and Enter keeps the window.
        const AnsiString runEnds = RunEndedByCloseText();
        if (!runEnds.empty()) question += "\n\n" + runEnds;
        // Commands the user confirmed and that have not gone out go no more.
        if (const AnsiString unsent = FSession->UnsentCommandNames(); !unsent.empty())
            question += "\n\n" + ChannelText(RowCommandsWaitingOnClose) + " " + unsent;
        // So does an armed timed start, which goes with the window; Enter keeps it.
        const AnsiString dropped = AutomaticStartDroppedByCloseText();
        if (!dropped.empty()) question += "\n\n" + dropped;
        if (!ChannelAskYesNo(question, !runEnds.empty() || !dropped.empty())) {
            if (frmMainWindow) frmMainWindow->LastActivatedChannel = -1;
            return;
        }
    }
    if (!CloseChannelWindow()) return;
    if (frmMainWindow) frmMainWindow->LastActivatedChannel = -1;
    canClose = true;
}

AnsiString TmdiSubWindow::RunEndedByCloseText(bool named) const
{
    NOX_ASSERT_UI_THREAD();
    if (!FRun || !FRun->HasRun()) return AnsiString();
    const bool held = FRun->SegmentHeld || FRun->HeldByUnitOff;
    return (named ? FSession->ChannelName() + ": " : AnsiString()) +
           ChannelText(held ? RowProgramHeldNotEnded : RowProgramStillRunning, {FRun->RunProgramName()}) + " " +
           FRun->UnitLeftText();
}

AnsiString TmdiSubWindow::AutomaticStartDroppedByCloseText(bool named) const
{
    NOX_ASSERT_UI_THREAD();
    if (!FRun || !AutomaticStartArmed) return AnsiString();
    return (named ? FSession->ChannelName() + ": " : AnsiString()) + FRun->CalendarDroppedText();
}

void TmdiSubWindow::HoldAutomaticStart(TAutomaticStartHold why)
{
    NOX_ASSERT_UI_THREAD();
    if (FRun) FRun->HoldCalendar(why);
}

void TmdiSubWindow::ReleaseAutomaticStart()
{
    NOX_ASSERT_UI_THREAD();
    // A window that closed has no start left to release.
    if (FRun) FRun->ReleaseCalendar();
}

bool TmdiSubWindow::ShowsPoints() const
{
    for (int k = 0; k < ValueSeriesTotal; ++k)
        if (const TChartSeries* series = FSession->Series(k); series && series->Count() > 0) return true;
    return false;
}

bool TmdiSubWindow::FormClose()
{
    NOX_ASSERT_UI_THREAD();
    FCloseAsked = true;
    bool canClose = false;
    FormCloseQuery(false, canClose);
    FCloseAsked = false;
    if (!canClose) return false;
    FClosing = true;
    close();
    return true;
}

bool TmdiSubWindow::CloseChannelWindow()
{
    NOX_ASSERT_UI_THREAD();
    if (FProgramSaving) return false;
    if (ViewMode == vmDataRecording || ViewMode == vmProgrammer) {
        const bool connected = FSession->IsConnected();
        if (connected) {
            tmrDataUpdate->stop();
            tmrProgrammer->stop();
        }
        if (frmMainWindow) frmMainWindow->SetSaveEnabled(false);
        // Into the protocol before the closing save, so the file says it too.
        FSession->DropUnsentCommands();
        if (FRun) FRun->ChannelClosing();
        const bool closed = FSession->Close();
        if (frmMainWindow) frmMainWindow->SetSaveEnabled(true);
        // A window that stays open (its recording could not be written and the user kept
        // it) keeps its timed start armed: the program still starts at the planned time.
        if (!closed) return false;
        if (connected) {
            CalendarProgramName = "none";
            CalendarStartTime = Now();
            RecordingActive = 1;
            AutomaticStartArmed = 0;
        }
    }
    if (ViewMode == vmTPScout) {
        // A program the user wanted saved and that was not stays open with its window.
        if (!OfferToSaveScoutPrograms()) return false;
        if (frmMainWindow) frmMainWindow->TPScoutOpen = 0;
    }
    FRun.reset();
    if (FProgrammer) {
        FProgrammer->FreeAllPrograms();
        FProgrammer.reset();
    }
    if (FControlPanel) FControlPanel->SetChannelPanel(FChannel, ChannelText(TextRow(RowChannel1 - 1 + FChannel)), 0);
    if (frmPanelControl)
        if (TChannelPanel* panel = frmPanelControl->ChannelPanel(FChannel)) panel->SetColor(clSilver);

    if (frmMainWindow) {
        frmMainWindow->SetChannelOpen(FChannel, 0);
        TfrmMainWindow* m = frmMainWindow;
        if (m->ChildWindowCount() <= 1) {
            // The last channel window: the main window returns to its empty state.
            for (QAction* a : {m->mnuDatenaufzeichnung, m->mnuVisualisierung, m->mnuProgrammgeber, m->mnuTPScout,
                               m->mnuOpenFile, m->mnuDruckereinstellungen, m->mnuFileExitItem, m->mnuEnglish,
                               m->mnuGerman, m->mnuInformation, m->btnFileOpen})
                a->setEnabled(true);
            m->mnuFileNewItem->menuAction()->setEnabled(true);
            for (QAction* a : {m->mnuFileSaveItem, m->mnuFileCloseItem, m->mnuExport, m->mnuCirculationON,
                               m->mnuDeviceON, m->mnuDeviceOFF, m->mnuSetSetpoint, m->mnuTotalFocus,
                               m->mnuSeriesShowLeft, m->mnuSeriesShowRight, m->mnuSaveZoom, m->btnFileSave,
                               m->cmdTotalFocus, m->cmdSeriesShowLeft, m->cmdSeriesShowRight, m->cmdSaveZoom})
                a->setEnabled(false);
            m->mnuPrint->menuAction()->setEnabled(false);
            if (frmPanelControl) {
                // No channel to name or to show a setpoint of.
                frmPanelControl->ShowChannelLabel(0);
                frmPanelControl->ShowUnitSetpoint(std::nullopt);
            }
            if (FControlPanel) FControlPanel->SetVisible(false);
            m->mnuControlPanel->setEnabled(false);
        } else {
            m->mnuFileNewItem->menuAction()->setEnabled(true);
            for (QAction* a : {m->mnuDatenaufzeichnung, m->mnuVisualisierung, m->mnuProgrammgeber, m->mnuTPScout})
                a->setEnabled(true);
        }
    }
    return true;
}

// ---------------------------------------------------------------- axes for the zoom commands

TChartAxis* TmdiSubWindow::Axis(TChannelAxis axis) const
{
    switch (axis) {
        case TChannelAxis::Bottom: return graDataGraph->BottomAxis();
        case TChannelAxis::Left: return graDataGraph->LeftAxis();
        case TChannelAxis::Right: return graDataGraph->RightAxis();
    }
    return nullptr;
}

double TmdiSubWindow::AxisMaximum(TChannelAxis axis) const
{
    NOX_ASSERT_UI_THREAD();
    return Axis(axis)->GetMaximum();
}

double TmdiSubWindow::AxisMinimum(TChannelAxis axis) const
{
    NOX_ASSERT_UI_THREAD();
    return Axis(axis)->GetMinimum();
}

void TmdiSubWindow::SetAxisLimits(TChannelAxis axis, double maximum, double minimum)
{
    NOX_ASSERT_UI_THREAD();
    SetAxisRange(Axis(axis), minimum, maximum);
}
