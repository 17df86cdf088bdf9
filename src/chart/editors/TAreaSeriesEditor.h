#pragma once
// The editor of area series: stacking, stairs, the pens of the area lines and the border,
// the area and top patterns, colours, origin and transparency. The pointer and the
// gradient get tabs of their own.
#include "chart/editors/TTeeForm.h"

class TAreaSeries;

class TAreaSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAreaSeriesEditor(QWidget* Owner = nullptr);

    TTeeRadioGroup* RGMultiArea = nullptr;
    QCheckBox* CBStairs = nullptr;
    QCheckBox* CBInvStairs = nullptr;
    TButtonPen* BAreaLinesPen = nullptr;
    TButtonPen* BAreaLinePen = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* CBColorEach = nullptr;
    TButtonColor* BAreaColor = nullptr;
    QCheckBox* CBUseOrigin = nullptr;
    QSpinBox* EOrigin = nullptr;
    QSpinBox* ETransp = nullptr;

    TAreaSeries* Series = nullptr;
    TTeeForm* PointerForm = nullptr;
    TTeeForm* GradientForm = nullptr;

    void FormShow() override;
    void CheckControls();
};
