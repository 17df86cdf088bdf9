#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"

namespace {

std::vector<double> Values(const TChartValueList& list)
{
    return std::vector<double>(list.Data(), list.Data() + list.Count());
}

TEST(ValueList, EmptyListHasZeroStatistics)
{
    TChartValueList list(nullptr, "V");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.MinValue(), 0);
    EXPECT_EQ(list.MaxValue(), 0);
    EXPECT_EQ(list.Total(), 0);
    EXPECT_EQ(list.TotalABS(), 0);
    EXPECT_EQ(list.Range(), 0);
    // Its zero statistics widen no limit; once it holds values they do.
    EXPECT_EQ(list.MinWith(5), 5);
    EXPECT_EQ(list.MaxWith(-5), -5);
    list.AddChartValue(3);
    EXPECT_EQ(list.MinWith(5), 3);
    EXPECT_EQ(list.MaxWith(-5), 3);
}

TEST(ValueList, OrderedInsertionKeepsEqualValuesInArrivalOrder)
{
    TChartValueList list(nullptr, "X");
    list.SetOrder(loAscending);
    EXPECT_EQ(list.AddChartValue(5), 0);
    EXPECT_EQ(list.AddChartValue(3), 0);
    EXPECT_EQ(list.AddChartValue(3), 1);  // after the first 3
    EXPECT_EQ(list.AddChartValue(7), 3);
    EXPECT_EQ(Values(list), (std::vector<double>{3, 3, 5, 7}));

    TChartValueList desc(nullptr, "D");
    desc.SetOrder(loDescending);
    desc.AddChartValue(9);
    desc.AddChartValue(4);
    EXPECT_EQ(desc.AddChartValue(4), 2);  // equal to the last: appended
    EXPECT_EQ(desc.AddChartValue(6), 1);
    EXPECT_EQ(desc.AddChartValue(6), 2);
    EXPECT_EQ(Values(desc), (std::vector<double>{9, 6, 6, 4, 4}));
}

TEST(ValueList, OrderedInsertionMatchesBackwardScanOnUnorderedData)
{
    // Values changed in place break the order; insertion then places like the scan from
    // the end does, not like a binary search over a list that is no longer sorted.
    TChartValueList list(nullptr, "X");
    list.SetOrder(loAscending);
    for (double v : {1.0, 2.0, 3.0, 4.0, 5.0}) list.AddChartValue(v);
    list.StoreValue(1, 10);               // 1, 10, 3, 4, 5
    EXPECT_EQ(list.AddChartValue(2), 1);  // passes over 5, 4, 3 and 10
    EXPECT_EQ(Values(list), (std::vector<double>{1, 2, 10, 3, 4, 5}));
    EXPECT_EQ(list.Locate(3), 3);
}

// A list kept without order takes points where they come but knows whether they came in
// order, so searches over it may use that: appended in order (equal values too), a step
// back, the step removed again, every value shifted one by one (out of order on the way),
// a NaN, a run appended at once, and a cleared list.
TEST(ValueList, WithoutDeclaredOrderKnowsWhetherItsValuesAscend)
{
    TChartValueList list(nullptr, "X");
    list.SetOrder(loNone);
    for (double v : {1.0, 2.0, 2.0, 2.0, 5.0}) {
        const int at = list.Count();
        EXPECT_EQ(list.AddChartValue(v), at);
    }
    EXPECT_TRUE(list.IsOrdered());
    EXPECT_EQ(list.FirstIndexNotBefore(2), 1);  // the first of the equal values
    EXPECT_EQ(list.FirstIndexNotBefore(3), 4);
    EXPECT_EQ(list.FirstIndexNotBefore(6), 5);
    EXPECT_EQ(list.Locate(2), 1);

    // A clock set back: the point stays where it came, searches walk every value.
    EXPECT_EQ(list.AddChartValue(1.5), 5);
    EXPECT_FALSE(list.IsOrdered());
    EXPECT_EQ(Values(list), (std::vector<double>{1, 2, 2, 2, 5, 1.5}));
    EXPECT_EQ(list.FirstIndexNotBefore(3), 4);
    EXPECT_EQ(list.FirstIndexNotBefore(1.2), 1);
    EXPECT_EQ(list.Locate(1.5), 5);
    list.AddChartValue(6);
    EXPECT_FALSE(list.IsOrdered());
    list.Delete(5);
    EXPECT_TRUE(list.IsOrdered());

    // A new time origin moves every point; half-way the list is out of order.
    for (int i = 0; i < list.Count(); ++i) list.StoreValue(i, list.Value(i) + 10);
    EXPECT_TRUE(list.IsOrdered());
    EXPECT_EQ(list.FirstIndexNotBefore(12), 1);

    list.AddChartValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(list.IsOrdered());
    list.ClearValues();
    EXPECT_TRUE(list.IsOrdered());
    const double run[] = {1, 2, 3, 3};
    list.AppendRange(run, 4);
    EXPECT_TRUE(list.IsOrdered());
    const double back[] = {4, 2.5};
    list.AppendRange(back, 2);
    EXPECT_FALSE(list.IsOrdered());

    // Long runs, ascending or descending: a value out of place or a NaN anywhere in them,
    // the first one against the list's last included, is noticed.
    for (const TChartListOrder order : {loNone, loDescending})
        for (const int at : {0, 1, 255, 256, 257, 700, 999})
            for (const bool nan : {false, true}) {
                TChartValueList l(nullptr, "X");
                l.SetOrder(order);
                const double sign = order == loDescending ? -1 : 1;
                const double before = sign * -1;
                l.AppendRange(&before, 1);
                std::vector<double> longRun(1000);
                for (int i = 0; i < 1000; ++i) longRun[size_t(i)] = sign * i;
                l.AppendRange(longRun.data(), 1000);
                EXPECT_TRUE(l.IsOrdered());
                l.ClearValues();
                l.AppendRange(&before, 1);
                longRun[size_t(at)] = nan ? std::numeric_limits<double>::quiet_NaN() : sign * (at - 1.5);
                l.AppendRange(longRun.data(), 1000);
                EXPECT_FALSE(l.IsOrdered()) << order << " " << at << " " << nan;
            }
}

TEST(ValueList, GrowthKeepsTheFixedStepAndThenAnEighth)
{
    TChartValueList list(nullptr, "V");
    for (int i = 0; i < 1000; ++i) list.AddChartValue(i);
    EXPECT_EQ(list.Capacity(), 1000);
    list.AddChartValue(1000);
    EXPECT_EQ(list.Capacity(), 2000);
    for (int i = 1001; i < 2001; ++i) list.AddChartValue(i);
    EXPECT_EQ(list.Capacity(), 3000);
    for (int i = 2001; i < 43200; ++i) list.AddChartValue(i);
    EXPECT_LE(list.Capacity(), 43200 + 43200 / 8);  // little room left unused
    EXPECT_EQ(list.Last(), 43199);

    const int saved = TeeDefaultCapacity;
    TeeDefaultCapacity = 0;  // a broken setting must still grow
    TChartValueList other(nullptr, "W");
    for (int i = 0; i < 10; ++i) other.AddChartValue(i);
    EXPECT_EQ(other.Count(), 10);
    EXPECT_GE(other.Capacity(), 10);
    TeeDefaultCapacity = -5;
    other.AddChartValue(10);
    EXPECT_EQ(other.Last(), 10);
    TeeDefaultCapacity = saved;
}

TEST(ValueList, LocateFindsTheLowerOfDuplicates)
{
    for (TChartListOrder order : {loNone, loAscending}) {
        TChartValueList list(nullptr, "V");
        list.SetOrder(order);
        for (double v : {1.0, 2.0, 2.0, 2.0, 8.0}) list.AddChartValue(v);
        EXPECT_EQ(list.Locate(2), 1);
        EXPECT_EQ(list.Locate(5), -1);
        EXPECT_EQ(list.Locate(2, 2, 4), 2);
        EXPECT_EQ(list.Locate(2, 4, 3), -1);
        EXPECT_EQ(list.Locate(8, -3, 99), 4);  // range clamped to the list
    }
}

TEST(ValueList, ScrollRotatesAndLeavesStatistics)
{
    TChartValueList list(nullptr, "V");
    for (double v : {1.0, 2.0, 3.0}) list.AddChartValue(v);
    EXPECT_EQ(list.Total(), 6);
    list.Scroll();
    EXPECT_EQ(Values(list), (std::vector<double>{2, 3, 1}));
    EXPECT_EQ(list.MinValue(), 1);
    EXPECT_EQ(list.MaxValue(), 3);

    // Pending statistics (values appended since the last read) still come out right.
    list.AddChartValue(10);
    list.AddChartValue(-4);
    list.Scroll();
    EXPECT_EQ(list.MaxValue(), 10);
    EXPECT_EQ(list.MinValue(), -4);
    EXPECT_EQ(list.Total(), 12);

    TChartValueList empty(nullptr, "E");
    empty.Scroll();
    EXPECT_EQ(empty.Count(), 0);
}

TEST(ValueList, StatisticsFollowAppendsDeletesAndChanges)
{
    TChartValueList list(nullptr, "V");
    for (double v : {4.0, -2.0, 7.0}) list.AddChartValue(v);
    EXPECT_EQ(list.MinValue(), -2);
    EXPECT_EQ(list.MaxValue(), 7);
    EXPECT_EQ(list.Total(), 9);
    EXPECT_EQ(list.TotalABS(), 13);
    list.AddChartValue(-10);  // incremental from the new index
    list.AddChartValue(20);
    EXPECT_EQ(list.MinValue(), -10);
    EXPECT_EQ(list.MaxValue(), 20);
    EXPECT_EQ(list.Total(), 19);
    EXPECT_EQ(list.TotalABS(), 43);
    list.Delete(4);  // removes 20: the maximum must come back down
    EXPECT_EQ(list.MaxValue(), 7);
    list.StoreValue(0, 100);
    EXPECT_EQ(list.MaxValue(), 100);
    EXPECT_EQ(list.Total(), 95);
    list.InsertChartValue(0, -50);
    EXPECT_EQ(list.MinValue(), -50);
    list.ClearValues();
    EXPECT_EQ(list.MaxValue(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(ValueList, NaNIsStoredButSkippedByStatistics)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TChartValueList list(nullptr, "V");
    list.AddChartValue(nan);
    list.AddChartValue(5);
    list.AddChartValue(-3);
    EXPECT_TRUE(std::isnan(list.First()));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.MinValue(), -3);
    EXPECT_EQ(list.MaxValue(), 5);
    EXPECT_EQ(list.Total(), 2);
    list.AddChartValue(nan);
    list.AddChartValue(9);
    EXPECT_EQ(list.MaxValue(), 9);
    EXPECT_EQ(list.Total(), 11);

    TChartValueList onlyNaN(nullptr, "N");
    onlyNaN.AddChartValue(nan);
    EXPECT_EQ(onlyNaN.MinValue(), 0);
    onlyNaN.AddChartValue(2);  // incremental start after NaN only
    EXPECT_EQ(onlyNaN.MinValue(), 2);
    EXPECT_EQ(onlyNaN.MaxValue(), 2);

    // Infinities are stored too, but would make every range infinite.
    const double inf = std::numeric_limits<double>::infinity();
    TChartValueList infinite(nullptr, "I");
    infinite.AddChartValue(-inf);
    infinite.AddChartValue(4);
    infinite.AddChartValue(inf);
    infinite.AddChartValue(1);
    EXPECT_EQ(infinite.MinValue(), 1);
    EXPECT_EQ(infinite.MaxValue(), 4);
    EXPECT_EQ(infinite.Total(), 5);
}

TEST(ValueList, DeleteRejectsBadIndexesWithoutTouchingValues)
{
    TChartValueList list(nullptr, "V");
    for (double v : {1.0, 2.0, 3.0}) list.AddChartValue(v);
    list.Delete(-1);
    list.Delete(3);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_THROW(list.Delete(-1, 2), Exception);
    EXPECT_THROW(list.Delete(1, -1), Exception);
    EXPECT_THROW(list.Delete(2, 2), Exception);
    try {
        list.Delete(3, 1);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Quantity of data to delete must be less than Count.");
    }
    list.Delete(0, 2);
    EXPECT_EQ(Values(list), (std::vector<double>{3}));
}

TEST(ValueList, FillSequenceNotifiesTheOwnerOnce)
{
    TChartSeries source;
    TChartSeries linked;
    source.AddLinkedSeries(&linked);
    linked.RecalcOptions = rOnModify;
    int refills = 0;
    linked.OnClearValues = [&](TChartSeries*) { ++refills; };
    for (double v : {5.0, 6.0, 7.0, 8.0}) source.Add(v);
    refills = 0;
    source.XValues()->FillSequence();
    EXPECT_EQ(Values(*source.XValues()), (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(refills, 1);
    EXPECT_EQ(linked.Count(), 4);
}

TEST(ValueList, SortMovesEveryListOfTheSeries)
{
    TChartSeries series;
    series.XValues()->SetOrder(loNone);
    series.AddXY(3, 30, "c");
    series.AddXY(1, 10, "a");
    series.AddXY(2, 20, "b", 0x123);
    series.XValues()->SetOrder(loAscending);
    series.XValues()->Sort();
    EXPECT_EQ(Values(*series.XValues()), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(Values(*series.YValues()), (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(series.GetXLabel(0), "a");
    EXPECT_EQ(series.GetXLabel(2), "c");
    EXPECT_EQ(series.InternalColor(1), 0x123);
    EXPECT_EQ(series.InternalColor(0), clDefault);
}

TEST(ValueList, AssignCopiesSettingsNotValues)
{
    TChartValueList a(nullptr, "A"), b(nullptr, "B");
    a.SetOrder(loDescending);
    a.SetDateTime(true);
    a.AddChartValue(1);
    b.Assign(a);
    EXPECT_EQ(b.GetOrder(), loDescending);
    EXPECT_TRUE(b.GetDateTime());
    EXPECT_EQ(b.GetName(), "B");
    EXPECT_EQ(b.Count(), 0);
    b.InitDateTime(false);
    EXPECT_FALSE(b.IsDateTimeStored());
    b.SetDateTime(true);
    EXPECT_TRUE(b.IsDateTimeStored());
}

}  // namespace

#include "chart/engine/TeePalette.h"

namespace {

TEST(ColorPalette, WrapsNegativeIndexesAndSurvivesAnEmptyPalette)
{
    EXPECT_EQ(GetDefaultColor(23), 0xFF0000);
    EXPECT_EQ(GetDefaultColor(-1), 0xA4A0A0);
    const TColor two[] = {0x111111, 0x222222};
    SetDefaultColorPalette(two, 1);
    EXPECT_EQ(GetDefaultColor(3), 0x222222);
    ColorPalette.clear();
    EXPECT_EQ(GetDefaultColor(3), 0xFF0000);
    SetDefaultColorPalette(two, 0);  // High 0 restores the defaults
    EXPECT_EQ(ColorPalette.size(), 20u);
}

}  // namespace

#include <QMetaProperty>

namespace {

TEST(ValueListProperties, StoredSettingsAreWalkableByName)
{
    TChartSeries series;
    QObject* x = series.property("XValues").value<TChartValueList*>();
    ASSERT_EQ(x, series.XValues());
    const QMetaObject* meta = x->metaObject();
    const QMetaProperty order = meta->property(meta->indexOfProperty("Order"));
    ASSERT_TRUE(order.isEnumType());
    EXPECT_STREQ(order.enumerator().valueToKey(order.read(x).toInt()), "loAscending");
    EXPECT_TRUE(order.write(x, QVariant::fromValue(loDescending)));
    EXPECT_EQ(series.XValues()->GetOrder(), loDescending);
    EXPECT_FALSE(series.XValues()->IsPropertyStored("DateTime"));
    const QMetaProperty recalc = series.metaObject()->property(series.metaObject()->indexOfProperty("RecalcOptions"));
    ASSERT_TRUE(recalc.isFlagType());
    EXPECT_EQ(recalc.enumerator().valueToKeys(recalc.read(&series).toInt()), "rOnDelete|rOnModify|rOnInsert|rOnClear");
    EXPECT_FALSE(series.IsPropertyStored("ValueFormat"));
    series.SetValueFormat("0.00");
    EXPECT_TRUE(series.IsPropertyStored("ValueFormat"));
}

}  // namespace
