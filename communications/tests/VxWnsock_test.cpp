#include "communications/VxWnsock.h"

#include "communications/VxErrors.h"
#include "communications/tests/support/SocketPeer.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The port window seam: records the connection events and answers an accept with AcceptAnswer.
class TPortWindow {
public:
    TPortWindow() {
        Wnd =
            CreateMessageWindow("TestPort", [this](HWND, UINT Msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (Msg != SocketEventMsg) return 0;
                Events.push_back({wParam, lParam});
                if (OnEvent) OnEvent(wParam, lParam);
                return wParam == wsAcceptEvent ? AcceptAnswer : 0;
            });
    }
    ~TPortWindow() { DestroyWindow(Wnd); }
    TPortWindow(const TPortWindow&) = delete;
    TPortWindow& operator=(const TPortWindow&) = delete;

    int Count(WPARAM Code) const {
        return static_cast<int>(
            std::count_if(Events.begin(), Events.end(), [Code](const auto& e) { return e.first == Code; }));
    }
    bool Got(WPARAM Code) const { return Count(Code) > 0; }

    HWND Wnd = 0;
    std::vector<std::pair<WPARAM, LPARAM>> Events;
    std::function<void(WPARAM, LPARAM)> OnEvent;
    LRESULT AcceptAnswer = 1;
};

template <int Tag> struct TReader {
    std::function<void(UINT, UINT, int)> Body;
    int Calls = 0;
    void Notify(UINT Msg, UINT wParam, int lParam) {
        ++Calls;
        if (Body) Body(Msg, wParam, lParam);
    }
    TVexNotifyEvent Event() { return TVexNotifyEvent::Bind<&TReader::Notify>(this); }
};

std::string TakeAll(TVexBaseDispatcher& D) {
    std::string s(D.InBuffUsed(), '\0');
    if (!s.empty()) {
        EXPECT_EQ(D.GetBlock(s.data(), static_cast<DWORD>(s.size())), static_cast<int>(s.size()));
    }
    return s;
}

class SocketDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(VexSocket->StartupError(), 0); }

    int OpenClient(TVexWinsockDispatcher& D, unsigned short Port, bool Telnet = false, DWORD InSize = 4096,
                   DWORD OutSize = 4096) {
        D.SetPortWindow(Window.Wnd);
        D.InitSocketData(0, SockFuncs.htonl(INADDR_LOOPBACK), Telnet, true, SockFuncs.htons(Port));
        return D.InitSocket(InSize, OutSize);
    }
    int OpenServer(TVexWinsockDispatcher& D, unsigned short Port) {
        D.SetPortWindow(Window.Wnd);
        D.InitSocketData(0, 0, false, false, SockFuncs.htons(Port));
        return D.InitSocket(4096, 4096);
    }
    // A client dispatcher connected to Peer.
    void Connect(TVexWinsockDispatcher& D, TSocketPeer& P, bool Telnet = false, DWORD InSize = 4096) {
        const unsigned short port = P.Listen();
        ASSERT_NE(port, 0);
        const int connectsBefore = Window.Count(wsConnectEvent);
        ASSERT_EQ(OpenClient(D, port, Telnet, InSize), ecOK);
        ASSERT_TRUE(P.Accept());
        ASSERT_TRUE(PumpUntil([&] { return Window.Count(wsConnectEvent) > connectsBefore; }));
    }

    TPortWindow Window;
    TSocketPeer Peer;
    std::unique_ptr<TVexWinsockDispatcher> Disp = std::make_unique<TVexWinsockDispatcher>(nullptr);
};

TEST_F(SocketDispatcherTest, ClientCarriesDataBothWays) {
    Connect(*Disp, Peer);
    EXPECT_TRUE(Disp->CheckDCD());
    ASSERT_NE(Disp->Connection(), nullptr);
    EXPECT_TRUE(Disp->Connection()->GetConnected());

    ASSERT_EQ(Disp->PutString("hello\r"), ecOK);
    EXPECT_EQ(Peer.Receive(6), "hello\r");

    ASSERT_TRUE(Peer.Send("world"));
    ASSERT_TRUE(PumpUntil([&] { return Disp->InBuffUsed() == 5; }));
    EXPECT_EQ(TakeAll(*Disp), "world");

    DCB dcb;
    Disp->GetComState(dcb);
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONE5STOPBITS);
}

TEST_F(SocketDispatcherTest, AvailNotificationRunsOnTheMainThread) {
    Connect(*Disp, Peer);
    TReader<1> reader;
    std::string got;
    bool onMain = true;
    reader.Body = [&](UINT Msg, UINT wParam, int) {
        onMain = onMain && GetCurrentThreadId() == MainThreadId();
        if (Msg != TriggerAvailMsg) return;
        std::string s(wParam, '\0');
        EXPECT_EQ(Disp->GetBlock(s.data(), wParam), static_cast<int>(wParam));
        got += s;
    };
    Disp->RegisterEventTriggerHandler(reader.Event());
    Disp->ChangeLengthTrigger(1);

    ASSERT_TRUE(Peer.Send("abc"));
    ASSERT_TRUE(PumpUntil([&] { return got.size() >= 3; }));
    EXPECT_EQ(got, "abc");
    EXPECT_TRUE(onMain);
    EXPECT_EQ(Disp->InBuffUsed(), 0u);
}

// With a 64 KiB input size the connection can take a whole burst from the socket at once, more
// than the receive ring holds; the rest follows at once, not on the timer (held off here).
TEST_F(SocketDispatcherTest, ABurstBeyondTheRingIsDeliveredWithoutTheTimer) {
    struct THoldTimer {
        THoldTimer() { HoldDispatchTimerForTesting(true); }
        ~THoldTimer() { HoldDispatchTimerForTesting(false); }
    } held;
    Connect(*Disp, Peer, false, 65536);
    TReader<1> reader;
    std::string got;
    reader.Body = [&](UINT Msg, UINT wParam, int) {
        if (Msg != TriggerAvailMsg) return;
        std::string s(wParam, '\0');
        if (Disp->GetBlock(s.data(), wParam) == static_cast<int>(wParam)) got += s;
    };
    Disp->RegisterEventTriggerHandler(reader.Event());
    Disp->ChangeLengthTrigger(1);
    std::string burst(65536, '\0');
    for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(Peer.Send(burst));
    EXPECT_TRUE(PumpUntil([&] { return got.size() >= burst.size(); }, 3000)) << got.size();
    EXPECT_EQ(got, burst);
}

TEST_F(SocketDispatcherTest, DataSentBeforeThePeerClosedArrivesBeforeTheClose) {
    for (std::size_t size : {std::size_t{3}, std::size_t{20000}}) {
        SCOPED_TRACE(size);
        Window.Events.clear();
        TSocketPeer peer;
        TVexWinsockDispatcher disp(nullptr);
        // A connection ring far smaller than the data: it passes through in many steps.
        Connect(disp, peer, false, 16);
        std::string got;
        std::string gotAtClose = "(no close)";
        TReader<2> reader;
        reader.Body = [&](UINT Msg, UINT wParam, int) {
            if (Msg != TriggerAvailMsg) return;
            std::string s(wParam, '\0');
            disp.GetBlock(s.data(), wParam);
            got += s;
        };
        disp.RegisterEventTriggerHandler(reader.Event());
        disp.ChangeLengthTrigger(1);
        Window.OnEvent = [&](WPARAM Code, LPARAM) {
            if (Code == wsCloseEvent) gotAtClose = got;
        };

        std::string data(size, '\0');
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>('a' + i % 26);
        ASSERT_TRUE(peer.Send(data));
        peer.CloseConnection();
        ASSERT_TRUE(PumpUntil([&] { return Window.Got(wsCloseEvent); }, 5000));
        EXPECT_EQ(gotAtClose, data);
        EXPECT_FALSE(disp.CheckDCD());
        EXPECT_FALSE(disp.Connection()->GetConnected());
        Window.OnEvent = nullptr;
    }
}

TEST_F(SocketDispatcherTest, ServerTakesOnePeerAtATime) {
    const unsigned short port = TSocketPeer::UnusedPort();
    ASSERT_NE(port, 0);
    ASSERT_EQ(OpenServer(*Disp, port), ecOK);
    EXPECT_FALSE(Disp->CheckDCD());

    TSocketPeer first;
    ASSERT_TRUE(first.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return Window.Got(wsAcceptEvent); }));
    EXPECT_EQ(static_cast<DWORD>(Window.Events.back().second), SockFuncs.htonl(INADDR_LOOPBACK));
    EXPECT_EQ(Disp->RemoteAddress().sin_addr.S_addr, SockFuncs.htonl(INADDR_LOOPBACK));
    EXPECT_TRUE(Disp->CheckDCD());

    ASSERT_EQ(Disp->PutString("hi"), ecOK);
    EXPECT_EQ(first.Receive(2), "hi");
    ASSERT_TRUE(first.Send("yo"));
    ASSERT_TRUE(PumpUntil([&] { return Disp->InBuffUsed() == 2; }));
    EXPECT_EQ(TakeAll(*Disp), "yo");

    TSocketPeer second;
    ASSERT_TRUE(second.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return second.SawClose(); }));
    EXPECT_EQ(Window.Count(wsAcceptEvent), 1);
    ASSERT_EQ(Disp->PutString("still"), ecOK);
    EXPECT_EQ(first.Receive(5), "still");

    first.CloseConnection();
    ASSERT_TRUE(PumpUntil([&] { return Window.Got(wsPeerLeftEvent); }));
    EXPECT_FALSE(Window.Got(wsCloseEvent));
    EXPECT_FALSE(Disp->CheckDCD());
    EXPECT_EQ(Disp->RemoteAddress().sin_addr.S_addr, 0u);

    // Still listening.
    TSocketPeer third;
    ASSERT_TRUE(third.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return Window.Count(wsAcceptEvent) == 2; }));
    ASSERT_EQ(Disp->PutString("again"), ecOK);
    EXPECT_EQ(third.Receive(5), "again");
}

TEST_F(SocketDispatcherTest, ServerClosesAPeerThePortRefuses) {
    const unsigned short port = TSocketPeer::UnusedPort();
    ASSERT_EQ(OpenServer(*Disp, port), ecOK);
    Window.AcceptAnswer = 0;
    TSocketPeer peer;
    ASSERT_TRUE(peer.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return peer.SawClose(); }));
    EXPECT_EQ(Window.Count(wsAcceptEvent), 1);
    EXPECT_FALSE(Disp->CheckDCD());
    EXPECT_EQ(Disp->Connection()->DataSocket(), INVALID_SOCKET);
    EXPECT_EQ(Disp->RemoteAddress().sin_addr.S_addr, 0u);
}

TEST_F(SocketDispatcherTest, ServerTakesTheNextPeerAfterOneWasReset) {
    const unsigned short port = TSocketPeer::UnusedPort();
    ASSERT_EQ(OpenServer(*Disp, port), ecOK);
    TSocketPeer first;
    ASSERT_TRUE(first.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return Disp->CheckDCD(); }));
    first.ResetConnection();
    ASSERT_TRUE(PumpUntil([&] { return Window.Got(WSAECONNRESET); }));
    EXPECT_FALSE(Disp->CheckDCD());

    TSocketPeer second;
    ASSERT_TRUE(second.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return Window.Count(wsAcceptEvent) == 2; }));
    ASSERT_EQ(Disp->PutString("next"), ecOK);
    EXPECT_EQ(second.Receive(4), "next");
}

TEST_F(SocketDispatcherTest, RefusedConnectReachesThePortWindow) {
    ASSERT_EQ(OpenClient(*Disp, TSocketPeer::UnusedPort()), ecOK);
    ASSERT_TRUE(PumpUntil([&] { return Window.Got(WSAECONNREFUSED); }));
    EXPECT_FALSE(Window.Got(wsConnectEvent));
    EXPECT_FALSE(Disp->CheckDCD());
}

TEST_F(SocketDispatcherTest, LookupsNeverMatchAClosedSocket) {
    const unsigned short port = TSocketPeer::UnusedPort();
    ASSERT_EQ(OpenServer(*Disp, port), ecOK);
    TWsConnection* conn = Disp->Connection();
    ASSERT_NE(conn, nullptr);
    const TSocket own = conn->OwnSocket();
    // A listening server has no data socket: "none" must not match it.
    EXPECT_EQ(conn->DataSocket(), INVALID_SOCKET);
    EXPECT_EQ(VexSocket->FindConnection(INVALID_SOCKET), nullptr);
    EXPECT_EQ(VexSocket->TweakSocket(INVALID_SOCKET), INVALID_SOCKET);
    EXPECT_EQ(VexSocket->FindConnection(own), conn); // and now cached

    Disp->DonePort();
    EXPECT_EQ(Disp->Connection(), nullptr);
    EXPECT_EQ(VexSocket->FindConnection(own), nullptr);
    EXPECT_EQ(VexSocket->TweakSocket(own), INVALID_SOCKET);
    // The closed dispatcher keeps its port window, but neither its old socket nor "none" finds it.
    EXPECT_EQ(VexSocket->DoWsMessage(own, wsConnectEvent, 0), 0);
    EXPECT_EQ(VexSocket->DoWsMessage(INVALID_SOCKET, wsConnectEvent, 0), 0);
    EXPECT_EQ(VexSocket->DoDispMessage(INVALID_SOCKET, 0), 0);
    EXPECT_TRUE(Window.Events.empty());
}

TEST_F(SocketDispatcherTest, TelnetBlockIsAcceptedWholeOrNotAtAll) {
    const unsigned short port = Peer.Listen();
    // OutSize 8192: an output ring of 12288 bytes.
    ASSERT_EQ(OpenClient(*Disp, port, true, 4096, 8192), ecOK);
    // Not connected yet: the blocks wait in the ring.
    const std::string tooMuch(8192, '\xFF'); // 16384 bytes once doubled
    EXPECT_EQ(Disp->PutBlock(tooMuch.data(), 8192), ecPutBlockFail);
    const std::string fits(6144, '\xFF'); // exactly 12288
    EXPECT_EQ(Disp->PutBlock(fits.data(), 6144), ecOK);

    ASSERT_TRUE(Peer.Accept());
    std::string got;
    ASSERT_TRUE(PumpUntil([&] {
        got += Peer.Take();
        return got.size() >= 12288;
    }));
    PumpFor(20);
    got += Peer.Take();
    EXPECT_EQ(got, std::string(12288, '\xFF'));
}

TEST_F(SocketDispatcherTest, SocketErrorsAreNotLineErrors) {
    ASSERT_EQ(OpenClient(*Disp, TSocketPeer::UnusedPort()), ecOK);
    ASSERT_TRUE(PumpUntil([&] { return Window.Got(WSAECONNREFUSED); }));
    // Left as the last error, with no socket call after it to replace it.
    SockFuncs.WSASetLastError(WSAECONNRESET);
    Disp->RefreshStatus();
    Disp->ProcessCommunications();
    EXPECT_EQ(Disp->GetLineError(), leNone);
    EXPECT_FALSE(Disp->CheckLineBreak());
}

TEST_F(SocketDispatcherTest, BytesPulledBeforeACloseReachTheHandlerFirst) {
    Connect(*Disp, Peer);
    std::string got;
    std::string gotAtClose = "(no close)";
    TReader<7> reader;
    reader.Body = [&](UINT Msg, UINT wParam, int) {
        if (Msg != TriggerAvailMsg) return;
        std::string s(wParam, '\0');
        Disp->GetBlock(s.data(), wParam);
        got += s;
    };
    Disp->RegisterEventTriggerHandler(reader.Event());
    Disp->ChangeLengthTrigger(1);
    Window.OnEvent = [&](WPARAM Code, LPARAM) {
        if (Code == wsCloseEvent) gotAtClose = got;
    };
    // A status refresh outside any step (as PutBlock makes) takes the bytes into the connection;
    // the close is handled before the step their read event would run.
    ASSERT_TRUE(Peer.Send("bye"));
    for (int i = 0; i < 2000 && Disp->Connection()->GetInChars() < 3; ++i) Sleep(1);
    ASSERT_EQ(Disp->Connection()->GetInChars(), 3u);
    VexSocket->CMVEXSocketMessage(Disp->Connection()->OwnSocket(), WSAMAKESELECTREPLY(FD_CLOSE, 0));
    EXPECT_EQ(gotAtClose, "bye");
}

TEST_F(SocketDispatcherTest, BytesStillInTheConnectionAtTheCloseAreNotLost) {
    // No handler takes anything: the receive ring fills, then the connection's 16-byte ring, and the
    // last bytes leave the socket (and the close comes) while the receive ring has no room for them.
    Connect(*Disp, Peer, false, 16);
    std::string data(ReceiveRingSize + 16 + 10, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 253);
    ASSERT_TRUE(Peer.Send(data));
    Peer.CloseConnection();
    std::string got;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (Disp->InBuffUsed() == ReceiveRingSize) {
                std::string s(5, '\0');
                Disp->GetBlock(s.data(), 5);
                got += s;
            }
            return Window.Got(wsCloseEvent);
        },
        5000));
    ASSERT_TRUE(PumpUntil([&] {
        got += TakeAll(*Disp);
        return got.size() >= data.size();
    }));
    EXPECT_EQ(got, data);
}

TEST_F(SocketDispatcherTest, EachDispatcherRunsOnlyItsOwnSteps) {
    TSocketPeer otherPeer;
    TVexWinsockDispatcher other(nullptr);
    Connect(*Disp, Peer);
    Connect(other, otherPeer);
    TReader<3> mine;
    TReader<4> theirs;
    Disp->RegisterEventTriggerHandler(mine.Event());
    other.RegisterEventTriggerHandler(theirs.Event());
    Disp->ChangeLengthTrigger(1);
    other.ChangeLengthTrigger(1);

    ASSERT_TRUE(Peer.Send("1"));
    ASSERT_TRUE(PumpUntil([&] { return mine.Calls > 0; }));
    PumpFor(60); // a timer tick of each
    EXPECT_EQ(theirs.Calls, 0);
    EXPECT_EQ(other.InBuffUsed(), 0u);
    ASSERT_TRUE(otherPeer.Send("2"));
    ASSERT_TRUE(PumpUntil([&] { return theirs.Calls > 0; }));
    EXPECT_EQ(TakeAll(other), "2");
}

TEST_F(SocketDispatcherTest, ReadingInsideAHandlerFiresNoTrigger) {
    Connect(*Disp, Peer);
    TReader<5> reader;
    int callsInside = -1;
    DWORD usedInside = 0;
    reader.Body = [&](UINT Msg, UINT, int) {
        if (Msg != TriggerAvailMsg || reader.Calls > 1) return;
        ASSERT_TRUE(Peer.Send("b"));
        for (int i = 0; i < 2000 && Disp->InBuffUsed() < 2; ++i) {
            Disp->ProcessCommunications();
            Sleep(1);
        }
        usedInside = Disp->InBuffUsed();
        callsInside = reader.Calls;
    };
    Disp->RegisterEventTriggerHandler(reader.Event());
    Disp->ChangeLengthTrigger(1);
    ASSERT_TRUE(Peer.Send("a"));
    ASSERT_TRUE(PumpUntil([&] { return reader.Calls > 0; }));
    EXPECT_EQ(usedInside, 2u);
    EXPECT_EQ(callsInside, 1);
    EXPECT_EQ(TakeAll(*Disp), "ab");
}

TEST_F(SocketDispatcherTest, ClosingFromInsideAHandlerFinishesAfterIt) {
    Connect(*Disp, Peer);
    TReader<6> reader;
    reader.Body = [&](UINT, UINT, int) { Disp->DonePort(); };
    Disp->RegisterEventTriggerHandler(reader.Event());
    Disp->ChangeLengthTrigger(1);
    ASSERT_TRUE(Peer.Send("x"));
    ASSERT_TRUE(PumpUntil([&] { return reader.Calls > 0; }));
    EXPECT_FALSE(Disp->DispatcherStarted());
    EXPECT_EQ(Disp->Connection(), nullptr);
    EXPECT_EQ(Disp->ComHandle(), -1);
    ASSERT_TRUE(PumpUntil([&] { return Peer.SawClose(); }));
    PumpFor(60); // no step runs for the closed dispatcher
    EXPECT_EQ(reader.Calls, 1);
}

TEST_F(SocketDispatcherTest, StartingTwiceIsRefused) {
    Connect(*Disp, Peer);
    try {
        Disp->StartDispatcher();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Dispatcher already started");
    }
}

} // namespace
