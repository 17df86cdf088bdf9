#include "chart/series/TCustom3DSeries.h"

#include <cstring>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/series/SeriesValueLists.h"

TCustom3DSeries::TCustom3DSeries(QObject* owner) : TChartSeries(owner)
{
    FZ = new TChartValueList(this, "Z");
    FX->SetOrder(loNone);
    // Such a series keeps its own depth: it does not share a slot and the depth axis
    // shows its Z values.
    HasThirdValues = true;
    UseVisibleRange = false;
}

void TCustom3DSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TCustom3DSeries*>(&source); other && other != this) {
        FZ->Assign(*other->FZ);
        FTimesZOrder = other->FTimesZOrder;
    }
    TChartSeries::Assign(source);
}

bool TCustom3DSeries::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "TimesZOrder") == 0) return FTimesZOrder != 3;
    return TChartSeries::IsPropertyStored(Name);
}

bool TCustom3DSeries::IsValidSourceOf(TChartSeries* series) const
{
    return qobject_cast<TCustom3DSeries*>(series) != nullptr;
}

void TCustom3DSeries::SetZValues(TChartValueList* value)
{
    ReplaceSeriesList(*this, FZ, value);
}

int TCustom3DSeries::AddXYZ(double x, double y, double z, const AnsiString& text, TColor color)
{
    FZ->TempValue = z;
    return AddXY(x, y, text, color);
}

void TCustom3DSeries::AddArray(const std::vector<std::vector<double>>& values)
{
    TSeriesUpdateGuard update(*this);
    for (std::size_t i = 0; i < values.size(); ++i)
        for (std::size_t j = 0; j < values[i].size(); ++j)
            AddXYZ(static_cast<double>(i), values[i][j], static_cast<double>(j));
}

TChartAxis* TCustom3DSeries::DepthAxis() const
{
    auto* chart = dynamic_cast<IAxisHost*>(FParentChart);
    return chart && chart->Axes() ? chart->Axes()->DepthAxis() : nullptr;
}

int TCustom3DSeries::CalcZPosValue(double value) const
{
    TChartAxis* axis = DepthAxis();
    return axis ? axis->CalcPosValue(value) : 0;
}

int TCustom3DSeries::CalcZPos(int valueIndex) const
{
    return CalcZPosValue(FZ->Value(valueIndex));
}

bool TCustom3DSeries::BackFaced() const
{
    TChartAxis* axis = DepthAxis();
    bool result = axis && axis->GetInverted();
    auto* chart = dynamic_cast<IAxisHost*>(FParentChart);
    if (TView3DOptions* o = chart ? chart->GetView3DOptions() : nullptr) {
        const int rotation = o->GetRotation();
        if (rotation > 90 && rotation < 270) result = !result;
    }
    return result;
}

void TCustom3DSeries::CalcZOrder()
{
    TChartSeries::CalcZOrder();
    if (ISeriesHost* host = SeriesHost()) host->SetMaxZOrder(FTimesZOrder);
}

void TCustom3DSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    Marks()->ZPosition = CalcZPos(valueIndex);
    TChartSeries::DrawMark(valueIndex, text, position);
}

void TCustom3DSeries::PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle)
{
    TChartSeries::PrepareLegendCanvas(valueIndex, backColor, brushStyle);
    auto* chart = dynamic_cast<TCustomChart*>(FParentChart);
    ISeriesHost* host = SeriesHost();
    if (chart && host && host->GetCanvas() && chart->GetLegend()->GetSymbol()->GetContinuous())
        host->GetCanvas()->Pen->SetStyle(psClear);
}

bool TCustom3DSeries::AssociatedToAxis(const TChartAxis* axis) const
{
    if (axis && axis->IsDepthAxis) return true;
    return TChartSeries::AssociatedToAxis(axis);
}

TChartValueList* TCustom3DSeries::ValueListOfAxis(const TChartAxis* axis) const
{
    if (axis && axis->IsDepthAxis) return FZ;
    return TChartSeries::ValueListOfAxis(axis);
}
