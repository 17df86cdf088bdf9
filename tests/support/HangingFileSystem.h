#pragma once
// A stand-in for a file system that stops answering, as a network share does: reads or
// writes of the files it is told about block until the test releases them. The readers and
// writers of files reach it through platform::SetFileAccessHook. An access on the thread
// that made it (the test's, the user-interface thread) does not block, which could only
// end the test by its time-out: it is counted (OnUiThread), as the stall it would be.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/FileSave.h"

namespace support {

class HangingFileSystem {
public:
    // `hangs` picks the accesses that block (path, write).
    explicit HangingFileSystem(std::function<bool(const std::string& path, bool write)> hangs)
    {
        platform::SetFileAccessHook([state = FState, hangs = std::move(hangs), creator = std::this_thread::get_id()](
                                        const std::string& path, bool write) {
            if (!hangs(path, write)) return;
            std::unique_lock<std::mutex> lock(state->mutex);
            if (std::this_thread::get_id() == creator && !state->released) {
                ++state->onUiThread;
                return;
            }
            ++state->hanging;
            state->changed.notify_all();
            state->changed.wait(lock, [&] { return state->released; });
            --state->hanging;
        });
    }
    // Uninstalls the stand-in and lets every access that hangs go on.
    ~HangingFileSystem()
    {
        platform::SetFileAccessHook({});
        Release();
    }
    HangingFileSystem(const HangingFileSystem&) = delete;
    HangingFileSystem& operator=(const HangingFileSystem&) = delete;

    // Waits (at most ten seconds) until `count` accesses hang.
    bool AwaitHang(int count = 1)
    {
        std::unique_lock<std::mutex> lock(FState->mutex);
        return FState->changed.wait_for(lock, std::chrono::seconds(10), [&] { return FState->hanging >= count; });
    }
    int Hanging() const
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return FState->hanging;
    }
    // Accesses that would have hung the thread that made the stand-in.
    int OnUiThread() const
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return FState->onUiThread;
    }
    // The accesses that hang go on, and later ones no longer hang.
    void Release()
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        FState->released = true;
        FState->changed.notify_all();
    }

private:
    // Shared with the threads that hang, which may outlive the stand-in.
    struct TState {
        std::mutex mutex;
        std::condition_variable changed;
        int hanging = 0;
        int onUiThread = 0;
        bool released = false;
    };
    std::shared_ptr<TState> FState = std::make_shared<TState>();
};

}  // namespace support
