#include "comm/CommTiming.h"

#include <time.h>

#include <atomic>
#include <mutex>

namespace comm {
namespace {
std::mutex g_mutex;
TCommTiming g_timing;
std::atomic<const IDeviceClock*> g_clock{nullptr};
}  // namespace

TCommTiming Timing()
{
    std::lock_guard<std::mutex> l(g_mutex);
    return g_timing;
}

void SetTiming(const TCommTiming& timing)
{
    std::lock_guard<std::mutex> l(g_mutex);
    g_timing = timing;
}

void ResetTiming()
{
    SetTiming(TCommTiming{});
}

std::int64_t SteadyMs()
{
    if (const IDeviceClock* clock = g_clock.load()) return clock->NowMs();
    // The boot-time clock: it goes on while the computer sleeps, as it does while the process
    // is stopped, so that a reply or a pass of a poll thread from before either is as old as
    // it really is.
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void SetDeviceClock(const IDeviceClock* clock)
{
    g_clock = clock;
}

}  // namespace comm
