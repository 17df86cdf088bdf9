// Axis ranges, the value-to-pixel mappings and back, positions and the room an axis takes
// from the chart rectangle. The chart rectangle is (50, 20, 450, 320).
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "AxisTestSupport.h"

using AxisScalingTest = AxisChartTest;

TEST_F(AxisScalingTest, LinearMappingOfAllFourDirectionsAndBack)
{
    Scale(Bottom(), 0, 100);
    EXPECT_EQ(Bottom()->StartPos, 50);
    EXPECT_EQ(Bottom()->EndPos, 450);
    EXPECT_EQ(Bottom()->CalcXPosValue(25), 150);
    EXPECT_EQ(Bottom()->CalcPosValue(25), 150);
    EXPECT_DOUBLE_EQ(Bottom()->CalcPosPoint(150), 25);
    Scale(Left(), 0, 100);
    EXPECT_EQ(Left()->CalcYPosValue(25), 245);
    EXPECT_DOUBLE_EQ(Left()->CalcPosPoint(245), 25);

    Bottom()->SetInverted(true);
    Left()->SetInverted(true);
    EXPECT_EQ(Bottom()->CalcXPosValue(25), 350);
    EXPECT_DOUBLE_EQ(Bottom()->CalcPosPoint(350), 25);
    EXPECT_EQ(Left()->CalcYPosValue(25), 95);
    EXPECT_DOUBLE_EQ(Left()->CalcPosPoint(95), 25);
    EXPECT_EQ(Left()->CalcSizeValue(25), 75);
    EXPECT_EQ(Left()->CalcSizeValue(-3), 0);
}

TEST_F(AxisScalingTest, PixelsRoundHalvesToEven)
{
    // 400 pixels over 0..800: half a pixel per unit.
    Scale(Bottom(), 0, 800);
    EXPECT_EQ(Bottom()->CalcXPosValue(1), 50);  // 0.5 -> 0
    EXPECT_EQ(Bottom()->CalcXPosValue(3), 52);  // 1.5 -> 2
    EXPECT_EQ(Bottom()->CalcXPosValue(5), 52);  // 2.5 -> 2
}

TEST_F(AxisScalingTest, ZeroRangeMapsToTheCentre)
{
    Bottom()->SetAutomatic(false);
    Bottom()->InternalSetMinimum(5);
    Bottom()->InternalSetMaximum(5);
    Bottom()->AdjustMaxMin();
    Bottom()->InternalCalcPositions();
    EXPECT_TRUE(Bottom()->RangeIsZero);
    EXPECT_EQ(Bottom()->CalcXPosValue(5), 250);
    EXPECT_EQ(Bottom()->CalcXPosValue(-1e300), 250);
    EXPECT_EQ(Bottom()->CalcSizeValue(3), 0);
}

TEST_F(AxisScalingTest, FarValuesStopAtThePixelLimitAndNaNStaysDrawable)
{
    Scale(Bottom(), 0, 1);
    Scale(Left(), 0, 1);
    EXPECT_EQ(TeeAxisPixelLimit, 67108863);
    EXPECT_EQ(Bottom()->CalcXPosValue(1e20), 67108863);
    EXPECT_EQ(Bottom()->CalcXPosValue(-1e20), -67108863);
    EXPECT_EQ(Left()->CalcYPosValue(1e20), -67108863);
    EXPECT_EQ(Left()->CalcYPosValue(std::numeric_limits<double>::infinity()), -67108863);
    EXPECT_EQ(Bottom()->CalcXPosValue(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(AxisScalingTest, LogarithmicMappingAndValuesAtOrBelowZero)
{
    Scale(Bottom(), 1, 100);
    Bottom()->SetLogarithmic(true);
    Bottom()->InternalCalcRange();
    EXPECT_EQ(Bottom()->CalcXPosValue(10), 250);
    EXPECT_EQ(Bottom()->CalcXPosValue(0), 50);
    EXPECT_EQ(Bottom()->CalcXPosValue(-5), 50);
    EXPECT_NEAR(Bottom()->CalcPosPoint(250), 10, 1e-9);
    EXPECT_EQ(Bottom()->CalcPosPoint(50), 1);
    EXPECT_EQ(Bottom()->CalcPosPoint(450), 100);
    EXPECT_EQ(Bottom()->CalcSizeValue(10), 200);
    Bottom()->SetInverted(true);
    EXPECT_EQ(Bottom()->CalcXPosValue(0), 450);
    EXPECT_EQ(Bottom()->CalcXPosValue(100), 50);
    EXPECT_EQ(Bottom()->CalcPosPoint(50), 100);

    Scale(Left(), 1, 100);
    Left()->SetLogarithmic(true);
    Left()->InternalCalcRange();
    EXPECT_EQ(Left()->CalcYPosValue(-1), 320);
    EXPECT_EQ(Left()->CalcYPosValue(100), 20);
    EXPECT_EQ(Left()->CalcPosPoint(20), 100);
}

TEST_F(AxisScalingTest, AutomaticRangeComesFromTheSeriesOfTheAxis)
{
    TChartSeries a, b;
    a.SetParentChart(&chart);
    b.SetParentChart(&chart);
    a.AddXY(2, 10);
    a.AddXY(4, -3);
    b.AddXY(9, 50);
    b.SetVertAxis(aRightAxis);
    chart.CalcAxisPositions();
    EXPECT_EQ(Bottom()->InternalMinimum, 2);
    EXPECT_EQ(Bottom()->InternalMaximum, 9);
    EXPECT_EQ(Left()->InternalMinimum, -3);
    EXPECT_EQ(Left()->InternalMaximum, 10);
    EXPECT_EQ(Right()->InternalMaximum, 50);
    // The automatic ends are written into the published ones.
    EXPECT_EQ(Left()->GetMaximum(), 10);

    Left()->SetAutomaticMaximum(false);
    Left()->InternalSetMaximum(40);
    chart.CalcAxisPositions();
    EXPECT_EQ(Left()->InternalMinimum, -3);
    EXPECT_EQ(Left()->InternalMaximum, 40);
}

TEST_F(AxisScalingTest, MarginsDrawTheOldRangeInsideTheAxisEnds)
{
    Scale(Bottom(), 0, 100);
    Bottom()->AdjustMaxMinRect(TRect(10, 0, 30, 0));
    EXPECT_EQ(Bottom()->StartPos, 50);
    EXPECT_EQ(Bottom()->EndPos, 450);
    EXPECT_EQ(Bottom()->CalcXPosValue(0), 60);
    EXPECT_EQ(Bottom()->CalcXPosValue(100), 420);

    Scale(Left(), 0, 100);
    Left()->AdjustMaxMinRect(TRect(0, 20, 0, 40));
    EXPECT_EQ(Left()->CalcYPosValue(100), 40);
    EXPECT_EQ(Left()->CalcYPosValue(0), 280);

    // Margins that leave the axis no pixel keep the range as it was, never 0..0.
    for (const TRect& margins : {TRect(200, 0, 200, 0), TRect(300, 0, 300, 0), TRect(400, 0, 0, 0)}) {
        Scale(Bottom(), 0, 100);
        Bottom()->AdjustMaxMinRect(margins);
        EXPECT_EQ(Bottom()->InternalMinimum, 0);
        EXPECT_EQ(Bottom()->InternalMaximum, 100);
        EXPECT_EQ(Bottom()->CalcXPosValue(100), 450);
    }
}

TEST_F(AxisScalingTest, ScrollWithinTheDataOnlyWhenAsked)
{
    TChartSeries series;
    series.SetParentChart(&chart);
    series.AddXY(0, 1);
    series.AddXY(10, 2);
    Bottom()->SetMinMax(0, 10);
    Bottom()->Scroll(1, true);
    EXPECT_EQ(Bottom()->GetMinimum(), 0);
    EXPECT_EQ(Bottom()->GetMaximum(), 10);
    Bottom()->Scroll(1, false);
    EXPECT_EQ(Bottom()->GetMinimum(), 1);
    EXPECT_EQ(Bottom()->GetMaximum(), 11);
    Bottom()->Scroll(-0.5, true);
    EXPECT_EQ(Bottom()->GetMinimum(), 0.5);
}

TEST_F(AxisScalingTest, StartEndAndShiftedPositions)
{
    Bottom()->SetStartPosition(25);
    Bottom()->SetEndPosition(75);
    Scale(Bottom(), 0, 10);
    EXPECT_EQ(Bottom()->StartPos, 150);
    EXPECT_EQ(Bottom()->EndPos, 350);
    EXPECT_EQ(Bottom()->CenterPos, 250);

    const TRect r = chart.ChartRect;
    EXPECT_EQ(Left()->GetRectangleEdge(r), 50);
    EXPECT_EQ(Right()->GetRectangleEdge(r), 450);
    EXPECT_EQ(Bottom()->GetRectangleEdge(r), 320);
    EXPECT_EQ(Top()->GetRectangleEdge(r), 20);
    // A positive shift moves every axis into the chart.
    for (TChartAxis* axis : {Left(), Right(), Bottom(), Top()}) axis->SetPositionPercent(10);
    EXPECT_EQ(Left()->ApplyPosition(50, r), 90);
    EXPECT_EQ(Right()->ApplyPosition(450, r), 410);
    EXPECT_EQ(Bottom()->ApplyPosition(320, r), 290);
    EXPECT_EQ(Top()->ApplyPosition(20, r), 50);
    Left()->SetPosUnits(muPixels);
    EXPECT_EQ(Left()->ApplyPosition(50, r), 60);

    // The depth axis runs over the 3D depth; its mapping starts at 0.
    chart.Width3D = 40;
    Depth()->SetMinMax(-0.5, 1.5);
    Depth()->AdjustMaxMin();
    Depth()->InternalCalcPositions();
    EXPECT_EQ(Depth()->CalcPosValue(-0.5), 0);
    EXPECT_EQ(Depth()->CalcPosValue(0.5), 20);
    Depth()->SetInverted(true);
    EXPECT_EQ(Depth()->CalcPosValue(-0.5), 40);
}

TEST_F(AxisScalingTest, StandardAxesTakeRoomForTitleLabelsAndTicks)
{
    TChartSeries series;
    series.SetParentChart(&chart);
    series.AddXY(0, 0);
    series.AddXY(10, 100);
    chart.CalcAxisPositions();

    TRect r = chart.ChartRect;
    Left()->CalcRect(r, true);
    // Labels "100" at 6 pixels a character plus a blank; ticks: axis pen 2 + 1, ticks 4.
    EXPECT_EQ(Left()->PosLabels, 50 + 24);
    EXPECT_EQ(r.Left, 50 + 24 + 7);

    // An empty title takes no room; a caption takes the title font's height at 90 degrees.
    r = chart.ChartRect;
    Left()->GetTitle()->SetCaption("Temperature");
    Left()->CalcRect(r, true);
    EXPECT_EQ(Left()->PosTitle, 60);
    EXPECT_EQ(r.Left, 60 + 24 + 7);

    r = chart.ChartRect;
    Bottom()->CalcRect(r, true);
    EXPECT_EQ(Bottom()->PosLabels, 310);
    EXPECT_EQ(r.Bottom, 310 - 7);
    Bottom()->SetLabelsAlternate(true);
    r = chart.ChartRect;
    Bottom()->CalcRect(r, true);
    EXPECT_EQ(r.Bottom, 300 - 7);

    // A custom axis inside the chart leaves the rectangle alone.
    TChartAxis* custom = chart.CustomAxesList.Add();
    custom->SetPositionPercent(50);
    r = chart.ChartRect;
    custom->CalcRect(r, false);
    EXPECT_EQ(r.Left, chart.ChartRect.Left);
    EXPECT_EQ(custom->PosAxis, 250);
    EXPECT_EQ(custom->PosLabels, 250 - 7);
}

class AxisVisibleRangeTest : public AxisChartTest {
protected:
    void Points(std::initializer_list<double> xs)
    {
        series.SetParentChart(&chart);
        for (double x : xs) series.AddXY(x, 1);
    }
    void Show(double minimum, double maximum)
    {
        Scale(Bottom(), minimum, maximum);
        series.CalcFirstLastVisibleIndex();
    }
    TChartSeries series;
};

TEST_F(AxisVisibleRangeTest, PointsWithinTheChartRectangleOfTheIndexAxis)
{
    Points({5, 12, 18, 25});
    Show(10, 20);
    EXPECT_EQ(series.FirstValueIndex, 1);
    EXPECT_EQ(series.LastValueIndex, 2);
    series.DrawPointBeyondRange = true;
    series.CalcFirstLastVisibleIndex();
    EXPECT_EQ(series.LastValueIndex, 3);
    // An inverted axis shows the same values.
    Bottom()->SetInverted(true);
    series.CalcFirstLastVisibleIndex();
    EXPECT_EQ(series.FirstValueIndex, 1);
    EXPECT_EQ(series.LastValueIndex, 3);
}

TEST_F(AxisVisibleRangeTest, PointOnTheUpperEdgeEndsTheSearch)
{
    Points({5, 10, 15, 20, 25});
    Show(10, 20);
    EXPECT_EQ(series.FirstValueIndex, 1);
    EXPECT_EQ(series.LastValueIndex, 3);
    series.DrawPointBeyondRange = true;
    series.CalcFirstLastVisibleIndex();
    EXPECT_EQ(series.LastValueIndex, 3);
}

TEST_F(AxisVisibleRangeTest, NothingBeforeTheAxisAndAllOfAnUnorderedSeries)
{
    Points({1, 2, 3});
    Show(10, 20);
    EXPECT_EQ(series.FirstValueIndex, -1);
    EXPECT_EQ(series.LastValueIndex, -1);
    series.XValues()->SetOrder(loNone);
    series.CalcFirstLastVisibleIndex();
    EXPECT_EQ(series.FirstValueIndex, 0);
    EXPECT_EQ(series.LastValueIndex, 2);
}

// The inline mapping drawing loops use must give CalcXPosValue's and CalcYPosValue's pixel
// for every value, one by one and in a block: both directions, inverted, with and without
// the clamp, halves, far values, NaN and an empty range; logarithmic axes are not offered
// inline.
TEST_F(AxisScalingTest, PixelMapMatchesTheAxisMappingValueByValue)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {nan, 1e300, -1e300, 1e9, -1e9, 0.5, 1.5, 2.5, -0.5, inf, -inf};
    std::uint32_t seed = 3;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1664525u + 1013904223u;
        values.push_back((static_cast<double>(seed >> 8) / 16777216.0 - 0.25) * 1000.0);
    }
    for (const bool fast : {false, true}) {
        chart.AxesList.SetFastCalc(fast);
        for (const bool inverted : {false, true}) {
            for (TChartAxis* axis : {Bottom(), Left()}) {
                axis->SetInverted(inverted);
                Scale(axis, -3, 797);
                for (const bool horizontal : {true, false}) {
                    const TChartAxis::TPixelMap map = axis->PixelMap(horizontal);
                    ASSERT_TRUE(map.Linear);
                    std::vector<int> block(values.size());
                    map.MapBlock(values.data(), static_cast<int>(values.size()), block.data());
                    for (std::size_t i = 0; i < values.size(); ++i) {
                        const double v = values[i];
                        const int expected = horizontal ? axis->CalcXPosValue(v) : axis->CalcYPosValue(v);
                        EXPECT_EQ(map.Map(v), expected) << v << " fast " << fast << " inverted " << inverted;
                        EXPECT_EQ(block[i], expected) << v << " fast " << fast << " inverted " << inverted;
                    }
                }
                Scale(axis, 5, 5);
                EXPECT_EQ(axis->PixelMap(true).Map(123), axis->CalcXPosValue(123));
            }
        }
    }
    chart.AxesList.SetFastCalc(false);
    Bottom()->SetLogarithmic(true);
    Scale(Bottom(), 1, 1000);
    EXPECT_FALSE(Bottom()->PixelMap(true).Linear);
}
