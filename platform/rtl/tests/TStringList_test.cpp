#include "platform/rtl/Lists.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

Strings Contents(const TStringList& list) {
    Strings r;
    for (int i = 0; i < list.Count(); ++i) r.push_back(list.Strings(i));
    return r;
}

void Fill(TStringList& list, const Strings& items) {
    for (const std::string& s : items) list.Add(s);
}

void ExpectError(const std::function<void()>& f, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "no EStringListError: " << message;
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message, message);
    }
}

void* P(std::intptr_t v) {
    return reinterpret_cast<void*>(v);
}

} // namespace

TEST(TStringList, SortedListsHonourDuplicates) {
    struct Case {
        TDuplicates duplicates;
        Strings expected;
        int indexOfSecondA;
    } cases[] = {
        {dupIgnore, {"A", "b", "c"}, 0},
        {dupAccept, {"a", "A", "b", "c"}, 0},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.duplicates);
        Fill(list, {"b", "A", "c"});
        EXPECT_EQ(list.Add("a"), c.indexOfSecondA);
        EXPECT_EQ(Contents(list), c.expected);
    }
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    Fill(list, {"b", "A"});
    ExpectError([&] { list.Add("a"); }, "String list does not allow duplicates");
    EXPECT_EQ(Contents(list), (Strings{"A", "b"}));
}

TEST(TStringList, UnsortedListsKeepDuplicatesAndOrder) {
    TStringList list;
    list.SetDuplicates(dupError);
    Fill(list, {"b", "a", "b"});
    EXPECT_EQ(Contents(list), (Strings{"b", "a", "b"}));
    EXPECT_EQ(list.IndexOf("B"), 0);
    list.SetSorted(true);
    EXPECT_EQ(Contents(list), (Strings{"a", "b", "b"}));
}

TEST(TStringList, FindGivesTheInsertionPoint) {
    TStringList list;
    list.SetSorted(true);
    Fill(list, {"b", "d", "f"});
    int index = -1;
    EXPECT_TRUE(list.Find("D", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find("e", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("z", index));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(list.IndexOf("e"), -1);
}

TEST(TStringList, SortedListsRefuseInsertAndPut) {
    TStringList list;
    list.SetSorted(true);
    list.Add("a");
    ExpectError([&] { list.Insert(0, "b"); }, "Operation not allowed on sorted string list");
    ExpectError([&] { list.Put(0, "b"); }, "Operation not allowed on sorted string list");
}

TEST(TStringList, BadIndexesRaiseWithTheIndex) {
    TStringList list;
    Fill(list, {"a", "b", "c"});
    ExpectError([&] { list.Strings(3); }, "List index out of bounds (3)");
    ExpectError([&] { list.Strings(-1); }, "List index out of bounds (-1)");
    ExpectError([&] { list.Delete(3); }, "List index out of bounds (3)");
    ExpectError([&] { list.Insert(4, "x"); }, "List index out of bounds (4)");
    ExpectError([&] { list.Put(5, "x"); }, "List index out of bounds (5)");
    ExpectError([&] { list.Objects(3); }, "List index out of bounds (3)");
    ExpectError([&] { list.PutObject(-2, nullptr); }, "List index out of bounds (-2)");
    ExpectError([&] { list.Exchange(0, 3); }, "List index out of bounds (3)");
    ExpectError([&] { list.Names(7); }, "List index out of bounds (7)");
    list.Insert(3, "d");
    EXPECT_EQ(Contents(list), (Strings{"a", "b", "c", "d"}));
}

TEST(TStringList, CaseSensitivity) {
    TStringList list;
    Fill(list, {"Abc", "abc"});
    EXPECT_EQ(list.IndexOf("ABC"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("ABC"), -1);
    EXPECT_EQ(list.IndexOf("abc"), 1);
}

TEST(TStringList, ChangingCaseSensitivityResortsASortedList) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    Fill(list, {"x", "X", "x", "X"});
    list.SetCaseSensitive(true);
    EXPECT_EQ(Contents(list), (Strings{"x", "x", "X", "X"}));
    EXPECT_EQ(list.IndexOf("X"), 2);
    EXPECT_EQ(list.IndexOf("x"), 0);
}

TEST(TStringList, ObjectsTravelWithTheirStrings) {
    TStringList list;
    list.AddObject("c", P(3));
    list.AddObject("a", P(1));
    list.InsertObject(1, "b", P(2));
    list.SetSorted(true);
    EXPECT_EQ(Contents(list), (Strings{"a", "b", "c"}));
    EXPECT_EQ(list.Objects(0), P(1));
    EXPECT_EQ(list.Objects(2), P(3));
    list.PutObject(2, P(9));
    EXPECT_EQ(list.Objects(2), P(9));
    list.Delete(0);
    EXPECT_EQ(list.Objects(0), P(2));
}

TEST(TStringList, TextSplitsAtEveryLineEnd) {
    struct Case {
        std::string text;
        Strings lines;
    } cases[] = {
        {"a\r\nb\nc\rd\r\n\r\ne", {"a", "b", "c", "d", "", "e"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\n", {"a"}},
        {"\r\n", {""}},
        {"", {}},
        {std::string("a\0b\r\n\xFF", 6), {std::string("a\0b", 3), "\xFF"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(Contents(list), c.lines);
    }
    TStringList list;
    Fill(list, {"a", "", "b"});
    EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");
    TStringList copy;
    copy.SetText(list.Text());
    EXPECT_EQ(Contents(copy), Contents(list));
}

TEST(TStringList, CommaTextQuotesWhatNeedsIt) {
    TStringList list;
    Fill(list, {"a", "b c", "", "say \"hi\"", "x,y", "t\tab"});
    EXPECT_EQ(list.CommaText(), "a,\"b c\",,\"say \"\"hi\"\"\",\"x,y\",\"t\tab\"");
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(Contents(back), Contents(list));

    TStringList one;
    one.Add("");
    EXPECT_EQ(one.CommaText(), "\"\"");
    back.SetCommaText(one.CommaText());
    EXPECT_EQ(Contents(back), (Strings{""}));
    EXPECT_EQ(TStringList().CommaText(), "");
}

TEST(TStringList, CommaTextParsing) {
    struct Case {
        const char* text;
        Strings items;
    } cases[] = {
        {"a, \"b c\",,\"say \"\"hi\"\"\" ,x y", {"a", "b c", "", "say \"hi\"", "x", "y"}},
        {"  a  ", {"a"}},
        {"a,", {"a", ""}},
        {",", {"", ""}},
        {"", {}},
        {"\"ab\"cd", {"ab", "cd"}},
        {"\"abc", {"abc"}},
        {"\"\"", {""}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetCommaText(c.text);
        EXPECT_EQ(Contents(list), c.items) << c.text;
    }
}

TEST(TStringList, NamesAndValues) {
    TStringList list;
    Fill(list, {"a=1", "B=2", "c", "d=x=y", "=e"});
    EXPECT_EQ(list.Names(0), "a");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Names(4), "");
    EXPECT_EQ(list.Values("b"), "2");
    EXPECT_EQ(list.Values("d"), "x=y");
    EXPECT_EQ(list.Values("c"), "");
    EXPECT_EQ(list.Values("zz"), "");
    EXPECT_EQ(list.IndexOfName("c"), -1);
    EXPECT_EQ(list.IndexOfName("D"), 3);

    list.SetValue("a", "9");
    list.SetValue("new", "1");
    list.SetValue("B", "");
    list.SetValue("absent", "");
    EXPECT_EQ(Contents(list), (Strings{"a=9", "c", "d=x=y", "=e", "new=1"}));
}

TEST(TStringList, ValuesOnASortedListStayInOrder) {
    TStringList list;
    list.SetSorted(true);
    Fill(list, {"b=2", "d=4"});
    list.SetValue("c", "3");
    list.SetValue("b", "20");
    EXPECT_EQ(Contents(list), (Strings{"b=20", "c=3", "d=4"}));
}

TEST(TStringList, SortAndCustomSort) {
    TStringList list;
    Fill(list, {"pear", "Apple", "fig", "banana"});
    list.Sort();
    EXPECT_EQ(Contents(list), (Strings{"Apple", "banana", "fig", "pear"}));
    list.CustomSort([](TStringList* l, int a, int b) {
        return static_cast<int>(l->Strings(a).size()) - static_cast<int>(l->Strings(b).size());
    });
    EXPECT_EQ(Contents(list).front(), "fig");
    EXPECT_EQ(Contents(list).back(), "banana");
    list.Exchange(0, 3);
    EXPECT_EQ(Contents(list).front(), "banana");
}

TEST(TStringList, OnChangeFiresOncePerChangeOrUpdate) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TStringList* sender) {
        EXPECT_EQ(sender, &list);
        ++changes;
    };
    list.Add("a");
    EXPECT_EQ(changes, 1);
    list.BeginUpdate();
    list.Add("b");
    list.BeginUpdate();
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    list.EndUpdate();
    EXPECT_EQ(changes, 2);
    list.SetText("x\r\ny\r\nz");
    EXPECT_EQ(changes, 3);
    list.Clear();
    list.Clear();
    EXPECT_EQ(changes, 4);
}

TEST(TStringList, AssignAndAddStrings) {
    TStringList source;
    source.AddObject("b", P(2));
    source.AddObject("a", P(1));
    TStringList list;
    list.Add("old");
    list.Assign(source);
    EXPECT_EQ(Contents(list), (Strings{"b", "a"}));
    EXPECT_EQ(list.Objects(1), P(1));
    list.AddStrings(list);
    EXPECT_EQ(Contents(list), (Strings{"b", "a", "b", "a"}));
}

TEST(TStringList, FilesAreReadAndWrittenByteForByte) {
    TempDir dir;
    const std::string name = dir.File("lines.txt");
    TempDir::Write(name, std::string("x\ny\r\n\r\n\xE9\0z", 10));
    TStringList list;
    list.LoadFromFile(name);
    EXPECT_EQ(Contents(list), (Strings{"x", "y", "", std::string("\xE9\0z", 3)}));
    list.SaveToFile(name);
    EXPECT_EQ(TempDir::Read(name), std::string("x\r\ny\r\n\r\n\xE9\0z\r\n", 13));
}

TEST(TStringList, FilesThatCannotBeOpenedRaise) {
    TempDir dir;
    TStringList list;
    const std::string missing = dir.File("missing.txt");
    try {
        list.LoadFromFile(missing);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "Cannot open file \"" + missing + "\"");
    }
    const std::string bad = dir.File("no/such/dir.txt");
    try {
        list.SaveToFile(bad);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file \"" + bad + "\"");
    }
}

TEST(TStringList, StreamsFromTheirPosition) {
    TMemoryStream stream(std::string("skip|a\r\nb"));
    stream.SetPosition(5);
    TStringList list;
    list.LoadFromStream(stream);
    EXPECT_EQ(Contents(list), (Strings{"a", "b"}));
    TMemoryStream out;
    out.WriteBuffer("<", 1);
    list.SaveToStream(out);
    EXPECT_EQ(out.DataString(), "<a\r\nb\r\n");
}
