#include "chart/engine/TeeBlend.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "chart/engine/TeCanvas.h"
#include "platform/Round.h"

namespace {
// The canvas pixels are read from: the buffer bitmap when there is one.
TCanvas* SourceCanvas(TTeeCanvas* canvas)
{
    if (auto* c3 = dynamic_cast<TTeeCanvas3D*>(canvas); c3 && c3->Bitmap) return c3->Bitmap->Canvas();
    return canvas->Canvas;
}
}  // namespace

TTeeBlend::TTeeBlend(TTeeCanvas* Canvas, const TRect& R) : FCanvas(Canvas)
{
    SetRectangle(R);
}

TTeeBlend::~TTeeBlend() = default;

void TTeeBlend::SetRectangle(const TRect& R)
{
    TRect r = R;
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::max(r.Right, r.Left + 1);
    r.Bottom = std::max(r.Bottom, r.Top + 1);
    r.Right = std::min(r.Right, FCanvas->Bounds.Right);
    r.Bottom = std::min(r.Bottom, FCanvas->Bounds.Bottom);
    FRect = r;
    FValid = r.Width() >= 1 && r.Height() >= 1;
    if (!FValid) return;
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->SetPixelFormat(pf24bit);
    FBitmap->SetSize(r.Width(), r.Height());
    TCanvas* source = SourceCanvas(FCanvas);
    if (source) FBitmap->Canvas()->CopyRect(TRect(0, 0, r.Width(), r.Height()), source, r);
}

void TTeeBlend::DoBlend(int Transparency)
{
    if (!FValid || !FBitmap) return;
    auto* c3 = dynamic_cast<TTeeCanvas3D*>(FCanvas);
    if (c3 && c3->Bitmap) {
        TeeBlendBitmaps(100 - Transparency, FBitmap.get(), c3->Bitmap.get(), FRect.TopLeft());
        return;
    }
    TCanvas* canvas = FCanvas->Canvas;
    if (!canvas) return;
    TBitmap temp;
    temp.SetSize(FRect.Width(), FRect.Height());
    temp.Canvas()->CopyRect(TRect(0, 0, FRect.Width(), FRect.Height()), canvas, FRect);
    TeeBlendBitmaps(100 - Transparency, FBitmap.get(), &temp, TPoint(0, 0));
    canvas->Draw(FRect.Left, FRect.Top, &temp);
}

void TeeBlendBitmaps(double Percent, TBitmap* Bitmap, TBitmap* BackBitmap, TPoint BackOrigin)
{
    if (!Bitmap || !BackBitmap) return;
    Bitmap->SetPixelFormat(pf24bit);
    BackBitmap->SetPixelFormat(pf24bit);
    BackOrigin.X = std::max(BackOrigin.X, 0);
    BackOrigin.Y = std::max(BackOrigin.Y, 0);
    const int w = std::min(Bitmap->GetWidth(), BackBitmap->GetWidth() - BackOrigin.X);
    const int h = std::min(Bitmap->GetHeight(), BackBitmap->GetHeight() - BackOrigin.Y);
    if (w <= 0 || h <= 0) return;
    // One constant alpha for Bitmap over BackBitmap. A transparency from a stored chart can
    // lie outside 0..100: the percentage is taken within it, so no channel can overflow.
    if (std::isnan(Percent)) Percent = 0;
    Percent = std::clamp(Percent, 0.0, 100.0);
    const unsigned alpha = unsigned(std::clamp(255 - Round(2.55 * Percent), 0, 255));
    const unsigned keep = 255 - alpha;
    const QImage& src = Bitmap->Image();
    QImage& back = BackBitmap->Image();
    const std::size_t bytes = std::size_t(w) * 4;
    // Sixteen bits hold every sum (at most 255 * 255 + 127), so the vectors take eight bytes
    // at a time.
    const auto a16 = std::uint16_t(alpha), k16 = std::uint16_t(keep);
    for (int y = 0; y < h; ++y) {
        const uchar* s = src.constScanLine(y);
        uchar* b = back.scanLine(y + BackOrigin.Y) + std::size_t(BackOrigin.X) * 4;
        // Every byte is (s * alpha + b * keep + 127) / 255, the division done exactly for
        // all sums below 65535 by adding the high byte back; the loop stays free of
        // divisions and runs over whole vectors of bytes.
        for (std::size_t i = 0; i < bytes; ++i) {
            const auto v = std::uint16_t(std::uint16_t(s[i] * a16) + std::uint16_t(b[i] * k16) + 127u);
            b[i] = uchar(std::uint16_t(v + 1u + (v >> 8)) >> 8);
        }
        auto* px = reinterpret_cast<QRgb*>(b);
        for (int x = 0; x < w; ++x) px[x] |= 0xFF000000u;
    }
}
