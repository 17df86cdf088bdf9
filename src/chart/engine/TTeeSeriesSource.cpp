#include "chart/engine/TTeeSeriesSource.h"

#include <algorithm>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TeeConst.h"
#include "platform/Dialogs.h"
#include "platform/FreeNotification.h"

// ---------------------------------------------------------------- TTeeSeriesSource

TTeeSeriesSource::TTeeSeriesSource(QObject* owner) : QObject(owner) {}

TTeeSeriesSource::~TTeeSeriesSource()
{
    // Being destroyed, the source closes without clearing its series' data.
    FDestroying = true;
    Close();
    if (FSeries) TeeRemoveFreeNotification(FSeries, this);
}

void TTeeSeriesSource::WatchSeries()
{
    TeeFreeNotification(FSeries, this, [this](QObject* gone) {
        if (gone == FSeries) {
            // The series is going: forget it without touching it.
            FSeries = nullptr;
            FActive = false;
        }
    });
}

void TTeeSeriesSource::BindSeries(TChartSeries* value)
{
    if (FSeries == value) return;
    if (FSeries) TeeRemoveFreeNotification(FSeries, this);
    FSeries = value;
    if (FSeries) WatchSeries();
}

void TTeeSeriesSource::SetSeries(TChartSeries* value)
{
    if (value == FSeries) return;
    Close();
    TChartSeries* old = FSeries;
    if (old) TeeRemoveFreeNotification(old, this);
    FSeries = value;
    if (FSeries) {
        WatchSeries();
        FSeries->SetDataSource(this);
    } else if (old) {
        old->SetDataSource(nullptr);
    }
}

void TTeeSeriesSource::SetActive(bool value)
{
    if (value == FActive) return;
    if (FSeries) {
        if (value) {
            if (!Loading) {
                FActive = true;
                Load();
                return;
            }
        } else if (!FDestroying && !FSeries->IsDestroying()) {
            FSeries->Clear();
        }
    }
    FActive = value;
}

void TTeeSeriesSource::Close()
{
    if (!Loading && !FDestroying) SetActive(false);
    if (FDestroying) FActive = false;
}

void TTeeSeriesSource::Refresh()
{
    if (FActive && !Loading) Load();
}

void TTeeSeriesSource::Loaded()
{
    Loading = false;
    Refresh();
}

bool TTeeSeriesSource::HasSeries(const TChartSeries* series) const
{
    if (!series) return false;
    const QObject* source = series->DataSource();
    return source && qstrcmp(source->metaObject()->className(), metaObject()->className()) == 0;
}

// ---------------------------------------------------------------- TDataSourcesList

int TDataSourcesList::IndexOf(const QObject* component) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), component);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TDataSourcesList::Add(QObject* component)
{
    FOwner->InternalSetDataSource(component, false);
    return IndexOf(component);
}

int TDataSourcesList::InheritedAdd(QObject* component)
{
    FItems.push_back(component);
    return Count() - 1;
}

void TDataSourcesList::InheritedRemove(const QObject* component)
{
    const int i = IndexOf(component);
    if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TDataSourcesList::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    QObject* item = FItems[static_cast<std::size_t>(index)];
    FItems.erase(FItems.begin() + index);
    FOwner->InternalRemoveDataSource(item);
}

int TDataSourcesList::Remove(QObject* component)
{
    const int i = IndexOf(component);
    Delete(i);
    return i;
}

void TDataSourcesList::Clear()
{
    FOwner->RemoveAllLinkedSeries();
    FItems.clear();
    if (!FOwner->ManualData) FOwner->Clear();
}

// ---------------------------------------------------------------- unit functions

std::vector<TTeeSourceClass>& TeeSources()
{
    static std::vector<TTeeSourceClass> sources;
    return sources;
}

AnsiString SeriesTitleOrName(const TChartSeries* series)
{
    if (!series) return AnsiString();
    AnsiString result = series->GetTitle();
    if (result.empty()) result = series->objectName().toStdString();
    if (result.empty() && series->ParentChart())
        if (TChartSeriesList* list = series->ParentChart()->SeriesList())
            result = TeeMsg_Series + IntToStr(list->IndexOf(series) + 1);
    return result;
}

void FillSeriesItems(std::vector<std::pair<AnsiString, TChartSeries*>>& items, const TCustomSeriesList& list,
                     bool useTitles)
{
    items.clear();
    for (TChartSeries* s : list)
        if (!s->InternalUse) items.emplace_back(useTitles ? SeriesTitleOrName(s) : s->objectName().toStdString(), s);
}

void ShowMessageUser(const AnsiString& text)
{
    platform::dialogs().MessageBox(text, AnsiString(), MB_OK | MB_ICONERROR);
}

// The answers below look at every point: a series whose first label, colour or own X
// value comes late must still be stored with it.
bool HasNoMandatoryValues(const TChartSeries* series)
{
    if (!series || !series->StoreXValues || series->Count() == 0) return false;
    const TChartValueList* list = series->NotMandatoryValueList();
    const int n = series->Count();
    if (list->First() != 0 || list->Last() != n - 1) return true;
    const double* v = list->Data();
    for (int i = 0; i < n; ++i)
        if (v[i] != i) return true;
    return false;
}

bool HasColors(const TChartSeries* series)
{
    if (!series || !series->HasColorsList()) return false;
    const TColor seriesColor = series->GetSeriesColor();
    const int n = std::min(series->Count(), series->ColorsCount());
    for (int i = 0; i < n; ++i) {
        const TColor c = series->InternalColor(i);
        if (c != clDefault && c != seriesColor) return true;
    }
    return false;
}

bool HasLabels(const TChartSeries* series)
{
    if (!series) return false;
    const TLabelsList& labels = series->Labels();
    const int n = std::min(series->Count(), labels.Count());
    for (int i = 0; i < n; ++i)
        if (!labels.IsNull(i)) return true;
    return false;
}

TeeFormatFlags SeriesGuessContents(const TChartSeries* series)
{
    TeeFormatFlags flags = 0;
    if (HasNoMandatoryValues(series)) flags |= tfNoMandatory;
    if (HasColors(series)) flags |= tfColor;
    if (HasLabels(series)) flags |= tfLabel;
    if (series && series->Marks() && series->Marks()->Positions().ExistCustom()) flags |= tfMarkPosition;
    return flags;
}
