#include "chart/editors/TFormTeePage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "chart/editors/TFormTeeGeneral.h"
#include "chart/editors/TTeeToolsGallery.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesTypes.h"

TFormTeePage::TFormTeePage(QWidget* Owner, TCustomChart* AChart) : TTeeForm(Owner)
{
    setObjectName("FormTeePage");
    SetClientSize(300, 160);
    SEPointsPerPage = TeeAddSpin(this, 110, 8, 70, 0, 32000, 1, TeeAddLabel(this, "P&oints per Page:", 8, 12));
    CBScaleLast = TeeAddCheck(this, "&Scale Last Page", 8, 40);
    CBPageLegend = TeeAddCheck(this, "&Current page Legend", 8, 62);
    CBPageNum = TeeAddCheck(this, "Show &Page Number", 8, 84);
    LabelPages = TeeAddLabel(this, "", 8, 112, 200);
    ChartPageNavigator1 = new TChartPageNavigator(this);
    ChartPageNavigator1->move(8, 130);
    ChartPageNavigator1->SetSize(4 * TeeNavMinButtonWidth * 2, 24);

    // The edit's own text: an emptied box is no number the spin box would report.
    Bind(SEPointsPerPage->findChild<QLineEdit*>(), &QLineEdit::textChanged,
         [this](const QString& Text) { SEPointsPerPageChange(Text); });
    Bind(CBScaleLast, &QCheckBox::clicked, [this] {
        if (Chart()) Chart()->SetScaleLastPage(CBScaleLast->isChecked());
    });
    Bind(CBPageLegend, &QCheckBox::clicked, [this] {
        if (Chart()) Chart()->GetLegend()->SetCurrentPage(CBPageLegend->isChecked());
    });
    Bind(CBPageNum, &QCheckBox::clicked, [this] { CBPageNumClick(); });
    ChartPageNavigator1->OnButtonClicked = [this](QObject*, TTeeNavigateBtn) { RefreshPages(); };
    if (AChart) ChartPageNavigator1->SetChart(AChart);
}

TCustomChart* TFormTeePage::Chart() const
{
    return ChartPageNavigator1->GetChart();
}

TTeeCustomTool* TFormTeePage::PageNumTool(bool Create)
{
    TCustomChart* chart = Chart();
    if (!chart || !TeePageNumToolClass) return nullptr;
    TChartTools* tools = chart->Tools();
    for (int i = 0; i < tools->Count(); ++i)
        if (TeePageNumToolClass->cast(tools->Items(i))) return tools->Items(i);
    if (!Create) return nullptr;
    QObject* owner = chart->parent() ? static_cast<QObject*>(chart->parent()) : chart;
    TTeeCustomTool* tool = TeeCreateTool(TeePageNumToolClass, owner);
    if (!tool) return nullptr;
    tool->setObjectName(QString::fromStdString(TeeGetUniqueName(owner, "ChartTool")));
    tools->Add(tool);
    return tool;
}

void TFormTeePage::FormShow()
{
    if (TCustomChart* chart = Chart()) {
        TFilling filling(this);
        SEPointsPerPage->setValue(chart->GetMaxPointsPerPage());
        CBScaleLast->setChecked(chart->GetScaleLastPage());
        CBPageLegend->setChecked(chart->GetLegend()->GetCurrentPage());
        RefreshPages();
        CBPageNum->setVisible(TeePageNumToolClass != nullptr);
        TTeeCustomTool* tool = PageNumTool(false);
        CBPageNum->setChecked(tool && tool->GetActive());
    }
    TeeTranslateControl(this);
}

void TFormTeePage::RefreshPages()
{
    TCustomChart* chart = Chart();
    if (!chart) return;
    LabelPages->setText(QString::fromStdString(
        FormatChartText(TeeMsg_PageOfPages, {TeeStr(chart->GetPage()), TeeStr(chart->NumPages())})));
    ChartPageNavigator1->EnableButtons();
}

void TFormTeePage::SEPointsPerPageChange(const QString& Text)
{
    TCustomChart* chart = Chart();
    if (!chart || !isVisible()) return;
    chart->SetMaxPointsPerPage(Text.trimmed().isEmpty() ? 0 : SEPointsPerPage->value());
    RefreshPages();
}

void TFormTeePage::CBPageNumClick()
{
    if (TTeeCustomTool* tool = PageNumTool(true)) tool->SetActive(CBPageNum->isChecked());
}
