#pragma once
// The number format editor: takes a format text apart into check boxes and digit counts
// (number), a date-time or geographic preset, or a custom text, and builds the format
// back from the controls.
#include "chart/editors/TTeeForm.h"

class TFormatEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormatEditor(QWidget* Owner = nullptr);

    QWidget* Panel1 = nullptr;
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // Cancel
    QComboBox* CBCustom = nullptr;
    QComboBox* CBDate = nullptr;
    QRadioButton* RBDate = nullptr;
    QRadioButton* RBCustom = nullptr;
    QRadioButton* RBGeo = nullptr;
    QComboBox* CBGeo = nullptr;
    QRadioButton* RBInteger = nullptr;
    QCheckBox* CBPercent = nullptr;
    QCheckBox* CBThousands = nullptr;
    QCheckBox* CBCurrency = nullptr;
    QCheckBox* CBFixedDecimals = nullptr;
    // Each edit and its up-down are one spin box: decimals, and fixed integer digits.
    QSpinBox* Edit1 = nullptr;
    QSpinBox* UpDown1 = nullptr;
    QSpinBox* Edit2 = nullptr;
    QSpinBox* UpDown2 = nullptr;

    // The format being edited.
    AnsiString FormatText;
    bool IsDate = false;
    bool IsGeo = false;

    // Edits Format; the new format when the user pressed OK, else Format unchanged. The
    // OK and Cancel buttons are always offered, whatever Option says (callers pass
    // whether their values are date-times, or true).
    static AnsiString Change(QObject* AOwner, const AnsiString& Format, bool Option);
    // The format the controls describe.
    AnsiString TheFormat() const;
    void AddDate(const AnsiString& Text);
    void AddGeo(const AnsiString& Text);

    void FormShow() override;
    void RadioGroup1Click();
    void RBIntegerClick();
    void CBPercentClick();
    void CBThousandsClick();

private:
    // Ticks one of the date, custom and geographic buttons and unticks the other two.
    void TickGroupButton(QRadioButton* Button);
    void UseCombo(QComboBox* Combo, const AnsiString& Text);
};
