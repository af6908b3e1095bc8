// The serial device layer: a dispatcher whose device is a serial port opened as "\\.\COMn". While
// the port is open two workers run it: TDispThread waits for comm events and runs the dispatch pass
// on each of them and at least every 50 ms (so trigger handlers registered without synchronisation
// run on it), and TOutThread writes the output ring to the device, so PutBlock returns as soon as
// the bytes are in the ring.
#pragma once

#include "communications/VxUser.h"
#include "platform/comm/Comm.h"

#include <atomic>
#include <functional>

class TDispThread;
class TOutThread;

class TVexWin32Dispatcher : public TVexBaseDispatcher {
public:
    explicit TVexWin32Dispatcher(TComponent* Owner);
    ~TVexWin32Dispatcher() override;

    int EscapeComFunction(int Func) override;
    // Output (0): the output thread abandons any write in progress and acknowledges within 5000 ms;
    // then the output ring and the device's transmit side are emptied.
    int FlushCom(int Queue) override;
    // Bytes waiting out are those of the output ring, whatever the device still holds.
    int GetComError(COMSTAT& Stat) override;
    int GetComEventMask(int EvtMask) override;
    int GetComState(DCB& Dcb) override;
    int ReadCom(char* Buf, int Size) override;
    int SetComState(DCB& Dcb) override;
    // Copies into the output ring and wakes the output thread.
    int WriteCom(const char* Buf, int Size) override;
    bool WaitComEvent(DWORD& EvtMask, OVERLAPPED* Overlapped) override;
    bool SetupCom(int InQueue, int OutQueue) override;
    void StartDispatcher() override;
    // Wakes every worker and waits for them, serving this thread's messages meanwhile. Called on
    // the dispatch thread (a close finished as it ends) it does not wait for that thread.
    void StopDispatcher() override;
    int OpenCom(const char* ComName, DWORD InQueue, DWORD OutQueue) override;
    int CloseCom() override;
    int ProcessCommunications() override;
    DWORD GetComModemStatus() override;
    void DrainCom() override;
    // Reads return at once with what the device holds, however much more has come since it was
    // counted: a pass asks for all the ring can take.
    bool ReadsWhatArrived() const override { return true; }

protected:
    // Creates the read event and makes reads return at once with what the device holds.
    bool PrepareDevice(HANDLE Device);

private:
    friend class TDispThread;
    friend class TOutThread;

    HANDLE Device() const { return static_cast<HANDLE>(FDeviceId.load()); }
    int ReadOnce(char* Buf, int Size); // under the receive lock

    // The dispatch thread's wait for comm events.
    struct TEventWatch {
        OVERLAPPED Overlapped{};
        HANDLE Done = 0;
        DWORD Events = 0; // written by the device when the wait completes
        DWORD Mask = 0;
        bool Pending = false;
        bool Watching = false;
    };
    bool StartEventWatch(TEventWatch& Watch);
    void EndEventWatch(TEventWatch& Watch);
    DWORD NextEvents(TEventWatch& Watch, HANDLE Wake);

    void DispThreadExecute();
    void OutThreadExecute();

    void DispatchPassA(DWORD Events);
    void DispatchPassB();
    bool KeepChecking() const;
    void CheckStatusTriggersWhileDelivered();
    void ResetStatusHitsIfAny();

    // The output ring, under the output lock.
    bool TakeOutputRun(char*& Run, DWORD& Len);
    void AdvanceOutputTail(DWORD Written, DWORD Generation);
    void WriteOutput(OVERLAPPED& Overlapped, HANDLE WriteDone, HANDLE StopOutput, HANDLE Started);
    void ReportWriteFailure(DWORD Lost);

    template <class TWorker> void StartWorker(std::atomic<TVexDispatcherThread*>& Ref, HANDLE Started);
    void WaitForWorker(const std::atomic<TVexDispatcherThread*>& Ref, const std::function<void()>& Wake);
    bool WaitForDispatchThread(DWORD Milliseconds);

    OVERLAPPED ReadOverlapped; // under the receive lock
    HANDLE ReadEvent = INVALID_HANDLE_VALUE;
    // The device's input queue as last set up (0 until then): a read hands over at most this much.
    std::atomic<DWORD> DeviceInQueue{0};
    std::atomic<DWORD> DispThreadId{0};
    DWORD OutUsed = 0;       // bytes in the output ring, under the output lock
    DWORD OutGeneration = 0; // changes when a flush empties the ring under a write
    TRTLCriticalSection FlushLock;
};

// The same layer on a comm handle that a telephony component has opened already.
class TVexTAPI32Dispatcher : public TVexWin32Dispatcher {
public:
    TVexTAPI32Dispatcher(TComponent* Owner, HANDLE Handle);

    // The stored handle; -2007 (device not open) when there is none.
    int OpenCom(const char* ComName, DWORD InQueue, DWORD OutQueue) override;

private:
    HANDLE TapiHandle;
};
