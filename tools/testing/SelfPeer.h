#pragma once
// Another real process for tests that need two runs of a program: the test program itself, started
// again to run one (disabled) test case that plays the other run. That case writes its reports as
// lines starting with "peer:" on standard output; the rest of the output is GoogleTest's own. The
// test may send it lines on its standard input (Send; the peer reads them with NextPeerCommand).

#include "tools/testing/ChildEnvironment.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

class SelfPeer {
public:
    // testName as for --gtest_filter, e.g. "RunPeer.DISABLED_Serve"; the environment is inherited,
    // changed by env ("NAME=value" each, e.g. "DISPLAY=:5").
    explicit SelfPeer(const std::string& testName, const std::vector<std::string>& env = {}) {
        int out[2], in[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        if (::pipe2(in, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return;
        }
        // Everything the child needs is made before the fork: it only execs.
        const std::string filter = "--gtest_filter=" + testName;
        const char* argv[] = {"peer", filter.c_str(), "--gtest_also_run_disabled_tests", nullptr};
        std::vector<std::string> envStore = ChildEnvironment(env);
        std::vector<char*> envp;
        for (std::string& e : envStore) envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(in[0], 0);
            ::execve("/proc/self/exe", const_cast<char* const*>(argv), envp.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(in[0]);
        fd_ = out[0];
        in_ = in[1];
    }
    ~SelfPeer() {
        if (in_ >= 0) ::close(in_);
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) ::close(fd_);
    }
    SelfPeer(const SelfPeer&) = delete;
    SelfPeer& operator=(const SelfPeer&) = delete;

    pid_t Pid() const { return pid_; }

    // The next report without its "peer:" prefix; "" when none came within the time or the peer
    // closed its output.
    std::string NextReport(int timeoutMs = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                if (line.rfind("peer:", 0) == 0) return line.substr(5);
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return {};
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[512];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0) return {};
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // A line to the peer's standard input; false when the peer is gone.
    bool Send(const std::string& line) {
        if (in_ < 0) return false;
        // A peer that ended must not end the test with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        const std::string data = line + "\n";
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(in_, data.data() + done, data.size() - done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Ends the peer at once, as a crash would.
    void Kill() {
        if (pid_ <= 0 || reaped_) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }
    // Waits for the peer to end by itself; its exit status (-1 when it did not end in time).
    int Wait(int timeoutMs = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::usleep(5000);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    int in_ = -1;
    bool reaped_ = false;
    std::string buffer_;
};

// In the peer: the next line the test sent, calling idle (which should pump the peer's messages)
// while none is there; "" when none came within the time or the test closed the line.
inline std::string NextPeerCommand(const std::function<void()>& idle, int timeoutMs = 30000) {
    static std::string buffer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t nl = buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffer.substr(0, nl);
            buffer.erase(0, nl + 1);
            return line;
        }
        if (std::chrono::steady_clock::now() >= deadline) return {};
        idle();
        pollfd p{0, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0) continue;
        char chunk[256];
        const ssize_t n = ::read(0, chunk, sizeof chunk);
        if (n <= 0) return {};
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}
