#pragma once
// The General page of the chart editor: margins and their units, mouse zoom and scroll
// settings, the chart's cursor, and the print preview. ChartPreview shows a panel's print
// preview; TChartPageNavigator turns the pages of a paged chart.
#include "chart/editors/TCustomTeeNavigator.h"
#include "chart/editors/TTeeForm.h"

class TCustomChart;
class TCustomTeePanel;

// Shows the print preview of Panel modally, then repaints the panel.
void ChartPreview(QObject* AOwner, TCustomTeePanel* Panel);

class TChartPageNavigator : public TCustomTeeNavigator {
    Q_OBJECT
public:
    explicit TChartPageNavigator(QWidget* Parent = nullptr);

    // Only a chart (an axis panel) is taken; any other panel leaves the navigator empty.
    void SetPanel(TCustomTeePanel* Value) override;
    TCustomChart* GetChart() const;
    void SetChart(TCustomChart* Value);
    int PageCount() override;
    void BtnClick(TTeeNavigateBtn Index) override;
    void EnableButtons() override;
    void DoTeeEvent(TTeeEvent* Event) override;
    void Print() override;
};

class TFormTeeGeneral : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeGeneral(QWidget* Owner = nullptr) : TFormTeeGeneral(Owner, nullptr) {}
    TFormTeeGeneral(QWidget* Owner, TCustomChart* AChart);

    QPushButton* BPrint = nullptr;
    TComboFlat* CBCursor = nullptr;
    QSpinBox* SETopMa = nullptr;
    QSpinBox* SELeftMa = nullptr;
    QSpinBox* SEBotMa = nullptr;
    QSpinBox* SERightMa = nullptr;
    QComboBox* CBMarUnits = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QCheckBox* CBAllowZoom = nullptr;
    QCheckBox* CBAnimatedZoom = nullptr;
    QSpinBox* SEAniZoomSteps = nullptr;
    TButtonPen* BZoomPen = nullptr;
    QPushButton* BZoomColor = nullptr;
    QSpinBox* EMinPix = nullptr;
    QComboBox* CBDir = nullptr;
    QComboBox* CBZoomMouse = nullptr;
    QCheckBox* CBUpLeft = nullptr;
    TTeeRadioGroup* RGPanning = nullptr;
    QComboBox* CBScrollMouse = nullptr;

    TCustomChart* Chart = nullptr;

    void FormShow() override;
    void EnableZoomControls();
    void AdjustMarginMinMax();
    // The margin an edit may take: its up-down's value, unless (in percent) it and the
    // opposite margin would reach 100; then Old, and the up-down shows Old again.
    int ChangeMargin(QSpinBox* UpDown, int Old, int Opposite);
    void MarginChange(int Index);
    void BPrintClick();
    void CBCursorChange();
};
