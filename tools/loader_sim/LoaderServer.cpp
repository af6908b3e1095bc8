#include "tools/loader_sim/LoaderServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

namespace loadersim {

LoaderServer::LoaderServer(LoaderCore& core, int controlFd, std::chrono::steady_clock::time_point start)
    : Core(core), ControlFd(controlFd), Clock(start) {
    Input.Running = true;
}

LoaderServer::~LoaderServer() {
    for (auto& [id, l] : Links) ::close(l.Fd);
    if (ListenFd >= 0) ::close(ListenFd);
    if (SlaveFd >= 0) ::close(SlaveFd);
    if (!LinkPath.empty()) ::unlink(LinkPath.c_str());
}

bool LoaderServer::Listen(const std::string& address, int port, std::string& error) {
    ListenFd = simlog::ListenIPv4(address, port, BoundPort, error);
    return ListenFd >= 0;
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
    const int id = NextId++;
    Links[id] = Link{master, true, {}};
    Core.Connect(id, "pty", Clock.Elapsed());
    StartScript(Clock.Elapsed());
    return true;
}

void LoaderServer::SetScript(std::vector<std::string> lines) {
    Script.Lines.assign(lines.begin(), lines.end());
}

void LoaderServer::StartScript(int64_t now) {
    if (Script.Running) return;
    Script.Running = true;
    Script.ResumeAt = now;
}

void LoaderServer::Accept(int64_t now) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd =
        ::accept4(ListenFd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    char text[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    const int id = NextId++;
    Links[id] = Link{fd, false, {}};
    Core.Connect(id, std::string(text) + ":" + std::to_string(ntohs(peer.sin_port)), now);
    StartScript(now);
}

void LoaderServer::CloseLink(int id, int64_t now) {
    const auto it = Links.find(id);
    if (it == Links.end() || it->second.Pty) return;
    Core.Disconnect(id, now);
    ::close(it->second.Fd);
    Links.erase(it);
}

void LoaderServer::ReadLink(int id, int64_t now) {
    Link& l = Links[id];
    char buf[4096];
    const ssize_t n = ::read(l.Fd, buf, sizeof buf);
    if (n > 0) {
        Core.Receive(id, std::string_view(buf, static_cast<size_t>(n)), now);
    } else if (!l.Pty && (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))) {
        CloseLink(id, now);
    }
}

void LoaderServer::WriteLink(int id, int64_t now) {
    Link& l = Links[id];
    while (!l.Out.empty()) {
        const ssize_t n = l.Pty ? ::write(l.Fd, l.Out.data(), l.Out.size())
                                : ::send(l.Fd, l.Out.data(), l.Out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            l.Out.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        } else {
            CloseLink(id, now);
            return;
        }
    }
}

int LoaderServer::Run() {
    for (;;) {
        int64_t now = Clock.Elapsed();
        const bool quit = !Input.Run(Core, now, Diagnostics, "loader-sim") ||
                          !Script.Run(Core, now, Diagnostics, "loader-sim");
        for (int id : Core.TakeDrops()) CloseLink(id, now);
        for (auto& [id, l] : Links) l.Out += Core.TakeOutput(id, now);
        std::vector<int> ids;
        for (auto& [id, l] : Links) ids.push_back(id);
        for (int id : ids)
            if (Links.count(id) && !Links[id].Out.empty()) WriteLink(id, now);
        if (quit) return 0;

        const int64_t wake = simlog::NextWake(Core.NextDue(), {&Input, &Script});
        simlog::PollSet poll;
        if (ListenFd >= 0) poll.Add(ListenFd, POLLIN, 0);
        if (ControlFd >= 0) poll.Add(ControlFd, POLLIN, -1);
        // While stalled nothing is read, so the loader's output backs up as behind a stuck unit.
        const short in = Core.Stalled() ? 0 : POLLIN;
        for (auto& [id, l] : Links)
            poll.Add(l.Fd, static_cast<short>(in | (l.Out.empty() ? 0 : POLLOUT)), id);
        if (!poll.Wait(wake, now)) return 1;
        now = Clock.Arrival();
        poll.ForEachReady([&](int owner, short ev) {
            if (owner == 0) {
                Accept(now);
            } else if (owner == -1) {
                ControlSplitter.Read(ControlFd, Input.Lines); // its end does not stop the simulator
            } else if (Links.count(owner)) {
                if (ev & (POLLIN | POLLHUP | POLLERR)) ReadLink(owner, now);
                if (Links.count(owner) && (ev & POLLOUT)) WriteLink(owner, now);
            }
        });
    }
}

} // namespace loadersim
