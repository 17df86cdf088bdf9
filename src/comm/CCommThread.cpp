#include "comm/CCommThread.h"

#include <chrono>

#include "comm/ChannelServices.h"
#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"

namespace comm {

bool CCommThread::Pause(int ms)
{
    std::unique_lock<std::mutex> l(mutex_);
    cv_.wait_for(l, std::chrono::milliseconds(ms < 0 ? 0 : ms), [this] { return Terminated(); });
    return !Terminated();
}

void CCommThread::OnTerminateRequested()
{
    {
        std::lock_guard<std::mutex> l(mutex_);
    }
    cv_.notify_all();
}

void CCommThread::Step(const std::function<void()>& fn)
{
    Synchronize([this, &fn] {
        struct Flag {
            std::atomic<bool>& f;
            explicit Flag(std::atomic<bool>& x) : f(x) { f = true; }
            ~Flag() { f = false; }
        } flag(inStep_);
        fn();
    });
}

void ReleaseThread(std::unique_ptr<CCommThread> thread)
{
    if (!thread) return;
    thread->Terminate();
    if (thread->InSynchronisedStep() || thread->IsCurrentThread()) {
        // Freed once the step has returned and the thread has run out.
        std::shared_ptr<CCommThread> later(thread.release());
        platform::UiDispatcher::Instance().Post([later]() mutable {
            later->WaitFor();
            later.reset();
        });
        return;
    }
    thread->WaitFor();
}

void ShowThreadException()
{
    const AnsiString text =
        "A fatal error (thread exception) has been detected. Save your data and restart the application.";
    platform::UiDispatcher::Instance().Post([text] { ShowMessageBox(text, "Warning", MB_OK); });
}

}  // namespace comm
