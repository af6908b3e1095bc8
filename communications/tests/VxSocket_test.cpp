#include "communications/VxSocket.h"

#include "communications/VxExcept.h"
#include "communications/VxWnsock.h"
#include "communications/tests/support/SocketPeer.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct TEventLog {
    std::vector<std::string> Calls;
    void Accept(TObject*, TSocket S) { Calls.push_back("accept " + std::to_string(S)); }
    void Connect(TObject*, TSocket S) { Calls.push_back("connect " + std::to_string(S)); }
    void Disconnect(TObject*, TSocket S) { Calls.push_back("disconnect " + std::to_string(S)); }
    void Read(TObject*, TSocket S) { Calls.push_back("read " + std::to_string(S)); }
    void Write(TObject*, TSocket S) { Calls.push_back("write " + std::to_string(S)); }
    void Error(TObject*, TSocket S, int Code) {
        Calls.push_back("error " + std::to_string(S) + " " + std::to_string(Code));
    }

    void Attach(TVexSocket& Sock) {
        Sock.OnAccept = TSocketNotifyEvent::Bind<&TEventLog::Accept>(this);
        Sock.OnConnect = TSocketNotifyEvent::Bind<&TEventLog::Connect>(this);
        Sock.OnDisconnect = TSocketNotifyEvent::Bind<&TEventLog::Disconnect>(this);
        Sock.OnRead = TSocketNotifyEvent::Bind<&TEventLog::Read>(this);
        Sock.OnWrite = TSocketNotifyEvent::Bind<&TEventLog::Write>(this);
        Sock.OnError = TSocketErrorEvent::Bind<&TEventLog::Error>(this);
    }
};

TEST(EVexSocketException, Texts) {
    const EVexSocketException refused(WSAECONNREFUSED);
    EXPECT_EQ(refused.ErrorCode(), WSAECONNREFUSED);
    EXPECT_EQ(refused.Message, VexoLoadStr(WSAECONNREFUSED));
    EXPECT_FALSE(refused.Message.empty());

    const EVexSocketException noInit = EVexSocketException::CreateNoInit(ecWinsockDllError);
    EXPECT_EQ(noInit.ErrorCode(), ecWinsockDllError);
    const std::string format = VexoLoadStr(ecWinsockNotInitialized);
    const std::string prefix = format.substr(0, format.find("%s"));
    EXPECT_EQ(noInit.Message, prefix + VexoLoadStr(ecWinsockDllError));
    EXPECT_EQ(noInit.Message.find('%'), std::string::npos);
}

TEST(Vxwutil, LoadWinsockBindsEveryEntryPoint) {
    ASSERT_TRUE(LoadWinsock());
    ASSERT_TRUE(LoadWinsock()); // loaded once, bound again
    constexpr std::size_t slots = sizeof(TSockFuncs) / sizeof(void (*)());
    EXPECT_EQ(slots, 46u);
    void (*entries[slots])();
    std::memcpy(entries, &SockFuncs, sizeof entries);
    for (std::size_t i = 0; i < slots; ++i) EXPECT_NE(entries[i], nullptr) << "slot " << i;
}

TEST(Vxwutil, SelectReplyPacking) {
    const DWORD reply = wsaMakeSelectReply(FD_CONNECT, WSAECONNREFUSED);
    EXPECT_EQ(wsaGetSelectEvent(static_cast<LPARAM>(reply)), FD_CONNECT);
    EXPECT_EQ(wsaGetSelectError(static_cast<LPARAM>(reply)), WSAECONNREFUSED);
    EXPECT_EQ(reply, WSAMAKESELECTREPLY(FD_CONNECT, WSAECONNREFUSED));
    const DWORD sync = wsaMakeSyncReply(1234, WSAHOST_NOT_FOUND);
    EXPECT_EQ(wsaGetAsyncBuflen(static_cast<LPARAM>(sync)), 1234);
    EXPECT_EQ(wsaGetAsyncError(static_cast<LPARAM>(sync)), WSAHOST_NOT_FOUND);
}

TEST(TVexSocket, StartsWinsock11) {
    TVexSocket sock(nullptr);
    EXPECT_TRUE(sock.WinsockLoaded());
    EXPECT_EQ(sock.StartupError(), 0);
    EXPECT_NE(sock.GetHandle(), 0u);
    EXPECT_NO_THROW(sock.CheckLoaded());
    EXPECT_FALSE(sock.GetDescription().empty());
    EXPECT_EQ(VexSocket->TerminalType, "vt100");
}

TEST(TVexSocket, SocketMessagesReachTheirEvents) {
    TVexSocket sock(nullptr);
    TEventLog log;
    log.Attach(sock);
    const struct {
        WORD Event;
        WORD Error;
        const char* Expected;
    } cases[] = {
        {FD_READ, 0, "read 77"},
        {FD_WRITE, 0, "write 77"},
        {FD_ACCEPT, 0, "accept 77"},
        {FD_CONNECT, 0, "connect 77"},
        {FD_CLOSE, 0, "disconnect 77"},
        {FD_CONNECT, WSAECONNREFUSED, "error 77 10061"},
        {FD_READ, WSAECONNRESET, "error 77 10054"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected);
        log.Calls.clear();
        ASSERT_TRUE(PostMessage(sock.GetHandle(), SocketEventMsg, 77, WSAMAKESELECTREPLY(c.Event, c.Error)));
        ASSERT_TRUE(PumpUntil([&] { return !log.Calls.empty(); }));
        EXPECT_EQ(log.Calls, std::vector<std::string>{c.Expected});
    }
    EXPECT_EQ(SendMessage(sock.GetHandle(), 0x0011 /* WM_QUERYENDSESSION */, 0, 0), 1);
}

TEST(TVexSocket, AnErrorWithoutHandlerRaises) {
    TVexSocket sock(nullptr);
    try {
        sock.CMVEXSocketMessage(5, WSAMAKESELECTREPLY(FD_READ, WSAECONNRESET));
        FAIL() << "no exception";
    } catch (const EVexSocketException& e) {
        EXPECT_EQ(e.ErrorCode(), WSAECONNRESET);
        EXPECT_EQ(e.Message, VexoLoadStr(WSAECONNRESET));
    }
}

TEST(TVexSocket, WrappersReportFailuresAndPassOverWouldBlock) {
    TVexSocket sock(nullptr);
    TEventLog log;
    log.Attach(sock);
    char buf[4];
    EXPECT_EQ(sock.ReadSocket(0x7FFFFFF0, buf, 4, 0), SOCKET_ERROR);
    EXPECT_EQ(log.Calls, std::vector<std::string>{"error 2147483632 10038"});

    // A connect in progress answers WSAEWOULDBLOCK, which is no failure.
    TSocketPeer peer;
    const unsigned short port = peer.Listen();
    const TSocket s = sock.CreateSocket();
    ASSERT_EQ(sock.SetAsyncStyles(s, SocketEventMask), 0);
    TSockAddrIn address{};
    address.sin_family = AF_INET;
    address.sin_port = sock.htons(port);
    address.sin_addr.S_addr = sock.htonl(INADDR_LOOPBACK);
    log.Calls.clear();
    EXPECT_EQ(sock.ConnectSocket(s, address), SOCKET_ERROR);
    EXPECT_EQ(sock.GetLastError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(log.Calls.empty());

    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(PumpUntil([&] { return !log.Calls.empty(); }));
    EXPECT_EQ(log.Calls.front(), "connect " + std::to_string(s));
    EXPECT_FALSE(sock.CanReadSocket(s, 10));
    EXPECT_TRUE(sock.CanWriteSocket(s, 10));
    log.Calls.clear();
    EXPECT_EQ(sock.ReadSocket(s, buf, 4, 0), SOCKET_ERROR); // nothing there yet: would block
    EXPECT_TRUE(log.Calls.empty());
    ASSERT_TRUE(peer.Send("ping"));
    EXPECT_TRUE(sock.CanReadSocket(s, 2000));
    EXPECT_EQ(sock.ReadSocket(s, buf, 4, 0), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(sock.CloseSocket(s), 0);
}

TEST(TVexSocket, NameServices) {
    TVexSocket& sock = *VexSocket;
    EXPECT_EQ(sock.String2NetAddr("127.0.0.1"), sock.htonl(INADDR_LOOPBACK));
    EXPECT_EQ(sock.String2NetAddr("no address"), INADDR_NONE);
    // Only the first 15 characters count.
    EXPECT_EQ(sock.String2NetAddr("192.168.100.1009"), sock.String2NetAddr("192.168.100.100"));
    EXPECT_EQ(sock.NetAddr2String(sock.htonl(0x0A000102)), "10.0.1.2");
    EXPECT_EQ(sock.LookupService("telnet"), 23);
    EXPECT_EQ(sock.LookupService("no-such-service"), 0);
    EXPECT_EQ(sock.LookupPort(23), "telnet");
    EXPECT_EQ(sock.LookupName("127.0.0.1"), sock.htonl(INADDR_LOOPBACK));
    EXPECT_EQ(sock.ntohs(sock.htons(0x1234)), 0x1234);
    EXPECT_EQ(sock.ntohl(sock.htonl(0x12345678)), 0x12345678u);
    EXPECT_FALSE(sock.GetLocalHost().empty());
    EXPECT_NE(sock.String2NetAddr(sock.GetLocalAddress()), INADDR_NONE);
}

} // namespace
