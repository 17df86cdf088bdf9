#include <gtest/gtest.h>

#include <QImage>

#include "chart/engine/TeeBitmapResample.h"
#include "platform/Exception.h"
#include "platform/TBitmap.h"

namespace {

// A deterministic image with a different colour in every pixel.
QImage Pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37 + y * 11) & 0xFF, (x * 5 + y * 71) & 0xFF, (x * y * 13) & 0xFF));
    return img;
}

void ExpectSameImage(const QImage& a, const QImage& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            ASSERT_EQ(a.pixel(x, y) & 0xFFFFFF, b.pixel(x, y) & 0xFFFFFF) << "at " << x << "," << y;
}

std::string ErrorOf(TBitmap* src, TBitmap* dst)
{
    try {
        SmoothStretch(src, dst);
    } catch (const Exception& e) {
        return e.Message;
    }
    return "";
}

}  // namespace

TEST(SmoothStretch, SizeErrorsAreRaisedBeforeAnyPixelChanges)
{
    TBitmap src, dst, empty;
    src.SetImage(Pattern(4, 4));
    dst.SetImage(Pattern(3, 3));
    const QImage before = dst.Image().copy();

    TBitmap narrow;
    narrow.SetSize(0, 5);
    EXPECT_EQ(ErrorOf(&src, &narrow), "SmoothStretch: Destination bitmap too small");
    EXPECT_EQ(ErrorOf(&empty, &dst), "SmoothStretch: Source bitmap too small");
    ExpectSameImage(dst.Image(), before);
    EXPECT_NO_THROW(SmoothStretch(nullptr, &dst));
    EXPECT_NO_THROW(SmoothStretch(&src, nullptr));
}

TEST(SmoothStretch, OwnSizeIsTheIdentityForBothFilters)
{
    const QImage original = Pattern(17, 9);
    for (auto option : {ssBestPerformance, ssBestQuality}) {
        TBitmap src, dst;
        src.SetImage(original);
        dst.SetSize(17, 9);
        SmoothStretch(&src, &dst, option);
        ExpectSameImage(dst.Image(), original);
    }
}

TEST(SmoothStretch, TriangleFilterInterpolatesBetweenNeighbours)
{
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(254, 100, 50));
    QImage dst(3, 1, QImage::Format_RGB32);
    SmoothStretchImage(src, dst, ssBestPerformance);
    EXPECT_EQ(dst.pixel(0, 0) & 0xFFFFFF, qRgb(0, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(dst.pixel(1, 0) & 0xFFFFFF, qRgb(127, 50, 25) & 0xFFFFFF);
    EXPECT_EQ(dst.pixel(2, 0) & 0xFFFFFF, qRgb(254, 100, 50) & 0xFFFFFF);
}

// One-pixel sides on either end have no first-to-last scale; they must neither divide by
// zero nor reserve room for an unbounded filter reach.
TEST(SmoothStretch, OnePixelSidesOnEitherEnd)
{
    for (auto option : {ssBestPerformance, ssBestQuality}) {
        QImage grey(40, 30, QImage::Format_RGB32);
        grey.fill(qRgb(90, 120, 200));

        QImage column(1, 30, QImage::Format_RGB32);
        SmoothStretchImage(grey, column, option);
        QImage row(40, 1, QImage::Format_RGB32);
        SmoothStretchImage(grey, row, option);
        QImage dot(1, 1, QImage::Format_RGB32);
        SmoothStretchImage(grey, dot, option);
        for (const QImage* img : {&column, &row, &dot}) {
            for (int y = 0; y < img->height(); ++y)
                for (int x = 0; x < img->width(); ++x) {
                    const QRgb p = img->pixel(x, y);
                    // A flat colour stays nearly that colour: the weights are rounded
                    // per tap and not renormalised, which costs a few per cent.
                    EXPECT_NEAR(qRed(p), 90, 6);
                    EXPECT_NEAR(qGreen(p), 120, 6);
                    EXPECT_NEAR(qBlue(p), 200, 6);
                }
        }

        // And the other way: a single pixel spread over a large image.
        QImage single(1, 1, QImage::Format_RGB32);
        single.fill(qRgb(10, 200, 30));
        QImage big(25, 7, QImage::Format_RGB32);
        SmoothStretchImage(single, big, option);
        EXPECT_NEAR(qGreen(big.pixel(12, 3)), 200, 3);
        EXPECT_NEAR(qRed(big.pixel(0, 6)), 10, 3);
    }

    // A long row shrunk to one pixel averages it instead of sampling one end.
    QImage ramp(101, 1, QImage::Format_RGB32);
    for (int x = 0; x <= 100; ++x) ramp.setPixel(x, 0, qRgb(2 * x, 2 * x, 2 * x));
    QImage dot(1, 1, QImage::Format_RGB32);
    SmoothStretchImage(ramp, dot, ssBestPerformance);
    EXPECT_NEAR(qRed(dot.pixel(0, 0)), 100, 3);
}

TEST(TeeGrayScale, MethodsAndInversion)
{
    auto grey = [](QRgb colour, bool inverted, int method) {
        TBitmap b;
        b.SetSize(2, 2);
        QImage img(2, 2, QImage::Format_RGB32);
        img.fill(colour);
        b.SetImage(img);
        TeeGrayScale(&b, inverted, method);
        return b.Image().pixel(1, 1) & 0xFFFFFF;
    };
    EXPECT_EQ(grey(qRgb(255, 0, 0), false, 0), qRgb(85, 85, 85) & 0xFFFFFF);
    EXPECT_EQ(grey(qRgb(255, 0, 0), true, 0), qRgb(170, 170, 170) & 0xFFFFFF);
    // Weighted: 0.3 * 255 = 76.5 rounds to even.
    EXPECT_EQ(grey(qRgb(255, 0, 0), false, 1), qRgb(76, 76, 76) & 0xFFFFFF);
    EXPECT_EQ(grey(qRgb(255, 255, 255), false, 1), qRgb(255, 255, 255) & 0xFFFFFF);
    EXPECT_NO_THROW(TeeGrayScale(nullptr, false, 0));
}
