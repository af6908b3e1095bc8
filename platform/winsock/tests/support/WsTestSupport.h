// Test helpers on the Winsock side: start-up per test, loopback addresses, and a message window on
// the test's thread that records the async-select messages it receives.
#pragma once

#include "platform/win/Messages.h"
#include "platform/winsock/Winsock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr UINT kSocketMsg = 0x0B11;
inline constexpr LONG kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

TSockAddrIn Loopback(std::uint16_t port);
std::uint16_t LocalPort(SOCKET s);
// A socket listening on 127.0.0.1 at an ephemeral port.
SOCKET ListenOnLoopback(std::uint16_t& port);
int ConnectTo(SOCKET s, std::uint16_t port);

struct SocketEvent {
    SOCKET socket;
    WORD event;
    WORD error;
};

class SocketEvents {
public:
    SocketEvents();
    ~SocketEvents();
    SocketEvents(const SocketEvents&) = delete;
    SocketEvents& operator=(const SocketEvents&) = delete;

    HWND Window() const { return wnd_; }
    // Pumps the thread's messages until done() holds or timeoutMs has passed; returns done().
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
    // Pumps for ms milliseconds.
    void Pump(int ms);
    // Removes whatever is queued for this thread without recording it.
    void Discard();

    int Count(SOCKET s, WORD event) const;
    // Index of the first such event in the record, or -1.
    int IndexOf(SOCKET s, WORD event) const;
    int CountFor(SOCKET s) const;
    bool WaitFor(SOCKET s, WORD event, int timeoutMs = 5000) {
        return WaitUntil([&] { return Count(s, event) > 0; }, timeoutMs);
    }

    std::vector<SocketEvent> events;

private:
    HWND wnd_ = 0;
};

class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override {
        TWSAData data;
        ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    }
    void TearDown() override { EXPECT_EQ(WSACleanup(), 0); }
};
