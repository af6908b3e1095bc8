// Winsock 1.1 on BSD sockets: IPv4 TCP sockets that answer with Winsock's error numbers, the
// asynchronous select that posts socket events to a window, and name, address and service look-ups.
//
// The names are Winsock's and several are also the C library's (socket, connect, htons ...): do not
// include the system's socket headers in a file that includes this one.
//
// SOCKET values are handed out by this service and not reused while the process runs (short of
// wrapping the 32-bit count), so a stale SOCKET is refused (WSAENOTSOCK) instead of reaching a
// newer connection.
//
// WSAAsyncSelect follows Winsock's re-enabling rules: after FD_READ is posted no further FD_READ
// comes until recv is called (one more follows if data remains); FD_WRITE comes after the connect
// or accept and then only after a send failed with WSAEWOULDBLOCK; FD_ACCEPT is re-enabled by
// accept; FD_CONNECT and FD_CLOSE come once. A connect on a socket selected for FD_CONNECT always
// answers WSAEWOULDBLOCK and delivers its result as FD_CONNECT. When the peer closes, FD_READ for
// the data still unread comes first and FD_CLOSE only once it has been read. After closesocket
// (or a cancelling WSAAsyncSelect) returns, nothing more is posted for the socket; a message
// posted before may still be waiting in the window's queue.
//
// Blocking sockets block without calling a blocking hook or pumping messages; blocking hooks are
// not supported (WSASetBlockingHook fails with WSAEOPNOTSUPP), nor are the WSAAsyncGet* look-ups.
//
// hostent, servent, protoent and inet_ntoa results live in per-thread storage until the calling
// thread's next call of the same kind. WSAGetLastError is per thread.
#pragma once

#include "platform/win/Types.h"
#include "platform/winsock/Library.h"

using TSocket = UINT;
using SOCKET = TSocket;
inline constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
inline constexpr int SOCKET_ERROR = -1;

inline constexpr int AF_INET = 2;
inline constexpr int PF_INET = AF_INET;
inline constexpr int SOCK_STREAM = 1;
inline constexpr int IPPROTO_IP = 0;
inline constexpr int IPPROTO_TCP = 6;

// Host order, as Winsock's; INADDR_NONE is also inet_addr's failure value.
inline constexpr DWORD INADDR_ANY = 0x00000000;
inline constexpr DWORD INADDR_LOOPBACK = 0x7F000001;
inline constexpr DWORD INADDR_NONE = 0xFFFFFFFF;

inline constexpr int SOMAXCONN = 5;

inline constexpr int MSG_OOB = 0x1;
inline constexpr int MSG_PEEK = 0x2;

inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

inline constexpr LONG FIONREAD = static_cast<LONG>(0x4004667FU);
inline constexpr LONG FIONBIO = static_cast<LONG>(0x8004667EU);

inline constexpr int SOL_SOCKET = 0xFFFF;
inline constexpr int SO_ACCEPTCONN = 0x0002;
inline constexpr int SO_REUSEADDR = 0x0004;
inline constexpr int SO_KEEPALIVE = 0x0008;
inline constexpr int SO_LINGER = 0x0080;
inline constexpr int SO_DONTLINGER = ~SO_LINGER;
inline constexpr int SO_OOBINLINE = 0x0100;
inline constexpr int SO_SNDBUF = 0x1001;
inline constexpr int SO_RCVBUF = 0x1002;
inline constexpr int SO_ERROR = 0x1007;
inline constexpr int SO_TYPE = 0x1008;
inline constexpr int TCP_NODELAY = 0x0001;

// WSAAsyncSelect events.
inline constexpr LONG FD_READ = 0x01;
inline constexpr LONG FD_WRITE = 0x02;
inline constexpr LONG FD_OOB = 0x04;
inline constexpr LONG FD_ACCEPT = 0x08;
inline constexpr LONG FD_CONNECT = 0x10;
inline constexpr LONG FD_CLOSE = 0x20;

// The lParam of an async-select message: the event in the low word, the error in the high word.
constexpr DWORD WSAMAKESELECTREPLY(WORD event, WORD error) {
    return (DWORD(error) << 16) | event;
}
constexpr WORD WSAGETSELECTEVENT(LPARAM lParam) {
    return WORD(DWORD(lParam) & 0xFFFF);
}
constexpr WORD WSAGETSELECTERROR(LPARAM lParam) {
    return WORD(DWORD(lParam) >> 16);
}

inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETOOMANYREFS = 10059;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAELOOP = 10062;
inline constexpr int WSAENAMETOOLONG = 10063;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSASYSNOTREADY = 10091;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSASYSCALLFAILURE = 10107;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// Network byte order.
struct TInAddr {
    DWORD S_addr;
};

struct TSockAddrIn {
    short sin_family;
    WORD sin_port;
    TInAddr sin_addr;
    char sin_zero[8];
};

struct TSockAddr {
    WORD sa_family;
    char sa_data[14];
};

struct THostEnt {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};
using PHostEnt = THostEnt*;

struct TServEnt {
    char* s_name;
    char** s_aliases;
    short s_port; // network order
    char* s_proto;
};
using PServEnt = TServEnt*;

struct TProtoEnt {
    char* p_name;
    char** p_aliases;
    short p_proto;
};
using PProtoEnt = TProtoEnt*;

struct TWSAData {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};

struct TLinger {
    WORD l_onoff;
    WORD l_linger;
};

// select's socket sets: fill fd_count and fd_array; on return they hold the sockets found ready.
struct TFDSet {
    UINT fd_count;
    SOCKET fd_array[64];
};

struct TTimeVal {
    LONG tv_sec;
    LONG tv_usec;
};

SOCKET accept(SOCKET s, TSockAddr* addr, int* addrlen);
int bind(SOCKET s, const TSockAddr* name, int namelen);
int closesocket(SOCKET s);
int connect(SOCKET s, const TSockAddr* name, int namelen);
int ioctlsocket(SOCKET s, LONG cmd, DWORD* argp);
int getpeername(SOCKET s, TSockAddr* name, int* namelen);
int getsockname(SOCKET s, TSockAddr* name, int* namelen);
int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);
DWORD htonl(DWORD hostlong);
WORD htons(WORD hostshort);
DWORD inet_addr(const char* cp);
char* inet_ntoa(TInAddr in);
int listen(SOCKET s, int backlog);
DWORD ntohl(DWORD netlong);
WORD ntohs(WORD netshort);
int recv(SOCKET s, char* buf, int len, int flags);
// On a stream socket from is ignored, as to is by sendto.
int recvfrom(SOCKET s, char* buf, int len, int flags, TSockAddr* from, int* fromlen);
int select(int nfds, TFDSet* readfds, TFDSet* writefds, TFDSet* exceptfds, const TTimeVal* timeout);
int send(SOCKET s, const char* buf, int len, int flags);
int sendto(SOCKET s, const char* buf, int len, int flags, const TSockAddr* to, int tolen);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
int shutdown(SOCKET s, int how);
SOCKET socket(int af, int type, int protocol);

THostEnt* gethostbyaddr(const char* addr, int len, int type);
// The machine's own name (or an empty name) gives the addresses of its network interfaces.
THostEnt* gethostbyname(const char* name);
// namelen is an int: a size_t length selects the C library's function of the same name.
int gethostname(char* name, int namelen);
TServEnt* getservbyport(int port, const char* proto);
TServEnt* getservbyname(const char* name, const char* proto);
TProtoEnt* getprotobynumber(int number);
TProtoEnt* getprotobyname(const char* name);

// Returns 0 or an error number (WSAVERNOTSUPPORTED below version 1.1, WSAEFAULT without data).
int WSAStartup(WORD wVersionRequired, TWSAData* lpWSAData);
// The last cleanup closes every socket still open.
int WSACleanup();
void WSASetLastError(int iError);
int WSAGetLastError();
BOOL WSAIsBlocking();
int WSAUnhookBlockingHook();
FARPROC WSASetBlockingHook(FARPROC lpBlockFunc);
int WSACancelBlockingCall();
HANDLE WSAAsyncGetServByName(HWND hWnd, UINT wMsg, const char* name, const char* proto, char* buf,
                             int buflen);
HANDLE WSAAsyncGetServByPort(HWND hWnd, UINT wMsg, int port, const char* proto, char* buf, int buflen);
HANDLE WSAAsyncGetProtoByName(HWND hWnd, UINT wMsg, const char* name, char* buf, int buflen);
HANDLE WSAAsyncGetProtoByNumber(HWND hWnd, UINT wMsg, int number, char* buf, int buflen);
HANDLE WSAAsyncGetHostByName(HWND hWnd, UINT wMsg, const char* name, char* buf, int buflen);
HANDLE WSAAsyncGetHostByAddr(HWND hWnd, UINT wMsg, const char* addr, int len, int type, char* buf,
                             int buflen);
int WSACancelAsyncRequest(HANDLE hAsyncTaskHandle);
// Posts wMsg to hWnd (wParam = s, lParam = WSAMAKESELECTREPLY(event, error)) for the events in
// lEvent and makes the socket non-blocking; lEvent 0 cancels.
int WSAAsyncSelect(SOCKET s, HWND hWnd, UINT wMsg, LONG lEvent);
