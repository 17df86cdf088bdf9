// Canvas operations whose drawing comes with the text, clipping, solid, round-shape,
// gradient and shadow code. Until that code is in place each raises ECanvasNotBuilt, so a
// missing drawing is never mistaken for an empty one. Each group moves to its own file.
#include "chart/engine/TeCanvas.h"

namespace {
[[noreturn]] void NotBuilt(const char* operation) {
    throw ECanvasNotBuilt(std::string("Canvas operation not available yet: ") + operation);
}
}  // namespace

// ---- text and clipping

void TTeeCanvas3D::TextOut(int X, int Y, const AnsiString& Text) {
    // Plain text in the device font's colour; shadows, outlines and gradients of the chart
    // font belong to the text code.
    if (CurrentFont) {
        const TTeeShadow* shadow = CurrentFont->StoredShadow();
        if (shadow && (shadow->GetHorizSize() != 0 || shadow->GetVertSize() != 0)) NotBuilt("TextOut with shadow");
        const TChartHiddenPen* outline = CurrentFont->StoredOutLine();
        const TTeeFontGradient* gradient = CurrentFont->StoredGradient();
        if ((outline && outline->GetVisible()) || (gradient && gradient->GetVisible()))
            NotBuilt("TextOut with outline or gradient");
    }
    Canvas->SetTextColor(Font->GetColor());
    Canvas->TextOut(X, Y, Text);
}

void TTeeCanvas3D::TextOut3D(int, int, int, const AnsiString&) { NotBuilt("TextOut3D"); }
void TTeeCanvas3D::ClipRectangle(const TRect&) { NotBuilt("ClipRectangle"); }
void TTeeCanvas3D::UnClipRectangle() { NotBuilt("UnClipRectangle"); }
void TTeeCanvas3D::ClipCube(const TRect&, int, int) { NotBuilt("ClipCube"); }
void TTeeCanvas::ClipRectangle(const TRect&, int) { NotBuilt("ClipRectangle (rounded)"); }
void TTeeCanvas::ClipEllipse(const TRect&, bool) { NotBuilt("ClipEllipse"); }
void TTeeCanvas::ClipPolygon(TPoint*, int) { NotBuilt("ClipPolygon"); }
bool TTeeCanvas::ConvexHull(std::vector<TPoint>&) { NotBuilt("ConvexHull"); }

// ---- gradients

void TTeeCanvas3D::GradientFill(const TRect&, TColor, TColor, TGradientDirection, int) { NotBuilt("GradientFill"); }
void TCustomTeeGradient::Draw(TTeeCanvas*, const TRect&, int) { NotBuilt("TCustomTeeGradient::Draw"); }
void TCustomTeeGradient::Draw(TTeeCanvas*, const TPoint (&)[4]) { NotBuilt("TCustomTeeGradient::Draw"); }
void TCustomTeeGradient::Draw(TCanvas3D*, const TPoint (&)[4], int) { NotBuilt("TCustomTeeGradient::Draw"); }
void TCustomTeeGradient::Draw(TCanvas3D*, std::span<const TPoint>, int, bool) {
    NotBuilt("TCustomTeeGradient::Draw");
}
void TCustomTeeGradient::DrawRadial(TTeeCanvas*, const TRect&) { NotBuilt("TCustomTeeGradient::DrawRadial"); }

// ---- shadows

bool TTeeShadow::PrepareCanvas(TCanvas3D*, const TRect&, int) { NotBuilt("TTeeShadow::PrepareCanvas"); }
void TTeeShadow::Draw(TCanvas3D*, const TRect&, int) { NotBuilt("TTeeShadow::Draw"); }
void TTeeShadow::DrawEllipse(TCanvas3D*, const TRect&, int) { NotBuilt("TTeeShadow::DrawEllipse"); }
void TTeeShadow::FinishBlending(TCanvas3D*) { NotBuilt("TTeeShadow::FinishBlending"); }
