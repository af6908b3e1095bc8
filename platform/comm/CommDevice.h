// Private to platform/comm: the narrow interface between a port (queues, time-outs, events,
// overlapped operations) and the device under it. Each kind of device lives in one file behind it:
// TermiosDevice.cpp for device nodes, SimulatedComm.cpp for the in-process simulation.
//
// A port calls its device only with the port's lock held, so a device needs no lock of its own
// against its port.
#pragma once

#include "platform/comm/Comm.h"

#include <functional>
#include <memory>
#include <string>

// Modem-line transitions and line errors counted by the device since it was opened. The port
// turns their growth into events and error bits, so a pulse shorter than its polling still counts.
struct TCommCounters {
    DWORD cts = 0;
    DWORD dsr = 0;
    DWORD ring = 0;
    DWORD dcd = 0;
    DWORD frame = 0;
    DWORD overrun = 0;
    DWORD parity = 0;
    DWORD brk = 0;
    DWORD bufOverrun = 0;
};

class TCommDevice {
public:
    virtual ~TCommDevice() = default;

    // A descriptor that polls readable when input arrives and writable when output fits, or -1 for a
    // device that calls the wake function itself.
    virtual int PollFd() const = 0;
    // Whether the device takes its input in by itself and says so through the input-arrived
    // function; its descriptor is then polled for output only.
    virtual bool ReadsAhead() const { return false; }
    // Called once, before the port's worker starts.
    virtual void SetWake(std::function<void()> wake) = 0;
    // For a device that reads ahead: called once, before SetWake. The device calls it from its own
    // thread, with no lock of its own held, when input is there to read after none was; the port
    // takes the input in there and then.
    virtual void SetInputArrived(std::function<void()>) {}

    // Baud, byte size, parity and stop bits as the device has them now.
    virtual void CurrentLine(DCB& dcb) = 0;
    // 0, or a last-error value when the device refuses the settings.
    virtual DWORD Configure(const DCB& dcb) = 0;

    // Never block. Read: bytes read, 0 when none, -1 when the device has gone away.
    // Write: bytes accepted, 0 when full, -1 when the device has failed.
    virtual int Read(char* buffer, int count) = 0;
    virtual int Write(const char* buffer, int count) = 0;
    // Bytes accepted and not yet out on the line.
    virtual DWORD OutQueue() = 0;
    // Bytes received that a Read would return now.
    virtual DWORD InQueue() = 0;
    virtual void Purge(bool input, bool output) = 0;

    // MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON.
    virtual DWORD ModemStatus() = 0;
    virtual TCommCounters Counters() = 0;
    // Output stopped by a received XOFF or by SETXOFF.
    virtual bool XoffHeld() = 0;

    // SETXOFF, SETXON, SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK; false when refused.
    virtual bool Escape(DWORD function) = 0;
    // Sends one byte ahead of the queued output.
    virtual bool SendImmediate(char c) = 0;
    // RTS high while sending and low once sent, done by the device; false when it cannot, and the
    // port drives RTS itself.
    virtual bool SetRtsToggle(bool on) = 0;
    // Milliseconds until the device wants to be looked at again, or INFINITE.
    virtual DWORD NextDueMs() = 0;
};

// The COM number a port name stands for ("\\.\COM3", "COM3", any case), or 0.
int CommPortNumber(const std::string& name);

// Both return null with error set on failure.
std::unique_ptr<TCommDevice> OpenTermiosDevice(const std::string& node, DWORD& error);
// Null with error 0 when the number is not simulated.
std::unique_ptr<TCommDevice> OpenSimulatedDevice(int comNumber, DWORD& error);
bool IsSimulatedComm(int comNumber);
