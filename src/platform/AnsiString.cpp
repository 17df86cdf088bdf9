#include "platform/AnsiString.h"

#include <charconv>
#include <climits>

#include "platform/Exception.h"

namespace {
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}
char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
}  // namespace

AnsiString Trim(std::string_view s)
{
    return TrimRight(TrimLeft(s));
}

AnsiString TrimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return AnsiString(s.substr(i));
}

AnsiString TrimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1])) --n;
    return AnsiString(s.substr(0, n));
}

AnsiString UpperCase(std::string_view s)
{
    AnsiString r(s);
    for (char& c : r) c = Upper(c);
    return r;
}

AnsiString LowerCase(std::string_view s)
{
    AnsiString r(s);
    for (char& c : r) c = Lower(c);
    return r;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

AnsiString IntToStr(std::int64_t value)
{
    return std::to_string(value);
}

AnsiString IntToHex(std::int64_t value, int digits)
{
    std::uint64_t v = value < 0 && value >= INT32_MIN ? std::uint64_t(std::uint32_t(value)) : std::uint64_t(value);
    static const char hex[] = "0123456789ABCDEF";
    AnsiString r;
    do {
        r.insert(r.begin(), hex[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    while (int(r.size()) < digits) r.insert(r.begin(), '0');
    return r;
}

bool TryStrToInt(std::string_view s, int& value)
{
    AnsiString t = Trim(s);
    std::string_view v = t;
    if (v.empty()) return false;
    bool neg = false;
    if (v[0] == '-' || v[0] == '+') {
        neg = v[0] == '-';
        v.remove_prefix(1);
    }
    int base = 10;
    if (!v.empty() && v[0] == '$') {
        base = 16;
        v.remove_prefix(1);
    } else if (v.size() > 1 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        base = 16;
        v.remove_prefix(2);
    }
    if (v.empty()) return false;
    std::int64_t r = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), r, base);
    if (ec != std::errc() || p != v.data() + v.size()) return false;
    if (neg) r = -r;
    if (base == 16 && r > INT32_MAX && r <= std::int64_t(UINT32_MAX)) r = std::int32_t(std::uint32_t(r));
    if (r < INT32_MIN || r > INT32_MAX) return false;
    value = int(r);
    return true;
}

int StrToInt(std::string_view s)
{
    return ConvertOrRaise(s, TryStrToInt, "integer value");
}

int StrToIntDef(std::string_view s, int def)
{
    return ConvertOrDefault(s, TryStrToInt, def);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

AnsiString ExtractFileName(std::string_view path)
{
    const std::size_t sep = path.find_last_of("/\\");
    return AnsiString(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

AnsiString ExtractFileExt(std::string_view path)
{
    const std::size_t sep = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return AnsiString();
    return AnsiString(path.substr(dot));
}

std::vector<AnsiString> SplitString(std::string_view s, char sep)
{
    std::vector<AnsiString> r;
    size_t start = 0;
    for (;;) {
        size_t p = s.find(sep, start);
        if (p == std::string_view::npos) {
            r.emplace_back(s.substr(start));
            return r;
        }
        r.emplace_back(s.substr(start, p - start));
        start = p + 1;
    }
}

bool StartsText(std::string_view prefix, std::string_view s)
{
    return s.size() >= prefix.size() && SameText(prefix, s.substr(0, prefix.size()));
}

int Pos(std::string_view sub, std::string_view s)
{
    if (sub.empty()) return 0;
    size_t p = s.find(sub);
    return p == std::string_view::npos ? 0 : int(p) + 1;
}
