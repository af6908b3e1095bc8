// A pseudo-terminal pair for the receive benchmarks: COMn points at its near end, both ends raw;
// a writer pours bytes into the far end.
#pragma once

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

class TPtyPair {
public:
    explicit TPtyPair(int comNumber) : comNumber_(comNumber) {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
        setenv(("VEXO_COM" + std::to_string(comNumber_)).c_str(), name, 1);
    }
    ~TPtyPair() {
        unsetenv(("VEXO_COM" + std::to_string(comNumber_)).c_str());
        close(master_);
        close(slave_);
    }
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    // Writes total bytes taken round from pattern; blocks while the near end's queue is full.
    void Pour(std::size_t total, const std::string& pattern) const {
        std::size_t sent = 0;
        while (sent < total) {
            const std::size_t at = sent % pattern.size();
            const ssize_t n = write(master_, pattern.data() + at, std::min(pattern.size() - at, total - sent));
            if (n > 0) sent += static_cast<std::size_t>(n);
        }
    }
    int Near() const { return slave_; }

private:
    int comNumber_;
    int master_ = -1;
    int slave_ = -1;
};
