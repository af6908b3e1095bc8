// The published rows of the caption options (see TvCaptionOptions) that every drawn button lists
// alike.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "indicator_controls/ControlProperties.h"
#include "platform/ui/TypInfo.h"

#include <string>
#include <vector>

// Puts the rows of where the caption stands in its rectangle, its lines and its wrapping after the
// row named After, where the button's stream holds them.
template <class C> void InsertCaptionOptions(std::vector<TPropInfo>& Rows, const std::string& After) {
    using published::Property;
    InsertRows(Rows, After,
               {
                   Property<C>(
                       "HorzAlign", [](const C& c) { return c.HorzAlign(); },
                       [](C& c, vbHorzAlign v) { c.SetHorzAlign(v); }, vbha_Center),
                   Property<C>(
                       "MultipleLines", [](const C& c) { return c.MultipleLines(); },
                       [](C& c, bool v) { c.SetMultipleLines(v); }, false),
                   Property<C>(
                       "WordWrap", [](const C& c) { return c.WordWrap(); }, [](C& c, bool v) { c.SetWordWrap(v); },
                       false),
                   Property<C>(
                       "Alignment", [](const C& c) { return c.Alignment(); },
                       [](C& c, TAlignment v) { c.SetAlignment(v); }, taCenter),
               });
}

// The default look, of the button's own type; bold unless stored otherwise.
template <class C> TPropInfo DefaultLookProperty() {
    using Look = typename C::TDefaultLook;
    return published::Property<C>(
        "DefaultLook", [](const C& c) { return c.DefaultLook(); }, [](C& c, Look v) { c.SetDefaultLook(v); },
        C::BoldLook);
}
