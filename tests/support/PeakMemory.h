#pragma once
// How far the process's resident memory rises above what it was while a piece of code runs:
// the kernel's high-water mark is set back to the present first ("5" to
// /proc/self/clear_refs). Each test case runs in a process of its own. And what a sanitizer
// build adds to the process: bounds on memory measured by a test allow for its shadow
// memory and bookkeeping there, and stay as they are in every other build.
#include <cstdint>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#if defined(__SANITIZE_THREAD__)
#define NOX_TEST_TSAN 1
#elif defined(__SANITIZE_ADDRESS__)
#define NOX_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NOX_TEST_TSAN 1
#elif __has_feature(address_sanitizer)
#define NOX_TEST_ASAN 1
#endif
#endif

namespace support {

// What a byte the code writes costs in resident memory: the thread sanitizer keeps four
// bytes of shadow and more beside each, the address sanitizer keeps memory given back for a
// while before it is used again.
#if defined(NOX_TEST_TSAN)
inline constexpr std::int64_t ResidentPerWrittenByte = 6;
#elif defined(NOX_TEST_ASAN)
inline constexpr std::int64_t ResidentPerWrittenByte = 2;
#else
inline constexpr std::int64_t ResidentPerWrittenByte = 1;
#endif

// The factor on a bound of the whole process's peak memory.
#if defined(NOX_TEST_TSAN) || defined(NOX_TEST_ASAN)
inline constexpr long kSanitizerMemoryFactor = 2;
#else
inline constexpr long kSanitizerMemoryFactor = 1;
#endif

// Resident bytes now and at the high-water mark; false when they cannot be read.
inline bool ResidentBytes(std::int64_t& now, std::int64_t& peak)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    now = peak = -1;
    while (std::getline(status, line)) {
        std::istringstream in(line);
        std::string key;
        std::int64_t kB = 0;
        in >> key >> kB;
        if (key == "VmRSS:") now = kB * 1024;
        if (key == "VmHWM:") peak = kB * 1024;
    }
    return now >= 0 && peak >= 0;
}

// The rise of the high-water mark over the resident memory before `run`; -1 when the mark
// cannot be set back on this system.
inline std::int64_t PeakGrowth(const std::function<void()>& run)
{
    std::int64_t before = 0, peak = 0;
    {
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";
    }
    // The mark set back is at most a little above the memory now.
    if (!ResidentBytes(before, peak) || peak > before + (std::int64_t(4) << 20)) return -1;
    run();
    std::int64_t now = 0;
    if (!ResidentBytes(now, peak)) return -1;
    return peak - before;
}

}  // namespace support
