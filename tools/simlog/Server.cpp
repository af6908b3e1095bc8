#include "tools/simlog/Server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace simlog {

size_t LinePace::Allowance(int64_t nowNs, size_t wanted) const {
    if (!Paced()) return wanted;
    const int64_t carried = (nowNs - Start(nowNs)) * Rate / 1'000'000'000;
    return static_cast<size_t>(std::clamp<int64_t>(carried, 0, static_cast<int64_t>(wanted)));
}

void LinePace::Took(size_t n, int64_t nowNs) {
    if (!Paced()) return;
    FreeAt = Start(nowNs) + (static_cast<int64_t>(n) * 1'000'000'000 + Rate - 1) / Rate;
}

int64_t LinePace::ReadyAt(size_t wanted) const {
    const int64_t chunk = std::max<int64_t>(1, ChunkNs * Rate / 1'000'000'000);
    const int64_t bytes = std::clamp<int64_t>(static_cast<int64_t>(wanted), 1, chunk);
    return FreeAt + (bytes * 1'000'000'000 + Rate - 1) / Rate;
}

Server::Server(Unit& unit, int controlFd, std::chrono::steady_clock::time_point start, std::string program)
    : Core(unit), ControlFd(controlFd), StartTime(start), Clock(start), Program(std::move(program)) {
    Input.Running = true;
}

Server::~Server() {
    for (auto& [id, l] : Links) ::close(l.Fd);
    if (ListenFd >= 0) ::close(ListenFd);
}

int64_t Server::Ns() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - StartTime)
        .count();
}

bool Server::Listen(const std::string& address, int port, std::string& error) {
    ListenFd = ListenIPv4(address, port, BoundPort, error);
    return ListenFd >= 0;
}

void Server::SetScript(std::vector<std::string> lines) {
    Script.Lines.assign(lines.begin(), lines.end());
}

void Server::StartScript(int64_t now) {
    if (Script.Running) return;
    Script.Running = true;
    Script.ResumeAt = now;
}

int Server::AddLink(int fd, std::string peer, LinkKind kind) {
    const int id = NextId++;
    Link& l = Links[id];
    l.Fd = fd;
    l.Kind = kind;
    l.In = LinePace(kind.BytesPerSecond);
    l.OutPace = LinePace(kind.BytesPerSecond);
    const int64_t now = Clock.Elapsed();
    Core.Connect(id, std::move(peer), now);
    StartScript(now);
    return id;
}

void Server::Accept(int64_t now) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd =
        ::accept4(ListenFd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    char text[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    const int id = NextId++;
    Links[id].Fd = fd;
    Core.Connect(id, std::string(text) + ":" + std::to_string(ntohs(peer.sin_port)), now);
    StartScript(now);
}

void Server::CloseLink(int id, int64_t now) {
    const auto it = Links.find(id);
    if (it == Links.end()) return;
    const bool terminal = it->second.Kind.Terminal;
    Core.Disconnect(id, now);
    ::close(it->second.Fd);
    Links.erase(it);
    if (terminal && HangUp) HangUp(now);
}

void Server::ReadLink(int id, int64_t now) {
    Link& l = Links[id];
    char buf[4096];
    const int64_t ns = Ns();
    const size_t allowed = l.In.Allowance(ns, sizeof buf);
    if (allowed == 0) return;
    const ssize_t n = ::read(l.Fd, buf, allowed);
    if (n > 0) {
        l.In.Took(static_cast<size_t>(n), ns);
        Core.Receive(id, std::string_view(buf, static_cast<size_t>(n)), now);
    } else if (!l.Kind.Terminal && (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))) {
        CloseLink(id, now);
    }
}

void Server::WriteLink(int id, int64_t now) {
    Link& l = Links[id];
    while (!l.Out.empty()) {
        const int64_t ns = Ns();
        const size_t allowed = l.OutPace.Allowance(ns, l.Out.size());
        if (allowed == 0) return;
        const ssize_t n = l.Kind.Terminal ? ::write(l.Fd, l.Out.data(), allowed)
                                          : ::send(l.Fd, l.Out.data(), allowed, MSG_NOSIGNAL);
        if (n > 0) {
            l.OutPace.Took(static_cast<size_t>(n), ns);
            l.Out.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        } else {
            if (!l.Kind.Terminal) CloseLink(id, now);
            return;
        }
    }
}

int Server::Run() {
    for (;;) {
        int64_t now = Clock.Elapsed();
        const bool quit = !Input.Run(Core, now, Diagnostics, Program) || !Script.Run(Core, now, Diagnostics, Program);
        for (int id : Core.TakeDrops()) CloseLink(id, now);
        for (auto& [id, l] : Links) l.Out += Core.TakeOutput(id, now);
        std::vector<int> ids;
        for (auto& [id, l] : Links) ids.push_back(id);
        for (int id : ids) {
            const auto it = Links.find(id);
            if (it != Links.end() && !it->second.Out.empty()) WriteLink(id, now);
        }
        // What was due before the quit still goes out, as far as the links take it without waiting.
        if (quit) return 0;

        int64_t wake = NextWake(Core.NextDue(), {&Input, &Script});
        const auto wakeAt = [&](int64_t ns) {
            const int64_t ms = (ns + 999'999) / 1'000'000;
            wake = wake < 0 ? ms : std::min(wake, ms);
        };
        PollSet poll;
        if (ListenFd >= 0) poll.Add(ListenFd, POLLIN, 0);
        if (ControlFd >= 0) poll.Add(ControlFd, POLLIN, -1);
        const int64_t ns = Ns();
        for (auto& [id, l] : Links) {
            // While stalled nothing is read, so the peer's output backs up as behind a stuck unit;
            // a paced line is read once it has carried a chunk's worth.
            short events = 0;
            if (!Core.Stalled()) {
                if (!l.In.Paced() || ns >= l.In.ReadyAt(SIZE_MAX))
                    events |= POLLIN;
                else
                    wakeAt(l.In.ReadyAt(SIZE_MAX));
            }
            if (!l.Out.empty()) {
                if (l.OutPace.Allowance(ns, l.Out.size()) > 0)
                    events |= POLLOUT;
                else
                    wakeAt(l.OutPace.ReadyAt(l.Out.size()));
            }
            poll.Add(l.Fd, events, id);
        }
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

} // namespace simlog
