#pragma once
// Colour reduction of true-colour pictures to 8 bits per pixel: fixed palettes, the octree
// quantiser, the colour lookups that map a colour to a palette index, and the error-diffusion
// ditherers that spread each pixel's rounding error to its neighbours.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "chart/storage/TGIFImage.h"

using TGIFPalette = std::vector<TGIFColor>;

// The 20 static colours of the system's default palette (the first 10 and the last 10 of a
// 256-entry system palette).
const TGIFPalette& SystemDefaultPalette();
// The system's halftone palette: the 20 static colours at 0-9 and 246-255 and a colour cube
// with grey steps between them (256 entries).
const TGIFPalette& SystemHalftonePalette();
// The 216-colour web palette: entry r*36 + g*6 + b has the channels r*51, g*51, b*51.
TGIFPalette WebPalette();

// Maps a colour to a palette index and gives back that entry's colour.
class TColorLookup {
public:
    explicit TColorLookup(int Colors) : FColors(Colors) {}
    virtual ~TColorLookup() = default;
    virtual int Lookup(int Red, int Green, int Blue, int& R, int& G, int& B) = 0;
    int GetColors() const { return FColors; }

protected:
    int FColors;
};

// Nearest entry by the sum of the channel differences, cached per 5-bit cube: the first
// colour met in a cube decides the entry for every later colour of that cube.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(const TGIFPalette& Palette);
    int Lookup(int Red, int Green, int Blue, int& R, int& G, int& B) override;

private:
    TGIFPalette FPalette;
    std::vector<std::uint16_t> FCache;
};

class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    int Lookup(int Red, int Green, int Blue, int& R, int& G, int& B) override;
};

class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    int Lookup(int Red, int Green, int Blue, int& R, int& G, int& B) override;
};

class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    int Lookup(int Red, int Green, int Blue, int& R, int& G, int& B) override;
};

// Maps pixels to palette indices row by row. Rows are scanned alternately left to right and
// right to left, starting left to right; GetColumn and GetDirection tell where the next
// pixel of the current row is. The base engine does no diffusion (nearest colour).
class TDitherEngine {
public:
    TDitherEngine(int Width, TColorLookup* Lookup);
    virtual ~TDitherEngine() = default;
    virtual int Dither(int Red, int Green, int Blue, int& R, int& G, int& B);
    virtual void NextLine();
    int GetColumn() const { return FColumn; }
    int GetDirection() const { return FDirection; }
    int GetWidth() const { return FWidth; }

protected:
    // The channel values plus the collected shares, clamped, looked up; the errors are
    // the clamped values minus the colour given back.
    int LookupWithError(int Red, int Green, int Blue, int Share[3], int& R, int& G, int& B, int Error[3]);
    int FWidth;
    TColorLookup* FLookup;
    int FDirection = 1;
    int FColumn = 0;
};

class TFloydSteinbergDitherer : public TDitherEngine {
public:
    TFloydSteinbergDitherer(int Width, TColorLookup* Lookup);
    int Dither(int Red, int Green, int Blue, int& R, int& G, int& B) override;
    void NextLine() override;

private:
    std::array<std::vector<int>, 3> FErrors;  // width + 2 entries per channel
    int FPointer = 0;
    int FShare[3] = {};
    int FBelow[3] = {};
    int FBelowPrev[3] = {};
};

// A diffusion kernel: weights on the current row ahead of the pixel and on the rows below,
// at offsets counted in the scan direction (negative = behind).
struct TDitherWeight {
    int Row;
    int Offset;
    int Weight;
};

// Ditherers that keep one error row per kernel row and add each share straight into it.
class TKernelDitherer : public TDitherEngine {
public:
    TKernelDitherer(int Width, TColorLookup* Lookup, int Divisor, int Margin, std::vector<TDitherWeight> Kernel);
    int Dither(int Red, int Green, int Blue, int& R, int& G, int& B) override;
    void NextLine() override;

protected:
    virtual void Distribute(const int Error[3]);
    int FDivisor;
    int FMargin;
    std::vector<TDitherWeight> FKernel;
    // FRows[row][channel][column + margin]
    std::vector<std::array<std::vector<int>, 3>> FRows;
};

class TBurkesDitherer : public TKernelDitherer {
public:
    TBurkesDitherer(int Width, TColorLookup* Lookup);
};

class TSteveArcheDitherer : public TKernelDitherer {
public:
    TSteveArcheDitherer(int Width, TColorLookup* Lookup);
};

// Kernels of up to five columns and three rows.
class T5by3Ditherer : public TKernelDitherer {
public:
    using TKernelDitherer::TKernelDitherer;
};

class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(int Width, TColorLookup* Lookup);
};

class TSierraDitherer : public T5by3Ditherer {
public:
    TSierraDitherer(int Width, TColorLookup* Lookup);
};

class TJaJuNiDitherer : public T5by3Ditherer {
public:
    TJaJuNiDitherer(int Width, TColorLookup* Lookup);
};

std::unique_ptr<TDitherEngine> CreateDitherer(TDitherMode DitherMode, int Width, TColorLookup* Lookup);

// Rows of a bitmap as 24-bit pixels (blue, green, red), top to bottom.
class TDIBReader {
public:
    explicit TDIBReader(const TBitmap* Bitmap);
    int GetWidth() const { return FImage.width(); }
    int GetHeight() const { return FImage.height(); }
    // Pixel x of the row is at ScanLine(row) + x * PixelStride.
    const std::uint8_t* ScanLine(int Row) const;
    static constexpr int PixelStride = 4;

private:
    QImage FImage;
};

// An 8-bit picture built row by row: the pixel indices and a 256-entry colour table that
// holds the palette's entries followed by black.
class TDIBWriter {
public:
    // Only 8 bits per pixel ("Unsupported PixelFormat": a true-colour result is a plain
    // bitmap copy), a width and height other than 0 ("Invalid image dimensions").
    TDIBWriter(int Width, int Height, TPixelFormat PixelFormat, const TGIFPalette& Palette);
    std::uint8_t* ScanLine(int Row);
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    const std::array<TGIFColor, 256>& ColorTable() const { return FColorTable; }
    int GetPaletteCount() const { return FPaletteCount; }
    std::vector<std::uint8_t>& Bits() { return FBits; }
    // The finished picture as a bitmap (8 bits per pixel, its pixels in their table colours).
    void SaveToBitmap(TBitmap* Bitmap) const;

private:
    int FWidth;
    int FHeight;
    int FPaletteCount;
    std::array<TGIFColor, 256> FColorTable{};
    std::vector<std::uint8_t> FBits;  // one byte per pixel, rows top to bottom
};

// Octree over the colour bits; leaves hold pixel counts and colour sums.
struct TOctreeNode {
    bool Leaf = false;
    std::uint64_t PixelCount = 0;
    std::uint64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
    std::array<std::unique_ptr<TOctreeNode>, 8> Children;
    TOctreeNode* Next = nullptr;  // next reducible node of the same level
};

class TColorQuantizer {
public:
    TColorQuantizer(int MaxColors, int ColorBits);
    ~TColorQuantizer();
    void AddColor(int Red, int Green, int Blue);
    void ProcessImage(const TDIBReader& Reader);
    int GetLeafCount() const { return FLeafCount; }
    // The leaves in tree order, each the average of its pixels.
    TGIFPalette GetColorTable() const;

private:
    void Reduce();
    std::unique_ptr<TOctreeNode> FTree;
    int FLeafCount = 0;
    int FMaxColors;
    int FColorBits;
    std::array<TOctreeNode*, 9> FReducibleNodes{};
};

// A palette of Colors entries quantised from the pixels of one or many bitmaps; with static
// colours, 256 entries: the 20 static colours at 0-9 and 246-255 around 236 quantised ones.
// Entries the quantiser cannot fill repeat its last colour, so a lookup never chooses them.
TGIFPalette CreateOptimizedPaletteFromSingleBitmap(const TDIBReader& Reader, int Colors, int ColorBits,
                                                   bool StaticColors);
// "Invalid bitmap list" for an empty list.
TGIFPalette CreateOptimizedPaletteFromManyBitmaps(const std::vector<const TBitmap*>& Bitmaps, int Colors, int ColorBits,
                                                  bool StaticColors);

// The reduction as the frames of a GIF picture take it: the writer holding the indices and
// the colour table, or null when the reduction made no picture (rmNone, an empty palette, an
// unknown reduction).
std::unique_ptr<TDIBWriter> ReduceColorsToDIB(const TBitmap* Bitmap, TColorReduction ColorReduction,
                                              TDitherMode DitherMode, int ReductionBits, const TGIFColorMap* Palette);
