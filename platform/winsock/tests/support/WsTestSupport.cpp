#include "platform/winsock/tests/support/WsTestSupport.h"

#include <chrono>

TSockAddrIn Loopback(std::uint16_t port) {
    TSockAddrIn a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.S_addr = htonl(INADDR_LOOPBACK);
    return a;
}

std::uint16_t LocalPort(SOCKET s) {
    TSockAddrIn a{};
    int len = sizeof a;
    if (getsockname(s, reinterpret_cast<TSockAddr*>(&a), &len) != 0) return 0;
    return ntohs(a.sin_port);
}

SOCKET ListenOnLoopback(std::uint16_t& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    TSockAddrIn a = Loopback(0);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<TSockAddr*>(&a), sizeof a) != 0 || listen(s, 5) != 0)
        return INVALID_SOCKET;
    port = LocalPort(s);
    return s;
}

int ConnectTo(SOCKET s, std::uint16_t port) {
    TSockAddrIn a = Loopback(port);
    return connect(s, reinterpret_cast<TSockAddr*>(&a), sizeof a);
}

SocketEvents::SocketEvents() {
    wnd_ =
        CreateMessageWindow("WsTestEvents", [this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg == kSocketMsg)
                events.push_back(
                    {static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
            return 0;
        });
}

SocketEvents::~SocketEvents() {
    DestroyWindow(wnd_);
    Discard();
}

bool SocketEvents::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        MSG m;
        while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) DispatchMessage(&m);
        if (done()) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        WaitMessageTimeout(static_cast<DWORD>(left));
    }
}

void SocketEvents::Pump(int ms) {
    WaitUntil([] { return false; }, ms);
}

void SocketEvents::Discard() {
    MSG m;
    while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
    }
}

int SocketEvents::Count(SOCKET s, WORD event) const {
    int n = 0;
    for (const SocketEvent& e : events) n += e.socket == s && e.event == event;
    return n;
}

int SocketEvents::IndexOf(SOCKET s, WORD event) const {
    for (std::size_t i = 0; i < events.size(); ++i)
        if (events[i].socket == s && events[i].event == event) return static_cast<int>(i);
    return -1;
}

int SocketEvents::CountFor(SOCKET s) const {
    int n = 0;
    for (const SocketEvent& e : events) n += e.socket == s;
    return n;
}
