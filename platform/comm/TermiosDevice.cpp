// Serial device nodes through termios2 and the tty ioctls. Everything Linux-specific about serial
// ports is in this file.
//
// A thread of the device's own reads the node for as long as it is open, into a buffer in front of
// the port's queue, as the driver of a serial device fills its buffer from the line whatever the
// program is doing. A tty hands out at most 4 KiB a read, and a reader that pauses (while the program
// handles what came) lets the tty fill up, after which every read waits for the kernel's worker to
// refill it: a reader that never pauses keeps the line at full speed.
//
// <asm/termbits.h> gives termios2 (any baud with BOTHER); it cannot be mixed with <termios.h>, so
// this file uses the ioctls directly.
#include "platform/comm/CommDevice.h"

#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

DWORD OpenErrorFromErrno(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO: // a ttyS node without a UART behind it
    case ENOTTY:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EBUSY:
    case EWOULDBLOCK:
        return ERROR_SHARING_VIOLATION;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// Bytes read from the node and not yet taken by the port. Large enough to take in what a line brings
// while the program is busy for a while.
constexpr std::size_t kReadAhead = 64 * 1024;
// How often a hung-up node is tried again.
constexpr int kHungUpRetryMs = 50;

class TTermiosDevice final : public TCommDevice {
public:
    // stopFd: an eventfd that ends the reader's waits.
    TTermiosDevice(int fd, int stopFd) : fd_(fd), stopFd_(stopFd), ahead_(kReadAhead) {
        int lines = 0;
        hasModemLines_ = ioctl(fd_, TIOCMGET, &lines) == 0;
        serial_icounter_struct counts{};
        hasCounters_ = ioctl(fd_, TIOCGICOUNT, &counts) == 0;
        unsigned int lsr = 0;
        hasLsr_ = ioctl(fd_, TIOCSERGETLSR, &lsr) == 0;
    }

    ~TTermiosDevice() override {
        StopReader();
        DrainBeforeClose();
        // Without the flush a close waits for held output (CTS low, XOFF) for half a minute.
        ioctl(fd_, TCFLSH, TCOFLUSH);
        if (rs485_) SetRtsToggle(false);
        // Exclusive mode stays on the tty while any other descriptor has it open.
        ioctl(fd_, TIOCNXCL);
        close(fd_);
        close(stopFd_);
    }

    TTermiosDevice(const TTermiosDevice&) = delete;
    TTermiosDevice& operator=(const TTermiosDevice&) = delete;

    int PollFd() const override { return fd_; }
    bool ReadsAhead() const override { return true; }

    void SetInputArrived(std::function<void()> arrived) override { arrived_ = std::move(arrived); }

    // The port's functions are known now, so the reader starts.
    void SetWake(std::function<void()> wake) override {
        wake_ = std::move(wake);
        reader_ = std::thread([this] { ReadLoop(); });
    }

    void CurrentLine(DCB& dcb) override {
        termios2 t{};
        if (ioctl(fd_, TCGETS2, &t) != 0) return;
        dcb.BaudRate = t.c_ospeed != 0 ? t.c_ospeed : 9600;
        switch (t.c_cflag & CSIZE) {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
        }
        if (!(t.c_cflag & PARENB))
            dcb.Parity = NOPARITY;
        else if (t.c_cflag & CMSPAR)
            dcb.Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
        else
            dcb.Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
        if (!(t.c_cflag & CSTOPB))
            dcb.StopBits = ONESTOPBIT;
        else
            dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    }

    DWORD Configure(const DCB& dcb) override {
        termios2 t{};
        if (ioctl(fd_, TCGETS2, &t) != 0) return ERROR_GEN_FAILURE;
        t.c_iflag = IGNBRK;
        if (dcb.fParity && dcb.Parity != NOPARITY) t.c_iflag |= INPCK;
        if (dcb.fOutX) t.c_iflag |= IXON;
        if (dcb.fInX) t.c_iflag |= IXOFF;
        t.c_oflag = 0;
        t.c_lflag = 0;
        t.c_cflag = CREAD | CLOCAL | HUPCL | BOTHER;
        static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        t.c_cflag |= sizes[dcb.ByteSize - 5];
        switch (dcb.Parity) {
        case ODDPARITY:
            t.c_cflag |= PARENB | PARODD;
            break;
        case EVENPARITY:
            t.c_cflag |= PARENB;
            break;
        case MARKPARITY:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case SPACEPARITY:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
        }
        // 1.5 stop bits exist only with 5 data bits, where CSTOPB gives them; elsewhere 2.
        if (dcb.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
        if (dcb.fOutxCtsFlow) t.c_cflag |= CRTSCTS;
        t.c_ispeed = t.c_ospeed = dcb.BaudRate;
        t.c_cc[VMIN] = 1; // with 0 a read of an empty tty answers 0, which means hang-up here
        t.c_cc[VTIME] = 0;
        t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
        if (ioctl(fd_, TCSETS2, &t) != 0)
            return errno == EINVAL ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE;
        xon_ = dcb.XonChar;
        xoff_ = dcb.XoffChar;
        const double bits = 1 + dcb.ByteSize + (dcb.Parity != NOPARITY ? 1 : 0) + (dcb.StopBits ? 2 : 1);
        charMs_ = 1000.0 * bits / dcb.BaudRate;
        return 0;
    }

    int Read(char* buffer, int count) override {
        std::lock_guard g(aheadLock_);
        if (used_ == 0) return hungUp_ ? -1 : 0;
        const std::size_t n = std::min(used_, static_cast<std::size_t>(std::max(count, 0)));
        const std::size_t first = std::min(n, ahead_.size() - head_);
        std::memcpy(buffer, ahead_.data() + head_, first);
        std::memcpy(buffer + first, ahead_.data(), n - first);
        const bool wasFull = used_ == ahead_.size();
        used_ -= n;
        head_ = used_ == 0 ? 0 : (head_ + n) % ahead_.size();
        if (wasFull && n > 0) room_.notify_one();
        return static_cast<int>(n);
    }

    int Write(const char* buffer, int count) override {
        const ssize_t n = write(fd_, buffer, static_cast<size_t>(count));
        if (n >= 0) return static_cast<int>(n);
        if (errno == EAGAIN || errno == EINTR) return 0;
        return -1;
    }

    DWORD OutQueue() override {
        int queued = 0;
        if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0) queued = 0;
        // The byte in the shift register is not out yet either.
        unsigned int lsr = TIOCSER_TEMT;
        if (queued == 0 && hasLsr_ && ioctl(fd_, TIOCSERGETLSR, &lsr) == 0 && !(lsr & TIOCSER_TEMT))
            queued = 1;
        return static_cast<DWORD>(queued);
    }

    // What the reader has taken in; what the tty still holds comes with its next read.
    DWORD InQueue() override {
        std::lock_guard g(aheadLock_);
        return static_cast<DWORD>(used_);
    }

    // Output the kernel has accepted counts as sent, as a completed write does on the original
    // system: clearing it would lose bytes (on a pseudo-terminal, all the far end has not read yet).
    void Purge(bool input, bool) override {
        if (!input) return;
        std::lock_guard g(aheadLock_);
        // A read in flight brought bytes from before the purge: the reader drops them.
        ++generation_;
        const bool wasFull = used_ == ahead_.size();
        used_ = 0;
        head_ = 0;
        ioctl(fd_, TCFLSH, TCIFLUSH);
        if (wasFull) room_.notify_one();
    }

    DWORD ModemStatus() override {
        int lines = 0;
        if (!hasModemLines_ || ioctl(fd_, TIOCMGET, &lines) != 0) return MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
        DWORD status = 0;
        if (lines & TIOCM_CTS) status |= MS_CTS_ON;
        if (lines & TIOCM_DSR) status |= MS_DSR_ON;
        if (lines & TIOCM_RNG) status |= MS_RING_ON;
        if (lines & TIOCM_CAR) status |= MS_RLSD_ON;
        return status;
    }

    TCommCounters Counters() override {
        TCommCounters c;
        serial_icounter_struct k{};
        if (!hasCounters_ || ioctl(fd_, TIOCGICOUNT, &k) != 0) return c;
        c.cts = static_cast<DWORD>(k.cts);
        c.dsr = static_cast<DWORD>(k.dsr);
        c.ring = static_cast<DWORD>(k.rng);
        c.dcd = static_cast<DWORD>(k.dcd);
        c.frame = static_cast<DWORD>(k.frame);
        c.overrun = static_cast<DWORD>(k.overrun);
        c.parity = static_cast<DWORD>(k.parity);
        c.brk = static_cast<DWORD>(k.brk);
        c.bufOverrun = static_cast<DWORD>(k.buf_overrun);
        return c;
    }

    bool XoffHeld() override { return outputSuspended_; }

    bool Escape(DWORD function) override {
        switch (function) {
        case SETRTS:
            return SetLine(TIOCMBIS, TIOCM_RTS);
        case CLRRTS:
            return SetLine(TIOCMBIC, TIOCM_RTS);
        case SETDTR:
            return SetLine(TIOCMBIS, TIOCM_DTR);
        case CLRDTR:
            return SetLine(TIOCMBIC, TIOCM_DTR);
        case SETBREAK:
            return ioctl(fd_, TIOCSBRK) == 0;
        case CLRBREAK:
            return ioctl(fd_, TIOCCBRK) == 0;
        case SETXOFF:
            if (ioctl(fd_, TCXONC, TCOOFF) != 0) return false;
            outputSuspended_ = true;
            return true;
        case SETXON:
            if (ioctl(fd_, TCXONC, TCOON) != 0) return false;
            outputSuspended_ = false;
            return true;
        default:
            return false;
        }
    }

    bool SendImmediate(char c) override {
        // The tty sends its own start and stop characters ahead of its queue.
        if (c == xoff_) return ioctl(fd_, TCXONC, TCIOFF) == 0;
        if (c == xon_) return ioctl(fd_, TCXONC, TCION) == 0;
        return write(fd_, &c, 1) == 1;
    }

    bool SetRtsToggle(bool on) override {
        serial_rs485 rs{};
        if (on) rs.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        const bool done = ioctl(fd_, TIOCSRS485, &rs) == 0;
        if (done) rs485_ = on;
        return done;
    }

    DWORD NextDueMs() override { return INFINITE; }

private:
    // The reader: reads the node while it has bytes and there is room, and waits in poll() only when
    // it has none, so a stream is read without a pause between reads.
    void ReadLoop() {
        std::vector<char> block(kReadAhead);
        for (;;) {
            std::size_t room;
            std::uint64_t generation;
            {
                std::unique_lock lk(aheadLock_);
                room_.wait(lk, [&] { return stop_ || used_ < ahead_.size(); });
                if (stop_) return;
                room = ahead_.size() - used_;
                generation = generation_;
            }
            const ssize_t n = read(fd_, block.data(), room);
            if (n > 0) {
                Append(block.data(), static_cast<std::size_t>(n), generation);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) {
                pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
                poll(fds, 2, -1);
                // A node in error polls ready for ever: with nothing to read it is looked at again
                // after a while (a hung-up one is found so by the read).
                if (!(fds[0].revents & POLLIN) && (fds[0].revents & (POLLERR | POLLNVAL))) {
                    pollfd stop = {stopFd_, POLLIN, 0};
                    poll(&stop, 1, kHungUpRetryMs);
                }
                continue;
            }
            // Hung up (end of file, or an error such as a pseudo-terminal's far end closing): the
            // port learns it from Read, and the node is tried again now and then.
            MarkHungUp();
            pollfd stop = {stopFd_, POLLIN, 0};
            poll(&stop, 1, kHungUpRetryMs);
        }
    }

    void Append(const char* bytes, std::size_t count, std::uint64_t generation) {
        bool wake;
        {
            std::lock_guard g(aheadLock_);
            if (generation != generation_) return; // purged meanwhile
            const std::size_t tail = (head_ + used_) % ahead_.size();
            const std::size_t first = std::min(count, ahead_.size() - tail);
            std::memcpy(ahead_.data() + tail, bytes, first);
            std::memcpy(ahead_.data(), bytes + first, count - first);
            wake = used_ == 0 || hungUp_;
            used_ += count;
            hungUp_ = false;
        }
        // Only when input appears after none: while bytes wait, the port comes back for them itself.
        if (wake) arrived_();
    }

    void MarkHungUp() {
        bool wake;
        {
            std::lock_guard g(aheadLock_);
            wake = !hungUp_;
            hungUp_ = true;
        }
        if (wake) wake_();
    }

    void StopReader() {
        if (!reader_.joinable()) return;
        {
            std::lock_guard g(aheadLock_);
            stop_ = true;
        }
        room_.notify_one();
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(stopFd_, &one, sizeof one);
        reader_.join();
    }

    bool SetLine(unsigned long request, int line) {
        // Nothing to drive on a device without modem lines.
        return !hasModemLines_ || ioctl(fd_, request, &line) == 0;
    }

    // Gives the output a fair time to leave before the close flushes it: twice its line time,
    // at most five seconds, and not at all while it is held.
    void DrainBeforeClose() {
        DWORD queued = OutQueue();
        if (queued == 0 || outputSuspended_) return;
        const auto limit = std::chrono::milliseconds(
            std::min<long>(5000, static_cast<long>(2 * charMs_ * (queued + 16)) + 20));
        const auto deadline = std::chrono::steady_clock::now() + limit;
        DWORD last = queued;
        auto lastMove = std::chrono::steady_clock::now();
        while (queued != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            queued = OutQueue();
            const auto now = std::chrono::steady_clock::now();
            if (queued != last) {
                last = queued;
                lastMove = now;
            } else if (now - lastMove > std::chrono::milliseconds(static_cast<long>(4 * charMs_) + 50)) {
                break; // held by flow control
            }
        }
    }

    int fd_;
    const int stopFd_;
    std::function<void()> wake_;
    std::function<void()> arrived_;
    std::thread reader_;
    std::mutex aheadLock_;
    std::condition_variable room_;
    std::vector<char> ahead_; // a ring: used_ bytes from head_
    std::size_t head_ = 0;
    std::size_t used_ = 0;
    std::uint64_t generation_ = 0; // counts input purges
    bool hungUp_ = false;
    bool stop_ = false;
    bool hasModemLines_ = false;
    bool hasCounters_ = false;
    bool hasLsr_ = false;
    bool rs485_ = false;
    bool outputSuspended_ = false;
    char xon_ = 17;
    char xoff_ = 19;
    double charMs_ = 1.0;
};

} // namespace

std::unique_ptr<TCommDevice> OpenTermiosDevice(const std::string& node, DWORD& error) {
    const int fd = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = OpenErrorFromErrno(errno);
        return nullptr;
    }
    auto fail = [&](DWORD code) -> std::unique_ptr<TCommDevice> {
        close(fd);
        error = code;
        return nullptr;
    };
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return fail(ERROR_FILE_NOT_FOUND); // not a serial device
    // The lock keeps out a second open by anyone, root included; exclusive mode keeps out programs
    // that do not lock. Root passes exclusive mode, so it is checked as well.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(ERROR_SHARING_VIOLATION);
    int exclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) return fail(ERROR_SHARING_VIOLATION);
    const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) return fail(ERROR_NOT_ENOUGH_MEMORY);
    ioctl(fd, TIOCEXCL);
    error = 0;
    return std::make_unique<TTermiosDevice>(fd, stopFd);
}
