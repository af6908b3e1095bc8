// Private to platform/winsock: the common services and protocols, for a machine whose own
// database lacks them.
#pragma once

#include "platform/winsock/WsBsd.h"

namespace wsock {

// Names compare without regard to case; proto may be null for any protocol. Ports in network order.
bool KnownServiceByName(const char* name, const char* proto, wsbsd::Service& service);
bool KnownServiceByPort(std::uint16_t port, const char* proto, wsbsd::Service& service);
bool KnownProtocolByName(const char* name, wsbsd::Protocol& protocol);
bool KnownProtocolByNumber(int number, wsbsd::Protocol& protocol);

} // namespace wsock
