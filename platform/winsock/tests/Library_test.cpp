#include "platform/winsock/Library.h"

#include "platform/win/Sync.h"
#include "platform/winsock/Winsock.h"

#include <gtest/gtest.h>

namespace {

// The names the socket layer binds, in the order of its table.
const char* const kBoundNames[] = {"accept",
                                   "bind",
                                   "closesocket",
                                   "connect",
                                   "ioctlsocket",
                                   "getpeername",
                                   "getsockname",
                                   "getsockopt",
                                   "htonl",
                                   "htons",
                                   "inet_addr",
                                   "inet_ntoa",
                                   "listen",
                                   "ntohl",
                                   "ntohs",
                                   "recv",
                                   "recvfrom",
                                   "select",
                                   "send",
                                   "sendto",
                                   "setsockopt",
                                   "shutdown",
                                   "socket",
                                   "gethostbyaddr",
                                   "gethostbyname",
                                   "gethostname",
                                   "getservbyport",
                                   "getservbyname",
                                   "getprotobynumber",
                                   "getprotobyname",
                                   "WSAStartup",
                                   "WSACleanup",
                                   "WSASetLastError",
                                   "WSAGetLastError",
                                   "WSAIsBlocking",
                                   "WSAUnhookBlockingHook",
                                   "WSASetBlockingHook",
                                   "WSACancelBlockingCall",
                                   "WSAAsyncGetServByName",
                                   "WSAAsyncGetServByPort",
                                   "WSAAsyncGetProtoByName",
                                   "WSAAsyncGetProtoByNumber",
                                   "WSAAsyncGetHostByName",
                                   "WSAAsyncGetHostByAddr",
                                   "WSACancelAsyncRequest",
                                   "WSAAsyncSelect"};

} // namespace

TEST(Library, LoadsTheSocketLibraryByItsNames) {
    for (const char* name : {"WSOCK32", "wsock32.dll", "WSOCK32.DLL", "Wsock32"}) {
        HMODULE h = LoadLibrary(name);
        EXPECT_NE(h, 0) << name;
        EXPECT_TRUE(FreeLibrary(h)) << name;
    }
    for (const char* name : {"WS2_32", "wsock32x", "kernel32.dll", "RSRC32.DLL", "", "wsock"}) {
        EXPECT_EQ(LoadLibrary(name), 0) << name;
        EXPECT_EQ(GetLastError(), 126u);
    }
    EXPECT_EQ(LoadLibrary(nullptr), 0);
}

TEST(Library, BindsEveryEntryPointTheSocketLayerNeeds) {
    HMODULE h = LoadLibrary("WSOCK32");
    ASSERT_NE(h, 0);
    for (const char* name : kBoundNames) EXPECT_NE(GetProcAddress(h, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(h, "connect"),
              reinterpret_cast<FARPROC>(static_cast<int (*)(SOCKET, const TSockAddr*, int)>(&connect)));
    EXPECT_EQ(GetProcAddress(h, "WSAConnect"), nullptr);
    EXPECT_EQ(GetLastError(), 127u);
    EXPECT_EQ(GetProcAddress(h, "CONNECT"), nullptr);
    EXPECT_EQ(GetProcAddress(h, nullptr), nullptr);

    auto boundHtons = reinterpret_cast<WORD (*)(WORD)>(GetProcAddress(h, "htons"));
    EXPECT_EQ(boundHtons(0x1234), htons(0x1234));
    EXPECT_TRUE(FreeLibrary(h));
}

TEST(Library, EntryPointsGoWithTheLastFree) {
    HMODULE a = LoadLibrary("WSOCK32");
    HMODULE b = LoadLibrary("WSOCK32");
    ASSERT_EQ(a, b);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_NE(GetProcAddress(b, "send"), nullptr);
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(GetProcAddress(b, "send"), nullptr);
    EXPECT_FALSE(FreeLibrary(b));
    EXPECT_EQ(GetProcAddress(12345, "send"), nullptr);
}
