#include "app/RecordedDataFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "platform/FileSave.h"
#include "platform/TextCodec.h"

namespace {

constexpr std::string_view kSection = "\xC2\xA7";  // "§" in UTF-8
constexpr std::string_view kCrLf = "\r\n";
constexpr int kMaxListedBadRows = 10;

std::string_view TrimView(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kPow10u[] = {1ull,
                                     10ull,
                                     100ull,
                                     1000ull,
                                     10000ull,
                                     100000ull,
                                     1000000ull,
                                     10000000ull,
                                     100000000ull,
                                     1000000000ull,
                                     10000000000ull,
                                     100000000000ull,
                                     1000000000000ull,
                                     10000000000000ull,
                                     100000000000000ull,
                                     1000000000000000ull};

// a * 10^places (a >= 0, places <= 15) rounded to a whole number, when that is sure without
// writing the decimal digits: the product below 2^52 and its fraction clear of one half by
// more than the product can be off from a * 10^places, and a's 17 rounded digits from a
// (either rounding then gives the same number). False leaves the value to the digits.
bool ScaledWhole(double a, int places, std::uint64_t& whole)
{
    const double t = a * kPow10[places];
    if (!(t < 4503599627370496.0)) return false;
    const double below = std::floor(t);
    const double fraction = t - below;
    if (std::fabs(fraction - 0.5) <= t * 1e-15 + 1e-300) return false;
    whole = static_cast<std::uint64_t>(below) + (fraction > 0.5 ? 1 : 0);
    return true;
}

// Writes the decimal digits of v (exactly `width` of them when width > 0, else without
// leading zeros; none for 0) right-aligned to end; returns where they start.
char* DigitsBefore(char* end, std::uint64_t v, int width = 0)
{
    char* p = end;
    while (v > 0 || width > 0) {
        *--p = char('0' + v % 10);
        v /= 10;
        --width;
    }
    return p;
}

// FloatToStr for the X column: 15 significant digits, trailing zeros left out. Values
// from 1 to below 10^15 are written here; the others, and those whose digits are not sure
// this way, by FloatToStr.
void AppendTime(std::string& out, double x, const TFormatSettings& fs)
{
    const double a = std::fabs(x);
    int integerDigits = 1;
    while (integerDigits <= 15 && a >= kPow10[integerDigits]) ++integerDigits;
    std::uint64_t q;
    if (!(a >= 1) || integerDigits > 15 || !ScaledWhole(a, 15 - integerDigits, q) || q >= kPow10u[15]) {
        out += FloatToStr(x, fs);
        return;
    }
    char buf[24];
    char* const end = buf + sizeof buf;
    char* begin = DigitsBefore(end, q, 15);
    char* last = end;
    while (last > begin + integerDigits && last[-1] == '0') --last;
    if (x < 0) out += '-';
    out.append(begin, size_t(integerDigits));
    if (last > begin + integerDigits) {
        out += fs.DecimalSeparator;
        out.append(begin + integerDigits, size_t(last - begin - integerDigits));
    }
}

// How the texts of a file are turned into bytes: Windows-1252 as the program has always
// written them, or UTF-8 (behind a byte-order mark) when a text holds a character that
// Windows-1252 cannot, so that no character is lost. Readers accept either.
struct TTextEncoding {
    bool Utf8 = false;
    std::string Bytes(std::string_view utf8) const { return Utf8 ? std::string(utf8) : platform::Utf8ToCp1252(utf8); }
    std::string_view Section() const { return Utf8 ? kSection : std::string_view("\xA7"); }
};

// Standard CSV quoting: the text in quotes, each quote in it doubled.
void AppendQuoted(std::string& out, std::string_view bytes)
{
    out += '"';
    for (char c : bytes) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

bool HoldsSeparatorOrQuote(std::string_view text)
{
    return text.find_first_of(";\"") != std::string_view::npos;
}

// A row's label that a bare field would not give back: the reader takes a bare field
// without the blanks and control characters at its ends, and "0" to "3" as the numbers of
// the marks (no label, error, new recording, new segment), not as a text such as the name
// of a program's segment. In quotes it reads as it stands.
bool LabelNeedsQuotes(std::string_view bytes)
{
    if (bytes.empty()) return false;
    return static_cast<unsigned char>(bytes.front()) <= ' ' || static_cast<unsigned char>(bytes.back()) <= ' ' ||
           (bytes.size() == 1 && bytes[0] >= '0' && bytes[0] <= '3');
}

// A text that goes into one field: quoted when it holds the separator or a quote, or is a
// row's label that needs quotes to read back; a line feed would break the row, so it
// becomes a blank. A carriage return alone ends no line for the reader and stays (a file of
// another program may hold one).
void AppendField(std::string& out, std::string_view utf8, const TTextEncoding& enc, bool label = false)
{
    // Plain ASCII without separators, quotes or line ends (the error column) goes as it is.
    const bool plain = std::all_of(utf8.begin(), utf8.end(), [](char c) {
        return static_cast<unsigned char>(c) >= ' ' && static_cast<unsigned char>(c) < 0x80 && c != ';' && c != '"';
    });
    if (plain && !(label && LabelNeedsQuotes(utf8))) {
        out += utf8;
        out += ';';
        return;
    }
    std::string bytes = enc.Bytes(utf8);
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) bytes[i] = ' ';
    if (HoldsSeparatorOrQuote(bytes) || (label && LabelNeedsQuotes(bytes)))
        AppendQuoted(out, bytes);
    else
        out += bytes;
    out += ';';
}

// A section line the reader would take for something other than text: a section marker,
// the end marks, or the word that stands for an empty line.
bool ReadsAsMarker(std::string_view utf8)
{
    const std::string_view t = TrimView(utf8);
    return t == kSection || t == "$" || t == "[PROTOCOL]" || t == "[MEMO]" || t == "[INFO]" || t == "(null)";
}

// A memo line; one that holds line ends (a line feed, or carriage return and line feed) is
// written as the lines it holds. A carriage return alone is no line end for the reader and
// stays in its line. An empty line is "(null)" or nothing, as the section has it.
void AppendMemoLine(std::string& out, std::string_view utf8, bool emptyAsNull, const TTextEncoding& enc)
{
    size_t start = 0;
    while (true) {
        size_t end = utf8.find('\n', start);
        if (end != std::string_view::npos && end > start && utf8[end - 1] == '\r') --end;
        std::string_view part =
            utf8.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty() && emptyAsNull)
            out += "(null)";
        else if (HoldsSeparatorOrQuote(part) || ReadsAsMarker(part))
            AppendQuoted(out, enc.Bytes(part));
        else
            out += enc.Bytes(part);
        out += ";\r\n";
        if (end == std::string_view::npos) break;
        start = end + (utf8[end] == '\r' ? 2 : 1);
    }
}

void AppendSection(std::string& out, std::string_view marker, const std::vector<AnsiString>& lines, bool emptyAsNull,
                   const TTextEncoding& enc)
{
    out += marker;
    out += kCrLf;
    for (const AnsiString& l : lines) AppendMemoLine(out, l, emptyAsNull, enc);
}

bool FitsCp1252(const TRecordedData& data)
{
    auto fits = [](const AnsiString& t) { return platform::FitsCp1252(t); };
    auto allFit = [&](const std::vector<AnsiString>& v) { return std::all_of(v.begin(), v.end(), fits); };
    return fits(data.FileName) && fits(data.DeviceName) && allFit(data.Errors) && allFit(data.EventProtocol) &&
           allFit(data.ProgrammerProtocol) && allFit(data.Memo) && allFit(data.Info) &&
           std::all_of(data.Columns.begin(), data.Columns.end(),
                       [&](const TRecordedDataColumn& c) { return fits(c.Title); });
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && SameText(s.substr(s.size() - suffix.size()), suffix);
}

// A section line without its ";" characters (the writer ends every line with one).
AnsiString WithoutSemicolons(std::string_view line)
{
    AnsiString r;
    r.reserve(line.size());
    for (char c : line)
        if (c != ';') r += c;
    return r;
}

bool IsMarker(std::string_view raw, std::string_view marker)
{
    return raw.find(marker) != std::string_view::npos && TrimView(WithoutSemicolons(raw)) == marker;
}

// The end of the field that starts at `start`: the next ";" outside quotes.
size_t FieldEnd(std::string_view line, size_t start)
{
    size_t i = start;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i < line.size() && line[i] == '"') {
        for (++i; i < line.size(); ++i) {
            if (line[i] != '"') continue;
            if (i + 1 < line.size() && line[i + 1] == '"') {
                ++i;
                continue;
            }
            break;
        }
    }
    const size_t end = line.find(';', i);
    return end == std::string_view::npos ? line.size() : end;
}

// Splits a line at the ";" outside quotes. Data rows pass over empty fields (so ";;" takes
// the next field in its place); the header keeps them. The first `keep` fields go to
// `fields` (a line may hold millions of ";", and a read looks at no more than 30 fields of
// one); returns how many there are in all. `lastBlank` gets whether the last is blank.
size_t SplitRow(std::string_view line, std::vector<std::string_view>& fields, bool keepEmpty, size_t keep,
                bool* lastBlank = nullptr)
{
    fields.clear();
    size_t count = 0;
    std::string_view last;
    const auto add = [&](std::string_view f) {
        last = f;
        if (!keepEmpty && TrimView(f).empty()) return;
        if (count++ < keep) fields.push_back(f);
    };
    if (line.find('"') == std::string_view::npos) {
        // No quotes (every data row the program writes): each ";" ends a field.
        const char* const begin = line.data();
        const char* const end = begin + line.size();
        const char* start = begin;
        for (const char* p = begin;; ++p) {
            if (p != end && *p != ';') continue;
            add(std::string_view(start, size_t(p - start)));
            if (p == end) break;
            start = p + 1;
        }
    } else {
        size_t start = 0;
        while (start <= line.size()) {
            const size_t end = FieldEnd(line, start);
            add(line.substr(start, end - start));
            start = end + 1;
        }
    }
    if (lastBlank) *lastBlank = TrimView(last).empty();
    return count;
}

// A text in quotes at the start of `s` with its doubled quotes made single; `rest` gets what
// follows the closing quote. False when `s` does not start with a quote or it is not closed.
bool Unquote(std::string_view s, AnsiString& text, std::string_view& rest)
{
    if (s.empty() || s[0] != '"') return false;
    text.clear();
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] != '"') {
            text += s[i];
        } else if (i + 1 < s.size() && s[i + 1] == '"') {
            text += '"';
            ++i;
        } else {
            rest = s.substr(i + 1);
            return true;
        }
    }
    return false;
}

// The content of a field in quotes (blanks around the quotes allowed); false for any other.
bool QuotedField(std::string_view field, AnsiString& text)
{
    std::string_view rest;
    return Unquote(TrimView(field), text, rest) && TrimView(rest).empty();
}

// A field's text: the content of a quoted field, any other field as it stands.
AnsiString FieldText(std::string_view field)
{
    AnsiString text;
    if (QuotedField(field, text)) return text;
    return AnsiString(field);
}

// A section line written in quotes (a text that holds ";" or quotes, or would read as a
// marker): its text, taken literally.
bool QuotedLine(std::string_view line, AnsiString& text)
{
    std::string_view rest;
    if (!Unquote(line, text, rest)) return false;
    rest = TrimView(rest);
    return rest.empty() || rest == ";";
}

// X values are date-time serials; these bound the ones a calendar can name
// (01.01.0001 up to the end of 31.12.9999).
constexpr double kFirstSerial = -693593.0;
constexpr double kEndSerial = 2958466.0;

// Formats values as FormatFloat does with a plain picture of digit places ("#,##0.###",
// "0.00", ...), without its per-call parsing and allocations: a 12-hour file holds close to
// a million values. Any other picture, and values that are not finite, go to FormatFloat.
class TValueWriter {
public:
    TValueWriter(const AnsiString& format, const TFormatSettings& fs) : FFormat(format), FFs(fs)
    {
        FSimple = !format.empty();
        bool point = false;
        for (char c : format) {
            if (c == '.' && !point) {
                point = true;
            } else if (c == ',' && !point) {
                FThousands = true;
            } else if (c == '0' || c == '#') {
                if (point) {
                    ++FFracMax;
                    if (c == '0') FFracMin = FFracMax;
                } else if (c == '0') {
                    ++FIntMin;
                }
            } else {
                FSimple = false;
            }
        }
        // Pictures whose digits could not fit the buffers below take the general path.
        if (FIntMin > 20 || FFracMax > 20) FSimple = false;
    }

    void Append(std::string& out, double value) const
    {
        if (!FSimple || !std::isfinite(value)) {
            out += FormatFloat(FFormat, value, FFs);
            return;
        }
        std::uint64_t q;
        if (FFracMax <= 15 && ScaledWhole(std::fabs(value), FFracMax, q)) {
            AppendScaled(out, value < 0 && q != 0, q);
            return;
        }
        // 17 significant digits, then rounded half away from zero at the last place kept.
        char digits[48];
        int count = 1;
        int exponent = 1;
        const double a = std::fabs(value);
        if (a == 0.0) {
            digits[0] = '0';
        } else {
            // Most recorded values have no more decimals than the picture shows: their
            // shortest exact digits are then what the 17 rounded ones come to (they differ
            // from them by far less than half the last place kept). Others take the 17.
            Digits(a, -1, digits, count, exponent);
            if (count - exponent > FFracMax || exponent + FFracMax > 14) Digits(a, 16, digits, count, exponent);
            if (exponent > 40) {
                out += FormatFloat(FFormat, value, FFs);
                return;
            }
        }
        const int keep = exponent + FFracMax;
        if (keep < count) {
            if (keep < 0) {
                digits[0] = '0';
                count = 1;
                exponent = 1;
            } else {
                const bool up = digits[keep] >= '5';
                count = keep;
                if (up) {
                    int i = keep - 1;
                    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
                    if (i < 0) {
                        std::memmove(digits + 1, digits, size_t(count));
                        digits[0] = '1';
                        ++count;
                        ++exponent;
                    } else {
                        ++digits[i];
                    }
                }
                if (count == 0) {
                    digits[0] = '0';
                    count = 1;
                    exponent = 1;
                }
            }
        }
        bool zero = true;
        for (int i = 0; i < count; ++i)
            if (digits[i] != '0') zero = false;
        if (value < 0 && !zero) out += '-';

        char intPart[48];
        int intLen = 0;
        char frac[48];
        int fracLen = 0;
        if (!zero) {
            if (exponent > 0) {
                for (int i = 0; i < exponent; ++i) intPart[intLen++] = i < count ? digits[i] : '0';
                for (int i = exponent; i < count; ++i) frac[fracLen++] = digits[i];
            } else {
                for (int i = 0; i < -exponent; ++i) frac[fracLen++] = '0';
                for (int i = 0; i < count; ++i) frac[fracLen++] = digits[i];
            }
        }
        // The integer digits without leading zeros, padded to the picture's '0' places,
        // then grouped by thousands.
        char whole[72];
        int wholeLen = 0;
        int lead = 0;
        while (lead < intLen && intPart[lead] == '0') ++lead;
        for (int i = intLen - lead; i < FIntMin; ++i) whole[wholeLen++] = '0';
        for (int i = lead; i < intLen; ++i) whole[wholeLen++] = intPart[i];
        const bool group = FThousands && FFs.ThousandSeparator != '\0' && wholeLen > 3;
        for (int i = 0; i < wholeLen; ++i) {
            if (group && i > 0 && (wholeLen - i) % 3 == 0) out += FFs.ThousandSeparator;
            out += whole[i];
        }
        if (fracLen > FFracMax) fracLen = FFracMax;
        while (fracLen < FFracMin) frac[fracLen++] = '0';
        while (fracLen > FFracMin && frac[fracLen - 1] == '0') --fracLen;
        if (fracLen > 0) {
            out += FFs.DecimalSeparator;
            out.append(frac, size_t(fracLen));
        }
    }

private:
    // The number q / 10^FFracMax as the picture shows it.
    void AppendScaled(std::string& out, bool negative, std::uint64_t q) const
    {
        char buf[96];
        char* const end = buf + sizeof buf;
        // The fraction's places, its trailing zeros left out down to the picture's '0' places.
        char* frac = DigitsBefore(end, q % kPow10u[FFracMax], FFracMax);
        char* fracEnd = end;
        while (fracEnd > frac + FFracMin && fracEnd[-1] == '0') --fracEnd;
        // The whole digits without leading zeros, padded to the '0' places, grouped by
        // thousands.
        char whole[64];
        char* const wholeEnd = whole + sizeof whole;
        char* w = DigitsBefore(wholeEnd, q / kPow10u[FFracMax]);
        while (wholeEnd - w < FIntMin) *--w = '0';
        const int wholeLen = int(wholeEnd - w);
        char* p = frac - 1;  // the integer part goes in front of the fraction, backwards
        if (fracEnd > frac)
            *p = FFs.DecimalSeparator;
        else
            p = frac;
        const bool group = FThousands && FFs.ThousandSeparator != '\0' && wholeLen > 3;
        for (int i = wholeLen - 1; i >= 0; --i) {
            *--p = w[i];
            if (group && i > 0 && (wholeLen - i) % 3 == 0) *--p = FFs.ThousandSeparator;
        }
        if (negative) *--p = '-';
        out.append(p, size_t(fracEnd - p));
    }

    // The significant digits of a > 0 (shortest exact ones for precision -1, else
    // precision + 1 rounded ones) and the position of the decimal point after them.
    static void Digits(double a, int precision, char* digits, int& count, int& exponent)
    {
        char sci[40];
        const auto r = precision < 0
                           ? std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific)
                           : std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific, precision);
        count = 0;
        const char* p = sci;
        for (; p < r.ptr && *p != 'e'; ++p)
            if (*p != '.') digits[count++] = *p;
        int exp10 = 0;
        ++p;
        if (p < r.ptr && *p == '+') ++p;
        std::from_chars(p, r.ptr, exp10);
        exponent = exp10 + 1;
    }

    AnsiString FFormat;
    const TFormatSettings& FFs;
    bool FSimple = false;
    bool FThousands = false;
    int FIntMin = 0;
    int FFracMin = 0;
    int FFracMax = 0;
};

void AddBadRow(TRecordedDataRead& r, int& badRows, int line, const AnsiString& detail,
               TDataFileProblemKind kind = TDataFileProblemKind::BadRow)
{
    if (badRows++ < kMaxListedBadRows) r.Problems.push_back({kind, line, detail});
}

}  // namespace

AnsiString FileValueFormat(const AnsiString& axisFormat)
{
    bool point = false;
    bool digits = false;
    for (char c : axisFormat) {
        if (c == '0' || c == '#') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else if (c != ',' || point) {
            return "#,##0.###";
        }
    }
    return digits ? axisFormat : AnsiString("#,##0.###");
}

AnsiString RowLabelOfPoints(const AnsiString& label0, const AnsiString& label2)
{
    return label2.empty() ? label0 : label2;
}

bool RecordedDataNeedsUtf8(const TRecordedData& data)
{
    return !FitsCp1252(data);
}

std::string BuildRecordedDataHead(const TRecordedData& data, bool utf8)
{
    const TFormatSettings& fs = data.Formats;
    TTextEncoding enc;
    enc.Utf8 = utf8;
    std::string out;
    // Prelude: nine fields.
    if (enc.Utf8) out += "\xEF\xBB\xBF";
    out += enc.Section();
    out += ';';
    AppendField(out, FormatDateTime("dd.mm.yyyy", data.WrittenAt, fs), enc);
    AppendField(out, FormatDateTime("hh:nn:ss", data.WrittenAt, fs), enc);
    AppendField(out, data.FileName, enc);
    out += ';';
    AppendField(out, data.DeviceName, enc);
    out += ";;;\r\n";

    out += "[DATA];\r\n";
    out += "Date|Time;Error;TimeStep;";
    for (const auto& c : data.Columns) AppendField(out, c.Title, enc);
    out += kCrLf;
    return out;
}

void AppendRecordedDataRows(std::string& out, const TRecordedData& data, bool utf8, std::vector<size_t>* rowStarts)
{
    const TFormatSettings& fs = data.Formats;
    TTextEncoding enc;
    enc.Utf8 = utf8;
    std::vector<TValueWriter> writers;
    writers.reserve(data.Columns.size());
    for (const auto& c : data.Columns) writers.emplace_back(c.ValueFormat, fs);
    const AnsiString timeStep = IntToStr(data.TimeStep);
    for (size_t row = 0; row < data.X.size(); ++row) {
        if (rowStarts) rowStarts->push_back(out.size());
        AppendTime(out, data.X[row], fs);
        out += ';';
        // A blank label would be a blank field, which a reader passes over: the row's
        // later fields would move up by one. "0" is what the file holds for no label.
        if (row < data.Errors.size() && !TrimView(data.Errors[row]).empty())
            AppendField(out, data.Errors[row], enc, true);
        else
            out += "0;";
        out += timeStep;
        out += ';';
        for (size_t k = 0; k < data.Columns.size(); ++k) {
            // A series with fewer points than series 0 leaves its field empty rather than
            // inventing a value.
            const auto& values = data.Columns[k].Values;
            if (row < values.size()) writers[k].Append(out, values[row]);
            out += ';';
        }
        out += kCrLf;
    }
}

std::string_view RecordedDataProtocolMarker()
{
    return "[PROTOCOL];\r\n";
}

void AppendRecordedDataProtocolLines(std::string& out, const std::vector<AnsiString>& lines, size_t from, bool utf8)
{
    TTextEncoding enc;
    enc.Utf8 = utf8;
    for (size_t i = from; i < lines.size(); ++i) AppendMemoLine(out, lines[i], false, enc);
}

std::string BuildRecordedDataSectionsAfterProtocol(const TRecordedData& data, bool utf8)
{
    TTextEncoding enc;
    enc.Utf8 = utf8;
    std::string out;
    const std::string sectionEnd = std::string(enc.Section()) + ";\r\n";
    for (const AnsiString& l : data.ProgrammerProtocol) AppendMemoLine(out, l, true, enc);
    out += sectionEnd;
    AppendSection(out, "[MEMO];", data.Memo, true, enc);
    out += sectionEnd;
    AppendSection(out, "[INFO];", data.Info, true, enc);
    out += sectionEnd;
    out += "$;\r\n";
    return out;
}

std::string BuildRecordedDataSections(const TRecordedData& data, bool utf8)
{
    std::string out(RecordedDataProtocolMarker());
    AppendRecordedDataProtocolLines(out, data.EventProtocol, 0, utf8);
    out += BuildRecordedDataSectionsAfterProtocol(data, utf8);
    return out;
}

std::string BuildRecordedDataFile(const TRecordedData& data, TRecordedDataLayout* layout)
{
    const bool utf8 = RecordedDataNeedsUtf8(data);
    std::string out = BuildRecordedDataHead(data, utf8);
    // Roughly 8 bytes per value keeps the buffer from growing many times for long files.
    out.reserve(out.size() + 4096 + data.X.size() * (24 + 8 * data.Columns.size()));
    AppendRecordedDataRows(out, data, utf8, layout ? &layout->RowStarts : nullptr);
    if (layout) {
        layout->Utf8 = utf8;
        layout->RowsEnd = out.size();
    }
    out += BuildRecordedDataSections(data, utf8);
    return out;
}

AnsiString DataFileNameForPart(const AnsiString& name, int channel, int part)
{
    AnsiString base = name;
    // Only the file's own extension counts: a ".csv" inside a folder name is left alone.
    while (EndsWithNoCase(base, ".csv.csv")) base.resize(base.size() - 4);
    AnsiString ext = ".csv";
    if (EndsWithNoCase(base, ".csv")) {
        ext = base.substr(base.size() - 4);
        base.resize(base.size() - 4);
    }
    return base + "_" + IntToStr(channel) + IntToStr(part) + ext;
}

std::uint64_t ReadBuildBudget(std::uint64_t fileBytes)
{
    return std::min(MaxReadBuildBytes, std::max(MinReadBuildBytes, ReadBuildBytesPerFileByte * fileBytes));
}

bool TRecordedDataRead::Damaged() const
{
    return !Problems.empty();
}

namespace {

// A plain decimal ("-12,345", "0,5", "7") of at most 15 digits: the digits as a whole
// number over a power of ten are both exact, so one division rounds as from_chars does.
bool ReadPlainNumber(std::string_view field, double& value)
{
    const char* p = field.data();
    const char* const end = p + field.size();
    const bool negative = *p == '-';
    if (negative || *p == '+') ++p;
    std::uint64_t digits = 0;
    const char* const first = p;
    while (p < end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + std::uint64_t(*p++ - '0');
    long count = p - first, places = 0;
    if (p < end && (*p == ',' || *p == '.')) {
        const char* const point = ++p;
        while (p < end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + std::uint64_t(*p++ - '0');
        places = p - point;
        count += places;
    }
    if (p != end || count == 0 || count > 15) return false;
    const double v = places > 0 ? double(digits) / kPow10[places] : double(digits);
    value = negative ? -v : v;
    return true;
}

// A data row as the program writes it: time, label and interval fields that are not empty,
// then a plain number (as ReadPlainNumber reads it) for every series, with or without a ";"
// after the last. The first three fields go to `head`, the numbers to row `row` of the
// columns, each converted as it is scanned. Any other row (quotes, blanks, empty or other
// fields) is false and takes the general way, which reads such a row the same.
bool ReadWrittenRow(std::string_view line, size_t columns, std::string_view* head, double* const* values, size_t row)
{
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int k = 0; k < 3; ++k) {
        const char* const start = p;
        for (; p != end && *p != ';'; ++p)
            if (*p == '"') return false;
        const std::string_view f(start, size_t(p - start));
        if (p == end || TrimView(f).empty()) return false;
        head[k] = f;
        ++p;
    }
    for (size_t c = 0; c < columns; ++c) {
        const bool negative = p != end && *p == '-';
        if (p != end && (*p == '-' || *p == '+')) ++p;
        std::uint64_t digits = 0;
        const char* const first = p;
        while (p != end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + std::uint64_t(*p++ - '0');
        long count = p - first, places = 0;
        if (p != end && (*p == ',' || *p == '.')) {
            const char* const point = ++p;
            while (p != end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + std::uint64_t(*p++ - '0');
            places = p - point;
            count += places;
        }
        if (count == 0 || count > 15 || (p != end && *p != ';')) return false;
        const double v = places > 0 ? double(digits) / kPow10[places] : double(digits);
        values[c][row] = negative ? -v : v;
        if (p != end)
            ++p;
        else if (c + 1 < columns)
            return false;
    }
    return p == end;
}

}  // namespace

bool ReadNumberField(std::string_view field, double& value)
{
    field = TrimView(field);
    if (field.empty()) return false;
    if (ReadPlainNumber(field, value)) return true;
    // The words FormatFloat writes for values that are not finite.
    if (SameText(field, "NAN")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (SameText(field, "INF") || SameText(field, "+INF") || SameText(field, "-INF")) {
        value = field[0] == '-' ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    // Values of huge magnitude are written with all their digits (over 300 characters).
    char small[64];
    std::string large;
    char* buf = small;
    if (field.size() > sizeof small) {
        large.resize(field.size());
        buf = large.data();
    }
    size_t n = 0;
    size_t i = 0;
    if (field[0] == '+') i = 1;
    for (; i < field.size(); ++i) {
        char c = field[i];
        if (c == ',')
            c = '.';
        else if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
        buf[n++] = c;
    }
    if (n == 0) return false;
    double v = 0;
    auto res = std::from_chars(buf, buf + n, v, std::chars_format::general);
    if (res.ptr != buf + n) return false;
    if (res.ec == std::errc::result_out_of_range) {
        // The largest values written with 15 digits round to just beyond the range: they
        // read as the largest value; texts far beyond it were not written by a program.
        // Magnitudes below the smallest are zero.
        long double wide = 0;
        auto w = std::from_chars(buf, buf + n, wide, std::chars_format::general);
        if (w.ec != std::errc() || w.ptr != buf + n) return false;
        const long double a = std::fabs(wide);
        if (a > 1.8e308L) return false;
        v = std::copysign(a < 1 ? 0.0 : std::numeric_limits<double>::max(), double(wide));
    } else if (res.ec != std::errc()) {
        return false;
    }
    value = v;
    return true;
}

TRecordedDataRead ParseRecordedDataFile(std::string_view bytes)
{
    TRecordedDataRead r;
    // The file is UTF-8 when it starts with a byte-order mark (the writer puts one in front
    // of every UTF-8 file) or is valid UTF-8 up to a character its end may have cut in two
    // (a write cut off); else Windows-1252. Its lines are split as they stand and each is
    // made UTF-8 when it is read: only lines with bytes beyond ASCII in a Windows-1252 file
    // need a copy (the data rows are ASCII), and line ends are the same bytes in both
    // encodings. In a UTF-8 file a line with a byte that is no UTF-8 (a half character at a
    // cut end, a raw byte an older version wrote) takes that byte as Windows-1252.
    const bool marked = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (marked) bytes.remove_prefix(3);
    const bool valid = platform::IsValidUtf8(bytes.substr(0, bytes.size() - platform::CutUtf8Tail(bytes)));
    const bool utf8 = marked || valid;
    // A write cut off inside a character left its first bytes: they are no character of
    // the file's (taken as Windows-1252 they would read as one nobody wrote).
    if (utf8) bytes.remove_suffix(platform::CutUtf8Tail(bytes));
    std::string converted;
    const auto decoded = [&](std::string_view line) -> std::string_view {
        if (platform::IsAscii(line)) return line;
        if (utf8 && platform::IsValidUtf8(line)) return line;
        converted = utf8 ? platform::Utf8WithCp1252Bytes(line) : platform::Cp1252ToUtf8(line);
        return converted;
    };
    // What the read builds is bounded before it is built: the line index and the texts it
    // copies first, then the rows, once the header has told how many values each holds.
    // Only the fields of a line that are read are kept, however many it has.
    std::uint64_t lineCount = 1;
    size_t longestLine = 0;
    for (size_t start = 0;;) {
        const size_t nl = bytes.find('\n', start);
        longestLine = std::max(longestLine, (nl == std::string_view::npos ? bytes.size() : nl) - start);
        if (nl == std::string_view::npos) break;
        ++lineCount;
        start = nl + 1;
    }
    // The labels and the section lines, each line once, and from the widest line the texts
    // taken out of it, with its copy in UTF-8 in a Windows-1252 file (up to twice its bytes,
    // while the copy of the line before goes).
    const std::uint64_t texts =
        valid ? bytes.size() + 3 * std::uint64_t(longestLine) : 2 * (bytes.size() + 4 * std::uint64_t(longestLine));
    const std::uint64_t budget = ReadBuildBudget(bytes.size());
    const auto tooMuch = [&r, budget](std::uint64_t bytesToBuild) {
        if (bytesToBuild <= budget) return false;
        r.Loaded = false;
        r.Problems.assign(1, {TDataFileProblemKind::TooManyLines, 0, {}});
        return true;
    };
    if (tooMuch(lineCount * sizeof(std::string_view) + texts)) return r;
    std::vector<std::string_view> lines = platform::SplitLineViews(bytes);
    // A file is written row by row while its recording runs: one cut off there (the program
    // or the computer stopped) ends in its data rows, its last line maybe half written.
    // That line is no row; the rows before it are the recording.
    const bool lastLineTorn = !bytes.empty() && bytes.back() != '\n';
    if (lines.empty() || decoded(lines[0]).substr(0, kSection.size()) != kSection) {
        r.Problems.push_back({TDataFileProblemKind::NotDataFile, 1, {}});
        return r;
    }
    r.Loaded = true;

    // Prelude: the storage date is its second field, the name written to its fourth, the
    // device's name its sixth.
    std::vector<std::string_view> fields;
    SplitRow(decoded(lines[0]), fields, true, 6);
    if (fields.size() > 1) r.StorageDate = FieldText(fields[1]);
    if (fields.size() > 3) r.WrittenName = FieldText(fields[3]);
    if (fields.size() > 5) r.DeviceName = FieldText(fields[5]);

    // Header: after the prelude and "[DATA];", passing over up to two empty lines.
    std::vector<AnsiString> header(30);
    const char* defaults[] = {"AIF_Out1", "AIF_Out2", "AIF_Out3", "Poko", "FGB", "Drehzahl", "Druck", "A", "B"};
    for (int k = 0; k < 9; ++k) header[size_t(18 + k)] = defaults[k];
    size_t lineNo = 2;
    while (lineNo < lines.size() && lineNo < 4 && TrimView(lines[lineNo]).empty()) ++lineNo;
    int columnsInFile = 0;
    const bool hasHeader = lineNo < lines.size();
    if (hasHeader) {
        bool lastBlank = false;
        size_t count = SplitRow(decoded(lines[lineNo]), fields, true, header.size(), &lastBlank);
        if (lastBlank) fields.resize(std::min(fields.size(), --count));
        for (size_t k = 0; k < fields.size(); ++k) header[k] = FieldText(fields[k]);
        columnsInFile = int(std::max<size_t>(count, 3) - 3);
        ++lineNo;
    }
    r.SeriesTitles.assign(header.begin() + 3, header.begin() + 3 + DataFileValueSeries);
    r.SeriesColumns = std::min(columnsInFile, DataFileMaxSeriesColumns);
    if (columnsInFile > DataFileMaxSeriesColumns)
        r.Problems.push_back({TDataFileProblemKind::ExtraColumns, int(lineNo), IntToStr(columnsInFile)});
    // Line ends, blanks and the markers below are the same bytes in both encodings; "§" is
    // one byte in Windows-1252.
    const auto beginsSection = [utf8](std::string_view l) {
        return l[0] == '[' || l[0] == '$' ||
               (utf8 ? l.substr(0, kSection.size()) == kSection : static_cast<unsigned char>(l[0]) == 0xA7);
    };
    // Each column has room for a value in every line that may be a row, up to the first that
    // begins a section; the values of a row go in at once, and the columns are cut to the
    // rows read at the end. Each line after them may be a line of a section.
    r.Y.resize(size_t(r.SeriesColumns));
    size_t rowsEnd = std::min(lineNo, lines.size());
    for (; rowsEnd < lines.size(); ++rowsEnd) {
        const std::string_view l = TrimView(lines[rowsEnd]);
        if (!l.empty() && beginsSection(l)) break;
    }
    const size_t rowsAtMost = rowsEnd - std::min(rowsEnd, lineNo);
    const std::uint64_t rowBytes =
        sizeof(double) + sizeof(AnsiString) + sizeof(double) * std::uint64_t(r.SeriesColumns);
    // A section's list of lines grows by doubling: three texts' room a line at the most.
    const std::uint64_t sectionBytes = (lines.size() - rowsEnd) * 3 * sizeof(AnsiString);
    if (tooMuch(lineCount * sizeof(std::string_view) + texts + rowsAtMost * rowBytes + sectionBytes)) {
        r.SeriesTitles.clear();
        r.Y.clear();
        return r;
    }
    r.X.reserve(rowsAtMost);
    r.Labels.reserve(rowsAtMost);
    std::vector<double*> values;
    for (auto& y : r.Y) {
        y.resize(rowsAtMost);
        values.push_back(y.data());
    }

    // Data rows, up to the first line that begins a section or ends the file.
    const size_t columns = size_t(r.SeriesColumns);
    const double missing = std::numeric_limits<double>::quiet_NaN();
    int badRows = 0;
    const size_t dataLinesEnd = lines.size() - (lastLineTorn && lineNo < lines.size() ? 1 : 0);
    std::string_view head[3];
    bool gaps = false;  // a value is NaN (only rows read the general way can have one)
    for (; lineNo < dataLinesEnd; ++lineNo) {
        const std::string_view raw = TrimView(lines[lineNo]);
        if (raw.empty()) continue;
        if (beginsSection(raw)) break;
        const int fileLine = int(lineNo) + 1;
        const size_t row = r.X.size();
        // A row as the program writes it is read as it stands: its values are digits, and
        // only its first fields (the label) might need decoding.
        const auto asItStands = [utf8](std::string_view f) {
            return platform::IsAscii(f) || (utf8 && platform::IsValidUtf8(f));
        };
        const bool written = ReadWrittenRow(raw, columns, head, values.data(), row) && asItStands(head[0]) &&
                             asItStands(head[1]) && asItStands(head[2]);
        // The writer leaves the field of a series without a value empty, so a row with all
        // its fields is read by position and an empty field is no value for that series
        // alone. A row with fields missing or added passes over empty fields instead, each
        // taking the next one in its place.
        bool byPosition = written;
        size_t headFields = 3;
        if (!written) {
            const std::string_view line = TrimView(decoded(lines[lineNo]));
            bool lastBlank = false;
            size_t count = SplitRow(line, fields, true, 3 + columns + 1, &lastBlank);
            if (lastBlank) fields.resize(std::min(fields.size(), --count));
            byPosition = count == 3 + columns && !TrimView(fields[0]).empty() && !TrimView(fields[1]).empty() &&
                         !TrimView(fields[2]).empty();
            if (!byPosition) count = SplitRow(line, fields, false, 3 + columns);
            if (count == 0) {
                AddBadRow(r, badRows, fileLine, {});
                continue;
            }
            headFields = std::min<size_t>(fields.size(), 3);
            for (size_t k = 0; k < headFields; ++k) head[k] = fields[k];
        }
        double x = 0;
        double step = 0;
        if (!ReadNumberField(head[0], x)) {
            AddBadRow(r, badRows, fileLine, AnsiString(head[0].substr(0, 40)));
            continue;
        }
        if (!(x >= kFirstSerial && x < kEndSerial)) {
            AddBadRow(r, badRows, fileLine, AnsiString(TrimView(head[0]).substr(0, 40)), TDataFileProblemKind::BadTime);
            continue;
        }
        // The interval is whole seconds: a value without a number is no interval.
        if (headFields < 3 || !ReadNumberField(head[2], step) || !std::isfinite(step)) {
            AddBadRow(r, badRows, fileLine, headFields < 3 ? AnsiString() : AnsiString(head[2].substr(0, 40)));
            continue;
        }
        r.X.push_back(x);
        // A written row's label has no quotes to take off. A label in quotes is taken as it
        // stands, its blanks and a number that would mean a mark included.
        AnsiString quoted;
        if (!written && QuotedField(head[1], quoted)) {
            r.LiteralLabels.push_back(row);
            r.Labels.push_back(std::move(quoted));
        } else {
            r.Labels.emplace_back(TrimView(head[1]));
        }
        // A sampling interval is 1 to 60 seconds; any other keeps the previous one, so the
        // time axis never gets a zero or negative increment.
        const double wholeStep = std::trunc(step);
        if (wholeStep >= 1 && wholeStep <= 60) {
            r.LastTimeStep = int(wholeStep);
            r.HasTimeStep = true;
        } else if (r.RejectedTimeStepCount++ < kMaxListedBadRows) {
            r.RejectedTimeSteps.emplace_back(fileLine, AnsiString(TrimView(head[2]).substr(0, 40)));
        }
        if (written) continue;
        // Values up to the first one that is missing or not a number; the rest of such a
        // row stays empty, as do its later series.
        bool rowOk = fields.size() >= 3 + columns;
        size_t c = 0;
        for (; c < columns && 3 + c < fields.size(); ++c) {
            if (byPosition && TrimView(fields[3 + c]).empty()) {
                values[c][row] = missing;
                continue;
            }
            if (!ReadNumberField(fields[3 + c], values[c][row])) {
                rowOk = false;
                break;
            }
        }
        for (; c < columns; ++c) values[c][row] = missing;
        if (!rowOk) AddBadRow(r, badRows, fileLine, {});
        for (c = 0; c < columns; ++c) gaps = gaps || std::isnan(values[c][row]);
    }
    for (auto& y : r.Y) y.resize(r.X.size());
    r.EveryValuePresent = !gaps;
    if (badRows > kMaxListedBadRows) r.Problems.push_back({TDataFileProblemKind::BadRow, 0, IntToStr(badRows)});
    // A file that ends after sound rows is a recording cut short: what it holds is read.
    const bool endsInData = hasHeader && lineNo >= dataLinesEnd && badRows == 0;
    if (hasHeader && lineNo >= dataLinesEnd) lineNo = lines.size();

    // Sections, found by their markers, so that damage in the data cannot shift them.
    enum { None, Protocol, Memo, Info } section = None;
    bool complete = false;
    for (; lineNo < lines.size() && !complete; ++lineNo) {
        std::string_view raw = decoded(lines[lineNo]);
        if (IsMarker(raw, "[PROTOCOL]")) {
            section = Protocol;
            continue;
        }
        if (IsMarker(raw, "[MEMO]")) {
            section = Memo;
            continue;
        }
        if (IsMarker(raw, "[INFO]")) {
            section = Info;
            continue;
        }
        AnsiString line;
        if (!QuotedLine(raw, line)) {
            const AnsiString bare = WithoutSemicolons(raw);
            const std::string_view trimmed = TrimView(bare);
            if (trimmed == kSection) {
                section = None;
                continue;
            }
            if (trimmed == "$" && section == None) {
                complete = true;
                continue;
            }
            // Every line the writer writes ends with ";": a line without anything is no line
            // of a section, ";" alone an empty one. Only that last ";" is the separator.
            if (TrimView(raw).empty()) continue;
            line = AnsiString(raw.substr(0, raw.size() - (raw.back() == ';' ? 1 : 0)));
            if (line == "(null)") line.clear();
        }
        switch (section) {
            case Protocol: r.EventProtocol.push_back(std::move(line)); break;
            case Memo: r.Memo.push_back(std::move(line)); break;
            case Info: r.Info.push_back(std::move(line)); break;
            case None: break;
        }
    }
    // The program writes a file's sections and its end behind its rows at every write: a file
    // with sound rows that ends before "$;", in its rows or in its sections, was cut short.
    if (!complete && hasHeader && badRows == 0)
        r.Problems.push_back({TDataFileProblemKind::CutShort, endsInData ? 0 : int(lines.size()), {}});
    else if (!complete)
        r.Problems.push_back({TDataFileProblemKind::MissingSections, 0, {}});
    return r;
}

namespace {

TRecordedDataRead ReadAndParse(const std::string& path)
{
    std::string bytes;
    std::string error;
    platform::TFileReadError why = platform::TFileReadError::None;
    platform::TPendingWriteState pending = platform::TPendingWriteState::None;
    if (!platform::ReadGrowingFile(path, MaxRecordedDataFileBytes, bytes, &error, &why, &pending)) {
        TRecordedDataRead r;
        const TDataFileProblemKind kind =
            why == platform::TFileReadError::NotRegularFile ? TDataFileProblemKind::NotRegularFile
            : why == platform::TFileReadError::TooLarge     ? TDataFileProblemKind::TooLarge
                                                            : TDataFileProblemKind::CannotOpen;
        r.Problems.push_back(
            {kind, 0, kind == TDataFileProblemKind::CannotOpen ? AnsiString(error) : AnsiString(path)});
        return r;
    }
    TRecordedDataRead r = ParseRecordedDataFile(bytes);
    // A file refused as a whole is named in the message.
    if (!r.Loaded && !r.Problems.empty() &&
        (r.Problems.front().Kind == TDataFileProblemKind::TooManyLines ||
         r.Problems.front().Kind == TDataFileProblemKind::NotDataFile))
        r.Problems.front().Detail = path;
    const AnsiString sideFile = path + std::string(platform::PendingWriteSuffix);
    // A file moved without its side file: the end of its last write may wait in the
    // folder it was moved from, under the name the file was written to there.
    const AnsiString written =
        (r.WrittenName.empty() ? AnsiString(path) : r.WrittenName) + std::string(platform::PendingWriteSuffix);
    const size_t slash = written.rfind('/');
    for (TDataFileProblem& p : r.Problems)
        if (p.Kind == TDataFileProblemKind::CutShort)
            p.Detail = slash == AnsiString::npos ? written : written.substr(slash + 1);
    if (pending == platform::TPendingWriteState::Applied) r.CompletedFrom = sideFile;
    if (pending == platform::TPendingWriteState::Waiting)
        r.Problems.push_back({TDataFileProblemKind::PendingWriteWaits, 0, sideFile});
    return r;
}

}  // namespace

TRecordedDataRead OpenRecordedDataFile(const std::string& path)
{
    TRecordedDataRead r = ReadRecordedDataFile(path);
    if (!r.CompletedFrom.empty()) r.CompletedOnDisk = platform::FinishCutWrite(path);
    return r;
}

TRecordedDataRead ReadRecordedDataFile(const std::string& path)
{
    // A file that needs more memory than there is is refused like one that is too large;
    // the program and its recordings go on.
    try {
        return ReadAndParse(path);
    } catch (const std::bad_alloc&) {
        TRecordedDataRead r;
        r.Problems.push_back({TDataFileProblemKind::OutOfMemory, 0, AnsiString(path)});
        return r;
    }
}
