#pragma once
// Holds and resumes of a running program at given moments, on a clock the test moves: the
// ticks come every interval, a hold or resume at its moment between them. After every tick,
// hold and resume the unit's setpoint is compared with the plan of the same run without
// holds, timed from the start and moved later by the time held so far; the segment changes
// and the end come at the planned times plus the time held, within one interval after them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/DateTime.h"

namespace holdtimeline {

struct TSegment {
    AnsiString name;
    int duration;  // seconds
    double setpoint;
};

// Moments in sampling intervals: the start after the last tick, then hold, resume, hold, ...
// after the start.
struct TScenario {
    const char* name;
    double startAfter;
    std::vector<double> toggles;
    // The run follows one that was stopped.
    bool afterStoppedRun = false;
};

// The setpoint a run without holds gives the unit at each time, in ms after the last tick
// before its start: its first step at the start, each next step one interval after the one
// before, each segment as long as its duration from the start on (not from the first tick
// after it), and the last setpoint after its end.
class TPlan {
public:
    TPlan(int interval, double start, std::vector<TSegment> segments, double startMs)
        : FIntervalMs(interval * 1000.0), FStart(start), FStartMs(startMs), FSegments(std::move(segments))
    {
        for (const TSegment& s : FSegments)
            FSteps.push_back(std::max(1, (s.duration > 0 ? s.duration : 3 * interval) / interval));
    }
    double At(double ms) const
    {
        if (ms < FStartMs) return FStart;
        int tick = int(std::floor((ms - FStartMs) / FIntervalMs + 1e-9)) + 1;
        double from = FStart;
        for (std::size_t s = 0; s < FSegments.size(); ++s) {
            const int n = FSteps[s];
            const double target = FSegments[s].setpoint;
            if (tick <= n) return tick >= n ? target : from + (target - from) / n * tick;
            tick -= n;
            from = target;
        }
        return from;
    }
    // The extremes of the plan from `a` to `b` ms.
    std::pair<double, double> Range(double a, double b) const
    {
        double lo = std::min(At(a), At(b)), hi = std::max(At(a), At(b));
        for (double g = FStartMs + std::ceil((a - FStartMs) / FIntervalMs) * FIntervalMs; g <= b; g += FIntervalMs) {
            lo = std::min(lo, At(g));
            hi = std::max(hi, At(g));
        }
        return {lo, hi};
    }
    // The time at which segment `s` begins (the end for s = the segment count), in ms.
    double BeginMs(std::size_t s) const
    {
        int steps = 0;
        for (std::size_t k = 0; k < s; ++k) steps += FSteps[k];
        return FStartMs + steps * FIntervalMs;
    }
    const std::vector<TSegment>& Segments() const { return FSegments; }

private:
    double FIntervalMs, FStart, FStartMs;
    std::vector<TSegment> FSegments;
    std::vector<int> FSteps;
};

struct THooks {
    std::function<void()> tick;          // one tick at the clock's time
    std::function<void()> start;         // the run is started (answered yes)
    std::function<void()> holdOrResume;  // answered yes
    std::function<bool()> held;
    // The unit's setpoint once the commands given so far have gone out.
    std::function<double()> unitSetpoint;
    std::function<AnsiString()> segment;
    // The end came (the end action, or the run was let go).
    std::function<bool()> ended;
};

// Runs the scenario from the clock's time, which is the time of the last tick.
inline void Run(platform::ManualClock& clock, int interval, double start, const std::vector<TSegment>& segments,
                const TScenario& scenario, const THooks& hooks)
{
    const double intervalMs = interval * 1000.0;
    double nowMs = 0.0;
    auto advanceTo = [&](double ms) {
        clock.AdvanceMs(std::int64_t(std::llround(ms - nowMs)));
        nowMs = double(std::llround(ms));
    };
    advanceTo(scenario.startAfter * intervalMs);
    const double startMs = nowMs;
    const TPlan plan(interval, start, segments, startMs);
    hooks.start();
    double heldMs = 0.0, heldSince = 0.0;
    std::size_t next = 0, segment = 0;
    double nextTick = intervalMs;
    bool ended = false;
    auto observe = [&](const char* what) {
        const double held = heldMs + (hooks.held() ? nowMs - heldSince : 0.0);
        const double at = nowMs - held;
        // Never ahead of the plan moved by the time held; up to one step behind it, as the
        // steps go at the ticks.
        const auto [lo, hi] = plan.Range(at - intervalMs, at);
        const double unit = hooks.unitSetpoint();
        EXPECT_TRUE(unit >= lo - 0.006 && unit <= hi + 0.006)
            << what << " at " << nowMs / 1000 << " s after the last tick before the start, " << held / 1000
            << " s held: the unit has " << unit << " °C, the plan " << lo << " .. " << hi << " °C";
        // A new segment, or the end, at its planned time plus the time held: the ticks come
        // up to an interval after the start, and the plan moves by whole intervals, yet not
        // more than one interval later in all.
        const AnsiString name = hooks.segment();
        const bool over = hooks.ended();
        while (!ended && (over || (segment + 1 < segments.size() && name == segments[segment + 1].name))) {
            ++segment;
            ended = segment == segments.size() || over;
            const double due = plan.BeginMs(ended ? segments.size() : segment) + held;
            EXPECT_TRUE(nowMs - due >= -1 && nowMs - due <= intervalMs + 1)
                << (ended ? std::string("the end") : "segment " + name) << " came " << (nowMs - due) / 1000
                << " s after its planned time plus the time held";
            if (over) break;
        }
    };
    for (int guard = 0; guard < 200 && !ended; ++guard) {
        const double toggle = next < scenario.toggles.size() ? startMs + scenario.toggles[next] * intervalMs : 1e300;
        if (nextTick <= toggle) {
            advanceTo(nextTick);
            nextTick += intervalMs;
            hooks.tick();
            observe("tick");
        } else {
            advanceTo(toggle);
            const bool holding = !hooks.held();
            hooks.holdOrResume();
            ++next;
            EXPECT_EQ(hooks.held(), holding) << "toggle " << next;
            if (holding)
                heldSince = nowMs;
            else
                heldMs += nowMs - heldSince;
            observe(holding ? "hold" : "resume");
        }
        if (::testing::Test::HasFatalFailure()) return;
    }
    EXPECT_TRUE(ended);
}

// Sequences of holds and resumes, in sampling intervals.
inline std::vector<TScenario> Scenarios()
{
    return {
        // Held before the first tick, resumed, held again right after the resume, resumed,
        // and later two quick pairs.
        {"early hold, hold right after the resume, two quick pairs",
         0.2,
         {0.4, 2.8, 3.08, 5.48, 9.48, 9.78, 10.08, 10.38}},
        // Held before the first tick, resumed half an interval later.
        {"hold before the first tick, resumed after half an interval", 0.07, {0.03, 0.55}},
        // Four quick pairs in a row across a tick.
        {"four quick pairs in a row", 0.5, {1.2, 1.35, 1.5, 1.65, 1.8, 1.95, 2.1, 2.25}},
        // A long hold, then three short ones, the last pair in the later segment.
        {"a long hold, three short ones", 0.9, {6.6, 9.9, 10.2, 10.3, 10.6, 10.7, 11.0, 11.45}},
        // Holds across the end of the first segment.
        {"holds across a segment's end", 0.4, {7.7, 8.1, 8.3, 9.6}},
        // Started well before the next tick and held once for more than an interval: the
        // ticks' lag after the start and the time held do not add up to more than an interval.
        {"a start well before the next tick, one hold of more than an interval", 0.15, {3.3, 4.5}},
        // The first sequence again, in a run that follows a stopped one.
        {"early hold and quick pairs after a stopped run", 0.6, {0.4, 2.8, 3.08, 5.48, 7.48, 7.78, 8.08, 8.38}, true},
    };
}

}  // namespace holdtimeline
