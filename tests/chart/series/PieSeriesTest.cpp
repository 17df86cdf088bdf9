#include <cmath>
#include <numbers>

#include "SeriesTestSupport.h"
#include "chart/series/TPieSeries.h"

namespace {

constexpr double Deg = std::numbers::pi / 180.0;

// Chart rectangle 50,20 - 450,320: without marks the circle is centred at (250, 170) with
// radii 200 and 150.
class PieSeriesTest : public SeriesChartTest {
protected:
    PieSeriesTest()
    {
        pie.SetParentChart(&chart);
        pie.Marks()->SetVisible(false);
    }
    ~PieSeriesTest() override { pie.SetParentChart(nullptr); }

    void Add(std::initializer_list<double> values)
    {
        for (double v : values) pie.Add(v);
    }
    void DrawPie(TPieSeries& s)
    {
        s.DoBeforeDrawChart();
        Draw(s);
    }
    void ExpectEnds(std::initializer_list<double> degrees)
    {
        ASSERT_EQ(pie.SliceAngles().size(), degrees.size());
        int i = 0;
        for (double d : degrees) EXPECT_NEAR(pie.SliceAngles()[i++].EndAngle, d * Deg, 1e-9) << "slice " << i - 1;
    }

    TPieSeries pie;
};

TEST_F(PieSeriesTest, SlicesFollowAbsoluteValuesAndTheLastEndsOnTheFullAngle)
{
    Add({10, 20, 70});
    DrawPie(pie);
    ExpectEnds({36, 108, 360});
    EXPECT_EQ(pie.SliceAngles()[2].EndAngle, 2 * std::numbers::pi);  // exactly, not by sum of parts
    EXPECT_NEAR(pie.SliceAngles()[1].MidAngle, 72 * Deg, 1e-9);
    const auto pies = canvas.CallsStartingWith("Pie(");
    ASSERT_EQ(pies.size(), 3u);
    // From angle 0 (right) counter-clockwise to 36 degrees, each slice starting where the last ended.
    EXPECT_EQ(pies[0], "Pie(50,20,450,320,450,170,412,82)");
    EXPECT_EQ(pies[1].substr(0, 25), "Pie(50,20,450,320,412,82,");

    // Negative values count by their size; half a pie spreads over 180 degrees.
    pie.Clear();
    Add({-10, 30});
    pie.SetAngleSize(180);
    DrawPie(pie);
    ExpectEnds({45, 180});
}

TEST_F(PieSeriesTest, AllZeroValuesAndASingleSliceDrawOneWholeCircle)
{
    Add({0, 0, 0});
    DrawPie(pie);
    ExpectEnds({360, 360, 360});
    EXPECT_EQ(pie.SliceAngles()[1].StartAngle, pie.SliceAngles()[1].EndAngle);
    EXPECT_EQ(canvas.CallsStartingWith("Pie("), std::vector<std::string>{"Pie(50,20,450,320,450,170,450,170)"});

    pie.Clear();
    Add({5});
    DrawPie(pie);
    ExpectEnds({360});
    EXPECT_EQ(canvas.CallsStartingWith("Pie("), std::vector<std::string>{"Pie(50,20,450,320,450,170,450,170)"});
}

TEST_F(PieSeriesTest, SmallValuesAreGroupedIntoOneOtherSliceDrawnLast)
{
    Add({5, 10, 85});
    pie.OtherSlice()->SetStyle(TPieOtherSlice::poBelowPercent);
    pie.OtherSlice()->SetValue(15);
    DrawPie(pie);
    ASSERT_EQ(pie.Count(), 4);
    EXPECT_TRUE(pie.BelongsToOtherSlice(0));
    EXPECT_TRUE(pie.BelongsToOtherSlice(1));
    EXPECT_FALSE(pie.BelongsToOtherSlice(2));
    EXPECT_EQ(pie.GetyValue(3), 15);
    EXPECT_EQ(pie.GetXLabel(3), "Other");
    EXPECT_NEAR(pie.SliceAngles()[2].EndAngle, 0.85 * 360 * Deg, 1e-9);
    EXPECT_NEAR(pie.SliceAngles()[3].StartAngle, 0.85 * 360 * Deg, 1e-9);
    EXPECT_NEAR(pie.SliceAngles()[3].EndAngle, 360 * Deg, 1e-9);
    EXPECT_EQ(CountCalls("Pie("), 2);
    EXPECT_EQ(pie.CountLegendItems(), 2);
    EXPECT_EQ(pie.LegendToValueIndex(0), 2);
    EXPECT_EQ(pie.LegendToValueIndex(1), 3);

    // The next drawing regroups instead of adding a second other slice.
    DrawPie(pie);
    EXPECT_EQ(pie.Count(), 4);
    pie.RemoveOtherSlice();
    EXPECT_EQ(pie.Count(), 3);

    // By value, with a text of its own.
    pie.OtherSlice()->SetStyle(TPieOtherSlice::poBelowValue);
    pie.OtherSlice()->SetValue(6);
    pie.OtherSlice()->SetText("Rest");
    DrawPie(pie);
    ASSERT_EQ(pie.Count(), 4);
    EXPECT_FALSE(pie.BelongsToOtherSlice(1));
    EXPECT_EQ(pie.GetyValue(3), 5);
    EXPECT_EQ(pie.GetXLabel(3), "Rest");
    EXPECT_EQ(CountCalls("Pie("), 3);

    // Nothing is grouped when every value is zero.
    pie.Clear();
    Add({0, 0});
    DrawPie(pie);
    EXPECT_EQ(pie.Count(), 2);
}

TEST_F(PieSeriesTest, ExplodeBiggestMovesOnlyThatSliceAndShrinksThePie)
{
    Add({10, 20, 70});
    pie.SetExplodeBiggest(30);
    EXPECT_EQ(pie.SliceExplodePercent()[2], 30);
    EXPECT_EQ(pie.SliceExplodePercent()[0], 0);
    DrawPie(pie);
    EXPECT_TRUE(pie.ExplodedView());
    // Offset at 234 degrees: (-35, -36) of the full radii shrinks the circle by 17 and 18.
    EXPECT_EQ(pie.CircleRect(), TRect(67, 38, 433, 302));
    const auto pies = canvas.CallsStartingWith("Pie(");
    ASSERT_EQ(pies.size(), 3u);
    EXPECT_EQ(pies[0].substr(0, 18), "Pie(67,38,433,302,");
    EXPECT_EQ(pies[1].substr(0, 18), "Pie(67,38,433,302,");
    EXPECT_EQ(pies[2].substr(0, 18), "Pie(35,70,401,334,");

    int ox, oy;
    pie.CalcExplodedOffset(0, ox, oy);
    EXPECT_EQ(ox, 0);
    EXPECT_EQ(oy, 0);
    int xr, yr;
    pie.CalcExplodedRadius(2, xr, yr);
    EXPECT_EQ(xr, 238);  // 183 * 1.3
    EXPECT_EQ(yr, 172);  // 132 * 1.3
}

TEST_F(PieSeriesTest, ClickedFindsTheSliceUnderThePoint)
{
    Add({10, 20, 70});
    EXPECT_EQ(pie.Clicked(300, 160), -1);  // nothing drawn yet
    DrawPie(pie);
    EXPECT_EQ(pie.Clicked(300, 160), 0);   // just above the right
    EXPECT_EQ(pie.Clicked(250, 100), 1);   // straight above: 90 degrees
    EXPECT_EQ(pie.Clicked(150, 170), 2);   // left
    EXPECT_EQ(pie.Clicked(250, 300), 2);   // below: 270 degrees
    EXPECT_EQ(pie.Clicked(250, -90), -1);  // beyond the radii

    // A rotated pie: the point above the centre is at 90 - 90 = 0 degrees.
    pie.SetRotationAngle(90);
    EXPECT_NEAR(pie.PointToAngle(250, 100), 0, 1e-12);
    EXPECT_EQ(pie.Clicked(250, 100), 0);
    EXPECT_NEAR(pie.PointToAngle(150, 170), 90 * Deg, 1e-12);
}

TEST_F(PieSeriesTest, TinyOrZeroSizedChartsDrawNoSlicesAndDoNotDivideByZero)
{
    // Before any drawing the radii are 0.
    EXPECT_EQ(pie.PointToRadius(10, 10), 0);
    EXPECT_EQ(pie.PointToAngle(10, 10), 0);

    Add({10, 20, 70});
    chart.ChartRect = TRect(50, 20, 50, 20);
    pie.SetExplodeBiggest(30);
    DrawPie(pie);
    EXPECT_EQ(pie.CircleWidth(), 4);
    EXPECT_EQ(pie.CircleHeight(), 4);
    EXPECT_EQ(CountCalls("Pie("), 0);
    const int hit = pie.Clicked(52, 22);
    EXPECT_GE(hit, -1);
    EXPECT_LE(hit, 2);
    EXPECT_FALSE(std::isnan(pie.PointToAngle(60, 30)));

    chart.ChartRect = TRect(50, 20, 450, 23);  // shorter than 5 pixels
    DrawPie(pie);
    EXPECT_EQ(CountCalls("Pie("), 0);
}

TEST_F(PieSeriesTest, CircleRectangleRadiiAndRotation)
{
    Add({1});
    chart.ChartRect = TRect(0, 0, 101, 51);
    DrawPie(pie);
    EXPECT_EQ(pie.CircleRect(), TRect(0, 0, 100, 50));
    chart.ChartRect = TRect(0, 0, 3, 51);
    DrawPie(pie);
    EXPECT_EQ(pie.CircleWidth(), 4);

    chart.ChartRect = TRect(50, 20, 450, 320);
    pie.SetCircled(true);
    DrawPie(pie);
    EXPECT_EQ(pie.RadiusX(), 150);
    EXPECT_EQ(pie.RadiusY(), 150);
    EXPECT_EQ(pie.CircleXCenter(), 250);

    // A custom radius is shared by the pies of the chart; Circled resets it.
    TPieSeries other;
    other.SetParentChart(&chart);
    pie.SetCustomXRadius(50);
    EXPECT_EQ(other.GetCustomXRadius(), 50);
    DrawPie(pie);
    EXPECT_EQ(pie.CircleWidth(), 100);
    pie.SetCircled(false);
    EXPECT_EQ(other.GetCustomXRadius(), 0);
    EXPECT_FALSE(other.GetCircled());
    other.SetParentChart(nullptr);

    pie.SetRotationAngle(370);
    EXPECT_EQ(pie.GetRotationAngle(), 10);
    pie.SetRotationAngle(-30);
    EXPECT_EQ(pie.GetRotationAngle(), -30);
    pie.Rotate(-340);
    EXPECT_EQ(pie.GetRotationAngle(), -10);
}

TEST_F(PieSeriesTest, SeveralPiesShareTheChartInAGrid)
{
    TPieSeries second, third;
    second.SetParentChart(&chart);
    third.SetParentChart(&chart);
    for (TPieSeries* s : {&pie, &second, &third}) {
        s->Marks()->SetVisible(false);
        s->Add(1);
    }
    EXPECT_EQ(pie.PieCount(), 3);
    DrawPie(third);  // two columns, two rows: the third sits lower left
    EXPECT_EQ(third.CircleRect(), TRect(50, 170, 250, 320));
    third.DoAfterDrawValues();
    DrawPie(second);
    EXPECT_EQ(second.CircleRect(), TRect(250, 20, 450, 170));

    second.SetMultiPie(TPieSeries::mpDisabled);
    DrawPie(second);
    EXPECT_EQ(second.CircleRect(), TRect(50, 20, 450, 320));
    second.SetParentChart(nullptr);
    third.SetParentChart(nullptr);
}

TEST_F(PieSeriesTest, ThreeDimensionalPiesAndTheViewTheyLendFromTheChart)
{
    // The pie set its own view when it joined the chart, and gives the old one back.
    EXPECT_TRUE(pie.HasSavedView());
    EXPECT_EQ(chart.Options3D.GetElevation(), 315);
    pie.SetParentChart(nullptr);
    EXPECT_EQ(chart.Options3D.GetElevation(), 345);
    EXPECT_FALSE(pie.HasSavedView());
    pie.SetParentChart(&chart);

    chart.View3D = true;
    Add({10, 20, 70});
    pie.SliceEndDepthPercent().Put(1, 50);
    pie.CalcZOrder();
    pie.CalcDepthPositions();
    DrawPie(pie);
    const auto pies = canvas.CallsStartingWith("Pie3D(");
    ASSERT_EQ(pies.size(), 3u);
    EXPECT_TRUE(pie.ExplodedView());  // end depths make the side walls show
    // The pie takes no depth slot: it lies in front, from -10 to 0.
    EXPECT_EQ(pie.StartZ, -10);
    EXPECT_EQ(pie.SliceEndZ(0), -10);  // an entry of 0 %: no depth
    EXPECT_EQ(pie.SliceEndZ(1), -5);
    EXPECT_EQ(pie.SliceEndZ(5), 0);
}

TEST_F(PieSeriesTest, SliceListsPadFollowDeletionsAndDonutsDrawAsDonuts)
{
    Add({1, 2, 3, 4});
    TSliceValueList& e = pie.SliceExplodePercent();
    EXPECT_EQ(e[7], 0);
    e.Put(2, 40);
    EXPECT_EQ(e.Count(), 3);
    pie.Delete(1);
    EXPECT_EQ(e[1], 40);
    e.Swap(0, 1, pie.Count());
    EXPECT_EQ(e.Count(), 3);
    EXPECT_EQ(e[0], 40);
    pie.Clear();
    EXPECT_TRUE(e.IsEmpty());

    Add({1, 1});
    pie.SetDonutPercent(50);
    DrawPie(pie);
    EXPECT_EQ(CountCalls("Donut("), 2);
    EXPECT_EQ(CountCalls("Pie("), 0);
}

}  // namespace

namespace {

TEST_F(PieSeriesTest, MarksMakeRoomAndSitOutsideTheirSlicesButNotForGroupedValues)
{
    Add({5, 10, 85});
    pie.Marks()->SetVisible(true);
    pie.OtherSlice()->SetStyle(TPieOtherSlice::poBelowPercent);
    pie.OtherSlice()->SetValue(15);
    DrawPie(pie);
    // Room for a text line + callout 8 + 2 pen pixels above and below, "W" + 10 at the sides.
    EXPECT_EQ(pie.CircleRect(), TRect(66, 40, 434, 300));

    canvas.Clear();
    pie.DrawMarks();
    // Only the 85 slice and the other slice get a mark; the grouped values none.
    const auto texts = canvas.CallsStartingWith("TextOut");
    ASSERT_EQ(texts.size(), 2u);
    // The 85 slice's middle is at 153 degrees: the callout runs up-left from the circle and
    // the text sits left of and above its end.
    EXPECT_GE(canvas.IndexOf("Line(86,111,79,107)"), 0);
    EXPECT_EQ(texts[0], "TextOut(70,96,\"85\")");
    // The other slice's middle is at 333 degrees: down-right, text right of and below the end.
    EXPECT_GE(canvas.IndexOf("Line(414,229,421,233)"), 0);
    EXPECT_EQ(texts[1], "TextOut(441,234,\"Other\")");
}

}  // namespace
