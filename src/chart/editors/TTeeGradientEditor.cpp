#include "chart/editors/TTeeGradientEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>

#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeGradient.h"
#include "chart/engine/TeeProcs.h"
#include "platform/FormatSettings.h"

const TTeeGradientPreset TeeGradientPresets[TeeGradientPresetCount] = {
    {"Caribe Sun", TColor(0xDDDFD2), TColor(0xF50A97), TColor(0x0B80F4), 50, 0},
    {"Business", TColor(0xC0C0C0), TColor(0xFFFFFF), TColor(0x808080), 50, 0},
    {"Hot", TColor(0x0000FF), clNone, TColor(0x00FFFF), 50, 0},
    {"Ace", TColor(0x000000), TColor(0xFF8080), TColor(0x000000), 74, 1},
    {"Farm", TColor(0x006AD5), TColor(0xFFFFFF), TColor(0x0062C4), 4, 1},
    {"Sea", TColor(0xFFFF80), TColor(0xFF8080), TColor(0x800000), 55, 1},
    {"Night", TColor(0xFFFFFF), TColor(0x800040), TColor(0x000000), 40, 0},
    {"Space", TColor(0xA50320), TColor(0x800040), TColor(0xFFFFFF), 50, 5},
    {"Golf", TColor(0x159902), TColor(0xC0C0C0), TColor(0xD9F986), 50, 0},
    {"Funky", TColor(0xBD3881), TColor(0x87607A), TColor(0x52EB85), 50, 0},
    {"Sunset", TColor(0xB85A06), TColor(0xA7D8AF), TColor(0x001042), 50, 0},
    {"Rainbow", TColor(0xA11EE8), TColor(0x0F8355), TColor(0xDD011A), 50, 0},
    {"Pastel", TColor(0x247489), TColor(0x9491F6), TColor(0xFD8B9D), 50, 0},
    {"Tropical", TColor(0x9A414B), TColor(0x732FF3), TColor(0x20D761), 50, 0},
    {"Sea 2", TColor(0x4C031C), TColor(0xBACBE1), TColor(0x291EF9), 50, 0},
    {"Desert", TColor(0x265FB7), TColor(0xCE7185), TColor(0x604457), 50, 0},
    {"Clear day", TColor(0xFFF3EA), TColor(0xE0E6E9), TColor(0xCEDBFF), 50, 0},
};

TPreviewGradient::TPreviewGradient(QWidget* Parent) : TCustomTeePanelExtended(Parent) {}

void TPreviewGradient::InternalDraw(const TRect& UserRect)
{
    PanelPaint(UserRect);
}

namespace {

bool IsRectangular(TGradientDirection Direction)
{
    return Direction == gdTopBottom || Direction == gdBottomTop || Direction == gdLeftRight || Direction == gdRightLeft;
}

}  // namespace

TTeeGradientEditor::TTeeGradientEditor(QWidget* Owner) : TTeeForm(Owner)
{
    BuildControls();
}

TTeeGradientEditor::TTeeGradientEditor(QWidget* Owner, TCustomTeeGradient* Gradient) : TTeeForm(Owner)
{
    BuildControls();
    EditedGradient = Gradient;
    SetTag(Gradient);
    ShowControls(false, {Panel1, BOk, BCancel});
    resize(width(), height() - Panel1->height());
}

TTeeGradientEditor::~TTeeGradientEditor() = default;

void TTeeGradientEditor::BuildControls()
{
    setObjectName("TeeGradientEditor");
    setWindowTitle("Gradient Editor");
    SetClientSize(251, 197);

    auto* top = TeePlace(new QWidget(this), 0, 0, 251, 28);
    CBVisible = TeePlace(new QCheckBox("&Visible", top), 8, 6, 70, 17);
    CBDirection = TeePlace(new QComboBox(top), 96, 4, 147, 21);
    CBDirection->addItems({"Top Bottom", "Bottom Top", "Left Right", "Right Left", "From Center", "From Top Left",
                           "From Bottom Left", "Radial", "Diagonal Up", "Diagonal Down"});

    PageControl1 = TeePlace(new QTabWidget(this), 0, 28, 251, 136);
    QWidget* defaultTab = TeeAddTab(PageControl1, "Default");
    Gallery = TeePlace(new QListWidget(defaultTab), 4, 4, 132, 102);
    for (int i = 0; i < TeeGradientPresetCount; ++i) TeeAddListItem(Gallery, TeeGradientPresets[i].Name, nullptr);
    Preview = TeePlace(new TPreviewGradient(defaultTab), 144, 16, 81, 73);
    Preview->SetBevelOuter(bvNone);

    QWidget* colorsTab = TeeAddTab(PageControl1, "Colors");
    BStart = TeeAddButton<TButtonColor>(colorsTab, "&Start...", 8, 8, 80);
    BMid = TeeAddButton<TButtonColor>(colorsTab, "&Middle...", 8, 38, 80);
    BEnd = TeeAddButton<TButtonColor>(colorsTab, "&End...", 8, 68, 80);
    CBMid = TeePlace(new QCheckBox("&No Middle", colorsTab), 98, 42, 100, 17);
    BSwap = TeePlace(new QPushButton("S&wap", colorsTab), 98, 68, 75, 25);

    QWidget* optionsTab = TeeAddTab(PageControl1, "Options");
    SBBalance = TeePlace(new QScrollBar(Qt::Horizontal, optionsTab), 8, 10, 170, 17);
    SBBalance->setRange(0, 100);
    LabelBalance = TeePlace(new QLabel("50 %", optionsTab), 184, 12, 50, 13);
    auto* radial = TeePlace(new QGroupBox("Radial offset:", optionsTab), 4, 34, 238, 72);
    Label2 = TeePlace(new QLabel("&Horiz:", radial), 8, 22, 40, 13);
    TrackBar1 = TeePlace(new QSlider(Qt::Horizontal, radial), 48, 16, 140, 24);
    Label3 = TeePlace(new QLabel("&Vert:", radial), 8, 48, 40, 13);
    TrackBar2 = TeePlace(new QSlider(Qt::Horizontal, radial), 48, 42, 140, 24);
    for (QSlider* bar : {TrackBar1, TrackBar2}) {
        bar->setRange(-300, 300);
        bar->setTickInterval(50);
        bar->setTickPosition(QSlider::TicksBelow);
    }
    Label2->setBuddy(TrackBar1);
    Label3->setBuddy(TrackBar2);
    LRadialX = TeePlace(new QLabel("0", radial), 194, 22, 40, 13);
    LRadialY = TeePlace(new QLabel("0", radial), 194, 48, 40, 13);

    Panel1 = TeePlace(new QWidget(this), 0, 164, 251, 33);
    BOk = TeePlace(new QPushButton("OK", Panel1), 88, 4, 75, 25);
    BCancel = TeePlace(new QPushButton("Cancel", Panel1), 168, 4, 75, 25);

    BindOkCancel(BOk, BCancel, [this] { BCancelClick(); });
    Bind(Gallery, &QListWidget::currentRowChanged, [this] { GalleryClick(); });
    Bind(CBVisible, &QCheckBox::toggled, [this] { CBVisibleClick(); });
    Bind(CBDirection, &QComboBox::currentIndexChanged, [this] { CBDirectionChange(); });
    Bind(BSwap, &QPushButton::clicked, [this] { BSwapClick(); });
    Bind(CBMid, &QCheckBox::toggled, [this] { CBMidClick(); });
    BMid->OnClick = [this](QObject*) { BMidClick(); };
    BStart->OnClick = [this](QObject*) { BStartClick(); };
    BEnd->OnClick = [this](QObject*) { BStartClick(); };
    Bind(SBBalance, &QScrollBar::valueChanged, [this] { SBBalanceChange(); });
    Bind(TrackBar1, &QSlider::valueChanged, [this] { TrackBar1Change(); });
    Bind(TrackBar2, &QSlider::valueChanged, [this] { TrackBar2Change(); });
    SetBorderStyle(fbsDialog);
}

void TTeeGradientEditor::FormShow()
{
    TCustomTeeGradient* gradient = EditedGradient;
    if (!gradient) gradient = qobject_cast<TCustomTeeGradient*>(TagObject());
    RefreshGradient(gradient);
    FModified = false;
    TeeTranslateControl(this);
}

void TTeeGradientEditor::RefreshGradient(TCustomTeeGradient* Gradient)
{
    FRefreshing = true;
    SetTag(Gradient);
    EditedGradient = Gradient;
    if (Gradient) {
        BackupGradient = std::make_unique<TTeeGradient>();
        BackupGradient->Assign(Gradient);
        BStart->LinkProperty(Gradient, "StartColor");
        BMid->LinkProperty(Gradient, "MidColor");
        BEnd->LinkProperty(Gradient, "EndColor");
        RefreshControls();
        CheckVisible();
        CheckDirection();
        SetPreview();
    }
    FRefreshing = false;
}

void TTeeGradientEditor::RefreshControls()
{
    if (!EditedGradient) return;
    TFilling filling(this);
    SBBalance->setValue(EditedGradient->GetBalance());
    ShowBalance();
    CBVisible->setChecked(EditedGradient->GetVisible());
    CBDirection->setCurrentIndex(int(EditedGradient->GetDirection()));
    CBMid->setChecked(EditedGradient->GetMidColor() == clNone);
    TrackBar1->setValue(EditedGradient->GetRadialX());
    TrackBar2->setValue(EditedGradient->GetRadialY());
    LRadialX->setText(QString::number(EditedGradient->GetRadialX()));
    LRadialY->setText(QString::number(EditedGradient->GetRadialY()));
    for (TButtonColor* b : {BStart, BMid, BEnd}) b->update();
}

void TTeeGradientEditor::CheckVisible()
{
    const bool enable = EndColorFromSeries || (EditedGradient && EditedGradient->GetVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{CBDirection, BStart, CBMid, BMid, BEnd, BSwap, Gallery})
        w->setEnabled(enable);
}

void TTeeGradientEditor::CheckDirection()
{
    if (!EditedGradient) return;
    const TGradientDirection d = EditedGradient->GetDirection();
    const bool middle = EndColorFromSeries || (EditedGradient->GetVisible() && d != gdFromCenter &&
                                               d != gdFromTopLeft && d != gdFromBottomLeft && d != gdRadial);
    CBMid->setEnabled(middle);
    BMid->setEnabled(middle);
    for (QWidget* w : std::initializer_list<QWidget*>{Label2, Label3, TrackBar1, TrackBar2})
        w->setEnabled(d == gdRadial);
}

void TTeeGradientEditor::SetPreview()
{
    if (!EditedGradient) return;
    TTeeGradient* p = Preview->GetGradient();
    p->SetVisible(EditedGradient->GetVisible());
    p->SetDirection(EditedGradient->GetDirection());
    p->SetStartColor(EditedGradient->GetStartColor());
    p->SetMidColor(EditedGradient->GetMidColor());
    p->SetEndColor(EditedGradient->GetEndColor());
}

void TTeeGradientEditor::ShowBalance()
{
    LabelBalance->setText(QString::fromStdString(FormatFloat(TeeMsg_DefPercentFormat, SBBalance->value())));
}

void TTeeGradientEditor::GalleryClick()
{
    const int row = Gallery->currentRow();
    if (!EditedGradient || row < 0 || row >= TeeGradientPresetCount) return;
    const TTeeGradientPreset& preset = TeeGradientPresets[row];
    EditedGradient->SetStartColor(preset.Start);
    EditedGradient->SetMidColor(preset.Middle);
    EditedGradient->SetEndColor(preset.End);
    EditedGradient->SetDirection(TGradientDirection(preset.Direction));
    EditedGradient->SetBalance(preset.Balance);
    // A preset changes the gradient like any other control: Cancel must undo it too.
    FModified = true;
    RefreshControls();
    CheckDirection();
    SetPreview();
}

void TTeeGradientEditor::CBVisibleClick()
{
    if (!EditedGradient) return;
    EditedGradient->SetVisible(CBVisible->isChecked());
    CheckVisible();
    CheckDirection();
    SetPreview();
    FModified = true;
}

void TTeeGradientEditor::CBDirectionChange()
{
    if (!EditedGradient) return;
    EditedGradient->SetDirection(TGradientDirection(CBDirection->currentIndex()));
    CheckDirection();
    if (!IsRectangular(EditedGradient->GetDirection())) {
        TFilling filling(this);
        Gallery->setCurrentRow(-1);
    }
    SetPreview();
    FModified = true;
}

void TTeeGradientEditor::BSwapClick()
{
    if (!EditedGradient) return;
    const TColor start = EditedGradient->GetStartColor();
    EditedGradient->SetStartColor(EditedGradient->GetEndColor());
    EditedGradient->SetEndColor(start);
    BStart->update();
    BEnd->update();
    SetPreview();
    FModified = true;
}

void TTeeGradientEditor::CBMidClick()
{
    if (FRefreshing || !EditedGradient) return;
    if (!CBMid->isChecked()) {
        if (EditedGradient->GetMidColor() == clNone)
            EditedGradient->SetMidColor(clWhite);
        else
            EditedGradient->UseMiddleColor();
    } else {
        EditedGradient->SetMidColor(clNone);
    }
    BMid->update();
    SetPreview();
    FModified = true;
}

void TTeeGradientEditor::BMidClick()
{
    if (!EditedGradient) return;
    TFilling filling(this);
    CBMid->setChecked(EditedGradient->GetMidColor() == clNone);
    SetPreview();
    FModified = true;
}

void TTeeGradientEditor::BStartClick()
{
    SetPreview();
    FModified = true;
}

void TTeeGradientEditor::SBBalanceChange()
{
    if (!FRefreshing && EditedGradient) {
        EditedGradient->SetBalance(SBBalance->value());
        FModified = true;
    }
    ShowBalance();
}

void TTeeGradientEditor::TrackBar1Change()
{
    if (!EditedGradient) return;
    EditedGradient->SetRadialX(TrackBar1->value());
    LRadialX->setText(QString::number(TrackBar1->value()));
    FModified = true;
}

void TTeeGradientEditor::TrackBar2Change()
{
    if (!EditedGradient) return;
    EditedGradient->SetRadialY(TrackBar2->value());
    LRadialY->setText(QString::number(TrackBar2->value()));
    FModified = true;
}

void TTeeGradientEditor::BCancelClick()
{
    if (!FModified || !EditedGradient || !BackupGradient) return;
    EditedGradient->Assign(BackupGradient.get());
    if (EditedGradient->OnChange) EditedGradient->OnChange(this);
}

bool EditTeeGradient(QObject* AOwner, TCustomTeeGradient* Gradient, bool EndColorFromSeries, bool HideVisible)
{
    auto editor = TeeCreateForm<TTeeGradientEditor>(AOwner);
    editor->SetTag(Gradient);
    editor->EndColorFromSeries = EndColorFromSeries;
    if (EndColorFromSeries) ShowControls(false, {editor->BEnd, editor->BSwap});
    if (HideVisible) editor->CBVisible->hide();
    return editor->ShowModal() == mrOk;
}
