#pragma once
// A grid of Y values over the X by Z plane drawn as a 3D surface of four-cornered cells in
// the colours of their values, as a wire frame or as dots, optionally closed by sides down
// to the floor; and the waterfall series, the same grid drawn as one filled strip per Z row.
#include <span>

#include "chart/engine/TeCanvas.h"
#include "chart/series/TCustom3DGridSeries.h"

class TTeeBlend;

// The stored values of a surface with their defaults.
struct TSurfaceSettings {
    bool DotFrame = false;
    bool FastBrush = false;
    bool SmoothPalette = false;
    int Transparency = 0;
    bool WireFrame = false;
};

class TSurfaceSeries : public TCustom3DGridSeries {
    Q_OBJECT
    Q_PROPERTY(bool DotFrame READ GetDotFrame WRITE SetDotFrame)
    Q_PROPERTY(bool FastBrush READ GetFastBrush WRITE SetFastBrush)
    Q_PROPERTY(TChartBrush* SideBrush READ GetSideBrush WRITE SetSideBrush)
    Q_PROPERTY(TChartHiddenPen* SideLines READ GetSideLines WRITE SetSideLines)
    Q_PROPERTY(bool SmoothPalette READ GetSmoothPalette WRITE SetSmoothPalette)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
    Q_PROPERTY(bool WireFrame READ GetWireFrame WRITE SetWireFrame)

public:
    Q_INVOKABLE explicit TSurfaceSeries(QObject* owner = nullptr);
    ~TSurfaceSeries() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TSurfaceSeriesEditor"; }
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void DrawAllValues() override;
    void SetSubGallery(TChartSeries* series, int index) override;
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;
    void PrepareForGallery(bool enabled) override;
    bool IsPropertyStored(const char* Name) const override;

    // Draws the cell whose first corner is node (x, z).
    virtual void DrawCell(int x, int z);

    // The loops over the cells from back to front (ends exclusive); sets XStep and ZStep.
    struct TCellLoops {
        int XStart = 0, XEnd = 0, XStep = 1;
        int ZStart = 0, ZEnd = 0, ZStep = 1;
    };
    TCellLoops CellsOrientation();
    // ExistFourGridIndex and, when true, the screen points of the four corners.
    bool FourGridIndex(int x, int z);
    void CalcPointPos(int valueIndex, TPoint& p) const;
    // The corner points projected, the first two at depth z0, the last two at z1.
    void PointsTo2D(int z0, int z1, TFourPoints& points) const;
    // The canvas's callback for grid line x, row z of a whole-surface drawing.
    bool FastCalcPoints(int x, int z, TPoint3D& p0, TPoint3D& p1, TColor& color0, TColor& color1);
    // Screen points of the current cell's corners.
    TFourPoints CornerPoints{};

    bool GetDotFrame() const { return FSettings.DotFrame; }
    void SetDotFrame(bool value);
    bool GetFastBrush() const { return FSettings.FastBrush; }
    // This platform has no device brush whose colour is set directly: the request is
    // ignored and cells keep their brush.
    void SetFastBrush(bool) {}
    TChartBrush* GetSideBrush() const { return FSideBrush; }
    void SetSideBrush(TChartBrush* value) { FSideBrush->Assign(value); }
    TChartHiddenPen* GetSideLines() const { return FSideLines; }
    void SetSideLines(TChartHiddenPen* value) { FSideLines->Assign(value); }
    bool GetSmoothPalette() const { return FSettings.SmoothPalette; }
    void SetSmoothPalette(bool value) { SetBooleanProperty(FSettings.SmoothPalette, value); }
    int GetTransparency() const { return FSettings.Transparency; }
    void SetTransparency(int value) { SetIntegerProperty(FSettings.Transparency, value); }
    bool GetWaterFall() const { return FWaterFall; }
    void SetWaterFall(bool value) { SetBooleanProperty(FWaterFall, value); }
    TChartPen* GetWaterLines() const { return FWaterLines; }
    void SetWaterLines(TChartPen* value) { FWaterLines->Assign(value); }
    bool GetWireFrame() const { return FSettings.WireFrame; }
    void SetWireFrame(bool value);

protected:
    bool FWaterFall = false;

private:
    void DrawSides(bool frontPass);
    void DrawCellsInOrder(const TCellLoops& loops);
    void DrawThroughBlend(std::span<const TPoint> points);

    TSurfaceSettings FSettings;
    TChartBrush* FSideBrush;
    TChartHiddenPen* FSideLines;
    TChartPen* FWaterLines;
    // State of the current draw.
    bool FSingleBrush = false;
    TTeeBlend* FBlend = nullptr;
};

class TWaterFallSeries : public TSurfaceSeries {
    Q_OBJECT
    Q_PROPERTY(bool WaterFall READ GetWaterFall WRITE SetWaterFall)
    Q_PROPERTY(TChartPen* WaterLines READ GetWaterLines WRITE SetWaterLines)

public:
    Q_INVOKABLE explicit TWaterFallSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TWaterFallEditor"; }
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    void GalleryChanged3D(bool is3D) override;
    bool IsPropertyStored(const char* Name) const override;
};
