#include "communications/VxUser.h"

#include "communications/VxErrors.h"
#include "communications/VxMisc.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

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

DWORD RingDistance(DWORD from, DWORD to) {
    return (to + ReceiveRingSize - from) % ReceiveRingSize;
}

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

void SetWndHandlerTimeoutForTesting(UINT Milliseconds) {
    WndHandlerTimeout = Milliseconds;
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
        RingHead = 0;
        RingTail = 0;
        RingFull = false;
        InAvail = false;
        ReadCount = 0;
        LargestReadCount = 0;
    }
    TCriticalSectionLock lock(ListLock);
    LineErrors = 0;
    ComStatus = COMSTAT{};
    ModemStatus = 0;
    RS485Mode = false;
    BaseAddress = 0;
    NextToScan = 0;
    NotifyTail = 0;
    StatusHit = false;
    OutputSent = false;
    RingTrailingEdge = false;
    FClosePending = false;
    TracingOn = false;
    LoggingOn = false;
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
        RingHead = 0;
        RingTail = 0;
        RingFull = false;
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

BYTE TVexBaseDispatcher::GetModemStatusPrim(BYTE ClearMask) {
    TCriticalSectionLock lock(ListLock);
    const DWORD lines = GetComModemStatus();
    ModemStatus = (ModemStatus & 0x0F) | (lines & 0xF0);
    if (RingTrailingEdge.exchange(false)) ModemStatus |= ModemTrailingRi;
    const BYTE result = static_cast<BYTE>(ModemStatus);
    ModemStatus &= ClearMask;
    return result;
}

void TVexBaseDispatcher::WaitTxSent() {
    for (int poll = 0; poll < 5000 && OutBuffUsed() != 0; ++poll) Sleep(2);
    DCB dcb;
    DWORD baud;
    {
        TCriticalSectionLock lock(ListLock);
        GetComState(dcb);
        baud = BaudRateFromCode(LastBaud);
    }
    if (baud == 0) return;
    // The device may still be shifting out what it holds: 18 characters' time.
    const std::uint64_t bits =
        dcb.ByteSize + 2u + (dcb.Parity != 0 ? 1u : 0u) + (dcb.StopBits != ONESTOPBIT ? 1u : 0u);
    std::uint64_t time100ns = (10000000u / baud) * bits * 18u;
    if (time100ns < 10000) time100ns *= 2;
    Sleep(static_cast<DWORD>((time100ns + 9999) / 10000));
}

// --- Data ---------------------------------------------------------------------------------------

DWORD TVexBaseDispatcher::InBuffCount() const {
    if (RingFull) return ReceiveRingSize;
    return RingDistance(RingTail, RingHead);
}

bool TVexBaseDispatcher::CharReady() {
    TCriticalSectionLock lock(ReceiveLock);
    return InBuffCount() > (InAvail ? ReadCount : 0);
}

int TVexBaseDispatcher::PeekCharPrim(char& C, DWORD Index) {
    TCriticalSectionLock lock(ReceiveLock);
    if (Index < 1) return ecBadArgument;
    if (InBuffCount() < Index) return ecBufferIsEmpty;
    C = Ring[(RingTail + Index - 1) % ReceiveRingSize];
    return ecOK;
}

int TVexBaseDispatcher::PeekChar(char& C, DWORD Index) {
    TCriticalSectionLock lock(ReceiveLock);
    if (Index < 1) return ecBadArgument;
    const std::uint64_t index = static_cast<std::uint64_t>(Index) + (InAvail ? ReadCount : 0);
    if (index > ReceiveRingSize) return ecBufferIsEmpty;
    return PeekCharPrim(C, static_cast<DWORD>(index));
}

int TVexBaseDispatcher::GetChar(char& C) {
    TCriticalSectionLock lock(ReceiveLock);
    int code;
    if (InAvail) {
        ++ReadCount;
        code = PeekCharPrim(C, ReadCount);
        if (code != ecOK) --ReadCount;
    } else {
        code = PeekCharPrim(C, 1);
        if (code == ecOK) {
            RingTail = (RingTail + 1) % ReceiveRingSize;
            RingFull = false;
        }
    }
    if (code == ecOK) {
        TCriticalSectionLock listLock(ListLock);
        if (TracingOn) AddTraceEntry('R', C);
    }
    return code;
}

int TVexBaseDispatcher::PeekBlockPrim(char* Block, DWORD Offset, DWORD& NewTail, DWORD Len) {
    TCriticalSectionLock lock(ReceiveLock);
    if (static_cast<std::uint64_t>(Offset) + Len > InBuffCount()) return ecBufferIsEmpty;
    const DWORD start = (RingTail + Offset) % ReceiveRingSize;
    NewTail = (start + Len) % ReceiveRingSize;
    if (Len == 0) return 0;
    const DWORD first = std::min(Len, ReceiveRingSize - start);
    std::memcpy(Block, Ring.get() + start, first);
    if (first < Len) std::memcpy(Block + first, Ring.get(), Len - first);
    return static_cast<int>(Len);
}

int TVexBaseDispatcher::PeekBlock(char* Block, DWORD Len) {
    TCriticalSectionLock lock(ReceiveLock);
    DWORD newTail;
    return PeekBlockPrim(Block, InAvail ? ReadCount : 0, newTail, Len);
}

int TVexBaseDispatcher::GetBlock(char* Block, DWORD Len) {
    int code;
    {
        TCriticalSectionLock lock(ReceiveLock);
        DWORD newTail;
        code = PeekBlockPrim(Block, InAvail ? ReadCount : 0, newTail, Len);
        if (code >= 0) {
            if (InAvail) {
                ReadCount += Len;
            } else if (Len > 0) {
                // Only a block actually taken ends a full ring; an empty read of a full ring
                // must not make it look empty.
                RingTail = newTail;
                RingFull = false;
            }
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
    const DWORD used = InBuffCount();
    return InAvail ? used - std::min(ReadCount, used) : used;
}

DWORD TVexBaseDispatcher::InBuffFree() {
    TCriticalSectionLock lock(ReceiveLock);
    const DWORD used = InBuffCount();
    return ReceiveRingSize - used + (InAvail ? std::min(ReadCount, used) : 0);
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
    if (InAvail) {
        // The notification consumes the whole ring when it ends (and clears ring full then).
        LargestReadCount = InBuffCount();
    } else {
        RingTail = RingHead;
        ReadCount = 0;
        RingFull = false;
    }
    TCriticalSectionLock listLock(ListLock);
    ResetDataTriggers();
    return code;
}

void TVexBaseDispatcher::BufferSizes(DWORD& InQueue, DWORD& OutQueue) const {
    InQueue = InSize;
    OutQueue = OutSize;
}

DWORD TVexBaseDispatcher::ReadIntoRing(DWORD Pos, DWORD Count) {
    int got = ReadCom(Ring.get() + Pos, static_cast<int>(Count));
    if (got < 0) {
        GetComEventMask(-1);
        got = 0;
    }
    // Never trust a device to stay within what it was asked for.
    const DWORD read = std::min(static_cast<DWORD>(got), Count);
    if (read > 0) {
        TCriticalSectionLock lock(ListLock);
        if (LoggingOn) AddDispatchEntry(dtDispatch, dstReadCom, read, Ring.get() + Pos, read);
    }
    return read;
}

bool TVexBaseDispatcher::ExtractData() {
    TCriticalSectionLock lock(ReceiveLock);
    if (!Ring) return false;
    if (RingFull) return true;
    COMSTAT stat;
    const int errors = GetComError(stat);
    RecordStatus(stat, errors);
    if (stat.cbInQue == 0) return false;

    const DWORD freeSpace = RingHead == RingTail ? ReceiveRingSize : RingDistance(RingHead, RingTail);
    const DWORD first = RingTail <= RingHead ? ReceiveRingSize - RingHead : RingTail - RingHead;
    const DWORD want = std::min(freeSpace, stat.cbInQue);
    DWORD second = want > first ? want - first : 0;

    const DWORD read = ReadIntoRing(RingHead, first);
    RingHead += read;
    if (read < first) second = 0;
    if (RingHead == ReceiveRingSize) RingHead = 0;
    if (read > 0) RingFull = RingHead == RingTail;

    if (second > 0) {
        RingHead += ReadIntoRing(0, second);
        RingFull = RingHead == RingTail;
    }
    return true;
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

void TVexBaseDispatcher::StartHandlerRead() {
    TCriticalSectionLock lock(ReceiveLock);
    ReadCount = 0;
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
        StartHandlerRead();
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
        StartHandlerRead();
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
        StartHandlerRead();
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
                const DWORD taken = std::min(LargestReadCount, InBuffCount());
                RingTail = (RingTail + taken) % ReceiveRingSize;
                if (LargestReadCount != 0) RingFull = false;
                if (Msg == TriggerAvailMsg && LargestReadCount != wParam) result = false;
            }
        }
        ReadCount = 0;
    }
    TCriticalSectionLock lock(ListLock);
    if (FEventBusy > 0) --FEventBusy;
    if (FEventBusy == 0) PurgeDeletedHandlers();
    return result;
}

bool TVexBaseDispatcher::SendNotify(UINT Msg, UINT wParam, int Data) {
    if (!HandlerServiceNeeded) return true;
    {
        TCriticalSectionLock lock(ListLock);
        ++FEventBusy;
    }
    const bool inAvail = Msg == TriggerAvailMsg || Msg == TriggerDataMsg;
    {
        TCriticalSectionLock lock(ReceiveLock);
        LargestReadCount = 0;
        ReadCount = 0;
        InAvail = inAvail;
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

void TVexBaseDispatcher::DispatchPass() {
    RefreshStatus();
    ExtractData();
    if (EventBusy()) return;
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

bool TVexBaseDispatcher::CheckTriggers() {
    // The timer, status and receive triggers arrive with the trigger unit.
    return false;
}

void TVexBaseDispatcher::RemoveAllTriggers() {
    TCriticalSectionLock lock(ListLock);
    LengthTrigger = 0;
    TriggerCounter = 1;
}

void TVexBaseDispatcher::ResetStatusHits() {
    TCriticalSectionLock lock(ListLock);
    StatusHit = false;
}

void TVexBaseDispatcher::ResetDataTriggers() {
    // Data triggers keep match state once the trigger unit adds them.
}

// --- Trace and dispatch log ---------------------------------------------------------------------

// Callers hold the list lock and call these only while tracing or logging is on. Neither can be
// switched on before the trace unit brings the buffers that these store into.

void TVexBaseDispatcher::AddTraceEntry(char /*CurEntry*/, char /*CurCh*/) {}

void TVexBaseDispatcher::AddDispatchEntry(TDispatchType /*DT*/, TDispatchSubType /*DST*/, DWORD /*DataLen*/,
                                          const void* /*Data*/, DWORD /*Value*/) {}
