// Lets Qt's event loop and the platform's message queue run on one thread.
//
// After InstallQtPump, the Qt application's thread is the main thread: whatever is queued for it from
// any thread (posts, sends, synchronized calls, due window timers) is served while Qt's own loop runs,
// and every pump of ours on that thread lets Qt handle its pending events.
#pragma once

#include <exception>
#include <functional>

// Call on the Qt application's thread once QCoreApplication exists; a second call does nothing. The
// pump stays until the application object is destroyed.
void InstallQtPump();

// Receives an exception that a handler raised while Qt's loop served the queue (the handler was run
// by Qt's loop, so there is no caller to take it). By default it is reported with qWarning.
void SetQtPumpExceptionHandler(std::function<void(std::exception_ptr)> handler);
