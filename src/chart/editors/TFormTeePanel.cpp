#include "chart/editors/TFormTeePanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TTeeShadowEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomTeePanelExtended.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"

TFormTeePanel::TFormTeePanel(QWidget* Owner, TCustomTeePanelExtended* APanel) : TTeeForm(Owner), Panel(APanel)
{
    setObjectName("FormTeePanel");
    setWindowTitle("Panel Editor");
    SetClientSize(380, 210);
    PageControl1 = TeeAlignClient(new QTabWidget(this));

    TabBack = TeeAddTab(PageControl1, "Background");
    BPanelColor = TeeAddButton<TButtonColor>(TabBack, "&Color...", 8, 8, 80);
    CBColorDef = TeeAddCheck(TabBack, "&Default", 8, 40);
    auto* gb6 = TeePlace(new QGroupBox("Back Image:", TabBack), 110, 4, 250, 150);
    RGBitmap = TeeAddRadioGroup(gb6, "St&yle", {"Stretch", "Tile", "Center", "C&ustom"}, 8, 18, 100, 96);
    BBrowseImage = TeeAddButton(gb6, QString::fromStdString(TeeMsg_BrowseImage).toUtf8().constData(), 120, 20, 90);
    CBImageInside = TeeAddCheck(gb6, "I&nside", 120, 52);
    CBTransp = TeeAddCheck(gb6, "&Transparent", 120, 74);
    ELeft = TeeAddSpin(gb6, 40, 120, 56, 0, 100, 1, TeeAddLabel(gb6, "&Left:", 8, 124));
    ETop = TeeAddSpin(gb6, 156, 120, 56, 0, 100, 1, TeeAddLabel(gb6, "T&op:", 120, 124));

    QWidget* borders = TeeAddTab(PageControl1, "Borders");
    SEPanelBor = TeeAddSpin(borders, 100, 8, 56, 0, 100, 1, TeeAddLabel(borders, "&Separation:", 8, 12));
    SEPanelWi = TeeAddSpin(borders, 100, 38, 56, 0, 100, 1, TeeAddLabel(borders, "Widt&h:", 8, 42));
    ERound = TeeAddSpin(borders, 100, 68, 64, 0, 10000, 1, TeeAddLabel(borders, "&Round border:", 8, 72));
    CBInner =
        TeeAddCombo(borders, 260, 8, 90, {"None", "Lowered", "Raised"}, TeeAddLabel(borders, "Bevel &inner:", 180, 12));
    CBOuter = TeeAddCombo(borders, 260, 38, 90, {"None", "Lowered", "Raised"},
                          TeeAddLabel(borders, "Bevel &outer:", 180, 42));
    BBorder = TeeAddButton<TButtonPen>(borders, "&Border...", 180, 68, 80);

    QWidget* gradientTab = TeeAddTab(PageControl1, "Gradient");
    QWidget* shadowTab = TeeAddTab(PageControl1, "Shadow");
    GradientEditor = new TTeeGradientEditor(this, Panel ? Panel->GetGradient() : nullptr);
    AddFormTo(GradientEditor, gradientTab);
    TTeeShadowEditor* shadowEditor = InsertTeeShadowEditor(shadowTab);
    if (Panel) shadowEditor->RefreshControls(Panel->GetShadow());
    PageControl1->setCurrentWidget(TabBack);

    Bind(SEPanelWi, &QSpinBox::valueChanged, [this] {
        if (Panel && isVisible() && Panel->GetBevelWidth() != SEPanelWi->value())
            Panel->SetBevelWidth(SEPanelWi->value());
    });
    Bind(SEPanelBor, &QSpinBox::valueChanged, [this] {
        if (Panel && isVisible() && Panel->GetBorderWidth() != SEPanelBor->value())
            Panel->SetBorderWidth(SEPanelBor->value());
    });
    Bind(ERound, &QSpinBox::valueChanged, [this] {
        if (Panel && isVisible()) Panel->SetBorderRound(ERound->value());
    });
    Bind(CBInner, &QComboBox::activated, [this] {
        if (Panel && Panel->GetBevelInner() != TBevelCut(CBInner->currentIndex()))
            Panel->SetBevelInner(TBevelCut(CBInner->currentIndex()));
    });
    Bind(CBOuter, &QComboBox::activated, [this] {
        if (Panel && Panel->GetBevelOuter() != TBevelCut(CBOuter->currentIndex()))
            Panel->SetBevelOuter(TBevelCut(CBOuter->currentIndex()));
    });
    Bind(RGBitmap, &TTeeRadioGroup::Click, [this] {
        if (!Panel) return;
        Panel->SetBackImageMode(TTeeBackImageMode(RGBitmap->ItemIndex()));
        EnableImageControls();
    });
    Bind(BBrowseImage, &QPushButton::clicked, [this] { BBrowseImageClick(); });
    BindTo(CBImageInside, &QCheckBox::clicked, Panel, &TCustomTeePanelExtended::SetBackImageInside);
    Bind(CBTransp, &QCheckBox::clicked, [this] {
        if (Panel && CBTransp->isEnabled()) Panel->SetBackImageTransp(CBTransp->isChecked());
    });
    Bind(ELeft, &QSpinBox::valueChanged, [this] {
        if (Panel && isVisible()) Panel->GetBackImage()->SetLeft(ELeft->value());
    });
    Bind(ETop, &QSpinBox::valueChanged, [this] {
        if (Panel && isVisible()) Panel->GetBackImage()->SetTop(ETop->value());
    });
    BPanelColor->OnClick = [this](QObject*) { CheckColorDef(); };
    Bind(CBColorDef, &QCheckBox::clicked, [this] { CBColorDefClick(); });
}

void TFormTeePanel::FormShow()
{
    if (Panel) {
        TFilling filling(this);
        CBInner->setCurrentIndex(int(Panel->GetBevelInner()));
        CBOuter->setCurrentIndex(int(Panel->GetBevelOuter()));
        BBorder->LinkPen(Panel->GetBorder());
        ERound->setValue(Panel->GetBorderRound());
        SEPanelWi->setValue(Panel->GetBevelWidth());
        SEPanelBor->setValue(Panel->GetBorderWidth());
        RGBitmap->SetItemIndex(int(Panel->GetBackImageMode()));
        CBImageInside->setChecked(Panel->GetBackImageInside());
        if (TBackImage* image = Panel->StoredBackImage()) {
            ELeft->setValue(image->GetLeft());
            ETop->setValue(image->GetTop());
        }
        EnableImageControls();
        CBTransp->setEnabled(Panel->HasBackImage());
        CBTransp->setChecked(CBTransp->isEnabled() && Panel->GetBackImageTransp());
        CheckColorDef();
        BPanelColor->LinkProperty(Panel, "Color");
        GradientEditor->show();
        PageControl1->setCurrentWidget(TabBack);
    }
    TeeTranslateControl(this);
}

void TFormTeePanel::EnableImageControls()
{
    const bool image = Panel && Panel->HasBackImage();
    RGBitmap->setEnabled(image);
    CBImageInside->setEnabled(image);
    BBrowseImage->setText(QString::fromStdString(image ? TeeMsg_ClearImage : TeeMsg_BrowseImage));
    if (CBTransp->isVisible()) {
        CBTransp->setEnabled(image);
        const QSignalBlocker block(CBTransp);
        CBTransp->setChecked(image && Panel->GetBackImageTransp());
    }
    const bool custom = RGBitmap->ItemIndex() == pbmCustom;
    ELeft->setEnabled(custom);
    ETop->setEnabled(custom);
}

void TFormTeePanel::CheckColorDef()
{
    if (!Panel) return;
    FCheckingColorDef = true;
    {
        const QSignalBlocker block(CBColorDef);
        CBColorDef->setChecked(Panel->GetColor() == clBtnFace);
    }
    CBColorDef->setEnabled(!CBColorDef->isChecked());
    FCheckingColorDef = false;
}

void TFormTeePanel::BBrowseImageClick()
{
    if (!Panel) return;
    TeeLoadClearImage(this, Panel->GetBackImage());
    EnableImageControls();
}

void TFormTeePanel::CBColorDefClick()
{
    if (!Panel || FCheckingColorDef) return;
    Panel->SetColor(clBtnFace);
    CheckColorDef();
    BPanelColor->update();
}
