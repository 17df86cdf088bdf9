#pragma once
// The long run's verdict, drawn from the figures taken at the end of each of its hours.
//
// A part of a recording ends after 12 hours and the next one starts empty, so a week is the
// same part over and over: what does not hold flat shows as a part that ends up with more
// than the part before it. The first part holds the program's start and the first time each
// fault happens; from the third part on each hour is judged against the same hour of the
// part before (a part starts a few minutes earlier in the hour than the one before, by the
// whole-program stop inside it, so the hours hold nearly the same points).
//
// Memory is judged on what the program holds beside its points: the bytes in use less the
// room of the series' value lists. The lists grow in steps (all of a part's lists at about
// the same tick) and the shift above puts a step on one side of an hour's end in one part
// and on the other side in the next, several megabytes apart; what a part leaks, or a list
// not given back at a part change, is in the rest.
#include <algorithm>
#include <cstdio>
#include <vector>

namespace longrun {

constexpr int kPartHours = 12;
// Three parts and the next one's first hour.
constexpr int kVerdictHours = 3 * kPartHours + 1;
// How much more a later hour may hold or cost than the same hour of the part before.
constexpr double kMemoryLimit = 1.01;
constexpr double kUiLimit = 1.5;

struct Hour {
    int hour = 0;
    int threads = 0;
    int descriptors = 0;
    long anonKb = 0;
    long inUseKb = -1;  // -1: the allocator cannot tell
    long listKb = 0;    // room of the series' value lists and label entries
    long points = 0;
    double uiMsPerTick = 0;
    // The thread's CPU milliseconds for a fixed job, the mean of its runs through the hour:
    // what the machine's other work made of the thread's time (0: not measured).
    double referenceMs = 0;
};

struct Verdict {
    bool Judged = false;
    int HoursRun = 0;
    // The first hour of each part: an hour that ends with fewer points than the one before.
    std::vector<int> PartStart;
    int ThreadsFirst = 0, ThreadsMost = 0;
    int DescriptorsFirst = 0, DescriptorsMost = 0;
    bool InUseKnown = false;
    bool MemoryJudged = false;
    double MemoryRatio = 0;  // the largest rest against the same hour of the part before
    int MemoryWorstHour = 0;
    double UiRatio = 0;  // the largest tick against the same hour of the first part

    bool ThreadsFlat() const { return Judged && ThreadsMost <= ThreadsFirst; }
    bool DescriptorsFlat() const { return Judged && DescriptorsMost <= DescriptorsFirst; }
    bool MemoryFlat() const { return MemoryJudged && MemoryRatio <= kMemoryLimit; }
    bool UiFlat() const { return Judged && UiRatio <= kUiLimit; }
    bool Flat() const { return ThreadsFlat() && DescriptorsFlat() && MemoryFlat() && UiFlat(); }
};

// What the program holds beside its points at the end of an hour, in kB.
inline double RestKb(const Hour& x, bool inUseKnown)
{
    return double((inUseKnown ? x.inUseKb : x.anonKb) - x.listKb);
}

// `h[0]` is taken before the first hour, `h[i]` at the end of hour i.
inline Verdict Judge(const std::vector<Hour>& h)
{
    Verdict v;
    v.HoursRun = int(h.size()) - 1;
    if (v.HoursRun < kVerdictHours) return v;
    v.Judged = true;
    const auto at = [&](int i) -> const Hour& { return h[std::size_t(i)]; };
    // Threads and descriptors: every hour after the first part's faults (its hour 4 on) ends
    // with no more than the first hour.
    v.ThreadsFirst = at(1).threads;
    v.DescriptorsFirst = at(1).descriptors;
    for (int i = 4; i <= v.HoursRun; ++i) {
        v.ThreadsMost = std::max(v.ThreadsMost, at(i).threads);
        v.DescriptorsMost = std::max(v.DescriptorsMost, at(i).descriptors);
    }
    v.PartStart.push_back(1);
    for (int i = 2; i <= v.HoursRun; ++i)
        if (at(i).points < at(i - 1).points) v.PartStart.push_back(i);
    v.InUseKnown = std::all_of(h.begin(), h.end(), [](const Hour& x) { return x.inUseKb > 0; });
    v.MemoryJudged = v.PartStart.size() >= 3 && v.PartStart[2] > kPartHours;
    if (v.MemoryJudged)
        for (int i = v.PartStart[2]; i <= v.HoursRun; ++i) {
            const double before = RestKb(at(i - kPartHours), v.InUseKnown);
            const double ratio = before > 0 ? RestKb(at(i), v.InUseKnown) / before : 0.0;
            if (before <= 0 || ratio > v.MemoryRatio) {
                v.MemoryRatio = before > 0 ? ratio : 1e9;
                v.MemoryWorstHour = i;
            }
        }
    // The user-interface thread: each hour of a later part against the same hour of the first
    // (about the same points in view), both in references where both hours have one.
    for (int i = kPartHours + 1; i <= v.HoursRun; ++i) {
        const Hour& same = at((i - 1) % kPartHours + 1);
        const bool referenced = same.referenceMs > 0 && at(i).referenceMs > 0;
        const auto cost = [&](const Hour& x) { return referenced ? x.uiMsPerTick / x.referenceMs : x.uiMsPerTick; };
        if (cost(same) > 0) v.UiRatio = std::max(v.UiRatio, cost(at(i)) / cost(same));
    }
    return v;
}

inline void Print(const Verdict& v, const std::vector<Hour>& h)
{
    if (!v.Judged) {
        std::printf("long run: not judged, %d hours run (a verdict needs %d: three parts and the next one's start)\n",
                    v.HoursRun, kVerdictHours);
        return;
    }
    for (std::size_t p = 0; p < v.PartStart.size(); ++p) {
        const int end = p + 1 < v.PartStart.size() ? v.PartStart[p + 1] : v.HoursRun + 1;
        long anon = 0, inUse = 0;
        double rest = 0;
        for (int i = v.PartStart[p]; i < end; ++i) {
            const Hour& x = h[std::size_t(i)];
            anon = std::max(anon, x.anonKb);
            inUse = std::max(inUse, x.inUseKb);
            rest = std::max(rest, RestKb(x, v.InUseKnown));
        }
        std::printf("part %zu (hours %d to %d): at most %ld kB anonymous, %ld kB in use, %.0f kB beside its points\n",
                    p + 1, v.PartStart[p], end - 1, anon, inUse, rest);
    }
    std::printf("threads: %d after the first hour, at most %d after the faults: %s\n", v.ThreadsFirst, v.ThreadsMost,
                v.ThreadsFlat() ? "flat" : "GROW");
    std::printf("descriptors: %d after the first hour, at most %d after the faults: %s\n", v.DescriptorsFirst,
                v.DescriptorsMost, v.DescriptorsFlat() ? "flat" : "GROW");
    if (v.MemoryJudged)
        std::printf(
            "memory %s beside the points: an hour from the third part on at most %.3fx the same hour of the part "
            "before (hour %d): %s\n",
            v.InUseKnown ? "in use" : "anonymous", v.MemoryRatio, v.MemoryWorstHour, v.MemoryFlat() ? "flat" : "GROWS");
    else
        std::printf("memory: fewer than three parts seen: GROWS\n");
    std::printf("user-interface thread: a later part's tick at most %.2fx the same hour of the first part's: %s\n",
                v.UiRatio, v.UiFlat() ? "flat" : "GROWS");
    std::printf("long run: %s\n", v.Flat() ? "flat" : "GROWS");
}

}  // namespace longrun
