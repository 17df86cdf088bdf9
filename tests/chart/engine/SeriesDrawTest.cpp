// A series inside a chart's draw: depth slots, drawing order, marks layout, marks drawing
// and overlap, legend items, paging and the mouse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AxisTestSupport.h"
#include "chart/engine/TSeriesMarks.h"
#include "platform/FormatSettings.h"

namespace {

// A series that records what the chart asks it to draw.
class RecordingSeries : public TChartSeries {
public:
    void DrawValue(int index) override { Values.push_back(index); }
    void DrawMark(int index, const AnsiString& text, TSeriesMarkPosition& position) override
    {
        Laid.push_back({index, text, position});
    }
    int Clicked(int x, int) override { return x < 100 ? 0 : -1; }
    struct Mark {
        int index;
        AnsiString text;
        TSeriesMarkPosition position;
    };
    std::vector<int> Values;
    std::vector<Mark> Laid;
};

class SeriesDrawTest : public AxisChartTest {
protected:
    SeriesDrawTest()
    {
        series.SetParentChart(&chart);
        Scale(Bottom(), 0, 10);
        Scale(Left(), 0, 100);
    }
    RecordingSeries series;
};

TEST_F(SeriesDrawTest, AutomaticSeriesTakeConsecutiveDepthSlotsIn3D)
{
    RecordingSeries second;
    second.SetParentChart(&chart);
    chart.View3D = true;
    chart.SeriesWidth3D = 15;
    chart.MaxZOrder = -1;
    series.CalcZOrder();
    second.CalcZOrder();
    EXPECT_EQ(series.GetZOrder(), 0);
    EXPECT_EQ(second.GetZOrder(), 1);
    second.CalcDepthPositions();
    EXPECT_EQ(second.StartZ, 15);
    EXPECT_EQ(second.EndZ, 30);
    EXPECT_EQ(second.MiddleZ, 22);
    EXPECT_EQ(second.Marks()->ZPosition, 22);
    second.SetDepth(4);
    second.CalcDepthPositions();
    EXPECT_EQ(second.EndZ, 19);
    // Same slot: only with ApplyZOrder the chart is told.
    EXPECT_FALSE(series.MoreSameZOrder());
    second.SetZOrder(0);
    EXPECT_TRUE(series.MoreSameZOrder());
    EXPECT_TRUE(series.FirstInZOrder());
    EXPECT_FALSE(second.FirstInZOrder());
    chart.ApplyZOrder = false;
    EXPECT_FALSE(series.MoreSameZOrder());

    chart.View3D = false;
    second.SetZOrder(-1);
    series.CalcZOrder();
    second.CalcZOrder();
    EXPECT_EQ(series.GetZOrder(), 0);
    EXPECT_EQ(second.GetZOrder(), 0);
}

TEST_F(SeriesDrawTest, ValuesDrawInAxisDirectionOverTheVisibleRange)
{
    for (int x = 0; x <= 12; x += 2) series.AddXY(x, x * 5);
    series.CalcFirstLastVisibleIndex();
    EXPECT_EQ(series.VisibleCount(), 6);
    series.DrawAllValues();
    EXPECT_EQ(series.Values, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    Bottom()->SetInverted(true);
    EXPECT_EQ(series.FirstDisplayedIndex(), 5);
    series.Values.clear();
    series.DrawAllValues();
    EXPECT_EQ(series.Values, (std::vector<int>{5, 4, 3, 2, 1, 0}));
    chart.InvertedRotation = true;
    EXPECT_TRUE(series.DrawValuesForward());
    EXPECT_FALSE(series.DrawSeriesForward(0));

    // A horizontal series runs along the vertical axis.
    RecordingSeries across;
    across.SetHorizontal();
    across.XValues()->SetOrder(loNone);
    across.YValues()->SetOrder(loAscending);
    across.SetParentChart(&chart);
    for (int y = 0; y <= 120; y += 20) across.AddXY(1, y);
    across.CalcFirstLastVisibleIndex();
    EXPECT_EQ(across.FirstValueIndex, 0);
    EXPECT_EQ(across.LastValueIndex, 5);

    // Nothing visible: nothing drawn, no marks laid out.
    series.FirstValueIndex = series.LastValueIndex = -1;
    series.Values.clear();
    series.DrawAllValues();
    series.Marks()->SetVisible(true);
    series.DrawMarks();
    EXPECT_TRUE(series.Values.empty());
    EXPECT_TRUE(series.Laid.empty());
    EXPECT_EQ(series.VisibleCount(), 0);
}

TEST_F(SeriesDrawTest, MarksAreLaidOutAboveEveryNthPointWithText)
{
    for (int i = 0; i < 8; ++i) series.AddXY(i, 10 * i, i == 6 ? "" : "A");
    series.SetNull(3);
    series.Marks()->SetVisible(true);
    series.Marks()->SetDrawEvery(3);
    series.Marks()->SetStyle(smsLabel);
    series.OnGetMarkText = [](TChartSeries*, int index, AnsiString& text) {
        if (index == 6) text.clear();
    };
    series.CalcFirstLastVisibleIndex();
    series.DrawMarks();
    // 3 is a null point, 6 has no text.
    ASSERT_EQ(series.Laid.size(), 1u);
    const auto& m = series.Laid[0];
    EXPECT_EQ(m.index, 0);
    EXPECT_EQ(m.text, "A");
    // "A" and "W" six pixels each, one line of ten, the frame pen of one pixel on both sides.
    EXPECT_EQ(m.position.Width, 14);
    EXPECT_EQ(m.position.Height, 12);
    const TPoint at(series.CalcXPos(0), series.CalcYPos(0));
    EXPECT_EQ(m.position.ArrowTo, at);
    EXPECT_EQ(m.position.ArrowFrom, at);
    EXPECT_EQ(m.position.LeftTop, TPoint(at.X - 7, at.Y - 11));

    // The item's own frame counts: hidden, one pixel more each way instead. A hidden item
    // has no mark.
    series.Laid.clear();
    series.OnGetMarkText = nullptr;
    series.Marks()->Items().Get(6)->SetVisible(false);
    series.Marks()->Items().Get(0)->GetPen()->SetVisible(false);
    series.DrawMarks();
    ASSERT_EQ(series.Laid.size(), 1u);
    EXPECT_EQ(series.Laid[0].position.Width, 13);
    EXPECT_EQ(series.Laid[0].position.Height, 11);
}

// A handler that keeps only labels lets the marks pass over points without one: the same
// marks, without a text made for every point shown. Styles whose text for such a point is
// no number (its X value) still ask for every point.
TEST_F(SeriesDrawTest, MarksOfLabelsOnlyMakeTextsForLabelledPointsAlone)
{
    for (int i = 0; i < 2000; ++i)
        series.AddXY(i * 0.005, 10, i == 7 || i == 1500 || i == 1503 ? "Segment" : i == 1200 ? "1,5" : "");
    series.SetNull(1500);
    series.Marks()->SetVisible(true);
    series.Marks()->SetStyle(smsLabel);
    int asked = 0;
    series.OnGetMarkText = [&](TChartSeries*, int, AnsiString& text) {
        ++asked;
        double v;
        if (TryStrToFloat(text, v)) text.clear();
    };
    auto laid = [&] {
        series.Laid.clear();
        asked = 0;
        series.CalcFirstLastVisibleIndex();
        series.DrawMarks();
        std::vector<std::pair<int, AnsiString>> r;
        for (const auto& m : series.Laid) r.emplace_back(m.index, m.text);
        return r;
    };
    const auto all = laid();
    EXPECT_EQ(asked, 1999);  // every point but the null one
    series.MarksOfLabelsOnly = true;
    EXPECT_EQ(laid(), all);
    EXPECT_EQ(asked, 3);  // 7, 1200 and 1503
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1], (std::pair<int, AnsiString>(1503, "Segment")));

    series.Marks()->SetDrawEvery(2);
    EXPECT_EQ(laid(), (std::vector<std::pair<int, AnsiString>>{}));
    series.Marks()->SetDrawEvery(1);
    series.Marks()->SetStyle(smsXValue);
    laid();
    EXPECT_EQ(asked, 1999);
}

class MarksDrawTest : public SeriesDrawTest {
protected:
    MarksDrawTest()
    {
        plain.SetParentChart(&chart);
        plain.AddXY(5, 50, "A");
        plain.AddXY(6, 50, "B");
    }
    static TSeriesMarkPosition At(int left, int top, int width = 20, int height = 10)
    {
        TSeriesMarkPosition p;
        p.LeftTop = TPoint(left, top);
        p.ArrowFrom = p.ArrowTo = TPoint(left + width / 2, top + height);
        p.Width = width;
        p.Height = height;
        return p;
    }
    TChartSeries plain;
};

TEST_F(MarksDrawTest, TextLinesAreCentredBelowEachOther)
{
    TSeriesMarks& marks = *plain.Marks();
    TSeriesMarkPosition p = At(100, 40, 40, 22);
    canvas.Clear();
    marks.InternalDraw(0, clRed, AnsiString("one") + TeeLineSeparator + "two", p);
    // Centre of (102 .. 140), one frame pixel down, one line height apart.
    EXPECT_EQ(canvas.CallsStartingWith("TextOut("),
              (std::vector<std::string>{"TextOut(121,41,\"one\")", "TextOut(121,51,\"two\")"}));
    EXPECT_GE(canvas.IndexOf("SetTextAlign(6)"), 0);
    // The drawn position is remembered for hit tests.
    ASSERT_NE(marks.Positions().Get(0), nullptr);
    EXPECT_EQ(marks.Positions().Get(0)->LeftTop, TPoint(100, 40));

    // A visible callout arrow is drawn from the point to the mark.
    marks.GetCallout()->GetArrow()->SetVisible(true);
    canvas.Clear();
    p = At(100, 40, 40, 22);
    p.ArrowFrom = TPoint(120, 80);
    marks.InternalDraw(0, clRed, "one", p);
    EXPECT_GE(canvas.IndexOf("Line(120,80,120,62)"), 0);
}

TEST_F(MarksDrawTest, AntiOverlapMovesAwayFromEarlierMarksAndClickFindsTheFirst)
{
    TSeriesMarks& marks = *plain.Marks();
    marks.Positions().Put(0, At(100, 100));
    marks.Positions().Automatic(0);

    // Later mark below and overlapping: down below the earlier one's frame and shadow.
    TSeriesMarkPosition lower = At(105, 105);
    marks.AntiOverlap(0, 1, lower);
    EXPECT_EQ(lower.LeftTop.Y, 112);
    EXPECT_EQ(lower.ArrowTo.Y, 122);

    // Earlier mark lower: the later one goes up above it.
    marks.Positions().Put(0, At(100, 110));
    TSeriesMarkPosition upper = At(105, 105);
    marks.AntiOverlap(0, 1, upper);
    EXPECT_EQ(upper.LeftTop.Y, 98);

    // Apart: unchanged.
    TSeriesMarkPosition apart = At(300, 105);
    marks.AntiOverlap(0, 1, apart);
    EXPECT_EQ(apart.LeftTop.Y, 105);

    marks.Positions().Put(1, At(110, 112));
    EXPECT_EQ(marks.Clicked(115, 115), 0);
    EXPECT_EQ(marks.Clicked(125, 121), 1);
    EXPECT_EQ(marks.Clicked(10, 10), -1);
    marks.SetDrawEvery(2);
    EXPECT_EQ(marks.Clicked(125, 121), -1);
}

TEST_F(MarksDrawTest, MarkItemsAreShapesWithTheirOwnDefaults)
{
    TSeriesMarks& marks = *plain.Marks();
    // The widest mark over the points whose mark shows.
    marks.SetStyle(smsLabelValue);
    EXPECT_EQ(plain.MaxMarkWidth(), 0);
    marks.SetVisible(true);
    EXPECT_EQ(plain.MaxMarkWidth(), 6 * 4);
    marks.SetVisible(false);
    EXPECT_EQ(marks.GetColor(), clInfoBk);
    EXPECT_FALSE(marks.GetVisible());
    EXPECT_EQ(marks.GetShadow()->GetSize(), 1);
    EXPECT_EQ(marks.GetShadow()->GetColor(), TColor(0x808080));
    EXPECT_EQ(marks.MarkItem(1), &marks);
    marks.Items().Get(1)->SetColor(clRed);
    EXPECT_NE(marks.MarkItem(1), &marks);
    EXPECT_EQ(marks.MarkItem(0)->GetColor(), clInfoBk);
    EXPECT_EQ(marks.MarkItem(1)->GetColor(), clRed);
    EXPECT_EQ(marks.MarkItem(1)->GetShadow()->GetSize(), 1);
    // Their gradient runs right to left from silver to white, not stored as such.
    TTeeGradient* gradient = marks.MarkItem(1)->GetGradient();
    EXPECT_EQ(gradient->GetStartColor(), clSilver);
    EXPECT_EQ(gradient->GetDirection(), gdRightLeft);
    EXPECT_FALSE(gradient->IsPropertyStored("StartColor"));
    gradient->SetEndColor(clRed);
    EXPECT_TRUE(gradient->IsPropertyStored("EndColor"));
    EXPECT_EQ(marks.GetGradient()->GetEndColor(), clWhite);

    // Copies carry items, callout and symbol.
    marks.GetCallout()->SetLength(20);
    marks.GetSymbol()->SetVisible(true);
    TChartSeries copy;
    copy.Marks()->Assign(marks);
    EXPECT_EQ(copy.Marks()->MarkItem(1)->GetColor(), clRed);
    EXPECT_EQ(copy.Marks()->GetArrowLength(), 20);
    EXPECT_TRUE(copy.Marks()->GetSymbol()->ShouldDraw());
    copy.Marks()->SetCallout(nullptr);
    EXPECT_FALSE(copy.Marks()->HasCallout());
}

TEST_F(SeriesDrawTest, LegendTextsAndSymbols)
{
    series.AddXY(1, 30, "A");
    series.AddXY(2, 10);
    series.SetValueFormat("0");
    const AnsiString sep(1, TeeColumnSeparator);
    EXPECT_EQ(series.LegendString(0, ltsPlain), "A");
    EXPECT_EQ(series.LegendString(0, ltsLeftValue), "30" + sep + "A");
    EXPECT_EQ(series.LegendString(0, ltsRightPercent), "A" + sep + "75 %");
    EXPECT_EQ(series.LegendString(1, ltsRightValue), "10");
    EXPECT_EQ(series.LegendString(1, ltsPercent), "25 %");
    EXPECT_EQ(series.LegendString(1, ltsXAndValue), "axis" + sep + "10");

    series.SetValueColor(1, clRed);
    EXPECT_EQ(series.LegendItemColor(1), clRed);
    const TRect r(10, 10, 20, 20);
    canvas.Clear();
    series.DrawLegend(1, r);
    EXPECT_EQ(canvas.Brush->GetColor(), clRed);
    EXPECT_EQ(canvas.CallsStartingWith("Rectangle("), std::vector<std::string>{"Rectangle(10,10,20,20)"});
    EXPECT_TRUE(chart.AutoRepaint);

    // A symbol in the legend's own colour gets an outline: white on black.
    chart.LegendColor = clBlack;
    series.SetValueColor(1, clBlack);
    canvas.Clear();
    series.DrawLegend(1, r);
    EXPECT_EQ(canvas.CallsStartingWith("Rectangle(").size(), 2u);
    EXPECT_EQ(canvas.Pen->GetColor(), clWhite);
    EXPECT_EQ(canvas.Brush->GetStyle(), bsClear);

    // A series drawn point by point has no symbol of its own; a null colour draws nothing.
    series.SetColorEachPoint(true);
    canvas.Clear();
    series.DrawLegend(-1, r);
    series.SetNull(0);
    series.DrawLegend(0, r);
    EXPECT_TRUE(canvas.CallsStartingWith("Rectangle(").empty());
}

TEST_F(SeriesDrawTest, PagesAndMouse)
{
    int first = 0, last = 0;
    series.CalcFirstLastPage(first, last);
    EXPECT_EQ(first, -1);
    for (int i = 0; i < 10; ++i) series.AddXY(i, i);
    series.CalcFirstLastPage(first, last);
    EXPECT_EQ(last, 9);
    chart.MaxPointsPerPage = 4;
    chart.Page = 3;
    series.CalcFirstLastPage(first, last);
    EXPECT_EQ(first, 8);
    EXPECT_EQ(last, 9);
    chart.Page = 5;
    series.CalcFirstLastPage(first, last);
    EXPECT_EQ(first, 4);
    EXPECT_EQ(last, 7);
    chart.Page = 0;
    series.CalcFirstLastPage(first, last);
    EXPECT_EQ(first, 0);

    // Without cursor or events the mouse is not checked.
    EXPECT_FALSE(series.CheckMouse(10, 10));
    std::vector<std::string> log;
    series.OnMouseEnter = [&](TChartSeries*) { log.push_back("enter"); };
    series.OnMouseLeave = [&](TChartSeries*) { log.push_back("leave"); };
    series.Cursor = 7;
    EXPECT_TRUE(series.CheckMouse(10, 10));
    EXPECT_TRUE(series.CheckMouse(20, 10));
    EXPECT_FALSE(series.CheckMouse(200, 10));
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
    EXPECT_EQ(chart.ChartCursor, 7);

    chart.CursorPos = TPoint(Bottom()->CalcXPosValue(4), Left()->CalcYPosValue(50));
    double x = 0, y = 0;
    series.GetCursorValues(x, y);
    EXPECT_NEAR(x, 4, 0.05);
    EXPECT_NEAR(y, 50, 0.5);
    EXPECT_EQ(series.GetCursorValueIndex(), -1);

    // Leaving the chart gives the chart its own cursor back.
    chart.OriginalCursor = 1;
    series.SetParentChart(nullptr);
    EXPECT_EQ(chart.ChartCursor, 1);
}

}  // namespace
