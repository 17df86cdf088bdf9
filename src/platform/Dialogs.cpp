#include "platform/Dialogs.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
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
#include "platform/FileSave.h"
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
    // A hidden window is on its way out (a closed file dialog kept until its thread is done):
    // what is shown in front of it would go with it.
    if (parent && !parent->isVisible()) parent = nullptr;
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

// Takes a signal with a place (from a class the toolkit keeps to itself, so that no member
// function of it can be named) to a function.
class TUrlRelay : public QObject {
    Q_OBJECT
public:
    TUrlRelay(QObject* parent, std::function<void(const QUrl&)> go) : QObject(parent), FGo(std::move(go)) {}

public Q_SLOTS:
    void Go(const QUrl& url) { FGo(url); }

private:
    std::function<void(const QUrl&)> FGo;
};

// Completes a typed name from the dialog's list of files, as the toolkit's completion does, but
// goes into a folder only once it has just answered a look made off this thread (the
// completion has the dialog list each folder of the name): until the look comes back it offers
// nothing, and it completes the name again as it does.
class TNameCompleter : public QCompleter {
public:
    TNameCompleter(QFileSystemModel* model, QObject* parent) : QCompleter(model, parent), FModel(model) {}

    QStringList splitPath(const QString& path) const override
    {
        QString name = path;
        if (name.startsWith(QStringLiteral("~/")) || name == QStringLiteral("~")) name = QDir::homePath() + name.mid(1);
        if (!QDir::isAbsolutePath(name)) name = FModel->rootPath() + QLatin1Char('/') + name;
        // A name that ends in a slash is completed inside its folder.
        const bool inside = name.endsWith(QLatin1Char('/'));
        name = QDir::cleanPath(name);
        if (inside && name != QStringLiteral("/")) name += QLatin1Char('/');
        const QString folder = QDir::cleanPath(name.left(std::max<qsizetype>(1, name.lastIndexOf(QLatin1Char('/')))));
        // A folder that answered a moment ago is taken as answering: each key typed in it would
        // otherwise take the offer away until its own look came back.
        if (folder != FAnswered || !FAnsweredAt.isValid() || FAnsweredAt.elapsed() > kAnsweredMs) {
            // Asked again once, when the look comes back.
            if (FAskedAgain != path) {
                FAskedAgain = path;
                LookAtFolder(A(folder))->WhenAnswered(
                    [self = QPointer<TNameCompleter>(const_cast<TNameCompleter*>(this)), path,
                     folder](const std::string&) {
                        if (!self) return;
                        self->FAnswered = folder;
                        self->FAnsweredAt.start();
                        // Nothing to complete once another name is typed.
                        const auto* edit = qobject_cast<QLineEdit*>(self->widget());
                        if (self->completionPrefix() != path || !edit || edit->text() != path) return;
                        self->setCompletionPrefix(path);
                        if (self->widget() && self->widget()->hasFocus()) self->complete();
                    });
            }
            // A first part no folder has: the search ends before it.
            return {QStringLiteral("\n"), QString()};
        }
        QStringList parts = name.split(QLatin1Char('/'));
        parts[0] = QStringLiteral("/");
        return parts;
    }

    QString pathFromIndex(const QModelIndex& index) const override
    {
        const QString shown = FModel->rootPath();
        QString path = index.data(QFileSystemModel::FilePathRole).toString();
        if (shown.isEmpty() || !path.startsWith(shown)) return path;
        return path.remove(0, shown.size() + (shown.endsWith(QLatin1Char('/')) ? 0 : 1));
    }

private:
    static constexpr qint64 kAnsweredMs = 1000;
    QFileSystemModel* FModel;
    mutable QString FAskedAgain;
    QString FAnswered;
    QElapsedTimer FAnsweredAt;
};

// The file dialog of the toolkit, kept off folders that do not answer. The toolkit looks at a
// folder on the user-interface thread as it goes there (an entry of the list, a typed name and
// OK, the look-in list, a bookmark, up, back, forward and their keys), and at the folder
// shown and the files named in the file-name field or chosen in the list whenever these
// change (to complete the name, to enable OK) and as it is accepted. Each of these steps of
// the toolkit runs only once what it looks at has answered a look made off this thread, as
// the answer comes: the window never waits for a look. A move or OK that has no answer within
// the folder's while is dropped with a message; the dialog's updates for a changed name or
// choice follow once the looks have come back, and never while they have not. The chosen files are
// handed over as the dialog is accepted, so that nobody asks it again (which would look at
// the files once more).
class TFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QStringList Chosen;

    // Routes the toolkit's steps through the looks; once the dialog has its widgets and its
    // first folder.
    void GuardFolders();

    void accept() override
    {
        const QStringList looked = LookedAt();
        const bool opens = acceptMode() == AcceptOpen && fileMode() != Directory;
        OnceAnswered(opens ? LookedAt(true) : looked, [this, looked] {
            // A name changed meanwhile is another OK's to take.
            if (LookedAt() == looked) QFileDialog::accept();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The keys the toolkit's views take for up and back.
        if (event->type() == QEvent::KeyPress && FViews.contains(watched)) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Backspace) {
                Up();
                return true;
            }
            if (key->key() == Qt::Key_Back || (key->key() == Qt::Key_Left && key->modifiers() == Qt::AltModifier)) {
                Back();
                return true;
            }
        }
        return QFileDialog::eventFilter(watched, event);
    }

private:
    // The steps of the toolkit that follow a change, each waiting for looks of its own.
    enum TUpdate { NameChanged, ChoiceChanged, CurrentChanged, UpdateKinds };

    QFileSystemModel* Model() const { return findChild<QFileSystemModel*>(); }
    QString Shown() const { return Model() ? Model()->rootPath() : directory().absolutePath(); }

    // Whether `path` is a file, as far as the dialog knows without asking the file system:
    // an entry its list knows as a file, or a name typed (not ending in a slash) that its list
    // does not know as a folder.
    bool KnownFile(const QString& path) const
    {
        QFileSystemModel* model = Model();
        if (!model) return false;
        const QString clean = QDir::cleanPath(path);
        QModelIndex at;
        bool known = true;
        QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        parts.prepend(QStringLiteral("/"));
        for (const QString& part : parts) {
            QModelIndex next;
            for (int row = 0; row < model->rowCount(at) && !next.isValid(); ++row)
                if (const QModelIndex child = model->index(row, 0, at);
                    child.data(QFileSystemModel::FileNameRole).toString() == part ||
                    (part == QStringLiteral("/") && child.data(QFileSystemModel::FilePathRole).toString() == part))
                    next = child;
            if (!next.isValid()) {
                known = false;
                break;
            }
            at = next;
        }
        if (known) return !model->fileInfo(at).isDir() && model->fileInfo(at).exists();
        // Not listed: a name typed or chosen is a file unless it names a folder.
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text().trimmed() : QString();
        if (typed.endsWith(QLatin1Char('/')) || clean == QDir::cleanPath(Shown())) return false;
        const QStringList looked = LookedAt();
        return std::none_of(looked.begin(), looked.end(),
                            [&](const QString& other) { return other != clean && QFileInfo(other).path() == clean; });
    }

    // The look-in list names the folder shown (after a move it was asked for and refused).
    void ShowFolderInLookIn()
    {
        auto* lookIn = findChild<QComboBox*>(QStringLiteral("lookInCombo"));
        if (!lookIn || lookIn->count() == 0) return;
        const QUrl shown = QUrl::fromLocalFile(Shown());
        for (int i = 0; i < lookIn->count(); ++i)
            for (int role = Qt::UserRole; role <= Qt::UserRole + 2; ++role)
                if (lookIn->itemData(i, role).toUrl() == shown) {
                    lookIn->setCurrentIndex(i);
                    return;
                }
    }

    // What the toolkit looks at for the chosen files, worked out from the text alone: the
    // folder shown, the entries chosen in the list and the names in the file-name field (below
    // the folder shown, as typed, below the working folder), each with its folder; folders
    // first, so that a message names the folder rather than a file in it. With `sideFiles`,
    // each file's side file comes before it: a file opened is read with the side file an
    // unfinished write of it may have left, and a side file that does not answer holds the read
    // as the file would. It is the one a message names, also where the file's own look waits
    // for it (a share that answers one call at a time).
    QStringList LookedAt(bool sideFiles = false) const
    {
        QStringList paths;
        if (const auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"));
            view && view->selectionModel())
            for (const QModelIndex& index : view->selectionModel()->selectedRows())
                paths << index.data(QFileSystemModel::FilePathRole).toString();
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString text = edit ? edit->text() : QString();
        QStringList names;
        if (text.contains(QLatin1Char('"'))) {
            const QStringList parts = text.split(QLatin1Char('"'));
            for (qsizetype i = 1; i < parts.size(); i += 2) names << parts[i];
        } else {
            names << text;
        }
        const QString shown = Model() ? Model()->rootPath() : directory().absolutePath();
        for (QString name : names) {
            if (name.isEmpty()) continue;
            paths << shown + QLatin1Char('/') + name;
            if (name.startsWith(QStringLiteral("~/")) || name == QStringLiteral("~"))
                name = QDir::homePath() + name.mid(1);
            paths << (QDir::isAbsolutePath(name) ? name : QDir::currentPath() + QLatin1Char('/') + name);
        }
        QStringList looked{shown};
        for (const QString& path : paths) looked << QFileInfo(QDir::cleanPath(path)).path();
        for (const QString& path : paths) {
            if (sideFiles && !path.endsWith(QLatin1Char('/')))
                looked << QDir::cleanPath(path) +
                              QString::fromUtf8(PendingWriteSuffix.data(), qsizetype(PendingWriteSuffix.size()));
            looked << QDir::cleanPath(path);
        }
        looked.removeAll(QString());
        looked.removeDuplicates();
        return looked;
    }

    // Runs `step` once each of `paths` has answered a look made off this thread, as the answers
    // come back: the window waits for none of them. When they have not all answered within
    // the folder's while, a message names the first that has not and the step is dropped; a
    // newer step asked meanwhile, or another folder shown by then, drops it as well.
    void OnceAnswered(const QStringList& paths, std::function<void()> step)
    {
        const int generation = ++FAsked;
        const QString shown = Shown();
        auto looks = std::make_shared<std::vector<std::pair<QString, std::shared_ptr<TFileLook>>>>();
        for (const QString& path : paths)
            if (!path.isEmpty()) looks->emplace_back(path, LookAtFolder(A(path)));
        const QPointer<TFileDialog> self(this);
        // Taken once: the answer that completes the looks, or the end of the while.
        const auto take = [self, generation, shown] {
            if (!self || self->FAsked != generation) return false;
            ++self->FAsked;
            return self->isVisible() && self->Shown() == shown;
        };
        const auto answered = [looks] {
            return std::all_of(looks->begin(), looks->end(), [](const auto& look) { return look.second->Answered(); });
        };
        QTimer::singleShot(FolderPatienceMs(), this, [this, looks, answered, take, step] {
            if (!take()) return;
            if (answered()) return step();
            for (const auto& [path, look] : *looks)
                if (!look->Answered()) return Refuse(path);
        });
        for (const auto& entry : *looks)
            entry.second->WhenAnswered([answered, take, step](const std::string&) {
                if (answered() && take()) step();
            });
        if (looks->empty() && take()) step();
    }

    // The message that `path` does not answer; the look-in list shows the folder shown again,
    // already while the message is read.
    void Refuse(const QString& path)
    {
        const AnsiString shown = A(QDir::toNativeSeparators(path));
        const AnsiString text = KnownFile(path) ? FileNotAnsweringText(shown) : FolderNotAnsweringText(shown);
        ShowFolderInLookIn();
        dialogs().MessageBox(text, ApplicationTitle(), MB_OK | MB_ICONWARNING);
        ShowFolderInLookIn();
    }

    // Runs the toolkit's `step` for a change once what it looks at has answered a look, as the
    // answers come back; never after a newer change of its kind. What it looks at may have
    // changed meanwhile (another name, another choice): that is looked at first.
    void AfterLooks(TUpdate kind, std::function<void()> step)
    {
        const int generation = ++FGenerations[kind];
        const QStringList paths = LookedAt();
        auto looks = std::make_shared<std::vector<std::shared_ptr<TFileLook>>>();
        for (const QString& path : paths) looks->push_back(LookAtFolder(A(path)));
        auto taken = std::make_shared<bool>(false);
        for (const std::shared_ptr<TFileLook>& look : *looks)
            look->WhenAnswered(
                [self = QPointer<TFileDialog>(this), kind, generation, paths, looks, taken, step](const std::string&) {
                    // A dialog closed meanwhile has nothing to update.
                    if (*taken || !self || !self->isVisible() || self->FGenerations[kind] != generation) return;
                    if (!std::all_of(looks->begin(), looks->end(), [](const auto& l) { return l->Answered(); })) return;
                    *taken = true;
                    if (self->LookedAt() != paths) return self->AfterLooks(kind, step);
                    step();
                });
    }

    void Invoke(const char* step) { QMetaObject::invokeMethod(this, step); }

    // Up, back and forward, to where the toolkit would go.
    void Up()
    {
        QString shown = Shown();
        if (shown.isEmpty()) shown = QDir::currentPath();
        const QString parent =
            shown == QStringLiteral("/") ? QString() : QDir::cleanPath(shown + QStringLiteral("/.."));
        OnceAnswered({parent}, [this] { Invoke("_q_navigateToParent"); });
    }
    void Back()
    {
        const qsizetype at = FAt;
        if (at <= 0) return;
        OnceAnswered({FVisited[at - 1]}, [this, at] {
            if (FAt != at) return;
            --FAt;
            Invoke("_q_navigateBackward");
        });
    }
    void Forward()
    {
        const qsizetype at = FAt;
        if (at + 1 >= FVisited.size()) return;
        OnceAnswered({FVisited[at + 1]}, [this, at] {
            if (FAt != at) return;
            ++FAt;
            Invoke("_q_navigateForward");
        });
    }

    // The folders the dialog has shown, as the toolkit keeps them for back and forward.
    QStringList FVisited;
    qsizetype FAt = -1;
    QList<QObject*> FViews;
    int FGenerations[UpdateKinds] = {};
    // Counts the moves and OKs asked: only the last one asked is taken.
    int FAsked = 0;
};

void TFileDialog::GuardFolders()
{
    QFileSystemModel* model = Model();
    if (!model) return;
    // Each step of the toolkit is taken over only where it was found where it is looked for.
    const auto takeOver = [this](QObject* sender, const char* signal, const QByteArray& step) {
        return sender && QObject::disconnect(sender, signal, this, step.constData());
    };
    FVisited = {model->rootPath()};
    FAt = 0;
    QObject::connect(model, &QFileSystemModel::rootPathChanged, this, [this](const QString& path) {
        if (FAt >= 0 && FVisited.value(FAt) == path) return;
        while (FAt + 1 < FVisited.size()) FVisited.removeLast();
        FVisited << path;
        FAt = FVisited.size() - 1;
    });

    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        takeOver(edit, SIGNAL(textChanged(QString)), SLOT(_q_autoCompleteFileName(QString)))) {
        edit->setCompleter(new TNameCompleter(model, this));
        QObject::disconnect(edit, SIGNAL(textChanged(QString)), this, SLOT(_q_updateOkButton()));
        QObject::connect(edit, &QLineEdit::textChanged, this, [this, edit] {
            AfterLooks(NameChanged, [this, edit] {
                QMetaObject::invokeMethod(this, "_q_autoCompleteFileName", Q_ARG(QString, edit->text()));
                Invoke("_q_updateOkButton");
            });
        });
    }
    for (const char* name : {"listView", "treeView"}) {
        auto* view = findChild<QAbstractItemView*>(QLatin1String(name));
        if (!takeOver(view, SIGNAL(activated(QModelIndex)), SLOT(_q_enterDirectory(QModelIndex)))) continue;
        QObject::connect(view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
            const QPersistentModelIndex entry(index);
            OnceAnswered({index.data(QFileSystemModel::FilePathRole).toString()}, [this, entry] {
                if (entry.isValid())
                    QMetaObject::invokeMethod(this, "_q_enterDirectory", Q_ARG(QModelIndex, QModelIndex(entry)));
            });
        });
        view->installEventFilter(this);
        FViews << view;
    }
    // The list and the detailed view share their choice.
    if (auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView")); view && view->selectionModel()) {
        QItemSelectionModel* choice = view->selectionModel();
        if (takeOver(choice, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), SLOT(_q_selectionChanged())))
            QObject::connect(choice, &QItemSelectionModel::selectionChanged, this,
                             [this] { AfterLooks(ChoiceChanged, [this] { Invoke("_q_selectionChanged"); }); });
        if (takeOver(choice, SIGNAL(currentChanged(QModelIndex, QModelIndex)), SLOT(_q_currentChanged(QModelIndex))))
            QObject::connect(choice, &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
                const QPersistentModelIndex entry(current);
                AfterLooks(CurrentChanged, [this, entry] {
                    QMetaObject::invokeMethod(this, "_q_currentChanged", Q_ARG(QModelIndex, QModelIndex(entry)));
                });
            });
    }
    const auto button = [this](const char* name) { return findChild<QAbstractButton*>(QLatin1String(name)); };
    if (auto* up = button("toParentButton"); takeOver(up, SIGNAL(clicked()), SLOT(_q_navigateToParent())))
        QObject::connect(up, &QAbstractButton::clicked, this, [this] { Up(); });
    if (auto* back = button("backButton"); takeOver(back, SIGNAL(clicked()), SLOT(_q_navigateBackward())))
        QObject::connect(back, &QAbstractButton::clicked, this, [this] { Back(); });
    if (auto* forward = button("forwardButton"); takeOver(forward, SIGNAL(clicked()), SLOT(_q_navigateForward())))
        QObject::connect(forward, &QAbstractButton::clicked, this, [this] { Forward(); });
    // The dialog's own shortcuts, and what it does in the folder shown (a new folder, a
    // deletion, a renaming, from its button, its context menu and its keys): these go once the
    // folder shown and the entries chosen answer.
    const auto inFolder = [this](const char* step) {
        return [this, step] { OnceAnswered(LookedAt(), [this, step] { Invoke(step); }); };
    };
    for (QAction* action : findChildren<QAction*>()) {
        if (takeOver(action, SIGNAL(triggered()), SLOT(_q_navigateToParent())))
            QObject::connect(action, &QAction::triggered, this, [this] { Up(); });
        else if (takeOver(action, SIGNAL(triggered()), SLOT(_q_goHome())))
            QObject::connect(action, &QAction::triggered, this,
                             [this] { OnceAnswered({QDir::homePath()}, [this] { Invoke("_q_goHome"); }); });
        else
            for (const char* step : {"_q_createDirectory", "_q_deleteCurrent", "_q_renameCurrent"})
                if (takeOver(action, SIGNAL(triggered()), QByteArray("1") + step + "()"))
                    QObject::connect(action, &QAction::triggered, this, inFolder(step));
    }
    for (QShortcut* shortcut : findChildren<QShortcut*>())
        if (takeOver(shortcut, SIGNAL(activated()), SLOT(_q_deleteCurrent())))
            QObject::connect(shortcut, &QShortcut::activated, this, inFolder("_q_deleteCurrent"));
    if (auto* create = button("newFolderButton"); takeOver(create, SIGNAL(clicked()), SLOT(_q_createDirectory())))
        QObject::connect(create, &QAbstractButton::clicked, this, inFolder("_q_createDirectory"));
    if (auto* lookIn = findChild<QComboBox*>(QStringLiteral("lookInCombo"));
        takeOver(lookIn, SIGNAL(textActivated(QString)), SLOT(_q_goToDirectory(QString)))) {
        QObject::connect(lookIn, &QComboBox::textActivated, this, [this, lookIn](const QString& text) {
            // The place the entry stands for, else its text, as the toolkit takes it.
            QString folder = text;
            for (int role = Qt::UserRole; role <= Qt::UserRole + 2; ++role)
                if (const QVariant place = lookIn->currentData(role); place.typeId() == QMetaType::QUrl) {
                    folder = place.toUrl().toLocalFile();
                    break;
                }
            OnceAnswered({folder},
                         [this, text] { QMetaObject::invokeMethod(this, "_q_goToDirectory", Q_ARG(QString, text)); });
        });
    }
    if (auto* sidebar = findChild<QWidget*>(QStringLiteral("sidebar"));
        takeOver(sidebar, SIGNAL(goToUrl(QUrl)), SLOT(_q_goToUrl(QUrl)))) {
        auto* relay = new TUrlRelay(this, [this](const QUrl& place) {
            OnceAnswered({place.toLocalFile()},
                         [this, place] { QMetaObject::invokeMethod(this, "_q_goToUrl", Q_ARG(QUrl, place)); });
        });
        QObject::connect(sidebar, SIGNAL(goToUrl(QUrl)), relay, SLOT(Go(QUrl)));
    }
}

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
    const bool startAnswered = startLook && startLook->WaitRunning(startStillAsked ? 0 : FolderPatienceMs(), 0) &&
                               !startLook->Answer().empty();
    const AnsiString start = startAnswered ? folder : DocumentsFolder();
    for (auto& [entry, look] : looks)
        if (look && !look->WaitRunning(int(std::max<qint64>(0, deadline.remainingTime())), 0)) look.reset();
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
    dlg.GuardFolders();
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
                OnceFolderAnswers([this] {
                    if (!QMetaObject::invokeMethod(this, "_q_checkFields")) accept();
                });
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

    // The print dialog checks its file on OK before it is accepted: the check runs once the
    // file's folder has answered a look, as the answer comes back (the window waits for
    // nothing); a folder that has not answered within its while gets a message instead, and
    // a newer OK or another file named meanwhile drops the check.
    void OnceFolderAnswers(std::function<void()> then)
    {
        const QLineEdit* edit = FileNameEdit();
        if (!edit || !edit->isEnabled() || edit->text().trimmed().isEmpty()) return then();
        const QString file = edit->text().trimmed();
        const QString folder = QFileInfo(file).absolutePath();
        const std::shared_ptr<TFileLook> look = LookAtFolder(A(folder));
        const int generation = ++FAsked;
        const auto take = [self = QPointer<TPrintDialog>(this), generation, file] {
            if (!self || self->FAsked != generation) return false;
            ++self->FAsked;
            const QLineEdit* now = self->FileNameEdit();
            return now && now->text().trimmed() == file;
        };
        QTimer::singleShot(FolderPatienceMs(), this, [look, take, folder, then] {
            if (!take()) return;
            if (look->Answered()) return then();
            dialogs().MessageBox(FolderNotAnsweringText(A(QDir::toNativeSeparators(folder))), ApplicationTitle(),
                                 MB_OK | MB_ICONWARNING);
        });
        look->WhenAnswered([take, then](const std::string&) {
            if (take()) then();
        });
    }

private:
    QLineEdit* FileNameEdit() const { return findChild<QLineEdit*>(QStringLiteral("filename")); }
    // Counts the OKs pressed: only the last one is taken.
    int FAsked = 0;
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

#include "Dialogs.moc"
