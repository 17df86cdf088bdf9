// Fuzz target of the program's own data file, round trip: the input is read as a recording
// (row labels of series 0 and 2, the bytes of the unit's name reply, event protocol, memo
// and information lines), which is saved, read, loaded into a view, saved and read again,
// and read cut off at every byte after its rows. Whatever the recording held must come back
// as it was written (support::CheckDataFileRoundTrip says what did not).
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "support/DataFileRoundTrip.h"

namespace {

// Pieces of text the recording's texts are made of: those a reader could take for something
// else (mark numbers, blanks and control characters, separators, quotes, section markers)
// and characters of one to four bytes, in Windows-1252 and beyond it.
const char* const kPieces[] = {"0",
                               "1",
                               "2",
                               "3",
                               " ",
                               "\t",
                               "\x01",
                               "\r",
                               "\n",
                               ";",
                               "\"",
                               "$",
                               "[INFO]",
                               "[MEMO]",
                               "(null)",
                               "Error!",
                               "Seg",
                               "\xC2\xA7",           // §
                               "\xC2\xB0",           // °
                               "\xC3\xA4",           // ä
                               "\xE2\x82\xAC",       // €
                               "\xCE\x94",           // Δ
                               "\xE6\x95\xB0",       // a Chinese character
                               "\xF0\x9F\x8C\xA1"};  // a four-byte character
constexpr unsigned kPieceCount = sizeof kPieces / sizeof kPieces[0];

class TInput {
public:
    TInput(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
    bool Empty() const { return FPos >= FSize; }
    unsigned Byte() { return FPos < FSize ? FData[FPos++] : 0u; }
    // A text of up to eight pieces; the byte before says how many.
    AnsiString Text()
    {
        AnsiString text;
        for (unsigned n = Byte() % 9; n > 0 && !Empty(); --n) text += kPieces[Byte() % kPieceCount];
        return text;
    }
    std::vector<AnsiString> Lines()
    {
        std::vector<AnsiString> lines(Byte() % 4);
        for (AnsiString& l : lines) l = Text();
        return lines;
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    TInput in(Data, Size);
    support::TDataFileRoundTrip c;
    // The unit's name reply: raw bytes, any of them.
    for (unsigned n = in.Byte() % 24; n > 0 && !in.Empty(); --n) c.NameBytes += char(in.Byte());
    c.EventProtocol = in.Lines();
    c.Memo = in.Lines();
    c.Info = in.Lines();
    for (unsigned rows = 1 + in.Byte() % 6; rows > 0; --rows) {
        c.Labels0.push_back(in.Byte() % 2 ? AnsiString("Error!") : AnsiString());
        c.Labels2.push_back(in.Text());
    }
    const std::string wrong = support::CheckDataFileRoundTrip(c);
    if (!wrong.empty()) {
        std::fprintf(stderr, "%s\n", wrong.c_str());
        std::abort();
    }
    return 0;
}
