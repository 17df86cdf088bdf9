#include "platform/TThread.h"

#include <chrono>

#include "platform/UiDispatcher.h"

TThread::TThread(bool CreateSuspended) : createSuspended_(CreateSuspended)
{
    platform::UiDispatcher::Instance();  // learn the UI thread before any worker runs
}

void TThread::AfterConstruction()
{
    if (!createSuspended_) Resume();
}

TThread::~TThread()
{
    Terminate();
    WaitFor();
}

void TThread::Resume()
{
    std::lock_guard<std::mutex> l(joinMutex_);
    if (started_.exchange(true)) return;
    thread_ = std::thread([this] { Run(); });
}

void TThread::Run()
{
    try {
        Execute();
    } catch (...) {
        // An exception must never leave the thread; derived classes report their own.
    }
    if (OnTerminate) {
        try {
            Synchronize(OnTerminate);
        } catch (...) {}
    }
    finished_.store(true);
    platform::UiDispatcher::Instance().Wake();
}

bool TThread::IsCurrentThread() const
{
    return std::this_thread::get_id() == thread_.get_id();
}

int TThread::WaitFor()
{
    if (!started_.load()) return ReturnValue.load();
    if (IsCurrentThread()) return ReturnValue.load();
    auto& ui = platform::UiDispatcher::Instance();
    if (ui.IsUiThread()) ui.WaitRunning([this] { return finished_.load(); });
    std::lock_guard<std::mutex> l(joinMutex_);
    if (thread_.joinable()) thread_.join();
    return ReturnValue.load();
}

void TThread::Synchronize(const std::function<void()>& fn)
{
    platform::UiDispatcher::Instance().Send(fn);
}

void TEvent::SetEvent()
{
    std::lock_guard<std::mutex> l(mutex_);
    signaled_ = true;
    if (manual_)
        cv_.notify_all();
    else
        cv_.notify_one();
}

void TEvent::ResetEvent()
{
    std::lock_guard<std::mutex> l(mutex_);
    signaled_ = false;
}

bool TEvent::IsSet() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return signaled_;
}

TWaitResult TEvent::WaitFor(int timeoutMs)
{
    std::unique_lock<std::mutex> l(mutex_);
    auto ready = [this] { return signaled_; };
    if (timeoutMs < 0)
        cv_.wait(l, ready);
    else if (!cv_.wait_for(l, std::chrono::milliseconds(timeoutMs), ready))
        return wrTimeout;
    if (!manual_) signaled_ = false;
    return wrSignaled;
}
