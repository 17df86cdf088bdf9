#include "chart/editors/TeeGally.h"

#include <QCheckBox>

#include "chart/editors/TChartGalleryPanel.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TTeeGallery.h"
#include "chart/editors/TTeeGalleryForm.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeSeriesEdit.h"

namespace {

// Shows a gallery form, its 3D box checked as View3D, and takes the chosen type from it.
template <class Gallery>
bool ChooseIn(Gallery& Form, TChartSeriesClass& SeriesClass, bool& View3D, TTeeFunctionClass& FunctionClass,
              int& SubIndex)
{
    Form.CB3D->setChecked(View3D);
    TChartGalleryPanel* panel = Form.ChartGalleryPanel1;
    if (Form.ShowModal() != mrOk || !panel->GetSeriesClass(SeriesClass, FunctionClass, SubIndex)) return false;
    View3D = Form.CB3D->isChecked() && panel->SelectedChart && panel->SelectedChart->GetView3D();
    return true;
}

}  // namespace

bool GetChartGalleryClass(QObject* AOwner, TChartSeries* Series, bool ShowFunctions, TChartSeriesClass& SeriesClass,
                          bool& View3D, TTeeFunctionClass& FunctionClass, bool CheckSource, int& SubIndex)
{
    if (DefaultMode() == 0) {
        auto gallery = TeeCreateForm<TTeeGallery>(AOwner);
        gallery->ChartGalleryPanel1->CheckSeries = Series;
        gallery->ChartGalleryPanel1->CheckValidSource = CheckSource;
        if (!ShowFunctions) gallery->HideFunctions();
        return ChooseIn(*gallery, SeriesClass, View3D, FunctionClass, SubIndex);
    }
    auto gallery = TeeCreateForm<TTeeGalleryForm>(AOwner);
    return ChooseIn(*gallery, SeriesClass, View3D, FunctionClass, SubIndex);
}

TChartSeries* CreateNewSeriesGallery(QObject* AOwner, TChartSeries* OldSeries, TCustomAxisPanel* Chart,
                                     bool ShowFunctions, bool CheckSource, int& SubIndex)
{
    if (!Chart) return nullptr;
    TChartSeriesClass seriesClass = nullptr;
    TTeeFunctionClass functionClass = nullptr;
    bool view3D = Chart->GetView3D();
    SubIndex = 0;
    if (!GetChartGalleryClass(AOwner, OldSeries, ShowFunctions, seriesClass, view3D, functionClass, CheckSource,
                              SubIndex))
        return nullptr;
    Chart->SetView3D(view3D);
    if (OldSeries && !ShowFunctions && seriesClass == OldSeries->metaObject() && SubIndex == 0) return nullptr;
    QObject* owner = OldSeries ? OldSeries->parent() : Chart->parent();
    TChartSeries* series = CreateNewSeries(owner, Chart, seriesClass, functionClass);
    if (SubIndex != 0) series->SetSubGallery(series, SubIndex);
    return series;
}

TChartSeries* CreateNewSeriesGallery(QObject* AOwner, TCustomAxisPanel* Chart)
{
    int subIndex = 0;
    return CreateNewSeriesGallery(AOwner, nullptr, Chart, true, false, subIndex);
}

void ChangeSeriesTypeGallery(QObject* AOwner, TChartSeries*& Series)
{
    if (!Series) return;
    auto* chart = dynamic_cast<TCustomAxisPanel*>(Series->ParentChart());
    int subIndex = 0;
    TChartSeries* created = CreateNewSeriesGallery(AOwner, Series, chart, false, true, subIndex);
    if (!created) return;
    AssignSeries(Series, created);
    Series = created;
    if (subIndex != 0) Series->SetSubGallery(Series, subIndex);
}

void ChangeAllSeriesGallery(QObject* AOwner, TCustomChart* Chart)
{
    if (!Chart || Chart->SeriesCount() < 1) return;
    TChartSeriesClass seriesClass = nullptr;
    TTeeFunctionClass functionClass = nullptr;
    bool view3D = Chart->GetView3D();
    int subIndex = 0;
    if (!GetChartGalleryClass(AOwner, Chart->GetSeries(0), false, seriesClass, view3D, functionClass, true, subIndex))
        return;
    Chart->SetView3D(view3D);
    ChangeAllSeriesType(Chart, seriesClass);
}

void TeeInstallGalleryHooks()
{
    TeeAddGalleryProc = [](QObject* Owner, TCustomAxisPanel* Chart, TChartSeries* Series) -> TChartSeries* {
        if (!Chart) return nullptr;
        int subIndex = 0;
        return CreateNewSeriesGallery(Owner, Series, Chart, true, false, subIndex);
    };
    TeeChangeGalleryProc = [](QObject* Owner, TChartSeries*& Series) -> TChartSeriesClass {
        TChartSeries* before = Series;
        ChangeSeriesTypeGallery(Owner, Series);
        return Series && Series != before ? Series->metaObject() : nullptr;
    };
}
