// Grid bands, colour band and colour line tools on a real chart painted offscreen, with
// dragging through the chart's own mouse handling.
#include <QPointer>
#include "chart/engine/TChartAxes.h"
#include "chart/series/TeeAxisToolTypes.h"

#include "ToolChartFixture.h"

namespace {

using AxisBandToolsTest = ToolChartTest;

TEST_F(AxisBandToolsTest, GridBandsAlternateBetweenTheAxisLabels)
{
    auto* tool = new TGridBandTool;
    tool->GetBand1()->SetColor(clRed);
    tool->GetBand2()->SetColor(clBlue);
    tool->SetAxis(chart.LeftAxis());
    EXPECT_EQ(chart.Tools()->IndexOf(tool), 0);
    const QImage img = Paint();
    const std::vector<int>& T = chart.LeftAxis()->Tick;
    ASSERT_GE(T.size(), 4u);
    const int x = (chart.ChartRect.Left + chart.ChartRect.Right) / 2;
    std::vector<TColor> seen;
    for (std::size_t i = 1; i < T.size(); ++i) seen.push_back(At(img, x, (T[i - 1] + T[i]) / 2));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_TRUE(seen[i] == clRed || seen[i] == clBlue) << i;
        if (i > 0) {
            EXPECT_NE(seen[i], seen[i - 1]) << i;
        }
    }

    // Both bands clear: the chart looks as it does without the tool.
    tool->GetBand1()->SetStyle(bsClear);
    tool->GetBand2()->SetStyle(bsClear);
    const QImage clear = Paint();
    delete tool;
    EXPECT_EQ(clear, Paint());
}

TEST_F(AxisBandToolsTest, ASecondGridBandToolTakesTheAxisAndFreeingLeavesNoHook)
{
    auto* first = new TGridBandTool;
    first->GetBand1()->SetColor(clRed);
    first->GetBand2()->SetColor(clRed);
    first->SetAxis(chart.LeftAxis());
    auto* second = new TGridBandTool;
    second->GetBand1()->SetColor(clLime);
    second->GetBand2()->SetColor(clLime);
    second->SetAxis(chart.LeftAxis());
    const std::vector<int> T = chart.LeftAxis()->Tick;
    QImage img = Paint();
    EXPECT_EQ(At(img, X(5), (chart.LeftAxis()->Tick[0] + chart.LeftAxis()->Tick[1]) / 2), clLime);
    delete second;
    img = Paint();  // must not call into the freed tool
    EXPECT_NE(At(img, X(5), (T[0] + T[1]) / 2), clLime);
    delete first;
    EXPECT_FALSE(static_cast<bool>(chart.LeftAxis()->GridHook));
}

TEST_F(AxisBandToolsTest, HatchedBandTakesTheBackWallColourAsBackground)
{
    chart.GetBackWall()->SetColor(clYellow);
    auto* tool = new TGridBandTool;
    EXPECT_EQ(tool->BandBackColor(tool->GetBand1()), clNone);
    tool->SetAxis(chart.LeftAxis());
    EXPECT_EQ(tool->BandBackColor(tool->GetBand1()), clYellow);
    tool->GetBand1()->SetBackColor(clAqua);
    EXPECT_EQ(tool->BandBackColor(tool->GetBand1()), clAqua);
}

TEST_F(AxisBandToolsTest, TransparentBandsBlendAndThreeDimensionalChartsPaint)
{
    auto* tool = new TGridBandTool;
    tool->GetBand1()->SetColor(clRed);
    tool->GetBand1()->SetTransparency(50);
    tool->GetBand2()->SetColor(clRed);
    tool->GetBand2()->SetTransparency(50);
    tool->SetAxis(chart.LeftAxis());
    QImage img = Paint();
    const std::vector<int> T = chart.LeftAxis()->Tick;
    const QColor c = img.pixelColor(X(5), (T[1] + T[2]) / 2);
    // Half red, half what lay below.
    EXPECT_GT(c.green(), 0);
    EXPECT_GT(c.red(), c.green() + 100);

    auto* band = new TColorBandTool;
    band->SetAxis(chart.BottomAxis());
    band->SetStartValue(2);
    band->SetEndValue(4);
    band->Gradient()->SetVisible(true);
    band->SetTransparency(30);
    auto* line = new TColorLineTool;
    line->SetAxis(chart.BottomAxis());
    line->SetValue(7);
    chart.SetView3D(true);
    img = Paint();
    EXPECT_FALSE(img.isNull());
    EXPECT_TRUE(band->Clicked(X(3) + chart.GetWidth3D(), Y(50) - chart.GetWidth3D()) || band->Clicked(X(3), Y(50)));
    delete line;
    delete band;
    delete tool;
}

TEST_F(AxisBandToolsTest, ColourBandFillsTheRangeInEitherOrder)
{
    auto* band = new TColorBandTool;
    band->SetAxis(chart.BottomAxis());
    band->SetColor(clLime);
    band->Pen()->SetVisible(false);
    band->SetStartValue(6);
    band->SetEndValue(2);
    const int y = Y(50);
    QImage img = Paint();
    EXPECT_EQ(At(img, X(4), y), clLime);
    EXPECT_EQ(At(img, X(2) + 1, y), clLime);
    EXPECT_NE(At(img, X(1), y), clLime);
    EXPECT_NE(At(img, X(8), y), clLime);
    const TRect swapped = band->BoundsRect();
    band->SetStartValue(2);
    band->SetEndValue(6);
    EXPECT_EQ(band->BoundsRect(), swapped);
    EXPECT_TRUE(band->Clicked(X(4), y));

    // Wholly outside the axis range: nothing painted, nothing to click.
    band->SetStartValue(20);
    band->SetEndValue(30);
    img = Paint();
    EXPECT_NE(At(img, X(9.9), y), clLime);
    EXPECT_FALSE(band->Clicked(X(9.9), y));
    EXPECT_TRUE(band->BoundsRect().IsEmpty());
}

TEST_F(AxisBandToolsTest, ColourBandClickAndDrawingOrder)
{
    auto* band = new TColorBandTool;
    band->SetAxis(chart.LeftAxis());
    band->SetStartValue(20);
    band->SetEndValue(40);
    int clicks = 0;
    band->OnClick = [&](QObject*, TMouseButton, TShiftState, int, int) { ++clicks; };
    Press(X(5), Y(30));
    Release(X(5), Y(30));
    Press(X(5), Y(80));
    Release(X(5), Y(80));
    EXPECT_EQ(clicks, 1);

    // Drawn before the series by default: the series line stays on top.
    band->SetColor(clLime);
    band->SetStartValue(40);
    band->SetEndValue(60);
    series->Clear();
    series->AddXY(0, 55);
    series->AddXY(10, 55);
    series->SetSeriesColor(clRed);
    QImage img = Paint();
    EXPECT_EQ(At(img, X(5), Y(55)), clRed);
    band->SetDrawBehind(false);
    img = Paint();
    EXPECT_EQ(At(img, X(5), Y(55)), clLime);
    // Before the axes wins over DrawBehind for the moment of drawing.
    band->SetDrawBehindAxes(true);
    img = Paint();
    EXPECT_EQ(At(img, X(5), Y(55)), clRed);
}

TEST_F(AxisBandToolsTest, ColourLineDrawsAtItsValueAndIsDraggedWithTheMouse)
{
    auto* line = new TColorLineTool;
    line->SetAxis(chart.BottomAxis());
    line->Pen()->SetColor(clRed);
    line->SetValue(5);
    const int y = Y(50);
    QImage img = Paint();
    EXPECT_EQ(At(img, X(5), y), clRed);

    int begins = 0, drags = 0, ends = 0;
    line->OnBeginDragLine = [&](TColorLineTool*) { ++begins; };
    line->OnDragLine = [&](TColorLineTool*) { ++drags; };
    line->OnEndDragLine = [&](TColorLineTool*) { ++ends; };

    // Three pixels away, or the right button, starts nothing.
    Press(X(5) + 3, y);
    EXPECT_FALSE(line->Dragging());
    Release(X(5) + 3, y);
    Press(X(5), y, Qt::RightButton);
    EXPECT_FALSE(line->Dragging());
    Release(X(5), y, Qt::RightButton);
    EXPECT_EQ(begins, 0);

    line->SetStyle(clCenter);
    Press(X(5) + 2, y);
    EXPECT_TRUE(line->Dragging());
    Move(X(7), y);
    Release(X(7), y);
    EXPECT_FALSE(line->Dragging());
    EXPECT_EQ(line->GetStyle(), clCustom);
    EXPECT_NEAR(line->GetValue(), 7, 0.05);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(chart.Zoomed);
    img = Paint();
    EXPECT_EQ(At(img, X(7), y), clRed);

    // Past the chart rectangle the drag stops at the axis end unless unlimited.
    Press(X(7), y);
    Move(chart.ChartRect.Right + 40, y);
    Release(chart.ChartRect.Right + 40, y);
    EXPECT_DOUBLE_EQ(line->GetValue(), 10);
    line->SetNoLimitDrag(true);
    Press(X(10), y);
    Move(chart.ChartRect.Right + 40, y);
    Release(chart.ChartRect.Right + 40, y);
    EXPECT_GT(line->GetValue(), 10);
}

TEST_F(AxisBandToolsTest, ColourLineStylesAndLimits)
{
    auto* line = new TColorLineTool;
    line->SetAxis(chart.LeftAxis());
    line->SetStyle(clCenter);
    EXPECT_DOUBLE_EQ(line->CalcValue(), 50);
    chart.LeftAxis()->SetMinMax(20, 40);
    EXPECT_DOUBLE_EQ(line->CalcValue(), 30);
    line->SetStyle(clMaximum);
    EXPECT_DOUBLE_EQ(line->CalcValue(), 40);
    line->SetStyle(clMinimum);
    EXPECT_DOUBLE_EQ(line->CalcValue(), 20);

    // A value outside the visible range is pulled to the nearer end at the next paint.
    line->SetValue(90);
    EXPECT_EQ(line->GetStyle(), clCustom);
    Paint();
    EXPECT_DOUBLE_EQ(line->GetValue(), 40);
    line->SetValue(-5);
    Paint();
    EXPECT_DOUBLE_EQ(line->GetValue(), 20);
    chart.LeftAxis()->SetInverted(true);
    Paint();
    EXPECT_DOUBLE_EQ(line->LimitValue(-5), 20);
    EXPECT_DOUBLE_EQ(line->LimitValue(99), 40);
}

TEST_F(AxisBandToolsTest, DraggingABandEdgeMovesTheBand)
{
    auto* band = new TColorBandTool;
    band->SetAxis(chart.BottomAxis());
    EXPECT_EQ(chart.Tools()->Count(), 1);  // the edge lines stay out of the list
    EXPECT_EQ(band->StartLine()->Chart(), &chart);
    band->SetStartValue(2);
    band->SetEndValue(6);
    band->SetResizeStart(true);
    band->SetResizeEnd(true);
    Paint();
    const int y = Y(50);
    Press(X(2), y);
    Move(X(3), y);
    Release(X(3), y);
    EXPECT_NEAR(band->GetStartValue(), 3, 0.05);
    Press(X(6), y);
    Move(X(8), y);
    Release(X(8), y);
    EXPECT_NEAR(band->GetEndValue(), 8, 0.05);
    EXPECT_FALSE(chart.Zoomed);

    // Inactive edges do not react.
    band->SetResizeStart(false);
    Press(X(3), y);
    Move(X(1), y);
    Release(X(1), y);
    EXPECT_NEAR(band->GetStartValue(), 3, 0.05);
}

}  // namespace

namespace {

TEST_F(AxisBandToolsTest, GridBandsWithTwoTicksAndTheHookOfTheLastTool)
{
    auto* tool = new TGridBandTool;
    tool->GetBand1()->SetColor(clRed);
    tool->GetBand2()->SetColor(clBlue);
    tool->SetAxis(chart.BottomAxis());
    chart.BottomAxis()->SetDesiredIncrement(6);
    QImage img = Paint();
    const std::vector<int> T = chart.BottomAxis()->Tick;
    ASSERT_EQ(T.size(), 2u);
    // The gap between the two ticks is a band too, and so is the rest up to the edge.
    const int y = Y(53);
    EXPECT_NE(At(img, (T[0] + T[1]) / 2, y), clWhite);
    EXPECT_NE(At(img, (T[1] + chart.BottomAxis()->EndPos) / 2, y), clWhite);

    // A second tool takes the hook over; freeing the first leaves it with the second.
    auto* second = new TGridBandTool;
    second->GetBand1()->SetColor(clLime);
    second->GetBand2()->SetColor(clLime);
    second->SetAxis(chart.BottomAxis());
    delete tool;
    img = Paint();
    EXPECT_EQ(At(img, (T[0] + T[1]) / 2, y), clLime);
}

TEST_F(AxisBandToolsTest, ToolsOfAFreedAxisStayWithTheChartThatFreesThem)
{
    QPointer<TGridBandTool> tool;
    {
        TChart owner;
        TChartAxis* custom = owner.GetCustomAxes()->Add();
        tool = new TGridBandTool;
        tool->SetAxis(custom);
        delete custom;
        ASSERT_TRUE(tool);
        EXPECT_EQ(tool->Axis(), nullptr);
        EXPECT_EQ(owner.Tools()->IndexOf(tool), 0);
    }
    EXPECT_FALSE(tool);
}

}  // namespace
