// The published rows of the button faces (see BtnFaces.h) that the drawn buttons list alike: the
// gradient options, the images of a glyph strip and the icon set.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "platform/ui/Icons.h"
#include "platform/ui/TypInfo.h"

#include <vector>

// The gradient options (see TvGradientOptions).
template <class C> std::vector<TPropInfo> GradientProperties() {
    using published::Property;
    return {
        Property<C>(
            "FillType", [](const C& c) { return c.FillType(); }, [](C& c, gradType v) { c.SetFillType(v); },
            gVert),
        Property<C>(
            "EndColor", [](const C& c) { return c.EndColor(); }, [](C& c, TColor v) { c.SetEndColor(v); },
            clBtnFace),
        Property<C>(
            "Bands", [](const C& c) { return c.Bands(); }, [](C& c, int v) { c.SetBands(v); }, 75),
    };
}

// The glyph strip, the number of its slots, the colour that shows the face and whether the strip's
// bottom-left pixel gives that colour.
template <class C> std::vector<TPropInfo> GlyphImageProperties() {
    using published::Property;
    return {
        Property<C>(
            "Glyph", [](const C& c) { return c.Glyph(); }, [](C& c, TBitmap* v) { c.SetGlyph(v); }),
        Property<C>(
            "NumGlyphs", [](const C& c) { return c.NumGlyphs(); }, [](C& c, int v) { c.SetNumGlyphs(v); }, 1),
        // No declared default: always stored.
        Property<C>(
            "TransparentColor", [](const C& c) { return c.TransparentColor(); },
            [](C& c, TColor v) { c.SetTransparentColor(v); }),
        Property<C>(
            "AutoBackColor", [](const C& c) { return c.AutoBackColor(); },
            [](C& c, bool v) { c.SetAutoBackColor(v); }, false),
    };
}

// The icons of the three states and whether the empty ones are filled from the others.
template <class C> std::vector<TPropInfo> IconSetProperties() {
    using published::Property;
    return {
        Property<C>(
            "AutoAllIcons", [](const C& c) { return c.AutoAllIcons(); },
            [](C& c, bool v) { c.SetAutoAllIcons(v); }, true),
        Property<C>(
            "GlyphEnabled", [](const C& c) { return c.GlyphEnabled(); },
            [](C& c, TIcon* v) { c.SetGlyphEnabled(v); }),
        Property<C>(
            "GlyphDown", [](const C& c) { return c.GlyphDown(); }, [](C& c, TIcon* v) { c.SetGlyphDown(v); }),
        Property<C>(
            "GlyphDisabled", [](const C& c) { return c.GlyphDisabled(); },
            [](C& c, TIcon* v) { c.SetGlyphDisabled(v); }),
    };
}
