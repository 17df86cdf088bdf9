#include "support/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QThread>

namespace support {
namespace {

// Where a real dialog would go; only the user-interface thread shows dialogs.
QWidget* ParentNow()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread()
               ? platform::DialogParent()
               : nullptr;
}

bool OnTopNow(QWidget* parent)
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread() &&
           platform::DialogStaysOnTop(parent);
}

}  // namespace

int ScriptedDialogs::MessageBox(const AnsiString& text, const AnsiString& caption, int flags)
{
    QWidget* parent = ParentNow();
    const bool onTop = OnTopNow(parent);
    std::lock_guard<std::mutex> l(mutex_);
    messages_.push_back({text, caption, flags, platform::DialogOwner(), parent, onTop});
    if (!answers_.empty()) {
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL: return (flags & MB_DEFBUTTON2) ? IDCANCEL : IDOK;
        case MB_YESNO:
        case MB_YESNOCANCEL: return (flags & MB_DEFBUTTON2) ? IDNO : IDYES;
        case MB_ABORTRETRYIGNORE: return IDABORT;
        case MB_RETRYCANCEL: return IDRETRY;
        default: return IDOK;
    }
}

bool ScriptedDialogs::WaitUntilDone(const platform::WaitRequest& req)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waits_.push_back(req);
    }
    if (OnWait && !OnWait(req)) return req.done();
    return platform::Dialogs::WaitUntilDone(req);
}

std::vector<platform::WaitRequest> ScriptedDialogs::Waits() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return waits_;
}

int ScriptedDialogs::MessageBoxAt(const AnsiString& text, const AnsiString& caption, int flags, int left, int top)
{
    const int answer = MessageBox(text, caption, flags);
    std::lock_guard<std::mutex> l(mutex_);
    ShownMessage& shown = messages_.back();
    shown.placed = true;
    shown.left = left;
    shown.top = top;
    return answer;
}

bool ScriptedDialogs::FileDialog(platform::FileDialogRequest& req)
{
    if (OnFileDialog) OnFileDialog(req);
    QWidget* parent = ParentNow();
    const bool onTop = OnTopNow(parent);
    std::lock_guard<std::mutex> l(mutex_);
    lastFileRequest_ = req;
    lastFileParent_ = parent;
    lastFileOnTop_ = onTop;
    ++fileDialogs_;
    if (files_.empty()) return false;
    auto [f, filter] = files_.front();
    files_.pop_front();
    if (f.empty()) return false;
    req.fileName = f;
    if (filter != 0) req.filterIndex = filter;
    return true;
}

bool ScriptedDialogs::PrinterSetup(QPrinter* printer)
{
    std::function<bool(QPrinter*)> setup;
    {
        std::lock_guard<std::mutex> l(mutex_);
        ++printerSetups_;
        setup = OnPrinterSetup;
    }
    return setup ? setup(printer) : true;
}

platform::FileDialogRequest ScriptedDialogs::LastFileRequest() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return lastFileRequest_;
}

int ScriptedDialogs::FileDialogCount() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return fileDialogs_;
}

QWidget* ScriptedDialogs::LastFileParent() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return lastFileParent_;
}

bool ScriptedDialogs::LastFileOnTop() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return lastFileOnTop_;
}

int ScriptedDialogs::PrinterSetupCount() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return printerSetups_;
}

bool ScriptedDialogs::InputQuery(const AnsiString&, const AnsiString&, AnsiString& value)
{
    std::lock_guard<std::mutex> l(mutex_);
    if (inputs_.empty()) return false;
    value = inputs_.front();
    inputs_.pop_front();
    return true;
}

void ScriptedDialogs::QueueAnswer(int id)
{
    std::lock_guard<std::mutex> l(mutex_);
    answers_.push_back(id);
}

void ScriptedDialogs::QueueFileName(const AnsiString& name, int filterIndex)
{
    std::lock_guard<std::mutex> l(mutex_);
    files_.emplace_back(name, filterIndex);
}

void ScriptedDialogs::QueueInput(const AnsiString& text)
{
    std::lock_guard<std::mutex> l(mutex_);
    inputs_.push_back(text);
}

std::vector<ShownMessage> ScriptedDialogs::Messages() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return messages_;
}

size_t ScriptedDialogs::MessageCount() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return messages_.size();
}

ShownMessage ScriptedDialogs::LastMessage() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return messages_.empty() ? ShownMessage{} : messages_.back();
}

void ScriptedDialogs::Clear()
{
    std::lock_guard<std::mutex> l(mutex_);
    messages_.clear();
    answers_.clear();
    files_.clear();
    inputs_.clear();
    lastFileRequest_ = {};
    lastFileParent_ = nullptr;
    lastFileOnTop_ = false;
    printerSetups_ = 0;
    OnPrinterSetup = nullptr;
    OnWait = nullptr;
    OnFileDialog = nullptr;
    waits_.clear();
    fileDialogs_ = 0;
}

ScriptedDialogs& TestDialogs()
{
    return static_cast<ScriptedDialogs&>(platform::dialogs());
}

}  // namespace support
