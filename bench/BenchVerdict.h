#pragma once
// What every benchmark's verdict is drawn from: the median of each case's repetitions (its
// one run when it is not repeated) as the console prints them, the cases that ended in an
// error, and whether any case ran at all. A filter that matches none of a program's cases
// measures nothing: no verdict then, and the program fails.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace benchverdict {

// A case's name as the verdicts look it up: "BM_Name" or "Function/Capture".
inline std::string CaseName(const benchmark::BenchmarkReporter::Run& r)
{
    return r.run_name.args.empty() ? r.run_name.function_name : r.run_name.function_name + "/" + r.run_name.args;
}

class MedianReporter : public benchmark::ConsoleReporter {
public:
    struct Figure {
        double time = 0;  // real time per iteration in the case's unit
        double cpu = 0;   // CPU time of the benchmark's thread per iteration, same unit
        std::map<std::string, double> counters;
        bool median = false;
    };

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const std::string name = CaseName(r);
            if (r.error_occurred) {
                failed.insert(name);
                continue;
            }
            if (r.run_type == Run::RT_Iteration) {
                cpuRuns[name].push_back(r.GetAdjustedCPUTime());
                realRuns[name].push_back(r.GetAdjustedRealTime());
            }
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            // A repeated case's median comes after its repetitions and replaces them.
            if (!median && (r.run_type != Run::RT_Iteration || figures[name].median)) continue;
            Figure& f = figures[name];
            f.time = r.GetAdjustedRealTime();
            f.cpu = r.GetAdjustedCPUTime();
            f.median = median;
            f.counters.clear();
            for (const auto& [key, counter] : r.counters) f.counters[key] = counter.value;
        }
    }

    // Whether the case ran to its end: a case that ended in an error measured something else.
    bool Measured(const std::string& name) const
    {
        const auto it = figures.find(name);
        return it != figures.end() && !failed.count(name) && it->second.time > 0;
    }
    double Time(const std::string& name) const { return Measured(name) ? figures.at(name).time : 0.0; }
    double CpuTime(const std::string& name) const { return Measured(name) ? figures.at(name).cpu : 0.0; }
    double Counter(const std::string& name, const std::string& counter) const
    {
        if (!Measured(name)) return 0.0;
        const auto& c = figures.at(name).counters;
        const auto it = c.find(counter);
        return it == c.end() ? 0.0 : it->second;
    }

    // How many repetitions of the case ran, and how much their CPU times vary (their
    // coefficient of variation): on a machine whose cores share caches and units with other
    // work even one thread's CPU time varies, and a verdict from repetitions that disagree is
    // none.
    int Repetitions(const std::string& name) const
    {
        const auto it = cpuRuns.find(name);
        return it == cpuRuns.end() ? 0 : int(it->second.size());
    }
    double Variation(const std::string& name, bool realTime = false) const
    {
        const auto& runs = realTime ? realRuns : cpuRuns;
        const auto it = runs.find(name);
        if (it == runs.end() || it->second.size() < 2) return 0.0;
        double mean = 0, square = 0;
        for (double v : it->second) mean += v;
        mean /= double(it->second.size());
        for (double v : it->second) square += (v - mean) * (v - mean);
        return mean > 0 ? std::sqrt(square / double(it->second.size() - 1)) / mean : 0.0;
    }
    // Why the named cases' CPU-time medians (or, for a case that reports its own time, those
    // times) cannot be judged, empty when they can: too few repetitions to tell a stray one,
    // or repetitions that vary more than `limit`.
    std::string Unjudged(std::initializer_list<std::string> names, double limit = kSoundVariation,
                         bool realTime = false) const
    {
        for (const std::string& n : names) {
            if (Repetitions(n) < kFewestRepetitions) {
                char text[200];
                std::snprintf(text, sizeof text, "not judged: %s ran %d repetition(s), a verdict needs %d", n.c_str(),
                              Repetitions(n), kFewestRepetitions);
                return text;
            }
            if (Variation(n, realTime) > limit) {
                char text[240];
                std::snprintf(text, sizeof text,
                              "not judged: the repetitions of %s vary by %.0f %%, more than %.0f %% "
                              "(the machine's other work slowed them unevenly)",
                              n.c_str(), Variation(n, realTime) * 100, limit * 100);
                return text;
            }
        }
        return {};
    }
    // "met", "MISSED" or why the figure is not judged.
    std::string Verdict(bool met, std::initializer_list<std::string> names, double limit = kSoundVariation,
                        bool realTime = false) const
    {
        const std::string why = Unjudged(names, limit, realTime);
        return !why.empty() ? why : met ? "met" : "MISSED";
    }

    static constexpr int kFewestRepetitions = 3;
    static constexpr double kSoundVariation = 0.10;

    std::map<std::string, Figure> figures;
    std::map<std::string, std::vector<double>> cpuRuns, realRuns;
    std::set<std::string> failed;
};

// The verdict on a goal for a figure measured once per repetition, such as a run's longest
// tick: what every repetition agrees on. `Met` is true when each repetition is at or under the
// goal, false when each is over it, and empty when they lie on both sides of it (or there are
// too few of them to tell a stray one), with `Why` saying so. A figure of one repetition close
// to the goal decides nothing by itself; repetitions all on one side decide, however close.
// `Figures` says what the verdict was drawn from, whatever it is, so that a goal missed is
// named with its figures.
struct TailVerdict {
    std::optional<bool> Met;
    std::string Why;
    std::string Figures;
};

inline std::string RangeAgainstGoal(double low, double high, double goal, const char* unit)
{
    char text[160];
    std::snprintf(text, sizeof text, "%.2f%s to %.2f%s against %.2f%s", low, unit, high, unit, goal, unit);
    return text;
}

inline TailVerdict JudgeSides(double low, double high, double goal, const char* unit)
{
    const std::string figures = RangeAgainstGoal(low, high, goal, unit);
    if (high <= goal) return {true, {}, figures};
    if (low > goal) return {false, {}, figures};
    return {std::nullopt, "the repetitions lie on both sides of the goal (" + figures + ")", figures};
}

inline TailVerdict JudgeTail(const std::vector<double>& repetitions, double goal, const char* unit = " ms",
                             int fewest = MedianReporter::kFewestRepetitions)
{
    if (int(repetitions.size()) < fewest) {
        char text[120];
        std::snprintf(text, sizeof text, "%d repetition(s), a verdict needs %d", int(repetitions.size()), fewest);
        return {std::nullopt, text, {}};
    }
    const auto [low, high] = std::minmax_element(repetitions.begin(), repetitions.end());
    return JudgeSides(*low, *high, goal, unit);
}

// How much of the machine's cores its other work may take while a figure that it lengthens
// is still held against a goal it missed.
inline constexpr double kCalmMachinePct = 25.0;

// The verdict on a goal for a figure the machine's other work makes larger (a tick's CPU
// time: a core shared with other work runs slower, and its caches keep less), measured once
// per repetition beside the share of all cores that other work took meanwhile (negative:
// not known). Met where every repetition is at or under the goal: a calmer machine brings
// none of them over it. Missed only where every repetition is over it while the machine was
// calm (its other work took at most `calmPct` of its cores in each of them): over the goal on
// a busier machine may be that machine's doing, which a second, calmer run would not repeat,
// so it is not judged.
inline TailVerdict JudgeTailOnCalmMachine(const std::vector<double>& repetitions, const std::vector<double>& othersPct,
                                          double goal, const char* unit = " ms", double calmPct = kCalmMachinePct,
                                          int fewest = MedianReporter::kFewestRepetitions)
{
    TailVerdict v = JudgeTail(repetitions, goal, unit, fewest);
    if (v.Met.value_or(true)) return v;
    double busiest = -1;
    bool known = othersPct.size() == repetitions.size();
    for (const double pct : othersPct) {
        known = known && pct >= 0;
        busiest = std::max(busiest, pct);
    }
    char text[200];
    if (!known) {
        std::snprintf(text, sizeof text, "; how busy the machine was is not known");
        v.Figures += text;
        v.Met.reset();
        v.Why = "every repetition is over the goal (" + v.Figures + "), which decides nothing by itself";
    } else {
        std::snprintf(text, sizeof text, "; the machine's other work took up to %.0f %% of its cores", busiest);
        v.Figures += text;
        if (busiest > calmPct) {
            v.Met.reset();
            std::snprintf(text, sizeof text, " (more than %.0f %%: a busy machine lengthens it)", calmPct);
            v.Why = "every repetition is over the goal on a busy machine (" + v.Figures + text + ")";
        }
    }
    return v;
}

// The verdict on a goal for the ratio of two figures measured in repetitions of their own
// (a growth from one stage to a later one): the stages ran one after the other, so any
// repetition of the one may be set against any of the other. Judged when every such ratio
// lies on the same side of the goal.
inline TailVerdict JudgeRatio(const std::vector<double>& over, const std::vector<double>& under, double goal,
                              int fewest = MedianReporter::kFewestRepetitions)
{
    if (int(over.size()) < fewest || int(under.size()) < fewest) {
        char text[120];
        std::snprintf(text, sizeof text, "%d and %d repetition(s), a verdict needs %d", int(over.size()),
                      int(under.size()), fewest);
        return {std::nullopt, text, {}};
    }
    const auto [overLow, overHigh] = std::minmax_element(over.begin(), over.end());
    const auto [underLow, underHigh] = std::minmax_element(under.begin(), under.end());
    if (*underLow <= 0) return {std::nullopt, "a repetition measured nothing", {}};
    return JudgeSides(*overLow / *underHigh, *overHigh / *underLow, goal, "x");
}

// The exit code of a run in which no case ran (scripts/bench tells it from a failure).
inline constexpr int kNoCaseRan = 2;

// The exit code of a run one of whose cases the machine spoilt (held its threads, changed
// its load): its figures judge nothing, and scripts/bench says so instead of counting it.
inline constexpr int kNotSound = 3;

inline int NotSound()
{
    std::printf("\nmeasurement not sound (see above): no verdict\n");
    std::fflush(stdout);
    return kNotSound;
}

// Said when the filter matched none of the cases; the program then returns this.
inline int NoCaseRan()
{
    std::printf("\nno case ran (the filter matches none of this benchmark's cases): nothing measured, no verdict\n");
    std::fflush(stdout);
    return kNoCaseRan;
}

// The arguments with a default number of repetitions (interleaved unless the cases must
// run in their order, so that the machine's moods fall on every case alike) unless the
// caller gave one. The strings live as long as the returned pointers are used.
class Arguments {
public:
    Arguments(int argc, char** argv, int repetitions, bool interleaved = true)
        : FArgs(argv, argv + argc),
          FReps("--benchmark_repetitions=" + std::to_string(repetitions)),
          FInterleave("--benchmark_enable_random_interleaving=true")
    {
        bool given = false;
        for (int i = 1; i < argc; ++i)
            if (std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0) given = true;
        if (!given && repetitions > 1) {
            FArgs.push_back(FReps.data());
            if (interleaved) FArgs.push_back(FInterleave.data());
        }
        Count = int(FArgs.size());
        FArgs.push_back(nullptr);
    }
    int Count = 0;
    char** Values() { return FArgs.data(); }

private:
    std::vector<char*> FArgs;
    std::string FReps, FInterleave;
};

// Takes "--<name>=N" out of the arguments before Qt or the benchmark library sees them:
// N, or `fallback` when it is not given. A check shortens a benchmark's run this way.
inline int TakeCount(int& argc, char** argv, const std::string& name, int fallback)
{
    const std::string prefix = "--" + name + "=";
    int value = fallback, kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]).rfind(prefix, 0) == 0)
            value = std::atoi(argv[i] + prefix.size());
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return value;
}

// Says at once that a measured window begins: a check that stops the process within the
// window waits for this line.
inline void WindowBegins(const std::string& what, int ticks)
{
    std::printf("%s: measuring %d ticks\n", what.c_str(), ticks);
    std::fflush(stdout);
}

// Runs the selected cases with the reporter; false (after saying so) when none ran.
inline bool RunCases(benchmark::BenchmarkReporter* reporter)
{
    const std::size_t ran =
        reporter ? benchmark::RunSpecifiedBenchmarks(reporter) : benchmark::RunSpecifiedBenchmarks();
    return ran > 0;
}

}  // namespace benchverdict

// The main of a benchmark without a verdict of its own: fails when no case ran.
#define NOX_BENCHMARK_MAIN()                                              \
    int main(int argc, char** argv)                                       \
    {                                                                     \
        benchmark::Initialize(&argc, argv);                               \
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1; \
        const bool ran = benchverdict::RunCases(nullptr);                 \
        benchmark::Shutdown();                                            \
        return ran ? 0 : benchverdict::NoCaseRan();                       \
    }                                                                     \
    int main(int, char**)
