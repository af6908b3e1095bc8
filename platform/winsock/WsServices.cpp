#include "platform/winsock/WsServices.h"

#include "platform/winsock/Winsock.h"

#include <strings.h>

namespace wsock {

namespace {

struct Known {
    const char* name;
    int port;
    const char* proto;
};

constexpr Known kServices[] = {
    {"echo", 7, "tcp"},     {"echo", 7, "udp"},     {"discard", 9, "tcp"},   {"discard", 9, "udp"},
    {"daytime", 13, "tcp"}, {"daytime", 13, "udp"}, {"ftp-data", 20, "tcp"}, {"ftp", 21, "tcp"},
    {"ssh", 22, "tcp"},     {"telnet", 23, "tcp"},  {"smtp", 25, "tcp"},     {"time", 37, "tcp"},
    {"time", 37, "udp"},    {"domain", 53, "tcp"},  {"domain", 53, "udp"},   {"tftp", 69, "udp"},
    {"finger", 79, "tcp"},  {"http", 80, "tcp"},    {"pop3", 110, "tcp"},    {"sunrpc", 111, "tcp"},
    {"sunrpc", 111, "udp"}, {"nntp", 119, "tcp"},   {"ntp", 123, "udp"},     {"imap", 143, "tcp"},
    {"snmp", 161, "udp"},   {"ldap", 389, "tcp"},   {"https", 443, "tcp"},   {"socks", 1080, "tcp"},
};

constexpr Known kProtocols[] = {
    {"ip", 0, nullptr}, {"icmp", 1, nullptr}, {"tcp", 6, nullptr}, {"udp", 17, nullptr}};

bool Same(const char* a, const char* b) {
    return ::strcasecmp(a, b) == 0;
}

bool Found(const Known& k, wsbsd::Service& service) {
    service = wsbsd::Service{k.name, {}, htons(static_cast<WORD>(k.port)), k.proto};
    return true;
}

} // namespace

bool KnownServiceByName(const char* name, const char* proto, wsbsd::Service& service) {
    if (!name) return false;
    for (const Known& k : kServices)
        if (Same(k.name, name) && (!proto || Same(k.proto, proto))) return Found(k, service);
    return false;
}

bool KnownServiceByPort(std::uint16_t port, const char* proto, wsbsd::Service& service) {
    for (const Known& k : kServices)
        if (htons(static_cast<WORD>(k.port)) == port && (!proto || Same(k.proto, proto)))
            return Found(k, service);
    return false;
}

bool KnownProtocolByName(const char* name, wsbsd::Protocol& protocol) {
    if (!name) return false;
    for (const Known& k : kProtocols) {
        if (Same(k.name, name)) {
            protocol = wsbsd::Protocol{k.name, {}, k.port};
            return true;
        }
    }
    return false;
}

bool KnownProtocolByNumber(int number, wsbsd::Protocol& protocol) {
    for (const Known& k : kProtocols) {
        if (k.port == number) {
            protocol = wsbsd::Protocol{k.name, {}, k.port};
            return true;
        }
    }
    return false;
}

} // namespace wsock
