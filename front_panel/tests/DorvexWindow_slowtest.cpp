// The program itself in a real window: a virtual X server, the switcher simulator, Dorvex started in
// a working folder whose "Dorvex.ini" points at the simulator, Enter pressed in the address dialog,
// and a screenshot (kept in the build tree as dorvex_window.png) that must show the panel with its
// lit key. Skipped when the X server, the screenshot tool or xdotool is not installed (Debian
// packages xvfb, imagemagick, xdotool).
#include "platform/ui/ResourceBitmaps.h"

#include "platform/gdi/Draw.h"
#include "platform/ui/Forms.h"
#include "platform/win/Process.h"
#include "support/SwitcherSim.h"

#include "tools/testing/RealDisplay.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testing_display;

struct TShot {
    int Width = 0;
    int Height = 0;
    std::vector<COLORREF> Data;
    COLORREF At(int x, int y) const { return Data[static_cast<std::size_t>(y) * Width + x]; }
};

TShot PixelsOf(TBitmap* bitmap) {
    TShot s;
    s.Width = bitmap->Width();
    s.Height = bitmap->Height();
    HDC dc = bitmap->Canvas()->Handle();
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x) s.Data.push_back(GetPixel(dc, x, y));
    return s;
}

std::optional<TShot> Screenshot(const std::string& display, const std::string& file) {
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

// Where the key picture lies on the screen, matched by its rim (its caption covers the middle).
bool FindKey(const TShot& shot, const TShot& key) {
    auto rim = [&](int ox, int oy) {
        for (int y = 0; y < key.Height; ++y)
            for (int x = 0; x < key.Width; ++x) {
                const bool edge = x < 6 || y < 6 || x >= key.Width - 6 || y >= key.Height - 6;
                if (edge && shot.At(ox + x, oy + y) != key.At(x, y)) return false;
            }
        return true;
    };
    for (int y = 0; y + key.Height <= shot.Height; ++y)
        for (int x = 0; x + key.Width <= shot.Width; ++x)
            if (shot.At(x + 10, y + 10) == key.At(10, 10) && rim(x, y)) return true;
    return false;
}

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Application->Initialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

TEST(DorvexWindow, ShowsThePanelWithItsLitKeyAgainstTheSimulator) {
    const std::string xvfb = FindProgram("Xvfb");
    const std::string xdotool = FindProgram("xdotool");
    if (xvfb.empty() || xdotool.empty() || FindProgram("import").empty())
        GTEST_SKIP()
            << "needs Xvfb, ImageMagick's import and xdotool (Debian packages xvfb, imagemagick, xdotool)";

    TBitmap lit;
    LoadBitmapResource(&lit, "YELLOW_ON");
    const TShot litKey = PixelsOf(&lit);

    TSwitcherSim sim("corvane");
    ASSERT_TRUE(sim.Running());
    const std::string dir = std::filesystem::absolute("dorvex_window_run").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/Dorvex.ini", std::ios::binary)
        << "[Orvel IP Parameters]\r\nIP=127.0.0.1\r\nPort=" << sim.Port() << "\r\n\r\n";

    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "1024x600x24", "dorvex_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see dorvex_xvfb.log";
    const std::string display = ":" + std::to_string(*number);

    TChild dorvex;
    dorvex.Pid = Spawn(DORVEX_PATH, {}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}, dir,
                       std::filesystem::absolute("dorvex_window.log").string());
    ASSERT_GT(dorvex.Pid, 0);

    // The address dialog comes up with the address from the settings file; Enter connects.
    bool entered = false;
    const auto dialogEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!entered && std::chrono::steady_clock::now() < dialogEnd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::string out = "dorvex_xdotool.txt";
        const pid_t search = Spawn(xdotool, {"search", "--name", "Please enter the IP Address of the Device"},
                                   {"DISPLAY=" + display}, "", out);
        if (search <= 0) continue;
        ::waitpid(search, nullptr, 0);
        std::ifstream found(out);
        std::string window;
        if (!std::getline(found, window) || window.empty()) continue;
        const pid_t key = Spawn(xdotool, {"windowfocus", "--sync", window, "key", "Return"},
                                {"DISPLAY=" + display}, "", "dorvex_xdotool_key.txt");
        int status = 0;
        entered =
            key > 0 && ::waitpid(key, &status, 0) == key && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    ASSERT_TRUE(entered) << "no address dialog; see dorvex_window.log";

    // Once connected, the first poll paints source 1 (on program) lit.
    bool shown = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!shown && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        int status = 0;
        ASSERT_EQ(::waitpid(dorvex.Pid, &status, WNOHANG), 0) << "Dorvex ended; see dorvex_window.log";
        if (sim.Received().find("KeyStatus\r") == std::string::npos) continue;
        const std::optional<TShot> shot = Screenshot(display, "dorvex_window.bmp");
        shown = shot && FindKey(*shot, litKey);
    }
    RunProcessAndWait("import", {"-display", display, "-window", "root", "dorvex_window.png"});
    EXPECT_TRUE(shown) << "no lit key on the screen; see dorvex_window.png";
    const std::string received = sim.Received();
    EXPECT_EQ(received.rfind("Remote 0\n\rLockout 2\n\rWhoAreYou?\r\nRev\r\nACQMODE 0\r", 0), 0u) << received;
}

} // namespace
