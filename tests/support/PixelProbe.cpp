#include "support/PixelProbe.h"

namespace support {

TColor PixelAt(const QImage& image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return clNone;
    return QRgbToTColor(image.pixel(x, y));
}

namespace {
template <typename Pred>
QRect BoxWhere(const QImage& image, Pred pred)
{
    int l = image.width(), t = image.height(), r = -1, b = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pred(QRgbToTColor(image.pixel(x, y)))) {
                l = std::min(l, x);
                r = std::max(r, x);
                t = std::min(t, y);
                b = std::max(b, y);
            }
    if (r < 0) return QRect();
    return QRect(QPoint(l, t), QPoint(r, b));
}
}  // namespace

QRect BoundingBoxOfNot(const QImage& image, TColor background)
{
    const TColor bg = ColorToRGB(background);
    return BoxWhere(image, [bg](TColor c) { return c != bg; });
}

QRect BoundingBoxOf(const QImage& image, TColor color)
{
    const TColor want = ColorToRGB(color);
    return BoxWhere(image, [want](TColor c) { return c == want; });
}

int CountColor(const QImage& image, TColor color)
{
    const TColor want = ColorToRGB(color);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QRgbToTColor(image.pixel(x, y)) == want) ++n;
    return n;
}

std::string RowOf(const QImage& image, int y, int x0, int x1, TColor color)
{
    std::string s;
    for (int x = x0; x <= x1; ++x) s += PixelAt(image, x, y) == ColorToRGB(color) ? '#' : '.';
    return s;
}

std::string ColumnOf(const QImage& image, int x, int y0, int y1, TColor color)
{
    std::string s;
    for (int y = y0; y <= y1; ++y) s += PixelAt(image, x, y) == ColorToRGB(color) ? '#' : '.';
    return s;
}

QImage WhiteImage(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(0xFFFFFFFFu);
    return img;
}

}  // namespace support
