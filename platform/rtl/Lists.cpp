#include "platform/rtl/Lists.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

#include <algorithm>

namespace {

constexpr int maxListSize = 0x7FFFFFFF / 16;

[[noreturn]] void ListError(const char* text, int value) {
    throw EListError(std::string(text) + " (" + std::to_string(value) + ")");
}

[[noreturn]] void StringListError(const std::string& text) {
    throw EStringListError(text);
}

[[noreturn]] void StringListIndexError(int index) {
    StringListError("List index out of bounds (" + std::to_string(index) + ")");
}

// The run time's quicksort over indexes, so that equal items end in the same order as there. The
// pivot index follows the pivot when it is exchanged. The scans are bounded, so a comparison that
// is not a consistent order cannot run them off the ends.
template <typename Compare, typename Exchange>
void QuickSort(int l, int r, const Compare& compare, const Exchange& exchange) {
    int i;
    do {
        i = l;
        int j = r;
        int p = (l + r) >> 1;
        do {
            while (i < r && compare(i, p) < 0) ++i;
            while (j > l && compare(j, p) > 0) --j;
            if (i <= j) {
                if (i != j) exchange(i, j);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) QuickSort(l, j, compare, exchange);
        l = i;
    } while (i < r);
}

} // namespace

// --- TList ------------------------------------------------------------------------------------------

void TList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) ListError("List index out of bounds", index);
}

void TList::Grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    SetCapacity(capacity_ + delta);
}

int TList::Add(void* item) {
    const int index = Count();
    if (index == capacity_) Grow();
    items_.push_back(item);
    return index;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count()) ListError("List index out of bounds", index);
    if (Count() == capacity_) Grow();
    items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

void* TList::Extract(void* item) {
    const int index = IndexOf(item);
    if (index < 0) return nullptr;
    Delete(index);
    return item;
}

int TList::IndexOf(void* item) const {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void* TList::Items(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)];
}

void TList::SetItem(int index, void* item) {
    CheckIndex(index);
    items_[static_cast<std::size_t>(index)] = item;
}

void* TList::First() const {
    return Items(0);
}

void* TList::Last() const {
    return Items(Count() - 1);
}

void TList::SetCount(int count) {
    if (count < 0 || count > maxListSize) ListError("List count out of bounds", count);
    if (count > capacity_) SetCapacity(count);
    items_.resize(static_cast<std::size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
    if (capacity < Count() || capacity > maxListSize) ListError("List capacity out of bounds", capacity);
    items_.reserve(static_cast<std::size_t>(capacity));
    capacity_ = capacity;
}

void TList::Clear() {
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
}

void TList::Pack() {
    items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void TList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    if (newIndex < 0 || newIndex >= Count()) ListError("List index out of bounds", newIndex);
    void* item = Items(curIndex);
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, item);
}

void TList::Sort(TListSortCompare compare) {
    if (Count() < 2) return;
    auto& v = items_;
    QuickSort(
        0, Count() - 1,
        [&](int a, int b) { return compare(v[static_cast<std::size_t>(a)], v[static_cast<std::size_t>(b)]); },
        [&](int a, int b) { std::swap(v[static_cast<std::size_t>(a)], v[static_cast<std::size_t>(b)]); });
}

// --- TStringList ------------------------------------------------------------------------------------

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) StringListIndexError(index);
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
    return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::Changed() {
    if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TStringList::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) Changed();
}

void TStringList::InsertItem(int index, const std::string& s, void* object) {
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
}

int TStringList::Add(const std::string& s) {
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const std::string& s, void* object) {
    int index = Count();
    if (sorted_ && Find(s, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) StringListError("String list does not allow duplicates");
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Insert(int index, const std::string& s) {
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const std::string& s, void* object) {
    if (sorted_) StringListError("Operation not allowed on sorted string list");
    if (index < 0 || index > Count()) StringListIndexError(index);
    InsertItem(index, s, object);
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
    Changed();
}

void TStringList::Assign(const TStringList& source) {
    if (&source == this) return;
    BeginUpdate();
    try {
        Clear();
        AddStrings(source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStringList::AddStrings(const TStringList& source) {
    // Copied first, so that adding a list to itself ends.
    const std::vector<Item> items = source.items_;
    BeginUpdate();
    try {
        for (const Item& item : items) AddObject(item.string, item.object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStringList::IndexOf(const std::string& s) const {
    if (sorted_) {
        int index;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(items_[static_cast<std::size_t>(i)].string, s) == 0) return i;
    return -1;
}

bool TStringList::Find(const std::string& s, int& index) const {
    bool found = false;
    int l = 0, h = Count() - 1;
    while (l <= h) {
        const int i = (l + h) >> 1;
        const int c = CompareStrings(items_[static_cast<std::size_t>(i)].string, s);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                found = true;
                // With duplicates accepted, go on to the first of the equal strings.
                if (duplicates_ != dupAccept) l = i;
            }
        }
    }
    index = l;
    return found;
}

std::string TStringList::Strings(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].string;
}

void TStringList::Put(int index, const std::string& s) {
    if (sorted_) StringListError("Operation not allowed on sorted string list");
    CheckIndex(index);
    items_[static_cast<std::size_t>(index)].string = s;
    Changed();
}

void* TStringList::Objects(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].object;
}

void TStringList::PutObject(int index, void* object) {
    CheckIndex(index);
    items_[static_cast<std::size_t>(index)].object = object;
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (value == sorted_) return;
    if (value) Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (value == caseSensitive_) return;
    caseSensitive_ = value;
    // A sorted list must follow the new order, or Find would miss.
    if (sorted_ && Count() > 1) {
        QuickSortItems([](TStringList* list, int a, int b) {
            return list->CompareStrings(list->items_[static_cast<std::size_t>(a)].string,
                                        list->items_[static_cast<std::size_t>(b)].string);
        });
        Changed();
    }
}

void TStringList::QuickSortItems(TStringListSortCompare compare) {
    QuickSort(
        0, Count() - 1, [&](int a, int b) { return compare(this, a, b); },
        [&](int a, int b) {
            std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
        });
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int a, int b) {
        return list->CompareStrings(list->items_[static_cast<std::size_t>(a)].string,
                                    list->items_[static_cast<std::size_t>(b)].string);
    });
}

void TStringList::CustomSort(TStringListSortCompare compare) {
    if (sorted_ || Count() < 2) return;
    QuickSortItems(compare);
    Changed();
}

std::string TStringList::Text() const {
    std::string text;
    for (const Item& item : items_) {
        text += item.string;
        text += "\r\n";
    }
    return text;
}

void TStringList::SetText(const std::string& text) {
    BeginUpdate();
    try {
        Clear();
        std::size_t i = 0;
        const std::size_t n = text.size();
        while (i < n) {
            const std::size_t start = i;
            while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
            Add(text.substr(start, i - start));
            if (i < n && text[i] == '\r') ++i;
            if (i < n && text[i] == '\n') ++i;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

std::string TStringList::CommaText() const {
    if (Count() == 1 && items_[0].string.empty()) return "\"\"";
    std::string text;
    bool first = true;
    for (const Item& item : items_) {
        const std::string& s = item.string;
        const bool quote = std::any_of(s.begin(), s.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
        });
        if (!first) text += ',';
        first = false;
        if (quote) {
            text += '"';
            for (char c : s) {
                if (c == '"') text += '"';
                text += c;
            }
            text += '"';
        } else {
            text += s;
        }
    }
    return text;
}

void TStringList::SetCommaText(const std::string& text) {
    const std::size_t n = text.size();
    auto blank = [&](std::size_t i) { return i < n && static_cast<unsigned char>(text[i]) <= ' '; };
    BeginUpdate();
    try {
        Clear();
        std::size_t i = 0;
        while (blank(i)) ++i;
        while (i < n) {
            std::string s;
            if (text[i] == '"') {
                // A doubled quote stands for one; an unterminated string runs to the end.
                ++i;
                while (i < n) {
                    if (text[i] == '"') {
                        if (i + 1 < n && text[i + 1] == '"') {
                            s += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    s += text[i++];
                }
            } else {
                const std::size_t start = i;
                while (i < n && !blank(i) && text[i] != ',') ++i;
                s = text.substr(start, i - start);
            }
            Add(s);
            while (blank(i)) ++i;
            if (i < n && text[i] == ',') {
                if (i + 1 == n) Add("");
                do ++i;
                while (blank(i));
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

std::string TStringList::Names(int index) const {
    const std::string s = Strings(index);
    const int p = Pos("=", s);
    return p != 0 ? Copy(s, 1, p - 1) : std::string();
}

int TStringList::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = items_[static_cast<std::size_t>(i)].string;
        const int p = Pos("=", s);
        if (p != 0 && CompareStrings(Copy(s, 1, p - 1), name) == 0) return i;
    }
    return -1;
}

std::string TStringList::Values(const std::string& name) const {
    const int i = IndexOfName(name);
    return i >= 0 ? Copy(items_[static_cast<std::size_t>(i)].string, Length(name) + 2, 0x7FFFFFFF)
                  : std::string();
}

void TStringList::SetValue(const std::string& name, const std::string& value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    // A sorted list cannot take Put: the entry is replaced by one added in its place.
    if (sorted_) {
        BeginUpdate();
        try {
            if (i >= 0) Delete(i);
            Add(name + "=" + value);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    if (i < 0) i = Add("");
    Put(i, name + "=" + value);
}

void TStringList::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TStringList::SaveToFile(const std::string& fileName) const {
    SaveFileReplacing(fileName, Text());
}

void TStringList::LoadFromStream(TStream& stream) {
    SetText(ReadToEnd(stream));
}

void TStringList::SaveToStream(TStream& stream) const {
    const std::string text = Text();
    stream.WriteBuffer(text.data(), static_cast<std::int32_t>(text.size()));
}
