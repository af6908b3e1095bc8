#include "communications/tests/support/MemoryDispatcher.h"

#include "communications/VxMisc.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace {
std::atomic<int> FreshDeviceId{1000};
}

// The dispatch thread of the worker mode.
class TMemoryWorker : public TVexDispatcherThread {
public:
    // Started by the dispatcher once it holds the reference, so ThreadGone always finds it.
    explicit TMemoryWorker(TMemoryDispatcher* Disp) : TVexDispatcherThread(Disp), Owner(Disp) {}

protected:
    void Execute() override { Owner->WorkerLoop(); }

private:
    TMemoryDispatcher* Owner;
};

TMemoryDispatcher::TMemoryDispatcher(TMode Mode, TComponent* Owner) : TVexBaseDispatcher(Owner), FMode(Mode) {
    Line.BaudRate = 9600;
    Line.ByteSize = 8;
    Line.Parity = NOPARITY;
    Line.StopBits = ONESTOPBIT;
    Wake = CreateEvent(nullptr, 0, 0, nullptr);
}

TMemoryDispatcher::~TMemoryDispatcher() {
    BeforeDestruction();
    CloseHandle(Wake);
}

int TMemoryDispatcher::Open(DWORD OutQueue) {
    return InitPort("COM1", 9600, InitAssertDtr | InitAssertRts, OutQueue, 4096, 1, 8, NOPARITY);
}

// --- Device side ------------------------------------------------------------------------------

void TMemoryDispatcher::Receive(const std::string& Bytes) {
    {
        std::lock_guard<std::mutex> lock(DeviceMutex);
        Input.insert(Input.end(), Bytes.begin(), Bytes.end());
    }
    SetEvent(Wake);
}

DWORD TMemoryDispatcher::DeviceInQueue() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return static_cast<DWORD>(Input.size());
}

std::string TMemoryDispatcher::TakeSent() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return std::exchange(Sent, std::string());
}

void TMemoryDispatcher::SetBytesWaitingOut(DWORD Count) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    WaitingOut = Count;
}

void TMemoryDispatcher::SetHoldOutput(bool Hold) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    HoldOutput = Hold;
}

void TMemoryDispatcher::SetKeepSent(bool Keep) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    KeepSent = Keep;
}

void TMemoryDispatcher::FailReads(int Code, int Times) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    ReadFailCode = Code;
    ReadFailTimes = Times;
}

void TMemoryDispatcher::SetReadExcess(int Extra) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    ReadExcess = Extra;
}

void TMemoryDispatcher::FailWrites(int Result) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    WriteFails = true;
    WriteResult = Result;
}

void TMemoryDispatcher::SetModemLines(DWORD Lines) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    ModemLines = Lines;
}

void TMemoryDispatcher::ChangeModemLines(DWORD Lines) {
    SetModemLines(Lines);
    MapEventsToMS(EV_CTS | EV_DSR | EV_RLSD | EV_RING);
}

void TMemoryDispatcher::SignalRingTrailingEdge() {
    RingTrailingEdge = true;
}

void TMemoryDispatcher::SetHoldFlags(DWORD Flags) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    HoldFlags = Flags;
}

void TMemoryDispatcher::FailEscapes(bool Fail) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    EscapesFail = Fail;
}

void TMemoryDispatcher::SetComStateResult(int Result) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    ComStateResult = Result;
}

void TMemoryDispatcher::SetDeviceErrors(int Bits) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    PendingErrors = Bits;
}

void TMemoryDispatcher::FailOpen(int Result, DWORD LastError) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    OpenResult = Result;
    OpenError = LastError;
}

void TMemoryDispatcher::FailSetup(DWORD LastError) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    SetupError = LastError;
}

void TMemoryDispatcher::SetNextDeviceId(int Id) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    NextDeviceId = Id;
}

void TMemoryDispatcher::SetDeviceDCB(const DCB& Dcb) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    Line = Dcb;
}

DCB TMemoryDispatcher::DeviceDCB() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return Line;
}

std::vector<int> TMemoryDispatcher::Escapes() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return EscapeLog;
}

std::vector<int> TMemoryDispatcher::ReadSizes() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return ReadLog;
}

bool TMemoryDispatcher::DtrOn() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return Dtr;
}

bool TMemoryDispatcher::RtsOn() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return Rts;
}

bool TMemoryDispatcher::BreakOn() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return Break;
}

int TMemoryDispatcher::SetComStateCalls() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return SetStateCount;
}

int TMemoryDispatcher::ClearErrorCalls() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return ClearErrorCount;
}

int TMemoryDispatcher::InputFlushes() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return InFlushCount;
}

int TMemoryDispatcher::OutputFlushes() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return OutFlushCount;
}

bool TMemoryDispatcher::DeviceOpen() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return Opened;
}

// --- Worker mode ------------------------------------------------------------------------------

void TMemoryDispatcher::RunOnWorker(std::function<void()> Job) {
    {
        std::lock_guard<std::mutex> lock(JobMutex);
        Jobs.push_back(std::move(Job));
    }
    SetEvent(Wake);
}

bool TMemoryDispatcher::WaitWorkerIdle(DWORD TimeoutMs) {
    const std::uint64_t deadline = MonotonicMs() + TimeoutMs;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(JobMutex);
            if (Jobs.empty() && JobsRunning == 0) return true;
        }
        if (MonotonicMs() >= deadline) return false;
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
}

bool TMemoryDispatcher::RunJobs() {
    bool ran = false;
    for (;;) {
        std::function<void()> job;
        {
            std::lock_guard<std::mutex> lock(JobMutex);
            if (Jobs.empty()) return ran;
            job = std::move(Jobs.front());
            Jobs.pop_front();
            ++JobsRunning;
        }
        job();
        ran = true;
        std::lock_guard<std::mutex> lock(JobMutex);
        --JobsRunning;
    }
}

void TMemoryDispatcher::WorkerLoop() {
    while (!KillThreads && !FClosePending) {
        WaitForSingleObject(Wake, 20);
        if (KillThreads) break;
        DispatchPass();
        RunJobs();
    }
    DoneOnThreadExit = FClosePending || KillThreads;
}

// --- Device operations --------------------------------------------------------------------------

int TMemoryDispatcher::EscapeComFunction(int Func) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    EscapeLog.push_back(Func);
    if (EscapesFail) return -1;
    switch (static_cast<DWORD>(Func)) {
    case SETDTR:
    case CLRDTR:
        Dtr = Func == SETDTR;
        break;
    case SETRTS:
    case CLRRTS:
        Rts = Func == SETRTS;
        break;
    case SETBREAK:
    case CLRBREAK:
        Break = Func == SETBREAK;
        break;
    default:
        break;
    }
    return 0;
}

int TMemoryDispatcher::FlushCom(int Queue) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    if (Queue == 0) {
        WaitingOut = 0;
        ++OutFlushCount;
    } else {
        Input.clear();
        ++InFlushCount;
    }
    return 0;
}

int TMemoryDispatcher::GetComError(COMSTAT& Stat) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    Stat.Flags = HoldFlags;
    Stat.cbInQue = static_cast<DWORD>(Input.size());
    Stat.cbOutQue = WaitingOut;
    return std::exchange(PendingErrors, 0);
}

int TMemoryDispatcher::GetComEventMask(int EvtMask) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    if (EvtMask == -1) ++ClearErrorCount;
    return 0;
}

int TMemoryDispatcher::GetComState(DCB& Dcb) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    Dcb = Line;
    return 0;
}

int TMemoryDispatcher::ReadCom(char* Buf, int Size) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    ReadLog.push_back(Size);
    if (ReadFailTimes > 0) {
        --ReadFailTimes;
        return ReadFailCode;
    }
    const int count = std::min(Size, static_cast<int>(Input.size()));
    std::copy_n(Input.begin(), count, Buf);
    Input.erase(Input.begin(), Input.begin() + count);
    return count + ReadExcess;
}

int TMemoryDispatcher::SetComState(DCB& Dcb) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    Line = Dcb;
    ++SetStateCount;
    return ComStateResult;
}

int TMemoryDispatcher::WriteCom(const char* Buf, int Size) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    if (WriteFails) return WriteResult;
    if (KeepSent) Sent.append(Buf, static_cast<std::size_t>(Size));
    if (HoldOutput) WaitingOut += static_cast<DWORD>(Size);
    return Size;
}

bool TMemoryDispatcher::WaitComEvent(DWORD& EvtMask, OVERLAPPED*) {
    EvtMask = 0;
    return true;
}

bool TMemoryDispatcher::SetupCom(int, int) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    if (SetupError == 0) return true;
    SetLastError(SetupError);
    return false;
}

void TMemoryDispatcher::StartDispatcher() {
    {
        TCriticalSectionLock lock(ListLock);
        if (FDispatcherStarted) throw Exception("Dispatcher already started");
        FDispatcherStarted = true;
        KillThreads = false;
    }
    if (FMode == TMode::Worker) {
        auto* worker = new TMemoryWorker(this);
        WorkerId = worker->ThreadID();
        DispThread = worker;
        worker->Start();
    }
}

void TMemoryDispatcher::StopDispatcher() {
    if (!FDispatcherStarted) return;
    KillThreads = true;
    SetEvent(Wake);
    if (FMode == TMode::Manual) {
        FDispatcherStarted = false;
        return;
    }
    // The worker itself stops from its ThreadGone; it must not wait for its own end.
    if (WorkerId == GetCurrentThreadId()) return;
    WaitForThreads();
}

int TMemoryDispatcher::OpenCom(const char*, DWORD, DWORD) {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    if (OpenResult < 0) {
        SetLastError(OpenError);
        return std::exchange(OpenResult, 0);
    }
    Opened = true;
    return NextDeviceId != 0 ? std::exchange(NextDeviceId, 0) : FreshDeviceId++;
}

int TMemoryDispatcher::CloseCom() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    Opened = false;
    return 0;
}

int TMemoryDispatcher::ProcessCommunications() {
    if (FMode == TMode::Manual) DispatchPass();
    return 0;
}

DWORD TMemoryDispatcher::GetComModemStatus() {
    std::lock_guard<std::mutex> lock(DeviceMutex);
    return ModemLines;
}
