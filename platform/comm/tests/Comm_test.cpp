// The port on real pseudo-terminal pairs: the test holds the master as the far end of the line.
#include "platform/comm/Comm.h"

#include "platform/win/Sync.h"
#include "support/CommTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <asm/termbits.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kPort = 40;

class PtyPort : public ::testing::Test {
protected:
    void SetUp() override {
        port = std::make_unique<TTestPort>(pty.PortName());
        ASSERT_TRUE(port->ok()) << CommOpenErrorText(pty.PortName(), GetLastError());
    }

    HANDLE h() const { return port->get(); }

    termios2 SlaveTermios() const {
        termios2 t{};
        ioctl(pty.Slave(), TCGETS2, &t);
        return t;
    }

    TPtyPair pty{kPort};
    std::unique_ptr<TTestPort> port;
};

std::string ReadNow(HANDLE port, DWORD count = 4096) {
    std::string buffer(count, '\0');
    DWORD got = 0;
    OVERLAPPED ov;
    EXPECT_TRUE(ReadFile(port, buffer.data(), count, &got, &ov));
    buffer.resize(got);
    return buffer;
}

// ---- Data

TEST_F(PtyPort, CarriesEveryByteValueBothWaysUnchanged) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    all += "\r\n\r";

    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h(), all.data(), static_cast<DWORD>(all.size()), &written, nullptr));
    EXPECT_EQ(written, all.size());
    EXPECT_EQ(pty.Receive(all.size()), all);

    SetImmediateReads(h());
    pty.Send(all);
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == all.size(); }));
    EXPECT_EQ(ReadNow(h()), all);
    EXPECT_EQ(pty.Drain(), "") << "raw mode echoes nothing";
}

TEST_F(PtyPort, LargeOverlappedWriteCompletesAsTheFarEndReads) {
    std::string block(300000, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
    TTestEvent done;
    OVERLAPPED ov;
    ov.hEvent = done.get();
    const BOOL at_once = WriteFile(h(), block.data(), static_cast<DWORD>(block.size()), nullptr, &ov);
    ASSERT_FALSE(at_once);
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    block.assign(block.size(), 'x'); // the port copied the bytes; the buffer is free

    EXPECT_GT(QueueState(h()).cbOutQue, 0u);
    const std::string got = pty.Receive(300000, 10000);
    ASSERT_TRUE(done.Signalled(3000));
    DWORD written = 0;
    EXPECT_TRUE(GetOverlappedResult(h(), &ov, &written, 0));
    EXPECT_EQ(written, 300000u);
    ASSERT_EQ(got.size(), 300000u);
    for (size_t i = 0; i < got.size(); i += 4999) ASSERT_EQ(got[i], static_cast<char>(i * 7)) << i;
    EXPECT_EQ(QueueState(h()).cbOutQue, 0u);
}

// ---- Reads and their time-outs

TEST_F(PtyPort, ImmediateReadAnswersAtOnceEvenWhenNothingArrived) {
    SetImmediateReads(h());
    EXPECT_EQ(ReadNow(h(), 10), "");
}

// The read takes the queue and then what the device holds, up to what the queue could hold, in
// order, with the settings' filtering applied to both; what is left comes with the next reads.
TEST_F(PtyPort, ImmediateReadTakesTheQueueAndTheDeviceUpToTheQueuesSize) {
    ASSERT_TRUE(SetupComm(h(), 64, 64));
    DCB dcb;
    GetCommState(h(), &dcb);
    dcb.fNull = 1;
    ASSERT_TRUE(SetCommState(h(), &dcb));
    SetImmediateReads(h());
    std::string sent, expected;
    for (int i = 0; i < 300; ++i) {
        const char c = i % 7 == 0 ? '\0' : static_cast<char>('a' + i % 26);
        sent.push_back(c);
        if (c != '\0') expected.push_back(c);
    }
    pty.Send(sent);
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 64; }));
    // Everything else in the device (the queue took at most 75 of the bytes sent).
    ASSERT_TRUE(WaitUntil([&] { return CommInputWaiting(h()) >= 64 + sent.size() - 75; }));
    std::string got;
    for (int i = 0; i < 10 && got.size() < expected.size(); ++i) {
        const std::string part = ReadNow(h(), 1000);
        EXPECT_LE(part.size(), 64u);
        got += part;
        if (part.empty()) WaitUntil([&] { return CommInputWaiting(h()) > 0; }, 100);
    }
    EXPECT_EQ(got, expected);

    pty.Send("later");
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 5; })) << "the worker reads ahead again";
    EXPECT_EQ(ReadNow(h()), "later");
}

TEST_F(PtyPort, ReadCompletesWhenItsCountHasArrivedAndLeavesTheRest) {
    char buffer[5] = {};
    OVERLAPPED ov;
    ASSERT_FALSE(ReadFile(h(), buffer, 5, nullptr, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    DWORD got = 0;
    EXPECT_FALSE(GetOverlappedResult(h(), &ov, &got, 0));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);

    pty.Send("abcdefgh");
    ASSERT_TRUE(GetOverlappedResult(h(), &ov, &got, 1));
    EXPECT_EQ(std::string(buffer, got), "abcde");
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 3; }));
}

struct ReadTimeoutCase {
    const char* name;
    COMMTIMEOUTS timeouts;
    std::string sent;
    std::string expected;
};

class PtyReadTimeouts : public PtyPort, public ::testing::WithParamInterface<ReadTimeoutCase> {};

TEST_P(PtyReadTimeouts, EndTheReadWithWhatHasArrived) {
    const auto& c = GetParam();
    ASSERT_TRUE(SetCommTimeouts(h(), &c.timeouts));
    char buffer[10] = {};
    TTestEvent done;
    OVERLAPPED ov;
    ov.hEvent = done.get();
    ASSERT_FALSE(ReadFile(h(), buffer, 10, nullptr, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    pty.Send(c.sent);
    ASSERT_TRUE(done.Signalled(3000));
    DWORD got = 0;
    EXPECT_TRUE(GetOverlappedResult(h(), &ov, &got, 0)) << "a time-out is a success";
    EXPECT_EQ(std::string(buffer, got), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PtyReadTimeouts,
    ::testing::Values(ReadTimeoutCase{"FirstByteEndsIt", {MAXDWORD, MAXDWORD, 2000, 0, 0}, "ab", "ab"},
                      ReadTimeoutCase{"TotalTimeout", {0, 0, 60, 0, 0}, "xyz", "xyz"},
                      ReadTimeoutCase{"IntervalTimeout", {40, 0, 0, 0, 0}, "1234", "1234"},
                      ReadTimeoutCase{"TotalWithNothing", {0, 10, 20, 0, 0}, "", ""}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(PtyPort, ReadWithoutARecordWaitsForItsResult) {
    COMMTIMEOUTS t;
    t.ReadTotalTimeoutConstant = 30;
    SetCommTimeouts(h(), &t);
    char buffer[4];
    DWORD got = 99;
    EXPECT_TRUE(ReadFile(h(), buffer, 4, &got, nullptr));
    EXPECT_EQ(got, 0u);
}

// ---- Comm events

TEST_F(PtyPort, WaitCommEventCompletesOnReceivedData) {
    ASSERT_TRUE(SetCommMask(h(), EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING));
    TTestEvent signalled;
    OVERLAPPED ov;
    ov.hEvent = signalled.get();
    DWORD events = 0;
    ASSERT_FALSE(WaitCommEvent(h(), &events, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_FALSE(signalled.Signalled(20));

    pty.Send("Q");
    ASSERT_TRUE(signalled.Signalled(3000));
    DWORD unused = 0;
    EXPECT_TRUE(GetOverlappedResult(h(), &ov, &unused, 0));
    EXPECT_EQ(events, EV_RXCHAR);
}

TEST_F(PtyPort, EventsBeforeTheWaitCompleteItAtOnce) {
    SetCommMask(h(), EV_RXCHAR | EV_TXEMPTY);
    pty.Send("z");
    DWORD written = 0;
    WriteFile(h(), "out", 3, &written, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 1; }));
    ASSERT_EQ(pty.Receive(3), "out");
    DWORD events = 0;
    OVERLAPPED ov;
    ASSERT_TRUE(WaitCommEvent(h(), &events, &ov));
    EXPECT_EQ(events, EV_RXCHAR | EV_TXEMPTY);
    EXPECT_TRUE(HasOverlappedIoCompleted(&ov));
}

TEST_F(PtyPort, EventCharacterRaisesRxFlag) {
    DCB dcb;
    GetCommState(h(), &dcb);
    dcb.EvtChar = '\n';
    ASSERT_TRUE(SetCommState(h(), &dcb));
    SetCommMask(h(), EV_RXFLAG);
    DWORD events = 0;
    OVERLAPPED ov;
    ASSERT_FALSE(WaitCommEvent(h(), &events, &ov));
    pty.Send("abc");
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 3; }));
    EXPECT_FALSE(HasOverlappedIoCompleted(&ov));
    pty.Send("\n");
    DWORD unused = 0;
    ASSERT_TRUE(GetOverlappedResult(h(), &ov, &unused, 1));
    EXPECT_EQ(events, EV_RXFLAG);
}

TEST_F(PtyPort, NewMaskCompletesAPendingWaitWithNoEvents) {
    SetCommMask(h(), EV_RXCHAR);
    DWORD events = 123;
    OVERLAPPED ov;
    ASSERT_FALSE(WaitCommEvent(h(), &events, &ov));
    DWORD second = 0;
    OVERLAPPED ov2;
    EXPECT_FALSE(WaitCommEvent(h(), &second, &ov2));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "one wait at a time";

    ASSERT_TRUE(SetCommMask(h(), 0));
    DWORD unused = 0;
    EXPECT_TRUE(GetOverlappedResult(h(), &ov, &unused, 1));
    EXPECT_EQ(events, 0u);
    EXPECT_FALSE(WaitCommEvent(h(), &events, &ov)) << "nothing to wait for";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PtyPort, MaskWithUnknownBitsIsRefusedSoCallersCanFallBack) {
    ASSERT_TRUE(SetCommMask(h(), 0x1F9));
    EXPECT_FALSE(SetCommMask(h(), 0x21F9));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DWORD mask = 0;
    GetCommMask(h(), &mask);
    EXPECT_EQ(mask, 0x1F9u);
}

// ---- Purge and queue state

TEST_F(PtyPort, PurgeClearsInputAndAbortsAPendingReadKeepingWhatItHad) {
    pty.Send("0123456789");
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 10; }));
    ASSERT_TRUE(PurgeComm(h(), PURGE_RXCLEAR));
    EXPECT_EQ(QueueState(h()).cbInQue, 0u);

    SetCommMask(h(), EV_RXCHAR);
    DWORD events = 55;
    OVERLAPPED waitOv;
    ASSERT_FALSE(WaitCommEvent(h(), &events, &waitOv));
    char buffer[8] = {};
    OVERLAPPED readOv;
    ASSERT_FALSE(ReadFile(h(), buffer, 8, nullptr, &readOv));
    pty.Send("ab");
    DWORD got = 0;
    // The bytes reach the pending read before the event is reported.
    ASSERT_TRUE(GetOverlappedResult(h(), &waitOv, &got, 1));

    ASSERT_TRUE(PurgeComm(h(), PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_FALSE(GetOverlappedResult(h(), &readOv, &got, 1));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(std::string(buffer, got), "ab") << "bytes already taken are not lost";

    EXPECT_FALSE(PurgeComm(h(), 0x10));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// More than the queue, the bytes read ahead and the terminal together can hold, sent while nobody
// reads: the sender is held back, nothing is lost, and everything reads back in order.
TEST_F(PtyPort, AStreamBeyondEveryBufferIsHeldBackAndReadWholeInOrder) {
    std::string sent(1 << 20, '\0');
    for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    std::thread sender([&] { pty.Send(sent); });
    ASSERT_TRUE(WaitUntil([&] { return CommInputWaiting(h()) >= 64 * 1024; }));
    SetImmediateReads(h());
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (got.size() < sent.size() && std::chrono::steady_clock::now() < deadline) {
        const std::string part = ReadNow(h(), 65536);
        got += part;
        if (part.empty()) WaitUntil([&] { return CommInputWaiting(h()) > 0; }, 50);
    }
    sender.join();
    ASSERT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent) << "first difference at "
                             << std::mismatch(got.begin(), got.end(), sent.begin()).first - got.begin();
}

// A purge drops what the device had already read ahead of the queue, not just the queue.
TEST_F(PtyPort, PurgeDropsWhatWasReadAheadOfTheQueue) {
    pty.Send(std::string(20000, 'o'));
    ASSERT_TRUE(WaitUntil([&] { return CommInputWaiting(h()) == 20000; }));
    EXPECT_EQ(QueueState(h()).cbInQue, 4096u) << "the queue holds its size, the rest waits beyond it";
    ASSERT_TRUE(PurgeComm(h(), PURGE_RXCLEAR));
    EXPECT_EQ(CommInputWaiting(h()), 0u);
    pty.Send("new");
    ASSERT_TRUE(WaitUntil([&] { return CommInputWaiting(h()) == 3; }));
    SetImmediateReads(h());
    EXPECT_EQ(ReadNow(h()), "new");
}

// Bytes that came before the far end hung up are still read; after that the port idles rather than
// spinning on the hung-up descriptor.
TEST_F(PtyPort, HungUpLineKeepsWhatCameAndIdles) {
    pty.Send("last words");
    ASSERT_TRUE(WaitUntil([&] { return CommInputWaiting(h()) == 10; }));
    pty.CloseMaster();
    SetImmediateReads(h());
    EXPECT_EQ(ReadNow(h()), "last words");
    const auto cpuMs = [] {
        rusage r{};
        getrusage(RUSAGE_SELF, &r);
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 +
               (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
    };
    const double before = cpuMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_LT(cpuMs() - before, 100.0) << "a hung-up line must not keep a thread busy";
    EXPECT_EQ(ReadNow(h()), "");
}

TEST_F(PtyPort, PurgeCompletesAPendingEventWait) {
    SetCommMask(h(), EV_RXCHAR);
    DWORD events = 77;
    OVERLAPPED ov;
    ASSERT_FALSE(WaitCommEvent(h(), &events, &ov));
    ASSERT_TRUE(PurgeComm(h(), PURGE_TXCLEAR));
    DWORD unused = 0;
    EXPECT_TRUE(GetOverlappedResult(h(), &ov, &unused, 1));
    EXPECT_EQ(events, 0u);
}

TEST_F(PtyPort, TxAbortEndsAWriteTheFarEndDoesNotTake) {
    const std::string block(1 << 20, 'w');
    OVERLAPPED ov;
    ASSERT_FALSE(WriteFile(h(), block.data(), static_cast<DWORD>(block.size()), nullptr, &ov));
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbOutQue < block.size(); }));
    const DWORD waiting = QueueState(h()).cbOutQue;
    EXPECT_GT(waiting, 0u);

    ASSERT_TRUE(PurgeComm(h(), PURGE_TXABORT | PURGE_TXCLEAR));
    DWORD written = 0;
    EXPECT_FALSE(GetOverlappedResult(h(), &ov, &written, 1));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_LT(written, block.size());
    EXPECT_EQ(QueueState(h()).cbOutQue, 0u);
}

TEST_F(PtyPort, TxClearKeepsWhatTheKernelAcceptedForTheFarEnd) {
    std::string block;
    for (int i = 0; i < 3000; ++i) block.push_back(static_cast<char>('a' + i % 26));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h(), block.data(), static_cast<DWORD>(block.size()), &written, nullptr));
    ASSERT_EQ(written, block.size());
    // The far end has read nothing yet; a clear of the output must not take it away.
    ASSERT_TRUE(PurgeComm(h(), PURGE_TXABORT | PURGE_TXCLEAR));
    EXPECT_EQ(pty.Receive(block.size()), block);
}

// ---- Line settings

TEST_F(PtyPort, OpensRawWithTheLinesSpeedAndNoFlowControl) {
    port->Close();
    termios2 t = SlaveTermios();
    // A pseudo-terminal keeps 8 data bits and no parity whatever it is told.
    t.c_cflag = (t.c_cflag & ~(CBAUD | PARODD | CSTOPB)) | BOTHER | CSTOPB;
    t.c_ispeed = t.c_ospeed = 4800;
    t.c_iflag |= IXON | IXOFF | ICRNL;
    t.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(ioctl(pty.Slave(), TCSETS2, &t), 0);

    TTestPort again(pty.PortName());
    ASSERT_TRUE(again.ok());
    DCB dcb;
    ASSERT_TRUE(GetCommState(again.get(), &dcb));
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 4800u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fOutX + dcb.fInX + dcb.fOutxCtsFlow + dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);

    t = SlaveTermios();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

struct LineCase {
    const char* name;
    DWORD baud;
    BYTE byteSize;
    BYTE parity;
    BYTE stopBits;
    tcflag_t cflags; // expected among PARODD, CMSPAR and CSTOPB (a pseudo-terminal forces CS8, no PARENB)
};

class PtyLine : public PtyPort, public ::testing::WithParamInterface<LineCase> {};

TEST_P(PtyLine, ReachesTheTtyAndReadsBack) {
    const auto& c = GetParam();
    DCB dcb;
    GetCommState(h(), &dcb);
    dcb.BaudRate = c.baud;
    dcb.ByteSize = c.byteSize;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stopBits;
    ASSERT_TRUE(SetCommState(h(), &dcb));
    const termios2 t = SlaveTermios();
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
    EXPECT_EQ(t.c_ospeed, c.baud);
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR | CSTOPB), c.cflags);
    DCB back;
    GetCommState(h(), &back);
    EXPECT_EQ(back.BaudRate, c.baud);
    EXPECT_EQ(back.ByteSize, c.byteSize);
    EXPECT_EQ(back.Parity, c.parity);
    EXPECT_EQ(back.StopBits, c.stopBits);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PtyLine,
    ::testing::Values(LineCase{"N81", 9600, 8, NOPARITY, ONESTOPBIT, 0},
                      LineCase{"O72", 115200, 7, ODDPARITY, TWOSTOPBITS, PARODD | CSTOPB},
                      LineCase{"E81", 19200, 8, EVENPARITY, ONESTOPBIT, 0},
                      LineCase{"Mark", 12345, 8, MARKPARITY, ONESTOPBIT, CMSPAR | PARODD},
                      LineCase{"Space", 250000, 6, SPACEPARITY, ONESTOPBIT, CMSPAR},
                      LineCase{"FiveBitsOneAndAHalf", 110, 5, NOPARITY, ONE5STOPBITS, CSTOPB}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(PtyPort, FlowControlSettingsReachTheTtyAndLimitsAreKept) {
    DCB dcb;
    GetCommState(h(), &dcb);
    dcb.fOutxCtsFlow = 1;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.XonChar = 0x21;
    dcb.XoffChar = 0x23;
    dcb.XonLim = 100;
    dcb.XoffLim = 200;
    dcb.fParity = 1;
    dcb.Parity = EVENPARITY;
    ASSERT_TRUE(SetCommState(h(), &dcb));
    const termios2 t = SlaveTermios();
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), static_cast<tcflag_t>(IXON | IXOFF | INPCK));
    EXPECT_EQ(t.c_cc[VSTART], 0x21);
    EXPECT_EQ(t.c_cc[VSTOP], 0x23);
    DCB back;
    GetCommState(h(), &back);
    EXPECT_EQ(back.Flags, dcb.Flags);
    EXPECT_EQ(back.XonLim, 100);
    EXPECT_EQ(back.XoffLim, 200);
    EXPECT_EQ(back.Flags & 0x04u, 0x04u) << "the flag word overlays the bit fields";
}

TEST_F(PtyPort, InvalidSettingsAreRefusedAndChangeNothing) {
    DCB good;
    GetCommState(h(), &good);
    const auto refused = [&](auto change) {
        DCB dcb = good;
        change(dcb);
        const BOOL ok = SetCommState(h(), &dcb);
        const DWORD error = GetLastError();
        DCB now;
        GetCommState(h(), &now);
        return !ok && error == ERROR_INVALID_PARAMETER && now.Flags == good.Flags &&
               now.BaudRate == good.BaudRate && now.ByteSize == good.ByteSize;
    };
    EXPECT_TRUE(refused([](DCB& d) { d.ByteSize = 9; }));
    EXPECT_TRUE(refused([](DCB& d) { d.ByteSize = 4; }));
    EXPECT_TRUE(refused([](DCB& d) { d.Parity = 5; }));
    EXPECT_TRUE(refused([](DCB& d) { d.StopBits = 3; }));
    EXPECT_TRUE(refused([](DCB& d) { d.BaudRate = 0; }));
    EXPECT_TRUE(refused([](DCB& d) {
        d.fOutX = 1;
        d.XonChar = d.XoffChar = 0x11;
    }));
}

// ---- XON/XOFF on a real tty

TEST_F(PtyPort, ReceivedXoffHoldsOutputUntilXon) {
    DCB dcb;
    GetCommState(h(), &dcb);
    dcb.fOutX = 1;
    ASSERT_TRUE(SetCommState(h(), &dcb));
    SetImmediateReads(h());
    pty.Send("\x13m"); // once the marker is in, the tty has taken the XOFF before it
    ASSERT_TRUE(WaitUntil([&] { return QueueState(h()).cbInQue == 1; }));
    DWORD written = 0;
    OVERLAPPED ov;
    WriteFile(h(), "held", 4, &written, &ov);
    EXPECT_EQ(pty.Receive(4, 100), "");
    pty.Send("\x11");
    EXPECT_EQ(pty.Receive(4), "held");
    EXPECT_EQ(ReadNow(h()), "m") << "flow characters are not data";
}

TEST_F(PtyPort, FullInputQueueSendsXoffAndDrainingSendsXon) {
    ASSERT_TRUE(SetupComm(h(), 64, 64));
    DCB dcb;
    GetCommState(h(), &dcb);
    dcb.fInX = 1;
    dcb.XoffLim = 16; // stop at 48 bytes
    dcb.XonLim = 8;
    ASSERT_TRUE(SetCommState(h(), &dcb));
    SetImmediateReads(h());
    pty.Send(std::string(50, 'i'));
    EXPECT_EQ(pty.Receive(1), "\x13");
    COMSTAT status = QueueState(h());
    EXPECT_EQ(status.fXoffSent, 1u);
    EXPECT_EQ(status.Flags & 0x10u, 0x10u);

    EXPECT_EQ(ReadNow(h(), 45).size(), 45u);
    EXPECT_EQ(pty.Receive(1), "\x11");
    EXPECT_EQ(QueueState(h()).fXoffSent, 0u);
}

TEST_F(PtyPort, SetXoffSuspendsOutputUntilSetXon) {
    ASSERT_TRUE(EscapeCommFunction(h(), SETXOFF));
    DWORD written = 0;
    OVERLAPPED ov;
    WriteFile(h(), "later", 5, &written, &ov);
    EXPECT_EQ(pty.Receive(5, 100), "");
    EXPECT_EQ(QueueState(h()).fXoffHold, 1u);
    ASSERT_TRUE(EscapeCommFunction(h(), SETXON));
    EXPECT_EQ(pty.Receive(5), "later");
}

// ---- Modem lines and escapes on a device without them

TEST_F(PtyPort, PseudoTerminalReadsCtsDsrAndDcdOn) {
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(h(), &status));
    EXPECT_EQ(status, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    for (const DWORD f : {SETDTR, CLRDTR, SETRTS, CLRRTS, SETBREAK, CLRBREAK})
        EXPECT_TRUE(EscapeCommFunction(h(), f)) << f;
    EXPECT_TRUE(SetCommBreak(h()));
    EXPECT_TRUE(ClearCommBreak(h()));
    EXPECT_FALSE(EscapeCommFunction(h(), 7));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(TransmitCommChar(h(), '!'));
    EXPECT_EQ(pty.Receive(1), "!");
}

// ---- Close

TEST_F(PtyPort, CloseCompletesPendingOperationsAsAborted) {
    SetCommMask(h(), EV_RXCHAR | EV_CTS);
    char buffer[10] = {};
    TTestEvent readDone;
    OVERLAPPED readOv;
    readOv.hEvent = readDone.get();
    ASSERT_FALSE(ReadFile(h(), buffer, 10, nullptr, &readOv));
    DWORD events = 0;
    OVERLAPPED firstOv;
    ASSERT_FALSE(WaitCommEvent(h(), &events, &firstOv));
    pty.Send("abc");
    DWORD got = 0;
    ASSERT_TRUE(GetOverlappedResult(h(), &firstOv, &got, 1)); // the read has the bytes by now

    TTestEvent waitDone;
    OVERLAPPED waitOv;
    waitOv.hEvent = waitDone.get();
    events = 42;
    ASSERT_FALSE(WaitCommEvent(h(), &events, &waitOv));

    BOOL syncResult = 1;
    DWORD syncError = 0, syncBytes = 9;
    const HANDLE closed = h();
    std::thread blocked([&] {
        char other[4];
        syncResult = ReadFile(closed, other, 4, &syncBytes, nullptr);
        syncError = GetLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    ASSERT_TRUE(port->Close());
    blocked.join();
    ASSERT_TRUE(waitDone.Signalled());
    ASSERT_TRUE(readDone.Signalled());
    EXPECT_FALSE(GetOverlappedResult(closed, &waitOv, &got, 0));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(events, 0u);
    EXPECT_FALSE(GetOverlappedResult(closed, &readOv, &got, 0));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(std::string(buffer, got), "abc");
    EXPECT_FALSE(syncResult);
    EXPECT_TRUE(syncError == ERROR_OPERATION_ABORTED || syncError == ERROR_INVALID_HANDLE) << syncError;

    DWORD mask = 0;
    EXPECT_FALSE(GetCommMask(closed, &mask));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseComm(closed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(PtyPort, HungUpLineFailsWritesAndStillCloses) {
    pty.CloseMaster();
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(h(), "gone", 4, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_TRUE(port->Close());
}

// ---- Opening

TEST_F(PtyPort, SecondOpenIsInUseUntilTheFirstCloses) {
    TTestPort second(pty.PortName());
    EXPECT_FALSE(second.ok());
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    const std::string text = CommOpenErrorText(pty.PortName(), ERROR_SHARING_VIOLATION);
    EXPECT_NE(text.find("COM40 is in use"), std::string::npos) << text;
    EXPECT_NE(text.find(pty.SlavePath()), std::string::npos) << text;

    port->Close();
    TTestPort third(pty.PortName());
    EXPECT_TRUE(third.ok());
}

TEST(CommOpen, MissingNodeOrNonSerialFileDoesNotExist) {
    setenv("VEXO_COM41", "/nonexistent/ttyX", 1);
    EXPECT_EQ(OpenComm("COM41"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    const std::string text = CommOpenErrorText("COM41", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text, "Serial port COM41 does not exist: there is no serial device /nonexistent/ttyX.");

    const std::string file = ::testing::TempDir() + "comm_not_a_tty_" + std::to_string(getpid());
    std::ofstream(file) << "plain";
    setenv("VEXO_COM41", file.c_str(), 1);
    EXPECT_EQ(OpenComm("COM41"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    unsetenv("VEXO_COM41");
    std::filesystem::remove(file);

    for (const char* name : {"LPT1", "COM0", "", "\\\\.\\PIPE\\x"}) {
        EXPECT_EQ(OpenComm(name), INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << name;
    }
}

TEST(CommOpen, NodeTheUserMayNotOpenIsPermissionDenied) {
    TPtyPair pty(42);
    ASSERT_EQ(fchmod(pty.Slave(), 0600), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(OpenComm("COM42"), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    } else {
        // Root opens anything; an unprivileged child shows the denial.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
            const HANDLE h = OpenComm("COM42");
            _exit(h == INVALID_HANDLE_VALUE ? static_cast<int>(GetLastError()) : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 100) GTEST_SKIP() << "cannot drop root privileges here";
        EXPECT_EQ(static_cast<DWORD>(WEXITSTATUS(status)), ERROR_ACCESS_DENIED);
    }
    const std::string text = CommOpenErrorText("COM42", ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        text.rfind("Permission denied for serial port COM42: this user may not open " + pty.SlavePath(), 0),
        0u)
        << text;
}

TEST(CommOpen, OpenAndCloseLeaveNoDescriptorOrThreadBehind) {
    TPtyPair pty(43);
    const auto count = [](const char* dir) {
        return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator{});
    };
    {
        TTestPort warm(pty.PortName());
        ASSERT_TRUE(warm.ok());
    }
    const auto fds = count("/proc/self/fd");
    const auto tasks = count("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        const HANDLE h = OpenComm(pty.PortName());
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << i;
        OVERLAPPED ov;
        char b[4];
        if (i % 2) ReadFile(h, b, 4, nullptr, &ov); // left pending for the close
        // Both ways of closing a port: the kernel's CloseHandle reaches the comm service too.
        ASSERT_TRUE(i % 4 < 2 ? CloseComm(h) : CloseHandle(h));
    }
    EXPECT_EQ(count("/proc/self/fd"), fds);
    // A joined thread can stay listed for a moment after the join returns (the warm-up's too, which
    // can make the first count one high): a leak shows as more threads than before, for good.
    for (int i = 0; i < 200 && count("/proc/self/task") > tasks; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_LE(count("/proc/self/task"), tasks);
}

// ---- Names and the map

class CommNames : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "comm_names_" + std::to_string(getpid());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir + "/vexo");
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) saved = old;
        hadSaved = old != nullptr;
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        unsetenv("VEXO_COM5");
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        if (hadSaved)
            setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        unsetenv("VEXO_COM5");
    }
    std::string dir, saved;
    bool hadSaved = false;
};

TEST_F(CommNames, PortNamesMapToTtySByDefault) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "/dev/ttyS0"}, {"\\\\.\\COM12", "/dev/ttyS11"},
        {"com3", "/dev/ttyS2"}, {"\\\\.\\cOm2", "/dev/ttyS1"},
        {"COM0", ""},           {"COM03", ""},
        {"COM3x", ""},          {"COM", ""},
        {"LPT1", ""},           {"/dev/ttyS0", ""},
        {"COM12345", ""},       {"\\\\.\\", ""},
    };
    for (const auto& [name, node] : cases) EXPECT_EQ(CommDeviceNode(name), node) << name;
}

TEST_F(CommNames, MapFileAndVariablePointAPortAnywhere) {
    std::ofstream(dir + "/vexo/comports") << "# serial adapters\n"
                                             "COM5=/dev/ttyUSB0\n"
                                             "\n"
                                             "  com5 = /dev/ttyUSB7   # the later line counts\n"
                                             "COM6=/dev/ttyACM0\n"
                                             "garbage line\n";
    EXPECT_EQ(CommDeviceNode("\\\\.\\COM5"), "/dev/ttyUSB7");
    EXPECT_EQ(CommDeviceNode("COM6"), "/dev/ttyACM0");
    EXPECT_EQ(CommDeviceNode("COM7"), "/dev/ttyS6");
    setenv("VEXO_COM5", "/dev/pts/9", 1);
    EXPECT_EQ(CommDeviceNode("COM5"), "/dev/pts/9") << "the variable wins";
}

TEST_F(CommNames, OtherFailuresGetAGeneralMessage) {
    EXPECT_EQ(CommOpenErrorText("COM2", ERROR_GEN_FAILURE),
              "Serial port COM2 (/dev/ttyS1) cannot be opened (error 31).");
    EXPECT_EQ(CommOpenErrorText("LPT1", ERROR_FILE_NOT_FOUND), "\"LPT1\" is not a serial port name.");
}

} // namespace
