#include "chart/editors/TPieSeriesEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TTeeShadowEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TPieSeries.h"
#include "platform/FormatSettings.h"

TPieSeriesEditor::TPieSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("PieSeriesEditor");
    SetClientSize(360, 170);
    PageControl1 = TeeAlignClient(new QTabWidget(this));
    QWidget* options = TeeAddTab(PageControl1, "Options");
    CBDark3d = TeeAddCheck(options, "&Dark 3D", 8, 8);
    UDExpBig = TeeAddSpin(options, 110, 30, 56, 0, 100, 5, TeeAddLabel(options, "&Explode biggest:", 8, 34));
    CBPatterns = TeeAddCheck(options, "Pa&tterns", 8, 58);
    BPen = TeeAddButton<TButtonPen>(options, "&Border...", 8, 80, 80);
    UDAngleSize = TeeAddSpin(options, 110, 112, 56, 1, 360, 5, TeeAddLabel(options, "Total angle:", 8, 116));
    UDAngleSize->setValue(360);
    QPushButton* shadow = TeeAddButton(options, "S&hadow...", 190, 4, 80);
    CBMarksAutoPosition = TeeAddCheck(options, "&Auto Mark Position", 190, 36);
    Edit2 = TeeAddSpin(options, 270, 58, 56, 0, 255, 5, TeeAddLabel(options, "Dark Border:", 190, 62));
    Edit2->setValue(255);
    CBMultiple =
        TeeAddCombo(options, 270, 88, 80, {"Automatic", "Disable"}, TeeAddLabel(options, "&Multiple Pies:", 190, 92));
    QWidget* group = TeeAddTab(PageControl1, "Group Slices");
    CBOther = TeeAddCombo(group, 60, 8, 110, {"None", "Below %", "Below Value"}, TeeAddLabel(group, "&Style:", 8, 12));
    QLabel* value = TeeAddLabel(group, "&Value:", 8, 42);
    EOtherValue = TeePlace(new QLineEdit(group), 60, 38, 110, 21);
    value->setBuddy(EOtherValue);
    QLabel* label = TeeAddLabel(group, "&Label:", 8, 72);
    EOtherLabel = TeePlace(new QLineEdit(QString::fromStdString(TeeMsg_PieOther), group), 60, 68, 110, 21);
    label->setBuddy(EOtherLabel);
    QWidget* colors = TeeAddTab(PageControl1, "Colors");
    CBColorEach = TeeAddCheck(colors, "Color &Each slice", 8, 8);
    BColor = TeeAddButton<TButtonColor>(colors, "&Color...", 8, 32, 80);

    auto series = [this](auto Write) { return OnSubject(Series, std::move(Write)); };
    using P = TPieSeries;
    BindSpins(this, Series,
              {{UDExpBig, &P::SetExplodeBiggest}, {UDAngleSize, &P::SetAngleSize}, {Edit2, &P::SetDarkPen}}, true);
    Bind(shadow, &QPushButton::clicked, series([this](P* s) { EditTeeShadow(this, s->Shadow()); }));
    BindChecks(
        this, Series,
        {{CBDark3d, &P::SetDark3D}, {CBPatterns, &P::SetUsePatterns}, {CBMarksAutoPosition, &P::SetAutoMarkPosition}});
    Bind(CBMultiple, &QComboBox::activated,
         series([this](P* s) { s->SetMultiPie(CBMultiple->currentIndex() == 1 ? P::mpDisabled : P::mpAutomatic); }));
    Bind(CBOther, &QComboBox::activated, series([this](P* s) {
             s->OtherSlice()->SetStyle(TPieOtherSlice::TPieOtherStyle(CBOther->currentIndex()));
             EnableOther();
         }));
    Bind(EOtherValue, &QLineEdit::textChanged, [this] { EOtherValueChange(); });
    Bind(EOtherLabel, &QLineEdit::textChanged,
         series([this](P* s) { s->OtherSlice()->SetText(EOtherLabel->text().toStdString()); }));
    Bind(CBColorEach, &QCheckBox::clicked, series([this](P* s) {
             s->SetColorEachPoint(CBColorEach->isChecked());
             BColor->setEnabled(!s->GetColorEachPoint());
         }));
}

void TPieSeriesEditor::FormShow()
{
    Series = qobject_cast<TPieSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        TCustomAxisPanel* chart = ChartOf(Series);
        CBDark3d->setChecked(Series->GetDark3D());
        CBDark3d->setEnabled(chart && chart->GetView3D());
        UDExpBig->setValue(Series->GetExplodeBiggest());
        CBPatterns->setChecked(Series->GetUsePatterns());
        BPen->LinkPen(Series->PiePen());
        UDAngleSize->setValue(Series->GetAngleSize());
        CBMarksAutoPosition->setChecked(Series->GetAutoMarkPosition());
        Edit2->setValue(Series->GetDarkPen());
        CBMultiple->setCurrentIndex(Series->GetMultiPie() == TPieSeries::mpDisabled ? 1 : 0);
        CBOther->setCurrentIndex(int(Series->OtherSlice()->GetStyle()));
        EOtherValue->setText(QString::fromStdString(FloatToStr(Series->OtherSlice()->GetValue())));
        EOtherLabel->setText(QString::fromStdString(Series->OtherSlice()->GetText()));
        CBColorEach->setChecked(Series->GetColorEachPoint());
        BColor->LinkProperty(Series, "SeriesColor");
        BColor->setEnabled(!Series->GetColorEachPoint());
        EnableOther();
        if (!CircledForm) {
            CircledForm = TeeInsertSeriesForm(parentWidget(), &TCircledSeriesEditor::staticMetaObject, 1,
                                              TeeMsg_GalleryCircled, Series);
            if (auto* circled = static_cast<TCircledSeriesEditor*>(CircledForm))
                ShowControls(false, {circled->BBack, circled->CBTransp, circled->BGradient});
        }
    }
    TeeTranslateControl(this);
}

void TPieSeriesEditor::EnableOther()
{
    const bool other = CBOther->currentIndex() > 0;
    EOtherValue->setEnabled(other);
    EOtherLabel->setEnabled(other);
}

void TPieSeriesEditor::EOtherValueChange()
{
    const AnsiString text = EOtherValue->text().trimmed().toStdString();
    if (!Series || text.empty()) return;
    Series->OtherSlice()->SetValue(StrToFloat(text));
}

TCircledSeriesEditor::TCircledSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("CircledSeriesEditor");
    SetClientSize(300, 150);
    CBCircled = TeeAddCheck(this, "&Circled", 8, 8);
    CB3D = TeeAddCheck(this, "&3 Dimensions", 8, 30);
    UDRot = TeeAddSpin(this, 80, 54, 56, 0, 360, 5, TeeAddLabel(this, "&Rotation:", 8, 58));
    UDRot->setWrapping(true);
    UDX = TeeAddSpin(this, 80, 84, 60, 0, 2000, 5, TeeAddLabel(this, "&Horizontal:", 8, 88));
    CBAutoXR = TeeAddCheck(this, "&Auto", 150, 86);
    CBAutoXR->setChecked(true);
    UDY = TeeAddSpin(this, 80, 114, 60, 0, 2000, 5, TeeAddLabel(this, "&Vertical:", 8, 118));
    CBAutoYR = TeeAddCheck(this, "&Auto", 150, 116);
    CBAutoYR->setChecked(true);
    BBack = TeeAddButton<TButtonColor>(this, "C&olor...", 200, 8, 80);
    CBTransp = TeeAddCheck(this, "&Transparent", 200, 40);
    BGradient = TeeAddButton(this, "&Gradient...", 200, 64, 80);

    Bind(CBCircled, &QCheckBox::clicked, [this] {
        if (Series) Series->SetCircled(CBCircled->isChecked());
    });
    Bind(CB3D, &QCheckBox::clicked, [this] {
        if (auto* chart = ChartOf(Series)) chart->SetView3D(CB3D->isChecked());
    });
    Bind(UDRot, &QSpinBox::valueChanged, [this] {
        if (Series) Series->SetRotationAngle(UDRot->value());
    });
    Bind(UDX, &QSpinBox::valueChanged, [this] { RadiusChange(UDX, CBAutoXR, true); });
    Bind(UDY, &QSpinBox::valueChanged, [this] { RadiusChange(UDY, CBAutoYR, false); });
    Bind(CBAutoXR, &QCheckBox::clicked, [this] { AutoClick(UDX, CBAutoXR); });
    Bind(CBAutoYR, &QCheckBox::clicked, [this] { AutoClick(UDY, CBAutoYR); });
    Bind(CBTransp, &QCheckBox::clicked, [this] { CBTranspClick(); });
    Bind(BGradient, &QPushButton::clicked, [this] { BGradientClick(); });
    BBack->OnClick = [this](QObject*) { BackChosen(); };
}

void TCircledSeriesEditor::FormShow()
{
    Series = qobject_cast<TCircledSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        CBCircled->setChecked(Series->GetCircled());
        TCustomAxisPanel* chart = ChartOf(Series);
        CB3D->setChecked(chart && chart->GetView3D());
        UDRot->setValue(Series->GetRotationAngle());
        UDX->setValue(Series->GetCustomXRadius());
        UDY->setValue(Series->GetCustomYRadius());
        CBAutoXR->setChecked(Series->GetCustomXRadius() == 0);
        CBAutoYR->setChecked(Series->GetCustomYRadius() == 0);
        BBack->LinkProperty(Series, "CircleBackColor");
        CBTransp->setChecked(!Series->HasBackColor());
        CBTransp->setEnabled(!CBTransp->isChecked());
    }
    TeeTranslateControl(this);
}

void TCircledSeriesEditor::RadiusChange(QSpinBox* Edit, QCheckBox* Auto, bool Horizontal)
{
    if (!Series) return;
    if (Horizontal)
        Series->SetCustomXRadius(Edit->value());
    else
        Series->SetCustomYRadius(Edit->value());
    const QSignalBlocker block(Auto);
    Auto->setChecked(Edit->value() == 0);
}

void TCircledSeriesEditor::AutoClick(QSpinBox* Edit, QCheckBox* Auto)
{
    if (Auto->isChecked()) Edit->setValue(0);
}

void TCircledSeriesEditor::CBTranspClick()
{
    if (!Series || !CBTransp->isChecked()) return;
    Series->SetCircleBackColor(clDefault);
    Series->Gradient()->SetVisible(false);
    CBTransp->setEnabled(false);
    BBack->update();
}

void TCircledSeriesEditor::BackChosen()
{
    const QSignalBlocker block(CBTransp);
    CBTransp->setChecked(false);
    CBTransp->setEnabled(true);
}

void TCircledSeriesEditor::BGradientClick()
{
    if (!Series) return;
    EditTeeGradient(this, Series->Gradient());
    if (Series->Gradient()->GetVisible()) BackChosen();
}
