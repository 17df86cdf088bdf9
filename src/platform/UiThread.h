#pragma once
// The threading rule, checked in debug builds: windows and every step a worker thread hands
// over through Synchronize run on the user-interface thread only. A call from any other
// thread stops the program at once, naming the function that broke the rule, instead of
// racing on the widgets or the channel state somewhere later. Release builds drop the check.
//
//     void TfrmWait::Show() { NOX_ASSERT_UI_THREAD(); ... }
#include "platform/UiDispatcher.h"

namespace platform {

// Writes "<function> (<file>:<line>) must run on the user-interface thread" and aborts.
[[noreturn]] void UiThreadRuleBroken(const char* function, const char* file, int line);

}  // namespace platform

#ifdef NDEBUG
#define NOX_ASSERT_UI_THREAD() static_cast<void>(0)
#else
#define NOX_ASSERT_UI_THREAD()                                                \
    (::platform::UiDispatcher::Instance().IsUiThread() ? static_cast<void>(0) \
                                                       : ::platform::UiThreadRuleBroken(__func__, __FILE__, __LINE__))
#endif
