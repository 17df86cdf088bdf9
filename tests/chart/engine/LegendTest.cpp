// The chart legend on a recording canvas (each character 6 pixels wide, every text 10
// high): its box on each side of the chart, item texts per style, hidden series, scrolling
// and the item under a mouse point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "support/PixelProbe.h"
#include "support/RecordingCanvas.h"

namespace {

class RecordingChart : public TChart {
public:
    using TChart::TChart;
    support::TRecordingCanvas* UseRecordingCanvas()
    {
        auto* c = new support::TRecordingCanvas;
        SetInternalCanvas(c);
        return c;
    }
};

class QuietSeries : public TChartSeries {
public:
    using TChartSeries::TChartSeries;
    void DrawValue(int) override {}
};

std::string Text(int x, int y, const std::string& s)
{
    return "TextOut(" + std::to_string(x) + "," + std::to_string(y) + ",\"" + s + "\")";
}

class LegendTest : public ::testing::Test {
protected:
    LegendTest()
    {
        chart.resize(400, 300);
        chart.SetView3D(false);
        chart.SetBevelOuter(bvNone);
        rec = chart.UseRecordingCanvas();
        a = new QuietSeries(&chart);
        b = new QuietSeries(&chart);
        a->SetTitle("Alpha");
        b->SetTitle("Beta");
        a->AddXY(1, 10, "One");
        a->AddXY(2, 20, AnsiString("Two") + TeeLineSeparator + "Line");
        a->AddXY(3, 30, "Three");
        b->AddXY(1, 5);
        chart.AddSeries(a);
        chart.AddSeries(b);
        legend = chart.GetLegend();
    }
    void Paint()
    {
        rec->Clear();
        chart.Paint();
    }

    RecordingChart chart;
    support::TRecordingCanvas* rec;
    QuietSeries* a;
    QuietSeries* b;
    TChartLegend* legend;
};

TEST_F(LegendTest, VerticalLegendsStandBesideTheChartRectangle)
{
    Paint();
    // Right: texts "Alpha" (30) and "Beta": T = 30 + 2 * 6 - 1 = 41, symbol 20 % of 51 = 10.
    TRect L = legend->GetRectLegend();
    EXPECT_EQ(L.Right - L.Left, 61);
    EXPECT_EQ(L.Top, chart.ChartBounds.Top + 30);  // TopPos 10 % of 300
    EXPECT_EQ(L.Bottom - L.Top, 2 * 10 + 2);
    EXPECT_LT(chart.ChartRect.Right, L.Left);
    EXPECT_GE(rec->IndexOf(Text(L.Left + 20, L.Top + 1, "Alpha")), 0);
    EXPECT_GE(rec->IndexOf(Text(L.Left + 20, L.Top + 11, "Beta")), 0);

    legend->SetAlignment(laLeft);
    legend->GetSymbol()->SetPosition(spRight);
    Paint();
    L = legend->GetRectLegend();
    EXPECT_GT(chart.ChartRect.Left, L.Right);
    EXPECT_LT(L.Left, 20);
    // Symbol on the right: the text starts at the item's left.
    EXPECT_GE(rec->IndexOf(Text(L.Left + 6, L.Top + 1, "Alpha")), 0);

    // Not resizing leaves the chart rectangle where it would be without legend.
    legend->SetResizeChart(false);
    Paint();
    EXPECT_LT(chart.ChartRect.Left, legend->GetRectLegend().Right);
}

TEST_F(LegendTest, HorizontalLegendsPutItemsSideBySide)
{
    legend->SetAlignment(laTop);
    Paint();
    TRect L = legend->GetRectLegend();
    EXPECT_EQ(legend->NumCols(), 2);
    EXPECT_EQ(legend->NumRows(), 1);
    EXPECT_EQ(L.Bottom - L.Top, 12);
    EXPECT_GT(chart.ChartRect.Top, L.Bottom);
    // Symbol 20 % of 41 = 8; the second column starts T + 8 + 6 further right.
    const int x = L.Left + 6 + 8 + 4;
    EXPECT_GE(rec->IndexOf(Text(x, L.Top + 1, "Alpha")), 0);
    EXPECT_GE(rec->IndexOf(Text(x + 55, L.Top + 1, "Beta")), 0);
    // A click on the second half is the second item.
    EXPECT_EQ(legend->Clicked(L.Right - 3, L.Top + 5), 1);
    EXPECT_EQ(legend->Clicked(L.Left + 3, L.Top + 5), 0);

    legend->SetAlignment(laBottom);
    Paint();
    L = legend->GetRectLegend();
    EXPECT_LT(chart.ChartRect.Bottom, L.Top);
    EXPECT_GT(L.Bottom, 280);
    EXPECT_LT(L.Bottom, 300);
}

TEST_F(LegendTest, ItemTextsFollowTheStyle)
{
    // Two active series: one item per series.
    Paint();
    EXPECT_EQ(legend->InternalLegendStyle(), lsSeries);
    EXPECT_EQ(chart.FormattedLegend(1), "Beta");

    // One active series: its values, value right-aligned in column 1, label in column 2,
    // line breaks turned into blanks.
    b->SetActive(false);
    Paint();
    EXPECT_EQ(legend->InternalLegendStyle(), lsValues);
    EXPECT_EQ(legend->TotalLegendItems(), 3);
    const TRect L = legend->GetRectLegend();
    const int x = L.Left + 6 + legend->GetSymbol()->CalcWidth(12 + 48 + 11 + 10) + 4;
    EXPECT_GE(rec->IndexOf(Text(x + 12, L.Top + 1, "10")), 0);
    EXPECT_GE(rec->IndexOf(Text(x + 18, L.Top + 1, "One")), 0);
    EXPECT_GE(rec->IndexOf(Text(x + 18, L.Top + 11, "Two Line")), 0);
    EXPECT_TRUE(rec->CallsStartingWith("TextOut(" + std::to_string(x) + ",").empty());

    legend->SetTextStyle(ltsPlain);
    EXPECT_EQ(chart.FormattedLegend(2), "Three");
    legend->SetTextStyle(ltsRightValue);
    EXPECT_EQ(chart.FormattedLegend(0), AnsiString("One") + TeeColumnSeparator + "10");

    chart.OnGetLegendText = [](QObject*, TLegendStyle style, int index, AnsiString& text) {
        if (style == lsValues && index == 0) text = "first";
    };
    EXPECT_EQ(chart.FormattedLegend(0), "first");
    chart.OnGetLegendText = nullptr;

    legend->SetLegendStyle(lsLastValues);
    Paint();
    EXPECT_EQ(legend->TotalLegendItems(), 1);
    EXPECT_EQ(chart.FormattedLegend(0), AnsiString("Three") + TeeColumnSeparator + "30");
}

TEST_F(LegendTest, HiddenSeriesAndCheckBoxes)
{
    b->SetShowInLegend(false);
    legend->SetLegendStyle(lsSeries);
    Paint();
    EXPECT_EQ(legend->TotalLegendItems(), 1);

    // With check boxes a single series still gives the series style, and a switched off
    // series stays listed.
    b->SetShowInLegend(true);
    b->SetActive(false);
    legend->SetLegendStyle(lsAuto);
    legend->SetCheckBoxes(true);
    Paint();
    EXPECT_EQ(legend->InternalLegendStyle(), lsSeries);
    EXPECT_EQ(legend->TotalLegendItems(), 2);
    EXPECT_EQ(chart.FormattedLegend(1), "Beta");
    EXPECT_EQ(legend->CalcItemHeight(), 17);

    // A click on Beta's row switches it on, a second one off again.
    const TRect L = legend->GetRectLegend();
    EXPECT_EQ(legend->Clicked(L.Left + 20, L.Top + 1 + 17 + 5), 1);
    chart.MouseDown(mbLeft, 0, L.Left + 20, L.Top + 1 + 17 + 5);
    EXPECT_TRUE(b->GetActive());
    EXPECT_TRUE(legend->DoMouseDown(0, 0, 1));
    EXPECT_FALSE(b->GetActive());

    // Radio buttons keep exactly one series on.
    b->SetActive(true);
    legend->SetCheckBoxesStyle(cbsRadio);
    EXPECT_TRUE(a->GetActive());
    EXPECT_FALSE(b->GetActive());
    legend->DoMouseDown(0, 0, 1);
    EXPECT_FALSE(a->GetActive());
    EXPECT_TRUE(b->GetActive());
}

TEST_F(LegendTest, RowsThatFitScrollingAndClicks)
{
    b->SetActive(false);
    for (int i = 0; i < 60; ++i) a->Add(i);
    Paint();
    const int rows = legend->NumRows();
    EXPECT_GT(rows, 5);
    EXPECT_LT(rows, 63);
    EXPECT_EQ(legend->LastValue(), rows - 1);
    TRect L = legend->GetRectLegend();
    EXPECT_EQ(legend->Clicked(L.Left + 10, L.Top + 1), 0);
    EXPECT_EQ(legend->Clicked(L.Left + 10, L.Top + 1 + 10 * 2 + 5), 2);
    EXPECT_EQ(legend->Clicked(L.Right + 5, L.Top + 5), -1);

    legend->SetFirstValue(5);
    Paint();
    EXPECT_EQ(legend->LastValue(), 5 + rows - 1);
    L = legend->GetRectLegend();
    EXPECT_EQ(legend->Clicked(L.Left + 10, L.Top + 1), 5);
    EXPECT_THROW(legend->SetFirstValue(-1), LegendException);
    EXPECT_EQ(legend->GetFirstValue(), 5);
    legend->SetFirstValue(0);

    // Inverted: the first row is the last value.
    legend->SetInverted(true);
    Paint();
    L = legend->GetRectLegend();
    EXPECT_EQ(legend->Clicked(L.Left + 10, L.Top + 1), legend->LastValue());

    // A short list: below the last row is no item.
    legend->SetInverted(false);
    a->Clear();
    a->Add(1);
    a->Add(2);
    Paint();
    L = legend->GetRectLegend();
    EXPECT_EQ(legend->Clicked(L.Left + 10, L.Top + 1 + 10 + 5), 1);
    EXPECT_EQ(legend->Clicked(L.Left + 10, L.Top + 1 + 30), -1);
}

TEST_F(LegendTest, ColumnSeparatorSplitsAnItemText)
{
    chart.OnGetLegendText = [](QObject*, TLegendStyle, int index, AnsiString& text) {
        if (index == 0) text = AnsiString("A") + TeeColumnSeparator + "B" + TeeColumnSeparator + "dropped";
    };
    Paint();
    const TRect L = legend->GetRectLegend();
    // Column 1 is as wide as "Beta" (24), so column 2 starts 24 + 6 further right.
    const int x = L.Left + 6 + legend->GetSymbol()->CalcWidth(24 + 6 + 12 - 1 + 10) + 4;
    EXPECT_GE(rec->IndexOf(Text(x, L.Top + 1, "A")), 0);
    EXPECT_GE(rec->IndexOf(Text(x + 30, L.Top + 1, "B")), 0);
    EXPECT_TRUE(
        rec->CallsStartingWith("TextOut(" + std::to_string(x + 30) + "," + std::to_string(L.Top + 1) + ",\"dropped")
            .empty());
}

TEST_F(LegendTest, NoRoomDrawsNothingAndLeavesTheChartRectangle)
{
    legend->SetMaxNumRows(0);
    legend->SetAlignment(laBottom);
    Paint();
    const TRect withoutRoom = chart.ChartRect;
    legend->Hide();
    Paint();
    EXPECT_EQ(chart.ChartRect, withoutRoom);
}

}  // namespace

namespace {

TEST_F(LegendTest, TitleSitsAboveTheItems)
{
    legend->GetTitle()->SetCaption("Items");
    Paint();
    const TRect L = legend->GetRectLegend();
    // Transparent title: one line of 10 plus 2 pushes the items down.
    EXPECT_EQ(L.Bottom - L.Top, 2 * 10 + 2 + 10 + 2);
    EXPECT_GE(rec->IndexOf(Text(L.Left + 20, L.Top + 13, "Alpha")), 0);
    // Its text starts half a "W" inside its own box, 2 pixels inside the legend.
    EXPECT_GE(rec->IndexOf(Text(L.Left + 2 + 3, L.Top + 3, "Items")), 0);
    // A wide title widens the legend.
    legend->GetTitle()->SetCaption("A much longer title");
    Paint();
    EXPECT_EQ(legend->GetRectLegend().Right - legend->GetRectLegend().Left, 19 * 6 + 6);
}

}  // namespace

namespace {

TEST(LegendPaint, SymbolsShowTheSeriesColoursOnTheLegendBox)
{
    TChart chart;
    chart.resize(400, 300);
    chart.SetView3D(false);
    chart.SetBevelOuter(bvNone);
    chart.SetColor(clWhite);
    auto* a = new QuietSeries(&chart);
    auto* b = new QuietSeries(&chart);
    a->SetTitle("Alpha");
    b->SetTitle("Beta");
    a->SetSeriesColor(clRed);
    b->SetSeriesColor(clBlue);
    a->Add(1);
    b->Add(2);
    chart.AddSeries(a);
    chart.AddSeries(b);
    chart.GetLegend()->SetColor(clYellow);
    chart.GetLegend()->GetShadow()->SetSize(0);
    chart.Invalidate();
    chart.PaintWindow();
    const QImage img = chart.WindowImage();
    const TRect L = chart.GetLegend()->GetRectLegend();
    const int H = chart.GetLegend()->CalcItemHeight();
    const int sx = L.Left + 6 + 3;
    EXPECT_EQ(support::PixelAt(img, sx, L.Top + 1 + H / 2), clRed);
    EXPECT_EQ(support::PixelAt(img, sx, L.Top + 1 + H + H / 2), clBlue);
    // The box itself in the legend's colour, the chart's right side left of it.
    EXPECT_EQ(support::PixelAt(img, L.Right - 2, L.Top + 3), clYellow);
    EXPECT_EQ(support::PixelAt(img, L.Left - 3, L.Top + 3), clWhite);
}

TEST(LegendPaint, AxisLabelsAfterTheLegendStayTransparent)
{
    // The symbols leave the canvas in opaque mode with the legend's colour; axes without a
    // title draw their labels straight after.
    TChart chart;
    chart.resize(400, 300);
    chart.SetView3D(false);
    chart.SetBevelOuter(bvNone);
    chart.SetColor(clWhite);
    auto* a = new QuietSeries(&chart);
    a->AddXY(1, 1);
    a->AddXY(2, 5);
    chart.AddSeries(a);
    chart.GetLegend()->SetColor(clYellow);
    chart.Invalidate();
    chart.PaintWindow();
    const TRect C = chart.GetChartRect();
    const QImage img = chart.WindowImage();
    EXPECT_EQ(support::CountColor(img.copy(0, 0, C.Left - 1, img.height()), clYellow), 0);
    EXPECT_EQ(support::CountColor(img.copy(0, C.Bottom + 1, C.Right, img.height() - C.Bottom - 1), clYellow), 0);
}

}  // namespace
