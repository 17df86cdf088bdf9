#pragma once
// The shadow editor: sizes, transparency, colour and smoothing of a shadow, changed in
// place. A small dialog with an OK button, or a page embedded in another editor.
#include "chart/editors/TTeeForm.h"

class TTeeShadow;

class TTeeShadowEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeShadowEditor(QWidget* Owner = nullptr);

    // Each edit and its up-down are one spin box.
    QSpinBox* Edit1 = nullptr;
    QSpinBox* EVertSize = nullptr;
    QSpinBox* EShadowTransp = nullptr;
    TButtonColor* BShadowColor = nullptr;
    QCheckBox* CBSmooth = nullptr;
    QPushButton* BOK = nullptr;

    TTeeShadow* EditedShadow = nullptr;

    // Points the page at another shadow.
    void RefreshControls(TTeeShadow* Shadow);

    void FormShow() override;
    void Edit1Change();
    void EVertSizeChange();
    void EShadowTranspChange();
    void CBSmoothClick();

private:
    bool FCreating = true;
};

// Edits Shadow in the shadow dialog; true when closed with OK.
bool EditTeeShadow(QObject* AOwner, TTeeShadow* Shadow);
// A shadow page without its OK button embedded in Page.
TTeeShadowEditor* InsertTeeShadowEditor(QWidget* Page);
