// A temperature program whose steps do not reach its unit for a while: the unit falls silent
// on a working link, its serial port goes away (the adapter pulled), its TCP connection is
// cut. The run keeps its timing, but says once that its steps do not reach the unit and once
// that they do again, with the setpoint the unit then took; no segment is called executed
// meanwhile. A timed start whose unit cannot be reached waits for it within its window, or is
// not carried out. Against the simulated unit, on a clock the test moves.
#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ChannelTestSupport.h"
#include "channel/CProgramRun.h"
#include "channel/ChannelTexts.h"
#include "chart/engine/TChartSeries.h"
#include "comm/CTransceiver.h"
#include "platform/TTreeNode.h"
#include "programmer/CProgrammer.h"

using namespace channeltest;

namespace {

enum class TLoss { SilentUnit, PortClosed, TcpCut };

class ProgramReachTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        session.SetProgrammerMode(true);
        session.OnNotice = [this](const AnsiString& text, const AnsiString&, std::function<void()>) {
            notices.push_back(text);
        };
        run.OnCalendarStart = [this] { run.RequestStart(program, settings); };
    }
    void TearDown() override
    {
        session.OnNotice = nullptr;
        for (auto& n : neighbours)
            if (n->IsConnected()) n->Close();
        if (session.IsConnected()) session.Close();
        TDataFileSaveQueue::Instance().WaitIdle();
        ChannelFixture::TearDown();
    }

    // A unit controlling at 25 °C, on a loopback port or behind an adapter's name.
    void Open(TLoss loss)
    {
        support::UnitState unit;
        unit.controlMode = 'I';
        unit.setpoint = 25.0;
        line.AddUnit(unit);
        AnsiString error;
        if (loss == TLoss::PortClosed) {
            ASSERT_TRUE(line.StartPty(&error, Path("ttyUSB0"))) << error;
            UseSerial(session, "RS232", line.SlavePath());
        } else {
            ASSERT_TRUE(line.StartTcp(0, &error)) << error;
            UseTcp(session, line.TcpPort());
        }
        Connect(session, Path("reach"));
    }
    // The unit at address 1 of an RS485 line of `units`; its neighbours are recorded by
    // sessions of their own at the same interval.
    void OpenOnSharedLine(int units = 3)
    {
        for (int a = 1; a <= units; ++a) {
            support::UnitState unit;
            unit.address = a;
            unit.controlMode = 'I';
            unit.setpoint = 25.0;
            line.AddUnit(unit);
        }
        AnsiString error;
        ASSERT_TRUE(line.StartPty(&error)) << error;
        UseSerial(session, "RS485", line.SlavePath(), 1);
        Connect(session, Path("reach"));
        for (int a = 2; a <= units; ++a) {
            neighbours.push_back(std::make_unique<CChannelSession>(a));
            neighbours.back()->Settings.Interval = session.Settings.Interval;
            UseSerial(*neighbours.back(), "RS485", line.SlavePath(), a);
            Connect(*neighbours.back(), Path(("neighbour" + std::to_string(a)).c_str()));
        }
    }
    void Segment(const char* name, int duration, double setpoint)
    {
        TTreeNode* node = tree.AddChild(program, name);
        programmer.AddSegment(node, name, 0);
        programmer.SetSegmentValues(node, duration, 0, 0, 2, -1, setpoint);
    }

    // One programmer tick one sampling interval (or `seconds`) later, once the poll cycle of
    // the tick before is through, has stopped at a fault, or the link is lost; the poll
    // thread has looked at the new time (a reconnection due) before the tick.
    void Tick(int seconds = 0)
    {
        ASSERT_TRUE(AwaitSettled(session, [this](const CChannel& c) {
            return !c.OneShotInProgress() && !session.HasWaitingProgramCommands() &&
                   (c.LinkLost() || (c.PollRequest == 0 && !c.CycleUnderWayOrDue()) ||
                    (c.CommError == 1 && !c.RequestPending()));
        }));
        clock.AdvanceMs(std::int64_t(seconds > 0 ? seconds : session.SamplingInterval()) * 1000);
        const CTransceiver* poll = TransceiverThreads[session.Channel()];
        const int passes = poll->PassCount;
        ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
        run.Tick();
        for (auto& n : neighbours) n->Tick();
    }
    bool LinkLost() const { return session.ChannelObject()->LinkLost(); }

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
    // The setpoints of the setpoint frames the unit received from the n-th frame of its log on.
    std::vector<double> SetpointsFrom(std::size_t n) const
    {
        std::vector<double> out;
        const auto frames = line.Frames();
        for (std::size_t i = n; i < frames.size(); ++i) {
            const AnsiString& f = frames[i].frame;
            if (f.size() > 13 && f.compare(4, 3, "G0D") == 0 && f.compare(9, 4, "****") != 0)
                out.push_back(std::stoi(f.substr(9, 4), nullptr, 16) / 100.0);
        }
        return out;
    }
    double UnitSetpoint() { return line.First().State().setpoint; }
    static AnsiString Degrees(double value) { return FormatFloat("0.00", value) + " °C"; }
    static AnsiString Stamp(TDateTime t) { return DateToStr(t) + " " + TimeToStr(t); }

    support::SimulatedUnitLine line;
    CChannelSession session{1};
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
    std::vector<std::unique_ptr<CChannelSession>> neighbours;
};

class StepsReachTest : public ProgramReachTest, public ::testing::WithParamInterface<TLoss> {};

const char* const Missing = "erreichen das Gerät nicht:";
const char* const Again = "erreichen das Gerät wieder:";

}  // namespace

// Mid-ramp the unit is lost for longer than a segment has left: the run goes on by the clock,
// says once that its steps do not reach the unit (naming the last step the unit took) and,
// when the unit is back and takes the step the plan has for then, says so with that setpoint
// and the one it took before. The segment that began meanwhile is not called executed.
TEST_P(StepsReachTest, OneReportWhenTheStepsStopReachingTheUnitAndOneWhenTheyReachItAgain)
{
    const TLoss loss = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open(loss));
    Segment("Rampe1", 30, 27.0);
    Segment("Rampe2", 180, 30.0);
    while (session.Series(2)->Count() < CProgramRun::PointsBeforeStart) Tick();
    ASSERT_TRUE(run.RequestStart(program, settings, true));
    ASSERT_TRUE(run.ProgramRunning);
    Tick();
    Tick();
    ASSERT_TRUE(AwaitCycle(session));
    const double held = UnitSetpoint();
    ASSERT_GT(held, 25.0);
    EXPECT_EQ(ProtocolLines(Missing), 0u);

    switch (loss) {
        case TLoss::SilentUnit: line.First().Update([](support::UnitState& u) { u.answers = 0; }); break;
        case TLoss::PortClosed: line.UnplugPty(); break;
        case TLoss::TcpCut: line.StopListening(); break;
    }
    for (int i = 0; i < 8; ++i) Tick();
    if (loss != TLoss::SilentUnit) {
        ASSERT_TRUE(LinkLost());
    }
    EXPECT_EQ(programmer.GetCurrentSegmentName(), "Rampe2");
    EXPECT_DOUBLE_EQ(UnitSetpoint(), held);

    // One report, in both protocols and a box, naming the run, why and the last step taken.
    const AnsiString reason =
        ChannelText(loss == TLoss::SilentUnit ? resources::RowReasonUnitSilent : resources::RowReasonConnectionLost);
    EXPECT_EQ(ProtocolLines(Missing), 1u);
    EXPECT_EQ(EventLines(Missing), 1u);
    const AnsiString report = ProtocolLine(Missing);
    EXPECT_NE(report.find("\"P\" " + AnsiString(Missing) + " " + reason + "."), AnsiString::npos) << report;
    EXPECT_NE(report.find(": " + Degrees(held) + "."), AnsiString::npos) << report;
    ASSERT_EQ(Lines(notices, Missing), 1u);
    EXPECT_NE(notices.back().find("\n\n" + session.ChannelName()), AnsiString::npos) << notices.back();
    // The segment that began meanwhile is due, not executed.
    EXPECT_EQ(ProtocolLines("Rampe2 wird ausgeführt."), 0u);
    EXPECT_EQ(ProtocolLines("Rampe2 ist an der Reihe; die Schritte des Programms erreichen das Gerät nicht."), 1u);

    const std::size_t restored = line.FrameCount();
    AnsiString error;
    switch (loss) {
        case TLoss::SilentUnit:
            line.First().Update([](support::UnitState& u) { u.answers = support::AllCommands; });
            break;
        case TLoss::PortClosed: ASSERT_TRUE(line.ReplugPty(&error)) << error; break;
        case TLoss::TcpCut: ASSERT_TRUE(line.ListenAgain(&error)) << error; break;
    }
    for (int i = 0; i < 20 && ProtocolLines(Again) == 0; ++i) Tick();
    ASSERT_EQ(ProtocolLines(Again), 1u);
    EXPECT_EQ(EventLines(Again), 1u);
    EXPECT_TRUE(run.ProgramRunning);
    // The unit took the step the plan had for then: a jump from the step it held.
    const std::vector<double> sent = SetpointsFrom(restored);
    ASSERT_FALSE(sent.empty());
    const AnsiString back = ProtocolLine(Again);
    const auto took = std::find_if(sent.begin(), sent.end(),
                                   [&](double v) { return back.find(" " + Degrees(v) + " ") != AnsiString::npos; });
    ASSERT_NE(took, sent.end()) << back;
    EXPECT_GT(*took, held + 1.0) << back;
    EXPECT_NE(back.find("Davor hatte es zuletzt " + Degrees(held) + " angenommen."), AnsiString::npos) << back;
    ASSERT_EQ(Lines(notices, Again), 1u);

    // The rest of the run reaches the unit: the program ends as it always does, and nothing
    // more is reported.
    for (int i = 0; i < 40 && run.HasRun(); ++i) Tick();
    EXPECT_FALSE(run.HasRun());
    EXPECT_EQ(ProtocolLines(" wurde beendet."), 1u);
    EXPECT_EQ(ProtocolLines(Missing), 1u);
    EXPECT_EQ(ProtocolLines(Again), 1u);
    EXPECT_NEAR(UnitSetpoint(), 30.0, 0.005);
}

namespace {

std::string LossName(const ::testing::TestParamInfo<TLoss>& loss)
{
    const char* names[] = {"SilentUnit", "PortClosed", "TcpCut"};
    return names[int(loss.param)];
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Losses, StepsReachTest, ::testing::Values(TLoss::SilentUnit, TLoss::PortClosed, TLoss::TcpCut),
                         LossName);

namespace {

// Which units of the line fall silent: the run's own, every one on it, or all but the run's.
enum class TSilent { Own, All, Others };

struct TSilence {
    const char* name;
    int units;  // 0: the run's unit on a loopback port of its own; else an RS485 line of them
    int interval;
    TSilent silent;
};
void PrintTo(const TSilence& s, std::ostream* os)
{
    *os << s.name;
}

class SilenceToldTest : public ProgramReachTest, public ::testing::WithParamInterface<TSilence> {
protected:
    // A serial line's own read time-out: a silent neighbour holds it that long.
    void SetUp() override
    {
        ProgramReachTest::SetUp();
        comm::TCommTiming timing = comm::Timing();
        timing.ReadTimeoutMs = 1000;
        comm::SetTiming(timing);
    }
    void Silence(bool silent)
    {
        const unsigned answers = silent ? 0u : support::AllCommands;
        const int units = std::max(1, GetParam().units);
        for (int a = 1; a <= units; ++a) {
            const bool own = a == 1;
            if ((own && GetParam().silent == TSilent::Others) || (!own && GetParam().silent == TSilent::Own)) continue;
            support::SimulatedUnit& unit = GetParam().units == 0 ? line.First() : *line.Unit(a);
            unit.Update([answers](support::UnitState& u) { u.answers = answers; });
        }
    }
};

}  // namespace

// Units of the run's line fall silent for 30 s: when the run's own unit is among them, the
// run says that its steps do not reach it no later than a run over TCP would, plus one turn
// of its line (each neighbour's read time-out), however long the line and whoever else is
// silent, and once that they reach it again; while its own unit answers it says nothing.
TEST_P(SilenceToldTest, TheRunsOwnUnitFallingSilentIsToldAsSoonAsOverTcpPlusOneTurnOfTheLine)
{
    const TSilence p = GetParam();
    session.Settings.Interval = IntToStr(p.interval);
    if (p.units > 0)
        ASSERT_NO_FATAL_FAILURE(OpenOnSharedLine(p.units));
    else
        ASSERT_NO_FATAL_FAILURE(Open(TLoss::SilentUnit));
    Segment("Rampe1", 600, 30.0);
    while (session.Series(2)->Count() < CProgramRun::PointsBeforeStart) Tick();
    ASSERT_TRUE(run.RequestStart(program, settings, true));
    Tick();
    Tick();
    ASSERT_TRUE(AwaitCycle(session));
    ASSERT_GT(UnitSetpoint(), 25.0);

    const CChannel* channel = session.ChannelObject();
    const std::int64_t intervalMs = std::int64_t(p.interval) * 1000;
    // A run over TCP is told at the first tick after the unit's own exchanges could have
    // renewed its values; a turn of the line lets every neighbour wait out its read time-out.
    const std::int64_t turnMs = std::int64_t(std::max(0, p.units - 1)) * (comm::Timing().ReadTimeoutMs + 100);
    const std::int64_t boundMs = channel->OwnValuesBoundMs(int(intervalMs)) + turnMs + intervalMs;

    Silence(true);
    std::int64_t toldAfterMs = -1;
    for (std::int64_t ms = 0; ms < 30000; ms += intervalMs) {
        Tick();
        if (toldAfterMs < 0 && ProtocolLines(Missing) > 0)
            toldAfterMs = platform::clock().MilliTicks() - channel->AnsweredSetpoints().AtMs;
    }
    if (p.silent == TSilent::Others) {
        EXPECT_EQ(ProtocolLines(Missing), 0u);
        EXPECT_TRUE(notices.empty());
    } else {
        ASSERT_GE(toldAfterMs, 0) << "not told in 30 s";
        EXPECT_LT(toldAfterMs, boundMs);
        EXPECT_EQ(Lines(notices, Missing), 1u);
    }

    Silence(false);
    for (int i = 0; i < 30 && ProtocolLines(Again) < ProtocolLines(Missing); ++i) Tick();
    EXPECT_EQ(ProtocolLines(Again), ProtocolLines(Missing));
    EXPECT_EQ(ProtocolLines(Missing), p.silent == TSilent::Others ? 0u : 1u);
    EXPECT_TRUE(run.ProgramRunning);
}

INSTANTIATE_TEST_SUITE_P(Lines, SilenceToldTest,
                         ::testing::Values(TSilence{"TcpAlone", 0, 5, TSilent::Own},
                                           TSilence{"Rs485LineOfThree", 3, 5, TSilent::Own},
                                           TSilence{"Rs485LineOfEightAllSilent", 8, 5, TSilent::All},
                                           TSilence{"Rs485LineOfFourAllSilentAt1s", 4, 1, TSilent::All},
                                           TSilence{"Rs485LineOfEightNeighboursSilent", 8, 5, TSilent::Others}),
                         [](const ::testing::TestParamInfo<TSilence>& p) { return std::string(p.param.name); });

// The whole program stands still for 12 s at 1 s while the unit answers throughout, and the
// first tick after it comes before the poll thread has fetched anything anew: no tick ran,
// which the event protocol says, and the run's step that follows names how long no step went
// out; the unit is not said to be silent. When it does fall silent during a stop, the run
// says so as soon as it would without the stop.
TEST_F(ProgramReachTest, AStopOfTheWholeProgramIsNotTakenForASilentUnit)
{
    // A late reply goes only once the test moves the device clock on.
    line.SetReplyClock([this] { return deviceClock.NowMs(); });
    session.Settings.Interval = "1";
    ASSERT_NO_FATAL_FAILURE(Open(TLoss::SilentUnit));
    Segment("Rampe1", 600, 45.0);
    while (session.Series(2)->Count() < CProgramRun::PointsBeforeStart) Tick();
    ASSERT_TRUE(run.RequestStart(program, settings, true));
    for (int i = 0; i < 3; ++i) Tick();
    ASSERT_TRUE(AwaitCycle(session));

    line.First().InjectFault(support::UnitFault::LateReply, -1, 100);
    clock.AdvanceMs(12000);
    run.Tick();
    line.First().ClearFaults();
    deviceClock.AdvanceMs(100);
    for (int i = 0; i < 8; ++i) Tick();
    EXPECT_EQ(EventLines(" lief kein Takt: "), 1u);
    EXPECT_EQ(ProtocolLines(Missing), 0u);
    EXPECT_EQ(EventLines(Missing), 0u);
    EXPECT_EQ(ProtocolLines(Again), 0u);
    EXPECT_TRUE(notices.empty());
    ASSERT_EQ(ProtocolLines(" springt von "), 1u);
    const AnsiString pause = ProtocolLine(" springt von ");
    EXPECT_NE(pause.find(": 12 s lang ging kein Schritt an das Gerät,"), AnsiString::npos) << pause;

    // Silent from a second stop on: told as soon as after the last step it took, not counting
    // the stop.
    line.First().Update([](support::UnitState& u) { u.answers = 0; });
    const CChannel* channel = session.ChannelObject();
    const std::int64_t boundMs = channel->OwnValuesBoundMs(1000) + 1000;
    clock.AdvanceMs(12000);
    std::int64_t toldAfterMs = -1;
    for (int i = 0; i < 30 && toldAfterMs < 0; ++i) {
        Tick();
        if (ProtocolLines(Missing) > 0)
            toldAfterMs = platform::clock().MilliTicks() - channel->AnsweredSetpoints().AtMs - 12000;
    }
    ASSERT_GE(toldAfterMs, 0);
    EXPECT_LE(toldAfterMs, boundMs);
    const AnsiString report = ProtocolLine(Missing);
    EXPECT_NE(report.find(ChannelText(resources::RowReasonUnitSilent)), AnsiString::npos) << report;
}

// A run whose link is lost until after its plan is over does not report itself done.
TEST_F(ProgramReachTest, ARunThatEndsWhileItsStepsDoNotReachTheUnitIsNotReportedDone)
{
    ASSERT_NO_FATAL_FAILURE(Open(TLoss::TcpCut));
    Segment("Rampe1", 20, 27.0);
    while (session.Series(2)->Count() < CProgramRun::PointsBeforeStart) Tick();
    ASSERT_TRUE(run.RequestStart(program, settings, true));
    Tick();
    ASSERT_TRUE(AwaitCycle(session));
    const double held = UnitSetpoint();
    line.StopListening();
    for (int i = 0; i < 12 && run.HasRun(); ++i) Tick();
    EXPECT_FALSE(run.HasRun());
    EXPECT_EQ(ProtocolLines(" wurde beendet."), 0u);
    const AnsiString end = ProtocolLine("hat das Ende seines Plans erreicht");
    EXPECT_NE(end.find(" P hat das Ende seines Plans erreicht, aber seine Schritte erreichen das Gerät nicht."),
              AnsiString::npos)
        << end;
    EXPECT_NE(end.find(Degrees(held)), AnsiString::npos) << end;
}

// Armed for a moment at which the unit's TCP connection is cut: the start waits for the unit
// (a line and a box, once) and begins when it answers again, within its window; the run's
// first step then reaches the unit. Cut for the whole window, the start is not carried out.
TEST_F(ProgramReachTest, ATimedStartWaitsForItsUnitOrIsNotCarriedOut)
{
    ASSERT_NO_FATAL_FAILURE(Open(TLoss::TcpCut));
    Segment("Rampe1", 60, 27.0);
    for (int i = 0; i < 5; ++i) Tick();
    const AnsiString waits = "wartet auf das Gerät: die Verbindung zum Gerät ist unterbrochen.";

    TDateTime armed = Now() + 12.0 / SecsPerDay;
    run.SetCalendar({1, "TB.tp", armed, 1});
    line.StopListening();
    for (int i = 0; i < 8; ++i) Tick();
    ASSERT_TRUE(LinkLost());
    EXPECT_FALSE(run.HasRun());
    EXPECT_EQ(run.Calendar().Armed, 1);
    EXPECT_EQ(ProtocolLines(waits), 1u);
    EXPECT_EQ(Lines(notices, waits), 1u);
    EXPECT_EQ(ProtocolLines(" wurde gestartet."), 0u);
    EXPECT_EQ(ProtocolLines(" wird ausgeführt."), 0u);
    EXPECT_EQ(EventLines(ChannelText(resources::RowNotSentConnectionLost)), 0u);

    // Back within the window: the start begins once the unit answers, saying how late.
    AnsiString error;
    ASSERT_TRUE(line.ListenAgain(&error)) << error;
    for (int i = 0; i < 40 && !run.HasRun(); ++i) Tick();
    ASSERT_TRUE(run.ProgramRunning);
    EXPECT_FALSE(LinkLost());
    EXPECT_EQ(run.Calendar().Armed, 0);
    EXPECT_EQ(ProtocolLines(" (Temperierprogramm \"TB.tp\", Start " + Stamp(armed) + ") beginnt jetzt, "), 1u);
    Tick();
    Tick();
    ASSERT_TRUE(AwaitCycle(session));
    EXPECT_GT(UnitSetpoint(), 25.0);
    EXPECT_EQ(ProtocolLines(Missing), 0u);
    EXPECT_EQ(ProtocolLines(waits), 1u);
    support::TestDialogs().QueueAnswer(IDYES);
    run.RequestStop();
    Tick();
    ASSERT_FALSE(run.HasRun());

    // Cut through the whole window: not carried out, said once; nothing starts afterwards.
    const std::size_t started = ProtocolLines(" wurde gestartet."), waited = ProtocolLines(waits);
    armed = Now() + 12.0 / SecsPerDay;
    run.SetCalendar({1, "TB.tp", armed, 1});
    line.StopListening();
    for (int i = 0; i < 4; ++i) Tick();
    ASSERT_TRUE(LinkLost());
    EXPECT_EQ(ProtocolLines(waits), waited + 1);
    for (int i = 0; i < 6 && run.Calendar().Armed; ++i) Tick(60);
    EXPECT_EQ(run.Calendar().Armed, 0);
    const AnsiString notDone = "(Temperierprogramm \"TB.tp\", Start " + Stamp(armed) +
                               ") wurde nicht ausgeführt: das Gerät antwortete bis " +
                               TimeToStr(armed + 300.0 / SecsPerDay) + " nicht.";
    EXPECT_EQ(ProtocolLines(notDone), 1u);
    EXPECT_EQ(Lines(notices, notDone), 1u);
    ASSERT_TRUE(line.ListenAgain(&error)) << error;
    for (int i = 0; i < 6; ++i) Tick(60);
    EXPECT_FALSE(LinkLost());
    EXPECT_FALSE(run.HasRun());
    EXPECT_EQ(ProtocolLines(" wurde gestartet."), started);
}
