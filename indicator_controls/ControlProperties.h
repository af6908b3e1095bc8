// Published rows every control of the library lists alike, and the placing of rows among the
// others.
#pragma once

#include "platform/ui/PublishedRows.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// Puts New after the row named After, where the control's stream holds them.
inline void InsertRows(std::vector<TPropInfo>& Rows, const std::string& After,
                       const std::vector<TPropInfo>& New) {
    const auto at =
        std::find_if(Rows.begin(), Rows.end(), [&](const TPropInfo& p) { return p.Name == After; });
    if (at == Rows.end()) throw EPropertyError("No row " + After + " to put rows after");
    Rows.insert(at + 1, New.begin(), New.end());
}

// Where the control stands in its parent, always stored; the first rows of a control's stream.
template <class C> std::vector<TPropInfo> PlaceProperties() {
    using published::Property;
    return {
        Property<C>(
            "Left", [](const C& c) { return c.Left(); }, [](C& c, int v) { c.SetLeft(v); }),
        Property<C>(
            "Top", [](const C& c) { return c.Top(); }, [](C& c, int v) { c.SetTop(v); }),
    };
}

// The width and the height, each with the default the control declares (none: always stored).
template <class C> TPropInfo WidthProperty(std::optional<std::int64_t> Default = std::nullopt) {
    return published::Property<C>(
        "Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, Default);
}
template <class C> TPropInfo HeightProperty(std::optional<std::int64_t> Default = std::nullopt) {
    return published::Property<C>(
        "Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, Default);
}

// The font, stored only while it is not the parent's.
template <class C> TPropInfo FontProperty() {
    TPropInfo font = published::Property<C>(
        "Font", [](const C& c) { return c.Font(); }, nullptr);
    font.Stored = [](const TObject* o) { return !static_cast<const C*>(o)->ParentFont(); };
    return font;
}

// A table from rows and lists of rows, in the order given.
inline void AppendRows(std::vector<TPropInfo>&) {}
template <class First, class... Rest>
void AppendRows(std::vector<TPropInfo>& Rows, First&& Part, Rest&&... More) {
    if constexpr (std::is_same_v<std::decay_t<First>, TPropInfo>)
        Rows.push_back(std::forward<First>(Part));
    else
        for (auto& p : Part) Rows.push_back(std::move(p));
    AppendRows(Rows, std::forward<Rest>(More)...);
}
template <class... Parts> std::vector<TPropInfo> Rows(Parts&&... Part) {
    std::vector<TPropInfo> rows;
    AppendRows(rows, std::forward<Parts>(Part)...);
    return rows;
}

// A row with another declared default than the class library's.
inline TPropInfo WithDefault(TPropInfo Row, std::optional<std::int64_t> Default) {
    Row.Default = Default;
    return Row;
}

// A property that is never stored (it takes writes and ignores them, or follows from others).
inline TPropInfo NotStored(TPropInfo Row) {
    Row.Stored = [](const TObject*) { return false; };
    return Row;
}

// An event held in a public field of the class (or of a base it names).
template <class C, class Event, class Base> TPropInfo EventField(std::string Name, Event Base::*Field) {
    return published::Property<C>(
        std::move(Name), [Field](const C& c) { return c.*Field; }, [Field](C& c, Event v) { c.*Field = v; });
}

// The blank-separated names of a list, in order.
inline std::vector<std::string_view> NameList(std::string_view Names) {
    std::vector<std::string_view> names;
    for (std::size_t at = 0; at < Names.size();) {
        const std::size_t end = std::min(Names.find(' ', at), Names.size());
        if (end > at) names.push_back(Names.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

// The standard rows of the blank-separated names, in order.
template <class C> std::vector<TPropInfo> StandardRows(std::string_view Names) {
    std::vector<TPropInfo> rows;
    for (std::string_view name : NameList(Names)) rows.push_back(published::Standard<C>(name));
    return rows;
}

// The rows in the order the blank-separated names give them: the class's own row of that name,
// else the standard row. An own row no name asks for is a mistake in the table, found when the
// tables are made.
template <class C> std::vector<TPropInfo> InOrder(std::vector<TPropInfo> Own, std::string_view Names) {
    std::vector<TPropInfo> rows;
    std::vector<bool> used(Own.size());
    for (std::string_view name : NameList(Names)) {
        const auto at =
            std::find_if(Own.begin(), Own.end(), [&](const TPropInfo& p) { return p.Name == name; });
        if (at == Own.end()) {
            rows.push_back(published::Standard<C>(name));
            continue;
        }
        used[at - Own.begin()] = true;
        rows.push_back(*at);
    }
    for (std::size_t i = 0; i < Own.size(); ++i)
        if (!used[i]) throw EPropertyError(ClassNameOf<C>() + " does not place " + Own[i].Name);
    return rows;
}
