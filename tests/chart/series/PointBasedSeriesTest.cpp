// Bubble, arrow, Gantt and shape series on a recording canvas (X 0..400 -> 50..450,
// Y 0..300 -> 320..20).
#include "SeriesTestSupport.h"
#include "chart/engine/TSeriesPointer.h"
#include "chart/series/TArrowSeries.h"
#include "chart/series/TBubbleSeries.h"
#include "chart/series/TChartShape.h"
#include "chart/series/TGanttSeries.h"

namespace {

using Calls = std::vector<std::string>;

class PointBasedSeriesTest : public SeriesChartTest {
protected:
    template <typename T>
    T& Make()
    {
        auto* s = new T(&owner);
        s->SetParentChart(&chart);
        return *s;
    }
    ~PointBasedSeriesTest() override
    {
        for (TChartSeries* s : std::vector<TChartSeries*>(chart.Series.begin(), chart.Series.end()))
            s->SetParentChart(nullptr);
    }
    // The drawing calls (no state setting), in order.
    Calls Drawn(const std::vector<std::string>& prefixes) const
    {
        Calls out;
        for (const std::string& c : canvas.Calls)
            for (const std::string& p : prefixes)
                if (c.rfind(p + "(", 0) == 0) out.push_back(c);
        return out;
    }
    QObject owner;
};

TEST_F(PointBasedSeriesTest, BubblesWidenTheRangeByTheirRadiusAndAreDrawnAndHitAtThatSize)
{
    auto& s = Make<TBubbleSeries>();
    s.AddBubble(100, 10, 3);
    EXPECT_EQ(s.MaxYValue(), 13);
    EXPECT_EQ(s.MinYValue(), 7);
    s.AddBubble(200, 50, 20);
    EXPECT_EQ(s.MaxYValue(), 70);
    EXPECT_EQ(s.MinYValue(), 7);
    EXPECT_EQ(s.MaxZValue(), 20);  // the pointer draws in 3D by default
    EXPECT_EQ(s.MinZValue(), -20);
    s.GetPointer()->SetDraw3D(false);
    EXPECT_EQ(s.MaxZValue(), s.GetZOrder());
    EXPECT_EQ(s.MinZValue(), s.GetZOrder());

    // Two pixels per vertical unit, one per horizontal one: squared bubbles are round,
    // the others take the horizontal scale.
    Scale(0, 400, 0, 150);
    Draw(s);
    EXPECT_EQ(Drawn({"Ellipse"}), (Calls{"Ellipse(144,294,156,306)", "Ellipse(210,180,290,260)"}));
    s.SetSquared(false);
    Draw(s);
    EXPECT_EQ(Drawn({"Ellipse"})[1], "Ellipse(230,180,270,260)");
    // The hit follows the ellipse, not its box.
    EXPECT_EQ(s.Clicked(250, 181), 1);
    EXPECT_EQ(s.Clicked(268, 184), -1);
}

TEST_F(PointBasedSeriesTest, ArrowsReachTheirEndsAndTakeThePointerAsHead)
{
    auto& s = Make<TArrowSeries>();
    s.AddArrow(10, 20, 300, 250);
    s.AddArrow(50, 5, 40, 30);
    EXPECT_EQ(s.MaxXValue(), 300);
    EXPECT_EQ(s.MinXValue(), 10);
    EXPECT_EQ(s.MaxYValue(), 250);
    EXPECT_EQ(s.MinYValue(), 5);
    s.SetArrowWidth(20);
    EXPECT_EQ(s.GetPointer()->GetHorizSize(), 20);
    Draw(s);  // outlined in 2D, every arrow though the second starts outside the range
    EXPECT_EQ(Drawn({"Arrow"}),
              (Calls{"Arrow(false,(60,300),(350,70),20,4,0)", "Arrow(false,(100,315),(90,290),20,4,0)"}));
}

TEST_F(PointBasedSeriesTest, GanttBarsRunToTheirEndsWithSteppedLinesToTheNextTask)
{
    auto& s = Make<TGanttSeries>();
    s.AddGantt(10, 100, 100);
    s.AddGantt(150, 200, 50);
    EXPECT_EQ(s.MaxXValue(), 200);  // the latest end, not the latest start
    EXPECT_EQ(s.GetNextTask()->Value(0), -1);
    s.GetNextTask()->SetValue(0, 1);
    Draw(s);
    // Task 0: a bar from 60 to 150 at y 220; the line leaves its end, turns half-way
    // to the next start (200) and enters it on its row.
    EXPECT_EQ(Drawn({"Rectangle", "LineWithZ", "LineTo3D"}),
              (Calls{"Rectangle(60,216,151,225)", "LineWithZ(150,220,175,220,0)", "LineTo3D(175,270,0)",
                     "LineTo3D(200,270,0)", "Rectangle(200,266,251,275)"}));

    for (double next : {-1.0, 5.0}) {
        s.GetNextTask()->SetValue(0, next);
        Draw(s);
        EXPECT_EQ(Drawn({"LineWithZ"}).size(), 0u) << next;
    }
    s.GetPointer()->SetVisible(false);
    Draw(s);
    EXPECT_TRUE(Drawn({"Rectangle", "LineWithZ"}).empty());

    // On an inverted axis the end lies left of the start: the bar is still hit.
    s.GetPointer()->SetVisible(true);
    Bottom()->SetInverted(true);
    Scale(0, 400, 0, 300);
    Draw(s);
    EXPECT_EQ(s.Clicked(400, 220), 0);
    EXPECT_EQ(s.Clicked(470, 220), -1);
}

TEST_F(PointBasedSeriesTest, ShapesDrawEachStyleFlatAndIn3D)
{
    auto& s = Make<TChartShape>();
    EXPECT_EQ(s.Count(), 2);
    EXPECT_EQ(s.GetStyle(), chasCircle);
    EXPECT_EQ(s.GetX1(), 100);
    EXPECT_EQ(s.Brush()->GetColor(), clWhite);
    EXPECT_TRUE(s.Text().empty());

    const std::vector<std::string> kinds = {"Rectangle",      "Ellipse",      "DoVertLine", "DoHorizLine",
                                            "Polygon",        "Line",         "Cube",       "RoundRect",
                                            "RectangleWithZ", "EllipseWithZ", "VertLine3D", "HorizLine3D",
                                            "TriangleWithZ",  "LineWithZ",    "PlaneWithZ", "Pyramid"};
    const std::vector<std::pair<Calls, Calls>> expected = {
        {{"Rectangle"}, {"RectangleWithZ"}},
        {{"Ellipse"}, {"EllipseWithZ"}},
        {{"DoVertLine"}, {"VertLine3D"}},
        {{"DoHorizLine"}, {"HorizLine3D"}},
        {{"Polygon"}, {"TriangleWithZ"}},
        {{"Polygon"}, {"TriangleWithZ"}},
        {{"Line"}, {"LineWithZ"}},
        {{"Polygon"}, {"PlaneWithZ"}},
        {{"Rectangle"}, {"Cube"}},
        {{"DoVertLine", "DoHorizLine"}, {"VertLine3D", "HorizLine3D"}},
        {{"Line", "Line"}, {"LineWithZ", "LineWithZ"}},
        {{"DoVertLine", "DoHorizLine", "Line", "Line"}, {"VertLine3D", "HorizLine3D", "LineWithZ", "LineWithZ"}},
        {{"Polygon"}, {"Pyramid"}},
        {{"Polygon"}, {"Pyramid"}},
    };
    const auto names = [&]() {
        Calls out;
        for (const std::string& c : Drawn(kinds)) out.push_back(c.substr(0, c.find('(')));
        return out;
    };
    for (int style = chasRectangle; style <= chasInvertPyramid; ++style) {
        s.SetStyle(static_cast<TChartShapeStyle>(style));
        chart.View3D = false;
        Draw(s);
        EXPECT_EQ(names(), expected[static_cast<std::size_t>(style)].first) << style;
        chart.View3D = true;
        Draw(s);
        EXPECT_EQ(names(), expected[static_cast<std::size_t>(style)].second) << style;
    }
    // The inverted pyramid stands on its apex.
    EXPECT_EQ(Drawn({"Pyramid"}), (Calls{"Pyramid(true,50,320,150,220,0,0,true)"}));
    chart.View3D = false;

    // A line runs from the first corner to the second.
    s.SetStyle(chasLine);
    s.SetX0(100);
    s.SetY0(0);
    s.SetX1(0);
    s.SetY1(100);
    Draw(s);
    EXPECT_EQ(Drawn({"Line"}), (Calls{"Line(150,320,50,220)"}));
    EXPECT_EQ(s.Clicked(100, 270), 0);
    EXPECT_EQ(s.Clicked(60, 270), -1);
}

TEST_F(PointBasedSeriesTest, ShapeCornersTextAndPixelPlacement)
{
    auto& s = Make<TChartShape>();
    // Accessors of a shape left without points bring the default corners back.
    s.Clear();
    EXPECT_EQ(s.GetY1(), 100);
    EXPECT_EQ(s.Count(), 2);
    s.SetX0(200);
    EXPECT_EQ(s.GetX0(), 200);
    EXPECT_TRUE(s.ManualData);

    // Black text on a black fill is drawn white.
    s.SetStyle(chasRectangle);
    s.SetSeriesColor(clBlack);
    s.GetFont()->SetColor(clBlack);
    s.SetText({"a"});
    Draw(s);
    EXPECT_EQ(canvas.Font->GetColor(), clWhite);
    EXPECT_EQ(canvas.CallsStartingWith("TextOut3D").size(), 1u);

    // Placed in pixels: flat text, no depth slot, nothing outside the plot.
    chart.View3D = true;
    s.SetShapeRectangle(TRect(60, 40, 120, 90));
    EXPECT_FALSE(s.UseAxis());
    chart.MaxZOrder = 0;
    s.CalcZOrder();
    EXPECT_EQ(chart.MaxZOrder, 0);
    Draw(s);
    EXPECT_EQ(Drawn({"Rectangle"}), (Calls{"Rectangle(60,40,121,91)"}));
    EXPECT_EQ(canvas.CallsStartingWith("TextOut(").size(), 1u);
    s.SetShapeRectangle(TRect(500, 400, 600, 450));
    Draw(s);
    EXPECT_TRUE(Drawn({"Rectangle", "TextOut"}).empty());
}

}  // namespace
