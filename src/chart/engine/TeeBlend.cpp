#include "chart/engine/TeeBlend.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <typeinfo>

#include "chart/engine/TeCanvas.h"
#include "platform/PixelMix.h"
#include "platform/Round.h"

namespace {
// The canvas pixels are read from: the buffer bitmap when there is one.
TCanvas* SourceCanvas(TTeeCanvas* canvas)
{
    if (auto* c3 = dynamic_cast<TTeeCanvas3D*>(canvas); c3 && c3->Bitmap) return c3->Bitmap->Canvas();
    return canvas->Canvas;
}

// The part of the canvas a blend over R saves and mixes: R oriented, at least one pixel,
// clamped to the canvas bounds. Empty when nothing of it is left.
TRect BlendArea(const TRect& R, const TRect& Bounds, bool& valid)
{
    TRect r = R;
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::max(r.Right, r.Left + 1);
    r.Bottom = std::max(r.Bottom, r.Top + 1);
    r.Right = std::min(r.Right, Bounds.Right);
    r.Bottom = std::min(r.Bottom, Bounds.Bottom);
    valid = r.Width() >= 1 && r.Height() >= 1;
    return r;
}

// The constant alpha of the saved background in a blend keeping Percent percent of what
// was drawn. A transparency from a stored chart can lie outside 0..100: the percentage is
// taken within it, so no channel can overflow.
unsigned BackgroundAlpha(double Percent)
{
    if (std::isnan(Percent)) Percent = 0;
    Percent = std::clamp(Percent, 0.0, 100.0);
    return unsigned(std::clamp(255 - Round(2.55 * Percent), 0, 255));
}
}  // namespace

TTeeBlend::TTeeBlend(TTeeCanvas* Canvas, const TRect& R) : FCanvas(Canvas)
{
    SetRectangle(R);
}

TTeeBlend::~TTeeBlend() = default;

void TTeeBlend::SetRectangle(const TRect& R)
{
    const TRect r = BlendArea(R, FCanvas->Bounds, FValid);
    FRect = r;
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
    // One constant alpha for Bitmap over BackBitmap.
    const unsigned alpha = BackgroundAlpha(Percent);
    const unsigned keep = 255 - alpha;
    const QImage& src = Bitmap->Image();
    QImage& back = BackBitmap->Image();
    const std::size_t bytes = std::size_t(w) * 4;
    const auto a16 = std::uint16_t(alpha), k16 = std::uint16_t(keep);
    for (int y = 0; y < h; ++y) {
        const uchar* s = src.constScanLine(y);
        uchar* b = back.scanLine(y + BackOrigin.Y) + std::size_t(BackOrigin.X) * 4;
        for (std::size_t i = 0; i < bytes; ++i) b[i] = MixChannel(s[i], b[i], a16, k16);
        auto* px = reinterpret_cast<QRgb*>(b);
        for (int x = 0; x < w; ++x) px[x] |= 0xFF000000u;
    }
}

bool TeeBlendRectangle(TTeeCanvas* Canvas, const TRect& R, const TRect& Filled, int Transparency)
{
    // As DoBlend mixes it: into the buffer bitmap the canvas draws on. A canvas of a kind
    // of its own may draw rectangles its own way.
    auto* c3 = dynamic_cast<TTeeCanvas3D*>(Canvas);
    if (!c3 || typeid(*c3) != typeid(TTeeCanvas3D) || !c3->Bitmap || c3->Canvas != c3->Bitmap->Canvas()) return false;
    bool valid = false;
    const TRect area = BlendArea(R, c3->Bounds, valid);
    if (!c3->Canvas->FillRectangleMixed(Filled, valid ? area : TRect(0, 0, 0, 0), BackgroundAlpha(100 - Transparency)))
        return false;
    if (valid) c3->Bitmap->SetPixelFormat(pf24bit);
    return true;
}
