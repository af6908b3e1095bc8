#include "communications/VxUser.h"

#include "communications/VxErrors.h"
#include "communications/VxMisc.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <utility>

std::vector<TVexBaseDispatcher*> PortList;

namespace {

TRTLCriticalSection& PortListLock() {
    static TRTLCriticalSection lock;
    return lock;
}

struct TPortListHold {
    TPortListHold() { LockPortList(); }
    ~TPortListHold() { UnlockPortList(); }
    TPortListHold(const TPortListHold&) = delete;
    TPortListHold& operator=(const TPortListHold&) = delete;
};

// GetTComRecPtr's one-entry cache, under the port-list lock.
int LastCid = -1;
TVexBaseDispatcher* LastDispatcher = nullptr;

std::atomic<UINT> WndHandlerTimeout{3000};

// A control block's baud as a rate: 0xFEFF and the codes 0xFF10 to 0xFF27 stand for rates; any
// other value is a rate already.
DWORD BaudRateFromCode(DWORD baud) {
    static constexpr DWORD codes[] = {110, 300, 600, 1200,  2400, 4800, 9600, 14400,  19200, 0, 0, 38400,
                                      0,   0,   0,   56000, 0,    0,    0,    128000, 0,     0, 0, 256000};
    if (baud == 0xFEFF) return 115200;
    if (baud >= 0xFF10 && baud <= 0xFF27 && codes[baud - 0xFF10] != 0) return codes[baud - 0xFF10];
    return baud;
}

} // namespace

void LockPortList() {
    EnterCriticalSection(&PortListLock());
}

void UnlockPortList() {
    LeaveCriticalSection(&PortListLock());
}

namespace {
std::atomic<bool> TimerHeld{false};
} // namespace

void HoldDispatchTimerForTesting(bool Hold) {
    TimerHeld = Hold;
}

bool DispatchTimerHeld() {
    return TimerHeld;
}

void SetWndHandlerTimeoutForTesting(UINT Milliseconds) {
    WndHandlerTimeout = Milliseconds;
}

namespace {
std::atomic<bool> ChoiceHookSet{false};
std::mutex ChoiceHookLock;
std::shared_ptr<std::function<void()>> ChoiceHook;

void RunChoiceHook() {
    if (!ChoiceHookSet.load(std::memory_order_relaxed)) return;
    std::shared_ptr<std::function<void()>> hook;
    {
        const std::lock_guard<std::mutex> lock(ChoiceHookLock);
        hook = ChoiceHook;
    }
    if (hook && *hook) (*hook)();
}
} // namespace

void SetTriggerChoiceHookForTesting(std::function<void()> Hook) {
    const std::lock_guard<std::mutex> lock(ChoiceHookLock);
    ChoiceHookSet = static_cast<bool>(Hook);
    ChoiceHook = Hook ? std::make_shared<std::function<void()>>(std::move(Hook)) : nullptr;
}

TVexBaseDispatcher* GetTComRecPtr(int Cid, TDispatcherClass DeviceLayerClass) {
    TPortListHold hold;
    // The cached dispatcher may have closed and its id been given to another device since.
    if (LastDispatcher != nullptr && LastCid == Cid && LastDispatcher->ComHandle() == Cid &&
        DeviceLayerClass(LastDispatcher))
        return LastDispatcher;
    for (TVexBaseDispatcher* disp : PortList) {
        // The id first: a dispatcher still being constructed has none and must not be cast.
        if (disp != nullptr && disp->ComHandle() == Cid && DeviceLayerClass(disp)) {
            LastCid = Cid;
            LastDispatcher = disp;
            return disp;
        }
    }
    return nullptr;
}

// --- Dispatcher threads ---------------------------------------------------------------------------

TVexDispatcherThread::TVexDispatcherThread(TVexBaseDispatcher* Disp) : H(Disp) {
    FreeOnTerminate = true;
    // Counted from creation, so a destructor cannot see 0 while a worker is starting.
    InterlockedIncrement(&Disp->FRunningThreads);
}

void TVexDispatcherThread::SyncNotify(UINT Msg, UINT wParam, const TVexNotifyEvent& Method, int lParam) {
    pMsg = Msg;
    pWParam = wParam;
    pLParam = lParam;
    pMethod = Method;
    Synchronize([this] { pMethod(pMsg, pWParam, pLParam); });
}

void TVexDispatcherThread::Sync(const TThreadMethod& Method) {
    Synchronize(Method);
}

void TVexDispatcherThread::DoTerminate() {
    TThread::DoTerminate();
    H->ThreadGone(this);
}

// --- Life cycle ---------------------------------------------------------------------------------

TVexBaseDispatcher::TVexBaseDispatcher(TComponent* Owner) : FOwner(Owner) {
    TPortListHold hold;
    auto slot = std::find(PortList.begin(), PortList.end(), nullptr);
    if (slot == PortList.end()) {
        PortList.push_back(this);
        FHandle = static_cast<int>(PortList.size() - 1);
    } else {
        *slot = this;
        FHandle = static_cast<int>(slot - PortList.begin());
    }
}

TVexBaseDispatcher::~TVexBaseDispatcher() {
    WaitForThreads();
    // A worker's ThreadGone may still be leaving the list lock after its last decrement.
    { TCriticalSectionLock barrier(ListLock); }
    {
        TPortListHold hold;
        if (FHandle >= 0 && static_cast<std::size_t>(FHandle) < PortList.size() && PortList[FHandle] == this)
            PortList[FHandle] = nullptr;
        while (!PortList.empty() && PortList.back() == nullptr) PortList.pop_back();
        if (LastDispatcher == this) {
            LastDispatcher = nullptr;
            LastCid = -1;
        }
    }
    RemoveAllTriggers();
    ReleaseBuffers();
    CloseEvents();
}

void TVexBaseDispatcher::BeforeDestruction() {
    if (FClosePending)
        DonePortPrim();
    else
        DonePort();
    WaitForThreads();
}

void TVexBaseDispatcher::WaitForThreads() {
    while (RunningThreads() > 0) {
        // Workers may be waiting for this thread to serve a synchronised call or a send.
        const std::int32_t got = SafeYield();
        if (RunningThreads() <= 0) break;
        if (got == 0)
            WaitMessageTimeout(1);
        else if ((got & 0xFFFF) == static_cast<std::int32_t>(WM_QUIT))
            Sleep(1);
    }
}

int TVexBaseDispatcher::DeviceErrorCode(int Fallback) const {
    const DWORD error = GetLastError();
    return error != 0 ? -static_cast<int>(error) : Fallback;
}

bool TVexBaseDispatcher::CreateEvents() {
    TCriticalSectionLock lock(ListLock);
    CloseEvents();
    auto autoReset = [] { return CreateEvent(nullptr, 0, 0, nullptr); };
    ComEvent = autoReset();
    ReadyEvent = autoReset();
    StartedEvent = autoReset();
    OutputReadyEvent = autoReset();
    WriteDoneEvent = CreateEvent(nullptr, 1, 0, nullptr); // manual reset
    StopOutputEvent = autoReset();
    bool ok = true;
    for (HANDLE* event :
         {&ComEvent, &ReadyEvent, &StartedEvent, &OutputReadyEvent, &WriteDoneEvent, &StopOutputEvent}) {
        if (*event == 0) {
            *event = INVALID_HANDLE_VALUE;
            ok = false;
        }
    }
    OutWaitObjects[0] = OutputReadyEvent;
    OutWaitObjects[1] = StopOutputEvent;
    WriteWaitObjects[0] = WriteDoneEvent;
    WriteWaitObjects[1] = StopOutputEvent;
    return ok;
}

void TVexBaseDispatcher::CloseEvents() {
    TCriticalSectionLock lock(ListLock);
    for (HANDLE* event :
         {&ComEvent, &ReadyEvent, &StartedEvent, &OutputReadyEvent, &WriteDoneEvent, &StopOutputEvent}) {
        if (*event != INVALID_HANDLE_VALUE) CloseHandle(*event);
        *event = INVALID_HANDLE_VALUE;
    }
    for (HANDLE& h : OutWaitObjects) h = INVALID_HANDLE_VALUE;
    for (HANDLE& h : WriteWaitObjects) h = INVALID_HANDLE_VALUE;
}

void TVexBaseDispatcher::ResetState() {
    {
        TCriticalSectionLock lock(ReceiveLock);
        InAvail = false;
        ReadCount = 0;
        LargestReadCount = 0;
        RingReceived = 0;
        RingConsumed = 0;
        NextToScan = 0;
        NotifyTail = 0;
        SlotBase = 0;
        DeviceHasMore = false;
    }
    TCriticalSectionLock lock(ListLock);
    LineErrors = 0;
    ComStatus = COMSTAT{};
    ModemStatus = 0;
    RS485Mode = false;
    BaseAddress = 0;
    StatusHit = false;
    OutputSent = false;
    RingTrailingEdge = false;
    FClosePending = false;
    TracingOn = false;
    LoggingOn = false;
    Trace.Abort();
    DispatchLog.Abort();
}

int TVexBaseDispatcher::InitPort(const char* ComName, DWORD Baud, DWORD Flags, DWORD OutQueue, DWORD InQueue,
                                 BYTE StopBits, BYTE DataBits, BYTE Parity) {
    auto fail = [this](int code) {
        DonePort();
        return code;
    };
    if (!CreateEvents()) return fail(ecOutOfMemory);

    SetLastError(0);
    const int cid = OpenCom(ComName, InQueue, OutQueue);
    if (cid < 0) return fail(cid == ecOutOfMemory ? ecOutOfMemory : DeviceErrorCode(cid));
    FDeviceId = cid;
    InSize = InQueue;
    OutSize = OutQueue;

    int code = SetCommBuffers(InQueue, OutQueue);
    if (code != 0) return fail(code);

    try {
        auto ring = std::make_unique<char[]>(ReceiveRingSize);
        auto out = std::make_unique<char[]>(OutQueue);
        {
            TCriticalSectionLock lock(ReceiveLock);
            Ring = std::move(ring);
        }
        TCriticalSectionLock lock(OutputLock);
        OutBuffer = std::move(out);
        OutHead = 0;
        OutTail = 0;
        OutBufferFull = false;
    } catch (const std::bad_alloc&) {
        return fail(ecOutOfMemory);
    }
    ResetState();

    {
        TCriticalSectionLock lock(ListLock);
        code = GetComState(LineDCB);
        DtrAuto = (Flags & InitAutoDtr) != 0;
        if (!DtrAuto) DtrState = (Flags & InitAssertDtr) != 0;
        RtsAuto = (Flags & InitAutoRts) != 0;
        if (!RtsAuto) RtsState = (Flags & InitAssertRts) != 0;
    }
    if (code < 0) return fail(code);
    RemoveAllTriggers();
    GetModemStatusPrim(0xF0);
    {
        TCriticalSectionLock lock(ListLock);
        LastBaud = 115200;
    }
    code = SetLine(Baud, Parity, StopBits, DataBits);
    if (code != 0) return fail(code);
    RefreshStatus();
    {
        TCriticalSectionLock lock(ListLock);
        DispatchStartTime = VxTimeGetTime();
    }
    StartDispatcher();
    return ecOK;
}

int TVexBaseDispatcher::InitSocket(DWORD InQueue, DWORD OutQueue) {
    auto fail = [this](int code) {
        DonePort();
        return code;
    };
    SetLastError(0);
    const int cid = OpenCom(nullptr, InQueue, OutQueue);
    if (cid < 0) return fail(cid == ecOutOfMemory ? ecOutOfMemory : DeviceErrorCode(cid));
    FDeviceId = cid;
    InSize = InQueue;
    OutSize = OutQueue;
    if (!SetupCom(0, 0)) return fail(DeviceErrorCode(-1));
    try {
        auto ring = std::make_unique<char[]>(ReceiveRingSize);
        TCriticalSectionLock lock(ReceiveLock);
        Ring = std::move(ring);
    } catch (const std::bad_alloc&) {
        return fail(ecOutOfMemory);
    }
    ResetState();
    RefreshStatus();
    {
        TCriticalSectionLock lock(ListLock);
        DispatchStartTime = VxTimeGetTime();
    }
    StartDispatcher();
    return ecOK;
}

void TVexBaseDispatcher::DonePort() {
    if (FDeviceId >= 0) {
        FlushOutBuffer();
        FlushInBuffer();
        CloseCom();
        FDeviceId = -1;
    }
    bool deferred;
    {
        // Checked and marked under the list lock, so a delivery ending meanwhile cannot miss it.
        TCriticalSectionLock lock(ListLock);
        deferred = FEventBusy > 0;
        if (deferred) FClosePending = true;
    }
    if (!deferred) DonePortPrim();
}

void TVexBaseDispatcher::DonePortPrim() {
    DoneOnThreadExit = false;
    // Not under the list lock: a worker ending meanwhile takes it in ThreadGone.
    if (FDispatcherStarted) StopDispatcher();
    ReleaseBuffers();
    CloseEvents();
}

void TVexBaseDispatcher::ReleaseBuffers() {
    {
        TCriticalSectionLock lock(ReceiveLock);
        Ring.reset();
        RingReceived = RingConsumed = NextToScan = NotifyTail = SlotBase = 0;
        DeviceHasMore = false;
        ReadCount = 0;
        LargestReadCount = 0;
    }
    TCriticalSectionLock lock(OutputLock);
    OutBuffer.reset();
    OutHead = 0;
    OutTail = 0;
    OutBufferFull = false;
}

void TVexBaseDispatcher::ThreadGone(TVexDispatcherThread* Thread) {
    bool finishClose = false;
    {
        TCriticalSectionLock lock(ListLock);
        TVexDispatcherThread* expected = Thread;
        ComThread.compare_exchange_strong(expected, nullptr);
        expected = Thread;
        OutThread.compare_exchange_strong(expected, nullptr);
        expected = Thread;
        if (DispThread.compare_exchange_strong(expected, nullptr)) finishClose = DoneOnThreadExit;
    }
    if (finishClose) DonePortPrim();
    // The last access to this dispatcher: the destructor may run once the count is 0 and the
    // list lock is free.
    TCriticalSectionLock lock(ListLock);
    if (InterlockedDecrement(&FRunningThreads) == 0) FDispatcherStarted = false;
}

// --- Status and options -------------------------------------------------------------------------

void TVexBaseDispatcher::RecordStatus(const COMSTAT& Stat, int Errors) {
    TCriticalSectionLock lock(ListLock);
    ComStatus = Stat;
    if (Errors > 0) LineErrors |= static_cast<DWORD>(Errors) & LineErrorMask;
}

int TVexBaseDispatcher::RefreshStatus() {
    COMSTAT stat;
    const int errors = GetComError(stat);
    RecordStatus(stat, errors);
    return errors;
}

int TVexBaseDispatcher::SetCommBuffers(DWORD InQueue, DWORD OutQueue) {
    SetLastError(0);
    if (!SetupCom(static_cast<int>(InQueue), static_cast<int>(OutQueue))) return DeviceErrorCode(-1);
    return ecOK;
}

void TVexBaseDispatcher::OptionsOn(DWORD Bits) {
    TCriticalSectionLock lock(ListLock);
    OptionFlags |= Bits;
}

void TVexBaseDispatcher::OptionsOff(DWORD Bits) {
    TCriticalSectionLock lock(ListLock);
    OptionFlags &= ~Bits;
}

bool TVexBaseDispatcher::OptionsAreOn(DWORD Bits) {
    TCriticalSectionLock lock(ListLock);
    return (OptionFlags & Bits) == Bits;
}

// --- Line ---------------------------------------------------------------------------------------

int TVexBaseDispatcher::SetLine(DWORD Baud, BYTE Parity, BYTE StopBits, BYTE DataBits) {
    DWORD newBaud;
    BYTE newParity, newSize, newStop;
    {
        TCriticalSectionLock lock(ListLock);
        const int code = GetComState(LineDCB);
        if (code < 0) return code;
        newBaud = Baud == 0 ? LineDCB.BaudRate : Baud;
        newParity = Parity == 5 ? LineDCB.Parity : Parity;
        newSize = DataBits == 9 ? LineDCB.ByteSize : DataBits;
        if (StopBits == 3)
            newStop = LineDCB.StopBits;
        else
            newStop = StopBits <= 1 ? ONESTOPBIT : TWOSTOPBITS;
        if ((newSize == 5 && StopBits != 3) || DataBits == 5) newStop = ONE5STOPBITS;
        if (newBaud == LineDCB.BaudRate && newParity == LineDCB.Parity && newSize == LineDCB.ByteSize &&
            newStop == LineDCB.StopBits)
            return ecOK;
    }
    WaitTxSent();
    TCriticalSectionLock lock(ListLock);
    DCB dcb;
    const int code = GetComState(dcb);
    if (code < 0) return code;
    dcb.BaudRate = newBaud;
    dcb.Parity = newParity;
    dcb.ByteSize = newSize;
    dcb.StopBits = newStop;
    return SetCommStateFix(dcb);
}

int TVexBaseDispatcher::SetCommStateFix(DCB& Dcb) {
    TCriticalSectionLock lock(ListLock);
    if (!DtrAuto) Dcb.fDtrControl = DtrState ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    if (!RtsAuto) Dcb.fRtsControl = RtsState ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    const int code = SetComState(Dcb);
    LineDCB = Dcb;
    LastBaud = Dcb.BaudRate;
    SetDtr(DtrState);
    if (!RS485Mode) SetRts(RtsState);
    return code;
}

int TVexBaseDispatcher::ChangeBaud(DWORD Baud) {
    return SetLine(Baud, 5, 3, 9);
}

void TVexBaseDispatcher::GetLine(DWORD& Baud, BYTE& Parity, BYTE& StopBits, BYTE& DataBits) {
    TCriticalSectionLock lock(ListLock);
    DCB dcb;
    if (GetComState(dcb) >= 0) LineDCB = dcb;
    Baud = BaudRateFromCode(LineDCB.BaudRate);
    Parity = LineDCB.Parity;
    StopBits = LineDCB.StopBits == ONESTOPBIT ? 1 : 2;
    DataBits = LineDCB.ByteSize;
}

DWORD TxSentDelayMs(DWORD Baud, const DCB& Dcb) {
    const DWORD rate = BaudRateFromCode(Baud);
    if (rate == 0) return 0;
    const std::uint64_t bits =
        Dcb.ByteSize + 2u + (Dcb.Parity != NOPARITY ? 1u : 0u) + (Dcb.StopBits != ONESTOPBIT ? 1u : 0u);
    std::uint64_t time100ns = (10000000u / rate) * bits * 18u;
    if (time100ns < 10000) time100ns *= 2;
    return static_cast<DWORD>((time100ns + 9999) / 10000);
}

void TVexBaseDispatcher::WaitTxSent() {
    for (int poll = 0; poll < 5000 && OutBuffUsed() != 0; ++poll) Sleep(2);
    // What the device and the kernel still queue would otherwise go out with the new settings.
    DrainCom();
    DCB dcb;
    DWORD baud;
    {
        TCriticalSectionLock lock(ListLock);
        GetComState(dcb);
        baud = LastBaud;
    }
    // The device may still be shifting out what it holds.
    const DWORD delay = TxSentDelayMs(baud, dcb);
    if (delay > 0) Sleep(delay);
}

int TVexBaseDispatcher::SetDtr(bool OnOff) {
    if (DtrAuto) return 1;
    const int code = EscapeComFunction(OnOff ? SETDTR : CLRDTR);
    DtrState = OnOff;
    return code < 0 ? ecBadArgument : code;
}

int TVexBaseDispatcher::SetRts(bool OnOff) {
    if (RtsAuto) return 1;
    const int code = EscapeComFunction(OnOff ? SETRTS : CLRRTS);
    RtsState = OnOff;
    return code < 0 ? ecBadArgument : code;
}

int TVexBaseDispatcher::SetModem(bool Dtr, bool Rts) {
    int code = SetDtr(Dtr);
    if (code == ecOK) code = SetRts(Rts);
    return code;
}

// In RS-485 mode RTS turns the transmitter on: a break needs it, and it drops again once nothing
// is left to send.
void TVexBaseDispatcher::SendBreak(std::int32_t Ticks, bool Yield) {
    if (RS485Mode) SetRts(true);
    EscapeComFunction(SETBREAK);
    DelayTicks(Ticks, Yield);
    EscapeComFunction(CLRBREAK);
    if (RS485Mode && OutBuffUsed() == 0) SetRts(false);
}

void TVexBaseDispatcher::SetBreak(bool OnOff) {
    if (OnOff) {
        if (RS485Mode) SetRts(true);
        EscapeComFunction(SETBREAK);
    } else {
        EscapeComFunction(CLRBREAK);
        if (RS485Mode && OutBuffUsed() == 0) SetRts(false);
    }
}

// Every system this runs on counts as NT (IsWinNT), where the device drives the RS-485 direction
// itself: the UART's base address is never needed, only stored for callers that ask.
void TVexBaseDispatcher::SetRS485Mode(bool OnOff) {
    TCriticalSectionLock lock(ListLock);
    RS485Mode = OnOff;
    SetPriorities();
}

void TVexBaseDispatcher::SetBaseAddress(WORD NewBaseAddress) {
    TCriticalSectionLock lock(ListLock);
    BaseAddress = NewBaseAddress;
}

WORD TVexBaseDispatcher::GetBaseAddress() {
    TCriticalSectionLock lock(ListLock);
    return BaseAddress;
}

void TVexBaseDispatcher::SetThreadBoost(BYTE Boost) {
    TCriticalSectionLock lock(ListLock);
    if (Boost == ThreadBoost) return;
    ThreadBoost = Boost;
    SetPriorities();
}

void TVexBaseDispatcher::SetPriorities() {
    auto set = [](TVexDispatcherThread* thread, int priority) {
        if (thread != nullptr)
            thread->Priority = static_cast<TThreadPriority>(
                std::min(priority, static_cast<int>(TThreadPriority::tpTimeCritical)));
    };
    const int normal = static_cast<int>(TThreadPriority::tpNormal) + ThreadBoost;
    set(ComThread, normal);
    set(DispThread, normal);
    // Sending turns the line round in RS-485 mode: the output thread must not lag.
    set(OutThread, RS485Mode ? normal + 1 : normal);
}

BYTE TVexBaseDispatcher::GetModemStatusPrim(BYTE ClearMask) {
    TCriticalSectionLock lock(ListLock);
    const DWORD lines = GetComModemStatus();
    ModemStatus = (ModemStatus & 0x0F) | (lines & 0xF0);
    if (RingTrailingEdge.exchange(false)) ModemStatus |= ModemTrailingRi;
    const BYTE result = static_cast<BYTE>(ModemStatus);
    ModemStatus &= ClearMask;
    return result;
}

BYTE TVexBaseDispatcher::GetModemStatus() {
    return GetModemStatusPrim(0xF0);
}

void TVexBaseDispatcher::MapEventsToMS(DWORD /*EventMask*/) {
    TCriticalSectionLock lock(ListLock);
    const BYTE before = static_cast<BYTE>(ModemStatus);
    const BYTE now = GetModemStatusPrim(0xFF);
    ModemStatus |= static_cast<DWORD>(((before ^ now) & 0xF0) >> 4);
}

namespace {
constexpr BYTE Without(BYTE Bit) {
    return static_cast<BYTE>(~Bit);
}
} // namespace

bool TVexBaseDispatcher::CheckCTS() {
    return (GetModemStatusPrim(Without(ModemDeltaCts)) & ModemCts) != 0;
}

bool TVexBaseDispatcher::CheckDSR() {
    return (GetModemStatusPrim(Without(ModemDeltaDsr)) & ModemDsr) != 0;
}

bool TVexBaseDispatcher::CheckRI() {
    return (GetModemStatusPrim(Without(ModemTrailingRi)) & ModemRi) != 0;
}

bool TVexBaseDispatcher::CheckDCD() {
    return (GetModemStatusPrim(Without(ModemDeltaDcd)) & ModemDcd) != 0;
}

bool TVexBaseDispatcher::CheckDeltaCTS() {
    return (GetModemStatusPrim(Without(ModemDeltaCts)) & ModemDeltaCts) != 0;
}

bool TVexBaseDispatcher::CheckDeltaDSR() {
    return (GetModemStatusPrim(Without(ModemDeltaDsr)) & ModemDeltaDsr) != 0;
}

bool TVexBaseDispatcher::CheckDeltaRI() {
    return (GetModemStatusPrim(Without(ModemTrailingRi)) & ModemTrailingRi) != 0;
}

bool TVexBaseDispatcher::CheckDeltaDCD() {
    return (GetModemStatusPrim(Without(ModemDeltaDcd)) & ModemDeltaDcd) != 0;
}

int TVexBaseDispatcher::GetLineError() {
    static constexpr struct {
        DWORD Bit;
        int Code;
    } errors[] = {{CE_RXOVER, leBuffer},
                  {CE_OVERRUN, leOverrun},
                  {CE_RXPARITY, leParity},
                  {CE_FRAME, leFraming},
                  {LineErrorWriteFailed, leWriteFailed},
                  {CE_BREAK, leBreak}};
    TCriticalSectionLock lock(ListLock);
    for (const auto& e : errors) {
        if ((LineErrors & e.Bit) != 0) {
            // A break is told apart by CheckLineBreak, which clears it.
            LineErrors &= ~(CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | LineErrorWriteFailed);
            return e.Code;
        }
    }
    return leNone;
}

bool TVexBaseDispatcher::CheckLineBreak() {
    TCriticalSectionLock lock(ListLock);
    const bool brk = (LineErrors & CE_BREAK) != 0;
    LineErrors &= ~CE_BREAK;
    return brk;
}

// --- Flow control -------------------------------------------------------------------------------

namespace {

constexpr DWORD DtrHandshakeBit = 0x0020;
constexpr DWORD RtsHandshakeBit = 0x2000; // set for toggle as well

// The control block's limits are 16-bit; a larger input queue must not wrap them round.
WORD FlowLimit(DWORD Bytes) {
    return static_cast<WORD>(std::min<DWORD>(Bytes, 0xFFFF));
}

} // namespace

int TVexBaseDispatcher::HWFlowOptions(DWORD BufferFull, DWORD BufferResume, DWORD Options) {
    TCriticalSectionLock lock(ListLock);
    if (BufferFull < BufferResume || BufferFull > InSize) return ecBadArgument;
    DCB dcb;
    const int code = GetComState(dcb);
    if (code < 0) return code;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    DtrAuto = false;
    RtsAuto = false;
    if ((Options & hwfUseDTR) != 0) {
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        DtrAuto = true;
    } else if (DtrState) {
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
    }
    if ((Options & hwfUseRTS) != 0) {
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        RtsAuto = true;
    } else if (RtsState) {
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
    }
    if (RS485Mode) {
        dcb.fRtsControl = RTS_CONTROL_TOGGLE;
        RtsAuto = true;
    }
    dcb.XoffLim = FlowLimit(InSize - BufferFull);
    dcb.XonLim = FlowLimit(BufferResume);
    if ((Options & hwfRequireDSR) != 0) dcb.fOutxDsrFlow = 1;
    if ((Options & hwfRequireCTS) != 0) dcb.fOutxCtsFlow = 1;
    return SetCommStateFix(dcb);
}

int TVexBaseDispatcher::HWFlowState() {
    TCriticalSectionLock lock(ListLock);
    DCB dcb;
    GetComState(dcb);
    const bool ctsFlow = dcb.fOutxCtsFlow != 0;
    const bool dsrFlow = dcb.fOutxDsrFlow != 0;
    const bool handshake = (dcb.Flags & (DtrHandshakeBit | RtsHandshakeBit)) != 0;
    if (!ctsFlow && !dsrFlow && !handshake) return fcOff + 1;
    if (!handshake) return fcOn + 1;
    RefreshStatus();
    if (ctsFlow && ComStatus.fCtsHold) return fcCtsHold + 1;
    if (dsrFlow && ComStatus.fDsrHold) return fcDsrHold + 1;
    return fcOn + 1;
}

int TVexBaseDispatcher::SWFlowEnable(DWORD BufferFull, DWORD BufferResume, DWORD Options) {
    TCriticalSectionLock lock(ListLock);
    if (BufferFull < BufferResume || BufferFull > InSize) return ecBadArgument;
    DCB dcb;
    const int code = GetComState(dcb);
    if (code < 0) return code;
    if ((Options & sfReceiveFlow) != 0) {
        dcb.fInX = 1;
        dcb.XoffLim = FlowLimit(InSize - BufferFull);
        dcb.XonLim = FlowLimit(BufferResume);
    }
    if ((Options & sfTransmitFlow) != 0) dcb.fOutX = 1;
    if ((Options & (sfReceiveFlow | sfTransmitFlow)) != 0) {
        dcb.XonChar = 17;
        dcb.XoffChar = 19;
    }
    return SetCommStateFix(dcb);
}

int TVexBaseDispatcher::SWFlowDisable() {
    TCriticalSectionLock lock(ListLock);
    DCB dcb;
    const int code = GetComState(dcb);
    if (code < 0) return code;
    dcb.fInX = 0;
    dcb.fOutX = 0;
    return SetCommStateFix(dcb);
}

int TVexBaseDispatcher::SWFlowChars(char OnChar, char OffChar) {
    TCriticalSectionLock lock(ListLock);
    DCB dcb;
    const int code = GetComState(dcb);
    if (code < 0) return code;
    dcb.XonChar = OnChar;
    dcb.XoffChar = OffChar;
    return SetCommStateFix(dcb);
}

int TVexBaseDispatcher::SWFlowState() {
    TCriticalSectionLock lock(ListLock);
    DCB dcb;
    GetComState(dcb);
    if (!dcb.fInX && !dcb.fOutX) return fcOff + 1;
    RefreshStatus();
    const bool held = ComStatus.fXoffHold != 0;
    const bool sent = ComStatus.fXoffSent != 0;
    if (held && sent) return fcXBothHold + 1;
    if (sent) return fcXInHold + 1;
    if (held) return fcXOutHold + 1;
    return fcOn + 1;
}

int TVexBaseDispatcher::GetFlowOptions(DWORD& HWOpts, DWORD& SWOpts, char& OnChar, char& OffChar) {
    TCriticalSectionLock lock(ListLock);
    DCB dcb;
    const int code = GetComState(dcb);
    HWOpts = 0;
    if ((dcb.Flags & DtrHandshakeBit) != 0) HWOpts |= hwfUseDTR;
    if ((dcb.Flags & RtsHandshakeBit) != 0) HWOpts |= hwfUseRTS;
    if (dcb.fOutxDsrFlow) HWOpts |= hwfRequireDSR;
    if (dcb.fOutxCtsFlow) HWOpts |= hwfRequireCTS;
    SWOpts = 0;
    if (dcb.fOutX) SWOpts |= sfTransmitFlow;
    if (dcb.fInX) SWOpts |= sfReceiveFlow;
    OnChar = dcb.XonChar;
    OffChar = dcb.XoffChar;
    return code;
}

// --- Data ---------------------------------------------------------------------------------------

bool TVexBaseDispatcher::HandlerReads() const {
    return InAvail && GetCurrentThreadId() == HandlerThread;
}

std::uint64_t TVexBaseDispatcher::ReadPosition() const {
    return HandlerReads() ? DeliveryBase + ReadCount : RingConsumed;
}

DWORD TVexBaseDispatcher::Unread() const {
    const std::uint64_t from = ReadPosition();
    return from < RingReceived ? static_cast<DWORD>(RingReceived - from) : 0;
}

bool TVexBaseDispatcher::CharReady() {
    TCriticalSectionLock lock(ReceiveLock);
    return Unread() > 0;
}

int TVexBaseDispatcher::PeekCharPrim(char& C, DWORD Index) {
    TCriticalSectionLock lock(ReceiveLock);
    if (Index < 1) return ecBadArgument;
    const std::uint64_t base = HandlerReads() ? DeliveryBase : RingConsumed;
    if (base + Index > RingReceived) return ecBufferIsEmpty;
    C = Ring[Slot(base + Index - 1)];
    return ecOK;
}

int TVexBaseDispatcher::PeekChar(char& C, DWORD Index) {
    TCriticalSectionLock lock(ReceiveLock);
    if (Index < 1) return ecBadArgument;
    const std::uint64_t index = static_cast<std::uint64_t>(Index) + (HandlerReads() ? ReadCount : 0);
    if (index > ReceiveRingSize) return ecBufferIsEmpty;
    return PeekCharPrim(C, static_cast<DWORD>(index));
}

int TVexBaseDispatcher::GetChar(char& C) {
    TCriticalSectionLock lock(ReceiveLock);
    if (!Ring || Unread() == 0) return ecBufferIsEmpty;
    const std::uint64_t at = ReadPosition();
    C = Ring[Slot(at)];
    if (HandlerReads())
        ++ReadCount;
    else
        RingConsumed = at + 1;
    TCriticalSectionLock listLock(ListLock);
    if (TracingOn) AddTraceEntry('R', C);
    return ecOK;
}

int TVexBaseDispatcher::PeekBlockPrim(char* Block, DWORD Offset, DWORD& NewTail, DWORD Len) {
    TCriticalSectionLock lock(ReceiveLock);
    const std::uint64_t base = HandlerReads() ? DeliveryBase : RingConsumed;
    const std::uint64_t start = base + Offset;
    if (start + Len > RingReceived) return ecBufferIsEmpty;
    NewTail = Slot(start + Len);
    if (Len == 0) return 0;
    const DWORD at = Slot(start);
    const DWORD first = std::min(Len, ReceiveRingSize - at);
    std::memcpy(Block, Ring.get() + at, first);
    if (first < Len) std::memcpy(Block + first, Ring.get(), Len - first);
    return static_cast<int>(Len);
}

int TVexBaseDispatcher::PeekBlock(char* Block, DWORD Len) {
    TCriticalSectionLock lock(ReceiveLock);
    DWORD newTail;
    return PeekBlockPrim(Block, HandlerReads() ? ReadCount : 0, newTail, Len);
}

int TVexBaseDispatcher::GetBlock(char* Block, DWORD Len) {
    int code;
    {
        TCriticalSectionLock lock(ReceiveLock);
        DWORD newTail;
        const bool handler = HandlerReads();
        code = PeekBlockPrim(Block, handler ? ReadCount : 0, newTail, Len);
        if (code >= 0) {
            if (handler)
                ReadCount += Len;
            else
                RingConsumed += Len;
        }
    }
    if (code > 0) {
        TCriticalSectionLock lock(ListLock);
        if (TracingOn)
            for (DWORD i = 0; i < Len; ++i) AddTraceEntry('R', Block[i]);
    }
    return code;
}

int TVexBaseDispatcher::PutChar(char C) {
    return PutBlock(&C, 1);
}

int TVexBaseDispatcher::PutString(const std::string& S) {
    return PutBlock(S.data(), static_cast<DWORD>(S.size()));
}

int TVexBaseDispatcher::PutBlock(const char* Block, DWORD Len) {
    if (Len == 0) return ecOK;
    COMSTAT stat;
    int errors;
    int code = ecOK;
    {
        TCriticalSectionLock lock(OutputLock);
        errors = GetComError(stat);
        // A device may hold more than the output size (a socket's own queue); nothing is free then.
        const DWORD free = stat.cbOutQue < OutSize ? OutSize - stat.cbOutQue : 0;
        if (free < Len) {
            code = ecOutputBufferTooSmall;
        } else {
            if (Len == free) OutBufferFull = true;
            const int written = WriteCom(Block, static_cast<int>(Len));
            // Part of a block is no more a success than none of it.
            if (written <= 0 || static_cast<DWORD>(written) < Len) code = ecPutBlockFail;
        }
    }
    RecordStatus(stat, errors);
    if (code == ecPutBlockFail) RefreshStatus();
    if (code != ecOK) return code;

    TCriticalSectionLock lock(ListLock);
    OutputSent = true;
    if (LoggingOn) AddDispatchEntry(dtDispatch, dstWriteCom, Len, Block, Len);
    if (TracingOn)
        for (DWORD i = 0; i < Len; ++i) AddTraceEntry('T', Block[i]);
    return ecOK;
}

DWORD TVexBaseDispatcher::InBuffUsed() {
    TCriticalSectionLock lock(ReceiveLock);
    return Unread();
}

DWORD TVexBaseDispatcher::InBuffFree() {
    TCriticalSectionLock lock(ReceiveLock);
    return ReceiveRingSize - std::min(Unread(), ReceiveRingSize);
}

DWORD TVexBaseDispatcher::OutBuffUsed() {
    COMSTAT stat;
    int errors;
    {
        TCriticalSectionLock lock(OutputLock);
        errors = GetComError(stat);
    }
    RecordStatus(stat, errors);
    return stat.cbOutQue;
}

DWORD TVexBaseDispatcher::OutBuffFree() {
    const DWORD used = OutBuffUsed();
    return used < OutSize ? OutSize - used : 0;
}

int TVexBaseDispatcher::FlushOutBuffer() {
    return FlushCom(0);
}

int TVexBaseDispatcher::FlushInBuffer() {
    const int code = FlushCom(1);
    TCriticalSectionLock lock(ReceiveLock);
    if (HandlerReads()) {
        // The notification consumes the whole ring when it ends.
        LargestReadCount = static_cast<DWORD>(RingReceived - DeliveryBase);
    } else {
        RingConsumed = RingReceived;
        if (!InAvail) ReadCount = 0;
    }
    TCriticalSectionLock listLock(ListLock);
    ResetDataTriggers();
    return code;
}

void TVexBaseDispatcher::BufferSizes(DWORD& InQueue, DWORD& OutQueue) const {
    InQueue = InSize;
    OutQueue = OutSize;
}

DWORD TVexBaseDispatcher::ReadIntoRing(std::uint64_t Pos, DWORD Count) {
    char* into = Ring.get() + Slot(Pos);
    int got = ReadCom(into, static_cast<int>(Count));
    if (got < 0) {
        GetComEventMask(-1);
        got = 0;
    }
    // Never trust a device to stay within what it was asked for.
    const DWORD read = std::min(static_cast<DWORD>(got), Count);
    if (read > 0) {
        TCriticalSectionLock lock(ListLock);
        if (LoggingOn) AddDispatchEntry(dtDispatch, dstReadCom, read, into, read);
    }
    return read;
}

// Reads as much as the device holds and the ring can take, in at most two pieces (to the ring's end,
// then from its start); a device counts what its own queue holds too, so one pass takes it all (a
// device that reads what arrived is simply asked for all the ring can take). Bytes a
// notification in progress has announced are kept even when a reader on another thread has taken them
// meanwhile.
bool TVexBaseDispatcher::ExtractData() {
    TCriticalSectionLock lock(ReceiveLock);
    DeviceHasMore = false;
    if (!Ring) return false;
    const std::uint64_t kept = InAvail ? std::min(RingConsumed, DeliveryBase) : RingConsumed;
    const DWORD used = static_cast<DWORD>(RingReceived - kept);
    if (used >= ReceiveRingSize) {
        DeviceHasMore = true;
        return true;
    }
    // An empty ring starts again at its first slot, so a read as large as the ring is one piece.
    if (used == 0) SlotBase = RingReceived;
    DWORD want = ReceiveRingSize - used;
    const bool counted = !ReadsWhatArrived();
    COMSTAT stat{};
    if (counted) {
        const int errors = GetComError(stat);
        RecordStatus(stat, errors);
        if (stat.cbInQue == 0) return false;
        want = std::min(want, stat.cbInQue);
    }
    const DWORD at = Slot(RingReceived);
    const DWORD first = std::min(want, ReceiveRingSize - at);
    const DWORD read = ReadIntoRing(RingReceived, first);
    RingReceived += read;
    DWORD total = read;
    if (read == first && want > first) {
        const DWORD more = ReadIntoRing(RingReceived, want - first);
        RingReceived += more;
        total += more;
    }
    // A read that took all it asked for may have left more behind.
    DeviceHasMore = total == want && (!counted || stat.cbInQue > want);
    return counted || total > 0;
}

bool TVexBaseDispatcher::MoreToExtract() const {
    return DeviceHasMore && RingReceived - RingConsumed < ReceiveRingSize;
}

void TVexBaseDispatcher::SetEventBusy(bool& WasOn, bool SetOn) {
    TCriticalSectionLock lock(ListLock);
    WasOn = FEventBusy > 0;
    if (SetOn) {
        ++FEventBusy;
    } else if (FEventBusy > 0) {
        --FEventBusy;
        if (FEventBusy == 0) PurgeDeletedHandlers();
    }
}

int TVexBaseDispatcher::SetDataPointer(void* P, DWORD Index) {
    if (Index < 1 || Index > 3) return ecBadArgument;
    TCriticalSectionLock lock(ListLock);
    DataPointers[Index - 1] = P;
    return ecOK;
}

int TVexBaseDispatcher::GetDataPointer(void*& P, DWORD Index) {
    if (Index < 1 || Index > 3) return ecBadArgument;
    TCriticalSectionLock lock(ListLock);
    P = DataPointers[Index - 1];
    return ecOK;
}

// --- Handlers -----------------------------------------------------------------------------------

void TVexBaseDispatcher::RegisterWndTriggerHandler(HWND HW) {
    TCriticalSectionLock lock(ListLock);
    WndTriggerHandlers.push_back({HW, false});
    HandlerServiceNeeded = true;
    if (LoggingOn) AddDispatchEntry(dtTriggerHandlerAlloc, dstWndHandler, 0, nullptr, HW);
}

void TVexBaseDispatcher::RegisterProcTriggerHandler(TVexNotifyProc NP) {
    TCriticalSectionLock lock(ListLock);
    ProcTriggerHandlers.push_back({NP, false});
    HandlerServiceNeeded = true;
    if (LoggingOn) AddDispatchEntry(dtTriggerHandlerAlloc, dstProcHandler, 0, nullptr, 0);
}

void TVexBaseDispatcher::RegisterEventTriggerHandler(const TVexNotifyEvent& NP) {
    TCriticalSectionLock lock(ListLock);
    EventTriggerHandlers.push_back({NP, false, false});
    HandlerServiceNeeded = true;
    if (LoggingOn) AddDispatchEntry(dtTriggerHandlerAlloc, dstEventHandler, 0, nullptr, 0);
}

void TVexBaseDispatcher::RegisterSyncEventTriggerHandler(const TVexNotifyEvent& NP) {
    TCriticalSectionLock lock(ListLock);
    EventTriggerHandlers.push_back({NP, false, true});
    HandlerServiceNeeded = true;
    if (LoggingOn) AddDispatchEntry(dtTriggerHandlerAlloc, dstEventHandler, 0, nullptr, 1);
}

// Removes the first live record that matches, or only marks it while event busy (a delivery may be
// walking the list). Records already marked are skipped, so a second deregistration finds the next.
template <class Rec, class Match>
void TVexBaseDispatcher::DeregisterHandler(std::vector<Rec>& List, Match Matches, TDispatchSubType Subtype,
                                           DWORD (*Value)(const Rec&)) {
    TCriticalSectionLock lock(ListLock);
    auto rec = std::find_if(List.begin(), List.end(), [&](const Rec& r) { return !r.Deleted && Matches(r); });
    if (rec == List.end()) {
        UpdateHandlerFlags(fuKeepPort);
        return;
    }
    if (LoggingOn) AddDispatchEntry(dtTriggerHandlerDispose, Subtype, 0, nullptr, Value(*rec));
    if (FEventBusy > 0) {
        rec->Deleted = true;
        HandlerDeletedWhileBusy = true;
    } else {
        List.erase(rec);
    }
}

void TVexBaseDispatcher::DeregisterWndTriggerHandler(HWND HW) {
    DeregisterHandler(
        WndTriggerHandlers, [HW](const TWndTriggerHandler& r) { return r.Wnd == HW; }, dstWndHandler,
        +[](const TWndTriggerHandler& r) -> DWORD { return r.Wnd; });
}

void TVexBaseDispatcher::DeregisterProcTriggerHandler(TVexNotifyProc NP) {
    DeregisterHandler(
        ProcTriggerHandlers, [NP](const TProcTriggerHandler& r) { return r.Proc == NP; }, dstProcHandler,
        +[](const TProcTriggerHandler&) -> DWORD { return 0; });
}

void TVexBaseDispatcher::DeregisterEventTriggerHandler(const TVexNotifyEvent& NP) {
    DeregisterHandler(
        EventTriggerHandlers, [&NP](const TEventTriggerHandler& r) { return r.Event.SameCode(NP); },
        dstEventHandler, +[](const TEventTriggerHandler& r) -> DWORD { return r.Sync ? 1 : 0; });
}

void TVexBaseDispatcher::PurgeDeletedHandlers() {
    if (!HandlerDeletedWhileBusy) return;
    auto purge = [](auto& list) {
        list.erase(std::remove_if(list.begin(), list.end(), [](const auto& r) { return r.Deleted; }),
                   list.end());
    };
    purge(WndTriggerHandlers);
    purge(ProcTriggerHandlers);
    purge(EventTriggerHandlers);
    HandlerDeletedWhileBusy = false;
    UpdateHandlerFlags(fuKeepPort);
}

void TVexBaseDispatcher::UpdateHandlerFlags(TApHandlerFlagUpdate FlagUpdate) {
    TCriticalSectionLock lock(ListLock);
    const bool others =
        WndTriggerHandlers.size() > 1 || !ProcTriggerHandlers.empty() || !EventTriggerHandlers.empty();
    switch (FlagUpdate) {
    case fuKeepPort:
        HandlerServiceNeeded = others || PortHandlerInstalled;
        break;
    case fuEnablePort:
        PortHandlerInstalled = true;
        HandlerServiceNeeded = true;
        break;
    case fuDisablePort:
        PortHandlerInstalled = false;
        HandlerServiceNeeded = others;
        break;
    }
}

void TVexBaseDispatcher::DeliverSync(const TVexNotifyEvent& Method, UINT Msg, UINT wParam, int lParam) {
    TVexDispatcherThread* thread = DispThread;
    if (thread != nullptr && thread->ThreadID() == GetCurrentThreadId())
        thread->SyncNotify(Msg, wParam, Method, lParam);
    else
        TThread::Synchronize(nullptr, [&] { Method(Msg, wParam, lParam); });
}

void TVexBaseDispatcher::StartHandlerRead(DWORD Thread) {
    TCriticalSectionLock lock(ReceiveLock);
    ReadCount = 0;
    HandlerThread = Thread;
}

void TVexBaseDispatcher::EndHandlerRead() {
    TCriticalSectionLock lock(ReceiveLock);
    LargestReadCount = std::max(LargestReadCount, ReadCount);
}

bool TVexBaseDispatcher::DeliverToHandlers(UINT Msg, UINT wParam, int lParam) {
    // Each list is walked up to the length it had when its turn came; a record is copied under the
    // list lock and called with no lock held. No record is removed while a hold exists.
    std::size_t count;
    {
        TCriticalSectionLock lock(ListLock);
        count = EventTriggerHandlers.size();
    }
    for (std::size_t i = 0; i < count; ++i) {
        TEventTriggerHandler rec;
        {
            TCriticalSectionLock lock(ListLock);
            if (i >= EventTriggerHandlers.size()) break;
            rec = EventTriggerHandlers[i];
        }
        StartHandlerRead(rec.Sync ? MainThreadId() : GetCurrentThreadId());
        if (!rec.Deleted && rec.Event) {
            if (rec.Sync)
                DeliverSync(rec.Event, Msg, wParam, lParam);
            else
                rec.Event(Msg, wParam, lParam);
        }
        if (FClosePending) return false;
        EndHandlerRead();
    }

    {
        TCriticalSectionLock lock(ListLock);
        count = ProcTriggerHandlers.size();
    }
    for (std::size_t i = 0; i < count; ++i) {
        TProcTriggerHandler rec;
        {
            TCriticalSectionLock lock(ListLock);
            if (i >= ProcTriggerHandlers.size()) break;
            rec = ProcTriggerHandlers[i];
        }
        StartHandlerRead(GetCurrentThreadId());
        if (!rec.Deleted && rec.Proc != nullptr) rec.Proc(Msg, wParam, lParam);
        if (FClosePending) return false;
        EndHandlerRead();
    }

    bool windows;
    {
        TCriticalSectionLock lock(ListLock);
        count = WndTriggerHandlers.size();
        windows = count > 1 || PortHandlerInstalled;
    }
    if (!windows) return true;
    for (std::size_t i = 0; i < count; ++i) {
        TWndTriggerHandler rec;
        {
            TCriticalSectionLock lock(ListLock);
            if (i >= WndTriggerHandlers.size()) break;
            rec = WndTriggerHandlers[i];
        }
        StartHandlerRead(MainThreadId()); // every window lives on the main thread
        if (!rec.Deleted) {
            // A window that has not started within the limit never runs this notification, so
            // it cannot read after the tail has moved.
            DWORD answer = 0;
            SendMessageTimeout(rec.Wnd, Msg, wParam, static_cast<LPARAM>(lParam), SMTO_BLOCK,
                               WndHandlerTimeout, &answer);
        }
        if (FClosePending) return false;
        EndHandlerRead();
    }
    return true;
}

bool TVexBaseDispatcher::EndNotify(UINT Msg, UINT wParam, bool InAvailMsg, bool Delivered) {
    bool result = Delivered;
    {
        TCriticalSectionLock lock(ReceiveLock);
        if (InAvailMsg) {
            InAvail = false;
            if (Delivered) {
                // A reader on another thread may have taken some of these bytes already.
                const std::uint64_t taken =
                    std::min<std::uint64_t>(LargestReadCount, RingReceived - DeliveryBase);
                RingConsumed = std::max(RingConsumed, DeliveryBase + taken);
                if (Msg == TriggerAvailMsg && LargestReadCount != wParam) result = false;
            }
        }
        ReadCount = 0;
        HandlerThread = 0;
    }
    ReleaseDeliveryHold();
    return result;
}

void TVexBaseDispatcher::ReleaseDeliveryHold() {
    TCriticalSectionLock lock(ListLock);
    if (FEventBusy > 0) --FEventBusy;
    if (FEventBusy == 0) PurgeDeletedHandlers();
}

bool TVexBaseDispatcher::SendNotify(UINT Msg, UINT wParam, int Data) {
    {
        TCriticalSectionLock lock(ListLock);
        ++FEventBusy;
    }
    return SendHeldNotify(Msg, wParam, Data);
}

bool TVexBaseDispatcher::SendHeldNotify(UINT Msg, UINT wParam, int Data) {
    if (!HandlerServiceNeeded) {
        ReleaseDeliveryHold();
        return true;
    }
    const bool inAvail = Msg == TriggerAvailMsg || Msg == TriggerDataMsg;
    {
        TCriticalSectionLock lock(ReceiveLock);
        LargestReadCount = 0;
        ReadCount = 0;
        InAvail = inAvail;
        DeliveryBase = RingConsumed;
    }
    const int lParam = static_cast<int>((static_cast<UINT>(FHandle) << 16) + static_cast<UINT>(Data));
    bool delivered;
    try {
        delivered = DeliverToHandlers(Msg, wParam, lParam);
    } catch (...) {
        // The hold must not outlive the delivery; the bytes stay unread.
        EndNotify(Msg, wParam, inAvail, false);
        throw;
    }
    return EndNotify(Msg, wParam, inAvail, delivered);
}

// --- Dispatch pass and triggers -----------------------------------------------------------------

namespace {

// A pass that keeps finding bytes in the device lets other work run after this much.
constexpr std::uint64_t PassByteBudget = 256 * 1024;
constexpr std::uint64_t PassTimeBudgetMs = 20;

} // namespace

bool TVexBaseDispatcher::ExtractAndCheck(const std::function<void()>& CheckRound) {
    const std::uint64_t started = MonotonicMs();
    std::uint64_t from;
    {
        TCriticalSectionLock lock(ReceiveLock);
        from = RingReceived;
    }
    for (;;) {
        ExtractData();
        // A string wait holding the port reads for itself; nothing is checked meanwhile.
        if (EventBusy()) return false;
        CheckRound();
        if (FClosePending || KillThreads || EventBusy()) return false;
        TCriticalSectionLock lock(ReceiveLock);
        if (!MoreToExtract()) return false;
        if (RingReceived - from >= PassByteBudget || MonotonicMs() - started >= PassTimeBudgetMs) return true;
    }
}

void TVexBaseDispatcher::CheckTriggersWhileDelivered() {
    {
        TCriticalSectionLock lock(ListLock);
        StatusHit = false;
    }
    while (!FClosePending && !EventBusy() && CheckTriggers()) {
    }
    bool hit;
    {
        TCriticalSectionLock lock(ListLock);
        hit = StatusHit;
    }
    if (hit) ResetStatusHits();
}

bool TVexBaseDispatcher::DispatchPass() {
    RefreshStatus();
    return ExtractAndCheck([this] { CheckTriggersWhileDelivered(); });
}

bool TVexBaseDispatcher::CheckTriggers() {
    if (EventBusy()) return false;
    RunChoiceHook();
    return CheckTimerTriggers() || CheckStatusTriggers() || CheckReceiveTriggers();
}

// Each check picks what fires under the list lock and delivers with no lock held: a handler may
// add, arm or remove triggers, so nothing found before a delivery is trusted after it. The choice
// tests event busy again and takes the delivery's hold under that same lock: a string wait that
// began after CheckTriggers' test keeps what arrives for it, and a notice chosen before the wait
// announces only bytes that came before it.

bool TVexBaseDispatcher::CheckTimerTriggers() {
    DWORD handle = 0;
    {
        TCriticalSectionLock lock(ListLock);
        if (FEventBusy > 0) return false;
        for (TTimerTrigger& t : TimerTriggers) {
            if (t.Armed && TimerExpired(t.Timer)) {
                t.Armed = false;
                handle = t.Handle;
                break;
            }
        }
        if (handle == 0) return false;
        if (LoggingOn) AddDispatchEntry(dtTrigger, dstTimer, 0, nullptr, handle);
        ++FEventBusy;
    }
    return SendHeldNotify(TriggerTimerMsg, handle, 0);
}

bool TVexBaseDispatcher::StatusConditionHolds(TStatusTrigger& T, int& Data) {
    Data = 0;
    switch (T.Type) {
    case stModem: {
        const DWORD mask = T.Value >> 8;
        const DWORD remembered = T.Value & 0xFF;
        return ((remembered ^ ModemStatus) & mask) != 0;
    }
    case stLine: {
        // Lost output is an error of the line for whoever watches errors other than a break.
        const DWORD watched =
            T.Value | ((T.Value & (CE_OVERRUN | CE_RXPARITY | CE_FRAME)) != 0 ? LineErrorWriteFailed : 0);
        return (watched & LineErrors) != 0;
    }
    case stOutBuffFree: {
        const DWORD free = OutBuffFree();
        if (free < T.Value) return false;
        Data = static_cast<int>(free);
        return true;
    }
    case stOutBuffUsed: {
        const DWORD used = OutBuffUsed();
        if (used > T.Value) return false;
        Data = static_cast<int>(used);
        return true;
    }
    case stOutSent:
        return std::exchange(OutputSent, false);
    default:
        return false;
    }
}

bool TVexBaseDispatcher::CheckStatusTriggers() {
    DWORD handle = 0;
    int data = 0;
    {
        TCriticalSectionLock lock(ListLock);
        if (FEventBusy > 0) return false;
        for (TStatusTrigger& t : StatusTriggers) {
            if (!t.Armed || t.Hit) continue;
            if (StatusConditionHolds(t, data)) {
                t.Armed = false;
                t.Hit = true;
                StatusHit = true;
                handle = t.Handle;
                break;
            }
        }
        if (handle == 0) return false;
        if (LoggingOn) AddDispatchEntry(dtTrigger, dstStatus, 0, nullptr, handle);
        ++FEventBusy;
    }
    return SendHeldNotify(TriggerStatusMsg, handle, data);
}

bool TVexBaseDispatcher::CheckReceiveTriggers() {
    bool found = false;
    std::uint64_t matchAt = 0;
    bool sendAvail = false;
    DWORD availCount = 0;
    {
        TCriticalSectionLock receiveLock(ReceiveLock);
        TCriticalSectionLock listLock(ListLock);
        if (!Ring || FEventBusy > 0) return false;
        // A reader outside a notification (a string wait) may have taken bytes past the scan and
        // the last announcement; those bytes are gone and must not be matched or counted.
        const std::uint64_t consumed = RingConsumed;
        if (NextToScan < consumed) {
            NextToScan = consumed;
            ResetDataTriggers(); // a partial match ran into bytes nobody scanned
        }
        if (NotifyTail < consumed) NotifyTail = consumed;

        DWORD longest = 0;
        if (!DataTriggers.empty()) {
            for (std::uint64_t i = NextToScan; i < RingReceived; ++i) {
                const char c = Ring[Slot(i)];
                for (TDataTrigger& t : DataTriggers) {
                    if (t.Len == 0) continue;
                    t.Matched = t.Matched || t.Match(c);
                    if (t.Matched) {
                        found = true;
                        longest = std::max(longest, t.Len);
                    }
                }
                if (found) {
                    matchAt = i;
                    break;
                }
            }
        }

        if (!found) {
            NextToScan = RingReceived;
            if (LengthTrigger == 0 || NotifyTail == RingReceived) return false;
            availCount = static_cast<DWORD>(RingReceived - RingConsumed);
            if (availCount < LengthTrigger) return false;
            NotifyTail = RingReceived;
            if (LoggingOn) AddDispatchEntry(dtTrigger, dstAvail, 0, nullptr, availCount);
        } else if (LengthTrigger != 0 && NotifyTail != matchAt) {
            // The bytes before the string are announced first, so a reader sees them before it
            // hears of the string: every unread byte up to it, announced before or not.
            const std::int64_t before = static_cast<std::int64_t>(matchAt + 1 - RingConsumed) - longest;
            if (before >= static_cast<std::int64_t>(LengthTrigger)) {
                sendAvail = true;
                availCount = static_cast<DWORD>(before);
                if (LoggingOn) AddDispatchEntry(dtTrigger, dstAvail, 0, nullptr, availCount);
            }
        }
        ++FEventBusy;
    }
    if (!found) return SendHeldNotify(TriggerAvailMsg, availCount, 0);

    // The first delivery of those chosen here has its hold already; the data notices that follow
    // were chosen with it.
    bool held = true;
    if (sendAvail) {
        held = false;
        SendHeldNotify(TriggerAvailMsg, availCount, 0);
        {
            TCriticalSectionLock lock(ReceiveLock);
            NextToScan = matchAt;
            NotifyTail = matchAt;
        }
        if (FClosePending) return false;
    }
    bool result = true;
    for (;;) {
        DWORD handle = 0;
        DWORD len = 0;
        {
            // Last to first; found again after every delivery, as the list may have changed.
            TCriticalSectionLock lock(ListLock);
            auto t = std::find_if(DataTriggers.rbegin(), DataTriggers.rend(),
                                  [](const TDataTrigger& d) { return d.Matched; });
            if (t == DataTriggers.rend()) break;
            t->Matched = false;
            handle = t->Handle;
            len = t->Len;
            if (LoggingOn) AddDispatchEntry(dtTrigger, dstData, 0, nullptr, handle);
            if (!std::exchange(held, false)) ++FEventBusy;
        }
        result = SendHeldNotify(TriggerDataMsg, handle, static_cast<int>(len));
        if (FClosePending) return false;
    }
    if (held) ReleaseDeliveryHold();
    TCriticalSectionLock lock(ReceiveLock);
    NextToScan = std::max(NextToScan, matchAt + 1);
    return result;
}

void TVexBaseDispatcher::ResetStatusHits() {
    TCriticalSectionLock lock(ListLock);
    for (TStatusTrigger& t : StatusTriggers) t.Hit = false;
    StatusHit = false;
}

void TVexBaseDispatcher::ResetDataTriggers() {
    TCriticalSectionLock lock(ListLock);
    for (TDataTrigger& t : DataTriggers) t.Reset();
}

// --- Trigger lists ------------------------------------------------------------------------------

bool TVexBaseDispatcher::IsTriggerHandleUsed(DWORD Base) const {
    for (const TTimerTrigger& t : TimerTriggers)
        if (t.Handle == Base) return true;
    for (const TStatusTrigger& t : StatusTriggers)
        if ((t.Handle & ~DWORD{7}) == Base) return true;
    for (const TDataTrigger& t : DataTriggers)
        if (t.Handle == Base) return true;
    return false;
}

DWORD TVexBaseDispatcher::GetTriggerHandle() {
    TCriticalSectionLock lock(ListLock);
    // Restored triggers keep their handles while the count starts again at 1 on every open: a
    // handle in use is passed over rather than handed out twice.
    while (TriggerCounter < 4096) {
        const DWORD handle = TriggerCounter++ * 8;
        if (!IsTriggerHandleUsed(handle)) return handle;
    }
    for (DWORD handle = 8; handle <= MaxReusedTriggerHandle; handle += 8)
        if (!IsTriggerHandleUsed(handle)) return handle;
    return 0;
}

int TVexBaseDispatcher::AddTimerTrigger() {
    TCriticalSectionLock lock(ListLock);
    const DWORD handle = GetTriggerHandle();
    if (handle == 0) return ecNoMoreTriggers;
    TTimerTrigger t;
    t.Handle = handle;
    TimerTriggers.push_back(t);
    if (LoggingOn) AddDispatchEntry(dtTriggerAlloc, dstTimerTrigger, 0, nullptr, handle);
    return static_cast<int>(handle);
}

int TVexBaseDispatcher::AddDataTrigger(const char* Data, bool IgnoreCase) {
    return AddDataTriggerLen(Data, IgnoreCase, Data != nullptr ? static_cast<DWORD>(std::strlen(Data)) : 0);
}

int TVexBaseDispatcher::AddDataTriggerLen(const char* Data, bool IgnoreCase, DWORD Len) {
    if (Len > MaxTrigData) return ecTriggerTooLong;
    if (Data == nullptr) Len = 0;
    TCriticalSectionLock lock(ListLock);
    const DWORD handle = GetTriggerHandle();
    if (handle == 0) return ecNoMoreTriggers;
    TDataTrigger t;
    t.Handle = handle;
    t.Len = Len;
    t.IgnoreCase = IgnoreCase;
    for (DWORD i = 0; i < Len; ++i) t.Data[i] = IgnoreCase ? TriggerUpCase(Data[i]) : Data[i];
    DataTriggers.push_back(t);
    if (LoggingOn) AddDispatchEntry(dtTriggerAlloc, dstDataTrigger, Len, t.Data, handle);
    return static_cast<int>(handle);
}

int TVexBaseDispatcher::AddStatusTrigger(DWORD SType) {
    if (SType > stOutSent) return ecBadArgument;
    TCriticalSectionLock lock(ListLock);
    const DWORD base = GetTriggerHandle();
    if (base == 0) return ecNoMoreTriggers;
    TStatusTrigger t;
    t.Handle = base + SType;
    t.Type = SType;
    StatusTriggers.push_back(t);
    if (LoggingOn) {
        const char type = static_cast<char>(SType);
        AddDispatchEntry(dtTriggerAlloc, dstStatusTrigger, 1, &type, t.Handle);
    }
    return static_cast<int>(t.Handle);
}

int TVexBaseDispatcher::RemoveTrigger(DWORD Handle) {
    if (Handle == LengthTriggerHandle) {
        TCriticalSectionLock lock(ListLock);
        LengthTrigger = 0;
        return ecOK;
    }
    TTriggerType kind;
    return FindTriggerFromHandle(Handle, true, kind);
}

void TVexBaseDispatcher::RemoveAllTriggers() {
    TCriticalSectionLock lock(ListLock);
    LengthTrigger = 0;
    TimerTriggers.clear();
    DataTriggers.clear();
    StatusTriggers.clear();
    TriggerCounter = 1;
}

void TVexBaseDispatcher::ChangeLengthTrigger(DWORD Length) {
    TCriticalSectionLock lock(ListLock);
    LengthTrigger = Length;
    if (LoggingOn) AddDispatchEntry(dtTriggerDataChange, dstAvailTrigger, 0, nullptr, Length);
}

void TVexBaseDispatcher::LogTriggerChange(TDispatchSubType DST, DWORD Handle, DWORD DataLen,
                                          const void* Data) {
    if (LoggingOn) AddDispatchEntry(dtTriggerDataChange, DST, DataLen, Data, Handle);
}

namespace {

// A number as the log stores it: four bytes, low byte first.
struct TLogNumber {
    explicit TLogNumber(DWORD V) {
        for (int i = 0; i < 4; ++i) Bytes[i] = static_cast<char>(V >> (8 * i));
    }
    char Bytes[4];
};

} // namespace

int TVexBaseDispatcher::SetTimerTrigger(DWORD Handle, std::int32_t Ticks, bool Activate) {
    TCriticalSectionLock lock(ListLock);
    auto t = std::find_if(TimerTriggers.begin(), TimerTriggers.end(),
                          [Handle](const TTimerTrigger& r) { return r.Handle == Handle; });
    if (t == TimerTriggers.end()) return ecBadTriggerHandle;
    if (Activate) {
        if (Ticks != 0) t->Ticks = static_cast<DWORD>(Ticks);
        NewTimer(t->Timer, static_cast<std::int32_t>(t->Ticks));
        t->Armed = true;
        const TLogNumber ticks(t->Ticks);
        LogTriggerChange(dstTimerTrigger, Handle, sizeof ticks.Bytes, ticks.Bytes);
    } else {
        t->Armed = false;
        static constexpr char deactivated[] = "Deactivated";
        LogTriggerChange(dstTimerTrigger, Handle, sizeof deactivated - 1, deactivated);
    }
    return ecOK;
}

int TVexBaseDispatcher::ExtendTimer(DWORD Handle, std::int32_t Ticks) {
    TCriticalSectionLock lock(ListLock);
    auto t = std::find_if(TimerTriggers.begin(), TimerTriggers.end(),
                          [Handle](const TTimerTrigger& r) { return r.Handle == Handle; });
    if (t == TimerTriggers.end()) return ecBadTriggerHandle;
    const std::int64_t expiry = std::int64_t{t->Timer.ExpireTicks} + Ticks;
    t->Timer.ExpireTicks = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        expiry, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    const TLogNumber added(static_cast<DWORD>(Ticks));
    LogTriggerChange(dstTimerTrigger, Handle, sizeof added.Bytes, added.Bytes);
    return ecOK;
}

int TVexBaseDispatcher::TimerTicksRemaining(DWORD Handle, std::int32_t& TicksRemaining) {
    TCriticalSectionLock lock(ListLock);
    TicksRemaining = 0;
    auto t = std::find_if(TimerTriggers.begin(), TimerTriggers.end(),
                          [Handle](const TTimerTrigger& r) { return r.Handle == Handle; });
    if (t == TimerTriggers.end()) return ecBadTriggerHandle;
    TicksRemaining = RemainingTime(t->Timer);
    return ecOK;
}

int TVexBaseDispatcher::SetStatusTrigger(DWORD Handle, WORD Value, bool Activate) {
    TCriticalSectionLock lock(ListLock);
    auto t = std::find_if(StatusTriggers.begin(), StatusTriggers.end(),
                          [Handle](const TStatusTrigger& r) { return r.Handle == Handle; });
    if (t == StatusTriggers.end()) return ecBadTriggerHandle;
    if (Activate) {
        switch (t->Type) {
        case stModem: {
            const DWORD mask = Value & 0xFF;
            t->Value = static_cast<WORD>((mask << 8) | (Value & ModemStatus & 0xFF));
            break;
        }
        case stLine: {
            DWORD watched = 0;
            if ((Value & 1) != 0) watched |= CE_OVERRUN;
            if ((Value & 2) != 0) watched |= CE_RXPARITY;
            if ((Value & 4) != 0) watched |= CE_FRAME;
            if ((Value & 8) != 0) watched |= CE_BREAK;
            t->Value = static_cast<WORD>(watched);
            break;
        }
        default:
            t->Value = Value;
            break;
        }
    }
    t->Armed = Activate;
    const TLogNumber value(Value);
    LogTriggerChange(dstStatusTrigger, Handle, sizeof value.Bytes, value.Bytes);
    return ecOK;
}

int TVexBaseDispatcher::FindTriggerFromHandle(DWORD Handle, bool Delete, TTriggerType& Kind) {
    TCriticalSectionLock lock(ListLock);
    Kind = ttNone;
    if (Handle < 2) return ecBadTriggerHandle;
    auto timer = std::find_if(TimerTriggers.begin(), TimerTriggers.end(),
                              [Handle](const TTimerTrigger& r) { return r.Handle == Handle; });
    if (timer != TimerTriggers.end()) {
        Kind = ttTimer;
        if (Delete) {
            if (LoggingOn) AddDispatchEntry(dtTriggerDispose, dstTimer, 0, nullptr, Handle);
            TimerTriggers.erase(timer);
        }
        return ecOK;
    }
    auto status = std::find_if(StatusTriggers.begin(), StatusTriggers.end(),
                               [Handle](const TStatusTrigger& r) { return r.Handle == Handle; });
    if (status != StatusTriggers.end()) {
        Kind = ttStatus;
        if (Delete) {
            if (LoggingOn) {
                const char type = static_cast<char>(status->Type);
                AddDispatchEntry(dtTriggerDispose, dstStatusTrigger, 1, &type, Handle);
            }
            StatusTriggers.erase(status);
        }
        return ecOK;
    }
    const DWORD base = Handle & ~DWORD{7};
    auto data = std::find_if(DataTriggers.begin(), DataTriggers.end(),
                             [base](const TDataTrigger& r) { return r.Handle == base; });
    if (data != DataTriggers.end()) {
        Kind = ttData;
        if (Delete) {
            if (LoggingOn) AddDispatchEntry(dtTriggerDispose, dstData, 0, nullptr, Handle);
            DataTriggers.erase(data);
        }
        return ecOK;
    }
    return ecBadTriggerHandle;
}

void TVexBaseDispatcher::SaveTriggers(TTriggerSave& Save) {
    TCriticalSectionLock lock(ListLock);
    Save.LengthTrigger = LengthTrigger;
    Save.TimerTriggers = TimerTriggers;
    Save.DataTriggers = DataTriggers;
    Save.StatusTriggers = StatusTriggers;
}

void TVexBaseDispatcher::RestoreTriggers(const TTriggerSave& Save) {
    TCriticalSectionLock lock(ListLock);
    LengthTrigger = Save.LengthTrigger;
    TimerTriggers = Save.TimerTriggers;
    DataTriggers = Save.DataTriggers;
    StatusTriggers = Save.StatusTriggers;
}

void TVexBaseDispatcher::ClearSaveBuffers(TTriggerSave& Save) {
    Save = TTriggerSave{};
}

// --- Trace --------------------------------------------------------------------------------------

int TVexBaseDispatcher::InitTracing(DWORD NumEntries) {
    TCriticalSectionLock lock(ListLock);
    const int code = Trace.Init(NumEntries);
    if (code == ecOK) TracingOn = true;
    return code;
}

void TVexBaseDispatcher::ClearTracing() {
    TCriticalSectionLock lock(ListLock);
    Trace.Clear();
}

void TVexBaseDispatcher::AbortTracing() {
    TCriticalSectionLock lock(ListLock);
    TracingOn = false;
    Trace.Abort();
}

void TVexBaseDispatcher::StartTracing() {
    TCriticalSectionLock lock(ListLock);
    if (Trace.HasBuffer()) TracingOn = true;
}

void TVexBaseDispatcher::StopTracing() {
    TCriticalSectionLock lock(ListLock);
    TracingOn = false;
}

void TVexBaseDispatcher::AddTraceEntry(char CurEntry, char CurCh) {
    TCriticalSectionLock lock(ListLock);
    Trace.Add(CurEntry, CurCh);
}

int TVexBaseDispatcher::DumpTrace(const std::string& FName, bool InHex, bool AllHex) {
    return DumpTracePrim(FName, false, InHex, AllHex);
}

int TVexBaseDispatcher::AppendTrace(const std::string& FName, bool InHex, bool AllHex) {
    return DumpTracePrim(FName, true, InHex, AllHex);
}

int TVexBaseDispatcher::DumpTracePrim(const std::string& FName, bool AppendFile, bool InHex, bool AllHex) {
    TCriticalSectionLock lock(ListLock);
    TracingOn = false;
    const int code = Trace.Empty() ? ecOK : Trace.Dump(FName, AppendFile, InHex, AllHex);
    Trace.Abort();
    return code;
}

// --- Dispatch log -------------------------------------------------------------------------------

namespace {
constexpr std::int64_t NoFakeDispatchTime = -1;
std::atomic<std::int64_t> FakeDispatchTime{NoFakeDispatchTime};
} // namespace

void SetDispatchTimeForTesting(std::optional<DWORD> Ms) {
    FakeDispatchTime = Ms ? std::int64_t{*Ms} : NoFakeDispatchTime;
}

int TVexBaseDispatcher::InitDispatchLogging(DWORD QueueSize) {
    TCriticalSectionLock lock(ListLock);
    const bool present = DispatchLog.HasBuffer();
    const int code = DispatchLog.Init(QueueSize);
    if (code == ecOK && !present) LoggingOn = true;
    return code;
}

void TVexBaseDispatcher::ClearDispatchLogging() {
    TCriticalSectionLock lock(ListLock);
    DispatchLog.Clear();
}

void TVexBaseDispatcher::AbortDispatchLogging() {
    TCriticalSectionLock lock(ListLock);
    LoggingOn = false;
    DispatchLog.Abort();
}

void TVexBaseDispatcher::StartDispatchLogging() {
    TCriticalSectionLock lock(ListLock);
    if (DispatchLog.HasBuffer()) LoggingOn = true;
}

void TVexBaseDispatcher::StopDispatchLogging() {
    TCriticalSectionLock lock(ListLock);
    LoggingOn = false;
}

DWORD TVexBaseDispatcher::GetDispatchTime() {
    const std::int64_t fake = FakeDispatchTime;
    if (fake != NoFakeDispatchTime) return static_cast<DWORD>(fake);
    TCriticalSectionLock lock(ListLock);
    return VxTimeGetTime() - DispatchStartTime;
}

void TVexBaseDispatcher::AddDispatchEntry(TDispatchType DT, TDispatchSubType DST, DWORD DataLen,
                                          const void* Data, DWORD Value) {
    TCriticalSectionLock lock(ListLock);
    if (!LoggingOn) return;
    TDispatchEntryHeader header;
    header.Type = DT;
    header.SubType = DST;
    header.Time = GetDispatchTime();
    header.Value = Value;
    header.DataLen = Data != nullptr ? DataLen : 0;
    DispatchLog.PushDLEntry(header, Data);
}

void TVexBaseDispatcher::AddStringToLog(const std::string& S) {
    AddDispatchEntry(dtUser, dstNone, static_cast<DWORD>(S.size()), S.data(), 0);
}

int TVexBaseDispatcher::DumpDispatchLog(const std::string& FName, bool InHex, bool AllHex) {
    return DumpDispatchLogPrim(FName, false, InHex, AllHex);
}

int TVexBaseDispatcher::AppendDispatchLog(const std::string& FName, bool InHex, bool AllHex) {
    return DumpDispatchLogPrim(FName, true, InHex, AllHex);
}

int TVexBaseDispatcher::DumpDispatchLogPrim(const std::string& FName, bool AppendFile, bool InHex,
                                            bool AllHex) {
    TCriticalSectionLock lock(ListLock);
    if (!DispatchLog.HasBuffer() || DispatchLog.Empty()) {
        AbortDispatchLogging();
        return ecOK;
    }
    LoggingOn = false;
    bool opened = false;
    const int code = DispatchLog.Dump(FName, AppendFile, InHex, AllHex, DeviceName, opened);
    // A file that could not be opened leaves the log to be dumped elsewhere.
    if (opened) DispatchLog.Abort();
    return code;
}
