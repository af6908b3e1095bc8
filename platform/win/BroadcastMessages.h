// Window messages registered by name, and posts to every top-level window, of this run and of the
// user's other runs.
//
// A name gets the same number (0xC000..0xFFFF) however often it is registered in a run, whatever its
// case. Each run numbers its names itself, so a broadcast of a registered message travels to the
// other runs by its name (over the run service, platform/win/RunService.h) and arrives there under
// that run's number for the name. Other messages are not passed on: their parameters may mean
// nothing outside this run.
#pragma once

#include "platform/win/Types.h"

// PostMessage to this handle posts to every broadcast receiver.
inline constexpr HWND HWND_BROADCAST = 0xFFFF;

// 0 for a null or empty name, or when all numbers are taken. The first registration in a run also
// lets this run take the broadcasts of other runs (on the calling thread: the GUI thread).
UINT RegisterWindowMessageA(const char* name);
inline UINT RegisterWindowMessage(const char* name) {
    return RegisterWindowMessageA(name);
}

// A top-level window of this run: broadcasts reach it (until it is destroyed or taken off).
void SetBroadcastReceiver(HWND wnd, bool receives);

// Posts to every live receiver of this run, and a registered message also to the other runs. True
// when anything took the message.
BOOL BroadcastMessage(UINT msg, WPARAM wParam, LPARAM lParam);
