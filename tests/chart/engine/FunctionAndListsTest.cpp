#include <gtest/gtest.h>

#include "chart/engine/TAxisGridPen.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TLabelsList.h"
#include "chart/engine/TPointColors.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "platform/DateTime.h"
#include "support/FakeChartHost.h"

namespace {

// Sum of the mandatory values of a range of points.
class SumFunction : public TTeeFunction {
public:
    using TTeeFunction::TTeeFunction;
    double Calculate(TChartSeries* source, int first, int last) override
    {
        if (first < 0) {
            first = 0;
            last = source->Count() - 1;
        }
        double sum = 0;
        for (int i = first; i <= last; ++i) sum += source->MandatoryValueList()->Value(i);
        return sum;
    }
};

class MovingSum : public TTeeMovingFunction {
public:
    using TTeeMovingFunction::TTeeMovingFunction;
    double Calculate(TChartSeries* source, int first, int last) override
    {
        double sum = 0;
        for (int i = first; i <= last; ++i) sum += source->YValues()->Value(i);
        return sum;
    }
};

struct FunctionFixture : ::testing::Test {
    void SetUp() override
    {
        source.SetParentChart(&chart);
        output.SetParentChart(&chart);
    }
    void TearDown() override
    {
        output.SetParentChart(nullptr);
        source.SetParentChart(nullptr);
    }
    void Attach(TTeeFunction* f)
    {
        output.SetFunction(f);
        output.SetDataSource(&source);
    }
    std::vector<std::pair<double, double>> Points() const
    {
        std::vector<std::pair<double, double>> p;
        for (int i = 0; i < output.Count(); ++i) p.emplace_back(output.GetxValue(i), output.GetyValue(i));
        return p;
    }
    FakeChartHost chart;
    TChartSeries source;
    TChartSeries output;
};

using PointList = std::vector<std::pair<double, double>>;

TEST_F(FunctionFixture, PeriodZeroGivesOnePointAtTheCentre)
{
    for (double x : {2.0, 4.0, 10.0}) source.AddXY(x, x);
    Attach(new SumFunction);
    EXPECT_EQ(Points(), (PointList{{6, 16}}));
    output.SinglePointFunctions = false;
    source.RefreshSeries();
    EXPECT_EQ(Points(), (PointList{{2, 16}, {10, 16}}));
}

TEST_F(FunctionFixture, NumPointsPeriodsLeaveTheShortTailOut)
{
    for (int i = 0; i < 7; ++i) source.Add(1);
    auto* f = new SumFunction;
    f->SetPeriod(3);
    Attach(f);
    EXPECT_EQ(Points(), (PointList{{1, 3}, {4, 3}}));
    f->SetPeriodAlign(paFirst);
    EXPECT_EQ(Points(), (PointList{{0, 3}, {3, 3}}));
    f->SetPeriodAlign(paLast);
    EXPECT_EQ(Points(), (PointList{{2, 3}, {5, 3}}));
    // A period that rounds to no points still groups one point at a time.
    f->SetPeriod(0.4);
    EXPECT_EQ(output.Count(), 7);
}

TEST_F(FunctionFixture, RangePeriodsIncludeEmptyOnes)
{
    source.AddXY(0.2, 1);
    source.AddXY(0.5, 2);
    source.AddXY(3.1, 4);
    auto* f = new SumFunction;
    f->SetPeriodStyle(psRange);
    f->SetPeriodAlign(paFirst);
    f->SetPeriod(1);
    Attach(f);
    ASSERT_EQ(output.Count(), 3);
    EXPECT_DOUBLE_EQ(output.GetxValue(0), 0.2);
    EXPECT_EQ(output.GetyValue(0), 3);
    EXPECT_DOUBLE_EQ(output.GetxValue(1), 1.2);
    EXPECT_EQ(output.GetyValue(1), 0);
    EXPECT_DOUBLE_EQ(output.GetxValue(2), 2.2);
    EXPECT_EQ(output.GetyValue(2), 4);
    f->SetPeriodAlign(paLast);
    EXPECT_DOUBLE_EQ(output.GetxValue(0), 1.2 - 0.001);
}

TEST_F(FunctionFixture, MonthPeriodsOnDatesFollowTheCalendar)
{
    source.XValues()->SetDateTime(true);
    output.XValues()->SetDateTime(true);
    source.AddXY(EncodeDate(2025, 1, 31), 1);
    source.AddXY(EncodeDate(2025, 2, 15), 2);
    source.AddXY(EncodeDate(2025, 3, 10), 4);
    auto* f = new SumFunction;
    f->SetPeriodStyle(psRange);
    f->SetPeriodAlign(paFirst);
    f->SetPeriod(30);
    Attach(f);
    // 31 January steps to the last day of February, not into March.
    EXPECT_EQ(Points(), (PointList{{EncodeDate(2025, 1, 31), 3}, {EncodeDate(2025, 2, 28), 4}}));
}

TEST_F(FunctionFixture, RangePeriodBelowResolutionStops)
{
    source.AddXY(1e15, 1);
    source.AddXY(1e15 + 1, 2);
    auto* f = new SumFunction;
    f->SetPeriodStyle(psRange);
    f->SetPeriod(1e-9);  // x + period == x
    Attach(f);
    EXPECT_EQ(output.Count(), 0);
    source.Clear();
    source.XValues()->SetOrder(loNone);
    source.AddXY(std::numeric_limits<double>::quiet_NaN(), 1);
    source.RefreshSeries();
    EXPECT_EQ(output.Count(), 0);

    // X values without a number (or infinite ones) take part in no period; the periods end
    // with the last finite point.
    f->SetPeriod(1);
    f->SetPeriodAlign(paFirst);
    source.Clear();
    for (double x : {0.0, 1.0, std::numeric_limits<double>::quiet_NaN(), 2.5, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()})
        source.AddXY(x, 1);
    source.RefreshSeries();
    EXPECT_EQ(Points(), (PointList{{0, 1}, {1, 1}, {2, 1}}));
}

TEST_F(FunctionFixture, MovingFunctionSlidesOverThePoints)
{
    for (int i = 0; i < 5; ++i) source.Add(i);
    auto* f = new MovingSum;
    EXPECT_EQ(f->GetPeriod(), 1);
    f->SetPeriod(3);
    Attach(f);
    EXPECT_EQ(Points(), (PointList{{2, 3}, {3, 6}, {4, 9}}));
}

TEST_F(FunctionFixture, PeriodRulesAndRecalculation)
{
    source.Add(1);
    auto* f = new SumFunction;
    Attach(f);
    try {
        f->SetPeriod(-1);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message, "Function Period should be >= 0");
    }
    EXPECT_EQ(f->GetPeriod(), 0);
    const int calls = chart.CheckDatasourceCalls;
    f->SetPeriod(0);
    EXPECT_EQ(chart.CheckDatasourceCalls, calls);
    // Single additions do not recalculate; the source's refresh does.
    source.Add(2);
    EXPECT_EQ(output.GetyValue(0), 1);
    source.RefreshSeries();
    EXPECT_EQ(output.GetyValue(0), 3);
    // Freeing the function detaches it from its series.
    delete f;
    EXPECT_EQ(output.FunctionType(), nullptr);
}

TEST(LabelsList, EntriesAndPadding)
{
    TLabelsList l;
    l.SetLabel(5, "five");
    EXPECT_EQ(l.Count(), 6);
    EXPECT_TRUE(l.IsNull(0));
    EXPECT_EQ(l.GetLabel(7), "");
    TLabelsList two;
    two.SetLabel(1, "b");
    two.SetLabel(2, "");
    EXPECT_EQ(two.Count(), 2);
    TLabelsList e;
    e.InsertLabel(0, "");
    EXPECT_EQ(e.Count(), 0);
    two.InsertLabel(0, "");
    EXPECT_EQ(two.GetLabel(2), "b");
    EXPECT_EQ(two.IndexOfLabel("B", false), 2);
    EXPECT_EQ(two.IndexOfLabel("B", true), -1);
    l.SetLabel(-3, "x");
    l.InsertLabel(-1, "x");
    EXPECT_EQ(l.Count(), 6);
}

TEST(LabelsList, ManyPointsShareFewTexts)
{
    TLabelsList l;
    for (int i = 0; i < 10000; ++i) l.InsertLabel(i, i % 2 ? "ON" : "OFF");
    EXPECT_EQ(l.DistinctCount(), 2);
    for (int i = 0; i < 10000; i += 2) l.SetLabel(i, "");
    EXPECT_EQ(l.DistinctCount(), 1);
    EXPECT_EQ(l.GetLabel(9999), "ON");
}

// The colour list gives what a colour per point would give through every edit, in its
// sparse form and after it turned dense; few coloured points take room only for them.
TEST(PointColors, SparseAndDenseFormsBehaveAsAColourPerPoint)
{
    TPointColors colors;
    std::vector<TColor> model;
    const auto at = [&](int i) { return i >= 0 && i < int(model.size()) ? model[size_t(i)] : clDefault; };
    const auto cover = [&](int n) {
        if (int(model.size()) < n) model.resize(size_t(n), clDefault);
    };
    std::uint32_t seed = 9;
    const auto next = [&](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % unsigned(range));
    };
    for (int step = 0; step < 6000; ++step) {
        // Few colours at first, then mostly colours: the list turns dense on the way.
        const TColor c = next(step < 3000 ? 20 : 2) == 0 ? TColor(next(5) + 1) : clDefault;
        const int i = next(int(model.size()) + 3);
        switch (next(6)) {
            case 0:
                colors.Set(i, c);
                cover(i + 1);
                model[size_t(i)] = c;
                break;
            case 1:
            case 2:
                colors.Insert(i, c);
                cover(i);
                model.insert(model.begin() + i, c);
                break;
            case 3: {
                const int n = next(4);
                colors.Erase(i, i + n);
                if (i < int(model.size()))
                    model.erase(model.begin() + i, model.begin() + std::min(int(model.size()), i + n));
                break;
            }
            case 4:
                if (i < int(model.size())) {
                    const int j = next(int(model.size()));
                    colors.Swap(i, j);
                    std::swap(model[size_t(i)], model[size_t(j)]);
                }
                break;
            default:
                colors.Append(c);
                model.push_back(c);
                break;
        }
        ASSERT_EQ(colors.Size(), int(model.size())) << step;
        for (int k = -1; k <= int(model.size()); ++k) ASSERT_EQ(colors.Get(k), at(k)) << step << " " << k;
    }
    std::vector<int> perm;
    for (int k = int(model.size()) + 1; k >= 0; --k) perm.push_back(k);
    colors.Permute(perm);
    ASSERT_EQ(colors.Size(), int(perm.size()));
    for (size_t k = 0; k < perm.size(); ++k) EXPECT_EQ(colors.Get(int(k)), at(perm[k]));

    TPointColors flags;
    for (int k = 0; k < 43200; ++k) flags.Append(k % 300 == 150 ? clRed : clDefault);
    EXPECT_EQ(flags.Size(), 43200);
    EXPECT_EQ(flags.Get(450), clRed);
    EXPECT_LE(flags.Bytes(), 144u * 8 * 2);
}

TEST(SeriesLists, AllActiveGroupsAndTitles)
{
    FakeChartHost chart;
    TChartSeries a, b, c;
    for (TChartSeries* s : {&a, &b, &c}) s->SetParentChart(&chart);
    EXPECT_TRUE(chart.Series.AllActive());
    b.SetActive(false);
    EXPECT_FALSE(chart.Series.AllActive());
    chart.Series.SetAllActive(true);
    EXPECT_TRUE(b.GetActive());

    TSeriesGroup* empty = chart.Series.AddGroup("none");
    EXPECT_EQ(empty->GetActive(), gaYes);
    empty->SetActive(gaNo);
    EXPECT_EQ(empty->GetActive(), gaYes);
    TSeriesGroup* g = chart.Series.AddGroup("g");
    g->Add(&a);
    g->Add(&b);
    b.SetActive(false);
    EXPECT_EQ(g->GetActive(), gaSome);
    g->SetActive(gaSome);
    EXPECT_FALSE(b.GetActive());
    g->Show();
    EXPECT_TRUE(a.GetActive() && b.GetActive());
    TSeriesGroup* h = chart.Series.AddGroup("h");
    h->Add(&b);
    EXPECT_EQ(chart.Series.Groups().Contains(&b), 1);
    EXPECT_EQ(chart.Series.Groups().Contains(&c), -1);

    EXPECT_EQ(SeriesTitleOrName(&c), "Series3");
    c.setObjectName("Curve");
    EXPECT_EQ(SeriesTitleOrName(&c), "Curve");
    c.SetTitle("T3");
    EXPECT_EQ(SeriesTitleOrName(&c), "T3");
    a.InternalUse = true;
    std::vector<std::pair<AnsiString, TChartSeries*>> items;
    FillSeriesItems(items, chart.Series);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].first, "Series2");
    EXPECT_EQ(items[1].second, &c);
    for (TChartSeries* s : {&c, &b, &a}) s->SetParentChart(nullptr);
}

TEST(ElementPenAndBrush, ChangesRepaintAndAssignCopies)
{
    FakeChartHost chart;
    TChartSeries a, b;
    a.SetParentChart(&chart);
    chart.Invalidates = 0;
    a.Pen()->SetWidth(3);
    EXPECT_EQ(chart.Invalidates, 1);
    a.Pen()->SetWidth(3);
    EXPECT_EQ(chart.Invalidates, 1);
    a.Brush()->SetColor(0x123456);
    EXPECT_EQ(chart.Invalidates, 2);
    b.Assign(a);
    EXPECT_EQ(b.Pen()->GetWidth(), 3);
    EXPECT_EQ(b.Brush()->GetColor(), 0x123456);
    TChartPen other;
    other.SetVisible(false);
    b.SetPen(&other);
    EXPECT_FALSE(b.Pen()->GetVisible());
    EXPECT_NE(b.Pen(), &other);
    a.SetParentChart(nullptr);
}

TEST(AxisGridPen, DepthPositionIsStoredOnlyOffItsDefault)
{
    int changes = 0;
    TAxisGridPen grid([&](QObject*) { ++changes; });
    EXPECT_EQ(grid.GetColor(), clGray);
    grid.DefaultZ = 50;
    grid.SetZ(50);
    EXPECT_FALSE(grid.IsPropertyStored("ZPosition"));
    EXPECT_EQ(changes, 1);
    grid.SetZ(50);
    EXPECT_EQ(changes, 1);
    grid.SetZ(20);
    EXPECT_TRUE(grid.IsPropertyStored("ZPosition"));
    grid.SetCentered(true);
    grid.SetCentered(true);
    EXPECT_EQ(changes, 3);
}

TEST(Tools, ListMembershipAndSeriesWatch)
{
    FakeChartHost chart;
    auto* tool = new TTeeCustomToolSeries;
    chart.ToolList.Add(tool);
    chart.ToolList.Add(tool);
    EXPECT_EQ(chart.ToolList.Count(), 1);
    chart.Invalidates = 0;
    tool->SetParentChart(nullptr);
    EXPECT_EQ(chart.ToolList.Count(), 0);
    EXPECT_EQ(chart.Invalidates, 1);
    chart.ToolList.Add(tool);
    {
        TChartSeries s;
        tool->SetSeries(&s);
        EXPECT_EQ(tool->Series(), &s);
    }
    EXPECT_EQ(tool->Series(), nullptr);
    EXPECT_EQ(tool->GetEditorClass(), "TSeriesToolEditor");
    chart.ToolList.SetActive(false);
    EXPECT_FALSE(tool->GetActive());
}

// A source that fills its series with two points when it loads.
class TwoPointSource : public TTeeSeriesSource {
public:
    using TTeeSeriesSource::TTeeSeriesSource;
    void Load() override
    {
        Series()->Clear();
        Series()->Add(1);
        Series()->Add(2);
    }
};

TEST(SeriesSource, FreedSourceLeavesItsSeriesDataAndList)
{
    FakeChartHost chart;
    TChartSeries series;
    series.SetParentChart(&chart);
    auto* source = new TwoPointSource;
    source->SetSeries(&series);
    source->Open();
    EXPECT_EQ(series.Count(), 2);
    delete source;
    EXPECT_EQ(series.DataSource(), nullptr);
    EXPECT_EQ(series.Count(), 2);
    series.SetParentChart(nullptr);
}

TEST(SeriesSource, FollowsItsSeriesAndForgetsAFreedOne)
{
    FakeChartHost chart;
    auto* series = new TChartSeries;
    series->SetParentChart(&chart);
    TTeeSeriesSource source;
    source.setObjectName("Src");
    source.SetSeries(series);
    EXPECT_EQ(series->DataSource(), &source);
    EXPECT_TRUE(source.HasSeries(series));
    series->Add(1);
    source.SetActive(true);
    source.SetActive(false);  // switching off clears the series
    EXPECT_EQ(series->Count(), 0);
    series->SetParentChart(nullptr);
    delete series;
    EXPECT_EQ(source.Series(), nullptr);
}

}  // namespace
