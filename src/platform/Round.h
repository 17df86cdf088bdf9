#pragma once
// Every conversion of a floating-point value to a pixel or an integer count goes through
// these: a plain cast of an out-of-range double is undefined behaviour.
#include <cstdint>

// Rounds halves to even (as the class library's Round), saturates to the 32-bit range,
// NaN gives 0.
int Round(double value);
// Truncates toward zero with the same saturation and NaN rule.
int Trunc(double value);
// 64-bit variants for counts and serials that do not fit in 32 bits.
std::int64_t Round64(double value);
std::int64_t Trunc64(double value);
