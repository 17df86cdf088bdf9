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
    // waits), for waits longer than a user may see the window stand still.
    bool WaitRunning(int ms);
    bool Answered() const;
    // The answer (empty until it is there).
    std::string Answer() const;
    // `then` gets the answer on the user-interface thread: at once when it is there, else
    // when it comes.
    void WhenAnswered(std::function<void(const std::string&)> then);

private:
    struct TState;
    std::shared_ptr<TState> FState;
};

// What the user-interface thread waits at most, without its event loop, for a look that a
// drive answering at all answers at once.
inline constexpr int BriefFileLookMs = 100;
// How long a remembered folder has to answer before its dialog opens elsewhere.
int FolderPatienceMs();
// For tests: a shorter patience (<= 0: the program's own).
void SetFolderPatienceMs(int ms);

// The kinds of file the program asks for.
enum class TFileKind { DataFile, OpenFile, Program, Picture };

// The folder a dialog for this kind of file opens in: the last one chosen while it still
// exists and answers within FolderPatienceMs (the window's event loop runs meanwhile), else
// the documents folder (the home folder where there is none).
AnsiString FileFolder(TFileKind kind);
// Remembers the folder of a chosen file for its kind.
void RememberFileFolder(TFileKind kind, const AnsiString& chosenFile);

// The file dialog of `req` (through dialogs()) in the kind's folder, unless the request
// names a folder itself; a chosen file's folder is remembered.
bool ChooseFile(FileDialogRequest& req, TFileKind kind);

}  // namespace platform
