#pragma once
// Free functions and global data shared by the whole chart library: the date-time label
// steps and the rules that round and advance date-time labels, hit tests for mouse clicks,
// field splitting of delimited text, a callback quicksort, unique component names, editor
// bitmaps, the translation hook and the editor options kept in the settings. (The global
// colour palette has a unit of its own.)
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/DateTime.h"
#include "platform/GraphicsTypes.h"

class QObject;
class QWidget;
class TBitmap;
class TCanvas;
class TCustomTeePanel;

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
void TeeDateTimeIncrement(bool IsDateTime, bool Increment, double& Value, double AnIncrement, TDateTimeStep Step);

// ---- Hit tests (pixel coordinates) -----------------------------------------------------

// True when P is an end point or lies within Tolerance + 1 pixels of the segment.
bool PointInLine(const TPoint& P, int X0, int Y0, int X1, int Y1, int Tolerance);
bool PointInLine(const TPoint& P, const TPoint& P0, const TPoint& P1, int Tolerance);
bool PointInLine(const TPoint& P, int X0, int Y0, int X1, int Y1);
bool PointInLine(const TPoint& P, const TPoint& P0, const TPoint& P1);
bool PointInLineTolerance(const TPoint& P, int X0, int Y0, int X1, int Y1, int Tolerance);
// Even-odd rule over the points 0..High (High is limited to the points given).
bool PointInPolygon(const TPoint& P, std::span<const TPoint> Poly, int High);
bool PointInPolygon(const TPoint& P, std::span<const TPoint> Poly);
// Triangle with its base from x = A to x = B at y = C and its apex at y = D, and the same
// lying on its side (base from y = A to y = B at x = C, apex at x = D).
bool PointInTriangle(const TPoint& P, int A, int B, int C, int D);
bool PointInHorizTriangle(const TPoint& P, int A, int B, int C, int D);
bool PointInEllipse(const TPoint& P, int Left, int Top, int Right, int Bottom);
bool PointInEllipse(const TPoint& P, const TRect& Rect);
// The crossing point (X, Y) of the lines through 1-2 and 3-4 (always written); true when
// the two segments cross each other.
bool CrossingLines(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4, double& X,
                   double& Y);

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
// A 13 x 13 check box (or radio button when CheckBox is false) in the platform style.
void TeeDrawCheckBox(int X, int Y, TCanvas* Canvas, bool Checked, TColor BackColor, bool CheckBox);
// Loads the picture resource ":/Name1", else ":/Name2", into Bitmap; unchanged when neither
// exists.
void TeeLoadBitmap(TBitmap* Bitmap, std::string_view Name1, std::string_view Name2);
// The editor picture of Object's class, else of its parent class.
void TeeGetBitmapEditor(const QObject* Object, TBitmap* Bitmap);

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

// ---- Smoothed picture ------------------------------------------------------------------

// A new 24-bit bitmap of the panel's size with a smoothed picture: the panel is drawn at
// twice its size with doubled fonts, and each pixel is the average of its 2 x 2 block. The
// panel's repainting, buffering and font zoom are as before afterwards, also on failure.
std::unique_ptr<TBitmap> TeeAntiAlias(TCustomTeePanel* Panel);
