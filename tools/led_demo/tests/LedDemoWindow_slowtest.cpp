// The demonstration program in a real window: a virtual X server, the program on Qt's X11 platform,
// a screenshot of the screen (kept in the build tree as led_demo_window.png), and the lamps and
// label on it pixel for pixel as the same form renders headless. Skipped when the X server or the
// screenshot tool is not installed (Debian packages xvfb and imagemagick).
#include "tools/led_demo/LedDemoForm.h"

#include "platform/win/Process.h"
#include "support/DemoTest.h"

#include "tools/testing/RealDisplay.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testing_display;

std::optional<TPixels> Screenshot(const std::string& display, const std::string& file) {
    if (RunProcessAndWait("import", {"-display", display, "-window", "root", "BMP3:" + file}) != 0)
        return std::nullopt;
    TBitmap bitmap;
    try {
        bitmap.LoadFromFile(file);
    } catch (const Exception&) {
        return std::nullopt;
    }
    return PixelsOf(&bitmap);
}

bool SameBlock(const TPixels& shot, int ox, int oy, const TPixels& ref, const TRect& r) {
    if (ox + r.Left < 0 || oy + r.Top < 0 || ox + r.Right > shot.Width || oy + r.Bottom > shot.Height)
        return false;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (shot.At(ox + x, oy + y) != ref.At(x, y)) return false;
    return true;
}

// Where the form's client area lies on the screen, found by its red lamp.
std::optional<TPoint> FindClientOrigin(const TPixels& shot, const TPixels& ref, const TRect& anchor) {
    for (int y = 0; y + anchor.Height() <= shot.Height; ++y)
        for (int x = 0; x + anchor.Width() <= shot.Width; ++x)
            if (SameBlock(shot, x - anchor.Left, y - anchor.Top, ref, anchor))
                return TPoint(x - anchor.Left, y - anchor.Top);
    return std::nullopt;
}

TEST(LedDemoWindow, ShowsTheFormAsItRendersHeadless) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty() || FindProgram("import").empty())
        GTEST_SKIP() << "needs Xvfb and ImageMagick's import (Debian packages xvfb, imagemagick)";

    std::unique_ptr<TLedDemoForm> form(new TLedDemoForm(nullptr));
    const TPixels ref = Snapshot(form.get());
    std::vector<TRect> steady;
    for (TvLed* led : form->SteadyLeds()) steady.push_back(led->BoundsRect());
    steady.push_back(form->TitleLabel->BoundsRect());

    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "640x480x24", "led_demo_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see led_demo_xvfb.log";
    const std::string display = ":" + std::to_string(*number);

    TChild demo;
    demo.Pid =
        Spawn(LED_DEMO_PATH, {}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}, "", "led_demo_window.log");
    ASSERT_GT(demo.Pid, 0);

    // The window appears and paints within a few seconds; until then the screen stays black.
    bool matched = false;
    std::string seen = "no screenshot";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!matched && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        int status = 0;
        ASSERT_EQ(::waitpid(demo.Pid, &status, WNOHANG), 0) << "led-demo ended; see led_demo_window.log";
        const std::optional<TPixels> shot = Screenshot(display, "led_demo_window.bmp");
        if (!shot) continue;
        const std::optional<TPoint> origin = FindClientOrigin(*shot, ref, form->RedLed->BoundsRect());
        if (!origin) {
            seen = "no red lamp on the screen";
            continue;
        }
        matched = true;
        for (const TRect& r : steady)
            if (!SameBlock(*shot, origin->X, origin->Y, ref, r)) {
                matched = false;
                seen = "differs in (" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " +
                       std::to_string(r.Right) + ", " + std::to_string(r.Bottom) + ")";
            }
    }
    RunProcessAndWait("import", {"-display", display, "-window", "root", "led_demo_window.png"});
    EXPECT_TRUE(matched) << seen << "; see led_demo_window.png";
}

} // namespace
