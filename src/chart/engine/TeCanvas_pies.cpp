// The round shapes of the 3D canvas: ellipses at a depth, the circle point generator, the
// flat donut slice, pie angles, 3D pie slices with hole, gradient and cut faces, and text
// turned by an angle.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCircleStep = 2.0 * kPi / 63.0;
constexpr std::uint8_t kPieDarkQuantity = 32;

TColor SolidBaseColor(TTeeCanvas3D& c)
{
    return c.Brush->GetStyle() == bsSolid ? c.Brush->GetColor() : c.GetBackColor();
}

}  // namespace

void TTeeCanvas3D::GetCirclePoints(std::array<TPoint, 64>& P, int X1, int Y1, int X2, int Y2, int Z)
{
    const int cx = (X1 + X2) / 2, cy = (Y1 + Y2) / 2;
    const int rx = (X2 - X1) / 2, ry = (Y2 - Y1) / 2;
    P[0] = Calculate3DPosition(cx, Y2, Z);
    for (int i = 1; i < 64; ++i) {
        const double a = i * kCircleStep;
        Calc3DPoint(P[i], cx + rx * std::sin(a), cy + ry * std::cos(a), Z);
    }
}

void TTeeCanvas3D::EllipseWithZ(int X1, int Y1, int X2, int Y2, int Z)
{
    if (IsOrthogonal) {
        // The oblique view keeps ellipses axis-aligned.
        Calc3DPos(X1, Y1, Z);
        Calc3DPos(X2, Y2, Z);
        Ellipse(X1, Y1, X2, Y2);
    } else if (Is3D) {
        std::array<TPoint, 64> p;
        GetCirclePoints(p, X1, Y1, X2, Y2, Z);
        if (Brush->GetStyle() != bsClear) {
            const TPenStyle oldStyle = Pen->GetStyle();
            Pen->SetStyle(psClear);
            TPoint center;
            Calc3DPoint(center, (X1 + X2) / 2, (Y1 + Y2) / 2, Z);
            for (int i = 0; i < 63; ++i) {
                const TPoint t[3] = {center, p[i], p[i + 1]};
                Polygon(t);
            }
            Pen->SetStyle(oldStyle);
        }
        if (Pen->GetStyle() != psClear) Polyline(p);
    } else {
        Ellipse(X1, Y1, X2 + 1, Y2 + 1);
    }
}

void TTeeCanvas3D::Donut(int AXCenter, int AYCenter, int XRadius, int YRadius, double StartAngle, double EndAngle,
                         double HolePercent)
{
    if (!std::isfinite(StartAngle) || !std::isfinite(EndAngle) || !std::isfinite(HolePercent)) return;
    const double hx = XRadius * HolePercent * 0.01;
    const double hy = YRadius * HolePercent * 0.01;
    auto at = [&](double r1, double r2, double a) {
        return TPoint(AXCenter + Round(r1 * std::cos(a)), AYCenter - Round(r2 * std::sin(a)));
    };
    const TPoint outerStart = at(XRadius, YRadius, StartAngle);
    const TPoint outerEnd = at(XRadius, YRadius, EndAngle);
    const TPoint holeStart = at(hx, hy, StartAngle);
    const TPoint holeEnd = at(hx, hy, EndAngle);
    const int rhx = Round(hx), rhy = Round(hy);

    Canvas->BeginPath();
    Canvas->MoveTo(outerStart.X, outerStart.Y);
    Canvas->ArcTo(AXCenter - XRadius, AYCenter - YRadius, AXCenter + XRadius, AYCenter + YRadius, outerStart.X,
                  outerStart.Y, outerEnd.X, outerEnd.Y);
    Canvas->LineTo(holeEnd.X, holeEnd.Y);
    if (holeEnd != holeStart) {
        Canvas->SetArcDirection(AD_CLOCKWISE);
        Canvas->ArcTo(AXCenter - rhx, AYCenter - rhy, AXCenter + rhx, AYCenter + rhy, holeEnd.X, holeEnd.Y, holeStart.X,
                      holeStart.Y);
        Canvas->SetArcDirection(AD_COUNTERCLOCKWISE);
    }
    Canvas->LineTo(outerStart.X, outerStart.Y);
    Canvas->EndPath();
    Canvas->StrokeAndFillPath();
}

void TTeeCanvas3D::Pie3D(int AXCenter, int AYCenter, int XRadius, int YRadius, int Z0, int Z1, double StartAngle,
                         double EndAngle, bool DarkSides, bool DrawSides, int DonutPercent,
                         TCustomTeeGradient* Gradient)
{
    // A slice with no defined extent has nothing to draw.
    if (!std::isfinite(StartAngle) || !std::isfinite(EndAngle)) return;

    const int n = 2 + std::min(94, Round(std::fabs(EndAngle - StartAngle) * 180.0 / kPi / 2.0));
    const double step = (EndAngle - StartAngle) / (n - 1);
    const bool hole = DonutPercent > 0;
    const double hx = hole ? 0.01 * DonutPercent * XRadius : 0.0;
    const double hy = hole ? 0.01 * DonutPercent * YRadius : 0.0;
    auto angle = [&](int i) { return StartAngle + (i - 1) * step; };  // arc index 1..n

    auto centerPoint = [&](double a, int z) {
        TPoint p;
        if (hole)
            Calc3DPoint(p, AXCenter + std::cos(a) * hx, static_cast<double>(AYCenter - Round(std::sin(a) * hy)), z);
        else
            Calc3DPoint(p, AXCenter, AYCenter, z);
        return p;
    };

    // top[1..n]: the arc at Z1; wall[n+1..2n]: the arc at Z0 from the end back to the start.
    std::vector<TPoint> top(static_cast<std::size_t>(2 * n + 2)), wall(static_cast<std::size_t>(2 * n + 1));
    for (int i = 1; i <= n; ++i) {
        const double a = angle(i);
        const double x = AXCenter + std::cos(a) * XRadius;
        const double y = AYCenter - std::sin(a) * YRadius;
        Calc3DPoint(top[i], x, y, Z1);
        Calc3DPoint(wall[2 * n + 1 - i], x, y, Z0);
    }
    top[0] = centerPoint(StartAngle, Z1);
    const TColor base = SolidBaseColor(*this);

    if (hole) {
        for (int k = 1; k <= n; ++k) top[n + k] = centerPoint(angle(n + 1 - k), Z1);
        std::vector<TPoint> inner;
        inner.reserve(static_cast<std::size_t>(2 * n));
        for (int i = n; i >= 1; --i) inner.push_back(centerPoint(angle(i), Z1));
        for (int i = 1; i <= n; ++i) inner.push_back(centerPoint(angle(i), Z0));
        if (DarkSides) InternalDark(base, kPieDarkQuantity);
        Polygon(inner);
    }

    if (DrawSides) {
        if (top[n].X < XCenterOffset) {
            FourPoints[0] = hole ? centerPoint(EndAngle, Z1) : top[0];
            FourPoints[1] = top[n];
            FourPoints[2] = wall[n + 1];
            FourPoints[3] = centerPoint(EndAngle, Z0);
            if (DarkSides) InternalDark(base, kPieDarkQuantity);
            PolygonFour();
        }
        if (XCenterOffset < top[1].X) {
            FourPoints[0] = top[0];
            FourPoints[1] = top[1];
            FourPoints[2] = wall[2 * n];
            FourPoints[3] = centerPoint(StartAngle, Z0);
            if (DarkSides) InternalDark(base, kPieDarkQuantity);
            PolygonFour();
        }
    }

    if (Brush->GetStyle() == bsSolid)
        Brush->SetColor(base);
    else
        SetBackColor(base);

    auto fill = [&](std::vector<TPoint>& pts) {
        if (Gradient) {
            std::vector<TPoint> clip = pts;  // converted to device coordinates in place
            ClipPolygon(clip.data(), static_cast<int>(clip.size()));
            Gradient->Draw(this, PolygonBounds(pts), 0);
            UnClipRectangle();
            if (Pen->GetStyle() != psClear) {
                const TBrushStyle old = Brush->GetStyle();
                Brush->SetStyle(bsClear);
                Polygon(pts);
                Brush->SetStyle(old);
            }
        } else {
            Polygon(pts);
        }
    };

    // The top face. With a hole it runs from the hole's start out along the arc and back
    // along the hole; the hole's start closes it, so no chord crosses the hole.
    std::vector<TPoint> face(top.begin(), top.begin() + (hole ? 2 * n + 1 : n + 1));
    fill(face);

    // The outer wall, only over runs of the arc whose screen x grows (the visible side).
    auto drawWall = [&](int s, int e) {
        if (DarkSides) InternalDark(base, kPieDarkQuantity);
        std::vector<TPoint> pts;
        for (int i = s; i <= e; ++i) pts.push_back(top[i]);
        for (int i = e; i >= s; --i) pts.push_back(wall[2 * n + 1 - i]);
        fill(pts);
    };
    int s = 0;
    for (int i = 2; i <= n; ++i)
        if (top[i].X > top[i - 1].X) {
            s = i - 1;
            break;
        }
    if (s == 0) return;
    int e = n;  // a run that does not turn back before the end reaches the last point
    for (int j = s + 2; j <= n - 1; ++j)
        if (top[j].X < top[j - 1].X) {
            e = j;
            break;
        }
    drawWall(s, e);
    if (e != n && top[n].X > top[n - 1].X) {
        int s2 = n - 1;
        while (s2 > 1 && top[s2].X > top[s2 - 1].X) --s2;
        if (s2 > 1) drawWall(s2, n);
    }
}

void TTeeCanvas3D::RotateLabel(int X, int Y, const AnsiString& Text, double RotDegree)
{
    if (!Canvas) return;
    // fmod, not repeated subtraction: a huge angle must not loop for ever.
    if (RotDegree >= 360) RotDegree = std::fmod(RotDegree, 360.0);
    Brush->SetStyle(bsClear);
    TFont rotated;
    rotated.Assign(Font);
    rotated.PixelsPerInch = Font->PixelsPerInch;
    rotated.SetOrientation(Round(RotDegree * 10));
    if (ZoomText && ZoomFactor != 1)
        rotated.SetHeight(-MulDiv(std::max(1, Round(Font->GetSize() * ZoomFactor)), Font->PixelsPerInch, 72));
    rotated.SetQuality(static_cast<TFontQuality>(TeeFontAntiAlias));
    Canvas->SelectFont(&rotated);
    Canvas->TextOut(X, Y, Text);
    Canvas->SelectFont(nullptr);
}

void TTeeCanvas3D::RotateLabel3D(int X, int Y, int Z, const AnsiString& Text, double RotDegree)
{
    Calc3DPos(X, Y, Z);
    RotateLabel(X, Y, Text, RotDegree);
}
