#include "chart/engine/TTeeCustomShape.h"

#include <cmath>
#include <cstring>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeGeometry.h"
#include "platform/Round.h"

// ---- TTeeCustomShapeBrushPen

// The panel owns the shapes made for it: they go with it.
TTeeCustomShapeBrushPen::TTeeCustomShapeBrushPen(TCustomTeePanel* AParent) : TPersistent(AParent), FParentChart(AParent)
{
    const auto changed = [this](QObject* Sender) { CanvasChanged(Sender); };
    FBrush = new TChartBrush(changed, this);
    FPen = new TChartPen(changed, this);
}

void TTeeCustomShapeBrushPen::ReplaceBrush(TChartBrush* NewBrush)
{
    if (!NewBrush || NewBrush == FBrush) return;
    NewBrush->setParent(this);
    NewBrush->OnChange = [this](QObject* Sender) { CanvasChanged(Sender); };
    delete FBrush;
    FBrush = NewBrush;
}

void TTeeCustomShapeBrushPen::Repaint()
{
    if (FParentChart) FParentChart->Invalidate();
}

void TTeeCustomShapeBrushPen::CanvasChanged(QObject*)
{
    Repaint();
}

void TTeeCustomShapeBrushPen::SetVisible(bool Value)
{
    if (FParentChart)
        FParentChart->SetBooleanProperty(FVisible, Value);
    else
        FVisible = Value;
}

void TTeeCustomShapeBrushPen::Assign(TPersistent* Source)
{
    auto* s = qobject_cast<TTeeCustomShapeBrushPen*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FBrush->Assign(s->FBrush);
    FPen->Assign(s->FPen);
    SetVisible(s->FVisible);
}

bool TTeeCustomShapeBrushPen::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Visible") == 0) return !FVisible;
    return TPersistent::IsPropertyStored(Name);
}

// ---- TTeeCustomShape

TTeeCustomShape::TTeeCustomShape(TCustomTeePanel* AOwner) : TTeeCustomShapeBrushPen(AOwner)
{
    FFont = new TTeeFont([this](QObject* Sender) { ChildChanged(Sender); }, this);
    FShadow = new TTeeShadow([this](QObject* Sender) { ChildChanged(Sender); }, this);
    InitShadow(FShadow);
}

TTeeCustomShape::~TTeeCustomShape() = default;

void TTeeCustomShape::InitShadow(TTeeShadow* AShadow)
{
    AShadow->InitDefaults(clBlack, 3);
}

void TTeeCustomShape::SetColor(TColor Value)
{
    if (FParentChart)
        FParentChart->SetColorProperty(FSettings.Color, Value);
    else
        FSettings.Color = Value;
}

void TTeeCustomShape::SetTransparency(TTeeTransparency Value)
{
    // A percentage: values from stored charts or editors outside it are brought into range.
    SetProperty(FSettings.Transparency, std::clamp(Value, 0, 100));
}

void TTeeCustomShape::SetTransparent(bool Value)
{
    if (FParentChart)
        FParentChart->SetBooleanProperty(FSettings.Transparent, Value);
    else
        FSettings.Transparent = Value;
}

TTeeGradient* TTeeCustomShape::GetGradient()
{
    if (!FGradient) {
        FGradient = NewGradient();
        FGradient->setParent(this);
        FGradient->OnChange = [this](QObject* Sender) { ChildChanged(Sender); };
    }
    return FGradient;
}

TTeeGradient* TTeeCustomShape::NewGradient()
{
    return new TTeeGradient();
}

void TTeeCustomShape::SetGradient(TTeeGradient* Value)
{
    if (AssignPart(FGradient, Value, [this] { return GetGradient(); })) Repaint();
}

TTeeShadow* TTeeCustomShape::GetShadow()
{
    if (!FShadow) {
        FShadow = new TTeeShadow([this](QObject* Sender) { ChildChanged(Sender); }, this);
        InitShadow(FShadow);
    }
    return FShadow;
}

void TTeeCustomShape::SetShadow(TTeeShadow* Value)
{
    if (AssignPart(FShadow, Value, [this] { return GetShadow(); })) Repaint();
}

void TTeeCustomShape::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TTeeCustomShape*>(Source)) {
        FSettings = s->FSettings;
        FFont->Assign(s->FFont);
        SetGradient(s->FGradient);
        SetShadow(s->FShadow);
    }
    TTeeCustomShapeBrushPen::Assign(Source);
}

bool TTeeCustomShape::IsPropertyStored(const char* Name) const
{
    static const TShapeSettings defaults;
    if (std::strcmp(Name, "Bevel") == 0) return FSettings.Bevel != defaults.Bevel;
    if (std::strcmp(Name, "BevelWidth") == 0) return FSettings.BevelWidth != defaults.BevelWidth;
    if (std::strcmp(Name, "Color") == 0) return FSettings.Color != defaults.Color;
    if (std::strcmp(Name, "Gradient") == 0) return FGradient != nullptr;
    if (std::strcmp(Name, "Shadow") == 0) return FShadow != nullptr;
    if (std::strcmp(Name, "ShapeStyle") == 0) return FSettings.ShapeStyle != defaults.ShapeStyle;
    if (std::strcmp(Name, "TextFormat") == 0) return FSettings.TextFormat != defaults.TextFormat;
    if (std::strcmp(Name, "Transparency") == 0) return FSettings.Transparency != defaults.Transparency;
    if (std::strcmp(Name, "Transparent") == 0) return FSettings.Transparent != DefaultTransparent;
    return TTeeCustomShapeBrushPen::IsPropertyStored(Name);
}

void RectToFourPoints(const TRect& Rect, double Angle, std::array<TPoint, 4>& Points)
{
    int cx, cy;
    RectCenter(Rect, cx, cy);
    const double a = Angle * TeePiStep;
    const double s = std::sin(a), c = std::cos(a);
    const TPoint corners[4] = {
        {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left, Rect.Bottom}};
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i].X - cx, y = corners[i].Y - cy;
        Points[i] = TPoint(Round(x * c + y * s) + cx, Round(-x * s + y * c) + cy);
    }
}

void TTeeCustomShape::Draw()
{
    DrawRectRotated(ShapeBounds, 0, 0);
}

void TTeeCustomShape::DrawRectRotated(const TRect& Rect, double Angle, int Z)
{
    if (FSettings.Transparent || !FParentChart) return;
    TCanvas3D* canvas = FParentChart->GetCanvas();
    if (!canvas) return;
    // Angles below one degree draw the plain rectangle.
    const bool rotated = Angle >= 1;
    const bool fullRotation = canvas->GetSupportsFullRotation();
    std::array<TPoint, 4> points{};
    if (rotated) RectToFourPoints(Rect, Angle, points);

    // The outline of the shape in R (R moved for the shadow).
    const auto figure = [&](const TRect& R, int dx, int dy) {
        if (!rotated) {
            if (fullRotation)
                canvas->RectangleWithZ(R, Z);
            else if (FSettings.ShapeStyle == fosRoundRectangle)
                canvas->RoundRect(R, 16, 16);
            else
                canvas->Rectangle(R);
        } else {
            std::array<TPoint, 4> p = points;
            for (TPoint& q : p) q = TPoint(q.X + dx, q.Y + dy);
            if (fullRotation)
                canvas->PolygonWithZ(p, Z);
            else
                canvas->Polygon(p);
        }
    };

    TTeeBlend* blend = nullptr;
    if (FSettings.Transparency > 0)
        blend = canvas->BeginBlending(rotated ? RectFromPolygon(points, 4) : Rect, FSettings.Transparency);

    if (FShadow && FShadow->GetSize() != 0 && FBrush->GetStyle() != bsClear) {
        if (!rotated && FSettings.ShapeStyle == fosRectangle) {
            if (!fullRotation) canvas->FrontPlaneBegin();
            FShadow->Draw(canvas, Rect, Z);
            if (!fullRotation) canvas->FrontPlaneEnd();
        }
        if (FSettings.Transparency > 0) {
            int h = FShadow->GetHorizSize(), v = FShadow->GetVertSize();
            if (std::max(h, v) > 0 && FPen->GetVisible()) {
                h += FPen->GetWidth();
                v += FPen->GetWidth();
            }
            canvas->Pen->SetStyle(psClear);
            canvas->Brush->SetStyle(bsSolid);
            canvas->Brush->SetColor(FShadow->GetColor());
            const TRect moved = MovedRect(Rect, h, v);
            TTeeBlend* shadowBlend = nullptr;
            if (FShadow->GetTransparency() != 0) {
                TRect b = moved;
                if (rotated) {
                    std::array<TPoint, 4> p = points;
                    for (TPoint& q : p) q = TPoint(q.X + h, q.Y + v);
                    b = RectFromPolygon(p, 4);
                }
                shadowBlend = canvas->BeginBlending(b, FShadow->GetTransparency());
            }
            figure(moved, h, v);
            if (shadowBlend) {
                canvas->BlendTransparency = FShadow->GetTransparency();
                canvas->EndBlending(shadowBlend);
            }
        }
    }

    if (!FGradient || !FGradient->GetVisible()) {
        canvas->AssignBrushColor(FBrush, FSettings.Color, FParentChart->GetBackColor());
    } else {
        if (!rotated) {
            if (fullRotation) {
                const TPoint p[4] = {
                    {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left, Rect.Bottom}};
                FGradient->Draw(canvas, p, Z);
            } else {
                FGradient->Draw(canvas, Rect);
            }
        } else {
            const TPoint p[4] = {points[0], points[1], points[2], points[3]};
            if (fullRotation)
                FGradient->Draw(canvas, p, Z);
            else
                FGradient->Draw(static_cast<TTeeCanvas*>(canvas), p);
        }
        canvas->Brush->SetStyle(bsClear);
    }

    canvas->AssignVisiblePen(FPen);
    figure(Rect, 0, 0);

    if (Angle == 0) {
        TRect r = Rect;
        DrawBevel(canvas, FSettings.Bevel, r, 0, FSettings.BevelWidth);
    }

    if (blend) {
        // The shadow's own blending in between changed the canvas's percentage.
        canvas->BlendTransparency = FSettings.Transparency;
        canvas->EndBlending(blend);
    }
}
