#pragma once
// The Paging page of the chart editor: points per page, scaling of the last page, a
// legend of the current page only, the page-number tool, and the current page with a
// page navigator.
#include "chart/editors/TTeeForm.h"

class TChartPageNavigator;
class TCustomChart;
class TTeeCustomTool;

class TFormTeePage : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeePage(QWidget* Owner = nullptr) : TFormTeePage(Owner, nullptr) {}
    TFormTeePage(QWidget* Owner, TCustomChart* AChart);

    QSpinBox* SEPointsPerPage = nullptr;
    QCheckBox* CBScaleLast = nullptr;
    QCheckBox* CBPageLegend = nullptr;
    QCheckBox* CBPageNum = nullptr;
    QLabel* LabelPages = nullptr;
    TChartPageNavigator* ChartPageNavigator1 = nullptr;

    TCustomChart* Chart() const;
    // The chart's first page-number tool; with Create, a new one when there is none.
    TTeeCustomTool* PageNumTool(bool Create);

    void FormShow() override;
    void RefreshPages();
    void SEPointsPerPageChange(const QString& Text);
    void CBPageNumClick();
};
