// What a user does with running channel windows, through the windows' handlers: the
// legend's values, zooming and its limits, mark texts, the graph options page, activation
// with the commands and control panel it offers, and the language switch; against the
// simulated unit.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <utility>
#include <vector>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/RecordedDataWriter.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CTransceiver.h"
#include "comm/DeviceCommandQueue.h"
#include "platform/Dialogs.h"

using namespace channeltest;

namespace {

class ChannelWindowHandlersTest : public ChannelWindowFixture {
protected:
    TmdiSubWindow* Open(void (TfrmMainWindow::*menu)())
    {
        (main.get()->*menu)();
        return dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    }
    // Connects a window to a unit on a loopback port; `absolute` chooses the time axis.
    void ConnectTcp(TmdiSubWindow* w, int port, const char* file, bool absolute = false, const char* interval = "5")
    {
        w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
        w->edPort->setText(QString::number(port));
        w->cmbTimeAxisStyle->setCurrentIndex(absolute ? 1 : 0);
        w->cmbActual->setCurrentText(interval);
        support::TestDialogs().QueueFileName(Path(file));
        w->cmdEstablishConnectionClick();
        ConfirmIdentification(w->Session());
        ASSERT_TRUE(w->IsConnected());
        ASSERT_TRUE(AwaitCycle(w->Session()));
    }
    void Tick(TmdiSubWindow* w, int count)
    {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(AwaitCycle(w->Session()));
            clock.AdvanceMs(5000);
            w->tmrDataUpdateTimer();
        }
    }
    static void StartUnit(support::SimulatedUnitLine& line, const char* name, double tc = 11.25)
    {
        support::UnitState unit;
        unit.deviceName = name;
        unit.tc = tc;
        line.AddUnit(unit);
        AnsiString error;
        ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    }
    static void Drag(TChart* c, int x0, int y0, int x1, int y1)
    {
        c->MouseDown(mbLeft, TShiftState(), x0, y0);
        c->MouseMove(TShiftState(), x1, y1);
        c->MouseUp(mbLeft, TShiftState(), x1, y1);
        c->PaintWindow();
    }
    AnsiString Message() const { return support::TestDialogs().LastMessage().text; }
    // A recording window on a unit of that name, its timer stopped, after a tick's cycle;
    // null when that failed.
    TmdiSubWindow* OpenQuietWindow(support::SimulatedUnitLine& line, const char* file, const char* name = "BATH 1",
                                   const char* interval = "5", double tc = 11.25)
    {
        StartUnit(line, name, tc);
        TmdiSubWindow* w = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
        if (!w) return nullptr;
        ConnectTcp(w, line.TcpPort(), file, false, interval);
        w->tmrDataUpdate->stop();
        Tick(w, 1);
        return !HasFatalFailure() && AwaitCycle(w->Session()) ? w : nullptr;
    }
    // The commands the unit received (command texts), the status poll left out.
    static std::vector<AnsiString> Commands(const support::SimulatedUnitLine& line)
    {
        std::vector<AnsiString> commands;
        for (const support::LoggedFrame& f : line.Frames())
            if (f.frame.size() > 13 && f.frame[4] == 'G' && f.frame.compare(4, 9, "G0D******") != 0)
                commands.push_back(f.frame.substr(4, 9));
        return commands;
    }
    // Event-protocol lines of a window that hold `part`.
    static int ProtocolLines(TmdiSubWindow* w, const AnsiString& part)
    {
        int n = 0;
        for (const AnsiString& l : w->Session().Memo(TSessionMemo::SerialData)) n += l.find(part) != AnsiString::npos;
        return n;
    }
};

struct TRanges {
    double bottomMin, bottomMax, leftMin, leftMax;
};

TRanges RangesOf(TChart* c)
{
    return {c->BottomAxis()->GetMinimum(), c->BottomAxis()->GetMaximum(), c->LeftAxis()->GetMinimum(),
            c->LeftAxis()->GetMaximum()};
}

}  // namespace

TEST_F(ChannelWindowHandlersTest, LegendShowsNoValueWhileTheUnitsPointsAreErrors)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "legendfault", "BATH 1", "5", 23.45);
    ASSERT_NE(w, nullptr);
    Tick(w, 1);
    auto legend = [&] {
        AnsiString text = "TC [°C]";
        w->graDataGraphGetLegendText(4, text);
        return QString::fromStdString(text);
    };
    const QString blanks(14, ' ');
    EXPECT_EQ(legend(), "TC [°C]:" + QString(8, ' ') + "23,45" + blanks);

    // The unit falls silent: the value it sent last is not shown as if it were current.
    line.First().InjectFault(support::UnitFault::NoReply, -1);
    ASSERT_TRUE(Await([&] { return w->Session().ChannelObject()->CommError == 1; }));
    clock.AdvanceMs(5000);
    w->tmrDataUpdateTimer();
    EXPECT_EQ(legend(), "TC [°C]:" + QString(10, ' ') + "---" + blanks);

    // It answers again: once every command has been answered, the value is back.
    line.First().ClearFaults();
    line.First().Update([](support::UnitState& u) { u.tc = 30.5; });
    clock.AdvanceMs(5000);
    w->tmrDataUpdateTimer();
    Tick(w, 2);
    EXPECT_EQ(legend(), "TC [°C]:" + QString(8, ' ') + "30,50" + blanks);
}

TEST_F(ChannelWindowHandlersTest, LegendReadOutAndZoomActOnTheirOwnChartWithinTheDepthLimit)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "legend", "BATH 1", "5", 23.45);
    ASSERT_NE(w, nullptr);
    Tick(w, 7);
    // A second window takes the front: the first one's chart still answers for itself.
    TmdiSubWindow* other = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_EQ(main->ActiveChannel(), other->Channel());

    // The legend: title and value right-aligned in 21 characters, then 14 blanks.
    AnsiString text = "TC [°C]";
    w->graDataGraphGetLegendText(4, text);
    EXPECT_EQ(QString::fromStdString(text), "TC [°C]:" + QString(8, ' ') + "23,45" + QString(14, ' '));
    w->Printing = 1;
    text = "TC [°C]";
    w->graDataGraphGetLegendText(4, text);
    EXPECT_EQ(text, "TC [°C]" + AnsiString(14, ' '));
    w->Printing = 0;
    text = "TC [°C]";
    other->graDataGraphGetLegendText(4, text);
    EXPECT_EQ(text, "TC [°C]" + AnsiString(14, ' '));  // not connected

    TChart* c = w->graDataGraph;
    c->resize(800, 500);
    c->PaintWindow();
    const TRect r = c->ChartRect;
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    c->MouseMove(TShiftState(), cx, cy);
    EXPECT_TRUE(w->lblY1Coord->text().startsWith("Y1: ") && w->lblY1Coord->text() != "Y1: -");
    EXPECT_EQ(w->lblXCoord->text(),
              QString::fromStdString("X: " + FormatDateTime("hh:nn:ss", c->BottomAxis()->CalcPosPoint(cx))));
    c->MouseMove(TShiftState(), r.Left - 20, cy);
    EXPECT_EQ(w->lblXCoord->text(), "X: -");
    EXPECT_EQ(w->lblY2Coord->text(), "Y2: -");

    // The wheel neither scrolls nor zooms.
    const TRanges before = RangesOf(c);
    QWheelEvent wheel(QPointF(cx, cy), QPointF(cx, cy), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(c, &wheel);
    EXPECT_DOUBLE_EQ(RangesOf(c).leftMax, before.leftMax);

    // Less than two seconds of time springs back to the ranges of the press.
    ASSERT_TRUE(c->GetZoom()->Allow);
    Drag(c, cx, r.Top + 10, cx + 5, r.Bottom - 10);
    TRanges now = RangesOf(c);
    EXPECT_DOUBLE_EQ(now.bottomMin, before.bottomMin);
    EXPECT_DOUBLE_EQ(now.bottomMax, before.bottomMax);
    EXPECT_DOUBLE_EQ(now.leftMax, before.leftMax);
    // A zoom wide enough stays and stops the time axis' scrolling and the vertical fit.
    Drag(c, r.Left + 5, cy, r.Right - 5, cy + 1);
    const TRanges zoomed = RangesOf(c);
    EXPECT_LT(zoomed.leftMax - zoomed.leftMin, 0.5);
    EXPECT_TRUE(w->Zoomed);
    EXPECT_FALSE(w->chkAutomaticScale->isChecked());
    EXPECT_FALSE(w->chkAutomaticScaleY->isChecked());
    // From there, less than 0.005 on the left axis springs back too.
    Drag(c, r.Left + 5, cy, r.Right - 5, cy + 1);
    now = RangesOf(c);
    EXPECT_DOUBLE_EQ(now.leftMin, zoomed.leftMin);
    EXPECT_DOUBLE_EQ(now.leftMax, zoomed.leftMax);

    // Undo restores the automatic time axis.
    Drag(c, cx, cy, r.Left + 5, r.Top + 5);
    EXPECT_FALSE(w->Zoomed);
    EXPECT_TRUE(w->chkAutomaticScale->isChecked());
    EXPECT_TRUE(c->BottomAxis()->GetAutomaticMaximum());
    // No ranges were stored: the left axis returns to its range before the zoom, not to 0..0.
    now = RangesOf(c);
    EXPECT_DOUBLE_EQ(now.leftMin, before.leftMin);
    EXPECT_DOUBLE_EQ(now.leftMax, before.leftMax);

    // Accepting the page's values keeps a series name longer than a typed one may be.
    w->tabDataOptionsShow();
    w->cmdGraphRefreshClick();
    EXPECT_EQ(w->Session().Series(0)->GetTitle(), "Tjacket [°C]");
}

TEST_F(ChannelWindowHandlersTest, MarkTextsShowOnlyWhatEachSeriesIsFor)
{
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_NE(w, nullptr);
    const std::vector<AnsiString> labels = {
        "Fehler!", "Error!", "Neue Datenaufzeichnung!", "New data recording !", "23,45", "Segment 1", ""};
    auto marks = [&](int series) {
        TChartSeries* s = w->Session().Series(series);
        s->Clear();
        for (std::size_t i = 0; i < labels.size(); ++i) s->AddXY(double(i), 1.5, labels[i]);
        std::vector<AnsiString> shown;
        for (int i = 0; i < s->Count(); ++i) shown.push_back(s->GetMarkText(i));
        return shown;
    };
    using V = std::vector<AnsiString>;
    for (int series : {0, 1, 4, 21, 23})
        EXPECT_EQ(marks(series),
                  (V{"Fehler!", "Error!", "Neue Datenaufzeichnung!", "New data recording !", "", "", ""}))
            << series;
    EXPECT_EQ(marks(2), (V{"", "", "", "", "", "Segment 1", ""}));
    EXPECT_EQ(marks(SeriesA), V(7));
    EXPECT_EQ(marks(SeriesProgrammer)[5], "Segment 1");
    EXPECT_EQ(marks(SeriesProgrammer)[4], "23,45");
}

TEST_F(ChannelWindowHandlersTest, OptionsPageRefusesWhatItCannotTakeAndChangesNothing)
{
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    TmdiSubWindow* second = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_TRUE(w && second);
    w->tabDataOptionsShow();
    const double window = w->TimeWindow;
    for (auto [typed, message] :
         {std::pair{"9", "Please enter a value between 10 and 720."},
          std::pair{"721", "Please enter a value between 10 and 720."}, std::pair{"abc", "Input mask error!"}}) {
        support::TestDialogs().Clear();
        w->edTimeWindow->setText(typed);
        w->cmdGraphRefreshClick();
        EXPECT_EQ(Message(), message) << typed;
        EXPECT_EQ(w->TimeWindow, window) << typed;
    }
    w->edTimeWindow->setText("720");
    char enter = 13;
    w->edTimeWindowKeyPress(enter);
    EXPECT_DOUBLE_EQ(w->TimeWindow, 720 * 60 / 86400.0);

    // A maximum below the old minimum is set; a maximum below its own minimum changes nothing.
    TChartAxis* left = w->graDataGraph->LeftAxis();
    w->edTempMin->setText("-90");
    w->edTempMax->setText("-80");
    w->cmdGraphRefreshClick();
    EXPECT_DOUBLE_EQ(left->GetMinimum(), -90);
    EXPECT_DOUBLE_EQ(left->GetMaximum(), -80);
    support::TestDialogs().Clear();
    w->edTempMin->setText("-50");
    w->edTempMax->setText("-60");
    w->cmdGraphRefreshClick();
    EXPECT_EQ(Message(), "Input mask error!");
    EXPECT_DOUBLE_EQ(left->GetMaximum(), -80);

    // On an empty chart the series keeps its name and colour, and no undo range is stored.
    TChartSeries* s0 = w->Session().Series(0);
    const AnsiString title = s0->GetTitle();
    const TColor colour = s0->GetSeriesColor();
    w->clbLineColor->SetTeeColor(clRed);
    EXPECT_EQ(w->clbLineColor->GetTeeColor(), clRed);
    w->edLineName->setText("Bath");
    w->edTempMax->setText("50");
    w->cmdGraphRefreshClick();
    EXPECT_DOUBLE_EQ(left->GetMaximum(), 50);
    EXPECT_EQ(s0->GetTitle(), title);
    EXPECT_EQ(s0->GetSeriesColor(), colour);
    EXPECT_EQ(w->StoredLeftMaximum, 0.0);
    // Enter in the name renames at once.
    w->edLineNameKeyPress(enter);
    EXPECT_EQ(s0->GetTitle(), "Bath");
    EXPECT_EQ(w->cmbLineSeries->itemText(0), "Bath");

    // The gradient follows one box in every open window.
    w->chkGradient->click();
    EXPECT_FALSE(second->chkGradient->isChecked());
    EXPECT_FALSE(second->graDataGraph->GetGradient()->GetVisible());
    EXPECT_EQ(main->GradientScheme, 0);
}

TEST_F(ChannelWindowHandlersTest, ActivationOffersTheCommandsOfEachViewAndColoursThePanels)
{
    support::SimulatedUnitLine line1, line3;
    StartUnit(line1, "BATH 1");
    StartUnit(line3, "BATH 3");
    TmdiSubWindow* recording = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    TmdiSubWindow* view = Open(&TfrmMainWindow::mnuVisualisierungClick);
    TmdiSubWindow* programmer = Open(&TfrmMainWindow::mnuProgrammgeberClick);
    ASSERT_TRUE(recording && view && programmer);
    TfrmMainWindow* m = main.get();
    struct TExpect {
        bool open, save, ramp, chart, device, load, startStop, next, hold;
    };
    auto check = [&](const TExpect& e, const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(m->btnFileOpen->isEnabled(), e.open);
        EXPECT_EQ(m->mnuOpenFile->isEnabled(), e.open);
        EXPECT_EQ(m->btnFileSave->isEnabled(), e.save);
        EXPECT_EQ(m->cmdRamp->isEnabled(), e.ramp);
        EXPECT_EQ(m->mnuPrint->menuAction()->isEnabled(), e.chart);
        EXPECT_EQ(m->cmdTotalFocus->isEnabled(), e.chart);
        EXPECT_EQ(panel->cmdKelvorStart->isEnabled(), e.device);
        EXPECT_EQ(panel->edSetPoint->isEnabled(), e.device);
        EXPECT_EQ(m->mnuDeviceON->isEnabled(), e.device);
        EXPECT_EQ(panel->cmdTPLoad->isEnabled(), e.load);
        EXPECT_EQ(panel->cmdTPStartStop->isEnabled(), e.startStop);
        EXPECT_EQ(panel->cmdNextSegment->isEnabled(), e.next);
        EXPECT_EQ(panel->cmdHoldSegment->isEnabled(), e.hold);
        // A label can be given to whatever channel is active, whatever it does.
        EXPECT_TRUE(panel->edChannelLabel->isEnabled());
    };
    // A greyed Open says why in its status line and tool tip, and as the File menu opens.
    auto why = [&](resources::TextRow row) {
        EXPECT_EQ(m->mnuOpenFile->statusTip().toStdString(), m->LookupText(1, row));
        EXPECT_EQ(m->btnFileOpen->toolTip().toStdString(), m->LookupText(1, row));
        m->statusBar()->clearMessage();
        emit m->mnuFile->aboutToShow();
        EXPECT_EQ(m->statusBar()->currentMessage().toStdString(), m->LookupText(1, row));
        // And when the pointer rests on the greyed item.
        m->mnuFile->popup(QPoint(0, 0));
        m->statusBar()->clearMessage();
        const QPointF at = m->mnuFile->actionGeometry(m->mnuOpenFile).center();
        QMouseEvent move(QEvent::MouseMove, at, m->mnuFile->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(m->mnuFile, &move);
        QCoreApplication::processEvents();
        EXPECT_EQ(m->statusBar()->currentMessage().toStdString(), m->LookupText(1, row));
        m->mnuFile->hide();
    };
    // Not connected yet: nothing to open, save, print or send; a program can be loaded.
    check({false, false, false, false, false, true, false, false, false}, "unconnected programmer");
    why(resources::RowOpenNeedsConnection);
    ConnectTcp(programmer, line3.TcpPort(), "prog");
    check({true, true, true, true, true, true, true, false, false}, "programmer");
    EXPECT_EQ(m->mnuOpenFile->statusTip().toStdString(), m->LookupText(1, resources::RowHintOpen).substr(5));
    EXPECT_EQ(panel->cmdTPStartStop->Tag, 1);
    ConnectTcp(recording, line1.TcpPort(), "rec");
    check({false, true, false, true, true, false, false, false, false}, "recording");
    why(resources::RowOpenRefusedRecording);
    panel->SelectChannel(view->Channel());
    check({true, false, false, true, false, false, false, false, false}, "view");
    // Activating the same window again changes nothing.
    m->btnFileOpen->setEnabled(false);
    view->FormActivate();
    EXPECT_FALSE(m->btnFileOpen->isEnabled());

    EXPECT_EQ(panel->ChannelPanel(1)->Color(), TColor(0x0087584A));
    EXPECT_EQ(panel->ChannelPanel(2)->Color(), TColor(0x0000FF00));
    EXPECT_EQ(panel->ChannelPanel(3)->Color(), TColor(0x002994B5));
    for (int c = 4; c <= 10; ++c) EXPECT_EQ(panel->ChannelPanel(c)->Color(), clSilver) << c;

    // A started program locks the device commands and turns the program button into stop;
    // while its start waits for the recorded points, it can be stopped but not held or
    // cancelled.
    programmer->mnuCreateProgramClick();
    programmer->mnuAddSegmentClick();
    programmer->btnStartTPClick(nullptr);
    ASSERT_EQ(programmer->ProgramRunning, 1);
    panel->SelectChannel(programmer->Channel());
    check({false, true, true, true, false, false, true, false, false}, "started program");
    why(resources::RowOpenWhileProgramRuns);
    EXPECT_EQ(panel->cmdTPStartStop->Tag, 0);
    EXPECT_EQ(panel->cmdTPStartStop->toolTip(), "Stop temperature program");
    EXPECT_EQ(panel->ChannelPanel(3)->Color(), TColor(0x0080FFFF));
    EXPECT_EQ(panel->ChannelPanel(2)->Color(), TColor(0x00008000));
    support::TestDialogs().QueueAnswer(IDYES);
    programmer->btnStopTPClick(nullptr);
    ASSERT_EQ(programmer->ProgramRunning, 0);

    // A TP Scout window with an empty program tree: open, but nothing to save.
    TmdiSubWindow* scout = Open(&TfrmMainWindow::mnuTPScoutClick);
    ASSERT_NE(scout, nullptr);
    check({true, false, false, false, false, true, false, false, false}, "TP Scout");
    EXPECT_EQ(panel->ChannelPanel(4)->Color(), TColor(0x0079BCFF));

    support::TestDialogs().QueueAnswer(IDYES);
    EXPECT_TRUE(m->FormCloseQueryMain());
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_FALSE(m->mnuFileSaveItem->isEnabled());
    EXPECT_FALSE(m->mnuDeviceON->isEnabled());
    EXPECT_TRUE(m->mnuDatenaufzeichnung->isEnabled());
    EXPECT_FALSE(panel->edChannelLabel->isEnabled());
}

TEST_F(ChannelWindowHandlersTest, LanguageSwitchRecaptionsWindowsAndKeepsRecordingsAsTheyRun)
{
    support::SimulatedUnitLine line;
    StartUnit(line, "BATH 1");
    TmdiSubWindow* recording = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    TmdiSubWindow* idle = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_TRUE(recording && idle);
    ConnectTcp(recording, line.TcpPort(), "abs", true);
    recording->tmrDataUpdate->stop();
    ASSERT_TRUE(recording->Session().AbsoluteTimeAxis());
    EXPECT_EQ(idle->graDataGraph->GetTitle()->Text().front(), "Data recording");

    main->mnuGermanClick();
    EXPECT_EQ(recording->Caption(), "Datenaufzeichnung / Kanal 1");
    EXPECT_EQ(idle->Caption(), "Datenaufzeichnung / Kanal 2");
    EXPECT_EQ(idle->cmdEstablishConnection->text(), "Start Aufzeichnung");
    EXPECT_EQ(idle->tabDataControl->tabText(0), "Verbindung");
    EXPECT_EQ(idle->graDataGraph->GetTitle()->Text().front(), "Datenaufzeichnung");
    EXPECT_EQ(panel->ChannelPanel(1)->Caption(), "BATH 1");
    EXPECT_EQ(panel->ChannelPanel(2)->Caption(), "Datenaufzeichnung");
    EXPECT_EQ(panel->ChannelPanel(3)->Caption(), "Kanal 3");
    main->mnuEnglishClick();
    EXPECT_EQ(recording->Caption(), "Data record / Channel 1");
    EXPECT_EQ(recording->cmbTimeAxisStyle->currentText(), "relative");
    EXPECT_EQ(recording->graDataGraph->BottomAxis()->GetTitle()->GetCaption(), "Time in [hh:mm:ss]");
    EXPECT_EQ(panel->ChannelPanel(1)->Caption(), "BATH 1");
    EXPECT_EQ(panel->ChannelPanel(2)->Caption(), "Record data");

    // The recording stays absolute across its next part, whatever the list shows now.
    clock.AdvanceMs(12LL * 3600 * 1000);
    Tick(recording, 1);
    TDataFileSaveQueue::Instance().WaitIdle();
    ASSERT_TRUE(Await([&] { return recording->Session().PartNumber() == 2; }));
    Tick(recording, 1);
    EXPECT_TRUE(recording->Session().AbsoluteTimeAxis());
    TChartSeries* s0 = recording->Session().Series(0);
    ASSERT_GT(s0->Count(), 0);
    EXPECT_NEAR(s0->GetxValue(s0->Count() - 1), Now(), 1e-6);
}

// Windows the user arranged keep their places and sizes through language switches; a window
// at the size the program gave it grows where the language's texts need it.
TEST_F(ChannelWindowHandlersTest, LanguageSwitchKeepsTheArrangementOfTheWindows)
{
    main->resize(1280, 800);
    main->show();
    QCoreApplication::processEvents();
    std::vector<QMdiSubWindow*> windows;
    for (int i = 0; i < 10; ++i) {
        TmdiSubWindow* w = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
        ASSERT_NE(w, nullptr);
        windows.push_back(w->SubWindow());
    }
    main->mnuWindowTileItem->trigger();
    const QRect area = main->MdiArea()->viewport()->rect();
    std::vector<QRect> tiled;
    for (QMdiSubWindow* w : windows) {
        ASSERT_TRUE(area.contains(w->geometry()));
        tiled.push_back(w->geometry());
    }
    for (auto language : {&TfrmMainWindow::mnuGermanClick, &TfrmMainWindow::mnuEnglishClick}) {
        (main.get()->*language)();
        QCoreApplication::processEvents();
        for (std::size_t i = 0; i < windows.size(); ++i) EXPECT_EQ(windows[i]->geometry(), tiled[i]) << i;
    }

    // Cascaded, the windows have the program's size: German texts widen them as they need.
    main->mnuWindowCascadeItem->trigger();
    main->mnuGermanClick();
    for (QMdiSubWindow* w : windows) {
        const QSize needed = w->minimumSizeHint().boundedTo(area.size());
        EXPECT_GE(w->width(), needed.width());
        EXPECT_GE(w->height(), needed.height());
    }
}

// Notices on the screen: each new one, of the same window or another, opens where the
// earlier ones stay in sight, and all stay on the screen.
TEST_F(ChannelWindowHandlersTest, NoticesOpenWhereTheEarlierOnesStayVisible)
{
    TmdiSubWindow* first = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    TmdiSubWindow* second = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_TRUE(first && second);
    platform::Dialogs* scripted = &platform::dialogs();
    platform::QtDialogs screen;
    platform::SetDialogs(&screen);
    for (TmdiSubWindow* w : {first, first, second, first, first, first})
        w->Session().OnNotice("The steps do not reach the unit.\n\nSecond line of the notice.", "Warning", {});
    QCoreApplication::processEvents();
    std::vector<QMessageBox*> boxes;
    for (TmdiSubWindow* w : {first, second})
        for (QMessageBox* box : w->findChildren<QMessageBox*>())
            if (box->isVisible()) boxes.push_back(box);
    ASSERT_EQ(boxes.size(), 6u);
    const QRect area = first->screen()->availableGeometry();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_TRUE(area.contains(boxes[i]->frameGeometry())) << i;
        for (std::size_t k = i + 1; k < boxes.size(); ++k)
            EXPECT_FALSE(boxes[i]->frameGeometry().intersects(boxes[k]->frameGeometry())) << i << " " << k;
    }
    // Closed boxes free their places: the next one takes the first place again.
    const QPoint firstPlace = boxes.front()->pos();
    for (QMessageBox* box : boxes) box->close();
    QCoreApplication::processEvents();
    first->Session().OnNotice("The steps do not reach the unit.\n\nSecond line of the notice.", "Warning", {});
    QMessageBox* again = nullptr;
    for (QMessageBox* box : first->findChildren<QMessageBox*>())
        if (box->isVisible()) again = box;
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->pos(), firstPlace);
    again->close();
    platform::SetDialogs(scripted);
}

TEST_F(ChannelWindowHandlersTest, PanelCommandsReachTheSelectedUnitInOrderAndNameIt)
{
    support::SimulatedUnitLine line1, line2;
    StartUnit(line1, "BATH 1");
    StartUnit(line2, "BATH 2");
    line2.First().Update([](support::UnitState& s) { s.setpoint = 30.0; });
    TmdiSubWindow* first = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "");  // nothing known of the unit yet
    ConnectTcp(first, line1.TcpPort(), "first");
    TmdiSubWindow* second = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_NE(second, nullptr);
    ConnectTcp(second, line2.TcpPort(), "second");
    first->tmrDataUpdate->stop();
    second->tmrDataUpdate->stop();
    Tick(first, 1);
    Tick(second, 1);
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "30,00");

    // The label and setpoint fields show those of the window the user selects, never the
    // one before.
    panel->SelectChannel(first->Channel());
    EXPECT_EQ(panel->edChannelLabel->text(), "BATH 1");
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "25,00");
    panel->SelectChannel(second->Channel());
    EXPECT_EQ(panel->edChannelLabel->text(), "BATH 2");
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "30,00");
    // A setpoint set at the unit itself shows at the next ticks; the other unit's ticks
    // leave the field alone.
    line2.First().Update([](support::UnitState& s) { s.setpoint = 31.5; });
    Tick(second, 2);
    Tick(first, 1);
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "31,50");

    // The setpoint question says which value goes to which unit. The value the user typed
    // stays while the unit has another one.
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    panel->edSetPoint->setText("35,5");
    panel->cmdDataToKelvor->click();
    EXPECT_EQ(Message(), "Do you really want to set the current setpoint?\n\nSetpoint 35,5 °C\nto channel 2 (BATH 2)");
    Tick(second, 2);
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "35,5");

    // Circulation, then control on before the poll thread took the first: both reach the
    // unit, in order, each in two cycles, without an error box; the other unit gets none.
    support::TestDialogs().Clear();
    line1.ClearLog();
    line2.ClearLog();
    panel->cmdKelvorStartCirculation->click();
    panel->cmdKelvorStart->click();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    Tick(second, 8);
    ASSERT_TRUE(AwaitCycle(second->Session()));
    const auto commands = [](const support::SimulatedUnitLine& line) {
        std::vector<AnsiString> letters;
        for (const support::LoggedFrame& f : line.Frames())
            if (f.frame.compare(3, 4, "1G0D") == 0 && f.frame[7] != '*') letters.push_back(f.frame.substr(7, 1));
        return letters;
    };
    EXPECT_EQ(commands(line2), (std::vector<AnsiString>{"C", "C", "I", "I"}));
    EXPECT_EQ(line2.First().State().controlMode, 'I');
    Tick(first, 3);
    EXPECT_TRUE(commands(line1).empty());
    EXPECT_EQ(line1.First().State().controlMode, 'O');

    // Once the unit has the typed value, the field reads it as the unit tells it; another
    // channel's value never stays behind when the user selects it.
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "35,5");
    support::TestDialogs().QueueAnswer(IDYES);
    panel->cmdDataToKelvor->click();
    Tick(second, 3);
    EXPECT_DOUBLE_EQ(line2.First().State().setpoint, 35.5);
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "35,50");
    panel->edSetPoint->setText("40");
    panel->SelectChannel(first->Channel());
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "25,00");
}

// The operator's control mode stays chosen through language switches (also to the language
// shown) and new windows of every view, and the question names the mode that goes out.
TEST_F(ChannelWindowHandlersTest, TheChosenControlModeStaysAndTheQuestionNamesIt)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "mode");
    ASSERT_NE(w, nullptr);
    panel->cmbTempMethod->setCurrentIndex(1);
    main->mnuGermanClick();
    main->mnuGermanClick();
    EXPECT_EQ(panel->cmbTempMethod->currentText(), "Prozess");
    for (auto menu : {&TfrmMainWindow::mnuDatenaufzeichnungClick, &TfrmMainWindow::mnuVisualisierungClick,
                      &TfrmMainWindow::mnuProgrammgeberClick})
        ASSERT_NE(Open(menu), nullptr);
    main->mnuEnglishClick();
    EXPECT_EQ(panel->cmbTempMethod->currentIndex(), 1);
    EXPECT_EQ(panel->cmbTempMethod->currentText(), "process");

    panel->SelectChannel(w->Channel());
    line.ClearLog();
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    panel->cmdKelvorStart->click();
    EXPECT_EQ(Message(),
              "Do you want to activate temperature control and if necessary change control method?\n\n"
              "Channel 1 (BATH 1)\nTemperature control mode: process");
    support::TestDialogs().QueueAnswer(IDYES);
    panel->cmdKelvorStart->click();
    Tick(w, 3);
    ASSERT_TRUE(AwaitCycle(w->Session()));
    EXPECT_EQ(Commands(line), std::vector<AnsiString>(2, "G0DE*****"));
    EXPECT_EQ(line.First().State().controlMode, 'E');

    // Internal chosen again, through a switch: the question and the unit say so.
    panel->cmbTempMethod->setCurrentIndex(0);
    main->mnuGermanClick();
    line.ClearLog();
    support::TestDialogs().QueueAnswer(IDYES);
    panel->cmdKelvorStart->click();
    EXPECT_NE(Message().find("Temperierung: Intern"), AnsiString::npos) << Message();
    Tick(w, 3);
    ASSERT_TRUE(AwaitCycle(w->Session()));
    EXPECT_EQ(Commands(line), std::vector<AnsiString>(2, "G0DI*****"));
    EXPECT_EQ(line.First().State().controlMode, 'I');
}

TEST_F(ChannelWindowHandlersTest, NoCommandGivenBeforeALossReachesTheUnitAfterItAndNoneIsTakenDuringIt)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "loss");
    ASSERT_NE(w, nullptr);
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);

    // Circulation is handed to the poll thread and the setpoint waits behind it; then the
    // unit's network side goes away before either went out (the poll thread is held while
    // they are given: it sends a command as soon as it has it).
    poll->Active = 0;
    const int passes = poll->PassCount;
    ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
    support::TestDialogs().Clear();
    panel->cmdKelvorStartCirculation->click();
    panel->edSetPoint->setText("55");
    panel->cmdDataToKelvor->click();
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);  // the two questions
    line.StopListening();
    line.ClearLog();
    poll->Active = 1;
    clock.AdvanceMs(5000);
    w->tmrDataUpdateTimer();
    ASSERT_TRUE(Await([&] { return poll->IsLinkLost(); }));
    const AnsiString notSent = " Not sent, the connection to the unit is lost: ";
    ASSERT_TRUE(Await([&] { return ProtocolLines(w, notSent) > 0; }));
    EXPECT_EQ(ProtocolLines(w, notSent + "Activate circulation; Set setpoint 55,00 °C"), 1);
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 3; }));
    EXPECT_EQ(Message(),
              "Channel 1 (BATH 1)\n\nNot sent, the connection to the unit is lost: Activate circulation; "
              "Set setpoint 55,00 °C");

    // Meanwhile every device command is refused before its question, and a program's
    // one-shot command is refused by the window's queue itself, named in the protocol.
    for (TSpeedButton* button :
         {panel->cmdKelvorStartCirculation, panel->cmdKelvorStart, panel->cmdKelvorStop, panel->cmdDataToKelvor}) {
        support::TestDialogs().Clear();
        button->click();
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        EXPECT_EQ(Message(), "No active connection available!");
        EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Warning");
    }
    EXPECT_EQ(w->Session().SendProgramCommands("G0D**0CE4", "C14*************", true), TCommandHandOver::Refused);
    EXPECT_EQ(ProtocolLines(w, notSent + "Set setpoint 33,00 °C"), 1);

    // The unit comes back and is identified again: it gets the status poll, none of the
    // commands; one given now goes out as usual.
    const auto unitBackWithoutCommands = [&] {
        AnsiString error;
        ASSERT_TRUE(line.ListenAgain(&error)) << error;
        clock.AdvanceMs(comm::ReconnectDelayMs(0));
        ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));
        clock.AdvanceMs(5000);
        w->tmrDataUpdateTimer();  // clears the error the loss left
        Tick(w, 4);
        ASSERT_TRUE(AwaitCycle(w->Session()));
        EXPECT_TRUE(Commands(line).empty());
    };
    unitBackWithoutCommands();
    if (HasFatalFailure()) return;
    EXPECT_EQ(line.First().State().controlMode, 'O');
    // The setpoint that was not sent gives way to the unit's own.
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), FormatFloat("0.00", line.First().State().setpoint));
    EXPECT_EQ(ProtocolLines(w, notSent), 2);
    panel->cmdKelvorStop->click();
    Tick(w, 3);
    ASSERT_TRUE(AwaitCycle(w->Session()));
    EXPECT_EQ(Commands(line), std::vector<AnsiString>(2, "G0DO*****"));

    // The link goes while the question is open: the Yes is refused, and the command never
    // reaches the unit once it is back.
    line.ClearLog();
    support::TestDialogs().Clear();
    support::TestDialogs().WhileShown = [&](const support::ShownMessage&) {
        line.StopListening();
        clock.AdvanceMs(5000);
        w->tmrDataUpdateTimer();
        ASSERT_TRUE(Await([&] { return poll->IsLinkLost(); }));
    };
    panel->cmdKelvorStartCirculation->click();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_EQ(Message(), "No active connection available!");
    unitBackWithoutCommands();
}

// Setpoints the user confirmed that have not gone out when the channel is closed: the close
// question names them; a "No" lets them go, a "Yes" drops them and the protocol in the file
// names them as not sent.
TEST_F(ChannelWindowHandlersTest, ClosingNamesTheConfirmedCommandsThatHaveNotGoneOut)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "waiting", "BATH 1", "1");
    ASSERT_NE(w, nullptr);
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);
    auto hold = [&] {
        poll->Active = 0;
        const int passes = poll->PassCount;
        ASSERT_TRUE(Await([&] { return poll->PassCount >= passes + 2; }));
    };
    auto give = [&](const char* value) {
        panel->edSetPoint->setText(value);
        support::TestDialogs().QueueAnswer(IDYES);
        panel->cmdDataToKelvor->click();
    };
    const AnsiString waiting =
        "Really close data channel 1?\n\nStill waiting for the unit, not sent once the channel "
        "is closed: Set setpoint 20,37 °C; Set setpoint 20,42 °C";
    // The first is handed to the poll thread, the second waits behind it.
    hold();
    give("20,37");
    give("20,42");
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDNO);
    w->close();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(Message(), waiting);
    poll->Active = 1;
    ASSERT_TRUE(Await([&] { return Commands(line).size() >= 4; }));
    ASSERT_TRUE(AwaitCommandsOut(w->Session()));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 20.42);

    hold();
    line.ClearLog();
    give("20,37");
    give("20,42");
    support::TestDialogs().Clear();
    support::TestDialogs().QueueAnswer(IDYES);
    w->close();
    EXPECT_EQ(support::TestDialogs().Messages().front().text, waiting);
    EXPECT_FALSE(main->IsChannelOpen(1));
    TDataFileSaveQueue::Instance().WaitIdle();
    EXPECT_TRUE(Commands(line).empty());
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 20.42);
    QFile file(QString::fromStdString(Path("waiting_11.csv")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count(
                  QString::fromUtf8(" Not sent, the channel was closed: Set setpoint 20,37 °C; Set setpoint 20,42 °C")
                      .toLatin1()),
              1);
}

// RS232 at a minute's interval: the unit is silent, control on goes out unanswered and a
// setpoint waits behind it; the port goes away. The field gives the value named "not sent"
// up for the unit's own at once, not at a tick a minute later.
TEST_F(ChannelWindowHandlersTest, ASetpointNotSentBehindAnUnansweredCommandLeavesTheFieldAtOnce)
{
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    TmdiSubWindow* w = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
    ASSERT_NE(w, nullptr);
    w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("RS232"));
    w->cmbPort->setEditText(QString::fromStdString(line.SlavePath()));
    w->cmbActual->setCurrentText("60");
    support::TestDialogs().QueueFileName(Path("field"));
    w->cmdEstablishConnectionClick();
    ConfirmIdentification(w->Session());
    ASSERT_TRUE(w->IsConnected());
    w->tmrDataUpdate->stop();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(AwaitCycle(w->Session()));
        clock.AdvanceMs(60000);
        w->tmrDataUpdateTimer();
    }
    ASSERT_TRUE(AwaitCycle(w->Session()));
    ASSERT_EQ(panel->edSetPoint->text().toStdString(), "25,00");

    line.ClearLog();
    line.First().Update([](support::UnitState& u) { u.answers = 0; });
    support::TestDialogs().Clear();
    panel->cmdKelvorStart->click();
    ASSERT_TRUE(Await([&] { return !Commands(line).empty(); }));
    panel->edSetPoint->setText("36,6");
    panel->cmdDataToKelvor->click();
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "36,6");
    line.UnplugPty();
    ASSERT_TRUE(Await(
        [&] { return ProtocolLines(w, " Not sent, the connection to the unit is lost: Set setpoint 36,60 °C") == 1; }));
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "25,00");
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 25.0);
    clock.AdvanceMs(10000);
    ASSERT_TRUE(Await([] { return true; }));
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "25,00");
}

TEST_F(ChannelWindowHandlersTest, ALinkLostAtAnyStepOfACommandsTwoCyclesIsReportedAsTheUnitGotIt)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "steps");
    ASSERT_NE(w, nullptr);
    CChannel* unit = w->Session().ChannelObject();
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);
    const int rows = poll->Count;
    ASSERT_GE(rows, 2);
    const AnsiString notSent = "Not sent, the connection to the unit is lost: ";
    const AnsiString unanswered =
        "Sent without an answer, the connection to the unit is lost; the unit may have taken the command: ";
    const AnsiString answered =
        "Sent and answered by the unit, then the connection to the unit was lost (not sent a second time): ";
    // Step -1: the connection is gone before the command's first frame. Step n: the unit
    // takes the n-th frame from the command's first on, then drops the connection instead
    // of answering (0: the command itself, `rows`: its second cycle's frame).
    for (int step = -1; step < 2 * rows; ++step) {
        SCOPED_TRACE(step);
        ASSERT_TRUE(Await([&] { return !poll->IsLinkLost() && !unit->OneShotInProgress() && unit->PollRequest == 0; }));
        line.ClearLog();
        support::TestDialogs().Clear();
        if (step < 0) {
            line.DropConnection();
            ASSERT_TRUE(Await([&] { return line.ClientCount() == 0; }));
        } else {
            if (step > 0) line.First().InjectFault(support::UnitFault::None, step);
            line.First().InjectFault(support::UnitFault::DropConnection, 1);
        }
        const int hundredths = 3101 + step;
        const AnsiString value = "31," + IntToStr(hundredths - 3100 + 100).substr(1);
        panel->edSetPoint->setText(QString::fromStdString(value));
        panel->cmdDataToKelvor->click();
        ASSERT_TRUE(Await([&] { return poll->IsLinkLost(); }));
        clock.AdvanceMs(comm::ReconnectDelayMs(0));
        ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));
        // The cycle the loss cut short ends, and ticks' cycles follow: none brings the
        // command again.
        clock.AdvanceMs(5000);
        w->tmrDataUpdateTimer();
        Tick(w, 2);
        ASSERT_TRUE(AwaitCycle(w->Session()));

        const std::vector<AnsiString> commands = Commands(line);
        const auto received = std::count(commands.begin(), commands.end(), "G0D**" + IntToHex(hundredths, 4));
        EXPECT_EQ(received, step < 0 ? 0 : step < rows ? 1 : 2);
        EXPECT_EQ(commands.size(), std::size_t(received));
        // Out in both cycles, the command went as any other: nothing to report.
        const AnsiString report = step < 0 ? notSent : step == 0 ? unanswered : step < rows ? answered : AnsiString();
        const AnsiString name = "Set setpoint " + value + " °C";
        for (const AnsiString& text : {notSent, unanswered, answered})
            EXPECT_EQ(ProtocolLines(w, " " + text + name), text == report ? 1 : 0) << text;
        // The user who confirmed it is told in a box, as of a command that could not go in time.
        if (!report.empty()) {
            ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 2; }));
        }
        ASSERT_EQ(support::TestDialogs().MessageCount(), report.empty() ? 1u : 2u);
        if (!report.empty()) {
            EXPECT_EQ(Message(), "Channel 1 (BATH 1)\n\n" + report + name);
        }
    }
}

TEST_F(ChannelWindowHandlersTest, EveryCommandOfABurstReachesTheUnitInOrderOrIsRefusedWithAMessage)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "burst");
    ASSERT_NE(w, nullptr);
    line.ClearLog();

    std::vector<AnsiString> taken;
    for (int i = 0; i < 20; ++i) {
        support::TestDialogs().Clear();
        const bool circulation = i % 2 == 0;
        (circulation ? panel->cmdKelvorStartCirculation : panel->cmdKelvorStart)->click();
        if (support::TestDialogs().MessageCount() == 1) {  // the question only
            taken.push_back(circulation ? "G0DC*****" : "G0DI*****");
            continue;
        }
        ASSERT_EQ(support::TestDialogs().MessageCount(), 2u) << i;
        EXPECT_EQ(Message(), AnsiString("Too many commands are waiting for the unit. Not sent: ") +
                                 (circulation ? "Activate circulation" : "Activate temperature control (Intern)"));
    }
    EXPECT_EQ(taken.size(), DeviceCommandQueue::MaxWaiting + 1);
    std::vector<AnsiString> expected;
    for (const AnsiString& c : taken) expected.insert(expected.end(), 2, c);
    // They go out one after the other without waiting for a tick.
    ASSERT_TRUE(Await([&] { return Commands(line).size() >= expected.size(); }, 4 * kWaitMs));
    Tick(w, 2);
    ASSERT_TRUE(AwaitCycle(w->Session()));
    EXPECT_EQ(Commands(line), expected);

    // Twenty setpoints confirmed while the first goes out: each newer one takes the place
    // of the one still waiting, so the unit ends on the last value confirmed, without a
    // refusal; the protocol names the values that never went.
    ASSERT_TRUE(Await([&] { return !w->Session().ChannelObject()->OneShotInProgress(); }));
    line.ClearLog();
    support::TestDialogs().Clear();
    for (int i = 1; i <= 20; ++i) {
        panel->edSetPoint->setText(QString::fromStdString("30," + IntToStr(100 + i).substr(1)));
        panel->cmdDataToKelvor->click();
    }
    EXPECT_EQ(support::TestDialogs().MessageCount(), 20u);  // the questions only
    ASSERT_TRUE(Await([&] { return Commands(line).size() >= 4; }));
    Tick(w, 2);
    ASSERT_TRUE(AwaitCycle(w->Session()));
    EXPECT_EQ(Commands(line), (std::vector<AnsiString>{"G0D**0BB9", "G0D**0BB9", "G0D**0BCC", "G0D**0BCC"}));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 30.20);
    for (int i = 2; i < 20; ++i)
        EXPECT_EQ(ProtocolLines(w, " Not sent, a newer setpoint takes its place: Set setpoint 30," +
                                       IntToStr(100 + i).substr(1) + " °C"),
                  1)
            << i;
}

TEST_F(ChannelWindowHandlersTest, AtAMinutesIntervalACommandGoesAsSoonAsTheUnitAnswersAgain)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "again", "BATH 1", "60");
    ASSERT_NE(w, nullptr);
    CChannel* unit = w->Session().ChannelObject();
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);

    // One reply of a tick's cycle is lost; the next tick is a minute away. A setpoint given
    // now goes out within the poll thread's few passes, in both its cycles, and is not
    // dropped: the unit answers again.
    line.ClearLog();
    line.First().InjectFault(support::UnitFault::NoReply, 1);
    clock.AdvanceMs(60000);
    w->tmrDataUpdateTimer();
    ASSERT_TRUE(Await([&] { return unit->CommError == 1; }));
    support::TestDialogs().Clear();
    panel->edSetPoint->setText("41");
    panel->cmdDataToKelvor->click();
    ASSERT_TRUE(Await([&] { return Commands(line).size() >= 2; }));
    EXPECT_EQ(Commands(line), std::vector<AnsiString>(2, "G0D**1004"));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);  // the question
    // The fault was counted when the poll thread went past it; the next tick's values are
    // all renewed since: its point is good.
    ASSERT_TRUE(Await([&] { return !unit->OneShotInProgress() && unit->PollRequest == 0; }));
    ASSERT_TRUE(Await([&] { return w->Session().ErrorTicks() == 1; }));
    clock.AdvanceMs(60000);
    w->tmrDataUpdateTimer();
    EXPECT_EQ(w->Session().Series(0)->GetXLabel(w->Session().Series(0)->Count() - 1), "");

    // The link is lost in a tick's cycle and comes back two attempts later: a setpoint
    // given once the unit is identified again goes out at once, not with the next tick.
    ASSERT_TRUE(Await([&] { return !unit->OneShotInProgress() && unit->PollRequest == 0; }));
    line.StopListening();
    clock.AdvanceMs(60000);
    w->tmrDataUpdateTimer();
    ASSERT_TRUE(Await([&] { return poll->IsLinkLost(); }));
    clock.AdvanceMs(comm::ReconnectDelayMs(0));
    ASSERT_TRUE(Await([&] { return poll->ReconnectAttempts() == 1; }));
    AnsiString error;
    ASSERT_TRUE(line.ListenAgain(&error)) << error;
    clock.AdvanceMs(comm::ReconnectDelayMs(1));
    ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));
    line.ClearLog();
    panel->edSetPoint->setText("43");
    panel->cmdDataToKelvor->click();
    ASSERT_TRUE(Await([&] { return Commands(line).size() >= 2; }));
    EXPECT_EQ(Commands(line), std::vector<AnsiString>(2, "G0D**10CC"));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 43.0);
}

TEST_F(ChannelWindowHandlersTest, AtAMinutesIntervalCommandsGoOutAtOnceOrAreDroppedWithAMessage)
{
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "minute", "BATH 1", "60");
    ASSERT_NE(w, nullptr);
    CChannel* unit = w->Session().ChannelObject();
    const int points = w->Session().Series(0)->Count();
    line.ClearLog();

    // Two commands right after each other reach the unit in order, each in its two cycles,
    // while the clock stays far from the next tick.
    support::TestDialogs().Clear();
    panel->edSetPoint->setText("42,5");
    panel->cmdDataToKelvor->click();
    panel->cmdKelvorStartCirculation->click();
    ASSERT_TRUE(Await([&] { return Commands(line).size() >= 4; }));
    EXPECT_EQ(Commands(line), (std::vector<AnsiString>{"G0D**109A", "G0D**109A", "G0DC*****", "G0DC*****"}));
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 42.5);
    EXPECT_EQ(line.First().State().controlMode, 'C');
    EXPECT_EQ(w->Session().Series(0)->Count(), points);

    // The unit stops answering: the cycle of the next command fails and holds the poll back
    // until the next tick. A command given now waits; after 30 s it is dropped, said so in
    // the protocol and a message, and never reaches the unit, nor does the held command's
    // second cycle.
    ASSERT_TRUE(Await([&] { return !unit->OneShotInProgress(); }));
    line.ClearLog();
    line.First().InjectFault(support::UnitFault::NoReply, -1);
    panel->cmdKelvorStop->click();
    ASSERT_TRUE(Await([&] { return unit->CommError == 1; }));
    panel->edSetPoint->setText("30");
    panel->cmdDataToKelvor->click();
    support::TestDialogs().Clear();
    clock.AdvanceMs(DeviceCommandQueue::MaxWaitMs + 1000);
    const AnsiString notSent = "Not sent, the command could not go to the unit within 30 s: Set setpoint 30,00 °C";
    // The stop went out once and the unit said nothing: the user hears that it may have
    // taken it.
    const AnsiString unanswered =
        "Sent without an answer, the unit does not answer; the unit may have taken the "
        "command: Deactivate temperature control/circulation";
    ASSERT_TRUE(Await([&] { return support::TestDialogs().MessageCount() == 2; }));
    for (const AnsiString& text : {notSent, unanswered}) {
        const std::vector<support::ShownMessage> shown = support::TestDialogs().Messages();
        EXPECT_EQ(
            std::count_if(shown.begin(), shown.end(),
                          [&](const support::ShownMessage& m) { return m.text == "Channel 1 (BATH 1)\n\n" + text; }),
            1)
            << text;
        EXPECT_EQ(ProtocolLines(w, " " + text), 1);
    }
    // The dropped setpoint is not what the unit has, neither now nor after it answers again.
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "42,50");
    line.First().ClearFaults();
    clock.AdvanceMs(60000 - DeviceCommandQueue::MaxWaitMs);
    w->tmrDataUpdateTimer();
    Tick(w, 3);
    ASSERT_TRUE(AwaitCycle(w->Session()));
    EXPECT_EQ(Commands(line), std::vector<AnsiString>{"G0DO*****"});
    EXPECT_EQ(panel->edSetPoint->text().toStdString(), "42,50");
    EXPECT_DOUBLE_EQ(line.First().State().setpoint, 42.5);
}

TEST_F(ChannelWindowHandlersTest, TheCommunicationWarningNamesItsChannelOpensOverItAndIsInItsProtocol)
{
    // At 60 s the warning is due after three error ticks.
    support::SimulatedUnitLine line1, line2;
    TmdiSubWindow* silent = OpenQuietWindow(line1, "silent", "BATH 1", "60");
    ASSERT_NE(silent, nullptr);
    TmdiSubWindow* active = OpenQuietWindow(line2, "active", "BATH 2");
    ASSERT_NE(active, nullptr);
    silent->setGeometry(0, 0, 400, 400);
    active->setGeometry(400, 0, 400, 400);
    ASSERT_EQ(main->ActiveChannel(), active->Channel());

    support::TestDialogs().Clear();
    // Both windows' exchanges wait on the one device clock: moved on for the silent unit's
    // request while the active unit's reply is still on its way, it would time that out too
    // (and the active window's cycle would wait for a tick that the test gives only after it).
    // The silent request times out when the active window is idle.
    deviceTime.timeOutUnanswered = false;
    std::size_t silentFrames = line1.Frames().size();
    auto timeOutSilentRequest = [&] {
        // Its wait's end is fixed before it goes out: once the unit has it, the move ends it.
        ASSERT_TRUE(Await([&] { return line1.Frames().size() > silentFrames; }));
        ASSERT_TRUE(AwaitCycle(active->Session()));
        deviceClock.AdvanceMs(support::StoppedDeviceTime::LongestWaitMs());
        silentFrames = line1.Frames().size();
    };
    line1.First().InjectFault(support::UnitFault::NoReply, -1);
    CChannel* unit = silent->Session().ChannelObject();
    silent->tmrDataUpdateTimer();  // asks for the cycle that goes unanswered
    AnsiString since;
    for (int i = 0; i < 3; ++i) {
        ASSERT_NO_FATAL_FAILURE(timeOutSilentRequest());
        ASSERT_TRUE(Await([&] { return unit->CommError == 1; }));
        if (i == 0) since = FormatDateTime("hh:nn:ss", clock.Now());
        clock.AdvanceMs(60000);
        silent->tmrDataUpdateTimer();
        Tick(active, 1);
    }
    ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 1; }));
    const support::ShownMessage box = support::TestDialogs().LastMessage();
    EXPECT_EQ(box.text,
              "Channel 1 (BATH 1)\n\nToo many communication errors detected. Please check the data link. "
              "Errors since " +
                  since + ".");
    // Over the silent window: a box centred over the active one would begin right of the
    // silent window's middle.
    EXPECT_TRUE(box.placed);
    const QPoint middle = silent->mapToGlobal(silent->rect().center());
    EXPECT_LE(box.left, middle.x());
    EXPECT_LE(box.top, middle.y());
    EXPECT_EQ(ProtocolLines(silent,
                            " Too many communication errors detected. Please check the data link. Errors "
                            "since " +
                                since + "."),
              1);
    EXPECT_EQ(ProtocolLines(active, "Too many communication errors"), 0);
}

TEST_F(ChannelWindowHandlersTest, TheCommunicationWarningComesOnlyWhileTheUnitHasNotAnsweredAgain)
{
    // At 60 s the third error tick is due three minutes after the link went away. The link
    // comes back 12 s after the second: the third tick (48 s later) or a setpoint given 15 s
    // after the return counts the errors of the loss, but the unit has answered since. Last,
    // the link stays away: the warning comes, saying since when.
    support::SimulatedUnitLine line;
    TmdiSubWindow* w = OpenQuietWindow(line, "answersagain", "BATH 1", "60");
    ASSERT_NE(w, nullptr);
    CChannel* unit = w->Session().ChannelObject();
    CTransceiver* poll = TransceiverThreads[w->Channel()];
    ASSERT_NE(poll, nullptr);
    enum class TEnd { TickAfterReturn, CommandAfterReturn, StaysAway };
    for (const TEnd end : {TEnd::TickAfterReturn, TEnd::CommandAfterReturn, TEnd::StaysAway}) {
        SCOPED_TRACE(int(end));
        ASSERT_TRUE(Await([&] { return !unit->OneShotInProgress() && unit->PollRequest == 0; }));
        ASSERT_EQ(w->Session().ErrorTicks(), 0);
        support::TestDialogs().Clear();
        line.ClearLog();
        line.StopListening();
        clock.AdvanceMs(60000);
        const AnsiString since = FormatDateTime("hh:nn:ss", clock.Now());
        w->tmrDataUpdateTimer();
        ASSERT_TRUE(Await([&] { return poll->IsLinkLost() && unit->CommError == 1; }));
        // Each tick finds a failed attempt to reconnect (counted from the loss) and the fault it
        // left.
        for (int i = 1; i <= 2; ++i) {
            clock.AdvanceMs(60000);
            w->tmrDataUpdateTimer();
            ASSERT_EQ(w->Session().ErrorTicks(), i);
            ASSERT_TRUE(Await([&] { return poll->ReconnectAttempts() == i && unit->CommError == 1; }));
        }
        if (end != TEnd::StaysAway) {
            AnsiString error;
            ASSERT_TRUE(line.ListenAgain(&error)) << error;
            clock.AdvanceMs(comm::ReconnectDelayMs(2));
            ASSERT_TRUE(Await([&] { return !poll->IsLinkLost(); }));
        }
        if (end == TEnd::CommandAfterReturn) {
            clock.AdvanceMs(15000);
            panel->edSetPoint->setText("33");
            panel->cmdDataToKelvor->click();
            ASSERT_TRUE(Await([&] { return Commands(line).size() >= 2 && w->Session().ErrorTicks() == 3; }));
            EXPECT_DOUBLE_EQ(line.First().State().setpoint, 33.0);
            ASSERT_TRUE(Await([&] { return !unit->OneShotInProgress(); }));
            clock.AdvanceMs(60000 - comm::ReconnectDelayMs(2) - 15000);
        } else {
            clock.AdvanceMs(60000 - (end == TEnd::StaysAway ? 0 : comm::ReconnectDelayMs(2)));
        }
        w->tmrDataUpdateTimer();
        ASSERT_TRUE(Await([] { return true; }));
        const AnsiString warning = "Too many communication errors detected. Please check the data link.";
        if (end == TEnd::StaysAway) {
            ASSERT_TRUE(Await([] { return support::TestDialogs().MessageCount() == 1; }));
            EXPECT_EQ(Message(), "Channel 1 (BATH 1)\n\n" + warning + " Errors since " + since + ".");
            EXPECT_EQ(ProtocolLines(w, " " + warning + " Errors since " + since + "."), 1);
            break;
        }
        EXPECT_EQ(support::TestDialogs().MessageCount(), end == TEnd::CommandAfterReturn ? 1u : 0u);  // the question
        EXPECT_EQ(ProtocolLines(w, warning), 0);
        // The unit answers the ticks' cycles (the first goes on where the loss cut it short):
        // the count starts anew.
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(AwaitCycle(w->Session()));
            clock.AdvanceMs(60000);
            w->tmrDataUpdateTimer();
        }
        EXPECT_EQ(w->Session().ErrorTicks(), 0);
    }
}
