// Text of the chart canvas: the chart font's shadow, outline and gradient, and text at a
// 3D position with a zoomed font.
#include <algorithm>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeCanvasClip.h"
#include "chart/engine/TeeBlend.h"
#include "platform/Round.h"

namespace {

// The rectangle the text covers when written at (X, Y) with the current alignment.
TRect TextRectAt(TTeeCanvas* canvas, int X, int Y, const AnsiString& Text)
{
    const int w = canvas->TextWidth(Text);
    const int h = canvas->TextHeight(Text);
    int a = canvas->GetTextAlign();
    if (a >= int(TA_BOTTOM)) a -= int(TA_BOTTOM);
    if (a == int(TA_RIGHT)) return TRect(X - w, Y, X, Y + h);
    if (a == int(TA_CENTER)) return TRect(X - w / 2, Y, X + w / 2, Y + h);
    return TRect(X, Y, X + w, Y + h);
}

}  // namespace

void TTeeCanvas3D::TextOut(int X, int Y, const AnsiString& Text)
{
    TCanvas* dc = Canvas;
    if (!dc) return;

    TTeeShadow* shadow = CurrentFont ? CurrentFont->StoredShadow() : nullptr;
    if (shadow && (shadow->GetHorizSize() != 0 || shadow->GetVertSize() != 0) && shadow->GetColor() != clNone) {
        // A shadow up or to the left moves the text the other way, so the pair keeps its
        // place.
        int sx = X, sy = Y;
        if (shadow->GetHorizSize() >= 0)
            sx = X + shadow->GetHorizSize();
        else
            X -= shadow->GetHorizSize();
        if (shadow->GetVertSize() >= 0)
            sy = Y + shadow->GetVertSize();
        else
            Y -= shadow->GetVertSize();
        TTeeBlend* blend = nullptr;
        if (shadow->GetTransparency() > 0)
            blend = BeginBlending(TextRectAt(this, sx, sy, Text), shadow->GetTransparency());
        dc->SetTextColor(shadow->GetColor());
        dc->TextOut(sx, sy, Text);
        if (blend) EndBlending(blend);
    }

    dc->SetTextColor(Font->GetColor());
    if (!CurrentFont) {
        dc->TextOut(X, Y, Text);
        return;
    }
    TChartHiddenPen* outlinePen = CurrentFont->StoredOutLine();
    TTeeFontGradient* gradient = CurrentFont->StoredGradient();
    const bool outline = outlinePen && outlinePen->GetVisible();
    const bool filled = gradient && gradient->GetVisible();
    if (!outline && !filled) {
        dc->TextOut(X, Y, Text);
        return;
    }

    // The letters as a path: stroked by the outline pen, filled in the font's colour or
    // with the gradient.
    if (outline)
        AssignVisiblePen(outlinePen);
    else
        Pen->SetStyle(psClear);
    Brush->SetStyle(bsSolid);
    Brush->SetColor(Font->GetColor());
    SetBackMode(cbmTransparent);
    dc->BeginPath();
    dc->TextOut(X, Y, Text);
    dc->EndPath();

    if (filled) {
        if (gradient->GetOutline()) dc->WidenPath();
        // The letters become the clip; the clipping in force before is saved, so the
        // unclip returns to it rather than to none.
        ClipSaved = dc->GetClipRgn(SavedClipRegion) == 1;
        dc->SelectClipPath(RGN_AND);
        gradient->Draw(this, TextRectAt(this, X, Y, Text));
        UnClipRectangle();
        if (gradient->GetOutline()) return;
        if (outline) {
            dc->BeginPath();
            dc->TextOut(X, Y, Text);
            dc->EndPath();
            Brush->SetStyle(bsClear);
        }
    }
    if (outline) {
        // A font without colour gives hollow letters.
        if (CurrentFont->GetColor() != clNone)
            dc->StrokeAndFillPath();
        else
            dc->StrokePath();
    }
}

void TTeeCanvas3D::TextOut3D(int X, int Y, int Z, const AnsiString& Text)
{
    Calc3DPos(X, Y, Z);
    if (!Canvas || !ZoomText || ZoomFactor == 1.0) {
        TextOut(X, Y, Text);
        return;
    }
    const int size = Font->GetSize();
    const int n = std::max(Round(size * ZoomFactor), 1);
    if (n == size) {
        TextOut(X, Y, Text);
        return;
    }
    // A font of the zoomed size for this one output.
    TFont zoomed;
    zoomed.Assign(Font);
    zoomed.PixelsPerInch = Font->PixelsPerInch;
    zoomed.SetHeight(-Round(n * double(Font->PixelsPerInch) / 72.0));
    struct Selection {
        TCanvas* dc;
        ~Selection() { dc->SelectFont(nullptr); }
    } selection{Canvas};
    Canvas->SelectFont(&zoomed);
    TextOut(X, Y, Text);
}
