// A benchmark's verdict on the tail of its runs (the longest tick) says "met" or "MISSED" only
// where another run on the same machine would say the same: never by the luck of one run.
#include "BenchVerdict.h"

#include <gtest/gtest.h>

namespace {

using benchverdict::JudgeTail;

constexpr double kGoal = 20.0, kSpread = 1.5;

// The longest ticks the issue saw: 14.4-15.9 ms in six runs and 24.1 ms in one, on one machine.
// Neither lies 1.5x clear of 20 ms; repetitions clear of it below or above are judged.
TEST(BenchVerdict, ALongestTickIsJudgedOnlyWhenEveryRepetitionIsClearOfTheGoal)
{
    EXPECT_FALSE(JudgeTail({14.4, 15.9, 15.1}, kGoal, kSpread).Met);
    EXPECT_FALSE(JudgeTail({24.1, 22.0, 23.5}, kGoal, kSpread).Met);
    // One repetition close to the goal keeps the others' verdict from being drawn.
    EXPECT_FALSE(JudgeTail({10.0, 11.0, 14.0}, kGoal, kSpread).Met);
    EXPECT_FALSE(JudgeTail({32.0, 34.0, 29.0}, kGoal, kSpread).Met);
    EXPECT_EQ(JudgeTail({9.8, 11.2, 12.9}, kGoal, kSpread).Met, std::optional<bool>(true));
    EXPECT_EQ(JudgeTail({31.0, 33.0, 35.0}, kGoal, kSpread).Met, std::optional<bool>(false));
    const benchverdict::TailVerdict close = JudgeTail({14.4, 15.9, 15.1}, kGoal, kSpread);
    EXPECT_NE(close.Why.find("within 1.5x of the 20 ms goal"), std::string::npos) << close.Why;
    // Too few repetitions, or repetitions further apart than runs differ, judge nothing.
    EXPECT_FALSE(JudgeTail({5.0, 5.0}, kGoal, kSpread).Met);
    EXPECT_NE(JudgeTail({5.0, 5.0}, kGoal, kSpread).Why.find("a verdict needs 3"), std::string::npos);
    EXPECT_FALSE(JudgeTail({}, kGoal, kSpread).Met);
    EXPECT_FALSE(JudgeTail({4.0, 5.0, 12.0}, kGoal, kSpread).Met);
    EXPECT_NE(JudgeTail({4.0, 5.0, 12.0}, kGoal, kSpread).Why.find("3.00x apart"), std::string::npos);
}

// Two runs whose figures lie within the spread of each other (the same program on the same
// machine under another load) never get opposite verdicts, wherever they lie against the goal.
TEST(BenchVerdict, RunsWithinTheSpreadOfEachOtherNeverGetOppositeVerdicts)
{
    for (int tenths = 20; tenths <= 500; ++tenths) {
        const double base = tenths / 10.0;
        const std::vector<double> run{base, base * 1.05, base * 1.1};
        const std::optional<bool> verdict = JudgeTail(run, kGoal, kSpread).Met;
        for (const double factor : {1.0 / kSpread, 1.0 / 1.2, 1.2, kSpread}) {
            std::vector<double> other = run;
            for (double& v : other) v *= factor;
            const std::optional<bool> again = JudgeTail(other, kGoal, kSpread).Met;
            if (!verdict) continue;
            if (again) {
                EXPECT_EQ(*verdict, *again) << base << " ms, another run " << factor << "x";
            }
            // A verdict drawn holds for the other run's figures too.
            for (const double v : other) {
                EXPECT_EQ(*verdict, v <= kGoal) << base << " ms, another run " << factor << "x";
            }
        }
    }
}

}  // namespace
