#include "chart/editors/TFastLineSeriesEditor.h"

#include <QCheckBox>
#include <QPushButton>

#include "chart/editors/TeePenDlg.h"
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
    auto series = [this](auto&& Write) {
        return [this, Write] {
            if (Series) Write(Series);
        };
    };
    Bind(CBDrawAll, &QCheckBox::clicked, series([this](TFastLineSeries* s) { s->SetDrawAll(CBDrawAll->isChecked()); }));
    Bind(CBStairs, &QCheckBox::clicked, series([this](TFastLineSeries* s) {
             s->SetStairs(CBStairs->isChecked());
             CBInvStairs->setEnabled(CBStairs->isChecked());
         }));
    Bind(CBInvStairs, &QCheckBox::clicked,
         series([this](TFastLineSeries* s) { s->SetInvertedStairs(CBInvStairs->isChecked()); }));
    Bind(CBNulls, &QCheckBox::clicked, series([this](TFastLineSeries* s) { s->SetIgnoreNulls(CBNulls->isChecked()); }));
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
