// What a temperature program tells the user when it goes on or ends at a unit that is not
// where the run left it: a held segment resumed or cancelled at a unit whose control was
// switched off meanwhile, an end action sent while the unit did not answer, and the run's
// lines about segments, cancels and steps that come back. Against the simulated unit, on a
// clock the test moves.
#include <algorithm>
#include <vector>

#include "ChannelTestSupport.h"
#include "channel/CProgramRun.h"
#include "channel/ChannelTexts.h"
#include "chart/engine/TChartSeries.h"
#include "comm/CTolvarProtocol.h"
#include "comm/CTransceiver.h"
#include "platform/TTreeNode.h"
#include "programmer/CProgrammer.h"

using namespace channeltest;
using namespace resources;

namespace {

// The unit's control goes off at its own panel, or through another channel of the program.
enum class TOffWay { AtTheUnit, FromAnotherChannel };

class ProgramGoOnTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        session.SetProgrammerMode(true);
        session.OnNotice = [this](const AnsiString& text, const AnsiString&, std::function<void()>) {
            notices.push_back(text);
        };
    }
    void TearDown() override
    {
        support::TestDialogs().WhileShown = nullptr;
        session.OnNotice = nullptr;
        if (other.IsConnected()) other.Close();
        if (session.IsConnected()) session.Close();
        TDataFileSaveQueue::Instance().WaitIdle();
        ChannelFixture::TearDown();
    }

    // A unit controlling internally at 25 °C on a loopback port, or behind an adapter's name.
    void Open(bool serial = false)
    {
        support::UnitState unit;
        unit.controlMode = 'I';
        unit.setpoint = 25.0;
        line.AddUnit(unit);
        AnsiString error;
        if (serial) {
            ASSERT_TRUE(line.StartPty(&error, Path("ttyUSB0"))) << error;
            UseSerial(session, "RS232", line.SlavePath());
        } else {
            ASSERT_TRUE(line.StartTcp(0, &error)) << error;
            UseTcp(session, line.TcpPort());
        }
        Connect(session, Path("goon"));
    }
    void Silence(bool silent)
    {
        line.First().Update([silent](support::UnitState& u) { u.answers = silent ? 0 : support::AllCommands; });
    }
    // The poll cycle of the last tick has come back or stopped at a fault.
    bool CycleOver()
    {
        return AwaitSettled(session, [this](const CChannel& c) {
            return !c.OneShotInProgress() && !session.HasWaitingProgramCommands() &&
                   (c.LinkLost() || (c.PollRequest == 0 && !c.CycleUnderWayOrDue()) ||
                    (c.CommError == 1 && !c.RequestPending()));
        });
    }
    // Seconds of the running segment's plan after the last recorded point.
    double PlanLeft() const { return (run.PlannedSetpointLastX() - run.RecordedSetpointLastX()) * SecsPerDay; }
    // A second channel on the same unit (its control panel's commands go past the run).
    void OpenOther()
    {
        UseTcp(other, line.TcpPort());
        support::TestDialogs().QueueAnswer(IDYES);  // connect to a unit already connected
        Connect(other, Path("other"));
    }
    void Segment(const char* name, int duration, double setpoint, int mode = 0)
    {
        TTreeNode* node = tree.AddChild(program, name);
        programmer.AddSegment(node, name, 0);
        programmer.SetSegmentValues(node, duration, 0, std::uint8_t(mode), 2, -1, setpoint);
    }
    // One programmer tick one sampling interval (or `seconds`) later, once the poll cycle of
    // the tick before is through, has stopped at a fault, or the link is lost.
    void Tick(int seconds = 0)
    {
        ASSERT_TRUE(CycleOver());
        clock.AdvanceMs(std::int64_t(seconds > 0 ? seconds : session.SamplingInterval()) * 1000);
        const CTransceiver* poll = TransceiverThreads[session.Channel()];
        const int passes = poll->PassCount;
        ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
        run.Tick();
    }
    void StartRun()
    {
        while (session.Series(2)->Count() < CProgramRun::PointsBeforeStart) Tick();
        ASSERT_TRUE(run.RequestStart(program, settings, true));
        ASSERT_TRUE(run.ProgramRunning);
        Tick();
        Tick();
        ASSERT_TRUE(AwaitCycle(session));
    }

    static std::size_t Lines(const std::vector<AnsiString>& lines, const AnsiString& part)
    {
        return std::size_t(std::count_if(lines.begin(), lines.end(),
                                         [&](const AnsiString& l) { return l.find(part) != AnsiString::npos; }));
    }
    std::size_t ProtocolLines(const AnsiString& part) const
    {
        return Lines(session.Memo(TSessionMemo::Protocol), part);
    }
    std::size_t EventLines(const AnsiString& part) const { return Lines(session.Memo(TSessionMemo::SerialData), part); }
    AnsiString ProtocolLine(const AnsiString& part) const
    {
        for (const AnsiString& l : session.Memo(TSessionMemo::Protocol))
            if (l.find(part) != AnsiString::npos) return l;
        return {};
    }
    // The boxes (questions and messages) shown that hold `part`.
    static std::vector<support::ShownMessage> Boxes(const AnsiString& part)
    {
        std::vector<support::ShownMessage> out;
        for (const auto& m : support::TestDialogs().Messages())
            if (m.text.find(part) != AnsiString::npos) out.push_back(m);
        return out;
    }
    // The bodies (method letter, '*', digits) of the setpoint frames the unit received from
    // the n-th frame of its log on.
    std::vector<AnsiString> SetpointFramesFrom(std::size_t n) const
    {
        std::vector<AnsiString> out;
        const auto frames = line.Frames();
        for (std::size_t i = n; i < frames.size(); ++i) {
            const AnsiString& f = frames[i].frame;
            if (f.size() > 13 && f.compare(4, 3, "G0D") == 0 && f.compare(9, 4, "****") != 0)
                out.push_back(f.substr(7, 6));
        }
        return out;
    }
    char UnitMode() { return line.First().State().controlMode; }
    static AnsiString Degrees(double value) { return FormatFloat("0.00", value) + " °C"; }
    // The unit's control goes off (through the other channel's command: the unit has taken
    // it when this returns).
    void SwitchOff(TOffWay way)
    {
        if (way == TOffWay::AtTheUnit) {
            line.First().Update([](support::UnitState& u) { u.controlMode = 'O'; });
            return;
        }
        ASSERT_EQ(other.QueueDeviceCommand(CTolvarProtocol::BuildCommandFrame("G0DO*****", 1), 24,
                                           CTolvarProtocol::BuildCommandFrame("C14*************", 1), true),
                  DeviceCommandQueue::TResult::Taken);
        ASSERT_TRUE(Await([&] { return UnitMode() == 'O'; }));
    }
    // Yes (or `answer`) to the resume's or the cancel's question; the method letter that
    // waits for the unit's status is decided once its reply is in.
    void GoOn(bool resume, int answer = IDYES)
    {
        support::TestDialogs().QueueAnswer(answer);
        if (resume)
            run.HoldOrResume();
        else
            run.CancelSegment();
        ASSERT_TRUE(Await([&] { return !run.LetterWaitsForStatus(); }));
    }
    // Told in a box or in a notice (a tick's) that holds `part`.
    std::size_t Told(const AnsiString& part) const { return Lines(notices, part) + Boxes(part).size(); }
    // The text naming the run's program and this channel.
    AnsiString ProgramAndChannel() const { return ChannelText(RowProgramOnChannel, {"P", session.ChannelName()}); }

    support::SimulatedUnitLine line;
    CChannelSession session{1};
    CChannelSession other{2};
    CProgrammer programmer{1};
    TTreeNodes tree;
    TTreeNode* program = [this] {
        TTreeNode* node = tree.Add(nullptr, "P");
        programmer.CreateProgram(0, node, "P");
        return node;
    }();
    CProgramRun run{session, programmer, tree};
    TRunSettings settings{"25", 0, 1};
    std::vector<AnsiString> notices;
};

enum class TOff { AtTheUnit, FromAnotherChannel };
enum class TGoOn { Resume, Cancel };

class HeldUnitOffTest : public ProgramGoOnTest, public ::testing::WithParamInterface<std::tuple<TOff, TGoOn>> {};

}  // namespace

// A held segment whose unit's control is switched off during the hold (at the unit, or by
// another channel's command): the resume's or the cancel's question says that the program
// switches the control on again, and so do both protocols once the user says yes; the first
// frame then carries the segment's control method. A unit that is on is resumed with the
// method too, and its question says nothing of a switch-on.
TEST_P(HeldUnitOffTest, TheQuestionSaysTheProgramSwitchesTheControlOnAgain)
{
    const auto [off, goOn] = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open());
    if (off == TOff::FromAnotherChannel) {
        ASSERT_NO_FATAL_FAILURE(OpenOther());
    }
    Segment("A", 120, 30.0);
    Segment("B", 120, 35.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    const AnsiString told = ChannelText(RowAskGoOnSwitchesControlOn);
    const AnsiString protocol = ChannelText(RowGoOnSwitchesControlOn, {"P"});
    const TextRow asked = goOn == TGoOn::Resume ? RowAskResumeSegment : RowAskCancelSegment;
    auto goOnNow = [&] {
        support::TestDialogs().QueueAnswer(IDYES);
        if (goOn == TGoOn::Resume)
            run.HoldOrResume();
        else
            run.CancelSegment();
    };

    // Held and resumed at a unit that is on: the method letter goes with the step, unasked,
    // once the unit's status asked after the yes says its control is on.
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_TRUE(run.SegmentHeld);
    Tick();
    std::size_t from = line.FrameCount();
    ASSERT_NO_FATAL_FAILURE(GoOn(true));
    ASSERT_FALSE(run.SegmentHeld);
    ASSERT_TRUE(CycleOver());
    std::vector<AnsiString> sent = SetpointFramesFrom(from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().substr(0, 1), "I");
    EXPECT_EQ(Boxes(told).size(), 0u);
    Tick();

    // Held again; the unit's control goes off during the hold.
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_TRUE(run.SegmentHeld);
    if (off == TOff::AtTheUnit) {
        line.First().Update([](support::UnitState& u) { u.controlMode = 'O'; });
    } else {
        ASSERT_EQ(other.QueueDeviceCommand(CTolvarProtocol::BuildCommandFrame("G0DO*****", 1), 24,
                                           CTolvarProtocol::BuildCommandFrame("C14*************", 1), true),
                  DeviceCommandQueue::TResult::Taken);
        ASSERT_TRUE(Await([&] { return UnitMode() == 'O'; }));
    }
    for (int i = 0; i < 4 && session.ControlStatus() != "O"; ++i) Tick();
    ASSERT_EQ(session.ControlStatus(), "O");
    EXPECT_TRUE(run.SegmentHeld);
    EXPECT_EQ(UnitMode(), 'O');

    // The question says so, with the channel; after yes both protocols say so, and the unit's
    // control is on again with the segment's step.
    from = line.FrameCount();
    goOnNow();
    const auto questions = Boxes(told);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text.find(ChannelText(asked)), 0u) << questions[0].text;
    EXPECT_NE(questions[0].text.find("\n\n" + session.ChannelName()), AnsiString::npos) << questions[0].text;
    EXPECT_TRUE(questions[0].flags & MB_YESNO);
    EXPECT_FALSE(run.SegmentHeld);
    EXPECT_EQ(ProtocolLines(protocol), 1u);
    EXPECT_EQ(EventLines(protocol), 1u);
    ASSERT_TRUE(AwaitCycle(session));
    sent = SetpointFramesFrom(from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().substr(0, 1), "I");
    EXPECT_EQ(UnitMode(), 'I');
    if (goOn == TGoOn::Cancel) {
        EXPECT_EQ(programmer.GetCurrentSegmentName(), "B");
    }
    Tick();
    EXPECT_TRUE(run.ProgramRunning);
    EXPECT_EQ(ProtocolLines(protocol), 1u);
}

// The unit's control goes off while the resume's (or cancel's) question is open, which did
// not say that the control would be switched on: the yes leaves the run held, with the
// message that the control is off, and nothing reaches the unit.
TEST_P(HeldUnitOffTest, AUnitSwitchedOffWhileTheQuestionIsOpenStaysHeld)
{
    const auto [off, goOn] = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open());
    if (off == TOff::FromAnotherChannel) {
        ASSERT_NO_FATAL_FAILURE(OpenOther());
    }
    Segment("A", 120, 30.0);
    Segment("B", 120, 35.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_TRUE(run.SegmentHeld);
    Tick();

    support::TestDialogs().WhileShown = [&](const support::ShownMessage&) {
        if (off == TOff::AtTheUnit) {
            line.First().Update([](support::UnitState& u) { u.controlMode = 'O'; });
        } else {
            ASSERT_EQ(other.QueueDeviceCommand(CTolvarProtocol::BuildCommandFrame("G0DO*****", 1), 24,
                                               CTolvarProtocol::BuildCommandFrame("C14*************", 1), true),
                      DeviceCommandQueue::TResult::Taken);
            ASSERT_TRUE(Await([&] { return UnitMode() == 'O'; }));
        }
        for (int i = 0; i < 4 && session.ControlStatus() != "O"; ++i) Tick();
    };
    const std::size_t from = line.FrameCount();
    support::TestDialogs().QueueAnswer(IDYES);
    if (goOn == TGoOn::Resume)
        run.HoldOrResume();
    else
        run.CancelSegment();
    ASSERT_EQ(session.ControlStatus(), "O");
    EXPECT_TRUE(run.SegmentHeld);
    EXPECT_EQ(Boxes(ChannelText(RowAskGoOnSwitchesControlOn)).size(), 0u);
    EXPECT_EQ(Boxes(ChannelText(RowControlOffProgramHeld)).size(), 1u);
    EXPECT_EQ(programmer.GetCurrentSegmentName(), "A");
    Tick();
    ASSERT_TRUE(AwaitCycle(session));
    EXPECT_TRUE(SetpointFramesFrom(from).empty());
    EXPECT_EQ(UnitMode(), 'O');
}

namespace {

std::string GoOnName(const ::testing::TestParamInfo<std::tuple<TOff, TGoOn>>& p)
{
    return std::string(std::get<0>(p.param) == TOff::AtTheUnit ? "AtTheUnit" : "FromAnotherChannel") +
           (std::get<1>(p.param) == TGoOn::Resume ? "Resume" : "Cancel");
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Ways, HeldUnitOffTest,
                         ::testing::Combine(::testing::Values(TOff::AtTheUnit, TOff::FromAnotherChannel),
                                            ::testing::Values(TGoOn::Resume, TGoOn::Cancel)),
                         GoOnName);

namespace {

const char* const Missing = "erreichen das Gerät nicht:";
const char* const Again = "erreichen das Gerät wieder:";

// Each end action, with the unit's control on or off when it answers again.
class EndActionSilenceTest : public ProgramGoOnTest, public ::testing::WithParamInterface<std::tuple<int, char>> {};

}  // namespace

// The plan ends while the unit is silent: its last steps went unanswered. A box and both
// protocols say so at once, naming the setpoint the unit took last and the planned one it
// does not get, which earlier boxes promised for its return; the end action "keep the
// setpoint" sends nothing, "control off" its frame once. When the unit answers again,
// where it stands is told once, and nothing goes to it. An end action "off" the unit answers
// still on is reported as not carried out, naming channel, program and setpoint.
TEST_P(EndActionSilenceTest, TheEndIntoASilenceAndTheUnitsReturnAreTold)
{
    const auto [endAction, back] = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 30, 30.0);
    settings = {"25", 0, endAction};
    ASSERT_NO_FATAL_FAILURE(StartRun());
    while (run.HasRun() && PlanLeft() > 10.5) Tick();
    ASSERT_TRUE(CycleOver());
    const double took = line.First().State().setpoint;
    ASSERT_LT(took, 29.5);
    Silence(true);
    for (int i = 0; i < 12 && run.HasRun(); ++i) Tick();
    ASSERT_FALSE(run.HasRun());
    ASSERT_TRUE(CycleOver());
    const AnsiString told = ChannelText(endAction == 1 ? RowEndKeepsSetpointNotReaching : RowEndSwitchesOffNotReaching,
                                        {session.ChannelName(), "P", ChannelText(RowReasonUnitSilent)});
    ASSERT_EQ(ProtocolLines(told), 1u);
    EXPECT_EQ(EventLines(told), 1u);
    EXPECT_EQ(Lines(notices, told), 1u);
    const AnsiString end = ProtocolLine(told);
    EXPECT_NE(end.find(": " + Degrees(took) + "."), AnsiString::npos) << end;
    EXPECT_NE(end.find(ChannelText(RowPlannedSetpointNotSent, {"30,00"})), AnsiString::npos) << end;
    Tick();
    ASSERT_TRUE(CycleOver());
    if (endAction == 0) {
        EXPECT_GE(EventLines(ChannelText(RowSentUnansweredUnitSilent)), 1u);
    }
    ASSERT_EQ(UnitMode(), 'I');

    if (back == 'O') line.First().Update([](support::UnitState& u) { u.controlMode = 'O'; });
    const std::size_t returned = line.FrameCount();
    Silence(false);
    const AnsiString report = ChannelText(RowEndActionNotCarriedOut, {session.ChannelName(), "P", ""});
    const AnsiString lead = report.substr(0, report.find(" °C"));
    for (int i = 0; i < 6; ++i) Tick();
    ASSERT_TRUE(CycleOver());
    EXPECT_EQ(session.ControlStatus(), AnsiString(1, back));
    const TextRow row = back == 'O'      ? RowEndReturnControlOff
                        : endAction == 0 ? RowEndActionNotCarriedOut
                                         : RowEndReturnControlOn;
    if (row != RowEndActionNotCarriedOut) {
        EXPECT_EQ(ProtocolLines(lead.substr(0, 40)), 0u);
        EXPECT_EQ(Lines(notices, lead.substr(0, 40)), 0u);
    }
    const AnsiString full = ChannelText(row, {session.ChannelName(), "P", FormatFloat("0.00", took)});
    EXPECT_EQ(ProtocolLines(full), 1u);
    EXPECT_EQ(EventLines(full), 1u);
    EXPECT_EQ(Lines(notices, full), 1u);
    EXPECT_NE(full.find(session.ChannelName()), AnsiString::npos);
    // Once only; nothing went to the unit on its return, nor after it.
    for (int i = 0; i < 3; ++i) Tick();
    ASSERT_TRUE(CycleOver());
    EXPECT_EQ(ProtocolLines(full), 1u);
    EXPECT_EQ(UnitMode(), back);
    EXPECT_NEAR(line.First().State().setpoint, took, 0.005);
    EXPECT_TRUE(SetpointFramesFrom(returned).empty());
    const auto frames = line.Frames();
    for (std::size_t i = returned; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].frame.find("G0DO"), AnsiString::npos) << frames[i].frame;
}

INSTANTIATE_TEST_SUITE_P(Back, EndActionSilenceTest,
                         ::testing::Combine(::testing::Values(1, 0), ::testing::Values('I', 'O')),
                         [](const ::testing::TestParamInfo<std::tuple<int, char>>& p) {
                             return std::string(std::get<0>(p.param) == 1 ? "KeepSetpoint" : "ControlOff") +
                                    (std::get<1>(p.param) == 'I' ? "StillOn" : "Off");
                         });

// An end action "temperature control off" taken by the unit is not reported, even when the
// unit's control is switched on afterwards at its own panel.
TEST_F(ProgramGoOnTest, AnEndActionTheUnitTookIsNotReported)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 20, 30.0);
    settings = {"25", 0, 0};
    ASSERT_NO_FATAL_FAILURE(StartRun());
    for (int i = 0; i < 12 && run.HasRun(); ++i) Tick();
    ASSERT_FALSE(run.HasRun());
    ASSERT_TRUE(Await([&] { return UnitMode() == 'O'; }));
    for (int i = 0; i < 4; ++i) Tick();
    line.First().Update([](support::UnitState& u) { u.controlMode = 'I'; });
    for (int i = 0; i < 4; ++i) Tick();
    EXPECT_EQ(session.ControlStatus(), "I");
    const AnsiString report = ChannelText(RowEndActionNotCarriedOut, {session.ChannelName(), "P", ""});
    EXPECT_EQ(ProtocolLines(report.substr(0, 40)), 0u);
}

// A segment that begins while the unit still answers, and whose steps then never reach it:
// the report that the steps do not reach the unit says so of that segment.
TEST_F(ProgramGoOnTest, ASegmentNoneOfWhoseStepsReachedTheUnitIsNamed)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 30, 27.0);
    Segment("Oben", 180, 30.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    while (programmer.GetCurrentSegmentName() == "A" && PlanLeft() > 0.5) Tick();
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "A");
    ASSERT_TRUE(CycleOver());
    Silence(true);
    Tick();
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "Oben");
    EXPECT_EQ(ProtocolLines("Oben wird ausgeführt."), 1u);
    for (int i = 0; i < 8 && ProtocolLines(Missing) == 0; ++i) Tick();
    ASSERT_EQ(ProtocolLines(Missing), 1u);
    const AnsiString report = ProtocolLine(Missing);
    EXPECT_NE(report.find("Keiner der Schritte des Segments \"Oben\", das um "), AnsiString::npos) << report;
    EXPECT_EQ(EventLines("Keiner der Schritte des Segments \"Oben\""), 1u);
    EXPECT_EQ(Lines(notices, "Keiner der Schritte des Segments \"Oben\""), 1u);
}

// A cancel while the unit has just left the run's last setpoint frame unanswered: the
// cancelled segment gets its line, with the time, and the next one is due, not executed.
// The cancel of the last segment is named before the program's end.
TEST_F(ProgramGoOnTest, ACancelledSegmentGetsItsLineAndTheNextOneIsNotCalledExecutedIntoASilence)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 120, 27.0);
    Segment("B", 120, 30.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    Silence(true);
    Tick();
    ASSERT_TRUE(CycleOver());
    ASSERT_EQ(ProtocolLines(Missing), 0u);

    support::TestDialogs().QueueAnswer(IDYES);
    run.CancelSegment();
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "B");
    const std::vector<AnsiString>& protocol = session.Memo(TSessionMemo::Protocol);
    const auto cancelled = std::find_if(protocol.begin(), protocol.end(), [](const AnsiString& l) {
        return l.find("Das Segment \"A\" wurde vom Benutzer abgebrochen.") != AnsiString::npos;
    });
    ASSERT_NE(cancelled, protocol.end());
    EXPECT_EQ(cancelled->find(DateToStr(Now()) + " " + TimeToStr(Now()) + " "), 0u) << *cancelled;
    EXPECT_EQ(ProtocolLines("B wird ausgeführt."), 0u);
    EXPECT_EQ(ProtocolLines("B ist an der Reihe; die Schritte des Programms erreichen das Gerät nicht."), 1u);

    // Back; the last segment cancelled: its line comes before the end's.
    Silence(false);
    for (int i = 0; i < 12 && ProtocolLines(Again) == 0; ++i) Tick();
    ASSERT_TRUE(CycleOver());
    support::TestDialogs().QueueAnswer(IDYES);
    run.CancelSegment();
    Tick();
    const std::vector<AnsiString>& lines = session.Memo(TSessionMemo::Protocol);
    const auto b = std::find_if(lines.begin(), lines.end(), [](const AnsiString& l) {
        return l.find("Das Segment \"B\" wurde vom Benutzer abgebrochen.") != AnsiString::npos;
    });
    const auto ended = std::find_if(lines.begin(), lines.end(), [](const AnsiString& l) {
        return l.find(" P wurde beendet.") != AnsiString::npos;
    });
    ASSERT_NE(b, lines.end());
    ASSERT_NE(ended, lines.end());
    EXPECT_LT(b - lines.begin(), ended - lines.begin());
}

// The serial port is lost mid-ramp and the unit restarts meanwhile at another setpoint: the
// message that the steps reach it again does not pass the step before the loss off as where
// it came from; as the first reply after the return already carries the step, it says that
// what the unit held before is not known.
TEST_F(ProgramGoOnTest, TheReturnSaysWhatTheUnitHeldBeforeOnlyFromItsReplies)
{
    ASSERT_NO_FATAL_FAILURE(Open(true));
    Segment("A", 180, 30.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    Tick();
    ASSERT_TRUE(CycleOver());
    line.UnplugPty();
    for (int i = 0; i < 8 && ProtocolLines(Missing) == 0; ++i) Tick();
    ASSERT_EQ(ProtocolLines(Missing), 1u);
    line.First().Update([](support::UnitState& u) { u.setpoint = 25.0; });
    AnsiString error;
    ASSERT_TRUE(line.ReplugPty(&error)) << error;
    for (int i = 0; i < 20 && ProtocolLines(Again) == 0; ++i) Tick();
    ASSERT_EQ(ProtocolLines(Again), 1u);
    const AnsiString back = ProtocolLine(Again);
    EXPECT_NE(back.find(ChannelText(RowUnitHeldAtReturnNotKnown)), AnsiString::npos) << back;
    EXPECT_EQ(back.find(ChannelText(RowUnitHeldAtReturn, {"25,00"})), AnsiString::npos) << back;
    EXPECT_EQ(Lines(notices, ChannelText(RowUnitHeldAtReturnNotKnown)), 1u);
}

// The plan ends while the unit's TCP connection is cut: the error box names the channel,
// the program and the lost connection, and the setpoint the unit took last, not the plan's
// last step that never went; nothing of the run goes when the link is back, and the unit's
// return is told with where it stands.
TEST_F(ProgramGoOnTest, TheErrorAtAPlansEndDuringALinkLossNamesChannelProgramAndCause)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 20, 27.0);
    settings = {"25", 0, 0};
    ASSERT_NO_FATAL_FAILURE(StartRun());
    ASSERT_TRUE(CycleOver());
    const double took = line.First().State().setpoint;
    ASSERT_LT(took, 26.9);
    line.StopListening();
    for (int i = 0; i < 12 && run.HasRun(); ++i) Tick();
    ASSERT_FALSE(run.HasRun());
    const auto error = std::find_if(notices.begin(), notices.end(), [](const AnsiString& n) {
        return n.find(ChannelText(RowEndActionNotSent)) != AnsiString::npos;
    });
    ASSERT_NE(error, notices.end());
    EXPECT_NE(error->find("\"P\""), AnsiString::npos) << *error;
    EXPECT_NE(error->find(ChannelText(RowEndActionNotSent) + ChannelText(RowReasonConnectionLost)), AnsiString::npos)
        << *error;
    EXPECT_NE(error->find("\n\n" + session.ChannelName()), AnsiString::npos) << *error;
    EXPECT_NE(error->find(": " + Degrees(took) + ". " + ChannelText(RowNothingMoreSent)), AnsiString::npos) << *error;
    EXPECT_EQ(error->find("27,00"), AnsiString::npos) << *error;
    EXPECT_EQ(error->find("zuletzt gesendeten"), AnsiString::npos) << *error;
    EXPECT_EQ(error->find(ChannelText(RowProgramCommandsRefused)), AnsiString::npos) << *error;
    EXPECT_NE(ProtocolLine(ChannelText(RowEndActionNotSent)).find(Degrees(took)), AnsiString::npos);

    // Back: the unit is still on at the setpoint it took; that is told once, and nothing of
    // the run goes to it.
    const std::size_t returned = line.FrameCount();
    AnsiString listen;
    ASSERT_TRUE(line.ListenAgain(&listen)) << listen;
    const AnsiString back =
        ChannelText(RowEndActionNotCarriedOut, {session.ChannelName(), "P", FormatFloat("0.00", took)});
    for (int i = 0; i < 20 && ProtocolLines(back) == 0; ++i) Tick();
    EXPECT_EQ(ProtocolLines(back), 1u);
    EXPECT_EQ(Lines(notices, back), 1u);
    for (int i = 0; i < 3; ++i) Tick();
    ASSERT_TRUE(CycleOver());
    EXPECT_EQ(ProtocolLines(back), 1u);
    EXPECT_EQ(UnitMode(), 'I');
    EXPECT_NEAR(line.First().State().setpoint, took, 0.005);
    EXPECT_TRUE(SetpointFramesFrom(returned).empty());
    const auto frames = line.Frames();
    for (std::size_t i = returned; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].frame.find("G0DO"), AnsiString::npos) << frames[i].frame;
}

// After the program stood still for 12 s at 5 s, the jump's line names the 17 s that passed
// without a step going out, by the clock, not the plan's steps it jumped.
TEST_F(ProgramGoOnTest, APauseLineNamesTheSecondsThatPassedWithoutAStep)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 300, 35.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    for (int i = 0; i < 3; ++i) Tick();
    ASSERT_TRUE(CycleOver());
    EXPECT_EQ(ProtocolLines(" springt von "), 0u);
    clock.AdvanceMs(12000);
    Tick();
    Tick();
    Tick();
    ASSERT_EQ(ProtocolLines(" springt von "), 1u);
    const AnsiString named = ProtocolLine(" springt von ");
    EXPECT_NE(named.find(": 17 s lang ging kein Schritt an das Gerät,"), AnsiString::npos) << named;
}

// Ticks that come 1.4 intervals apart at 5 s (a busy machine's timer, within its allowance):
// the plan goes by the clock and skips a step now and then, but a step went out at every
// tick, so no pause is named.
TEST_F(ProgramGoOnTest, TicksThatComeALittleLateAreNoPause)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 300, 35.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    std::vector<double> steps;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(CycleOver());
        clock.AdvanceMs(2000);
        Tick();
        ASSERT_TRUE(AwaitCycle(session));
        steps.push_back(line.First().State().setpoint);
    }
    // The plan did skip steps: some ticks moved the unit by two steps' worth (1/30 K a second).
    const double perStep = 10.0 / 300.0 * 5.0;
    bool skipped = false;
    for (std::size_t i = 1; i < steps.size(); ++i) skipped = skipped || steps[i] - steps[i - 1] > 1.5 * perStep;
    EXPECT_TRUE(skipped);
    EXPECT_EQ(ProtocolLines(" springt von "), 0u);
}

// A run started while its unit's TCP connection is cut (the channel stays connected and
// waits for the link) says at once, before any tick, that its steps do not reach the unit,
// and its first segment is due, not executed.
TEST_F(ProgramGoOnTest, ARunStartedWhileItsLinkIsLostSaysSoAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 60, 27.0);
    while (session.Series(2)->Count() < CProgramRun::PointsBeforeStart) Tick();
    line.StopListening();
    for (int i = 0; i < 8 && !session.ChannelObject()->LinkLost(); ++i) Tick();
    ASSERT_TRUE(session.ChannelObject()->LinkLost());
    ASSERT_TRUE(session.IsConnected());
    ASSERT_TRUE(run.RequestStart(program, settings, true));
    ASSERT_TRUE(run.ProgramRunning);
    EXPECT_EQ(ProtocolLines(Missing), 1u);
    EXPECT_NE(ProtocolLine(Missing).find(ChannelText(RowReasonConnectionLost)), AnsiString::npos);
    EXPECT_EQ(Boxes(Missing).size(), 1u);
    EXPECT_EQ(ProtocolLines("A wird ausgeführt."), 0u);
    Tick();
    EXPECT_EQ(ProtocolLines(Missing), 1u);
}

namespace {

// Interval (s), how the control goes off, resume (true) or cancel.
using TSinceLastPoll = std::tuple<int, TOffWay, bool>;
class OffSinceLastPollTest : public ProgramGoOnTest, public ::testing::WithParamInterface<TSinceLastPoll> {};

}  // namespace

// The unit's control goes off after the channel's last status poll while the segment is
// held. The status the question would go by says "on": the yes asks the unit first and
// sends no method letter on that old status. Switched off at the unit, the question is the
// plain one, the run stays held with the message naming program and channel, and nothing but
// the status query reaches the unit; the next question says that the control is switched on,
// No its default. Switched off through another channel of this program, the first question
// says so already. Only the yes to that question switches the control on.
TEST_P(OffSinceLastPollTest, TheYesAsksTheUnitAndSwitchesNothingOnUntold)
{
    const auto [interval, way, resume] = GetParam();
    session.Settings.Interval = IntToStr(interval);
    other.Settings.Interval = session.Settings.Interval;
    ASSERT_NO_FATAL_FAILURE(Open());
    if (way == TOffWay::FromAnotherChannel) {
        ASSERT_NO_FATAL_FAILURE(OpenOther());
    }
    Segment("A", 40 * interval, 30.0);
    Segment("B", 40 * interval, 35.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_TRUE(run.SegmentHeld);
    Tick();
    ASSERT_TRUE(CycleOver());
    ASSERT_NO_FATAL_FAILURE(SwitchOff(way));
    ASSERT_EQ(session.ControlStatus(), "I");

    const TextRow asked = resume ? RowAskResumeSegment : RowAskCancelSegment;
    const AnsiString atUnit = ChannelText(RowAskGoOnSwitchesControlOn);
    const AnsiString fromHere = ChannelText(RowAskGoOnControlSwitchedOffHere);
    std::size_t from = line.FrameCount();
    if (way == TOffWay::AtTheUnit) {
        // The run goes on (a cancel is carried out), its step without the letter; the reply
        // to it says the control is off: held, and told.
        ASSERT_NO_FATAL_FAILURE(GoOn(resume));
        const auto questions = Boxes(ChannelText(asked));
        ASSERT_FALSE(questions.empty());
        EXPECT_EQ(questions.back().text.find(atUnit), AnsiString::npos) << questions.back().text;
        EXPECT_TRUE(run.SegmentHeld);
        EXPECT_EQ(Told(ChannelText(RowControlOffProgramHeld)), 1u);
        EXPECT_EQ(Told(ProgramAndChannel()), 1u);
        EXPECT_EQ(session.ControlStatus(), "O");
    } else {
        // Told, and No: nothing at all.
        ASSERT_NO_FATAL_FAILURE(GoOn(resume, IDNO));
        const auto questions = Boxes(fromHere);
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0].text.find(ChannelText(asked)), 0u) << questions[0].text;
        EXPECT_TRUE(questions[0].flags & MB_DEFBUTTON2);
        EXPECT_TRUE(run.SegmentHeld);
    }
    EXPECT_EQ(programmer.GetCurrentSegmentName(), way == TOffWay::AtTheUnit && !resume ? "B" : "A");
    Tick();
    ASSERT_TRUE(CycleOver());
    const std::vector<AnsiString> unlettered = SetpointFramesFrom(from);
    EXPECT_TRUE(std::all_of(unlettered.begin(), unlettered.end(), [](const AnsiString& f) { return f[0] == '*'; }));
    EXPECT_EQ(UnitMode(), 'O');
    EXPECT_TRUE(run.SegmentHeld);

    // Asked again, the question names the switch-on, No its default; the yes switches it on.
    from = line.FrameCount();
    ASSERT_NO_FATAL_FAILURE(GoOn(way == TOffWay::AtTheUnit || resume));
    const auto told = Boxes(way == TOffWay::AtTheUnit ? atUnit : fromHere);
    ASSERT_FALSE(told.empty());
    EXPECT_TRUE(told.back().flags & MB_DEFBUTTON2);
    EXPECT_NE(told.back().text.find("\n\n" + session.ChannelName()), AnsiString::npos) << told.back().text;
    EXPECT_FALSE(run.SegmentHeld);
    ASSERT_TRUE(CycleOver());
    const std::vector<AnsiString> sent = SetpointFramesFrom(from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().substr(0, 1), "I");
    EXPECT_EQ(UnitMode(), 'I');
    EXPECT_EQ(ProtocolLines(ChannelText(RowGoOnSwitchesControlOn, {"P"})), 1u);
    EXPECT_EQ(programmer.GetCurrentSegmentName(), resume ? "A" : "B");
}

INSTANTIATE_TEST_SUITE_P(Ways, OffSinceLastPollTest,
                         ::testing::Combine(::testing::Values(5, 30),
                                            ::testing::Values(TOffWay::AtTheUnit, TOffWay::FromAnotherChannel),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<TSinceLastPoll>& p) {
                             return "At" + std::to_string(std::get<0>(p.param)) + "s" +
                                    (std::get<1>(p.param) == TOffWay::AtTheUnit ? "AtTheUnit" : "FromAnotherChannel") +
                                    (std::get<2>(p.param) ? "Resume" : "Cancel");
                         });

// A held segment is resumed at a unit that is on and answers: its step goes again with the
// method letter once the unit's status, asked after the yes, says so. The same yes while the
// unit does not answer (its control switched off meanwhile) sends no letter: the run goes on
// with the letter left out and says so, and once the unit answers again with its control
// off, it is held with the message naming program and channel; the unit stays off.
TEST_F(ProgramGoOnTest, AResumeWithoutAFreshStatusSendsNoMethodLetter)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 300, 30.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    Tick();
    ASSERT_TRUE(CycleOver());
    std::size_t from = line.FrameCount();
    ASSERT_NO_FATAL_FAILURE(GoOn(true));
    EXPECT_FALSE(run.SegmentHeld);
    ASSERT_TRUE(CycleOver());
    std::vector<AnsiString> sent = SetpointFramesFrom(from);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent.front().substr(0, 1), "*");
    EXPECT_EQ(sent.back().substr(0, 1), "I");
    EXPECT_EQ(sent.front().substr(1), sent.back().substr(1));

    Tick();
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    Tick();
    ASSERT_TRUE(CycleOver());
    Silence(true);
    ASSERT_NO_FATAL_FAILURE(SwitchOff(TOffWay::AtTheUnit));
    from = line.FrameCount();
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    EXPECT_TRUE(run.ProgramRunning);
    for (int i = 0; i < 3; ++i) Tick();
    EXPECT_TRUE(run.LetterWaitsForStatus());
    EXPECT_EQ(ProtocolLines(ChannelText(RowGoOnStatusUnknown, {"P"})), 1u);
    Silence(false);
    for (int i = 0; i < 6 && !run.SegmentHeld; ++i) Tick();
    EXPECT_TRUE(run.SegmentHeld);
    EXPECT_EQ(Told(ChannelText(RowControlOffProgramHeld)), 1u);
    EXPECT_EQ(Told(ProgramAndChannel()), 1u);
    Tick();
    ASSERT_TRUE(CycleOver());
    sent = SetpointFramesFrom(from);
    EXPECT_TRUE(std::all_of(sent.begin(), sent.end(), [](const AnsiString& f) { return f[0] == '*'; }));
    EXPECT_EQ(UnitMode(), 'O');
}

// The control switched off at the unit while a program runs: the run is held and the
// message names its program and channel.
TEST_F(ProgramGoOnTest, TheHoldAtAUnitSwitchedOffNamesProgramAndChannel)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 300, 30.0);
    ASSERT_NO_FATAL_FAILURE(StartRun());
    ASSERT_NO_FATAL_FAILURE(SwitchOff(TOffWay::AtTheUnit));
    for (int i = 0; i < 4 && !run.SegmentHeld; ++i) Tick();
    ASSERT_TRUE(run.SegmentHeld);
    ASSERT_EQ(Lines(notices, ChannelText(RowControlOffProgramHeld)), 1u);
    EXPECT_EQ(Lines(notices, ProgramAndChannel()), 1u);
}

namespace {

class CancelLastSegmentTest : public ProgramGoOnTest, public ::testing::WithParamInterface<int> {};

}  // namespace

// The cancel question of the last segment says that the program then ends and what its end
// action does; a yes ends it with that end action at once. Of an earlier segment it says
// nothing of an end.
TEST_P(CancelLastSegmentTest, TheQuestionSaysTheProgramEndsAndWhatItsEndDoes)
{
    const int endAction = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open());
    Segment("A", 300, 27.0);
    Segment("B", 300, 30.0);
    settings = {"25", 0, endAction};
    ASSERT_NO_FATAL_FAILURE(StartRun());
    const AnsiString ends =
        ChannelText(endAction == 0 ? RowAskCancelLastSegmentEndsOff : RowAskCancelLastSegmentEndsKeep);
    support::TestDialogs().QueueAnswer(IDYES);
    run.CancelSegment();
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "B");
    EXPECT_EQ(Boxes(ends).size(), 0u);
    Tick();

    support::TestDialogs().QueueAnswer(IDYES);
    run.CancelSegment();
    const auto asked = Boxes(ends);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text.find(ChannelText(RowAskCancelSegment)), 0u) << asked[0].text;
    EXPECT_NE(asked[0].text.find("\n\n" + session.ChannelName()), AnsiString::npos) << asked[0].text;
    EXPECT_FALSE(run.HasRun());
    ASSERT_TRUE(Await([&] { return UnitMode() == (endAction == 0 ? 'O' : 'I'); }));
}

INSTANTIATE_TEST_SUITE_P(EndActions, CancelLastSegmentTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& p) {
                             return std::string(p.param == 0 ? "ControlOff" : "Keep");
                         });
