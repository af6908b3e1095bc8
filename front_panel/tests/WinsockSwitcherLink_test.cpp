// The program's link over a real TCP connection to a peer in the test that sends exactly the bytes a
// case needs: the framing of the switcher's unasked messages, the reply packet, and what happens
// when a message's end comes too late.
#include "front_panel/WinsockSwitcherLink.h"

#include "communications/VxMisc.h"
#include "support/PanelTest.h"
#include "support/SwitcherSim.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class TRecorder : public TObject {
public:
    std::vector<std::string> Events;
    void Connect(TObject*) { Events.push_back("connect"); }
    void Error(TObject*, int code) { Events.push_back("error " + std::to_string(code)); }
    void Reply(TObject*, void* data, int size) {
        Events.push_back("reply " +
                         std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)));
    }
    void PopUp(TObject*, const std::string& data) { Events.push_back("popup " + data); }
    void ErrorReport(TObject*, const std::string& data) { Events.push_back("error report " + data); }
    void QueueOverflow(TObject*, const std::string& data) { Events.push_back("queue " + data); }
};

class WinsockSwitcherLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sin{};
        sin.sin_family = AF_INET;
        sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&sin), sizeof sin), 0);
        ASSERT_EQ(::listen(listener_, 1), 0);
        socklen_t len = sizeof sin;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sin), &len);

        Link = std::make_unique<TWinsockSwitcherLink>(&owner_);
        Link->OnWsConnect = TNotifyEvent::Bind<&TRecorder::Connect>(&Recorder);
        Link->OnWsError = TLinkErrorEvent::Bind<&TRecorder::Error>(&Recorder);
        Link->OnReply = TLinkPacketEvent::Bind<&TRecorder::Reply>(&Recorder);
        Link->OnPopUp = TLinkStringEvent::Bind<&TRecorder::PopUp>(&Recorder);
        Link->OnErrorReport = TLinkStringEvent::Bind<&TRecorder::ErrorReport>(&Recorder);
        Link->OnQueueOverflow = TLinkStringEvent::Bind<&TRecorder::QueueOverflow>(&Recorder);
        Link->SetTarget("127.0.0.1", std::to_string(ntohs(sin.sin_port)));
        Link->SetOpen(true);
        pollfd p{listener_, POLLIN, 0};
        ASSERT_TRUE(PumpUntil([&] { return ::poll(&p, 1, 0) > 0; }));
        peer_ = ::accept(listener_, nullptr, nullptr);
        ASSERT_TRUE(PumpUntil([this] { return !Recorder.Events.empty(); }));
        ASSERT_EQ(Recorder.Events, std::vector<std::string>{"connect"});
        Recorder.Events.clear();
    }
    void TearDown() override {
        Link.reset();
        // The port's packet collector frees itself from a posted message.
        Application->ProcessMessages();
        if (peer_ >= 0) ::close(peer_);
        ::close(listener_);
    }

    void Send(const std::string& bytes) {
        ASSERT_EQ(::send(peer_, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    }
    // What the peer has received so far.
    std::string Take() {
        std::string got;
        char buffer[256];
        pollfd p{peer_, POLLIN, 0};
        while (::poll(&p, 1, 0) > 0) {
            const ssize_t n = ::recv(peer_, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    bool WaitEvents(std::size_t count) {
        return PumpUntil([&] { return Recorder.Events.size() >= count; });
    }

    TRecorder Recorder;
    std::unique_ptr<TWinsockSwitcherLink> Link;
    TFastTicks Ticks;

private:
    TComponent owner_{nullptr};
    int listener_ = -1;
    int peer_ = -1;
};

TEST_F(WinsockSwitcherLinkTest, UnaskedMessagesAreCutFromTheStream) {
    Send("noise<popupmsg>Input 3\r\nlost</POPUPMSG>\r\nmore");
    ASSERT_TRUE(WaitEvents(1));
    Send("!ERR_SOURCE NOT READY\r\n");
    ASSERT_TRUE(WaitEvents(2));
    Send("\"TaskEnet msq queue getting full\", waiting for it \"to empty\"\r\n");
    ASSERT_TRUE(WaitEvents(3));
    EXPECT_EQ(
        Recorder.Events,
        (std::vector<std::string>{"popup Input 3\r\nlost", "error report !ERR_SOURCE NOT READY\r",
                                  "queue \"TaskEnet msq queue getting full\", waiting for it \"to empty\""}));
}

TEST_F(WinsockSwitcherLinkTest, TheQueueNoticeIsCaseSensitive) {
    Send("\"TASKENET MSQ QUEUE GETTING FULL\", \"to empty\"\r\n<POPUPMSG>x</POPUPMSG>");
    ASSERT_TRUE(WaitEvents(1));
    EXPECT_EQ(Recorder.Events, std::vector<std::string>{"popup x"});
}

TEST_F(WinsockSwitcherLinkTest, TheReplyPacketTakesEverythingUpToTheHash) {
    Link->ArmReply();
    Link->PutString("KeyStatus\r");
    PumpUntil([this] { return !Take().empty(); }, 2000);
    // An unasked message inside the reply is part of it, and a "#" in it ends the reply.
    Send("KeyStatus\r\n<POPUPMSG>a#b</POPUPMSG>");
    ASSERT_TRUE(WaitEvents(1));
    EXPECT_EQ(Recorder.Events, std::vector<std::string>{"reply KeyStatus\r\n<POPUPMSG>a#"});
    // Delivered once: later bytes up to a "#" are not a reply.
    Send("late#");
    Send("<POPUPMSG>after</POPUPMSG>");
    ASSERT_TRUE(WaitEvents(2));
    EXPECT_EQ(Recorder.Events.back(), "popup after");
    EXPECT_EQ(Recorder.Events.size(), 2u);
}

TEST_F(WinsockSwitcherLinkTest, APopUpWhoseEndIsLateDoesNotSilenceLaterOnes) {
    Send("<POPUPMSG>never ended");
    // The pop-up waits 100 ticks for its end.
    DelayTicks(150, true);
    Send("</POPUPMSG><POPUPMSG>next</POPUPMSG>");
    ASSERT_TRUE(WaitEvents(1));
    EXPECT_EQ(Recorder.Events, std::vector<std::string>{"popup next"});
}

TEST_F(WinsockSwitcherLinkTest, AnErrorReportWhoseEndIsLateDoesNotSilenceLaterOnes) {
    Send("!ERR_NO_END");
    // The report waits 2184 ticks for its end.
    DelayTicks(2300, true);
    Send("!ERR_NEXT\r\n");
    ASSERT_TRUE(WaitEvents(1));
    EXPECT_EQ(Recorder.Events, std::vector<std::string>{"error report !ERR_NEXT\r"});
}

TEST_F(WinsockSwitcherLinkTest, WritesGoOutAsTheyAre) {
    Link->PutString("Remote 0\n\r");
    Link->PutString("KP 3\r");
    std::string got;
    PumpUntil([&] {
        got += Take();
        return got.size() >= 15;
    });
    EXPECT_EQ(got, "Remote 0\n\rKP 3\r");
}

} // namespace
