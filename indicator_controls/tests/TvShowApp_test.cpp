// The application component: one instance across real processes, the end of the session, the
// application's settings and events through it, and what it tells about the machine.
#include "indicator_controls/Mystd.h"

#include "indicator_controls/tests/support/LedTest.h"

#include "platform/gdi/Icon.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/SysInfo.h"
#include "tools/testing/RunHome.h"
#include "tools/testing/SelfPeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

void Report(const std::string& line) {
    std::printf("peer:%s\n", line.c_str());
    std::fflush(stdout);
}

// A form with the component, loaded as a form built in code is.
class TShowAppForm : public TForm {
public:
    explicit TShowAppForm(TComponent* AOwner, bool onlyOne = true, bool bring = true)
        : TForm(AOwner), bring_(bring) {
        ShowApp = new TvShowApp(this);
        BeginLoading();
        SetBounds(100, 100, 300, 200);
        ShowApp->SetOnlyOneInstance(onlyOne);
        ShowApp->OnAnotherInstance = TNotifyEvent::Bind<&TShowAppForm::Another>(this);
        ShowApp->OnSecondInstance = TOneInstance::Bind<&TShowAppForm::Second>(this);
        ShowApp->OnAskEndSession = TAskEndSession::Bind<&TShowAppForm::AskEnd>(this);
        ShowApp->OnEndSession = TEndSession::Bind<&TShowAppForm::Ended>(this);
        EndLoading();
    }

    TvShowApp* ShowApp;
    int AnotherCount = 0;
    int SecondCount = 0;
    bool AllowEnd = true;
    int EndedCount = 0;

private:
    void Another(TObject*) { ++AnotherCount; }
    void Second(TObject*, bool& bring) {
        ++SecondCount;
        bring = bring_;
    }
    void AskEnd(bool& doEnd) { doEnd = AllowEnd; }
    void Ended() { ++EndedCount; }
    bool bring_;
};

// Each test's runs meet in a settings home of their own.
class ShowAppTest : public ::testing::Test {
protected:
    RunHome home_{false};
    void TearDown() override {
        Application->DestroyForms();
        Application->ResetTerminated();
    }
};

} // namespace

// The first run: its main form minimised; reports what brought it forward.
TEST(ShowAppPeer, DISABLED_FirstRun) {
    TShowAppForm* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    form->SetWindowState(wsMinimized);
    Report(form->ShowApp->SecondInstance() ? "second" : "ready");
    const std::uint64_t start = MonotonicMs();
    while (MonotonicMs() - start < 10000 && form->AnotherCount == 0) {
        WaitMessageTimeout(10);
        Application->ProcessMessages();
    }
    Report("another " + std::to_string(form->AnotherCount) +
           (form->WindowState() == wsNormal ? " restored" : " minimized"));
    Application->DestroyForms();
}

TEST_F(ShowAppTest, ALaterRunEndsItselfAndBringsTheFirstForward) {
    SelfPeer first("ShowAppPeer.DISABLED_FirstRun");
    ASSERT_EQ(first.NextReport(), "ready");

    // OnSecondInstance keeps the first run where it is.
    {
        auto* form = new TShowAppForm(Application, true, false);
        EXPECT_TRUE(form->ShowApp->SecondInstance());
        EXPECT_EQ(form->SecondCount, 1);
        EXPECT_TRUE(Application->Terminated());
        EXPECT_EQ(form->Left(), -form->Width() - 10) << "moved off the screen";
        EXPECT_GE(form->ShowApp->InstanceMessage(), 0xC000u);
        EXPECT_EQ(first.NextReport(300), "") << "nothing reached the first run";
        Application->DestroyForms();
        Application->ResetTerminated();
    }

    TShowAppForm* form = nullptr;
    Application->CreateForm(form);
    EXPECT_TRUE(form->ShowApp->SecondInstance());
    EXPECT_EQ(form->SecondCount, 1);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(first.NextReport(), "another 1 restored");
    EXPECT_EQ(first.Wait(), 0);
    Application->ProcessMessages();
    EXPECT_EQ(form->AnotherCount, 0) << "a second instance ignores its own broadcast";
}

TEST_F(ShowAppTest, TheFirstRunAndRunsWithoutTheSettingGoOn) {
    for (bool onlyOne : {true, false}) {
        SCOPED_TRACE(onlyOne ? "only one instance" : "any number");
        RunHome home(false);
        auto* first = new TShowAppForm(Application, onlyOne);
        EXPECT_FALSE(first->ShowApp->SecondInstance());
        EXPECT_FALSE(Application->Terminated());
        EXPECT_EQ(first->ShowApp->InstanceMessage() != 0, onlyOne);
        auto* second = new TShowAppForm(Application, onlyOne);
        EXPECT_EQ(second->ShowApp->SecondInstance(), onlyOne) << "the semaphore is held by the first";
        EXPECT_EQ(Application->Terminated(), onlyOne);
        EXPECT_EQ(second->SecondCount, onlyOne ? 1 : 0);
        Application->DestroyForms();
        Application->ResetTerminated();
    }
}

TEST_F(ShowAppTest, TheSessionAsksTheMainFormsComponent) {
    TShowAppForm* main = nullptr;
    Application->CreateForm(main);
    auto* other = new TShowAppForm(Application, false);
    other->AllowEnd = false; // not the main form's: never asked

    struct Case {
        bool allow;
        bool mayEnd;
        int ended;
    };
    for (const Case& c : {Case{true, true, 1}, Case{false, false, 0}}) {
        main->AllowEnd = c.allow;
        main->EndedCount = 0;
        EXPECT_EQ(Application->QueryEndSession(), c.mayEnd);
        EXPECT_EQ(main->EndedCount, c.ended) << "OnEndSession only when the session ends";
        EXPECT_EQ(other->EndedCount, 0);
    }
}

TEST_F(ShowAppTest, HooksRunInOrderUntilOneHandles) {
    struct Hooks {
        std::string seen;
        bool HandleFirst = false;
        bool First(TMessage& m) {
            seen += "1";
            m.Result = 7;
            return HandleFirst;
        }
        bool Second(TMessage&) {
            seen += "2";
            return false;
        }
    } hooks;
    const auto first = TWindowHook::Bind<&Hooks::First>(&hooks);
    const auto second = TWindowHook::Bind<&Hooks::Second>(&hooks);
    Application->HookMainWindow(first);
    Application->HookMainWindow(second);
    Application->HookMainWindow(first); // once only
    EXPECT_EQ(SendMessage(Application->Handle(), WM_USER + 9, 0, 0), 0)
        << "not handled: the window's own answer";
    EXPECT_EQ(hooks.seen, "12");
    hooks.HandleFirst = true;
    hooks.seen.clear();
    EXPECT_EQ(SendMessage(Application->Handle(), WM_USER + 9, 0, 0), 7);
    EXPECT_EQ(hooks.seen, "1");
    Application->UnhookMainWindow(first);
    Application->UnhookMainWindow(second);
    hooks.seen.clear();
    EXPECT_EQ(SendMessage(Application->Handle(), WM_QUERYENDSESSION, 0, 0), 1) << "the session may end";
    EXPECT_EQ(hooks.seen, "");
}

TEST_F(ShowAppTest, SettingsAndEventsAreTheApplicationsAndTheScreens) {
    TShowAppForm* form = nullptr;
    Application->CreateForm(form);
    TvShowApp* s = form->ShowApp;
    struct Log {
        std::string events;
        void Hint(TObject*) { events += "hint "; }
        void Minimize(TObject*) { events += "minimize "; }
        void Restore(TObject*) { events += "restore "; }
        void FormChange(TObject*) { events += "form "; }
    } log;
    s->SetHint("a hint");
    s->SetHelpFile("dorvex.hlp");
    s->SetHintColor(clYellow);
    s->SetHintPause(100);
    s->SetHintHidePause(900);
    s->SetShowHint(false);
    s->SetTitle("Shown app");
    s->SetShowMainForm(false);
    EXPECT_EQ(Application->Hint, "a hint");
    EXPECT_EQ(Application->HelpFile, "dorvex.hlp");
    EXPECT_EQ(Application->HintColor, clYellow);
    EXPECT_EQ(Application->HintPause, 100);
    EXPECT_EQ(Application->HintHidePause, 900);
    EXPECT_FALSE(Application->ShowHint);
    EXPECT_EQ(Application->Title(), "Shown app");
    EXPECT_FALSE(Application->ShowMainForm);

    s->SetOnHint(TNotifyEvent::Bind<&Log::Hint>(&log));
    s->SetOnMinimize(TNotifyEvent::Bind<&Log::Minimize>(&log));
    s->SetOnRestore(TNotifyEvent::Bind<&Log::Restore>(&log));
    s->SetOnActiveFormChange(TNotifyEvent::Bind<&Log::FormChange>(&log));
    EXPECT_TRUE(Application->OnHint == s->OnHint());
    EXPECT_TRUE(Screen->OnActiveFormChange == s->OnActiveFormChange());
    s->SetHint("another hint");
    s->SetHint("another hint"); // unchanged: no event
    form->Show();
    Application->Minimize();
    EXPECT_EQ(form->WindowState(), wsMinimized);
    Application->Restore();
    EXPECT_EQ(form->WindowState(), wsNormal);
    EXPECT_EQ(log.events, "hint form minimize restore ");

    // A copy of the icon, owned by the application.
    TIcon icon;
    icon.SetHandle(SolidIcon(4, 4, RGB(1, 2, 3)));
    s->SetIcon(&icon);
    EXPECT_EQ(Application->Icon()->Width(), 4);
    EXPECT_NE(Application->Icon()->Handle(), icon.Handle());

    s->SetOnHint(nullptr);
    s->SetOnMinimize(nullptr);
    s->SetOnRestore(nullptr);
    s->SetOnActiveFormChange(nullptr);
    s->SetHint("");
    s->SetShowHint(true);
    s->SetShowMainForm(true);
    s->SetTitle("");
}

TEST_F(ShowAppTest, TheDesignerKeepsTheApplicationsSettingsInTheComponent) {
    auto* form = new TShowAppForm(Application, false);
    TvShowApp* s = form->ShowApp;
    DesignComponent(s);
    const std::string title = Application->Title();
    const int pause = Application->HintPause;
    const int iconWidth = Application->Icon()->Width();

    EXPECT_EQ(s->HelpFile(), "");
    EXPECT_EQ(s->Hint(), "");
    EXPECT_EQ(s->Title(), "");
    EXPECT_EQ(s->HintColor(), static_cast<TColor>(0x80000018));
    EXPECT_EQ(s->HintPause(), 500);
    EXPECT_EQ(s->HintHidePause(), 2500);
    EXPECT_TRUE(s->ShowHint());
    EXPECT_TRUE(s->ShowMainForm());
    ASSERT_NE(s->Icon(), nullptr);
    EXPECT_TRUE(s->Icon()->Empty());

    s->SetHelpFile("design.hlp");
    s->SetHint("design hint");
    s->SetTitle("Designed");
    s->SetHintColor(clAqua);
    s->SetHintPause(10);
    s->SetHintHidePause(20);
    s->SetShowHint(false);
    s->SetShowMainForm(false);
    TIcon icon;
    icon.SetHandle(SolidIcon(6, 6, RGB(1, 2, 3)));
    s->SetIcon(&icon);

    EXPECT_EQ(s->HelpFile(), "design.hlp");
    EXPECT_EQ(s->Hint(), "design hint");
    EXPECT_EQ(s->Title(), "Designed");
    EXPECT_EQ(s->HintColor(), clAqua);
    EXPECT_EQ(s->HintPause(), 10);
    EXPECT_EQ(s->HintHidePause(), 20);
    EXPECT_FALSE(s->ShowHint());
    EXPECT_FALSE(s->ShowMainForm());
    EXPECT_EQ(s->Icon()->Width(), 6);
    EXPECT_NE(s->Icon()->Handle(), icon.Handle()) << "a copy";

    // The application itself is left alone.
    EXPECT_NE(Application->HelpFile, "design.hlp");
    EXPECT_NE(Application->Hint, "design hint");
    EXPECT_EQ(Application->Title(), title);
    EXPECT_NE(Application->HintColor, clAqua);
    EXPECT_EQ(Application->HintPause, pause);
    EXPECT_TRUE(Application->ShowHint);
    EXPECT_TRUE(Application->ShowMainForm);
    EXPECT_EQ(Application->Icon()->Width(), iconWidth);
}

TEST_F(ShowAppTest, TheApplicationWindowsPlaceGoesToTheMainForm) {
    TShowAppForm* form = nullptr;
    Application->CreateForm(form);
    const HWND app = Application->Handle();
    struct Case {
        const char* what;
        TFormBorderStyle border;
        HWND wnd;
        int cx, cy;
        UINT flags;
        bool minimized;
        TRect expected;
    };
    const Case cases[] = {
        {"sizeable: place and size", bsSizeable, app, 320, 240, 0, false, {40, 50, 360, 290}},
        {"sizeable: a size it was told to keep",
         bsSizeable,
         app,
         320,
         240,
         SWP_NOSIZE,
         false,
         {40, 50, 360, 290}},
        {"fixed border: place only", bsSingle, app, 320, 240, 0, false, {40, 50, 340, 250}},
        {"no move asked", bsSizeable, app, 320, 240, SWP_NOMOVE, false, {100, 100, 420, 340}},
        {"another window", bsSizeable, 0, 320, 240, 0, false, {100, 100, 400, 300}},
        {"no width", bsSizeable, app, 0, 240, 0, false, {100, 100, 400, 300}},
        {"no height", bsSizeable, app, 320, 0, 0, false, {100, 100, 400, 300}},
        {"minimized", bsSizeable, app, 320, 240, 0, true, {100, 100, 400, 300}},
    };
    for (const Case& c : cases) {
        form->SetWindowState(wsNormal);
        form->SetBorderStyle(c.border);
        form->SetBounds(100, 100, 300, 200);
        if (c.minimized) form->SetWindowState(wsMinimized);
        WINDOWPOS pos;
        pos.hwnd = c.wnd == 0 ? form->Handle() : c.wnd;
        pos.x = 40;
        pos.y = 50;
        pos.cx = c.cx;
        pos.cy = c.cy;
        pos.flags = c.flags;
        SendMessage(app, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
        form->SetWindowState(wsNormal);
        EXPECT_EQ(form->BoundsRect(), c.expected) << c.what;
    }
}

TEST_F(ShowAppTest, TaskBarButtonAndShortDate) {
    const std::string saved = FormatSettings.ShortDateFormat;
    FormatSettings.ShortDateFormat = "dd.MM.yy";
    TShowAppForm* form = nullptr;
    Application->CreateForm(form);
    TvShowApp* s = form->ShowApp;
    s->SetShortDate(sdf4DigitYear);
    EXPECT_EQ(FormatSettings.ShortDateFormat, "dd.MM.yyyy");
    s->SetShortDate(sdf2DigitYear);
    EXPECT_EQ(FormatSettings.ShortDateFormat, "dd.MM.yy");
    FormatSettings.ShortDateFormat = "d/M/yyyy";
    s->SetShortDate(sdf2DigitYear);
    EXPECT_EQ(FormatSettings.ShortDateFormat, "d/M/yy");
    s->SetShortDate(sdfDontTouch);
    EXPECT_EQ(FormatSettings.ShortDateFormat, "dd.MM.yy") << "the format it found";
    FormatSettings.ShortDateFormat = saved;

    // The application's window is the task bar button: hidden without ShowOnStatusBar, and a tool
    // window on top with ShowNonOnStatusBar as well.
    struct Case {
        bool onBar, nonOnBar;
        bool button, onTop;
        DWORD exStyle;
    };
    const HWND app = Application->Handle();
    for (const Case& c : {Case{true, true, true, false, 0}, Case{false, false, false, false, 0},
                          Case{false, true, false, true, WS_EX_TOOLWINDOW | WS_EX_TOPMOST}}) {
        s->SetShowOnStatusBar(c.onBar);
        s->SetShowNonOnStatusBar(c.nonOnBar);
        form->BeginLoading();
        form->EndLoading();
        EXPECT_EQ((static_cast<DWORD>(GetWindowLong(app, GWL_STYLE)) & WS_VISIBLE) != 0, c.button);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLong(app, GWL_EXSTYLE)), c.exStyle);
        EXPECT_EQ(Application->TaskBarButton(), c.button);
        EXPECT_EQ(Application->TaskBarToolOnTop(), c.onTop);
        ShowWindow(app, SW_SHOW);
        SetWindowLong(app, GWL_EXSTYLE, 0);
    }
}

TEST_F(ShowAppTest, Information) {
    TShowAppForm* form = nullptr;
    Application->CreateForm(form);
    TvShowApp* s = form->ShowApp;
    EXPECT_EQ(s->BitsPerColor(), 32);
    EXPECT_EQ(s->NumberOfColors(), 4294967296.0L);
    EXPECT_EQ(s->WindowsString(), "Windows NT " + std::to_string(s->WinVerMajor()) + "." +
                                      std::to_string(s->WinVerMinor()) +
                                      " (Build: " + std::to_string(s->WinVerBuild()) + ")");
    EXPECT_EQ(s->IPHostName(), "-Unknown-");
    EXPECT_EQ(s->IPHostAddress(), "-Unknown-");
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(s->ComputerName(), host) << "the whole host name";
    EXPECT_FALSE(s->UserName().empty());
    EXPECT_EQ(s->CPUType(), CpuID());
    EXPECT_EQ(s->CPUString(), CPUStringOf(ProcessorRecord(), CpuID()));

    ASSERT_TRUE(s->SetEnvironmentString("VEXO_SHOWAPP_TEST", "a=b"));
    EXPECT_EQ(s->GetEnvironmentString("VEXO_SHOWAPP_TEST"), "a=b");
    EXPECT_GE(s->EnvironmentLines()->IndexOfName("VEXO_SHOWAPP_TEST"), 0);
    EXPECT_FALSE(s->SetEnvironmentString("", "x"));
    ::unsetenv("VEXO_SHOWAPP_TEST");
    s->UpdateEnvironment();
    EXPECT_LT(s->EnvironmentLines()->IndexOfName("VEXO_SHOWAPP_TEST"), 0);
    const char* tmp = std::getenv("TMPDIR");
    ::setenv("TMPDIR", "/tmp/", 1);
    EXPECT_EQ(s->TempDir(), "/tmp");
    if (tmp)
        ::setenv("TMPDIR", tmp, 1);
    else
        ::unsetenv("TMPDIR");
}

TEST(MystdUnit, ProcessorNames) {
    TvProcessorRecord none;
    TvProcessorRecord intel;
    intel.CpuidPresent = true;
    std::memcpy(intel.Vendor, "GenuineIntel", 12);
    TvProcessorRecord amd = intel;
    std::memcpy(amd.Vendor, "AuthenticAMD", 12);
    TvProcessorRecord cyrix = intel;
    std::memcpy(cyrix.Vendor, "CyrixInstead", 12);
    auto with = [](TvProcessorRecord r, int signature) {
        r.Signature = signature;
        return r;
    };
    struct Case {
        TvProcessorRecord record;
        int family;
        const char* name;
    };
    const Case cases[] = {
        {none, 3, "80386"},
        {none, 6, "PentiumPro"},
        {none, 7, "P7"},
        {with(intel, 0x0430), 4, "80486 DX2"},
        {with(intel, 0x1480), 4, "80486 Overdrive DX4"},
        {with(intel, 0x0460), 4, "80486"},
        {with(amd, 0x0430), 4, "AMD Am486/Am5x86"},
        {with(cyrix, 0x0440), 4, "Cyrix MediaGX"},
        {with(intel, 0x0543), 5, "Pentium MMX 166/200 MHz"},
        {with(intel, 0x1520), 5, "Pentium Overdrive 75-200 MHz"},
        {with(cyrix, 0x0540), 5, "Cyrix Gxm"},
        {with(cyrix, 0x0520), 5, "Cyrix 6x86"},
        {with(amd, 0x0560), 5, "AMD K5/K6"},
        {with(intel, 0x0630), 6, "Intel Pentium II"},
        {with(intel, 0x1660), 6, "Intel Celeron (Model 6) Overdrive"},
        {with(amd, 0x06A0), 6, "Intel Pentium P6"},
        {with(cyrix, 0x0600), 6, "Cyrix 6x86MX"},
        {with(intel, 0x0F00), 15, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CPUStringOf(c.record, c.family), c.name) << c.name;
}

TEST(MystdUnit, DialogUnits) {
    // The system font's base units are 8 by 16.
    struct Case {
        std::uint16_t in, x, y, backX, backY;
    };
    for (const Case& c : {Case{0, 0, 0, 0, 0}, Case{4, 8, 8, 2, 2}, Case{7, 14, 14, 3, 3},
                          Case{100, 200, 200, 50, 50}, Case{40000, 14464, 14464, 20000, 20000}})
        EXPECT_EQ((std::vector<int>{DlgUnitsToPixelsX(c.in), DlgUnitsToPixelsY(c.in), PixelsToDlgUnitsX(c.in),
                                    PixelsToDlgUnitsY(c.in)}),
                  (std::vector<int>{c.x, c.y, c.backX, c.backY}))
            << c.in;
}
