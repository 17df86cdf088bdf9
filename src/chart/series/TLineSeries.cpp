#include "chart/series/TLineSeries.h"

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"

TLineSeries::TLineSeries(QObject* owner) : TCustomSeries(owner)
{
    FSettings.DrawLine = true;
    SinglePointFunctions = false;
    FPointer->SetVisible(false);
}

void TLineSeries::Assign(const TCustomChartElement& source)
{
    TCustomSeries::Assign(source);
    if (!source.metaObject()->inherits(metaObject())) FPointer->SetVisible(false);
    FSettings.DrawArea = false;
    FSettings.DrawLine = true;
}

void TLineSeries::PrepareLegendCanvas(int, TColor&, TBrushStyle& brushStyle)
{
    if (TCanvas3D* canvas = Canvas()) canvas->AssignVisiblePen(GetLinePen());
    brushStyle = GetLineBrush();
}

void TLineSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustomSeries::CreateSubGallery(AddSubChart);
    for (const AnsiString* text : {&TeeMsg_Stairs, &TeeMsg_Points, &TeeMsg_Height, &TeeMsg_Hollow, &TeeMsg_Colors,
                                   &TeeMsg_Marks, &TeeMsg_NoBorder, &TeeMsg_Outline})
        AddSubChart(*text);
}

void TLineSeries::SetSubGallery(TChartSeries* series, int index)
{
    auto* s = qobject_cast<TLineSeries*>(series);
    if (!s) return;
    switch (index) {
        case 1: s->SetStairs(true); break;
        case 2: s->GetPointer()->SetVisible(true); break;
        case 3: s->SetLineHeight(5); break;
        case 4: s->SetLineBrush(bsClear); break;
        case 5: s->SetColorEachPoint(true); break;
        case 6: s->Marks()->SetVisible(true); break;
        case 7: s->GetLinePen()->Hide(); break;
        case 8: s->GetOutLine()->Show(); break;
        default: break;
    }
}

THorizLineSeries::THorizLineSeries(QObject* owner) : TLineSeries(owner)
{
    SetHorizontal();
    UseVisibleRange = false;
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
}

int THorizLineSeries::CalcMarkLength(int)
{
    // The marks stand beside their points.
    return MaxMarkWidth();
}

void THorizLineSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    TMarksCallout* callout = Marks()->GetCallout();
    const int distance = callout->GetDistance();
    int length = callout->GetLength() + distance;
    const bool toLeft = GetOriginPos(valueIndex) > position.ArrowFrom.X;
    if (toLeft) length = -(length + position.Width);
    position.LeftTop.X += position.Width / 2 + length;
    position.LeftTop.Y += position.Height / 2;
    position.ArrowTo.X += length;
    position.ArrowFrom.X += toLeft ? -distance : distance;
    TLineSeries::DrawMark(valueIndex, text, position);
}
