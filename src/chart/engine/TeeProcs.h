#pragma once
// Free functions and global data shared by the whole chart library: the date-time label
// steps and the rules that round and advance date-time labels, field splitting of
// delimited text, a callback quicksort, unique component names, the translation hook and
// the editor options kept in the settings.
#include <functional>
#include <span>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/DateTime.h"

class QObject;
class QWidget;

// ---- Date-time label steps -------------------------------------------------------------

enum TDateTimeStep {
    dtOneMicroSecond,
    dtOneMillisecond,
    dtOneSecond,
    dtFiveSeconds,
    dtTenSeconds,
    dtFifteenSeconds,
    dtThirtySeconds,
    dtOneMinute,
    dtFiveMinutes,
    dtTenMinutes,
    dtFifteenMinutes,
    dtThirtyMinutes,
    dtOneHour,
    dtTwoHours,
    dtSixHours,
    dtTwelveHours,
    dtOneDay,
    dtTwoDays,
    dtThreeDays,
    dtOneWeek,
    dtHalfMonth,
    dtOneMonth,
    dtTwoMonths,
    dtThreeMonths,
    dtFourMonths,
    dtSixMonths,
    dtOneYear,
    dtNone
};

// Length of each step in days, in TDateTimeStep order.
inline constexpr double DateTimeStep[dtNone + 1] = {
    1.0 / 86400.0 * 1e-6,  // one microsecond
    1.0 / 86400000.0,      // one millisecond
    1.0 / 86400.0,
    5.0 / 86400.0,
    10.0 / 86400.0,
    15.0 / 86400.0,
    30.0 / 86400.0,
    1.0 / 1440.0,
    5.0 / 1440.0,
    10.0 / 1440.0,
    15.0 / 1440.0,
    30.0 / 1440.0,
    1.0 / 24.0,
    2.0 / 24.0,
    6.0 / 24.0,
    12.0 / 24.0,
    1.0,
    2.0,
    3.0,
    7.0,
    15.0,
    30.0,
    60.0,
    90.0,
    120.0,
    182.0,
    365.0,
    1.0,  // dtNone
};

// Dates up to this one (1 January 1900) are left alone by TeeRoundDate.
extern TDateTime TeeRoundDateMinimum;

// The step whose length equals StepValue within one microsecond, searched from the
// longest step down; dtNone when none matches.
TDateTimeStep FindDateTimeStep(double StepValue);
// The length of the step after the longest step not larger than AStep; one year when
// AStep is shorter than every step.
double NextDateTimeStep(double AStep);
// The short time format for steps up to one day, else the short date format.
AnsiString DateTimeDefaultFormat(double AStep);
// Rounds a date down to the start of its step (half month, month, year, day).
TDateTime TeeRoundDate(TDateTime ADate, TDateTimeStep AStep);
// Moves Value one step forward (Increment) or back. Calendar steps (half month to one
// year) move along the calendar when IsDateTime is set; a day the target month lacks
// becomes that month's last day.
void TeeDateTimeIncrement(bool IsDateTime, bool Increment, double& Value, double AnIncrement,
                          TDateTimeStep Step);

// ---- Delimited text ------------------------------------------------------------------

// The separator of TeeNumFields and TeeExtractField without an explicit separator.
extern AnsiString TeeFieldsSeparator;

int TeeNumFields(std::string_view S);
int TeeNumFields(std::string_view S, std::string_view Separator);
// Field Index (from 1); an index past the last field gives the last field.
AnsiString TeeExtractField(std::string_view S, int Index);
AnsiString TeeExtractField(std::string_view S, int Index, std::string_view Separator);
// Replaces every Old by New; New = '\0' removes every Old.
AnsiString ReplaceChar(std::string_view S, char Old, char New);
// Number pictures are stored with "," for thousands and "." for decimals; editors show
// them with the separators of the format settings.
AnsiString NeutralToLocalFormat(std::string_view Format);
AnsiString LocalToNeutralFormat(std::string_view Format);
AnsiString TeeStr(int Num);

// ---- Components and controls -----------------------------------------------------------

// Prefix followed by the smallest number from 1 that no component of Owner is named.
AnsiString TeeGetUniqueName(const QObject* Owner, std::string_view Prefix);
void EnableControls(bool Enable, std::span<QWidget* const> Controls);

using TTeeTranslateHook = std::function<void(QWidget* Control, std::span<QWidget* const> ExcludeControls)>;
// Installed by a program that translates the library's forms; none by default.
extern TTeeTranslateHook TeeTranslateHook;
void TeeTranslateControl(QWidget* Control);
void TeeTranslateControl(QWidget* Control, std::span<QWidget* const> ExcludeControls);

// ---- Sorting ---------------------------------------------------------------------------

using TTeeSortCompare = std::function<int(int a, int b)>;
using TTeeSortSwap = std::function<void(int a, int b)>;
// Sorts the entries StartIndex..EndIndex of any indexed data in place, through Compare
// (negative, zero, positive) and Swap. Not stable.
void TeeSort(int StartIndex, int EndIndex, const TTeeSortCompare& Compare, const TTeeSortSwap& Swap);

// ---- Editor options ------------------------------------------------------------------

// Options of the chart editors, kept in the user's settings under the library's editor key.
bool TeeReadBoolOption(std::string_view Key, bool Default);
int TeeReadIntegerOption(std::string_view Key, int Default);
void TeeSaveBoolOption(std::string_view Key, bool Value);
void TeeSaveIntegerOption(std::string_view Key, int Value);
