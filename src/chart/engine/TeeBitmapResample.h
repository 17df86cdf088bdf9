#pragma once
// Whole-bitmap operations of the canvas unit: smooth resampling (chart thumbnails, print
// preview pages) and the in-place grey conversion.
#include <cstdint>

class QImage;
class TBitmap;

enum TSmoothStretchOption { ssBestQuality, ssBestPerformance };

// Resamples Src into Dst's current width and height with a separable filter (Lanczos 3 for
// best quality, triangle for best performance). Raises Exception "SmoothStretch: Source
// bitmap too small" / "SmoothStretch: Destination bitmap too small" before touching a pixel.
void SmoothStretch(TBitmap* Src, TBitmap* Dst);
void SmoothStretch(TBitmap* Src, TBitmap* Dst, TSmoothStretchOption Option);

// Converts Bitmap to grey in place: Method 0 averages the channels, any other method
// weighs them 0.3/0.59/0.11. Inverted gives 255 minus the grey.
void TeeGrayScale(TBitmap* Bitmap, bool Inverted, std::int32_t Method);

// The same on a bare image, which is what the bitmap versions work on. Images of another
// format are converted to 32-bit RGB first.
void SmoothStretchImage(const QImage& Src, QImage& Dst, TSmoothStretchOption Option = ssBestQuality);
void TeeGrayScaleImage(QImage& Image, bool Inverted, std::int32_t Method);
