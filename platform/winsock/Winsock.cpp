// Start-up, errors, byte order, addresses and the socket calls.
#include "platform/winsock/Winsock.h"

#include "platform/winsock/WsBsd.h"
#include "platform/winsock/WsErrors.h"
#include "platform/winsock/WsLastError.h"
#include "platform/winsock/WsSockets.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

using wsock::Engine;
using wsock::SocketPtr;
using wsock::SocketRec;
using Lock = std::unique_lock<std::mutex>;

namespace {

int FailErrno(long negatedErrno) {
    return wsock::Fail(WsaErrorFromErrno(static_cast<int>(-negatedErrno)));
}

SOCKET FailSocket(int error) {
    wsock::Fail(error);
    return INVALID_SOCKET;
}

// The record of s, with the lock held by the caller; 0 or the error to answer.
int Lookup(Engine& e, SOCKET s, SocketPtr& rec) {
    if (e.startups == 0) return WSANOTINITIALISED;
    rec = e.Find(s);
    return rec ? 0 : WSAENOTSOCK;
}

int ReadAddr(const TSockAddr* name, int namelen, std::uint32_t& addr, std::uint16_t& port) {
    if (!name || namelen < static_cast<int>(sizeof(TSockAddrIn))) return WSAEFAULT;
    TSockAddrIn in;
    std::memcpy(&in, name, sizeof in);
    if (in.sin_family != AF_INET) return WSAEAFNOSUPPORT;
    addr = in.sin_addr.S_addr;
    port = in.sin_port;
    return 0;
}

int WriteAddr(TSockAddr* name, int* namelen, std::uint32_t addr, std::uint16_t port) {
    if (!name || !namelen || *namelen < static_cast<int>(sizeof(TSockAddrIn))) return WSAEFAULT;
    TSockAddrIn in{};
    in.sin_family = AF_INET;
    in.sin_port = port;
    in.sin_addr.S_addr = addr;
    std::memcpy(name, &in, sizeof in);
    *namelen = sizeof in;
    return 0;
}

// A blocking socket's wait, outside the lock. False when the socket was closed meanwhile.
bool WaitFor(Engine& e, Lock& lk, SocketRec& rec, unsigned want) {
    ++rec.waiters;
    wsbsd::PollItem item{rec.fd, want, 0};
    lk.unlock();
    wsbsd::Poll(&item, 1, -1);
    lk.lock();
    e.EndWait(rec);
    return !rec.closed;
}

// Errors that end a connect attempt rather than refuse the call: on a socket selected for
// FD_CONNECT they come as its message, as they would had Linux not known them at once.
bool IsConnectOutcome(int err) {
    return err == ECONNREFUSED || err == ETIMEDOUT || err == ECONNRESET || err == ENETUNREACH ||
           err == EHOSTUNREACH;
}

template <class T> T ByteSwap(T v) {
    if constexpr (std::endian::native == std::endian::big) return v;
    T r = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) r = static_cast<T>((r << 8) | ((v >> (8 * i)) & 0xFF));
    return r;
}

int DigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

} // namespace

int WSAStartup(WORD wVersionRequired, TWSAData* lpWSAData) {
    const int major = wVersionRequired & 0xFF;
    const int minor = wVersionRequired >> 8;
    if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
    if (!lpWSAData) return WSAEFAULT;
    *lpWSAData = TWSAData{};
    lpWSAData->wVersion = 0x0101;
    lpWSAData->wHighVersion = 0x0101;
    std::snprintf(lpWSAData->szDescription, sizeof lpWSAData->szDescription, "%s",
                  "Winsock 1.1 service on BSD sockets");
    std::snprintf(lpWSAData->szSystemStatus, sizeof lpWSAData->szSystemStatus, "%s", "Running");
    lpWSAData->iMaxSockets = 32767;
    lpWSAData->iMaxUdpDg = 65507;
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    ++e.startups;
    return 0;
}

int WSACleanup() {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    if (e.startups == 0) return wsock::Fail(WSANOTINITIALISED);
    if (--e.startups == 0) {
        e.RemoveAll();
        e.StopPoller(lk);
        // A start-up on another thread while the poller was being joined may have selected sockets.
        if (e.startups > 0) e.Changed();
    }
    return 0;
}

void WSASetLastError(int iError) {
    wsock::SetLastError(iError);
}
int WSAGetLastError() {
    return wsock::LastError();
}

// No call of this service blocks in a way the caller's own thread could observe.
BOOL WSAIsBlocking() {
    return 0;
}
int WSAUnhookBlockingHook() {
    return 0;
}

FARPROC WSASetBlockingHook(FARPROC) {
    wsock::Fail(WSAEOPNOTSUPP);
    return nullptr;
}

int WSACancelBlockingCall() {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    return wsock::Fail(e.startups == 0 ? WSANOTINITIALISED : WSAEINVAL);
}

HANDLE WSAAsyncGetServByName(HWND, UINT, const char*, const char*, char*, int) {
    wsock::Fail(WSAEOPNOTSUPP);
    return 0;
}
HANDLE WSAAsyncGetServByPort(HWND, UINT, int, const char*, char*, int) {
    wsock::Fail(WSAEOPNOTSUPP);
    return 0;
}
HANDLE WSAAsyncGetProtoByName(HWND, UINT, const char*, char*, int) {
    wsock::Fail(WSAEOPNOTSUPP);
    return 0;
}
HANDLE WSAAsyncGetProtoByNumber(HWND, UINT, int, char*, int) {
    wsock::Fail(WSAEOPNOTSUPP);
    return 0;
}
HANDLE WSAAsyncGetHostByName(HWND, UINT, const char*, char*, int) {
    wsock::Fail(WSAEOPNOTSUPP);
    return 0;
}
HANDLE WSAAsyncGetHostByAddr(HWND, UINT, const char*, int, int, char*, int) {
    wsock::Fail(WSAEOPNOTSUPP);
    return 0;
}
int WSACancelAsyncRequest(HANDLE) {
    return wsock::Fail(WSAEINVAL);
}

DWORD htonl(DWORD hostlong) {
    return ByteSwap(hostlong);
}
WORD htons(WORD hostshort) {
    return ByteSwap(hostshort);
}
DWORD ntohl(DWORD netlong) {
    return ByteSwap(netlong);
}
WORD ntohs(WORD netshort) {
    return ByteSwap(netshort);
}

// "a.b.c.d", "a.b.c", "a.b" or "a"; each part decimal, octal (leading 0) or hex (0x); the last
// part fills the bytes left.
DWORD inet_addr(const char* cp) {
    if (!cp) return INADDR_NONE;
    std::uint64_t parts[4];
    int count = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(cp);
    for (;;) {
        if (*p < '0' || *p > '9' || count == 4) return INADDR_NONE;
        int base = 10;
        if (*p == '0') {
            base = 8;
            ++p;
            if (*p == 'x' || *p == 'X') {
                base = 16;
                ++p;
                if (DigitValue(*p) >= base) return INADDR_NONE;
            }
        }
        std::uint64_t v = 0;
        for (int d; (d = DigitValue(*p)) < base; ++p) {
            v = v * base + d;
            if (v > 0xFFFFFFFF) return INADDR_NONE;
        }
        parts[count++] = v;
        if (*p == '.') {
            ++p;
            continue;
        }
        if (*p != '\0') return INADDR_NONE;
        break;
    }
    std::uint64_t host = 0;
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 0xFF) return INADDR_NONE;
        host |= parts[i] << (24 - 8 * i);
    }
    const std::uint64_t lastMax = 0xFFFFFFFFULL >> (8 * (count - 1));
    if (parts[count - 1] > lastMax) return INADDR_NONE;
    host |= parts[count - 1];
    return htonl(static_cast<DWORD>(host));
}

char* inet_ntoa(TInAddr in) {
    thread_local char text[16];
    unsigned char b[4];
    std::memcpy(b, &in.S_addr, sizeof b);
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

SOCKET socket(int af, int type, int protocol) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    if (e.startups == 0) return FailSocket(WSANOTINITIALISED);
    if (af != AF_INET) return FailSocket(WSAEAFNOSUPPORT);
    if (type != SOCK_STREAM) return FailSocket(WSAESOCKTNOSUPPORT);
    if (protocol != 0 && protocol != IPPROTO_TCP) return FailSocket(WSAEPROTONOSUPPORT);
    int fd = wsbsd::OpenStream();
    if (fd < 0) return FailSocket(WsaErrorFromErrno(-fd));
    return e.Insert(fd)->id;
}

int closesocket(SOCKET s) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    e.Remove(rec);
    return 0;
}

int bind(SOCKET s, const TSockAddr* name, int namelen) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    std::uint32_t addr;
    std::uint16_t port;
    if (int err = ReadAddr(name, namelen, addr, port)) return wsock::Fail(err);
    int r = wsbsd::Bind(rec->fd, addr, port);
    return r < 0 ? FailErrno(r) : 0;
}

int connect(SOCKET s, const TSockAddr* name, int namelen) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    std::uint32_t addr;
    std::uint16_t port;
    if (int err = ReadAddr(name, namelen, addr, port)) return wsock::Fail(err);
    if (addr == INADDR_ANY || port == 0) return wsock::Fail(WSAEADDRNOTAVAIL);
    if (rec->listening) return wsock::Fail(WSAEINVAL);
    const bool byMessage = (rec->events & FD_CONNECT) != 0;
    int r = wsbsd::Connect(rec->fd, addr, port);
    if (r == 0) {
        rec->connected = true;
        if (!byMessage) return 0;
        rec->armed |= FD_CONNECT;
        e.Post(*rec, FD_CONNECT, 0);
        e.Changed();
        return wsock::Fail(WSAEWOULDBLOCK);
    }
    if (r == -EINPROGRESS) {
        rec->connecting = true;
        if (rec->events) e.Changed();
        if (rec->nonBlocking) return wsock::Fail(WSAEWOULDBLOCK);
        if (!WaitFor(e, lk, *rec, wsbsd::kPollOut)) return wsock::Fail(WSAEINTR);
        rec->connecting = false;
        if (int err = wsbsd::PendingError(rec->fd)) return wsock::Fail(WsaErrorFromErrno(err));
        rec->connected = true;
        return 0;
    }
    if (byMessage && IsConnectOutcome(-r)) {
        rec->hungUp = true;
        rec->armed |= FD_CONNECT;
        e.Post(*rec, FD_CONNECT, WsaErrorFromErrno(-r));
        return wsock::Fail(WSAEWOULDBLOCK);
    }
    return FailErrno(r);
}

int listen(SOCKET s, int backlog) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    if (rec->connected || rec->connecting) return wsock::Fail(WSAEISCONN);
    int r = wsbsd::Listen(rec->fd, std::max(backlog, 1));
    if (r < 0) return FailErrno(r);
    rec->listening = true;
    if (rec->events) e.Changed();
    return 0;
}

SOCKET accept(SOCKET s, TSockAddr* addr, int* addrlen) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return FailSocket(err);
    if (!rec->listening) return FailSocket(WSAEINVAL);
    if (addr && (!addrlen || *addrlen < static_cast<int>(sizeof(TSockAddrIn)))) return FailSocket(WSAEFAULT);
    if (rec->events & FD_ACCEPT) {
        rec->armed |= FD_ACCEPT;
        e.Changed();
    }
    for (;;) {
        std::uint32_t peerAddr;
        std::uint16_t peerPort;
        int fd = wsbsd::Accept(rec->fd, &peerAddr, &peerPort);
        if (fd >= 0) {
            // The new socket takes the listening socket's selection, as Winsock's does.
            SocketPtr peer = e.Insert(fd);
            peer->connected = true;
            peer->nonBlocking = rec->nonBlocking;
            peer->oobInline = rec->oobInline;
            peer->wnd = rec->wnd;
            peer->msg = rec->msg;
            peer->events = peer->armed = rec->events;
            if (peer->events) e.Changed();
            if (addr) WriteAddr(addr, addrlen, peerAddr, peerPort);
            return peer->id;
        }
        if (fd != -EAGAIN || rec->nonBlocking) return FailSocket(WsaErrorFromErrno(-fd));
        if (!WaitFor(e, lk, *rec, wsbsd::kPollIn)) return FailSocket(WSAEINTR);
    }
}

int shutdown(SOCKET s, int how) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    if (how < SD_RECEIVE || how > SD_BOTH) return wsock::Fail(WSAEINVAL);
    const bool receive = how != SD_SEND;
    const bool sending = how != SD_RECEIVE;
    int r = wsbsd::Shutdown(rec->fd, receive, sending);
    if (r < 0) return FailErrno(r);
    rec->receiveShut = rec->receiveShut || receive;
    rec->sendShut = rec->sendShut || sending;
    e.Wake();
    return 0;
}

int send(SOCKET s, const char* buf, int len, int flags) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    if (len < 0 || (!buf && len > 0)) return wsock::Fail(WSAEFAULT);
    if (flags & ~MSG_OOB) return wsock::Fail(WSAEINVAL);
    if (rec->sendShut) return wsock::Fail(WSAESHUTDOWN);
    if (!rec->connected && !rec->connecting) return wsock::Fail(WSAENOTCONN);
    const unsigned how = (flags & MSG_OOB) ? wsbsd::kMsgOob : 0;
    int sent = 0;
    for (;;) {
        long n = wsbsd::Send(rec->fd, buf + sent, static_cast<std::size_t>(len - sent), how);
        if (n >= 0) {
            sent += static_cast<int>(n);
            if (sent == len || rec->nonBlocking) return sent;
            continue;
        }
        if (n != -EAGAIN) return sent > 0 ? sent : FailErrno(n);
        if (rec->nonBlocking) {
            if (sent > 0) return sent;
            if (rec->events & FD_WRITE) {
                rec->armed |= FD_WRITE;
                e.Changed();
            }
            return wsock::Fail(WSAEWOULDBLOCK);
        }
        if (!WaitFor(e, lk, *rec, wsbsd::kPollOut)) return sent > 0 ? sent : wsock::Fail(WSAEINTR);
    }
}

int recv(SOCKET s, char* buf, int len, int flags) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    if (len < 0 || (!buf && len > 0)) return wsock::Fail(WSAEFAULT);
    if (flags & ~(MSG_OOB | MSG_PEEK)) return wsock::Fail(WSAEINVAL);
    if (!rec->connected && !rec->connecting) return wsock::Fail(WSAENOTCONN);
    if (rec->receiveShut) return wsock::Fail(WSAESHUTDOWN);
    unsigned how = 0;
    if (flags & MSG_OOB) how |= wsbsd::kMsgOob;
    if (flags & MSG_PEEK) how |= wsbsd::kMsgPeek;
    // Every recv re-enables its event; the poller then posts again if more is waiting. Re-enabled
    // once the bytes are taken, so the poller, woken by it, finds the socket as the read left it.
    const LONG again = (flags & MSG_OOB) ? FD_OOB : FD_READ;
    auto rearm = [&] {
        const LONG before = rec->armed;
        rec->armed |= again & rec->events;
        if (rec->events && (rec->armed != before || rec->peerClosed)) e.Changed();
    };
    if (rec->nonBlocking) {
        // The read itself runs outside the lock, so the poller is never held up behind it; the
        // descriptor stays open until it returns.
        ++rec->waiters;
        lk.unlock();
        const long n = wsbsd::Recv(rec->fd, buf, static_cast<std::size_t>(len), how);
        lk.lock();
        e.EndWait(*rec);
        if (rec->closed) return n >= 0 ? static_cast<int>(n) : FailErrno(n);
        // A read that filled the buffer has most likely left more behind: its FD_READ goes out at
        // once, without waking the poller to find out (a recv that then finds nothing just answers
        // WSAEWOULDBLOCK, as after any FD_READ). Once the peer has closed, the poller settles what
        // comes next, the close included.
        if (n > 0 && n == len && again == FD_READ && !(flags & MSG_PEEK) && (rec->events & FD_READ) &&
            !rec->peerClosed) {
            rec->armed |= FD_READ;
            e.Post(*rec, FD_READ, 0);
        } else {
            rearm();
        }
        return n >= 0 ? static_cast<int>(n) : FailErrno(n);
    }
    rearm();
    for (;;) {
        long n = wsbsd::Recv(rec->fd, buf, static_cast<std::size_t>(len), how);
        if (n >= 0) return static_cast<int>(n);
        if (n != -EAGAIN) return FailErrno(n);
        const unsigned want = (flags & MSG_OOB) ? wsbsd::kPollPri : wsbsd::kPollIn;
        if (!WaitFor(e, lk, *rec, want)) return wsock::Fail(WSAEINTR);
    }
}

int recvfrom(SOCKET s, char* buf, int len, int flags, TSockAddr*, int*) {
    return recv(s, buf, len, flags);
}

int sendto(SOCKET s, const char* buf, int len, int flags, const TSockAddr*, int) {
    return send(s, buf, len, flags);
}

int ioctlsocket(SOCKET s, LONG cmd, DWORD* argp) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    if (!argp) return wsock::Fail(WSAEFAULT);
    if (cmd == FIONBIO) {
        // A selected socket stays non-blocking until its selection is cancelled.
        if (*argp == 0 && rec->events) return wsock::Fail(WSAEINVAL);
        rec->nonBlocking = *argp != 0;
        return 0;
    }
    if (cmd == FIONREAD) {
        if (rec->listening) {
            *argp = 0;
            return 0;
        }
        int n = wsbsd::BytesReadable(rec->fd);
        if (n < 0) return FailErrno(n);
        *argp = static_cast<DWORD>(n);
        return 0;
    }
    return wsock::Fail(WSAEINVAL);
}

namespace {

// getpeername and getsockname: which end of the socket names.
int SocketName(SOCKET s, TSockAddr* name, int* namelen, int (*which)(int, std::uint32_t*, std::uint16_t*)) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    std::uint32_t addr;
    std::uint16_t port;
    int r = which(rec->fd, &addr, &port);
    if (r < 0) return FailErrno(r);
    if (int err = WriteAddr(name, namelen, addr, port)) return wsock::Fail(err);
    return 0;
}

} // namespace

int getpeername(SOCKET s, TSockAddr* name, int* namelen) {
    return SocketName(s, name, namelen, wsbsd::PeerName);
}

int getsockname(SOCKET s, TSockAddr* name, int* namelen) {
    return SocketName(s, name, namelen, wsbsd::LocalName);
}

namespace {

bool PlainOption(int level, int optname, wsbsd::Option& option, bool& boolean) {
    boolean = true;
    if (level == IPPROTO_TCP) {
        option = wsbsd::Option::NoDelay;
        return optname == TCP_NODELAY;
    }
    switch (optname) {
    case SO_REUSEADDR:
        option = wsbsd::Option::ReuseAddr;
        return true;
    case SO_KEEPALIVE:
        option = wsbsd::Option::KeepAlive;
        return true;
    case SO_OOBINLINE:
        option = wsbsd::Option::OobInline;
        return true;
    case SO_SNDBUF:
        option = wsbsd::Option::SendBuffer;
        break;
    case SO_RCVBUF:
        option = wsbsd::Option::ReceiveBuffer;
        break;
    default:
        return false;
    }
    boolean = false;
    return true;
}

int PutInt(char* optval, int* optlen, int value) {
    if (*optlen < static_cast<int>(sizeof value)) return WSAEFAULT;
    std::memcpy(optval, &value, sizeof value);
    *optlen = sizeof value;
    return 0;
}

} // namespace

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    if (level != SOL_SOCKET && level != IPPROTO_TCP) return wsock::Fail(WSAEINVAL);
    if (!optval) return wsock::Fail(WSAEFAULT);
    if (level == SOL_SOCKET && optname == SO_LINGER) {
        TLinger l;
        if (optlen < static_cast<int>(sizeof l)) return wsock::Fail(WSAEFAULT);
        std::memcpy(&l, optval, sizeof l);
        int r = wsbsd::SetLinger(rec->fd, l.l_onoff != 0, l.l_linger);
        return r < 0 ? FailErrno(r) : 0;
    }
    int value;
    if (optlen < static_cast<int>(sizeof value)) return wsock::Fail(WSAEFAULT);
    std::memcpy(&value, optval, sizeof value);
    if (level == SOL_SOCKET && optname == SO_DONTLINGER) {
        bool on;
        int seconds;
        int r = wsbsd::GetLinger(rec->fd, &on, &seconds);
        if (r == 0) r = wsbsd::SetLinger(rec->fd, value == 0, seconds);
        return r < 0 ? FailErrno(r) : 0;
    }
    wsbsd::Option option;
    bool boolean;
    if (!PlainOption(level, optname, option, boolean)) return wsock::Fail(WSAENOPROTOOPT);
    if (boolean) value = value != 0;
    int r = wsbsd::SetOption(rec->fd, option, value);
    if (r < 0) return FailErrno(r);
    if (option == wsbsd::Option::OobInline) {
        rec->oobInline = value != 0;
        e.Wake();
    }
    return 0;
}

int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    if (level != SOL_SOCKET && level != IPPROTO_TCP) return wsock::Fail(WSAEINVAL);
    if (!optval || !optlen) return wsock::Fail(WSAEFAULT);
    int value = 0;
    if (level == SOL_SOCKET) {
        switch (optname) {
        case SO_LINGER:
        case SO_DONTLINGER: {
            bool on;
            int seconds;
            int r = wsbsd::GetLinger(rec->fd, &on, &seconds);
            if (r < 0) return FailErrno(r);
            if (optname == SO_DONTLINGER) {
                value = !on;
                break;
            }
            TLinger l{WORD(on), WORD(std::clamp(seconds, 0, 0xFFFF))};
            if (*optlen < static_cast<int>(sizeof l)) return wsock::Fail(WSAEFAULT);
            std::memcpy(optval, &l, sizeof l);
            *optlen = sizeof l;
            return 0;
        }
        case SO_ERROR:
            value = WsaErrorFromErrno(wsbsd::PendingError(rec->fd));
            break;
        case SO_TYPE:
            value = SOCK_STREAM;
            break;
        case SO_ACCEPTCONN:
            value = rec->listening;
            break;
        default: {
            wsbsd::Option option;
            bool boolean;
            if (!PlainOption(level, optname, option, boolean)) return wsock::Fail(WSAENOPROTOOPT);
            int r = wsbsd::GetOption(rec->fd, option, &value);
            if (r < 0) return FailErrno(r);
            if (boolean) value = value != 0;
        }
        }
    } else {
        wsbsd::Option option;
        bool boolean;
        if (!PlainOption(level, optname, option, boolean)) return wsock::Fail(WSAENOPROTOOPT);
        int r = wsbsd::GetOption(rec->fd, option, &value);
        if (r < 0) return FailErrno(r);
        value = value != 0;
    }
    if (int err = PutInt(optval, optlen, value)) return wsock::Fail(err);
    return 0;
}

int select(int, TFDSet* readfds, TFDSet* writefds, TFDSet* exceptfds, const TTimeVal* timeout) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    if (e.startups == 0) return wsock::Fail(WSANOTINITIALISED);
    TFDSet* sets[3] = {readfds, writefds, exceptfds};
    struct Entry {
        SocketPtr rec;
        int set;
    };
    std::vector<Entry> entries;
    std::vector<wsbsd::PollItem> items;
    for (int k = 0; k < 3; ++k) {
        if (!sets[k]) continue;
        if (sets[k]->fd_count > 64) return wsock::Fail(WSAEINVAL);
        for (UINT i = 0; i < sets[k]->fd_count; ++i) {
            SocketPtr rec = e.Find(sets[k]->fd_array[i]);
            if (!rec) return wsock::Fail(WSAENOTSOCK);
            const unsigned want = k == 0   ? wsbsd::kPollIn | wsbsd::kPollRdHup
                                  : k == 1 ? wsbsd::kPollOut
                                           : wsbsd::kPollPri;
            entries.push_back({rec, k});
            items.push_back({rec->fd, want, 0});
        }
    }
    if (items.empty()) return wsock::Fail(WSAEINVAL);
    int ms = -1;
    if (timeout) {
        if (timeout->tv_sec < 0 || timeout->tv_usec < 0) return wsock::Fail(WSAEINVAL);
        long long total = static_cast<long long>(timeout->tv_sec) * 1000 + (timeout->tv_usec + 999LL) / 1000;
        ms = static_cast<int>(std::min<long long>(total, INT_MAX));
    }
    for (Entry& en : entries) ++en.rec->waiters;
    lk.unlock();
    int n = wsbsd::Poll(items.data(), items.size(), ms);
    lk.lock();
    for (Entry& en : entries) e.EndWait(*en.rec);
    if (n < 0) return FailErrno(n);
    int total = 0;
    for (int k = 0; k < 3; ++k) {
        if (!sets[k]) continue;
        UINT out = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const SocketRec& rec = *entries[i].rec;
            const unsigned got = items[i].got;
            if (entries[i].set != k || rec.closed) continue;
            const bool failedConnect = rec.connecting && (got & wsbsd::kPollErr);
            bool ready;
            if (k == 0)
                ready = got & (wsbsd::kPollIn | wsbsd::kPollRdHup | wsbsd::kPollHup | wsbsd::kPollErr);
            else if (k == 1)
                ready = (got & wsbsd::kPollOut) && !failedConnect;
            else
                ready = (got & wsbsd::kPollPri) || failedConnect;
            if (ready) sets[k]->fd_array[out++] = rec.id;
        }
        sets[k]->fd_count = out;
        total += static_cast<int>(out);
    }
    return total;
}

int WSAAsyncSelect(SOCKET s, HWND hWnd, UINT wMsg, LONG lEvent) {
    Engine& e = Engine::Get();
    Lock lk(e.mutex);
    SocketPtr rec;
    if (int err = Lookup(e, s, rec)) return wsock::Fail(err);
    constexpr LONG kAll = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
    if ((lEvent & ~kAll) || (lEvent != 0 && hWnd == 0)) return wsock::Fail(WSAEINVAL);
    rec->nonBlocking = true;
    rec->wnd = lEvent ? hWnd : 0;
    rec->msg = wMsg;
    rec->events = rec->armed = lEvent;
    if (!lEvent) {
        e.Wake();
    } else if (!e.Changed()) {
        rec->events = rec->armed = 0;
        return wsock::Fail(WSAENOBUFS);
    }
    return 0;
}
