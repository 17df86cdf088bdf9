#include "chart/series/TBarSeries.h"

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"

// ================================================================ vertical bars

TBarSeries::TBarSeries(QObject* owner) : TCustomBarSeries(owner)
{
    FGradient->SetDirection(gdTopBottom);
    YValues()->SetName(TeeMsg_ValuesBar);
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
    // Only vertical bars move their marks apart; horizontal bars' marks stay where they are.
    if (FSettings.AutoMarkPosition) Marks()->AntiOverlap(FirstValueIndex, valueIndex, position);
    TCustomBarSeries::DrawMark(valueIndex, text, position);
}

int TBarSeries::InternalCalcMarkLength(int)
{
    TCanvas3D* canvas = Canvas();
    return canvas ? canvas->GetFontHeight() : 0;
}

// Side-by-side bars over all series share one depth row; horizontal bars never claimed
// that and keep the inherited rule.
bool TBarSeries::MoreSameZOrder() const
{
    return FSettings.MultiBar == mbSideAll ? false : TCustomBarSeries::MoreSameZOrder();
}

// ================================================================ horizontal bars

THorizBarSeries::THorizBarSeries(QObject* owner) : TCustomBarSeries(owner)
{
    SetHorizontal();
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
    FGradient->SetDirection(gdLeftRight);
    XValues()->SetName(TeeMsg_ValuesBar);
    FQuirks.ReversedBarGrowsBothEnds = true;
    FQuirks.FlatShapesIgnoreInversion = true;
    FQuirks.BelowOriginMarginIgnoresInversion = true;
    FQuirks.MarginsTakeAnyMarkLength = true;
    FQuirks.StackOrderFromZero = true;
    FQuirks.SideBarsDrawnBackward = true;
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
