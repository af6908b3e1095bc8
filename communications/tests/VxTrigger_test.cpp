#include "communications/VxTrigger.h"

#include "communications/VxErrors.h"
#include "communications/VxMisc.h"
#include "communications/VxUser.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// --- The slot matcher ---------------------------------------------------------------------------

TDataTrigger MakeTrigger(const std::string& pattern, bool ignoreCase) {
    TDataTrigger t;
    t.Len = static_cast<DWORD>(pattern.size());
    t.IgnoreCase = ignoreCase;
    for (std::size_t i = 0; i < pattern.size(); ++i)
        t.Data[i] = ignoreCase ? TriggerUpCase(pattern[i]) : pattern[i];
    return t;
}

// The 1-based positions of the bytes that complete a match.
std::vector<int> Firings(TDataTrigger t, const std::string& stream) {
    std::vector<int> at;
    for (std::size_t i = 0; i < stream.size(); ++i)
        if (t.Match(stream[i])) at.push_back(static_cast<int>(i) + 1);
    return at;
}

struct MatchCase {
    const char* name;
    std::string pattern;
    bool ignoreCase;
    std::string stream;
    std::vector<int> firings;
};

const std::string Longest = "abcdefghijklmnopqrstu"; // 21 bytes

class MatcherTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatcherTest, FiresWhereTheStreamCompletesTheString) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(Firings(MakeTrigger(c.pattern, c.ignoreCase), c.stream), c.firings);
}

// The same stream arriving in one read gives one data notification per firing.
TEST_P(MatcherTest, TheDispatcherNotifiesEachFiring) {
    const MatchCase& c = GetParam();
    MainThreadId();
    TMemoryDispatcher disp;
    ASSERT_EQ(disp.Open(), ecOK);
    const int handle =
        disp.AddDataTriggerLen(c.pattern.data(), c.ignoreCase, static_cast<DWORD>(c.pattern.size()));
    ASSERT_GT(handle, 0);
    int notified = 0;
    struct TCounter {
        int* Count;
        void Notify(UINT Msg, UINT, int) { *Count += Msg == TriggerDataMsg ? 1 : 0; }
    } counter{&notified};
    disp.RegisterEventTriggerHandler(TVexNotifyEvent::Bind<&TCounter::Notify>(&counter));
    disp.Receive(c.stream);
    disp.DispatchPass();
    EXPECT_EQ(notified, static_cast<int>(c.firings.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MatcherTest,
    ::testing::Values(
        MatchCase{"OverlapFiresAtThreeAndFive", "ABA", false, "ABABA", {3, 5}},
        // A completed match clears every slot, so the candidate begun on the fifth byte is lost.
        MatchCase{"OverlapNotAtSeven", "ABA", false, "ABABABA", {3, 5}},
        MatchCase{"StartInsidePartialMatch", "aab", false, "aaab", {4}},
        MatchCase{"RepeatedByte", "AA", false, "AAAAA", {2, 3, 5}},
        MatchCase{"AfterOtherBytes", "OK", false, "xyOK", {4}},
        MatchCase{"CaseMatters", "ok", false, "OKokOk", {4}},
        MatchCase{"IgnoreCase", "ok", true, "xOkOK", {3, 5}},
        MatchCase{"IgnoreCaseEightBit", "\xe9t\xe9", true, "\xc9T\xc9t\xe9", {3, 5}},
        MatchCase{"TwentyOneBytes", Longest, false, "xx" + Longest + "abc" + Longest, {23, 47}},
        MatchCase{"EmptyNeverMatches", "", false, "anything", {}}),
    [](const auto& param) { return std::string(param.param.name); });

// --- Dispatcher fixture -------------------------------------------------------------------------

struct TNote {
    UINT Msg;
    UINT WParam;
    int Data;
};

// Records every notification; Body runs inside the delivery.
struct TRecorder {
    std::vector<TNote> Notes;
    std::function<void(const TNote&)> Body;
    void Notify(UINT Msg, UINT wParam, int lParam) {
        Notes.push_back({Msg, wParam, lParam & 0xFFFF});
        if (Body) Body(Notes.back());
    }
    TVexNotifyEvent Event() { return TVexNotifyEvent::Bind<&TRecorder::Notify>(this); }
};

class TriggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId();
        ASSERT_EQ(Disp.Open(), ecOK);
        Disp.RegisterEventTriggerHandler(Rec.Event());
    }
    void TearDown() override { SetTicksForTesting(std::nullopt); }

    std::string Take(DWORD n) {
        std::string s(n, '\0');
        EXPECT_EQ(Disp.GetBlock(s.data(), n), static_cast<int>(n));
        return s;
    }
    std::vector<TNote> Pass() {
        Rec.Notes.clear();
        Disp.DispatchPass();
        return Rec.Notes;
    }

    TMemoryDispatcher Disp;
    TRecorder Rec;
};

// --- Receive triggers ---------------------------------------------------------------------------

TEST_F(TriggerTest, BytesBeforeTheStringAreAnnouncedFirst) {
    Disp.ChangeLengthTrigger(1);
    const int ok = Disp.AddDataTrigger("OK", false);
    std::string readOnAvail, readOnData;
    Rec.Body = [&](const TNote& n) {
        if (n.Msg == TriggerAvailMsg) readOnAvail += Take(n.WParam);
        if (n.Msg == TriggerDataMsg) readOnData += Take(static_cast<DWORD>(n.Data));
    };
    Disp.Receive("xyOK");
    const auto notes = Pass();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].Msg, TriggerAvailMsg);
    EXPECT_EQ(notes[0].WParam, 2u);
    EXPECT_EQ(notes[0].Data, 0);
    EXPECT_EQ(notes[1].Msg, TriggerDataMsg);
    EXPECT_EQ(notes[1].WParam, static_cast<UINT>(ok));
    EXPECT_EQ(notes[1].Data, 2);
    EXPECT_EQ(readOnAvail, "xy");
    EXPECT_EQ(readOnData, "OK");
    EXPECT_TRUE(Pass().empty());
}

// Bytes announced earlier and left unread are still unread when a string arrives after them: the
// avail before the string counts from the ring's tail, whatever the length trigger.
TEST(TriggerUnread, AvailBeforeAStringCountsEveryUnreadByte) {
    MainThreadId();
    for (DWORD length : {1u, 2u}) {
        SCOPED_TRACE(length);
        TMemoryDispatcher disp;
        ASSERT_EQ(disp.Open(), ecOK);
        TRecorder rec;
        disp.RegisterEventTriggerHandler(rec.Event());
        disp.ChangeLengthTrigger(length);
        const int ok = disp.AddDataTrigger("OK", false);
        disp.Receive("xyO");
        disp.DispatchPass();
        ASSERT_EQ(rec.Notes.size(), 1u);
        EXPECT_EQ(rec.Notes[0].WParam, 3u);
        rec.Notes.clear();
        disp.Receive("zOK");
        disp.DispatchPass();
        ASSERT_GE(rec.Notes.size(), 2u);
        EXPECT_EQ(rec.Notes[0].Msg, TriggerAvailMsg);
        EXPECT_EQ(rec.Notes[0].WParam, 4u) << "\"xyOz\": nobody read the first three";
        EXPECT_EQ(rec.Notes[1].Msg, TriggerDataMsg);
        EXPECT_EQ(rec.Notes[1].WParam, static_cast<UINT>(ok));
    }
}

TEST_F(TriggerTest, AvailIsAnnouncedOncePerArrivalAndAtTheLength) {
    Disp.ChangeLengthTrigger(5);
    Disp.Receive("abc");
    EXPECT_TRUE(Pass().empty()) << "fewer bytes than the length trigger";
    Disp.Receive("de");
    auto notes = Pass();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].WParam, 5u);
    EXPECT_TRUE(Pass().empty()) << "unread bytes are not announced again without new ones";
    Disp.Receive("f");
    notes = Pass();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].WParam, 6u);

    EXPECT_EQ(Disp.RemoveTrigger(LengthTriggerHandle), ecOK);
    Disp.Receive("g");
    EXPECT_TRUE(Pass().empty()) << "handle 1 switches avail notifications off";
}

TEST_F(TriggerTest, LaterTriggersInTheListAreNotifiedFirst) {
    const int first = Disp.AddDataTrigger("OK", false);
    const int second = Disp.AddDataTrigger("K", false);
    Disp.Receive("OK");
    const auto notes = Pass();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].WParam, static_cast<UINT>(second));
    EXPECT_EQ(notes[0].Data, 1);
    EXPECT_EQ(notes[1].WParam, static_cast<UINT>(first));
    EXPECT_EQ(notes[1].Data, 2);
}

TEST_F(TriggerTest, ATriggerRemovedByAHandlerIsNotNotified) {
    const int first = Disp.AddDataTrigger("OK", false);
    const int second = Disp.AddDataTrigger("K", false);
    Rec.Body = [&](const TNote& n) {
        if (n.WParam == static_cast<UINT>(second)) {
            EXPECT_EQ(Disp.RemoveTrigger(first), ecOK);
        }
    };
    Disp.Receive("OK");
    const auto notes = Pass();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].WParam, static_cast<UINT>(second));
}

TEST_F(TriggerTest, FlushResetsPartialMatches) {
    Disp.AddDataTrigger("OK", false);
    Disp.Receive("O");
    EXPECT_TRUE(Pass().empty());
    Disp.FlushInBuffer();
    Disp.Receive("K");
    EXPECT_TRUE(Pass().empty());
}

// A string wait holds the port and reads outside any notification; what it took is neither matched
// nor announced afterwards.
TEST_F(TriggerTest, BytesTakenByAStringWaitAreNotMatchedAgain) {
    Disp.ChangeLengthTrigger(1);
    Disp.AddDataTrigger("OK", false);
    bool held = false;
    Disp.SetEventBusy(held, true);
    Disp.Receive("abOK");
    Disp.DispatchPass();
    EXPECT_EQ(Take(4), "abOK");
    Disp.SetEventBusy(held, false);
    EXPECT_TRUE(Pass().empty());

    Disp.Receive("cd");
    auto notes = Pass();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Msg, TriggerAvailMsg);
    EXPECT_EQ(notes[0].WParam, 2u);
    Take(2);

    // A wait that took a partly matched string leaves no half match behind.
    Disp.Receive("O");
    Pass();
    Take(1);
    Disp.SetEventBusy(held, true);
    Disp.Receive("xO");
    Disp.DispatchPass();
    Take(2);
    Disp.SetEventBusy(held, false);
    Disp.Receive("K");
    notes = Pass();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Msg, TriggerAvailMsg) << "\"O\" was taken by the wait: no \"OK\"";
}

TEST_F(TriggerTest, AFullRingIsScannedAndAnnounced) {
    Disp.ChangeLengthTrigger(1);
    Disp.AddDataTrigger("END", false);
    std::string stream(ReceiveRingSize - 3, 'x');
    stream += "END";
    Disp.Receive(stream);
    const auto notes = Pass();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].WParam, ReceiveRingSize - 3);
    EXPECT_EQ(notes[1].Msg, TriggerDataMsg);
    EXPECT_EQ(notes[2].WParam, ReceiveRingSize) << "nobody read: the whole ring is announced";
}

// --- Timer and status triggers ------------------------------------------------------------------

TEST_F(TriggerTest, TimerFiresAfterItsTicksOnceAndOnlyWhenArmed) {
    SetTicksForTesting(1000);
    const int t = Disp.AddTimerTrigger();
    ASSERT_GT(t, 0);
    SetTicksForTesting(2000);
    EXPECT_TRUE(Pass().empty()) << "new timers are disarmed";

    SetTicksForTesting(1000);
    ASSERT_EQ(Disp.SetTimerTrigger(t, 5, true), ecOK);
    std::int32_t left = 0;
    SetTicksForTesting(1003);
    EXPECT_EQ(Disp.TimerTicksRemaining(t, left), ecOK);
    EXPECT_EQ(left, 2);
    SetTicksForTesting(1005);
    EXPECT_TRUE(Pass().empty());
    SetTicksForTesting(1006);
    auto notes = Pass();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Msg, TriggerTimerMsg);
    EXPECT_EQ(notes[0].WParam, static_cast<UINT>(t));
    SetTicksForTesting(1100);
    EXPECT_TRUE(Pass().empty()) << "firing disarms";

    // Re-armed with 0 ticks it runs for the ticks it had; an extension moves the expiry.
    ASSERT_EQ(Disp.SetTimerTrigger(t, 0, true), ecOK);
    ASSERT_EQ(Disp.ExtendTimer(t, 10), ecOK);
    SetTicksForTesting(1115);
    EXPECT_TRUE(Pass().empty());
    SetTicksForTesting(1116);
    EXPECT_EQ(Pass().size(), 1u);

    ASSERT_EQ(Disp.SetTimerTrigger(t, 1, true), ecOK);
    ASSERT_EQ(Disp.SetTimerTrigger(t, 0, false), ecOK);
    SetTicksForTesting(5000);
    EXPECT_TRUE(Pass().empty()) << "disarmed";
}

struct StatusCase {
    const char* name;
    DWORD type;
    WORD value;
    std::function<void(TMemoryDispatcher&)> notYet; // the condition does not hold
    std::function<void(TMemoryDispatcher&)> meet;   // now it does
    int data;
};

class StatusTriggerTest : public TriggerTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusTriggerTest, FiresOnceAtItsConditionAndAgainOnlyWhenRearmed) {
    const StatusCase& c = GetParam();
    const int h = Disp.AddStatusTrigger(c.type);
    ASSERT_GT(h, 0);
    EXPECT_EQ(static_cast<DWORD>(h) & 7, c.type) << "the handle carries the type";
    c.notYet(Disp);
    ASSERT_EQ(Disp.SetStatusTrigger(h, c.value, true), ecOK);
    EXPECT_TRUE(Pass().empty());

    c.meet(Disp);
    auto notes = Pass();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Msg, TriggerStatusMsg);
    EXPECT_EQ(notes[0].WParam, static_cast<UINT>(h));
    EXPECT_EQ(notes[0].Data, c.data);
    c.meet(Disp);
    EXPECT_TRUE(Pass().empty()) << "fired once; needs arming again";

    c.notYet(Disp);
    ASSERT_EQ(Disp.SetStatusTrigger(h, c.value, true), ecOK);
    c.meet(Disp);
    EXPECT_EQ(Pass().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Types, StatusTriggerTest,
    ::testing::Values(StatusCase{"ModemLine", stModem, ModemCts,
                                 [](TMemoryDispatcher& d) {
                                     d.ChangeModemLines(MS_DSR_ON);
                                     d.GetModemStatus();
                                 },
                                 [](TMemoryDispatcher& d) { d.ChangeModemLines(MS_DSR_ON | MS_CTS_ON); }, 0},
                      StatusCase{"LineError", stLine, 1 | 8,
                                 [](TMemoryDispatcher& d) {
                                     d.SetDeviceErrors(CE_RXPARITY);
                                     d.RefreshStatus();
                                 },
                                 [](TMemoryDispatcher& d) { d.SetDeviceErrors(CE_OVERRUN); }, 0},
                      StatusCase{"OutputBufferFree", stOutBuffFree, 100,
                                 [](TMemoryDispatcher& d) { d.SetBytesWaitingOut(4000); },
                                 [](TMemoryDispatcher& d) { d.SetBytesWaitingOut(3896); }, 200},
                      StatusCase{"OutputBufferUsed", stOutBuffUsed, 10,
                                 [](TMemoryDispatcher& d) { d.SetBytesWaitingOut(50); },
                                 [](TMemoryDispatcher& d) { d.SetBytesWaitingOut(5); }, 5},
                      StatusCase{"OutputSent", stOutSent, 0, [](TMemoryDispatcher&) {},
                                 [](TMemoryDispatcher& d) { d.PutString("b"); }, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(TriggerTest, ALineTriggerWatchesOnlyItsErrors) {
    const int h = Disp.AddStatusTrigger(stLine);
    ASSERT_EQ(Disp.SetStatusTrigger(h, 2, true), ecOK); // parity
    Disp.SetDeviceErrors(CE_OVERRUN | CE_FRAME | CE_BREAK);
    EXPECT_TRUE(Pass().empty());
    Disp.SetDeviceErrors(CE_RXPARITY);
    EXPECT_EQ(Pass().size(), 1u);
}

TEST_F(TriggerTest, AStatusTriggerRearmedByItsHandlerWaitsForTheNextPass) {
    const int h = Disp.AddStatusTrigger(stOutBuffFree);
    ASSERT_EQ(Disp.SetStatusTrigger(h, 1, true), ecOK);
    Rec.Body = [&](const TNote&) { Disp.SetStatusTrigger(h, 1, true); };
    EXPECT_EQ(Pass().size(), 1u);
    EXPECT_EQ(Pass().size(), 1u);
}

TEST_F(TriggerTest, TimersThenStatusThenReceivedData) {
    SetTicksForTesting(100);
    const int timer = Disp.AddTimerTrigger();
    Disp.SetTimerTrigger(timer, 1, true);
    const int status = Disp.AddStatusTrigger(stOutBuffFree);
    Disp.SetStatusTrigger(status, 1, true);
    Disp.ChangeLengthTrigger(1);
    Disp.Receive("z");
    Disp.ExtractData();
    SetTicksForTesting(200);
    Rec.Notes.clear();
    EXPECT_TRUE(Disp.CheckTriggers());
    EXPECT_TRUE(Disp.CheckTriggers());
    EXPECT_FALSE(Disp.CheckTriggers()) << "the avail's handler read nothing";
    ASSERT_EQ(Rec.Notes.size(), 3u);
    EXPECT_EQ(Rec.Notes[0].Msg, TriggerTimerMsg);
    EXPECT_EQ(Rec.Notes[1].Msg, TriggerStatusMsg);
    EXPECT_EQ(Rec.Notes[2].Msg, TriggerAvailMsg);
}

TEST_F(TriggerTest, NothingIsCheckedWhileEventBusy) {
    Disp.ChangeLengthTrigger(1);
    Disp.Receive("z");
    Disp.ExtractData();
    bool held = false;
    Disp.SetEventBusy(held, true);
    EXPECT_FALSE(Disp.CheckTriggers());
    Disp.SetEventBusy(held, false);
    EXPECT_FALSE(Disp.CheckTriggers()); // delivered, but nobody read
    EXPECT_EQ(Rec.Notes.size(), 1u);
}

// A string wait that takes the port between CheckTriggers' test of event busy and the choice (the
// hook stands for the moment where the other thread came in) keeps what would have fired: nothing
// is delivered, nothing is read, and all of it fires once the wait has let go.
TEST_F(TriggerTest, AWaitThatBeginsAfterTheBusyTestHoldsOffTheChoice) {
    SetTicksForTesting(100);
    const int timer = Disp.AddTimerTrigger();
    const int status = Disp.AddStatusTrigger(stOutBuffFree);
    const int data = Disp.AddDataTrigger("\r\n%", false);
    const struct {
        const char* name;
        std::function<void()> arm;
        UINT msg;
    } cases[] = {
        {"timer",
         [&] {
             Disp.SetTimerTrigger(timer, 1, true);
             SetTicksForTesting(200);
         },
         TriggerTimerMsg},
        {"status", [&] { Disp.SetStatusTrigger(status, 1, true); }, TriggerStatusMsg},
        {"avail",
         [&] {
             Disp.ChangeLengthTrigger(1);
             Disp.Receive("\r\n");
             Disp.ExtractData();
         },
         TriggerAvailMsg},
        {"data",
         [&] {
             Disp.ChangeLengthTrigger(0);
             Disp.Receive("\r\n%");
             Disp.ExtractData();
         },
         TriggerDataMsg},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arm();
        Rec.Notes.clear();
        bool held = false;
        SetTriggerChoiceHookForTesting([&] { Disp.SetEventBusy(held, true); });
        EXPECT_FALSE(Disp.CheckTriggers());
        SetTriggerChoiceHookForTesting({});
        EXPECT_TRUE(Rec.Notes.empty());
        EXPECT_TRUE(Disp.EventBusy()) << "only the wait's hold";
        Disp.SetEventBusy(held, false);
        EXPECT_FALSE(Disp.EventBusy());

        Disp.CheckTriggers();
        ASSERT_EQ(Rec.Notes.size(), 1u);
        EXPECT_EQ(Rec.Notes[0].Msg, c.msg);
        Disp.FlushInBuffer();
    }
    EXPECT_EQ(Rec.Notes[0].WParam, static_cast<UINT>(data));
}

// --- Handles ------------------------------------------------------------------------------------

TEST_F(TriggerTest, HandlesAreMultiplesOfEightAndFoundByKind) {
    const int timer = Disp.AddTimerTrigger();
    const int data = Disp.AddDataTrigger("x", false);
    const int status = Disp.AddStatusTrigger(stOutSent);
    EXPECT_EQ(timer, 8);
    EXPECT_EQ(data, 16);
    EXPECT_EQ(status, 24 + 5);
    EXPECT_EQ(TVexBaseDispatcher::ClassifyStatusTrigger(status), stOutSent);

    TTriggerType kind = ttNone;
    EXPECT_EQ(Disp.FindTriggerFromHandle(timer, false, kind), ecOK);
    EXPECT_EQ(kind, ttTimer);
    EXPECT_EQ(Disp.FindTriggerFromHandle(data + 3, false, kind), ecOK)
        << "a data handle's low bits are ignored";
    EXPECT_EQ(kind, ttData);
    EXPECT_EQ(Disp.FindTriggerFromHandle(status, false, kind), ecOK);
    EXPECT_EQ(kind, ttStatus);
    EXPECT_EQ(Disp.FindTriggerFromHandle(24, false, kind), ecBadTriggerHandle) << "type bits belong to it";
    EXPECT_EQ(kind, ttNone);

    EXPECT_EQ(Disp.SetTimerTrigger(data, 1, true), ecBadTriggerHandle);
    EXPECT_EQ(Disp.ExtendTimer(status, 1), ecBadTriggerHandle);
    std::int32_t left = 7;
    EXPECT_EQ(Disp.TimerTicksRemaining(data, left), ecBadTriggerHandle);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(Disp.SetStatusTrigger(timer, 1, true), ecBadTriggerHandle);

    EXPECT_EQ(Disp.RemoveTrigger(4000), ecBadTriggerHandle);
    EXPECT_EQ(Disp.RemoveTrigger(0), ecBadTriggerHandle);
    EXPECT_EQ(Disp.RemoveTrigger(data), ecOK);
    EXPECT_EQ(Disp.RemoveTrigger(data), ecBadTriggerHandle);
}

TEST_F(TriggerTest, AdditionsCheckTheirArguments) {
    EXPECT_EQ(Disp.AddDataTrigger(Longest.c_str(), false), 8);
    const std::string tooLong = Longest + "v";
    EXPECT_EQ(Disp.AddDataTrigger(tooLong.c_str(), false), ecTriggerTooLong);
    EXPECT_EQ(Disp.AddStatusTrigger(6), ecBadArgument);
    EXPECT_EQ(Disp.AddStatusTrigger(stNotActive), 16) << "accepted, never fires";
    EXPECT_EQ(Disp.AddTimerTrigger(), 24) << "failed additions keep no handle";
}

TEST_F(TriggerTest, HandlesAreReusedOnceTheCountIsSpent) {
    for (int i = 1; i < 4096; ++i) ASSERT_EQ(Disp.AddTimerTrigger(), i * 8);
    EXPECT_EQ(Disp.AddTimerTrigger(), ecNoMoreTriggers);
    EXPECT_EQ(Disp.AddDataTrigger("x", false), ecNoMoreTriggers);

    ASSERT_EQ(Disp.RemoveTrigger(16), ecOK);
    ASSERT_EQ(Disp.RemoveTrigger(4096), ecOK);
    ASSERT_EQ(Disp.RemoveTrigger(4104), ecOK);
    EXPECT_EQ(Disp.AddStatusTrigger(stLine), 16 + stLine);
    EXPECT_EQ(Disp.AddTimerTrigger(), 4096);
    EXPECT_EQ(Disp.AddTimerTrigger(), ecNoMoreTriggers) << "4104 is above the reuse limit";

    Disp.RemoveAllTriggers();
    EXPECT_EQ(Disp.AddTimerTrigger(), 8) << "the count starts again";
}

TEST_F(TriggerTest, TriggersSurviveAReopen) {
    Disp.ChangeLengthTrigger(3);
    const int data = Disp.AddDataTrigger("OK", false);
    const int status = Disp.AddStatusTrigger(stOutBuffFree);
    TTriggerSave save;
    Disp.SaveTriggers(save);
    Disp.DonePort();
    ASSERT_EQ(Disp.Open(), ecOK);
    Disp.RestoreTriggers(save);
    Disp.ClearSaveBuffers(save);
    EXPECT_TRUE(save.DataTriggers.empty());

    TTriggerType kind;
    EXPECT_EQ(Disp.FindTriggerFromHandle(status, false, kind), ecOK);
    EXPECT_EQ(Disp.AddTimerTrigger(), 24) << "a restored handle is never handed out again";

    Disp.Receive("abcOK");
    const auto notes = Pass();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].Msg, TriggerAvailMsg);
    EXPECT_EQ(notes[0].WParam, 3u);
    EXPECT_EQ(notes[1].WParam, static_cast<UINT>(data));
    EXPECT_EQ(notes[2].Msg, TriggerAvailMsg);
    EXPECT_EQ(notes[2].WParam, 5u) << "nothing was read";
}

// --- Threads ------------------------------------------------------------------------------------

// Triggers added and removed by another thread while the dispatch thread checks and delivers them.
TEST(TriggerThreads, ListsChangeSafelyDuringDispatch) {
    MainThreadId();
    TMemoryDispatcher disp(TMemoryDispatcher::TMode::Worker);
    ASSERT_EQ(disp.Open(), ecOK);
    std::atomic<int> notes{0};
    struct TCounter {
        std::atomic<int>* Count;
        TMemoryDispatcher* Disp;
        void Notify(UINT Msg, UINT wParam, int) {
            ++*Count;
            if (Msg == TriggerDataMsg) Disp->RemoveTrigger(wParam); // the handler changes the list too
            if (Msg == TriggerAvailMsg) {
                std::string s(wParam, '\0');
                Disp->GetBlock(s.data(), wParam);
            }
        }
    } counter{&notes, &disp};
    disp.RegisterEventTriggerHandler(TVexNotifyEvent::Bind<&TCounter::Notify>(&counter));
    disp.ChangeLengthTrigger(1);

    std::atomic<bool> stop{false};
    std::thread changer([&] {
        while (!stop) {
            const int a = disp.AddDataTrigger("ab", false);
            const int b = disp.AddStatusTrigger(stOutSent);
            disp.SetStatusTrigger(static_cast<DWORD>(b), 0, true);
            disp.RemoveTrigger(static_cast<DWORD>(a));
            disp.RemoveTrigger(static_cast<DWORD>(b));
        }
    });
    const std::uint64_t deadline = MonotonicMs() + 5000;
    for (int i = 0; i < 100; ++i) {
        disp.Receive("xxabab");
        disp.PutString("y");
        // One pass per arrival, each racing the changer.
        while (disp.DeviceInQueue() > 0 && MonotonicMs() < deadline) std::this_thread::yield();
    }
    while ((disp.DeviceInQueue() > 0 || disp.InBuffUsed() > 0) && MonotonicMs() < deadline) {
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
    stop = true;
    changer.join();
    EXPECT_EQ(disp.InBuffUsed(), 0u) << "every byte was announced and read";
    EXPECT_GT(notes.load(), 0);
}

} // namespace
