#include "chart/engine/TSeriesGroup.h"

#include <algorithm>

#include "chart/engine/TChartSeries.h"

TSeriesGroup::TSeriesGroup(TSeriesGroups* collection)
    : FCollection(collection), FSeries(collection ? collection->Owner() : nullptr)
{}

void TSeriesGroup::SetSeries(const TCustomSeriesList& list)
{
    FSeries.Clear();
    for (TChartSeries* s : list) FSeries.Add(s);
}

TSeriesGroupActive TSeriesGroup::GetActive() const
{
    int active = 0;
    for (const TChartSeries* s : FSeries)
        if (s->GetActive()) ++active;
    if (active == FSeries.Count()) return gaYes;
    return active == 0 ? gaNo : gaSome;
}

void TSeriesGroup::SetActive(TSeriesGroupActive value)
{
    if (value == gaSome || value == GetActive()) return;
    for (TChartSeries* s : std::vector<TChartSeries*>(FSeries.begin(), FSeries.end())) s->SetActive(value == gaYes);
}

void TSeriesGroups::Put(int index, const TSeriesGroup& group)
{
    TSeriesGroup* target = Get(index);
    target->Name = group.Name;
    target->SetSeries(group.Series());
}

TSeriesGroup* TSeriesGroups::Add()
{
    auto* group = new TSeriesGroup(this);
    FItems.push_back(group);
    return group;
}

void TSeriesGroups::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    TSeriesGroup* group = FItems[static_cast<std::size_t>(index)];
    FItems.erase(FItems.begin() + index);
    delete group;
}

void TSeriesGroups::Clear()
{
    auto items = std::move(FItems);
    FItems.clear();
    for (TSeriesGroup* g : items) delete g;
}

int TSeriesGroups::Contains(const TChartSeries* series) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<std::size_t>(i)]->Series().Contains(series)) return i;
    return -1;
}
