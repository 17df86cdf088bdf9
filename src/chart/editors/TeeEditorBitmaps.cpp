#include "chart/editors/TeeEditorBitmaps.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"

namespace {

constexpr QRgb Black = 0xFF000000u;
constexpr QRgb White = 0xFFFFFFFFu;

// 4 x 4 ordered-dither thresholds: a fill of n sixteenths inks the cells below n.
constexpr int Bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

bool PatternInk(int Number, int x, int y)
{
    switch (Number) {
        case 1: return Bayer[y & 3][x & 3] < 13;                                          // 80 %
        case 2: return Bayer[y & 3][x & 3] < 10;                                          // 60 %
        case 3: return Bayer[y & 3][x & 3] < 6;                                           // 40 %
        case 4: return Bayer[y & 3][x & 3] < 3;                                           // 20 %
        case 5: return ((x & 7) == 0 && (y & 3) == 0) || ((x & 7) == 4 && (y & 3) == 2);  // 10 %
        case 6: {
            // A zig-zag line every four rows: two pixels up, two down.
            const int phase = x & 3;
            const int rise = phase < 2 ? phase : 4 - phase;
            return ((y + rise) & 3) == 0;
        }
        case 7: return (x & 3) == 0;
        case 8: return (y & 3) == 0;
        case 9: return ((x - y) & 3) == 0;
        case 10: return ((x + y) & 3) == 0;
        case 11: return (x & 3) == 0 || (y & 3) == 0;
        case 12: return ((x - y) & 3) == 0 || ((x + y) & 3) == 0;
        default: return false;
    }
}

// Tileable value noise over a 64-pixel period, from a fixed hash (the same picture on
// every run).
double Hash(int x, int y, int seed)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 65535.0;
}

double Noise(double x, double y, int cells, int seed)
{
    const double fx = x * cells / 64.0, fy = y * cells / 64.0;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const double tx = fx - x0, ty = fy - y0;
    auto at = [&](int cx, int cy) {
        return Hash(((cx % cells) + cells) % cells, ((cy % cells) + cells) % cells, seed);
    };
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

double Turbulence(double x, double y, int seed)
{
    return (Noise(x, y, 4, seed) * 0.5 + Noise(x, y, 8, seed + 1) * 0.3 + Noise(x, y, 16, seed + 2) * 0.2);
}

QRgb Mix(QRgb a, QRgb b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto ch = [t](int ca, int cb) { return int(ca + (cb - ca) * t); };
    return qRgb(ch(qRed(a), qRed(b)), ch(qGreen(a), qGreen(b)), ch(qBlue(a), qBlue(b)));
}

QRgb TexturePixel(int Index, int x, int y)
{
    constexpr double Pi = 3.14159265358979;
    switch (Index) {
        case 0: {  // brushed metal: fine horizontal streaks
            const double streak = Noise(x * 0.25, y, 32, 11) * 0.6 + Noise(x, y, 8, 12) * 0.4;
            return Mix(qRgb(150, 155, 160), qRgb(225, 228, 232), streak);
        }
        case 1: {  // wood: wavy bands
            const double wave = std::sin((y + Turbulence(x, y, 21) * 24) * 2 * Pi / 16) * 0.5 + 0.5;
            return Mix(qRgb(120, 70, 30), qRgb(190, 130, 70), wave * 0.8 + Noise(x, y, 32, 22) * 0.2);
        }
        case 2: {  // stone: grey blotches
            const double t = Turbulence(x, y, 31);
            return Mix(qRgb(95, 95, 90), qRgb(190, 185, 175), t * 1.2 - 0.1);
        }
        case 3: {  // clouds: white on sky blue
            const double t = Turbulence(x, y, 41);
            return Mix(qRgb(70, 130, 220), qRgb(250, 250, 255), (t - 0.35) * 2.2);
        }
        case 4: {  // grass: green with vertical blades
            const double blades = Noise(x, y * 0.25, 32, 51) * 0.7 + Noise(x, y, 8, 52) * 0.3;
            return Mix(qRgb(30, 90, 20), qRgb(120, 200, 60), blades);
        }
        case 5: {  // fire: flames from red to yellow, rising
            const double flame = Noise(x, y * 0.5, 16, 61) * 0.6 + Noise(x, y, 8, 62) * 0.4;
            return flame < 0.5 ? Mix(qRgb(170, 20, 0), qRgb(250, 120, 0), flame * 2)
                               : Mix(qRgb(250, 120, 0), qRgb(255, 240, 80), (flame - 0.5) * 2);
        }
        case 6: {  // snow: white with pale blue shade and flakes
            const double t = Turbulence(x, y, 71);
            const QRgb base = Mix(qRgb(205, 220, 240), qRgb(255, 255, 255), t * 1.5);
            return Hash(x, y, 72) > 0.97 ? White : base;
        }
        default: return White;
    }
}

void SetImage(TBitmap* Bitmap, const QImage& image)
{
    Bitmap->SetImage(image);
}

// A 32 x 32 hand pointing up-left, drawn as a mask and an outline.
QCursor MakeHandCursor()
{
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    // Index finger, three folded fingers, palm and thumb.
    QPolygon hand;
    hand << QPoint(5, 1) << QPoint(7, 1) << QPoint(8, 2) << QPoint(8, 8) << QPoint(10, 8) << QPoint(11, 9)
         << QPoint(13, 9) << QPoint(14, 10) << QPoint(16, 10) << QPoint(17, 11) << QPoint(17, 18) << QPoint(15, 21)
         << QPoint(7, 21) << QPoint(2, 15) << QPoint(1, 12) << QPoint(2, 11) << QPoint(4, 12) << QPoint(4, 2);
    p.drawPolygon(hand);
    p.drawLine(8, 9, 8, 13);
    p.drawLine(11, 10, 11, 13);
    p.drawLine(14, 11, 14, 13);
    p.end();
    return QCursor(pix, 5, 1);
}

}  // namespace

void TeeDrawArrowBitmap(TBitmap* Bitmap, bool Up)
{
    if (!Bitmap) return;
    QImage image(24, 14, QImage::Format_RGB32);
    image.fill(TColorToQColor(ColorToRGB(clBtnFace)).rgb());
    // A filled triangle 11 pixels wide and 6 high in the middle.
    for (int row = 0; row < 6; ++row) {
        const int y = Up ? 4 + row : 9 - row;
        for (int x = 12 - row - 1; x <= 12 + row - 1; ++x) image.setPixel(x, y, Black);
    }
    SetImage(Bitmap, image);
}

void TeeDrawBrushPattern(TBitmap* Bitmap, int Number)
{
    if (!Bitmap || Number < 1 || Number > 12) return;
    QImage image(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) image.setPixel(x, y, PatternInk(Number, x, y) ? Black : White);
    SetImage(Bitmap, image);
    Bitmap->SetPixelFormat(pf1bit);
}

void TeeDrawTexture(TBitmap* Bitmap, int Index)
{
    if (!Bitmap || Index < 0 || Index > 6) return;
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) image.setPixel(x, y, TexturePixel(Index, x, y));
    SetImage(Bitmap, image);
}

QCursor TeeQtCursor(TCursor Cursor)
{
    if (Cursor == crTeeHand) {
        static const QCursor hand = MakeHandCursor();
        return hand;
    }
    return QCursor(CursorToQt(Cursor));
}

void TeeDrawBitmapEditor(TCanvas* Canvas, QObject* Element, int X, int Y)
{
    if (!Canvas || !Element) return;
    TBitmap bitmap;
    TeeGetBitmapEditor(Element, &bitmap);
    if (!bitmap.GetEmpty()) {
        Canvas->Draw(X, Y, &bitmap);
        return;
    }
    if (auto* series = qobject_cast<TChartSeries*>(Element)) {
        PaintSeriesLegend(series, Canvas, TRect{X, Y, X + 16, Y + 16});
        return;
    }
    // Any other element: a small spanner.
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetColor(clGray);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clSilver);
    Canvas->Ellipse(X + 1, Y + 1, X + 8, Y + 8);
    Canvas->Pen()->SetWidth(3);
    Canvas->Pen()->SetColor(clGray);
    Canvas->MoveTo(X + 6, Y + 6);
    Canvas->LineTo(X + 14, Y + 14);
    Canvas->Pen()->SetWidth(1);
}
