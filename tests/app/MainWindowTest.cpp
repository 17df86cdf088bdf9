#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "FakeChannelForm.h"
#include "app/CLanguage.h"
#include "app/IShellHooks.h"
#include "app/TfrmMainWindow.h"
#include "app/classFileReader.h"
#include "platform/FileSave.h"
#include "platform/SerialPort.h"
#include "platform/UiDispatcher.h"
#include "resources/TextRows.h"
#include "support/ScriptedDialogs.h"

using namespace resources;

namespace {

AnsiString Text(int language, int row)
{
    AnsiString out;
    return CLanguage::Instance()->LookupText(language, row, out);
}
AnsiString S(const QString& s)
{
    return s.toStdString();
}

class FakePanel : public IControlPanel {
public:
    void cmdKelvorStartCirculationClick(bool fromMenu) override { commands.push_back(fromMenu ? "circ-menu" : "circ"); }
    void cmdKelvorStartClick(bool) override { commands.push_back("start"); }
    void cmdKelvorStopClick(bool) override { commands.push_back("stop"); }
    void cmdDataToKelvorClick(bool) override { commands.push_back("setpoint"); }
    bool Visible() const override { return visible; }
    void SetVisible(bool v) override { visible = v; }
    void BringToFront() override {}
    int Width() const override { return 200; }
    int Height() const override { return 100; }
    void Move(int, int) override { ++moves; }
    void SetLanguage(int value) override { language = value; }
    void SetChannelPanel(int channel, const AnsiString& caption, int tag) override { panels[channel] = {caption, tag}; }
    int language = -1;
    bool visible = false;
    int moves = 0;
    std::vector<std::string> commands;
    std::map<int, std::pair<AnsiString, int>> panels;
};

class FakeProgrammerDialogs : public IProgrammerDialogs {
public:
    void ClearOverview() override { states.clear(); }
    void SetChannelState(int channel, int connected, int, const AnsiString&, int, int viewMode) override
    {
        states.push_back({channel, connected, viewMode});
    }
    void ShowDateTimePicker() override { ++pickerShown; }
    void SetProgramName(const AnsiString&) override {}
    void ShowSingleRamp(int channel) override { rampChannel = channel; }
    std::vector<std::array<int, 3>> states;
    int pickerShown = 0;
    int rampChannel = 0;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        support::TestDialogs().Clear();
        window = std::make_unique<TfrmMainWindow>(&factory, CLanguage::English);
        window->tmrPopUp->stop();  // the title pop-up is tested on its own
        window->SetPanelControl(&panel);
        window->SetProgrammerDialogs(&programmer);
    }
    void TearDown() override
    {
        window.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        support::TestDialogs().Clear();
    }
    FakeChannelForm* Form(int c) { return dynamic_cast<FakeChannelForm*>(window->ChannelForm(c)); }
    // Lets closed windows go.
    static void Flush()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    void OpenRecordings(int count)
    {
        for (int i = 0; i < count; ++i) window->mnuDatenaufzeichnung->trigger();
    }

    FakeChannelFactory factory;
    FakePanel panel;
    FakeProgrammerDialogs programmer;
    std::unique_ptr<TfrmMainWindow> window;
};

}  // namespace

TEST_F(MainWindowTest, LanguageSwitchRecaptionsMenusAndOpenChannels)
{
    EXPECT_EQ(S(window->windowTitle()), "NoxControl 1.2");
    EXPECT_EQ(S(window->mnuFile->title()), Text(1, RowMenuFile));
    EXPECT_EQ(S(window->mnuFileExitItem->text()), Text(1, RowMenuExit));
    EXPECT_TRUE(window->mnuEnglish->isChecked());
    EXPECT_FALSE(window->mnuGerman->isChecked());
    EXPECT_EQ(S(window->mnuTPScout->text()), "TP Scout");
    // "Öffnen|Datei öffnen": short hint on the button, long one in the status line.
    window->mnuGerman->trigger();
    EXPECT_EQ(S(window->btnFileOpen->toolTip()), "Öffnen");
    EXPECT_EQ(S(window->btnFileOpen->statusTip()), "Datei öffnen");
    EXPECT_EQ(S(window->mnuFile->title()), "&Datei");
    EXPECT_EQ(S(window->mnuDevice->title()), Text(0, RowDeviceMenu));
    EXPECT_TRUE(window->mnuGerman->isChecked());
    EXPECT_FALSE(window->mnuEnglish->isChecked());
    EXPECT_EQ(window->LanguageIndex(), 0);
    AnsiString out;
    EXPECT_EQ(CLanguage::Instance()->LookupCurrentText(RowYes, out), "&Ja");

    OpenRecordings(3);
    Form(2)->failLanguage = true;
    window->mnuEnglish->trigger();
    EXPECT_EQ(S(window->mnuFile->title()), Text(1, RowMenuFile));
    // A window that fails to switch does not stop the others.
    EXPECT_EQ(Form(1)->language, 1);
    EXPECT_EQ(Form(2)->language, 0);
    EXPECT_EQ(Form(3)->language, 1);
    // Windows keep the caption they were created with.
    EXPECT_EQ(Form(1)->Caption(), Text(0, RowDataRecordingChannelCaption) + "1");
}

TEST_F(MainWindowTest, NewChannelsTakeTheLowestFreeNumber)
{
    OpenRecordings(2);
    ASSERT_TRUE(Form(1) && Form(2));
    EXPECT_EQ(Form(1)->Caption(), Text(1, RowDataRecordingChannelCaption) + "1");
    EXPECT_EQ(Form(2)->Caption(), Text(1, RowDataRecordingChannelCaption) + "2");
    FakeChannelForm* f = Form(2);
    EXPECT_EQ(f->Channel(), 2);
    EXPECT_EQ(f->preparedMode, vmDataRecording);
    EXPECT_EQ(f->language, 1);
    EXPECT_TRUE(f->connectionPageShown && f->seriesPrepared && f->gradient && f->activated && f->connectFocused);
    EXPECT_EQ(f->openCopy, 1);
    EXPECT_EQ(f->panel, &panel);
    EXPECT_EQ(f->axes[TChannelAxis::Left], std::make_pair(41.0, -61.0));
    EXPECT_EQ(f->axes[TChannelAxis::Right], std::make_pair(1000.0, -110.0));
    EXPECT_NEAR(f->axes[TChannelAxis::Bottom].first - f->axes[TChannelAxis::Bottom].second, 1.0 / 1440.0, 1e-9);
    EXPECT_EQ(f->SubWindow()->size(), QSize(850, 503));  // the arrangement's height
    EXPECT_EQ(panel.panels[2], std::make_pair(Text(1, RowMenuDataRecording), 1));
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(panel.moves, 1);  // placed with the first window only
    // The allocation's disabled items come back with the window.
    EXPECT_TRUE(window->mnuDatenaufzeichnung->isEnabled());
    EXPECT_TRUE(window->mnuFileNewItem->menuAction()->isEnabled());
    EXPECT_TRUE(window->IsChannelOpen(2));
    EXPECT_EQ(window->ChannelWindow(2), static_cast<IChannelWindow*>(f));
    EXPECT_EQ(ApplicationServices(), window.get());

    OpenRecordings(2);  // 3 and 4
    Form(3)->FormClose();
    Flush();
    EXPECT_FALSE(window->IsChannelOpen(3));
    EXPECT_EQ(window->ChannelForm(3), nullptr);
    EXPECT_EQ(window->FindFreeChannel(), 3);
}

TEST_F(MainWindowTest, EleventhChannelIsRefusedWithItsMessage)
{
    OpenRecordings(10);
    ASSERT_EQ(factory.created.size(), 10u);
    EXPECT_FALSE(window->mnuDatenaufzeichnung->isEnabled());  // ten windows: no new one offered
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    // The greyed items say why, in the window's language.
    for (QAction* a : {window->mnuDatenaufzeichnung, window->mnuVisualisierung, window->mnuTPScout})
        EXPECT_EQ(a->statusTip().toStdString(), Text(1, RowOpenRefusedTenWindows));
    window->mnuGerman->trigger();
    EXPECT_EQ(window->mnuProgrammgeber->statusTip().toStdString(), Text(0, RowOpenRefusedTenWindows));
    window->mnuEnglish->trigger();

    window->mnuDatenaufzeichnungClick();
    EXPECT_EQ(factory.created.size(), 10u);
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "The NoxControl program supports ten data channels!");
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Attention");
    EXPECT_EQ(support::TestDialogs().LastMessage().flags, 0);

    Form(7)->FormClose();
    Flush();
    EXPECT_EQ(window->mnuDatenaufzeichnung->statusTip().toStdString(), Text(1, RowHintDataRecording));
    window->mnuProgrammgeber->trigger();
    ASSERT_EQ(factory.created.size(), 11u);
    ASSERT_NE(Form(7), nullptr);
    EXPECT_EQ(Form(7)->preparedMode, vmProgrammer);
    EXPECT_EQ(Form(7)->ProgrammerView, 1);
    EXPECT_EQ(Form(7)->Caption(), Text(1, RowProgrammerChannelCaption) + "7");
    EXPECT_TRUE(window->cmdSeriesShowLeft->isEnabled());
    EXPECT_FALSE(window->cmdTotalFocus->isEnabled());
}

TEST_F(MainWindowTest, OneTPScoutWindowWithItsGermanCaption)
{
    window->mnuTPScout->trigger();
    ASSERT_NE(Form(1), nullptr);
    EXPECT_EQ(Form(1)->Caption(), "TP Scout / Kanal 1");
    EXPECT_EQ(panel.panels[1].first, "TPScout");
    EXPECT_FALSE(Form(1)->connectFocused);
    EXPECT_EQ(window->TPScoutOpen, 1);

    window->mnuTPScout->trigger();
    EXPECT_EQ(factory.created.size(), 1u);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    EXPECT_TRUE(window->mnuDatenaufzeichnung->isEnabled());

    // A window that goes without its close work still gives back its channel and TP Scout.
    delete Form(1)->SubWindow();
    EXPECT_FALSE(window->IsChannelOpen(1));
    EXPECT_EQ(window->TPScoutOpen, 0);
    window->mnuTPScout->trigger();
    EXPECT_EQ(factory.created.size(), 2u);
}

TEST_F(MainWindowTest, ClosedWindowAwaitingDeletionOutlivesTheMainWindow)
{
    OpenRecordings(1);
    Form(1)->FormClose();  // its deletion is still pending
    OpenRecordings(1);
    EXPECT_EQ(Form(1)->closeCalls, 0);  // the number was free at once: a new window
    window.reset();                     // takes both windows along without touching the freed table
    Flush();
}

TEST_F(MainWindowTest, ViewWindowIsMaximisedAfterArrangingTheOthers)
{
    OpenRecordings(2);
    window->mnuVisualisierungClick();
    FakeChannelForm* view = Form(3);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Caption(), Text(1, RowViewChannelCaption) + "3");
    EXPECT_TRUE(view->SubWindow()->isMaximized());
    EXPECT_EQ(view->FileView, 1);
    EXPECT_FALSE(view->connectFocused);
    EXPECT_EQ(view->FullRange.LeftMax, 41.0);
    EXPECT_EQ(view->FullRange.TimeMax, view->ZoomLimits.TimeMax);
}

TEST_F(MainWindowTest, CloseAsksOnceAndClosesEveryChannel)
{
    bool closed = window->close();
    EXPECT_TRUE(closed);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);  // nothing open: no question

    OpenRecordings(2);
    support::TestDialogs().QueueAnswer(IDNO);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, Text(1, RowAskCloseAllAndExit));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Warning");
    EXPECT_EQ(support::TestDialogs().LastMessage().flags & MB_TYPEMASK, MB_YESNO);
    EXPECT_EQ(Form(1)->closeCalls + Form(2)->closeCalls, 0);

    FakeChannelForm* one = Form(1);
    FakeChannelForm* two = Form(2);
    support::TestDialogs().QueueAnswer(IDYES);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
    EXPECT_EQ(one->closeCalls, 1);
    EXPECT_EQ(two->closeCalls, 1);
    EXPECT_FALSE(window->IsChannelOpen(1) || window->IsChannelOpen(2));
}

TEST_F(MainWindowTest, CascadePutsTheActiveWindowInFrontLast)
{
    OpenRecordings(3);
    window->MdiArea()->setActiveSubWindow(Form(2)->SubWindow());
    ASSERT_EQ(window->ActiveChannel(), 2);
    window->mnuWindowCascadeItem->trigger();
    EXPECT_EQ(Form(1)->SubWindow()->pos(), QPoint(0, 0));
    EXPECT_EQ(Form(3)->SubWindow()->pos(), QPoint(20, 20));
    EXPECT_EQ(Form(2)->SubWindow()->pos(), QPoint(40, 40));
    EXPECT_EQ(window->ActiveChannel(), 2);
}

TEST_F(MainWindowTest, TilingSharesTheClientAreaWithoutOverlapAndANewWindowJoins)
{
    window->resize(1024, 768);
    window->show();
    const auto shared = [&](int count, bool stacked) {
        const QRect area = window->MdiArea()->viewport()->rect();
        int covered = 0;
        for (int c = 1; c <= count; ++c) {
            const QRect g = Form(c)->SubWindow()->geometry();
            EXPECT_TRUE(area.contains(g)) << c;
            // Strips end where a plot would get too small; further windows open a new column or row.
            if (stacked)
                EXPECT_GE(g.height(), std::min(250, area.height())) << c;
            else
                EXPECT_GE(g.width(), std::min(400, area.width())) << c;
            covered += g.width() * g.height();
            for (int k = c + 1; k <= count; ++k) EXPECT_FALSE(g.intersects(Form(k)->SubWindow()->geometry())) << c;
        }
        EXPECT_EQ(covered, area.width() * area.height());
    };
    OpenRecordings(3);
    window->mnuWindowTileItem->trigger();
    shared(3, true);
    window->mnuWindowTileItem2->trigger();
    shared(3, false);
    // Five windows, the fifth opened while tiled: it takes its place in the tiling.
    OpenRecordings(2);
    shared(5, false);
    window->mnuWindowTileItem->trigger();
    shared(5, true);
}

TEST_F(MainWindowTest, AxisArrangementOnTheActiveChart)
{
    window->mnuDatenaufzeichnungClick();
    FakeChannelForm* f = Form(1);
    for (auto& s : f->series) s->SetActive(false);
    // Left axis with only zero values: the fixed range.
    f->series[0]->SetActive(true);
    f->series[0]->AddXY(1, 0);
    f->series[0]->AddXY(2, 0);
    f->SetAxisLimits(TChannelAxis::Left, 100.0, 50.0);
    window->cmdSeriesShowLeftClick();
    EXPECT_EQ(f->axes[TChannelAxis::Left], std::make_pair(41.0, -61.0));

    // Left: 0 .. 31 widens by 1.55, rounded to 1.6; an empty active series is ignored, and
    // so is a series on the other axis.
    f->series[1]->SetActive(true);
    f->series[1]->AddXY(1, 20.0);
    f->series[1]->AddXY(2, 31.0);
    f->series[4]->SetActive(true);
    f->series[5]->SetActive(true);
    f->series[5]->SetVertAxis(ChartDataEnums::aRightAxis);
    f->series[5]->AddXY(1, 500.0);
    window->cmdSeriesShowLeftClick();
    EXPECT_DOUBLE_EQ(f->axes[TChannelAxis::Left].first, 32.6);
    EXPECT_DOUBLE_EQ(f->axes[TChannelAxis::Left].second, -1.6);

    // Right: 0 .. 100 gets a margin of 5.
    f->series[8]->SetActive(true);
    f->series[8]->SetVertAxis(ChartDataEnums::aRightAxis);
    f->series[8]->AddXY(1, 0.0);
    f->series[8]->AddXY(2, 100.0);
    f->series[5]->SetActive(false);
    window->cmdSeriesShowRightClick();
    EXPECT_EQ(f->axes[TChannelAxis::Right], std::make_pair(105.0, -5.0));

    // The saved zoom takes the axes as they are; the overview of a recording resets the
    // right axis.
    window->cmdSaveZoomClick();
    EXPECT_EQ(f->ZoomLimits.RightMax, 105.0);
    EXPECT_DOUBLE_EQ(f->ZoomLimits.LeftMin, -1.6);
    window->cmdTotalFocusClick();
    EXPECT_EQ(f->axes[TChannelAxis::Right], std::make_pair(1000.0, -110.0));
}

// Arranged axes hold their curves with room at both edges: curves close together (a
// running file's values at 24,90 and 25,00) or flat ones, on either axis.
TEST_F(MainWindowTest, ArrangedAxesHoldTheirCurvesInside)
{
    window->mnuVisualisierungClick();
    FakeChannelForm* f = Form(1);
    for (auto& s : f->series) s->SetActive(false);
    const struct {
        bool left;
        std::vector<double> values;
    } cases[] = {{true, {24.9, 25.0, 25.0}}, {true, {25.0, 25.0}},  {true, {80.0}},       {true, {-0.01, 0.0}},
                 {false, {25.4, 25.4}},      {false, {40.0, 45.0}}, {false, {-7.6, -7.2}}};
    for (const auto& c : cases) {
        TChartSeries* s = f->series[c.left ? 0 : 8].get();
        for (auto& other : f->series) other->SetActive(false);
        s->SetActive(true);
        s->SetVertAxis(c.left ? ChartDataEnums::aLeftAxis : ChartDataEnums::aRightAxis);
        s->Clear();
        for (size_t i = 0; i < c.values.size(); ++i) s->AddXY(double(i), c.values[i]);
        const TChannelAxis axis = c.left ? TChannelAxis::Left : TChannelAxis::Right;
        f->SetAxisLimits(axis, 200.0, 100.0);
        if (c.left)
            window->cmdSeriesShowLeftClick();
        else
            window->cmdSeriesShowRightClick();
        const auto [maximum, minimum] = f->axes[axis];
        const auto [low, high] = std::minmax_element(c.values.begin(), c.values.end());
        EXPECT_GT(maximum, *high) << c.left << " " << *high;
        EXPECT_LT(minimum, *low) << c.left << " " << *low;
    }

    // A file whose first column is empty (edited by hand): the next curves arrange the axis.
    for (auto& other : f->series) other->SetActive(false);
    f->series[0]->Clear();
    f->series[0]->SetActive(true);
    f->series[0]->SetVertAxis(ChartDataEnums::aLeftAxis);
    f->series[1]->SetActive(true);
    f->series[1]->AddXY(1, 100.0);
    f->series[1]->AddXY(2, 100.5);
    f->SetAxisLimits(TChannelAxis::Left, 25.09, 24.90);
    window->cmdSeriesShowLeftClick();
    EXPECT_GT(f->axes[TChannelAxis::Left].first, 100.5);
    EXPECT_LT(f->axes[TChannelAxis::Left].second, 100.0);
}

TEST_F(MainWindowTest, ImportedViewArrangesOnlyTheImportedColumns)
{
    window->mnuVisualisierungClick();
    FakeChannelForm* f = Form(1);
    for (auto& s : f->series) s->SetActive(false);
    const double values[3] = {10.0, 20.0, 900.0};
    for (int i = 0; i < 3; ++i) {
        f->series[size_t(i)]->SetActive(true);
        f->series[size_t(i)]->AddXY(1, values[i]);
    }
    f->ImportedColumnCount = 3;  // time and two value columns: series 0 and 1
    // A later import into another view leaves this view's own count in force.
    ::ImportColumnCount = 24;
    window->cmdSeriesShowLeftClick();
    EXPECT_DOUBLE_EQ(f->axes[TChannelAxis::Left].first, 20.5);
    EXPECT_DOUBLE_EQ(f->axes[TChannelAxis::Left].second, 9.5);
    // A view without an import considers all 22 series, whatever was imported elsewhere.
    f->ImportedColumnCount = 0;
    window->cmdSeriesShowLeftClick();
    ::ImportColumnCount = 0;
    EXPECT_DOUBLE_EQ(f->axes[TChannelAxis::Left].first, 944.5);
    EXPECT_DOUBLE_EQ(f->axes[TChannelAxis::Left].second, -34.5);
}

TEST_F(MainWindowTest, SingleRampRefusalsAndCalendarOverview)
{
    window->mnuDatenaufzeichnungClick();
    FakeChannelForm* f = Form(1);
    window->cmdRampClick();  // temperature control off
    EXPECT_EQ(support::TestDialogs().LastMessage().text, Text(1, RowTemperatureControlIsOff));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, Text(1, RowAttention));
    f->ControlStatus = "I";
    f->AutomaticStartArmed = 1;
    window->cmdRampClick();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, Text(1, RowNotWhileAutomaticStart));
    f->ProgramRunning = 1;
    window->cmdRampClick();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, Text(1, RowStopProgramFirst));
    f->ProgramRunning = 0;
    f->AutomaticStartArmed = 0;
    window->cmdRampClick();
    EXPECT_EQ(programmer.rampChannel, 1);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 3u);

    f->Connected = 1;
    window->cmdAutomaticStart->trigger();
    ASSERT_EQ(programmer.states.size(), 10u);
    EXPECT_EQ(programmer.states[0], (std::array<int, 3>{1, 1, vmDataRecording}));
    EXPECT_EQ(programmer.states[9], (std::array<int, 3>{10, 0, vmNotUsed}));
    EXPECT_EQ(programmer.pickerShown, 1);

    window->mnuCirculationONClick();
    window->mnuDeviceOFFClick();
    EXPECT_EQ(panel.commands, (std::vector<std::string>{"circ-menu", "stop"}));
    window->mnuControlPanel->trigger();
    EXPECT_FALSE(panel.visible);
    window->mnuControlPanel->trigger();
    EXPECT_TRUE(panel.visible);
}

TEST_F(MainWindowTest, MessagesFromWorkerThreadsReachTheDialogs)
{
    std::atomic<int> answer{0};
    std::thread worker([&] {
        answer = window->MessageBox("from a thread", "Error", MB_OK);
        platform::UiDispatcher::Instance().Wake();
    });
    EXPECT_TRUE(platform::UiDispatcher::Instance().WaitRunning([&] { return answer.load() != 0; }, 5000));
    worker.join();
    EXPECT_EQ(answer.load(), IDOK);
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "from a thread");
}

TEST_F(MainWindowTest, FrameTitleNamesTheMaximisedWindowAndArrangeLinesUpTheIcons)
{
    window->resize(1024, 768);
    window->show();
    OpenRecordings(3);
    EXPECT_EQ(S(window->windowTitle()), "NoxControl 1.2");
    Form(2)->SubWindow()->showMaximized();
    window->MdiArea()->setActiveSubWindow(Form(2)->SubWindow());
    EXPECT_EQ(S(window->windowTitle()), "NoxControl 1.2 - [" + Form(2)->Caption() + "]");
    Form(2)->SubWindow()->showNormal();
    EXPECT_EQ(S(window->windowTitle()), "NoxControl 1.2");

    // Icons moved about line up along the bottom, in the order the windows were opened;
    // the window that is not minimised stays where it is.
    for (int c : {3, 1}) {
        Form(c)->SubWindow()->showMinimized();
        Form(c)->SubWindow()->move(300, 40 * c);
    }
    const QPoint normal = Form(2)->SubWindow()->pos();
    window->mnuWindowArrangeItem->trigger();
    const QSize icon = Form(1)->SubWindow()->size();
    const int bottom = window->MdiArea()->viewport()->height() - icon.height();
    EXPECT_EQ(Form(1)->SubWindow()->pos(), QPoint(0, bottom));
    EXPECT_EQ(Form(3)->SubWindow()->pos(), QPoint(icon.width(), bottom));
    EXPECT_EQ(Form(2)->SubWindow()->pos(), normal);
}

TEST_F(MainWindowTest, FrameShowsItsPictures)
{
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    // Every tool button has a picture of its own.
    std::vector<QImage> pictures;
    for (QAction* a : window->brToolBar->actions()) {
        if (a->isSeparator()) continue;
        const QImage picture = a->icon().pixmap(24, 24).toImage();
        EXPECT_FALSE(picture.isNull()) << S(a->objectName());
        for (const QImage& other : pictures) EXPECT_NE(picture, other) << S(a->objectName());
        pictures.push_back(picture);
    }
    EXPECT_EQ(pictures.size(), 14u);
    // The background picture in the middle of the empty client area.
    window->resize(1024, 768);
    const QImage client = window->MdiArea()->viewport()->grab().toImage();
    const QRgb workSpace = client.pixel(1, client.height() / 2);
    int drawn = 0;
    for (int x = client.width() / 3; x < 2 * client.width() / 3; x += 8)
        if (client.pixel(x, client.height() / 2) != workSpace) ++drawn;
    EXPECT_GT(drawn, 5);
}

// The reasons the platform layer gives (a save that does not follow a link, a serial port
// that cannot be opened) come in the program's language, switched with it; the system's own
// error texts stay as the system gives them. Without a main window they are English.
TEST_F(MainWindowTest, ThePlatformsReasonsFollowTheLanguage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string base = dir.path().toStdString();
    const std::string dangling = base + "/dangling.csv";
    ASSERT_EQ(::symlink((base + "/nowhere.csv").c_str(), dangling.c_str()), 0);
    const std::string missingPort = base + "/ttyNOX";
    auto reasons = [&] {
        std::string saved;
        EXPECT_FALSE(platform::SaveFileAtomic(dangling, "x", &saved));
        platform::SerialPort port;
        EXPECT_FALSE(port.Open(missingPort, {}));
        platform::SerialPort folder;
        EXPECT_FALSE(folder.Open(base, {}));
        return std::vector<std::string>{saved, port.LastErrorText(), folder.LastErrorText()};
    };
    window->mnuGerman->trigger();
    EXPECT_EQ(reasons(), (std::vector<std::string>{
                             dangling + ": " + Text(0, RowReasonDanglingLink),
                             "Die serielle Schnittstelle " + missingPort + " gibt es nicht.",
                             base + " ist keine serielle Schnittstelle.",
                         }));
    window->mnuEnglish->trigger();
    const std::vector<std::string> english{
        dangling + ": a symbolic link to a file that does not exist yet is not followed",
        "Serial port " + missingPort + " does not exist.",
        base + " is not a serial device.",
    };
    EXPECT_EQ(reasons(), english);
    // The system's reason is passed on as the system words it, in either language.
    const std::string locked = base + "/locked.csv";
    ASSERT_TRUE(platform::SaveFileAtomic(locked, "old"));
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    window->mnuGerman->trigger();
    std::string error;
    EXPECT_FALSE(platform::SaveFileAtomic(locked, "new", &error));
    EXPECT_EQ(error, locked + ": " + std::strerror(EACCES));
    window.reset();
    EXPECT_EQ(reasons(), english);
}
