#include "chart/editors/TFormTeeLegend.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "chart/editors/TButtonPen.h"
#include "chart/editors/TFormTeeShape.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TeeProcs.h"
#include "platform/TextLines.h"

TFormTeeLegend::TFormTeeLegend(QWidget* Owner, TCustomChartLegend* ALegend) : TTeeForm(Owner)
{
    setObjectName("FormTeeLegend");
    SetClientSize(374, 224);
    PageControl1 = TeeAlignClient(new QTabWidget(this));

    QWidget* styleTab = TeeAddTab(PageControl1, "Style");
    CBShow = TeeAddCheck(styleTab, "&Visible", 8, 6);
    CBShow->setChecked(true);
    CBInverted = TeeAddCheck(styleTab, "&Inverted", 8, 26);
    QLabel* l7 = TeeAddLabel(styleTab, "Legend &Style:", 120, 8);
    CBLegendStyle =
        TeeAddCombo(styleTab, 200, 4, 120, {"Automatic", "Series Names", "Series Values", "Last Values"}, l7);
    QLabel* l12 = TeeAddLabel(styleTab, "Text St&yle:", 120, 36);
    CBLegStyle = TeeAddCombo(styleTab, 200, 32, 120,
                             {"Plain", "Left Value", "Right Value", "Left Percent", "Right Percent", "X Value", "Value",
                              "Percent", "X and Value", "X and Percent"},
                             l12);
    CBLegStyle->setMaxVisibleItems(11);
    BDivLines = TeeAddButton<TButtonPen>(styleTab, "&Dividing Lines...", 8, 56, 104);
    EVertSpacing = TeeAddSpin(styleTab, 200, 60, 56, -10, 100, 1, TeeAddLabel(styleTab, "V&ert. Spacing:", 120, 64));
    CBFontColor = TeeAddCheck(styleTab, "&Font Series Color", 8, 90);
    CBCheckBoxes = TeeAddCombo(styleTab, 8, 114, 130, {"No check boxes", "Check boxes", "Radio buttons"});

    QWidget* positionTab = TeeAddTab(PageControl1, "Position");
    CBResizeChart = TeeAddCheck(positionTab, "Resi&ze Chart", 8, 6);
    CBResizeChart->setChecked(true);
    SETopPos =
        TeeAddSpin(positionTab, 110, 28, 56, -100, 100, 1, TeeAddLabel(positionTab, "&Position Offset %:", 8, 32));
    SEMargin = TeeAddSpin(positionTab, 110, 56, 56, -1000, 1000, 1, TeeAddLabel(positionTab, "&Margin:", 8, 60));
    RGPosition = TeeAddRadioGroup(positionTab, "Position", {"&Left", "&Right", "&Top", "&Bottom"}, 180, 2, 90, 90);
    auto* group = TeePlace(new QGroupBox(positionTab), 8, 92, 170, 80);
    CBCustPos = TeeAddCheck(group, "&Custom:", 8, 6);
    ECustLeft = TeeAddSpin(group, 50, 28, 60, -100, 1000, 5, TeeAddLabel(group, "L&eft:", 8, 32));
    ECustTop = TeeAddSpin(group, 50, 52, 60, -100, 1000, 5, TeeAddLabel(group, "T&op:", 8, 56));
    ECustLeft->setEnabled(false);
    ECustTop->setEnabled(false);

    QWidget* symbolsTab = TeeAddTab(PageControl1, "Symbols");
    SEColWi = TeeAddSpin(symbolsTab, 80, 6, 56, 0, 100, 5, TeeAddLabel(symbolsTab, "&Width:", 8, 10));
    CBColWUnits =
        TeeAddCombo(symbolsTab, 80, 34, 80, {"Percent", "Pixels"}, TeeAddLabel(symbolsTab, "Width &Units:", 8, 38));
    CBSymbolPos = TeeAddCombo(symbolsTab, 80, 62, 80, {"Left", "Right"}, TeeAddLabel(symbolsTab, "&Position:", 8, 66));
    CBContinuous = TeeAddCheck(symbolsTab, "&Continuous", 180, 8);
    CBVisible = TeeAddCheck(symbolsTab, "&Visible", 180, 28);
    CBSymPen = TeeAddCheck(symbolsTab, "&Default border", 180, 48);
    BSymPen = TeeAddButton<TButtonPen>(symbolsTab, "&Border...", 180, 70, 80);
    CBSquared = TeeAddCheck(symbolsTab, "&Squared", 8, 94);

    TabTitle = TeeAddTab(PageControl1, "Title");
    PageControl2 = TeeAlignClient(new QTabWidget(TabTitle));
    QWidget* options = TeeAddTab(PageControl2, "Options");
    QLabel* label6 = TeeAddLabel(options, "&Text:", 8, 6);
    MemoText = TeePlace(new QPlainTextEdit(options), 8, 22, 200, 90);
    label6->setBuddy(MemoText);
    CBTextAlign = TeeAddCombo(options, 216, 22, 90, {"Left", "Center", "Right"},
                              TeeAddLabel(options, "Text &alignment:", 216, 6));
    CBTitleVisible = TeeAddCheck(options, "&Visible", 216, 52);
    PageControl1->setCurrentWidget(styleTab);

    using L = TCustomChartLegend;
    BindTo(CBShow, &QCheckBox::clicked, Legend, &L::SetVisible);
    BindTo(CBInverted, &QCheckBox::clicked, Legend, &L::SetInverted);
    Bind(CBLegendStyle, &QComboBox::activated, [this] {
        if (Legend) Legend->SetLegendStyle(TLegendStyle(CBLegendStyle->currentIndex()));
    });
    Bind(CBLegStyle, &QComboBox::activated, [this] {
        if (Legend) Legend->SetTextStyle(TLegendTextStyle(CBLegStyle->currentIndex()));
    });
    BindTo(CBFontColor, &QCheckBox::clicked, Legend, &L::SetFontSeriesColor);
    Bind(CBCheckBoxes, &QComboBox::activated, [this] { CBCheckBoxesChange(); });
    BindTo(EVertSpacing, &QSpinBox::valueChanged, Legend, &L::SetVertSpacing);
    BindTo(CBResizeChart, &QCheckBox::clicked, Legend, &L::SetResizeChart);
    BindTo(SETopPos, &QSpinBox::valueChanged, Legend, &L::SetTopPos);
    Bind(SEMargin, &QSpinBox::valueChanged, [this] { SEMarginChange(); });
    Bind(RGPosition, &TTeeRadioGroup::Click, [this] {
        if (!Legend) return;
        Legend->SetAlignment(TLegendAlignment(RGPosition->ItemIndex()));
        EnableMarginControls();
    });
    Bind(CBCustPos, &QCheckBox::clicked, [this] { CBCustPosClick(); });
    Bind(ECustLeft, &QSpinBox::valueChanged, [this] {
        if (CanChangePos()) Legend->SetLeft(ECustLeft->value());
    });
    Bind(ECustTop, &QSpinBox::valueChanged, [this] {
        if (CanChangePos()) Legend->SetTop(ECustTop->value());
    });
    // The symbol's settings.
    BindTo(SEColWi, &QSpinBox::valueChanged, Legend, [](L* l, int Width) { l->GetSymbol()->SetWidth(Width); });
    Bind(CBColWUnits, &QComboBox::activated, [this] {
        if (Legend) Legend->GetSymbol()->SetWidthUnits(CBColWUnits->currentIndex() == 1 ? lcsPixels : lcsPercent);
    });
    Bind(CBSymbolPos, &QComboBox::activated, [this] {
        if (Legend) Legend->GetSymbol()->SetPosition(CBSymbolPos->currentIndex() == 1 ? spRight : spLeft);
    });
    BindTo(CBContinuous, &QCheckBox::clicked, Legend, [](L* l, bool On) { l->GetSymbol()->SetContinuous(On); });
    BindTo(CBVisible, &QCheckBox::clicked, Legend, [](L* l, bool On) { l->GetSymbol()->SetVisible(On); });
    BindTo(CBSymPen, &QCheckBox::clicked, Legend, [this](L* l, bool On) {
        l->GetSymbol()->SetDefaultPen(On);
        BSymPen->setEnabled(!On);
    });
    BindTo(CBSquared, &QCheckBox::clicked, Legend, [this](L* l, bool On) {
        l->GetSymbol()->SetSquared(On);
        EnableWidthControls();
    });
    BindTo(CBTitleVisible, &QCheckBox::clicked, Legend, [](L* l, bool On) { l->GetTitle()->SetVisible(On); });
    Bind(CBTextAlign, &QComboBox::activated, [this] {
        const TAlignment align[] = {taLeftJustify, taCenter, taRightJustify};
        if (Legend) Legend->GetTitle()->SetTextAlignment(align[std::max(0, CBTextAlign->currentIndex())]);
    });
    Bind(MemoText, &QPlainTextEdit::textChanged, [this] { MemoTextChange(); });
    if (ALegend) SetLegend(ALegend);
}

void TFormTeeLegend::SetLegend(TCustomChartLegend* ALegend)
{
    Legend = ALegend;
    LegendShapeEditor = InsertTeeObjectForm(PageControl1, Legend);
    TitleShapeEditor = InsertTeeObjectForm(PageControl2, Legend->GetTitle());
}

void TFormTeeLegend::FormShow()
{
    if (Legend) {
        TFilling filling(this);
        TLegendSymbol* symbol = Legend->GetSymbol();
        SEColWi->setValue(symbol->GetWidth());
        CBColWUnits->setCurrentIndex(symbol->GetWidthUnits() == lcsPixels ? 1 : 0);
        CBSymbolPos->setCurrentIndex(symbol->GetPosition() == spRight ? 1 : 0);
        CBContinuous->setChecked(symbol->GetContinuous());
        CBSquared->setChecked(symbol->GetSquared());
        CBVisible->setChecked(symbol->GetVisible());
        CBSymPen->setChecked(symbol->GetDefaultPen());
        BSymPen->LinkPen(symbol->GetPen());
        BSymPen->setEnabled(!symbol->GetDefaultPen());
        SETopPos->setValue(Legend->GetTopPos());
        CBCustPos->setChecked(Legend->GetCustomPosition());
        ECustLeft->setValue(Legend->GetLeft());
        ECustTop->setValue(Legend->GetTop());
        CBResizeChart->setChecked(Legend->GetResizeChart());
        RGPosition->SetItemIndex(int(Legend->GetAlignment()));
        CBFontColor->setChecked(Legend->GetFontSeriesColor());
        CBLegendStyle->setCurrentIndex(int(Legend->GetLegendStyle()));
        CBLegStyle->setCurrentIndex(int(Legend->GetTextStyle()));
        CBShow->setChecked(Legend->GetVisible());
        CBInverted->setChecked(Legend->GetInverted());
        CBCheckBoxes->setCurrentIndex(!Legend->GetCheckBoxes() ? 0
                                                               : (Legend->GetCheckBoxesStyle() == cbsRadio ? 2 : 1));
        EVertSpacing->setValue(Legend->GetVertSpacing());
        BDivLines->LinkPen(Legend->GetDividingLines());
        EnableMarginControls();
        EnableCustomPosition();
        EnableWidthControls();
        MemoText->setPlainText(JoinLines(Legend->GetTitle()->Text()));
        const TAlignment align = Legend->GetTitle()->GetTextAlignment();
        CBTextAlign->setCurrentIndex(align == taLeftJustify ? 0 : (align == taCenter ? 1 : 2));
        CBTitleVisible->setChecked(Legend->GetTitle()->GetVisible());
        LegendShapeEditor->RefreshControls(Legend);
        TitleShapeEditor->RefreshControls(Legend->GetTitle());
    }
    TeeTranslateControl(this);
}

void TFormTeeLegend::EnableMarginControls()
{
    if (!Legend) return;
    TFilling filling(this);
    SEMargin->setValue(Legend->GetVertical() ? Legend->GetHorizMargin() : Legend->GetVertMargin());
}

void TFormTeeLegend::EnableCustomPosition()
{
    if (!Legend) return;
    TFilling filling(this);
    const bool custom = Legend->GetCustomPosition();
    for (QWidget* w : {ECustLeft, ECustTop}) w->setEnabled(custom);
    if (custom) {
        ECustLeft->setValue(Legend->GetLeft());
        ECustTop->setValue(Legend->GetTop());
    }
    for (QWidget* w :
         {static_cast<QWidget*>(CBResizeChart), static_cast<QWidget*>(SEMargin), static_cast<QWidget*>(SETopPos)})
        w->setEnabled(!custom);
}

void TFormTeeLegend::EnableWidthControls()
{
    SEColWi->setEnabled(Legend && !Legend->GetSymbol()->GetSquared());
}

bool TFormTeeLegend::CanChangePos() const
{
    return !Filling() && Legend && Legend->GetCustomPosition();
}

void TFormTeeLegend::CBCheckBoxesChange()
{
    if (!Legend) return;
    const int i = CBCheckBoxes->currentIndex();
    Legend->SetCheckBoxes(i > 0);
    if (i > 0) Legend->SetCheckBoxesStyle(i == 1 ? cbsCheck : cbsRadio);
}

void TFormTeeLegend::CBCustPosClick()
{
    if (!Legend) return;
    Legend->SetCustomPosition(CBCustPos->isChecked());
    if (CBCustPos->isChecked()) {
        Legend->SetResizeChart(false);
        const QSignalBlocker block(CBResizeChart);
        CBResizeChart->setChecked(false);
    }
    EnableCustomPosition();
}

void TFormTeeLegend::SEMarginChange()
{
    if (!Legend) return;
    if (Legend->GetVertical())
        Legend->SetHorizMargin(SEMargin->value());
    else
        Legend->SetVertMargin(SEMargin->value());
}

void TFormTeeLegend::MemoTextChange()
{
    if (!Legend) return;
    // Carriage returns end the lines; line feeds are dropped.
    Legend->GetTitle()->SetText(SplitLines(MemoText->toPlainText().remove('\r')));
}
