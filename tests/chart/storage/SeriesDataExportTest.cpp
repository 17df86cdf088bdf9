// Series data export: two series of different lengths in every format, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "chart/engine/TChartSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TeeStandardSeries.h"
#include "chart/storage/TeeSeriesData.h"
#include "support/FakeChartHost.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class SeriesDataExportTest : public ::testing::Test {
protected:
    SeriesDataExportTest()
    {
        a.SetParentChart(&chart);
        b.SetParentChart(&chart);
        a.setObjectName("Series1");
        b.setObjectName("Series2");
        a.SetTitle("Bath");
        a.SetSeriesColor(0x00FF00);
        b.SetSeriesColor(0xFF0000);
        a.AddXY(1, 10, "a", 0x0000FF);
        a.AddXY(2, 20.5, "b");
        a.AddXY(3, 30, "c");
        for (int i = 0; i < 5; ++i) b.Add(i * 1.5);
    }
    ~SeriesDataExportTest() override
    {
        a.SetParentChart(nullptr);
        b.SetParentChart(nullptr);
    }

    FakeChartHost chart;
    TChartSeries a, b;
};

// Builds the expected spreadsheet records.
struct Biff {
    Bytes out{0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
    void W(int v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
    void Head(int type, int len, int row, int col)
    {
        W(type), W(len), W(row), W(col);
        out.insert(out.end(), {0, 0, 0});
    }
    void Text(int row, int col, const std::string& s)
    {
        Head(4, 8 + int(s.size()), row, col);
        out.push_back(std::uint8_t(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    void Num(int row, int col, double d)
    {
        Head(3, 15, row, col);
        std::uint8_t raw[8];
        std::memcpy(raw, &d, 8);
        out.insert(out.end(), raw, raw + 8);
    }
    void Blank(int row, int col) { Head(1, 7, row, col); }
};

}  // namespace

TEST_F(SeriesDataExportTest, TextKeepsEveryColumnInPlace)
{
    TSeriesDataText text(chart.SeriesList(), nullptr);
    text.IncludeHeader = true;
    text.IncludeIndex = true;
    text.IncludeColors = true;
    EXPECT_EQ(text.AsString(),
              "Index\tText\tColors\tX\tBath\tX\tSeries2\r\n"
              "0\ta\t#FF0000\t1\t10\t0\t0\r\n"
              "1\tb\t#000000\t2\t20,5\t1\t1,5\r\n"
              "2\tc\t#000000\t3\t30\t2\t3\r\n"
              "3\t\t#000000\t\t\t3\t4,5\r\n"
              "4\t\t#000000\t\t\t4\t6\r\n"
              "\r\n");

    // One series, quotes and a value format; the labels come from that series only.
    TSeriesDataText one(chart.SeriesList(), &b);
    one.IncludeHeader = true;
    one.TextDelimiter = ';';
    one.TextQuotes = "\"";
    one.ValueFormat = "0.00";
    b.SetXLabel(1, "x;y");
    EXPECT_EQ(one.AsString(), "\"Text\";\"Series2\"\r\n;0,00\r\n\"x;y\";1,50\r\n;3,00\r\n;4,50\r\n;6,00\r\n\r\n");
}

TEST_F(SeriesDataExportTest, XmlOfTheChartAndOfOneSeries)
{
    TSeriesDataXML xml(chart.SeriesList(), nullptr);
    xml.IncludeColors = true;
    a.SetXLabel(2, "c<\"&\">");
    EXPECT_EQ(xml.AsString(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
              "<chart>\r\n"
              "<series title=\"Bath\" type=\"Chart\" color=\"#00FF00\">\r\n"
              "<points count=\"3\">\r\n"
              "<point  text=\"a\" color=\"#FF0000\" X=\"1\" Y=\"10\"/>\r\n"
              "<point  text=\"b\" color=\"#000000\" X=\"2\" Y=\"20,5\"/>\r\n"
              "<point  text=\"c&lt;&quot;&amp;&quot;&gt;\" color=\"#000000\" X=\"3\" Y=\"30\"/>\r\n"
              "</points>\r\n"
              "</series>\r\n"
              "\r\n"
              "<series title=\"Series2\" type=\"Chart\" color=\"#0000FF\">\r\n"
              "<points count=\"5\">\r\n"
              "<point  text=\"\" color=\"#000000\" X=\"0\" Y=\"0\"/>\r\n"
              "<point  text=\"\" color=\"#000000\" X=\"1\" Y=\"1,5\"/>\r\n"
              "<point  text=\"\" color=\"#000000\" X=\"2\" Y=\"3\"/>\r\n"
              "<point  text=\"\" color=\"#000000\" X=\"3\" Y=\"4,5\"/>\r\n"
              "<point  text=\"\" color=\"#000000\" X=\"4\" Y=\"6\"/>\r\n"
              "</points>\r\n"
              "</series>\r\n"
              "\r\n"
              "</chart>");

    TSeriesDataXML one(chart.SeriesList(), &b);
    one.IncludeIndex = true;
    one.IncludeHeader = false;
    EXPECT_EQ(one.AsString(),
              "<series title=\"Series2\" type=\"Chart\" color=\"#0000FF\">\r\n"
              "<points count=\"5\">\r\n"
              "<point index=\"0\" Y=\"0\"/>\r\n<point index=\"1\" Y=\"1,5\"/>\r\n<point index=\"2\" Y=\"3\"/>\r\n"
              "<point index=\"3\" Y=\"4,5\"/>\r\n<point index=\"4\" Y=\"6\"/>\r\n"
              "</points>\r\n</series>\r\n\r\n");
}

TEST_F(SeriesDataExportTest, HtmlTableWithEmptyCellsForMissingPoints)
{
    TSeriesDataHTML html(chart.SeriesList(), nullptr);
    html.IncludeHeader = true;
    html.IncludeIndex = true;
    const std::string head =
        "<tr><td>Index</td><td>Text</td><td>X</td><td>Bath</td><td>Text</td><td>X</td><td>Series2</td></tr>";
    EXPECT_EQ(html.AsString(),
              "<table border=\"1\">\r\n" + head + "\r\n" +
                  "<tr><td>0</td><td>a</td><td>1</td><td>10</td><td></td><td>0</td><td>0</td></tr>\r\n"
                  "<tr><td>1</td><td>b</td><td>2</td><td>20,5</td><td></td><td>1</td><td>1,5</td></tr>\r\n"
                  "<tr><td>2</td><td>c</td><td>3</td><td>30</td><td></td><td>2</td><td>3</td></tr>\r\n"
                  "<tr><td>3</td><td></td><td></td><td></td><td></td><td>3</td><td>4,5</td></tr>\r\n"
                  "<tr><td>4</td><td></td><td></td><td></td><td></td><td>4</td><td>6</td></tr>\r\n"
                  "\r\n</table>");
}

TEST_F(SeriesDataExportTest, SpreadsheetRecordsWithBlankCellsForTheShorterSeries)
{
    a.SetNull(1);
    TSeriesDataXLS xls(chart.SeriesList(), nullptr);
    xls.IncludeHeader = true;
    xls.IncludeIndex = true;
    TMemoryStream out;
    xls.SaveToStream(&out);

    Biff e;
    e.W(0x0200), e.W(10), e.W(0), e.W(6), e.W(0), e.W(7), e.W(0);
    int c = 0;
    for (const char* h : {"Index", "Text", "X", "Y", "Text", "X", "Y"}) e.Text(0, c++, h);
    const double ax[] = {1, 2, 3}, ay[] = {10, 20.5, 30};
    const char* labels[] = {"a", "b", "c"};
    for (int i = 0; i < 5; ++i) {
        const int row = i + 1;
        e.Num(row, 0, i);
        if (i < 3) {
            e.Text(row, 1, labels[i]);
            e.Num(row, 2, ax[i]);
            if (i == 1)
                e.Blank(row, 3);  // the null point
            else
                e.Num(row, 3, ay[i]);
        } else {
            e.Text(row, 1, "");
            e.Blank(row, 2);
            e.Blank(row, 3);
        }
        e.Text(row, 4, "");
        e.Num(row, 5, i);
        e.Num(row, 6, i * 1.5);
    }
    e.out.insert(e.out.end(), {0x0A, 0x00, 0x00, 0x00});
    EXPECT_EQ(out.Bytes(), e.out);
}

TEST_F(SeriesDataExportTest, ChartWithoutSeriesExportsNoRows)
{
    FakeChartHost empty;
    TSeriesDataXLS xls(empty.SeriesList(), nullptr);
    EXPECT_EQ(xls.MaxSeriesCount(), -1);
    TMemoryStream out;
    xls.SaveToStream(&out);
    // Row count 0, not a wrapped -1.
    EXPECT_EQ(out.Bytes(), (Bytes{0x09, 0x08, 0x08, 0, 0, 0, 0x10, 0, 0, 0, 0, 0,    0x00, 0x02, 10,
                                  0,    0,    0,    0, 0, 0, 0,    0, 0, 0, 0, 0x0A, 0,    0,    0}));
    TSeriesDataText text(empty.SeriesList(), nullptr);
    EXPECT_EQ(text.AsString(), "\r\n");
}

TEST(SeriesDataExportTypes, XmlNamesTheGalleryTypeOfTheSeries)
{
    RegisterTeeStandardSeries();
    FakeChartHost chart;
    TLineSeries line;
    line.SetParentChart(&chart);
    line.setObjectName("Line1");
    TSeriesDataXML xml(chart.SeriesList(), &line);
    xml.IncludeHeader = false;
    EXPECT_EQ(xml.AsString().substr(0, 34), "<series title=\"Line1\" type=\"Line\" ");
    line.SetParentChart(nullptr);
}

TEST_F(SeriesDataExportTest, SpreadsheetLimitsAreKeptOrRefusedNeverWrapped)
{
    TSeriesDataXLS xls(chart.SeriesList(), nullptr);
    xls.IncludeHeader = true;
    TMemoryStream first;
    // A text cell holds at most 255 characters: a longer label is cut, its record stays whole.
    a.SetXLabel(0, AnsiString(300, 'L'));
    xls.SaveToStream(&first);
    const auto& bytes = first.Bytes();
    const std::vector<std::uint8_t> cut = {0x04, 0x00, 0x07, 0x01, 1, 0, 0, 0, 0, 0, 0, 255};  // length 8 + 255
    const auto at = std::search(bytes.begin(), bytes.end(), cut.begin(), cut.end());
    ASSERT_NE(at, bytes.end());
    EXPECT_EQ(std::string(at + std::ptrdiff_t(cut.size()), at + std::ptrdiff_t(cut.size()) + 255),
              std::string(255, 'L'));
    EXPECT_EQ(at[std::ptrdiff_t(cut.size()) + 255], 0x03);  // the next record, a number

    // 65535 rows with the header are the most a sheet numbers in 16 bits; one more is refused.
    while (b.Count() < 0xFFFF - 1) b.Add(1.0);
    TMemoryStream full;
    ASSERT_NO_THROW(xls.SaveToStream(&full));
    EXPECT_EQ(full.Bytes()[18], 0xFF);  // row count 65535 in the dimensions record
    EXPECT_EQ(full.Bytes()[19], 0xFF);
    b.Add(1.0);
    TMemoryStream over;
    EXPECT_THROW(xls.SaveToStream(&over), ChartException);
    EXPECT_EQ(over.Bytes().size(), 0u);
}
