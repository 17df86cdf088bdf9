// The annotation and rectangle tools: boxes in corners, custom positions, dragging and
// resizing with the mouse.
#include "ToolChartFixture.h"
#include "chart/series/TRectangleTool.h"
#include "platform/TBitmap.h"

namespace {

using AnnotationToolsTest = ToolChartTest;

TEST_F(AnnotationToolsTest, CornersAndPercentPositions)
{
    auto* tool = new TAnnotationTool(&chart);
    chart.Tools()->Add(tool);
    tool->SetText("Hello\rWorld");
    int lines, x, y;
    TRect r;
    tool->GetBounds(lines, r, x, y);
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(TPoint(x, y), TPoint(10, 10));
    EXPECT_EQ(r.Left, 6);
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;

    // In the right bottom corner the box keeps 8 pixels plus its own size from the edges.
    tool->SetPosition(ppRightBottom);
    tool->GetBounds(lines, r, x, y);
    EXPECT_EQ(r.Right, chart.Width() - 6);
    EXPECT_EQ(r.Bottom, chart.Height() - 6);
    EXPECT_EQ(r.Right - r.Left, w);
    EXPECT_EQ(r.Bottom - r.Top, h);

    // Percent units: Left 50 puts the text at half the chart width.
    tool->SetPositionUnits(muPercent);
    tool->GetShape()->SetLeft(50);
    tool->GetShape()->SetTop(10);
    tool->GetBounds(lines, r, x, y);
    EXPECT_EQ(x, chart.Width() / 2);
    EXPECT_EQ(y, chart.Height() / 10);

    // An empty text still makes a box one blank wide; setting a width ends AutoSize.
    tool->SetText("");
    tool->GetBounds(lines, r, x, y);
    EXPECT_GT(r.Right - r.Left, 6);
    tool->SetWidth(120);
    EXPECT_FALSE(tool->GetAutoSize());
    tool->SetHeight(40);
    tool->GetBounds(lines, r, x, y);
    EXPECT_EQ(r.Right - r.Left, 120);

    int clicks = 0;
    tool->OnClick = [&](TAnnotationTool*, TMouseButton, TShiftState, int, int) { ++clicks; };
    Paint();
    Press(r.Left + 5, r.Top + 5);
    Release(r.Left + 5, r.Top + 5);
    Press(r.Left - 5, r.Top + 5);
    Release(r.Left - 5, r.Top + 5);
    EXPECT_EQ(clicks, 1);
}

TEST_F(AnnotationToolsTest, ACalloutPointsFromTheBoxToItsPosition)
{
    auto* tool = new TAnnotationTool(&chart);
    chart.Tools()->Add(tool);
    tool->SetText("Note");
    tool->GetCallout()->GetArrow()->SetVisible(true);
    tool->GetCallout()->GetArrow()->SetColor(clRed);
    tool->GetCallout()->SetXPosition(300);
    tool->GetCallout()->SetYPosition(200);
    const QImage img = Paint();
    EXPECT_EQ(At(img, 300 - 1, 200 - 1), clRed);
}

TEST_F(AnnotationToolsTest, RectangleEdgesGrabWithinThreePixels)
{
    auto* tool = new TRectangleTool(&chart);
    chart.Tools()->Add(tool);
    tool->GetShape()->SetTransparency(0);
    Paint();
    const TRect b = tool->GetShape()->ShapeBounds;
    EXPECT_EQ(b, TRect(10, 10, 59, 59));
    const int midY = (b.Top + b.Bottom) / 2;
    EXPECT_EQ(tool->ClickedEdge(b.Left + 3, midY), 0);
    EXPECT_EQ(tool->ClickedEdge(b.Left + 4, midY), -1);
    EXPECT_EQ(tool->ClickedEdge(b.Right - 3, midY), 2);

    // Four pixels inside drags the whole box, also onto the chart's corner.
    int drags = 0;
    tool->OnDragging = [&](QObject*) { ++drags; };
    Drag(b.Left + 4, midY, 4, midY - b.Top);
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(tool->GetShape()->ShapeBounds, TRect(0, 0, 49, 49));
    Drag(24, 24, 124, 64);
    EXPECT_EQ(tool->GetShape()->ShapeBounds, TRect(100, 40, 149, 89));
    EXPECT_FALSE(chart.Zoomed);

    // The right edge dragged past the left one stops 3 pixels from it.
    Drag(148, 60, 20, 60);
    EXPECT_EQ(tool->GetShape()->ShapeBounds.Right, 103);
    EXPECT_EQ(tool->GrabbedEdge(), -1);
}

TEST_F(AnnotationToolsTest, LinesOfABoxOfFixedSizeStandOneBelowTheOther)
{
    auto* tool = new TRectangleTool(&chart);
    chart.Tools()->Add(tool);
    tool->GetShape()->SetTransparency(0);
    tool->GetShape()->GetPen()->SetVisible(false);
    tool->SetWidth(80);
    tool->SetHeight(80);
    const auto textHeight = [&] {
        const QImage box = Paint().copy(12, 13, 24, 70);
        return support::BoundingBoxOfNot(box, clWhite).height();
    };
    tool->SetText("W");
    const int one = textHeight();
    tool->SetText("W\rW");
    EXPECT_GT(textHeight(), one + one / 2);
}

TEST_F(AnnotationToolsTest, RectangleBitmapShowsTheChartUnderTheBox)
{
    auto* tool = new TRectangleTool(&chart);
    chart.Tools()->Add(tool);
    chart.SetColor(clYellow);
    tool->GetShape()->SetColor(clBlue);
    tool->GetShape()->SetTransparency(0);
    Paint();
    const std::unique_ptr<TBitmap> under = tool->Bitmap(true);
    EXPECT_EQ(under->GetWidth(), 50);
    EXPECT_EQ(support::PixelAt(under->Image(), 2, 2), clYellow);
    const std::unique_ptr<TBitmap> drawn = tool->Bitmap(false);
    EXPECT_EQ(support::PixelAt(drawn->Image(), 20, 20), clBlue);
    EXPECT_TRUE(tool->GetActive());
}

}  // namespace
