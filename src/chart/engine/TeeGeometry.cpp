#include "chart/engine/TeeGeometry.h"

#include <algorithm>

bool PointInRect(const TRect& Rect, int X, int Y)
{
    return X >= Rect.Left && X <= Rect.Right && Y >= Rect.Top && Y <= Rect.Bottom;
}

bool PointInRect(const TRect& Rect, const TPoint& P)
{
    return PointInRect(Rect, P.X, P.Y);
}

TRect OrientRectangle(const TRect& R)
{
    TRect r = R;
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

void RectSize(const TRect& R, int& Width, int& Height)
{
    Width = R.Right - R.Left;
    Height = R.Bottom - R.Top;
}

void RectCenter(const TRect& R, int& X, int& Y)
{
    X = int((static_cast<long long>(R.Left) + R.Right) / 2);
    Y = int((static_cast<long long>(R.Top) + R.Bottom) / 2);
}

TRect PolygonBounds(std::span<const TPoint> Points)
{
    if (Points.empty()) return TeeZeroRect;
    TRect r(Points[0].X, Points[0].Y, Points[0].X, Points[0].Y);
    for (const TPoint& p : Points) {
        r.Left = std::min(r.Left, p.X);
        r.Top = std::min(r.Top, p.Y);
        r.Right = std::max(r.Right, p.X);
        r.Bottom = std::max(r.Bottom, p.Y);
    }
    return r;
}

TRect RectFromPolygon(std::span<const TPoint> Points, int NumPoints)
{
    NumPoints = std::clamp(NumPoints, 0, int(Points.size()));
    TRect r = PolygonBounds(Points.first(std::size_t(NumPoints)));
    if (NumPoints > 0) {
        ++r.Right;
        ++r.Bottom;
    }
    return r;
}

TRect RectFromTriangle(std::span<const TPoint> Points)
{
    return RectFromPolygon(Points, 3);
}

bool TeeCull(const TPoint& P0, const TPoint& P1, const TPoint& P2)
{
    // Wide enough for any coordinates: differences take 33 bits, their products 66.
    using wide = __int128;
    const wide a = wide(std::int64_t(P0.X) - P1.X) * (std::int64_t(P2.Y) - P1.Y);
    const wide b = wide(std::int64_t(P2.X) - P1.X) * (std::int64_t(P0.Y) - P1.Y);
    return a - b < 0;
}

bool TeeCull(std::span<const TPoint> Points)
{
    return Points.size() >= 3 && TeeCull(Points[0], Points[1], Points[2]);
}

TRGB RGBValue(TColor Color)
{
    return TRGB{std::uint8_t(GetBValue(Color)), std::uint8_t(GetGValue(Color)), std::uint8_t(GetRValue(Color))};
}
