// TThread: a worker thread object with the class library's life cycle.
//
// Execute runs on the new thread. Synchronize runs a method on the main thread while the calling
// thread waits; the main thread serves it whenever it pumps (GetMessage, PeekMessage, the waits
// that pump, ProcessMessages, Qt's loop). Called on the main thread it runs at once.
// A thread with FreeOnTerminate deletes itself after Execute and OnTerminate.
//
// A thread is always created suspended: Execute is virtual, so it must not start before the
// most-derived constructor has finished. A class that runs at once calls Start() as the last
// statement of its own constructor.
#pragma once

#include "platform/win/Types.h"

#include <functional>
#include <memory>

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
public:
    using TThreadMethod = std::function<void()>;
    using TNotifyEvent = std::function<void(TThread*)>;

    TThread();
    // Terminates and waits for the thread unless it frees itself (a self-freeing thread is deleted
    // by its own thread and must not be deleted by anyone else). By then the derived parts are gone:
    // a class whose Execute uses its own members calls Terminate and WaitFor in its own destructor.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume(); // starts a thread created suspended
    void Start() { Resume(); }
    void Terminate(); // sets Terminated; Execute is expected to look at it
    // Waits for the end of Execute and returns ReturnValue. On the main thread the wait serves
    // synchronized calls, so a worker blocked in Synchronize can finish.
    int WaitFor();

    bool Terminated() const;
    bool Finished() const;
    bool Suspended() const;
    DWORD ThreadID() const;
    // Signalled when the thread has ended; valid for WaitForSingleObject until the object is freed.
    HANDLE Handle() const;

    bool FreeOnTerminate = false;
    int ReturnValue = 0;
    TThreadPriority Priority = TThreadPriority::tpNormal;
    // Runs on the main thread (through Synchronize) after Execute returns.
    TNotifyEvent OnTerminate;

    // Runs method on the main thread and waits for it; an exception it raises is carried back and
    // raised again on the calling thread.
    void Synchronize(const TThreadMethod& method);
    static void Synchronize(TThread* thread, const TThreadMethod& method);

protected:
    virtual void Execute() = 0;
    // Called on the thread itself just before it ends, after OnTerminate.
    virtual void DoTerminate();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    friend struct ThreadRunner;
};

// Runs every synchronized call waiting for the main thread; returns true when one ran. The pumps
// call it; exposed for loops that wait in other ways.
bool CheckSynchronize(DWORD timeoutMs = 0);
