#include "chart/engine/TSeriesGroup.h"

#include <algorithm>

#include "chart/engine/TChartSeries.h"

TSeriesGroup::TSeriesGroup(TSeriesGroups* collection)
    : TCollectionItem(collection), FSeries(collection ? collection->Owner() : nullptr)
{}

TSeriesGroups* TSeriesGroup::Collection() const
{
    return static_cast<TSeriesGroups*>(TCollectionItem::Collection());
}

void TSeriesGroup::SetSeries(const TCustomSeriesList& list)
{
    FSeries.Clear();
    for (TChartSeries* s : list) FSeries.Add(s);
}

void TSeriesGroup::Assign(TPersistent* Source)
{
    if (auto* g = qobject_cast<TSeriesGroup*>(Source)) {
        Name = g->Name;
        SetSeries(g->FSeries);
        return;
    }
    TCollectionItem::Assign(Source);
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
    return new TSeriesGroup(this);
}

void TSeriesGroups::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    delete Get(index);
}

int TSeriesGroups::Contains(const TChartSeries* series) const
{
    for (int i = 0; i < Count(); ++i)
        if (Get(i)->Series().Contains(series)) return i;
    return -1;
}

void TSeriesGroups::RemoveSeries(const TChartSeries* series)
{
    for (int i = 0; i < Count(); ++i)
        while (Get(i)->Series().Remove(series) >= 0) {}
}
