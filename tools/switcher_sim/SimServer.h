#pragma once

#include "tools/simlog/Server.h"
#include "tools/switcher_sim/SimCore.h"

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace switchersim {

// The simulator's sockets and control input around a SimCore: one thread, one poll loop (the
// simulators' shared server). Every client that connects is served; all share the one switcher.
class SimServer {
public:
    // controlFd: where control lines come from (standard input), -1 for none; it is read, never closed.
    SimServer(SimCore& core, int controlFd, std::chrono::steady_clock::time_point start);
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // IPv4 only, as the panel connects; port 0 picks a free port.
    bool Listen(const std::string& address, int port, std::string& error);
    const std::string& Address() const { return BoundAddress; }
    int Port() const { return Served.Port(); }

    // Control lines run from the first accepted connection on, so a script's sleeps count from the
    // moment a panel is there to see them.
    void SetScript(std::vector<std::string> lines) { Served.SetScript(std::move(lines)); }
    // Refused control lines are reported here too (the log has them anyway).
    void SetDiagnostics(std::ostream* out) { Served.SetDiagnostics(out); }

    // Serves until a "quit"; returns the exit status.
    int Run() { return Served.Run(); }

private:
    simlog::UnitOf<SimCore> Unit;
    simlog::Server Served;
    std::string BoundAddress;
};

} // namespace switchersim
