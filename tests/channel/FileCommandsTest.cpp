// The main window's file commands as a user runs them from the menus of the program's own
// windows: opening recorded and imported files into view windows, printing to a PDF printer
// and exporting the chart as pictures.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <cstring>
#include <set>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/RecordedDataWriter.h"
#include "app/TFileCommands.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "app/TfrmWait.h"
#include "app/classFileReader.h"
#include "channel/ProgramForms.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TChartWalls.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeGradient.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "platform/FileFolders.h"
#include "platform/FileSave.h"
#include "platform/TPrinter.h"
#include "platform/TextCodec.h"
#include "programmer/CProgramFile.h"
#include "resources/TextRows.h"
#include "support/FakeDataFileView.h"
#include "support/HangingFileSystem.h"
#include "support/HangingFolders.h"
#include "support/PeakMemory.h"
#include "support/RunProgram.h"
#include "support/SimulatedUnitLine.h"

using namespace channeltest;
using namespace resources;

namespace {

AnsiString English(int row)
{
    AnsiString s;
    return CLanguage::Instance()->LookupText(CLanguage::English, row, s);
}

class FileCommandsTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        forms = std::make_unique<TProgramForms>(CLanguage::English);
        main = forms->MainWindow.get();
        main->tmrPopUp->stop();
        forms->PanelControl->setUpdatesEnabled(false);
    }
    void TearDown() override
    {
        SetPrinter(nullptr);
        forms.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        ChannelFixture::TearDown();
    }

    // Writes part `part` of a recording of `seriesCount` series and `rows` rows, one second
    // apart, with an error mark on row 1 and a program start on row 2.
    AnsiString WriteRecording(int part, int seriesCount, int rows, double x0 = EncodeDate(2026, 3, 27))
    {
        FakeDataFileView v;
        v.Record(seriesCount, rows, x0);
        if (rows > 2) {
            v.series[0]->SetXLabel(1, "Error!");
            v.series[2]->SetXLabel(2, "Ramp 1");
        }
        v.memos[TDataFileMemo::SerialData] = {"27.03.2026 00:00:00 Connected"};
        v.memos[TDataFileMemo::Memo] = {"note"};
        v.memos[TDataFileMemo::Info] = {"BATH 42", "Serial number", "77"};
        v.fileName = Path("rec.csv");
        v.part = part;
        EXPECT_TRUE(FileSave1Execute(&v, 1));
        return Path(("rec_1" + IntToStr(part) + ".csv").c_str());
    }

    // The picture export writes on another thread; its result comes back through the
    // event loop.
    static void WaitForExport()
    {
        while (!platform::BackgroundSavesIdle()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }

    // Opens a file as the user does: the view item (newView) or Ctrl+O, the file chosen in
    // the dialog; waits until it is read.
    TmdiSubWindow* Open(const AnsiString& path, bool newView)
    {
        support::TestDialogs().QueueFileName(path);
        if (newView)
            main->mnuVisualisierung->trigger();
        else
            main->mnuOpenFile->trigger();
        forms->FileCommands->WaitIdle();
        return dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    }

    // A measurement file of 15 value columns and 5 rows.
    void WriteMeasurementFile(const char* name)
    {
        QString text = "c:\\old\\probe.qzv 12.05.2006 14:30 Probe1\r\nTime";
        for (int k = 1; k < 16; ++k) text += QString("\tV%1").arg(k);
        text += "\r\n";
        for (int r = 0; r < 5; ++r) {
            text += QString::number(r * 0.5);
            for (int k = 1; k < 16; ++k) text += QString("\t%1").arg(k * 10 + r);
            text += "\r\n";
        }
        QFile qzv(QString::fromStdString(Path(name)));
        ASSERT_TRUE(qzv.open(QIODevice::WriteOnly));
        qzv.write(text.toLatin1());
        qzv.close();
    }

    std::unique_ptr<TProgramForms> forms;
    TfrmMainWindow* main = nullptr;
};

}  // namespace

TEST_F(FileCommandsTest, RecordedPartsOpenIntoViewWindowsWithTheirValuesAndLabels)
{
    const double day = EncodeDate(2026, 3, 27);
    const AnsiString parts[3] = {WriteRecording(1, 22, 60, day), WriteRecording(2, 22, 60, day + 60 / 86400.0),
                                 WriteRecording(3, 22, 60, day + 120 / 86400.0)};

    TmdiSubWindow* w = Open(parts[0], true);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    EXPECT_EQ(support::TestDialogs().LastFileRequest().filter, English(RowOpenDataFileFilter));
    // The second part replaces the first in the same window (Ctrl+O), the third opens in a
    // window of its own.
    w = Open(parts[1], false);
    EXPECT_EQ(main->ChildWindowCount(), 1);
    TmdiSubWindow* third = Open(parts[2], true);
    ASSERT_NE(third, w);

    for (int part = 1; part <= 2; ++part) {
        TmdiSubWindow* view = part == 1 ? w : third;
        const double x0 = day + (part == 1 ? 60 : 120) / 86400.0;
        for (int s = 0; s < 22; ++s) {
            TChartSeries* series = view->Series(s);
            ASSERT_EQ(series->Count(), 60) << s;
            EXPECT_EQ(series->GetTitle(), AnsiString(FakeDataFileView::Names[s]) +
                                              " [\xC2\xB0"
                                              "C]");
            for (int r : {0, 1, 59}) {
                EXPECT_NEAR(series->GetxValue(r), x0 + r / 86400.0, 1e-9);
                EXPECT_DOUBLE_EQ(series->GetyValue(r), 20 + s + r * 0.25);
            }
            EXPECT_EQ(series->GetXLabel(1), "Error!");
            EXPECT_EQ(series->GetXLabel(2), "Ramp 1");
        }
        EXPECT_EQ(view->graDataGraph->BottomAxis()->GetTitle()->GetCaption(), "Time in hh:mm:ss");
        EXPECT_NEAR(view->graDataGraph->BottomAxis()->GetMinimum(), x0, 1e-9);
        EXPECT_EQ(view->graDataGraph->GetTitle()->Text().front(),
                  "Current file name: REC_1" + IntToStr(part + 1) + ".CSV");
        EXPECT_TRUE(view->memSerialData->toPlainText().contains("60 data sets read!"));
        EXPECT_TRUE(view->graDataGraph->isVisibleTo(view));
        // The overview returns to the whole file.
        EXPECT_NEAR(view->FullRange.TimeMin, x0, 1e-9);
    }
    EXPECT_FALSE(frmWait->isVisible());
    EXPECT_TRUE(main->btnFileOpen->isEnabled());
}

// An opened file's marks (segment names on the setpoint, error marks on the values) draw
// as they would if every point shown were asked for its text, which is made only for the
// labelled ones.
TEST_F(FileCommandsTest, OpenedFileDrawsTheMarksOfItsLabelledPointsAlone)
{
    FakeDataFileView v;
    v.Record(22, 3000, EncodeDate(2026, 3, 27));
    for (int row : {40, 1234, 2999}) v.series[0]->SetXLabel(row, "Error!");
    for (int row : {0, 700, 2500}) v.series[2]->SetXLabel(row, "Ramp " + IntToStr(row));
    v.fileName = Path("marks.csv");
    v.part = 1;
    ASSERT_TRUE(FileSave1Execute(&v, 1));
    TmdiSubWindow* w = Open(Path("marks_11.csv"), true);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->chkLabel->isChecked());
    w->chkError->setChecked(true);
    w->chkErrorClick();
    TCustomChart* chart = w->graDataGraph;
    chart->resize(1000, 600);
    int asked = 0;
    auto picture = [&](bool labelsOnly) {
        for (int s = 0; s < 22; ++s) {
            TChartSeries* series = w->Series(s);
            series->MarksOfLabelsOnly = labelsOnly;
            series->OnGetMarkText = [s, &asked](TChartSeries*, int, AnsiString& text) {
                ++asked;
                TmdiSubWindow::FilterMarkText(s, text);
            };
        }
        asked = 0;
        chart->Invalidate();
        chart->PaintWindow();
        return chart->WindowImage().copy();
    };
    // Series 0 to 2 are switched on, the others only in the legend.
    const QImage each = picture(false);
    EXPECT_EQ(asked, 3 * 3000);
    EXPECT_TRUE(w->Series(2)->Marks()->GetVisible());
    EXPECT_EQ(picture(true), each);
    EXPECT_EQ(asked, 3 * 6);
    for (TChartSeries* s : {w->Series(0), w->Series(2)}) s->Marks()->SetVisible(false);
    EXPECT_NE(picture(true), each);
}

// A file's rows go into the view's series as they stand: times in order let the chart
// draw only the shown stretch, times that step back (a clock set back while recording)
// are drawn in full, as they come.
TEST_F(FileCommandsTest, OpenedFileDrawsTheShownTimesOrAllWhenTheyStepBack)
{
    const double day = EncodeDate(2026, 3, 27);
    const AnsiString inOrder = WriteRecording(1, 3, 600, day);
    FakeDataFileView back;
    for (auto& series : back.series) series->XValues()->SetOrder(loNone);
    back.Record(3, 600, day);
    for (int i = 0; i < 3; ++i) back.series[size_t(i)]->AddXY(day + 100 / 86400.0, 5);
    back.fileName = Path("back.csv");
    back.part = 1;
    ASSERT_TRUE(FileSave1Execute(&back, 1));

    for (const bool stepsBack : {false, true}) {
        TmdiSubWindow* w = Open(stepsBack ? Path("back_11.csv") : inOrder, true);
        ASSERT_NE(w, nullptr);
        TCustomChart* chart = w->graDataGraph;
        chart->resize(800, 500);
        chart->BottomAxis()->SetMinMax(day + 200 / 86400.0, day + 300 / 86400.0);
        chart->PaintWindow();
        const TChartSeries* s = w->Series(0);
        ASSERT_EQ(s->Count(), stepsBack ? 601 : 600);
        EXPECT_EQ(s->XValues()->IsOrdered(), !stepsBack);
        if (stepsBack) {
            EXPECT_EQ(s->FirstValueIndex, 0);
            EXPECT_EQ(s->LastValueIndex, 600);
        } else {
            EXPECT_GT(s->FirstValueIndex, 190);
            EXPECT_LE(s->FirstValueIndex, 200);
            EXPECT_GE(s->LastValueIndex, 300);
            EXPECT_LT(s->LastValueIndex, 310);
        }
    }
}

TEST_F(FileCommandsTest, DamagedOrForeignFilesNameTheFaultAndOpenNothingHalf)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    support::TestDialogs().Clear();

    // Not a data file: the message names it; the window keeps what it showed.
    QFile foreign(QString::fromStdString(Path("foreign.csv")));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("Date;Value\r\n1;2\r\n");
    foreign.close();
    Open(Path("foreign.csv"), false);
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, English(RowErrorCaption));
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              English(RowCannotOpenFile) + "\n" + Path("foreign.csv") +
                  "\nThe file is not a data file (its first character is not \xC2\xA7).");
    EXPECT_EQ(w->Series(0)->Count(), 10);
    EXPECT_TRUE(w->graDataGraph->isVisibleTo(w));

    // A file that breaks off in its data: the rows before the break and a message saying where.
    std::string bytes;
    platform::ReadFileBytes(WriteRecording(2, 3, 10), bytes);
    bytes.resize(bytes.find("[PROTOCOL]"));
    bytes.resize(bytes.rfind("\r\n", bytes.size() - 3) + 2);
    bytes += "38800;0;1;oops;\r\n";
    QFile cut(QString::fromStdString(Path("cut.csv")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.data(), qint64(bytes.size()));
    cut.close();
    support::TestDialogs().Clear();
    Open(Path("cut.csv"), false);
    EXPECT_EQ(w->Series(0)->Count(), 9);
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_TRUE(support::TestDialogs().LastMessage().text.find("faulty values") != AnsiString::npos);
    EXPECT_TRUE(support::TestDialogs().LastMessage().text.find("incomplete") != AnsiString::npos);

    // Another extension is refused in words.
    support::TestDialogs().Clear();
    Open(Path("notes.txt"), false);
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, English(RowErrorCaption));
    EXPECT_EQ(support::TestDialogs().LastMessage().text.substr(0, English(RowFaultyData).size()),
              English(RowFaultyData));
    EXPECT_EQ(w->Series(0)->Count(), 9);
}

TEST_F(FileCommandsTest, TwelveHourFileIsReadOnAWorkerBehindTheWaitWindow)
{
    const AnsiString path = WriteRecording(1, 3, 43200);
    // The reader is held until the test has looked, however fast the machine reads.
    support::HangingFileSystem share([path](const std::string& name, bool write) { return !write && name == path; });
    support::TestDialogs().QueueFileName(path);
    main->mnuVisualisierung->trigger();
    ASSERT_TRUE(share.AwaitHang());
    // The command has returned with the file still being read: the window stays usable, the
    // wait window says why, and a second open is not possible meanwhile.
    EXPECT_TRUE(forms->FileCommands->Reading());
    EXPECT_TRUE(frmWait->isVisible());
    EXPECT_EQ(frmWait->txtWait->text().toStdString(), English(RowFileLoadingPleaseWait));
    EXPECT_FALSE(main->btnFileOpen->isEnabled());
    EXPECT_FALSE(main->mnuOpenFile->isEnabled());
    share.Release();
    forms->FileCommands->WaitIdle();
    auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Series(2)->Count(), 43200);
    EXPECT_FALSE(frmWait->isVisible());
    EXPECT_TRUE(main->btnFileOpen->isEnabled());
}

// Names that are no recording: a link to a device that never ends, a pipe that never gets a
// writer, and a file larger than any recording. Each is refused at once with its reason;
// the window keeps what it showed.
TEST_F(FileCommandsTest, OpeningReadsOnlyRegularFilesOfBoundedSize)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    const std::string zero = Path("zero.csv"), pipe = Path("pipe.csv"), huge = Path("huge.csv");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    {
        QFile big(QString::fromStdString(huge));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(qint64(MaxRecordedDataFileBytes) + 1));  // sparse: no disk used
    }
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {{zero, "no file but a device, a pipe or a folder"},
                 {pipe, "no file but a device, a pipe or a folder"},
                 {huge, "larger than 100 MB"}};
    for (const auto& k : cases) {
        support::TestDialogs().Clear();
        Open(k.path, false);
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u) << k.path;
        const AnsiString text = support::TestDialogs().LastMessage().text;
        EXPECT_EQ(text.rfind(English(RowCannotOpenFile), 0), 0u) << text;
        EXPECT_NE(text.find(k.reason), AnsiString::npos) << text;
        EXPECT_NE(text.find(k.path), AnsiString::npos) << text;
        EXPECT_EQ(w->Series(0)->Count(), 10);
        EXPECT_TRUE(main->btnFileOpen->isEnabled());
    }

    // Just under the size limit, lines that would each cost a row of every column: a
    // recording of empty lines, a measurement file of one-character rows. Refused before
    // anything is built, saying why (a measurement file in the import window).
    auto writeFile = [&](const std::string& path, std::string bytes, const char* line) {
        std::string chunk;
        while (chunk.size() < (1u << 20)) chunk += line;
        while (bytes.size() + chunk.size() < MaxRecordedDataFileBytes) bytes += chunk;
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
    };
    std::string head = "\xA7;01.01.2026;00:00:00;x;;;;;;\r\n[DATA];\r\nDate|Time;Error;TimeStep;";
    for (int k = 0; k < 24; ++k) head += "S" + std::to_string(k) + ";";
    writeFile(Path("empty.csv"), head + "\r\n", "\r\n");
    support::TestDialogs().Clear();
    Open(Path("empty.csv"), false);
    const AnsiString text = support::TestDialogs().LastMessage().text;
    EXPECT_EQ(text, English(RowCannotOpenFile) + "\n" + Path("empty.csv") + "\n" + English(RowReadTooManyLines));
    EXPECT_EQ(w->Series(0)->Count(), 10);
    head = "probe 12.05.2006\r\nTime";
    for (int k = 1; k < 24; ++k) head += "\tV" + std::to_string(k);
    writeFile(Path("short.qzv"), head + "\r\n", "1\n");
    Open(Path("short.qzv"), true);
    const std::vector<AnsiString> info = forms->FileReader->FileInfoLines();
    ASSERT_GE(info.size(), 2u);
    EXPECT_EQ(info[info.size() - 2], Path("short.qzv"));
    EXPECT_EQ(info.back(), English(RowReadTooManyLines));
    struct rusage usage {};
    ASSERT_EQ(::getrusage(RUSAGE_SELF, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 1024L * 1024L * support::kSanitizerMemoryFactor) << "peak kB";
}

// A large file goes into the view in steps with the event loop running in between (the
// timers of recording channels among it), and the wait window stays up until the last one.
TEST_F(FileCommandsTest, ALargeFileFillsTheViewInStepsBetweenOtherEvents)
{
    const int rows = 43200;
    const AnsiString path = WriteRecording(1, 22, rows);
    int timerRuns = 0;
    QTimer other;
    QObject::connect(&other, &QTimer::timeout, [&] { ++timerRuns; });
    other.start(0);
    support::TestDialogs().QueueFileName(path);
    main->mnuVisualisierung->trigger();
    auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(w, nullptr);
    std::set<int> partial;  // point counts seen while the points went in
    int runsWhilePartial = 0;
    while (forms->FileCommands->Reading()) {
        const int before = timerRuns;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        int count = 0;
        for (int s = 0; s < 22; ++s) count += w->Series(s)->Count();
        if (count > 0 && count < 22 * rows) {
            partial.insert(count);
            runsWhilePartial += timerRuns - before;
            EXPECT_TRUE(frmWait->isVisible());
            EXPECT_FALSE(w->graDataGraph->isVisibleTo(w));
        }
    }
    other.stop();
    // 22 series of 43200 rows: five steps of about 200000 points.
    EXPECT_GE(partial.size(), 3u);
    EXPECT_GT(runsWhilePartial, 0);
    for (int s = 0; s < 22; ++s) ASSERT_EQ(w->Series(s)->Count(), rows) << s;
    EXPECT_EQ(w->Series(0)->GetXLabel(1), "Error!");
    EXPECT_TRUE(w->memSerialData->toPlainText().contains("43200 data sets read!"));
    EXPECT_TRUE(w->graDataGraph->isVisibleTo(w));
    EXPECT_FALSE(frmWait->isVisible());
}

// A new view window is built while its file is read: the file is chosen first. Whichever
// is done first waits for the other; a window closed before its file is read gets nothing,
// and the buttons come back.
TEST_F(FileCommandsTest, TheFileIsReadWhileItsWindowIsBuilt)
{
    const AnsiString path = WriteRecording(1, 3, 600);
    {
        // The read still going when the window is there.
        support::HangingFileSystem share(
            [path](const std::string& name, bool write) { return !write && name == path; });
        support::TestDialogs().QueueFileName(path);
        main->mnuVisualisierung->trigger();
        ASSERT_TRUE(share.AwaitHang());
        auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->ViewMode, vmView);
        EXPECT_TRUE(forms->FileCommands->Reading());
        EXPECT_TRUE(frmWait->isVisible());
        EXPECT_FALSE(main->btnFileOpen->isEnabled());
        share.Release();
        forms->FileCommands->WaitIdle();
        EXPECT_EQ(w->Series(2)->Count(), 600);
        EXPECT_TRUE(w->graDataGraph->isVisibleTo(w));
        w->FormClose();
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(main->ChildWindowCount(), 0);

    // The file read before the window is there: it waits in the window's building.
    bool waited = false;
    std::function<void()> watch = [&] {
        if (!forms->FileCommands->Reading()) {
            QTimer::singleShot(0, watch);
            return;
        }
        EXPECT_EQ(main->ChildWindowCount(), 0);
        QDeadlineTimer deadline(10000);
        while (!forms->FileCommands->ReadWaitsForWindow() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        waited = forms->FileCommands->ReadWaitsForWindow();
    };
    QTimer::singleShot(0, watch);
    TmdiSubWindow* w = Open(path, false);  // File > Open with no window
    ASSERT_TRUE(waited);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(forms->FileCommands->ReadWaitsForWindow());
    EXPECT_EQ(w->Series(2)->Count(), 600);
    EXPECT_TRUE(w->memSerialData->toPlainText().contains("600 data sets read!"));
    EXPECT_TRUE(main->btnFileOpen->isEnabled());

    // The window closed while its file is read: nothing is filled, nothing is left waiting.
    support::HangingFileSystem share([path](const std::string& name, bool write) { return !write && name == path; });
    support::TestDialogs().QueueFileName(path);
    main->mnuVisualisierung->trigger();
    ASSERT_TRUE(share.AwaitHang());
    auto* closing = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_TRUE(closing != nullptr && closing != w);
    closing->FormClose();
    share.Release();
    forms->FileCommands->WaitIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(main->ChildWindowCount(), 1);
    EXPECT_FALSE(frmWait->isVisible());
    EXPECT_TRUE(main->btnFileOpen->isEnabled());
    EXPECT_EQ(w->Series(2)->Count(), 600);
}

// A read that hangs (a share that stops answering) does not keep the program from ending:
// the windows close and the reader is left to itself.
TEST_F(FileCommandsTest, TheProgramEndsWhileAReadHangs)
{
    const AnsiString path = WriteRecording(1, 3, 10);
    support::HangingFileSystem share([path](const std::string& name, bool write) { return !write && name == path; });
    support::TestDialogs().QueueFileName(path);
    main->mnuVisualisierung->trigger();
    ASSERT_TRUE(share.AwaitHang());
    EXPECT_TRUE(forms->FileCommands->Reading());
    forms.reset();  // what File > Exit ends with; returns although the read still hangs
    EXPECT_EQ(share.Hanging(), 1);
}

TEST_F(FileCommandsTest, MeasurementFileOpensThroughTheImportForm)
{
    WriteMeasurementFile("probe.qzv");
    TmdiSubWindow* w = Open(Path("probe.qzv"), true);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(forms->FileReader->isVisible());
    EXPECT_EQ(w->ImportedColumnCount, 16);
    EXPECT_EQ(w->ImportedFile, 1);
    EXPECT_EQ(w->Series(0)->Count(), 5);
    EXPECT_EQ(w->Series(0)->GetTitle(), "V1");
    EXPECT_DOUBLE_EQ(w->Series(4)->GetyValue(2), 52);
    EXPECT_TRUE(w->graDataGraph->isVisibleTo(w));
    forms->FileReader->cmdFileReaderOKClick();
    EXPECT_FALSE(forms->FileReader->isVisible());

    // The import window open on a view that the user closes: the arrows no longer reach it.
    TmdiSubWindow* second = Open(Path("probe.qzv"), true);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(forms->FileReader->Window(), second->DataFileView());
    EXPECT_TRUE(second->FormClose());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(forms->FileReader->Window(), nullptr);
    forms->FileReader->lstLeftAxis->setCurrentRow(0);
    forms->FileReader->cmdRightClick();
    forms->FileReader->cmdFileReaderOKClick();
}

// A measurement file is read off the user-interface thread as a recorded one is: while its
// read hangs, the wait window shows and the event loop runs; the read that comes back is
// imported. A window closed meanwhile is left alone, and a file that cannot be read is
// reported in the import window.
TEST_F(FileCommandsTest, AMeasurementFileIsReadWhileTheEventLoopRuns)
{
    WriteMeasurementFile("slow.qzv");
    const AnsiString path = Path("slow.qzv");
    {
        support::HangingFileSystem share(
            [path](const std::string& name, bool write) { return !write && name == path; });
        support::TestDialogs().QueueFileName(path);
        main->mnuVisualisierung->trigger();
        ASSERT_TRUE(share.AwaitHang());
        EXPECT_TRUE(forms->FileCommands->Reading());
        EXPECT_TRUE(frmWait->isVisible());
        EXPECT_FALSE(forms->FileReader->isVisible());
        EXPECT_FALSE(main->btnFileOpen->isEnabled());
        bool timerRan = false;
        QTimer::singleShot(0, main, [&] { timerRan = true; });
        EXPECT_TRUE(Await([&] { return timerRan; }));
        share.Release();
        forms->FileCommands->WaitIdle();
    }
    TmdiSubWindow* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(frmWait->isVisible());
    EXPECT_TRUE(forms->FileReader->isVisible());
    EXPECT_EQ(w->ImportedColumnCount, 16);
    EXPECT_EQ(w->ImportedFile, 1);
    EXPECT_EQ(w->Series(0)->Count(), 5);
    EXPECT_DOUBLE_EQ(w->Series(4)->GetyValue(2), 52);
    EXPECT_TRUE(w->graDataGraph->isVisibleTo(w));
    EXPECT_TRUE(main->btnFileOpen->isEnabled());
    forms->FileReader->cmdFileReaderOKClick();

    {
        support::HangingFileSystem share(
            [path](const std::string& name, bool write) { return !write && name == path; });
        support::TestDialogs().QueueFileName(path);
        main->mnuVisualisierung->trigger();
        ASSERT_TRUE(share.AwaitHang());
        TmdiSubWindow* closing = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
        ASSERT_NE(closing, nullptr);
        ASSERT_NE(closing, w);
        EXPECT_TRUE(closing->FormClose());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        share.Release();
        forms->FileCommands->WaitIdle();
        EXPECT_FALSE(forms->FileReader->isVisible());
        EXPECT_FALSE(frmWait->isVisible());
        EXPECT_TRUE(main->btnFileOpen->isEnabled());
    }

    // Not a regular file: nothing is read, and the import window says why.
    ASSERT_EQ(::mkfifo(Path("pipe.qzv").c_str(), 0600), 0);
    Open(Path("pipe.qzv"), true);
    const std::vector<AnsiString> info = forms->FileReader->FileInfoLines();
    ASSERT_GE(info.size(), 3u);
    EXPECT_EQ(info[info.size() - 3], English(RowCannotOpenFile));
    EXPECT_EQ(info[info.size() - 2], Path("pipe.qzv"));
    EXPECT_NE(info.back().find("no file but a device, a pipe or a folder"), AnsiString::npos) << info.back();
    forms->FileReader->cmdFileReaderOKClick();
}

// A large measurement file goes into its window in steps, the event loop (the recording
// channels' timers among it) running between them, and arrives whole: every row, a row
// whose value fields end early drawn up to there, the values as the file has them. A window
// closed between two steps is left alone.
TEST_F(FileCommandsTest, ALargeMeasurementFileIsAddedInStepsWithTheEventLoopRunning)
{
    // 15 value columns; rows enough for three steps.
    const int rows = 2 * TFileCommands::FillPointsPerStep / 15 + 1000;
    const int broken = rows / 2;  // its fourth value is no number
    QByteArray text = "c:\\old\\big.qzv 12.05.2006 14:30 Probe1\r\nTime";
    for (int k = 1; k < 16; ++k) text += "\tV" + QByteArray::number(k);
    text += "\r\n";
    for (int r = 0; r < rows; ++r) {
        text += QByteArray::number(r);
        for (int k = 1; k < 16; ++k)
            text += r == broken && k == 4 ? "\tx" : "\t" + QByteArray::number(k * 1000 + r % 997);
        text += "\r\n";
    }
    QFile qzv(QString::fromStdString(Path("big.qzv")));
    ASSERT_TRUE(qzv.open(QIODevice::WriteOnly));
    qzv.write(text);
    qzv.close();

    // Whether the loop ran with the window part filled, seen by a timer of its own.
    auto openWatched = [&](const std::function<void(TmdiSubWindow*)>& partFilled) {
        bool seen = false;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
            if (seen || !w || !forms->FileCommands->Reading()) return;
            const int count = w->Series(0)->Count();
            if (count == 0 || count == rows) return;
            seen = true;
            EXPECT_TRUE(frmWait->isVisible());
            EXPECT_FALSE(main->btnFileOpen->isEnabled());
            if (partFilled) partFilled(w);
        });
        beat.start(0);
        support::TestDialogs().QueueFileName(Path("big.qzv"));
        main->mnuVisualisierung->trigger();
        forms->FileCommands->WaitIdle();
        return seen;
    };

    EXPECT_TRUE(openWatched(nullptr));
    TmdiSubWindow* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(frmWait->isVisible());
    EXPECT_TRUE(main->btnFileOpen->isEnabled());
    EXPECT_TRUE(w->graDataGraph->isVisibleTo(w));
    EXPECT_EQ(forms->FileReader->FileInfoLines().back(), English(RowUpdatingGraph));
    EXPECT_EQ(forms->FileReader->proProgress->value(), forms->FileReader->proProgress->maximum());
    for (int k = 0; k < 15; ++k) {
        TChartSeries* s = w->Series(k);
        ASSERT_EQ(s->Count(), k < 3 ? rows : rows - 1) << k;
        for (int i : {0, 13332, 13333, broken - 1, broken, s->Count() - 1}) {
            // Series from the fourth on have no point for the broken row.
            const int row = k >= 3 && i >= broken ? i + 1 : i;
            ASSERT_DOUBLE_EQ(s->GetxValue(i), row) << k << " " << i;
            double y = (k + 1) * 1000 + row % 997;
            if (k == 9) y -= 100;
            if (k == 10) y *= 0.1;
            ASSERT_DOUBLE_EQ(s->GetyValue(i), y) << k << " " << i;
        }
    }
    forms->FileReader->cmdFileReaderOKClick();

    TmdiSubWindow* closed = nullptr;
    EXPECT_TRUE(openWatched([&](TmdiSubWindow* part) {
        closed = part;
        EXPECT_TRUE(part->FormClose());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }));
    EXPECT_NE(closed, nullptr);
    EXPECT_EQ(forms->FileReader->Window(), nullptr);
    EXPECT_FALSE(frmWait->isVisible());
    EXPECT_TRUE(main->btnFileOpen->isEnabled());
    forms->FileReader->cmdFileReaderOKClick();
}

namespace {

// A printer that writes a PDF file of A4 pages at 300 dots per inch.
std::unique_ptr<TPrinter> PdfPrinter(const QString& file)
{
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(file);
    p->setResolution(300);
    p->setPageSize(QPageSize(QPageSize::A4));
    p->setPageMargins(QMarginsF(0, 0, 0, 0));
    return std::make_unique<TPrinter>(std::move(p));
}

// The media boxes of a PDF's pages, one per page ("0 0 595 842" for A4 upright).
QStringList PdfPages(const QString& file)
{
    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromLatin1(pdf.readAll());
    QStringList boxes;
    QRegularExpression page("/Type /Page\\b(?!s)[^>]*?/MediaBox \\[([^\\]]*)\\]");
    for (auto it = page.globalMatch(text); it.hasNext();)
        boxes << it.next().captured(1).simplified().replace(QRegularExpression("\\.0+\\b"), "");
    return boxes;
}

}  // namespace

TEST_F(FileCommandsTest, ProtocolMemoAndChartPrintOnTheirPages)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    std::vector<AnsiString> protocol;
    for (int i = 1; i <= 120; ++i) protocol.push_back("Event " + IntToStr(i));
    w->SetMemoLines(TDataFileMemo::SerialData, protocol);
    w->SetMemoLines(TDataFileMemo::Info, {"BATH 42", "Serial number 77"});
    w->SetMemoLines(TDataFileMemo::Memo, {"one", "two"});
    support::TestDialogs().Clear();

    auto printer = PdfPrinter(QString::fromStdString(Path("protocol.pdf")));
    SetPrinter(printer.get());
    const int fontHeight = printer->Canvas()->Font()->GetHeight();
    main->mnuPrintProtocol->trigger();
    // Two information lines make seven lines before the protocol: 49 protocol lines on the
    // first page, 55 on the second, the last 16 on the third; pages upright.
    EXPECT_EQ(PdfPages(QString::fromStdString(Path("protocol.pdf"))),
              QStringList({"0 0 595 842", "0 0 595 842", "0 0 595 842"}));
    const auto lines = LayoutTextPrint({"a", "b"}, "Event report", protocol, [](const AnsiString&) { return 50; });
    ASSERT_EQ(lines.size(), 127u);
    EXPECT_EQ(lines[7 + 49].Page, 1);
    EXPECT_EQ(lines[7 + 49].Y, 250);  // one line below the top margin
    EXPECT_EQ(lines[7 + 49].X, 200);
    EXPECT_EQ(printer->Canvas()->Font()->GetHeight(), fontHeight);  // the canvas's font is given back

    auto memoPrinter = PdfPrinter(QString::fromStdString(Path("memo.pdf")));
    SetPrinter(memoPrinter.get());
    TFileCommands memoCommands(main, nullptr);
    memoCommands.PrintMemo(w->Channel());
    EXPECT_EQ(PdfPages(QString::fromStdString(Path("memo.pdf"))).size(), 1);

    // The chart: one landscape page, and the chart on screen looks as before afterwards.
    auto chartPrinter = PdfPrinter(QString::fromStdString(Path("chart.pdf")));
    SetPrinter(chartPrinter.get());
    TFileCommands chartCommands(main, nullptr);
    TChart* chart = w->graDataGraph;
    chart->GetGradient()->SetVisible(true);
    w->ChartTool2->SetActive(true);
    const TLegendStyle style = chart->GetLegend()->GetLegendStyle();
    const TColor wall = chart->GetBackWall()->GetColor();
    const TColor labels = w->ChartLabelColour();
    chartCommands.PrintGraph(w->Channel());
    chartCommands.PrintGraph(w->Channel());
    EXPECT_EQ(PdfPages(QString::fromStdString(Path("chart.pdf"))), QStringList({"0 0 842 595"}));
    EXPECT_TRUE(chart->GetGradient()->GetVisible());
    EXPECT_TRUE(w->ChartTool2->GetActive());
    EXPECT_EQ(chart->GetLegend()->GetLegendStyle(), style);
    EXPECT_EQ(chart->GetBackWall()->GetColor(), wall);
    EXPECT_EQ(w->ChartLabelColour(), labels);
    EXPECT_EQ(chart->PrintMargins, TRect(0, 0, 0, 0));
    // The second print asked before it replaced the first one's file.
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);

    // A print still running and a printer that cannot print are both reported.
    w->Printing = 1;
    main->mnuPrintMemo->trigger();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, English(RowPrintPending));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, English(RowWarningCaption));
    w->Printing = 0;
    auto none = std::make_unique<QPrinter>();
    none->setOutputFormat(QPrinter::PdfFormat);  // and no file to print to
    TPrinter nowhere(std::move(none));
    SetPrinter(&nowhere);
    TFileCommands failing(main, nullptr);
    support::TestDialogs().QueueAnswer(IDNO);
    failing.PrintProtocol(w->Channel());
    EXPECT_EQ(support::TestDialogs().LastMessage().text, English(RowNoPrinterSetUp));
    support::TestDialogs().QueueAnswer(IDNO);
    failing.PrintGraph(w->Channel());
    EXPECT_EQ(support::TestDialogs().LastMessage().text, English(RowNoPrinterSetUp));
    EXPECT_EQ(w->Printing, 0);
    EXPECT_TRUE(chart->GetGradient()->GetVisible());
}

// A print to a PDF file on a share that stops answering: the real printer makes the file in a
// local temporary file and the background saver writes it, the wait window naming it, so that
// the windows and the recordings go on; a share that does not even answer whether the file is
// there gets no print, with a message, after its while.
TEST_F(FileCommandsTest, APrintToAFileOnAShareThatHangsHoldsUpNothing)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    w->graDataGraph->resize(320, 200);
    w->SetMemoLines(TDataFileMemo::SerialData, {"Event 1", "Event 2"});
    const QString share = QString::fromStdString(Path("share"));
    ASSERT_TRUE(QDir().mkpath(share));
    const QString pdf = share + "/print.pdf";
    auto printer = PdfPrinter(pdf);
    SetPrinter(printer.get());
    TFileCommands commands(main, nullptr);
    support::TestDialogs().Clear();
    bool tickRan = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { tickRan = true; });
    tick.start(20);

    {
        // Its writes hang: the user leaves the file unsaved once the wait window names it.
        support::HangingFolders hung(share.toStdString(), support::HangingFolders::THang::Writes);
        std::vector<platform::WaitRequest> waits;
        support::TestDialogs().OnWait = [&](const platform::WaitRequest& wait) {
            waits.push_back(wait);
            EXPECT_TRUE(hung.AwaitHang());
            tickRan = false;
            EXPECT_TRUE(Await([&] { return tickRan; })) << "no timer ran while the file was being written";
            return false;
        };
        commands.PrintProtocol(w->Channel());
        ASSERT_EQ(waits.size(), 1u) << support::TestDialogs().LastMessage().text;
        EXPECT_NE(waits[0].text.find(pdf.toStdString()), std::string::npos) << waits[0].text;
        EXPECT_EQ(w->Printing, 0);
        commands.PrintGraph(w->Channel());
        EXPECT_EQ(waits.size(), 2u);
        EXPECT_EQ(hung.OnUiThread(), 0) << hung.UiThreadPaths().front();
        support::TestDialogs().OnWait = nullptr;
        support::TestDialogs().Clear();
        hung.Release();
        EXPECT_TRUE(Await([] { return platform::BackgroundSavesIdle(); }));
    }
    // The protocol's file was being put in place (renamed) when the share stopped answering:
    // it is there whole once the share answered again, and the user, who left it unsaved, is
    // told. The chart's print, left while it waited behind it, is not written.
    EXPECT_EQ(PdfPages(pdf), QStringList({"0 0 595 842"}));
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "The file\n" + pdf.toStdString() +
                  "\nwas written after all: the drive answered before the write could be called off.");

    {
        // It does not answer at all: no print, and the message names its folder.
        platform::SetFolderPatienceMs(200);
        support::HangingFolders hung(share.toStdString());
        support::TestDialogs().Clear();
        commands.PrintMemo(w->Channel());
        EXPECT_EQ(support::TestDialogs().LastMessage().text,
                  "The folder \"" + share.toStdString() + "\" does not answer.");
        EXPECT_EQ(w->Printing, 0);
        EXPECT_EQ(hung.OnUiThread(), 0) << hung.UiThreadPaths().front();
        platform::SetFolderPatienceMs(0);
    }
    SetPrinter(nullptr);
}

namespace {

// The format and size an independent decoder (Pillow) reads from a picture file: "GIF
// 640x480". Empty when Python or Pillow is not installed, "error" when it cannot read it.
QString DecodedPicture(const AnsiString& path)
{
    QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    if (python.isEmpty()) python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty()) return {};
    std::string output;
    const int exitCode = support::RunProgram({python.toStdString(), "-c",
                                              "import sys\n"
                                              "try:\n"
                                              "    from PIL import Image\n"
                                              "except ImportError:\n"
                                              "    sys.exit(3)\n"
                                              "im = Image.open(sys.argv[1]); im.load()\n"
                                              "print('%s %dx%d' % (im.format, im.size[0], im.size[1]))\n",
                                              path},
                                             60000, output);
    if (exitCode == 3) return {};
    if (exitCode != 0) return "error";
    return QString::fromStdString(output).trimmed();
}

}  // namespace

TEST_F(FileCommandsTest, ExportWritesPicturesAnIndependentDecoderReads)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    TChart* chart = w->graDataGraph;
    chart->resize(640, 400);
    chart->GetGradient()->SetVisible(true);
    std::set<QRgb> colours;
    const QImage picture = chart->TeeCreateBitmap(chart->GetColor(), TRect(0, 0, 640, 400))->Image();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) colours.insert(picture.pixel(x, y));
    ASSERT_GT(colours.size(), 256u);  // a GIF needs its colours reduced
    support::TestDialogs().Clear();

    const char* kinds[3] = {"BMP", "JPEG", "GIF"};
    const char* extensions[3] = {".bmp", ".jpg", ".gif"};
    for (int filter = 1; filter <= 3; ++filter) {
        const AnsiString base = Path(("chart" + IntToStr(filter)).c_str());
        support::TestDialogs().QueueFileName(base, filter);
        main->mnuExport->trigger();
        WaitForExport();
        const AnsiString file = base + extensions[filter - 1];
        ASSERT_TRUE(QFile::exists(QString::fromStdString(file))) << file;
        const QString decoded = DecodedPicture(file);
        if (decoded.isEmpty()) continue;  // no independent decoder here
        EXPECT_EQ(decoded, QString("%1 %2x%3").arg(kinds[filter - 1]).arg(chart->width()).arg(chart->height()));
    }
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    const platform::FileDialogRequest asked = support::TestDialogs().LastFileRequest();
    EXPECT_EQ(asked.filter, "BMP Image (*.bmp)|*.bmp|JPEG Image (*.jpg)|*.jpg|GIF Image (*.gif)|*.gif");
    EXPECT_EQ(asked.filterIndex, 2);
    EXPECT_EQ(asked.defaultExt, "jpg");
    EXPECT_EQ(asked.fileName, "Picture");
    EXPECT_TRUE(asked.save && asked.overwritePrompt);

    // A name with a picture extension of its own is written in that format.
    support::TestDialogs().QueueFileName(Path("named.gif"), 2);
    main->mnuExport->trigger();
    WaitForExport();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("named.gif.jpg"))));

    // Cancelling writes nothing; a chart without a size is an export error, not an empty file.
    support::TestDialogs().QueueFileName("");
    main->mnuExport->trigger();
    chart->setFixedSize(0, 0);
    support::TestDialogs().QueueFileName(Path("empty"), 3);
    main->mnuExport->trigger();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("empty.gif"))));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, English(RowWarningCaption));
    EXPECT_EQ(support::TestDialogs().LastMessage().text.substr(0, English(RowDataExportError).size()),
              English(RowDataExportError));
    EXPECT_EQ(QDir(QString::fromStdString(Path(""))).entryList({"*.bmp", "*.jpg", "*.gif"}, QDir::Files).size(), 4);
}

// An export to a drive that does not answer: the command returns at once with the picture
// on its way, the windows go on, and the picture is there once the drive answers again; a
// failed write is reported when it fails.
TEST_F(FileCommandsTest, ExportToADriveThatHangsHoldsUpNothing)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    w->graDataGraph->resize(320, 200);
    const AnsiString file = Path("hung.bmp");
    support::HangingFileSystem share([file](const std::string& path, bool write) { return write && path == file; });
    support::TestDialogs().Clear();
    support::TestDialogs().QueueFileName(Path("hung"), 1);
    main->mnuExport->trigger();
    ASSERT_TRUE(share.AwaitHang());
    EXPECT_FALSE(platform::BackgroundSavesIdle());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
    share.Release();
    WaitForExport();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(file)));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    // A folder that is not there: the failure comes back as the export's message.
    support::TestDialogs().QueueFileName(Path("missing/picture"), 1);
    main->mnuExport->trigger();
    WaitForExport();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text.rfind(English(RowDataExportError), 0), 0u);
}

TEST_F(FileCommandsTest, SaveButtonWritesTheRunningRecordingAndConfirmsIt)
{
    support::SimulatedUnitLine line;
    line.AddUnit(support::UnitState{});
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    main->mnuDatenaufzeichnung->trigger();
    auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(main->btnFileSave->isEnabled());  // nothing recorded yet
    w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
    w->edPort->setText(QString::number(line.TcpPort()));
    support::TestDialogs().QueueFileName(Path("saved"));
    w->cmdEstablishConnectionClick();
    ConfirmIdentification(w->Session());
    ASSERT_TRUE(w->IsConnected());
    w->tmrDataUpdate->stop();
    ASSERT_TRUE(AwaitCycle(w->Session()));
    clock.AdvanceMs(5000);
    w->tmrDataUpdateTimer();
    // The recording window offers saving and printing, not opening.
    EXPECT_TRUE(main->btnFileSave->isEnabled());
    EXPECT_TRUE(main->mnuExport->isEnabled());
    EXPECT_FALSE(main->btnFileOpen->isEnabled());

    support::TestDialogs().Clear();
    main->btnFileSave->trigger();
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, English(RowDataFileSaved));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, English(RowNotice));
    const TRecordedDataRead saved = ReadRecordedDataFile(Path("saved_11.csv"));
    EXPECT_TRUE(saved.Loaded);
    EXPECT_EQ(saved.Rows(), w->Series(0)->Count());
    EXPECT_EQ(main->SaveWithoutDialog, 0);
}

TEST_F(FileCommandsTest, ProgramFileOpensIntoTheTPScoutWindowAndIsSavedFromIt)
{
    TProgramFile program;
    program.Settings.StartTemperature = "20";
    program.Segments.push_back({"Heat", 600, 50.0});
    ASSERT_TRUE(programfile::Write(Path("ramp.tp"), program));
    main->mnuTPScout->trigger();
    auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(main->btnFileOpen->isEnabled());
    EXPECT_FALSE(main->btnFileSave->isEnabled());  // no program yet

    support::TestDialogs().QueueFileName(Path("ramp.tp"));
    main->mnuOpenFile->trigger();
    EXPECT_EQ(w->ProgramTreeNodeCount(), 2);
    EXPECT_TRUE(main->btnFileSave->isEnabled());
    support::TestDialogs().QueueFileName(Path("copy"));
    main->btnFileSave->trigger();
    TProgramFile copy;
    ASSERT_TRUE(programfile::Read(Path("copy.tp"), copy));
    ASSERT_EQ(copy.Segments.size(), 1u);
    EXPECT_EQ(copy.Segments[0].Name, "Heat");
    EXPECT_EQ(copy.Segments[0].Duration, 600);
}

TEST_F(FileCommandsTest, PrintingWithoutAPrinterOffersTheSettingsAndAPrintFileIsReplacedOnlyOnYes)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    w->SetMemoLines(TDataFileMemo::Memo, {"one", "two"});
    // As a new user finds it: nothing to print to. Each print says so and where to choose a
    // printer, and offers the printer settings: No, or settings left as they were, print
    // nothing and say nothing more.
    auto none = std::make_unique<QPrinter>(QPrinter::HighResolution);
    none->setOutputFormat(QPrinter::PdfFormat);
    TPrinter printer(std::move(none));
    SetPrinter(&printer);
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    main->mnuPrintMemo->trigger();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, English(RowNoPrinterSetUp));
    EXPECT_NE(English(RowNoPrinterSetUp).find("No printer is set up"), AnsiString::npos);
    EXPECT_NE(English(RowNoPrinterSetUp).find("Printer settings"), AnsiString::npos);
    EXPECT_EQ(support::TestDialogs().PrinterSetupCount(), 0);
    main->mnuPrintGraph->trigger();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_EQ(support::TestDialogs().PrinterSetupCount(), 1);
    EXPECT_EQ(w->Printing, 0);

    // Yes, and a PDF file chosen in the settings: the print goes there at once, and the
    // choice stays for the next prints.
    const QString pdf = QString::fromStdString(Path("after-failure.pdf"));
    support::TestDialogs().Clear();
    support::TestDialogs().OnPrinterSetup = [&](QPrinter* device) {
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(pdf);
        return device->outputFileName() == pdf;
    };
    main->mnuPrintMemo->trigger();
    EXPECT_EQ(support::TestDialogs().PrinterSetupCount(), 1);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
    ASSERT_EQ(printer.Device()->outputFileName(), pdf);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(PdfPages(pdf).size(), 1);
    EXPECT_EQ(w->Printing, 0);
    support::TestDialogs().Clear();

    // The file exists now: the next print asks first, and No keeps the file as it is.
    QFile::resize(pdf, 10);
    support::TestDialogs().QueueAnswer(IDNO);
    main->mnuPrintGraph->trigger();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("after-failure.pdf"), AnsiString::npos);
    EXPECT_EQ(QFileInfo(pdf).size(), 10);
    EXPECT_EQ(w->Printing, 0);
    support::TestDialogs().QueueAnswer(IDYES);
    main->mnuPrintGraph->trigger();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_EQ(PdfPages(pdf), QStringList({"0 0 842 595"}));
}

TEST_F(FileCommandsTest, ACancelledOpenLeavesNoEmptyViewWindow)
{
    // File > Open with no window open: no file chosen, no window left behind.
    support::TestDialogs().Clear();
    support::TestDialogs().QueueFileName("");
    main->actFileOpenExecute();
    EXPECT_EQ(support::TestDialogs().FileDialogCount(), 1);
    EXPECT_EQ(main->ChildWindowCount(), 0);
    EXPECT_TRUE(main->mnuOpenFile->isEnabled());
    for (int c = 1; c <= 10; ++c) EXPECT_FALSE(main->IsChannelOpen(c)) << c;

    // File > Open of a file that is refused: the window made for it goes again.
    for (const char* name : {"refused.csv", "refused.qzv"}) {
        ASSERT_EQ(::mkfifo(Path(name).c_str(), 0600), 0);
        Open(Path(name), false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(main->ChildWindowCount(), 0) << name;
    }

    // New > View asked for the window: it stays, and a cancelled open in it keeps it too,
    // as does a refused one.
    support::TestDialogs().QueueFileName("");
    main->actFileOpenExecute(true);
    ASSERT_EQ(main->ChildWindowCount(), 1);
    support::TestDialogs().QueueFileName("");
    main->actFileOpenExecute();
    EXPECT_EQ(main->ChildWindowCount(), 1);
    Open(Path("refused.csv"), true);
    EXPECT_EQ(main->ChildWindowCount(), 2);
}

// A remembered folder on a share that stopped answering: the picture export, File > Open
// and the recording's Save as open in the documents folder once it had its while to answer,
// the event loop (and every channel's tick with it) running meanwhile, never waiting on it.
TEST_F(FileCommandsTest, ARememberedFolderThatHangsHoldsUpNoDialog)
{
    TmdiSubWindow* w = Open(WriteRecording(1, 3, 10), true);
    ASSERT_NE(w, nullptr);
    w->graDataGraph->resize(320, 200);
    const QString share = QString::fromStdString(Path("share"));
    using platform::TFileKind;
    for (TFileKind kind : {TFileKind::Picture, TFileKind::OpenFile, TFileKind::DataFile}) {
        const QString sub = share + "/" + QString::number(int(kind));
        ASSERT_TRUE(QDir().mkpath(sub));
        platform::RememberFileFolder(kind, A(sub + "/x"));
    }
    const QString d = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const AnsiString documents = A(QFileInfo(d).isDir() ? d : QDir::homePath());
    platform::SetFolderPatienceMs(200);
    support::HangingFileSystem hung(
        [s = share.toStdString()](const std::string& path, bool) { return path.rfind(s, 0) == 0; });
    bool tickRan = false;
    support::TestDialogs().OnFileDialog = [&](const platform::FileDialogRequest& req) {
        EXPECT_EQ(req.initialDir, documents);
        EXPECT_TRUE(tickRan) << "no event ran while the folder was waited for";
        tickRan = false;
        QTimer::singleShot(0, main, [&] { tickRan = true; });
    };
    QTimer::singleShot(0, main, [&] { tickRan = true; });
    main->mnuExport->trigger();
    main->mnuOpenFile->trigger();
    support::SimulatedUnitLine line;
    line.AddUnit(support::UnitState{});
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    main->mnuDatenaufzeichnung->trigger();
    auto* rec = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(rec, nullptr);
    rec->cmbInterface->setCurrentIndex(rec->cmbInterface->findText("TCP/IP"));
    rec->edPort->setText(QString::number(line.TcpPort()));
    support::TestDialogs().QueueFileName(Path("local"));
    rec->cmdEstablishConnectionClick();
    ConfirmIdentification(rec->Session());
    EXPECT_TRUE(rec->IsConnected());
    EXPECT_TRUE(Await([&] { return hung.Hanging() == 3; }));
    EXPECT_EQ(hung.OnUiThread(), 0);
    support::TestDialogs().OnFileDialog = nullptr;
    hung.Release();
    platform::SetFolderPatienceMs(0);
    ASSERT_TRUE(rec->FormClose());
}
