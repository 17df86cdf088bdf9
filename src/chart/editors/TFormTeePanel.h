#pragma once
// The Panel page of the chart editor: the chart panel's background colour and back image,
// borders and bevels, gradient and shadow.
#include "chart/editors/TTeeForm.h"

class TCustomTeePanelExtended;
class TTeeGradientEditor;
class TTeeShadowEditor;

class TFormTeePanel : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeePanel(QWidget* Owner = nullptr) : TFormTeePanel(Owner, nullptr) {}
    TFormTeePanel(QWidget* Owner, TCustomTeePanelExtended* APanel);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabBack = nullptr;
    TButtonColor* BPanelColor = nullptr;
    QCheckBox* CBColorDef = nullptr;
    TTeeRadioGroup* RGBitmap = nullptr;
    QPushButton* BBrowseImage = nullptr;
    QCheckBox* CBImageInside = nullptr;
    QCheckBox* CBTransp = nullptr;
    QSpinBox* ELeft = nullptr;
    QSpinBox* ETop = nullptr;
    QSpinBox* SEPanelBor = nullptr;
    QSpinBox* SEPanelWi = nullptr;
    QSpinBox* ERound = nullptr;
    QComboBox* CBInner = nullptr;
    QComboBox* CBOuter = nullptr;
    TButtonPen* BBorder = nullptr;

    TCustomTeePanelExtended* Panel = nullptr;
    TTeeGradientEditor* GradientEditor = nullptr;

    void FormShow() override;
    void EnableImageControls();
    void CheckColorDef();
    void BBrowseImageClick();
    void CBColorDefClick();

private:
    bool FCheckingColorDef = false;
};
