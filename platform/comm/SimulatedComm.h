// An in-process serial line for tests: while a TSimulatedComm for COM n exists, OpenComm of COM n
// opens it instead of a device node, and the object plays the far end of the line and the UART's
// signals. The port behaves as with a device: the same events, errors, queues and flow control.
//
// The line starts with CTS, DSR and DCD on and RI off, at 9600 baud, 8 data bits, no parity, one
// stop bit. Output goes on the line at once unless pacing is on; it waits while held by CTS (with
// fOutxCtsFlow), by a received XOFF (with fOutX) or by SETXOFF, and during a break.
#pragma once

#include "platform/comm/Comm.h"

#include <functional>
#include <memory>
#include <string>

struct TSimulatedLine;

class TSimulatedComm {
public:
    explicit TSimulatedComm(int comNumber);
    // The port, if still open, keeps working on a line that nobody plays.
    ~TSimulatedComm();
    TSimulatedComm(const TSimulatedComm&) = delete;
    TSimulatedComm& operator=(const TSimulatedComm&) = delete;

    // Bytes arriving at the port from the far end. With fOutX the port's XON and XOFF characters
    // are taken out of the stream and start or stop its output.
    void Receive(const std::string& bytes);
    // The bytes the port has put on the line since the last call.
    std::string TakeTransmitted();
    // Bytes received that the port has not taken in yet.
    std::size_t Unread() const;

    void SetCts(bool on);
    // Called under the line's lock for each byte as it goes on the line (no call back into the
    // line from it): CTS goes off once, right after the byte it answers true for, before the port
    // can put another on the line.
    void DropCtsWhen(std::function<bool(char)> sent);
    void SetDsr(bool on);
    void SetDcd(bool on);
    void SetRing(bool on);
    void InjectBreak();
    // CE_RXPARITY, CE_FRAME and CE_OVERRUN, in any combination.
    void InjectLineError(DWORD errors);
    // On: output leaves at the line's rate, baud / (1 start + data + parity + stop bits) bytes a
    // second.
    void SetPacing(bool on);

    // The port's side of the line.
    bool IsOpen() const;
    bool Dtr() const;
    bool Rts() const;
    bool BreakOn() const;
    // The settings the port last gave the line.
    DCB LineSettings() const;

private:
    int comNumber_;
    std::shared_ptr<TSimulatedLine> line_;
};
