// The bases of the library: settings objects and non-visual components tell their owner of every
// change through one event, suppressed between BeginUpdate and EndUpdate (no nesting count: one
// EndUpdate ends them all); the window-less and windowed control bases below.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Classes.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/TypInfo.h"

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

// --- Controls --------------------------------------------------------------------------------------

enum TLuxBoundsChangeState { bcSize, bcPos };
using TLuxBoundsChangeStates = TSet<TLuxBoundsChangeState>;
enum TLuxTransparencyMode { tmLux, tmReal };
using TLuxBoundsChangeEvent = TMethod<void(TObject* Sender, TLuxBoundsChangeStates States)>;

// The library's own messages, in the component-message range.
inline constexpr UINT CM_TRANSPARENTCHANGED = 0xB0CD;
inline constexpr UINT CM_LuxBACKCHANGED = 0xB0CE;
inline constexpr UINT CM_LuxAFTERENTER = 0xB0CF;
inline constexpr UINT CM_LuxAFTEREXIT = 0xB0D0;
inline constexpr UINT CM_LuxBEVELCHANGED = 0xB0D1;
inline constexpr UINT CM_LuxSCROLLBOXSCROLLEVENT = 0xB0D4;

// The window-less control base: mouse enter/exit events and a hook on changes of position or size.
class TLuxControl : public TGraphicControl {
public:
    explicit TLuxControl(TComponent* AOwner) : TGraphicControl(AOwner) {}
    // BoundsChange follows with what changed (bcPos, bcSize), unless nothing did or it is loading.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Dispatch(TMessage& Message) override;

    virtual void BoundsChange(TLuxBoundsChangeStates States);
    virtual void MouseEnter();
    virtual void MouseExit();
    // A settings object changed: paint again.
    virtual void GetChange(TObject* Sender);
    // Nothing to paint (subclasses refine it).
    virtual bool GetEmpty() { return true; }
    void FillControl();
    void DrawDashedFrame();

    std::string About;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;
    TLuxBoundsChangeEvent OnBoundsChange;
};

class TLuxCustomImageList;
class TLuxChangeLink;
class TLuxBitmapEffectObject; // LuxEffect.h

// The glyph source of both control bases: an image list of the library (Luxcont.h) with an image
// index and a list index, followed through a change link the control owns. A list of the global
// container is streamed as the ident property "Internal" instead of a reference.
template <class Base> class TLuxImageListUser : public Base {
public:
    explicit TLuxImageListUser(TComponent* AOwner);
    ~TLuxImageListUser() override;

    TLuxCustomImageList* ImageList() const { return imageList_; }
    // Moves the change link to the new list and asks it for a free notification; GetIMLChange(nil).
    void SetImageList(TLuxCustomImageList* Value);
    int ImageIndex() const { return imageIndex_; }
    int ListIndex() const { return listIndex_; }
    // Index 0 ImageIndex, 1 ListIndex: negative or unchanged values are ignored; GetIMLChange(nil)
    // only with an image list assigned.
    void SetIndex(int Index, int Value);
    // Without notification.
    void SetImageIndex(int Value) { imageIndex_ = Value; }
    // True unless the image list holds image (ListIndex, ImageIndex).
    bool IMLEmpty() const;
    // The stored rule of ImageList: assigned and not owned by LuxContainer.
    bool HasControl() const;
    virtual void GetIMLChange(TObject* Sender) = 0;
    void DefineProperties(TFiler* Filer) override;

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void LinkChanged(TObject* Sender) { GetIMLChange(Sender); }
    void ReadIdent(TReader* Reader);
    void WriteIdent(TWriter* Writer);
    bool CheckCont() const;

    TLuxChangeLink* changeLink_;
    TLuxCustomImageList* imageList_ = nullptr;
    int imageIndex_ = 0;
    int listIndex_ = 0;
};
extern template class TLuxImageListUser<TLuxControl>;
extern template class TLuxImageListUser<TCustomControl>;

class TLuxBaseControl : public TLuxImageListUser<TLuxControl> {
public:
    explicit TLuxBaseControl(TComponent* AOwner);
    ~TLuxBaseControl() override;
    void Dispatch(TMessage& Message) override;

    // The effects applied to the control's background; its changes repaint the control.
    TLuxBitmapEffectObject* BackFX() const { return backFX_; }
    void SetBackFX(const TLuxBitmapEffectObject* Value);

    // Whether the control draws a background its parent supplies, instead of being erased.
    virtual bool CheckOptimized() { return false; }
    void GetIMLChange(TObject* Sender) override { GetChange(Sender); }
    // P in the coordinates of the parent's back bitmap: moved by the parent's position (not for a
    // form) and by half the parent's frame.
    TPoint BackMapPoint(int X, int Y) const;
    // Both corners in screen coordinates.
    TRect GetScreenRect(const TRect& R) const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TLuxBitmapEffectObject* backFX_;
};

// Transparency and the repaint rule of the labels: a transparent control has its parent paint the
// background again, an opaque one paints itself at once.
class TLuxBaseGraphicControl : public TLuxBaseControl {
public:
    explicit TLuxBaseGraphicControl(TComponent* AOwner);
    void Dispatch(TMessage& Message) override;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    // Opaque, without telling anyone.
    void DisableTransMode();
    void InvalidateControl();
    void GetChange(TObject* Sender) override;
    bool CheckOptimized() override;

protected:
    void Paint() override;
    bool painting_ = false;

private:
    bool transparent_ = true;
};

// The windowed control base: transparency in two modes, the back-bitmap protocol for transparent
// children, flat borders lit while the mouse is over the control or it has the focus, and events
// that follow a completed focus change.
class TLuxCustomControl : public TLuxImageListUser<TCustomControl> {
public:
    explicit TLuxCustomControl(TComponent* AOwner);
    ~TLuxCustomControl() override;
    void Dispatch(TMessage& Message) override;

    // As in TLuxBaseControl.
    TLuxBitmapEffectObject* BackFX() const { return backFX_; }
    void SetBackFXObject(const TLuxBitmapEffectObject* Value);

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    TLuxTransparencyMode TransparencyMode() const { return transparencyMode_; }
    void SetTransparencyMode(TLuxTransparencyMode Value);
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    // The active flag (between DoEnter and DoExit).
    void SetBoolean(bool Value);
    bool Active() const { return active_; }
    void SetMouseAbove(bool Value) { mouseAbove_ = Value; }
    bool MouseAbove() const { return mouseAbove_; }
    bool RepaintOnChange = true;

    virtual void DoFlatChanged() {}
    virtual bool CheckOptimized() { return transparent_ && BackBitmapCheck(); }
    virtual void FillControl();
    virtual void GetChange(TObject* Sender);
    virtual bool GetEmpty() { return true; }
    void GetIMLChange(TObject* Sender) override { GetChange(Sender); }
    virtual void MouseEnter();
    virtual void MouseExit();
    // The back-bitmap protocol: a control that can supply its children's background overrides these.
    virtual TBitmap* BackBitmap() { return nullptr; }
    virtual bool BackBitmapCheck() { return false; }
    virtual bool BackDrawArea(TCanvas* Canvas, const TRect& Rect, const TPoint& Offset, WORD Flags);
    virtual TPoint BackMapPoint(const TPoint& P) { return P; }
    virtual HPALETTE BackBitmapPalette();
    // The lit frame and the flat one, on the window DC.
    virtual void RestoreBorderFront();
    virtual void RestoreBorderBack();
    // The background of Rect only: the parent's back bitmap where it offers one, else Color.
    void RepBack(const TRect& Rect);
    void InvalidateFrame();
    void DrawDashedFrame();

    std::string About;
    TNotifyEvent OnAfterEnter;
    TNotifyEvent OnAfterExit;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;

protected:
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    void DoEnter() override;
    void DoExit() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool RealTransparent() const { return transparent_ && transparencyMode_ == tmReal; }
    void BroadcastBackChanged();

    TLuxBitmapEffectObject* backFX_;
    bool mouseAbove_ = false;
    bool active_ = false;
    bool flat_ = false;
    bool transparent_ = false;
    TLuxTransparencyMode transparencyMode_ = tmLux;
};

// A class reference for the "is a" tests: answers whether an object is of the class or of one
// derived from it. nullptr is no class.
using TLuxClass = bool (*)(const TObject* Object);
template <class C> constexpr TLuxClass LuxClassOf() {
    return [](const TObject* Object) { return dynamic_cast<const C*>(Object) != nullptr; };
}

// The index of the first component of the form AComponent that is an AClass, or -1 (also when
// AComponent is no form or AClass is nullptr).
int LuxCheckForFormComponent(TComponent* AComponent, TLuxClass AClass);
// Raises Exception: only one dock label or button per control.
[[noreturn]] void LuxRaiseDockError(TComponent* AComponent, TComponent* AOther);

// The About row of the classes that publish their about text.
template <class C> TPropInfo LuxAboutProperty() {
    return published::Property<C>(
        "About", [](const C& c) { return c.About; }, [](C& c, const std::string& v) { c.About = v; });
}
