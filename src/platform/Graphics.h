#pragma once
// The drawing layer in one include: colours and geometry, pens, brushes, fonts, the canvas
// and pictures.
#include "platform/GraphicsObjects.h"
#include "platform/GraphicsTypes.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"
