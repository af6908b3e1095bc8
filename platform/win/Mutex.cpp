#include "platform/win/Mutex.h"

#include "platform/win/ConfigDir.h"
#include "platform/win/Sync.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr HANDLE kFirstMutexHandle = 0x30000000;

struct Table {
    std::mutex lock;
    std::map<HANDLE, int> fds; // -1 for a private mutex
    HANDLE next = kFirstMutexHandle;
};

Table& Mutexes() {
    static auto* table = new Table;
    return *table;
}

// Every byte of the name survives; '/' and '%' are escaped so that the name stays one file name.
std::string LockFileName(const std::string& name) {
    std::string file;
    for (char c : name) {
        if (c == '/' || c == '%' || c == '\0')
            file += c == '/' ? "%2F" : c == '%' ? "%25" : "%00";
        else
            file += c;
    }
    return file;
}

int OpenLockFile(const std::string& path) {
    int fd;
    do fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int Flock(int fd, int op) {
    int rc;
    do rc = ::flock(fd, op);
    while (rc < 0 && errno == EINTR);
    return rc;
}

BOOL CloseMutex(HANDLE handle) {
    Table& t = Mutexes();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.fds.find(handle);
    if (it == t.fds.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (it->second >= 0) ::close(it->second); // drops the shared lock
    t.fds.erase(it);
    return TRUE;
}

HANDLE Register(int fd) {
    Table& t = Mutexes();
    static std::once_flag registered;
    std::call_once(registered, [] { RegisterHandleCloser(kFirstMutexHandle, CloseMutex); });
    std::lock_guard<std::mutex> g(t.lock);
    const HANDLE h = t.next++;
    t.fds[h] = fd;
    return h;
}

} // namespace

namespace {

// The named object behind both kinds: a handle holding the name's lock file, with ERROR_ALREADY_EXISTS
// when another handle (of any run) held it already.
HANDLE CreateNamed(const char* name) {
    if (!name || !*name) {
        SetLastError(ERROR_SUCCESS);
        return Register(-1);
    }
    if (!ForceVexoConfigDir()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    const std::string dir = VexoConfigDir() + "/locks";
    ::mkdir(dir.c_str(), 0700);
    // Creators take the guard first, so that "try exclusive, then share" is one step for everyone.
    const int guard = OpenLockFile(dir + "/.guard");
    const int fd = OpenLockFile(dir + "/" + LockFileName(name));
    if (guard < 0 || fd < 0) {
        if (guard >= 0) ::close(guard);
        if (fd >= 0) ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    Flock(guard, LOCK_EX);
    const bool first = Flock(fd, LOCK_EX | LOCK_NB) == 0;
    Flock(fd, LOCK_SH);
    ::close(guard);
    const HANDLE h = Register(fd);
    SetLastError(first ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return h;
}

} // namespace

HANDLE CreateMutex(void*, BOOL, const char* name) {
    return CreateNamed(name);
}

HANDLE CreateSemaphoreA(void*, LONG initialCount, LONG maximumCount, const char* name) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return CreateNamed(name);
}

BOOL ReleaseMutex(HANDLE mutex) {
    Table& t = Mutexes();
    std::lock_guard<std::mutex> g(t.lock);
    if (t.fds.count(mutex) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
