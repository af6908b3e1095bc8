#pragma once

#include "tools/simlog/Serve.h"
#include "tools/switcher_sim/SimCore.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace switchersim {

// The simulator's sockets and control input around a SimCore: one thread, one poll loop. Every
// client that connects is served; all share the one switcher.
class SimServer {
public:
    // controlFd: where control lines come from (standard input), -1 for none; it is read, never closed.
    SimServer(SimCore& core, int controlFd, std::chrono::steady_clock::time_point start);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // IPv4 only, as the panel connects; port 0 picks a free port.
    bool Listen(const std::string& address, int port, std::string& error);
    const std::string& Address() const { return BoundAddress; }
    int Port() const { return BoundPort; }

    // Control lines run from the first accepted connection on, so a script's sleeps count from the
    // moment a panel is there to see them.
    void SetScript(std::vector<std::string> lines);
    // Refused control lines are reported here too (the log has them anyway).
    void SetDiagnostics(std::ostream* out) { Diagnostics = out; }

    // Serves until a "quit"; returns the exit status.
    int Run();

private:
    struct Client {
        int Fd = -1;
        std::string Out;
    };

    void Accept(int64_t now);
    void ReadClient(int id, int64_t now);
    void WriteClient(int id, int64_t now);
    void CloseClient(int id);

    SimCore& Core;
    int ControlFd;
    simlog::MsClock Clock;
    int ListenFd = -1;
    std::string BoundAddress;
    int BoundPort = 0;
    std::map<int, Client> Clients;
    int NextId = 1;
    simlog::ControlQueue Input;
    simlog::ControlQueue Script;
    simlog::LineSplitter ControlSplitter;
    std::ostream* Diagnostics = nullptr;
};

} // namespace switchersim
