// Controls: TControl (bounds, parent, visibility, colours and fonts with their parent links, text,
// hints, cursors, control style, messages, painting requests, mouse and click events), the windowed
// TWinControl backed by a QWidget created on demand, TGraphicControl painted by its parent, and
// TCustomControl, a windowed control that paints itself on its Canvas.
//
// Messages: Perform hands a message to WindowProc (by default WndProc), which a derived class or a
// subclassing component may replace and chain; WndProc passes it on to Dispatch, where each class
// handles the numbers it knows and passes the rest to its base class, down to DefaultHandler.
//
// Windows of windowed controls: each has a handle from the platform's window registry, so that
// messages can be posted and sent to it, and a QWidget. Controls that paint themselves keep a
// 32-bit window surface: invalidated areas are painted into it (WM_ERASEBKGND, WM_PAINT, then the
// graphic children in z-order, each at its own origin and clipped to its bounds), and Qt shows it.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Classes.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Graphics.h"

#include <string>
#include <vector>

class QWidget;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlCanvas;

// Controls use bsNone and bsSingle only.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem {
    csLButtonDown,
    csClicked,
    csPalette,
    csReadingState,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csDocking
};
using TControlState = TSet<TControlStateItem>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// A cursor made from monochrome planes, as CreateCursor takes them: rows of width bits, each row
// padded to 16 bits, most significant bit first. AND 1 / XOR 0 is transparent, 0/0 black, 0/1
// white, 1/1 inverts the screen. 0 when the planes are not given or the size is not 1..256.
using HCURSOR = std::uintptr_t;
HCURSOR CreateCursor(HINSTANCE instance, int xHotSpot, int yHotSpot, int width, int height,
                     const void* andPlane, const void* xorPlane);
BOOL DestroyCursor(HCURSOR cursor);

// The class library's TWndMethod; platform/win already uses that name for window procedures.
using TWindowProcMethod = TMethod<void(TMessage& Message)>;
// A window procedure (platform/win/Messages.h) made from a method, as a component that subclasses
// a window makes its own; an exception that leaves the method goes to the application.
void* MakeObjectInstance(TWindowProcMethod Method);

// A component's procedure put in front of a window's (subclassing, GWL_WNDPROC), as the components
// that hook their form keep it: Install takes the window's current procedure and puts Method in its
// place; Remove (and destruction) puts it back only while Method is still the window's procedure,
// so a subclass installed later keeps its chain.
class TWindowSubclass {
public:
    TWindowSubclass() = default;
    ~TWindowSubclass() { Remove(); }
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;

    // False, with nothing installed, for a bad window or while installed already.
    bool Install(HWND Wnd, TWindowProcMethod Method);
    void Remove();
    bool Installed() const { return instance_ != nullptr; }
    HWND Wnd() const { return wnd_; }
    void* Previous() const { return previous_; }
    // The message through the procedure that was in place before: its answer in Message.Result.
    void CallPrevious(TMessage& Message) const;

private:
    HWND wnd_ = 0;
    void* instance_ = nullptr;
    void* previous_ = nullptr;
};

// Window and window-class styles as a control asks for them when its window is made. A control that
// paints itself gets a frame from WS_BORDER (one pixel) or WS_EX_CLIENTEDGE (two, sunken) and the
// window's scroll bars from WS_HSCROLL and WS_VSCROLL (ScrollBars.h); its client area is what they
// leave. The other styles are kept so that controls can state them.
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_HSCROLL = 0x00100000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
inline constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;
inline constexpr UINT CS_SAVEBITS = 0x0800;

struct TCreateParams {
    DWORD Style = 0;
    DWORD ExStyle = 0;
    struct {
        UINT style = 0;
    } WindowClass;
    // The system class the window is subclassed from (CreateSubClass); empty for none.
    std::string SubClassName;
};
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// Kept and stored; drawing stays left to right.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

class TControl;

// What is being dragged: made when a drag starts (or handed over by OnStartDrag), passed as the
// source to the controls it is dragged over and dropped on.
class TDragObject : public TObject {
public:
    TControl* Control = nullptr;
    // Where the drag is, in screen coordinates.
    TPoint DragPos;
    TControl* DragTarget = nullptr;
    TPoint DragTargetPos;
    bool Dropped = false;
    bool Cancelling = false;
};

class TDragDockObject : public TDragObject {};

// Size limits of a control; 0 is no limit. A change is applied to the control at once.
class TSizeConstraints : public TPersistent {
public:
    explicit TSizeConstraints(TControl* Control) : control_(Control) {}
    TControl* Control() const { return control_; }
    int MaxHeight() const { return maxHeight_; }
    int MaxWidth() const { return maxWidth_; }
    int MinHeight() const { return minHeight_; }
    int MinWidth() const { return minWidth_; }
    void SetMaxHeight(int value);
    void SetMaxWidth(int value);
    void SetMinHeight(int value);
    void SetMinWidth(int value);
    void Assign(const TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    void Change();
    TControl* control_;
    int maxHeight_ = 0;
    int maxWidth_ = 0;
    int minHeight_ = 0;
    int minWidth_ = 0;
};

using TMouseEvent = TMethod<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TMethod<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TMethod<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TMethod<void(TObject* Sender, char& Key)>;
using TDragOverEvent =
    TMethod<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TMethod<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = TMethod<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = TMethod<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDockEvent = TMethod<void(TObject* Sender, TDragDockObject*& DragObject)>;
using TCanResizeEvent = TMethod<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent =
    TMethod<void(TObject* Sender, int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight)>;
using TContextPopupEvent = TMethod<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TMouseWheelEvent =
    TMethod<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    TMethod<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // The client area in the control's own coordinates.
    virtual TRect ClientRect() const { return Rect(0, 0, width_, height_); }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int value) { SetClientSize(value, ClientHeight()); }
    void SetClientHeight(int value) { SetClientSize(ClientWidth(), value); }
    virtual void SetClientSize(int width, int height);
    // Screen position of the client area's top-left corner.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint& p) const;
    TPoint ScreenToClient(const TPoint& p) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);
    TAnchors Anchors{akLeft, akTop};

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TFont* Font() const { return font_; }
    void SetFont(const TFont* value) { font_->Assign(value); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    std::string Caption() const { return RealGetText(); }
    void SetCaption(const std::string& value) { SetText(value); }
    std::string Text() const { return RealGetText(); }
    void SetText(const std::string& value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* value);
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor value) { dragCursor_ = value; }
    TDragKind DragKind() const { return dragKind_; }
    void SetDragKind(TDragKind value) { dragKind_ = value; }
    TDragMode DragMode() const { return dragMode_; }
    virtual void SetDragMode(TDragMode value) { dragMode_ = value; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int value) { helpContext_ = value; }
    TBiDiMode BiDiMode() const { return biDiMode_; }
    void SetBiDiMode(TBiDiMode value);
    bool ParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool value);
    TSizeConstraints* Constraints() const { return constraints_; }
    void SetConstraints(const TSizeConstraints* value) { constraints_->Assign(value); }

    // Dragging: BeginDrag starts one at once (Immediately) or once the mouse has moved Threshold
    // pixels (-1: the system's); a dmAutomatic control starts one on a left press. The drag follows
    // the mouse over our own controls and ends on release (EndDrag(true)) or on Escape/cancel.
    void BeginDrag(bool Immediately, int Threshold = -1);
    void EndDrag(bool Drop);
    bool Dragging() const;
    // Asks the control whether it accepts Source at (X, Y) (OnDragOver; no handler: no).
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);

    // A control read from a stream takes the reader's parent.
    void ReadState(TReader* Reader) override;

    TControlStyle ControlStyle;
    TControlState ControlState;

    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
    // The entry of every message; replace it to subclass the control, and chain to the old value.
    TWindowProcMethod WindowProc;
    virtual void WndProc(TMessage& Message);
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);

    // Painting requests: Invalidate marks the control's area for painting, Update paints what is
    // marked now, Repaint and Refresh do both.
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    // Visible here and in every parent.
    bool IsVisibleOnScreen() const;

    virtual void Click();
    virtual void DblClick();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnResize;
    TCanResizeEvent OnCanResize;
    TConstrainedResizeEvent OnConstrainedResize;
    TContextPopupEvent OnContextPopup;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDock;
    TEndDragEvent OnEndDrag;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TStartDockEvent OnStartDock;
    TStartDragEvent OnStartDrag;

protected:
    virtual std::string RealGetText() const { return text_; }
    // Stores the text; windowed controls also hand it to their widget.
    virtual void RealSetText(const std::string& value) { text_ = value; }
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void Resize();
    // Asked before every change of bounds: OnCanResize may refuse the new size (nothing changes)
    // or alter it; then the constraints (ConstrainedResize may change them) limit it.
    virtual bool CanResize(int& NewWidth, int& NewHeight);
    virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);
    // A drag of this control starts (OnStartDrag may hand its own object) and ends (OnEndDrag;
    // Target is nullptr when it was not dropped on a control that accepts it).
    virtual void DoStartDrag(TDragObject*& DragObject);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    virtual void VisibleChanging() {}
    // Realigns the parent when this control is aligned.
    void RequestAlign();
    // Invalidates this control's rectangle on its parent.
    void InvalidateControl(bool IsVisible, bool IsOpaque);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    void SetMouseCapture(bool value);
    bool MouseCapture() const;
    // The popup menu that a right click shows: this control's, else its parent's.
    virtual TPopupMenu* GetPopupMenu() const;

private:
    friend class TWinControl;
    friend class TCustomForm;
    friend struct FormAccess;
    friend struct DragAccess;
    void FontChanged(TObject* Sender);
    void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
    void DoMouseUp(TMessage& Message, TMouseButton Button);
    void ApplyParentColor(const TMessage& Message);
    void ApplyParentFont(const TMessage& Message);
    // The size SetBounds may give (CanResize and the constraints); false: the bounds stay.
    bool CheckNewSize(int& NewWidth, int& NewHeight);
    // Mouse messages while this control is dragged; true when the drag took the message.
    bool DragMouseMessage(TMessage& Message);

    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clWindow;
    bool parentColor_ = true;
    TFont* font_;
    bool parentFont_ = true;
    std::string text_;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    TPopupMenu* popupMenu_ = nullptr;
    TCursor dragCursor_ = crDrag;
    TDragKind dragKind_ = dkDrag;
    TDragMode dragMode_ = dmManual;
    int helpContext_ = 0;
    TBiDiMode biDiMode_ = bdLeftToRight;
    bool parentBiDiMode_ = true;
    TSizeConstraints* constraints_;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    // Destroys the child controls, then the window.
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(const TControl* control) const;

    // The window handle, created with its parents' on first use.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != 0; }
    void HandleNeeded();
    // The widget that holds the client area (platform use).
    QWidget* Widget();
    // The styles the window was made with (GetWindowLong).
    const TCreateParams& WindowParams() const { return params_; }
    void RecreateWnd();

    bool Focused() const;
    bool CanFocus() const;
    virtual void SetFocus();
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    int TabOrder() const;
    void SetTabOrder(int value);
    bool Ctl3D = true;
    // Ctl3D follows the parent's while set; SetCtl3D clears it, and so does writing Ctl3D itself.
    bool ParentCtl3D() const { return parentCtl3D_ && Ctl3D == ctl3DApplied_; }
    void SetParentCtl3D(bool value);
    void SetCtl3D(bool value);
    TBrush* Brush() const { return brush_; }
    // Visible and every parent visible, with a window.
    bool Showing() const;

    // Paints this control and its children into dc at (X, Y).
    void PaintTo(HDC DC, int X, int Y);
    // The topmost visible child under Pos (client coordinates); windowed children only when asked.
    TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false) const;
    // Sends the message to every child control until one answers with a non-zero result.
    void Broadcast(TMessage& Message);
    void NotifyControls(UINT Msg);
    void Realign();
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();

    // Marks rect (client coordinates; nullptr: all) for painting; erase asks for WM_ERASEBKGND first.
    void InvalidateRect(const TRect* rect, bool erase);
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    // The child controls the root owns, each written with its own children.
    void GetChildren(TGetChildProc Proc, TComponent* Root) override;
    // The control less the frame and scroll bars its window has, as WM_NCCALCSIZE answered.
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;

    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    // Messages no handler took go to the system class the window is subclassed from, if any.
    void DefaultHandler(TMessage& Message) override;

    // Keyboard dispatch as the window gets it; true when a handler consumed the key.
    bool DoKeyDown(WORD& key, TShiftState shift);
    bool DoKeyPress(char& key);
    bool DoKeyUp(WORD& key, TShiftState shift);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // The entry of the messages the platform makes for the window (input, painting, sizes, its
    // destruction): they go to the window's procedure (GWL_WNDPROC), which a subclass may have
    // replaced. The window's own procedure runs them through WindowProc and hands an exception to
    // the application instead of letting it leave.
    LRESULT MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // The window surface's DC with its state saved, for drawing outside a paint (nullptr for a
    // control that does not paint itself); ReleaseSurfaceDC restores the state and shows the result.
    HDC AcquireSurfaceDC(int* savedLevel);
    void ReleaseSurfaceDC(int savedLevel);

protected:
    // The styles of the window about to be made.
    virtual void CreateParams(TCreateParams& Params);
    // Makes the window one of the system's class: "BUTTON" behaves as the system's button
    // (SystemButton.cpp); other names are not known and change nothing.
    void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
    // Makes the widget; the default paints through WM_ERASEBKGND and WM_PAINT on a window surface.
    virtual QWidget* CreateWidget(QWidget* parentWidget);
    // Called once the widget exists, to hand it the control's state.
    virtual void InitWidget() {}
    // Whether the control paints its client area on the window surface.
    virtual bool PaintsSelf() const { return true; }
    virtual void CreateHandle();
    virtual void DestroyHandle();
    // Top-level windows (forms) have no parent.
    virtual bool IsTopLevel() const { return false; }
    // The widget to place child widgets in, and the one that is shown for this control.
    virtual QWidget* OuterWidget() const;
    virtual void ApplyGeometry();
    virtual void ApplyVisible();

    virtual void PaintWindow(HDC DC);
    void PaintHandler(HDC DC);
    void PaintControls(HDC DC, TControl* First);
    // A child moved, was resized, came or went; the default realigns when it is aligned.
    virtual void AlignControl(TControl* AControl);
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void DoEnter();
    virtual void DoExit();
    void RealSetText(const std::string& value) override;
    // The text changed while the widget exists: the widget is to show it.
    virtual void TextChanged() {}
    void Loaded() override;

    QWidget* widget_ = nullptr;

private:
    friend class TControl;
    friend class TControlCanvas;
    friend class TCustomForm;
    friend struct WidgetAccess;
    friend struct FormAccess;
    friend struct NonClientAccess;
    friend struct SystemButtonAccess;
    void ApplyWidgetState();
    // The window's own procedure.
    LRESULT OwnWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The frame and scroll bars the styles ask for, around the client widget.
    void CreateNonClient(QWidget* parentWidget);
    void LayoutNonClient();
    // Asks the window procedure for the client rectangle (WM_NCCALCSIZE); true when it is less than
    // the window.
    bool CalcClientArea();
    // Where the client area starts in the window.
    TPoint ClientOffset() const;
    // The default WM_NCPAINT: the border and the face colour behind the scroll bars.
    void PaintNonClient();
    // Border width from the window's styles.
    int BorderWidth() const;
    void ApplyFont();
    void ApplyPalette();
    void ApplyCursor();
    void ApplyTabOrder();
    bool IsControlMouseMsg(TMessage& Message);
    void TrackMouseControl(TControl* control);
    void EnsureSurface();
    void FreeSurface();
    void FreeCanvases();
    void ValidateWindow();
    void InvalidateOwnRect(const TRect* rect, bool erase);
    void CopyParentPixels(const RECT& rect);
    void InvalidateTransparentChildren(const RECT& rect);

    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    HWND handle_ = 0;
    TCreateParams params_;
    TBrush* brush_;
    bool tabStop_ = false;
    bool parentCtl3D_ = true;
    // Ctl3D as the platform last set it; another value was written by hand.
    bool ctl3DApplied_ = true;
    int alignDisabled_ = 0;
    bool alignPending_ = false;
    TControl* captureControl_ = nullptr;

    // The window surface and what of it waits for painting.
    HBITMAP surface_ = nullptr;
    HDC surfaceDC_ = nullptr;
    HGDIOBJ surfaceOld_ = nullptr;
    void* surfaceBits_ = nullptr;
    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
    RECT invalid_{};
    bool eraseInvalid_ = false;
    std::vector<TControlCanvas*> openCanvases_;

    // Frame widget and the window's scroll bars (ScrollBars.h); null when the window has no
    // non-client area. The client rectangle in window coordinates, while it has one.
    QWidget* nonClient_ = nullptr;
    RECT clientArea_{};
    struct TScrollBarState {
        int Min = 0;
        int Max = 100;
        unsigned Page = 0;
        int Pos = 0;
        int TrackPos = 0;
        void* Bar = nullptr; // the QScrollBar
    };
    TScrollBarState scrollBars_[2];
    // Scroll-bar styles set by ShowScrollBar, kept when the window is made anew.
    DWORD shownBars_ = 0;
    DWORD hiddenBars_ = 0;
};

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const;
    void Dispatch(TMessage& Message) override;

protected:
    virtual void Paint() {}

private:
    TControlCanvas* canvas_;
};

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const;

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    TControlCanvas* canvas_;
};

// The canvas of a control. While the control paints, it draws on the paint DC; at any other time it
// draws straight onto the window surface of the control (or of its parent, for a graphic control),
// at the control's origin and clipped to it; the DC is let go at the next paint or when the
// application is idle.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : control_(control) {}
    ~TControlCanvas() override;
    TControl* Control() const { return control_; }
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl* control_;
    TWinControl* window_ = nullptr;
    int savedLevel_ = 0;
};

// The system button's window procedure (SystemButton.cpp), run as the control's default handler.
void SystemButtonProc(TWinControl* button, TMessage& Message);

// The form a control sits on, or nullptr.
TCustomForm* GetParentForm(TControl* control);
// The windowed control of a window handle, or nullptr.
TWinControl* FindControl(HWND handle);

// Window painting by handle, as the system's code asks for it.
BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND wnd);
// A DC over the window's client area (0: the whole screen); release it with ReleaseDC.
HDC GetDC(HWND wnd);
// A DC over the whole window in window coordinates, for painting its frame: the client area is
// left out (it shows the client's own pixels). A window without a frame gives its client DC.
HDC GetWindowDC(HWND wnd);
int ReleaseDC(HWND wnd, HDC dc);
inline constexpr UINT RDW_INVALIDATE = 0x0001;
inline constexpr UINT RDW_INTERNALPAINT = 0x0002;
inline constexpr UINT RDW_ERASE = 0x0004;
inline constexpr UINT RDW_VALIDATE = 0x0008;
inline constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
inline constexpr UINT RDW_NOERASE = 0x0020;
inline constexpr UINT RDW_NOCHILDREN = 0x0040;
inline constexpr UINT RDW_ALLCHILDREN = 0x0080;
inline constexpr UINT RDW_UPDATENOW = 0x0100;
inline constexpr UINT RDW_ERASENOW = 0x0200;
inline constexpr UINT RDW_FRAME = 0x0400;
inline constexpr UINT RDW_NOFRAME = 0x0800;
// Invalidates (RDW_INVALIDATE, with RDW_ERASE) and paints at once (RDW_UPDATENOW, RDW_ERASENOW);
// the windowed children too with RDW_ALLCHILDREN (and not RDW_NOCHILDREN), otherwise they keep
// what they painted. The region is not used.
BOOL RedrawWindow(HWND wnd, const RECT* rect, HRGN region, UINT flags);
// The window of a control by its class name and, when given, its caption; then the application's
// window ("TApplication", by its title); then a window another run of this user announced (the
// application windows of other runs). 0 when none.
HWND FindWindow(const char* className, const char* windowName);
BOOL IsWindowVisible(HWND wnd);
BOOL EnableWindow(HWND wnd, BOOL enable);
BOOL IsWindowEnabled(HWND wnd);
BOOL GetClientRect(HWND wnd, RECT* rect);
