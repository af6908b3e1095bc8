// The published rows of the caption options (see TvCaptionOptions) that every drawn button lists
// alike, in the order its stream holds them.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "platform/ui/TypInfo.h"

#include <iterator>
#include <vector>

// The rows Before, then where the caption stands in its rectangle, its lines and wrapping, then the
// rows After.
template <class C>
std::vector<TPropInfo> WithCaptionOptions(std::vector<TPropInfo> Before, std::vector<TPropInfo> After) {
    using published::Property;
    for (TPropInfo& p : std::vector<TPropInfo>{
             Property<C>(
                 "HorzAlign", [](const C&c) { return c.HorzAlign(); },
                 [](C&c, vbHorzAlign v) { c.SetHorzAlign(v); }, vbha_Center),
             Property<C>(
                 "MultipleLines", [](const C&c) { return c.MultipleLines(); },
                 [](C&c, bool v) { c.SetMultipleLines(v); }, false),
             Property<C>(
                 "WordWrap", [](const C&c) { return c.WordWrap(); }, [](C&c, bool v) { c.SetWordWrap(v); },
                 false),
             Property<C>(
                 "Alignment", [](const C&c) { return c.Alignment(); },
                 [](C&c, TAlignment v) { c.SetAlignment(v); }, taCenter),
         })
        Before.push_back(std::move(p));
    Before.insert(Before.end(), std::make_move_iterator(After.begin()), std::make_move_iterator(After.end()));
    return Before;
}

// The default look, of the button's own type; bold unless stored otherwise.
template <class C> TPropInfo DefaultLookProperty() {
    using Look = typename C::TDefaultLook;
    return published::Property<C>(
        "DefaultLook", [](const C& c) { return c.DefaultLook(); }, [](C& c, Look v) { c.SetDefaultLook(v); },
        C::BoldLook);
}
