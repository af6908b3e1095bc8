#include "visual_controls/LuxShadow.h"

#include "platform/ui/TypInfo.h"

#include <algorithm>

void TLuxShadow::SetColor(TColor Value) {
    if (Value == color_) return;
    color_ = Value;
    Change();
}

void TLuxShadow::SetDepth(int Value) {
    Value = std::clamp(Value, 0, LuxMaxShadowDepth);
    if (Value == depth_) return;
    depth_ = static_cast<TLuxShadowDepth>(Value);
    Change();
}

void TLuxShadow::SetStyle(TLuxShadowStyle Value) {
    if (Value == style_) return;
    style_ = Value;
    Change();
}

void TLuxShadow::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxShadow*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    style_ = s->style_;
    color_ = s->color_;
    depth_ = s->depth_;
    Change();
}

std::string TLuxShadow::GetSetStr() {
    if (style_ == hssNone) return "{Disabled}";
    return std::string("{") + (style_ == hssSolid ? "solid" : "tracing") + ", " + std::to_string(depth_) +
           "}";
}

namespace {

const bool kPublished = [] {
    using published::Property;
    using S = TLuxShadow;
    PublishProperties<TLuxShadow>({
        Property<S>(
            "Color", [](const S& s) { return s.Color(); }, [](S& s, TColor v) { s.SetColor(v); },
            clBtnShadow),
        Property<S>(
            "Depth", [](const S& s) { return static_cast<int>(s.Depth()); },
            [](S& s, int v) { s.SetDepth(v); }, 6),
        Property<S>(
            "Style", [](const S& s) { return s.Style(); }, [](S& s, TLuxShadowStyle v) { s.SetStyle(v); },
            hssSolid),
    });
    return true;
}();

} // namespace
