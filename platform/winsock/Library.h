// Loading the socket library by name: LoadLibrary("WSOCK32") and GetProcAddress for each of its
// entry points, so code that binds Winsock at run time keeps doing so. The socket library is the
// only one this platform provides; any other name is not found.
#pragma once

#include "platform/win/Types.h"

using FARPROC = void (*)();

// Accepts the name with or without ".dll", in any case. Returns 0 for any other library
// (GetLastError 126). Each successful load must be matched by a FreeLibrary.
HMODULE LoadLibrary(const char* fileName);
// The entry point of that name, or null (GetLastError 127) for an unknown name or a module that is
// not loaded. Cast the result to the entry point's own type before calling it.
FARPROC GetProcAddress(HMODULE module, const char* procName);
BOOL FreeLibrary(HMODULE module);
