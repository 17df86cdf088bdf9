#include <gtest/gtest.h>

#include <QListWidget>
#include <QProgressBar>
#include <algorithm>

#include "app/CLanguage.h"
#include "app/QzvFile.h"
#include "app/RecordedDataReader.h"
#include "app/classFileReader.h"
#include "platform/DateTime.h"
#include "support/FakeDataFileView.h"
#include "support/PeakMemory.h"

namespace {

class FileReaderImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
        clock.Set(EncodeDate(2006, 5, 12) + EncodeTime(15, 0, 0, 0));
        platform::SetClock(&clock);
        reader.OnSeriesShowLeft = [this](IDataFileView&) { ++showLeftCalls; };
    }
    void TearDown() override
    {
        platform::SetClock(nullptr);
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
    }
    static AnsiString File(const char* name) { return std::string(NOX_TEST_DATA_DIR) + "/datafile/" + name; }
    static std::vector<AnsiString> Items(const QListWidget* list)
    {
        std::vector<AnsiString> r;
        for (int i = 0; i < list->count(); ++i) r.push_back(list->item(i)->text().toStdString());
        return r;
    }

    platform::ManualClock clock;
    TfrmFileReader reader;
    FakeDataFileView view;
    int showLeftCalls = 0;
};

}  // namespace

TEST_F(FileReaderImportTest, SixteenColumnFileIsAnalysedAndRead)
{
    const AnsiString path = File("sixteen.qzv");
    ASSERT_FALSE(OpenDataFile(view, path, &reader));  // the import loads it, not the reader
    EXPECT_TRUE(view.imported);
    EXPECT_EQ(view.timeAxisLabel, "Time in seconds");
    EXPECT_EQ(ImportColumnCount, 16);
    EXPECT_EQ(reader.FileInfoLines(),
              (std::vector<AnsiString>{
                  "Analysis of file header...", AnsiString(35, '-'), "Current path and file name: " + path,
                  "Previous path and file name: C:\\old\\run.qzv", "Date: 12.05.2006", "Time: 14:30", "Comment: Probe1",
                  "16 row(s) of values identified", "Process data is being read", "Graph is being updated"}));
    EXPECT_EQ(view.memos[TDataFileMemo::Info], (std::vector<AnsiString>{"Previous path and file name: C:\\old\\run.qzv",
                                                                        "Date: 12.05.2006", "Time: 14:30"}));
    EXPECT_EQ(view.memos[TDataFileMemo::Memo], std::vector<AnsiString>{"Probe1"});
    EXPECT_EQ(view.memos[TDataFileMemo::SerialData], std::vector<AnsiString>{"12.05.2006 15:00:00 QZV file reading"});
    EXPECT_EQ(view.title, std::vector<AnsiString>{""});
    EXPECT_EQ(view.bottomTitle, "Time in seconds");
    EXPECT_EQ(view.bottomFormat, "ss");
    EXPECT_TRUE(view.graphPageShown);
    EXPECT_TRUE(view.pagesShown);
    EXPECT_EQ(showLeftCalls, 1);
    EXPECT_EQ(reader.proProgress->value(), 86400);

    EXPECT_EQ(Items(reader.lstRightAxis), (std::vector<AnsiString>{"K3", "K7", "K8", "K9", "K10", "K14"}));
    EXPECT_EQ(reader.lstLeftAxis->count(), 9);
    EXPECT_EQ(view.lineSeries.size(), 15u);
    EXPECT_EQ(view.series[0]->GetTitle(), "K0");
    EXPECT_EQ(view.series[3]->GetVertAxisKind(), aRightAxis);
    EXPECT_EQ(view.series[13]->GetVertAxisKind(), aLeftAxis);
    for (int k = 0; k < 15; ++k) EXPECT_TRUE(view.series[size_t(k)]->GetActive()) << k;
    for (int k = 15; k < 24; ++k) EXPECT_FALSE(view.series[size_t(k)]->GetActive()) << k;
    EXPECT_FALSE(view.series[0]->XValues()->GetDateTime());

    // Rows: decimal point or comma; columns 9 and 10 scaled; a value that is not a number
    // ends its row; missing fields read 0; the empty line ends the data.
    const TChartSeries& s0 = *view.series[0];
    ASSERT_EQ(s0.Count(), 3);
    EXPECT_DOUBLE_EQ(s0.GetxValue(0), 10.5);
    EXPECT_DOUBLE_EQ(s0.GetyValue(0), 20.25);
    EXPECT_DOUBLE_EQ(s0.GetxValue(1), 11.5);
    EXPECT_DOUBLE_EQ(view.series[9]->GetyValue(0), 20);
    EXPECT_DOUBLE_EQ(view.series[10]->GetyValue(0), 5);
    EXPECT_EQ(view.series[2]->Count(), 3);
    EXPECT_EQ(view.series[3]->Count(), 2);
    EXPECT_DOUBLE_EQ(view.series[9]->GetyValue(1), -100);
    EXPECT_DOUBLE_EQ(view.bottomMin, 10.5);
    EXPECT_DOUBLE_EQ(view.bottomMax, 12);

    // Moving a column to the right axis and back.
    reader.lstLeftAxis->setCurrentRow(0);
    reader.cmdRightClick();
    EXPECT_EQ(Items(reader.lstRightAxis).front(), "K0");
    EXPECT_EQ(view.series[0]->GetVertAxisKind(), aRightAxis);
    reader.lstRightAxis->setCurrentRow(0);
    reader.cmdLeftClick();
    EXPECT_EQ(Items(reader.lstLeftAxis).front(), "K0");
    EXPECT_EQ(view.series[0]->GetVertAxisKind(), aLeftAxis);
    EXPECT_EQ(reader.lstRightAxis->count(), 6);
    // Without a selection the arrows do nothing; a closed window is no longer touched.
    reader.lstLeftAxis->setCurrentRow(-1);
    reader.cmdRightClick();
    EXPECT_EQ(reader.lstRightAxis->count(), 6);
    reader.ForgetWindow(&view);
    reader.lstLeftAxis->setCurrentRow(0);
    reader.cmdRightClick();
    EXPECT_EQ(view.series[0]->GetVertAxisKind(), aLeftAxis);
}

TEST_F(FileReaderImportTest, HeaderItemsAndTheTwentyThreeColumnLayout)
{
    ASSERT_TRUE(reader.ImportFile(view, File("testdata.qzv")));
    const auto lines = reader.FileInfoLines();
    EXPECT_EQ(std::vector<AnsiString>(lines.begin() + 3, lines.begin() + 6),
              (std::vector<AnsiString>{"Test data: Versuch7", "Date: 12 May 2006", "Comment: 9x"}));
    EXPECT_EQ(view.title, std::vector<AnsiString>{" Versuch7"});
    // With 23 columns the chart starts with series 3 and 18 on the left axis although the
    // lists show them on the right.
    EXPECT_EQ(view.series[3]->GetVertAxisKind(), aLeftAxis);
    EXPECT_EQ(view.series[18]->GetVertAxisKind(), aLeftAxis);
    EXPECT_EQ(view.series[13]->GetVertAxisKind(), aRightAxis);
    EXPECT_EQ(Items(reader.lstRightAxis), (std::vector<AnsiString>{"S3", "S7", "S8", "S9", "S10", "S13", "S18"}));
    EXPECT_EQ(view.series[21]->Count(), 2);
    EXPECT_DOUBLE_EQ(view.series[21]->GetyValue(1), 22);
    EXPECT_DOUBLE_EQ(view.bottomMax, 60);
}

TEST_F(FileReaderImportTest, UnknownAndFaultyFilesAreReportedAndNotRead)
{
    EXPECT_FALSE(reader.ImportFile(view, File("seventeen.qzv")));
    EXPECT_EQ(reader.FileInfoLines().back(), "Format of data file unknown!");
    EXPECT_EQ(reader.lstLeftAxis->count() + reader.lstRightAxis->count(), 0);
    EXPECT_EQ(view.series[0]->Count(), 0);
    EXPECT_EQ(showLeftCalls, 0);

    EXPECT_FALSE(reader.ImportFile(view, File("faulty.qzv")));
    EXPECT_EQ(reader.FileInfoLines(), (std::vector<AnsiString>{"File contains faulty data!", "Current data:",
                                                               "next line of data", "Format of data file unknown!"}));
    // 120 names: only the chart's 24 value series get one.
    EXPECT_EQ(reader.ImportColumnNames[23], "F24");
    EXPECT_EQ(view.series[24]->GetTitle(), "Programmgeber1");

    EXPECT_FALSE(reader.ImportFile(view, File("does_not_exist.qzv")));
    EXPECT_EQ(reader.FileInfoLines().front(), "The file cannot be opened!");

    // A header of millions of items, a column line and a row of millions of fields: counted,
    // and only what is read kept (each would take 64 MB and more); a line is copied once.
    const size_t size = 8u << 20;
    AnsiString items, names = "Time", values = "1", fifteen = "probe\r\nTime";
    while (items.size() < size) items += "x ";
    while (names.size() < size) names += "\tV";
    while (values.size() < size) values += "\t7";
    for (int k = 1; k < 15; ++k) fifteen += "\tV";
    TQzvFile wide, longRow;
    wide.SetText(items + "\r\n" + names + "\r\n");
    longRow.SetText(fifteen + "\r\n" + values + "\r\n");
    TQzvRows rows;
    const std::int64_t growth = support::PeakGrowth([&] {
        EXPECT_EQ(reader.AnalyseQzvFile(&wide, "wide.qzv", view), 0);
        rows = TfrmFileReader::ParseRows(longRow);
    });
    EXPECT_EQ(ImportColumnCount, int(std::count(names.begin(), names.end(), '\t')) + 1);
    ASSERT_EQ(rows.X.size(), 1u);
    EXPECT_EQ(rows.Y[13][0], 7);
    EXPECT_LT(growth, std::int64_t(2 * size) * support::ResidentPerWrittenByte) << "bytes";
}

TEST_F(FileReaderImportTest, HeaderItemsAndChannelNames)
{
    const auto items = ClassifyQzvHeader("Probe 12-05-2006 d:\\x\\y.qzv 7:05 -3 Note\tx 5");
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].Kind, TQzvItemKind::TestData);
    EXPECT_EQ(items[1].Kind, TQzvItemKind::Date);
    EXPECT_EQ(items[2].Kind, TQzvItemKind::PreviousPath);
    EXPECT_EQ(items[3].Kind, TQzvItemKind::Time);
    EXPECT_EQ(items[4].Kind, TQzvItemKind::Comment);
    EXPECT_EQ(items[4].Text, "Note\tx");
    EXPECT_EQ(items[5].Kind, TQzvItemKind::Comment);

    EXPECT_EQ(TfrmFileReader::ChannelFromWindowName("mdiSubWindow"), 1);
    EXPECT_EQ(TfrmFileReader::ChannelFromWindowName("mdiSubWindow_1"), 2);
    EXPECT_EQ(TfrmFileReader::ChannelFromWindowName("mdiSubWindow_9"), 10);
    EXPECT_EQ(TfrmFileReader::ChannelFromWindowName("mdiSubWindow_x"), 0);
    EXPECT_EQ(TfrmFileReader::ChannelFromWindowName("frmMainWindow"), 0);
}

TEST_F(FileReaderImportTest, CarriageReturnsNeverEndUpInNamesTextsOrValues)
{
    // Line ends of CR LF, and a stray CR before them, as other recorders write.
    AnsiString text = "Probe1 12.05.2006 14:30 Note\r\r\nZeit [s]";
    for (int k = 0; k < 14; ++k) text += "\tK" + IntToStr(k) + " [C]";
    text += "\r\n";
    for (int row = 0; row < 2; ++row) {
        text += IntToStr(10 + row);
        for (int k = 0; k < 14; ++k) text += "\t" + IntToStr(k + row);
        text += row == 0 ? "\r\r\n" : "\r\n";
    }
    TQzvFile file;
    file.SetText(text);
    ASSERT_EQ(reader.AnalyseQzvFile(&file, "cr.qzv", view), 1);
    reader.ReadQzvData(file);
    EXPECT_EQ(ImportColumnCount, 15);
    EXPECT_EQ(view.memos[TDataFileMemo::Memo], std::vector<AnsiString>{"Note"});
    EXPECT_EQ(view.series[13]->GetTitle(), "K13");
    for (int k = 0; k < 14; ++k) {
        ASSERT_EQ(view.series[size_t(k)]->Count(), 2) << k;
        for (int row = 0; row < 2; ++row) {
            double expected = k + row;
            if (k == 9) expected -= 100;
            if (k == 10) expected *= 0.1;
            EXPECT_DOUBLE_EQ(view.series[size_t(k)]->GetyValue(row), expected) << k << " " << row;
        }
    }
    for (const AnsiString& line : reader.FileInfoLines()) EXPECT_EQ(line.find('\r'), AnsiString::npos) << line;
}
