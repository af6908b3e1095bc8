// Serial communication devices opened by their port name ("\\.\COM3" or "COM3").
//
// The calls, their records and their results are those the system's serial device layer was
// written against: every call answers TRUE, or FALSE with the reason in GetLastError. Reads, writes
// and event waits are overlapped: they return FALSE with ERROR_IO_PENDING, and when they finish
// their OVERLAPPED record holds the result and its event (if any) is set. A null OVERLAPPED makes
// the call wait for the result instead.
//
// Comm handles come from their own range (from 0x40000000), apart from the kernel objects of
// platform/win, and are never reused. CloseHandle (or CloseComm) closes them.
//
// "COMn" names the device node /dev/ttyS(n-1) unless the user maps it elsewhere: the environment
// variable VEXO_COMn, or a line "COMn=/dev/node" in $XDG_CONFIG_HOME/vexo/comports
// (~/.config/vexo/comports). The variable wins over the file. A COM number taken by a
// TSimulatedComm (SimulatedComm.h) opens that simulation instead.
#pragma once

#include "platform/win/Types.h"

#include <cstdint>
#include <string>

// OVERLAPPED.Internal while the operation is under way.
inline constexpr std::uintptr_t STATUS_PENDING = 0x103;

// Internal: the operation's last-error value (0 success) or STATUS_PENDING; InternalHigh: bytes
// transferred. Keep the record (and its event) alive until the operation has completed.
struct OVERLAPPED {
    std::uintptr_t Internal = 0;
    std::uintptr_t InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = 0;
};

bool HasOverlappedIoCompleted(const OVERLAPPED* overlapped);

// Parity, StopBits, fDtrControl and fRtsControl values.
inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;
inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;
inline constexpr DWORD DTR_CONTROL_DISABLE = 0;
inline constexpr DWORD DTR_CONTROL_ENABLE = 1;
inline constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0;
inline constexpr DWORD RTS_CONTROL_ENABLE = 1;
inline constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_TOGGLE = 3;

// The device control block. Flags overlays the bit fields, so code may use either (fBinary is
// 0x01, fOutxCtsFlow 0x04, the DTR control field 0x30, the RTS control field 0x3000 ...).
// fErrorChar, ErrorChar, EofChar and fAbortOnError are kept and reported back but not acted on.
struct DCB {
    DWORD DCBlength = sizeof(DCB);
    DWORD BaudRate = 0;
    union {
        DWORD Flags = 0;
        struct {
            DWORD fBinary : 1;
            DWORD fParity : 1; // check received parity
            DWORD fOutxCtsFlow : 1;
            DWORD fOutxDsrFlow : 1;
            DWORD fDtrControl : 2;
            DWORD fDsrSensitivity : 1; // drop received bytes while DSR is off
            DWORD fTXContinueOnXoff : 1;
            DWORD fOutX : 1;
            DWORD fInX : 1;
            DWORD fErrorChar : 1;
            DWORD fNull : 1; // drop received NUL bytes
            DWORD fRtsControl : 2;
            DWORD fAbortOnError : 1;
            DWORD fDummy2 : 17;
        };
    };
    WORD wReserved = 0;
    WORD XonLim = 0;  // input at or below this many bytes: flow resumes
    WORD XoffLim = 0; // free input space at or below this: flow stops
    BYTE ByteSize = 8;
    BYTE Parity = NOPARITY;
    BYTE StopBits = ONESTOPBIT;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0; // its arrival raises EV_RXFLAG
    WORD wReserved1 = 0;
};

// Read time-outs in milliseconds: MAXDWORD, 0, 0 returns at once with what has arrived;
// MAXDWORD, MAXDWORD, c waits up to c for the first byte. Otherwise the read ends when the count
// is reached, the interval between two bytes exceeds ReadIntervalTimeout (0: unused), or the total
// (multiplier x count + constant; both 0: unused) has passed. A timed-out operation succeeds with
// the bytes transferred so far.
struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

// Status of ClearCommError; Flags overlays the hold bits (0x01 waiting for CTS, 0x02 for DSR,
// 0x08 held by a received XOFF, 0x10 XOFF sent).
struct COMSTAT {
    union {
        DWORD Flags = 0;
        struct {
            DWORD fCtsHold : 1;
            DWORD fDsrHold : 1;
            DWORD fRlsdHold : 1;
            DWORD fXoffHold : 1;
            DWORD fXoffSent : 1;
            DWORD fEof : 1;
            DWORD fTxim : 1;
            DWORD fReserved : 25;
        };
    };
    DWORD cbInQue = 0;  // received, not yet read
    DWORD cbOutQue = 0; // written, not yet on the line
};

// Comm events (SetCommMask, WaitCommEvent). EV_PERR, EV_EVENT1 and EV_EVENT2 are accepted but
// never happen.
inline constexpr DWORD EV_RXCHAR = 0x0001;
inline constexpr DWORD EV_RXFLAG = 0x0002;
inline constexpr DWORD EV_TXEMPTY = 0x0004;
inline constexpr DWORD EV_CTS = 0x0008;
inline constexpr DWORD EV_DSR = 0x0010;
inline constexpr DWORD EV_RLSD = 0x0020;
inline constexpr DWORD EV_BREAK = 0x0040;
inline constexpr DWORD EV_ERR = 0x0080; // framing, overrun or parity error
inline constexpr DWORD EV_RING = 0x0100;
inline constexpr DWORD EV_PERR = 0x0200;
inline constexpr DWORD EV_RX80FULL = 0x0400;
inline constexpr DWORD EV_EVENT1 = 0x0800;
inline constexpr DWORD EV_EVENT2 = 0x1000;

// Line errors (ClearCommError).
inline constexpr DWORD CE_RXOVER = 0x0001;
inline constexpr DWORD CE_OVERRUN = 0x0002;
inline constexpr DWORD CE_RXPARITY = 0x0004;
inline constexpr DWORD CE_FRAME = 0x0008;
inline constexpr DWORD CE_BREAK = 0x0010;

inline constexpr DWORD PURGE_TXABORT = 0x0001;
inline constexpr DWORD PURGE_RXABORT = 0x0002;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;

// EscapeCommFunction codes.
inline constexpr DWORD SETXOFF = 1; // output stops as if an XOFF had been received
inline constexpr DWORD SETXON = 2;
inline constexpr DWORD SETRTS = 3;
inline constexpr DWORD CLRRTS = 4;
inline constexpr DWORD SETDTR = 5;
inline constexpr DWORD CLRDTR = 6;
inline constexpr DWORD SETBREAK = 8;
inline constexpr DWORD CLRBREAK = 9;

// GetCommModemStatus bits.
inline constexpr DWORD MS_CTS_ON = 0x0010;
inline constexpr DWORD MS_DSR_ON = 0x0020;
inline constexpr DWORD MS_RING_ON = 0x0040;
inline constexpr DWORD MS_RLSD_ON = 0x0080;

// Opens the port for exclusive use, in raw mode, with its current baud, byte size, parity and stop
// bits and no flow control. INVALID_HANDLE_VALUE on failure: ERROR_FILE_NOT_FOUND (no such port),
// ERROR_SHARING_VIOLATION (open elsewhere, for any user), ERROR_ACCESS_DENIED (no permission).
HANDLE OpenComm(const std::string& name);
// Completes every pending operation with ERROR_OPERATION_ABORTED, stops the port's worker and
// releases the device.
BOOL CloseComm(HANDLE comm);

BOOL GetCommState(HANDLE comm, DCB* dcb);
BOOL SetCommState(HANDLE comm, const DCB* dcb);
BOOL GetCommTimeouts(HANDLE comm, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE comm, const COMMTIMEOUTS* timeouts);
// Sizes the input queue (the XON/XOFF limits count against it); the output size is accepted and
// ignored, as writes queue without limit.
BOOL SetupComm(HANDLE comm, DWORD inQueue, DWORD outQueue);

// A new mask completes a pending WaitCommEvent with no events and forgets events seen so far.
BOOL SetCommMask(HANDLE comm, DWORD mask);
BOOL GetCommMask(HANDLE comm, DWORD* mask);
// One wait at a time. Completes with the events of the mask that happened since the last wait.
BOOL WaitCommEvent(HANDLE comm, DWORD* eventMask, OVERLAPPED* overlapped);

BOOL ReadFile(HANDLE comm, void* buffer, DWORD count, DWORD* bytesRead, OVERLAPPED* overlapped);
// The bytes are copied at once; the caller's buffer is free when the call returns.
BOOL WriteFile(HANDLE comm, const void* buffer, DWORD count, DWORD* bytesWritten, OVERLAPPED* overlapped);
// Reads the record only, so it still answers after the handle was closed.
BOOL GetOverlappedResult(HANDLE comm, OVERLAPPED* overlapped, DWORD* bytesTransferred, BOOL wait);
// Aborts the reads, writes and event wait that the calling thread started on the handle.
BOOL CancelIo(HANDLE comm);
// An abort flag completes the pending operations of its side with ERROR_OPERATION_ABORTED; a clear
// flag empties that side's queues. Any purge completes a pending WaitCommEvent with no events.
BOOL PurgeComm(HANDLE comm, DWORD flags);

// Waits until every byte written has left the device, the device's own queue included. Output
// that stops moving (held by flow control) ends the wait after a second without progress.
BOOL FlushFileBuffers(HANDLE comm);

// Returns the line errors collected since the last call (and forgets them) and the queue state.
// Like GetCommModemStatus it reads no data: cbInQue counts what has come in from the device so far.
BOOL ClearCommError(HANDLE comm, DWORD* errors, COMSTAT* status);
// Bytes received and not yet read: the input queue's and those the device itself still holds,
// which reads take in turn. 0 for a handle that is not an open port.
DWORD CommInputWaiting(HANDLE comm);
BOOL EscapeCommFunction(HANDLE comm, DWORD function);
// Devices that cannot report modem lines (pseudo-terminals) read CTS, DSR and DCD as on.
BOOL GetCommModemStatus(HANDLE comm, DWORD* modemStatus);
BOOL SetCommBreak(HANDLE comm);
BOOL ClearCommBreak(HANDLE comm);
// Sends one byte ahead of the queued output.
BOOL TransmitCommChar(HANDLE comm, char c);

// The device node a port name stands for, after the user's map; "" when the name is not a port.
std::string CommDeviceNode(const std::string& name);
// A sentence for an OpenComm failure, naming the port and its device node.
std::string CommOpenErrorText(const std::string& name, DWORD error);
