#include "chart/engine/TCustomTeePanelExtended.h"

#include <QPalette>

#include "platform/ScopedValue.h"

// ---- TBackImage

void TBackImage::PropertyChanged()
{
    if (OnChange) OnChange(this);
}

void TBackImage::Assign(TPersistent* Source)
{
    if (auto* b = qobject_cast<TBackImage*>(Source)) {
        FInside = b->FInside;
        FLeft = b->FLeft;
        FMode = b->FMode;
        FTop = b->FTop;
    }
    TPicture::Assign(Source);
}

// ---- TCustomTeePanelExtended

TCustomTeePanelExtended::TCustomTeePanelExtended(QWidget* parent) : TCustomTeePanel(parent)
{
    FZoom = new TTeeZoom(this);
}

TCustomTeePanelExtended::~TCustomTeePanelExtended() = default;

TTeeGradient* TCustomTeePanelExtended::GetGradient()
{
    if (!FGradient) FGradient = new TTeeGradient([this](QObject* Sender) { CanvasChanged(Sender); }, this);
    return FGradient;
}

void TCustomTeePanelExtended::SetGradient(TTeeGradient* Value)
{
    if (AssignPart(FGradient, Value, [this] { return GetGradient(); })) Invalidate();
}

TBackImage* TCustomTeePanelExtended::GetBackImage()
{
    if (!FBackImage) {
        FBackImage = new TBackImage(this);
        FBackImage->OnChange = [this](QObject* Sender) { CanvasChanged(Sender); };
    }
    return FBackImage;
}

void TCustomTeePanelExtended::SetBackImage(TBackImage* Value)
{
    if (AssignPart(FBackImage, Value, [this] { return GetBackImage(); })) Invalidate();
}

void TCustomTeePanelExtended::SetBackImageTransp(bool Value)
{
    if (!HasBackImage()) return;
    FBackImage->GetGraphic()->SetTransparent(Value);
    Invalidate();
}

QList<int> TCustomTeePanelExtended::GetPrintMarginsList() const
{
    return {PrintMargins.Left, PrintMargins.Top, PrintMargins.Right, PrintMargins.Bottom};
}

void TCustomTeePanelExtended::SetPrintMarginsList(const QList<int>& Value)
{
    // A short or damaged list changes nothing.
    if (Value.size() != 4) return;
    PrintMargins = TRect(Value[0], Value[1], Value[2], Value[3]);
}

bool TCustomTeePanelExtended::IsPropertyStored(const char* Name) const
{
    const std::string n = Name;
    if (n == "PrintMargins") return PrintMargins != TRect(15, 15, 15, 15);
    if (n == "AllowPanning") return FAllowPanning != pmBoth;
    if (n == "Gradient") return FGradient != nullptr;
    if (n == "BackImage") return HasBackImage();
    if (n == "AllowZoom" || n == "AnimatedZoom" || n == "AnimatedZoomSteps") return false;
    return TCustomTeePanel::IsPropertyStored(Name);
}

void TCustomTeePanelExtended::Assign(QObject* Source)
{
    if (auto* p = qobject_cast<TCustomTeePanelExtended*>(Source)) {
        const TScopedValue noRepaint(AutoRepaint, false);
        SetBackImage(p->FBackImage);
        SetGradient(p->FGradient);
        FAllowPanning = p->FAllowPanning;
        FZoom->Assign(p->FZoom);
    }
    TCustomTeePanel::Assign(Source);
}

void TCustomTeePanelExtended::UndoZoom()
{
    if (OnUndoZoom) OnUndoZoom(this);
    Invalidate();
    Zoomed = false;
}

void TCustomTeePanelExtended::DrawZoomRectangle()
{
    EnsureWindowImage();
    TCanvas3D* c = GetCanvas();
    const TColor b = ColorToRGB(GetBackColor());
    TTeeZoomBrush* brush = FZoom->StoredBrush();
    if (brush)
        SetBrushCanvas(ColorToRGB(brush->GetColor()) ^ (0xFFFFFF - b), brush, b);
    else
        c->Brush->SetStyle(bsClear);
    TTeeZoomPen* pen = FZoom->GetPen();
    pen->SetMode(pmNotXor);
    c->AssignVisiblePenColor(pen, ColorToRGB(pen->GetColor()) ^ (0xFFFFFF - b));
    if (!brush || brush->GetStyle() == bsClear) c->SetBackMode(cbmTransparent);
    c->Rectangle(FZoom->X0, FZoom->Y0, FZoom->X1, FZoom->Y1);
    // Drawn between paints into the window image: show it.
    update();
}

void TCustomTeePanelExtended::FillPanelRect(const TRect& Rect)
{
    TCanvas3D* c = GetCanvas();
    c->FrontPlaneBegin();
    if (FGradient && FGradient->GetVisible()) {
        FGradient->Draw(c, Rect);
    } else if ((!Printing || PrintTeePanel) && GetColor() != clNone) {
        c->Brush->SetStyle(bsSolid);
        c->Brush->SetColor(GetColor());
        c->FillRect(Rect);
    }
    c->FrontPlaneEnd();
}

void TCustomTeePanelExtended::PanelPaint(const TRect& Rect)
{
    TCanvas3D* c = GetCanvas();
    c->FrontPlaneBegin();
    TRect R = Rect;
    if (FShadow->GetSize() > 0) {
        TColor back = GetColor();
        if (QWidget* p = parentWidget()) back = QColorToTColor(p->palette().color(p->backgroundRole()));
        c->Brush->SetStyle(bsSolid);
        c->Brush->SetColor(back);
        c->FillRect(R);
        R.Right -= FShadow->GetHorizSize();
        R.Bottom -= FShadow->GetVertSize();
        FShadow->Draw(c, R);
    }
    FillPanelRect(R);
    if (FBackImage && !FBackImage->GetInside()) DrawBitmap(R, 0);
    DrawPanelBevels(R);
    c->FrontPlaneEnd();
}

void TCustomTeePanelExtended::DrawBitmap(const TRect& Rect, int Z)
{
    if (!HasBackImage()) return;
    TCanvas3D* c = GetCanvas();
    TGraphic* graphic = FBackImage->GetGraphic();
    const bool orthogonal = GetView3DOptions()->GetOrthogonal();
    const auto project = [&](const TRect& R) {
        TRect p = c->CalcRect3D(R, Z);
        if (!GetView3D()) ++p.Top;
        return p;
    };

    if (FBackImage->GetMode() == pbmStretch) {
        if (Z < 1)
            c->StretchDraw(Rect, graphic);
        else if (!orthogonal)
            c->StretchDraw(Rect, graphic, Z);
        else
            c->StretchDraw(project(Rect), graphic);
        return;
    }

    const bool clip = CanClip();
    if (clip) {
        if (Z == 0)
            c->ClipRectangle(Rect);
        else
            c->ClipCube(Rect, 0, Width3D);
    }
    TRect R = Rect;
    if (Z > 0 && orthogonal) R = project(Rect);
    const int W = R.Width(), H = R.Height();
    const int w = graphic->GetWidth(), h = graphic->GetHeight();

    switch (FBackImage->GetMode()) {
        case pbmTile:
            if (w >= 1 && h >= 1) {
                for (int y = 0; y < H; y += h)
                    for (int x = 0; x < W; x += w) {
                        if (Z > 0 && !orthogonal)
                            c->StretchDraw(TRect(R.Left + x, R.Top + y, R.Left + x + w, R.Top + y + h), graphic, Z);
                        else
                            c->Draw(R.Left + x, R.Top + y, graphic);
                    }
            }
            break;
        case pbmCenter:
        case pbmCustom: {
            FillPanelRect(Rect);
            TRect r;
            if (FBackImage->GetMode() == pbmCenter) {
                const int dx = (w - W) / 2, dy = (h - H) / 2;
                r = TRect(R.Left - dx, R.Top - dy, R.Right + dx, R.Bottom + dy);
            } else {
                r = TRect(R.Left + FBackImage->GetLeft(), R.Top + FBackImage->GetTop(), 0, 0);
                r.Right = r.Left + w;
                r.Bottom = r.Top + h;
            }
            if (Z < 1 || orthogonal)
                c->Draw(r.Left, r.Top, graphic);
            else
                c->StretchDraw(r, graphic, Z);
            break;
        }
        default: break;
    }
    if (clip) c->UnClipRectangle();
}
