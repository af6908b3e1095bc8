#include "visual_controls/LuxWndProcComponent.h"

#include "platform/gdi/Draw.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_PROBE = WM_USER + 1;
constexpr UINT WM_LATER = WM_USER + 2;

std::vector<std::string> trail;

void* ProcOf(HWND wnd) {
    return reinterpret_cast<void*>(GetWindowLongPtr(wnd, GWL_WNDPROC));
}

// A component that notes what passes through it and can keep one message to itself.
class TProbe : public TLuxWndProcComponent {
public:
    TProbe(TComponent* owner, std::string name) : TLuxWndProcComponent(owner), name_(std::move(name)) {}
    void WndProc(TMessage& Message) override {
        if (Message.Msg >= WM_USER || Message.Msg == WM_DESTROY)
            trail.push_back(name_ + " " + std::to_string(Message.Msg));
        if (Message.Msg == Swallow) return;
        TLuxWndProcComponent::WndProc(Message);
    }
    bool AppWndProc(TMessage& Message) override {
        if (Message.Msg >= WM_USER) trail.push_back(name_ + " app " + std::to_string(Message.Msg));
        return HandleAppMessages ? TLuxWndProcComponent::AppWndProc(Message) : false;
    }
    void Design() {
        TComponentState state = ComponentState();
        state.Include(TComponentStateItem::csDesigning);
        SetComponentState(state);
    }

    UINT Swallow = WM_NULL;
    bool HandleAppMessages = true;

private:
    std::string name_;
};

// Stands in front of a window's procedure before the components come, noting what reaches it:
// what the components pass on.
class TRecorder {
public:
    explicit TRecorder(HWND wnd) : wnd_(wnd) {
        instance_ = MakeObjectInstance([this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            seen.push_back(m);
            return CallWindowProc(previous_, h, m, w, l);
        });
        previous_ = reinterpret_cast<void*>(
            SetWindowLongPtr(wnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(instance_)));
    }
    ~TRecorder() {
        if (ProcOf(wnd_) == instance_)
            SetWindowLongPtr(wnd_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        FreeObjectInstance(instance_);
    }
    TRecorder(const TRecorder&) = delete;
    TRecorder& operator=(const TRecorder&) = delete;
    void* Instance() const { return instance_; }
    bool Saw(UINT msg) const { return std::count(seen.begin(), seen.end(), msg) > 0; }

    std::vector<UINT> seen;

private:
    HWND wnd_;
    void* instance_ = nullptr;
    void* previous_ = nullptr;
};

// Notes the messages that reach a control's own handling (behind its window procedure).
struct TOwnLog {
    TWindowProcMethod previous;
    std::vector<UINT> seen;
    void Proc(TMessage& Message) {
        seen.push_back(Message.Msg);
        previous(Message);
    }
    void Attach(TControl* control) {
        previous = control->WindowProc;
        control->WindowProc = TWindowProcMethod::Bind<&TOwnLog::Proc>(this);
    }
    bool Saw(UINT msg) const { return std::count(seen.begin(), seen.end(), msg) > 0; }
};

struct LuxWndProcComponentTest : ::testing::Test {
    static void SetUpTestSuite() { Application->Initialize(); }
    void SetUp() override { trail.clear(); }

    // A form with the given style; the style comes before the components, as in a stored form.
    static std::unique_ptr<TForm> NewForm(TFormStyle style = fsNormal) {
        auto form = std::make_unique<TForm>(nullptr);
        form->SetFormStyle(style);
        form->SetClientSize(200, 100);
        return form;
    }
    // Runs the loading protocol, as the form's constructor does once its components are made.
    static void Load(TComponent* form) {
        form->BeginLoading();
        form->EndLoading();
    }
};

TEST_F(LuxWndProcComponentTest, LoadingSubclassesTheOwnerAndDestroyingPutsThePreviousProcedureBack) {
    auto form = NewForm();
    const HWND wnd = form->Handle();
    void* own = ProcOf(wnd);
    auto* probe = new TProbe(form.get(), "p");
    EXPECT_EQ(probe->FormKind(), TLuxWndProcComponent::fkNormal);
    EXPECT_EQ(ProcOf(wnd), own); // nothing before loading
    Load(form.get());
    EXPECT_EQ(probe->SubclassedWindow(), wnd);
    EXPECT_EQ(probe->PrevWndProc(), own);
    EXPECT_NE(ProcOf(wnd), own);
    EXPECT_TRUE(probe->ValidOwner());

    // Messages pass on to the form's own handling, once each; a second Init changes nothing.
    TOwnLog log;
    log.Attach(form.get());
    void* installed = ProcOf(wnd);
    probe->Init();
    EXPECT_EQ(ProcOf(wnd), installed);
    EXPECT_EQ(probe->PrevWndProc(), own);
    SendMessage(wnd, WM_PROBE, 0, 0);
    EXPECT_EQ(trail, (std::vector<std::string>{"p 1025"}));
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), WM_PROBE), 1);

    delete probe;
    EXPECT_EQ(ProcOf(wnd), own);
    SendMessage(wnd, WM_PROBE, 0, 0);
    EXPECT_EQ(trail.size(), 1u);
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), WM_PROBE), 2);
    form->WindowProc = log.previous;
}

TEST_F(LuxWndProcComponentTest, TheOwnersWindowIsMadeWhenItHasNoneAndAnOwnerWithoutWindowIsLeftAlone) {
    auto form = NewForm();
    auto* probe = new TProbe(form.get(), "p");
    Load(form.get());
    ASSERT_TRUE(form->HandleAllocated());
    EXPECT_EQ(probe->SubclassedWindow(), form->Handle());

    // Owned by something that is no window: nothing to subclass.
    TComponent holder(nullptr);
    auto* loose = new TProbe(&holder, "loose");
    Load(&holder);
    EXPECT_EQ(loose->GetOwnerHandle(), 0u);
    EXPECT_FALSE(loose->NewWndProc());
    EXPECT_FALSE(loose->ValidOwner());
}

// WM_DESTROY by the kind of form, sent while subclassed, then a later message; afterwards the form
// itself destroyed. On an MDI child the procedure goes back before WM_DESTROY is passed on.
TEST_F(LuxWndProcComponentTest, DestroyMessageByFormKind) {
    struct Case {
        const char* name;
        TFormStyle style;
        bool handleMDI;
        bool onClient;          // the MDI client window is the one subclassed
        bool laterPassedOn;     // a message after WM_DESTROY reaches the previous procedure
        bool restoredAtDestroy; // the previous procedure is back after WM_DESTROY
    };
    const Case cases[] = {
        {"normal form", fsNormal, false, false, false, false},
        {"MDI child", fsMDIChild, false, false, true, true},
        {"MDI frame", fsMDIForm, false, true, false, false},
        {"MDI frame, HandleMDI", fsMDIForm, true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool realDestroy : {false, true}) {
            trail.clear();
            auto form = NewForm(c.style);
            form->HandleNeeded();
            const HWND wnd = c.onClient ? form->ClientHandle() : form->Handle();
            ASSERT_NE(wnd, 0u);
            auto recorder = std::make_unique<TRecorder>(wnd);
            auto* probe = new TProbe(form.get(), "p");
            probe->SetHandleMDI(c.handleMDI);
            Load(form.get());
            ASSERT_EQ(probe->SubclassedWindow(), wnd);
            EXPECT_EQ(probe->FormKind(), c.style == fsMDIChild  ? TLuxWndProcComponent::fkMDIChild
                                         : c.style == fsMDIForm ? TLuxWndProcComponent::fkMDIFrame
                                                                : TLuxWndProcComponent::fkNormal);
            SendMessage(wnd, WM_PROBE, 0, 0);
            EXPECT_TRUE(recorder->Saw(WM_PROBE));

            if (realDestroy) {
                TOwnLog own;
                own.Attach(form.get());
                form.reset();
                EXPECT_EQ(std::count(recorder->seen.begin(), recorder->seen.end(), WM_DESTROY), 1);
                EXPECT_EQ(recorder->seen.back(), WM_DESTROY);
                EXPECT_TRUE(own.Saw(WM_DESTROY));
                EXPECT_FALSE(IsWindow(wnd));
                continue;
            }
            SendMessage(wnd, WM_DESTROY, 0, 0);
            EXPECT_TRUE(recorder->Saw(WM_DESTROY));
            EXPECT_EQ(ProcOf(wnd) == recorder->Instance(), c.restoredAtDestroy);
            SendMessage(wnd, WM_LATER, 0, 0);
            EXPECT_EQ(recorder->Saw(WM_LATER), c.laterPassedOn);
            // The component sees the later message only while it is still in place.
            EXPECT_EQ(trail.back() == "p " + std::to_string(WM_LATER), !c.restoredAtDestroy);
            // Subclassing anew clears what WM_DESTROY left.
            if (c.restoredAtDestroy) {
                EXPECT_TRUE(probe->NewWndProc());
                SendMessage(wnd, WM_LATER, 0, 0);
                EXPECT_EQ(std::count(recorder->seen.begin(), recorder->seen.end(), WM_LATER), 2);
            }
            form.reset();
        }
    }
}

TEST_F(LuxWndProcComponentTest, TwoComponentsChainAndComeOffInReverseOrder) {
    auto form = NewForm();
    const HWND wnd = form->Handle();
    void* own = ProcOf(wnd);
    auto* first = new TProbe(form.get(), "first");
    Load(form.get());
    void* firstsProc = ProcOf(wnd);
    EXPECT_EQ(first->PrevWndProc(), own);
    auto* second = new TProbe(form.get(), "second");
    second->Init();
    EXPECT_EQ(second->PrevWndProc(), firstsProc);
    EXPECT_NE(ProcOf(wnd), firstsProc);
    TOwnLog log;
    log.Attach(form.get());
    SendMessage(wnd, WM_PROBE, 0, 0);
    EXPECT_EQ(trail, (std::vector<std::string>{"second 1025", "first 1025"}));
    EXPECT_TRUE(log.Saw(WM_PROBE));

    delete second;
    EXPECT_EQ(ProcOf(wnd), firstsProc);
    delete first;
    EXPECT_EQ(ProcOf(wnd), own);
    trail.clear();
    SendMessage(wnd, WM_PROBE, 0, 0);
    EXPECT_TRUE(trail.empty());
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), WM_PROBE), 2);
    form->WindowProc = log.previous;
}

// Out of order, the earlier component puts back the window's own procedure: the later one drops out
// of the chain; taking it off then cannot put back the freed procedure, and the window keeps its own.
TEST_F(LuxWndProcComponentTest, TwoComponentsComingOffOutOfOrderLeaveTheWindowItsOwnProcedure) {
    auto form = NewForm();
    const HWND wnd = form->Handle();
    void* own = ProcOf(wnd);
    auto* first = new TProbe(form.get(), "first");
    Load(form.get());
    auto* second = new TProbe(form.get(), "second");
    second->Init();
    TOwnLog log;
    log.Attach(form.get());

    delete first;
    EXPECT_EQ(ProcOf(wnd), own);
    SendMessage(wnd, WM_PROBE, 0, 0);
    EXPECT_TRUE(trail.empty());
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), WM_PROBE), 1);
    // What the later one still passes on reaches the window's own handling.
    TMessage m{WM_LATER, 0, 0, 0};
    second->WndProc(m);
    EXPECT_TRUE(log.Saw(WM_LATER));

    delete second;
    EXPECT_EQ(ProcOf(wnd), own);
    SendMessage(wnd, WM_PROBE, 0, 0);
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), WM_PROBE), 2);
    form->WindowProc = log.previous;
}

TEST_F(LuxWndProcComponentTest, EnablingAndSilentRemoval) {
    auto form = NewForm();
    const HWND wnd = form->Handle();
    void* own = ProcOf(wnd);
    auto* probe = new TProbe(form.get(), "p");
    probe->SetEnabled(false);
    Load(form.get());
    EXPECT_EQ(ProcOf(wnd), own);
    probe->SetEnabled(true);
    EXPECT_NE(ProcOf(wnd), own);
    // Switched off at run time, this class stays in place (RestoreState does nothing).
    probe->SetEnabled(false);
    EXPECT_NE(ProcOf(wnd), own);
    probe->SetEnabled(true);
    probe->SilentRemove();
    EXPECT_EQ(ProcOf(wnd), own);
    EXPECT_FALSE(probe->Enabled());
    probe->SetEnabled(true);
    EXPECT_EQ(probe->PrevWndProc(), own);
    EXPECT_NE(ProcOf(wnd), own);
}

TEST_F(LuxWndProcComponentTest, AtDesignTimeOnlyDesignEnabledSubclasses) {
    auto form = NewForm();
    const HWND wnd = form->Handle();
    void* own = ProcOf(wnd);
    auto* probe = new TProbe(form.get(), "p");
    probe->Design();
    Load(form.get());
    EXPECT_EQ(ProcOf(wnd), own);
    EXPECT_FALSE(probe->NewWndProc());
    probe->SetEnabled(false);
    probe->SetEnabled(true); // Enabled does not act at design time
    EXPECT_EQ(ProcOf(wnd), own);
    probe->SetDesignEnabled(true);
    EXPECT_NE(ProcOf(wnd), own);
    probe->SetDesignEnabled(false);
    EXPECT_EQ(ProcOf(wnd), own);
    // HandleApp is taken at design time only (and while loading).
    probe->SetHandleApp(true);
    EXPECT_TRUE(probe->HandleApp());
}

TEST_F(LuxWndProcComponentTest, HandleAppHooksTheApplicationsWindowWhileSubclassed) {
    const HWND app = Application->Handle();
    EXPECT_EQ(SendMessage(app, WM_QUERYENDSESSION, 0, 0), 1);
    auto form = NewForm();
    auto* probe = new TProbe(form.get(), "p");
    probe->SetHandleApp(true); // not loading yet: not taken
    EXPECT_FALSE(probe->HandleApp());
    form->BeginLoading();
    probe->SetHandleApp(true);
    form->EndLoading();
    ASSERT_TRUE(probe->HandleApp());

    // The hook comes before the application's own handling and, answering true, ends the message.
    SendMessage(app, WM_PROBE, 0, 0);
    EXPECT_EQ(trail, (std::vector<std::string>{"p app 1025"}));
    EXPECT_EQ(SendMessage(app, WM_QUERYENDSESSION, 0, 0), 0);
    probe->HandleAppMessages = false;
    EXPECT_EQ(SendMessage(app, WM_QUERYENDSESSION, 0, 0), 1);
    probe->HandleAppMessages = true;

    probe->SilentRemove();
    trail.clear();
    SendMessage(app, WM_PROBE, 0, 0);
    EXPECT_TRUE(trail.empty());
    EXPECT_EQ(SendMessage(app, WM_QUERYENDSESSION, 0, 0), 1);
    probe->SetEnabled(true);
    SendMessage(app, WM_PROBE, 0, 0);
    EXPECT_EQ(trail.size(), 1u);

    // Freeing the form takes the hook off with the component.
    form.reset();
    trail.clear();
    SendMessage(app, WM_PROBE, 0, 0);
    EXPECT_TRUE(trail.empty());
    EXPECT_EQ(SendMessage(app, WM_QUERYENDSESSION, 0, 0), 1);
}

// HandleApp switched off at design time while the hook is in: the hook still goes with the
// component, rather than calling it once it is freed.
TEST_F(LuxWndProcComponentTest, TheApplicationHookGoesEvenWhenHandleAppWasSwitchedOff) {
    const HWND app = Application->Handle();
    auto form = NewForm();
    auto* probe = new TProbe(form.get(), "p");
    probe->Design();
    probe->SetDesignEnabled(true);
    probe->SetHandleApp(true);
    Load(form.get());
    probe->RestoreWndProc();
    probe->Init();
    SendMessage(app, WM_PROBE, 0, 0);
    ASSERT_EQ(trail.size(), 1u);
    probe->SetHandleApp(false);
    delete probe;
    SendMessage(app, WM_PROBE, 0, 0);
    EXPECT_EQ(trail.size(), 1u);
}

// The form's own handling still runs behind the component: sizes lay the form out, painting paints;
// a component that keeps those messages to itself stops both.
TEST_F(LuxWndProcComponentTest, SizesAndPaintingGoThroughTheComponentToTheFormsOwnHandling) {
    auto form = NewForm();
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetAlign(alClient);
    form->SetColor(clLime);
    const HWND wnd = form->Handle();
    auto* probe = new TProbe(form.get(), "p");
    Load(form.get());
    ASSERT_EQ(probe->SubclassedWindow(), wnd);

    form->SetClientSize(240, 130);
    EXPECT_EQ(panel->Width(), 240);
    EXPECT_EQ(panel->Height(), 130);

    panel->SetAlign(alNone);
    panel->SetBounds(0, 0, 10, 10);
    form->SetColor(clRed);
    UpdateWindow(wnd);
    HDC dc = GetDC(wnd);
    EXPECT_EQ(GetPixel(dc, 100, 100), RGB(255, 0, 0));
    ReleaseDC(wnd, dc);

    probe->Swallow = WM_ERASEBKGND;
    form->SetColor(clBlue);
    UpdateWindow(wnd);
    dc = GetDC(wnd);
    EXPECT_EQ(GetPixel(dc, 100, 100), RGB(255, 0, 0));
    ReleaseDC(wnd, dc);

    probe->Swallow = WM_SIZE;
    panel->SetAlign(alClient);
    form->SetClientSize(150, 90);
    EXPECT_EQ(panel->Width(), 240);
    probe->Swallow = WM_NULL;
    form->SetClientSize(160, 95);
    EXPECT_EQ(panel->Width(), 160);
}

TEST_F(LuxWndProcComponentTest, GwlStyleShowsAMinimizedForm) {
    auto form = NewForm();
    form->Show();
    const HWND wnd = form->Handle();
    auto style = [wnd] { return static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE)); };
    EXPECT_EQ(style() & WS_MINIMIZE, 0u);
    form->SetWindowState(wsMinimized);
    EXPECT_NE(style() & WS_MINIMIZE, 0u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(wnd, GWL_STYLE)), style());
    EXPECT_TRUE(IsIconic(wnd));
    form->SetWindowState(wsNormal);
    EXPECT_EQ(style() & WS_MINIMIZE, 0u);
    // The procedure does not fit GetWindowLong.
    EXPECT_EQ(GetWindowLong(wnd, GWL_WNDPROC), 0);
    EXPECT_NE(GetWindowLongPtr(wnd, GWL_WNDPROC), 0);
}

} // namespace
