#include "communications/VxUser.h"

#include "communications/VxErrors.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// Distinct bytes, so that an offset or wrap mistake shows.
std::string Pattern(std::size_t n, int start = 0) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((start + static_cast<int>(i)) % 251);
    return s;
}

// An event handler; each Tag is a method of its own, as deregistration tells methods apart by code.
template <int Tag> struct TReader {
    std::function<void(UINT, UINT, int)> Body;
    int Calls = 0;
    UINT LastMsg = 0;
    UINT LastWParam = 0;
    int LastLParam = 0;
    void Notify(UINT Msg, UINT wParam, int lParam) {
        ++Calls;
        LastMsg = Msg;
        LastWParam = wParam;
        LastLParam = lParam;
        if (Body) Body(Msg, wParam, lParam);
    }
    TVexNotifyEvent Event() { return TVexNotifyEvent::Bind<&TReader::Notify>(this); }
};

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId(); // the test's own thread is the main thread
        ASSERT_EQ(Disp.Open(), ecOK);
    }

    // Bytes arrive at the device and are read into the ring.
    void Arrive(const std::string& bytes) {
        Disp.Receive(bytes);
        Disp.ExtractData();
    }
    std::string Take(DWORD n) {
        std::string s(n, '\0');
        EXPECT_EQ(Disp.GetBlock(s.data(), n), static_cast<int>(n));
        return s;
    }
    std::string Peek(DWORD n) {
        std::string s(n, '\0');
        EXPECT_EQ(Disp.PeekBlock(s.data(), n), static_cast<int>(n));
        return s;
    }

    TMemoryDispatcher Disp;
};

// --- Receive ring -------------------------------------------------------------------------------

TEST_F(DispatcherTest, FullRingReportsEverythingUsedAndExtractsNothingMore) {
    Disp.Receive(Pattern(ReceiveRingSize + 10));
    EXPECT_TRUE(Disp.ExtractData());
    EXPECT_EQ(Disp.InBuffUsed(), ReceiveRingSize);
    EXPECT_EQ(Disp.InBuffFree(), 0u);
    EXPECT_EQ(Disp.DeviceInQueue(), 10u);

    const std::size_t reads = Disp.ReadSizes().size();
    EXPECT_TRUE(Disp.ExtractData());
    EXPECT_EQ(Disp.ReadSizes().size(), reads) << "a full ring must not read the device";
    EXPECT_EQ(Disp.DeviceInQueue(), 10u);
    EXPECT_EQ(Take(ReceiveRingSize), Pattern(ReceiveRingSize));
    EXPECT_EQ(Disp.InBuffUsed(), 0u);
}

TEST_F(DispatcherTest, ReadsStopAtTheRingEndAndWrapInOrder) {
    constexpr int toEnd = 192;
    Arrive(Pattern(ReceiveRingSize - toEnd));
    EXPECT_EQ(Take(ReceiveRingSize - toEnd - 10), Pattern(ReceiveRingSize - toEnd - 10));
    Disp.Receive(Pattern(300, ReceiveRingSize - toEnd));
    EXPECT_TRUE(Disp.ExtractData());
    const auto sizes = Disp.ReadSizes();
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes[sizes.size() - 2], toEnd) << "first piece: up to the ring's end";
    EXPECT_EQ(sizes.back(), 300 - toEnd) << "second piece: the rest, from the ring's start";
    EXPECT_EQ(Disp.InBuffUsed(), 310u);
    EXPECT_EQ(Peek(310), Pattern(310, ReceiveRingSize - toEnd - 10));
    EXPECT_EQ(Take(310), Pattern(310, ReceiveRingSize - toEnd - 10));
}

TEST_F(DispatcherTest, AnEmptiedRingTakesAFullReadInOnePiece) {
    // Emptied at these places, the ring takes a whole ring's worth next in one read, and every
    // reader (peeks by index, blocks, single bytes) finds the bytes in order.
    int start = 0;
    for (DWORD emptiedAt : {DWORD{1}, DWORD{192}, ReceiveRingSize - 1, ReceiveRingSize, DWORD{5000}}) {
        SCOPED_TRACE(emptiedAt);
        Arrive(Pattern(emptiedAt, start));
        EXPECT_EQ(Take(emptiedAt), Pattern(emptiedAt, start));
        start += static_cast<int>(emptiedAt);
        Disp.Receive(Pattern(ReceiveRingSize, start));
        EXPECT_TRUE(Disp.ExtractData());
        EXPECT_EQ(Disp.ReadSizes().back(), static_cast<int>(ReceiveRingSize));
        EXPECT_EQ(Disp.InBuffUsed(), ReceiveRingSize);
        char c = 0;
        ASSERT_EQ(Disp.PeekCharPrim(c, ReceiveRingSize), ecOK);
        EXPECT_EQ(c, Pattern(1, start + static_cast<int>(ReceiveRingSize) - 1)[0]);
        ASSERT_EQ(Disp.GetChar(c), ecOK);
        EXPECT_EQ(c, Pattern(1, start)[0]);
        EXPECT_EQ(Peek(ReceiveRingSize - 1), Pattern(ReceiveRingSize - 1, start + 1));
        EXPECT_EQ(Take(ReceiveRingSize - 1), Pattern(ReceiveRingSize - 1, start + 1));
        start += static_cast<int>(ReceiveRingSize);
    }
}

TEST_F(DispatcherTest, ReadStopsAtTheTail) {
    Arrive(Pattern(ReceiveRingSize));
    EXPECT_EQ(Take(100), Pattern(100));
    Disp.Receive(Pattern(200, 5000));
    Disp.ExtractData();
    EXPECT_EQ(Disp.ReadSizes().back(), 100);
    EXPECT_EQ(Disp.InBuffUsed(), ReceiveRingSize);
    EXPECT_EQ(Disp.DeviceInQueue(), 100u);
    EXPECT_EQ(Take(ReceiveRingSize - 100), Pattern(ReceiveRingSize - 100, 100));
    EXPECT_EQ(Take(100), Pattern(100, 5000));
}

TEST_F(DispatcherTest, FailedOrOverstatedDeviceReadsNeverCorruptTheRing) {
    Disp.FailReads(-1, 1);
    Disp.Receive("abc");
    EXPECT_TRUE(Disp.ExtractData());
    EXPECT_EQ(Disp.ClearErrorCalls(), 1) << "a failed read clears the device's error state";
    EXPECT_EQ(Disp.InBuffUsed(), 0u);

    Disp.ExtractData();
    EXPECT_EQ(Disp.InBuffUsed(), 3u);
    EXPECT_EQ(Take(3), "abc");

    // A device that claims more than it was asked for must not move the head past the tail.
    Arrive(Pattern(ReceiveRingSize - 3));
    Disp.SetReadExcess(50);
    Disp.Receive("xyz");
    Disp.ExtractData();
    EXPECT_EQ(Disp.ReadSizes().back(), 3);
    EXPECT_EQ(Disp.InBuffUsed(), ReceiveRingSize);
    EXPECT_EQ(Take(ReceiveRingSize - 3), Pattern(ReceiveRingSize - 3));
    EXPECT_EQ(Take(3), "xyz");
}

TEST_F(DispatcherTest, EmptyReadOfAFullRingKeepsItFull) {
    Arrive(Pattern(ReceiveRingSize));
    char none = 0;
    EXPECT_EQ(Disp.GetBlock(&none, 0), 0);
    EXPECT_EQ(Disp.InBuffUsed(), ReceiveRingSize);
}

TEST_F(DispatcherTest, ReadsAreAllOrNothing) {
    Arrive("hello");
    std::string buf(10, '\0');
    char c = 0;
    EXPECT_EQ(Disp.GetBlock(buf.data(), 6), ecBufferIsEmpty);
    EXPECT_EQ(Disp.PeekBlock(buf.data(), 6), ecBufferIsEmpty);
    EXPECT_EQ(Disp.PeekCharPrim(c, 6), ecBufferIsEmpty);
    EXPECT_EQ(Disp.PeekChar(c, 0), ecBadArgument);
    EXPECT_EQ(Disp.PeekCharPrim(c, 0), ecBadArgument);
    DWORD tail = 0;
    EXPECT_EQ(Disp.PeekBlockPrim(buf.data(), 0xFFFFFFFF, tail, 2), ecBufferIsEmpty)
        << "offset + count overflow";
    EXPECT_EQ(Disp.InBuffUsed(), 5u);

    EXPECT_EQ(Disp.PeekCharPrim(c, 5), ecOK);
    EXPECT_EQ(c, 'o');
    EXPECT_EQ(Disp.PeekBlockPrim(buf.data(), 1, tail, 3), 3);
    EXPECT_EQ(buf.substr(0, 3), "ell");
    EXPECT_EQ(tail, 4u);
    EXPECT_EQ(Disp.GetChar(c), ecOK);
    EXPECT_EQ(c, 'h');
    EXPECT_EQ(Take(4), "ello");
    EXPECT_FALSE(Disp.CharReady());
    EXPECT_EQ(Disp.GetChar(c), ecBufferIsEmpty);
}

TEST_F(DispatcherTest, FlushInBufferEmptiesTheRingAndTheDevice) {
    Arrive("abc");
    Disp.Receive("def");
    EXPECT_EQ(Disp.FlushInBuffer(), 0);
    EXPECT_EQ(Disp.InBuffUsed(), 0u);
    EXPECT_EQ(Disp.DeviceInQueue(), 0u);
}

// --- Writes -------------------------------------------------------------------------------------

struct PutCase {
    const char* name;
    DWORD outSize;
    DWORD waitingOut;
    DWORD len;
    int expected;
};

class PutBlockTest : public ::testing::TestWithParam<PutCase> {};

TEST_P(PutBlockTest, ChecksTheFreeOutputSpace) {
    const PutCase& c = GetParam();
    TMemoryDispatcher disp;
    ASSERT_EQ(disp.Open(c.outSize), ecOK);
    disp.SetBytesWaitingOut(c.waitingOut);
    const std::string block = Pattern(c.len);
    EXPECT_EQ(disp.PutBlock(block.data(), c.len), c.expected);
    EXPECT_EQ(disp.TakeSent(), c.expected == ecOK ? block : std::string());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PutBlockTest,
    ::testing::Values(PutCase{"Empty", 100, 0, 0, ecOK}, PutCase{"Fits", 100, 0, 60, ecOK},
                      PutCase{"ExactlyFree", 100, 40, 60, ecOK},
                      PutCase{"OneTooMany", 100, 40, 61, ecOutputBufferTooSmall},
                      PutCase{"LargerThanTheBuffer", 100, 0, 101, ecOutputBufferTooSmall},
                      PutCase{"DeviceHoldsMoreThanTheBuffer", 100, 150, 1, ecOutputBufferTooSmall}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(PutBlockFailure, ShortOrFailedWritesReportFailure) {
    for (int result : {0, -1, 3}) {
        TMemoryDispatcher disp;
        ASSERT_EQ(disp.Open(), ecOK);
        disp.FailWrites(result);
        EXPECT_EQ(disp.PutString("hello"), ecPutBlockFail) << "write result " << result;
    }
}

TEST_F(DispatcherTest, OutputCountsFollowTheDevice) {
    Disp.SetHoldOutput(true);
    EXPECT_EQ(Disp.PutString("abc"), ecOK);
    EXPECT_EQ(Disp.PutChar('d'), ecOK);
    EXPECT_EQ(Disp.TakeSent(), "abcd");
    EXPECT_EQ(Disp.OutBuffUsed(), 4u);
    EXPECT_EQ(Disp.OutBuffFree(), 4092u);
    EXPECT_EQ(Disp.FlushOutBuffer(), 0);
    EXPECT_EQ(Disp.OutBuffUsed(), 0u);
    DWORD in = 0, out = 0;
    Disp.BufferSizes(in, out);
    EXPECT_EQ(in, 4096u);
    EXPECT_EQ(out, 4096u);
}

// --- Notifications ------------------------------------------------------------------------------

struct ReadCase {
    DWORD first;
    DWORD second;
    bool result;
};

class TwoHandlersTest : public DispatcherTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(TwoHandlersTest, TailMovesByTheLargestRead) {
    const ReadCase& c = GetParam();
    Arrive(Pattern(10));
    TReader<1> a;
    TReader<2> b;
    std::string seenA, seenB;
    a.Body = [&](UINT, UINT, int) { seenA = Take(c.first); };
    b.Body = [&](UINT, UINT, int) { seenB = Take(c.second); };
    Disp.RegisterEventTriggerHandler(a.Event());
    Disp.RegisterEventTriggerHandler(b.Event());

    EXPECT_EQ(Disp.SendNotify(TriggerAvailMsg, 10, 0), c.result);
    EXPECT_EQ(seenA, Pattern(c.first));
    EXPECT_EQ(seenB, Pattern(c.second)) << "each handler starts at the same tail";
    const DWORD taken = std::max(c.first, c.second);
    EXPECT_EQ(Disp.InBuffUsed(), 10 - taken);
    if (taken < 10) {
        EXPECT_EQ(Take(10 - taken), Pattern(10 - taken, static_cast<int>(taken)));
    }
}

INSTANTIATE_TEST_SUITE_P(Reads, TwoHandlersTest,
                         ::testing::Values(ReadCase{4, 10, true}, ReadCase{10, 4, true},
                                           ReadCase{4, 4, false}, ReadCase{0, 0, false}));

TEST_F(DispatcherTest, ReadsInsideANotificationCountFromTheHandlersOwnReads) {
    Arrive("0123456789");
    TReader<1> r;
    r.Body = [&](UINT, UINT, int) {
        char c = 0;
        EXPECT_EQ(Disp.GetChar(c), ecOK);
        EXPECT_EQ(c, '0');
        EXPECT_EQ(Take(2), "12");
        EXPECT_EQ(Disp.InBuffUsed(), 7u);
        EXPECT_EQ(Disp.InBuffFree(), ReceiveRingSize - 7);
        EXPECT_TRUE(Disp.CharReady());
        EXPECT_EQ(Disp.PeekChar(c, 1), ecOK);
        EXPECT_EQ(c, '3');
        EXPECT_EQ(Peek(7), "3456789");
        EXPECT_EQ(Disp.PeekChar(c, 8), ecBufferIsEmpty);
        EXPECT_EQ(Take(7), "3456789");
        EXPECT_FALSE(Disp.CharReady());
        EXPECT_EQ(Disp.GetChar(c), ecBufferIsEmpty);
        EXPECT_EQ(Disp.InBuffUsed(), 0u) << "a failed GetChar takes nothing";
    };
    Disp.RegisterEventTriggerHandler(r.Event());
    EXPECT_TRUE(Disp.SendNotify(TriggerAvailMsg, 10, 0));
    EXPECT_EQ(r.Calls, 1);
    EXPECT_EQ(Disp.InBuffUsed(), 0u);
}

// A string wait on the main thread that starts while a handler on the dispatch thread is being
// notified reads from the tail, not through that handler's read count: the handler still gets every
// byte it was announced, and the tail ends past what either took.
TEST(ReadCountThreads, AWaitStartedDuringADeliveryLeavesTheHandlersBytes) {
    MainThreadId();
    TMemoryDispatcher disp(TMemoryDispatcher::TMode::Worker);
    ASSERT_EQ(disp.Open(), ecOK);
    struct THandler {
        TMemoryDispatcher* Disp = nullptr;
        std::atomic<bool> InFlight{false};
        std::atomic<bool> WaitHasRead{false};
        std::atomic<bool> Done{false};
        std::string Got;
        int Code = 0;
        void Notify(UINT Msg, UINT wParam, int) {
            if (Msg != TriggerAvailMsg || InFlight) return;
            InFlight = true;
            for (int i = 0; i < 5000 && !WaitHasRead; ++i) Sleep(1);
            Got.resize(wParam);
            Code = Disp->GetBlock(Got.data(), wParam);
            Done = true;
        }
    } handler;
    handler.Disp = &disp;
    disp.RegisterEventTriggerHandler(TVexNotifyEvent::Bind<&THandler::Notify>(&handler));
    disp.ChangeLengthTrigger(1);
    disp.Receive("abcdef");
    for (int i = 0; i < 5000 && !handler.InFlight; ++i) Sleep(1);
    ASSERT_TRUE(handler.InFlight);

    bool held = false;
    disp.SetEventBusy(held, true); // the wait holds the port, as WaitForString does
    std::string waited;
    for (int i = 0; i < 3; ++i) {
        char c = 0;
        ASSERT_EQ(disp.GetChar(c), ecOK);
        waited += c;
    }
    handler.WaitHasRead = true;
    for (int i = 0; i < 5000 && !handler.Done; ++i) Sleep(1);
    disp.SetEventBusy(held, false);
    ASSERT_TRUE(handler.Done);
    EXPECT_EQ(waited, "abc");
    EXPECT_EQ(handler.Code, 6);
    EXPECT_EQ(handler.Got, "abcdef");
    EXPECT_EQ(disp.InBuffUsed(), 0u);
    disp.DonePort();
}

TEST_F(DispatcherTest, FlushInsideANotificationConsumesTheWholeRing) {
    for (DWORD size : {10u, ReceiveRingSize}) {
        Arrive(Pattern(size));
        TReader<1> r;
        r.Body = [&](UINT, UINT, int) {
            Take(2);
            Disp.FlushInBuffer();
        };
        Disp.RegisterEventTriggerHandler(r.Event());
        EXPECT_TRUE(Disp.SendNotify(TriggerAvailMsg, size, 0)) << size;
        EXPECT_EQ(Disp.InBuffUsed(), 0u) << size;
        Disp.DeregisterEventTriggerHandler(r.Event());
    }
}

TEST_F(DispatcherTest, OnlyAvailAndDataNotificationsDeferTheirReads) {
    Arrive("abcdef");
    TReader<1> r;
    r.Body = [&](UINT, UINT, int) { Take(2); };
    Disp.RegisterEventTriggerHandler(r.Event());

    EXPECT_TRUE(Disp.SendNotify(TriggerDataMsg, 8, 3)) << "a data notification's wParam is a handle";
    EXPECT_EQ(Disp.InBuffUsed(), 4u);
    EXPECT_TRUE(Disp.SendNotify(TriggerTimerMsg, 16, 0));
    EXPECT_EQ(Disp.InBuffUsed(), 2u);
    EXPECT_EQ(Take(2), "ef");
}

TEST_F(DispatcherTest, HandlersGetTheHandleInTheHighWord) {
    TReader<1> r;
    Disp.RegisterEventTriggerHandler(r.Event());
    Disp.SendNotify(TriggerStatusMsg, 0x23, 200);
    EXPECT_EQ(r.LastMsg, TriggerStatusMsg);
    EXPECT_EQ(r.LastWParam, 0x23u);
    EXPECT_EQ(r.LastLParam, Disp.Handle() * 65536 + 200);
}

TEST_F(DispatcherTest, SynchronisedHandlerWithoutADispatchThreadRunsAtOnce) {
    // A socket port has no dispatch thread and checks its triggers on the main thread.
    Arrive("ab");
    TReader<1> r;
    r.Body = [&](UINT, UINT, int) { Take(2); };
    Disp.RegisterSyncEventTriggerHandler(r.Event());
    EXPECT_TRUE(Disp.SendNotify(TriggerAvailMsg, 2, 0));
    EXPECT_EQ(r.Calls, 1);
    EXPECT_EQ(Disp.InBuffUsed(), 0u);
}

int ProcCalls = 0;
int ProcLParam = 0;
void CountingProc(UINT, UINT, int lParam) {
    ++ProcCalls;
    ProcLParam = lParam;
}
void OtherProc(UINT, UINT, int) {}

TEST_F(DispatcherTest, ProcedureHandlersAreCalledAndRemoved) {
    ProcCalls = 0;
    Disp.RegisterProcTriggerHandler(&OtherProc);
    Disp.RegisterProcTriggerHandler(&CountingProc);
    Disp.SendNotify(TriggerTimerMsg, 8, 5);
    EXPECT_EQ(ProcCalls, 1);
    EXPECT_EQ(ProcLParam, Disp.Handle() * 65536 + 5);
    Disp.DeregisterProcTriggerHandler(&CountingProc);
    Disp.SendNotify(TriggerTimerMsg, 8, 5);
    EXPECT_EQ(ProcCalls, 1);
}

TEST_F(DispatcherTest, EventHandlersAreFoundByMethodCodeAlone) {
    TReader<1> first, second;
    Disp.RegisterEventTriggerHandler(first.Event());
    Disp.RegisterEventTriggerHandler(second.Event());
    Disp.DeregisterEventTriggerHandler(second.Event());
    Disp.SendNotify(TriggerTimerMsg, 8, 0);
    EXPECT_EQ(first.Calls, 0) << "the first record with that code goes";
    EXPECT_EQ(second.Calls, 1);
}

TEST_F(DispatcherTest, HandlerDeregisteredDuringADeliveryIsSkippedAndFreedAfterIt) {
    Arrive(Pattern(5));
    TReader<1> a;
    TReader<2> b;
    a.Body = [&](UINT, UINT, int) {
        Disp.DeregisterEventTriggerHandler(b.Event());
        Disp.DeregisterEventTriggerHandler(a.Event());
        Take(5);
    };
    Disp.RegisterEventTriggerHandler(a.Event());
    Disp.RegisterEventTriggerHandler(b.Event());
    EXPECT_TRUE(Disp.SendNotify(TriggerAvailMsg, 5, 0));
    EXPECT_EQ(b.Calls, 0);

    // Both records are gone, so no handler needs service and nothing is delivered or taken.
    Arrive(Pattern(3));
    EXPECT_TRUE(Disp.SendNotify(TriggerAvailMsg, 3, 0));
    EXPECT_EQ(a.Calls, 1);
    EXPECT_EQ(Disp.InBuffUsed(), 3u);

    Disp.RegisterEventTriggerHandler(b.Event());
    Disp.SendNotify(TriggerTimerMsg, 8, 0);
    EXPECT_EQ(b.Calls, 1) << "registered once more, called once";
}

TEST_F(DispatcherTest, CloseFromInsideAHandlerStopsTheDelivery) {
    Arrive(Pattern(10));
    TReader<1> a;
    TReader<2> b;
    a.Body = [&](UINT, UINT, int) {
        Take(4);
        Disp.DonePort();
    };
    Disp.RegisterEventTriggerHandler(a.Event());
    Disp.RegisterEventTriggerHandler(b.Event());

    EXPECT_FALSE(Disp.SendNotify(TriggerAvailMsg, 10, 0));
    EXPECT_EQ(b.Calls, 0);
    EXPECT_TRUE(Disp.ClosePending());
    EXPECT_FALSE(Disp.DeviceOpen());
    EXPECT_EQ(Disp.ComHandle(), -1);
    EXPECT_EQ(Disp.InBuffUsed(), 10u) << "the tail stays where it was";
    EXPECT_FALSE(Disp.EventBusy());

    Disp.DonePortPrim();
    EXPECT_FALSE(Disp.DispatcherStarted());
    EXPECT_EQ(Disp.InBuffUsed(), 0u);
}

TEST_F(DispatcherTest, AHandlerExceptionReleasesTheDeliverysHold) {
    Arrive(Pattern(4));
    TReader<1> r;
    r.Body = [&](UINT, UINT, int) {
        Take(4);
        throw std::runtime_error("handler failed");
    };
    Disp.RegisterEventTriggerHandler(r.Event());
    EXPECT_THROW(Disp.SendNotify(TriggerAvailMsg, 4, 0), std::runtime_error);
    EXPECT_FALSE(Disp.EventBusy());
    EXPECT_EQ(Disp.InBuffUsed(), 4u);
    Disp.DeregisterEventTriggerHandler(r.Event());
    EXPECT_EQ(Take(4), Pattern(4)) << "reads outside a notification move the tail again";
}

// The port's own window, alone, receives notifications only while the port has marked its
// handler installed; any other handler makes deliveries happen.
struct FlagCase {
    const char* name;
    bool otherHandler;
    TApHandlerFlagUpdate update;
    bool serviced;     // SendNotify runs at all (the other handler is called)
    bool windowCalled; // the port's window is sent the notification
};

class HandlerFlagsTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(HandlerFlagsTest, PortWindowAloneNeedsTheInstalledMark) {
    const FlagCase& c = GetParam();
    TMemoryDispatcher disp;
    ASSERT_EQ(disp.Open(), ecOK);
    int windowCalls = 0;
    const HWND wnd = CreateMessageWindow("PortWindow", [&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == TriggerTimerMsg) ++windowCalls;
        return 0;
    });
    ASSERT_NE(wnd, 0u);
    TReader<1> other;
    disp.RegisterWndTriggerHandler(wnd);
    if (c.otherHandler) disp.RegisterEventTriggerHandler(other.Event());
    disp.UpdateHandlerFlags(c.update);

    EXPECT_TRUE(disp.SendNotify(TriggerTimerMsg, 8, 0));
    EXPECT_EQ(other.Calls, c.otherHandler && c.serviced ? 1 : 0);
    EXPECT_EQ(windowCalls, c.windowCalled ? 1 : 0);
    DestroyWindow(wnd);
}

INSTANTIATE_TEST_SUITE_P(Modes, HandlerFlagsTest,
                         ::testing::Values(FlagCase{"KeepAlone", false, fuKeepPort, false, false},
                                           FlagCase{"EnableAlone", false, fuEnablePort, true, true},
                                           FlagCase{"DisableAlone", false, fuDisablePort, false, false},
                                           FlagCase{"KeepWithOther", true, fuKeepPort, true, false},
                                           FlagCase{"EnableWithOther", true, fuEnablePort, true, true},
                                           FlagCase{"DisableWithOther", true, fuDisablePort, true, false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(DispatcherTest, RegisteringAWindowAloneStillDeliversNothingToIt) {
    int windowCalls = 0;
    const HWND wnd = CreateMessageWindow("PortWindow", [&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ++windowCalls;
        return 0;
    });
    Disp.RegisterWndTriggerHandler(wnd);
    Disp.SendNotify(TriggerTimerMsg, 8, 0);
    EXPECT_EQ(windowCalls, 0);
    DestroyWindow(wnd);
}

// A window handler that has not started when the limit runs out is withdrawn: it never runs, and
// the tail moves only by what the other handlers read.
TEST_F(DispatcherTest, WindowHandlerThatDoesNotAnswerInTimeNeverRuns) {
    SetWndHandlerTimeoutForTesting(100);
    Arrive(Pattern(10));
    std::atomic<HWND> wnd{0};
    std::atomic<bool> ran{false};
    std::atomic<bool> release{false};
    std::thread windowThread([&] {
        wnd = CreateMessageWindow("SlowWindow", [&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == TriggerAvailMsg) {
                ran = true;
                std::string s(10, '\0');
                Disp.GetBlock(s.data(), 10);
            }
            return 0;
        });
        while (!release) Sleep(5); // busy elsewhere: serves nothing
        ProcessMessages();
        DestroyWindow(wnd);
    });
    while (wnd == 0u) Sleep(1);

    TReader<1> r;
    r.Body = [&](UINT, UINT, int) { Take(3); };
    Disp.RegisterEventTriggerHandler(r.Event());
    Disp.RegisterWndTriggerHandler(wnd);
    Disp.UpdateHandlerFlags(fuEnablePort);
    EXPECT_FALSE(Disp.SendNotify(TriggerAvailMsg, 10, 0));
    release = true;
    windowThread.join();
    SetWndHandlerTimeoutForTesting(3000);

    EXPECT_FALSE(ran);
    EXPECT_EQ(Disp.InBuffUsed(), 7u);
    EXPECT_EQ(Take(7), Pattern(7, 3));
}

// --- Event busy -----------------------------------------------------------------------------------

TEST_F(DispatcherTest, EventBusyIsACountedHold) {
    bool old = true;
    Disp.SetEventBusy(old, true);
    EXPECT_FALSE(old);
    Disp.SetEventBusy(old, true);
    EXPECT_TRUE(old);
    Disp.SetEventBusy(old, false);
    EXPECT_TRUE(old);
    EXPECT_TRUE(Disp.EventBusy()) << "one hold is left";
    Disp.SetEventBusy(old, false);
    EXPECT_TRUE(old);
    EXPECT_FALSE(Disp.EventBusy());
    Disp.SetEventBusy(old, false);
    EXPECT_FALSE(old);
    EXPECT_FALSE(Disp.EventBusy()) << "an unpaired release takes nothing";
}

TEST_F(DispatcherTest, ADeliveryNeverEndsAStringWaitsHold) {
    TReader<1> r;
    TReader<2> gone;
    Disp.RegisterEventTriggerHandler(r.Event());
    Disp.RegisterEventTriggerHandler(gone.Event());
    bool old = false;
    Disp.SetEventBusy(old, true); // a string wait holds the port

    Disp.SendNotify(TriggerTimerMsg, 8, 0);
    EXPECT_EQ(r.Calls, 1);
    EXPECT_TRUE(Disp.EventBusy());

    // Still held: a deregistration only marks, and a close is deferred.
    Disp.DeregisterEventTriggerHandler(gone.Event());
    Disp.SendNotify(TriggerTimerMsg, 8, 0);
    EXPECT_EQ(gone.Calls, 1);
    Arrive("xy");
    Disp.DonePort();
    EXPECT_TRUE(Disp.ClosePending());
    EXPECT_TRUE(Disp.DispatcherStarted());

    Disp.SetEventBusy(old, false);
    EXPECT_FALSE(Disp.EventBusy());
    Disp.DonePortPrim();
    EXPECT_FALSE(Disp.DispatcherStarted());
}

TEST_F(DispatcherTest, MarkedHandlersAreFreedWhenTheLastHoldEnds) {
    TReader<1> r;
    Disp.RegisterEventTriggerHandler(r.Event());
    bool old = false;
    Disp.SetEventBusy(old, true);
    Disp.DeregisterEventTriggerHandler(r.Event());
    Disp.SetEventBusy(old, false);
    // No handler is left, so an avail notification is not delivered and leaves the bytes.
    Arrive("abc");
    EXPECT_TRUE(Disp.SendNotify(TriggerAvailMsg, 3, 0));
    EXPECT_EQ(r.Calls, 0);
    EXPECT_EQ(Disp.InBuffUsed(), 3u);
}

// --- Port list and look-up ------------------------------------------------------------------------

class TOtherDispatcher : public TMemoryDispatcher {};

TEST(PortListTest, HandlesReuseTheFirstFreeSlotAndTrailingSlotsGo) {
    ASSERT_TRUE(PortList.empty());
    auto a = std::make_unique<TMemoryDispatcher>();
    auto b = std::make_unique<TMemoryDispatcher>();
    auto c = std::make_unique<TMemoryDispatcher>();
    EXPECT_EQ(a->Handle(), 0);
    EXPECT_EQ(b->Handle(), 1);
    EXPECT_EQ(c->Handle(), 2);
    b.reset();
    EXPECT_EQ(PortList.size(), 3u);
    EXPECT_EQ(PortList[1], nullptr);
    auto d = std::make_unique<TMemoryDispatcher>();
    EXPECT_EQ(d->Handle(), 1);
    d.reset();
    c.reset();
    EXPECT_EQ(PortList.size(), 1u) << "every trailing free slot is deleted";
    a.reset();
    EXPECT_TRUE(PortList.empty());
    auto e = std::make_unique<TMemoryDispatcher>();
    EXPECT_EQ(e->Handle(), 0);
}

TEST(PortListTest, GetTComRecPtrFindsByDeviceIdAndClass) {
    TMemoryDispatcher a;
    TOtherDispatcher b;
    a.SetNextDeviceId(7);
    b.SetNextDeviceId(8);
    ASSERT_EQ(a.Open(), ecOK);
    ASSERT_EQ(b.Open(), ecOK);
    EXPECT_EQ(GetTComRecPtr<TMemoryDispatcher>(7), &a);
    EXPECT_EQ(GetTComRecPtr<TMemoryDispatcher>(8), &b) << "a derived class is of the class";
    EXPECT_EQ(GetTComRecPtr<TOtherDispatcher>(8), &b);
    EXPECT_EQ(GetTComRecPtr<TOtherDispatcher>(7), nullptr);
    EXPECT_EQ(GetTComRecPtr<TOtherDispatcher>(7), nullptr) << "a miss is not cached as a hit";
    EXPECT_EQ(GetTComRecPtr<TMemoryDispatcher>(9), nullptr);
}

TEST(PortListTest, LookUpCacheFollowsClosesAndDestruction) {
    auto a = std::make_unique<TMemoryDispatcher>();
    a->SetNextDeviceId(7);
    ASSERT_EQ(a->Open(), ecOK);
    EXPECT_EQ(GetTComRecPtr<TMemoryDispatcher>(7), a.get());
    a.reset();
    EXPECT_EQ(GetTComRecPtr<TMemoryDispatcher>(7), nullptr) << "the cache forgets a destroyed dispatcher";

    // The device id passes to another dispatcher: the cached entry must not answer for it.
    TMemoryDispatcher b, c;
    b.SetNextDeviceId(7);
    ASSERT_EQ(b.Open(), ecOK);
    EXPECT_EQ(GetTComRecPtr<TMemoryDispatcher>(7), &b);
    b.DonePort();
    c.SetNextDeviceId(7);
    ASSERT_EQ(c.Open(), ecOK);
    EXPECT_EQ(GetTComRecPtr<TMemoryDispatcher>(7), &c);
}

// --- Opening, options, data pointers -----------------------------------------------------------

TEST(InitPortTest, AppliesTheLineAndDtrRts) {
    TMemoryDispatcher disp;
    disp.SetModemLines(MS_CTS_ON | MS_DSR_ON);
    ASSERT_EQ(disp.InitPort("COM1", 19200, InitAssertDtr, 4096, 4096, 2, 7, EVENPARITY), ecOK);
    const DCB line = disp.DeviceDCB();
    EXPECT_EQ(line.BaudRate, 19200u);
    EXPECT_EQ(line.ByteSize, 7);
    EXPECT_EQ(line.Parity, EVENPARITY);
    EXPECT_EQ(line.StopBits, TWOSTOPBITS);
    EXPECT_EQ(line.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(line.fRtsControl, RTS_CONTROL_DISABLE);
    EXPECT_EQ(disp.Escapes(), (std::vector<int>{static_cast<int>(SETDTR), static_cast<int>(CLRRTS)}));
    EXPECT_EQ(disp.GetModemStatusPrim(0xFF), MS_CTS_ON | MS_DSR_ON);
    EXPECT_TRUE(disp.DispatcherStarted());
    EXPECT_THROW(disp.StartDispatcher(), Exception);
}

TEST(InitPortTest, AutomaticLinesAreLeftToTheDevice) {
    TMemoryDispatcher disp;
    DCB device;
    device.BaudRate = 9600;
    device.fDtrControl = DTR_CONTROL_HANDSHAKE;
    device.fRtsControl = RTS_CONTROL_HANDSHAKE;
    disp.SetDeviceDCB(device);
    ASSERT_EQ(disp.InitPort("COM1", 38400, InitAutoDtr | InitAutoRts, 4096, 4096, 1, 8, NOPARITY), ecOK);
    EXPECT_EQ(disp.DeviceDCB().fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(disp.DeviceDCB().fRtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_TRUE(disp.Escapes().empty());
    EXPECT_EQ(disp.SetDtr(false), 1);
}

TEST(InitPortTest, TheDevicesOwnLineIsNotAppliedAgain) {
    TMemoryDispatcher disp;
    ASSERT_EQ(disp.Open(), ecOK);
    EXPECT_EQ(disp.SetComStateCalls(), 0);
}

TEST(InitPortTest, FailuresCloseAndReportTheSystemError) {
    struct Case {
        int openResult;
        DWORD openError;
        DWORD setupError;
        int expected;
    };
    for (const Case& c : {Case{-1, 2, 0, -2}, Case{-1, 5, 0, -5}, Case{ecOutOfMemory, 5, 0, ecOutOfMemory},
                          Case{-1, 0, 0, -1}, Case{0, 0, 87, -87}}) {
        TMemoryDispatcher disp;
        disp.FailOpen(c.openResult, c.openError);
        disp.FailSetup(c.setupError);
        EXPECT_EQ(disp.Open(), c.expected);
        EXPECT_FALSE(disp.DeviceOpen());
        EXPECT_EQ(disp.ComHandle(), -1);
        EXPECT_FALSE(disp.DispatcherStarted());
    }
}

TEST(InitSocketTest, OpensWithTheRingOnly) {
    TMemoryDispatcher disp;
    ASSERT_EQ(disp.InitSocket(1024, 2048), ecOK);
    EXPECT_TRUE(disp.DispatcherStarted());
    EXPECT_EQ(disp.SetComStateCalls(), 0);
    disp.Receive("data");
    disp.ProcessCommunications();
    EXPECT_EQ(disp.InBuffUsed(), 4u);
    EXPECT_EQ(disp.PutString("out"), ecOK);
    EXPECT_EQ(disp.TakeSent(), "out");
}

TEST_F(DispatcherTest, DataPointersTakeIndexesOneToThree) {
    int values[3] = {};
    for (DWORD index : {0u, 4u}) {
        void* p = nullptr;
        EXPECT_EQ(Disp.SetDataPointer(&values[0], index), ecBadArgument);
        EXPECT_EQ(Disp.GetDataPointer(p, index), ecBadArgument);
    }
    for (DWORD index = 1; index <= 3; ++index)
        EXPECT_EQ(Disp.SetDataPointer(&values[index - 1], index), ecOK);
    for (DWORD index = 1; index <= 3; ++index) {
        void* p = nullptr;
        EXPECT_EQ(Disp.GetDataPointer(p, index), ecOK);
        EXPECT_EQ(p, &values[index - 1]);
    }
}

TEST_F(DispatcherTest, OptionsAreOnOnlyWhenEveryBitIs) {
    Disp.OptionsOn(OptionUseEventWord | 1);
    EXPECT_TRUE(Disp.OptionsAreOn(OptionUseEventWord | 1));
    Disp.OptionsOff(1);
    EXPECT_TRUE(Disp.OptionsAreOn(OptionUseEventWord));
    EXPECT_FALSE(Disp.OptionsAreOn(OptionUseEventWord | 1));
}

TEST_F(DispatcherTest, DispatchPassReadsTheDevice) {
    Disp.Receive("abc");
    EXPECT_EQ(Disp.ProcessCommunications(), 0);
    EXPECT_EQ(Disp.InBuffUsed(), 3u);
}

} // namespace
