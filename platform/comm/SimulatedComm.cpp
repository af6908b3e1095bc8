#include "platform/comm/SimulatedComm.h"

#include "platform/comm/CommDevice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// What a UART driver would buffer on each side.
constexpr size_t kDriverQueue = 4096;

} // namespace

struct TSimulatedLine {
    mutable std::mutex m;
    bool open = false;
    std::function<void()> wake; // set while a port has the line open

    DCB dcb;
    bool dtr = false;
    bool rts = false;
    bool breakOn = false;
    DWORD modem = MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
    TCommCounters counters;
    bool xoffReceived = false;
    bool suspended = false; // SETXOFF

    std::deque<char> rx; // arrived, not yet taken by the port
    std::deque<char> tx; // accepted from the port, not yet on the line
    std::string line;    // sent, not yet taken by the test

    // Watches each byte as it goes on the line; CTS goes off right after the one it answers true for.
    std::function<bool(char)> dropCtsWhen;

    bool pacing = false;
    double credit = 0; // bytes the line could have sent since the last advance
    Clock::time_point last = Clock::now();

    TSimulatedLine() {
        dcb.BaudRate = 9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
    }

    bool Held() const {
        return (dcb.fOutxCtsFlow && !(modem & MS_CTS_ON)) || xoffReceived || suspended || breakOn;
    }

    double BytesPerSecond() const {
        const double stop = dcb.StopBits == ONESTOPBIT ? 1 : dcb.StopBits == ONE5STOPBITS ? 1.5 : 2;
        const double bits = 1 + dcb.ByteSize + (dcb.Parity != NOPARITY ? 1 : 0) + stop;
        return std::max<double>(dcb.BaudRate, 1) / bits;
    }

    // Moves to the line what it has carried since the last call. Under m.
    void Advance() {
        const auto now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - last).count();
        last = now;
        if (Held() || tx.empty()) {
            credit = 0;
            return;
        }
        size_t n = tx.size();
        if (pacing) {
            credit += elapsed * BytesPerSecond();
            n = std::min(n, static_cast<size_t>(credit));
            credit -= static_cast<double>(n);
        }
        if (dropCtsWhen) {
            // Byte by byte, so that nothing after the drop goes out while CTS holds the output.
            for (; n > 0 && !Held(); --n) {
                line.push_back(tx.front());
                tx.pop_front();
                if (dropCtsWhen(line.back())) {
                    dropCtsWhen = nullptr;
                    modem &= ~MS_CTS_ON;
                    ++counters.cts;
                    Wake();
                    break;
                }
            }
            if (dropCtsWhen == nullptr && n > 1 && !Held()) {
                line.append(tx.begin(), tx.begin() + static_cast<std::ptrdiff_t>(n - 1));
                tx.erase(tx.begin(), tx.begin() + static_cast<std::ptrdiff_t>(n - 1));
            }
        } else {
            line.append(tx.begin(), tx.begin() + static_cast<std::ptrdiff_t>(n));
            tx.erase(tx.begin(), tx.begin() + static_cast<std::ptrdiff_t>(n));
        }
        if (tx.empty()) credit = 0;
    }

    void Wake() {
        if (wake) wake();
    }

    void SetModem(DWORD bit, DWORD TCommCounters::*counter, bool on) {
        std::lock_guard g(m);
        Advance();
        if (((modem & bit) != 0) == on) return;
        modem ^= bit;
        ++(counters.*counter);
        Wake();
    }
};

namespace {

std::mutex& RegistryLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::map<int, std::shared_ptr<TSimulatedLine>>& Registry() {
    static auto* registry = new std::map<int, std::shared_ptr<TSimulatedLine>>;
    return *registry;
}

class TSimulatedDevice final : public TCommDevice {
public:
    explicit TSimulatedDevice(std::shared_ptr<TSimulatedLine> line) : line_(std::move(line)) {}

    ~TSimulatedDevice() override {
        std::lock_guard g(line_->m);
        line_->open = false;
        line_->wake = nullptr;
        // Closing drops the port's lines, as a tty does on its last close.
        line_->dtr = line_->rts = line_->breakOn = false;
        line_->suspended = false;
        line_->rx.clear();
        line_->tx.clear();
    }

    TSimulatedDevice(const TSimulatedDevice&) = delete;
    TSimulatedDevice& operator=(const TSimulatedDevice&) = delete;

    int PollFd() const override { return -1; }

    void SetWake(std::function<void()> wake) override {
        std::lock_guard g(line_->m);
        line_->wake = std::move(wake);
    }

    void CurrentLine(DCB& dcb) override {
        std::lock_guard g(line_->m);
        dcb.BaudRate = line_->dcb.BaudRate;
        dcb.ByteSize = line_->dcb.ByteSize;
        dcb.Parity = line_->dcb.Parity;
        dcb.StopBits = line_->dcb.StopBits;
    }

    DWORD Configure(const DCB& dcb) override {
        std::lock_guard g(line_->m);
        line_->Advance();
        line_->dcb = dcb;
        if (!dcb.fOutX) line_->xoffReceived = false;
        return 0;
    }

    int Read(char* buffer, int count) override {
        std::lock_guard g(line_->m);
        auto& rx = line_->rx;
        const auto n = std::min(rx.size(), static_cast<size_t>(count));
        std::copy_n(rx.begin(), n, buffer);
        rx.erase(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<int>(n);
    }

    int Write(const char* buffer, int count) override {
        std::lock_guard g(line_->m);
        line_->Advance();
        auto& tx = line_->tx;
        const auto n = std::min(kDriverQueue - std::min(kDriverQueue, tx.size()), static_cast<size_t>(count));
        tx.insert(tx.end(), buffer, buffer + n);
        line_->Advance();
        return static_cast<int>(n);
    }

    DWORD OutQueue() override {
        std::lock_guard g(line_->m);
        line_->Advance();
        return static_cast<DWORD>(line_->tx.size());
    }

    DWORD InQueue() override {
        std::lock_guard g(line_->m);
        return static_cast<DWORD>(line_->rx.size());
    }

    void Purge(bool input, bool output) override {
        std::lock_guard g(line_->m);
        if (input) line_->rx.clear();
        if (output) line_->tx.clear();
    }

    DWORD ModemStatus() override {
        std::lock_guard g(line_->m);
        return line_->modem;
    }

    TCommCounters Counters() override {
        std::lock_guard g(line_->m);
        return line_->counters;
    }

    bool XoffHeld() override {
        std::lock_guard g(line_->m);
        return line_->xoffReceived || line_->suspended;
    }

    bool Escape(DWORD function) override {
        std::lock_guard g(line_->m);
        line_->Advance();
        switch (function) {
        case SETRTS:
            line_->rts = true;
            break;
        case CLRRTS:
            line_->rts = false;
            break;
        case SETDTR:
            line_->dtr = true;
            break;
        case CLRDTR:
            line_->dtr = false;
            break;
        case SETBREAK:
            line_->breakOn = true;
            break;
        case CLRBREAK:
            line_->breakOn = false;
            break;
        case SETXOFF:
            line_->suspended = true;
            break;
        case SETXON:
            line_->suspended = false;
            break;
        default:
            return false;
        }
        return true;
    }

    bool SendImmediate(char c) override {
        std::lock_guard g(line_->m);
        line_->Advance();
        line_->line.push_back(c);
        return true;
    }

    bool SetRtsToggle(bool) override { return false; }

    DWORD NextDueMs() override {
        std::lock_guard g(line_->m);
        line_->Advance();
        if (!line_->pacing || line_->tx.empty() || line_->Held()) return INFINITE;
        const double ms = (1.0 - line_->credit) * 1000.0 / line_->BytesPerSecond();
        return static_cast<DWORD>(std::max(1.0, std::ceil(ms)));
    }

private:
    std::shared_ptr<TSimulatedLine> line_;
};

} // namespace

bool IsSimulatedComm(int comNumber) {
    std::lock_guard g(RegistryLock());
    return Registry().count(comNumber) != 0;
}

std::unique_ptr<TCommDevice> OpenSimulatedDevice(int comNumber, DWORD& error) {
    std::shared_ptr<TSimulatedLine> line;
    {
        std::lock_guard g(RegistryLock());
        const auto it = Registry().find(comNumber);
        if (it == Registry().end()) {
            error = 0;
            return nullptr;
        }
        line = it->second;
    }
    std::lock_guard g(line->m);
    if (line->open) {
        error = ERROR_SHARING_VIOLATION;
        return nullptr;
    }
    line->open = true;
    // Opening a tty raises DTR and RTS.
    line->dtr = line->rts = true;
    line->xoffReceived = false;
    error = 0;
    return std::make_unique<TSimulatedDevice>(line);
}

TSimulatedComm::TSimulatedComm(int comNumber)
    : comNumber_(comNumber), line_(std::make_shared<TSimulatedLine>()) {
    std::lock_guard g(RegistryLock());
    Registry()[comNumber_] = line_;
}

TSimulatedComm::~TSimulatedComm() {
    std::lock_guard g(RegistryLock());
    const auto it = Registry().find(comNumber_);
    if (it != Registry().end() && it->second == line_) Registry().erase(it);
}

void TSimulatedComm::Receive(const std::string& bytes) {
    std::lock_guard g(line_->m);
    line_->Advance();
    const DCB& dcb = line_->dcb;
    for (const char c : bytes) {
        if (dcb.fOutX && c == dcb.XoffChar) {
            line_->xoffReceived = true;
        } else if (dcb.fOutX && c == dcb.XonChar) {
            line_->xoffReceived = false;
        } else if (line_->rx.size() >= kDriverQueue) {
            ++line_->counters.bufOverrun;
        } else {
            line_->rx.push_back(c);
        }
    }
    line_->Wake();
}

std::string TSimulatedComm::TakeTransmitted() {
    std::lock_guard g(line_->m);
    line_->Advance();
    std::string sent;
    sent.swap(line_->line);
    return sent;
}

std::size_t TSimulatedComm::Unread() const {
    std::lock_guard g(line_->m);
    return line_->rx.size();
}

void TSimulatedComm::DropCtsWhen(std::function<bool(char)> sent) {
    std::lock_guard g(line_->m);
    line_->Advance();
    line_->dropCtsWhen = std::move(sent);
}

void TSimulatedComm::SetCts(bool on) {
    line_->SetModem(MS_CTS_ON, &TCommCounters::cts, on);
}
void TSimulatedComm::SetDsr(bool on) {
    line_->SetModem(MS_DSR_ON, &TCommCounters::dsr, on);
}
void TSimulatedComm::SetDcd(bool on) {
    line_->SetModem(MS_RLSD_ON, &TCommCounters::dcd, on);
}
void TSimulatedComm::SetRing(bool on) {
    line_->SetModem(MS_RING_ON, &TCommCounters::ring, on);
}

void TSimulatedComm::InjectBreak() {
    std::lock_guard g(line_->m);
    ++line_->counters.brk;
    line_->Wake();
}

void TSimulatedComm::InjectLineError(DWORD errors) {
    std::lock_guard g(line_->m);
    if (errors & CE_RXPARITY) ++line_->counters.parity;
    if (errors & CE_FRAME) ++line_->counters.frame;
    if (errors & CE_OVERRUN) ++line_->counters.overrun;
    line_->Wake();
}

void TSimulatedComm::SetPacing(bool on) {
    std::lock_guard g(line_->m);
    line_->Advance();
    line_->pacing = on;
    line_->Wake();
}

bool TSimulatedComm::IsOpen() const {
    std::lock_guard g(line_->m);
    return line_->open;
}

bool TSimulatedComm::Dtr() const {
    std::lock_guard g(line_->m);
    return line_->dtr;
}

bool TSimulatedComm::Rts() const {
    std::lock_guard g(line_->m);
    return line_->rts;
}

bool TSimulatedComm::BreakOn() const {
    std::lock_guard g(line_->m);
    return line_->breakOn;
}

DCB TSimulatedComm::LineSettings() const {
    std::lock_guard g(line_->m);
    return line_->dcb;
}
