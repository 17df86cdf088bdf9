// Label increments and which values get labels: numeric, logarithmic and date-time axes,
// custom label loops, point labels, and ranges that must not make endless loops. The chart
// rectangle is (50, 20, 450, 320); text is 6 pixels a character and 10 pixels high.
#include <cmath>
#include <limits>

#include "AxisTestSupport.h"
#include "platform/DateTime.h"

namespace {

std::vector<std::string> Seq(std::initializer_list<const char*> texts)
{
    return std::vector<std::string>(texts.begin(), texts.end());
}

}  // namespace

class AxisLabelsTest : public AxisChartTest {
protected:
    // A series on the bottom and left axes spanning the given X range.
    void SeriesOver(double xMin, double xMax)
    {
        series.SetParentChart(&chart);
        series.AddXY(xMin, 0);
        series.AddXY(xMax, 1);
    }
    void DrawBottom(double minimum, double maximum)
    {
        Scale(Bottom(), minimum, maximum);
        canvas.Clear();
        Bottom()->Draw(true);
    }

    TChartSeries series;
};

TEST(AxisNextStep, StepsUpOneTwoFivePerDecade)
{
    EXPECT_DOUBLE_EQ(NextStep(1), 2);
    EXPECT_DOUBLE_EQ(NextStep(2), 5);
    EXPECT_DOUBLE_EQ(NextStep(4.9), 5);
    EXPECT_DOUBLE_EQ(NextStep(5), 10);
    EXPECT_DOUBLE_EQ(NextStep(10), 20);
    EXPECT_DOUBLE_EQ(NextStep(0.03), 0.05);
    EXPECT_DOUBLE_EQ(NextStep(99), 100);
    EXPECT_DOUBLE_EQ(NextStep(1234), 2000);
    // Values that are no step at all still give a step and return.
    EXPECT_GT(NextStep(0), 0);
    EXPECT_GT(NextStep(-3), 0);
    EXPECT_GT(NextStep(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_TRUE(std::isinf(NextStep(std::numeric_limits<double>::infinity())));
    EXPECT_GT(NextStep(1e-320), 1e-320);
}

TEST_F(AxisLabelsTest, IncrementFromTheRoomOfEachLabel)
{
    Scale(Bottom(), 0, 100);
    // 30 pixels a label plus 10 % makes 12 labels on 400 pixels: 100 / 13 stepped up to 10.
    EXPECT_DOUBLE_EQ(Bottom()->CalcXYIncrement(30), 10);
    EXPECT_DOUBLE_EQ(Bottom()->CalcLabelsIncrement(0), MinAxisIncrement);
    Bottom()->SetDesiredIncrement(25);
    EXPECT_DOUBLE_EQ(Bottom()->CalcXYIncrement(30), 25);
    // A wish that does not fit is stepped up.
    Bottom()->SetDesiredIncrement(0.5);
    EXPECT_DOUBLE_EQ(Bottom()->CalcXYIncrement(30), 10);
}

TEST_F(AxisLabelsTest, NumericLabelsFromTheTopDown)
{
    SeriesOver(0, 100);
    DrawBottom(0, 100);
    std::vector<std::string> expected;
    for (int v = 100; v >= 0; v -= 5) expected.push_back(std::to_string(v));
    EXPECT_EQ(Texts(), expected);
    ASSERT_EQ(Bottom()->Tick.size(), expected.size());
    EXPECT_EQ(Bottom()->Tick.front(), 450);
    EXPECT_EQ(Bottom()->Tick.back(), 50);

    Bottom()->SetDesiredIncrement(25);
    DrawBottom(0, 100);
    EXPECT_EQ(Texts(), Seq({"100", "75", "50", "25", "0"}));

    // The first label is rounded to the increment unless asked not to.
    DrawBottom(3, 97);
    EXPECT_EQ(Texts(), Seq({"75", "50", "25"}));
    Bottom()->SetRoundFirstLabel(false);
    DrawBottom(3, 97);
    EXPECT_EQ(Texts(), Seq({"97", "72", "47", "22"}));

    // Decimal comma of the program's formats.
    Bottom()->SetRoundFirstLabel(true);
    Bottom()->SetDesiredIncrement(0.25);
    DrawBottom(0, 1);
    EXPECT_EQ(Texts(), Seq({"1", "0,75", "0,5", "0,25", "0"}));
}

TEST_F(AxisLabelsTest, EqualEndsDrawOneLabel)
{
    SeriesOver(7, 7);
    Bottom()->AdjustMaxMin();
    Bottom()->InternalCalcPositions();
    canvas.Clear();
    Bottom()->Draw(true);
    EXPECT_EQ(Texts(), Seq({"7"}));
}

TEST_F(AxisLabelsTest, TooManyLabelsOrUnboundedRangesDrawNoneAndReturn)
{
    SeriesOver(0, 100);
    Bottom()->SetLabelsSeparation(0);
    Bottom()->SetDesiredIncrement(0.001);
    DrawBottom(0, 100);
    EXPECT_TRUE(Texts().empty());

    Bottom()->SetLabelsSeparation(10);
    Bottom()->SetDesiredIncrement(0);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [lo, hi] : {std::pair{0.0, inf}, std::pair{-inf, inf}, std::pair{nan, 5.0}, std::pair{0.0, nan}}) {
        Bottom()->SetAutomatic(false);
        Bottom()->InternalSetMinimum(lo);
        Bottom()->InternalSetMaximum(hi);
        Bottom()->AdjustMaxMin();
        Bottom()->InternalCalcPositions();
        canvas.Clear();
        Bottom()->Draw(true);
        EXPECT_TRUE(Texts().empty()) << lo << " " << hi;
    }
}

TEST_F(AxisLabelsTest, HugeRangesAndStepsBelowTheValuePrecisionEnd)
{
    SeriesOver(0, 1);
    DrawBottom(-1e12, 1e12);
    EXPECT_EQ(Texts(), Seq({"1000000000000", "500000000000", "0", "-500000000000", "-1000000000000"}));
    // Labels of 300 digits leave no room for a second one.
    DrawBottom(-1e300, 1e300);
    EXPECT_LE(Texts().size(), 1u);

    // Near 1e17 one unit is below the precision of a double: stepping down by the
    // increment cannot move, which must not hang the draw.
    Bottom()->SetLabelsSeparation(0);
    Bottom()->SetDesiredIncrement(5);
    DrawBottom(1e17 - 100, 1e17);
    EXPECT_FALSE(Texts().empty());
    EXPECT_LE(Texts().size(), 25u);
}

TEST_F(AxisLabelsTest, LogarithmicLabelsArePowersOfTheBase)
{
    SeriesOver(1, 1000);
    Scale(Bottom(), 1, 1000);
    Bottom()->SetLogarithmic(true);
    DrawBottom(1, 1000);
    EXPECT_EQ(Texts(), Seq({"1", "10", "100", "1000"}));
    EXPECT_EQ(Bottom()->Tick, (std::vector<int>{50, 183, 317, 450}));

    // A zero minimum starts the labels at 0.1.
    DrawBottom(0, 100);
    EXPECT_EQ(Texts(), Seq({"0,1", "1", "10", "100"}));

    // A base below 1 still steps its labels apart and ends.
    Bottom()->SetLogarithmicBase(0.5);
    DrawBottom(1, 1000);
    EXPECT_EQ(Texts().front(), "1");
    EXPECT_EQ(Texts().size(), 10u);

    // No power inside the range: labels are added in steps of a tenth of the power below.
    Bottom()->SetLogarithmicBase(10);
    DrawBottom(2, 3);
    EXPECT_EQ(Texts(), Seq({"2", "2,1", "2,2", "2,3", "2,4", "2,5", "2,6", "2,7", "2,8", "2,9", "3"}));
}

class AxisDateTimeLabelsTest : public AxisLabelsTest {
protected:
    void DateSeries(TDateTime first, TDateTime last)
    {
        SeriesOver(first, last);
        series.XValues()->SetDateTime(true);
        Bottom()->AdjustMaxMin();
        Bottom()->InternalCalcPositions();
        canvas.Clear();
        Bottom()->Draw(true);
    }
};

TEST_F(AxisDateTimeLabelsTest, OneMinuteTimeAxisLabelsEveryTenSeconds)
{
    // Room for 7 labels of "hh:nn:ss" (48 pixels and 10 %).
    chart.ChartRect = TRect(50, 20, 421, 320);
    Bottom()->SetDateTimeFormat("hh:nn:ss");
    Bottom()->SetDesiredIncrement(1.0 / 86400);
    const TDateTime newest = EncodeDate(2026, 12, 7) + EncodeTime(12, 0, 57, 0);
    DateSeries(newest - 1.0 / 1440, newest);
    EXPECT_DOUBLE_EQ(Bottom()->CalcIncrement(), DateTimeStep[dtTenSeconds]);
    EXPECT_EQ(Texts(), Seq({"12:00:50", "12:00:40", "12:00:30", "12:00:20", "12:00:10", "12:00:00"}));
}

TEST_F(AxisDateTimeLabelsTest, OneHourWithoutIncrementClimbsToTenMinutes)
{
    // Room for 6 labels of "hh:nn" (30 pixels and 10 %: 33).
    chart.ChartRect = TRect(50, 20, 248, 320);
    const TDateTime start = EncodeDate(2026, 3, 2) + EncodeTime(8, 0, 0, 0);
    DateSeries(start, start + 1.0 / 24);
    EXPECT_NEAR(Bottom()->CalcIncrement(), DateTimeStep[dtTenMinutes], 1e-12);
    EXPECT_EQ(Texts(), Seq({"09:00", "08:50", "08:40", "08:30", "08:20", "08:10", "08:00"}));
}

TEST_F(AxisDateTimeLabelsTest, MonthLabelsFallOnTheFirstAcrossMonthAndYearEnds)
{
    Bottom()->SetDateTimeFormat("dd.mm.yyyy");
    Bottom()->SetDesiredIncrement(DateTimeStep[dtOneMonth]);
    DateSeries(EncodeDate(2025, 11, 30), EncodeDate(2026, 3, 31));
    EXPECT_EQ(Texts(), Seq({"01.03.2026", "01.02.2026", "01.01.2026", "01.12.2025"}));
    // Half months wanted where only 6 labels fit: stepped up to months.
    Bottom()->SetDesiredIncrement(DateTimeStep[dtHalfMonth]);
    canvas.Clear();
    Bottom()->Draw(true);
    EXPECT_EQ(Texts(), Seq({"01.03.2026", "01.02.2026", "01.01.2026", "01.12.2025"}));
}

TEST_F(AxisDateTimeLabelsTest, HalfMonthLabelsOnTheFirstAndFifteenthThroughFebruary)
{
    Bottom()->SetDateTimeFormat("dd.mm.yyyy");
    Bottom()->SetDesiredIncrement(DateTimeStep[dtHalfMonth]);
    DateSeries(EncodeDate(2025, 12, 20), EncodeDate(2026, 3, 20));
    EXPECT_EQ(Texts(), Seq({"15.03.2026", "01.03.2026", "15.02.2026", "01.02.2026", "15.01.2026", "01.01.2026"}));
}

TEST_F(AxisDateTimeLabelsTest, DatesBeforeTheEpochHaveEmptyLabels)
{
    DateSeries(1, 2);
    Bottom()->DateTimeMode = true;
    EXPECT_EQ(Bottom()->LabelValue(-1), "");
    EXPECT_EQ(Bottom()->LabelValue(1e300), "");
    Bottom()->SetDateTimeFormat("dd.mm.yyyy");
    EXPECT_EQ(Bottom()->LabelValue(2), "01.01.1900");
}

TEST_F(AxisLabelsTest, LabelLoopOfTheChartHook)
{
    SeriesOver(0, 1e6);
    int calls = 0;
    chart.OnGetNextAxisLabel = [&](TChartAxis*, int index, double& value, bool& stop) {
        ++calls;
        stop = false;
        value = index;
    };
    DrawBottom(0, 1e6);
    EXPECT_EQ(Texts().size(), 2001u);
    EXPECT_EQ(calls, 2001);

    // Values from the hook until it stops; one outside the range ends the labels too.
    chart.OnGetNextAxisLabel = [](TChartAxis*, int index, double& value, bool& stop) {
        stop = index == 3;
        value = index * 1e5;
    };
    DrawBottom(0, 1e6);
    EXPECT_EQ(Texts(), Seq({"0", "100000", "200000"}));
    chart.OnGetNextAxisLabel = [](TChartAxis*, int index, double& value, bool& stop) {
        stop = false;
        value = index == 0 ? 5 : 2e6;
    };
    DrawBottom(0, 1e6);
    EXPECT_EQ(Texts(), Seq({"5"}));

    // A hook that leaves Stop set at once gets the default labels.
    chart.OnGetNextAxisLabel = [](TChartAxis*, int, double&, bool&) {};
    DrawBottom(0, 1e6);
    EXPECT_EQ(Texts().front(), "1000000");
    EXPECT_EQ(Texts().back(), "0");
}

TEST_F(AxisLabelsTest, PointLabelsThatWouldOverlapAreSkippedWithTheirTicks)
{
    series.SetParentChart(&chart);
    for (int i = 0; i < 10; ++i) series.AddXY(i, i, "LongLabel" + IntToStr(i));
    chart.CalcAxisPositions();
    canvas.Clear();
    Bottom()->Draw(true);
    EXPECT_EQ(Texts(), Seq({"LongLabel0", "LongLabel2", "LongLabel4", "LongLabel6", "LongLabel8"}));
    EXPECT_EQ(Bottom()->Tick.size(), 5u);

    // The chart's hook sees each point label with its series and index.
    std::vector<int> seen;
    chart.OnGetAxisLabel = [&](TChartAxis*, TChartSeries* s, int index, AnsiString& text) {
        if (!s) return;  // the value labels measured for the increment
        EXPECT_EQ(s, &series);
        seen.push_back(index);
        text = "x";
    };
    canvas.Clear();
    Bottom()->Draw(true);
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_EQ(Texts().size(), 10u);

    // Without separation every label is drawn.
    chart.OnGetAxisLabel = nullptr;
    Bottom()->SetLabelsSeparation(0);
    canvas.Clear();
    Bottom()->Draw(true);
    EXPECT_EQ(Texts().size(), 10u);
}

TEST_F(AxisLabelsTest, DepthAxisLabelsTheSeriesByTitle)
{
    TChartSeries other;
    series.SetParentChart(&chart);
    other.SetParentChart(&chart);
    series.SetTitle("Inside");
    other.SetTitle("Outside");
    chart.View3D = true;
    chart.Width3D = 40;
    chart.MaxZOrder = 1;
    Depth()->SetMinMax(-0.5, 1.5);
    Depth()->AdjustMaxMin();
    Depth()->InternalCalcPositions();
    canvas.Clear();
    Depth()->Draw(true);
    EXPECT_EQ(Texts(), Seq({"Inside", "Outside"}));
    EXPECT_EQ(Depth()->Tick, (std::vector<int>{30, 10}));
}

TEST_F(AxisLabelsTest, CustomItemsReplaceTheValueLabels)
{
    SeriesOver(0, 100);
    Bottom()->Items().Add(20, "low");
    Bottom()->Items().Add(80);
    Bottom()->Items().Add(150, "outside");
    TAxisItem* hidden = Bottom()->Items().Add(50, "hidden");
    hidden->SetVisible(false);
    DrawBottom(0, 100);
    EXPECT_EQ(Texts(), Seq({"low", "80"}));
    EXPECT_EQ(Bottom()->Tick, (std::vector<int>{130, 370}));
    // Ticks at every item within the range when they do not follow the labels.
    Bottom()->SetTickOnLabelsOnly(false);
    DrawBottom(0, 100);
    EXPECT_EQ(Bottom()->Tick, (std::vector<int>{130, 370, 250}));
    // The widest item text decides the room of the labels, whether in the range or not.
    EXPECT_EQ(Bottom()->MaxLabelsWidth(), 42);
}
