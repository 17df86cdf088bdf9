#pragma once
// The band geometry of gradient fills, apart from any canvas: which rectangles, lines and
// rings get which colour, in painting order. The canvas paints what these produce; tests
// read them directly.
#include <cstdint>

#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeColorUtils.h"
#include "platform/GraphicsTypes.h"

class TGradientSink {
public:
    virtual ~TGradientSink() = default;
    // A solid rectangle (right and bottom edges excluded).
    virtual void Band(const TRect& R, TColor Color) = 0;
    // A one-pixel line from A to B, the end pixel left out.
    virtual void Line(const TPoint& A, const TPoint& B, TColor Color) = 0;
    // A filled ellipse without outline in the bounding box R.
    virtual void Ring(const TRect& R, TColor Color) = 0;
};

// The bands of a gradient from StartColor to EndColor over Rect. Visible limits the work
// of the diagonal directions to what can be seen (lines elsewhere change no pixel); pass
// Rect itself when there is no limit. Steps of equal colour in the centre and corner
// directions are painted as one region, so the work follows the colours, not the size.
// gdRadial gives the rings of TeeRadialRings around the unmoved centre. Coordinates beyond
// the engine's pixel limit are cut to it.
void TeeGradientBands(const TRect& Rect, TColor StartColor, TColor EndColor, TGradientDirection Direction, int Balance,
                      const TRect& Visible, TGradientSink& Sink);

// The rings of a radial gradient over Rect (already oriented): first the whole rectangle
// in EndColor, then the rings from the outside in, the centre (moved by RadialX, RadialY)
// in StartColor.
void TeeRadialRings(const TRect& Rect, TColor StartColor, TColor EndColor, int Balance, int RadialX, int RadialY,
                    TGradientSink& Sink);
