// Which axes a series belongs to and which of its points lie within the chart rectangle.
#include "chart/engine/AxisHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartSeries.h"

bool TChartSeries::AssociatedToAxis(const TChartAxis* axis) const
{
    if (!axis || !UseAxis()) return false;
    if (axis->GetHorizontal()) return FHorizAxis == aBothHorizAxis || axis == FGetHorizAxis;
    return FVertAxis == aBothVertAxis || axis == FGetVertAxis;
}

TChartValueList* TChartSeries::ValueListOfAxis(const TChartAxis* axis) const
{
    if (!AssociatedToAxis(axis)) return nullptr;
    return axis->GetHorizontal() ? FX : FY;
}

void TChartSeries::CalcFirstLastVisibleIndex()
{
    auto* chart = dynamic_cast<IAxisHost*>(FParentChart);
    TChartAxis* axis = FYMandatory ? FGetHorizAxis : FGetVertAxis;
    if (!chart || !axis) {
        FirstValueIndex = Count() > 0 ? 0 : -1;
        LastValueIndex = Count() - 1;
        return;
    }
    const TRect r = chart->GetChartRect();
    const bool inverted = axis->GetInverted();
    double lower, upper;
    if (FYMandatory) {
        lower = axis->CalcPosPoint(inverted ? r.Right : r.Left);
        upper = axis->CalcPosPoint(inverted ? r.Left : r.Right);
    } else {
        lower = axis->CalcPosPoint(inverted ? r.Top : r.Bottom);
        upper = axis->CalcPosPoint(inverted ? r.Bottom : r.Top);
    }
    CalcFirstLastVisibleRange(lower, upper);
}
