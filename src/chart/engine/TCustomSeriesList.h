#pragma once
// Lists of series (not owning them): the plain list, and the chart's list with its
// series groups.
#include <memory>
#include <vector>

#include "platform/AnsiString.h"

class IChartHost;
class TChartSeries;
class TSeriesGroup;
class TSeriesGroups;

class TCustomSeriesList {
public:
    TCustomSeriesList() = default;
    explicit TCustomSeriesList(IChartHost* chart) : FChart(chart) {}
    TCustomSeriesList(const TCustomSeriesList& other) = default;
    TCustomSeriesList& operator=(const TCustomSeriesList& other) = default;
    virtual ~TCustomSeriesList() = default;

    IChartHost* Chart() const { return FChart; }
    void SetChart(IChartHost* chart) { FChart = chart; }

    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    TChartSeries* operator[](int index) const { return Get(index); }
    TChartSeries* Get(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    void Put(int index, TChartSeries* series) { FItems.at(static_cast<std::size_t>(index)) = series; }
    int IndexOf(const TChartSeries* series) const;
    bool Contains(const TChartSeries* series) const { return IndexOf(series) >= 0; }
    int Add(TChartSeries* series);
    void Insert(int index, TChartSeries* series);
    void Delete(int index);
    // Removes the first entry of the series; its index, or -1.
    int Remove(const TChartSeries* series);
    void Exchange(int a, int b);
    void Clear() { FItems.clear(); }

    // Clear on every series of the list.
    void ClearValues();
    void FillSampleValues(int numValues);
    // True for an empty list.
    bool AllActive() const;
    void SetAllActive(bool value);

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    IChartHost* FChart = nullptr;
    std::vector<TChartSeries*> FItems;
};

// The chart's series, with the chart's series groups.
class TChartSeriesList : public TCustomSeriesList {
public:
    explicit TChartSeriesList(IChartHost* chart = nullptr);
    ~TChartSeriesList() override;
    TChartSeriesList(const TChartSeriesList&) = delete;
    TChartSeriesList& operator=(const TChartSeriesList&) = delete;

    TSeriesGroups& Groups() { return *FGroups; }
    TSeriesGroup* AddGroup(const AnsiString& name);

private:
    std::unique_ptr<TSeriesGroups> FGroups;
};
