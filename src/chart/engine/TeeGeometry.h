#pragma once
// Small geometry functions on points and rectangles used all over the chart library.
#include <span>

#include "chart/engine/TeCanvasTypes.h"

inline TPoint TeePoint(int X, int Y)
{
    return TPoint(X, Y);
}
inline TRect TeeRect(int Left, int Top, int Right, int Bottom)
{
    return TRect(Left, Top, Right, Bottom);
}
inline TPoint3D Point3D(int X, int Y, int Z)
{
    return TPoint3D{X, Y, Z};
}
constexpr TRect TeeZeroRect{0, 0, 0, 0};
// R shifted by (dx, dy).
inline TRect MovedRect(const TRect& R, int dx, int dy)
{
    return TRect(R.Left + dx, R.Top + dy, R.Right + dx, R.Bottom + dy);
}

// All four edges inclusive.
bool PointInRect(const TRect& Rect, const TPoint& P);
bool PointInRect(const TRect& Rect, int X, int Y);
// Left <= Right and Top <= Bottom.
TRect OrientRectangle(const TRect& R);
void RectSize(const TRect& R, int& Width, int& Height);
// Integer halving truncating toward zero.
void RectCenter(const TRect& R, int& X, int& Y);
// The exact bounds (Right and Bottom are the largest coordinates); TeeZeroRect when empty.
TRect PolygonBounds(std::span<const TPoint> Points);
// Bounds of the first NumPoints points with Right and Bottom one past the largest
// coordinates.
TRect RectFromPolygon(std::span<const TPoint> Points, int NumPoints);
TRect RectFromTriangle(std::span<const TPoint> Points);
// True when the triangle faces away (need not be drawn).
bool TeeCull(const TPoint& P0, const TPoint& P1, const TPoint& P2);
bool TeeCull(std::span<const TPoint> Points);

struct TRGB {
    std::uint8_t Blue, Green, Red;
};
TRGB RGBValue(TColor Color);
