#pragma once
// What the program entry decides before any window exists: the language of its own
// messages, whether another instance runs, and whether the computer has little memory.
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"

class SingleInstanceLock;

namespace startup {

// The program's title, the first part of every window title, and the application title.
inline constexpr std::string_view ProgramTitle = "NoxControl 1.2";
inline constexpr std::string_view ApplicationTitle = "NoxControl";

// True for the German-speaking locales de_DE, de_CH, de_AT, de_LU and de_LI, with or
// without codeset and modifier ("de_AT.UTF-8", "de_DE@euro").
bool IsGermanLocale(std::string_view locale);
// 0 German, 1 English, from the locale that decides the messages' language: the first
// non-empty one of LC_ALL, LC_MESSAGES and LANG (nullptr counts as empty).
int LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);
// The same from the process environment.
int SystemLanguage();

// The folder of the single-instance lock (SingleInstanceLock::RuntimeDirectory). Empty when
// there is no private folder for it; `whyNone` then says why, in the language.
AnsiString LockFolder(int language, AnsiString* whyNone = nullptr);
// The same from given places (see SingleInstanceLock::ChooseLockFolder).
AnsiString LockFolder(const AnsiString& runtime, const AnsiString& temporary, const AnsiString& instead, int language,
                      AnsiString* whyNone = nullptr);

// Takes the single-instance lock in directory. When another instance holds it, shows
// "already running" in the language and returns false. A start that runs says, once, that
// the lock moved to a private folder made for it. When no lock can be made (`whyNone`: why
// there is no directory), the program runs; standard error says so at once, and a box once
// the event loop runs.
bool CheckSingleInstance(SingleInstanceLock& lock, const AnsiString& directory, int language,
                         const AnsiString& whyNone = {});

// Total physical memory in bytes (0 when unknown).
std::uint64_t PhysicalMemory();
// Shows the little-memory warning below 100 MiB (whole MiB) and returns true when shown.
bool WarnAboutLowMemory(std::uint64_t totalBytes, int language);

// A write of a data file cut off by a kill or a power cut stays cut on the disk until its
// side file is written into it. At start the program finishes those that an earlier run
// left in `folders` (the folders it knows data files in) and whose side files prove their
// files (platform::FinishCutWrites): on a thread of its own, as a folder on a share may not
// answer. On the user-interface thread a notice then names each file finished, and
// `finished`, when given, gets their names.
void FinishCutWritesAtStart(std::vector<AnsiString> folders,
                            std::function<void(const std::vector<AnsiString>& files)> finished = {});

}  // namespace startup
