#include "platform/winsock/tests/support/BsdPeer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace peer {

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

bool WaitReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

} // namespace

int Listen(std::uint16_t& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(0);
    socklen_t len = sizeof sa;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) < 0 || ::listen(fd, 8) < 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(sa.sin_port);
    return fd;
}

int Connect(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

int Accept(int listenFd, int timeoutMs) {
    if (!WaitReadable(listenFd, timeoutMs)) return -1;
    return ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
}

bool SendAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SendUrgent(int fd, char byte) {
    return ::send(fd, &byte, 1, MSG_OOB | MSG_NOSIGNAL) == 1;
}

std::string Receive(int fd, std::size_t count, int timeoutMs) {
    std::string data;
    char buf[65536];
    while (data.size() < count && WaitReadable(fd, timeoutMs)) {
        ssize_t n = ::recv(fd, buf, std::min(sizeof buf, count - data.size()), 0);
        if (n <= 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
}

bool AtEndOfStream(int fd, int timeoutMs) {
    char c;
    return WaitReadable(fd, timeoutMs) && ::recv(fd, &c, 1, 0) == 0;
}

void SetReceiveBuffer(int fd, int bytes) {
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void Close(int fd) {
    if (fd >= 0) ::close(fd);
}

void Reset(int fd) {
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

std::uint16_t UnusedPort() {
    std::uint16_t port = 0;
    int fd = Listen(port);
    ::close(fd);
    return port;
}

} // namespace peer
