#pragma once
// Named groups of series that are shown or hidden together. Chart files store the groups
// as a collection, each group with its name and the names of its series.
#include <memory>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "chart/engine/TCustomSeriesList.h"
#include "platform/TCollection.h"

class TSeriesGroups;

class TSeriesGroup : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(AnsiString Name MEMBER Name)
    Q_PROPERTY(ChartDataEnums::TSeriesGroupActive Active READ GetActive WRITE SetActive STORED false)

public:
    explicit TSeriesGroup(TSeriesGroups* collection);

    AnsiString Name;
    TCustomSeriesList& Series() { return FSeries; }
    const TCustomSeriesList& Series() const { return FSeries; }
    void Add(TChartSeries* series) { FSeries.Add(series); }
    void SetSeries(const TCustomSeriesList& list);
    bool IsSeriesStored() const { return !FSeries.IsEmpty(); }
    // The name and the series of another group.
    void Assign(TPersistent* Source) override;

    TSeriesGroupActive GetActive() const;
    void SetActive(TSeriesGroupActive value);
    void Show() { SetActive(gaYes); }
    void Hide() { SetActive(gaNo); }

    TSeriesGroups* Collection() const;

    // The names of the series read from a chart file, until the series exist to be found.
    std::unique_ptr<std::vector<AnsiString>> LoadingSeries;

private:
    TCustomSeriesList FSeries;
};

// The chart's groups; owns them.
class TSeriesGroups : public TCollection {
    Q_OBJECT
public:
    explicit TSeriesGroups(IChartHost* owner = nullptr) : FOwner(owner) {}
    ~TSeriesGroups() override { Clear(); }

    IChartHost* Owner() const { return FOwner; }
    // std::out_of_range outside 0..Count - 1.
    TSeriesGroup* Get(int index) const { return static_cast<TSeriesGroup*>(Item(index)); }
    TSeriesGroup* operator[](int index) const { return Get(index); }
    // Assigns the given group's name and series to the group at index.
    void Put(int index, const TSeriesGroup& group);
    TSeriesGroup* Add() override;
    // Nothing outside 0..Count - 1.
    void Delete(int index);
    // Index of the first group holding the series, -1 when none.
    int Contains(const TChartSeries* series) const;
    // Takes the series out of every group (a series that leaves the chart).
    void RemoveSeries(const TChartSeries* series);

private:
    IChartHost* FOwner;
};
