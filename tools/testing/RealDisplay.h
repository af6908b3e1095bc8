// For the tests that show a program in a real window: finding programs, starting and ending child
// processes, and a virtual X server on a free display.
#pragma once

#include "tools/testing/ChildEnvironment.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace testing_display {

// The program's path on PATH, or empty.
inline std::string FindProgram(const std::string& name) {
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
    TChild() = default;
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;
    ~TChild() {
        if (Pid <= 0) return;
        ::kill(Pid, SIGTERM);
        ::waitpid(Pid, nullptr, 0);
    }
};

// Starts program with args in dir (empty: this folder), the environment changed by env
// ("NAME=value"), its output to logPath; keepFd stays open in the child.
inline pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& env, const std::string& dir, const std::string& logPath,
                   int keepFd = -1) {
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<std::string> envStore = ChildEnvironment(env);
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
        if (!dir.empty() && ::chdir(dir.c_str()) != 0) ::_exit(126);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    if (log >= 0) ::close(log);
    return pid;
}

// Runs program with args on the display (":n") and waits for it; its exit status, -1 when it did
// not run or end normally. Its output goes to logPath.
inline int RunOnDisplay(const std::string& display, const std::string& program,
                        const std::vector<std::string>& args, const std::string& logPath) {
    const pid_t pid = Spawn(program, args, {"DISPLAY=" + display}, "", logPath);
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Waits until the condition holds, looking every 50 ms for at most seconds; whether it held.
inline bool WaitUntil(const std::function<bool()>& condition, int seconds = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// Presses the left button at the screen point (x, y), moves it by (dx, dy) in two steps and lets go
// (xdotool on the display, its output to logPath).
inline void DragOnScreen(const std::string& display, int x, int y, int dx, int dy,
                         const std::string& logPath) {
    RunOnDisplay(display, FindProgram("xdotool"),
                 {"mousemove",
                  std::to_string(x),
                  std::to_string(y),
                  "sleep",
                  "0.2",
                  "mousedown",
                  "1",
                  "sleep",
                  "0.3",
                  "mousemove_relative",
                  "--",
                  std::to_string(dx / 2),
                  std::to_string(dy / 2),
                  "sleep",
                  "0.2",
                  "mousemove_relative",
                  "--",
                  std::to_string(dx - dx / 2),
                  std::to_string(dy - dy / 2),
                  "sleep",
                  "0.3",
                  "mouseup",
                  "1"},
                 logPath);
}

// Starts a virtual X server (screen like "640x480x24") on a free display and returns its number
// once it accepts clients.
inline std::optional<int> StartXvfb(const std::string& xvfb, const std::string& screen,
                                    const std::string& logPath, TChild& server) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    server.Pid =
        Spawn(xvfb, {"-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"}, {},
              "", logPath, fds[1]);
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char ch = 0;
    while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    ::close(fds[0]);
    if (number.empty()) return std::nullopt;
    return std::stoi(number);
}

} // namespace testing_display
