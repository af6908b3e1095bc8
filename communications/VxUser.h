// The dispatcher: the per-port engine under every open port. It reads what the device received into
// a fixed receive ring, checks the triggers, delivers their notifications to the registered
// handlers and writes the caller's blocks to the device. The device itself is reached only through
// the abstract device operations that a device layer (serial, socket) overrides.
//
// Locks, outermost first: the port-list lock, the receive lock, the list lock, the output lock.
// Never take one while holding a lock that comes after it.
#pragma once

#include "communications/VxDispatchLog.h"
#include "communications/VxTrace.h"
#include "communications/VxTrigger.h"
#include "platform/comm/Comm.h"
#include "platform/rtl/Method.h"
#include "platform/ui/Classes.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"
#include "platform/win/Types.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TVexBaseDispatcher;

// Notification messages; lParam = dispatcher handle * 65536 + the notification's data.
inline constexpr UINT TriggerAvailMsg = 0x7E01;
inline constexpr UINT TriggerDataMsg = 0x7E02;
inline constexpr UINT TriggerTimerMsg = 0x7E03;
inline constexpr UINT TriggerStatusMsg = 0x7E04;

// The receive ring has this size whatever the port's input size; the input size only sizes the
// device's own queue. A power of two, and below 64 KiB: avail counts travel in 16 bits.
inline constexpr DWORD ReceiveRingSize = 32768;
static_assert((ReceiveRingSize & (ReceiveRingSize - 1)) == 0 && ReceiveRingSize < 65536);

// InitPort flags.
inline constexpr DWORD InitAssertDtr = 0x01;
inline constexpr DWORD InitAssertRts = 0x02;
inline constexpr DWORD InitAutoDtr = 0x10; // DTR driven by the device (hardware flow control)
inline constexpr DWORD InitAutoRts = 0x20;

// Option flags (OptionsOn/OptionsOff).
inline constexpr DWORD OptionUseEventWord = 0x04;

// Line-error bits kept by RefreshStatus: receive-queue overflow, overrun, parity, framing, break.
inline constexpr DWORD LineErrorMask = 0x1F;
// Line-error bit: the device failed a write, and bytes that PutBlock had accepted were lost.
inline constexpr DWORD LineErrorWriteFailed = 0x0400;

// The modem-status byte: current line states in the high nibble (as GetComModemStatus reports
// them), sticky change bits in the low one.
inline constexpr BYTE ModemDeltaCts = 0x01;
inline constexpr BYTE ModemDeltaDsr = 0x02;
inline constexpr BYTE ModemTrailingRi = 0x04;
inline constexpr BYTE ModemDeltaDcd = 0x08;
inline constexpr BYTE ModemCts = 0x10;
inline constexpr BYTE ModemDsr = 0x20;
inline constexpr BYTE ModemRi = 0x40;
inline constexpr BYTE ModemDcd = 0x80;

// GetLineError's codes.
inline constexpr int leNone = 0;
inline constexpr int leBuffer = 1; // receive-queue overflow
inline constexpr int leOverrun = 2;
inline constexpr int leParity = 3;
inline constexpr int leFraming = 4;
inline constexpr int leWriteFailed = 5; // output accepted by PutBlock was lost by the device
inline constexpr int leBreak = 9;

// Hardware flow-control options (HWFlowOptions, GetFlowOptions).
inline constexpr DWORD hwfUseDTR = 0x01;
inline constexpr DWORD hwfUseRTS = 0x02;
inline constexpr DWORD hwfRequireDSR = 0x04;
inline constexpr DWORD hwfRequireCTS = 0x08;

// Software flow-control directions (SWFlowEnable, GetFlowOptions).
inline constexpr DWORD sfTransmitFlow = 0x01;
inline constexpr DWORD sfReceiveFlow = 0x02;

// HWFlowState and SWFlowState answer one of these plus one.
enum TFlowControlState { fcOff, fcOn, fcDsrHold, fcCtsHold, fcDcdHold, fcXOutHold, fcXInHold, fcXBothHold };

// The highest handle base a trigger may have once the first 4095 have been handed out.
inline constexpr DWORD MaxReusedTriggerHandle = 4096;

using TVexNotifyEvent = TMethod<void(UINT Msg, UINT wParam, int lParam)>;
using TVexNotifyProc = void (*)(UINT Msg, UINT wParam, int lParam);

enum TApHandlerFlagUpdate { fuKeepPort, fuEnablePort, fuDisablePort };

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
    // Waits until the device has put on the line what it was given; a device without a line (a
    // socket) has nothing to wait for.
    virtual void DrainCom() {}
    // True for a device whose read hands out what has arrived, without waiting and without being
    // told how much: ExtractData then reads as much as the ring can take, with no count asked first.
    virtual bool ReadsWhatArrived() const { return false; }

    // One dispatch pass, run repeatedly by the device layers: reads the device into the ring and,
    // unless event busy, checks the triggers while they deliver and no close is pending. While the
    // device holds more and the handlers made room, it reads and checks again, up to a budget;
    // true when it stopped at the budget with bytes still waiting, so the caller runs the next
    // pass soon rather than on its timer.
    bool DispatchPass();

    // Status and options.
    int RefreshStatus();
    int SetCommBuffers(DWORD InQueue, DWORD OutQueue);
    void OptionsOn(DWORD Bits);
    void OptionsOff(DWORD Bits);
    bool OptionsAreOn(DWORD Bits);

    // Line settings. Parity 5, stop bits 3 and data bits 9 keep what the device has; baud 0 too.
    // A change waits for the output to drain first.
    int SetLine(DWORD Baud, BYTE Parity, BYTE StopBits, BYTE DataBits);
    int ChangeBaud(DWORD Baud);
    // Stop bits come back as 1, or 2 for 1.5 and 2.
    void GetLine(DWORD& Baud, BYTE& Parity, BYTE& StopBits, BYTE& DataBits);
    void WaitTxSent();
    // Applies Dcb with DTR and RTS as this dispatcher holds them (unless the device drives them).
    int SetCommStateFix(DCB& Dcb);
    // 1, with the line untouched, while the device drives it for flow control; -1002 when the
    // device refuses (the state is kept all the same).
    int SetDtr(bool OnOff);
    int SetRts(bool OnOff);
    int SetModem(bool Dtr, bool Rts);
    void SendBreak(std::int32_t Ticks, bool Yield);
    void SetBreak(bool OnOff);
    void SetRS485Mode(bool OnOff);
    void SetBaseAddress(WORD NewBaseAddress);
    WORD GetBaseAddress();
    // Worker priorities: normal plus the boost (0 to 2), the output thread one higher in RS-485
    // mode.
    virtual void SetThreadBoost(BYTE Boost);

    // Modem status: the line states with their change bits, which stay set until read.
    BYTE GetModemStatusPrim(BYTE ClearMask);
    BYTE GetModemStatus();
    // After a modem event: each line that changed since the last read sets its change bit.
    void MapEventsToMS(DWORD EventMask);
    bool CheckCTS();
    bool CheckDSR();
    bool CheckRI();
    bool CheckDCD();
    bool CheckDeltaCTS();
    bool CheckDeltaDSR();
    bool CheckDeltaRI();
    bool CheckDeltaDCD();
    // The first line error (le... codes) and clears the errors but a break; 0 for none.
    int GetLineError();
    bool CheckLineBreak();

    // Flow control; the limits are in bytes of the input queue. -1002 for BufferFull below
    // BufferResume or above the input size, with nothing changed.
    int HWFlowOptions(DWORD BufferFull, DWORD BufferResume, DWORD Options);
    int HWFlowState();
    int SWFlowEnable(DWORD BufferFull, DWORD BufferResume, DWORD Options);
    int SWFlowDisable();
    int SWFlowChars(char OnChar, char OffChar);
    int SWFlowState();
    int GetFlowOptions(DWORD& HWOpts, DWORD& SWOpts, char& OnChar, char& OffChar);

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
    // Called by the thread that checks the triggers, one delivery at a time: two deliveries running
    // at once on different threads would share the read counts.
    bool SendNotify(UINT Msg, UINT wParam, int Data);

    // Triggers. Handles are multiples of 8, a status trigger's carrying its type in the low three
    // bits. Additions answer the handle or a negative code; timer and status triggers start
    // disarmed and fire once per arming.
    DWORD GetTriggerHandle(); // 0 when none is free
    int AddTimerTrigger();
    int AddDataTrigger(const char* Data, bool IgnoreCase); // up to the first zero byte
    int AddDataTriggerLen(const char* Data, bool IgnoreCase, DWORD Len);
    int AddStatusTrigger(DWORD SType);
    // Handle 1 switches avail notifications off.
    int RemoveTrigger(DWORD Handle);
    void RemoveAllTriggers();
    void ChangeLengthTrigger(DWORD Length);
    // Activate arms the timer for Ticks (0: the ticks it had); otherwise it only disarms.
    int SetTimerTrigger(DWORD Handle, std::int32_t Ticks, bool Activate);
    int ExtendTimer(DWORD Handle, std::int32_t Ticks);
    int TimerTicksRemaining(DWORD Handle, std::int32_t& TicksRemaining);
    // Modem: Value's low byte names the lines to watch for a change from their present state.
    // Line: bits 1, 2, 4, 8 watch overrun, parity, framing and break. Output buffer: a threshold.
    int SetStatusTrigger(DWORD Handle, WORD Value, bool Activate);
    int FindTriggerFromHandle(DWORD Handle, bool Delete, TTriggerType& Kind);
    static DWORD ClassifyStatusTrigger(DWORD Handle) { return Handle & 7; }
    void SaveTriggers(TTriggerSave& Save);
    void RestoreTriggers(const TTriggerSave& Save);
    void ClearSaveBuffers(TTriggerSave& Save);

    // One check of the timers, else the status triggers, else the received data; true when a
    // notification was delivered and its handlers took what it announced. Not while event busy.
    bool CheckTriggers();
    bool CheckTimerTriggers();
    bool CheckStatusTriggers();
    bool CheckReceiveTriggers();
    void ResetStatusHits();
    void ResetDataTriggers();

    // Trace: the last bytes sent ('T') and read ('R'). A dump ends the trace.
    int InitTracing(DWORD NumEntries);
    void ClearTracing();
    void AbortTracing();
    void StartTracing();
    void StopTracing();
    void AddTraceEntry(char CurEntry, char CurCh);
    int DumpTrace(const std::string& FName, bool InHex, bool AllHex = false);
    int AppendTrace(const std::string& FName, bool InHex, bool AllHex = false);
    int DumpTracePrim(const std::string& FName, bool AppendFile, bool InHex, bool AllHex);

    // Dispatch log: the last events with their times and data. A dump ends the log.
    int InitDispatchLogging(DWORD QueueSize);
    void ClearDispatchLogging();
    void AbortDispatchLogging();
    void StartDispatchLogging();
    void StopDispatchLogging();
    void AddDispatchEntry(TDispatchType DT, TDispatchSubType DST, DWORD DataLen, const void* Data,
                          DWORD Value);
    void AddStringToLog(const std::string& S);
    DWORD GetDispatchTime(); // milliseconds since the port opened
    int DumpDispatchLog(const std::string& FName, bool InHex, bool AllHex = false);
    int AppendDispatchLog(const std::string& FName, bool InHex, bool AllHex = false);
    int DumpDispatchLogPrim(const std::string& FName, bool AppendFile, bool InHex, bool AllHex);

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
    // Under the receive lock. A handler reading inside a notification reads from where the
    // notification started plus its read count; any other reader from the ring's tail.
    bool HandlerReads() const;
    std::uint64_t ReadPosition() const;
    DWORD Unread() const;
    DWORD ReadIntoRing(std::uint64_t Pos, DWORD Count);
    DWORD Slot(std::uint64_t Pos) const { return static_cast<DWORD>((Pos - SlotBase) % ReceiveRingSize); }
    // Under the receive lock: what ExtractData left in the device, and whether the ring has room.
    bool MoreToExtract() const;
    // Runs the pass's read-and-check rounds while MoreToExtract, within the budget; CheckRound runs the
    // trigger checks of one round. True when the budget ran out with bytes still waiting.
    bool ExtractAndCheck(const std::function<void()>& CheckRound);
    // One round of a pass: every trigger check, repeated while it delivers.
    void CheckTriggersWhileDelivered();

    template <class Rec, class Match>
    void DeregisterHandler(std::vector<Rec>& List, Match Matches, TDispatchSubType Subtype,
                           DWORD (*Value)(const Rec&));
    void PurgeDeletedHandlers(); // under the list lock, once no hold is left
    bool DeliverToHandlers(UINT Msg, UINT wParam, int lParam);
    void StartHandlerRead(DWORD Thread);
    void EndHandlerRead();
    bool EndNotify(UINT Msg, UINT wParam, bool InAvailMsg, bool Delivered);
    // Delivers under a hold its caller took with the list lock that chose the notification.
    bool SendHeldNotify(UINT Msg, UINT wParam, int Data);
    void ReleaseDeliveryHold();
    bool IsTriggerHandleUsed(DWORD Base) const;
    void LogTriggerChange(TDispatchSubType DST, DWORD Handle, DWORD DataLen, const void* Data);
    bool StatusConditionHolds(TStatusTrigger& T, int& Data);
    void SetPriorities();
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
    HWND DispatcherWindow = 0;          // socket layer
    std::atomic<bool> RS485Mode{false}; // SendBreak and SetBreak take no lock
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

    // Triggers, under the list lock.
    DWORD LengthTrigger = 0;
    DWORD TriggerCounter = 1;
    bool StatusHit = false;
    std::vector<TTimerTrigger> TimerTriggers;
    std::vector<TDataTrigger> DataTriggers;
    std::vector<TStatusTrigger> StatusTriggers;

    // Receive ring and its bookkeeping, under the receive lock. Positions count the bytes received
    // since the port opened (a byte's slot is its distance from SlotBase modulo the ring size), so a
    // reader that consumed bytes past them is seen and nothing is scanned or announced twice.
    std::unique_ptr<char[]> Ring;
    std::uint64_t RingReceived = 0; // the head: every byte ExtractData put in the ring
    std::uint64_t RingConsumed = 0; // the tail
    std::uint64_t NextToScan = 0;   // the first byte not yet run through the data triggers
    std::uint64_t NotifyTail = 0;   // the head at the last avail notification
    std::uint64_t SlotBase = 0;     // the position kept in the ring's first slot
    bool DeviceHasMore = false;     // the last ExtractData left bytes in the device

    // The avail read-count protocol, under the receive lock. Only the thread the current handler
    // runs on reads through the read count; a string wait on another thread reads from the tail.
    bool InAvail = false;
    DWORD ReadCount = 0;
    DWORD LargestReadCount = 0;
    std::uint64_t DeliveryBase = 0; // the tail when the notification started
    DWORD HandlerThread = 0;

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

    std::atomic<int> FEventBusy{0}; // holds, changed under the list lock
    std::atomic<bool> HandlerDeletedWhileBusy{false};
    std::atomic<bool> FClosePending{false};
    bool OutputSent = false;

    // Trace and dispatch log, under the list lock.
    bool TracingOn = false;
    bool LoggingOn = false;
    TVexTrace Trace;
    TVexDispatchLog DispatchLog;
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

// How long WaitTxSent lets the device shift out what it may still hold once its queue is empty:
// 18 characters at Baud (a rate or one of the control block's baud codes) in Dcb's format.
DWORD TxSentDelayMs(DWORD Baud, const DCB& Dcb);

// Pins what GetDispatchTime answers (every dispatcher); nullopt returns to the clock.
void SetDispatchTimeForTesting(std::optional<DWORD> Ms);

// While held, the device layers' periodic passes (the 50 ms wake of the serial dispatch thread, the
// socket layer's timer) do not run: tests show that data never waits for them.
void HoldDispatchTimerForTesting(bool Hold);
bool DispatchTimerHeld();

// Window handlers that have not started on a notification within this time are passed over (3000 ms).
// Tests shorten it; nothing else changes it.
void SetWndHandlerTimeoutForTesting(UINT Milliseconds);

// Runs on the checking thread between CheckTriggers' test of event busy and the choice of what to
// deliver, where a string wait may begin on another thread. Empty: nothing runs.
void SetTriggerChoiceHookForTesting(std::function<void()> Hook);
