// Clipping to rectangles, rounded rectangles, ellipses, polygons and the outline of a
// projected box; the convex hull of that outline.
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeCanvasClip.h"
#include "chart/engine/TeeGeometry.h"

bool ClipSaved = false;
QRegion SavedClipRegion;

namespace {

// The device rectangle of two logical corners (right and bottom excluded).
QRect DeviceRect(TCanvas* ACanvas, const TRect& Rect)
{
    TPoint p[2] = {Rect.TopLeft(), Rect.BottomRight()};
    ACanvas->LPtoDP(p, 2);
    // Far coordinates are cut to a range where the region arithmetic cannot overflow.
    static constexpr int limit = 1 << 29;
    auto c = [](int v) { return std::clamp(v, -limit, limit); };
    const int l = c(std::min(p[0].X, p[1].X)), r = c(std::max(p[0].X, p[1].X));
    const int t = c(std::min(p[0].Y, p[1].Y)), b = c(std::max(p[0].Y, p[1].Y));
    return QRect(l, t, r - l, b - t);
}

QRegion RoundRectRegion(const QRect& r, int RoundSize)
{
    if (r.isEmpty()) return QRegion();
    QPainterPath path;
    const double radius = std::min({RoundSize * 0.5, r.width() * 0.5, r.height() * 0.5});
    path.addRoundedRect(QRectF(r), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

// Cross product of (A - P) and (B - P), wide enough for any coordinates.
__int128 Cross(const TPoint& A, const TPoint& P, const TPoint& B)
{
    using wide = __int128;
    return wide(std::int64_t(A.X) - P.X) * (std::int64_t(B.Y) - P.Y) -
           wide(std::int64_t(B.X) - P.X) * (std::int64_t(A.Y) - P.Y);
}

// Sorts points and keys together by ascending key (quicksort on the middle element).
void SortByKey(std::vector<TPoint>& P, std::vector<float>& Key, int l, int r)
{
    while (l < r) {
        int i = l;
        int j = r;
        const float x = Key[std::size_t(l + (r - l) / 2)];
        do {
            while (Key[std::size_t(i)] < x) ++i;
            while (x < Key[std::size_t(j)]) --j;
            if (i <= j) {
                std::swap(Key[std::size_t(i)], Key[std::size_t(j)]);
                std::swap(P[std::size_t(i)], P[std::size_t(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        // Recurse into the smaller side so the depth stays logarithmic.
        if (j - l < r - i) {
            if (l < j) SortByKey(P, Key, l, j);
            l = i;
        } else {
            if (i < r) SortByKey(P, Key, i, r);
            r = j;
        }
    }
}

}  // namespace

void ClipCanvasRegion(TCanvas* ACanvas, const QRegion& Region)
{
    if (!ACanvas) return;
    ClipSaved = ACanvas->GetClipRgn(SavedClipRegion) == 1;
    ACanvas->ExtSelectClipRgn(&Region, RGN_AND);
}

void ClipCanvas(TCanvas* ACanvas, const TRect& Rect)
{
    if (!ACanvas) return;
    ClipCanvasRegion(ACanvas, QRegion(DeviceRect(ACanvas, Rect)));
}

void UnClipCanvas(TCanvas* ACanvas)
{
    if (ACanvas) {
        if (ClipSaved)
            ACanvas->SelectClipRgn(&SavedClipRegion);
        else
            ACanvas->SelectClipRgn(nullptr);
    }
    ClipSaved = false;
}

void ClipEllipse(TTeeCanvas* ACanvas, const TRect& Rect)
{
    ACanvas->ClipEllipse(Rect, false);
}

void ClipRoundRectangle(TTeeCanvas* ACanvas, const TRect& Rect, int RoundSize)
{
    ACanvas->ClipRectangle(Rect, RoundSize);
}

void ClipPolygon(TTeeCanvas* ACanvas, TPoint* Points, int NumPoints)
{
    ACanvas->ClipPolygon(Points, NumPoints);
}

void TTeeCanvas::ClipRectangle(const TRect& Rect, int RoundSize)
{
    TCanvas* dc = GetHandle();
    if (!dc) return;
    ClipCanvasRegion(dc, RoundRectRegion(DeviceRect(dc, Rect), RoundSize));
}

void TTeeCanvas::ClipEllipse(const TRect& Rect, bool Inverted)
{
    TCanvas* dc = GetHandle();
    if (!dc) return;
    const QRegion ellipse(DeviceRect(dc, Rect), QRegion::Ellipse);
    if (Inverted) {
        // Cuts the ellipse out of what is visible now (the whole device when nothing
        // clips); the saved level is left alone.
        dc->ExtSelectClipRgn(&ellipse, RGN_XOR);
        return;
    }
    ClipCanvasRegion(dc, ellipse);
}

void TTeeCanvas::ClipPolygon(TPoint* Points, int NumPoints)
{
    TCanvas* dc = GetHandle();
    if (!dc || !Points || NumPoints <= 0) return;
    dc->LPtoDP(Points, NumPoints);
    QPolygon poly;
    poly.reserve(NumPoints);
    for (int i = 0; i < NumPoints; ++i) poly << QPoint(Points[i].X, Points[i].Y);
    ClipCanvasRegion(dc, QRegion(poly, Qt::OddEvenFill));
}

void TTeeCanvas3D::ClipRectangle(const TRect& Rect)
{
    ClipCanvas(Canvas, Rect);
}

void TTeeCanvas3D::UnClipRectangle()
{
    UnClipCanvas(Canvas);
}

void TTeeCanvas3D::ClipCube(const TRect& Rect, int MinZ, int MaxZ)
{
    if (!Is3D) {
        ClipRectangle(TRect(Rect.Left + 1, Rect.Top + 1, Rect.Right, Rect.Bottom - 1));
        return;
    }
    std::vector<TPoint> p(8);
    Calc3DPoint(p[0], Rect.Left, Rect.Bottom, MinZ);
    Calc3DPoint(p[1], Rect.Left, Rect.Bottom, MaxZ);
    Calc3DPoint(p[2], Rect.Left, Rect.Top, MaxZ);
    Calc3DPoint(p[3], Rect.Right, Rect.Top, MaxZ);
    Calc3DPoint(p[4], Rect.Right, Rect.Top, MinZ);
    Calc3DPoint(p[5], Rect.Right, Rect.Bottom, MinZ);
    Calc3DPoint(p[6], Rect.Left, Rect.Top, MinZ);
    Calc3DPoint(p[7], Rect.Right, Rect.Bottom, MaxZ);
    ConvexHull(p);
    ClipPolygon(p.data(), int(p.size()));
}

bool TTeeCanvas::ConvexHull(std::vector<TPoint>& Points)
{
    const std::size_t count = Points.size();
    if (count == 3) return true;
    if (count < 3) return false;

    // The lowest point (smallest Y, then largest X) is the pivot; the search starts from
    // the first point, so coordinates of any size are fine.
    std::size_t pivotIndex = 0;
    for (std::size_t i = 1; i < count; ++i) {
        const TPoint& p = Points[i];
        const TPoint& m = Points[pivotIndex];
        if (p.Y < m.Y || (p.Y == m.Y && p.X > m.X)) pivotIndex = i;
    }
    const TPoint pivot = Points[pivotIndex];
    Points[pivotIndex] = Points.back();
    Points.pop_back();

    // Key: the cosine of the angle seen from the pivot, so the points sort by angle.
    std::vector<float> key(Points.size());
    for (std::size_t i = 0; i < Points.size(); ++i) {
        const float dx = float(pivot.X) - float(Points[i].X);
        const float dy = float(pivot.Y) - float(Points[i].Y);
        const float d = std::sqrt(dx * dx + dy * dy);
        key[i] = d == 0.0f ? 0.0f : dx / d;
    }
    SortByKey(Points, key, 0, int(Points.size()) - 1);

    // Drop every point where the outline does not turn the right way; the last point is
    // tested against the pivot that closes the outline.
    std::size_t i = 1;
    while (i < Points.size()) {
        if (i == 0) {
            i = 1;
            continue;
        }
        const TPoint& a = Points[i - 1];
        const TPoint& b = i + 1 < Points.size() ? Points[i + 1] : pivot;
        if (Cross(a, Points[i], b) < 0) {
            ++i;
        } else {
            Points.erase(Points.begin() + std::ptrdiff_t(i));
            --i;
        }
    }
    Points.push_back(pivot);
    return true;
}
