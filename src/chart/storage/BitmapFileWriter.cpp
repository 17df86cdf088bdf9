#include "chart/storage/BitmapFileWriter.h"

#include <QHash>
#include <array>
#include <vector>

namespace {

constexpr int kDotsPerMeter = 3780;  // 96 dots per inch

void Put16(std::uint8_t* p, unsigned v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

// The 16 colours of the standard 4-bit palette.
constexpr std::array<QRgb, 16> kStandard16 = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

int Distance(QRgb a, QRgb b)
{
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

// A colour table and the way from a pixel to its index.
class Palette {
public:
    Palette(const QImage& img, int bits)
    {
        const int limit = 1 << bits;
        // The picture's own colours, in order of first appearance, when they fit.
        bool fits = true;
        for (int y = 0; y < img.height() && fits; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = line[x] & 0xFFFFFFu;
                if (FIndex.contains(c)) continue;
                if (int(FColors.size()) == limit) {
                    fits = false;
                    break;
                }
                FIndex.insert(c, int(FColors.size()));
                FColors.push_back(c);
            }
        }
        if (fits) {
            if (FColors.empty()) FColors.push_back(0);
            return;
        }
        FIndex.clear();
        FColors.clear();
        if (bits == 4) {
            FColors.assign(kStandard16.begin(), kStandard16.end());
        } else {
            FCube = true;
            for (int r = 0; r < 6; ++r)
                for (int g = 0; g < 6; ++g)
                    for (int b = 0; b < 6; ++b) FColors.push_back(qRgb(r * 51, g * 51, b * 51) & 0xFFFFFFu);
        }
    }

    const std::vector<QRgb>& Colors() const { return FColors; }

    int IndexOf(QRgb c)
    {
        c &= 0xFFFFFFu;
        if (FCube) {
            const auto level = [](int v) { return (v + 25) / 51; };
            return level(qRed(c)) * 36 + level(qGreen(c)) * 6 + level(qBlue(c));
        }
        auto it = FIndex.constFind(c);
        if (it != FIndex.constEnd()) return it.value();
        int best = 0;
        for (int i = 1; i < int(FColors.size()); ++i)
            if (Distance(c, FColors[i]) < Distance(c, FColors[best])) best = i;
        FIndex.insert(c, best);
        return best;
    }

private:
    std::vector<QRgb> FColors;
    QHash<QRgb, int> FIndex;
    bool FCube = false;
};

}  // namespace

int BitmapFileBitCount(const TBitmap& Bitmap)
{
    if (Bitmap.GetMonochrome()) return 1;
    switch (Bitmap.GetPixelFormat()) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf15bit:
        case pf16bit: return 16;
        case pf32bit: return 32;
        default: return 24;
    }
}

void WriteBitmapFile(const TBitmap& Bitmap, TStream* Stream)
{
    const QImage& img = Bitmap.Image();
    const int w = img.width(), h = img.height();
    const int bits = BitmapFileBitCount(Bitmap);
    const bool fields565 = bits == 16 && Bitmap.GetPixelFormat() == pf16bit && !Bitmap.GetMonochrome();

    std::vector<QRgb> colors;
    std::unique_ptr<Palette> palette;
    if (bits == 1) {
        colors = {0x000000, 0xFFFFFF};
    } else if (bits <= 8) {
        palette = std::make_unique<Palette>(img, bits);
        colors = palette->Colors();
    }
    const std::uint32_t stride = ((std::uint32_t(w) * std::uint32_t(bits) + 31) / 32) * 4;
    const std::uint32_t imageSize = stride * std::uint32_t(h);
    const std::uint32_t extra = fields565 ? 12 : std::uint32_t(colors.size()) * 4;
    const std::uint32_t offset = 14 + 40 + extra;
    const std::uint64_t fileSize = std::uint64_t(offset) + imageSize;
    if (fileSize > 0xFFFFFFFFu) throw EWriteError("Picture too large for a bitmap file");

    // The whole file is built in memory and written in one piece.
    std::vector<std::uint8_t> file(std::size_t(fileSize), 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(&file[2], std::uint32_t(fileSize));
    Put32(&file[10], offset);
    Put32(&file[14], 40);
    Put32(&file[18], std::uint32_t(w));
    Put32(&file[22], std::uint32_t(h));  // positive: rows bottom-up
    Put16(&file[26], 1);
    Put16(&file[28], unsigned(bits));
    Put32(&file[30], fields565 ? 3 : 0);  // BI_BITFIELDS or BI_RGB
    Put32(&file[34], imageSize);
    Put32(&file[38], kDotsPerMeter);
    Put32(&file[42], kDotsPerMeter);
    Put32(&file[46], std::uint32_t(colors.size()));
    Put32(&file[50], 0);
    if (fields565) {
        Put32(&file[54], 0xF800);
        Put32(&file[58], 0x07E0);
        Put32(&file[62], 0x001F);
    }
    for (std::size_t i = 0; i < colors.size(); ++i) {
        std::uint8_t* q = &file[54 + 4 * i];
        q[0] = std::uint8_t(qBlue(colors[i]));
        q[1] = std::uint8_t(qGreen(colors[i]));
        q[2] = std::uint8_t(qRed(colors[i]));
    }

    std::uint8_t* pixels = file.data() + offset;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = pixels + std::size_t(h - 1 - y) * stride;  // bottom-up
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        switch (bits) {
            case 1:
                for (int x = 0; x < w; ++x)
                    if (qGray(line[x]) >= 128) row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
                break;
            case 4:
                for (int x = 0; x < w; ++x) row[x >> 1] |= std::uint8_t(palette->IndexOf(line[x]) << ((x & 1) ? 0 : 4));
                break;
            case 8:
                for (int x = 0; x < w; ++x) row[x] = std::uint8_t(palette->IndexOf(line[x]));
                break;
            case 16:
                for (int x = 0; x < w; ++x) {
                    const unsigned r = unsigned(qRed(line[x])), g = unsigned(qGreen(line[x])),
                                   b = unsigned(qBlue(line[x]));
                    Put16(row + 2 * x, fields565 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                                 : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
                }
                break;
            case 24:
                for (int x = 0; x < w; ++x, row += 3) {
                    const QRgb c = line[x];
                    row[0] = std::uint8_t(qBlue(c));
                    row[1] = std::uint8_t(qGreen(c));
                    row[2] = std::uint8_t(qRed(c));
                }
                break;
            default:
                for (int x = 0; x < w; ++x) Put32(row + 4 * x, line[x] & 0xFFFFFFu);
                break;
        }
    }
    Stream->WriteBuffer(file.data(), std::int64_t(file.size()));
}
