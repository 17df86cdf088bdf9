// The programmer view's run: its commands (the window's buttons, its pop-up menu and the
// control panel's program buttons), the programmer timer, what the run's stages do to the
// window's, the panel's and the main window's controls, and the single ramp.
#include <utility>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "app/TfrmWait.h"
#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/Dialogs.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"

using namespace resources;

void TmdiSubWindow::CreateProgrammer()
{
    NOX_ASSERT_UI_THREAD();
    if (FProgrammer) return;
    FProgrammer = std::make_unique<CProgrammer>(FChannel);
    FRun = std::make_unique<CProgramRun>(*FSession, *FProgrammer, FProgramTree);
    FRun->BindCalendar(AutomaticStartArmed, CalendarProgramName, CalendarStartTime, RecordingActive, CalendarArmedAt);
    FRun->BindStateFlags(&ProgramRunning, &ProgramStarting);
    FRun->SetProfileSeries(Series1);
    FRun->OnRunEvent = [this](TRunEvent event) { ProgramRunEvent(event); };
    FRun->OnProfileChanged = [this] { ShowProfileLegend(); };
    // A timed start fires on this window's own tick: it starts this window's program, not
    // the one of whichever window is active.
    FRun->OnCalendarStart = [this] { btnStartTPClick(nullptr); };
    if (ViewMode == vmProgrammer) {
        // The planned setpoints are drawn beside the recorded ones, so the user sees the
        // program's plan and what the unit did.
        TChartSeries* planned = FSession->Series(SeriesProgrammer);
        planned->SetActive(true);
        if (auto* line = dynamic_cast<TFastLineSeries*>(planned)) {
            line->GetLinePen()->SetVisible(true);
            line->GetLinePen()->SetStyle(psDash);
        }
    }
}

TRunSettings TmdiSubWindow::RunSettings() const
{
    NOX_ASSERT_UI_THREAD();
    TRunSettings s;
    s.StartTemperature = edStartTemperature->text().toStdString();
    s.Repeat = cmbRepeat->currentIndex();
    s.EndAction = cmbEndofProgram->currentIndex();
    return s;
}

void TmdiSubWindow::tmrProgrammerTimer()
{
    NOX_ASSERT_UI_THREAD();
    if (!FRun) {
        FSession->Tick();
        return;
    }
    FRun->Tick();
    // A segment that began or a cancel that took effect changes what the run's controls offer.
    UpdateProgramCommands();
}

void TmdiSubWindow::UpdateRunningData()
{
    NOX_ASSERT_UI_THREAD();
    if (FRun)
        FRun->UpdateRunningData();
    else
        FSession->Tick();
}

// ---------------------------------------------------------------- commands

void TmdiSubWindow::btnStartTPClick(QObject*)
{
    NOX_ASSERT_UI_THREAD();
    if (!FRun) return;
    MarkValuesModified(false);
    FRun->RequestStart(FSelectedNode, RunSettings());
}

void TmdiSubWindow::btnStopTPClick(QObject*)
{
    NOX_ASSERT_UI_THREAD();
    if (FRun) FRun->RequestStop();
}

void TmdiSubWindow::btnTPStartStopClick()
{
    NOX_ASSERT_UI_THREAD();
    // A tick may have turned "stop" into "start" between the press and the release: the
    // click does what the button read when it was pressed. A stop with no run left stops
    // nothing; a start while a run goes on is refused with a message.
    if (FStartStopPressed.At(btnTPStartStopTag) == 1)
        btnStartTPClick(btnTPStartStop);
    else
        btnStopTPClick(btnTPStartStop);
}

void TmdiSubWindow::mnuStartStopProgramClick()
{
    NOX_ASSERT_UI_THREAD();
    // The item does what it read when the menu opened, to the run it was about; a start
    // asks first either way.
    const int tag = std::exchange(FMenuStartStopTag, -1);
    if ((tag == -1 ? btnTPStartStopTag : tag) == 1)
        btnStartTPClick(btnTPStartStop);
    else if (FRun)
        FRun->RequestStop(tag == -1 ? CProgramRun::CurrentRun : FMenuRun, FMenuProgram);
}

void TmdiSubWindow::btnPauseSegmentClick()
{
    NOX_ASSERT_UI_THREAD();
    if (FRun) FRun->HoldOrResume();
}

void TmdiSubWindow::btnCancelSegmentClick()
{
    NOX_ASSERT_UI_THREAD();
    if (!FRun) return;
    FRun->CancelSegment();
    UpdateProgramCommands();
}

void TmdiSubWindow::RunSingleRamp(double& temperature, int& seconds, int& controlMode)
{
    NOX_ASSERT_UI_THREAD();
    if (!FRun || ViewMode != vmProgrammer) return;
    const AnsiString caption = ChannelText(RowWarning);
    // A ramp starts from the unit's recorded setpoint: without a connection and a recorded
    // point there is none.
    auto recordedSetpoint = [this]() -> const TChartSeries* {
        const TChartSeries* recorded = FSession->Series(2);
        return FSession->IsConnected() && recorded && recorded->Count() > 0 ? recorded : nullptr;
    };
    if (!recordedSetpoint()) {
        platform::dialogs().MessageBox(ChannelText(RowNoActiveConnection), caption, MB_OK);
        return;
    }
    // An ended run still waiting for its tidy-up is let go: the ramp replaces its program.
    if (!FRun->TidyUpRunOver()) {
        platform::dialogs().MessageBox(ChannelText(RowStopProgramFirst), caption, MB_OK);
        return;
    }
    if (!FRun->SetpointSendable(temperature)) {
        platform::dialogs().MessageBox(ChannelText(RowValueOutOfBounds), caption, MB_OK);
        return;
    }
    // The loaded program (perhaps edited and not saved) goes only with the user's yes, as
    // when another program is loaded over it, and only once the start is confirmed too: a
    // "no" to either leaves it as it is.
    // The question says which channel's program would go.
    if (FProgramTree.TopLevelCount() > 0 &&
        !ChannelAskYesNo(ChannelText(RowAskReplaceLoadedProgram) + "\n\n" + FSession->ChannelName() + ": \"" +
                         FProgramTree.TopLevelItem(0)->Text + "\""))
        return;
    if (!FRun->ConfirmStart(ChannelText(RowSingleRamp))) return;
    // The ticks went on while the questions were open.
    const TChartSeries* recorded = recordedSetpoint();
    if (!recorded || FRun->HasRun() || AutomaticStartArmed) return;
    const double start = recorded->GetyValue(recorded->Count() - 1);
    // A ramp that fails on its way is told with the state the unit is left in, never
    // dropped: a start that had not begun is undone, a run that had is ended where it stands.
    try {
        BuildAndStartSingleRamp(temperature, seconds, controlMode, start);
    } catch (const std::exception& e) {
        FRun->Fail(RowRampFailed, e.what());
    } catch (...) {
        FRun->Fail(RowRampFailed, ChannelText(RowUnknownError));
    }
}

void TmdiSubWindow::BuildAndStartSingleRamp(double temperature, int seconds, int controlMode, double start)
{
    // The ramp replaces a loaded program.
    if (!FProgrammer->IsSlotFree(0)) {
        FProgrammer->FreeProgram(0);
        FProgrammer->RemoveProgramSlot(0);
    }
    FProgramTree.Clear();
    FSelectedNode = nullptr;
    const int slot = FProgrammer->FindFreeSlot();
    const AnsiString name = ChannelText(RowSingleRamp);
    TTreeNode* program = FProgramTree.Add(nullptr, name);
    program->ImageIndex = program->SelectedIndex = ProgramNodeImage;
    FProgrammer->CreateProgram(slot, program, name);
    FProgrammer->SetProgramSettings(slot, false, false, false, start, true);
    const AnsiString segmentName = ChannelText(RowRamp);
    TTreeNode* segment = FProgramTree.AddChild(program, segmentName);
    segment->ImageIndex = segment->SelectedIndex = SegmentNodeImage;
    FProgrammer->AddSegment(segment, segmentName, slot);
    FProgrammer->SetSegmentValues(segment, std::max(0, seconds), 0, controlMode != 0 ? 1 : 0, 2, -1, temperature);
    ProgramFileName = segmentName;

    MarkValuesModified(false);
    FSelectedNode = segment;
    RefreshProgramTree();
    ShowProgramValues(segment);
    ShowSegmentValues(segment);
    // The user has confirmed this start before the program was built.
    FRun->RequestStart(FSelectedNode, RunSettings(), true);
}

bool TmdiSubWindow::ReleaseEndedProgram()
{
    NOX_ASSERT_UI_THREAD();
    return !FRun || FRun->TidyUpRunOver();
}

// ---------------------------------------------------------------- what the run's stages enable

std::pair<std::uint32_t, bool> TmdiSubWindow::ProgramLockSeen() const
{
    const bool run = FRun && FRun->HasRun();
    return {run ? FRun->RunSerial() : 0, run || AutomaticStartArmed != 0};
}

void TmdiSubWindow::UpdateProgramCommands()
{
    NOX_ASSERT_UI_THREAD();
    if (!btnCreateTP) return;
    const bool programmer = ViewMode == vmProgrammer;
    const bool run = FRun && FRun->HasRun();
    const bool armed = AutomaticStartArmed != 0;
    const bool locked = run || armed;
    TTreeNode* node = FSelectedNode && FProgramTree.Contains(FSelectedNode) ? FSelectedNode : nullptr;
    const bool segment = node && node->Parent();
    const bool programs = FProgramTree.TopLevelCount() > 0;
    const bool slotFree = FProgrammer && FProgrammer->FindFreeSlot() >= 0;
    const bool canCreate = !locked && slotFree && (!programmer || !programs);

    // An open pop-up menu keeps what it offered when it opened: an item never changes
    // under the pointer.
    const bool menuOpen = FMenuOpen;
    btnCreateTP->setEnabled(canCreate);
    btnDeleteTP->setEnabled(!locked && node);
    btnLoadTP->setEnabled(!locked && (programmer || slotFree));
    btnSaveTP->setEnabled(node != nullptr);
    btnAddSegment->setEnabled(!locked && node);
    btnDeleteSegment->setEnabled(!locked && segment);
    btnApplyValues->setEnabled(!locked && node);
    if (!menuOpen) {
        mnuCreateProgram->setEnabled(canCreate);
        mnuDeleteProgram->setEnabled(!locked && node);
        mnuLoadProgram->setEnabled(!locked && (programmer || slotFree));
        mnuSaveProgram->setEnabled(node != nullptr);
        mnuAddSegment->setEnabled(!locked && node);
        mnuPasteSegment->setEnabled(!locked && segment);
        mnuDeleteSegment->setEnabled(!locked && segment);
    }

    // Start, stop, hold and cancel belong to the programmer view. The start/stop button and
    // menu item read what they do next and do what they read: from the start request to the
    // tidy-up they stop, and an ended run that waits for its last tick has nothing to stop.
    const bool startable = !armed && programs && FSession->IsConnected();
    btnTPStartStopTag = run ? 0 : 1;
    btnTPStartStop->setVisible(programmer);
    btnPauseSegment->setVisible(programmer);
    btnCancelSegment->setVisible(programmer);
    const bool startStop = programmer && (run ? FRun->CanStop() : startable);
    btnTPStartStop->setEnabled(startStop);
    const QString startStopText = Q(ChannelText(run ? RowPanelStopProgram : RowPanelStartProgram));
    btnTPStartStop->setText(startStopText);
    // A start that waits for its recorded points says so where the user looks: under the
    // run's buttons, with about how long it still waits (at long intervals minutes), and in
    // the button's hint.
    const int startsIn = run ? FRun->SecondsUntilStart() : -1;
    btnTPStartStop->setToolTip(startsIn >= 0 ? Q(ChannelText(RowProgramWaitsForPoints)) : QString());
    if (txtRunWaits) {
        txtRunWaits->setVisible(programmer && startsIn >= 0);
        txtRunWaits->setText(startsIn >= 0 ? Q(ChannelText(RowProgramWaitsForPoints) + " " + StartsInText(startsIn))
                                           : QString());
    }
    const bool holdable = programmer && run && FRun->CanHold();
    btnPauseSegment->setEnabled(holdable);
    btnPauseSegment->setText(Q(ChannelText(run && FRun->SegmentHeld ? RowContinueSegment : RowHoldContinueSegment)));
    // A held segment can be cancelled too: the run goes on with the next one.
    const bool cancellable = programmer && run && FRun->CanCancel();
    btnCancelSegment->setEnabled(cancellable);
    if (!menuOpen) {
        mnuStartStopProgram->setEnabled(startStop);
        mnuStartStopProgram->setText(startStopText);
        mnuPauseSegment->setEnabled(holdable);
        mnuCancelSegment->setEnabled(cancellable);
        for (QAction* a : {mnuStartStopProgram, mnuCancelSegment, mnuPauseSegment}) a->setVisible(programmer);
    }
    // The panel's program buttons of the active window's run say and offer the same.
    if (run && programmer && frmPanelControl && frmMainWindow && frmMainWindow->ActiveChannel() == FChannel) {
        frmPanelControl->SetStartStopTag(0);
        frmPanelControl->cmdTPStartStop->setEnabled(FRun->CanStop());
        frmPanelControl->cmdNextSegment->setEnabled(cancellable);
        frmPanelControl->cmdHoldSegment->setEnabled(holdable);
    }
}

DeviceCommandQueue::TResult TmdiSubWindow::QueueDeviceCommand(const AnsiString& frame, int replyLength,
                                                              const AnsiString& followUp, bool once)
{
    NOX_ASSERT_UI_THREAD();
    return FSession->QueueDeviceCommand(frame, replyLength, followUp, once);
}

void TmdiSubWindow::SetProgramControlEnabled(TProgramControl control, bool enabled)
{
    NOX_ASSERT_UI_THREAD();
    switch (control) {
        case TProgramControl::btnDeleteTP: btnDeleteTP->setEnabled(enabled); break;
        case TProgramControl::btnLoadTP: btnLoadTP->setEnabled(enabled); break;
        case TProgramControl::btnTPStartStop: btnTPStartStop->setEnabled(enabled); break;
        case TProgramControl::btnPauseSegment: btnPauseSegment->setEnabled(enabled); break;
        case TProgramControl::btnCancelSegment: btnCancelSegment->setEnabled(enabled); break;
        // The pop-up menu's items stay as they were while it is open.
        case TProgramControl::mnuDeleteProgram:
            if (!FMenuOpen) mnuDeleteProgram->setEnabled(enabled);
            break;
        case TProgramControl::mnuLoadProgram:
            if (!FMenuOpen) mnuLoadProgram->setEnabled(enabled);
            break;
        case TProgramControl::mnuStartStopProgram:
            if (!FMenuOpen) mnuStartStopProgram->setEnabled(enabled);
            break;
        case TProgramControl::mnuCancelSegment:
            if (!FMenuOpen) mnuCancelSegment->setEnabled(enabled);
            break;
        case TProgramControl::mnuPauseSegment:
            if (!FMenuOpen) mnuPauseSegment->setEnabled(enabled);
            break;
    }
}

void TmdiSubWindow::ProgramRunEvent(TRunEvent event)
{
    // The panel's program buttons belong to the active window; a run in a background window
    // (a timed start) leaves them to that one.
    const bool active = frmMainWindow && frmMainWindow->ActiveChannel() == FChannel;
    TfrmPanelControl* panel = active ? frmPanelControl : nullptr;
    switch (event) {
        case TRunEvent::StartRequested:
            DisableEditorControls();
            if (panel) {
                panel->LockDeviceControls();
                // The run sets the unit's setpoint from now on: the locked field follows it.
                panel->ShowUnitSetpoint(FSession->UnitSetpoint());
                panel->SetStartStopTag(0);
                panel->cmdTPStartStop->setEnabled(true);
                panel->cmdNextSegment->setEnabled(true);
                panel->cmdHoldSegment->setEnabled(true);
            }
            if (frmMainWindow) {
                frmMainWindow->btnFileOpen->setEnabled(false);
                frmMainWindow->mnuOpenFile->setEnabled(false);
            }
            RefreshProgramTree();
            break;
        case TRunEvent::Started: MarkValuesModified(false); break;
        case TRunEvent::Ended:
        case TRunEvent::Stopped:
            // Until the tidy-up the panel's start/stop button still reads "stop", with nothing
            // left to stop.
            if (panel) {
                panel->cmdTPStartStop->setEnabled(false);
                panel->cmdNextSegment->setEnabled(false);
                panel->cmdHoldSegment->setEnabled(false);
            }
            if (event == TRunEvent::Stopped && frmWait && dynamic_cast<platform::QtDialogs*>(&platform::dialogs())) {
                frmWait->ShowText(Q(ChannelText(RowProgramIsStopped)));
                // Over the window of the channel whose run it is.
                frmWait->move(mapToGlobal(rect().center()) - frmWait->rect().center());
            }
            break;
        case TRunEvent::TidiedUp:
            if (panel) {
                panel->UnlockDeviceControls();
                // The field the user may now send from shows what the unit was last given
                // or told back, never an older poll.
                if (const std::optional<double> setpoint = FSession->UnitSetpoint()) panel->ShowUnitSetpoint(setpoint);
                panel->cmdTPStartStop->setEnabled(true);
                panel->cmdNextSegment->setEnabled(false);
                panel->cmdHoldSegment->setEnabled(false);
            }
            if (frmMainWindow) {
                frmMainWindow->btnFileOpen->setEnabled(true);
                frmMainWindow->mnuOpenFile->setEnabled(true);
            }
            if (frmWait) frmWait->hide();
            // The remaining time under the legend says that no segment runs any more.
            graDataGraph->Invalidate();
            RefreshProgramTree();
            if (FSelectedNode && FSelectedNode->Parent())
                EnableEditorControls();
            else {
                for (QWidget* w : std::initializer_list<QWidget*>{cmbRepeat, edStartTemperature, cmbStirrer, cmbPoko})
                    w->setEnabled(FSelectedNode != nullptr);
                cmbEndofProgram->setEnabled(FSelectedNode && cmbRepeat->currentIndex() == 0);
            }
            break;
        case TRunEvent::Held:
            if (panel) {
                panel->cmdNextSegment->setEnabled(FRun->CanCancel());
                panel->cmdHoldSegment->setEnabled(true);
            }
            break;
        case TRunEvent::Resumed:
            if (panel) {
                panel->cmdNextSegment->setEnabled(true);
                panel->cmdHoldSegment->setEnabled(true);
            }
            break;
        case TRunEvent::CalendarDisarmed:
            if (panel) {
                panel->cmdTPLoad->setEnabled(true);
                panel->cmdTPStartStop->setEnabled(true);
            }
            if (FSelectedNode && FSelectedNode->Parent()) EnableEditorControls();
            break;
    }
    UpdateProgramCommands();
    // An open automatic-start form never shows "standby" for a run that began.
    if (frmMainWindow &&
        (event == TRunEvent::StartRequested || event == TRunEvent::TidiedUp || event == TRunEvent::CalendarDisarmed))
        frmMainWindow->ProgramStateChanged(FChannel);
}
