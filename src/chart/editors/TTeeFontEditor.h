#pragma once
// The font page of the shape editors: the font itself (through the platform's font
// dialog), its colour, character spacing, outline, shadow and gradient. It edits the font
// in place, as a page embedded in another editor or as a dialog of its own.
#include <QFrame>
#include <functional>

#include "chart/editors/TTeeForm.h"
#include "platform/GraphicsTypes.h"

class TFont;
class TTeeFont;

// A small filled shape; a click on it is reported on release (the colour sample of the
// font page).
class TTeeColorShape : public QFrame {
    Q_OBJECT
public:
    explicit TTeeColorShape(QWidget* Parent = nullptr);
    TColor BrushColor() const { return FColor; }
    void SetBrushColor(TColor Value);
    std::function<void()> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    TColor FColor = clWhite;
};

class TTeeFontEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeFontEditor(QWidget* Owner = nullptr);

    QPushButton* Button3 = nullptr;  // the platform's font dialog
    TTeeColorShape* SHText = nullptr;
    // The spacing edit and its up-down are one spin box (-100 .. 100).
    QSpinBox* Edit2 = nullptr;
    TButtonPen* BOutline = nullptr;
    QPushButton* BGradient = nullptr;
    QCheckBox* CBOutGrad = nullptr;

    TTeeFont* EditedFont = nullptr;

    // Points the page at another font (null leaves the controls as they are).
    void RefreshControls(TTeeFont* Font);

    void FormShow() override;
    void Button3Click();
    void SHTextMouseUp();
    void Edit2Change();
    void BShadowClick();
    void BGradientClick();
    void CBOutGradClick();
};

// The platform's font dialog on Font; on OK the font takes the choice. True when accepted.
bool EditTeeFont(QObject* AOwner, TFont* Font);
// The font page as a dialog of its own on Font.
void EditTeeFontEx(QObject* AOwner, TTeeFont* Font);
// A font page embedded in Page (created for the page's form).
TTeeFontEditor* InsertTeeFontEditor(QWidget* Page);
