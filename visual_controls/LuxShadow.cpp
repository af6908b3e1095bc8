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

struct TLuxShadowPublished {
    static bool StyleStored(const TObject* o) {
        const auto* s = static_cast<const TLuxShadow*>(o);
        return s->Style() != s->DefaultStyle();
    }
};

namespace {

const bool kPublished = [] {
    using published::Property;
    using S = TLuxShadow;
    TPropInfo style = Property<S>(
        "Style", [](const S& s) { return s.Style(); }, [](S& s, TLuxShadowStyle v) { s.SetStyle(v); });
    // The shadow of the regions starts switched off: each class leaves out its own default.
    style.Stored = &TLuxShadowPublished::StyleStored;
    PublishProperties<TLuxShadow>({
        Property<S>(
            "Color", [](const S& s) { return s.Color(); }, [](S& s, TColor v) { s.SetColor(v); },
            clBtnShadow),
        Property<S>(
            "Depth", [](const S& s) { return static_cast<int>(s.Depth()); },
            [](S& s, int v) { s.SetDepth(v); }, 6),
        style,
    });
    return true;
}();

} // namespace
