#pragma once
// Date-time values are days since 30 December 1899, the time of day as the fraction.
// For negative serials the date part is the truncated value and the time of day its
// absolute fraction (-1.25 is 29.12.1899 06:00), as the class library counts them.
#include <cstdint>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/FormatSettings.h"

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
constexpr double SecsPerDay = 86400.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);  // raises EConvertError
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
TDateTime EncodeTime(int hour, int min, int sec, int msec);  // raises EConvertError
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime dt);  // 1 = Sunday .. 7 = Saturday

// Format tokens: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz c t tt ampm,
// '/' date separator, ':' time separator, "..." or '...' literals.
// A 'm' right after an 'h' token is minutes.
AnsiString FormatDateTime(std::string_view format, TDateTime dt);
AnsiString FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& fs);
AnsiString DateToStr(TDateTime dt);
AnsiString TimeToStr(TDateTime dt);
AnsiString DateTimeToStr(TDateTime dt);
// Reads "dd.mm.yyyy" and "hh:nn[:ss]" with the separators of the settings.
bool TryStrToDate(std::string_view s, TDateTime& dt);
bool TryStrToTime(std::string_view s, TDateTime& dt);
bool TryStrToDateTime(std::string_view s, TDateTime& dt);

namespace platform {

// The one source of "now". The program uses the system clock; tests install a clock they
// can set and advance.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime Now() const = 0;
    // The same moment in UTC: the wall clock without the changes of daylight-saving time,
    // for telling a clock that was set (stepped) from one that only changed its zone time.
    // A clock without zones gives Now().
    virtual TDateTime UtcNow() const { return Now(); }
    // Milliseconds of a monotonic clock that also counts the time the computer slept (for
    // pacing, time-outs and the recording's elapsed time).
    virtual std::int64_t MilliTicks() const = 0;
};

class SystemClock : public Clock {
public:
    TDateTime Now() const override;
    TDateTime UtcNow() const override;
    std::int64_t MilliTicks() const override;
};

class ManualClock : public Clock {
public:
    explicit ManualClock(TDateTime start = 0.0) : now_(start) {}
    TDateTime Now() const override;
    std::int64_t MilliTicks() const override;
    void Set(TDateTime dt);
    void AdvanceMs(std::int64_t ms);

private:
    mutable std::int64_t ticks_ = 0;
    TDateTime now_;
};

// The clock in use; SetClock(nullptr) puts the system clock back. The caller keeps
// ownership of the clock it installs.
Clock& clock();
void SetClock(Clock* c);

}  // namespace platform

TDateTime Now();
TDateTime Date();
TDateTime Time();
