#include "CommTestSupport.h"

#include "platform/win/Sync.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

bool WaitUntil(const std::function<bool()>& cond, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= deadline) return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TPtyPair::TPtyPair(int number) : number_(number) {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    slavePath_ = name;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    setenv(("VEXO_COM" + std::to_string(number_)).c_str(), slavePath_.c_str(), 1);
}

TPtyPair::~TPtyPair() {
    unsetenv(("VEXO_COM" + std::to_string(number_)).c_str());
    CloseMaster();
    close(slave_);
}

void TPtyPair::Send(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

std::string TPtyPair::Receive(size_t count, int timeoutMs) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        char buffer[4096];
        const ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0) {
            got.append(buffer, static_cast<size_t>(n));
        } else {
            pollfd p{master_, POLLIN, 0};
            poll(&p, 1, 10);
        }
    }
    return got;
}

std::string TPtyPair::Drain() {
    std::string got;
    char buffer[4096];
    ssize_t n;
    while ((n = read(master_, buffer, sizeof buffer)) > 0) got.append(buffer, static_cast<size_t>(n));
    return got;
}

void TPtyPair::CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

TTestEvent::TTestEvent() : handle_(CreateEvent(nullptr, 1, 0, nullptr)) {}
TTestEvent::~TTestEvent() {
    CloseHandle(handle_);
}
bool TTestEvent::Signalled(DWORD ms) const {
    return WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0;
}

void SetImmediateReads(HANDLE port) {
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(port, &t);
}

COMSTAT QueueState(HANDLE port, DWORD* errors) {
    COMSTAT status;
    DWORD e = 0;
    ClearCommError(port, &e, &status);
    if (errors) *errors = e;
    return status;
}
