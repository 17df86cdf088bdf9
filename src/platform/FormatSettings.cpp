#include "platform/FormatSettings.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/Exception.h"

namespace {
TFormatSettings g_settings;

// Decimal digits of |value| (no leading zeros) and the decimal exponent such that
// value = 0.d1d2d3... * 10^exponent. `significant` digits, correctly rounded.
struct Decimal {
    AnsiString digits;
    int exponent = 0;
    bool negative = false;
};

Decimal ToDecimal(double value, int significant)
{
    Decimal d;
    d.negative = std::signbit(value) && value != 0.0;
    double a = std::fabs(value);
    if (a == 0.0) {
        d.digits = "0";
        d.exponent = 1;
        return d;
    }
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, significant - 1);
    std::string_view s(buf, size_t(r.ptr - buf));
    size_t e = s.find('e');
    for (size_t i = 0; i < e; ++i)
        if (s[i] != '.') d.digits += s[i];
    int exp10 = 0;
    std::string_view es = s.substr(e + 1);
    if (!es.empty() && es[0] == '+') es.remove_prefix(1);
    std::from_chars(es.data(), es.data() + es.size(), exp10);
    d.exponent = exp10 + 1;
    return d;
}

void StripTrailingZeros(AnsiString& digits)
{
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

// Rounds the digit string half away from zero so that `keep` digits remain (keep may be
// 0 or negative: the value then rounds to 0 or to one unit at the first place).
void RoundDigits(Decimal& d, int keep)
{
    if (keep >= int(d.digits.size())) return;
    if (keep < 0) {
        d.digits = "0";
        d.exponent = 1;
        return;
    }
    bool up = d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[size_t(i)] == '9') {
            d.digits[size_t(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            d.exponent += 1;
        } else {
            d.digits[size_t(i)] += 1;
        }
    }
    if (d.digits.empty()) {
        d.digits = "0";
        d.exponent = 1;
        d.negative = false;
    }
}

bool IsZeroDigits(const AnsiString& digits)
{
    return digits.find_first_not_of('0') == AnsiString::npos;
}

struct PictureSection {
    AnsiString prefix, suffix;  // literal text around the number
    int intMin = 0;             // '0' places before the point
    int fracMin = 0, fracMax = 0;
    bool thousands = false;
    bool hasPoint = false;
    bool scientific = false;
    bool expPlus = false;  // "E+": always a sign
    int expMin = 0;
};

PictureSection ParseSection(std::string_view f)
{
    PictureSection p;
    bool inNumber = false, afterNumber = false, afterPoint = false;
    for (size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        AnsiString& lit = (inNumber || afterNumber) ? p.suffix : p.prefix;
        if (c == '"' || c == '\'') {
            size_t end = f.find(c, i + 1);
            if (end == std::string_view::npos) end = f.size();
            lit += AnsiString(f.substr(i + 1, end - i - 1));
            if (inNumber) afterNumber = true;
            i = end;
            continue;
        }
        if (!afterNumber && (c == '0' || c == '#')) {
            inNumber = true;
            if (afterPoint) {
                ++p.fracMax;
                if (c == '0') p.fracMin = p.fracMax;
            } else if (c == '0') {
                ++p.intMin;
            }
            continue;
        }
        if (!afterNumber && c == '.') {
            inNumber = true;
            afterPoint = true;
            p.hasPoint = true;
            continue;
        }
        if (!afterNumber && c == ',') {
            p.thousands = true;
            continue;
        }
        if (inNumber && !afterNumber && (c == 'E' || c == 'e') && i + 1 < f.size() &&
            (f[i + 1] == '+' || f[i + 1] == '-')) {
            p.scientific = true;
            p.expPlus = f[i + 1] == '+';
            i += 2;
            while (i < f.size() && f[i] == '0') {
                ++p.expMin;
                ++i;
            }
            --i;
            afterNumber = true;
            continue;
        }
        if (inNumber) afterNumber = true;
        (inNumber || afterNumber ? p.suffix : p.prefix) += c;
    }
    return p;
}

AnsiString GroupThousands(const AnsiString& intPart, char sep)
{
    if (sep == '\0' || intPart.size() <= 3) return intPart;
    AnsiString r;
    int n = int(intPart.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) r += sep;
        r += intPart[size_t(i)];
    }
    return r;
}

AnsiString FormatSection(const PictureSection& p, double value, const TFormatSettings& fs)
{
    AnsiString body;
    double a = std::fabs(value);
    if (p.scientific) {
        int sig = std::max(1, p.intMin) + p.fracMax;
        Decimal d = ToDecimal(a, 17);
        RoundDigits(d, sig);
        int exp = (a == 0.0) ? 0 : d.exponent - std::max(1, p.intMin);
        AnsiString digits = d.digits;
        while (int(digits.size()) < sig) digits += '0';
        int ip = std::max(1, p.intMin);
        AnsiString intPart = digits.substr(0, size_t(ip));
        AnsiString frac = digits.substr(size_t(ip));
        while (int(frac.size()) > p.fracMin && !frac.empty() && frac.back() == '0') frac.pop_back();
        body = intPart;
        if (!frac.empty()) body += fs.DecimalSeparator + frac;
        AnsiString es = std::to_string(std::abs(exp));
        while (int(es.size()) < p.expMin) es.insert(es.begin(), '0');
        body += "E";
        if (exp < 0)
            body += "-";
        else if (p.expPlus)
            body += "+";
        body += es;
        return body;
    }
    Decimal d = ToDecimal(a, 17);
    // Keep digits up to fracMax places after the point.
    RoundDigits(d, d.exponent + p.fracMax);
    AnsiString intPart, frac;
    if (IsZeroDigits(d.digits)) {
        intPart = "";
    } else if (d.exponent > 0) {
        AnsiString digits = d.digits;
        while (int(digits.size()) < d.exponent) digits += '0';
        intPart = digits.substr(0, size_t(d.exponent));
        frac = digits.substr(size_t(d.exponent));
    } else {
        frac = AnsiString(size_t(-d.exponent), '0') + d.digits;
    }
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == AnsiString::npos ? AnsiString() : intPart.substr(nz);
    while (int(intPart.size()) < p.intMin) intPart.insert(intPart.begin(), '0');
    if (int(frac.size()) > p.fracMax) frac.resize(size_t(p.fracMax));
    while (int(frac.size()) < p.fracMin) frac += '0';
    while (int(frac.size()) > p.fracMin && frac.back() == '0') frac.pop_back();
    if (p.thousands) intPart = GroupThousands(intPart, fs.ThousandSeparator);
    body = intPart;
    if (!frac.empty()) body += fs.DecimalSeparator + frac;
    return body;
}

bool RoundsToZero(const PictureSection& p, double value)
{
    if (value == 0.0) return true;
    if (p.scientific) return false;
    Decimal d = ToDecimal(std::fabs(value), 17);
    RoundDigits(d, d.exponent + p.fracMax);
    return IsZeroDigits(d.digits);
}
}  // namespace

TFormatSettings& FormatSettings()
{
    return g_settings;
}
void ResetFormatSettings()
{
    g_settings = TFormatSettings();
}

AnsiString FloatToStr(double value)
{
    return FloatToStr(value, g_settings);
}

AnsiString FloatToStr(double value, const TFormatSettings& fs)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0.0) return "0";
    Decimal d = ToDecimal(value, 15);
    StripTrailingZeros(d.digits);
    AnsiString r = d.negative ? "-" : "";
    if (d.exponent > 15 || d.exponent < -3) {
        r += d.digits.substr(0, 1);
        if (d.digits.size() > 1) r += fs.DecimalSeparator + d.digits.substr(1);
        r += "E" + std::to_string(d.exponent - 1);
        return r;
    }
    if (d.exponent <= 0) {
        r += "0";
        r += fs.DecimalSeparator;
        r += AnsiString(size_t(-d.exponent), '0') + d.digits;
        return r;
    }
    AnsiString digits = d.digits;
    while (int(digits.size()) < d.exponent) digits += '0';
    r += digits.substr(0, size_t(d.exponent));
    if (int(digits.size()) > d.exponent) r += fs.DecimalSeparator + digits.substr(size_t(d.exponent));
    return r;
}

namespace {

// A value in the format of parsed sections (an empty section stays unused).
AnsiString FormatWithSections(const std::vector<PictureSection>& sections, const std::vector<bool>& empty, double value,
                              const TFormatSettings& fs)
{
    const PictureSection& pos = sections[0];
    bool zero = RoundsToZero(pos, value);
    if (zero && sections.size() >= 3 && !empty[2]) {
        const PictureSection& z = sections[2];
        return z.prefix + FormatSection(z, 0.0, fs) + z.suffix;
    }
    if (value < 0 && !zero) {
        if (sections.size() >= 2 && !empty[1]) {
            const PictureSection& n = sections[1];
            return n.prefix + FormatSection(n, value, fs) + n.suffix;
        }
        return "-" + pos.prefix + FormatSection(pos, value, fs) + pos.suffix;
    }
    return pos.prefix + FormatSection(pos, value, fs) + pos.suffix;
}

}  // namespace

AnsiString FormatFloat(std::string_view format, double value)
{
    return FormatFloat(format, value, g_settings);
}

AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& fs)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (format.empty()) return FloatToStr(value, fs);
    // The sections of the format as parsed last on this thread (an empty one stays unused):
    // values are formatted with one format again and again (a series' marks, axis labels).
    struct Parsed {
        std::string format;
        std::vector<PictureSection> sections;
        std::vector<bool> empty;
        // The last value formatted with it and its text (a curve's setpoint keeps its
        // value for long stretches).
        bool hasLast = false;
        std::uint64_t lastBits = 0;
        char lastDecimal = 0, lastThousands = 0;
        AnsiString lastText;
    };
    thread_local Parsed last;
    if (last.sections.empty() || last.format != format) {
        last.sections.clear();
        last.empty.clear();
        const auto add = [&](std::string_view section) {
            last.sections.push_back(ParseSection(section));
            last.empty.push_back(section.empty());
        };
        size_t start = 0;
        bool quoted = false;
        char q = 0;
        for (size_t i = 0; i < format.size(); ++i) {
            char c = format[i];
            if (quoted) {
                if (c == q) quoted = false;
            } else if (c == '"' || c == '\'') {
                quoted = true;
                q = c;
            } else if (c == ';') {
                add(format.substr(start, i - start));
                start = i + 1;
            }
        }
        add(format.substr(start));
        last.format = std::string(format);
        last.hasLast = false;
    }
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (last.hasLast && last.lastBits == bits && last.lastDecimal == fs.DecimalSeparator &&
        last.lastThousands == fs.ThousandSeparator)
        return last.lastText;
    last.lastText = FormatWithSections(last.sections, last.empty, value, fs);
    last.hasLast = true;
    last.lastBits = bits;
    last.lastDecimal = fs.DecimalSeparator;
    last.lastThousands = fs.ThousandSeparator;
    return last.lastText;
}

bool TryStrToFloat(std::string_view s, double& value)
{
    return TryStrToFloat(s, value, g_settings);
}

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs)
{
    AnsiString t = Trim(s);
    AnsiString norm;
    size_t i = 0, n = t.size();
    // Copies the digits at i and counts them.
    const auto digits = [&] {
        int count = 0;
        for (; i < n && t[i] >= '0' && t[i] <= '9'; ++count) norm += t[i++];
        return count;
    };
    if (i < n && (t[i] == '+' || t[i] == '-')) norm += t[i++];
    int mantDigits = digits();
    if (i < n && t[i] == fs.DecimalSeparator) {
        norm += '.';
        ++i;
        mantDigits += digits();
    }
    if (mantDigits == 0) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        norm += 'e';
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) norm += t[i++];
        if (digits() == 0) return false;
    }
    if (i != n) return false;
    const char* b = norm.data();
    if (*b == '+') ++b;
    double v = 0;
    auto [p, ec] = std::from_chars(b, norm.data() + norm.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Underflow becomes 0, overflow is not a number we can hold.
        if (norm.find("e-") != AnsiString::npos) {
            value = 0.0;
            return true;
        }
        return false;
    }
    if (ec != std::errc() || p != norm.data() + norm.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

double StrToFloat(std::string_view s)
{
    return ConvertOrRaise(s, TryStrToFloat, "floating point value");
}

double StrToFloatDef(std::string_view s, double def)
{
    return ConvertOrDefault(s, TryStrToFloat, def);
}
