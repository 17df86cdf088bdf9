#pragma once
// Components that feed series with data, the list of a series' data sources, and the
// questions editors and exporters ask a series about what it holds.
#include <QObject>
#include <utility>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "platform/AnsiString.h"

class IChartHost;
class TChartSeries;
class TCustomSeriesList;

class TTeeSeriesSource : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ GetActive WRITE SetActive)

public:
    explicit TTeeSeriesSource(QObject* owner = nullptr);
    ~TTeeSeriesSource() override;

    bool GetActive() const { return FActive; }
    virtual void SetActive(bool value);
    TChartSeries* Series() const { return FSeries; }
    void SetSeries(TChartSeries* value);

    virtual bool Available(IChartHost*) const { return true; }
    virtual AnsiString Description() const { return AnsiString(); }
    virtual AnsiString Editor() const { return AnsiString(); }
    virtual bool HasNew() const { return false; }
    // Whether the series' data source is a source of this class.
    virtual bool HasSeries(const TChartSeries* series) const;
    virtual void Close();
    // Fills the series; nothing in the base.
    virtual void Load() {}
    virtual void Open() { SetActive(true); }
    void Refresh();
    virtual void Loaded();

    bool Loading = false;
    bool IsDestroying() const { return FDestroying; }

    // For the series' InternalAddDataSource: bind to a series without the round trip
    // through the series' SetDataSource.
    void BindSeries(TChartSeries* value);

private:
    void WatchSeries();

    bool FActive = false;
    TChartSeries* FSeries = nullptr;
    bool FDestroying = false;
};

// The components (series or sources) that feed one series.
class TDataSourcesList {
public:
    explicit TDataSourcesList(TChartSeries* owner) : FOwner(owner) {}
    TDataSourcesList(const TDataSourcesList&) = delete;
    TDataSourcesList& operator=(const TDataSourcesList&) = delete;

    TChartSeries* Owner() const { return FOwner; }
    int Count() const { return static_cast<int>(FItems.size()); }
    QObject* operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    QObject* Items(int index) const { return (*this)[index]; }
    int IndexOf(const QObject* component) const;
    // Through the owner, which checks the component and keeps the other sources.
    int Add(QObject* component);
    int InheritedAdd(QObject* component);
    void InheritedClear() { FItems.clear(); }
    // Drops the entry without telling the owner (a component that is being freed).
    void InheritedRemove(const QObject* component);
    void Delete(int index);
    int Remove(QObject* component);
    // Unlinks, empties, and clears the owner unless it holds data of its own.
    void Clear();

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    TChartSeries* FOwner;
    std::vector<QObject*> FItems;
};

// Registered source classes: a name and a factory each.
struct TTeeSourceClass {
    AnsiString ClassName;
    TTeeSeriesSource* (*Create)(QObject* owner) = nullptr;
};
std::vector<TTeeSourceClass>& TeeSources();

AnsiString SeriesTitleOrName(const TChartSeries* series);
// One line per series that is not for internal use: its title (or name) and the series.
void FillSeriesItems(std::vector<std::pair<AnsiString, TChartSeries*>>& items, const TCustomSeriesList& list,
                     bool useTitles = true);
void ShowMessageUser(const AnsiString& text);
bool HasNoMandatoryValues(const TChartSeries* series);
bool HasColors(const TChartSeries* series);
bool HasLabels(const TChartSeries* series);
TeeFormatFlags SeriesGuessContents(const TChartSeries* series);
