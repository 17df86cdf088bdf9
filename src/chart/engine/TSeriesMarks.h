#pragma once
// The marks of a series: common settings, per-point overrides (items) and the remembered
// positions of drawn or user-moved marks. The framed-shape settings and the drawing of
// marks belong to the shape base and the series' drawing.
#include <QObject>
#include <memory>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "chart/engine/ChartExceptions.h"
#include "platform/GraphicsTypes.h"

class IChartHost;
class TChartSeries;

class TSeriesMarkPosition {
public:
    TPoint ArrowFrom;
    bool ArrowFix = false;
    TPoint ArrowTo;
    bool Custom = false;
    int Height = 0;
    TPoint LeftTop;
    int Width = 0;

    // Copies the geometry, not ArrowFix or Custom.
    void Assign(const TSeriesMarkPosition& source);
};

// Positions by point index; entries may be empty.
class TSeriesMarksPositions {
public:
    explicit TSeriesMarksPositions(const TChartSeries* series = nullptr) : FSeries(series) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    // Extends with empty entries up to index, creates the entry, sets Custom, copies.
    // With a series, indexes beyond its points are ignored.
    void Put(int index, const TSeriesMarkPosition& position);
    // The entry, or none beyond the list or for an empty entry.
    TSeriesMarkPosition* Get(int index) const;
    TSeriesMarkPosition* operator[](int index) const { return Get(index); }
    void Automatic(int index);
    void Clear() { FItems.clear(); }
    bool ExistCustom() const;
    // Stores a copy (Custom included) at the end; empty entry for none.
    void Append(const TSeriesMarkPosition* position);
    void Delete(int index);
    void DeleteRange(int start, int quantity);

private:
    const TChartSeries* FSeries;
    std::vector<std::unique_ptr<TSeriesMarkPosition>> FItems;
};

// Per-point settings of one mark.
class TMarksItem : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)

public:
    explicit TMarksItem(QObject* parent = nullptr) : QObject(parent) {}
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }

private:
    bool FVisible = true;
    TColor FColor = clInfoBk;
};

class TMarksItems {
public:
    explicit TMarksItems(QObject* owner) : FOwner(owner) {}
    TMarksItems(const TMarksItems&) = delete;
    TMarksItems& operator=(const TMarksItems&) = delete;
    ~TMarksItems() { Clear(); }

    int Count() const { return static_cast<int>(FItems.size()); }
    // Extends with empty entries up to index and fills an empty entry with a new item.
    // A negative index has no item.
    TMarksItem* Get(int index);
    TMarksItem* operator[](int index) { return Get(index); }
    // The entry without creating it (none when empty or beyond the list).
    TMarksItem* Find(int index) const;
    void Clear();
    void Delete(int index);
    void DeleteRange(int start, int quantity);
    bool Loading = false;

private:
    QObject* FOwner;
    std::vector<TMarksItem*> FItems;
};

class TSeriesMarks : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(bool Clip READ GetClip WRITE SetClip)
    Q_PROPERTY(int DrawEvery READ GetDrawEvery WRITE SetDrawEvery)
    Q_PROPERTY(bool MultiLine READ GetMultiLine WRITE SetMultiLine)
    Q_PROPERTY(ChartDataEnums::TSeriesMarksStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)

public:
    explicit TSeriesMarks(TChartSeries* series);
    ~TSeriesMarks() override;

    TChartSeries* ParentSeries() const { return FParentSeries; }
    TSeriesMarksPositions& Positions() { return FPositions; }
    const TSeriesMarksPositions& Positions() const { return FPositions; }
    TMarksItems& Items() { return FItems; }

    int GetAngle() const { return FAngle; }
    void SetAngle(int value);
    bool GetClip() const { return FClip; }
    void SetClip(bool value);
    int GetDrawEvery() const { return FDrawEvery; }
    // Values below 1 are refused (every point's index is taken modulo it).
    void SetDrawEvery(int value);
    bool GetMultiLine() const { return FMultiLine; }
    void SetMultiLine(bool value);
    TSeriesMarksStyle GetStyle() const { return FStyle; }
    void SetStyle(TSeriesMarksStyle value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    int ZPosition = 0;

    // Forgets the positions, and the items unless they were just read from a chart file.
    void Clear();
    // Every position becomes automatic again.
    void ResetPositions();
    // Takes the stored user position for index when there is one; otherwise remembers the
    // given one as the automatic position of index.
    void UsePosition(int index, TSeriesMarkPosition& position);
    // Copies the settings and the items of another marks object.
    void Assign(const TSeriesMarks& source);

private:
    void RepaintSeries();

    TChartSeries* FParentSeries;
    int FAngle = 0;
    bool FClip = false;
    int FDrawEvery = 1;
    bool FMultiLine = false;
    TSeriesMarksStyle FStyle = smsLabel;
    bool FVisible = false;
    TSeriesMarksPositions FPositions;
    TMarksItems FItems;
};
