// Data packets over a port whose device is memory: bytes in, packets out.
#include "communications/VxPacket.h"
#include "communications/tests/support/PacketCases.h"
#include "communications/tests/support/PacketRun.h"
#include "communications/tests/support/PacketSetups.h"
#include "communications/tests/support/TestPty.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxPort.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Every event of every packet, as "Name:bytes".
struct TRecorder {
    std::vector<std::string> Got;
    std::function<void(TVexDataPacket*, const std::string&)> Then;
    std::vector<DWORD> Threads;

    void StringPacket(TObject* Sender, const std::string& Data) {
        auto* p = static_cast<TVexDataPacket*>(Sender);
        Got.push_back(p->Name() + ":" + Data);
        Threads.push_back(GetCurrentThreadId());
        if (Then) Then(p, Data);
    }
    void Timeout(TObject* Sender) {
        auto* p = static_cast<TVexDataPacket*>(Sender);
        std::string data;
        p->GetCollectedString(data);
        Got.push_back(p->Name() + " timed out:" + data);
        if (Then) Then(p, data);
    }
};

struct TExceptions {
    std::vector<std::string> Messages;
    std::vector<int> Codes;
    void Handle(TObject*, Exception* E) {
        Messages.push_back(E->Message);
        auto* vex = dynamic_cast<EVEXException*>(E);
        Codes.push_back(vex != nullptr ? vex->ErrorCode() : 0);
    }
};

class PacketTest : public ::testing::Test {
public:
    void SetUp() override {
        MainThreadId(); // the test's thread is the main thread
        Application->OnException = TExceptionEvent::Bind<&TExceptions::Handle>(&Errors);
    }
    void TearDown() override {
        if (Port) {
            Port->SetOpen(false);
            PumpUntil([&] { return Port->PortState() == psClosed; });
        }
        for (TVexDataPacket* p : Made) delete p;
        Made.clear();
        Port.reset();
        Pump();
        Application->OnException = nullptr;
        SetTicksForTesting(std::nullopt);
    }

    void OpenPort(TMemoryDispatcher::TMode Mode = TMemoryDispatcher::TMode::Manual) {
        if (!Port) Port = std::make_unique<TMemoryPort>(Mode);
        Port->SetOpen(true);
        ASSERT_EQ(Port->PortState(), psOpen);
    }

    TVexDataPacket* Make(const TPacketSetup& s, TVexCustomComPort* On = nullptr) {
        auto* p = new TVexDataPacket(nullptr);
        Made.push_back(p);
        ApplySetup(*p, s);
        p->OnStringPacket = TStringPacketNotifyEvent::Bind<&TRecorder::StringPacket>(&Rec);
        p->OnTimeout = TNotifyEvent::Bind<&TRecorder::Timeout>(&Rec);
        p->SetComPort(On != nullptr ? On : Port.get());
        if (s.Enabled) p->SetEnabled(true);
        return p;
    }
    void Forget(TVexDataPacket* p) { std::erase(Made, p); }

    // Bytes reach the device and one dispatch pass runs.
    void Feed(const std::string& Bytes) {
        Port->Device()->Receive(Bytes);
        Port->ProcessCommunications();
    }

    static void Pump() {
        for (int i = 0; i < 5; ++i) ProcessMessages();
    }
    // Serves messages and synchronised calls until Done or the time runs out.
    static bool PumpUntil(const std::function<bool()>& Done, DWORD Ms = 5000) {
        const std::uint64_t deadline = MonotonicMs() + Ms;
        while (!Done()) {
            if (MonotonicMs() > deadline) return false;
            ProcessMessages();
            CheckSynchronize(1);
        }
        return true;
    }
    TVexDataPacketManager* Manager() const { return PacketManagerList->GetPortManager(Port.get()); }

    std::unique_ptr<TMemoryPort> Port;
    std::vector<TVexDataPacket*> Made;
    TRecorder Rec;
    TExceptions Errors;
};

// --- Matching -----------------------------------------------------------------------------------

class PacketMatchTest : public PacketTest, public ::testing::WithParamInterface<TPacketCase> {};

TEST_P(PacketMatchTest, DeliversExactlyTheExpectedPackets) {
    const TPacketCase& c = GetParam();
    OpenPort();
    for (const TPacketSetup& s : c.Packets) Make(s);
    for (const std::string& bytes : c.Arrivals) Feed(bytes);
    EXPECT_EQ(Rec.Got, c.Expected) << c.What;
    EXPECT_TRUE(Errors.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Conditions, PacketMatchTest, ::testing::ValuesIn(MatchCases),
                         [](const ::testing::TestParamInfo<TPacketCase>& p) {
                             return "Case" + std::to_string(p.index);
                         });

class PacketSplitTest : public PacketTest, public ::testing::WithParamInterface<TPacketCase> {};

// However the bytes are split into arrivals, the same packets come in the same order.
TEST_P(PacketSplitTest, EverySplitDeliversTheSame) {
    const TPacketCase& c = GetParam();
    std::string stream;
    for (const std::string& bytes : c.Arrivals) stream += bytes;
    EXPECT_EQ(RunPackets(c.Packets, {stream}), c.Expected) << c.What << ", whole";
    for (std::size_t at = 1; at < stream.size(); ++at)
        EXPECT_EQ(RunPackets(c.Packets, SplitAt(stream, at)), c.Expected)
            << c.What << ", cut before byte " << at;
    EXPECT_EQ(RunPackets(c.Packets, Bytewise(stream)), c.Expected) << c.What << ", byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Conditions, PacketSplitTest, ::testing::ValuesIn(MatchCases),
                         [](const ::testing::TestParamInfo<TPacketCase>& p) {
                             return "Case" + std::to_string(p.index);
                         });

TEST_F(PacketTest, BytesThatBeginNoMatchLeaveTheCollector) {
    OpenPort();
    Make(PopUpPckt);
    Feed("noise<POP");
    EXPECT_EQ(Manager()->CollectedLength(), 9); // a partial start match keeps them
    Feed("UPMSG>x</POPUPMSG>tail");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt:x"});
    EXPECT_EQ(Manager()->CollectedLength(), 0);
}

TEST_F(PacketTest, APacketCollectedOverManyArrivalsComesWhole) {
    OpenPort();
    Make(Between("<", ">"));
    std::string body;
    for (int i = 0; i < 100 * 1024; ++i) body += static_cast<char>('a' + i % 26);
    Feed("<");
    for (std::size_t at = 0; at < body.size(); at += 1024) Feed(body.substr(at, 1024));
    Feed(">");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"P:<" + body + ">"}); // strings included
}

TEST_F(PacketTest, CapturingPacketKeepsOthersFromMatching) {
    OpenPort();
    TVexDataPacket* popup = Make(PopUpPckt);
    TVexDataPacket* response = Make(ResponseDPkt);
    response->SetEnabled(true);
    EXPECT_EQ(response->Mode(), dpCollecting);
    EXPECT_EQ(Manager()->Capture(), response);
    EXPECT_EQ(popup->Mode(), dpWaitStart);
    Feed("<POPUPMSG>");
    EXPECT_EQ(popup->Mode(), dpWaitStart); // saw nothing
    Feed("#");
    EXPECT_EQ(Manager()->Capture(), nullptr);
    EXPECT_FALSE(response->Enabled()); // AutoEnable False
    Feed("<POPUPMSG>z</POPUPMSG>");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"ResponseDPkt:<POPUPMSG>#", "PopUpPckt:z"}));
}

TEST_F(PacketTest, AnyDataPacketWaitsForTheCaptureToEnd) {
    OpenPort();
    Make(Between("<", ">"));
    TPacketSetup any = AnyData({ecPacketSize}, "", 2);
    any.Name = "Any";
    any.Enabled = false;
    TVexDataPacket* p = Make(any);
    Feed("<ab");
    p->SetEnabled(true); // the capture is taken: it waits
    EXPECT_EQ(p->Mode(), dpIdle);
    Feed("c>xyz");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"P:<abc>", "Any:xy"}));
}

TEST_F(PacketTest, StringPacketAndDataPacketSeeTheSameBytes) {
    OpenPort();
    TVexDataPacket* p = Make(PopUpPckt);
    std::string viaData;
    struct TData {
        std::string* Into;
        void Packet(TObject*, void* Data, int Size) { Into->assign(static_cast<char*>(Data), Size); }
    } sink{&viaData};
    p->OnPacket = TPacketNotifyEvent::Bind<&TData::Packet>(&sink);
    Feed(std::string("<POPUPMSG>a\0b</POPUPMSG>", 24));
    EXPECT_EQ(viaData, std::string("a\0b", 3));
    EXPECT_EQ(Rec.Got, std::vector<std::string>{std::string("PopUpPckt:a\0b", 13)});
    std::string after;
    p->GetCollectedString(after);
    EXPECT_EQ(after, ""); // the bytes have left the collector
}

TEST_F(PacketTest, AutoEnableFalseDeliversOnce) {
    OpenPort();
    TPacketSetup s = StartOnly("OK");
    s.AutoEnable = false;
    TVexDataPacket* p = Make(s);
    Feed("OK OK");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"P:OK"});
    EXPECT_FALSE(p->Enabled());
    p->SetEnabled(true);
    Feed("OK");
    EXPECT_EQ(Rec.Got.size(), 2u);
}

TEST_F(PacketTest, BytesArrivingDuringAHandlerAreMatchedAfterIt) {
    OpenPort();
    Make(PopUpPckt);
    bool first = true;
    Rec.Then = [&](TVexDataPacket*, const std::string&) {
        if (!first) return;
        first = false;
        // The dispatcher is busy delivering: this pass only fills its ring.
        Feed("<POPUPMSG>second</POPUPMSG>");
    };
    Feed("<POPUPMSG>first</POPUPMSG>");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"PopUpPckt:first", "PopUpPckt:second"}));
}

TEST_F(PacketTest, SettingTheEndStringRearmsAnEnabledPacket) {
    OpenPort();
    TVexDataPacket* p = Make(Between("<", ">"));
    Feed("<ab");
    p->SetEndString("]"); // the partial packet is dropped with the old arming
    Feed("c]<d]");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"P:<d]"});
}

// --- Property errors ----------------------------------------------------------------------------

struct TErrorCase {
    const char* What;
    TPacketSetup Setup;
    int Code;
    const char* Text;
};

void PrintTo(const TErrorCase& c, std::ostream* os) {
    *os << c.What;
}

class PacketErrorTest : public PacketTest, public ::testing::WithParamInterface<TErrorCase> {};

TEST_P(PacketErrorTest, ArmingRaisesAndLeavesThePacketDisabled) {
    const TErrorCase& c = GetParam();
    OpenPort();
    TPacketSetup s = c.Setup;
    s.Enabled = false;
    TVexDataPacket* p = Make(s);
    try {
        p->SetEnabled(true);
        FAIL() << c.What << ": no exception";
    } catch (const EInvalidProperty& e) {
        EXPECT_EQ(e.ErrorCode(), c.Code) << c.What;
        EXPECT_EQ(e.Message, c.Text) << c.What;
    }
    EXPECT_FALSE(p->Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PacketErrorTest,
    ::testing::Values(
        TErrorCase{"empty start string", StartOnly(""), ecStartStringEmpty, "Start string is empty"},
        TErrorCase{"a lone backslash matches nothing", StartOnly("\\"), ecStartStringEmpty,
                   "Start string is empty"},
        TErrorCase{"size below the start string",
                   [] {
                       TPacketSetup s = StartOnly("ABC");
                       s.End = {ecPacketSize};
                       s.Size = 2;
                       return s;
                   }(),
                   ecPacketSmallerThanStart, "Packet size cannot be smaller than start string"},
        TErrorCase{"any data without an end", AnyData({}, ""), ecNoEndCondition,
                   "CharCount packets must have an end-condition"},
        TErrorCase{"empty end string", Between("A", ""), ecEndStringEmpty, "End string is empty"},
        TErrorCase{"size zero", AnyData({ecPacketSize}, "", 0), ecPacketSizeZero,
                   "Packet size cannot be zero"},
        TErrorCase{"negative size", AnyData({ecPacketSize}, "", -4), ecPacketSizeZero,
                   "Packet size cannot be zero"}),
    [](const ::testing::TestParamInfo<TErrorCase>& p) { return "Case" + std::to_string(p.index); });

TEST_F(PacketTest, SettingsAreCheckedOnlyWhenThePortIsOpen) {
    Port = std::make_unique<TMemoryPort>();
    TVexDataPacket* bad = Make(StartOnly("")); // armed while closed: nothing to check yet
    EXPECT_TRUE(bad->Enabled());
    Make(StartOnly("OK"));
    OpenPort();
    // The bad packet is reported and disabled, the port opens and the others match.
    EXPECT_EQ(Errors.Codes, std::vector<int>{ecStartStringEmpty});
    EXPECT_FALSE(bad->Enabled());
    Feed("OK");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"P:OK"});
}

// --- Time-outs ----------------------------------------------------------------------------------

TEST_F(PacketTest, TimeOutHandsOverWhatCameAfterTheStartAndDisables) {
    SetTicksForTesting(1000);
    OpenPort();
    TVexDataPacket* popup = Make(PopUpPckt);
    Feed("<POPUPMSG>half");
    SetTicksForTesting(1099);
    Port->ProcessCommunications();
    EXPECT_TRUE(Rec.Got.empty());
    SetTicksForTesting(1101);
    Port->ProcessCommunications();
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt timed out:half"});
    EXPECT_FALSE(popup->Enabled()); // whatever AutoEnable says
    EXPECT_EQ(Manager()->CollectedLength(), 0);
    Feed("<POPUPMSG>x</POPUPMSG>");
    EXPECT_EQ(Rec.Got.size(), 1u);
}

TEST_F(PacketTest, TimeOutWithoutFlushKeepsTheBytesForTheOthers) {
    SetTicksForTesting(1000);
    OpenPort();
    TPacketSetup any = AnyData({ecString}, "#");
    any.Name = "Any";
    any.TimeOut = 10;
    TVexDataPacket* p = Make(any);
    p->SetFlushOnTimeout(false);
    Make(StartOnly("OK"));
    Feed("xxOK");
    SetTicksForTesting(1011);
    Port->ProcessCommunications();
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"Any timed out:xxOK", "P:OK"}));
}

TEST_F(PacketTest, ZeroTimeOutNeverTimesOut) {
    SetTicksForTesting(1000);
    OpenPort();
    TPacketSetup s = PopUpPckt;
    s.TimeOut = 0;
    Make(s);
    Feed("<POPUPMSG>a");
    SetTicksForTesting(1000 + 100000);
    Port->ProcessCommunications();
    Feed("</POPUPMSG>");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt:a"});
}

// --- Handlers that pump, close, free ------------------------------------------------------------

TEST_F(PacketTest, DataStaysPutWhileTheHandlerPumpsAndClosesThePort) {
    OpenPort();
    TVexDataPacket* p = Make(PopUpPckt);
    std::string before, after;
    struct TSink {
        std::function<void(void*, int)> Body;
        void Packet(TObject*, void* Data, int Size) { Body(Data, Size); }
    } sink;
    sink.Body = [&](void* Data, int Size) {
        before.assign(static_cast<char*>(Data), Size);
        Feed(std::string(9000, 'x')); // more than the collector's first block
        Pump();
        Port->SetOpen(false); // the collector is disabled under the handler
        Pump();
        after.assign(static_cast<char*>(Data), Size);
    };
    p->OnPacket = TPacketNotifyEvent::Bind<&TSink::Packet>(&sink);
    Feed("<POPUPMSG>payload</POPUPMSG>");
    EXPECT_EQ(before, "payload");
    EXPECT_EQ(after, "payload");
    PumpUntil([&] { return Port->PortState() == psClosed; });
    EXPECT_EQ(Port->PortState(), psClosed);
    EXPECT_TRUE(p->Enabled()); // Enabled survives the close

    p->OnPacket = nullptr;
    OpenPort();
    Feed("<POPUPMSG>again</POPUPMSG>");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"PopUpPckt:payload", "PopUpPckt:again"}));
}

TEST_F(PacketTest, PacketFreedInItsOwnHandler) {
    OpenPort();
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
}

TEST_F(PacketTest, PortFreedInsideAPacketHandler) {
    OpenPort();
    const int before = PacketManagerList->Count();
    TVexDataPacket* p = Make(PopUpPckt);
    auto* disp = static_cast<TStepDispatcher*>(Port->GetDispatcher());
    std::string after;
    struct TSink {
        std::function<void(void*, int)> Body;
        void Packet(TObject*, void* Data, int Size) { Body(Data, Size); }
    } sink;
    sink.Body = [&](void* Data, int Size) {
        Port.reset();
        after.assign(static_cast<char*>(Data), Size);
    };
    p->OnPacket = TPacketNotifyEvent::Bind<&TSink::Packet>(&sink);
    disp->Receive("<POPUPMSG>gone</POPUPMSG>");
    disp->ProcessCommunications(); // the port is gone when it returns; its dispatcher lingers
    EXPECT_EQ(after, "gone");
    EXPECT_EQ(p->ComPort(), nullptr);
    PumpUntil([&] { return PacketManagerList->Count() == before; }, 1000);
    EXPECT_EQ(PacketManagerList->Count(), before);
}

TEST_F(PacketTest, PacketFreedInItsTimeOutHandler) {
    SetTicksForTesting(1000);
    OpenPort();
    TVexDataPacket* doomed = Make(PopUpPckt);
    Make(StartOnly("OK"));
    Rec.Then = [&](TVexDataPacket* p, const std::string&) {
        if (p != doomed) return;
        Forget(p);
        delete p;
    };
    Feed("<POPUPMSG>OK");
    SetTicksForTesting(1200);
    Port->ProcessCommunications();
    Feed("OK");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"PopUpPckt timed out:OK", "P:OK"}));
}

TEST_F(PacketTest, HandlerExceptionGoesToTheApplicationAndTheDeliveryCompletes) {
    OpenPort();
    TVexDataPacket* p = Make(StartOnly("OK"));
    struct TThrower {
        int Calls = 0;
        void Packet(TObject*, void*, int) {
            ++Calls;
            throw Exception("handler failed");
        }
    } thrower;
    p->OnPacket = TPacketNotifyEvent::Bind<&TThrower::Packet>(&thrower);
    Feed("OKOK");
    EXPECT_EQ(thrower.Calls, 2);
    EXPECT_TRUE(Rec.Got.empty()); // a failing OnPacket skips OnStringPacket
    EXPECT_EQ(Errors.Messages, (std::vector<std::string>{"handler failed", "handler failed"}));
    EXPECT_EQ(Manager()->CollectedLength(), 0);
}

TEST_F(PacketTest, RearmingInsideTheHandlerWaitsForItsEnd) {
    OpenPort();
    TPacketSetup s = AnyData({ecPacketSize}, "", 2);
    s.AutoEnable = false;
    TVexDataPacket* p = Make(s);
    Rec.Then = [&](TVexDataPacket* packet, const std::string& data) {
        if (data != "ab") return;
        packet->SetPacketSize(3);
        packet->SetEnabled(true); // deferred: the packet still sees nothing during the handler
        EXPECT_EQ(packet->Mode(), dpIdle);
    };
    Feed("abcde");
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"P:ab", "P:cde"}));
    EXPECT_FALSE(p->Enabled());
}

TEST_F(PacketTest, BadSettingsMadeInAHandlerAreReportedWhenItEnds) {
    OpenPort();
    TVexDataPacket* p = Make(StartOnly("OK"));
    Make(Between("<", ">"));
    Rec.Then = [&](TVexDataPacket* packet, const std::string&) {
        if (packet == p) packet->SetStartString(""); // takes effect when it is armed again
    };
    Feed("OK<a>OK");
    EXPECT_EQ(Errors.Codes, std::vector<int>{ecStartStringEmpty}); // once: the packet is disabled
    EXPECT_FALSE(p->Enabled());
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"P:OK", "P:<a>"}));
}

TEST_F(PacketTest, TimeOutsSurviveThePortLosingItsTriggers) {
    SetTicksForTesting(1000);
    OpenPort();
    Make(PopUpPckt);
    Port->RemoveAllTriggers();
    Port->SetTriggerLength(1);
    Feed("<POPUPMSG>x");
    SetTicksForTesting(1200);
    Port->ProcessCommunications();
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt timed out:x"});
}

// --- Collectors ---------------------------------------------------------------------------------

TEST_F(PacketTest, OneCollectorPerPortFreedAfterItsLastPacketLeaves) {
    OpenPort();
    const int before = PacketManagerList->Count();
    TVexDataPacket* a = Make(StartOnly("A"));
    TVexDataPacket* b = Make(StartOnly("B"));
    EXPECT_EQ(a->Manager(), b->Manager());
    EXPECT_EQ(PacketManagerList->Count(), before + 1);
    a->SetComPort(nullptr);
    b->SetComPort(nullptr);
    b->SetComPort(Port.get()); // back before the collector's message is handled
    Pump();
    ASSERT_EQ(PacketManagerList->Count(), before + 1);
    EXPECT_EQ(b->Manager(), Manager());
    Feed("B");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"P:B"});
    b->SetComPort(nullptr);
    Pump();
    EXPECT_EQ(PacketManagerList->Count(), before);
}

TEST_F(PacketTest, PortDestroyedUnderItsPackets) {
    OpenPort();
    const int before = PacketManagerList->Count();
    TVexDataPacket* p = Make(PopUpPckt);
    Feed("<POPUPMSG>par");
    Port.reset();
    EXPECT_EQ(p->ComPort(), nullptr);
    EXPECT_EQ(p->Manager(), nullptr);
    Pump();
    EXPECT_EQ(PacketManagerList->Count(), before);
    // A new port, possibly at the same address, gets a fresh collector.
    OpenPort();
    p->SetComPort(Port.get());
    Feed("<POPUPMSG>new</POPUPMSG>");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt:new"});
}

TEST_F(PacketTest, PacketsOwnedWithThePortGoTogether) {
    auto* form = new TComponent(nullptr);
    auto* port = new TMemoryPort();
    form->InsertComponent(port);
    auto* p = new TVexDataPacket(form);
    p->SetStartString("OK");
    p->SetComPort(port);
    port->SetOpen(true);
    p->SetEnabled(true);
    const int before = PacketManagerList->Count();
    delete form;
    Pump();
    EXPECT_EQ(PacketManagerList->Count(), before - 1);
}

TEST_F(PacketTest, ClosingDisarmsAndOpeningArmsAgain) {
    OpenPort();
    TVexDataPacket* p = Make(PopUpPckt);
    Feed("<POPUPMSG>lost");
    Port->SetOpen(false);
    EXPECT_EQ(p->Mode(), dpIdle);
    EXPECT_TRUE(p->Enabled());
    EXPECT_EQ(Manager()->CollectedLength(), 0);
    OpenPort();
    EXPECT_EQ(p->Mode(), dpWaitStart);
    Feed("</POPUPMSG><POPUPMSG>kept</POPUPMSG>");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt:kept"});
}

TEST_F(PacketTest, ClosingDuringACaptureDeliversNothing) {
    OpenPort();
    for (const TPacketSetup& s : Switcher(true)) Make(s);
    Feed("<POPUPMSG>inside the reply</POPUPMSG>"); // the reply's, which never ends
    Port->SetOpen(false); // the capture is dropped with the bytes, not offered to the pop-up
    EXPECT_TRUE(Rec.Got.empty());
    EXPECT_EQ(Manager()->CollectedLength(), 0);
}

TEST_F(PacketTest, LoadedArmsWhatWasEnabledWhileLoading) {
    OpenPort();
    TComponent form(nullptr);
    auto* p = new TVexDataPacket(&form);
    form.BeginLoading();
    p->SetName("P");
    p->SetStartString("OK");
    p->SetComPort(Port.get());
    p->OnStringPacket = TStringPacketNotifyEvent::Bind<&TRecorder::StringPacket>(&Rec);
    p->SetEnabled(true);
    EXPECT_EQ(p->Mode(), dpIdle);
    form.EndLoading();
    EXPECT_EQ(p->Mode(), dpWaitStart);
    Feed("OK");
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"P:OK"});
}

TEST_F(PacketTest, DispatchLogRecordsPacketEvents) {
    OpenPort();
    Port->SetLogging(tlOn);
    Make(PopUpPckt);
    Feed("<POPUPMSG>logged</POPUPMSG>");
    const std::string file = ::testing::TempDir() + "packet_log.txt";
    Port->DumpLog(file, false);
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(file.c_str());
    EXPECT_NE(text.find("Packet    Enable"), std::string::npos) << text;
    EXPECT_NE(text.find("Packet:PopUpPckt"), std::string::npos);
    EXPECT_NE(text.find("StringPacket"), std::string::npos);
    EXPECT_NE(text.find("logged"), std::string::npos);
}

// --- Waiting ------------------------------------------------------------------------------------

PacketTest* TimerTest = nullptr;
std::string TimerBytes;
std::optional<std::int32_t> TimerTicks;

void FeedLater(HWND, UINT, std::uintptr_t Id, DWORD) {
    KillTimer(0, Id);
    if (TimerTicks) SetTicksForTesting(*TimerTicks);
    TimerTest->Port->Device()->Receive(TimerBytes);
    TimerTest->Port->ProcessCommunications();
}

TEST_F(PacketTest, WaitForStringReturnsTheDeliveredBytes) {
    OpenPort();
    TPacketSetup s = PopUpPckt;
    s.Enabled = false;
    TVexDataPacket* p = Make(s);
    TimerTest = this;
    TimerBytes = "<POPUPMSG>waited</POPUPMSG>";
    TimerTicks.reset();
    SetTimer(0, 0, 5, &FeedLater);
    std::string got;
    EXPECT_TRUE(p->WaitForString(got));
    EXPECT_EQ(got, "waited");
    EXPECT_FALSE(p->AutoEnable());
    EXPECT_FALSE(p->Enabled());
    void* data = nullptr;
    int size = 0;
    p->GetCollectedData(data, size); // the packet's own copy
    EXPECT_EQ(std::string(static_cast<char*>(data), size), "waited");
}

TEST_F(PacketTest, WaitForPacketEndsOnTimeOut) {
    SetTicksForTesting(1000);
    OpenPort();
    TPacketSetup s = PopUpPckt;
    s.Enabled = false;
    TVexDataPacket* p = Make(s);
    TimerTest = this;
    TimerBytes = "<POPUPMSG>never closed";
    TimerTicks = 1000;
    SetTimer(0, 0, 5, &FeedLater);
    struct TLater {
        static void Expire(HWND, UINT, std::uintptr_t Id, DWORD) {
            KillTimer(0, Id);
            SetTicksForTesting(1500);
            TimerTest->Port->ProcessCommunications();
        }
    };
    SetTimer(0, 0, 20, &TLater::Expire);
    void* data = nullptr;
    int size = -1;
    EXPECT_FALSE(p->WaitForPacket(data, size));
    EXPECT_EQ(size, -1); // untouched
    EXPECT_EQ(Rec.Got, std::vector<std::string>{"PopUpPckt timed out:never closed"});
}

TEST_F(PacketTest, WaitEndsOnAQuit) {
    OpenPort();
    TPacketSetup s = PopUpPckt;
    s.Enabled = false;
    TVexDataPacket* p = Make(s);
    PostQuitMessage(0);
    std::string got = "unchanged";
    EXPECT_FALSE(p->WaitForString(got));
    EXPECT_EQ(got, "unchanged");
    MSG quit;
    EXPECT_TRUE(PeekMessage(&quit, 0, WM_QUIT, WM_QUIT, PM_REMOVE)); // left for the program's loop
}

// --- A port with a dispatch thread --------------------------------------------------------------

TEST_F(PacketTest, OnADispatchThreadTheEventsRunOnTheMainThread) {
    Port = std::make_unique<TMemoryPort>(TMemoryDispatcher::TMode::Worker);
    Make(PopUpPckt);
    Make(ErrorDPckt);
    OpenPort();
    Port->Device()->Receive("<POPUPMSG>one</POPUPMSG>!ERR_ r");
    ASSERT_TRUE(PumpUntil([&] { return Rec.Got.size() == 2; }));
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"PopUpPckt:one", "ErrorDPckt:!ERR_ r"}));
    EXPECT_EQ(Rec.Threads, (std::vector<DWORD>{MainThreadId(), MainThreadId()}));
}

TEST_F(PacketTest, OnADispatchThreadAHandlerMayCloseThePort) {
    Port = std::make_unique<TMemoryPort>(TMemoryDispatcher::TMode::Worker);
    Make(PopUpPckt);
    OpenPort();
    std::string after;
    struct TSink {
        std::function<void(void*, int)> Body;
        void Packet(TObject*, void* Data, int Size) { Body(Data, Size); }
    } sink;
    TVexDataPacket* p = Made.back();
    sink.Body = [&](void* Data, int Size) {
        Port->SetOpen(false);
        after.assign(static_cast<char*>(Data), Size);
    };
    p->OnPacket = TPacketNotifyEvent::Bind<&TSink::Packet>(&sink);
    Port->Device()->Receive("<POPUPMSG>bye</POPUPMSG>");
    ASSERT_TRUE(PumpUntil([&] { return Port->PortState() == psClosed; }));
    EXPECT_EQ(after, "bye");
}

TEST_F(PacketTest, ClosingWhileTheDispatchThreadDelivers) {
    Port = std::make_unique<TMemoryPort>(TMemoryDispatcher::TMode::Worker);
    Make(StartOnly("A"));
    OpenPort();
    for (int i = 0; i < 20; ++i) {
        Port->Device()->Receive(std::string(200, 'A'));
        Port->SetOpen(false);
        Port->SetOpen(true);
        PumpUntil([&] { return Port->PortState() == psOpen; }, 1000);
    }
    Port->Device()->Receive("A");
    const std::size_t seen = Rec.Got.size();
    ASSERT_TRUE(PumpUntil([&] { return Rec.Got.size() > seen; }));
}

// --- A serial port on a pseudo-terminal ---------------------------------------------------------

TEST_F(PacketTest, OverASerialPortOnAPseudoTerminal) {
    TPty pty(9);
    TVexComPort serial(nullptr);
    serial.SetComNumber(9);
    serial.SetAutoOpen(false);
    Make(PopUpPckt, &serial);
    Make(ErrorDPckt, &serial);
    serial.SetOpen(true);
    ASSERT_EQ(serial.PortState(), psOpen);
    pty.Send("noise<POPUP");
    pty.Send("MSG>serial</POPUPMSG>!ERR_ ove");
    pty.Send("r\r\n");
    ASSERT_TRUE(PumpUntil([&] { return Rec.Got.size() == 2; }));
    EXPECT_EQ(Rec.Got, (std::vector<std::string>{"PopUpPckt:serial", "ErrorDPckt:!ERR_ over"}));
    EXPECT_EQ(Rec.Threads, (std::vector<DWORD>{MainThreadId(), MainThreadId()}));
    serial.SetOpen(false);
    PumpUntil([&] { return serial.PortState() == psClosed; });
}

} // namespace
