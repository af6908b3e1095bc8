// TClientSocket over real loopback connections: a connect, reads and writes, a send that would block,
// refused and unreachable addresses, an address that never answers, the peer hanging up or resetting,
// a write to a peer that is gone, and the errors its handler may silence. Every event must come on
// the thread that made the component, through its message pumps.
#include "platform/ui/ScktComp.h"

#include "platform/ui/Forms.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/winsock/tests/support/BsdPeer.h"
#include "tools/testing/LoopbackPeers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records every event as a line ("connect", "read 5", "error eeConnect 10061" ...) and checks the
// thread each comes on.
struct TSocketLog : TObject {
    std::vector<std::string> Events;
    std::string Received;
    std::thread::id Thread = std::this_thread::get_id();
    bool OtherThread = false;
    int SetErrorCodeTo = 0; // what the error handler leaves in ErrorCode (0 silences it)
    bool ReadOnRead = true;
    std::function<void()> OnErrorDo;

    void Note(const std::string& what) {
        if (std::this_thread::get_id() != Thread) OtherThread = true;
        Events.push_back(what);
    }
    void Connecting(TObject*, TCustomWinSocket*) { Note("connecting"); }
    void Connect(TObject*, TCustomWinSocket* s) { Note(s->Connected() ? "connect" : "connect?"); }
    void Disconnect(TObject*, TCustomWinSocket*) { Note("disconnect"); }
    void Write(TObject*, TCustomWinSocket*) { Note("write"); }
    void Read(TObject*, TCustomWinSocket* s) {
        if (!ReadOnRead) {
            Note("read");
            return;
        }
        const int waiting = s->ReceiveLength();
        std::string text = s->ReceiveText();
        Received += text;
        Note("read " + std::to_string(waiting) + " " + std::to_string(text.size()));
    }
    void Error(TObject*, TCustomWinSocket*, TErrorEvent e, int& code) {
        static const char* names[] = {"eeGeneral", "eeSend", "eeReceive", "eeConnect", "eeDisconnect", "eeAccept"};
        Note(std::string("error ") + names[e] + " " + std::to_string(code));
        code = SetErrorCodeTo;
        if (OnErrorDo) OnErrorDo();
    }

    void Bind(TClientSocket& c) {
        c.OnConnecting = TSocketNotifyEvent::Bind<&TSocketLog::Connecting>(this);
        c.OnConnect = TSocketNotifyEvent::Bind<&TSocketLog::Connect>(this);
        c.OnDisconnect = TSocketNotifyEvent::Bind<&TSocketLog::Disconnect>(this);
        c.OnRead = TSocketNotifyEvent::Bind<&TSocketLog::Read>(this);
        c.OnWrite = TSocketNotifyEvent::Bind<&TSocketLog::Write>(this);
        c.OnError = TSocketErrorEvent::Bind<&TSocketLog::Error>(this);
    }
    bool Has(const std::string& what) const {
        for (const auto& e : Events)
            if (e == what) return true;
        return false;
    }
    std::string Joined() const {
        std::string out;
        for (const auto& e : Events) out += (out.empty() ? "" : ", ") + e;
        return out;
    }
};

// Pumps the thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
    const std::uint64_t end = MonotonicMs() + static_cast<std::uint64_t>(ms);
    while (!done() && MonotonicMs() < end) {
        WaitMessageTimeout(10);
        Application->ProcessMessages();
    }
    return done();
}

void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

class ClientSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        listener_ = peer::Listen(port_);
        ASSERT_GE(listener_, 0);
        log_.Bind(client_);
    }
    void TearDown() override {
        client_.Close();
        peer::Close(peer_);
        peer::Close(listener_);
    }

    // Opens the client on the listener and accepts the peer's end.
    void Connect() {
        client_.SetAddress("127.0.0.1");
        client_.SetPort(port_);
        client_.Open();
        EXPECT_FALSE(client_.Active()); // only once the connect is made
        peer_ = peer::Accept(listener_, 2000);
        ASSERT_GE(peer_, 0);
        ASSERT_TRUE(PumpUntil([&] { return client_.Active(); })) << log_.Joined();
        // A new connection is writable at once; its write event follows the connect event and must
        // not be taken for one of the test's own.
        ASSERT_TRUE(PumpUntil([&] { return log_.Has("write"); })) << log_.Joined();
    }

    TSeamRecorder seam_;
    TSocketLog log_;
    TClientSocket client_{nullptr};
    std::uint16_t port_ = 0;
    int listener_ = -1;
    int peer_ = -1;
};

TEST_F(ClientSocketTest, ConnectsThenReadsAndWritesOnTheGuiThread) {
    Connect();
    EXPECT_TRUE(client_.Socket()->Connected());
    EXPECT_EQ(client_.Socket()->RemoteAddress(), "127.0.0.1");
    EXPECT_EQ(client_.Socket()->RemotePort(), port_);
    ASSERT_TRUE(PumpUntil([&] { return log_.Has("write"); }));
    EXPECT_EQ(log_.Joined(), "connecting, connect, write");

    EXPECT_EQ(client_.Socket()->SendText("LF 10000 5000 1f2e 2.18\r"), 24);
    const char raw[] = {'\0', '\xFF', '\r', '\n'};
    EXPECT_EQ(client_.Socket()->SendBuf(raw, 4), 4);
    EXPECT_EQ(peer::Receive(peer_, 28, 2000), std::string("LF 10000 5000 1f2e 2.18\r") + std::string(raw, 4));

    // Each arrival is told once and read whole; bytes 0 and 255 pass as they are.
    ASSERT_TRUE(peer::SendAll(peer_, std::string("#\0\xFF", 3)));
    ASSERT_TRUE(PumpUntil([&] { return log_.Received.size() == 3; }));
    EXPECT_EQ(log_.Received, std::string("#\0\xFF", 3));
    EXPECT_TRUE(log_.Has("read 3 3"));
    ASSERT_TRUE(peer::SendAll(peer_, "VER 2.18\r\n>"));
    ASSERT_TRUE(PumpUntil([&] { return log_.Received.size() == 14; }));
    PumpFor(100);
    EXPECT_EQ(log_.Received.substr(3), "VER 2.18\r\n>");
    EXPECT_EQ(client_.Socket()->ReceiveLength(), 0);
    EXPECT_FALSE(log_.OtherThread);

    // Close ends the connection: OnDisconnect, then nothing more.
    client_.Close();
    EXPECT_FALSE(client_.Active());
    EXPECT_FALSE(client_.Socket()->Connected());
    EXPECT_EQ(log_.Events.back(), "disconnect");
    EXPECT_TRUE(peer::AtEndOfStream(peer_, 2000));
    const auto seen = log_.Events.size();
    PumpFor(100);
    EXPECT_EQ(log_.Events.size(), seen);
    EXPECT_EQ(client_.Socket()->SendText("x"), -1);
    EXPECT_TRUE(seam_.Entries.empty());
}

TEST_F(ClientSocketTest, ASendThatWouldBlockIsTakenAfterOnWrite) {
    peer::SetReceiveBuffer(listener_, 4096);
    Connect();
    ASSERT_TRUE(PumpUntil([&] { return log_.Has("write"); }));
    log_.Events.clear();
    // Offer far more than the kernel holds: part is taken, then nothing, until the peer reads.
    std::string block(2000, 'u');
    std::size_t sent = 0;
    int n = 0;
    while ((n = client_.Socket()->SendText(block)) > 0) sent += static_cast<std::size_t>(n);
    EXPECT_EQ(n, -1);
    EXPECT_TRUE(client_.Active());
    EXPECT_FALSE(log_.Has("write"));
    EXPECT_EQ(peer::Receive(peer_, sent, 3000).size(), sent);
    ASSERT_TRUE(PumpUntil([&] { return log_.Has("write"); }));
    EXPECT_EQ(client_.Socket()->SendText(block), 2000);
    EXPECT_EQ(peer::Receive(peer_, 2000, 2000).size(), 2000U);
    EXPECT_FALSE(log_.OtherThread);
    EXPECT_TRUE(log_.Events.size() == 1) << log_.Joined();
}

TEST_F(ClientSocketTest, ConnectFailuresComeToOnError) {
    const unsigned short refusing = RefusingPort();
    ASSERT_NE(refusing, 0);
    struct Case {
        const char* name;
        std::string address;
        int port;
        int code;
    };
    const Case cases[] = {
        {"refused", "127.0.0.1", refusing, 10061},
        // A TCP connect to a multicast group has no route.
        {"unreachable", "224.0.0.1", 3000, 10051},
    };
    for (const Case& c : cases) {
        for (int silenced = 0; silenced < 2; ++silenced) {
            SCOPED_TRACE(std::string(c.name) + (silenced ? " silenced" : " raised"));
            log_.Events.clear();
            seam_.Clear();
            log_.SetErrorCodeTo = silenced ? 0 : c.code;
            client_.SetAddress(c.address);
            client_.SetPort(c.port);
            client_.Open();
            const std::string error = "error eeConnect " + std::to_string(c.code);
            ASSERT_TRUE(PumpUntil([&] { return log_.Has(error); })) << log_.Joined();
            PumpFor(50);
            EXPECT_EQ(log_.Joined(), "connecting, " + error);
            EXPECT_FALSE(client_.Active());
            EXPECT_EQ(client_.Socket()->SocketHandle(), ~0U) << "the failed socket is closed";
            // Left set, the code becomes ESocketError, shown by the application's error box.
            if (silenced) {
                EXPECT_TRUE(seam_.BoxTexts().empty());
            } else {
                EXPECT_EQ(seam_.BoxTexts(),
                          std::vector<std::string>{"Asynchronous socket error " + std::to_string(c.code) + "."});
            }
        }
    }
    // The component connects again afterwards.
    log_.Events.clear();
    Connect();
    EXPECT_EQ(log_.Events.front(), "connecting");
}

TEST_F(ClientSocketTest, AnAddressThatNeverAnswersWaitsUntilClosed) {
    TSilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    client_.SetAddress("127.0.0.1");
    client_.SetPort(silent.Port());
    client_.Open();
    PumpFor(300);
    EXPECT_EQ(log_.Joined(), "connecting");
    EXPECT_FALSE(client_.Active());
    EXPECT_NE(client_.Socket()->SocketHandle(), ~0U);
    EXPECT_EQ(client_.Socket()->SendText("x"), -1);
    // Closing the attempt is silent; a new Open reaches a peer that answers.
    client_.Close();
    EXPECT_EQ(client_.Socket()->SocketHandle(), ~0U);
    PumpFor(100);
    EXPECT_EQ(log_.Joined(), "connecting");
    log_.Events.clear();
    Connect();
    EXPECT_EQ(log_.Events.front(), "connecting");
    EXPECT_TRUE(seam_.Entries.empty());
}

TEST_F(ClientSocketTest, AddressesThatAreNoAddressesRaiseAtOpen) {
    struct Case {
        std::string host, address;
        int port;
    };
    const Case cases[] = {
        {"", "1.2.3.4.5", 3000},
        {"", "300.1.1.1", 3000},
        {"", "", 3000},
        {"", "127.0.0.1", 65536},
        {"", "127.0.0.1", -1},
        {"no-such-host.invalid", "", 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host + "|" + c.address + "|" + std::to_string(c.port));
        client_.SetHost(c.host);
        client_.SetAddress(c.address);
        client_.SetPort(c.port);
        EXPECT_THROW(client_.Open(), ESocketError);
        EXPECT_FALSE(client_.Active());
    }
    // A host name is looked up.
    client_.SetHost("localhost");
    client_.SetAddress("");
    client_.SetPort(port_);
    client_.Open();
    peer_ = peer::Accept(listener_, 2000);
    ASSERT_GE(peer_, 0);
    EXPECT_TRUE(PumpUntil([&] { return client_.Active(); }));
    EXPECT_EQ(client_.Socket()->RemoteAddress(), "127.0.0.1");
}

TEST_F(ClientSocketTest, PeerHangingUpEndsTheConnection) {
    struct Case {
        const char* name;
        bool reset;
        std::vector<std::string> events; // after the connect
    };
    const Case cases[] = {
        // What the peer sent before it went is read first.
        {"orderly close", false, {"read 4 4", "disconnect"}},
        {"reset", true, {"error eeDisconnect 10054", "disconnect"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log_.Events.clear();
        log_.Received.clear();
        log_.SetErrorCodeTo = 0;
        Connect();
        ASSERT_TRUE(PumpUntil([&] { return log_.Has("write"); }));
        log_.Events.clear();
        if (c.reset) {
            peer::Reset(peer_);
        } else {
            ASSERT_TRUE(peer::SendAll(peer_, "bye>"));
            peer::Close(peer_);
        }
        peer_ = -1;
        ASSERT_TRUE(PumpUntil([&] { return !client_.Active(); })) << log_.Joined();
        PumpFor(50);
        EXPECT_EQ(log_.Events, c.events) << log_.Joined();
        EXPECT_EQ(log_.Received, c.reset ? "" : "bye>");
        EXPECT_FALSE(client_.Socket()->Connected());
        EXPECT_EQ(client_.Socket()->SocketHandle(), ~0U);
    }
    EXPECT_TRUE(seam_.Entries.empty());
}

TEST_F(ClientSocketTest, AWriteToAPeerThatIsGoneFails) {
    for (int silenced = 0; silenced < 2; ++silenced) {
        SCOPED_TRACE(silenced ? "silenced" : "raised");
        log_.Events.clear();
        Connect();
        log_.ReadOnRead = false;
        log_.SetErrorCodeTo = silenced ? 0 : -1;
        // The peer resets; the client learns of it only by writing (its notifications wait unpumped).
        peer::Reset(peer_);
        peer_ = -1;
        int result = 0;
        bool raised = false;
        for (int i = 0; i < 50 && !log_.Has("disconnect") && client_.Socket()->Connected(); ++i) {
            try {
                result = client_.Socket()->SendText("_SC \"abc\"\r");
            } catch (const ESocketError& e) {
                raised = true;
                EXPECT_NE(e.ErrorCode, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        bool sawSendError = false;
        for (const auto& e : log_.Events) sawSendError = sawSendError || e.rfind("error eeSend ", 0) == 0;
        EXPECT_TRUE(sawSendError) << log_.Joined();
        EXPECT_EQ(raised, !silenced);
        if (silenced) {
            EXPECT_EQ(result, -1);
        }
        EXPECT_FALSE(client_.Socket()->Connected());
        EXPECT_FALSE(client_.Active());
        EXPECT_EQ(log_.Events.back(), "disconnect");
        EXPECT_EQ(client_.Socket()->SendText("x"), -1);
        PumpFor(50);
    }
}

TEST_F(ClientSocketTest, AnErrorHandlerMayReconnect) {
    // As a program retrying on a lost connection does: Close and Open from inside OnError.
    Connect();
    log_.SetErrorCodeTo = 0;
    log_.OnErrorDo = [&] {
        log_.OnErrorDo = nullptr;
        client_.Close();
        client_.Open();
    };
    log_.Events.clear();
    peer::Reset(peer_);
    ASSERT_TRUE(PumpUntil([&] { return log_.Has("connecting"); })) << log_.Joined();
    peer_ = peer::Accept(listener_, 3000);
    ASSERT_GE(peer_, 0);
    ASSERT_TRUE(PumpUntil([&] { return log_.Has("connect"); })) << log_.Joined();
    EXPECT_EQ(log_.Joined().rfind("error eeDisconnect 10054, disconnect, connecting, connect", 0), 0U) << log_.Joined();
    EXPECT_TRUE(client_.Active());
    EXPECT_EQ(client_.Socket()->SendText("\r\n"), 2);
    EXPECT_EQ(peer::Receive(peer_, 2, 2000), "\r\n");
}

} // namespace
