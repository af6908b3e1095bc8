// The packet cases every port runs: packet settings, the bytes as they arrive, and the packets
// expected, in order, as "<name>:<text>".
#pragma once

#include "communications/tests/support/PacketSetups.h"

#include <ostream>
#include <string>
#include <vector>

struct TPacketCase {
    const char* What;
    std::vector<TPacketSetup> Packets;
    std::vector<std::string> Arrivals;
    std::vector<std::string> Expected;
};

inline void PrintTo(const TPacketCase& c, std::ostream* os) {
    *os << c.What;
}

// The switcher's three unasked messages in one string.
extern const std::string Unasked;
extern const std::vector<TPacketCase> MatchCases;
