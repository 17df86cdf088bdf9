// The series pointer, callouts and the marks callout on the recording canvas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TSeriesPointer.h"
#include "support/FakeChartHost.h"
#include "support/RecordingCanvas.h"

namespace {

class PointerTest : public ::testing::Test {
protected:
    PointerTest()
    {
        series.StartZ = 2;
        series.MiddleZ = 7;
        series.EndZ = 12;
        chart.Canvas = &canvas;
        series.SetParentChart(&chart);
    }

    // The drawing calls of one pointer at (10, 10) with the default half sizes of 4.
    std::vector<std::string> Drawn(TSeriesPointerStyle style, bool is3D)
    {
        canvas.Clear();
        pointer.DrawPointer(&canvas, is3D, 10, 10, 4, 4, clRed, style);
        return canvas.Calls;
    }

    support::TRecordingCanvas canvas;
    FakeChartHost chart;
    TChartSeries series;
    TSeriesPointer pointer{&series};
};

using Calls = std::vector<std::string>;

TEST_F(PointerTest, EveryStyleFlatAndIn3D)
{
    struct Case {
        TSeriesPointerStyle style;
        Calls flat;
        Calls solid;
    };
    const Case cases[] = {
        {psRectangle, {"Rectangle(6,6,15,15)"}, {"Cube(6,14,6,14,2,12,true)"}},
        {psCircle, {"Ellipse(6,6,14,14)"}, {"EllipseWithZ(6,6,14,14,2)"}},
        {psTriangle, {"Polygon([(6,14),(14,14),(10,6)])"}, {"Pyramid(true,6,6,14,14,2,12,true)"}},
        {psDownTriangle, {"Polygon([(6,6),(14,6),(10,14)])"}, {"Pyramid(true,6,14,14,6,2,12,true)"}},
        {psCross, {"DoVertLine(10,6,15)", "DoHorizLine(6,15,10)"}, {"VertLine3D(10,6,15,2)", "HorizLine3D(6,15,10,2)"}},
        {psDiagCross, {"Line(6,6,15,15)", "Line(14,6,5,15)"}, {"LineWithZ(6,6,15,15,2)", "LineWithZ(14,6,5,15,2)"}},
        {psStar,
         {"DoVertLine(10,6,15)", "DoHorizLine(6,15,10)", "Line(6,6,15,15)", "Line(14,6,5,15)"},
         {"VertLine3D(10,6,15,2)", "HorizLine3D(6,15,10,2)", "LineWithZ(6,6,15,15,2)", "LineWithZ(14,6,5,15,2)"}},
        {psDiamond, {"Polygon([(6,10),(10,6),(14,10),(10,14)])"}, {"Polygon([(6,10),(10,6),(14,10),(10,14)])"}},
        {psNothing, {}, {}},
        {psLeftTriangle, {"Polygon([(6,10),(14,14),(14,6)])"}, {"Polygon([(6,10),(14,14),(14,6)])"}},
        {psRightTriangle, {"Polygon([(14,10),(6,14),(6,6)])"}, {"Polygon([(14,10),(6,14),(6,6)])"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Drawn(c.style, false), c.flat) << "style " << c.style;
        EXPECT_EQ(Drawn(c.style, true), c.solid) << "style " << c.style;
    }
    // Without Draw3D the rectangle and triangle lie flat at the series' front.
    pointer.SetDraw3D(false);
    EXPECT_EQ(Drawn(psRectangle, true), Calls{"RectangleWithZ((6,6,15,15),2)"});
    EXPECT_EQ(Drawn(psTriangle, true), Calls{"Polygon([(6,14),(14,14),(10,6)])"});
    // The small dot takes the canvas brush colour, in 3D at the series' middle.
    canvas.Brush->SetColor(clBlue);
    EXPECT_EQ(Drawn(psSmallDot, false), Calls{"SetPixel(10,10):0xFF0000"});
    EXPECT_EQ(Drawn(psSmallDot, true), Calls{"SetPixel3D(10,10,7):0xFF0000"});
}

TEST_F(PointerTest, GradientFollowsThePointColourButNotOnPyramids)
{
    pointer.GetGradient()->SetVisible(true);
    const Calls pyramid = Drawn(psTriangle, true);
    EXPECT_EQ(pyramid, Calls{"Pyramid(true,6,6,14,14,2,12,true)"});

    pointer.SetDraw3D(false);
    const Calls flat = Drawn(psTriangle, true);
    ASSERT_GE(flat.size(), 3u);
    EXPECT_EQ(flat[1], "ClipPolygon([(6,14),(14,14),(10,6)])");
    EXPECT_EQ(flat.back(), "UnClipRectangle()");
    EXPECT_EQ(pointer.GetGradient()->GetEndColor(), clRed);

    // A callout keeps its own gradient colours.
    TCallout callout(&series);
    callout.GetGradient()->SetVisible(true);
    callout.GetGradient()->SetEndColor(clGreen);
    callout.DrawPointer(&canvas, false, 10, 10, 4, 4, clRed, psRectangle);
    EXPECT_EQ(callout.GetGradient()->GetEndColor(), clGreen);
}

TEST_F(PointerTest, SizesMarginsAndCanvasPreparation)
{
    EXPECT_THROW(pointer.SetHorizSize(0), ChartException);
    EXPECT_THROW(pointer.SetSize(-1), ChartException);
    EXPECT_EQ(pointer.GetHorizSize(), 4);
    EXPECT_EQ(pointer.GetVertSize(), 4);
    pointer.SetVertSize(6);
    EXPECT_EQ(pointer.GetSize(), 6);

    int left = 2, right = 9, top = 0, bottom = 0;
    pointer.CalcHorizMargins(left, right);
    pointer.CalcVerticalMargins(top, bottom);
    EXPECT_EQ(left, 5);
    EXPECT_EQ(right, 9);
    EXPECT_EQ(top, 7);
    EXPECT_EQ(bottom, 7);
    pointer.SetInflate(false);
    left = right = 0;
    pointer.CalcHorizMargins(left, right);
    EXPECT_EQ(left, 0);

    // clDefault with a hatch: black hatching on the point colour.
    pointer.GetBrush()->SetColor(clDefault);
    pointer.GetBrush()->SetStyle(bsCross);
    pointer.PrepareCanvas(&canvas, clRed);
    EXPECT_EQ(canvas.Brush->GetColor(), clBlack);
    EXPECT_EQ(canvas.GetBackColor(), clRed);
    pointer.GetBrush()->SetStyle(bsSolid);
    pointer.PrepareCanvas(&canvas, clRed);
    EXPECT_EQ(canvas.Brush->GetColor(), clRed);
    // A hidden pen clears the canvas pen; a pen of clDefault takes the point colour.
    pointer.GetPen()->SetVisible(false);
    pointer.PrepareCanvas(&canvas, clRed);
    EXPECT_EQ(canvas.Pen->GetStyle(), psClear);
    pointer.GetPen()->SetVisible(true);
    pointer.GetPen()->SetColor(clDefault);
    pointer.PrepareCanvas(&canvas, clLime);
    EXPECT_EQ(canvas.Pen->GetColor(), clLime);
}

TEST_F(PointerTest, CalloutArrowHeadsAndMarksCalloutLength)
{
    TCallout callout(&series);
    EXPECT_FALSE(callout.GetDraw3D());
    // Written to chart files only where they differ from their own defaults.
    EXPECT_FALSE(callout.IsPropertyStored("Draw3D"));
    EXPECT_FALSE(callout.IsPropertyStored("Style"));
    EXPECT_TRUE(pointer.IsPropertyStored("Style"));
    EXPECT_FALSE(pointer.IsPropertyStored("Draw3D"));
    const TPoint from(20, 50), to(20, 30);
    callout.SetArrowHead(ahLine);
    canvas.Clear();
    callout.Draw(clRed, from, to, 3);
    EXPECT_GE(canvas.IndexOf("Arrow(false,(20,30),(20,50),8,8,3)"), 0);
    EXPECT_TRUE(canvas.CallsStartingWith("Rectangle(").empty());

    callout.SetArrowHead(ahNone);
    canvas.Clear();
    callout.Draw(clRed, from, to, 3);
    EXPECT_GE(canvas.IndexOf("Line(20,50,20,30)"), 0);
    EXPECT_GE(canvas.IndexOf("Rectangle(16,46,25,55)"), 0);

    TMarksCallout marks(&series);
    EXPECT_FALSE(marks.GetVisible());
    EXPECT_EQ(marks.GetArrow()->GetColor(), clWhite);
    TSeriesMarkPosition p;
    p.LeftTop = TPoint(10, 40);
    p.ArrowFrom = p.ArrowTo = TPoint(15, 50);
    marks.ApplyArrowLength(p);
    EXPECT_EQ(p.LeftTop.Y, 32);
    EXPECT_EQ(p.ArrowTo.Y, 42);
    EXPECT_EQ(p.ArrowFrom.Y, 50);
    EXPECT_FALSE(marks.IsPropertyStored("Length"));
    marks.SetLength(12);
    EXPECT_TRUE(marks.IsPropertyStored("Length"));
}

}  // namespace
