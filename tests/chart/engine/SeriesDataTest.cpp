#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeFunction.h"
#include "platform/FormatSettings.h"
#include "support/FakeChartHost.h"

namespace {

TEST(SeriesData, OutOfOrderXKeepsYColourAndLabelAligned)
{
    TChartSeries s;
    s.AddXY(1, 10, "a");
    s.AddXY(3, 30, "c");
    EXPECT_EQ(s.AddXY(2, 20, "b", 0x00FF00), 1);
    EXPECT_EQ(s.GetyValue(1), 20);
    EXPECT_EQ(s.GetXLabel(1), "b");
    EXPECT_EQ(s.InternalColor(1), 0x00FF00);
    EXPECT_EQ(s.InternalColor(0), clDefault);
    EXPECT_EQ(s.InternalColor(2), clDefault);
    EXPECT_EQ(s.GetXLabel(2), "c");
}

TEST(SeriesData, ColoursListAppearsAtTheFirstNullPoint)
{
    TChartSeries s;
    for (int i = 0; i < 1000; ++i) s.Add(i);
    EXPECT_FALSE(s.HasColorsList());
    s.AddNull(5.0);
    ASSERT_TRUE(s.HasColorsList());
    EXPECT_EQ(s.ColorsCount(), 1001);
    EXPECT_EQ(s.InternalColor(999), clDefault);
    EXPECT_EQ(s.InternalColor(1000), clNone);
    EXPECT_TRUE(s.IsNull(1000));
    EXPECT_FALSE(s.IsNull(999));
    s.SetNull(3);
    EXPECT_TRUE(s.IsNull(3));
    s.SetNull(3, false);
    EXPECT_FALSE(s.IsNull(3));
}

TEST(SeriesData, LabelsStayAlignedOnceOnePointHasOne)
{
    TChartSeries s;
    s.Add(1);
    s.Add(2);
    EXPECT_EQ(s.Labels().Count(), 0);
    s.Add(3, "flag");
    EXPECT_EQ(s.Labels().Count(), 3);
    s.Add(4);
    EXPECT_EQ(s.Labels().Count(), 4);
    EXPECT_EQ(s.GetXLabel(2), "flag");
    EXPECT_EQ(s.GetXLabel(3), "");
    EXPECT_EQ(s.GetXLabel(100), "");
    EXPECT_EQ(s.GetXLabel(-5), "");
}

// Adding a block of points gives the same series as adding them one by one: values,
// labels, order, statistics; also where the block cannot go in one run.
TEST(SeriesData, BlockOfPointsAddsAsOneByOne)
{
    const double nan = std::nan("");
    struct Case {
        std::vector<double> before, x, y;
        bool label, colour;
    };
    const Case cases[] = {
        {{}, {1, 2, 2, 5}, {4, -1, 3, 0}, false, false},
        {{0, 1}, {1, 2, 3}, {5, 6, 7}, true, false},          // labels shift
        {{0, 1}, {1, nan, 3, 4}, {1, 2, 3, 4}, true, false},  // a NaN X: one by one
        {{0, 5}, {6, 4, 7}, {1, 2, 3}, true, false},          // 4 goes in between
        {{nan}, {1, 2}, {1, 2}, false, false},                // after NaN: never "at the end"
        {{0}, {1, 2}, {1, 2}, false, true},                   // a colour per point
    };
    for (const Case& c : cases) {
        TChartSeries one, block;
        for (TChartSeries* s : {&one, &block}) {
            for (std::size_t i = 0; i < c.before.size(); ++i)
                s->AddXY(c.before[i], 10.0 * double(i), c.label && i == 0 ? "first" : "", c.colour ? clRed : clDefault);
            // A label beyond the last point moves along with every insertion.
            if (c.label) s->Labels().SetLabel(int(c.before.size()) + 1, "far");
            s->BeginUpdate();
        }
        for (std::size_t i = 0; i < c.x.size(); ++i) one.AddXY(c.x[i], c.y[i]);
        block.AddXYs(c.x.data(), c.y.data(), int(c.x.size()));
        for (TChartSeries* s : {&one, &block}) s->EndUpdate();
        ASSERT_EQ(block.Count(), one.Count());
        for (int i = 0; i < one.Count(); ++i) {
            const double bx = block.GetxValue(i), ox = one.GetxValue(i);
            EXPECT_TRUE(bx == ox || (std::isnan(bx) && std::isnan(ox))) << i;
            EXPECT_EQ(block.GetyValue(i), one.GetyValue(i)) << i;
            EXPECT_EQ(block.GetXLabel(i), one.GetXLabel(i)) << i;
            EXPECT_EQ(block.InternalColor(i), one.InternalColor(i)) << i;
        }
        EXPECT_EQ(block.Labels().Count(), one.Labels().Count());
        EXPECT_EQ(block.XValues()->IsOrdered(), one.XValues()->IsOrdered());
        EXPECT_EQ(block.YValues()->MaxValue(), one.YValues()->MaxValue());
        EXPECT_EQ(block.XValues()->MinValue(), one.XValues()->MinValue());
    }
}

// A block whose Y values an empty series takes over (no copy) ends as the same points,
// labels and order as AddXY one by one; where the points could not go in as one block (out
// of their declared order, points already there, no update running) they go one by one.
TEST(SeriesData, BlockTakingItsValuesAddsAsOneByOne)
{
    const double nan = std::nan("");
    struct Case {
        std::vector<double> before, x, y;
        TChartListOrder order;
        bool update, taken;
    };
    const Case cases[] = {
        {{}, {1, 2, 2, 5, 6}, {4, -1, 3, 0, 2}, loAscending, true, true},
        {{}, {1, 3, 2, 5, 6}, {4, -1, 3, 0, 2}, loNone, true, true},  // a time steps back
        {{}, {1, 3, 2, 5, 6}, {4, -1, 3, 0, 2}, loAscending, true, false},
        {{}, {1, 2, 3, 5, 6}, {4, nan, 3, 0, 2}, loNone, true, true},
        {{0}, {1, 2, 3, 5, 6}, {4, -1, 3, 0, 2}, loNone, true, false},
        {{}, {1, 2, 3, 5, 6}, {4, -1, 3, 0, 2}, loNone, false, false},
    };
    const std::vector<std::pair<int, AnsiString>> labels = {{1, "Error!"}, {3, "Ramp 1"}, {4, ""}};
    for (const Case& c : cases) {
        TChartSeries one, block;
        for (TChartSeries* s : {&one, &block}) {
            s->XValues()->SetOrder(c.order);
            for (double x : c.before) s->AddXY(x, 1);
            if (c.update) s->BeginUpdate();
        }
        for (std::size_t i = 0; i < c.x.size(); ++i) {
            AnsiString label;
            for (const auto& [index, text] : labels)
                if (std::size_t(index) == i) label = text;
            one.AddXY(c.x[i], c.y[i], label);
        }
        std::vector<double> ys = c.y;
        const double* storage = ys.data();
        block.AddXYs(c.x.data(), std::move(ys), labels);
        EXPECT_EQ(block.YValues()->Data() + c.before.size() == storage, c.taken);
        for (TChartSeries* s : {&one, &block})
            if (c.update) s->EndUpdate();
        ASSERT_EQ(block.Count(), one.Count());
        for (int i = 0; i < one.Count(); ++i) {
            EXPECT_EQ(block.GetxValue(i), one.GetxValue(i)) << i;
            const double by = block.GetyValue(i), oy = one.GetyValue(i);
            EXPECT_TRUE(by == oy || (std::isnan(by) && std::isnan(oy))) << i;
            EXPECT_EQ(block.GetXLabel(i), one.GetXLabel(i)) << i;
        }
        EXPECT_EQ(block.Labels().Count(), one.Labels().Count());
        EXPECT_EQ(block.XValues()->IsOrdered(), one.XValues()->IsOrdered());
        EXPECT_EQ(block.YValues()->IsOrdered(), one.YValues()->IsOrdered());
        EXPECT_EQ(block.YValues()->MaxValue(), one.YValues()->MaxValue());
    }
}

TEST(SeriesData, ValueColorFallsBackToSeriesOrPaletteColour)
{
    FakeChartHost chart;
    TChartSeries s;
    s.Add(1);
    s.Add(2, "", 0x0000AA);
    s.SetSeriesColor(0x445566);
    EXPECT_EQ(s.ValueColor(0), 0x445566);
    EXPECT_EQ(s.ValueColor(1), 0x0000AA);
    s.SetColorEachPoint(true);
    EXPECT_EQ(s.ValueColor(0), 0x0000FF);  // library palette, no chart
    s.SetParentChart(&chart);
    EXPECT_EQ(s.ValueColor(0), 0x100);  // the chart's colour for index 0
    s.SetParentChart(nullptr);
}

TEST(SeriesData, BulkUpdateSendsOneRefresh)
{
    FakeChartHost chart;
    TChartSeries s;
    s.SetParentChart(&chart);
    int afterAdd = 0;
    s.OnAfterAdd = [&](TChartSeries*, int) { ++afterAdd; };
    chart.Invalidates = 0;
    chart.Events.clear();
    s.BeginUpdate();
    for (int i = 0; i < 100; ++i) s.AddXY(i, i);
    EXPECT_EQ(afterAdd, 0);
    EXPECT_EQ(chart.Invalidates, 0);
    s.EndUpdate();
    EXPECT_EQ(chart.CountEvents(seDataChanged), 1);
    s.EndUpdate();  // unmatched: nothing
    EXPECT_EQ(chart.CountEvents(seDataChanged), 1);
    s.AddXY(100, 1);
    EXPECT_EQ(afterAdd, 1);
    EXPECT_GT(chart.Invalidates, 0);
    s.SetParentChart(nullptr);
}

TEST(SeriesData, WildIndexesForLabelsColoursAndMarksAreIgnored)
{
    TChartSeries s;
    s.Add(1);
    s.Add(2);
    s.SetXLabel(1000000000, "far");
    s.SetXLabel(-1, "neg");
    EXPECT_EQ(s.Labels().Count(), 0);
    s.SetValueColor(1000000000, 0x12);
    s.SetValueColor(-2, 0x12);
    EXPECT_FALSE(s.HasColorsList());
    s.Marks()->Positions().Put(1000000000, TSeriesMarkPosition());
    EXPECT_EQ(s.Marks()->Positions().Count(), 0);
    s.SetXLabel(1, "ok");
    EXPECT_EQ(s.GetXLabel(1), "ok");
    EXPECT_EQ(s.Labels().Count(), 2);
}

TEST(SeriesData, FailingUpdateDoesNotStayOpen)
{
    FakeChartHost chart;
    TChartSeries source, linked;
    source.SetParentChart(&chart);
    linked.SetParentChart(&chart);
    source.Add(1);
    linked.SetDataSource(&source);
    linked.OnAfterAdd = [](TChartSeries*, int) { throw Exception("handler failed"); };
    EXPECT_THROW(source.RefreshSeries(), Exception);
    EXPECT_FALSE(linked.Updating());
    linked.OnAfterAdd = nullptr;
    source.RefreshSeries();
    EXPECT_EQ(linked.Count(), 1);
    linked.SetParentChart(nullptr);
    source.SetParentChart(nullptr);
}

TEST(SeriesData, BeforeAddCanRefuseAPoint)
{
    TChartSeries s;
    s.OnBeforeAdd = [](TChartSeries* series) { return series->YValues()->TempValue >= 0; };
    EXPECT_EQ(s.AddXY(0, 5), 0);
    EXPECT_EQ(s.AddXY(1, -5), -1);
    EXPECT_EQ(s.Count(), 1);
}

TEST(SeriesData, DeleteChecksItsIndex)
{
    TChartSeries s;
    for (int i = 0; i < 5; ++i) s.Add(i, "L" + IntToStr(i), i == 2 ? 0x11 : clDefault);
    try {
        s.Delete(5);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message, "Series Delete: ValueIndex 5 out of bounds (0 to 4).");
    }
    EXPECT_THROW(s.Delete(-1), ChartException);
    EXPECT_EQ(s.Count(), 5);
    s.Delete(2);
    EXPECT_EQ(s.Count(), 4);
    EXPECT_EQ(s.GetyValue(2), 3);
    EXPECT_EQ(s.GetXLabel(2), "L3");
    EXPECT_EQ(s.InternalColor(2), clDefault);
}

TEST(SeriesData, BlockDeleteChecksRangeAndDropsEmptyColours)
{
    TChartSeries s;
    for (int i = 0; i < 6; ++i) s.Add(i * 10, "", i < 2 ? 0x22 : clDefault);
    EXPECT_THROW(s.Delete(-1, 2), ChartException);
    EXPECT_THROW(s.Delete(1, -2), ChartException);
    EXPECT_THROW(s.Delete(4, 3), ChartException);
    EXPECT_EQ(s.Count(), 6);
    s.Delete(0, 2, true);
    EXPECT_EQ(s.Count(), 4);
    EXPECT_EQ(s.GetyValue(0), 20);
    EXPECT_EQ(s.GetxValue(0), 0);  // renumbered
    EXPECT_EQ(s.GetxValue(3), 3);
    // The two coloured points went; the rest of the colours list is kept aligned.
    EXPECT_EQ(s.InternalColor(0), clDefault);
}

TEST(SeriesData, LinkedSeriesFollowClearOnlyWithTheOption)
{
    FakeChartHost chart;
    TChartSeries source, withClear, withoutClear;
    for (TChartSeries* s : {&source, &withClear, &withoutClear}) s->SetParentChart(&chart);
    for (int i = 0; i < 3; ++i) source.Add(i);
    withClear.SetDataSource(&source);
    withoutClear.SetDataSource(&source);
    withoutClear.RecalcOptions = rOnDelete | rOnModify | rOnInsert;
    EXPECT_EQ(withClear.Count(), 3);
    EXPECT_EQ(withoutClear.Count(), 3);
    source.Add(10, "new");  // veAdd copies the point, label included
    EXPECT_EQ(withClear.Count(), 4);
    EXPECT_EQ(withClear.GetXLabel(3), "new");
    source.Delete(0);
    EXPECT_EQ(withClear.Count(), 3);
    source.Clear();
    EXPECT_EQ(withClear.Count(), 0);
    EXPECT_EQ(withoutClear.Count(), 3);
    for (TChartSeries* s : {&withoutClear, &withClear, &source}) s->SetParentChart(nullptr);
}

TEST(SeriesData, BlockDeleteRefillsLinkedSeriesInsteadOfDeletingIndexMinusOne)
{
    FakeChartHost chart;
    TChartSeries source, linked;
    source.SetParentChart(&chart);
    linked.SetParentChart(&chart);
    for (int i = 0; i < 5; ++i) source.Add(i);
    linked.SetDataSource(&source);
    source.Delete(1, 2);
    EXPECT_EQ(linked.Count(), 3);
    EXPECT_EQ(linked.GetyValue(1), 3);
    linked.SetParentChart(nullptr);
    source.SetParentChart(nullptr);
}

TEST(SeriesData, CircularSourcesAreRefusedEvenAroundAnExistingCycle)
{
    FakeChartHost chart;
    TChartSeries a, b, c;
    for (TChartSeries* s : {&a, &b, &c}) s->SetParentChart(&chart);
    b.SetDataSource(&a);
    c.SetDataSource(&b);
    try {
        a.SetDataSource(&c);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message, "Circular Series dependences are not allowed");
    }
    EXPECT_EQ(a.DataSource(), nullptr);
    // A cycle that got in some other way (here: lists filled directly) must not hang the
    // check: it answers with the same error.
    TChartSeries d, e2;
    d.DataSources().InheritedAdd(&e2);
    e2.DataSources().InheritedAdd(&d);
    EXPECT_NO_THROW(CheckOtherSeries(&a, &d));
    EXPECT_THROW(CheckOtherSeries(&d, &e2), ChartException);
    d.DataSources().InheritedClear();
    e2.DataSources().InheritedClear();
    for (TChartSeries* s : {&c, &b, &a}) s->SetParentChart(nullptr);
}

TEST(SeriesData, NoDataSourceDetachesFromTheSource)
{
    FakeChartHost chart;
    TChartSeries source, fed;
    source.SetParentChart(&chart);
    fed.SetParentChart(&chart);
    source.Add(1);
    fed.SetDataSource(&source);
    EXPECT_EQ(source.LinkedSeries().Count(), 1);
    fed.SetDataSource(nullptr);
    EXPECT_EQ(fed.DataSource(), nullptr);
    EXPECT_EQ(source.LinkedSeries().Count(), 0);
    source.Add(2);
    EXPECT_EQ(fed.Count(), 1);
    fed.SetParentChart(nullptr);
    source.SetParentChart(nullptr);
}

TEST(SeriesData, SetDataSourceNeedsAChart)
{
    TChartSeries a, b;
    try {
        a.SetDataSource(&b);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message, "No ParentChart to validate DataSource");
    }
    FakeChartHost chart;
    a.SetParentChart(&chart);
    EXPECT_THROW(a.SetDataSource(&a), ChartException);
    a.SetParentChart(nullptr);
}

TEST(SeriesData, FreedSourceIsDroppedFromItsSeries)
{
    FakeChartHost chart;
    TChartSeries target;
    target.SetParentChart(&chart);
    {
        TChartSeries source;
        source.SetParentChart(&chart);
        source.Add(1);
        target.SetDataSource(&source);
        EXPECT_EQ(target.Count(), 1);
        source.SetParentChart(nullptr);
    }
    EXPECT_EQ(target.DataSource(), nullptr);
    target.SetParentChart(nullptr);
}

TEST(SeriesData, SortByLabelsAndCheckOrder)
{
    TChartSeries s;
    s.Add(3, "c");
    s.Add(1, "a");
    s.Add(2, "b");
    s.SortByLabels(loAscending);
    EXPECT_EQ(s.GetXLabel(0), "a");
    EXPECT_EQ(s.GetyValue(0), 1);
    EXPECT_EQ(s.GetxValue(2), 2);
    s.SortByLabels(loDescending);
    EXPECT_EQ(s.GetXLabel(0), "c");

    // CheckOrder leaves a series whose mandatory list is unordered as it is.
    TChartSeries t;
    t.AddXY(10, 1);
    t.AddXY(20, 2);
    t.CheckOrder();
    EXPECT_EQ(t.GetxValue(1), 20);
    t.YValues()->SetOrder(loDescending);
    t.CheckOrder();
    EXPECT_EQ(t.GetyValue(0), 2);
    EXPECT_EQ(t.GetxValue(0), 0);
}

TEST(SeriesData, SeriesColourStaysAutomaticWhenGivenTheAssignedColour)
{
    FakeChartHost chart;
    TChartSeries s;
    s.SetParentChart(&chart);  // Added: the chart's free colour becomes the internal one
    EXPECT_EQ(s.GetSeriesColor(), 0x0000FF);
    EXPECT_FALSE(s.IsColorStored());
    s.SetSeriesColor(0x0000FF);
    EXPECT_FALSE(s.IsColorStored());
    s.SetSeriesColor(0x00FF00);
    EXPECT_TRUE(s.IsColorStored());
    EXPECT_GE(chart.CountEvents(seChangeColor), 1);
    s.SetParentChart(nullptr);
}

TEST(SeriesData, VisibleRangeBySearchOnOrderedX)
{
    TChartSeries s;
    for (double x : {5.0, 12.0, 18.0, 25.0}) s.AddXY(x, 0);
    s.CalcFirstLastVisibleRange(10, 20);
    EXPECT_EQ(s.FirstValueIndex, 1);
    EXPECT_EQ(s.LastValueIndex, 2);
    s.DrawPointBeyondRange = true;
    s.CalcFirstLastVisibleRange(10, 20);
    EXPECT_EQ(s.LastValueIndex, 3);

    TChartSeries t;
    for (double x : {5.0, 10.0, 15.0, 20.0, 25.0}) t.AddXY(x, 0);
    for (bool beyond : {false, true}) {
        t.DrawPointBeyondRange = beyond;
        t.CalcFirstLastVisibleRange(10, 20);
        EXPECT_EQ(t.FirstValueIndex, 1);
        EXPECT_EQ(t.LastValueIndex, 3);
    }
    t.CalcFirstLastVisibleRange(30, 40);
    EXPECT_EQ(t.FirstValueIndex, -1);
    EXPECT_EQ(t.LastValueIndex, -1);

    TChartSeries u;
    u.XValues()->SetOrder(loNone);
    for (double x : {50.0, 1.0, 99.0}) u.AddXY(x, 0);
    u.CalcFirstLastVisibleRange(10, 20);
    EXPECT_EQ(u.FirstValueIndex, 0);
    EXPECT_EQ(u.LastValueIndex, 2);
}

TEST(SeriesData, FillSampleValuesCountsAndRejectsNegative)
{
    TChartSeries s;
    s.FillSampleValues(0);
    EXPECT_EQ(s.Count(), 25);
    EXPECT_FALSE(s.ManualData);
    s.SampleCount = 7;
    s.FillSampleValues();
    EXPECT_EQ(s.Count(), 7);
    try {
        s.FillSampleValues(-1);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message, "FillSampleValues NumValues must be > 0");
    }
    EXPECT_EQ(s.Count(), 7);
    EXPECT_FALSE(s.Updating());
}

TEST(SeriesData, GalleryPreparationUsesTheGalleryColours)
{
    FakeChartHost chart;
    TChartSeries first, second;
    first.SetParentChart(&chart);
    second.SetParentChart(&chart);
    first.PrepareForGallery(true);
    second.PrepareForGallery(true);
    EXPECT_EQ(first.Count(), 4);
    EXPECT_EQ(first.GetSeriesColor(), 0x100 + clTeeGallery1);
    EXPECT_EQ(second.GetSeriesColor(), 0x100 + clTeeGallery2);
    EXPECT_EQ(first.Marks()->GetDrawEvery(), 2);
    second.PrepareForGallery(false);
    EXPECT_EQ(second.GetSeriesColor(), clSilver);
    second.SetParentChart(nullptr);
    first.SetParentChart(nullptr);
}

TEST(SeriesData, CopyingSortsOnceLikeAddingOneByOne)
{
    TChartSeries source;
    source.XValues()->SetOrder(loNone);
    const double xs[] = {4, 2, 4, 1, 2, 9, 0};
    for (int i = 0; i < 7; ++i) source.AddXY(xs[i], i * 10, i == 3 ? "three" : "", i == 5 ? 0x55 : clDefault);
    TChartSeries bulk, single;
    int added = 0;
    single.OnAfterAdd = [&](TChartSeries*, int) { ++added; };  // forces the one-by-one path
    bulk.AddValues(&source);
    single.AddValues(&source);
    EXPECT_EQ(added, 7);
    ASSERT_EQ(bulk.Count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(bulk.GetxValue(i), single.GetxValue(i)) << i;
        EXPECT_EQ(bulk.GetyValue(i), single.GetyValue(i)) << i;
        EXPECT_EQ(bulk.GetXLabel(i), single.GetXLabel(i)) << i;
        EXPECT_EQ(bulk.InternalColor(i), single.InternalColor(i)) << i;
    }
    EXPECT_EQ(bulk.GetyValue(2), 10);  // of the two points at X 2, the earlier one first
    EXPECT_EQ(bulk.GetyValue(3), 40);
}

TEST(SeriesData, AssignCopiesFormatAndValues)
{
    TChartSeries a, b;
    a.SetTitle("T");
    a.SetValueFormat("0.0");
    a.SetSeriesColor(0x123456);
    a.ManualData = true;
    a.AddXY(1, 2, "x", 0x44);
    a.AddXY(3, 4);
    b.Assign(a);
    EXPECT_EQ(b.GetTitle(), "T");
    EXPECT_EQ(b.GetValueFormat(), "0.0");
    EXPECT_EQ(b.GetSeriesColor(), 0x123456);
    EXPECT_TRUE(b.IsColorStored());
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(b.GetXLabel(0), "x");
    EXPECT_EQ(b.InternalColor(0), 0x44);
    EXPECT_EQ(b.GetyValue(1), 4);
}

}  // namespace

namespace {

TEST(SeriesMarkText, StylesAndTheTextEvent)
{
    TChartSeries s;
    s.Add(1, "A");
    s.Add(3);
    EXPECT_EQ(s.GetMarkText(0), "A");
    EXPECT_EQ(s.GetMarkText(1), "3");
    s.YValues()->SetValue(1, 1234.5);
    EXPECT_EQ(s.GetMarkText(1), FormatFloat("#,##0.###", 1234.5));
    s.YValues()->SetValue(1, 3);
    s.Marks()->SetStyle(smsPercent);
    EXPECT_EQ(s.GetMarkText(0), "25 %");
    EXPECT_EQ(s.GetMarkText(1), "75 %");
    s.Marks()->SetStyle(smsPercentTotal);
    EXPECT_EQ(s.GetMarkText(0), "25 % of 4");
    s.Marks()->SetStyle(smsLabelValue);
    s.Marks()->SetMultiLine(true);
    EXPECT_EQ(s.GetMarkText(0), "A\r1");
    s.Marks()->SetStyle(smsXY);
    s.Marks()->SetMultiLine(false);
    EXPECT_EQ(s.GetMarkText(1), "1 3");
    s.OnGetMarkText = [](TChartSeries*, int index, AnsiString& text) {
        if (index == 1) text.clear();
    };
    EXPECT_EQ(s.GetMarkText(1), "");
    EXPECT_EQ(s.GetMarkText(5), "");
}

TEST(SeriesMarkText, LegendAndAxisTextsComeFromTheChart)
{
    FakeChartHost chart;
    TChartSeries s;
    s.SetParentChart(&chart);
    s.Add(7);
    s.Marks()->SetStyle(smsLegend);
    EXPECT_EQ(s.GetMarkText(0), "L0 v");
    s.Marks()->SetMultiLine(true);
    EXPECT_EQ(s.GetMarkText(0), "L0" + AnsiString(1, TeeColumnSeparator) + "v");
    s.SetParentChart(nullptr);
}

TEST(SeriesMarks, UsePositionKeepsUserPositions)
{
    TChartSeries s;
    s.Add(1);
    s.Add(2);
    TSeriesMarks& marks = *s.Marks();
    TSeriesMarkPosition drawn;
    drawn.LeftTop = {10, 20};
    marks.UsePosition(1, drawn);
    ASSERT_NE(marks.Positions().Get(1), nullptr);
    EXPECT_FALSE(marks.Positions().Get(1)->Custom);
    EXPECT_FALSE(marks.Positions().ExistCustom());
    TSeriesMarkPosition moved;
    moved.LeftTop = {50, 60};
    marks.Positions().Put(1, moved);
    TSeriesMarkPosition next;
    next.LeftTop = {10, 20};
    next.ArrowFix = true;
    next.ArrowFrom = {1, 1};
    marks.UsePosition(1, next);
    EXPECT_EQ(next.LeftTop, (TPoint{50, 60}));
    EXPECT_EQ(next.ArrowFrom, (TPoint{1, 1}));
    marks.ResetPositions();
    EXPECT_FALSE(marks.Positions().ExistCustom());
    marks.SetDrawEvery(0);
    EXPECT_EQ(marks.GetDrawEvery(), 1);
    // Deleting a point takes its position and item along.
    marks.Items().Get(1)->SetVisible(false);
    s.Delete(0);
    ASSERT_NE(marks.Positions().Get(0), nullptr);
    EXPECT_FALSE(marks.Items().Get(0)->GetVisible());
    // Loaded items survive the clearing of the data that follows them.
    marks.Items().Loading = true;
    s.Clear();
    EXPECT_EQ(marks.Items().Count(), 1);
    EXPECT_EQ(marks.Positions().Count(), 0);
}

}  // namespace
