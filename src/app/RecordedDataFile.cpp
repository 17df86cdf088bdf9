#include "app/RecordedDataFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/TextCodec.h"

namespace {

constexpr std::string_view kSection = "\xC2\xA7";  // "§" in UTF-8
constexpr std::string_view kCrLf = "\r\n";
constexpr int kMaxListedBadRows = 10;

// A text that goes into one field: a ";" would split it and a line end would break the
// row, so both are replaced; everything else is kept as it stands.
void AppendField(std::string& out, std::string_view utf8)
{
    std::string bytes = platform::Utf8ToCp1252(utf8);
    for (char& c : bytes) {
        if (c == ';')
            c = ',';
        else if (c == '\r' || c == '\n')
            c = ' ';
    }
    out += bytes;
    out += ';';
}

// A memo line; one that holds line ends is written as the lines it holds.
void AppendMemoLine(std::string& out, std::string_view utf8, bool emptyAsNull)
{
    size_t start = 0;
    while (true) {
        size_t end = utf8.find_first_of("\r\n", start);
        std::string_view part =
            utf8.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty() && emptyAsNull)
            out += "(null)";
        else
            out += platform::Utf8ToCp1252(part);
        out += ";\r\n";
        if (end == std::string_view::npos) break;
        start = end + 1;
        if (utf8[end] == '\r' && start < utf8.size() && utf8[start] == '\n') ++start;
    }
}

void AppendSection(std::string& out, std::string_view marker, const std::vector<AnsiString>& lines, bool emptyAsNull)
{
    out += marker;
    out += kCrLf;
    for (const AnsiString& l : lines) AppendMemoLine(out, l, emptyAsNull);
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && SameText(s.substr(s.size() - suffix.size()), suffix);
}

std::string_view TrimView(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
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

// Splits a data row at ";" into its non-empty fields (empty fields are passed over, so
// ";;" takes the next field in its place).
void SplitRow(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(';', start);
        if (end == std::string_view::npos) end = line.size();
        std::string_view f = line.substr(start, end - start);
        if (!TrimView(f).empty()) fields.push_back(f);
        start = end + 1;
    }
}

// Lines of a decoded text as views, split at LF with one CR before it dropped.
std::vector<std::string_view> LineViews(std::string_view text)
{
    std::vector<std::string_view> lines;
    lines.reserve(text.size() / 64 + 4);
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        size_t e = end;
        if (e > start && text[e - 1] == '\r') --e;
        lines.push_back(text.substr(start, e - start));
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return lines;
}

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
        // 17 significant digits, then rounded half away from zero at the last place kept.
        char digits[48];
        int count = 1;
        int exponent = 1;
        const double a = std::fabs(value);
        if (a == 0.0) {
            digits[0] = '0';
        } else {
            char sci[40];
            auto r = std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific, 16);
            count = 0;
            const char* p = sci;
            for (; p < r.ptr && *p != 'e'; ++p)
                if (*p != '.') digits[count++] = *p;
            int exp10 = 0;
            ++p;
            if (p < r.ptr && *p == '+') ++p;
            std::from_chars(p, r.ptr, exp10);
            exponent = exp10 + 1;
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
    AnsiString FFormat;
    const TFormatSettings& FFs;
    bool FSimple = false;
    bool FThousands = false;
    int FIntMin = 0;
    int FFracMin = 0;
    int FFracMax = 0;
};

void AddBadRow(TRecordedDataRead& r, int& badRows, int line, const AnsiString& detail)
{
    if (badRows++ < kMaxListedBadRows) r.Problems.push_back({TDataFileProblemKind::BadRow, line, detail});
}

}  // namespace

AnsiString ErrorColumnText(const AnsiString& label0, const AnsiString& label2)
{
    if (!label2.empty()) return label2;
    if (!label0.empty()) return label0;
    return "0";
}

std::string BuildRecordedDataFile(const TRecordedData& data)
{
    const TFormatSettings& fs = data.Formats;
    std::string out;
    // Roughly 8 bytes per value keeps the buffer from growing many times for long files.
    out.reserve(4096 + data.X.size() * (24 + 8 * data.Columns.size()));

    // Prelude: nine fields.
    out += '\xA7';
    out += ';';
    AppendField(out, FormatDateTime("dd.mm.yyyy", data.WrittenAt, fs));
    AppendField(out, FormatDateTime("hh:nn:ss", data.WrittenAt, fs));
    AppendField(out, data.FileName);
    out += ';';
    AppendField(out, data.DeviceName);
    out += ";;;\r\n";

    out += "[DATA];\r\n";
    out += "Date|Time;Error;TimeStep;";
    for (const auto& c : data.Columns) AppendField(out, c.Title);
    out += kCrLf;

    std::vector<TValueWriter> writers;
    writers.reserve(data.Columns.size());
    for (const auto& c : data.Columns) writers.emplace_back(c.ValueFormat, fs);
    const AnsiString timeStep = IntToStr(data.TimeStep);
    for (size_t row = 0; row < data.X.size(); ++row) {
        out += FloatToStr(data.X[row], fs);
        out += ';';
        if (row < data.Errors.size())
            AppendField(out, data.Errors[row]);
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

    AppendSection(out, "[PROTOCOL];", data.EventProtocol, false);
    for (const AnsiString& l : data.ProgrammerProtocol) AppendMemoLine(out, l, true);
    out += "\xA7;\r\n";
    AppendSection(out, "[MEMO];", data.Memo, true);
    out += "\xA7;\r\n";
    AppendSection(out, "[INFO];", data.Info, true);
    out += "\xA7;\r\n";
    out += "$;\r\n";
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

bool TRecordedDataRead::Damaged() const
{
    return !Problems.empty();
}

bool ReadNumberField(std::string_view field, double& value)
{
    field = TrimView(field);
    if (field.empty() || field.size() > 64) return false;
    char buf[65];
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
    if (res.ec != std::errc() || res.ptr != buf + n || !std::isfinite(v)) return false;
    value = v;
    return true;
}

TRecordedDataRead ParseRecordedDataFile(std::string_view bytes)
{
    TRecordedDataRead r;
    const AnsiString text = platform::DecodeText(bytes);
    if (text.compare(0, kSection.size(), kSection) != 0) {
        r.Problems.push_back({TDataFileProblemKind::NotDataFile, 1, {}});
        return r;
    }
    r.Loaded = true;
    const std::vector<std::string_view> lines = LineViews(text);

    // Prelude: the storage date is its second field.
    {
        std::string_view prelude = lines[0];
        size_t a = prelude.find(';');
        if (a != std::string_view::npos) {
            size_t b = prelude.find(';', a + 1);
            r.StorageDate =
                AnsiString(prelude.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1));
        }
    }

    // Header: after the prelude and "[DATA];", passing over up to two empty lines.
    std::vector<AnsiString> header(30);
    const char* defaults[] = {"AIF_Out1", "AIF_Out2", "AIF_Out3", "Poko", "FGB", "Drehzahl", "Druck", "A", "B"};
    for (int k = 0; k < 9; ++k) header[size_t(18 + k)] = defaults[k];
    size_t lineNo = 2;
    while (lineNo < lines.size() && lineNo < 4 && TrimView(lines[lineNo]).empty()) ++lineNo;
    int columnsInFile = 0;
    if (lineNo < lines.size()) {
        std::vector<AnsiString> fields = SplitString(lines[lineNo], ';');
        if (!fields.empty() && TrimView(fields.back()).empty()) fields.pop_back();
        for (size_t k = 0; k < fields.size() && k < header.size(); ++k) header[k] = fields[k];
        columnsInFile = std::max(0, int(fields.size()) - 3);
        ++lineNo;
    }
    r.SeriesTitles.assign(header.begin() + 3, header.begin() + 3 + DataFileValueSeries);
    r.SeriesColumns = std::min(columnsInFile, DataFileMaxSeriesColumns);
    if (columnsInFile > DataFileMaxSeriesColumns)
        r.Problems.push_back({TDataFileProblemKind::ExtraColumns, int(lineNo), IntToStr(columnsInFile)});
    r.Y.resize(size_t(r.SeriesColumns));

    // Data rows, up to the first line that begins a section or ends the file.
    const size_t columns = size_t(r.SeriesColumns);
    const double missing = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::string_view> fields;
    int badRows = 0;
    for (; lineNo < lines.size(); ++lineNo) {
        std::string_view line = TrimView(lines[lineNo]);
        if (line.empty()) continue;
        if (line[0] == '[' || line[0] == '$' || line.substr(0, kSection.size()) == kSection) break;
        const int fileLine = int(lineNo) + 1;
        SplitRow(line, fields);
        if (fields.empty()) {
            AddBadRow(r, badRows, fileLine, {});
            continue;
        }
        double x = 0;
        double step = 0;
        if (!ReadNumberField(fields[0], x)) {
            AddBadRow(r, badRows, fileLine, AnsiString(fields[0].substr(0, 40)));
            continue;
        }
        if (fields.size() < 3 || !ReadNumberField(fields[2], step)) {
            AddBadRow(r, badRows, fileLine, fields.size() < 3 ? AnsiString() : AnsiString(fields[2].substr(0, 40)));
            continue;
        }
        r.X.push_back(x);
        r.Labels.emplace_back(TrimView(fields[1]));
        r.LastTimeStep = static_cast<int>(std::clamp(step, -2147483648.0, 2147483647.0));
        r.HasTimeStep = true;
        // Values up to the first one that is missing or not a number; the rest of such a
        // row stays empty, as do its later series.
        bool rowOk = fields.size() >= 3 + columns;
        size_t c = 0;
        for (; c < columns && 3 + c < fields.size(); ++c) {
            double y;
            if (!ReadNumberField(fields[3 + c], y)) {
                rowOk = false;
                break;
            }
            r.Y[c].push_back(y);
        }
        for (; c < columns; ++c) r.Y[c].push_back(missing);
        if (!rowOk) AddBadRow(r, badRows, fileLine, {});
    }
    if (badRows > kMaxListedBadRows) r.Problems.push_back({TDataFileProblemKind::BadRow, 0, IntToStr(badRows)});

    // Sections, found by their markers, so that damage in the data cannot shift them.
    enum { None, Protocol, Memo, Info } section = None;
    bool complete = false;
    for (; lineNo < lines.size() && !complete; ++lineNo) {
        std::string_view raw = lines[lineNo];
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
        AnsiString line = WithoutSemicolons(raw);
        const std::string_view trimmed = TrimView(line);
        if (trimmed == kSection) {
            section = None;
            continue;
        }
        if (trimmed == "$" && section == None) {
            complete = true;
            continue;
        }
        if (trimmed.empty()) continue;
        switch (section) {
            case Protocol: r.EventProtocol.push_back(std::move(line)); break;
            case Memo: r.Memo.push_back(line == "(null)" ? AnsiString() : std::move(line)); break;
            case Info: r.Info.push_back(std::move(line)); break;
            case None: break;
        }
    }
    if (!complete) r.Problems.push_back({TDataFileProblemKind::MissingSections, 0, {}});
    return r;
}

TRecordedDataRead ReadRecordedDataFile(const std::string& path)
{
    std::string bytes;
    std::string error;
    if (!platform::ReadFileBytes(path, bytes, &error)) {
        TRecordedDataRead r;
        r.Problems.push_back({TDataFileProblemKind::CannotOpen, 0, error});
        return r;
    }
    return ParseRecordedDataFile(bytes);
}
