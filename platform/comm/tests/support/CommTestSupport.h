// Helpers for the comm tests: pseudo-terminal pairs mapped to a COM number, events, and waits.
#pragma once

#include "platform/comm/Comm.h"

#include <chrono>
#include <functional>
#include <string>

// Polls cond until it holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 3000);

// A pseudo-terminal pair whose slave is what COM `number` opens (through VEXO_COMn). The test keeps
// the master, which plays the far end of the line.
class TPtyPair {
public:
    explicit TPtyPair(int number);
    ~TPtyPair();
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    std::string PortName() const { return "\\\\.\\COM" + std::to_string(number_); }
    int Master() const { return master_; }
    int Slave() const { return slave_; }

    void Send(const std::string& bytes);
    // Reads until count bytes have come or the time is up.
    std::string Receive(size_t count, int timeoutMs = 3000);
    // What is there now, without waiting.
    std::string Drain();
    void CloseMaster();

private:
    int number_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// A port opened for the test and closed at the end of it.
class TTestPort {
public:
    explicit TTestPort(const std::string& name) : handle_(OpenComm(name)) {}
    ~TTestPort() { Close(); }
    TTestPort(const TTestPort&) = delete;
    TTestPort& operator=(const TTestPort&) = delete;

    HANDLE get() const { return handle_; }
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    BOOL Close() {
        if (handle_ == INVALID_HANDLE_VALUE) return 1;
        const BOOL closed = CloseComm(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

// A manual-reset event, closed at the end of the test.
class TTestEvent {
public:
    TTestEvent();
    ~TTestEvent();
    TTestEvent(const TTestEvent&) = delete;
    TTestEvent& operator=(const TTestEvent&) = delete;
    HANDLE get() const { return handle_; }
    bool Signalled(DWORD ms = 0) const;

private:
    HANDLE handle_;
};

// Read time-outs that make ReadFile return at once with what has arrived.
void SetImmediateReads(HANDLE port);

// Bytes waiting to be read (cbInQue) and to go out (cbOutQue), and the line errors.
COMSTAT QueueState(HANDLE port, DWORD* errors = nullptr);
