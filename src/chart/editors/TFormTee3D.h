#pragma once
// The 3D page of the chart editor: the chart's 3D switch and depth, clipping, and its 3D
// view options (zoom, rotation, elevation, offsets, perspective, orthogonal projection and
// angle, text zoom), plus a tab of six ready-made views picked from sample charts.
#include "chart/editors/TTeeForm.h"

class TChartGalleryPanel;
class TCustomChart;

class TFormTee3D : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTee3D(QWidget* Owner = nullptr) : TFormTee3D(Owner, nullptr) {}
    TFormTee3D(QWidget* Owner, TCustomChart* AChart);

    TTeePageControl* PageControl1 = nullptr;
    QWidget* Tab3D = nullptr;
    QCheckBox* CBView3d = nullptr;
    QSpinBox* SE3d = nullptr;
    QCheckBox* CBOrthogonal = nullptr;
    QSpinBox* EOrthoAngle = nullptr;
    QSlider* SBZoom = nullptr;
    QLabel* LZoom = nullptr;
    QSlider* SBRotation = nullptr;
    QLabel* LRotation = nullptr;
    QSlider* SBElevation = nullptr;
    QLabel* LElevation = nullptr;
    QSlider* SBHOffset = nullptr;
    QLabel* LHOffset = nullptr;
    QSlider* SBVOffset = nullptr;
    QLabel* LVOffset = nullptr;
    QSlider* SBPerspec = nullptr;
    QLabel* LPerspec = nullptr;
    QCheckBox* CBZoomText = nullptr;
    QSpinBox* ETextSize = nullptr;
    QCheckBox* CBClipPoints = nullptr;
    QWidget* TabViews = nullptr;
    TChartGalleryPanel* ChartGalleryPanel1 = nullptr;

    bool AllowRotation = true;
    bool Refreshing = false;
    TCustomChart* Chart = nullptr;
    bool ResetPage = true;

    void FormShow() override;
    void RefreshOptions();
    // Which controls apply (the chart editor runs it each time the page is shown).
    Q_INVOKABLE void CheckControls();
    int GetRotation() const;
    void CreateViewsGallery();
    void Select3DChart(TCustomChart* AChart);
    void SetGallery3DChart(TCustomChart* AChart);
    void PageControl1Change();

private:
    // Runs Write on the chart unless the controls are being loaded.
    void Write(const std::function<void()>& Writer);
    bool FSelectingView = false;
};
