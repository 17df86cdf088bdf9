#include "chart/engine/TChartValueList.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TChartSeries.h"
#include "platform/FormatSettings.h"

int TeeDefaultCapacity = 1000;

namespace {
const char* const kDeleteQuantity = "Quantity of data to delete must be less than Count.";
}

TChartValueList::TChartValueList(TChartSeries* owner, const AnsiString& name)
    : TPersistent(owner), FOwner(owner), FName(name)
{
    if (FOwner) FOwner->ValuesList().Add(this);
    ClearValues();
}

TChartValueList::~TChartValueList()
{
    ClearValues();
}

int TChartValueList::Count() const
{
    if (FCount > Capacity())
        throw Exception("ValueList Count (" + IntToStr(FCount) + ") greater than array length (" +
                        IntToStr(Capacity()) + ").");
    return FCount;
}

void TChartValueList::Grow()
{
    if (Capacity() > FCount) return;
    const std::size_t step = static_cast<std::size_t>(std::max(1, TeeDefaultCapacity));
    // Never less than the fixed step, so a list of the default capacity grows from 1000
    // to 2000 as before; long lists grow by an eighth, which keeps appending cheap and the
    // unused room small. The room is reserved, not filled.
    const std::size_t n = FValue.capacity();
    FValue.reserve(std::max(n + step, n + n / 8));
}

void TChartValueList::Reserve(int length)
{
    if (length > Capacity()) FValue.reserve(static_cast<std::size_t>(length));
}

bool ChartValuesInOrder(const double* values, int count, bool descending)
{
    // In blocks without a branch per value (the compiler makes vector code of them); the
    // first block out of order ends the walk. A NaN compares false both ways.
    constexpr int kBlock = 256;
    for (int start = 1; start < count; start += kBlock) {
        const int stop = std::min(count, start + kBlock);
        unsigned outOfOrder = 0;
        if (descending)
            for (int i = start; i < stop; ++i) outOfOrder |= !(values[i - 1] >= values[i]);
        else
            for (int i = start; i < stop; ++i) outOfOrder |= !(values[i - 1] <= values[i]);
        if (outOfOrder) return false;
    }
    return true;
}

bool TChartValueList::InOrder(double a, double b) const
{
    if (FOrder == loDescending) return a >= b;
    return a <= b;
}

void TChartValueList::CheckOrderAround(int index)
{
    if (FSortState != SortState::Ordered) return;
    const double v = FValue[static_cast<std::size_t>(index)];
    if (std::isnan(v) || (index > 0 && !InOrder(FValue[static_cast<std::size_t>(index - 1)], v)) ||
        (index + 1 < FCount && !InOrder(v, FValue[static_cast<std::size_t>(index + 1)])))
        FSortState = SortState::Unordered;
}

bool TChartValueList::IsOrdered() const
{
    if (FSortState == SortState::Unknown) {
        FSortState = SortState::Ordered;
        for (int i = 0; i < FCount; ++i) {
            const double v = FValue[static_cast<std::size_t>(i)];
            if (std::isnan(v) || (i > 0 && !InOrder(FValue[static_cast<std::size_t>(i - 1)], v))) {
                FSortState = SortState::Unordered;
                break;
            }
        }
    }
    return FSortState == SortState::Ordered;
}

int TChartValueList::AddChartValue(double value)
{
    TempValue = value;
    return AddChartValue();
}

int TChartValueList::AddChartValue()
{
    const double v = TempValue;
    const int n = FCount;
    int index = n;
    if (FOrder != loNone && n > 0) {
        const double last = FValue[static_cast<std::size_t>(n - 1)];
        const bool append = FOrder == loAscending ? v >= last : v <= last;
        if (!append && !std::isnan(v)) {
            const auto begin = FValue.begin();
            const auto end = begin + n;
            if (IsOrdered()) {
                // After every equal value, as the backward scan below would place it.
                index = static_cast<int>(FOrder == loAscending
                                             ? std::upper_bound(begin, end, v) - begin
                                             : std::upper_bound(begin, end, v, std::greater<double>()) - begin);
            } else {
                int i = n - 1;
                if (FOrder == loAscending)
                    while (i >= 0 && FValue[static_cast<std::size_t>(i)] > v) --i;
                else
                    while (i >= 0 && FValue[static_cast<std::size_t>(i)] < v) --i;
                index = i + 1;
            }
        }
    }
    InsertAt(index, v);
    return index;
}

void TChartValueList::AppendRaw(double value)
{
    Grow();
    FValue.push_back(value);
    ++FCount;
    if (FSortState == SortState::Ordered) CheckOrderAround(FCount - 1);
}

void TChartValueList::AppendRange(const double* values, int count)
{
    if (count <= 0) return;
    const std::size_t n = FValue.size();
    if (n + static_cast<std::size_t>(count) > FValue.capacity())
        FValue.reserve(std::max(n + static_cast<std::size_t>(count), FValue.capacity() + FValue.capacity() / 8));
    FValue.insert(FValue.end(), values, values + count);
    const int first = FCount;
    FCount += count;
    if (FSortState != SortState::Ordered) return;
    // The new values in order after the last of the old (which is no NaN in an ordered list).
    const double* p = FValue.data();
    if ((first == 0 && std::isnan(p[0])) ||
        !ChartValuesInOrder(p + std::max(first - 1, 0), FCount - std::max(first - 1, 0), FOrder == loDescending))
        FSortState = SortState::Unordered;
}

void TChartValueList::AdoptValues(std::vector<double>&& values)
{
    if (FCount > 0 || values.empty()) {
        AppendRange(values.data(), int(values.size()));
        return;
    }
    FValue = std::move(values);
    FCount = int(FValue.size());
    FStatsCount = -1;
    FSortState = std::isnan(FValue[0]) || !ChartValuesInOrder(FValue.data(), FCount, FOrder == loDescending)
                     ? SortState::Unordered
                     : SortState::Ordered;
}

void TChartValueList::InsertChartValue(int index, double value)
{
    InsertAt(std::clamp(index, 0, FCount), value);
}

void TChartValueList::InsertAt(int index, double value)
{
    Grow();
    if (index == FCount)
        FValue.push_back(value);
    else
        FValue.insert(FValue.begin() + index, value);
    ++FCount;
    Touched(index);
    CheckOrderAround(index);
}

void TChartValueList::Delete(int index)
{
    if (index < 0 || index >= FCount) return;
    FValue.erase(FValue.begin() + index);
    --FCount;
    Touched(index);
    Reconsider();
}

void TChartValueList::Delete(int start, int quantity)
{
    if (start < 0 || quantity < 0 || static_cast<long long>(start) + quantity - 1 >= FCount)
        throw Exception(kDeleteQuantity);
    if (quantity == 0) return;
    FValue.erase(FValue.begin() + start, FValue.begin() + start + quantity);
    FCount -= quantity;
    Touched(start);
    Reconsider();
}

void TChartValueList::ClearValues()
{
    FCount = 0;
    std::vector<double>().swap(FValue);
    FStatsCount = -1;
    FSortState = SortState::Ordered;
}

int TChartValueList::Locate(double value) const
{
    return Locate(value, 0, FCount - 1);
}

int TChartValueList::Locate(double value, int first, int last) const
{
    first = std::max(first, 0);
    last = std::min(last, FCount - 1);
    if (last < first) return -1;
    const auto begin = FValue.begin() + first;
    const auto end = FValue.begin() + last + 1;
    if (!std::isnan(value) && IsOrdered()) {
        const auto it = FOrder != loDescending ? std::lower_bound(begin, end, value)
                                               : std::lower_bound(begin, end, value, std::greater<double>());
        return (it != end && *it == value) ? static_cast<int>(it - FValue.begin()) : -1;
    }
    const auto it = std::find(begin, end, value);
    return it != end ? static_cast<int>(it - FValue.begin()) : -1;
}

int TChartValueList::FirstIndexNotBefore(double limit, int first) const
{
    first = std::max(first, 0);
    if (first >= FCount) return FCount;
    const auto begin = FValue.begin() + first;
    const auto end = FValue.begin() + FCount;
    if (IsOrdered())
        return static_cast<int>((FOrder != loDescending ? std::lower_bound(begin, end, limit)
                                                        : std::lower_bound(begin, end, limit, std::greater<double>())) -
                                FValue.begin());
    for (auto it = begin; it != end; ++it)
        if (FOrder == loDescending ? !(*it > limit) : !(*it < limit)) return static_cast<int>(it - FValue.begin());
    return FCount;
}

void TChartValueList::EnsureStats()
{
    if (FStatsCount < 0)
        RecalcStats();
    else if (FStatsCount < FCount)
        RecalcStats(FStatsCount);
    else if (FStatsCount > FCount)
        RecalcStats();
}

double TChartValueList::MinValue()
{
    EnsureStats();
    return FMinValue;
}

double TChartValueList::MaxValue()
{
    EnsureStats();
    return FMaxValue;
}

double TChartValueList::MinWith(double Value)
{
    return FCount == 0 ? Value : std::min(Value, MinValue());
}

double TChartValueList::MaxWith(double Value)
{
    return FCount == 0 ? Value : std::max(Value, MaxValue());
}

double TChartValueList::Total()
{
    EnsureStats();
    return FTotal;
}

double TChartValueList::TotalABS()
{
    EnsureStats();
    return FTotalABS;
}

double TChartValueList::Range()
{
    EnsureStats();
    return FMaxValue - FMinValue;
}

void TChartValueList::RecalcStats()
{
    if (FCount > Capacity()) FCount = Capacity();
    FMinValue = FMaxValue = FTotal = FTotalABS = 0;
    FStatsAny = false;
    FStatsCount = 0;
    RecalcStats(0);
}

void TChartValueList::RecalcStats(int start)
{
    int i = std::max(start, 0);
    if (i == 0) {
        FMinValue = FMaxValue = FTotal = FTotalABS = 0;
        FStatsAny = false;
    }
    // Values that are not finite stay stored but take no part: one NaN would pin the
    // minimum and maximum for good (every comparison with it is false), one infinity would
    // make the axis range infinite.
    if (!FStatsAny) {
        while (i < FCount && !std::isfinite(FValue[static_cast<std::size_t>(i)])) ++i;
        if (i < FCount) {
            const double v = FValue[static_cast<std::size_t>(i)];
            FMinValue = FMaxValue = FTotal = v;
            FTotalABS = std::fabs(v);
            FStatsAny = true;
            ++i;
        }
    }
    const double* p = FValue.data();
    double mn = FMinValue, mx = FMaxValue, total = FTotal, totalAbs = FTotalABS;
    for (; i < FCount; ++i) {
        const double v = p[i];
        if (!std::isfinite(v)) continue;
        if (v < mn)
            mn = v;
        else if (v > mx)
            mx = v;
        total += v;
        totalAbs += std::fabs(v);
    }
    FMinValue = mn;
    FMaxValue = mx;
    FTotal = total;
    FTotalABS = totalAbs;
    FStatsCount = FCount;
}

void TChartValueList::SetValue(int index, double value)
{
    if (index < 0 || index >= FCount) return;
    FValue[static_cast<std::size_t>(index)] = value;
    Touched(index);
    Reconsider();
    CheckOrderAround(index);
    if (FOwner) FOwner->NotifyValue(veModify, index);
}

void TChartValueList::StoreValue(int index, double value)
{
    if (index < 0 || index >= FCount) return;
    FValue[static_cast<std::size_t>(index)] = value;
    Touched(index);
    Reconsider();
    CheckOrderAround(index);
}

void TChartValueList::SwapNoNotify(int a, int b)
{
    if (a < 0 || b < 0 || a >= FCount || b >= FCount || a == b) return;
    std::swap(FValue[static_cast<std::size_t>(a)], FValue[static_cast<std::size_t>(b)]);
    Touched(std::min(a, b));
    FSortState = SortState::Unknown;
}

void TChartValueList::ApplyPermutation(const std::vector<int>& perm)
{
    if (static_cast<int>(perm.size()) != FCount) return;
    std::vector<double> values(FValue.size());
    for (int i = 0; i < FCount; ++i)
        values[static_cast<std::size_t>(i)] = FValue[static_cast<std::size_t>(perm[static_cast<std::size_t>(i)])];
    FValue.swap(values);
    FStatsCount = -1;
    FSortState = SortState::Unknown;
}

void TChartValueList::Exchange(int a, int b)
{
    if (a < 0 || b < 0 || a >= FCount || b >= FCount) return;
    std::swap(FValue[static_cast<std::size_t>(a)], FValue[static_cast<std::size_t>(b)]);
    FStatsCount = -1;
    FSortState = SortState::Unknown;
    if (FOwner) FOwner->NotifyValue(veModify, a);
}

void TChartValueList::FillSequence()
{
    for (int i = 0; i < FCount; ++i) FValue[static_cast<std::size_t>(i)] = i;
    FStatsCount = -1;
    FSortState = SortState::Unknown;
    if (FOwner) FOwner->NotifyValue(veModify, 0);
}

void TChartValueList::Scroll()
{
    if (FCount < 2) return;
    std::rotate(FValue.begin(), FValue.begin() + 1, FValue.begin() + FCount);
    FSortState = SortState::Unknown;
    // Complete statistics stay as they are (the same values, in another order); partial
    // ones would continue from the wrong place and are rebuilt instead.
    if (FStatsCount != FCount) FStatsCount = -1;
}

int TChartValueList::CompareValueIndex(int a, int b) const
{
    const double va = FValue[static_cast<std::size_t>(a)];
    const double vb = FValue[static_cast<std::size_t>(b)];
    int result = va < vb ? -1 : (va > vb ? 1 : 0);
    return FOrder == loDescending ? -result : result;
}

void TChartValueList::Sort()
{
    if (FOrder == loNone || FCount < 2) return;
    if (FOwner)
        FOwner->SortPoints(*this);
    else
        std::stable_sort(FValue.begin(), FValue.begin() + FCount,
                         [this](double a, double b) { return FOrder == loDescending ? a > b : a < b; });
    FStatsCount = -1;
    FSortState = SortState::Unknown;
}

AnsiString TChartValueList::ToString(int index) const
{
    if (index < 0 || index >= FCount) return AnsiString();
    return FloatToStr(FValue[static_cast<std::size_t>(index)]);
}

void TChartValueList::SetDateTime(bool value)
{
    if (FDateTime == value) return;
    FDateTime = value;
    if (FOwner) FOwner->Repaint();
}

void TChartValueList::InitDateTime(bool value)
{
    FDateTime = value;
    FDefaultDateTime = value;
}

void TChartValueList::SetOrder(TChartListOrder value)
{
    if (FOrder == value) return;
    FOrder = value;
    FSortState = SortState::Unknown;
}

void TChartValueList::SetValueSource(const AnsiString& value)
{
    if (FValueSource == value) return;
    FValueSource = value;
    if (FOwner) FOwner->CheckDataSource();
}

void TChartValueList::Assign(const TChartValueList& source)
{
    SetOrder(source.FOrder);
    FDateTime = source.FDateTime;
    FValueSource = source.FValueSource;
}

void TChartValueList::Assign(TPersistent* Source)
{
    if (auto* other = qobject_cast<TChartValueList*>(Source))
        Assign(*other);
    else
        TPersistent::Assign(Source);
}

bool TChartValueList::IsPropertyStored(const char* Name) const
{
    if (qstrcmp(Name, "DateTime") == 0) return IsDateTimeStored();
    return TPersistent::IsPropertyStored(Name);
}

int TChartValueLists::IndexOf(const TChartValueList* list) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), list);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TChartValueLists::Insert(int index, TChartValueList* list)
{
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, list);
}

void TChartValueLists::Remove(TChartValueList* list)
{
    const int i = IndexOf(list);
    if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TChartValueLists::Clear()
{
    auto items = std::move(FItems);
    FItems.clear();
    for (TChartValueList* list : items) delete list;
}
