#include "chart/engine/TeeSeriesEdit.h"

#include <memory>
#include <vector>

#include "chart/engine/TChartPen.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProcs.h"
#include "platform/Exception.h"
#include "platform/TCanvas.h"

namespace {

// A new object of Class owned by Owner, which must be a T (Kind names T in the message).
template <typename T>
T* NewInstance(const QMetaObject* Class, QObject* Owner, const char* Kind)
{
    if (!Class) throw Exception("No class given");
    QObject* o = Class->newInstance(Q_ARG(QObject*, Owner));
    if (!o) throw Exception("Class " + AnsiString(Class->className()) + " cannot be created");
    auto* t = qobject_cast<T*>(o);
    if (!t) {
        delete o;
        throw Exception("Class " + AnsiString(Class->className()) + " is not " + Kind);
    }
    return t;
}

TCustomAxisPanel* ChartOf(const TChartSeries* Series)
{
    return dynamic_cast<TCustomAxisPanel*>(Series->ParentChart());
}

}  // namespace

AnsiString GetGallerySeriesName(const TChartSeries* Series)
{
    const QMetaObject* cls = Series->metaObject();
    if (const TTeeSeriesType* t = TeeSeriesTypes().Find(cls); t && t->Description) return *t->Description;
    return cls->className();
}

AnsiString GetNewSeriesName(const QObject* Owner)
{
    return TeeGetUniqueName(Owner, "Series");
}

TTeeFunction* CreateNewTeeFunction(TChartSeries* Series, TTeeFunctionClass FunctionClass)
{
    QObject* owner = Series->parent();
    auto* f = NewInstance<TTeeFunction>(FunctionClass, owner, "a function");
    f->setObjectName(QString::fromStdString(TeeGetUniqueName(owner, "TeeFunction")));
    f->SetParentSeries(Series);
    return f;
}

TChartSeries* CreateNewSeries(QObject* Owner, TCustomAxisPanel* Chart, TChartSeriesClass SeriesClass,
                              TTeeFunctionClass FunctionClass)
{
    QObject* owner = Owner ? Owner : Chart;
    if (Chart)
        for (TChartSeries* s : *Chart->SeriesList())
            if (s->parent() == Chart) {
                owner = Chart;
                break;
            }
    auto* series = NewInstance<TChartSeries>(SeriesClass, owner, "a series");
    series->setObjectName(QString::fromStdString(GetNewSeriesName(owner)));
    if (Chart) series->SetParentChart(Chart);
    if (FunctionClass) CreateNewTeeFunction(series, FunctionClass);
    return series;
}

TChartSeries* CloneChartSeries(TChartSeries* Series)
{
    return CloneChartSeries(Series, Series->parent(), ChartOf(Series));
}

TChartSeries* CloneChartSeries(TChartSeries* Series, TCustomAxisPanel* Chart)
{
    return CloneChartSeries(Series, Series->parent(), Chart);
}

TChartSeries* CloneChartSeries(TChartSeries* Series, QObject* Owner, TCustomAxisPanel* Chart)
{
    const TTeeFunction* f = Series->FunctionType();
    TChartSeries* clone = CreateNewSeries(Owner, Chart, Series->metaObject(), f ? f->metaObject() : nullptr);
    clone->Assign(*Series);
    return clone;
}

void ChangeSeriesType(TChartSeries*& Series, TChartSeriesClass NewClass)
{
    if (!Series || Series->metaObject() == NewClass) return;
    TChartSeries* created = CreateNewSeries(Series->parent(), ChartOf(Series), NewClass);
    AssignSeries(Series, created);
    Series = created;
}

void ChangeAllSeriesType(TCustomAxisPanel* Chart, TChartSeriesClass NewClass)
{
    // The replacement takes the old series' place, so the indexes stay valid.
    for (int i = 0; i < Chart->SeriesCount(); ++i) {
        TChartSeries* s = Chart->GetSeries(i);
        ChangeSeriesType(s, NewClass);
    }
}

void AssignSeries(TChartSeries*& OldSeries, TChartSeries*& NewSeries)
{
    if (!OldSeries || !NewSeries || OldSeries == NewSeries) return;
    NewSeries->Assign(*OldSeries);
    NewSeries->AfterDrawValues = OldSeries->AfterDrawValues;
    NewSeries->BeforeDrawValues = OldSeries->BeforeDrawValues;
    NewSeries->OnAfterAdd = OldSeries->OnAfterAdd;
    NewSeries->OnBeforeAdd = OldSeries->OnBeforeAdd;
    NewSeries->OnClearValues = OldSeries->OnClearValues;
    NewSeries->OnClick = OldSeries->OnClick;
    NewSeries->OnDblClick = OldSeries->OnDblClick;
    NewSeries->OnGetMarkText = OldSeries->OnGetMarkText;

    // Series that read from the old one read from the new one instead.
    while (OldSeries->LinkedSeries().Count() > 0) {
        TChartSeries* user = OldSeries->LinkedSeries()[0];
        if (user->DataSources().IndexOf(NewSeries) < 0) user->InternalAddDataSource(NewSeries);
        if (user->DataSources().IndexOf(OldSeries) >= 0) user->DataSources().InheritedRemove(OldSeries);
        OldSeries->RemoveLinkedSeries(user);
    }

    TCustomAxisPanel* chart = ChartOf(OldSeries);
    if (chart) {
        TChartTools* tools = chart->Tools();
        for (int i = 0; i < tools->Count(); ++i)
            if (auto* t = dynamic_cast<TTeeCustomToolSeries*>((*tools)[i]); t && t->Series() == OldSeries)
                t->SetSeries(NewSeries);
        if (ChartOf(NewSeries) == chart) chart->ExchangeSeries(OldSeries, NewSeries);
    }

    const QString name = OldSeries->objectName();
    delete OldSeries;
    OldSeries = nullptr;
    NewSeries->setObjectName(name);
    if (IChartHost* host = NewSeries->ParentChart()) host->BroadcastSeriesEvent(NewSeries, seChangeTitle);
    NewSeries->CheckDataSource();
}

void PaintSeriesLegend(TChartSeries* Series, TCanvas* Canvas, const TRect& Rect, TCustomAxisPanel* ReferenceChart)
{
    if (!Series || !Canvas) return;
    std::unique_ptr<TChart> temporary;
    const bool attach = Series->ParentChart() == nullptr;
    if (attach) {
        if (!ReferenceChart) {
            temporary = std::make_unique<TChart>();
            ReferenceChart = temporary.get();
        }
        Series->SetParentChart(ReferenceChart);
    }
    TCustomAxisPanel* chart = ChartOf(Series);
    // Whatever the drawing throws, the series leaves the chart it was lent.
    struct Detach {
        TChartSeries* series;
        bool active;
        ~Detach()
        {
            if (active) series->SetParentChart(nullptr);
        }
    } detach{Series, attach};
    if (!chart) return;

    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(chart->GetLegendColor());
    if (TChartPen* pen = chart->GetLegendSymbolPen()) Canvas->SetPen(pen);
    TCanvas3D* chartCanvas = chart->GetCanvas();
    if (chartCanvas->GetSupportsFullRotation()) return;
    TCanvas* old = chartCanvas->GetHandle();
    chartCanvas->SetCanvas(Canvas);
    try {
        Series->DrawLegend(-1, Rect);
    } catch (...) {
        chartCanvas->SetCanvas(old);
        throw;
    }
    chartCanvas->SetCanvas(old);
}

int TTeeDragObject::GetDragCursor(bool Accepted, int, int) const
{
    return Accepted ? crTeeDrag : crNoDrop;
}
