#pragma once
// The small pictures of the editor dialogs, drawn here rather than loaded: the list
// arrows, the brush patterns and textures, the hand cursor and the fallback editor
// pictures of series and tools.
#include <QCursor>

#include "platform/GraphicsTypes.h"
#include "platform/MouseTypes.h"

class QObject;
class TBitmap;
class TCanvas;

// The library's own hand cursor.
constexpr TCursor crTeeHand = 2020;

// A 24 x 14 arrow pointing up or down (black on the button face).
void TeeDrawArrowBitmap(TBitmap* Bitmap, bool Up);
// Brush pattern Number (1..12: "Fill 80%", "Fill 60%", "Fill 40%", "Fill 20%", "Fill 10%",
// "Zig zag", "Vertical small", "Horiz. small", "Diag. small", "Back Diag. small", "Cross
// small", "Diag. Cross small"): 16 x 16, monochrome, black ink on white. Other numbers
// leave the bitmap empty.
void TeeDrawBrushPattern(TBitmap* Bitmap, int Number);
// Texture Index (0..6: metal, wood, stone, clouds, grass, fire, snow): a seamless 64 x 64
// picture. Other indexes leave the bitmap empty.
void TeeDrawTexture(TBitmap* Bitmap, int Index);
// The Qt cursor of a library or platform cursor number.
QCursor TeeQtCursor(TCursor Cursor);
// The editor picture of Element's class at (X, Y): the registered picture when there is
// one, else a 16 x 16 picture drawn from the element (a series' legend symbol, a tool's
// sign).
void TeeDrawBitmapEditor(TCanvas* Canvas, QObject* Element, int X, int Y);
