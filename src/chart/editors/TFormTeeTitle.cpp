#include "chart/editors/TFormTeeTitle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "chart/editors/TFormTeeShape.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeProcs.h"
#include "platform/ScopedValue.h"
#include "platform/TextLines.h"

TFormTeeTitle::TFormTeeTitle(QWidget* Owner, TCustomChart* AChart, TChartTitle* ATitle)
    : TTeeForm(Owner), Chart(AChart), Title(ATitle)
{
    setObjectName("FormTeeTitle");
    SetClientSize(380, 230);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel1 = new QWidget(this);
    panel1->setFixedHeight(28);
    CBTitles = TeeAddCombo(panel1, 4, 4, 120, {"Title", "SubTitle", "SubFoot", "Foot"});
    layout->addWidget(panel1);
    PageControlTitle = new QTabWidget(this);
    layout->addWidget(PageControlTitle, 1);
    QWidget* styleTab = TeeAddTab(PageControlTitle, "Style");
    QLabel* label1 = TeeAddLabel(styleTab, "&Text:", 8, 6);
    MText = TeePlace(new QPlainTextEdit(styleTab), 8, 22, 220, 110);
    label1->setBuddy(MText);
    CBVisible = TeeAddCheck(styleTab, "&Visible", 240, 22);
    CBAdjust = TeeAddCheck(styleTab, "&Adjust Frame", 240, 44);
    CBAlign =
        TeeAddCombo(styleTab, 240, 86, 90, {"Left", "Center", "Right"}, TeeAddLabel(styleTab, "Alig&nment:", 240, 70));
    QWidget* positionTab = TeeAddTab(PageControlTitle, "Position");
    auto* group = TeePlace(new QGroupBox(positionTab), 8, 8, 180, 90);
    CBCustPos = TeeAddCheck(group, "&Custom:", 8, 8);
    ECustLeft = TeeAddSpin(group, 50, 32, 70, -1000, 1000, 5, TeeAddLabel(group, "L&eft:", 8, 36));
    ECustTop = TeeAddSpin(group, 50, 58, 70, -1000, 1000, 5, TeeAddLabel(group, "T&op:", 8, 62));
    ECustLeft->setEnabled(false);
    ECustTop->setEnabled(false);
    // FormCreate
    PageControlTitle->setCurrentWidget(styleTab);

    Bind(CBTitles, &QComboBox::activated, [this] { CBTitlesChange(); });
    BindTo(CBVisible, &QCheckBox::clicked, Title, &TChartTitle::SetVisible);
    BindTo(CBAdjust, &QCheckBox::clicked, Title, &TChartTitle::SetAdjustFrame);
    Bind(CBAlign, &QComboBox::activated, [this] {
        const TAlignment align[] = {taLeftJustify, taCenter, taRightJustify};
        if (Title && CBAlign->currentIndex() >= 0) Title->SetAlignment(align[CBAlign->currentIndex()]);
    });
    Bind(MText, &QPlainTextEdit::textChanged, [this] { MTextChange(); });
    Bind(CBCustPos, &QCheckBox::clicked, [this] {
        if (!Title) return;
        Title->SetCustomPosition(CBCustPos->isChecked());
        EnableCustomPosition();
    });
    Bind(ECustLeft, &QSpinBox::valueChanged, [this] {
        if (CanChangeCust() && Title->GetLeft() != ECustLeft->value()) Title->SetLeft(ECustLeft->value());
    });
    Bind(ECustTop, &QSpinBox::valueChanged, [this] {
        if (CanChangeCust() && Title->GetTop() != ECustTop->value()) Title->SetTop(ECustTop->value());
    });
    if (Title) ShapeEditor = InsertTeeObjectForm(PageControlTitle, Title);
}

TChartTitle* TFormTeeTitle::TitleOfRow(int Row) const
{
    if (!Chart) return nullptr;
    switch (Row) {
        case 0: return Chart->GetTitle();
        case 1: return Chart->GetSubTitle();
        case 2: return Chart->GetSubFoot();
        case 3: return Chart->GetFoot();
        default: return nullptr;
    }
}

int TFormTeeTitle::RowOfTitle(const TChartTitle* ATitle) const
{
    for (int row = 0; row < 4; ++row)
        if (TitleOfRow(row) == ATitle) return row;
    return -1;
}

void TFormTeeTitle::SelectTitle(TChartTitle* ATitle)
{
    if (!ATitle) return;
    Title = ATitle;
    FormShow();
}

void TFormTeeTitle::FormShow()
{
    if (Title) {
        {
            TFilling filling(this);
            CBTitles->setCurrentIndex(RowOfTitle(Title));
        }
        SetTitleControls();
    }
    FSettingPosition = false;
    TeeTranslateControl(this);
}

void TFormTeeTitle::CBTitlesChange()
{
    Title = TitleOfRow(CBTitles->currentIndex());
    SetTitleControls();
}

void TFormTeeTitle::SetTitleControls()
{
    if (!Title) return;
    TFilling filling(this);
    const TAlignment align = Title->GetAlignment();
    CBAlign->setCurrentIndex(align == taLeftJustify ? 0 : (align == taRightJustify ? 2 : 1));
    CBVisible->setChecked(Title->GetVisible());
    CBAdjust->setChecked(Title->GetAdjustFrame());
    CBCustPos->setChecked(Title->GetCustomPosition());
    ShowPosition();
    EnableCustomPosition();
    FSettingMemo = true;
    MText->setPlainText(JoinLines(Title->Text()));
    FSettingMemo = false;
    if (ShapeEditor) ShapeEditor->RefreshControls(Title);
}

void TFormTeeTitle::EnableCustomPosition()
{
    const bool custom = CBCustPos->isChecked();
    ECustLeft->setEnabled(custom);
    ECustTop->setEnabled(custom);
    if (custom && Title) ShowPosition();
}

void TFormTeeTitle::ShowPosition()
{
    const TScopedValue settingPosition(FSettingPosition, true);
    ECustLeft->setValue(Title->GetLeft());
    ECustTop->setValue(Title->GetTop());
}

bool TFormTeeTitle::CanChangeCust() const
{
    return !FSettingPosition && Title && Title->GetCustomPosition();
}

void TFormTeeTitle::MTextChange()
{
    if (FSettingMemo || !Title) return;
    const std::vector<AnsiString> lines = SplitLines(MText->toPlainText());
    if (lines != Title->Text()) Title->SetText(lines);
}
