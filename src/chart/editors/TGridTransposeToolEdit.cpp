#include "chart/editors/TGridTransposeToolEdit.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TGridTransposeTool.h"

TGridTransposeToolEdit::TGridTransposeToolEdit(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("GridTransposeToolEdit");
    setWindowTitle(QString::fromStdString(TeeMsg_GridTranspose));
    SetClientSize(260, 90);
    auto* label = TeePlace(new QLabel("&Grid 3D Series:", this), 8, 12, 100, 13);
    CBSeries = TeePlace(new QComboBox(this), 110, 8, 140, 21);
    label->setBuddy(CBSeries);
    BTranspose = TeePlace(new QPushButton("&Transpose now", this), 110, 44, 140, 25);
    BTranspose->setEnabled(false);
    Bind(CBSeries, &QComboBox::currentIndexChanged, [this] { CBSeriesChange(); });
    Bind(BTranspose, &QPushButton::clicked, [this] { BTransposeClick(); });
}

TGridTransposeToolEdit::~TGridTransposeToolEdit() = default;

TGridTransposeTool* TGridTransposeToolEdit::Tool() const
{
    return qobject_cast<TGridTransposeTool*>(TagObject());
}

void TGridTransposeToolEdit::FormShow()
{
    TGridTransposeTool* tool = Tool();
    if (!tool || !tool->ParentChart() || !tool->ParentChart()->SeriesList()) return;
    TFilling filling(this);
    CBSeries->clear();
    for (TChartSeries* s : *tool->ParentChart()->SeriesList()) {
        auto* grid = qobject_cast<TCustom3DGridSeries*>(s);
        if (!grid) continue;
        const QString title = QString::fromStdString(grid->GetTitle());
        CBSeries->addItem(title.isEmpty() ? grid->objectName() : title, QVariant::fromValue<QObject*>(grid));
    }
    CBSeries->setCurrentIndex(CBSeries->findData(QVariant::fromValue<QObject*>(tool->Series())));
    BTranspose->setEnabled(CBSeries->currentIndex() >= 0);
}

void TGridTransposeToolEdit::CBSeriesChange()
{
    TGridTransposeTool* tool = Tool();
    if (!tool || CBSeries->currentIndex() < 0) return;
    tool->SetSeries(qobject_cast<TCustom3DGridSeries*>(CBSeries->currentData().value<QObject*>()));
    BTranspose->setEnabled(true);
}

void TGridTransposeToolEdit::BTransposeClick()
{
    if (TGridTransposeTool* tool = Tool()) tool->Transpose();
}

void RegisterTeeGridTransposeToolEdit()
{
    RegisterTeeEditorClasses({&TGridTransposeToolEdit::staticMetaObject});
    RegisterTeeGridTransposeTool();
}
