#include "communications/tests/support/SocketPeer.h"

#include "platform/win/Messages.h"
#include "tools/testing/LoopbackAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point Deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool WaitFor(int Fd, short Events, int TimeoutMs) {
    pollfd p{Fd, Events, 0};
    return ::poll(&p, 1, TimeoutMs) > 0;
}

void CloseFd(int& Fd) {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
}

} // namespace

TSocketPeer::~TSocketPeer() {
    CloseConnection();
    CloseListener();
}

unsigned short TSocketPeer::Listen() {
    CloseListener();
    FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FListener < 0) return 0;
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    if (::bind(FListener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(FListener, 8) != 0 ||
        ::getsockname(FListener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        CloseListener();
        return 0;
    }
    return ntohs(a.sin_port);
}

bool TSocketPeer::Accept(int TimeoutMs) {
    if (FListener < 0 || !WaitFor(FListener, POLLIN, TimeoutMs)) return false;
    CloseConnection();
    FConnection = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    FReceived.clear();
    FClosed = false;
    return FConnection >= 0;
}

bool TSocketPeer::Connect(unsigned short Port, int TimeoutMs) {
    CloseConnection();
    FConnection = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FConnection < 0) return false;
    FReceived.clear();
    FClosed = false;
    const sockaddr_in a = LoopbackAddress(Port);
    if (::connect(FConnection, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS)
        return false;
    if (!WaitFor(FConnection, POLLOUT, TimeoutMs)) return false;
    int error = 0;
    socklen_t len = sizeof error;
    ::getsockopt(FConnection, SOL_SOCKET, SO_ERROR, &error, &len);
    return error == 0;
}

bool TSocketPeer::Send(const std::string& Bytes) {
    std::size_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (done < Bytes.size()) {
        const ssize_t n = ::send(FConnection, Bytes.data() + done, Bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(FConnection, POLLOUT, MsLeft(deadline))) return false;
        } else {
            return false;
        }
    }
    return true;
}

void TSocketPeer::Pull(int WaitMs) {
    if (FConnection < 0 || FClosed) return;
    if (!WaitFor(FConnection, POLLIN, WaitMs)) return;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::recv(FConnection, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            FReceived.append(buf, static_cast<std::size_t>(n));
        } else {
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) FClosed = true;
            return;
        }
    }
}

std::string TSocketPeer::Take() {
    Pull(0);
    std::string got;
    got.swap(FReceived);
    return got;
}

std::string TSocketPeer::Receive(std::size_t Count, int TimeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    Pull(0);
    while (FReceived.size() < Count && !FClosed && MsLeft(deadline) > 0) Pull(MsLeft(deadline));
    std::string got;
    got.swap(FReceived);
    return got;
}

bool TSocketPeer::SawClose() {
    Pull(0);
    return FClosed;
}

void TSocketPeer::CloseConnection() {
    CloseFd(FConnection);
}

void TSocketPeer::ResetConnection() {
    if (FConnection < 0) return;
    const linger l{1, 0};
    ::setsockopt(FConnection, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    CloseConnection();
}

void TSocketPeer::CloseListener() {
    CloseFd(FListener);
}

unsigned short TSocketPeer::UnusedPort() {
    TSocketPeer probe;
    return probe.Listen(); // closed again when probe goes
}

bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        if (Done()) return true;
        if (MsLeft(deadline) == 0) return false;
        ProcessMessages();
        if (Done()) return true;
        WaitMessageTimeout(static_cast<DWORD>(std::min(MsLeft(deadline), 5)));
    }
}

void PumpFor(int Ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(Ms);
    while (MsLeft(deadline) > 0) {
        ProcessMessages();
        WaitMessageTimeout(static_cast<DWORD>(std::min(MsLeft(deadline), 5)));
    }
}
