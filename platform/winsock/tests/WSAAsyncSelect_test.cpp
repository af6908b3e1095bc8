#include "platform/winsock/Winsock.h"

#include "platform/winsock/WsSockets.h"
#include "platform/winsock/tests/support/BsdPeer.h"
#include "platform/winsock/tests/support/WsTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// How long the tests listen for a message that must not come.
constexpr int kQuietMs = 150;

class WSAAsyncSelectTest : public WinsockTest {
protected:
    void SetUp() override {
        WinsockTest::SetUp();
        lfd_ = peer::Listen(port_);
        ASSERT_GE(lfd_, 0);
    }
    void TearDown() override {
        peer::Close(pfd_);
        peer::Close(lfd_);
        WinsockTest::TearDown();
    }

    // A client socket selected for events and connected to the in-test peer (pfd_), once its
    // FD_CONNECT has arrived when selected.
    SOCKET Connected(LONG events = kAllEvents) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_EQ(WSAAsyncSelect(s, ev_.Window(), kSocketMsg, events), 0);
        int r = ConnectTo(s, port_);
        if (r == SOCKET_ERROR) {
            EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
        }
        pfd_ = peer::Accept(lfd_, 2000);
        EXPECT_GE(pfd_, 0);
        if (events & FD_CONNECT) {
            EXPECT_TRUE(ev_.WaitFor(s, FD_CONNECT));
        }
        return s;
    }

    std::string ReadAll(SOCKET s) {
        std::string data;
        char buf[4096];
        for (int n; (n = recv(s, buf, sizeof buf, 0)) > 0;) data.append(buf, static_cast<std::size_t>(n));
        return data;
    }

    SocketEvents ev_;
    std::uint16_t port_ = 0;
    int lfd_ = -1;
    int pfd_ = -1;
};

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
    return s;
}

} // namespace

TEST_F(WSAAsyncSelectTest, ConnectResultComesAsAMessageEvenOnLoopback) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(WSAAsyncSelect(s, ev_.Window(), kSocketMsg, kAllEvents), 0);
    EXPECT_EQ(ConnectTo(s, port_), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(ev_.WaitFor(s, FD_CONNECT));
    const int connectAt = ev_.IndexOf(s, FD_CONNECT);
    EXPECT_EQ(ev_.events[connectAt].error, 0);
    // Then the socket is writable, once; nothing else happens on a quiet connection.
    ASSERT_TRUE(ev_.WaitFor(s, FD_WRITE));
    EXPECT_GT(ev_.IndexOf(s, FD_WRITE), connectAt);
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.CountFor(s), 2);
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, RefusedConnectComesAsFdConnectWithItsError) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(WSAAsyncSelect(s, ev_.Window(), kSocketMsg, kAllEvents), 0);
    EXPECT_EQ(ConnectTo(s, peer::UnusedPort()), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(ev_.WaitFor(s, FD_CONNECT));
    EXPECT_EQ(ev_.events[ev_.IndexOf(s, FD_CONNECT)].error, WSAECONNREFUSED);
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.CountFor(s), 1);
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, ListeningSocketAnnouncesConnectionsOneAcceptAtATime) {
    std::uint16_t port;
    SOCKET server = ListenOnLoopback(port);
    ASSERT_EQ(WSAAsyncSelect(server, ev_.Window(), kSocketMsg, kAllEvents), 0);
    int first = peer::Connect(port);
    int second = peer::Connect(port);
    ASSERT_TRUE(ev_.WaitFor(server, FD_ACCEPT));
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(server, FD_ACCEPT), 1);

    TSockAddrIn from{};
    int len = sizeof from;
    SOCKET a = accept(server, reinterpret_cast<TSockAddr*>(&from), &len);
    ASSERT_NE(a, INVALID_SOCKET);
    EXPECT_EQ(from.sin_addr.S_addr, htonl(INADDR_LOOPBACK));
    ASSERT_TRUE(ev_.WaitUntil([&] { return ev_.Count(server, FD_ACCEPT) == 2; }));
    SOCKET b = accept(server, nullptr, nullptr);
    ASSERT_NE(b, INVALID_SOCKET);
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(server, FD_ACCEPT), 2);

    // An accepted socket carries the listening socket's selection.
    EXPECT_EQ(ev_.Count(a, FD_WRITE), 1);
    peer::SendAll(first, "hi");
    ASSERT_TRUE(ev_.WaitFor(a, FD_READ));
    char buf[4];
    EXPECT_EQ(recv(a, buf, sizeof buf, 0), 2);
    peer::Close(first);
    peer::Close(second);
    closesocket(a);
    closesocket(b);
    closesocket(server);
}

TEST_F(WSAAsyncSelectTest, FdReadWaitsForRecvAndComesAgainWhileDataRemains) {
    SOCKET s = Connected();
    EXPECT_EQ(send(s, "ping", 4, 0), 4);
    EXPECT_EQ(peer::Receive(pfd_, 4, 2000), "ping");

    peer::SendAll(pfd_, "abc");
    ASSERT_TRUE(ev_.WaitFor(s, FD_READ));
    peer::SendAll(pfd_, "def");
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(s, FD_READ), 1) << "no flood while the application is not reading";

    char buf[16];
    ASSERT_EQ(recv(s, buf, 2, 0), 2);
    EXPECT_EQ(std::string(buf, 2), "ab");
    ASSERT_TRUE(ev_.WaitUntil([&] { return ev_.Count(s, FD_READ) == 2; }));
    ASSERT_EQ(recv(s, buf, sizeof buf, 0), 4);
    EXPECT_EQ(std::string(buf, 4), "cdef");
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(s, FD_READ), 2);
    EXPECT_EQ(ev_.Count(s, FD_CLOSE), 0);
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, ReadsBetweenLooksLeaveOneFdReadWaiting) {
    SOCKET s = Connected();
    const std::string data = Pattern(20000);
    peer::SendAll(pfd_, data);
    ASSERT_TRUE(ev_.WaitFor(s, FD_READ));
    // Five reads that each fill the buffer, with no message looked at between them.
    std::string got;
    char buf[1000];
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(recv(s, buf, sizeof buf, 0), 1000);
        got.append(buf, sizeof buf);
    }
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(s, FD_READ), 2) << "one FD_READ stands for every read that left data behind";
    got += ReadAll(s);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(got == data);
    ev_.Pump(kQuietMs);
    const int seen = ev_.Count(s, FD_READ);
    EXPECT_LE(seen, 3);
    // Read to the end, the socket is armed again for what comes next.
    peer::SendAll(pfd_, "more");
    ASSERT_TRUE(ev_.WaitUntil([&] { return ev_.Count(s, FD_READ) == seen + 1; }));
    EXPECT_EQ(ReadAll(s), "more");
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, PeerCloseDeliversEveryByteBeforeFdClose) {
    SOCKET s = Connected();
    const std::string data = Pattern(20000);
    peer::SendAll(pfd_, data);
    peer::Close(pfd_);
    pfd_ = -1;

    // Unread data holds FD_CLOSE back.
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(s, FD_READ), 1);
    EXPECT_EQ(ev_.Count(s, FD_CLOSE), 0);

    std::string got;
    std::size_t seen = 0;
    for (;;) {
        ASSERT_TRUE(ev_.WaitUntil([&] { return ev_.events.size() > seen; })) << got.size() << " bytes read";
        SocketEvent e = ev_.events[seen++];
        if (e.socket != s || e.event == FD_CONNECT || e.event == FD_WRITE) continue;
        if (e.event == FD_CLOSE) {
            EXPECT_EQ(e.error, 0);
            break;
        }
        ASSERT_EQ(e.event, FD_READ);
        char buf[3000];
        int n = recv(s, buf, sizeof buf, 0);
        ASSERT_GT(n, 0);
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data);
    char c;
    EXPECT_EQ(recv(s, &c, 1, 0), 0);
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(s, FD_CLOSE), 1);
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, FdCloseFollowsWhenTheLastBytesAreRead) {
    SOCKET s = Connected(FD_READ | FD_CLOSE | FD_CONNECT);
    peer::SendAll(pfd_, "tail");
    peer::Close(pfd_);
    pfd_ = -1;
    ASSERT_TRUE(ev_.WaitFor(s, FD_READ));
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(s, FD_CLOSE), 0);
    EXPECT_EQ(ReadAll(s), "tail");
    ASSERT_TRUE(ev_.WaitFor(s, FD_CLOSE));
    EXPECT_GT(ev_.IndexOf(s, FD_CLOSE), ev_.IndexOf(s, FD_READ));
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, PeerResetGivesFdCloseWithConnReset) {
    SOCKET s = Connected();
    peer::Reset(pfd_);
    pfd_ = -1;
    ASSERT_TRUE(ev_.WaitFor(s, FD_CLOSE));
    EXPECT_EQ(ev_.events[ev_.IndexOf(s, FD_CLOSE)].error, WSAECONNRESET);
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, FdWriteFollowsASendThatWouldBlockAndNothingElse) {
    SOCKET s = Connected();
    ASSERT_TRUE(ev_.WaitFor(s, FD_WRITE));
    int small = 4096;
    setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&small), sizeof small);

    const std::string chunk = Pattern(65536);
    std::size_t total = 0;
    int r = 0;
    for (int i = 0; i < 2000 && (r = send(s, chunk.data(), static_cast<int>(chunk.size()), 0)) > 0; ++i)
        total += static_cast<std::size_t>(r);
    ASSERT_EQ(r, SOCKET_ERROR);
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    std::atomic<std::size_t> drained{0};
    std::thread reader([&] { drained = peer::Receive(pfd_, total, 3000).size(); });
    EXPECT_TRUE(ev_.WaitUntil([&] { return ev_.Count(s, FD_WRITE) == 2; }));
    reader.join();
    EXPECT_EQ(drained, total);

    // Writable all along now, and a send that succeeds re-enables nothing.
    EXPECT_EQ(send(s, "x", 1, 0), 1);
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.Count(s, FD_WRITE), 2);
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, NothingIsPostedForASocketAfterClosesocket) {
    SOCKET s = Connected();
    std::atomic<bool> stop{false};
    std::thread chatter([&] {
        while (!stop && peer::SendAll(pfd_, "x")) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_TRUE(ev_.WaitFor(s, FD_READ));
    char buf[64];
    for (int i = 0; i < 20; ++i) {
        recv(s, buf, sizeof buf, 0);
        ev_.Pump(2);
    }
    const int fd = wsock::DescriptorOf(s);
    ASSERT_EQ(closesocket(s), 0);
    ev_.Discard(); // posted before closesocket returned
    const std::size_t closedAt = ev_.events.size();

    // The same descriptor comes back for a new socket on the same window.
    SOCKET next = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(wsock::DescriptorOf(next), fd);
    ASSERT_EQ(WSAAsyncSelect(next, ev_.Window(), kSocketMsg, kAllEvents), 0);
    ConnectTo(next, port_);
    int nextPeer = peer::Accept(lfd_, 2000);
    peer::SendAll(nextPeer, "y");
    ASSERT_TRUE(ev_.WaitFor(next, FD_READ));
    ev_.Pump(kQuietMs);
    for (std::size_t i = closedAt; i < ev_.events.size(); ++i) EXPECT_NE(ev_.events[i].socket, s);
    stop = true;
    chatter.join();
    peer::Close(nextPeer);
    closesocket(next);
}

TEST_F(WSAAsyncSelectTest, CancelledSelectionPostsNothingAndLeavesTheSocketNonBlocking) {
    SOCKET s = Connected();
    DWORD off = 0;
    EXPECT_EQ(ioctlsocket(s, FIONBIO, &off), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    ev_.Pump(kQuietMs);
    const int before = ev_.CountFor(s);

    ASSERT_EQ(WSAAsyncSelect(s, 0, 0, 0), 0);
    peer::SendAll(pfd_, "data");
    peer::Close(pfd_);
    pfd_ = -1;
    ev_.Pump(kQuietMs);
    EXPECT_EQ(ev_.CountFor(s), before);

    char buf[8];
    EXPECT_EQ(recv(s, buf, sizeof buf, 0), 4);
    EXPECT_EQ(recv(s, buf, sizeof buf, 0), 0);
    EXPECT_EQ(ioctlsocket(s, FIONBIO, &off), 0);
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, SelectingASocketWithDataWaitingPostsAtOnce) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(ConnectTo(s, port_), 0);
    pfd_ = peer::Accept(lfd_, 2000);
    peer::SendAll(pfd_, "early");
    TFDSet rd{1, {s}};
    TTimeVal wait{2, 0};
    ASSERT_EQ(select(0, &rd, nullptr, nullptr, &wait), 1);

    ASSERT_EQ(WSAAsyncSelect(s, ev_.Window(), kSocketMsg, FD_READ | FD_CLOSE), 0);
    ASSERT_TRUE(ev_.WaitFor(s, FD_READ));
    EXPECT_EQ(ReadAll(s), "early");
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, UrgentByteGivesFdOob) {
    SOCKET s = Connected();
    ASSERT_TRUE(peer::SendUrgent(pfd_, '!'));
    ASSERT_TRUE(ev_.WaitFor(s, FD_OOB));
    char c = 0;
    EXPECT_EQ(recv(s, &c, 1, MSG_OOB), 1);
    EXPECT_EQ(c, '!');
    closesocket(s);
}

TEST_F(WSAAsyncSelectTest, RefusesABadSelection) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(WSAAsyncSelect(s, 0, kSocketMsg, FD_READ), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(WSAAsyncSelect(s, ev_.Window(), kSocketMsg, 0x100), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    closesocket(s);
}
