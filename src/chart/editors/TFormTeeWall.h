#pragma once
// The Walls page of the chart editor: one of the chart's four walls at a time (left,
// right, bottom, back) with its colour, border, pattern, size, transparency, 3D darkening,
// gradient, visibility and automatic hiding, plus the switch and size shared by all walls.
#include "chart/editors/TTeeForm.h"

class TChartWall;
class TCustomChart;

class TFormTeeWall : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeWall(QWidget* Owner = nullptr) : TFormTeeWall(Owner, nullptr) {}
    TFormTeeWall(QWidget* Owner, TChartWall* AWall);

    QCheckBox* CBView3dWalls = nullptr;
    QSpinBox* EAllSize = nullptr;
    QTabBar* TabSubWalls = nullptr;
    TButtonColor* BWallColor = nullptr;
    TButtonPen* BWallPen = nullptr;
    QSpinBox* SEWallSize = nullptr;
    QCheckBox* CBTransp = nullptr;
    QCheckBox* CBDark3D = nullptr;
    QPushButton* BGradient = nullptr;
    QCheckBox* CBVisible = nullptr;
    QSpinBox* Edit1 = nullptr;
    QCheckBox* CBAutoHide = nullptr;

    TChartWall* Wall = nullptr;
    TCustomChart* TheChart() const;

    void FormShow() override;
    void TabSubWallsChange();
    void SetWallControls();
    void BGradientClick();

private:
    TCustomChart* FChart = nullptr;
};
