#pragma once
// Files of the program's own formats are Windows-1252 with CR LF line ends; inside the
// program all text is UTF-8. Readers accept either encoding and either line end.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"

namespace platform {

// Every byte maps to one code point (the five bytes Windows-1252 leaves undefined map to
// the C1 controls of the same value), so the round trip of all 256 bytes is exact.
AnsiString Cp1252ToUtf8(std::string_view bytes);
// Characters outside Windows-1252 become '?'. Invalid UTF-8 bytes are taken as
// Windows-1252 bytes as they stand.
std::string Utf8ToCp1252(std::string_view utf8);
// True when Utf8ToCp1252 keeps every character of the text.
bool FitsCp1252(std::string_view utf8);
bool IsValidUtf8(std::string_view bytes);
// UTF-8 with a byte here and there that starts no valid sequence (a raw byte of a device
// or of an older file): the valid sequences as they are, each other byte taken as the
// Windows-1252 character it is, as Utf8ToCp1252 writes it back.
AnsiString Utf8WithCp1252Bytes(std::string_view bytes);
// How many bytes at the end begin a UTF-8 sequence and stop before its end (0 to 3): what
// a write cut off inside a character leaves.
size_t CutUtf8Tail(std::string_view bytes);
// True when every byte is below 0x80 (the same text in either encoding).
bool IsAscii(std::string_view bytes);
// UTF-8 when the bytes are valid UTF-8 (a BOM is dropped), Windows-1252 otherwise.
AnsiString DecodeText(std::string_view bytes);
// Splits at LF, dropping one CR before it; a last line without end is kept.
std::vector<AnsiString> SplitLines(std::string_view text);
// The same lines as views into `text` (for large files read once).
std::vector<std::string_view> SplitLineViews(std::string_view text);

// Why a file was not read.
enum class TFileReadError { None, CannotRead, NotRegularFile, TooLarge };
// Files larger than this are not read by ReadFileBytes: no file of the program comes near it.
inline constexpr std::uint64_t MaxReadFileBytes = std::uint64_t(256) << 20;

// Reads a whole regular file of at most maxBytes. A device, a pipe or a folder is not read
// (a pipe or /dev/zero would never end, or wait for a writer for ever), nor a larger file:
// false then, with the reason in `error` and `why`.
bool ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& bytes, std::string* error = nullptr,
                     TFileReadError* why = nullptr);
// ReadRegularFile with MaxReadFileBytes.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string* error = nullptr);
// Reads a text file of either encoding into UTF-8 lines.
bool ReadTextLines(const std::string& path, std::vector<AnsiString>& lines, std::string* error = nullptr);
// Writes UTF-8 lines as Windows-1252 with CR LF after every line, by an atomic save. When a
// line holds a character that Windows-1252 has not, the file is UTF-8 behind a byte-order
// mark instead, so that it reads back as written (a byte that is no UTF-8 is taken as the
// Windows-1252 character it is, as in Utf8WithCp1252Bytes).
bool WriteTextLines(const std::string& path, const std::vector<AnsiString>& lines, std::string* error = nullptr);

}  // namespace platform
