// Data packets on a TCP port: the bytes travel over a real loopback connection, in the splits each
// case chooses, and every packet event runs on the main thread inside the socket dispatcher's pass.
#include "communications/VxPacket.h"
#include "communications/tests/support/PacketCases.h"
#include "communications/tests/support/PacketRun.h"
#include "communications/tests/support/PacketSetups.h"

#include "communications/VxWnPort.h"
#include "communications/VxWnsock.h"
#include "communications/tests/support/SocketPeer.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Every event of every packet, as "Name:bytes".
struct TRecorder {
    std::vector<std::string> Got;
    std::function<void(TVexDataPacket*, const std::string&)> Then;
    bool OffMainThread = false;

    void StringPacket(TObject* Sender, const std::string& Data) {
        auto* p = static_cast<TVexDataPacket*>(Sender);
        OffMainThread = OffMainThread || GetCurrentThreadId() != MainThreadId();
        Got.push_back(p->Name() + ":" + Data);
        if (Then) Then(p, Data);
    }
};

struct TExceptions {
    std::vector<std::string> Messages;
    void Handle(TObject*, Exception* E) { Messages.push_back(E->Message); }
};

// Counts what the port announced, without taking it: the collector takes the bytes.
struct TArrivals {
    std::size_t Count = 0;
    void Avail(TObject*, WORD N) { Count += N; }
};

class PacketTcpTest : public ::testing::Test {
public:
    void SetUp() override {
        MainThreadId();
        ASSERT_EQ(VexSocket->StartupError(), 0);
        Application->OnException = TExceptionEvent::Bind<&TExceptions::Handle>(&Errors);
        const unsigned short port = Peer.Listen();
        ASSERT_NE(port, 0);
        Port = std::make_unique<TVexWinsockPort>(nullptr);
        Port->SetDeviceLayer(dlWinsock);
        Port->SetWsAddress("127.0.0.1");
        Port->SetWsPort(std::to_string(port));
        Port->SetWsTelnet(false);
        Port->SetAutoOpen(false);
        Port->SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TArrivals::Avail>(&Arrived));
        Port->SetOpen(true);
        ASSERT_TRUE(Peer.Accept());
        ASSERT_TRUE(PumpUntil([&] { return Port->GetDCD(); }));
    }
    void TearDown() override {
        if (Port) {
            Port->SetOnTriggerAvail(nullptr);
            Port->SetOpen(false);
            PumpUntil([&] { return Port->PortState() == psClosed; });
        }
        for (TVexDataPacket* p : Made) delete p;
        Made.clear();
        Port.reset();
        PumpFor(20);
        Application->OnException = nullptr;
    }

    TVexDataPacket* Make(const TPacketSetup& s) {
        auto* p = new TVexDataPacket(nullptr);
        Made.push_back(p);
        ApplySetup(*p, s);
        p->OnStringPacket = TStringPacketNotifyEvent::Bind<&TRecorder::StringPacket>(&Rec);
        p->SetComPort(Port.get());
        if (s.Enabled) p->SetEnabled(true);
        return p;
    }
    void Forget(TVexDataPacket* p) { std::erase(Made, p); }

    // One arrival: the peer sends the bytes and the port takes them all in before the next.
    void Feed(const std::string& Bytes) {
        const std::size_t expected = Arrived.Count + Bytes.size();
        ASSERT_TRUE(Peer.Send(Bytes));
        ASSERT_TRUE(PumpUntil([&] { return Arrived.Count >= expected; }));
    }

    TSocketPeer Peer;
    std::unique_ptr<TVexWinsockPort> Port;
    std::vector<TVexDataPacket*> Made;
    TRecorder Rec;
    TArrivals Arrived;
    TExceptions Errors;
};

// --- Matching -----------------------------------------------------------------------------------

class PacketTcpMatchTest : public PacketTcpTest, public ::testing::WithParamInterface<TPacketCase> {};

TEST_P(PacketTcpMatchTest, DeliversExactlyTheExpectedPackets) {
    const TPacketCase& c = GetParam();
    for (const TPacketSetup& s : c.Packets) Make(s);
    for (const std::string& bytes : c.Arrivals) Feed(bytes);
    EXPECT_EQ(Rec.Got, c.Expected) << c.What;
    EXPECT_FALSE(Rec.OffMainThread);
    EXPECT_TRUE(Errors.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Conditions, PacketTcpMatchTest, ::testing::ValuesIn(MatchCases),
                         [](const ::testing::TestParamInfo<TPacketCase>& p) {
                             return "Case" + std::to_string(p.index);
                         });

TEST_F(PacketTcpTest, DataStaysPutWhileTheHandlerPumps) {
    TVexDataPacket* p = Make(PopUpPckt);
    std::string before, after;
    struct TSink {
        std::function<void(void*, int)> Body;
        void Packet(TObject*, void* Data, int Size) { Body(Data, Size); }
    } sink;
    bool first = true;
    sink.Body = [&](void* Data, int Size) {
        if (!first) return;
        first = false;
        before.assign(static_cast<char*>(Data), Size);
        // More than the collector's first block arrives while the handler serves messages; the
        // port reads it, and the packets see it once the handler has returned.
        ASSERT_TRUE(Peer.Send(std::string(9000, 'x') + "<POPUPMSG>second</POPUPMSG>"));
        PumpFor(200);
        after.assign(static_cast<char*>(Data), Size);
    };
    p->OnPacket = TPacketNotifyEvent::Bind<&TSink::Packet>(&sink);
    Feed("<POPUPMSG>first</POPUPMSG>");
    ASSERT_TRUE(PumpUntil([&] { return Rec.Got.size() == 2; }));
    EXPECT_EQ(before, "first");
    EXPECT_EQ(after, "first");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"PopUpPckt:first", "PopUpPckt:second"}));
}

TEST_F(PacketTcpTest, PacketFreedInItsOwnHandler) {
    TVexDataPacket* doomed = Make(StartOnly("AB"));
    TPacketSetup other = StartOnly("CD");
    other.Name = "Q";
    Make(other);
    Rec.Then = [&](TVexDataPacket* p, const std::string&) {
        if (p != doomed) return;
        Forget(p);
        delete p;
    };
    Feed("ABCDAB");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"P:AB", "Q:CD"}));
    Feed("CD");
    EXPECT_EQ(Rec.Got.size(), 3u);
    EXPECT_TRUE(Errors.Messages.empty());
}

TEST_F(PacketTcpTest, PeerClosingDeliversWhatCameBeforeTheClose) {
    Make(PopUpPckt);
    ASSERT_TRUE(Peer.Send("<POPUPMSG>bye</POPUPMSG>"));
    Peer.CloseConnection();
    ASSERT_TRUE(PumpUntil([&] { return Port->PortState() == psClosed; }));
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt:bye"});
}

} // namespace
