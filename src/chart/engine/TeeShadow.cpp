#include "chart/engine/TeeShadow.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBlend.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeGradient.h"
#include "platform/Round.h"

namespace {

// The brightening per line that reaches white after Lines lines.
int FadeStep(TColor color, int Lines)
{
    const TColor c = ColorToRGB(color);
    const double average = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3.0;
    return std::clamp(Round((255.0 - average) / Lines), 0, 255);
}

}  // namespace

TTeeShadow::TTeeShadow(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TPersistent(parent), OnChange(OnChangeEvent)
{}

void TTeeShadow::Changed()
{
    if (OnChange) OnChange(this);
}

void TTeeShadow::SetSize(int value)
{
    if (value == FSettings.HorizSize && value == FSettings.VertSize) return;
    FSettings.HorizSize = FSettings.VertSize = value;
    Changed();
}

void TTeeShadow::Assign(TPersistent* Source)
{
    if (!AssignRecord(this, &TTeeShadow::FSettings, Source)) TPersistent::Assign(Source);
}

bool TTeeShadow::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Color") == 0) return FSettings.Color != DefaultColor;
    if (std::strcmp(Name, "HorizSize") == 0) return FSettings.HorizSize != DefaultSize;
    if (std::strcmp(Name, "Smooth") == 0) return !FSettings.Smooth;
    if (std::strcmp(Name, "Transparency") == 0) return FSettings.Transparency != 0;
    if (std::strcmp(Name, "VertSize") == 0) return FSettings.VertSize != DefaultSize;
    return TPersistent::IsPropertyStored(Name);
}

// ---- Drawing

bool TTeeShadow::PrepareCanvas(TCanvas3D* Canvas, const TRect& R, int Z)
{
    const bool visible = FSettings.Color != clNone && (FSettings.HorizSize != 0 || FSettings.VertSize != 0);
    if (!visible || !Canvas) return false;
    Canvas->Brush->SetBitmap(nullptr);
    Canvas->Brush->SetColor(FSettings.Color);
    Canvas->Brush->SetStyle(bsSolid);
    Canvas->Pen->SetStyle(psClear);
    if (FSettings.Transparency > 0)
        FBlend = Canvas->BeginBlending(Canvas->RectFromRectZ(MovedRect(R, FSettings.HorizSize, FSettings.VertSize), Z),
                                       FSettings.Transparency);
    return true;
}

void TTeeShadow::FinishBlending(TCanvas3D* Canvas)
{
    if (FSettings.Transparency > 0 && FBlend && Canvas) Canvas->EndBlending(FBlend);
    FBlend = nullptr;
}

void TTeeShadow::Draw(TCanvas3D* Canvas, const TRect& R, int Z)
{
    if (!PrepareCanvas(Canvas, R, Z)) return;
    const int H = FSettings.HorizSize;
    const int V = FSettings.VertSize;
    const bool flat = Canvas->FrontPlaneCount > 0;
    if (!FSettings.Smooth || GetSize() < 2) {
        if (!flat) {
            Canvas->Rectangle(R.Left + H, R.Bottom, R.Right + H, R.Bottom + V, Z);
            Canvas->Rectangle(R.Right, R.Top + V, R.Right + H, R.Bottom + V, Z);
        } else {
            if (V > 0)
                Canvas->Rectangle(R.Left + H, R.Bottom, R.Right + H, R.Bottom + 1 + V);
            else if (V < 0)
                Canvas->Rectangle(R.Left + H, R.Top + 1, R.Right + H, R.Top + V);
            if (H > 0)
                Canvas->Rectangle(R.Right, R.Top + V, R.Right + 1 + H, R.Bottom + V + 1);
            else if (H < 0)
                Canvas->Rectangle(R.Left + 1, R.Top + V, R.Left + H, R.Bottom + V + 1);
        }
    } else {
        // One line per pixel of shadow, each brighter than the one before. A size stored
        // in a chart can be anything: no more lines than the device has pixels.
        TCanvas* dc = Canvas->GetHandle();
        const TRect device = dc ? dc->DeviceRect() : TRect();
        Canvas->Pen->SetStyle(psSolid);
        // Lines 1 .. Size (at most DeviceExtent + 1) drawn by Line, from the shadow colour on.
        const auto fade = [&](int Size, int DeviceExtent, const auto& Line) {
            if (Size == 0) return;
            Canvas->Pen->SetColor(FSettings.Color);
            const int step = FadeStep(FSettings.Color, Size);
            const int lines = std::min(Size, std::max(DeviceExtent, 0) + 1);
            for (int i = 1; i <= lines; ++i) {
                Line(i);
                Canvas->Pen->SetColor(ApplyBright(Canvas->Pen->GetColor(), std::uint8_t(step)));
            }
        };
        fade(V, device.Height(), [&](int i) {
            const int y = R.Bottom + i - 1;
            const int x0 = R.Left + H;
            const int x1 = R.Right + H - V + i - 1;
            if (flat)
                Canvas->DoHorizLine(x0, x1, y);
            else
                Canvas->HorizLine3D(x0, x1, y, Z);
        });
        fade(H, device.Width(), [&](int i) {
            const int x = R.Right + i - 1;
            const int y1 = R.Bottom + V - H + i - 1;
            if (flat) {
                Canvas->DoVertLine(x, R.Top + V, y1);
                Canvas->SetPixel(x - 1, y1 - 1, Canvas->Pen->GetColor());
            } else {
                Canvas->VertLine3D(x, R.Top + V, y1, Z);
                Canvas->SetPixel3D(x - 1, y1 - 1, Z, Canvas->Pen->GetColor());
            }
        });
    }
    FinishBlending(Canvas);
}

void TTeeShadow::DrawEllipse(TCanvas3D* Canvas, const TRect& R, int Z)
{
    if (!PrepareCanvas(Canvas, R, Z)) return;
    const TRect moved = MovedRect(R, FSettings.HorizSize, FSettings.VertSize);
    if (FSettings.Smooth) {
        const TRect r = Canvas->CalcRect3D(moved, Z);
        Canvas->ClipEllipse(r);
        TTeeGradient g;
        g.SetEndColor(ApplyBright(FSettings.Color, 32));
        g.SetStartColor(ApplyDark(FSettings.Color, 128));
        g.DrawRadial(Canvas, r);
        Canvas->UnClipRectangle();
    } else {
        Canvas->EllipseWithZ(moved.Left, moved.Top, moved.Right, moved.Bottom, Z);
    }
    FinishBlending(Canvas);
}

void TTeeShadow::InitDefaults(TColor Color, int Size)
{
    {
        TQuietChange quiet(OnChange);
        SetColor(Color);
        SetSize(Size);
    }
    DefaultColor = Color;
    DefaultSize = Size;
}
