// TList, a list of untyped pointers, and TStringList, strings with an optional object pointer each.
// Indexes are 0-based; a bad index raises EListError / EStringListError "List index out of bounds (n)".
#pragma once

#include <functional>
#include <string>
#include <vector>

class TStream;

using TListSortCompare = int (*)(void* item1, void* item2);

class TList {
public:
    TList() = default;
    virtual ~TList() = default;

    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    // Delete the first entry holding item; returns its index or -1.
    int Remove(void* item);
    // Remove item from the list and return it, or nullptr when it is not there.
    void* Extract(void* item);
    int IndexOf(void* item) const;

    void* Items(int index) const;
    void SetItem(int index, void* item);
    void* operator[](int index) const { return Items(index); }
    void* First() const;
    void* Last() const;

    int Count() const { return static_cast<int>(items_.size()); }
    // Growing adds nil entries.
    void SetCount(int count);
    int Capacity() const { return capacity_; }
    void SetCapacity(int capacity);

    void Clear();
    // Remove the nil entries.
    void Pack();
    void Exchange(int index1, int index2);
    void Move(int curIndex, int newIndex);
    // Unstable, as the run time's quicksort is.
    void Sort(TListSortCompare compare);

private:
    void CheckIndex(int index) const;
    void Grow();

    std::vector<void*> items_;
    int capacity_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = int (*)(TStringList* list, int index1, int index2);

class TStringList {
public:
    TStringList() = default;
    virtual ~TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    // On a sorted list the string goes to its place (Duplicates decides about an equal one).
    int Add(const std::string& s);
    int AddObject(const std::string& s, void* object);
    // Not allowed on a sorted list.
    void Insert(int index, const std::string& s);
    void InsertObject(int index, const std::string& s, void* object);
    void Delete(int index);
    void Clear();
    void Exchange(int index1, int index2);
    // Replace the contents with the strings and objects of source / append them.
    void Assign(const TStringList& source);
    void AddStrings(const TStringList& source);

    int IndexOf(const std::string& s) const;
    // Binary search; index gets the position of s, or where it would be inserted. Meaningful on a
    // sorted list only.
    bool Find(const std::string& s, int& index) const;

    int Count() const { return static_cast<int>(items_.size()); }
    std::string Strings(int index) const;
    void Put(int index, const std::string& s);
    void* Objects(int index) const;
    void PutObject(int index, void* object);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates value) { duplicates_ = value; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value);

    // Every string followed by CR LF; set splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);
    // Comma-separated; strings with blanks, control characters, commas or quotes in double quotes.
    std::string CommaText() const;
    void SetCommaText(const std::string& text);

    // "name=value" entries.
    std::string Names(int index) const;
    std::string Values(const std::string& name) const;
    // An empty value deletes the entry.
    void SetValue(const std::string& name, const std::string& value);
    int IndexOfName(const std::string& name) const;

    // Byte for byte: the file is Text. A save replaces the file whole (SaveFileReplacing), so one that
    // fails leaves the old file as it was.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    // From the stream's position to its end.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

    // Not on a list that is Sorted (it already is).
    void Sort();
    void CustomSort(TStringListSortCompare compare);

    // OnChange fires after every change, except between BeginUpdate and the last EndUpdate, which fires
    // it once.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    std::function<void(TStringList* sender)> OnChange;

private:
    struct Item {
        std::string string;
        void* object = nullptr;
    };

    void CheckIndex(int index) const;
    int CompareStrings(const std::string& a, const std::string& b) const;
    void InsertItem(int index, const std::string& s, void* object);
    void QuickSortItems(TStringListSortCompare compare);
    void Changed();

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
    int updateCount_ = 0;
};
