#include "chart/engine/TeeBitmapResample.h"

#include <QImage>
#include <cmath>
#include <vector>

#include "platform/Exception.h"
#include "platform/Round.h"
#include "platform/TBitmap.h"

namespace {

struct Contributor {
    int Pixel;   // source index
    int Weight;  // filter weight times 1000
};
using ContributorList = std::vector<std::vector<Contributor>>;

constexpr double kPi = 3.14159265358979323846;

double Sinc(double t)
{
    return t == 0.0 ? 1.0 : std::sin(t) / t;
}

double Lanczos3(double x)
{
    if (x == 0.0) return 1.0;
    if (std::fabs(x) < 3.0) return Sinc(kPi * x) * Sinc(kPi * x / 3.0);
    return 0.0;
}

double Triangle(double x)
{
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

// Contributors of every destination index for one dimension. The scale maps the first and
// last pixels onto each other; a one-pixel side on either end has no such pair, so it uses
// the plain size ratio, and a single destination pixel samples around the source's middle
// (otherwise the scale would be 0 and the reach infinite).
ContributorList BuildContributors(int srcSize, int dstSize, TSmoothStretchOption option)
{
    const bool quality = (option == ssBestQuality);
    const double support = quality ? 3.0 : 1.0;
    auto filter = quality ? Lanczos3 : Triangle;

    float scale;
    if (srcSize == 1 || dstSize == 1)
        scale = static_cast<float>(dstSize) / static_cast<float>(srcSize);
    else
        scale = static_cast<float>(dstSize - 1) / static_cast<float>(srcSize - 1);

    ContributorList list(static_cast<std::size_t>(dstSize));
    for (int i = 0; i < dstSize; ++i) {
        float center = static_cast<float>(i) / scale;
        if (dstSize == 1 && srcSize > 1) center = static_cast<float>(srcSize - 1) * 0.5f;
        const double reach = scale >= 1.0f ? support : support / scale;
        const int first = static_cast<int>(std::floor(center - reach));
        const int last = static_cast<int>(std::ceil(center + reach));
        auto& column = list[static_cast<std::size_t>(i)];
        column.reserve(static_cast<std::size_t>(last - first + 1));
        for (int j = first; j <= last; ++j) {
            int weight;
            if (scale >= 1.0f)
                weight = Round(filter(center - j) * 1000.0);
            else
                weight = Round(filter((center - j) * scale) * 1000.0 * scale);
            if (weight == 0) continue;
            int pixel = j;
            if (pixel < 0) pixel = -pixel;
            if (pixel >= srcSize) pixel = 2 * srcSize - 1 - pixel;
            // Mirroring once is not enough when the filter reaches further than the whole
            // source (sources of one or two pixels): keep such taps on the edge pixel.
            if (pixel < 0) pixel = 0;
            if (pixel >= srcSize) pixel = srcSize - 1;
            column.push_back({pixel, weight});
        }
    }
    return list;
}

int ClampChannel(std::int64_t sum)
{
    if (sum > 255000) return 255;
    if (sum < 0) return 0;
    return static_cast<int>(sum / 1000);
}

QRgb Combine(const std::vector<Contributor>& taps, const QRgb* pixels, std::ptrdiff_t stride)
{
    std::int64_t r = 0, g = 0, b = 0;
    for (const Contributor& c : taps) {
        const QRgb p = pixels[c.Pixel * stride];
        r += static_cast<std::int64_t>(c.Weight) * qRed(p);
        g += static_cast<std::int64_t>(c.Weight) * qGreen(p);
        b += static_cast<std::int64_t>(c.Weight) * qBlue(p);
    }
    return qRgb(ClampChannel(r), ClampChannel(g), ClampChannel(b));
}

}  // namespace

void SmoothStretchImage(const QImage& Src, QImage& Dst, TSmoothStretchOption Option)
{
    if (Src.width() < 1 || Src.height() < 1) throw Exception("SmoothStretch: Source bitmap too small");
    if (Dst.width() < 1 || Dst.height() < 1) throw Exception("SmoothStretch: Destination bitmap too small");

    const QImage source = Src.format() == QImage::Format_RGB32 ? Src : Src.convertToFormat(QImage::Format_RGB32);
    if (Dst.format() != QImage::Format_RGB32) Dst = Dst.convertToFormat(QImage::Format_RGB32);

    const int srcW = source.width(), srcH = source.height();
    const int dstW = Dst.width(), dstH = Dst.height();
    QImage work(dstW, srcH, QImage::Format_RGB32);

    {
        const ContributorList columns = BuildContributors(srcW, dstW, Option);
        for (int y = 0; y < srcH; ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            QRgb* out = reinterpret_cast<QRgb*>(work.scanLine(y));
            for (int x = 0; x < dstW; ++x) out[x] = Combine(columns[static_cast<std::size_t>(x)], in, 1);
        }
    }

    // Rows are reached through each image's own bytes per line, which exists for one-pixel
    // high images too.
    const ContributorList rows = BuildContributors(srcH, dstH, Option);
    const std::ptrdiff_t workStride = work.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(QRgb));
    const std::ptrdiff_t dstStride = Dst.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(QRgb));
    const QRgb* workBase = reinterpret_cast<const QRgb*>(work.constBits());
    QRgb* dstBase = reinterpret_cast<QRgb*>(Dst.bits());
    for (int x = 0; x < dstW; ++x) {
        for (int y = 0; y < dstH; ++y)
            dstBase[y * dstStride + x] = Combine(rows[static_cast<std::size_t>(y)], workBase + x, workStride);
    }
}

void TeeGrayScaleImage(QImage& Image, bool Inverted, std::int32_t Method)
{
    if (Image.isNull()) return;
    if (Image.format() != QImage::Format_RGB32) Image = Image.convertToFormat(QImage::Format_RGB32);
    for (int y = Image.height() - 1; y >= 0; --y) {
        QRgb* row = reinterpret_cast<QRgb*>(Image.scanLine(y));
        for (int x = 0; x < Image.width(); ++x) {
            const int r = qRed(row[x]), g = qGreen(row[x]), b = qBlue(row[x]);
            int grey = Method != 0 ? Round(0.3 * r + 0.59 * g + 0.11 * b) : (r + g + b) / 3;
            if (grey > 255) grey = 255;
            if (Inverted) grey = 255 - grey;
            row[x] = qRgb(grey, grey, grey);
        }
    }
}

void SmoothStretch(TBitmap* Src, TBitmap* Dst)
{
    SmoothStretch(Src, Dst, ssBestQuality);
}

void SmoothStretch(TBitmap* Src, TBitmap* Dst, TSmoothStretchOption Option)
{
    if (!Src || !Dst) return;
    if (Src->GetWidth() < 1 || Src->GetHeight() < 1) throw Exception("SmoothStretch: Source bitmap too small");
    if (Dst->GetWidth() < 1 || Dst->GetHeight() < 1) throw Exception("SmoothStretch: Destination bitmap too small");
    Src->SetPixelFormat(pf24bit);
    Dst->SetPixelFormat(Src->GetPixelFormat());
    SmoothStretchImage(Src->Image(), Dst->Image(), Option);
}

void TeeGrayScale(TBitmap* Bitmap, bool Inverted, std::int32_t Method)
{
    if (!Bitmap) return;
    Bitmap->SetPixelFormat(pf24bit);
    TeeGrayScaleImage(Bitmap->Image(), Inverted, Method);
    Bitmap->SetPixelFormat(pfDevice);
}
