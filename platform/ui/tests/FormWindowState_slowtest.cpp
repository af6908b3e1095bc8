// A form minimised and restored by a real window manager (openbox on a virtual X server, driven by
// xdotool) answers GWL_STYLE with WS_MINIMIZE while it is minimised, and IsIconic alike. The test
// runs this same program again on Qt's X11 platform for the form's side. Skipped without Xvfb,
// openbox or xdotool (Debian packages xvfb, openbox, xdotool).
#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"
#include "support/UiTest.h"

#include <QWidget>

#include "tools/testing/RealDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace testing_display;

constexpr const char* ChildVariable = "VX_WINDOW_STATE_CHILD";

// Runs a program to its end (at most 10 s) and returns what it printed.
std::string Output(const std::string& program, const std::vector<std::string>& args,
                   const std::string& display) {
    const std::string log = "form_window_state_tool.log";
    TChild child;
    child.Pid = Spawn(program, args, {"DISPLAY=" + display}, "", log);
    for (int i = 0; i < 1000; ++i) {
        if (::waitpid(child.Pid, nullptr, WNOHANG) == child.Pid) {
            child.Pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Handles events until done says so, for at most 10 s; the request runs again every 300 ms meanwhile,
// as the window manager may not have taken charge of the window when it is first asked.
bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& request = {}) {
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now > start + std::chrono::seconds(10)) return false;
        if (request && now >= next) {
            request();
            next = now + std::chrono::milliseconds(300);
        }
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The form's side, in the program started again on the virtual display.
TEST(FormWindowState, MinimisedByTheWindowManager) {
    if (!std::getenv(ChildVariable)) GTEST_SKIP() << "runs as the child of WindowManagerMinimises";
    const std::string display = std::getenv("DISPLAY");
    const std::string xdotool = FindProgram("xdotool");
    auto form = std::make_unique<TForm>(nullptr);
    form->SetCaption("Window state probe");
    form->SetClientSize(200, 100);
    form->Show();
    const HWND wnd = form->Handle();
    auto minimised = [wnd] { return (static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE)) & WS_MINIMIZE) != 0; };

    // The frame's own X window, as the window manager sees it.
    const std::string id = std::to_string(form->Widget()->window()->winId());
    EXPECT_FALSE(minimised());
    EXPECT_TRUE(PumpUntil(minimised, [&] { Output(xdotool, {"windowminimize", id}, display); }));
    EXPECT_TRUE(IsIconic(wnd));
    EXPECT_EQ(form->WindowState(), wsMinimized);
    EXPECT_TRUE(PumpUntil([&] { return !minimised(); },
                          [&] {
                              Output(xdotool, {"windowactivate", id}, display);
                          }));
    EXPECT_FALSE(IsIconic(wnd));
}

TEST(FormWindowState, WindowManagerMinimises) {
    if (std::getenv(ChildVariable)) GTEST_SKIP();
    const std::string xvfb = FindProgram("Xvfb");
    const std::string openbox = FindProgram("openbox");
    if (xvfb.empty() || openbox.empty() || FindProgram("xdotool").empty())
        GTEST_SKIP() << "needs Xvfb, openbox and xdotool (Debian packages xvfb, openbox, xdotool)";

    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "640x480x24", "form_window_state_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see form_window_state_xvfb.log";
    const std::string display = ":" + std::to_string(*number);
    TChild manager;
    manager.Pid = Spawn(openbox, {}, {"DISPLAY=" + display}, "", "form_window_state_openbox.log");

    const std::string log = "form_window_state_child.log";
    TChild child;
    child.Pid =
        Spawn("/proc/self/exe", {"--gtest_filter=FormWindowState.MinimisedByTheWindowManager"},
              {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", std::string(ChildVariable) + "=1"}, "", log);
    int status = -1;
    for (int i = 0; i < 3000 && child.Pid > 0; ++i) {
        if (::waitpid(child.Pid, &status, WNOHANG) == child.Pid)
            child.Pid = -1;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_EQ(child.Pid, -1) << "the form's side did not finish:\n" << text.str();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text.str();
    EXPECT_NE(text.str().find("[  PASSED  ] 1 test"), std::string::npos) << text.str();
}

} // namespace
