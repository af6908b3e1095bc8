// The Winsock loader: binds the Winsock 1.1 entry points by name from "WSOCK32" at run time, and the
// packing of the values that asynchronous socket messages carry.
#pragma once

#include "platform/winsock/Winsock.h"

// Every entry point the socket layer calls, in the library's export order. All null until
// LoadWinsock binds them.
struct TSockFuncs {
    SOCKET (*accept)(SOCKET s, TSockAddr* addr, int* addrlen);
    int (*bind)(SOCKET s, const TSockAddr* name, int namelen);
    int (*closesocket)(SOCKET s);
    int (*connect)(SOCKET s, const TSockAddr* name, int namelen);
    int (*ioctlsocket)(SOCKET s, LONG cmd, DWORD* argp);
    int (*getpeername)(SOCKET s, TSockAddr* name, int* namelen);
    int (*getsockname)(SOCKET s, TSockAddr* name, int* namelen);
    int (*getsockopt)(SOCKET s, int level, int optname, char* optval, int* optlen);
    DWORD (*htonl)(DWORD hostlong);
    WORD (*htons)(WORD hostshort);
    DWORD (*inet_addr)(const char* cp);
    char* (*inet_ntoa)(TInAddr in);
    int (*listen)(SOCKET s, int backlog);
    DWORD (*ntohl)(DWORD netlong);
    WORD (*ntohs)(WORD netshort);
    int (*recv)(SOCKET s, char* buf, int len, int flags);
    int (*recvfrom)(SOCKET s, char* buf, int len, int flags, TSockAddr* from, int* fromlen);
    int (*select)(int nfds, TFDSet* readfds, TFDSet* writefds, TFDSet* exceptfds, const TTimeVal* timeout);
    int (*send)(SOCKET s, const char* buf, int len, int flags);
    int (*sendto)(SOCKET s, const char* buf, int len, int flags, const TSockAddr* to, int tolen);
    int (*setsockopt)(SOCKET s, int level, int optname, const char* optval, int optlen);
    int (*shutdown)(SOCKET s, int how);
    SOCKET (*socket)(int af, int type, int protocol);
    THostEnt* (*gethostbyaddr)(const char* addr, int len, int type);
    THostEnt* (*gethostbyname)(const char* name);
    int (*gethostname)(char* name, int namelen);
    TServEnt* (*getservbyport)(int port, const char* proto);
    TServEnt* (*getservbyname)(const char* name, const char* proto);
    TProtoEnt* (*getprotobynumber)(int number);
    TProtoEnt* (*getprotobyname)(const char* name);
    int (*WSAStartup)(WORD wVersionRequired, TWSAData* lpWSAData);
    int (*WSACleanup)();
    void (*WSASetLastError)(int iError);
    int (*WSAGetLastError)();
    BOOL (*WSAIsBlocking)();
    int (*WSAUnhookBlockingHook)();
    FARPROC (*WSASetBlockingHook)(FARPROC lpBlockFunc);
    int (*WSACancelBlockingCall)();
    HANDLE (*WSAAsyncGetServByName)(HWND w, UINT m, const char* name, const char* proto, char* buf, int len);
    HANDLE (*WSAAsyncGetServByPort)(HWND hWnd, UINT wMsg, int port, const char* proto, char* buf, int buflen);
    HANDLE (*WSAAsyncGetProtoByName)(HWND hWnd, UINT wMsg, const char* name, char* buf, int buflen);
    HANDLE (*WSAAsyncGetProtoByNumber)(HWND hWnd, UINT wMsg, int number, char* buf, int buflen);
    HANDLE (*WSAAsyncGetHostByName)(HWND hWnd, UINT wMsg, const char* name, char* buf, int buflen);
    HANDLE (*WSAAsyncGetHostByAddr)(HWND w, UINT m, const char* addr, int len, int type, char* buf, int n);
    int (*WSACancelAsyncRequest)(HANDLE hAsyncTaskHandle);
    int (*WSAAsyncSelect)(SOCKET s, HWND hWnd, UINT wMsg, LONG lEvent);
};

// Zero-initialised before any code runs, so the socket layer may load it during static start-up.
extern TSockFuncs SockFuncs;

// True when the library is loaded and every entry point was found. The library is loaded once; a
// missing entry point makes it false and the table keeps what was bound before it.
bool LoadWinsock();

DWORD wsaMakeSyncReply(WORD Buflen, WORD Error);
DWORD wsaMakeSelectReply(WORD Event, WORD Error);
WORD wsaGetAsyncBuflen(LPARAM Param);
WORD wsaGetAsyncError(LPARAM Param);
WORD wsaGetSelectEvent(LPARAM Param);
WORD wsaGetSelectError(LPARAM Param);
