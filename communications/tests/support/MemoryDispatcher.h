// A dispatcher whose device is memory: the test puts "received" bytes in and reads back what the
// dispatcher wrote. The dispatch pass runs on the caller's thread (ProcessCommunications), or, in
// the worker mode, on one dispatcher thread that also runs jobs the test hands it.
#pragma once

#include "communications/VxUser.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class TMemoryDispatcher : public TVexBaseDispatcher {
public:
    enum class TMode { Manual, Worker };

    explicit TMemoryDispatcher(TMode Mode = TMode::Manual, TComponent* Owner = nullptr);
    ~TMemoryDispatcher() override;

    // Opens with the device's own line (9600 8N1), 4096-byte queues, DTR and RTS on.
    int Open(DWORD OutQueue = 4096);

    // --- Device side ---
    void Receive(const std::string& Bytes);
    DWORD DeviceInQueue();
    // Everything written so far, removed from the device.
    std::string TakeSent();
    // Bytes the device reports as waiting to go out.
    void SetBytesWaitingOut(DWORD Count);
    // Written bytes stay waiting out instead of leaving at once.
    void SetHoldOutput(bool Hold);
    // Written bytes are dropped (benchmarks).
    void SetKeepSent(bool Keep);
    // The next Times reads answer Code.
    void FailReads(int Code, int Times);
    // Reads claim Extra bytes more than they delivered.
    void SetReadExcess(int Extra);
    // Every write answers Result (0, negative, or a count short of the block).
    void FailWrites(int Result);
    void SetModemLines(DWORD Lines);
    // The lines change and the device reports it, as a comm-event thread does (MapEventsToMS).
    void ChangeModemLines(DWORD Lines);
    // RI has dropped since the last read (the comm-event thread's ring event).
    void SignalRingTrailingEdge();
    // Hold bits the device reports (COMSTAT.Flags: waiting for CTS or DSR, XOFF held or sent).
    void SetHoldFlags(DWORD Flags);
    // Escape functions fail (DTR, RTS, break).
    void FailEscapes(bool Fail);
    // What SetComState answers; the block is stored whatever the answer.
    void SetComStateResult(int Result);
    // The next GetComError reports these line-error bits.
    void SetDeviceErrors(int Bits);
    // The next open fails: OpenCom answers Result with LastError set.
    void FailOpen(int Result, DWORD LastError);
    void FailSetup(DWORD LastError);
    // The id the next open answers (default: a fresh one).
    void SetNextDeviceId(int Id);
    void SetDeviceDCB(const DCB& Dcb);
    DCB DeviceDCB();

    // --- What the dispatcher did to the device ---
    std::vector<int> Escapes();
    // The line states the escape functions left.
    bool DtrOn();
    bool RtsOn();
    bool BreakOn();
    std::vector<int> ReadSizes();
    int SetComStateCalls();
    int ClearErrorCalls(); // GetComEventMask(-1)
    int InputFlushes();
    int OutputFlushes();
    bool DeviceOpen();

    // --- Worker mode ---
    TVexDispatcherThread* DispatchThread() const { return DispThread; }
    // Runs Job on the worker after its next pass.
    void RunOnWorker(std::function<void()> Job);
    // Serves this thread's messages and synchronised calls until the worker has run every job;
    // false when that took longer than TimeoutMs.
    bool WaitWorkerIdle(DWORD TimeoutMs = 5000);

    // Device operations.
    int EscapeComFunction(int Func) override;
    int FlushCom(int Queue) override;
    int GetComError(COMSTAT& Stat) override;
    int GetComEventMask(int EvtMask) override;
    int GetComState(DCB& Dcb) override;
    int ReadCom(char* Buf, int Size) override;
    int SetComState(DCB& Dcb) override;
    int WriteCom(const char* Buf, int Size) override;
    bool WaitComEvent(DWORD& EvtMask, OVERLAPPED* Overlapped) override;
    bool SetupCom(int InQueue, int OutQueue) override;
    void StartDispatcher() override;
    void StopDispatcher() override;
    int OpenCom(const char* ComName, DWORD InQueue, DWORD OutQueue) override;
    int CloseCom() override;
    int ProcessCommunications() override;
    DWORD GetComModemStatus() override;

private:
    friend class TMemoryWorker;
    void WorkerLoop();
    bool RunJobs();

    TMode FMode;
    std::mutex DeviceMutex;
    std::deque<char> Input;
    std::string Sent;
    DWORD WaitingOut = 0;
    bool HoldOutput = false;
    bool KeepSent = true;
    int ReadFailCode = 0;
    int ReadFailTimes = 0;
    int ReadExcess = 0;
    bool WriteFails = false;
    int WriteResult = 0;
    DWORD ModemLines = 0;
    DWORD HoldFlags = 0;
    bool EscapesFail = false;
    int ComStateResult = 0;
    bool Dtr = false;
    bool Rts = false;
    bool Break = false;
    int PendingErrors = 0;
    int OpenResult = 0;
    DWORD OpenError = 0;
    DWORD SetupError = 0;
    int NextDeviceId = 0;
    DCB Line;
    std::vector<int> EscapeLog;
    std::vector<int> ReadLog;
    int SetStateCount = 0;
    int ClearErrorCount = 0;
    int InFlushCount = 0;
    int OutFlushCount = 0;
    bool Opened = false;

    std::mutex JobMutex;
    std::deque<std::function<void()>> Jobs;
    int JobsRunning = 0;
    HANDLE Wake = INVALID_HANDLE_VALUE;
    std::atomic<DWORD> WorkerId{0};
};
