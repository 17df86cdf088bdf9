#pragma once
// The editor of line series and their kin: line pen and colour, colours per point,
// stacking, clickable line, colours per line; for line series also stairs, 3D darkening,
// height, outline and pattern. The series' pointer gets a tab of its own.
#include "chart/editors/TTeeForm.h"

class TCustomSeries;

class TCustomSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TCustomSeriesEditor(QWidget* Owner = nullptr);

    TButtonPen* BLineBorder = nullptr;
    TButtonColor* BLineColor = nullptr;
    QCheckBox* CBColorEach = nullptr;
    QComboBox* CBStack = nullptr;
    QCheckBox* CBClick = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QGroupBox* GBStair = nullptr;
    QCheckBox* CBStairs = nullptr;
    QCheckBox* CBInvStairs = nullptr;
    QCheckBox* CBDark3D = nullptr;
    QLabel* LHeight = nullptr;
    QSpinBox* EHeight = nullptr;
    TButtonPen* BOutline = nullptr;
    QPushButton* BBrush = nullptr;
    QPushButton* Button1 = nullptr;

    TCustomSeries* Series = nullptr;
    TTeeForm* PointerForm = nullptr;

    void FormShow() override;
    void BLineBorderClick();
};
