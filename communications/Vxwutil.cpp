#include "communications/Vxwutil.h"

constinit TSockFuncs SockFuncs{};

namespace {

HMODULE WinsockLib = 0;

template <class F> bool Bind(F& Slot, const char* Name) {
    const FARPROC proc = GetProcAddress(WinsockLib, Name);
    if (proc == nullptr) return false;
    Slot = reinterpret_cast<F>(proc);
    return true;
}

// Frees the library at unit end. Constant-initialised: a dynamic initialiser here could run after
// the socket layer has already loaded the library during static start-up. The table keeps its
// entries, as anything freed after this unit may still call them.
struct TUnitEnd {
    constexpr TUnitEnd() = default;
    TUnitEnd(const TUnitEnd&) = delete;
    TUnitEnd& operator=(const TUnitEnd&) = delete;
    ~TUnitEnd() {
        if (WinsockLib != 0) FreeLibrary(WinsockLib);
        WinsockLib = 0;
    }
};
constinit TUnitEnd UnitEnd;

} // namespace

bool LoadWinsock() {
    if (WinsockLib == 0) WinsockLib = LoadLibrary("WSOCK32");
    if (WinsockLib == 0) return false;
    TSockFuncs& f = SockFuncs;
    return Bind(f.accept, "accept") && Bind(f.bind, "bind") && Bind(f.closesocket, "closesocket") &&
           Bind(f.connect, "connect") && Bind(f.ioctlsocket, "ioctlsocket") &&
           Bind(f.getpeername, "getpeername") && Bind(f.getsockname, "getsockname") &&
           Bind(f.getsockopt, "getsockopt") && Bind(f.htonl, "htonl") && Bind(f.htons, "htons") &&
           Bind(f.inet_addr, "inet_addr") && Bind(f.inet_ntoa, "inet_ntoa") && Bind(f.listen, "listen") &&
           Bind(f.ntohl, "ntohl") && Bind(f.ntohs, "ntohs") && Bind(f.recv, "recv") &&
           Bind(f.recvfrom, "recvfrom") && Bind(f.select, "select") && Bind(f.send, "send") &&
           Bind(f.sendto, "sendto") && Bind(f.setsockopt, "setsockopt") && Bind(f.shutdown, "shutdown") &&
           Bind(f.socket, "socket") && Bind(f.gethostbyaddr, "gethostbyaddr") &&
           Bind(f.gethostbyname, "gethostbyname") && Bind(f.gethostname, "gethostname") &&
           Bind(f.getservbyport, "getservbyport") && Bind(f.getservbyname, "getservbyname") &&
           Bind(f.getprotobynumber, "getprotobynumber") && Bind(f.getprotobyname, "getprotobyname") &&
           Bind(f.WSAStartup, "WSAStartup") && Bind(f.WSACleanup, "WSACleanup") &&
           Bind(f.WSASetLastError, "WSASetLastError") && Bind(f.WSAGetLastError, "WSAGetLastError") &&
           Bind(f.WSAIsBlocking, "WSAIsBlocking") && Bind(f.WSAUnhookBlockingHook, "WSAUnhookBlockingHook") &&
           Bind(f.WSASetBlockingHook, "WSASetBlockingHook") &&
           Bind(f.WSACancelBlockingCall, "WSACancelBlockingCall") &&
           Bind(f.WSAAsyncGetServByName, "WSAAsyncGetServByName") &&
           Bind(f.WSAAsyncGetServByPort, "WSAAsyncGetServByPort") &&
           Bind(f.WSAAsyncGetProtoByName, "WSAAsyncGetProtoByName") &&
           Bind(f.WSAAsyncGetProtoByNumber, "WSAAsyncGetProtoByNumber") &&
           Bind(f.WSAAsyncGetHostByName, "WSAAsyncGetHostByName") &&
           Bind(f.WSAAsyncGetHostByAddr, "WSAAsyncGetHostByAddr") &&
           Bind(f.WSACancelAsyncRequest, "WSACancelAsyncRequest") && Bind(f.WSAAsyncSelect, "WSAAsyncSelect");
}

DWORD wsaMakeSyncReply(WORD Buflen, WORD Error) {
    return (DWORD(Error) << 16) | Buflen;
}

DWORD wsaMakeSelectReply(WORD Event, WORD Error) {
    return (DWORD(Error) << 16) | Event;
}

WORD wsaGetAsyncBuflen(LPARAM Param) {
    return WORD(DWORD(Param) & 0xFFFF);
}

WORD wsaGetAsyncError(LPARAM Param) {
    return WORD(DWORD(Param) >> 16);
}

WORD wsaGetSelectEvent(LPARAM Param) {
    return WORD(DWORD(Param) & 0xFFFF);
}

WORD wsaGetSelectError(LPARAM Param) {
    return WORD(DWORD(Param) >> 16);
}
