#include "chart/editors/TCustomSeriesEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TTeeShadowEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TCustomSeries.h"
#include "chart/series/TLineSeries.h"

TCustomSeriesEditor::TCustomSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("CustomSeriesEditor");
    SetClientSize(360, 160);
    BLineBorder = TeeAddButton<TButtonPen>(this, "&Border...", 8, 8, 80);
    BLineColor = TeeAddButton<TButtonColor>(this, "&Color...", 8, 38, 80);
    CBColorEach = TeeAddCheck(this, "Color &Each", 8, 70);
    CBStack = TeeAddCombo(this, 164, 8, 76, {"None", "Overlap", "Stack", "Stack 100%"},
                          TeeAddLabel(this, "S&tack:", 124, 12));
    CBClick = TeeAddCheck(this, "Clic&kable", 8, 92);
    CheckBox1 = TeeAddCheck(this, "Color Each line", 8, 114);
    GBStair = TeePlace(new QGroupBox(this), 124, 36, 116, 46);
    CBStairs = TeeAddCheck(GBStair, "&Stairs", 6, 4);
    CBInvStairs = TeeAddCheck(GBStair, "&Inverted", 6, 24);
    CBDark3D = TeeAddCheck(this, "&Dark 3D", 124, 90);
    LHeight = TeeAddLabel(this, "&Height 3D:", 124, 116);
    EHeight = TeeAddSpin(this, 190, 112, 50, 0, 100, 1, LHeight);
    BOutline = TeeAddButton<TButtonPen>(this, "&Outline...", 250, 8, 80);
    BBrush = TeeAddButton(this, "&Pattern...", 250, 38, 80);
    Button1 = TeeAddButton(this, "S&hadow...", 250, 68, 80);

    auto series = [this](auto Write) { return OnSubject(Series, std::move(Write)); };
    using S = TCustomSeries;
    BLineBorder->OnClick = [this](QObject*) { Guard([this] { BLineBorderClick(); }); };
    BindChecks(this, Series,
               {{CBColorEach, &S::SetColorEachPoint},
                {CBClick, &S::SetClickableLine},
                {CheckBox1, &S::SetColorEachLine},
                {CBInvStairs, &S::SetInvertedStairs},
                {CBDark3D, &S::SetDark3D}});
    Bind(CBStack, &QComboBox::activated,
         series([this](S* s) { s->SetStacked(TCustomSeriesStack(CBStack->currentIndex())); }));
    Bind(CBStairs, &QCheckBox::clicked, series([this](S* s) {
             s->SetStairs(CBStairs->isChecked());
             CBInvStairs->setEnabled(CBStairs->isChecked());
         }));
    BindSpins(this, Series, {{EHeight, &S::SetLineHeight}}, true);
    Bind(BBrush, &QPushButton::clicked, series([this](S* s) { EditChartBrush(this, s->Brush()); }));
    Bind(Button1, &QPushButton::clicked, series([this](S* s) { EditTeeShadow(this, s->GetShadow()); }));
}

void TCustomSeriesEditor::FormShow()
{
    Series = qobject_cast<TCustomSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        BLineBorder->LinkPen(Series->Pen());
        BLineColor->LinkProperty(Series, "SeriesColor");
        CBColorEach->setChecked(Series->GetColorEachPoint());
        CBStack->setCurrentIndex(int(Series->GetStacked()));
        CBClick->setChecked(Series->GetClickableLine());
        CheckBox1->setChecked(Series->GetColorEachLine());
        CBStairs->setChecked(Series->GetStairs());
        CBInvStairs->setChecked(Series->GetInvertedStairs());
        CBInvStairs->setEnabled(Series->GetStairs());
        CBDark3D->setChecked(Series->GetDark3D());
        EHeight->setValue(Series->GetLineHeight());
        BOutline->LinkPen(Series->GetOutLine());
        const bool line = qobject_cast<TLineSeries*>(Series) != nullptr;
        ShowControls(line, {BBrush, BOutline, GBStair, CBDark3D, LHeight, EHeight});
        if (!PointerForm) PointerForm = TeeInsertPointerForm(this, Series->GetPointer(), TeeMsg_GalleryPoint);
    }
    TeeTranslateControl(this);
}

void TCustomSeriesEditor::BLineBorderClick()
{
    if (!Series) return;
    auto* chart = dynamic_cast<TCustomAxisPanel*>(Series->ParentChart());
    // In 2D the line is all there is of the series: its colour is the series colour.
    if (chart && !chart->GetView3D()) Series->SetSeriesColor(Series->Pen()->GetColor());
    BLineColor->update();
}
