// Loopback addresses that fail as a TCP peer can fail: a port that refuses, and one that never
// answers. On the system's own sockets, so include it apart from the socket service's header.
#pragma once

#include "tools/testing/LoopbackAddress.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback_detail {

// Listens on a free loopback port with this backlog; the socket, or -1.
inline int ListenOnFreePort(int backlog, unsigned short& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

// Starts a connection without waiting; true once it was made within timeoutMs.
inline bool ConnectsWithin(int fd, unsigned short port, int timeoutMs) {
    const sockaddr_in a = LoopbackAddress(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    int error = 0;
    socklen_t len = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
}

} // namespace loopback_detail

// A port on 127.0.0.1 nothing listens on: connecting to it is refused.
inline unsigned short RefusingPort() {
    unsigned short port = 0;
    const int fd = loopback_detail::ListenOnFreePort(1, port);
    if (fd < 0) return 0;
    ::close(fd);
    return port;
}

// A listener that never accepts and whose backlog is already full, so a further connection request
// goes unanswered (its SYN is dropped) until the listener goes.
class TSilentListener {
public:
    TSilentListener() {
        unsigned short port = 0;
        listener_ = loopback_detail::ListenOnFreePort(0, port);
        if (listener_ < 0) return;
        // Connections the listener never accepts fill its queue; the kernel then drops further
        // requests. It is full once a connection is no longer made at once.
        for (int& fd : fillers_) {
            fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0) return;
            if (!loopback_detail::ConnectsWithin(fd, port, 200)) {
                port_ = port;
                return;
            }
        }
    }
    ~TSilentListener() {
        for (int fd : fillers_)
            if (fd >= 0) ::close(fd);
        if (listener_ >= 0) ::close(listener_);
    }
    TSilentListener(const TSilentListener&) = delete;
    TSilentListener& operator=(const TSilentListener&) = delete;

    // 0 when the backlog could not be filled.
    unsigned short Port() const { return port_; }

private:
    int listener_ = -1;
    int fillers_[4] = {-1, -1, -1, -1};
    unsigned short port_ = 0;
};
