#include "platform/FileFolders.h"

#include <dirent.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FileSave.h"
#include "platform/TextLines.h"
#include "platform/UiDispatcher.h"

namespace platform {
namespace {

// The program's own settings; the folders are one group of them.
const char* const kOrganisation = "NoxControl";
const char* const kApplication = "NoxControl";

QString Key(TFileKind kind)
{
    switch (kind) {
        case TFileKind::DataFile: return QStringLiteral("Folders/DataFiles");
        case TFileKind::OpenFile: return QStringLiteral("Folders/OpenedFiles");
        case TFileKind::Program: return QStringLiteral("Folders/Programs");
        case TFileKind::Picture: return QStringLiteral("Folders/Pictures");
    }
    return QStringLiteral("Folders/Other");
}

std::atomic<int> gFolderPatienceMs{0};
std::atomic<int> gUiThreadLookWaits{0};
std::atomic<int> gLooksUnanswered{0};

// Whether `folder` is a folder, asked of the file system on a thread of its own. A folder
// whose last look has not come back yet is not asked again: that look answers for it.
std::shared_ptr<TFileLook> LookForFolder(const QString& folder, bool* stillAsked = nullptr)
{
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<TFileLook>> looks;
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = looks.begin(); it != looks.end();) it = it->second->Answered() ? looks.erase(it) : std::next(it);
    if (stillAsked) *stillAsked = looks.count(folder) > 0;
    if (auto it = looks.find(folder); it != looks.end()) return it->second;
    auto look = std::make_shared<TFileLook>([folder] {
        FileAccessPoint(folder.toStdString(), false);
        const QFileInfo info(folder);
        if (!info.exists()) return std::string();
        // A share that stopped answering still describes its entries from what the system
        // keeps of them for a while (a mount point above all, whose folder lists it): the
        // look asks what only the share itself answers, as the toolkit does once it goes
        // there (the entry's permissions, a folder opened).
        info.permissions();
        if (!info.isDir()) return std::string();
        if (DIR* opened = ::opendir(QFile::encodeName(folder).constData())) ::closedir(opened);
        return std::string("folder");
    });
    looks.emplace(folder, look);
    return look;
}

}  // namespace

struct TFileLook::TState {
    mutable std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::string answer;
    std::vector<std::function<void(const std::string&)>> thens;
};

TFileLook::TFileLook(std::function<std::string()> look) : FState(std::make_shared<TState>())
{
    ++gLooksUnanswered;
    std::thread([state = FState, look = std::move(look)] {
        std::string answer = look();
        std::vector<std::function<void(const std::string&)>> thens;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->answer = answer;
            state->done = true;
            thens = std::move(state->thens);
            state->answered.notify_all();
        }
        for (auto& then : thens) UiDispatcher::Instance().Post([then = std::move(then), answer] { then(answer); });
        --gLooksUnanswered;
        UiDispatcher::Instance().Wake();
    }).detach();
}

bool TFileLook::Wait(int ms)
{
    std::unique_lock<std::mutex> lock(FState->mutex);
    if (!FState->done && ms > 0 && UiDispatcher::Instance().IsUiThread()) ++gUiThreadLookWaits;
    return FState->answered.wait_for(lock, std::chrono::milliseconds(ms), [&] { return FState->done; });
}

bool TFileLook::WaitRunning(int ms, int briefMs)
{
    const QDeadlineTimer deadline(ms);
    if (Wait(std::min(ms, briefMs)) || ms <= briefMs) return Answered();
    if (!QCoreApplication::instance() || !UiDispatcher::Instance().IsUiThread()) {
        return Wait(int(deadline.remainingTime()));
    }
    QEventLoop loop;
    QTimer over;
    over.setSingleShot(true);
    QObject::connect(&over, &QTimer::timeout, &loop, &QEventLoop::quit);
    over.start(int(std::max<qint64>(0, deadline.remainingTime())));
    // The answer ends the wait as it comes; a loop ended before goes unnoticed by it.
    WhenAnswered([running = QPointer<QEventLoop>(&loop)](const std::string&) {
        if (running) running->quit();
    });
    if (!Answered()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return Answered();
}

bool TFileLook::Answered() const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return FState->done;
}

std::string TFileLook::Answer() const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return FState->answer;
}

void TFileLook::WhenAnswered(std::function<void(const std::string&)> then)
{
    std::unique_lock<std::mutex> lock(FState->mutex);
    if (!FState->done) {
        FState->thens.push_back(std::move(then));
        return;
    }
    const std::string answer = FState->answer;
    lock.unlock();
    then(answer);
}

int UiThreadLookWaits()
{
    return gUiThreadLookWaits.load();
}

int FileLooksUnanswered()
{
    return gLooksUnanswered.load();
}

int FolderPatienceMs()
{
    const int ms = gFolderPatienceMs.load();
    return ms > 0 ? ms : 2000;
}

void SetFolderPatienceMs(int ms)
{
    gFolderPatienceMs = ms;
}

AnsiString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return A(documents);
    return A(QDir::homePath());
}

std::shared_ptr<TFileLook> LookAtFolder(const AnsiString& folder, bool* stillAsked)
{
    return LookForFolder(Q(folder), stillAsked);
}

namespace {
std::mutex gNotAnsweringMutex;
std::function<AnsiString()> gNotAnswering;
std::function<AnsiString()> gFileNotAnswering;

AnsiString NotAnsweringText(const std::function<AnsiString()>& text, const char* fallback, const AnsiString& path)
{
    AnsiString shown;
    {
        std::lock_guard<std::mutex> lock(gNotAnsweringMutex);
        if (text) shown = text();
    }
    if (shown.empty()) shown = fallback;
    if (const auto dollar = shown.find('$'); dollar != AnsiString::npos) shown.replace(dollar, 1, path);
    return shown;
}
}  // namespace

AnsiString FolderNotAnsweringText(const AnsiString& folder)
{
    return NotAnsweringText(gNotAnswering, "The folder \"$\" does not answer.", folder);
}

void SetFolderNotAnsweringText(std::function<AnsiString()> text)
{
    std::lock_guard<std::mutex> lock(gNotAnsweringMutex);
    gNotAnswering = std::move(text);
}

AnsiString FileNotAnsweringText(const AnsiString& file)
{
    return NotAnsweringText(gFileNotAnswering, "The file \"$\" does not answer.", file);
}

void SetFileNotAnsweringText(std::function<AnsiString()> text)
{
    std::lock_guard<std::mutex> lock(gNotAnsweringMutex);
    gFileNotAnswering = std::move(text);
}

AnsiString AnsweringFolder(const AnsiString& folder)
{
    // A folder on a share that stopped answering would hold the window and every channel's
    // ticks: it has a little while to answer, the event loop running, and is passed over
    // otherwise, at once while an earlier look at it has not come back.
    if (!folder.empty()) {
        bool stillAsked = false;
        const std::shared_ptr<TFileLook> look = LookForFolder(Q(folder), &stillAsked);
        if (look->WaitRunning(stillAsked ? 0 : FolderPatienceMs()) && !look->Answer().empty()) return folder;
    }
    return DocumentsFolder();
}

AnsiString RememberedFileFolder(TFileKind kind)
{
    return A(QSettings(kOrganisation, kApplication).value(Key(kind)).toString());
}

AnsiString FileFolder(TFileKind kind)
{
    AnsiString folder = RememberedFileFolder(kind);
    // Until a file was opened, the files to open are most likely the recordings saved.
    if (folder.empty() && kind == TFileKind::OpenFile) folder = RememberedFileFolder(TFileKind::DataFile);
    return AnsweringFolder(folder);
}

void RememberFileFolder(TFileKind kind, const AnsiString& chosenFile)
{
    if (chosenFile.empty()) return;
    // No look of its own: the dialog looked at the folder as the file was chosen, and one
    // made now would on a busy machine not come back in a time the window may stand still
    // for, and the folder would be forgotten for nothing.
    const QString folder = QFileInfo(Q(chosenFile)).absolutePath();
    QSettings settings(kOrganisation, kApplication);
    if (!settings.isWritable()) return;
    settings.setValue(Key(kind), folder);
    settings.sync();
}

bool ChooseFile(FileDialogRequest& req, TFileKind kind)
{
    if (req.initialDir.empty()) req.initialDir = FileFolder(kind);
    if (!dialogs().FileDialog(req)) return false;
    RememberFileFolder(kind, req.fileName);
    return true;
}

}  // namespace platform
