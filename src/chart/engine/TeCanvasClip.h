#pragma once
// Clipping of the chart canvas. One level is saved for the whole library: a clip remembers
// the clipping in force before it, and the unclip returns to that (or to none). A second
// clip before the unclip remembers the already clipped region, so the unclip returns to
// the first clip.
#include <QRegion>

#include "platform/GraphicsTypes.h"

class TCanvas;
class TTeeCanvas;

// The saved level: whether SavedClipRegion holds the clipping before the last clip.
extern bool ClipSaved;
extern QRegion SavedClipRegion;

// Intersects the device clipping with Rect (logical coordinates), saving what was there.
void ClipCanvas(TCanvas* ACanvas, const TRect& Rect);
// Back to the saved clipping, or to none.
void UnClipCanvas(TCanvas* ACanvas);
// Intersects the device clipping with Region (device coordinates), saving what was there.
void ClipCanvasRegion(TCanvas* ACanvas, const QRegion& Region);

void ClipEllipse(TTeeCanvas* ACanvas, const TRect& Rect);
void ClipRoundRectangle(TTeeCanvas* ACanvas, const TRect& Rect, int RoundSize);
void ClipPolygon(TTeeCanvas* ACanvas, TPoint* Points, int NumPoints);
