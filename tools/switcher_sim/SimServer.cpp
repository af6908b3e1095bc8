#include "tools/switcher_sim/SimServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace switchersim {

SimServer::SimServer(SimCore& core, int controlFd, std::chrono::steady_clock::time_point start)
    : Core(core), ControlFd(controlFd), Clock(start) {
    Input.Running = true;
}

SimServer::~SimServer() {
    for (auto& [id, c] : Clients) ::close(c.Fd);
    if (ListenFd >= 0) ::close(ListenFd);
}

bool SimServer::Listen(const std::string& address, int port, std::string& error) {
    ListenFd = simlog::ListenIPv4(address, port, BoundPort, error);
    if (ListenFd < 0) return false;
    BoundAddress = address;
    return true;
}

void SimServer::SetScript(std::vector<std::string> lines) {
    Script.Lines.assign(lines.begin(), lines.end());
}

void SimServer::Accept(int64_t now) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd =
        ::accept4(ListenFd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    char text[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    const int id = NextId++;
    Clients[id] = Client{fd, {}};
    Core.Connect(id, std::string(text) + ":" + std::to_string(ntohs(peer.sin_port)), now);
    if (!Script.Running) {
        Script.Running = true;
        Script.ResumeAt = now;
    }
}

void SimServer::CloseClient(int id) {
    auto it = Clients.find(id);
    if (it == Clients.end()) return;
    ::close(it->second.Fd);
    Clients.erase(it);
}

void SimServer::ReadClient(int id, int64_t now) {
    char buf[4096];
    const ssize_t n = ::recv(Clients[id].Fd, buf, sizeof buf, 0);
    if (n > 0) {
        Core.Receive(id, std::string_view(buf, static_cast<size_t>(n)), now);
    } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        Core.Disconnect(id, now);
        CloseClient(id);
    }
}

void SimServer::WriteClient(int id, int64_t now) {
    Client& c = Clients[id];
    while (!c.Out.empty()) {
        const ssize_t n = ::send(c.Fd, c.Out.data(), c.Out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            c.Out.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        } else {
            Core.Disconnect(id, now);
            CloseClient(id);
            return;
        }
    }
}

int SimServer::Run() {
    for (;;) {
        int64_t now = Clock.Elapsed();
        const bool quit = !Input.Run(Core, now, Diagnostics, "switcher-sim") ||
                          !Script.Run(Core, now, Diagnostics, "switcher-sim");
        for (int id : Core.TakeDrops()) CloseClient(id);
        for (auto& [id, c] : Clients) c.Out += Core.TakeOutput(id, now);
        std::vector<int> ids;
        for (auto& [id, c] : Clients) ids.push_back(id);
        for (int id : ids) {
            auto it = Clients.find(id);
            if (it != Clients.end() && !it->second.Out.empty()) WriteClient(id, now);
        }
        // What was due before the quit (a script's last pop-up) still goes out, as far as the
        // sockets take it without waiting.
        if (quit) return 0;

        const int64_t wake = simlog::NextWake(Core.NextDue(), {&Input, &Script});
        simlog::PollSet poll;
        poll.Add(ListenFd, POLLIN, 0);
        if (ControlFd >= 0) poll.Add(ControlFd, POLLIN, -1);
        for (auto& [id, c] : Clients)
            poll.Add(c.Fd, static_cast<short>(POLLIN | (c.Out.empty() ? 0 : POLLOUT)), id);
        if (!poll.Wait(wake, now)) return 1;
        now = Clock.Arrival();
        poll.ForEachReady([&](int owner, short ev) {
            if (owner == 0) {
                Accept(now);
            } else if (owner == -1) {
                ControlSplitter.Read(ControlFd, Input.Lines); // its end does not stop the simulator
            } else if (Clients.count(owner)) {
                if (ev & (POLLIN | POLLHUP | POLLERR)) ReadClient(owner, now);
                if (Clients.count(owner) && (ev & POLLOUT)) WriteClient(owner, now);
            }
        });
    }
}

} // namespace switchersim
