// The solid bodies and projected primitives of the 3D canvas: cubes, cylinders, cones,
// pyramids, planes, triangles, arrows and lines at a depth. There is no depth buffer: a
// body hides its own back faces by the signed area of its projected corners and by the
// order in which it draws its faces.
#include <cmath>
#include <cstdint>
#include <vector>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The colour a solid shades from: the brush colour for a solid brush, else the back colour
// (which fills the gaps of a patterned brush).
TColor SolidBaseColor(TTeeCanvas3D& c)
{
    return c.Brush->GetStyle() == bsSolid ? c.Brush->GetColor() : c.GetBackColor();
}

// Signed area of the corners 1..3 of the scratch polygon, on 64-bit integers so that far
// off-screen corners cannot overflow.
double FourPointsArea(const TFourPoints& p)
{
    return static_cast<double>(static_cast<std::int64_t>(p[3].X - p[2].X) * (p[1].Y - p[2].Y) -
                               static_cast<std::int64_t>(p[1].X - p[2].X) * (p[3].Y - p[2].Y));
}

double Cross(const TPoint& a, const TPoint& b, const TPoint& c)
{
    return static_cast<double>(static_cast<std::int64_t>(a.X - b.X) * (c.Y - b.Y) -
                               static_cast<std::int64_t>(c.X - b.X) * (a.Y - b.Y));
}

int CylinderSides()
{
    // Zero or fewer sides would divide the circle by zero; fall back to the default.
    return TeeNumCylinderSides >= 1 ? TeeNumCylinderSides : 16;
}

}  // namespace

void TTeeCanvas3D::Cube(int Left, int Right, int Top, int Bottom, int Z0, int Z1, bool DarkSides)
{
    auto map = [&](int x, int y, int z) {
        TPoint p;
        Calc3DPoint(p, x, y, z);
        return p;
    };
    const TPoint P0 = map(Left, Top, Z0);
    const TPoint P1 = map(Right, Top, Z0);
    const TPoint P2 = map(Right, Bottom, Z0);
    const TPoint P3 = map(Right, Top, Z1);
    const TColor base = SolidBaseColor(*this);
    const bool noFill = Brush->GetStyle() == bsClear;

    // Front, or the back when the front faces away; never both.
    FourPoints[0] = P0;
    FourPoints[1] = P1;
    FourPoints[2] = P2;
    FourPoints[3] = map(Left, Bottom, Z0);
    if (noFill || FourPointsArea(FourPoints) > 0) {
        PolygonFour();
    } else {
        FourPoints[0] = map(Left, Top, Z1);
        FourPoints[1] = map(Right, Top, Z1);
        FourPoints[2] = map(Right, Bottom, Z1);
        FourPoints[3] = map(Left, Bottom, Z1);
        PolygonFour();
    }

    // Right side.
    FourPoints[0] = P1;
    FourPoints[1] = P3;
    FourPoints[2] = map(Right, Bottom, Z1);
    FourPoints[3] = P2;
    if (noFill || FourPointsArea(FourPoints) > 0) {
        if (DarkSides) InternalDark(base, DarkerColorQuantity);
        PolygonFour();
    }

    // Left side.
    const TPoint Q0 = P0, Q1 = map(Left, Top, Z1), Q2 = map(Left, Bottom, Z1), Q3 = map(Left, Bottom, Z0);
    const double left = noFill ? 1.0
                               : static_cast<double>(static_cast<std::int64_t>(Q3.X - Q0.X) * (Q1.Y - Q0.Y) -
                                                     static_cast<std::int64_t>(Q1.X - Q0.X) * (Q3.Y - Q0.Y));
    if (left > 0) {
        FourPoints[0] = Q0;
        FourPoints[1] = Q1;
        FourPoints[2] = Q2;
        FourPoints[3] = Q3;
        if (DarkSides) InternalDark(base, DarkerColorQuantity);
        PolygonFour();
    }

    // Top.
    const TPoint T = map(Left, Top, Z1);
    const double top = noFill ? 1.0 : Cross(P0, P1, P3);
    if (top > 0) {
        FourPoints[0] = P0;
        FourPoints[1] = P1;
        FourPoints[2] = P3;
        FourPoints[3] = T;
        if (DarkSides) InternalDark(base, DarkColorQuantity);
        PolygonFour();
    }

    // Bottom: its corners run the other way round, so the sign test is reversed.
    FourPoints[0] = map(Left, Bottom, Z0);
    FourPoints[1] = map(Left, Bottom, Z1);
    FourPoints[2] = map(Right, Bottom, Z1);
    FourPoints[3] = P2;
    if (noFill || FourPointsArea(FourPoints) < 0) {
        if (DarkSides) InternalDark(base, DarkColorQuantity);
        PolygonFour();
    }
}

void TTeeCanvas3D::RectangleZ(int Left, int Top, int Bottom, int Z0, int Z1)
{
    PolygonFour3D({{{Left, Top, Z0}, {Left, Top, Z1}, {Left, Bottom, Z1}, {Left, Bottom, Z0}}});
}

void TTeeCanvas3D::RectangleY(int Left, int Top, int Right, int Z0, int Z1)
{
    PolygonFour3D({{{Left, Top, Z0}, {Right, Top, Z0}, {Right, Top, Z1}, {Left, Top, Z1}}});
}

void TTeeCanvas3D::Plane3D(const TPoint& A, const TPoint& B, int Z0, int Z1)
{
    PolygonFour3D({{{A.X, A.Y, Z0}, {B.X, B.Y, Z0}, {B.X, B.Y, Z1}, {A.X, A.Y, Z1}}});
}

void TTeeCanvas3D::PlaneFour3D(TFourPoints& Points, int Z0, int Z1)
{
    Calc3DPoint(FourPoints[0], static_cast<double>(Points[0].X), static_cast<double>(Points[0].Y), Z0);
    Calc3DPoint(FourPoints[1], static_cast<double>(Points[1].X), static_cast<double>(Points[1].Y), Z0);
    Calc3DPoint(FourPoints[2], static_cast<double>(Points[2].X), static_cast<double>(Points[2].Y), Z1);
    Calc3DPoint(FourPoints[3], static_cast<double>(Points[3].X), static_cast<double>(Points[3].Y), Z1);
    PolygonFour();
}

void TTeeCanvas3D::Cylinder(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D)
{
    Cone(Vertical, Left, Top, Right, Bottom, Z0, Z1, Dark3D, 100);
}

void TTeeCanvas3D::Cone(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool Dark3D,
                        int ConePercent)
{
    if (ConePercent == 0) ConePercent = TeeDefaultConePercent;
    const int n = CylinderSides();
    const double step = kTwoPi / n;
    const TColor base = SolidBaseColor(*this);

    const int zr = (Z1 - Z0) / 2;
    const int zc = (Z0 + Z1) / 2;
    int r, center;
    if (Vertical) {
        r = (Right - Left) / 2;
        center = (Left + Right) / 2;
    } else {
        r = (Bottom - Top) / 2;
        center = (Top + Bottom) / 2;
    }
    const int narrowR = Round(r * ConePercent * 0.01);
    const int narrowZR = Round(zr * ConePercent * 0.01);

    // Corner i of the wide end (full radii) and of the narrow end (scaled radii).
    std::vector<TPoint> wide(static_cast<std::size_t>(n) + 1), narrow(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) {
        const double a = (i - (Vertical ? 4 : 5)) * step;
        const double s = std::sin(a), co = std::cos(a);
        if (Vertical) {
            wide[i] = Calculate3DPosition(center + Round(r * s), Bottom, zc - Round(zr * co));
            narrow[i] = Calculate3DPosition(center + Round(narrowR * s), Top, zc - Round(narrowZR * co));
        } else {
            wide[i] = Calculate3DPosition(Left, center + Round(r * s), zc - Round(zr * co));
            narrow[i] = Calculate3DPosition(Right, center + Round(narrowR * s), zc - Round(narrowZR * co));
        }
    }

    auto face = [&](int a, int b) {
        if (TeeCull(narrow[a], wide[a], wide[b])) return;
        const TPoint quad[4] = {narrow[a], wide[a], wide[b], narrow[b]};
        Polygon(quad);
    };
    const int shade = 256 / (2 * n);
    for (int i = 2; i <= n; ++i) {
        if (Dark3D && !TeeCull(narrow[i - 1], wide[i - 1], wide[i]))
            InternalDark(base, static_cast<std::uint8_t>((i - 2) * shade));
        face(i - 1, i);
    }
    face(n, 1);

    // End cap: the narrow end, except for a horizontal body seen from its left, where the
    // wide end faces the viewer.
    bool wideCap = false;
    if (!Vertical) {
        const TPoint a = Calculate3DPosition(0, 0, 0);
        const TPoint b = Calculate3DPosition(0, 10, 0);
        const TPoint c = Calculate3DPosition(0, 10, 10);
        wideCap = TeeCull(a, b, c);
    }
    const std::vector<TPoint>& capSource = wideCap ? wide : narrow;
    std::vector<TPoint> cap(capSource.begin() + 1, capSource.end());
    if (Dark3D) InternalDark(base, DarkColorQuantity);
    Polygon(cap);
}

void TTeeCanvas3D::Pyramid(bool Vertical, int Left, int Top, int Right, int Bottom, int Z0, int Z1, bool DarkSides)
{
    const TColor base = SolidBaseColor(*this);
    auto triangle = [&](const TPoint& a, const TPoint& b, const TPoint& c) {
        const TPoint t[3] = {a, b, c};
        Polygon(t);
    };
    if (Vertical) {
        const TPoint apex = Calculate3DPosition((Left + Right) / 2, Top, (Z0 + Z1) / 2);
        const TPoint A = Calculate3DPosition(Left, Bottom, Z0);
        const TPoint B = Calculate3DPosition(Right, Bottom, Z0);
        const TPoint C = Calculate3DPosition(Left, Bottom, Z1);
        const TPoint D = Calculate3DPosition(Right, Bottom, Z1);
        const bool up = Top < Bottom;
        if (Top != Bottom) {
            triangle(A, apex, B);
            if (TeeCull(A, apex, C) != up) triangle(A, apex, C);
            if (DarkSides) InternalDark(base, DarkerColorQuantity);
            if (TeeCull(B, apex, D) != !up) triangle(B, apex, D);
            if (up && TeeCull(apex, C, D)) triangle(apex, C, D);
        }
        if (TeeCull(A, B, C) != !up) {
            if (DarkSides) InternalDark(base, DarkColorQuantity);
            RectangleY(Left, Bottom, Right, Z0, Z1);
        }
    } else {
        const TPoint apex = Calculate3DPosition(Right, (Top + Bottom) / 2, (Z0 + Z1) / 2);
        const TPoint A = Calculate3DPosition(Left, Top, Z0);
        const TPoint B = Calculate3DPosition(Left, Bottom, Z0);
        const TPoint C = Calculate3DPosition(Left, Top, Z1);
        const TPoint D = Calculate3DPosition(Left, Bottom, Z1);
        const bool right = Left < Right;
        if (Left != Right) {
            triangle(A, apex, B);
            if (TeeCull(C, apex, D) != right) triangle(C, apex, D);
            if (DarkSides) InternalDark(base, DarkColorQuantity);
            if (TeeCull(A, apex, C) != right) triangle(A, apex, C);
            if (TeeCull(D, apex, B) != right) triangle(D, apex, B);
        }
        if (TeeCull(A, B, C) != !right) {
            if (DarkSides) InternalDark(base, DarkerColorQuantity);
            RectangleZ(Left, Top, Bottom, Z0, Z1);
        }
    }
}

void TTeeCanvas3D::PyramidTrunc(const TRect& R, int StartZ, int EndZ, int TruncX, int TruncZ)
{
    const int midX = (R.Left + R.Right) / 2;
    const int midZ = (StartZ + EndZ) / 2;

    auto baseCap = [&] { RectangleY(R.Left, R.Bottom, R.Right, StartZ, EndZ); };
    auto topCap = [&] {
        if (TruncX != 0) RectangleY(midX - TruncX, R.Top, midX + TruncX, midZ - TruncZ, midZ + TruncZ);
    };
    const bool topFirst = R.Bottom <= R.Top;

    // A depth face between the caps. Its corners run clockwise on screen when it faces the
    // viewer (as a cube's front does), so the culling test of its first three corners in
    // their own order is true then: the front face (top depth >= bottom depth) is drawn when
    // it is true, the back face when it is false. Testing the corners in reverse order
    // would swap the two and show the back face through a missing front.
    auto depthFace = [&](int zTop, int zBottom, bool test) {
        const TPoint pts[4] = {TPoint(midX - TruncX, R.Top), TPoint(midX + TruncX, R.Top), TPoint(R.Right, R.Bottom),
                               TPoint(R.Left, R.Bottom)};
        TPoint mapped[4];
        for (int i = 0; i < 4; ++i)
            Calc3DPoint(mapped[i], static_cast<double>(pts[i].X), static_cast<double>(pts[i].Y),
                        i < 2 ? zTop : zBottom);
        if (test) {
            const bool cull = TeeCull(mapped[0], mapped[1], mapped[2]);
            if (zTop >= zBottom ? !cull : cull) return;
        }
        for (int i = 0; i < 4; ++i) FourPoints[i] = mapped[i];
        PolygonFour();
    };
    auto side = [&](int xBottom, int xTop, bool drawWhenCulled) {
        TPoint mapped[4];
        Calc3DPoint(mapped[0], xTop, R.Top, midZ - TruncZ);
        Calc3DPoint(mapped[1], xTop, R.Top, midZ + TruncZ);
        Calc3DPoint(mapped[2], xBottom, R.Bottom, EndZ);
        Calc3DPoint(mapped[3], xBottom, R.Bottom, StartZ);
        if (TeeCull(mapped[2], mapped[1], mapped[0]) != drawWhenCulled) return;
        for (int i = 0; i < 4; ++i) FourPoints[i] = mapped[i];
        PolygonFour();
    };

    if (topFirst)
        topCap();
    else
        baseCap();
    if (TruncX == 0 && StartZ == EndZ) {
        depthFace(midZ + TruncZ, EndZ, false);
    } else {
        depthFace(midZ + TruncZ, EndZ, true);
        side(R.Left, midX - TruncX, true);
        depthFace(midZ - TruncZ, StartZ, true);
        side(R.Right, midX + TruncX, false);
    }
    if (topFirst)
        baseCap();
    else
        topCap();
}

void TTeeCanvas3D::Triangle3D(const TTrianglePoints3D& Points, const TTriangleColors3D& Colors)
{
    TPoint p[3];
    for (int i = 0; i < 3; ++i) p[i] = Calc3DTPoint3D(Points[i]);
    if (Brush->GetStyle() != bsClear) Brush->SetColor(Colors[0]);
    Polygon(p);
}

void TTeeCanvas3D::Arrow(bool Filled, const TPoint& FromPoint, const TPoint& ToPoint, int HeadWidth, int HeadHeight,
                         int Z)
{
    const double dx = ToPoint.X - FromPoint.X;
    const double dy = FromPoint.Y - ToPoint.Y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return;

    // Work in the arrow's own frame, where the shaft runs along x.
    const double s = dy / length, c = dx / length;
    const double tx = ToPoint.X * c - ToPoint.Y * s;
    const double ty = ToPoint.X * s + ToPoint.Y * c;
    const double h = std::min(HeadHeight, Round(length));
    const double bx = tx - h;
    auto back = [&](double u, double v) {
        TPoint p(Round(u * c + v * s), Round(-u * s + v * c));
        Calc3DTPoint(p, Z);
        return p;
    };
    const TPoint H1 = back(bx, ty - HeadWidth / 2.0);
    const TPoint H2 = back(bx, ty + HeadWidth / 2.0);

    if (Filled) {
        const double q = HeadWidth * 0.25;
        const double fx = FromPoint.X * c - FromPoint.Y * s;
        TPoint tip = ToPoint;
        Calc3DTPoint(tip, Z);
        const TPoint pts[7] = {back(fx, ty + q), back(fx, ty - q), back(bx, ty - q), H1, tip, H2, back(bx, ty + q)};
        Polygon(pts);
    } else {
        MoveTo3D(FromPoint.X, FromPoint.Y, Z);
        LineTo3D(ToPoint.X, ToPoint.Y, Z);
        LineTo(H2.X, H2.Y);
        MoveTo3D(ToPoint.X, ToPoint.Y, Z);
        LineTo(H1.X, H1.Y);
    }
}
