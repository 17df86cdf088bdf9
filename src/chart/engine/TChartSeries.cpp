#include "chart/engine/TChartSeries.h"
#include "chart/engine/SeriesHost.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numeric>

#include "chart/engine/AxisHost.h"
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeePalette.h"
#include "chart/engine/TeeProcs.h"
#include "platform/FormatSettings.h"
#include "platform/StoreChanged.h"

char TeeLineSeparator = '\r';
char TeeColumnSeparator = '\x06';

namespace {
const char* const kDeleteQuantity = "Quantity of data to delete must be less than Count.";
}

TChartSeries::TChartSeries(QObject* owner)
    : TCustomChartSeries(owner), FLabels(this), FDataSources(new TDataSourcesList(this))
{
    FFormat.ValueFormat = TeeMsg_DefValueFormat;
    FFormat.PercentFormat = TeeMsg_DefPercentFormat;
    FX = new TChartValueList(this, TeeMsg_ValuesX);
    FX->SetOrder(loAscending);
    FY = new TChartValueList(this, TeeMsg_ValuesY);
    FNotMandatory = FX;
    FMandatory = FY;
    FMarks = new TSeriesMarks(this);
}

TChartSeries::~TChartSeries()
{
    FDestroying = true;
    if (FFunction) {
        TTeeFunction* f = FFunction;
        FFunction = nullptr;
        delete f;
    }
    RemoveAllLinkedSeries();
    for (QObject* c : std::vector<QObject*>(FDataSources->begin(), FDataSources->end()))
        if (c->parent() == this && !qobject_cast<TChartSeries*>(c)) delete c;
    FDataSources->InheritedClear();
    delete FDataSources;
    FDataSources = nullptr;
    for (TChartSeries* s : std::vector<TChartSeries*>(FLinkedSeries.begin(), FLinkedSeries.end()))
        s->RemoveDataSource(this);
    // The data goes without telling anyone: the linked series have let go above.
    FLinkedSeries.Clear();
    ClearLists();
    if (FParentChart) SetParentChart(nullptr);
    FValuesList.Clear();
    FX = FY = FMandatory = FNotMandatory = nullptr;
    delete FMarks;
    FMarks = nullptr;
}

// ---------------------------------------------------------------- value lists

void TChartSeries::SetHorizontal()
{
    FMandatory = FX;
    FNotMandatory = FY;
    FYMandatory = false;
}

void TChartSeries::SetXValues(const TChartValueList& list)
{
    FX->Assign(list);
    Repaint();
}

void TChartSeries::SetYValues(const TChartValueList& list)
{
    FY->Assign(list);
    Repaint();
}

void TChartSeries::ReplaceList(TChartValueList* oldList, TChartValueList* newList)
{
    const int i = FValuesList.IndexOf(oldList);
    if (i < 0 || !newList || newList == oldList) return;
    FValuesList.Remove(newList);
    const int at = FValuesList.IndexOf(oldList);
    newList->SetName(oldList->GetName());
    FValuesList.Put(at, newList);
    if (oldList == FX) FX = newList;
    if (oldList == FY) FY = newList;
    if (oldList == FMandatory) FMandatory = newList;
    if (oldList == FNotMandatory) FNotMandatory = newList;
    delete oldList;
}

TChartValueList* TChartSeries::GetYValueList(const AnsiString& name) const
{
    for (int i = 2; i < FValuesList.Count(); ++i)
        if (SameText(FValuesList[i]->GetName(), name)) return FValuesList[i];
    return FY;
}

void TChartSeries::SetXValue(int index, double value)
{
    FX->StoreValue(index, value);
    Repaint();
}

void TChartSeries::SetYValue(int index, double value)
{
    FY->StoreValue(index, value);
    Repaint();
}

void TChartSeries::SetXLabel(int index, const AnsiString& text)
{
    if (index < 0 || index >= Count()) return;
    FLabels.SetLabel(index, text);
}

// ---------------------------------------------------------------- colours

void TChartSeries::SetSeriesColor(TColor value)
{
    if (FColor == clDefault && value == FInternalColor) return;
    SetColorProperty(FColor, value);
    FInternalColor = FColor;
    if (FParentChart) FParentChart->BroadcastSeriesEvent(this, seChangeColor);
    RepaintDesigner();
}

void TChartSeries::ChangeInternalColor(TColor value)
{
    FInternalColor = value;
    SetSeriesColor(value);
}

void TChartSeries::SetColorEachPoint(bool value)
{
    SetBooleanProperty(FColorEachPoint, value);
}

TColor TChartSeries::InternalColor(int index) const
{
    return FColors ? FColors->Get(index) : clDefault;
}

TColor TChartSeries::GetValueColor(int index) const
{
    const TColor c = InternalColor(index);
    if (c != clDefault) return c;
    if (FColorEachPoint) return FParentChart ? FParentChart->GetDefaultColor(index) : GetDefaultColor(index);
    return GetSeriesColor();
}

void TChartSeries::GrowColors(int count)
{
    if (!FColors) FColors = std::make_unique<TPointColors>();
    FColors->Cover(count);
}

void TChartSeries::InsertColor(int index, TColor color)
{
    FColors->Insert(index, color);
}

void TChartSeries::SetValueColor(int index, TColor value)
{
    if (index < 0 || index >= Count()) return;
    if (!FColors) {
        if (value == clDefault) return;
        GrowColors(Count());
    }
    FColors->Set(index, value);
    Repaint();
}

void TChartSeries::ColorRange(TChartValueList* list, double fromValue, double toValue, TColor color)
{
    if (!list) return;
    for (int t = 0; t < Count(); ++t) {
        const double v = list->Value(t);
        if (!IsNull(t) && v >= fromValue && v <= toValue) {
            if (!FColors) {
                if (color == clDefault) continue;
                GrowColors(Count());
            }
            FColors->Set(t, color);
        }
    }
    Repaint();
}

// ---------------------------------------------------------------- adding

int TChartSeries::AddXY(double x, double y, const AnsiString& label, TColor color)
{
    FX->TempValue = x;
    FY->TempValue = y;
    if (OnBeforeAdd && !OnBeforeAdd(this)) return -1;
    const int index = FX->AddChartValue();
    FY->InsertChartValue(index, y);
    for (int i = 2; i < FValuesList.Count(); ++i) {
        TChartValueList* list = FValuesList[i];
        list->InsertChartValue(index, list->TempValue);
    }
    if (FColors) {
        InsertColor(index, color);
    } else if (color != clDefault) {
        GrowColors(Count() - 1);
        InsertColor(index, color);
    }
    if (!label.empty() || FLabels.Count() > 0) FLabels.InsertLabel(index, label);
    if (FUpdateCount == 0) NotifyNewValue(this, index);
    return index;
}

void TChartSeries::AddXYs(const double* x, const double* y, int count)
{
    if (count <= 0) return;
    // Anything that looks at each point (a hook, a colour or more lists per point, the
    // notification outside an update) and an X that AddXY would not append at the end
    // take the one-by-one way.
    bool inOne = !OnBeforeAdd && FUpdateCount > 0 && !FColors && FValuesList.Count() == 2 && FX->Count() == FY->Count();
    const TChartListOrder order = FX->GetOrder();
    // Points in order after the last one need no look at each (a NaN, which AddXY appends
    // too, is looked at one by one).
    const bool joinsInOrder = inOne && order != loNone &&
                              (FX->Count() == 0 || (order == loAscending ? x[0] >= FX->Last() : x[0] <= FX->Last())) &&
                              ChartValuesInOrder(x, count, order != loAscending);
    if (inOne && order != loNone && !joinsInOrder) {
        int n = FX->Count();
        double last = n > 0 ? FX->Last() : 0;
        for (int i = 0; i < count && inOne; ++i, ++n) {
            const double v = x[i];
            inOne = n == 0 || std::isnan(v) || (order == loAscending ? v >= last : v <= last);
            last = v;
        }
    }
    if (!inOne) {
        for (int i = 0; i < count; ++i) AddXY(x[i], y[i]);
        return;
    }
    const int first = FX->Count();
    FX->TempValue = x[count - 1];
    FY->TempValue = y[count - 1];
    FX->AppendRange(x, count);
    FY->AppendRange(y, count);
    FLabels.InsertEmpty(first, count);
}

void TChartSeries::AddXYs(const double* x, std::vector<double>&& y,
                          const std::vector<std::pair<int, AnsiString>>& labels)
{
    const int count = int(y.size());
    if (count == 0) return;
    const bool empty = FX->Count() == 0 && FY->Count() == 0 && FLabels.Count() == 0;
    const bool inOne = empty && !OnBeforeAdd && FUpdateCount > 0 && !FColors && FValuesList.Count() == 2 &&
                       (FX->GetOrder() == loNone || ChartValuesInOrder(x, count, FX->GetOrder() != loAscending));
    if (!inOne) {
        // Point by point between the labelled ones, as AddXYs and AddXY add them.
        int from = 0;
        for (const auto& [index, label] : labels) {
            if (index < from || index >= count) continue;
            AddXYs(x + from, y.data() + from, index - from);
            AddXY(x[index], y[size_t(index)], label);
            from = index + 1;
        }
        AddXYs(x + from, y.data() + from, count - from);
        return;
    }
    FX->TempValue = x[count - 1];
    FY->TempValue = y.back();
    FX->AppendRange(x, count);
    FY->AdoptValues(std::move(y));
    // Labels as AddXY gives them: from the first labelled point on the list covers every point.
    for (const auto& [index, label] : labels)
        if (index >= FLabels.Count() && index < count && !label.empty()) FLabels.AppendAt(index, label);
    if (FLabels.Count() > 0) FLabels.InsertEmpty(FLabels.Count(), count - FLabels.Count());
}

int TChartSeries::Add(double value, const AnsiString& label, TColor color)
{
    if (FYMandatory) return AddXY(FX->Count(), value, label, color);
    return AddXY(value, FY->Count(), label, color);
}

int TChartSeries::AddX(double x, const AnsiString& label, TColor color)
{
    return AddXY(x, FX->Count(), label, color);
}

int TChartSeries::AddY(double y, const AnsiString& label, TColor color)
{
    return AddXY(FX->Count(), y, label, color);
}

int TChartSeries::AddNull(double value)
{
    return Add(value, AnsiString(), clNone);
}

int TChartSeries::AddNull(const AnsiString& label)
{
    return Add(0, label, clNone);
}

int TChartSeries::AddNullXY(double x, double y, const AnsiString& label)
{
    return AddXY(x, y, label, clNone);
}

int TChartSeries::AddArray(const double* values, int high)
{
    if (!values || high < 0) return 0;
    TSeriesUpdateGuard update(*this);
    for (int i = 0; i <= high; ++i) Add(values[i], AnsiString(), clDefault);
    return high + 1;
}

// ---------------------------------------------------------------- deleting, clearing

void TChartSeries::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw ChartException(FormatChartText(TeeMsg_SeriesDelete, {IntToStr(index), IntToStr(Count() - 1)}));
    for (TChartValueList* list : FValuesList) list->Delete(index);
    if (FColors) FColors->Erase(index, index + 1);
    FLabels.DeleteLabel(index);
    FMarks->Positions().Delete(index);
    FMarks->Items().Delete(index);
    NotifyValue(veDelete, index);
    if (FActive) Repaint();
}

void TChartSeries::Delete(int start, int quantity, bool removeGap)
{
    if (start < 0 || quantity < 0 || static_cast<long long>(start) + quantity - 1 >= Count())
        throw ChartException(kDeleteQuantity);
    if (quantity == 0 || start >= Count()) return;
    for (TChartValueList* list : FValuesList) list->Delete(start, quantity);
    if (FColors && start < FColors->Size()) {
        FColors->Erase(start, start + quantity);
        if (FColors->Size() == 0) FColors.reset();
    }
    FLabels.DeleteRange(start, quantity);
    FMarks->Positions().DeleteRange(start, quantity);
    FMarks->Items().DeleteRange(start, quantity);
    NotifyValue(veDelete, -1);
    if (FActive) Repaint();
    if (removeGap) FNotMandatory->FillSequence();
}

void TChartSeries::ClearLists()
{
    for (TChartValueList* list : FValuesList) list->ClearValues();
    FColors.reset();
    FLabels.Clear();
    if (FMarks) FMarks->Clear();
}

void TChartSeries::Clear()
{
    FirstValueIndex = LastValueIndex = -1;
    ClearLists();
    if (OnClearValues) OnClearValues(this);
    NotifyValue(veClear, 0);
    if (FFunction) FFunction->Clear();
    if (FActive && FParentChart && !FParentChart->IsDestroying()) Repaint();
}

// ---------------------------------------------------------------- order

void TChartSeries::SwapValueIndex(int a, int b)
{
    for (TChartValueList* list : FValuesList) list->SwapNoNotify(a, b);
    if (FColors) {
        const int n = FColors->Size();
        if (a >= 0 && b >= 0 && (a < n || b < n)) {
            GrowColors(std::max(a, b) + 1);
            FColors->Swap(a, b);
        }
    }
    if (FLabels.Count() > 0) FLabels.Exchange(a, b);
}

void TChartSeries::SortPoints(TChartValueList& byList)
{
    if (Count() < 2) return;
    TeeSort(
        0, byList.Count() - 1, [&byList](int a, int b) { return byList.CompareValueIndex(a, b); },
        [this](int a, int b) { SwapValueIndex(a, b); });
}

void TChartSeries::SortByLabels(TChartListOrder order)
{
    if (order == loNone || Count() < 2) return;
    TeeSort(
        0, Count() - 1,
        [this, order](int a, int b) {
            const int c = FLabels.GetLabel(a).compare(FLabels.GetLabel(b));
            const int r = c < 0 ? -1 : (c > 0 ? 1 : 0);
            return order == loDescending ? -r : r;
        },
        [this](int a, int b) { SwapValueIndex(a, b); });
    FNotMandatory->FillSequence();
    Repaint();
}

void TChartSeries::CheckOrder()
{
    // Renumbering belongs to the reordering: a series kept in arrival order keeps its X.
    if (FMandatory->GetOrder() != loNone) {
        FMandatory->Sort();
        if (FNotMandatory->GetValueSource().empty()) FNotMandatory->FillSequence();
        Repaint();
    }
}

void TChartSeries::ApplyPermutation(const std::vector<int>& perm)
{
    for (TChartValueList* list : FValuesList) list->ApplyPermutation(perm);
    if (FColors) FColors->Permute(perm);
    FLabels.ApplyPermutation(perm);
}

void TChartSeries::SortAfterBulkAppend(int firstNew)
{
    const int n = Count();
    const TChartListOrder order = FX->GetOrder();
    if (order == loNone || n < 2) return;
    // Points before firstNew are ordered already; the new ones join them stably.
    const double* x = FX->Data();
    bool ordered = true;
    for (int i = std::max(1, firstNew); i < n && ordered; ++i)
        ordered = order == loAscending ? x[i - 1] <= x[i] : x[i - 1] >= x[i];
    if (ordered) return;
    std::vector<int> perm(static_cast<std::size_t>(n));
    std::iota(perm.begin(), perm.end(), 0);
    if (order == loAscending)
        std::stable_sort(perm.begin(), perm.end(), [x](int a, int b) { return x[a] < x[b]; });
    else
        std::stable_sort(perm.begin(), perm.end(), [x](int a, int b) { return x[a] > x[b]; });
    ApplyPermutation(perm);
}

// ---------------------------------------------------------------- updates, notifications

void TChartSeries::EndUpdate()
{
    if (FUpdateCount <= 0) return;
    if (--FUpdateCount == 0) RefreshSeries();
}

void TChartSeries::RefreshSeries()
{
    NotifyValue(veRefresh, 0);
    if (FParentChart) FParentChart->BroadcastSeriesEvent(this, seDataChanged);
}

void TChartSeries::NotifyNewValue(TChartSeries*, int index)
{
    if (OnAfterAdd) OnAfterAdd(this, index);
    NotifyValue(veAdd, index);
    if (FActive) Repaint();
}

void TChartSeries::NotifyValue(TValueEvent event, int index)
{
    if (FUpdateCount != 0 || FLinkedSeries.IsEmpty()) return;
    for (TChartSeries* s : std::vector<TChartSeries*>(FLinkedSeries.begin(), FLinkedSeries.end())) {
        switch (event) {
            case veClear:
                if (s->RecalcOptions & rOnClear) s->Clear();
                break;
            case veAdd:
                if ((s->RecalcOptions & rOnInsert) && !s->FFunction) s->AddedValue(this, index);
                break;
            case veDelete:
                if ((s->RecalcOptions & rOnDelete) && !s->FFunction) {
                    // A block delete (index -1) names no single point: refill from the source.
                    if (index < 0)
                        s->AddValues(this);
                    else if (index < s->Count())
                        s->DeletedValue(this, index);
                }
                break;
            case veRefresh: s->AddValues(this); break;
            case veModify:
                if (s->RecalcOptions & rOnModify) s->AddValues(this);
                break;
        }
    }
}

// ---------------------------------------------------------------- feeding from other series

int TChartSeries::AddChartValue(TChartSeries* source, int index)
{
    double x = source->FX->Value(index);
    double y = source->FY->Value(index);
    if (FYMandatory != source->FYMandatory) std::swap(x, y);
    const int result = FX->AddChartValue(x);
    FY->InsertChartValue(result, y);
    for (int i = 2; i < FValuesList.Count(); ++i)
        FValuesList[i]->InsertChartValue(result,
                                         i < source->FValuesList.Count() ? source->FValuesList[i]->Value(index) : 0.0);
    return result;
}

void TChartSeries::AddedValue(TChartSeries* source, int index)
{
    if (!source || index < 0 || index >= source->Count()) return;
    const int newIndex = AddChartValue(source, index);
    // Colours and labels stay aligned with the points once either list exists.
    const bool sourceColor = source->ColorsCount() > index;
    if (FColors || sourceColor) {
        if (!FColors) GrowColors(Count() - 1);
        InsertColor(newIndex, source->InternalColor(index));
    }
    if (source->FLabels.Count() > index || FLabels.Count() > 0)
        FLabels.InsertLabel(newIndex, source->FLabels.GetLabel(index));
    NotifyNewValue(this, newIndex);
}

void TChartSeries::AddValues(TChartSeries* source)
{
    TSeriesUpdateGuard update(*this);
    Clear();
    if (FFunction) {
        if (source) {
            FX->SetDateTime(source->FX->GetDateTime());
            FY->SetDateTime(source->FY->GetDateTime());
        }
        FFunction->AddPoints(source);
        return;
    }
    if (!source || !IsValidSourceOf(source)) return;
    const int n = source->Count();
    bool bulk = !OnAfterAdd;
    for (int i = 0; i < n && bulk; ++i) bulk = !std::isnan(source->FX->Value(i)) && !std::isnan(source->FY->Value(i));
    if (!bulk) {
        for (int i = 0; i < n; ++i) AddedValue(source, i);
        return;
    }
    // Copying sorts once instead of placing every point on its own.
    const bool swap = FYMandatory != source->FYMandatory;
    for (TChartValueList* list : FValuesList) list->Reserve(n);
    for (int i = 0; i < n; ++i) {
        const double x = source->FX->Value(i), y = source->FY->Value(i);
        FX->AppendRaw(swap ? y : x);
        FY->AppendRaw(swap ? x : y);
        for (int l = 2; l < FValuesList.Count(); ++l)
            FValuesList[l]->AppendRaw(l < source->FValuesList.Count() ? source->FValuesList[l]->Value(i) : 0.0);
    }
    if (source->FColors) {
        GrowColors(0);
        FColors->AssignPrefix(*source->FColors, n);
    }
    if (source->FLabels.Count() > 0)
        for (int i = 0; i < n; ++i) FLabels.Append(source->FLabels.GetLabel(i));
    SortAfterBulkAppend(0);
    if (FActive) Repaint();
}

// ---------------------------------------------------------------- parent chart and axes

void TChartSeries::SetParentChart(IChartHost* value)
{
    if (value == FParentChart) return;
    if (FParentChart) FParentChart->RemoveSeries(this);
    FParentChart = value;
    FMarks->SetParent(SeriesPanelOf(value));
    if (FParentChart) FParentChart->InternalAddSeries(this);
}

void TChartSeries::Added()
{
    if (FColor == clDefault && FParentChart) {
        ChangeInternalColor(FParentChart->GetFreeSeriesColor(true, this));
        FParentChart->BroadcastSeriesEvent(this, seChangeColor);
    }
    RecalcGetAxis();
    CheckDataSource();
}

void TChartSeries::Removed()
{
    if (ISeriesHost* host = SeriesHostOf(FParentChart); host && host->GetChartCursor() == Cursor)
        host->SetChartCursor(host->GetOriginalCursor());
    RemoveAllLinkedSeries();
    FParentChart = nullptr;
    RecalcGetAxis();
}

void TChartSeries::RecalcGetAxis()
{
    if (!FParentChart) {
        FGetHorizAxis = FGetVertAxis = nullptr;
        return;
    }
    FGetHorizAxis = FParentChart->BottomAxis();
    if (FFormat.HorizAxis == aTopAxis)
        FGetHorizAxis = FParentChart->TopAxis();
    else if (FFormat.HorizAxis == aCustomHorizAxis && FFormat.CustomHorizAxis)
        FGetHorizAxis = FFormat.CustomHorizAxis;
    FGetVertAxis = FParentChart->LeftAxis();
    if (FFormat.VertAxis == aRightAxis)
        FGetVertAxis = FParentChart->RightAxis();
    else if (FFormat.VertAxis == aCustomVertAxis && FFormat.CustomVertAxis)
        FGetVertAxis = FFormat.CustomVertAxis;
}

void TChartSeries::SetHorizAxis(THorizAxis value)
{
    if (!StoreChanged(FFormat.HorizAxis, value)) return;
    if (value != aCustomHorizAxis && !FLoading) FFormat.CustomHorizAxis = nullptr;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetVertAxis(TVertAxis value)
{
    if (!StoreChanged(FFormat.VertAxis, value)) return;
    if (value != aCustomVertAxis && !FLoading) FFormat.CustomVertAxis = nullptr;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetCustomHorizAxis(TChartAxis* value)
{
    FFormat.CustomHorizAxis = value;
    FFormat.HorizAxis = value ? aCustomHorizAxis : aBottomAxis;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetCustomVertAxis(TChartAxis* value)
{
    FFormat.CustomVertAxis = value;
    FFormat.VertAxis = value ? aCustomVertAxis : aLeftAxis;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetZOrder(int value)
{
    SetIntegerProperty(FZOrder, value);
    FComputedZOrder = value == -1 ? 0 : value;
}

bool TChartSeries::IsValueFormatStored() const
{
    return FFormat.ValueFormat != TeeMsg_DefValueFormat;
}

bool TChartSeries::IsPercentFormatStored() const
{
    return FFormat.PercentFormat != TeeMsg_DefPercentFormat;
}

bool TChartSeries::IsPropertyStored(const char* Name) const
{
    if (qstrcmp(Name, "SeriesColor") == 0) return IsColorStored();
    if (qstrcmp(Name, "ValueFormat") == 0) return IsValueFormatStored();
    if (qstrcmp(Name, "PercentFormat") == 0) return IsPercentFormatStored();
    return TCustomChartSeries::IsPropertyStored(Name);
}

void TChartSeries::CalcFirstLastVisibleRange(double lowerLimit, double upperLimit)
{
    FirstValueIndex = LastValueIndex = -1;
    const int n = Count();
    if (n == 0) return;
    TChartValueList* list = FNotMandatory;
    if (!UseVisibleRange || (list->GetOrder() == loNone && !list->IsOrdered())) {
        FirstValueIndex = 0;
        LastValueIndex = n - 1;
        return;
    }
    if (list->GetOrder() == loNone) {
        CalcInFactOrderedRange();
        return;
    }
    const int first = list->FirstIndexNotBefore(lowerLimit);
    if (first >= n) return;
    FirstValueIndex = first;
    const bool descending = list->GetOrder() == loDescending;
    const auto beyond = [descending, upperLimit](double v) { return descending ? v < upperLimit : v > upperLimit; };
    if (!beyond(list->Last())) {
        LastValueIndex = n - 1;
        return;
    }
    int last = list->FirstIndexNotBefore(upperLimit, first);
    if (last >= n) last = n - 1;
    if (!DrawPointBeyondRange && beyond(list->Value(last))) --last;
    LastValueIndex = last;
}

void TChartSeries::CalcInFactOrderedRange()
{
    FirstValueIndex = 0;
    LastValueIndex = Count() - 1;
}

// ---------------------------------------------------------------- axes, visible points

bool TChartSeries::AssociatedToAxis(const TChartAxis* axis) const
{
    if (!axis || !UseAxis()) return false;
    if (axis->GetHorizontal()) return FFormat.HorizAxis == aBothHorizAxis || axis == FGetHorizAxis;
    return FFormat.VertAxis == aBothVertAxis || axis == FGetVertAxis;
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

// ---------------------------------------------------------------- mark texts

AnsiString TChartSeries::XValueToText(double value) const
{
    if (FParentChart && FGetHorizAxis) return FParentChart->AxisLabelText(FGetHorizAxis, value);
    return FormatFloat(FFormat.ValueFormat, value);
}

AnsiString TChartSeries::MarkPercent(int index, bool addTotal)
{
    const double total = FMandatory->TotalABS();
    const double p = total != 0 ? 100.0 * std::fabs(GetMarkValue(index)) / total : 100.0;
    AnsiString text = FormatFloat(FFormat.PercentFormat, p);
    if (addTotal) {
        const AnsiString& pattern = FMarks->GetMultiLine() ? TeeMsg_DefaultPercentOf2 : TeeMsg_DefaultPercentOf;
        text = FormatChartText(pattern, {text, FormatFloat(FFormat.ValueFormat, total)});
    }
    return text;
}

AnsiString TChartSeries::GetMarkText(int index)
{
    if (index < 0 || index >= Count()) return AnsiString();
    const AnsiString separator(1, FMarks->GetMultiLine() ? TeeLineSeparator : ' ');
    // Formatted only for the styles that show it (most points of a series whose marks are
    // its labels have a label or no mark).
    const auto valueText = [&]() { return FormatFloat(FFormat.ValueFormat, GetMarkValue(index)); };
    auto labelText = [&]() {
        const AnsiString& label = FLabels.GetLabel(index);
        return label.empty() ? valueText() : label;
    };
    auto xText = [&]() { return XValueToText(FNotMandatory->Value(index)); };
    AnsiString text;
    switch (FMarks->GetStyle()) {
        case smsValue: text = valueText(); break;
        case smsPercent: text = MarkPercent(index); break;
        case smsLabel: text = labelText(); break;
        case smsLabelPercent: text = labelText() + separator + MarkPercent(index); break;
        case smsLabelValue: text = labelText() + separator + valueText(); break;
        case smsLegend:
            text = FParentChart ? FParentChart->FormattedValueLegend(this, index) : AnsiString();
            if (!FMarks->GetMultiLine())
                for (char& c : text)
                    if (c == TeeColumnSeparator) c = ' ';
            break;
        case smsPercentTotal: text = MarkPercent(index, true); break;
        case smsLabelPercentTotal: text = labelText() + separator + MarkPercent(index, true); break;
        case smsXValue: text = xText(); break;
        case smsXY: text = xText() + separator + valueText(); break;
    }
    if (OnGetMarkText) OnGetMarkText(this, index, text);
    return text;
}

// ---------------------------------------------------------------- guard

TSeriesUpdateGuard::TSeriesUpdateGuard(TChartSeries& series) : FSeries(series), FExceptions(std::uncaught_exceptions())
{
    FSeries.BeginUpdate();
}

TSeriesUpdateGuard::~TSeriesUpdateGuard() noexcept(false)
{
    if (std::uncaught_exceptions() == FExceptions) {
        FSeries.EndUpdate();
        return;
    }
    try {
        FSeries.EndUpdate();
    } catch (...) {
        // The first failure is the one reported; the update is closed either way.
    }
}
