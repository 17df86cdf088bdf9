#include "chart/engine/TCustomSeriesList.h"

#include <algorithm>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TSeriesGroup.h"

int TCustomSeriesList::IndexOf(const TChartSeries* series) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), series);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TCustomSeriesList::Add(TChartSeries* series)
{
    FItems.push_back(series);
    return Count() - 1;
}

void TCustomSeriesList::Insert(int index, TChartSeries* series)
{
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, series);
}

void TCustomSeriesList::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
}

int TCustomSeriesList::Remove(const TChartSeries* series)
{
    const int i = IndexOf(series);
    Delete(i);
    return i;
}

void TCustomSeriesList::Exchange(int a, int b)
{
    if (a < 0 || b < 0 || a >= Count() || b >= Count()) return;
    std::swap(FItems[static_cast<std::size_t>(a)], FItems[static_cast<std::size_t>(b)]);
}

void TCustomSeriesList::ClearValues()
{
    for (TChartSeries* s : std::vector<TChartSeries*>(FItems)) s->Clear();
}

void TCustomSeriesList::FillSampleValues(int numValues)
{
    for (TChartSeries* s : std::vector<TChartSeries*>(FItems)) s->FillSampleValues(numValues);
}

bool TCustomSeriesList::AllActive() const
{
    return std::all_of(FItems.begin(), FItems.end(), [](const TChartSeries* s) { return s->GetActive(); });
}

void TCustomSeriesList::SetAllActive(bool value)
{
    for (TChartSeries* s : std::vector<TChartSeries*>(FItems)) s->SetActive(value);
}

TChartSeriesList::TChartSeriesList(IChartHost* chart)
    : TCustomSeriesList(chart), FGroups(std::make_unique<TSeriesGroups>(chart))
{}

TChartSeriesList::~TChartSeriesList() = default;

TSeriesGroup* TChartSeriesList::AddGroup(const AnsiString& name)
{
    TSeriesGroup* group = FGroups->Add();
    group->Name = name;
    return group;
}
