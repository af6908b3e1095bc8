#include "tools/simlog/Serve.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace simlog {

void LineSplitter::Feed(std::string_view bytes, std::deque<std::string>& lines) {
    for (const char c : bytes) {
        if (c != '\n') {
            Partial += c;
            continue;
        }
        if (!Partial.empty() && Partial.back() == '\r') Partial.pop_back();
        lines.push_back(std::move(Partial));
        Partial.clear();
    }
}

void LineSplitter::Finish(std::deque<std::string>& lines) {
    if (!Partial.empty()) lines.push_back(std::move(Partial));
    Partial.clear();
}

int ListenIPv4(const std::string& address, int port, int& boundPort, std::string& error) {
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &sin.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 || ::listen(fd, 8) != 0) {
        error = address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof sin;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &len);
    boundPort = ntohs(sin.sin_port);
    return fd;
}

void LineSplitter::Read(int& fd, std::deque<std::string>& lines) {
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        Finish(lines);
        fd = -1;
        return;
    }
    Feed(std::string_view(buf, static_cast<size_t>(n)), lines);
}

int64_t NextWake(std::optional<int64_t> due, std::initializer_list<const ControlQueue*> queues) {
    int64_t wake = due.value_or(-1);
    for (const ControlQueue* q : queues)
        if (q->Waiting()) wake = wake < 0 ? q->ResumeAt : std::min(wake, q->ResumeAt);
    return wake;
}

bool PollSet::Wait(int64_t wake, int64_t now) {
    const int timeout = wake < 0 ? -1 : static_cast<int>(std::clamp<int64_t>(wake - now, 0, 60'000));
    return ::poll(Fds.data(), Fds.size(), timeout) >= 0 || errno == EINTR;
}

} // namespace simlog
