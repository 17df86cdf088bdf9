#pragma once
// Shows the title window and later hides it. The thread never touches a window itself:
// both steps run on the user-interface thread as synchronised calls, so the main window's
// timers only start the thread and later set its mode to 0.
#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/TThread.h"

class CLogoThread : public TThread {
public:
    explicit CLogoThread(bool CreateSuspended);
    ~CLogoThread() override;

    // 1 show the title window, 0 hide it and finish.
    std::uint8_t Mode() const { return FMode.load(); }
    void SetMode(std::uint8_t mode);

    // Run on the user-interface thread.
    std::function<void()> OnShow;
    std::function<void()> OnHide;

    // 1 while a logo thread has shown the title window and not yet hidden it.
    static bool TitleUp() { return FTitleUp.load(); }

protected:
    void Execute() override;
    void OnTerminateRequested() override { FWake.SetEvent(); }

private:
    std::atomic<std::uint8_t> FMode{1};
    TEvent FWake{false, false};
    static std::atomic<bool> FTitleUp;
};
