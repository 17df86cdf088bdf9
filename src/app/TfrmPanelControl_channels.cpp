// The control panel's channel side: the channel panels that bring a window to the front,
// the user's channel labels, the program buttons forwarded to the active channel window,
// the locking while a program runs, the calendar start, the single ramp and the captions.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolTip>

#include "app/CLanguage.h"
#include "app/IChannelForm.h"
#include "app/IPanelChannelWindow.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {
void SetBackground(QWidget* widget, TColor color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, TColorToQColor(color));
    widget->setPalette(p);
}
}  // namespace

IPanelChannelWindow* TfrmPanelControl::PanelWindowOf(int channel) const
{
    return dynamic_cast<IPanelChannelWindow*>(FormOf(channel));
}

// ---------------------------------------------------------------- channel panels

void TfrmPanelControl::SelectChannel(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (!FMainWindow || FMainWindow->ChildWindowCount() == 0) return;
    const int current = CurrentChannel();
    if (!LookUp(channel)) return;
    IChannelForm* target = FormOf(channel);
    if (!target) return;
    QMdiArea* area = FMainWindow->MdiArea();
    QMdiSubWindow* window = target->SubWindow();
    if (area->currentSubWindow() == window) return;

    IChannelForm* active = FormOf(current);
    QWidget* cover = FMainWindow->pnlBigPanel;
    // A big window would show the change step by step: a plain panel covers the area meanwhile.
    if (active && active->SubWindow()->width() > 900 && active->SubWindow()->height() > 555) {
        SetBackground(cover, clBtnFace);
        cover->setGeometry(area->viewport()->rect());
        cover->show();
        cover->raise();
    }
    IPanelChannelWindow* labels = PanelWindowOf(channel);
    const TColor labelColour = labels ? labels->ChartLabelColour() : clBtnFace;
    if (labels) labels->SetChartLabelColour(clBtnFace);

    (active ? active : target)->SetViewMode(channel, 1, true);
    show();
    window->show();
    area->setActiveSubWindow(window);
    window->raise();

    cover->hide();
    SetBackground(cover, clGray);
    if (labels) labels->SetChartLabelColour(labelColour);
}

void TfrmPanelControl::edChannelLabelKeyDown(QObject*, int Key)
{
    NOX_ASSERT_UI_THREAD();
    platform::DialogOwnerScope owner(this);
    if (Key != VK_RETURN) return;
    const int channel = CurrentChannel();
    TChannelPanel* panel = ChannelPanel(channel);
    if (!panel) return;
    // Afterwards the field shows the channel's label, the new one or the one it kept.
    struct ShowLabel {
        TfrmPanelControl* form;
        int channel;
        ~ShowLabel() { form->ShowChannelLabel(channel); }
    } show{this, channel};

    const AnsiString label = edChannelLabel->text().toStdString();
    if (label.empty()) {
        platform::dialogs().MessageBox(Text(RowNoChannelLabel), Text(RowAttention), MB_OK);
        return;
    }
    // The question names the channel as it is labelled now, and the new label.
    const AnsiString old = ChannelLabel(channel);
    AnsiString question = Text(RowAskChangeLabelOfChannel);
    const AnsiString fields[] = {IntToStr(channel) + (old.empty() ? AnsiString() : " (" + old + ")"), label};
    for (int i = 0; i < 2; ++i)
        if (const auto at = question.find("$" + IntToStr(i + 1)); at != AnsiString::npos)
            question.replace(at, 2, fields[i]);
    if (!FMainWindow || !FMainWindow->AskYesNo(question)) return;
    panel->SetCaption(label);
    panel->Tag = 2;
}

// ---------------------------------------------------------------- program buttons

void TfrmPanelControl::cmdTPStartStopClick(QObject* Sender)
{
    NOX_ASSERT_UI_THREAD();
    platform::DialogOwnerScope owner(this);
    const int channel = CurrentChannel();
    // What the button read when it was pressed decides, not what a tick made of it since.
    const int tag = FStartStopPressed.At(cmdTPStartStop->Tag);
    // The active channel is looked up afresh for a stop too: a stop button that reads "stop"
    // while the program runs must stop it, whatever channel the panel looked up last.
    if (!LookUp(channel)) return;
    IPanelChannelWindow* window = PanelWindowOf(channel);
    if (!window) return;
    if (tag == 1)
        window->btnStartTPClick(Sender);
    else if (tag == 0)
        window->btnStopTPClick(Sender);
}

void TfrmPanelControl::LoadProgram(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (!LookUp(channel)) return;
    IPanelChannelWindow* window = PanelWindowOf(channel);
    if (!window) return;
    window->mnuLoadProgramClick();
    // What the window holds now: a load that was cancelled or refused leaves its program.
    if (FMainWindow) FMainWindow->SetCalendarProgramName(window->LoadedProgramFile());
}

void TfrmPanelControl::cmdTPLoadClick(QObject*)
{
    NOX_ASSERT_UI_THREAD();
    platform::DialogOwnerScope owner(this);
    LoadProgram(CurrentChannel());
}

void TfrmPanelControl::ChannelWindowCommand(void (IPanelChannelWindow::*Command)())
{
    NOX_ASSERT_UI_THREAD();
    platform::DialogOwnerScope owner(this);
    const int channel = CurrentChannel();
    if (!LookUp(channel)) return;
    if (IPanelChannelWindow* window = PanelWindowOf(channel)) (window->*Command)();
}

void TfrmPanelControl::cmdNextSegmentClick(QObject*)
{
    ChannelWindowCommand(&IPanelChannelWindow::btnCancelSegmentClick);
}

void TfrmPanelControl::cmdHoldSegmentClick(QObject*)
{
    ChannelWindowCommand(&IPanelChannelWindow::btnPauseSegmentClick);
}

// ---------------------------------------------------------------- locking

void TfrmPanelControl::SetDeviceControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{cmdKelvorStart, cmdKelvorStop, cmdDataToKelvor, cmbTempMethod,
                                                      cmdKelvorStartCirculation, cmdTPLoad, cmdTPStartStop, edSetPoint})
        w->setEnabled(enabled);
    if (FMainWindow)
        for (QAction* a : {FMainWindow->mnuCirculationON, FMainWindow->mnuDeviceON, FMainWindow->mnuDeviceOFF,
                           FMainWindow->mnuSetSetpoint})
            a->setEnabled(enabled);
}

void TfrmPanelControl::LockDeviceControls()
{
    NOX_ASSERT_UI_THREAD();
    SetDeviceControlsEnabled(false);
}

void TfrmPanelControl::UnlockDeviceControls()
{
    NOX_ASSERT_UI_THREAD();
    SetDeviceControlsEnabled(true);
    SetStartStopTag(1);
}

void TfrmPanelControl::SetStartStopTag(int tag)
{
    NOX_ASSERT_UI_THREAD();
    cmdTPStartStop->Tag = tag;
    // Start and stop look different, not only in their hint: a click on the picture of a
    // start never means a stop.
    cmdTPStartStop->setIcon(style()->standardIcon(tag == 1 ? StartProgramGlyph : StopProgramGlyph));
    const QString hint = Q(Text(tag == 1 ? RowPanelStartProgram : RowPanelStopProgram));
    if (hint == cmdTPStartStop->toolTip()) return;
    cmdTPStartStop->setToolTip(hint);
    // A hint shown at the moment keeps its old text: the user is to read what a click does now.
    if (QToolTip::isVisible() && cmdTPStartStop->underMouse()) QToolTip::showText(QCursor::pos(), hint, cmdTPStartStop);
}

// ---------------------------------------------------------------- calendar start

void TfrmPanelControl::EnableProgramControls(int channel)
{
    IChannelForm* form = FormOf(channel);
    IPanelChannelWindow* window = PanelWindowOf(channel);
    if (!form || !window) return;
    if (CurrentChannel() == channel) {
        cmdTPLoad->setEnabled(true);
        cmdTPStartStop->setEnabled(true);
        cmdNextSegment->setEnabled(false);
        cmdHoldSegment->setEnabled(false);
    }
    const bool programs = window->ProgramTreeNodeCount() > 0;
    window->SetProgramControlEnabled(TProgramControl::btnDeleteTP, programs);
    window->SetProgramControlEnabled(TProgramControl::mnuDeleteProgram, programs);
    for (TProgramControl c : {TProgramControl::btnLoadTP, TProgramControl::btnTPStartStop,
                              TProgramControl::mnuLoadProgram, TProgramControl::mnuStartStopProgram})
        window->SetProgramControlEnabled(c, true);
    for (TProgramControl c : {TProgramControl::btnPauseSegment, TProgramControl::btnCancelSegment,
                              TProgramControl::mnuCancelSegment, TProgramControl::mnuPauseSegment})
        window->SetProgramControlEnabled(c, false);
}

void TfrmPanelControl::ArmAutomaticStart(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (!LookUp(channel)) return;
    IChannelForm* form = FormOf(channel);
    IPanelChannelWindow* window = PanelWindowOf(channel);
    if (!form || !window || !FCalendarEntries) return;
    const TCalendarStart entry = FCalendarEntries->CalendarEntry(channel);
    // A start armed again as it was keeps the moment it was armed.
    if (!form->AutomaticStartArmed || window->CalendarProgramName != entry.ProgramName ||
        window->CalendarStartTime != entry.StartTime)
        window->CalendarArmedAt = Now();
    form->AutomaticStartArmed = entry.Armed;
    window->CalendarProgramName = entry.ProgramName;
    window->CalendarStartTime = entry.StartTime;
    window->RecordingActive = entry.RecordingActive;

    if (form->ViewMode != vmProgrammer) return;
    if (form->AutomaticStartArmed) {
        if (CurrentChannel() == channel)
            for (QWidget* w :
                 std::initializer_list<QWidget*>{cmdTPLoad, cmdTPStartStop, cmdNextSegment, cmdHoldSegment})
                w->setEnabled(false);
        for (TProgramControl c :
             {TProgramControl::btnDeleteTP, TProgramControl::btnLoadTP, TProgramControl::btnTPStartStop,
              TProgramControl::btnPauseSegment, TProgramControl::btnCancelSegment, TProgramControl::mnuDeleteProgram,
              TProgramControl::mnuLoadProgram, TProgramControl::mnuStartStopProgram, TProgramControl::mnuCancelSegment,
              TProgramControl::mnuPauseSegment})
            window->SetProgramControlEnabled(c, false);
        window->DisableEditorControls();
    } else if (!form->ProgramRunning) {
        EnableProgramControls(channel);
    }
}

AnsiString TfrmPanelControl::ChannelProgramFile(int channel) const
{
    NOX_ASSERT_UI_THREAD();
    const IPanelChannelWindow* window = PanelWindowOf(channel);
    return window ? window->LoadedProgramFile() : AnsiString();
}

bool TfrmPanelControl::ChannelProgramChanged(int channel) const
{
    NOX_ASSERT_UI_THREAD();
    const IPanelChannelWindow* window = PanelWindowOf(channel);
    return window && window->LoadedProgramChanged();
}

void TfrmPanelControl::DisarmAutomaticStart(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (!LookUp(channel)) return;
    IChannelForm* form = FormOf(channel);
    IPanelChannelWindow* window = PanelWindowOf(channel);
    if (!form || !window) return;
    form->AutomaticStartArmed = 0;
    window->CalendarProgramName = "none";
    window->CalendarStartTime = Now();
    window->RecordingActive = 1;
    if (form->ViewMode == vmProgrammer && !form->ProgramRunning) EnableProgramControls(channel);
}

void TfrmPanelControl::HoldAutomaticStart(int channel, bool hold)
{
    NOX_ASSERT_UI_THREAD();
    if (!LookUp(channel)) return;
    IChannelForm* form = FormOf(channel);
    if (!form) return;
    if (hold)
        form->HoldAutomaticStart(TAutomaticStartHold::StartForm);
    else
        form->ReleaseAutomaticStart();
}

// ---------------------------------------------------------------- single ramp

void TfrmPanelControl::ApplySingleRamp(int& channel, double& temperature, int& controlMode, int& seconds)
{
    NOX_ASSERT_UI_THREAD();
    // The channel window tells a ramp that fails on its way, with the unit's state; a failure
    // that comes out of it still is told here, never dropped.
    try {
        if (IPanelChannelWindow* window = PanelWindowOf(channel))
            window->RunSingleRamp(temperature, seconds, controlMode);
        if (FMainWindow) FMainWindow->SetCalendarProgramName(CurrentText(RowRamp));
    } catch (const std::exception& e) {
        platform::dialogs().MessageBox(Text(RowRampFailed) + e.what(), Text(RowError), MB_OK | MB_ICONERROR);
    }
}

// ---------------------------------------------------------------- language

void TfrmPanelControl::SetLanguage(int language)
{
    NOX_ASSERT_UI_THREAD();
    if (language != 0 && language != 1) return;
    CLanguage* texts = CLanguage::Instance();
    auto text = [&](int row) {
        AnsiString out;
        return Q(texts->LookupText(language, row, out));
    };
    for (int c = 1; c <= MaxChannelWindows; ++c) {
        TChannelPanel* panel = ChannelPanel(c);
        if (panel->Tag == 0) {
            panel->setText(text(RowChannel1 - 1 + c));
        } else if (panel->Tag == 1 && FMainWindow && FMainWindow->IsChannelOpen(c)) {
            if (IChannelForm* form = FormOf(c)) {
                switch (form->ViewMode) {
                    case vmDataRecording: panel->setText(text(RowMenuDataRecording)); break;
                    case vmView: panel->setText(text(RowMenuView)); break;
                    case vmProgrammer: panel->setText(text(RowMenuProgrammer)); break;
                    default: panel->setText("TPScout"); break;
                }
            }
        }
    }
    grpChannels->setTitle(text(RowDevice));
    grpFunctions->setTitle(text(RowFunctions));
    txtSetPointEnter->setText(text(RowSetpointDegrees));
    txtTempMethod->setText(text(RowTemperatureControlMode));
    txtChanneltLabel->setText(text(RowChannelLabel));
    cmbTempMethod->setItemText(0, text(RowModeInternal));
    cmbTempMethod->setItemText(1, text(RowModeProcess));
    setWindowTitle(text(RowControlPanel));
    FitTitle();
    cmdKelvorStart->setToolTip(text(RowActivateTemperatureControl));
    cmdKelvorStop->setToolTip(text(RowDeactivateTemperatureControl));
    cmdDataToKelvor->setToolTip(text(RowSetSetpoint));
    cmdKelvorStartCirculation->setToolTip(text(RowActivateCirculation));
    cmdTPLoad->setToolTip(text(RowPanelLoadProgram));
    cmdTPStartStop->setToolTip(text(cmdTPStartStop->Tag == 1 ? RowPanelStartProgram : RowPanelStopProgram));
    cmdNextSegment->setToolTip(text(RowPanelCancelSegment));
    cmdHoldSegment->setToolTip(text(RowPanelHoldSegment));
    // The control mode stays as the operator chose it: this runs at every switch and for
    // every new window, and the next "control on" sends what the list shows.
    for (TSpeedButton* b : {cmdKelvorStart, cmdKelvorStop, cmdDataToKelvor}) b->Tag = language;
}
