#pragma once
// A constant-alpha mix of two 8-bit channels: (a * alphaA + b * (255 - alphaA) + 127) / 255,
// the division done exactly for all sums below 65535 by adding the high byte back. Sixteen
// bits hold every sum (at most 255 * 255 + 127), so loops of it run over whole vectors.
#include <cstdint>

inline std::uint8_t MixChannel(std::uint8_t a, std::uint8_t b, std::uint16_t alphaA, std::uint16_t alphaB)
{
    const auto v = std::uint16_t(std::uint16_t(a * alphaA) + std::uint16_t(b * alphaB) + 127u);
    return std::uint8_t(std::uint16_t(v + 1u + (v >> 8)) >> 8);
}
