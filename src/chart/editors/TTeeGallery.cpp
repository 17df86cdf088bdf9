#include "chart/editors/TTeeGallery.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTabBar>

#include "chart/editors/TChartGalleryPanel.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesTypes.h"

TTeeGallery::TTeeGallery(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("TeeGallery");
    setWindowTitle("Gallery");
    SetClientSize(468, 392);

    TabTypes = TeePlace(new QTabBar(this), 4, 4, 460, 24);
    TabTypes->setDrawBase(false);
    TabPages = TeePlace(new QTabBar(this), 8, 30, 452, 24);
    TabPages->setDrawBase(false);
    ChartGalleryPanel1 = TeePlace(new TChartGalleryPanel(this), 8, 56, 452, 292);
    P1 = TeePlace(new QWidget(this), 0, 352, 468, 40);
    CB3D = TeePlace(new QCheckBox("&3D", P1), 12, 10, 60, 17);
    CB3D->setChecked(true);
    CBSmooth = TeePlace(new QCheckBox("&Smooth", P1), 80, 10, 90, 17);
    BOk = TeePlace(new QPushButton("OK", P1), 300, 6, 75, 25);
    BCancel = TeePlace(new QPushButton("Cancel", P1), 384, 6, 75, 25);

    // FormCreate
    TabTypes->addTab(QString::fromStdString(TeeMsg_Series));
    TabTypes->addTab(QString::fromStdString(TeeMsg_GalleryFunctions));

    BindOkCancel(BOk, BCancel);
    Bind(TabTypes, &QTabBar::currentChanged, [this] { TabTypesChange(); });
    Bind(TabPages, &QTabBar::currentChanged, [this] { TabPagesChange(); });
    Bind(CB3D, &QCheckBox::toggled, [this] { CB3DClick(); });
    Bind(CBSmooth, &QCheckBox::toggled, [this] { CBSmoothClick(); });
    ChartGalleryPanel1->OnSelectedChart = [this](QObject*) { SetModalResult(mrOk); };
}

TTeeGallery::~TTeeGallery() = default;

bool TTeeGallery::FunctionsTabActive() const
{
    return TabTypes->currentIndex() >= 0 &&
           TabTypes->tabText(TabTypes->currentIndex()).toStdString() == TeeMsg_GalleryFunctions;
}

void TTeeGallery::FormShow()
{
    {
        TFilling filling(this);
        CBSmooth->setChecked(ChartGalleryPanel1->GetSmooth());
        TabTypes->setCurrentIndex(0);
    }
    TabTypesChange();
    TeeTranslateControl(this);
}

void TTeeGallery::TabTypesChange()
{
    const bool functions = FunctionsTabActive();
    {
        TFilling filling(this);
        while (TabPages->count() > 0) TabPages->removeTab(0);
        QStringList pages;
        for (const TTeeSeriesType& t : TeeSeriesTypes()) {
            if (t.NumGallerySeries <= 0 || !t.GalleryPage || (t.FunctionClass != nullptr) != functions) continue;
            const QString page = QString::fromStdString(*t.GalleryPage);
            if (!pages.contains(page)) pages << page;
        }
        const int standard = int(pages.indexOf(QString::fromStdString(TeeMsg_GalleryStandard)));
        if (standard > 0) pages.swapItemsAt(0, standard);
        for (const QString& page : pages) TabPages->addTab(page);
        TabPages->setCurrentIndex(pages.isEmpty() ? -1 : 0);
    }
    TabPagesChange();
}

void TTeeGallery::TabPagesChange()
{
    ChartGalleryPanel1->FunctionsGallery = FunctionsTabActive();
    ChartGalleryPanel1->SetView3D(CB3D->isChecked());
    if (TabPages->currentIndex() < 0) {
        ChartGalleryPanel1->SelectedChart = nullptr;
        ChartGalleryPanel1->Charts.Clear();
    } else {
        ChartGalleryPanel1->CreateGalleryPage(TabPages->tabText(TabPages->currentIndex()).toStdString());
    }
}

void TTeeGallery::CB3DClick()
{
    ChartGalleryPanel1->SetView3D(CB3D->isChecked());
}

void TTeeGallery::CBSmoothClick()
{
    ChartGalleryPanel1->SetSmooth(CBSmooth->isChecked());
    SaveSmooth(CBSmooth->isChecked());
}

void TTeeGallery::HideFunctions()
{
    for (int i = TabTypes->count() - 1; i >= 0; --i)
        if (TabTypes->tabText(i).toStdString() == TeeMsg_GalleryFunctions) {
            TFilling filling(this);
            TabTypes->removeTab(i);
        }
    ChartGalleryPanel1->FunctionsGallery = false;
}

void TTeeGallery::HideButtons()
{
    P1->hide();
}
