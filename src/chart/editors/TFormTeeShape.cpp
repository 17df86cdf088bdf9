#include "chart/editors/TFormTeeShape.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeFontEditor.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TTeeShadowEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TTeeCustomShape.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeProcs.h"

TFormTeeShape::TFormTeeShape(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("FormTeeShape");
    SetClientSize(272, 205);

    PC1 = TeePlace(new QTabWidget(this), 0, 0, 272, 205);
    TabFormat = TeeAddTab(PC1, "Format");
    BBackColor = TeeAddButton<TButtonColor>(TabFormat, "&Color...", 8, 8, 80);
    Button4 = TeeAddButton<TButtonPen>(TabFormat, "&Frame...", 8, 38, 80);
    auto* pattern = TeePlace(new QPushButton("&Pattern...", TabFormat), 8, 68, 80, 25);
    CBRound = TeePlace(new QCheckBox("&Round Frame", TabFormat), 100, 12, 150, 17);
    CBTransparent = TeePlace(new QCheckBox("&Transparent", TabFormat), 100, 42, 150, 17);
    CBBevel = TeeAddCombo(TabFormat, 60, 104, 90, {"None", "Lowered", "Raised"},
                          TeePlace(new QLabel("&Bevel:", TabFormat), 8, 108, 50, 13));
    EBevWidth =
        TeeAddSpin(TabFormat, 200, 104, 50, 1, 100, 1, TeePlace(new QLabel("Siz&e:", TabFormat), 160, 108, 40, 13));
    EShadowTransp = TeeAddSpin(TabFormat, 90, 136, 50, 0, 100, 1,
                               TeePlace(new QLabel("&Transparency:", TabFormat), 8, 140, 80, 13));
    TabText = TeeAddTab(PC1, "Text");
    QWidget* gradientTab = TeeAddTab(PC1, "Gradient");
    QWidget* shadowTab = TeeAddTab(PC1, "Shadow");

    GradientEditor = new TTeeGradientEditor(this, nullptr);
    AddFormTo(GradientEditor, gradientTab);
    FontEditor = InsertTeeFontEditor(TabText);
    ShadowEditor = InsertTeeShadowEditor(shadowTab);

    Bind(CBRound, &QCheckBox::toggled, [this] { CBRoundClick(); });
    Bind(CBTransparent, &QCheckBox::toggled, [this] { CBTransparentClick(); });
    Bind(CBBevel, &QComboBox::currentIndexChanged, [this] { CBBevelChange(); });
    Bind(EBevWidth, &QSpinBox::valueChanged, [this] { EBevWidthChange(); });
    Bind(EShadowTransp, &QSpinBox::valueChanged, [this] { EShadowTranspChange(); });
    Bind(pattern, &QPushButton::clicked, [this] { Button6Click(); });
    BBackColor->OnClick = [this](QObject*) { BColorClick(); };
    FCreating = false;
}

void TFormTeeShape::FormShow()
{
    PC1->setCurrentWidget(TabFormat);
    if (EditedShape) RefreshControls(EditedShape);
    TeeTranslateControl(this);
}

void TFormTeeShape::RefreshControls(TTeeCustomShape* Shape)
{
    EditedShape = Shape;
    if (!Shape) return;
    FCreating = true;
    {
        TFilling filling(this);
        CBRound->setChecked(Shape->GetShapeStyle() == fosRoundRectangle);
        CBTransparent->setChecked(Shape->GetTransparent());
        CBBevel->setCurrentIndex(int(Shape->GetBevel()));
        EBevWidth->setValue(Shape->GetBevelWidth());
        EShadowTransp->setValue(Shape->GetTransparency());
        GradientEditor->RefreshGradient(Shape->GetGradient());
        FontEditor->RefreshControls(Shape->GetFont());
        ShadowEditor->RefreshControls(Shape->GetShadow());
        Button4->LinkPen(Shape->GetPen());
        BBackColor->LinkProperty(Shape, "Color");
        EnableBevel();
    }
    FCreating = false;
}

void TFormTeeShape::EnableBevel()
{
    const bool bevel = EditedShape && EditedShape->GetBevel() != bvNone;
    EBevWidth->setEnabled(bevel);
}

void TFormTeeShape::CBRoundClick()
{
    if (EditedShape) EditedShape->SetShapeStyle(CBRound->isChecked() ? fosRoundRectangle : fosRectangle);
}

void TFormTeeShape::CBTransparentClick()
{
    if (EditedShape) EditedShape->SetTransparent(CBTransparent->isChecked());
}

void TFormTeeShape::CBBevelChange()
{
    if (!EditedShape) return;
    EditedShape->SetBevel(TBevelCut(CBBevel->currentIndex()));
    EnableBevel();
}

void TFormTeeShape::EBevWidthChange()
{
    if (!FCreating && EditedShape) EditedShape->SetBevelWidth(EBevWidth->value());
}

void TFormTeeShape::EShadowTranspChange()
{
    if (!FCreating && EditedShape) EditedShape->SetTransparency(EShadowTransp->value());
}

void TFormTeeShape::Button6Click()
{
    if (EditedShape) EditChartBrush(this, EditedShape->GetBrush());
}

void TFormTeeShape::CBVisibleChecked(QCheckBox* Sender)
{
    if (EditedShape && Sender) EditedShape->SetVisible(Sender->isChecked());
}

void TFormTeeShape::BColorClick()
{
    CBTransparent->setChecked(false);
}

TFormTeeShape* TFormTeeShape::CreateForm(QWidget* Owner, TTeeCustomShape* Shape, QWidget* Parent)
{
    auto* form = new TFormTeeShape(Owner);
    form->EditedShape = Shape;
    if (Parent) {
        form->SetBorderStyle(fbsNone);
        form->setParent(Parent, Qt::Widget);
        TeeTranslateControl(form);
        form->setGeometry(Parent->rect());
        form->show();
    }
    return form;
}

TFormTeeShape* InsertTeeObjectForm(QTabWidget* PageControl, TTeeCustomShape* Shape)
{
    auto* form = new TFormTeeShape(PageControl->window());
    form->SetBorderStyle(fbsNone);
    form->setParent(PageControl, Qt::Widget);
    form->hide();
    while (form->PC1->count() > 0) {
        QWidget* page = form->PC1->widget(0);
        const QString caption = form->PC1->tabText(0);
        form->PC1->removeTab(0);
        PageControl->addTab(page, caption);
    }
    PageControl->setCurrentIndex(0);
    form->RefreshControls(Shape);
    TeeTranslateControl(form);
    return form;
}

void EditTeeCustomShape(QObject* AOwner, TTeeCustomShape* Shape)
{
    TFormTeeShape form(TeeFormOwner(AOwner));
    form.SetBorderStyle(fbsDialog);
    form.EditedShape = Shape;
    form.resize(form.width(), form.height() + 30);
    form.PC1->resize(form.width(), form.height() - 34);
    auto* panel = TeePlace(new QWidget(&form), 0, form.height() - 34, form.width(), 34);
    auto* ok = TeePlace(new QPushButton("OK", panel), form.width() - 98, 4, 75, 25);
    form.BindModal(ok, mrOk);
    form.SetDefaultButton(ok);
    form.ShowModal();
}
