// Named mutexes as a single-instance check across processes. A named mutex exists while any process
// holds a handle to it; the second creator gets a valid handle and ERROR_ALREADY_EXISTS. Behind each
// name is a per-user lock file that every holder keeps a shared flock on.
#pragma once

#include "platform/win/Types.h"

// name may be null (a private mutex, never "already existing"). Returns 0 on failure (the lock
// directory cannot be made). The handle is closed with CloseHandle; waiting on it is not supported.
HANDLE CreateMutex(void* securityAttributes, BOOL initialOwner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);
