#include <gtest/gtest.h>

#include <QLineEdit>
#include <memory>

#include "EditorTestSupport.h"
#include "chart/editors/TCustomChartGrid.h"
#include "chart/editors/TCustomTeeNavigator.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TLineSeries.h"
#include "support/ScriptedDialogs.h"

namespace {

class FakeTimer : public TTeeTimer {
public:
    void Start(int AInterval) override
    {
        FInterval = AInterval;
        FActive = true;
    }
    void Stop() override { FActive = false; }
    int Interval() const override { return FInterval; }
    bool Active() const override { return FActive; }
    void Fire()
    {
        if (FActive && OnTimer) OnTimer();
    }

private:
    int FInterval = 0;
    bool FActive = false;
};

std::vector<int> Widths(const TCustomTeeNavigator& nav)
{
    std::vector<int> w;
    for (int i = 0; i <= nbCancel; ++i)
        if (nav.Button(TTeeNavigateBtn(i))->isVisibleTo(&nav)) w.push_back(nav.Button(TTeeNavigateBtn(i))->width());
    return w;
}

TLineSeries* AddLine(TChart& chart, int points, const char* title)
{
    auto* s = new TLineSeries(&chart);
    s->SetTitle(title);
    s->SetParentChart(&chart);
    for (int i = 0; i < points; ++i) s->Add(10 * (i + 1));
    return s;
}

}  // namespace

TEST(Navigator, LayoutSpreadsTheRestAndRepeatsAHeldButton)
{
    TCustomTeeNavigator nav;
    nav.SetSize(100, 25);
    EXPECT_EQ(Widths(nav), (std::vector<int>{25, 25, 25, 25}));
    nav.Aligned = true;
    nav.SetSize(102, 25);
    EXPECT_EQ(Widths(nav), (std::vector<int>{25, 26, 25, 26}));
    EXPECT_EQ(nav.width(), 102);
    nav.Aligned = false;
    nav.SetSize(50, 10);
    EXPECT_EQ(nav.width(), 80);
    EXPECT_EQ(nav.height(), 18);

    nav.SetHints({"", "Back"});
    EXPECT_EQ(nav.Button(nbFirst)->toolTip(), "First");
    EXPECT_EQ(nav.Button(nbPrior)->toolTip(), "Back");

    FakeTimer* timer = nullptr;
    nav.TimerFactory = [&] {
        auto t = std::make_unique<FakeTimer>();
        timer = t.get();
        return t;
    };
    std::vector<TTeeNavigateBtn> clicks;
    nav.OnButtonClicked = [&](QObject*, TTeeNavigateBtn b) { clicks.push_back(b); };
    TTeeNavButton* next = nav.Button(nbNext);
    next->setEnabled(true);
    next->Press();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 400);
    EXPECT_TRUE(clicks.empty());
    timer->Fire();
    EXPECT_EQ(timer->Interval(), 100);
    timer->Fire();
    EXPECT_EQ(clicks, (std::vector<TTeeNavigateBtn>{nbNext, nbNext}));
    next->Release();
    EXPECT_FALSE(timer->Active());
    timer->Fire();
    EXPECT_EQ(clicks.size(), 2u);
    EXPECT_EQ(nav.FocusedButton(), nbNext);

    // Keys move the focus among the visible buttons only.
    nav.KeyDown(Qt::Key_Right);
    nav.KeyDown(Qt::Key_Right);
    EXPECT_EQ(nav.FocusedButton(), nbLast);
    nav.KeyDown(Qt::Key_Space);  // disabled: no click
    EXPECT_EQ(clicks.size(), 2u);
    for (int i = 0; i < 4; ++i) nav.KeyDown(Qt::Key_Left);
    EXPECT_EQ(nav.FocusedButton(), nbFirst);
}

TEST(ChartGrid, TypingAppendingAndNulls)
{
    TChart chart;
    TLineSeries* shorter = AddLine(chart, 3, "A");
    TLineSeries* longer = AddLine(chart, 5, "B");
    TChartGrid grid;
    grid.SetShowXValues(cgsNo);
    grid.SetChart(&chart);
    // Columns: index, labels, A's Y, B's Y.
    ASSERT_EQ(grid.ColCount(), 4);
    EXPECT_EQ(grid.RowCount(), 2 + 5);
    EXPECT_EQ(grid.Cells(2, 0), "A");
    EXPECT_EQ(grid.Cells(2, 1), "Y");
    EXPECT_EQ(grid.Cells(2, 3), "20");

    // Row 6 is point 4 of the shorter series: two null points come first.
    grid.SetEditText(2, 6, "7,5");
    ASSERT_EQ(shorter->Count(), 5);
    EXPECT_TRUE(shorter->IsNull(3));
    EXPECT_FALSE(shorter->IsNull(4));
    EXPECT_EQ(shorter->YValues()->Value(4), 7.5);
    EXPECT_EQ(shorter->XValues()->Value(4), 4);  // the hidden X column stays untouched
    EXPECT_EQ(longer->YValues()->Value(4), 50);
    EXPECT_TRUE(shorter->ManualData);

    // Clearing makes a null; typing again brings the default colour back.
    grid.SetCell(3, 2);
    grid.StartEditing();
    ASSERT_TRUE(grid.EditorMode());
    ASSERT_NE(grid.Editor(), nullptr);
    grid.Editor()->clear();
    grid.StopEditing(false);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_TRUE(longer->IsNull(0));
    EXPECT_EQ(grid.Cells(3, 2), "");
    grid.StartEditing();
    EXPECT_EQ(grid.Editor()->text(), "");
    grid.Editor()->setText("12");
    grid.StopEditing(false);
    EXPECT_FALSE(longer->IsNull(0));
    EXPECT_EQ(longer->ValueColor(0), longer->GetSeriesColor());
    EXPECT_EQ(longer->YValues()->Value(0), 12);

    // Cancel keeps the value; a bad number is refused with a message and changes nothing.
    grid.StartEditing();
    grid.Editor()->setText("99");
    grid.StopEditing(true);
    EXPECT_EQ(longer->YValues()->Value(0), 12);
    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    grid.StartEditing();
    grid.Editor()->setText("abc");
    grid.StopEditing(false);
    EXPECT_EQ(dialogs.MessageCount(), 1u);
    EXPECT_EQ(longer->YValues()->Value(0), 12);

    // Down on the last row appends, Up at once takes it back.
    grid.SetCell(3, grid.RowCount() - 1);
    EXPECT_TRUE(grid.KeyDown(Qt::Key_Down, 0));
    EXPECT_EQ(longer->Count(), 6);
    EXPECT_EQ(grid.Row(), grid.RowCount() - 1);
    EXPECT_TRUE(grid.KeyDown(Qt::Key_Up, 0));
    EXPECT_EQ(longer->Count(), 5);
    EXPECT_EQ(grid.RowCount(), 7);

    // Without the fields row, row 1 is point 0.
    grid.SetShowFields(false);
    EXPECT_EQ(grid.FirstRowNum(), 1);
    EXPECT_EQ(grid.Cells(3, 1), "12");
}

TEST(ChartGrid, DeleteRenumbersHiddenXAndColoursAndShownX)
{
    TChart chart;
    TLineSeries* s = AddLine(chart, 4, "A");
    TChartGrid grid;
    grid.SetShowColors(true);
    grid.SetChart(&chart);
    EXPECT_FALSE(grid.XShown(s));
    EXPECT_EQ(grid.ColorsColumn(), 1);
    EXPECT_EQ(grid.LabelsColumn(), 2);
    grid.SetCell(3, 3);  // point 1
    grid.Delete();
    ASSERT_EQ(s->Count(), 3);
    EXPECT_EQ(s->XValues()->Value(1), 1);
    EXPECT_EQ(s->XValues()->Value(2), 2);
    EXPECT_EQ(s->YValues()->Value(1), 30);

    ColorReplies colors({clRed});
    grid.SetCell(1, 2);
    EXPECT_TRUE(grid.KeyDown(Qt::Key_Space, 0));
    EXPECT_EQ(s->ValueColor(0), clRed);
    EXPECT_EQ(grid.CellColor(2), clRed);

    // X values of its own show the X column; typing there writes X, not Y.
    s->XValues()->SetValue(2, 10);
    grid.Regenerate();
    ASSERT_TRUE(grid.XShown(s));
    TChartValueList* list = nullptr;
    EXPECT_EQ(grid.GetSeries(3, list), s);
    EXPECT_EQ(list, s->XValues());
    grid.SetEditText(3, 2, "5");
    EXPECT_EQ(s->XValues()->Value(0), 5);
    EXPECT_EQ(s->YValues()->Value(0), 10);
}

TEST(ChartGrid, ListenersLeaveWithTheGridOrTheChart)
{
    auto chart = std::make_unique<TChart>();
    TLineSeries* a = AddLine(*chart, 2, "A");
    AddLine(*chart, 2, "B");
    {
        TChartGrid grid;
        grid.SetChart(chart.get());
        EXPECT_EQ(chart->Listeners.Count(), 1);
        // A series freed elsewhere leaves the grid at once.
        delete a;
        EXPECT_EQ(grid.ShownSeries().size(), 1u);
        EXPECT_EQ(grid.Cells(2, 0), "B");
    }
    EXPECT_EQ(chart->Listeners.Count(), 0);

    TChartGrid grid;
    TChartGridNavigator nav;
    nav.SetGrid(&grid);
    grid.SetSeries(chart->GetSeries(0));
    EXPECT_TRUE(nav.Button(nbInsert)->isEnabled());
    EXPECT_TRUE(nav.Button(nbNext)->isEnabled());
    EXPECT_FALSE(nav.Button(nbPrior)->isEnabled());
    nav.Button(nbLast)->click();
    EXPECT_EQ(grid.Row(), grid.RowCount() - 1);
    EXPECT_TRUE(nav.Button(nbPrior)->isEnabled());
    nav.Button(nbEdit)->click();
    EXPECT_TRUE(grid.EditorMode());
    EXPECT_TRUE(nav.Button(nbPost)->isEnabled());
    nav.Button(nbCancel)->click();
    EXPECT_FALSE(grid.EditorMode());
    chart.reset();
    EXPECT_EQ(grid.Series(), nullptr);
    EXPECT_TRUE(grid.ShownSeries().empty());
    EXPECT_EQ(grid.ColCount(), 2);  // the point numbers and the labels
    EXPECT_FALSE(nav.Button(nbInsert)->isEnabled());
}

TEST(ChartGrid, MatrixOfThreeDimensionalPoints)
{
    TChart chart;
    auto* s = new TLineSeries(&chart);
    s->SetParentChart(&chart);
    auto* z = new TChartValueList(s, "Z");
    s->HasThirdValues = true;
    const double points[][3] = {{0, 0, 1}, {0, 1, 2}, {1, 1, 3}};  // x, z, y
    for (const auto& p : points) z->SetValue(s->AddXY(p[0], p[2]), p[1]);
    TChartGrid grid;
    grid.SetChart(&chart);
    grid.SetGrid3DMode(true);
    ASSERT_EQ(grid.ColCount(), 3);  // the X rows' numbers, then Z = 0 and Z = 1
    ASSERT_EQ(grid.RowCount(), grid.FirstRowNum() + 2);
    const int r = grid.FirstRowNum();
    EXPECT_EQ(grid.Cells(1, r), "1");
    EXPECT_EQ(grid.Cells(2, r), "2");
    EXPECT_EQ(grid.Cells(1, r + 1), "");
    EXPECT_EQ(grid.Cells(2, r + 1), "3");
    grid.SetEditText(1, r + 1, "4");
    EXPECT_EQ(s->Count(), 4);
    EXPECT_EQ(grid.Cells(1, r + 1), "4");
    EXPECT_EQ(grid.Cells(2, r + 1), "3");
}
