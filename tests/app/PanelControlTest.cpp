// The control panel on a real main window with fake channel windows and a channel object
// that records the frames: device commands and their refusals, the channel panels, labels,
// program buttons, locking, calendar start, single ramp and captions.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QTimer>

#include "PanelFakes.h"
#include "app/CLanguage.h"
#include "app/IShellHooks.h"
#include "app/TfrmMainWindow.h"
#include "comm/CTolvarProtocol.h"
#include "platform/DateTime.h"
#include "resources/TextRows.h"
#include "support/ScriptedDialogs.h"

using namespace resources;

namespace {

AnsiString S(const QString& s)
{
    return s.toStdString();
}
AnsiString Row(int language, int row)
{
    AnsiString out;
    return CLanguage::Instance()->LookupText(language, row, out);
}

class RecordingProgrammerDialogs : public IProgrammerDialogs {
public:
    void ClearOverview() override {}
    void SetChannelState(int, int, int, const AnsiString&, int, int) override {}
    void ShowDateTimePicker() override {}
    void SetProgramName(const AnsiString& name) override { names.push_back(name); }
    void ShowSingleRamp(int) override {}
    std::vector<AnsiString> names;
};

class Entries : public ICalendarStartEntries {
public:
    TCalendarStart CalendarEntry(int channel) const override { return entries.at(channel); }
    std::map<int, TCalendarStart> entries;
};

void PressKey(QObject* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

class PanelControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        support::TestDialogs().Clear();
        window = std::make_unique<TfrmMainWindow>(&factory, CLanguage::English);
        window->tmrPopUp->stop();
        window->SetProgrammerDialogs(&programmer);
        panel = new TfrmPanelControl(window.get());
        // Shown but never painted: the offscreen painting runs in Qt's own thread pool.
        panel->setUpdatesEnabled(false);
    }
    void TearDown() override
    {
        delete panel;
        window.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        support::TestDialogs().Clear();
    }
    // Opens a channel window of the mode; it becomes the active one. Connected unless said.
    FakePanelChannelForm* Open(int mode, bool connected = true)
    {
        switch (mode) {
            case vmView: window->mnuVisualisierungClick(); break;
            case vmProgrammer: window->mnuProgrammgeberClick(); break;
            default: window->mnuDatenaufzeichnungClick(); break;
        }
        FakePanelChannelForm* form = factory.created.back();
        form->Connected = connected ? 1 : 0;
        return form;
    }
    // The poll thread takes up the pending command.
    static void TakeUp(RecordingChannel& c) { c.oneShot = false; }
    std::vector<support::ShownMessage> Messages() { return support::TestDialogs().Messages(); }

    FakePanelChannelFactory factory;
    RecordingProgrammerDialogs programmer;
    std::unique_ptr<TfrmMainWindow> window;
    TfrmPanelControl* panel = nullptr;
};

}  // namespace

TEST_F(PanelControlTest, DeviceCommandsAskThenHandOverOneShotFramesAtTheChannelsAddress)
{
    Open(vmDataRecording);
    RecordingChannel unit(1, 1);
    panel->cmdKelvorStartCirculationClick(panel->cmdKelvorStartCirculation);
    TakeUp(unit);
    panel->cmdKelvorStopClick(panel->cmdKelvorStop);
    ASSERT_EQ(unit.handed.size(), 2u);
    EXPECT_EQ(unit.handed[0].frame, "[M01G0DC*****D9\r");
    EXPECT_EQ(unit.handed[0].followUp, "[M01C14*************D3\r");
    for (const auto& h : unit.handed) EXPECT_TRUE(h.frameLength == 16 && h.replyLength == 24 && h.followUpLength == 23);
    EXPECT_EQ(unit.oneShots, 2);
    // Each question names the channel it acts on, and its label when it has one.
    auto shown = Messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, Row(1, RowAskActivateCirculation) + "\n\nChannel 1");
    EXPECT_EQ(shown[1].text, Row(1, RowAskDeactivateControlOrCirculation) + "\n\nChannel 1");

    // Two-digit addresses get no "0"; the method list chooses internal or process control.
    RecordingChannel bus(Open(vmDataRecording)->Channel(), 12);
    panel->cmdKelvorStopClick(panel->cmdKelvorStop);
    ASSERT_EQ(bus.handed.size(), 1u);
    EXPECT_EQ(bus.handed[0].frame, "[M12G0DO*****E7\r");
    RecordingChannel three(Open(vmDataRecording)->Channel(), 3);
    panel->edChannelLabel->setText("Reactor B");
    support::TestDialogs().QueueAnswer(IDYES);
    panel->edChannelLabelKeyDown(panel->edChannelLabel, VK_RETURN);
    panel->cmdKelvorStartClick(panel->cmdKelvorStart);
    ASSERT_EQ(three.handed.size(), 1u);
    EXPECT_EQ(three.handed[0].frame, "[M03G0DI*****E1\r");
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              Row(1, RowAskActivateTemperatureControl) + "\n\nChannel 3 (Reactor B)\n" +
                  Row(1, RowTemperatureControlMode) + ": " + Row(1, RowModeInternal));
}

TEST_F(PanelControlTest, TheLabelQuestionNamesChannelAndLabelAndTheFieldKeepsTheLabel)
{
    Open(vmDataRecording);
    Open(vmDataRecording);
    ASSERT_EQ(window->ActiveChannel(), 2);
    auto enter = [&](const char* label, int answer) {
        support::TestDialogs().Clear();
        if (answer != 0) support::TestDialogs().QueueAnswer(answer);
        panel->edChannelLabel->setText(label);
        PressKey(panel->edChannelLabel, Qt::Key_Return);
        return support::TestDialogs().MessageCount() == 1 ? support::TestDialogs().LastMessage().text : AnsiString();
    };
    EXPECT_EQ(enter("Bath A", IDYES), "Do you want to change the label of channel 2 to \"Bath A\"?");
    EXPECT_EQ(panel->ChannelPanel(2)->Caption(), "Bath A");
    EXPECT_EQ(S(panel->edChannelLabel->text()), "Bath A");
    // A "no" keeps the label, and the field shows it again.
    EXPECT_EQ(enter("Bath B", IDNO), "Do you want to change the label of channel 2 (Bath A) to \"Bath B\"?");
    EXPECT_EQ(panel->ChannelPanel(2)->Caption(), "Bath A");
    EXPECT_EQ(S(panel->edChannelLabel->text()), "Bath A");
    EXPECT_EQ(enter("", 0), "You didn't enter a channel label!");
    EXPECT_EQ(S(panel->edChannelLabel->text()), "Bath A");
    window->mnuGermanClick();
    EXPECT_EQ(enter("Bad C", IDYES), "Wollen Sie die Bezeichnung von Kanal 2 (Bath A) in \"Bad C\" ändern?");
    EXPECT_EQ(S(panel->edChannelLabel->text()), "Bad C");
    EXPECT_EQ(panel->ChannelPanel(2)->Caption(), "Bad C");
    EXPECT_NE(panel->ChannelPanel(1)->Caption(), "Bad C");
}

TEST_F(PanelControlTest, SetpointDigitsRangeAndLimits)
{
    FakePanelChannelForm* form = Open(vmDataRecording);
    RecordingChannel unit(1, 1);
    struct Case {
        const char* text;
        const char* digits;  // nullptr: refused with the message
        const char* message;
    };
    const Case cases[] = {
        {"20,5", "0802", nullptr},
        {"327,67", "7FFF", nullptr},
        {"-10", "FC18", nullptr},
        {"-327,68", "8000", nullptr},
        {" 0,145 ", "000F", nullptr},
        // A signed unit would read 400.00 as -255.36: never sent.
        {"400", nullptr, "Set value out of limits!"},
        {"327,675", nullptr, "Set value out of limits!"},
        {"-327,69", nullptr, "Set value out of limits!"},
        {"20.5", nullptr, "Faulty Setpoint!"},
        {"abc", nullptr, "Faulty Setpoint!"},
        {"", nullptr, "Faulty Setpoint!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        support::TestDialogs().Clear();
        unit.handed.clear();
        TakeUp(unit);
        panel->edSetPoint->setText(c.text);
        panel->cmdDataToKelvorClick(panel->cmdDataToKelvor);
        auto shown = Messages();
        ASSERT_EQ(shown.size(), 1u);
        if (c.digits) {
            // The question names the value and the channel it goes to.
            EXPECT_EQ(shown[0].text, Row(1, RowAskSetSetpoint) + "\n\nSetpoint " + Trim(c.text) + " °C\nto channel 1");
            ASSERT_EQ(unit.handed.size(), 1u);
            EXPECT_EQ(unit.handed[0].frame.substr(0, 13), AnsiString("[M01G0D**") + c.digits);
        } else {
            // A value that cannot go is refused before any question: the user never
            // confirms a setpoint that is then not sent.
            EXPECT_TRUE(unit.handed.empty());
            EXPECT_EQ(shown[0].text, c.message);
            EXPECT_EQ(shown[0].caption, "Error");
        }
    }

    // Beyond the unit's identified limits nothing is sent; the limits themselves are fine.
    form->LowerSetpointLimit = -40.0;
    form->UpperSetpointLimit = 200.0;
    unit.handed.clear();
    for (const char* text : {"-40,5", "200", "-40"}) {
        TakeUp(unit);
        panel->edSetPoint->setText(text);
        panel->cmdDataToKelvorClick(panel->cmdDataToKelvor);
    }
    ASSERT_EQ(unit.handed.size(), 2u);
    EXPECT_EQ(unit.handed[1].frame.substr(4, 9), "G0D**F060");

    // An unsigned unit takes 0..655.35 and nothing below.
    unit.DeviceName = "DESKKEEPER 3";
    form->LowerSetpointLimit = -999.9;
    form->UpperSetpointLimit = 999.9;
    unit.handed.clear();
    for (const char* text : {"655,35", "400", "-0,01", "655,36"}) {
        TakeUp(unit);
        panel->edSetPoint->setText(text);
        panel->cmdDataToKelvorClick(panel->cmdDataToKelvor);
    }
    ASSERT_EQ(unit.handed.size(), 2u);
    EXPECT_EQ(unit.handed[0].frame.substr(4, 9), "G0D**FFFF");
    EXPECT_EQ(unit.handed[1].frame.substr(4, 9), "G0D**9C40");
    unit.DeviceName.clear();
    form->LowerSetpointLimit = -40.0;
    form->UpperSetpointLimit = 200.0;

    // The fixed texts follow the main window's language.
    window->mnuGermanClick();
    support::TestDialogs().Clear();
    for (const char* text : {"-40,5", "700", "x"}) {
        panel->edSetPoint->setText(text);
        panel->cmdDataToKelvorClick(panel->cmdDataToKelvor);
    }
    auto shown = Messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Sollwertvorgabe überschreitet Sollwertgrenzen des Geräts!");
    EXPECT_EQ(shown[1].text, "Sollwertvorgabe überschreitet Sollwertgrenzen des Geräts!");
    EXPECT_EQ(shown[2].text, "Fehlerhafte Sollwertvorgabe!");
    EXPECT_EQ(shown[2].caption, "Fehler");
    // A mistyped value: refused with the message alone, no question.
    support::TestDialogs().Clear();
    unit.handed.clear();
    panel->edSetPoint->setText("4x2,5");
    panel->cmdDataToKelvorClick(panel->cmdDataToKelvor);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Fehlerhafte Sollwertvorgabe!");
    EXPECT_TRUE(unit.handed.empty());
}

TEST_F(PanelControlTest, CommandsRefusedWithoutAConnectionAFileViewOrTheRightSender)
{
    RecordingChannel unit(1, 1);
    auto expectRefused = [&](const char* what, const std::function<void()>& command) {
        support::TestDialogs().Clear();
        command();
        auto shown = Messages();
        ASSERT_EQ(shown.size(), 1u) << what;
        EXPECT_EQ(shown[0].text, "No active connection available!") << what;
        EXPECT_EQ(shown[0].caption, "Warning") << what;
        EXPECT_TRUE(unit.handed.empty()) << what;
    };
    expectRefused("no window", [&] { panel->cmdKelvorStopClick(panel->cmdKelvorStop); });
    FakePanelChannelForm* form = Open(vmDataRecording, false);
    expectRefused("not connected", [&] { panel->cmdKelvorStopClick(panel->cmdKelvorStop); });
    form->Connected = 1;
    expectRefused("edit as sender of stop", [&] { panel->cmdKelvorStopClick(panel->edSetPoint); });
    expectRefused("combo box as sender of setpoint", [&] { panel->cmdDataToKelvorClick(panel->cmbTempMethod); });
    QObject stranger;
    expectRefused("other class", [&] { panel->cmdKelvorStartClick(&stranger); });
    expectRefused("no sender", [&] { panel->cmdKelvorStartCirculationClick(static_cast<QObject*>(nullptr)); });
    form->FileView = 1;
    expectRefused("file view", [&] { panel->cmdKelvorStartCirculationClick(panel->cmdKelvorStartCirculation); });
    form->FileView = 0;

    // No: nothing else happens.
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    panel->cmdKelvorStopClick(panel->cmdKelvorStop);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(unit.handed.empty());

    // A channel without a poll thread: the user learns that the command did not go out.
    support::TestDialogs().Clear();
    unit.hasPollThread = false;
    panel->cmdKelvorStopClick(panel->cmdKelvorStop);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Transmission error!");
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Error");
    EXPECT_TRUE(unit.handed.empty());

    // A command while the one before still waits for its cycles is no transmission error:
    // it waits behind it and goes out, in order, once the poll thread has taken the first.
    support::TestDialogs().Clear();
    unit.hasPollThread = true;
    unit.oneShot = true;
    panel->cmdKelvorStopClick(panel->cmdKelvorStop);
    panel->cmdKelvorStartCirculationClick(panel->cmdKelvorStartCirculation);
    EXPECT_EQ(Messages().size(), 2u);  // the two questions, nothing else
    EXPECT_TRUE(unit.handed.empty());
    TakeUp(unit);
    form->FlushCommands();
    TakeUp(unit);
    form->FlushCommands();
    ASSERT_EQ(unit.handed.size(), 2u);
    EXPECT_EQ(unit.handed[0].frame, "[M01G0DO*****E5\r");
    EXPECT_EQ(unit.handed[1].frame, "[M01G0DC*****D9\r");
}

TEST_F(PanelControlTest, MenuItemsEnterKeyAndTheSendersOfOtherParts)
{
    FakePanelChannelForm* form = Open(vmDataRecording);
    RecordingChannel unit(1, 1);
    // The device menu goes through the panel with its items as senders.
    window->mnuSetSetpointClick();
    ASSERT_EQ(unit.handed.size(), 1u);
    EXPECT_EQ(unit.handed[0].frame, "[M01G0D**07D0F3\r");  // the form's "+20,00"
    TakeUp(unit);

    // Enter in the edit sends the setpoint, in the method list it starts; other keys nothing.
    support::TestDialogs().Clear();
    PressKey(panel->edSetPoint, Qt::Key_A);
    PressKey(panel->cmbTempMethod, Qt::Key_Down);
    EXPECT_EQ(Messages().size(), 0u);
    panel->cmbTempMethod->setCurrentIndex(1);
    PressKey(panel->cmbTempMethod, Qt::Key_Enter);
    TakeUp(unit);
    PressKey(panel->edSetPoint, Qt::Key_Return);
    ASSERT_EQ(unit.handed.size(), 3u);
    EXPECT_EQ(unit.handed[1].frame.substr(4, 5), "G0DE*");
    EXPECT_EQ(unit.handed[2].frame.substr(4, 5), "G0D**");
    TakeUp(unit);

    // The limit query stays silent where it cannot go out.
    support::TestDialogs().Clear();
    form->FileView = 1;
    panel->RequestSetpointLimits(1);
    form->FileView = 0;
    form->Connected = 0;
    panel->RequestSetpointLimits(1);
    panel->RequestSetpointLimits(7);
    EXPECT_EQ(unit.handed.size(), 3u);
    EXPECT_EQ(Messages().size(), 0u);

    // The standing sender marks no one-shot; both senders refuse a lost connection.
    form->Connected = 1;
    AnsiString g = panel->BuildDeviceFrame("[M1G0D**0BB8", 1);
    panel->SendDeviceCommand(g, 16, 24, 1, 0, "");
    ASSERT_EQ(unit.handed.size(), 4u);
    EXPECT_EQ(unit.handed[3].frame, "[M01G0D**0BB8" + FrameChecksum("[M01G0D**0BB8") + "\r");
    EXPECT_EQ(unit.oneShots, 3);
    form->Connected = 0;
    panel->SendDeviceCommand(g, 16, 24, 1, 0, "");
    window->SetChannelOpen(1, 0);
    form->Connected = 1;
    panel->SendDeviceCommandPair(g, 16, 24, 1, 0, "");
    EXPECT_EQ(unit.handed.size(), 4u);
    auto shown = Messages();
    ASSERT_EQ(shown.size(), 2u);
    for (const auto& m : shown) EXPECT_EQ(m.text, "No data connection available!");
}

TEST_F(PanelControlTest, ChannelPanelsBringAWindowToTheFrontAndTakeLabels)
{
    FakePanelChannelForm* first = Open(vmDataRecording);
    FakePanelChannelForm* second = Open(vmProgrammer);
    ASSERT_EQ(window->ActiveChannel(), 2);
    first->labelColour = clYellow;

    // The active window's panel and a closed channel's panel do nothing.
    panel->SelectChannel(2);
    panel->SelectChannel(5);
    EXPECT_TRUE(first->labelColours.empty() && second->labelColours.empty());
    EXPECT_EQ(window->ActiveChannel(), 2);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(panel->pnlChannel1, &press);
    EXPECT_EQ(window->ActiveChannel(), 1);
    EXPECT_TRUE(second->activated);  // the activation runs through the window that was active
    EXPECT_EQ(first->labelColours, (std::vector<TColor>{clBtnFace, clYellow}));
    EXPECT_FALSE(window->pnlBigPanel->isVisible());

    // Labels: an empty one is refused; after every Enter the edit shows the channel's label.
    panel->edChannelLabel->clear();
    PressKey(panel->edChannelLabel, Qt::Key_Return);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, Row(1, RowNoChannelLabel));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, Row(1, RowAttention));
    panel->edChannelLabel->setText("Bath A");
    support::TestDialogs().QueueAnswer(IDNO);
    PressKey(panel->edChannelLabel, Qt::Key_Return);
    EXPECT_EQ(panel->pnlChannel1->Caption(), "Record data");
    EXPECT_EQ(panel->edChannelLabel->text().toStdString(), panel->ChannelLabel(1));
    panel->edChannelLabel->setText("Bath A");
    PressKey(panel->edChannelLabel, Qt::Key_Return);
    EXPECT_EQ(panel->pnlChannel1->Caption(), "Bath A");
    EXPECT_EQ(panel->pnlChannel1->Tag, 2);
    EXPECT_EQ(S(panel->edChannelLabel->text()), "Bath A");

    // The language switch re-captions the free and used panels, not the label.
    panel->SetLanguage(0);
    EXPECT_EQ(panel->pnlChannel1->Caption(), "Bath A");
    EXPECT_EQ(panel->pnlChannel2->Caption(), "Programmgeber");
    EXPECT_EQ(panel->pnlChannel3->Caption(), "Kanal 3");
    EXPECT_EQ(S(panel->cmbTempMethod->itemText(1)), "Prozess");
    panel->cmbTempMethod->setCurrentIndex(1);
    panel->SetLanguage(1);
    EXPECT_EQ(panel->pnlChannel1->Caption(), "Bath A");
    EXPECT_EQ(panel->pnlChannel10->Caption(), "Channel 10");
    EXPECT_EQ(S(panel->windowTitle()), "Control");
    // The start/stop button's hint says which of the two it does.
    EXPECT_EQ(S(panel->cmdTPStartStop->toolTip()), "Start temperature program");
    panel->SetStartStopTag(0);
    EXPECT_EQ(S(panel->cmdTPStartStop->toolTip()), "Stop temperature program");
    panel->SetStartStopTag(1);
    // The operator's control mode stays chosen, in the new language's words.
    EXPECT_EQ(panel->cmbTempMethod->currentIndex(), 1);
    EXPECT_EQ(S(panel->cmbTempMethod->currentText()), Row(1, RowModeProcess));
}

// The panel follows the main window's language with or without channel windows, is wide
// enough for its whole title, and shows its boxes in front of itself (it stays on top).
TEST_F(PanelControlTest, PanelFollowsTheMainWindowAndShowsItsBoxesInFront)
{
    EXPECT_EQ(S(panel->windowTitle()), "Control");
    EXPECT_EQ(panel->pnlChannel3->Caption(), "Channel 3");
    EXPECT_EQ(S(panel->cmdKelvorStart->toolTip()), Row(1, RowActivateTemperatureControl));
    window->mnuGerman->trigger();
    EXPECT_EQ(S(panel->windowTitle()), "Steuerelemente");
    EXPECT_EQ(S(panel->grpFunctions->title()), Row(0, RowFunctions));
    EXPECT_EQ(S(window->cmdTotalFocus->toolTip()), "Gesamte Ansicht (Strg+T)");
    for (int language : {0, 1}) {
        if (language == 1) window->mnuEnglish->trigger();
        EXPECT_GE(panel->width(), std::max(panel->TitleWidth(), TfrmPanelControl::PanelWidth));
        EXPECT_GE(panel->grpChannels->x(), 8);
        EXPECT_LE(panel->grpChannels->geometry().right(), panel->width() - 8);
    }
    EXPECT_EQ(S(panel->windowTitle()), "Control");
    EXPECT_EQ(S(window->cmdTotalFocus->toolTip()), "Overview (Ctrl+T)");

    // A refusal from the menu and a question from a button both belong to the panel.
    panel->show();
    window->mnuDeviceOFFClick();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "No active connection available!");
    EXPECT_EQ(support::TestDialogs().LastMessage().owner, panel);
    Open(vmDataRecording);
    support::TestDialogs().QueueAnswer(IDNO);
    panel->cmdKelvorStopClick(panel->cmdKelvorStop);
    EXPECT_EQ(support::TestDialogs().LastMessage().owner, panel);
    window->AskYesNo("outside the panel");
    EXPECT_EQ(support::TestDialogs().LastMessage().owner, nullptr);
}

TEST_F(PanelControlTest, ProgramButtonsLockingCalendarStartAndSingleRamp)
{
    FakePanelChannelForm* recording = Open(vmDataRecording);
    FakePanelChannelForm* programmer1 = Open(vmProgrammer);

    panel->cmdTPStartStop->Tag = 1;
    panel->cmdTPStartStopClick(panel->cmdTPStartStop);
    panel->cmdTPStartStop->Tag = 0;
    panel->cmdTPStartStopClick(panel->cmdTPStartStop);
    panel->cmdNextSegmentClick(panel->cmdNextSegment);
    panel->cmdHoldSegmentClick(panel->cmdHoldSegment);
    panel->cmdTPLoadClick(panel->cmdTPLoad);
    EXPECT_EQ(programmer1->calls, (std::vector<AnsiString>{"start", "stop", "cancel", "pause", "load"}));
    EXPECT_EQ(programmer.names, std::vector<AnsiString>{"/data/programs/ramp.tp"});
    // A click on a closed channel's panel before does not keep the stop from stopping the
    // active channel's program.
    panel->SelectChannel(7);
    panel->cmdTPStartStopClick(panel->cmdTPStartStop);
    EXPECT_EQ(programmer1->calls.size(), 6u);
    EXPECT_EQ(programmer1->calls.back(), "stop");

    panel->LockDeviceControls();
    EXPECT_FALSE(panel->edSetPoint->isEnabled() || panel->cmdTPStartStop->isEnabled() ||
                 window->mnuSetSetpoint->isEnabled());
    panel->UnlockDeviceControls();
    EXPECT_TRUE(panel->cmbTempMethod->isEnabled() && window->mnuDeviceOFF->isEnabled());
    EXPECT_EQ(panel->cmdTPStartStop->Tag, 1);

    // Arming the active programmer window locks its program controls and the panel's.
    Entries entries;
    panel->SetCalendarStartEntries(&entries);
    entries.entries[2] = {1, "/p/a.tp", 46000.5, 0};
    panel->ArmAutomaticStart(2);
    EXPECT_EQ(programmer1->AutomaticStartArmed, 1);
    EXPECT_EQ(programmer1->CalendarProgramName, "/p/a.tp");
    EXPECT_EQ(programmer1->RecordingActive, 0);
    EXPECT_FALSE(panel->cmdTPLoad->isEnabled() || panel->cmdTPStartStop->isEnabled());
    EXPECT_EQ(programmer1->controls.size(), 10u);
    for (auto [control, enabled] : programmer1->controls) EXPECT_FALSE(enabled);
    EXPECT_EQ(programmer1->calls.back(), "editor off");

    // Disarming with an empty program tree: delete stays off, load and start come back.
    platform::ManualClock clock;
    clock.Set(46001.25);
    platform::SetClock(&clock);
    panel->DisarmAutomaticStart(2);
    platform::SetClock(nullptr);
    EXPECT_EQ(programmer1->CalendarProgramName, "none");
    EXPECT_EQ(programmer1->CalendarStartTime, 46001.25);
    EXPECT_TRUE(panel->cmdTPLoad->isEnabled() && panel->cmdTPStartStop->isEnabled());
    EXPECT_FALSE(programmer1->controls[TProgramControl::btnDeleteTP]);
    EXPECT_FALSE(programmer1->controls[TProgramControl::mnuDeleteProgram]);
    EXPECT_TRUE(programmer1->controls[TProgramControl::mnuStartStopProgram]);
    EXPECT_FALSE(programmer1->controls[TProgramControl::btnPauseSegment]);

    // Arming a window that is not the active one leaves the panel's buttons alone.
    FakePanelChannelForm* programmer3 = Open(vmProgrammer);
    programmer3->treeNodes = 2;
    window->MdiArea()->setActiveSubWindow(programmer1->SubWindow());
    entries.entries[3] = {1, "/p/b.tp", 46002.0, 1};
    panel->ArmAutomaticStart(3);
    EXPECT_TRUE(panel->cmdTPLoad->isEnabled());
    EXPECT_FALSE(programmer3->controls[TProgramControl::btnLoadTP]);
    entries.entries[3].Armed = 0;
    panel->ArmAutomaticStart(3);
    EXPECT_TRUE(programmer3->controls[TProgramControl::btnDeleteTP]);
    entries.entries[1] = {1, "/p/c.tp", 46003.0, 1};
    panel->ArmAutomaticStart(1);
    EXPECT_TRUE(recording->controls.empty());

    // Single ramp: the window runs it, the calendar shows "Ramp"; a failure is told.
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
    int channel = 2, mode = 1, seconds = 600;
    double temperature = 42.5;
    panel->ApplySingleRamp(channel, temperature, mode, seconds);
    EXPECT_EQ(programmer1->calls.back(), "ramp 42,5 600 1");
    EXPECT_EQ(programmer.names.back(), "Ramp");
    programmer1->failRamp = true;
    support::TestDialogs().Clear();
    panel->ApplySingleRamp(channel, temperature, mode, seconds);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "The ramp could not be started: ramp");
}

TEST_F(PanelControlTest, ClosingOnlyHidesAndTheMainWindowFindsThePanel)
{
    EXPECT_EQ(window->PanelControl(), panel);
    EXPECT_FALSE(panel->cmdKelvorStart->isEnabled());
    Open(vmDataRecording);  // shows the panel
    window->mnuControlPanel->setChecked(true);
    EXPECT_FALSE(panel->close());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(window->mnuControlPanel->isChecked());
    delete panel;
    panel = nullptr;
    EXPECT_EQ(window->PanelControl(), nullptr);
    window->mnuDeviceOFFClick();  // no panel: nothing
}
