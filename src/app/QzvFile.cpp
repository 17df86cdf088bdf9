#include "app/QzvFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "app/RecordedDataFile.h"
#include "platform/TextCodec.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A decimal integer as scanf's %d reads it: optional sign, then digits.
bool ScanInt(std::string_view s, size_t& pos, long long& value)
{
    size_t p = pos;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
    size_t digits = p;
    long long v = 0;
    while (p < s.size() && IsDigit(s[p])) {
        if (v < 100000000000000LL) v = v * 10 + (s[p] - '0');
        ++p;
    }
    if (p == digits) return false;
    value = negative ? -v : v;
    pos = p;
    return true;
}

bool ScanLiteral(std::string_view s, size_t& pos, char c)
{
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// "%d<sep>%d<sep>%d" with all three numbers.
bool ScanThree(std::string_view s, char sep)
{
    size_t p = 0;
    long long a, b, c;
    return ScanInt(s, p, a) && ScanLiteral(s, p, sep) && ScanInt(s, p, b) && ScanLiteral(s, p, sep) && ScanInt(s, p, c);
}

// The parts of `s` between the separators that are not empty, the first `keep` of them in
// `parts` (a line may hold millions); returns how many there are in all.
size_t SplitOn(std::string_view s, char sep, std::vector<std::string_view>& parts, size_t keep)
{
    parts.clear();
    size_t count = 0;
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find(sep, start);
        if (end == std::string_view::npos) end = s.size();
        if (end > start && count++ < keep) parts.push_back(s.substr(start, end - start));
        start = end + 1;
    }
    return count;
}

AnsiString FirstWord(std::string_view field)
{
    size_t b = 0;
    while (b < field.size() && field[b] == ' ') ++b;
    size_t e = b;
    while (e < field.size() && field[e] != ' ') ++e;
    return AnsiString(field.substr(b, e - b));
}

}  // namespace

bool TQzvFile::Open(const std::string& path, std::string* error, platform::TFileReadError* why)
{
    std::string bytes;
    if (!platform::ReadRegularFile(path, MaxRecordedDataFileBytes, bytes, error, why)) return false;
    SetText(bytes);
    return true;
}

void TQzvFile::SetText(std::string_view bytes)
{
    FText = platform::DecodeText(bytes);
    FPosition = 0;
}

bool TQzvFile::ReadLine(AnsiString& line)
{
    // Lines as SplitLines makes them: one CR before the LF is dropped, a last line
    // without an end is kept.
    if (FPosition >= FText.size()) return false;
    const std::size_t nl = FText.find('\n', FPosition);
    const std::size_t end = nl == AnsiString::npos ? FText.size() : nl;
    const std::size_t e = end > FPosition && FText[end - 1] == '\r' ? end - 1 : end;
    line.assign(FText, FPosition, e - FPosition);
    FPosition = nl == AnsiString::npos ? FText.size() : nl + 1;
    return true;
}

std::size_t TQzvFile::LinesLeft() const
{
    if (FPosition >= FText.size()) return 0;
    const auto from = FText.begin() + std::ptrdiff_t(FPosition);
    return std::size_t(std::count(from, FText.end(), '\n')) + (FText.back() == '\n' ? 0 : 1);
}

std::size_t TQzvFile::LongestLineLeft() const
{
    std::size_t longest = 0;
    for (std::size_t start = FPosition; start < FText.size();) {
        const std::size_t nl = FText.find('\n', start);
        const std::size_t end = nl == AnsiString::npos ? FText.size() : nl;
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

std::vector<TQzvHeaderItem> ClassifyQzvHeader(const AnsiString& line)
{
    std::vector<TQzvHeaderItem> items;
    bool dateSeen = false;
    std::vector<std::string_view> parts;
    SplitOn(line, ' ', parts, 100);
    for (std::string_view item : parts) {
        // Tabs and line ends are not separators of the header but never belong to an item.
        while (!item.empty() && (item.back() == '\r' || item.back() == '\n' || item.back() == '\t'))
            item.remove_suffix(1);
        if (item.empty()) continue;
        if (item.size() >= 4 && item[1] == ':' && item[2] == '\\') {
            items.push_back({TQzvItemKind::PreviousPath, AnsiString(item)});
            continue;
        }
        const char first = item[0];
        if (IsDigit(first)) {
            size_t p = 0;
            long long day, year;
            if (ScanThree(item, '.') || ScanThree(item, '-')) {
                items.push_back({TQzvItemKind::Date, AnsiString(item)});
                dateSeen = true;
            } else if (ScanInt(item, p, day) && ScanLiteral(item, p, '/') && p + 3 < item.size() &&
                       item[p + 3] == '/' && [&] {
                           size_t q = p + 4;
                           return ScanInt(item, q, year);
                       }()) {
                const std::string_view month = item.substr(p, 3);
                items.push_back({TQzvItemKind::Date, IntToStr(day) + " " + AnsiString(month) + " " + IntToStr(year)});
                dateSeen = true;
            } else if (p = 0, [&] {
                           long long h, m;
                           return ScanInt(item, p, h) && ScanLiteral(item, p, ':') && ScanInt(item, p, m);
                       }()) {
                items.push_back({TQzvItemKind::Time, AnsiString(item)});
                dateSeen = true;
            } else {
                items.push_back({dateSeen ? TQzvItemKind::Comment : TQzvItemKind::TestData, AnsiString(item)});
            }
        } else if (IsLetter(first)) {
            items.push_back({dateSeen ? TQzvItemKind::Comment : TQzvItemKind::TestData, AnsiString(item)});
        }
    }
    return items;
}

std::vector<AnsiString> ReadQzvColumnNames(const AnsiString& line, std::size_t* count)
{
    std::vector<std::string_view> fields;
    const std::size_t all = SplitOn(line, '\t', fields, std::size_t(QzvFaultyFieldCount));
    if (count) *count = all;
    std::vector<AnsiString> names;
    for (std::string_view field : fields) names.push_back(FirstWord(field));
    return names;
}

bool IsKnownQzvColumnCount(int columns)
{
    return columns == 15 || columns == 16 || columns == 20 || columns == 23 || columns == 24;
}

bool QzvNumber(std::string_view field, double& value)
{
    int separators = 0;
    for (char c : field)
        if (c == '.' || c == ',') ++separators;
    // Other recorders write no words for values that are not finite: such a field is text.
    double v = 0;
    if (separators > 1 || !ReadNumberField(field, v) || !std::isfinite(v)) return false;
    value = v;
    return true;
}

TQzvRows ReadQzvRows(TQzvFile& file, int valueColumns)
{
    TQzvRows rows;
    if (valueColumns < 0) valueColumns = 0;
    const std::size_t rowsAtMost = file.LinesLeft();
    // A line is copied before it is read; only the fields that are read are kept.
    const std::uint64_t build =
        std::uint64_t(rowsAtMost) * sizeof(double) * std::uint64_t(1 + valueColumns) + file.LongestLineLeft();
    if (build > ReadBuildBudget(file.Size())) {
        rows.TooMany = true;
        return rows;
    }
    rows.X.reserve(rowsAtMost);
    rows.Y.resize(size_t(valueColumns));
    for (auto& y : rows.Y) y.reserve(rowsAtMost);
    const double missing = std::numeric_limits<double>::quiet_NaN();
    AnsiString line;
    std::vector<std::string_view> fields;
    while (file.ReadLine(line)) {
        SplitOn(line, '\t', fields, size_t(valueColumns) + 1);
        double x = 0;
        if (!fields.empty() && !QzvNumber(fields[0], x)) break;
        if (fields.empty() && line.empty()) break;  // an empty line ends the data
        rows.X.push_back(x);
        bool rowEnded = false;
        for (int k = 0; k < valueColumns; ++k) {
            double v = 0;
            const size_t f = size_t(k) + 1;
            if (!rowEnded && f < fields.size() && !QzvNumber(fields[f], v)) rowEnded = true;
            if (rowEnded) {
                rows.Y[size_t(k)].push_back(missing);
                continue;
            }
            if (k == 9)
                v -= 100;
            else if (k == 10)
                v *= 0.1;
            rows.Y[size_t(k)].push_back(v);
        }
    }
    return rows;
}
