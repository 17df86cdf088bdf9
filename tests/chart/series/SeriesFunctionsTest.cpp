#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TeeFunctions.h"
#include "support/FakeChartHost.h"

namespace {

using PointList = std::vector<std::pair<double, double>>;

struct FunctionsTest : ::testing::Test {
    void SetUp() override
    {
        for (TChartSeries* s : {&a, &b, &c, &output}) s->SetParentChart(&chart);
    }
    void TearDown() override
    {
        for (TChartSeries* s : {&output, &c, &b, &a}) s->SetParentChart(nullptr);
    }
    static void Fill(TChartSeries& s, std::initializer_list<double> values)
    {
        for (double v : values) s.Add(v);
    }
    PointList Points() const
    {
        PointList p;
        for (int i = 0; i < output.Count(); ++i) p.emplace_back(output.GetxValue(i), output.GetyValue(i));
        return p;
    }
    TCustomSeriesList Sources(std::initializer_list<TChartSeries*> list)
    {
        TCustomSeriesList l;
        for (TChartSeries* s : list) l.Add(s);
        return l;
    }
    static double WholeSeries(TTeeFunction& f, TChartSeries& source) { return f.Calculate(&source, -1, -1); }

    FakeChartHost chart;
    TChartSeries a, b, c, output;
};

TEST_F(FunctionsTest, SingleSourceValuesOverRangesAndWholeSeries)
{
    Fill(a, {4, -2, 7, 1});
    TAddTeeFunction add;
    THighTeeFunction high;
    TLowTeeFunction low;
    TAverageTeeFunction avg;
    EXPECT_EQ(WholeSeries(add, a), 10);
    EXPECT_EQ(add.Calculate(&a, 1, 2), 5);
    EXPECT_EQ(add.Calculate(&a, 2, 1), 0);
    EXPECT_EQ(WholeSeries(high, a), 7);
    EXPECT_EQ(high.Calculate(&a, 0, 1), 4);
    EXPECT_EQ(high.Calculate(&a, 3, 2), 0);
    EXPECT_EQ(WholeSeries(low, a), -2);
    EXPECT_EQ(low.Calculate(&a, 2, 3), 1);
    EXPECT_EQ(WholeSeries(avg, a), 2.5);
    EXPECT_EQ(avg.Calculate(&a, 1, 2), 2.5);
    // Empty ranges and empty series give 0, never a division by zero.
    EXPECT_EQ(avg.Calculate(&a, 3, 2), 0);
    EXPECT_EQ(WholeSeries(avg, b), 0);
    EXPECT_EQ(WholeSeries(high, b), 0);
    // A range past the end of the points reads only the points there are.
    EXPECT_EQ(add.Calculate(&a, 2, 10), 8);
}

TEST_F(FunctionsTest, AverageLeavesNullPointsOutOnlyWhenAsked)
{
    Fill(a, {2, 4});
    a.AddNull(10);
    a.Add(6);
    TAverageTeeFunction avg;
    EXPECT_EQ(WholeSeries(avg, a), 22.0 / 4);
    avg.SetIncludeNulls(false);
    EXPECT_EQ(WholeSeries(avg, a), 4);
    EXPECT_EQ(avg.Calculate(&a, 2, 2), 0);
    Fill(b, {1});
    c.AddNull(100);
    EXPECT_EQ(avg.CalculateMany(Sources({&a, &b, &c}), 0), 1.5);
    avg.SetIncludeNulls(true);
    EXPECT_EQ(avg.CalculateMany(Sources({&a, &b, &c}), 0), 103.0 / 3);
    EXPECT_EQ(avg.CalculateMany(Sources({&a, &b, &c}), 5), 0);
}

TEST_F(FunctionsTest, ManySourcesFoldFromTheFirstSourceWithAValue)
{
    Fill(a, {20, 8});
    Fill(b, {5, 0, 3});
    Fill(c, {3, 2, -4});
    const TCustomSeriesList all = Sources({&a, &b, &c});
    TSubtractTeeFunction sub;
    EXPECT_EQ(sub.CalculateMany(all, 0), 12);
    EXPECT_EQ(sub.CalculateMany(all, 2), 7);  // a has no value: b - c
    EXPECT_EQ(sub.CalculateMany(all, 3), 0);
    TMultiplyTeeFunction mul;
    EXPECT_EQ(mul.CalculateMany(all, 0), 300);
    EXPECT_EQ(mul.CalculateMany(all, 2), -12);
    TDivideTeeFunction div;
    EXPECT_EQ(div.CalculateMany(all, 0), 20.0 / 5 / 3);
    EXPECT_EQ(div.CalculateMany(all, 1), 4);  // 8 / 0 leaves 8, then / 2
    TAddTeeFunction add;
    EXPECT_EQ(add.CalculateMany(all, 2), -1);
    EXPECT_EQ(add.CalculateMany(all, 9), 0);

    THighTeeFunction high;
    TLowTeeFunction low;
    EXPECT_EQ(high.CalculateMany(all, 0), 20);
    EXPECT_EQ(low.CalculateMany(all, 1), 0);
    // Without a value in the first source the highest of the others counts, even
    // when all of them are negative.
    TChartSeries d, e, g;
    Fill(d, {9});
    Fill(e, {-7, -3});
    Fill(g, {-1, -5});
    EXPECT_EQ(high.CalculateMany(Sources({&d, &e, &g}), 1), -3);
    EXPECT_EQ(low.CalculateMany(Sources({&d, &e, &c}), 1), -3);
    EXPECT_EQ(high.CalculateMany(Sources({}), 0), 0);
}

TEST_F(FunctionsTest, MedianAndModeSortTheChosenValues)
{
    TMedianTeeFunction median;
    TModeTeeFunction mode;
    Fill(a, {1, 3, 2, 4});
    EXPECT_EQ(median.Calculate(&a, -1, -1), 2.5);
    EXPECT_EQ(median.Calculate(&a, 1, 2), 2.5);
    EXPECT_EQ(median.Calculate(&a, 3, 3), 4);
    EXPECT_EQ(median.Calculate(&a, 3, 2), 0);
    Fill(b, {5, 1, 3});
    EXPECT_EQ(median.Calculate(&b, -1, -1), 3);
    EXPECT_EQ(median.Calculate(&c, -1, -1), 0);

    Fill(c, {3, 2, 1, 3, 2});
    EXPECT_EQ(mode.Calculate(&c, -1, -1), 2);
    EXPECT_EQ(mode.Calculate(&b, -1, -1), 1);
    EXPECT_EQ(mode.Calculate(&output, -1, -1), 0);
    c.Add(3);
    EXPECT_EQ(mode.Calculate(&c, -1, -1), 3);

    // Over several sources: the values at one index.
    EXPECT_EQ(median.CalculateMany(Sources({&a, &b, &c}), 0), 3);
    EXPECT_EQ(median.CalculateMany(Sources({&a, &b, &c}), 3), 3.5);
    EXPECT_EQ(mode.CalculateMany(Sources({&a, &b, &c}), 1), 1);
    EXPECT_EQ(median.CalculateMany(Sources({}), 0), 0);

    // Null points count unless left out.
    TChartSeries n;
    Fill(n, {1, 2});
    n.AddNull(0);
    n.AddNull(0);
    n.AddNull(0);
    EXPECT_EQ(median.Calculate(&n, -1, -1), 0);
    EXPECT_EQ(mode.Calculate(&n, -1, -1), 0);
    median.SetIncludeNulls(false);
    mode.SetIncludeNulls(false);
    EXPECT_EQ(median.Calculate(&n, -1, -1), 1.5);
    EXPECT_EQ(mode.Calculate(&n, -1, -1), 1);
    EXPECT_EQ(median.Calculate(&n, 2, 4), 0);
    // The choice is a stored property of both, so a chart file keeps it.
    EXPECT_FALSE(median.property("IncludeNulls").toBool());
    EXPECT_FALSE(mode.property("IncludeNulls").toBool());
}

TEST_F(FunctionsTest, NotANumberValuesSortLastWithoutBreakingTheOrder)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double v : {5.0, nan, 1.0, 3.0, nan, 2.0, 4.0}) a.Add(v);
    TMedianTeeFunction median;
    // 1 2 3 4 5 NaN NaN: the middle of seven.
    EXPECT_EQ(median.Calculate(&a, -1, -1), 4);
    EXPECT_EQ(median.Calculate(&a, 0, 3), 4);  // 1 3 5 NaN
    TModeTeeFunction mode;
    EXPECT_EQ(mode.Calculate(&a, -1, -1), 1);
    TAddTeeFunction add;
    EXPECT_TRUE(std::isnan(add.Calculate(&a, 0, 1)));
    EXPECT_EQ(add.Calculate(&a, 2, 3), 4);
}

TEST_F(FunctionsTest, PeriodsGroupTheSourceThroughTheEngine)
{
    for (double x : {0.0, 0.1, 0.2, 0.3, 0.6, 0.7}) a.AddXY(x, x * 10);
    auto* add = new TAddTeeFunction;
    add->SetPeriodStyle(psRange);
    add->SetPeriod(0.25);
    add->SetPeriodAlign(paFirst);
    output.SetFunction(add);
    output.SetDataSource(&a);
    // [0, .25): 0+1+2, [.25, .5): 3, [.5, .75): 6+7.
    ASSERT_EQ(output.Count(), 3);
    EXPECT_NEAR(output.GetyValue(0), 3, 1e-12);
    EXPECT_NEAR(output.GetyValue(1), 3, 1e-12);
    EXPECT_NEAR(output.GetyValue(2), 13, 1e-12);

    // Emptying the source empties the function series.
    a.Clear();
    a.RefreshSeries();
    EXPECT_EQ(output.Count(), 0);
}

TEST_F(FunctionsTest, FunctionOfTwoSeriesFollowsItsSources)
{
    Fill(a, {1, 2, 3});
    Fill(b, {10, 20});
    output.SetFunction(new TAddTeeFunction);
    output.SetDataSource(&a);
    output.DataSources().Add(&b);
    EXPECT_EQ(Points(), (PointList{{0, 11}, {1, 22}, {2, 3}}));

    b.BeginUpdate();
    b.Add(30);
    b.Add(40);
    b.EndUpdate();
    EXPECT_EQ(Points(), (PointList{{0, 11}, {1, 22}, {2, 33}, {3, 40}}));

    a.SetYValue(0, 5);
    a.RefreshSeries();
    EXPECT_EQ(output.GetyValue(0), 15);

    // Another function on the same sources replaces the old one's points.
    output.SetFunction(new TSubtractTeeFunction);
    EXPECT_EQ(Points(), (PointList{{0, -5}, {1, -18}, {2, -27}, {3, 40}}));
}

TEST(EquationFunction, FillsItsSeriesWithoutASource)
{
    // The chart's data check computes a function that needs no source.
    TChart chart;
    auto* series = new TChartSeries(&chart);
    chart.AddSeries(series);
    const auto points = [&] {
        PointList p;
        for (int i = 0; i < series->Count(); ++i) p.emplace_back(series->GetxValue(i), series->GetyValue(i));
        return p;
    };
    auto* f = new TCustomTeeFunction;
    EXPECT_EQ(f->GetNumPoints(), 100);
    EXPECT_EQ(f->GetPeriod(), 1);
    series->SetFunction(f);
    EXPECT_EQ(series->Count(), 0);  // nothing to compute without OnCalculate
    std::vector<double> seen;
    f->SetNumPoints(4);
    f->SetStartX(-1);
    f->SetPeriod(0.5);
    f->SetOnCalculate([&](TCustomTeeFunction* sender, double x, double& y) {
        seen.push_back(sender->CurrentX());
        y = x * x;
    });
    EXPECT_EQ(points(), (PointList{{-1, 1}, {-0.5, 0.25}, {0, 0}, {0.5, 0.25}}));
    EXPECT_EQ(seen, (std::vector<double>{-1, -0.5, 0, 0.5}));
    f->SetNumPoints(0);
    EXPECT_EQ(series->Count(), 0);
}

TEST(FunctionRegistration, TenBasicFunctionsOnTheStandardPageOnce)
{
    RegisterTeeBasicFunctions();
    RegisterTeeBasicFunctions();
    std::vector<const TTeeSeriesType*> found;
    for (const TTeeSeriesType& t : TeeSeriesTypes())
        if (t.FunctionClass && t.GalleryPage == &TeeMsg_GalleryStandard) found.push_back(&t);
    const std::vector<std::pair<const QMetaObject*, const AnsiString*>> expected{
        {&TAddTeeFunction::staticMetaObject, &TeeMsg_FunctionAdd},
        {&TSubtractTeeFunction::staticMetaObject, &TeeMsg_FunctionSubtract},
        {&TMultiplyTeeFunction::staticMetaObject, &TeeMsg_FunctionMultiply},
        {&TDivideTeeFunction::staticMetaObject, &TeeMsg_FunctionDivide},
        {&THighTeeFunction::staticMetaObject, &TeeMsg_FunctionHigh},
        {&TLowTeeFunction::staticMetaObject, &TeeMsg_FunctionLow},
        {&TAverageTeeFunction::staticMetaObject, &TeeMsg_FunctionAverage},
        {&TCustomTeeFunction::staticMetaObject, &TeeMsg_FunctionCustom},
        {&TMedianTeeFunction::staticMetaObject, &TeeMsg_FunctionMedian},
        {&TModeTeeFunction::staticMetaObject, &TeeMsg_FunctionMode},
    };
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(found[i]->FunctionClass, expected[i].first) << i;
        EXPECT_EQ(found[i]->Description, expected[i].second) << i;
        EXPECT_EQ(found[i]->NumGallerySeries, 2);
    }
}

}  // namespace
