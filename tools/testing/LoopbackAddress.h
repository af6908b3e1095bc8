#pragma once
// 127.0.0.1 at a port, for the tests' own peers on the system's sockets.

#include <arpa/inet.h>
#include <netinet/in.h>

inline sockaddr_in LoopbackAddress(unsigned short port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}
