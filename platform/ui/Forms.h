// Forms, the application object and the screen.
//
// A form is built in code: its constructor creates the components, runs BeginLoading, sets their
// properties and event bindings, and runs EndLoading; OnCreate fires once the form is loaded.
// Showing a form activates it (OnShow, then OnActivate); hiding or closing the active form
// activates the form that was active before it, as the window manager of the original did.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Controls.h"

#include <climits>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <vector>

class TMainMenu;
class TIcon;
class THintWindow;
class TTimer;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem>;

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

using TCloseEvent = TMethod<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TMethod<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    // Fires OnDestroy while the derived form still exists.
    void BeforeDestruction() override;
    // Its child controls that it owns, then, as the root, the other components it owns.
    void GetChildren(TGetChildProc Proc, TComponent* Root) override;

    void Show();
    void Hide();
    // OnCloseQuery, then OnClose with its action: caHide hides, caFree frees the form once the
    // current message has been handled, caMinimize minimises; closing the main form ends the
    // application. On a modal form it only sets ModalResult to mrCancel.
    void Close();
    bool CloseQuery();
    // Frees the form after the messages already queued.
    void Release();
    // Shows the form modally and returns its ModalResult; the dialog seam may answer in place of the
    // user.
    virtual int ShowModal();
    // The modal loop itself: shows and activates the form, then waits until ModalResult is set. A
    // script, when given, runs in place of the user once the form is up; if it leaves ModalResult at
    // 0 the form closes as with mrCancel.
    int ExecuteModal(const std::function<void(TCustomForm*)>& script = {});

    bool Active() const { return active_; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    // A form that never takes the focus: showing it activates nothing and clicks leave the keyboard
    // where it was (for windows that only show something, such as a splash picture).
    bool NoActivate() const { return noActivate_; }
    void SetNoActivate(bool value);
    // An MDI frame form's client window (fsMDIForm), made and destroyed with the form's window; its
    // messages go through its own procedure, which does nothing of its own. 0 for other forms.
    HWND ClientHandle() const { return clientHandle_; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState value);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    TFormState FormState() const { return formState_; }
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* value);
    TCanvas* Canvas() const;
    bool KeyPreview = false;

    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    void SetClientSize(int width, int height) override;
    // A new size asks the window for its limits (WM_GETMINMAXINFO) first and keeps to those its
    // procedure set, unless the form is a popup (bsNone, bsDialog).
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    void Dispatch(TMessage& Message) override;

    // Focus bookkeeping: sends CM_EXIT to the control that had the focus and CM_ENTER to the new one.
    void FocusChanged(TWinControl* control);
    void ControlRemoved(TWinControl* control);
    // The menu bar changed its items.
    void MenuChanged();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void Activate();
    virtual void Deactivate();
    virtual void DoClose(TCloseAction& Action);
    virtual void Paint();
    void PaintWindow(HDC DC) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void VisibleChanging() override;
    void TextChanged() override;

    void CreateHandle() override;
    void DestroyHandle() override;
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool IsTopLevel() const override { return true; }
    QWidget* OuterWidget() const override;
    void ApplyGeometry() override;
    void ApplyVisible() override;

private:
    friend class TScreen;
    friend class TApplication;
    friend struct FormAccess;
    void SetActive(bool value);
    void ApplyWindowFlags();
    // The kind of window and its hints, from the border, the styles and the application.
    unsigned WantedWindowFlags() const; // Qt::WindowFlags
    // WM_SIZE for a new window state (SIZE_MINIMIZED, SIZE_MAXIMIZED, SIZE_RESTORED).
    void StateSized();
    // Makes or destroys the MDI client window.
    void SetClientWindow(bool wanted);
    void PlaceOnShow();
    void CloseModal();
    // The first control in tab order, through its containers, that can take the focus.
    static TWinControl* FirstTabStop(const TWinControl* parent);
    int MenuHeight() const;
    // Border and caption around the client area, as the window's Width and Height count them: the
    // caption only while the style holds the whole of WS_CAPTION.
    TRect NonClient() const;
    // Sends WM_GETMINMAXINFO to the form's window with the system's proposal filled in and keeps the
    // answer; ownSizeLimits_ tells whether the procedure changed the tracking sizes.
    void QuerySizeLimits();
    // The size within the limits a procedure set (as they are; nothing without such limits).
    void KeepToSizeLimits(int& width, int& height) const;
    // Asks for the limits and brings the form within them; the frame follows.
    void EnforceSizeLimits();
    // The frame's smallest and largest size for the user's dragging.
    void ApplySizeLimits();
    // The window's styles (GWL_STYLE, GWL_EXSTYLE): those SetWindowLong gave it, else what the border
    // properties, the form style and the window state make of them. A set style keeps the window's
    // state (WS_MINIMIZE, WS_MAXIMIZE) live.
    DWORD Styles(DWORD& exStyle) const;
    // SetWindowLong of a style: the title bar, the task bar button and the stacking follow it, and the
    // window keeps its Width and Height (its client area changes when the caption comes or goes).
    void SetStyle(int index, DWORD value);
    // A border property makes the styles anew.
    void ResetStyles();

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    bool noActivate_ = false;
    bool styleSet_ = false;
    bool exStyleSet_ = false;
    DWORD style_ = 0;
    DWORD exStyle_ = 0;
    TWindowState windowState_ = wsNormal;
    TModalResult modalResult_ = mrNone;
    TFormState formState_;
    TMainMenu* menu_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    HWND clientHandle_ = 0;
    TControlCanvas* canvas_;
    QWidget* frame_ = nullptr;
    QWidget* menuBar_ = nullptr;
    bool active_ = false;
    bool created_ = false;
    bool destroyed_ = false;
    bool placed_ = false;
    // The window's answer to WM_GETMINMAXINFO, in window pixels.
    TPoint minTrack_{0, 0};
    TPoint maxTrack_{INT_MAX, INT_MAX};
    TPoint maxSize_{INT_MAX, INT_MAX};
    bool ownSizeLimits_ = false;
    bool queryingLimits_ = false;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// A window-less home for non-visual components, designed and loaded like a form.
class TDataModule : public TComponent {
public:
    using TComponent::TComponent;
    // Written with every component it owns.
    void GetChildren(TGetChildProc Proc, TComponent* Root) override;
};

using TExceptionEvent = TMethod<void(TObject* Sender, Exception* E)>;
using TIdleEvent = TMethod<void(TObject* Sender, bool& Done)>;
using TMessageEvent = TMethod<void(MSG& Msg, bool& Handled)>;
using THelpEvent = TMethod<bool(WORD Command, LPARAM Data, bool& CallHelp)>;
// What a hint about to be shown will look like; OnShowHint may change it.
struct THintInfo {
    TControl* HintControl = nullptr;
    TPoint HintPos;
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect;
    TPoint CursorPos;
};
using TShowHintEvent = TMethod<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// Sees the messages of the application's window before it does; true: handled.
using TWindowHook = TMethod<bool(TMessage& Message)>;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Creates the Qt application when there is none and lets the platform's message queue run in
    // Qt's loop.
    void Initialize();
    // Creates a form owned by the application; reference is set before the form's constructor runs,
    // as the class library does. The first form created becomes MainForm.
    template <class T> void CreateForm(T*& reference) {
        void* memory = ::operator new(sizeof(T));
        reference = static_cast<T*>(memory);
        T* form = nullptr;
        try {
            form = new (memory) T(this);
        } catch (...) {
            ::operator delete(memory);
            reference = nullptr;
            throw;
        }
        if (!mainForm_) {
            if (auto* f = dynamic_cast<TCustomForm*>(form)) SetMainFormOnCreate(f);
        }
    }
    // Shows the main form and runs the message loop until Terminate (closing the main form
    // terminates).
    void Run();
    // Handles the messages and Qt events waiting now.
    void ProcessMessages();
    // Waits for the next message or event and handles what arrived.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // For tests that start a program more than once in one process.
    void ResetTerminated();

    // Hands the exception being handled (inside a catch) to OnException, or shows it.
    void HandleException(TObject* Sender);
    // The standard error box: the message (with a full stop added unless it ends in one), the
    // application's title, an OK button.
    void ShowException(const Exception* E);
    int MessageBox(const std::string& Text, const std::string& Caption, int Flags = 0);

    std::string Title() const;
    // The title is also the text of the application's window (other runs find it by that).
    void SetTitle(const std::string& value);
    // The application's hidden window (class "TApplication"), made by Initialize: other runs of
    // this user find it by the title with FindWindow. Making it starts this run's service.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != 0; }
    // The text of that window: the title, unless SetWindowText changed it since.
    const std::string& HandleText() const { return handleText_; }
    void SetHandleText(const std::string& value);
    std::string ExeName() const;
    TCustomForm* MainForm() const { return mainForm_; }
    bool ShowMainForm = true;
    bool ShowHint = true;
    std::string Hint;
    TExceptionEvent OnException;

    // Frees every form the application owns (last created first).
    void DestroyForms();

    // Settings and events of the application as a whole (ApplicationEvents.cpp).
    std::string HelpFile;
    TColor HintColor = clInfoBk;
    int HintPause = 500;
    // While a hint shows, the pointer coming onto another control with a hint waits this long.
    int HintShortPause = 50;
    int HintHidePause = 2500;
    // Fires OnHint when the text changes.
    void SetHint(const std::string& value);
    // The application's icon (owned); setting copies the image.
    TIcon* Icon();
    void SetIcon(TIcon* value);
    // Minimises or restores every visible form; OnMinimize and OnRestore follow.
    void Minimize();
    void Restore();
    // The hooks run in the order they were installed, before the window's own handling; the first
    // that handles a message ends it. A hook installed twice runs once.
    void HookMainWindow(TWindowHook Hook);
    void UnhookMainWindow(TWindowHook Hook);
    // The session asks to end: WM_QUERYENDSESSION to the application's window (an answer of 0
    // refuses), then WM_ENDSESSION with the outcome. True when the session may end. Qt's session
    // manager asks through here.
    bool QueryEndSession();
    // The text, place and colour of a hint about to be shown over control, as OnShowHint leaves
    // them; false when it is not to be shown.
    bool ShowingHint(TControl* control, std::string& text, THintInfo& info);
    // The hint window (HintWindow.h), made from HintWindowClass when a hint is first shown and made
    // anew when the class changed; nullptr before.
    THintWindow* HintWindow() const { return hintWindow_; }
    // A mouse move over Control: the wait for its hint (HintPause, or HintShortPause while another
    // hint shows) starts when the pointer came onto another control or left the hinted one's
    // rectangle; over no control with ShowHint the hint goes.
    void HintMouseMessage(TControl* Control, const TMessage& Message);
    // The wait is over: shows the hint of the control the pointer rests on, at the pointer, unless
    // the control answers CM_HINTSHOW with non-zero or OnShowHint says no. HintHidePause later the
    // hint goes.
    void ActivateHint(const TPoint& CursorPos);
    void CancelHint();
    // Asks the hint window whether Msg closes the hint (and closes it then); every mouse and key
    // message the platform hands a window passes here first.
    bool IsHintMsg(const MSG& Msg);
    // The application's window stands for the program's button on the task bar: while it is hidden
    // (ShowWindow SW_HIDE) or a tool window (WS_EX_TOOLWINDOW), the main form is a tool window, which
    // window managers leave off the task bar, unless the form itself asks for a button
    // (WS_EX_APPWINDOW); WS_EX_TOPMOST of the application's window keeps such a main form above
    // other windows as well. The window's visibility and extended style are set through ShowWindow
    // and SetWindowLong (WindowQueries.h).
    bool TaskBarButton() const;
    bool TaskBarToolOnTop() const;
    bool HandleShown() const { return handleShown_; }
    void SetHandleShown(bool value);
    DWORD HandleExStyle() const { return handleExStyle_; }
    void SetHandleExStyle(DWORD value);
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    THelpEvent OnHelp;
    TNotifyEvent OnHint;
    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TShowHintEvent OnShowHint;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void SetMainFormOnCreate(TCustomForm* form);
    LRESULT WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Ties the application to Qt's signals (state, session, idle) once Qt runs.
    void ConnectQt();
    std::vector<TWindowHook> hooks_;
    void HintTimerExpired(TObject* Sender);
    void StartHintTimer(int Pause, bool Show);
    void SetHintControl(TControl* Control);
    THintWindow* hintWindow_ = nullptr;
    THintWindow* (*hintWindowMaker_)(TComponent*) = nullptr;
    TControl* hintControl_ = nullptr;
    TRect hintCursorRect_;
    bool hintActive_ = false;
    bool hintTimerShows_ = false;
    TTimer* hintTimer_ = nullptr;
    TIcon* icon_ = nullptr;
    bool minimized_ = false;
    bool qtConnected_ = false;
    bool handleShown_ = true;
    DWORD handleExStyle_ = 0;

    TCustomForm* mainForm_ = nullptr;
    std::string title_;
    HWND handle_ = 0;
    std::string handleText_;
    bool terminated_ = false;
    bool running_ = false;
    void* runLoop_ = nullptr;
};

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner) : TComponent(AOwner) {}

    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return 96; }
    TCursor Cursor() const { return cursor_; }
    // crDefault lets every control show its own cursor again.
    void SetCursor(TCursor value);
    // The cursors by number: the predefined ones (crArrow ...) and those a program registers
    // (SetCursors); an unknown number gives the default cursor's. Controls whose Cursor is a
    // registered number show that cursor.
    HCURSOR Cursors(TCursor index) const;
    void SetCursors(TCursor index, HCURSOR cursor);
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const { return forms_.at(static_cast<std::size_t>(index)); }
    TCustomForm* ActiveForm() const { return activeForm_; }
    TWinControl* ActiveControl() const { return activeForm_ ? activeForm_->ActiveControl() : nullptr; }

    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

private:
    friend class TCustomForm;
    friend struct FormAccess;
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    // Makes form the active one (nullptr: none), deactivating the previous one.
    void ActivateForm(TCustomForm* form);
    // The active form went away: the most recently active visible form takes over.
    void ActivateNext(TCustomForm* leaving);

    std::vector<TCustomForm*> forms_;
    std::vector<TCustomForm*> activation_; // most recent first
    TCustomForm* activeForm_ = nullptr;
    TCursor cursor_ = crDefault;
};

extern TApplication* Application;
extern TScreen* Screen;

// Whether VK is the access key ("&x", case-blind) of the caption Str.
bool IsAccel(unsigned VK, const std::string& Str);
