#include "tools/switcher_sim/SimServer.h"

namespace switchersim {

SimServer::SimServer(SimCore& core, int controlFd, std::chrono::steady_clock::time_point start)
    : Unit(core), Served(Unit, controlFd, start, "switcher-sim") {}

bool SimServer::Listen(const std::string& address, int port, std::string& error) {
    if (!Served.Listen(address, port, error)) return false;
    BoundAddress = address;
    return true;
}

} // namespace switchersim
