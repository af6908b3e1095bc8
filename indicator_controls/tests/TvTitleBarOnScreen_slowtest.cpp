// The title-bar switch on a real display: a virtual X server with a window manager (openbox), two
// forms shown by this test program started again on Qt's X11 platform, one with its caption and
// one whose switch hid it. The hidden caption leaves the window without a frame from the window
// manager and with the client size the form had; a drag on its client area (xdotool) moves it.
// Skipped when a tool is missing (Debian packages xvfb, openbox, xdotool).
#include "indicator_controls/MystdTitleBar.h"

#include "platform/ui/Forms.h"
#include "platform/win/Sync.h"

#include "tools/testing/RealDisplay.h"

#include <gtest/gtest.h>

#ifdef VX_HAVE_XSHAPE
#include "tools/testing/XShapeProbe.h"
#endif

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace testing_display;

constexpr int kWidth = 240;
constexpr int kHeight = 160;

TForm* MakeForm(const char* caption, int left, bool titleBar) {
    auto* form = new TForm(nullptr);
    auto* bar = new TvTitleBar(form);
    form->BeginLoading();
    form->SetCaption(caption);
    form->SetLeft(left);
    form->SetTop(60);
    form->SetClientSize(kWidth, kHeight);
    bar->TitleBarOnFormShow = titleBar;
    form->EndLoading();
    form->Show();
    return form;
}

// The forms the other run shows, until the test ends that run.
TEST(TvTitleBarOnScreen, DISABLED_ShowForms) {
    std::unique_ptr<TForm> framed(MakeForm("Framed probe", 20, true));
    std::unique_ptr<TForm> bare(MakeForm("Bare probe", 320, false));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        Sleep(5);
    }
}

#ifdef VX_HAVE_XSHAPE

TEST(TvTitleBarOnScreen, NoFrameTheSameClientAndADragByTheClientArea) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty() || FindProgram("openbox").empty() || FindProgram("xdotool").empty())
        GTEST_SKIP() << "needs Xvfb, openbox and xdotool";

    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "800x600x24", "title_bar_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see title_bar_xvfb.log";
    const std::string display = ":" + std::to_string(*number);
    const xshape_probe::Connection x(display);
    ASSERT_TRUE(x.Open());
    TChild wm;
    ASSERT_TRUE(xshape_probe::StartOpenbox(x, display, "title_bar_openbox.log", wm))
        << "openbox did not start; see title_bar_openbox.log";

    TChild shown;
    shown.Pid =
        Spawn("/proc/self/exe",
              {"--gtest_filter=TvTitleBarOnScreen.DISABLED_ShowForms", "--gtest_also_run_disabled_tests"},
              {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}, "", "title_bar_forms.log");
    ASSERT_GT(shown.Pid, 0);
    unsigned long framed = 0, bare = 0;
    WaitUntil([&] { return (framed = x.FindWindow("Framed probe")) != 0; }, 20);
    WaitUntil([&] { return (bare = x.FindWindow("Bare probe")) != 0; }, 20);
    ASSERT_NE(framed, 0u) << "no window; see title_bar_forms.log";
    ASSERT_NE(bare, 0u) << "no window; see title_bar_forms.log";

    // The window manager frames the form with its caption, and puts nothing around the other.
    std::optional<xshape_probe::Extents> withCaption, without;
    WaitUntil([&] {
        withCaption = x.FrameExtents(framed);
        without = x.FrameExtents(bare);
        return withCaption && without;
    });
    ASSERT_TRUE(withCaption && without) << "openbox gave no frame extents";
    EXPECT_GT(withCaption->Top, 0) << "a title bar";
    EXPECT_EQ(without->Top, 0);
    EXPECT_EQ(without->Left + without->Right + without->Bottom, 0);
    for (unsigned long w : {framed, bare}) {
        const auto size = x.Size(w);
        ASSERT_TRUE(size);
        EXPECT_EQ(size->first, kWidth);
        EXPECT_EQ(size->second, kHeight);
    }

    // Dragged by its client area, the bare form follows the mouse.
    const auto origin = x.Origin(bare);
    ASSERT_TRUE(origin);
    DragOnScreen(display, origin->first + 60, origin->second + 80, 40, 30, "title_bar_xdotool.log");
    const auto moved = x.MovedFrom(bare, *origin, 5);
    ASSERT_TRUE(moved) << "the form did not move";
    EXPECT_EQ(moved->first, origin->first + 40);
    EXPECT_EQ(moved->second, origin->second + 30);
}

#endif

} // namespace
