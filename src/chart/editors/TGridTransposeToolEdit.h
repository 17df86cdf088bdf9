#pragma once
// The editor of the grid transpose tool: pick the 3D grid series and transpose it now.
// The tool is the form's Tag object.
#include "chart/editors/TTeeForm.h"

class TGridTransposeTool;

class TGridTransposeToolEdit : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TGridTransposeToolEdit(QWidget* Owner = nullptr);
    ~TGridTransposeToolEdit() override;

    QComboBox* CBSeries = nullptr;
    QPushButton* BTranspose = nullptr;

    TGridTransposeTool* Tool() const;

    // Lists the 3D grid series of the tool's chart (title, or name when it has none).
    void FormShow() override;
    void CBSeriesChange();
    void BTransposeClick();
};

// Registers the editor form and the tool (counted, as RegisterTeeGridTransposeTool).
void RegisterTeeGridTransposeToolEdit();
