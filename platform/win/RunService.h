// Reaching the other running programs of this user.
//
// Every run that starts the service listens on a local socket of its own, named by its process id,
// in one per-user directory: $XDG_RUNTIME_DIR/vexo/<key>, where the key stands for the settings
// directory (so that runs with other settings do not meet), or <settings directory>/runs when there
// is no runtime directory. Another run is found by listing that directory; a socket nobody listens
// on any more is removed by the first run that finds it dead.
//
// A run announces windows by class name and title (FindWindow in other runs finds them), and takes
// named requests: a handler set for the name runs on the thread that started the service, as a
// message that thread pumps, and its answer goes back to the sender. A sender that gives up never
// has its request run later.
#pragma once

#include "platform/win/Types.h"

#include <functional>
#include <string>
#include <vector>

// Starts this run's service; its requests are handled on the calling thread (the GUI thread). True
// when it runs (also when it ran already); false when no socket could be made.
bool StartRunService();
// Stops listening and removes this run's socket; requests not yet handled are answered as refused.
void StopRunService();
bool RunServiceStarted();

// Other runs find wnd by (className, title) from now on; announcing the same window again replaces
// its entry (a new title hides it from those who look for the old one). Starts the service if needed.
void AnnounceRunWindow(HWND wnd, const std::string& className, const std::string& title);
void WithdrawRunWindow(HWND wnd);

// A window of another run.
struct TRunWindow {
    DWORD ProcessId = 0;
    HWND Wnd = 0;
};
// The other runs of this user, by process id (the live ones, as far as their sockets tell).
std::vector<DWORD> OtherRuns();
// The first window another run announced with that class and title (nullptr matches any).
bool FindRunWindow(const char* className, const char* title, TRunWindow* found);

// The answer of a handler is what SendRunRequest hands back to the sender.
using TRunRequestHandler = std::function<std::string(const std::string& body)>;
// Sets (or, with an empty handler, removes) this run's handler for requests of that name.
void SetRunRequestHandler(const std::string& name, TRunRequestHandler handler);

// Hands the request to the run and waits until its handler has run. False when the run is not
// there, has no handler for the name, or has not started the handler within timeoutMs (then it
// never does).
bool SendRunRequest(DWORD processId, const std::string& name, const std::string& body, std::string* answer,
                    DWORD timeoutMs);
// Hands the request over without waiting for the handler: true once the run has queued it. The
// handler runs when the run pumps; its answer is dropped.
bool PostRunRequest(DWORD processId, const std::string& name, const std::string& body);
// PostRunRequest to every other run; the number that took it.
int BroadcastRunRequest(const std::string& name, const std::string& body);
