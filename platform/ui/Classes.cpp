#include "platform/ui/Classes.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cctype>
#include <typeinfo>

void TPersistent::Assign(const TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest->ClassName());
}

std::string TObject::ClassName() const {
    return ClassNameOfType(typeid(*this));
}

std::string ClassNameOfType(const std::type_info& type) {
    // Type names carry their length as a prefix in the Itanium mangling of plain class names.
    std::string n = type.name();
    std::size_t i = 0;
    while (i < n.size() && n[i] >= '0' && n[i] <= '9') ++i;
    return i > 0 && i < n.size() ? n.substr(i) : n;
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Peers that asked to hear of our end forget us first.
    auto peers = std::move(freeNotifies_);
    for (TComponent* peer : peers) {
        auto& back = peer->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        peer->Notification(this, TOperation::opRemove);
    }
    while (!components_.empty()) {
        TComponent* c = components_.back();
        RemoveComponent(c);
        c->BeforeDestruction();
        delete c;
    }
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
    if (state_.Contains(TComponentStateItem::csDestroying)) return;
    state_.Include(TComponentStateItem::csDestroying);
    for (TComponent* c : components_) c->Destroying();
}

void TComponent::SetName(const std::string& name) {
    name_ = name;
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    auto same = [&](const std::string& other) {
        return other.size() == name.size() &&
               std::equal(other.begin(), other.end(), name.begin(), [](char a, char b) {
                   return std::toupper(static_cast<unsigned char>(a)) ==
                          std::toupper(static_cast<unsigned char>(b));
               });
    };
    for (TComponent* c : components_)
        if (same(c->name_)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    if (state_.Contains(TComponentStateItem::csDesigning)) component->SetDesigning(true);
    for (TComponent* c : components_)
        if (c != component) c->Notification(component, TOperation::opInsert);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    if (value)
        state_.Include(TComponentStateItem::csDesigning);
    else
        state_.Exclude(TComponentStateItem::csDesigning);
    if (setChildren)
        for (TComponent* c : components_) c->SetDesigning(value);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    components_.erase(it);
    component->owner_ = nullptr;
    for (TComponent* c : components_) c->Notification(component, TOperation::opRemove);
    Notification(component, TOperation::opRemove);
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& back = component->freeNotifies_;
    if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                        freeNotifies_.end());
    auto& back = component->freeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::BeginLoading() {
    state_.Include(TComponentStateItem::csLoading);
    for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
    for (TComponent* c : components_) c->EndLoading();
    if (!state_.Contains(TComponentStateItem::csLoading)) return;
    state_.Exclude(TComponentStateItem::csLoading);
    Loaded();
}

void TComponent::Loaded() {}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::GetChildren(TGetChildProc, TComponent*) {}

void TComponent::ReadState(TReader* Reader) {
    Reader->ReadComponentData(this);
}

namespace {

const bool kPublished = [] {
    using namespace published;
    PublishProperties<TComponent>({
        Property<TComponent>("Name", [](const TComponent& c) { return c.Name(); },
                             [](TComponent& c, const std::string& v) { c.SetName(v); }),
        Field<TComponent>("Tag", &TComponent::Tag, 0),
    });
    return true;
}();

} // namespace
