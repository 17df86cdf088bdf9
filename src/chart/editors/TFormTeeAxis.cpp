#include "chart/editors/TFormTeeAxis.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "chart/editors/TAxisIncrement.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TFormatEditor.h"
#include "chart/editors/TTeeFontEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/ChartExceptions.h"
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"

namespace {

// The long date of the date formats offered: the program keeps no locale long date.
const char* const LongDateFormat = "dd mmmm yyyy";

TChartAxis* StandardAxis(TCustomAxisPanel* Chart, int Row)
{
    switch (Row) {
        case 0: return Chart->LeftAxis();
        case 1: return Chart->RightAxis();
        case 2: return Chart->TopAxis();
        case 3: return Chart->BottomAxis();
        case 4: return Chart->DepthAxis();
        case 5: return Chart->DepthTopAxis();
        default: return nullptr;
    }
}

}  // namespace

void TeeAddAxes(TCustomAxisPanel* Chart, QStringList& Items, bool DepthAxes)
{
    for (const AnsiString* text : {&TeeMsg_LeftAxis, &TeeMsg_RightAxis, &TeeMsg_TopAxis, &TeeMsg_BottomAxis})
        Items << QString::fromStdString(*text);
    if (DepthAxes) Items << QString::fromStdString(TeeMsg_DepthAxis) << QString::fromStdString(TeeMsg_DepthTopAxis);
    if (!Chart) return;
    for (int i = 6; i < Chart->Axes()->Count(); ++i)
        Items << QString::fromStdString(TeeMsg_CustomAxesEditor + TeeStr(i - 6));
}

TFormTeeAxis::TFormTeeAxis(QWidget* Owner, TChartAxis* AAxis) : TTeeForm(Owner)
{
    Axis = AAxis;
    if (Axis) FChart = dynamic_cast<TCustomAxisPanel*>(Axis->ParentChart());
    setObjectName("FormTeeAxis");
    SetClientSize(393, 229);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter);
    auto* panel1 = new QWidget(splitter);
    panel1->setMinimumWidth(92);
    auto* left = new QVBoxLayout(panel1);
    left->setContentsMargins(2, 2, 2, 2);
    auto* label1 = new QLabel("A&xes:", panel1);
    left->addWidget(label1);
    LBAxes = new QListWidget(panel1);
    label1->setBuddy(LBAxes);
    left->addWidget(LBAxes, 1);
    CBShow = new QCheckBox("Visible", panel1);
    CBAxisBeh = new QCheckBox("&Behind", panel1);
    left->addWidget(CBShow);
    left->addWidget(CBAxisBeh);
    auto* buttons = new QHBoxLayout;
    BAdd = new QToolButton(panel1);
    BAdd->setText("+");
    BDelete = new QToolButton(panel1);
    BDelete->setText("-");
    BDelete->setEnabled(false);
    buttons->addWidget(BAdd);
    buttons->addWidget(BDelete);
    buttons->addStretch();
    left->addLayout(buttons);
    PageAxis = new TTeePageControl(splitter);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({100, 300});

    // ---- Scales
    TabScales = TeeAddTab(PageAxis, "Scales");
    CBVisible = TeeAddCheck(TabScales, "&Visible", 8, 6);
    CBAutomatic = TeeAddCheck(TabScales, "&Automatic", 8, 26);
    CBLogarithmic = TeeAddCheck(TabScales, "Logarith&mic", 8, 46);
    CBInverted = TeeAddCheck(TabScales, "&Inverted", 8, 66);
    TeeAddLabel(TabScales, "Desired Increment:", 120, 8);
    LAxisIncre = TeeAddLabel(TabScales, "(increment)", 120, 26, 104);
    BIncre = TeeAddButton(TabScales, "&Change...", 230, 18);
    QLabel* label2 = TeeAddLabel(TabScales, "L&og Base:", 120, 50);
    ELogBase = TeePlace(new QLineEdit("10", TabScales), 180, 46, 50, 21);
    label2->setBuddy(ELogBase);
    LogE = TeeAddCheck(TabScales, "e", 236, 48);
    PageControl1 = TeePlace(new QTabWidget(TabScales), 4, 88, 276, 100);
    QWidget* tabMin = TeeAddTab(PageControl1, "Minimum");
    CBAutoMin = TeeAddCheck(tabMin, "Aut&o", 8, 8);
    LAxisMin = TeeAddLabel(tabMin, "(min)", 70, 10, 110);
    BAxisMin = TeeAddButton(tabMin, "Cha&nge...", 186, 4);
    EMinOff = TeeAddSpin(tabMin, 60, 36, 70, -10000, 10000, 1, TeeAddLabel(tabMin, "Offset:", 8, 40));
    QWidget* tabMax = TeeAddTab(PageControl1, "Maximum");
    CBAutoMax = TeeAddCheck(tabMax, "A&uto", 8, 8);
    LAxisMax = TeeAddLabel(tabMax, "(max)", 70, 10, 110);
    BAxisMax = TeeAddButton(tabMax, "C&hange...", 186, 4);
    EMaxOff = TeeAddSpin(tabMax, 60, 36, 70, -10000, 10000, 1, TeeAddLabel(tabMax, "Offset:", 8, 40));

    // ---- Title
    TabTitle = TeeAddTab(PageAxis, "Title");
    PageTitle = TeeAlignClient(new QTabWidget(TabTitle));
    TabTitleStyle = TeeAddTab(PageTitle, "Style");
    QLabel* l14 = TeeAddLabel(TabTitleStyle, "T&itle:", 8, 12);
    ETitle = TeePlace(new QLineEdit(TabTitleStyle), 60, 8, 180, 21);
    l14->setBuddy(ETitle);
    SETitleAngle = TeeAddSpin(TabTitleStyle, 60, 40, 60, 0, 360, 90, TeeAddLabel(TabTitleStyle, "&Angle:", 8, 44));
    SETitleSize = TeeAddSpin(TabTitleStyle, 60, 72, 60, 0, 1000, 1, TeeAddLabel(TabTitleStyle, "Si&ze:", 8, 76));
    CBTitleVisible = TeeAddCheck(TabTitleStyle, "&Visible", 140, 42);
    QWidget* titleText = TeeAddTab(PageTitle, "Text");

    // ---- Labels
    TabLabels = TeeAddTab(PageAxis, "Labels");
    PageLabels = TeeAlignClient(new QTabWidget(TabLabels));
    TabLabStyle = TeeAddTab(PageLabels, "Style");
    CBLabels = TeeAddCheck(TabLabStyle, "V&isible", 8, 6);
    CBMultiline = TeeAddCheck(TabLabStyle, "Multi-lin&e", 8, 26);
    CBOnAxis = TeeAddCheck(TabLabStyle, "Label On A&xis", 8, 46);
    CBRoundFirst = TeeAddCheck(TabLabStyle, "Ro&und First", 8, 66);
    CBAlternate = TeeAddCheck(TabLabStyle, "&Alternate", 8, 86);
    SELabelsSize = TeeAddSpin(TabLabStyle, 210, 6, 60, 0, 1000, 1, TeeAddLabel(TabLabStyle, "Si&ze:", 130, 10));
    SELabelsAngle = TeeAddSpin(TabLabStyle, 210, 34, 60, 0, 360, 90, TeeAddLabel(TabLabStyle, "An&gle:", 130, 38));
    SESepar =
        TeeAddSpin(TabLabStyle, 210, 62, 60, 0, 100, 10, TeeAddLabel(TabLabStyle, "Min. Se&paration %:", 130, 66));
    CBLabelStyle = TeeAddCombo(TabLabStyle, 180, 90, 90, {"Auto", "None", "Value", "Mark", "Text"},
                               TeeAddLabel(TabLabStyle, "&Style:", 130, 94));
    QWidget* labelFormat = TeeAddTab(PageLabels, "Format");
    LabelAxisFormat = TeeAddLabel(labelFormat, "Labels For&mat:", 8, 10, 120);
    CBFormat = TeeAddCombo(labelFormat, 8, 28, 160, {}, LabelAxisFormat);
    CBFormat->setEditable(true);
    Button1 = TeeAddButton(labelFormat, "...", 172, 28, 24, 21);
    CBExpo = TeeAddCheck(labelFormat, "&Exponential", 8, 60);
    CBLabelAlign = TeeAddCheck(labelFormat, "&Default Alignment", 8, 82);
    QWidget* labelsText = TeeAddTab(PageLabels, "Text");

    // ---- Ticks
    TabTicks = TeeAddTab(PageAxis, "Ticks");
    auto pen = [](QWidget* parent, const char* caption, int x, int y) {
        return TeeAddButton<TButtonPen>(parent, caption, x, y, 80);
    };
    BAxisPen = pen(TabTicks, "&Axis...", 8, 6);
    BTickPen = pen(TabTicks, "T&icks...", 8, 36);
    BTickInner = pen(TabTicks, "I&nner...", 8, 66);
    BAxisGrid = pen(TabTicks, "&Grid...", 8, 96);
    SEAxisTickLength = TeeAddSpin(TabTicks, 130, 38, 60, 0, 1000, 1, TeeAddLabel(TabTicks, "Len:", 100, 42));
    SEInnerTicksLength = TeeAddSpin(TabTicks, 130, 68, 60, 0, 1000, 1, TeeAddLabel(TabTicks, "Len:", 100, 72));
    CBTickOnLabels = TeeAddCheck(TabTicks, "At Labels Onl&y", 100, 10);
    CBGridCentered = TeeAddCheck(TabTicks, "C&entered", 100, 100);
    Edit2 = TeeAddSpin(TabTicks, 210, 98, 56, 0, 100, 1, TeeAddLabel(TabTicks, "&Z:", 190, 102));

    // ---- Minor
    TabMinorTicks = TeeAddTab(PageAxis, "Minor");
    BTickMinor = pen(TabMinorTicks, "&Ticks...", 8, 6);
    SEAxisMinorTickLen =
        TeeAddSpin(TabMinorTicks, 150, 8, 60, 0, 1000, 1, TeeAddLabel(TabMinorTicks, "Length:", 100, 12));
    SEMinorCount = TeeAddSpin(TabMinorTicks, 150, 38, 60, 0, 1000, 1, TeeAddLabel(TabMinorTicks, "&Count:", 100, 42));
    BMinorGrid = pen(TabMinorTicks, "&Grid...", 8, 66);

    // ---- Position
    TabPositions = TeeAddTab(PageAxis, "Position");
    EPos = TeeAddSpin(TabPositions, 80, 8, 64, -1000, 1000, 1, TeeAddLabel(TabPositions, "&Position %:", 8, 12));
    EStart = TeeAddSpin(TabPositions, 80, 38, 64, 0, 100, 1, TeeAddLabel(TabPositions, "St&art %:", 8, 42));
    EEnd = TeeAddSpin(TabPositions, 80, 68, 64, 0, 100, 1, TeeAddLabel(TabPositions, "&End %:", 8, 72));
    Edit1 = TeeAddSpin(TabPositions, 80, 98, 64, 0, 100, 1, TeeAddLabel(TabPositions, "&Z %:", 8, 102));
    CBPosUnits =
        TeeAddCombo(TabPositions, 200, 8, 80, {"Percent", "Pixels"}, TeeAddLabel(TabPositions, "&Units:", 160, 12));
    CBOtherSide = TeeAddCheck(TabPositions, "&Other side", 160, 42);
    CBHorizAxis = TeeAddCheck(TabPositions, "&Horizontal", 160, 64);

    // FormCreate
    LabelsFontEditor = InsertTeeFontEditor(labelsText);
    TitleFontEditor = InsertTeeFontEditor(titleText);
    BindControls();
}

void TFormTeeAxis::BindControls()
{
    Bind(LBAxes, &QListWidget::currentRowChanged, [this] { LBAxesClick(); });
    PageAxis->OnChange = [this] { PageAxisChange(); };
    BindTo(CBVisible, &QCheckBox::clicked, Axis, &TChartAxis::SetVisible);
    Bind(CBShow, &QCheckBox::clicked, [this] { CBShowClick(); });
    Bind(CBAxisBeh, &QCheckBox::clicked, [this] { CBAxisBehClick(); });
    Bind(CBAutomatic, &QCheckBox::clicked, [this] { CBAutomaticClick(); });
    Bind(CBAutoMin, &QCheckBox::clicked, [this] { CBAutoMinMaxClick(CBAutoMin); });
    Bind(CBAutoMax, &QCheckBox::clicked, [this] { CBAutoMinMaxClick(CBAutoMax); });
    Bind(CBLogarithmic, &QCheckBox::clicked, [this] { CBLogarithmicClick(); });
    Bind(ELogBase, &QLineEdit::textChanged, [this] { ELogBaseChange(); });
    Bind(LogE, &QCheckBox::clicked, [this] { LogEClick(); });
    BindTo(CBInverted, &QCheckBox::clicked, Axis, &TChartAxis::SetInverted);
    Bind(BIncre, &QPushButton::clicked, [this] { BIncreClick(); });
    Bind(BAxisMin, &QPushButton::clicked, [this] { EditAxisMaxMin(TeeMsg_Minimum, CBAutoMin, false); });
    Bind(BAxisMax, &QPushButton::clicked, [this] { EditAxisMaxMin(TeeMsg_Maximum, CBAutoMax, true); });
    BindTo(EMinOff, &QSpinBox::valueChanged, Axis, &TChartAxis::SetMinimumOffset);
    BindTo(EMaxOff, &QSpinBox::valueChanged, Axis, &TChartAxis::SetMaximumOffset);
    BindTo(ETitle, &QLineEdit::textChanged, Axis,
           [](TChartAxis* a, const QString& Text) { a->GetTitle()->SetCaption(Text.toStdString()); });
    BindTo(SETitleAngle, &QSpinBox::valueChanged, Axis,
           [](TChartAxis* a, int Angle) { a->GetTitle()->SetAngle(Angle); });
    BindTo(SETitleSize, &QSpinBox::valueChanged, Axis, &TChartAxis::SetTitleSize);
    BindTo(CBTitleVisible, &QCheckBox::clicked, Axis,
           [](TChartAxis* a, bool Visible) { a->GetTitle()->SetVisible(Visible); });
    BindTo(CBLabels, &QCheckBox::clicked, Axis, &TChartAxis::SetLabels);
    Bind(CBLabelStyle, &QComboBox::activated, [this] {
        if (Axis) Axis->SetLabelStyle(TAxisLabelStyle(CBLabelStyle->currentIndex()));
    });
    BindTo(SELabelsAngle, &QSpinBox::valueChanged, Axis, &TChartAxis::SetLabelsAngle);
    BindTo(SELabelsSize, &QSpinBox::valueChanged, Axis, &TChartAxis::SetLabelsSize);
    BindTo(SESepar, &QSpinBox::valueChanged, Axis, &TChartAxis::SetLabelsSeparation);
    BindTo(CBOnAxis, &QCheckBox::clicked, Axis, &TChartAxis::SetLabelsOnAxis);
    BindTo(CBRoundFirst, &QCheckBox::clicked, Axis, &TChartAxis::SetRoundFirstLabel);
    BindTo(CBMultiline, &QCheckBox::clicked, Axis, &TChartAxis::SetLabelsMultiLine);
    BindTo(CBExpo, &QCheckBox::clicked, Axis, &TChartAxis::SetLabelsExponent);
    BindTo(CBAlternate, &QCheckBox::clicked, Axis, &TChartAxis::SetLabelsAlternate);
    BindTo(CBLabelAlign, &QCheckBox::clicked, Axis,
           [](TChartAxis* a, bool Default) { a->SetLabelsAlign(Default ? alDefault : alOpposite); });
    Bind(CBFormat, &QComboBox::editTextChanged, [this] { CBFormatChange(); });
    Bind(Button1, &QPushButton::clicked, [this] { Button1Click(); });
    BindTo(SEAxisTickLength, &QSpinBox::valueChanged, Axis, &TChartAxis::SetTickLength);
    BindTo(SEInnerTicksLength, &QSpinBox::valueChanged, Axis, &TChartAxis::SetTickInnerLength);
    BindTo(CBTickOnLabels, &QCheckBox::clicked, Axis, &TChartAxis::SetTickOnLabelsOnly);
    BindTo(CBGridCentered, &QCheckBox::clicked, Axis, &TChartAxis::SetGridCentered);
    BindTo(Edit2, &QSpinBox::valueChanged, Axis, [](TChartAxis* a, int Z) { a->GetGrid()->SetZ(Z); });
    BindTo(SEAxisMinorTickLen, &QSpinBox::valueChanged, Axis, &TChartAxis::SetMinorTickLength);
    BindTo(SEMinorCount, &QSpinBox::valueChanged, Axis, &TChartAxis::SetMinorTickCount);
    BindTo(EPos, &QSpinBox::valueChanged, Axis, &TChartAxis::SetPositionPercent);
    Bind(EStart, &QSpinBox::valueChanged, [this] { EStartChange(); });
    Bind(EEnd, &QSpinBox::valueChanged, [this] { EEndChange(); });
    BindTo(Edit1, &QSpinBox::valueChanged, Axis, &TChartAxis::SetZPosition);
    Bind(CBPosUnits, &QComboBox::activated, [this] {
        if (Axis) Axis->SetPosUnits(CBPosUnits->currentIndex() == 1 ? muPixels : muPercent);
    });
    BindTo(CBOtherSide, &QCheckBox::clicked, Axis, &TChartAxis::SetOtherSide);
    Bind(CBHorizAxis, &QCheckBox::clicked, [this] { CBHorizAxisClick(); });
    Bind(BAdd, &QToolButton::clicked, [this] { BAddClick(); });
    Bind(BDelete, &QToolButton::clicked, [this] { BDeleteClick(); });
}

TCustomAxisPanel* TFormTeeAxis::Chart() const
{
    return Axis ? dynamic_cast<TCustomAxisPanel*>(Axis->ParentChart()) : FChart;
}

bool TFormTeeAxis::IsCustomRow() const
{
    return LBAxes->currentRow() >= 6;
}

void TFormTeeAxis::SetAxisIndex()
{
    TCustomAxisPanel* chart = Chart();
    if (!chart) return;
    int row = -1;
    for (int i = 0; i < 6; ++i)
        if (StandardAxis(chart, i) == Axis) row = i;
    if (row < 0) row = chart->Axes()->IndexOf(Axis);
    const QSignalBlocker block(LBAxes);
    LBAxes->setCurrentRow(row);
}

void TFormTeeAxis::SelectAxis(TChartAxis* AAxis)
{
    if (!AAxis) return;
    Axis = AAxis;
    FChart = dynamic_cast<TCustomAxisPanel*>(Axis->ParentChart());
    FormShow();
}

void TFormTeeAxis::FormShow()
{
    if (Axis) {
        TCustomAxisPanel* chart = Chart();
        {
            FillAxisList(chart);
            TFilling filling(this);
            CBShow->setChecked(chart && chart->GetAxisVisible());
            CBAxisBeh->setChecked(chart && chart->GetAxisBehind());
            PageAxis->SetActivePage(TabScales);
            PageLabels->setCurrentWidget(TabLabStyle);
            PageTitle->setCurrentWidget(TabTitleStyle);
        }
        PageAxisChange();
    }
    TeeTranslateControl(this);
}

void TFormTeeAxis::LBAxesClick()
{
    TCustomAxisPanel* chart = Chart();
    const int row = LBAxes->currentRow();
    if (!chart || row < 0) return;
    Axis = row < 6 ? StandardAxis(chart, row) : chart->Axes()->Get(row);
    PageAxisChange();
}

void TFormTeeAxis::PageAxisChange()
{
    if (!Axis) return;
    TFilling filling(this);
    BAxisGrid->LinkPen(Axis->GetGrid());
    BTickMinor->LinkPen(Axis->GetMinorTicks());
    BTickInner->LinkPen(Axis->GetTicksInner());
    BTickPen->LinkPen(Axis->GetTicks());
    BAxisPen->LinkPen(Axis->GetAxis());
    BMinorGrid->LinkPen(Axis->GetMinorGrid());
    QWidget* tab = PageAxis->ActivePage();
    if (tab == TabScales)
        SetAxisScales();
    else if (tab == TabTitle) {
        ETitle->setText(QString::fromStdString(Axis->GetTitle()->GetCaption()));
        SETitleAngle->setValue(Axis->GetTitle()->GetAngle());
        SETitleSize->setValue(Axis->GetTitleSize());
        CBTitleVisible->setChecked(Axis->GetTitle()->GetVisible());
        TitleFontEditor->RefreshControls(Axis->GetTitle()->GetFont());
    } else if (tab == TabLabels) {
        CBLabels->setChecked(Axis->GetLabels());
        CBLabelStyle->setCurrentIndex(int(Axis->GetLabelStyle()));
        CBOnAxis->setChecked(Axis->GetLabelsOnAxis());
        CBRoundFirst->setChecked(Axis->GetRoundFirstLabel());
        SELabelsAngle->setValue(Axis->GetLabelsAngle());
        SESepar->setValue(Axis->GetLabelsSeparation());
        SELabelsSize->setValue(Axis->GetLabelsSize());
        CBMultiline->setChecked(Axis->GetLabelsMultiLine());
        CBExpo->setChecked(Axis->GetLabelsExponent());
        CBAlternate->setChecked(Axis->GetLabelsAlternate());
        FillFormats();
        LabelsFontEditor->RefreshControls(Axis->GetLabelsFont());
    } else if (tab == TabTicks) {
        SEAxisTickLength->setValue(Axis->GetTickLength());
        SEInnerTicksLength->setValue(Axis->GetTickInnerLength());
        CBTickOnLabels->setChecked(Axis->GetTickOnLabelsOnly());
        CBGridCentered->setChecked(Axis->GetGridCentered());
        Edit2->setValue(Round(Axis->GetGrid()->GetZ()));
    } else if (tab == TabMinorTicks) {
        SEAxisMinorTickLen->setValue(Axis->GetMinorTickLength());
        SEMinorCount->setValue(Axis->GetMinorTickCount());
    } else if (tab == TabPositions) {
        EPos->setValue(Round(Axis->GetPositionPercent()));
        EStart->setValue(Round(Axis->GetStartPosition()));
        EEnd->setValue(Round(Axis->GetEndPosition()));
        Edit1->setValue(Round(Axis->GetZPosition()));
        CBPosUnits->setCurrentIndex(Axis->GetPositionUnits() == muPixels ? 1 : 0);
        CBOtherSide->setChecked(Axis->GetOtherSide());
        CBHorizAxis->setChecked(Axis->GetHorizontal());
        CBOtherSide->setEnabled(IsCustomRow());
        CBHorizAxis->setEnabled(IsCustomRow());
    }
    BDelete->setEnabled(IsCustomRow());
    CBVisible->setChecked(Axis->GetVisible());
    CBLabelAlign->setChecked(Axis->GetLabelsAlign() == alDefault);
    CBLabelAlign->setEnabled(!Axis->GetHorizontal() && !Axis->IsDepthAxis);
}

void TFormTeeAxis::FillFormats()
{
    CBFormat->clear();
    QString current;
    if (Axis->IsDateTime()) {
        const TFormatSettings& fs = FormatSettings();
        const double range = Axis->GetMaximum() - Axis->GetMinimum();
        if (range < 1)
            CBFormat->addItems({QString::fromStdString(fs.ShortTimeFormat), QString::fromStdString(fs.LongTimeFormat),
                                "hh:nn", "hh:nn:ss", "hh:nn:ss.zzz"});
        else
            CBFormat->addItems({QString::fromStdString(fs.ShortDateFormat), LongDateFormat, "yyyy-mm-dd", "mm-dd-yyyy",
                                "dd-mm-yyyy", "ddd", "dddd", "mmm", "mmmm"});
        LabelAxisFormat->setText(QString::fromStdString(TeeMsg_DateTimeFormat));
        current = QString::fromStdString(Axis->GetDateTimeFormat().empty() ? DateTimeDefaultFormat(range)
                                                                           : Axis->GetDateTimeFormat());
    } else {
        AddDefaultValueFormats(CBFormat);
        LabelAxisFormat->setText(QString::fromStdString(TeeMsg_ValuesFormat));
        current = QString::fromStdString(NeutralToLocalFormat(
            Axis->GetAxisValuesFormat().empty() ? TeeMsg_DefValueFormat : Axis->GetAxisValuesFormat()));
    }
    if (CBFormat->findText(current, Qt::MatchExactly) < 0) CBFormat->addItem(current);
    CBFormat->setCurrentIndex(CBFormat->findText(current, Qt::MatchExactly));
    CBFormat->setEditText(current);
}

void TFormTeeAxis::CBFormatChange()
{
    if (!Axis) return;
    const AnsiString text = CBFormat->currentText().toStdString();
    if (Axis->IsDateTime())
        Axis->SetDateTimeFormat(text);
    else
        Axis->SetAxisValuesFormat(LocalToNeutralFormat(text));
}

void TFormTeeAxis::Button1Click()
{
    CBFormat->setEditText(QString::fromStdString(
        TFormatEditor::Change(this, CBFormat->currentText().toStdString(), Axis && Axis->IsDateTime())));
    CBFormatChange();
}

void TFormTeeAxis::SetAxisScales()
{
    TFilling filling(this);
    const bool dateTime = Axis->IsDateTime();
    LAxisIncre->setText(QString::fromStdString(
        GetIncrementText(this, Axis->GetIncrement(), dateTime, Axis->GetExactDateTime(), Axis->GetAxisValuesFormat())));
    auto text = [&](double value) {
        if (dateTime) return value < 1 ? TimeToStr(value) : DateTimeToStr(value);
        return FormatFloat(Axis->GetAxisValuesFormat().empty() ? TeeMsg_DefValueFormat : Axis->GetAxisValuesFormat(),
                           value);
    };
    LAxisMax->setText(QString::fromStdString(text(Axis->GetMaximum())));
    LAxisMin->setText(QString::fromStdString(text(Axis->GetMinimum())));
    ChangingScales = true;
    CBAutomatic->setChecked(Axis->GetAutomatic());
    CBAutoMax->setChecked(Axis->GetAutomaticMaximum());
    CBAutoMin->setChecked(Axis->GetAutomaticMinimum());
    EMaxOff->setValue(Axis->GetMaximumOffset());
    EMinOff->setValue(Axis->GetMinimumOffset());
    ChangingScales = false;
    CBLogarithmic->setChecked(Axis->GetLogarithmic());
    CBLogarithmic->setEnabled(!Axis->IsDepthAxis);
    LogE->setChecked(Axis->GetLogarithmicBase() == std::exp(1.0));
    ELogBase->setText(QString::fromStdString(FloatToStr(Axis->GetLogarithmicBase())));
    EnableLogBaseControls();
    CBInverted->setChecked(Axis->GetInverted());
    CBVisible->setChecked(Axis->GetVisible());
}

void TFormTeeAxis::EnableLogBaseControls()
{
    ELogBase->setEnabled(CBLogarithmic->isChecked() && CBLogarithmic->isEnabled());
    LogE->setEnabled(ELogBase->isEnabled());
}

void TFormTeeAxis::CBShowClick()
{
    if (TCustomAxisPanel* chart = Chart()) chart->Axes()->SetVisible(CBShow->isChecked());
}

void TFormTeeAxis::CBAxisBehClick()
{
    if (TCustomAxisPanel* chart = Chart()) chart->Axes()->SetBehind(CBAxisBeh->isChecked());
}

void TFormTeeAxis::CBAutomaticClick()
{
    if (!Axis || ChangingScales) return;
    Axis->SetAutomatic(CBAutomatic->isChecked());
    if (!CBAutomatic->isChecked()) {
        Axis->SetAutomaticMaximum(false);
        Axis->SetAutomaticMinimum(false);
    } else
        Axis->AdjustMaxMin();
    SetAxisScales();
}

void TFormTeeAxis::CBAutoMinMaxClick(QCheckBox* Sender)
{
    if (!Axis) return;
    if (Sender == CBAutoMin)
        Axis->SetAutomaticMinimum(CBAutoMin->isChecked());
    else
        Axis->SetAutomaticMaximum(CBAutoMax->isChecked());
    Axis->AdjustMaxMin();
    SetAxisScales();
}

void TFormTeeAxis::CBLogarithmicClick()
{
    if (!Axis) return;
    try {
        Axis->SetLogarithmic(CBLogarithmic->isChecked());
    } catch (const AxisException&) {
        Axis->SetLogarithmic(false);
        const QSignalBlocker block(CBLogarithmic);
        CBLogarithmic->setChecked(false);
        EnableLogBaseControls();
        throw;
    }
    EnableLogBaseControls();
}

void TFormTeeAxis::ELogBaseChange()
{
    if (!Axis) return;
    double base = 0;
    if (!TryStrToFloat(ELogBase->text().trimmed().toStdString(), base)) base = Axis->GetLogarithmicBase();
    // A base must be a finite number above zero other than one; anything else is ignored.
    if (std::isfinite(base) && base > 0 && base != 1) Axis->SetLogarithmicBase(base);
    const QSignalBlocker block(LogE);
    LogE->setChecked(Axis->GetLogarithmicBase() == std::exp(1.0));
    LogE->setEnabled(!LogE->isChecked());
}

void TFormTeeAxis::LogEClick()
{
    ELogBase->setText(QString::fromStdString(FloatToStr(std::exp(1.0))));
    LogE->setEnabled(false);
}

void TFormTeeAxis::EStartChange()
{
    if (!Axis) return;
    if (EStart->value() < Axis->GetEndPosition())
        Axis->SetStartPosition(EStart->value());
    else
        ShowAgain(EStart, Axis->GetStartPosition());
}

void TFormTeeAxis::EEndChange()
{
    if (!Axis) return;
    if (EEnd->value() > Axis->GetStartPosition())
        Axis->SetEndPosition(EEnd->value());
    else
        ShowAgain(EEnd, Axis->GetEndPosition());
}

void TFormTeeAxis::CBHorizAxisClick()
{
    if (!Axis) return;
    Axis->SetHorizontal(CBHorizAxis->isChecked());
    if (OnNotifyCustom) OnNotifyCustom();
}

void TFormTeeAxis::EditAxisMaxMin(const AnsiString& Title, QCheckBox* AutoBox, bool IsMax)
{
    if (!Axis) return;
    auto dialog = TeeCreateForm<TAxisMaxMin>(this);
    AnsiString name;
    if (auto* chart = dynamic_cast<TCustomChart*>(Chart())) name = chart->AxisTitleOrName(Axis);
    dialog->setWindowTitle(QString::fromStdString(Title + " " + name));
    dialog->IsDateTime = Axis->IsDateTime();
    dialog->MaxMin = IsMax ? Axis->GetMaximum() : Axis->GetMinimum();
    TeeTranslateControl(dialog.get());
    if (dialog->ShowModal() != mrOk) return;
    if (IsMax)
        Axis->SetMaximum(dialog->MaxMin);
    else
        Axis->SetMinimum(dialog->MaxMin);
    {
        const QSignalBlocker block(AutoBox);
        AutoBox->setChecked(false);
    }
    SetAxisScales();
}

void TFormTeeAxis::BIncreClick()
{
    if (!Axis) return;
    auto dialog = TeeCreateForm<TAxisIncrement>(this);
    AnsiString name;
    if (auto* chart = dynamic_cast<TCustomChart*>(Chart())) name = chart->AxisTitleOrName(Axis);
    dialog->setWindowTitle(QString::fromStdString(FormatChartText(TeeMsg_DesiredIncrement, {name})));
    dialog->IsDateTime = Axis->IsDateTime();
    dialog->ExactDateTime = Axis->GetExactDateTime();
    dialog->Increment = Axis->GetIncrement();
    dialog->Step = FindDateTimeStep(Axis->GetIncrement());
    TeeTranslateControl(dialog.get());
    if (dialog->ShowModal() != mrOk) return;
    Axis->SetDesiredIncrement(dialog->Increment);
    Axis->SetExactDateTime(dialog->ExactDateTime);
    SetAxisScales();
}

void TFormTeeAxis::BAddClick()
{
    TCustomAxisPanel* chart = Chart();
    if (!chart) return;
    Axis = chart->GetCustomAxes()->Add();
    FillAxisList(chart);
    PageAxisChange();
}

void TFormTeeAxis::FillAxisList(TCustomAxisPanel* AChart)
{
    TFilling filling(this);
    QStringList items;
    TeeAddAxes(AChart, items, true);
    LBAxes->clear();
    LBAxes->addItems(items);
    SetAxisIndex();
}

void TFormTeeAxis::ShowAgain(QSpinBox* Box, double Value)
{
    TFilling filling(this);
    Box->setValue(Round(Value));
}

void TFormTeeAxis::BDeleteClick()
{
    TCustomAxisPanel* chart = Chart();
    const int row = LBAxes->currentRow();
    if (!chart || row < 6) return;
    delete Axis;
    Axis = nullptr;
    {
        TFilling filling(this);
        delete LBAxes->takeItem(row);
        LBAxes->setCurrentRow(row - 1);
    }
    LBAxesClick();
}
