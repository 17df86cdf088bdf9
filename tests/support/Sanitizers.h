#pragma once
// What a sanitizer build adds to the process: bounds on memory measured by a test allow for
// its shadow memory and bookkeeping there, and stay as they are in every other build.
namespace support {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define NOX_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define NOX_TEST_SANITIZED 1
#endif
#endif

#ifdef NOX_TEST_SANITIZED
inline constexpr long kSanitizerMemoryFactor = 2;
#else
inline constexpr long kSanitizerMemoryFactor = 1;
#endif

}  // namespace support
