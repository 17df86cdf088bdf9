#pragma once
// The chart's lists of axes: every axis (the six standard ones first, owned) and the
// collection of custom axes.
#include <vector>

#include "chart/engine/TChartAxis.h"
#include "platform/TCollection.h"

class IAxisHost;

// Every axis of a chart, owned: bottom, top, left, right, depth, depth-top, then the custom
// axes. An axis enters the list when it is created and leaves it when it is freed.
class TChartAxes {
public:
    explicit TChartAxes(IAxisHost* chart = nullptr) : FChart(chart) {}
    ~TChartAxes() { Clear(); }
    TChartAxes(const TChartAxes&) = delete;
    TChartAxes& operator=(const TChartAxes&) = delete;

    IAxisHost* Chart() const { return FChart; }
    int Count() const { return static_cast<int>(FItems.size()); }
    TChartAxis* Get(int index) const;
    TChartAxis* operator[](int index) const { return Get(index); }
    int IndexOf(const TChartAxis* axis) const;

    TChartAxis* BottomAxis() const { return Standard(0); }
    TChartAxis* TopAxis() const { return Standard(1); }
    TChartAxis* LeftAxis() const { return Standard(2); }
    TChartAxis* RightAxis() const { return Standard(3); }
    TChartAxis* DepthAxis() const { return Standard(4); }
    TChartAxis* DepthTopAxis() const { return Standard(5); }

    // Frees every axis.
    void Clear();
    bool GetFastCalc() const { return FFastCalc; }
    // Every axis chooses its value-to-pixel operations again.
    void SetFastCalc(bool value);
    bool GetBehind() const;
    void SetBehind(bool value);
    bool GetVisible() const;
    void SetVisible(bool value);
    // Automatic on every axis.
    void Reset();
    void Hide() { SetVisible(false); }

    // List maintenance for the axis' own constructor and destructor.
    void InternalAdd(TChartAxis* axis) { FItems.push_back(axis); }
    void InternalRemove(TChartAxis* axis);

private:
    TChartAxis* Standard(int index) const
    {
        return index < Count() ? FItems[static_cast<std::size_t>(index)] : nullptr;
    }

    IAxisHost* FChart;
    std::vector<TChartAxis*> FItems;
    bool FFastCalc = false;
};

// The chart's custom axes, owned (they are also in the chart's axes list). Chart files
// store the collection as its items.
class TChartCustomAxes : public TCollection {
    Q_OBJECT
public:
    explicit TChartCustomAxes(IAxisHost* chart = nullptr) : FChart(chart) {}
    ~TChartCustomAxes() override { Clear(); }

    IAxisHost* Chart() const { return FChart; }
    // EListError outside 0..Count - 1.
    TChartAxis* Items(int index) const;
    TChartAxis* operator[](int index) const { return Items(index); }
    // Assigns the given axis' settings to item index.
    void SetItems(int index, TChartAxis* axis);
    int IndexOf(const TChartAxis* axis) const;
    // A new custom axis.
    TChartAxis* Add() override;
    void Delete(int index);
    // Every custom axis whose scale follows the given one takes its minimum and maximum.
    void ResetScales(TChartAxis* axis);

private:
    IAxisHost* FChart;
};
