// Windows of other runs of this user, reached over the run service (platform/win/RunService.h).
// FindWindow hands out a local stand-in handle for such a window; the window calls that take one
// pass the call on to the run that owns the window.
#pragma once

#include "platform/win/Types.h"

// This run answers the window calls of other runs (on the GUI thread).
void ServeOtherRuns();
// The stand-in for the first window another run announced with that class and title; 0 when none.
HWND FindOtherRunWindow(const char* className, const char* windowName);

enum class TOtherRunCall : char { IsIconic = 'I', ShowWindow = 'S', SetForegroundWindow = 'F' };
// True when wnd stands for another run's window: the call was passed on, and *result is its answer
// (FALSE when the run is gone).
bool CallOtherRunWindow(HWND wnd, TOtherRunCall call, int arg, BOOL* result);
