// The screen as windows see it: its size from the primary screen, and the task bar strip between
// the screen and its work area.
#include "platform/ui/WindowQueries.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/System.h"
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
