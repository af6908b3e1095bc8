// TCollection and TCollectionItem: membership, order, ids, assignment and the Update notification.
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TNamedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    ~TNamedItem() override { ++freed; }
    void Assign(const TPersistent* Source) override {
        if (auto* s = dynamic_cast<const TNamedItem*>(Source)) {
            Name = s->Name;
            Changed(false);
        } else {
            TCollectionItem::Assign(Source);
        }
    }
    void SetName(const std::string& value) {
        Name = value;
        Changed(false);
    }
    std::string Name;
    static int freed;

protected:
    std::string GetDisplayName() const override { return Name.empty() ? TCollectionItem::GetDisplayName() : Name; }
};
int TNamedItem::freed = 0;

// Records each Update: "*" for the whole list, else the item's name.
class TLoggedCollection : public TCollection {
public:
    explicit TLoggedCollection(TPersistent* owner = nullptr) : TCollection(ItemClassOf<TNamedItem>(), owner) {}
    TNamedItem* Item(int i) const { return static_cast<TNamedItem*>(Items(i)); }
    TNamedItem* AddNamed(const std::string& name) {
        auto* item = static_cast<TNamedItem*>(Add());
        item->Name = name;
        return item;
    }
    std::string Names() const {
        std::string s;
        for (int i = 0; i < Count(); ++i) s += Item(i)->Name;
        return s;
    }
    std::vector<std::string> log;

protected:
    void Update(TCollectionItem* item) override {
        log.push_back(item ? static_cast<TNamedItem*>(item)->Name : "*");
    }
};

TEST(Collection, ItemsKeepTheirPlacesThroughInsertDeleteAndMoves) {
    TLoggedCollection c;
    for (const char* n : {"a", "b", "c"}) c.AddNamed(n);
    auto* x = static_cast<TNamedItem*>(c.Insert(1));
    x->Name = "x";
    EXPECT_EQ(c.Names(), "axbc");
    EXPECT_EQ(x->Index(), 1);
    EXPECT_EQ(x->Collection(), &c);

    struct Move {
        const char* item;
        int to;
        const char* after;
    } moves[] = {
        {"a", 3, "xbca"}, // to the end
        {"c", 0, "cxba"}, // to the front
        {"x", 1, "cxba"}, // where it is already
        {"b", 9, "cxba"}, // out of range: ignored
        {"b", -1, "cxba"},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(std::string(m.item) + " to " + std::to_string(m.to));
        for (int i = 0; i < c.Count(); ++i)
            if (c.Item(i)->Name == m.item) {
                c.Item(i)->SetIndex(m.to);
                break;
            }
        EXPECT_EQ(c.Names(), m.after);
    }

    TNamedItem::freed = 0;
    c.Delete(1);
    EXPECT_EQ(c.Names(), "cba");
    EXPECT_EQ(TNamedItem::freed, 1);
    EXPECT_THROW(c.Delete(3), EListError);
    EXPECT_THROW(c.Items(-1), EListError);

    // An item freed by its holder leaves the collection.
    delete c.Items(0);
    EXPECT_EQ(c.Names(), "ba");
    // An item moved to another collection joins it at the end.
    TLoggedCollection other;
    other.AddNamed("z");
    c.Item(0)->SetCollection(&other);
    EXPECT_EQ(c.Names(), "a");
    EXPECT_EQ(other.Names(), "zb");
    EXPECT_EQ(other.Item(1)->Collection(), &other);
}

TEST(Collection, IdsAreNeverReusedAndFindItemIdFindsThem) {
    TLoggedCollection c;
    TNamedItem* a = c.AddNamed("a");
    TNamedItem* b = c.AddNamed("b");
    c.Delete(a->Index());
    TNamedItem* d = c.AddNamed("d");
    EXPECT_NE(d->ID(), b->ID());
    EXPECT_GT(d->ID(), b->ID());
    EXPECT_EQ(c.FindItemID(b->ID()), b);
    EXPECT_EQ(c.FindItemID(d->ID()), d);
    EXPECT_EQ(c.FindItemID(12345), nullptr);
}

TEST(Collection, UpdateHearsOfEveryChangeOnceAndNothingInsideABracket) {
    TLoggedCollection c;
    c.AddNamed("a");
    c.AddNamed("b");
    EXPECT_EQ(c.log, (std::vector<std::string>{"*", "*"}));

    c.log.clear();
    c.Item(0)->SetName("A");  // one item: the item itself
    c.Item(1)->SetIndex(0);   // order: the whole list
    c.Delete(0);
    EXPECT_EQ(c.log, (std::vector<std::string>{"A", "*", "*"}));

    c.log.clear();
    c.BeginUpdate();
    c.BeginUpdate();
    c.AddNamed("c");
    c.Item(0)->SetName("q");
    c.Delete(0);
    c.EndUpdate();
    EXPECT_TRUE(c.log.empty());
    c.EndUpdate();
    EXPECT_EQ(c.log, (std::vector<std::string>{"*"}));

    // Clear is one change, however many items go.
    c.AddNamed("x");
    c.AddNamed("y");
    c.log.clear();
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.log, (std::vector<std::string>{"*"}));
}

TEST(Collection, AssignCopiesTheItemsInOneChangeAndOwnerAndNamesAreKept) {
    TPersistent owner;
    TLoggedCollection from(&owner), to;
    from.AddNamed("a");
    from.AddNamed("b");
    to.AddNamed("old");
    to.log.clear();
    to.Assign(&from);
    EXPECT_EQ(to.Names(), "ab");
    EXPECT_EQ(to.log, (std::vector<std::string>{"*"}));
    EXPECT_NE(to.Items(0), from.Items(0));
    EXPECT_EQ(from.Owner(), &owner);
    EXPECT_EQ(to.Owner(), nullptr);

    EXPECT_EQ(from.Item(0)->DisplayName(), "a");
    from.Item(0)->Name.clear();
    EXPECT_EQ(from.Item(0)->DisplayName(), from.Item(0)->ClassName());

    TPersistent notACollection;
    EXPECT_THROW(to.Assign(&notACollection), EConvertError);
}

TEST(Collection, FreeingTheCollectionFreesItsItems) {
    TNamedItem::freed = 0;
    {
        TLoggedCollection c;
        c.AddNamed("a");
        c.AddNamed("b");
        c.AddNamed("c");
    }
    EXPECT_EQ(TNamedItem::freed, 3);
}

} // namespace
