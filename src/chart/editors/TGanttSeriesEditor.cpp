#include "chart/editors/TGanttSeriesEditor.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TSeriesPointer.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TArrowSeries.h"
#include "chart/series/TGanttSeries.h"

TGanttSeriesEditor::TGanttSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("GanttSeriesEditor");
    SetClientSize(300, 130);
    QLabel* height = TeeAddLabel(this, "&Height:", 8, 12);
    SEPointVertSize = TeeAddSpin(this, 80, 8, 60, 1, 1000, 1, height);
    BConnLines = TeeAddButton<TButtonPen>(this, "Co&nnecting Lines...", 8, 38, 120);
    CBColorEach = TeeAddCheck(this, "Color &Each", 160, 10);
    BColor = TeeAddButton<TButtonColor>(this, "&Color...", 160, 32, 80);
    Edit1 = TeeAddSpin(this, 90, 76, 56, 0, 100, 1, TeeAddLabel(this, "&Transparency:", 8, 80));
    SetBorderStyle(fbsDialog);

    Bind(SEPointVertSize, &QSpinBox::valueChanged, [this] {
        if (Series && isVisible()) Series->GetPointer()->SetVertSize(SEPointVertSize->value());
    });
    Bind(CBColorEach, &QCheckBox::clicked, [this] {
        if (!Series) return;
        Series->SetColorEachPoint(CBColorEach->isChecked());
        BColor->setEnabled(!Series->GetColorEachPoint());
    });
    BindSpins(this, Series, {{Edit1, &TGanttSeries::SetTransparency}}, true);
    BColor->OnClick = [this](QObject*) {
        if (!Series) return;
        Series->SetColorEachPoint(false);
        const QSignalBlocker block(CBColorEach);
        CBColorEach->setChecked(false);
    };
}

void TGanttSeriesEditor::FormShow()
{
    Series = qobject_cast<TGanttSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        SEPointVertSize->setValue(Series->GetPointer()->GetVertSize());
        BConnLines->LinkPen(Series->GetConnectingPen());
        CBColorEach->setChecked(Series->GetColorEachPoint());
        BColor->LinkProperty(Series, "SeriesColor");
        BColor->setEnabled(!Series->GetColorEachPoint());
        Edit1->setValue(Series->GetTransparency());
        if (!PointerForm) {
            PointerForm = TeeInsertPointerForm(this, Series->GetPointer(), TeeMsg_GalleryGantt);
            if (auto* pointer = qobject_cast<TSeriesPointerEditor*>(PointerForm)) pointer->HideSizeOptions();
        }
    }
    TeeTranslateControl(this);
}

TArrowSeriesEditor::TArrowSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("ArrowSeriesEditor");
    SetClientSize(300, 130);
    BPen = TeeAddButton<TButtonPen>(this, "&Border...", 8, 8, 80);
    QPushButton* pattern = TeeAddButton(this, "&Pattern...", 8, 38, 80);
    SEArrowWidth = TeeAddSpin(this, 150, 8, 56, 1, 100, 1, TeeAddLabel(this, "&Width:", 100, 12));
    QLabel* height = TeeAddLabel(this, "&Height:", 100, 42);
    SEArrowHeight = TeeAddSpin(this, 150, 38, 56, 1, 100, 1, height);
    CBColorEach = TeeAddCheck(this, "Color &Each", 8, 76);
    BArrowColor = TeeAddButton<TButtonColor>(this, "&Color...", 100, 72, 80);
    SetBorderStyle(fbsDialog);

    Bind(pattern, &QPushButton::clicked, [this] {
        if (Series) EditChartBrush(this, Series->GetPointer()->GetBrush());
    });
    BindSpins(this, Series,
              {{SEArrowWidth, &TArrowSeries::SetArrowWidth}, {SEArrowHeight, &TArrowSeries::SetArrowHeight}}, true);
    Bind(CBColorEach, &QCheckBox::clicked, [this] {
        if (!Series) return;
        Series->SetColorEachPoint(CBColorEach->isChecked());
        BArrowColor->setEnabled(!Series->GetColorEachPoint());
        if (Series->GetColorEachPoint()) Series->GetPointer()->SetColor(clDefault);
    });
}

void TArrowSeriesEditor::FormShow()
{
    Series = qobject_cast<TArrowSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        BPen->LinkPen(Series->GetPointer()->GetPen());
        SEArrowWidth->setValue(Series->GetArrowWidth());
        SEArrowHeight->setValue(Series->GetArrowHeight());
        CBColorEach->setChecked(Series->GetColorEachPoint());
        BArrowColor->LinkProperty(Series, "SeriesColor");
        BArrowColor->setEnabled(!Series->GetColorEachPoint());
    }
    TeeTranslateControl(this);
}
