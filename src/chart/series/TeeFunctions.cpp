#include "chart/series/TeeFunctions.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeSeriesTypes.h"

namespace {

// The value at index of the list the function reads from source, when it has one.
bool ValueAt(const TTeeFunction& f, TChartSeries* source, int index, double& value)
{
    TChartValueList* list = f.ValueList(source);
    if (!list || index < 0 || index >= list->Count()) return false;
    value = list->Value(index);
    return true;
}

// Turns first/last (-1: all points) into a range inside the list; empty when first > last.
void ClampRange(int count, int& first, int& last)
{
    if (first < 0) {
        first = 0;
        last = count - 1;
    }
    last = std::min(last, count - 1);
}

// Keeps the higher (or lower) value of a range; 0 for an empty one.
double Extreme(TChartValueList* list, int first, int last, bool high)
{
    if (!list) return 0;
    if (first == -1) {
        if (list->Count() == 0) return 0;
        return high ? list->MaxValue() : list->MinValue();
    }
    ClampRange(list->Count(), first, last);
    if (first > last) return 0;
    double result = list->Value(first);
    for (int i = first + 1; i <= last; ++i) {
        const double v = list->Value(i);
        if (high ? v > result : v < result) result = v;
    }
    return result;
}

// The first source that has a value at the index gives the start value, so that
// negative values are not compared against a made-up 0.
double ExtremeMany(const TTeeFunction& f, const TCustomSeriesList& sources, int index, bool high)
{
    bool any = false;
    double result = 0;
    for (int s = 0; s < sources.Count(); ++s) {
        double v;
        if (!ValueAt(f, sources[s], index, v)) continue;
        if (!any || (high ? v > result : v < result)) result = v;
        any = true;
    }
    return result;
}

// NaN values sort after every number, so that the order stays defined.
bool SortsBefore(double a, double b)
{
    if (std::isnan(a)) return false;
    return std::isnan(b) || a < b;
}

}  // namespace

// ---------------------------------------------------------------- add

TAddTeeFunction::TAddTeeFunction(QObject* owner) : TTeeFunction(owner) {}

double TAddTeeFunction::Calculate(TChartSeries* source, int first, int last)
{
    TChartValueList* list = ValueList(source);
    if (!list) return 0;
    if (first == -1) return list->Total();
    ClampRange(list->Count(), first, last);
    double sum = 0;
    for (int i = first; i <= last; ++i) sum += list->Value(i);
    return sum;
}

double TAddTeeFunction::CalculateMany(const TCustomSeriesList& sources, int index)
{
    double sum = 0;
    for (int s = 0; s < sources.Count(); ++s) {
        double v;
        if (ValueAt(*this, sources[s], index, v)) sum += v;
    }
    return sum;
}

// ---------------------------------------------------------------- subtract, multiply, divide

TManySeriesTeeFunction::TManySeriesTeeFunction(QObject* owner) : TTeeFunction(owner) {}

double TManySeriesTeeFunction::CalculateMany(const TCustomSeriesList& sources, int index)
{
    bool any = false;
    double result = 0;
    for (int s = 0; s < sources.Count(); ++s) {
        double v;
        if (!ValueAt(*this, sources[s], index, v)) continue;
        result = any ? CalculateValue(result, v) : v;
        any = true;
    }
    return result;
}

double TManySeriesTeeFunction::CalculateValue(double, double) const
{
    return 0;
}

TSubtractTeeFunction::TSubtractTeeFunction(QObject* owner) : TManySeriesTeeFunction(owner) {}
TMultiplyTeeFunction::TMultiplyTeeFunction(QObject* owner) : TManySeriesTeeFunction(owner) {}
TDivideTeeFunction::TDivideTeeFunction(QObject* owner) : TManySeriesTeeFunction(owner) {}

// ---------------------------------------------------------------- high, low

TExtremeTeeFunction::TExtremeTeeFunction(QObject* owner, bool high) : TTeeFunction(owner), FHigh(high) {}

double TExtremeTeeFunction::Calculate(TChartSeries* source, int first, int last)
{
    return Extreme(ValueList(source), first, last, FHigh);
}

double TExtremeTeeFunction::CalculateMany(const TCustomSeriesList& sources, int index)
{
    return ExtremeMany(*this, sources, index, FHigh);
}

// ---------------------------------------------------------------- average

TAverageTeeFunction::TAverageTeeFunction(QObject* owner) : TTeeFunction(owner) {}

double TAverageTeeFunction::Calculate(TChartSeries* source, int first, int last)
{
    TChartValueList* list = ValueList(source);
    if (!list) return 0;
    if (first == -1 && FIncludeNulls) return source->Count() == 0 ? 0 : list->Total() / source->Count();
    ClampRange(std::min(list->Count(), source->Count()), first, last);
    double sum = 0;
    int taken = 0;
    for (int i = first; i <= last; ++i) {
        if (!FIncludeNulls && source->IsNull(i)) continue;
        sum += list->Value(i);
        ++taken;
    }
    return taken == 0 ? 0 : sum / taken;
}

double TAverageTeeFunction::CalculateMany(const TCustomSeriesList& sources, int index)
{
    double sum = 0;
    int taken = 0;
    for (int s = 0; s < sources.Count(); ++s) {
        double v;
        if (!ValueAt(*this, sources[s], index, v)) continue;
        if (!FIncludeNulls && sources[s]->IsNull(index)) continue;
        sum += v;
        ++taken;
    }
    return taken == 0 ? 0 : sum / taken;
}

void TAverageTeeFunction::Assign(const TTeeFunction& source)
{
    if (auto* other = qobject_cast<const TAverageTeeFunction*>(&source)) FIncludeNulls = other->FIncludeNulls;
    TTeeFunction::Assign(source);
}

// ---------------------------------------------------------------- y = f(x)

TCustomTeeFunction::TCustomTeeFunction(QObject* owner) : TTeeFunction(owner)
{
    FPeriod = 1;
}

void TCustomTeeFunction::SetOnCalculate(TCalculateEvent value)
{
    FOnCalculate = std::move(value);
    ReCalculate();
}

void TCustomTeeFunction::AddPoints(TChartSeries*)
{
    TChartSeries* series = ParentSeries();
    if (!FOnCalculate || !series || Updating()) return;
    series->Clear();
    double x = FStartX;
    for (int i = 0; i < FNumPoints; ++i) {
        FX = x;
        double y = 0;
        FOnCalculate(this, x, y);
        if (series->YMandatory())
            series->AddXY(x, y, AnsiString(), clDefault);
        else
            series->AddXY(y, x, AnsiString(), clDefault);
        x += FPeriod;
    }
}

void TCustomTeeFunction::Assign(const TTeeFunction& source)
{
    if (auto* other = qobject_cast<const TCustomTeeFunction*>(&source)) {
        FNumPoints = other->FNumPoints;
        FStartX = other->FStartX;
    }
    TTeeFunction::Assign(source);
}

// ---------------------------------------------------------------- median, mode

TCustomSortedFunction::TCustomSortedFunction(QObject* owner) : TTeeFunction(owner) {}

void TCustomSortedFunction::Insert(std::vector<double>& sorted, double value) const
{
    // Before the first greater value: equal values keep their arrival order.
    const auto at = std::upper_bound(sorted.begin(), sorted.end(), value, SortsBefore);
    sorted.insert(at, value);
}

double TCustomSortedFunction::Calculate(TChartSeries* source, int first, int last)
{
    if (!source) return 0;
    TChartValueList* list = source->MandatoryValueList();
    const int count = std::min(source->Count(), list->Count());
    if (first == -1) first = 0;
    if (last == -1) last = count - 1;
    first = std::max(first, 0);
    last = std::min(last, count - 1);
    if (last - first + 1 < 1) return 0;
    std::vector<double> sorted;
    sorted.reserve(static_cast<std::size_t>(last - first + 1));
    for (int i = first; i <= last; ++i)
        if (FIncludeNulls || !source->IsNull(i)) Insert(sorted, list->Value(i));
    return CalcResult(sorted);
}

double TCustomSortedFunction::CalculateMany(const TCustomSeriesList& sources, int index)
{
    std::vector<double> sorted;
    for (int s = 0; s < sources.Count(); ++s) {
        TChartSeries* source = sources[s];
        TChartValueList* list = source->MandatoryValueList();
        if (index < 0 || index >= list->Count()) continue;
        if (!FIncludeNulls && source->IsNull(index)) continue;
        Insert(sorted, list->Value(index));
    }
    return CalcResult(sorted);
}

double TCustomSortedFunction::CalcResult(const std::vector<double>&) const
{
    return 0;
}

void TCustomSortedFunction::Assign(const TTeeFunction& source)
{
    if (auto* other = qobject_cast<const TCustomSortedFunction*>(&source)) FIncludeNulls = other->FIncludeNulls;
    TTeeFunction::Assign(source);
}

TMedianTeeFunction::TMedianTeeFunction(QObject* owner) : TCustomSortedFunction(owner) {}

double TMedianTeeFunction::CalcResult(const std::vector<double>& sorted) const
{
    const std::size_t n = sorted.size();
    if (n == 0) return 0;
    if (n % 2 == 1) return sorted[(n - 1) / 2];
    return (sorted[n / 2 - 1] + sorted[n / 2]) * 0.5;
}

TModeTeeFunction::TModeTeeFunction(QObject* owner) : TCustomSortedFunction(owner) {}

double TModeTeeFunction::CalcResult(const std::vector<double>& sorted) const
{
    if (sorted.empty()) return 0;
    double result = sorted[0];
    std::size_t best = 0;
    std::size_t i = 0;
    while (i < sorted.size()) {
        std::size_t j = i + 1;
        while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
        // Only a strictly longer run replaces the result: the smallest value wins ties.
        if (j - i > best) {
            best = j - i;
            result = sorted[i];
        }
        i = j;
    }
    return result;
}

// ---------------------------------------------------------------- registration

void RegisterTeeBasicFunctions()
{
    RegisterTeeBasicFunction(&TAddTeeFunction::staticMetaObject, &TeeMsg_FunctionAdd);
    RegisterTeeBasicFunction(&TSubtractTeeFunction::staticMetaObject, &TeeMsg_FunctionSubtract);
    RegisterTeeBasicFunction(&TMultiplyTeeFunction::staticMetaObject, &TeeMsg_FunctionMultiply);
    RegisterTeeBasicFunction(&TDivideTeeFunction::staticMetaObject, &TeeMsg_FunctionDivide);
    RegisterTeeBasicFunction(&THighTeeFunction::staticMetaObject, &TeeMsg_FunctionHigh);
    RegisterTeeBasicFunction(&TLowTeeFunction::staticMetaObject, &TeeMsg_FunctionLow);
    RegisterTeeBasicFunction(&TAverageTeeFunction::staticMetaObject, &TeeMsg_FunctionAverage);
    RegisterTeeBasicFunction(&TCustomTeeFunction::staticMetaObject, &TeeMsg_FunctionCustom);
    RegisterTeeBasicFunction(&TMedianTeeFunction::staticMetaObject, &TeeMsg_FunctionMedian);
    RegisterTeeBasicFunction(&TModeTeeFunction::staticMetaObject, &TeeMsg_FunctionMode);
}

namespace {
// The functions stay registered to the end of the program.
const bool basicFunctionsRegistered = (RegisterTeeBasicFunctions(), true);
}  // namespace
