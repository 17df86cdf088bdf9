#pragma once
// The editor of the scroll bar tools (the legend's scroll bar): the bar's pen and brushes,
// its gradient, back colour, bevel, size and auto-repeat. The tool is the form's Tag
// object.
#include "chart/editors/TTeeForm.h"

class TTeeScrollBar;

class TScrollbarEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TScrollbarEditor(QWidget* Owner = nullptr);

    TButtonPen* BBorder = nullptr;
    QPushButton* BThumb = nullptr;
    QPushButton* BBack = nullptr;
    QPushButton* BArrows = nullptr;
    QPushButton* BGradient = nullptr;
    TButtonColor* BBackColor = nullptr;
    QComboBox* CBBevel = nullptr;
    QSpinBox* ESize = nullptr;
    QSpinBox* EDelay = nullptr;
    QCheckBox* CBAutoRepeat = nullptr;

    TTeeScrollBar* Tool() const;

    // Shows the tool's values and links the pen and colour buttons to it.
    void FormShow() override;
};
