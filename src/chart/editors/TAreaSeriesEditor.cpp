#include "chart/editors/TAreaSeriesEditor.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeePenDlg.h"
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
    BPattern = TeeAddButton(this, "&Pattern...", 130, 68, 90);
    Button1 = TeeAddButton(this, "&Top...", 130, 98, 90);
    CBColorEach = TeeAddCheck(this, "Color &Each", 236, 10);
    BAreaColor = TeeAddButton<TButtonColor>(this, "&Color...", 236, 32, 90);
    CBUseOrigin = TeeAddCheck(this, "&Use Origin", 236, 64);
    EOrigin = TeeAddSpin(this, 236, 86, 90, -30000, 30000);
    UDOrigin = EOrigin;
    ETransp = TeeAddSpin(this, 220, 130, 56, 0, 100, 1, TeeAddLabel(this, "Tra&nsparency:", 130, 134));
    UDTransp = ETransp;

    BAreaColor->GetColorProc = [this] {
        if (!Series) return TColor(clNone);
        return Series->GetAreaColor() == clDefault ? Series->GetSeriesColor() : Series->GetAreaColor();
    };
    auto series = [this](auto&& Write) {
        return [this, Write] {
            if (Series) Write(Series);
        };
    };
    Bind(RGMultiArea, &TTeeRadioGroup::Click,
         series([this](TAreaSeries* s) { s->SetMultiArea(TMultiArea(RGMultiArea->ItemIndex())); }));
    Bind(CBStairs, &QCheckBox::clicked, series([this](TAreaSeries* s) {
             s->SetStairs(CBStairs->isChecked());
             CheckControls();
         }));
    Bind(CBInvStairs, &QCheckBox::clicked,
         series([this](TAreaSeries* s) { s->SetInvertedStairs(CBInvStairs->isChecked()); }));
    Bind(BPattern, &QPushButton::clicked,
         series([this](TAreaSeries* s) { EditChartBrush(this, s->GetAreaChartBrush()); }));
    Bind(Button1, &QPushButton::clicked, series([this](TAreaSeries* s) { EditChartBrush(this, s->Brush()); }));
    Bind(CBColorEach, &QCheckBox::clicked, series([this](TAreaSeries* s) {
             s->SetColorEachPoint(CBColorEach->isChecked());
             CheckControls();
         }));
    Bind(CBUseOrigin, &QCheckBox::clicked, series([this](TAreaSeries* s) {
             s->SetUseOrigin(CBUseOrigin->isChecked());
             CheckControls();
         }));
    Bind(EOrigin, &QSpinBox::valueChanged, series([this](TAreaSeries* s) {
             if (isVisible()) s->SetOrigin(UDOrigin->value());
         }));
    Bind(ETransp, &QSpinBox::valueChanged, series([this](TAreaSeries* s) {
             if (isVisible()) s->SetTransparency(UDTransp->value());
         }));
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
        UDOrigin->setValue(Round(Series->GetYOrigin()));
        UDTransp->setValue(Series->GetTransparency());
        CheckControls();
        if (!PointerForm) {
            PointerForm = TeeInsertPointerForm(this, Series->GetPointer(), TeeMsg_GalleryPoint);
            for (QObject* o = parent(); o; o = o->parent())
                if (auto* page = qobject_cast<TFormTeeSeries*>(o)) {
                    GradientForm = page->InsertSeriesForm(&TTeeGradientEditor::staticMetaObject, 2, TeeMsg_Gradient,
                                                          Series->GetGradient());
                    auto* gradient = static_cast<TTeeGradientEditor*>(GradientForm);
                    gradient->BOk->hide();
                    gradient->BCancel->hide();
                    break;
                }
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
