// The dispatch log: a ring of the last events of a dispatcher, each a 16-byte header and its data,
// and the text file it is dumped to. The dispatcher keeps one under its list lock.
#pragma once

#include "platform/win/Types.h"

#include <memory>
#include <string>
#include <vector>

enum TDispatchType : BYTE {
    dtNone,
    dtDispatch,
    dtTrigger,
    dtError,
    dtThread,
    dtTriggerAlloc,
    dtTriggerDispose,
    dtTriggerHandlerAlloc,
    dtTriggerHandlerDispose,
    dtTriggerDataChange,
    dtTelnet,
    dtFax,
    dtXModem,
    dtYModem,
    dtZModem,
    dtKermit,
    dtAscii,
    dtBPlus,
    dtPacket,
    dtUser,
    dtScript
};

// The subtypes this library writes; the numbering goes on with states of protocols this system
// does not carry, up to the data packets' states.
enum TDispatchSubType : BYTE {
    dstNone,
    dstReadCom,
    dstWriteCom,
    dstLineStatus,
    dstModemStatus,
    dstAvail,
    dstTimer,
    dstData,
    dstStatus,
    dstThreadStart,
    dstThreadExit,
    dstThreadSleep,
    dstThreadWake,
    dstDataTrigger,
    dstTimerTrigger,
    dstStatusTrigger,
    dstAvailTrigger,
    dstWndHandler,
    dstProcHandler,
    dstEventHandler,
    dstSWill,
    dstSWont,
    dstSDo,
    dstSDont,
    dstRWill,
    dstRWont,
    dstRDo,
    dstRDont,
    dstCommand,
    dstSTerm,
    dstEnable = 242,
    dstDisable,
    dstStringPacket,
    dstSizePacket,
    dstPacketTimeout,
    dstStartStr,
    dstEndStr,
    dstIdle,
    dstWaiting,
    dstCollecting
};

// An entry's header; in the ring it takes 16 bytes: type, subtype, two reserved bytes, then time,
// value and data length as 32-bit little-endian numbers.
struct TDispatchEntryHeader {
    BYTE Type = dtNone;
    BYTE SubType = dstNone;
    DWORD Time = 0; // milliseconds since the port opened
    DWORD Value = 0;
    DWORD DataLen = 0;
};

class TVexDispatchLog {
public:
    static constexpr DWORD MaxSize = 16000000;
    static constexpr DWORD HeaderSize = 16;

    // With a buffer it is only emptied; otherwise Size bytes are allocated. -1002 for a new buffer
    // of 0 or more than MaxSize bytes, -8 when memory runs out.
    int Init(DWORD Size);
    void Clear();
    void Abort(); // frees the buffer
    bool HasBuffer() const { return Buffer != nullptr; }
    bool Empty() const { return FreeBytes == Size; }

    // Stores the whole entry, dropping the oldest entries to make room; false, with nothing
    // stored or dropped, when header and data together would fill the ring.
    bool PushDLEntry(const TDispatchEntryHeader& Header, const void* Data);
    // Takes the oldest entry; true when the log was empty. Data (when given) receives its bytes.
    bool PopLastDLEntry(TDispatchEntryHeader& Header, std::vector<char>* Data);

    // Writes the header lines and every entry, oldest first, taking them out of the log.
    // FileOpened tells a failure to open the file (the log is left as it was) from later ones.
    int Dump(const std::string& FileName, bool AppendTo, bool InHex, bool AllHex,
             const std::string& DeviceName, bool& FileOpened);

private:
    void PutBytes(const void* From, DWORD Count);
    void GetBytes(void* To, DWORD Count);

    std::unique_ptr<char[]> Buffer;
    DWORD Size = 0;
    DWORD Head = 0;
    DWORD Tail = 0;
    DWORD FreeBytes = 0;
};

// The lines of a dump's header that describe where it was written.
std::string DispatchLogCompiler();
std::string DispatchLogOperatingSystem();
