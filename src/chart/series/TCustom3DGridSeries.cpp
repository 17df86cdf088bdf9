#include "chart/series/TCustom3DGridSeries.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "chart/engine/ChartExceptions.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"
#include "platform/ScopedValue.h"

namespace {

// Node numbers of a regular grid must stay well inside 32 bits before they are rounded.
constexpr double MaxNodeValue = 1e9;

bool SameValues(const std::vector<double>& kept, const TChartValueList* list, int start)
{
    const std::size_t n = kept.size();
    return n == static_cast<std::size_t>(list->Count() - start) &&
           (n == 0 || std::memcmp(kept.data(), list->Data() + start, n * sizeof(double)) == 0);
}

AnsiString RangeText(double from, double to)
{
    return FloatToStr(from) + " to " + FloatToStr(to);
}

}  // namespace

TCustom3DGridSeries::TCustom3DGridSeries(QObject* owner) : TCustom3DPaletteSeries(owner)
{
    TCustom3DGridSeries::Clear();
}

void TCustom3DGridSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TCustom3DGridSeries*>(&source); other && other != this) {
        FNumXValues = other->FNumXValues;
        FNumZValues = other->FNumZValues;
        FIrregularGrid = other->FIrregularGrid;
    }
    TCustom3DPaletteSeries::Assign(source);
}

bool TCustom3DGridSeries::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "IrregularGrid") == 0) return FIrregularGrid;
    if (std::strcmp(Name, "NumXValues") == 0) return FNumXValues != 10;
    if (std::strcmp(Name, "NumZValues") == 0) return FNumZValues != 10;
    return TCustom3DPaletteSeries::IsPropertyStored(Name);
}

bool TCustom3DGridSeries::IsValidSeriesSource(TChartSeries* series) const
{
    return qobject_cast<TCustom3DGridSeries*>(series) != nullptr;
}

void TCustom3DGridSeries::Clear()
{
    TCustom3DPaletteSeries::Clear();
    FX->SetOrder(loNone);
    InitGridIndex(FNumXValues, FNumZValues);
}

void TCustom3DGridSeries::SetGridSize(int numX, int numZ)
{
    if (numX == FNumXValues && numZ == FNumZValues) return;
    CheckGridSize(numX, numZ, 1, numX, 1, numZ);
    FNumXValues = numX;
    FNumZValues = numZ;
    Clear();
    ReCreateValues();
}

// ---------------------------------------------------------------- the grid index

void TCustom3DGridSeries::CheckGridSize(std::int64_t xCount, std::int64_t zCount, double x0, double x1, double z0,
                                        double z1) const
{
    if (xCount < 0 || zCount < 0 || (xCount + 1) * (zCount + 1) > MaxGridNodes)
        throw ChartException("The grid of X from " + RangeText(x0, x1) + " and Z from " + RangeText(z0, z1) +
                             " has too many nodes (at most " + IntToStr(static_cast<int>(MaxGridNodes)) + ")");
}

void TCustom3DGridSeries::InitGridIndex(int xCount, int zCount)
{
    CheckGridSize(xCount, zCount, 1, xCount, 1, zCount);
    FIndexColumns = xCount + 1;
    FIndexRows = zCount + 1;
    FGridIndex.assign(static_cast<std::size_t>(FIndexColumns) * static_cast<std::size_t>(FIndexRows), -1);
    FColumnValues.resize(static_cast<std::size_t>(FIndexColumns));
    for (int x = 0; x < FIndexColumns; ++x) FColumnValues[static_cast<std::size_t>(x)] = x;
    FRowValues.resize(static_cast<std::size_t>(FIndexRows));
    for (int z = 0; z < FIndexRows; ++z) FRowValues[static_cast<std::size_t>(z)] = z;
    ForgetIndexedValues();
}

double TCustom3DGridSeries::GridXValue(int x) const
{
    return x >= 0 && x < FIndexColumns ? FColumnValues[static_cast<std::size_t>(x)] : x;
}

double TCustom3DGridSeries::GridZValue(int z) const
{
    return z >= 0 && z < FIndexRows ? FRowValues[static_cast<std::size_t>(z)] : z;
}

int TCustom3DGridSeries::GridIndex(int x, int z) const
{
    if (x < 0 || z < 0 || x >= FIndexColumns || z >= FIndexRows) return -1;
    return FGridIndex[static_cast<std::size_t>(x) * static_cast<std::size_t>(FIndexRows) + static_cast<std::size_t>(z)];
}

bool TCustom3DGridSeries::IndexIsCurrent(int startIndex) const
{
    return FIndexedStart == startIndex && FIndexedIrregular == FIrregularGrid &&
           SameValues(FIndexedX, FX, startIndex) && SameValues(FIndexedZ, FZ, startIndex);
}

void TCustom3DGridSeries::RememberIndexedValues(int startIndex)
{
    FIndexedStart = startIndex;
    FIndexedIrregular = FIrregularGrid;
    FIndexedX.assign(FX->Data() + startIndex, FX->Data() + FX->Count());
    FIndexedZ.assign(FZ->Data() + startIndex, FZ->Data() + FZ->Count());
}

void TCustom3DGridSeries::FillGridIndex(int startIndex)
{
    startIndex = std::clamp(startIndex, 0, Count());
    if (!IndexIsCurrent(startIndex)) {
        for (int i = startIndex; i < Count(); ++i)
            if (std::isnan(FX->Value(i)) || std::isnan(FZ->Value(i)))
                throw ChartException("The grid point " + IntToStr(i) + " has no X or Z value");
        if (FIrregularGrid)
            FillIrregular(startIndex);
        else
            FillRegular(startIndex);
        RememberIndexedValues(startIndex);
    }
    FNumXValues = FIndexColumns - 1;
    FNumZValues = FIndexRows - 1;
}

void TCustom3DGridSeries::FillRegular(int startIndex)
{
    const double xMin = FX->MinValue(), xMax = FX->MaxValue();
    const double zMin = FZ->MinValue(), zMax = FZ->MaxValue();
    const auto tooFar = [](double v) { return !(std::fabs(v) <= MaxNodeValue); };
    if (tooFar(xMin) || tooFar(xMax) || tooFar(zMin) || tooFar(zMax))
        CheckGridSize(MaxGridNodes, MaxGridNodes, xMin, xMax, zMin, zMax);
    const int x0 = Round(xMin) - 1, z0 = Round(zMin) - 1;
    const std::int64_t xCount = std::int64_t{Round(xMax)} - x0;
    const std::int64_t zCount = std::int64_t{Round(zMax)} - z0;
    CheckGridSize(xCount, zCount, xMin, xMax, zMin, zMax);
    InitGridIndex(static_cast<int>(xCount), static_cast<int>(zCount));
    for (int x = 0; x < FIndexColumns; ++x) FColumnValues[static_cast<std::size_t>(x)] = x0 + x;
    for (int z = 0; z < FIndexRows; ++z) FRowValues[static_cast<std::size_t>(z)] = z0 + z;
    const std::size_t rows = static_cast<std::size_t>(FIndexRows);
    for (int i = startIndex; i < Count(); ++i) {
        const auto x = static_cast<std::size_t>(Round(FX->Value(i)) - x0);
        const auto z = static_cast<std::size_t>(Round(FZ->Value(i)) - z0);
        FGridIndex[x * rows + z] = i;
    }
}

void TCustom3DGridSeries::FillIrregular(int startIndex)
{
    // The distinct values of each axis in ascending order, the axis minimum first.
    const auto distinct = [&](TChartValueList* list) {
        std::vector<double> values;
        values.reserve(static_cast<std::size_t>(Count() - startIndex + 1));
        values.push_back(list->MinValue());
        values.insert(values.end(), list->Data() + startIndex, list->Data() + list->Count());
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        return values;
    };
    const std::vector<double> xs = distinct(FX);
    const std::vector<double> zs = distinct(FZ);
    CheckGridSize(static_cast<std::int64_t>(xs.size()), static_cast<std::int64_t>(zs.size()), xs.front(), xs.back(),
                  zs.front(), zs.back());
    InitGridIndex(static_cast<int>(xs.size()), static_cast<int>(zs.size()));
    std::copy(xs.begin(), xs.end(), FColumnValues.begin() + 1);
    std::copy(zs.begin(), zs.end(), FRowValues.begin() + 1);
    const std::size_t rows = static_cast<std::size_t>(FIndexRows);
    for (int i = startIndex; i < Count(); ++i) {
        const auto x = static_cast<std::size_t>(std::lower_bound(xs.begin(), xs.end(), FX->Value(i)) - xs.begin());
        const auto z = static_cast<std::size_t>(std::lower_bound(zs.begin(), zs.end(), FZ->Value(i)) - zs.begin());
        FGridIndex[(x + 1) * rows + z + 1] = i;
    }
}

double TCustom3DGridSeries::GetValue(int x, int z) const
{
    const int i = GridIndex(x, z);
    if (i < 0) throw ChartException("No value found at XZ: " + IntToStr(x) + " " + IntToStr(z));
    return FY->Value(i);
}

void TCustom3DGridSeries::SetValue(int x, int z, double value)
{
    const int i = GridIndex(x, z);
    if (i >= 0) {
        FY->SetValue(i, value);
        Repaint();
        return;
    }
    AddXYZ(x, value, z);
    FillGridIndex();
}

bool TCustom3DGridSeries::ExistFourGridIndex(int x, int z)
{
    ValueIndex0 = GridIndex(x, z);
    if (ValueIndex0 < 0) return false;
    ValueIndex1 = GridIndex(x + XStep, z);
    if (ValueIndex1 < 0) return false;
    ValueIndex2 = GridIndex(x + XStep, z + ZStep);
    if (ValueIndex2 < 0) return false;
    ValueIndex3 = GridIndex(x, z + ZStep);
    return ValueIndex3 >= 0;
}

// ---------------------------------------------------------------- values

bool TCustom3DGridSeries::CanCreateValues() const
{
    return OnGetYValue || DesignState || FSampleMode;
}

double TCustom3DGridSeries::GetXZValue(int x, int z)
{
    if (OnGetYValue) return OnGetYValue(this, x, z);
    if (!DesignState && !FSampleMode) return 0;
    const double cx = std::cos(x / (0.2 * FNumXValues));
    const double cz = std::cos(z / (0.2 * FNumZValues));
    return 0.5 * cx * cx + cz * cz - std::cos(z / (0.5 * FNumZValues));
}

void TCustom3DGridSeries::CreateValues(int numX, int numZ)
{
    if (!CanCreateValues()) return;
    CheckGridSize(numX, numZ, 1, numX, 1, numZ);
    FNumXValues = numX;
    FNumZValues = numZ;
    const int total = numX * numZ;
    {
        // The library's growth step of value lists, for this creation only.
        TScopedValue capacity(TeeDefaultCapacity, std::max(1, total));
        Clear();
        TSeriesUpdateGuard update(*this);
        for (TChartValueList* list : FValuesList) list->Reserve(total);
        for (int z = 1; z <= numZ; ++z)
            for (int x = 1; x <= numX; ++x) AddXYZ(x, GetXZValue(x, z), z);
    }
    CreateDefaultPalette(GetPaletteSteps());
}

void TCustom3DGridSeries::AddSampleValues(int numValues, bool)
{
    if (numValues <= 0) return;
    TScopedValue sampleMode(FSampleMode, true);
    CreateValues(numValues, numValues);
}

void TCustom3DGridSeries::AddValues(TChartSeries* source)
{
    if (auto* grid = qobject_cast<TCustom3DGridSeries*>(source)) {
        FNumXValues = grid->FNumXValues;
        FNumZValues = grid->FNumZValues;
    }
    TCustom3DPaletteSeries::AddValues(source);
    if (Count() > 0) FillGridIndex();
    Repaint();
}

void TCustom3DGridSeries::DoBeforeDrawChart()
{
    TCustom3DPaletteSeries::DoBeforeDrawChart();
    if (Count() > 0) FillGridIndex();
}
