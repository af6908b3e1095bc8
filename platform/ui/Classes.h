// The component model: TObject, TPersistent and TComponent with its owner tree, names, component
// state, the loading protocol and free notifications.
#pragma once

#include "platform/rtl/Method.h"
#include "platform/rtl/Set.h"

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

class TFiler;
class TReader;
class TWriter;

enum class TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum class TOperation { opInsert, opRemove };

// The class name of a type as ClassName gives it for its objects.
std::string ClassNameOfType(const std::type_info& type);
template <class C> std::string ClassNameOf() {
    return ClassNameOfType(typeid(C));
}

class TObject {
public:
    virtual ~TObject() = default;
    virtual std::string ClassName() const;
    // Called by whoever frees the object (an owner, a parent control, the application) just before
    // it is deleted, while every derived part still exists.
    virtual void BeforeDestruction() {}
};

// The event types shared by every component.
using TNotifyEvent = TMethod<void(TObject* Sender)>;

class TPersistent : public TObject {
public:
    // Copies another object's state; the base asks the source to AssignTo this object.
    virtual void Assign(const TPersistent* source);
    // Properties the object streams itself, besides its published ones (TFiler::DefineProperty).
    virtual void DefineProperties(TFiler* /*Filer*/) {}

protected:
    // Copies this object's state into dest, for a destination class that does not know this one;
    // the base raises EConvertError ("Cannot assign a X to a Y").
    virtual void AssignTo(TPersistent* dest) const;
};

class TComponent;
using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    // Frees every owned component (last inserted first), after telling free-notification peers.
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
    int ComponentIndex() const;
    TComponent* FindComponent(const std::string& name) const;

    TComponentState ComponentState() const { return state_; }
    int Tag = 0;

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Asks component to call Notification(this, opRemove) on us when it is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // The loading protocol a form runs after building its components in code: BeginLoading marks
    // this component and its owned ones csLoading; EndLoading clears the flag and calls Loaded on
    // each, owned ones first.
    void BeginLoading();
    void EndLoading();

    // Streaming: the children written with this component (the base writes none), the owner and
    // parent the reader gives the children it reads, and the reading of this component's own
    // properties and children.
    virtual void GetChildren(TGetChildProc Proc, TComponent* Root);
    virtual TComponent* GetChildOwner() { return nullptr; }
    virtual TComponent* GetChildParent() { return this; }
    virtual void ReadState(TReader* Reader);

protected:
    virtual void Loaded();
    virtual void Notification(TComponent* component, TOperation operation);
    void SetComponentState(TComponentState state) { state_ = state; }
    // The designer's mark, on this component and (setChildren) every component it owns; a component
    // inserted into a designing owner takes it on.
    void SetDesigning(bool value, bool setChildren = true);
    // Marks csDestroying; derived destructors may call it early to stop work in their setters.
    void Destroying();

private:
    friend class TReader;
    TComponent* owner_ = nullptr;
    std::string name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    TComponentState state_;
};
