#include "visual_controls/LuxShape.h"

#include "platform/ui/TypInfo.h"

#include <algorithm>

TLuxShape::TLuxShape() : bevel_(new TLuxSimpleBevel), brush_(new TBrush), shadow_(new TLuxShadow) {
    bevel_->OnChange = TNotifyEvent::Bind<&TLuxShape::GetChange>(this);
    brush_->OnChange = TNotifyEvent::Bind<&TLuxShape::GetChange>(this);
    shadow_->OnChange = TNotifyEvent::Bind<&TLuxShape::GetChange>(this);
}

TLuxShape::~TLuxShape() {
    bevel_->OnChange = nullptr;
    brush_->OnChange = nullptr;
    shadow_->OnChange = nullptr;
    delete shadow_;
    delete brush_;
    delete bevel_;
}

void TLuxShape::SetRoundPercent(int Value) {
    Value = std::clamp(Value, 0, 100);
    if (Value == roundPercent_) return;
    roundPercent_ = static_cast<TLuxPercent>(Value);
    Change();
}

void TLuxShape::SetShape(TLuxShapeType Value) {
    if (Value == shape_) return;
    shape_ = Value;
    Change();
}

void TLuxShape::SetSquare(bool Value) {
    if (Value == square_) return;
    square_ = Value;
    Change();
}

namespace {

const bool kPublished = [] {
    using published::Property;
    using S = TLuxShape;
    PublishProperties<TLuxShape>({
        Property<S>(
            "Bevel", [](const S& s) { return s.Bevel(); }, [](S& s, TLuxSimpleBevel* v) { s.SetBevel(v); }),
        Property<S>(
            "Brush", [](const S& s) { return s.Brush(); }, [](S& s, TBrush* v) { s.SetBrush(v); }),
        Property<S>(
            "RoundPercent", [](const S& s) { return static_cast<int>(s.RoundPercent()); },
            [](S& s, int v) { s.SetRoundPercent(v); }, 33),
        Property<S>(
            "Shadow", [](const S& s) { return s.Shadow(); }, [](S& s, TLuxShadow* v) { s.SetShadow(v); }),
        Property<S>(
            "Shape", [](const S& s) { return s.Shape(); }, [](S& s, TLuxShapeType v) { s.SetShape(v); },
            stRectangle),
        Property<S>(
            "Square", [](const S& s) { return s.Square(); }, [](S& s, bool v) { s.SetSquare(v); }, 0),
    });
    return true;
}();

} // namespace
