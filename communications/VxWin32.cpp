#include "communications/VxWin32.h"

#include "communications/VxErrors.h"
#include "communications/VxMisc.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The ring's trailing edge; only systems older than NT report it, and they also take the NT set.
constexpr DWORD EV_RINGTE = 0x2000;
constexpr DWORD NTEventMask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;
constexpr DWORD ModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_RINGTE;
constexpr DWORD LineEvents = EV_BREAK | EV_ERR;

constexpr DWORD DispatchWaitMs = 50;
constexpr DWORD WorkerStartMs = 3000;
constexpr DWORD FlushAckMs = 5000;
constexpr DWORD DispatchStopMs = 36 * 55; // 36 ticks; the stop waits this long twice

int NegatedLastError() {
    const DWORD error = GetLastError();
    return error != 0 ? -static_cast<int>(error) : -1;
}

// The firmware loader's build leaves the modem status alone before the status triggers of a pass.
bool RereadModemStatus() {
    static const bool reread = std::strcmp(VxVersionText(), "v4.05") != 0;
    return reread;
}

// Serves the calling thread's messages and synchronised calls for about a millisecond: a worker
// may be waiting for this thread before it can end.
void YieldWhileWaiting() {
    const std::int32_t got = SafeYield();
    if (got == 0)
        WaitMessageTimeout(1);
    else if ((got & 0xFFFF) == static_cast<std::int32_t>(WM_QUIT))
        Sleep(1); // the quit stays pending: nothing else to serve
}

void ShowWorkerException(TVexDispatcherThread* Thread, const Exception& E) {
    try {
        Thread->Sync([&E] {
            if (Application != nullptr) Application->ShowException(&E);
        });
    } catch (...) {
    }
}

} // namespace

// --- Worker threads -----------------------------------------------------------------------------

class TDispThread : public TVexDispatcherThread {
public:
    explicit TDispThread(TVexWin32Dispatcher* D) : TVexDispatcherThread(D), Disp(D) {}

protected:
    void Execute() override {
        try {
            Disp->DispThreadExecute();
        } catch (const Exception& E) {
            ShowWorkerException(this, E);
        }
    }

private:
    TVexWin32Dispatcher* Disp;
};

class TOutThread : public TVexDispatcherThread {
public:
    explicit TOutThread(TVexWin32Dispatcher* D) : TVexDispatcherThread(D), Disp(D) {}

protected:
    void Execute() override {
        try {
            Disp->OutThreadExecute();
        } catch (const Exception& E) {
            ShowWorkerException(this, E);
        }
    }

private:
    TVexWin32Dispatcher* Disp;
};

// --- Life cycle ---------------------------------------------------------------------------------

TVexWin32Dispatcher::TVexWin32Dispatcher(TComponent* Owner) : TVexBaseDispatcher(Owner) {}

TVexWin32Dispatcher::~TVexWin32Dispatcher() {
    BeforeDestruction();
    TCriticalSectionLock lock(ReceiveLock);
    if (ReadEvent != INVALID_HANDLE_VALUE) CloseHandle(ReadEvent);
    ReadEvent = INVALID_HANDLE_VALUE;
}

bool TVexWin32Dispatcher::PrepareDevice(HANDLE Device) {
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(Device, &timeouts);
    TCriticalSectionLock lock(ReceiveLock);
    if (ReadEvent != INVALID_HANDLE_VALUE) CloseHandle(ReadEvent);
    const HANDLE event = CreateEvent(nullptr, 1, 0, nullptr);
    ReadEvent = event != 0 ? event : INVALID_HANDLE_VALUE;
    ReadOverlapped = OVERLAPPED{};
    ReadOverlapped.hEvent = event;
    return event != 0;
}

int TVexWin32Dispatcher::OpenCom(const char* ComName, DWORD /*InQueue*/, DWORD /*OutQueue*/) {
    const HANDLE device = OpenComm(ComName != nullptr ? ComName : "");
    if (device == INVALID_HANDLE_VALUE) return -1;
    if (!PrepareDevice(device)) {
        CloseHandle(device);
        return ecOutOfMemory;
    }
    return static_cast<int>(device);
}

int TVexWin32Dispatcher::CloseCom() {
    {
        TCriticalSectionLock lock(ReceiveLock);
        if (ReadEvent != INVALID_HANDLE_VALUE) CloseHandle(ReadEvent);
        ReadEvent = INVALID_HANDLE_VALUE;
        ReadOverlapped.hEvent = 0;
    }
    const HANDLE device = Device();
    if (FDispatcherStarted) {
        KillThreads = true;
        // A new mask ends the dispatch thread's wait for comm events.
        SetCommMask(device, 0);
        HANDLE started;
        {
            TCriticalSectionLock lock(ListLock);
            started = StartedEvent;
        }
        ResetEvent(started);
    }
    const BOOL closed = CloseHandle(device);
    FDeviceId = -1;
    return closed ? 0 : -1;
}

void TVexWin32Dispatcher::StartDispatcher() {
    {
        TCriticalSectionLock lock(ListLock);
        if (FDispatcherStarted) throw Exception("Dispatcher already started");
        FDispatcherStarted = true;
        KillThreads = false;
    }
    HANDLE started;
    {
        TCriticalSectionLock lock(ListLock);
        started = StartedEvent;
    }
    ResetEvent(started);
    StartWorker<TDispThread>(DispThread, started);
    StartWorker<TOutThread>(OutThread, started);
}

// The reference is stored before the thread runs, so its ThreadGone always finds it. A worker that
// does not report within the limit is not waited for further.
template <class TWorker>
void TVexWin32Dispatcher::StartWorker(std::atomic<TVexDispatcherThread*>& Ref, HANDLE Started) {
    auto* worker = new TWorker(this);
    {
        TCriticalSectionLock lock(ListLock);
        Ref = worker;
        if (&Ref == &DispThread) DispThreadId = worker->ThreadID();
        SetPriorities();
    }
    worker->Start();
    WaitForSingleObject(Started, WorkerStartMs);
}

void TVexWin32Dispatcher::WaitForWorker(const std::atomic<TVexDispatcherThread*>& Ref,
                                        const std::function<void()>& Wake) {
    // These workers wait for nothing but their events and the device, so waking them ends them;
    // they are woken again on every turn in case the first wake came before their wait.
    while (Ref.load() != nullptr) {
        Wake();
        YieldWhileWaiting();
    }
}

bool TVexWin32Dispatcher::WaitForDispatchThread(DWORD Milliseconds) {
    const std::uint64_t deadline = MonotonicMs() + Milliseconds;
    while (RunningThreads() > 0) {
        if (MonotonicMs() >= deadline) return false;
        YieldWhileWaiting();
    }
    return true;
}

// No lock is held while waiting: the dispatch thread takes the list lock during a pass, and every
// worker takes it in ThreadGone. The dispatch thread may be held in a handler or a notification
// to a window; after its waits the stop goes on without it. It touches nothing that the close
// frees without first looking under the lock that guards it, its events are never reused, and the
// dispatcher itself is not destroyed before its running thread count is 0.
void TVexWin32Dispatcher::StopDispatcher() {
    if (!FDispatcherStarted) return;
    KillThreads = true;
    HANDLE comEvent, started, stopOutput;
    {
        TCriticalSectionLock lock(ListLock);
        comEvent = ComEvent;
        started = StartedEvent;
        stopOutput = StopOutputEvent;
    }
    SetEvent(comEvent); // the dispatch thread leaves its wait at once
    WaitForWorker(OutThread, [&] { SetEvent(stopOutput); });
    ResetEvent(started);
    // Finishing a close from its own ThreadGone, the dispatch thread must not wait for itself.
    if (GetCurrentThreadId() == DispThreadId.load()) return;
    if (!WaitForDispatchThread(DispatchStopMs)) {
        SetEvent(comEvent);
        WaitForDispatchThread(DispatchStopMs);
    }
}

int TVexWin32Dispatcher::ProcessCommunications() {
    Sleep(0); // the workers do the work
    return 0;
}

// --- Device operations --------------------------------------------------------------------------

int TVexWin32Dispatcher::EscapeComFunction(int Func) {
    return EscapeCommFunction(Device(), static_cast<DWORD>(Func)) ? 0 : NegatedLastError();
}

int TVexWin32Dispatcher::GetComEventMask(int /*EvtMask*/) {
    return 0;
}

bool TVexWin32Dispatcher::WaitComEvent(DWORD& EvtMask, OVERLAPPED* Overlapped) {
    return WaitCommEvent(Device(), &EvtMask, Overlapped) != 0;
}

bool TVexWin32Dispatcher::SetupCom(int InQueue, int OutQueue) {
    const bool done = SetupComm(Device(), static_cast<DWORD>(InQueue), static_cast<DWORD>(OutQueue)) != 0;
    if (done && InQueue > 0) DeviceInQueue = static_cast<DWORD>(InQueue);
    return done;
}

int TVexWin32Dispatcher::GetComState(DCB& Dcb) {
    return GetCommState(Device(), &Dcb) ? 0 : NegatedLastError();
}

int TVexWin32Dispatcher::SetComState(DCB& Dcb) {
    return SetCommState(Device(), &Dcb) ? 0 : NegatedLastError();
}

DWORD TVexWin32Dispatcher::GetComModemStatus() {
    DWORD lines = 0;
    return GetCommModemStatus(Device(), &lines) ? lines : 0;
}

void TVexWin32Dispatcher::DrainCom() {
    FlushFileBuffers(Device());
}

int TVexWin32Dispatcher::GetComError(COMSTAT& Stat) {
    DWORD errors = 0;
    if (!ClearCommError(Device(), &errors, &Stat)) {
        Stat = COMSTAT{};
        errors = 0;
    }
    // What the device itself holds counts too: a read takes it in the same pass.
    Stat.cbInQue = std::max(Stat.cbInQue, CommInputWaiting(Device()));
    TCriticalSectionLock lock(OutputLock);
    Stat.cbOutQue = OutUsed;
    return static_cast<int>(errors);
}

int TVexWin32Dispatcher::ReadOnce(char* Buf, int Size) {
    DWORD got = 0;
    if (ReadFile(Device(), Buf, static_cast<DWORD>(Size), &got, &ReadOverlapped))
        return static_cast<int>(got);
    if (GetLastError() != ERROR_IO_PENDING) return -1;
    const BOOL done = GetOverlappedResult(Device(), &ReadOverlapped, &got, 1);
    if (ReadEvent != INVALID_HANDLE_VALUE) ResetEvent(ReadEvent);
    // Bytes that reached the buffer before an abort are real data.
    return done || got > 0 ? static_cast<int>(got) : -1;
}

// A read hands over at most the device's queue: reads follow one another until the count is met
// or nothing more comes, so one call takes a large block. A read that handed over less than it could
// found the device empty, and the next would only say so.
int TVexWin32Dispatcher::ReadCom(char* Buf, int Size) {
    if (Size <= 0) return 0;
    TCriticalSectionLock lock(ReceiveLock);
    const DWORD queue = DeviceInQueue;
    int got = 0;
    while (got < Size) {
        const int asked = Size - got;
        const int n = ReadOnce(Buf + got, asked);
        if (n < 0) return got > 0 ? got : n;
        if (n == 0) break;
        got += n;
        if (queue != 0 && static_cast<DWORD>(n) < std::min(static_cast<DWORD>(asked), queue)) break;
    }
    return got;
}

int TVexWin32Dispatcher::WriteCom(const char* Buf, int Size) {
    if (Size <= 0) return 0;
    TCriticalSectionLock lock(OutputLock);
    const DWORD len = static_cast<DWORD>(Size);
    if (!OutBuffer || len > OutSize - OutUsed) {
        OutBufferFull = OutBuffer && OutUsed == OutSize;
        return 0;
    }
    const DWORD first = std::min(len, OutSize - OutHead);
    std::memcpy(OutBuffer.get() + OutHead, Buf, first);
    std::memcpy(OutBuffer.get(), Buf + first, len - first);
    OutHead = (OutHead + len) % OutSize;
    OutUsed += len;
    OutBufferFull = OutUsed == OutSize;
    SetEvent(OutputReadyEvent);
    return Size;
}

int TVexWin32Dispatcher::FlushCom(int Queue) {
    if (Queue != 0) return PurgeComm(Device(), PURGE_RXABORT | PURGE_RXCLEAR) ? 0 : NegatedLastError();

    // One flush at a time: each needs its own acknowledgement.
    TCriticalSectionLock flush(FlushLock);
    HANDLE stopOutput, started;
    {
        TCriticalSectionLock lock(ListLock);
        stopOutput = StopOutputEvent;
        started = StartedEvent;
    }
    if (OutThread.load() != nullptr && !KillThreads) {
        ResetEvent(started);
        SetEvent(stopOutput);
        const std::uint64_t deadline = MonotonicMs() + FlushAckMs;
        for (;;) {
            const DWORD woke = WaitForSingleObject(started, 20);
            if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
            if (OutThread.load() == nullptr || MonotonicMs() >= deadline) break;
        }
    }
    {
        TCriticalSectionLock lock(OutputLock);
        OutHead = 0;
        OutTail = 0;
        OutUsed = 0;
        OutBufferFull = false;
        ++OutGeneration;
    }
    return PurgeComm(Device(), PURGE_TXABORT | PURGE_TXCLEAR) ? 0 : NegatedLastError();
}

// --- Dispatch thread ----------------------------------------------------------------------------

// Starts watching the device's comm events; false when no event wait can be made, and the pass then
// runs on its timer alone.
bool TVexWin32Dispatcher::StartEventWatch(TEventWatch& Watch) {
    Watch.Done = CreateEvent(nullptr, 1, 0, nullptr);
    Watch.Overlapped = OVERLAPPED{};
    Watch.Overlapped.hEvent = Watch.Done;
    Watch.Mask = IsWinNT() ? NTEventMask : NTEventMask | EV_RINGTE;
    SetCommMask(Device(), Watch.Mask);
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(Device(), &timeouts);
    Watch.Watching = Watch.Done != 0;
    return Watch.Watching;
}

// A wait still out is cancelled and its end awaited: the device must not write into the record
// once the thread has gone.
void TVexWin32Dispatcher::EndEventWatch(TEventWatch& Watch) {
    if (Watch.Pending) {
        CancelIo(Device());
        DWORD unused = 0;
        GetOverlappedResult(0, &Watch.Overlapped, &unused, 1);
        Watch.Pending = false;
    }
    if (Watch.Done != 0) CloseHandle(Watch.Done);
    Watch.Done = 0;
}

// The comm events that have happened, waiting for them (or for Wake, or the pass's timer) when none
// has. The wait stays out across passes; a failed one ends the watching.
DWORD TVexWin32Dispatcher::NextEvents(TEventWatch& Watch, HANDLE Wake) {
    if (Watch.Watching && !Watch.Pending) {
        Watch.Events = 0;
        // Called directly: the loop runs on while a destructor may be storing the object's type.
        if (TVexWin32Dispatcher::WaitComEvent(Watch.Events, &Watch.Overlapped)) return Watch.Events;
        const DWORD error = GetLastError();
        if (error == ERROR_INVALID_PARAMETER && (Watch.Mask & EV_RINGTE) != 0) {
            Watch.Mask = NTEventMask;
            SetCommMask(Device(), Watch.Mask);
            return 0;
        }
        Watch.Pending = error == ERROR_IO_PENDING;
        Watch.Watching = Watch.Pending;
    }
    const DWORD timeout = DispatchTimerHeld() ? INFINITE : DispatchWaitMs;
    if (!Watch.Pending) {
        WaitForSingleObject(Wake, timeout);
        return 0;
    }
    const HANDLE waits[2] = {Wake, Watch.Done};
    WaitForMultipleObjects(2, waits, 0, timeout);
    if (!HasOverlappedIoCompleted(&Watch.Overlapped)) return 0;
    Watch.Pending = false;
    DWORD unused = 0;
    if (GetOverlappedResult(0, &Watch.Overlapped, &unused, 0)) return Watch.Events;
    Watch.Watching = false;
    return 0;
}

void TVexWin32Dispatcher::DispThreadExecute() {
    // However the thread ends, ThreadGone finishes a close that was asked for meanwhile.
    struct TExitRecord {
        TVexWin32Dispatcher* Disp;
        ~TExitRecord() { Disp->DoneOnThreadExit = Disp->FClosePending || Disp->KillThreads; }
    } exitRecord{this};

    HANDLE comEvent, started;
    {
        TCriticalSectionLock lock(ListLock);
        comEvent = ComEvent;
        started = StartedEvent;
    }
    // This thread waits for the device's events itself: an arrival wakes the thread that delivers
    // it, with none between them.
    TEventWatch watch;
    struct TWatchEnd {
        TVexWin32Dispatcher* Disp;
        TEventWatch& Watch;
        ~TWatchEnd() { Disp->EndEventWatch(Watch); }
    } watchEnd{this, watch};
    StartEventWatch(watch);
    SetEvent(started);
    for (;;) {
        const DWORD events = NextEvents(watch, comEvent);
        if (KillThreads) return;
        if ((events & (EV_RING | EV_RINGTE)) != 0) RingTrailingEdge = true;
        DispatchPassA(events);
        DispatchPassB();
        if (KillThreads || FClosePending) break;
    }
    SetEvent(started);
}

bool TVexWin32Dispatcher::KeepChecking() const {
    // A stop must not wait behind a stream of deliveries.
    return !FClosePending && !KillThreads && !EventBusy();
}

void TVexWin32Dispatcher::CheckStatusTriggersWhileDelivered() {
    while (KeepChecking() && CheckStatusTriggers()) {
    }
}

void TVexWin32Dispatcher::ResetStatusHitsIfAny() {
    bool hit;
    {
        TCriticalSectionLock lock(ListLock);
        hit = StatusHit;
    }
    if (hit) ResetStatusHits();
}

void TVexWin32Dispatcher::DispatchPassA(DWORD Events) {
    if ((Events & ModemEvents) != 0) {
        MapEventsToMS(Events);
        CheckStatusTriggersWhileDelivered();
        ResetStatusHitsIfAny();
    }
    if ((Events & LineEvents) != 0) {
        RefreshStatus();
        CheckStatusTriggersWhileDelivered();
    }
    // The device's status once a pass: its reads are not preceded by a count.
    RefreshStatus();
    const bool more = ExtractAndCheck([this] {
        if (RereadModemStatus()) GetModemStatus();
        CheckStatusTriggersWhileDelivered();
        while (KeepChecking() && CheckReceiveTriggers()) {
        }
    });
    ResetStatusHitsIfAny();
    // Bytes left at the pass's budget are taken by the next pass at once, not after the timer.
    if (more) {
        HANDLE comEvent;
        {
            TCriticalSectionLock lock(ListLock);
            comEvent = ComEvent;
        }
        SetEvent(comEvent);
    }
}

// Timer triggers are checked here, so they fire within 50 ms of expiring.
void TVexWin32Dispatcher::DispatchPassB() {
    if (FClosePending || EventBusy()) return;
    {
        TCriticalSectionLock lock(ListLock);
        StatusHit = false;
    }
    while (KeepChecking() && (CheckStatusTriggers() || CheckTimerTriggers())) {
    }
    ResetStatusHitsIfAny();
}

// --- Output thread ------------------------------------------------------------------------------

void TVexWin32Dispatcher::OutThreadExecute() {
    HANDLE waits[2], writeDone, started;
    {
        TCriticalSectionLock lock(ListLock);
        waits[0] = OutputReadyEvent;
        waits[1] = StopOutputEvent;
        writeDone = WriteDoneEvent;
        started = StartedEvent;
    }
    // Lives as long as the thread: no write is left pending on it when the thread ends.
    OVERLAPPED overlapped;
    overlapped.hEvent = writeDone;
    SetEvent(started);
    do {
        const DWORD woke = WaitForMultipleObjects(2, waits, 0, INFINITE);
        if (woke == WAIT_OBJECT_0) {
            if (KillThreads) break;
            WriteOutput(overlapped, writeDone, waits[1], started);
        } else if (woke == WAIT_OBJECT_0 + 1) {
            SetEvent(started); // flush acknowledged
        } else {
            break;
        }
    } while (!KillThreads && !FClosePending);
    // A flush that started meanwhile must not wait for an acknowledgement that cannot come.
    SetEvent(started);
}

// Under the output lock. The bytes from the tail as one run; bytes that wrap round the end are
// first rotated to the start of the ring, so that one write takes them all.
bool TVexWin32Dispatcher::TakeOutputRun(char*& Run, DWORD& Len) {
    if (!OutBuffer || OutUsed == 0) return false;
    if (OutTail < OutHead) {
        Len = OutHead - OutTail;
    } else if (OutHead == 0) {
        Len = OutSize - OutTail;
    } else {
        std::rotate(OutBuffer.get(), OutBuffer.get() + OutTail, OutBuffer.get() + OutSize);
        OutTail = 0;
        OutHead = OutUsed % OutSize;
        Len = OutUsed;
    }
    Run = OutBuffer.get() + OutTail;
    return true;
}

// Under the output lock. Bytes of a run taken before a flush emptied the ring are not there to
// advance over.
void TVexWin32Dispatcher::AdvanceOutputTail(DWORD Written, DWORD Generation) {
    if (Generation != OutGeneration || !OutBuffer) return;
    const DWORD n = std::min(Written, OutUsed);
    if (n == 0) return;
    OutTail = (OutTail + n) % OutSize;
    OutUsed -= n;
    if (OutUsed == 0) {
        OutHead = 0;
        OutTail = 0;
    }
    OutBufferFull = false;
}

void TVexWin32Dispatcher::WriteOutput(OVERLAPPED& Overlapped, HANDLE WriteDone, HANDLE StopOutput,
                                      HANDLE Started) {
    for (;;) {
        if (KillThreads) return;
        // A flush waiting is served before anything more is sent.
        if (WaitForSingleObject(StopOutput, 0) == WAIT_OBJECT_0) {
            SetEvent(Started);
            return;
        }
        DWORD len = 0, generation = 0, written = 0, error = 0;
        bool done;
        {
            TCriticalSectionLock lock(OutputLock);
            char* run = nullptr;
            if (!TakeOutputRun(run, len)) return;
            generation = OutGeneration;
            // The device copies the bytes before WriteFile returns and never waits in it, so the
            // lock is held only for the copy, and a flush cannot empty the ring under it.
            done = WriteFile(Device(), run, len, &written, &Overlapped) != 0;
            if (done)
                AdvanceOutputTail(written, generation);
            else
                error = GetLastError();
        }
        if (done) continue;
        if (error == ERROR_IO_PENDING) {
            const HANDLE waits[2] = {WriteDone, StopOutput};
            const DWORD woke = WaitForMultipleObjects(2, waits, 0, INFINITE);
            if (woke != WAIT_OBJECT_0) {
                // Abandoned (flush or stop): the record is free again before anything reuses it.
                CancelIo(Device());
                GetOverlappedResult(Device(), &Overlapped, &written, 1);
                if (woke == WAIT_OBJECT_0 + 1) SetEvent(Started);
                return;
            }
            ResetEvent(WriteDone);
            if (GetOverlappedResult(Device(), &Overlapped, &written, 0)) {
                TCriticalSectionLock lock(OutputLock);
                AdvanceOutputTail(written, generation);
                continue;
            }
            error = GetLastError();
        }
        // The device failed the run. It leaves the ring so that output goes on, but PutBlock had
        // reported these bytes as accepted: the loss is reported, unless a purge or close took them.
        bool lost;
        {
            TCriticalSectionLock lock(OutputLock);
            lost = generation == OutGeneration && OutBuffer != nullptr;
            AdvanceOutputTail(len, generation);
        }
        if (lost && error != ERROR_OPERATION_ABORTED) ReportWriteFailure(len);
    }
}

// A line error like any other: GetLineError answers it, line-status triggers watching errors fire
// on the next pass (woken now), and the dispatch log records the loss.
void TVexWin32Dispatcher::ReportWriteFailure(DWORD Lost) {
    HANDLE comEvent;
    {
        TCriticalSectionLock lock(ListLock);
        LineErrors |= LineErrorWriteFailed;
        if (LoggingOn) AddDispatchEntry(dtError, dstWriteCom, 0, nullptr, Lost);
        comEvent = ComEvent;
    }
    SetEvent(comEvent);
}

// --- Telephony handle ---------------------------------------------------------------------------

TVexTAPI32Dispatcher::TVexTAPI32Dispatcher(TComponent* Owner, HANDLE Handle)
    : TVexWin32Dispatcher(Owner), TapiHandle(Handle) {}

int TVexTAPI32Dispatcher::OpenCom(const char* /*ComName*/, DWORD /*InQueue*/, DWORD /*OutQueue*/) {
    if (TapiHandle == 0) {
        SetLastError(static_cast<DWORD>(-ecCommNotOpen));
        return ecCommNotOpen;
    }
    if (!PrepareDevice(TapiHandle)) {
        FDeviceId = static_cast<int>(TapiHandle);
        CloseCom();
        return -1;
    }
    return static_cast<int>(TapiHandle);
}
