#include "platform/Round.h"

#include <cmath>
#include <limits>

namespace {
template <typename T>
T Saturate(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= double(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    if (v <= double(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    return static_cast<T>(v);
}
}  // namespace

int Round(double value)
{
    if (std::isnan(value)) return 0;
    return Saturate<int>(std::nearbyint(value));  // default rounding mode: halves to even
}

int Trunc(double value)
{
    return Saturate<int>(std::trunc(value));
}

std::int64_t Round64(double value)
{
    if (std::isnan(value)) return 0;
    return Saturate<std::int64_t>(std::nearbyint(value));
}

std::int64_t Trunc64(double value)
{
    return Saturate<std::int64_t>(std::trunc(value));
}
