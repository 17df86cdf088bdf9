#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/CLanguage.h"
#include "platform/DateTime.h"
#include "support/DataFileRoundTrip.h"
#include "support/ScriptedDialogs.h"

namespace {

class DataFileRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
        clock.Set(EncodeDate(2026, 3, 4) + EncodeTime(10, 20, 30, 0));
        platform::SetClock(&clock);
    }
    void TearDown() override
    {
        platform::SetClock(nullptr);
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        support::TestDialogs().Clear();
    }

    QTemporaryDir dir;
    platform::ManualClock clock;
};

const AnsiString kDelta = "\xCE\x94";                    // outside Windows-1252
const AnsiString kChinese = "\xE6\x95\xB0\xE6\x8D\xAE";  // a folder's name

}  // namespace

// Whatever labels a recording puts on its points, the file gives them back as they were:
// segments named "0" to "3" stay names (not the marks that a bare number stands for), and
// blanks and control characters at a label's ends stay. In a Windows-1252 file and in a
// UTF-8 one alike, and through a view window saved again.
TEST_F(DataFileRoundTripTest, LabelsReadBackAsTheRecordingWroteThem)
{
    support::TDataFileRoundTrip c;
    c.Labels0 = {"Error!", "", "", "", "", "", "Error!", "", "", "", "", ""};
    c.Labels2 = {"", "1", "2", "3", "0", " Ramp 2 ", "\tHold", "end\x01", "New segment", "Heat\r", "", "  "};
    c.NameBytes = "UNIT 7";
    c.EventProtocol = {"04.03.2026 10:20:30 Start"};
    c.Memo = {"note"};
    c.Info = {"File name:", "/data/run_11.csv"};
    EXPECT_EQ(support::CheckDataFileRoundTrip(c), "");
    c.Memo.push_back("\xCE\x94T = 5 K");
    c.FileName = "/data/" + kChinese + "/run_11.csv";
    EXPECT_EQ(support::CheckDataFileRoundTrip(c), "");

    // Opened from the disk, a segment named "1" is no error row in the view.
    FakeDataFileView window;
    support::roundtrip::Fill(window, c, "UNIT 7");
    window.fileName = dir.filePath("run").toStdString();
    ASSERT_TRUE(FileSave1Execute(&window, 1));
    FakeDataFileView view;
    ASSERT_TRUE(ApplyRecordedData(view, ReadRecordedDataFile(dir.filePath("run_11.csv").toStdString()), "run_11.csv"));
    EXPECT_EQ(view.series[0]->GetXLabel(0), "Error!");
    EXPECT_EQ(view.series[0]->GetXLabel(1), "1");
    EXPECT_EQ(view.series[2]->GetXLabel(5), " Ramp 2 ");
    EXPECT_EQ(view.series[0]->GetXLabel(6), "\tHold");

    // Stored files keep their meaning: a bare number is a mark, and blanks around a bare
    // label go.
    const TRecordedDataRead stored = ParseRecordedDataFile(
        "\xA7;04.03.2026;10:20:30;x;;U;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;\r\n46000;1;5;1;\r\n"
        "46001; Prog ;5;2;\r\n46002;0;5;3;\r\n[PROTOCOL];\r\n\xA7;\r\n$;\r\n");
    FakeDataFileView old;
    ASSERT_TRUE(ApplyRecordedData(old, stored, "old.csv"));
    EXPECT_EQ(old.series[0]->GetXLabel(0), "Error!");
    EXPECT_EQ(old.series[0]->GetXLabel(1), "Prog");
    EXPECT_EQ(old.series[0]->GetXLabel(2), "");
}

// A unit's name with bytes beyond ASCII is a text (Windows-1252 where it is no UTF-8): the
// file that holds it, with a memo beyond Windows-1252 beside it, is read with the name as
// the unit sent it. A file an older version wrote with the raw byte behind a byte-order
// mark is read too, the byte taken as Windows-1252.
TEST_F(DataFileRoundTripTest, AUnitsNameBeyondAsciiReadsBackAsSent)
{
    EXPECT_EQ(support::NameFromReply("K\xE4lte 3\xB0"), "K\xC3\xA4lte 3\xC2\xB0");
    EXPECT_EQ(support::NameFromReply("K\xC3\xA4lte"), "K\xC3\xA4lte");
    support::TDataFileRoundTrip c;
    c.Labels0.assign(4, "");
    c.NameBytes = "K\xE4lte \x80 3\xB0  ";
    EXPECT_EQ(support::CheckDataFileRoundTrip(c), "");
    c.Memo = {kDelta + " = 2 K"};
    EXPECT_EQ(support::CheckDataFileRoundTrip(c), "");

    const TRecordedDataRead older = ParseRecordedDataFile(
        "\xEF\xBB\xBF\xC2\xA7;04.03.2026;10:20:30;x;;K\xE4lte;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;A;\r\n"
        "46000;0;5;1;\r\n[PROTOCOL];\r\n\xC2\xA7;\r\n[MEMO];\r\n\xCE\x94;\r\n\xC2\xA7;\r\n$;\r\n");
    EXPECT_TRUE(older.Loaded);
    EXPECT_TRUE(older.Problems.empty());
    EXPECT_EQ(older.DeviceName, "K\xC3\xA4lte");
    EXPECT_EQ(older.Memo, std::vector<AnsiString>{kDelta});
    EXPECT_EQ(older.Rows(), 1);
}

// A UTF-8 file cut off at any byte after its rows (also inside a "§", a "Δ" or a Chinese
// character) is read with its rows and reported as cut short or incomplete, never refused as
// no data file.
TEST_F(DataFileRoundTripTest, AUtf8FileCutInsideACharacterIsReadAsCutShort)
{
    support::TDataFileRoundTrip c;
    c.Labels0.assign(10, "");
    c.Labels2 = {"", "", "Seg " + kDelta};
    c.NameBytes = "UNIT";
    c.EventProtocol = {"10:20:30 " + kDelta + " started", "\xC2\xA7 5"};
    c.Memo = {kDelta, kChinese};
    c.Info = {"\xE2\x82\xAC"};
    EXPECT_EQ(support::CheckDataFileRoundTrip(c), "");

    // A cut file without the byte-order mark (another program copied it) reads as UTF-8
    // when it is UTF-8 up to its cut character.
    FakeDataFileView window;
    support::roundtrip::Fill(window, c, "UNIT");
    const std::string bytes = support::roundtrip::Build(window, "/data/run_11.csv");
    ASSERT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u);
    const std::string memo = "[MEMO];\r\n" + kDelta;
    const size_t inDelta = bytes.find(memo) + memo.size() - 1;
    const TRecordedDataRead cut = ParseRecordedDataFile(std::string_view(bytes).substr(3, inDelta - 3));
    ASSERT_TRUE(cut.Loaded);
    EXPECT_EQ(cut.Rows(), 10);
    EXPECT_EQ(cut.Labels[2], "Seg " + kDelta);
    EXPECT_EQ(cut.EventProtocol.front(), c.EventProtocol.front());
}
