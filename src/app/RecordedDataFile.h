#pragma once
// The recorded-data file (".csv"): one channel's recording as semicolon-separated
// Windows-1252 text with CR LF line ends. A prelude line starting with "§", the "[DATA];"
// section with a header line and one row per point, the "[PROTOCOL];", "[MEMO];" and
// "[INFO];" sections each closed by "§;", and "$;" last.
//
// Building the file's bytes and parsing them are pure functions on plain data, so both can
// run on a worker thread; only taking the data from the chart and filling the chart back
// happen on the user-interface thread (RecordedDataWriter.h, RecordedDataReader.h).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

// One recorded series: its title and Y values, written in the value format of its axis.
struct TRecordedDataColumn {
    AnsiString Title;
    AnsiString ValueFormat = "#,##0.###";
    std::vector<double> Values;  // may be shorter than the rows (a field stays empty then)
};

// Everything the file holds, as the writer takes it from a channel window.
struct TRecordedData {
    TDateTime WrittenAt = 0;  // prelude date and time
    AnsiString FileName;      // prelude field 4: the full name written to
    AnsiString DeviceName;    // prelude field 6
    int TimeStep = 0;         // sampling interval in seconds
    std::vector<double> X;    // X values of series 0; one row each
    // The label of each row (see RowLabelOfPoints), written in the Error column; an empty
    // or blank one, and rows beyond it, get the "0" of no label.
    std::vector<AnsiString> Errors;
    std::vector<TRecordedDataColumn> Columns;
    std::vector<AnsiString> EventProtocol;       // written as they stand
    std::vector<AnsiString> ProgrammerProtocol;  // written only when non-empty list given
    std::vector<AnsiString> Memo;
    std::vector<AnsiString> Info;
    TFormatSettings Formats;  // decimal comma, no thousands separator
};

// A row's label from the point labels of series 0 and series 2: series 2's where it has
// one, else series 0's; empty for none.
AnsiString RowLabelOfPoints(const AnsiString& label0, const AnsiString& label2);

// The value format a series is written in: its axis's format when that is a plain picture
// of digit places ("#,##0.###", "0.00"), which writes numbers the reader parses; the chart
// library's default for any other (literal text such as "0.0 Â°C", exponents, sections).
AnsiString FileValueFormat(const AnsiString& axisFormat);

// Where the parts of a built file are: the start of each data row and the end of the last
// one, where the sections begin.
struct TRecordedDataLayout {
    bool Utf8 = false;
    std::vector<size_t> RowStarts;
    size_t RowsEnd = 0;
};

// The file's bytes (Windows-1252, CR LF); `layout` gets where its rows are.
std::string BuildRecordedDataFile(const TRecordedData& data, TRecordedDataLayout* layout = nullptr);

// The pieces of the file, byte for byte as BuildRecordedDataFile writes them, for a file
// that grows by its rows: the prelude and header, the data rows of `data` (the starts of
// each appended to `rowStarts`, counted in `out`), and the sections with the end mark.
// A file is UTF-8 when any text of it does not fit Windows-1252.
bool RecordedDataNeedsUtf8(const TRecordedData& data);
std::string BuildRecordedDataHead(const TRecordedData& data, bool utf8);
void AppendRecordedDataRows(std::string& out, const TRecordedData& data, bool utf8,
                            std::vector<size_t>* rowStarts = nullptr);
std::string BuildRecordedDataSections(const TRecordedData& data, bool utf8);
// The same sections in pieces, so that a file that grows adds its new protocol lines without
// building what it has again: the event protocol's marker line, its lines from `from` on
// (appended to `out`), and everything after them.
std::string_view RecordedDataProtocolMarker();
void AppendRecordedDataProtocolLines(std::string& out, const std::vector<AnsiString>& lines, size_t from, bool utf8);
std::string BuildRecordedDataSectionsAfterProtocol(const TRecordedData& data, bool utf8);

// The name a part is written to: "_", the channel and the part number go in front of the
// ".csv" extension ("/data/run.csv", channel 3, part 1 -> "/data/run_31.csv"). A name
// without the extension gets it; a doubled ".csv.csv" (a base name picked from the file
// list, to which ".csv" was appended again) counts as one.
AnsiString DataFileNameForPart(const AnsiString& name, int channel, int part);

// ---- reading

// The largest file the open command reads. A part of 24 hours at 1 s, the longest a
// recording writes in the usual way, takes about 20 MB with every series recorded; this is
// five times that.
inline constexpr std::uint64_t MaxRecordedDataFileBytes = std::uint64_t(100) * 1000 * 1000;
// What a read may build beside the file's bytes (the index of its lines, the values of its
// rows, the texts it copies): six times the file, at least 16 MB, never more than 256 MB.
// A file a recording writes takes two to four times its size; one of empty lines or of
// very short rows would take a hundred times its size and more, and is refused before
// anything is built. An open so never takes more than seven times the file.
inline constexpr std::uint64_t MaxReadBuildBytes = std::uint64_t(256) << 20;
inline constexpr std::uint64_t MinReadBuildBytes = std::uint64_t(16) << 20;
inline constexpr std::uint64_t ReadBuildBytesPerFileByte = 6;
std::uint64_t ReadBuildBudget(std::uint64_t fileBytes);

// Why a file could not be taken at all, or what was damaged in it.
enum class TDataFileProblemKind {
    CannotOpen,         // the file could not be read
    NotRegularFile,     // a device, a pipe or a folder: never read
    TooLarge,           // larger than MaxRecordedDataFileBytes: not read
    TooManyLines,       // reading it would build more than ReadBuildBudget allows
    OutOfMemory,        // the memory ran out while it was read: nothing loaded
    NotDataFile,        // does not start with "§"
    BadRow,             // a data row with a field that is not a number, or too few values
    BadTime,            // a data row whose time is no date and time a calendar can name
    ExtraColumns,       // more series columns than the chart holds; the rest are not loaded
    MissingSections,    // the file ends before its rows, or after faulty rows without "$;"
    CutShort,           // the file ends after sound rows, in them (Line 0) or in its sections (Line:
                        // its last line), without "$;": cut off while it was written (Detail: the
                        // name its side file would have)
    PendingWriteWaits,  // a side file of an unfinished write is beside it but does not fit it
};

struct TDataFileProblem {
    TDataFileProblemKind Kind;
    int Line = 0;  // 1-based line of the file, 0 when it concerns the whole file
    AnsiString Detail;
};

// The 22 value series in their fixed order, and the series A and B after them.
inline constexpr int DataFileValueSeries = 22;
inline constexpr int DataFileMaxSeriesColumns = 24;

struct TRecordedDataRead {
    bool Loaded = false;     // false: nothing may be loaded (see Problems)
    AnsiString StorageDate;  // prelude field 2
    AnsiString WrittenName;  // prelude field 4: the full name the file was written to
    AnsiString DeviceName;   // prelude field 6
    // Titles of the 22 value series: header fields 3 .. 24, with the defaults of the
    // later series where the header is shorter.
    std::vector<AnsiString> SeriesTitles;
    int SeriesColumns = 0;  // number of series columns loaded (at most 24)
    std::vector<double> X;
    std::vector<AnsiString> Labels;  // the Error field of each row as written
    // The rows whose label was written in quotes, in order: a text to show as it stands,
    // never one of the numbers of a mark ("0" no label, "1" error, "2" new recording, "3"
    // new segment), which only a bare field is.
    std::vector<size_t> LiteralLabels;
    // Values per series column, one per row; NaN where a row has no value for the series.
    std::vector<std::vector<double>> Y;
    // Set by the parser when no value of Y is NaN: the rows then go in without a look at each.
    bool EveryValuePresent = false;
    // The last time step of 1 to 60 seconds; a row with another one keeps the previous
    // (listed in RejectedTimeSteps: the line and the field).
    int LastTimeStep = 0;
    bool HasTimeStep = false;
    std::vector<std::pair<int, AnsiString>> RejectedTimeSteps;
    int RejectedTimeStepCount = 0;
    std::vector<AnsiString> EventProtocol;
    std::vector<AnsiString> Memo;
    std::vector<AnsiString> Info;
    std::vector<TDataFileProblem> Problems;
    // The file's last write was cut off and the end it was writing was read from its side
    // file, whose name this is (empty: none).
    AnsiString CompletedFrom;
    // That end was written into the file on the disk too, and the side file removed.
    bool CompletedOnDisk = false;

    bool Damaged() const;
    int Rows() const { return static_cast<int>(X.size()); }
};

// A field of the file as a number: "." and "," are both decimal separators; blanks around
// it are allowed. False when it is not a number.
bool ReadNumberField(std::string_view field, double& value);

// Parses the bytes of a file (Windows-1252 or UTF-8, CR LF or LF). Never throws for bad
// input: whatever can be read is returned and the damage listed in Problems.
TRecordedDataRead ParseRecordedDataFile(std::string_view bytes);
// Reads and parses a file; safe to call on any thread.
TRecordedDataRead ReadRecordedDataFile(const std::string& path);
// The same for the open command: a file whose end was read from the side file of a write
// an earlier run left cut off gets that end on the disk too (platform::FinishCutWrite), so
// that every program reading it sees what the view shows.
TRecordedDataRead OpenRecordedDataFile(const std::string& path);
