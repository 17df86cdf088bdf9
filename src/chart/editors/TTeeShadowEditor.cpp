#include "chart/editors/TTeeShadowEditor.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeeProcs.h"

namespace {

QSpinBox* AddSpin(QWidget* Parent, const char* Caption, int Y, int Min, int Max)
{
    auto* label = TeePlace(new QLabel(Caption, Parent), 8, Y + 4, 80, 13);
    auto* spin = TeePlace(new QSpinBox(Parent), 90, Y, 60, 21);
    spin->setRange(Min, Max);
    label->setBuddy(spin);
    return spin;
}

}  // namespace

TTeeShadowEditor::TTeeShadowEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("TeeShadowEditor");
    setWindowTitle("Shadow editor");
    SetClientSize(186, 193);

    Edit1 = AddSpin(this, "&Horiz. Size:", 8, -1000, 1000);
    EVertSize = AddSpin(this, "&Vert. Size:", 36, -1000, 1000);
    EShadowTransp = AddSpin(this, "&Transparency:", 64, 0, 100);
    BShadowColor = TeeAddButton<TButtonColor>(this, "&Color...", 8, 96, 80);
    CBSmooth = TeePlace(new QCheckBox("&Smooth", this), 8, 130, 100, 17);
    CBSmooth->setChecked(true);
    BOK = TeePlace(new QPushButton("OK", this), 104, 160, 75, 25);

    BindModal(BOK, mrOk);
    SetDefaultButton(BOK);
    Bind(Edit1, &QSpinBox::valueChanged, [this] { Edit1Change(); });
    Bind(EVertSize, &QSpinBox::valueChanged, [this] { EVertSizeChange(); });
    Bind(EShadowTransp, &QSpinBox::valueChanged, [this] { EShadowTranspChange(); });
    Bind(CBSmooth, &QCheckBox::toggled, [this] { CBSmoothClick(); });
    SetBorderStyle(fbsDialog);
}

void TTeeShadowEditor::RefreshControls(TTeeShadow* Shadow)
{
    EditedShadow = Shadow;
    if (!Shadow) return;
    TFilling filling(this);
    Edit1->setValue(Shadow->GetHorizSize());
    EVertSize->setValue(Shadow->GetVertSize());
    EShadowTransp->setValue(Shadow->GetTransparency());
    CBSmooth->setChecked(Shadow->GetSmooth());
    BShadowColor->LinkProperty(Shadow, "Color");
}

void TTeeShadowEditor::FormShow()
{
    if (EditedShadow) RefreshControls(EditedShadow);
    TeeTranslateControl(this);
    FCreating = false;
}

void TTeeShadowEditor::Edit1Change()
{
    if (!FCreating && EditedShadow) EditedShadow->SetHorizSize(Edit1->value());
}

void TTeeShadowEditor::EVertSizeChange()
{
    if (!FCreating && EditedShadow) EditedShadow->SetVertSize(EVertSize->value());
}

void TTeeShadowEditor::EShadowTranspChange()
{
    if (!FCreating && EditedShadow) EditedShadow->SetTransparency(EShadowTransp->value());
}

void TTeeShadowEditor::CBSmoothClick()
{
    if (EditedShadow) EditedShadow->SetSmooth(CBSmooth->isChecked());
}

bool EditTeeShadow(QObject* AOwner, TTeeShadow* Shadow)
{
    auto editor = TeeCreateForm<TTeeShadowEditor>(AOwner);
    editor->EditedShadow = Shadow;
    editor->BOK->show();
    return editor->ShowModal() == mrOk;
}

TTeeShadowEditor* InsertTeeShadowEditor(QWidget* Page)
{
    auto* editor = new TTeeShadowEditor(Page->window());
    editor->BOK->hide();
    AddFormTo(editor, Page);
    return editor;
}
