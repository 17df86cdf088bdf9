#include <gtest/gtest.h>
#include <pthread.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QPainter>
#include <QResource>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "chart/engine/TeeProcs.h"
#include "platform/Exception.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"

namespace {

TDateTime Day(int y, int m, int d)
{
    return EncodeDate(y, m, d);
}

TDateTime Stepped(TDateTime value, bool increment, TDateTimeStep step)
{
    TeeDateTimeIncrement(true, increment, value, DateTimeStep[step], step);
    return value;
}

}  // namespace

// ---- Date-time label steps -------------------------------------------------------------

TEST(DateTimeSteps, FindMatchesEveryStepAndNothingElse)
{
    // Each step is found from its own length: no two entries are within a microsecond.
    for (int t = dtOneMicroSecond; t <= dtOneYear; ++t) EXPECT_EQ(FindDateTimeStep(DateTimeStep[t]), t) << t;
    EXPECT_EQ(FindDateTimeStep(1.0 + 1e-12), dtOneDay);
    EXPECT_EQ(FindDateTimeStep(0.7), dtNone);
    EXPECT_EQ(FindDateTimeStep(0.0), dtNone);
    EXPECT_EQ(FindDateTimeStep(std::nan("")), dtNone);
    EXPECT_DOUBLE_EQ(DateTimeStep[dtNone], 1.0);
}

TEST(DateTimeSteps, NextStepClimbsTheTable)
{
    // The channel window's time axis climbs from one second to 5 and then 10 seconds.
    EXPECT_DOUBLE_EQ(NextDateTimeStep(DateTimeStep[dtOneSecond]), DateTimeStep[dtFiveSeconds]);
    EXPECT_DOUBLE_EQ(NextDateTimeStep(DateTimeStep[dtFiveSeconds]), DateTimeStep[dtTenSeconds]);
    EXPECT_DOUBLE_EQ(NextDateTimeStep(2.0 / 86400.0), DateTimeStep[dtFiveSeconds]);
    EXPECT_DOUBLE_EQ(NextDateTimeStep(DateTimeStep[dtOneWeek]), DateTimeStep[dtHalfMonth]);
    EXPECT_DOUBLE_EQ(NextDateTimeStep(DateTimeStep[dtSixMonths]), DateTimeStep[dtOneYear]);
    EXPECT_DOUBLE_EQ(NextDateTimeStep(1000.0), DateTimeStep[dtOneYear]);
    // Below every entry: one year, as the table search falls through.
    EXPECT_DOUBLE_EQ(NextDateTimeStep(1e-20), DateTimeStep[dtOneYear]);
}

TEST(DateTimeSteps, DefaultFormatSwitchesAtOneDay)
{
    ResetFormatSettings();
    EXPECT_EQ(DateTimeDefaultFormat(1.0), "hh:nn");
    EXPECT_EQ(DateTimeDefaultFormat(1.5), "dd.mm.yyyy");
    EXPECT_EQ(DateTimeDefaultFormat(DateTimeStep[dtOneMinute]), "hh:nn");
}

TEST(DateTimeRounding, RoundsToTheStartOfTheStep)
{
    TDateTime t = Day(2005, 3, 20) + EncodeTime(14, 30, 0, 0);
    EXPECT_EQ(TeeRoundDate(t, dtHalfMonth), Day(2005, 3, 15));
    EXPECT_EQ(TeeRoundDate(t, dtOneYear), Day(2005, 1, 1));
    EXPECT_EQ(TeeRoundDate(t, dtOneHour), Day(2005, 3, 20));
    EXPECT_EQ(TeeRoundDate(t, dtOneDay), Day(2005, 3, 20));
    EXPECT_EQ(TeeRoundDate(t, dtThreeMonths), Day(2005, 3, 1));
    EXPECT_EQ(TeeRoundDate(t, dtNone), Day(2005, 3, 20));
    EXPECT_EQ(TeeRoundDate(Day(2005, 3, 14) + 0.9, dtHalfMonth), Day(2005, 3, 1));
    EXPECT_EQ(TeeRoundDate(Day(2005, 3, 15), dtHalfMonth), Day(2005, 3, 15));
}

TEST(DateTimeRounding, LeavesEarlyAndUnrepresentableDatesAlone)
{
    EXPECT_EQ(TeeRoundDate(2.0, dtOneYear), 2.0);
    EXPECT_EQ(TeeRoundDate(1.75, dtOneMonth), 1.75);
    EXPECT_EQ(TeeRoundDate(-400.25, dtOneDay), -400.25);
    EXPECT_EQ(TeeRoundDate(2.5, dtOneDay), 2.0);
    EXPECT_TRUE(std::isnan(TeeRoundDate(std::nan(""), dtOneMonth)));
    EXPECT_EQ(TeeRoundDate(1e9, dtOneMonth), 1e9);  // far beyond the year 9999
    EXPECT_TRUE(std::isinf(TeeRoundDate(INFINITY, dtOneYear)));
}

TEST(DateTimeIncrement, PlainAndShortStepsAdd)
{
    double v = 10.0;
    TeeDateTimeIncrement(false, true, v, 2.5, dtOneMonth);
    EXPECT_EQ(v, 12.5);
    TeeDateTimeIncrement(true, false, v, 0.5, dtOneWeek);
    EXPECT_EQ(v, 12.0);
    TeeDateTimeIncrement(true, true, v, 3.0, dtNone);
    EXPECT_EQ(v, 15.0);
    double n = std::nan("");
    TeeDateTimeIncrement(true, true, n, 1.0, dtOneMonth);
    EXPECT_TRUE(std::isnan(n));
}

TEST(DateTimeIncrement, MonthAndYearStepsFollowTheCalendar)
{
    EXPECT_EQ(Stepped(Day(2005, 11, 10), true, dtThreeMonths), Day(2006, 2, 10));
    EXPECT_EQ(Stepped(Day(2005, 1, 10), false, dtTwoMonths), Day(2004, 11, 10));
    EXPECT_EQ(Stepped(Day(2005, 8, 10) + 0.75, true, dtSixMonths), Day(2006, 2, 10));
    EXPECT_EQ(Stepped(Day(2005, 1, 10), false, dtOneYear), Day(2004, 1, 10));
    EXPECT_EQ(Stepped(Day(2005, 12, 1), true, dtOneMonth), Day(2006, 1, 1));
    EXPECT_EQ(Stepped(Day(2005, 1, 1), false, dtOneMonth), Day(2004, 12, 1));
    EXPECT_EQ(Stepped(Day(2005, 3, 1), false, dtFourMonths), Day(2004, 11, 1));
}

TEST(DateTimeIncrement, DayBeyondTheTargetMonthBecomesItsLastDay)
{
    EXPECT_EQ(Stepped(Day(2005, 1, 31), true, dtOneMonth), Day(2005, 2, 28));
    EXPECT_EQ(Stepped(Day(2004, 3, 31), false, dtOneMonth), Day(2004, 2, 29));
    EXPECT_EQ(Stepped(Day(2005, 8, 31), true, dtThreeMonths), Day(2005, 11, 30));
    EXPECT_EQ(Stepped(Day(2004, 2, 29), true, dtOneYear), Day(2005, 2, 28));
    // A whole year of month steps back from the 31st never fails.
    TDateTime v = Day(2005, 12, 31);
    for (int k = 0; k < 12; ++k) ASSERT_NO_THROW(v = Stepped(v, false, dtOneMonth));
    EXPECT_EQ(v, Day(2004, 12, 28));
}

TEST(DateTimeIncrement, HalfMonthStepsWalkOneWay)
{
    EXPECT_EQ(Stepped(Day(2005, 1, 1), false, dtHalfMonth), Day(2004, 12, 15));
    EXPECT_EQ(Stepped(Day(2005, 3, 20) + 0.6, false, dtHalfMonth), Day(2005, 3, 15));
    EXPECT_EQ(Stepped(Day(2005, 3, 15), false, dtHalfMonth), Day(2005, 3, 1));
    EXPECT_EQ(Stepped(Day(2005, 3, 2), false, dtHalfMonth), Day(2005, 3, 1));
    EXPECT_EQ(Stepped(Day(2005, 1, 1), true, dtHalfMonth), Day(2005, 1, 15));
    EXPECT_EQ(Stepped(Day(2005, 1, 20), true, dtHalfMonth), Day(2005, 2, 1));
    EXPECT_EQ(Stepped(Day(2004, 12, 15), true, dtHalfMonth), Day(2005, 1, 1));
    // Forward and back are inverse on the boundaries, and every step moves.
    TDateTime v = Day(2004, 11, 7);
    for (int k = 0; k < 30; ++k) {
        TDateTime next = Stepped(v, true, dtHalfMonth);
        ASSERT_GT(next, v);
        ASSERT_LE(next - v, 17.0);
        if (k > 0) {
            ASSERT_EQ(Stepped(next, false, dtHalfMonth), v);
        }
        v = next;
    }
}

TEST(DateTimeIncrement, LeavingTheCalendarRaises)
{
    EXPECT_THROW(Stepped(Day(9999, 12, 1), true, dtOneMonth), EConvertError);
    EXPECT_THROW(Stepped(Day(1, 1, 10), false, dtOneYear), EConvertError);
}

// ---- Hit tests -------------------------------------------------------------------------

TEST(HitTest, PointInLineMeasuresToTheSegment)
{
    // Tolerance 0 still accepts one pixel beside the segment, not two.
    EXPECT_TRUE(PointInLine(TPoint(5, 1), 0, 0, 10, 0));
    EXPECT_FALSE(PointInLine(TPoint(5, 2), 0, 0, 10, 0));
    EXPECT_TRUE(PointInLine(TPoint(5, 3), 0, 0, 10, 0, 2));
    EXPECT_TRUE(PointInLine(TPoint(5, 3), TPoint(0, 0), TPoint(10, 0), 2));
    EXPECT_TRUE(PointInLineTolerance(TPoint(5, -3), 0, 0, 10, 0, 2));
    // Beyond the ends the distance is to the nearer end, not to the infinite line.
    EXPECT_TRUE(PointInLine(TPoint(11, 0), TPoint(0, 0), TPoint(10, 0)));
    EXPECT_FALSE(PointInLine(TPoint(12, 0), TPoint(0, 0), TPoint(10, 0)));
    EXPECT_FALSE(PointInLine(TPoint(11, 1), 0, 0, 10, 0));  // sqrt(2) from the end
    EXPECT_FALSE(PointInLine(TPoint(-2, 0), 0, 0, 10, 0));
    // Diagonal: (0, 2) lies sqrt(2) from the line y = x.
    EXPECT_FALSE(PointInLine(TPoint(0, 2), 0, 0, 10, 10));
    EXPECT_TRUE(PointInLine(TPoint(0, 2), 0, 0, 10, 10, 1));
    // A segment of one point, and the end points themselves even with a negative tolerance.
    EXPECT_TRUE(PointInLine(TPoint(4, 4), 3, 4, 3, 4));
    EXPECT_FALSE(PointInLine(TPoint(5, 5), 3, 4, 3, 4));
    EXPECT_TRUE(PointInLine(TPoint(10, 0), 0, 0, 10, 0, -5));
    // Coordinates whose squares overflow 32 bits.
    EXPECT_TRUE(PointInLine(TPoint(30000, 1), -60000, 0, 60000, 0));
    EXPECT_FALSE(PointInLine(TPoint(0, 40000), -60000, 0, 60000, 0));
}

TEST(HitTest, PolygonsAndTriangles)
{
    const TPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(PointInPolygon(TPoint(5, 5), square));
    EXPECT_FALSE(PointInPolygon(TPoint(15, 5), square));
    EXPECT_FALSE(PointInPolygon(TPoint(-1, 5), square));
    // Half-open edges: the top and left edges belong, the bottom and right do not.
    EXPECT_TRUE(PointInPolygon(TPoint(0, 0), square));
    EXPECT_FALSE(PointInPolygon(TPoint(10, 5), square));
    EXPECT_FALSE(PointInPolygon(TPoint(5, 10), square));
    // Even-odd: the centre of a five-pointed star is outside.
    const TPoint star[] = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
    EXPECT_FALSE(PointInPolygon(TPoint(50, 50), star));
    EXPECT_TRUE(PointInPolygon(TPoint(50, 10), star));
    // High picks a leading part; too high is limited to the points given, negative is none.
    EXPECT_TRUE(PointInPolygon(TPoint(8, 1), square, 2));
    EXPECT_FALSE(PointInPolygon(TPoint(1, 8), square, 2));
    EXPECT_TRUE(PointInPolygon(TPoint(5, 5), square, 1000));
    EXPECT_FALSE(PointInPolygon(TPoint(5, 5), square, -1));
    EXPECT_FALSE(PointInPolygon(TPoint(0, 0), std::span<const TPoint>()));

    // Apex at the top middle of 0..10, base at y = 20.
    EXPECT_TRUE(PointInTriangle(TPoint(5, 15), 0, 10, 20, 0));
    EXPECT_TRUE(PointInTriangle(TPoint(5, 1), 0, 10, 20, 0));
    EXPECT_FALSE(PointInTriangle(TPoint(1, 2), 0, 10, 20, 0));
    // Pointing right: base at x = 0 from y 0 to 10, apex at (20, 5).
    EXPECT_TRUE(PointInHorizTriangle(TPoint(15, 5), 0, 10, 0, 20));
    EXPECT_FALSE(PointInHorizTriangle(TPoint(15, 1), 0, 10, 0, 20));
    // The midpoint truncates toward zero for negative coordinates too: (-5 + 0) div 2 = -2.
    EXPECT_TRUE(PointInTriangle(TPoint(-2, 1), -5, 0, 10, 0));
}

TEST(HitTest, Ellipses)
{
    EXPECT_TRUE(PointInEllipse(TPoint(10, 5), 0, 0, 20, 10));
    EXPECT_TRUE(PointInEllipse(TPoint(20, 5), TRect(0, 0, 20, 10)));
    EXPECT_TRUE(PointInEllipse(TPoint(10, 0), TRect(0, 0, 20, 10)));
    EXPECT_FALSE(PointInEllipse(TPoint(19, 1), TRect(0, 0, 20, 10)));
    EXPECT_FALSE(PointInEllipse(TPoint(21, 5), TRect(0, 0, 20, 10)));
    // No width or no height: never inside, even at the centre.
    EXPECT_FALSE(PointInEllipse(TPoint(5, 5), TRect(5, 0, 5, 10)));
    EXPECT_FALSE(PointInEllipse(TPoint(5, 5), TRect(0, 5, 10, 5)));
    EXPECT_FALSE(PointInEllipse(TPoint(5, 5), TRect(5, 0, 6, 10)));  // radius 0 after halving
}

TEST(HitTest, CrossingLines)
{
    double x = -1, y = -1;
    EXPECT_TRUE(CrossingLines(0, 0, 10, 10, 0, 10, 10, 0, x, y));
    EXPECT_DOUBLE_EQ(x, 5.0);
    EXPECT_DOUBLE_EQ(y, 5.0);
    // The lines meet, the segments do not: the point is still written.
    EXPECT_FALSE(CrossingLines(0, 0, 1, 1, 0, 10, 10, 0, x, y));
    EXPECT_DOUBLE_EQ(x, 5.0);
    // Parallel: no crossing, the first segment's end.
    EXPECT_FALSE(CrossingLines(0, 0, 10, 0, 0, 5, 10, 5, x, y));
    EXPECT_DOUBLE_EQ(x, 10.0);
    EXPECT_DOUBLE_EQ(y, 0.0);
    // Vertical segments give the crossing on their X, never a NaN.
    EXPECT_TRUE(CrossingLines(5, -5, 5, 5, 0, 0, 10, 2, x, y));
    EXPECT_DOUBLE_EQ(x, 5.0);
    EXPECT_DOUBLE_EQ(y, 1.0);
    EXPECT_TRUE(CrossingLines(0, 0, 10, 2, 5, -5, 5, 5, x, y));
    EXPECT_DOUBLE_EQ(x, 5.0);
    EXPECT_DOUBLE_EQ(y, 1.0);
    EXPECT_FALSE(CrossingLines(0, 0, 0, 10, 3, 0, 3, 10, x, y));
    EXPECT_FALSE(std::isnan(x) || std::isnan(y));
}

// ---- Delimited text ------------------------------------------------------------------

TEST(Fields, CountAndExtract)
{
    EXPECT_EQ(TeeNumFields(""), 0);
    EXPECT_EQ(TeeNumFields("a"), 1);
    EXPECT_EQ(TeeNumFields("a;;b"), 3);
    EXPECT_EQ(TeeNumFields("a;"), 2);
    EXPECT_EQ(TeeExtractField("a;b", 5), "b");
    EXPECT_EQ(TeeExtractField("a;b", 1), "a");
    EXPECT_EQ(TeeExtractField("a;;b", 2), "");
    EXPECT_EQ(TeeExtractField("a;;b", 3), "b");
    EXPECT_EQ(TeeExtractField("a;", 2), "");
    EXPECT_EQ(TeeExtractField("a;b", 0), "");
    EXPECT_EQ(TeeExtractField("a;b", -3), "");
    EXPECT_EQ(TeeExtractField("", 1), "");
}

TEST(Fields, ExplicitAndGlobalSeparators)
{
    EXPECT_EQ(TeeNumFields("1<>2<>3", "<>"), 3);
    EXPECT_EQ(TeeExtractField("1<>2<>3", 2, "<>"), "2");
    EXPECT_EQ(TeeNumFields("a,b;c", ","), 2);
    EXPECT_EQ(TeeNumFields("aaa", "aa"), 2);  // occurrences do not overlap
    EXPECT_EQ(TeeNumFields("a;b", ""), 1);
    EXPECT_EQ(TeeExtractField("a;b", 2, ""), "a;b");
    // The explicit separator leaves the global one as it was.
    EXPECT_EQ(TeeFieldsSeparator, ";");
    TeeFieldsSeparator = "\t";
    EXPECT_EQ(TeeNumFields("x\ty;z"), 2);
    EXPECT_EQ(TeeExtractField("x\ty;z", 2), "y;z");
    TeeFieldsSeparator = ";";
}

TEST(Fields, CharacterAndSeparatorMapping)
{
    EXPECT_EQ(ReplaceChar("a.b.c", '.', ','), "a,b,c");
    EXPECT_EQ(ReplaceChar("a.b.c", '.', '\0'), "abc");
    EXPECT_EQ(TeeStr(-42), "-42");

    ResetFormatSettings();  // decimal ",", no thousands separator
    EXPECT_EQ(NeutralToLocalFormat("#,##0.00"), "###0,00");
    EXPECT_EQ(LocalToNeutralFormat("0,000"), "0.000");
    // A locale that swaps the two must map both ways without merging them.
    FormatSettings().ThousandSeparator = '.';
    EXPECT_EQ(NeutralToLocalFormat("#,##0.00"), "#.##0,00");
    EXPECT_EQ(LocalToNeutralFormat("#.##0,00"), "#,##0.00");
    ResetFormatSettings();
}

// ---- Components and controls -----------------------------------------------------------

TEST(Components, UniqueNameSkipsNamesInUse)
{
    EXPECT_EQ(TeeGetUniqueName(nullptr, "Series"), "Series1");
    QObject owner;
    EXPECT_EQ(TeeGetUniqueName(&owner, "Series"), "Series1");
    for (const char* name : {"Series1", "SERIES2", "Series4", "ChartTool3", ""}) {
        auto* child = new QObject(&owner);
        child->setObjectName(name);
    }
    EXPECT_EQ(TeeGetUniqueName(&owner, "Series"), "Series3");  // names compare without case
    EXPECT_EQ(TeeGetUniqueName(&owner, "ChartTool"), "ChartTool1");
}

TEST(Components, EnableAndTranslateControls)
{
    QWidget a, b;
    QWidget* list[] = {&a, nullptr, &b};
    EnableControls(false, list);
    EXPECT_FALSE(a.isEnabled());
    EXPECT_FALSE(b.isEnabled());
    EnableControls(true, list);
    EXPECT_TRUE(a.isEnabled() && b.isEnabled());

    TeeTranslateControl(&a);  // no hook installed: nothing happens
    QWidget* seen = nullptr;
    size_t excluded = 99;
    TeeTranslateHook = [&](QWidget* control, std::span<QWidget* const> exclude) {
        seen = control;
        excluded = exclude.size();
    };
    TeeTranslateControl(&a);
    EXPECT_EQ(seen, &a);
    EXPECT_EQ(excluded, 0u);
    QWidget* skip[] = {&b};
    TeeTranslateControl(&b, skip);
    EXPECT_EQ(seen, &b);
    EXPECT_EQ(excluded, 1u);
    TeeTranslateHook = nullptr;
}

TEST(Components, CheckBoxStaysInItsSquare)
{
    auto draw = [](bool checked, bool checkBox) {
        TBitmap bitmap;
        bitmap.SetSize(20, 20);
        TeeDrawCheckBox(3, 4, bitmap.Canvas(), checked, clRed, checkBox);
        return bitmap.Image().copy();
    };
    for (bool checkBox : {true, false}) {
        QImage off = draw(false, checkBox), on = draw(true, checkBox);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                if (x < 3 || x >= 16 || y < 4 || y >= 17) {
                    ASSERT_EQ(off.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
                    ASSERT_EQ(on.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
                }
        EXPECT_NE(off, on) << "checked and unchecked look the same";
    }
    // Outside the round button the back colour shows.
    EXPECT_EQ(draw(false, false).pixel(3, 4) & 0xFFFFFF, 0xFF0000u);
    TeeDrawCheckBox(0, 0, nullptr, true, clRed, true);  // no canvas: nothing to do
}

// A legend's boxes are copied from a drawing made once when the canvas allows it: the copy
// must show the very pixels the style draws in place on the chart's picture, whatever the
// state, kind and back colour.
TEST(Components, CopiedCheckBoxesMatchTheStyleDrawing)
{
    for (const bool checkBox : {true, false})
        for (const bool checked : {false, true})
            for (const TColor back : {clRed, clWhite, TColor(0x00C0C0C0)}) {
                TBitmap copied;
                copied.SetSize(24, 24);
                QPainter* canvasPainter = copied.Canvas()->Painter();
                ASSERT_NE(canvasPainter, nullptr);
                const QPainter::RenderHints hints = canvasPainter->renderHints();
                for (int i = 0; i < 2; ++i) TeeDrawCheckBox(5, 6, copied.Canvas(), checked, back, checkBox);

                QImage drawn(24, 24, QImage::Format_RGB32);
                drawn.fill(Qt::white);
                QPainter p(&drawn);
                p.setRenderHints(hints, true);
                const QRect box(5, 6, 13, 13);
                p.fillRect(box, QColor(GetRValue(back), GetGValue(back), GetBValue(back)));
                QStyleOptionButton option;
                option.rect = box;
                option.palette = QApplication::palette();
                option.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
                QApplication::style()->drawPrimitive(
                    checkBox ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton, &option, &p);
                p.end();
                EXPECT_EQ(copied.Image().convertToFormat(QImage::Format_RGB32), drawn) << checkBox << checked << back;
            }
}

TEST(Components, EditorBitmapsFromResources)
{
    // The resource file holds "TeeTestPicture" (3 x 2 red) and "QObject" (5 x 4 blue).
    const QString file = QStringLiteral(NOX_TEST_DATA_DIR "/TeeProcsBitmaps.rcc");
    ASSERT_TRUE(QResource::registerResource(file));
    TBitmap bitmap;
    TeeLoadBitmap(&bitmap, "NoSuchPicture", "TeeTestPicture");
    EXPECT_EQ(bitmap.GetWidth(), 3);
    EXPECT_EQ(bitmap.Image().pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
    TeeLoadBitmap(&bitmap, "NoSuchPicture", "NorThisOne");
    EXPECT_EQ(bitmap.GetWidth(), 3);  // unchanged
    // A widget has no picture of its own class; its parent class has one.
    QWidget widget;
    TeeGetBitmapEditor(&widget, &bitmap);
    EXPECT_EQ(bitmap.GetWidth(), 5);
    EXPECT_EQ(bitmap.GetHeight(), 4);
    TeeLoadBitmap(nullptr, "TeeTestPicture", "");
    QResource::unregisterResource(file);
}

// ---- Sorting ---------------------------------------------------------------------------

namespace {

// Sorts values[first..last] through TeeSort, checking that it never reaches outside.
void SortRange(std::vector<int>& values, int first, int last)
{
    TeeSort(
        first, last,
        [&](int a, int b) {
            EXPECT_TRUE(a >= first && a <= last && b >= first && b <= last) << a << " " << b;
            return values[a] < values[b] ? -1 : values[a] > values[b] ? 1 : 0;
        },
        [&](int a, int b) {
            EXPECT_TRUE(a >= first && a <= last && b >= first && b <= last) << a << " " << b;
            std::swap(values[a], values[b]);
        });
}

// Data chosen while sorting so that every pivot is the smallest value left (the "gas"
// adversary): a quicksort that recurses into both sides goes n/2 deep on it.
struct AdversarySort {
    int n;
    std::vector<int> item, value;
    int solid = 0, candidate = -1;
    bool sorted = false;

    explicit AdversarySort(int count) : n(count), item(count), value(count, count)
    {
        for (int k = 0; k < n; ++k) item[k] = k;
    }
    int Compare(int a, int b)
    {
        int x = item[a], y = item[b];
        if (value[x] == n && value[y] == n) value[x == candidate ? x : y] = solid++;
        if (value[x] == n)
            candidate = x;
        else if (value[y] == n)
            candidate = y;
        return value[x] - value[y];
    }
    void Run()
    {
        TeeSort(
            0, n - 1, [this](int a, int b) { return Compare(a, b); },
            [this](int a, int b) { std::swap(item[a], item[b]); });
        sorted = true;
        for (int k = 1; k < n; ++k)
            if (value[item[k - 1]] > value[item[k]]) sorted = false;
    }
};

}  // namespace

TEST(Sort, OrdersRandomAndPatternedData)
{
    std::mt19937 rng(12345);
    for (int n = 0; n <= 64; ++n) {
        for (int range : {2, 5, 1000}) {
            std::vector<int> v(n);
            for (int& x : v) x = int(rng() % unsigned(range));
            std::vector<int> expected = v;
            std::sort(expected.begin(), expected.end());
            SortRange(v, 0, n - 1);
            ASSERT_EQ(v, expected) << "n=" << n << " range=" << range;
        }
    }
    std::vector<std::vector<int>> patterns;
    std::vector<int> ascending(500), descending(500), organ(501), equal(300, 7);
    for (int k = 0; k < 500; ++k) ascending[k] = k, descending[k] = 500 - k;
    for (int k = 0; k <= 500; ++k) organ[k] = k <= 250 ? k : 500 - k;
    for (auto* v : {&ascending, &descending, &organ, &equal}) {
        std::vector<int> expected = *v;
        std::sort(expected.begin(), expected.end());
        SortRange(*v, 0, int(v->size()) - 1);
        EXPECT_EQ(*v, expected);
    }
}

TEST(Sort, SortsOnlyTheGivenRange)
{
    std::vector<int> v = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    SortRange(v, 2, 6);
    EXPECT_EQ(v, (std::vector<int>{9, 8, 3, 4, 5, 6, 7, 2, 1, 0}));
    SortRange(v, 5, 5);
    SortRange(v, 6, 2);  // empty range: nothing is compared
    EXPECT_EQ(v, (std::vector<int>{9, 8, 3, 4, 5, 6, 7, 2, 1, 0}));
}

TEST(Sort, AdversarialDataKeepsTheStackShallow)
{
    // 10,000 entries on a 128 KB stack: thousands of nested calls would overflow it, the
    // logarithmic depth of the smaller-side recursion does not.
    AdversarySort sort(10000);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 128 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void* p) -> void* {
                      static_cast<AdversarySort*>(p)->Run();
                      return nullptr;
                  },
                  &sort),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_TRUE(sort.sorted);
}

TEST(Sort, InconsistentComparatorStaysInRangeAndEnds)
{
    std::mt19937 rng(7);
    std::vector<int> v(200);
    int calls = 0;
    TeeSort(
        10, 189,
        [&](int a, int b) {
            ++calls;
            EXPECT_TRUE(a >= 10 && a <= 189 && b >= 10 && b <= 189);
            return int(rng() % 3) - 1;
        },
        [&](int a, int b) {
            EXPECT_TRUE(a >= 10 && a <= 189 && b >= 10 && b <= 189);
            std::swap(v[a], v[b]);
        });
    EXPECT_GT(calls, 0);
}

// ---- Editor options ------------------------------------------------------------------

class EditorOptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    void TearDown() override
    {
        // Leave the path on a directory of our own, never the user's configuration.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, parking.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, parking.path());
    }
    QString File() const { return dir.filePath("Brevik Software/DodUdudu Pro.conf"); }
    QTemporaryDir dir;
    static inline QTemporaryDir parking;
};

TEST_F(EditorOptions, DefaultsUntilWrittenThenStored)
{
    EXPECT_TRUE(TeeReadBoolOption("RememberPosition", true));
    EXPECT_FALSE(TeeReadBoolOption("TreeMode", false));
    EXPECT_EQ(TeeReadIntegerOption("GalleryMode", 0), 0);
    EXPECT_FALSE(QFile::exists(File()));  // reading creates nothing

    TeeSaveBoolOption("TreeMode", true);
    TeeSaveBoolOption("RememberSize", false);
    TeeSaveIntegerOption("GalleryMode", 2);
    EXPECT_TRUE(QFile::exists(File()));
    EXPECT_TRUE(TeeReadBoolOption("TreeMode", false));
    EXPECT_FALSE(TeeReadBoolOption("RememberSize", true));
    EXPECT_EQ(TeeReadIntegerOption("GalleryMode", 0), 2);
    EXPECT_TRUE(TeeReadBoolOption("SmoothGallery", true));

    QSettings direct(File(), QSettings::IniFormat);
    EXPECT_EQ(direct.value("Editor/GalleryMode").toInt(), 2);
    EXPECT_EQ(direct.value("Editor/TreeMode").toBool(), true);
}

TEST_F(EditorOptions, UnreadableValuesGiveTheDefault)
{
    {
        QSettings direct(File(), QSettings::IniFormat);
        direct.setValue("Editor/GalleryMode", "many");
        direct.setValue("Editor/TreeMode", "perhaps");
        direct.setValue("Editor/SmoothGallery", "1");
        direct.setValue("Editor/RememberSize", " 0 ");
    }
    EXPECT_EQ(TeeReadIntegerOption("GalleryMode", 3), 3);
    EXPECT_FALSE(TeeReadBoolOption("TreeMode", false));
    EXPECT_TRUE(TeeReadBoolOption("TreeMode", true));
    EXPECT_TRUE(TeeReadBoolOption("SmoothGallery", false));
    EXPECT_FALSE(TeeReadBoolOption("RememberSize", true));
    EXPECT_EQ(TeeReadIntegerOption("SmoothGallery", 0), 1);
}
