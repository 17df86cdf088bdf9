// The cursor and draw line tools driven by the mouse on an offscreen chart.
#include "ToolChartFixture.h"
#include "chart/series/TCursorTool.h"
#include "chart/series/TDrawLineTool.h"

namespace {

using CursorToolTest = ToolChartTest;
using DrawLineToolTest = ToolChartTest;

TEST_F(CursorToolTest, PlacedInTheMiddleAndSnappingWithTheLowerIndexOnTies)
{
    auto* cursor = new TCursorTool(&chart);
    chart.Tools()->Add(cursor);
    Paint();
    TChartAxis* h = chart.BottomAxis();
    TChartAxis* v = chart.LeftAxis();
    EXPECT_EQ(cursor->ScreenX(), (h->StartPos + h->EndPos) / 2);
    EXPECT_EQ(cursor->ScreenY(), (v->StartPos + v->EndPos) / 2);
    EXPECT_NEAR(cursor->GetXValue(), 5, 0.05);

    // Points 4 and 6 lie equally far from the middle: the lower index wins.
    series->Clear();
    for (double x : {1.0, 4.0, 6.0, 9.0}) series->AddXY(x, 50);
    auto* snapping = new TCursorTool(&chart);
    snapping->SetSeries(series);
    snapping->SetSnap(true);
    snapping->SetStyle(cssVertical);
    chart.Tools()->Add(snapping);
    int reported = -2;
    snapping->OnChange = [&](TCursorTool*, int, int, double, double, TChartSeries*, int index) { reported = index; };
    Paint();
    EXPECT_EQ(reported, 1);
    EXPECT_DOUBLE_EQ(snapping->GetXValue(), 4);

    // A value set by code moves the cursor and reports no point; the same value again
    // does nothing.
    reported = -2;
    snapping->SetXValue(7);
    EXPECT_EQ(reported, -1);
    reported = -2;
    snapping->SetXValue(7);
    EXPECT_EQ(reported, -2);

    // A value set before the first drawing is not lost to the placement in the middle.
    auto* early = new TCursorTool(&chart);
    early->SetXValue(2);
    early->SetYValue(30);
    chart.Tools()->Add(early);
    Paint();
    EXPECT_DOUBLE_EQ(early->GetXValue(), 2);
    EXPECT_EQ(early->ScreenX(), X(2));
}

TEST_F(CursorToolTest, PressWithinTheToleranceDragsAndXorLeavesNoResidue)
{
    auto* cursor = new TCursorTool(&chart);
    cursor->Pen()->SetColor(clRed);
    chart.Tools()->Add(cursor);
    cursor->SetActive(false);
    const QImage bare = Paint();
    cursor->SetActive(true);
    Paint();
    const int x = cursor->ScreenX(), y = cursor->ScreenY();

    // Two pixels off the vertical line (and off the horizontal one) still hit; three miss.
    Press(x + 3, y + 10);
    EXPECT_EQ(cursor->DragState(), ccNone);
    Release(x + 3, y + 10);
    Press(x + 2, y + 2);
    EXPECT_EQ(cursor->DragState(), ccBoth);
    Release(x + 2, y + 2);
    Press(x - 2, y + 20);
    EXPECT_EQ(cursor->DragState(), ccVertical);
    Move(X(8), y + 20);
    Move(X(7), y + 20);
    Release(X(7), y + 20);
    EXPECT_EQ(cursor->DragState(), ccNone);
    EXPECT_NEAR(cursor->GetXValue(), 7, 0.05);
    EXPECT_FALSE(chart.Zoomed);

    // What the window shows after the drag is what a fresh drawing shows.
    const QImage moved = Shown();
    EXPECT_EQ(moved, Paint());
    // Drawn a second time, the cursor leaves the chart as it was without it.
    cursor->RedrawCursor();
    EXPECT_EQ(Shown(), bare);

    // Outside the axes the drag leaves the cursor where it was.
    Paint();
    Press(cursor->ScreenX(), y + 20);
    Move(chart.ChartRect.Right + 30, y + 20);
    Release(chart.ChartRect.Right + 30, y + 20);
    EXPECT_NEAR(cursor->GetXValue(), 7, 0.05);
}

TEST_F(DrawLineToolTest, DrawnLinesStayOnTheirValuesAndOnePixelAddsNothing)
{
    auto* tool = new TDrawLineTool(&chart);
    tool->Pen()->SetColor(clRed);
    chart.Tools()->Add(tool);
    int added = 0;
    tool->OnNewLine = [&](QObject*) { ++added; };

    Press(X(2), Y(20));
    Release(X(2), Y(20));
    EXPECT_EQ(tool->Lines()->Count(), 0);

    Drag(X(2), Y(20), X(8), Y(20));
    ASSERT_EQ(tool->Lines()->Count(), 1);
    EXPECT_EQ(added, 1);
    EXPECT_FALSE(chart.Zoomed);
    TDrawLine* line = tool->Lines()->Last();
    EXPECT_NEAR(line->GetX0(), 2, 0.05);
    EXPECT_NEAR(line->GetX1(), 8, 0.05);
    EXPECT_NEAR(line->GetY0(), 20, 0.5);
    QImage img = Paint();
    EXPECT_EQ(At(img, X(5), Y(20)), clRed);

    // Zooming moves the line with its values.
    chart.LeftAxis()->SetMinMax(0, 40);
    img = Paint();
    EXPECT_EQ(At(img, X(5), Y(line->GetY0())), clRed);
    EXPECT_NE(At(img, X(5), Y(10)), clRed);

    // Dragging the selected line by its body moves both ends.
    Press(X(5), Y(line->GetY0()));
    EXPECT_EQ(tool->Selected(), line);
    Release(X(5), Y(line->GetY0()));
    const double y0 = line->GetY0();
    Drag(X(5), Y(y0), X(5), Y(y0) - 40);
    EXPECT_GT(line->GetY0(), y0 + 5);
    EXPECT_NEAR(line->GetX0(), 2, 0.05);

    tool->DeleteSelected();
    EXPECT_EQ(tool->Lines()->Count(), 0);
    EXPECT_EQ(tool->Selected(), nullptr);
}

TEST_F(DrawLineToolTest, ARefusedSelectionStartsNoDrag)
{
    auto* tool = new TDrawLineTool(&chart);
    chart.Tools()->Add(tool);
    new TDrawLine(tool, 1, 20, 4, 20);
    new TDrawLine(tool, 6, 60, 9, 60);
    TDrawLine* a = tool->Lines()->Items(0);
    TDrawLine* b = tool->Lines()->Items(1);
    Paint();
    tool->OnSelecting = [&](TDrawLineTool*, TDrawLine* line, bool& allow) { allow = line != b; };

    // Nothing selected: the refused press selects nothing and the release ends it.
    Drag(X(7), Y(60), X(7), Y(90));
    EXPECT_EQ(tool->Selected(), nullptr);
    EXPECT_EQ(tool->DraggedPart(), chNone);
    EXPECT_NEAR(b->GetY0(), 60, 0.01);

    // With another line selected, the refused line's points do not go into it.
    Press(X(2), Y(20));
    Release(X(2), Y(20));
    ASSERT_EQ(tool->Selected(), a);
    Drag(X(7), Y(60), X(7), Y(90));
    EXPECT_EQ(tool->Selected(), a);
    EXPECT_NEAR(a->GetX0(), 1, 0.01);
    EXPECT_NEAR(a->GetY0(), 20, 0.01);
    EXPECT_NEAR(b->GetY0(), 60, 0.01);
    EXPECT_EQ(tool->DraggedPart(), chNone);

    // Deleting a line that is selected clears the selection.
    delete a;
    EXPECT_EQ(tool->Selected(), nullptr);
    EXPECT_EQ(tool->Lines()->Count(), 1);
}

}  // namespace
