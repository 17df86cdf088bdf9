// The long run's verdict on given figures: the benchmark's own run says flat, and each way a
// week could pile up (a leak per part, per point, a thread or a descriptor kept, a tick that
// costs more) says it grows.
#include "LongRunVerdict.h"

#include <gtest/gtest.h>

namespace {

using longrun::Hour;
using longrun::Judge;

// Hours 1 to 38 of a run on a quiet machine (anonymous kB, in use kB, kB in the lists, points,
// ms a tick). The parts change in hours 12, 24 and 36; the lists' room grows in steps.
std::vector<Hour> MeasuredRun()
{
    struct Row {
        long anon, inUse, lists, points;
        double ms;
    };
    const Row rows[] = {
        {56640, 53370, 3125, 72200, 11.66},   {56972, 54051, 3205, 144200, 12.14},
        {60296, 57861, 6410, 216200, 11.94},  {61540, 58720, 6615, 294200, 11.85},
        {62028, 58930, 6615, 366200, 12.79},  {65600, 62716, 9740, 438200, 12.65},
        {70080, 63373, 10060, 510200, 12.38}, {70204, 63669, 10060, 582200, 12.06},
        {71948, 67090, 13185, 654200, 13.13}, {72220, 67492, 13185, 726200, 13.21},
        {72820, 68320, 13185, 798200, 12.07}, {77548, 55230, 3810, 6000, 12.41},
        {77572, 55611, 3810, 78000, 11.54},   {77628, 56009, 3810, 150000, 12.65},
        {77676, 59751, 6935, 222000, 13.46},  {77672, 60047, 6935, 300000, 12.71},
        {77676, 60349, 6935, 372000, 12.18},  {74048, 63928, 10060, 444000, 12.67},
        {75932, 64150, 10060, 516000, 13.55}, {75932, 64170, 10060, 588000, 13.28},
        {76408, 67576, 13185, 660000, 13.72}, {77000, 68356, 13185, 732000, 14.41},
        {79800, 72035, 16310, 804000, 13.66}, {83732, 55975, 4450, 12000, 13.28},
        {83732, 56340, 4450, 84000, 12.96},   {83716, 56752, 4450, 156000, 12.22},
        {84044, 60464, 7575, 228000, 12.60},  {84104, 60510, 7575, 306000, 12.55},
        {84104, 61126, 7575, 378000, 13.58},  {84104, 64716, 10700, 450000, 14.12},
        {84900, 64876, 10700, 522000, 14.30}, {84900, 64889, 10700, 594000, 16.11},
        {84900, 68299, 13825, 666000, 15.92}, {84916, 69072, 13825, 738000, 14.36},
        {84936, 72748, 16950, 810000, 14.21}, {83172, 56050, 4450, 18000, 13.87},
        {83172, 56487, 4450, 90000, 13.97},   {83172, 56844, 4450, 162000, 14.13},
    };
    std::vector<Hour> h(1);
    h[0].threads = 30;
    h[0].descriptors = 60;
    h[0].inUseKb = 52000;
    for (const Row& r : rows) {
        Hour x;
        x.hour = int(h.size());
        x.threads = 30;
        x.descriptors = 60;
        x.anonKb = r.anon;
        x.inUseKb = r.inUse;
        x.listKb = r.lists;
        x.points = r.points;
        x.uiMsPerTick = r.ms;
        h.push_back(x);
    }
    return h;
}

// Adds to what every hour holds in use the kB `each(hour)` says.
template <class F>
void Hold(std::vector<Hour>& h, F each)
{
    for (std::size_t i = 1; i < h.size(); ++i) h[i].inUseKb += long(each(h[i]));
}

TEST(LongRunVerdict, TheMeasuredRunIsFlatAndWouldNotBeWithoutTheListsSetApart)
{
    const std::vector<Hour> run = MeasuredRun();
    const longrun::Verdict v = Judge(run);
    EXPECT_TRUE(v.Judged);
    EXPECT_EQ(v.PartStart, (std::vector<int>{1, 12, 24, 36}));
    EXPECT_TRUE(v.MemoryFlat()) << v.MemoryRatio << " at hour " << v.MemoryWorstHour;
    EXPECT_TRUE(v.Flat());
    // The lists' steps fall on different sides of an hour's end in different parts: the bytes
    // in use alone would make this run grow by more than the limit.
    std::vector<Hour> whole = run;
    for (Hour& x : whole) x.listKb = 0;
    EXPECT_FALSE(Judge(whole).MemoryFlat());
    // Too short a run draws no verdict, and none is flat.
    const std::vector<Hour> shorter(run.begin(), run.begin() + longrun::kVerdictHours);
    EXPECT_FALSE(Judge(shorter).Judged);
    EXPECT_FALSE(Judge(shorter).Flat());
}

TEST(LongRunVerdict, WhatAWeekWouldPileUpIsSeen)
{
    const std::vector<Hour> run = MeasuredRun();
    const auto part = [](const Hour& x) { return x.hour < 12 ? 0 : x.hour < 24 ? 1 : x.hour < 36 ? 2 : 3; };
    // 1 MB left behind by each part change (2 % of what the program holds beside its points).
    std::vector<Hour> perPart = run;
    Hold(perPart, [&](const Hour& x) { return 1024.0 * part(x); });
    EXPECT_FALSE(Judge(perPart).MemoryFlat());
    // 8 bytes of every point never given back at a part change.
    std::vector<Hour> perPoint = run;
    long before = 0;
    for (std::size_t i = 1; i < perPoint.size(); ++i) {
        const long taken = perPoint[i].points >= perPoint[i - 1].points ? perPoint[i].points - perPoint[i - 1].points
                                                                        : perPoint[i].points;
        before += taken;
        perPoint[i].inUseKb += before * 8 / 1024;
    }
    EXPECT_FALSE(Judge(perPoint).MemoryFlat());
    // A thread, or a descriptor, that a fault leaves behind.
    std::vector<Hour> thread = run, descriptor = run;
    for (std::size_t i = 3; i < run.size(); ++i) {
        thread[i].threads += 1;
        descriptor[i].descriptors += part(descriptor[i]);
    }
    EXPECT_FALSE(Judge(thread).ThreadsFlat());
    EXPECT_TRUE(Judge(thread).MemoryFlat());
    EXPECT_FALSE(Judge(descriptor).DescriptorsFlat());
    // A tick of the third part that costs 1.6 times the first part's: dearer, unless the
    // machine's other work made the reference job as much dearer in that hour.
    std::vector<Hour> slower = run;
    slower[30].uiMsPerTick = slower[6].uiMsPerTick * 1.6;
    EXPECT_FALSE(Judge(slower).UiFlat());
    std::vector<Hour> busier = slower;
    for (Hour& x : busier) x.referenceMs = 20.0;
    EXPECT_FALSE(Judge(busier).UiFlat());
    busier[30].referenceMs = 20.0 * 1.6;
    EXPECT_TRUE(Judge(busier).UiFlat()) << Judge(busier).UiRatio;
    for (const auto* h : {&perPart, &perPoint, &thread, &descriptor, &slower}) EXPECT_FALSE(Judge(*h).Flat());
}

}  // namespace
