#pragma once
// Runs functions on the user-interface thread. Worker threads hand their state steps to it:
// Send waits for the step to finish (the synchronised call of TThread), Post does not.
// The queue is our own, so a thread waiting on the user-interface thread for a worker
// (TThread::WaitFor) can keep running the worker's pending steps instead of deadlocking.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class QThread;

namespace platform {

class UiDispatcher {
public:
    // Made by the first call: the program's entry calls it on the user-interface thread as soon
    // as the application object exists, before any worker can ask.
    static UiDispatcher& Instance();

    // The thread that runs the Qt event loop (the one that created the application object),
    // or the first thread that asked when there is none.
    bool IsUiThread() const;
    // Runs fn on the user-interface thread and waits; an exception fn raises is raised again
    // in the caller. Runs fn directly when called on the user-interface thread.
    void Send(std::function<void()> fn);
    // Queues fn for the user-interface thread and returns at once. An exception fn raises
    // ends neither the event loop nor the program: it is written to standard error and its
    // text handed to `failed` (the owner of the work, say a channel that notes it in its
    // protocol), and the queue goes on.
    void Post(std::function<void()> fn, std::function<void(const std::string& what)> failed = {});
    // Runs every queued call now (user-interface thread only). Returns how many ran.
    int ProcessPending();
    // Waits on the user-interface thread until done() holds, running queued calls meanwhile.
    // Returns false when timeoutMs (>= 0) ran out first.
    bool WaitRunning(const std::function<bool()>& done, int timeoutMs = -1);
    // Wakes a WaitRunning so that it checks its condition again.
    void Wake();

    // What Post does with an exception of queued work; `where` names the work.
    static void ReportException(std::exception_ptr error, const char* where,
                                const std::function<void(const std::string& what)>& failed = {});

private:
    struct TQueued {
        std::function<void()> Fn;
        std::function<void(const std::string&)> Failed;
    };
    UiDispatcher();
    void ScheduleDrain();
    void WatchWakeUp();

    std::atomic<std::thread::id> uiThread_{};
    QThread* uiQThread_ = nullptr;  // the application's thread, when there was one
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<TQueued> queue_;
    bool drainScheduled_ = false;
    int wakeFd_ = -1;
    std::uint64_t wakeCount_ = 0;  // counts Wake() and finished Send() calls
};

}  // namespace platform
