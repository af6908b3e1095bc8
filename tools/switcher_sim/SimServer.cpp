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
    : Core(core), ControlFd(controlFd), Start(start) {
    Input.Running = true;
}

SimServer::~SimServer() {
    for (auto& [id, c] : Clients) ::close(c.Fd);
    if (ListenFd >= 0) ::close(ListenFd);
}

int64_t SimServer::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start)
        .count();
}

bool SimServer::Listen(const std::string& address, int port, std::string& error) {
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &sin.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return false;
    }
    ListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (ListenFd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(ListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(ListenFd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 || ::listen(ListenFd, 8) != 0) {
        error = address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(ListenFd);
        ListenFd = -1;
        return false;
    }
    socklen_t len = sizeof sin;
    ::getsockname(ListenFd, reinterpret_cast<sockaddr*>(&sin), &len);
    BoundAddress = address;
    BoundPort = ntohs(sin.sin_port);
    return true;
}

void SimServer::SetScript(std::vector<std::string> lines) {
    Script.Lines.assign(lines.begin(), lines.end());
}

bool SimServer::RunControl(ControlQueue& q, int64_t now) {
    while (q.Running && !q.Lines.empty() && now >= q.ResumeAt) {
        const std::string line = std::move(q.Lines.front());
        q.Lines.pop_front();
        const ControlResult r = Core.Control(line, now);
        if (r.What == ControlResult::Quit) return false;
        if (r.What == ControlResult::Sleep) q.ResumeAt = now + r.SleepMs;
        if (r.What == ControlResult::Error && Diagnostics)
            *Diagnostics << "switcher-sim: " << line << ": " << r.Message << std::endl;
    }
    return true;
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

void SimServer::ReadControl() {
    char buf[4096];
    const ssize_t n = ::read(ControlFd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        // End of input: a last line without its line end still counts; the simulator runs on.
        if (!ControlPartial.empty()) Input.Lines.push_back(std::move(ControlPartial));
        ControlPartial.clear();
        ControlFd = -1;
        return;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] == '\n') {
            if (!ControlPartial.empty() && ControlPartial.back() == '\r') ControlPartial.pop_back();
            Input.Lines.push_back(std::move(ControlPartial));
            ControlPartial.clear();
        } else {
            ControlPartial += buf[i];
        }
    }
}

int SimServer::Run() {
    for (;;) {
        int64_t now = Now();
        const bool quit = !RunControl(Input, now) || !RunControl(Script, now);
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

        int64_t wake = -1;
        auto consider = [&](int64_t at) { wake = wake < 0 ? at : std::min(wake, at); };
        if (auto due = Core.NextDue()) consider(*due);
        for (ControlQueue* q : {&Input, &Script})
            if (q->Running && !q->Lines.empty()) consider(q->ResumeAt);

        std::vector<pollfd> fds;
        std::vector<int> owners; // client id per entry; 0 listener, -1 control
        fds.push_back({ListenFd, POLLIN, 0});
        owners.push_back(0);
        if (ControlFd >= 0) {
            fds.push_back({ControlFd, POLLIN, 0});
            owners.push_back(-1);
        }
        for (auto& [id, c] : Clients) {
            fds.push_back({c.Fd, static_cast<short>(POLLIN | (c.Out.empty() ? 0 : POLLOUT)), 0});
            owners.push_back(id);
        }
        const int timeout = wake < 0 ? -1 : static_cast<int>(std::clamp<int64_t>(wake - now, 0, 60'000));
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        now = Now();
        for (size_t i = 0; i < fds.size(); ++i) {
            const short ev = fds[i].revents;
            if (ev == 0) continue;
            const int owner = owners[i];
            if (owner == 0) {
                Accept(now);
            } else if (owner == -1) {
                ReadControl();
            } else if (Clients.count(owner)) {
                if (ev & (POLLIN | POLLHUP | POLLERR)) ReadClient(owner, now);
                if (Clients.count(owner) && (ev & POLLOUT)) WriteClient(owner, now);
            }
        }
    }
}

} // namespace switchersim
