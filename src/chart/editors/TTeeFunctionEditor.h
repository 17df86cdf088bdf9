#pragma once
// The options forms of functions, shown on the function editor's "Options" tab.
// TBaseFunctionEditor creates the function when it is first applied; TTeeFunctionEditor
// edits the period, its alignment and style; TAverageFuncEditor adds null values;
// TCustomFunctionEditor edits the equation function's start, step and number of points.
#include "chart/editors/TTeeForm.h"

class TChartSeries;
class TCustomTeeFunction;
class TTeeFuncEditor;
class TTeeFunction;

// Enables the "Apply" button of the function editor Form lives in.
void TeeEnableSourceApply(QWidget* Form);
// The function editor Form lives in, or null.
TTeeFuncEditor* TeeOwnerFuncEditor(QWidget* Form);

class TBaseFunctionEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TBaseFunctionEditor(QWidget* Owner = nullptr);

    bool Creating = false;
    TTeeFunction* EditedFunction = nullptr;

    virtual void ApplyFormChanges() {}
    virtual void SetFunction() {}
    void EnableApply();
    void FormShow() override;
    void FormCloseQuery(bool& CanClose) override;
};

class TTeeFunctionEditor : public TBaseFunctionEditor {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeFunctionEditor(QWidget* Owner = nullptr);

    QLineEdit* ENum = nullptr;
    QPushButton* BChange = nullptr;
    QComboBox* CBAlign = nullptr;
    QComboBox* CBStyle = nullptr;

    void SetFunction() override;
    void ApplyFormChanges() override;
    void CBStyleChange();
    void BChangeClick();

protected:
    void EnableControls();
};

class TAverageFuncEditor : public TTeeFunctionEditor {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAverageFuncEditor(QWidget* Owner = nullptr);

    QCheckBox* CBNulls = nullptr;

    void SetFunction() override;
    void ApplyFormChanges() override;
};

class TCustomFunctionEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TCustomFunctionEditor(QWidget* Owner = nullptr);

    QLineEdit* EStart = nullptr;
    QLineEdit* EStep = nullptr;
    QLineEdit* ENum = nullptr;

    TCustomTeeFunction* Function = nullptr;

    void FormShow() override;
    // Applies the boxes; a text that is no number raises the conversion error.
    void FormCloseQuery(bool& CanClose) override;
};
