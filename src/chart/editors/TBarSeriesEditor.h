#pragma once
// The editor of bar series: style, pen, pattern, colours, gradient, tick lines, bevel and
// 3D darkening ("Format"), and bar width, offset, depth and margins ("Size"). The stacking
// editor joins the series page as the "Stack" tab.
#include "chart/editors/TTeeForm.h"

class TCustomBarSeries;
class TStackBarSeriesEditor;

class TBarSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TBarSeriesEditor(QWidget* Owner = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabFormat = nullptr;
    QComboBox* CBBarStyle = nullptr;
    TButtonPen* BBarPen = nullptr;
    QCheckBox* CBColorEach = nullptr;
    TButtonColor* BBarColor = nullptr;
    QPushButton* BGradient = nullptr;
    TButtonPen* BTickLines = nullptr;
    QLabel* LBevel = nullptr;
    QSpinBox* EBevel = nullptr;
    QCheckBox* CBDarkBar = nullptr;
    QSpinBox* UDBarWidth = nullptr;
    QSpinBox* UDBarOffset = nullptr;
    QSpinBox* UDDepth = nullptr;
    QCheckBox* CBBarSideMargins = nullptr;
    QCheckBox* CBMarksAutoPosition = nullptr;

    TCustomBarSeries* Series = nullptr;
    TTeeForm* StackForm = nullptr;

    void FormShow() override;
    void AddStackBarEditor();
    void CheckControls();
    void BGradientClick();
};

class TStackBarSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TStackBarSeriesEditor(QWidget* Owner = nullptr);

    QCheckBox* CBYOrigin = nullptr;
    QLineEdit* EYOrigin = nullptr;
    TTeeRadioGroup* RGMultiBar = nullptr;
    QSpinBox* EGroup = nullptr;

    TCustomBarSeries* Series = nullptr;

    void FormShow() override;
    void CheckControls();
};
