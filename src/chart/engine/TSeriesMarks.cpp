#include "chart/engine/TSeriesMarks.h"

#include <algorithm>

#include "chart/engine/TChartSeries.h"

void TSeriesMarkPosition::Assign(const TSeriesMarkPosition& source)
{
    ArrowFrom = source.ArrowFrom;
    ArrowTo = source.ArrowTo;
    LeftTop = source.LeftTop;
    Height = source.Height;
    Width = source.Width;
}

void TSeriesMarksPositions::Put(int index, const TSeriesMarkPosition& position)
{
    if (index < 0 || (FSeries && index >= FSeries->Count())) return;
    if (index >= Count()) FItems.resize(static_cast<std::size_t>(index) + 1);
    auto& entry = FItems[static_cast<std::size_t>(index)];
    if (!entry) entry = std::make_unique<TSeriesMarkPosition>();
    entry->Custom = true;
    entry->Assign(position);
}

TSeriesMarkPosition* TSeriesMarksPositions::Get(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<std::size_t>(index)].get();
}

void TSeriesMarksPositions::Automatic(int index)
{
    if (TSeriesMarkPosition* p = Get(index)) p->Custom = false;
}

bool TSeriesMarksPositions::ExistCustom() const
{
    return std::any_of(FItems.begin(), FItems.end(), [](const auto& p) { return p && p->Custom; });
}

void TSeriesMarksPositions::Append(const TSeriesMarkPosition* position)
{
    FItems.push_back(position ? std::make_unique<TSeriesMarkPosition>(*position) : nullptr);
}

void TSeriesMarksPositions::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
}

void TSeriesMarksPositions::DeleteRange(int start, int quantity)
{
    if (start < 0 || quantity <= 0 || start >= Count()) return;
    FItems.erase(FItems.begin() + start, FItems.begin() + std::min(Count(), start + quantity));
}

TMarksItem* TMarksItems::Get(int index)
{
    if (index < 0) return nullptr;
    if (index >= Count()) FItems.resize(static_cast<std::size_t>(index) + 1, nullptr);
    TMarksItem*& item = FItems[static_cast<std::size_t>(index)];
    if (!item) item = new TMarksItem(FOwner ? FOwner->ParentChart() : nullptr, FOwner);
    return item;
}

TMarksItem* TMarksItems::Find(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<std::size_t>(index)];
}

void TMarksItems::Clear()
{
    auto items = std::move(FItems);
    FItems.clear();
    for (TMarksItem* item : items) delete item;
}

void TMarksItems::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    delete FItems[static_cast<std::size_t>(index)];
    FItems.erase(FItems.begin() + index);
}

void TMarksItems::DeleteRange(int start, int quantity)
{
    if (start < 0 || quantity <= 0 || start >= Count()) return;
    const int end = std::min(Count(), start + quantity);
    for (int i = start; i < end; ++i) delete FItems[static_cast<std::size_t>(i)];
    FItems.erase(FItems.begin() + start, FItems.begin() + end);
}

TSeriesMarks::TSeriesMarks(TChartSeries* series)
    : TTeeCustomShape(nullptr), FParentSeries(series), FPositions(series), FItems(this)
{
    setParent(series);
    SetColor(clInfoBk);
    FVisible = false;
    InitShadow(GetShadow());
}

TSeriesMarks::~TSeriesMarks() = default;

void TSeriesMarks::RepaintSeries()
{
    if (FParentSeries) FParentSeries->Repaint();
}

void TSeriesMarks::SetDrawEvery(int value)
{
    if (value >= 1) SetProperty(FMarksSettings.DrawEvery, value);
}

void TSeriesMarks::Clear()
{
    FPositions.Clear();
    if (!FItems.Loading) FItems.Clear();
}

void TSeriesMarks::ResetPositions()
{
    for (int i = 0; i < FPositions.Count(); ++i) FPositions.Automatic(i);
    RepaintSeries();
}

void TSeriesMarks::UsePosition(int index, TSeriesMarkPosition& position)
{
    if (index < 0) return;
    TSeriesMarkPosition* stored = FPositions.Get(index);
    if (stored && stored->Custom) {
        const TPoint from = position.ArrowFrom;
        position.Assign(*stored);
        if (position.ArrowFix) position.ArrowFrom = from;
        return;
    }
    if (!stored) {
        FPositions.Put(index, position);
        stored = FPositions.Get(index);
    } else {
        stored->Assign(position);
    }
    stored->Custom = false;
}

void TSeriesMarks::Assign(const TSeriesMarks& source)
{
    if (&source == this) return;
    auto& from = const_cast<TSeriesMarks&>(source);
    FMarksSettings = source.FMarksSettings;
    SetCallout(source.FCallout);
    SetSymbol(source.FSymbol);
    FItems.Clear();
    for (int i = 0; i < from.FItems.Count(); ++i)
        if (TMarksItem* item = source.FItems.Find(i)) FItems.Get(i)->Assign(item);
    TTeeCustomShape::Assign(&from);
    FVisible = source.FVisible;
    RepaintSeries();
}
