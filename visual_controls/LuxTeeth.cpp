#include "visual_controls/LuxTeeth.h"

#include "platform/ui/TypInfo.h"

#include <algorithm>

void TLuxTeeth::SetCount(int Value) {
    Value = std::clamp(Value, 0, LuxMaxTeethCount);
    if (Value == count_) return;
    count_ = static_cast<TLuxTeethCount>(Value);
    Change();
}

void TLuxTeeth::SetDirection(TLuxDirection Value) {
    if (Value == direction_) return;
    direction_ = Value;
    Change();
}

void TLuxTeeth::SetBoolean(int Index, bool Value) {
    bool* target = Index == 0 ? &offset_ : Index == 1 ? &setPerCount_ : nullptr;
    if (target) {
        if (*target == Value) return;
        *target = Value;
    }
    Change();
}

void TLuxTeeth::SetInteger(int Index, int Value) {
    int* target = Index == 0 ? &width_ : Index == 1 ? &height_ : nullptr;
    if (target) {
        if (*target == Value) return;
        *target = Value;
    }
    Change();
}

void TLuxTeeth::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxTeeth*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    count_ = s->count_;
    direction_ = s->direction_;
    offset_ = s->offset_;
    setPerCount_ = s->setPerCount_;
    width_ = s->width_;
    height_ = s->height_;
    Change();
}

namespace {

const bool kPublished = [] {
    using published::Property;
    using T = TLuxTeeth;
    PublishProperties<TLuxTeeth>({
        Property<T>(
            "Count", [](const T& t) { return static_cast<int>(t.Count()); },
            [](T& t, int v) { t.SetCount(v); }, 10),
        Property<T>(
            "Direction", [](const T& t) { return t.Direction(); },
            [](T& t, TLuxDirection v) { t.SetDirection(v); }, tdRight),
        Property<T>(
            "Offset", [](const T& t) { return t.Offset(); }, [](T& t, bool v) { t.SetBoolean(0, v); }, 1),
        Property<T>(
            "SetPerCount", [](const T& t) { return t.SetPerCount(); },
            [](T& t, bool v) { t.SetBoolean(1, v); }, 1),
        Property<T>(
            "Width", [](const T& t) { return t.Width(); }, [](T& t, int v) { t.SetInteger(0, v); }, 10),
        Property<T>(
            "Height", [](const T& t) { return t.Height(); }, [](T& t, int v) { t.SetInteger(1, v); }, 0),
    });
    return true;
}();

} // namespace
