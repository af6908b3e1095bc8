#include "platform/winsock/WsBsd.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace wsbsd {

namespace {

int Result(int r) {
    return r < 0 ? -errno : r;
}

sockaddr_in MakeAddr(std::uint32_t addr, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = port;
    sa.sin_addr.s_addr = addr;
    return sa;
}

int SplitName(int r, const sockaddr_in& sa, std::uint32_t* addr, std::uint16_t* port) {
    if (r < 0) return -errno;
    *addr = sa.sin_addr.s_addr;
    *port = sa.sin_port;
    return 0;
}

int MsgFlags(unsigned flags) {
    int f = MSG_NOSIGNAL;
    if (flags & kMsgOob) f |= MSG_OOB;
    if (flags & kMsgPeek) f |= MSG_PEEK;
    return f;
}

struct OptionName {
    int level;
    int name;
};

OptionName NameOf(Option option) {
    switch (option) {
    case Option::ReuseAddr:
        return {SOL_SOCKET, SO_REUSEADDR};
    case Option::KeepAlive:
        return {SOL_SOCKET, SO_KEEPALIVE};
    case Option::OobInline:
        return {SOL_SOCKET, SO_OOBINLINE};
    case Option::SendBuffer:
        return {SOL_SOCKET, SO_SNDBUF};
    case Option::ReceiveBuffer:
        return {SOL_SOCKET, SO_RCVBUF};
    case Option::NoDelay:
        return {IPPROTO_TCP, TCP_NODELAY};
    }
    return {SOL_SOCKET, SO_REUSEADDR};
}

short PollBits(unsigned want) {
    short e = 0;
    if (want & kPollIn) e |= POLLIN;
    if (want & kPollOut) e |= POLLOUT;
    if (want & kPollPri) e |= POLLPRI;
    if (want & kPollRdHup) e |= POLLRDHUP;
    return e;
}

unsigned OurBits(short revents) {
    unsigned got = 0;
    if (revents & POLLIN) got |= kPollIn;
    if (revents & POLLOUT) got |= kPollOut;
    if (revents & POLLPRI) got |= kPollPri;
    if (revents & POLLRDHUP) got |= kPollRdHup;
    if (revents & POLLERR) got |= kPollErr;
    if (revents & POLLHUP) got |= kPollHup;
    if (revents & POLLNVAL) got |= kPollNval;
    return got;
}

Resolve ResolveError(int eai) {
    switch (eai) {
    case EAI_NONAME:
        return Resolve::NotFound;
    case EAI_AGAIN:
        return Resolve::TryAgain;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return Resolve::NoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return Resolve::NoData;
#endif
    default:
        return Resolve::NoRecovery;
    }
}

std::vector<std::string> Names(char** list) {
    std::vector<std::string> names;
    for (; list && *list; ++list) names.emplace_back(*list);
    return names;
}

} // namespace

int OpenStream() {
    return Result(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

// No retry on EINTR: Linux has released the descriptor by then.
int Close(int fd) {
    return Result(::close(fd));
}

int Bind(int fd, std::uint32_t addr, std::uint16_t port) {
    sockaddr_in sa = MakeAddr(addr, port);
    return Result(::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa));
}

int Connect(int fd, std::uint32_t addr, std::uint16_t port) {
    sockaddr_in sa = MakeAddr(addr, port);
    return Result(::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa));
}

int Listen(int fd, int backlog) {
    return Result(::listen(fd, backlog));
}

int Accept(int fd, std::uint32_t* addr, std::uint16_t* port) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    int r;
    do {
        r = ::accept4(fd, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return -errno;
    *addr = sa.sin_addr.s_addr;
    *port = sa.sin_port;
    return r;
}

int Shutdown(int fd, bool receive, bool send) {
    int how = receive && send ? SHUT_RDWR : receive ? SHUT_RD : SHUT_WR;
    return Result(::shutdown(fd, how));
}

int LocalName(int fd, std::uint32_t* addr, std::uint16_t* port) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    return SplitName(::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len), sa, addr, port);
}

int PeerName(int fd, std::uint32_t* addr, std::uint16_t* port) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    return SplitName(::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len), sa, addr, port);
}

long Send(int fd, const void* buf, std::size_t len, unsigned flags) {
    ssize_t r;
    do {
        r = ::send(fd, buf, len, MsgFlags(flags));
    } while (r < 0 && errno == EINTR);
    return r < 0 ? -errno : r;
}

long Recv(int fd, void* buf, std::size_t len, unsigned flags) {
    ssize_t r;
    do {
        r = ::recv(fd, buf, len, MsgFlags(flags) & ~MSG_NOSIGNAL);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? -errno : r;
}

int BytesReadable(int fd) {
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) < 0) return -errno;
    return n;
}

int PendingError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0) return errno;
    return err;
}

int SetOption(int fd, Option option, int value) {
    OptionName n = NameOf(option);
    return Result(::setsockopt(fd, n.level, n.name, &value, sizeof value));
}

int GetOption(int fd, Option option, int* value) {
    OptionName n = NameOf(option);
    socklen_t len = sizeof *value;
    return Result(::getsockopt(fd, n.level, n.name, value, &len));
}

int SetLinger(int fd, bool on, int seconds) {
    linger l{on ? 1 : 0, seconds};
    return Result(::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l));
}

int GetLinger(int fd, bool* on, int* seconds) {
    linger l{};
    socklen_t len = sizeof l;
    if (::getsockopt(fd, SOL_SOCKET, SO_LINGER, &l, &len) < 0) return -errno;
    *on = l.l_onoff != 0;
    *seconds = l.l_linger;
    return 0;
}

int Poll(PollItem* items, std::size_t count, int timeoutMs) {
    std::vector<pollfd> fds(count);
    for (std::size_t i = 0; i < count; ++i) fds[i] = pollfd{items[i].fd, PollBits(items[i].want), 0};
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    int r;
    for (;;) {
        int wait = timeoutMs;
        if (timeoutMs > 0) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
        }
        r = ::poll(fds.data(), fds.size(), wait);
        if (r >= 0 || errno != EINTR) break;
    }
    if (r < 0) return -errno;
    for (std::size_t i = 0; i < count; ++i) items[i].got = OurBits(fds[i].revents);
    return r;
}

int WakeOpen() {
    return Result(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
}

void WakeSignal(int fd) {
    std::uint64_t one = 1;
    // A full counter already wakes the poll.
    [[maybe_unused]] ssize_t r = ::write(fd, &one, sizeof one);
}

void WakeDrain(int fd) {
    std::uint64_t count;
    [[maybe_unused]] ssize_t r = ::read(fd, &count, sizeof count);
}

Resolve HostByName(const std::string& name, Host& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (r != 0) return ResolveError(r);
    host = Host{};
    host.name = list->ai_canonname ? list->ai_canonname : name;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || !ai->ai_addr) continue;
        std::uint32_t a = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
        if (std::find(host.addrs.begin(), host.addrs.end(), a) == host.addrs.end()) host.addrs.push_back(a);
    }
    ::freeaddrinfo(list);
    return host.addrs.empty() ? Resolve::NoData : Resolve::Ok;
}

Resolve HostByAddr(std::uint32_t addr, Host& host) {
    sockaddr_in sa = MakeAddr(addr, 0);
    char name[NI_MAXHOST];
    int r = ::getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, name, sizeof name, nullptr, 0,
                          NI_NAMEREQD);
    if (r != 0) return ResolveError(r);
    host = Host{name, {}, {addr}};
    return Resolve::Ok;
}

int HostName(std::string& name) {
    char buf[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buf, sizeof buf - 1) < 0) return -errno;
    name = buf;
    return 0;
}

std::vector<Interface> InterfaceAddresses() {
    std::vector<Interface> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) < 0) return result;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP)) continue;
        std::uint32_t a = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr;
        bool seen =
            std::any_of(result.begin(), result.end(), [a](const Interface& x) { return x.addr == a; });
        if (!seen) result.push_back({a, (i->ifa_flags & IFF_LOOPBACK) != 0});
    }
    ::freeifaddrs(list);
    return result;
}

namespace {

bool FromServent(int r, const servent* se, Service& service) {
    if (r != 0 || !se) return false;
    service = Service{se->s_name, Names(se->s_aliases), static_cast<std::uint16_t>(se->s_port),
                      se->s_proto ? se->s_proto : ""};
    return true;
}

bool FromProtoent(int r, const protoent* pe, Protocol& protocol) {
    if (r != 0 || !pe) return false;
    protocol = Protocol{pe->p_name, Names(pe->p_aliases), pe->p_proto};
    return true;
}

} // namespace

bool ServiceByName(const char* name, const char* proto, Service& service) {
    servent se{};
    servent* found = nullptr;
    char buf[4096];
    int r = ::getservbyname_r(name, proto, &se, buf, sizeof buf, &found);
    return FromServent(r, found, service);
}

bool ServiceByPort(std::uint16_t port, const char* proto, Service& service) {
    servent se{};
    servent* found = nullptr;
    char buf[4096];
    int r = ::getservbyport_r(port, proto, &se, buf, sizeof buf, &found);
    return FromServent(r, found, service);
}

bool ProtocolByName(const char* name, Protocol& protocol) {
    protoent pe{};
    protoent* found = nullptr;
    char buf[4096];
    int r = ::getprotobyname_r(name, &pe, buf, sizeof buf, &found);
    return FromProtoent(r, found, protocol);
}

bool ProtocolByNumber(int number, Protocol& protocol) {
    protoent pe{};
    protoent* found = nullptr;
    char buf[4096];
    int r = ::getprotobynumber_r(number, &pe, buf, sizeof buf, &found);
    return FromProtoent(r, found, protocol);
}

} // namespace wsbsd
