#pragma once
// Common ground of the poll and identification threads: pauses that end at once when the
// thread is asked to stop, and synchronised steps that the owner can recognise, so that a
// close called from inside such a step never waits for the thread that is waiting for it.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/TThread.h"

namespace comm {

class CCommThread : public TThread {
public:
    CCommThread() : TThread(true) {}
    // True while the user-interface thread runs one of this thread's synchronised steps
    // (a call made on the user-interface thread that finds it true comes from inside).
    bool InSynchronisedStep() const { return inStep_.load(); }

protected:
    // Sleeps ms; false when the thread was asked to stop meanwhile.
    bool Pause(int ms);
    // Runs fn on the user-interface thread and waits.
    void Step(const std::function<void()>& fn);
    void OnTerminateRequested() override;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::atomic<bool> inStep_{false};
};

// Stops a thread and frees it. From inside one of the thread's own synchronised steps the
// wait would never end, so the thread is asked to stop and freed later on the
// user-interface thread, once it has ended.
void ReleaseThread(std::unique_ptr<CCommThread> thread);

// The fixed message of an exception inside a device thread, shown once per episode.
void ShowThreadException();

}  // namespace comm
