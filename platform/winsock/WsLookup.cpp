// Host, service and protocol look-ups, answered in per-thread records as Winsock's are.
#include "platform/winsock/Winsock.h"

#include "platform/winsock/WsBsd.h"
#include "platform/winsock/WsLastError.h"
#include "platform/winsock/WsServices.h"
#include "platform/winsock/WsSockets.h"

#include <array>
#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>
#include <vector>

namespace {

bool Initialised() {
    wsock::Engine& e = wsock::Engine::Get();
    std::lock_guard<std::mutex> lk(e.mutex);
    return e.startups > 0;
}

// A null-terminated array of pointers into strings, which must outlive it unchanged.
std::vector<char*> PointersTo(std::vector<std::string>& strings) {
    std::vector<char*> ptrs;
    for (std::string& s : strings) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
    return ptrs;
}

struct HostRecord {
    THostEnt ent{};
    std::string name;
    std::vector<std::string> aliases;
    std::vector<char*> aliasPtrs;
    std::vector<std::array<char, 4>> addrs;
    std::vector<char*> addrPtrs;

    THostEnt* Fill(wsbsd::Host host) {
        name = std::move(host.name);
        aliases = std::move(host.aliases);
        aliasPtrs = PointersTo(aliases);
        addrs.assign(host.addrs.size(), {});
        addrPtrs.clear();
        for (std::size_t i = 0; i < host.addrs.size(); ++i) {
            std::memcpy(addrs[i].data(), &host.addrs[i], 4);
            addrPtrs.push_back(addrs[i].data());
        }
        addrPtrs.push_back(nullptr);
        ent = THostEnt{name.data(), aliasPtrs.data(), AF_INET, 4, addrPtrs.data()};
        return &ent;
    }
};

struct ServiceRecord {
    TServEnt ent{};
    std::string name;
    std::vector<std::string> aliases;
    std::vector<char*> aliasPtrs;
    std::string proto;

    TServEnt* Fill(wsbsd::Service service) {
        name = std::move(service.name);
        aliases = std::move(service.aliases);
        aliasPtrs = PointersTo(aliases);
        proto = std::move(service.proto);
        ent = TServEnt{name.data(), aliasPtrs.data(), static_cast<short>(service.port), proto.data()};
        return &ent;
    }
};

struct ProtocolRecord {
    TProtoEnt ent{};
    std::string name;
    std::vector<std::string> aliases;
    std::vector<char*> aliasPtrs;

    TProtoEnt* Fill(wsbsd::Protocol protocol) {
        name = std::move(protocol.name);
        aliases = std::move(protocol.aliases);
        aliasPtrs = PointersTo(aliases);
        ent = TProtoEnt{name.data(), aliasPtrs.data(), static_cast<short>(protocol.number)};
        return &ent;
    }
};

// One host record per thread, shared by gethostbyname and gethostbyaddr.
thread_local HostRecord hostRecord;
thread_local ServiceRecord serviceRecord;
thread_local ProtocolRecord protocolRecord;

int ResolveError(wsbsd::Resolve r) {
    switch (r) {
    case wsbsd::Resolve::Ok:
        return 0;
    case wsbsd::Resolve::NotFound:
        return WSAHOST_NOT_FOUND;
    case wsbsd::Resolve::TryAgain:
        return WSATRY_AGAIN;
    case wsbsd::Resolve::NoData:
        return WSANO_DATA;
    case wsbsd::Resolve::NoRecovery:
        break;
    }
    return WSANO_RECOVERY;
}

template <class T> T* NotFound(int error) {
    wsock::Fail(error);
    return nullptr;
}

// The machine's own addresses are those of its interfaces rather than what its name resolves to
// (often a loopback alias); loopback only when nothing else is up.
wsbsd::Host LocalHost(const std::string& hostName) {
    wsbsd::Host host{hostName, {}, {}};
    std::vector<wsbsd::Interface> ifs = wsbsd::InterfaceAddresses();
    for (const wsbsd::Interface& i : ifs)
        if (!i.loopback) host.addrs.push_back(i.addr);
    if (host.addrs.empty())
        for (const wsbsd::Interface& i : ifs) host.addrs.push_back(i.addr);
    if (host.addrs.empty()) host.addrs.push_back(htonl(INADDR_LOOPBACK));
    return host;
}

} // namespace

THostEnt* gethostbyname(const char* name) {
    if (!Initialised()) return NotFound<THostEnt>(WSANOTINITIALISED);
    std::string own;
    if (wsbsd::HostName(own) < 0) own.clear();
    if (!name || !*name || (!own.empty() && ::strcasecmp(name, own.c_str()) == 0))
        return hostRecord.Fill(LocalHost(own));
    wsbsd::Host host;
    wsbsd::Resolve r = wsbsd::HostByName(name, host);
    if (r != wsbsd::Resolve::Ok) return NotFound<THostEnt>(ResolveError(r));
    return hostRecord.Fill(std::move(host));
}

THostEnt* gethostbyaddr(const char* addr, int len, int type) {
    if (!Initialised()) return NotFound<THostEnt>(WSANOTINITIALISED);
    if (!addr || len < 4) return NotFound<THostEnt>(WSAEFAULT);
    if (type != AF_INET) return NotFound<THostEnt>(WSAEAFNOSUPPORT);
    std::uint32_t a;
    std::memcpy(&a, addr, sizeof a);
    wsbsd::Host host;
    wsbsd::Resolve r = wsbsd::HostByAddr(a, host);
    if (r != wsbsd::Resolve::Ok) return NotFound<THostEnt>(ResolveError(r));
    return hostRecord.Fill(std::move(host));
}

int gethostname(char* name, int namelen) {
    if (!Initialised()) return wsock::Fail(WSANOTINITIALISED);
    std::string own;
    if (wsbsd::HostName(own) < 0) return wsock::Fail(WSAENETDOWN);
    if (!name || namelen <= static_cast<int>(own.size())) return wsock::Fail(WSAEFAULT);
    std::memcpy(name, own.c_str(), own.size() + 1);
    return 0;
}

TServEnt* getservbyname(const char* name, const char* proto) {
    if (!Initialised()) return NotFound<TServEnt>(WSANOTINITIALISED);
    if (!name) return NotFound<TServEnt>(WSAEFAULT);
    wsbsd::Service service;
    if (!wsbsd::ServiceByName(name, proto, service) && !wsock::KnownServiceByName(name, proto, service))
        return NotFound<TServEnt>(WSANO_DATA);
    return serviceRecord.Fill(std::move(service));
}

TServEnt* getservbyport(int port, const char* proto) {
    if (!Initialised()) return NotFound<TServEnt>(WSANOTINITIALISED);
    const auto p = static_cast<std::uint16_t>(port);
    wsbsd::Service service;
    if (!wsbsd::ServiceByPort(p, proto, service) && !wsock::KnownServiceByPort(p, proto, service))
        return NotFound<TServEnt>(WSANO_DATA);
    return serviceRecord.Fill(std::move(service));
}

TProtoEnt* getprotobyname(const char* name) {
    if (!Initialised()) return NotFound<TProtoEnt>(WSANOTINITIALISED);
    if (!name) return NotFound<TProtoEnt>(WSAEFAULT);
    wsbsd::Protocol protocol;
    if (!wsbsd::ProtocolByName(name, protocol) && !wsock::KnownProtocolByName(name, protocol))
        return NotFound<TProtoEnt>(WSANO_DATA);
    return protocolRecord.Fill(std::move(protocol));
}

TProtoEnt* getprotobynumber(int number) {
    if (!Initialised()) return NotFound<TProtoEnt>(WSANOTINITIALISED);
    wsbsd::Protocol protocol;
    if (!wsbsd::ProtocolByNumber(number, protocol) && !wsock::KnownProtocolByNumber(number, protocol))
        return NotFound<TProtoEnt>(WSANO_DATA);
    return protocolRecord.Fill(std::move(protocol));
}
