#pragma once
// Pixel probes for drawing tests: read pixels, find where something was drawn, count colours.
#include <QImage>
#include <QRect>
#include <string>

#include "platform/GraphicsTypes.h"

namespace support {

// The colour at (x, y) as 0x00BBGGRR; clNone outside the image.
TColor PixelAt(const QImage& image, int x, int y);
// Bounding box of every pixel that differs from background (a null QRect when none does).
QRect BoundingBoxOfNot(const QImage& image, TColor background);
// Bounding box of the pixels of exactly this colour.
QRect BoundingBoxOf(const QImage& image, TColor color);
int CountColor(const QImage& image, TColor color);
// Row y from x0 to x1 as text, '#' for pixels of the colour and '.' for others: readable
// failure messages.
std::string RowOf(const QImage& image, int y, int x0, int x1, TColor color);
std::string ColumnOf(const QImage& image, int x, int y0, int y1, TColor color);
// A white 32-bit image.
QImage WhiteImage(int width, int height);

}  // namespace support
