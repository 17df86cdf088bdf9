#include "chart/series/TSmoothPoints.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "chart/series/TeeSmoothFunction.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"

TSmoothPoints::TSmoothPoints(TChartSeries* series) : TPersistent(series), FSeries(series) {}

void TSmoothPoints::Assign(TPersistent* Source)
{
    if (auto* other = qobject_cast<TSmoothPoints*>(Source)) {
        FActive = other->FActive;
        return;
    }
    TPersistent::Assign(Source);
}

bool TSmoothPoints::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Active") == 0) return FActive;
    if (std::strcmp(Name, "Interpolate") == 0) return FInterpolate;
    return TPersistent::IsPropertyStored(Name);
}

void TSmoothPoints::SetActive(bool value)
{
    if (StoreChanged(FActive, value))
        if (FSeries) FSeries->Repaint();
}

void TSmoothPoints::SetInterpolate(bool value)
{
    if (StoreChanged(FInterpolate, value))
        if (FSeries) FSeries->Repaint();
}

void TSmoothPoints::Calculate(std::span<const TPoint> points, std::vector<TPoint>& result) const
{
    if (points.size() < 2) {
        result.assign(points.begin(), points.end());
        return;
    }
    TBSpline spline;
    for (std::size_t i = 0; i < points.size(); ++i) {
        spline.AddPoint(points[i].X, points[i].Y);
        spline.SetKnuckle(static_cast<int>(i) + 1, false);
    }
    spline.SetInterpolated(FInterpolate);
    // The spline takes at most MaxFragments: the result is sized by what it took.
    spline.SetFragments(static_cast<int>(std::min<std::int64_t>(
        std::int64_t{FFactor} * static_cast<std::int64_t>(points.size()), TBSpline::MaxFragments)));
    const int fragments = spline.Fragments();
    result.resize(static_cast<std::size_t>(fragments) + 1);
    for (int i = 0; i <= fragments; ++i) {
        const TVertex v = spline.Value(static_cast<double>(i) / fragments);
        result[static_cast<std::size_t>(i)] = TPoint(Round(v.X), Round(v.Y));
    }
}
