#include "chart/editors/TPenDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TeeOwnerDraw.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "platform/TCanvas.h"

TPenDialog::TPenDialog(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("PenDialog");
    setWindowTitle("Border Editor");
    SetClientSize(247, 104);
    Position = poScreenCenter;

    CBVisible = TeePlace(new QCheckBox("&Visible", this), 8, 8, 90, 17);
    SEWidth = TeeAddSpin(this, 48, 33, 48, 1, 100, 1, TeePlace(new QLabel("&Width:", this), 8, 37, 40, 13));
    auto* styleLabel = TeePlace(new QLabel("&Style:", this), 8, 68, 40, 13);
    CBStyle = TeePlace(new TComboFlat(this), 48, 64, 127, 21);
    CBStyle->addItems({"Solid", "Dash", "Dot", "Dash Dot", "Dash Dot Dot"});
    styleLabel->setBuddy(CBStyle);
    TeeOwnerDrawCombo(CBStyle, 16, [this](TCanvas* c, int i, const TRect& r, bool s) { CBStyleDrawItem(c, i, r, s); });
    BColor = TeeAddButton<TButtonColor>(this, "&Color...", 100, 4, 75);
    CBEndStyle = TeePlace(new TComboFlat(this), 100, 33, 75, 21);
    CBEndStyle->addItems({"Round", "Square", "Flat"});
    BOk = TeePlace(new QPushButton("OK", this), 182, 4, 60, 25);
    BCancel = TeePlace(new QPushButton("Cancel", this), 182, 33, 60, 25);

    BindOkCancel(BOk, BCancel, [this] { BCancelClick(); });
    Bind(CBVisible, &QCheckBox::toggled, [this] { CBVisibleClick(); });
    Bind(SEWidth, &QSpinBox::valueChanged, [this] { SEWidthChange(); });
    Bind(CBStyle, &QComboBox::currentIndexChanged, [this] { CBStyleChange(); });
    BColor->OnClick = [this](QObject*) { BColorClick(); };
    Bind(CBEndStyle, &QComboBox::currentIndexChanged, [this] { CBEndStyleChange(); });

    SetBorderStyle(fbsDialog);
}

TPenDialog::~TPenDialog() = default;

TChartPen* TPenDialog::EditedChartPen() const
{
    return qobject_cast<TChartPen*>(EditedPen);
}

bool TPenDialog::IsSmallDotsItem(int Index) const
{
    return IsWindowsNT && EditedChartPen() && Index == 5;
}

void TPenDialog::FormShow()
{
    TFilling filling(this);
    BackupPen = std::make_unique<TChartPen>();
    if (EditedPen) {
        BackupPen->Assign(EditedPen);
        TChartPen* chartPen = EditedChartPen();
        if (!chartPen) {
            CBVisible->hide();
            CBStyle->setCurrentIndex(int(EditedPen->GetStyle()));
        } else {
            CBVisible->setChecked(chartPen->GetVisible());
            BackupPen->SetVisible(chartPen->GetVisible());
            if (IsWindowsNT && CBStyle->count() == 5) CBStyle->addItem(QString::fromStdString(TeeMsg_SmallDotsPen));
            if (chartPen->GetSmallDots()) {
                CBStyle->setCurrentIndex(CBStyle->count() - 1);
                SEWidth->setEnabled(false);
            } else {
                CBStyle->setCurrentIndex(int(chartPen->GetStyle()));
            }
            if (IsWindowsNT)
                CBEndStyle->setCurrentIndex(int(chartPen->GetEndStyle()));
            else
                CBEndStyle->hide();
        }
        // Pens that are not chart pens have no end style either.
        if (!chartPen) CBEndStyle->hide();
        SEWidth->setValue(EditedPen->GetWidth());
        EnablePenStyle();
        BColor->LinkProperty(EditedPen, "Color");
    }
    TeeTranslateControl(this);
    FModified = false;
}

void TPenDialog::FormClose()
{
    BackupPen.reset();
}

void TPenDialog::CBVisibleClick()
{
    if (!isVisible()) return;
    if (TChartPen* pen = EditedChartPen()) pen->SetVisible(CBVisible->isChecked());
    FModified = true;
}

void TPenDialog::SEWidthChange()
{
    if (!isVisible() || !EditedPen) return;
    EditedPen->SetWidth(SEWidth->value());
    EnablePenStyle();
    FModified = true;
}

void TPenDialog::CBStyleChange()
{
    if (!EditedPen) return;
    const int index = CBStyle->currentIndex();
    if (index < 0) return;
    TChartPen* chartPen = EditedChartPen();
    if (IsSmallDotsItem(index)) {
        chartPen->SetSmallDots(true);
        SEWidth->setEnabled(false);
    } else {
        EditedPen->SetStyle(TPenStyle(index));
        if (chartPen) chartPen->SetSmallDots(false);
        SEWidth->setEnabled(true);
    }
    FModified = true;
}

void TPenDialog::CBStyleDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected)
{
    Canvas->FillRect(Rect);
    const bool smallDots = IsSmallDotsItem(Index);
    TPen* pen = Canvas->Pen();
    if (!smallDots) pen->SetStyle(TPenStyle(Index));
    const TColor penColor = EditedPen ? EditedPen->GetColor() : clBlack;
    pen->SetColor(penColor);
    const TColor back = ColorToRGB(Selected ? clHighlight : clWindow);
    if (ColorToRGB(penColor) == back) pen->SetColor(ColorToRGB(penColor) == clWhite ? clBlack : clWhite);
    if (smallDots) pen->SetHandle(TeeCreatePenSmallDots(pen->GetColor()));
    Canvas->MoveTo(Rect.Left + 2, Rect.Top + 8);
    Canvas->LineTo(Rect.Left + 30, Rect.Top + 8);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->TextOut(Rect.Left + 34, Rect.Top + 2, CBStyle->itemText(Index).toStdString());
}

void TPenDialog::BColorClick()
{
    CBStyle->update();
    FModified = true;
}

void TPenDialog::CBEndStyleChange()
{
    if (TChartPen* pen = EditedChartPen()) pen->SetEndStyle(TPenEndStyle(CBEndStyle->currentIndex()));
    FModified = true;
}

void TPenDialog::BCancelClick()
{
    if (!FModified || !EditedPen || !BackupPen) return;
    EditedPen->Assign(BackupPen.get());
    if (TChartPen* pen = EditedChartPen()) {
        pen->SetVisible(BackupPen->GetVisible());
        if (pen->OnChange) pen->OnChange(this);
    }
}

void TPenDialog::EnablePenStyle()
{
    // Systems whose wide pens cannot be styled offer the styles for one-pixel pens only.
    if (!IsWindowsNT && EditedPen) CBStyle->setEnabled(EditedPen->GetWidth() == 1);
}
