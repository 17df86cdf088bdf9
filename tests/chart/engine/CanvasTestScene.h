#pragma once
// A chart canvas drawing straight into a white bitmap, for pixel tests of canvas
// operations.
#include <QImage>

#include "chart/engine/TeCanvas.h"
#include "platform/TBitmap.h"

namespace support {

struct CanvasScene {
    TBitmap Bitmap;
    TTeeCanvas3D Canvas;

    CanvasScene(int width, int height)
    {
        Bitmap.SetSize(width, height);
        Canvas.BufferedDisplay = false;
        Canvas.InitWindow(Bitmap.Canvas(), nullptr, clWhite, false, TRect(0, 0, width, height));
        Canvas.ResetState();
        Canvas.Pen->SetStyle(psClear);
        Canvas.FillRect(TRect(0, 0, width, height));
        Canvas.Pen->SetStyle(psSolid);
    }
    const QImage& Image() { return Bitmap.Image(); }
};

}  // namespace support
