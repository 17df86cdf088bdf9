// The nearest point, drag marks and marks tip tools driven by the mouse.
#include "ToolChartFixture.h"
#include "chart/series/TDragMarksTool.h"
#include "chart/series/TMarksTipTool.h"
#include "chart/series/TNearestTool.h"

namespace {

class PointToolsTest : public ToolChartTest {
protected:
    PointToolsTest()
    {
        series->Clear();
        series->AddXY(2, 20, "two");
        series->AddXY(4, 40, "four");
        series->AddXY(6, 60, "six");
        series->AddXY(8, 80, "eight");
        Paint();
    }
};

TEST_F(PointToolsTest, NearestPointSkipsNullsAndLowerIndexWinsTies)
{
    auto* tool = new TNearestTool(&chart);
    chart.Tools()->Add(tool);
    Move(X(4), Y(40));
    EXPECT_EQ(tool->NearestIndex, -1);  // no series: nothing

    tool->SetSeries(series);
    int changes = 0;
    tool->OnChange = [&](QObject*) { ++changes; };
    Move(X(4) + 3, Y(40));
    EXPECT_EQ(tool->NearestIndex, 1);
    EXPECT_EQ(changes, 1);
    series->SetNull(1);
    Move(X(4) + 3, Y(40));
    EXPECT_NE(tool->NearestIndex, 1);
    series->SetNull(1, false);
    EXPECT_EQ(TNearestTool::GetNearestPoint(series, (X(4) + X(6)) / 2, (Y(40) + Y(60)) / 2), 1);

    // Drawn in not-XOR mode, the highlight goes again when the mouse leaves the chart.
    tool->SetFullRepaint(false);
    tool->NearestIndex = -1;
    const QImage bare = Paint();
    Move(X(6) + 15, Y(60) + 10);
    EXPECT_EQ(tool->NearestIndex, 2);
    EXPECT_NE(Shown(), bare);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&chart, &leave);
    EXPECT_EQ(tool->NearestIndex, -1);
    EXPECT_EQ(Shown(), bare);
}

TEST_F(PointToolsTest, DraggingAMarkMovesItsBoxAndArrowEndButNotTheArrowStart)
{
    series->Marks()->SetVisible(true);
    auto* tool = new TDragMarksTool(&chart);
    chart.Tools()->Add(tool);
    Paint();
    TSeriesMarkPosition* p = series->Marks()->Positions().Get(2);
    ASSERT_NE(p, nullptr);
    const TSeriesMarkPosition before = *p;
    const TRect box = p->Bounds();
    const int x = (box.Left + box.Right) / 2, y = (box.Top + box.Bottom) / 2;
    Drag(x, y, x + 10, y + 5);
    p = series->Marks()->Positions().Get(2);
    EXPECT_TRUE(p->Custom);
    EXPECT_EQ(p->LeftTop, TPoint(before.LeftTop.X + 10, before.LeftTop.Y + 5));
    EXPECT_EQ(p->ArrowTo, TPoint(before.ArrowTo.X + 10, before.ArrowTo.Y + 5));
    EXPECT_EQ(p->ArrowFrom, before.ArrowFrom);
    EXPECT_FALSE(chart.Zoomed);
    // The moved mark keeps its place through a repaint.
    Paint();
    EXPECT_EQ(series->Marks()->Positions().Get(2)->LeftTop, p->LeftTop);
}

TEST_F(PointToolsTest, MarksTipShowsTheMarkTextAndClearsItAwayFromPoints)
{
    auto* tool = new TMarksTipTool(&chart);
    chart.Tools()->Add(tool);
    Move(X(4), Y(40));
    EXPECT_EQ(chart.Hint, "four");
    tool->OnGetText = [](TMarksTipTool*, AnsiString& text) { text += "!"; };
    Move(X(6), Y(60));
    EXPECT_EQ(chart.Hint, "six!");
    // The series' own marks style is untouched.
    EXPECT_EQ(series->Marks()->GetStyle(), smsLabel);
    tool->SetStyle(smsValue);
    Move(X(8), Y(80));
    EXPECT_EQ(chart.Hint, "80!");
    Move(X(9), Y(10));
    EXPECT_EQ(chart.Hint, "");

    // With a second marks tip tool in the chart (it shows its text last), leaving the
    // points keeps the hint.
    chart.Tools()->Add(new TMarksTipTool(&chart));
    Move(X(4), Y(40));
    Move(X(9), Y(10));
    EXPECT_EQ(chart.Hint, "four");
    tool->SetActive(false);
    EXPECT_EQ(chart.Hint, "");
}

}  // namespace
