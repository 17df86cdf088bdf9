#pragma once
// One solid per grid cell (cube, cylinder, cone, pyramid, arrow and others) standing on
// the X-Z floor, as tall as the cell's Y value, in the palette colour of that value.
#include "chart/series/TCustom3DGridSeries.h"

// The stored tower values with their defaults.
struct TTowerSettings {
    bool Dark3D = true;
    double Origin = 0;
    int PercentDepth = 100;
    int PercentWidth = 100;
    TTowerStyle TowerStyle = tsCube;
    int Transparency = 0;
    bool UseOrigin = false;
};

class TTowerSeries : public TCustom3DGridSeries {
    Q_OBJECT
    Q_PROPERTY(bool Dark3D READ GetDark3D WRITE SetDark3D)
    Q_PROPERTY(double Origin READ GetOrigin WRITE SetOrigin)
    Q_PROPERTY(int PercentDepth READ GetPercentDepth WRITE SetPercentDepth)
    Q_PROPERTY(int PercentWidth READ GetPercentWidth WRITE SetPercentWidth)
    Q_PROPERTY(ExtraSeriesEnums::TTowerStyle TowerStyle READ GetTowerStyle WRITE SetTowerStyle)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)
    Q_PROPERTY(bool UseOrigin READ GetUseOrigin WRITE SetUseOrigin)

public:
    Q_INVOKABLE explicit TTowerSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TTowerSeriesEditor"; }
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void DrawAllValues() override;
    void DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    double MaxXValue() override { return FX->MaxValue() + 0.5; }
    double MinXValue() override { return FX->MinValue() - 0.5; }
    double MaxZValue() override { return FZ->MaxValue() + 0.5; }
    double MinZValue() override { return FZ->MinValue() - 0.5; }
    int Clicked(int x, int y) override;
    using TChartSeries::Clicked;
    void PrepareForGallery(bool enabled) override;
    bool IsPropertyStored(const char* Name) const override;

    // The screen geometry of a point's tower: top y, the origin's y, the depths of its
    // front and back and its rectangle (top and bottom ordered).
    void CalcCell(int valueIndex, int& y, int& yOrigin, int& z0, int& z1, TRect& r) const;

    bool GetDark3D() const { return FSettings.Dark3D; }
    void SetDark3D(bool value) { SetBooleanProperty(FSettings.Dark3D, value); }
    double GetOrigin() const { return FSettings.Origin; }
    void SetOrigin(double value) { SetDoubleProperty(FSettings.Origin, value); }
    int GetPercentDepth() const { return FSettings.PercentDepth; }
    void SetPercentDepth(int value) { SetIntegerProperty(FSettings.PercentDepth, value); }
    int GetPercentWidth() const { return FSettings.PercentWidth; }
    void SetPercentWidth(int value) { SetIntegerProperty(FSettings.PercentWidth, value); }
    TTowerStyle GetTowerStyle() const { return FSettings.TowerStyle; }
    void SetTowerStyle(TTowerStyle value) { SetProperty(FSettings.TowerStyle, value); }
    int GetTransparency() const { return FSettings.Transparency; }
    void SetTransparency(int value) { SetIntegerProperty(FSettings.Transparency, value); }
    bool GetUseOrigin() const { return FSettings.UseOrigin; }
    void SetUseOrigin(bool value) { SetBooleanProperty(FSettings.UseOrigin, value); }

private:
    // Half the width and depth of a tower in axis units.
    double HalfWidth() const { return FSettings.PercentWidth * 0.005; }
    double HalfDepth() const { return FSettings.PercentDepth * 0.005; }
    bool CellShown(int x, int z, int& valueIndex) const;

    TTowerSettings FSettings;
};
