#include "visual_controls/LuxWndProcComponent.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"

namespace {

TWindowHook AppHookOf(TLuxWndProcComponent* component) {
    return TWindowHook::Bind<&TLuxWndProcComponent::AppWndProc>(component);
}

} // namespace

TLuxWndProcComponent::TLuxWndProcComponent(TComponent* AOwner) : TLuxCustomComponent(AOwner) {
    if (auto* form = dynamic_cast<TCustomForm*>(AOwner)) {
        if (form->FormStyle() == fsMDIChild)
            formKind_ = fkMDIChild;
        else if (form->FormStyle() == fsMDIForm)
            formKind_ = fkMDIFrame;
    }
}

TLuxWndProcComponent::~TLuxWndProcComponent() {
    Destroying();
    RestoreWndProc();
}

bool TLuxWndProcComponent::Designing() const {
    return ComponentState().Contains(TComponentStateItem::csDesigning);
}

void TLuxWndProcComponent::Loaded() {
    TLuxCustomComponent::Loaded();
    if (!Designing() || designEnabled_) Init();
}

void TLuxWndProcComponent::Init() {
    if (enabled_ && !newWndProc_) NewWndProc();
}

bool TLuxWndProcComponent::NewWndProc() {
    if (prevWndProc_ || (Designing() && !designEnabled_)) return false;
    const HWND wnd = GetOwnerHandle();
    if (!wnd) return false;
    try {
        destroying_ = false;
        if (handleApp_ && Application) {
            Application->HookMainWindow(AppHookOf(this));
            hooked_ = true;
        }
        newWndProc_ = MakeObjectInstance(TWindowProcMethod::Bind<&TLuxWndProcComponent::WndProc>(this));
        prevWndProc_ = reinterpret_cast<void*>(GetWindowLongPtr(wnd, GWL_WNDPROC));
        if (!prevWndProc_ || !SetWindowLongPtr(wnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(newWndProc_)))
            throw Exception("The window procedure cannot be replaced");
        wnd_ = wnd;
        return true;
    } catch (const Exception&) {
        prevWndProc_ = nullptr;
        RestoreWndProc();
        return false;
    }
}

bool TLuxWndProcComponent::RestoreWndProc() {
    if (prevWndProc_ && wnd_) SetWindowLongPtr(wnd_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(prevWndProc_));
    prevWndProc_ = nullptr;
    wnd_ = 0;
    if (newWndProc_) FreeObjectInstance(newWndProc_);
    newWndProc_ = nullptr;
    // The hook goes whenever it is in, even if HandleApp was switched off since: a hook left behind
    // would call a component that no longer exists.
    if (hooked_) {
        if (Application) Application->UnhookMainWindow(AppHookOf(this));
        hooked_ = false;
    }
    silent_ = false;
    destroying_ = false;
    return true;
}

TWinControl* TLuxWndProcComponent::GetOwnerForm() const {
    return dynamic_cast<TWinControl*>(Owner());
}

HWND TLuxWndProcComponent::GetOwnerHandle() const {
    TWinControl* owner = GetOwnerForm();
    if (!owner) return 0;
    try {
        const HWND wnd = owner->Handle();
        if (formKind_ == fkMDIFrame && !handleMDI_)
            if (auto* form = dynamic_cast<TCustomForm*>(owner)) return form->ClientHandle();
        return wnd;
    } catch (const Exception&) {
        return 0;
    }
}

void TLuxWndProcComponent::SetEnabled(bool Value) {
    if (Value == enabled_) return;
    enabled_ = Value;
    if (Designing()) return;
    if (Value)
        Init();
    else
        RestoreState();
}

void TLuxWndProcComponent::SetDesignEnabled(bool Value) {
    if (Value == designEnabled_) return;
    designEnabled_ = Value;
    if (Designing()) {
        if (Value)
            Init();
        else
            RestoreState();
    }
    DesignEnabledChanged();
}

void TLuxWndProcComponent::DesignEnabledChanged() {
    if (Designing() && !designEnabled_) RestoreWndProc();
}

void TLuxWndProcComponent::SetHandleApp(bool Value) {
    const TComponentState state = ComponentState();
    if (state.Contains(TComponentStateItem::csDesigning) || state.Contains(TComponentStateItem::csLoading))
        handleApp_ = Value;
}

void TLuxWndProcComponent::SilentRemove() {
    silent_ = true;
    RestoreWndProc();
    SetEnabled(false);
}

bool TLuxWndProcComponent::ValidOwner() const {
    const TWinControl* owner = GetOwnerForm();
    const TComponentState state = ComponentState();
    return owner && owner->HandleAllocated() && !state.Contains(TComponentStateItem::csLoading) &&
           !state.Contains(TComponentStateItem::csDestroying);
}

bool TLuxWndProcComponent::AppWndProc(TMessage&) {
    return true;
}

void TLuxWndProcComponent::RestoreState() {}

void TLuxWndProcComponent::WndProc(TMessage& Message) {
    if (destroying_) return;
    if (Message.Msg == WM_DESTROY) {
        destroying_ = true;
        if (formKind_ == fkMDIChild) {
            // The procedure goes back first; the window's own handling still gets its WM_DESTROY.
            const HWND wnd = wnd_;
            void* previous = prevWndProc_;
            RestoreWndProc();
            Message.Result = CallWindowProc(previous, wnd, Message.Msg, Message.WParam, Message.LParam);
            return;
        }
    }
    Message.Result = CallWindowProc(prevWndProc_, wnd_, Message.Msg, Message.WParam, Message.LParam);
}

namespace {

// Nothing of its own: the descendants publish About and Enabled.
const bool kPublished = [] {
    PublishProperties<TLuxWndProcComponent, TLuxCustomComponent>({});
    RegisterClass<TLuxWndProcComponent>();
    return true;
}();

} // namespace
