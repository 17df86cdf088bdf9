#pragma once
// The editor of shape series: style, colours, pen, pattern, text with its alignment,
// rounding and gradient ("Style"), the corners and their units ("Position") and the text
// font ("Text").
#include "chart/editors/TTeeForm.h"

class TChartShape;
class TTeeFontEditor;

class TChartShapeEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TChartShapeEditor(QWidget* Owner = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QComboBox* CBStyle = nullptr;
    TButtonColor* BShapeColor = nullptr;
    TButtonPen* BShapePen = nullptr;
    QCheckBox* CBTrans = nullptr;
    QPlainTextEdit* MemoText = nullptr;
    TTeeRadioGroup* RGAlign = nullptr;
    TTeeRadioGroup* RGVertAlign = nullptr;
    QCheckBox* CBRound = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* SEX0 = nullptr;
    QLineEdit* SEX1 = nullptr;
    QLineEdit* SEY0 = nullptr;
    QLineEdit* SEY1 = nullptr;
    QComboBox* CBUnits = nullptr;
    TTeeFontEditor* FontEditor = nullptr;

    TChartShape* Series = nullptr;

    void FormShow() override;
    void CoordinateChange(QLineEdit* Edit);
};
