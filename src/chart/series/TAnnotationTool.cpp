#include "chart/series/TAnnotationTool.h"

#include <cstring>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeColorUtils.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"

// ---------------------------------------------------------------- shape

TTeeShapePosition::TTeeShapePosition(TCustomTeePanel* AOwner) : TTeeCustomShapePosition(AOwner) {}

bool TTeeShapePosition::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "CustomPosition") == 0) return GetCustomPosition() != DefaultCustomPosition;
    if (std::strcmp(Name, "Transparency") == 0) return GetTransparency() != DefaultTransparency;
    return TTeeCustomShapePosition::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- callout

TAnnotationCallout::TAnnotationCallout() : TCallout(nullptr)
{
    FVisible = false;
    GetArrow()->SetVisible(false);
    GetArrow()->SetDefaultVisible(false);
}

void TAnnotationCallout::SetPosition(int& variable, int value)
{
    if (StoreChanged(variable, value)) RepaintOwner();
}

void TAnnotationCallout::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TAnnotationCallout*>(Source)) {
        FPosition = s->FPosition;
    }
    TCallout::Assign(Source);
}

bool TAnnotationCallout::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Visible") == 0) return FVisible;
    return TCallout::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- annotation

namespace {

std::vector<AnsiString> SplitLines(const AnsiString& text)
{
    std::vector<AnsiString> lines(1);
    for (char ch : text) {
        if (ch == TeeLineSeparator)
            lines.emplace_back();
        else
            lines.back() += ch;
    }
    return lines;
}

// The point of R nearest to P: an edge when P lies beyond it, else the middle.
TPoint CloserPoint(const TRect& R, const TPoint& P)
{
    const int x = P.X > R.Right ? R.Right : P.X < R.Left ? R.Left : (R.Left + R.Right) / 2;
    const int y = P.Y > R.Bottom ? R.Bottom : P.Y < R.Top ? R.Top : (R.Top + R.Bottom) / 2;
    return TPoint(x, y);
}

}  // namespace

TAnnotationTool::TAnnotationTool(QObject* owner) : TTeeCustomTool(owner)
{
    FCallout = new TAnnotationCallout;
    FCallout->setParent(this);
    FShape = new TTeeShapePosition;
    FShape->setParent(this);
}

TAnnotationTool::~TAnnotationTool()
{
    delete FCallout;
    delete FShape;
}

AnsiString TAnnotationTool::Description() const
{
    return TeeMsg_AnnotationTool;
}

TCustomTeePanel* TAnnotationTool::Panel() const
{
    return teetools::Panel(FParentChart);
}

void TAnnotationTool::SetParentChart(IChartHost* value)
{
    TTeeCustomTool::SetParentChart(value);
    TCustomTeePanel* panel = teetools::Panel(value);
    FShape->SetParent(panel);
    FCallout->SetParent(panel);
    Repaint();
}

bool TAnnotationTool::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Width") == 0 || std::strcmp(Name, "Height") == 0) return !FAutoSize;
    return TTeeCustomTool::IsPropertyStored(Name);
}

void TAnnotationTool::SetPosition(TAnnotationPosition value)
{
    FPosition = value;
    FShape->SetCustomPosition(false);
    Repaint();
}

void TAnnotationTool::SetPositionUnits(TTeeUnits value)
{
    if (StoreChanged(FPositionUnits, value)) Repaint();
}

void TAnnotationTool::SetTextAlignment(TAlignment value)
{
    if (StoreChanged(FTextAlignment, value)) Repaint();
}

void TAnnotationTool::SetBoxSize(int width, int height)
{
    if (width == FShape->GetWidth() && height == FShape->GetHeight()) return;
    FAutoSize = false;
    FShape->SetWidth(width);
    FShape->SetHeight(height);
    Repaint();
}

void TAnnotationTool::GetBounds(int& NumLines, TRect& R, int& X, int& Y)
{
    AnsiString text = GetText();
    if (text.empty()) text = " ";
    IAxisHost* host = teetools::Host(FParentChart);
    TCustomTeePanel* panel = Panel();
    TCanvas3D* c = host ? host->GetCanvas() : nullptr;
    int W = 0, TH = 0;
    NumLines = TeeNumTextLines(text);
    if (c) {
        c->AssignFont(FShape->GetFont());
        const int H = c->GetFontHeight();
        if (!(FShape->GetCustomPosition() && !FAutoSize)) {
            W = host->MultiLineTextWidth(text, NumLines);
            TH = NumLines * H;
        }
    }
    const int chartWidth = panel ? panel->Width() : 0, chartHeight = panel ? panel->Height() : 0;
    if (FShape->GetCustomPosition()) {
        if (FPositionUnits == muPercent) {
            X = Round(FShape->GetLeft() * chartWidth * 0.01);
            Y = Round(FShape->GetTop() * chartHeight * 0.01);
        } else {
            X = FShape->GetLeft() + 4;
            Y = FShape->GetTop() + 2;
        }
    } else {
        const int xr = chartWidth - W - 8, yb = chartHeight - TH - 8;
        X = FPosition == ppLeftTop || FPosition == ppLeftBottom ? 10 : xr;
        Y = FPosition == ppLeftTop || FPosition == ppRightTop ? 10 : yb;
    }
    const int width = FAutoSize ? W + 6 : FShape->GetWidth();
    const int height = FAutoSize ? TH + 4 : FShape->GetHeight();
    R = TRect(X - 4, Y - 2, X - 4 + width, Y - 2 + height);
}

void TAnnotationTool::DrawText()
{
    TCanvas3D* c = teetools::Canvas(FParentChart);
    if (!c) return;
    const TRect old = FShape->ShapeBounds;
    int numLines, X, Y;
    TRect R;
    GetBounds(numLines, R, X, Y);
    FShape->ShapeBounds = R;
    if (FShape->GetVisible()) FShape->Draw();

    c->AssignFont(FShape->GetFont());
    // Every line is one font height below the last, also in a box of fixed size.
    const int H = c->GetFontHeight();
    c->SetBackMode(cbmTransparent);
    int x = X;
    switch (FTextAlignment) {
        case titleenums::taLeftJustify: c->SetTextAlign(TA_LEFT); break;
        case titleenums::taCenter:
            c->SetTextAlign(TA_CENTER);
            x = (R.Left + R.Right) / 2 + 2;
            break;
        case titleenums::taRightJustify:
            c->SetTextAlign(TA_RIGHT);
            x = R.Right - 2;
            break;
    }
    AnsiString text = GetText();
    if (text.empty()) text = " ";
    const std::vector<AnsiString> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) c->TextOut(x, Y + static_cast<int>(i) * H, lines[i]);
    c->SetTextAlign(TA_LEFT);

    if (FCallout->GetVisible() || FCallout->GetArrow()->GetVisible()) {
        const TPoint P(FCallout->GetXPosition(), FCallout->GetYPosition());
        TPoint Q = CloserPoint(R, P);
        if (FCallout->GetDistance() != 0) Q = PointAtDistance(P, Q, FCallout->GetDistance());
        // The pointer and an arrow head mark the point the callout points at.
        FCallout->Draw(clNone, P, Q, FCallout->GetZPosition());
    }
    if (FAutoSize)
        FShape->ShapeBounds = TRect(old.Left, old.Top, old.Left + (R.Right - R.Left), old.Top + (R.Bottom - R.Top));
    else
        FShape->ShapeBounds = old;
}

bool TAnnotationTool::Clicked(int X, int Y)
{
    int numLines, x, y;
    TRect R;
    GetBounds(numLines, R, x, y);
    return PointInRect(R, X, Y);
}

void TAnnotationTool::ChartEvent(TChartToolEvent event)
{
    if (event == cteAfterDraw) DrawText();
}

void TAnnotationTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y)
{
    if (event == cmeDown) {
        if (OnClick && Clicked(x, y)) OnClick(this, button, shift, x, y);
    } else if (event == cmeMove && FCursor != crDefault && Clicked(x, y)) {
        teetools::SetCursor(FParentChart, FCursor);
        teetools::SetMouseHandled(FParentChart, true);
    }
}
