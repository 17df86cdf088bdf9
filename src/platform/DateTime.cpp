#include "platform/DateTime.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

#include "platform/Exception.h"
#include "platform/Round.h"

namespace {
constexpr int kDaysBeforeMonth[2][13] = {{0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
                                         {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};
// Day number of 30.12.1899 counted from 01.01.0001 as day 1.
constexpr std::int64_t kDateDelta = 693594;
// Day number of 31.12.9999, the last day the calendar functions name.
constexpr std::int64_t kLastDay = 3652059;
// Serials beyond this many days are cut to it before the split, so that no day count can
// overflow; they are far outside the calendar either way.
constexpr double kSerialLimit = 1e12;

std::int64_t DaysFromCivil(int y, int m, int d)
{
    std::int64_t yy = y - 1;
    return yy * 365 + yy / 4 - yy / 100 + yy / 400 + kDaysBeforeMonth[IsLeapYear(y)][m] + d;
}

// Splits a serial into whole days (since 01.01.0001 = 1) and milliseconds of the day.
void Split(TDateTime dt, std::int64_t& days, std::int64_t& msOfDay)
{
    // NaN stays NaN here and gives day 0 and midnight below.
    dt = std::clamp(dt, -kSerialLimit, kSerialLimit);
    double whole = std::trunc(dt);
    double frac = std::fabs(dt - whole);
    std::int64_t ms = Round64(frac * MSecsPerDay);
    std::int64_t d = Trunc64(whole);
    if (ms >= std::int64_t(MSecsPerDay)) {
        ms -= std::int64_t(MSecsPerDay);
        d += dt < 0 ? -1 : 1;
    }
    days = d + kDateDelta;
    msOfDay = ms;
}

void CivilFromDays(std::int64_t n, int& y, int& m, int& d)
{
    if (n <= 0 || n > kLastDay) {
        y = m = d = 0;
        return;
    }
    std::int64_t t = n - 1;
    std::int64_t y400 = t / 146097;
    t %= 146097;
    std::int64_t y100 = t / 36524;
    if (y100 == 4) --y100;
    t -= y100 * 36524;
    std::int64_t y4 = t / 1461;
    t %= 1461;
    std::int64_t y1 = t / 365;
    if (y1 == 4) --y1;
    t -= y1 * 365;
    y = int(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
    int leap = IsLeapYear(y);
    m = 1;
    while (m < 12 && t >= kDaysBeforeMonth[leap][m + 1]) ++m;
    d = int(t - kDaysBeforeMonth[leap][m] + 1);
}

AnsiString Pad(int v, int width)
{
    AnsiString s = std::to_string(v);
    while (int(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}

platform::SystemClock g_systemClock;
std::atomic<platform::Clock*> g_clock{&g_systemClock};
}  // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static const int days[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    result = double(DaysFromCivil(year, month, day) - kDateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
    return r;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999) return false;
    result = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime r;
    if (!TryEncodeTime(hour, min, sec, msec, r)) throw EConvertError("Invalid argument to time encode");
    return r;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    std::int64_t days, ms;
    Split(dt, days, ms);
    CivilFromDays(days, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec)
{
    std::int64_t days, ms;
    Split(dt, days, ms);
    hour = int(ms / 3600000);
    min = int(ms / 60000 % 60);
    sec = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

int DayOfWeek(TDateTime dt)
{
    std::int64_t days, ms;
    Split(dt, days, ms);
    return int(((days % 7) + 7) % 7) + 1;
}

AnsiString FormatDateTime(std::string_view format, TDateTime dt)
{
    return FormatDateTime(format, dt, FormatSettings());
}

AnsiString FormatDateTime(std::string_view f, TDateTime dt, const TFormatSettings& fs)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDate(dt, y, mo, d);
    DecodeTime(dt, h, mi, s, ms);
    bool ampm = false;
    {
        AnsiString up = UpperCase(f);
        ampm = up.find("AMPM") != AnsiString::npos || up.find("AM/PM") != AnsiString::npos;
    }
    AnsiString r;
    bool lastWasHour = false;
    size_t i = 0;
    auto count = [&](char c) {
        size_t n = 0;
        while (i + n < f.size() && (f[i + n] == c || f[i + n] == char(c ^ 0x20))) ++n;
        return n;
    };
    // One letter: the number as it is; two or more: with two digits.
    auto oneOrTwo = [](int value, size_t n) { return n == 1 ? std::to_string(value) : Pad(value, 2); };
    while (i < f.size()) {
        char c = f[i];
        char u = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
        if (c == '"' || c == '\'') {
            size_t end = f.find(c, i + 1);
            if (end == std::string_view::npos) end = f.size();
            r += AnsiString(f.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (u == 'A' && (StartsText("AMPM", f.substr(i)) || StartsText("AM/PM", f.substr(i)))) {
            r += h < 12 ? fs.TimeAMString : fs.TimePMString;
            i += StartsText("AMPM", f.substr(i)) ? 4 : 5;
            continue;
        }
        size_t n;
        switch (u) {
            case 'D':
                n = count(c);
                if (n <= 2)
                    r += oneOrTwo(d, n);
                else if (n == 3)
                    r += fs.ShortDayNames[DayOfWeek(dt) - 1];
                else if (n == 4)
                    r += fs.LongDayNames[DayOfWeek(dt) - 1];
                else
                    r += FormatDateTime(fs.ShortDateFormat, dt, fs);
                i += n;
                lastWasHour = false;
                continue;
            case 'M':
                n = count(c);
                if (n <= 2)
                    r += oneOrTwo(lastWasHour ? mi : mo, n);
                else if (n == 3)
                    r += fs.ShortMonthNames[mo - 1];
                else
                    r += fs.LongMonthNames[mo - 1];
                i += n;
                lastWasHour = false;
                continue;
            case 'Y':
                n = count(c);
                r += n <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
                i += n;
                lastWasHour = false;
                continue;
            case 'H': {
                n = count(c);
                int hh = h;
                if (ampm) {
                    hh = h % 12;
                    if (hh == 0) hh = 12;
                }
                r += oneOrTwo(hh, n);
                i += n;
                lastWasHour = true;
                continue;
            }
            case 'N':
            case 'S':
                n = count(c);
                r += oneOrTwo(u == 'N' ? mi : s, n);
                i += n;
                lastWasHour = false;
                continue;
            case 'Z':
                n = count(c);
                r += n >= 3 ? Pad(ms, 3) : std::to_string(ms);
                i += n;
                continue;
            case 'C':
                r += FormatDateTime(fs.ShortDateFormat, dt, fs);
                if (h || mi || s) r += " " + FormatDateTime(fs.LongTimeFormat, dt, fs);
                ++i;
                continue;
            case 'T':
                n = count(c);
                r += FormatDateTime(n >= 2 ? fs.LongTimeFormat : fs.ShortTimeFormat, dt, fs);
                i += n;
                continue;
            case '/':
                r += fs.DateSeparator;
                ++i;
                continue;
            case ':':
                r += fs.TimeSeparator;
                ++i;
                continue;
            default:
                r += c;
                ++i;
                continue;
        }
    }
    return r;
}

AnsiString DateToStr(TDateTime dt)
{
    return FormatDateTime(FormatSettings().ShortDateFormat, dt);
}
AnsiString TimeToStr(TDateTime dt)
{
    return FormatDateTime(FormatSettings().LongTimeFormat, dt);
}
AnsiString DateTimeToStr(TDateTime dt)
{
    return FormatDateTime("c", dt);
}

namespace {
bool ParseNumbers(std::string_view s, char sep, int (&out)[3], int& count)
{
    count = 0;
    AnsiString t = Trim(s);
    auto parts = SplitString(t, sep);
    if (parts.size() > 3) return false;
    for (auto& p : parts) {
        int v;
        if (p.empty() || p.find_first_not_of("0123456789") != AnsiString::npos || !TryStrToInt(p, v)) return false;
        out[count++] = v;
    }
    return true;
}
}  // namespace

bool TryStrToDate(std::string_view s, TDateTime& dt)
{
    int v[3], n;
    if (!ParseNumbers(s, FormatSettings().DateSeparator, v, n) || n != 3) return false;
    int year = v[2];
    if (year < 100) year += 2000;
    return TryEncodeDate(year, v[1], v[0], dt);
}

bool TryStrToTime(std::string_view s, TDateTime& dt)
{
    int v[3] = {0, 0, 0}, n;
    if (!ParseNumbers(s, FormatSettings().TimeSeparator, v, n) || n < 2) return false;
    return TryEncodeTime(v[0], v[1], n == 3 ? v[2] : 0, 0, dt);
}

bool TryStrToDateTime(std::string_view s, TDateTime& dt)
{
    AnsiString t = Trim(s);
    size_t sp = t.find(' ');
    if (sp == AnsiString::npos) return TryStrToDate(t, dt);
    TDateTime d, tm;
    if (!TryStrToDate(t.substr(0, sp), d) || !TryStrToTime(t.substr(sp + 1), tm)) return false;
    dt = d >= 0 ? d + tm : d - tm;
    return true;
}

namespace platform {

TDateTime SystemClock::Now() const
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    TDateTime d = 0, tm = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, d);
    TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), ms, tm);
    return d + tm;
}

TDateTime SystemClock::UtcNow() const
{
    using namespace std::chrono;
    // Day 25569 is 1 January 1970.
    const std::int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return 25569.0 + double(ms) / MSecsPerDay;
}

std::int64_t SystemClock::MilliTicks() const
{
    // The boot-time clock goes on while the computer sleeps, as real time does: a recording's
    // times and a part's age stay true after a suspend, which the steady clock would miss.
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

namespace {
std::mutex g_manualMutex;
}

TDateTime ManualClock::Now() const
{
    std::lock_guard<std::mutex> lock(g_manualMutex);
    return now_;
}

std::int64_t ManualClock::MilliTicks() const
{
    std::lock_guard<std::mutex> lock(g_manualMutex);
    return ticks_;
}

void ManualClock::Set(TDateTime dt)
{
    std::lock_guard<std::mutex> lock(g_manualMutex);
    now_ = dt;
}

void ManualClock::AdvanceMs(std::int64_t ms)
{
    std::lock_guard<std::mutex> lock(g_manualMutex);
    ticks_ += ms;
    now_ += double(ms) / MSecsPerDay;
}

Clock& clock()
{
    return *g_clock.load();
}
void SetClock(Clock* c)
{
    g_clock.store(c ? c : &g_systemClock);
}

}  // namespace platform

TDateTime Now()
{
    return platform::clock().Now();
}
TDateTime Date()
{
    return std::trunc(platform::clock().Now());
}
TDateTime Time()
{
    TDateTime n = platform::clock().Now();
    return n - std::trunc(n);
}
