// Data sources, linked series and the function of a series.
#include <algorithm>
#include <unordered_set>

#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeConst.h"
#include "platform/FreeNotification.h"
#include "platform/StoreChanged.h"

void CheckOtherSeries(TChartSeries* dest, TChartSeries* source)
{
    if (!dest || !source) return;
    std::unordered_set<const TChartSeries*> visited;
    std::vector<TChartSeries*> pending{source};
    while (!pending.empty()) {
        TChartSeries* s = pending.back();
        pending.pop_back();
        if (!visited.insert(s).second) continue;
        for (QObject* c : s->DataSources()) {
            auto* feeding = qobject_cast<TChartSeries*>(c);
            if (!feeding) continue;
            if (feeding == dest) throw ChartException(TeeMsg_CircularSeries);
            pending.push_back(feeding);
        }
    }
}

QObject* TChartSeries::DataSource() const
{
    return FDataSources && FDataSources->Count() > 0 ? (*FDataSources)[0] : nullptr;
}

void TChartSeries::SetDataSource(QObject* value)
{
    if (value)
        InternalSetDataSource(value, true);
    else
        InternalRemoveDataSource(nullptr);
}

void TChartSeries::InternalSetDataSource(QObject* value, bool clearOthers)
{
    if (!value) return;
    if (!FParentChart) throw ChartException(TeeMsg_SeriesSetDataSource);
    if (!FParentChart->IsValidDataSource(this, value))
        throw ChartException(FormatChartText(TeeMsg_SeriesInvDataSource, {value->objectName().toStdString()}));
    if (FDataSources->IndexOf(value) >= 0) return;
    if (auto* series = qobject_cast<TChartSeries*>(value)) CheckOtherSeries(this, series);
    if (clearOthers && !FLoading) {
        RemoveAllLinkedSeries();
        FDataSources->InheritedClear();
    }
    InternalAddDataSource(value);
    CheckDataSource();
}

int TChartSeries::InternalAddDataSource(QObject* value)
{
    if (!value) return -1;
    const int index = FDataSources->InheritedAdd(value);
    ManualData = false;
    if (auto* series = qobject_cast<TChartSeries*>(value)) {
        series->AddLinkedSeries(this);
        WatchComponent(series);
    } else {
        WatchComponent(value);
        if (auto* source = qobject_cast<TTeeSeriesSource*>(value)) {
            TChartSeries* old = source->Series();
            if (old && old != this) {
                const bool wasActive = source->GetActive();
                if (wasActive) source->Close();
                if (source->parent() == old) source->setParent(this);
                old->FDataSources->Remove(source);
                source->BindSeries(this);
                if (wasActive) source->Open();
            } else if (!old) {
                source->BindSeries(this);
            }
        }
    }
    return index;
}

void TChartSeries::InternalRemoveDataSource(QObject* value)
{
    if (FDestroying) return;
    if (FParentChart && DataSource()) FParentChart->RemovedDataSource(this, value);
    // No component named means "no data source": every source is let go, not only when
    // the list is empty already.
    if (!value || value == DataSource()) {
        RemoveAllLinkedSeries();
        FDataSources->InheritedClear();
    }
    CheckDataSource();
}

void TChartSeries::RemoveDataSource(QObject* value)
{
    if (!FDataSources) return;
    const int i = FDataSources->IndexOf(value);
    if (i < 0) return;
    if (auto* series = qobject_cast<TChartSeries*>(value)) series->RemoveLinkedSeries(this);
    FDataSources->Delete(i);
}

void TChartSeries::AddLinkedSeries(TChartSeries* series)
{
    if (!series || FLinkedSeries.Contains(series)) return;
    FLinkedSeries.Add(series);
    WatchComponent(series);  // a linked series that goes first leaves no stale entry
}

void TChartSeries::RemoveLinkedSeries(TChartSeries* series)
{
    FLinkedSeries.Remove(series);
}

void TChartSeries::RemoveAllLinkedSeries()
{
    if (!FDataSources) return;
    for (QObject* c : *FDataSources)
        if (auto* series = qobject_cast<TChartSeries*>(c)) series->RemoveLinkedSeries(this);
}

void TChartSeries::CheckDataSource()
{
    if (FUpdateCount == 0 && FParentChart && !FDestroying) FParentChart->CheckDatasource(this);
}

bool TChartSeries::IsValidSeriesSource(TChartSeries* series) const
{
    return FFunction ? FFunction->IsValidSource(series) : true;
}

void TChartSeries::SetColorSource(const AnsiString& value)
{
    if (StoreChanged(FFormat.ColorSource, value)) CheckDataSource();
}

void TChartSeries::SetLabelsSource(const AnsiString& value)
{
    if (StoreChanged(FFormat.LabelsSource, value)) CheckDataSource();
}

bool TChartSeries::CanAddRandomPoints() const
{
    return TeeRandomAtRunTime || DesignState;
}

void TChartSeries::SetFunction(TTeeFunction* value)
{
    if (value == FFunction) return;
    TTeeFunction* old = FFunction;
    FFunction = nullptr;
    if (old) {
        TeeRemoveFreeNotification(old, this);
        old->AttachTo(nullptr);
        delete old;
    }
    FFunction = value;
    if (FFunction) {
        if (TChartSeries* previous = FFunction->ParentSeries(); previous && previous != this)
            previous->ForgetFunction(FFunction);
        FFunction->AttachTo(this);
        if (FFunction->parent() == nullptr) FFunction->setParent(this);
        ManualData = false;
        WatchComponent(FFunction);
    }
    CheckDataSource();
}

void TChartSeries::ForgetFunction(TTeeFunction* value)
{
    if (!value || value != FFunction) return;
    TeeRemoveFreeNotification(value, this);
    FFunction = nullptr;
}

void TChartSeries::WatchComponent(QObject* component)
{
    TeeFreeNotification(component, this, [this](QObject* gone) { ComponentFreed(gone); });
}

void TChartSeries::ComponentFreed(QObject* component)
{
    if (FDestroying) return;
    for (int i = FLinkedSeries.Count() - 1; i >= 0; --i)
        if (static_cast<QObject*>(FLinkedSeries[i]) == component) FLinkedSeries.Delete(i);
    if (component == FFunction) {
        FFunction = nullptr;
        return;
    }
    // The component is half gone: it is compared, never used.
    if (FDataSources && FDataSources->IndexOf(component) >= 0) {
        if (component == DataSource()) {
            InternalRemoveDataSource(component);
        } else {
            FDataSources->InheritedRemove(component);
            CheckDataSource();
        }
    }
}

void TChartSeries::Loaded()
{
    FLoading = false;
    if (LoadingDataSources) {
        if (!LoadingDataSources->empty()) {
            RemoveAllLinkedSeries();
            FDataSources->InheritedClear();
            QObject* owner = parent();
            for (const AnsiString& name : *LoadingDataSources) {
                QObject* found = nullptr;
                if (owner)
                    for (QObject* child : owner->children())
                        if (child != this && child->objectName().toStdString() == name) {
                            found = child;
                            break;
                        }
                if (found) InternalAddDataSource(found);
            }
        }
        LoadingDataSources.reset();
    }
    CheckDataSource();
    // The mark items read with the series have outlived the clearing of its points (a
    // refill from its sources included); from now on clearing the series clears them.
    Marks()->Items().Loading = false;
}
