// The published properties both families of shaped buttons (see BtnShapes.h), windowed and light,
// have alike: place and size, the outline and the colours of its edge, the face colour and the
// enabled and visible state. Each button places its own rows among them (InOrder).
#pragma once

#include "indicator_controls/BtnShapes.h"
#include "indicator_controls/ControlProperties.h"
#include "platform/ui/Controls.h"
#include "platform/ui/TypInfo.h"

#include <cstdint>
#include <optional>
#include <vector>

// Size: the declared width and height. Without EdgeDefaults the edge colours are always stored.
template <class C> std::vector<TPropInfo> ShapeBtnProperties(int Size, bool EdgeDefaults) {
    using published::Property;
    const TAnchors anchors{akLeft, akTop};
    const auto edge = [&](TColor c) { return EdgeDefaults ? std::optional<std::int64_t>(c) : std::nullopt; };
    std::vector<TPropInfo> rows = PlaceProperties<C>();
    rows.insert(rows.end(),
                {
                    Property<C>(
                        "Anchors", [](const C& c) { return c.Anchors; },
                        [](C& c, TAnchors v) { c.Anchors = v; }, static_cast<std::int64_t>(anchors.Bits())),
                    Property<C>(
                        "Shape", [](const C& c) { return c.Shape(); }, [](C& c, sbType v) { c.SetShape(v); },
                        sbRectangle),
                    Property<C>(
                        "HighLightColor", [](const C& c) { return c.HighLightColor(); },
                        [](C& c, TColor v) { c.SetHighLightColor(v); }, edge(clBtnHighlight)),
                    Property<C>(
                        "ShadowColor", [](const C& c) { return c.ShadowColor(); },
                        [](C& c, TColor v) { c.SetShadowColor(v); }, edge(clBtnShadow)),
                    WithDefault(published::Standard<C>("Color"), clBtnFace),
                    Property<C>(
                        "ParentColor", [](const C& c) { return c.ParentColor(); },
                        [](C& c, bool v) { c.SetParentColor(v); }, true),
                    HeightProperty<C>(Size),
                    WidthProperty<C>(Size),
                    Property<C>(
                        "Enabled", [](const C& c) { return c.Enabled(); },
                        [](C& c, bool v) { c.SetEnabled(v); }, true),
                    Property<C>(
                        "Visible", [](const C& c) { return c.Visible(); },
                        [](C& c, bool v) { c.SetVisible(v); }, true),
                });
    return rows;
}
