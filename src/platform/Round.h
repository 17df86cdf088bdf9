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

// Round, inline for loops over many values (pixel positions): the same result. Values
// below 2^30 in size are rounded by the floating-point unit's own rounding to nearest
// (adding and taking away 1.5 * 2^52 leaves the nearest integer, halves to even), the rest
// by Round.
inline int RoundNear(double value)
{
    if (value < 1073741824.0 && value > -1073741824.0) {
        constexpr double kShift = 6755399441055744.0;
        return static_cast<int>((value + kShift) - kShift);
    }
    return Round(value);
}
