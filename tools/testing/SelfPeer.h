#pragma once
// Another real process for tests that need two runs of a program: the test program itself, started
// again to run one (disabled) test case that plays the other run. That case writes its reports as
// lines starting with "peer:" on standard output; the rest of the output is GoogleTest's own.

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

class SelfPeer {
public:
    // testName as for --gtest_filter, e.g. "RunPeer.DISABLED_Serve"; the environment is inherited.
    explicit SelfPeer(const std::string& testName) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        // Everything the child needs is made before the fork: it only execs.
        const std::string filter = "--gtest_filter=" + testName;
        const char* argv[] = {"peer", filter.c_str(), "--gtest_also_run_disabled_tests", nullptr};
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::execv("/proc/self/exe", const_cast<char* const*>(argv));
            ::_exit(127);
        }
        ::close(out[1]);
        fd_ = out[0];
    }
    ~SelfPeer() {
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
    bool reaped_ = false;
    std::string buffer_;
};
