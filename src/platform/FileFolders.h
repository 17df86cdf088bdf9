#pragma once
// File dialogs that open where that kind of file was last chosen: each kind of file keeps
// its own folder in the user's settings, across runs; the first time, the user's documents
// folder.
#include "platform/AnsiString.h"
#include "platform/Dialogs.h"

namespace platform {

// The kinds of file the program asks for.
enum class TFileKind { DataFile, OpenFile, Program, Picture };

// The folder a dialog for this kind of file opens in: the last one chosen while it still
// exists, else the documents folder (the home folder where there is none).
AnsiString FileFolder(TFileKind kind);
// Remembers the folder of a chosen file for its kind.
void RememberFileFolder(TFileKind kind, const AnsiString& chosenFile);

// The file dialog of `req` (through dialogs()) in the kind's folder, unless the request
// names a folder itself; a chosen file's folder is remembered.
bool ChooseFile(FileDialogRequest& req, TFileKind kind);

}  // namespace platform
