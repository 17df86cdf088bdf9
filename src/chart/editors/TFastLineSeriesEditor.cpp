#include "chart/editors/TFastLineSeriesEditor.h"

#include <QCheckBox>
#include <QPushButton>

#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TFastLineSeries.h"

TFastLineSeriesEditor::TFastLineSeriesEditor(QWidget* Owner) : TPenDialog(Owner)
{
    setObjectName("FastLineSeriesEditor");
    BOk->hide();
    BCancel->hide();
    CBDrawAll = TeeAddCheck(this, "Draw &All", 200, 8);
    CBStairs = TeeAddCheck(this, "&Stairs", 200, 30);
    CBInvStairs = TeeAddCheck(this, "&Inverted", 200, 52);
    CBNulls = TeeAddCheck(this, "&Ignore Nulls", 200, 74);
    CBNulls->setChecked(true);
    using F = TFastLineSeries;
    BindChecks(this, Series,
               {{CBDrawAll, &F::SetDrawAll}, {CBInvStairs, &F::SetInvertedStairs}, {CBNulls, &F::SetIgnoreNulls}});
    Bind(CBStairs, &QCheckBox::clicked, OnSubject(Series, [this](F* s) {
             s->SetStairs(CBStairs->isChecked());
             CBInvStairs->setEnabled(CBStairs->isChecked());
         }));
    // The pen's colour is the series colour.
    BColor->OnClick = [this](QObject*) {
        Guard([this] {
            BColorClick();
            if (Series) Series->SetSeriesColor(Series->Pen()->GetColor());
            CBStyle->update();
        });
    };
}

void TFastLineSeriesEditor::FormShow()
{
    Series = qobject_cast<TFastLineSeries*>(TagObject());
    if (Series) {
        EditedPen = Series->Pen();
        TFilling filling(this);
        CBDrawAll->setChecked(Series->GetDrawAllPoints());
        CBStairs->setChecked(Series->GetStairs());
        CBInvStairs->setChecked(Series->GetInvertedStairs());
        CBInvStairs->setEnabled(Series->GetStairs());
        CBNulls->setChecked(Series->GetIgnoreNulls());
    }
    TPenDialog::FormShow();
}
