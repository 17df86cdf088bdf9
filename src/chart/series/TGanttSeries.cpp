#include "chart/series/TGanttSeries.h"

#include <algorithm>
#include <cstdlib>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/SeriesValueLists.h"
#include "platform/DateTime.h"
#include "platform/Round.h"

TGanttSeries::TGanttSeries(QObject* owner) : TPointSeries(owner)
{
    SetHorizontal();
    FSettings.ClickableLine = false;
    // A bar reaches from its start to its end: every one is drawn.
    UseVisibleRange = false;
    FX->SetName(TeeMsg_ValuesGanttStart);
    FX->InitDateTime(true);
    SetColorEachPoint(true);
    FEndValues = new TChartValueList(this, TeeMsg_ValuesGanttEnd);
    FEndValues->InitDateTime(true);
    FNextTask = new TChartValueList(this, TeeMsg_ValuesGanttNextTask);
    FPointer->SetStyle(psRectangle);
}

void TGanttSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TGanttSeries*>(&source)) SetConnectingPen(other->GetConnectingPen());
    TPointSeries::Assign(source);
}

bool TGanttSeries::IsValidSourceOf(TChartSeries* series) const
{
    return qobject_cast<TGanttSeries*>(series) != nullptr;
}

void TGanttSeries::SetEndValues(TChartValueList* value)
{
    ReplaceSeriesList(*this, FEndValues, value);
}

void TGanttSeries::SetNextTask(TChartValueList* value)
{
    ReplaceSeriesList(*this, FNextTask, value);
}

int TGanttSeries::AddXY(double x, double y, const AnsiString& label, TColor color)
{
    FNextTask->TempValue = -1;
    return TPointSeries::AddXY(x, y, label, color);
}

int TGanttSeries::AddGanttColor(double start, double end, double y, const AnsiString& label, TColor color)
{
    FEndValues->TempValue = end;
    return AddXY(start, y, label, color);
}

double TGanttSeries::MaxXValue()
{
    return FEndValues->MaxWith(TPointSeries::MaxXValue());
}

void TGanttSeries::DrawValue(int valueIndex)
{
    if (!FPointer->GetVisible()) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    const TColor color = GetValueColor(valueIndex);
    FPointer->PrepareCanvas(canvas, color);
    const int x0 = CalcXPos(valueIndex);
    const int x1 = CalcXPosValue(FEndValues->Value(valueIndex));
    const int half = (x1 - x0) / 2;
    const int y = CalcYPos(valueIndex);
    const TSeriesPointerStyle style = PointerStyle(valueIndex);
    FPointer->DrawPointer(canvas, host->GetView3D(), x0 + half, y, half, FPointer->GetVertSize(), color, style);

    if (!Pen()->GetVisible()) return;
    const double next = FNextTask->Value(valueIndex);
    if (!(next >= 0 && next < Count())) return;  // also refuses NaN before rounding
    const int n = Round(next);
    if (n >= Count()) return;
    canvas->AssignVisiblePen(Pen());
    canvas->Brush->SetStyle(bsClear);
    const int xn = CalcXPos(n), yn = CalcYPos(n);
    const int middle = x1 + (xn - x1) / 2;
    canvas->LineWithZ(x1, y, middle, y, MiddleZ);
    canvas->LineTo3D(middle, yn, MiddleZ);
    canvas->LineTo3D(xn, yn, MiddleZ);
}

bool TGanttSeries::ClickedPointer(int valueIndex, int pX, int pY, int x, int y)
{
    // On an inverted axis the end lies left of the start: the bar is between the two.
    const int end = CalcXPosValue(FEndValues->Value(valueIndex));
    return x >= std::min(pX, end) && x <= std::max(pX, end) && std::abs(pY - y) < FPointer->GetVertSize();
}

void TGanttSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    const int end = CalcXPosValue(FEndValues->Value(valueIndex));
    position.LeftTop.X += (end - position.ArrowFrom.X) / 2;
    position.LeftTop.Y += position.Height / 2;
    TPointSeries::DrawMark(valueIndex, text, position);
}

void TGanttSeries::PrepareForGallery(bool enabled)
{
    TPointSeries::PrepareForGallery(enabled);
    SetColorEachPoint(enabled);
    FPointer->SetVertSize(3);
    FPointer->GetGradient()->SetVisible(true);
}

void TGanttSeries::AddSampleValues(int numValues, bool)
{
    static const AnsiString* const names[10] = {
        &TeeMsg_GanttSample1, &TeeMsg_GanttSample2, &TeeMsg_GanttSample3, &TeeMsg_GanttSample4, &TeeMsg_GanttSample5,
        &TeeMsg_GanttSample6, &TeeMsg_GanttSample7, &TeeMsg_GanttSample8, &TeeMsg_GanttSample9, &TeeMsg_GanttSample10};
    const int last = std::min(numValues - 1, 10 + RandomValue(20));
    const double today = static_cast<double>(Date());
    for (int t = 0; t <= last; ++t) {
        const double start = today + 3 * t + RandomValue(5);
        const double end = start + 9 + RandomValue(16);
        const int k = AddGantt(start, end, t % 10, *names[t % 10]);
        for (int j = 0; j < Count(); ++j) {
            if (j == k) continue;
            if (FNextTask->Value(j) == -1 && FEndValues->Value(j) < start) {
                FNextTask->SetValue(j, k);
                break;
            }
        }
    }
}

void RegisterTeeGanttSeries()
{
    RegisterTeeSeries(&TGanttSeries::staticMetaObject, &TeeMsg_GalleryGantt, &TeeMsg_GalleryStandard, 1);
}

namespace {
// The series stays registered to the end of the program.
const bool ganttSeriesRegistered = (RegisterTeeGanttSeries(), true);
}  // namespace
