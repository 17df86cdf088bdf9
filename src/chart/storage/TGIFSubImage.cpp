// TGIFSubImage, one frame: bounds, pixel data, reading and writing, conversion from a bitmap.
#include <algorithm>
#include <cstring>

#include "chart/storage/GIFBytes.h"
#include "chart/storage/GIFColorReduction.h"
#include "chart/storage/GIFLZW.h"
#include "chart/storage/TGIFImage.h"
#include "platform/TMetafile.h"

using namespace gifbytes;

TGIFSubImage::TGIFSubImage(TGIFImage* GIFImage)
    : TGIFItem(GIFImage), FColorMap(new TGIFLocalColorMap(this)), FExtensions(new TGIFExtensionList(GIFImage))
{}

TGIFSubImage::~TGIFSubImage()
{
    FGCE = nullptr;
    delete FExtensions;
    FGCE = nullptr;
    delete FColorMap;
    ReleaseData();
}

void TGIFSubImage::SetOwnerImage(TGIFImage* Image)
{
    FImage = Image;
    FExtensions->FImage = Image;
    for (TGIFItem* item : FExtensions->FItems) item->FImage = Image;
}

void TGIFSubImage::ReleaseData()
{
    ResetPalette();
    if (FImage) FImage->ReleasePixels(std::int64_t(FData.size()));
    std::vector<std::uint8_t>().swap(FData);
}

void TGIFSubImage::AllocateData(int Width, int Height)
{
    ReleaseData();
    const std::int64_t n = std::int64_t(std::max(Width, 0)) * std::max(Height, 0);
    if (n == 0) return;
    if (FImage)
        FImage->ReservePixels(n);
    else if (n > GIFMaximumFramePixels)
        throw GIFException("Image dimensions too large");
    try {
        FData.assign(std::size_t(n), 0);
    } catch (...) {
        if (FImage) FImage->ReleasePixels(n);
        throw;
    }
}

void TGIFSubImage::Clear()
{
    FExtensions->Clear();
    FGCE = nullptr;
    FColorMap->Clear();
    ReleaseData();
    FLeft = FTop = FWidth = FHeight = 0;
    FPackedFields = 0;
    FTransparent = false;
}

TGIFVersion TGIFSubImage::GetVersion() const
{
    return (FColorMap->GetOptimized() || FExtensions->GetCount() > 0) ? gv89a : gv87a;
}

void TGIFSubImage::SetInterlaced(bool Value)
{
    FPackedFields = Value ? std::uint8_t(FPackedFields | 0x40) : std::uint8_t(FPackedFields & ~0x40);
}

TGIFColorMap* TGIFSubImage::ActiveColorMap() const
{
    if (FColorMap->GetCount() > 0 || !FImage) return FColorMap;
    return FImage->GlobalColorMap();
}

std::uint8_t* TGIFSubImage::Data()
{
    if (GetEmpty()) throw GIFException("Image is empty");
    ResetPalette();  // the caller may change the pixels
    return FData.data();
}

std::uint8_t TGIFSubImage::GetPixel(int X, int Y) const
{
    if (X < 0 || X >= FWidth || Y < 0 || Y >= FHeight || FData.empty()) throw GIFException("Invalid pixel coordinates");
    return FData[std::size_t(std::int64_t(Y) * FWidth + X)];
}

void TGIFSubImage::SetPixel(int X, int Y, std::uint8_t Value)
{
    if (X < 0 || X >= FWidth || Y < 0 || Y >= FHeight || FData.empty()) throw GIFException("Invalid pixel coordinates");
    ResetPalette();
    FData[std::size_t(std::int64_t(Y) * FWidth + X)] = Value;
}

std::uint8_t* TGIFSubImage::GetScanline(int Y)
{
    if (Y < 0 || Y >= FHeight || FData.empty()) throw GIFException("Invalid pixel coordinates");
    ResetPalette();  // the caller may change the pixels
    return FData.data() + std::int64_t(Y) * FWidth;
}

void TGIFSubImage::SetBoundsRect(const TRect& Value)
{
    // The file stores 16-bit positions and sizes, and the logical screen must hold the
    // frame; anything beyond would be written cut off.
    if (Value.Left < 0 || Value.Top < 0 || Value.Width() < 0 || Value.Height() < 0 || Value.Right > 0xFFFF ||
        Value.Bottom > 0xFFFF)
        throw GIFException("Invalid image dimensions");
    const int left = Value.Left;
    const int top = Value.Top;
    const int width = Value.Width();
    const int height = Value.Height();
    const bool resized = width != FWidth || height != FHeight;
    if (resized) AllocateData(width, height);
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (!FImage) return;
    TGIFHeader* h = FImage->Header();
    bool grown = false;
    if (h->Width < FLeft + FWidth) {
        if (h->Width != 0) Warning(gsWarning, "Image width too small for contained frames");
        grown = grown || h->Width != 0;
        h->Width = FLeft + FWidth;
    }
    if (h->Height < FTop + FHeight) {
        if (h->Height != 0) Warning(gsWarning, "Image height too small for contained frames");
        grown = grown || h->Height != 0;
        h->Height = FTop + FHeight;
    }
    if (grown) Warning(gsWarning, "Image exceeds Logical Screen size");
    if (resized) FImage->FrameChanged();
}

void TGIFSubImage::LoadFromStream(TStream* Stream)
{
    Clear();
    FExtensions->LoadFromStream(Stream, this);
    std::uint8_t b = 0;
    if (Stream->Read(&b, 1) != 1) return;
    Stream->Seek(-1, soFromCurrent);
    // Only a descriptor follows; anything else is left for the frame list to judge.
    if (b != ',') return;
    std::uint8_t d[10];
    if (Stream->Read(d, 10) != 10) throw GIFException("Premature end of data");
    int width = Get16(d + 5);
    int height = Get16(d + 7);
    if (width == 0 || height == 0) {
        width = FImage ? FImage->GetWidth() : 0;
        height = FImage ? FImage->GetHeight() : 0;
        Warning(gsWarning, "Image exceeds Logical Screen size");
    }
    FLeft = Get16(d + 1);
    FTop = Get16(d + 3);
    FPackedFields = d[9];
    FColorMap->LoadDescribed(Stream, FPackedFields, 0x20, "Image Descriptor");
    AllocateData(width, height);
    FWidth = width;
    FHeight = height;
    Decompress(Stream);
}

void TGIFSubImage::SaveToStream(TStream* Stream)
{
    FExtensions->SaveToStream(Stream);
    if (GetEmpty()) return;
    if (FColorMap->GetCount() > 0) {
        int packed = 0x80 | (FColorMap->GetColorResolution() & 0x07);
        if (FColorMap->GetOptimized()) packed |= 0x20;
        FPackedFields = std::uint8_t(packed);
    } else {
        FPackedFields &= std::uint8_t(~(0x80 | 0x20 | 0x07));
    }
    std::uint8_t d[10];
    d[0] = ',';
    Put16(d + 1, FLeft);
    Put16(d + 3, FTop);
    Put16(d + 5, FWidth);
    Put16(d + 7, FHeight);
    d[9] = FPackedFields;
    Stream->WriteBuffer(d, 10);
    FColorMap->SaveToStream(Stream);
    Compress(Stream);
}

void TGIFSubImage::Decompress(TStream* Stream)
{
    std::uint8_t fill = 0;
    if (FGCE && FGCE->GetTransparent()) fill = std::uint8_t(FGCE->GetTransparentColorIndex());
    std::fill(FData.begin(), FData.end(), fill);
    const int w = FData.empty() ? 0 : FWidth;
    const int h = FData.empty() ? 0 : FHeight;
    DecodeGIFFrame(Stream, FData.data(), w, h, GetInterlaced(),
                   [this](const AnsiString& Message) { Warning(gsWarning, Message); });
}

void TGIFSubImage::Compress(TStream* Stream)
{
    int colors;
    int bits;
    if (FColorMap->GetCount() > 0) {
        colors = FColorMap->GetCount();
        bits = FColorMap->GetBitsPerPixel();
    } else {
        bits = FImage ? FImage->GetBitsPerPixel() : 8;
        colors = 1 << bits;
    }
    const TGIFCompression compression = FImage ? FImage->Compression : gcLZW;
    std::unique_ptr<TGIFEncoder> encoder;
    if (compression == gcRLE)
        encoder = std::make_unique<TRLEEncoder>();
    else
        encoder = std::make_unique<TLZWEncoder>();
    encoder->Compress(Stream, colors, bits, FWidth, FHeight, GetInterlaced(), FData.empty() ? nullptr : FData.data());
}

void TGIFSubImage::Assign(TPersistent* Source)
{
    if (Source == this) return;
    if (auto* frame = dynamic_cast<TGIFSubImage*>(Source)) {
        Clear();
        AllocateData(frame->FWidth, frame->FHeight);
        FData = frame->FData;
        FLeft = frame->FLeft;
        FTop = frame->FTop;
        FWidth = frame->FWidth;
        FHeight = frame->FHeight;
        FPackedFields = frame->FPackedFields;
        FTransparent = frame->FTransparent;
        FColorMap->Assign(frame->FColorMap);
        for (int i = 0; i < frame->FExtensions->GetCount(); ++i)
            FExtensions->Add(frame->FExtensions->GetExtension(i)->Clone(this));
        return;
    }
    if (auto* bmp = qobject_cast<TBitmap*>(Source)) {
        AssignFromBitmap(bmp);
        // A transparent bitmap's mask: the pixels of its colour in the bottom-left corner.
        if (bmp->GetTransparent() && !GetEmpty()) {
            const QImage& img = bmp->Image();
            const QRgb key = img.pixel(0, img.height() - 1) & 0x00FFFFFFu;
            std::vector<bool> mask(FData.size());
            for (int y = 0; y < FHeight; ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
                for (int x = 0; x < FWidth; ++x) mask[std::size_t(y) * FWidth + x] = (row[x] & 0x00FFFFFFu) == key;
            }
            ApplyMask(mask);
        }
        return;
    }
    if (auto* metafile = qobject_cast<TMetafile*>(Source)) {
        AssignFromMetafile(metafile);
        return;
    }
    if (auto* pic = qobject_cast<TPicture*>(Source)) {
        Assign(pic->GetGraphic());
        return;
    }
    if (auto* g = qobject_cast<TGraphic*>(Source)) {
        // Any other picture is drawn onto a true-colour bitmap first.
        TBitmap bmp;
        bmp.SetImage(g->ToImage());
        bmp.SetPixelFormat(pf24bit);
        AssignFromBitmap(&bmp);
        return;
    }
    TGIFItem::Assign(Source);
}

void TGIFSubImage::AssignFromMetafile(TMetafile* Source)
{
    const int w = Source->GetWidth(), h = Source->GetHeight();
    if (w <= 0 || h <= 0) {
        AssignFromBitmap(nullptr);
        return;
    }
    // Played on white and on black: the pixels that keep the background both times are
    // the ones the drawing leaves alone, and become transparent.
    TBitmap onWhite, onBlack;
    onWhite.SetSize(w, h);
    onBlack.SetSize(w, h);
    onBlack.Image().fill(Qt::black);
    Source->Draw(onWhite.Canvas(), Rect(0, 0, w, h));
    Source->Draw(onBlack.Canvas(), Rect(0, 0, w, h));
    const QImage& white = onWhite.Image();
    const QImage& black = onBlack.Image();
    std::vector<bool> mask(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(white.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(black.constScanLine(y));
        for (int x = 0; x < w; ++x)
            mask[std::size_t(y) * w + x] = (a[x] & 0x00FFFFFFu) == 0x00FFFFFFu && (b[x] & 0x00FFFFFFu) == 0;
    }
    onWhite.SetPixelFormat(pf24bit);
    AssignFromBitmap(&onWhite);
    if (!GetEmpty()) ApplyMask(mask);
}

void TGIFSubImage::ApplyMask(const std::vector<bool>& Mask)
{
    if (Mask.size() != FData.size()) return;
    FColorMap->Optimize();
    // A full table has no room for the transparent entry, an empty one nothing to mask.
    const int count = FColorMap->GetCount();
    if (count < 1 || count > 255) return;
    const int index = FColorMap->Add(clBlack);
    bool masked = false;
    for (std::size_t i = 0; i < Mask.size(); ++i)
        if (Mask[i]) {
            FData[i] = std::uint8_t(index);
            masked = true;
        }
    if (!masked) {
        FColorMap->Delete(index);
        return;
    }
    if (!FGCE) FExtensions->Add(new TGIFGraphicControlExtension(this));
    FGCE->SetTransparent(true);
    FGCE->SetTransparentColorIndex(index);
}

void TGIFSubImage::AssignFromBitmap(TBitmap* Source)
{
    const int left = FLeft;
    const int top = FTop;
    Clear();
    if (!Source || Source->GetEmpty()) return;
    // A bitmap of more than 8 bits per pixel is reduced first; its frame takes the
    // reduction's colour table whole and the indices as they are.
    const TPixelFormat format = Source->GetPixelFormat();
    const TColorReduction reduction = FImage ? FImage->ColorReduction : GIFImageDefaultColorReduction;
    std::unique_ptr<TDIBWriter> reduced;
    if (format != pf1bit && format != pf4bit && format != pf8bit && reduction != rmNone) {
        reduced = ReduceColorsToDIB(Source, reduction, FImage ? FImage->DitherMode : GIFImageDefaultDitherMode,
                                    FImage ? FImage->GetReductionBits() : GIFImageDefaultColorReductionBits, nullptr);
        // rmPalette has no palette to reduce to here.
        if (!reduced) throw GIFException("Invalid reduction method");
    }
    SetBoundsRect(Bounds(left, top, Source->GetWidth(), Source->GetHeight()));
    if (reduced) {
        FColorMap->ImportColorMap(reduced->ColorTable().data(), 256);
        for (int y = 0; y < FHeight; ++y) {
            if (FImage && y % 32 == 0) FImage->Progress(psRunning, y * 100 / FHeight, "Converting...");
            std::memcpy(FData.data() + std::int64_t(y) * FWidth, reduced->ScanLine(y), std::size_t(FWidth));
        }
        return;
    }
    // Otherwise every bitmap is read by its colours: each distinct colour becomes one entry
    // of the local colour table, in the order of first appearance. More than 256 colours
    // fail with "Color table overflow".
    const QImage& img = Source->Image();
    struct CacheEntry {
        QRgb Color;
        int Index;
    };
    CacheEntry cache[8];
    int cacheUsed = 0;
    int cacheNext = 0;
    for (int y = 0; y < FHeight; ++y) {
        if (FImage && y % 32 == 0) FImage->Progress(psRunning, y * 100 / FHeight, "Converting...");
        const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        std::uint8_t* dst = FData.data() + std::int64_t(y) * FWidth;
        for (int x = 0; x < FWidth; ++x) {
            const QRgb c = src[x] & 0x00FFFFFFu;
            int index = -1;
            // The most recent colours first.
            for (int k = 0, slot = cacheNext; k < cacheUsed; ++k) {
                slot = (slot + 7) % 8;
                if (cache[slot].Color == c) {
                    index = cache[slot].Index;
                    break;
                }
            }
            if (index < 0) {
                index = FColorMap->AddUnique(RGB(qRed(c), qGreen(c), qBlue(c)));
                cache[cacheNext] = {c, index};
                cacheNext = (cacheNext + 1) % 8;
                cacheUsed = std::min(cacheUsed + 1, 8);
            }
            dst[x] = std::uint8_t(index);
        }
    }
}
