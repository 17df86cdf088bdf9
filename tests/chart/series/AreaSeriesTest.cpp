#include "SeriesTestSupport.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TLineSeries.h"

namespace {

using Calls = std::vector<std::string>;

class AreaSeriesTest : public SeriesChartTest {
protected:
    AreaSeriesTest() { s.SetParentChart(&chart); }
    ~AreaSeriesTest() override { s.SetParentChart(nullptr); }
    TAreaSeries s;
};

TEST_F(AreaSeriesTest, FillsDownToTheAxisEndAndStartsAtThePreviousPoint)
{
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.AddXY(200, 50);
    Draw(s);
    EXPECT_EQ(canvas.CallsStartingWith("Polygon("), (Calls{"Polygon([(50,320),(150,220),(150,320),(50,320)])",
                                                           "Polygon([(150,220),(250,270),(250,320),(150,320)])"}));
    EXPECT_EQ(CountCalls("LineTo("), 0) << "in 2D the area's outline is the polygon's";

    // A visible range after point 0: the area starts at the point before it, not at the edge.
    Scale(150, 550, 0, 300);
    Draw(s);
    EXPECT_EQ(canvas.CallsStartingWith("Polygon("), (Calls{"Polygon([(0,220),(100,270),(100,320),(0,320)])"}));

    // A null point leaves a gap on both sides.
    Scale(0, 400, 0, 300);
    s.SetNull(1);
    Draw(s);
    EXPECT_EQ(CountCalls("Polygon("), 0);
}

TEST_F(AreaSeriesTest, OriginValueWidensTheRangeAndTheAreaHangsFromIt)
{
    for (int i = 0; i <= 10; ++i) s.AddXY(i * 10, i);
    s.SetUseOrigin(true);
    s.SetOrigin(50);
    EXPECT_EQ(s.MaxYValue(), 50);
    EXPECT_EQ(s.MinYValue(), 0);
    EXPECT_EQ(s.GetOriginPos(0), 270);
    Draw(s);
    EXPECT_EQ(canvas.CallsStartingWith("Polygon(").front(), "Polygon([(50,320),(60,319),(60,270),(50,270)])");

    THorizAreaSeries h;
    h.AddXY(-5, 0);
    h.SetUseOrigin(true);
    h.SetOrigin(3);
    EXPECT_EQ(h.MaxXValue(), 3);
    EXPECT_EQ(h.MinXValue(), -5);
}

TEST_F(AreaSeriesTest, StackedAreasLieOnEachOther)
{
    TAreaSeries top;
    top.SetParentChart(&chart);
    s.AddXY(0, 100);
    s.AddXY(100, 100);
    top.AddXY(0, 50);
    top.AddXY(100, 0);
    top.SetMultiArea(maStacked);
    EXPECT_EQ(s.GetMultiArea(), maStacked);
    Draw(top);
    EXPECT_EQ(canvas.CallsStartingWith("Polygon("), (Calls{"Polygon([(50,170),(150,220),(150,220),(50,220)])"}));

    const int repaints = chart.Invalidates;
    top.SetMultiArea(maStacked);
    EXPECT_EQ(chart.Invalidates, repaints) << "the same value changes and repaints nothing";

    // One series at 100 %: every point at the top, a value 0 at the axis end.
    top.SetParentChart(nullptr);
    s.SetMultiArea(maStacked100);
    s.SetYValue(1, 0);
    Scale(0, 400, 0, 100);
    EXPECT_EQ(s.CalcYPos(0), 20);
    EXPECT_EQ(s.CalcYPos(1), 320);
}

TEST_F(AreaSeriesTest, CopyingFromOtherSeries)
{
    TAreaSeries source;
    source.SetUseOrigin(true);
    source.SetOrigin(7);
    source.GetPointer()->SetVisible(true);
    TAreaSeries area;
    area.Assign(source);
    EXPECT_TRUE(area.GetUseYOrigin());
    EXPECT_EQ(area.GetYOrigin(), 7);
    EXPECT_TRUE(area.GetPointer()->GetVisible());

    TLineSeries line;
    line.GetPointer()->SetVisible(true);
    area.Assign(line);
    EXPECT_FALSE(area.GetPointer()->GetVisible());
    EXPECT_TRUE(area.GetDrawArea());
    EXPECT_EQ(area.GetYOrigin(), 7) << "a line series carries no origin";
}

TEST_F(AreaSeriesTest, GallerySettings)
{
    std::vector<AnsiString> items;
    s.CreateSubGallery([&](const AnsiString& c) { items.push_back(c); });
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items[7], "Stack 100%");
    s.SetSubGallery(&s, 7);
    EXPECT_EQ(s.GetMultiArea(), maStacked100);
    THorizAreaSeries h;
    EXPECT_EQ(h.NumSampleValues(), 10);
    EXPECT_EQ(h.GetGradient()->GetDirection(), gdRightLeft);
    EXPECT_EQ(s.GetEditorClass(), "TAreaSeriesEditor");
}

}  // namespace

namespace {

TEST_F(AreaSeriesTest, TransparentAreaStillFillsAndGradientFillsInsideItsClip)
{
    s.AddXY(0, 0);
    s.AddXY(100, 100);
    s.SetTransparency(50);
    Draw(s);
    EXPECT_EQ(CountCalls("Polygon("), 1);

    s.SetTransparency(0);
    s.GetGradient()->SetVisible(true);
    Draw(s);
    const Calls clip = canvas.CallsStartingWith("ClipPolygon(");
    ASSERT_EQ(clip.size(), 1u);
    EXPECT_EQ(CountCalls("Polygon("), 0);
    EXPECT_LT(canvas.IndexOf(clip.front()), canvas.IndexOf("UnClipRectangle()"));
}

TEST_F(AreaSeriesTest, LegendSymbols)
{
    const TRect r(10, 10, 40, 20);
    s.DrawLegend(-1, r);
    EXPECT_EQ(canvas.CallsStartingWith("Rectangle("), (Calls{"Rectangle(10,10,40,20)"}));

    canvas.Clear();
    s.GetPointer()->SetVisible(true);
    s.DrawLegend(-1, r);
    EXPECT_EQ(CountCalls("DoHorizLine(10,40,15)"), 1) << "the line, then the pointer over it";
    EXPECT_GE(CountCalls("Rectangle("), 1);

    TLineSeries line;
    line.SetParentChart(&chart);
    canvas.Clear();
    line.DrawLegend(-1, r);
    EXPECT_EQ(canvas.CallsStartingWith("DoHorizLine("), (Calls{"DoHorizLine(10,40,15)"}));
    line.SetParentChart(nullptr);
}

}  // namespace
