#pragma once
// File dialogs that open where that kind of file was last chosen: each kind of file keeps
// its own folder in the user's settings, across runs; the first time, the user's documents
// folder.
#include <functional>
#include <memory>
#include <string>

#include "platform/AnsiString.h"
#include "platform/Dialogs.h"

namespace platform {

// What the user-interface thread waits at most, without its event loop, for a look that a
// drive answering at all answers at once.
inline constexpr int BriefFileLookMs = 100;

// A look at files or folders that may not answer (a share that stopped answering), made on
// a thread of its own: the user-interface thread waits for it only as long as it chooses.
// A look that never comes back costs a thread, nothing else. The answer is text: empty for
// "no" or "fine", as the look defines.
class TFileLook {
public:
    explicit TFileLook(std::function<std::string()> look);
    // Waits at most `ms` for the answer; true when it is there.
    bool Wait(int ms);
    // The same with the event loop running meanwhile (timers and queued calls; user input
    // waits), for waits longer than a user may see the window stand still; the first
    // `briefMs` without it, for an answer that a drive answering at all gives at once.
    bool WaitRunning(int ms, int briefMs = BriefFileLookMs);
    bool Answered() const;
    // The answer (empty until it is there).
    std::string Answer() const;
    // `then` gets the answer on the user-interface thread: at once when it is there, else
    // when it comes (each of several given meanwhile).
    void WhenAnswered(std::function<void(const std::string&)> then);

private:
    struct TState;
    std::shared_ptr<TState> FState;
};

// How often the user-interface thread has waited for a look that had not answered yet (a
// stall of the window however brief; for tests).
int UiThreadLookWaits();
// How many looks have not answered yet, or have answered but not yet handed their answer to
// the user-interface thread (for tests: once none has, the steps that waited for an answer
// are queued there).
int FileLooksUnanswered();
// How long a remembered folder has to answer before its dialog opens elsewhere.
int FolderPatienceMs();
// For tests: a shorter patience (<= 0: the program's own).
void SetFolderPatienceMs(int ms);

// A look at whether `folder` is a folder, on a thread of its own; its answer is "folder" when
// it is one. A look at the folder that has not come back yet is shared, not asked again.
// `stillAsked` tells whether it is such an earlier look.
std::shared_ptr<TFileLook> LookAtFolder(const AnsiString& folder, bool* stillAsked = nullptr);
// `folder` when it answers as a folder within FolderPatienceMs (the window's event loop runs
// meanwhile; at once when an earlier look at it has not come back), else the documents folder
// (the home folder where there is none).
AnsiString AnsweringFolder(const AnsiString& folder);

// The documents folder (the home folder where there is none).
AnsiString DocumentsFolder();

// The message that a folder does not answer ($ stands for the folder), in the program's
// language once it has set it.
AnsiString FolderNotAnsweringText(const AnsiString& folder);
void SetFolderNotAnsweringText(std::function<AnsiString()> text);
// The same for a file ($ stands for the file).
AnsiString FileNotAnsweringText(const AnsiString& file);
void SetFileNotAnsweringText(std::function<AnsiString()> text);

// The kinds of file the program asks for.
enum class TFileKind { DataFile, OpenFile, Program, Picture };

// The folder a dialog for this kind of file opens in: the last one chosen while it still
// exists and answers within FolderPatienceMs (the window's event loop runs meanwhile), else
// the documents folder (the home folder where there is none). Files to open that none was
// chosen for yet open where data files were last saved.
AnsiString FileFolder(TFileKind kind);
// The folder last chosen for this kind of file as the settings hold it, without a look at
// it (empty: none yet).
AnsiString RememberedFileFolder(TFileKind kind);
// Remembers the folder of a chosen file for its kind: the dialog the user chose it in has
// just looked at it. A folder that stops answering later is passed over by FileFolder.
void RememberFileFolder(TFileKind kind, const AnsiString& chosenFile);

// The file dialog of `req` (through dialogs()) in the kind's folder, unless the request
// names a folder itself; a chosen file's folder is remembered.
bool ChooseFile(FileDialogRequest& req, TFileKind kind);

}  // namespace platform
