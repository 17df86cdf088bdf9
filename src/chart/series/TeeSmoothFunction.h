#pragma once
// A uniform cubic B-spline through (or near) a list of points, and the smoothing function
// that samples it to replace the points of its source by a smooth curve.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "chart/engine/TTeeFunction.h"

struct TVertex {
    double X = 0;
    double Y = 0;
};

// Points are numbered from 1. A knuckle point is a sharp corner of the curve.
class TBSpline {
public:
    TBSpline() { Clear(); }
    ~TBSpline() { Clear(); }
    TBSpline(const TBSpline&) = delete;
    TBSpline& operator=(const TBSpline&) = delete;

    void Clear();
    void AddPoint(double x, double y);
    int Count() const { return FNoPoints; }
    int Capacity() const { return FCapacity; }
    // Positive values only; a smaller capacity drops the points beyond it.
    void SetCapacity(int value);

    // Numbers outside 1..Count raise EListError.
    TVertex Point(int number) const;
    void SetPoint(int number, const TVertex& value);
    bool Knuckle(int number) const;
    void SetKnuckle(int number, bool value);

    int Fragments() const { return FFragments; }
    // At most 600.
    void SetFragments(int value);
    bool Interpolated() const { return FInterpolated; }
    void SetInterpolated(bool value);
    bool Built() const { return FBuild; }
    // Only false has an effect: the vertex list is dropped.
    void SetBuild(bool value);
    int NumberOfVertices();

    void Rebuild();
    // The curve point at t (0 = first point, 1 = last one); the origin with fewer than 2
    // points.
    TVertex Value(double t);
    // Visits the curve at factor fragments per point (at most MaxFragments), both ends
    // included.
    template <typename Visit>
    void Sample(int factor, Visit&& visit)
    {
        SetFragments(static_cast<int>(std::min<std::int64_t>(std::int64_t{FNoPoints} * factor, MaxFragments)));
        for (int i = 0; i <= FFragments; ++i) visit(Value(static_cast<double>(i) / FFragments));
    }

    static constexpr int MaxFragments = 600;

private:
    void CheckNumber(int number) const;

    int FNoPoints = 0;
    int FCapacity = 0;
    std::vector<TVertex> FPoints;
    // Indices 0..V + 1; 0 and V + 1 are phantom vertices beyond the ends.
    std::vector<TVertex> FVertexList;
    std::vector<bool> FKnuckles;
    bool FBuild = false;
    int FNumberOfVertices = 0;
    bool FInterpolated = false;
    int FFragments = 100;
};

class TSmoothingFunction : public TTeeFunction {
    Q_OBJECT
    Q_PROPERTY(bool Interpolate READ GetInterpolate WRITE SetInterpolate)
    Q_PROPERTY(int Factor READ GetFactor WRITE SetFactor)
public:
    Q_INVOKABLE explicit TSmoothingFunction(QObject* owner = nullptr);

    bool GetInterpolate() const { return FInterpolate; }
    void SetInterpolate(bool value) { SetProperty(FInterpolate, value); }
    // Samples per source point; at least 1.
    int GetFactor() const { return FFactor; }
    void SetFactor(int value);

    void AddPoints(TChartSeries* source) override;
    AnsiString GetEditorClass() const override { return "TSmoothFuncEditor"; }
    void Assign(const TTeeFunction& source) override;

private:
    bool FInterpolate = true;
    int FFactor = 4;
};

// Enters the smoothing function into the library's series-type list (once).
void RegisterTeeSmoothingFunction();
