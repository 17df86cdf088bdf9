// The channel window as a user drives it: opened from the main window's menu, connected
// through its connection page, ticked by its timer's handler, closed; against the
// simulated unit.
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/RecordedDataFile.h"
#include "app/RecordedDataWriter.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "channel/ChartClasses.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TPieSeries.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "chart/series/TeeLegendScrollBar.h"
#include "chart/series/TeeSmoothFunction.h"
#include "chart/storage/TeeStore.h"
#include "platform/Dialogs.h"
#include "platform/TStream.h"

using namespace channeltest;

namespace {

class ChannelWindowTest : public ChannelWindowFixture {
protected:
    TmdiSubWindow* OpenRecording() { return Open(&TfrmMainWindow::mnuDatenaufzeichnungClick); }
    static void Choose(QComboBox* box, const QString& text)
    {
        const int i = box->findText(text);
        if (i >= 0)
            box->setCurrentIndex(i);
        else
            box->setEditText(text);
    }
    void ConnectWindow(TmdiSubWindow* w, const AnsiString& file)
    {
        support::TestDialogs().QueueFileName(file);
        w->cmdEstablishConnectionClick();
        ConfirmIdentification(w->Session());
        ASSERT_TRUE(w->IsConnected());
        ASSERT_TRUE(AwaitCycle(w->Session()));
    }
};

}  // namespace

TEST_F(ChannelWindowTest, RecordingWindowConnectsDrawsTicksAndWritesOnClose)
{
    support::SimulatedUnitLine line;
    support::UnitState unit;
    unit.deviceName = "BATH 42";
    line.AddUnit(unit);
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;

    TmdiSubWindow* w = OpenRecording();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Channel(), 1);
    EXPECT_EQ(w->tabDataControl->currentWidget(), w->tabDataConnection);
    EXPECT_FALSE(w->tabDataControl->isTabVisible(w->tabDataControl->indexOf(w->tabDataGraph)));
    EXPECT_EQ(w->cmdEstablishConnection->text(), "Start recording");
    Choose(w->cmbInterface, "TCP/IP");
    EXPECT_FALSE(w->cmbPort->isEnabled());
    EXPECT_TRUE(w->edIPAddress->isEnabled());
    w->edPort->setText(QString::number(line.TcpPort()));
    EXPECT_EQ(w->edPort->text().toInt(), line.TcpPort());  // five-digit ports too

    ConnectWindow(w, Path("win"));
    EXPECT_TRUE(w->tmrDataUpdate->isActive());
    EXPECT_EQ(w->tmrDataUpdate->interval(), 5000);
    EXPECT_FALSE(w->cmbInterface->isEnabled());
    EXPECT_FALSE(w->cmdEstablishConnection->isEnabled());
    EXPECT_EQ(w->tabDataControl->currentWidget(), w->tabDataGraph);
    EXPECT_EQ(w->graDataGraph->SeriesCount(), ChannelSeriesCount);
    EXPECT_EQ(w->graDataGraph->GetTitle()->Text().front(), "BATH 42 / 127.0.0.1");
    EXPECT_EQ(w->cmbLineSeries->count(), 22);
    EXPECT_EQ(w->cmbLineSeries->itemText(0), "Tjacket [°C]");
    EXPECT_EQ(panel->ChannelPanel(1)->Caption(), "BATH 42");
    EXPECT_EQ(panel->ChannelPanel(1)->Tag, 2);
    EXPECT_EQ(w->DeviceText, "BATH 42");
    EXPECT_EQ(w->graDataGraph->LeftAxis()->GetTitle()->GetCaption(), "Temperature in [°C]");
    EXPECT_EQ(w->ChartTool2->Axis(), w->graDataGraph->LeftAxis());
    EXPECT_GE(w->graDataGraph->Tools()->IndexOf(w->ChartTool2), 0);
    EXPECT_FALSE(w->memInfo->toPlainText().isEmpty());
    EXPECT_TRUE(w->memSerialData->toPlainText().contains("Start of new data recording!"));

    // The timer's handler records; the time axis follows from the first to the newest point.
    w->tmrDataUpdate->stop();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(AwaitCycle(w->Session()));
        clock.AdvanceMs(5000);
        w->tmrDataUpdateTimer();
    }
    TChartSeries* s0 = w->Session().Series(0);
    ASSERT_EQ(s0->Count(), 3);
    TChartAxis* bottom = w->graDataGraph->BottomAxis();
    EXPECT_DOUBLE_EQ(bottom->GetMinimum(), s0->GetxValue(0));
    EXPECT_TRUE(bottom->GetAutomaticMaximum());
    // A 30-minute time window scrolls once the recording is longer.
    for (int i = 0; i < 400; ++i) {
        clock.AdvanceMs(5000);
        w->tmrDataUpdateTimer();
    }
    EXPECT_NEAR(bottom->GetMinimum(), s0->GetxValue(s0->Count() - 1) - 1800.0 / 86400.0, 1e-9);

    // Range edits: a typing error is refused before anything changes; a maximum below the
    // old minimum is taken all the same.
    w->tabDataOptionsShow();
    const double leftMax = w->graDataGraph->LeftAxis()->GetMaximum();
    w->edTempMax->setText("12x");
    w->edTempMin->setText("-200");
    support::TestDialogs().Clear();
    w->cmdGraphRefreshClick();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Input mask error!");
    EXPECT_DOUBLE_EQ(w->graDataGraph->LeftAxis()->GetMaximum(), leftMax);
    w->edTempMax->setText("-150,5");
    w->edTimeWindow->setText("9");
    w->cmdGraphRefreshClick();
    EXPECT_DOUBLE_EQ(w->graDataGraph->LeftAxis()->GetMaximum(), -150.5);
    EXPECT_DOUBLE_EQ(w->graDataGraph->LeftAxis()->GetMinimum(), -200.0);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Please enter a value between 10 and 720.");
    EXPECT_DOUBLE_EQ(w->TimeWindow, 1800.0 / 86400.0);

    // The close question answered No keeps everything; Yes writes the part and ends.
    support::TestDialogs().QueueAnswer(IDNO);
    w->close();
    EXPECT_TRUE(main->IsChannelOpen(1));
    EXPECT_TRUE(w->IsConnected());
    support::TestDialogs().QueueAnswer(IDYES);
    w->close();
    EXPECT_FALSE(main->IsChannelOpen(1));
    EXPECT_EQ(ChannelObjects[1], nullptr);
    TRecordedDataRead read = ReadRecordedDataFile(Path("win_11.csv"));
    ASSERT_TRUE(read.Loaded);
    EXPECT_EQ(read.Rows(), 403);
    // The last window closed: the main window is back in its empty state.
    EXPECT_FALSE(main->mnuFileSaveItem->isEnabled());
    EXPECT_TRUE(main->mnuDatenaufzeichnung->isEnabled());
}

// The box about a running file that cannot be written opens once over its window, stays
// the only one while the file keeps failing, and closes once the file is written again,
// which the protocol says.
TEST_F(ChannelWindowTest, TheBoxAboutAFailingRunningFileClosesWhenTheFileIsWrittenAgain)
{
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    ASSERT_TRUE(QDir(folder.path()).mkdir("share"));
    TmdiSubWindow* w = OpenRecording();
    ASSERT_NE(w, nullptr);
    Choose(w->cmbInterface, "TCP/IP");
    w->edPort->setText(QString::number(line.TcpPort()));
    ConnectWindow(w, Path("share/run"));
    w->tmrDataUpdate->stop();
    auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceMs(5000);
            w->tmrDataUpdateTimer();
            TDataFileSaveQueue::Instance().WaitIdle();
            QCoreApplication::processEvents();
        }
    };
    auto boxes = [&] {
        int n = 0;
        for (QMessageBox* box : w->findChildren<QMessageBox*>()) n += box->isVisible();
        return n;
    };
    ticks(2);
    platform::Dialogs* scripted = &platform::dialogs();
    platform::QtDialogs screen;
    platform::SetDialogs(&screen);
    // The file goes, and its folder takes no new one (a file whose folder is merely moved
    // goes on growing there, and one removed from it is made there again).
    ASSERT_TRUE(QFile::remove(folder.path() + "/share/run_11.csv"));
    ASSERT_EQ(::chmod(Path("share").c_str(), 0555), 0);
    ticks(3);
    EXPECT_EQ(boxes(), 1);
    ticks(26);  // two more tries a minute apart
    EXPECT_EQ(boxes(), 1);
    ASSERT_EQ(::chmod(Path("share").c_str(), 0755), 0);
    ticks(13);
    EXPECT_EQ(boxes(), 0);
    const QString file = QString::fromStdString(Path("share/run_11.csv"));
    EXPECT_EQ(w->memSerialData->toPlainText().count("The data file is written again: " + file), 1);
    platform::SetDialogs(scripted);
    support::TestDialogs().QueueAnswer(IDYES);
    w->close();
    EXPECT_EQ(ReadRecordedDataFile(file.toStdString()).Rows(), 3 + 3 + 26 + 13);
}

TEST_F(ChannelWindowTest, ThreeBusWindowsOnOnePortOfferOnlyFreeAddresses)
{
    support::SimulatedUnitLine line;
    for (int a = 1; a <= 3; ++a) {
        support::UnitState u;
        u.address = a;
        u.internalTemp = 20.0 + a;
        line.AddUnit(u);
    }
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    const QString port = QString::fromStdString(line.SlavePath());

    std::vector<TmdiSubWindow*> windows;
    for (int c = 1; c <= 3; ++c) {
        TmdiSubWindow* w = OpenRecording();
        ASSERT_NE(w, nullptr);
        Choose(w->cmbInterface, "RS485");
        EXPECT_TRUE(w->cmbSlave->isEnabled());
        if (c == 3) {
            // The port the other bus windows hold is offered, without their addresses.
            ASSERT_GE(w->cmbPort->findText(port), 0);
            w->cmbPort->setCurrentIndex(w->cmbPort->findText(port));
            w->cmbPortChange();
            EXPECT_EQ(w->cmbSlave->count(), 28);
            EXPECT_EQ(w->cmbSlave->itemText(0), "3");
        } else {
            Choose(w->cmbPort, port);
            w->FillSlaveList();
            w->cmbSlave->setCurrentIndex(w->cmbSlave->findText(QString::number(c)));
        }
        ConnectWindow(w, Path(("bus" + std::to_string(c)).c_str()));
        windows.push_back(w);
    }
    // The three channels' timers fire together, one interval apart.
    for (int round = 0; round < 2; ++round) {
        for (TmdiSubWindow* w : windows) ASSERT_TRUE(AwaitCycle(w->Session()));
        clock.AdvanceMs(5000);
        for (TmdiSubWindow* w : windows) w->tmrDataUpdateTimer();
    }
    for (int c = 0; c < 3; ++c) {
        ASSERT_TRUE(AwaitCycle(windows[std::size_t(c)]->Session()));
        EXPECT_DOUBLE_EQ(windows[std::size_t(c)]->Session().Series(0)->GetyValue(2), 21.0 + c) << c;
    }
    // Closing every channel at once, as the main window does when the program ends.
    support::TestDialogs().QueueAnswer(IDYES);
    EXPECT_TRUE(main->FormCloseQueryMain());
    for (int c = 1; c <= 3; ++c) EXPECT_FALSE(main->IsChannelOpen(c));
    TDataFileSaveQueue::Instance().WaitIdle();
    for (int c = 1; c <= 3; ++c)
        EXPECT_EQ(
            ReadRecordedDataFile(Path(("bus" + std::to_string(c) + "_" + std::to_string(c) + "1.csv").c_str())).Rows(),
            3);
}

TEST_F(ChannelWindowTest, ABusAddressInUseIsRefusedHoweverThePortIsWritten)
{
    support::SimulatedUnitLine line;
    for (int a = 1; a <= 2; ++a) {
        support::UnitState u;
        u.address = a;
        line.AddUnit(u);
    }
    AnsiString error;
    // A link names the pseudo-terminal, as a stable name names an adapter.
    ASSERT_TRUE(line.StartPty(&error, Path("adapter"))) << error;
    const QString link = QString::fromStdString(line.SlavePath());
    const QString device = QFileInfo(link).canonicalFilePath();
    ASSERT_FALSE(device.isEmpty());
    ASSERT_NE(device, link);

    // A bus window with its port typed in and an address chosen: the address list follows
    // what is typed.
    auto busWindow = [&](const QString& port, int address) {
        TmdiSubWindow* w = OpenRecording();
        Choose(w->cmbInterface, "RS485");
        w->cmbPort->setEditText(port);
        w->cmbSlave->setCurrentIndex(w->cmbSlave->findText(QString::number(address)));
        EXPECT_EQ(w->cmbSlave->currentText(), QString::number(address));
        return w;
    };
    auto offers = [](TmdiSubWindow* w, int address) { return w->cmbSlave->findText(QString::number(address)) >= 0; };
    // Windows made ready while address 1 was still free, each naming the line another way.
    TmdiSubWindow* first = busWindow(device, 1);
    TmdiSubWindow* typed = busWindow(device, 1);
    TmdiSubWindow* linked = busWindow(link, 1);
    TmdiSubWindow* roundabout = busWindow("/dev/.." + device, 1);
    TmdiSubWindow* selected = OpenRecording();
    Choose(selected->cmbInterface, "RS485");

    // Taken while the first channel is still being identified.
    support::TestDialogs().QueueFileName(Path("first"));
    first->cmdEstablishConnectionClick();
    support::TestDialogs().Clear();
    const AnsiString refused = "Address 1 on " + device.toStdString() + " is already in use: Channel 1";
    typed->cmdEstablishConnectionClick();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text.find(refused), 0u) << support::TestDialogs().LastMessage().text;
    EXPECT_NE(support::TestDialogs().LastMessage().text.find(" is being identified on it."), AnsiString::npos)
        << support::TestDialogs().LastMessage().text;
    EXPECT_TRUE(typed->Session().IsIdle());
    EXPECT_EQ(typed->Session().ChannelObject(), nullptr);
    ConfirmIdentification(first->Session());
    ASSERT_TRUE(first->IsConnected());

    // Connected: refused through the link and a roundabout path too, each naming the
    // channel that has it (with its unit now).
    for (TmdiSubWindow* w : {typed, linked, roundabout}) {
        support::TestDialogs().Clear();
        w->cmdEstablishConnectionClick();
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        const AnsiString text = support::TestDialogs().LastMessage().text;
        EXPECT_NE(text.find(" is already in use: Channel 1 (SIMULATOR UNIT 200) is connected to it."), AnsiString::npos)
            << text;
        EXPECT_FALSE(w->IsConnected());
        EXPECT_TRUE(w->Session().IsIdle());
        EXPECT_TRUE(w->cmdEstablishConnection->isEnabled());
    }
    // Chosen from the list, the port the first channel holds comes without its address; an
    // address picked before it was taken is refused all the same.
    selected->cmbPortDropDown();
    ASSERT_GE(selected->cmbPort->findText(device), 0);
    selected->cmbPort->setCurrentIndex(selected->cmbPort->findText(device));
    EXPECT_FALSE(offers(selected, 1));
    selected->cmbSlave->insertItem(0, "1");
    selected->cmbSlave->setCurrentIndex(0);
    support::TestDialogs().Clear();
    selected->cmdEstablishConnectionClick();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_FALSE(selected->IsConnected());
    // Typed in now, by any of its names, the list leaves the address out.
    for (const QString& port : {device, link}) {
        typed->cmbPort->setEditText("");
        EXPECT_TRUE(offers(typed, 1));
        typed->cmbPort->setEditText(port);
        EXPECT_FALSE(offers(typed, 1)) << port.toStdString();
        EXPECT_TRUE(offers(typed, 2));
    }

    // German, and another address on the same line through the link is taken.
    main->mnuGermanClick();
    support::TestDialogs().Clear();
    linked->cmdEstablishConnectionClick();
    EXPECT_EQ(support::TestDialogs().LastMessage().text.find("Die Adresse 1 an " + link.toStdString() +
                                                             " ist schon belegt: Kanal 1 (SIMULATOR UNIT 200)"),
              0u)
        << support::TestDialogs().LastMessage().text;
    main->mnuEnglishClick();
    linked->cmbSlave->setCurrentIndex(linked->cmbSlave->findText("2"));
    ConnectWindow(linked, Path("second"));
    EXPECT_EQ(linked->Session().ChannelObject()->GetAddress(), 2);
    support::TestDialogs().QueueAnswer(IDYES);
    EXPECT_TRUE(main->FormCloseQueryMain());
}

// A second channel set to the unit a first one is connected to over TCP/IP (however the
// address is written) is asked about, naming the channel that has it; "No" leaves it idle.
TEST_F(ChannelWindowTest, ASecondChannelToTheSameNetworkUnitIsAskedAbout)
{
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    auto tcpWindow = [&](const char* address) {
        TmdiSubWindow* w = OpenRecording();
        Choose(w->cmbInterface, "TCP/IP");
        w->edIPAddress->setText(address);
        w->edPort->setText(QString::number(line.TcpPort()));
        return w;
    };
    TmdiSubWindow* first = tcpWindow("127.0.0.1");
    ASSERT_NO_FATAL_FAILURE(ConnectWindow(first, Path("first")));
    TmdiSubWindow* second = tcpWindow("127.000.000.001");
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    second->cmdEstablishConnectionClick();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Channel 1 (SIMULATOR UNIT 200) is already connected to the unit at 127.0.0.1:" +
                  IntToStr(line.TcpPort()) + ". Connect to it anyway?");
    EXPECT_TRUE(second->Session().IsIdle());
    EXPECT_EQ(second->Session().ChannelObject(), nullptr);
    // Another port on the same address is another unit: nothing is asked.
    support::SimulatedUnitLine other;
    other.AddUnit();
    ASSERT_TRUE(other.StartTcp(0, &error)) << error;
    second->edPort->setText(QString::number(other.TcpPort()));
    support::TestDialogs().Clear();
    ASSERT_NO_FATAL_FAILURE(ConnectWindow(second, Path("second")));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

TEST_F(ChannelWindowTest, UnconnectedWindowsOpenAndCloseWithoutTrace)
{
    for (int i = 0; i < 50; ++i) {
        TmdiSubWindow* w = OpenRecording();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->FormClose());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(main->ChildWindowCount(), 0);
    EXPECT_EQ(CChannelSession::Of(1), nullptr);

    // The other views start on their own pages.
    auto tabShown = [](TmdiSubWindow* v, QWidget* page) {
        return v->tabDataControl->isTabVisible(v->tabDataControl->indexOf(page));
    };
    main->mnuVisualisierungClick();
    auto* view = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(1));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->tabDataControl->currentWidget(), view->tabDataGraph);
    EXPECT_FALSE(tabShown(view, view->tabDataConnection));
    main->mnuProgrammgeberClick();
    auto* programmer = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(2));
    ASSERT_NE(programmer, nullptr);
    EXPECT_TRUE(programmer->ProgrammerMode());
    EXPECT_NE(programmer->Programmer(), nullptr);
    EXPECT_EQ(programmer->tabDataControl->currentWidget(), programmer->tabDataConnection);
    main->mnuTPScoutClick();
    auto* scout = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(3));
    ASSERT_NE(scout, nullptr);
    EXPECT_EQ(scout->tabDataControl->currentWidget(), scout->tabScout);
    EXPECT_TRUE(tabShown(scout, scout->tabProgrammerGraph));
    EXPECT_FALSE(tabShown(scout, scout->tabDataConnection));
    for (TmdiSubWindow* v : {view, programmer, scout}) EXPECT_TRUE(v->FormClose());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->TPScoutOpen, 0);

    // A view window closed by the user: without a file it has no channel to ask about; with
    // one it asks about the view (it shows a file; it is no data channel).
    support::TestDialogs().Clear();
    main->mnuVisualisierungClick();
    view = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(1));
    ASSERT_NE(view, nullptr);
    view->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u) << support::TestDialogs().LastMessage().text;
    EXPECT_EQ(main->ChildWindowCount(), 0);
    main->mnuVisualisierungClick();
    view = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(1));
    ASSERT_NE(view, nullptr);
    view->Session().Series(0)->AddXY(46000.0, 20.0);
    support::TestDialogs().QueueAnswer(IDNO);
    view->close();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Really close view channel 1?");
    EXPECT_EQ(main->ChildWindowCount(), 1);
    support::TestDialogs().QueueAnswer(IDYES);
    view->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->ChildWindowCount(), 0);

    // A port that is not there: the channel reports it, the window stays ready to retry.
    TmdiSubWindow* w = OpenRecording();
    w->cmbPort->setEditText("/nonexistent/tty");
    w->cmdEstablishConnectionClick();
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Serial port not accessible!\n/nonexistent/tty: No such file or directory");
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Error");
    EXPECT_TRUE(w->Session().IsIdle());
    EXPECT_TRUE(w->cmdEstablishConnection->isEnabled());
    EXPECT_EQ(w->Session().ChannelObject(), nullptr);
}

TEST(LegendScrollBar, ScrollsTheLegendsFirstItemWithinItsCount)
{
    TChart chart;
    chart.resize(400, 200);
    for (int i = 0; i < 30; ++i) {
        auto* s = new TFastLineSeries(&chart);
        s->SetTitle("Series " + IntToStr(i));
        chart.AddSeries(s);
    }
    auto* bar = new TLegendScrollBar(&chart);
    bar->SetSize(12);
    chart.Tools()->Add(bar);
    chart.PaintWindow();
    TCustomChartLegend* legend = chart.GetLegend();
    ASSERT_GT(legend->LastValue(), 0);
    ASSERT_LT(legend->LastValue(), 29);  // not all 30 fit
    EXPECT_EQ(bar->TotalCount(), 30);
    EXPECT_EQ(bar->GetPosition(), 0);

    bar->ApplyScroll(-1, false);  // at the start: nothing
    EXPECT_EQ(legend->GetFirstValue(), 0);
    bar->ProcessClick(TPoint((bar->IncRectangle().Left + bar->IncRectangle().Right) / 2,
                             (bar->IncRectangle().Top + bar->IncRectangle().Bottom) / 2));
    bar->MouseUp();
    EXPECT_EQ(legend->GetFirstValue(), 1);
    chart.PaintWindow();
    const int shown = bar->CurrentCount();
    bar->ApplyScroll(1000, false);  // stops at the last page
    EXPECT_EQ(legend->GetFirstValue(), 30 - shown);
    EXPECT_FALSE(bar->RepeatTimer() && bar->RepeatTimer()->isActive());
}

TEST(ChartClasses, ChartFilesOfEveryStandardTypeLoadAfterStartUp)
{
    RegisterChartClasses();
    TChart source;
    auto* bar = new TBarSeries(&source);
    bar->setObjectName("Series1");
    source.AddSeries(bar);
    bar->AddXY(1, 2);
    auto* pie = new TPieSeries(&source);
    pie->setObjectName("Series2");
    source.AddSeries(pie);
    TMemoryStream stream;
    SaveChartToStream(&source, &stream);
    stream.Seek(0, soFromBeginning);

    TChart target;
    LoadChartFromStream(&target, &stream);
    ASSERT_EQ(target.SeriesCount(), 2);
    EXPECT_NE(qobject_cast<TBarSeries*>(target.GetSeries(0)), nullptr);
    EXPECT_NE(qobject_cast<TPieSeries*>(target.GetSeries(1)), nullptr);
    // The function galleries offer the smoothing function too.
    EXPECT_TRUE(std::any_of(TeeSeriesTypes().begin(), TeeSeriesTypes().end(), [](const TTeeSeriesType& t) {
        return t.FunctionClass == &TSmoothingFunction::staticMetaObject;
    }));
}
