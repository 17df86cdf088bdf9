#pragma once
// Process-wide number and date formats. The main window fixes them at start-up (decimal
// comma, no thousands separator, list separator ';', dates dd.mm.yyyy, times hh:nn:ss) and
// every conversion of the program reads them from here, never from the C locale.
#include <string_view>

#include "platform/AnsiString.h"

struct TFormatSettings {
    char DecimalSeparator = ',';
    char ThousandSeparator = '\0';  // '\0': none
    char ListSeparator = ';';
    char DateSeparator = '.';
    char TimeSeparator = ':';
    AnsiString ShortDateFormat = "dd.mm.yyyy";
    AnsiString LongTimeFormat = "hh:nn:ss";
    AnsiString ShortTimeFormat = "hh:nn";
    // The currency symbol number formats may carry (UTF-8).
    AnsiString CurrencyString = "\u20AC";
    AnsiString TimeAMString = "AM";
    AnsiString TimePMString = "PM";
    AnsiString ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    AnsiString LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
    AnsiString ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    AnsiString LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
};

// The settings every conversion uses. Starts with the program's fixed formats.
TFormatSettings& FormatSettings();
// Puts back the program's fixed formats (tests that change the settings call this).
void ResetFormatSettings();

// General format with 15 significant digits: "38751,25", "25", "1E-5", "1,5E20".
AnsiString FloatToStr(double value);
AnsiString FloatToStr(double value, const TFormatSettings& fs);
// Picture formats: '0' and '#' digit places, '.' decimal point, ',' thousands flag,
// "E+"/"E-" exponent, quoted literals, up to three sections "pos;neg;zero".
// Halves round away from zero on the decimal digits, as the class library does.
AnsiString FormatFloat(std::string_view format, double value);
AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& fs);

// Decimal separator from the settings, optional sign and exponent, blanks at both ends
// allowed; no thousands separators, NaN, infinity or hexadecimal.
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs);
double StrToFloat(std::string_view s);  // raises EConvertError
double StrToFloatDef(std::string_view s, double def);
