#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "support/FakeChartHost.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Write(const TChartSeries& s)
{
    Bytes b;
    s.WriteData(b);
    return b;
}

// A series with a third value list, as series types with further columns have.
class ThreeListSeries : public TChartSeries {
public:
    ThreeListSeries() { Z = new TChartValueList(this, "Z"); }
    int AddXYZ(double x, double y, double z, const AnsiString& label = AnsiString(), TColor c = clDefault)
    {
        Z->TempValue = z;
        return AddXY(x, y, label, c);
    }
    TChartValueList* Z;
};

TEST(SeriesStorage, IndexXValuesAreNotStored)
{
    TChartSeries s;
    for (int i = 0; i < 4; ++i) s.Add(i * 2.5);
    const Bytes b = Write(s);
    ASSERT_EQ(b.size(), 5u + 4 * 8);
    EXPECT_EQ(b[0], 0);
    TChartSeries r;
    r.ReadData(b);
    ASSERT_EQ(r.Count(), 4);
    EXPECT_EQ(r.GetxValue(3), 3);
    EXPECT_EQ(r.GetyValue(3), 7.5);
    EXPECT_TRUE(r.ManualData);
}

TEST(SeriesStorage, RoundTripIsByteForByte)
{
    ThreeListSeries s;
    s.SetSeriesColor(0x0000FF);
    s.AddXYZ(0.5, 1, 100, "first", 0x00FF00);
    s.AddXYZ(2, -3.25, 200);
    s.AddXYZ(1, 7, 300, AnsiString(300, 'x'));        // cut to 255 characters
    s.AddXYZ(4, 8, 400, "\xC3\xA4\xC3\xB6", clNone);  // umlauts travel as single bytes
    TSeriesMarkPosition p;
    p.ArrowFrom = {1, 2};
    p.ArrowFix = true;
    p.ArrowTo = {3, 4};
    p.Height = 5;
    p.LeftTop = {6, 7};
    p.Width = 8;
    s.Marks()->Positions().Put(2, p);
    s.Marks()->Positions().Get(2)->ArrowFix = true;  // Put copies the geometry only
    const Bytes b = Write(s);
    EXPECT_EQ(b[0], tfNoMandatory | tfColor | tfLabel | tfMarkPosition);

    ThreeListSeries r;
    r.ReadData(b);
    ASSERT_EQ(r.Count(), 4);
    EXPECT_EQ(r.GetXLabel(0), "first");  // X 1 was placed between 0.5 and 2
    EXPECT_EQ(r.GetXLabel(1).size(), 255u);
    EXPECT_EQ(r.GetXLabel(3), "\xC3\xA4\xC3\xB6");
    EXPECT_EQ(r.Z->Value(1), 300);
    EXPECT_TRUE(r.IsNull(3));
    const TSeriesMarkPosition* q = r.Marks()->Positions().Get(2);
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(q->Custom);
    EXPECT_TRUE(q->ArrowFix);
    EXPECT_EQ(q->LeftTop, (TPoint{6, 7}));
    EXPECT_EQ(q->Width, 8);
    EXPECT_EQ(Write(r), b);
}

TEST(SeriesStorage, HorizontalSeriesSwapsBackIntoTheRightLists)
{
    TChartSeries s;
    s.SetHorizontal();
    s.AddXY(10, 0);
    s.AddXY(20, 5);
    s.AddXY(30, 7);
    const Bytes b = Write(s);
    EXPECT_EQ(b[0], tfNoMandatory);  // Y (not mandatory here) is not the index
    double first;
    std::memcpy(&first, b.data() + 5, 8);
    EXPECT_EQ(first, 0);  // Y value in the X place of the record
    TChartSeries r;
    r.SetHorizontal();
    r.ReadData(b);
    ASSERT_EQ(r.Count(), 3);
    EXPECT_EQ(r.GetxValue(2), 30);
    EXPECT_EQ(r.GetyValue(2), 7);
    EXPECT_EQ(Write(r), b);
}

TEST(SeriesStorage, LateLabelLateNullAndLateXAreKept)
{
    TChartSeries s;
    for (int i = 0; i < 20001; ++i) {
        if (i == 150)
            s.Add(i, "late");
        else if (i == 20000)
            s.AddNull(i);
        else
            s.Add(i);
    }
    s.SetXValue(15000, 15000.5);
    const Bytes b = Write(s);
    EXPECT_EQ(b[0], tfNoMandatory | tfColor | tfLabel);
    TChartSeries r;
    r.ReadData(b);
    ASSERT_EQ(r.Count(), 20001);
    EXPECT_EQ(r.GetXLabel(150), "late");
    EXPECT_TRUE(r.IsNull(20000));
    EXPECT_FALSE(r.IsNull(19999));
    EXPECT_EQ(r.GetxValue(15000), 15000.5);
    EXPECT_EQ(Write(r), b);
}

TEST(SeriesStorage, ColoursEqualToTheSeriesColourAreNotStored)
{
    TChartSeries s;
    s.SetSeriesColor(0x00AA00);
    s.Add(1, "", 0x00AA00);
    s.Add(2);
    EXPECT_EQ(Write(s)[0], 0);
}

TEST(SeriesStorage, UnorderedStoredXIsSortedLikeSingleAdditions)
{
    TChartSeries s;
    s.XValues()->SetOrder(loNone);
    const double xs[] = {5, 1, 3, 1, 5, 2};
    for (int i = 0; i < 6; ++i) s.AddXY(xs[i], i, "p" + IntToStr(i));
    const Bytes b = Write(s);

    TChartSeries bulk, single;
    bulk.ReadData(b);
    single.OnBeforeAdd = [](TChartSeries*) { return true; };  // takes the one-by-one path
    single.ReadData(b);
    ASSERT_EQ(bulk.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bulk.GetxValue(i), single.GetxValue(i));
        EXPECT_EQ(bulk.GetyValue(i), single.GetyValue(i));
        EXPECT_EQ(bulk.GetXLabel(i), single.GetXLabel(i));
    }
    EXPECT_EQ(bulk.GetXLabel(0), "p1");  // equal X values keep their stored order
    EXPECT_EQ(bulk.GetXLabel(1), "p3");
}

TEST(SeriesStorage, MalformedStreamsLeaveTheSeriesEmpty)
{
    ThreeListSeries s;
    s.AddXYZ(0.5, 1, 2, "ab", 0x10);
    s.AddXYZ(1.5, 3, 4);
    TSeriesMarkPosition p;
    p.Width = 3;
    s.Marks()->Positions().Put(1, p);
    const Bytes good = Write(s);

    FakeChartHost chart;
    ThreeListSeries r;
    r.SetParentChart(&chart);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        r.AddXYZ(9, 9, 9);  // old content must not survive a failed read
        const Bytes part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(r.ReadData(part), ChartException) << "cut at " << cut;
        EXPECT_EQ(r.Count(), 0);
        EXPECT_EQ(r.Z->Count(), 0);
        EXPECT_FALSE(r.Updating());
    }

    auto withCount = [&](std::int32_t n) {
        Bytes b = good;
        std::memcpy(b.data() + 1, &n, 4);
        return b;
    };
    for (std::int32_t n : {-1, 3, 1000000, 0x7FFFFFFF, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_THROW(r.ReadData(withCount(n)), ChartException) << n;
        EXPECT_EQ(r.Count(), 0);
    }
    for (std::uint8_t flags : {0x10, 0x80, 0xFF}) {
        Bytes b = good;
        b[0] = flags;
        EXPECT_THROW(r.ReadData(b), ChartException);
        EXPECT_EQ(r.Count(), 0);
    }
    // A label length reaching past the end.
    {
        TChartSeries l;
        l.Add(1, "abc");
        Bytes b = Write(l);
        b[5 + 8] = 200;
        TChartSeries t;
        EXPECT_THROW(t.ReadData(b), ChartException);
        EXPECT_EQ(t.Count(), 0);
    }
    r.ReadData(good);
    EXPECT_EQ(r.Count(), 2);
    r.SetParentChart(nullptr);
}

TEST(SeriesStorage, CorpusFilesLoadOrFailCleanly)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(NOX_TEST_DATA_DIR) / "series_point_data";
    int good = 0, bad = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = entry.path().filename().string();
        TChartSeries s;
        s.AddXY(1, 1);
        if (name.rfind("ok_", 0) == 0) {
            ++good;
            ASSERT_NO_THROW(s.ReadData(data)) << name;
            EXPECT_EQ(Write(s), data) << name;
        } else {
            ++bad;
            EXPECT_THROW(s.ReadData(data), ChartException) << name;
            EXPECT_EQ(s.Count(), 0) << name;
            EXPECT_EQ(s.Labels().Count(), 0) << name;
        }
    }
    EXPECT_GE(good, 3);
    EXPECT_GE(bad, 7);
}

TEST(SeriesStorage, DataIsStoredOnlyForManualOrForcedData)
{
    FakeChartHost chart;
    TChartSeries source, fed;
    source.SetParentChart(&chart);
    fed.SetParentChart(&chart);
    source.Add(1);
    source.ManualData = true;
    EXPECT_TRUE(source.IsDataStored());
    fed.SetDataSource(&source);
    EXPECT_FALSE(fed.ManualData);
    EXPECT_FALSE(fed.IsDataStored());
    fed.ForceSaveData = true;
    EXPECT_TRUE(fed.IsDataStored());
    source.DontSaveData = true;
    EXPECT_FALSE(source.IsDataStored());
    fed.SetParentChart(nullptr);
    source.SetParentChart(nullptr);
}

TEST(SeriesStorage, ContentGuessesLookAtEveryPoint)
{
    TChartSeries s;
    for (int i = 0; i < 4; ++i) s.Add(i);
    EXPECT_FALSE(HasNoMandatoryValues(&s));
    s.SetXValue(3, 4);
    EXPECT_TRUE(HasNoMandatoryValues(&s));
    s.StoreXValues = false;
    EXPECT_FALSE(HasNoMandatoryValues(&s));
    EXPECT_FALSE(HasLabels(&s));
    EXPECT_FALSE(HasColors(&s));
    s.SetXLabel(3, "x");
    EXPECT_TRUE(HasLabels(&s));
    EXPECT_EQ(SeriesGuessContents(&s), tfLabel);
}

}  // namespace
