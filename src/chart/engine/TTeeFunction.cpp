#include "chart/engine/TTeeFunction.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "platform/Round.h"

TTeeFunction::TTeeFunction(QObject* owner) : QObject(owner) {}

TTeeFunction::~TTeeFunction()
{
    if (FParentSeries) FParentSeries->ForgetFunction(this);
}

void TTeeFunction::SetPeriod(double value)
{
    if (value < 0 || std::isnan(value)) throw ChartException(TeeMsg_FunctionPeriod);
    SetProperty(FPeriod, value);
}

void TTeeFunction::SetParentSeries(TChartSeries* value)
{
    if (value == FParentSeries) return;
    if (FParentSeries) FParentSeries->ForgetFunction(this);
    FParentSeries = nullptr;
    if (value) value->SetFunction(this);
}

void TTeeFunction::DetachFrom(TChartSeries* series)
{
    if (series && series == FParentSeries) {
        series->ForgetFunction(this);
        FParentSeries = nullptr;
    }
}

double TTeeFunction::Calculate(TChartSeries*, int, int)
{
    return 0;
}

double TTeeFunction::CalculateMany(const TCustomSeriesList&, int)
{
    return 0;
}

void TTeeFunction::CalculatePeriod(TChartSeries* source, double x, int first, int last)
{
    AddFunctionXY(source->YMandatory(), x, Calculate(source, first, last));
}

void TTeeFunction::AddFunctionXY(bool sourceYMandatory, double x, double y)
{
    if (!FParentSeries) return;
    if (sourceYMandatory)
        FParentSeries->AddXY(x, y, AnsiString(), clDefault);
    else
        FParentSeries->AddXY(y, x, AnsiString(), clDefault);
}

TChartValueList* TTeeFunction::ValueList(TChartSeries* source) const
{
    if (!source) return nullptr;
    if (FParentSeries) {
        const AnsiString& name = FParentSeries->MandatoryValueList()->GetValueSource();
        if (!name.empty()) return source->GetYValueList(name);
    }
    return source->MandatoryValueList();
}

void TTeeFunction::AddPoints(TChartSeries* source)
{
    if (FUpdating || !source || !FParentSeries) return;
    const TDataSourcesList& sources = FParentSeries->DataSources();
    if (sources.Count() >= 2) {
        TCustomSeriesList list;
        TChartSeries* reference = source;
        for (QObject* c : sources)
            if (auto* s = qobject_cast<TChartSeries*>(c)) {
                list.Add(s);
                if (s->Count() > reference->Count()) reference = s;
            }
        for (int t = 0; t < reference->Count(); ++t) {
            double x = reference->NotMandatoryValueList()->Value(t);
            double y = CalculateMany(list, t);
            if (!reference->YMandatory()) std::swap(x, y);
            FParentSeries->AddXY(x, y, reference->Labels().GetLabel(t), clDefault);
        }
        return;
    }
    if (source->Count() > 0) DoCalculation(source, source->NotMandatoryValueList());
}

void TTeeFunction::DoCalculation(TChartSeries* source, TChartValueList* xList)
{
    if (FPeriod != 0)
        CalculateByPeriod(source, xList);
    else
        CalculateAllPoints(source, xList);
}

void TTeeFunction::CalculateAllPoints(TChartSeries* source, TChartValueList* xList)
{
    if (!FParentSeries) return;
    const double y = Calculate(source, -1, -1);
    if (FParentSeries->SinglePointFunctions) {
        const double x = xList->MinValue() + xList->Range() * 0.5;
        if (FParentSeries->YMandatory())
            FParentSeries->AddXY(x, y, AnsiString(), clDefault);
        else
            FParentSeries->AddXY(y, x, AnsiString(), clDefault);
    } else {
        AddFunctionXY(source->YMandatory(), xList->MinValue(), y);
        AddFunctionXY(source->YMandatory(), xList->MaxValue(), y);
    }
}

double TTeeFunction::NextPeriodBoundary(double x, int step) const
{
    // Date-time X values step along the calendar for half months and longer, as the
    // horizontal axis counts them; everything else moves by the period itself.
    const bool dateTime = FParentSeries && FParentSeries->XValues()->GetDateTime() && step >= dtHalfMonth;
    double value = x;
    TeeDateTimeIncrement(dateTime, true, value, FPeriod, static_cast<TDateTimeStep>(step));
    return value;
}

void TTeeFunction::CalculateByPeriod(TChartSeries* source, TChartValueList* xList)
{
    const int n = source->Count();
    if (n == 0) return;
    // Points without a finite X belong to no period of a range: they are passed over, and
    // the groups end when no finite point is left.
    auto finiteAt = [xList](int i) { return std::isfinite(xList->Value(i)); };
    int first = 0;
    if (FPeriodStyle == psRange)
        while (first < n && !finiteAt(first)) ++first;
    if (first == n) return;
    double x0 = xList->Value(first);
    const int step = FPeriodStyle == psRange ? static_cast<int>(FindDateTimeStep(FPeriod)) : 0;
    // A point-count period rounding to 0 still takes one point per group.
    const int points = std::max(1, Round(FPeriod));
    while (first <= n - 1) {
        int last;
        double startX, endX, boundary = x0;
        bool hasPoints = true;
        if (FPeriodStyle == psRange) {
            while (first < n && !finiteAt(first)) ++first;
            if (first == n) break;
            startX = x0;
            boundary = NextPeriodBoundary(x0, step);
            // A period below the resolution of the X values (or NaN values) would never
            // move on: stop where the boundary stands still.
            if (!(boundary > x0)) break;
            x0 = boundary;
            endX = boundary - 0.001 * FPeriod;
            last = first;
            while (last < n - 1 && finiteAt(last + 1) && xList->Value(last + 1) < boundary) ++last;
            hasPoints = xList->Value(first) < boundary;
        } else {
            last = first + points - 1;
            startX = xList->Value(first);
            endX = last < n ? xList->Value(last) : 0;
        }
        if (last < n) {
            double x;
            switch (FPeriodAlign) {
                case paFirst: x = startX; break;
                case paLast: x = endX; break;
                default: x = (startX + endX) * 0.5; break;
            }
            if (hasPoints)
                CalculatePeriod(source, x, first, last);
            else
                AddFunctionXY(source->YMandatory(), x, 0);
        }
        if (hasPoints) first = last + 1;
    }
}

void TTeeFunction::PrepareForGallery(IChartHost* chart)
{
    if (!chart || !chart->SeriesList()) return;
    for (TChartSeries* s : std::vector<TChartSeries*>(chart->SeriesList()->begin(), chart->SeriesList()->end()))
        s->PrepareForGallery(true);
}

void TTeeFunction::EndUpdate()
{
    if (!FUpdating) return;
    FUpdating = false;
    ReCalculate();
}

void TTeeFunction::ReCalculate()
{
    if (!FUpdating && FParentSeries) FParentSeries->CheckDataSource();
}

void TTeeFunction::Assign(const TTeeFunction& source)
{
    FPeriod = source.FPeriod;
    FPeriodStyle = source.FPeriodStyle;
    FPeriodAlign = source.FPeriodAlign;
}

TTeeMovingFunction::TTeeMovingFunction(QObject* owner) : TTeeFunction(owner)
{
    FPeriod = 1;
    SingleSource = true;
}

void TTeeMovingFunction::DoCalculation(TChartSeries* source, TChartValueList* xList)
{
    const int p = std::max(1, Round(FPeriod));
    const int n = source->Count();
    if (n < p) return;
    for (int t = p - 1; t <= n - 1; ++t)
        AddFunctionXY(source->YMandatory(), xList->Value(t), Calculate(source, t - p + 1, t));
}
