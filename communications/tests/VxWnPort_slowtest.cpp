// The TCP port's proxy negotiation gives up on a proxy that never answers (about ten seconds).
#include "communications/VxWnPort.h"

#include "communications/VxWnsock.h"
#include "communications/tests/support/SocketPeer.h"
#include "platform/win/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// Takes the connection and reads what comes, answering nothing.
class TSilentProxy {
public:
    TSilentProxy() {
        FPort = FPeer.Listen();
        FThread = std::thread([this] {
            bool accepted = false;
            while (!FStop && !accepted) accepted = FPeer.Accept(50);
            while (!FStop && !FPeer.SawClose()) FPeer.Receive(1, 20);
        });
    }
    ~TSilentProxy() {
        FStop = true;
        FThread.join();
    }
    TSilentProxy(const TSilentProxy&) = delete;
    TSilentProxy& operator=(const TSilentProxy&) = delete;

    unsigned short Port() const { return FPort; }

private:
    TSocketPeer FPeer;
    unsigned short FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

TEST(TVexWinsockPortSlow, SilentProxyTimesOutWith9011) {
    MainThreadId();
    ASSERT_EQ(VexSocket->StartupError(), 0);
    TSilentProxy proxy;
    TVexWinsockPort p(nullptr);
    p.SetDeviceLayer(dlWinsock);
    p.SetWsAddress("127.0.0.1");
    p.SetWsPort("4000");
    p.SetWsTelnet(false);
    p.WsSocksServerInfo()->SetSocksVersion(svSocks5);
    p.WsSocksServerInfo()->SetAddress("127.0.0.1");
    p.WsSocksServerInfo()->SetPort(proxy.Port());
    const std::uint64_t start = MonotonicMs();
    try {
        p.SetOpen(true);
        ADD_FAILURE() << "opened";
    } catch (const EVexSocketException& e) {
        EXPECT_EQ(e.ErrorCode(), 9011);
    }
    // It gave up only after the proxy had had its time.
    EXPECT_GE(MonotonicMs() - start, 9000u);
    EXPECT_EQ(p.PortState(), psClosed);
}

} // namespace
