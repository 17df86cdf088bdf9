#include "chart/editors/TAreaSeriesEditor.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TAreaSeries.h"
#include "platform/Round.h"

TAreaSeriesEditor::TAreaSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("AreaSeriesEditor");
    SetClientSize(360, 170);
    RGMultiArea = TeeAddRadioGroup(this, "&Multiple Areas:", {"None", "Stacked", "Stacked 100%"}, 8, 4, 110, 76);
    CBStairs = TeeAddCheck(this, "&Stairs", 8, 88);
    CBInvStairs = TeeAddCheck(this, "Inverted", 8, 108);
    BAreaLinesPen = TeeAddButton<TButtonPen>(this, "Area &Lines...", 130, 8, 90);
    BAreaLinePen = TeeAddButton<TButtonPen>(this, "&Border...", 130, 38, 90);
    QPushButton* pattern = TeeAddButton(this, "&Pattern...", 130, 68, 90);
    Button1 = TeeAddButton(this, "&Top...", 130, 98, 90);
    CBColorEach = TeeAddCheck(this, "Color &Each", 236, 10);
    BAreaColor = TeeAddButton<TButtonColor>(this, "&Color...", 236, 32, 90);
    CBUseOrigin = TeeAddCheck(this, "&Use Origin", 236, 64);
    EOrigin = TeeAddSpin(this, 236, 86, 90, -30000, 30000);
    ETransp = TeeAddSpin(this, 220, 130, 56, 0, 100, 1, TeeAddLabel(this, "Tra&nsparency:", 130, 134));

    BAreaColor->GetColorProc = [this] {
        if (!Series) return TColor(clNone);
        return Series->GetAreaColor() == clDefault ? Series->GetSeriesColor() : Series->GetAreaColor();
    };
    auto series = [this](auto Write) { return OnSubject(Series, std::move(Write)); };
    using A = TAreaSeries;
    Bind(RGMultiArea, &TTeeRadioGroup::Click,
         series([this](A* s) { s->SetMultiArea(TMultiArea(RGMultiArea->ItemIndex())); }));
    Bind(CBStairs, &QCheckBox::clicked, series([this](A* s) {
             s->SetStairs(CBStairs->isChecked());
             CheckControls();
         }));
    Bind(CBInvStairs, &QCheckBox::clicked, series([this](A* s) { s->SetInvertedStairs(CBInvStairs->isChecked()); }));
    Bind(pattern, &QPushButton::clicked, series([this](A* s) { EditChartBrush(this, s->GetAreaChartBrush()); }));
    Bind(Button1, &QPushButton::clicked, series([this](A* s) { EditChartBrush(this, s->Brush()); }));
    Bind(CBColorEach, &QCheckBox::clicked, series([this](A* s) {
             s->SetColorEachPoint(CBColorEach->isChecked());
             CheckControls();
         }));
    Bind(CBUseOrigin, &QCheckBox::clicked, series([this](A* s) {
             s->SetUseOrigin(CBUseOrigin->isChecked());
             CheckControls();
         }));
    Bind(EOrigin, &QSpinBox::valueChanged, series([this](A* s) {
             if (isVisible()) s->SetOrigin(EOrigin->value());
         }));
    BindSpins(this, Series, {{ETransp, &A::SetTransparency}}, true);
}

void TAreaSeriesEditor::FormShow()
{
    Series = qobject_cast<TAreaSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        RGMultiArea->SetItemIndex(int(Series->GetMultiArea()));
        CBStairs->setChecked(Series->GetStairs());
        CBInvStairs->setChecked(Series->GetInvertedStairs());
        BAreaLinesPen->LinkPen(Series->GetAreaLinesPen());
        BAreaLinePen->LinkPen(Series->Pen());
        CBColorEach->setChecked(Series->GetColorEachPoint());
        BAreaColor->LinkProperty(Series, "SeriesColor");
        CBUseOrigin->setChecked(Series->GetUseYOrigin());
        EOrigin->setValue(Round(Series->GetYOrigin()));
        ETransp->setValue(Series->GetTransparency());
        CheckControls();
        if (!PointerForm) {
            PointerForm = TeeInsertPointerForm(this, Series->GetPointer(), TeeMsg_GalleryPoint);
            GradientForm = TeeInsertSeriesForm(parentWidget(), &TTeeGradientEditor::staticMetaObject, 2,
                                               TeeMsg_Gradient, Series->GetGradient());
            if (auto* gradient = static_cast<TTeeGradientEditor*>(GradientForm))
                ShowControls(false, {gradient->BOk, gradient->BCancel});
        }
    }
    TeeTranslateControl(this);
}

void TAreaSeriesEditor::CheckControls()
{
    if (!Series) return;
    CBInvStairs->setEnabled(Series->GetStairs());
    BAreaColor->setEnabled(!Series->GetColorEachPoint());
    BAreaColor->update();
    EOrigin->setEnabled(CBUseOrigin->isChecked());
}
