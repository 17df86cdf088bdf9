// A temperature program running on the simulated unit through a channel session: the frames
// the unit receives tick by tick, waiting for a setpoint, the end action, the unit's own
// control status, holding, stopping and the timed start. Time comes from the injected clock;
// every tick follows the poll cycle of the tick before.
#include <utility>

#include "ChannelTestSupport.h"
#include "HoldTimeline.h"
#include "app/RecordedDataWriter.h"
#include "channel/CProgramRun.h"
#include "chart/engine/TChartSeries.h"
#include "comm/CTolvarProtocol.h"
#include "platform/TTreeNode.h"
#include "programmer/CProgrammer.h"

using namespace channeltest;

namespace {

class ProgramRunSessionTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        session.SetProgrammerMode(true);
        run.OnCalendarStart = [this] { run.RequestStart(program, settings); };
    }
    void TearDown() override
    {
        run.OnRunEvent = nullptr;
        session.OnTicked = nullptr;
        if (session.IsConnected()) session.Close();
        TDataFileSaveQueue::Instance().WaitIdle();
        ChannelFixture::TearDown();
    }

    void Start(const support::UnitState& unit)
    {
        line.AddUnit(unit);
        AnsiString error;
        ASSERT_TRUE(line.StartTcp(0, &error)) << error;
        UseTcp(session, line.TcpPort());
        Connect(session, Path("prog"));
    }
    // A unit controlling at 20 °C whose late replies wait on the device clock: a late reply
    // goes only once the test moves that clock on, however late the machine runs the test.
    void StartControllingWithHeldReplies()
    {
        line.SetReplyClock([this] { return deviceClock.NowMs(); });
        support::UnitState unit;
        unit.controlMode = 'I';
        unit.setpoint = 20.0;
        Start(unit);
    }
    TTreeNode* Segment(const char* name, int duration, double setpoint, int wait, int mode = 0)
    {
        TTreeNode* node = tree.AddChild(program, name);
        programmer.AddSegment(node, name, 0);
        programmer.SetSegmentValues(node, duration, std::uint8_t(wait), std::uint8_t(mode), 2, -1, setpoint);
        return node;
    }
    // One programmer tick, one sampling interval after the last, once the unit has answered
    // and the program's commands given at once have gone out.
    void Tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(AwaitCommandsOut(session));
            clock.AdvanceMs(std::int64_t(session.SamplingInterval()) * 1000);
            ticked = line.FrameCount();
            run.Tick();
        }
    }
    // The unit's frame count when the last tick began.
    std::size_t ticked = 0;
    // The body of every setpoint frame the unit received (method letter, '*', digits).
    std::vector<AnsiString> SetpointFrames() const
    {
        std::vector<AnsiString> out;
        for (const auto& f : line.Frames())
            if (f.frame.size() > 13 && f.frame.compare(4, 3, "G0D") == 0) out.push_back(f.frame.substr(7, 6));
        return out;
    }
    // The setpoint frames' bodies the unit received from the n-th frame of its log on.
    std::vector<AnsiString> SetpointFramesFrom(std::size_t n) const
    {
        std::vector<AnsiString> out;
        const auto frames = line.Frames();
        for (std::size_t i = n; i < frames.size(); ++i)
            if (frames[i].frame.size() > 13 && frames[i].frame.compare(4, 3, "G0D") == 0)
                out.push_back(frames[i].frame.substr(7, 6));
        return out;
    }
    static double Hundredths(const AnsiString& body) { return std::stoi(body.substr(2), nullptr, 16) / 100.0; }
    double UnitSetpoint() { return line.First().State().setpoint; }
    std::size_t Count(const AnsiString& frame) const
    {
        std::size_t n = 0;
        for (const auto& f : line.Frames()) n += f.frame == frame;
        return n;
    }
    std::size_t Shown(const AnsiString& text) const
    {
        std::size_t n = 0;
        for (const auto& m : support::TestDialogs().Messages()) n += m.text == text;
        return n;
    }
    int Recorded() const { return session.Series(2)->Count(); }
    std::size_t ProtocolLines(const AnsiString& part) const
    {
        std::size_t n = 0;
        for (const auto& l : session.Memo(TSessionMemo::Protocol)) n += l.find(part) != AnsiString::npos;
        return n;
    }
    // A program of two ramps, A (4 steps, 20 -> 24 °C) and B (3 steps, to 27 °C), ending with
    // control off, held and resumed at one moment of its run after another: before its first
    // tick, right after the tick that asks for the limits, between two ticks, in B, right
    // after a resume, and in a run that follows a stopped one. Each hold lasts one tick. The
    // held segment goes on where the plan was held, one tick later: the resume's frame at
    // once carries the step the unit was held on, each tick after it the plan's next step,
    // and the end action comes one tick after the planned end for every tick held.
    void HoldsKeepThePace(int interval)
    {
        StartControllingWithHeldReplies();
        session.SetSamplingInterval(interval);
        constexpr int NA = 4, NB = 3;
        Segment("A", NA * interval, 24.0, 0);
        Segment("B", NB * interval, 27.0, 0);
        settings = {"20", 0, 0};
        const AnsiString off = CTolvarProtocol::BuildCommandFrame("G0DO*****", 1);
        while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
        enum TAt { BeforeFirstTick, AfterLimitsQuery, BetweenTicks, InLaterSegment, AfterResume, AfterStoppedRun };
        const char* names[] = {"before the first tick", "after the limits query", "between ticks",
                               "in the later segment",  "right after a resume",   "after a stopped run"};
        for (const TAt at :
             {BeforeFirstTick, AfterLimitsQuery, BetweenTicks, InLaterSegment, AfterResume, AfterStoppedRun}) {
            SCOPED_TRACE(std::to_string(interval) + " s, hold " + names[at]);
            line.First().Update([](support::UnitState& s) {
                s.controlMode = 'I';
                s.setpoint = 20.0;
            });
            Tick();
            if (at == AfterStoppedRun) {
                support::TestDialogs().QueueAnswer(IDYES);
                ASSERT_TRUE(run.RequestStart(program, settings));
                Tick(3);
                support::TestDialogs().QueueAnswer(IDYES);
                run.RequestStop();
                ASSERT_FALSE(run.HasRun());
                Tick();
            }
            const std::size_t offs = Count(off), ended = ProtocolLines(" wurde beendet.");
            support::TestDialogs().QueueAnswer(IDYES);
            ASSERT_TRUE(run.RequestStart(program, settings));
            ASSERT_TRUE(run.ProgramRunning);
            int tick = 0;
            auto step = [&] {
                Tick();
                ++tick;
            };
            // The tick the hold follows, and what its segment still has then.
            const int held = at == AfterLimitsQuery                    ? 1
                             : at == BetweenTicks || at == AfterResume ? 2
                             : at == InLaterSegment                    ? NA + 1
                                                                       : 0;
            while (tick < held) step();
            if (held > 1) {
                ASSERT_TRUE(AwaitCommandsOut(session));
            }
            const bool inB = at == InLaterSegment;
            const int left = (inB ? NA + NB : NA) - held;
            int heldTicks = 0;
            // The step the plan gives at the k-th tick of the run (the first step goes at once
            // at the start, and again at the first tick).
            auto plan = [&](int k) { return k <= NA ? 20.0 + k : 24.0 + (k - NA); };
            auto holdAndResume = [&] {
                support::TestDialogs().QueueAnswer(IDYES);
                run.HoldOrResume();
                ASSERT_TRUE(run.SegmentHeld);
                EXPECT_EQ(run.HeldRemainingSteps, left);
                step();
                ++heldTicks;
                ASSERT_TRUE(AwaitCommandsOut(session));
                for (const AnsiString& body : SetpointFramesFrom(ticked)) EXPECT_EQ(body, "******");
                const std::size_t resumed = line.FrameCount();
                support::TestDialogs().QueueAnswer(IDYES);
                run.HoldOrResume();
                ASSERT_FALSE(run.SegmentHeld);
                // The step the unit was held on goes to it at once, not the next one.
                ASSERT_TRUE(AwaitCommandsOut(session));
                std::vector<AnsiString> frames = SetpointFramesFrom(resumed);
                std::erase(frames, AnsiString("******"));
                ASSERT_FALSE(frames.empty());
                EXPECT_NEAR(Hundredths(frames.front()), plan(std::max(held, 1)), 0.011);
            };
            holdAndResume();
            if (at == AfterResume) holdAndResume();
            auto stepExpecting = [&](const char* segment, double setpoint) {
                step();
                ASSERT_TRUE(Await([&] { return !SetpointFramesFrom(ticked).empty(); }));
                EXPECT_NEAR(Hundredths(SetpointFramesFrom(ticked).front()), setpoint, 0.011) << "tick " << tick;
                EXPECT_EQ(programmer.GetCurrentSegmentName(), segment) << "tick " << tick;
                EXPECT_EQ(Count(off), offs) << "tick " << tick;
                EXPECT_EQ(ProtocolLines(" wurde beendet."), ended) << "tick " << tick;
            };
            for (int k = held + 1; k <= NA + NB; ++k) stepExpecting(k <= NA ? "A" : "B", plan(k));
            // The planned end, later by the ticks held: the end action, and the protocol says
            // that the program ended after its last segment.
            EXPECT_EQ(tick, NA + NB + heldTicks);
            step();
            EXPECT_TRUE(Await([&] { return Count(off) == offs + 1; }));
            EXPECT_EQ(ProtocolLines(" wurde beendet."), ended + 1);
            ASSERT_FALSE(run.HasRun());
        }
    }

    // A program of two ramps, 25 -> 28 °C over 8 intervals and -> 30 °C over 5, ending with
    // control off, held and resumed in each sequence of holds; the unit's setpoints keep to
    // the plan moved later by the time held, and so do the second segment and the end.
    void HoldSequences(int interval)
    {
        ShortPollSteps();
        StartControllingWithHeldReplies();
        session.SetSamplingInterval(interval);
        const std::vector<holdtimeline::TSegment> segments = {{"Rampe1", 8 * interval, 28.0},
                                                              {"Rampe2", 5 * interval, 30.0}};
        for (const auto& s : segments) Segment(s.name.c_str(), s.duration, s.setpoint, 0);
        settings = {"25", 0, 0};
        while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
        const AnsiString off = CTolvarProtocol::BuildCommandFrame("G0DO*****", 1);
        for (const holdtimeline::TScenario& scenario : holdtimeline::Scenarios()) {
            SCOPED_TRACE(std::to_string(interval) + " s, " + scenario.name);
            line.First().Update([](support::UnitState& s) {
                s.controlMode = 'I';
                s.setpoint = 25.0;
            });
            Tick();
            if (scenario.afterStoppedRun) {
                support::TestDialogs().QueueAnswer(IDYES);
                ASSERT_TRUE(run.RequestStart(program, settings));
                Tick(2);
                support::TestDialogs().QueueAnswer(IDYES);
                run.RequestStop();
                ASSERT_FALSE(run.HasRun());
                Tick();
            }
            ASSERT_TRUE(AwaitCommandsOut(session));
            const std::size_t offs = Count(off);
            holdtimeline::THooks hooks;
            hooks.tick = [&] {
                ASSERT_TRUE(AwaitCommandsOut(session));
                ticked = line.FrameCount();
                run.Tick();
            };
            hooks.start = [&] {
                support::TestDialogs().QueueAnswer(IDYES);
                ASSERT_TRUE(run.RequestStart(program, settings));
                ASSERT_TRUE(run.ProgramRunning);
            };
            hooks.holdOrResume = [&] {
                support::TestDialogs().QueueAnswer(IDYES);
                run.HoldOrResume();
            };
            hooks.held = [&] { return run.SegmentHeld != 0; };
            hooks.unitSetpoint = [&] {
                EXPECT_TRUE(AwaitCommandsOut(session));
                return UnitSetpoint();
            };
            hooks.segment = [&] { return programmer.GetCurrentSegmentName(); };
            hooks.ended = [&] { return !run.HasRun(); };
            holdtimeline::Run(clock, interval, 25.0, segments, scenario, hooks);
            EXPECT_EQ(Count(off), offs + 1);
            // No step of the plan was left out.
            EXPECT_EQ(ProtocolLines(" springt von "), 0u);
        }
    }

    // The same program of two ramps, started at one moment after another, without holds
    // and with them, with either end action: the end action is handed over in the tick at
    // which the plan (moved later by the time held) ends, never before it and less than an
    // interval after it, and goes to the unit in that tick's own cycle, not behind the last
    // step sent once more.
    void EndActionInItsTick(int interval)
    {
        ShortPollSteps();
        StartControllingWithHeldReplies();
        session.SetSamplingInterval(interval);
        const std::vector<holdtimeline::TSegment> segments = {{"Rampe1", 8 * interval, 28.0},
                                                              {"Rampe2", 5 * interval, 30.0}};
        for (const auto& s : segments) Segment(s.name.c_str(), s.duration, s.setpoint, 0);
        while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
        const AnsiString off = CTolvarProtocol::BuildCommandFrame("G0DO*****", 1);
        const std::vector<holdtimeline::TScenario> scenarios = {
            {"started right after a tick", 0.05, {}},
            {"started half-way between ticks", 0.5, {}},
            {"started right before a tick", 0.95, {}},
            {"one hold of more than an interval", 0.15, {3.3, 4.5}},
            {"holds across a segment's end", 0.4, {7.7, 8.1, 8.3, 9.6}},
        };
        for (const int endAction : {0, 1})
            for (const holdtimeline::TScenario& scenario : scenarios) {
                SCOPED_TRACE(std::to_string(interval) + " s, end action " + std::to_string(endAction) + ", " +
                             scenario.name);
                settings = {"25", 0, endAction};
                line.First().Update([](support::UnitState& s) {
                    s.controlMode = 'I';
                    s.setpoint = 25.0;
                });
                Tick();
                ASSERT_TRUE(AwaitCommandsOut(session));
                const std::size_t offs = Count(off);
                // The run was let go in the last tick with nothing of it left waiting for a later one.
                bool endHanded = false;
                holdtimeline::THooks hooks;
                hooks.tick = [&] {
                    ASSERT_TRUE(AwaitCommandsOut(session));
                    ticked = line.FrameCount();
                    run.Tick();
                    endHanded = !run.HasRun() && !session.HasWaitingProgramCommands();
                };
                hooks.start = [&] {
                    support::TestDialogs().QueueAnswer(IDYES);
                    ASSERT_TRUE(run.RequestStart(program, settings));
                    ASSERT_TRUE(run.ProgramRunning);
                };
                hooks.holdOrResume = [&] {
                    support::TestDialogs().QueueAnswer(IDYES);
                    run.HoldOrResume();
                };
                hooks.held = [&] { return run.SegmentHeld != 0; };
                hooks.unitSetpoint = [&] {
                    EXPECT_TRUE(AwaitCommandsOut(session));
                    return UnitSetpoint();
                };
                hooks.segment = [&] { return programmer.GetCurrentSegmentName(); };
                hooks.ended = [&] { return endHanded; };
                holdtimeline::Run(clock, interval, 25.0, segments, scenario, hooks);
                ASSERT_TRUE(AwaitCommandsOut(session));
                EXPECT_EQ(Count(off), offs + (endAction == 0 ? 1u : 0u));
                EXPECT_EQ(line.First().State().controlMode, endAction == 0 ? 'O' : 'I');
                EXPECT_NEAR(UnitSetpoint(), 30.0, 0.005);
                EXPECT_EQ(SetpointFrames().back(), "******");
                support::TestDialogs().Clear();
            }
    }

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
    TRunSettings settings{"20", 0, 0};
};

}  // namespace

TEST_F(ProgramRunSessionTest, RampWaitForSetpointAndEndActionOff)
{
    support::UnitState unit;
    unit.controlMode = 'I';
    unit.setpoint = 20.0;
    Start(unit);
    Segment("Ramp", 60, 30.0, 0);
    Segment("Hold", 0, 30.0, 1);
    ASSERT_TRUE(run.RequestStart(program->Item(1), settings));
    EXPECT_TRUE(run.StartRequested);
    // The start was confirmed; it waits for its points, and the protocol says so.
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_NE(session.Memo(TSessionMemo::Protocol).back().find("wartet auf seinen ersten Takt"), AnsiString::npos);
    support::TestDialogs().Clear();

    // The run waits for five recorded setpoints; meanwhile only the status poll goes out.
    while (Recorded() < 4) Tick();
    EXPECT_FALSE(run.ProgramRunning);
    Tick();
    EXPECT_TRUE(run.ProgramRunning);
    for (const AnsiString& body : SetpointFrames()) EXPECT_EQ(body, "******");

    // The ramp: 12 steps of 5 s; the first frame carries the method letter, the rest "*".
    const std::size_t queries = Count(CTolvarProtocol::BuildCommandFrame("L0F********", 1));
    Tick(6);
    // A new recording part in the middle of the ramp: the rest of the plan goes with it.
    const int remaining = CProgrammer::ElapsedSteps(run.PlannedSetpointLastX(), run.RecordedSetpointLastX(), 5);
    const double end = session.Series(SeriesProgrammer)->GetyValue(session.Series(SeriesProgrammer)->Count() - 1);
    session.StartNewPartNow();
    ASSERT_TRUE(Await([&] { return session.PartNumber() == 2; }));
    EXPECT_EQ(CProgrammer::ElapsedSteps(run.PlannedSetpointLastX(), run.RecordedSetpointLastX(), 5), remaining);
    EXPECT_DOUBLE_EQ(session.Series(SeriesProgrammer)->GetyValue(session.Series(SeriesProgrammer)->Count() - 1), end);
    Tick(8);
    ASSERT_TRUE(AwaitCycle(session));
    std::vector<AnsiString> frames = SetpointFrames();
    while (!frames.empty() && frames.front() == "******") frames.erase(frames.begin());
    ASSERT_GE(frames.size(), 10u);
    EXPECT_EQ(frames.front(), "I*0823");
    // The first step goes at once, and stands until the next tick: it may go more than once.
    while (frames.size() > 1 && frames[1] == frames.front()) frames.erase(frames.begin() + 1);
    int previous = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].substr(0, 2), "**") << i;
        const int hundredths = std::stoi(frames[i].substr(2), nullptr, 16);
        EXPECT_GE(hundredths, previous) << i;
        previous = hundredths;
    }
    EXPECT_EQ(frames.back(), "**0BB8");
    // The limit query went out once, and no box came up at the start.
    EXPECT_EQ(Count(CTolvarProtocol::BuildCommandFrame("L0F********", 1)), queries + 1);
    EXPECT_DOUBLE_EQ(session.GetUpperSetpointLimit(), 200.0);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // The temperature-stable hold waits until the unit's internal temperature is within 1 K.
    Tick(5);
    EXPECT_TRUE(run.ProgramRunning);
    EXPECT_EQ(programmer.GetCurrentSegmentName(), "Hold");
    EXPECT_EQ(programmer.GetRampActive(), 0);
    line.First().Update([](support::UnitState& s) { s.internalTemp = 29.5; });
    for (int i = 0; i < 6 && !run.ProgramEnded && !run.ProgramFinished && run.HasRun(); ++i) Tick();
    EXPECT_FALSE(run.ProgramRunning);
    Tick(4);
    ASSERT_TRUE(AwaitCycle(session));
    EXPECT_FALSE(run.HasRun());
    EXPECT_NE(session.Memo(TSessionMemo::Protocol).back().find(" wurde beendet."), AnsiString::npos);

    // "Off" goes to the unit in one cycle only; then the status poll stands again.
    const AnsiString off = "[M01G0DO*****E5\r";
    EXPECT_EQ(CTolvarProtocol::BuildCommandFrame("G0DO*****", 1), off);
    EXPECT_EQ(Count(off), 1u);
    frames = SetpointFrames();
    EXPECT_EQ(frames.back(), "******");
    EXPECT_EQ(line.First().State().controlMode, 'O');
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

// With control left on, a run that ends by itself leaves the unit at its last step, also when
// a poll cycle outlasts the interval (a slow link at 1 s): the last step, given while a cycle
// was under way, and the end in the next tick, before that cycle is over. Then "no change"
// stands. A program of two segments, and a single ramp down from the unit's setpoint.
TEST_F(ProgramRunSessionTest, ARunEndedByItselfLeavesTheUnitAtItsLastStepThoughACycleOutlastsTheInterval)
{
    StartControllingWithHeldReplies();
    session.SetSamplingInterval(1);
    Segment("Ramp", 6, 25.0, 0);
    Segment("Last", 8, 30.0, 0);
    TTreeNode* ramp = tree.Add(nullptr, "R");
    programmer.CreateProgram(1, ramp, "R");
    programmer.AddSegment(tree.AddChild(ramp, "Ramp"), "Ramp", 1);
    programmer.SetSegmentValues(ramp->Item(0), 8, 0, 0, 2, -1, 26.0);
    struct TCase {
        TTreeNode* node;
        const char* last;
        const char* start;
        double target;
    };
    // The end action "off" too: the last step reaches the unit before its control goes off.
    for (const int endAction : {1, 0})
        for (const TCase& c : {TCase{program, "Last", "20", 30.0}, TCase{ramp, "Ramp", "30", 26.0}}) {
            SCOPED_TRACE(std::string(c.last) + ", end action " + std::to_string(endAction));
            line.First().Update([](support::UnitState& s) { s.controlMode = 'I'; });
            settings = {c.start, 0, endAction};
            support::TestDialogs().QueueAnswer(IDYES);
            ASSERT_TRUE(run.RequestStart(c.node, settings));
            for (int i = 0; i < 40 && !(run.ProgramRunning && programmer.GetCurrentSegmentName() == c.last &&
                                        run.RemainingSteps == 1);
                 ++i)
                Tick();
            ASSERT_EQ(run.RemainingSteps, 1);
            ASSERT_TRUE(AwaitCommandsOut(session));
            // A cycle under way whose first reply takes longer than the interval.
            const std::size_t held = line.FrameCount();
            line.First().InjectFault(support::UnitFault::LateReply, 1, 100);
            session.ChannelObject()->RequestPollCycle(1000);
            ASSERT_TRUE(Await([&] { return line.HoldsReply(); }));
            clock.AdvanceMs(1000);
            run.Tick();
            ASSERT_TRUE(run.ProgramRunning);
            ASSERT_EQ(run.RemainingSteps, 0);
            clock.AdvanceMs(1000);
            run.Tick();
            ASSERT_FALSE(run.HasRun());
            deviceClock.AdvanceMs(100);
            Tick(3);
            ASSERT_TRUE(AwaitCommandsOut(session));
            EXPECT_NEAR(UnitSetpoint(), c.target, 0.005);
            EXPECT_EQ(line.First().State().controlMode, endAction == 0 ? 'O' : 'I');
            const auto frames = SetpointFramesFrom(held);
            ASSERT_GE(frames.size(), 2u);
            EXPECT_EQ(frames.back(), "******");
            const auto last =
                std::find_if(frames.rbegin(), frames.rend(), [](const AnsiString& f) { return f.substr(2) != "****"; });
            ASSERT_NE(last, frames.rend());
            EXPECT_NEAR(Hundredths(*last), c.target, 0.005);
            support::TestDialogs().Clear();
        }
}

TEST_F(ProgramRunSessionTest, CancelledTimedSegmentLeavesTheNextOneWaitingForItsSetpoint)
{
    support::UnitState unit;
    unit.controlMode = 'I';
    Start(unit);
    Segment("Ramp", 600, 40.0, 0);
    Segment("Hold", 0, 60.0, 1);
    ASSERT_TRUE(run.RequestStart(program, settings));
    while (!run.ProgramRunning) Tick();
    Tick(2);
    support::TestDialogs().QueueAnswer(IDYES);
    run.CancelSegment();
    Tick();
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "Hold");
    // The unit stays far from 60 °C: the temperature-stable segment waits past its time.
    Tick(6);
    EXPECT_TRUE(run.ProgramRunning);
    EXPECT_EQ(programmer.GetCurrentSegmentName(), "Hold");
    EXPECT_EQ(programmer.GetHoldFlag(), 1);
}

// A ramp planned while the unit does not answer (the run's start, as a single ramp starts, the
// next segment, a resume): the points taken meanwhile are error points and keep their mark on
// the setpoint curve too, so the data file's rows say "Fehler!"; the segment's name goes to the
// first good point after the unit answers again.
TEST_F(ProgramRunSessionTest, ASegmentsNameGoesToAGoodPointNeverOverAnErrorMark)
{
    support::UnitState unit;
    unit.controlMode = 'I';
    unit.setpoint = 20.0;
    Start(unit);
    Segment("Ramp", 60, 30.0, 0);
    Segment("Next", 60, 25.0, 0);
    while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
    bool quiet = false, asked = false;
    auto silent = [&](bool on) {
        if (on) {
            ASSERT_TRUE(AwaitCommandsOut(session));
        }
        quiet = on;
        asked = false;
        if (on)
            line.First().InjectFault(support::UnitFault::NoReply, -1);
        else
            line.First().ClearFaults();
    };
    // While the unit is silent a tick follows the fault of the cycle before (the program's
    // frames wait); then as every other tick.
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            if (!quiet) {
                Tick();
                continue;
            }
            const CChannel* c = session.ChannelObject();
            if (asked) {
                ASSERT_TRUE(Await([c] { return c->CommError == 1 && !c->RequestPending(); }));
            }
            asked = true;
            clock.AdvanceMs(std::int64_t(session.SamplingInterval()) * 1000);
            run.Tick();
        }
    };
    // Every point labelled with `name` is a good one, there are `count` of them, and every
    // error point is an error point on the setpoint curve as well.
    auto named = [&](const char* name, int count) {
        const TChartSeries* values = session.Series(0);
        const TChartSeries* setpoints = session.Series(2);
        int n = 0;
        for (int i = 0; i < setpoints->Count(); ++i) {
            const bool error = CChannelSession::IsErrorLabel(values->GetXLabel(i));
            EXPECT_TRUE(!error || CChannelSession::IsErrorLabel(setpoints->GetXLabel(i))) << name << " " << i;
            if (setpoints->GetXLabel(i) != name) continue;
            ++n;
            EXPECT_FALSE(error) << name << " " << i;
        }
        EXPECT_EQ(n, count) << name;
    };

    // The start: silent from the tick before it to the fifth tick after it.
    silent(true);
    tick(1);
    support::TestDialogs().QueueAnswer(IDYES);
    ASSERT_TRUE(run.RequestStart(program, settings));
    ASSERT_TRUE(run.ProgramRunning);
    tick(5);
    named("Ramp", 0);
    silent(false);
    tick(3);
    named("Ramp", 1);

    // The next segment begins while the unit is silent.
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "Ramp");
    silent(true);
    for (int i = 0; i < 8 && programmer.GetCurrentSegmentName() == "Ramp"; ++i) tick(1);
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "Next");
    tick(3);
    named("Next", 0);
    silent(false);
    tick(3);
    named("Next", 1);

    // Held, and resumed while the unit is silent.
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_TRUE(run.SegmentHeld);
    tick(1);
    silent(true);
    tick(1);
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_FALSE(run.SegmentHeld);
    tick(4);
    named("Next", 1);
    silent(false);
    tick(3);
    named("Ramp", 1);
    named("Next", 2);
}

// The wall clock set forward by a minute in the middle of a segment (a corrected clock): the
// points' times follow it, the program's planned points with them, and the segment keeps its
// length in ticks.
TEST_F(ProgramRunSessionTest, AWallClockSetForwardShortensNoSegment)
{
    support::UnitState unit;
    unit.controlMode = 'I';
    session.Settings.TimeAxisStyle = 1;  // the points' times are date-times
    Start(unit);
    Segment("Ramp", 60, 40.0, 0);
    Segment("Hold", 0, 60.0, 1);
    ASSERT_TRUE(run.RequestStart(program, settings));
    while (!run.ProgramRunning) Tick();
    Tick(2);
    const TDateTime before = session.Series(2)->GetxValue(Recorded() - 1);
    clock.Set(clock.Now() + 60.0 / SecsPerDay);
    Tick();
    EXPECT_NEAR((session.Series(2)->GetxValue(Recorded() - 1) - before) * SecsPerDay, 65.0, 0.001);
    Tick(6);
    EXPECT_EQ(programmer.GetCurrentSegmentName(), "Ramp");
    Tick(6);
    EXPECT_EQ(programmer.GetCurrentSegmentName(), "Hold");
}

TEST_F(ProgramRunSessionTest, EndlessProgramPastTheUnitsLimitKeepsOneWarningOpen)
{
    support::UnitState unit;
    unit.controlMode = 'I';
    unit.upperLimit = 30.0;
    Start(unit);
    Segment("Up", 15, 35.0, 0);
    Segment("Down", 15, 25.0, 0);
    settings.Repeat = 1;
    std::vector<std::function<void()>> boxes;
    session.OnNotice = [&](const AnsiString& text, const AnsiString&, std::function<void()> closed) {
        if (text == "Sollwertvorgabe überschreitet Sollwertgrenzen des Geräts!") boxes.push_back(std::move(closed));
    };
    ASSERT_TRUE(run.RequestStart(program, settings));
    while (!run.ProgramRunning) Tick();
    // Every repeat crosses the limit again; nobody closes the first box meanwhile.
    Tick(24);
    ASSERT_EQ(boxes.size(), 1u);
    boxes.front()();
    Tick(6);
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(ProgramRunSessionTest, UnitSwitchedOffHoldsResumeReplansStopWhileHeldEnds)
{
    // The unit starts switched off, as the simulated unit does by default: the program's
    // first frames switch internal control on. (A frame handed over at a tick goes out in
    // the poll cycle of the next tick.)
    Start(support::UnitState{});
    Segment("Ramp", 600, 40.0, 0);
    ASSERT_TRUE(run.RequestStart(program, settings));
    while (!run.ProgramRunning) Tick();
    Tick(4);
    ASSERT_TRUE(AwaitCycle(session));
    EXPECT_EQ(line.First().State().controlMode, 'I');
    EXPECT_EQ(SetpointFrames().back().substr(0, 1), "*");

    // Someone switches it off at the unit: the program is held, with one notice.
    const AnsiString notice =
        "Temperierung am Gerät nicht aktiv! Temperierprogramm wird angehalten.\n\n"
        "Temperierprogramm \"P\", " +
        session.ChannelName();
    line.First().Update([](support::UnitState& s) { s.controlMode = 'O'; });
    Tick(3);
    EXPECT_TRUE(run.SegmentHeld);
    EXPECT_TRUE(run.HeldByUnitOff);
    ASSERT_TRUE(Await([&] { return Shown(notice) > 0; }));
    const int held = run.HeldRemainingSteps;
    Tick(2);
    ASSERT_TRUE(AwaitCycle(session));
    EXPECT_EQ(SetpointFrames().back(), "******");
    EXPECT_EQ(run.HeldRemainingSteps, held);
    EXPECT_EQ(Shown(notice), 1u);

    // Resuming goes on with the plan where the hold left it, later by the time held, and
    // switches the unit's control on again: the step of the tick that found the unit off is
    // due now and goes at once, over the setpoint someone gave the unit meanwhile; the held
    // steps after it follow at their ticks (600 s at 5 s from 20 to 40 °C: 1/6 K a step).
    line.First().Update([](support::UnitState& s) { s.setpoint = 25.0; });
    Tick();
    ASSERT_TRUE(AwaitCycle(session));
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    EXPECT_FALSE(run.SegmentHeld);
    TChartSeries* planned = session.Series(SeriesProgrammer);
    const TDateTime lastRecorded = session.Series(2)->GetxValue(Recorded() - 1);
    int ahead = 0;
    for (int i = 0; i < planned->Count(); ++i) ahead += planned->GetxValue(i) > lastRecorded;
    EXPECT_EQ(ahead, held - 1);
    EXPECT_NEAR(planned->GetyValue(planned->Count() - ahead), 40.0 - 20.0 / 120 * (ahead - 1), 1e-9);
    EXPECT_DOUBLE_EQ(planned->GetyValue(planned->Count() - 1), 40.0);
    ASSERT_TRUE(AwaitCommandsOut(session));
    EXPECT_NEAR(UnitSetpoint(), 40.0 - 20.0 / 120 * ahead, 0.006);
    Tick(3);
    ASSERT_TRUE(AwaitCycle(session));
    EXPECT_EQ(line.First().State().controlMode, 'I');

    // A stop while held ends the run: the "no change" frames, then the run is tidied up.
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_TRUE(run.SegmentHeld);
    support::TestDialogs().QueueAnswer(IDYES);
    run.RequestStop();
    EXPECT_FALSE(run.SegmentHeld);
    run.HoldOrResume();  // nothing to hold after a stop
    EXPECT_FALSE(run.SegmentHeld);
    Tick(3);
    ASSERT_TRUE(AwaitCycle(session));
    EXPECT_FALSE(run.HasRun());
    EXPECT_EQ(SetpointFrames().back(), "******");
    EXPECT_EQ(line.First().State().controlMode, 'I');
    EXPECT_EQ(Shown(notice), 1u);
}

TEST_F(ProgramRunSessionTest, TimedStartFiresInItsWindowSuspendsAndDisarmsWhenLate)
{
    support::UnitState unit;
    unit.controlMode = 'I';
    Start(unit);
    Segment("Ramp", 60, 30.0, 0);
    Tick(5);

    // Armed for T with the recording going on: the tick at T + 10 s starts the program.
    // It was confirmed when it was armed: the start asks nothing (a question would hold an
    // unattended start at a box).
    TDateTime start = Now() + 12.0 / SecsPerDay;
    run.SetCalendar({1, "P.tp", start, 1});
    support::TestDialogs().Clear();
    Tick(2);
    EXPECT_FALSE(run.HasRun());
    EXPECT_EQ(run.Calendar().Armed, 1);
    Tick();
    EXPECT_EQ(run.Calendar().Armed, 0);
    EXPECT_TRUE(run.ProgramRunning);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    support::TestDialogs().QueueAnswer(IDYES);
    run.RequestStop();
    Tick(2);
    ASSERT_FALSE(run.HasRun());

    // With "suspend", nothing is recorded until T; then the part so far is written and a
    // new part begins.
    const int points = Recorded();
    start = Now() + 12.0 / SecsPerDay;
    run.SetCalendar({1, "P.tp", start, 0});
    support::TestDialogs().Clear();
    Tick(2);
    EXPECT_EQ(Recorded(), points);
    Tick();
    ASSERT_TRUE(Await([&] { return session.PartNumber() == 2; }));
    EXPECT_EQ(run.Calendar().RecordingActive, 1);
    EXPECT_TRUE(run.HasRun());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    EXPECT_LT(Recorded(), points);
    support::TestDialogs().QueueAnswer(IDYES);
    run.RequestStop();
    Tick(2);

    // A timed start whose window passed without a tick is dropped, with a line and a notice
    // that name the channel, the program and the start.
    const auto dropped = [&](TDateTime due, const char* why) {
        return "Der Kalenderstart von " + session.ChannelName() + " (Temperierprogramm \"P.tp\", Start " +
               DateToStr(due) + " " + TimeToStr(due) + ") wurde nicht ausgeführt: " + why;
    };
    start = Now() + 1.0 / SecsPerDay;
    run.SetCalendar({1, Path("P.tp"), start, 0});
    support::TestDialogs().Clear();
    ASSERT_TRUE(AwaitCycle(session));
    clock.AdvanceMs(302 * 1000);
    run.Tick();
    EXPECT_EQ(run.Calendar().Armed, 0);
    EXPECT_EQ(run.Calendar().RecordingActive, 1);
    EXPECT_FALSE(run.HasRun());
    const AnsiString noTick = dropped(start, "zur Startzeit lief kein Takt.");
    EXPECT_NE(session.Memo(TSessionMemo::Protocol).back().find(noTick), AnsiString::npos);
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() > 0; }));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, noTick);

    // The ticks come on time, but the clock is set forward an hour past the start: that is
    // the reason given, in the event protocol as well, where the clock's step is told too.
    start = Now() + 60.0 / SecsPerDay;
    run.SetCalendar({1, Path("P.tp"), start, 1});
    support::TestDialogs().Clear();
    Tick();
    clock.Set(Now() + 1.0 / 24);
    Tick();
    EXPECT_EQ(run.Calendar().Armed, 0);
    EXPECT_FALSE(run.HasRun());
    const AnsiString stepped = dropped(start, "die Uhr des Computers wurde über die Startzeit hinaus vorgestellt.");
    EXPECT_NE(session.Memo(TSessionMemo::Protocol).back().find(stepped), AnsiString::npos);
    const auto events = session.Memo(TSessionMemo::SerialData);
    ASSERT_GE(events.size(), 2u);
    const AnsiString lastTwo = events[events.size() - 2] + "\n" + events.back();
    EXPECT_NE(lastTwo.find(stepped), AnsiString::npos) << lastTwo;
    EXPECT_NE(lastTwo.find("Die Uhr des Computers wurde um 3600,0 s vorgestellt"), AnsiString::npos) << lastTwo;
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() > 0; }));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, stepped);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);

    // Armed with "suspend" while a program runs: the recording, which times the run, goes on.
    ASSERT_TRUE(run.RequestStart(program, settings));
    while (!run.ProgramRunning) Tick();
    run.SetCalendar({1, "P.tp", Now() + 1.0, 0});
    const int running = Recorded();
    Tick(2);
    EXPECT_EQ(Recorded(), running + 2);
}

TEST_F(ProgramRunSessionTest, RefusedStartsChangeNothing)
{
    Start(support::UnitState{});
    // No segments; then a start temperature that is no number; then a setpoint no signed
    // unit can take: each is refused with its message, and nothing is locked.
    EXPECT_FALSE(run.RequestStart(program, settings));
    Segment("Hot", 60, 400.0, 0);
    EXPECT_FALSE(run.RequestStart(program, {"abc", 0, 0}));
    EXPECT_FALSE(run.RequestStart(program, settings));
    const auto shown = support::TestDialogs().Messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Dieses Temperierprogramm enthält keine Segmente!");
    EXPECT_EQ(shown[1].text, "Fehler in der Eingabemaske!");
    EXPECT_EQ(shown[2].text, "Wertebereich überschritten!");
    EXPECT_FALSE(run.HasRun());

    // A stop confirmed while the start waits for its points cancels the start.
    programmer.SetSegmentValues(program->Item(0), 60, 0, 0, 2, -1, 30.0);
    ASSERT_TRUE(run.RequestStart(program, settings));
    support::TestDialogs().QueueAnswer(IDYES);
    run.RequestStop();
    EXPECT_FALSE(run.HasRun());
    Tick(6);
    EXPECT_FALSE(run.ProgramRunning);
    for (const AnsiString& body : SetpointFrames()) EXPECT_EQ(body, "******");

    // A start after a run that ended by itself asks again, naming program and channel;
    // "no" sends the unit nothing.
    programmer.SetSegmentValues(program->Item(0), 10, 0, 0, 2, -1, 30.0);
    support::TestDialogs().QueueAnswer(IDYES);
    ASSERT_TRUE(run.RequestStart(program, settings));
    for (int i = 0; i < 20 && run.HasRun(); ++i) Tick();
    ASSERT_FALSE(run.HasRun());
    EXPECT_NE(session.Memo(TSessionMemo::Protocol).back().find("P wurde beendet."), AnsiString::npos);
    // The end's frames (the last step once more, then "off") have gone out.
    ASSERT_TRUE(AwaitCommandsOut(session));
    const std::size_t frames = line.FrameCount();
    support::TestDialogs().QueueAnswer(IDNO);
    EXPECT_FALSE(run.RequestStart(program, settings));
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Wollen Sie das Temperierprogramm \"P\" starten?\n\nKanal 1 (SIMULATOR UNIT 200)");
    EXPECT_FALSE(run.HasRun());
    Tick(3);
    ASSERT_TRUE(AwaitCycle(session));
    for (const AnsiString& body : SetpointFramesFrom(frames)) EXPECT_EQ(body, "******");

    // A program's command that cannot go because the link is lost is named in the
    // protocol; the run goes on and gives it again when the unit is back.
    Segment("Second", 60, 40.0, 0);
    support::TestDialogs().QueueAnswer(IDYES);
    ASSERT_TRUE(run.RequestStart(program, settings));
    Tick();
    ASSERT_TRUE(AwaitCycle(session));
    line.StopListening();
    clock.AdvanceMs(5000);
    run.Tick();
    ASSERT_TRUE(Await([&] { return session.ChannelObject()->LinkLost(); }));
    support::TestDialogs().QueueAnswer(IDYES);
    run.CancelSegment();
    EXPECT_TRUE(run.ProgramRunning);
    EXPECT_EQ(programmer.GetCurrentSegmentName(), "Second");
    const AnsiString named = session.Memo(TSessionMemo::SerialData).back();
    EXPECT_NE(named.find(" Nicht gesendet, die Verbindung zum Gerät ist unterbrochen:"), AnsiString::npos) << named;
    EXPECT_NE(named.find(" 30,83 °C"), AnsiString::npos) << named;
}

TEST_F(ProgramRunSessionTest, HoldCancelAndStopReachTheUnitAtOnceAt30And60Seconds)
{
    // A ramp of 300 s from 20 to 30 °C, then one to 50 °C; each scenario starts the run,
    // lets `moment` ticks go by and answers a hold, a cancel or a stop between two ticks.
    // The unit must show the effect before the next tick, and after a hold or a stop no
    // frame of the run may move its setpoint again.
    StartControllingWithHeldReplies();
    Segment("Ramp", 300, 30.0, 0);
    Segment("Next", 300, 50.0, 0);
    settings.EndAction = 1;
    // The poll thread begins the cycle a tick asks for while the tick is still running: a
    // frame the tick gave after its request would miss the cycle.
    session.OnTicked = [&] {
        const std::size_t frames = line.FrameCount();
        EXPECT_TRUE(line.WaitForFrames(frames + 1, kWaitMs));
    };
    const AnsiString question = "Wollen Sie das Temperierprogramm \"P\" starten?\n\nKanal 1 (SIMULATOR UNIT 200)";
    for (const int interval : {30, 60}) {
        session.SetSamplingInterval(interval);
        while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
        const int steps = 300 / interval;
        const double rise = 10.0 / steps, next = 30.0 + 20.0 / steps;
        for (const char action : {'h', 'c', 's'}) {
            for (const int moment : {1, steps / 2, steps - 1}) {
                SCOPED_TRACE(std::to_string(interval) + " s, " + action + " after tick " + std::to_string(moment));
                // The start asks, naming program and channel; on "yes" the run begins now and
                // its first step reaches the unit before the next tick.
                support::TestDialogs().Clear();
                support::TestDialogs().QueueAnswer(IDYES);
                ASSERT_TRUE(run.RequestStart(program, settings));
                EXPECT_EQ(support::TestDialogs().LastMessage().text, question);
                ASSERT_TRUE(run.ProgramRunning);
                EXPECT_TRUE(Await([&] { return std::abs(UnitSetpoint() - (20.0 + rise)) < 0.005; }));
                // Every tick's step goes in that tick's own cycle: the first setpoint frame the
                // unit gets after the tick is the tick's, also behind the limits query that the
                // first tick after a start sends, and the unit is at that step before the next tick.
                for (int k = 1; k <= moment; ++k) {
                    Tick();
                    const double step = 20.0 + rise * k;
                    ASSERT_TRUE(Await([&] { return !SetpointFramesFrom(ticked).empty(); })) << "tick " << k;
                    EXPECT_NEAR(Hundredths(SetpointFramesFrom(ticked).front()), step, 0.005) << "tick " << k;
                    EXPECT_TRUE(Await([&] { return std::abs(UnitSetpoint() - step) < 0.005; }))
                        << "tick " << k << ": " << UnitSetpoint();
                }
                ASSERT_TRUE(AwaitCycle(session));
                const double reached = UnitSetpoint();
                const std::size_t answered = line.FrameCount();
                support::TestDialogs().QueueAnswer(IDYES);
                if (action == 'h')
                    run.HoldOrResume();
                else if (action == 'c')
                    run.CancelSegment();
                else
                    run.RequestStop();
                const AnsiString asked = support::TestDialogs().LastMessage().text;
                EXPECT_EQ(asked.substr(asked.find('\n')), "\n\nKanal 1 (SIMULATOR UNIT 200)") << asked;
                if (action == 'c') {
                    // The next segment's ramp, before the next tick.
                    EXPECT_TRUE(Await([&] { return UnitSetpoint() >= next - 0.005; })) << UnitSetpoint();
                }
                Tick(2);
                ASSERT_TRUE(AwaitCycle(session));
                const auto after = SetpointFramesFrom(answered);
                ASSERT_FALSE(after.empty());
                for (const AnsiString& body : after) {
                    if (action == 'c') {
                        EXPECT_TRUE(body.substr(2) == "****" || Hundredths(body) >= next - 0.005) << body;
                    } else {
                        EXPECT_EQ(body, "******");
                    }
                }
                if (action != 'c') {
                    EXPECT_DOUBLE_EQ(UnitSetpoint(), reached);
                }
                if (run.CanStop()) {
                    support::TestDialogs().QueueAnswer(IDYES);
                    run.RequestStop();
                }
                Tick(2);
                ASSERT_FALSE(run.HasRun());
            }
        }
    }

    // A stop answered before the first tick after the start: the limits query that tick
    // would ask goes no more, nor anything else of the run.
    {
        const AnsiString query = CTolvarProtocol::BuildCommandFrame("L0F********", 1);
        const std::size_t queries = Count(query);
        support::TestDialogs().QueueAnswer(IDYES);
        ASSERT_TRUE(run.RequestStart(program, settings));
        ASSERT_TRUE(run.ProgramRunning);
        ASSERT_TRUE(AwaitCommandsOut(session));
        const std::size_t stopped = line.FrameCount();
        support::TestDialogs().QueueAnswer(IDYES);
        run.RequestStop();
        Tick(2);
        ASSERT_TRUE(AwaitCommandsOut(session));
        EXPECT_EQ(Count(query), queries);
        for (const AnsiString& body : SetpointFramesFrom(stopped)) EXPECT_EQ(body, "******");
        ASSERT_FALSE(run.HasRun());
    }

    // A tick that comes while a cycle is under way (the poll thread asked for it itself, the
    // tick being late), and a setpoint the user gives before that cycle ends: the user's
    // setpoint goes, and the tick's step follows it at once instead of being lost.
    {
        support::TestDialogs().QueueAnswer(IDYES);
        ASSERT_TRUE(run.RequestStart(program, settings));
        Tick(2);
        ASSERT_TRUE(AwaitCommandsOut(session));
        const double step = UnitSetpoint() + 2.0;
        line.First().InjectFault(support::UnitFault::LateReply, 1, 250);
        const std::size_t before = line.FrameCount();
        clock.AdvanceMs(61 * 1000);
        ASSERT_TRUE(Await([&] { return line.HoldsReply(); }));
        // The tick's cycle can only begin once the held reply has gone.
        auto onTicked = std::exchange(session.OnTicked, nullptr);
        run.Tick();
        session.OnTicked = std::move(onTicked);
        const AnsiString setpoint = CTolvarProtocol::BuildCommandFrame("G0D**0FA0", 1);
        ASSERT_EQ(
            session.QueueDeviceCommand(setpoint, 24, CTolvarProtocol::BuildCommandFrame("C14*************", 1), true),
            DeviceCommandQueue::TResult::Taken);
        deviceClock.AdvanceMs(250);
        EXPECT_TRUE(Await([&] { return std::abs(UnitSetpoint() - step) < 0.005 && Count(setpoint) > 0; }))
            << UnitSetpoint();
        const auto after = SetpointFramesFrom(before);
        ASSERT_FALSE(after.empty());
        EXPECT_NEAR(Hundredths(after.back()), step, 0.005);
        support::TestDialogs().QueueAnswer(IDYES);
        run.RequestStop();
        Tick(2);
        ASSERT_FALSE(run.HasRun());
    }

    // A cancel, and a hold at once after it, while the poll thread waits for a late reply:
    // the cancel's frame was handed to the poll thread but had not gone, and never goes.
    support::TestDialogs().QueueAnswer(IDYES);
    ASSERT_TRUE(run.RequestStart(program, settings));
    Tick(2);
    ASSERT_TRUE(AwaitCycle(session));
    const double reached = UnitSetpoint();
    const std::size_t before = line.FrameCount();
    line.First().InjectFault(support::UnitFault::LateReply, 1, 250);
    clock.AdvanceMs(60 * 1000);
    run.Tick();
    ASSERT_TRUE(Await([&] { return line.HoldsReply(); }));
    support::TestDialogs().QueueAnswer(IDYES);
    run.CancelSegment();
    ASSERT_EQ(programmer.GetCurrentSegmentName(), "Next");
    support::TestDialogs().QueueAnswer(IDYES);
    run.HoldOrResume();
    ASSERT_TRUE(run.SegmentHeld);
    deviceClock.AdvanceMs(250);
    Tick(2);
    ASSERT_TRUE(AwaitCycle(session));
    // The tick's own step may have gone before the hold; the next segment's never.
    EXPECT_LE(UnitSetpoint(), reached + 2.0 + 0.005);
    for (const AnsiString& body : SetpointFramesFrom(before))
        EXPECT_TRUE(body.substr(2) == "****" || Hundredths(body) <= 30.0) << body;
}

TEST_F(ProgramRunSessionTest, AHoldAtAnyMomentKeepsTheRampsPaceAt5Seconds)
{
    HoldsKeepThePace(5);
}

TEST_F(ProgramRunSessionTest, AHoldAtAnyMomentKeepsTheRampsPaceAt30Seconds)
{
    HoldsKeepThePace(30);
}

TEST_F(ProgramRunSessionTest, AHoldAtAnyMomentKeepsTheRampsPaceAt60Seconds)
{
    HoldsKeepThePace(60);
}

// A hold or a stop while a user's command is under way: the run's frames that wait behind
// that command (a cancel's first step of the next segment) leave the queue and never reach
// the unit; the user's command goes.
TEST_F(ProgramRunSessionTest, AHoldOrStopBehindAUsersCommandDropsTheRunsWaitingFrames)
{
    StartControllingWithHeldReplies();
    session.SetSamplingInterval(30);
    Segment("Ramp", 300, 30.0, 0);
    Segment("Next", 300, 50.0, 0);
    settings.EndAction = 1;
    while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
    const AnsiString user = CTolvarProtocol::BuildCommandFrame("G0D**0A8C", 1);  // 27,00 °C
    const AnsiString outputs = CTolvarProtocol::BuildCommandFrame("C14*************", 1);
    for (const char action : {'h', 's'}) {
        SCOPED_TRACE(action == 'h' ? "hold" : "stop");
        support::TestDialogs().QueueAnswer(IDYES);
        ASSERT_TRUE(run.RequestStart(program, settings));
        Tick(2);
        ASSERT_TRUE(AwaitCommandsOut(session));
        ASSERT_LT(UnitSetpoint(), 27.0);
        // The unit holds its reply to the user's setpoint: the command is under way.
        line.First().InjectFault(support::UnitFault::LateReply, 1, 250);
        ASSERT_EQ(session.QueueDeviceCommand(user, 24, outputs, true), DeviceCommandQueue::TResult::Taken);
        ASSERT_TRUE(Await([&] { return line.HoldsReply(); }));
        const std::size_t before = line.FrameCount();
        support::TestDialogs().QueueAnswer(IDYES);
        run.CancelSegment();
        ASSERT_EQ(programmer.GetCurrentSegmentName(), "Next");
        ASSERT_TRUE(session.HasWaitingProgramCommands());
        support::TestDialogs().QueueAnswer(IDYES);
        if (action == 'h')
            run.HoldOrResume();
        else
            run.RequestStop();
        ASSERT_TRUE(action == 'h' ? run.SegmentHeld != 0 : !run.HasRun());
        deviceClock.AdvanceMs(250);
        Tick(2);
        ASSERT_TRUE(AwaitCommandsOut(session));
        EXPECT_GT(Count(user), 0u);
        EXPECT_NEAR(UnitSetpoint(), 27.0, 0.005);
        for (const AnsiString& body : SetpointFramesFrom(before))
            EXPECT_TRUE(body.substr(2) == "****" || Hundredths(body) <= 30.0) << body;
        if (run.CanStop()) {
            support::TestDialogs().QueueAnswer(IDYES);
            run.RequestStop();
        }
        Tick();
        ASSERT_FALSE(run.HasRun());
    }
}

// The start's question is open while the ticks and the other controls go on. A run started
// meanwhile (from another control, its own question answered) is the only one: the "yes" to
// the first question starts nothing more. A run started and stopped meanwhile leaves none
// going: that "yes" starts the program then, once.
TEST_F(ProgramRunSessionTest, AStartAnsweredAfterAnotherRunBeganMeanwhileStartsNoSecondRun)
{
    StartControllingWithHeldReplies();
    Segment("Ramp", 60, 30.0, 0);
    while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "started and stopped meanwhile" : "started meanwhile");
        const std::uint32_t serial = run.RunSerial();
        const std::size_t started = ProtocolLines(" wurde gestartet.");
        support::TestDialogs().WhileShown = [&](const support::ShownMessage&) {
            Tick();
            support::TestDialogs().QueueAnswer(IDYES);
            EXPECT_TRUE(run.RequestStart(program, settings));
            Tick();
            if (stopped) {
                support::TestDialogs().QueueAnswer(IDYES);
                run.RequestStop();
                EXPECT_FALSE(run.HasRun());
            }
        };
        support::TestDialogs().QueueAnswer(IDYES);
        EXPECT_EQ(run.RequestStart(program, settings), stopped);
        EXPECT_TRUE(run.ProgramRunning);
        EXPECT_EQ(run.RunSerial(), serial + (stopped ? 2 : 1));
        EXPECT_EQ(ProtocolLines(" wurde gestartet."), started + (stopped ? 2 : 1));
        support::TestDialogs().QueueAnswer(IDYES);
        run.RequestStop();
        Tick();
        ASSERT_FALSE(run.HasRun());
    }
}

TEST_F(ProgramRunSessionTest, HoldSequencesKeepThePlanMovedByTheTimeHeldAt5Seconds)
{
    HoldSequences(5);
}

TEST_F(ProgramRunSessionTest, HoldSequencesKeepThePlanMovedByTheTimeHeldAt30Seconds)
{
    HoldSequences(30);
}

TEST_F(ProgramRunSessionTest, HoldSequencesKeepThePlanMovedByTheTimeHeldAt60Seconds)
{
    HoldSequences(60);
}

TEST_F(ProgramRunSessionTest, TheEndActionGoesInTheTickThePlanEndsAt5Seconds)
{
    EndActionInItsTick(5);
}

TEST_F(ProgramRunSessionTest, TheEndActionGoesInTheTickThePlanEndsAt30Seconds)
{
    EndActionInItsTick(30);
}

// At 1 s a tick that comes late by more than half an interval (the user-interface thread was
// held) near the end of the last ramp: the program still ends with its target at the unit,
// with the end action "off" as with "continue", wherever the late tick falls.
TEST_F(ProgramRunSessionTest, ALateTickNearTheEndLeavesTheUnitAtTheTarget)
{
    ShortPollSteps();
    StartControllingWithHeldReplies();
    session.SetSamplingInterval(1);
    constexpr int Steps = 12;
    Segment("Ramp", Steps, 28.0, 0);
    const AnsiString off = CTolvarProtocol::BuildCommandFrame("G0DO*****", 1);
    while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
    for (const int endAction : {0, 1}) {
        for (int late = Steps - 3; late <= Steps + 1; ++late) {
            SCOPED_TRACE("end action " + std::to_string(endAction) + ", tick " + std::to_string(late) + " late");
            line.First().Update([](support::UnitState& s) {
                s.controlMode = 'I';
                s.setpoint = 25.0;
            });
            Tick();
            ASSERT_TRUE(AwaitCommandsOut(session));
            const std::size_t offs = Count(off);
            settings = {"25", 0, endAction};
            support::TestDialogs().QueueAnswer(IDYES);
            ASSERT_TRUE(run.RequestStart(program, settings));
            // The late tick comes 600 ms after its time, the next one on time again.
            for (int tick = 1; tick < 30 && run.HasRun(); ++tick) {
                ASSERT_TRUE(AwaitCommandsOut(session));
                clock.AdvanceMs(tick == late ? 1600 : tick == late + 1 ? 400 : 1000);
                run.Tick();
            }
            ASSERT_FALSE(run.HasRun());
            ASSERT_TRUE(AwaitCommandsOut(session));
            EXPECT_NEAR(UnitSetpoint(), 28.0, 0.005);
            EXPECT_EQ(Count(off), offs + (endAction == 0 ? 1 : 0));
        }
    }
}

// The process stopped for 10 s during a ramp of 17.5 K/min at 1 s: the ramp goes on by the
// clock, so the unit gets the step due then at once, and the programmer protocol names that
// jump. The ticks before and after it leave nothing out and say nothing.
TEST_F(ProgramRunSessionTest, AStepsJumpAfterTheProcessStoodStillIsNamedInTheProtocol)
{
    ShortPollSteps();
    StartControllingWithHeldReplies();
    session.SetSamplingInterval(1);
    Segment("Rampe", 60, 42.5, 0);
    settings = {"25", 0, 1};
    while (Recorded() < CProgramRun::PointsBeforeStart) Tick();
    support::TestDialogs().QueueAnswer(IDYES);
    ASSERT_TRUE(run.RequestStart(program, settings));
    Tick(5);
    EXPECT_EQ(ProtocolLines(" springt von "), 0u);
    // No tick for 10 s: the tick after it picks the step after the one before, the next one
    // the step due by the clock.
    ASSERT_TRUE(AwaitCommandsOut(session));
    clock.AdvanceMs(10000);
    Tick();
    ASSERT_TRUE(AwaitCommandsOut(session));
    const double from = UnitSetpoint();
    Tick();
    ASSERT_TRUE(AwaitCommandsOut(session));
    const double to = UnitSetpoint();
    EXPECT_NEAR(to - from, 17.5 / 60 * 11, 0.011);
    ASSERT_EQ(ProtocolLines(" springt von "), 1u);
    const AnsiString named = session.Memo(TSessionMemo::Protocol).back();
    EXPECT_NE(named.find(" Das Segment \"Rampe\" hält sich an seine Zeiten: 11 s lang ging kein Schritt an das Gerät, "
                         "sein Sollwert springt von " +
                         FormatFloat("0.00", from) + " °C auf " + FormatFloat("0.00", to) + " °C."),
              AnsiString::npos)
        << named;
    Tick(3);
    EXPECT_EQ(ProtocolLines(" springt von "), 1u);
}
