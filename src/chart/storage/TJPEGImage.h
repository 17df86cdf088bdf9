#pragma once
// The JPEG picture: holds the compressed bytes of one JPEG file. Assigning a bitmap
// compresses it with the picture's settings; drawing and converting decode the bytes.
#include <cstdint>
#include <vector>

#include "platform/EInvalidGraphic.h"
#include "platform/TBitmap.h"
#include "platform/TStream.h"

enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
using TJPEGQualityRange = int;  // 1..100

struct TJPEGDefaults {
    TJPEGQualityRange CompressionQuality;
    bool Grayscale;
    TJPEGPerformance Performance;
    TJPEGPixelFormat PixelFormat;
    bool ProgressiveDisplay;
    bool ProgressiveEncoding;
    TJPEGScale Scale;
    bool Smoothing;
};

// The settings a new JPEG picture starts with: 90, colour, best quality, 24 bit, not
// progressive, full size, smoothing.
extern TJPEGDefaults JPEGDefaults;
// Largest picture (width x height) that is read; a file asking for more is refused instead
// of exhausting memory.
extern std::int64_t JPEGMaximumPixels;

// Its settings (public, as TJPEGDefaults holds them) start as JPEGDefaults.
class TJPEGImage : public TGraphic, public TJPEGDefaults {
    Q_OBJECT
public:
    explicit TJPEGImage(QObject* parent = nullptr);
    ~TJPEGImage() override;

    // A bitmap (or any picture, through its image) is compressed at once; another JPEG
    // picture is copied with its settings.
    void Assign(TPersistent* Source) override;
    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    // A JPEG picture changes its size only through a new picture.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool GetEmpty() const override { return FData.empty(); }
    void Draw(TCanvas* ACanvas, const TRect& r) override;
    // The decoded picture (at the chosen scale); empty when there are no bytes.
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TJPEGImage>(); }
    void LoadFromFile(const AnsiString& FileName) override;
    // Replaced in one step: a failed save leaves the old file.
    void SaveToFile(const AnsiString& FileName) override;
    // The bytes of a JPEG file; loading checks them by reading the header.
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream) const;
    // Compresses the bitmap with the current settings (EInvalidGraphic on failure).
    void Compress(const TBitmap& Bitmap);
    const std::vector<std::uint8_t>& Data() const { return FData; }

private:
    void SetData(std::vector<std::uint8_t> Data);
    std::vector<std::uint8_t> FData;
    // The last decoded picture and the decoding settings it was made with.
    mutable QImage FDecoded;
    mutable int FDecodedKey = 0;
    int FWidth = 0;
    int FHeight = 0;
};
