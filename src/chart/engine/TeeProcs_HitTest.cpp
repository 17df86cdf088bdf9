// Hit tests of series, tools and pointers: all in integer pixel coordinates.
#include <cmath>
#include <cstdint>

#include "chart/engine/TeeProcs.h"

namespace {

// Integer halving that truncates toward zero, without overflow on the sum.
int HalfSum(int a, int b)
{
    return int((std::int64_t(a) + b) / 2);
}

}  // namespace

// All arithmetic in double: squared pixel distances overflow 32 bits long before
// coordinates leave the clipped range.
bool PointInLine(const TPoint& P, int X0, int Y0, int X1, int Y1, int Tolerance)
{
    if ((P.X == X0 && P.Y == Y0) || (P.X == X1 && P.Y == Y1)) return true;
    const double px = P.X, py = P.Y;
    const double dx = double(X1) - X0, dy = double(Y1) - Y0;
    double distance;
    if (dx == 0 && dy == 0) {
        distance = std::hypot(px - X0, py - Y0);
    } else {
        double t = ((px - X0) * dx + (py - Y0) * dy) / (dx * dx + dy * dy);
        if (t < 0)
            distance = std::hypot(px - X0, py - Y0);
        else if (t > 1)
            distance = std::hypot(px - X1, py - Y1);
        else
            distance = std::hypot(px - (X0 + t * dx), py - (Y0 + t * dy));
    }
    return distance <= double(Tolerance) + 1.0;
}

bool PointInLine(const TPoint& P, const TPoint& P0, const TPoint& P1, int Tolerance)
{
    return PointInLine(P, P0.X, P0.Y, P1.X, P1.Y, Tolerance);
}

bool PointInLine(const TPoint& P, int X0, int Y0, int X1, int Y1)
{
    return PointInLine(P, X0, Y0, X1, Y1, 0);
}

bool PointInLine(const TPoint& P, const TPoint& P0, const TPoint& P1)
{
    return PointInLine(P, P0.X, P0.Y, P1.X, P1.Y, 0);
}

bool PointInLineTolerance(const TPoint& P, int X0, int Y0, int X1, int Y1, int Tolerance)
{
    return PointInLine(P, X0, Y0, X1, Y1, Tolerance);
}

bool PointInPolygon(const TPoint& P, std::span<const TPoint> Poly, int High)
{
    // Only the points that exist take part, whatever High claims.
    if (High >= int(Poly.size())) High = int(Poly.size()) - 1;
    if (High < 0) return false;
    bool inside = false;
    for (int i = 0, j = High; i <= High; j = i++) {
        const TPoint& a = Poly[size_t(i)];
        const TPoint& b = Poly[size_t(j)];
        if (((a.Y <= P.Y) && (P.Y < b.Y)) || ((b.Y <= P.Y) && (P.Y < a.Y))) {
            double crossX = a.X + (double(b.X) - a.X) * (double(P.Y) - a.Y) / (double(b.Y) - a.Y);
            if (P.X < crossX) inside = !inside;
        }
    }
    return inside;
}

bool PointInPolygon(const TPoint& P, std::span<const TPoint> Poly)
{
    return PointInPolygon(P, Poly, int(Poly.size()) - 1);
}

bool PointInTriangle(const TPoint& P, int A, int B, int C, int D)
{
    const TPoint poly[3] = {TPoint(A, C), TPoint(HalfSum(A, B), D), TPoint(B, C)};
    return PointInPolygon(P, poly);
}

bool PointInHorizTriangle(const TPoint& P, int A, int B, int C, int D)
{
    const TPoint poly[3] = {TPoint(C, A), TPoint(D, HalfSum(A, B)), TPoint(C, B)};
    return PointInPolygon(P, poly);
}

bool PointInEllipse(const TPoint& P, int Left, int Top, int Right, int Bottom)
{
    const int cx = HalfSum(Left, Right);
    const int cy = HalfSum(Top, Bottom);
    const double rx2 = (double(cx) - Left) * (double(cx) - Left);
    const double ry2 = (double(cy) - Top) * (double(cy) - Top);
    if (rx2 == 0 || ry2 == 0) return false;
    const double dx = double(P.X) - cx, dy = double(P.Y) - cy;
    return dx * dx / rx2 + dy * dy / ry2 <= 1.0;
}

bool PointInEllipse(const TPoint& P, const TRect& Rect)
{
    return PointInEllipse(P, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
}

bool CrossingLines(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4, double& X,
                   double& Y)
{
    const bool vertical1 = X2 == X1;
    const bool vertical2 = X4 == X3;
    if (!vertical1 && !vertical2) {
        const double m1 = (Y2 - Y1) / (X2 - X1);
        const double m2 = (Y4 - Y3) / (X4 - X3);
        const double b1 = Y1 - m1 * X1;
        const double b2 = Y3 - m2 * X3;
        X = std::fabs(m2 - m1) > 1e-15 ? (b1 - b2) / (m2 - m1) : X2;
        Y = m1 * X + b1;
    } else if (vertical1 && vertical2) {
        // Parallel, as for equal slopes: the end of the first segment.
        X = X2;
        Y = Y2;
    } else if (vertical1) {
        // A vertical segment has no slope; the crossing lies on its X.
        const double m2 = (Y4 - Y3) / (X4 - X3);
        X = X1;
        Y = Y3 + m2 * (X - X3);
    } else {
        const double m1 = (Y2 - Y1) / (X2 - X1);
        X = X3;
        Y = Y1 + m1 * (X - X1);
    }
    auto side = [](double ax, double ay, double bx, double by, double x, double y) {
        return (by - ay) * x - (bx - ax) * y - (ax * by - bx * ay) > 0;
    };
    return side(X1, Y1, X2, Y2, X3, Y3) != side(X1, Y1, X2, Y2, X4, Y4) &&
           side(X3, Y3, X4, Y4, X1, Y1) != side(X3, Y3, X4, Y4, X2, Y2);
}
