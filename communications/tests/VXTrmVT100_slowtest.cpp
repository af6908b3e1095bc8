// The VT100 emulator against a real VT100 host program: vttest runs on the far end of a
// pseudo-terminal pair, the terminal control with the VT100 emulator on the near end; the test
// drives its menus by typing into the emulator, and every screen it shows must equal the screen
// the reference terminal library computes from the same bytes, but for the differences listed by
// name in VtScreen.cpp. What vttest wrote is kept as vttest.rec in the working folder (the
// recording the fast comparison replays; set VX_VTTEST_RECORD to a file to keep a copy there).
// Run on a real display, a few screens are kept as pictures.
#include "communications/VXTerm.h"

#include "communications/VxPort.h"
#include "communications/tests/support/PumpUntil.h"
#include "communications/tests/support/TerminalOnPty.h"
#include "communications/tests/vttest/VtScreen.h"
#include "platform/ui/Forms.h"
#include "platform/win/Process.h"

#include "tools/testing/RealDisplay.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testing_display;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// vttest on a second pair, joined to the terminal's far end; what it writes is recorded.
struct TVttest {
    int master = -1;
    pid_t pid = -1;
    std::atomic<bool> stop{false};
    std::atomic<std::int64_t> lastOutput{NowMs()};
    std::mutex lock;
    std::string fresh; // written since the last Take
    std::thread bridge;

    explicit TVttest(TPty& farEnd) {
        struct winsize ws{24, 80, 0, 0};
        pid = forkpty(&master, nullptr, nullptr, &ws);
        if (pid == 0) {
            setenv("TERM", "vt100", 1);
            execlp("vttest", "vttest", "24x80.80", static_cast<char*>(nullptr));
            _exit(127);
        }
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        bridge = std::thread([this, &farEnd] {
            char buf[4096];
            while (!stop) {
                bool idle = true;
                const ssize_t n = read(master, buf, sizeof buf);
                if (n > 0) {
                    idle = false;
                    {
                        std::lock_guard<std::mutex> hold(lock);
                        fresh.append(buf, static_cast<std::size_t>(n));
                    }
                    lastOutput = NowMs();
                    farEnd.Send(std::string(buf, static_cast<std::size_t>(n)));
                }
                const std::string typed = farEnd.Drain();
                if (!typed.empty()) {
                    idle = false;
                    if (write(master, typed.data(), typed.size()) < 0) return;
                }
                if (idle) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~TVttest() {
        stop = true;
        bridge.join();
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(master);
    }
    std::string Take() {
        std::lock_guard<std::mutex> hold(lock);
        std::string out;
        out.swap(fresh);
        return out;
    }
};

struct VttestLive : ::testing::Test {
    TVT100OnPty near{52, 800, 440};
    TPty& pty = near.Pty;
    TVxTerminal* term = near.Term;
    TVxVT100Emulator* emu = near.Emu;

    void SetUp() override {
        if (FindProgram("vttest").empty()) GTEST_SKIP() << "needs vttest (Debian package vttest)";
        ASSERT_TRUE(near.Attach());
    }
    std::string ScreenText() {
        std::string all;
        for (int row = 1; row <= 24; ++row) all += term->tmGetLine(row) + "\n";
        return all;
    }
};

TEST_F(VttestLive, EveryScreenMatchesTheReference) {
    TVttest host(pty);
    TReferenceTerminal ref(24, 80);
    std::vector<TVtRecordedScreen> recording;
    std::set<std::string> differing;
    const char* shots = std::getenv("VX_VTTEST_SCREENSHOTS");
    const std::set<std::string> pictured = {"cursor-1", "screen-8", "charsets-1", "double-3", "vt52-1"};

    auto take = [&](const std::string& name) {
        // vttest waits for a key once it has been quiet for a while; the emulator's replies to its
        // questions are part of the exchange before that.
        PumpUntil([&] { return NowMs() - host.lastOutput > 700; }, 20000);
        PumpFor(50);
        const std::string bytes = host.Take();
        ref.Feed(bytes);
        recording.push_back({name, bytes});
        std::ofstream("vttest.rec", std::ios::binary) << FormatRecording(recording);
        // The terminal may still be handing the last bytes to the emulator: wait for the screens to
        // agree, a while longer where they are not to.
        const TVtScreen theirs = ref.Screen();
        PumpUntil([&] { return EmulatorScreen(*emu, 24, 132).Difference(theirs).empty(); },
                  AllowedDifference(name) ? 1500 : 5000);
        const TVtScreen ours = EmulatorScreen(*emu, 24, 132);
        const std::string diff = ours.Difference(theirs);
        if (!diff.empty()) {
            differing.insert(name);
            if (!AllowedDifference(name)) ADD_FAILURE() << "screen " << name << ": " << diff << "\n" << ours.Dump();
        }
        if (shots && pictured.count(name)) {
            term->Repaint();
            PumpFor(300);
            const std::string file = std::string(shots) + "/vt100_" + name + ".png";
            EXPECT_EQ(RunProcessAndWait("import", {"-window", "root", file}), 0) << file;
        }
        return ours;
    };
    auto type = [&](const std::string& keys) {
        for (char c : keys) emu->CharTyped(c);
    };
    auto shows = [&](const std::string& text) { return ScreenText().find(text) != std::string::npos; };

    take("menu");
    ASSERT_TRUE(shows("Enter choice number (0 - 12)")) << ScreenText();
    struct TMenu {
        std::string key, name;
        std::vector<std::string> items; // of a sub-menu
        std::string prompt;
    };
    const TMenu menus[] = {
        {"1", "cursor", {}, ""},
        {"2", "screen", {}, ""},
        {"3", "charsets", {}, ""},
        {"4", "double", {}, ""},
        {"6", "reports", {"1", "2", "3", "4", "7"}, "Enter choice number (0 - 7)"},
        {"7", "vt52", {}, ""},
    };
    for (const TMenu& menu : menus) {
        type(menu.key + "\r");
        int n = 1;
        take(menu.name + "-" + std::to_string(n++));
        for (const std::string& item : menu.items) {
            type(item + "\r");
            take(menu.name + "-" + std::to_string(n++));
            for (int i = 0; i < 12 && !shows(menu.prompt); ++i) {
                type("\r");
                take(menu.name + "-" + std::to_string(n++));
            }
            ASSERT_TRUE(shows(menu.prompt)) << menu.name << " item " << item << "\n" << ScreenText();
        }
        if (!menu.items.empty()) {
            type("0\r");
            take(menu.name + "-" + std::to_string(n++));
        }
        for (int i = 0; i < 30 && !shows("Enter choice number (0 - 12)"); ++i) {
            type("\r");
            take(menu.name + "-" + std::to_string(n++));
        }
        ASSERT_TRUE(shows("Enter choice number (0 - 12)")) << menu.name << "\n" << ScreenText();
    }

    if (const char* keep = std::getenv("VX_VTTEST_RECORD"))
        std::ofstream(keep, std::ios::binary) << FormatRecording(recording);
    // Where a screen ends depends on when vttest fell quiet, so on a busy machine a screen may be
    // cut before the part that differs: that every listed difference still occurs is checked on the
    // recording, whose cuts are fixed.
}

TEST(VttestOnScreen, ScreensOnARealDisplay) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty() || FindProgram("import").empty() || FindProgram("vttest").empty())
        GTEST_SKIP() << "needs Xvfb, ImageMagick's import and vttest (Debian packages xvfb, imagemagick, vttest)";
    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "820x460x24", "vttest_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see vttest_xvfb.log";
    const std::string dir = std::filesystem::absolute(".").string();
    for (const char* name : {"cursor-1", "screen-8", "charsets-1", "double-3", "vt52-1"})
        std::remove((dir + "/vt100_" + name + ".png").c_str());
    TChild child;
    child.Pid = Spawn("/proc/self/exe", {"--gtest_filter=VttestLive.EveryScreenMatchesTheReference"},
                      {"DISPLAY=:" + std::to_string(*number), "QT_QPA_PLATFORM=xcb", "VX_VTTEST_SCREENSHOTS=" + dir},
                      "", "vttest_window.log");
    int status = -1;
    ASSERT_EQ(waitpid(child.Pid, &status, 0), child.Pid);
    child.Pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "see vttest_window.log";
    for (const char* name : {"cursor-1", "screen-8", "charsets-1", "double-3", "vt52-1"}) {
        const std::string shot = dir + "/vt100_" + name + ".png";
        EXPECT_GT(std::filesystem::exists(shot) ? std::filesystem::file_size(shot) : 0, 0u) << shot;
    }
}

} // namespace
