#include "chart/storage/GIFColorReduction.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

TGIFPalette MakeDefaultPalette()
{
    return {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
}

TGIFPalette MakeHalftonePalette()
{
    const TGIFPalette& statics = SystemDefaultPalette();
    TGIFPalette p(statics.begin(), statics.begin() + 10);
    const TGIFPalette cube = WebPalette();
    p.insert(p.end(), cube.begin(), cube.end());
    // Greys between the cube's steps, each in a 5-bit cube of its own so that a cached
    // lookup finds every entry exactly.
    for (int step = 1, added = 0; added < 20; ++step) {
        bool taken = false;
        for (int level : {0, 51, 102, 153, 204, 255, 128, 160, 164, 192}) taken = taken || (level >> 3) == step;
        if (taken) continue;
        const auto g = std::uint8_t(step * 8 + 4);
        p.push_back({g, g, g});
        ++added;
    }
    p.insert(p.end(), statics.begin() + 10, statics.end());
    return p;
}

int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// (collected + half the divisor) / divisor, truncating toward zero.
int Share(int Collected, int Divisor)
{
    return (Collected + Divisor / 2) / Divisor;
}

}  // namespace

const TGIFPalette& SystemDefaultPalette()
{
    static const TGIFPalette palette = MakeDefaultPalette();
    return palette;
}

const TGIFPalette& SystemHalftonePalette()
{
    static const TGIFPalette palette = MakeHalftonePalette();
    return palette;
}

TGIFPalette WebPalette()
{
    TGIFPalette p;
    p.reserve(216);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p.push_back({std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51)});
    return p;
}

// ---- Lookups

TFastColorLookup::TFastColorLookup(const TGIFPalette& Palette)
    : TColorLookup(int(std::min<std::size_t>(Palette.size(), 256))),
      FPalette(Palette.begin(), Palette.begin() + FColors),
      FCache(32768, 0xFFFF)
{
    for (int i = 0; i < FColors; ++i) {
        const TGIFColor& c = FPalette[std::size_t(i)];
        const int slot = (c.Red >> 3) | ((c.Green >> 3) << 5) | ((c.Blue >> 3) << 10);
        if (FCache[std::size_t(slot)] == 0xFFFF) FCache[std::size_t(slot)] = std::uint16_t(i);
    }
}

int TFastColorLookup::Lookup(int Red, int Green, int Blue, int& R, int& G, int& B)
{
    const int slot = (Red >> 3) | ((Green >> 3) << 5) | ((Blue >> 3) << 10);
    int index = FCache[std::size_t(slot)];
    if (index == 0xFFFF) {
        int best = 0x7FFFFFFF;
        index = 0;
        for (int i = 0; i < FColors; ++i) {
            const TGIFColor& c = FPalette[std::size_t(i)];
            const int d = std::abs(c.Red - Red) + std::abs(c.Green - Green) + std::abs(c.Blue - Blue);
            if (d < best) {
                best = d;
                index = i;
                if (d == 0) break;
            }
        }
        FCache[std::size_t(slot)] = std::uint16_t(index);
    }
    const TGIFColor& c = FPalette[std::size_t(index)];
    R = c.Red;
    G = c.Green;
    B = c.Blue;
    return index;
}

int TNetscapeColorLookup::Lookup(int Red, int Green, int Blue, int& R, int& G, int& B)
{
    const int r = (Red + 3) / 51;
    const int g = (Green + 3) / 51;
    const int b = (Blue + 3) / 51;
    R = r * 51;
    G = g * 51;
    B = b * 51;
    return b + 6 * g + 36 * r;
}

int TGrayScaleLookup::Lookup(int Red, int Green, int Blue, int& R, int& G, int& B)
{
    const int grey = (77 * Red + 150 * Green + 29 * Blue) / 256;
    R = G = B = grey;
    return grey;
}

int TMonochromeLookup::Lookup(int Red, int Green, int Blue, int& R, int& G, int& B)
{
    const int s = 77 * Red + 150 * Green + 29 * Blue;
    if (s < 32513) {
        R = G = B = 0;
        return 0;
    }
    R = G = B = 255;
    return 1;
}

// ---- Ditherers

TDitherEngine::TDitherEngine(int Width, TColorLookup* Lookup) : FWidth(std::max(Width, 0)), FLookup(Lookup) {}

int TDitherEngine::Dither(int Red, int Green, int Blue, int& R, int& G, int& B)
{
    FColumn += FDirection;
    return FLookup->Lookup(Red, Green, Blue, R, G, B);
}

void TDitherEngine::NextLine()
{
    FDirection = -FDirection;
    FColumn = FDirection > 0 ? 0 : FWidth - 1;
}

int TDitherEngine::LookupWithError(int Red, int Green, int Blue, int Share[3], int& R, int& G, int& B, int Error[3])
{
    const int red = Clamp255(Red + Share[0]);
    const int green = Clamp255(Green + Share[1]);
    const int blue = Clamp255(Blue + Share[2]);
    const int index = FLookup->Lookup(red, green, blue, R, G, B);
    Error[0] = red - R;
    Error[1] = green - G;
    Error[2] = blue - B;
    return index;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int Width, TColorLookup* Lookup) : TDitherEngine(Width, Lookup)
{
    for (auto& row : FErrors) row.assign(std::size_t(FWidth) + 2, 0);
}

int TFloydSteinbergDitherer::Dither(int Red, int Green, int Blue, int& R, int& G, int& B)
{
    int share[3];
    for (int c = 0; c < 3; ++c) share[c] = Share(FErrors[std::size_t(c)][std::size_t(FPointer)] + FShare[c], 16);
    int error[3];
    const int index = LookupWithError(Red, Green, Blue, share, R, G, B, error);
    for (int c = 0; c < 3; ++c) {
        const int e = error[c];
        FErrors[std::size_t(c)][std::size_t(FPointer)] = FBelowPrev[c] + 3 * e;
        FBelowPrev[c] = FBelow[c] + 5 * e;
        FBelow[c] = e;
        FShare[c] = 7 * e;
    }
    FPointer += FDirection;
    FColumn += FDirection;
    return index;
}

void TFloydSteinbergDitherer::NextLine()
{
    for (int c = 0; c < 3; ++c) {
        FErrors[std::size_t(c)][std::size_t(FPointer)] = FBelowPrev[c];
        FShare[c] = FBelow[c] = FBelowPrev[c] = 0;
    }
    TDitherEngine::NextLine();
    FPointer = FDirection > 0 ? 0 : FWidth + 1;
}

TKernelDitherer::TKernelDitherer(int Width, TColorLookup* Lookup, int Divisor, int Margin,
                                 std::vector<TDitherWeight> Kernel)
    : TDitherEngine(Width, Lookup), FDivisor(Divisor), FMargin(Margin), FKernel(std::move(Kernel))
{
    int rows = 1;
    for (const TDitherWeight& w : FKernel) rows = std::max(rows, w.Row + 1);
    FRows.resize(std::size_t(rows));
    for (auto& row : FRows)
        for (auto& channel : row) channel.assign(std::size_t(FWidth + 2 * FMargin), 0);
}

int TKernelDitherer::Dither(int Red, int Green, int Blue, int& R, int& G, int& B)
{
    int share[3];
    const std::size_t at = std::size_t(FColumn + FMargin);
    for (int c = 0; c < 3; ++c) share[c] = Share(FRows[0][std::size_t(c)][at], FDivisor);
    int error[3];
    const int index = LookupWithError(Red, Green, Blue, share, R, G, B, error);
    Distribute(error);
    FColumn += FDirection;
    return index;
}

void TKernelDitherer::Distribute(const int Error[3])
{
    for (const TDitherWeight& w : FKernel) {
        const std::size_t at = std::size_t(FColumn + FDirection * w.Offset + FMargin);
        auto& row = FRows[std::size_t(w.Row)];
        for (int c = 0; c < 3; ++c) row[std::size_t(c)][at] += w.Weight * Error[c];
    }
}

void TKernelDitherer::NextLine()
{
    std::rotate(FRows.begin(), FRows.begin() + 1, FRows.end());
    for (auto& channel : FRows.back()) std::fill(channel.begin(), channel.end(), 0);
    TDitherEngine::NextLine();
}

TBurkesDitherer::TBurkesDitherer(int Width, TColorLookup* Lookup)
    : TKernelDitherer(Width, Lookup, 32, 2,
                      {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}})
{}

TSteveArcheDitherer::TSteveArcheDitherer(int Width, TColorLookup* Lookup)
    : TKernelDitherer(Width, Lookup, 200, 3,
                      {{0, 2, 32},
                       {1, -3, 12},
                       {1, -1, 26},
                       {1, 1, 30},
                       {1, 3, 16},
                       {2, -2, 12},
                       {2, 0, 26},
                       {2, 2, 12},
                       {3, -3, 5},
                       {3, -1, 12},
                       {3, 1, 12},
                       {3, 3, 5}})
{}

TStuckiDitherer::TStuckiDitherer(int Width, TColorLookup* Lookup)
    : T5by3Ditherer(Width, Lookup, 42, 2,
                    {{0, 1, 8},
                     {0, 2, 4},
                     {1, -2, 2},
                     {1, -1, 4},
                     {1, 0, 8},
                     {1, 1, 4},
                     {1, 2, 2},
                     {2, -2, 1},
                     {2, -1, 2},
                     {2, 0, 4},
                     {2, 1, 2},
                     {2, 2, 1}})
{}

TSierraDitherer::TSierraDitherer(int Width, TColorLookup* Lookup)
    : T5by3Ditherer(Width, Lookup, 32, 2,
                    {{0, 1, 5},
                     {0, 2, 3},
                     {1, -2, 2},
                     {1, -1, 4},
                     {1, 0, 5},
                     {1, 1, 4},
                     {1, 2, 2},
                     {2, -1, 2},
                     {2, 0, 3},
                     {2, 1, 2}})
{}

TJaJuNiDitherer::TJaJuNiDitherer(int Width, TColorLookup* Lookup)
    : T5by3Ditherer(Width, Lookup, 48, 2,
                    {{0, 1, 7},
                     {0, 2, 5},
                     {1, -2, 3},
                     {1, -1, 5},
                     {1, 0, 7},
                     {1, 1, 5},
                     {1, 2, 3},
                     {2, -2, 1},
                     {2, -1, 3},
                     {2, 0, 5},
                     {2, 1, 3},
                     {2, 2, 1}})
{}

std::unique_ptr<TDitherEngine> CreateDitherer(TDitherMode DitherMode, int Width, TColorLookup* Lookup)
{
    switch (DitherMode) {
        case dmFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(Width, Lookup);
        case dmStucki: return std::make_unique<TStuckiDitherer>(Width, Lookup);
        case dmSierra: return std::make_unique<TSierraDitherer>(Width, Lookup);
        case dmJaJuNI: return std::make_unique<TJaJuNiDitherer>(Width, Lookup);
        case dmSteveArche: return std::make_unique<TSteveArcheDitherer>(Width, Lookup);
        case dmBurkes: return std::make_unique<TBurkesDitherer>(Width, Lookup);
        case dmNearest:
        default: return std::make_unique<TDitherEngine>(Width, Lookup);
    }
}

// ---- Row access

TDIBReader::TDIBReader(const TBitmap* Bitmap)
{
    if (!Bitmap) return;
    const QImage& image = Bitmap->Image();
    FImage = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                 ? image
                 : image.convertToFormat(QImage::Format_RGB32);
}

const std::uint8_t* TDIBReader::ScanLine(int Row) const
{
    if (Row < 0 || Row >= FImage.height()) throw EListError("Scan line index out of range");
    return FImage.constScanLine(Row);
}

TDIBWriter::TDIBWriter(int Width, int Height, TPixelFormat PixelFormat, const TGIFPalette& Palette)
    : FWidth(Width), FHeight(Height), FPaletteCount(int(std::min<std::size_t>(Palette.size(), 256)))
{
    if (PixelFormat != pf8bit) throw GIFException("Unsupported PixelFormat");
    if (Width <= 0 || Height <= 0) throw GIFException("Invalid image dimensions");
    std::copy(Palette.begin(), Palette.begin() + FPaletteCount, FColorTable.begin());
    if (std::int64_t(Width) * Height > GIFMaximumFramePixels)
        throw GIFException("Failed to allocate memory for GIF DIB");
    FBits.assign(std::size_t(std::int64_t(Width) * Height), 0);
}

std::uint8_t* TDIBWriter::ScanLine(int Row)
{
    if (FBits.empty()) throw GIFException("Image has no DIB");
    if (Row < 0 || Row >= FHeight) throw EListError("Scan line index out of range");
    return FBits.data() + std::int64_t(Row) * FWidth;
}

void TDIBWriter::SaveToBitmap(TBitmap* Bitmap) const
{
    QImage image(FWidth, FHeight, QImage::Format_RGB32);
    QRgb table[256];
    for (int i = 0; i < 256; ++i) {
        const TGIFColor& c = FColorTable[std::size_t(i)];
        table[i] = qRgb(c.Red, c.Green, c.Blue);
    }
    for (int y = 0; y < FHeight; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* src = FBits.data() + std::int64_t(y) * FWidth;
        for (int x = 0; x < FWidth; ++x) dst[x] = table[src[x]];
    }
    Bitmap->SetImage(image);
    Bitmap->SetPixelFormat(pf8bit);
}

// ---- Octree quantiser

TColorQuantizer::TColorQuantizer(int MaxColors, int ColorBits)
    : FTree(std::make_unique<TOctreeNode>()),
      FMaxColors(std::max(MaxColors, 1)),
      FColorBits(std::clamp(ColorBits, 1, 8))
{}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::AddColor(int Red, int Green, int Blue)
{
    TOctreeNode* node = FTree.get();
    for (int level = 0; !node->Leaf; ++level) {
        const int shift = 7 - level;
        const int child = (((Red >> shift) & 1) << 2) | (((Green >> shift) & 1) << 1) | ((Blue >> shift) & 1);
        auto& slot = node->Children[std::size_t(child)];
        if (!slot) {
            slot = std::make_unique<TOctreeNode>();
            if (level + 1 == FColorBits) {
                slot->Leaf = true;
                ++FLeafCount;
            } else {
                slot->Next = FReducibleNodes[std::size_t(level + 1)];
                FReducibleNodes[std::size_t(level + 1)] = slot.get();
            }
        }
        node = slot.get();
    }
    ++node->PixelCount;
    node->RedSum += std::uint64_t(Red);
    node->GreenSum += std::uint64_t(Green);
    node->BlueSum += std::uint64_t(Blue);
    while (FLeafCount > FMaxColors) {
        const int before = FLeafCount;
        Reduce();
        if (FLeafCount == before) break;  // nothing left to merge
    }
}

void TColorQuantizer::Reduce()
{
    int level = FColorBits - 1;
    while (level >= 1 && !FReducibleNodes[std::size_t(level)]) --level;
    if (level < 1) return;
    TOctreeNode* node = FReducibleNodes[std::size_t(level)];
    FReducibleNodes[std::size_t(level)] = node->Next;
    node->Next = nullptr;
    int children = 0;
    for (auto& child : node->Children) {
        if (!child) continue;
        node->PixelCount += child->PixelCount;
        node->RedSum += child->RedSum;
        node->GreenSum += child->GreenSum;
        node->BlueSum += child->BlueSum;
        child.reset();
        ++children;
    }
    node->Leaf = true;
    FLeafCount -= children - 1;
}

void TColorQuantizer::ProcessImage(const TDIBReader& Reader)
{
    for (int y = 0; y < Reader.GetHeight(); ++y) {
        const std::uint8_t* p = Reader.ScanLine(y);
        for (int x = 0; x < Reader.GetWidth(); ++x, p += TDIBReader::PixelStride) AddColor(p[2], p[1], p[0]);
    }
}

namespace {
void CollectLeaves(const TOctreeNode* node, TGIFPalette& out)
{
    if (node->Leaf) {
        const std::uint64_t n = std::max<std::uint64_t>(node->PixelCount, 1);
        out.push_back(
            {std::uint8_t(node->RedSum / n), std::uint8_t(node->GreenSum / n), std::uint8_t(node->BlueSum / n)});
        return;
    }
    for (const auto& child : node->Children)
        if (child) CollectLeaves(child.get(), out);
}

TGIFPalette FinishPalette(const TColorQuantizer& Quantizer, int Colors, bool StaticColors)
{
    TGIFPalette quantised = Quantizer.GetColorTable();
    quantised.resize(std::size_t(Colors), quantised.empty() ? TGIFColor{} : quantised.back());
    if (!StaticColors) return quantised;
    const TGIFPalette& statics = SystemDefaultPalette();
    TGIFPalette p(statics.begin(), statics.begin() + 10);
    p.insert(p.end(), quantised.begin(), quantised.end());
    p.insert(p.end(), statics.begin() + 10, statics.end());
    return p;
}
}  // namespace

TGIFPalette TColorQuantizer::GetColorTable() const
{
    TGIFPalette out;
    CollectLeaves(FTree.get(), out);
    return out;
}

TGIFPalette CreateOptimizedPaletteFromSingleBitmap(const TDIBReader& Reader, int Colors, int ColorBits,
                                                   bool StaticColors)
{
    const int wanted = StaticColors ? 236 : std::clamp(Colors, 1, 256);
    TColorQuantizer quantizer(wanted, ColorBits);
    quantizer.ProcessImage(Reader);
    return FinishPalette(quantizer, wanted, StaticColors);
}

TGIFPalette CreateOptimizedPaletteFromManyBitmaps(const std::vector<const TBitmap*>& Bitmaps, int Colors, int ColorBits,
                                                  bool StaticColors)
{
    if (Bitmaps.empty()) throw GIFException("Invalid bitmap list");
    const int wanted = StaticColors ? 236 : std::clamp(Colors, 1, 256);
    TColorQuantizer quantizer(wanted, ColorBits);
    for (const TBitmap* bitmap : Bitmaps) {
        if (!bitmap) continue;
        quantizer.ProcessImage(TDIBReader(bitmap));
    }
    return FinishPalette(quantizer, wanted, StaticColors);
}

// ---- Reduction

std::unique_ptr<TDIBWriter> ReduceColorsToDIB(const TBitmap* Bitmap, TColorReduction ColorReduction,
                                              TDitherMode DitherMode, int ReductionBits, const TGIFColorMap* Palette)
{
    if (ColorReduction == rmNone || !Bitmap) return nullptr;
    if (ColorReduction == rmQuantize && (ReductionBits < 3 || ReductionBits > 8))
        throw GIFException("Invalid Bits Per Pixel value");
    TDIBReader reader(Bitmap);
    TGIFPalette palette;
    std::unique_ptr<TColorLookup> lookup;
    switch (ColorReduction) {
        case rmWindows20: palette = SystemDefaultPalette(); break;
        case rmWindows256: palette = SystemHalftonePalette(); break;
        case rmWindowsGray: palette = {{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}}; break;
        case rmMonochrome:
            palette = {{0, 0, 0}, {255, 255, 255}};
            lookup = std::make_unique<TMonochromeLookup>();
            break;
        case rmGrayScale:
            for (int i = 0; i < 256; ++i) palette.push_back({std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)});
            lookup = std::make_unique<TGrayScaleLookup>();
            break;
        case rmNetscape:
            palette = WebPalette();
            lookup = std::make_unique<TNetscapeColorLookup>();
            break;
        case rmQuantize: palette = CreateOptimizedPaletteFromSingleBitmap(reader, 1 << ReductionBits, 8, false); break;
        case rmQuantizeWindows: palette = CreateOptimizedPaletteFromSingleBitmap(reader, 256, 8, true); break;
        case rmPalette:
            if (Palette) palette.assign(Palette->Data(), Palette->Data() + Palette->GetCount());
            break;
        default: return nullptr;
    }
    if (!lookup) lookup = std::make_unique<TFastColorLookup>(palette);
    if (lookup->GetColors() == 0) return nullptr;
    const int width = reader.GetWidth();
    const int height = reader.GetHeight();
    auto ditherer = CreateDitherer(DitherMode, width, lookup.get());
    auto writer = std::make_unique<TDIBWriter>(width, height, pf8bit, palette);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = reader.ScanLine(y);
        std::uint8_t* dst = writer->ScanLine(y);
        int r, g, b;
        for (int x = ditherer->GetColumn(); x >= 0 && x < width; x = ditherer->GetColumn()) {
            const std::uint8_t* p = src + std::size_t(x) * TDIBReader::PixelStride;
            dst[x] = std::uint8_t(ditherer->Dither(p[2], p[1], p[0], r, g, b));
        }
        ditherer->NextLine();
    }
    return writer;
}

std::unique_ptr<TBitmap> ReduceColors(TBitmap* Bitmap, TColorReduction ColorReduction, TDitherMode DitherMode,
                                      int ReductionBits, const TGIFColorMap* Palette)
{
    auto result = std::make_unique<TBitmap>();
    if (!Bitmap) return result;
    if (ColorReduction == rmNone) {
        result->Assign(Bitmap);
        result->SetPixelFormat(pf24bit);
        return result;
    }
    if (auto writer = ReduceColorsToDIB(Bitmap, ColorReduction, DitherMode, ReductionBits, Palette))
        writer->SaveToBitmap(result.get());
    return result;
}
