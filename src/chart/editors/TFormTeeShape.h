#pragma once
// The editor of a framed shape (titles, legend, walls' frames): colour, frame, pattern,
// rounding, transparency and bevel on the "Format" page, with the font, gradient and
// shadow editors as the pages "Text", "Gradient" and "Shadow". Changes apply in place.
#include "chart/editors/TTeeForm.h"

class TTeeCustomShape;
class TTeeFontEditor;
class TTeeGradientEditor;
class TTeeShadowEditor;

class TFormTeeShape : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeShape(QWidget* Owner = nullptr);

    QTabWidget* PC1 = nullptr;
    QWidget* TabFormat = nullptr;
    TButtonColor* BBackColor = nullptr;
    TButtonPen* Button4 = nullptr;  // frame
    QCheckBox* CBRound = nullptr;
    QCheckBox* CBTransparent = nullptr;
    QComboBox* CBBevel = nullptr;
    QSpinBox* EBevWidth = nullptr;
    QSpinBox* EShadowTransp = nullptr;
    QWidget* TabText = nullptr;

    TTeeFontEditor* FontEditor = nullptr;
    TTeeGradientEditor* GradientEditor = nullptr;
    TTeeShadowEditor* ShadowEditor = nullptr;
    TTeeCustomShape* EditedShape = nullptr;

    // Points the pages at another shape.
    void RefreshControls(TTeeCustomShape* Shape);

    void FormShow() override;
    void CBRoundClick();
    void CBTransparentClick();
    void CBBevelChange();
    void EBevWidthChange();
    void EShadowTranspChange();
    void Button6Click();
    // For pages that show the shape's visibility in a check box of their own.
    void CBVisibleChecked(QCheckBox* Sender);
    void BColorClick();

    // A shape form for Shape; with Parent it is embedded there and shown.
    static TFormTeeShape* CreateForm(QWidget* Owner, TTeeCustomShape* Shape, QWidget* Parent);

private:
    void EnableBevel();
    bool FCreating = true;
};

// Moves the shape form's pages into PageControl (at its end) and shows its first page;
// the form, hidden, stays as the pages' owner.
TFormTeeShape* InsertTeeObjectForm(QTabWidget* PageControl, TTeeCustomShape* Shape);
// The shape form as a dialog with an OK button.
void EditTeeCustomShape(QObject* AOwner, TTeeCustomShape* Shape);
