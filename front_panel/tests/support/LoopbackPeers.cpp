#include "LoopbackPeers.h"

#include "tools/testing/LoopbackAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Listens on a free loopback port with this backlog; the socket, or -1.
int ListenOnFreePort(int backlog, unsigned short& port) {
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
bool ConnectsWithin(int fd, unsigned short port, int timeoutMs) {
    const sockaddr_in a = LoopbackAddress(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    int error = 0;
    socklen_t len = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
}

} // namespace

unsigned short RefusingPort() {
    unsigned short port = 0;
    const int fd = ListenOnFreePort(1, port);
    if (fd < 0) return 0;
    ::close(fd);
    return port;
}

TSilentListener::TSilentListener() {
    unsigned short port = 0;
    listener_ = ListenOnFreePort(0, port);
    if (listener_ < 0) return;
    // Connections the listener never accepts fill its queue; the kernel then drops further requests.
    // It is full once a connection is no longer made at once.
    for (int& fd : fillers_) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return;
        if (!ConnectsWithin(fd, port, 200)) {
            port_ = port;
            return;
        }
    }
}

TSilentListener::~TSilentListener() {
    for (int fd : fillers_)
        if (fd >= 0) ::close(fd);
    if (listener_ >= 0) ::close(listener_);
}
