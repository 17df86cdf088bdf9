#include "channel/LabelFile.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/TextCodec.h"

namespace {

// The file read the way a fixed 499-byte line buffer reads it: a line longer than 498
// bytes arrives as several pieces, each of which counts as a line.
std::vector<std::string> ReadPieces(std::string_view bytes)
{
    constexpr std::size_t kPiece = 498;
    std::vector<std::string> pieces;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t end = i;
        while (end < bytes.size() && end - i < kPiece) {
            if (bytes[end++] == '\n') break;
        }
        pieces.emplace_back(bytes.substr(i, end - i));
        i = end;
    }
    return pieces;
}

bool IsHeader(const std::string& piece, const char* word)
{
    if (piece.find('#') != std::string::npos) return false;
    std::string upper = piece;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    return upper.find(word) != std::string::npos;
}

// Only the first carriage return and the first line feed go; nothing else is trimmed.
std::string WithoutLineEnd(std::string piece)
{
    if (auto cr = piece.find('\r'); cr != std::string::npos) piece.erase(cr, 1);
    if (auto lf = piece.find('\n'); lf != std::string::npos) piece.erase(lf, 1);
    return piece;
}

}  // namespace

bool ReadLabelsFile(TAxisLabels& axisLabels, TSeriesLabels& seriesNames, const char* path)
{
    std::string bytes;
    if (!platform::ReadFileBytes(path, bytes)) return false;
    return ParseLabelsFile(bytes, axisLabels, seriesNames);
}

bool ParseLabelsFile(std::string_view bytes, TAxisLabels& axisLabels, TSeriesLabels& seriesNames)
{
    const bool utf8 = platform::IsValidUtf8(bytes);
    auto decode = [utf8](const std::string& raw) { return utf8 ? AnsiString(raw) : platform::Cp1252ToUtf8(raw); };

    const std::vector<std::string> pieces = ReadPieces(bytes);
    bool axesSeen = false, seriesSeen = false;
    std::size_t next = 0;
    // A section reads its count of lines; lines beyond the file's end store nothing.
    auto readSection = [&](auto& table, int count) {
        for (int k = 0; k < count; ++k, ++next)
            if (next < pieces.size()) table[std::size_t(k)] = decode(WithoutLineEnd(pieces[next]));
    };
    while (next < pieces.size()) {
        const std::string& piece = pieces[next++];
        if (IsHeader(piece, "[AXES LABELS]")) {
            axesSeen = true;
            readSection(axisLabels, AxisLabelCount);
        } else if (IsHeader(piece, "[VALUE SERIES]")) {
            seriesSeen = true;
            readSection(seriesNames, SeriesLabelCount);
        }
    }
    return axesSeen && seriesSeen;
}
