#pragma once
// Smoothing of a line of screen points through a B-spline, for series that can draw their
// lines smoothed (the contour lines).
#include <span>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "platform/TPersistent.h"

class TSmoothPoints : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ GetActive WRITE SetActive)
    Q_PROPERTY(bool Interpolate READ GetInterpolate WRITE SetInterpolate)

public:
    explicit TSmoothPoints(TChartSeries* series);

    // Takes Active from another smoothing object.
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // The smoothed line: Factor points per input point plus one, at most 601; fewer than
    // two input points come back unchanged.
    void Calculate(std::span<const TPoint> points, std::vector<TPoint>& result) const;

    bool GetActive() const { return FActive; }
    void SetActive(bool value) { SetSwitch(FActive, value); }
    bool GetInterpolate() const { return FInterpolate; }
    void SetInterpolate(bool value) { SetSwitch(FInterpolate, value); }

private:
    void SetSwitch(bool& field, bool value);
    TChartSeries* FSeries;
    bool FActive = false;
    bool FInterpolate = false;
    int FFactor = 4;
};
