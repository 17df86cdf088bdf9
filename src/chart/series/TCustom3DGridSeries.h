#pragma once
// The base of the series whose points lie on an X by Z grid with one Y value per node.
// Points are kept in any order; an index from grid node to point lets the drawing walk
// the grid cell by cell. Regular grids take rounded X and Z as node numbers, irregular
// ones place any distinct values by rank.
#include <functional>
#include <vector>

#include "chart/series/TCustom3DPaletteSeries.h"

using TChartSurfaceGetY = std::function<double(TChartSeries* Sender, int X, int Z)>;

class TCustom3DGridSeries : public TCustom3DPaletteSeries {
    Q_OBJECT
    Q_PROPERTY(bool IrregularGrid READ GetIrregularGrid WRITE SetIrregularGrid)
    Q_PROPERTY(int NumXValues READ GetNumXValues WRITE SetNumXValues)
    Q_PROPERTY(int NumZValues READ GetNumZValues WRITE SetNumZValues)

public:
    // The most nodes a grid index may have; a grid that would need more is refused.
    static constexpr std::int64_t MaxGridNodes = std::int64_t{1} << 24;

    explicit TCustom3DGridSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    void DoBeforeDrawChart() override;
    void AddValues(TChartSeries* source) override;
    void Clear() override;
    int NumSampleValues() const override { return FNumXValues; }
    void AddSampleValues(int numValues, bool onlyMandatory = false) override;
    bool IsValidSeriesSource(TChartSeries* series) const override;
    bool IsPropertyStored(const char* Name) const override;

    virtual void CreateValues(int numX, int numZ);
    virtual double GetXZValue(int x, int z);
    bool CanCreateValues() const;
    void ReCreateValues() { CreateValues(FNumXValues, FNumZValues); }

    // ---- the grid index
    // (XCount + 1) by (ZCount + 1) nodes without points; raises ChartException for a
    // negative count or more than MaxGridNodes nodes.
    void InitGridIndex(int xCount, int zCount);
    // Builds the index from the points StartIndex.. and sets NumXValues and NumZValues.
    // Kept while the X and Z values stay the same. Raises ChartException for a grid
    // holding NaN or needing more than MaxGridNodes nodes.
    void FillGridIndex(int startIndex = 0);
    // The point at node (x, z), -1 for none or outside the grid.
    int GridIndex(int x, int z) const;
    // Y of the point at node (x, z); raises ChartException for a node without a point.
    double GetValue(int x, int z) const;
    // Sets Y of the point at node (x, z); a node without one gets a new point.
    void SetValue(int x, int z, double value);
    // The X of grid column x and the Z of grid row z as the last index build placed them
    // (a regular grid counts on from its rounded minimum; before any build the node
    // numbers themselves).
    double GridXValue(int x) const;
    double GridZValue(int z) const;
    // The corners of the cell at (x, z) with the current steps, into ValueIndex0..3; false
    // at the first missing one.
    bool ExistFourGridIndex(int x, int z);

    // Direction of the neighbouring corner inside a cell (+1 or -1) and the point indices
    // of the current cell's corners (x, z), (x + XStep, z), (x + XStep, z + ZStep),
    // (x, z + ZStep).
    int XStep = 0;
    int ZStep = 0;
    int ValueIndex0 = -1;
    int ValueIndex1 = -1;
    int ValueIndex2 = -1;
    int ValueIndex3 = -1;

    TChartSurfaceGetY OnGetYValue;

    bool GetIrregularGrid() const { return FIrregularGrid; }
    void SetIrregularGrid(bool value) { SetBooleanProperty(FIrregularGrid, value); }
    int GetNumXValues() const { return FNumXValues; }
    void SetNumXValues(int value) { SetGridSize(value, FNumZValues); }
    int GetNumZValues() const { return FNumZValues; }
    void SetNumZValues(int value) { SetGridSize(FNumXValues, value); }

protected:
    bool FSampleMode = false;

private:
    // A new grid size empties the series and makes values anew where it can.
    void SetGridSize(int numX, int numZ);
    void FillRegular(int startIndex);
    void FillIrregular(int startIndex);
    void CheckGridSize(std::int64_t xCount, std::int64_t zCount, double x0, double x1, double z0, double z1) const;
    bool IndexIsCurrent(int startIndex) const;
    void RememberIndexedValues(int startIndex);
    void ForgetIndexedValues() { FIndexedStart = -1; }

    bool FIrregularGrid = false;
    int FNumXValues = 10;
    int FNumZValues = 10;
    std::vector<int> FGridIndex;
    std::vector<double> FColumnValues;
    std::vector<double> FRowValues;
    int FIndexColumns = 0;  // NumXValues + 1 of the index
    int FIndexRows = 0;
    // The values the index was built from; -1: none.
    int FIndexedStart = -1;
    bool FIndexedIrregular = false;
    std::vector<double> FIndexedX;
    std::vector<double> FIndexedZ;
};
