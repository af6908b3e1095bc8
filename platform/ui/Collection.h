// Collections: an ordered list of items that belong to it, each knowing its collection and its
// place; a change to the list or to an item reaches the collection's Update, held back between
// BeginUpdate and the matching EndUpdate.
#pragma once

#include "platform/ui/Classes.h"

#include <functional>
#include <string>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
public:
    // Joins the collection (when given) at its end.
    explicit TCollectionItem(TCollection* Collection);
    // Leaves its collection.
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return collection_; }
    // Moves the item to the end of another collection (nullptr: to none).
    void SetCollection(TCollection* Value);
    // The item's place; -1 outside a collection.
    int Index() const;
    // Moves the item to another place of its collection; values out of range are ignored.
    virtual void SetIndex(int Value);
    // Unique within the collection, never reused by it.
    int ID() const { return id_; }
    // What lists show for the item; the base gives the class name.
    std::string DisplayName() const { return GetDisplayName(); }
    virtual void SetDisplayName(const std::string& Value);

protected:
    virtual std::string GetDisplayName() const;
    // Tells the collection: about this item, or (AllItems) about the whole list.
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

using TCollectionItemClass = std::function<TCollectionItem*(TCollection* Collection)>;

class TCollection : public TPersistent {
public:
    // ItemClass makes the items Add and Insert create; Owner is what the collection belongs to.
    explicit TCollection(TCollectionItemClass ItemClass, TPersistent* Owner = nullptr);
    template <class Item> static TCollectionItemClass ItemClassOf() {
        return [](TCollection* c) -> TCollectionItem* { return new Item(c); };
    }
    // Frees the items.
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    // A collection's items become copies of the source's items (Assign of each).
    void Assign(const TPersistent* Source) override;

    TCollectionItem* Add();
    // A new item at Index (Count: at the end).
    TCollectionItem* Insert(int Index);
    // Frees the item at Index.
    void Delete(int Index);
    void Clear();
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    int Count() const { return static_cast<int>(items_.size()); }
    // EListError "List index out of bounds (n)" for a bad index.
    TCollectionItem* Items(int Index) const;
    void SetItems(int Index, const TCollectionItem* Value) { Items(Index)->Assign(Value); }
    TCollectionItem* FindItemID(int ID) const;
    TPersistent* Owner() const { return owner_; }

protected:
    // A change of Item, or of the list itself (Item nullptr), outside any update bracket.
    virtual void Update(TCollectionItem* /*Item*/) {}
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);

    TCollectionItemClass itemClass_;
    TPersistent* owner_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
    int nextId_ = 0;
};
