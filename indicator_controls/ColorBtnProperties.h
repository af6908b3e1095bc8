// The published properties the coloured buttons, windowed and light, have alike: those of the
// control and the caption, of the glyph strip and of the icons.
#pragma once

#include "indicator_controls/CaptionProperties.h"
#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/FaceProperties.h"
#include "indicator_controls/VanimateColorBtn.h"
#include "platform/ui/Icons.h"
#include "platform/ui/TypInfo.h"

#include <utility>
#include <vector>

template <class C> std::vector<TPropInfo> ColorBtnProperties() {
    using published::Property;
    // Place, caption, font, enabled and visible are the standard rows.
    std::vector<TPropInfo> rows = {
        WidthProperty<C>(89),
        HeightProperty<C>(33),
        Property<C>(
            "Flat", [](const C& c) { return c.IsFlat(); }, [](C& c, bool v) { c.SetFlat(v); }, false),
        Property<C>(
            "Cancel", [](const C& c) { return c.Cancel(); }, [](C& c, bool v) { c.SetCancel(v); }, false),
        Property<C>(
            "HighLightColor", [](const C& c) { return c.HighLightColor(); },
            [](C& c, TColor v) { c.SetHighLightColor(v); }, clBtnHighlight),
        Property<C>(
            "ShadowColor", [](const C& c) { return c.ShadowColor(); },
            [](C& c, TColor v) { c.SetShadowColor(v); }, clBtnShadow),
        EventField<C>("OnPaint", &C::OnPaint),
        EventField<C>("OnMouseEnter", &C::OnMouseEnter),
        EventField<C>("OnMouseLeave", &C::OnMouseLeave),
    };
    InsertCaptionOptions<C>(rows, "Flat");
    return rows;
}

template <class C> std::vector<TPropInfo> GlyphStripProperties() {
    using published::Property;
    std::vector<TPropInfo> rows = {
        Property<C>(
            "TextOnTop", [](const C& c) { return c.TextOnTop(); }, [](C& c, bool v) { c.SetTextOnTop(v); },
            false),
    };
    for (TPropInfo& p : GlyphImageProperties<C>()) rows.push_back(std::move(p));
    InsertRows(rows, "TransparentColor",
               {Property<C>(
                   "BitmapWhere", [](const C& c) { return c.BitmapWhere(); },
                   [](C& c, tBitWhere v) { c.SetBitmapWhere(v); }, v_BWLeft)});
    return rows;
}

// The icon buttons are 140 x 44.
template <class C> std::vector<TPropInfo> IconProperties() {
    using published::Property;
    std::vector<TPropInfo> rows = {
        WidthProperty<C>(140),
        HeightProperty<C>(44),
    };
    for (TPropInfo& p : IconSetProperties<C>()) rows.push_back(std::move(p));
    rows.push_back(Property<C>(
        "IconWhere", [](const C& c) { return c.IconWhere(); }, [](C& c, tBitWhere v) { c.SetIconWhere(v); },
        v_BWLeft));
    return rows;
}
