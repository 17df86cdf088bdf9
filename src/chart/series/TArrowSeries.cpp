#include "chart/series/TArrowSeries.h"

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/SeriesValueLists.h"
#include "platform/Round.h"

TArrowSeries::TArrowSeries(QObject* owner) : TPointSeries(owner)
{
    // Arrows reach beyond their start point: every one is drawn.
    UseVisibleRange = false;
    FX->InitDateTime(true);
    FEndX = new TChartValueList(this, TeeMsg_ValuesArrowEndX);
    FEndX->InitDateTime(true);
    FEndY = new TChartValueList(this, TeeMsg_ValuesArrowEndY);
    FPointer->SetInflate(false);
    Marks()->GetPen()->Hide();
    Marks()->SetTransparent(true);
}

bool TArrowSeries::IsValidSourceOf(TChartSeries* series) const
{
    return qobject_cast<TArrowSeries*>(series) != nullptr;
}

void TArrowSeries::SetEndXValues(TChartValueList* value)
{
    ReplaceSeriesList(*this, FEndX, value);
}

void TArrowSeries::SetEndYValues(TChartValueList* value)
{
    ReplaceSeriesList(*this, FEndY, value);
}

void TArrowSeries::SetStartXValues(TChartValueList* value)
{
    ReplaceList(FX, value);
}

void TArrowSeries::SetStartYValues(TChartValueList* value)
{
    ReplaceList(FY, value);
}

int TArrowSeries::AddArrow(double x0, double y0, double x1, double y1, const AnsiString& label, TColor color)
{
    FEndX->TempValue = x1;
    FEndY->TempValue = y1;
    return AddXY(x0, y0, label, color);
}

void TArrowSeries::DrawValue(int valueIndex)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    const TPoint from(CalcXPos(valueIndex), CalcYPos(valueIndex));
    const TPoint to(CalcXPosValue(FEndX->Value(valueIndex)), CalcYPosValue(FEndY->Value(valueIndex)));
    const TColor color = GetValueColor(valueIndex);
    const bool is3D = host->GetView3D();
    if (is3D)
        FPointer->PrepareCanvas(canvas, color);
    else
        canvas->AssignVisiblePenColor(FPointer->GetPen(), color);
    canvas->Arrow(is3D, from, to, GetArrowWidth(), GetArrowHeight(), MiddleZ);
}

double TArrowSeries::MaxXValue()
{
    return FEndX->MaxWith(TPointSeries::MaxXValue());
}

double TArrowSeries::MinXValue()
{
    return FEndX->MinWith(TPointSeries::MinXValue());
}

double TArrowSeries::MaxYValue()
{
    return FEndY->MaxWith(TPointSeries::MaxYValue());
}

double TArrowSeries::MinYValue()
{
    return FEndY->MinWith(TPointSeries::MinYValue());
}

void TArrowSeries::PrepareForGallery(bool enabled)
{
    TPointSeries::PrepareForGallery(enabled);
    FillSampleValues(3);
    SetArrowWidth(12);
    SetArrowHeight(12);
    if (!enabled) SetSeriesColor(clSilver);
}

void TArrowSeries::AddSampleValues(int numValues, bool)
{
    double startX, stepX, startY, minY, range;
    RandomBounds(numValues, startX, stepX, startY, minY, range);
    const int xr = Round(numValues * stepX);
    const int yr = Round(range);
    for (int i = 0; i < numValues; ++i) {
        const double x0 = startX + RandomValue(xr);
        const double y0 = minY + RandomValue(yr);
        const double x1 = startX + RandomValue(xr);
        const double y1 = startY + RandomValue(yr);
        AddArrow(x0, y0, x1, y1);
    }
}

void RegisterTeeArrowSeries()
{
    RegisterTeeSeries(&TArrowSeries::staticMetaObject, &TeeMsg_GalleryArrow, &TeeMsg_GalleryExtended, 2);
}

namespace {
// The series stays registered to the end of the program.
const bool arrowSeriesRegistered = (RegisterTeeArrowSeries(), true);
}  // namespace
