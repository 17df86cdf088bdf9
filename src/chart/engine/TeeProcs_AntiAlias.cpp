#include <optional>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProcs.h"
#include "platform/ScopedValue.h"
#include "platform/TBitmap.h"

std::unique_ptr<TBitmap> TeeAntiAlias(TCustomTeePanel* Panel)
{
    const TScopedValue noRepaint(Panel->AutoRepaint, false);
    const int W = Panel->Width();
    const int H = Panel->Height();
    std::unique_ptr<TBitmap> large;
    {
        // The chart drawn at twice the size with twice the font zoom; all is put back also
        // when drawing fails.
        TView3DOptions* view = Panel->GetView3DOptions();
        struct RestoreZoom {
            TView3DOptions* view;
            int zoom;
            ~RestoreZoom() { view->SetFontZoom(zoom); }
        } restoreZoom{view, view->GetFontZoom()};
        // Only the flag: switching the buffering itself would drop the window's picture.
        std::optional<TScopedValue<bool>> unbuffered;
        if (auto* canvas = dynamic_cast<TTeeCanvas3D*>(Panel->GetCanvas()))
            unbuffered.emplace(canvas->BufferedDisplay, false);
        view->SetFontZoom(restoreZoom.zoom * 2);
        large = Panel->TeeCreateBitmap(Panel->GetColor(), TRect(0, 0, 2 * W, 2 * H), pf24bit);
    }

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
    return result;
}
