#include "chart/series/TAreaSeries.h"

#include <algorithm>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"

TAreaSeries::TAreaSeries(QObject* owner) : TCustomSeries(owner)
{
    FSettings.DrawArea = true;
    FSettings.DrawLine = true;
    SinglePointFunctions = false;
    FPointer->SetVisible(false);
}

void TAreaSeries::Assign(const TCustomChartElement& source)
{
    TCustomSeries::Assign(source);
    FSettings.DrawArea = true;
    FSettings.DrawLine = true;
    const QMetaObject* other = source.metaObject();
    if (!other->inherits(metaObject()) && !metaObject()->inherits(other)) {
        FPointer->SetVisible(false);
        return;
    }
    if (auto* area = dynamic_cast<const TAreaSeries*>(&source)) {
        FUseYOrigin = area->FUseYOrigin;
        FYOrigin = area->FYOrigin;
    }
}

int TAreaSeries::GetOriginPos(int valueIndex)
{
    if (FUseYOrigin) return CalcPosValue(FYOrigin);
    return TCustomSeries::GetOriginPos(valueIndex);
}

double TAreaSeries::OriginLimit(bool valueAxis, bool isMax, double plain) const
{
    if (!valueAxis || !FUseYOrigin) return plain;
    return isMax ? std::max(plain, FYOrigin) : std::min(plain, FYOrigin);
}

double TAreaSeries::MaxXValue()
{
    return OriginLimit(!FYMandatory, true, TCustomSeries::MaxXValue());
}

double TAreaSeries::MinXValue()
{
    return OriginLimit(!FYMandatory, false, TCustomSeries::MinXValue());
}

double TAreaSeries::MaxYValue()
{
    return OriginLimit(FYMandatory, true, TCustomSeries::MaxYValue());
}

double TAreaSeries::MinYValue()
{
    return OriginLimit(FYMandatory, false, TCustomSeries::MinYValue());
}

bool TAreaSeries::DrawSeriesForward(int valueIndex) const
{
    if (GetMultiArea() != maNone) {
        TChartAxis* axis = MandatoryAxis();
        return !(axis && axis->GetInverted());
    }
    return TCustomSeries::DrawSeriesForward(valueIndex);
}

TMultiArea TAreaSeries::GetMultiArea() const
{
    switch (FSettings.Stacked) {
        case cssStack: return maStacked;
        case cssStack100: return maStacked100;
        default: return maNone;
    }
}

void TAreaSeries::SetMultiArea(TMultiArea value)
{
    if (value == GetMultiArea()) return;
    SetStacked(value == maStacked ? cssStack : value == maStacked100 ? cssStack100 : cssNone);
}

void TAreaSeries::PrepareLegendCanvas(int, TColor&, TBrushStyle& brushStyle)
{
    if (TCanvas3D* canvas = Canvas()) {
        canvas->Brush->SetColor(GetAreaBrushColor(canvas->Brush->GetColor()));
        canvas->AssignVisiblePen(FAreaLinesPen);
    }
    brushStyle = FAreaBrush->GetStyle();
}

void TAreaSeries::DrawLegendShape(int valueIndex, const TRect& rect)
{
    TCanvas3D* canvas = Canvas();
    if (!canvas) return;
    if (FGradient->GetVisible()) {
        FGradient->Draw(canvas, rect);
        return;
    }
    if (TPicture* image = FAreaBrush->StoredImage(); image && image->GetGraphic()) {
        const TColor item = valueIndex == -1 ? GetSeriesColor() : LegendItemColor(valueIndex);
        const TColor brushColor = FAreaBrush->GetColor() == clDefault ? item : FAreaBrush->GetColor();
        const TColor areaColor = GetAreaBrushColor(item);
        canvas->AssignBrushColor(FAreaBrush, brushColor, areaColor == brushColor ? clWhite : areaColor);
    }
    TCustomSeries::DrawLegendShape(valueIndex, rect);
}

void TAreaSeries::PrepareForGallery(bool enabled)
{
    TCustomSeries::PrepareForGallery(enabled);
    FGradient->SetVisible(true);
    FGradient->SetEndColor(GetSeriesColor());
}

void TAreaSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustomSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text : {&TeeMsg_Stairs, &TeeMsg_Marks, &TeeMsg_Colors, &TeeMsg_Hollow, &TeeMsg_NoLines,
                                   &TeeMsg_Stack, &TeeMsg_Stack100, &TeeMsg_Points, &TeeMsg_Gradient})
        AddSubChart(*text);
}

void TAreaSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TAreaSeries*>(series);
    if (!s) return;
    switch (index) {
        case 1: s->SetStairs(true); break;
        case 2: s->Marks()->SetVisible(true); break;
        case 3: s->SetColorEachPoint(true); break;
        case 4: s->SetAreaBrush(bsClear); break;
        case 5: s->GetAreaLinesPen()->Hide(); break;
        case 6: s->SetMultiArea(maStacked); break;
        case 7: s->SetMultiArea(maStacked100); break;
        case 8: s->GetPointer()->SetVisible(true); break;
        case 9: s->GetGradient()->SetVisible(true); break;
        default: break;
    }
}

THorizAreaSeries::THorizAreaSeries(QObject* owner) : TAreaSeries(owner)
{
    SetHorizontal();
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
    FGradient->SetDirection(gdRightLeft);
}

void THorizAreaSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    // The arrow runs horizontally to a mark right of the point.
    TMarksCallout* callout = Marks()->GetCallout();
    const int length = callout->GetLength() + callout->GetDistance();
    position.LeftTop.X += position.Width / 2 + length;
    position.LeftTop.Y = position.ArrowTo.Y - position.Height / 2;
    position.ArrowTo.X += length;
    position.ArrowFrom.Y = position.ArrowTo.Y;
    position.ArrowFrom.X += callout->GetDistance();
    TAreaSeries::DrawMark(valueIndex, text, position);
}
