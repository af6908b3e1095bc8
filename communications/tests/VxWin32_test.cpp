#include "communications/VxWin32.h"
#include "communications/tests/support/TestPty.h"

#include "communications/VxErrors.h"
#include "communications/VxMisc.h"
#include "platform/comm/SimulatedComm.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Serves this thread's messages and synchronised calls until done() or the time runs out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const std::uint64_t deadline = MonotonicMs() + timeoutMs;
    while (!done()) {
        if (MonotonicMs() >= deadline) return done();
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
    return true;
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

std::string Pattern(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return s;
}

class TProbeDispatcher : public TVexWin32Dispatcher {
public:
    using TVexWin32Dispatcher::TVexWin32Dispatcher;
    DWORD LineErrorBits() {
        TCriticalSectionLock lock(ListLock);
        return LineErrors;
    }
    // As stored: reading the lines (GetModemStatusPrim) would take the change away from the pass.
    DWORD StoredModemStatus() {
        TCriticalSectionLock lock(ListLock);
        return ModemStatus;
    }
    // Whether the dispatch log holds the error entry of a lost write of that many bytes.
    bool LoggedWriteFailure(DWORD Lost) {
        TCriticalSectionLock lock(ListLock);
        TDispatchEntryHeader h;
        while (!DispatchLog.PopLastDLEntry(h, nullptr))
            if (h.Type == dtError && h.SubType == dstWriteCom && h.Value == Lost) return true;
        return false;
    }
};

// Opens with the line the device has (no drain wait), DTR and RTS on.
int Open(TVexBaseDispatcher& Disp, const std::string& Name, DWORD OutQueue = 4096, DWORD Baud = 0) {
    return Disp.InitPort(Name.c_str(), Baud, InitAssertDtr | InitAssertRts, OutQueue, 4096, 3, 9, 5);
}

// Notifications as the handlers saw them.
struct TNotes {
    struct TNote {
        UINT Msg;
        UINT wParam;
        DWORD Thread;
    };
    std::mutex M;
    std::vector<TNote> Seen;
    std::string Received;
    TVexBaseDispatcher* Disp = nullptr;
    bool ReadOnAvail = false;
    std::function<void(UINT)> Also;

    void Notify(UINT Msg, UINT wParam, int) {
        std::string got;
        if (ReadOnAvail && Msg == TriggerAvailMsg) {
            got.resize(wParam);
            if (Disp->GetBlock(got.data(), wParam) != static_cast<int>(wParam)) got.clear();
        }
        {
            std::lock_guard<std::mutex> lock(M);
            Seen.push_back({Msg, wParam, GetCurrentThreadId()});
            Received += got;
        }
        if (Also) Also(Msg);
    }
    TVexNotifyEvent Event() { return TVexNotifyEvent::Bind<&TNotes::Notify>(this); }

    bool Has(UINT Msg, UINT wParam) {
        std::lock_guard<std::mutex> lock(M);
        for (const TNote& n : Seen)
            if (n.Msg == Msg && n.wParam == wParam) return true;
        return false;
    }
    std::size_t ReceivedSize() {
        std::lock_guard<std::mutex> lock(M);
        return Received.size();
    }
    std::vector<TNote> Snapshot() {
        std::lock_guard<std::mutex> lock(M);
        return Seen;
    }
};

class Win32Test : public ::testing::Test {
protected:
    void SetUp() override { MainThreadId(); }
};

// --- Data over a pseudo-terminal ------------------------------------------------------------------

TEST_F(Win32Test, DataTravelsBothWaysThroughTheWorkers) {
    TPty pty(41);
    TNotes onWorker, onMain;
    TVexWin32Dispatcher disp(nullptr);
    ASSERT_EQ(Open(disp, pty.Name()), ecOK);
    EXPECT_EQ(disp.RunningThreads(), 2) << "the dispatch thread waits for comm events itself";
    EXPECT_THROW(disp.StartDispatcher(), Exception);

    onWorker.Disp = &disp;
    onWorker.ReadOnAvail = true;
    disp.RegisterEventTriggerHandler(onWorker.Event());
    disp.RegisterSyncEventTriggerHandler(onMain.Event());
    disp.ChangeLengthTrigger(1);

    // More than the receive ring holds, so it wraps and takes several passes. Written from a thread
    // of its own: the terminal may take less than all of it at once, and the rest moves only while
    // this thread serves the synchronised handler.
    const std::string in = Pattern(20000, 1);
    std::atomic<bool> written{false};
    std::thread writer([&] {
        pty.Send(in);
        written = true;
    });
    // The synchronised handler hears of each notification after the worker's handler has read it.
    const bool arrived = PumpUntil(
        [&] { return onWorker.ReceivedSize() == in.size() && !onMain.Snapshot().empty(); }, 10000);
    PumpUntil([&] { return written.load(); }, 10000);
    writer.join();
    ASSERT_TRUE(arrived);
    EXPECT_EQ(onWorker.Received, in);
    for (const auto& n : onWorker.Snapshot()) EXPECT_NE(n.Thread, MainThreadId());
    ASSERT_FALSE(onMain.Snapshot().empty());
    for (const auto& n : onMain.Snapshot()) EXPECT_EQ(n.Thread, MainThreadId());

    // More than the output ring holds: a full ring refuses the block until the thread has sent.
    const std::string out = Pattern(10000, 2);
    std::string sent;
    std::size_t put = 0;
    const std::uint64_t deadline = MonotonicMs() + 10000;
    while ((put < out.size() || sent.size() < out.size()) && MonotonicMs() < deadline) {
        if (put < out.size()) {
            const std::string block = out.substr(put, 1500);
            const int code = disp.PutString(block);
            if (code == ecOK)
                put += block.size();
            else
                EXPECT_EQ(code, ecOutputBufferTooSmall);
        }
        sent += pty.Drain();
        PumpFor(1);
    }
    EXPECT_EQ(sent, out);
    EXPECT_EQ(disp.OutBuffUsed(), 0u);
    disp.DonePort();
}

TEST_F(Win32Test, OpenFailuresAnswerTheNegatedSystemError) {
    TPty pty(41);
    setenv("VEXO_COM44", "/nonexistent/tty", 1);
    TVexWin32Dispatcher first(nullptr);
    ASSERT_EQ(Open(first, pty.Name()), ecOK);

    struct {
        const char* Name;
        int Code;
    } cases[] = {{"\\\\.\\COM41", -static_cast<int>(ERROR_SHARING_VIOLATION)},
                 {"\\\\.\\COM44", -static_cast<int>(ERROR_FILE_NOT_FOUND)}};
    for (const auto& c : cases) {
        TVexWin32Dispatcher disp(nullptr);
        EXPECT_EQ(Open(disp, c.Name), c.Code) << c.Name;
        EXPECT_EQ(disp.RunningThreads(), 0) << c.Name;
        EXPECT_EQ(disp.ComHandle(), -1) << c.Name;
    }
    unsetenv("VEXO_COM44");
    first.DonePort();
}

// The device lost bytes that PutBlock had accepted: the line error says so, a line-status trigger
// watching errors fires, and the dispatch log records the loss.
TEST_F(Win32Test, WriteAfterTheFarEndHungUpIsALineError) {
    TPty pty(41);
    TNotes notes;
    TProbeDispatcher disp(nullptr);
    ASSERT_EQ(Open(disp, pty.Name()), ecOK);
    disp.RegisterEventTriggerHandler(notes.Event());
    ASSERT_EQ(disp.InitDispatchLogging(10000), ecOK);
    const int errors = disp.AddStatusTrigger(stLine);
    ASSERT_GT(errors, 0);
    ASSERT_EQ(disp.SetStatusTrigger(static_cast<DWORD>(errors), 7, true), ecOK); // overrun, parity, framing
    EXPECT_EQ(disp.GetLineError(), leNone);

    pty.CloseMaster(); // the far end hangs up: writes to the slave fail
    ASSERT_EQ(disp.PutString("lost"), ecOK);
    EXPECT_TRUE(PumpUntil([&] { return notes.Has(TriggerStatusMsg, static_cast<UINT>(errors)); }));
    EXPECT_EQ(disp.GetLineError(), leWriteFailed);
    EXPECT_EQ(disp.GetLineError(), leNone) << "read once, like any line error";
    EXPECT_TRUE(PumpUntil([&] { return disp.OutBuffUsed() == 0; })) << "output goes on after the failure";
    EXPECT_TRUE(disp.LoggedWriteFailure(4));
    disp.DonePort();
}

// With a 64 KiB input size the device may hold more than the receive ring: every pass that leaves
// bytes behind is followed at once by the next, never by the periodic wake (held off here).
TEST_F(Win32Test, ABurstBeyondTheRingIsDeliveredWithoutTheTimer) {
    struct THoldTimer {
        THoldTimer() { HoldDispatchTimerForTesting(true); }
        ~THoldTimer() { HoldDispatchTimerForTesting(false); }
    } held;
    TPty pty(41);
    TNotes notes;
    TVexWin32Dispatcher disp(nullptr);
    ASSERT_EQ(disp.InitPort(pty.Name().c_str(), 0, InitAssertDtr | InitAssertRts, 4096, 65536, 3, 9, 5),
              ecOK);
    notes.Disp = &disp;
    notes.ReadOnAvail = true;
    disp.RegisterEventTriggerHandler(notes.Event());
    disp.ChangeLengthTrigger(1);

    const std::string burst = Pattern(65536, 3);
    std::thread writer([&] { pty.Send(burst); });
    const bool arrived = PumpUntil([&] { return notes.ReceivedSize() >= burst.size(); }, 3000);
    writer.join();
    ASSERT_TRUE(arrived) << notes.ReceivedSize();
    EXPECT_EQ(notes.Received, burst);
    disp.DonePort();
}

TEST_F(Win32Test, TelephonyHandleIsUsedAsItIs) {
    TVexTAPI32Dispatcher none(nullptr, 0);
    EXPECT_EQ(Open(none, "COM1"), ecCommNotOpen);
    EXPECT_EQ(none.RunningThreads(), 0);

    TPty pty(41);
    const HANDLE handle = OpenComm(pty.Name());
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    {
        TVexTAPI32Dispatcher disp(nullptr, handle);
        ASSERT_EQ(Open(disp, "ignored"), ecOK);
        EXPECT_EQ(disp.ComHandle(), static_cast<int>(handle));
        ASSERT_EQ(disp.PutString("dial"), ecOK);
        std::string sent;
        EXPECT_TRUE(PumpUntil([&] {
            sent += pty.Drain();
            return sent.size() >= 4;
        }));
        EXPECT_EQ(sent, "dial");
        disp.DonePort();
    }
    EXPECT_FALSE(CloseComm(handle)) << "closing the port closed the handle";
}

// --- The simulated line: modem lines, errors, flow control ------------------------------------

class SimulatedLine : public Win32Test {
protected:
    void SetUp() override {
        Win32Test::SetUp();
        Notes.Disp = &Disp;
        ASSERT_EQ(Open(Disp, "COM42", 8192), ecOK);
        Disp.RegisterEventTriggerHandler(Notes.Event());
    }
    void TearDown() override { Disp.DonePort(); }

    int ArmStatusTrigger(DWORD Type, WORD Value) {
        const int handle = Disp.AddStatusTrigger(Type);
        EXPECT_GT(handle, 0);
        EXPECT_EQ(Disp.SetStatusTrigger(static_cast<DWORD>(handle), Value, true), ecOK);
        return handle;
    }

    // The simulated driver takes 4096 bytes whatever the line does; with them queued, further
    // output has to wait in the dispatcher's ring.
    void FillDriverQueue() {
        ASSERT_EQ(Disp.PutString(Filler), ecOK);
        ASSERT_TRUE(PumpUntil([&] { return Disp.OutBuffUsed() == 0; }));
    }

    void HoldOutputOnCts() {
        ASSERT_EQ(Disp.HWFlowOptions(3000, 1000, hwfRequireCTS), ecOK);
        Sim.SetCts(false);
        ASSERT_TRUE(PumpUntil([&] { return !Disp.CheckCTS(); }));
    }

    std::string TransmittedUntil(std::size_t Size) {
        PumpUntil([&] {
            Line += Sim.TakeTransmitted();
            return Line.size() >= Size;
        });
        return Line;
    }

    const std::string Filler = std::string(4096, 'f');
    TSimulatedComm Sim{42};
    TNotes Notes; // outlives the dispatcher, whose workers call it
    TProbeDispatcher Disp{nullptr};
    std::string Line;
};

struct TLineCase {
    const char* Name;
    void (TSimulatedComm::*Set)(bool);
    BYTE Bit;
};

class ModemLine : public SimulatedLine, public ::testing::WithParamInterface<TLineCase> {};

TEST_P(ModemLine, ChangeFiresTheModemStatusTrigger) {
    const TLineCase& c = GetParam();
    const int handle = ArmStatusTrigger(stModem, c.Bit);
    (Sim.*c.Set)(false);
    ASSERT_TRUE(PumpUntil([&] { return Notes.Has(TriggerStatusMsg, static_cast<UINT>(handle)); }));
    EXPECT_EQ(Disp.GetModemStatus() & c.Bit, 0);
}

// While the port is event busy the pass leaves the change bits alone, so they show what the
// comm-event thread reported.
TEST_P(ModemLine, ChangeSetsItsChangeBitWhileEventBusy) {
    const TLineCase& c = GetParam();
    bool wasBusy = false;
    Disp.SetEventBusy(wasBusy, true);
    (Sim.*c.Set)(false);
    const BYTE delta = static_cast<BYTE>(c.Bit >> 4);
    EXPECT_TRUE(PumpUntil([&] { return (Disp.StoredModemStatus() & delta) != 0; }));
    EXPECT_EQ(Disp.StoredModemStatus() & c.Bit, 0u);
    Disp.SetEventBusy(wasBusy, false);
}

INSTANTIATE_TEST_SUITE_P(Lines, ModemLine,
                         ::testing::Values(TLineCase{"Cts", &TSimulatedComm::SetCts, ModemCts},
                                           TLineCase{"Dsr", &TSimulatedComm::SetDsr, ModemDsr},
                                           TLineCase{"Dcd", &TSimulatedComm::SetDcd, ModemDcd}),
                         [](const auto& param) { return std::string(param.param.Name); });

TEST_F(SimulatedLine, BreakAndParityErrorReachTheLineErrorState) {
    const int parity = ArmStatusTrigger(stLine, 2);
    Sim.InjectLineError(CE_RXPARITY);
    ASSERT_TRUE(PumpUntil([&] { return Notes.Has(TriggerStatusMsg, static_cast<UINT>(parity)); }));
    EXPECT_EQ(Disp.GetLineError(), leParity);

    const int brk = ArmStatusTrigger(stLine, 8);
    Sim.InjectBreak();
    ASSERT_TRUE(PumpUntil([&] { return Notes.Has(TriggerStatusMsg, static_cast<UINT>(brk)); }));
    EXPECT_TRUE(Disp.CheckLineBreak());
}

// A line change the device refuses is reported, not answered as done.
// Bytes the device still holds leave at the old speed: the change waits until they are out.
TEST_F(SimulatedLine, LineChangeWaitsForTheDeviceToSendWhatItHolds) {
    Sim.SetPacing(true);
    const std::string out(100, 'p'); // about 100 ms at 9600 baud
    ASSERT_EQ(Disp.PutString(out), ecOK);
    ASSERT_EQ(Disp.ChangeBaud(19200), ecOK);
    EXPECT_EQ(Sim.TakeTransmitted(), out);
    EXPECT_EQ(Sim.LineSettings().BaudRate, 19200u);
}

TEST_F(SimulatedLine, RefusedLineChangeIsReported) {
    EXPECT_EQ(Disp.SetDtr(false), ecOK);
    EXPECT_FALSE(Sim.Dtr());
    EXPECT_EQ(Disp.SetRts(false), ecOK);
    EXPECT_FALSE(Sim.Rts());

    // RTS handed to the device's handshake behind the dispatcher's back: the device refuses it.
    const HANDLE device = static_cast<HANDLE>(Disp.ComHandle());
    DCB dcb;
    ASSERT_TRUE(GetCommState(device, &dcb));
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_TRUE(SetCommState(device, &dcb));
    EXPECT_EQ(Disp.SetRts(false), ecBadArgument);
}

TEST_F(SimulatedLine, TimerTriggerFiresFromTheDispatchThread) {
    const int handle = Disp.AddTimerTrigger();
    ASSERT_EQ(Disp.SetTimerTrigger(static_cast<DWORD>(handle), 1, true), ecOK);
    ASSERT_TRUE(PumpUntil([&] { return Notes.Has(TriggerTimerMsg, static_cast<UINT>(handle)); }));
    EXPECT_NE(Notes.Snapshot().front().Thread, MainThreadId());
}

TEST_F(SimulatedLine, HeldOutputWaitsInTheRingUntilCtsRises) {
    HoldOutputOnCts();
    FillDriverQueue();
    ASSERT_EQ(Disp.PutString("held back"), ecOK);
    PumpFor(50);
    EXPECT_EQ(Disp.OutBuffUsed(), 9u);
    EXPECT_EQ(Sim.TakeTransmitted(), "");

    Sim.SetCts(true);
    EXPECT_EQ(TransmittedUntil(Filler.size() + 9), Filler + "held back");
    EXPECT_TRUE(PumpUntil([&] { return Disp.OutBuffUsed() == 0; }));
}

TEST_F(SimulatedLine, FlushAbandonsThePendingWriteAndEmptiesTheRing) {
    HoldOutputOnCts();
    FillDriverQueue();
    ASSERT_EQ(Disp.PutString("stale"), ecOK);
    // The write is pending at the device once the device counts its bytes.
    ASSERT_TRUE(PumpUntil([&] {
        COMSTAT status;
        DWORD errors = 0;
        ClearCommError(static_cast<HANDLE>(Disp.ComHandle()), &errors, &status);
        return status.cbOutQue == Filler.size() + 5;
    }));

    const std::uint64_t start = MonotonicMs();
    EXPECT_EQ(Disp.FlushOutBuffer(), ecOK);
    EXPECT_LT(MonotonicMs() - start, 5000u) << "the output thread never acknowledged the flush";
    EXPECT_EQ(Disp.OutBuffUsed(), 0u);

    Sim.SetCts(true);
    PumpFor(50);
    EXPECT_EQ(Sim.TakeTransmitted(), "") << "nothing of the abandoned write goes out";
    ASSERT_EQ(Disp.PutString("fresh"), ecOK);
    EXPECT_EQ(TransmittedUntil(5), "fresh");
}

// --- Closing and destroying while notifications are delivered ----------------------------------

enum class TCloser { MainThreadWindow, DispatchThreadHandler };

class CloseFromAvail : public Win32Test, public ::testing::WithParamInterface<TCloser> {};

TEST_P(CloseFromAvail, CompletesAfterTheDispatchThreadHasEnded) {
    TPty pty(41);
    TNotes notes;
    std::atomic<int> closes{0};
    std::unique_ptr<TVexWin32Dispatcher> disp;
    auto close = [&] {
        ++closes;
        disp->DonePort();
    };
    HWND wnd = 0;
    if (GetParam() == TCloser::MainThreadWindow) {
        wnd = CreateMessageWindow("Port", [&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == TriggerAvailMsg) close();
            return 0;
        });
    } else {
        notes.Also = [&](UINT msg) {
            if (msg == TriggerAvailMsg) close();
        };
    }
    disp = std::make_unique<TVexWin32Dispatcher>(nullptr);
    ASSERT_EQ(Open(*disp, pty.Name()), ecOK);
    disp->ChangeLengthTrigger(1);
    if (wnd != 0) {
        disp->RegisterWndTriggerHandler(wnd);
        disp->UpdateHandlerFlags(fuEnablePort);
    } else {
        disp->RegisterEventTriggerHandler(notes.Event());
    }

    pty.Send("bye");
    ASSERT_TRUE(PumpUntil([&] { return closes > 0 && disp->RunningThreads() == 0; }));
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(disp->ClosePending());
    EXPECT_FALSE(disp->DispatcherStarted());
    EXPECT_EQ(disp->ComHandle(), -1);

    TVexWin32Dispatcher again(nullptr);
    EXPECT_EQ(Open(again, pty.Name()), ecOK) << "the device was released";
    again.DonePort();
    disp.reset();
    if (wnd != 0) DestroyWindow(wnd);
}

INSTANTIATE_TEST_SUITE_P(Handlers, CloseFromAvail,
                         ::testing::Values(TCloser::MainThreadWindow, TCloser::DispatchThreadHandler));

// A window whose thread does not pump holds the delivery; destroying the dispatcher meanwhile
// returns, and the withdrawn notification never reaches the window afterwards.
TEST_F(Win32Test, DestroyWhileAWindowThatDoesNotPumpHoldsANotification) {
    struct TShortWindowLimit {
        TShortWindowLimit() { SetWndHandlerTimeoutForTesting(300); }
        ~TShortWindowLimit() { SetWndHandlerTimeoutForTesting(3000); }
    } limit;
    TPty pty(41);
    std::atomic<int> windowCalls{0};
    // A thread that owns a window and pumps nothing until released; then it pumps a while, so a
    // notification still queued for the window would run.
    struct TStuckOwner {
        std::promise<HWND> Created;
        std::promise<void> Release;
        std::thread Thread;
        explicit TStuckOwner(std::atomic<int>& Calls) {
            Thread = std::thread([this, &Calls] {
                const HWND wnd =
                    CreateMessageWindow("Stuck", [&Calls](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
                        if (msg == TriggerAvailMsg) ++Calls;
                        return 0;
                    });
                Created.set_value(wnd);
                Release.get_future().wait();
                const std::uint64_t until = MonotonicMs() + 100;
                while (MonotonicMs() < until)
                    if (SafeYield() == 0) WaitMessageTimeout(1);
                DestroyWindow(wnd);
            });
        }
        ~TStuckOwner() {
            Release.set_value();
            Thread.join();
        }
    };
    auto owner = std::make_unique<TStuckOwner>(windowCalls);
    const HWND wnd = owner->Created.get_future().get();

    TNotes notes; // runs just before the window's turn
    std::atomic<bool> delivering{false};
    notes.Also = [&](UINT) { delivering = true; };
    auto disp = std::make_unique<TVexWin32Dispatcher>(nullptr);
    ASSERT_EQ(Open(*disp, pty.Name()), ecOK);
    disp->ChangeLengthTrigger(1);
    disp->RegisterEventTriggerHandler(notes.Event());
    disp->RegisterWndTriggerHandler(wnd);
    disp->UpdateHandlerFlags(fuEnablePort);

    pty.Send("x");
    ASSERT_TRUE(PumpUntil([&] { return delivering.load(); }));
    disp.reset();

    owner.reset();
    EXPECT_EQ(windowCalls, 0);
}

} // namespace
