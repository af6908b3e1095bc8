#include "platform/winsock/Winsock.h"

#include "platform/winsock/WsBsd.h"
#include "platform/winsock/WsServices.h"
#include "platform/winsock/tests/support/WsTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class WsLookup : public WinsockTest {};

std::vector<DWORD> Addresses(const THostEnt* h) {
    std::vector<DWORD> list;
    for (char** p = h->h_addr_list; *p; ++p) {
        DWORD a;
        std::memcpy(&a, *p, 4);
        list.push_back(a);
    }
    return list;
}

bool IsLoopback(DWORD netAddr) {
    return (ntohl(netAddr) >> 24) == 127;
}

} // namespace

TEST_F(WsLookup, HostByNameResolvesLocalhost) {
    THostEnt* h = gethostbyname("localhost");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_addrtype, AF_INET);
    EXPECT_EQ(h->h_length, 4);
    ASSERT_NE(h->h_name, nullptr);
    ASSERT_NE(h->h_aliases, nullptr);
    std::vector<DWORD> addrs = Addresses(h);
    ASSERT_FALSE(addrs.empty());
    EXPECT_EQ(addrs[0], htonl(INADDR_LOOPBACK));

    h = gethostbyname("10.20.30.40");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Addresses(h), std::vector<DWORD>{inet_addr("10.20.30.40")});
}

TEST_F(WsLookup, OwnHostNameGivesTheInterfaceAddresses) {
    char name[256];
    ASSERT_EQ(gethostname(name, static_cast<int>(sizeof name)), 0);
    ASSERT_GT(std::strlen(name), 0u);
    char tiny[1];
    EXPECT_EQ(gethostname(tiny, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);

    THostEnt* h = gethostbyname(name);
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(h->h_name, name);
    std::vector<DWORD> addrs = Addresses(h);
    ASSERT_FALSE(addrs.empty());
    bool anyOutside = false;
    for (const wsbsd::Interface& i : wsbsd::InterfaceAddresses()) anyOutside = anyOutside || !i.loopback;
    // Not the loopback alias a name may resolve to: what the machine's interfaces carry.
    for (DWORD a : addrs) {
        EXPECT_EQ(IsLoopback(a), !anyOutside) << inet_ntoa(TInAddr{a});
        bool onInterface = false;
        for (const wsbsd::Interface& i : wsbsd::InterfaceAddresses())
            onInterface = onInterface || i.addr == a;
        EXPECT_TRUE(onInterface) << inet_ntoa(TInAddr{a});
    }
}

TEST_F(WsLookup, HostByAddr) {
    DWORD loop = htonl(INADDR_LOOPBACK);
    THostEnt* h = gethostbyaddr(reinterpret_cast<const char*>(&loop), 4, AF_INET);
    ASSERT_NE(h, nullptr);
    EXPECT_GT(std::strlen(h->h_name), 0u);
    EXPECT_EQ(Addresses(h), std::vector<DWORD>{loop});
    EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char*>(&loop), 4, 23), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    EXPECT_EQ(gethostbyaddr(nullptr, 4, AF_INET), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
}

TEST_F(WsLookup, ServicesByNameAndPort) {
    TServEnt* s = getservbyname("telnet", "tcp");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(ntohs(static_cast<WORD>(s->s_port)), 23);
    EXPECT_STREQ(s->s_name, "telnet");
    EXPECT_STREQ(s->s_proto, "tcp");
    s = getservbyname("telnet", nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(ntohs(static_cast<WORD>(s->s_port)), 23);

    s = getservbyport(htons(23), "tcp");
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->s_name, "telnet");

    EXPECT_EQ(getservbyname("no-such-service", "tcp"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
    EXPECT_EQ(getservbyname(nullptr, "tcp"), nullptr);
}

TEST_F(WsLookup, ProtocolsByNameAndNumber) {
    TProtoEnt* p = getprotobyname("tcp");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->p_proto, 6);
    p = getprotobynumber(17);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->p_name, "udp");
    EXPECT_EQ(getprotobyname("no-such-protocol"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
}

// What a machine without a services database still finds.
TEST(WsServices, BuiltInTableKnowsTheCommonServices) {
    struct Case {
        const char* name;
        const char* proto;
        int port;
    };
    const Case cases[] = {{"telnet", "tcp", 23}, {"TELNET", nullptr, 23}, {"ftp", "tcp", 21},
                          {"http", "tcp", 80},   {"domain", "udp", 53},   {"ssh", "TCP", 22}};
    for (const Case& c : cases) {
        wsbsd::Service s;
        ASSERT_TRUE(wsock::KnownServiceByName(c.name, c.proto, s)) << c.name;
        EXPECT_EQ(ntohs(s.port), c.port) << c.name;
    }
    wsbsd::Service s;
    EXPECT_FALSE(wsock::KnownServiceByName("telnet", "udp", s));
    EXPECT_FALSE(wsock::KnownServiceByName("no-such-service", nullptr, s));
    ASSERT_TRUE(wsock::KnownServiceByPort(htons(23), "tcp", s));
    EXPECT_EQ(s.name, "telnet");
    EXPECT_EQ(s.proto, "tcp");

    wsbsd::Protocol p;
    ASSERT_TRUE(wsock::KnownProtocolByName("TCP", p));
    EXPECT_EQ(p.number, 6);
}
