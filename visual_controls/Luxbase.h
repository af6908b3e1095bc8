// The bases of the library's settings objects and non-visual components: one change event to the
// owner, suppressed between BeginUpdate and EndUpdate (no nesting count: one EndUpdate ends them all).
#pragma once

#include "platform/ui/Classes.h"

#include <string>

class TLuxObject : public TPersistent {
public:
    TLuxObject() = default;
    // Calls OnChange unless an update is in progress.
    virtual void Change();
    virtual void GetChange(TObject* Sender);
    // A short summary for design-time display.
    virtual std::string GetSetStr();
    void BeginUpdate() { update_ = true; }
    void EndUpdate(bool Notify);

    TNotifyEvent OnChange;

protected:
    bool update_ = false;
};

class TLuxCustomComponent : public TComponent {
public:
    using TComponent::TComponent;
    virtual void Change();
    virtual void GetChange(TObject* Sender);
    void BeginUpdate() { update_ = true; }
    void EndUpdate(bool Notify);

    std::string About;
    TNotifyEvent OnChange;

protected:
    bool update_ = false;
};
