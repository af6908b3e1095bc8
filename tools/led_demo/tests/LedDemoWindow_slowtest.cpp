// The demonstration program in a real window: a virtual X server, the program on Qt's X11 platform,
// a screenshot of the screen (kept in the build tree as led_demo_window.png), and the lamps and
// label on it pixel for pixel as the same form renders headless. Skipped when the X server or the
// screenshot tool is not installed (Debian packages xvfb and imagemagick).
#include "tools/led_demo/LedDemoForm.h"

#include "platform/win/Process.h"
#include "support/DemoTest.h"

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

extern char** environ;

namespace {

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string file = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(file.c_str(), X_OK) == 0) return file;
    }
    return {};
}

// A child process, ended (and reaped) with the test.
struct TChild {
    pid_t Pid = -1;
    ~TChild() {
        if (Pid <= 0) return;
        ::kill(Pid, SIGTERM);
        ::waitpid(Pid, nullptr, 0);
    }
};

// Starts program with args and the environment changed by `env` ("NAME=value"), output to logPath;
// keepFd stays open in the child.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& env, const std::string& logPath, int keepFd = -1) {
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<std::string> envStore(env);
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& mine : env)
            replaced = replaced || mine.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced) envStore.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    if (log >= 0) ::close(log);
    return pid;
}

// Starts a virtual X server on a free display and returns its number once it accepts clients.
std::optional<int> StartXvfb(const std::string& xvfb, TChild& server) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    server.Pid =
        Spawn(xvfb, {"-displayfd", std::to_string(fds[1]), "-screen", "0", "640x480x24", "-nolisten", "tcp"},
              {}, "led_demo_xvfb.log", fds[1]);
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char ch = 0;
    while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    ::close(fds[0]);
    if (number.empty()) return std::nullopt;
    return std::stoi(number);
}

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
    const std::optional<int> number = StartXvfb(xvfb, server);
    ASSERT_TRUE(number) << "Xvfb did not start; see led_demo_xvfb.log";
    const std::string display = ":" + std::to_string(*number);

    TChild demo;
    demo.Pid = Spawn(LED_DEMO_PATH, {}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}, "led_demo_window.log");
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
