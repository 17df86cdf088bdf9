#include "app/ProgramStartup.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "app/CLanguage.h"
#include "app/SingleInstanceLock.h"
#include "comm/ChannelServices.h"
#include "platform/Dialogs.h"
#include "platform/FileFolders.h"
#include "platform/FileSave.h"
#include "platform/UiDispatcher.h"
#include "resources/TextRows.h"

namespace startup {

bool IsGermanLocale(std::string_view locale)
{
    for (std::string_view german : {"de_DE", "de_CH", "de_AT", "de_LU", "de_LI"}) {
        if (locale.substr(0, german.size()) != german) continue;
        if (locale.size() == german.size()) return true;
        const char next = locale[german.size()];
        if (next == '.' || next == '@') return true;
    }
    return false;
}

int LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value && *value) return IsGermanLocale(value) ? 0 : 1;
    }
    return 1;
}

int SystemLanguage()
{
    return LanguageFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

namespace {

// Tells the user that an earlier start was ended but has not finished ending, naming its
// process(es) and the folders its threads wait in.
void ShowEarlierStartStillEnding(const TLockHolder& holder, const AnsiString& pids, int language)
{
    AnsiString text;
    CLanguage::Instance()->LookupText(language, resources::RowEarlierStartStillEnding, text);
    AnsiString folders;
    for (const AnsiString& folder : holder.Folders) folders += (folders.empty() ? ": \"" : ", \"") + folder + "\"";
    for (const auto& [mark, value] : {std::pair{"$1", pids}, std::pair{"$2", folders}})
        if (const auto at = text.find(mark); at != AnsiString::npos) text.replace(at, 2, value);
    AnsiString caption;
    platform::dialogs().MessageBox(text, CLanguage::Instance()->LookupText(language, resources::RowNotice, caption),
                                   MB_OK);
}

}  // namespace

namespace {

AnsiString Quoted(const AnsiString& s)
{
    return "\"" + s + "\"";
}

AnsiString WhyNoLockFolder(const SingleInstanceLock::TLockFolder& chosen, int language)
{
    if (!chosen.Folder.empty()) return {};
    AnsiString text;
    if (chosen.Error != 0) {
        CLanguage::Instance()->LookupText(language, resources::RowLockFolderNotMade, text);
        return FillTextFields(text, {Quoted(chosen.Refused), Quoted(chosen.Unusable), std::strerror(chosen.Error)});
    }
    CLanguage::Instance()->LookupText(language, resources::RowLockFoldersNotPrivate, text);
    return FillTextFields(text, {Quoted(chosen.Refused), Quoted(chosen.Unusable)});
}

// The lock moved to the private folder made instead of the temporary directory's: said by
// the start that runs, once.
void TellLockMoved(SingleInstanceLock& lock, int language)
{
    const AnsiString refused = lock.TakeMovedNote();
    if (refused.empty()) return;
    const AnsiString folder = lock.Folder();
    AnsiString text, caption;
    CLanguage::Instance()->LookupText(language, resources::RowLockFolderRefused, text);
    for (const auto& [mark, value] : {std::pair{"$1", refused}, std::pair{"$2", folder}})
        if (const auto at = text.find(mark); at != AnsiString::npos) text.replace(at, 2, Quoted(value));
    platform::dialogs().MessageBox(text, CLanguage::Instance()->LookupText(language, resources::RowNotice, caption),
                                   MB_OK);
}

// Running twice is less harm than refusing to run at all, but the user hears that nothing
// stops a second start: on standard error at once, and in a box once the program's
// windows are there (it does not hold up the start).
void TellLockNotMade(const AnsiString& why, int language)
{
    AnsiString text, caption;
    CLanguage::Instance()->LookupText(language, resources::RowLockNotMade, text);
    text = FillTextFields(text, {why});
    CLanguage::Instance()->LookupText(language, resources::RowNotice, caption);
    std::fprintf(stderr, "%s: %s\n", std::string(ApplicationTitle).c_str(), text.c_str());
    std::fflush(stderr);
    platform::UiDispatcher::Instance().Post([text, caption] { platform::dialogs().MessageBox(text, caption, MB_OK); });
}

}  // namespace

AnsiString LockFolder(int language, AnsiString* whyNone)
{
    const SingleInstanceLock::TLockFolder chosen = SingleInstanceLock::RuntimeDirectory();
    if (whyNone) *whyNone = WhyNoLockFolder(chosen, language);
    return chosen.Folder;
}

AnsiString LockFolder(const AnsiString& runtime, const AnsiString& temporary, const AnsiString& instead, int language,
                      AnsiString* whyNone)
{
    const SingleInstanceLock::TLockFolder chosen = SingleInstanceLock::ChooseLockFolder(runtime, temporary, instead);
    if (whyNone) *whyNone = WhyNoLockFolder(chosen, language);
    return chosen.Folder;
}

bool CheckSingleInstance(SingleInstanceLock& lock, const AnsiString& directory, int language, const AnsiString& whyNone)
{
    if (lock.Acquire(directory)) {
        TellLockMoved(lock, language);
        // An earlier instance gave the lock up as it was ended but has not ended yet: its end
        // is under way, or a thread of it waits on a share that does not answer. The user
        // hears of it, whatever ended it, and the program starts.
        AnsiString pids;
        if (const TLockHolder ending = lock.EndingInstances(&pids); ending.BeingEnded)
            ShowEarlierStartStillEnding(ending, pids, language);
        return true;
    }
    if (!lock.Error().empty()) {
        // No lock file can be made (a read-only or missing runtime directory, no private
        // folder for it).
        TellLockNotMade(directory.empty() && !whyNone.empty() ? whyNone : lock.Error(), language);
        return true;
    }
    // A holder that was ended but cannot finish ending (a thread of it waits on a share
    // that does not answer) runs none of the program any more, though its window may still
    // be seen: the user hears why, and the program starts.
    if (const TLockHolder holder = lock.Holder(); holder.BeingEnded && lock.TakeOverFromEndingHolder()) {
        TellLockMoved(lock, language);
        ShowEarlierStartStillEnding(holder, std::to_string(holder.Pid), language);
        return true;
    }
    if (language == 0)
        platform::dialogs().MessageBox("Anwendung wurde bereits gestartet!", "Hinweis", MB_OK);
    else
        platform::dialogs().MessageBox("Program is already running!", "Attention", MB_OK);
    return false;
}

std::uint64_t PhysicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return std::uint64_t(pages) * std::uint64_t(pageSize);
}

bool WarnAboutLowMemory(std::uint64_t totalBytes, int language)
{
    if ((totalBytes >> 20) >= 100) return false;
    if (language == 0)
        platform::dialogs().MessageBox(
            "Der vorliegende Computer besitzt weniger als 128 MB Hauptspeicher. Dies kann bei längeren "
            "Datenaufzeichnungen zu Speicherproblemen führen!",
            "Warning", MB_OK);
    else
        platform::dialogs().MessageBox(
            "Your computer has less than 128 MB of total system memory. Data recordings over long periods may "
            "cause severe system problems!",
            "Warning", MB_OK);
    return true;
}

void FinishCutWritesAtStart(std::vector<AnsiString> folders,
                            std::function<void(const std::vector<AnsiString>& files)> finished)
{
    platform::TFileLook look([folders = std::move(folders)] {
        platform::TSideFileNotes notes;
        std::vector<AnsiString> done;
        for (const AnsiString& folder : folders)
            if (!folder.empty() && std::find(done.begin(), done.end(), folder) == done.end()) {
                done.push_back(folder);
                platform::FinishCutWrites(folder);
            }
        // One name a line: a name with a line feed in it is no data file of the program's.
        std::string files;
        for (const platform::TSideFileNote& n : notes.Take())
            if (n.Kind == platform::TSideFileNote::TKind::Finished) files += n.File + "\n";
        return files;
    });
    look.WhenAnswered([finished = std::move(finished)](const std::string& answer) {
        std::vector<AnsiString> files;
        AnsiString text;
        for (size_t at = 0, end = 0; (end = answer.find('\n', at)) != std::string::npos; at = end + 1) {
            files.push_back(answer.substr(at, end - at));
            AnsiString line = CurrentText(resources::RowCutWriteFinished);
            if (const auto dollar = line.find('$'); dollar != AnsiString::npos) line.replace(dollar, 1, files.back());
            text += (text.empty() ? "" : "\n") + line;
        }
        if (files.empty()) return;
        if (finished) finished(files);
        platform::dialogs().MessageBox(text, CurrentText(resources::RowNotice), MB_OK);
    });
}

}  // namespace startup
