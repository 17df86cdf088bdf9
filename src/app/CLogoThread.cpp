#include "app/CLogoThread.h"

#include "platform/Dialogs.h"

std::atomic<bool> CLogoThread::FTitleUp{false};

CLogoThread::CLogoThread(bool CreateSuspended) : TThread(CreateSuspended)
{
    AfterConstruction();
}

CLogoThread::~CLogoThread()
{
    Terminate();
    WaitFor();
}

void CLogoThread::SetMode(std::uint8_t mode)
{
    FMode.store(mode);
    FWake.SetEvent();
}

void CLogoThread::Execute()
{
    try {
        while (!Terminated()) {
            const std::uint8_t mode = FMode.load();
            if (mode == 1 && !FTitleUp.load()) {
                Synchronize([this] {
                    if (OnShow) OnShow();
                });
                FTitleUp.store(true);
            } else if (mode == 0) {
                Synchronize([this] {
                    if (OnHide) OnHide();
                });
                FTitleUp.store(false);
                Terminate();
            } else {
                // The title is up: sleep until the mode changes instead of spinning.
                FWake.WaitFor(100);
            }
        }
    } catch (...) {
        platform::dialogs().MessageBox(
            "A fatal error (thread exception) has been detected. Save your data and restart the application.",
            "Warning", MB_OK);
    }
}
