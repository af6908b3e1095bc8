// Automatic mode, the program itself in a real window: a virtual X server, the unit simulator on a
// pseudo-terminal that COM4 stands for, "LoaderDefault.ini" naming the script and "AUTOMATIC", and
// Quillon run as a process whose exit status tells how the run went. Every message box is
// answered with Enter. The good upload keeps a screenshot of the main window with the progress
// window (quillon_upload.png in the build tree). Skipped without Xvfb and xdotool (Debian packages
// xvfb, xdotool, imagemagick).
#include "support/LoaderSim.h"

#include "platform/win/Process.h"
#include "tools/testing/RealDisplay.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testing_display;

struct TRun {
    int ExitStatus = -1;
    std::string Stderr;
    int Boxes = 0;
    bool Screenshot = false;
};

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every visible window whose name matches the pattern.
std::vector<std::string> FindWindows(const std::string& xdotool, const std::string& display,
                                     const std::string& pattern, const std::string& out) {
    const pid_t search =
        Spawn(xdotool, {"search", "--onlyvisible", "--name", pattern}, {"DISPLAY=" + display}, "", out);
    if (search <= 0) return {};
    ::waitpid(search, nullptr, 0);
    std::ifstream found(out);
    std::vector<std::string> windows;
    // Only window ids: an xdotool that could not reach the display says so on the same output.
    for (std::string window; std::getline(found, window);)
        if (!window.empty() && window.find_first_not_of("0123456789") == std::string::npos)
            windows.push_back(window);
    return windows;
}

std::string FindWindow(const std::string& xdotool, const std::string& display, const std::string& pattern,
                       const std::string& out) {
    const std::vector<std::string> windows = FindWindows(xdotool, display, pattern, out);
    return windows.empty() ? std::string() : windows.front();
}

// The information window shown while the ports are searched carries the program's title too; it is
// told from a message box by its fixed client size.
bool IsInformationWindow(const std::string& xdotool, const std::string& display, const std::string& window,
                         const std::string& out) {
    const pid_t query = Spawn(xdotool, {"getwindowgeometry", window}, {"DISPLAY=" + display}, "", out);
    if (query <= 0) return false;
    ::waitpid(query, nullptr, 0);
    return ReadWhole(out).find("Geometry: 472x52") != std::string::npos;
}

// Runs Quillon in dir until it ends (at most limitSeconds), pressing Enter in every message box.
// program: the build to run (the program itself, or the one with shortened waits).
TRun RunQuillon(const std::string& dir, const std::string& name, int limitSeconds, bool screenshot = false,
                const char* program = QUILLON_PATH) {
    TRun run;
    const std::string xvfb = FindProgram("Xvfb");
    const std::string xdotool = FindProgram("xdotool");
    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "1024x768x24", name + "_xvfb.log", server);
    if (!number) return run;
    const std::string display = ":" + std::to_string(*number);
    const std::string errors = std::filesystem::absolute(name + ".log").string();
    TChild quillon;
    quillon.Pid = Spawn(program, {}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}, dir, errors);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (::waitpid(quillon.Pid, &status, WNOHANG) == quillon.Pid) {
            quillon.Pid = -1;
            run.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (screenshot && !run.Screenshot &&
            !FindWindow(xdotool, display, "File Upload Progress", name + "_xdotool.txt").empty()) {
            run.Screenshot =
                RunProcessAndWait("import", {"-display", display, "-window", "root", name + ".png"}) == 0;
        }
        // A message box carries the program's title alone.
        for (const std::string& box : FindWindows(xdotool, display, "^Quillon$", name + "_xdotool.txt")) {
            if (IsInformationWindow(xdotool, display, box, name + "_xdotool_geometry.txt")) continue;
            const pid_t key = Spawn(xdotool, {"windowfocus", "--sync", box, "key", "Return"},
                                    {"DISPLAY=" + display}, "", name + "_xdotool_key.txt");
            if (key > 0) ::waitpid(key, nullptr, 0);
            ++run.Boxes;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    run.Stderr = ReadWhole(errors);
    return run;
}

class QuillonAutomatic : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindProgram("Xvfb").empty() || FindProgram("xdotool").empty() || FindProgram("import").empty())
            GTEST_SKIP() << "needs Xvfb, xdotool and ImageMagick's import (Debian packages xvfb, xdotool, "
                            "imagemagick)";
        // Only the port the test maps exists.
        std::filesystem::create_directories(home_.Vexo());
        std::ofstream map(home_.Vexo() + "/comports");
        for (int n = 1; n <= 16; ++n) map << "COM" << n << "=/nonexistent/quillon-test-tty" << n << "\n";
        dir_ = std::filesystem::absolute(std::string("quillon_") +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name())
                   .string();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { ClearComMappings(); }

    // The settings for automatic mode on COM4 with the script script.sld.
    void Settings() {
        std::ofstream(dir_ + "/LoaderDefault.ini", std::ios::binary)
            << "[Port]\r\nCom=COM4\r\nBaud=38400\r\nBits=8\r\nParity=0\r\nStop=1\r\nScript= " << dir_
            << "/script.sld\r\nFolder=\r\nMode=Automatic\r\n";
    }
    void Script(const std::string& text) { std::ofstream(dir_ + "/script.sld", std::ios::binary) << text; }
    std::string UploadScript(std::size_t size) {
        std::string body;
        for (std::size_t i = 0; i < size; ++i) body += static_cast<char>(i * 13 + i / 97);
        std::ofstream(dir_ + "/image.bin", std::ios::binary) << body;
        return "_TC \"LOADR^M\"\r\n_LF " + dir_ + "/image.bin\r\n_LA 10000\r\n_LV 2.18\r\n_LD\r\n";
    }

    TempHome home_;
    std::string dir_;
};

} // namespace

TEST_F(QuillonAutomatic, AGoodUploadEndsWithStatusZero) {
    TLoaderSim sim({"--flash", "200"});
    ASSERT_TRUE(sim.Running());
    sim.MapTo(4);
    Settings();
    Script(UploadScript(2000000));
    const TRun run = RunQuillon(dir_, "quillon_upload", 120, true);
    EXPECT_EQ(run.ExitStatus, 0) << run.Stderr;
    EXPECT_EQ(run.Boxes, 0) << run.Stderr;
    EXPECT_TRUE(sim.HasEvent("image accepted: 2000000 bytes"));
    EXPECT_TRUE(run.Screenshot) << "no screenshot of the upload";
}

TEST_F(QuillonAutomatic, ARefusedUploadEndsWithAFailureStatus) {
    TLoaderSim sim;
    ASSERT_TRUE(sim.Running());
    sim.MapTo(4);
    sim.Command("refuse");
    Settings();
    Script(UploadScript(3000));
    // Every prompt wait after the refused image times out: 1141, 1141 and 400 ticks of 55 ms at the
    // program's own pace, hence the build with shortened waits.
    const TRun run = RunQuillon(dir_, "quillon_refused", 60, false, QUILLON_SCALED_PATH);
    EXPECT_EQ(run.ExitStatus, 1) << run.Stderr;
    EXPECT_NE(
        run.Stderr.find("Error! Unable to receive prompt after upload. Upload unsuccessful. Exiting script."),
        std::string::npos)
        << run.Stderr;
}

TEST_F(QuillonAutomatic, ASilentUnitOrAMissingScriptEndWithAFailureStatus) {
    struct Case {
        const char* Name;
        bool Mute;
        bool WithScript;
        const char* Message;
    };
    for (const Case c :
         {Case{"silent unit", true, true,
               "Error!! COM port communication failed. Please check RS232 connection/INI settings. "
               "Exiting application"},
          Case{"missing script", false, false, "Error opening file "}}) {
        TLoaderSim sim;
        ASSERT_TRUE(sim.Running());
        sim.MapTo(4);
        if (c.Mute) sim.Command("mute");
        Settings();
        std::filesystem::remove(dir_ + "/script.sld");
        if (c.WithScript) Script("_SC \"hello\"\r\n");
        const TRun run = RunQuillon(dir_, std::string("quillon_") + (c.Mute ? "silent" : "noscript"), 60);
        EXPECT_EQ(run.ExitStatus, 1) << c.Name << ": " << run.Stderr;
        EXPECT_NE(run.Stderr.find(c.Message), std::string::npos) << c.Name << ": " << run.Stderr;
        EXPECT_GE(run.Boxes, 1) << c.Name;
        EXPECT_EQ(sim.Received().find("hello"), std::string::npos) << c.Name;
        ClearComMappings();
    }
}

TEST_F(QuillonAutomatic, ScriptsEndedByStOrFtEndWithStatusZero) {
    struct Case {
        const char* Name;
        const char* Script;
        const char* Last; // the last text the unit gets
    };
    for (const Case c : {Case{"st", "_SC \"one\"\r\n_ST \"bye\"\r\n_SC \"after\"\r\n", "bye\r"},
                         Case{"ft", "_SC \"one\"\r\n_FT\r\n_SC \"after\"\r\n", "one\r"}}) {
        TLoaderSim sim;
        ASSERT_TRUE(sim.Running());
        sim.MapTo(4);
        Settings();
        Script(c.Script);
        const TRun run = RunQuillon(dir_, std::string("quillon_") + c.Name, 60);
        EXPECT_EQ(run.ExitStatus, 0) << c.Name << ": " << run.Stderr;
        EXPECT_EQ(run.Boxes, 0) << c.Name;
        EXPECT_EQ(run.Stderr.find("Error"), std::string::npos) << c.Name << ": " << run.Stderr;
        const std::string received = sim.Received();
        EXPECT_NE(received.find(c.Last), std::string::npos) << c.Name;
        EXPECT_EQ(received.find("after"), std::string::npos) << c.Name;
        ClearComMappings();
    }
}

TEST_F(QuillonAutomatic, FailuresInTheScriptEndWithAFailureStatusAndTheirMessage) {
    struct Case {
        const char* Name;
        const char* Control; // set up in the unit before the run
        std::string Script;
        std::string Message;
    };
    const Case cases[] = {
        {"unanswered_tc", "on LOADR = mute", "_TC \"LOADR^M\"\r\n_SC \"after\"\r\n",
         "Error! Unable to get response from unit(_TC)! Exiting script"},
        // The unit stops reading once the upload is announced.
        {"aborted_upload", "on LF 10000 = stall", UploadScript(150000) + "_SC \"after\"\r\n",
         "Upload cancelled/incomplete!!! Upload for " + dir_ + "/image.bin section was incomplete."},
        {"missing_file", "", "_LF " + dir_ + "/missing.bin\r\n_LD\r\n_SC \"after\"\r\n",
         "Error! Unable to open file " + dir_ + "/missing.bin. Cannot upload file."},
    };
    for (const Case& c : cases) {
        TLoaderSim sim;
        ASSERT_TRUE(sim.Running());
        sim.MapTo(4);
        if (*c.Control) sim.Command(c.Control);
        Settings();
        Script(c.Script);
        // The waits for prompts that do not come are shortened.
        const TRun run = RunQuillon(dir_, std::string("quillon_") + c.Name, 90, false, QUILLON_SCALED_PATH);
        EXPECT_NE(run.ExitStatus, 0) << c.Name << ": " << run.Stderr;
        EXPECT_NE(run.ExitStatus, -1) << c.Name << ": did not end";
        EXPECT_NE(run.Stderr.find(c.Message), std::string::npos) << c.Name << ": " << run.Stderr;
        EXPECT_GE(run.Boxes, 1) << c.Name;
        EXPECT_FALSE(sim.HasEvent("image accepted")) << c.Name;
        // The missing file's run goes on after its message, as a script does; the others stop.
        EXPECT_EQ(sim.Received().find("after") != std::string::npos, std::string(c.Name) == "missing_file")
            << c.Name;
        ClearComMappings();
    }
}
