#include "chart/engine/TAxisItems.h"

#include "chart/engine/AxisHost.h"
#include "chart/engine/TChartAxis.h"
#include "platform/Exception.h"
#include "platform/StoreChanged.h"

// ---------------------------------------------------------------- TAxisItem

TAxisItem::TAxisItem(TAxisItems* owner, TCustomTeePanel* panel) : TTeeCustomShape(panel), FOwner(owner)
{
    SetTransparent(true);
    DefaultTransparent = true;
}

void TAxisItem::Changed()
{
    if (FOwner) FOwner->Invalidate();
}

void TAxisItem::SetText(const AnsiString& value)
{
    if (StoreChanged(FText, value)) Changed();
}

void TAxisItem::SetValue(double value)
{
    if (StoreChanged(FValue, value)) Changed();
}

// ---------------------------------------------------------------- TAxisItems

TAxisItems::TAxisItems(TChartAxis* axis) : FAxis(axis)
{
    FFormat = new TTeeShape(Panel());
    FFormat->setParent(nullptr);  // owned here, freed with the list
    FFormat->SetTransparent(true);
    FFormat->DefaultTransparent = true;
}

TAxisItems::~TAxisItems()
{
    delete FFormat;
    for (TAxisItem* item : FItems) delete item;
}

TCustomTeePanel* TAxisItems::Panel() const
{
    return FAxis && FAxis->ParentChart() ? FAxis->ParentChart()->GetPanel() : nullptr;
}

TAxisItem* TAxisItems::Get(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FItems[static_cast<std::size_t>(index)];
}

TAxisItem* TAxisItems::Add(double value)
{
    auto* item = new TAxisItem(this, Panel());
    item->setParent(nullptr);  // owned by the list
    item->SetValue(value);
    FItems.push_back(item);
    return item;
}

TAxisItem* TAxisItems::Add(double value, const AnsiString& text)
{
    TAxisItem* item = Add(value);
    item->InitText(text);
    return item;
}

void TAxisItems::CopyFrom(const TAxisItems& source)
{
    if (&source == this) return;
    FFormat->Assign(source.FFormat);
    Clear();
    for (const TAxisItem* item : source.FItems) Add(item->GetValue(), item->GetText());
}

void TAxisItems::Clear()
{
    for (TAxisItem* item : FItems) delete item;
    FItems.clear();
    Invalidate();
}

void TAxisItems::Invalidate()
{
    if (FAxis && FAxis->ParentChart()) FAxis->ParentChart()->Invalidate();
}
