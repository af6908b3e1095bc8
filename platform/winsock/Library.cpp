#include "platform/winsock/Library.h"

#include "platform/win/Sync.h"
#include "platform/winsock/Winsock.h"

#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>
#include <vector>

namespace {

constexpr DWORD kModNotFound = 126;
constexpr DWORD kProcNotFound = 127;
constexpr HMODULE kSocketLibrary = 0x57530000;

std::mutex loadLock;
int loadCount = 0;

template <class F> FARPROC Proc(F* f) {
    return reinterpret_cast<FARPROC>(f);
}

struct Entry {
    const char* name;
    FARPROC proc;
};

// Built on first use: the socket layer binds its entry points while static objects are being made.
// Several names are also the C library's; the explicit types pick this library's functions.
const std::vector<Entry>& Entries() {
    static const std::vector<Entry> entries = {
        {"accept", Proc<SOCKET(SOCKET, TSockAddr*, int*)>(&accept)},
        {"bind", Proc<int(SOCKET, const TSockAddr*, int)>(&bind)},
        {"closesocket", Proc<int(SOCKET)>(&closesocket)},
        {"connect", Proc<int(SOCKET, const TSockAddr*, int)>(&connect)},
        {"ioctlsocket", Proc<int(SOCKET, LONG, DWORD*)>(&ioctlsocket)},
        {"getpeername", Proc<int(SOCKET, TSockAddr*, int*)>(&getpeername)},
        {"getsockname", Proc<int(SOCKET, TSockAddr*, int*)>(&getsockname)},
        {"getsockopt", Proc<int(SOCKET, int, int, char*, int*)>(&getsockopt)},
        {"htonl", Proc<DWORD(DWORD)>(&htonl)},
        {"htons", Proc<WORD(WORD)>(&htons)},
        {"inet_addr", Proc<DWORD(const char*)>(&inet_addr)},
        {"inet_ntoa", Proc<char*(TInAddr)>(&inet_ntoa)},
        {"listen", Proc<int(SOCKET, int)>(&listen)},
        {"ntohl", Proc<DWORD(DWORD)>(&ntohl)},
        {"ntohs", Proc<WORD(WORD)>(&ntohs)},
        {"recv", Proc<int(SOCKET, char*, int, int)>(&recv)},
        {"recvfrom", Proc<int(SOCKET, char*, int, int, TSockAddr*, int*)>(&recvfrom)},
        {"select", Proc<int(int, TFDSet*, TFDSet*, TFDSet*, const TTimeVal*)>(&select)},
        {"send", Proc<int(SOCKET, const char*, int, int)>(&send)},
        {"sendto", Proc<int(SOCKET, const char*, int, int, const TSockAddr*, int)>(&sendto)},
        {"setsockopt", Proc<int(SOCKET, int, int, const char*, int)>(&setsockopt)},
        {"shutdown", Proc<int(SOCKET, int)>(&shutdown)},
        {"socket", Proc<SOCKET(int, int, int)>(&socket)},
        {"gethostbyaddr", Proc<THostEnt*(const char*, int, int)>(&gethostbyaddr)},
        {"gethostbyname", Proc<THostEnt*(const char*)>(&gethostbyname)},
        {"gethostname", Proc<int(char*, int)>(&gethostname)},
        {"getservbyport", Proc<TServEnt*(int, const char*)>(&getservbyport)},
        {"getservbyname", Proc<TServEnt*(const char*, const char*)>(&getservbyname)},
        {"getprotobynumber", Proc<TProtoEnt*(int)>(&getprotobynumber)},
        {"getprotobyname", Proc<TProtoEnt*(const char*)>(&getprotobyname)},
        {"WSAStartup", Proc<int(WORD, TWSAData*)>(&WSAStartup)},
        {"WSACleanup", Proc<int()>(&WSACleanup)},
        {"WSASetLastError", Proc<void(int)>(&WSASetLastError)},
        {"WSAGetLastError", Proc<int()>(&WSAGetLastError)},
        {"WSAIsBlocking", Proc<BOOL()>(&WSAIsBlocking)},
        {"WSAUnhookBlockingHook", Proc<int()>(&WSAUnhookBlockingHook)},
        {"WSASetBlockingHook", Proc<FARPROC(FARPROC)>(&WSASetBlockingHook)},
        {"WSACancelBlockingCall", Proc<int()>(&WSACancelBlockingCall)},
        {"WSAAsyncGetServByName",
         Proc<HANDLE(HWND, UINT, const char*, const char*, char*, int)>(&WSAAsyncGetServByName)},
        {"WSAAsyncGetServByPort",
         Proc<HANDLE(HWND, UINT, int, const char*, char*, int)>(&WSAAsyncGetServByPort)},
        {"WSAAsyncGetProtoByName",
         Proc<HANDLE(HWND, UINT, const char*, char*, int)>(&WSAAsyncGetProtoByName)},
        {"WSAAsyncGetProtoByNumber", Proc<HANDLE(HWND, UINT, int, char*, int)>(&WSAAsyncGetProtoByNumber)},
        {"WSAAsyncGetHostByName", Proc<HANDLE(HWND, UINT, const char*, char*, int)>(&WSAAsyncGetHostByName)},
        {"WSAAsyncGetHostByAddr",
         Proc<HANDLE(HWND, UINT, const char*, int, int, char*, int)>(&WSAAsyncGetHostByAddr)},
        {"WSACancelAsyncRequest", Proc<int(HANDLE)>(&WSACancelAsyncRequest)},
        {"WSAAsyncSelect", Proc<int(SOCKET, HWND, UINT, LONG)>(&WSAAsyncSelect)},
    };
    return entries;
}

bool IsSocketLibrary(const char* fileName) {
    if (!fileName) return false;
    std::string name = fileName;
    if (name.size() > 4 && ::strcasecmp(name.c_str() + name.size() - 4, ".dll") == 0)
        name.resize(name.size() - 4);
    return ::strcasecmp(name.c_str(), "wsock32") == 0;
}

} // namespace

HMODULE LoadLibrary(const char* fileName) {
    if (!IsSocketLibrary(fileName)) {
        SetLastError(kModNotFound);
        return 0;
    }
    std::lock_guard<std::mutex> lk(loadLock);
    ++loadCount;
    return kSocketLibrary;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
    {
        std::lock_guard<std::mutex> lk(loadLock);
        if (module != kSocketLibrary || loadCount == 0 || !procName) {
            SetLastError(kProcNotFound);
            return nullptr;
        }
    }
    for (const Entry& e : Entries())
        if (std::strcmp(e.name, procName) == 0) return e.proc;
    SetLastError(kProcNotFound);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    std::lock_guard<std::mutex> lk(loadLock);
    if (module != kSocketLibrary || loadCount == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    --loadCount;
    return 1;
}
