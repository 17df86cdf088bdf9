#include "chart/editors/TFormTeeTools.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "chart/editors/TTeeToolsGallery.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeeOwnerDraw.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeProcs.h"
#include "platform/TBitmap.h"

TFormTeeTools::TFormTeeTools(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("FormTeeTools");
    SetClientSize(400, 250);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* top = new QWidget(this);
    top->setFixedHeight(33);
    BAdd = TeeAddButton(top, "&Add...", 4, 4);
    BDelete = TeeAddButton(top, "&Delete", 84, 4);
    CBActive = TeeAddCheck(top, "A&ctive", 168, 8);
    auto* moveButtons = TeePlace(new QWidget(top), 250, 2, 60, 28);
    BMoveUp = TeePlace(new QToolButton(moveButtons), 0, 2, 28, 24);
    BMoveDown = TeePlace(new QToolButton(moveButtons), 30, 2, 28, 24);
    TeeSetArrowIcons(BMoveUp, BMoveDown);
    layout->addWidget(top);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    LBTools = new QListWidget(splitter);
    LBTools->setMinimumWidth(60);
    PanelToolEditor = new QWidget(splitter);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({140, 260});
    layout->addWidget(splitter, 1);
    PBottom = new QLabel(this);
    PBottom->hide();
    layout->addWidget(PBottom);

    TeeOwnerDrawList(LBTools, 18, [this](TCanvas* Canvas, int Index, const TRect& Rect, bool Selected) {
        const QListWidgetItem* item = LBTools->item(Index);
        if (item) TeeDrawTool(Canvas, item->text().toStdString(), Rect, Selected, RowTool(Index));
    });
    Bind(LBTools, &QListWidget::currentRowChanged, [this] { LBToolsClick(); });
    Bind(BAdd, &QPushButton::clicked, [this] { BAddClick(); });
    Bind(BDelete, &QPushButton::clicked, [this] { BDeleteClick(); });
    Bind(CBActive, &QCheckBox::clicked, [this] { CBActiveClick(); });
    Bind(BMoveUp, &QToolButton::clicked, [this] { BMoveUpClick(); });
    Bind(BMoveDown, &QToolButton::clicked, [this] { BMoveDownClick(); });
}

TCustomChart* TFormTeeTools::Chart() const
{
    return qobject_cast<TCustomChart*>(TagObject());
}

TTeeCustomTool* TFormTeeTools::RowTool(int Row) const
{
    return static_cast<TTeeCustomTool*>(const_cast<void*>(TeeListItemObject(LBTools, Row)));
}

TTeeCustomTool* TFormTeeTools::CurrentTool() const
{
    return RowTool(LBTools->currentRow());
}

TTeeForm* TFormTeeTools::ToolEditor() const
{
    return PanelToolEditor->findChild<TTeeForm*>(QString(), Qt::FindDirectChildrenOnly);
}

void TFormTeeTools::FormShow()
{
    if (Chart()) FillAndSet();
    TeeTranslateControl(this);
}

void TFormTeeTools::FillTools()
{
    const QSignalBlocker block(LBTools);
    PBottom->clear();
    LBTools->clear();
    if (TCustomChart* chart = Chart()) {
        TChartTools* tools = chart->Tools();
        for (int i = 0; i < tools->Count(); ++i) {
            TTeeCustomTool* tool = tools->Items(i);
            if (!tool->InternalUse) TeeAddListItem(LBTools, tool->Description(), tool);
        }
    }
    CBActive->setEnabled(LBTools->count() > 0);
    BDelete->setEnabled(CBActive->isEnabled());
}

void TFormTeeTools::FillAndSet()
{
    FillTools();
    if (LBTools->count() > 0) {
        {
            const QSignalBlocker block(LBTools);
            LBTools->setCurrentRow(0);
        }
        LBToolsClick();
    } else
        EnableButtons();
}

void TFormTeeTools::SelectTool(TTeeCustomTool* Tool)
{
    for (int i = 0; i < LBTools->count(); ++i)
        if (RowTool(i) == Tool) {
            {
                const QSignalBlocker block(LBTools);
                LBTools->setCurrentRow(i);
            }
            LBToolsClick();
            return;
        }
}

void TFormTeeTools::LBToolsClick()
{
    TTeeCustomTool* tool = CurrentTool();
    if (!tool) return;
    // An editor that keeps unapplied changes keeps its tool selected.
    if (TTeeForm* editor = ToolEditor()) {
        bool canClose = true;
        editor->FormCloseQuery(canClose);
        if (!canClose) {
            for (int i = 0; i < LBTools->count(); ++i)
                if (RowTool(i) == FShownTool) {
                    const QSignalBlocker block(LBTools);
                    LBTools->setCurrentRow(i);
                }
            return;
        }
    }
    {
        const QSignalBlocker block(CBActive);
        CBActive->setChecked(tool->GetActive());
    }
    DeleteForm();
    if (TTeeFormClass cls = FindTeeEditorClass(tool->GetEditorClass())) {
        TTeeForm* form = CreateTeeEditorForm(cls, this);
        TeeTranslateControl(form);
        AddFormTo(form, PanelToolEditor, tool);
        TeeAlignClient(form);
    }
    FShownTool = tool;
    EnableButtons();
    if (PBottom->isVisible()) PBottom->setText(tool->objectName());
}

void TFormTeeTools::DeleteForm()
{
    delete ToolEditor();
    FShownTool = nullptr;
}

void TFormTeeTools::EnableButtons()
{
    const int row = LBTools->currentRow();
    BMoveUp->setEnabled(row > 0);
    BMoveDown->setEnabled(row >= 0 && row < LBTools->count() - 1);
}

void TFormTeeTools::BAddClick()
{
    TCustomChart* chart = Chart();
    if (!chart) return;
    auto gallery = TeeCreateForm<TTeeToolsGallery>(parent());
    if (gallery->ShowModal() != mrOk) return;
    const TTeeCustomToolClass cls = gallery->SelectedTool();
    if (!cls) return;
    // Tools join their chart's owner, unless the chart already owns one of its tools.
    QObject* owner = chart->parent() ? static_cast<QObject*>(chart->parent()) : chart;
    TChartTools* tools = chart->Tools();
    for (int i = 0; i < tools->Count(); ++i)
        if (tools->Items(i)->parent() == chart) owner = chart;
    TTeeCustomTool* tool = TeeCreateTool(cls, owner);
    if (!tool) return;
    tool->SetParentChart(chart);
    tool->setObjectName(QString::fromStdString(TeeGetUniqueName(owner, "ChartTool")));
    if (OnAddTool) OnAddTool(this, tool);
    FillTools();
    {
        const QSignalBlocker block(LBTools);
        LBTools->setCurrentRow(LBTools->count() - 1);
    }
    LBTools->setFocus();
    LBToolsClick();
}

void TFormTeeTools::BDeleteClick()
{
    TTeeCustomTool* tool = CurrentTool();
    if (!tool || !TeeYesNoDelete(tool->Description(), this)) return;
    const int i = LBTools->currentRow();
    if (OnDeleteTool) OnDeleteTool(this, tool);
    DeleteForm();
    delete tool;
    FillTools();
    {
        const QSignalBlocker block(LBTools);
        if (i > 1)
            LBTools->setCurrentRow(i - 1);
        else if (LBTools->count() > 0)
            LBTools->setCurrentRow(LBTools->count() - 1);
    }
    BDelete->setEnabled(LBTools->currentRow() >= 0);
    if (LBTools->currentRow() >= 0)
        LBToolsClick();
    else
        EnableButtons();
}

void TFormTeeTools::CBActiveClick()
{
    if (TTeeCustomTool* tool = CurrentTool()) tool->SetActive(CBActive->isChecked());
}

void TFormTeeTools::SwapTool(int A, int B)
{
    TCustomChart* chart = Chart();
    TTeeCustomTool* toolA = RowTool(A);
    TTeeCustomTool* toolB = RowTool(B);
    if (!chart || !toolA || !toolB) return;
    {
        const QSignalBlocker block(LBTools);
        QListWidgetItem* a = LBTools->item(A);
        QListWidgetItem* b = LBTools->item(B);
        const QString text = a->text();
        const QVariant object = a->data(Qt::UserRole);
        a->setText(b->text());
        a->setData(Qt::UserRole, b->data(Qt::UserRole));
        b->setText(text);
        b->setData(Qt::UserRole, object);
        LBTools->setCurrentRow(B);
    }
    // Rows leave out internal tools: exchange the two tools where the chart keeps them.
    TChartTools* tools = chart->Tools();
    tools->Exchange(tools->IndexOf(toolA), tools->IndexOf(toolB));
    chart->Invalidate();
    EnableButtons();
}

void TFormTeeTools::BMoveUpClick()
{
    const int row = LBTools->currentRow();
    if (row > 0) SwapTool(row, row - 1);
}

void TFormTeeTools::BMoveDownClick()
{
    const int row = LBTools->currentRow();
    if (row >= 0 && row < LBTools->count() - 1) SwapTool(row, row + 1);
}

void TFormTeeTools::Reload()
{
    TCustomChart* chart = Chart();
    if (chart) {
        int listed = 0;
        for (int i = 0; i < chart->Tools()->Count(); ++i) listed += chart->Tools()->Items(i)->InternalUse ? 0 : 1;
        if (listed != LBTools->count()) FillAndSet();
    }
    if (LBTools->currentRow() >= 0) LBToolsClick();
}
