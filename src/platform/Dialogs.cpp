#include "platform/Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/Exception.h"
#include "platform/FileFolders.h"
#include "platform/TextLines.h"

namespace platform {
namespace {

int DefaultAnswer(int flags)
{
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL: return (flags & MB_DEFBUTTON2) ? IDCANCEL : IDOK;
        case MB_ABORTRETRYIGNORE: return (flags & MB_DEFBUTTON2) ? IDRETRY : IDABORT;
        case MB_YESNOCANCEL:
        case MB_YESNO: return (flags & MB_DEFBUTTON2) ? IDNO : IDYES;
        case MB_RETRYCANCEL: return (flags & MB_DEFBUTTON2) ? IDCANCEL : IDRETRY;
        default: return IDOK;
    }
}

class HeadlessDialogs : public Dialogs {
public:
    int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) override
    {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        return DefaultAnswer(flags);
    }
    bool FileDialog(FileDialogRequest&) override { return false; }
    bool InputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }
};

HeadlessDialogs g_headless;
std::atomic<Dialogs*> g_dialogs{&g_headless};
AnsiString g_title = "NoxControl";
// Each thread has its own scopes; boxes are shown on the user-interface thread only.
thread_local QWidget* g_owner = nullptr;

// True when `window` is `modal` or a window that belongs to it (a child window of it, or of
// one of its child windows): such a window still takes input while `modal` is shown.
bool BelongsTo(const QWidget* window, const QWidget* modal)
{
    for (const QWidget* w = window; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
        if (w == modal) return true;
    return false;
}

}  // namespace

QWidget* DialogParent()
{
    QWidget* parent = g_owner && g_owner->isVisible() ? g_owner : QApplication::activeWindow();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && !BelongsTo(parent ? parent->window() : nullptr, modal)) parent = modal;
    return parent;
}

bool DialogStaysOnTop(const QWidget* parent)
{
    if (parent && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) return true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
        return w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
}

void PrepareDialog(QWidget& dialog)
{
    if (DialogStaysOnTop(dialog.parentWidget())) dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Once it is shown (exec shows it): in front, with the keyboard focus.
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.raise();
        dialog.activateWindow();
    });
}

// "Text (*.txt)|*.txt|All (*.*)|*.*" -> "Text (*.txt);;All (*.*)"
QStringList QtNameFilters(const AnsiString& filter)
{
    QStringList out;
    auto parts = SplitString(filter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QString label = Q(parts[i]);
        QString pat = Q(parts[i + 1]).replace(';', ' ');
        // The dialog takes its patterns from the last parentheses of the label, so these hold
        // the filter's own patterns: "Data files (*.csv,*.qzv)" would match no file at all.
        const qsizetype open = label.lastIndexOf('(');
        if (open >= 0 && label.endsWith(')')) label = label.left(open).trimmed();
        out << label + " (" + pat + ")";
    }
    return out;
}

// The extension of a filter's first pattern: "GIF Image (*.gif)" -> "gif"; empty for "*.*".
static QString FilterSuffix(const QString& filter)
{
    const qsizetype star = filter.indexOf("*.");
    if (star < 0) return {};
    QString suffix;
    for (qsizetype i = star + 2; i < filter.size() && filter[i].isLetterOrNumber(); ++i) suffix += filter[i];
    return suffix;
}
DialogOwnerScope::DialogOwnerScope(QWidget* owner) : FPrevious(g_owner)
{
    g_owner = owner;
}

DialogOwnerScope::~DialogOwnerScope()
{
    g_owner = FPrevious;
}

QWidget* DialogOwner()
{
    return g_owner;
}

Dialogs& dialogs()
{
    return *g_dialogs.load();
}
void SetDialogs(Dialogs* d)
{
    g_dialogs.store(d ? d : &g_headless);
}

AnsiString ApplicationTitle()
{
    return g_title;
}
void SetApplicationTitle(const AnsiString& title)
{
    g_title = title;
}

int QtDialogs::MessageBox(const AnsiString& text, const AnsiString& caption, int flags)
{
    return ShowBox(text, caption, flags, nullptr);
}

int QtDialogs::MessageBoxAt(const AnsiString& text, const AnsiString& caption, int flags, int left, int top)
{
    const QPoint at(left, top);
    return ShowBox(text, caption, flags, &at);
}

int QtDialogs::ShowBox(const AnsiString& text, const AnsiString& caption, int flags, const QPoint* at)
{
    QMessageBox box(DialogParent());
    box.setWindowTitle(Q(caption));
    box.setText(Q(text));
    switch (flags & MB_ICONMASK) {
        case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: break;
    }
    struct B {
        QMessageBox::StandardButton b;
        int id;
    };
    std::vector<B> buttons;
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
        case MB_ABORTRETRYIGNORE:
            buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
            break;
        case MB_YESNOCANCEL:
            buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
            break;
        case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
        case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
        default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    QMessageBox::StandardButtons set;
    for (auto& b : buttons) set |= b.b;
    box.setStandardButtons(set);
    int def = DefaultAnswer(flags);
    for (auto& b : buttons)
        if (b.id == def) box.setDefaultButton(b.b);
    // A box moved before it is shown keeps its place.
    if (at) box.move(*at);
    PrepareDialog(box);
    int r = box.exec();
    for (auto& b : buttons)
        if (r == b.b) return b.id;
    // Closed with the window's close box: the cancelling answer.
    for (auto& b : buttons)
        if (b.id == IDCANCEL || b.id == IDNO) return b.id;
    return buttons.front().id;
}

namespace {

// What the toolkit's file dialog keeps of itself between dialogs (how it shows the files,
// the folders it was in, the bookmarks beside the list). The dialog keeps it in the toolkit's
// own settings file, with the folder it was in last, and on its construction goes to that
// folder and to every bookmark and earlier folder, on the user-interface thread: a folder
// there on a share that stopped answering would hold the window and every channel's ticks.
// So the toolkit's settings file keeps none of it between dialogs: it is moved into the
// program's settings, and a dialog gets back only what has just answered a look, after it is
// built; the last folder is never kept (a dialog opens in the folder it is asked to).
struct TToolkitDialogState {
    QString ViewMode;
    QStringList History;  // folders
    QList<QUrl> Shortcuts;
};

const char* const kStateGroup = "FileDialogState";

void MoveToolkitDialogState()
{
    QSettings toolkit(QSettings::UserScope, QStringLiteral("QtProject"));
    if (!toolkit.childGroups().contains(QStringLiteral("FileDialog")) && !toolkit.contains("Qt/filedialog")) return;
    toolkit.beginGroup(QStringLiteral("FileDialog"));
    const QVariant viewMode = toolkit.value("viewMode");
    const QVariant history = toolkit.value("history");
    const QVariant shortcuts = toolkit.value("shortcuts");
    toolkit.endGroup();
    toolkit.remove(QStringLiteral("FileDialog"));
    toolkit.remove(QStringLiteral("Qt/filedialog"));
    toolkit.sync();
    QSettings own("NoxControl", "NoxControl");
    own.beginGroup(kStateGroup);
    if (viewMode.isValid()) own.setValue("viewMode", viewMode);
    if (history.isValid()) own.setValue("history", history);
    if (shortcuts.isValid()) own.setValue("shortcuts", shortcuts);
    own.endGroup();
    own.sync();
}

TToolkitDialogState KeptToolkitDialogState()
{
    TToolkitDialogState state;
    QSettings own("NoxControl", "NoxControl");
    own.beginGroup(kStateGroup);
    state.ViewMode = own.value("viewMode").toString();
    for (const QString& entry : own.value("history").toStringList())
        if (const QUrl url(entry); url.isLocalFile()) state.History << url.toLocalFile();
    for (const QVariant& entry : own.value("shortcuts").toList()) state.Shortcuts << entry.toUrl();
    return state;
}

// The file dialog of the toolkit with two changes: it is accepted only once the folder of the
// chosen file has answered a look made off this thread (the dialog's own checks of the file
// then run on a folder that has just answered), and it hands the chosen files over as it is
// accepted, so that nobody asks it again (which would look at the files once more).
class TFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QStringList Chosen;

    void accept() override
    {
        const QString folder = ChosenFolder();
        const std::shared_ptr<TFileLook> look = LookAtFolder(A(folder));
        if (!look->WaitRunning(FolderPatienceMs())) {
            dialogs().MessageBox(FolderNotAnsweringText(A(QDir::toNativeSeparators(folder))), ApplicationTitle(),
                                 MB_OK | MB_ICONWARNING);
            return;
        }
        QFileDialog::accept();
    }

private:
    // The folder of the name in the file-name field, worked out from the text alone.
    QString ChosenFolder() const
    {
        const QString current = directory().absolutePath();
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QString text = edit ? edit->text().trimmed() : QString();
        if (text.startsWith(QLatin1Char('"'))) text = text.section(QLatin1Char('"'), 1, 1);
        if (text.startsWith(QStringLiteral("~/")) || text == QStringLiteral("~")) text = QDir::homePath() + text.mid(1);
        if (text.isEmpty()) return current;
        const QString path = QDir::isAbsolutePath(text) ? text : current + QLatin1Char('/') + text;
        return QDir::cleanPath(QFileInfo(path).path());
    }
};

// The toolkit's dialog reads folders on a thread of its own (the one it shows, those it offers
// to complete a typed name, everything beside them), and its destruction waits for that
// thread on the user-interface thread: a folder among them that stopped answering would hold
// the window there. So a closed dialog is hidden, belongs to no window (whose end would
// destroy it), and asks its thread to read a folder of its own; it goes once that has been
// read, as everything asked before has been read by then.
void DisposeFileDialog(QFileDialog* dlg)
{
    static const QTemporaryDir probe(QDir::tempPath() + QStringLiteral("/noxcontrol-dialog-XXXXXX"));
    auto* model = dlg->findChild<QFileSystemModel*>();
    if (!model || !probe.isValid()) {
        delete dlg;
        return;
    }
    dlg->hide();
    dlg->setParent(nullptr);
    const QString folder = probe.path();
    // Right after, before anything else can be asked of the thread: a deferred deletion could
    // wait for an event loop that comes much later.
    QObject::connect(model, &QFileSystemModel::directoryLoaded, dlg, [dlg, folder](const QString& path) {
        if (path != folder) return;
        dlg->setProperty("noxProbeRead", true);
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [dialog = QPointer<QFileDialog>(dlg)] { delete dialog.data(); });
    });
    // The program's end does not wait for a dialog still held, but takes every other one with
    // it, before the toolkit goes whose thread they still run.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, dlg, [dlg] {
        if (dlg->property("noxProbeRead").toBool()) delete dlg;
    });
    // Asked beside what the dialog shows: a new root would have its views ask for the old one
    // again, after the probe.
    model->fetchMore(model->index(folder));
}

}  // namespace

bool QtDialogs::FileDialog(FileDialogRequest& req)
{
    // A proposed name with a folder opens in that folder.
    QString name = Q(req.fileName);
    AnsiString folder = req.initialDir;
    if (!name.isEmpty() && QDir::isAbsolutePath(name)) {
        folder = A(QFileInfo(name).path());
        name = QFileInfo(name).fileName();
    }
    MoveToolkitDialogState();
    const TToolkitDialogState kept = KeptToolkitDialogState();
    // Looked at side by side with the folder the dialog opens in, and given the same while;
    // one whose earlier look has not come back is passed over at once.
    const QDeadlineTimer deadline(FolderPatienceMs());
    bool startStillAsked = false;
    const std::shared_ptr<TFileLook> startLook = folder.empty() ? nullptr : LookAtFolder(folder, &startStillAsked);
    QStringList keptFolders = kept.History;
    for (const QUrl& url : kept.Shortcuts)
        if (url.isLocalFile()) keptFolders << url.toLocalFile();
    std::map<QString, std::shared_ptr<TFileLook>> looks;
    if (startLook && !startStillAsked) looks.emplace(Q(folder), startLook);
    for (const QString& entry : keptFolders) {
        bool stillAsked = false;
        if (entry.isEmpty() || looks.count(entry)) continue;
        std::shared_ptr<TFileLook> look = LookAtFolder(A(entry), &stillAsked);
        looks.emplace(entry, stillAsked ? nullptr : look);
    }
    const bool startAnswered =
        startLook && startLook->WaitRunning(startStillAsked ? 0 : FolderPatienceMs()) && !startLook->Answer().empty();
    const AnsiString start = startAnswered ? folder : DocumentsFolder();
    for (auto& [entry, look] : looks)
        if (look && !look->WaitRunning(int(std::max<qint64>(0, deadline.remainingTime())))) look.reset();
    const auto answered = [&](const QString& entry) {
        const auto it = looks.find(entry);
        return it != looks.end() && it->second && it->second->Answered() && !it->second->Answer().empty();
    };

    TFileDialog& dlg = *new TFileDialog(DialogParent(), Q(req.title), Q(start));
    // What the dialog keeps of itself as it goes goes the same way.
    QObject::connect(&dlg, &QObject::destroyed, [] { MoveToolkitDialogState(); });
    // The platform's own dialog would look at folders where none of this can see it.
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    if (kept.ViewMode == QStringLiteral("Detail")) dlg.setViewMode(QFileDialog::Detail);
    if (!kept.Shortcuts.isEmpty()) {
        QList<QUrl> shortcuts;
        for (const QUrl& url : kept.Shortcuts)
            if (!url.isLocalFile() || url.toLocalFile().isEmpty() || answered(url.toLocalFile())) shortcuts << url;
        dlg.setSidebarUrls(shortcuts);
    }
    QStringList history;
    for (const QString& entry : kept.History)
        if (answered(entry)) history << entry;
    dlg.setHistory(history);
    dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(req.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters = QtNameFilters(req.filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        if (req.filterIndex >= 1 && req.filterIndex <= filters.size())
            dlg.selectNameFilter(filters[req.filterIndex - 1]);
    }
    if (!req.defaultExt.empty()) {
        dlg.setDefaultSuffix(Q(req.defaultExt));
        // A name typed without extension takes the extension of the filter chosen, not the
        // one the dialog was opened with.
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg](const QString& filter) {
            const QString suffix = FilterSuffix(filter);
            if (!suffix.isEmpty()) dlg.setDefaultSuffix(suffix);
        });
        if (req.filterIndex >= 1 && req.filterIndex <= filters.size()) {
            const QString suffix = FilterSuffix(filters[req.filterIndex - 1]);
            if (!suffix.isEmpty()) dlg.setDefaultSuffix(suffix);
        }
    }
    if (!name.isEmpty()) dlg.selectFile(Q(start) + QLatin1Char('/') + name);
    if (!req.overwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    QObject::connect(&dlg, &QFileDialog::filesSelected, &dlg, [&dlg](const QStringList& files) { dlg.Chosen = files; });
    PrepareDialog(dlg);
    const bool accepted = dlg.exec() == QDialog::Accepted && !dlg.Chosen.isEmpty();
    if (accepted) {
        req.fileName = dlg.Chosen.first().toStdString();
        req.filterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
    }
    DisposeFileDialog(&dlg);
    return accepted;
}

namespace {

// The toolkit's print dialog with its file output kept off folders that do not answer: the
// dialog checks the file it prints to on the user-interface thread as it is accepted, so it
// is accepted only once that file's folder has answered a look; the file name's completion
// (which looks at every folder typed) is off, and its browse button opens the program's own
// file dialog.
class TPrintDialog : public QPrintDialog {
public:
    TPrintDialog(QPrinter* printer, QWidget* parent) : QPrintDialog(printer, parent)
    {
        // The OK button runs the dialog's check of the file, then accepts it.
        if (auto* buttons = findChild<QDialogButtonBox*>()) {
            QObject::disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
            QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] {
                if (!FolderAnswers()) return;
                if (!QMetaObject::invokeMethod(this, "_q_checkFields")) accept();
            });
        }
        if (auto* edit = FileNameEdit()) edit->setCompleter(nullptr);
        if (auto* browse = findChild<QAbstractButton*>(QStringLiteral("fileBrowser"))) {
            QObject::disconnect(browse, nullptr, nullptr, nullptr);
            QObject::connect(browse, &QAbstractButton::clicked, this, [this] {
                QLineEdit* edit = FileNameEdit();
                if (!edit) return;
                FileDialogRequest req;
                req.save = true;
                req.filter = "PDF (*.pdf)|*.pdf";
                req.defaultExt = "pdf";
                req.fileName = A(edit->text());
                req.overwritePrompt = false;
                if (dialogs().FileDialog(req)) edit->setText(Q(req.fileName));
            });
        }
    }

    // The print dialog checks its file on OK before it is accepted: the check waits here
    // until the file's folder has answered a look.
    bool FolderAnswers() const
    {
        const QLineEdit* edit = FileNameEdit();
        if (!edit || !edit->isEnabled() || edit->text().trimmed().isEmpty()) return true;
        const QString folder = QFileInfo(edit->text().trimmed()).absolutePath();
        if (LookAtFolder(A(folder))->WaitRunning(FolderPatienceMs())) return true;
        dialogs().MessageBox(FolderNotAnsweringText(A(QDir::toNativeSeparators(folder))), ApplicationTitle(),
                             MB_OK | MB_ICONWARNING);
        return false;
    }

private:
    QLineEdit* FileNameEdit() const { return findChild<QLineEdit*>(QStringLiteral("filename")); }
};

}  // namespace

bool QtDialogs::PrinterSetup(QPrinter* printer)
{
    if (!printer) return false;
    TPrintDialog dlg(printer, DialogParent());
    PrepareDialog(dlg);
    return dlg.exec() == QDialog::Accepted;
}

bool QtDialogs::PrintPageRange(QPrinter* printer, int& From, int& To, int MinPage, int MaxPage)
{
    if (!printer) return false;
    TPrintDialog dlg(printer, DialogParent());
    dlg.setMinMax(MinPage, MaxPage);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dlg.setFromTo(From, To);
    dlg.setPrintRange(QAbstractPrintDialog::PageRange);
    PrepareDialog(dlg);
    if (dlg.exec() != QDialog::Accepted) return false;
    if (dlg.printRange() == QAbstractPrintDialog::PageRange) {
        From = dlg.fromPage();
        To = dlg.toPage();
    } else {
        From = MinPage;
        To = MaxPage;
    }
    return true;
}

bool QtDialogs::InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value)
{
    QInputDialog dlg(DialogParent());
    dlg.setWindowTitle(Q(caption));
    dlg.setLabelText(Q(prompt));
    dlg.setTextValue(Q(value));
    PrepareDialog(dlg);
    if (dlg.exec() != QDialog::Accepted) return false;
    value = dlg.textValue().toStdString();
    return true;
}

bool Dialogs::WaitUntilDone(const WaitRequest& req)
{
    while (!req.done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return true;
}

bool QtDialogs::WaitUntilDone(const WaitRequest& req)
{
    if (req.done()) return true;
    QDialog dlg(DialogParent());
    dlg.setWindowTitle(Q(req.caption));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label = new QLabel(Q(req.text), &dlg);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* giveUp = new QPushButton(Q(req.giveUp), &dlg);
    // Giving up loses the file: it takes a click, never a reflexive Enter.
    giveUp->setAutoDefault(false);
    giveUp->setDefault(false);
    layout->addWidget(giveUp, 0, Qt::AlignRight);
    bool gaveUp = false;
    QObject::connect(giveUp, &QPushButton::clicked, &dlg, [&] {
        gaveUp = true;
        dlg.reject();
    });
    // The window closes by itself once the work is done; closing it otherwise goes on waiting.
    QTimer poll(&dlg);
    QObject::connect(&poll, &QTimer::timeout, &dlg, [&] {
        if (req.done()) dlg.accept();
    });
    poll.start(50);
    PrepareDialog(dlg);
    while (!gaveUp && !req.done()) dlg.exec();
    return !gaveUp || req.done();
}

bool WaitWithWindow(const std::function<bool()>& done, int graceMs, WaitRequest req)
{
    // Timers, sockets and the result go on meanwhile; the user's input waits for the window
    // or the end of the wait, so that a click cannot start a second save or close what is
    // being saved. The timer ends the wait for events when the grace is over.
    QTimer graceOver;
    graceOver.setSingleShot(true);
    graceOver.start(std::max(0, graceMs));
    while (!done() && graceOver.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    if (done()) return true;
    req.done = done;
    return dialogs().WaitUntilDone(req);
}

bool GuardedCall(const std::function<void()>& handler)
{
    AnsiString message;
    try {
        handler();
        return true;
    } catch (const Exception& e) {
        message = e.Message;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    try {
        dialogs().MessageBox(message, ApplicationTitle(), MB_OK | MB_ICONERROR);
    } catch (...) {}
    return false;
}

}  // namespace platform
