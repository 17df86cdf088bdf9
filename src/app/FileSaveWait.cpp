#include "app/FileSaveWait.h"

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
    // Shared with the saver: a result that comes after the user left the file unsaved goes
    // nowhere.
    auto result = std::make_shared<std::optional<std::string>>();
    platform::SaveInBackground(std::move(files), [result](const std::string& reason) { *result = reason; });
    if (!WaitForFileSave([result] { return result->has_value(); }, name, language)) return TSaveResult::LeftUnsaved;
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
