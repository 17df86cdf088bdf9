#include "chart/editors/TTeeFontEditor.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TTeeShadowEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeeGradient.h"
#include "chart/engine/TeeProcs.h"
#include "platform/FontDialog.h"

TTeeColorShape::TTeeColorShape(QWidget* Parent) : QFrame(Parent) {}

void TTeeColorShape::SetBrushColor(TColor Value)
{
    FColor = Value;
    update();
}

void TTeeColorShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(TColorToQColor(ColorToRGB(FColor)));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TTeeColorShape::mouseReleaseEvent(QMouseEvent* Event)
{
    QFrame::mouseReleaseEvent(Event);
    if (OnMouseUp) TTeeForm::Guard(OnMouseUp);
}

TTeeFontEditor::TTeeFontEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("TeeFontEditor");
    setWindowTitle("TeeFont Editor");
    SetClientSize(230, 130);

    Button3 = TeePlace(new QPushButton("&Font...", this), 8, 8, 75, 25);
    SHText = TeePlace(new TTeeColorShape(this), 92, 12, 25, 17);
    SHText->setCursor(Qt::PointingHandCursor);
    auto* spacingLabel = TeePlace(new QLabel("&Inter-char spacing:", this), 8, 44, 100, 13);
    Edit2 = TeePlace(new QSpinBox(this), 110, 40, 49, 21);
    Edit2->setRange(-100, 100);
    Edit2->setValue(0);
    spacingLabel->setBuddy(Edit2);
    BOutline = TeeAddButton<TButtonPen>(this, "&Outline...", 8, 70, 75);
    auto* shadow = TeePlace(new QPushButton("&Shadow...", this), 88, 70, 75, 25);
    BGradient = TeePlace(new QPushButton("&Gradient...", this), 8, 100, 75, 25);
    CBOutGrad = TeePlace(new QCheckBox("O&utline gradient", this), 88, 104, 130, 17);

    Bind(Button3, &QPushButton::clicked, [this] { Button3Click(); });
    SHText->OnMouseUp = [this] { SHTextMouseUp(); };
    Bind(Edit2, &QSpinBox::valueChanged, [this] { Edit2Change(); });
    Bind(shadow, &QPushButton::clicked, [this] { BShadowClick(); });
    Bind(BGradient, &QPushButton::clicked, [this] { BGradientClick(); });
    Bind(CBOutGrad, &QCheckBox::toggled, [this] { CBOutGradClick(); });
}

void TTeeFontEditor::RefreshControls(TTeeFont* Font)
{
    EditedFont = Font;
    if (!Font) return;
    TFilling filling(this);
    SHText->SetBrushColor(Font->GetColor());
    Edit2->setValue(Font->GetInterCharSize());
    BOutline->LinkPen(Font->GetOutLine());
    CBOutGrad->setChecked(Font->GetGradient()->GetOutline());
}

void TTeeFontEditor::FormShow()
{
    if (EditedFont) RefreshControls(EditedFont);
    TeeTranslateControl(this);
}

void TTeeFontEditor::Button3Click()
{
    if (!EditedFont) return;
    EditTeeFont(this, EditedFont);
    SHText->SetBrushColor(EditedFont->GetColor());
}

void TTeeFontEditor::SHTextMouseUp()
{
    if (!EditedFont) return;
    TColor color = EditedFont->GetColor();
    if (EditColorDialog(this, color)) {
        EditedFont->SetColor(color);
        SHText->SetBrushColor(color);
    }
}

void TTeeFontEditor::Edit2Change()
{
    if (isVisible() && EditedFont) EditedFont->SetInterCharSize(Edit2->value());
}

void TTeeFontEditor::BShadowClick()
{
    if (EditedFont) EditTeeShadow(this, EditedFont->GetShadow());
}

void TTeeFontEditor::BGradientClick()
{
    if (EditedFont) EditTeeGradient(this, EditedFont->GetGradient());
}

void TTeeFontEditor::CBOutGradClick()
{
    if (EditedFont) EditedFont->GetGradient()->SetOutline(CBOutGrad->isChecked());
}

bool EditTeeFont(QObject* AOwner, TFont* Font)
{
    if (!Font) return false;
    TFont chosen;
    chosen.Assign(Font);
    if (!platform::RunFontDialog(TeeFormOwner(AOwner), chosen)) return false;
    Font->Assign(&chosen);
    return true;
}

void EditTeeFontEx(QObject* AOwner, TTeeFont* Font)
{
    TTeeFontEditor editor(TeeFormOwner(AOwner));
    editor.SetBorderStyle(fbsDialog);
    editor.EditedFont = Font;
    editor.ShowModal();
}

TTeeFontEditor* InsertTeeFontEditor(QWidget* Page)
{
    auto* editor = new TTeeFontEditor(Page->window());
    AddFormTo(editor, Page);
    return editor;
}
