// Chart files: round trips of a chart-like object tree in both forms, conversion, and
// refusal of malformed files without touching the chart.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/series/TAreaSeries.h"
#include "chart/series/TArrowSeries.h"
#include "chart/series/TBubbleSeries.h"
#include "chart/series/TChartShape.h"
#include "chart/series/TColorGridSeries.h"
#include "chart/series/TContourSeries.h"
#include "chart/series/TGanttSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TSurfaceSeries.h"
#include "chart/series/TTowerSeries.h"
#include "chart/series/TVector3DSeries.h"
#include "chart/storage/TeeComponentPersist.h"
#include "chart/storage/TeeStore.h"
#include "platform/TPersistent.h"
#include "support/FakeChartHost.h"
#include "support/ScriptedDialogs.h"

// A chart as the stream sees it: own properties, held pens, a brush and an axis, and its
// series as owned components.
class TTestChart : public TPersistent, public FakeChartHost {
    Q_OBJECT
    Q_PROPERTY(TChartPen* Frame READ GetFrame)
    Q_PROPERTY(TChartBrush* Back READ GetBack)
    Q_PROPERTY(TChartAxis* LeftAxis READ GetLeftAxis)
    Q_PROPERTY(TColor Color MEMBER Color)
    Q_PROPERTY(AnsiString Caption MEMBER Caption)
    Q_PROPERTY(double Percent MEMBER Percent)
    Q_PROPERTY(bool View3D MEMBER View3DFlag)
    Q_PROPERTY(gfx::TFontStyles TitleStyle MEMBER TitleStyle)
public:
    explicit TTestChart(QObject* owner = nullptr) : TPersistent(owner)
    {
        CreateStandardAxes();
        Frame.setParent(this);
        Back.setParent(this);
    }
    ~TTestChart() override
    {
        for (TChartSeries* s : std::vector<TChartSeries*>(Series.begin(), Series.end())) delete s;
    }
    bool IsPropertyStored(const char* name) const override
    {
        if (std::string(name) == "Color") return Color != clWhite;
        return true;
    }
    TChartPen* GetFrame() { return &Frame; }
    TChartBrush* GetBack() { return &Back; }
    TChartAxis* GetLeftAxis() { return AxesList.LeftAxis(); }

    TChartSeries* AddSeries(const char* name)
    {
        auto* s = new TChartSeries(this);
        s->setObjectName(name);
        s->SetParentChart(this);
        return s;
    }

    TChartPen Frame;
    TChartBrush Back;
    TColor Color = clWhite;
    AnsiString Caption;
    double Percent = 15;
    bool View3DFlag = true;
    TFontStyles TitleStyle;
};

namespace {

using Bytes = std::vector<std::uint8_t>;

void RegisterTestChart()
{
    TeeStoreRegisterClasses();
    RegisterStreamClass({"TTestChart", [](QObject* owner) -> QObject* { return new TTestChart(owner); }});
}

Bytes Save(TTestChart& chart, bool data, bool text)
{
    TMemoryStream m;
    SaveChartToStream(&chart, &m, data, text);
    return m.Bytes();
}

void Load(TTestChart& chart, const Bytes& bytes, const TProcTeeCheckError& onError = {})
{
    TMemoryStream m(bytes.data(), bytes.size());
    LoadChartFromStreamCheck(&chart, &m, onError, true);
}

// Everything the chart stores, points included, in readable form (its name left out).
std::string State(QObject& chart)
{
    std::vector<TChartSeries*> series;
    for (QObject* o : StreamChildComponents(&chart))
        if (auto* s = qobject_cast<TChartSeries*>(o)) series.push_back(s);
    for (TChartSeries* s : series) s->ForceSaveData = true;
    TStreamComponent c = ComponentFromObject(&chart);
    for (TChartSeries* s : series) s->ForceSaveData = false;
    c.Name.clear();
    return WriteComponentText(c);
}

void Fill(TTestChart& chart)
{
    chart.setObjectName("Chart1");
    chart.Frame.SetStyle(psDash);
    chart.Frame.SetColor(0x0000FF);
    chart.Frame.SetWidth(3);
    chart.Back.SetStyle(bsClear);
    chart.Color = 0x123456;
    chart.Caption =
        "Temperatur 'innen' \xC3\xA4 \xE2\x82\xAC \xE6\xB8\xA9";  // ä, €, and a character beyond Windows-1252
    chart.Percent = 0.1;
    chart.View3DFlag = false;
    chart.TitleStyle = TFontStyles(fsBold) | fsItalic;
    chart.GetLeftAxis()->SetAutomatic(false);
    chart.GetLeftAxis()->SetMinMax(-10, 250.5);
    chart.GetLeftAxis()->SetVisible(false);
    TChartSeries* a = chart.AddSeries("Series1");
    a->SetTitle("Bath " + std::string(150, 'x') + "'quoted'");  // long: the text form splits it
    a->AddXY(1.5, -2.25, "first", 0x00FF00);
    a->AddXY(2.5, 1e300, "");
    a->AddXY(4, 3, "last");
    TChartSeries* b = chart.AddSeries("Series2");
    for (int i = 0; i < 5; ++i) b->Add(i * 10.0);
}

}  // namespace

class ChartFileTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestChart(); }
};

TEST_F(ChartFileTest, RoundTripInBothFormsRestoresEveryStoredSettingAndPoint)
{
    TTestChart source;
    Fill(source);
    const std::string expected = State(source);

    for (bool text : {false, true}) {
        SCOPED_TRACE(text ? "text" : "binary");
        const Bytes file = Save(source, true, text);
        if (text) {
            EXPECT_EQ(std::string(file.begin(), file.begin() + 7), "object ");
            const std::string s(file.begin(), file.end());
            // Enumerations and sets by their identifiers, owned objects by dotted names.
            EXPECT_NE(s.find("Frame.Style = psDash\r\n"), std::string::npos);
            EXPECT_NE(s.find("Back.Style = bsClear\r\n"), std::string::npos);
            EXPECT_NE(s.find("TitleStyle = [fsBold, fsItalic]\r\n"), std::string::npos);
            EXPECT_NE(s.find("object Series1: TChartSeries"), std::string::npos);
        } else {
            EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), (Bytes{0x60, 0x30, 0x50, 0x01, 'T', 'P', 'F', '0'}));
        }
        EXPECT_EQ(source.objectName(), "Chart1");  // the name comes back after saving

        TTestChart target;
        target.setObjectName("Other");
        target.AddSeries("Old");  // replaced by the file's series
        Load(target, file);
        EXPECT_EQ(target.objectName(), "Other");  // a chart keeps its own name
        EXPECT_EQ(State(target), expected);
        ASSERT_EQ(target.Series.Count(), 2);
        EXPECT_EQ(target.Series[0]->GetXLabel(0), "first");
        EXPECT_EQ(target.Series[0]->GetyValue(1), 1e300);
        EXPECT_EQ(target.Series[1]->Count(), 5);
        EXPECT_EQ(target.Frame.GetStyle(), psDash);
        EXPECT_EQ(target.Caption, source.Caption);
        EXPECT_EQ(target.Percent, 0.1);
        EXPECT_EQ(target.GetLeftAxis()->GetMaximum(), 250.5);
        EXPECT_TRUE(target.Series[0]->ManualData);
    }
}

TEST_F(ChartFileTest, TheChartRoundTripsWithItsSeriesTypes)
{
    TChart source;
    source.setObjectName("Chart1");
    source.SetView3D(false);
    source.Set3DPercent(35);
    source.GetTitle()->SetText({"Bath", "second line"});
    source.LeftAxis()->SetAutomatic(false);
    source.LeftAxis()->SetMinMax(-20, 120);
    auto* line = new TLineSeries(&source);
    line->setObjectName("Series1");
    source.AddSeries(line);
    line->AddXY(0.5, 20, "a");
    line->AddXY(1.5, 21);
    auto* area = new TAreaSeries(&source);
    area->setObjectName("Series2");
    source.AddSeries(area);
    area->Add(3);
    const std::string expected = State(source);
    for (bool text : {false, true}) {
        SCOPED_TRACE(text ? "text" : "binary");
        TMemoryStream file;
        SaveChartToStream(&source, &file, true, text);
        if (text) {
            const std::string s(file.Bytes().begin(), file.Bytes().end());
            EXPECT_NE(s.find("Title.Text.Strings = (\r\n    'Bath'\r\n    'second line')"), std::string::npos);
        }
        file.SetPosition(0);
        TChart target;
        LoadChartFromStream(&target, &file);
        EXPECT_EQ(State(target), expected);
        ASSERT_EQ(target.SeriesCount(), 2);
        EXPECT_NE(qobject_cast<TLineSeries*>(target.GetSeries(0)), nullptr);
        EXPECT_NE(qobject_cast<TAreaSeries*>(target.GetSeries(1)), nullptr);
        EXPECT_EQ(target.GetTitle()->Text().size(), 2u);
        EXPECT_EQ(target.LeftAxis()->GetMinimum(), -20);
        EXPECT_TRUE(target.AutoRepaint);
    }
}

// The chart's own lists and what refers into them: custom axes and the series on them,
// series groups (of unnamed series too), per-point mark items, identifiers and styles.
TEST_F(ChartFileTest, CustomAxesGroupsMarkItemsAndIdentifiersComeBack)
{
    TChart source;
    TChartAxis* across = source.GetCustomAxes()->Add();
    across->SetHorizontal(true);
    across->SetOtherSide(true);
    across->SetZPosition(100);
    TChartAxis* up = source.GetCustomAxes()->Add();
    up->SetAutomatic(false);
    up->SetMinMax(-5, 50);
    up->SetPositionPercent(20);
    up->GetTitle()->SetCaption("Pressure");
    auto* onCustom = new TLineSeries(&source);  // unnamed: the group names it for the file only
    source.AddSeries(onCustom);
    onCustom->SetCustomHorizAxis(across);
    onCustom->SetCustomVertAxis(up);
    onCustom->Identifier = "inner";
    onCustom->Style = tssDenyDelete | tssIsPersistent;
    for (int i = 0; i < 4; ++i) onCustom->Add(i * 2.0);
    onCustom->Marks()->Items()[2]->SetColor(clRed);
    onCustom->Marks()->Items()[0]->GetFont()->SetSize(14);
    auto* plain = new TLineSeries(&source);
    plain->setObjectName("Plain");
    source.AddSeries(plain);
    auto* gone = new TLineSeries(&source);
    source.AddSeries(gone);
    TSeriesGroup* hot = source.SeriesList()->AddGroup("Hot");
    hot->Add(onCustom);
    hot->Add(gone);
    hot->Add(plain);
    source.SeriesList()->AddGroup("Empty");
    delete gone;  // leaves the group with the chart
    ASSERT_EQ(hot->Series().Count(), 2);
    const std::string expected = State(source);

    for (bool text : {false, true}) {
        SCOPED_TRACE(text ? "text" : "binary");
        TMemoryStream file;
        SaveChartToStream(&source, &file, true, text);
        EXPECT_TRUE(onCustom->objectName().isEmpty());
        file.SetPosition(0);
        TChart target;
        target.GetCustomAxes()->Add();  // the file's lists replace the chart's
        target.SeriesList()->AddGroup("Old");
        LoadChartFromStream(&target, &file);
        ASSERT_EQ(target.GetCustomAxes()->Count(), 2);
        ASSERT_EQ(target.SeriesCount(), 2);
        TChartSeries* back = target.GetSeries(0);
        EXPECT_FALSE(back->objectName().isEmpty());  // the name the file gave it
        back->setObjectName(QString());
        EXPECT_EQ(State(target), expected);
        EXPECT_EQ(back->GetHorizAxis(), target.GetCustomAxes()->Items(0));
        EXPECT_EQ(back->GetVertAxis(), target.GetCustomAxes()->Items(1));
        EXPECT_TRUE(target.GetCustomAxes()->Items(0)->GetHorizontal());
        EXPECT_EQ(target.GetCustomAxes()->Items(1)->GetMaximum(), 50);
        EXPECT_EQ(back->Identifier, "inner");
        EXPECT_EQ(back->Style, tssDenyDelete | tssIsPersistent);
        ASSERT_EQ(back->Marks()->Items().Count(), 3);
        EXPECT_EQ(back->Marks()->Items().Find(1), nullptr);
        EXPECT_EQ(back->Marks()->Items()[2]->GetColor(), clRed);
        EXPECT_EQ(back->Marks()->Items()[0]->GetFont()->GetSize(), 14);
        ASSERT_EQ(target.GetSeriesGroups()->Count(), 2);
        const TSeriesGroup* group = target.GetSeriesGroups()->Get(0);
        EXPECT_EQ(group->Name, "Hot");
        ASSERT_EQ(group->Series().Count(), 2);
        EXPECT_EQ(group->Series()[0], back);
        EXPECT_EQ(group->Series()[1], target.GetSeries(1));
        EXPECT_EQ(target.GetSeriesGroups()->Get(1)->Series().Count(), 0);
        // Once loaded, new points bring their own marks.
        back->Clear();
        EXPECT_EQ(back->Marks()->Items().Count(), 0);
    }
}

// Properties only older files carry: the panel's border style, a value list's multiplier.
TEST_F(ChartFileTest, OlderFilesPropertiesAreRead)
{
    auto file = [](const std::string& border, const std::string& multiplier) {
        const std::string t = "object TChart\r\n  BorderStyle = " + border +
                              "\r\n  object S: TLineSeries\r\n    XValues.Multiplier = " + multiplier +
                              "\r\n  end\r\nend\r\n";
        return Bytes(t.begin(), t.end());
    };
    support::TestDialogs().Clear();
    TChart chart;
    TMemoryStream single(file("bsSingle", "1").data(), file("bsSingle", "1").size());
    LoadChartFromStream(&chart, &single);
    EXPECT_TRUE(chart.GetBorder()->GetVisible());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // A multiplier other than 1 is reported once, and the file is read on.
    const Bytes scaled = file("bsNone", "1000.5");
    TMemoryStream none(scaled.data(), scaled.size());
    LoadChartFromStream(&chart, &none);
    EXPECT_FALSE(chart.GetBorder()->GetVisible());
    ASSERT_EQ(chart.SeriesCount(), 1);
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Error: Multiplier property is obsolete.\rModify TeeDefs.inc (enable Multiplier) and recompile.");
}

TEST_F(ChartFileTest, SeriesFindTheirSourcesByNameAfterLoading)
{
    TTestChart source;
    TChartSeries* derived = source.AddSeries("Derived");  // written before its source
    TChartSeries* a = source.AddSeries("A");
    TChartSeries* b = source.AddSeries("B");
    a->Add(1);
    a->Add(2);
    derived->SetDataSource(a);
    for (bool text : {false, true}) {
        TTestChart target;
        Load(target, Save(source, true, text));
        ASSERT_EQ(target.Series.Count(), 3);
        EXPECT_EQ(target.Series[0]->DataSource(), target.Series[1]);
        EXPECT_EQ(target.Series[0]->Count(), 2);  // refilled from the source, not stored
        EXPECT_FALSE(target.Series[0]->ManualData);
    }
    derived->InternalAddDataSource(b);
    TTestChart target;
    Load(target, Save(source, true, true));
    ASSERT_EQ(target.Series[0]->DataSources().Count(), 2);
    EXPECT_EQ(target.Series[0]->DataSources()[1], target.Series[2]);

    // A circle of sources (A from B, B from A) is an error; ignored, the circle is cut.
    const std::string circle =
        "object TTestChart\r\n  object A: TChartSeries\r\n    DataSource = B\r\n  end\r\n"
        "  object B: TChartSeries\r\n    DataSource = A\r\n  end\r\nend\r\n";
    const Bytes file(circle.begin(), circle.end());
    TTestChart strict;
    strict.AddSeries("Keep");
    EXPECT_THROW(Load(strict, file, [](const AnsiString&) { return false; }), ChartException);
    ASSERT_EQ(strict.Series.Count(), 1);
    TTestChart tolerant;
    Load(tolerant, file);
    ASSERT_EQ(tolerant.Series.Count(), 2);
    EXPECT_EQ(tolerant.Series[0]->DataSource(), nullptr);  // cut here
    EXPECT_EQ(tolerant.Series[1]->DataSource(), tolerant.Series[0]);
}

TEST_F(ChartFileTest, WithoutSeriesDataTheSeriesComeBackEmpty)
{
    TTestChart source;
    Fill(source);
    source.Series[0]->ManualData = true;  // would be stored on its own
    TTestChart target;
    Load(target, Save(source, false, false));
    ASSERT_EQ(target.Series.Count(), 2);
    EXPECT_EQ(target.Series[0]->Count(), 0);
    EXPECT_EQ(target.Series[0]->GetTitle(), source.Series[0]->GetTitle());
    EXPECT_FALSE(source.Series[0]->DontSaveData);  // the saving flags are cleared again
}

TEST_F(ChartFileTest, ConversionBetweenFormsIsLossless)
{
    TTestChart source;
    Fill(source);
    const Bytes binary = Save(source, true, false);
    const Bytes text = Save(source, true, true);

    TMemoryStream in(text.data(), text.size()), out;
    ConvertTeeToBinary(&in, &out);
    EXPECT_EQ(out.Bytes(), binary);

    TMemoryStream in2(binary.data(), binary.size()), out2;
    ConvertTeeToText(&in2, &out2);
    EXPECT_EQ(out2.Bytes(), text);

    // A file already in the wanted form is copied as it is.
    TMemoryStream in3(text.data(), text.size()), out3;
    ConvertTeeToText(&in3, &out3);
    EXPECT_EQ(out3.Bytes(), text);

    QTemporaryDir dir;
    const std::string src = dir.filePath("c.tee").toStdString(), dst = dir.filePath("c.txt").toStdString();
    SaveChartToFile(&source, dir.filePath("c").toStdString(), true, false);  // ".tee" added
    ConvertTeeFileToText(src, dst);
    QFile f(QString::fromStdString(dst));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    EXPECT_EQ(Bytes(all.begin(), all.end()), text);

    // Points stored after the chart load into the series but cannot go into text.
    TTestChart noData;
    noData.AddSeries("S");
    Bytes trailing = Save(noData, false, false);
    for (std::uint8_t b : {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x24, 0x40}) trailing.push_back(b);  // one point, y = 10
    TTestChart withTrailing;
    Load(withTrailing, trailing);
    ASSERT_EQ(withTrailing.Series.Count(), 1);
    ASSERT_EQ(withTrailing.Series[0]->Count(), 1);
    EXPECT_EQ(withTrailing.Series[0]->GetyValue(0), 10);
    TMemoryStream in4(trailing.data(), trailing.size()), out4;
    EXPECT_THROW(ConvertTeeToText(&in4, &out4), ChartException);
    EXPECT_EQ(out4.GetSize(), 0);

    EXPECT_EQ(TeeCheckExtension("chart"), "chart.tee");
    EXPECT_EQ(TeeCheckExtension("chart.dat"), "chart.dat");
    EXPECT_EQ(TeeCheckExtension("dir.v2/chart"), "dir.v2/chart.tee");
}

TEST_F(ChartFileTest, ReadingErrorsFollowTheCallback)
{
    TTestChart source;
    Fill(source);
    const std::string good(reinterpret_cast<const char*>(Save(source, true, true).data()),
                           Save(source, true, true).size());
    std::string bad = good;
    bad.replace(bad.find("  Percent = "), 0, "  Unknown.Thing = 5\r\n  OnClick = Chart1Click\r\n  View3D = 7\r\n");
    const Bytes file(bad.begin(), bad.end());

    // Colours may come by name.
    std::string named = good;
    named.replace(named.find("  Percent = "), 0, "  Color = clRed\r\n");
    TTestChart colored;
    Load(colored, Bytes(named.begin(), named.end()), [](const AnsiString& m) -> bool {
        ADD_FAILURE() << m;
        return false;
    });
    EXPECT_EQ(colored.Color, clRed);

    // Without a callback the errors are skipped and the rest is read.
    TTestChart quiet;
    Load(quiet, file);
    EXPECT_EQ(quiet.Percent, 0.1);
    EXPECT_EQ(quiet.Series.Count(), 2);

    std::vector<std::string> seen;
    TTestChart tolerant;
    Load(tolerant, file, [&](const AnsiString& m) {
        seen.push_back(m);
        return true;
    });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "Error reading TTestChart.Unknown.Thing: Property Unknown does not exist");
    EXPECT_EQ(seen[1], "Error reading TTestChart.View3D: Invalid property value");
    EXPECT_EQ(tolerant.Percent, 0.1);

    // An error the callback does not ignore fails the whole load: nothing changes.
    TTestChart strict;
    strict.AddSeries("Keep")->Add(42);
    strict.Caption = "before";
    const std::string before = State(strict);
    try {
        Load(strict, file, [](const AnsiString&) { return false; });
        FAIL() << "no error";
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message, "Error reading TTestChart.Unknown.Thing: Property Unknown does not exist");
    }
    EXPECT_EQ(State(strict), before);
}

TEST_F(ChartFileTest, NotAChartFileIsRefusedBeforeTheChartIsTouched)
{
    TTestChart chart;
    chart.AddSeries("Keep")->Add(1);
    const std::string before = State(chart);
    auto message = [&](const Bytes& b) -> std::string {
        try {
            Load(chart, b);
        } catch (const ChartException& e) {
            return e.Message;
        }
        return "loaded";
    };
    EXPECT_EQ(message({}), "Empty *.tee file");
    EXPECT_EQ(message({'P', 'K', 3, 4}), "Wrong *.tee file format");
    EXPECT_EQ(message({0x60}), "Wrong *.tee file format");
    EXPECT_EQ(message({0x60, 0x30, 0x50, 0x01, 'T', 'P', 'F', '1'}),
              "Invalid Chart in *.tee file: Component stream without its signature");
    EXPECT_EQ(State(chart), before);
}

// Every prefix of a valid file, in both forms, and every file of the malformed corpus
// fails with a chart error and leaves the chart as it was.
TEST_F(ChartFileTest, MalformedFilesFailCleanlyAndChangeNothing)
{
    auto readFile = [](const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray all = f.readAll();
        return Bytes(all.begin(), all.end());
    };
    TTestChart chart;
    chart.AddSeries("Keep")->AddXY(1, 2, "k");
    chart.Caption = "unchanged";
    const std::string before = State(chart);
    auto expectRefused = [&](const Bytes& b, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_THROW(Load(chart, b, [](const AnsiString&) { return false; }), ChartException);
        EXPECT_EQ(State(chart), before);
    };

    const Bytes valid = readFile(NOX_TEST_DATA_DIR "/chartfile/valid_small.tee");
    {
        TTestChart probe;  // the seed itself is good
        Load(probe, valid, [](const AnsiString& m) -> bool {
            ADD_FAILURE() << m;
            return false;
        });
        EXPECT_EQ(probe.Series.Count(), 1);
    }
    for (std::size_t n = 1; n < valid.size(); ++n)
        expectRefused(Bytes(valid.begin(), valid.begin() + n), "binary cut " + std::to_string(n));

    TMemoryStream in(valid.data(), valid.size()), textOut;
    ConvertTeeToText(&in, &textOut);
    const Bytes text = textOut.Bytes();
    const std::size_t lastEnd = std::string(text.begin(), text.end()).rfind("end");
    for (std::size_t n = 1; n < lastEnd + 3; ++n)
        expectRefused(Bytes(text.begin(), text.begin() + n), "text cut " + std::to_string(n));

    QDir dir(NOX_TEST_DATA_DIR "/chartfile");
    int count = 0;
    for (const QString& name : dir.entryList({"bad_*"}, QDir::Files)) {
        expectRefused(readFile(dir.filePath(name)), name.toStdString());
        ++count;
    }
    EXPECT_GE(count, 8);
}

// Single-byte damage anywhere in both forms: the file loads (and then saves and loads
// again) or fails with a chart error; nothing else escapes.
TEST_F(ChartFileTest, DamagedBytesNeverEscapeAsOtherFailures)
{
    QFile f(NOX_TEST_DATA_DIR "/chartfile/valid_small.tee");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    const Bytes binary(raw.begin(), raw.end());
    TMemoryStream in(binary.data(), binary.size()), textOut;
    ConvertTeeToText(&in, &textOut);
    int loaded = 0, refused = 0;
    for (const Bytes& seed : {binary, textOut.Bytes()}) {
        for (std::size_t i = 0; i < seed.size(); ++i) {
            for (std::uint8_t v :
                 {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(0x7F), std::uint8_t(seed[i] + 1)}) {
                Bytes damaged = seed;
                damaged[i] = v;
                TTestChart chart;
                try {
                    Load(chart, damaged, [](const AnsiString&) { return true; });
                } catch (const ChartException&) {
                    ++refused;
                    continue;
                }
                ++loaded;
                for (bool text : {false, true}) {
                    TTestChart again;
                    EXPECT_NO_THROW(Load(again, Save(chart, true, text), [](const AnsiString&) { return false; }))
                        << "byte " << i << " = " << int(v);
                }
            }
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

TEST_F(ChartFileTest, ExtendedFloatsKeepEveryDouble)
{
    for (double d : {0.0, -0.0, 1.0, -2.5, 0.1, 1e-310, 5e-324, 1.7976931348623157e308, 123456789.125}) {
        std::uint8_t ext[10];
        DoubleToExtended(d, ext);
        const double back = ExtendedToDouble(ext);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(d)) << d;
    }
    std::uint8_t one[10];
    DoubleToExtended(1.0, one);
    EXPECT_EQ(Bytes(one, one + 10), (Bytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
}

TEST_F(ChartFileTest, EveryFurtherSeriesTypeRoundTripsWithItsSettingsAndPoints)
{
    TChart source;
    source.setObjectName("Chart1");
    const auto add = [&](TChartSeries* s, const char* name) {
        s->setObjectName(name);
        source.AddSeries(s);
        return s;
    };
    auto* bubble = static_cast<TBubbleSeries*>(add(new TBubbleSeries(&source), "Bubble"));
    bubble->AddBubble(1, 2, 3, "b");
    bubble->SetSquared(false);
    auto* arrow = static_cast<TArrowSeries*>(add(new TArrowSeries(&source), "Arrow"));
    arrow->AddArrow(1, 2, 3, 4);
    auto* gantt = static_cast<TGanttSeries*>(add(new TGanttSeries(&source), "Gantt"));
    gantt->AddGantt(45000, 45010, 1, "task");
    gantt->GetConnectingPen()->SetColor(clRed);
    auto* shape = static_cast<TChartShape*>(add(new TChartShape(&source), "Shape"));
    shape->SetStyle(chasStar);
    shape->SetText({"two", "lines"});
    shape->SetX1(250);
    shape->SetVertAlign(vaBottom);
    auto* surface = static_cast<TSurfaceSeries*>(add(new TSurfaceSeries(&source), "Surface"));
    surface->AddSampleValues(4);
    surface->SetWireFrame(true);
    surface->GetSideBrush()->SetStyle(bsSolid);
    surface->SetPaletteStyle(psRainbow);
    surface->SetMidColor(clYellow);
    auto* waterfall = static_cast<TWaterFallSeries*>(add(new TWaterFallSeries(&source), "WaterFall"));
    waterfall->AddSampleValues(3);
    waterfall->GetWaterLines()->Hide();
    auto* contour = static_cast<TContourSeries*>(add(new TContourSeries(&source), "Contour"));
    contour->AddSampleValues(5);
    contour->SetNumLevels(3);
    contour->DoBeforeDrawChart();
    contour->GetLevels()->Items(1)->SetUpToValue(0.25);  // the levels become the user's
    contour->GetLevels()->Items(1)->GetPen()->SetWidth(3);
    contour->GetSmoothing()->SetActive(true);
    auto* grid = static_cast<TColorGridSeries*>(add(new TColorGridSeries(&source), "ColorGrid"));
    grid->AddSampleValues(3);
    grid->SetCenteredPoints(true);
    grid->SetZGridEvery(2);
    grid->GetFrame()->Show();
    auto* vector = static_cast<TVector3DSeries*>(add(new TVector3DSeries(&source), "Vector"));
    vector->AddVector(1, 2, 3, 4, 5, 6);
    vector->GetStartArrow()->Show();
    auto* tower = static_cast<TTowerSeries*>(add(new TTowerSeries(&source), "Tower"));
    tower->AddSampleValues(2);
    tower->SetTowerStyle(tsCone);
    tower->SetOrigin(-1.5);

    surface->DoBeforeDrawChart();
    const std::string expected = State(source);
    for (bool text : {false, true}) {
        SCOPED_TRACE(text ? "text" : "binary");
        TMemoryStream file;
        SaveChartToStream(&source, &file, true, text);
        if (text) {
            const std::string s(file.Bytes().begin(), file.Bytes().end());
            EXPECT_NE(s.find("Levels = <"), std::string::npos);
            EXPECT_NE(s.find("SideBrush.Style = bsSolid"), std::string::npos);
            EXPECT_NE(s.find("PaletteStyle = psRainbow"), std::string::npos);
        }
        file.SetPosition(0);
        TChart target;
        LoadChartFromStream(&target, &file);
        EXPECT_EQ(State(target), expected);
        ASSERT_EQ(target.SeriesCount(), 10);
        auto* levels = qobject_cast<TContourSeries*>(target.GetSeries(6));
        ASSERT_NE(levels, nullptr);
        EXPECT_FALSE(levels->GetAutomaticLevels());
        ASSERT_EQ(levels->GetLevels()->Count(), 3);
        EXPECT_EQ(levels->GetLevels()->Items(1)->GetUpToValue(), 0.25);
        EXPECT_EQ(levels->GetLevels()->Items(1)->InternalPen()->GetWidth(), 3);
        EXPECT_FALSE(levels->GetLevels()->Items(0)->HasPen());
        auto* loadedSurface = qobject_cast<TSurfaceSeries*>(target.GetSeries(4));
        ASSERT_NE(loadedSurface, nullptr);
        EXPECT_EQ(loadedSurface->Count(), 16);
        // The palette is made from the loaded points, not from the empty series.
        loadedSurface->DoBeforeDrawChart();
        ASSERT_EQ(loadedSurface->Palette().size(), 32u);
        EXPECT_EQ(loadedSurface->Palette().back().UpToValue, surface->Palette().back().UpToValue);
    }
}

#include "ChartFileTest.moc"
