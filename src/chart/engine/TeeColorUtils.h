#pragma once
// Colour rules shared by every chart element (darker sides of 3D shapes, fading shadows,
// gradient steps) and a few small numeric helpers of the canvas unit.
#include "chart/engine/TeCanvasTypes.h"
#include "platform/GraphicsTypes.h"

// The grey of equal brightness: the average of the three channels in each channel.
TColor TeeGrayColor(TColor Color);

// One step of a colour ramp from Start (step 0) towards Start + Delta (step Steps).
// Balance 50 gives the even integer ramp; other values bend it towards one end
// (f = ((1 + i) / (1 + n)) ^ (0.5 + 0.015 * Balance)). A ramp of no steps is the start
// colour, and no channel ever leaves 0..255 whatever Balance is.
struct TGradientRamp {
    int R0 = 0, G0 = 0, B0 = 0;
    int DR = 0, DG = 0, DB = 0;
    // From two colours; system colours are resolved.
    static TGradientRamp FromColors(TColor StartColor, TColor EndColor);
    TColor At(int Step, int Steps, int Balance) const;
};

// The point Distance pixels back from To towards From.
TPoint PointAtDistance(TPoint From, TPoint To, int Distance);
double TeeDistance(double x, double y);
void SwapDouble(double& a, double& b);
void SwapInteger(int& a, int& b);
