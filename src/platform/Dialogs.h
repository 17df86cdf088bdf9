#pragma once
// Every message box, question and file dialog of the program goes through one interface.
// The program installs the Qt implementation; tests install a scripted one, so nothing
// modal ever blocks a test.
#include <functional>
#include <string>

#include "platform/AnsiString.h"

class QPoint;
class QPrinter;
class QString;
class QWidget;
template <typename T>
class QList;
using QStringList = QList<QString>;

// Button sets and icons of a message box, and the answers, with the Windows values.
enum : int {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,
    MB_ICONSTOP = 0x10,
    MB_ICONHAND = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONASTERISK = 0x40,
    MB_DEFBUTTON2 = 0x100,
    MB_TYPEMASK = 0xF,
    MB_ICONMASK = 0xF0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

namespace platform {

struct FileDialogRequest {
    bool save = false;
    AnsiString title;
    AnsiString filter;  // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    int filterIndex = 1;
    AnsiString defaultExt;  // without the dot
    AnsiString initialDir;
    AnsiString fileName;  // proposed name; the chosen one on return
    bool overwritePrompt = true;
};

// A wait for work that did not finish in time (a save on a drive that does not answer).
struct WaitRequest {
    AnsiString caption;
    AnsiString text;    // what is being waited for (the file's name among it)
    AnsiString giveUp;  // the button that stops waiting
    std::function<bool()> done;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows text with caption; flags are MB_ button set | MB_ icon. Returns the ID of the
    // pressed button.
    virtual int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) = 0;
    // The same box with its top-left corner at the screen point (left, top). Dialogs that
    // cannot place a box show it as MessageBox does.
    virtual int MessageBoxAt(const AnsiString& text, const AnsiString& caption, int flags, int /*left*/, int /*top*/)
    {
        return MessageBox(text, caption, flags);
    }
    // True when the user chose a file; req.fileName then holds it.
    virtual bool FileDialog(FileDialogRequest& req) = 0;
    // Asks for one line of text; true on OK with value holding the input.
    virtual bool InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) = 0;
    // Lets the user choose and set up the printer; true on OK. Without a display nothing is
    // shown.
    virtual bool PrinterSetup(QPrinter* /*printer*/) { return false; }
    // The print dialog with a page range MinPage..MaxPage offered (From..To preset); true
    // on OK with From and To holding the pages to print. Without a display nothing is
    // printed.
    virtual bool PrintPageRange(QPrinter* /*printer*/, int& /*From*/, int& /*To*/, int /*MinPage*/, int /*MaxPage*/)
    {
        return false;
    }
    // Shows the wait window (req.text and a req.giveUp button) with the event loop running,
    // so that timers and other windows go on, until req.done() holds (true) or the user
    // gives up (false). Without a window it waits for done().
    virtual bool WaitUntilDone(const WaitRequest& req);
};

// Runs the event loop, without the user's input, until done() holds; when it does not within
// graceMs, shows the wait window of `req` (its done is `done`). True when done, false when
// the user gave up.
bool WaitWithWindow(const std::function<bool()>& done, int graceMs, WaitRequest req);

// The dialogs in use. Until one is installed, boxes are answered with their default button
// and logged to standard error (a program without a display must never hang on a box).
Dialogs& dialogs();
void SetDialogs(Dialogs* d);  // nullptr puts the default back; the caller keeps ownership

// While a scope exists (on the user-interface thread), boxes and dialogs are shown in front
// of its window instead of the active one: a window that stays on top (the control panel)
// would otherwise hide the box it asked for behind itself. Scopes nest.
class DialogOwnerScope {
public:
    explicit DialogOwnerScope(QWidget* owner);
    ~DialogOwnerScope();
    DialogOwnerScope(const DialogOwnerScope&) = delete;
    DialogOwnerScope& operator=(const DialogOwnerScope&) = delete;

private:
    QWidget* FPrevious;
};
// The window of the innermost scope, nullptr when there is none.
QWidget* DialogOwner();
// The window a box or dialog opened now is shown in front of and modal to: the scope's
// window, else the active one; but never a window that a modal window (the automatic start,
// the single ramp) shuts off, or the box would open out of reach behind it.
QWidget* DialogParent();
// True when a dialog in front of `parent` must stay on top too: `parent` stays on top, or
// another window that stays on top is shown (the control panel, the identification or the
// automatic start) and would otherwise cover the dialog.
bool DialogStaysOnTop(const QWidget* parent);
// Prepares a dialog made with DialogParent() before it is shown: above the windows that stay
// on top when it must be, raised and given the keyboard focus once it is shown.
void PrepareDialog(QWidget& dialog);

// Message boxes and dialogs of Qt.
class QtDialogs : public Dialogs {
public:
    int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) override;
    int MessageBoxAt(const AnsiString& text, const AnsiString& caption, int flags, int left, int top) override;
    bool FileDialog(FileDialogRequest& req) override;
    bool InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) override;
    bool PrinterSetup(QPrinter* printer) override;
    bool PrintPageRange(QPrinter* printer, int& From, int& To, int MinPage, int MaxPage) override;
    bool WaitUntilDone(const WaitRequest& req) override;

private:
    // The box of MessageBox; placed at *at when given, else where Qt places it.
    static int ShowBox(const AnsiString& text, const AnsiString& caption, int flags, const QPoint* at);
};

// A dialog filter ("Data files (*.csv,*.qzv)|*.csv;*.qzv|...") as the Qt file dialog's name
// filters, each with the filter's own patterns ("Data files (*.csv *.qzv)").
QStringList QtNameFilters(const AnsiString& filter);

// The caption the class library's default handler uses: the program's title.
AnsiString ApplicationTitle();
void SetApplicationTitle(const AnsiString& title);

// Runs an event handler. An exception that escapes it is shown in an error box with the
// program's title as caption, as the class library's default handler does, and never
// crosses into Qt. Returns false when the handler raised.
bool GuardedCall(const std::function<void()>& handler);

// A slot that runs Object's member Handler through GuardedCall, with the arguments bound now.
template <typename T, typename... Params, typename... Args>
auto GuardedSlot(T* Object, void (T::*Handler)(Params...), Args... args)
{
    return [=] { GuardedCall([=] { (Object->*Handler)(args...); }); };
}

}  // namespace platform
