#include "visual_controls/LuxRgnShadow.h"

#include "platform/ui/TypInfo.h"

TLuxRgnShadow::TLuxRgnShadow() {
    SetStyle(hssNone);
}

namespace {

// The style is declared again with the default this class starts with.
const bool kPublished = [] {
    using S = TLuxRgnShadow;
    PublishProperties<TLuxRgnShadow, TLuxShadow>({published::Property<S>(
        "Style", [](const S& s) { return s.Style(); }, [](S& s, TLuxShadowStyle v) { s.SetStyle(v); },
        hssNone)});
    return true;
}();

} // namespace
