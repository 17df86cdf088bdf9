#include "support/HangingFolders.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>

namespace support {

struct HangingFolders::TState {
    std::string folder;
    bool writesOnly = false;
    bool countOnly = false;
    bool attributesAnswer = false;
    std::thread::id creator;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    int hanging = 0;
    std::vector<std::string> onUiThread;
    bool released = false;
};

namespace {

// The stand-in in force; kept alive by the calls that use it.
std::mutex gMutex;
std::shared_ptr<HangingFolders::TState> gState;
std::atomic<bool> gActive{false};

bool Under(const std::string& path, const std::string& folder)
{
    // The toolkit writes some paths with a doubled first slash.
    std::size_t from = 0;
    while (from + 1 < path.size() && path[from] == '/' && path[from + 1] == '/') ++from;
    const std::string_view p(path.data() + from, path.size() - from);
    return p.substr(0, folder.size()) == folder && (p.size() == folder.size() || p[folder.size()] == '/');
}

}  // namespace

// Called by every intercepted file-system call before it goes to the C library.
void HangingFolderCall(const char* path, bool write, bool attributes)
{
    if (!gActive.load(std::memory_order_acquire) || !path) return;
    std::shared_ptr<HangingFolders::TState> state;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        state = gState;
    }
    if (!state || (state->writesOnly && !write) || !Under(path, state->folder)) return;
    std::unique_lock<std::mutex> lock(state->mutex);
    if (state->released) return;
    if (std::this_thread::get_id() == state->creator) {
        state->onUiThread.emplace_back(path);
        return;
    }
    if (state->countOnly || (state->attributesAnswer && attributes)) return;
    ++state->hanging;
    state->changed.notify_all();
    state->changed.wait(lock, [&] { return state->released; });
    --state->hanging;
}

namespace {
std::mutex gRefusedMutex;
std::string gRefusedRenames;
std::atomic<bool> gRefusing{false};
}  // namespace

void RefuseRenamesOf(const std::string& end)
{
    std::lock_guard<std::mutex> lock(gRefusedMutex);
    gRefusedRenames = end;
    gRefusing = !end.empty();
}

// Called by the intercepted renameat with the name it renames.
bool RenameRefused(const char* from)
{
    if (!gRefusing.load() || !from) return false;
    std::lock_guard<std::mutex> lock(gRefusedMutex);
    const std::string_view name(from);
    return name.size() >= gRefusedRenames.size() &&
           name.substr(name.size() - gRefusedRenames.size()) == gRefusedRenames;
}

// Defined beside the intercepted calls; naming it here links them into the test executable.
void HangingFolderCallsLinked();

HangingFolders::HangingFolders(std::string folder, THang hang) : FState(std::make_shared<TState>())
{
    FState->writesOnly = hang == THang::Writes;
    FState->countOnly = hang == THang::Nothing;
    FState->attributesAnswer = hang == THang::AllButAttributes;
    HangingFolderCallsLinked();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    FState->folder = std::move(folder);
    FState->creator = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(gMutex);
    gState = FState;
    gActive = true;
}

HangingFolders::~HangingFolders()
{
    Release();
    std::lock_guard<std::mutex> lock(gMutex);
    if (gState == FState) {
        gActive = false;
        gState.reset();
    }
}

int HangingFolders::OnUiThread() const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return int(FState->onUiThread.size());
}

std::vector<std::string> HangingFolders::UiThreadPaths() const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return FState->onUiThread;
}

int HangingFolders::Hanging() const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return FState->hanging;
}

bool HangingFolders::AwaitHang() const
{
    std::unique_lock<std::mutex> lock(FState->mutex);
    return FState->changed.wait_for(lock, std::chrono::seconds(10), [&] { return FState->hanging > 0; });
}

void HangingFolders::Release()
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    FState->released = true;
    FState->changed.notify_all();
}

}  // namespace support
