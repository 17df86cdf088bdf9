#include "platform/UiDispatcher.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>

namespace platform {

UiDispatcher& UiDispatcher::Instance()
{
    // Never destroyed: a detached worker (a look at a folder that may hang) can still hand
    // over its answer or wake the user-interface thread while the process exits, and must
    // not meet a dispatcher the exit has already taken down.
    static UiDispatcher* const instance = new UiDispatcher;
    return *instance;
}

UiDispatcher::UiDispatcher()
{
    // The program makes the dispatcher on the user-interface thread before any worker runs;
    // made first by a worker all the same, it never waits for that thread (which may itself
    // be waiting to get the dispatcher): the thread is told apart by the toolkit until it
    // comes by, and the wake-up is watched from its event loop once that runs.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        uiThread_ = std::this_thread::get_id();
        return;
    }
    uiQThread_ = app->thread();
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (uiQThread_ == QThread::currentThread()) {
        uiThread_ = std::this_thread::get_id();
        WatchWakeUp();
    } else {
        QMetaObject::invokeMethod(
            app,
            [this] {
                uiThread_ = std::this_thread::get_id();
                WatchWakeUp();
            },
            Qt::QueuedConnection);
    }
}

bool UiDispatcher::IsUiThread() const
{
    const std::thread::id ui = uiThread_.load();
    if (ui != std::thread::id()) return std::this_thread::get_id() == ui;
    // Made by a worker, before the user-interface thread came by.
    return uiQThread_ && QThread::currentThread() == uiQThread_;
}

// Workers wake the event loop through an eventfd watched by a socket notifier rather than by
// posting Qt events: nothing but the wake-up byte crosses into Qt, and the queued calls stay
// under our own mutex (which also keeps the thread sanitizer's view of the hand-over exact).
void UiDispatcher::WatchWakeUp()
{
    // Wake-ups written before the watch began leave the descriptor readable: the first
    // activation drains them.
    if (wakeFd_ < 0) return;
    auto* notifier = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
        std::uint64_t n;
        while (::read(wakeFd_, &n, sizeof n) > 0) {}
        {
            std::lock_guard<std::mutex> l(mutex_);
            drainScheduled_ = false;
        }
        ProcessPending();
    });
}

void UiDispatcher::ScheduleDrain()
{
    // Called with mutex_ held.
    if (drainScheduled_ || wakeFd_ < 0) return;
    drainScheduled_ = true;
    std::uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void UiDispatcher::Send(std::function<void()> fn)
{
    if (IsUiThread()) {
        fn();
        return;
    }
    struct State {
        bool done = false;
        std::exception_ptr error;
    };
    auto state = std::make_shared<State>();
    {
        std::lock_guard<std::mutex> l(mutex_);
        queue_.push_back({[this, state, fn = std::move(fn)]() mutable {
                              try {
                                  fn();
                              } catch (...) {
                                  state->error = std::current_exception();
                              }
                              std::lock_guard<std::mutex> l2(mutex_);
                              state->done = true;
                              // The waiting thread owns what is left: the state (and an exception it carries)
                              // is released there, never here while that thread still reads the exception.
                              state.reset();
                              ++wakeCount_;
                              cv_.notify_all();
                          },
                          {}});
        ScheduleDrain();
        cv_.notify_all();
    }
    std::unique_lock<std::mutex> l(mutex_);
    cv_.wait(l, [&] { return state->done; });
    if (state->error) std::rethrow_exception(state->error);
}

void UiDispatcher::Post(std::function<void()> fn, std::function<void(const std::string&)> failed)
{
    std::lock_guard<std::mutex> l(mutex_);
    queue_.push_back({std::move(fn), std::move(failed)});
    ScheduleDrain();
    cv_.notify_all();
}

int UiDispatcher::ProcessPending()
{
    int n = 0;
    for (;;) {
        TQueued work;
        {
            std::lock_guard<std::mutex> l(mutex_);
            if (queue_.empty()) return n;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        // One call that fails must not take the event loop with it: the recordings would
        // end without their closing saves.
        try {
            work.Fn();
        } catch (...) {
            ReportException(std::current_exception(), "queued work", work.Failed);
        }
        ++n;
    }
}

void UiDispatcher::ReportException(std::exception_ptr error, const char* where,
                                   const std::function<void(const std::string&)>& failed)
{
    std::string what = "unknown exception";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {}
    std::fprintf(stderr, "%s failed: %s\n", where, what.c_str());
    std::fflush(stderr);
    if (!failed) return;
    try {
        failed(what);
    } catch (...) {
        std::fprintf(stderr, "%s: its owner could not take the failure\n", where);
    }
}

bool UiDispatcher::WaitRunning(const std::function<bool()>& done, int timeoutMs)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (IsUiThread()) ProcessPending();
        // done() runs without our lock held: it may take locks of its own that other threads
        // hold while they queue calls here.
        if (done()) return true;
        if (timeoutMs >= 0 && clock::now() >= deadline) return false;
        std::unique_lock<std::mutex> l(mutex_);
        const std::uint64_t seen = wakeCount_;
        // Wake at least now and then: done() may depend on state we are not told about.
        auto until = clock::now() + std::chrono::milliseconds(20);
        if (timeoutMs >= 0) until = std::min(until, deadline);
        cv_.wait_until(l, until, [&] { return wakeCount_ != seen || (IsUiThread() && !queue_.empty()); });
    }
}

void UiDispatcher::Wake()
{
    std::lock_guard<std::mutex> l(mutex_);
    ++wakeCount_;
    cv_.notify_all();
}

}  // namespace platform
