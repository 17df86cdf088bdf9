#include "chart/series/TSmoothPoints.h"

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

void TSmoothPoints::SetSwitch(bool& field, bool value)
{
    if (StoreChanged(field, value) && FSeries) FSeries->Repaint();
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
    result.clear();
    spline.Sample(FFactor, [&](const TVertex& v) { result.emplace_back(Round(v.X), Round(v.Y)); });
}
