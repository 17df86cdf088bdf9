#include "chart/engine/TChartAxes.h"

#include <algorithm>

#include "chart/engine/AxisHost.h"
#include "chart/engine/TChartAxis.h"
#include "platform/Exception.h"

namespace {

[[noreturn]] void IndexError(int index)
{
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

}  // namespace

// ---------------------------------------------------------------- TChartAxes

TChartAxis* TChartAxes::Get(int index) const
{
    if (index < 0 || index >= Count()) IndexError(index);
    return FItems[static_cast<std::size_t>(index)];
}

int TChartAxes::IndexOf(const TChartAxis* axis) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), axis);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TChartAxes::Clear()
{
    // Each axis takes itself out of the list when freed.
    while (!FItems.empty()) {
        TChartAxis* axis = FItems.back();
        delete axis;
        if (!FItems.empty() && FItems.back() == axis) FItems.pop_back();
    }
}

void TChartAxes::InternalRemove(TChartAxis* axis)
{
    const auto it = std::find(FItems.begin(), FItems.end(), axis);
    if (it != FItems.end()) FItems.erase(it);
}

void TChartAxes::SetFastCalc(bool value)
{
    FFastCalc = value;
    for (TChartAxis* axis : FItems) axis->SetCalcPosValue();
}

bool TChartAxes::GetBehind() const
{
    return FChart && FChart->GetAxisBehind();
}

void TChartAxes::SetBehind(bool value)
{
    if (FChart) FChart->SetAxisBehind(value);
}

bool TChartAxes::GetVisible() const
{
    return FChart && FChart->GetAxisVisible();
}

void TChartAxes::SetVisible(bool value)
{
    if (FChart) FChart->SetAxisVisible(value);
}

void TChartAxes::Reset()
{
    for (TChartAxis* axis : FItems) axis->SetAutomatic(true);
}

// ---------------------------------------------------------------- TChartCustomAxes

TChartAxis* TChartCustomAxes::Items(int index) const
{
    if (index < 0 || index >= Count()) IndexError(index);
    return static_cast<TChartAxis*>(Item(index));
}

void TChartCustomAxes::SetItems(int index, TChartAxis* axis)
{
    Items(index)->Assign(axis);
}

int TChartCustomAxes::IndexOf(const TChartAxis* axis) const
{
    for (int i = 0; i < Count(); ++i)
        if (Item(i) == axis) return i;
    return -1;
}

TChartAxis* TChartCustomAxes::Add()
{
    return new TChartAxis(this);
}

void TChartCustomAxes::Delete(int index)
{
    delete Items(index);
}

void TChartCustomAxes::ResetScales(TChartAxis* axis)
{
    for (TCollectionItem* item : *this) {
        auto* a = static_cast<TChartAxis*>(item);
        if (a != axis && a->ScaleMaster == axis) a->SetMinMax(axis->GetMinimum(), axis->GetMaximum());
    }
}
