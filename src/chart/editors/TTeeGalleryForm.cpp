#include "chart/editors/TTeeGalleryForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>

#include "chart/editors/TChartGalleryPanel.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"

TTeeGalleryForm::TTeeGalleryForm(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("TeeGalleryForm");
    setWindowTitle("Gallery");
    SetClientSize(560, 372);

    Panel1 = TeePlace(new QWidget(this), 0, 0, 560, 32);
    auto* label = TeePlace(new QLabel("&Gallery:", Panel1), 8, 10, 50, 13);
    CBPage = TeePlace(new QComboBox(Panel1), 60, 6, 150, 21);
    label->setBuddy(CBPage);
    CB3D = TeePlace(new QCheckBox("&3D", Panel1), 224, 8, 50, 17);
    CB3D->setChecked(true);
    CBSmooth = TeePlace(new QCheckBox("&Smooth", Panel1), 280, 8, 90, 17);
    CBSmooth->setChecked(true);
    auto* splitter = TeePlace(new QSplitter(this), 4, 34, 552, 296);
    ChartListBox1 = new TChartListBox(splitter);
    ChartListBox1->setSortingEnabled(true);
    ChartListBox1->SetShowActiveCheck(false);
    ChartListBox1->SetShowSeriesColor(false);
    ChartListBox1->EnableDragSeries = false;
    ChartListBox1->EnableChangeType = false;
    ChartListBox1->EnableChangeColor = false;
    ChartListBox1->AllowAddSeries = false;
    ChartListBox1->AllowDeleteSeries = false;
    ChartListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ChartGalleryPanel1 = new TChartGalleryPanel(splitter);
    splitter->setSizes({150, 402});
    auto* bottom = TeePlace(new QWidget(this), 0, 332, 560, 40);
    BOK = TeePlace(new QPushButton("OK", bottom), 392, 6, 75, 25);
    BCancel = TeePlace(new QPushButton("Cancel", bottom), 476, 6, 75, 25);

    // FormCreate
    FChart = std::make_unique<TChart>();
    FChart->hide();
    ChartListBox1->SetChart(FChart.get());
    CBPage->addItem(QString::fromStdString(TeeMsg_All));
    for (const TTeeSeriesType& t : TeeSeriesTypes())
        if (!t.FunctionClass && t.GalleryPage && CBPage->findText(QString::fromStdString(*t.GalleryPage)) < 0)
            CBPage->addItem(QString::fromStdString(*t.GalleryPage));
    CBPage->setCurrentIndex(std::max(0, CBPage->findText(QString::fromStdString(TeeMsg_GalleryStandard))));
    CBSmooth->setChecked(DefaultSmooth());

    BindOkCancel(BOK, BCancel);
    Bind(CBPage, &QComboBox::currentIndexChanged, [this] { CBPageChange(); });
    Bind(ChartListBox1, &QListWidget::currentRowChanged, [this] { ChartListBox1Click(); });
    Bind(CB3D, &QCheckBox::toggled, [this](bool on) { ChartGalleryPanel1->SetView3D(on); });
    Bind(CBSmooth, &QCheckBox::toggled, [this](bool on) { ChartGalleryPanel1->SetSmooth(on); });
    ChartGalleryPanel1->OnSelectedChart = [this](QObject*) { SetModalResult(mrOk); };
}

TTeeGalleryForm::~TTeeGalleryForm()
{
    // The list lets go of the hidden chart before it is freed.
    ChartListBox1->SetChart(nullptr);
}

void TTeeGalleryForm::FormShow()
{
    ChartGalleryPanel1->SetView3D(CB3D->isChecked());
    ChartGalleryPanel1->SetSmooth(CBSmooth->isChecked());
    CBPageChange();
    TeeTranslateControl(this);
}

void TTeeGalleryForm::CBPageChange()
{
    const bool all = CBPage->currentIndex() <= 0;
    const AnsiString page = CBPage->currentText().toStdString();
    FChart->FreeAllSeries();
    for (const TTeeSeriesType& t : TeeSeriesTypes()) {
        if (t.FunctionClass || !t.SeriesClass || !t.GalleryPage || (!all && *t.GalleryPage != page)) continue;
        TChartSeries* s = CreateNewSeries(FChart.get(), FChart.get(), t.SeriesClass);
        s->SetTitle(t.Description ? ReplaceChar(*t.Description, '\r', ' ') : AnsiString(t.SeriesClass->className()));
    }
    FShownClass = nullptr;
    if (ChartListBox1->count() > 0 && !ChartListBox1->GetSelectedSeries()) ChartListBox1->SelectSeries(0);
    ChartListBox1Click();
}

void TTeeGalleryForm::ChartListBox1Click()
{
    TChartSeries* s = ChartListBox1->GetSelectedSeries();
    if (!s || s->metaObject() == FShownClass) return;
    FShownClass = s->metaObject();
    TTeeSeriesType type;
    if (const TTeeSeriesType* registered = TeeSeriesTypes().Find(FShownClass))
        type = *registered;
    else
        type.SeriesClass = FShownClass;
    ChartGalleryPanel1->DisplaySub = false;
    ChartGalleryPanel1->SetNumRows(3);
    ChartGalleryPanel1->CreateVariants(type);
    ChartGalleryPanel1->ShowSelectedChart();
}

void TTeeGalleryForm::keyPressEvent(QKeyEvent* Event)
{
    const int key = Event->key();
    if (key == Qt::Key_Escape) {
        TTeeForm::keyPressEvent(Event);
        return;
    }
    const TShiftState shift = ShiftStateOf(Event->modifiers(), Qt::NoButton);
    Guard([&] { ChartGalleryPanel1->KeyDown(key, shift); });
}
