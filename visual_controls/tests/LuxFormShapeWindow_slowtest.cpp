// A shaped form on a real display: a virtual X server with a window manager (openbox), the form
// shown by this test program started again on Qt's X11 platform, its shape read back from the X
// server, a drag on its background and one on a control (xdotool), and a screenshot kept in the
// build tree as form_shape_window.png. Skipped when a tool is missing (Debian packages xvfb,
// openbox, xdotool, imagemagick).
#include "visual_controls/luxregion.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/win/Process.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include "tools/testing/RealDisplay.h"

#include <gtest/gtest.h>

#ifdef VX_HAVE_XSHAPE
#include "tools/testing/XShapeProbe.h"
#include "tools/testing/XShapeRegion.h"
#endif

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace testing_display;

constexpr int kWidth = 240;
constexpr int kHeight = 160;
constexpr TRect kButton(150, 65, 210, 95);
constexpr TColor kFill = 0xC08000;

// The form the other run shows: no border, an ellipse filled with one colour, and a button.
TEST(LuxFormShapeWindow, DISABLED_ShowShapedForm) {
    TForm form(nullptr);
    auto* shape = new TLuxFormShape(&form);
    auto* button = new TButton(&form);
    form.BeginLoading();
    form.SetBorderStyle(bsNone);
    form.SetBounds(100, 100, kWidth, kHeight);
    form.SetCaption("Shaped form");
    shape->Region()->SetRegionShape(rsElliptic);
    shape->Region()->Border()->SetColor(2, 0x0000FF);
    shape->FillObject()->Brush()->SetColor(kFill);
    shape->FillObject()->SetFillStyle(sfBrush);
    button->SetParent(&form);
    button->SetBounds(kButton.Left, kButton.Top, kButton.Width(), kButton.Height());
    button->SetCaption("Stay");
    form.EndLoading();
    form.Show();
    // Until the test ends this run.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

#ifdef VX_HAVE_XSHAPE

using xshape_probe::Connection;

TPoint WindowOrigin(const Connection& x, unsigned long w) {
    const auto p = x.Origin(w);
    return p ? TPoint(p->first, p->second) : TPoint(-1, -1);
}

bool Xdotool(const std::string& display, const std::vector<std::string>& args) {
    return RunOnDisplay(display, FindProgram("xdotool"), args, "form_shape_xdotool.log") == 0;
}

// Presses the left button at the screen point, moves it by (dx, dy) and lets go.
void DragOnScreen(const std::string& display, TPoint at, int dx, int dy) {
    testing_display::DragOnScreen(display, at.X, at.Y, dx, dy, "form_shape_xdotool.log");
}

std::optional<TPoint> MovedTo(const Connection& d, unsigned long w, TPoint from, int seconds) {
    const auto now = d.MovedFrom(w, std::make_pair(from.X, from.Y), seconds);
    if (!now) return std::nullopt;
    return TPoint(now->first, now->second);
}

TEST(LuxFormShapeWindow, ShapeOnTheServerAndDragByTheBackground) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty() || FindProgram("openbox").empty() || FindProgram("xdotool").empty() ||
        FindProgram("import").empty())
        GTEST_SKIP() << "needs Xvfb, openbox, xdotool and ImageMagick's import";

    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "640x480x24", "form_shape_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see form_shape_xvfb.log";
    const std::string display = ":" + std::to_string(*number);
    const Connection d(display);
    ASSERT_TRUE(d.Open());

    TChild wm;
    ASSERT_TRUE(xshape_probe::StartOpenbox(d, display, "form_shape_openbox.log", wm))
        << "openbox did not start; see form_shape_openbox.log";

    TChild shown;
    shown.Pid = Spawn(
        "/proc/self/exe",
        {"--gtest_filter=LuxFormShapeWindow.DISABLED_ShowShapedForm", "--gtest_also_run_disabled_tests"},
        {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}, "", "form_shape_window.log");
    ASSERT_GT(shown.Pid, 0);
    unsigned long window = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!window && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (!Xdotool(display, {"search", "--onlyvisible", "--name", "Shaped form"})) continue;
        std::ifstream found("form_shape_xdotool.log");
        std::string line;
        if (std::getline(found, line) && !line.empty()) window = std::stoul(line);
    }
    ASSERT_NE(window, 0u) << "no window; see form_shape_window.log";

    // The ellipse the form shape builds one pixel beyond the client area; the window starts at
    // (0, 0).
    HRGN expected = CreateEllipticRgn(-1, -1, kWidth + 1, kHeight + 1);
    HRGN inside = CreateRectRgn(0, 0, kWidth + 1, kHeight + 1);
    CombineRgn(expected, expected, inside, RGN_AND);
    DeleteObject(inside);
    bool same = false;
    end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!same && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        HRGN actual = BoundingShapeRgn(d, window);
        same = EqualRgn(actual, expected);

        DeleteObject(actual);
    }
    DeleteObject(expected);
    EXPECT_TRUE(same) << "the X server's shape of the window is not the form's region";

    // On the screen: the fill inside the ellipse, the desktop outside it at the corner.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const TPoint origin = WindowOrigin(d, window);
    RunProcessAndWait("import", {"-display", display, "-window", "root", "form_shape_window.png"});
    if (RunProcessAndWait("import", {"-display", display, "-window", "root", "BMP3:form_shape_window.bmp"}) ==
        0) {
        TBitmap shot;
        shot.LoadFromFile("form_shape_window.bmp");
        EXPECT_EQ(PixelAt(shot, origin.X + 60, origin.Y + kHeight / 2), kFill);
        EXPECT_NE(PixelAt(shot, origin.X + 2, origin.Y + 2), kFill);
    }

    // Dragged by the background, the form follows the mouse.
    DragOnScreen(display, TPoint(origin.X + 60, origin.Y + kHeight / 2), 40, 30);
    const std::optional<TPoint> moved = MovedTo(d, window, origin, 5);
    ASSERT_TRUE(moved) << "the form did not move";
    EXPECT_EQ(moved->X, origin.X + 40);
    EXPECT_EQ(moved->Y, origin.Y + 30);

    // Pressed on the button, it stays.
    const TPoint on(moved->X + (kButton.Left + kButton.Right) / 2,
                    moved->Y + (kButton.Top + kButton.Bottom) / 2);
    DragOnScreen(display, on, 40, 30);
    EXPECT_FALSE(MovedTo(d, window, *moved, 2)) << "the form moved with a press on its button";
}

#endif

} // namespace
