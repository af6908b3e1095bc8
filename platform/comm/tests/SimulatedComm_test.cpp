// The port on the simulated line: modem lines, breaks, line errors, flow control and paced output.
#include "platform/comm/SimulatedComm.h"

#include "platform/comm/Comm.h"
#include "platform/win/Sync.h"
#include "support/CommTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

constexpr DWORD kDispatcherMask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;

class SimPort : public ::testing::Test {
protected:
    void SetUp() override {
        port = std::make_unique<TTestPort>("\\\\.\\COM70");
        ASSERT_TRUE(port->ok()) << GetLastError();
        SetImmediateReads(h());
    }

    HANDLE h() const { return port->get(); }

    void Change(void (*edit)(DCB&)) {
        DCB dcb;
        GetCommState(h(), &dcb);
        edit(dcb);
        ASSERT_TRUE(SetCommState(h(), &dcb));
    }

    // Events of the next wait, or 0 when none came in time.
    DWORD NextEvents(int timeoutMs = 3000) {
        TTestEvent done;
        OVERLAPPED ov;
        ov.hEvent = done.get();
        DWORD events = 0;
        if (WaitCommEvent(h(), &events, &ov)) return events;
        EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
        if (!done.Signalled(static_cast<DWORD>(timeoutMs))) CancelIo(h());
        DWORD unused = 0;
        return GetOverlappedResult(h(), &ov, &unused, 1) ? events : 0;
    }

    std::string Read(DWORD count = 4096) {
        std::string buffer(count, '\0');
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(h(), buffer.data(), count, &got, nullptr));
        buffer.resize(got);
        return buffer;
    }

    // Completes at once or stays pending; either way the port has copied the bytes.
    void Write(const std::string& bytes) {
        records.push_back(std::make_unique<OVERLAPPED>());
        WriteFile(h(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, records.back().get());
    }

    // Everything transmitted until the line has been quiet for a moment, up to timeoutMs.
    std::string Transmitted(size_t expected, int timeoutMs = 3000) {
        std::string all;
        WaitUntil(
            [&] {
                all += sim.TakeTransmitted();
                return all.size() >= expected;
            },
            timeoutMs);
        return all;
    }

    TSimulatedComm sim{70};
    std::vector<std::unique_ptr<OVERLAPPED>> records; // outlive the port, which may still complete them
    std::unique_ptr<TTestPort> port;
};

// ---- Modem lines

struct LineCase {
    const char* name;
    void (TSimulatedComm::*set)(bool);
    DWORD event;
    DWORD status;
    bool initially;
};

class SimModemLine : public SimPort, public ::testing::WithParamInterface<LineCase> {};

TEST_P(SimModemLine, ChangeRaisesItsEventAndShowsInTheStatus) {
    const auto& c = GetParam();
    ASSERT_TRUE(SetCommMask(h(), kDispatcherMask));
    DWORD status = 0;
    GetCommModemStatus(h(), &status);
    EXPECT_EQ((status & c.status) != 0, c.initially);

    (sim.*c.set)(!c.initially);
    EXPECT_EQ(NextEvents(), c.event);
    GetCommModemStatus(h(), &status);
    EXPECT_EQ((status & c.status) != 0, !c.initially);

    // A pulse shorter than the port's polling still counts.
    (sim.*c.set)(c.initially);
    (sim.*c.set)(!c.initially);
    EXPECT_EQ(NextEvents(), c.event);
    EXPECT_EQ(NextEvents(50), 0u) << "nothing more happened";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SimModemLine,
    ::testing::Values(LineCase{"Cts", &TSimulatedComm::SetCts, EV_CTS, MS_CTS_ON, true},
                      LineCase{"Dsr", &TSimulatedComm::SetDsr, EV_DSR, MS_DSR_ON, true},
                      LineCase{"Dcd", &TSimulatedComm::SetDcd, EV_RLSD, MS_RLSD_ON, true},
                      LineCase{"Ring", &TSimulatedComm::SetRing, EV_RING, MS_RING_ON, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SimPort, EventsOutsideTheMaskAreNotReported) {
    SetCommMask(h(), EV_DSR);
    sim.SetCts(false);
    sim.Receive("x");
    EXPECT_EQ(NextEvents(50), 0u);
    sim.SetDsr(false);
    EXPECT_EQ(NextEvents(), EV_DSR);
}

// ---- Breaks and line errors

TEST_F(SimPort, BreakRaisesEvBreakAndTheBreakErrorOnce) {
    SetCommMask(h(), kDispatcherMask);
    sim.InjectBreak();
    EXPECT_EQ(NextEvents(), EV_BREAK);
    DWORD errors = 0;
    QueueState(h(), &errors);
    EXPECT_EQ(errors, CE_BREAK);
    QueueState(h(), &errors);
    EXPECT_EQ(errors, 0u) << "reading the errors clears them";
}

TEST_F(SimPort, LineErrorsRaiseEvErrWithTheirBits) {
    SetCommMask(h(), kDispatcherMask);
    for (const DWORD injected : {CE_RXPARITY, CE_FRAME, CE_OVERRUN, CE_RXPARITY | CE_OVERRUN}) {
        sim.InjectLineError(injected);
        EXPECT_EQ(NextEvents(), EV_ERR) << injected;
        DWORD errors = 0;
        QueueState(h(), &errors);
        EXPECT_EQ(errors, injected);
    }
}

TEST_F(SimPort, InputBeyondEveryQueueIsAnOverflow) {
    ASSERT_TRUE(SetupComm(h(), 16, 16));
    sim.Receive(std::string(5000, 'o'));
    DWORD errors = 0; // every query's, as the port may report the overflow before the bytes
    ASSERT_TRUE(WaitUntil([&] {
        DWORD now = 0;
        const bool full = QueueState(h(), &now).cbInQue == 16;
        errors |= now;
        return full;
    }));
    EXPECT_EQ(errors & CE_RXOVER, CE_RXOVER);
    EXPECT_EQ(Read().size(), 16u);
}

TEST_F(SimPort, EightyPercentFullInputRaisesItsEvent) {
    SetupComm(h(), 100, 100);
    SetCommMask(h(), EV_RX80FULL);
    sim.Receive(std::string(79, 'a'));
    EXPECT_EQ(NextEvents(50), 0u);
    sim.Receive("b");
    EXPECT_EQ(NextEvents(), EV_RX80FULL);
}

TEST_F(SimPort, NullAndDsrSensitivityDropReceivedBytes) {
    Change([](DCB& d) { d.fNull = 1; });
    sim.Receive(std::string("a\0b\0", 4));
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 2; }));
    EXPECT_EQ(Read(), "ab");

    Change([](DCB& d) { d.fDsrSensitivity = 1; });
    sim.SetDsr(false);
    DWORD status = MS_DSR_ON;
    ASSERT_TRUE(WaitUntil([&] { return GetCommModemStatus(h(), &status) && !(status & MS_DSR_ON); }));
    sim.Receive("lost");
    ASSERT_TRUE(WaitUntil([&] { return sim.Unread() == 0; })) << "the port takes it in while DSR is off";
    sim.SetDsr(true);
    ASSERT_TRUE(WaitUntil([&] { return GetCommModemStatus(h(), &status) && (status & MS_DSR_ON); }));
    sim.Receive("kept");
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 4; }));
    EXPECT_EQ(Read(), "kept");
}

// ---- Output flow control

TEST_F(SimPort, LowCtsHoldsOutputOnlyWithCtsFlow) {
    sim.SetCts(false);
    Write("free");
    EXPECT_EQ(Transmitted(4), "free") << "without CTS flow the line ignores CTS";

    Change([](DCB& d) { d.fOutxCtsFlow = 1; });
    Write("held back");
    EXPECT_EQ(sim.TakeTransmitted(), "");
    COMSTAT status = QueueState(h());
    EXPECT_EQ(status.cbOutQue, 9u);
    EXPECT_EQ(status.fCtsHold, 1u);
    Write("+more");
    EXPECT_EQ(QueueState(h()).cbOutQue, 14u);

    ASSERT_TRUE(TransmitCommChar(h(), '!'));
    EXPECT_EQ(sim.TakeTransmitted(), "!") << "a single character goes ahead of held output";

    sim.SetCts(true);
    EXPECT_EQ(Transmitted(14), "held back+more");
    status = QueueState(h());
    EXPECT_EQ(status.cbOutQue, 0u);
    EXPECT_EQ(status.fCtsHold, 0u);
}

// A test's far end can drop CTS at an exact byte, however late its own thread reads the line.
TEST_F(SimPort, CtsDroppedAtAChosenByteHoldsWhatFollows) {
    Change([](DCB& d) { d.fOutxCtsFlow = 1; });
    int seen = 0;
    sim.DropCtsWhen([&seen](char) { return ++seen == 3; });
    Write("abcdef");
    EXPECT_EQ(Transmitted(3), "abc");
    EXPECT_EQ(sim.TakeTransmitted(), "");
    DWORD status = 0;
    ASSERT_TRUE(WaitUntil([&] { return GetCommModemStatus(h(), &status) && !(status & MS_CTS_ON); }));
    EXPECT_EQ(QueueState(h()).cbOutQue, 3u);
    sim.SetCts(true);
    EXPECT_EQ(Transmitted(3), "def");
    EXPECT_EQ(seen, 3) << "the watch ends with the drop";
}

TEST_F(SimPort, WriteTimeoutEndsAHeldWriteWithWhatTheLineTook) {
    Change([](DCB& d) { d.fOutxCtsFlow = 1; });
    sim.SetCts(false);
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = MAXDWORD;
    t.WriteTotalTimeoutConstant = 40;
    ASSERT_TRUE(SetCommTimeouts(h(), &t));
    const std::string block(5000, 'w');
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h(), block.data(), 5000, &written, nullptr)) << "a time-out is a success";
    EXPECT_EQ(written, 4096u) << "what the line's own queue took";
    EXPECT_EQ(QueueState(h()).cbOutQue, 4096u);

    // Held by the port itself (DSR flow), the time-out runs all the same.
    Change([](DCB& d) { d.fOutxDsrFlow = 1; });
    sim.SetDsr(false);
    DWORD status = MS_DSR_ON;
    ASSERT_TRUE(WaitUntil([&] { return GetCommModemStatus(h(), &status) && !(status & MS_DSR_ON); }));
    EXPECT_TRUE(WriteFile(h(), "dsr", 3, &written, nullptr));
    EXPECT_EQ(written, 0u);
}

TEST_F(SimPort, LowDsrHoldsOutputWithDsrFlow) {
    Change([](DCB& d) { d.fOutxDsrFlow = 1; });
    sim.SetDsr(false);
    DWORD status = MS_DSR_ON;
    ASSERT_TRUE(WaitUntil([&] { return GetCommModemStatus(h(), &status) && !(status & MS_DSR_ON); }));
    Write("dsr");
    EXPECT_EQ(sim.TakeTransmitted(), "");
    EXPECT_EQ(QueueState(h()).fDsrHold, 1u);
    sim.SetDsr(true);
    EXPECT_EQ(Transmitted(3), "dsr");
}

TEST_F(SimPort, ReceivedXoffHoldsOutputUntilXon) {
    Change([](DCB& d) { d.fOutX = 1; });
    sim.Receive("\x13");
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).fXoffHold == 1; }));
    Write("paused");
    EXPECT_EQ(sim.TakeTransmitted(), "");
    EXPECT_EQ(QueueState(h()).cbOutQue, 6u);
    sim.Receive("\x11");
    EXPECT_EQ(Transmitted(6), "paused");
    EXPECT_EQ(QueueState(h()).cbInQue, 0u) << "flow characters are not data";
}

TEST_F(SimPort, SetXoffAndSetXonStopAndRestartOutput) {
    ASSERT_TRUE(EscapeCommFunction(h(), SETXOFF));
    Write("wait");
    EXPECT_EQ(sim.TakeTransmitted(), "");
    EXPECT_EQ(QueueState(h()).fXoffHold, 1u);
    ASSERT_TRUE(EscapeCommFunction(h(), SETXON));
    EXPECT_EQ(Transmitted(4), "wait");
}

// ---- Input flow control

struct InputFlowCase {
    const char* name;
    void (*configure)(DCB&);
    bool (TSimulatedComm::*line)() const; // the line that drops, or null for XON/XOFF
};

class SimInputFlow : public SimPort, public ::testing::WithParamInterface<InputFlowCase> {};

TEST_P(SimInputFlow, StopsTheSenderNearFullAndRestartsItWhenDrained) {
    const auto& c = GetParam();
    ASSERT_TRUE(SetupComm(h(), 64, 64));
    Change([](DCB& d) {
        d.XoffLim = 16; // stop at 48 bytes waiting
        d.XonLim = 8;   // restart at 8
    });
    Change(c.configure);
    if (c.line) {
        EXPECT_TRUE((sim.*c.line)());
    }

    sim.Receive(std::string(47, 'a'));
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 47; }));
    EXPECT_EQ(sim.TakeTransmitted(), "");
    sim.Receive("b");
    if (c.line) {
        EXPECT_TRUE(WaitUntil([&] { return !(sim.*c.line)(); }));
    } else {
        EXPECT_EQ(Transmitted(1), "\x13");
        EXPECT_EQ(QueueState(h()).fXoffSent, 1u);
    }

    EXPECT_EQ(Read(39).size(), 39u);
    EXPECT_EQ(sim.TakeTransmitted(), "") << "9 bytes left: still above the restart mark";
    EXPECT_EQ(Read(1).size(), 1u);
    if (c.line) {
        EXPECT_TRUE(WaitUntil([&] { return (sim.*c.line)(); }));
    } else {
        EXPECT_EQ(Transmitted(1), "\x11");
        EXPECT_EQ(QueueState(h()).fXoffSent, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SimInputFlow,
    ::testing::Values(InputFlowCase{"XonXoff", [](DCB& d) { d.fInX = 1; }, nullptr},
                      InputFlowCase{"RtsHandshake", [](DCB& d) { d.fRtsControl = RTS_CONTROL_HANDSHAKE; },
                                    &TSimulatedComm::Rts},
                      InputFlowCase{"DtrHandshake", [](DCB& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; },
                                    &TSimulatedComm::Dtr}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SimPort, OutputWaitsWhileXoffIsSentUnlessTold) {
    ASSERT_TRUE(SetupComm(h(), 64, 64));
    Change([](DCB& d) {
        d.fInX = 1;
        d.XoffLim = 16;
        d.XonLim = 8;
    });
    sim.Receive(std::string(50, 'a'));
    EXPECT_EQ(Transmitted(1), "\x13");
    Write("later");
    EXPECT_EQ(sim.TakeTransmitted(), "");
    Read(45);
    EXPECT_EQ(Transmitted(6), "\x11later");

    Change([](DCB& d) { d.fTXContinueOnXoff = 1; });
    sim.Receive(std::string(50, 'a'));
    EXPECT_EQ(Transmitted(1), "\x13");
    Write("now");
    EXPECT_EQ(Transmitted(3), "now");
}

// ---- Paced output

TEST_F(SimPort, PacedOutputLeavesAtTheLineRateAndThenSignalsEmpty) {
    Change([](DCB& d) { d.BaudRate = 9600; }); // 8N1: 960 bytes a second
    sim.SetPacing(true);
    SetCommMask(h(), EV_TXEMPTY);
    const auto start = std::chrono::steady_clock::now();
    Write(std::string(288, 'p')); // 300 ms of line time
    std::string sent = sim.TakeTransmitted();
    EXPECT_LT(sent.size(), 288u);
    EXPECT_GT(QueueState(h()).cbOutQue, 0u);

    ASSERT_EQ(NextEvents(), EV_TXEMPTY);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    sent += sim.TakeTransmitted();
    EXPECT_EQ(sent, std::string(288, 'p'));
    EXPECT_EQ(QueueState(h()).cbOutQue, 0u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(250)) << "the line cannot carry it faster";
}

TEST_F(SimPort, PaceCountsStartParityAndStopBits) {
    Change([](DCB& d) {
        d.BaudRate = 1100; // 7E2: 11 bits, 100 bytes a second
        d.ByteSize = 7;
        d.Parity = EVENPARITY;
        d.StopBits = TWOSTOPBITS;
    });
    sim.SetPacing(true);
    const auto start = std::chrono::steady_clock::now();
    Write(std::string(20, 's'));
    ASSERT_EQ(Transmitted(20).size(), 20u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(170));
}

TEST_F(SimPort, RtsToggleRaisesRtsOnlyWhileSending) {
    Change([](DCB& d) {
        d.BaudRate = 9600;
        d.fRtsControl = RTS_CONTROL_TOGGLE;
    });
    EXPECT_FALSE(sim.Rts());
    sim.SetPacing(true);
    SetCommMask(h(), EV_TXEMPTY);
    Write(std::string(96, 't'));
    EXPECT_TRUE(sim.Rts());
    ASSERT_EQ(NextEvents(), EV_TXEMPTY);
    EXPECT_TRUE(WaitUntil([&] { return !sim.Rts(); }));
    EXPECT_EQ(Transmitted(96).size(), 96u);
}

// ---- DTR, RTS and break

TEST_F(SimPort, EscapesAndControlModesReachDtrRtsAndBreak) {
    EXPECT_TRUE(sim.Dtr()) << "opening raises DTR and RTS";
    EXPECT_TRUE(sim.Rts());
    ASSERT_TRUE(EscapeCommFunction(h(), CLRDTR));
    EXPECT_FALSE(sim.Dtr());
    ASSERT_TRUE(EscapeCommFunction(h(), CLRRTS));
    EXPECT_FALSE(sim.Rts());
    ASSERT_TRUE(EscapeCommFunction(h(), SETDTR));
    EXPECT_TRUE(sim.Dtr());
    ASSERT_TRUE(EscapeCommFunction(h(), SETRTS));
    EXPECT_TRUE(sim.Rts());
    ASSERT_TRUE(SetCommBreak(h()));
    EXPECT_TRUE(sim.BreakOn());
    Write("after");
    EXPECT_EQ(sim.TakeTransmitted(), "") << "nothing goes out during a break";
    ASSERT_TRUE(ClearCommBreak(h()));
    EXPECT_FALSE(sim.BreakOn());
    EXPECT_EQ(Transmitted(5), "after");

    Change([](DCB& d) {
        d.fDtrControl = DTR_CONTROL_DISABLE;
        d.fRtsControl = RTS_CONTROL_DISABLE;
    });
    EXPECT_FALSE(sim.Dtr());
    EXPECT_FALSE(sim.Rts());

    Change([](DCB& d) {
        d.fDtrControl = DTR_CONTROL_HANDSHAKE;
        d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    });
    EXPECT_TRUE(sim.Dtr());
    EXPECT_TRUE(sim.Rts());
    for (const DWORD f : {SETRTS, CLRRTS, SETDTR, CLRDTR}) {
        EXPECT_FALSE(EscapeCommFunction(h(), f)) << "the handshake owns the line";
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }

    port->Close();
    EXPECT_FALSE(sim.Dtr()) << "closing drops DTR and RTS";
    EXPECT_FALSE(sim.Rts());
    EXPECT_FALSE(sim.IsOpen());
}

TEST_F(SimPort, SettingsReachTheLineAndASecondOpenIsInUse) {
    Change([](DCB& d) {
        d.BaudRate = 57600;
        d.ByteSize = 7;
        d.Parity = MARKPARITY;
        d.StopBits = TWOSTOPBITS;
    });
    const DCB line = sim.LineSettings();
    EXPECT_EQ(line.BaudRate, 57600u);
    EXPECT_EQ(line.ByteSize, 7);
    EXPECT_EQ(line.Parity, MARKPARITY);
    EXPECT_EQ(line.StopBits, TWOSTOPBITS);

    TTestPort second("COM70");
    EXPECT_FALSE(second.ok());
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
}

TEST_F(SimPort, CloseAbortsHeldOutputAndReportsWhatWasAccepted) {
    Change([](DCB& d) { d.fOutxCtsFlow = 1; });
    sim.SetCts(false);
    const std::string block(10000, 'h'); // more than the line's own queue takes
    TTestEvent done;
    OVERLAPPED ov;
    ov.hEvent = done.get();
    ASSERT_FALSE(WriteFile(h(), block.data(), static_cast<DWORD>(block.size()), nullptr, &ov));
    const HANDLE closed = h();
    port->Close();
    ASSERT_TRUE(done.Signalled());
    DWORD written = 0;
    EXPECT_FALSE(GetOverlappedResult(closed, &ov, &written, 0));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(written, 4096u);
}

TEST(SimulatedComm, OpenAndCloseLeaveNoDescriptorOrThreadBehind) {
    TSimulatedComm sim(71);
    const auto count = [](const char* dir) {
        return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator{});
    };
    // Counted after a first round: a run-time's helpers (a sanitizer's thread) start with the first
    // worker and stay.
    ASSERT_TRUE(CloseComm(OpenComm("COM71")));
    const auto fds = count("/proc/self/fd");
    const auto tasks = count("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        const HANDLE h = OpenComm("COM71");
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << i;
        SetCommMask(h, EV_CTS);
        DWORD events = 0;
        OVERLAPPED ov;
        WaitCommEvent(h, &events, &ov);
        ASSERT_TRUE(CloseComm(h));
        ASSERT_TRUE(HasOverlappedIoCompleted(&ov));
    }
    EXPECT_EQ(count("/proc/self/fd"), fds);
    // A joined thread can stay listed for a moment after the join returns (the warm-up's too, which
    // can make the first count one high): a leak shows as more threads than before, for good.
    for (int i = 0; i < 200 && count("/proc/self/task") > tasks; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_LE(count("/proc/self/task"), tasks);
    EXPECT_FALSE(sim.IsOpen());
}

TEST(SimulatedComm, OnlyItsNumberIsSimulatedAndOnlyWhileItExists) {
    {
        TSimulatedComm sim(72);
        TTestPort port("COM72");
        EXPECT_TRUE(port.ok());
        EXPECT_TRUE(sim.IsOpen());
    }
    setenv("VEXO_COM72", "/nonexistent/sim", 1);
    EXPECT_EQ(OpenComm("COM72"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    unsetenv("VEXO_COM72");
}

} // namespace
