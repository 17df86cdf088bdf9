#include "comm/CommTiming.h"

#include <mutex>

namespace comm {
namespace {
std::mutex g_mutex;
TCommTiming g_timing;
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

}  // namespace comm
