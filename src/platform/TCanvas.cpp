#include "platform/TCanvas.h"

#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPathStroker>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/PixelMix.h"
#include "platform/Round.h"
#include "platform/TBitmap.h"

namespace {
// Distance beyond the device bounds up to which coordinates go to Qt unchanged; shapes
// reaching further are clipped to this guard first (the raster engine breaks down with
// coordinates in the millions).
constexpr double kGuardMargin = 4096.0;
// Wide lines are moved onto the centres of the pixels their coordinates name. Qt counts a
// pixel whose centre lies exactly on the right or bottom edge of a shape as inside, so the
// shift stays just below half a pixel to keep the platform's extents.
constexpr double kPixelCentre = 0.5 - 1.0 / 64;

QPainter::CompositionMode CompositionOf(int rop)
{
    switch (rop) {
        case R2_BLACK: return QPainter::RasterOp_ClearDestination;
        case R2_NOTMERGEPEN: return QPainter::RasterOp_NotSourceAndNotDestination;
        case R2_MASKNOTPEN: return QPainter::RasterOp_NotSourceAndDestination;
        case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
        case R2_MASKPENNOT: return QPainter::RasterOp_SourceAndNotDestination;
        case R2_NOT: return QPainter::RasterOp_NotDestination;
        case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
        case R2_NOTMASKPEN: return QPainter::RasterOp_NotSourceOrNotDestination;
        case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
        case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
        case R2_MERGENOTPEN: return QPainter::RasterOp_NotSourceOrDestination;
        case R2_MERGEPENNOT: return QPainter::RasterOp_SourceOrNotDestination;
        case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
        case R2_WHITE: return QPainter::RasterOp_SetDestination;
        default: return QPainter::CompositionMode_SourceOver;
    }
}

// Pixel patterns of styled one-pixel lines (on, off, ...).
QList<qreal> CosmeticPattern(unsigned style)
{
    switch (style) {
        case PS_DASH: return {18, 6};
        case PS_DOT: return {3, 3};
        case PS_DASHDOT: return {9, 6, 3, 6};
        case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
        case PS_ALTERNATE: return {1, 1};
        default: return {};
    }
}

// The same patterns for geometric pens, in units of the pen width.
QList<qreal> GeometricPattern(unsigned style)
{
    switch (style) {
        case PS_DASH: return {3, 1};
        case PS_DOT: return {1, 1};
        case PS_DASHDOT: return {3, 2, 1, 2};
        case PS_DASHDOTDOT: return {3, 1, 1, 1, 1, 1};
        default: return {};
    }
}

}  // namespace

unsigned PenStyleCode(TPenStyle s)
{
    switch (s) {
        case psDash: return PS_DASH;
        case psDot: return PS_DOT;
        case psDashDot: return PS_DASHDOT;
        case psDashDotDot: return PS_DASHDOTDOT;
        case psClear: return PS_NULL;
        case psInsideFrame: return PS_INSIDEFRAME;
        default: return PS_SOLID;
    }
}

namespace {

// 8 x 8 hatch patterns: true where the hatch line is.
bool HatchBit(TBrushStyle style, int x, int y)
{
    switch (style) {
        case bsHorizontal: return y == 7;
        case bsVertical: return x == 7;
        case bsFDiagonal: return x == y;
        case bsBDiagonal: return x + y == 7;
        case bsCross: return x == 7 || y == 7;
        case bsDiagCross: return x == y || x + y == 7;
        default: return false;
    }
}

}  // namespace

bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r)
{
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const QPointF a0 = a;
    a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
    b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
    return true;
}

QPolygonF ClipPolygonTo(const QPolygonF& poly, const QRectF& r)
{
    QPolygonF out = poly;
    for (int edge = 0; edge < 4 && !out.isEmpty(); ++edge) {
        auto inside = [&](const QPointF& p) {
            switch (edge) {
                case 0: return p.x() >= r.left();
                case 1: return p.x() <= r.right();
                case 2: return p.y() >= r.top();
                default: return p.y() <= r.bottom();
            }
        };
        auto cross = [&](const QPointF& p, const QPointF& q) {
            double t;
            switch (edge) {
                case 0: t = (r.left() - p.x()) / (q.x() - p.x()); break;
                case 1: t = (r.right() - p.x()) / (q.x() - p.x()); break;
                case 2: t = (r.top() - p.y()) / (q.y() - p.y()); break;
                default: t = (r.bottom() - p.y()) / (q.y() - p.y()); break;
            }
            return QPointF(p.x() + t * (q.x() - p.x()), p.y() + t * (q.y() - p.y()));
        };
        QPolygonF in = out;
        out.clear();
        for (int i = 0; i < in.size(); ++i) {
            const QPointF cur = in[i];
            const QPointF prev = in[(i + in.size() - 1) % in.size()];
            if (inside(cur)) {
                if (!inside(prev)) out << cross(prev, cur);
                out << cur;
            } else if (inside(prev)) {
                out << cross(prev, cur);
            }
        }
    }
    return out;
}

TCanvas::TCanvas(QObject* parent)
    : TPersistent(parent), FPen(new TPen(this)), FBrush(new TBrush(this)), FFont(new TFont(this))
{
    FFont->SetColor(clBlack);
    FFont->DefaultColor = clBlack;
    FPen->OnChange = [this](QObject*) { DoChanged(); };
    FBrush->OnChange = [this](QObject*) { DoChanged(); };
    FFont->OnChange = [this](QObject*) { DoChanged(); };
}

TCanvas::~TCanvas()
{
    Release();
}

void TCanvas::Changing()
{
    if (OnChanging) OnChanging(this);
}

void TCanvas::DoChanged()
{
    if (OnChange) OnChange(this);
}

void TCanvas::SetDevice(QPaintDevice* device)
{
    Release();
    FDevice = device;
    FPenPos = TPoint();
    FBkMode = OPAQUE;
    FBkColor = clWhite;
    FTextColor = clBlack;
    FTextAlign = 0;
    FCharExtra = 0;
    FRop2 = R2_COPYPEN;
    FArcDirection = AD_COUNTERCLOCKWISE;
    FMapMode = MM_TEXT;
    FWindowOrg = FViewportOrg = TPoint();
    FWindowExt = FViewportExt = TSize{1, 1};
    FHasClip = false;
    FClip = QRegion();
    FPathOpen = FPathDone = false;
    FPath = QPainterPath();
    FPenSerial = FFontSerial = 0;
    FTempFont = nullptr;
    if (device) FFont->PixelsPerInch = std::max(1, device->logicalDpiY());
}

bool TCanvas::IsRasterDevice() const
{
    return FDevice && FDevice->devType() == QInternal::Image;
}

QImage* TCanvas::Image() const
{
    return IsRasterDevice() ? static_cast<QImage*>(FDevice) : nullptr;
}

int TCanvas::PixelsPerInchX() const
{
    return FDevice ? FDevice->logicalDpiX() : 96;
}
int TCanvas::PixelsPerInchY() const
{
    return FDevice ? FDevice->logicalDpiY() : 96;
}

void TCanvas::Release()
{
    FDirect.known = false;
    if (FPainter) {
        if (FPainter->isActive()) FPainter->end();
        FPainter.reset();
    }
}

void TCanvas::Begin()
{
    if (FPainter || !FDevice) return;
    if (FDevice->width() <= 0 || FDevice->height() <= 0) return;
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FDevice)) {
        FPainter.reset();
        return;
    }
    ApplyClip();
}

QPainter* TCanvas::Painter()
{
    Begin();
    if (!FPainter) return nullptr;
    FPainter->setWorldTransform(Transform());
    FPainter->setRenderHint(QPainter::Antialiasing, Antialias);
    FPainter->setRenderHint(QPainter::TextAntialiasing, Antialias);
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return FPainter.get();
}

TRect TCanvas::DeviceRect() const
{
    if (!FDevice) return TRect();
    return TRect(0, 0, FDevice->width(), FDevice->height());
}

// ---- mapping

QTransform TCanvas::Transform() const
{
    double sx = 1, sy = 1;
    if (FMapMode == MM_ANISOTROPIC || FMapMode == MM_ISOTROPIC) {
        sx = FWindowExt.cx ? double(FViewportExt.cx) / FWindowExt.cx : 1.0;
        sy = FWindowExt.cy ? double(FViewportExt.cy) / FWindowExt.cy : 1.0;
        if (FMapMode == MM_ISOTROPIC) {
            const double s = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
    }
    return QTransform(sx, 0, 0, sy, FViewportOrg.X - FWindowOrg.X * sx, FViewportOrg.Y - FWindowOrg.Y * sy);
}

double TCanvas::DeviceScale() const
{
    const QTransform t = Transform();
    return std::max(std::fabs(t.m11()), std::fabs(t.m22()));
}

int TCanvas::SetMapMode(int mode)
{
    const int old = FMapMode;
    FMapMode = mode;
    return old;
}

void TCanvas::SetWindowOrgEx(int X, int Y)
{
    FWindowOrg = TPoint(X, Y);
}
void TCanvas::SetViewportOrgEx(int X, int Y)
{
    FViewportOrg = TPoint(X, Y);
}
void TCanvas::SetWindowExtEx(int X, int Y)
{
    if (FMapMode == MM_TEXT || X == 0 || Y == 0) return;
    FWindowExt = TSize{X, Y};
}
void TCanvas::SetViewportExtEx(int X, int Y)
{
    if (FMapMode == MM_TEXT || X == 0 || Y == 0) return;
    FViewportExt = TSize{X, Y};
}

void TCanvas::LPtoDP(TPoint* points, int count) const
{
    const QTransform t = Transform();
    for (int i = 0; i < count; ++i) {
        const QPointF p = t.map(QPointF(points[i].X, points[i].Y));
        points[i] = TPoint(Round(p.x()), Round(p.y()));
    }
}

void TCanvas::DPtoLP(TPoint* points, int count) const
{
    const QTransform t = Transform().inverted();
    for (int i = 0; i < count; ++i) {
        const QPointF p = t.map(QPointF(points[i].X, points[i].Y));
        points[i] = TPoint(Round(p.x()), Round(p.y()));
    }
}

// ---- device state

int TCanvas::SetBkMode(int mode)
{
    const int old = FBkMode;
    if (mode == TRANSPARENT || mode == OPAQUE) FBkMode = mode;
    return old;
}

TColor TCanvas::SetBkColor(TColor color)
{
    const TColor old = FBkColor;
    FBkColor = ColorToRGB(color);
    return old;
}

TColor TCanvas::SetTextColor(TColor color)
{
    const TColor old = GetTextColor();
    FTextColor = ColorToRGB(color);
    return old;
}

TColor TCanvas::GetTextColor()
{
    ApplyFont();
    return FTextColor;
}

unsigned TCanvas::SetTextAlign(unsigned flags)
{
    const unsigned old = FTextAlign;
    FTextAlign = flags;
    return old;
}

int TCanvas::SetTextCharacterExtra(int extra)
{
    const int old = FCharExtra;
    FCharExtra = extra;
    return old;
}

int TCanvas::SetROP2(int rop)
{
    ApplyPen();
    const int old = FRop2;
    if (rop >= R2_BLACK && rop <= R2_WHITE) FRop2 = rop;
    return old;
}

int TCanvas::GetROP2()
{
    ApplyPen();
    return FRop2;
}

// Selecting a changed pen sets the device's mix mode from its Mode; a changed font sets the
// text colour from its Color, as the class library's canvas does.
void TCanvas::ApplyPen()
{
    if (FPen->Serial() == FPenSerial) return;
    FPenSerial = FPen->Serial();
    FRop2 = PenModeToROP2(FPen->GetMode());
}

void TCanvas::ApplyFont()
{
    if (FFont->Serial() == FFontSerial) return;
    FFontSerial = FFont->Serial();
    FTextColor = ColorToRGB(FFont->GetColor());
}

void TCanvas::ApplyBrush() {}

void TCanvas::ApplyComposition(bool)
{
    if (!FPainter) return;
    FPainter->setCompositionMode(IsRasterDevice() ? CompositionOf(FRop2) : QPainter::CompositionMode_SourceOver);
}

unsigned TCanvas::EffectivePenStyle() const
{
    if (FPen->HasExtendedHandle()) return FPen->ExtendedHandle().Style;
    unsigned code = PenStyleCode(FPen->GetStyle());
    const int width = FPen->GetWidth();
    // Wide pens made from properties have round caps and joins; their style is solid.
    const bool geometric = width > 1 || (width == 1 && DeviceScale() > 1.0);
    if (geometric && (code & PS_STYLE_MASK) != PS_NULL && (code & PS_STYLE_MASK) != PS_INSIDEFRAME)
        code = (code & ~PS_STYLE_MASK) | PS_SOLID;
    return code;
}

QPen TCanvas::MakeQPen(bool& drawn, bool& cosmetic, bool& styled) const
{
    unsigned code;
    int width;
    TColor color;
    bool geometric;
    if (FPen->HasExtendedHandle()) {
        const TPenHandle& h = FPen->ExtendedHandle();
        code = h.Style;
        width = h.Width;
        color = h.Color;
        geometric = (code & PS_TYPE_MASK) == PS_GEOMETRIC;
    } else {
        code = EffectivePenStyle();
        width = FPen->GetWidth();
        color = FPen->GetColor();
        geometric = width > 1 || (width == 1 && DeviceScale() > 1.0);
    }
    const unsigned style = code & PS_STYLE_MASK;
    drawn = style != PS_NULL && FRop2 != R2_NOP;
    if (geometric && width * DeviceScale() <= 1.0) geometric = false;
    cosmetic = !geometric;
    QPen pen(TColorToQColor(color));
    if (cosmetic) {
        pen.setWidth(0);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        const QList<qreal> pattern = CosmeticPattern(style);
        styled = !pattern.isEmpty();
        if (styled) pen.setDashPattern(pattern);
    } else {
        pen.setWidth(std::max(width, 1));
        switch (code & PS_ENDCAP_MASK) {
            case PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
            case PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
            default: pen.setCapStyle(Qt::RoundCap); break;
        }
        switch (code & PS_JOIN_MASK) {
            case PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
            case PS_JOIN_MITER: pen.setJoinStyle(Qt::MiterJoin); break;
            default: pen.setJoinStyle(Qt::RoundJoin); break;
        }
        const QList<qreal> pattern = GeometricPattern(style);
        styled = !pattern.isEmpty();
        if (styled) pen.setDashPattern(pattern);
    }
    return pen;
}

QImage TCanvas::BrushPattern() const
{
    TBitmap* bmp = FBrush->GetBitmap();
    if (!bmp || bmp->GetEmpty()) return QImage();
    QImage pattern = bmp->ToImage();
    if (bmp->GetMonochrome()) {
        const QRgb fore = TColorToQRgb(FTextColor), back = TColorToQRgb(FBkColor);
        for (int y = 0; y < pattern.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(pattern.scanLine(y));
            for (int x = 0; x < pattern.width(); ++x) line[x] = qGray(line[x]) < 128 ? fore : back;
        }
    }
    return pattern;
}

QBrush TCanvas::MakeQBrush(bool& drawn) const
{
    drawn = true;
    if (QImage pattern = BrushPattern(); !pattern.isNull()) {
        QBrush b(pattern);
        b.setTransform(Transform().inverted());
        return b;
    }
    const TBrushStyle style = FBrush->GetStyle();
    if (style == bsClear) {
        drawn = false;
        return QBrush();
    }
    if (style == bsSolid) return QBrush(TColorToQColor(FBrush->GetColor()));
    QImage hatch(8, 8, QImage::Format_ARGB32);
    const QRgb line = TColorToQRgb(FBrush->GetColor());
    const QRgb gap = FBkMode == OPAQUE ? TColorToQRgb(FBkColor) : 0u;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) hatch.setPixel(x, y, HatchBit(style, x, y) ? line : gap);
    QBrush b(hatch);
    // Hatches are aligned to device pixels whatever the mapping.
    b.setTransform(Transform().inverted());
    return b;
}

QRectF TCanvas::GuardRect() const
{
    const TRect d = DeviceRect();
    const double w = FPen->GetWidth() * DeviceScale();
    const QRectF dev(d.Left - kGuardMargin - w, d.Top - kGuardMargin - w, d.Width() + 2 * (kGuardMargin + w),
                     d.Height() + 2 * (kGuardMargin + w));
    return Transform().inverted().mapRect(dev);
}

// ---- clipping

void TCanvas::ApplyClip()
{
    FDirect.known = false;
    if (!FPainter) return;
    if (FHasClip) {
        FPainter->setWorldTransform(QTransform());
        // Once clipping was switched off, Qt's raster engine ignores a new clip region
        // unless clipping is switched on before the region is set.
        FPainter->setClipping(true);
        FPainter->setClipRegion(FClip);
    } else {
        FPainter->setClipping(false);
    }
}

int TCanvas::GetClipRgn(QRegion& region) const
{
    if (!FHasClip) return 0;
    region = FClip;
    return 1;
}

static int RegionKind(bool has, const QRegion& r)
{
    if (!has) return SIMPLEREGION;
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int TCanvas::SelectClipRgn(const QRegion* region)
{
    if (region) {
        FHasClip = true;
        FClip = *region;
    } else {
        FHasClip = false;
        FClip = QRegion();
    }
    ApplyClip();
    return RegionKind(FHasClip, FClip);
}

int TCanvas::ExtSelectClipRgn(const QRegion* region, int mode)
{
    if (mode == RGN_COPY || !region) return SelectClipRgn(region);
    const TRect d = DeviceRect();
    const QRegion current = FHasClip ? FClip : QRegion(d.Left, d.Top, d.Width(), d.Height());
    QRegion result;
    switch (mode) {
        case RGN_AND: result = current.intersected(*region); break;
        case RGN_OR: result = current.united(*region); break;
        case RGN_XOR: result = current.xored(*region); break;
        case RGN_DIFF: result = current.subtracted(*region); break;
        default: return ERROR_REGION;
    }
    return SelectClipRgn(&result);
}

int TCanvas::IntersectClipRect(int Left, int Top, int Right, int Bottom)
{
    TPoint p[2] = {{Left, Top}, {Right, Bottom}};
    LPtoDP(p, 2);
    const QRegion r(QRect(QPoint(std::min(p[0].X, p[1].X), std::min(p[0].Y, p[1].Y)),
                          QPoint(std::max(p[0].X, p[1].X) - 1, std::max(p[0].Y, p[1].Y) - 1)));
    return ExtSelectClipRgn(&r, RGN_AND);
}

int TCanvas::ExcludeClipRect(int Left, int Top, int Right, int Bottom)
{
    TPoint p[2] = {{Left, Top}, {Right, Bottom}};
    LPtoDP(p, 2);
    const QRegion r(QRect(QPoint(std::min(p[0].X, p[1].X), std::min(p[0].Y, p[1].Y)),
                          QPoint(std::max(p[0].X, p[1].X) - 1, std::max(p[0].Y, p[1].Y) - 1)));
    return ExtSelectClipRgn(&r, RGN_DIFF);
}

TRect TCanvas::ClipRect() const
{
    QRect b;
    const TRect d = DeviceRect();
    if (FHasClip)
        b = FClip.boundingRect();
    else
        b = QRect(d.Left, d.Top, d.Width(), d.Height());
    TPoint p[2] = {{b.left(), b.top()}, {b.right() + 1, b.bottom() + 1}};
    DPtoLP(p, 2);
    return TRect(p[0], p[1]);
}

// ---- drawing core

namespace {

// One segment of a one-pixel line in device pixels, as the platform draws it: every step
// along the major axis sets one pixel, the minor coordinate of step i is
// floor((2 * d_minor * i + n) / (2 * n)) from the start, the end pixel is left out, and only
// steps inside `bounds` (device pixels, right and bottom exclusive) reach `plot(x, y, i)`.
// Coordinates stay within +-2^30, so the running fraction below never overflows.
template <typename Plot>
void RasterSegment(long long x0, long long y0, long long x1, long long y1, const TRect& bounds, Plot&& plot)
{
    const long long dx = x1 - x0, dy = y1 - y0;
    const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const long long n = std::max(adx, ady);
    if (n == 0) return;
    const bool xMajor = adx >= ady;
    const long long sMajor = xMajor ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
    const long long major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const long long dMinor = xMajor ? dy : dx;
    const long long lo = xMajor ? bounds.Left : bounds.Top, hi = (xMajor ? bounds.Right : bounds.Bottom) - 1;
    const long long mlo = xMajor ? bounds.Top : bounds.Left, mhi = xMajor ? bounds.Bottom : bounds.Right;
    // Steps whose major coordinate lies inside the bounds.
    long long i0 = sMajor > 0 ? lo - major0 : major0 - hi;
    long long i1 = sMajor > 0 ? hi - major0 : major0 - lo;
    i0 = std::max(i0, 0LL);
    i1 = std::min(i1, n - 1);
    if (i0 > i1) return;
    // minor(i) = minor0 + q with q = floor(num / den), num = 2 * dMinor * i + n, kept as
    // q and the remainder r in [0, den) while i advances.
    const long long den = 2 * n, step = 2 * dMinor;
    long long q = 0, r = n;
    if (i0 > 0) {
        const __int128 num0 = __int128(step) * i0 + n;
        q = static_cast<long long>(num0 / den);
        r = static_cast<long long>(num0 % den);
        if (r < 0) {
            r += den;
            --q;
        }
    }
    for (long long i = i0; i <= i1; ++i) {
        const long long major = major0 + sMajor * i, minor = minor0 + q;
        if (minor < mlo || minor >= mhi) {
            // The minor coordinate has left the bounds and will not come back.
            if ((minor < mlo && dMinor <= 0) || (minor >= mhi && dMinor >= 0)) break;
        } else if (xMajor) {
            plot(int(major), int(minor), i);
        } else {
            plot(int(minor), int(major), i);
        }
        r += step;
        if (r >= den) {
            r -= den;
            ++q;
        } else if (r < 0) {
            r += den;
            --q;
        }
    }
}

}  // namespace

// The pattern of a one-pixel pen: runs of pixels on and off, counted over the whole line.
void TCanvas::RasterPen::SetPattern(const QList<qreal>& pattern)
{
    count = 0;
    period = 0;
    for (qreal v : pattern) {
        if (count == kMaxRuns) break;
        runs[count++] = Round64(v);
        period += Round64(v);
    }
    if (period > 0 && period <= kMaxTable)
        for (int k = 0; k < period; ++k) on[k] = IsOn(k);
}

bool TCanvas::RasterPen::IsOn(long long step) const
{
    if (period <= 0) return true;
    long long k = step % period;
    for (int i = 0; i < count; ++i) {
        if (k < runs[i]) return i % 2 == 0;
        k -= runs[i];
    }
    return true;
}

// Where one-pixel lines may be written straight into the image: a 32-bit image painted in
// copy mode without smoothing, clipped (if at all) by one rectangle. The painter draws into
// the same memory, so the image must not share its pixels with a copy. The target is worked
// out once per painting (Release, a new device or new clipping start again).
bool TCanvas::DirectTarget(DirectPixels& target)
{
    if (Antialias || FRop2 != R2_COPYPEN) return false;
    QImage* img = Image();
    if (!img) return false;
    if (FDirect.known && FDirect.image == img &&
        (!FDirect.usable || !FDirect.bits || (img->isDetached() && img->constBits() == FDirect.bits))) {
        target = FDirect;
        return FDirect.usable;
    }
    FDirect = DirectPixels();
    FDirect.known = true;
    FDirect.image = img;
    const QImage::Format f = img->format();
    if ((f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied) ||
        (FHasClip && FClip.rectCount() > 1))
        return false;
    FDirect.usable = true;
    TRect bounds(0, 0, img->width(), img->height());
    if (FHasClip) {
        const QRect c = FClip.boundingRect();
        bounds = TRect(std::max(bounds.Left, c.left()), std::max(bounds.Top, c.top()),
                       std::min(bounds.Right, c.right() + 1), std::min(bounds.Bottom, c.bottom() + 1));
    }
    if (bounds.Right > bounds.Left && bounds.Bottom > bounds.Top) {
        if (!img->isDetached()) {
            Release();  // the next painter begins on the image's own copy
            FDirect.known = true;
            FDirect.image = img;
            FDirect.usable = true;
        }
        FDirect.bits = img->bits();
        FDirect.stride = img->bytesPerLine();
        FDirect.bounds = bounds;
    }
    target = FDirect;
    return true;
}

namespace {

// Sets the pixels of a segment whose pixels all lie inside the visible bounds (its end
// points do, so every pixel between does): the pixels RasterSegment visits, in its order,
// without a bounds check per pixel. `put(pixel, i)` for step i.
template <typename Put>
inline void InsideSegment(uchar* bits, qsizetype stride, long long x0, long long y0, long long x1, long long y1,
                          Put&& put)
{
    const long long dx = x1 - x0, dy = y1 - y0;
    const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const long long n = xMajor ? adx : ady;
    const qsizetype row = stride / qsizetype(sizeof(QRgb));
    QRgb* p = reinterpret_cast<QRgb*>(bits + y0 * stride) + x0;
    const qsizetype major = xMajor ? (dx < 0 ? -1 : 1) : (dy < 0 ? -row : row);
    const qsizetype minor = xMajor ? (dy < 0 ? -row : row) : (dx < 0 ? -1 : 1);
    const long long dMinor = xMajor ? ady : adx;
    if (dMinor == 0) {
        for (long long i = 0; i < n; ++i, p += major) put(p, i);
        return;
    }
    // The minor offset of step i is floor((2 * d * i + n) / (2 * n)) for d >= 0 and
    // -floor((2 * |d| * i + n - 1) / (2 * n)) for d < 0: a counter r that carries at 2n.
    const long long den = 2 * n, step = 2 * dMinor;
    long long r = (xMajor ? dy : dx) >= 0 ? n : n - 1;
    for (long long i = 0; i < n; ++i) {
        put(p, i);
        p += major;
        r += step;
        if (r >= den) {
            r -= den;
            p += minor;
        }
    }
}

// InsideSegment for a solid pen, with the straight cases as plain runs.
inline void SolidInside(QRgb* p, qsizetype row, long long dx, long long dy, QRgb color)
{
    const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (dx == 0) {
        const qsizetype step = dy < 0 ? -row : row;
        for (long long i = 0; i < ady; ++i, p += step) *p = color;
        return;
    }
    if (dy == 0) {
        std::fill_n(dx < 0 ? p - adx + 1 : p, adx, color);
        return;
    }
    const bool xMajor = adx >= ady;
    const long long n = xMajor ? adx : ady, dMinor = xMajor ? ady : adx;
    const qsizetype major = xMajor ? (dx < 0 ? -1 : 1) : (dy < 0 ? -row : row);
    const qsizetype minor = xMajor ? (dy < 0 ? -row : row) : (dx < 0 ? -1 : 1);
    const long long den = 2 * n, step = 2 * dMinor;
    long long r = (xMajor ? dy : dx) >= 0 ? n : n - 1;
    for (long long i = 0; i < n; ++i) {
        *p = color;
        p += major;
        r += step;
        if (r >= den) {
            r -= den;
            p += minor;
        }
    }
}

}  // namespace

// Draws one segment in device pixels with the pen and advances the pattern.
void TCanvas::DirectSegment(const DirectPixels& target, const RasterPen& pen, long long x0, long long y0, long long x1,
                            long long y1)
{
    const long long phase = FDashPhase;
    FDashPhase += std::max(x1 > x0 ? x1 - x0 : x0 - x1, y1 > y0 ? y1 - y0 : y0 - y1);
    if (!target.bits) return;
    uchar* const bits = target.bits;
    const qsizetype stride = target.stride;
    const TRect& b = target.bounds;
    const bool inside = std::min(x0, x1) >= b.Left && std::max(x0, x1) < b.Right && std::min(y0, y1) >= b.Top &&
                        std::max(y0, y1) < b.Bottom;
    if (pen.period <= 0) {
        const QRgb c = pen.color;
        if (inside) {
            SolidInside(reinterpret_cast<QRgb*>(bits + y0 * stride) + x0, stride / qsizetype(sizeof(QRgb)), x1 - x0,
                        y1 - y0, c);
            return;
        }
        RasterSegment(x0, y0, x1, y1, b,
                      [&](int x, int y, long long) { reinterpret_cast<QRgb*>(bits + y * stride)[x] = c; });
        return;
    }
    // Patterns: the step within the period follows the pixels; it is worked out anew only
    // where pixels were skipped.
    const bool table = pen.period <= RasterPen::kMaxTable;
    long long expected = -1, k = 0;
    const auto plot = [&](QRgb* p, long long i) {
        if (i != expected) k = (phase + i) % pen.period;
        expected = i + 1;
        if (table ? pen.on[k] : pen.IsOn(phase + i))
            *p = pen.color;
        else if (pen.opaqueGaps)
            *p = pen.gap;
        if (++k == pen.period) k = 0;
    };
    if (inside && table) {
        // Every step is visited in order.
        k = phase % pen.period;
        InsideSegment(bits, stride, x0, y0, x1, y1, [&](QRgb* p, long long) {
            if (pen.on[k])
                *p = pen.color;
            else if (pen.opaqueGaps)
                *p = pen.gap;
            if (++k == pen.period) k = 0;
        });
        return;
    }
    RasterSegment(x0, y0, x1, y1, b,
                  [&](int x, int y, long long i) { plot(reinterpret_cast<QRgb*>(bits + y * stride) + x, i); });
}

// One-pixel lines are set pixel by pixel, as the platform draws them: each segment leaves
// out its end pixel whatever its direction, style patterns count pixels and run on from
// segment to segment, and only pixels on the device are visited however long the line is.
void TCanvas::CosmeticPolyline(const QPolygonF& logical, const QList<qreal>& pattern, TColor color)
{
    if (logical.size() < 2) return;
    const TRect dev = DeviceRect();
    if (dev.IsEmpty()) return;
    const QTransform t = Transform();
    // Device coordinates are kept within +-2^30 so that the arithmetic cannot overflow.
    constexpr double kLimit = 1073741824.0;
    auto toDevice = [&](const QPointF& p) {
        const QPointF d = t.map(p);
        return std::pair<long long, long long>(Round64(std::clamp(d.x(), -kLimit, kLimit)),
                                               Round64(std::clamp(d.y(), -kLimit, kLimit)));
    };
    RasterPen pen;
    pen.SetPattern(pattern);
    pen.color = TColorToQColor(color).rgba();
    pen.opaqueGaps = pen.period > 0 && FBkMode == OPAQUE;
    pen.gap = TColorToQColor(FBkColor).rgba();
    DirectPixels target;
    if (DirectTarget(target)) {
        auto [x0, y0] = toDevice(logical[0]);
        for (int k = 1; k < logical.size(); ++k) {
            const auto [x1, y1] = toDevice(logical[k]);
            DirectSegment(target, pen, x0, y0, x1, y1);
            x0 = x1;
            y0 = y1;
        }
        return;
    }
    QPolygon on, off;
    auto [x0, y0] = toDevice(logical[0]);
    for (int k = 1; k < logical.size(); ++k) {
        const auto [x1, y1] = toDevice(logical[k]);
        const long long phase = FDashPhase;
        RasterSegment(x0, y0, x1, y1, dev, [&](int x, int y, long long i) {
            if (pen.IsOn(phase + i))
                on << QPoint(x, y);
            else if (pen.opaqueGaps)
                off << QPoint(x, y);
        });
        FDashPhase += std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        x0 = x1;
        y0 = y1;
    }
    if (on.isEmpty() && off.isEmpty()) return;
    QPainter* p = Painter();
    if (!p) return;
    ApplyComposition(false);
    p->setWorldTransform(QTransform());
    p->setBrush(Qt::NoBrush);
    if (!off.isEmpty()) {
        p->setPen(QPen(TColorToQColor(FBkColor), 0));
        p->drawPoints(off);
    }
    if (!on.isEmpty()) {
        p->setPen(QPen(TColorToQColor(color), 0));
        p->drawPoints(on);
    }
}

// The pen of LineTo, worked out once for as long as the pen, the mix mode, the background
// and the mapping stay as they are. Usable only for one-pixel pens under a plain shift.
const TCanvas::LinePenCache& TCanvas::LinePen()
{
    LinePenCache& c = FLinePen;
    const LinePenState state{FPen->Serial(), FRop2,      FBkMode,      FBkColor,   Antialias,
                             FMapMode,       FWindowOrg, FViewportOrg, FWindowExt, FViewportExt};
    if (c.state == state) return c;
    c.state = state;
    bool cosmetic, styled;
    const QPen pen = MakeQPen(c.drawn, cosmetic, styled);
    const QTransform t = Transform();
    c.usable = cosmetic && !Antialias && t.type() <= QTransform::TxTranslate;
    c.shiftX = static_cast<long long>(t.dx());
    c.shiftY = static_cast<long long>(t.dy());
    c.pen.SetPattern(pen.style() == Qt::SolidLine ? QList<qreal>() : pen.dashPattern());
    c.pen.color = pen.color().rgba();
    c.pen.opaqueGaps = c.pen.period > 0 && FBkMode == OPAQUE;
    c.pen.gap = TColorToQColor(FBkColor).rgba();
    return c;
}

// A one-pixel line from the pen position, written straight into the image when it can be;
// false leaves the line to the general path.
bool TCanvas::DirectLineTo(int X, int Y)
{
    const LinePenCache& c = LinePen();
    if (!c.usable) return false;
    if (!c.drawn) return true;
    DirectPixels target;
    if (!DirectTarget(target)) return false;
    const auto dev = [](long long v) { return std::clamp(v, -(1LL << 30), 1LL << 30); };
    DirectSegment(target, c.pen, dev(FPenPos.X + c.shiftX), dev(FPenPos.Y + c.shiftY), dev(X + c.shiftX),
                  dev(Y + c.shiftY));
    return true;
}

void TCanvas::PolylineTo(const TPoint* points, int count)
{
    if (count <= 0) return;
    ApplyPen();
    const LinePenCache& c = LinePen();
    DirectPixels target;
    if (FPathOpen || !c.usable || (c.drawn && !DirectTarget(target))) {
        for (int i = 0; i < count; ++i) LineTo(points[i].X, points[i].Y);
        return;
    }
    const auto dev = [](long long v) { return std::clamp(v, -(1LL << 30), 1LL << 30); };
    if (c.drawn && c.pen.period <= 0 && target.bits) {
        // Solid pens: segments inside the visible bounds (most of a curve) are set here.
        const TRect& b = target.bounds;
        const auto in = [&b](long long x, long long y) {
            return x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom;
        };
        QRgb* const bits = reinterpret_cast<QRgb*>(target.bits);
        const qsizetype row = target.stride / qsizetype(sizeof(QRgb));
        // Vertical segments one after the other on one column (the strokes of a curve's
        // pixel column) cover one run of pixels together, overlapping: the run is set once,
        // when another segment comes. Every pixel here takes the same colour, so the order
        // does not matter.
        long long runX = 0, runLo = 0, runHi = -1;
        const auto setRun = [&] {
            QRgb* p = bits + runLo * row + runX;
            for (long long y = runLo; y <= runHi; ++y, p += row) *p = c.pen.color;
            runHi = runLo - 1;
        };
        long long x0 = dev(FPenPos.X + c.shiftX), y0 = dev(FPenPos.Y + c.shiftY);
        bool in0 = in(x0, y0);
        for (int i = 0; i < count; ++i) {
            const long long x1 = dev(points[i].X + c.shiftX), y1 = dev(points[i].Y + c.shiftY);
            const bool in1 = in(x1, y1);
            if (in0 && in1) {
                FDashPhase += std::max(x1 > x0 ? x1 - x0 : x0 - x1, y1 > y0 ? y1 - y0 : y0 - y1);
                if (x1 == x0 && y1 != y0) {
                    // From y0 towards y1, y1 left out; it begins where the run ends.
                    const long long lo = y1 > y0 ? y0 : y1 + 1, hi = y1 > y0 ? y1 - 1 : y0;
                    if (runHi < runLo) {
                        runX = x0;
                        runLo = lo;
                        runHi = hi;
                    } else {
                        runLo = std::min(runLo, lo);
                        runHi = std::max(runHi, hi);
                    }
                } else if (x1 != x0) {
                    if (runHi >= runLo) setRun();
                    SolidInside(bits + y0 * row + x0, row, x1 - x0, y1 - y0, c.pen.color);
                }
            } else {
                if (runHi >= runLo) setRun();
                DirectSegment(target, c.pen, x0, y0, x1, y1);
            }
            x0 = x1;
            y0 = y1;
            in0 = in1;
        }
        if (runHi >= runLo) setRun();
    } else if (c.drawn) {
        long long x0 = dev(FPenPos.X + c.shiftX), y0 = dev(FPenPos.Y + c.shiftY);
        for (int i = 0; i < count; ++i) {
            const long long x1 = dev(points[i].X + c.shiftX), y1 = dev(points[i].Y + c.shiftY);
            DirectSegment(target, c.pen, x0, y0, x1, y1);
            x0 = x1;
            y0 = y1;
        }
    }
    FPenPos = points[count - 1];
}

void TCanvas::StrokeLine(QPointF a, QPointF b)
{
    bool drawn, cosmetic, styled;
    QPen pen = MakeQPen(drawn, cosmetic, styled);
    if (!drawn) return;
    if (cosmetic && !Antialias) {
        CosmeticPolyline(QPolygonF({a, b}), pen.style() == Qt::SolidLine ? QList<qreal>() : pen.dashPattern(),
                         QColorToTColor(pen.color()));
        return;
    }
    const QRectF guard = GuardRect();
    if (!guard.contains(a) || !guard.contains(b)) {
        if (!ClipSegment(a, b, guard)) return;
    }
    QPainter* p = Painter();
    if (!p) return;
    ApplyComposition(false);
    p->setBrush(Qt::NoBrush);
    // Wide lines are centred on the pixels their coordinates name.
    p->setWorldTransform(Transform() * QTransform::fromTranslate(kPixelCentre, kPixelCentre));
    p->setPen(pen);
    if (a == b) {
        p->drawPoint(a);  // a zero-length wide line is a dot of the pen's width
        return;
    }
    p->drawLine(a, b);
}

void TCanvas::MoveTo(int X, int Y)
{
    FPenPos = TPoint(X, Y);
    FDashPhase = 0;
    if (FPathOpen) FPath.moveTo(X, Y);
}

void TCanvas::LineTo(int X, int Y)
{
    ApplyPen();
    if (FPathOpen) {
        if (FPath.elementCount() == 0) FPath.moveTo(FPenPos.X, FPenPos.Y);
        FPath.lineTo(X, Y);
    } else if (!DirectLineTo(X, Y)) {
        StrokeLine(QPointF(FPenPos.X, FPenPos.Y), QPointF(X, Y));
    }
    FPenPos = TPoint(X, Y);
}

// Fills `fill` with the brush and strokes `outline` with the pen; paths with coordinates
// beyond the guard are flattened and clipped first.
void TCanvas::DrawShape(const QPainterPath& fillIn, const QPainterPath& outlineIn, bool closedOutline)
{
    ApplyPen();
    bool brushDrawn;
    const QBrush brush = MakeQBrush(brushDrawn);
    bool penDrawn, cosmetic, styled;
    const QPen pen = MakeQPen(penDrawn, cosmetic, styled);
    if (FRop2 == R2_NOP) return;
    const QRectF guard = GuardRect();
    QPainterPath fill = fillIn, outline = outlineIn;
    if (!guard.contains(fill.boundingRect())) {
        QPainterPath clipped;
        for (const QPolygonF& poly : fill.toFillPolygons()) clipped.addPolygon(ClipPolygonTo(poly, guard));
        clipped.setFillRule(fill.fillRule());
        fill = clipped;
    }
    QPainter* p = Painter();
    if (!p) return;
    ApplyComposition(true);
    if (brushDrawn && !fill.isEmpty()) {
        p->setPen(Qt::NoPen);
        p->setBrush(brush);
        p->drawPath(fill);
    }
    if (!penDrawn || outline.isEmpty()) return;
    p->setBrush(Qt::NoBrush);
    const QList<qreal> pattern = pen.style() == Qt::SolidLine ? QList<qreal>() : pen.dashPattern();
    const bool outside = !guard.contains(outline.boundingRect());
    for (QPolygonF poly : outline.toSubpathPolygons()) {
        if (poly.size() < 2) continue;
        if (closedOutline && poly.first() != poly.last()) poly << poly.first();
        if (cosmetic && !Antialias) {
            FDashPhase = 0;
            CosmeticPolyline(poly, pattern, QColorToTColor(pen.color()));
            continue;
        }
        if (outside) {
            for (int i = 1; i < poly.size(); ++i) StrokeLine(poly[i - 1], poly[i]);
            continue;
        }
        // Wide lines are centred on the pixels their coordinates name.
        p->setWorldTransform(Transform() * QTransform::fromTranslate(kPixelCentre, kPixelCentre));
        p->setPen(pen);
        p->drawPolyline(poly);
    }
}

void TCanvas::DrawPolyline(const TPoint* points, int count, bool closed)
{
    if (count < 2 || !points) return;
    QPolygonF poly;
    for (int i = 0; i < count; ++i) poly << QPointF(points[i].X, points[i].Y);
    if (FPathOpen) {
        if (closed)
            FPath.addPolygon(poly), FPath.closeSubpath();
        else
            FPath.addPolygon(poly);
        return;
    }
    QPainterPath path;
    path.addPolygon(poly);
    if (!closed) {
        DrawShape(QPainterPath(), path, false);
        return;
    }
    path.closeSubpath();
    path.setFillRule(Qt::OddEvenFill);
    DrawShape(path, path, true);
}

void TCanvas::Polyline(const TPoint* points, int count)
{
    DrawPolyline(points, count, false);
}

void TCanvas::Polygon(const TPoint* points, int count)
{
    DrawPolyline(points, count, true);
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    if (FPathOpen) {
        FPath.addRect(QRectF(X1, Y1, X2 - X1, Y2 - Y1));
        return;
    }
    ApplyPen();
    bool penDrawn, cosmetic, styled;
    MakeQPen(penDrawn, cosmetic, styled);
    QPainterPath fill, outline;
    if (penDrawn) {
        // The outline runs through the outermost pixels l..r-1, t..b-1; the brush fills
        // what is inside it.
        outline.addRect(QRectF(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
        if (cosmetic)
            fill.addRect(QRectF(X1 + 1, Y1 + 1, X2 - X1 - 2, Y2 - Y1 - 2));
        else
            fill.addRect(QRectF(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
    } else {
        // Without a pen the rectangle is one pixel smaller on the right and bottom.
        fill.addRect(QRectF(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
    }
    DrawShape(fill, outline, true);
}

void TCanvas::FillRect(const TRect& r)
{
    if (r.IsEmpty()) return;
    if (DirectFill(r)) return;
    bool drawn;
    const QBrush brush = MakeQBrush(drawn);
    if (!drawn) return;
    QRectF rect(r.Left, r.Top, r.Width(), r.Height());
    rect = rect.intersected(GuardRect());
    QPainter* p = Painter();
    if (!p) return;
    p->fillRect(rect, brush);
}

// An opaque solid fill of a raster image mapped by whole pixels: the rectangle's pixels
// (within the visible bounds) are set straight in the image, as the painter sets them.
bool TCanvas::DirectFill(const TRect& r)
{
    if (FBrush->GetStyle() != bsSolid) return false;
    if (TBitmap* bmp = FBrush->GetBitmap(); bmp && !bmp->GetEmpty()) return false;
    const QRgb color = TColorToQRgb(FBrush->GetColor());
    if (qAlpha(color) != 255) return false;
    // Large areas are left to the painter, whose fill is as fast; small ones (the bands of
    // a gradient) cost it more to set up than to fill.
    if ((static_cast<long long>(r.Right) - r.Left) * (static_cast<long long>(r.Bottom) - r.Top) > 65536) return false;
    DirectArea a;
    if (!DirectAreaOf(r, a)) return false;
    for (long long y = a.top; y < a.bottom && a.left < a.right; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(a.bits + y * a.stride) + a.left, a.right - a.left, color);
    return true;
}

// The part of r that lies in the image, in image pixels, where the painter only moves by whole
// pixels and r may be written straight into the image; false where the painter must draw.
bool TCanvas::DirectAreaOf(const TRect& r, DirectArea& a)
{
    const QTransform t = Transform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()) ||
        std::fabs(t.dx()) > 1e9 || std::fabs(t.dy()) > 1e9)
        return false;
    DirectPixels target;
    if (!DirectTarget(target)) return false;
    a = DirectArea();
    if (!target.bits) return true;  // nothing of the image is visible
    const TRect& b = target.bounds;
    a.bits = target.bits;
    a.stride = target.stride;
    a.dx = static_cast<long long>(t.dx());
    a.left = std::max<long long>(r.Left + a.dx, b.Left);
    a.right = std::min<long long>(r.Right + a.dx, b.Right);
    const long long dy = static_cast<long long>(t.dy());
    a.top = std::max<long long>(r.Top + dy, b.Top);
    a.bottom = std::min<long long>(r.Bottom + dy, b.Bottom);
    return true;
}

bool TCanvas::FillColumns(const TRect& r, const QRgb* colours)
{
    if (r.IsEmpty()) return true;
    const long long width = static_cast<long long>(r.Right) - r.Left;
    for (long long i = 0; i < width; ++i)
        if (qAlpha(colours[i]) != 255) return false;
    DirectArea a;
    if (!DirectAreaOf(r, a)) return false;
    if (a.left >= a.right) return true;
    const QRgb* from = colours + (a.left - (r.Left + a.dx));
    for (long long y = a.top; y < a.bottom; ++y)
        std::memcpy(reinterpret_cast<QRgb*>(a.bits + y * a.stride) + a.left, from,
                    std::size_t(a.right - a.left) * sizeof(QRgb));
    return true;
}

namespace {

// Pixels x0..x1-1 of line mixed with the colour (colourBytes: the colour repeated, one per
// pixel from x0) as MixChannel gives each channel, and made opaque. A pixel the same as
// the one before mixes to the same result: a run of one colour (a row of a gradient or of
// a plain wall under a band) is mixed once and filled; other stretches are mixed as
// vectors of bytes.
void MixRow(QRgb* line, long long x0, long long x1, const std::uint8_t* colourBytes, std::uint16_t aBefore,
            std::uint16_t aColor)
{
    constexpr long long kRun = 8;       // shorter runs are mixed pixel by pixel
    constexpr long long kStretch = 64;  // pixels mixed before a run is looked for again
    const auto mix = [&](long long from, long long to) {
        auto* px = reinterpret_cast<std::uint8_t*>(line + from);
        const std::uint8_t* c = colourBytes + (from - x0) * 4;
        const std::size_t bytes = std::size_t(to - from) * 4;
        for (std::size_t i = 0; i < bytes; ++i) px[i] = MixChannel(px[i], c[i], aBefore, aColor);
        for (long long x = from; x < to; ++x) line[x] |= 0xFF000000u;
    };
    long long x = x0;
    while (x < x1) {
        const QRgb first = line[x];
        long long end = x + 1;
        while (end + kRun <= x1) {
            bool same = true;
            for (long long k = 0; k < kRun; ++k) same &= line[end + k] == first;
            if (!same) break;
            end += kRun;
        }
        while (end < x1 && line[end] == first) ++end;
        if (end - x >= kRun) {
            mix(x, x + 1);
            std::fill(line + x + 1, line + end, line[x]);
            x = end;
            continue;
        }
        const long long to = std::min(x1, std::max(end, x + kStretch));
        mix(x, to);
        x = to;
    }
}

}  // namespace

bool TCanvas::FillRectangleMixed(const TRect& R, const TRect& Area, unsigned alphaBefore)
{
    if (FPathOpen || alphaBefore > 255 || FPen->GetStyle() != psClear || FBrush->GetStyle() != bsSolid) return false;
    if (TBitmap* bmp = FBrush->GetBitmap(); bmp && !bmp->GetEmpty()) return false;
    const QRgb color = TColorToQRgb(FBrush->GetColor());
    if (qAlpha(color) != 255 || !Transform().isIdentity()) return false;
    // Without a pen the rectangle leaves out its right column and bottom row.
    const long long x1 = std::min(R.Left, R.Right), x2 = std::max(R.Left, R.Right) - 1LL;
    const long long y1 = std::min(R.Top, R.Bottom), y2 = std::max(R.Top, R.Bottom) - 1LL;
    if (!GuardRect().contains(QRectF(double(x1), double(y1), double(x2 - x1), double(y2 - y1)))) return false;
    DirectPixels target;
    if (!DirectTarget(target) || target.image->format() != QImage::Format_RGB32) return false;
    if (!target.bits) return true;  // nothing of the image is visible
    const TRect& b = target.bounds;
    const long long left = std::max<long long>(x1, b.Left), right = std::min<long long>(x2, b.Right);
    const long long top = std::max<long long>(y1, b.Top), bottom = std::min<long long>(y2, b.Bottom);
    // The mixed part, within the image.
    const long long w = target.image->width(), h = target.image->height();
    const long long mixLeft = std::clamp<long long>(Area.Left, 0, w),
                    mixRight = std::clamp<long long>(Area.Right, 0, w);
    const long long mixTop = std::clamp<long long>(Area.Top, 0, h),
                    mixBottom = std::clamp<long long>(Area.Bottom, 0, h);
    const auto aBefore = std::uint16_t(alphaBefore), aColor = std::uint16_t(255 - alphaBefore);
    // A row of the colour to mix with: the mix then runs over whole vectors of bytes.
    thread_local std::vector<QRgb> colourRow;
    colourRow.assign(std::size_t(std::max<long long>(right - left, 0)), color);
    const auto* colourBytes = reinterpret_cast<const std::uint8_t*>(colourRow.data());
    for (long long y = top; y < bottom && left < right; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(target.bits + y * target.stride);
        const bool mixRow = y >= mixTop && y < mixBottom;
        const long long a = mixRow ? std::clamp(mixLeft, left, right) : right;
        const long long z = mixRow ? std::clamp(mixRight, a, right) : right;
        std::fill(line + left, line + a, color);
        MixRow(line, a, z, colourBytes, aBefore, aColor);
        std::fill(line + z, line + right, color);
    }
    return true;
}

void TCanvas::FrameRect(const TRect& r)
{
    if (r.IsEmpty()) return;
    bool drawn;
    const QBrush brush = MakeQBrush(drawn);
    if (!drawn) return;
    QPainter* p = Painter();
    if (!p) return;
    const QRectF guard = GuardRect();
    auto strip = [&](double l, double t, double w, double h) {
        p->fillRect(QRectF(l, t, w, h).intersected(guard), brush);
    };
    strip(r.Left, r.Top, r.Width(), 1);
    strip(r.Left, r.Bottom - 1, r.Width(), 1);
    strip(r.Left, r.Top, 1, r.Height());
    strip(r.Right - 1, r.Top, 1, r.Height());
}

QPainterPath TCanvas::EllipsePath(int X1, int Y1, int X2, int Y2) const
{
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    QPainterPath path;
    path.addEllipse(QRectF(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
    return path;
}

void TCanvas::AddOrDrawShape(const QPainterPath& path, bool filled)
{
    if (FPathOpen)
        FPath.addPath(path);
    else
        DrawShape(filled ? path : QPainterPath(), path, filled);
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    AddOrDrawShape(EllipsePath(X1, Y1, X2, Y2), true);
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    QPainterPath path;
    path.addRoundedRect(QRectF(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1), std::abs(X3) / 2.0, std::abs(Y3) / 2.0);
    AddOrDrawShape(path, true);
}

// kind: 0 arc, 1 pie, 2 chord, 3 arc continuing the current path (ArcTo).
QPainterPath TCanvas::ArcPath(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4, int kind) const
{
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    const QRectF box(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
    const QPointF c = box.center();
    const double a0 = std::atan2(-(Y3 - c.y()), X3 - c.x()) * 180.0 / M_PI;
    const double a1 = std::atan2(-(Y4 - c.y()), X4 - c.x()) * 180.0 / M_PI;
    double sweep;
    if (FArcDirection == AD_COUNTERCLOCKWISE) {
        sweep = a1 - a0;
        if (sweep <= 0) sweep += 360.0;
    } else {
        sweep = a1 - a0;
        if (sweep >= 0) sweep -= 360.0;
    }
    QPainterPath path;
    if (kind == 1) {
        path.moveTo(c);
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
    } else if (kind == 3) {
        path.moveTo(FPenPos.X, FPenPos.Y);
        path.arcTo(box, a0, sweep);
    } else {
        path.arcMoveTo(box, a0);
        path.arcTo(box, a0, sweep);
        if (kind == 2) path.closeSubpath();
    }
    return path;
}

void TCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    AddOrDrawShape(ArcPath(X1, Y1, X2, Y2, X3, Y3, X4, Y4, 0), false);
}

void TCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    AddOrDrawShape(ArcPath(X1, Y1, X2, Y2, X3, Y3, X4, Y4, 1), true);
}

void TCanvas::Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    AddOrDrawShape(ArcPath(X1, Y1, X2, Y2, X3, Y3, X4, Y4, 2), true);
}

void TCanvas::ArcTo(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    const QPainterPath path = ArcPath(X1, Y1, X2, Y2, X3, Y3, X4, Y4, 3);
    const QPointF end = path.currentPosition();
    if (FPathOpen) {
        if (FPath.elementCount() == 0) FPath.moveTo(FPenPos.X, FPenPos.Y);
        FPath.connectPath(path);
    } else {
        DrawShape(QPainterPath(), path, false);
    }
    FPenPos = TPoint(Round(end.x()), Round(end.y()));
}

int TCanvas::SetArcDirection(int direction)
{
    const int old = FArcDirection;
    if (direction == AD_CLOCKWISE || direction == AD_COUNTERCLOCKWISE) FArcDirection = direction;
    return old;
}

TColor TCanvas::GetPixel(int X, int Y)
{
    QImage* img = Image();
    if (!img) return TColor(-1);
    TPoint p(X, Y);
    LPtoDP(&p, 1);
    if (p.X < 0 || p.Y < 0 || p.X >= img->width() || p.Y >= img->height()) return TColor(-1);
    return QRgbToTColor(img->pixel(p.X, p.Y));
}

void TCanvas::SetPixel(int X, int Y, TColor color)
{
    TPoint p(X, Y);
    LPtoDP(&p, 1);
    const TRect d = DeviceRect();
    if (p.X < d.Left || p.Y < d.Top || p.X >= d.Right || p.Y >= d.Bottom) return;
    QPainter* painter = Painter();
    if (!painter) return;
    painter->setWorldTransform(QTransform());
    painter->fillRect(QRect(p.X, p.Y, 1, 1), TColorToQColor(color));
}

// ---- text

void TCanvas::SelectFont(const TFont* font)
{
    FTempFont = font;
}

// The Qt font and its metrics are made again only when the selected font, the character
// spacing or the smoothing changed: charts measure many labels per paint.
const TCanvas::FontCache& TCanvas::CurrentFontCache() const
{
    const TFont* f = TextFont();
    if (FFontCache && FFontCache->font == f && FFontCache->serial != f->Serial() && FFontCache->extra == FCharExtra &&
        FFontCache->antialias == Antialias && FFontCache->height == f->GetHeight() &&
        FFontCache->style == f->GetStyle() && FFontCache->pitch == f->GetPitch() &&
        FFontCache->quality == f->GetQuality() && FFontCache->name == f->GetName())
        FFontCache->serial = f->Serial();
    if (!FFontCache || FFontCache->font != f || FFontCache->serial != f->Serial() || FFontCache->extra != FCharExtra ||
        FFontCache->antialias != Antialias) {
        QFont q = f->ToQFont();
        if (FCharExtra != 0) q.setLetterSpacing(QFont::AbsoluteSpacing, FCharExtra);
        if (Antialias) q.setStyleStrategy(QFont::PreferAntialias);
        // One entry per font (as Qt compares fonts) and thread, kept to a few fonts: the font
        // whose engine Qt has loaded already, its metrics and a table of widths. Texts of
        // different fonts drawn in turn (axis labels and titles) find their font there
        // instead of having Qt look it up in its database for every text.
        struct Known {
            QFont font;
            QFontMetrics metrics;
            int ascent, descent;
            std::shared_ptr<std::unordered_map<std::string, int>> widths;
            std::shared_ptr<std::unordered_map<std::string, QList<QGlyphRun>>> runs;
            std::shared_ptr<std::unordered_map<std::string, TextMask>> masks;
        };
        thread_local QHash<QFont, std::shared_ptr<const Known>> known;
        if (known.size() > 64 && !known.contains(q)) known.clear();
        auto& entry = known[q];
        if (!entry) {
            const QFontMetrics metrics(q);
            entry = std::make_shared<const Known>(
                Known{q, metrics, metrics.ascent(), metrics.descent(),
                      std::make_shared<std::unordered_map<std::string, int>>(),
                      std::make_shared<std::unordered_map<std::string, QList<QGlyphRun>>>(),
                      std::make_shared<std::unordered_map<std::string, TextMask>>()});
        }
        FFontCache = std::make_unique<FontCache>(FontCache{f, f->Serial(), FCharExtra, Antialias, f->GetName(),
                                                           f->GetStyle(), f->GetPitch(), f->GetQuality(),
                                                           f->GetHeight(), entry->font, entry->metrics, entry->ascent,
                                                           entry->descent, entry->widths, entry->runs, entry->masks});
    }
    return *FFontCache;
}

const QList<QGlyphRun>* TCanvas::RunsOf(const FontCache& cache, const AnsiString& Text)
{
    // Printable text of the left-to-right alphabets (Latin with its signs such as the degree,
    // Greek, Cyrillic) in a font without lines through or under it: shaped once, the same
    // glyphs at the same positions as drawing the text shapes them each time.
    const QFont& f = cache.qfont;
    if (Text.empty() || f.underline() || f.strikeOut() || f.overline() || f.letterSpacing() != 0 ||
        f.wordSpacing() != 0)
        return nullptr;
    auto& runs = *cache.runs;
    const auto found = runs.find(Text);
    if (found != runs.end()) return &found->second;
    bool ascii = true;
    for (const char ch : Text) {
        if (ch >= 0x20 && ch <= 0x7E) continue;
        if (ch >= 0 && ch < 0x20) return nullptr;
        ascii = false;
    }
    const QString text = QString::fromStdString(Text);
    if (!ascii)
        for (const QChar ch : text)
            if (ch.unicode() < 0xA0 || ch.unicode() >= 0x0590) {
                if (ch.unicode() < 0x7F && ch.unicode() >= 0x20) continue;
                return nullptr;
            }
    if (runs.size() >= 4096) runs.clear();
    QTextLayout layout(text, f);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid()) return nullptr;
    QList<QGlyphRun> shaped = layout.glyphRuns();
    // From the layout's top to the baseline's start.
    const qreal baseline = line.y() + line.ascent();
    for (QGlyphRun& run : shaped) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p.ry() -= baseline;
        run.setPositions(positions);
    }
    return &runs.emplace(Text, std::move(shaped)).first->second;
}

const TCanvas::TextMask* TCanvas::MaskOf(const FontCache& cache, const AnsiString& Text, const QList<QGlyphRun>& runs)
{
    if (!(cache.qfont.styleStrategy() & QFont::NoAntialias)) return nullptr;
    auto& masks = *cache.masks;
    const auto found = masks.find(Text);
    if (found != masks.end()) return &found->second;
    if (masks.size() >= 4096) masks.clear();
    TextMask& mask = masks[Text];
    // Drawn in opaque black onto a clear picture with room around the text's cell; the
    // baseline starts on a whole pixel, as on the canvas, so every glyph lands as there.
    const int cell = cache.ascent + cache.descent;
    const int margin = std::max(cell, 8);
    const long long w = static_cast<long long>(AdvanceOf(cache, Text)) + 2LL * margin;
    const long long h = static_cast<long long>(cell) + 2LL * margin;
    if (w <= 0 || h <= 0 || w * h > 4'000'000) return &mask;
    QImage picture(int(w), int(h), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.setPen(QColor(Qt::black));
        for (const QGlyphRun& run : runs) p.drawGlyphRun(QPointF(margin, margin + cache.ascent), run);
    }
    int left = int(w), right = -1, top = int(h), bottom = -1;
    for (int y = 0; y < int(h); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < int(w); ++x) {
            const int a = qAlpha(line[x]);
            if (a == 0) continue;
            // A blended edge, or a glyph reaching the border of the room: left to the painter.
            if (a != 255 || x == 0 || y == 0 || x == int(w) - 1 || y == int(h) - 1) return &mask;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    mask.usable = true;
    if (right < left) return &mask;  // nothing to draw (blanks)
    mask.left = left - margin;
    mask.top = top - margin - cache.ascent;
    mask.width = right - left + 1;
    mask.height = bottom - top + 1;
    mask.bits.resize(std::size_t(mask.width) * std::size_t(mask.height));
    for (int y = 0; y < mask.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(top + y)) + left;
        for (int x = 0; x < mask.width; ++x)
            mask.bits[std::size_t(y) * std::size_t(mask.width) + std::size_t(x)] = qAlpha(line[x]) != 0;
    }
    return &mask;
}

// The text's pixels set straight in the image (the baseline starting at device X, Y): what
// the painter does for glyphs without smoothing in an opaque colour.
bool TCanvas::DirectText(int X, int Y, const TextMask& mask)
{
    const QRgb color = TColorToQRgb(FTextColor);
    if (qAlpha(color) != 255) return false;
    DirectPixels target;
    if (!DirectTarget(target)) return false;
    if (!target.bits || mask.bits.empty()) return true;
    const TRect& b = target.bounds;
    const long long x0 = static_cast<long long>(X) + mask.left, y0 = static_cast<long long>(Y) + mask.top;
    const long long left = std::max<long long>(x0, b.Left), right = std::min<long long>(x0 + mask.width, b.Right);
    const long long top = std::max<long long>(y0, b.Top), bottom = std::min<long long>(y0 + mask.height, b.Bottom);
    for (long long y = top; y < bottom; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(target.bits + y * target.stride);
        const std::uint8_t* bits = mask.bits.data() + std::size_t(y - y0) * std::size_t(mask.width);
        for (long long x = left; x < right; ++x)
            if (bits[x - x0]) line[x] = color;
    }
    return true;
}

int TCanvas::AdvanceOf(const FontCache& cache, const AnsiString& Text)
{
    auto& widths = *cache.widths;
    const auto found = widths.find(Text);
    if (found != widths.end()) return found->second;
    if (widths.size() >= 4096) widths.clear();
    const int w = cache.metrics.horizontalAdvance(QString::fromStdString(Text));
    widths.emplace(Text, w);
    return w;
}

QFont TCanvas::CurrentQFont() const
{
    return CurrentFontCache().qfont;
}

TSize TCanvas::TextExtent(const AnsiString& Text)
{
    const FontCache& cache = CurrentFontCache();
    return TSize{AdvanceOf(cache, Text), cache.ascent + cache.descent};
}

int TCanvas::TextAscent()
{
    return CurrentFontCache().ascent;
}
int TCanvas::TextDescent()
{
    return CurrentFontCache().descent;
}

void TCanvas::TextOut(int X, int Y, const AnsiString& Text)
{
    TextOutImpl(X, Y, Text, nullptr);
}

void TCanvas::TextRect(const TRect& r, int X, int Y, const AnsiString& Text)
{
    TextOutImpl(X, Y, Text, &r);
}

void TCanvas::TextOutImpl(int X, int Y, const AnsiString& Text, const TRect* clip)
{
    ApplyFont();
    const FontCache& cache = CurrentFontCache();
    const QFont& font = cache.qfont;
    const QString text = QString::fromStdString(Text);
    const int w = AdvanceOf(cache, Text);
    const int ascent = cache.ascent, cell = cache.ascent + cache.descent;
    const bool updateCP = (FTextAlign & TA_UPDATECP) != 0;
    if (updateCP) {
        X = FPenPos.X;
        Y = FPenPos.Y;
    }
    int dx;
    switch (FTextAlign & TA_CENTER) {
        case TA_RIGHT: dx = -w; break;
        case TA_CENTER: dx = -(w / 2); break;
        default: dx = 0; break;
    }
    int dy;
    switch (FTextAlign & TA_BASELINE) {
        case TA_BOTTOM: dy = -cell; break;
        case TA_BASELINE: dy = -ascent; break;
        default: dy = 0; break;
    }
    if (updateCP) {
        if ((FTextAlign & TA_CENTER) == TA_LEFT)
            FPenPos.X += w;
        else if ((FTextAlign & TA_CENTER) == TA_RIGHT)
            FPenPos.X -= w;
    }
    const double angle = TextFont()->GetOrientation() / 10.0;
    if (FPathOpen) {
        QPainterPath path;
        path.addText(QPointF(dx, dy + ascent), font, text);
        QTransform t;
        t.translate(X, Y);
        t.rotate(-angle);
        FPath.addPath(t.map(path));
        return;
    }
    const QRectF guard = GuardRect();
    if (!guard.contains(QPointF(X, Y))) return;
    QPainter* p = Painter();
    if (!p) return;
    const QList<QGlyphRun>* runs = RunsOf(cache, Text);
    // Unsmoothed glyphs in an opaque colour only set pixels: a text drawn before is set
    // again from the pixels it set, at a whole-pixel place on the image.
    if (runs && angle == 0 && !clip && FBkMode != OPAQUE && !Antialias) {
        const QTransform t = p->worldTransform();
        if (t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy()) &&
            std::fabs(t.dx()) < 1e9 && std::fabs(t.dy()) < 1e9) {
            const long long ox = X + dx + static_cast<long long>(t.dx());
            const long long oy = Y + dy + ascent + static_cast<long long>(t.dy());
            if (std::llabs(ox) < INT_MAX / 2 && std::llabs(oy) < INT_MAX / 2)
                if (const TextMask* mask = MaskOf(cache, Text, *runs);
                    mask && mask->usable && DirectText(int(ox), int(oy), *mask))
                    return;
        }
    }
    p->save();
    if (clip) p->setClipRect(QRect(clip->Left, clip->Top, clip->Width(), clip->Height()), Qt::IntersectClip);
    if (clip && FBkMode == OPAQUE)
        p->fillRect(QRect(clip->Left, clip->Top, clip->Width(), clip->Height()), TColorToQColor(FBkColor));
    p->translate(X, Y);
    if (angle != 0) p->rotate(-angle);
    if (FBkMode == OPAQUE && !clip) p->fillRect(QRect(dx, dy, w, cell), TColorToQColor(FBkColor));
    p->setFont(font);
    p->setPen(TColorToQColor(FTextColor));
    if (runs)
        for (const QGlyphRun& run : *runs) p->drawGlyphRun(QPointF(dx, dy + ascent), run);
    else
        p->drawText(QPointF(dx, dy + ascent), text);
    p->restore();
}

// ---- pictures

void TCanvas::Draw(int X, int Y, TGraphic* graphic)
{
    if (!graphic || graphic->GetEmpty()) return;
    auto end = [](int a, int b) { return int(std::clamp<long long>(static_cast<long long>(a) + b, INT_MIN, INT_MAX)); };
    StretchDraw(TRect(X, Y, end(X, graphic->GetWidth()), end(Y, graphic->GetHeight())), graphic);
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic)
{
    if (!graphic || graphic->GetEmpty() || r.IsEmpty()) return;
    const QRectF target(r.Left, r.Top, double(r.Right) - r.Left, double(r.Bottom) - r.Top);
    const QRectF guard = GuardRect();
    if (guard.contains(target)) {
        graphic->Draw(this, r);
        return;
    }
    // Only the part of a huge picture rectangle near the device is drawn: the matching part
    // of the picture, stretched the same way.
    const QRectF visible = target.intersected(guard);
    if (visible.isEmpty()) return;
    const QImage image = graphic->ToImage();
    const double sx = image.width() / target.width(), sy = image.height() / target.height();
    const QRectF source((visible.left() - target.left()) * sx, (visible.top() - target.top()) * sy,
                        visible.width() * sx, visible.height() * sy);
    QPainter* p = Painter();
    if (!p) return;
    p->drawImage(visible, image, source);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source)
{
    if (!Canvas || Dest.IsEmpty() || Source.IsEmpty()) return;
    QImage* src = Canvas->Image();
    if (!src) return;
    TPoint s[2] = {Source.TopLeft(), Source.BottomRight()};
    Canvas->LPtoDP(s, 2);
    Canvas->Release();
    const QRect from(s[0].X, s[0].Y, s[1].X - s[0].X, s[1].Y - s[0].Y);
    // A part wholly inside another image is taken where it is; a copy within one image, or
    // of a part reaching beyond the image (black there), goes through a copy of the part.
    const QImage part = src == Image() || !src->rect().contains(from) ? src->copy(from) : QImage();
    QPainter* p = Painter();
    if (!p) return;
    p->setCompositionMode(QPainter::CompositionMode_Source);
    const QRectF to(Dest.Left, Dest.Top, Dest.Width(), Dest.Height());
    if (part.isNull())
        p->drawImage(to, *src, QRectF(from));
    else
        p->drawImage(to, part);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::BitBlt(int X, int Y, int w, int h, TCanvas* Source, int XSrc, int YSrc)
{
    CopyRect(TRect(X, Y, X + w, Y + h), Source, TRect(XSrc, YSrc, XSrc + w, YSrc + h));
}

// ---- paths

void TCanvas::BeginPath()
{
    FPathOpen = true;
    FPathDone = false;
    FPath = QPainterPath();
    FPath.setFillRule(Qt::OddEvenFill);
}

void TCanvas::EndPath()
{
    if (!FPathOpen) return;
    FPathOpen = false;
    FPathDone = true;
}

void TCanvas::AbortPath()
{
    FPathOpen = FPathDone = false;
    FPath = QPainterPath();
}

void TCanvas::StrokePath()
{
    if (!FPathDone) return;
    const QPainterPath path = FPath;
    AbortPath();
    DrawShape(QPainterPath(), path, false);
}

void TCanvas::FillPath()
{
    if (!FPathDone) return;
    QPainterPath path = FPath;
    AbortPath();
    DrawShape(path, QPainterPath(), false);
}

void TCanvas::StrokeAndFillPath()
{
    if (!FPathDone) return;
    const QPainterPath path = FPath;
    AbortPath();
    DrawShape(path, path, false);
}

void TCanvas::WidenPath()
{
    if (!FPathDone) return;
    bool drawn, cosmetic, styled;
    const QPen pen = MakeQPen(drawn, cosmetic, styled);
    QPainterPathStroker stroker(pen);
    stroker.setWidth(std::max(1, FPen->GetWidth()));
    FPath = stroker.createStroke(FPath).united(QPainterPath());
    FPath.setFillRule(Qt::WindingFill);
}

int TCanvas::SelectClipPath(int mode)
{
    if (!FPathDone) return 0;
    const QPainterPath device = Transform().map(FPath);
    const QRegion region(device.toFillPolygon().toPolygon(), device.fillRule());
    AbortPath();
    ExtSelectClipRgn(&region, mode);
    return 1;
}
