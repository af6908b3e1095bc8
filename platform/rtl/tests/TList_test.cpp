#include "platform/rtl/Lists.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

void* P(std::intptr_t v) {
    return reinterpret_cast<void*>(v);
}
std::intptr_t V(void* p) {
    return reinterpret_cast<std::intptr_t>(p);
}

std::vector<std::intptr_t> Contents(const TList& list) {
    std::vector<std::intptr_t> r;
    for (int i = 0; i < list.Count(); ++i) r.push_back(V(list[i]));
    return r;
}

TList Make(std::initializer_list<std::intptr_t> values) {
    TList list;
    for (std::intptr_t v : values) list.Add(P(v));
    return list;
}

void ExpectIndexError(const std::function<void()>& f, int index) {
    try {
        f();
        ADD_FAILURE() << "no EListError for " << index;
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (" + std::to_string(index) + ")");
    }
}

} // namespace

TEST(TList, AddInsertDeleteAndLookups) {
    TList list = Make({1, 2, 3});
    EXPECT_EQ(list.Add(P(4)), 3);
    list.Insert(0, P(0));
    list.Insert(5, P(5));
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{0, 1, 2, 3, 4, 5}));
    list.Delete(2);
    EXPECT_EQ(list.IndexOf(P(3)), 2);
    EXPECT_EQ(list.IndexOf(P(2)), -1);
    EXPECT_EQ(V(list.First()), 0);
    EXPECT_EQ(V(list.Last()), 5);
    list.SetItem(0, P(9));
    EXPECT_EQ(V(list.Items(0)), 9);
}

TEST(TList, RemoveAndExtractTakeTheFirstMatch) {
    TList list = Make({1, 2, 1});
    EXPECT_EQ(list.Remove(P(1)), 0);
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{2, 1}));
    EXPECT_EQ(list.Remove(P(7)), -1);
    EXPECT_EQ(V(list.Extract(P(1))), 1);
    EXPECT_EQ(list.Extract(P(1)), nullptr);
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{2}));
}

TEST(TList, BadIndexesRaiseWithTheIndex) {
    TList list = Make({1, 2});
    ExpectIndexError([&] { list.Items(2); }, 2);
    ExpectIndexError([&] { list.Items(-1); }, -1);
    ExpectIndexError([&] { list.SetItem(5, nullptr); }, 5);
    ExpectIndexError([&] { list.Delete(2); }, 2);
    ExpectIndexError([&] { list.Insert(3, nullptr); }, 3);
    ExpectIndexError([&] { list.Exchange(0, 2); }, 2);
    ExpectIndexError([&] { list.Move(0, 2); }, 2);
    ExpectIndexError([&] { list.Move(-1, 0); }, -1);
    TList empty;
    ExpectIndexError([&] { empty.First(); }, 0);
    ExpectIndexError([&] { empty.Last(); }, -1);
    EXPECT_THROW(list.SetCount(-1), EListError);
    EXPECT_THROW(list.SetCapacity(1), EListError);
}

TEST(TList, CountCapacityPackAndClear) {
    TList list = Make({1});
    list.SetCount(3);
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{1, 0, 0}));
    EXPECT_GE(list.Capacity(), 3);
    list.Add(P(2));
    list.Pack();
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{1, 2}));
    list.SetCount(1);
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{1}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(TList, ExchangeMoveAndSort) {
    TList list = Make({1, 2, 3, 4});
    list.Exchange(0, 3);
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{4, 2, 3, 1}));
    list.Move(0, 2);
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{2, 3, 4, 1}));
    list.Move(3, 0);
    EXPECT_EQ(Contents(list), (std::vector<std::intptr_t>{1, 2, 3, 4}));

    TList big = Make({5, 3, 9, 1, 7, 3, 8, 2, 6, 4, 0});
    big.Sort([](void* a, void* b) { return static_cast<int>(V(a) - V(b)); });
    EXPECT_EQ(Contents(big), (std::vector<std::intptr_t>{0, 1, 2, 3, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(TList, SortWithAnInconsistentCompareStaysInBounds) {
    TList list = Make({5, 3, 9, 1, 7, 3, 8, 2, 6, 4, 0, 11, 12});
    list.Sort([](void*, void*) { return -1; });
    list.Sort([](void*, void*) { return 1; });
    EXPECT_EQ(list.Count(), 13);
}
