#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProcs.h"
#include "platform/TBitmap.h"

std::unique_ptr<TBitmap> TeeAntiAlias(TCustomTeePanel* Panel)
{
    const bool oldAutoRepaint = Panel->AutoRepaint;
    Panel->AutoRepaint = false;
    const int W = Panel->Width();
    const int H = Panel->Height();
    TView3DOptions* view = Panel->GetView3DOptions();
    const int oldZoom = view->GetFontZoom();
    auto* canvas = dynamic_cast<TTeeCanvas3D*>(Panel->GetCanvas());
    const bool oldBuffered = canvas ? canvas->BufferedDisplay : false;
    std::unique_ptr<TBitmap> large;
    try {
        view->SetFontZoom(oldZoom * 2);
        // Only the flag: switching the buffering itself would drop the window's picture.
        if (canvas) canvas->BufferedDisplay = false;
        large = Panel->TeeCreateBitmap(Panel->GetColor(), TRect(0, 0, 2 * W, 2 * H), pf24bit);
    } catch (...) {
        if (canvas) canvas->BufferedDisplay = oldBuffered;
        view->SetFontZoom(oldZoom);
        Panel->AutoRepaint = oldAutoRepaint;
        throw;
    }
    if (canvas) canvas->BufferedDisplay = oldBuffered;
    view->SetFontZoom(oldZoom);

    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf24bit);
    result->SetSize(std::max(W, 0), std::max(H, 0));
    const QImage& from = large->Image();
    QImage& to = result->Image();
    if (!from.isNull() && !to.isNull()) {
        for (int y = 0; y < H; ++y) {
            const auto* top = reinterpret_cast<const QRgb*>(from.constScanLine(2 * y));
            const auto* bottom = reinterpret_cast<const QRgb*>(from.constScanLine(2 * y + 1));
            auto* out = reinterpret_cast<QRgb*>(to.scanLine(y));
            for (int x = 0; x < W; ++x) {
                const QRgb a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
                out[x] = qRgb((qRed(a) + qRed(b) + qRed(c) + qRed(d)) / 4,
                              (qGreen(a) + qGreen(b) + qGreen(c) + qGreen(d)) / 4,
                              (qBlue(a) + qBlue(b) + qBlue(c) + qBlue(d)) / 4);
            }
        }
    }
    Panel->AutoRepaint = oldAutoRepaint;
    return result;
}
