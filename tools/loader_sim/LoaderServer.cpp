#include "tools/loader_sim/LoaderServer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace loadersim {

LoaderServer::LoaderServer(LoaderCore& core, int controlFd, std::chrono::steady_clock::time_point start)
    : Unit(core), Served(Unit, controlFd, start, "loader-sim") {
    Served.SetHangUp([this](int64_t) { HangUp(); });
}

LoaderServer::~LoaderServer() {
    if (SlaveFd >= 0) ::close(SlaveFd);
    if (!LinkPath.empty()) ::unlink(LinkPath.c_str());
}

bool LoaderServer::Listen(const std::string& address, int port, std::string& error) {
    return Served.Listen(address, port, error);
}

bool LoaderServer::OpenPty(const std::string& linkPath, std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) ::close(master);
        return false;
    }
    SlavePath = ::ptsname(master);
    SlaveFd = ::open(SlavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (SlaveFd < 0 || ::tcgetattr(SlaveFd, &tio) != 0) {
        error = SlavePath + ": " + std::strerror(errno);
        ::close(master);
        return false;
    }
    // Raw: no echo, no line editing, no translation of CR and LF; the loader sets its own modes.
    ::cfmakeraw(&tio);
    ::tcsetattr(SlaveFd, TCSANOW, &tio);
    if (!linkPath.empty()) {
        ::unlink(linkPath.c_str());
        if (::symlink(SlavePath.c_str(), linkPath.c_str()) != 0) {
            error = linkPath + ": " + std::strerror(errno);
            ::close(master);
            return false;
        }
        LinkPath = linkPath;
    }
    Served.AddLink(master, "pty", {true, Baud / 10});
    return true;
}

// A drop closed the pseudo-terminal's near end, so whoever has the far end open sees the line hung
// up. A new pseudo-terminal takes its place (the link, when there is one, follows it).
void LoaderServer::HangUp() {
    if (SlaveFd >= 0) ::close(SlaveFd);
    SlaveFd = -1;
    std::string error;
    if (!OpenPty(LinkPath, error)) return;
    if (NewPty) NewPty(SlavePath);
}

} // namespace loadersim
