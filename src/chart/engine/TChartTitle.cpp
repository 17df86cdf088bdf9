#include "chart/engine/TChartTitle.h"

#include <algorithm>
#include <cstring>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeCanvas.h"

// Distance between a title and the plot area, in pixels.
int TeeTitleFootDistance = 5;

// ---- TTeeCustomShapePosition

void TTeeCustomShapePosition::SetCustomPosition(bool Value)
{
    if (FParentChart)
        FParentChart->SetBooleanProperty(FCustomPosition, Value);
    else
        FCustomPosition = Value;
}

namespace {

// Moves the span Low..High, keeping its length, so that it starts at Value; whether it moved.
bool MoveSpan(int& Low, int& High, int Value)
{
    if (Low == Value) return false;
    High = Value + (High - Low);
    Low = Value;
    return true;
}

}  // namespace

void TTeeCustomShapePosition::SetLeft(int Value)
{
    SetCustomPosition(true);
    if (MoveSpan(ShapeBounds.Left, ShapeBounds.Right, Value)) Repaint();
}

void TTeeCustomShapePosition::SetTop(int Value)
{
    SetCustomPosition(true);
    if (MoveSpan(ShapeBounds.Top, ShapeBounds.Bottom, Value)) Repaint();
}

void TTeeCustomShapePosition::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TTeeCustomShapePosition*>(Source)) {
        FCustomPosition = s->FCustomPosition;
        if (FCustomPosition) ShapeBounds = s->ShapeBounds;
    }
    TTeeCustomShape::Assign(Source);
}

bool TTeeCustomShapePosition::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Left") == 0 || std::strcmp(Name, "Top") == 0) return FCustomPosition;
    if (std::strcmp(Name, "CustomPosition") == 0) return FCustomPosition;
    return TTeeCustomShape::IsPropertyStored(Name);
}

// ---- TChartTitle

TChartTitle::TChartTitle(TCustomTeePanel* AOwner) : TTeeCustomShapePosition(AOwner)
{
    DefaultTransparent = true;
    SetTransparent(true);
    GetFont()->DefaultColor = clBlue;
    GetFont()->SetColor(clBlue);
}

TChartFootTitle::TChartFootTitle(TCustomTeePanel* AOwner) : TChartTitle(AOwner)
{
    FOnTop = false;
    GetFont()->DefaultColor = clRed;
    GetFont()->SetColor(clRed);
    GetFont()->SetStyle(TFontStyles(fsItalic));
}

void TChartTitle::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TChartTitle*>(Source)) {
        FAdjustFrame = s->FAdjustFrame;
        FAlignment = s->FAlignment;
        FText = s->FText;
    }
    TTeeCustomShapePosition::Assign(Source);
}

bool TChartTitle::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "AdjustFrame") == 0) return !FAdjustFrame;
    if (std::strcmp(Name, "Alignment") == 0) return FAlignment != taCenter;
    if (std::strcmp(Name, "Text") == 0) return !FText.empty();
    return TTeeCustomShapePosition::IsPropertyStored(Name);
}

bool TChartTitle::Clicked(int X, int Y) const
{
    return GetVisible() && X >= ShapeBounds.Left && X <= ShapeBounds.Right && Y >= ShapeBounds.Top &&
           Y <= ShapeBounds.Bottom;
}

void TChartTitle::DrawTitle()
{
    TCustomTeePanel* panel = ParentChart();
    if (!panel || !GetVisible() || FText.empty()) return;
    TCanvas3D* canvas = panel->GetCanvas();

    int F = (GetPen()->GetVisible() && GetPen()->GetColor() != clNone) ? GetPen()->GetWidth() : 0;
    if (GetBevel() != bvNone) F = GetBevelWidth();
    const bool custom = GetCustomPosition();
    TRect& B = ShapeBounds;
    if (!custom) {
        B = panel->ChartRect;
        if (FOnTop) B.Top += F;
    }
    canvas->AssignFont(GetFont());
    const int H = canvas->GetFontHeight();
    const int L = static_cast<int>(FText.size());
    if (FOnTop || custom)
        B.Bottom = B.Top + L * H;
    else
        B.Top = B.Bottom - L * H;
    if (!custom) InflateRect(B, F, F);

    const int W = canvas->TextWidth("W");
    if (FAdjustFrame) {
        int widest = 0;
        for (const AnsiString& s : FText) widest = std::max(widest, canvas->TextWidth(s));
        const int T = widest + W + F;
        switch (FAlignment) {
            case taLeftJustify: B.Right = B.Left + T; break;
            case taRightJustify: B.Left = B.Right - T; break;
            case taCenter: {
                if (custom) B.Right = B.Left + T;
                const int centre = (B.Left + B.Right) / 2;
                B.Left = centre - T / 2;
                B.Right = centre + T / 2;
                break;
            }
        }
    }

    Draw();
    canvas->AssignFont(GetFont());
    canvas->SetBackMode(cbmTransparent);
    canvas->SetTextAlign(TA_LEFT | TA_TOP);
    if (GetTextFormat() == ttfHtml) {
        AnsiString all;
        for (std::size_t i = 0; i < FText.size(); ++i) {
            if (i > 0) all += '\r';
            all += FText[i];
        }
        const int y = FOnTop ? B.Top + F : B.Bottom - H - F;
        canvas->TextOut(B.Left + W / 2, y, all, true);
    } else {
        const int centre = (B.Left + B.Right) / 2;
        for (int i = 0; i < L; ++i) {
            const AnsiString& s = FText[static_cast<std::size_t>(i)];
            const int y = FOnTop ? B.Top + i * H + F : B.Bottom - H - (i * H + F);
            int x;
            switch (FAlignment) {
                case taLeftJustify: x = B.Left + W / 2; break;
                case taRightJustify: x = B.Right - canvas->TextWidth(s) - W / 2; break;
                default: x = centre - canvas->TextWidth(s) / 2;
            }
            canvas->TextOut(x, y, s);
        }
    }

    if (!custom) {
        int G = TeeTitleFootDistance + F;
        if (!GetTransparent()) G += GetShadow()->GetVertSize();
        if (FOnTop)
            panel->ChartRect.Top = B.Bottom + G;
        else
            panel->ChartRect.Bottom = B.Bottom - G - L * H;
    }
}
