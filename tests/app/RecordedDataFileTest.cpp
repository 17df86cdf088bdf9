#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <thread>

#include "app/CLanguage.h"
#include "app/QzvFile.h"
#include "app/RecordedDataReader.h"
#include "app/RecordedDataWriter.h"
#include "platform/DateTime.h"
#include "platform/FileSave.h"
#include "platform/ScopedValue.h"
#include "platform/TextCodec.h"
#include "support/FakeDataFileView.h"
#include "support/HangingFileSystem.h"
#include "support/PeakMemory.h"
#include "support/ScriptedDialogs.h"

// Every fdatasync of this test program passes here on its way to the system, so that a test
// counts the syncs the writer really asks for.
namespace {
std::atomic<int> gDataSyncs{0};
std::atomic<bool> gSyncFails{false};  // as a disk that fails: the write is cut off there
// Looks at a file as it is about to be synced.
std::atomic<std::function<void(int fd)>*> gBeforeSync{nullptr};
}  // namespace
extern "C" int fdatasync(int fd)
{
    ++gDataSyncs;
    if (auto* look = gBeforeSync.load()) (*look)(fd);
    if (gSyncFails) {
        errno = EIO;
        return -1;
    }
    return int(::syscall(SYS_fdatasync, fd));
}

namespace {

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    platform::ReadFileBytes(path, bytes);
    return bytes;
}

class RecordedDataFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
        clock.Set(EncodeDate(2006, 2, 3) + EncodeTime(12, 30, 15, 0));
        platform::SetClock(&clock);
        support::TestDialogs().Clear();
    }
    void TearDown() override
    {
        platform::SetClock(nullptr);
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        support::TestDialogs().Clear();
    }
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

    // Three recorded series and three rows covering the value formats, the Error column's
    // rules and every kind of memo line.
    void FillSample(FakeDataFileView& v)
    {
        for (int i = 0; i < 3; ++i) v.series[size_t(i)]->Tag = 1;
        auto row = [&](double x, double a, double b, double c) {
            v.series[0]->AddXY(x, a);
            v.series[1]->AddXY(x, b);
            v.series[2]->AddXY(x, c);
        };
        row(38751.25, 25, 25.5, -3.25);
        row(38751.25 + 1 / 86400.0, 1500.25, 1234.567, 0);
        row(38751.5, 20.0004, -0.0005, 7);
        v.series[0]->SetXLabel(1, "Error!");
        v.series[2]->SetXLabel(1, "Prog;1");
        v.series[0]->SetXLabel(2, "New data recording!");
        v.memos[TDataFileMemo::SerialData] = {"03.02.2006 12:00:00 Connected", ""};
        v.memos[TDataFileMemo::Protocol] = {"P1", ""};
        v.memos[TDataFileMemo::Memo] = {"first", "", "a;b"};
        v.memos[TDataFileMemo::Info] = {"Device", "", "Serial number", "1234"};
        v.programmer = true;
        v.logFile = true;
        v.device = "DEV 1";
        v.fileName = Path("run");
    }

    QTemporaryDir dir;
    platform::ManualClock clock;
};

}  // namespace

TEST_F(RecordedDataFileTest, WritesTheLayoutByteForByte)
{
    FakeDataFileView v;
    FillSample(v);
    ASSERT_TRUE(FileSave1Execute(&v, 3));
    const std::string path = Path("run_31.csv");
    const std::string expected = "\xA7;03.02.2006;12:30:15;" + path +
                                 ";;DEV 1;;;;\r\n"
                                 "[DATA];\r\n"
                                 "Date|Time;Error;TimeStep;TIntern [\xB0"
                                 "C];TExtern [\xB0"
                                 "C];Sollwert [\xB0"
                                 "C];\r\n"
                                 "38751,25;0;1;25;25,5;-3,25;\r\n"
                                 "38751,2500115741;\"Prog;1\";1;1500,25;1234,567;0;\r\n"
                                 "38751,5;New data recording!;1;20;-0,001;7;\r\n"
                                 "[PROTOCOL];\r\n03.02.2006 12:00:00 Connected;\r\n;\r\nP1;\r\n(null);\r\n\xA7;\r\n"
                                 "[MEMO];\r\nfirst;\r\n(null);\r\n\"a;b\";\r\n\xA7;\r\n"
                                 "[INFO];\r\nDevice;\r\n(null);\r\nSerial number;\r\n1234;\r\n\xA7;\r\n"
                                 "$;\r\n";
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // Without programmer mode the programmer protocol stays out; an empty recording still
    // has its header and sections; a series without tag 1 is not written.
    FakeDataFileView empty;
    empty.series[0]->Tag = 1;
    empty.series[1]->Tag = 0;
    empty.fileName = Path("empty.csv");
    empty.memos[TDataFileMemo::Protocol] = {"never"};
    ASSERT_TRUE(FileSave1Execute(&empty, 10));
    EXPECT_EQ(ReadBytes(Path("empty_101.csv")),
              "\xA7;03.02.2006;12:30:15;" + Path("empty_101.csv") +
                  ";;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;TIntern [\xB0"
                  "C];\r\n"
                  "[PROTOCOL];\r\n\xA7;\r\n[MEMO];\r\n\xA7;\r\n[INFO];\r\n\xA7;\r\n$;\r\n");
}

TEST_F(RecordedDataFileTest, PartNamesGoInFrontOfTheFilesOwnExtension)
{
    EXPECT_EQ(DataFileNameForPart("C:\\data\\run.csv", 3, 1), "C:\\data\\run_31.csv");
    EXPECT_EQ(DataFileNameForPart("C:\\data\\run.csv", 10, 12), "C:\\data\\run_1012.csv");
    EXPECT_EQ(DataFileNameForPart("C:\\x\\run", 2, 3), "C:\\x\\run_23.csv");
    // A base name picked from the file list gets ".csv" once more from its callers.
    EXPECT_EQ(DataFileNameForPart("/d/run.csv.csv", 3, 1), "/d/run_31.csv");
    // ".csv" inside a folder name is not the extension.
    EXPECT_EQ(DataFileNameForPart("/d/x.csv.old/run.csv", 1, 2), "/d/x.csv.old/run_12.csv");
    EXPECT_EQ(DataFileNameForPart("/d/RUN.CSV", 1, 1), "/d/RUN_11.CSV");
}

TEST_F(RecordedDataFileTest, FailedSavesAreReportedAndLeaveTheLastGoodFile)
{
    FakeDataFileView v;
    FillSample(v);
    ASSERT_TRUE(FileSave1Execute(&v, 1));
    const std::string path = Path("run_11.csv");
    const std::string good = ReadBytes(path);

    // A later save replaces the file whole.
    v.series[0]->AddXY(38752, 1);
    v.series[1]->AddXY(38752, 2);
    v.series[2]->AddXY(38752, 3);
    ASSERT_TRUE(FileSave1Execute(&v, 1));
    const std::string later = ReadBytes(path);
    EXPECT_NE(later.find("38752;0;1;1;2;3;\r\n"), std::string::npos);

    // Not connected: text 149, the file untouched.
    v.connected = false;
    v.series[0]->AddXY(38753, 1);
    EXPECT_FALSE(FileSave1Execute(&v, 1));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Error in making the file!");
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Error");
    EXPECT_EQ(ReadBytes(path), later);

    // A file the user made read-only: text 149 with the system's reason, the file untouched.
    v.connected = true;
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_FALSE(FileSave1Execute(&v, 1));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Error in making the file!\n" + path + ": Permission denied");
    EXPECT_EQ(ReadBytes(path), later);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // A folder that does not exist: text 149 with the reason.
    v.connected = true;
    v.fileName = Path("missing/run");
    EXPECT_FALSE(FileSave1Execute(&v, 1));
    EXPECT_EQ(support::TestDialogs().LastMessage().text.rfind("Error in making the file!\n", 0), 0u);

    // The write itself fails (the name is taken by a folder): text 151, never success.
    std::filesystem::create_directory(Path("busy_11.csv"));
    v.fileName = Path("busy");
    EXPECT_FALSE(FileSave1Execute(&v, 1));
    EXPECT_EQ(support::TestDialogs().LastMessage().text.rfind("Error in saving the data!\n", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(Path("busy_11.csv")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path().toStdString()), {}), 2)
        << "no temporary file may be left behind";

    // No window: nothing at all.
    support::TestDialogs().Clear();
    EXPECT_FALSE(FileSave1Execute(nullptr, 1));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // The save button confirms only a successful write.
    v.fileName = Path("run");
    EXPECT_TRUE(SaveDataFileOnDemand(v, 1, true));
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Data file saved successfully");
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Notice");
    support::TestDialogs().Clear();
    v.connected = false;
    EXPECT_FALSE(SaveDataFileOnDemand(v, 1, true));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Error in making the file!");
}

TEST_F(RecordedDataFileTest, WrittenFileLoadsBackIntoAViewWindow)
{
    FakeDataFileView v;
    FillSample(v);
    ASSERT_TRUE(FileSave1Execute(&v, 3));
    const std::string path = Path("run_31.csv");

    FakeDataFileView view;
    view.series[5]->AddXY(1, 1);  // left over from an earlier file
    const TRecordedDataRead data = ReadRecordedDataFile(path);
    EXPECT_TRUE(data.Problems.empty());
    ASSERT_TRUE(ApplyRecordedData(view, data, path));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    EXPECT_EQ(view.valueSeriesCount, 3);
    EXPECT_EQ(view.lineSeries, (std::vector<AnsiString>{"TIntern [\xC2\xB0"
                                                        "C]",
                                                        "TExtern [\xC2\xB0"
                                                        "C]",
                                                        "Sollwert [\xC2\xB0"
                                                        "C]"}));
    const double ys[3][3] = {{25, 1500.25, 20}, {25.5, 1234.567, -0.001}, {-3.25, 0, 7}};
    for (int s = 0; s < 3; ++s) {
        TChartSeries& series = *view.series[size_t(s)];
        EXPECT_TRUE(series.GetActive());
        EXPECT_TRUE(series.GetShowInLegend());
        EXPECT_TRUE(series.XValues()->GetDateTime());
        ASSERT_EQ(series.Count(), 3);
        for (int r = 0; r < 3; ++r) {
            EXPECT_DOUBLE_EQ(series.GetxValue(r), v.series[0]->GetxValue(r));
            EXPECT_DOUBLE_EQ(series.GetyValue(r), ys[s][r]);
        }
        EXPECT_EQ(series.GetXLabel(0), "");
        EXPECT_EQ(series.GetXLabel(1), "Prog;1");
        EXPECT_EQ(series.GetXLabel(2), "New data recording!");
        // Points in the series' own colour keep no colour each.
        EXPECT_FALSE(series.HasColorsList());
    }
    EXPECT_EQ(view.series[5]->Count(), 0);
    EXPECT_FALSE(view.series[5]->GetActive());
    EXPECT_FALSE(view.series[5]->GetShowInLegend());
    // Series the file has no column for keep the default titles of the later ones.
    EXPECT_EQ(view.series[4]->GetTitle(), "");
    EXPECT_EQ(view.series[15]->GetTitle(), "AIF_Out1");
    EXPECT_EQ(view.series[21]->GetTitle(), "Druck");

    EXPECT_EQ(view.interval, 1);
    EXPECT_DOUBLE_EQ(view.bottomIncrement, 1 / 86400.0);
    EXPECT_EQ(view.bottomFormat, "hh:nn:ss");
    EXPECT_EQ(view.bottomTitle, "Time in hh:mm:ss");
    EXPECT_DOUBLE_EQ(view.bottomMin, 38751.25);
    EXPECT_DOUBLE_EQ(view.bottomMax, 38751.5);
    EXPECT_EQ(view.timeMin, "03.02.2006 06:00:00");
    EXPECT_EQ(view.timeMax, "03.02.2006 12:00:00");
    EXPECT_FALSE(view.imported);
    EXPECT_EQ(view.timeAxisLabel, "Time in [hh:mm:ss]");

    // Every line comes back as it was written, empty ones and ";" inside them included.
    EXPECT_EQ(view.memos[TDataFileMemo::SerialData],
              (std::vector<AnsiString>{"03.02.2006 12:00:00 Connected", "", "P1", "",
                                       "03.02.2006 12:30:15 3 data sets read!"}));
    EXPECT_EQ(view.memos[TDataFileMemo::Memo], (std::vector<AnsiString>{"first", "", "a;b"}));
    EXPECT_EQ(view.memos[TDataFileMemo::Info], (std::vector<AnsiString>{"Device", "", "Serial number", "1234"}));
    EXPECT_EQ(view.title, (std::vector<AnsiString>{"Current file name: RUN_31.CSV", "Date of storage: 03.02.2006",
                                                   "Serial number: 1234"}));

    // Written again from the loaded window, the data section comes out byte for byte.
    for (int s = 0; s < 3; ++s) view.series[size_t(s)]->Tag = 1;
    view.fileName = Path("again");
    ASSERT_TRUE(FileSave1Execute(&view, 3));
    auto dataPart = [](const std::string& bytes) {
        const size_t from = bytes.find("[DATA];");
        return bytes.substr(from, bytes.find("[PROTOCOL];") - from);
    };
    EXPECT_EQ(dataPart(ReadBytes(Path("again_31.csv"))), dataPart(ReadBytes(path)));
}

// A series shorter than series 0 keeps its values in its own column, a value axis with a
// format of its own does not make the file unreadable, and a time step outside 1..60 s
// keeps the previous interval.
TEST_F(RecordedDataFileTest, ShortSeriesUserFormatsAndBadTimeStepsKeepTheFileReadable)
{
    FakeDataFileView v;
    v.Record(3, 5);
    // Series 1 misses its last two values; series 2's axis shows "0.0 °C".
    v.series[1]->Delete(4);
    v.series[1]->Delete(3);
    v.formats[2] =
        "0.0 \xC2\xB0"
        "C";
    v.fileName = Path("short");
    ASSERT_TRUE(FileSave1Execute(&v, 1));
    const std::string path = Path("short_11.csv");
    const TRecordedDataRead data = ReadRecordedDataFile(path);
    EXPECT_TRUE(data.Problems.empty());
    FakeDataFileView view;
    ASSERT_TRUE(ApplyRecordedData(view, data, path));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    for (int s = 0; s < 3; ++s) {
        ASSERT_EQ(view.series[size_t(s)]->Count(), v.series[size_t(s)]->Count()) << s;
        for (int r = 0; r < v.series[size_t(s)]->Count(); ++r)
            EXPECT_DOUBLE_EQ(view.series[size_t(s)]->GetyValue(r), v.series[size_t(s)]->GetyValue(r));
    }
    EXPECT_EQ(view.memos[TDataFileMemo::SerialData].back(), "03.02.2006 12:30:15 5 data sets read!");

    std::string bytes =
        "\xA7;d;t;;;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;\r\n"
        "1;0;5;1;\r\n2;0;0;2;\r\n3;0;-5;3;\r\n4;0;61;4;\r\n"
        "[PROTOCOL];\r\n\xA7;\r\n[MEMO];\r\n\xA7;\r\n[INFO];\r\n\xA7;\r\n$;\r\n";
    const TRecordedDataRead steps = ParseRecordedDataFile(bytes);
    FakeDataFileView stepView;
    stepView.interval = 7;
    ASSERT_TRUE(ApplyRecordedData(stepView, steps, "steps.csv"));
    EXPECT_EQ(stepView.series[0]->Count(), 4);
    EXPECT_EQ(stepView.interval, 5);
    EXPECT_DOUBLE_EQ(stepView.bottomIncrement, 5 / 86400.0);
    const auto& protocol = stepView.memos[TDataFileMemo::SerialData];
    ASSERT_EQ(protocol.size(), 4u);
    EXPECT_EQ(protocol[1], "Line 5: time step \"0\" is not 1 to 60 s, the previous interval is kept.");
    EXPECT_EQ(protocol[3], "Line 7: time step \"61\" is not 1 to 60 s, the previous interval is kept.");
}

// A fill that owns the parsed file gives each series its column whole, taking the values
// over, a step holding as many series as its points allow; the window ends as a fill that
// copies row by row leaves it. A file with a value missing is copied by both.
TEST_F(RecordedDataFileTest, AFillOwningTheFileTakesItsColumnsOverAndLoadsTheSame)
{
    for (const bool missing : {false, true}) {
        FakeDataFileView v;
        v.Record(22, 1000, 46000.25);
        v.series[0]->SetXLabel(5, "Error!");
        v.series[2]->SetXLabel(7, "Ramp 1");
        if (missing) v.series[4]->Delete(999);  // its last field stays empty
        v.fileName = Path("owned");
        ASSERT_TRUE(FileSave1Execute(&v, 1));
        const TRecordedDataRead data = ReadRecordedDataFile(Path("owned_11.csv"));
        ASSERT_EQ(data.Rows(), 1000);
        EXPECT_EQ(data.EveryValuePresent, !missing);

        FakeDataFileView copied, taken;
        ASSERT_TRUE(ApplyRecordedData(copied, data, "owned_11.csv"));
        auto owned = std::make_shared<TRecordedDataRead>(data);
        TRecordedDataFill fill(taken, owned, "owned_11.csv");
        ASSERT_TRUE(fill.Begin());
        int steps = 0;
        for (bool more = true; more;) {
            more = fill.Step(3000);
            ++steps;
            if (!missing && more) {
                EXPECT_EQ(taken.series[size_t(3 * steps - 1)]->Count(), 1000);
                EXPECT_EQ(taken.series[size_t(3 * steps)]->Count(), 0);
            }
        }
        fill.Finish();
        EXPECT_EQ(steps, 8);  // three series a step, or 136 rows of 22 points
        for (int s = 0; s < 22; ++s) {
            const TChartSeries &a = *copied.series[size_t(s)], &b = *taken.series[size_t(s)];
            ASSERT_EQ(b.Count(), a.Count()) << s;
            EXPECT_EQ(b.Count(), missing && s == 4 ? 999 : 1000);
            for (int i = 0; i < a.Count(); ++i) {
                ASSERT_EQ(b.GetxValue(i), a.GetxValue(i)) << s << " " << i;
                ASSERT_EQ(b.GetyValue(i), a.GetyValue(i)) << s << " " << i;
                ASSERT_EQ(b.GetXLabel(i), a.GetXLabel(i)) << s << " " << i;
            }
            EXPECT_EQ(b.GetXLabel(5), "Error!");
            EXPECT_EQ(b.GetXLabel(7), "Ramp 1");
            EXPECT_EQ(b.Labels().Count(), a.Labels().Count());
            EXPECT_TRUE(b.XValues()->IsOrdered());
            EXPECT_EQ(b.YValues()->IsOrdered(), a.YValues()->IsOrdered());
            // Taken over, not copied: the parsed column is left empty.
            EXPECT_EQ(owned->Y[size_t(s)].empty(), !missing);
        }
        EXPECT_EQ(taken.memos[TDataFileMemo::Info], copied.memos[TDataFileMemo::Info]);
        EXPECT_EQ(taken.memos[TDataFileMemo::SerialData].size(), copied.memos[TDataFileMemo::SerialData].size());
    }
}

// Whatever the user typed and whatever the channel recorded comes back from the file as it
// was: separators, quotes, lines that look like the file's own marks, characters beyond
// Windows-1252, and values of any magnitude or none.
TEST_F(RecordedDataFileTest, AwkwardTextsAndValuesComeBackAsWritten)
{
    const std::vector<AnsiString> awkward = {
        "Probe 1; 20 \xC2\xB0"
        "C",
        "\xC2\xA7",
        "\xC2\xA7;",
        "[INFO]",
        "[PROTOCOL];",
        " [MEMO] ",
        "$",
        "$;",
        "(null)",
        "",
        ";",
        "\"quoted\" text",
        "say \"hi\"",
        "\"",
        "  indented  ",
        "a;;b;",
        "\xE2\x82\xAC \xE2\x80\x9Equote\xE2\x80\x9C"};
    const double ys[] = {1e64, -1.7976931348623157e308, std::nan(""), HUGE_VAL, -HUGE_VAL, 25.5};
    for (bool beyondCp1252 : {false, true}) {
        SCOPED_TRACE(beyondCp1252);
        FakeDataFileView v;
        v.series[0]->Tag = v.series[1]->Tag = 1;
        for (int i = 0; i < 6; ++i) {
            v.series[0]->AddXY(38751 + i, ys[i]);
            v.series[1]->AddXY(38751 + i, -ys[i]);
        }
        std::vector<AnsiString> lines = awkward;
        if (beyondCp1252)
            lines.push_back("\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB0 \xCE\xB1 \xE2\x86\x92 \xE2\x88\x9E");
        v.memos[TDataFileMemo::SerialData] = v.memos[TDataFileMemo::Memo] = v.memos[TDataFileMemo::Info] = lines;
        v.series[0]->SetXLabel(1, "Prog \"A\"; 2");
        v.series[1]->SetTitle("T; \"x\" " + lines.back());
        v.fileName = Path("awkward");
        ASSERT_TRUE(FileSave1Execute(&v, 1));
        const std::string bytes = ReadBytes(Path("awkward_11.csv"));
        EXPECT_EQ(bytes.rfind(beyondCp1252 ? "\xEF\xBB\xBF\xC2\xA7;" : "\xA7;", 0), 0u);

        const TRecordedDataRead d = ReadRecordedDataFile(Path("awkward_11.csv"));
        EXPECT_TRUE(d.Problems.empty());
        EXPECT_EQ(d.Memo, lines);
        EXPECT_EQ(d.Info, lines);
        EXPECT_EQ(d.EventProtocol, lines);
        EXPECT_EQ(d.SeriesTitles[1], v.series[1]->GetTitle());
        ASSERT_EQ(d.Rows(), 6);
        EXPECT_EQ(d.Labels[1], "Prog \"A\"; 2");
        for (int i = 0; i < 6; ++i) {
            for (int s = 0; s < 2; ++s) {
                const double expected = s == 0 ? ys[i] : -ys[i];
                const double got = d.Y[size_t(s)][size_t(i)];
                EXPECT_TRUE(got == expected || (std::isnan(got) && std::isnan(expected))) << i << " " << got;
            }
        }
    }

    // A time no calendar can name is refused with its line; the rows around it load.
    const std::string file =
        "\xA7;d;t;;;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;\r\n1;0;1;5;\r\n"
        "1E300;0;1;6;\r\n-1E19;0;1;6;\r\nNAN;0;1;6;\r\n2;0;1;7;\r\n3;0;NAN;8;\r\n"
        "[PROTOCOL];\r\n\xA7;\r\n$;\r\n";
    const TRecordedDataRead times = ParseRecordedDataFile(file);
    EXPECT_EQ(times.X, (std::vector<double>{1, 2}));
    ASSERT_EQ(times.Problems.size(), 4u);
    EXPECT_EQ(times.Problems[3].Kind, TDataFileProblemKind::BadRow);
    EXPECT_EQ(times.Problems[0].Kind, TDataFileProblemKind::BadTime);
    EXPECT_EQ(times.Problems[0].Line, 5);
    FakeDataFileView view;
    EXPECT_TRUE(ApplyRecordedData(view, times, "/x/times.csv"));
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("Line 5: not a valid time (1E300)"), std::string::npos);
}

// A row without a label, or with one of blanks only, is written with the "0" of no label:
// a blank field would be passed over by the reader and move the row's values up by one.
// Read, written and read again, such a file gives the same rows.
TEST_F(RecordedDataFileTest, ARowWithoutALabelReadsBackAsItWasWritten)
{
    TRecordedData data;
    data.Formats = FormatSettings();
    data.TimeStep = 1;
    data.X = {43831.6, 43831.7, 43831.8, 43831.9};
    data.Errors = {"", "  ", "\r\n", "Error!"};
    data.Columns = {{"A", "#,##0.###", {11, 12, 13, 14}}, {"B", "#,##0.###", {21, 22, 23, 24}}};
    const TRecordedDataRead read = ParseRecordedDataFile(BuildRecordedDataFile(data));
    EXPECT_TRUE(read.Problems.empty());
    EXPECT_EQ(read.X, data.X);
    EXPECT_EQ(read.Labels, (std::vector<AnsiString>{"0", "0", "0", "Error!"}));
    EXPECT_EQ(read.LastTimeStep, 1);
    ASSERT_EQ(read.SeriesColumns, 2);
    EXPECT_EQ(read.Y[0], data.Columns[0].Values);
    EXPECT_EQ(read.Y[1], data.Columns[1].Values);

    // The smallest file the fuzzer found: its empty quoted label is read as an empty one.
    const TRecordedDataRead found = ParseRecordedDataFile(
        "\xA7;d;t;;;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;B;\r\n43831,6;\"\";1;11;21;\r\n"
        "[PROTOCOL];\r\n\xA7;\r\n$;\r\n");
    ASSERT_EQ(found.Rows(), 1);
    TRecordedData again;
    again.Formats = FormatSettings();
    again.TimeStep = found.LastTimeStep;
    again.X = found.X;
    again.Errors = found.Labels;
    again.Columns = {{"A", "#,##0.###", found.Y[0]}, {"B", "#,##0.###", found.Y[1]}};
    const TRecordedDataRead back = ParseRecordedDataFile(BuildRecordedDataFile(again));
    EXPECT_TRUE(back.Problems.empty());
    EXPECT_EQ(back.X, found.X);
    EXPECT_EQ(back.LastTimeStep, 1);
    ASSERT_EQ(back.SeriesColumns, 2);
    EXPECT_EQ(back.Y[0], (std::vector<double>{11}));
    EXPECT_EQ(back.Y[1], (std::vector<double>{21}));
}

// A file of another program may hold a carriage return alone inside a line: the reader
// keeps it (only a line feed ends a line), and a save writes it back as it was instead of
// splitting the memo line or blanking the label. Line feeds still end lines or fields.
TEST_F(RecordedDataFileTest, ALoneCarriageReturnInATextIsKept)
{
    const std::string foreign =
        "\xA7;03.02.2006;12:30:15;x;;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;\r\n"
        "38751;Prog\r1;5;25;\r\n[PROTOCOL];\r\nproto\rcol;\r\n\xA7;\r\n[MEMO];\r\nmemo\r;\r\n\xA7;\r\n"
        "[INFO];\r\nin\rfo;\r\n\xA7;\r\n$;\r\n";
    const TRecordedDataRead read = ParseRecordedDataFile(foreign);
    ASSERT_TRUE(read.Problems.empty());
    ASSERT_EQ(read.Rows(), 1);
    EXPECT_EQ(read.Labels[0], "Prog\r1");
    EXPECT_EQ(read.EventProtocol, std::vector<AnsiString>{"proto\rcol"});
    EXPECT_EQ(read.Memo, std::vector<AnsiString>{"memo\r"});
    EXPECT_EQ(read.Info, std::vector<AnsiString>{"in\rfo"});

    TRecordedData data;
    data.TimeStep = 5;
    data.X = {38751, 38752};
    data.Errors = {read.Labels[0], "two\r\nlines\nhere"};
    data.Columns.push_back({"A", "#,##0.###", {25, 26}});
    data.EventProtocol = read.EventProtocol;
    data.Memo = {read.Memo[0], "split\r\nin\ntwo\rnot"};
    data.Info = read.Info;
    data.Formats.DecimalSeparator = ',';
    data.Formats.ThousandSeparator = '\0';
    const TRecordedDataRead back = ParseRecordedDataFile(BuildRecordedDataFile(data));
    ASSERT_TRUE(back.Problems.empty());
    EXPECT_EQ(back.Labels, (std::vector<AnsiString>{"Prog\r1", "two  lines here"}));
    EXPECT_EQ(back.EventProtocol, read.EventProtocol);
    EXPECT_EQ(back.Memo, (std::vector<AnsiString>{"memo\r", "split", "in", "two\rnot"}));
    EXPECT_EQ(back.Info, read.Info);
}

TEST_F(RecordedDataFileTest, ReaderIsTolerantOfSeparatorsEncodingsAndLineEnds)
{
    // Decimal points, an empty field, the number codes of the Error column, LF line ends
    // and UTF-8: all read like the program's own files.
    const std::string utf8 =
        "\xC2\xA7;01.01.2020;10:00:00;x;;;;;;\n[DATA];\nDate|Time;Error;TimeStep;T\xC3\xA4;B;\n"
        "43831.5;1;5;25.5;;26,5;\n43831.6;2;5;1;2;\n43831.7;3;5;1;2;\n43831.8;Prog.2;5;1;2;\n"
        "[PROTOCOL];\nline \xE2\x82\xAC;\n\xC2\xA7;\n[MEMO];\n\xC2\xA7;\n[INFO];\n\xC2\xA7;\n$;\n";
    const TRecordedDataRead a = ParseRecordedDataFile(utf8);
    std::string cp1252 = platform::Utf8ToCp1252(utf8);
    std::string crlf;
    for (char c : cp1252) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const TRecordedDataRead b = ParseRecordedDataFile(crlf);
    for (const TRecordedDataRead* d : {&a, &b}) {
        EXPECT_TRUE(d->Problems.empty());
        EXPECT_EQ(d->SeriesTitles[0], "T\xC3\xA4");
        ASSERT_EQ(d->Rows(), 4);
        EXPECT_DOUBLE_EQ(d->Y[0][0], 25.5);
        EXPECT_DOUBLE_EQ(d->Y[1][0], 26.5);
        EXPECT_EQ(d->EventProtocol, std::vector<AnsiString>{"line \xE2\x82\xAC"});
        EXPECT_EQ(d->LastTimeStep, 5);
    }
    FakeDataFileView view;
    ASSERT_TRUE(ApplyRecordedData(view, a, "/x/file.csv"));
    EXPECT_EQ(view.series[0]->GetXLabel(0), "Error!");
    EXPECT_EQ(view.series[1]->GetXLabel(1), "New data recording!");
    EXPECT_EQ(view.series[0]->GetXLabel(2), "New segment");
    EXPECT_EQ(view.series[0]->GetXLabel(3), "Prog.2");
    EXPECT_EQ(view.interval, 5);

    // Numbers as the reader takes them.
    double v = 0;
    EXPECT_TRUE(ReadNumberField(" -3,25 ", v));
    EXPECT_DOUBLE_EQ(v, -3.25);
    EXPECT_TRUE(ReadNumberField("1,5E-5", v));
    EXPECT_DOUBLE_EQ(v, 1.5e-5);
    for (const char* bad : {"", "abc", "1,2,3", "nanx", "in", "1e999", "12a", "0x10", "--1"})
        EXPECT_FALSE(ReadNumberField(bad, v)) << bad;
    // Measurement files of other recorders have no words for values that are not finite.
    for (const char* text : {"NAN", "inf", "-INF", "1e999"}) EXPECT_FALSE(QzvNumber(text, v)) << text;
}

// Rows as the program writes them are read in one pass; with blanks around every field the
// same rows take the general way. Both give the same values, also for the rows the one pass
// leaves to the general way (an empty value, an exponent, fields missing or added).
TEST_F(RecordedDataFileTest, PlainRowsReadAsTheGeneralWayReadsThem)
{
    const char* rows[] = {"46000,25;0;1;20;-21,13;0,001;",
                          "46000,5;Prog. 1;60;1;2;3",
                          "46000,75;1;1;1;;3;",
                          "46001;2;1;1,5E2;2;3;",
                          "46001,25;0;1;123456789012345678;2;3;",
                          "46001,5;0;1;1;2;",
                          "46001,75;0;1;1;2;3;4;",
                          "46002;0;1;-0;+7;,5;"};
    std::string plain = "\xC2\xA7;01.01.2020;10:00:00;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;B;C;\r\n",
                blanks = plain;
    for (const char* row : rows) {
        plain += std::string(row) + "\r\n";
        for (const char* c = row; *c; ++c) blanks += *c == ';' ? std::string("; ") : std::string(1, *c);
        blanks += "\r\n";
    }
    plain += "$;\r\n";
    blanks += "$;\r\n";
    const TRecordedDataRead a = ParseRecordedDataFile(plain), b = ParseRecordedDataFile(blanks);
    ASSERT_EQ(a.Rows(), 8);
    ASSERT_EQ(b.Rows(), a.Rows());
    EXPECT_EQ(a.Labels, b.Labels);
    EXPECT_EQ(a.Problems.size(), b.Problems.size());
    ASSERT_EQ(a.Y.size(), 3u);
    for (std::size_t c = 0; c < 3; ++c)
        for (int r = 0; r < a.Rows(); ++r) {
            EXPECT_EQ(a.X[std::size_t(r)], b.X[std::size_t(r)]);
            const double va = a.Y[c][std::size_t(r)], vb = b.Y[c][std::size_t(r)];
            EXPECT_TRUE(va == vb || (std::isnan(va) && std::isnan(vb))) << c << " " << r;
        }
    EXPECT_EQ(a.Y[1][0], -21.13);
    EXPECT_EQ(a.Y[2][0], 0.001);
    EXPECT_TRUE(std::isnan(a.Y[1][2]));
    EXPECT_EQ(a.Y[0][3], 150.0);
    EXPECT_EQ(a.Y[2][7], 0.5);
    // A row without a value for a series adds no point to it.
    EXPECT_FALSE(a.EveryValuePresent);
    FakeDataFileView view;
    ASSERT_TRUE(ApplyRecordedData(view, a, "/x/plain.csv"));
    EXPECT_EQ(view.series[0]->Count(), 8);
    EXPECT_EQ(view.series[1]->Count(), 7);  // row 3 has none
    EXPECT_EQ(view.series[2]->Count(), 7);  // row 6 has none
    EXPECT_EQ(view.series[1]->GetxValue(2), a.X[3]);

    // In a Windows-1252 file the one pass reads the bytes as they stand: a label and a faulty
    // time beyond ASCII come back decoded, and the one-byte "§" still ends the rows.
    const TRecordedDataRead c = ParseRecordedDataFile(
        "\xA7;01.01.2020;10:00:00;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;B;\r\n46000,25;Pr\xFC"
        "fung;1;20;21;\r\n\xB5"
        "46000,5;0;1;20;21;\r\n46000,75;0;1;22;23;\r\n\xA7;\r\n$;\r\n");
    ASSERT_EQ(c.Rows(), 2);
    EXPECT_TRUE(c.EveryValuePresent);
    EXPECT_EQ(c.Labels[0],
              "Pr\xC3\xBC"
              "fung");
    EXPECT_EQ(c.Y[1], (std::vector<double>{21, 23}));
    ASSERT_EQ(c.Problems.size(), 1u);
    EXPECT_EQ(c.Problems[0].Line, 5);
    EXPECT_EQ(c.Problems[0].Detail,
              "\xC2\xB5"
              "46000,5");
}

// Every file of the corpus loads as far as it is readable and reports what is wrong with it;
// none crashes and none is taken for a sound file.
TEST_F(RecordedDataFileTest, MalformedCorpusIsReportedClearly)
{
    const std::string corpus = std::string(NOX_TEST_DATA_DIR) + "/datafile/";
    struct Case {
        const char* file;
        bool loaded;
        int rows;
        TDataFileProblemKind first;
    };
    const Case cases[] = {
        {"truncated_in_memo.csv", true, 3, TDataFileProblemKind::CutShort},
        {"bad_numbers.csv", true, 3, TDataFileProblemKind::BadRow},
        {"no_end_mark.csv", true, 2, TDataFileProblemKind::CutShort},
        {"short_and_long_rows.csv", true, 3, TDataFileProblemKind::BadRow},
        {"too_many_columns.csv", true, 2, TDataFileProblemKind::ExtraColumns},
        {"not_a_data_file.csv", false, 0, TDataFileProblemKind::NotDataFile},
        {"empty.csv", false, 0, TDataFileProblemKind::NotDataFile},
        {"prelude_only.csv", true, 0, TDataFileProblemKind::MissingSections},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const TRecordedDataRead d = ReadRecordedDataFile(corpus + c.file);
        EXPECT_EQ(d.Loaded, c.loaded);
        EXPECT_EQ(d.Rows(), c.rows);
        ASSERT_FALSE(d.Problems.empty());
        EXPECT_EQ(d.Problems.front().Kind, c.first);
        for (const auto& y : d.Y) EXPECT_EQ(y.size(), d.X.size());

        support::TestDialogs().Clear();
        FakeDataFileView view;
        EXPECT_EQ(ApplyRecordedData(view, d, corpus + c.file), c.loaded);
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        const AnsiString msg = support::TestDialogs().LastMessage().text;
        EXPECT_EQ(msg.rfind(c.loaded ? "The file contains faulty data!\n" : "The file cannot be opened!\n", 0), 0u)
            << msg;
    }

    // Details that the message names.
    const TRecordedDataRead bad = ReadRecordedDataFile(corpus + "bad_numbers.csv");
    EXPECT_EQ(bad.Problems.front().Line, 5);
    // The value that is not a number ends its row; the rows after it still load, and so do
    // the sections after the data.
    EXPECT_DOUBLE_EQ(bad.Y[0][1], 21);
    EXPECT_TRUE(std::isnan(bad.Y[1][1]));
    EXPECT_DOUBLE_EQ(bad.Y[1][2], 32);
    EXPECT_EQ(bad.Memo, std::vector<AnsiString>{"kept"});

    const TRecordedDataRead wide = ReadRecordedDataFile(corpus + "too_many_columns.csv");
    EXPECT_EQ(wide.SeriesColumns, 24);
    EXPECT_DOUBLE_EQ(wide.Y[23][1], 124);

    // "§" inside a memo line does not end the section, nor does "$" inside the data.
    const TRecordedDataRead sign = ReadRecordedDataFile(corpus + "section_sign_in_memo.csv");
    EXPECT_TRUE(sign.Problems.empty());
    ASSERT_EQ(sign.Rows(), 2);
    EXPECT_EQ(sign.Labels[1], "$5");
    EXPECT_EQ(sign.Memo, (std::vector<AnsiString>{"see \xC2\xA7 4", "$ 5"}));
    EXPECT_EQ(sign.Info, std::vector<AnsiString>{"info"});

    const TRecordedDataRead missing = ReadRecordedDataFile(corpus + "does_not_exist.csv");
    EXPECT_FALSE(missing.Loaded);
    EXPECT_EQ(missing.Problems.front().Kind, TDataFileProblemKind::CannotOpen);

    // Huge lines: a header and a data row of a megabyte each.
    std::string huge = "\xA7;d;t;;;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;" + std::string(1 << 20, 'T') +
                       ";\r\n1;0;1;" + std::string(1 << 20, '9') + ";\r\n2;0;1;" + std::string(1 << 20, ';') +
                       "\r\n3;0;1;7;\r\n[PROTOCOL];\r\n" + std::string(1 << 20, 'p') + ";\r\n\xA7;\r\n$;\r\n";
    const TRecordedDataRead big = ParseRecordedDataFile(huge);
    EXPECT_EQ(big.SeriesColumns, 1);
    ASSERT_EQ(big.Rows(), 3);
    EXPECT_TRUE(std::isnan(big.Y[0][0]));
    EXPECT_DOUBLE_EQ(big.Y[0][2], 7);
    EXPECT_EQ(big.EventProtocol.front().size(), size_t(1 << 20));
    EXPECT_TRUE(big.Damaged());
}

// A read builds no more than six times the file beside it, whatever its lines: a file of
// empty lines is refused before its lines are listed, and of a line of millions of fields
// (empty or numbers) only the fields that are read are kept. The process's memory shows
// what was built (each would take 64 MB and more).
TEST_F(RecordedDataFileTest, AReadBuildsLittleBesideTheFileWhateverItsLines)
{
    const std::string head = "\xC2\xA7;01.01.2026;00:00:00;x;;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;B;C;\r\n";
    const size_t size = 8u << 20;
    std::string numbers = "1;0;1;";
    while (numbers.size() < size) numbers += "7;";
    const struct {
        std::string bytes;
        bool loaded;
    } cases[] = {{head + std::string(size, '\n'), false},
                 {head + std::string(size, ';') + "\r\n", true},
                 {head + numbers + "\r\n", true}};
    for (const auto& c : cases) {
        TRecordedDataRead read;
        const std::int64_t growth = support::PeakGrowth([&] { read = ParseRecordedDataFile(c.bytes); });
        EXPECT_EQ(read.Loaded, c.loaded);
        if (!c.loaded) {
            EXPECT_EQ(read.Problems.front().Kind, TDataFileProblemKind::TooManyLines);
        }
        EXPECT_LT(growth, std::int64_t(size / 4) * support::ResidentPerWrittenByte) << "bytes";
    }
}

// Values are written in their axis's format exactly as the library's FormatFloat would
// write them, whatever the magnitude, rounding case or picture, and times as FloatToStr
// writes them; reading gives the numbers the written texts name.
TEST_F(RecordedDataFileTest, ValuesAreWrittenAsFormatFloatWritesThem)
{
    std::vector<double> values = {0, -0.0, 0.0005, -0.0005, 0.00049999, 2.5, 1234.5675, 999.9995, -999.9995, 1e19,
                                  -1e25, 1e-30, 123456789.123, 0.1, 1500.25, -3.25, 9.9999999, std::nan(""), HUGE_VAL,
                                  -HUGE_VAL,
                                  // ties and near-ties of the places kept
                                  0.125, 2.675, 1.0005, 0.4999999999999999, 1e14 + 0.5, 99999999999.9995, 0.015};
    std::uint32_t seed = 12345;
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double mantissa = double(seed % 2000001) / 1000 - 1000;
        values.push_back(mantissa * std::pow(10.0, int(seed >> 28) - 8));
    }
    TFormatSettings grouped = FormatSettings();
    grouped.ThousandSeparator = '.';
    TFormatSettings plain = FormatSettings();
    for (const TFormatSettings* fs : {&plain, &grouped}) {
        for (const char* format :
             {"#,##0.###", "0.00", "#", "0", "#,##0", "000.0#", "#.##", "0.000000", "#,0000", "0.0E+00", "\"x\"0.0"}) {
            SCOPED_TRACE(format);
            TRecordedData d;
            d.Formats = *fs;
            for (size_t i = 0; i < values.size(); ++i) {
                const double v = values[i];
                d.X.push_back(i % 3 == 0 || !(std::fabs(v) < 6e5) ? 46000.25 + double(i) / 86400 : v);
            }
            d.Columns.push_back({"v", format, values});
            const std::string bytes = BuildRecordedDataFile(d);
            const TRecordedDataRead read = ParseRecordedDataFile(bytes);
            size_t pos = bytes.find("TimeStep;v;\r\n") + 13, row = 0;
            for (double v : values) {
                const size_t xEnd = bytes.find(';', pos);
                ASSERT_EQ(bytes.substr(pos, xEnd - pos), FloatToStr(d.X[row], *fs)) << d.X[row];
                pos = bytes.find(';', xEnd + 1) + 1;  // past Error
                pos = bytes.find(';', pos) + 1;       // past TimeStep
                const size_t end = bytes.find(';', pos);
                const std::string text = bytes.substr(pos, end - pos);
                ASSERT_EQ(text, FormatFloat(format, v, *fs)) << v;
                // What the reader makes of a plain number is what from_chars makes of it.
                std::string dotted = text;
                std::replace(dotted.begin(), dotted.end(), ',', '.');
                double expected = 0;
                const auto parsed = std::from_chars(dotted.data(), dotted.data() + dotted.size(), expected);
                if (fs == &plain && parsed.ec == std::errc() && parsed.ptr == dotted.data() + dotted.size()) {
                    const double got = read.Y[0][row];
                    ASSERT_TRUE(got == expected || (std::isnan(got) && std::isnan(expected))) << text << " " << got;
                }
                pos = end + 3;
                ++row;
            }
        }
    }
}

// Saves of a file handed to the workers run in the order given, report on the
// user-interface thread, and fail just as loudly as the direct ones. Another file's save
// reports when it is done, before or after them.
TEST_F(RecordedDataFileTest, QueuedSavesKeepTheirOrderAndReportFailures)
{
    FakeDataFileView v;
    FillSample(v);
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    std::vector<int> results;
    for (int i = 0; i < 5; ++i) {
        v.series[0]->AddXY(38760 + i, i);
        v.series[1]->AddXY(38760 + i, i);
        v.series[2]->AddXY(38760 + i, i);
        queue.Save(&v, 2, [&results, i](bool ok) { results.push_back(ok ? 10 + i : 0); });
    }
    v.fileName = Path("missing/run");
    queue.Save(&v, 2, [&results](bool ok) { results.push_back(ok ? 1 : 0); });
    v.connected = false;
    queue.Save(&v, 2, [&results](bool ok) { results.push_back(ok ? 1 : -1); });
    EXPECT_EQ(results, std::vector<int>{-1}) << "a channel that is not connected is refused at once";
    queue.WaitIdle();
    EXPECT_TRUE(queue.Idle());
    const auto failed = std::find(results.begin(), results.end(), 0);
    ASSERT_NE(failed, results.end());
    results.erase(failed);
    EXPECT_EQ(results, (std::vector<int>{-1, 10, 11, 12, 13, 14}));
    const std::string bytes = ReadBytes(Path("run_21.csv"));
    EXPECT_NE(bytes.find("\r\n38764;0;1;4;4;4;\r\n[PROTOCOL]"), std::string::npos);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text.rfind("Error in making the file!\n", 0), 0u);
}

// A file written in pieces (head, rows in several runs, sections) is the file written whole,
// byte for byte, in either encoding; the layout says where its rows are.
TEST_F(RecordedDataFileTest, PiecesOfTheFileAreTheWholeFile)
{
    for (const char* label : {"Error!", "Prog \xCE\xA9"}) {  // the second needs UTF-8
        SCOPED_TRACE(label);
        FakeDataFileView v;
        FillSample(v);
        v.series[0]->SetXLabel(0, label);
        const TRecordedData all = CaptureRecordedData(v, Path("run_21.csv"));
        TRecordedDataLayout layout;
        const std::string whole = BuildRecordedDataFile(all, &layout);
        const bool utf8 = RecordedDataNeedsUtf8(all);
        EXPECT_EQ(layout.Utf8, utf8);
        TRecordedData first = CaptureRecordedRows(v, Path("run_21.csv"), 0);
        TRecordedData rest = CaptureRecordedRows(v, Path("run_21.csv"), 2);
        first.X.resize(2);
        first.Errors.resize(2);
        for (auto& c : first.Columns) c.Values.resize(2);
        std::string pieces = BuildRecordedDataHead(all, utf8);
        AppendRecordedDataRows(pieces, first, utf8);
        AppendRecordedDataRows(pieces, rest, utf8);
        EXPECT_EQ(pieces.size(), layout.RowsEnd);
        pieces += BuildRecordedDataSections(all, utf8);
        EXPECT_EQ(pieces, whole);
        ASSERT_EQ(layout.RowStarts.size(), 3u);
        EXPECT_EQ(whole.substr(layout.RowStarts[2], 8), "38751,5;");
    }
}

// A file cut off anywhere while its rows are written reads with every row whose line end
// was written, the half-written last line dropped; the reader says that the file was cut
// short, also when the cut is in its sections, and names where the rest of it may wait.
TEST_F(RecordedDataFileTest, AFileCutOffAnywhereReadsEveryCompleteRow)
{
    FakeDataFileView v;
    v.Record(3, 40);
    v.fileName = Path("run");
    v.memos[TDataFileMemo::SerialData] = {"03.02.2006 12:00:00 Start"};
    TRecordedDataLayout layout;
    const std::string whole = BuildRecordedDataFile(CaptureRecordedData(v, Path("run_11.csv")), &layout);
    const TRecordedDataRead full = ParseRecordedDataFile(whole);
    ASSERT_FALSE(full.Damaged());
    for (size_t cut = layout.RowStarts.front(); cut <= whole.size(); ++cut) {
        const std::string_view part = std::string_view(whole).substr(0, cut);
        const TRecordedDataRead r = ParseRecordedDataFile(part);
        ASSERT_TRUE(r.Loaded) << cut;
        const int complete = int(std::upper_bound(layout.RowStarts.begin() + 1, layout.RowStarts.end(), cut) -
                                 layout.RowStarts.begin()) -
                             1 + (cut >= layout.RowsEnd ? 1 : 0);
        ASSERT_EQ(r.Rows(), complete) << cut;
        for (int i = 0; i < r.Rows(); ++i) {
            ASSERT_EQ(r.X[size_t(i)], full.X[size_t(i)]) << cut;
            ASSERT_EQ(r.Y[2][size_t(i)], full.Y[2][size_t(i)]) << cut;
        }
        if (cut + 3 >= whole.size() && r.Problems.empty()) continue;  // only "$" or "$;" of the end was written
        ASSERT_EQ(r.Problems.size(), 1u) << cut;
        ASSERT_EQ(r.Problems[0].Kind, TDataFileProblemKind::CutShort) << cut;
        if (cut <= layout.RowsEnd + 1) {
            ASSERT_EQ(r.Problems[0].Line, 0) << cut;
        }
        if (cut == whole.size() - 4 || cut == layout.RowsEnd + 40) {
            // Opened, it says where the end of its last write may wait.
            const std::string cutFile = Path("cut_in_sections.csv");
            std::ofstream(cutFile, std::ios::binary) << part;
            support::TestDialogs().Clear();
            FakeDataFileView opened;
            EXPECT_TRUE(ApplyRecordedData(opened, ReadRecordedDataFile(cutFile), cutFile));
            ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
            const AnsiString text = support::TestDialogs().LastMessage().text;
            EXPECT_NE(text.find("The file ends inside its protocol, memo and info: it was cut short"),
                      std::string::npos)
                << text;
            EXPECT_NE(text.find(" as run_11.csv.recovery."), std::string::npos) << text;
            EXPECT_EQ(opened.series[0]->Count(), 40);
        }
    }
    // A power cut may leave zeros where the last writes did not reach the disk.
    const TRecordedDataRead zeros =
        ParseRecordedDataFile(whole.substr(0, layout.RowStarts[5]) + std::string(300, '\0'));
    EXPECT_EQ(zeros.Rows(), 5);
    ASSERT_EQ(zeros.Problems.size(), 1u);
    EXPECT_EQ(zeros.Problems[0].Kind, TDataFileProblemKind::CutShort);
    const TRecordedDataRead torn =
        ReadRecordedDataFile(std::string(NOX_TEST_DATA_DIR) + "/datafile/truncated_in_row.csv");
    EXPECT_EQ(torn.Rows(), 2);
    ASSERT_EQ(torn.Problems.size(), 1u);
    EXPECT_EQ(torn.Problems[0].Kind, TDataFileProblemKind::CutShort);
    // Opened, it shows what it holds and says that it was cut short.
    FakeDataFileView view;
    const size_t boxes = support::TestDialogs().MessageCount();
    EXPECT_TRUE(ApplyRecordedData(view, ParseRecordedDataFile(whole.substr(0, layout.RowStarts[5])), Path("cut.csv")));
    EXPECT_EQ(view.series[0]->Count(), 5);
    ASSERT_EQ(support::TestDialogs().MessageCount(), boxes + 1);
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("cut short"), std::string::npos)
        << support::TestDialogs().LastMessage().text;
}

// A UTF-8 file cut inside a character, in a line of its sections or in a section's end mark,
// reads without that character's first bytes: every line read is the start of a line that
// was written, none gets a character nobody wrote.
TEST_F(RecordedDataFileTest, AUtf8FileCutInsideACharacterDropsWhatWasWrittenOfIt)
{
    FakeDataFileView v;
    v.Record(3, 5);
    v.fileName = Path("run");
    v.memos[TDataFileMemo::SerialData] = {"03.02.2006 12:00:00 Start \xF0\x9F\x99\x82", "\xCE\xA9 2"};
    v.memos[TDataFileMemo::Memo] = {
        "25 \xC2\xB0"
        "C \xE2\x82\xAC"};
    TRecordedDataLayout layout;
    const std::string whole = BuildRecordedDataFile(CaptureRecordedData(v, Path("run_11.csv")), &layout);
    ASSERT_TRUE(layout.Utf8);
    const TRecordedDataRead full = ParseRecordedDataFile(whole);
    ASSERT_FALSE(full.Damaged());
    std::vector<std::string> written;
    for (size_t at = 0, end = 0; (end = whole.find("\r\n", at)) != std::string::npos; at = end + 2)
        written.push_back(whole.substr(at, end - at));
    for (size_t cut = layout.RowsEnd; cut < whole.size(); ++cut) {
        const TRecordedDataRead r = ParseRecordedDataFile(std::string_view(whole).substr(0, cut));
        ASSERT_EQ(r.Rows(), full.Rows()) << cut;
        for (const std::vector<AnsiString>* section : {&r.EventProtocol, &r.Memo, &r.Info})
            for (const AnsiString& line : *section)
                ASSERT_TRUE(std::any_of(written.begin(), written.end(),
                                        [&](const std::string& w) { return w.rfind(line, 0) == 0; }))
                    << cut << ": " << line;
    }
}

// A write cut off after its side file was saved is read whole, and the view's protocol
// names the side file it was completed from. A side file beside a file that it does not
// fit (here one of an earlier format) is kept, and opening the file says that an
// unfinished write waits beside it, naming it.
TEST_F(RecordedDataFileTest, AnUnfinishedWriteBesideAFileIsNamedWhenItIsOpened)
{
    FakeDataFileView v;
    v.Record(3, 4);
    const std::string path = Path("run_11.csv"), pending = path + ".recovery";
    {
        TRecordedDataLayout layout;
        const std::string whole = BuildRecordedDataFile(CaptureRecordedData(v, path), &layout);
        platform::TGrowingFile file;
        ASSERT_TRUE(file.Create(path, whole.substr(0, layout.RowStarts[2]) + "$;\r\n"));
        gSyncFails = true;
        EXPECT_FALSE(file.WriteFrom(layout.RowStarts[2], whole.substr(layout.RowStarts[2])));
        gSyncFails = false;
        ASSERT_TRUE(std::filesystem::exists(pending));
        ASSERT_EQ(::truncate(path.c_str(), off_t(layout.RowStarts[3] + 5)), 0);
        const TRecordedDataRead completed = ReadRecordedDataFile(path);
        EXPECT_EQ(completed.Rows(), 4);
        EXPECT_FALSE(completed.Damaged());
        FakeDataFileView view;
        EXPECT_TRUE(ApplyRecordedData(view, completed, path));
        const std::vector<AnsiString>& protocol = view.memos[TDataFileMemo::SerialData];
        EXPECT_NE(
            std::find(protocol.begin(), protocol.end(),
                      "The last write of this file was cut off; the end it was writing was read from " + pending + "."),
            protocol.end());
    }
    ASSERT_TRUE(platform::SaveFileAtomic(path, BuildRecordedDataFile(CaptureRecordedData(v, path))));
    ASSERT_TRUE(platform::SaveFileAtomic(pending,
                                         "pending file end 1 dev=1 ino=2 size=9 offset=3 length=1 "
                                         "head=0 crc=0\nx"));
    const TRecordedDataRead r = ReadRecordedDataFile(path);
    EXPECT_EQ(r.Rows(), 4);
    ASSERT_EQ(r.Problems.size(), 1u);
    EXPECT_EQ(r.Problems[0].Kind, TDataFileProblemKind::PendingWriteWaits);
    FakeDataFileView view;
    EXPECT_TRUE(ApplyRecordedData(view, r, path));
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "The file contains faulty data!\nAn unfinished write of this file waits beside it in " + pending +
                  ". It does not fit the file as it is now and was not applied; it is kept.");
    EXPECT_TRUE(std::filesystem::exists(pending));
}

namespace {

// The rows a running recording took since `from`, as the channel hands them to its file.
TGrowingRows NewRows(const FakeDataFileView& v, const std::string& path, int from, std::int64_t ticks)
{
    TGrowingRows rows;
    rows.Path = path;
    rows.FirstRow = from;
    rows.Ticks = ticks;
    rows.Data = CaptureRecordedRows(v, path, from);
    return rows;
}

}  // namespace

// The growing file is written about once a minute, with the rows and lines appended since,
// and synced then: between writes it stays as it was, and after each write it is the file a
// save of that moment writes, also when rows are written again with a new label (kept ones
// or ones already written) and the sections change. What it cannot follow (other texts in
// the head, an encoding change, a gap, a file moved away) asks for a whole write.
TEST_F(RecordedDataFileTest, AGrowingFileIsAlwaysTheFileASaveWrites)
{
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    FakeDataFileView v;
    FillSample(v);
    const std::string path = Path("run_21.csv");
    bool saved = false;
    queue.Save(
        &v, 2, [&](bool ok) { saved = ok; }, TPartFileUse::Growing, true);
    queue.WaitIdle();
    ASSERT_TRUE(saved);
    auto expected = [&] { return BuildRecordedDataFile(CaptureRecordedData(v, path)); };
    // Each write's side file proves both states a kill inside the write leaves (the file as
    // it was, and cut at the offset and followed by the whole new end): the checksums the
    // writer carries on for the sections are those of what it writes. Checked as the writer
    // syncs the file, on copies of the file's states beside a copy of the side file.
    QTemporaryDir proofs;
    const std::string proof = proofs.filePath("proof.csv").toStdString();
    std::string beforeWrite;
    int proven = 0;
    std::vector<std::string> unproven;
    std::function<void(int)> prove = [&](int fd) {
        struct stat synced {
        }, named{};
        if (::fstat(fd, &synced) != 0 || ::stat(path.c_str(), &named) != 0 || synced.st_ino != named.st_ino ||
            !std::filesystem::exists(path + ".recovery"))
            return;
        const std::string written = ReadBytes(path);
        for (const bool begun : {false, true}) {
            const std::string& state = begun ? written : beforeWrite;
            std::filesystem::copy_file(path + ".recovery", proof + ".recovery",
                                       std::filesystem::copy_options::overwrite_existing);
            std::ofstream(proof, std::ios::binary | std::ios::trunc) << state;
            std::string read;
            platform::TPendingWriteState found{};
            if (!platform::ReadGrowingFile(proof, 1 << 24, read, nullptr, nullptr, &found) ||
                found != platform::TPendingWriteState::Applied || read != written)
                unproven.push_back(std::string(begun ? "written" : "not begun") + " at write " +
                                   std::to_string(proven));
        }
        ++proven;
    };
    gBeforeSync = &prove;
    const TScopeExit noMoreProofs([] { gBeforeSync = nullptr; });
    std::vector<TGrowResult> results;
    auto append = [&](TGrowingRows rows) {
        beforeWrite = ReadBytes(path);
        queue.Append(std::move(rows), [&](TGrowResult r, const std::string&) { results.push_back(r); });
        queue.WaitIdle();
    };
    int handed = 3;
    std::int64_t ticks = 0;
    int writes = 0;
    // One tick each: the file is either untouched or written (and synced) whole and right.
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            const double x = 38752 + handed / 86400.0;
            for (int k = 0; k < 3; ++k) v.series[size_t(k)]->AddXY(x, handed * 0.5 + k);
            ticks += std::int64_t(v.interval) * 1000;
            const std::string before = ReadBytes(path);
            const std::int64_t syncs = queue.SyncCount();
            append(NewRows(v, path, handed, ticks));
            handed = v.series[0]->Count();
            if (queue.SyncCount() == syncs) {
                ASSERT_EQ(ReadBytes(path), before) << ticks;
            } else {
                ASSERT_EQ(ReadBytes(path), expected()) << ticks;
                ++writes;
            }
        }
    };
    const std::int64_t syncs = queue.SyncCount();
    const int dataSyncs = gDataSyncs;
    tick(5);
    EXPECT_EQ(writes, 0);

    // A label set on the row before the newest, and new lines in the sections.
    auto changeLabelAndSections = [&](int row, const char* protocolLine) {
        v.series[2]->SetXLabel(row, "Segment " + IntToStr(row));
        v.memos[TDataFileMemo::SerialData].push_back(protocolLine);
        v.memos[TDataFileMemo::Memo] = {protocolLine};
        TGrowingRows again = NewRows(v, path, row, ticks);
        again.ProtocolFrom = int(v.memos[TDataFileMemo::SerialData].size()) - 1;
        again.Data.EventProtocol = {protocolLine};
        again.OtherMemos = true;
        CaptureOtherMemos(v, again.Data);
        append(std::move(again));
    };
    changeLabelAndSections(handed - 2, "03.02.2006 12:31:00 Timeout !");
    // Ten minutes at 1 s: the data went to the file and the disk every 55 s or so.
    tick(600);
    EXPECT_GE(queue.SyncCount() - syncs, 10);
    EXPECT_LE(queue.SyncCount() - syncs, 11);
    EXPECT_EQ(writes, queue.SyncCount() - syncs);
    EXPECT_EQ(gDataSyncs - dataSyncs, queue.SyncCount() - syncs);
    // A label on a row that is in the file already.
    changeLabelAndSections(handed - 60, "03.02.2006 12:41:00 Timeout !");
    const int writesBefore = writes;
    tick(60);
    EXPECT_EQ(writes, writesBefore + 1);
    EXPECT_TRUE(results.empty());

    // Protocol lines replaced, the first of them written already, the second not yet: the
    // next write holds the new ones, and the lines after them follow as before.
    auto replaceProtocol = [&](int back, std::vector<AnsiString> lines) {
        std::vector<AnsiString>& protocol = v.memos[TDataFileMemo::SerialData];
        const int from = int(protocol.size()) - back;
        protocol.resize(size_t(from));
        protocol.insert(protocol.end(), lines.begin(), lines.end());
        TGrowingRows again = NewRows(v, path, handed, ticks);
        again.ProtocolFrom = from;
        again.Data.EventProtocol = std::move(lines);
        append(std::move(again));
    };
    replaceProtocol(0, {"03.02.2006 12:42:00 Timeout !"});
    replaceProtocol(2, {"03.02.2006 12:42:01 Replaced", "03.02.2006 12:42:02 Replaced too"});
    tick(60);
    EXPECT_EQ(writes, writesBefore + 2);
    // A new line out of Windows-1252 asks for a whole write in UTF-8; one replaced by a line
    // that fits again lets the next whole write go back to Windows-1252.
    replaceProtocol(0, {"03.02.2006 12:43:00 \xCE\xA9 out of Windows-1252"});
    EXPECT_EQ(results, std::vector<TGrowResult>{TGrowResult::Rewrite});
    results.clear();
    queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
    queue.WaitIdle();
    ASSERT_EQ(ReadBytes(path), expected());
    replaceProtocol(1, {"03.02.2006 12:43:00 fits again"});
    EXPECT_EQ(results, std::vector<TGrowResult>{TGrowResult::Rewrite});
    results.clear();
    queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
    queue.WaitIdle();
    ASSERT_EQ(ReadBytes(path), expected());
    EXPECT_EQ(ReadBytes(path).rfind("\xEF\xBB\xBF", 0), std::string::npos);

    // At 60 s every row goes to the disk at once.
    v.interval = 60;
    queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
    queue.WaitIdle();
    writes = 0;
    tick(3);
    EXPECT_EQ(writes, 3);

    // What asks for a whole write.
    auto rewriteAfter = [&](const std::function<void()>& change, TGrowResult first = TGrowResult::Rewrite) {
        results.clear();
        change();
        tick(1);
        EXPECT_EQ(results, std::vector<TGrowResult>{first});
        results.clear();
        tick(1);  // nothing more is written after it until the file is written whole
        EXPECT_EQ(results, std::vector<TGrowResult>{TGrowResult::Rewrite});
        queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
        queue.WaitIdle();
        EXPECT_EQ(ReadBytes(path), expected());
        results.clear();
        tick(2);
        EXPECT_TRUE(results.empty());
    };
    int outside = 0;
    rewriteAfter([&] { v.series[0]->SetXLabel(outside = --handed, "\xCE\xA9 out of Windows-1252"); });
    // That label replaced by one that fits: the file goes back to Windows-1252 as a save's.
    rewriteAfter([&] {
        v.series[0]->SetXLabel(outside, "Error!");
        handed = outside;
    });
    EXPECT_EQ(ReadBytes(path).rfind("\xEF\xBB\xBF", 0), std::string::npos);
    rewriteAfter([&] { v.series[1]->SetTitle("TExtern [K]"); });
    rewriteAfter([&] { v.interval = 5; });
    rewriteAfter([&] { handed -= 100; });  // further back than the rows it can find
    rewriteAfter([&] { ++handed; });       // a row left out
    // A file deleted by hand is told apart: the channel says that it was written anew.
    rewriteAfter([&] { std::filesystem::remove(path); }, TGrowResult::Gone);
    // The two rows after the whole write wait for the next write, or for the file's end.
    EXPECT_EQ(ParseRecordedDataFile(ReadBytes(path)).Rows(), v.series[0]->Count() - 2);
    beforeWrite = ReadBytes(path);
    queue.EndGrowing(path);
    queue.WaitIdle();
    EXPECT_EQ(ReadBytes(path), expected());
    EXPECT_GE(proven, 15);
    EXPECT_EQ(unproven, std::vector<std::string>{});

    // A part that ends is written whole and grows no more.
    queue.Save(&v, 2, {}, TPartFileUse::Final);
    queue.WaitIdle();
    tick(1);
    EXPECT_EQ(results, std::vector<TGrowResult>{TGrowResult::Rewrite});
    EXPECT_EQ(ParseRecordedDataFile(ReadBytes(path)).Rows(), v.series[0]->Count() - 1);
}

// While the drive of two files does not answer, the appends of each wait as one job, so that
// what waits grows with the rows and not by a job per tick. Let go, the file is the file the
// appends write one by one, synced as often at most, and every append hears its result in
// turn. Appends are never merged across a whole save or the end of growing.
TEST_F(RecordedDataFileTest, AppendsToAFileThatDoesNotAnswerWaitAsOne)
{
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    FakeDataFileView v, w;
    FillSample(v);
    FillSample(w);
    const std::string path = Path("run_21.csv");
    const std::string other = Path("run_31.csv");
    auto expected = [&] { return BuildRecordedDataFile(CaptureRecordedData(v, path)); };
    int handed = 3, handedOther = 3;
    std::int64_t ticks = 0;
    // What each file's appends hear: the append's number for Rewrite, -1 for anything else.
    std::vector<int> heard, heardOther;
    int appended = 0, appendedOther = 0;
    auto append = [&](FakeDataFileView& view, const std::string& name, int from,
                      const std::function<void(TGrowingRows&)>& change = {}) {
        TGrowingRows rows = NewRows(view, name, from, ticks);
        if (change) change(rows);
        const bool first = &view == &v;
        std::vector<int>& results = first ? heard : heardOther;
        const int index = (first ? appended : appendedOther)++;
        queue.Append(std::move(rows), [&results, index](TGrowResult r, const std::string&) {
            results.push_back(r == TGrowResult::Rewrite ? index : -1);
        });
    };
    auto tick = [&](bool both) {
        ticks += 1000;
        const double x = 38752 + double(ticks) / 86400000.0;
        for (int k = 0; k < 3; ++k) v.series[size_t(k)]->AddXY(x, double(ticks) / 2000 + k);
        append(v, path, handed);
        handed = v.series[0]->Count();
        if (!both) return;
        for (int k = 0; k < 3; ++k) w.series[size_t(k)]->AddXY(x, k);
        append(w, other, handedOther);
        handedOther = w.series[0]->Count();
    };
    // A new label on the row before the newest, and protocol lines, the second following the first.
    auto labelAndLine = [&](const char* line) {
        v.series[2]->SetXLabel(handed - 2, line);
        std::vector<AnsiString>& protocol = v.memos[TDataFileMemo::SerialData];
        protocol.push_back(line);
        append(v, path, handed - 2, [&](TGrowingRows& rows) {
            rows.ProtocolFrom = int(protocol.size()) - 1;
            rows.Data.EventProtocol = {line};
        });
    };

    // The first file grows; the other's part was written whole and grows no more (its appends
    // ask for a whole write). Both writes hang.
    {
        support::HangingFileSystem share(
            [&](const std::string& p, bool write) { return write && (p == path || p == other); });
        queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
        queue.Save(&w, 3, {}, TPartFileUse::Final, true);
        ASSERT_TRUE(share.AwaitHang(2));
        const std::int64_t syncs = queue.SyncCount();
        for (int i = 0; i < 60; ++i) {
            tick(true);
            if (i == 20) labelAndLine("03.02.2006 12:31:00 Timeout !");
            if (i == 40) labelAndLine("03.02.2006 12:31:20 Timeout !");
        }
        EXPECT_EQ(queue.WaitingJobs(), 2);
        EXPECT_TRUE(heard.empty() && heardOther.empty());
        share.Release();
        queue.WaitIdle();
        // The data were more than a minute old: they went to the file and the disk, once.
        EXPECT_EQ(queue.SyncCount() - syncs, 1);
        EXPECT_EQ(ReadBytes(path), expected());
        EXPECT_EQ(heard, std::vector<int>{});
        std::vector<int> inTurn(60);
        std::iota(inTurn.begin(), inTurn.end(), 0);
        EXPECT_EQ(heardOther, inTurn);
    }

    // A save and the end of growing part the appends that wait around them.
    support::HangingFileSystem share([&](const std::string& p, bool write) { return write && p == path; });
    queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
    ASSERT_TRUE(share.AwaitHang());
    for (int i = 0; i < 3; ++i) tick(false);
    queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
    for (int i = 0; i < 2; ++i) tick(false);
    queue.EndGrowing(path);
    const std::string whole = expected();
    tick(false);
    EXPECT_EQ(queue.WaitingJobs(), 5);
    share.Release();
    queue.WaitIdle();
    EXPECT_EQ(ReadBytes(path), whole);
    // The append after the end hears that the file must be written whole.
    EXPECT_EQ(heard, std::vector<int>{appended - 1});
}

// Appends that wait for a file that does not answer are merged only where the later one
// continues the earlier one: rows that leave a gap behind the earlier ones, or protocol lines
// that do not follow its lines, are no continuation. Such an append is handed over alone and
// hears that the file must be written whole, as it would have without the wait.
TEST_F(RecordedDataFileTest, WaitingAppendsThatDoNotContinueEachOtherStayApart)
{
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    for (const bool rowGap : {true, false}) {
        SCOPED_TRACE(rowGap ? "rows with a gap" : "protocol lines with a gap");
        FakeDataFileView v;
        FillSample(v);
        v.fileName = Path(rowGap ? "gap" : "lines");
        const std::string path = Path(rowGap ? "gap_21.csv" : "lines_21.csv");
        support::HangingFileSystem share([&](const std::string& p, bool write) { return write && p == path; });
        queue.Save(&v, 2, {}, TPartFileUse::Growing, true);
        ASSERT_TRUE(share.AwaitHang());
        std::vector<AnsiString>& protocol = v.memos[TDataFileMemo::SerialData];
        const int handed = v.series[0]->Count();
        for (int i = 1; i <= 4; ++i)
            for (int k = 0; k < 3; ++k) v.series[size_t(k)]->AddXY(38752 + i / 86400.0, i + k);
        protocol.push_back("line 1");
        protocol.push_back("line 2");
        std::vector<TGrowResult> heard(2, TGrowResult::Written);
        TGrowingRows first = NewRows(v, path, handed, 1000);
        first.Data.X.resize(1);
        first.Data.Errors.resize(1);
        for (auto& c : first.Data.Columns) c.Values.resize(1);
        first.ProtocolFrom = int(protocol.size()) - 2;
        first.Data.EventProtocol = {"line 1"};
        // The second append begins two rows behind the first one's (with a line and no rows
        // of its own), or its line is the one after "line 2" while "line 2" never came.
        TGrowingRows second = NewRows(v, path, rowGap ? handed + 2 : handed + 1, 2000);
        if (rowGap) {
            second.Data.X.clear();
            second.Data.Errors.clear();
            for (auto& c : second.Data.Columns) c.Values.clear();
        }
        second.ProtocolFrom = int(protocol.size()) - (rowGap ? 1 : 0);
        second.Data.EventProtocol = {rowGap ? "line 2" : "line 3"};
        queue.Append(std::move(first), [&](TGrowResult r, const std::string&) { heard[0] = r; });
        queue.Append(std::move(second), [&](TGrowResult r, const std::string&) { heard[1] = r; });
        EXPECT_EQ(queue.WaitingJobs(), 2);
        share.Release();
        queue.WaitIdle();
        EXPECT_EQ(heard[0], TGrowResult::Written);
        EXPECT_EQ(heard[1], TGrowResult::Rewrite);
        queue.EndGrowing(path);
        queue.WaitIdle();
    }
}

// A cut file moved under a new name without its side file: the message on opening it names
// the side file by the name it has in the folder the file came from.
TEST_F(RecordedDataFileTest, ACutFileMovedUnderANewNameNamesItsSideFileByItsOldName)
{
    FakeDataFileView v;
    FillSample(v);
    TRecordedDataLayout layout;
    const std::string bytes = BuildRecordedDataFile(CaptureRecordedData(v, "/data/old/run_11.csv"), &layout);
    const std::string moved = Path("renamed.csv");
    {
        std::ofstream out(moved, std::ios::binary);
        out << bytes.substr(0, layout.RowsEnd);
    }
    const TRecordedDataRead read = ReadRecordedDataFile(moved);
    const auto cut = std::find_if(read.Problems.begin(), read.Problems.end(),
                                  [](const TDataFileProblem& p) { return p.Kind == TDataFileProblemKind::CutShort; });
    ASSERT_NE(cut, read.Problems.end());
    EXPECT_EQ(cut->Detail, "run_11.csv.recovery");
    EXPECT_EQ(read.Rows(), 3);
}

// The workers started while files did not answer end once they have nothing to do: a long
// run keeps no thread for each hang it met, only one that waits for the next file.
TEST_F(RecordedDataFileTest, WorkersStartedWhileFilesHungEndOnceIdle)
{
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    queue.WaitIdle();
    FakeDataFileView views[3];
    for (FakeDataFileView& v : views) FillSample(v);
    const std::vector<std::string> hung = {Path("run_21.csv"), Path("run_31.csv"), Path("run_41.csv")};
    // The workers end as they come back from their last job, a moment after its result.
    auto oneLeft = [&] {
        for (int i = 0; i < 1000 && queue.Workers() > 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return queue.Workers() <= 1;
    };
    ASSERT_TRUE(oneLeft()) << queue.Workers() << " workers left by earlier saves";
    for (int round = 0; round < 2; ++round) {
        {
            support::HangingFileSystem share([&](const std::string& p, bool write) {
                return write && std::find(hung.begin(), hung.end(), p) != hung.end();
            });
            for (int i = 0; i < 3; ++i) queue.Save(&views[i], 2 + i, {}, TPartFileUse::Final, true);
            ASSERT_TRUE(share.AwaitHang(3)) << round;
            EXPECT_GE(queue.Workers(), 3) << round;
            share.Release();
            queue.WaitIdle();
        }
        EXPECT_TRUE(oneLeft()) << round << ": " << queue.Workers() << " workers left";
        for (const std::string& p : hung) EXPECT_FALSE(ReadBytes(p).empty()) << p;
    }
}

// The workers that wrote growing files stay while the files grow: a tick's appends find them
// waiting and start none (a thread started and ended at every tick costs the user-interface
// thread more than the appends). Once the recordings end, one is left.
TEST_F(RecordedDataFileTest, WorkersOfGrowingFilesStayUntilTheFilesEnd)
{
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    queue.WaitIdle();
    FakeDataFileView views[3];
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        views[i].Record(3, 5);
        views[i].fileName = Path("grow");
        names.push_back(RecordedDataFileName(views[i], 2 + i));
    }
    {
        // Each file's first write is held, so that each has a worker of its own.
        support::HangingFileSystem share([&](const std::string& p, bool write) {
            return write && std::find(names.begin(), names.end(), p) != names.end();
        });
        for (int i = 0; i < 3; ++i) queue.Save(&views[i], 2 + i, {}, TPartFileUse::Growing, true);
        ASSERT_TRUE(share.AwaitHang(3));
        share.Release();
        queue.WaitIdle();
    }
    std::vector<int> handed(3, 5);
    std::int64_t started = 0;
    for (int tick = 1; tick <= 21; ++tick) {
        // After the first tick every worker waits again as soon as its append is done.
        if (tick == 2) started = queue.WorkersStarted();
        for (int i = 0; i < 3; ++i) {
            views[i].Record(3, 1, 38751.25 + (4 + tick) / 86400.0);
            queue.Append(NewRows(views[i], names[size_t(i)], handed[size_t(i)], tick * 1000), {});
            ++handed[size_t(i)];
        }
        queue.WaitIdle();
    }
    EXPECT_EQ(queue.WorkersStarted(), started);
    EXPECT_GE(queue.Workers(), 3);
    for (const std::string& name : names) queue.EndGrowing(name);
    queue.WaitIdle();
    for (int i = 0; i < 1000 && queue.Workers() > 1; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(queue.Workers(), 1);
    for (const std::string& name : names) EXPECT_EQ(ReadRecordedDataFile(name).Rows(), 26) << name;
}
