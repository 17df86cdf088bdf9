#include "chart/editors/TChartPreview.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "chart/editors/TCustomTeeNavigator.h"
#include "chart/editors/TTeePreviewPanel.h"
#include "chart/editors/TeeHourGlass.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TeeProcs.h"
#include "chart/storage/TeePictureOptions.h"
#include "platform/Dialogs.h"
#include "platform/TPrinter.h"

bool TeeChangePaperOrientation = true;

namespace {

QSpinBox* MarginBox(QWidget* Parent)
{
    auto* box = new QSpinBox(Parent);
    box->setRange(0, 100);
    box->setSingleStep(5);
    box->setValue(0);
    return box;
}

bool SameRect(const TRect& A, const TRect& B)
{
    return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}

// Lays the controls on Strip without margins, in the given direction, and puts Strip into
// Outer.
void AddStrip(QBoxLayout* Outer, QWidget* Strip, QBoxLayout::Direction Direction,
              std::initializer_list<QWidget*> Controls)
{
    auto* layout = new QBoxLayout(Direction, Strip);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* c : Controls) layout->addWidget(c);
    Outer->addWidget(Strip);
}

}  // namespace

TChartPreview::TChartPreview(QWidget* Owner) : TTeeForm(Owner)
{
    FUpdating = 1;
    setObjectName("ChartPreview");
    setWindowTitle("Print Preview");
    SetClientSize(600, 440);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);

    // ---- top: printer, set-up, print, close
    auto* topPanel = new QWidget(this);
    auto* top = new QHBoxLayout(topPanel);
    top->setContentsMargins(0, 0, 0, 0);
    CBPrinters = new QComboBox(topPanel);
    CBPrinters->setMinimumWidth(200);
    auto* printerLabel = new QLabel("P&rinter:", topPanel);
    printerLabel->setBuddy(CBPrinters);
    top->addWidget(printerLabel);
    top->addWidget(CBPrinters, 1);
    auto* printButtons = new QWidget(topPanel);
    BSetupPrinter = new QPushButton("&Setup...", printButtons);
    BPrint = new QPushButton("&Print", printButtons);
    AddStrip(top, printButtons, QBoxLayout::LeftToRight, {BSetupPrinter, BPrint});
    PanelClose = new QWidget(topPanel);
    BClose = new QPushButton("Close", PanelClose);
    AddStrip(top, PanelClose, QBoxLayout::LeftToRight, {BClose});
    root->addWidget(topPanel);

    // ---- side: orientation, margins, detail, reset, proportional, smooth
    auto* body = new QHBoxLayout;
    root->addLayout(body, 1);
    Panel2 = new QWidget(this);
    Panel2->setFixedWidth(150);
    auto* side = new QVBoxLayout(Panel2);
    side->setContentsMargins(0, 0, 0, 0);
    Orientation = new TOptionsRadioGroup("Orien&tation:", {"P&ortrait", "&Landscape"}, Panel2);
    side->addWidget(Orientation);

    GBMargins = new QGroupBox("Margins (%)", Panel2);
    auto* grid = new QGridLayout(GBMargins);
    UDTopMa = MarginBox(GBMargins);
    UDLeftMa = MarginBox(GBMargins);
    UDRightMa = MarginBox(GBMargins);
    UDBotMa = MarginBox(GBMargins);
    grid->addWidget(UDTopMa, 0, 0, 1, 2, Qt::AlignHCenter);
    grid->addWidget(UDLeftMa, 1, 0);
    grid->addWidget(UDRightMa, 1, 1);
    grid->addWidget(UDBotMa, 2, 0, 1, 2, Qt::AlignHCenter);
    side->addWidget(GBMargins);

    ChangeDetailGroup = new QGroupBox("Detail:", Panel2);
    auto* detail = new QGridLayout(ChangeDetailGroup);
    Resolution = new QSlider(Qt::Horizontal, ChangeDetailGroup);
    Resolution->setRange(0, 100);
    Resolution->setValue(99);
    auto* more = new QLabel("More", ChangeDetailGroup);
    auto* normal = new QLabel("Normal", ChangeDetailGroup);
    detail->addWidget(Resolution, 0, 0, 1, 2);
    detail->addWidget(more, 1, 0, Qt::AlignLeft);
    detail->addWidget(normal, 1, 1, Qt::AlignRight);
    side->addWidget(ChangeDetailGroup);

    PanelMargins = new QWidget(Panel2);
    BReset = new QPushButton("Reset &Margins", PanelMargins);
    BReset->setEnabled(false);
    ShowMargins = new QCheckBox("&View Margins", PanelMargins);
    ShowMargins->setChecked(true);
    AddStrip(side, PanelMargins, QBoxLayout::TopToBottom, {BReset, ShowMargins});

    auto* switches = new QWidget(Panel2);
    CBProp = new QCheckBox("Proport&ional", switches);
    CBProp->setChecked(true);
    CheckBox1 = new QCheckBox("Sm&ooth", switches);
    AddStrip(side, switches, QBoxLayout::TopToBottom, {CBProp, CheckBox1});
    side->addStretch(1);
    body->addWidget(Panel2);

    TeePreviewPanel1 = new TTeePreviewPanel(this);
    body->addWidget(TeePreviewPanel1, 1);
    TeePreviewPanel1->OnChangeMargins = [this](QObject* Sender, bool Disable, const TRect& Margins) {
        Guard([&] { TeePreviewPanel1ChangeMargins(Sender, Disable, Margins); });
    };

    BindModal(BClose, mrCancel);
    SetCancelButton(BClose);
    const struct {
        QSpinBox* Box;
        int TRect::*Margin;
        int TRect::*Opposite;
    } margins[] = {{UDLeftMa, &TRect::Left, &TRect::Right},
                   {UDTopMa, &TRect::Top, &TRect::Bottom},
                   {UDRightMa, &TRect::Right, &TRect::Left},
                   {UDBotMa, &TRect::Bottom, &TRect::Top}};
    for (const auto& m : margins)
        BindAlways(m.Box, &QSpinBox::valueChanged, [this, m] { MarginBoxChange(m.Box, m.Margin, m.Opposite); });
    Bind(CBProp, &QCheckBox::toggled, [this] { CBPropClick(); });
    Bind(BReset, &QPushButton::clicked, [this] { BResetClick(); });
    Bind(Orientation->Buttons(), &QButtonGroup::idClicked, [this] { OrientationClick(); });
    Bind(CBPrinters, &QComboBox::activated, [this] { CBPrintersChange(); });
    Bind(BSetupPrinter, &QPushButton::clicked, [this] { BSetupPrinterClick(); });
    Bind(Resolution, &QSlider::valueChanged, [this] { ResolutionChange(); });
    Bind(ShowMargins, &QCheckBox::toggled, [this] { ShowMarginsClick(); });
    Bind(CheckBox1, &QCheckBox::toggled, [this] { CheckBox1Click(); });
    Bind(BPrint, &QPushButton::clicked, [this] { BPrintClick(); });
    FChangingProp = 0;
    FUpdating = 0;
}

TChartPreview::~TChartPreview() = default;

TCustomTeePanel* TChartPreview::PreviewedPanel() const
{
    return TeePreviewPanel1->GetPanel();
}

void TChartPreview::HideCloseButton()
{
    PanelClose->hide();
}

void TChartPreview::FillPrinters()
{
    TPrinter* printer = Printer();
    TFilling filling(this);
    CBPrinters->clear();
    for (const AnsiString& name : printer->Printers()) CBPrinters->addItem(QString::fromStdString(name));
    if (CBPrinters->count() > 0 && printer->PrinterIndex() < 0) printer->SetPrinterIndex(0);
    CBPrinters->setCurrentIndex(printer->PrinterIndex());
}

void TChartPreview::FormShow()
{
    if (PageNavigatorClass && !FPageNavigator) {
        FPageNavigator = PageNavigatorClass(Panel2);
        if (FPageNavigator) {
            Panel2->layout()->addWidget(FPageNavigator);
            FPageNavigator->OnButtonClicked = [this](QObject*, TTeeNavigateBtn) { TeePreviewPanel1->Invalidate(); };
        }
    }
    if (auto* panel = qobject_cast<TCustomTeePanel*>(TagObject())) TeePreviewPanel1->SetPanel(panel);
    FillPrinters();
    const bool printers = CBPrinters->count() > 0;
    if (printers) {
        if (TeeChangePaperOrientation) Printer()->SetOrientation(poLandscape);
        CheckOrientation();
    }
    // Controls are only ever disabled here: whoever opened the dialog may have disabled
    // others.
    if (!printers) {
        BPrint->setEnabled(false);
        BSetupPrinter->setEnabled(false);
        Orientation->setEnabled(false);
    }
    TCustomTeePanel* panel = PreviewedPanel();
    if (panel) {
        ++FChangingProp;
        CBProp->setChecked(panel->PrintProportional);
        --FChangingProp;
        {
            TFilling filling(this);
            Resolution->setValue(panel->PrintResolution + 100);
        }
        FSavedMargins = panel->PrintMargins;
        ResetMargins();
        if (FPageNavigator) FPageNavigator->SetPanel(panel);
    } else {
        CBProp->setEnabled(false);
        Resolution->setEnabled(false);
        GBMargins->setEnabled(false);
        BPrint->setEnabled(false);
    }
    {
        TFilling filling(this);
        CheckBox1->setChecked(TeePreviewPanel1->GetAsBitmap());
    }
    TeeTranslateControl(this);
}

void TChartPreview::ShowMarginValues(const TRect& Margins)
{
    ++FUpdating;
    UDLeftMa->setValue(Margins.Left);
    UDTopMa->setValue(Margins.Top);
    UDRightMa->setValue(Margins.Right);
    UDBotMa->setValue(Margins.Bottom);
    --FUpdating;
}

void TChartPreview::ResetMargins()
{
    TCustomTeePanel* panel = PreviewedPanel();
    if (!panel) return;
    if (panel->PrintProportional && Printer()->Present()) {
        FSavedMargins = panel->CalcProportionalMargins();
        panel->PrintMargins = FSavedMargins;
    }
    ShowMarginValues(panel->PrintMargins);
    TeePreviewPanel1->Invalidate();
}

void TChartPreview::CheckOrientation()
{
    TFilling filling(this);
    Orientation->SetItemIndex(Printer()->GetOrientation() == poLandscape ? 1 : 0);
}

void TChartPreview::ChangeMargin(QSpinBox* UpDown, int& Margin, int Opposite)
{
    if (UpDown->value() + Opposite < 100) {
        Margin = UpDown->value();
        if (FUpdating > 0) return;
        TeePreviewPanel1->Invalidate();
        if (TCustomTeePanel* panel = PreviewedPanel())
            BReset->setEnabled(!SameRect(panel->PrintMargins, FSavedMargins));
        CBProp->setChecked(false);
    } else {
        ++FUpdating;
        UpDown->setValue(Margin);
        --FUpdating;
    }
}

void TChartPreview::MarginBoxChange(QSpinBox* UpDown, int TRect::*Margin, int TRect::*Opposite)
{
    TCustomTeePanel* panel = PreviewedPanel();
    if (isVisible() && panel) ChangeMargin(UpDown, panel->PrintMargins.*Margin, panel->PrintMargins.*Opposite);
}

void TChartPreview::TeePreviewPanel1ChangeMargins(QObject*, bool DisableProportional, const TRect& Margins)
{
    ShowMarginValues(Margins);
    TCustomTeePanel* panel = PreviewedPanel();
    if (panel) BReset->setEnabled(!SameRect(panel->PrintMargins, FSavedMargins));
    if (DisableProportional) {
        if (panel) panel->PrintProportional = false;
        ++FChangingProp;
        CBProp->setChecked(false);
        --FChangingProp;
    }
}

void TChartPreview::CBPropClick()
{
    if (FChangingProp > 0) return;
    if (TCustomTeePanel* panel = PreviewedPanel()) panel->PrintProportional = CBProp->isChecked();
    ResetMargins();
}

void TChartPreview::BResetClick()
{
    TCustomTeePanel* panel = PreviewedPanel();
    if (!panel) return;
    panel->PrintMargins = FSavedMargins;
    ShowMarginValues(FSavedMargins);
    TeePreviewPanel1->Invalidate();
    BReset->setEnabled(false);
}

void TChartPreview::OrientationClick()
{
    Printer()->SetOrientation(Orientation->ItemIndex() == 1 ? poLandscape : poPortrait);
    ResetMargins();
    TeePreviewPanel1->Invalidate();
}

void TChartPreview::CBPrintersChange()
{
    Printer()->SetPrinterIndex(CBPrinters->currentIndex());
    CheckOrientation();
    OrientationClick();
}

void TChartPreview::BSetupPrinterClick()
{
    platform::dialogs().PrinterSetup(Printer()->Device());
    FillPrinters();
    CheckOrientation();
    TeePreviewPanel1->Invalidate();
}

void TChartPreview::ResolutionChange()
{
    if (TCustomTeePanel* panel = PreviewedPanel()) panel->PrintResolution = Resolution->value() - 100;
    TeePreviewPanel1->Invalidate();
}

void TChartPreview::ShowMarginsClick()
{
    TeePreviewPanel1->GetMargins()->SetVisible(ShowMargins->isChecked());
}

void TChartPreview::CheckBox1Click()
{
    TeePreviewPanel1->SetAsBitmap(CheckBox1->isChecked());
}

void TChartPreview::BPrintClick()
{
    TTeeHourGlass wait;
    if (FPageNavigator && FPageNavigator->PageCount() > 1)
        FPageNavigator->Print();
    else
        TeePreviewPanel1->Print();
}

void TeePreview(QObject* AOwner, TCustomTeePanel* Panel)
{
    auto form = TeeCreateForm<TChartPreview>(AOwner);
    form->PreviewPanel()->SetPanel(Panel);
    form->ShowModal();
    form.reset();
    if (Panel) Panel->Invalidate();
}
