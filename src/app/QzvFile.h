#pragma once
// Measurement files of the ".qzv" kind, written by other recording equipment and only read
// here: tab-separated text; line 1 a header of blank-separated items, line 2 the column
// names (the time column first), then one row per line: the time in seconds and one value
// per value column. Pure functions: they can run on any thread.
#include <string>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/TextCodec.h"

// An open measurement file: its text (Windows-1252 or UTF-8, CR LF or LF, lines of any
// length) and the position of the next line to read.
class TQzvFile {
public:
    // False with the reason in `error` and `why` when the file cannot be read: it cannot be
    // opened, is no regular file or is larger than MaxRecordedDataFileBytes.
    bool Open(const std::string& path, std::string* error = nullptr, platform::TFileReadError* why = nullptr);
    void SetText(std::string_view bytes);
    // The next line without its line end; false at the end of the file.
    bool ReadLine(AnsiString& line);
    // Back to the first line.
    void Rewind() { FPosition = 0; }
    // The lines from the position on: as many rows as are left at most.
    std::size_t LinesLeft() const;
    // The bytes of the longest of them.
    std::size_t LongestLineLeft() const;
    // The bytes of the text.
    std::size_t Size() const { return FText.size(); }

private:
    AnsiString FText;
    std::size_t FPosition = 0;
};

enum class TQzvItemKind { PreviousPath, Date, Time, Comment, TestData };

struct TQzvHeaderItem {
    TQzvItemKind Kind;
    AnsiString Text;  // as shown after its caption ("12 May 2006" for "12/May/2006")
};

// Classifies the blank-separated items of line 1 (at most 100): a drive path "c:\...", a
// date ("d.m.y", "d/Mon/y", "d-m-y"), a time ("h:m"), and otherwise a comment once a date
// or time was seen, test data before. Items starting with anything but a letter or digit
// are passed over.
std::vector<TQzvHeaderItem> ClassifyQzvHeader(const AnsiString& line);

// Line 2: the first word of each tab-separated field, the time column's included, for the
// first QzvFaultyFieldCount fields; `count` gets the number of fields in all.
std::vector<AnsiString> ReadQzvColumnNames(const AnsiString& line, std::size_t* count = nullptr);
// A column line of 99 fields or more is taken as faulty data.
inline constexpr int QzvFaultyFieldCount = 99;
// Column counts (time column included) that the import knows.
bool IsKnownQzvColumnCount(int columns);

// The data rows: time X and one value per value column. A value that is not a number ends
// its row (the later values of that row are NaN, not drawn); a missing field reads 0.
// Value column 9 is stored minus 100 and value column 10 times 0.1.
struct TQzvRows {
    std::vector<double> X;
    std::vector<std::vector<double>> Y;  // per value column, each as long as X
    // The rows the file may hold would take more than ReadBuildBudget allows: none was read.
    bool TooMany = false;
};
// Reads rows from the file's position until the end or the first row whose time field is
// not a number (an empty line is such a row). Refuses (TooMany) before reading anything
// when the lines left could make rows that take more than ReadBuildBudget allows for the file.
TQzvRows ReadQzvRows(TQzvFile& file, int valueColumns);

// A field as a number: the first "." is a decimal point like ","; blanks around allowed.
bool QzvNumber(std::string_view field, double& value);
