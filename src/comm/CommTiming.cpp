#include "comm/CommTiming.h"

#include <atomic>
#include <chrono>
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
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SetDeviceClock(const IDeviceClock* clock)
{
    g_clock = clock;
}

}  // namespace comm
