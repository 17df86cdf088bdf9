// File dialogs open in the folder last used for their kind of file, kept across runs in the
// user's settings; the first time, and when that folder is gone, in the documents folder.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/FileFolders.h"
#include "platform/TextLines.h"
#include "platform/UiDispatcher.h"
#include "support/HangingFileSystem.h"
#include "support/HangingFolders.h"
#include "support/ScriptedDialogs.h"

namespace {

class FileFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The test main keeps the settings in the test user's folders.
        QSettings("NoxControl", "NoxControl").remove("Folders");
        support::TestDialogs().Clear();
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath("programs");
        QDir(root.path()).mkpath("pictures");
        QDir(root.path()).mkpath("data");
        QDir(root.path()).mkpath("opened");
    }
    void TearDown() override
    {
        QSettings("NoxControl", "NoxControl").remove("Folders");
        support::TestDialogs().Clear();
    }
    AnsiString In(const char* folder, const char* file) const { return A(root.path() + "/" + folder + "/" + file); }
    static AnsiString Documents()
    {
        const QString d = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return A(QFileInfo(d).isDir() ? d : QDir::homePath());
    }
    // The folder a dialog of this kind was opened in.
    static AnsiString OpenedIn(platform::TFileKind kind, const AnsiString& answer = "")
    {
        support::TestDialogs().QueueFileName(answer);
        platform::FileDialogRequest req;
        platform::ChooseFile(req, kind);
        return support::TestDialogs().LastFileRequest().initialDir;
    }

    QTemporaryDir root;
};

TEST_F(FileFoldersTest, EachKindOpensWhereItsLastFileWasChosen)
{
    using platform::TFileKind;
    EXPECT_EQ(OpenedIn(TFileKind::Program), Documents());
    // A cancelled dialog remembers nothing.
    EXPECT_EQ(OpenedIn(TFileKind::Program), Documents());
    OpenedIn(TFileKind::Program, In("programs", "ramp.tp"));
    OpenedIn(TFileKind::Picture, In("pictures", "chart.jpg"));
    EXPECT_EQ(OpenedIn(TFileKind::Program), A(root.path() + "/programs"));
    EXPECT_EQ(OpenedIn(TFileKind::Picture), A(root.path() + "/pictures"));
    EXPECT_EQ(OpenedIn(TFileKind::DataFile), Documents());
    EXPECT_EQ(OpenedIn(TFileKind::OpenFile), Documents());
    // Until a file was opened, the open dialog starts where recordings were saved; once one
    // was, where that one was.
    OpenedIn(TFileKind::DataFile, In("data", "run.csv"));
    EXPECT_EQ(OpenedIn(TFileKind::OpenFile, In("opened", "old_11.csv")), A(root.path() + "/data"));
    EXPECT_EQ(OpenedIn(TFileKind::OpenFile), A(root.path() + "/opened"));
    EXPECT_EQ(OpenedIn(TFileKind::DataFile), A(root.path() + "/data"));
    // Kept in the settings: a new run (a fresh settings object) finds it.
    EXPECT_EQ(QSettings("NoxControl", "NoxControl").value("Folders/Programs").toString(), root.path() + "/programs");
    // ... kept in a settings file of this test program alone, not in the test user's, which
    // every test program running beside it shares.
    EXPECT_FALSE(QSettings("NoxControl", "NoxControl")
                     .fileName()
                     .startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
}

TEST_F(FileFoldersTest, AGoneFolderFallsBackAndAFolderNamedByTheCallerStays)
{
    using platform::TFileKind;
    {
        // A folder chosen in a dialog is remembered however long a look at it would take on
        // a busy machine.
        support::HangingFileSystem slow(
            [&](const std::string& path, bool) { return path.find("/programs") != std::string::npos; });
        OpenedIn(TFileKind::DataFile, In("programs", "run.csv"));
        EXPECT_EQ(QSettings("NoxControl", "NoxControl").value("Folders/DataFiles").toString(),
                  root.path() + "/programs");
    }
    ASSERT_EQ(platform::FileFolder(TFileKind::DataFile), A(root.path() + "/programs"));
    QDir(root.path() + "/programs").removeRecursively();
    EXPECT_EQ(platform::FileFolder(TFileKind::DataFile), Documents());

    support::TestDialogs().QueueFileName("");
    platform::FileDialogRequest req;
    req.initialDir = A(root.path());
    platform::ChooseFile(req, TFileKind::DataFile);
    EXPECT_EQ(support::TestDialogs().LastFileRequest().initialDir, A(root.path()));
}

// The toolkit's own file dialog, shown by the program's dialogs; `act` runs once it is up,
// as the user. A dialog that `act` left open (an OK it meant to be taken was refused) is
// closed as a failure half a minute later: the dialog's own loop would wait for it forever.
bool ShowRealDialog(platform::FileDialogRequest& req, const std::function<void(QFileDialog*)>& act)
{
    platform::QtDialogs real;
    QTimer poll;
    QTimer leftOpen;
    leftOpen.setSingleShot(true);
    QPointer<QFileDialog> shown;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<QFileDialog*>(w); dlg && dlg->isVisible() && !shown) {
                shown = dlg;
                act(dlg);
                leftOpen.start(30000);
            }
    });
    QObject::connect(&leftOpen, &QTimer::timeout, [&] {
        if (!shown || !shown->isVisible()) return;
        ADD_FAILURE() << "the dialog was left open; the last message was: "
                      << support::TestDialogs().LastMessage().text;
        // A box of the toolkit's own over it first (its OK may have found no file).
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QDialog*>(w); box && box != shown && box->isVisible()) box->reject();
        shown->reject();
    });
    poll.start(10);
    return real.FileDialog(req);
}

// Until the dialogs closed before are gone (they go once their thread has read what it was
// asked; each writes what the toolkit keeps of it as it goes).
bool DialogsGone()
{
    const auto left = [] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::any_of(windows.begin(), windows.end(), [](QWidget* w) { return qobject_cast<QFileDialog*>(w); });
    };
    QDeadlineTimer deadline(10000);
    while (left() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !left();
}

void Accept(QFileDialog* dlg, const QString& name)
{
    dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
    QMetaObject::invokeMethod(dlg, "accept");
}

// Runs the event loop until `done` holds (at most ten seconds).
bool Until(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Until the dialog has settled: every look it set off has answered and the steps that waited
// for the answers have run. A step that comes later does what the toolkit does for it, on
// this thread, in the folder shown, which by then the test may have made stop answering.
bool LooksSettled()
{
    return Until([] {
        if (platform::FileLooksUnanswered() > 0) return false;
        return platform::UiDispatcher::Instance().ProcessPending() == 0;
    });
}

std::string Listed(const std::vector<std::string>& paths)
{
    std::string out;
    for (const std::string& p : paths) out += p + "\n";
    return out;
}

// The toolkit's file dialog keeps the folders it was in, in its own settings file and in the
// process, and goes to them as it is built. A folder on a share that stopped answering, shown
// in an earlier dialog, kept from an earlier run, remembered by the program or proposed by the
// caller, is never touched on the user-interface thread: a dialog opens in a folder that has
// just answered, and is accepted only once the chosen file's folder has answered.
TEST_F(FileFoldersTest, TheToolkitsDialogTouchesNoFolderThatHangs)
{
    using platform::TFileKind;
    const QString share = root.path() + "/share";
    const QString local = root.path() + "/local";
    ASSERT_TRUE(QDir().mkpath(share + "/sub"));
    ASSERT_TRUE(QDir().mkpath(local));
    // The program's own patience: a folder that answers does so within it on a loaded machine.
    std::optional<support::HangingFolders> hung;

    // Shown while it answers; it stops answering before the user's OK.
    platform::FileDialogRequest shown;
    shown.save = true;
    shown.initialDir = A(share + "/sub");
    EXPECT_FALSE(ShowRealDialog(shown, [&](QFileDialog* dlg) {
        EXPECT_EQ(dlg->directory().absolutePath(), share + "/sub");
        dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("y.jpg");
        // The dialog's update for the name comes once its looks have answered.
        const QPushButton* save = dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
        ASSERT_TRUE(Until([&] { return save->isEnabled(); }));
        ASSERT_TRUE(LooksSettled());
        hung.emplace(share.toStdString());
        const std::size_t messages = support::TestDialogs().MessageCount();
        QMetaObject::invokeMethod(dlg, "accept");
        EXPECT_TRUE(Until([&] { return support::TestDialogs().MessageCount() > messages; }));
        EXPECT_TRUE(dlg->isVisible()) << "accepted a file in a folder that does not answer";
        EXPECT_NE(support::TestDialogs().LastMessage().text.find("does not answer"), std::string::npos);
        EXPECT_EQ(hung->OnUiThread(), 0) << Listed(hung->UiThreadPaths());
        hung->Release();
        dlg->reject();
    }));
    hung.reset();
    // The look the hang held comes back.
    EXPECT_TRUE(platform::LookAtFolder(A(share + "/sub"))->Wait(10000));

    // It stops answering as the user's OK is taken: the chosen name is not asked for again.
    platform::FileDialogRequest chosen;
    chosen.save = true;
    chosen.initialDir = A(share + "/sub");
    EXPECT_TRUE(ShowRealDialog(chosen, [&](QFileDialog* dlg) {
        EXPECT_EQ(dlg->directory().absolutePath(), share + "/sub");
        QObject::connect(dlg, &QFileDialog::filesSelected, dlg,
                         [&] { hung.emplace(share.toStdString(), support::HangingFolders::THang::Nothing); });
        Accept(dlg, "w.jpg");
    }));
    EXPECT_EQ(chosen.fileName, A(share + "/sub/w.jpg"));
    ASSERT_TRUE(hung);
    EXPECT_EQ(hung->OnUiThread(), 0) << Listed(hung->UiThreadPaths());
    hung.reset();

    // A new run finds the share in the toolkit's own settings too, and the program remembers it.
    ASSERT_TRUE(DialogsGone());
    {
        QSettings toolkit(QSettings::UserScope, "QtProject");
        toolkit.beginGroup("FileDialog");
        toolkit.setValue("lastVisited", QUrl::fromLocalFile(share + "/sub").toString());
        toolkit.setValue("history", QStringList{QUrl::fromLocalFile(share + "/sub").toString(),
                                                QUrl::fromLocalFile(local).toString()});
        toolkit.setValue("shortcuts",
                         QVariantList{QUrl("file:"), QUrl::fromLocalFile(local), QUrl::fromLocalFile(share)});
    }
    platform::RememberFileFolder(TFileKind::Picture, A(share + "/sub/x.jpg"));
    hung.emplace(share.toStdString());
    platform::FileDialogRequest req;
    req.save = true;
    req.initialDir = platform::FileFolder(TFileKind::Picture);
    EXPECT_EQ(req.initialDir, Documents());
    EXPECT_TRUE(ShowRealDialog(req, [&](QFileDialog* dlg) {
        EXPECT_EQ(dlg->directory().absolutePath(), Q(Documents()));
        // The bookmarks and earlier folders that answered stay.
        EXPECT_TRUE(dlg->sidebarUrls().contains(QUrl::fromLocalFile(local)));
        EXPECT_FALSE(dlg->sidebarUrls().contains(QUrl::fromLocalFile(share)));
        EXPECT_TRUE(dlg->history().contains(local));
        EXPECT_FALSE(dlg->history().contains(share + "/sub"));
        if (hung->OnUiThread() > 0) hung->Release();  // the toolkit's own threads may wait on it
        Accept(dlg, local + "/x.jpg");
    }));
    EXPECT_EQ(req.fileName, A(local + "/x.jpg"));

    // A proposed name in the share: the dialog opens elsewhere.
    platform::FileDialogRequest proposed;
    proposed.fileName = A(share + "/sub/z.jpg");
    EXPECT_FALSE(ShowRealDialog(proposed, [&](QFileDialog* dlg) {
        EXPECT_EQ(dlg->directory().absolutePath(), Q(Documents()));
        if (hung->OnUiThread() > 0) hung->Release();
        dlg->reject();
    }));
    EXPECT_EQ(hung->OnUiThread(), 0) << Listed(hung->UiThreadPaths());
    // ... and the toolkit's settings file keeps no folder for the next dialog or run.
    hung.reset();
    EXPECT_TRUE(DialogsGone());
    EXPECT_FALSE(QSettings(QSettings::UserScope, "QtProject").childGroups().contains("FileDialog"));
}

// The toolkit's dialog reads what it shows on a thread of its own, which a folder that stops
// answering holds (one in the folder shown, a share mounted there); the dialog closes at once
// all the same, the user-interface thread never waiting for that thread, and goes once the
// folder answers again.
TEST_F(FileFoldersTest, ADialogShowingAFolderThatStopsAnsweringClosesAtOnce)
{
    const QString share = root.path() + "/share";
    ASSERT_TRUE(QDir().mkpath(share));
    std::optional<support::HangingFolders> hung;
    std::atomic<bool> closed{false};
    std::atomic<bool> froze{false};
    std::thread watchdog;
    // It shows the folder beside it, which the dialog's thread looks at to list it.
    platform::FileDialogRequest req;
    req.initialDir = A(root.path());
    EXPECT_FALSE(ShowRealDialog(req, [&](QFileDialog* dlg) {
        // A change in the folder has the dialog's thread read it again, once it has stopped answering.
        QFile made(root.path() + "/made.csv");
        ASSERT_TRUE(made.open(QIODevice::WriteOnly));
        made.close();
        hung.emplace(share.toStdString());
        QDeadlineTimer deadline(10000);
        while (hung->Hanging() == 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_GT(hung->Hanging(), 0);
        // Were the window to wait for the dialog's thread, it would wait until the folder answers.
        watchdog = std::thread([&] {
            for (int i = 0; i < 200 && !closed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!closed) {
                froze = true;
                hung->Release();
            }
        });
        dlg->reject();
    }));
    closed = true;
    watchdog.join();
    EXPECT_FALSE(froze) << "closing the dialog waited for the folder";
    hung->Release();
    EXPECT_TRUE(DialogsGone()) << "the dialog stays once the folder answers again";
    hung.reset();
}

// A key pressed and let go on `target`, as the user's.
void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void Type(QWidget* target, const QString& text)
{
    for (const QChar c : text) Press(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

// A click (twice: a double click) on the entry `index` of `view`.
void Click(QAbstractItemView* view, const QModelIndex& index, bool twice = false)
{
    const QPoint at = view->visualRect(index).center();
    QWidget* port = view->viewport();
    const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, port->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(port, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    if (!twice) return;
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
}

// Inside an open dialog, every way of moving into a folder that stopped answering (an entry of
// the list, a typed name, the look-in list's recent places, the bookmarks, up, back, the
// keyboard's shortcuts) looks at it off the user-interface thread first, and the window waits
// for no look: the dialog stays where it is with a message once the folder's while is over
// (its look-in list naming where it stays), and goes where the folder answers.
TEST_F(FileFoldersTest, MovingIntoAFolderThatHangsInsideTheDialogHoldsUpNothing)
{
    const QString share = root.path() + "/share";
    const QString local = root.path() + "/local";
    ASSERT_TRUE(QDir().mkpath(share + "/sub"));
    ASSERT_TRUE(QDir().mkpath(local));
    std::optional<support::HangingFolders> hung;
    platform::FileDialogRequest req;
    req.save = true;
    req.initialDir = A(root.path());
    bool acted = false;
    EXPECT_FALSE(ShowRealDialog(req, [&](QFileDialog* dlg) {
        auto* model = dlg->findChild<QFileSystemModel*>();
        auto* view = dlg->findChild<QListView*>(QStringLiteral("listView"));
        auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* sidebar = dlg->findChild<QListView*>(QStringLiteral("sidebar"));
        auto* lookIn = dlg->findChild<QComboBox*>(QStringLiteral("lookInCombo"));
        ASSERT_TRUE(model && view && edit && sidebar && lookIn);
        const auto button = [&](const char* name) { return dlg->findChild<QAbstractButton*>(QLatin1String(name)); };
        const auto entry = [&](const QString& path) {
            QDeadlineTimer deadline(10000);
            while (!model->index(path).isValid() && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return model->index(path);
        };
        // The user has been in the share while it answered; it has a bookmark.
        dlg->setSidebarUrls({QUrl::fromLocalFile(local), QUrl::fromLocalFile(share)});
        dlg->setHistory({share + "/sub"});
        ASSERT_TRUE(entry(share).isValid() && entry(local).isValid());
        const auto loaded = [&](const QString& folder) {
            bool done = false;
            const auto connection = QObject::connect(model, &QFileSystemModel::directoryLoaded,
                                                     [&](const QString& path) { done = done || path == folder; });
            dlg->setDirectory(folder);
            QDeadlineTimer deadline(10000);
            while (!done && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QObject::disconnect(connection);
            QCoreApplication::processEvents();
            return done && LooksSettled();
        };
        ASSERT_TRUE(loaded(share));
        ASSERT_TRUE(loaded(share + "/sub"));
        hung.emplace(share.toStdString());
        std::size_t messages = support::TestDialogs().MessageCount();
        const int waits = platform::UiThreadLookWaits();
        const auto stays = [&](const char* how, const QString& folder) {
            EXPECT_TRUE(Until([&] { return support::TestDialogs().MessageCount() > messages; })) << how;
            EXPECT_EQ(platform::UiThreadLookWaits(), waits) << how << ": the window waited for a look";
            EXPECT_EQ(lookIn->currentText(), QDir::toNativeSeparators(folder)) << how;
            EXPECT_EQ(dlg->directory().absolutePath(), folder) << how;
            EXPECT_EQ(support::TestDialogs().MessageCount(), ++messages) << how;
            EXPECT_NE(support::TestDialogs().LastMessage().text.find("does not answer"), std::string::npos) << how;
            EXPECT_EQ(hung->OnUiThread(), 0) << how << "\n" << Listed(hung->UiThreadPaths());
        };
        platform::SetFolderPatienceMs(200);
        button("toParentButton")->click();
        stays("up", share + "/sub");
        Press(view, Qt::Key_Backspace);
        stays("up with the keyboard", share + "/sub");
        button("backButton")->click();
        stays("back", share + "/sub");
        // The back button's shortcut clicks it a moment later.
        Press(view, Qt::Key_Left, Qt::AltModifier);
        stays("back with the keyboard", share + "/sub");
        // Nothing is made or deleted in the folder shown once it has stopped answering.
        Press(view, Qt::Key_Delete);
        stays("a deletion", share + "/sub");
        button("newFolderButton")->click();
        stays("a new folder", share + "/sub");

        // Away to a folder that answers, up, back and forward.
        platform::SetFolderPatienceMs(0);
        const auto goes = [&](const QString& folder) {
            return Until([&] { return dlg->directory().absolutePath() == folder; });
        };
        Click(sidebar, sidebar->model()->index(0, 0));
        EXPECT_TRUE(goes(local));
        button("toParentButton")->click();
        EXPECT_TRUE(goes(root.path()));
        button("backButton")->click();
        EXPECT_TRUE(goes(local));
        button("forwardButton")->click();
        EXPECT_TRUE(goes(root.path()));
        EXPECT_EQ(support::TestDialogs().MessageCount(), messages);
        platform::SetFolderPatienceMs(200);

        Click(view, entry(share));
        EXPECT_EQ(hung->OnUiThread(), 0) << "chosen in the list\n" << Listed(hung->UiThreadPaths());
        Click(view, entry(share), true);
        stays("double click", root.path());
        Press(view, Qt::Key_Return);
        stays("Enter in the list", root.path());
        // A name is completed from a folder that answers, and typed into one that does not.
        edit->setFocus();
        Type(edit, "lo");
        QDeadlineTimer completed(10000);
        while (edit->completer()->currentCompletion() != "local" && !completed.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(edit->completer()->currentCompletion(), "local");
        edit->completer()->popup()->hide();
        edit->clear();
        Type(edit, share + "/sub");
        EXPECT_EQ(hung->OnUiThread(), 0) << "typed\n" << Listed(hung->UiThreadPaths());
        Press(edit, Qt::Key_Return);
        stays("typed and Enter", root.path());
        edit->clear();
        Type(edit, "share");
        Press(edit, Qt::Key_Return);
        stays("typed without its folder", root.path());
        edit->clear();
        Click(sidebar, sidebar->model()->index(1, 0));
        stays("a bookmark", root.path());
        lookIn->showPopup();
        int recent = -1;
        for (int i = 0; i < lookIn->count(); ++i)
            if (lookIn->itemText(i) == share + "/sub") recent = i;
        ASSERT_GE(recent, 0);
        lookIn->hidePopup();
        lookIn->setCurrentIndex(recent);
        // The look-in list names the folder shown while the message is read, too.
        QString lookInWhileShown;
        support::TestDialogs().WhileShown = [&](const support::ShownMessage&) {
            lookInWhileShown = lookIn->currentText();
        };
        emit lookIn->textActivated(lookIn->itemText(recent));
        stays("a recent place", root.path());
        EXPECT_EQ(lookInWhileShown.toStdString(), QDir::toNativeSeparators(root.path()).toStdString());
        acted = true;
        hung->Release();
        platform::SetFolderPatienceMs(0);
        dlg->reject();
    }));
    EXPECT_TRUE(acted);
    hung.reset();
    platform::SetFolderPatienceMs(0);
    EXPECT_TRUE(DialogsGone());
}

// A share that stopped answering whose mount point the system still describes from memory (its
// folder lists it): a double click on it, Up onto it from a folder inside it and a path typed
// into it each leave the dialog where it is with its message, and the window waits for
// nothing meanwhile, neither for a look nor for the share. A name typed in a folder that
// answers, which itself does not, is named as the file it is.
TEST_F(FileFoldersTest, AMountPointOfAShareThatHangsIsNeverEnteredAndTheWindowWaitsForNothing)
{
    const QString share = root.path() + "/share";
    ASSERT_TRUE(QDir().mkpath(share + "/sub"));
    std::optional<support::HangingFolders> hung;
    platform::FileDialogRequest req;
    req.save = true;
    req.initialDir = A(root.path());
    bool acted = false;
    EXPECT_FALSE(ShowRealDialog(req, [&](QFileDialog* dlg) {
        auto* model = dlg->findChild<QFileSystemModel*>();
        auto* view = dlg->findChild<QListView*>(QStringLiteral("listView"));
        auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* lookIn = dlg->findChild<QComboBox*>(QStringLiteral("lookInCombo"));
        ASSERT_TRUE(model && view && edit && lookIn);
        const auto loaded = [&](const QString& folder) {
            bool done = false;
            const auto connection = QObject::connect(model, &QFileSystemModel::directoryLoaded,
                                                     [&](const QString& path) { done = done || path == folder; });
            dlg->setDirectory(folder);
            Until([&] { return done; });
            QObject::disconnect(connection);
            QCoreApplication::processEvents();
            return done && LooksSettled();
        };
        ASSERT_TRUE(loaded(share + "/sub"));
        ASSERT_TRUE(loaded(root.path()));
        ASSERT_TRUE(Until([&] { return model->index(share).isValid(); }));
        // The program's own patience: each message names what did not answer, and the folders
        // beside it that answer must do so within the patience on a loaded machine too.
        platform::SetFolderPatienceMs(0);
        std::size_t messages = support::TestDialogs().MessageCount();
        int waits = platform::UiThreadLookWaits();
        const auto stays = [&](const char* how, const QString& folder, const char* named) {
            EXPECT_TRUE(Until([&] { return support::TestDialogs().MessageCount() > messages; })) << how;
            EXPECT_EQ(support::TestDialogs().MessageCount(), ++messages) << how;
            EXPECT_EQ(support::TestDialogs().LastMessage().text, named) << how;
            EXPECT_EQ(dlg->directory().absolutePath(), folder) << how;
            EXPECT_EQ(lookIn->currentText(), QDir::toNativeSeparators(folder)) << how;
            EXPECT_EQ(platform::UiThreadLookWaits(), waits) << how << ": the window waited for a look";
            EXPECT_EQ(hung->OnUiThread(), 0) << how << "\n" << Listed(hung->UiThreadPaths());
        };
        const std::string folderText = "The folder \"" + A(share) + "\" does not answer.";

        hung.emplace(share.toStdString(), support::HangingFolders::THang::AllButAttributes);
        Click(view, model->index(share), true);
        stays("double click on the mount point", root.path(), folderText.c_str());
        // Typed into it, key by key: the completion offers nothing, Enter gives the message.
        edit->setFocus();
        Type(edit, share + "/sub/");
        EXPECT_EQ(platform::UiThreadLookWaits(), waits) << "typed: the window waited for a look";
        Press(edit, Qt::Key_Return);
        stays("typed and Enter", root.path(), folderText.c_str());
        edit->clear();
        hung.reset();

        // Up onto it from a folder inside it.
        ASSERT_TRUE(loaded(share + "/sub"));
        hung.emplace(share.toStdString(), support::HangingFolders::THang::AllButAttributes);
        dlg->findChild<QAbstractButton*>(QStringLiteral("toParentButton"))->click();
        stays("up onto the mount point", share + "/sub", folderText.c_str());
        hung.reset();

        // A name in a folder that answers, the name itself not.
        ASSERT_TRUE(loaded(share));
        hung.emplace((share + "/x.pdf").toStdString());
        edit->setFocus();
        Type(edit, "x.pdf");
        Press(edit, Qt::Key_Return);
        const std::string fileText = "The file \"" + A(share) + "/x.pdf\" does not answer.";
        stays("a file typed", share, fileText.c_str());
        acted = true;
        hung->Release();
        platform::SetFolderPatienceMs(0);
        dlg->reject();
    }));
    EXPECT_TRUE(acted);
    hung.reset();
    platform::SetFolderPatienceMs(0);
    EXPECT_TRUE(DialogsGone());
}

// The print dialog checks the file it prints to as its OK is pressed: a file in a folder that
// does not answer gets a message after the folder's while, the dialog stays, the window waits
// for nothing, not even for the look.
TEST_F(FileFoldersTest, ThePrintDialogChecksNoFileInAFolderThatHangs)
{
    const QString share = root.path() + "/share";
    ASSERT_TRUE(QDir().mkpath(share));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(share + "/out.pdf");
    platform::SetFolderPatienceMs(200);
    support::HangingFolders hung(share.toStdString());
    support::TestDialogs().Clear();
    platform::QtDialogs real;
    QTimer poll;
    bool acted = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<QPrintDialog*>(w); dlg && dlg->isVisible() && !acted) {
                acted = true;
                const std::size_t messages = support::TestDialogs().MessageCount();
                const int waits = platform::UiThreadLookWaits();
                dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                EXPECT_TRUE(Until([&] { return support::TestDialogs().MessageCount() > messages; }));
                EXPECT_EQ(platform::UiThreadLookWaits(), waits) << "the window waited for a look";
                EXPECT_TRUE(dlg->isVisible());
                EXPECT_NE(support::TestDialogs().LastMessage().text.find("does not answer"), std::string::npos);
                EXPECT_EQ(hung.OnUiThread(), 0) << Listed(hung.UiThreadPaths());
                dlg->reject();
            }
    });
    poll.start(10);
    EXPECT_FALSE(real.PrinterSetup(&printer));
    EXPECT_TRUE(acted);
    platform::SetFolderPatienceMs(0);
}

// A file chosen to be opened whose side file (the end of an unfinished write of it) does not
// answer: the read would wait for the side file, so the dialog takes no OK, and its message
// names the side file, not the file that answers. A file whose side file answers opens.
TEST_F(FileFoldersTest, AFileWhoseSideFileHangsIsRefusedNamingTheSideFile)
{
    const QString share = root.path() + "/share";
    ASSERT_TRUE(QDir().mkpath(share));
    const QString file = share + "/two_31.csv", side = file + ".recovery";
    for (const QString& name : {file, side}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    // The dialog opens in the share however long its look takes; its OK then has a short while.
    platform::SetFolderPatienceMs(60000);
    std::optional<support::HangingFolders> hung;
    platform::FileDialogRequest open;
    open.initialDir = A(share);
    EXPECT_FALSE(ShowRealDialog(open, [&](QFileDialog* dlg) {
        ASSERT_EQ(dlg->directory().absolutePath(), share);
        ASSERT_TRUE(LooksSettled());
        platform::SetFolderPatienceMs(200);
        hung.emplace(side.toStdString());
        const std::size_t messages = support::TestDialogs().MessageCount();
        Accept(dlg, "two_31.csv");
        // Everything but the side file answers before the dialog's while can end (it ends in
        // the event loop, which does not run meanwhile), however slow the looks are.
        const QDeadlineTimer deadline(10000);
        while (platform::FileLooksUnanswered() > 1 && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(platform::FileLooksUnanswered(), 1);
        EXPECT_TRUE(Until([&] { return support::TestDialogs().MessageCount() > messages; }));
        EXPECT_TRUE(dlg->isVisible()) << "accepted a file whose side file does not answer";
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "The file \"" + A(side) + "\" does not answer.");
        hung->Release();
        dlg->reject();
    }));
    hung.reset();
    // Nothing hangs now: a while longer than any look takes on a busy machine. A folder whose
    // earlier look is still out is passed over at once as a dialog opens.
    platform::SetFolderPatienceMs(60000);
    ASSERT_TRUE(LooksSettled());
    platform::FileDialogRequest again;
    again.initialDir = A(share);
    EXPECT_TRUE(ShowRealDialog(again, [&](QFileDialog* dlg) {
        // An OK given while the dialog still goes to its folder is dropped with that move.
        ASSERT_TRUE(LooksSettled());
        ASSERT_EQ(dlg->directory().absolutePath(), share);
        Accept(dlg, "two_31.csv");
    }));
    EXPECT_EQ(again.fileName, A(file));
    platform::SetFolderPatienceMs(0);
}

}  // namespace

// A move or an OK that waits for a folder's answer acts only on the dialog as it was asked:
// an answer that comes after the user went elsewhere or closed the dialog does nothing.
TEST_F(FileFoldersTest, ALateAnswerActsOnlyOnTheDialogAsItWasAsked)
{
    const QString share = root.path() + "/share";
    const QString local = root.path() + "/local";
    ASSERT_TRUE(QDir().mkpath(share + "/sub"));
    ASSERT_TRUE(QDir().mkpath(local));
    std::optional<support::HangingFolders> hung;
    // The answers come long before the folder's while is over.
    platform::SetFolderPatienceMs(60000);
    // Lets the share answer; true once what waited for its answer has had its turn (the
    // answer's calls run in the order they were asked).
    const auto answer = [&] {
        bool seen = false;
        platform::LookAtFolder(A(share))->WhenAnswered([&](const std::string&) { seen = true; });
        hung->Release();
        return Until([&] { return seen; });
    };

    // Up waits for the share; meanwhile the dialog is taken to another folder.
    platform::FileDialogRequest moved;
    moved.save = true;
    moved.initialDir = A(share + "/sub");
    EXPECT_FALSE(ShowRealDialog(moved, [&](QFileDialog* dlg) {
        ASSERT_EQ(dlg->directory().absolutePath(), share + "/sub");
        hung.emplace(share.toStdString());
        dlg->findChild<QAbstractButton*>(QStringLiteral("toParentButton"))->click();
        ASSERT_TRUE(hung->AwaitHang());
        dlg->setDirectory(local);
        ASSERT_TRUE(Until([&] { return dlg->directory().absolutePath() == local; }));
        EXPECT_TRUE(answer());
        EXPECT_EQ(dlg->directory().absolutePath().toStdString(), local.toStdString())
            << "went up from where the dialog went meanwhile";
        dlg->reject();
    }));
    hung.reset();
    ASSERT_TRUE(DialogsGone());

    // OK waits for the share; meanwhile the user cancels.
    platform::FileDialogRequest closed;
    closed.save = true;
    closed.initialDir = A(share + "/sub");
    EXPECT_FALSE(ShowRealDialog(closed, [&](QFileDialog* dlg) {
        ASSERT_EQ(dlg->directory().absolutePath(), share + "/sub");
        dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("y.jpg");
        hung.emplace(share.toStdString());
        QMetaObject::invokeMethod(dlg, "accept");
        ASSERT_TRUE(hung->AwaitHang());
        dlg->reject();
        EXPECT_TRUE(answer());
    })) << "a cancelled dialog was accepted by a late answer";
    EXPECT_TRUE(closed.fileName.empty());
    hung.reset();
    platform::SetFolderPatienceMs(0);
    EXPECT_TRUE(DialogsGone());
}
