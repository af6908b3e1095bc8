// The dispatcher: the per-port engine under every open port. It reads what the device received into
// a fixed receive ring, checks the triggers, delivers their notifications to the registered
// handlers and writes the caller's blocks to the device. The device itself is reached only through
// the abstract device operations that a device layer (serial, socket) overrides.
//
// Locks, outermost first: the port-list lock, the receive lock, the list lock, the output lock.
// Never take one while holding a lock that comes after it.
#pragma once

#include "platform/comm/Comm.h"
#include "platform/rtl/Method.h"
#include "platform/ui/Classes.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"
#include "platform/win/Types.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class TVexBaseDispatcher;

// Notification messages; lParam = dispatcher handle * 65536 + the notification's data.
inline constexpr UINT TriggerAvailMsg = 0x7E01;
inline constexpr UINT TriggerDataMsg = 0x7E02;
inline constexpr UINT TriggerTimerMsg = 0x7E03;
inline constexpr UINT TriggerStatusMsg = 0x7E04;

// The receive ring has this size whatever the port's input size; the input size only sizes the
// device's own queue.
inline constexpr DWORD ReceiveRingSize = 8192;

// InitPort flags.
inline constexpr DWORD InitAssertDtr = 0x01;
inline constexpr DWORD InitAssertRts = 0x02;
inline constexpr DWORD InitAutoDtr = 0x10; // DTR driven by the device (hardware flow control)
inline constexpr DWORD InitAutoRts = 0x20;

// Option flags (OptionsOn/OptionsOff).
inline constexpr DWORD OptionUseEventWord = 0x04;

// Line-error bits kept by RefreshStatus: receive-queue overflow, overrun, parity, framing, break.
inline constexpr DWORD LineErrorMask = 0x1F;

// The modem-status byte: current line states in the high nibble (as GetComModemStatus reports
// them), sticky change bits in the low one.
inline constexpr BYTE ModemDeltaCts = 0x01;
inline constexpr BYTE ModemDeltaDsr = 0x02;
inline constexpr BYTE ModemTrailingRi = 0x04;
inline constexpr BYTE ModemDeltaDcd = 0x08;

using TVexNotifyEvent = TMethod<void(UINT Msg, UINT wParam, int lParam)>;
using TVexNotifyProc = void (*)(UINT Msg, UINT wParam, int lParam);

enum TApHandlerFlagUpdate { fuKeepPort, fuEnablePort, fuDisablePort };

// Dispatch-log entry types and the subtypes this library writes.
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
    dstSTerm
};

// A worker thread of a dispatcher. It frees itself when it ends. The constructor counts it among
// the dispatcher's running threads and DoTerminate reports its end with ThreadGone, so a worker
// never calls ThreadGone itself. Threads are created suspended: the most-derived class calls
// Start() as the last statement of its constructor.
class TVexDispatcherThread : public TThread {
public:
    explicit TVexDispatcherThread(TVexBaseDispatcher* Disp);

    // Runs Method(Msg, wParam, lParam) on the main thread while this thread waits.
    void SyncNotify(UINT Msg, UINT wParam, const TVexNotifyEvent& Method, int lParam);
    // Runs any parameterless method on the main thread while this thread waits.
    void Sync(const TThreadMethod& Method);

protected:
    void DoTerminate() override;

    TVexBaseDispatcher* H;

private:
    UINT pMsg = 0;
    UINT pWParam = 0;
    int pLParam = 0;
    TVexNotifyEvent pMethod;
};

// A device layer overrides the device operations and, because the base destructor can no longer
// reach them, calls BeforeDestruction first thing in its own destructor.
class TVexBaseDispatcher {
public:
    explicit TVexBaseDispatcher(TComponent* Owner);
    virtual ~TVexBaseDispatcher();
    TVexBaseDispatcher(const TVexBaseDispatcher&) = delete;
    TVexBaseDispatcher& operator=(const TVexBaseDispatcher&) = delete;

    TComponent* Owner() const { return FOwner; }
    int Handle() const { return FHandle; }
    int ComHandle() const { return FDeviceId; }
    bool EventBusy() const { return FEventBusy > 0; }
    bool ClosePending() const { return FClosePending; }
    bool DispatcherStarted() const { return FDispatcherStarted; }
    int RunningThreads() const { return InterlockedCompareExchange(&FRunningThreads, 0, 0); }

    // Set by the port after it creates the dispatcher; printed in the dispatch log's header.
    std::string DeviceName;

    // Life cycle.
    int InitPort(const char* ComName, DWORD Baud, DWORD Flags, DWORD OutQueue, DWORD InQueue, BYTE StopBits,
                 BYTE DataBits, BYTE Parity);
    int InitSocket(DWORD InQueue, DWORD OutQueue);
    void DonePort();
    virtual void DonePortPrim();

    // Device operations, supplied by the device layer.
    virtual int EscapeComFunction(int Func) = 0;
    virtual int FlushCom(int Queue) = 0; // 0 output, 1 input
    virtual int GetComError(COMSTAT& Stat) = 0;
    virtual int GetComEventMask(int EvtMask) = 0;
    virtual int GetComState(DCB& Dcb) = 0;
    virtual int ReadCom(char* Buf, int Size) = 0;
    virtual int SetComState(DCB& Dcb) = 0;
    virtual int WriteCom(const char* Buf, int Size) = 0;
    virtual bool WaitComEvent(DWORD& EvtMask, OVERLAPPED* Overlapped) = 0;
    virtual bool SetupCom(int InQueue, int OutQueue) = 0;
    virtual void StartDispatcher() = 0;
    virtual void StopDispatcher() = 0;
    virtual int OpenCom(const char* ComName, DWORD InQueue, DWORD OutQueue) = 0;
    virtual int CloseCom() = 0;
    virtual int ProcessCommunications() = 0;
    // The device's modem lines (MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON); a device without
    // modem lines (a socket) keeps the default, all off.
    virtual DWORD GetComModemStatus() { return 0; }

    // One dispatch pass, run repeatedly by the device layers: reads the device into the ring and,
    // unless event busy, checks the triggers while they deliver and no close is pending.
    void DispatchPass();

    // Status and options.
    int RefreshStatus();
    int SetCommBuffers(DWORD InQueue, DWORD OutQueue);
    void OptionsOn(DWORD Bits);
    void OptionsOff(DWORD Bits);
    bool OptionsAreOn(DWORD Bits);

    // Line operations that opening a port needs.
    int SetLine(DWORD Baud, BYTE Parity, BYTE StopBits, BYTE DataBits);
    int SetCommStateFix(DCB& Dcb);
    int SetDtr(bool OnOff);
    int SetRts(bool OnOff);
    BYTE GetModemStatusPrim(BYTE ClearMask);
    void WaitTxSent();

    // Data. Reads are all or nothing (-3007), and so are writes (-3006). During an avail or data
    // notification reads do not move the ring's tail: each handler starts at the same tail and
    // SendNotify moves it by the most any handler read.
    bool CharReady();
    int PeekCharPrim(char& C, DWORD Index);
    int PeekChar(char& C, DWORD Index);
    int GetChar(char& C);
    int PeekBlockPrim(char* Block, DWORD Offset, DWORD& NewTail, DWORD Len);
    int PeekBlock(char* Block, DWORD Len);
    int GetBlock(char* Block, DWORD Len);
    int PutChar(char C);
    int PutString(const std::string& S);
    int PutBlock(const char* Block, DWORD Len);
    DWORD InBuffUsed();
    DWORD InBuffFree();
    DWORD OutBuffUsed();
    DWORD OutBuffFree();
    int FlushOutBuffer();
    int FlushInBuffer();
    void BufferSizes(DWORD& InQueue, DWORD& OutQueue) const;
    bool ExtractData();

    // Event busy is a counted hold: while any hold exists no trigger is checked, a deregistration
    // only marks its record and DonePort only sets close pending. Each SetEventBusy(Old, true)
    // takes one hold and must be paired with exactly one SetEventBusy(Old, false) by the same
    // holder, whatever Old said; Old reports whether any hold existed before the call. A delivery
    // takes and releases its own hold, so it never ends a string wait's hold.
    void SetEventBusy(bool& WasOn, bool SetOn);

    int SetDataPointer(void* P, DWORD Index);
    int GetDataPointer(void*& P, DWORD Index);

    // Handlers, called in registration order for each notification.
    void RegisterWndTriggerHandler(HWND HW);
    void RegisterProcTriggerHandler(TVexNotifyProc NP);
    void RegisterEventTriggerHandler(const TVexNotifyEvent& NP);
    void RegisterSyncEventTriggerHandler(const TVexNotifyEvent& NP);
    void DeregisterWndTriggerHandler(HWND HW);
    void DeregisterProcTriggerHandler(TVexNotifyProc NP);
    // Matches the method's code only: one handler per method per dispatcher.
    void DeregisterEventTriggerHandler(const TVexNotifyEvent& NP);
    virtual void UpdateHandlerFlags(TApHandlerFlagUpdate FlagUpdate);
    bool SendNotify(UINT Msg, UINT wParam, int Data);

    // Triggers. The trigger lists come with the trigger unit; until then there is nothing to check.
    bool CheckTriggers();
    void RemoveAllTriggers();
    void ResetStatusHits();
    void ResetDataTriggers();

    // Trace and dispatch-log entries; the caller holds the list lock and has checked that tracing
    // or logging is on.
    void AddTraceEntry(char CurEntry, char CurCh);
    void AddDispatchEntry(TDispatchType DT, TDispatchSubType DST, DWORD DataLen, const void* Data,
                          DWORD Value);

    // Called from each worker's DoTerminate.
    void ThreadGone(TVexDispatcherThread* Thread);

protected:
    friend class TVexDispatcherThread;

    // Closes the port (DonePortPrim when a close is pending, else DonePort) and waits, serving
    // messages and synchronised calls, until no worker runs. Virtual calls are not possible in the
    // base destructor, so every device layer's destructor calls this first; calling it again does
    // nothing more.
    void BeforeDestruction();
    void WaitForThreads();

    bool CreateEvents();
    void CloseEvents();
    void ResetState();
    void ReleaseBuffers();
    int DeviceErrorCode(int Fallback) const; // the negated last error, or Fallback when there is none
    void RecordStatus(const COMSTAT& Stat, int Errors);
    DWORD InBuffCount() const; // under the receive lock
    DWORD ReadIntoRing(DWORD Pos, DWORD Count);

    template <class Rec, class Match>
    void DeregisterHandler(std::vector<Rec>& List, Match Matches, TDispatchSubType Subtype,
                           DWORD (*Value)(const Rec&));
    void PurgeDeletedHandlers(); // under the list lock, once no hold is left
    bool DeliverToHandlers(UINT Msg, UINT wParam, int lParam);
    void StartHandlerRead();
    void EndHandlerRead();
    bool EndNotify(UINT Msg, UINT wParam, bool InAvailMsg, bool Delivered);
    // The dispatch thread's SyncNotify when called on it; otherwise a plain synchronised call.
    void DeliverSync(const TVexNotifyEvent& Method, UINT Msg, UINT wParam, int lParam);

    TComponent* FOwner;
    int FHandle = -1;
    std::atomic<int> FDeviceId{-1};
    DWORD LineErrors = 0;
    DWORD InSize = 0;
    DWORD OutSize = 0;
    DWORD ModemStatus = 0;
    COMSTAT ComStatus;
    DCB LineDCB;
    DWORD LastBaud = 0;
    DWORD OptionFlags = 0;
    std::atomic<bool> DtrState{false}; // SetDtr and SetRts take no lock
    std::atomic<bool> DtrAuto{false};
    std::atomic<bool> RtsState{false};
    std::atomic<bool> RtsAuto{false};
    HWND DispatcherWindow = 0; // socket layer
    bool RS485Mode = false;
    WORD BaseAddress = 0;

    bool PortHandlerInstalled = false;
    std::atomic<bool> HandlerServiceNeeded{false};

    struct TWndTriggerHandler {
        HWND Wnd;
        bool Deleted;
    };
    struct TProcTriggerHandler {
        TVexNotifyProc Proc;
        bool Deleted;
    };
    struct TEventTriggerHandler {
        TVexNotifyEvent Event;
        bool Deleted;
        bool Sync;
    };
    std::vector<TWndTriggerHandler> WndTriggerHandlers;
    std::vector<TProcTriggerHandler> ProcTriggerHandlers;
    std::vector<TEventTriggerHandler> EventTriggerHandlers;

    // Receive-trigger bookkeeping, used by the trigger checks.
    DWORD NextToScan = 0;
    DWORD LengthTrigger = 0;
    DWORD NotifyTail = 0;
    DWORD TriggerCounter = 1;
    bool StatusHit = false;

    // The avail read-count protocol, under the receive lock.
    bool InAvail = false;
    DWORD ReadCount = 0;
    DWORD LargestReadCount = 0;

    std::atomic<bool> KillThreads{false};
    std::atomic<TVexDispatcherThread*> ComThread{nullptr};
    std::atomic<TVexDispatcherThread*> DispThread{nullptr};
    std::atomic<TVexDispatcherThread*> OutThread{nullptr};
    BYTE ThreadBoost = 0;

    TRTLCriticalSection ListLock;
    TRTLCriticalSection OutputLock;
    TRTLCriticalSection ReceiveLock;

    // Worker events of the serial layer, INVALID_HANDLE_VALUE until the port opens.
    HANDLE ComEvent = INVALID_HANDLE_VALUE;
    HANDLE ReadyEvent = INVALID_HANDLE_VALUE;
    HANDLE StartedEvent = INVALID_HANDLE_VALUE;
    HANDLE OutputReadyEvent = INVALID_HANDLE_VALUE;
    HANDLE WriteDoneEvent = INVALID_HANDLE_VALUE;
    HANDLE StopOutputEvent = INVALID_HANDLE_VALUE;
    HANDLE OutWaitObjects[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};   // output ready, stop
    HANDLE WriteWaitObjects[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE}; // write done, stop
    DWORD LastEventMask = 0;
    std::atomic<bool> RingTrailingEdge{false}; // set by the comm-event thread

    // Output buffer of the serial layer, under the output lock.
    std::unique_ptr<char[]> OutBuffer;
    DWORD OutHead = 0;
    DWORD OutTail = 0;
    bool OutBufferFull = false;

    // Receive ring, under the receive lock; only ExtractData moves the head.
    std::unique_ptr<char[]> Ring;
    DWORD RingHead = 0;
    DWORD RingTail = 0;
    bool RingFull = false;

    std::atomic<int> FEventBusy{0}; // holds, changed under the list lock
    std::atomic<bool> HandlerDeletedWhileBusy{false};
    std::atomic<bool> FClosePending{false};
    bool OutputSent = false;

    // Trace and dispatch log, under the list lock; off until the trace unit arrives.
    bool TracingOn = false;
    bool LoggingOn = false;
    DWORD DispatchStartTime = 0;

    DWORD TimerId = 0; // socket layer's window timer
    std::atomic<bool> FDispatcherStarted{false};
    std::atomic<bool> DoneOnThreadExit{false};
    mutable volatile LONG FRunningThreads = 0; // interlocked only
    void* DataPointers[3] = {nullptr, nullptr, nullptr};
};

// The list of every dispatcher; a dispatcher's index is its handle, a free slot is nullptr.
// Read it only between LockPortList and UnlockPortList.
extern std::vector<TVexBaseDispatcher*> PortList;
void LockPortList();
void UnlockPortList();

// A device-layer class, as GetTComRecPtr tests for it: true when Disp is of that class.
using TDispatcherClass = bool (*)(const TVexBaseDispatcher* Disp);
template <class T> bool IsDispatcherClass(const TVexBaseDispatcher* Disp) {
    return dynamic_cast<const T*>(Disp) != nullptr;
}

// The dispatcher of that class whose device id is Cid, or nullptr.
TVexBaseDispatcher* GetTComRecPtr(int Cid, TDispatcherClass DeviceLayerClass);
template <class T> T* GetTComRecPtr(int Cid) {
    return static_cast<T*>(GetTComRecPtr(Cid, &IsDispatcherClass<T>));
}

// Window handlers that have not started on a notification within this time are passed over (3000 ms).
// Tests shorten it; nothing else changes it.
void SetWndHandlerTimeoutForTesting(UINT Milliseconds);
