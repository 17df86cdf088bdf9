#include "SeriesTestSupport.h"
#include "chart/series/TFastLineSeries.h"

namespace {

using Calls = std::vector<std::string>;

class FastLineTest : public SeriesChartTest {
protected:
    FastLineTest() { s.SetParentChart(&chart); }
    ~FastLineTest() override { s.SetParentChart(nullptr); }
    TFastLineSeries s;
};

TEST_F(FastLineTest, DrawsFromFirstPointOrFromThePointBeforeTheVisibleRange)
{
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddXY(200, 50);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)", "LineTo(250,270)"}));

    Scale(150, 550, 0, 300);  // point 1 (x 100) lies left of the range
    Draw(s);
    EXPECT_EQ(s.FirstValueIndex, 2);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(0,220)", "LineTo(100,270)"}));

    // Only point 0 visible: a move and nothing else.
    TFastLineSeries one;
    one.SetParentChart(&chart);
    one.AddXY(200, 10);
    Scale(0, 400, 0, 300);
    Draw(one);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(250,310)"}));
}

TEST_F(FastLineTest, SameColumnPointsAndDrawAllPoints)
{
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddXY(100, 200);  // same X, other Y
    s.AddXY(100, 200);  // same X and Y: never drawn
    s.AddXY(200, 0);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)", "LineTo(150,120)", "LineTo(250,320)"}));

    s.SetDrawAll(false);
    Draw(s);
    // The skipped point leaves the pen where it was: the next segment starts at (150,220).
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)", "LineTo(250,320)"}));
}

TEST_F(FastLineTest, ManyPointsInOneColumnBecomeAtMostThreeStrokes)
{
    s.AddXY(0, 100);
    // In column 150: up to 250, down to 10, ends at 120.
    const double ys[] = {150, 250, 200, 10, 60, 120};
    for (double y : ys) s.AddXY(100, y);
    s.AddXY(200, 100);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,220)", "LineTo(150,170)", "LineTo(150,70)", "LineTo(150,310)",
                              "LineTo(150,200)", "LineTo(250,220)"}));
}

TEST_F(FastLineTest, NullsAndStairs)
{
    s.AddXY(0, 0);
    s.AddNullXY(100, 100);
    s.AddXY(200, 0);
    Draw(s);  // IgnoreNulls: the null point is joined like any other
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)", "LineTo(250,320)"}));
    s.SetIgnoreNulls(false);
    Draw(s);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "MoveTo(150,220)", "LineTo(250,320)"}));

    TFastLineSeries st;
    st.SetParentChart(&chart);
    st.AddXY(0, 0);
    st.AddXY(100, 100);
    st.SetStairs(true);
    Draw(st);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,320)", "LineTo(150,220)"}));
    st.SetInvertedStairs(true);
    Draw(st);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(50,220)", "LineTo(150,220)"}));
}

TEST_F(FastLineTest, In3DTheLineRunsAtTheMiddleDepth)
{
    chart.View3D = true;
    s.CalcZOrder();
    s.CalcDepthPositions();
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    Draw(s);
    const std::string z = std::to_string(s.MiddleZ);
    EXPECT_EQ(Lines(), (Calls{"MoveTo3D(50,320," + z + ")", "LineTo3D(150,220," + z + ")"}));
}

TEST_F(FastLineTest, AddingWithoutAutoRepaintDrawsOnlyTheNewSegment)
{
    s.AddXY(0, 0);
    s.SetAutoRepaint(false);
    int afterAdd = 0;
    s.OnAfterAdd = [&](TChartSeries*, int) { ++afterAdd; };
    TFastLineSeries fed;
    fed.SetParentChart(&chart);
    fed.SetDataSource(&s);
    fed.SetActive(false);  // its own repaint is not the one under test
    const int repaints = chart.Invalidates;
    canvas.Clear();
    s.AddXY(100, 100);
    EXPECT_EQ(chart.Invalidates, repaints);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(50,320)", "LineTo(150,220)"}));
    EXPECT_EQ(afterAdd, 1);
    EXPECT_EQ(fed.Count(), 2) << "a series fed from this one must still get the point";

    s.SetActive(false);
    canvas.Clear();
    s.AddXY(200, 0);
    EXPECT_TRUE(Lines().empty()) << "a hidden series draws no new segment";
    EXPECT_EQ(fed.Count(), 3);

    // The very first point: move and line both target it, nothing visible.
    TFastLineSeries empty;
    empty.SetParentChart(&chart);
    empty.SetAutoRepaint(false);
    canvas.Clear();
    empty.AddXY(100, 100);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(150,220)"}));
}

TEST_F(FastLineTest, ClickedFindsPointsBeforeSegments)
{
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddXY(200, 100);
    s.CalcFirstLastVisibleIndex();
    EXPECT_EQ(s.Clicked(150, 220), 1);  // on point 1, also end of segment 0
    EXPECT_EQ(s.Clicked(100, 270), 0);  // middle of segment 0
    EXPECT_EQ(s.Clicked(200, 221), 1);  // within a pixel of segment 1
    EXPECT_EQ(s.Clicked(200, 230), -1);
    s.FirstValueIndex = s.LastValueIndex = -1;
    EXPECT_EQ(s.Clicked(150, 220), -1);
}

TEST_F(FastLineTest, PenColourMarginsGalleryAndCopy)
{
    s.SetSeriesColor(clRed);
    EXPECT_EQ(s.GetLinePen()->GetColor(), clRed);
    TChartPen pen;
    pen.SetColor(clBlue);
    pen.SetWidth(4);
    s.SetPen(&pen);
    EXPECT_EQ(s.GetSeriesColor(), clBlue);

    int a = 0, b = 0;
    s.CalcHorizMargins(a, b);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 3);
    pen.SetWidth(1);
    s.SetPen(&pen);
    s.CalcVerticalMargins(a, b);
    EXPECT_EQ(a, 1);

    s.SetFastPen(true);
    EXPECT_FALSE(s.GetFastPen());

    std::vector<AnsiString> items;
    s.CreateSubGallery([&](const AnsiString& c) { items.push_back(c); });
    EXPECT_EQ(items, (std::vector<AnsiString>{"Normal", "Marks", "Dotted", "Stairs"}));
    s.SetSubGallery(&s, 3);
    EXPECT_TRUE(s.GetStairs());

    s.SetDrawAll(false);
    s.SetAutoRepaint(false);
    TFastLineSeries copy;
    copy.Assign(s);
    EXPECT_TRUE(copy.GetStairs());
    EXPECT_FALSE(copy.GetDrawAllPoints());
    EXPECT_FALSE(copy.GetAutoRepaint());
    EXPECT_TRUE(copy.DrawPointBeyondRange);
    EXPECT_FALSE(copy.SinglePointFunctions);
}

}  // namespace

namespace {

TEST_F(FastLineTest, AddedPointInTheSameColumnDrawsOneVerticalStroke)
{
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.SetAutoRepaint(false);
    canvas.Clear();
    s.AddXY(100, 150);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(150,220)", "LineTo(150,170)"}));
    s.SetDrawAll(false);
    canvas.Clear();
    s.AddXY(100, 10);
    EXPECT_EQ(Lines(), (Calls{"MoveTo(150,170)"}));
}

}  // namespace
