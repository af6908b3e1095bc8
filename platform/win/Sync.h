// Kernel synchronisation: critical sections, events, waits on one or many objects, interlocked
// counters and Sleep. Event and thread handles come from one handle table; CloseHandle frees them.
#pragma once

#include "platform/win/Types.h"

#include <memory>

// A recursive lock, as a critical section is: the owning thread may enter again.
struct TRTLCriticalSection {
    TRTLCriticalSection();
    ~TRTLCriticalSection();
    TRTLCriticalSection(const TRTLCriticalSection&) = delete;
    TRTLCriticalSection& operator=(const TRTLCriticalSection&) = delete;
    struct Impl;
    std::unique_ptr<Impl> impl;
};
using CRITICAL_SECTION = TRTLCriticalSection;

void InitializeCriticalSection(TRTLCriticalSection* cs);
void DeleteCriticalSection(TRTLCriticalSection* cs);
void EnterCriticalSection(TRTLCriticalSection* cs);
void LeaveCriticalSection(TRTLCriticalSection* cs);
BOOL TryEnterCriticalSection(TRTLCriticalSection* cs);

// Scoped hold of a critical section.
class TCriticalSectionLock {
public:
    explicit TCriticalSectionLock(TRTLCriticalSection& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    ~TCriticalSectionLock() { LeaveCriticalSection(&cs_); }
    TCriticalSectionLock(const TCriticalSectionLock&) = delete;
    TCriticalSectionLock& operator=(const TCriticalSectionLock&) = delete;

private:
    TRTLCriticalSection& cs_;
};

// Events: manual reset stays signalled until ResetEvent; auto reset releases one waiter and clears.
// Returns 0 on failure. The name is accepted and ignored (no cross-process objects here).
HANDLE CreateEvent(void* securityAttributes, BOOL manualReset, BOOL initialState, const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
BOOL PulseEvent(HANDLE event);
// Closes an event or thread handle, or a handle of a service that registered its own range.
BOOL CloseHandle(HANDLE object);
// A service whose handles start at first (above every kernel-object handle) closes them itself.
using THandleCloser = BOOL (*)(HANDLE);
void RegisterHandleCloser(HANDLE first, THandleCloser closer);

// Waits on events and thread handles (a thread handle is signalled once the thread has ended).
// Results: WAIT_OBJECT_0 + index, WAIT_TIMEOUT, or WAIT_FAILED for a bad handle.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds);

// Like WaitForMultipleObjects, but also returns WAIT_OBJECT_0 + count when a message, a due timer,
// the quit or a cross-thread send is there for the calling thread (with waitAll: all the objects, or
// that). It does not take the message; a send is served before it returns.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask);

LONG InterlockedIncrement(volatile LONG* addend);
LONG InterlockedDecrement(volatile LONG* addend);
LONG InterlockedExchange(volatile LONG* target, LONG value);
LONG InterlockedExchangeAdd(volatile LONG* addend, LONG value);
LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand);

// Blocks the calling thread; processes no messages. Sleep(0) yields the processor.
void Sleep(DWORD milliseconds);

DWORD GetLastError();
void SetLastError(DWORD error);

DWORD GetCurrentThreadId();
// The thread the platform treats as the GUI thread: the one that first used the platform, or the
// Qt application's thread once one exists.
DWORD MainThreadId();
