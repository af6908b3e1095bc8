// Private to platform/winsock: the BSD socket calls behind the Winsock service, in neutral terms,
// so that the Winsock side never sees the system's socket headers. Every socket call answers a
// result >= 0 or a negated errno. Addresses and ports are in network order. Descriptors are
// created non-blocking and close-on-exec; sends never raise SIGPIPE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wsbsd {

int OpenStream();
int Close(int fd);
int Bind(int fd, std::uint32_t addr, std::uint16_t port);
int Connect(int fd, std::uint32_t addr, std::uint16_t port);
int Listen(int fd, int backlog);
int Accept(int fd, std::uint32_t* addr, std::uint16_t* port);
int Shutdown(int fd, bool receive, bool send);
int LocalName(int fd, std::uint32_t* addr, std::uint16_t* port);
int PeerName(int fd, std::uint32_t* addr, std::uint16_t* port);

inline constexpr unsigned kMsgOob = 1;
inline constexpr unsigned kMsgPeek = 2;
long Send(int fd, const void* buf, std::size_t len, unsigned flags);
long Recv(int fd, void* buf, std::size_t len, unsigned flags);

int BytesReadable(int fd);
// The error the socket holds (0 for none), cleared by reading it.
int PendingError(int fd);

enum class Option { ReuseAddr, KeepAlive, OobInline, SendBuffer, ReceiveBuffer, NoDelay };
int SetOption(int fd, Option option, int value);
int GetOption(int fd, Option option, int* value);
int SetLinger(int fd, bool on, int seconds);
int GetLinger(int fd, bool* on, int* seconds);

inline constexpr unsigned kPollIn = 0x01;
inline constexpr unsigned kPollOut = 0x02;
inline constexpr unsigned kPollPri = 0x04;
inline constexpr unsigned kPollRdHup = 0x08; // the peer shut down its sending side
inline constexpr unsigned kPollErr = 0x10;   // reported whether asked for or not, as are HUP and NVAL
inline constexpr unsigned kPollHup = 0x20;
inline constexpr unsigned kPollNval = 0x40;
struct PollItem {
    int fd;
    unsigned want;
    unsigned got;
};
// timeoutMs < 0 waits without limit. Returns the number of items with events, or a negated errno.
int Poll(PollItem* items, std::size_t count, int timeoutMs);

// An eventfd that wakes a Poll.
int WakeOpen();
void WakeSignal(int fd);
void WakeDrain(int fd);

enum class Resolve { Ok, NotFound, TryAgain, NoRecovery, NoData };

struct Host {
    std::string name;
    std::vector<std::string> aliases;
    std::vector<std::uint32_t> addrs;
};
Resolve HostByName(const std::string& name, Host& host);
Resolve HostByAddr(std::uint32_t addr, Host& host);
int HostName(std::string& name);

struct Interface {
    std::uint32_t addr;
    bool loopback;
};
// The IPv4 addresses of the interfaces that are up, in the system's order.
std::vector<Interface> InterfaceAddresses();

struct Service {
    std::string name;
    std::vector<std::string> aliases;
    std::uint16_t port;
    std::string proto;
};
// From the system's services database; proto may be null for any protocol.
bool ServiceByName(const char* name, const char* proto, Service& service);
bool ServiceByPort(std::uint16_t port, const char* proto, Service& service);

struct Protocol {
    std::string name;
    std::vector<std::string> aliases;
    int number;
};
bool ProtocolByName(const char* name, Protocol& protocol);
bool ProtocolByNumber(int number, Protocol& protocol);

} // namespace wsbsd
