#pragma once
// The panels behind and beside the plot area: back, left, bottom and right wall. Flat
// planes with Size 0, slabs of Size pixels otherwise.
#include "chart/engine/TTeeCustomShape.h"

class TCustomAxisPanel;

class TCustomChartWall : public TTeeCustomShape {
    Q_OBJECT
    Q_PROPERTY(bool AutoHide READ GetAutoHide WRITE SetAutoHide)
    Q_PROPERTY(bool Dark3D READ GetDark3D WRITE SetDark3D)
    Q_PROPERTY(int Size READ GetSize WRITE SetSize)
public:
    explicit TCustomChartWall(TCustomAxisPanel* AOwner = nullptr);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    bool GetAutoHide() const { return FAutoHide; }
    void SetAutoHide(bool Value) { SetProperty(FAutoHide, Value); }
    bool GetDark3D() const { return FDark3D; }
    void SetDark3D(bool Value) { SetProperty(FDark3D, Value); }
    int GetSize() const { return FSize; }
    void SetSize(int Value) { SetProperty(FSize, Value); }
    // Sets the colour and the colour it is stored against.
    void InitColor(TColor Value);
    TColor DefaultColor() const { return FDefaultColor; }
    // The chart's View3DWalls, Visible and not AutoHide.
    bool ShouldDraw() const;
    // Shaded sides: a brush that is not clear, without image, and Dark3D.
    bool ApplyDark3D() const;
    bool HasGradient() const;

private:
    TCustomAxisPanel* FChart;
    bool FAutoHide = false;
    bool FDark3D = true;
    int FSize = 0;
    TColor FDefaultColor = clDefault;
};

class TChartWall : public TCustomChartWall {
    Q_OBJECT
public:
    using TCustomChartWall::TCustomChartWall;
};

class TChartBackWall : public TChartWall {
    Q_OBJECT
public:
    using TChartWall::TChartWall;
};

class TChartRightWall : public TChartWall {
    Q_OBJECT
public:
    using TChartWall::TChartWall;
};

// The chart's four walls.
class TChartWalls : public TPersistent {
    Q_OBJECT
public:
    explicit TChartWalls(TCustomAxisPanel* AChart);
    void Assign(TPersistent* Source) override;

    TChartBackWall* Back() const { return FBack; }
    TChartWall* Bottom() const { return FBottom; }
    TChartWall* Left() const { return FLeft; }
    TChartRightWall* Right() const { return FRight; }
    // The chart's View3DWalls.
    bool GetVisible() const;
    void SetVisible(bool Value);
    // Sets the size of all four walls.
    void SetSize(int Value);

private:
    TCustomAxisPanel* FChart;
    TChartBackWall* FBack;
    TChartWall* FBottom;
    TChartWall* FLeft;
    TChartRightWall* FRight;
};
