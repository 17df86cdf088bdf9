// Running a program: the setpoint sent on every tick of ramps, waits, holds, cancelled
// segments and repeats, with the channel window played by a fake that keeps the planned and
// recorded setpoint curves and ticks in the window's order. Time comes from a ManualClock.
#include <gtest/gtest.h>

#include <vector>

#include "app/CLanguage.h"
#include "platform/DateTime.h"
#include "platform/TTreeNode.h"
#include "programmer/CProgrammer.h"
#include "programmer/IProgrammerWindow.h"

namespace {

struct FakeWindow : IProgrammerWindow {
    struct Point {
        double x, y;
        TColor colour;
    };
    std::vector<Point> planned, profile;
    std::vector<TDateTime> recorded;
    std::vector<AnsiString> legend, protocol;
    double axisMin = 0, axisMax = 0;
    AnsiString segmentName;
    bool running = false, segmentActive = false;
    int finished = 0;

    int PlannedSetpointCount() const override { return int(planned.size()); }
    TDateTime PlannedSetpointLastX() const override { return planned.back().x; }
    double PlannedSetpointY(int i) const override { return planned.at(size_t(i)).y; }
    void AddPlannedSetpoint(TDateTime x, double y) override { planned.push_back({x, y, clWhite}); }
    TDateTime RecordedSetpointLastX() const override { return recorded.empty() ? 0.0 : recorded.back(); }
    void ClearProfile() override { profile.clear(); }
    void AddProfilePoint(double x, double y, TColor c) override { profile.push_back({x, y, c}); }
    int ProfileCount() const override { return int(profile.size()); }
    double ProfileLastX() const override { return profile.back().x; }
    void SetProfilePointColour(int i, TColor c) override { profile.at(size_t(i)).colour = c; }
    void SetProfileTemperatureRange(double lo, double hi) override { axisMin = lo, axisMax = hi; }
    void ClearProfileLegend() override { legend.clear(); }
    void AddProfileLegendLine(const AnsiString& l) override { legend.push_back(l); }
    void AddProtocolLine(const AnsiString& l) override { protocol.push_back(l); }
    void SetCurrentSegmentName(const AnsiString& n) override { segmentName = n; }
    void SetRampPlotted() override {}
    void SetSegmentActive() override { segmentActive = true; }
    bool IsProgramRunning() const override { return running; }
    void FinishProgram() override { running = false, ++finished; }
};

// One program in slot 0 and the window's side of a run, tick by tick.
struct ProgramRunner {
    platform::ManualClock clock{EncodeDate(2026, 12, 7) + EncodeTime(8, 0, 0, 0)};
    CProgrammer programmer{1};
    TTreeNodes items;
    TTreeNode* program = items.Add(nullptr, "P");
    FakeWindow window;
    int interval = 5;
    double unitSetpoint = 20.0, internal = 0.0, process = 0.0;
    bool held = false, reached = false;
    int remaining = 0, heldRemaining = 0;
    std::vector<double> sent;

    ProgramRunner()
    {
        platform::SetClock(&clock);
        programmer.CreateProgram(0, program, "P");
        programmer.AttachWindow(&window);
    }
    ~ProgramRunner() { platform::SetClock(nullptr); }

    TTreeNode* Segment(const AnsiString& name, int duration, double setpoint, int wait = 0, int mode = 0)
    {
        TTreeNode* node = items.AddChild(program, name);
        programmer.AddSegment(node, name, 0);
        programmer.SetSegmentValues(node, duration, std::uint8_t(wait), std::uint8_t(mode), 2, -1, setpoint);
        return node;
    }
    // The recording part of a tick: the recorded setpoint gets a point; the planned curve
    // too while the programmer plans no ramp.
    void Record()
    {
        window.recorded.push_back(Now());
        if (programmer.GetRampActive() == 0) window.planned.push_back({Now(), unitSetpoint, clWhite});
    }
    void Start(double startTemperature, int repeat = 0)
    {
        for (int i = 0; i < 5; ++i, clock.AdvanceMs(interval * 1000)) Record();
        programmer.SetRampActive(1);  // the start button
        Record();
        remaining = programmer.BeginRun(0, interval, startTemperature, repeat);
        window.running = true;
        window.segmentActive = true;
        sent.push_back(programmer.GetActiveSetpoint(remaining));
    }
    void Tick(int count = 1)
    {
        while (count-- > 0) {
            clock.AdvanceMs(interval * 1000);
            if (window.running) programmer.RunStep(interval, 0, window.planned.back().x, window.recorded.back());
            remaining = CProgrammer::ElapsedSteps(window.planned.back().x, window.recorded.back(), interval);
            if (!held) heldRemaining = remaining;
            Record();
            if (reached) programmer.SetHoldFlag(0), reached = false, window.segmentActive = false;
            if (window.running) sent.push_back(programmer.GetActiveSetpoint(remaining));
            if (programmer.GetRampActive() == 0 && window.running && window.segmentActive)
                reached = programmer.SetpointReached(process, internal, programmer.GetCurrentSetpoint());
        }
    }
    // The planned points behind the last recorded one go: the segment's time is over.
    void Truncate()
    {
        if (window.planned.size() > window.recorded.size()) window.planned.resize(window.recorded.size());
    }
    void Hold() { held = true, window.running = false, programmer.SetRampActive(0), Truncate(); }
    void Resume()
    {
        held = false, window.running = true, programmer.SetRampActive(1);
        programmer.StartRamp(heldRemaining, interval, programmer.GetCurrentSetpoint(), unitSetpoint);
    }
};

using Values = std::vector<double>;

TEST(ProgramRun, RampsUpAndDownSendOneSetpointPerStepAndStopAfterTheLastSegment)
{
    ProgramRunner run;
    run.Segment("Up", 50, 30.0);
    run.Segment("Down", 20, 10.0);
    run.Start(20.0);
    run.Tick(14);
    EXPECT_EQ(run.sent, (Values{21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 25, 20, 15, 10}));
    EXPECT_EQ(run.window.finished, 1);
    EXPECT_EQ(run.programmer.GetRampActive(), 0);
    EXPECT_EQ(run.programmer.GetEndReached(), 1);
    // 5 points before the start, 10 + 4 ramp points, then the unit's setpoint again: one
    // point per interval without a gap or overlap.
    ASSERT_EQ(run.window.planned.size(), 20u);
    for (size_t i = 1; i < 20; ++i)
        EXPECT_NEAR((run.window.planned[i].x - run.window.planned[i - 1].x) * SecsPerDay, 5.0, 1e-3);
    run.Tick(5);
    EXPECT_EQ(run.sent.size(), 14u);
    EXPECT_EQ(run.window.finished, 1);
}

TEST(ProgramRun, ShortZeroAndFlatSegmentsAndExactRampEnds)
{
    ProgramRunner run;
    run.Segment("Zero", 0, 26.0);   // lasts 3 intervals
    run.Segment("Short", 3, 40.0);  // shorter than an interval: still one step
    run.Segment("Flat", 10, 40.0);
    run.Start(20.0);
    EXPECT_EQ(run.programmer.GetRampStepCount(), 3);
    run.Tick(3);
    EXPECT_EQ(run.programmer.GetRampStepCount(), 1);
    run.Tick();
    EXPECT_EQ(run.programmer.GetFlatRamp(), 1);
    run.Tick(5);
    EXPECT_EQ(run.sent, (Values{22, 24, 26, 40, 40, 40}));
    EXPECT_EQ(run.window.finished, 1);

    // 600 s at 7 s: 85 steps, the last exactly on a target that the sum misses by rounding.
    run.programmer.StartRamp(600 / 7, 7, 0.3, 20.0);
    EXPECT_EQ(run.programmer.GetRampStepCount(), 85);
    EXPECT_EQ(run.window.planned.back().y, 0.3);
    EXPECT_GT(run.window.planned[run.window.planned.size() - 2].y, 0.3);
}

TEST(ProgramRun, TemperatureStableSegmentWaitsForItsControlledTemperature)
{
    for (int mode : {0, 1}) {
        ProgramRunner run;
        run.Segment("Heat", 10, 40.0, 1, mode);
        run.Segment("Next", 10, 50.0);
        EXPECT_EQ(run.programmer.GetCurrentModeLetter(), "*");
        run.Start(20.0);
        EXPECT_EQ(run.programmer.GetCurrentModeLetter(), mode ? "E" : "I");
        double& controlled = mode ? run.process : run.internal;
        double& other = mode ? run.internal : run.process;
        other = 40.0;
        controlled = 41.0;  // exactly 1 K off: not reached
        run.Tick(6);
        EXPECT_EQ(run.programmer.GetCurrentSegmentName(), "Heat");
        EXPECT_EQ(run.programmer.GetRampActive(), 0);
        EXPECT_EQ(run.sent.back(), 40.0);
        controlled = 40.99;
        run.Tick(2);
        EXPECT_EQ(run.programmer.GetCurrentSegmentName(), "Heat");
        run.Tick();
        EXPECT_EQ(run.programmer.GetCurrentSegmentName(), "Next");
        EXPECT_EQ(run.sent.back(), 45.0);
    }
}

TEST(ProgramRun, HoldFreezesTheRestAndResumeReplansItFromTheUnitSetpoint)
{
    ProgramRunner run;
    run.Segment("Ramp", 100, 40.0);
    run.Start(20.0);
    run.Tick(9);
    EXPECT_EQ(run.sent.back(), 30.0);
    run.Hold();
    run.unitSetpoint = 25.0;
    run.Tick(4);
    EXPECT_EQ(run.sent.size(), 10u);
    run.Resume();
    run.Tick(10);
    EXPECT_EQ(Values(run.sent.begin() + 10, run.sent.end()),
              (Values{26.5, 28, 29.5, 31, 32.5, 34, 35.5, 37, 38.5, 40}));
    EXPECT_EQ(run.window.finished, 0);
    run.Tick();
    EXPECT_EQ(run.window.finished, 1);
}

TEST(ProgramRun, CancelledSegmentGivesWayToTheNextOnTheFollowingTick)
{
    ProgramRunner run;
    run.Segment("Long", 100, 40.0, 1);
    run.Segment("Cool", 20, 20.0);
    run.Start(20.0);
    run.Tick(3);
    run.Truncate();
    run.reached = true;
    run.Tick(2);
    EXPECT_EQ(run.programmer.GetCurrentSegmentName(), "Cool");
    EXPECT_EQ(run.sent, (Values{21, 22, 23, 24, 40, 35}));
}

TEST(ProgramRun, EndlessRepeatStartsOverFromTheStartTemperature)
{
    ProgramRunner run;
    run.Segment("A", 10, 30.0);
    run.Segment("B", 10, 40.0);
    run.Start(20.0, 1);
    EXPECT_EQ(run.window.profile[1].colour, clYellow);
    run.Tick(2);
    EXPECT_EQ(run.window.profile[2].colour, clYellow);
    run.Tick(6);
    EXPECT_EQ(run.sent, (Values{25, 30, 35, 40, 25, 30, 35, 40, 25}));
    EXPECT_EQ(run.window.finished, 0);
    EXPECT_EQ(run.programmer.GetEndReached(), 1);
    EXPECT_EQ(run.window.profile[2].colour, clBlue);  // redrawn for the new pass
    EXPECT_EQ(run.window.segmentName, "B");
}

TEST(ProgramRun, ProfileAndProtocolOfASegment)
{
    ProgramRunner run;
    run.Segment("Heat up", 600, 80.0, 1, 1);
    run.Segment("Hold", 600, 80.5);
    TTreeNode* cool = run.Segment("Cool", 600, -5.0);
    run.programmer.SetSegmentValues(cool, 600, 0, 0, 1, 35, -5.0);
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
    run.Start(20.0);
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
    ASSERT_EQ(run.window.profile.size(), 4u);
    EXPECT_EQ(run.window.profile[3].x, 4.0);
    EXPECT_EQ(run.window.profile[3].y, -5.0);
    EXPECT_EQ(run.window.legend, (std::vector<AnsiString>{"", "", "1 - Heat up", "2 - Hold", "3 - Cool"}));
    EXPECT_EQ(run.window.axisMin, -7.0);
    EXPECT_EQ(run.window.axisMax, 82.5);
    EXPECT_EQ(run.window.protocol,
              (std::vector<AnsiString>{"07.12.2026 08:00:25 The segment Heat up is executed.",
                                       "  Set analogue value (in %): unchanged", "  Floating contact: unchanged",
                                       "  Temperature control: process", "  Segment type: temperature stable"}));
    run.programmer.currentSegment = cool;
    run.window.protocol.clear();
    run.programmer.WriteSegmentProtocol();
    EXPECT_EQ(run.window.protocol[1], "  Analoge Stellgröße (in %): 35");
    EXPECT_EQ(run.window.protocol[2], "  Potenzialfreier Kontakt: an");
    EXPECT_EQ(run.window.protocol[3], "  Temperierungsmethode: intern");
}

TEST(ProgramRun, OutOfRangeInputsAreHarmless)
{
    CProgrammer programmer(1);
    EXPECT_EQ(programmer.BeginRun(0, 5, 20.0, 0), -1);  // no program
    EXPECT_EQ(CProgrammer::SegmentSteps(0, 0), 3);
    EXPECT_EQ(CProgrammer::ElapsedSteps(1.0, 2.0, 5), 0);
    EXPECT_EQ(CProgrammer::ElapsedSteps(1.0 + 20.0 / SecsPerDay, 1.0, 5), 3);
    EXPECT_FALSE(programmer.SetpointReached(20.0, 20.0, 20.0));  // no current segment
    ProgramRunner run;
    run.Segment("S", 10, 30.0);
    run.Start(20.0);
    EXPECT_EQ(run.programmer.GetActiveSetpoint(1000), run.window.planned.front().y);
    EXPECT_EQ(run.programmer.GetActiveSetpoint(-1), 30.0);
}

}  // namespace

TEST(ProgramRun, ARampIsPlannedFromTheRecordingNotFromMidnightOrAnOldPlan)
{
    ProgramRunner run;
    const TDateTime now = run.clock.Now();
    const double step = 5.0 / 86400;
    // Nothing planned yet, a recorded point at 8:00: the ramp starts there, not at 0:00.
    run.window.recorded.push_back(now);
    run.programmer.StartRamp(4, 5, 30.0, 20.0);
    ASSERT_EQ(run.window.planned.size(), 4u);
    EXPECT_DOUBLE_EQ(run.window.planned.front().x, now);
    EXPECT_DOUBLE_EQ(run.window.planned.back().x, now + 3 * step);

    // A plan that stopped long before the last recorded point: the next ramp goes on from
    // the recording, not from the old plan's end in the past.
    run.window.recorded.push_back(now + 1.0 / 24);
    run.programmer.StartRamp(2, 5, 40.0, 30.0);
    ASSERT_EQ(run.window.planned.size(), 6u);
    EXPECT_DOUBLE_EQ(run.window.planned[4].x, now + 1.0 / 24);
    // A plan ahead of the recording goes on one interval after its last point.
    run.programmer.StartRamp(1, 5, 50.0, 40.0);
    EXPECT_DOUBLE_EQ(run.window.planned.back().x, run.window.planned[5].x + step);
}
