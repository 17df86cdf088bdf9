#include "platform/TextCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/FileSave.h"

namespace platform {
namespace {
// Code points of 0x80..0x9F; the undefined ones keep their own value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when invalid.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& cp)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len;
    char32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

// The length of the run of ASCII bytes at the start of s (eight bytes at a time).
size_t AsciiRun(std::string_view s)
{
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

int ToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] == cp) return 0x80 + k;
    return -1;
}
}  // namespace

AnsiString Cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (size_t i = 0; i < bytes.size();) {
        const size_t ascii = AsciiRun(bytes.substr(i));
        out.append(bytes.data() + i, ascii);
        i += ascii;
        if (i == bytes.size()) break;
        const unsigned char c = static_cast<unsigned char>(bytes[i++]);
        AppendUtf8(out, c < 0xA0 ? kHigh[c - 0x80] : c);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp;
        size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            out += utf8[i];
            ++i;
            continue;
        }
        int b = ToCp1252(cp);
        out += b < 0 ? '?' : char(b);
        i += len;
    }
    return out;
}

bool FitsCp1252(std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp;
        const size_t len = DecodeUtf8(utf8, i, cp);
        if (len > 1 && ToCp1252(cp) < 0) return false;
        i += len == 0 ? 1 : len;
    }
    return true;
}

bool IsAscii(std::string_view bytes)
{
    return AsciiRun(bytes) == bytes.size();
}

bool IsValidUtf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        i += AsciiRun(bytes.substr(i));
        if (i == bytes.size()) break;
        char32_t cp;
        size_t len = DecodeUtf8(bytes, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

AnsiString Utf8WithCp1252Bytes(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (size_t i = 0; i < bytes.size();) {
        const size_t ascii = AsciiRun(bytes.substr(i));
        out.append(bytes.data() + i, ascii);
        i += ascii;
        if (i == bytes.size()) break;
        char32_t cp;
        const size_t len = DecodeUtf8(bytes, i, cp);
        if (len > 0) {
            out.append(bytes.data() + i, len);
            i += len;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(bytes[i++]);
        AppendUtf8(out, c < 0xA0 ? kHigh[c - 0x80] : c);
    }
    return out;
}

size_t CutUtf8Tail(std::string_view bytes)
{
    // A lead byte among the last three whose sequence would run past the end, with only
    // continuation bytes after it.
    for (size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const unsigned char c = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80) continue;
        const size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        return len > back ? back : 0;
    }
    return 0;
}

AnsiString DecodeText(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) return AnsiString(bytes);
    return Cp1252ToUtf8(bytes);
}

std::vector<std::string_view> SplitLineViews(std::string_view text)
{
    std::vector<std::string_view> lines;
    // As many as there are, so that a file of short lines never takes twice their room.
    lines.reserve(size_t(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        size_t e = end;
        if (e > start && text[e - 1] == '\r') --e;
        lines.push_back(text.substr(start, e - start));
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return lines;
}

std::vector<AnsiString> SplitLines(std::string_view text)
{
    const std::vector<std::string_view> views = SplitLineViews(text);
    return std::vector<AnsiString>(views.begin(), views.end());
}

bool ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& bytes, std::string* error,
                     TFileReadError* why)
{
    auto fail = [&](TFileReadError kind, const std::string& reason) {
        if (error) *error = path + ": " + reason;
        if (why) *why = kind;
        return false;
    };
    if (why) *why = TFileReadError::None;
    FileAccessPoint(path, false);
    // Opening a pipe for reading would wait for a writer: not with O_NONBLOCK, which
    // changes nothing for a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail(TFileReadError::CannotRead, std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(TFileReadError::CannotRead, std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail(TFileReadError::NotRegularFile, "not a regular file");
    if (std::uint64_t(st.st_size) > maxBytes) return fail(TFileReadError::TooLarge, "file too large");
    // One byte beyond the size finds the end without making room for a file twice as large.
    std::string data;
    data.resize(size_t(st.st_size) + 1);
    size_t done = 0;
    while (true) {
        // A file that grows while it is read is read up to one byte beyond the limit.
        if (done == data.size()) {
            if (done > maxBytes) return fail(TFileReadError::TooLarge, "file too large");
            data.resize(std::min<std::uint64_t>(std::max<size_t>(done * 2, 4096), maxBytes + 1));
        }
        const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(TFileReadError::CannotRead, std::strerror(errno));
        }
        if (n == 0) break;
        done += size_t(n);
    }
    if (done > maxBytes) return fail(TFileReadError::TooLarge, "file too large");
    data.resize(done);
    bytes = std::move(data);
    return true;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string* error)
{
    return ReadRegularFile(path, MaxReadFileBytes, bytes, error);
}

bool ReadTextLines(const std::string& path, std::vector<AnsiString>& lines, std::string* error)
{
    std::string bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    lines = SplitLines(DecodeText(bytes));
    return true;
}

bool WriteTextLines(const std::string& path, const std::vector<AnsiString>& lines, std::string* error)
{
    // Windows-1252 as the program's files have always been, unless a character would be lost
    // in it: then the whole file is UTF-8 behind a byte-order mark, as the readers take it.
    const bool utf8 = !std::all_of(lines.begin(), lines.end(), [](const AnsiString& l) { return FitsCp1252(l); });
    std::string out = utf8 ? "\xEF\xBB\xBF" : "";
    for (const auto& l : lines) {
        out += utf8 ? Utf8WithCp1252Bytes(l) : Utf8ToCp1252(l);
        out += "\r\n";
    }
    return SaveFileAtomic(path, out, error);
}

}  // namespace platform
