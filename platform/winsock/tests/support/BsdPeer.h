// The other end of a test connection: plain blocking BSD sockets on 127.0.0.1, kept in their own
// file because the system's socket headers and Winsock.h cannot meet. Ports are in host order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace peer {

// A listening socket on an ephemeral port (returned in port), or -1.
int Listen(std::uint16_t& port);
int Connect(std::uint16_t port);
// The next connection, or -1 after timeoutMs.
int Accept(int listenFd, int timeoutMs);
bool SendAll(int fd, const std::string& data);
bool SendUrgent(int fd, char byte);
// Up to count bytes; stops early at end of stream or after timeoutMs without data.
std::string Receive(int fd, std::size_t count, int timeoutMs);
// True when the other side has closed and everything before it has been read.
bool AtEndOfStream(int fd, int timeoutMs);
void SetReceiveBuffer(int fd, int bytes);
void Close(int fd);
// Closes with a reset instead of an orderly close.
void Reset(int fd);
// A port on 127.0.0.1 that nothing listens on.
std::uint16_t UnusedPort();

} // namespace peer
