// Every enabled action of the main window's menus and tool bar, triggered on the windows as
// the program builds them: each must show something (a window, a dialog, a message, a
// changed state). Actions that rightly do nothing in a state are named with the reason.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <QToolBar>
#include <map>
#include <sstream>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/CLogoThread.h"
#include "app/RecordedDataWriter.h"
#include "app/TFileCommands.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "app/TfrmTitleControl.h"
#include "channel/ProgramForms.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "platform/TPrinter.h"
#include "support/FakeDataFileView.h"

using namespace channeltest;

namespace {

enum class TStartState { Started, ViewWithFile };

class MainWindowActionsTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(QString::fromStdString(Path("print.pdf")));
        printer = std::make_unique<TPrinter>(std::move(device));
        SetPrinter(printer.get());
        // A recording to open, written as the program writes its files.
        FakeDataFileView v;
        v.Record(3, 30, EncodeDate(2026, 3, 27));
        v.memos[TDataFileMemo::Memo] = {"memo text"};
        v.fileName = Path("rec.csv");
        ASSERT_TRUE(FileSave1Execute(&v, 1));
    }
    void TearDown() override
    {
        forms.reset();
        SetPrinter(nullptr);
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        QApplication::clipboard()->clear();
        ChannelFixture::TearDown();
    }

    // The program's windows as it builds them, after the start-up pop-up, in `state`.
    void Start(TStartState state)
    {
        forms.reset();
        support::TestDialogs().Clear();
        forms = std::make_unique<TProgramForms>(CLanguage::English);
        main = forms->MainWindow.get();
        main->show();
        // The start-up pop-up: the title window for a moment, then the frame.
        main->tmrPopUp->stop();
        main->tmrPopUpTimer();
        main->tmrKillThread->stop();
        main->tmrKillThreadTimerTimer();
        ASSERT_TRUE(Await([&] { return main->tmrPopUpTag == 0; }));
        if (state == TStartState::ViewWithFile) {
            support::TestDialogs().QueueFileName(Path("rec_11.csv"));
            main->mnuVisualisierung->trigger();
            forms->FileCommands->WaitIdle();
            auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
            ASSERT_NE(w, nullptr);
            // The user has zoomed and selected the memo's text; the clipboard holds a word.
            w->SetAxisLimits(TChannelAxis::Bottom, w->AxisMaximum(TChannelAxis::Bottom) - 10 / 86400.0,
                             w->AxisMinimum(TChannelAxis::Bottom));
            w->SetAxisLimits(TChannelAxis::Left, 200, -100);
            w->SetAxisLimits(TChannelAxis::Right, 500, 400);
            w->tabDataControl->setCurrentWidget(w->tabDataInfo);
            QApplication::setActiveWindow(main);
            w->memMemo->setFocus();
            w->memMemo->selectAll();
            QApplication::clipboard()->setText("pasted");
        }
        support::TestDialogs().Clear();
    }

    // Lets the action's work finish: queued calls, a file being read, the title window.
    void Settle()
    {
        QCoreApplication::processEvents();
        if (forms->FileCommands) forms->FileCommands->WaitIdle();
        if (main->TitleShown) {
            ASSERT_TRUE(Await([&] { return forms->TitleWindow->isVisible(); }));
        }
        QCoreApplication::processEvents();
    }

    // Everything a user could see change.
    std::string Observable() const
    {
        std::ostringstream o;
        auto& d = support::TestDialogs();
        o << "boxes " << d.MessageCount() << " file dialogs " << d.FileDialogCount() << " printer set-ups "
          << d.PrinterSetupCount() << "\n";
        o << "main visible " << main->isVisible() << " language " << main->LanguageIndex() << " title "
          << main->mnuFile->title().toStdString() << "\n";
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible()) o << "shown " << top->objectName().toStdString() << "\n";
        for (QMdiSubWindow* w : main->MdiArea()->subWindowList()) {
            const QRect g = w->geometry();
            o << "window " << w->windowTitle().toStdString() << " " << g.x() << "," << g.y() << " " << g.width() << "x"
              << g.height() << " state " << int(w->windowState()) << "\n";
        }
        for (QAction* a : main->findChildren<QAction*>())
            o << a->objectName().toStdString() << " " << a->isEnabled() << a->isChecked() << " "
              << a->text().toStdString() << "\n";
        if (IChannelForm* f = main->ChannelForm(main->ActiveChannel())) {
            for (TChannelAxis axis : {TChannelAxis::Bottom, TChannelAxis::Left, TChannelAxis::Right})
                o << "axis " << f->AxisMinimum(axis) << " " << f->AxisMaximum(axis) << "\n";
            o << "zoom " << f->ZoomLimits.TimeMin << " " << f->ZoomLimits.LeftMax << "\n";
            if (auto* w = dynamic_cast<TmdiSubWindow*>(f)) o << "memo " << w->memMemo->toPlainText().toStdString();
        }
        o << "clipboard " << QApplication::clipboard()->text().toStdString() << "\n";
        o << "printed " << QFileInfo(QString::fromStdString(Path("print.pdf"))).size() << "\n";
        return o.str();
    }

    // The enabled, visible actions of the menus (not the sub-menu entries) and the tool bar.
    std::vector<QAction*> EnabledActions() const
    {
        std::vector<QAction*> out;
        std::function<void(QMenu*)> walk = [&](QMenu* menu) {
            for (QAction* a : menu->actions()) {
                if (a->isSeparator() || !a->isVisible() || !a->isEnabled()) continue;
                if (a->menu())
                    walk(a->menu());
                else
                    out.push_back(a);
            }
        };
        for (QAction* top : main->menuBar()->actions())
            if (top->menu() && top->isEnabled()) walk(top->menu());
        for (QAction* a : main->brToolBar->actions())
            if (!a->isSeparator() && a->isVisible() && a->isEnabled()) out.push_back(a);
        return out;
    }

    // Triggers every enabled action on a fresh start in `state`. Returns the actions that
    // changed nothing.
    std::vector<std::string> SilentActions(TStartState state)
    {
        Start(state);
        std::vector<std::string> names;
        for (QAction* a : EnabledActions()) names.push_back(a->objectName().toStdString());
        std::vector<std::string> silent;
        for (const std::string& name : names) {
            Start(state);
            auto* action = main->findChild<QAction*>(QString::fromStdString(name));
            const std::string before = Observable();
            action->trigger();
            Settle();
            if (Observable() == before) silent.push_back(name);
        }
        EXPECT_GT(names.size(), 10u);
        return silent;
    }

    std::unique_ptr<TPrinter> printer;
    std::unique_ptr<TProgramForms> forms;
    TfrmMainWindow* main = nullptr;
};

// Actions that rightly do nothing in a state, with the reason.
using TReasons = std::map<std::string, std::string>;

std::vector<std::string> Unexplained(const std::vector<std::string>& silent, const TReasons& reasons)
{
    std::vector<std::string> out;
    for (const std::string& name : silent)
        if (!reasons.count(name)) out.push_back(name);
    return out;
}

}  // namespace

TEST_F(MainWindowActionsTest, EveryActionOfTheStartedProgramShowsItsEffect)
{
    TReasons reasons = {{"mnuEnglish", "English is the language in force"},
                        {"mnuFileCloseItem", "no channel window to close"}};
    for (const char* name : {"mnuCutItem", "mnuCopyItem", "mnuPasteItem", "btnCut", "btnCopy", "btnPaste"})
        reasons[name] = "no text field has the focus";
    for (const char* name : {"mnuWindowCascadeItem", "mnuWindowTileItem", "mnuWindowTileItem2", "mnuWindowMinimizeItem",
                             "mnuWindowArrangeItem", "btnCascade", "btnVertical", "btnHorizontal"})
        reasons[name] = "no channel window to arrange";
    const std::vector<std::string> silent = SilentActions(TStartState::Started);
    EXPECT_EQ(Unexplained(silent, reasons), std::vector<std::string>{});
}

TEST_F(MainWindowActionsTest, EveryActionOfAViewWindowShowsItsEffect)
{
    const TReasons reasons = {{"mnuEnglish", "English is the language in force"},
                              {"mnuWindowArrangeItem", "no minimised window to line up"}};
    const std::vector<std::string> silent = SilentActions(TStartState::ViewWithFile);
    EXPECT_EQ(Unexplained(silent, reasons), std::vector<std::string>{});
}

TEST_F(MainWindowActionsTest, CloseCommandClosesAgainAfterTheLastWindowWasClosed)
{
    Start(TStartState::ViewWithFile);
    for (int round = 0; round < 2; ++round) {
        if (round > 0) {
            support::TestDialogs().QueueFileName(Path("rec_11.csv"));
            main->mnuVisualisierung->trigger();
            forms->FileCommands->WaitIdle();
        }
        ASSERT_EQ(main->ChildWindowCount(), 1);
        ASSERT_TRUE(main->mnuFileCloseItem->isEnabled()) << "round " << round;
        main->mnuFileCloseItem->trigger();
        EXPECT_EQ(main->ChildWindowCount(), 0);
    }
}

// File > Open while a recording window is the active one opens no view: a box says why, and
// with ten windows open that no more can be opened. (A recording window disables the command
// when it becomes the active one, but a programmer window whose run ends enables it whatever
// window is active: the command runs as the enabled menu item and tool button run it.)
TEST_F(MainWindowActionsTest, OpenBesideARecordingWindowSaysWhyNoViewIsOpened)
{
    Start(TStartState::Started);
    AnsiString refused, ten;
    CLanguage::Instance()->LookupText(CLanguage::English, resources::RowOpenRefusedRecording, refused);
    CLanguage::Instance()->LookupText(CLanguage::English, resources::RowOpenRefusedTenWindows, ten);
    for (int windows = 1; windows <= MaxChannelWindows; ++windows) {
        main->mnuDatenaufzeichnung->trigger();
        Settle();
        ASSERT_EQ(main->ChildWindowCount(), windows);
        if (windows != 1 && windows != MaxChannelWindows) continue;
        const bool enabled = main->mnuOpenFile->isEnabled();
        support::TestDialogs().Clear();
        main->actFileOpenExecute();
        Settle();
        EXPECT_EQ(support::TestDialogs().FileDialogCount(), 0);
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u) << windows;
        EXPECT_EQ(support::TestDialogs().LastMessage().text,
                  windows == MaxChannelWindows ? refused + " " + ten : refused);
        EXPECT_EQ(main->ChildWindowCount(), windows);
        EXPECT_EQ(main->mnuOpenFile->isEnabled(), enabled);
    }
}

// Every menu path the README names ("File ▸ New ▸ Record data") leads through the English
// menus of the started program, each step an item of the menu before it: a renamed or
// missing item, or a README that names a menu the program does not have, fails here. The
// README ends a path before any lower-case word that is not part of the item's name
// ("File ▸ Open (Ctrl+O) reads", not "File ▸ Open reads").
TEST_F(MainWindowActionsTest, EveryMenuPathTheReadmeNamesIsInTheMenus)
{
    QFile readme(QStringLiteral(NOX_TEST_DATA_DIR "/../../README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    // A path may run across a line break of the text.
    const QString text =
        QString::fromUtf8(readme.readAll()).replace(QRegularExpression(QStringLiteral("\\s*\n\\s*")), " ");
    // A step is a capitalised word and the lower-case words after it.
    const QString step = QStringLiteral("[A-Z][A-Za-z]*(?: [a-z][A-Za-z]*)*");
    const QRegularExpression path(step + QStringLiteral("(?: \u25B8 ") + step + QStringLiteral(")+"));
    Start(TStartState::Started);
    const auto plain = [](QString s) { return s.remove('&').remove(QStringLiteral("...")).trimmed(); };
    std::vector<std::string> missing;
    int paths = 0;
    for (auto m = path.globalMatch(text); m.hasNext();) {
        const QString found = m.next().captured(0);
        ++paths;
        QList<QAction*> items = main->menuBar()->actions();
        bool ok = true;
        const QStringList steps = found.split(QStringLiteral(" \u25B8 "));
        for (int i = 0; ok && i < steps.size(); ++i) {
            const auto it =
                std::find_if(items.begin(), items.end(), [&](QAction* a) { return plain(a->text()) == steps[i]; });
            QAction* item = it == items.end() ? nullptr : *it;
            ok = item != nullptr;
            items = item && item->menu() ? item->menu()->actions() : QList<QAction*>();
        }
        if (!ok) missing.push_back(found.toStdString());
    }
    EXPECT_GE(paths, 8);
    EXPECT_EQ(missing, std::vector<std::string>{});
}
