// Drawing of axes on the recording canvas: axis line, ticks, grid, minor marks, label
// placement by angle and side, exponent labels, frames, the label hook, 3D grids, custom
// drawing and clicks. The chart rectangle is (50, 20, 450, 320); text is 6 pixels a
// character and 10 pixels high.
#include <algorithm>

#include "AxisTestSupport.h"

class AxisDrawTest : public AxisChartTest {
protected:
    AxisDrawTest()
    {
        series.SetParentChart(&chart);
        series.AddXY(0, 0);
        series.AddXY(100, 100);
        series.SetVertAxis(aBothVertAxis);
        chart.CalcAxisPositions();
        for (TChartAxis* axis : {Bottom(), Left(), Top(), Right()}) {
            TRect r = chart.ChartRect;
            axis->CalcRect(r, true);
        }
    }
    void Draw(TChartAxis* axis)
    {
        canvas.Clear();
        axis->Draw(true);
    }
    bool Has(const std::string& call) const { return canvas.IndexOf(call) >= 0; }
    int Count(const std::string& prefix) const { return int(canvas.CallsStartingWith(prefix).size()); }

    TChartSeries series;
};

TEST_F(AxisDrawTest, BottomAxisLineTicksGridAndMinorTicksIn2D)
{
    Bottom()->SetDesiredIncrement(50);
    Draw(Bottom());
    EXPECT_EQ(Bottom()->Tick, (std::vector<int>{450, 250, 50}));
    EXPECT_TRUE(Has("HorizLine3D(50,450,320,0)"));
    for (int x : {450, 250, 50}) EXPECT_TRUE(Has("DoVertLine(" + std::to_string(x) + ",321,325)")) << x;
    // Grid lines only strictly inside the axis ends.
    EXPECT_TRUE(Has("DoVertLine(250,21,320)"));
    EXPECT_FALSE(Has("DoVertLine(450,21,320)"));
    EXPECT_FALSE(Has("DoVertLine(50,21,320)"));
    // Three minor ticks between two major ones, none beyond the ends.
    for (int x : {400, 350, 300, 200, 150, 100}) EXPECT_TRUE(Has("DoVertLine(" + std::to_string(x) + ",321,323)")) << x;
    EXPECT_EQ(
        Count("DoVertLine") - Count("DoVertLine(450,319") - Count("DoVertLine(250,319") - Count("DoVertLine(50,319"),
        3 + 1 + 6);
    EXPECT_EQ(canvas.Calls.back(), "SetBackMode(2)");

    // A wall beside the axis moves the line and the ticks outward.
    chart.WallSizes[Bottom()] = 5;
    chart.WallSizes[Left()] = 3;
    Draw(Bottom());
    EXPECT_TRUE(Has("HorizLine3D(47,450,325,0)"));
    EXPECT_TRUE(Has("DoVertLine(250,326,330)"));
}

TEST_F(AxisDrawTest, LeftAxisLabelsAreRightAlignedAndCentredOnTheirTick)
{
    Left()->SetDesiredIncrement(50);
    Draw(Left());
    EXPECT_EQ(Left()->PosLabels, 74);
    EXPECT_TRUE(Has("SetTextAlign(2)"));
    EXPECT_TRUE(Has("TextOut3D(74,15,0,\"100\")"));
    EXPECT_TRUE(Has("TextOut3D(74,165,0,\"50\")"));
    EXPECT_TRUE(Has("TextOut3D(74,315,0,\"0\")"));
    EXPECT_TRUE(Has("VertLine3D(50,20,320,0)"));
    EXPECT_TRUE(Has("DoHorizLine(49,45,170)"));
    EXPECT_TRUE(Has("DoHorizLine(51,450,170)"));

    // The bottom axis puts its labels' tops on the label row.
    Bottom()->SetDesiredIncrement(50);
    Draw(Bottom());
    EXPECT_TRUE(Has("SetTextAlign(6)"));
    EXPECT_TRUE(Has("TextOut3D(250,310,0,\"50\")"));
}

TEST_F(AxisDrawTest, RotatedLabelsAndTitlesAlignBySide)
{
    Left()->SetDesiredIncrement(50);
    Left()->SetLabelsAngle(90);
    Draw(Left());
    EXPECT_TRUE(Has("SetTextAlign(14)"));
    EXPECT_EQ(Count("RotateLabel3D("), 3);
    Right()->SetDesiredIncrement(50);
    Right()->SetLabelsAngle(90);
    Draw(Right());
    EXPECT_TRUE(Has("SetTextAlign(6)"));

    // A title with an empty caption is not drawn; with one it is turned by its angle.
    Left()->SetLabelsAngle(0);
    Draw(Left());
    EXPECT_EQ(Count("RotateLabel3D("), 0);
    Left()->GetTitle()->SetCaption("Temperature");
    TRect r = chart.ChartRect;
    Left()->CalcRect(r, true);
    Draw(Left());
    ASSERT_EQ(Count("RotateLabel3D("), 1);
    EXPECT_NE(canvas.CallsStartingWith("RotateLabel3D(")[0].find("\"Temperature\",90)"), std::string::npos);
}

TEST_F(AxisDrawTest, AlternateLabelsTakeTwoRows)
{
    Bottom()->SetDesiredIncrement(25);
    Bottom()->SetLabelsAlternate(true);
    TRect r = chart.ChartRect;
    Bottom()->CalcRect(r, true);
    Draw(Bottom());
    const int row = Bottom()->PosLabels;
    EXPECT_TRUE(Has("TextOut3D(450," + std::to_string(row) + ",0,\"100\")"));
    // The wished increment is halved for the two rows.
    EXPECT_TRUE(Has("TextOut3D(400," + std::to_string(row + 10) + ",0,\"87,5\")"));
    EXPECT_TRUE(Has("TextOut3D(350," + std::to_string(row) + ",0,\"75\")"));
}

TEST_F(AxisDrawTest, ExponentLabelIsASmallerRaisedNumber)
{
    Right()->Items().Add(50, "1.5E3");
    const int size = canvas.Font->GetSize();
    Right()->SetLabelsExponent(true);
    Draw(Right());
    const int x = Right()->PosLabels;
    EXPECT_TRUE(Has("TextOut3D(" + std::to_string(x) + ",165,0,\"1.5\")"));
    EXPECT_TRUE(Has("TextOut3D(" + std::to_string(x + 19) + ",163,0,\"3\")"));
    EXPECT_EQ(canvas.Font->GetSize(), size);
    // Without the switch the text is drawn as it is.
    Right()->SetLabelsExponent(false);
    Draw(Right());
    EXPECT_TRUE(Has("TextOut3D(" + std::to_string(x) + ",165,0,\"1.5E3\")"));
}

TEST_F(AxisDrawTest, LabelHookCanSuppressTheTextButNotItsFrameOrTick)
{
    TAxisItem* item = Bottom()->Items().Add(50, "half");
    item->SetTransparent(false);
    Bottom()->OnDrawLabel = [](TChartAxis*, int&, int&, int&, AnsiString& text, bool& draw) {
        EXPECT_EQ(text, "half");
        draw = false;
    };
    Draw(Bottom());
    EXPECT_EQ(Count("TextOut3D"), 0);
    // The box round the text, half a "W" wider on each side, with its shadow.
    EXPECT_TRUE(Has("Rectangle(235,310,265,320)"));
    EXPECT_TRUE(Has("DoVertLine(265,313,320)"));
    EXPECT_EQ(Bottom()->Tick, (std::vector<int>{250}));

    // The hook may move and change the text.
    Bottom()->OnDrawLabel = [](TChartAxis*, int& x, int&, int&, AnsiString& text, bool&) {
        x += 3;
        text = "moved";
    };
    Draw(Bottom());
    ASSERT_EQ(Count("TextOut3D"), 1);
    EXPECT_EQ(canvas.CallsStartingWith("TextOut3D")[0].rfind("TextOut3D(253,", 0), 0u);
}

TEST_F(AxisDrawTest, MultiLineLabelsAreDrawnLineByLine)
{
    Left()->SetLabelsMultiLine(true);
    chart.OnGetAxisLabel = [](TChartAxis*, TChartSeries*, int, AnsiString& text) { text = "two lines"; };
    Left()->Items().Add(50);
    Draw(Left());
    EXPECT_TRUE(Has("TextOut3D(74,160,0,\"two\")"));
    EXPECT_TRUE(Has("TextOut3D(74,170,0,\"lines\")"));
}

TEST_F(AxisDrawTest, GridColourCentringAndHook)
{
    Bottom()->GetTicksInner()->Hide();
    Bottom()->GetMinorTicks()->Hide();
    Bottom()->GetGrid()->SetColor(clDefault);
    Bottom()->SetDesiredIncrement(50);
    int hooked = 0;
    Bottom()->GridHook = [&](QObject* sender) {
        EXPECT_EQ(sender, Bottom());
        ++hooked;
    };
    Draw(Bottom());
    EXPECT_EQ(hooked, 1);
    EXPECT_EQ(canvas.Pen->GetColor(), TColor(0x808080));

    // Centred grid lines stand between the ticks; one tick has none.
    Bottom()->SetGridCentered(true);
    Draw(Bottom());
    EXPECT_TRUE(Has("DoVertLine(350,21,320)"));
    EXPECT_TRUE(Has("DoVertLine(150,21,320)"));
    EXPECT_FALSE(Has("DoVertLine(250,21,320)"));
    Bottom()->Items().Add(50);
    Draw(Bottom());
    EXPECT_EQ(Count("DoVertLine(250,21"), 0);
    EXPECT_EQ(Bottom()->Tick.size(), 1u);
}

TEST_F(AxisDrawTest, GridOnTheBackWallAndSideWallIn3D)
{
    chart.View3D = true;
    chart.Width3D = 20;
    Bottom()->SetDesiredIncrement(50);
    Draw(Bottom());
    EXPECT_TRUE(Has("VertLine3D(250,21,320,20)"));
    EXPECT_TRUE(Has("ZLine3D(250,320,0,20)"));
    EXPECT_TRUE(Has("VertLine3D(250,321,325,0)"));

    Bottom()->HideSideGrid = true;
    Draw(Bottom());
    EXPECT_FALSE(Has("ZLine3D(250,320,0,20)"));
    chart.AxisBehind = false;
    Draw(Bottom());
    EXPECT_TRUE(Has("VertLine3D(250,21,320,0)"));
}

TEST_F(AxisDrawTest, LogarithmicMinorTicksFallBetweenThePowers)
{
    Scale(Bottom(), 1, 100);
    Bottom()->SetLogarithmic(true);
    Bottom()->GetTicksInner()->Hide();
    Bottom()->GetGrid()->Hide();
    canvas.Clear();
    Bottom()->Draw(true);
    EXPECT_EQ(Bottom()->Tick, (std::vector<int>{50, 250, 450}));
    // 1 + 9 x i / 4 for i = 1..3 and 10 + 90 x i / 4.
    for (double v : {3.25, 5.5, 7.75, 32.5, 55.0, 77.5}) {
        const int x = Bottom()->CalcXPosValue(v);
        EXPECT_TRUE(Has("DoVertLine(" + std::to_string(x) + ",321,323)")) << v;
    }
    EXPECT_EQ(Count("DoVertLine") - 3, 6);
}

TEST_F(AxisDrawTest, CustomDrawWithItsOwnRangeRestoresTheAxis)
{
    Left()->SetDesiredIncrement(0);
    const double minimum = Left()->GetMinimum(), maximum = Left()->GetMaximum();
    canvas.Clear();
    Left()->CustomDrawMinMax(200, 180, 210, false, 0, 10, 5);
    std::vector<std::string> texts = Texts();
    EXPECT_EQ(texts, (std::vector<std::string>{"10", "5", "0"}));
    EXPECT_TRUE(Has("VertLine3D(210,20,320,0)"));
    EXPECT_EQ(Count("DoHorizLine(51,450"), 0);
    EXPECT_TRUE(Left()->GetAutomatic());
    EXPECT_EQ(Left()->GetMinimum(), minimum);
    EXPECT_EQ(Left()->GetMaximum(), maximum);
    EXPECT_EQ(Left()->GetIncrement(), 0);
    EXPECT_EQ(Left()->InternalMaximum, maximum);
    EXPECT_TRUE(Left()->GetGrid()->GetVisible());
    const int invalidates = chart.Invalidates;
    Left()->CustomDraw(200, 180, 210, true);
    EXPECT_EQ(chart.Invalidates, invalidates);
    EXPECT_TRUE(Has("DoHorizLine(51,450,170)"));
}

TEST_F(AxisDrawTest, ClicksNearTheAxisAndTickRoom)
{
    Left()->PosAxis = 50;
    EXPECT_EQ(Left()->AxisRect(), TRect(47, 20, 74, 320));
    EXPECT_TRUE(Left()->Clicked(60, 100));
    EXPECT_TRUE(Left()->Clicked(48, 100));
    EXPECT_FALSE(Left()->Clicked(80, 100));
    Left()->SetVisible(false);
    EXPECT_FALSE(Left()->Clicked(60, 100));

    EXPECT_EQ(Bottom()->SizeTickAxis(), 7);
    Bottom()->GetAxis()->Hide();
    EXPECT_EQ(Bottom()->SizeTickAxis(), 4);
    Bottom()->GetTicks()->Hide();
    EXPECT_EQ(Bottom()->SizeTickAxis(), 2);
}
