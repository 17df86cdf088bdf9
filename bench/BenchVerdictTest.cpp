// A benchmark's verdict on a goal says "met" or "MISSED" where its repetitions agree on which
// side of the goal they are, and "not judged" only where they lie on both sides of it.
#include "BenchVerdict.h"

#include <gtest/gtest.h>

namespace {

using benchverdict::JudgeRatio;
using benchverdict::JudgeTail;
using benchverdict::JudgeTailOnCalmMachine;

constexpr double kGoal = 20.0;

// The longest ticks runs on one machine saw: 14.4-15.9 ms, 24.1 ms, 27-31 ms. Repetitions all
// under the goal meet it and all over it miss it, however close to it they are; only
// repetitions on both sides are not judged.
TEST(BenchVerdict, ALongestTickIsJudgedWhereEveryRepetitionIsOnOneSideOfTheGoal)
{
    EXPECT_EQ(JudgeTail({14.4, 15.9, 15.1}, kGoal).Met, std::optional<bool>(true));
    EXPECT_EQ(JudgeTail({10.0, 11.0, 19.9}, kGoal).Met, std::optional<bool>(true));
    EXPECT_EQ(JudgeTail({20.0, 20.0, 20.0}, kGoal).Met, std::optional<bool>(true));
    EXPECT_EQ(JudgeTail({24.1, 22.0, 23.5}, kGoal).Met, std::optional<bool>(false));
    EXPECT_EQ(JudgeTail({27.0, 31.0, 29.0}, kGoal).Met, std::optional<bool>(false));
    EXPECT_EQ(JudgeTail({20.1, 29.0, 31.0}, kGoal).Met, std::optional<bool>(false));
    const benchverdict::TailVerdict straddle = JudgeTail({15.0, 19.0, 24.1}, kGoal);
    EXPECT_FALSE(straddle.Met);
    EXPECT_NE(straddle.Why.find("both sides of the goal (15.00 ms to 24.10 ms against 20.00 ms)"), std::string::npos)
        << straddle.Why;
    // Too few repetitions judge nothing.
    EXPECT_FALSE(JudgeTail({5.0, 5.0}, kGoal).Met);
    EXPECT_NE(JudgeTail({5.0, 5.0}, kGoal).Why.find("a verdict needs 3"), std::string::npos);
    EXPECT_FALSE(JudgeTail({}, kGoal).Met);
}

// A growth from one stage to a later one: every repetition of the later stage against every
// one of the earlier. Growths of 1.17-1.67x as seen over seven runs: a run whose pairs all
// lie under 1.5x meets it, one whose pairs all lie over misses it, one whose pairs straddle
// it is not judged.
TEST(BenchVerdict, AGrowthIsJudgedWhereEveryPairOfRepetitionsIsOnOneSideOfTheGoal)
{
    EXPECT_EQ(JudgeRatio({11.7, 12.0, 12.4}, {10.0, 9.8, 10.1}, 1.5).Met, std::optional<bool>(true));
    EXPECT_EQ(JudgeRatio({16.7, 16.2, 16.0}, {10.0, 10.4, 10.2}, 1.5).Met, std::optional<bool>(false));
    // The medians' ratio (1.45x) is under the goal, but the slowest 12 h repetition against
    // the fastest 0 h one is over it.
    const benchverdict::TailVerdict straddle = JudgeRatio({14.5, 14.0, 15.6}, {10.0, 10.2, 10.0}, 1.5);
    EXPECT_FALSE(straddle.Met);
    EXPECT_NE(straddle.Why.find("1.37x to 1.56x against 1.50x"), std::string::npos) << straddle.Why;
    EXPECT_FALSE(JudgeRatio({14.0, 14.0, 14.0}, {10.0, 10.0}, 1.5).Met);
    EXPECT_FALSE(JudgeRatio({14.0, 14.0, 14.0}, {10.0, 0.0, 10.0}, 1.5).Met);
}

// Whatever the figures, a verdict drawn holds for every repetition (every pair of them for a
// growth), and a figure is left unjudged only when the repetitions lie on both sides.
TEST(BenchVerdict, AVerdictHoldsForEveryRepetitionAndOnlyAStraddleIsUnjudged)
{
    for (int tenths = 20; tenths <= 500; ++tenths) {
        const double base = tenths / 10.0;
        for (const double step : {1.0, 1.05, 1.3}) {
            const std::vector<double> run{base, base * step, base * step * step};
            const std::optional<bool> verdict = JudgeTail(run, kGoal).Met;
            const bool straddles = run.front() <= kGoal && run.back() > kGoal;
            EXPECT_EQ(verdict.has_value(), !straddles) << base << " ms, step " << step;
            if (verdict) {
                for (const double v : run) EXPECT_EQ(*verdict, v <= kGoal) << base << " ms, step " << step;
            }
            const std::vector<double> zero{10.0, 10.0 * step, 10.0 / step};
            if (const std::optional<bool> growth = JudgeRatio(run, zero, 1.5).Met) {
                for (const double o : run) {
                    for (const double u : zero) EXPECT_EQ(*growth, o / u <= 1.5) << base << " ms, step " << step;
                }
            }
        }
    }
}

// A share or a tick that the machine's other work lengthens, from runs of one build that
// said met, MISSED, MISSED: repetitions all under the goal meet it however busy the machine
// was; all over it miss it only on a calm machine, and the miss names its figures; over it on
// a busy machine (one busy repetition is enough), or with the load not known, is not judged.
TEST(BenchVerdict, AGoalTheMachinesLoadLengthensIsMissedOnlyOnACalmMachine)
{
    EXPECT_EQ(JudgeTailOnCalmMachine({14.4, 15.9, 15.1}, {70, 80, 75}, kGoal).Met, std::optional<bool>(true));
    const benchverdict::TailVerdict busy = JudgeTailOnCalmMachine({27.0, 31.0, 29.0}, {55, 62, 40}, kGoal);
    EXPECT_FALSE(busy.Met);
    EXPECT_NE(busy.Why.find("over the goal on a busy machine (27.00 ms to 31.00 ms against 20.00 ms; the machine's "
                            "other work took up to 62 % of its cores"),
              std::string::npos)
        << busy.Why;
    const benchverdict::TailVerdict calm = JudgeTailOnCalmMachine({24.1, 22.0, 23.5}, {5, 12, 20}, kGoal);
    EXPECT_EQ(calm.Met, std::optional<bool>(false));
    EXPECT_EQ(calm.Figures,
              "22.00 ms to 24.10 ms against 20.00 ms; the machine's other work took up to 20 % of its cores");
    EXPECT_FALSE(JudgeTailOnCalmMachine({24.1, 22.0, 23.5}, {5, 30, 20}, kGoal).Met);
    EXPECT_FALSE(JudgeTailOnCalmMachine({24.1, 22.0, 23.5}, {5, -1, 20}, kGoal).Met);
    EXPECT_FALSE(JudgeTailOnCalmMachine({24.1, 22.0, 23.5}, {}, kGoal).Met);
    EXPECT_FALSE(JudgeTailOnCalmMachine({15.0, 19.0, 24.1}, {0, 0, 0}, kGoal).Met);
    EXPECT_FALSE(JudgeTailOnCalmMachine({24.1, 22.0}, {0, 0}, kGoal).Met);
}

// Two runs of one build whose repetitions cost the same on a calm machine, each slowed by
// its own machine's load (a calm one not at all, a busy one up to twice): whatever the
// figures and the loads, the verdict of one run never contradicts the other's.
TEST(BenchVerdict, ASecondRunOfTheSameBuildNeverContradictsTheFirst)
{
    const std::vector<std::pair<double, double>> loads{{10, 1.0}, {25, 1.0}, {40, 1.2}, {70, 1.6}, {95, 2.0}};
    for (int tenths = 50; tenths <= 400; tenths += 3) {
        const double base = tenths / 10.0;
        for (const double step : {1.0, 1.05, 1.3}) {
            const std::vector<double> calm{base, base * step, base / step};
            std::vector<std::optional<bool>> verdicts;
            for (const auto& [pct, slowdown] : loads) {
                std::vector<double> run;
                for (const double v : calm) run.push_back(v * slowdown);
                verdicts.push_back(JudgeTailOnCalmMachine(run, {pct, pct, pct}, kGoal).Met);
            }
            for (const auto& a : verdicts) {
                for (const auto& b : verdicts) {
                    if (a && b) {
                        EXPECT_EQ(*a, *b) << base << " ms, step " << step;
                    }
                }
            }
        }
    }
}

}  // namespace
