#pragma once
// The temperature-program file (".tp"): a prelude line with the header "ZQ1.0.0.0", an
// "[INIT]" section with the program settings and a "[DATA]" section with one line per
// segment, every field followed by ';', ended by "§;" and "$;". Windows-1252 with CR LF on
// disk (UTF-8 behind a byte-order mark when a name holds a character Windows-1252 has not);
// numbers with the program's decimal separator.
//
// A file comes from the user's disk, so the reader checks every field and either returns the
// whole program or an error: it never hands back part of a file.
#include <string>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/DateTime.h"

class CProgrammer;

// The program settings as the editor's controls hold them.
struct TProgramFileSettings {
    int RepeatMode = 0;           // index of cmbRepeat: 0 none, 1 endless
    int EndAction = 0;            // index of cmbEndofProgram: 0 control off, 1 continue
    AnsiString StartTemperature;  // text of edStartTemperature, °C
    int StirrerUsed = 0;          // index of cmbStirrer: 0 no output, 1 analogue output 1
    int ContactUsed = 0;          // index of cmbPoko: 0 no output, 1 floating contact
};

struct TProgramFileSegment {
    AnsiString Name;
    int Duration = 0;       // seconds
    double Setpoint = 0.0;  // °C
    int AnalogOutput = -1;  // %, -1 unchanged
    int Contact = 2;        // 0 off, 1 on, 2 unchanged
    int Reserved = 0;       // written as it stands, ignored when read
    int ControlMode = 0;    // 0 internal, 1 process
    int WaitFlag = 0;       // 0 time stable, 1 temperature stable
};

struct TProgramFile {
    TProgramFileSettings Settings;
    std::vector<TProgramFileSegment> Segments;
};

namespace programfile {

inline constexpr const char* Header = "ZQ1.0.0.0";
// Bounds a program's values must keep: the setpoints some unit can take (a signed unit
// down to -327.68, an unsigned one up to 655.35), the editor's longest duration (99:59 h)
// and its analogue-output range.
inline constexpr double MinSetpoint = -327.68;
inline constexpr double MaxSetpoint = 655.35;
inline constexpr int MaxDuration = (99 * 60 + 59) * 60;
inline constexpr int MinAnalogOutput = -1;
inline constexpr int MaxAnalogOutput = 1000;
// Far above any real program file (200 segments take about 15 kB); a larger file is not one.
inline constexpr std::uintmax_t MaxFileSize = 1024 * 1024;

// The setpoint as the shortest text that reads back to the same value, with the decimal
// separator of the format settings ("80", "80,5", "-0,25").
AnsiString SetpointToText(double value);

// The file's lines (UTF-8, without line ends). `path` is recorded in the prelude.
std::vector<AnsiString> BuildLines(const TProgramFile& program, TDateTime writtenAt, const AnsiString& path);
// Checks and reads the lines of a file. False, with the line number and reason in `error`,
// when anything is malformed; `program` is then left unchanged.
bool ParseLines(const std::vector<AnsiString>& lines, TProgramFile& program, AnsiString* error = nullptr);

// Writes the file by an atomic save (the old file survives a failed save). The prelude
// gets the clock's date and time and `path`.
bool Write(const std::string& path, const TProgramFile& program, AnsiString* error = nullptr);
// Reads a file of either encoding and line end. `readable` is false when the file could not
// be read at all (as opposed to holding faulty data).
bool Read(const std::string& path, TProgramFile& program, bool* readable = nullptr, AnsiString* error = nullptr);

// The program in a slot with the given settings, ready to be written.
TProgramFile FromProgrammer(const CProgrammer& programmer, int slot, const TProgramFileSettings& settings);

// True when the start-temperature text is a number within the setpoint bounds.
bool ValidStartTemperature(const AnsiString& text, double* value = nullptr);

}  // namespace programfile
