#pragma once
// The editor of pie series: 3D darkening, exploding, patterns, pen, total angle, shadow,
// marks placement, dark border and multiple pies ("Options"), the slices grouped into
// "other" ("Group Slices") and the colours ("Colors"). The circled editor (circle, 3D,
// rotation, radii) joins the series page as the "Circled" tab.
#include "chart/editors/TTeeForm.h"

class TCircledSeries;
class TPieSeries;

class TPieSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TPieSeriesEditor(QWidget* Owner = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QCheckBox* CBDark3d = nullptr;
    QSpinBox* UDExpBig = nullptr;
    QCheckBox* CBPatterns = nullptr;
    TButtonPen* BPen = nullptr;
    QSpinBox* UDAngleSize = nullptr;
    QCheckBox* CBMarksAutoPosition = nullptr;
    QSpinBox* Edit2 = nullptr;
    QComboBox* CBMultiple = nullptr;
    QComboBox* CBOther = nullptr;
    QLineEdit* EOtherValue = nullptr;
    QLineEdit* EOtherLabel = nullptr;
    QCheckBox* CBColorEach = nullptr;
    TButtonColor* BColor = nullptr;

    TPieSeries* Series = nullptr;
    TTeeForm* CircledForm = nullptr;

    void FormShow() override;
    void EnableOther();
    // Raises the conversion error for a value that is no number (nothing is changed).
    void EOtherValueChange();
};

class TCircledSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TCircledSeriesEditor(QWidget* Owner = nullptr);

    QCheckBox* CBCircled = nullptr;
    QCheckBox* CB3D = nullptr;
    QSpinBox* UDRot = nullptr;
    QSpinBox* UDX = nullptr;
    QSpinBox* UDY = nullptr;
    QCheckBox* CBAutoXR = nullptr;
    QCheckBox* CBAutoYR = nullptr;
    TButtonColor* BBack = nullptr;
    QCheckBox* CBTransp = nullptr;
    QPushButton* BGradient = nullptr;

    TCircledSeries* Series = nullptr;

    void FormShow() override;
    void CBTranspClick();
    void BGradientClick();
    void BackChosen();

private:
    void RadiusChange(QSpinBox* Edit, QCheckBox* Auto, bool Horizontal);
    void AutoClick(QSpinBox* Edit, QCheckBox* Auto);
};
