// The screen as windows see it: its size from the primary screen, and the task bar strip between
// the screen and its work area.
#include "platform/ui/WindowQueries.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/System.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace {

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

DWORD Style(HWND wnd, int index = GWL_STYLE) {
    return static_cast<DWORD>(GetWindowLong(wnd, index));
}

Qt::WindowFlags FrameFlags(TCustomForm* form) {
    return form->Widget()->window()->windowFlags();
}

// What the form's window procedure hears of a style change.
struct TStyleLog {
    TWindowSubclass Hook;
    std::vector<std::string> Seen;
    explicit TStyleLog(HWND wnd) { Hook.Install(wnd, TWindowProcMethod::Bind<&TStyleLog::Proc>(this)); }
    void Proc(TMessage& m) {
        Hook.CallPrevious(m);
        if (m.Msg == WM_STYLECHANGED)
            Seen.push_back("style " + std::to_string(static_cast<int>(m.WParam)));
        else if (m.Msg == WM_SIZE)
            Seen.push_back("size " + std::to_string(LOWORD(m.LParam)) + "x" +
                           std::to_string(HIWORD(m.LParam)));
    }
};

} // namespace

TEST(TaskBarStrip, TheWidestGapBetweenScreenAndWorkArea) {
    const RECT screen{0, 0, 1280, 1024};
    const struct {
        RECT work, strip;
    } cases[] = {
        {{0, 0, 1280, 996}, {0, 996, 1280, 1024}},  // bottom
        {{0, 28, 1280, 1024}, {0, 0, 1280, 28}},    // top
        {{0, 0, 1200, 1024}, {1200, 0, 1280, 1024}}, // right
        {{64, 0, 1280, 1024}, {0, 0, 64, 1024}},    // left
        {{0, 24, 1280, 990}, {0, 990, 1280, 1024}}, // a panel on each side: the wider one
        {{0, 0, 1280, 1024}, {0, 0, 0, 0}},         // none
    };
    for (const auto& c : cases) {
        const RECT strip = TaskBarStrip(screen, c.work);
        EXPECT_TRUE(Same(strip, c.strip)) << c.work.left << "," << c.work.top << "," << c.work.right << ","
                                          << c.work.bottom << " gave " << strip.left << "," << strip.top << ","
                                          << strip.right << "," << strip.bottom;
    }
}

TEST(ScreenSize, ComesFromThePrimaryScreen) {
    std::unique_ptr<TForm> form(new TForm(nullptr)); // the GUI runs
    const QRect geometry = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), geometry.width());
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), geometry.height());
    EXPECT_EQ(Screen->Width(), geometry.width());
    HDC dc = GetDC(0);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), geometry.width());
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), geometry.height());
    ReleaseDC(0, dc);

    // A work area that fills the screen (as offscreen has it) leaves no task bar to find.
    RECT work{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    const bool strip = work.right - work.left < geometry.width() || work.bottom - work.top < geometry.height();
    const HWND bar = FindWindow("Shell_TrayWnd", nullptr);
    EXPECT_EQ(bar != 0, strip);
    if (bar) {
        RECT r{};
        EXPECT_TRUE(GetWindowRect(bar, &r));
        EXPECT_TRUE(Same(r, TaskBarStrip(RECT{0, 0, geometry.width(), geometry.height()}, work)));
    }
}

// The control under a screen point: windowed controls inside windowed controls, the graphic control
// on top in them, and disabled ones only when asked for.
TEST(FindDragTarget, TheInnermostControlUnderThePoint) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(100, 100, 300, 200);
    auto* panel = new TPanel(form.get());
    panel->SetBounds(10, 10, 80, 60);
    panel->SetParent(form.get());
    auto* inPanel = new TGraphicControl(form.get());
    inPanel->SetBounds(5, 5, 20, 20);
    inPanel->SetEnabled(false);
    inPanel->SetParent(panel);
    auto* onForm = new TGraphicControl(form.get());
    onForm->SetBounds(100, 10, 30, 30);
    onForm->SetParent(form.get());
    auto* over = new TGraphicControl(form.get()); // on top of onForm's right half
    over->SetBounds(115, 10, 30, 30);
    over->SetParent(form.get());
    auto* disabledPanel = new TPanel(form.get());
    disabledPanel->SetBounds(150, 50, 40, 40);
    disabledPanel->SetEnabled(false);
    disabledPanel->SetParent(form.get());
    form->Show();

    const TPoint origin = form->ClientOrigin();
    const struct {
        int x, y;
        bool allowDisabled;
        TControl* expected;
    } cases[] = {
        {1, 1, false, form.get()},
        {10, 10, false, panel},
        {89, 69, false, panel},
        {90, 70, false, form.get()},
        {15, 15, false, panel},  // the disabled graphic control is passed over
        {15, 15, true, inPanel},
        {24, 24, true, inPanel},
        {100, 10, false, onForm},
        {120, 20, false, over},
        {150, 50, false, form.get()},
        {150, 50, true, disabledPanel},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindDragTarget(TPoint(origin.X + c.x, origin.Y + c.y), c.allowDisabled), c.expected)
            << c.x << "," << c.y << (c.allowDisabled ? " with disabled" : "");

    const TPoint topLeft = form->ClientToScreen(TPoint(0, 0));
    EXPECT_EQ(FindDragTarget(TPoint(topLeft.X - 500, topLeft.Y), true), nullptr);
    inPanel->SetVisible(false);
    EXPECT_EQ(FindDragTarget(TPoint(origin.X + 15, origin.Y + 15), true), panel);
    form->Hide();
    EXPECT_EQ(FindDragTarget(TPoint(origin.X + 15, origin.Y + 15), true), nullptr);
}

TEST(SetWindowLong, AFormKeepsTheStylesItWasGivenUntilItsBorderChanges) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(40, 30, 300, 200);
    form->Show();
    const HWND wnd = form->Handle();
    const TRect client = form->ClientRect();
    const DWORD derived = Style(wnd);
    ASSERT_EQ(derived & WS_CAPTION, WS_CAPTION);
    ASSERT_TRUE(derived & WS_VISIBLE);
    TStyleLog log(wnd);

    // Without the caption the window counts none: the client area grows, Width and Height stay.
    const DWORD bare = (derived & ~WS_CAPTION) | WS_BORDER;
    EXPECT_EQ(static_cast<DWORD>(SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(bare))), derived);
    EXPECT_EQ(Style(wnd), bare);
    EXPECT_EQ(form->Width(), 300);
    EXPECT_EQ(form->Height(), 200);
    EXPECT_EQ(form->ClientRect().Width(), client.Width());
    EXPECT_EQ(form->ClientRect().Height(), client.Height() + GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(form->Widget()->height(), form->ClientRect().Height());
    EXPECT_TRUE(FrameFlags(form.get()) & Qt::FramelessWindowHint);
    const std::string size =
        "size " + std::to_string(client.Width()) + "x" + std::to_string(form->ClientRect().Height());
    EXPECT_EQ(log.Seen, (std::vector<std::string>{size, "style -16"}));

    // The style holds through moves and sizes; the window state stays live in it.
    form->SetBounds(10, 10, 320, 180);
    EXPECT_EQ(Style(wnd), bare);
    form->SetWindowState(wsMinimized);
    EXPECT_EQ(Style(wnd), bare | WS_MINIMIZE);
    form->SetWindowState(wsNormal);
    EXPECT_EQ(Style(wnd), bare);
    // Setting the caption again gives the title bar back, and the same style twice changes nothing.
    log.Seen.clear();
    SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(bare | WS_CAPTION));
    EXPECT_FALSE(FrameFlags(form.get()) & Qt::FramelessWindowHint);
    SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(bare | WS_CAPTION));
    EXPECT_EQ(log.Seen.size(), 2u) << "one size, one style change";

    // A border property makes the style anew.
    SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(bare));
    form->SetBorderStyle(bsSingle);
    EXPECT_EQ(Style(wnd) & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(Style(wnd) & WS_THICKFRAME);
    SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(bare));
    form->SetBorderIcons(TBorderIcons{biSystemMenu});
    EXPECT_EQ(Style(wnd) & WS_CAPTION, WS_CAPTION);
    // A borderless form given a caption shows a title bar and counts it.
    form->SetBorderStyle(bsNone);
    EXPECT_TRUE(FrameFlags(form.get()) & Qt::FramelessWindowHint);
    const int height = form->ClientRect().Height();
    SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(Style(wnd) | WS_CAPTION));
    EXPECT_FALSE(FrameFlags(form.get()) & Qt::FramelessWindowHint);
    EXPECT_EQ(form->ClientRect().Height(), height - GetSystemMetrics(SM_CYCAPTION));
}

TEST(SetWindowLong, ExtendedStylesDecideTheTaskBarButtonAndTheStacking) {
    auto form = std::make_unique<TForm>(nullptr);
    const HWND wnd = form->Handle();
    auto type = [&] { return FrameFlags(form.get()) & Qt::WindowType_Mask; };
    EXPECT_EQ(Style(wnd, GWL_EXSTYLE), 0u);
    EXPECT_EQ(type(), Qt::Window);

    EXPECT_EQ(SetWindowLong(wnd, GWL_EXSTYLE, static_cast<LONG>(WS_EX_TOOLWINDOW)), 0);
    EXPECT_EQ(Style(wnd, GWL_EXSTYLE), WS_EX_TOOLWINDOW);
    EXPECT_EQ(type(), Qt::Tool) << "off the task bar";
    SetWindowLong(wnd, GWL_EXSTYLE, static_cast<LONG>(WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_TOPMOST));
    EXPECT_EQ(type(), Qt::Window) << "a tool window that asks for a button";
    EXPECT_TRUE(FrameFlags(form.get()) & Qt::WindowStaysOnTopHint);

    // The form style makes the extended style anew; on top is WS_EX_TOPMOST.
    form->SetFormStyle(fsStayOnTop);
    EXPECT_EQ(Style(wnd, GWL_EXSTYLE), WS_EX_TOPMOST);
    EXPECT_EQ(type(), Qt::Window);
    form->SetFormStyle(fsNormal);
    EXPECT_EQ(Style(wnd, GWL_EXSTYLE), 0u);
    EXPECT_FALSE(FrameFlags(form.get()) & Qt::WindowStaysOnTopHint);
    form->SetBorderStyle(bsToolWindow);
    EXPECT_EQ(type(), Qt::Tool);
    SetWindowLong(wnd, GWL_EXSTYLE, static_cast<LONG>(Style(wnd, GWL_EXSTYLE) | WS_EX_APPWINDOW));
    EXPECT_EQ(type(), Qt::Window);

    // Other windows and other indices keep nothing.
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    const DWORD editStyle = Style(edit->Handle());
    SetLastError(0);
    EXPECT_EQ(SetWindowLong(edit->Handle(), GWL_STYLE, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Style(edit->Handle()), editStyle);
    EXPECT_EQ(SetWindowLong(0, GWL_EXSTYLE, 0), 0);
}

TEST(SetWindowLong, TheApplicationsWindowIsTheTaskBarButton) {
    Application->Initialize();
    TForm* main = nullptr;
    Application->CreateForm(main);
    std::unique_ptr<TForm> owned(main);
    ASSERT_EQ(Application->MainForm(), main);
    main->Show();
    const HWND app = Application->Handle();
    auto type = [&] { return FrameFlags(main) & Qt::WindowType_Mask; };
    EXPECT_TRUE(Style(app) & WS_VISIBLE);
    EXPECT_EQ(type(), Qt::Window);

    // Hiding it takes the button away (the main form becomes a tool window) and leaves the form up.
    EXPECT_TRUE(ShowWindow(app, SW_HIDE));
    EXPECT_FALSE(Style(app) & WS_VISIBLE);
    EXPECT_TRUE(main->Visible());
    EXPECT_EQ(type(), Qt::Tool);
    EXPECT_FALSE(FrameFlags(main) & Qt::WindowStaysOnTopHint);
    SetWindowLong(app, GWL_EXSTYLE,
                  static_cast<LONG>(GetWindowLong(app, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_EQ(Style(app, GWL_EXSTYLE), WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    EXPECT_TRUE(FrameFlags(main) & Qt::WindowStaysOnTopHint);
    // The main form may still ask for a button of its own.
    SetWindowLong(main->Handle(), GWL_EXSTYLE, static_cast<LONG>(WS_EX_APPWINDOW));
    EXPECT_EQ(type(), Qt::Window);
    EXPECT_FALSE(FrameFlags(main) & Qt::WindowStaysOnTopHint);
    SetWindowLong(main->Handle(), GWL_EXSTYLE, 0);

    EXPECT_FALSE(ShowWindow(app, SW_SHOW));
    SetWindowLong(app, GWL_EXSTYLE, 0);
    EXPECT_TRUE(Style(app) & WS_VISIBLE);
    EXPECT_EQ(type(), Qt::Window);
    EXPECT_FALSE(FrameFlags(main) & Qt::WindowStaysOnTopHint);
}

TEST(SetCursorPos, GetCursorPosReadsItBack) {
    ASSERT_TRUE(SetCursorPos(37, 41));
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 37);
    EXPECT_EQ(p.y, 41);
    SetCursorPos(5, 6);
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 6);
}
