#include "platform/winsock/Winsock.h"

#include "platform/winsock/WsSockets.h"
#include "platform/winsock/tests/support/BsdPeer.h"
#include "platform/winsock/tests/support/WsTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

// ---- Start-up

TEST(WinsockStartup, NegotiatesVersionOnePointOne) {
    TWSAData data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
    EXPECT_EQ(data.wHighVersion, 0x0101);
    EXPECT_GT(std::strlen(data.szDescription), 0u);
    EXPECT_EQ(WSACleanup(), 0);

    // A later version asked for is answered with the one offered; the caller checks it.
    ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
    EXPECT_EQ(WSACleanup(), 0);

    EXPECT_EQ(WSAStartup(0x0001, &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WSAStartup(0x0101, nullptr), WSAEFAULT);
}

TEST(WinsockStartup, SocketCallsNeedStartUp) {
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    WSASetLastError(0);
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(gethostbyname("localhost"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    // Byte order and address texts need no start-up.
    EXPECT_EQ(inet_addr("127.0.0.1"), htonl(INADDR_LOOPBACK));
}

TEST(WinsockStartup, StartUpsAreCountedAndTheLastCleanupClosesEverySocket) {
    TWSAData data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port), 0);
    int pfd = peer::Accept(lfd, 2000);
    ASSERT_GE(pfd, 0);

    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(send(s, "x", 1, 0), 1);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(peer::Receive(pfd, 1, 2000), "x");
    EXPECT_TRUE(peer::AtEndOfStream(pfd, 2000));
    peer::Close(pfd);
    peer::Close(lfd);
}

// ---- Byte order and address texts

TEST(WinsockAddresses, ByteOrder) {
    EXPECT_EQ(htons(0x1234), 0x3412);
    EXPECT_EQ(ntohs(0x3412), 0x1234);
    EXPECT_EQ(htonl(0x12345678u), 0x78563412u);
    EXPECT_EQ(ntohl(0x78563412u), 0x12345678u);
}

TEST(WinsockAddresses, InetAddrReadsDottedTexts) {
    struct Case {
        const char* text;
        DWORD hostOrder;
    };
    const Case cases[] = {
        {"127.0.0.1", 0x7F000001},     {"192.168.100.100", 0xC0A86464}, {"0.0.0.0", 0},
        {"10.1.2", 0x0A010002},        {"10.65535", 0x0A00FFFF},        {"16909060", 0x01020304},
        {"0x7f.1", 0x7F000001},        {"010.0.0.1", 0x08000001},       {"255.255.255.254", 0xFFFFFFFE},
        {"0xC0.0xA8.0.1", 0xC0A80001},
    };
    for (const Case& c : cases) EXPECT_EQ(ntohl(inet_addr(c.text)), c.hostOrder) << c.text;

    for (const char* bad :
         {"", "abc", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.", ".1.2.3", "1.2.3.4 ", " 1.2.3.4",
          "1.2.3.4x", "08.1.1.1", "0x", "1.70000.1", "99999999999", "1.2.3.256", "switcher.local"})
        EXPECT_EQ(inet_addr(bad), INADDR_NONE) << '"' << bad << '"';
    EXPECT_EQ(inet_addr(nullptr), INADDR_NONE);
}

TEST(WinsockAddresses, InetNtoaWritesDottedText) {
    TInAddr a{inet_addr("192.168.1.200")};
    EXPECT_STREQ(inet_ntoa(a), "192.168.1.200");
    a.S_addr = htonl(INADDR_ANY);
    EXPECT_STREQ(inet_ntoa(a), "0.0.0.0");
    a.S_addr = 0xFFFFFFFF;
    EXPECT_STREQ(inet_ntoa(a), "255.255.255.255");
}

// ---- Sockets

class WinsockSockets : public WinsockTest {};

TEST_F(WinsockSockets, OnlyIPv4StreamSocketsAreMade) {
    EXPECT_EQ(socket(23, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    EXPECT_EQ(socket(AF_INET, 2, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAESOCKTNOSUPPORT);
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 17), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEPROTONOSUPPORT);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(closesocket(s), 0);
}

TEST_F(WinsockSockets, ASocketValueIsNeverReusedEvenWhenItsDescriptorIs) {
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET first = socket(AF_INET, SOCK_STREAM, 0);
    int fd = wsock::DescriptorOf(first);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(closesocket(first), 0);

    SOCKET second = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(wsock::DescriptorOf(second), fd); // Linux hands the descriptor out again at once
    EXPECT_NE(second, first);
    ASSERT_EQ(ConnectTo(second, port), 0);
    int pfd = peer::Accept(lfd, 2000);

    // The stale value reaches nothing, however it is used.
    EXPECT_EQ(send(first, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(closesocket(first), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(WSAAsyncSelect(first, 1, kSocketMsg, FD_READ), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(send(second, "y", 1, 0), 1);
    EXPECT_EQ(peer::Receive(pfd, 1, 2000), "y");
    peer::Close(pfd);
    peer::Close(lfd);
}

TEST_F(WinsockSockets, BlockingSocketsWaitForTheirPeer) {
    std::uint16_t port;
    SOCKET server = ListenOnLoopback(port);
    ASSERT_NE(server, INVALID_SOCKET);
    std::thread echo([port] {
        int fd = peer::Connect(port);
        std::string got = peer::Receive(fd, 5, 5000);
        peer::SendAll(fd, got + "!");
        peer::Close(fd);
    });
    TSockAddrIn from{};
    int fromLen = sizeof from;
    SOCKET conn = accept(server, reinterpret_cast<TSockAddr*>(&from), &fromLen);
    ASSERT_NE(conn, INVALID_SOCKET);
    EXPECT_EQ(from.sin_family, AF_INET);
    EXPECT_EQ(from.sin_addr.S_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(fromLen, 16);
    EXPECT_EQ(send(conn, "hello", 5, 0), 5);
    char buf[16] = {};
    int got = 0;
    for (int n; got < 6 && (n = recv(conn, buf + got, sizeof buf - got, 0)) > 0;) got += n;
    EXPECT_EQ(std::string(buf, got), "hello!");
    EXPECT_EQ(recv(conn, buf, sizeof buf, 0), 0); // the peer's orderly close
    echo.join();
    closesocket(conn);
    closesocket(server);
}

TEST_F(WinsockSockets, ClosesocketEndsABlockingCallOnAnotherThread) {
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port), 0);
    int pfd = peer::Accept(lfd, 2000);
    int result = 0;
    int error = 0;
    std::thread reader([&] {
        char c;
        result = recv(s, &c, 1, 0);
        error = WSAGetLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // let it block
    ASSERT_EQ(closesocket(s), 0);
    reader.join();
    EXPECT_EQ(result, SOCKET_ERROR);
    EXPECT_TRUE(error == WSAEINTR || error == WSAENOTSOCK) << error;
    EXPECT_TRUE(peer::AtEndOfStream(pfd, 2000)); // the descriptor was closed after all
    peer::Close(pfd);
    peer::Close(lfd);
}

TEST_F(WinsockSockets, NonBlockingCallsAnswerWouldBlock) {
    std::uint16_t port;
    SOCKET server = ListenOnLoopback(port);
    DWORD on = 1;
    ASSERT_EQ(ioctlsocket(server, FIONBIO, &on), 0);
    EXPECT_EQ(accept(server, nullptr, nullptr), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    int pfd = peer::Connect(port);
    SOCKET conn = INVALID_SOCKET;
    for (int i = 0; i < 200 && conn == INVALID_SOCKET; ++i) {
        conn = accept(server, nullptr, nullptr);
        if (conn == INVALID_SOCKET) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(conn, INVALID_SOCKET);
    char c;
    EXPECT_EQ(recv(conn, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    peer::Close(pfd);
    closesocket(conn);
    closesocket(server);
}

TEST_F(WinsockSockets, SendToAPeerThatLeftFailsWithoutKillingTheProcess) {
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port), 0);
    peer::Close(peer::Accept(lfd, 2000));
    peer::Close(lfd);

    // The first sends may still be taken; once the peer's reset is back, the next would raise
    // SIGPIPE had it not been suppressed.
    int result = 0;
    for (int i = 0; i < 200 && result != SOCKET_ERROR; ++i) {
        result = send(s, "data", 4, 0);
        if (result != SOCKET_ERROR) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(result, SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    closesocket(s);
}

TEST_F(WinsockSockets, ShutdownEndsOneDirection) {
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port), 0);
    int pfd = peer::Accept(lfd, 2000);
    EXPECT_EQ(shutdown(s, 3), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    ASSERT_EQ(shutdown(s, SD_SEND), 0);
    EXPECT_EQ(send(s, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    EXPECT_TRUE(peer::AtEndOfStream(pfd, 2000));
    // The other direction still carries data.
    peer::SendAll(pfd, "back");
    char buf[8];
    EXPECT_EQ(recv(s, buf, sizeof buf, 0), 4);
    peer::Close(pfd);
    peer::Close(lfd);
    closesocket(s);
}

TEST_F(WinsockSockets, CallsOnUnconnectedSockets) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    char c;
    EXPECT_EQ(send(s, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    EXPECT_EQ(recv(s, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    TSockAddrIn a{};
    int len = sizeof a;
    EXPECT_EQ(getpeername(s, reinterpret_cast<TSockAddr*>(&a), &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    EXPECT_EQ(accept(s, nullptr, nullptr), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);

    TSockAddrIn any = Loopback(0);
    any.sin_addr.S_addr = INADDR_ANY;
    any.sin_port = htons(1);
    EXPECT_EQ(connect(s, reinterpret_cast<TSockAddr*>(&any), sizeof any), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRNOTAVAIL);
    TSockAddrIn loop = Loopback(1);
    EXPECT_EQ(connect(s, reinterpret_cast<TSockAddr*>(&loop), 8), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    loop.sin_family = 23;
    EXPECT_EQ(connect(s, reinterpret_cast<TSockAddr*>(&loop), sizeof loop), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    closesocket(s);
}

TEST_F(WinsockSockets, BindingAPortInUseFails) {
    std::uint16_t port;
    SOCKET first = ListenOnLoopback(port);
    SOCKET second = socket(AF_INET, SOCK_STREAM, 0);
    TSockAddrIn a = Loopback(port);
    EXPECT_EQ(bind(second, reinterpret_cast<TSockAddr*>(&a), sizeof a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    closesocket(second);
    closesocket(first);
}

TEST_F(WinsockSockets, NamesOfBothEnds) {
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port), 0);
    TSockAddrIn a{};
    int len = sizeof a;
    ASSERT_EQ(getpeername(s, reinterpret_cast<TSockAddr*>(&a), &len), 0);
    EXPECT_EQ(a.sin_family, AF_INET);
    EXPECT_EQ(ntohs(a.sin_port), port);
    EXPECT_EQ(a.sin_addr.S_addr, htonl(INADDR_LOOPBACK));
    EXPECT_NE(LocalPort(s), 0);
    len = 15;
    EXPECT_EQ(getsockname(s, reinterpret_cast<TSockAddr*>(&a), &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    closesocket(s);
    peer::Close(lfd);
}

TEST_F(WinsockSockets, Options) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&on), sizeof on), 0);
    int value = 0;
    int len = sizeof value;
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(len, 4);
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, SOCK_STREAM);
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&on), sizeof on), 0);
    ASSERT_EQ(getsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 1);

    TLinger linger{1, 7};
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&linger), sizeof linger), 0);
    TLinger back{};
    len = sizeof back;
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&back), &len), 0);
    EXPECT_EQ(back.l_onoff, 1);
    EXPECT_EQ(back.l_linger, 7);
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, SO_DONTLINGER, reinterpret_cast<char*>(&on), sizeof on), 0);
    len = sizeof value;
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_DONTLINGER, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 1);

    EXPECT_EQ(setsockopt(s, SOL_SOCKET, 0x7777, reinterpret_cast<char*>(&on), sizeof on), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&on), sizeof on), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    EXPECT_EQ(setsockopt(s, 99, SO_REUSEADDR, reinterpret_cast<char*>(&on), sizeof on), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&on), 2), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    len = 2;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&value), &len), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    closesocket(s);
}

TEST_F(WinsockSockets, IoctlCountsWaitingBytes) {
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port), 0);
    int pfd = peer::Accept(lfd, 2000);
    peer::SendAll(pfd, "twelve bytes");
    DWORD n = 0;
    for (int i = 0; i < 200 && n < 12; ++i) {
        ASSERT_EQ(ioctlsocket(s, FIONREAD, &n), 0);
        if (n < 12) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(n, 12u);
    EXPECT_EQ(ioctlsocket(s, 0x12345, &n), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(ioctlsocket(s, FIONREAD, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    peer::Close(pfd);
    peer::Close(lfd);
    closesocket(s);
}

TEST_F(WinsockSockets, SelectReportsReadyAndRewritesTheSets) {
    std::uint16_t port;
    int lfd = peer::Listen(port);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port), 0);
    int pfd = peer::Accept(lfd, 2000);

    TFDSet rd{1, {s}};
    TFDSet wr{1, {s}};
    TTimeVal zero{0, 0};
    EXPECT_EQ(select(0, &rd, &wr, nullptr, &zero), 1);
    EXPECT_EQ(rd.fd_count, 0u);
    ASSERT_EQ(wr.fd_count, 1u);
    EXPECT_EQ(wr.fd_array[0], s);

    peer::SendAll(pfd, "x");
    rd = TFDSet{1, {s}};
    TTimeVal twoSeconds{2, 0};
    EXPECT_EQ(select(0, &rd, nullptr, nullptr, &twoSeconds), 1);
    EXPECT_EQ(rd.fd_count, 1u);

    TFDSet none{0, {}};
    EXPECT_EQ(select(0, &none, nullptr, nullptr, &zero), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    TFDSet stale{1, {INVALID_SOCKET - 1}};
    EXPECT_EQ(select(0, &stale, nullptr, nullptr, &zero), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    peer::Close(pfd);
    peer::Close(lfd);
    closesocket(s);
}

TEST_F(WinsockSockets, BlockingHooksAreNotOffered) {
    EXPECT_FALSE(WSAIsBlocking());
    EXPECT_EQ(WSACancelBlockingCall(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(WSASetBlockingHook(nullptr), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAEOPNOTSUPP);
    EXPECT_EQ(WSAUnhookBlockingHook(), 0);
}
