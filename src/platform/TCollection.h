#pragma once
// A list of persistent items owned by a collection: an item enters the collection when it
// is made and leaves it when it is freed. Chart files store a collection property as its
// items, each with its own stored properties.
#include <vector>

#include "platform/TPersistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
    Q_OBJECT
public:
    // Appends the item to collection (none: a free item).
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    // The item's position in its collection, -1 without one.
    int Index() const;

private:
    friend class TCollection;
    TCollection* FCollection;
};

class TCollection : public TPersistent {
    Q_OBJECT
public:
    explicit TCollection(QObject* parent = nullptr) : TPersistent(parent) {}
    ~TCollection() override;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Index must lie in 0..Count - 1.
    TCollectionItem* Item(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    // A new item of the collection's item class, appended.
    virtual TCollectionItem* Add() = 0;
    void Delete(int index) { delete Item(index); }
    // Frees every item, the last first.
    void Clear();
    // Assigns another collection's items into new items of this one.
    void Assign(TPersistent* Source) override;

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

protected:
    // An item entered or left the collection.
    virtual void Changed() {}

private:
    friend class TCollectionItem;
    std::vector<TCollectionItem*> FItems;
};
