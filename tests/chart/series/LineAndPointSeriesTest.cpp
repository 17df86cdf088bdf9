#include "SeriesTestSupport.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TPointSeries.h"

namespace {

using Calls = std::vector<std::string>;

class LineSeriesTest : public SeriesChartTest {
protected:
    template <typename T>
    T& Make()
    {
        auto* s = new T(&owner);
        s->SetParentChart(&chart);
        return *s;
    }
    ~LineSeriesTest() override
    {
        for (TChartSeries* s : std::vector<TChartSeries*>(chart.Series.begin(), chart.Series.end()))
            s->SetParentChart(nullptr);
    }
    // Centres of the rectangles drawn by 2D rectangle pointers.
    std::vector<std::string> Pointers() const
    {
        std::vector<std::string> out;
        for (const std::string& c : canvas.Calls)
            if (c.rfind("Rectangle(", 0) == 0 || c.rfind("LineTo(", 0) == 0) out.push_back(c.substr(0, c.find('(')));
        return out;
    }
    QObject owner;
};

TEST_F(LineSeriesTest, LineJoinsPointsAndComesInFromThePlottingEdge)
{
    auto& s = Make<TLineSeries>();
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddXY(200, 50);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)", "MoveTo(150,220)", "LineTo(250,270)"}));

    // Point 1 lies left of the range: the line starts at the left edge (x 50 = value
    // 150) at the height where the segment crosses it (value 75).
    Scale(150, 550, 0, 300);
    Draw(s);
    EXPECT_EQ(s.FirstValueIndex, 2);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,245)", "LineTo(100,270)"}));

    s.SetStairs(true);
    Draw(s);  // with stairs it starts at the height of the point before
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,220)", "LineTo(100,220)", "LineTo(100,270)"}));
}

TEST_F(LineSeriesTest, NullPointBreaksTheLineAndEqualPointsDrawNoSegment)
{
    auto& s = Make<TLineSeries>();
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddNullXY(200, 0);
    s.AddXY(300, 100);
    s.AddXY(400, 0);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)", "MoveTo(350,220)", "LineTo(450,320)"}));

    // A point on the previous one's pixel: no segment, but its pointer comes with the next.
    auto& p = Make<TLineSeries>();
    p.GetPointer()->SetVisible(true);
    p.AddXY(0, 0);
    p.AddXY(0, 0);
    p.AddXY(100, 100);
    Draw(p);
    EXPECT_EQ(Pointers(), (Calls{"LineTo", "Rectangle", "Rectangle"}));
    EXPECT_EQ(CountCalls("LineTo("), 1);
}

TEST_F(LineSeriesTest, PointersAreDrawnOverTheSegmentsOnBothSides)
{
    auto& s = Make<TLineSeries>();
    s.GetPointer()->SetVisible(true);
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddXY(200, 50);
    Draw(s);
    EXPECT_EQ(Pointers(), (Calls{"LineTo", "Rectangle", "LineTo", "Rectangle", "Rectangle"}));

    // A point series draws its markers only.
    auto& pts = Make<TPointSeries>();
    pts.AddXY(0, 0);
    pts.AddXY(100, 100);
    Draw(pts);
    EXPECT_EQ(Pointers(), (Calls{"Rectangle", "Rectangle"}));
}

TEST_F(LineSeriesTest, StackingAddsSameSignValuesOfEarlierSeriesOfTheSameClass)
{
    auto& a = Make<TLineSeries>();
    auto& area = Make<TAreaSeries>();
    auto& b = Make<TLineSeries>();
    a.AddXY(0, 10);
    a.AddXY(100, -20);
    area.AddXY(0, 1000);  // another class: never stacked on
    area.AddXY(100, 1000);
    b.AddXY(0, 20);
    b.AddXY(100, -10);
    b.AddXY(200, 5);  // index 2 exists only in b
    b.SetStacked(cssStack);
    EXPECT_EQ(a.GetStacked(), cssStack) << "series of the same class take the same stacking";
    EXPECT_EQ(area.GetStacked(), cssNone);
    EXPECT_EQ(b.PointOrigin(0, false), 10);
    EXPECT_EQ(b.PointOrigin(1, false), -20);
    EXPECT_EQ(b.PointOrigin(2, false), 0);
    EXPECT_EQ(b.CalcYPos(0), 320 - 30);
    EXPECT_EQ(b.GetOriginPos(0), 320 - 10);
    EXPECT_EQ(b.CalcYPos(1), 320) << "never beyond the axis end";
    EXPECT_EQ(b.MaxYValue(), 30);
    EXPECT_EQ(b.MinYValue(), -30);

    b.SetStacked(cssStack100);
    Scale(0, 400, 0, 100);
    EXPECT_EQ(b.CalcYPos(0), 20);         // 30 of 30: the top
    EXPECT_EQ(a.CalcYPos(0), 320 - 100);  // 10 of 30 = 33.3 % of 300 pixels
    EXPECT_EQ(b.MaxYValue(), 100);
    EXPECT_EQ(b.MinYValue(), 0);
    EXPECT_EQ(b.MaxXValue(), 200) << "the axis of the keys keeps the plain limit";
    a.SetYValue(0, 0);
    b.SetYValue(0, 0);
    EXPECT_EQ(b.CalcYPos(0), 320) << "a total of 0 puts the point at the axis end";
}

TEST_F(LineSeriesTest, ClickedPointersPointsAndLines)
{
    auto& s = Make<TLineSeries>();
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddXY(200, 100);
    s.CalcFirstLastVisibleIndex();
    EXPECT_EQ(s.Clicked(150, 220), 1);
    EXPECT_EQ(s.Clicked(100, 270), 0);
    EXPECT_EQ(s.Clicked(200, 230), -1);
    s.SetStairs(true);
    EXPECT_EQ(s.Clicked(100, 320), 0) << "on the tread of the first step";

    auto& p = Make<TPointSeries>();
    p.AddXY(0, 0);
    p.AddXY(100, 100);
    p.CalcFirstLastVisibleIndex();
    int clicked = -1;
    p.OnClickPointer = [&](TCustomSeries*, int i, int, int) { clicked = i; };
    EXPECT_EQ(p.Clicked(152, 218), 1);
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(p.Clicked(100, 270), -1) << "a point series has no clickable line";
    p.GetPointer()->SetStyle(psNothing);
    EXPECT_EQ(p.Clicked(152, 218), -1);
    EXPECT_EQ(p.Clicked(150, 220), 1) << "the exact position still hits";
}

TEST_F(LineSeriesTest, AssigningKeepsOrHidesThePointer)
{
    TPointSeries point;
    TLineSeries line;
    line.Assign(point);
    EXPECT_FALSE(line.GetPointer()->GetVisible());
    EXPECT_TRUE(line.GetLineVisible());
    EXPECT_FALSE(line.GetDrawArea());

    TLineSeries shown;
    shown.GetPointer()->SetVisible(true);
    line.Assign(shown);
    EXPECT_TRUE(line.GetPointer()->GetVisible());

    TLineSeries source;
    source.SetStairs(true);
    point.Assign(source);
    EXPECT_TRUE(point.GetPointer()->GetVisible());
    EXPECT_FALSE(point.GetLineVisible());
    EXPECT_FALSE(point.GetClickableLine());
    EXPECT_TRUE(point.GetStairs());
}

TEST_F(LineSeriesTest, HorizontalLineDrawsEveryPoint)
{
    auto& s = Make<THorizLineSeries>();
    EXPECT_FALSE(s.YMandatory());
    s.AddXY(100, 0);
    s.AddXY(50, 500);  // far beyond the vertical axis
    Draw(s);
    EXPECT_EQ(s.FirstValueIndex, 0);
    EXPECT_EQ(s.LastValueIndex, 1);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(150,320)", "LineTo(100,-180)"}));
}

class NoExtraPoints : public TPointSeries {
public:
    bool CanDoExtra() const override { return false; }
};

TEST_F(LineSeriesTest, SubGalleries)
{
    const auto count = [](TChartSeries& s) {
        std::vector<AnsiString> items;
        s.CreateSubGallery([&](const AnsiString& c) { items.push_back(c); });
        return items;
    };
    TLineSeries line;
    const auto lineItems = count(line);
    ASSERT_EQ(lineItems.size(), 9u);
    EXPECT_EQ(lineItems[8], "Outline");
    line.SetSubGallery(&line, 3);
    EXPECT_EQ(line.GetLineHeight(), 5);

    TPointSeries point;
    EXPECT_EQ(count(point).size(), 13u);
    point.SetSubGallery(&point, 9);
    EXPECT_EQ(point.GetPointer()->GetStyle(), psCircle);
    EXPECT_EQ(point.GetPointer()->GetHorizSize(), 8);

    NoExtraPoints plain;
    EXPECT_EQ(count(plain).size(), 6u);
    plain.SetSubGallery(&plain, 7);
    EXPECT_EQ(plain.GetPointer()->GetStyle(), psRectangle);

    point.SetColorEachPoint(true);
    EXPECT_EQ(point.GetPointer()->GetColor(), clDefault);
}

}  // namespace

namespace {

TEST_F(LineSeriesTest, ThreeDRibbonIsOnePlanePerSegmentAndHeightAddsFrontFaces)
{
    chart.View3D = true;
    chart.Options3D.SetHorizOffset(10);
    chart.Options3D.SetVertOffset(10);
    auto& s = Make<TLineSeries>();
    s.CalcZOrder();
    s.CalcDepthPositions();
    s.AddXY(0, 0);
    s.AddXY(100, 200);
    s.AddXY(200, 200);
    Draw(s);
    const std::string z = std::to_string(s.StartZ) + "," + std::to_string(s.EndZ);
    EXPECT_EQ(canvas.CallsStartingWith("Plane3D("),
              (Calls{"Plane3D((150,120),(50,320)," + z + ")", "Plane3D((250,120),(150,120)," + z + ")"}));

    s.SetLineHeight(5);
    s.SetDark3D(false);
    Draw(s);
    EXPECT_EQ(CountCalls("PlaneWithZ("), 2);
    EXPECT_EQ(CountCalls("RectangleZ("), 1) << "the right end face closes the last segment";
}

TEST_F(LineSeriesTest, OutlineAndShadowDrawTheLineAgainUnderneath)
{
    auto& s = Make<TLineSeries>();
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.GetOutLine()->SetVisible(true);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)", "MoveTo(50,320)", "LineTo(150,220)"}));
    EXPECT_EQ(s.GetLinePen()->GetWidth(), 1) << "the pen is restored after the outline";

    s.GetOutLine()->SetVisible(false);
    s.GetShadow()->SetHorizSize(3);
    s.GetShadow()->SetVertSize(2);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(53,322)", "LineTo(153,222)", "MoveTo(50,320)", "LineTo(150,220)"}));
    EXPECT_EQ(Left()->StartPos, 20) << "the axes are restored after the shadow";
}

}  // namespace

namespace {

// A mark laid out above point (150, 270), 30 by 10 pixels, as the series base lays it out.
TSeriesMarkPosition MarkAbove()
{
    TSeriesMarkPosition p;
    p.ArrowTo = p.ArrowFrom = TPoint(150, 270);
    p.LeftTop = TPoint(135, 261);
    p.Width = 30;
    p.Height = 10;
    return p;
}

TEST_F(LineSeriesTest, MarksOfHorizontalSeriesStandBesideTheirPoints)
{
    auto& line = Make<THorizLineSeries>();
    line.AddXY(100, 50);
    line.Marks()->SetVisible(true);
    TSeriesMarkPosition p = MarkAbove();
    line.DrawMark(0, "abc", p);
    EXPECT_EQ(p.LeftTop, TPoint(158, 266));
    EXPECT_EQ(p.ArrowTo, TPoint(158, 270));
    EXPECT_EQ(canvas.CallsStartingWith("Line("), (Calls{"Line(150,270,158,270)"}));

    // With the origin right of the point the mark goes to the left.
    Bottom()->SetInverted(true);
    chart.CalcAxisPositions();
    p = MarkAbove();
    line.DrawMark(0, "abc", p);
    EXPECT_EQ(p.LeftTop.X, 112);

    auto& area = Make<THorizAreaSeries>();
    area.AddXY(100, 50);
    canvas.Clear();
    p = MarkAbove();
    p.LeftTop.Y = 200;
    area.DrawMark(0, "abc", p);
    EXPECT_EQ(p.LeftTop, TPoint(158, 265));
    EXPECT_EQ(canvas.CallsStartingWith("Line("), (Calls{"Line(150,270,158,270)"}));
}

}  // namespace

namespace {

TEST_F(LineSeriesTest, SegmentsFollowThePixelColumnsNotThePoints)
{
    auto& s = Make<TLineSeries>();
    for (int i = 0; i < 40000; ++i) s.AddXY(i * 0.01, 150 + (i * 37 % 101) - 50);
    Draw(s);
    EXPECT_LE(CountCalls("LineTo("), 4 * 400);
    EXPECT_GT(CountCalls("LineTo("), 400);
}

}  // namespace
