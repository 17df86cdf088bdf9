#include "platform/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/Exception.h"
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

bool QtDialogs::FileDialog(FileDialogRequest& req)
{
    QFileDialog dlg(DialogParent(), Q(req.title), Q(req.initialDir));
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
    if (!req.fileName.empty()) dlg.selectFile(Q(req.fileName));
    if (!req.overwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    PrepareDialog(dlg);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    req.fileName = dlg.selectedFiles().first().toStdString();
    req.filterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
    return true;
}

bool QtDialogs::PrinterSetup(QPrinter* printer)
{
    if (!printer) return false;
    QPrintDialog dlg(printer, DialogParent());
    PrepareDialog(dlg);
    return dlg.exec() == QDialog::Accepted;
}

bool QtDialogs::PrintPageRange(QPrinter* printer, int& From, int& To, int MinPage, int MaxPage)
{
    if (!printer) return false;
    QPrintDialog dlg(printer, DialogParent());
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
