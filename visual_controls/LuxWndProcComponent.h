// The base of non-visual components that watch or change the messages of the form that owns them.
// It puts a window procedure of its own in front of the owner window's (on an MDI frame form, in
// front of its MDI client window's, unless HandleMDI), passes every message on to the previous
// procedure, and puts that back when it is disabled at design time, silently removed or destroyed.
// With HandleApp it also hooks the application's window. Descendants override WndProc (calling
// this class's to pass a message on) and AppWndProc.
//
// The form kind is taken from the owner's form style when the component is made, so a form sets its
// style before it makes its components, as a stored form does.
//
// Two components on one window chain: the later one passes to the earlier. Taken off in reverse
// order, each puts back what it found. Taken off out of order, the earlier one puts back the
// window's own procedure and so drops the later one from the chain (it sees no more messages); when
// the later one is then taken off, the procedure it would put back is gone and the window keeps its
// own. Meanwhile a procedure that was freed stands for the window's own, so nothing is lost.
#pragma once

#include "visual_controls/Luxbase.h"

class TLuxWndProcComponent : public TLuxCustomComponent {
public:
    enum TFormKind { fkNormal, fkMDIChild, fkMDIFrame };

    explicit TLuxWndProcComponent(TComponent* AOwner);
    // Puts the previous procedure back first.
    ~TLuxWndProcComponent() override;

    // The application window's messages, before the application handles them; true ends the message.
    // This class handles every one.
    virtual bool AppWndProc(TMessage& Message);
    // Subclasses the owner when enabled and not subclassed yet.
    virtual void Init();
    // Called when Enabled goes off at run time (or DesignEnabled at design time); this class keeps
    // the owner subclassed, a descendant decides.
    virtual void RestoreState();
    // Every message of the subclassed window: passed on to the previous procedure. WM_DESTROY is
    // passed on too; after it nothing more is, except on an MDI child, whose previous procedure is
    // put back first.
    virtual void WndProc(TMessage& Message);
    virtual void DesignEnabledChanged();

    bool NewWndProc();
    bool RestoreWndProc();
    TWinControl* GetOwnerForm() const;
    // The window subclassed: the owner's (made when it has none yet), or the MDI client window of an
    // MDI frame form unless HandleMDI; 0 when there is none.
    HWND GetOwnerHandle() const;
    // The owner's window exists and the component is neither loading nor being destroyed.
    bool ValidOwner() const;
    // Takes the procedure off and disables the component.
    void SilentRemove();

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    bool DesignEnabled() const { return designEnabled_; }
    void SetDesignEnabled(bool Value);
    bool HandleMDI() const { return handleMDI_; }
    void SetHandleMDI(bool Value) { handleMDI_ = Value; }
    bool HandleApp() const { return handleApp_; }
    // Taken only at design time or while loading.
    void SetHandleApp(bool Value);

    TFormKind FormKind() const { return formKind_; }
    // The window subclassed now (0: none) and its previous procedure.
    HWND SubclassedWindow() const { return wnd_; }
    void* PrevWndProc() const { return prevWndProc_; }
    // WM_DESTROY was seen.
    bool DestroyingWindow() const { return destroying_; }

protected:
    void Loaded() override;
    bool Designing() const;

private:
    bool enabled_ = true;
    bool designEnabled_ = false;
    bool silent_ = false;
    bool handleMDI_ = false;
    bool handleApp_ = false;
    TFormKind formKind_ = fkNormal;
    void* prevWndProc_ = nullptr;
    void* newWndProc_ = nullptr;
    // Kept so that the procedure goes back to the window it was taken from, whatever HandleMDI says
    // by then.
    HWND wnd_ = 0;
    bool hooked_ = false;
    bool destroying_ = false;
};
