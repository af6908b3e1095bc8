// The port: its queues, time-outs, comm events, flow control and overlapped operations, over any
// TCommDevice.
//
// Each open port has one worker thread. It sleeps in poll() on the device (when it has a
// descriptor) and on a wake-up descriptor that every call and the device can poke, and looks at
// the modem lines and error counters at least every 50 ms; nothing it waits in is beyond the wake
// descriptor's reach, so a close always ends it promptly. The calls themselves also bring the port
// up to date before they answer, so a read sees what has arrived without waiting for the worker.
// A device that reads ahead on a thread of its own hands arriving input to the port on that
// thread, which fills the queue and completes what waits for it.
//
// An operation's result goes into its OVERLAPPED record before its event is set; after that the
// port never touches the record again.
#include "platform/comm/Comm.h"

#include "platform/comm/CommDevice.h"
#include "platform/win/Sync.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

constexpr int kIdleTickMs = 50;
constexpr int kBusyTickMs = 10; // while output drains: EV_TXEMPTY and RTS toggling follow closely
constexpr DWORD kDefaultInQueue = 4096;
constexpr DWORD kMaxInQueue = 1u << 24;
constexpr DWORD kKnownEvents = 0x1FFF;
constexpr DWORD kAllPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr std::uint64_t kLongestTimeoutMs = 1ull << 32; // beyond this a time-out never ends
constexpr HANDLE kFirstHandle = 0x40000000;

std::mutex& CompletionLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::condition_variable& CompletionSignal() {
    static auto* signal = new std::condition_variable;
    return *signal;
}

std::atomic_ref<std::uintptr_t> Status(OVERLAPPED* overlapped) {
    return std::atomic_ref(overlapped->Internal);
}

struct TOperation {
    OVERLAPPED* overlapped = nullptr;
    HANDLE event = 0;
    std::thread::id thread = std::this_thread::get_id();
};

struct TReadOp : TOperation {
    char* buffer = nullptr;
    DWORD count = 0;
    DWORD done = 0;
    bool started = false;
    bool immediate = false;   // answers with whatever has arrived
    bool returnOnAny = false; // answers as soon as anything has arrived
    std::optional<TimePoint> deadline;
    DWORD intervalMs = 0;
    TimePoint lastByte;
};

struct TWriteOp : TOperation {
    std::string data;
    DWORD done = 0;
    bool started = false;
    std::optional<TimePoint> deadline;
};

struct TWaitOp : TOperation {
    DWORD* eventMask = nullptr;
};

// An operation that completes before its call returns leaves its event set whether or not it was
// reset first, so such a call skips the reset.
void Begin(TOperation& op, OVERLAPPED* overlapped, bool completesAtOnce = false) {
    op.overlapped = overlapped;
    op.event = overlapped->hEvent;
    overlapped->InternalHigh = 0;
    Status(overlapped).store(STATUS_PENDING, std::memory_order_release);
    if (op.event && !completesAtOnce) ResetEvent(op.event);
}

// Hands the result to the caller. The record is the caller's again once the status is stored.
void Finish(TOperation& op, DWORD error, DWORD bytes) {
    op.overlapped->InternalHigh = bytes;
    {
        std::lock_guard g(CompletionLock());
        Status(op.overlapped).store(error, std::memory_order_release);
    }
    CompletionSignal().notify_all();
    if (op.event) SetEvent(op.event);
}

std::optional<TimePoint> DeadlineAfter(TimePoint now, std::uint64_t ms) {
    if (ms == 0 || ms >= kLongestTimeoutMs) return std::nullopt;
    return now + std::chrono::milliseconds(ms);
}

int MsUntil(TimePoint now, TimePoint when) {
    if (when <= now) return 0;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(when - now).count();
    return static_cast<int>(std::min<long long>((us + 999) / 1000, INT32_MAX));
}

// The input queue: a ring of bytes filled from the device and emptied into reads in blocks.
class TByteRing {
public:
    std::size_t size() const { return used_; }
    std::size_t capacity() const { return buffer_.size(); }
    void clear() {
        read_ = 0;
        used_ = 0;
    }
    // Keeps what it holds (as much as fits).
    void Resize(std::size_t capacity) {
        std::vector<char> next(capacity);
        const std::size_t kept = Take(next.data(), std::min(used_, capacity));
        buffer_.swap(next);
        read_ = 0;
        used_ = kept;
    }
    // The free space after the last byte, as one block: to the buffer's end or to the first byte.
    char* WriteBlock(std::size_t& room) {
        const std::size_t write = (read_ + used_) % std::max<std::size_t>(capacity(), 1);
        room = used_ == capacity() ? 0 : (write >= read_ ? capacity() - write : read_ - write);
        return buffer_.data() + write;
    }
    void Commit(std::size_t count) { used_ += count; }
    std::size_t Take(char* to, std::size_t count) {
        count = std::min(count, used_);
        if (count == 0) return 0; // the buffer may not be there yet
        const std::size_t first = std::min(count, capacity() - read_);
        std::memcpy(to, buffer_.data() + read_, first);
        std::memcpy(to + first, buffer_.data(), count - first);
        used_ -= count;
        // An empty ring starts again at its first byte, so the next fill is one block: a device
        // that hands out one byte less than its buffer would otherwise split every fill in two.
        read_ = used_ == 0 ? 0 : (read_ + count) % capacity();
        return count;
    }

private:
    std::vector<char> buffer_;
    std::size_t read_ = 0;
    std::size_t used_ = 0;
};

class TCommPort {
public:
    TCommPort(std::unique_ptr<TCommDevice> device, int wakeFd)
        : device_(std::move(device)), wakeFd_(wakeFd) {}

    ~TCommPort() {
        {
            // A port that never opened fully was not closed: input the device hands over meanwhile
            // must not reach it.
            std::lock_guard g(m);
            closed = true;
        }
        device_.reset(); // first: the device may still poke the wake descriptor until then
        close(wakeFd_);
    }

    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    DWORD Open() {
        std::lock_guard g(m);
        dcb_.BaudRate = 9600;
        dcb_.fBinary = 1;
        dcb_.fDtrControl = DTR_CONTROL_ENABLE;
        dcb_.fRtsControl = RTS_CONTROL_ENABLE;
        dcb_.XonLim = 2048;
        dcb_.XoffLim = 512;
        dcb_.XonChar = 17;
        dcb_.XoffChar = 19;
        device_->CurrentLine(dcb_);
        if (const DWORD error = device_->Configure(dcb_)) return error;
        ApplyControlLines(dcb_);
        modem_ = device_->ModemStatus();
        counters_ = device_->Counters();
        const int fd = wakeFd_;
        device_->SetInputArrived([this] { InputArrived(); });
        device_->SetWake([fd] { Poke(fd); });
        worker_ = std::thread([this] { Run(); });
        return 0;
    }

    // Aborts everything pending and ends the worker; the device goes with the port object.
    void Close() {
        {
            std::lock_guard g(m);
            closed = true;
            AbortWait();
            AbortReads([](const TReadOp&) { return true; });
            AbortWrites([](const TWriteOp&) { return true; });
        }
        Kick();
        worker_.join();
    }

    void Kick() { Poke(wakeFd_); }

    // Input that a device reading ahead took in, taken into the queue on the device's thread: a wait
    // for it completes from here, with no hop through the worker.
    void InputArrived() {
        std::unique_lock lk(m);
        if (closed) return;
        TakeInInput(Clock::now());
        const bool kick = WorkerMustLook();
        lk.unlock();
        if (kick) Kick();
    }

    // ---- Calls, under m

    BOOL GetState(DCB* dcb) {
        *dcb = dcb_;
        return 1;
    }

    BOOL SetState(const DCB& dcb) {
        if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY ||
            dcb.StopBits > TWOSTOPBITS || ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar))
            return Fail(ERROR_INVALID_PARAMETER);
        if (const DWORD error = device_->Configure(dcb)) return Fail(error);
        const DCB old = dcb_;
        dcb_ = dcb;
        dcb_.DCBlength = sizeof(DCB);
        if (xoffSent_ && !dcb_.fInX) {
            device_->SendImmediate(old.XonChar);
            xoffSent_ = false;
        }
        if (!InputFlowControl()) throttled_ = false;
        if (old.fRtsControl == RTS_CONTROL_TOGGLE && rtsToggleByDevice_) device_->SetRtsToggle(false);
        rtsToggleByDevice_ = false;
        rtsToggleHigh_ = false;
        ApplyControlLines(dcb_);
        Service(Clock::now());
        return 1;
    }

    BOOL GetTimeouts(COMMTIMEOUTS* timeouts) {
        *timeouts = timeouts_;
        return 1;
    }

    BOOL SetTimeouts(const COMMTIMEOUTS& timeouts) {
        timeouts_ = timeouts;
        return 1;
    }

    BOOL Setup(DWORD inQueue) {
        if (inQueue != 0) inSize_ = std::min(inQueue, kMaxInQueue);
        if (inQueue_.capacity() != inSize_) inQueue_.Resize(inSize_);
        Service(Clock::now());
        return 1;
    }

    BOOL SetMask(DWORD mask) {
        if (mask & ~kKnownEvents) return Fail(ERROR_INVALID_PARAMETER);
        mask_ = mask;
        seen_ = 0;
        CompleteWait(0);
        return 1;
    }

    BOOL GetMask(DWORD* mask) {
        *mask = mask_;
        return 1;
    }

    BOOL WaitEvent(DWORD* eventMask, OVERLAPPED* overlapped) {
        if (!eventMask || wait_ || mask_ == 0) return Fail(ERROR_INVALID_PARAMETER);
        Service(Clock::now());
        wait_ = std::make_unique<TWaitOp>();
        wait_->eventMask = eventMask;
        Begin(*wait_, overlapped);
        DeliverEvents();
        return Submitted(overlapped, nullptr);
    }

    BOOL Read(void* buffer, DWORD count, DWORD* bytesRead, OVERLAPPED* overlapped) {
        const TimePoint now = Clock::now();
        auto op = std::make_unique<TReadOp>();
        op->buffer = static_cast<char*>(buffer);
        op->count = count;
        const auto& t = timeouts_;
        if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
            t.ReadTotalTimeoutConstant == 0) {
            op->immediate = true;
        } else if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                   t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD) {
            op->returnOnAny = true;
        } else if (t.ReadIntervalTimeout != MAXDWORD) {
            op->intervalMs = t.ReadIntervalTimeout;
        }
        const bool atOnce = op->immediate && reads_.empty();
        Begin(*op, overlapped, atOnce);
        if (atOnce) {
            ReadNow(*op, now);
            // A device that reads ahead fills the queue again at once, as the line would.
            if (device_->ReadsAhead()) TakeInInput(now);
            return Submitted(overlapped, bytesRead);
        }
        reads_.push_back(std::move(op));
        const bool wasFull = inQueue_.size() >= size_t{inSize_};
        PullInput(now); // and hands the read what has arrived
        // A full queue left the rest in the device: it is taken in now, here, rather than by the
        // worker after a wake of its own.
        if (wasFull && inQueue_.size() < size_t{inSize_}) PullInput(now);
        return Submitted(overlapped, bytesRead);
    }

    BOOL Write(const void* buffer, DWORD count, DWORD* bytesWritten, OVERLAPPED* overlapped) {
        auto op = std::make_unique<TWriteOp>();
        op->data.assign(static_cast<const char*>(buffer), count);
        Begin(*op, overlapped);
        writes_.push_back(std::move(op));
        Service(Clock::now());
        return Submitted(overlapped, bytesWritten);
    }

    BOOL Cancel() {
        const auto self = std::this_thread::get_id();
        if (wait_ && wait_->thread == self) AbortWait();
        AbortReads([self](const TReadOp& op) { return op.thread == self; });
        AbortWrites([self](const TWriteOp& op) { return op.thread == self; });
        return 1;
    }

    BOOL Purge(DWORD flags) {
        if (flags & ~kAllPurges) return Fail(ERROR_INVALID_PARAMETER);
        if (flags & PURGE_TXABORT) AbortWrites([](const TWriteOp&) { return true; });
        if (flags & PURGE_RXABORT) AbortReads([](const TReadOp&) { return true; });
        if (flags & PURGE_RXCLEAR) inQueue_.clear();
        if (flags & (PURGE_RXCLEAR | PURGE_TXCLEAR))
            device_->Purge((flags & PURGE_RXCLEAR) != 0, (flags & PURGE_TXCLEAR) != 0);
        if (flags) CompleteWait(0);
        Service(Clock::now());
        return 1;
    }

    BOOL ClearError(DWORD* errors, COMSTAT* status) {
        RefreshStatus(Clock::now());
        if (errors) *errors = errors_;
        errors_ = 0;
        if (status) {
            *status = COMSTAT{};
            status->fCtsHold = dcb_.fOutxCtsFlow && !(modem_ & MS_CTS_ON);
            status->fDsrHold = dcb_.fOutxDsrFlow && !(modem_ & MS_DSR_ON);
            status->fXoffHold = device_->XoffHeld();
            status->fXoffSent = xoffSent_;
            status->cbInQue = static_cast<DWORD>(inQueue_.size());
            status->cbOutQue = PendingOutput() + device_->OutQueue();
        }
        return 1;
    }

    BOOL Escape(DWORD function) {
        switch (function) {
        case SETRTS:
        case CLRRTS:
            // RTS belongs to the handshake or the toggling.
            if (dcb_.fRtsControl == RTS_CONTROL_HANDSHAKE || dcb_.fRtsControl == RTS_CONTROL_TOGGLE)
                return Fail(ERROR_INVALID_PARAMETER);
            break;
        case SETDTR:
        case CLRDTR:
            if (dcb_.fDtrControl == DTR_CONTROL_HANDSHAKE) return Fail(ERROR_INVALID_PARAMETER);
            break;
        case SETXOFF:
        case SETXON:
        case SETBREAK:
        case CLRBREAK:
            break;
        default:
            return Fail(ERROR_INVALID_PARAMETER);
        }
        if (!device_->Escape(function)) return Fail(ERROR_GEN_FAILURE);
        Service(Clock::now());
        return 1;
    }

    BOOL ModemStatus(DWORD* status) {
        RefreshStatus(Clock::now());
        *status = modem_;
        return 1;
    }

    BOOL InputWaiting(DWORD& waiting) {
        waiting = static_cast<DWORD>(inQueue_.size()) + device_->InQueue();
        return 1;
    }

    // Bytes written and not yet out on the line: the port's and the device's.
    BOOL OutputLeft(DWORD& left) {
        PushOutput(Clock::now());
        left = PendingOutput() + device_->OutQueue();
        return 1;
    }

    BOOL TransmitChar(char c) { return device_->SendImmediate(c) ? 1 : Fail(ERROR_GEN_FAILURE); }

    std::mutex m;
    bool closed = false;

private:
    static void Poke(int fd) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
    }

    static BOOL Fail(DWORD error) {
        SetLastError(error);
        return 0;
    }

    // The answer of a call that started an operation: TRUE (1) when it is already complete.
    static BOOL Submitted(OVERLAPPED* overlapped, DWORD* bytes) {
        const auto status = Status(overlapped).load(std::memory_order_acquire);
        if (status == STATUS_PENDING) {
            if (bytes) *bytes = 0;
            return Fail(ERROR_IO_PENDING);
        }
        if (bytes) *bytes = static_cast<DWORD>(overlapped->InternalHigh);
        return status == 0 ? 1 : Fail(static_cast<DWORD>(status));
    }

    bool InputFlowControl() const {
        return dcb_.fInX || dcb_.fRtsControl == RTS_CONTROL_HANDSHAKE ||
               dcb_.fDtrControl == DTR_CONTROL_HANDSHAKE;
    }

    bool OutputAllowed() const {
        if (dcb_.fOutxDsrFlow && !(modem_ & MS_DSR_ON)) return false;
        return !(xoffSent_ && !dcb_.fTXContinueOnXoff);
    }

    DWORD PendingOutput() const {
        DWORD n = 0;
        for (const auto& w : writes_) n += static_cast<DWORD>(w->data.size()) - w->done;
        return n;
    }

    void ApplyControlLines(const DCB& dcb) {
        switch (dcb.fDtrControl) {
        case DTR_CONTROL_DISABLE:
            device_->Escape(CLRDTR);
            break;
        case DTR_CONTROL_HANDSHAKE:
            device_->Escape(throttled_ ? CLRDTR : SETDTR);
            break;
        default:
            device_->Escape(SETDTR);
            break;
        }
        switch (dcb.fRtsControl) {
        case RTS_CONTROL_DISABLE:
            device_->Escape(CLRRTS);
            break;
        case RTS_CONTROL_HANDSHAKE:
            device_->Escape(throttled_ ? CLRRTS : SETRTS);
            break;
        case RTS_CONTROL_TOGGLE:
            rtsToggleByDevice_ = device_->SetRtsToggle(true);
            if (!rtsToggleByDevice_) device_->Escape(CLRRTS);
            break;
        default:
            device_->Escape(SETRTS);
            break;
        }
    }

    bool RtsToggledByPort() const { return dcb_.fRtsControl == RTS_CONTROL_TOGGLE && !rtsToggleByDevice_; }

    void Raise(DWORD events) { seen_ |= events & mask_; }

    // ---- The work, under m

    void Service(TimePoint now) {
        WatchLines();
        PullInput(now);
        Throttle();
        PushOutput(now);
        CheckTimers(now);
        CheckTxEmpty();
        DeliverEvents();
    }

    // What a status query brings up to date: lines, errors and output, but no data is read; input
    // is taken by the worker as it arrives and by reads.
    void RefreshStatus(TimePoint now) {
        WatchLines();
        PushOutput(now);
        CheckTxEmpty();
        DeliverEvents();
    }

    void WatchLines() {
        const DWORD modem = device_->ModemStatus();
        const TCommCounters c = device_->Counters();
        const DWORD changed = modem ^ modem_;
        if ((changed & MS_CTS_ON) || c.cts != counters_.cts) Raise(EV_CTS);
        if ((changed & MS_DSR_ON) || c.dsr != counters_.dsr) Raise(EV_DSR);
        if ((changed & MS_RLSD_ON) || c.dcd != counters_.dcd) Raise(EV_RLSD);
        if ((changed & MS_RING_ON) || c.ring != counters_.ring) Raise(EV_RING);
        DWORD errors = 0;
        if (c.parity != counters_.parity) errors |= CE_RXPARITY;
        if (c.frame != counters_.frame) errors |= CE_FRAME;
        if (c.overrun != counters_.overrun) errors |= CE_OVERRUN;
        if (c.brk != counters_.brk) errors |= CE_BREAK;
        if (c.bufOverrun != counters_.bufOverrun) errors |= CE_RXOVER;
        errors_ |= errors;
        if (errors & (CE_RXPARITY | CE_FRAME | CE_OVERRUN)) Raise(EV_ERR);
        if (errors & CE_BREAK) Raise(EV_BREAK);
        modem_ = modem;
        counters_ = c;
    }

    // A read that answers at once with what has arrived, with no other read ahead of it: the queue
    // first, then the device straight into the caller's buffer for as long as it has more, so the
    // bytes are copied once. The reader drains the device itself,
    // so the worker is not woken to read ahead meanwhile; it takes that up when it next looks.
    void ReadNow(TReadOp& op, TimePoint now) {
        op.started = true;
        op.done = static_cast<DWORD>(inQueue_.Take(op.buffer, op.count));
        // No more than the queue could have held: what the device has beyond that waits for the next
        // read, as it would wait in the device for room in the queue.
        const DWORD limit = std::min(op.count, std::max(op.done, inSize_));
        bool added = false;
        while (op.done < limit) {
            size_t kept = 0;
            const size_t asked = limit - op.done;
            const size_t n = ReadDevice(op.buffer + op.done, asked, kept);
            op.done += static_cast<DWORD>(kept);
            added = added || kept > 0;
            // Less than asked: the device had no more just now; the next read looks again.
            if (n < asked) break;
        }
        if (added) {
            op.lastByte = now;
            Raise(EV_RXCHAR);
        }
        readerDrained_ = true;
        Throttle();
        DeliverEvents();
        Finish(op, 0, op.done);
    }

    // Reads the device straight into the queue's free space, block by block, while it delivers, and
    // hands the waiting reads what arrived; while they take from a full queue, it fills again.
    void PullInput(TimePoint now) {
        if (inQueue_.capacity() != inSize_) inQueue_.Resize(inSize_);
        for (;;) {
            const size_t before = inQueue_.size();
            bool added = false;
            bool drained = false;
            for (;;) {
                size_t room = 0;
                char* into = inQueue_.WriteBlock(room);
                if (room == 0) break;
                size_t kept = 0;
                const size_t n = ReadDevice(into, room, kept);
                inQueue_.Commit(kept);
                added = added || kept > 0;
                if (n < room) {
                    drained = true;
                    break;
                }
            }
            if (added) Raise(EV_RXCHAR);
            const size_t full80 = size_t{inSize_} * 8 / 10;
            if (before < full80 && inQueue_.size() >= full80) Raise(EV_RX80FULL);
            const size_t filled = inQueue_.size();
            FeedReads(now);
            if (drained || inQueue_.size() == filled) break;
        }
    }

    // Input into the queue and the waiting reads, with what follows from it: flow control and the
    // events a wait is told of.
    void TakeInInput(TimePoint now) {
        PullInput(now);
        Throttle();
        DeliverEvents();
    }

    // One read of the device into Into, filtered: the bytes read (0 when none came or the device has
    // gone away) and, in Kept, the bytes left after filtering.
    size_t ReadDevice(char* Into, size_t Room, size_t& Kept) {
        const int n = device_->Read(Into, static_cast<int>(Room));
        if (n < 0) hungUp_ = true;
        if (n <= 0) return 0;
        hungUp_ = false;
        Kept = Filter(Into, static_cast<size_t>(n));
        return static_cast<size_t>(n);
    }

    // Drops what the line settings discard (NUL bytes with fNull, everything while DSR is off with
    // fDsrSensitivity), in place; raises EV_RXFLAG for the event character. The bytes kept.
    size_t Filter(char* bytes, size_t count) {
        if (dcb_.fDsrSensitivity && !(modem_ & MS_DSR_ON)) return 0;
        if (dcb_.fNull) count = static_cast<size_t>(std::remove(bytes, bytes + count, '\0') - bytes);
        if (std::memchr(bytes, dcb_.EvtChar, count) != nullptr) Raise(EV_RXFLAG);
        return count;
    }

    void FeedReads(TimePoint now) {
        while (!reads_.empty()) {
            TReadOp& op = *reads_.front();
            if (!op.started) {
                op.started = true;
                const auto& t = timeouts_;
                if (op.returnOnAny)
                    op.deadline = DeadlineAfter(now, t.ReadTotalTimeoutConstant);
                else if (!op.immediate)
                    op.deadline = DeadlineAfter(now, std::uint64_t{t.ReadTotalTimeoutMultiplier} * op.count +
                                                         t.ReadTotalTimeoutConstant);
            }
            const DWORD take = std::min<DWORD>(op.count - op.done, static_cast<DWORD>(inQueue_.size()));
            if (take) {
                inQueue_.Take(op.buffer + op.done, take);
                op.done += take;
                op.lastByte = now;
            }
            if (op.done == op.count || op.immediate || (op.returnOnAny && op.done > 0)) {
                CompleteRead(0);
                continue;
            }
            break;
        }
    }

    // Input flow control against the input queue: XOFF, RTS or DTR when it has no more than
    // XoffLim bytes free, XON, RTS or DTR again when it is down to XonLim bytes.
    void Throttle() {
        if (!InputFlowControl()) return;
        const size_t level = inQueue_.size();
        const size_t limit = size_t{inSize_};
        const size_t stopAt =
            std::max<size_t>(limit > dcb_.XoffLim ? limit - dcb_.XoffLim : 0, dcb_.XonLim + 1);
        bool throttle = throttled_;
        if (!throttled_ && level >= stopAt) throttle = true;
        if (throttled_ && level <= dcb_.XonLim) throttle = false;
        if (throttle == throttled_) return;
        throttled_ = throttle;
        if (dcb_.fInX && device_->SendImmediate(throttle ? dcb_.XoffChar : dcb_.XonChar))
            xoffSent_ = throttle;
        if (dcb_.fRtsControl == RTS_CONTROL_HANDSHAKE) device_->Escape(throttle ? CLRRTS : SETRTS);
        if (dcb_.fDtrControl == DTR_CONTROL_HANDSHAKE) device_->Escape(throttle ? CLRDTR : SETDTR);
    }

    // The head write's time-out runs from when it reaches the head, held or not.
    void StartHeadWrite(TimePoint now) {
        if (writes_.empty() || writes_.front()->started) return;
        TWriteOp& op = *writes_.front();
        op.started = true;
        op.deadline =
            DeadlineAfter(now, std::uint64_t{timeouts_.WriteTotalTimeoutMultiplier} * op.data.size() +
                                   timeouts_.WriteTotalTimeoutConstant);
    }

    void PushOutput(TimePoint now) {
        StartHeadWrite(now);
        if (writes_.empty() || !OutputAllowed()) return;
        if (RtsToggledByPort() && !rtsToggleHigh_) {
            device_->Escape(SETRTS);
            rtsToggleHigh_ = true;
        }
        while (!writes_.empty()) {
            TWriteOp& op = *writes_.front();
            const DWORD size = static_cast<DWORD>(op.data.size());
            if (op.done < size) {
                const int n = device_->Write(op.data.data() + op.done, static_cast<int>(size - op.done));
                if (n < 0) {
                    CompleteWrite(ERROR_GEN_FAILURE);
                    StartHeadWrite(now);
                    continue;
                }
                op.done += static_cast<DWORD>(n);
                if (n > 0) sending_ = true;
            }
            if (op.done < size) break;
            CompleteWrite(0);
            StartHeadWrite(now);
        }
    }

    void CheckTimers(TimePoint now) {
        while (!reads_.empty()) {
            const TReadOp& op = *reads_.front();
            const bool total = op.deadline && now >= *op.deadline;
            const bool interval =
                op.intervalMs && op.done > 0 && now - op.lastByte >= std::chrono::milliseconds(op.intervalMs);
            if (!total && !interval) break;
            CompleteRead(0);
            FeedReads(now);
        }
        while (!writes_.empty() && writes_.front()->deadline && now >= *writes_.front()->deadline) {
            CompleteWrite(0);
            PushOutput(now);
        }
    }

    void CheckTxEmpty() {
        if (!writes_.empty() || (!sending_ && !rtsToggleHigh_)) return;
        if (device_->OutQueue() != 0) return;
        if (sending_) Raise(EV_TXEMPTY);
        sending_ = false;
        if (rtsToggleHigh_) {
            device_->Escape(CLRRTS);
            rtsToggleHigh_ = false;
        }
    }

    void DeliverEvents() {
        if (!wait_ || !(seen_ & mask_)) return;
        const DWORD events = seen_ & mask_;
        seen_ = 0;
        CompleteWait(events);
    }

    int NextTimeoutMs(TimePoint now) const {
        int ms = (sending_ || rtsToggleHigh_) ? kBusyTickMs : kIdleTickMs;
        if (!reads_.empty()) {
            const TReadOp& op = *reads_.front();
            if (op.deadline) ms = std::min(ms, MsUntil(now, *op.deadline));
            if (op.intervalMs && op.done > 0)
                ms = std::min(ms, MsUntil(now, op.lastByte + std::chrono::milliseconds(op.intervalMs)));
        }
        if (!writes_.empty() && writes_.front()->deadline)
            ms = std::min(ms, MsUntil(now, *writes_.front()->deadline));
        const DWORD due = device_->NextDueMs();
        if (due != INFINITE) ms = std::min(ms, static_cast<int>(std::min<DWORD>(due, kIdleTickMs)));
        return ms;
    }

    // What the worker polls the device for; -1 when it does not poll the device.
    int PollEvents() const {
        if (device_->PollFd() < 0 || hungUp_) return -1;
        short events = 0;
        if (!device_->ReadsAhead() && inQueue_.size() < size_t{inSize_}) events |= POLLIN;
        if (!writes_.empty() && OutputAllowed()) events |= POLLOUT;
        return events;
    }

public:
    // After a call, under m: whether the worker must look again, because what it waits for changed
    // or something falls due before it would wake. Waking it for nothing costs a thread switch.
    bool WorkerMustLook() {
        if (closed) return true;
        const int events = PollEvents();
        const bool reader = std::exchange(readerDrained_, false);
        if (events != polledEvents_) {
            if (!(reader && polledEvents_ >= 0 && events >= 0 &&
                  (events & ~POLLIN) == (polledEvents_ & ~POLLIN)))
                return true;
        }
        const TimePoint now = Clock::now();
        return now + std::chrono::milliseconds(NextTimeoutMs(now)) < wakeAt_;
    }

private:
    void Run() {
        std::unique_lock lk(m);
        while (!closed) {
            const TimePoint now = Clock::now();
            Service(now);
            pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, 0, 0}};
            nfds_t count = 1;
            polledEvents_ = PollEvents();
            if (polledEvents_ >= 0) {
                fds[1] = {device_->PollFd(), static_cast<short>(polledEvents_), 0};
                count = 2;
            }
            const int timeout = NextTimeoutMs(now);
            wakeAt_ = now + std::chrono::milliseconds(timeout);
            lk.unlock();
            poll(fds, count, timeout);
            if (fds[0].revents & POLLIN) {
                std::uint64_t drained = 0;
                [[maybe_unused]] const ssize_t n = read(wakeFd_, &drained, sizeof drained);
            }
            lk.lock();
            // A hung-up descriptor polls ready for ever; from now on the tick looks at it.
            if (count == 2 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) hungUp_ = true;
        }
    }

    // ---- Completions, under m

    void CompleteRead(DWORD error) {
        auto op = std::move(reads_.front());
        reads_.pop_front();
        Finish(*op, error, op->done);
    }

    void CompleteWrite(DWORD error) {
        auto op = std::move(writes_.front());
        writes_.pop_front();
        Finish(*op, error, op->done);
    }

    void CompleteWait(DWORD events) {
        if (!wait_) return;
        auto op = std::move(wait_);
        *op->eventMask = events;
        Finish(*op, 0, 0);
    }

    void AbortWait() {
        if (!wait_) return;
        auto op = std::move(wait_);
        *op->eventMask = 0;
        Finish(*op, ERROR_OPERATION_ABORTED, 0);
    }

    template <class Pred> void AbortReads(Pred which) {
        for (auto it = reads_.begin(); it != reads_.end();) {
            if (!which(**it)) {
                ++it;
                continue;
            }
            auto op = std::move(*it);
            it = reads_.erase(it);
            Finish(*op, ERROR_OPERATION_ABORTED, op->done);
        }
    }

    template <class Pred> void AbortWrites(Pred which) {
        for (auto it = writes_.begin(); it != writes_.end();) {
            if (!which(**it)) {
                ++it;
                continue;
            }
            auto op = std::move(*it);
            it = writes_.erase(it);
            Finish(*op, ERROR_OPERATION_ABORTED, op->done);
        }
    }

    std::unique_ptr<TCommDevice> device_;
    const int wakeFd_;
    std::thread worker_;

    DCB dcb_;
    COMMTIMEOUTS timeouts_;
    DWORD inSize_ = kDefaultInQueue;
    DWORD mask_ = 0;
    DWORD seen_ = 0; // events of the mask since the last wait completed
    DWORD errors_ = 0;
    DWORD modem_ = 0;
    TCommCounters counters_;

    TByteRing inQueue_;
    std::deque<std::unique_ptr<TReadOp>> reads_;
    std::deque<std::unique_ptr<TWriteOp>> writes_;
    std::unique_ptr<TWaitOp> wait_;

    bool hungUp_ = false;
    bool readerDrained_ = false; // the last call read the device dry itself
    int polledEvents_ = -1;      // what the worker's poll waits for, and when it wakes at the latest
    TimePoint wakeAt_;
    bool throttled_ = false; // input flow stopped
    bool xoffSent_ = false;
    bool sending_ = false; // output went to the device and has not yet left it
    bool rtsToggleByDevice_ = false;
    bool rtsToggleHigh_ = false; // RTS raised by the port for toggling
};

struct TPortTable {
    std::mutex m;
    std::map<HANDLE, std::shared_ptr<TCommPort>> ports;
    HANDLE next = kFirstHandle;
};

TPortTable& Ports() {
    // Never destroyed: a port still open at exit must not be joined from a static destructor.
    static auto* table = [] {
        RegisterHandleCloser(kFirstHandle, CloseComm);
        return new TPortTable;
    }();
    return *table;
}

std::shared_ptr<TCommPort> FindPort(HANDLE comm) {
    auto& table = Ports();
    std::lock_guard g(table.m);
    const auto it = table.ports.find(comm);
    return it == table.ports.end() ? nullptr : it->second;
}

// Runs call on the open port under its lock; FALSE (0) with ERROR_INVALID_HANDLE otherwise.
template <class Call> BOOL OnPort(HANDLE comm, Call&& call) {
    const auto port = FindPort(comm);
    if (port) {
        std::unique_lock lk(port->m);
        if (!port->closed) {
            const BOOL result = call(*port);
            const bool kick = port->WorkerMustLook();
            lk.unlock();
            if (kick) port->Kick();
            return result;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

BOOL InvalidParameter() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

// Waits for an operation started without a record of the caller's.
BOOL WaitForResult(BOOL started, OVERLAPPED& overlapped, DWORD* bytes) {
    if (started || GetLastError() != ERROR_IO_PENDING) return started;
    DWORD transferred = 0;
    const BOOL done = GetOverlappedResult(0, &overlapped, &transferred, 1);
    if (bytes) *bytes = transferred;
    return done;
}

} // namespace

bool HasOverlappedIoCompleted(const OVERLAPPED* overlapped) {
    return Status(const_cast<OVERLAPPED*>(overlapped)).load(std::memory_order_acquire) != STATUS_PENDING;
}

HANDLE OpenComm(const std::string& name) {
    const int number = CommPortNumber(name);
    if (number == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = 0;
    std::unique_ptr<TCommDevice> device = OpenSimulatedDevice(number, error);
    if (!device && error == 0) device = OpenTermiosDevice(CommDeviceNode(name), error);
    if (!device) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    auto port = std::make_shared<TCommPort>(std::move(device), wakeFd);
    try {
        if (const DWORD openError = port->Open()) {
            SetLastError(openError);
            return INVALID_HANDLE_VALUE;
        }
    } catch (const std::system_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    auto& table = Ports();
    std::lock_guard g(table.m);
    const HANDLE handle = table.next++;
    table.ports.emplace(handle, std::move(port));
    return handle;
}

BOOL CloseComm(HANDLE comm) {
    std::shared_ptr<TCommPort> port;
    {
        auto& table = Ports();
        std::lock_guard g(table.m);
        const auto it = table.ports.find(comm);
        if (it != table.ports.end()) {
            port = std::move(it->second);
            table.ports.erase(it);
        }
    }
    if (!port) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    port->Close();
    return 1;
}

BOOL GetCommState(HANDLE comm, DCB* dcb) {
    if (!dcb) return InvalidParameter();
    return OnPort(comm, [&](TCommPort& p) { return p.GetState(dcb); });
}

BOOL SetCommState(HANDLE comm, const DCB* dcb) {
    if (!dcb) return InvalidParameter();
    return OnPort(comm, [&](TCommPort& p) { return p.SetState(*dcb); });
}

BOOL GetCommTimeouts(HANDLE comm, COMMTIMEOUTS* timeouts) {
    if (!timeouts) return InvalidParameter();
    return OnPort(comm, [&](TCommPort& p) { return p.GetTimeouts(timeouts); });
}

BOOL SetCommTimeouts(HANDLE comm, const COMMTIMEOUTS* timeouts) {
    if (!timeouts) return InvalidParameter();
    return OnPort(comm, [&](TCommPort& p) { return p.SetTimeouts(*timeouts); });
}

BOOL SetupComm(HANDLE comm, DWORD inQueue, DWORD) {
    return OnPort(comm, [&](TCommPort& p) { return p.Setup(inQueue); });
}

BOOL SetCommMask(HANDLE comm, DWORD mask) {
    return OnPort(comm, [&](TCommPort& p) { return p.SetMask(mask); });
}

BOOL GetCommMask(HANDLE comm, DWORD* mask) {
    if (!mask) return InvalidParameter();
    return OnPort(comm, [&](TCommPort& p) { return p.GetMask(mask); });
}

BOOL WaitCommEvent(HANDLE comm, DWORD* eventMask, OVERLAPPED* overlapped) {
    OVERLAPPED own;
    OVERLAPPED* used = overlapped ? overlapped : &own;
    const BOOL started = OnPort(comm, [&](TCommPort& p) { return p.WaitEvent(eventMask, used); });
    return overlapped ? started : WaitForResult(started, own, nullptr);
}

BOOL ReadFile(HANDLE comm, void* buffer, DWORD count, DWORD* bytesRead, OVERLAPPED* overlapped) {
    if (!buffer && count) return InvalidParameter();
    OVERLAPPED own;
    OVERLAPPED* used = overlapped ? overlapped : &own;
    const BOOL started = OnPort(comm, [&](TCommPort& p) { return p.Read(buffer, count, bytesRead, used); });
    return overlapped ? started : WaitForResult(started, own, bytesRead);
}

BOOL WriteFile(HANDLE comm, const void* buffer, DWORD count, DWORD* bytesWritten, OVERLAPPED* overlapped) {
    if (!buffer && count) return InvalidParameter();
    OVERLAPPED own;
    OVERLAPPED* used = overlapped ? overlapped : &own;
    const BOOL started =
        OnPort(comm, [&](TCommPort& p) { return p.Write(buffer, count, bytesWritten, used); });
    return overlapped ? started : WaitForResult(started, own, bytesWritten);
}

BOOL GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* bytesTransferred, BOOL wait) {
    if (!overlapped) return InvalidParameter();
    auto status = Status(overlapped).load(std::memory_order_acquire);
    if (status == STATUS_PENDING) {
        if (!wait) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return 0;
        }
        std::unique_lock lk(CompletionLock());
        CompletionSignal().wait(lk, [&] {
            status = Status(overlapped).load(std::memory_order_acquire);
            return status != STATUS_PENDING;
        });
    }
    if (bytesTransferred) *bytesTransferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (status == 0) return 1;
    SetLastError(static_cast<DWORD>(status));
    return 0;
}

BOOL CancelIo(HANDLE comm) {
    return OnPort(comm, [&](TCommPort& p) { return p.Cancel(); });
}

BOOL PurgeComm(HANDLE comm, DWORD flags) {
    return OnPort(comm, [&](TCommPort& p) { return p.Purge(flags); });
}

BOOL FlushFileBuffers(HANDLE comm) {
    constexpr auto stall = std::chrono::seconds(1);
    DWORD last = 0;
    TimePoint moved = Clock::now();
    for (;;) {
        DWORD left = 0;
        if (!OnPort(comm, [&](TCommPort& p) { return p.OutputLeft(left); })) return 0;
        if (left == 0) return 1;
        const TimePoint now = Clock::now();
        if (left != last) {
            last = left;
            moved = now;
        } else if (now - moved > stall) {
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

BOOL ClearCommError(HANDLE comm, DWORD* errors, COMSTAT* status) {
    return OnPort(comm, [&](TCommPort& p) { return p.ClearError(errors, status); });
}

DWORD CommInputWaiting(HANDLE comm) {
    DWORD waiting = 0;
    OnPort(comm, [&](TCommPort& p) { return p.InputWaiting(waiting); });
    return waiting;
}

BOOL EscapeCommFunction(HANDLE comm, DWORD function) {
    return OnPort(comm, [&](TCommPort& p) { return p.Escape(function); });
}

BOOL GetCommModemStatus(HANDLE comm, DWORD* modemStatus) {
    if (!modemStatus) return InvalidParameter();
    return OnPort(comm, [&](TCommPort& p) { return p.ModemStatus(modemStatus); });
}

BOOL SetCommBreak(HANDLE comm) {
    return EscapeCommFunction(comm, SETBREAK);
}

BOOL ClearCommBreak(HANDLE comm) {
    return EscapeCommFunction(comm, CLRBREAK);
}

BOOL TransmitCommChar(HANDLE comm, char c) {
    return OnPort(comm, [&](TCommPort& p) { return p.TransmitChar(c); });
}
