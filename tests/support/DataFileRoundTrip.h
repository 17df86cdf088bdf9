#pragma once
// The program's own data file, round trip: a recording window with the given labels, unit
// name and memos is saved, read, loaded into a view window, saved from there and read again;
// and the saved file, cut off at a point after its rows (a copy or a move without its side
// file), still reads with every row. Used by the tests and by a fuzz target; header-only,
// compiled by those who include it (it needs the application layer).
#include <cstdio>
#include <string>
#include <vector>

#include "app/RecordedDataReader.h"
#include "app/RecordedDataWriter.h"
#include "comm/CChannel.h"
#include "platform/TextCodec.h"
#include "support/FakeDataFileView.h"

namespace support {

struct TDataFileRoundTrip {
    // Per row: the labels the recording put on the points of series 0 ("Error!") and of
    // series 2 (the name of a program's segment); the file has one row per entry of Labels0.
    std::vector<AnsiString> Labels0, Labels2;
    // The name as the unit's name reply carries it (8-bit, at most 40 bytes).
    std::string NameBytes;
    std::vector<AnsiString> EventProtocol, Memo, Info;
    // Where the file is written (only its name goes into the file).
    AnsiString FileName = "/data/run_11.csv";
};

// The unit's name as the channel takes it from a name reply carrying `bytes`.
inline AnsiString NameFromReply(const std::string& bytes)
{
    char length[3];
    std::snprintf(length, sizeof length, "%02X", unsigned(7 + bytes.size()));
    return CChannel::NameInReply("[S01V" + std::string(length) + bytes + "00\r");
}

namespace roundtrip {

// What a text of one field reads back as: a line end cannot be inside a row, so it is a
// blank there (the writer's rule); a label of blanks only is no label.
inline AnsiString InOneField(const AnsiString& text)
{
    AnsiString r = text;
    for (size_t i = 0; i < r.size(); ++i)
        if (r[i] == '\n' || (r[i] == '\r' && i + 1 < r.size() && r[i + 1] == '\n')) r[i] = ' ';
    return r;
}

inline AnsiString ExpectedLabel(const AnsiString& label0, const AnsiString& label2)
{
    const AnsiString label = InOneField(RowLabelOfPoints(label0, label2));
    for (char c : label)
        if (static_cast<unsigned char>(c) > ' ') return label;
    return {};
}

// A memo line with line ends is the lines it holds.
inline std::vector<AnsiString> ExpectedLines(const std::vector<AnsiString>& lines)
{
    std::vector<AnsiString> r;
    for (const AnsiString& l : lines) {
        size_t start = 0;
        while (true) {
            size_t end = l.find('\n', start);
            const size_t stop = end == AnsiString::npos ? l.size() : end;
            const size_t cut = stop > start && l[stop - 1] == '\r' && end != AnsiString::npos ? stop - 1 : stop;
            r.push_back(l.substr(start, cut - start));
            if (end == AnsiString::npos) break;
            start = end + 1;
        }
    }
    return r;
}

inline void Fill(FakeDataFileView& w, const TDataFileRoundTrip& c, const AnsiString& device)
{
    for (int i = 0; i < 3; ++i) w.series[size_t(i)]->Tag = 1;
    for (size_t row = 0; row < c.Labels0.size(); ++row)
        for (int i = 0; i < 3; ++i)
            w.series[size_t(i)]->AddXY(46000.5 + double(row) / 86400, 20 + i + 0.25 * double(row));
    for (size_t row = 0; row < c.Labels0.size(); ++row) {
        if (!c.Labels0[row].empty()) w.series[0]->SetXLabel(int(row), c.Labels0[row]);
        if (row < c.Labels2.size() && !c.Labels2[row].empty()) w.series[2]->SetXLabel(int(row), c.Labels2[row]);
    }
    w.memos[TDataFileMemo::SerialData] = c.EventProtocol;
    w.memos[TDataFileMemo::Memo] = c.Memo;
    w.memos[TDataFileMemo::Info] = c.Info;
    w.device = device;
    w.interval = 5;
}

inline std::string Build(const FakeDataFileView& w, const AnsiString& name, TRecordedDataLayout* layout = nullptr)
{
    return BuildRecordedDataFile(CaptureRecordedData(w, name), layout);
}

}  // namespace roundtrip

// Empty when everything came back as written, else what did not.
inline std::string CheckDataFileRoundTrip(const TDataFileRoundTrip& c)
{
    using namespace roundtrip;
    std::string wrong;
    const auto fail = [&wrong](const std::string& what) {
        if (wrong.empty()) wrong = what;
    };
    const AnsiString device = NameFromReply(c.NameBytes);
    if (!platform::IsValidUtf8(device)) fail("the unit's name is no UTF-8 text: " + device);
    FakeDataFileView window;
    Fill(window, c, device);
    TRecordedDataLayout layout;
    const std::string bytes = Build(window, c.FileName, &layout);
    const TRecordedDataRead first = ParseRecordedDataFile(bytes);
    const size_t rows = c.Labels0.size();

    // What a read must give: the rows with their labels as the view shows them, the name and
    // the memos.
    const auto check = [&](const TRecordedDataRead& r, const char* which, const AnsiString* viewProtocolLine) {
        const std::string at = std::string(which) + ": ";
        if (!r.Loaded || !r.Problems.empty()) return fail(at + "not read as a sound file");
        if (r.Rows() != int(rows)) return fail(at + "rows " + std::to_string(r.Rows()));
        if (r.DeviceName != InOneField(device)) fail(at + "name \"" + r.DeviceName + "\"");
        FakeDataFileView view;
        if (!ApplyRecordedData(view, r, c.FileName)) return fail(at + "not loaded");
        for (size_t row = 0; row < rows; ++row) {
            const AnsiString expected =
                ExpectedLabel(c.Labels0[row], row < c.Labels2.size() ? c.Labels2[row] : AnsiString());
            for (int s = 0; s < 3; ++s)
                if (view.series[size_t(s)]->GetXLabel(int(row)) != expected)
                    fail(at + "row " + std::to_string(row) + " label \"" + view.series[size_t(s)]->GetXLabel(int(row)) +
                         "\" for \"" + expected + "\"");
        }
        std::vector<AnsiString> protocol = ExpectedLines(c.EventProtocol);
        if (viewProtocolLine) protocol.push_back(*viewProtocolLine);
        if (r.EventProtocol != protocol) fail(at + "event protocol");
        if (r.Memo != ExpectedLines(c.Memo)) fail(at + "memo");
        if (r.Info != ExpectedLines(c.Info)) fail(at + "information");
    };
    check(first, "first read", nullptr);
    if (!wrong.empty()) return wrong;

    // Loaded into a view and saved from there, the file reads the same (the view's protocol
    // has the line of the rows it read).
    FakeDataFileView view;
    ApplyRecordedData(view, first, c.FileName);
    for (int i = 0; i < first.SeriesColumns; ++i) view.series[size_t(i)]->Tag = 1;
    view.device = first.DeviceName;
    const AnsiString rowsRead = view.memos[TDataFileMemo::SerialData].back();
    check(ParseRecordedDataFile(Build(view, c.FileName)), "second read", &rowsRead);
    if (!wrong.empty()) return wrong;

    // Cut off anywhere after its rows, it is read with all of them, as a file cut short or
    // one whose sections are incomplete; never refused.
    for (size_t cut = layout.RowsEnd; cut < bytes.size(); ++cut) {
        const TRecordedDataRead r = ParseRecordedDataFile(std::string_view(bytes).substr(0, cut));
        const std::string at = "cut at " + std::to_string(cut) + " of " + std::to_string(bytes.size()) + ": ";
        if (!r.Loaded) return at + "refused";
        if (r.Rows() != int(rows) || r.Labels != first.Labels || r.X != first.X) return at + "other rows";
        for (const TDataFileProblem& p : r.Problems)
            if (p.Kind != TDataFileProblemKind::CutShort && p.Kind != TDataFileProblemKind::MissingSections)
                return at + "problem " + std::to_string(int(p.Kind));
        // From its end mark "$" on nothing is missing.
        if (r.Problems.empty() && cut <= bytes.rfind("$;")) return at + "not reported";
    }
    return {};
}

}  // namespace support
