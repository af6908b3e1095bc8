// Published rows every control of the library lists alike, and the placing of rows among the
// others.
#pragma once

#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Puts New after the row named After, where the control's stream holds them.
inline void InsertRows(std::vector<TPropInfo>& Rows, const std::string& After,
                       const std::vector<TPropInfo>& New) {
    const auto at =
        std::find_if(Rows.begin(), Rows.end(), [&](const TPropInfo& p) { return p.Name == After; });
    assert(at != Rows.end());
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
