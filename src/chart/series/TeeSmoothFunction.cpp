#include "chart/series/TeeSmoothFunction.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProCo.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/Exception.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"

// ---------------------------------------------------------------- TBSpline

void TBSpline::Clear()
{
    FVertexList.clear();
    FPoints.clear();
    FKnuckles.clear();
    FNoPoints = 0;
    FNumberOfVertices = 0;
    FBuild = false;
    FCapacity = 0;
    FInterpolated = false;
    FFragments = 100;
}

void TBSpline::AddPoint(double x, double y)
{
    if (FNoPoints == FCapacity) {
        FCapacity += 25;
        FPoints.resize(static_cast<std::size_t>(FCapacity));
        FKnuckles.resize(static_cast<std::size_t>(FCapacity), false);
    }
    ++FNoPoints;
    FPoints[static_cast<std::size_t>(FNoPoints - 1)] = {x, y};
    SetBuild(false);
}

void TBSpline::SetCapacity(int value)
{
    if (value == FCapacity || value <= 0) return;
    FPoints.resize(static_cast<std::size_t>(value));
    FKnuckles.assign(static_cast<std::size_t>(value), false);
    FCapacity = value;
    if (FNoPoints > value) FNoPoints = value;
    SetBuild(false);
}

void TBSpline::CheckNumber(int number) const
{
    if (number < 1 || number > FNoPoints) throw EListError("Spline point number out of range");
}

TVertex TBSpline::Point(int number) const
{
    CheckNumber(number);
    return FPoints[static_cast<std::size_t>(number - 1)];
}

void TBSpline::SetPoint(int number, const TVertex& value)
{
    CheckNumber(number);
    FPoints[static_cast<std::size_t>(number - 1)] = value;
    SetBuild(false);
}

bool TBSpline::Knuckle(int number) const
{
    CheckNumber(number);
    if (number == 1 || number == FNoPoints) return false;
    return FKnuckles[static_cast<std::size_t>(number - 1)];
}

void TBSpline::SetKnuckle(int number, bool value)
{
    CheckNumber(number);
    FKnuckles[static_cast<std::size_t>(number - 1)] = value;
    SetBuild(false);
}

void TBSpline::SetFragments(int value)
{
    FFragments = std::min(value, MaxFragments);
}

void TBSpline::SetInterpolated(bool value)
{
    if (StoreChanged(FInterpolated, value)) SetBuild(false);
}

void TBSpline::SetBuild(bool value)
{
    if (value || !FBuild) return;
    FVertexList.clear();
    FNumberOfVertices = 0;
    FBuild = false;
}

int TBSpline::NumberOfVertices()
{
    if (!FBuild) Rebuild();
    return FNumberOfVertices;
}

void TBSpline::Rebuild()
{
    if (FNoPoints < 2) return;
    FVertexList.clear();
    int v = 0;
    for (int i = 1; i <= FNoPoints; ++i) v += Knuckle(i) ? 3 : 1;
    FVertexList.assign(static_cast<std::size_t>(v) + 2, TVertex{});
    int k = 1;
    for (int i = 1; i <= FNoPoints; ++i) {
        const TVertex p = FPoints[static_cast<std::size_t>(i - 1)];
        const int copies = Knuckle(i) ? 3 : 1;
        for (int c = 0; c < copies; ++c) FVertexList[static_cast<std::size_t>(k++)] = p;
    }
    FNumberOfVertices = v;

    if (FInterpolated) {
        // The system matrix (B-spline basis 1/6, 2/3, 1/6 at the knots, identity rows at
        // the ends and at knuckles) is tridiagonal: only its three bands are kept, and the
        // elimination without pivoting touches nothing else.
        std::vector<double> sub(static_cast<std::size_t>(v) + 1, 1.0 / 6);
        std::vector<double> diag(static_cast<std::size_t>(v) + 1, 2.0 / 3);
        std::vector<double> super(static_cast<std::size_t>(v) + 1, 1.0 / 6);
        const auto identity = [&](int row) {
            sub[static_cast<std::size_t>(row)] = 0;
            diag[static_cast<std::size_t>(row)] = 1;
            super[static_cast<std::size_t>(row)] = 0;
        };
        identity(1);
        identity(v);
        const auto same = [&](int a, int b) {
            const TVertex& p = FVertexList[static_cast<std::size_t>(a)];
            const TVertex& q = FVertexList[static_cast<std::size_t>(b)];
            return std::fabs(p.X - q.X) < 1e-5 && std::fabs(p.Y - q.Y) < 1e-5;
        };
        int i = 3;
        while (i < v - 1) {
            if (same(i - 1, i) && same(i, i + 1)) {
                identity(i - 1);
                identity(i);
                identity(i + 1);
                i += 2;
            } else {
                ++i;
            }
        }
        if (v >= 3) {
            std::vector<TVertex>& r = FVertexList;
            for (int row = 2; row <= v; ++row) {
                const auto up = static_cast<std::size_t>(row - 1), at = static_cast<std::size_t>(row);
                const double m = sub[at] / diag[up];
                diag[at] -= m * super[up];
                r[at].X -= m * r[up].X;
                r[at].Y -= m * r[up].Y;
            }
            const auto last = static_cast<std::size_t>(v);
            r[last].X /= diag[last];
            r[last].Y /= diag[last];
            for (int row = v - 1; row >= 1; --row) {
                const auto at = static_cast<std::size_t>(row);
                r[at].X = (r[at].X - super[at] * r[at + 1].X) / diag[at];
                r[at].Y = (r[at].Y - super[at] * r[at + 1].Y) / diag[at];
            }
        }
    }

    FBuild = true;
    std::vector<TVertex>& r = FVertexList;
    const auto n = static_cast<std::size_t>(v);
    r[0] = {2 * r[1].X - r[2].X, 2 * r[1].Y - r[2].Y};
    r[n + 1] = {2 * r[n].X - r[n - 1].X, 2 * r[n].Y - r[n - 1].Y};
}

TVertex TBSpline::Value(double t)
{
    TVertex result;
    if (FNoPoints < 2) return result;
    if (!FBuild) Rebuild();
    const int v = FNumberOfVertices;
    const double u = (v - 1) * t + 1;
    const int c = std::max(0, Trunc(u - 1));
    for (int i = std::min(c, v + 1); i <= c + 3; ++i) {
        // A parameter outside 0..1 must not read beyond the phantom vertices.
        if (i < 0 || i > v + 1) continue;
        const double d = std::fabs(i - u);
        if (!(d < 2)) continue;
        const double w = d < 1 ? 2.0 / 3 - d * d + d * d * d / 2 : (2 - d) * (2 - d) * (2 - d) / 6;
        result.X += FVertexList[static_cast<std::size_t>(i)].X * w;
        result.Y += FVertexList[static_cast<std::size_t>(i)].Y * w;
    }
    return result;
}

// ---------------------------------------------------------------- TSmoothingFunction

TSmoothingFunction::TSmoothingFunction(QObject* owner) : TTeeFunction(owner)
{
    FPeriod = 1;
    SingleSource = true;
    NoSourceRequired = false;
}

void TSmoothingFunction::SetFactor(int value)
{
    if (FFactor == value) return;
    FFactor = std::max(1, value);
    ReCalculate();
}

void TSmoothingFunction::AddPoints(TChartSeries* source)
{
    TChartSeries* series = ParentSeries();
    if (!series || !source || Updating()) return;
    TBSpline spline;
    series->Clear();
    if (!series->KeepValueListSettings) {
        if (series->YMandatory() == source->YMandatory()) {
            series->XValues()->SetOrder(loAscending);
            series->MandatoryValueList()->SetOrder(loNone);
            series->UseVisibleRange = true;
        } else {
            series->XValues()->SetOrder(loNone);
            series->MandatoryValueList()->SetOrder(loAscending);
            series->UseVisibleRange = false;
        }
    }
    const auto add = [&](const TVertex& p) {
        if (series->YMandatory())
            series->AddXY(p.X, p.Y, AnsiString(), clDefault);
        else
            series->AddXY(p.Y, p.X, AnsiString(), clDefault);
    };
    // The curve runs along the source's index axis: X is the position, Y the value.
    TChartValueList* positions = source->NotMandatoryValueList();
    TChartValueList* values = ValueList(source);
    const int n = std::min({source->Count(), positions->Count(), values ? values->Count() : 0});
    if (n < 2) {
        // No curve without two points: a single point stays as it is.
        if (n == 1) add({positions->Value(0), values->Value(0)});
        return;
    }
    spline.SetCapacity(n);
    for (int i = 0; i < n; ++i) spline.AddPoint(positions->Value(i), values->Value(i));
    spline.SetInterpolated(FInterpolate);
    spline.Sample(FFactor, add);
}

void TSmoothingFunction::Assign(const TTeeFunction& source)
{
    if (auto* other = qobject_cast<const TSmoothingFunction*>(&source)) {
        FInterpolate = other->FInterpolate;
        FFactor = other->FFactor;
    }
    TTeeFunction::Assign(source);
}

void RegisterTeeSmoothingFunction()
{
    RegisterTeeFunction(&TSmoothingFunction::staticMetaObject, &TeeMsg_FunctionSmooth, &TeeMsg_GalleryExtended, 1);
}
