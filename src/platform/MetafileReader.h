#pragma once
// Reading enhanced (EMF) and old-style placeable (WMF) metafiles: their frame, and playing
// their records onto a canvas. The records this program writes are played, and the common
// ones of other programs; a file with records that are not played, or that are damaged, is
// refused with EInvalidGraphic before anything is drawn.
#include <cstdint>
#include <string_view>

#include "platform/GraphicsTypes.h"

class TCanvas;

namespace platform::meta {

// Pictures (and bitmaps inside them) of more pixels than this are refused.
extern std::int64_t MaximumPicturePixels;

struct Frame {
    // The picture's size in pixels at 96 dpi.
    int width = 1;
    int height = 1;
    bool enhanced = true;
};

// EInvalidGraphic when the bytes are no metafile this program reads.
Frame ReadFrame(std::string_view bytes);
// Plays the picture's frame onto r of the canvas; the canvas's pen, brush, font, colours,
// modes, pen position and clipping are as before afterwards. Unless `check` is off (for
// bytes this program wrote), the whole file is read once first, so that a damaged one
// draws nothing.
void Play(std::string_view bytes, TCanvas* canvas, const TRect& r, bool check = true);

}  // namespace platform::meta
