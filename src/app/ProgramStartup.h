#pragma once
// What the program entry decides before any window exists: the language of its own
// messages, whether another instance runs, and whether the computer has little memory.
#include <cstdint>
#include <string_view>

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

// Takes the single-instance lock in directory. When another instance holds it, shows
// "already running" in the language and returns false.
bool CheckSingleInstance(SingleInstanceLock& lock, const AnsiString& directory, int language);

// Total physical memory in bytes (0 when unknown).
std::uint64_t PhysicalMemory();
// Shows the little-memory warning below 100 MiB (whole MiB) and returns true when shown.
bool WarnAboutLowMemory(std::uint64_t totalBytes, int language);

}  // namespace startup
