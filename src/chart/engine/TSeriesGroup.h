#pragma once
// Named groups of series that are shown or hidden together.
#include <QObject>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "chart/engine/TCustomSeriesList.h"

class TSeriesGroups;

class TSeriesGroup : public QObject {
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

    TSeriesGroupActive GetActive() const;
    void SetActive(TSeriesGroupActive value);
    void Show() { SetActive(gaYes); }
    void Hide() { SetActive(gaNo); }

    TSeriesGroups* Collection() const { return FCollection; }

private:
    TSeriesGroups* FCollection;
    TCustomSeriesList FSeries;
};

// The chart's groups; owns them.
class TSeriesGroups {
public:
    explicit TSeriesGroups(IChartHost* owner = nullptr) : FOwner(owner) {}
    TSeriesGroups(const TSeriesGroups&) = delete;
    TSeriesGroups& operator=(const TSeriesGroups&) = delete;
    ~TSeriesGroups() { Clear(); }

    IChartHost* Owner() const { return FOwner; }
    int Count() const { return static_cast<int>(FItems.size()); }
    TSeriesGroup* Get(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TSeriesGroup* operator[](int index) const { return Get(index); }
    // Assigns the given group's name and series to the group at index.
    void Put(int index, const TSeriesGroup& group);
    TSeriesGroup* Add();
    void Delete(int index);
    void Clear();
    // Index of the first group holding the series, -1 when none.
    int Contains(const TChartSeries* series) const;

private:
    IChartHost* FOwner;
    std::vector<TSeriesGroup*> FItems;
};
