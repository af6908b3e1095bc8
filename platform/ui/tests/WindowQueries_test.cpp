// The screen as windows see it: its size from the primary screen, and the task bar strip between
// the screen and its work area.
#include "platform/ui/WindowQueries.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/System.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

namespace {

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

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
