// Named mutexes and semaphores as a single-instance check across processes. A named object exists
// while any process holds a handle to it; the second creator gets a valid handle and
// ERROR_ALREADY_EXISTS. Behind each name is a per-user lock file that every holder keeps a shared
// flock on.
#pragma once

#include "platform/win/Types.h"

// name may be null (a private mutex, never "already existing"). Returns 0 on failure (the lock
// directory cannot be made). The handle is closed with CloseHandle; waiting on it is not supported.
HANDLE CreateMutex(void* securityAttributes, BOOL initialOwner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);
// The same for a semaphore: it exists while a handle to it is open anywhere. Its count is not kept
// (waiting on it and releasing it are not supported); a maximum below 1 or an initial count outside
// 0..maximum fails with ERROR_INVALID_PARAMETER. Mutexes and semaphores share one name space.
HANDLE CreateSemaphoreA(void* securityAttributes, LONG initialCount, LONG maximumCount, const char* name);
inline HANDLE CreateSemaphore(void* securityAttributes, LONG initialCount, LONG maximumCount,
                              const char* name) {
    return CreateSemaphoreA(securityAttributes, initialCount, maximumCount, name);
}
