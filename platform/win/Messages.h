// Message windows and the per-thread message queue.
//
// Every thread that uses these services has one queue. A window belongs to the thread that created
// it; messages posted to it are queued on that thread and run when the thread pumps (GetMessage,
// PeekMessage, the waits that pump, ProcessMessages). A message for a destroyed window is dropped.
//
// A send from another thread is a request queued on the window's thread: it runs when that thread
// next pumps. SendMessageTimeout gives up on a request that has not started when its time runs out
// (the handler then never runs); a request that has started is waited out. A plain Sleep serves
// nothing. On the Qt application's thread, Qt's own event loop also drains the queue (see QtPump.h).
#pragma once

#include "platform/win/Types.h"

#include <functional>
#include <type_traits>
#include <utility>

// The window procedure as a callable, so that objects can own windows (MakeObjectInstance).
using TWndMethod = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Creates a message-only window owned by the calling thread. className is kept for FindWindow-style
// look-ups and diagnostics. Returns 0 on failure.
HWND CreateMessageWindow(const char* className, TWndMethod proc);
HWND CreateMessageWindow(const char* className, WNDPROC proc);
// Any other callable (a lambda converts to both of the above).
template <class F>
requires(!std::is_same_v<std::decay_t<F>, WNDPROC> && !std::is_same_v<std::decay_t<F>, TWndMethod> &&
         std::is_invocable_r_v<LRESULT, F&, HWND, UINT, WPARAM, LPARAM>) HWND
    CreateMessageWindow(const char* className, F&& proc) {
    return CreateMessageWindow(className, TWndMethod(std::forward<F>(proc)));
}
// Destroys the window: its timers are killed, queued messages and pending sends to it are dropped
// (a waiting sender gets 0). Destroying from another thread is allowed. Returns false for a bad handle.
BOOL DestroyWindow(HWND wnd);
BOOL IsWindow(HWND wnd);
DWORD GetWindowThreadProcessId(HWND wnd, DWORD* processId);

// Window procedures as a window holds them (GWL_WNDPROC): opaque pointer-sized values, called only
// through CallWindowProc. A window has a procedure of its own from its creation, the one it was
// made with, which goes when the window is destroyed; MakeObjectInstance makes one from any
// callable, until FreeObjectInstance. A value is never handed out twice. Messages sent, posted or
// dispatched to a window run its current procedure.
void* MakeObjectInstance(TWndMethod method);
// Nothing for a value that is no procedure, or is a window's own.
void FreeObjectInstance(void* instance);
// The window's current procedure; nullptr for a bad handle.
void* GetWindowProcedure(HWND wnd);
// Makes proc the window's procedure and returns the previous one (subclassing); nullptr, with
// nothing changed, for a bad handle or a value that is no live procedure.
void* SetWindowProcedure(HWND wnd, void* proc);
// Runs the procedure for the message. A procedure that was freed stands for the window's own, as
// does a window's procedure that was freed while installed (a subclass taken off out of order), so
// a window keeps its own handling; for a window that is gone too, DefWindowProc.
LRESULT CallWindowProc(void* proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Default processing for messages a procedure does not handle: returns 0.
LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Queues the message at the end of the window's thread queue; thread-safe, keeps order. A window
// handle of 0 posts to the calling thread's queue (a thread message); HWND_BROADCAST to every
// top-level window (platform/win/BroadcastMessages.h). False for a bad handle.
BOOL PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// As PostMessage, unless the same message (window, number and both parameters) is still waiting
// in the queue: that one then stands for both. For notices that say "look again".
BOOL PostMessageOnce(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// Marks a quit as pending for the calling thread: GetMessage returns false and PeekMessage
// reports WM_QUIT with the exit code in wParam once no other posted message is waiting.
void PostQuitMessage(int exitCode);

// On the window's own thread the procedure is called directly. From another thread the call is
// queued and the caller blocks until it has run (while blocked, the caller serves sends addressed
// to its own windows, so two threads sending to each other do not deadlock).
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// As SendMessage with a limit. Returns nonzero on success with *result set; 0 on time-out (the
// request never ran; GetLastError = ERROR_TIMEOUT) or for a bad or destroyed window
// (ERROR_INVALID_WINDOW_HANDLE). With SMTO_BLOCK the caller serves nothing while it waits.
LRESULT SendMessageTimeout(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                           DWORD* result);

// Window timers: WM_TIMER (wParam = id, lParam = the callback) is made when the owning thread pumps
// and a timer is due; a timer that fell behind fires once, not once per missed period. With a
// window, the id given is used and setting it again restarts it. Without a window, a fresh id is
// returned and the callback is called with (0, WM_TIMER, id, time) when the message is dispatched.
std::uintptr_t SetTimer(HWND wnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND wnd, std::uintptr_t id);

// Waits for a message (posted, a due timer or the pending quit), serving incoming sends meanwhile.
// Returns false for the quit (msg->wParam = exit code; the quit is then consumed), true otherwise.
BOOL GetMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax);
// Serves incoming sends, then looks for one message without waiting. With PM_REMOVE the message
// is taken off the queue. A pending quit is reported as WM_QUIT and, with PM_REMOVE, consumed.
// The filters accept 0, 0 (everything) or a range of message numbers.
BOOL PeekMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
// Blocks until the calling thread has something to pump (a posted message, a due timer, a send, a
// quit) or the time runs out. Returns true when something is there.
BOOL WaitMessageTimeout(DWORD milliseconds);

// Runs GetMessage/DispatchMessage until the quit; returns its exit code.
int RunMessageLoop();
// Dispatches every message waiting for the calling thread (and, on the Qt thread, lets Qt handle
// its pending events) without waiting; a pending quit stays pending. Messages that handlers post
// meanwhile wait for the next call, so a handler that always posts again cannot hold it. Returns
// false when a quit is pending.
bool ProcessMessages();

// Installed by the Qt integration on the GUI thread: called inside every pump of that thread so
// Qt's own events (painting, input) are handled during waits. Any thread may leave it unset.
using TForeignPump = std::function<void()>;
void SetForeignPump(TForeignPump pump);
// Called whenever something is queued for the thread that owns the hook (from any thread), so an
// outside event loop can wake and drain the queue. Set by the Qt integration.
using TQueueWakeHook = std::function<void()>;
void SetQueueWakeHook(DWORD threadId, TQueueWakeHook hook);
// The milliseconds until the calling thread's next timer is due, or INFINITE.
DWORD NextTimerDueMs();
