#pragma once
// The program's 8-bit text type and the string helpers the code relies on.
// AnsiString holds UTF-8; files of the program's own formats are converted to and from
// Windows-1252 at the file boundary (see TextCodec.h).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using AnsiString = std::string;

AnsiString Trim(std::string_view s);  // removes characters <= ' ' at both ends
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);
AnsiString UpperCase(std::string_view s);  // ASCII letters only, as the class library does
AnsiString LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive equality

AnsiString IntToStr(std::int64_t value);
// Upper-case hexadecimal with at least `digits` digits; negative values show their
// 32-bit two's complement (IntToHex(-1, 4) is "FFFFFFFF").
AnsiString IntToHex(std::int64_t value, int digits);

// Decimal with optional sign, or hexadecimal with "$" or "0x"; leading and trailing blanks
// allowed. StrToInt raises EConvertError ("'x' is not a valid integer value").
bool TryStrToInt(std::string_view s, int& value);
int StrToInt(std::string_view s);
int StrToIntDef(std::string_view s, int def);

// The value of a hexadecimal digit (either letter case), -1 for any other character.
int HexDigit(char c);

// The file name of a path: what follows its last '/' or '\\'.
AnsiString ExtractFileName(std::string_view path);
// The extension of a path's file name with its dot; empty when the name has none.
AnsiString ExtractFileExt(std::string_view path);

// Splits at every occurrence of `sep` (empty fields kept).
std::vector<AnsiString> SplitString(std::string_view s, char sep);
bool StartsText(std::string_view prefix, std::string_view s);
// 1-based position of `sub` in `s`, 0 when absent (as Pos of the class library).
int Pos(std::string_view sub, std::string_view s);
