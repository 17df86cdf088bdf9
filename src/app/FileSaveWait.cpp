#include "app/FileSaveWait.h"

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

#include "app/CLanguage.h"
#include "platform/Dialogs.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

AnsiString Text(int language, int row)
{
    AnsiString text;
    return CLanguage::Instance()->LookupText(language, row, text);
}

}  // namespace

bool WaitForFileSave(const std::function<bool()>& done, const AnsiString& fileName, int language, int detailRow)
{
    NOX_ASSERT_UI_THREAD();
    platform::WaitRequest wait;
    wait.caption = Text(language, RowNotice);
    wait.text = Text(language, RowFileStillBeingWritten);
    if (const auto dollar = wait.text.find('$'); dollar != AnsiString::npos) wait.text.replace(dollar, 1, fileName);
    if (detailRow >= 0) wait.text += " " + Text(language, detailRow);
    wait.giveUp = Text(language, RowLeaveUnsaved);
    return platform::WaitWithWindow(done, SaveWaitGraceMs, std::move(wait));
}

TSaveResult SaveAndWait(std::vector<platform::TDeferredSave> files, int language, std::string* error)
{
    NOX_ASSERT_UI_THREAD();
    if (files.empty()) return TSaveResult::Saved;
    const AnsiString name = files.front().Path;
    // Shared with the saver. Left unsaved, the save is called off: its file is not put in
    // place once the drive answers. Only when the drive answered just before that is the file
    // written after all, and the user is told so.
    auto result = std::make_shared<std::optional<std::string>>();
    auto calledOff = std::make_shared<std::atomic<bool>>(false);
    platform::SaveInBackground(
        std::move(files),
        [result, calledOff, name, language](const std::string& reason) {
            *result = reason;
            if (!calledOff->load() || !reason.empty()) return;
            AnsiString text = Text(language, RowFileWrittenAfterAll);
            if (const auto dollar = text.find('$'); dollar != AnsiString::npos) text.replace(dollar, 1, name);
            platform::dialogs().MessageBox(text, Text(language, RowNotice), MB_OK | MB_ICONINFORMATION);
        },
        calledOff);
    // A result that came while the user chose to leave the file stands.
    if (!WaitForFileSave([result] { return result->has_value(); }, name, language) && !result->has_value()) {
        calledOff->store(true);
        return TSaveResult::LeftUnsaved;
    }
    if ((*result)->empty()) return TSaveResult::Saved;
    if (error) *error = **result;
    return TSaveResult::Failed;
}

bool WaitForSavesAtExit(const std::function<bool()>& done, int language)
{
    NOX_ASSERT_UI_THREAD();
    platform::WaitRequest wait;
    wait.caption = Text(language, RowNotice);
    wait.text = Text(language, RowFilesStillBeingWritten);
    wait.giveUp = Text(language, RowEndWithoutThem);
    return platform::WaitWithWindow(done, SaveWaitGraceMs, std::move(wait));
}
