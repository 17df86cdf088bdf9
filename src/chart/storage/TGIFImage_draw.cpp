// How a GIF image shows itself: frame bitmaps and masks built from the pixel data, frames
// drawn scaled or tiled into any canvas, and the image's painters.
#include <QPainter>
#include <algorithm>

#include "chart/storage/GIFColorReduction.h"
#include "chart/storage/TGIFImage.h"
#include "chart/storage/TGIFPainter.h"
#include "platform/TCanvas.h"

namespace {

bool HasOption(TGIFDrawOptions Options, TGIFDrawOption o)
{
    return (Options & GIFDrawOption(o)) != 0;
}

// Calls Draw(x, y) for every tile of a frame over Rect: column by column, each column from
// the top down, stepping by the logical screen's size. A tile that starts inside Rect is
// drawn whole. A screen of size 0 cannot step, so only the first tile of that direction.
template <typename F>
void ForEachTile(const TRect& Rect, int Left, int Top, int ScreenWidth, int ScreenHeight, F Draw)
{
    for (long long x = (long long)Rect.Left + Left; x < Rect.Right; x += ScreenWidth) {
        for (long long y = (long long)Rect.Top + Top; y < Rect.Bottom; y += ScreenHeight) {
            Draw(int(x), int(y));
            if (ScreenHeight <= 0) break;
        }
        if (ScreenWidth <= 0) break;
    }
}

}  // namespace

// ---- TGIFSubImage

void TGIFSubImage::ResetPalette()
{
    FBitmap.reset();
    FMask = QImage();
    FNeedMask = true;
}

bool TGIFSubImage::DitherApplies() const
{
    if (!FImage) return false;
    const TGIFDrawOptions o = FImage->GetDrawOptions();
    if (!HasOption(o, goDither)) return false;
    return !HasOption(o, goAutoDither) || DoAutoDither;
}

std::vector<TGIFColor> TGIFSubImage::DrawPalette(bool Dither)
{
    if (Dither) return WebPalette();
    if (FColorMap->GetCount() > 0) return {FColorMap->Data(), FColorMap->Data() + FColorMap->GetCount()};
    if (FImage) {
        const TGIFColorMap* global = FImage->GlobalColorMap();
        if (global->GetCount() > 0) return {global->Data(), global->Data() + global->GetCount()};
        // Without a global table the image's colours are the first frame's; a first frame
        // without a table of its own leaves no colours at all.
        TGIFSubImage* first = FImage->Images()->GetCount() > 0 ? FImage->Images()->GetImage(0) : nullptr;
        if (first && first != this && first->FColorMap->GetCount() > 0)
            return {first->FColorMap->Data(), first->FColorMap->Data() + first->FColorMap->GetCount()};
    }
    throw GIFException("No global or local color table defined");
}

TBitmap* TGIFSubImage::GetBitmap()
{
    if (FBitmap) return FBitmap.get();
    auto bitmap = std::make_unique<TBitmap>();
    QImage mask;
    if (!GetEmpty()) {
        const bool dither = DitherApplies();
        const TGIFGraphicControlExtension* gce = GetGraphicControlExtension();
        const int transparent = (FTransparent && gce && gce->GetTransparent()) ? gce->GetTransparentColorIndex() : -1;
        // Dithering reads each pixel's own colour and gives back a web palette colour.
        const std::vector<TGIFColor> colors = DrawPalette(false);
        std::array<QRgb, 256> lut;
        for (int i = 0; i < 256; ++i) {
            // A damaged frame may index beyond its table: such pixels show its first colour.
            const TGIFColor& c = colors[std::size_t(i) < colors.size() ? std::size_t(i) : 0];
            lut[std::size_t(i)] = qRgb(c.Red, c.Green, c.Blue);
        }
        QImage image(FWidth, FHeight, QImage::Format_RGB32);
        if (image.isNull()) throw GIFException("Image dimensions too large");
        TNetscapeColorLookup lookup;
        std::unique_ptr<TFloydSteinbergDitherer> ditherer;
        if (dither) ditherer = std::make_unique<TFloydSteinbergDitherer>(FWidth, &lookup);
        bool anyTransparent = false;
        if (transparent >= 0) {
            mask = QImage(FWidth, FHeight, QImage::Format_Mono);
            mask.setColor(0, qRgb(0, 0, 0));
            mask.setColor(1, qRgb(255, 255, 255));
            mask.fill(0);
        }
        for (int y = 0; y < FHeight; ++y) {
            if (y % 32 == 0 && FImage)
                FImage->Progress(psRunning, int(std::int64_t(y) * 100 / FHeight), "Rendering...");
            const std::uint8_t* src = FData.data() + std::int64_t(y) * FWidth;
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int n = 0; n < FWidth; ++n) {
                const int x = ditherer ? ditherer->GetColumn() : n;
                const std::uint8_t index = src[x];
                if (int(index) == transparent) {
                    mask.setPixel(x, y, 1);
                    anyTransparent = true;
                }
                if (ditherer) {
                    const QRgb c = lut[index];
                    int r, g, b;
                    ditherer->Dither(qRed(c), qGreen(c), qBlue(c), r, g, b);
                    row[x] = qRgb(r, g, b);
                } else {
                    row[x] = lut[index];
                }
            }
            if (ditherer) ditherer->NextLine();
        }
        if (!anyTransparent) mask = QImage();
        bitmap->SetImage(image);
        bitmap->SetPixelFormat(pf8bit);
    }
    FBitmap = std::move(bitmap);
    FMask = mask;
    FNeedMask = false;
    return FBitmap.get();
}

bool TGIFSubImage::HasMask()
{
    if (FNeedMask && FTransparent) {
        FBitmap.reset();
        GetBitmap();
    }
    return !FMask.isNull();
}

TRect TGIFSubImage::ScaleRect(const TRect& Rect) const
{
    const int W = FImage ? FImage->GetWidth() : 0;
    const int H = FImage ? FImage->GetHeight() : 0;
    if (W <= 0 || H <= 0) return Rect;
    const int RW = Rect.Width(), RH = Rect.Height();
    return TRect(Rect.Left + MulDiv(FLeft, RW, W), Rect.Top + MulDiv(FTop, RH, H),
                 Rect.Left + MulDiv(FLeft + FWidth, RW, W), Rect.Top + MulDiv(FTop + FHeight, RH, H));
}

void TGIFSubImage::Draw(TCanvas* ACanvas, const TRect& Rect, bool Transparent, bool Tile)
{
    if (Tile)
        StretchDraw(ACanvas, Rect, Transparent, Tile);
    else
        StretchDraw(ACanvas, ScaleRect(Rect), Transparent, Tile);
}

void TGIFSubImage::StretchDraw(TCanvas* ACanvas, const TRect& Rect, bool Transparent, bool Tile)
{
    if (!ACanvas || GetEmpty()) return;
    TBitmap* bitmap = GetBitmap();
    const int W = FImage ? FImage->GetWidth() : 0;
    const int H = FImage ? FImage->GetHeight() : 0;
    if (!(Transparent && FTransparent && HasMask())) {
        if (Tile)
            ForEachTile(Rect, FLeft, FTop, W, H,
                        [&](int x, int y) { ACanvas->StretchDraw(TRect(x, y, x + FWidth, y + FHeight), bitmap); });
        else
            ACanvas->StretchDraw(Rect, bitmap);
        return;
    }
    // Masked: the frame with its transparent pixels fully transparent, drawn over the target
    // without smoothing, so those pixels leave the target exactly as it was.
    QImage masked = bitmap->Image().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < FHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
        const uchar* m = FMask.constScanLine(y);
        for (int x = 0; x < FWidth; ++x)
            if (m[x >> 3] & (0x80 >> (x & 7))) row[x] = 0;
    }
    QPainter* p = ACanvas->Painter();
    if (!p) return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    auto transfer = [&](const TRect& r) {
        if (r.IsEmpty()) return;
        p->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), masked);
    };
    if (Tile)
        ForEachTile(Rect, FLeft, FTop, W, H, [&](int x, int y) { transfer(TRect(x, y, x + FWidth, y + FHeight)); });
    else
        transfer(Rect);
    p->restore();
    if (ACanvas->OnChange) ACanvas->OnChange(ACanvas);
}

// ---- TGIFImage

void TGIFImage::ResetPalette()
{
    FBitmap.reset();
    for (int i = 0; i < FImages->GetCount(); ++i) FImages->GetImage(i)->ResetPalette();
}

TBitmap* TGIFImage::GetBitmap()
{
    if (FBitmap) return FBitmap.get();
    if (GetEmpty()) return nullptr;
    TGIFSubImage* first = FImages->GetImage(0);
    auto bitmap = std::make_unique<TBitmap>();
    if (first->GetLeft() == 0 && first->GetTop() == 0 && first->GetWidth() == GetWidth() &&
        first->GetHeight() == GetHeight()) {
        bitmap->Assign(first->GetBitmap());
    } else {
        bitmap->SetSize(GetWidth(), GetHeight());
        bitmap->Image().fill(0xFF000000u);
        first->Draw(bitmap->Canvas(), ::Rect(0, 0, GetWidth(), GetHeight()), false, false);
    }
    FBitmap = std::move(bitmap);
    return FBitmap.get();
}

void TGIFImage::Draw(TCanvas* ACanvas, const TRect& r)
{
    if (FDrawing || !ACanvas || GetEmpty()) return;
    FDrawing = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FDrawing};
    if (FImages->GetCount() == 1 || !HasOption(FDrawOptions, goAnimate)) {
        FImages->GetImage(0)->Draw(ACanvas, r, HasOption(FDrawOptions, goTransparent), HasOption(FDrawOptions, goTile));
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    ReapPainters();
    const bool direct = HasOption(FDrawOptions, goDirectDraw);
    if (FBitmap && !direct) {
        ACanvas->StretchDraw(r, FBitmap.get());
        return;
    }
    if (FPainter && FPainter->FCanvas == ACanvas && FPainter->FRect == r) return;
    StopDraw();
    TCanvas* target = ACanvas;
    TRect targetRect = r;
    if (!direct) {
        if (r.IsEmpty()) return;
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->SetSize(r.Width(), r.Height());
        targetRect = ::Rect(0, 0, r.Width(), r.Height());
        FBitmap->Canvas()->CopyRect(targetRect, ACanvas, r);
        target = FBitmap->Canvas();
    }
    if (TGIFPainter* painter = InternalPaint(&FPainter, target, targetRect, FDrawOptions)) painter->Start();
    if (!direct && FBitmap) ACanvas->StretchDraw(r, FBitmap.get());
}

TGIFPainter* TGIFImage::InternalPaint(TGIFPainter** Painter, TCanvas* ACanvas, const TRect& Rect,
                                      TGIFDrawOptions Options)
{
    if (GetEmpty() || Rect.IsEmpty() || !ACanvas) return nullptr;
    if (FImages->GetCount() == 1) Options &= TGIFDrawOptions(~(GIFDrawOption(goAsync) | GIFDrawOption(goAnimate)));
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    auto* painter = new TGIFPainter(this, ACanvas, Rect, Options);
    FPainters.push_back(painter);
    if (Painter) *Painter = painter;
    painter->OnStartPaint = OnStartPaint;
    painter->OnPaint = OnPaint;
    painter->OnAfterPaint = OnAfterPaint;
    painter->OnLoop = OnLoop;
    painter->OnEndPaint = OnEndPaint;
    if (HasOption(Options, goAsync)) return painter;
    // A synchronous painter plays inside this call and is freed when it ends.
    try {
        painter->Execute();
    } catch (...) {
        DeletePainter(painter);
        throw;
    }
    DeletePainter(painter);
    return nullptr;
}

void TGIFImage::Paint(TCanvas* ACanvas, const TRect& Rect, TGIFDrawOptions Options)
{
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    ReapPainters();
    if (TGIFPainter* painter = InternalPaint(nullptr, ACanvas, Rect, Options)) painter->Start();
}

void TGIFImage::DeletePainter(TGIFPainter* Painter)
{
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    auto it = std::find(FPainters.begin(), FPainters.end(), Painter);
    if (it == FPainters.end()) return;
    // A painter inside one of its own steps (a handler stopping the animation, or a
    // synchronous painter still playing) cannot be joined from here: it is asked to end
    // and freed once it has.
    if (Painter->FInCall || (!Painter->Has(goAsync) && !Painter->FEnded.load())) {
        Painter->Stop();
        if (FPainter == Painter) FPainter = nullptr;
        return;
    }
    FPainters.erase(it);
    if (FPainter == Painter) FPainter = nullptr;
    Painter->Stop();
    Painter->WaitFor();
    delete Painter;
}

void TGIFImage::ReapPainters()
{
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    std::vector<TGIFPainter*> ended;
    for (TGIFPainter* p : FPainters)
        if (p->FEnded.load()) ended.push_back(p);
    for (TGIFPainter* p : ended) DeletePainter(p);
}

int TGIFImage::PainterCount()
{
    // Only counts: this may be asked from inside a wait on the dispatcher, where joining a
    // thread is not possible.
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    return int(std::count_if(FPainters.begin(), FPainters.end(), [](TGIFPainter* p) { return !p->FEnded.load(); }));
}

void TGIFImage::StopDraw()
{
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    if (FPainter) DeletePainter(FPainter);
    FPainter = nullptr;
    FBitmap.reset();
}

void TGIFImage::ForEachPainter(void (TGIFPainter::*Step)())
{
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    for (TGIFPainter* p : FPainters) (p->*Step)();
}

void TGIFImage::PaintStart()
{
    ForEachPainter(&TGIFPainter::Start);
}

void TGIFImage::PaintPause()
{
    ForEachPainter(&TGIFPainter::Pause);
}

void TGIFImage::PaintResume()
{
    ForEachPainter(&TGIFPainter::Resume);
}

void TGIFImage::PaintRestart()
{
    ForEachPainter(&TGIFPainter::Restart);
}

void TGIFImage::PaintStop()
{
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    // Ask all first, so that they end together, then join and free each.
    const std::vector<TGIFPainter*> painters = FPainters;
    for (TGIFPainter* p : painters) p->Stop();
    for (TGIFPainter* p : painters) DeletePainter(p);
    FPainter = nullptr;
    FBitmap.reset();
}

void TGIFImage::SetAnimationSpeed(int Value)
{
    FAnimationSpeed = std::clamp(Value, 0, 1000);
    std::lock_guard<std::recursive_mutex> lock(FPainterLock);
    for (TGIFPainter* p : FPainters) p->SetAnimationSpeed(FAnimationSpeed);
}
