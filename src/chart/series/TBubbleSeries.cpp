#include "chart/series/TBubbleSeries.h"

#include <algorithm>
#include <cstring>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/Round.h"

TBubbleSeries::TBubbleSeries(QObject* owner) : TPointSeries(owner)
{
    FRadiusValues = new TChartValueList(this, TeeMsg_ValuesBubbleRadius);
    FPointer->SetInflate(false);
    FPointer->SetStyle(psCircle);
    // The pointer's size comes from each point's radius, not from the user.
    FPointer->AllowChangeSize = false;
    Marks()->GetPen()->Hide();
    Marks()->SetTransparent(true);
    SetColorEachPoint(true);
}

void TBubbleSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TBubbleSeries*>(&source)) FSquared = other->FSquared;
    TPointSeries::Assign(source);
}

bool TBubbleSeries::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Squared") == 0) return !FSquared;
    return TPointSeries::IsPropertyStored(Name);
}

bool TBubbleSeries::IsValidSourceOf(TChartSeries* series) const
{
    return qobject_cast<TBubbleSeries*>(series) != nullptr;
}

int TBubbleSeries::AddBubble(double x, double y, double radius, const AnsiString& label, TColor color)
{
    FRadiusValues->TempValue = radius;
    return AddXY(x, y, label, color);
}

void TBubbleSeries::PreparePointer(int valueIndex)
{
    const double radius = FRadiusValues->Value(valueIndex);
    const int v = CalcYSizeValue(radius);
    const int h = FSquared ? v : CalcXSizeValue(radius);
    FPointer->ChangeHorizSize(h);
    FPointer->ChangeVertSize(v);
}

void TBubbleSeries::DrawValue(int valueIndex)
{
    PreparePointer(valueIndex);
    DrawPointer(CalcXPos(valueIndex), CalcYPos(valueIndex), GetValueColor(valueIndex), valueIndex);
}

double TBubbleSeries::ApplyRadius(double value, TChartValueList* list, bool increment)
{
    double result = value;
    for (int i = 0; i < Count(); ++i) {
        const double r = FRadiusValues->Value(i);
        result = increment ? std::max(result, list->Value(i) + r) : std::min(result, list->Value(i) - r);
    }
    return result;
}

double TBubbleSeries::MaxYValue()
{
    return ApplyRadius(TPointSeries::MaxYValue(), FY, true);
}

double TBubbleSeries::MinYValue()
{
    return ApplyRadius(TPointSeries::MinYValue(), FY, false);
}

double TBubbleSeries::MaxZValue()
{
    return FPointer->GetDraw3D() ? FRadiusValues->MaxValue() : TPointSeries::MaxZValue();
}

double TBubbleSeries::MinZValue()
{
    return FPointer->GetDraw3D() ? -FRadiusValues->MaxValue() : TPointSeries::MinZValue();
}

void TBubbleSeries::DrawLegendShape(int valueIndex, const TRect& rect)
{
    const int size = std::min(rect.Right - rect.Left, rect.Bottom - rect.Top);
    FPointer->ChangeHorizSize(size);
    FPointer->ChangeVertSize(size);
    TPointSeries::DrawLegendShape(valueIndex, rect);
}

bool TBubbleSeries::ClickedPointer(int valueIndex, int x, int y, int pX, int pY)
{
    PreparePointer(valueIndex);
    const TSeriesPointerStyle style = PointerStyle(valueIndex);
    const int h = FPointer->GetHorizSize(), v = FPointer->GetVertSize();
    const TRect r(x - h, y - v, x + h, y + v);
    const TPoint p(pX, pY);
    switch (style) {
        case psCircle: return PointInEllipse(p, r);
        case psTriangle: return PointInTriangle(p, r.Left, r.Right, r.Bottom, r.Top);
        case psDownTriangle: return PointInTriangle(p, r.Left, r.Right, r.Top, r.Bottom);
        case psDiamond: {
            const TPoint poly[4] = {TPoint(x, r.Top), TPoint(r.Right, y), TPoint(x, r.Bottom), TPoint(r.Left, y)};
            return PointInPolygon(p, poly);
        }
        case psLeftTriangle: return PointInHorizTriangle(p, r.Top, r.Bottom, r.Right, r.Left);
        case psRightTriangle: return PointInHorizTriangle(p, r.Top, r.Bottom, r.Left, r.Right);
        default: return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom;
    }
}

void TBubbleSeries::PrepareForGallery(bool enabled)
{
    TPointSeries::PrepareForGallery(enabled);
    FPointer->GetGradient()->SetVisible(true);
}

void TBubbleSeries::AddSampleValues(int numValues, bool)
{
    double x, stepX, startY, minY, range;
    RandomBounds(numValues, x, stepX, startY, minY, range);
    for (int i = 0; i < numValues; ++i) {
        const double radius = Round(range / (RandomValue(15) + 10)) + range / 15;
        AddBubble(x, RandomValue(Round(range)), radius);
        x += stepX;
    }
}

void RegisterTeeBubbleSeries()
{
    RegisterTeeSeries(&TBubbleSeries::staticMetaObject, &TeeMsg_GalleryBubble, &TeeMsg_GalleryStandard, 1);
}

namespace {
// The series stays registered to the end of the program.
const bool bubbleSeriesRegistered = (RegisterTeeBubbleSeries(), true);
}  // namespace
