// The 3D projection of TTeeCanvas3D (flat, oblique and rotated with perspective), its
// approximate inverse, and the off-screen buffer.
#include <algorithm>
#include <climits>
#include <cmath>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"

namespace {
// The perspective divisor is kept at least this far from zero: a point at the eye (or a
// chart of zero width) would otherwise divide by zero.
constexpr double kMinPerspectiveDivisor = 1e-6;

// Screen position = rounded offset + centre, saturating like the rounding itself.
int PixelAdd(int a, int b)
{
    const long long r = static_cast<long long>(a) + b;
    return int(std::clamp<long long>(r, INT_MIN, INT_MAX));
}

double PerspectiveScale(double zoom, double divisor)
{
    if (!(std::fabs(divisor) >= kMinPerspectiveDivisor)) divisor = std::copysign(kMinPerspectiveDivisor, divisor);
    return zoom / divisor;
}
}  // namespace

TTeeCanvas3D::TTeeCanvas3D() = default;

TTeeCanvas3D::~TTeeCanvas3D()
{
    DeleteBitmap();
}

void TTeeCanvas3D::CalcTrigValues()
{
    if (IsOrthogonal) return;
    double E = 0, R = 0, T = 0;
    if (View3DOptions) {
        E = -double(View3DOptions->GetElevation());
        R = -double(View3DOptions->GetRotation());
        T = double(View3DOptions->GetTilt());
    }
    HasPerspective = false;
    PerspectiveFactor = 0;
    SinElevation = std::sin(E * TeePiStep);
    CosElevation = std::cos(E * TeePiStep);
    SinRotation = std::sin(R * TeePiStep);
    CosRotation = std::cos(R * TeePiStep);
    IsTilted = T != 0;
    SinTilt = std::sin(T * TeePiStep);
    CosTilt = std::cos(T * TeePiStep);
    const double sE = SinElevation, cE = CosElevation, sR = SinRotation, cR = CosRotation, sT = SinTilt, cT = CosTilt;
    InverseCoef0 = cR * sT;
    InverseCoef1 = std::max(cR * cT, 0.00001);
    InverseCoef2 = std::max(sE * sR * sT + cE * cT, 0.00001);
    InverseCoef3 = cT * sE * sR - cE * sT;
    InverseCoef4 = cE * sR * sT - cT * sE;
    InverseCoef5 = cE * cT * sR + sE * sT;
}

void TTeeCanvas3D::CalcPerspective(const TRect& Rect)
{
    HasPerspective = View3DOptions->GetPerspective() > 0;
    if (!HasPerspective) return;
    const int width = Rect.Right - Rect.Left;
    // A chart rectangle without width has no perspective to scale.
    if (width == 0) {
        HasPerspective = false;
        PerspectiveFactor = 0;
        return;
    }
    PerspectiveFactor = View3DOptions->GetPerspective() * ZoomFactor * (1.0 / 150.0) / width;
}

void TTeeCanvas3D::ReadViewOptions(TView3DOptions* A3DOptions, bool AIs3D)
{
    View3DOptions = A3DOptions;
    if (A3DOptions) FontZoom = A3DOptions->GetFontZoom();
    Is3D = AIs3D;
    IsOrthogonal = false;
    ZoomFactor = 1.0;
    if (Is3D) {
        if (A3DOptions) {
            IsOrthogonal = A3DOptions->GetOrthogonal();
            if (IsOrthogonal) {
                double a = A3DOptions->GetOrthoAngle();
                if (a > 90) {
                    OrthoX = -1.0;
                    a = 180 - a;
                } else {
                    OrthoX = 1.0;
                }
                const double s = std::sin(a * TeePiStep), c = std::cos(a * TeePiStep);
                OrthoY = c < 0.01 ? 1.0 : s / c;
            }
            ZoomFactor = A3DOptions->GetZoom() * 0.01;
            ZoomText = A3DOptions->GetZoomText();
        }
        CalcTrigValues();
    }
}

void TTeeCanvas3D::RecalcProjection(int MaxDepth, const TRect& ARect)
{
    ReadViewOptions(View3DOptions, true);
    Projection(MaxDepth, Bounds, ARect);
}

TRect TTeeCanvas3D::InitWindow(TCanvas* DestCanvas, TView3DOptions* A3DOptions, TColor, bool AIs3D,
                               const TRect& UserRect)
{
    Bounds = UserRect;
    ReadViewOptions(A3DOptions, AIs3D);
    if (BufferedDisplay) {
        const int W = UserRect.Right - UserRect.Left, H = UserRect.Bottom - UserRect.Top;
        if (!Bitmap) {
            Bitmap = std::make_unique<TBitmap>();
            Bitmap->IgnorePalette = true;
        }
        Bitmap->SetSize(W, H);
        TCanvas* c = Bitmap->Canvas();
        c->OnChange = nullptr;
        c->OnChanging = nullptr;
        SetCanvas(c);
        return TRect(0, 0, W, H);
    }
    SetCanvas(DestCanvas);
    return UserRect;
}

void TTeeCanvas3D::Projection(int MaxDepth, const TRect&, const TRect& ARect)
{
    RectCenter(ARect, XCenter, YCenter);
    XCenter = PixelAdd(XCenter, Round(RotationCenter.X));
    YCenter = PixelAdd(YCenter, Round(RotationCenter.Y));
    ZCenter = Round(MaxDepth * 0.5 + RotationCenter.Z);
    XCenterOffset = XCenter;
    YCenterOffset = YCenter;
    if (View3DOptions) {
        XCenterOffset = PixelAdd(XCenterOffset, View3DOptions->GetHorizOffset());
        YCenterOffset = PixelAdd(YCenterOffset, View3DOptions->GetVertOffset());
        CalcPerspective(ARect);
    }
}

void TTeeCanvas3D::Rotate(double x, double y, double z, double& u, double& v, double& scale) const
{
    const double t = z * CosRotation - x * SinRotation;
    u = x * CosRotation + z * SinRotation;
    scale = HasPerspective ? PerspectiveScale(ZoomFactor, (CosElevation * t + SinElevation * y) * PerspectiveFactor + 1)
                           : ZoomFactor;
    v = y * CosElevation - SinElevation * t;
}

void TTeeCanvas3D::Calc3DPos(int& X, int& Y, int Z) const
{
    if (IsOrthogonal) {
        X = PixelAdd(Round((Z * OrthoX + (double(X) - XCenter)) * ZoomFactor), XCenterOffset);
        Y = PixelAdd(Round(((double(Y) - YCenter) - Z * OrthoY) * ZoomFactor), YCenterOffset);
        return;
    }
    if (!Is3D) return;
    double u, v, scale;
    Rotate(double(X) - XCenter, double(Y) - YCenter, double(Z) - ZCenter, u, v, scale);
    if (IsTilted) {
        X = PixelAdd(Round((CosTilt * u - SinTilt * v) * scale), XCenterOffset);
        Y = PixelAdd(Round((CosTilt * v + SinTilt * u) * scale), YCenterOffset);
    } else {
        X = PixelAdd(Round(u * scale), XCenterOffset);
        Y = PixelAdd(Round(v * scale), YCenterOffset);
    }
}

void TTeeCanvas3D::Calc3DPoint(TPoint& P, int X, int Y, int Z) const
{
    Calc3DPos(X, Y, Z);
    P = TPoint(X, Y);
}

void TTeeCanvas3D::Calc3DPoint(TPoint& P, double X, double Y, int Z) const
{
    if (IsOrthogonal) {
        P = TPoint(PixelAdd(Round((X - XCenter + Z * OrthoX) * ZoomFactor), XCenterOffset),
                   PixelAdd(Round((Y - YCenter - Z * OrthoY) * ZoomFactor), YCenterOffset));
        return;
    }
    if (!Is3D) {
        P = TPoint(Round(X), Round(Y));
        return;
    }
    double u, v, scale;
    Rotate(X - XCenter, Y - YCenter, double(Z) - ZCenter, u, v, scale);
    P = TPoint(PixelAdd(Round((CosTilt * u - SinTilt * v) * scale), XCenterOffset),
               PixelAdd(Round((CosTilt * v + SinTilt * u) * scale), YCenterOffset));
}

TPoint TTeeCanvas3D::Calc3DTPoint3D(const TPoint3D& P) const
{
    int x = P.X, y = P.Y;
    Calc3DPos(x, y, P.Z);
    return TPoint(x, y);
}

TPoint TTeeCanvas3D::Calculate3DPosition(int X, int Y, int Z)
{
    Calc3DPos(X, Y, Z);
    return TPoint(X, Y);
}

void TTeeCanvas3D::Calculate2DPosition(int& X, int& Y, int Z)
{
    if (ZoomFactor == 0) return;
    const double k = 1.0 / ZoomFactor;
    if (IsOrthogonal) {
        X = PixelAdd(Round((double(X) - XCenterOffset) * k - Z * OrthoX), XCenter);
        Y = PixelAdd(Round((double(Y) - YCenterOffset) * k + Z * OrthoY), YCenter);
        return;
    }
    if (!Is3D || InverseCoef2 == 0 || InverseCoef1 == 0) return;
    const double X0 = X, Y0 = Y, z = double(Z) - ZCenter;
    X = PixelAdd(Round(((X0 - XCenterOffset) * k - z * InverseCoef4 - (Y0 - YCenter) * InverseCoef0) / InverseCoef2),
                 XCenter);
    Y = PixelAdd(Round(((Y0 - YCenterOffset) * k - z * InverseCoef5 - (X0 - XCenter) * InverseCoef3) / InverseCoef1),
                 YCenter);
}

void TTeeCanvas3D::DisableRotation()
{
    SavedIs3D = Is3D;
    Is3D = false;
}

void TTeeCanvas3D::EnableRotation()
{
    Is3D = SavedIs3D;
}

void TTeeCanvas3D::SetMonochrome(bool Value)
{
    if (!StoreChanged(Monochrome, Value)) return;
    Dirty = true;
    if (View3DOptions) View3DOptions->Repaint();
}

void TTeeCanvas3D::SetUseBuffer(bool Value)
{
    if (!StoreChanged(BufferedDisplay, Value)) return;
    if (!Value) {
        if (Bitmap) {
            DeleteBitmap();
            Dirty = true;
        }
    } else if (Bitmap) {
        SetCanvas(Bitmap->Canvas());
    }
}

void TTeeCanvas3D::DeleteBitmap()
{
    if (Bitmap && Canvas == Bitmap->Canvas()) SetCanvas(nullptr);
    Bitmap.reset();
}

void TTeeCanvas3D::TransferBitmap(int Left, int Top, TCanvas* ACanvas)
{
    if (!Bitmap || !ACanvas) return;
    ACanvas->BitBlt(Left, Top, Bitmap->GetWidth(), Bitmap->GetHeight(), Bitmap->Canvas(), 0, 0);
}

void TTeeCanvas3D::ShowImage(TCanvas* DestCanvas, TCanvas* DefaultCanvas, const TRect& UserRect)
{
    if (BufferedDisplay) {
        TransferBitmap(UserRect.Left, UserRect.Top, DestCanvas);
        Dirty = false;
    }
    SetCanvas(DefaultCanvas);
}

bool TTeeCanvas3D::ReDrawBitmap()
{
    if (Dirty) return false;
    TransferBitmap(0, 0, Canvas);
    return true;
}
