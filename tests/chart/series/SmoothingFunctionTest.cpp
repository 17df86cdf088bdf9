#include <gtest/gtest.h>

#include <cmath>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TeeSmoothFunction.h"
#include "platform/Exception.h"
#include "support/FakeChartHost.h"

namespace {

constexpr double eps = 1e-9;

void ExpectAt(const TVertex& p, double x, double y, double tolerance = eps)
{
    EXPECT_NEAR(p.X, x, tolerance);
    EXPECT_NEAR(p.Y, y, tolerance);
}

struct SmoothingTest : ::testing::Test {
    void SetUp() override
    {
        source.SetParentChart(&chart);
        output.SetParentChart(&chart);
    }
    void TearDown() override
    {
        output.SetParentChart(nullptr);
        source.SetParentChart(nullptr);
    }
    TSmoothingFunction* Smooth()
    {
        auto* f = new TSmoothingFunction;
        output.SetFunction(f);
        output.SetDataSource(&source);
        return f;
    }
    void ExpectPoint(int index, double x, double y) const
    {
        SCOPED_TRACE(index);
        ExpectAt({output.GetxValue(index), output.GetyValue(index)}, x, y);
    }
    FakeChartHost chart;
    TChartSeries source, output;
};

TEST_F(SmoothingTest, TwoPointsGiveAStraightSegment)
{
    source.AddXY(0, 0);
    source.AddXY(1, 2);
    TSmoothingFunction* f = Smooth();
    EXPECT_TRUE(f->GetInterpolate());
    EXPECT_EQ(f->GetFactor(), 4);
    ASSERT_EQ(output.Count(), 9);
    for (int j = 0; j <= 8; ++j) ExpectPoint(j, j / 8.0, j / 4.0);
}

TEST_F(SmoothingTest, ApproximatingAndInterpolatingCurvesOfThreePoints)
{
    source.AddXY(0, 0);
    source.AddXY(1, 6);
    source.AddXY(2, 0);
    TSmoothingFunction* f = Smooth();
    ASSERT_EQ(output.Count(), 13);
    // Through the points, the middle control vertex solved to (1, 9).
    ExpectPoint(0, 0, 0);
    ExpectPoint(6, 1, 6);
    ExpectPoint(12, 2, 0);
    ExpectPoint(3, 0.5, (-9.0 + 23 * 9) / 48);
    f->SetInterpolate(false);
    // Only near the middle point: (0 + 4 * 6 + 0) / 6; the ends are kept.
    ExpectPoint(0, 0, 0);
    ExpectPoint(6, 1, 4);
    ExpectPoint(12, 2, 0);
    // Between knots: phantom (-1, -6), weights 1/48, 23/48, 23/48, 1/48.
    ExpectPoint(3, 0.5, 2.75);
}

TEST_F(SmoothingTest, InterpolatedCurvePassesThroughEverySourcePoint)
{
    for (int i = 0; i < 7; ++i) source.AddXY(i, std::sin(i) * 10 + i * i);
    // 42 intervals: every seventh sample falls on a source point.
    Smooth()->SetFactor(6);
    ASSERT_EQ(output.Count(), 43);
    for (int i = 0; i < 7; ++i) ExpectPoint(7 * i, i, std::sin(i) * 10 + i * i);
}

TEST_F(SmoothingTest, FactorAndFragmentLimits)
{
    for (int i = 0; i < 200; ++i) source.AddXY(i, i % 7);
    TSmoothingFunction* f = Smooth();
    EXPECT_EQ(output.Count(), 601);
    f->SetFactor(0);
    EXPECT_EQ(f->GetFactor(), 1);
    EXPECT_EQ(output.Count(), 201);
    f->SetFactor(-5);
    EXPECT_EQ(f->GetFactor(), 1);

    TBSpline spline;
    spline.SetFragments(5000);
    EXPECT_EQ(spline.Fragments(), 600);
}

TEST_F(SmoothingTest, SourcesWithFewerThanTwoPoints)
{
    TSmoothingFunction* f = Smooth();
    EXPECT_EQ(output.Count(), 0);
    source.AddXY(3, 5);
    source.RefreshSeries();
    ASSERT_EQ(output.Count(), 1);
    ExpectPoint(0, 3, 5);
    source.Clear();
    source.RefreshSeries();
    EXPECT_EQ(output.Count(), 0);
    EXPECT_TRUE(f->SingleSource);
}

TEST_F(SmoothingTest, ValueListOrdersFollowTheOrientation)
{
    source.AddXY(0, 0);
    source.AddXY(1, 3);
    output.YValues()->SetOrder(loAscending);
    Smooth();
    EXPECT_EQ(output.XValues()->GetOrder(), loAscending);
    EXPECT_EQ(output.YValues()->GetOrder(), loNone);
    EXPECT_TRUE(output.UseVisibleRange);

    // A horizontal source and series: the curve runs along the vertical axis.
    TChartSeries hsource, houtput;
    hsource.SetHorizontal();
    houtput.SetHorizontal();
    hsource.SetParentChart(&chart);
    houtput.SetParentChart(&chart);
    hsource.AddXY(0, 0);
    hsource.AddXY(4, 2);
    houtput.SetFunction(new TSmoothingFunction);
    houtput.SetDataSource(&hsource);
    ASSERT_EQ(houtput.Count(), 9);
    for (int j = 0; j <= 8; ++j) ExpectAt({houtput.GetxValue(j), houtput.GetyValue(j)}, j / 2.0, j / 4.0);
}

TEST(BSpline, DegenerateInputsAndPointAccess)
{
    TBSpline s;
    EXPECT_EQ(s.Fragments(), 100);
    EXPECT_EQ(s.NumberOfVertices(), 0);
    EXPECT_EQ(s.Value(0.5).X, 0);
    s.AddPoint(2, 3);
    EXPECT_EQ(s.NumberOfVertices(), 0);
    EXPECT_EQ(s.Value(1).Y, 0);
    s.AddPoint(4, 7);
    EXPECT_EQ(s.NumberOfVertices(), 2);
    ExpectAt(s.Value(0.5), 3, 5);
    // Parameters outside 0..1 and NaN read nothing beyond the vertex list.
    EXPECT_NO_THROW(s.Value(-3));
    EXPECT_NO_THROW(s.Value(7));
    EXPECT_EQ(s.Value(std::nan("")).X, 0);

    for (int i = 0; i < 30; ++i) s.AddPoint(i, i);
    s.SetCapacity(10);
    EXPECT_EQ(s.Count(), 10);
    EXPECT_THROW(s.Point(11), EListError);
    EXPECT_THROW(s.Point(0), EListError);
}

TEST(BSpline, KnucklesMakeSharpCorners)
{
    TBSpline s;
    s.AddPoint(0, 0);
    s.AddPoint(1, 1);
    s.AddPoint(2, 0);
    s.SetKnuckle(1, true);
    EXPECT_FALSE(s.Knuckle(1));  // the ends are never corners
    s.SetKnuckle(2, true);
    EXPECT_TRUE(s.Knuckle(2));
    s.SetInterpolated(true);
    EXPECT_EQ(s.NumberOfVertices(), 5);
    // The corner point is reached exactly, and the curve runs straight into it.
    ExpectAt(s.Value(0.5), 1, 1);
    ExpectAt(s.Value(0.25), 5.0 / 6, 5.0 / 6);
    ExpectAt(s.Value(1), 2, 0);
}

TEST(BSpline, LongInterpolatedCurveIsSolvedWithoutADenseMatrix)
{
    // A dense system of this size would need gigabytes.
    TBSpline s;
    const int n = 50000;
    for (int i = 0; i < n; ++i) s.AddPoint(i, (i % 3) * 2.0);
    s.SetInterpolated(true);
    EXPECT_EQ(s.NumberOfVertices(), n);
    for (int i : {0, 1, 2, 777, n - 1}) ExpectAt(s.Value(static_cast<double>(i) / (n - 1)), i, (i % 3) * 2.0, 1e-6);
}

TEST(SmoothingRegistration, OnTheExtendedPageWithOneGallerySeries)
{
    const auto count = [] {
        int n = 0;
        for (const TTeeSeriesType& t : TeeSeriesTypes())
            if (t.FunctionClass == &TSmoothingFunction::staticMetaObject) {
                ++n;
                EXPECT_TRUE(t.Description == &TeeMsg_FunctionSmooth && t.GalleryPage == &TeeMsg_GalleryExtended);
                EXPECT_EQ(t.NumGallerySeries, 1);
            }
        return n;
    };
    RegisterTeeSmoothingFunction();
    EXPECT_EQ(count(), 1);
    UnRegisterTeeFunctions({&TSmoothingFunction::staticMetaObject});
    EXPECT_EQ(count(), 0);
    RegisterTeeSmoothingFunction();
    EXPECT_EQ(count(), 1);
}

}  // namespace
