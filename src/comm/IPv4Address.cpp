#include "comm/IPv4Address.h"

#include <charconv>

namespace comm {

namespace {

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Decimal digits only, at most maxDigits of them (leading zeros count).
std::optional<int> ParseDecimal(std::string_view s, std::size_t maxDigits, int maxValue)
{
    s = TrimBlanks(s);
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    for (char c : s)
        if (c < '0' || c > '9') return std::nullopt;
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (ec != std::errc() || p != s.data() + s.size() || v > maxValue) return std::nullopt;
    return v;
}

}  // namespace

std::optional<std::array<std::uint8_t, 4>> ParseIPv4Address(std::string_view text)
{
    std::array<std::uint8_t, 4> parts{};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t dot = text.find('.', start);
        if ((i < 3) != (dot != std::string_view::npos)) return std::nullopt;
        std::string_view part = text.substr(start, i < 3 ? dot - start : std::string_view::npos);
        std::optional<int> v = ParseDecimal(part, 3, 255);
        if (!v) return std::nullopt;
        parts[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*v);
        start = dot + 1;
    }
    return parts;
}

AnsiString NormalizeIPv4Address(std::string_view text)
{
    auto parts = ParseIPv4Address(text);
    if (!parts) return {};
    AnsiString s;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i) s += '.';
        s += IntToStr((*parts)[i]);
    }
    return s;
}

bool LooksLikeDottedAddress(std::string_view text)
{
    text = TrimBlanks(text);
    if (text.empty()) return false;
    for (char c : text)
        if (!(c == '.' || c == ' ' || (c >= '0' && c <= '9'))) return false;
    return true;
}

std::optional<int> ParseTcpPort(std::string_view text)
{
    std::optional<int> v = ParseDecimal(text, 5, 65535);
    if (!v || *v < 1) return std::nullopt;
    return v;
}

}  // namespace comm
