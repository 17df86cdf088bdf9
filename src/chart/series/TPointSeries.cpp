#include "chart/series/TPointSeries.h"

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeeConst.h"

TPointSeries::TPointSeries(QObject* owner) : TCustomSeries(owner)
{
    SetFixedSettings();
}

void TPointSeries::SetFixedSettings()
{
    FPointer->SetVisible(true);
    FSettings.DrawArea = false;
    FSettings.DrawLine = false;
    FSettings.ClickableLine = false;
    Marks()->GetCallout()->SetLength(0);
}

void TPointSeries::Assign(const TCustomChartElement& source)
{
    TCustomSeries::Assign(source);
    SetFixedSettings();
}

void TPointSeries::PrepareForGallery(bool enabled)
{
    TCustomSeries::PrepareForGallery(enabled);
    ISeriesHost* host = SeriesHost();
    const int size = host && host->GetChartWidth() < 50 ? 4 : 6;
    FPointer->SetHorizSize(size);
    FPointer->SetVertSize(size);
    if (FParentChart) {
        TChartSeriesList* list = FParentChart->SeriesList();
        if (list && list->Count() > 1 && (*list)[1] == this) FPointer->SetStyle(psTriangle);
    }
}

void TPointSeries::SetColorEachPoint(bool value)
{
    TCustomSeries::SetColorEachPoint(value);
    if (value) FPointer->SetColor(clDefault);
}

void TPointSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustomSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text : {&TeeMsg_Colors, &TeeMsg_Marks, &TeeMsg_Hollow, &TeeMsg_NoBorder, &TeeMsg_Gradient})
        AddSubChart(*text);
    if (!CanDoExtra()) return;
    for (const AnsiString* text : {&TeeMsg_Point2D, &TeeMsg_Triangle, &TeeMsg_Star, &TeeMsg_Circle, &TeeMsg_DownTri,
                                   &TeeMsg_Cross, &TeeMsg_Diamond})
        AddSubChart(*text);
}

void TPointSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TPointSeries*>(series);
    if (!s) return;
    TSeriesPointer* p = s->GetPointer();
    switch (index) {
        case 1: s->SetColorEachPoint(true); return;
        case 2: s->Marks()->SetVisible(true); return;
        case 3: p->GetBrush()->SetStyle(bsClear); return;
        case 4: p->GetPen()->Hide(); return;
        case 5: p->GetGradient()->SetVisible(true); return;
        default: break;
    }
    if (!CanDoExtra()) return;
    switch (index) {
        case 6: p->SetDraw3D(false); break;
        case 7: p->SetStyle(psTriangle); break;
        case 8: p->SetStyle(psStar); break;
        case 9:
            p->SetStyle(psCircle);
            p->SetHorizSize(8);
            p->SetVertSize(8);
            break;
        case 10: p->SetStyle(psDownTriangle); break;
        case 11: p->SetStyle(psCross); break;
        case 12: p->SetStyle(psDiamond); break;
        default: break;
    }
}
