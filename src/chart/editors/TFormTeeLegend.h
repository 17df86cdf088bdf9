#pragma once
// The Legend page of the chart editor: the legend's styles, position, margins, custom
// place, symbols and title, with the shape editors of the legend and its title as tabs.
#include "chart/editors/TTeeForm.h"

class TChartLegend;
class TCustomChartLegend;
class TFormTeeShape;

class TFormTeeLegend : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeLegend(QWidget* Owner = nullptr) : TFormTeeLegend(Owner, nullptr) {}
    TFormTeeLegend(QWidget* Owner, TCustomChartLegend* ALegend);

    QTabWidget* PageControl1 = nullptr;
    QCheckBox* CBShow = nullptr;
    QCheckBox* CBInverted = nullptr;
    QComboBox* CBLegendStyle = nullptr;
    QComboBox* CBLegStyle = nullptr;
    TButtonPen* BDivLines = nullptr;
    QSpinBox* EVertSpacing = nullptr;
    QCheckBox* CBFontColor = nullptr;
    QComboBox* CBCheckBoxes = nullptr;
    QCheckBox* CBResizeChart = nullptr;
    QSpinBox* SETopPos = nullptr;
    QSpinBox* SEMargin = nullptr;
    TTeeRadioGroup* RGPosition = nullptr;
    QCheckBox* CBCustPos = nullptr;
    QSpinBox* ECustLeft = nullptr;
    QSpinBox* ECustTop = nullptr;
    QSpinBox* SEColWi = nullptr;
    QComboBox* CBColWUnits = nullptr;
    QComboBox* CBSymbolPos = nullptr;
    QCheckBox* CBContinuous = nullptr;
    QCheckBox* CBVisible = nullptr;
    QCheckBox* CBSymPen = nullptr;
    TButtonPen* BSymPen = nullptr;
    QCheckBox* CBSquared = nullptr;
    QWidget* TabTitle = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QPlainTextEdit* MemoText = nullptr;
    QComboBox* CBTextAlign = nullptr;
    QCheckBox* CBTitleVisible = nullptr;

    TCustomChartLegend* Legend = nullptr;
    TFormTeeShape* LegendShapeEditor = nullptr;
    TFormTeeShape* TitleShapeEditor = nullptr;

    void SetLegend(TCustomChartLegend* ALegend);
    void FormShow() override;
    void EnableWidthControls();
    void EnableCustomPosition();
    void EnableMarginControls();
    bool CanChangePos() const;

    void CBCheckBoxesChange();
    void CBCustPosClick();
    void SEMarginChange();
    void MemoTextChange();
};
