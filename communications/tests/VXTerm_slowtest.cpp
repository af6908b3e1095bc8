// The terminal in real time: lazy display paints on the beat, a mebibyte of mixed text and control
// bytes arrives whole and once with lazy display on and off (and the capture file holds exactly
// what was sent), and a real shell on the far end of a pseudo-terminal answers what is typed into
// the control.
#include "communications/VXTerm.h"

#include "communications/VxPort.h"
#include "communications/tests/support/PumpUntil.h"
#include "platform/ui/Forms.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Process.h"

#include "tools/testing/RealDisplay.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

using namespace testing_display;


// A pair whose near end the port opens as COMn; the far end is this object's.
struct TPair {
    int master = -1, slave = -1, number;
    explicit TPair(int com) : number(com) {
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        setenv(("VEXO_COM" + std::to_string(com)).c_str(), name, 1);
    }
    ~TPair() {
        unsetenv(("VEXO_COM" + std::to_string(number)).c_str());
        close(master);
        close(slave);
    }
    void Send(const std::string& bytes) const {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = write(master, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) sent += static_cast<std::size_t>(n);
        }
    }
};

struct TCollect {
    std::string Got;
    void OnChar(TObject*, char c, std::string&, TVxEmuCommandList*, TVxCharSource) { Got += c; }
};

struct Fixture : ::testing::Test {
    TPair pair{44};
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TVexComPort* port = nullptr;
    TVxTerminal* term = nullptr;
    void SetUp() override {
        Application->Initialize();
        form->SetClientSize(700, 420);
        port = new TVexComPort(form.get());
        port->SetComNumber(44);
        port->SetBaud(115200);
        term = new TVxTerminal(form.get());
        term->SetParent(form.get());
        term->SetBounds(0, 0, 680, 400);
        term->tmSetComPort(port);
        form->Show();
        port->SetOpen(true);
        // Attached once what the far end writes arrives (the terminal attaches from its message queue).
        int sent = 0;
        bool attached = false;
        while (sent < 50 && !attached) {
            pair.Send("#");
            ++sent;
            attached = PumpUntil([this] { return Line(1).substr(0, 1) == "#"; }, 100);
        }
        ASSERT_TRUE(attached);
        // Every '#' sent arrives, some perhaps after the first showed (a slow run sends several): the
        // test starts once all have shown and the port's delivery of them has ended.
        TVexBaseDispatcher* disp = port->GetDispatcher();
        ASSERT_TRUE(PumpUntil([&] {
            return Line(1) == std::string(static_cast<std::size_t>(sent), '#') && !disp->EventBusy() &&
                   disp->InBuffUsed() == 0;
        }));
        Buf()->EraseAll();
    }
    TVxTerminalBuffer* Buf() { return term->CurrentEmulator()->Buffer(); }
    std::string Line(int row) {
        std::string l = term->tmGetLine(row);
        return l.substr(0, l.find_last_not_of(' ') + 1);
    }
};

using TerminalLive = Fixture;

TEST_F(TerminalLive, LazyDisplayPaintsOnTheBeat) {
    term->tmSetUseLazyDisplay(true);
    pair.Send("x");
    ASSERT_TRUE(PumpUntil([this] { return Line(1) == "x"; }));
    PumpFor(400);
    ASSERT_FALSE(term->CurrentEmulator()->teGetNeedsUpdate());
    // A change after an idle spell is painted on the next beat, not at once.
    pair.Send("y");
    ASSERT_TRUE(PumpUntil([this] { return Line(1) == "xy"; }));
    EXPECT_TRUE(PumpUntil([this] { return !Buf()->HasDisplayChanged(); }, 300));
}

TEST_F(TerminalLive, AMebibyteArrivesWholeAndOnceWithLazyDisplayOnAndOff) {
    std::string data;
    for (int i = 0; data.size() < (1u << 20); ++i) {
        data += "row " + std::to_string(i) + "\t\xC4\xB3\xDB \x1b[1m\x0c" + std::string(i % 90, 'a' + i % 26);
        data += i % 3 ? "\r\n" : "\n\b\b";
        data += static_cast<char>(i % 256 == 7 ? 8 : i % 256);
    }
    data.resize(1u << 20);
    const std::string file =
        (std::filesystem::temp_directory_path() / ("vxterm-mib-" + std::to_string(getpid()))).string();
    TSeamRecorder seam; // bells are heard by the seam
    for (const bool lazy : {true, false}) {
        TCollect seen;
        term->BuiltInEmulator()->OnProcessChar = TVxOnProcessChar::Bind<&TCollect::OnChar>(&seen);
        term->tmSetUseLazyDisplay(lazy);
        term->tmSetCaptureFile(file);
        term->tmSetCapture(cmOn);
        std::thread writer([&] { pair.Send(data); });
        const bool done = PumpUntil([&] { return seen.Got.size() >= data.size(); }, 60000);
        writer.join();
        PumpFor(100);
        term->tmSetCapture(cmOff);
        ASSERT_TRUE(done) << "lazy " << lazy << ": " << seen.Got.size() << " bytes";
        EXPECT_TRUE(seen.Got == data) << "lazy " << lazy;
        std::ifstream in(file, std::ios::binary);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == data) << "lazy " << lazy;
        seam.Clear();
    }
    std::remove(file.c_str());
}

// A shell on a second pair, its far end joined to the terminal's far end.
struct TShell {
    int master = -1;
    pid_t pid = -1;
    std::atomic<bool> stop{false};
    std::thread bridge;
    TShell(int farEnd, const std::string& inputrc) {
        struct winsize ws{24, 80, 0, 0};
        pid = forkpty(&master, nullptr, nullptr, &ws);
        if (pid == 0) {
            setenv("PS1", "$ ", 1);
            setenv("INPUTRC", inputrc.c_str(), 1);
            setenv("TERM", "dumb", 1);
            execl("/bin/bash", "bash", "--norc", "--noprofile", "-i", static_cast<char*>(nullptr));
            _exit(127);
        }
        bridge = std::thread([this, farEnd] {
            char buf[4096];
            while (!stop) {
                pollfd p[2] = {{master, POLLIN, 0}, {farEnd, POLLIN, 0}};
                if (poll(p, 2, 20) <= 0) continue;
                for (int i = 0; i < 2; ++i) {
                    if (!(p[i].revents & POLLIN)) continue;
                    const ssize_t n = read(p[i].fd, buf, sizeof buf);
                    if (n > 0 && write(i == 0 ? farEnd : master, buf, static_cast<std::size_t>(n)) < 0) return;
                }
            }
        });
    }
    ~TShell() {
        stop = true;
        bridge.join();
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(master);
    }
};

TEST_F(TerminalLive, ARealShellAnswersWhatIsTyped) {
    if (access("/bin/bash", X_OK) != 0) GTEST_SKIP() << "needs bash";
    const std::string inputrc =
        (std::filesystem::temp_directory_path() / ("vxterm-inputrc-" + std::to_string(getpid()))).string();
    std::ofstream(inputrc) << "set enable-bracketed-paste off\n";
    TShell shell(pair.master, inputrc);
    auto screen = [this] {
        std::string all;
        for (int row = 1; row <= term->Rows(); ++row) all += Line(row) + "\n";
        return all;
    };
    ASSERT_TRUE(PumpUntil([&] { return screen().rfind("$\n", 0) == 0; })) << screen(); // the prompt
    term->SetFocus();
    for (const char c : std::string("echo hello\r")) term->Perform(WM_CHAR, static_cast<unsigned char>(c), 1);
    ASSERT_TRUE(PumpUntil([&] { return screen().find("\nhello\n") != std::string::npos; })) << screen();
    EXPECT_NE(screen().find("$ echo hello\n"), std::string::npos) << screen();
    std::remove(inputrc.c_str());
    // Run on a real display by the test below: a picture of the screen as it is now.
    if (const char* shot = std::getenv("VX_TERMINAL_SCREENSHOT")) {
        term->Repaint();
        PumpFor(500);
        EXPECT_EQ(RunProcessAndWait("import", {"-window", "root", shot}), 0);
    }
}

TEST(TerminalOnScreen, ShowsTheShellsAnswerOnARealDisplay) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty() || FindProgram("import").empty() || access("/bin/bash", X_OK) != 0)
        GTEST_SKIP() << "needs Xvfb, ImageMagick's import and bash (Debian packages xvfb, imagemagick)";
    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "800x480x24", "terminal_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see terminal_xvfb.log";
    const std::string shot = std::filesystem::absolute("terminal_window.png").string();
    std::remove(shot.c_str());
    TChild child;
    child.Pid = Spawn("/proc/self/exe", {"--gtest_filter=TerminalLive.ARealShellAnswersWhatIsTyped"},
                      {"DISPLAY=:" + std::to_string(*number), "QT_QPA_PLATFORM=xcb", "VX_TERMINAL_SCREENSHOT=" + shot},
                      "", "terminal_window.log");
    int status = -1;
    ASSERT_EQ(waitpid(child.Pid, &status, 0), child.Pid);
    child.Pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "see terminal_window.log";
    EXPECT_GT(std::filesystem::exists(shot) ? std::filesystem::file_size(shot) : 0, 0u) << shot;
}

} // namespace
