#include "programmer/CProgramFile.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "app/CLanguage.h"
#include "comm/ChannelServices.h"
#include "platform/FormatSettings.h"
#include "platform/TextCodec.h"
#include "programmer/CProgrammer.h"
#include "resources/TextRows.h"

namespace programfile {

namespace {

using namespace resources;

const char* const SectionMark = "§";

// The fields of a line; the empty field behind the final ';' is dropped.
std::vector<AnsiString> Fields(const AnsiString& line)
{
    std::vector<AnsiString> f = SplitString(line, ';');
    if (f.size() > 1 && Trim(f.back()).empty()) f.pop_back();
    return f;
}

bool ParseInt(const AnsiString& field, int& value)
{
    const AnsiString t = Trim(field);
    if (t.empty()) return false;
    size_t digits = (t[0] == '-') ? 1 : 0;
    if (digits == t.size()) return false;
    for (size_t i = digits; i < t.size(); ++i)
        if (t[i] < '0' || t[i] > '9') return false;
    int v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size()) return false;
    value = v;
    return true;
}

// Names are one field of a line: a ';' or a line break inside one would split the line.
AnsiString FieldText(const AnsiString& s)
{
    AnsiString out = s;
    for (char& c : out) {
        if (c == ';')
            c = ',';
        else if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    return out;
}

// The recorded path stands in the prelude as it is, ';' included (the header is found from
// the line's end), but a line break in a folder's name would split the prelude.
AnsiString PreludePath(const AnsiString& s)
{
    AnsiString out = s;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return out;
}

class Parser {
public:
    Parser(const std::vector<AnsiString>& lines, AnsiString* error) : lines_(lines), error_(error)
    {
        // Blank lines at the end (an editor's extra line break) carry nothing.
        count_ = lines_.size();
        while (count_ > 0 && Trim(lines_[count_ - 1]).empty()) --count_;
    }

    bool Run(TProgramFile& out)
    {
        TProgramFile p;
        if (!Prelude() || !Section("[INIT]") || !Settings(p.Settings) || !Section("[DATA]")) return false;
        while (true) {
            if (line_ >= count_) return Fail(RowProgramFileEndsEarly);
            const std::vector<AnsiString> f = Fields(lines_[line_]);
            if (Trim(f[0]) == SectionMark) break;
            if (int(p.Segments.size()) >= CProgrammer::MaxSegments)
                return Fail(RowProgramFileTooManySegments, {IntToStr(CProgrammer::MaxSegments)});
            TProgramFileSegment seg;
            if (!Segment(f, seg)) return false;
            p.Segments.push_back(std::move(seg));
            ++line_;
        }
        if (!Mark(SectionMark) || !Mark("$")) return false;
        if (line_ < count_) return Fail(RowProgramFileTextAfterEnd);
        out = std::move(p);
        return true;
    }

private:
    // The line and the reason, in the window's language.
    bool Fail(TextRow reason, std::initializer_list<AnsiString> fields = {})
    {
        if (error_)
            *error_ = FillTextFields(CurrentText(RowProgramFileLine),
                                     {IntToStr(int64_t(line_ + 1)), FillTextFields(CurrentText(reason), fields)});
        return false;
    }

    bool Prelude()
    {
        if (line_ >= count_) return Fail(RowProgramFileEmpty);
        // The recorded path may itself hold ';', so the header is found from the end.
        std::vector<AnsiString> f = SplitString(lines_[line_], ';');
        if (!f.empty() && Trim(f.back()).empty()) f.pop_back();
        if (f.size() < 5 || Trim(f.front()) != SectionMark || Trim(f.back()) != Header)
            return Fail(RowProgramFileNoHeader, {Header});
        ++line_;
        return true;
    }

    bool Section(const char* name)
    {
        if (line_ >= count_) return Fail(RowProgramFileMissingSection, {name});
        const std::vector<AnsiString> f = Fields(lines_[line_]);
        if (f.size() != 1 || Trim(f[0]) != name) return Fail(RowProgramFileExpectedSection, {name});
        ++line_;
        return true;
    }

    bool Mark(const char* mark)
    {
        if (line_ >= count_) return Fail(RowProgramFileMissingEndMark, {mark});
        const std::vector<AnsiString> f = Fields(lines_[line_]);
        if (f.size() != 1 || Trim(f[0]) != mark) return Fail(RowProgramFileExpectedEndMark, {mark});
        ++line_;
        return true;
    }

    bool Choice(const AnsiString& field, int max, int& value, TextRow what)
    {
        if (!ParseInt(field, value) || value < 0 || value > max)
            return Fail(RowProgramFileChoiceOutside, {CurrentText(what), field, IntToStr(max)});
        return true;
    }

    bool Settings(TProgramFileSettings& s)
    {
        if (line_ >= count_) return Fail(RowProgramFileNoSettings);
        const std::vector<AnsiString> f = Fields(lines_[line_]);
        if (f.size() != 5) return Fail(RowProgramFileSettingsFields, {IntToStr(int64_t(f.size()))});
        if (!Choice(f[0], 1, s.RepeatMode, RowProgramFileRepeatMode) ||
            !Choice(f[1], 1, s.EndAction, RowProgramFileEndAction))
            return false;
        if (!ValidStartTemperature(f[2]))
            return Fail(RowProgramFileStartTemperature,
                        {f[2], SetpointToText(MinSetpoint), SetpointToText(MaxSetpoint)});
        s.StartTemperature = Trim(f[2]);
        if (!Choice(f[3], 1, s.StirrerUsed, RowProgramFileStirrerChoice) ||
            !Choice(f[4], 1, s.ContactUsed, RowProgramFileContactChoice))
            return false;
        ++line_;
        return true;
    }

    bool Segment(const std::vector<AnsiString>& f, TProgramFileSegment& seg)
    {
        if (f.size() != 9) return Fail(RowProgramFileSegmentFields, {IntToStr(int64_t(f.size()))});
        int number = 0;
        if (!ParseInt(f[0], number)) return Fail(RowProgramFileSegmentNumber, {f[0]});
        seg.Name = f[1];
        if (!ParseInt(f[2], seg.Duration) || seg.Duration < 0 || seg.Duration > MaxDuration)
            return Fail(RowProgramFileDuration, {f[2], IntToStr(MaxDuration)});
        if (!TryStrToFloat(f[3], seg.Setpoint) || seg.Setpoint < MinSetpoint || seg.Setpoint > MaxSetpoint)
            return Fail(RowProgramFileSetpoint, {f[3], SetpointToText(MinSetpoint), SetpointToText(MaxSetpoint)});
        if (!ParseInt(f[4], seg.AnalogOutput) || seg.AnalogOutput < MinAnalogOutput ||
            seg.AnalogOutput > MaxAnalogOutput)
            return Fail(RowProgramFileAnalogueOutput, {f[4]});
        if (!Choice(f[5], 2, seg.Contact, RowProgramFileFloatingContact)) return false;
        seg.Reserved = 0;  // never read: nothing in the program uses it
        if (!Choice(f[7], 1, seg.ControlMode, RowProgramFileControlMode) ||
            !Choice(f[8], 1, seg.WaitFlag, RowProgramFileWaitFlag))
            return false;
        return true;
    }

    const std::vector<AnsiString>& lines_;
    AnsiString* error_;
    size_t count_ = 0;
    size_t line_ = 0;
};

}  // namespace

AnsiString SetpointToText(double value)
{
    if (value == 0.0) return "0";  // also -0
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return FloatToStr(value);
    AnsiString s(buf, p);
    for (char& c : s)
        if (c == '.') c = FormatSettings().DecimalSeparator;
    return s;
}

bool ValidStartTemperature(const AnsiString& text, double* value)
{
    double v = 0.0;
    if (!TryStrToFloat(text, v) || v < MinSetpoint || v > MaxSetpoint) return false;
    if (value) *value = v;
    return true;
}

std::vector<AnsiString> BuildLines(const TProgramFile& program, TDateTime writtenAt, const AnsiString& path)
{
    std::vector<AnsiString> lines;
    lines.reserve(program.Segments.size() + 7);
    lines.push_back(AnsiString(SectionMark) + ";" + FormatDateTime("dd.mm.yyyy", writtenAt) + ";" +
                    FormatDateTime("hh:nn:ss", writtenAt) + ";" + PreludePath(path) + ";" + Header + ";");
    lines.push_back("[INIT];");
    const TProgramFileSettings& s = program.Settings;
    lines.push_back(IntToStr(s.RepeatMode) + ";" + IntToStr(s.EndAction) + ";" + FieldText(s.StartTemperature) + ";" +
                    IntToStr(s.StirrerUsed) + ";" + IntToStr(s.ContactUsed) + ";");
    lines.push_back("[DATA];");
    int number = 0;
    for (const TProgramFileSegment& seg : program.Segments) {
        lines.push_back(IntToStr(++number) + ";" + FieldText(seg.Name) + ";" + IntToStr(seg.Duration) + ";" +
                        SetpointToText(seg.Setpoint) + ";" + IntToStr(seg.AnalogOutput) + ";" + IntToStr(seg.Contact) +
                        ";" + IntToStr(seg.Reserved) + ";" + IntToStr(seg.ControlMode) + ";" + IntToStr(seg.WaitFlag) +
                        ";");
    }
    lines.push_back(AnsiString(SectionMark) + ";");
    lines.push_back("$;");
    return lines;
}

bool ParseLines(const std::vector<AnsiString>& lines, TProgramFile& program, AnsiString* error)
{
    return Parser(lines, error).Run(program);
}

bool Write(const std::string& path, const TProgramFile& program, AnsiString* error)
{
    std::string reason;
    if (platform::WriteTextLines(path, BuildLines(program, Now(), path), &reason)) return true;
    if (error) *error = reason;
    return false;
}

bool Read(const std::string& path, TProgramFile& program, bool* readable, AnsiString* error)
{
    if (readable) *readable = false;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        if (error) *error = ec.message();
        return false;
    }
    if (size > MaxFileSize) {
        if (readable) *readable = true;
        if (error) *error = CurrentText(RowProgramFileTooLarge);
        return false;
    }
    std::vector<AnsiString> lines;
    std::string reason;
    if (!platform::ReadTextLines(path, lines, &reason)) {
        if (error) *error = reason;
        return false;
    }
    if (readable) *readable = true;
    return ParseLines(lines, program, error);
}

TProgramFile FromProgrammer(const CProgrammer& programmer, int slot, const TProgramFileSettings& settings)
{
    TProgramFile file;
    file.Settings = settings;
    const CTemperatureProgram* head = programmer.GetProgramHead(slot);
    if (!head) return file;
    for (const CTemperatureProgram* n = head->next; n; n = n->next) {
        TProgramFileSegment seg;
        seg.Name = n->name;
        seg.Duration = n->duration;
        seg.Setpoint = n->setpoint;
        seg.AnalogOutput = n->analogOutput;
        seg.Contact = n->contact;
        seg.Reserved = n->spare;
        seg.ControlMode = n->controlMode;
        seg.WaitFlag = n->waitFlag;
        file.Segments.push_back(std::move(seg));
    }
    return file;
}

}  // namespace programfile
