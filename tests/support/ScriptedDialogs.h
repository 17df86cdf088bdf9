#pragma once
// Dialogs for tests: records every box and answers from a script.
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Dialogs.h"

namespace support {

struct ShownMessage {
    AnsiString text;
    AnsiString caption;
    int flags = 0;
    QWidget* owner = nullptr;   // the dialog owner in force when the box was shown
    QWidget* parent = nullptr;  // the window a real box would have been shown in front of
    bool onTop = false;         // a real box would have stayed on top
    bool placed = false;        // shown at (left, top) on the screen
    int left = 0, top = 0;
};

class ScriptedDialogs : public platform::Dialogs {
public:
    int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) override;
    int MessageBoxAt(const AnsiString& text, const AnsiString& caption, int flags, int left, int top) override;
    bool FileDialog(platform::FileDialogRequest& req) override;
    bool InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) override;
    bool PrinterSetup(QPrinter* printer) override;
    bool WaitUntilDone(const platform::WaitRequest& req) override;
    // What the user does while the wait window is up: true keeps waiting (until done),
    // false gives up. Unset: keeps waiting.
    std::function<bool(const platform::WaitRequest&)> OnWait;
    // The wait windows shown so far.
    std::vector<platform::WaitRequest> Waits() const;

    // What the user does in the printer settings (nothing when unset); the result is the
    // dialog's OK.
    std::function<bool(QPrinter*)> OnPrinterSetup;
    // Runs as a file dialog opens, before it takes its queued answer.
    std::function<void(const platform::FileDialogRequest&)> OnFileDialog;

    // Answers for the next boxes, in order; without one a box gets its default button.
    void QueueAnswer(int id);
    // File names for the next file dialogs; an empty name cancels. A filter index other
    // than 0 is the filter the user picked.
    void QueueFileName(const AnsiString& name, int filterIndex = 0);
    // The last file dialog as it was asked for, and where it would have been shown.
    platform::FileDialogRequest LastFileRequest() const;
    QWidget* LastFileParent() const;
    bool LastFileOnTop() const;
    int PrinterSetupCount() const;
    int FileDialogCount() const;
    // Texts for the next input queries; none left cancels.
    void QueueInput(const AnsiString& text);

    std::vector<ShownMessage> Messages() const;
    size_t MessageCount() const;
    ShownMessage LastMessage() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<ShownMessage> messages_;
    std::deque<int> answers_;
    std::deque<std::pair<AnsiString, int>> files_;
    platform::FileDialogRequest lastFileRequest_;
    QWidget* lastFileParent_ = nullptr;
    bool lastFileOnTop_ = false;
    int printerSetups_ = 0;
    int fileDialogs_ = 0;
    std::deque<AnsiString> inputs_;
    std::vector<platform::WaitRequest> waits_;
};

// The instance the test main installs, and a guard that clears it for one test.
ScriptedDialogs& TestDialogs();

}  // namespace support
