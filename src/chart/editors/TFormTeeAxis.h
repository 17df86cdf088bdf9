#pragma once
// The Axis page of the chart editor: one axis at a time, chosen among the six standard
// axes and the custom axes, with its scales, title, labels, ticks, minor ticks and
// position; custom axes are added and deleted here, and the chart-wide "visible" and
// "behind" switches of the axes live beside the list.
#include <functional>

#include "chart/editors/TTeeForm.h"

#include <QStringList>
class TChartAxis;
class TCustomAxisPanel;
class TTeeFontEditor;

// The axis names in list order (left, right, top, bottom, depth, depth top, then "Custom
// n" per custom axis of Chart).
void TeeAddAxes(TCustomAxisPanel* Chart, QStringList& Items, bool DepthAxes);

class TFormTeeAxis : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeAxis(QWidget* Owner = nullptr) : TFormTeeAxis(Owner, nullptr) {}
    TFormTeeAxis(QWidget* Owner, TChartAxis* AAxis);

    QListWidget* LBAxes = nullptr;
    QCheckBox* CBShow = nullptr;
    QCheckBox* CBAxisBeh = nullptr;
    QToolButton* BAdd = nullptr;
    QToolButton* BDelete = nullptr;
    TTeePageControl* PageAxis = nullptr;
    // Scales
    QWidget* TabScales = nullptr;
    QCheckBox* CBVisible = nullptr;
    QCheckBox* CBAutomatic = nullptr;
    QCheckBox* CBLogarithmic = nullptr;
    QCheckBox* CBInverted = nullptr;
    QLabel* LAxisIncre = nullptr;
    QPushButton* BIncre = nullptr;
    QLineEdit* ELogBase = nullptr;
    QCheckBox* LogE = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QCheckBox* CBAutoMin = nullptr;
    QLabel* LAxisMin = nullptr;
    QPushButton* BAxisMin = nullptr;
    QSpinBox* EMinOff = nullptr;
    QCheckBox* CBAutoMax = nullptr;
    QLabel* LAxisMax = nullptr;
    QPushButton* BAxisMax = nullptr;
    QSpinBox* EMaxOff = nullptr;
    // Title
    QWidget* TabTitle = nullptr;
    QTabWidget* PageTitle = nullptr;
    QWidget* TabTitleStyle = nullptr;
    QLineEdit* ETitle = nullptr;
    QSpinBox* SETitleAngle = nullptr;
    QSpinBox* SETitleSize = nullptr;
    QCheckBox* CBTitleVisible = nullptr;
    // Labels
    QWidget* TabLabels = nullptr;
    QTabWidget* PageLabels = nullptr;
    QWidget* TabLabStyle = nullptr;
    QCheckBox* CBLabels = nullptr;
    QCheckBox* CBMultiline = nullptr;
    QCheckBox* CBOnAxis = nullptr;
    QCheckBox* CBRoundFirst = nullptr;
    QCheckBox* CBAlternate = nullptr;
    QSpinBox* SELabelsSize = nullptr;
    QSpinBox* SELabelsAngle = nullptr;
    QSpinBox* SESepar = nullptr;
    QComboBox* CBLabelStyle = nullptr;
    QLabel* LabelAxisFormat = nullptr;
    QComboBox* CBFormat = nullptr;
    QCheckBox* CBExpo = nullptr;
    QCheckBox* CBLabelAlign = nullptr;
    QPushButton* Button1 = nullptr;
    // Ticks
    QWidget* TabTicks = nullptr;
    TButtonPen* BAxisPen = nullptr;
    TButtonPen* BTickPen = nullptr;
    TButtonPen* BTickInner = nullptr;
    TButtonPen* BAxisGrid = nullptr;
    QSpinBox* SEAxisTickLength = nullptr;
    QSpinBox* SEInnerTicksLength = nullptr;
    QCheckBox* CBTickOnLabels = nullptr;
    QCheckBox* CBGridCentered = nullptr;
    QSpinBox* Edit2 = nullptr;
    // Minor
    QWidget* TabMinorTicks = nullptr;
    TButtonPen* BTickMinor = nullptr;
    QSpinBox* SEAxisMinorTickLen = nullptr;
    QSpinBox* SEMinorCount = nullptr;
    TButtonPen* BMinorGrid = nullptr;
    // Position
    QWidget* TabPositions = nullptr;
    QSpinBox* EPos = nullptr;
    QSpinBox* EStart = nullptr;
    QSpinBox* EEnd = nullptr;
    QSpinBox* Edit1 = nullptr;
    QComboBox* CBPosUnits = nullptr;
    QCheckBox* CBOtherSide = nullptr;
    QCheckBox* CBHorizAxis = nullptr;

    TTeeFontEditor* LabelsFontEditor = nullptr;
    TTeeFontEditor* TitleFontEditor = nullptr;
    TChartAxis* Axis = nullptr;
    bool ChangingScales = false;
    // A custom axis changed its orientation (the chart editor refreshes the series page).
    std::function<void()> OnNotifyCustom;

    TCustomAxisPanel* Chart() const;
    // The list row of Axis.
    void SetAxisIndex();
    // Shows another axis (the tree and the embedded editor use it).
    void SelectAxis(TChartAxis* AAxis);

    void FormShow() override;
    void LBAxesClick();
    void PageAxisChange();
    void SetAxisScales();
    void EnableLogBaseControls();
    void EditAxisMaxMin(const AnsiString& Title, QCheckBox* AutoBox, bool IsMax);

    void CBShowClick();
    void CBAxisBehClick();
    void CBAutomaticClick();
    void CBAutoMinMaxClick(QCheckBox* Sender);
    void CBLogarithmicClick();
    void ELogBaseChange();
    void LogEClick();
    void BIncreClick();
    void FillFormats();
    void CBFormatChange();
    void Button1Click();
    void EStartChange();
    void EEndChange();
    void CBHorizAxisClick();
    void BAddClick();
    void BDeleteClick();

private:
    void BindControls();
    // The axis list filled from the chart, the current axis selected.
    void FillAxisList(TCustomAxisPanel* AChart);
    // Puts a value back into a spin box that refused the user's one.
    void ShowAgain(QSpinBox* Box, double Value);
    // The chart of the axis (kept: the page outlives a deleted custom axis).
    TCustomAxisPanel* FChart = nullptr;
    bool IsCustomRow() const;
};
