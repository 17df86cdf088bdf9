// The axis arrow, axis scroll and rotate tools driven by the mouse.
#include "ToolChartFixture.h"
#include "chart/series/TAxisArrowTool.h"
#include "chart/series/TAxisScrollTool.h"
#include "chart/series/TRotateTool.h"

namespace {

using ViewToolsTest = ToolChartTest;

TEST_F(ViewToolsTest, AxisArrowsScrollByAPercentWhenTheChartAllows)
{
    auto* tool = new TAxisArrowTool;
    tool->SetAxis(chart.BottomAxis());
    Paint();
    TChartAxis* axis = chart.BottomAxis();
    const int s = axis->StartPos, e = axis->EndPos, a = axis->PosAxis;
    EXPECT_EQ(tool->ClickedArrow(s + 5, a + 2), 0);
    EXPECT_EQ(tool->ClickedArrow(s + 5, a + 3), -1);
    EXPECT_EQ(tool->ClickedArrow(e - 5, a - 2), 1);

    int clicks = 0, scrolls = 0;
    bool atStart = false;
    tool->OnClick = [&](TAxisArrowTool*, bool start) {
        ++clicks;
        atStart = start;
    };
    chart.OnScroll = [&](QObject*) { ++scrolls; };
    Press(s + 5, a + 2);
    Release(s + 5, a + 2);
    EXPECT_DOUBLE_EQ(axis->GetMinimum(), 1);
    EXPECT_DOUBLE_EQ(axis->GetMaximum(), 11);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(atStart);
    EXPECT_EQ(scrolls, 1);
    EXPECT_FALSE(chart.Zoomed);

    // A refusing chart keeps the axis and hears of no scroll; the click is still reported.
    chart.OnAllowScroll = [](TChartAxis*, double&, double&, bool& allow) { allow = false; };
    Press(e - 5, a);
    Release(e - 5, a);
    EXPECT_DOUBLE_EQ(axis->GetMinimum(), 1);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(atStart);

    // Scrolling off: arrows neither scroll nor report clicks.
    chart.OnAllowScroll = nullptr;
    tool->SetScrollPercent(0);
    Press(s + 5, a);
    Release(s + 5, a);
    EXPECT_DOUBLE_EQ(axis->GetMinimum(), 1);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ViewToolsTest, AxisScrollDragsTheAxisItIsPressedOn)
{
    auto* tool = new TAxisScrollTool;
    chart.Tools()->Add(tool);
    TChartAxis* left = chart.LeftAxis();
    const int x = left->PosAxis - 3;
    Drag(x, Y(50), x, Y(50) - 20);
    EXPECT_LT(left->GetMinimum(), 0);
    EXPECT_NEAR(left->GetMaximum() - left->GetMinimum(), 100, 1e-9);
    EXPECT_DOUBLE_EQ(chart.BottomAxis()->GetMinimum(), 0);
    EXPECT_EQ(tool->DraggedAxis(), nullptr);

    tool->SetScrollInverted(true);
    left->SetMinMax(0, 100);
    Paint();
    Drag(x, Y(50), x, Y(50) - 20);
    EXPECT_GT(left->GetMinimum(), 0);
}

TEST_F(ViewToolsTest, RotateTurnsNinetyDegreesAcrossTheChartWidth)
{
    auto* tool = new TRotateTool;
    chart.Tools()->Add(tool);
    chart.SetView3D(true);
    Paint();
    TView3DOptions* view = chart.GetView3DOptions();
    const int rotation = view->GetRotation(), elevation = view->GetElevation();
    int steps = 0;
    tool->OnRotate = [&](QObject*) { ++steps; };
    Drag(50, 150, 50 + chart.Width(), 150);
    EXPECT_EQ(view->GetRotation(), TRotateTool::RotationChange(false, rotation, 90));
    EXPECT_EQ(view->GetRotation(), (rotation + 90) % 360);
    EXPECT_EQ(view->GetElevation(), elevation);
    EXPECT_FALSE(view->GetOrthogonal());
    EXPECT_EQ(steps, 1);

    // On a canvas without full rotation the elevation stays within 270..360.
    EXPECT_EQ(TRotateTool::ElevationChange(false, 280, -30), 270);
    EXPECT_EQ(TRotateTool::ElevationChange(false, 350, 30), 360);
    EXPECT_EQ(TRotateTool::RotationChange(false, 10, -30), 340);

    // With a visible pen only a box moves until the release, which repaints.
    tool->Pen()->SetVisible(true);
    Paint();
    Press(100, 150);
    Move(140, 150);
    EXPECT_FALSE(chart.AutoRepaint);
    Move(180, 150);
    Release(180, 150);
    EXPECT_TRUE(chart.AutoRepaint);

    // A chart without width has no scale: the step is skipped.
    const int before = view->GetRotation();
    chart.resize(0, 300);
    tool->ChartMouseEvent(cmeDown, mbLeft, 0, 0, 10);
    tool->ChartMouseEvent(cmeMove, mbLeft, 0, 30, 10);
    tool->ChartMouseEvent(cmeUp, mbLeft, 0, 30, 10);
    EXPECT_EQ(view->GetRotation(), before);
}

}  // namespace
