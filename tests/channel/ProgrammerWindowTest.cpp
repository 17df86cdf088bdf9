// The programmer and TP Scout windows as a user drives them: the program editor, the
// program tree, saving and loading, the single ramp and the automatic start, opened from
// the main window's menu and, where a unit is needed, connected to the simulated unit.
#include <sys/stat.h>

#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <map>
#include <string_view>
#include <thread>

#include "ChannelTestSupport.h"
#include "HoldTimeline.h"
#include "app/CLanguage.h"
#include "app/RecordedDataWriter.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartSeries.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CTolvarProtocol.h"
#include "comm/CTransceiver.h"
#include "comm/TfrmIdentification.h"
#include "platform/Dialogs.h"
#include "platform/FileSave.h"
#include "platform/FormatSettings.h"
#include "programmer/CProgramFile.h"
#include "programmer/CProgrammer.h"
#include "programmer/ProgrammerDialogs.h"
#include "programmer/TfrmDateTimePicker.h"
#include "programmer/TfrmSingleRamp.h"
#include "support/HangingFileSystem.h"

using namespace channeltest;

namespace {

class ProgrammerWindowTest : public ChannelWindowFixture {
protected:
    void SetUp() override
    {
        ChannelWindowFixture::SetUp();
        dialogs = std::make_unique<TProgrammerDialogs>(main.get(), panel);
    }
    void TearDown() override
    {
        dialogs.reset();
        for (int c = 1; c <= 10; ++c)
            if (IChannelForm* f = main->IsChannelOpen(c) ? main->ChannelForm(c) : nullptr) f->FormClose();
        TDataFileSaveQueue::Instance().WaitIdle();
        ChannelWindowFixture::TearDown();
    }
    // A programmer window connected to the unit behind `line`; its timer is driven by hand.
    TmdiSubWindow* Connected(support::SimulatedUnitLine& line)
    {
        TmdiSubWindow* w = Open(&TfrmMainWindow::mnuProgrammgeberClick);
        w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
        w->edPort->setText(QString::number(line.TcpPort()));
        support::TestDialogs().QueueFileName(Path("prog"));
        w->cmdEstablishConnectionClick();
        ConfirmIdentification(w->Session());
        w->tmrProgrammer->stop();
        return w;
    }
    // The same, with the unit controlling its internal temperature already; null when the
    // unit could not be started.
    TmdiSubWindow* ConnectedToControllingUnit(support::SimulatedUnitLine& line) { return ConnectedToUnit(line, 'I'); }
    // The same, with the unit's control status `mode` ('O': off).
    TmdiSubWindow* ConnectedToUnit(support::SimulatedUnitLine& line, char mode)
    {
        support::UnitState unit;
        unit.controlMode = mode;
        line.AddUnit(unit);
        AnsiString error;
        if (!line.StartTcp(0, &error)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        return Connected(line);
    }
    void Tick(TmdiSubWindow* w, int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            clock.AdvanceMs(5000);
            w->tmrProgrammerTimer();
        }
    }
    // One segment from 20 to 30 °C over a minute.
    static TProgramFile WarmProgram()
    {
        TProgramFile file;
        file.Settings.StartTemperature = "20";
        file.Segments.push_back({"Warm", 60, 30.0, -1, 2, 0, 0, 0});
        return file;
    }
    // Writes `file` as `name` in the test's folder and opens it in the window, as the user does.
    void LoadProgram(TmdiSubWindow* w, const char* name, const TProgramFile& file)
    {
        ASSERT_TRUE(programfile::Write(Path(name), file));
        support::TestDialogs().QueueFileName(Path(name));
        w->mnuLoadProgramClick();
    }
    // Starts the loaded program with the window's button, answering yes, and ticks until it runs.
    void StartLoadedProgram(TmdiSubWindow* w)
    {
        support::TestDialogs().QueueAnswer(IDYES);
        w->btnStartTPClick(nullptr);
        for (int i = 0; i < 20 && !w->ProgramRun()->ProgramRunning; ++i) Tick(w);
        ASSERT_TRUE(w->ProgramRun()->ProgramRunning);
    }
    // Opens the automatic start as the main window's command does.
    TfrmDateTimePicker* OpenAutomaticStart()
    {
        main->cmdAutomaticStartClick();
        TfrmDateTimePicker* picker = dialogs->DateTimePicker();
        EXPECT_TRUE(picker->isVisible());
        return picker;
    }
    // Marks the row of `channel` for a start `seconds` from now (a program file, when given,
    // chosen through the row's directory button first).
    static void MarkRow(TfrmDateTimePicker* picker, int channel, int seconds, const AnsiString& file = AnsiString())
    {
        picker->lstOverviewMouseDown(channel);
        if (!file.empty()) {
            support::TestDialogs().QueueFileName(file);
            picker->btnDirectoryClick();
        }
        int h = 0, m = 0, s = 0, ms = 0;
        DecodeTime(Now(), h, m, s, ms);
        picker->dtpTime->setTime(QTime(h, m, s).addSecs(seconds));
        picker->SetRowChecked(channel, true);
        EXPECT_TRUE(picker->RowChecked(channel));
    }
    static AnsiString Last() { return support::TestDialogs().LastMessage().text; }

    // ---- timed starts held back by a question
    // Loads auto.tp into each window through the automatic-start form and arms it for 12 s
    // from now: the start is due on the third tick.
    void ArmSoon(const std::vector<TmdiSubWindow*>& windows)
    {
        ASSERT_TRUE(programfile::Write(Path("auto.tp"), WarmProgram()));
        TfrmDateTimePicker* picker = OpenAutomaticStart();
        for (TmdiSubWindow* w : windows)
            MarkRow(picker, w->Channel(), 12, w->LoadedProgramFile().empty() ? Path("auto.tp") : AnsiString());
        ASSERT_TRUE(picker->btnExitClick());
        for (TmdiSubWindow* w : windows) ASSERT_EQ(w->AutomaticStartArmed, 1);
    }
    // Ticks of every window, as their timers go on behind an open box.
    void TickAll(const std::vector<TmdiSubWindow*>& windows, int n)
    {
        for (int i = 0; i < n; ++i) {
            for (TmdiSubWindow* w : windows) ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            clock.AdvanceMs(5000);
            for (TmdiSubWindow* w : windows) w->tmrProgrammerTimer();
        }
    }
    // Frames that switch the unit's control on (a program's method letter).
    static std::size_t SwitchOnFrames(const support::SimulatedUnitLine& line)
    {
        std::size_t n = 0;
        for (const support::LoggedFrame& f : line.Frames())
            n += f.frame.find("G0DI") != AnsiString::npos || f.frame.find("G0DE") != AnsiString::npos;
        return n;
    }
    // Both protocols of the window (the programmer's and the event protocol) hold `text`.
    static ::testing::AssertionResult BothProtocolsSay(TmdiSubWindow* w, const AnsiString& text)
    {
        const QString needle = QString::fromStdString(text);
        for (const QPlainTextEdit* memo : {w->memProtocol, w->memSerialData})
            if (!memo->toPlainText().contains(needle))
                return ::testing::AssertionFailure()
                       << memo->objectName().toStdString() << " lacks \"" << text << "\":\n"
                       << memo->toPlainText().toStdString();
        return ::testing::AssertionSuccess();
    }
    static AnsiString StampOf(TDateTime t) { return DateToStr(t) + " " + TimeToStr(t); }
    // "The automatic start of <channel> (temperature program "auto.tp", start <due>)"
    static AnsiString TimedStartOf(TmdiSubWindow* w, TDateTime due)
    {
        return "The automatic start of " + w->Session().ChannelName() + " (temperature program \"auto.tp\", start " +
               StampOf(due) + ")";
    }
    // A protocol line's text as the file holds it: its quotes doubled.
    static std::string CsvQuoted(const AnsiString& text)
    {
        std::string out;
        for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return out;
    }
    static QByteArray Bytes(const AnsiString& path)
    {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // A single ramp from the unit's 25 °C up 6 K over 12 intervals (whole minutes), held and resumed in
    // each sequence of holds with the window's button: the unit's setpoints keep to the plan
    // moved later by the time held, and the ramp ends at its planned end plus the time held.
    void SingleRampHoldSequences(int interval)
    {
        ShortPollSteps();
        support::SimulatedUnitLine line;
        TmdiSubWindow* w = ConnectedToControllingUnit(line);
        ASSERT_NE(w, nullptr);
        CProgramRun* run = w->ProgramRun();
        TfrmSingleRamp* ramp = dialogs->SingleRamp();
        w->Session().SetSamplingInterval(interval);
        auto tick = [&] {
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            w->tmrProgrammerTimer();
        };
        auto tickLater = [&] {
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            clock.AdvanceMs(std::int64_t(interval) * 1000);
            tick();
        };
        auto startRamp = [&] {
            main->cmdRampClick();
            ramp->edSingleTemperature->setText("31");
            ramp->edSingleDuration->setText(QString("00:%1").arg(interval / 5, 2, 10, QChar('0')));
            // The ramp replaces the one before it: that is asked first.
            if (w->ProgramTreeItems().TopLevelCount() > 0) support::TestDialogs().QueueAnswer(IDYES);
            support::TestDialogs().QueueAnswer(IDYES);
            ramp->btnOKClick();
            ASSERT_TRUE(run->ProgramRunning);
        };
        const std::vector<holdtimeline::TSegment> segments = {{"Ramp", 12 * interval, 31.0}};
        for (const holdtimeline::TScenario& scenario : holdtimeline::Scenarios()) {
            SCOPED_TRACE(std::to_string(interval) + " s, " + scenario.name);
            line.First().Update([](support::UnitState& s) { s.setpoint = 25.0; });
            for (int i = 0; i < CProgramRun::PointsBeforeStart; ++i) tickLater();
            if (scenario.afterStoppedRun) {
                startRamp();
                tickLater();
                tickLater();
                support::TestDialogs().QueueAnswer(IDYES);
                w->btnStopTPClick(nullptr);
                ASSERT_FALSE(run->HasRun());
                // The last tick's step may still be on its way to the unit: the unit is put
                // back only after it, or it would arrive over the 25 °C.
                ASSERT_TRUE(AwaitCommandsOut(w->Session()));
                line.First().Update([](support::UnitState& s) { s.setpoint = 25.0; });
                tickLater();
                tickLater();
            }
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            holdtimeline::THooks hooks;
            hooks.tick = tick;
            hooks.start = startRamp;
            hooks.holdOrResume = [&] {
                support::TestDialogs().QueueAnswer(IDYES);
                w->btnPauseSegmentClick();
            };
            hooks.held = [&] { return run->SegmentHeld != 0; };
            hooks.unitSetpoint = [&] {
                EXPECT_TRUE(AwaitCommandsOut(w->Session()));
                return line.First().State().setpoint;
            };
            hooks.segment = [&] { return w->Programmer()->GetCurrentSegmentName(); };
            hooks.ended = [&] { return !run->HasRun(); };
            holdtimeline::Run(clock, interval, 25.0, segments, scenario, hooks);
            // The ramp's end leaves the unit at its end temperature.
            EXPECT_NEAR(line.First().State().setpoint, 31.0, 0.005);
        }
    }

    std::unique_ptr<TProgrammerDialogs> dialogs;
};

}  // namespace

TEST_F(ProgrammerWindowTest, EditorAppliesValuesWithinBoundsAndSavesWhatItLoads)
{
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuTPScoutClick);
    ASSERT_NE(w, nullptr);
    CProgrammer* p = w->Programmer();
    w->mnuCreateProgramClick();
    TTreeNode* program = w->ProgramTreeItems().GetFirstNode();
    ASSERT_NE(program, nullptr);
    w->mnuAddSegmentClick();
    TTreeNode* first = w->SelectedNode();
    ASSERT_EQ(first->Parent(), program);
    EXPECT_EQ(p->GetSegmentDuration(first), 180);

    // hh:mm in, seconds stored; seconds are dropped when shown.
    w->edDuration->setText("01:30");
    w->edTemperature->setText("655,35");
    w->btnApplyValuesClick();
    EXPECT_EQ(p->GetSegmentDuration(first), 5400);
    EXPECT_DOUBLE_EQ(p->GetSegmentSetpoint(first), 655.35);
    p->SetSegmentValues(first, 5430, 0, 0, 2, -1, 655.35);
    w->ShowSegmentValues(first);
    EXPECT_EQ(w->edDuration->text(), "01:30");
    // No unit takes 655.36: refused, and the segment keeps its values.
    w->edTemperature->setText("655,36");
    w->btnApplyValuesClick();
    EXPECT_EQ(Last(), "Value out of bounds!");
    EXPECT_DOUBLE_EQ(p->GetSegmentSetpoint(first), 655.35);

    // Labels keep 27 characters and no field separator.
    AnsiString label = "Heat;up slowly to the boiling point now!";
    ASSERT_EQ(label.size(), 40u);
    w->treeTProgramEdited(first, label);
    EXPECT_EQ(p->GetSegmentName(first), "Heat,up slowly to the boili");

    // Modified values and a click elsewhere: "yes" keeps the selection and applies to the
    // node the values were typed for; the editor shows that node.
    w->mnuAddSegmentClick();
    TTreeNode* second = w->SelectedNode();
    w->edTemperature->setText("33");
    w->MarkValuesModified();
    support::TestDialogs().QueueAnswer(IDYES);
    w->SelectNode(first);
    EXPECT_EQ(w->SelectedNode(), second);
    EXPECT_DOUBLE_EQ(p->GetSegmentSetpoint(second), 33.0);
    EXPECT_EQ(w->edTemperature->text(), "33");
    w->btnApplyValuesClick();
    EXPECT_DOUBLE_EQ(p->GetSegmentSetpoint(first), 655.35);
    // A language switch refills the lists; the editor still shows what the segment holds.
    w->cmbExecution->setCurrentIndex(1);
    w->btnApplyValuesClick();
    main->mnuGermanClick();
    EXPECT_EQ(w->cmbExecution->currentIndex(), 1);
    EXPECT_EQ(w->cmbExecution->currentText(), "temperaturstabil");
    main->mnuEnglishClick();

    // 200 segments at most.
    while (CProgrammer::GetSegmentCount(program) < CProgrammer::MaxSegments) w->mnuAddSegmentClick();
    support::TestDialogs().Clear();
    w->mnuAddSegmentClick();
    EXPECT_EQ(Last(), "No more segments available!");
    EXPECT_EQ(CProgrammer::GetSegmentCount(program), 200);

    // Saved, discarded, loaded and saved again: the same file.
    support::TestDialogs().QueueFileName(Path("editor"));
    w->mnuSaveProgramClick();
    const QByteArray saved = Bytes(Path("editor.tp"));
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_TRUE(p->IsProgramSaved(0));
    support::TestDialogs().QueueAnswer(IDYES);
    w->mnuDeleteProgramClick();
    EXPECT_EQ(w->ProgramTreeItems().Count(), 0);
    support::TestDialogs().QueueFileName(Path("editor.tp"));
    w->mnuLoadProgramClick();
    ASSERT_EQ(w->ProgramTreeItems().TopLevelCount(), 1);
    EXPECT_EQ(p->GetProgramName(0), "EDITOR");
    support::TestDialogs().QueueFileName(Path("editor.tp"));
    w->mnuSaveProgramClick();
    EXPECT_EQ(Bytes(Path("editor.tp")), saved);

    // Closing offers the programs changed since they were saved, and only those.
    w->mnuCreateProgramClick();
    w->mnuAddSegmentClick();
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDYES);
    support::TestDialogs().QueueFileName(Path("second"));
    EXPECT_TRUE(w->FormClose());
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(Last(), "Do you want to save the selected temperature program?");
    EXPECT_FALSE(Bytes(Path("second.tp")).isEmpty());
}

TEST_F(ProgrammerWindowTest, TPScoutHoldsTenProgramsAndDeletingOneKeepsTheOthersSettings)
{
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuTPScoutClick);
    CProgrammer* p = w->Programmer();
    EXPECT_FALSE(w->btnTPStartStop->isVisibleTo(w));
    for (int i = 1; i <= 5; ++i) {
        w->edStartTemperature->setText(QString::number(i * 10));
        w->cmbRepeat->setCurrentIndex(i % 2);
        w->mnuCreateProgramClick();
    }
    TTreeNodes& tree = w->ProgramTreeItems();
    ASSERT_EQ(tree.TopLevelCount(), 5);
    support::TestDialogs().QueueAnswer(IDYES);
    w->SelectNode(tree.TopLevelItem(2));
    w->mnuDeleteProgramClick();
    ASSERT_EQ(tree.TopLevelCount(), 4);
    const double starts[] = {10, 20, 40, 50};
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(p->GetProgramNode(slot), tree.TopLevelItem(slot));
        EXPECT_DOUBLE_EQ(p->GetStartTemperature(slot), starts[slot]);
        EXPECT_EQ(p->GetRepeatMode(slot), int(starts[slot] / 10) % 2);
    }
    while (tree.TopLevelCount() < 10) w->mnuCreateProgramClick();
    support::TestDialogs().Clear();
    w->mnuCreateProgramClick();
    EXPECT_EQ(Last(), "The maximum number of temperature programs is displayed!");
    w->mnuLoadProgramClick();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_EQ(tree.TopLevelCount(), 10);
}

TEST_F(ProgrammerWindowTest, SingleRampStartsFromTheLastRecordedSetpoint)
{
    support::SimulatedUnitLine line;
    support::UnitState unit;
    unit.setpoint = 22.5;
    line.AddUnit(unit);
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    TmdiSubWindow* w = Connected(line);
    ASSERT_TRUE(w->IsConnected());
    CProgramRun* run = w->ProgramRun();
    TfrmSingleRamp* ramp = dialogs->SingleRamp();

    // Not while the unit's temperature control is off.
    Tick(w);
    main->cmdRampClick();
    EXPECT_EQ(Last(), "Temperature control is deactivated.");
    line.First().Update([](support::UnitState& s) { s.controlMode = 'I'; });
    Tick(w, 2);
    EXPECT_DOUBLE_EQ(w->Session().Series(2)->GetyValue(w->Session().Series(2)->Count() - 1), 22.5);

    for (const char* text : {"25.5", "25,5"}) {
        SCOPED_TRACE(text);
        const TChartSeries* recorded = w->Session().Series(2);
        const double unitSetpoint = recorded->GetyValue(recorded->Count() - 1);
        // A value typed but never sent is not kept through the ramp.
        panel->edSetPoint->setText("40");
        support::TestDialogs().Clear();
        main->cmdRampClick();
        EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
        ramp->edSingleTemperature->setText(text);
        ramp->edSingleDuration->setText("00:00");
        // The ramp of the first pass is loaded in the second: it is replaced with a yes.
        const bool replaces = w->ProgramTreeItems().TopLevelCount() > 0;
        ramp->btnOKClick();
        const size_t asked = replaces ? 2u : 1u;
        if (replaces) {
            ASSERT_GE(support::TestDialogs().MessageCount(), 1u);
            EXPECT_EQ(support::TestDialogs().Messages()[0].text,
                      "Do you want to replace the existing temperature program?\n\nChannel 1 (" +
                          w->Session().ChannelLabel() + "): \"Single ramp\"");
        }
        TTreeNodes& tree = w->ProgramTreeItems();
        ASSERT_EQ(tree.TopLevelCount(), 1);
        TTreeNode* segment = tree.GetFirstNode()->GetFirstChild();
        ASSERT_NE(segment, nullptr);
        EXPECT_EQ(segment->Text, "Ramp");
        EXPECT_DOUBLE_EQ(w->Programmer()->GetSegmentSetpoint(segment), 25.5);
        EXPECT_DOUBLE_EQ(w->Programmer()->GetStartTemperature(0), unitSetpoint);
        EXPECT_EQ(w->Programmer()->GetEndAction(0), 1);
        EXPECT_TRUE(run->HasRun());
        // The panel is locked for the run, without an error box; the start was confirmed
        // and began at once.
        EXPECT_FALSE(panel->cmdKelvorStart->isEnabled());
        EXPECT_EQ(panel->cmdTPStartStop->Tag, 0);
        EXPECT_EQ(panel->edSetPoint->text().toStdString(), FormatFloat("0.00", unitSetpoint));
        ASSERT_EQ(support::TestDialogs().MessageCount(), asked);
        EXPECT_EQ(Last().find("Do you want to start the temperature program \"Single ramp\"?"), 0u) << Last();
        while (!run->ProgramRunning) Tick(w);
        EXPECT_EQ(support::TestDialogs().MessageCount(), asked);
        // A segment of 00:00 lasts three intervals.
        EXPECT_EQ(w->Programmer()->GetRampStepCount(), 3);
        for (int i = 0; i < 6 && run->HasRun(); ++i) Tick(w);
        EXPECT_FALSE(run->HasRun());
        EXPECT_EQ(panel->cmdTPStartStop->Tag, 1);
        EXPECT_TRUE(panel->cmdKelvorStart->isEnabled());
        // The ramp left the unit at its target, and the setpoint field reads it.
        Tick(w, 2);
        EXPECT_DOUBLE_EQ(line.First().State().setpoint, 25.5);
        EXPECT_EQ(panel->edSetPoint->text().toStdString(), FormatFloat("0.00", line.First().State().setpoint));
    }

    // No unit takes 700 °C; the loaded ramp stays.
    main->cmdRampClick();
    ramp->edSingleTemperature->setText("700");
    ramp->btnOKClick();
    EXPECT_EQ(Last(), "Value out of bounds!");
    EXPECT_FALSE(run->HasRun());
    EXPECT_EQ(w->ProgramTreeItems().Count(), 2);
}

TEST_F(ProgrammerWindowTest, AutomaticStartArmsAProgrammerChannelAndStartsItsProgram)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Ramp", 60, 30.0, -1, 2, 0, 0, 0});
    ASSERT_TRUE(programfile::Write(Path("auto.tp"), file));

    main->cmdAutomaticStartClick();
    TfrmDateTimePicker* picker = dialogs->DateTimePicker();
    ASSERT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->lstOverview->topLevelItem(0)->text(0), "Channel 1 - Programmer");
    EXPECT_EQ(picker->lstOverview->topLevelItem(1)->text(4), "not available");
    picker->SetRowChecked(2, true);
    EXPECT_FALSE(picker->RowChecked(2));

    // The row's directory button loads the program into the channel window.
    picker->lstOverviewMouseDown(1);
    EXPECT_TRUE(picker->btnDirectory->isEnabled());
    picker->SetRowChecked(1, true);
    EXPECT_FALSE(picker->RowChecked(1));  // no program yet
    support::TestDialogs().QueueFileName(Path("auto.tp"));
    picker->btnDirectoryClick();
    EXPECT_EQ(picker->edTProgram->text(), "auto.tp");
    EXPECT_EQ(w->ProgramTreeItems().TopLevelCount(), 1);
    // At most three days ahead.
    const QDate today = picker->dtpDate->date();
    picker->dtpDate->setDate(today.addDays(5));
    EXPECT_EQ(picker->dtpDate->date(), today.addDays(3));
    picker->dtpDate->setDate(today);

    // A start in the past is refused at Exit, and the form stays.
    int h = 0, m = 0, s = 0, ms = 0;
    DecodeTime(Now(), h, m, s, ms);
    picker->dtpTime->setTime(QTime(h, m, s).addSecs(-60));
    picker->SetRowChecked(1, true);
    EXPECT_FALSE(picker->btnExitClick());
    EXPECT_EQ(Last(), "Start time is lower than current system time!\n\nChannel 1");
    EXPECT_FALSE(picker->RowChecked(1));

    picker->dtpTime->setTime(QTime(h, m, s).addSecs(12));
    picker->SetRowChecked(1, true);
    EXPECT_TRUE(picker->btnExitClick());
    EXPECT_EQ(w->AutomaticStartArmed, 1);
    EXPECT_FALSE(w->btnTPStartStop->isEnabled());

    // The channel's own tick after the start moment starts its program, though another
    // window is active, and without a question: it was confirmed when it was armed.
    ASSERT_NE(main->ActiveChannel(), w->Channel());
    support::TestDialogs().Clear();
    Tick(w, 2);
    EXPECT_FALSE(w->ProgramRun()->HasRun());
    Tick(w);
    EXPECT_TRUE(w->ProgramRun()->HasRun());
    EXPECT_EQ(w->AutomaticStartArmed, 0);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

TEST_F(ProgrammerWindowTest, AnAutomaticStartThatIsRefusedArmsNoChannelAndCancelKeepsTheArmingAsItWas)
{
    support::SimulatedUnitLine line1, line2;
    TmdiSubWindow* w1 = ConnectedToControllingUnit(line1);
    ASSERT_NE(w1, nullptr);
    TmdiSubWindow* w2 = ConnectedToControllingUnit(line2);
    ASSERT_NE(w2, nullptr);
    ASSERT_EQ(w2->Channel(), 2);
    ASSERT_TRUE(programfile::Write(Path("one.tp"), WarmProgram()));
    ASSERT_TRUE(programfile::Write(Path("two.tp"), WarmProgram()));

    // Channel 1 ahead, channel 2 in the past: Exit names channel 2 and arms neither.
    TfrmDateTimePicker* picker = OpenAutomaticStart();
    MarkRow(picker, 1, 90, Path("one.tp"));
    MarkRow(picker, 2, -60, Path("two.tp"));
    support::TestDialogs().Clear();
    EXPECT_FALSE(picker->btnExitClick());
    EXPECT_EQ(Last(), "Start time is lower than current system time!\n\nChannel 2");
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(w1->AutomaticStartArmed, 0);
    EXPECT_EQ(w2->AutomaticStartArmed, 0);
    EXPECT_TRUE(w1->btnLoadTP->isEnabled());
    picker->btnCancelClick();
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(w1->AutomaticStartArmed, 0);
    // Past channel 1's time nothing starts that the user did not ask for.
    support::TestDialogs().Clear();
    Tick(w1, 20);
    EXPECT_FALSE(w1->ProgramRun()->HasRun());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    // Shown again, the rows that are not armed propose a start ahead of now, which is what
    // Exit would arm, never one that has passed.
    picker = OpenAutomaticStart();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(Now(), y, mo, d);
    DecodeTime(Now(), h, mi, s, ms);
    const QDateTime now(QDate(y, mo, d), QTime(h, mi, s));
    for (int row = 0; row < 2; ++row)
        EXPECT_GT(QDateTime::fromString(picker->lstOverview->topLevelItem(row)->text(1), "dd.MM.yyyy hh:mm:ss"), now)
            << picker->lstOverview->topLevelItem(row)->text(1).toStdString();
    picker->btnCancelClick();

    // Armed for ten minutes ahead, then changed and unmarked in the form and cancelled: the
    // channel stays armed for its time, and the form shows that time again.
    picker = OpenAutomaticStart();
    MarkRow(picker, 1, 600);
    ASSERT_TRUE(picker->btnExitClick());
    ASSERT_EQ(w1->AutomaticStartArmed, 1);
    const TDateTime armedFor = w1->CalendarStartTime;
    picker = OpenAutomaticStart();
    const QString shownFor = picker->lstOverview->topLevelItem(0)->text(1);
    EXPECT_TRUE(picker->RowChecked(1));
    picker->lstOverviewMouseDown(1);
    picker->dtpTime->setTime(picker->dtpTime->time().addSecs(1200));
    picker->SetRowChecked(1, false);
    picker->btnCancelClick();
    EXPECT_EQ(w1->AutomaticStartArmed, 1);
    EXPECT_EQ(w1->CalendarStartTime, armedFor);
    picker = OpenAutomaticStart();
    EXPECT_TRUE(picker->RowChecked(1));
    EXPECT_EQ(picker->lstOverview->topLevelItem(0)->text(1), shownFor);
    // Exit as shown keeps it as it is.
    ASSERT_TRUE(picker->btnExitClick());
    EXPECT_EQ(w1->AutomaticStartArmed, 1);
    EXPECT_EQ(w1->CalendarStartTime, armedFor);
}

TEST_F(ProgrammerWindowTest, TheAutomaticStartRowShowsAndArmsTheProgramItsWindowHolds)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    Tick(w, 2);
    ASSERT_TRUE(programfile::Write(Path("tc.tp"), WarmProgram()));
    ASSERT_TRUE(programfile::Write(Path("share.tp"), WarmProgram()));
    const auto shownProgram = [](TfrmDateTimePicker* picker) { return picker->lstOverview->topLevelItem(0)->text(3); };

    // Armed with tc.tp, then disarmed; the window loads share.tp: the row shows share.tp.
    TfrmDateTimePicker* picker = OpenAutomaticStart();
    MarkRow(picker, 1, 600, Path("tc.tp"));
    ASSERT_TRUE(picker->btnExitClick());
    EXPECT_EQ(w->CalendarProgramName, "tc.tp");
    // "..." on the armed row loads nothing and says why, and how to choose another program.
    picker = OpenAutomaticStart();
    picker->lstOverviewMouseDown(1);
    support::TestDialogs().Clear();
    support::TestDialogs().QueueFileName(Path("share.tp"));
    const int fileDialogs = support::TestDialogs().FileDialogCount();
    picker->btnDirectoryClick();
    EXPECT_EQ(support::TestDialogs().FileDialogCount(), fileDialogs);
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(Last(),
              "Channel 1 is armed for its automatic start with the temperature program \"tc.tp\"; while it is, its "
              "program stays. To choose another one, remove the row's mark, click Exit and open the automatic start "
              "again.");
    EXPECT_EQ(shownProgram(picker), "tc.tp");
    EXPECT_EQ(w->LoadedProgramFile(), "tc.tp");
    picker->btnCancelClick();
    EXPECT_EQ(w->AutomaticStartArmed, 1);
    support::TestDialogs().Clear();
    picker = OpenAutomaticStart();
    picker->SetRowChecked(1, false);
    ASSERT_TRUE(picker->btnExitClick());
    ASSERT_EQ(w->AutomaticStartArmed, 0);
    support::TestDialogs().QueueAnswer(IDYES);  // replace the loaded program
    support::TestDialogs().QueueFileName(Path("share.tp"));
    w->mnuLoadProgramClick();
    picker = OpenAutomaticStart();
    EXPECT_EQ(shownProgram(picker), "share.tp");
    picker->btnCancelClick();
    // Changed in the window and not saved: the row says that what would run is not the file.
    w->edTemperature->setText("28");
    w->btnApplyValuesClick();
    picker = OpenAutomaticStart();
    EXPECT_EQ(shownProgram(picker), "share.tp (changed in the window, not saved)");
    picker->btnCancelClick();

    // The window loads another program while the form shows share.tp marked: Exit refuses,
    // names the channel and both programs, and the row shows the window's program.
    picker = OpenAutomaticStart();
    MarkRow(picker, 1, 12);
    support::TestDialogs().QueueAnswer(IDYES);
    support::TestDialogs().QueueFileName(Path("tc.tp"));
    w->mnuLoadProgramClick();
    support::TestDialogs().Clear();
    EXPECT_FALSE(picker->btnExitClick());
    EXPECT_EQ(Last(),
              "Channel 1 holds the temperature program \"tc.tp\", not \"share.tp\": the row now shows the "
              "window's program. Mark it again to start that one at the set time.");
    EXPECT_EQ(w->AutomaticStartArmed, 0);
    EXPECT_FALSE(picker->RowChecked(1));
    EXPECT_EQ(shownProgram(picker), "tc.tp");
    // Marked again, it is armed with the program that then runs.
    MarkRow(picker, 1, 12);
    ASSERT_TRUE(picker->btnExitClick());
    EXPECT_EQ(w->AutomaticStartArmed, 1);
    EXPECT_EQ(w->CalendarProgramName, "tc.tp");
    support::TestDialogs().Clear();
    for (int i = 0; i < 4 && !w->ProgramRun()->HasRun(); ++i) Tick(w);
    ASSERT_TRUE(w->ProgramRun()->HasRun());
    EXPECT_EQ(w->ProgramRun()->RunProgramName(), "TC");

    // A window closed and another one opened on its channel: the row shows what the new
    // window holds, nothing of the closed one.
    support::TestDialogs().QueueAnswer(IDYES);
    EXPECT_TRUE(w->FormClose());
    support::SimulatedUnitLine line2;
    TmdiSubWindow* next = ConnectedToControllingUnit(line2);
    ASSERT_NE(next, nullptr);
    ASSERT_EQ(next->Channel(), 1);
    picker = OpenAutomaticStart();
    EXPECT_EQ(shownProgram(picker), "---");
    picker->SetRowChecked(1, true);
    EXPECT_FALSE(picker->RowChecked(1));
    picker->btnCancelClick();
}

TEST_F(ProgrammerWindowTest, AnArmedStartIsToldWhenItStartsAndWhenItsWindowClosesWithIt)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    Tick(w, 2);
    ASSERT_TRUE(programfile::Write(Path("auto.tp"), WarmProgram()));
    const auto stamp = [](TDateTime t) { return DateToStr(t) + " " + TimeToStr(t); };

    // The start's line says it was the automatic start, set for when and armed when.
    TfrmDateTimePicker* picker = OpenAutomaticStart();
    MarkRow(picker, 1, 12, Path("auto.tp"));
    const TDateTime armedAt = Now();
    ASSERT_TRUE(picker->btnExitClick());
    const TDateTime due = w->CalendarStartTime;
    Tick(w);
    // Exit again as it stands: the start keeps the moment it was armed.
    picker = OpenAutomaticStart();
    ASSERT_TRUE(picker->btnExitClick());
    for (int i = 0; i < 4 && !w->ProgramRun()->HasRun(); ++i) Tick(w);
    ASSERT_TRUE(w->ProgramRun()->HasRun());
    EXPECT_TRUE(w->memProtocol->toPlainText().contains(
        QString::fromStdString(" The temperature program AUTO was started by the automatic start set for " +
                               stamp(due) + " (armed at " + stamp(armedAt) + ").")))
        << w->memProtocol->toPlainText().toStdString();
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnStopTPClick(nullptr);
    for (int i = 0; i < 6 && w->ProgramRun()->HasRun(); ++i) Tick(w);
    ASSERT_FALSE(w->ProgramRun()->HasRun());

    // Armed again; the close question says that the start goes with the window, and so does
    // the protocol in the data file.
    picker = OpenAutomaticStart();
    MarkRow(picker, 1, 600);
    ASSERT_TRUE(picker->btnExitClick());
    const TDateTime dueAgain = w->CalendarStartTime;
    const AnsiString dropped =
        "The automatic start of the temperature program \"auto.tp\" at " + stamp(dueAgain) + " is dropped.";
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    w->close();
    EXPECT_EQ(Last(), "Really close data channel 1?\n\n" + dropped);
    ASSERT_TRUE(main->IsChannelOpen(1));
    EXPECT_EQ(w->AutomaticStartArmed, 1);
    support::TestDialogs().QueueAnswer(IDYES);
    w->close();
    EXPECT_FALSE(main->IsChannelOpen(1));
    TDataFileSaveQueue::Instance().WaitIdle();
    const QByteArray saved = Bytes(Path("prog_11.csv"));
    // The file is written in Windows-1252, a line with quotes as a quoted field.
    EXPECT_TRUE(saved.contains(QByteArray::fromStdString(
        "The automatic start of the temperature program \"\"auto.tp\"\" at " + stamp(dueAgain) + " is dropped.")))
        << QString::fromLatin1(saved.right(600)).toStdString();
}

TEST_F(ProgrammerWindowTest, FailedIdentificationLeavesNoStartedProgram)
{
    support::SimulatedUnitLine line;
    support::UnitState mute;
    mute.answers = 0;
    line.AddUnit(mute);
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuProgrammgeberClick);
    w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
    w->edPort->setText(QString::number(line.TcpPort()));
    w->ProgramRun()->StartedProgram = w->ProgramTreeItems().Add(nullptr, "chosen before the unit answered");
    w->cmdEstablishConnectionClick();
    ConfirmIdentification(w->Session());
    EXPECT_FALSE(w->IsConnected());
    EXPECT_EQ(w->ProgramRun()->StartedProgram, nullptr);
}

TEST_F(ProgrammerWindowTest, TPScoutAsksForEveryUnsavedProgramAndStaysOpenWhileOneWantedSavedIsNot)
{
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuTPScoutClick);
    ASSERT_NE(w, nullptr);
    const int channel = w->Channel();
    for (int i = 0; i < 3; ++i) {
        w->mnuCreateProgramClick();
        w->mnuAddSegmentClick();
    }
    ASSERT_EQ(w->ProgramTreeItems().TopLevelCount(), 3);
    CProgrammer* p = w->Programmer();

    // First: Yes, but the file dialog is cancelled; second: Yes and saved; third: No.
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDYES);
    support::TestDialogs().QueueFileName("");
    support::TestDialogs().QueueAnswer(IDYES);
    support::TestDialogs().QueueFileName(Path("scout-second"));
    support::TestDialogs().QueueAnswer(IDNO);
    EXPECT_FALSE(w->FormClose());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 3u);
    for (const support::ShownMessage& m : support::TestDialogs().Messages())
        EXPECT_EQ(m.text, "Do you want to save the selected temperature program?");
    EXPECT_FALSE(Bytes(Path("scout-second.tp")).isEmpty());
    // The window and its programs are still there; only the saved one counts as saved.
    ASSERT_TRUE(main->IsChannelOpen(channel));
    ASSERT_EQ(w->Programmer(), p);
    EXPECT_EQ(w->ProgramTreeItems().TopLevelCount(), 3);
    EXPECT_FALSE(p->IsProgramSaved(0));
    EXPECT_TRUE(p->IsProgramSaved(1));
    EXPECT_FALSE(p->IsProgramSaved(2));

    // Asked again for the two unsaved ones: No to both lets the window close.
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    support::TestDialogs().QueueAnswer(IDNO);
    EXPECT_TRUE(w->FormClose());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_FALSE(main->IsChannelOpen(channel));
}

// A program file saved to a drive that stops answering, from the editor's save command and
// from the question of a closing TP Scout window: the save waits with the event loop
// running, a recording channel on the unit goes on recording, and after a second the wait
// window names the file. Keeping waiting saves the program once the drive answers; leaving
// the file unsaved leaves the program unsaved, and a closing window then closes as after No.
// While the wait lasts the window neither closes nor starts a second save; a file left to the
// drive holds up no save to another one.
TEST_F(ProgrammerWindowTest, AProgramSaveThatHangsWaitsWithTheWindowWhileARecordingGoesOn)
{
    support::SimulatedUnitLine line;
    line.AddUnit(support::UnitState());
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    TmdiSubWindow* rec = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_NE(rec, nullptr);
    rec->cmbInterface->setCurrentIndex(rec->cmbInterface->findText("TCP/IP"));
    rec->edPort->setText(QString::number(line.TcpPort()));
    support::TestDialogs().QueueFileName(Path("rec"));
    rec->cmdEstablishConnectionClick();
    ConfirmIdentification(rec->Session());
    ASSERT_TRUE(rec->IsConnected());
    rec->tmrDataUpdate->stop();
    const auto recordTicks = [&](int n) {
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(AwaitCycle(rec->Session()));
            clock.AdvanceMs(5000);
            rec->tmrDataUpdateTimer();
        }
    };
    recordTicks(1);

    struct Case {
        const char* name;
        bool closing;      // the save comes from the closing window's question
        bool keepWaiting;  // what the user does in the wait window
    };
    for (const Case c : {Case{"saved", false, true}, Case{"left", false, false}, Case{"closesaved", true, true},
                         Case{"closeleft", true, false}}) {
        SCOPED_TRACE(c.name);
        // The window speaks the language of the windows: German for the last case.
        const bool german = c.closing && !c.keepWaiting;
        if (german) main->mnuGermanClick();
        TmdiSubWindow* scout = Open(&TfrmMainWindow::mnuTPScoutClick);
        ASSERT_NE(scout, nullptr);
        const int channel = scout->Channel();
        scout->mnuCreateProgramClick();
        scout->mnuAddSegmentClick();
        CProgrammer* programmer = scout->Programmer();
        const AnsiString file = Path(c.name) + ".tp";
        support::HangingFileSystem drive([file](const std::string& path, bool write) { return write && path == file; });
        support::TestDialogs().Clear();
        const int pointsBefore = rec->Session().ValueSeries(0)->Count();
        int pointsMeanwhile = 0;
        support::TestDialogs().OnWait = [&](const platform::WaitRequest& wait) {
            EXPECT_TRUE(drive.AwaitHang());
            EXPECT_NE(wait.text.find((german ? "Die Datei\n" : "The file\n") + file +
                                     (german ? "\nwird noch geschrieben" : "\nis still being written")),
                      AnsiString::npos)
                << wait.text;
            EXPECT_EQ(wait.giveUp, german ? "Ungespeichert lassen" : "Leave unsaved");
            EXPECT_FALSE(wait.done());
            recordTicks(3);
            pointsMeanwhile = rec->Session().ValueSeries(0)->Count() - pointsBefore;
            EXPECT_FALSE(scout->FormClose());
            support::TestDialogs().QueueFileName(Path("again"));
            scout->mnuSaveProgramClick();
            if (c.keepWaiting) drive.Release();
            return c.keepWaiting;
        };
        support::TestDialogs().QueueFileName(Path(c.name));
        if (c.closing) {
            support::TestDialogs().QueueAnswer(IDYES);
            EXPECT_TRUE(scout->FormClose());
            EXPECT_FALSE(main->IsChannelOpen(channel));
        } else {
            scout->mnuSaveProgramClick();
            EXPECT_EQ(programmer->IsProgramSaved(0), c.keepWaiting);
        }
        support::TestDialogs().OnWait = nullptr;
        EXPECT_EQ(support::TestDialogs().Waits().size(), 1u);
        EXPECT_EQ(pointsMeanwhile, 3);
        // Only the closing question was asked: no error, no second save.
        EXPECT_EQ(support::TestDialogs().MessageCount(), c.closing ? 1u : 0u);
        EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("again.tp"))));
        if (c.keepWaiting) {
            EXPECT_FALSE(Bytes(file).isEmpty());
        } else {
            EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
            EXPECT_EQ(drive.Hanging(), 1);  // the file is left to the drive
            // A save elsewhere does not wait behind it.
            if (!c.closing) {
                support::TestDialogs().Clear();  // the name queued for the refused save goes
                support::TestDialogs().QueueFileName(Path("elsewhere"));
                scout->mnuSaveProgramClick();
                EXPECT_TRUE(programmer->IsProgramSaved(0));
                EXPECT_FALSE(Bytes(Path("elsewhere.tp")).isEmpty());
                EXPECT_TRUE(support::TestDialogs().Waits().empty());
            }
            drive.Release();
        }
        ASSERT_TRUE(Await([] { return platform::BackgroundSavesIdle(); }));
        support::TestDialogs().Clear();
        if (!c.closing) {
            EXPECT_TRUE(scout->FormClose());
        }
    }
    EXPECT_TRUE(rec->IsConnected());
}

TEST_F(ProgrammerWindowTest, AProgramLeftUnsavedOnAHangingDriveIsNotWrittenLaterOrTheUserIsTold)
{
    TmdiSubWindow* scout = Open(&TfrmMainWindow::mnuTPScoutClick);
    ASSERT_NE(scout, nullptr);
    scout->mnuCreateProgramClick();
    scout->mnuAddSegmentClick();
    CProgrammer* programmer = scout->Programmer();
    // An older file of that name on the share.
    const AnsiString file = Path("share") + ".tp";
    ASSERT_TRUE(programfile::Write(file, WarmProgram()));
    const QByteArray older = Bytes(file);
    ASSERT_FALSE(older.isEmpty());

    for (const bool answersFirst : {false, true}) {
        SCOPED_TRACE(answersFirst ? "the drive answers as the user leaves" : "the drive still hangs");
        support::HangingFileSystem drive([file](const std::string& path, bool write) { return write && path == file; });
        support::TestDialogs().Clear();
        support::TestDialogs().OnWait = [&](const platform::WaitRequest&) {
            EXPECT_TRUE(drive.AwaitHang());
            if (answersFirst) {
                // The file is put in place before "Leave unsaved" takes effect; the saver's
                // result has not come through yet.
                drive.Release();
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
                while (Bytes(file) == older && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                EXPECT_NE(Bytes(file), older);
            }
            return false;  // "Leave unsaved"
        };
        support::TestDialogs().QueueFileName(Path("share"));
        scout->mnuSaveProgramClick();
        support::TestDialogs().OnWait = nullptr;
        EXPECT_FALSE(programmer->IsProgramSaved(0));
        // The drive answers later.
        drive.Release();
        ASSERT_TRUE(Await([] { return platform::BackgroundSavesIdle(); }));
        if (answersFirst) {
            ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
            EXPECT_EQ(Last(), "The file\n" + file +
                                  "\nwas written after all: the drive answered before the write could be called off.");
        } else {
            // Nothing written over the older file, and nothing left beside it.
            EXPECT_EQ(Bytes(file), older);
            EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter("share").size(), 1);
            EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
        }
    }
    support::TestDialogs().QueueAnswer(IDNO);  // the unsaved program is not saved at the close
    EXPECT_TRUE(scout->FormClose());
}

TEST_F(ProgrammerWindowTest, ACloseThatDoesNotGoThroughKeepsTheTimedStartArmed)
{
    support::SimulatedUnitLine line;
    line.AddUnit(support::UnitState());
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    ASSERT_TRUE(QDir(folder.path()).mkdir("drive"));
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuProgrammgeberClick);
    w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
    w->edPort->setText(QString::number(line.TcpPort()));
    support::TestDialogs().QueueFileName(Path("drive/timed"));
    w->cmdEstablishConnectionClick();
    ConfirmIdentification(w->Session());
    ASSERT_TRUE(w->IsConnected());
    w->tmrProgrammer->stop();
    Tick(w, 2);
    const TDateTime start = Now() + 1.0 / 24;
    w->AutomaticStartArmed = 1;
    w->CalendarProgramName = Path("auto.tp");
    w->CalendarStartTime = start;
    w->RecordingActive = 0;

    // The drive takes no file any more (nobody may write its folder): the closing save
    // fails and the user keeps the window. The writes of the ticks are done first.
    TDataFileSaveQueue::Instance().WaitIdle();
    const std::string drive = Path("drive");
    ASSERT_EQ(::chmod(drive.c_str(), 0555), 0);
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDOK);  // the save error
    support::TestDialogs().QueueAnswer(IDNO);  // save it in another place? No
    support::TestDialogs().QueueAnswer(IDNO);  // close anyway and discard the data? No
    EXPECT_FALSE(w->FormClose());
    EXPECT_EQ(Last(), "The recording could not be saved. Close the channel anyway and discard the data?");
    ASSERT_TRUE(main->IsChannelOpen(w->Channel()));
    EXPECT_TRUE(w->IsConnected());
    EXPECT_EQ(w->AutomaticStartArmed, 1);
    EXPECT_EQ(w->CalendarProgramName, Path("auto.tp"));
    EXPECT_EQ(w->CalendarStartTime, start);
    EXPECT_EQ(w->RecordingActive, 0);

    ASSERT_EQ(::chmod(drive.c_str(), 0755), 0);
    EXPECT_TRUE(w->FormClose());
}

TEST_F(ProgrammerWindowTest, BoxesAndDialogsOfWindowsThatStayOnTopOpenInFrontOfThem)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    Tick(w, 2);
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Ramp", 60, 30.0, -1, 2, 0, 0, 0});
    ASSERT_TRUE(programfile::Write(Path("front.tp"), file));
    const auto expectInFront = [](QWidget* window, const char* what) {
        SCOPED_TRACE(what);
        const auto shown = support::TestDialogs().Messages();
        ASSERT_FALSE(shown.empty());
        for (const support::ShownMessage& m : shown) {
            EXPECT_EQ(m.parent, window) << m.text;
            EXPECT_TRUE(m.onTop) << m.text;
        }
    };

    // The automatic start: its file dialog, the question whether to replace the loaded
    // program and the note that it is loaded already, all in front of it.
    main->cmdAutomaticStartClick();
    TfrmDateTimePicker* picker = dialogs->DateTimePicker();
    ASSERT_TRUE(picker->isVisible());
    picker->lstOverviewMouseDown(1);
    support::TestDialogs().Clear();
    support::TestDialogs().QueueFileName(Path("front.tp"));
    picker->btnDirectoryClick();
    EXPECT_EQ(support::TestDialogs().FileDialogCount(), 1);
    EXPECT_EQ(support::TestDialogs().LastFileParent(), picker);
    EXPECT_TRUE(support::TestDialogs().LastFileOnTop());
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDYES);
    support::TestDialogs().QueueFileName(Path("front.tp"));
    picker->btnDirectoryClick();
    EXPECT_EQ(support::TestDialogs().LastFileParent(), picker);
    ASSERT_EQ(support::TestDialogs().MessageCount(), 2u);
    // The question names the channel and the program that would go.
    EXPECT_EQ(support::TestDialogs().Messages()[0].text,
              "Do you want to replace the existing temperature program?\n\nChannel 1 (" + w->Session().ChannelLabel() +
                  "): \"FRONT\"");
    EXPECT_EQ(Last(), "That temperature program has already been loaded.");
    expectInFront(picker, "automatic start");
    support::TestDialogs().Clear();
    int h = 0, m = 0, s = 0, ms = 0;
    DecodeTime(Now(), h, m, s, ms);
    picker->dtpTime->setTime(QTime(h, m, s).addSecs(-60));
    picker->SetRowChecked(1, true);
    EXPECT_FALSE(picker->btnExitClick());
    expectInFront(picker, "start in the past");
    picker->btnCancelClick();

    // The single ramp: its input error in front of it.
    support::TestDialogs().Clear();
    main->cmdRampClick();
    TfrmSingleRamp* ramp = dialogs->SingleRamp();
    ASSERT_TRUE(ramp->isVisible());
    ramp->edSingleTemperature->setText("warm");
    ramp->btnOKClick();
    EXPECT_EQ(Last(), "Input mask error!");
    expectInFront(ramp, "single ramp");

    // The control panel: its questions in front of it.
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    panel->cmdKelvorStop->click();
    expectInFront(panel, "control panel");

    // A window that stays on top and is modal (the automatic start as it runs on screen)
    // shuts every other window off: a box asked for by one of those goes in front of it.
    QDialog modal(main.get());
    modal.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    modal.setWindowModality(Qt::ApplicationModal);
    modal.setUpdatesEnabled(false);
    modal.show();
    {
        platform::DialogOwnerScope owner(panel);
        EXPECT_EQ(platform::DialogParent(), &modal);
        QDialog inner(&modal);
        inner.setUpdatesEnabled(false);
        inner.show();
        platform::DialogOwnerScope innerOwner(&inner);
        EXPECT_EQ(platform::DialogParent(), &inner);  // a window of the modal one takes input
        EXPECT_TRUE(platform::DialogStaysOnTop(&inner));
    }
    modal.hide();
    platform::DialogOwnerScope owner(panel);
    EXPECT_EQ(platform::DialogParent(), panel);

    // While the identification window (on top, not modal) is shown, a box of the main
    // window stays on top as well, or the identification would cover it.
    panel->hide();
    EXPECT_FALSE(platform::DialogStaysOnTop(main.get()));
    TfrmIdentification identification(main.get());
    identification.setUpdatesEnabled(false);
    identification.show();
    EXPECT_TRUE(platform::DialogStaysOnTop(main.get()));
    identification.hide();
    EXPECT_FALSE(platform::DialogStaysOnTop(main.get()));
}

TEST_F(ProgrammerWindowTest, AutomaticStartProposesAStartAheadOfNow)
{
    support::SimulatedUnitLine line;
    line.AddUnit(support::UnitState());
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    Connected(line);
    // The program has run for hours since the form was made.
    clock.AdvanceMs(5LL * 3600 * 1000);
    main->cmdAutomaticStartClick();
    TfrmDateTimePicker* picker = dialogs->DateTimePicker();
    picker->lstOverviewMouseDown(1);
    const QDateTime shown(picker->dtpDate->date(), picker->dtpTime->time());
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(Now(), y, mo, d);
    DecodeTime(Now(), h, mi, s, ms);
    const QDateTime now(QDate(y, mo, d), QTime(h, mi, s));
    EXPECT_GE(now.secsTo(shown), 5 * 60);
    EXPECT_LE(now.secsTo(shown), 6 * 60);
    EXPECT_EQ(shown.time().second(), 0);
    // Marked with a program and left as proposed, Exit arms it.
    support::TestDialogs().Clear();
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Ramp", 60, 30.0, -1, 2, 0, 0, 0});
    ASSERT_TRUE(programfile::Write(Path("ahead.tp"), file));
    support::TestDialogs().QueueFileName(Path("ahead.tp"));
    picker->btnDirectoryClick();
    picker->SetRowChecked(1, true);
    EXPECT_TRUE(picker->btnExitClick());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

TEST_F(ProgrammerWindowTest, ARunMessageInsideATickWaitsUntilTheTickIsDone)
{
    support::SimulatedUnitLine line;
    line.AddUnit(support::UnitState());
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    TmdiSubWindow* w = Connected(line);
    Tick(w, 2);
    // A timed start that comes due with no program loaded: the run says so, but not inside
    // the tick, where a modal box would hold up the tick and every timer behind it.
    w->AutomaticStartArmed = 1;
    w->CalendarProgramName = Path("never.tp");
    w->CalendarStartTime = Now();
    support::TestDialogs().Clear();
    ASSERT_TRUE(AwaitCycle(w->Session()));
    clock.AdvanceMs(5000);
    w->tmrProgrammerTimer();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    EXPECT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 1; }));
    EXPECT_EQ(Last(), "Load a temperature program!");
}

TEST_F(ProgrammerWindowTest, SingleRampRefusedOnlyWhileAProgramRunsAndReplacesOneThatEnded)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TfrmSingleRamp* ramp = dialogs->SingleRamp();
    TTreeNodes& tree = w->ProgramTreeItems();
    ASSERT_TRUE(programfile::Write(Path("warm.tp"), WarmProgram()));
    Tick(w, 2);
    const AnsiString stopFirst = "For this operation you have to stop the current temperature program.";
    // The ramp is asked for; true when its dialog came up without a word.
    auto offered = [&] {
        ramp->close();
        support::TestDialogs().Clear();
        main->cmdRampClick();
        return support::TestDialogs().MessageCount() == 0 && ramp->isVisible();
    };
    // Ticks until the run is (or is no longer) running; false when it never gets there.
    auto tickUntilRunning = [&](bool running) {
        for (int i = 0; i < 20 && (run->ProgramRunning != 0) != running; ++i) Tick(w);
        return (run->ProgramRunning != 0) == running;
    };
    auto runRamp = [&](const char* temperature) {
        ramp->edSingleTemperature->setText(temperature);
        ramp->edSingleDuration->setText("00:00");
        ramp->btnOKClick();
    };

    // A program that is only loaded does not stand in the way.
    support::TestDialogs().QueueFileName(Path("warm.tp"));
    w->mnuLoadProgramClick();
    ASSERT_EQ(tree.TopLevelCount(), 1);
    EXPECT_TRUE(offered());

    // Starting, running and held, it does: the user is told to stop it.
    ramp->close();
    w->btnStartTPClick(nullptr);
    ASSERT_TRUE(run->StartPending);
    EXPECT_FALSE(offered());
    EXPECT_EQ(Last(), stopFirst);
    ASSERT_TRUE(tickUntilRunning(true));
    EXPECT_FALSE(offered());
    EXPECT_EQ(Last(), stopFirst);
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnPauseSegmentClick();
    ASSERT_TRUE(run->SegmentHeld);
    EXPECT_FALSE(offered());
    EXPECT_EQ(Last(), stopFirst);

    // A stop is done once its "no change" frames stand: the run is let go at once, not a
    // tick or two later. The window's button and the panel's offer a start, the remaining
    // time says that no segment runs, and the ramp is offered and replaces it.
    EXPECT_NE(w->RemainingTimeLines().first, "Remaining time: --:--");
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnStopTPClick(nullptr);
    ASSERT_FALSE(run->HasRun());
    EXPECT_EQ(w->btnTPStartStop->text(), "Start temperature program");
    EXPECT_TRUE(w->btnTPStartStop->isEnabled());
    EXPECT_EQ(panel->cmdTPStartStop->Tag, 1);
    EXPECT_TRUE(panel->cmdTPStartStop->isEnabled());
    EXPECT_EQ(w->RemainingTimeLines().first, "Remaining time: --:--");
    EXPECT_TRUE(offered());
    runRamp("25");
    // The question before the loaded program is replaced, and the start's.
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    ASSERT_EQ(tree.TopLevelCount(), 1);
    EXPECT_EQ(tree.GetFirstNode()->Text, "Single ramp");
    EXPECT_EQ(run->StartedProgram, tree.GetFirstNode());
    EXPECT_TRUE(run->HasRun());

    // A ramp that has reached its end is let go in the same tick: the next ramp replaces it.
    ASSERT_TRUE(tickUntilRunning(true));
    ASSERT_TRUE(tickUntilRunning(false));
    ASSERT_FALSE(run->HasRun());
    EXPECT_EQ(w->ProgramRunning, 0);
    EXPECT_TRUE(offered());
    runRamp("26");
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    ASSERT_EQ(tree.TopLevelCount(), 1);
    TTreeNode* segment = tree.GetFirstNode()->GetFirstChild();
    ASSERT_NE(segment, nullptr);
    EXPECT_DOUBLE_EQ(w->Programmer()->GetSegmentSetpoint(segment), 26.0);
    EXPECT_EQ(run->StartedProgram, tree.GetFirstNode());
    EXPECT_TRUE(tickUntilRunning(true));
    EXPECT_EQ(w->ProgramRunning, 1);
}

TEST_F(ProgrammerWindowTest, SingleRampAsksBeforeItReplacesAnEditedProgramAndANoKeepsIt)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    CProgrammer* p = w->Programmer();
    TfrmSingleRamp* ramp = dialogs->SingleRamp();
    TTreeNodes& tree = w->ProgramTreeItems();
    ASSERT_TRUE(programfile::Write(Path("edited.tp"), WarmProgram()));
    Tick(w, 2);
    support::TestDialogs().QueueFileName(Path("edited.tp"));
    w->mnuLoadProgramClick();
    ASSERT_EQ(tree.TopLevelCount(), 1);
    // A second segment added and its values applied, not saved.
    w->mnuAddSegmentClick();
    w->edTemperature->setText("33");
    w->btnApplyValuesClick();
    ASSERT_FALSE(p->IsProgramSaved(0));
    // What the program is: its name, its segments with their setpoints, as the tree and
    // the programmer hold them.
    auto program = [&] {
        AnsiString text;
        for (int i = 0; i < tree.TopLevelCount(); ++i) {
            TTreeNode* head = tree.TopLevelItem(i);
            text += head->Text + "=" + p->GetProgramName(i) + ":";
            for (int k = 0; k < head->Count(); ++k)
                text += head->Item(k)->Text + "@" + FormatFloat("0.00", p->GetSegmentSetpoint(head->Item(k))) + ";";
        }
        for (int i = 0; i < w->treeTProgram->topLevelItemCount(); ++i)
            text += "|" + w->treeTProgram->topLevelItem(i)->text(0).toStdString();
        return text;
    };
    const AnsiString edited = program();
    ASSERT_EQ(edited.find("EDITED=EDITED:Warm@30,00;"), 0u) << edited;
    ASSERT_NE(edited.find("@33,00;"), AnsiString::npos) << edited;
    // Setpoint frames the unit received ("G0D" with four digits, not "no change").
    auto setpointFrames = [&] {
        std::size_t n = 0;
        for (const support::LoggedFrame& f : line.Frames())
            if (f.frame.size() > 13 && f.frame.compare(4, 3, "G0D") == 0 && f.frame.compare(9, 4, "****") != 0) ++n;
        return n;
    };
    ASSERT_EQ(setpointFrames(), 0u);
    // The second question's hook, when given, runs while it is open.
    auto rampOver = [&](std::initializer_list<int> answers, std::function<void()> whileSecond = {}) {
        support::TestDialogs().Clear();
        main->cmdRampClick();
        ramp->edSingleTemperature->setText("27");
        ramp->edSingleDuration->setText("00:03");
        for (int a : answers) support::TestDialogs().QueueAnswer(a);
        if (whileSecond)
            support::TestDialogs().WhileShown = [whileSecond](const support::ShownMessage&) {
                support::TestDialogs().WhileShown = [whileSecond](const support::ShownMessage&) { whileSecond(); };
            };
        ramp->btnOKClick();
    };

    // A duration that is no time is refused with the form open, before any question,
    // quoting what was typed (the field shows "120" as "12:0").
    for (const char* typed : {"120", "1:30", "00:75", "7"}) {
        SCOPED_TRACE(typed);
        support::TestDialogs().Clear();
        main->cmdRampClick();
        ramp->edSingleTemperature->setText("27");
        ramp->edSingleDuration->setText(typed);
        ramp->btnOKClick();
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        EXPECT_EQ(Last(), "\"" + AnsiString(typed) +
                              "\" is not a time: give the ramp's duration as hours and minutes (hh:mm, minutes "
                              "below 60).");
        EXPECT_TRUE(ramp->isVisible());
        EXPECT_EQ(program(), edited);
        ramp->reject();
    }
    EXPECT_EQ(setpointFrames(), 0u);

    // "No" to the replacement: nothing else is asked, the program stays as it was. The
    // question names the channel and the program.
    rampOver({IDNO});
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(Last(), "Do you want to replace the existing temperature program?\n\nChannel 1 (" +
                          w->Session().ChannelLabel() + "): \"EDITED\"");
    EXPECT_EQ(program(), edited);
    EXPECT_FALSE(run->HasRun());

    // "Yes" to it and "no" to the start: while the start is asked, the tree still shows
    // the edited program, and afterwards it is there as it was; nothing went to the unit.
    AnsiString behindStart;
    rampOver({IDYES, IDNO}, [&] { behindStart = program(); });
    ASSERT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_EQ(Last().find("Do you want to start the temperature program \"Single ramp\"?"), 0u) << Last();
    EXPECT_EQ(behindStart, edited);
    EXPECT_EQ(program(), edited);
    EXPECT_FALSE(run->HasRun());
    Tick(w, 2);
    EXPECT_EQ(setpointFrames(), 0u);

    // Two yeses, and while the start is asked the user starts the loaded program in the
    // window (with a yes of its own): that run goes on with its program, the ramp replaces
    // nothing.
    rampOver({IDYES, IDYES, IDYES}, [&] { w->btnStartTPClick(nullptr); });
    EXPECT_EQ(support::TestDialogs().MessageCount(), 3u);
    EXPECT_EQ(program(), edited);
    ASSERT_TRUE(run->HasRun());
    EXPECT_EQ(run->RunProgramName(), "EDITED");
    EXPECT_EQ(run->StartedProgram, tree.GetFirstNode());
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnStopTPClick(nullptr);
    ASSERT_FALSE(run->HasRun());

    // The same with a timed start armed meanwhile: its program stays for it.
    rampOver({IDYES, IDYES}, [&] { w->AutomaticStartArmed = 1; });
    EXPECT_EQ(program(), edited);
    EXPECT_FALSE(run->HasRun());
    w->AutomaticStartArmed = 0;

    // Two yeses: the ramp takes its place and runs.
    rampOver({IDYES, IDYES});
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    ASSERT_EQ(tree.TopLevelCount(), 1);
    EXPECT_EQ(tree.GetFirstNode()->Text, "Single ramp");
    EXPECT_TRUE(run->HasRun());
}

TEST_F(ProgrammerWindowTest, ClosingDuringARunNamesTheProgramAndWhereTheUnitIsLeft)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Up", 600, 30.0, -1, 2, 0, 0, 0});
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "slow.tp", file));
    ASSERT_NO_FATAL_FAILURE(StartLoadedProgram(w));
    Tick(w, 3);
    ASSERT_TRUE(AwaitCycle(w->Session()));

    // "No": the window and the run stay.
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    w->close();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    const AnsiString question = Last();
    ASSERT_TRUE(main->IsChannelOpen(1));
    EXPECT_TRUE(run->ProgramRunning);
    // "Yes": the protocol in the file says it too.
    support::TestDialogs().QueueAnswer(IDYES);
    w->close();
    EXPECT_FALSE(main->IsChannelOpen(1));
    TDataFileSaveQueue::Instance().WaitIdle();
    // What was said is where the unit is left, on the ramp, controlling.
    const support::UnitState unit = line.First().State();
    EXPECT_GT(unit.setpoint, 20.0);
    EXPECT_LT(unit.setpoint, 30.0);
    EXPECT_EQ(unit.controlMode, 'I');
    const AnsiString left = "The unit keeps the setpoint it was sent last, " + FormatFloat("0.00", unit.setpoint) +
                            " °C. Its temperature control stays on.";
    EXPECT_EQ(question,
              "Really close data channel 1?\n\nThe temperature program \"SLOW\" is running and is not run to "
              "its end. " +
                  left);
    const QByteArray saved = Bytes(Path("prog_11.csv"));
    // The file is written in Windows-1252, a line with quotes as a quoted field.
    EXPECT_TRUE(saved.contains(
        QString::fromStdString(" Channel window closed; the temperature program \"\"SLOW\"\" was not run to its end. " +
                               left)
            .toLatin1()))
        << QString::fromLatin1(saved.right(600)).toStdString();
}

// The questions that end a running or held program answer no to Enter: closing its channel
// and File > Exit, which names each run and where its unit is left, as closing one channel
// does. Without a run, Enter still closes.
TEST_F(ProgrammerWindowTest, TheQuestionsThatEndARunKeepItOnEnterAndExitNamesEachRun)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Up", 600, 30.0, -1, 2, 0, 0, 0});
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "slow.tp", file));
    ASSERT_NO_FATAL_FAILURE(StartLoadedProgram(w));
    Tick(w, 3);
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    const AnsiString channel = "Channel 1 (" + w->Session().ChannelLabel() + "): ";
    auto left = [&] {
        return "The unit keeps the setpoint it was sent last, " + FormatFloat("0.00", line.First().State().setpoint) +
               " °C. Its temperature control stays on.";
    };
    const int yesNo = MB_YESNO | MB_ICONWARNING;
    // Enter answers the box with its default button: no answer is queued.
    auto enter = [&](const std::function<void()>& ask) {
        support::TestDialogs().Clear();
        ask();
        EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
        return support::TestDialogs().LastMessage();
    };

    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held" : "running");
        const AnsiString runText = held ? "The temperature program \"SLOW\" is held and is not run to its end. "
                                        : "The temperature program \"SLOW\" is running and is not run to its end. ";
        const support::ShownMessage close = enter([&] { w->close(); });
        EXPECT_EQ(close.flags, yesNo | MB_DEFBUTTON2);
        EXPECT_EQ(close.text, "Really close data channel 1?\n\n" + runText + left());
        ASSERT_TRUE(main->IsChannelOpen(1));
        EXPECT_TRUE(run->HasRun());
        EXPECT_EQ(run->SegmentHeld != 0, held);

        const support::ShownMessage exit = enter([&] { EXPECT_FALSE(main->FormCloseQueryMain()); });
        EXPECT_EQ(exit.flags, yesNo | MB_DEFBUTTON2);
        EXPECT_EQ(exit.text, "Close ALL data channels and end the program?\n\n" + channel + runText + left());
        ASSERT_TRUE(main->IsChannelOpen(1));
        EXPECT_TRUE(run->HasRun());
        if (!held) {
            support::TestDialogs().QueueAnswer(IDYES);
            w->btnPauseSegmentClick();
            ASSERT_TRUE(run->SegmentHeld);
            Tick(w);
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
        }
    }

    // Without a run the questions keep yes as their default.
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnStopTPClick(nullptr);
    ASSERT_FALSE(run->HasRun());
    const support::ShownMessage exit = enter([&] { EXPECT_TRUE(main->FormCloseQueryMain()); });
    EXPECT_EQ(exit.flags, yesNo);
    EXPECT_EQ(exit.text, "Close ALL data channels and end the program?");
    EXPECT_FALSE(main->IsChannelOpen(1));
}

// The user gives the unit a setpoint from the panel during a run and holds the segment: the
// close names the setpoint the unit took (not the run's last step), says that it is not
// known while a setpoint went out unanswered, and names a command that has not gone out;
// the run's own protocol and the event protocol in the file both say so.
TEST_F(ProgrammerWindowTest, ClosingAHeldRunNamesTheSetpointTheUnitTookAndWhatWasNotSent)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Up", 600, 30.0, -1, 2, 0, 0, 0});
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "slow.tp", file));
    ASSERT_NO_FATAL_FAILURE(StartLoadedProgram(w));
    Tick(w, 3);
    auto giveSetpoint = [&](const char* value) {
        panel->edSetPoint->setText(value);
        support::TestDialogs().QueueAnswer(IDYES);
        panel->cmdDataToKelvorClick(static_cast<QObject*>(panel->cmdDataToKelvor));
    };
    support::TestDialogs().Clear();
    giveSetpoint("20,06");
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnPauseSegmentClick();
    ASSERT_TRUE(run->SegmentHeld);
    Tick(w, 2);
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    ASSERT_DOUBLE_EQ(line.First().State().setpoint, 20.06);
    const AnsiString held =
        "Really close data channel 1?\n\nThe temperature program \"SLOW\" is held and is not run to "
        "its end. ";
    const AnsiString left = "The unit keeps the setpoint it was sent last, 20,06 °C. Its temperature control stays on.";
    auto closeAnswering = [&](int answer) {
        support::TestDialogs().Clear();
        support::TestDialogs().QueueAnswer(answer);
        w->close();
        return support::TestDialogs().Messages().front().text;
    };
    EXPECT_EQ(closeAnswering(IDNO), held + left);
    std::vector<AnsiString> runProtocol;
    w->Session().OnMemoLineAdded = [&, shown = w->Session().OnMemoLineAdded](TSessionMemo memo, const AnsiString& l) {
        if (memo == TSessionMemo::Protocol) runProtocol.push_back(l);
        shown(memo, l);
    };

    // The unit goes silent and a setpoint goes out in both its cycles without an answer:
    // what the unit has is not known until it answers again.
    line.First().Update([](support::UnitState& u) { u.answers = 0; });
    giveSetpoint("21");
    ASSERT_TRUE(Await([&] { return !w->Session().ChannelObject()->OneShotInProgress(); }));
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_EQ(closeAnswering(IDNO),
              held +
                  "Which setpoint the unit has is not known: its replies do not tell it. Its temperature "
                  "control stays on.");
    line.First().Update([](support::UnitState& u) { u.answers = support::AllCommands; });
    Tick(w, 3);
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_EQ(closeAnswering(IDNO), held + left);

    // A setpoint the poll thread has not sent yet when the user closes never goes: the
    // question and the protocol name it.
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);
    poll->Active = 0;
    const int passes = poll->PassCount;
    ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
    giveSetpoint("20,5");
    EXPECT_EQ(
        closeAnswering(IDYES),
        held + left + "\n\nStill waiting for the unit, not sent once the channel is closed: Set setpoint 20,50 °C");
    EXPECT_FALSE(main->IsChannelOpen(1));
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 20.06);
    const QByteArray saved = Bytes(Path("prog_11.csv"));
    EXPECT_EQ(saved.count(QString::fromUtf8(" Not sent, the channel was closed: Set setpoint 20,50 °C").toLatin1()), 1)
        << QString::fromLatin1(saved.right(900)).toStdString();
    // In the event protocol, which the file keeps, and in the run's own protocol.
    const AnsiString closed =
        " Channel window closed; the temperature program \"SLOW\" was not run to its end. " + left;
    EXPECT_EQ(saved.count(QString::fromUtf8(CsvQuoted(closed)).toLatin1()), 1)
        << QString::fromLatin1(saved.right(900)).toStdString();
    EXPECT_EQ(std::count_if(runProtocol.begin(), runProtocol.end(),
                            [&](const AnsiString& l) { return l.size() > closed.size() && l.ends_with(closed); }),
              1);
}

// Ended from outside during a run, with a setpoint that has not gone out: both protocols in
// the file say which program was cut off and where the unit is left, and the command is
// named as not sent, before the file is written.
TEST_F(ProgrammerWindowTest, EndedFromOutsideDuringARunTheFileSaysWhereTheUnitIsLeft)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Up", 600, 40.0, -1, 2, 0, 0, 0});
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "up.tp", file));
    ASSERT_NO_FATAL_FAILURE(StartLoadedProgram(w));
    Tick(w, 3);
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    const AnsiString unitHas = FormatFloat("0.00", line.First().State().setpoint);
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);
    poll->Active = 0;
    const int passes = poll->PassCount;
    ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
    panel->edSetPoint->setText("33");
    support::TestDialogs().QueueAnswer(IDYES);
    panel->cmdDataToKelvorClick(static_cast<QObject*>(panel->cmdDataToKelvor));

    bool written = false, done = false;
    ASSERT_TRUE(w->Session().EndFromOutside(" Ended from outside.", [&](bool ok) {
        written = ok;
        done = true;
    }));
    ASSERT_TRUE(Await([&] { return done; }));
    EXPECT_TRUE(written);
    const QByteArray saved = Bytes(Path("prog_11.csv"));
    const QByteArray ended = " Ended from outside.";
    const QByteArray notSent = QString::fromUtf8(" Not sent, the channel was closed: Set setpoint 33,00 °C").toLatin1();
    const AnsiString cut =
        " Channel window closed; the temperature program \"UP\" was not run to its end. The unit "
        "keeps the setpoint it was sent last, " +
        unitHas + " °C. Its temperature control stays on.";
    EXPECT_EQ(saved.count(ended), 1);
    EXPECT_EQ(saved.count(notSent), 1);
    EXPECT_EQ(saved.count(QString::fromUtf8(CsvQuoted(cut)).toLatin1()), 1)
        << QString::fromLatin1(saved.right(900)).toStdString();
    EXPECT_LT(saved.indexOf(ended), saved.indexOf(notSent));
    const auto& runProtocol = w->Session().Memo(TSessionMemo::Protocol);
    EXPECT_EQ(std::count_if(runProtocol.begin(), runProtocol.end(),
                            [&](const AnsiString& l) { return l.size() > cut.size() && l.ends_with(cut); }),
              1);
    poll->Active = 1;
}

// A unit that falls silent right after a run began: the run's query of the setpoint limits
// goes out unanswered, and nobody is told of it as of a command the unit may have taken
// (a query changes nothing at the unit).
TEST_F(ProgrammerWindowTest, AnUnansweredLimitsQueryOfARunIsNotReported)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "warm.tp", WarmProgram()));
    ASSERT_NO_FATAL_FAILURE(StartLoadedProgram(w));
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    line.ClearLog();
    line.First().Update([](support::UnitState& u) { u.answers = 0; });
    support::TestDialogs().Clear();
    clock.AdvanceMs(5000);
    w->tmrProgrammerTimer();
    // The query goes out at once, without an answer.
    auto queries = [&] {
        const auto frames = line.Frames();
        return std::count_if(frames.begin(), frames.end(),
                             [](const support::LoggedFrame& f) { return f.frame.find("L0F") != AnsiString::npos; });
    };
    ASSERT_TRUE(Await([&] { return queries() >= 1 && !w->Session().ChannelObject()->OneShotInProgress(); }));
    // What the poll thread handed over after the query's last cycle has run.
    const int passes = TransceiverThreads[w->Channel()]->PassCount;
    ASSERT_TRUE(Await([&] { return TransceiverThreads[w->Channel()]->PassCount >= passes + 2; }));
    platform::UiDispatcher::Instance().ProcessPending();
    for (const support::ShownMessage& m : support::TestDialogs().Messages())
        EXPECT_EQ(m.text.find("Sent without an answer"), AnsiString::npos) << m.text;
    for (const AnsiString& l : w->Session().Memo(TSessionMemo::SerialData))
        EXPECT_EQ(l.find("Sent without an answer"), AnsiString::npos) << l;
}

TEST_F(ProgrammerWindowTest, ThePanelShowsTheStepARunGaveNotAnOlderPollAndNotAWithdrawnOne)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "20";
    file.Segments.push_back({"Up", 600, 30.0, -1, 2, 0, 0, 0});
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "steps.tp", file));
    ASSERT_NO_FATAL_FAILURE(StartLoadedProgram(w));
    Tick(w, 2);
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    auto field = [&] { return panel->edSetPoint->text().toStdString(); };
    auto unitHas = [&] { return FormatFloat("0.00", line.First().State().setpoint); };
    ASSERT_EQ(field(), unitHas());
    // The next step is given while the poll thread is held: the field shows it, not the
    // unit's last reply from before it.
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);
    auto hold = [&] {
        poll->Active = 0;
        const int passes = poll->PassCount;
        ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
    };
    hold();
    const AnsiString before = unitHas();
    clock.AdvanceMs(5000);
    w->tmrProgrammerTimer();
    const AnsiString given = field();
    EXPECT_NE(given, before);
    poll->Active = 1;
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_EQ(unitHas(), given);
    Tick(w);
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_EQ(field(), unitHas());

    // A stop before the step given last went out: the step never reaches the unit, and the
    // field the user may now send from shows what the unit has.
    hold();
    const AnsiString kept = unitHas();
    clock.AdvanceMs(5000);
    w->tmrProgrammerTimer();
    EXPECT_NE(field(), kept);
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnStopTPClick(nullptr);
    ASSERT_FALSE(run->HasRun());
    EXPECT_EQ(field(), kept);
    poll->Active = 1;
    Tick(w, 2);
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_EQ(unitHas(), kept);
    EXPECT_EQ(field(), kept);
}

TEST_F(ProgrammerWindowTest, EverySegmentAfterACancelRunsAndNoControlReadingStopStarts)
{
    // A ramp and a hold of six ticks each, ending with temperature control off. Each row runs
    // the program and acts at one moment of a segment (start, middle or its last tick):
    //   h hold or resume, c cancel, n cancel on the panel, s stop, p stop on the panel,
    //   m stop in the menu, x a stop that asks nothing; t one tick, l ticks to the segment's
    //   last; H the run is held; N the next question is answered "no"; 1 2 u: the next
    //   question stays open for 1 or 2 ticks, or while the run is held for the unit; P a press on the panel's button with 2 ticks before the release, F one
    //   on the window's with a failing tick (the chart's step throws) before it.
    ShortPollSteps();
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "25";
    file.Segments = {{"Ramp", 30, 35.0, -1, 2, 0, 0, 0}, {"Hold", 30, 35.0, -1, 2, 0, 0, 0}};
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "rh.tp", file));
    bool failTick = false;
    w->Session().OnTicked = [&failTick, ticked = w->Session().OnTicked] {
        if (std::exchange(failTick, false)) throw std::runtime_error("chart full");
        if (ticked) ticked();
    };
    auto protocol = [&](const AnsiString& part) {
        const auto& lines = w->Session().Memo(TSessionMemo::Protocol);
        return std::count_if(lines.begin(), lines.end(), [&](const AnsiString& l) { return l.find(part) != l.npos; });
    };
    const AnsiString off = CTolvarProtocol::BuildCommandFrame("G0DO*****", 1);
    auto offFrames = [&] {
        const auto frames = line.Frames();
        return std::count_if(frames.begin(), frames.end(), [&](const auto& f) { return f.frame == off; });
    };
    const QString start = "Start temperature program", stop = "Stop temperature program";
    // Every start/stop control reads "stop" exactly while a run goes on, else "start"; one
    // that reads "stop" and can be clicked asks, and on "no" starts nothing.
    std::vector<std::pair<AnsiString, bool>> log;
    auto step = [&] {
        Tick(w);
        log.emplace_back(w->Programmer()->GetCurrentSegmentName(), run->ProgramRunning != 0);
        SCOPED_TRACE("tick " + std::to_string(log.size()) + " in " + log.back().first);
        const bool hadRun = run->HasRun();
        const auto started = protocol(" was started.");
        std::tuple<QString, bool, std::function<void()>> controls[] = {
            {w->btnTPStartStop->text(), w->btnTPStartStop->isEnabled(), [&] { w->btnTPStartStop->click(); }},
            {w->mnuStartStopProgram->text(), w->mnuStartStopProgram->isEnabled(),
             [&] { w->mnuStartStopProgram->trigger(); }},
            {panel->cmdTPStartStop->toolTip(), panel->cmdTPStartStop->isEnabled(),
             [&] { panel->cmdTPStartStop->click(); }}};
        for (auto& [text, enabled, click] : controls) {
            EXPECT_EQ(text, hadRun ? stop : start);
            if (text != stop || !enabled) continue;
            const std::size_t asked = support::TestDialogs().MessageCount();
            support::TestDialogs().QueueAnswer(IDNO);
            click();
            EXPECT_EQ(support::TestDialogs().MessageCount(), asked + 1);
            EXPECT_TRUE(run->HasRun() && protocol(" was started.") == started);
        }
    };
    auto pressTicksRelease = [&](QAbstractButton* b, int ticks) {
        const QPointF at = QRectF(b->rect()).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, b->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(b, &press);
        for (int i = 0; i < ticks; ++i) step();
        QMouseEvent release(QEvent::MouseButtonRelease, at, b->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, {});
        QCoreApplication::sendEvent(b, &release);
    };
    auto yes = [] { support::TestDialogs().QueueAnswer(IDYES); };
    auto& whileShown = support::TestDialogs().WhileShown;
    const std::map<char, std::function<void()>> acts{
        {'h', [&] { yes(), w->btnPauseSegment->click(); }},
        {'c', [&] { yes(), w->btnCancelSegment->click(); }},
        {'n', [&] { yes(), panel->cmdNextSegment->click(); }},
        {'s', [&] { yes(), w->btnTPStartStop->click(); }},
        {'p', [&] { yes(), panel->cmdTPStartStop->click(); }},
        {'m', [&] { yes(), w->mnuStartStopProgram->trigger(); }},
        {'x',
         [&] {
             const std::size_t asked = support::TestDialogs().MessageCount();
             w->btnStopTPClick(nullptr);
             EXPECT_EQ(support::TestDialogs().MessageCount(), asked);
         }},
        {'N', [&] { support::TestDialogs().QueueAnswer(IDNO); }},
        {'H', [&] { EXPECT_TRUE(run->SegmentHeld); }},
        {'t', [&] { step(); }},
        {'l',
         [&] {
             for (int i = 0; i < 20 && run->RemainingSteps != 0; ++i) step();
         }},
        {'1', [&] { whileShown = [&](const auto&) { step(); }; }},
        {'2', [&] { whileShown = [&](const auto&) { step(), step(); }; }},
        {'u', [&] { whileShown = [&](const auto&) { run->HoldProgram(), step(); }; }},
        {'P', [&] { pressTicksRelease(panel->cmdTPStartStop, 2); }},
        {'F', [&] { failTick = true, pressTicksRelease(w->btnTPStartStop, 1); }},
    };
    enum TAt { Pending, Begun, Middle, Last, Ended };
    struct TRow {
        const char* what;
        const char* segment;
        TAt at;
        const char* acts;
        bool holdRunsFully;
        long offFrames, cancelledByUser;
    } rows[] = {
        {"runs to its end", "Hold", Begun, "", true, 1, 0},
        {"cancel at the ramp's start", "Ramp", Begun, "c", true, 1, 0},
        {"cancel in the ramp's middle", "Ramp", Middle, "c", true, 1, 0},
        {"cancel in the ramp's last tick, asked until it ended", "Ramp", Last, "2c", true, 1, 0},
        {"hold, resume, cancel in the ramp's last tick", "Ramp", Middle, "httthl2c", true, 1, 0},
        {"cancel the held ramp on the panel", "Ramp", Middle, "httn", true, 1, 0},
        {"hold asked while the run is held for the unit", "Ramp", Middle, "uhHs", false, 0, 1},
        {"cancel at the hold's start", "Hold", Begun, "c", false, 1, 0},
        {"cancel in the hold's middle", "Hold", Middle, "c", false, 1, 0},
        {"cancel in the hold's last tick, asked until the run ended", "Hold", Last, "2c", true, 1, 0},
        {"stop while the start waits", "", Pending, "s", false, 0, 1},
        {"stop in the ramp", "Ramp", Middle, "s", false, 0, 1},
        {"stop the held hold on the panel", "Hold", Middle, "htp", false, 0, 1},
        {"stop in the hold's last tick, asked until the run ended", "Hold", Last, "1m", true, 1, 0},
        {"stop just after the run ended by itself", "", Ended, "xNP", true, 1, 0},
        {"a start whose tick fails while it waits", "", Pending, "F", false, 0, 0},
        {"a ramp whose tick fails half-way", "Ramp", Middle, "F", false, 0, 0},
    };
    long fullHold = 0;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        line.First().Update([](support::UnitState& s) { s.controlMode = 'I'; });
        support::TestDialogs().Clear();
        log.clear();
        const auto offBefore = offFrames(), startedBefore = protocol(" was started."),
                   cancelledBefore = protocol(" was canceled by the user.");
        // A start with five recorded setpoints begins at once; one that is to wait for them
        // follows a new part, which begins with one.
        if (row.at == Pending && w->Session().Series(2)->Count() >= CProgramRun::PointsBeforeStart) {
            const int part = w->Session().PartNumber();
            w->Session().StartNewPartNow();
            ASSERT_TRUE(Await([&] { return w->Session().PartNumber() == part + 1; }));
        }
        w->btnTPStartStop->click();
        ASSERT_TRUE(row.at == Pending ? run->StartPending != 0 : run->HasRun());
        auto inSegment = [&] {
            return std::count(log.begin(), log.end(), std::pair<AnsiString, bool>(row.segment, true));
        };
        auto reached = [&] {
            if (row.at == Ended) return !run->HasRun();
            if (!run->ProgramRunning || w->Programmer()->GetCurrentSegmentName() != row.segment)
                return row.at == Pending;
            return row.at == Begun ? inSegment() == 1 : row.at == Middle ? inSegment() == 3 : run->RemainingSteps == 0;
        };
        for (int i = 0; i < 40 && !reached(); ++i) step();
        ASSERT_TRUE(reached());
        for (const char* a = row.acts; *a; ++a) acts.at (*a)();
        for (int i = 0; i < 40 && run->HasRun(); ++i) step();
        ASSERT_FALSE(run->HasRun());
        step(), step();
        ASSERT_TRUE(AwaitCycle(w->Session()));

        // Every segment after a cancelled one runs its full time; nothing started a second
        // run; the end action went out once when the run ended by itself, never after a stop.
        if (fullHold == 0) fullHold = inSegment();
        const auto held = std::count(log.begin(), log.end(), std::pair<AnsiString, bool>("Hold", true));
        EXPECT_TRUE(row.holdRunsFully ? held == fullHold : held < fullHold) << held << " of " << fullHold;
        EXPECT_EQ(protocol(" was started."), startedBefore + 1);
        EXPECT_EQ(offFrames() - offBefore, row.offFrames);
        EXPECT_EQ(protocol(" was canceled by the user."), cancelledBefore + row.cancelledByUser);
        EXPECT_FALSE(support::TestDialogs().WhileShown);
        // A run that failed on its way says so, with the setpoint the unit was left at.
        if (std::string_view(row.acts) == "F") {
            const AnsiString setpoint = FormatFloat("0.00", line.First().State().setpoint) + " °C";
            const AnsiString said =
                "The temperature program was ended because of an error: chart full. " +
                (row.at == Pending ? "The unit's setpoint was not changed (" + setpoint + ")."
                                   : "The unit keeps the setpoint it was sent last, " + setpoint + ".");
            EXPECT_TRUE(Await([&] { return support::TestDialogs().Messages().back().text == said; }));
            EXPECT_EQ(protocol(said), 1);
        }
    }
}

TEST_F(ProgrammerWindowTest, AStartAfterARunEndedByItselfAsksAndNoSendsNothing)
{
    // A run ends by itself while the tree's pop-up menu is open on its "stop"; then each
    // start/stop control (window button, panel button, pop-up menu) reads "start": a click
    // asks first, naming program and channel, and "no" sends the unit nothing.
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "25";
    file.Settings.EndAction = 1;
    file.Segments = {{"Ramp", 20, 35.0, -1, 2, 0, 0, 0}};
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "end.tp", file));
    Tick(w, 5);
    const QImage startPicture = panel->cmdTPStartStop->icon().pixmap(16).toImage();
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnTPStartStop->click();
    ASSERT_TRUE(run->ProgramRunning);
    EXPECT_EQ(support::TestDialogs().LastMessage().text.find("Do you want to start the temperature program"), 0u);
    // The panel's stop looks different from its start.
    EXPECT_NE(panel->cmdTPStartStop->icon().pixmap(16).toImage(), startPicture);

    w->PopupProgrammer->popup(w->treeTProgram->mapToGlobal(QPoint(4, 4)));
    ASSERT_TRUE(w->PopupProgrammer->isVisible());
    const std::vector<QAction*> editing = {w->mnuDeleteProgram, w->mnuLoadProgram, w->mnuAddSegment,
                                           w->mnuDeleteSegment, w->mnuCreateProgram};
    std::vector<bool> offeredEditing;
    for (QAction* a : editing) offeredEditing.push_back(a->isEnabled());
    EXPECT_FALSE(w->mnuLoadProgram->isEnabled());
    for (int i = 0; i < 20 && run->HasRun() && !run->ProgramEnded && !run->ProgramFinished; ++i) Tick(w);
    // The tick that hands over the end action ends the run: at once, not one tick later, the
    // window's button and the panel's offer a start, with the start picture.
    ASSERT_FALSE(run->HasRun());
    EXPECT_EQ(w->btnTPStartStop->text(), "Start temperature program");
    EXPECT_TRUE(w->btnTPStartStop->isEnabled());
    EXPECT_EQ(panel->cmdTPStartStop->icon().pixmap(16).toImage(), startPicture);
    EXPECT_TRUE(panel->cmdTPStartStop->isEnabled());
    // The protocol says it ended by itself, not that it was stopped.
    const auto& lines = w->Session().Memo(TSessionMemo::Protocol);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const AnsiString& l) {
        return l.find(" has ended after its last segment.") != AnsiString::npos;
    }));
    // The open menu still offers what it offered, and does that: a stop of a run that is
    // over, which asks nothing, stops nothing and says that the program has ended.
    EXPECT_EQ(w->mnuStartStopProgram->text(), "Stop temperature program");
    std::size_t asked = support::TestDialogs().MessageCount();
    w->mnuStartStopProgram->trigger();
    ASSERT_EQ(support::TestDialogs().MessageCount(), asked + 1);
    const AnsiString ended = "The temperature program \"" + w->Programmer()->GetProgramName(0) +
                             "\" has already ended.\n\nChannel 1 (SIMULATOR UNIT 200)";
    EXPECT_EQ(Last(), ended);
    EXPECT_FALSE(run->HasRun());
    asked = support::TestDialogs().MessageCount();
    // Its editing items too stay as they were offered while the run went on, and do nothing.
    for (std::size_t i = 0; i < editing.size(); ++i) {
        EXPECT_EQ(editing[i]->isEnabled(), offeredEditing[i]) << editing[i]->objectName().toStdString();
        editing[i]->trigger();
    }
    EXPECT_EQ(support::TestDialogs().MessageCount(), asked);
    EXPECT_EQ(w->ProgramTreeItems().TopLevelCount(), 1);
    w->PopupProgrammer->hide();
    EXPECT_EQ(w->mnuStartStopProgram->text(), "Start temperature program");
    EXPECT_TRUE(w->mnuStartStopProgram->isEnabled());
    EXPECT_TRUE(w->mnuLoadProgram->isEnabled());

    // Opened for a run that ended under it while another run began: its stop is for the run
    // it was opened for, so the new run goes on, and the user is told why nothing stopped.
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnTPStartStop->click();
    ASSERT_TRUE(run->ProgramRunning);
    w->PopupProgrammer->popup(w->treeTProgram->mapToGlobal(QPoint(4, 4)));
    ASSERT_EQ(w->mnuStartStopProgram->text(), "Stop temperature program");
    for (int i = 0; i < 20 && run->HasRun(); ++i) Tick(w);
    ASSERT_FALSE(run->HasRun());
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnTPStartStop->click();
    ASSERT_TRUE(run->ProgramRunning);
    asked = support::TestDialogs().MessageCount();
    w->mnuStartStopProgram->trigger();
    EXPECT_TRUE(run->ProgramRunning);
    ASSERT_EQ(support::TestDialogs().MessageCount(), asked + 1);
    EXPECT_EQ(Last(), ended);
    w->PopupProgrammer->hide();
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnTPStartStop->click();
    ASSERT_FALSE(run->HasRun());
    Tick(w);

    // The other way round: offered with no run going, an editing item does nothing once a
    // run has begun under the open menu.
    w->PopupProgrammer->popup(w->treeTProgram->mapToGlobal(QPoint(4, 4)));
    ASSERT_TRUE(w->mnuDeleteProgram->isEnabled());
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnTPStartStop->click();
    ASSERT_TRUE(run->HasRun());
    asked = support::TestDialogs().MessageCount();
    w->mnuDeleteProgram->trigger();
    EXPECT_EQ(support::TestDialogs().MessageCount(), asked);
    EXPECT_EQ(w->ProgramTreeItems().TopLevelCount(), 1);
    w->PopupProgrammer->hide();
    EXPECT_FALSE(w->mnuDeleteProgram->isEnabled());
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnTPStartStop->click();
    ASSERT_FALSE(run->HasRun());
    Tick(w);
    EXPECT_EQ(panel->cmdTPStartStop->icon().pixmap(16).toImage(), startPicture);

    const std::function<void()> clicks[] = {
        [&] { w->btnTPStartStop->click(); },
        [&] { panel->cmdTPStartStop->click(); },
        [&] {
            w->PopupProgrammer->popup(w->treeTProgram->mapToGlobal(QPoint(4, 4)));
            w->mnuStartStopProgram->trigger();
            w->PopupProgrammer->hide();
        },
    };
    for (const auto& click : clicks) {
        ASSERT_TRUE(AwaitCycle(w->Session()));
        const std::size_t frames = line.FrameCount();
        asked = support::TestDialogs().MessageCount();
        support::TestDialogs().QueueAnswer(IDNO);
        click();
        ASSERT_EQ(support::TestDialogs().MessageCount(), asked + 1);
        const AnsiString question = support::TestDialogs().LastMessage().text;
        EXPECT_EQ(question.find("Do you want to start the temperature program"), 0u) << question;
        EXPECT_NE(question.find("\n\nChannel 1"), AnsiString::npos) << question;
        EXPECT_FALSE(run->HasRun());
        Tick(w, 2);
        ASSERT_TRUE(AwaitCycle(w->Session()));
        const auto log = line.Frames();
        for (std::size_t i = frames; i < log.size(); ++i)
            if (log[i].frame.compare(4, 3, "G0D") == 0) {
                EXPECT_EQ(log[i].frame.substr(7, 6), "******");
            }
    }
}

// A start at 30 s with fewer than five recorded setpoints waits for minutes before its first
// frame: the programmer page says so under the run's buttons, and the chart under its legend,
// with about how long it still waits, until the run begins.
TEST_F(ProgrammerWindowTest, AStartThatWaitsForItsPointsSaysSoWhereTheRunIsShown)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "25";
    file.Segments = {{"Ramp", 300, 35.0, -1, 2, 0, 0, 0}};
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "wait.tp", file));
    w->Session().SetSamplingInterval(30);
    Tick(w);
    const int part = w->Session().PartNumber();
    w->Session().StartNewPartNow();
    ASSERT_TRUE(Await([&] { return w->Session().PartNumber() == part + 1; }));
    EXPECT_TRUE(w->txtRunWaits->isHidden());
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnTPStartStop->click();
    ASSERT_TRUE(run->StartPending);
    const AnsiString waits =
        "The temperature program waits for its first tick: it begins once 5 setpoints are recorded.";
    for (int i = 0; i < 8 && run->StartPending; ++i) {
        const int missing = CProgramRun::PointsBeforeStart - w->Session().Series(2)->Count();
        ASSERT_GT(missing, 0);
        const AnsiString in =
            "Start in about " + FormatFloat("00", missing * 30 / 60) + ":" + FormatFloat("00", missing * 30 % 60);
        EXPECT_FALSE(w->txtRunWaits->isHidden());
        EXPECT_EQ(w->txtRunWaits->text().toStdString(), waits + " " + in);
        EXPECT_EQ(w->RemainingTimeLines().first, in);
        ASSERT_TRUE(AwaitCommandsOut(w->Session()));
        clock.AdvanceMs(30000);
        w->tmrProgrammerTimer();
    }
    ASSERT_TRUE(run->ProgramRunning);
    EXPECT_TRUE(w->txtRunWaits->isHidden());
    EXPECT_EQ(w->RemainingTimeLines().first.find("Remaining time: "), 0u);
}

// The single ramp from the tool bar, held in its first seconds (before its first tick, and
// again right after the resume) at 5 s and 30 s: the ramp goes on from the unit's setpoint
// over its whole planned time, and it ends, leaving the unit at its target, later by the
// ticks held, not at once.
TEST_F(ProgrammerWindowTest, ASingleRampHeldInItsFirstSecondsKeepsItsPace)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToControllingUnit(line);
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    TfrmSingleRamp* ramp = dialogs->SingleRamp();
    auto ended = [&] {
        const auto& lines = w->Session().Memo(TSessionMemo::Protocol);
        return std::count_if(lines.begin(), lines.end(), [](const AnsiString& l) {
            return l.find(" has ended after its last segment.") != AnsiString::npos;
        });
    };
    std::size_t ticked = 0;
    auto setpointsSinceTick = [&] {
        std::vector<double> out;
        const auto frames = line.Frames();
        for (std::size_t i = ticked; i < frames.size(); ++i)
            if (frames[i].frame.size() > 13 && frames[i].frame.compare(4, 3, "G0D") == 0 &&
                frames[i].frame.compare(9, 4, "****") != 0)
                out.push_back(std::stoi(frames[i].frame.substr(9, 4), nullptr, 16) / 100.0);
        return out;
    };
    for (const int interval : {5, 30}) {
        w->Session().SetSamplingInterval(interval);
        auto tick = [&] {
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            clock.AdvanceMs(std::int64_t(interval) * 1000);
            ticked = line.FrameCount();
            w->tmrProgrammerTimer();
        };
        for (int i = 0; i < CProgramRun::PointsBeforeStart; ++i) tick();
        // One minute at 5 s, three at 30 s.
        const int steps = interval == 5 ? 12 : 6;
        for (const bool twice : {false, true}) {
            SCOPED_TRACE(std::to_string(interval) + (twice ? " s, held again right after the resume" : " s"));
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            // The ramp's steps run from the unit's setpoint at the start. Its first step goes
            // out at once, and the hold right after withdraws it only if the poll thread has
            // not sent it yet: the unit stands at either, and the resumed ramp goes on with
            // that first step in both cases.
            const double from = line.First().State().setpoint;
            const double target = from - 3.0;
            const auto endings = ended();
            main->cmdRampClick();
            ramp->edSingleTemperature->setText(QString::fromStdString(FormatFloat("0.00", target)));
            ramp->edSingleDuration->setText(interval == 5 ? "00:01" : "00:03");
            support::TestDialogs().QueueAnswer(IDYES);
            ramp->btnOKClick();
            ASSERT_TRUE(run->ProgramRunning);
            int held = 0;
            for (int hold = 0; hold < (twice ? 2 : 1); ++hold) {
                support::TestDialogs().QueueAnswer(IDYES);
                w->btnPauseSegmentClick();
                ASSERT_TRUE(run->SegmentHeld);
                tick();
                ++held;
                ASSERT_TRUE(AwaitCommandsOut(w->Session()));
                const double unit = line.First().State().setpoint;
                EXPECT_TRUE(std::abs(unit - from) < 0.011 || std::abs(unit - (from + (target - from) / steps)) < 0.011)
                    << unit;
                support::TestDialogs().QueueAnswer(IDYES);
                w->btnPauseSegmentClick();
                ASSERT_FALSE(run->SegmentHeld);
            }
            for (int k = 1; k <= steps; ++k) {
                // The tick's step reaches the unit; before it, a cycle of the tick before may
                // still have carried that tick's step, nothing else.
                tick();
                const double step = from + (target - from) * k / steps,
                             before = from + (target - from) * (k - 1) / steps;
                ASSERT_TRUE(Await([&] {
                    const auto got = setpointsSinceTick();
                    return !got.empty() && std::abs(got.back() - step) < 0.011;
                })) << "tick "
                    << k;
                for (const double got : setpointsSinceTick())
                    EXPECT_TRUE(std::abs(got - step) < 0.011 || std::abs(got - before) < 0.011)
                        << "tick " << k << ": " << got;
                EXPECT_TRUE(run->ProgramRunning) << "tick " << k;
                EXPECT_EQ(ended(), endings) << "tick " << k;
            }
            tick();
            EXPECT_FALSE(run->HasRun());
            EXPECT_EQ(ended(), endings + 1);
            ASSERT_TRUE(AwaitCommandsOut(w->Session()));
            EXPECT_NEAR(line.First().State().setpoint, target, 0.005);
            EXPECT_GE(held, 1);
        }
    }
}

// The unit's replies each come 300 ms after the request (a cycle of six rows is longer than
// the 1 s interval) and the file dialog stayed open 30 s: the programmer's tick one second
// after the start takes no point, the first point is good and holds the unit's values of
// the cycle after the start, and a program asked to start meanwhile waits for its points.
TEST_F(ProgrammerWindowTest, AProgrammerTickWhileTheFirstPointWaitsForASlowCycleTakesNoPoint)
{
    support::SimulatedUnitLine line;
    line.SetReplyClock([this] { return deviceClock.NowMs(); });
    line.AddUnit({});
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    support::SimulatedUnit& unit = line.First();
    unit.Update([](support::UnitState& u) {
        u.internalTemp = 21.5;
        u.speed = 2001;
    });
    support::TestDialogs().OnFileDialog = [&](const platform::FileDialogRequest&) {
        clock.AdvanceMs(30000);
        deviceClock.AdvanceMs(30000);
        unit.Update([](support::UnitState& u) {
            u.internalTemp = 42.5;
            u.speed = 2002;
        });
        // Due a moment before the wait for it ends: the clock moved on to the reply's time does
        // not end the wait in the same step.
        unit.InjectFault(support::UnitFault::LateReply, -1, 299);
    };
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuProgrammgeberClick);
    w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
    w->edPort->setText(QString::number(line.TcpPort()));
    w->cmbActual->setCurrentText("1");
    support::TestDialogs().QueueFileName(Path("slow"));
    w->cmdEstablishConnectionClick();
    ConfirmIdentification(w->Session());
    w->tmrProgrammer->stop();
    support::TestDialogs().OnFileDialog = nullptr;
    CChannelSession& s = w->Session();
    ASSERT_TRUE(s.IsConnected());
    ASSERT_EQ(s.SamplingInterval(), 1);
    CProgramRun* run = w->ProgramRun();
    TProgramFile file;
    file.Settings.StartTemperature = "25";
    file.Segments = {{"Ramp", 300, 35.0, -1, 2, 0, 0, 0}};
    ASSERT_NO_FATAL_FAILURE(LoadProgram(w, "slow.tp", file));
    auto requests = [&] {
        int n = 0;
        for (int c = 0; c < support::UnitCommandCount; ++c) n += unit.RequestCount(support::UnitCommand(c));
        return n;
    };
    TChartSeries* first = s.Series(0);
    std::int64_t waited = 0;
    int asked = 0;
    bool ticked = false;
    for (;;) {
        ASSERT_TRUE(Await([&] { return first->Count() > 0 || (line.HoldsReply() && requests() > asked); }));
        if (first->Count() > 0) break;
        asked = requests();
        clock.AdvanceMs(300);
        const std::size_t written = line.RepliesWritten();
        deviceClock.AdvanceMs(299);
        ASSERT_TRUE(Await([&] { return line.RepliesWritten() > written; }));
        deviceClock.AdvanceMs(1);
        waited += 300;
        if (!ticked && waited >= 1000) {
            ticked = true;
            support::TestDialogs().QueueAnswer(IDYES);
            w->btnTPStartStop->click();
            EXPECT_TRUE(run->StartPending);
            w->tmrProgrammerTimer();
            EXPECT_EQ(first->Count(), 0);
            EXPECT_TRUE(run->StartPending);
        }
        ASSERT_LT(waited, 10000);
    }
    EXPECT_TRUE(ticked);
    EXPECT_NE(first->GetXLabel(0), ChannelText(resources::RowErrorExclamation));
    EXPECT_TRUE(s.ValuesShownCurrent());
    EXPECT_EQ(first->GetyValue(0), 42.5);
    EXPECT_EQ(s.ValueSeries(sDrehzahl)->GetyValue(0), 2002);
    EXPECT_TRUE(run->StartPending);
    EXPECT_FALSE(run->ProgramRunning);
    // The unit answers at once again: the run begins with its fifth recorded setpoint.
    unit.ClearFaults();
    deviceClock.AdvanceMs(300);
    for (int i = 1; i < CProgramRun::PointsBeforeStart; ++i) {
        EXPECT_FALSE(run->ProgramRunning) << i;
        ASSERT_TRUE(AwaitCommandsOut(s));
        clock.AdvanceMs(1000);
        w->tmrProgrammerTimer();
    }
    EXPECT_EQ(s.Series(2)->Count(), CProgramRun::PointsBeforeStart);
    EXPECT_TRUE(run->ProgramRunning);
}

TEST_F(ProgrammerWindowTest, SingleRampHoldSequencesKeepThePlanMovedByTheTimeHeldAt5Seconds)
{
    SingleRampHoldSequences(5);
}

TEST_F(ProgrammerWindowTest, SingleRampHoldSequencesKeepThePlanMovedByTheTimeHeldAt30Seconds)
{
    SingleRampHoldSequences(30);
}

TEST_F(ProgrammerWindowTest, SingleRampHoldSequencesKeepThePlanMovedByTheTimeHeldAt60Seconds)
{
    SingleRampHoldSequences(60);
}

// A timed start that comes due while the channel's close question is open waits for the
// answer: a no lets it begin late, saying so; a no after its window drops it, saying so; a
// yes closes the window without a frame switching the unit on. Another channel's start is
// not held back.
TEST_F(ProgrammerWindowTest, ATimedStartDueWhileTheCloseQuestionIsOpenWaitsForTheAnswer)
{
    enum class TAnswer { No, NoAfterWindow, Yes };
    for (const TAnswer answer : {TAnswer::No, TAnswer::NoAfterWindow, TAnswer::Yes}) {
        SCOPED_TRACE(int(answer));
        support::SimulatedUnitLine line1, line2;
        TmdiSubWindow* w1 = ConnectedToUnit(line1, 'O');
        ASSERT_NE(w1, nullptr);
        TmdiSubWindow* w2 = ConnectedToUnit(line2, 'O');
        ASSERT_NE(w2, nullptr);
        ASSERT_NO_FATAL_FAILURE(ArmSoon({w1, w2}));
        const TDateTime due = w1->CalendarStartTime;
        const AnsiString start = TimedStartOf(w1, due);
        const TDateTime windowEnd = due + CProgramRun::CalendarWindowSeconds / 86400.0;

        support::TestDialogs().Clear();
        support::TestDialogs().WhileShown = [&](const support::ShownMessage&) {
            TickAll({w1, w2}, 4);
            // Channel 2's start began as armed; channel 1's waits and says so.
            EXPECT_TRUE(w2->ProgramRun()->HasRun());
            EXPECT_FALSE(w1->ProgramRun()->HasRun());
            EXPECT_TRUE(BothProtocolsSay(w1, start + " is due; it waits for the answer to the open question, until " +
                                                 TimeToStr(windowEnd) + " at the latest."));
            if (answer == TAnswer::NoAfterWindow) clock.AdvanceMs(CProgramRun::CalendarWindowSeconds * 1000);
        };
        support::TestDialogs().QueueAnswer(answer == TAnswer::Yes ? IDYES : IDNO);
        w1->close();
        support::TestDialogs().WhileShown = nullptr;
        const support::ShownMessage asked = support::TestDialogs().Messages().front();
        EXPECT_EQ(asked.text,
                  "Really close data channel 1?\n\nThe automatic start of the temperature program "
                  "\"auto.tp\" at " +
                      StampOf(due) + " is dropped.");
        EXPECT_EQ(asked.flags & MB_DEFBUTTON2, MB_DEFBUTTON2);
        ASSERT_TRUE(AwaitCommandsOut(w2->Session()));
        EXPECT_EQ(SwitchOnFrames(line1), 0u);
        EXPECT_GT(SwitchOnFrames(line2), 0u);

        if (answer == TAnswer::Yes) {
            EXPECT_FALSE(main->IsChannelOpen(1));
            TDataFileSaveQueue::Instance().WaitIdle();
            EXPECT_TRUE(Bytes(Path("prog_11.csv"))
                            .contains(QByteArray::fromStdString(CsvQuoted(
                                start + " was not carried out: it came due while the question was open, and the "
                                        "window closes."))));
            EXPECT_EQ(SwitchOnFrames(line1), 0u);
            continue;
        }
        ASSERT_TRUE(main->IsChannelOpen(1));
        TickAll({w1}, 2);
        if (answer == TAnswer::NoAfterWindow) {
            EXPECT_FALSE(w1->ProgramRun()->HasRun());
            EXPECT_EQ(w1->AutomaticStartArmed, 0);
            EXPECT_TRUE(BothProtocolsSay(w1, start + " was not carried out: the end of its time to begin, " +
                                                 TimeToStr(windowEnd) +
                                                 ", passed while it waited for the answer to the open question."));
            ASSERT_TRUE(AwaitCommandsOut(w1->Session()));
            EXPECT_EQ(SwitchOnFrames(line1), 0u);
        } else {
            // Begun late, with a line in both protocols, as is the line that it began.
            ASSERT_TRUE(w1->ProgramRun()->HasRun());
            EXPECT_TRUE(BothProtocolsSay(w1, start + " begins now, "));
            EXPECT_TRUE(
                BothProtocolsSay(w1, " s after its start time: it waited for the answer to the open question."));
            EXPECT_TRUE(BothProtocolsSay(w1,
                                         " The temperature program AUTO was started by the automatic start set "
                                         "for " +
                                             StampOf(due)));
            ASSERT_TRUE(AwaitCommandsOut(w1->Session()));
            EXPECT_GT(SwitchOnFrames(line1), 0u);
        }
        EXPECT_TRUE(w1->FormClose());
        EXPECT_TRUE(w2->FormClose());
    }
}

// File > Exit's question names every armed timed start; one that comes due while it is open
// waits for the answer: a no lets it begin late, a yes ends the program with the start not
// carried out and the unit not switched on.
TEST_F(ProgrammerWindowTest, ATimedStartDueWhileExitsQuestionIsOpenWaitsForTheAnswer)
{
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        support::SimulatedUnitLine line;
        TmdiSubWindow* w = ConnectedToUnit(line, 'O');
        ASSERT_NE(w, nullptr);
        ASSERT_NO_FATAL_FAILURE(ArmSoon({w}));
        const TDateTime due = w->CalendarStartTime;
        const AnsiString start = TimedStartOf(w, due);
        support::TestDialogs().Clear();
        support::TestDialogs().WhileShown = [&](const support::ShownMessage&) {
            TickAll({w}, 4);
            EXPECT_FALSE(w->ProgramRun()->HasRun());
        };
        support::TestDialogs().QueueAnswer(yes ? IDYES : IDNO);
        EXPECT_EQ(main->FormCloseQueryMain(), yes);
        support::TestDialogs().WhileShown = nullptr;
        const support::ShownMessage asked = support::TestDialogs().Messages().front();
        EXPECT_EQ(asked.text, "Close ALL data channels and end the program?\n\n" + w->Session().ChannelName() +
                                  ": The automatic start of the temperature program \"auto.tp\" at " + StampOf(due) +
                                  " is dropped.");
        EXPECT_EQ(asked.flags & MB_DEFBUTTON2, MB_DEFBUTTON2);
        if (yes) {
            EXPECT_FALSE(main->IsChannelOpen(1));
            TDataFileSaveQueue::Instance().WaitIdle();
            EXPECT_TRUE(Bytes(Path("prog_11.csv"))
                            .contains(QByteArray::fromStdString(CsvQuoted(
                                start + " was not carried out: it came due while the question was open, and the "
                                        "window closes."))));
            EXPECT_EQ(SwitchOnFrames(line), 0u);
            continue;
        }
        EXPECT_EQ(SwitchOnFrames(line), 0u);
        TickAll({w}, 1);
        ASSERT_TRUE(w->ProgramRun()->HasRun());
        EXPECT_TRUE(BothProtocolsSay(w, " s after its start time: it waited for the answer to the open question."));
        EXPECT_TRUE(w->FormClose());
    }
}

// A timed start whose row is changed in the open automatic-start form waits for the form:
// Cancel lets it begin late, Exit with the row unmarked drops it with a line. A row left as
// it is lets its start begin, and then reads "runs", not "standby".
TEST_F(ProgrammerWindowTest, ATimedStartWhoseRowIsChangedInTheOpenFormWaitsForExitOrCancel)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = ConnectedToUnit(line, 'O');
    ASSERT_NE(w, nullptr);
    CProgramRun* run = w->ProgramRun();
    const AnsiString waitsForForm = "it waits for the automatic start form, where its row is changed, to be closed";

    // Unmarked, then cancelled.
    ASSERT_NO_FATAL_FAILURE(ArmSoon({w}));
    TDateTime due = w->CalendarStartTime;
    TfrmDateTimePicker* picker = OpenAutomaticStart();
    picker->SetRowChecked(1, false);
    Tick(w, 4);
    EXPECT_FALSE(run->HasRun());
    EXPECT_TRUE(BothProtocolsSay(w, TimedStartOf(w, due) + " is due; " + waitsForForm));
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_EQ(SwitchOnFrames(line), 0u);
    picker->btnCancelClick();
    EXPECT_EQ(w->AutomaticStartArmed, 1);
    Tick(w);
    ASSERT_TRUE(run->HasRun());
    EXPECT_TRUE(BothProtocolsSay(w,
                                 " s after its start time: it waited for the automatic start form, where its row "
                                 "is changed, to be closed."));
    support::TestDialogs().QueueAnswer(IDYES);
    w->btnStopTPClick(nullptr);
    ASSERT_FALSE(run->HasRun());
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));

    // Unmarked, then applied with Exit: not carried out.
    ASSERT_NO_FATAL_FAILURE(ArmSoon({w}));
    due = w->CalendarStartTime;
    picker = OpenAutomaticStart();
    picker->SetRowChecked(1, false);
    Tick(w, 4);
    EXPECT_FALSE(run->HasRun());
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    const std::size_t switchedOn = SwitchOnFrames(line);
    ASSERT_TRUE(picker->btnExitClick());
    EXPECT_EQ(w->AutomaticStartArmed, 0);
    EXPECT_TRUE(BothProtocolsSay(w, TimedStartOf(w, due) +
                                        " was not carried out: it came due while its row in the automatic start form "
                                        "was changed, and Exit disarmed it or set it anew."));
    Tick(w, 2);
    EXPECT_FALSE(run->HasRun());
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_EQ(SwitchOnFrames(line), switchedOn);

    // Left as it is, the row follows the run that began while the form was open.
    ASSERT_NO_FATAL_FAILURE(ArmSoon({w}));
    picker = OpenAutomaticStart();
    picker->lstOverviewMouseDown(1);
    Tick(w, 4);
    ASSERT_TRUE(run->HasRun());
    EXPECT_EQ(picker->lstOverview->topLevelItem(0)->text(4).toStdString(), "runs");
    EXPECT_FALSE(picker->RowChecked(1));
    EXPECT_FALSE(picker->dtpTime->isEnabled());
    ASSERT_TRUE(picker->btnExitClick());
    EXPECT_TRUE(run->HasRun());
}
