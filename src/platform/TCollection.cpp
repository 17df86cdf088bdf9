#include "platform/TCollection.h"

#include <algorithm>

TCollectionItem::TCollectionItem(TCollection* collection) : TPersistent(collection), FCollection(collection)
{
    if (FCollection) {
        FCollection->FItems.push_back(this);
        FCollection->Changed();
    }
}

TCollectionItem::~TCollectionItem()
{
    if (!FCollection) return;
    auto& items = FCollection->FItems;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
    FCollection->Changed();
}

int TCollectionItem::Index() const
{
    if (!FCollection) return -1;
    const auto& items = FCollection->FItems;
    const auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

TCollection::~TCollection()
{
    Clear();
}

void TCollection::Clear()
{
    while (!FItems.empty()) delete FItems.back();
}

void TCollection::Assign(TPersistent* Source)
{
    auto* other = qobject_cast<TCollection*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    if (other == this) return;
    Clear();
    for (TCollectionItem* item : other->FItems) Add()->Assign(item);
}
