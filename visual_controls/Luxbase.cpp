#include "visual_controls/Luxbase.h"

#include "platform/ui/TypInfo.h"

void TLuxObject::Change() {
    if (!update_ && OnChange) OnChange(this);
}

void TLuxObject::GetChange(TObject*) {
    Change();
}

std::string TLuxObject::GetSetStr() {
    return {};
}

void TLuxObject::EndUpdate(bool Notify) {
    update_ = false;
    if (Notify) Change();
}

void TLuxCustomComponent::Change() {
    if (!update_ && OnChange) OnChange(this);
}

void TLuxCustomComponent::GetChange(TObject*) {
    Change();
}

void TLuxCustomComponent::EndUpdate(bool Notify) {
    update_ = false;
    if (Notify) Change();
}

namespace {

const bool kPublished = [] {
    PublishProperties<TLuxCustomComponent, TComponent>(
        {published::Field<TLuxCustomComponent>("About", &TLuxCustomComponent::About)});
    return true;
}();

} // namespace
