#pragma once
// Transparency by blending: the background under a rectangle is saved before drawing and
// mixed back over what was drawn.
#include <memory>

#include "platform/GraphicsTypes.h"

class TBitmap;
class TTeeCanvas;

class TTeeBlend {
public:
    TTeeBlend(TTeeCanvas* Canvas, const TRect& R);
    ~TTeeBlend();
    // Saves the background under R (oriented, clamped to the canvas bounds).
    void SetRectangle(const TRect& R);
    // Mixes Transparency percent of the saved background over what is there now.
    void DoBlend(int Transparency);
    bool Valid() const { return FValid; }
    const TRect& Rectangle() const { return FRect; }

private:
    std::unique_ptr<TBitmap> FBitmap;
    TTeeCanvas* FCanvas;
    TRect FRect;
    bool FValid = false;
};

// Blends Bitmap into BackBitmap at BackOrigin with the constant alpha
// 255 - Round(2.55 * Percent) for Bitmap: BackBitmap keeps Percent percent (Percent taken
// within 0..100; each channel (s * alpha + b * (255 - alpha)) / 255, rounded).
void TeeBlendBitmaps(double Percent, TBitmap* Bitmap, TBitmap* BackBitmap, TPoint BackOrigin);

// The same pixels as TTeeBlend over R, Canvas->Rectangle(Filled) with the brush in use and
// no pen, and DoBlend(Transparency), in one pass over the canvas's buffer. False, with
// nothing drawn, where the canvas has no buffer or the rectangle is not a plain solid fill
// into it; the caller draws the three steps then.
bool TeeBlendRectangle(TTeeCanvas* Canvas, const TRect& R, const TRect& Filled, int Transparency);
