#include "chart/storage/TeePictureOptions.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "chart/storage/TGIFImage.h"

TOptionsRadioGroup::TOptionsRadioGroup(const QString& Caption, const QStringList& Items, QWidget* parent)
    : QGroupBox(Caption, parent), FButtons(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < Items.size(); ++i) {
        auto* b = new QRadioButton(Items[i], this);
        FButtons->addButton(b, i);
        layout->addWidget(b);
    }
}

int TOptionsRadioGroup::ItemIndex() const
{
    return FButtons->checkedId();
}

int TOptionsRadioGroup::Count() const
{
    return int(FButtons->buttons().size());
}

void TOptionsRadioGroup::SetItemIndex(int Index)
{
    if (auto* b = FButtons->button(Index)) {
        b->setChecked(true);
        return;
    }
    // No button: none checked.
    FButtons->setExclusive(false);
    for (auto* b : FButtons->buttons()) b->setChecked(false);
    FButtons->setExclusive(true);
}

// ---- bitmap

TBMPOptions::TBMPOptions(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QFormLayout(this);
    CBColors = new QComboBox(this);
    CBColors->addItems({"Default", "2 (1 bit)", "16 (4 bit)", "256 (8 bit)", "32768 (15 bit)", "65536 (16 bit)",
                        "16M (24 bit)", "16M (32 bit)"});
    auto* label = new QLabel("&Colors:", this);
    label->setBuddy(CBColors);
    layout->addRow(label, CBColors);
    CBMono = new QCheckBox("&Monochrome", this);
    layout->addRow(CBMono);
    connect(CBMono, &QCheckBox::clicked, this, [this] { CBMonoClick(); });
    FormShow();
}

void TBMPOptions::FormShow()
{
    CBColors->setCurrentIndex(0);
}

void TBMPOptions::CBMonoClick()
{
    CBColors->setEnabled(!CBMono->isChecked());
}

void TBMPOptions::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

// ---- metafile

TEMFOptions::TEMFOptions(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    CBEnhanced = new QCheckBox("&Enhanced", this);
    CBEnhanced->setChecked(true);
    layout->addWidget(CBEnhanced);
}

// ---- JPEG

TTeeJPEGOptions::TTeeJPEGOptions(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* layout = new QVBoxLayout(this);
    RGPerf = new TOptionsRadioGroup("&Performance:", {"Q&uality", "&Speed"}, this);
    RGPerf->SetItemIndex(0);
    layout->addWidget(RGPerf);
    CBGray = new QCheckBox("&Gray scale", this);
    layout->addWidget(CBGray);
    auto* form = new QFormLayout;
    UpDown1 = new QSpinBox(this);
    UpDown1->setRange(1, 100);
    UpDown1->setValue(95);
    auto* label = new QLabel("% &Quality:", this);
    label->setBuddy(UpDown1);
    form->addRow(label, UpDown1);
    layout->addLayout(form);
}

// ---- GIF

TTeeGIFOptions::TTeeGIFOptions(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* layout = new QVBoxLayout(this);
    RGCompression = new TOptionsRadioGroup("&Compression:", {"LZW", "RLE"}, this);
    layout->addWidget(RGCompression);
    auto* form = new QFormLayout;
    CBDither = new QComboBox(this);
    CBDither->addItems({"Nearest", "Floyd Steinberg", "Stucki", "Sierra", "JaJuNI", "Steve Arche", "Burkes"});
    auto* ditherLabel = new QLabel("&Dither:", this);
    ditherLabel->setBuddy(CBDither);
    form->addRow(ditherLabel, CBDither);
    CBReduction = new QComboBox(this);
    CBReduction->addItems({"None", "Windows 20", "Windows 256", "Windows Gray", "Monochrome", "Gray Scale", "Netscape",
                           "Quantize", "Quantize 256"});
    auto* reductionLabel = new QLabel("&Reduction:", this);
    reductionLabel->setBuddy(CBReduction);
    form->addRow(reductionLabel, CBReduction);
    layout->addLayout(form);
}

void TTeeGIFOptions::FormShow()
{
    CBDither->setCurrentIndex(dmNearest);
    CBReduction->setCurrentIndex(rmNone);
    RGCompression->SetItemIndex(int(GIFImageDefaultCompression));
}

void TTeeGIFOptions::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}
