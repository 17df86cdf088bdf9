#pragma once
// Waiting for a save that runs on another thread, with the event loop running so that the
// other channels go on recording: a save that takes longer than a second (a drive that does
// not answer) brings up the wait window, which names the file and lets the user keep waiting
// or leave the file unsaved.
#include <functional>
#include <string>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/FileSave.h"

// How long a save may take before the wait window shows.
inline constexpr int SaveWaitGraceMs = 1000;

// Waits until done() holds (true) or the user leaves `fileName` unsaved (false). The window
// speaks `language`; the text of `detailRow` (what stays in memory meanwhile) follows its
// text when the row is not negative.
bool WaitForFileSave(const std::function<bool()>& done, const AnsiString& fileName, int language, int detailRow = -1);

enum class TSaveResult { Saved, Failed, LeftUnsaved };
// Writes the deferred saves `files` on the background saver and waits for the result as
// WaitForFileSave does, naming the first file. A failure's reason goes to `error`.
TSaveResult SaveAndWait(std::vector<platform::TDeferredSave> files, int language, std::string* error = nullptr);

// At the program's end: waits until done() holds (true) or the user ends the program without
// the files still being written (false).
bool WaitForSavesAtExit(const std::function<bool()>& done, int language);
