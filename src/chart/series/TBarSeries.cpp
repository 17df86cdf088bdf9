#include "chart/series/TBarSeries.h"

#include <algorithm>
#include <array>
#include <utility>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBlend.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProcs.h"

namespace {

bool IsBoxStyle(TBarStyle style)
{
    return style == bsRectangle || style == bsRectGradient || style == bsBevel;
}

bool IsStackedArrangement(TMultiBar m)
{
    return m == mbStacked || m == mbStacked100 || m == mbSelfStack;
}

// Keeps TeeNumCylinderSides for one drawing call.
class CylinderSidesScope {
public:
    explicit CylinderSidesScope(int sides) : FOld(TeeNumCylinderSides) { TeeNumCylinderSides = sides; }
    ~CylinderSidesScope() { TeeNumCylinderSides = FOld; }
    CylinderSidesScope(const CylinderSidesScope&) = delete;
    CylinderSidesScope& operator=(const CylinderSidesScope&) = delete;

private:
    int FOld;
};

}  // namespace

// ================================================================ vertical bars

TBarSeries::TBarSeries(QObject* owner) : TCustomBarSeries(owner)
{
    FGradient->SetDirection(gdTopBottom);
    YValues()->SetName(TeeMsg_ValuesBar);
}

int TBarSeries::CalcXPos(int valueIndex) const
{
    return BarAxisPos(valueIndex, TChartSeries::CalcXPos(valueIndex));
}

int TBarSeries::CalcYPos(int valueIndex) const
{
    if (!IsStackedArrangement(FMultiBar)) return TChartSeries::CalcYPos(valueIndex);
    return StackedValuePos(valueIndex);
}

int TBarSeries::GetOriginPos(int valueIndex) const
{
    return InternalGetOriginPos(valueIndex, FGetVertAxis ? FGetVertAxis->EndPos : 0);
}

void TBarSeries::CalcBarBounds(int valueIndex)
{
    BarRect.Left = CalcXPos(valueIndex);
    const bool inverted = FGetHorizAxis && FGetHorizAxis->GetInverted();
    if (FBarWidthPercent == 100 && FCustomBarSize == 0 && !inverted && valueIndex < Count() - 1)
        BarRect.Right = CalcXPos(valueIndex + 1);
    else if (FBarWidthPercent == 100 && FCustomBarSize == 0 && inverted && valueIndex > 0)
        BarRect.Right = CalcXPos(valueIndex - 1);
    else
        BarRect.Right = BarRect.Left + BarSize + 1;
    BarRect.Top = CalcYPos(valueIndex);
    BarRect.Bottom = GetOriginPos(valueIndex);
    if (!FPen->GetVisible()) {
        if (BarRect.Bottom > BarRect.Top)
            ++BarRect.Bottom;
        else
            ++BarRect.Top;
        ++BarRect.Right;
    }
}

void TBarSeries::DrawValue(int valueIndex)
{
    TCustomBarSeries::DrawValue(valueIndex);
    BarColor = GetValueColor(valueIndex);
    if (BarColor == clNone) return;
    CalcBarBounds(valueIndex);
    TTeeBlend* blend = FTransparency > 0 ? CreateBlend() : nullptr;
    DrawBar(valueIndex, std::min(BarRect.Top, BarRect.Bottom), std::max(BarRect.Top, BarRect.Bottom));
    if (blend)
        if (TCanvas3D* canvas = Canvas()) canvas->EndBlending(blend);
}

void TBarSeries::DrawBar(int valueIndex, int startPos, int endPos)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    SetPenBrushBar(BarColor);
    const TBarStyle style = GetBarStyle(valueIndex);
    const TRect r = BarRect;
    const int mid = (r.Left + r.Right) / 2;
    const int width = r.Right - r.Left;
    const int midPos = (startPos + endPos) / 2;
    const std::array<TPoint, 4> diamond = {TPoint(mid, startPos), TPoint(r.Right, midPos), TPoint(mid, endPos),
                                           TPoint(r.Left, midPos)};
    if (Is3D()) {
        switch (style) {
            case bsPyramid: canvas->Pyramid(true, r.Left, startPos, r.Right, endPos, StartZ, EndZ, FDark3D); break;
            case bsInvPyramid: canvas->Pyramid(true, r.Left, endPos, r.Right, startPos, StartZ, EndZ, FDark3D); break;
            case bsCilinder: canvas->Cylinder(true, r.Left, r.Top, r.Right, r.Bottom, StartZ, EndZ, FDark3D); break;
            case bsEllipse: canvas->EllipseWithZ(r.Left, r.Top, r.Right, r.Bottom, MiddleZ); break;
            case bsArrow:
                canvas->Arrow(true, TPoint(mid, endPos), TPoint(mid, startPos), width, width / 2, MiddleZ);
                break;
            case bsInvArrow:
                canvas->Arrow(true, TPoint(mid, startPos), TPoint(mid, endPos), width, width / 2, MiddleZ);
                break;
            case bsCone:
                canvas->Cone(true, r.Left, startPos, r.Right, endPos, StartZ, EndZ, FDark3D, FConePercent);
                break;
            case bsInvCone:
                canvas->Cone(true, r.Left, endPos, r.Right, startPos, StartZ, EndZ, FDark3D, FConePercent);
                break;
            case bsSlantCube: {
                const CylinderSidesScope sides(4);
                canvas->Cylinder(true, r.Left, r.Top, r.Right, r.Bottom, StartZ, EndZ, FDark3D);
                break;
            }
            case bsDiamond: canvas->PolygonWithZ(diamond, MiddleZ); break;
            default: canvas->Cube(r.Left, r.Right, startPos, endPos, StartZ, EndZ, FDark3D); break;
        }
    } else {
        switch (style) {
            case bsPyramid:
            case bsCone: {
                const TPoint t[3] = {TPoint(r.Left, endPos), TPoint(mid, startPos), TPoint(r.Right, endPos)};
                canvas->Polygon(t);
                break;
            }
            case bsInvPyramid:
            case bsInvCone: {
                const TPoint t[3] = {TPoint(r.Left, startPos), TPoint(mid, endPos), TPoint(r.Right, startPos)};
                canvas->Polygon(t);
                break;
            }
            case bsEllipse: canvas->Ellipse(r.Left, r.Top, r.Right, r.Bottom); break;
            case bsArrow:
                canvas->Arrow(true, TPoint(mid, endPos), TPoint(mid, startPos), width, width / 2, MiddleZ);
                break;
            case bsInvArrow:
                canvas->Arrow(true, TPoint(mid, startPos), TPoint(mid, endPos), width, width / 2, MiddleZ);
                break;
            case bsSlantCube:
                BarRectangle(BarColor, r.Left, r.Top, r.Right, r.Bottom);
                canvas->DoVertLine(mid, r.Top, r.Bottom);
                break;
            case bsDiamond: canvas->Polygon(diamond); break;
            default: BarRectangle(BarColor, r.Left, r.Top, r.Right, r.Bottom); break;
        }
    }
    if (style == bsRectGradient) BarGradient(valueIndex, TRect(r.Left, startPos, r.Right, endPos));
    if (style == bsBevel) DrawBevel();
    DrawTickLines(startPos, endPos, style);
}

void TBarSeries::DrawTickLine(int y, TBarStyle style)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    const TRect r = BarRect;
    if (style == bsArrow) {
        const int q = (r.Right - r.Left) / 4;
        canvas->HorizLine3D(r.Left + q, r.Right - q, y, MiddleZ);
        return;
    }
    if (!IsBoxStyle(style)) return;
    canvas->HorizLine3D(r.Left, r.Right, y, StartZ);
    if (!Is3D()) return;
    auto faceHidden = [&](int x) {
        return TeeCull(canvas->Calculate3DPosition(x, r.Bottom, StartZ), canvas->Calculate3DPosition(x, r.Bottom, EndZ),
                       canvas->Calculate3DPosition(x, r.Top, EndZ));
    };
    if (!faceHidden(r.Right))
        canvas->ZLine3D(r.Right, y, StartZ, EndZ);
    else if (faceHidden(r.Left))
        canvas->ZLine3D(r.Left, y, StartZ, EndZ);
}

void TBarSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    const int half = BarSize / 2;
    TMarksCallout* callout = Marks()->GetCallout();
    int d = callout->GetLength() + callout->GetDistance();
    if (GetOriginPos(valueIndex) >= position.ArrowFrom.Y) {
        position.ArrowFrom.Y -= callout->GetDistance();
    } else {
        d = -d - position.Height;
        position.ArrowFrom.Y += callout->GetDistance();
    }
    position.LeftTop.X += half;
    position.LeftTop.Y -= d;
    position.ArrowTo.X += half;
    position.ArrowTo.Y -= d;
    position.ArrowFrom.X += half;
    if (FAutoMarkPosition) Marks()->AntiOverlap(FirstValueIndex, valueIndex, position);
    TCustomBarSeries::DrawMark(valueIndex, text, position);
}

int TBarSeries::InternalCalcMarkLength(int)
{
    TCanvas3D* canvas = Canvas();
    return canvas ? canvas->GetFontHeight() : 0;
}

void TBarSeries::CalcHorizMargins(int& leftMargin, int& rightMargin)
{
    TCustomBarSeries::CalcHorizMargins(leftMargin, rightMargin);
    InternalApplyBarMargin(leftMargin, rightMargin);
}

void TBarSeries::CalcVerticalMargins(int& topMargin, int& bottomMargin)
{
    TCustomBarSeries::CalcVerticalMargins(topMargin, bottomMargin);
    int length = CalcMarkLength(0);
    if (length <= 0) return;
    ++length;
    const bool inverted = FGetVertAxis && FGetVertAxis->GetInverted();
    if (FUseYOrigin && YValues()->MinValue() < FYOrigin) (inverted ? topMargin : bottomMargin) += length;
    if (!(FUseYOrigin && YValues()->MaxValue() <= FYOrigin)) (inverted ? bottomMargin : topMargin) += length;
}

double TBarSeries::MaxYValue()
{
    return MaxMandatoryValue(TCustomBarSeries::MaxYValue());
}
double TBarSeries::MinYValue()
{
    return MinMandatoryValue(TCustomBarSeries::MinYValue());
}

double TBarSeries::MaxXValue()
{
    if (FMultiBar == mbSideAll) return PointsBefore + Count() - 1;
    if (FMultiBar == mbSelfStack) return MinXValue();
    return TCustomBarSeries::MaxXValue();
}

double TBarSeries::MinXValue()
{
    if (FMultiBar == mbSelfStack) return SeriesIndexInChart();
    return TCustomBarSeries::MinXValue();
}

bool TBarSeries::DrawSeriesForward(int valueIndex) const
{
    const bool inverted = FGetVertAxis && FGetVertAxis->GetInverted();
    switch (FMultiBar) {
        case mbStacked:
        case mbSelfStack: return (GetyValue(valueIndex) >= FYOrigin) != inverted;
        case mbStacked100: return !inverted;
        default: return TCustomBarSeries::DrawSeriesForward(valueIndex);
    }
}

bool TBarSeries::MoreSameZOrder() const
{
    return FMultiBar == mbSideAll ? false : TCustomBarSeries::MoreSameZOrder();
}

bool TBarSeries::InternalClicked(int valueIndex, const TPoint& p)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return false;
    const int x = CalcXPos(valueIndex);
    int y = CalcYPos(valueIndex);
    int o = GetOriginPos(valueIndex);
    if (o < y) std::swap(o, y);
    const bool in3D = Is3D();
    if (!in3D && (p.X < x || p.X > x + BarSize)) return false;
    auto triangle = [&](int apexY, int baseY) {
        TPoint t[3] = {TPoint(x + BarSize / 2, apexY), TPoint(x, baseY), TPoint(x + BarSize, baseY)};
        if (in3D) {
            t[0] = canvas->Calculate3DPosition(t[0], MiddleZ);
            t[1] = canvas->Calculate3DPosition(t[1], StartZ);
            t[2] = canvas->Calculate3DPosition(t[2], StartZ);
        }
        return PointInPolygon(p, t);
    };
    switch (FBarStyle) {
        case bsPyramid:
        case bsCone: return triangle(y, o);
        case bsInvPyramid:
        case bsInvCone: return triangle(o, y);
        default: break;
    }
    TPoint q = p;
    if (in3D) {
        canvas->Calculate2DPosition(q.X, q.Y, StartZ);
        if (q.X < x || q.X > x + BarSize) return false;
    }
    if (FBarStyle == bsEllipse) return PointInEllipse(q, x, y, x + BarSize, o);
    return q.Y >= y && q.Y <= o;
}

// ================================================================ horizontal bars

THorizBarSeries::THorizBarSeries(QObject* owner) : TCustomBarSeries(owner)
{
    SetHorizontal();
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
    FGradient->SetDirection(gdLeftRight);
    XValues()->SetName(TeeMsg_ValuesBar);
}

int THorizBarSeries::CalcYPos(int valueIndex) const
{
    return BarAxisPos(valueIndex, TChartSeries::CalcYPos(valueIndex));
}

int THorizBarSeries::CalcXPos(int valueIndex) const
{
    if (!IsStackedArrangement(FMultiBar)) return TChartSeries::CalcXPos(valueIndex);
    return StackedValuePos(valueIndex);
}

int THorizBarSeries::GetOriginPos(int valueIndex) const
{
    return InternalGetOriginPos(valueIndex, FGetHorizAxis ? FGetHorizAxis->StartPos : 0);
}

void THorizBarSeries::DrawValue(int valueIndex)
{
    TCustomBarSeries::DrawValue(valueIndex);
    BarColor = GetValueColor(valueIndex);
    if (BarColor == clNone) return;
    BarRect.Top = CalcYPos(valueIndex);
    const bool inverted = FGetVertAxis && FGetVertAxis->GetInverted();
    if (FBarWidthPercent == 100 && FCustomBarSize == 0 && inverted && valueIndex < Count() - 1)
        BarRect.Bottom = CalcYPos(valueIndex + 1);
    else if (FBarWidthPercent == 100 && FCustomBarSize == 0 && !inverted && valueIndex > 0)
        BarRect.Bottom = CalcYPos(valueIndex - 1);
    else
        BarRect.Bottom = BarRect.Top + BarSize + 1;
    BarRect.Right = CalcXPos(valueIndex);
    BarRect.Left = GetOriginPos(valueIndex);
    if (!FPen->GetVisible()) {
        if (BarRect.Right > BarRect.Left) {
            ++BarRect.Right;
        } else {
            ++BarRect.Left;
            --BarRect.Right;
        }
        ++BarRect.Bottom;
    }
    TTeeBlend* blend = FTransparency > 0 ? CreateBlend() : nullptr;
    DrawBar(valueIndex, std::min(BarRect.Left, BarRect.Right), std::max(BarRect.Left, BarRect.Right));
    if (blend)
        if (TCanvas3D* canvas = Canvas()) canvas->EndBlending(blend);
}

void THorizBarSeries::DrawBar(int valueIndex, int startPos, int endPos)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    SetPenBrushBar(BarColor);
    const TBarStyle style = GetBarStyle(valueIndex);
    const TRect r = BarRect;
    const int mid = (r.Top + r.Bottom) / 2;
    const int height = r.Bottom - r.Top;
    const int midPos = (startPos + endPos) / 2;
    const std::array<TPoint, 4> diamond = {TPoint(startPos, mid), TPoint(midPos, r.Top), TPoint(endPos, mid),
                                           TPoint(midPos, r.Bottom)};
    if (Is3D()) {
        switch (style) {
            case bsPyramid: canvas->Pyramid(false, startPos, r.Top, endPos, r.Bottom, StartZ, EndZ, FDark3D); break;
            case bsInvPyramid: canvas->Pyramid(false, endPos, r.Top, startPos, r.Bottom, StartZ, EndZ, FDark3D); break;
            case bsCilinder: canvas->Cylinder(false, r.Left, r.Top, r.Right, r.Bottom, StartZ, EndZ, FDark3D); break;
            case bsEllipse: canvas->EllipseWithZ(r.Left, r.Top, r.Right, r.Bottom, MiddleZ); break;
            case bsArrow:
                canvas->Arrow(true, TPoint(startPos, mid), TPoint(endPos, mid), height, height / 2, MiddleZ);
                break;
            case bsInvArrow:
                canvas->Arrow(true, TPoint(endPos, mid), TPoint(startPos, mid), height, height / 2, MiddleZ);
                break;
            case bsCone:
                canvas->Cone(false, startPos, r.Top, endPos, r.Bottom, StartZ, EndZ, FDark3D, FConePercent);
                break;
            case bsInvCone:
                canvas->Cone(false, endPos, r.Top, startPos, r.Bottom, StartZ, EndZ, FDark3D, FConePercent);
                break;
            case bsSlantCube: {
                const CylinderSidesScope sides(4);
                canvas->Cylinder(false, r.Left, r.Top, r.Right, r.Bottom, StartZ, EndZ, FDark3D);
                break;
            }
            case bsDiamond: canvas->PolygonWithZ(diamond, MiddleZ); break;
            default: canvas->Cube(startPos, endPos, r.Top, r.Bottom, StartZ, EndZ, FDark3D); break;
        }
    } else {
        switch (style) {
            case bsPyramid:
            case bsInvPyramid:
            case bsCone:
            case bsInvCone: {
                const TPoint t[3] = {TPoint(startPos, r.Top), TPoint(endPos, mid), TPoint(startPos, r.Bottom)};
                canvas->Polygon(t);
                break;
            }
            case bsEllipse: canvas->Ellipse(r.Left, r.Top, r.Right, r.Bottom); break;
            case bsArrow:
                canvas->Arrow(true, TPoint(startPos, mid), TPoint(endPos, mid), height, height / 2, MiddleZ);
                break;
            case bsInvArrow:
                canvas->Arrow(true, TPoint(endPos, mid), TPoint(startPos, mid), height, height / 2, MiddleZ);
                break;
            case bsSlantCube:
                BarRectangle(BarColor, r.Left, r.Top, r.Right, r.Bottom);
                canvas->DoHorizLine(r.Left, r.Right, mid);
                break;
            case bsDiamond: canvas->Polygon(diamond); break;
            default: BarRectangle(BarColor, r.Left, r.Top, r.Right, r.Bottom); break;
        }
    }
    if (style == bsRectGradient) BarGradient(valueIndex, TRect(startPos, r.Top, endPos, r.Bottom));
    if (style == bsBevel) DrawBevel();
    DrawTickLines(startPos, endPos, style);
}

void THorizBarSeries::DrawTickLine(int x, TBarStyle style)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    const TRect r = BarRect;
    if (style == bsArrow) {
        const int q = (r.Bottom - r.Top) / 4;
        canvas->VertLine3D(x, r.Top + q, r.Bottom - q, MiddleZ);
        return;
    }
    if (!IsBoxStyle(style)) return;
    canvas->VertLine3D(x, r.Top, r.Bottom, StartZ);
    if (!Is3D()) return;
    auto faceHidden = [&](int y) {
        return TeeCull(canvas->Calculate3DPosition(r.Right, y, StartZ), canvas->Calculate3DPosition(r.Right, y, EndZ),
                       canvas->Calculate3DPosition(r.Left, y, EndZ));
    };
    if (!faceHidden(r.Top))
        canvas->ZLine3D(x, r.Top, StartZ, EndZ);
    else if (faceHidden(r.Bottom))
        canvas->ZLine3D(x, r.Bottom, StartZ, EndZ);
}

void THorizBarSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    const int half = BarSize / 2;
    TMarksCallout* callout = Marks()->GetCallout();
    int d = callout->GetLength() + callout->GetDistance();
    const bool pointsLeft = GetOriginPos(valueIndex) > position.ArrowFrom.X;
    if (pointsLeft) d = -d - position.Width;
    position.LeftTop.X += position.Width / 2 + d;
    position.LeftTop.Y += position.Height / 2 + half;
    position.ArrowTo.X += d;
    position.ArrowTo.Y += half;
    position.ArrowFrom.Y += half;
    position.ArrowFrom.X += pointsLeft ? -callout->GetDistance() : callout->GetDistance();
    TCustomBarSeries::DrawMark(valueIndex, text, position);
}

int THorizBarSeries::InternalCalcMarkLength(int valueIndex)
{
    if (valueIndex == -1) return MaxMarkWidth();
    TCanvas3D* canvas = Canvas();
    return canvas ? canvas->TextWidth(GetMarkText(valueIndex)) : 0;
}

void THorizBarSeries::CalcVerticalMargins(int& topMargin, int& bottomMargin)
{
    TCustomBarSeries::CalcVerticalMargins(topMargin, bottomMargin);
    InternalApplyBarMargin(topMargin, bottomMargin);
}

void THorizBarSeries::CalcHorizMargins(int& leftMargin, int& rightMargin)
{
    TCustomBarSeries::CalcHorizMargins(leftMargin, rightMargin);
    int length = CalcMarkLength(-1);
    if (length >= 1) ++length;
    const bool inverted = FGetHorizAxis && FGetHorizAxis->GetInverted();
    if (FUseYOrigin && XValues()->MinValue() < FYOrigin) leftMargin += length;
    if (!(FUseYOrigin && XValues()->MaxValue() <= FYOrigin)) (inverted ? leftMargin : rightMargin) += length;
}

double THorizBarSeries::MaxXValue()
{
    return MaxMandatoryValue(TCustomBarSeries::MaxXValue());
}
double THorizBarSeries::MinXValue()
{
    return MinMandatoryValue(TCustomBarSeries::MinXValue());
}

double THorizBarSeries::MaxYValue()
{
    if (FMultiBar == mbSideAll) return PointsBefore + Count() - 1;
    if (FMultiBar == mbSelfStack) return MinYValue();
    return TCustomBarSeries::MaxYValue();
}

double THorizBarSeries::MinYValue()
{
    if (FMultiBar == mbSelfStack) return SeriesIndexInChart();
    return TCustomBarSeries::MinYValue();
}

bool THorizBarSeries::DrawSeriesForward(int valueIndex) const
{
    const bool inverted = FGetHorizAxis && FGetHorizAxis->GetInverted();
    switch (FMultiBar) {
        case mbNone: return TCustomBarSeries::DrawSeriesForward(valueIndex);
        case mbSide:
        case mbSideAll: return false;
        case mbStacked:
        case mbSelfStack: return (FMandatory->Value(valueIndex) >= 0) != inverted;
        case mbStacked100: return !inverted;
    }
    return false;
}

bool THorizBarSeries::InternalClicked(int valueIndex, const TPoint& p)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return false;
    const int y = CalcYPos(valueIndex);
    int x = CalcXPos(valueIndex);
    int o = GetOriginPos(valueIndex);
    if (o < x) std::swap(o, x);
    // Now x is the left and o the right end of the bar.
    const bool in3D = Is3D();
    if (!in3D && (p.Y < y || p.Y > y + BarSize)) return false;
    auto triangle = [&](int apexX, int baseX) {
        TPoint t[3] = {TPoint(apexX, y + BarSize / 2), TPoint(baseX, y), TPoint(baseX, y + BarSize)};
        if (in3D) {
            t[0] = canvas->Calculate3DPosition(t[0], MiddleZ);
            t[1] = canvas->Calculate3DPosition(t[1], StartZ);
            t[2] = canvas->Calculate3DPosition(t[2], StartZ);
        }
        return PointInPolygon(p, t);
    };
    switch (FBarStyle) {
        case bsPyramid:
        case bsCone: return triangle(o, x);
        case bsInvPyramid:
        case bsInvCone: return triangle(x, o);
        default: break;
    }
    TPoint q = p;
    if (in3D) {
        canvas->Calculate2DPosition(q.X, q.Y, StartZ);
        if (q.Y < y || q.Y > y + BarSize) return false;
    }
    if (FBarStyle == bsEllipse) return PointInEllipse(q, x, y, o, y + BarSize);
    return q.X >= x && q.X <= o;
}
