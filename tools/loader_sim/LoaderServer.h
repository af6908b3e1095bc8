// The simulator's links and control input around a LoaderCore: a pseudo-terminal standing for the
// unit's serial port, a TCP listener standing for its network console, standard input for control
// lines. One thread, one poll loop (the simulators' shared server).
#pragma once

#include "tools/loader_sim/LoaderCore.h"
#include "tools/simlog/Server.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace loadersim {

class LoaderServer {
public:
    // controlFd: where control lines come from (standard input), -1 for none; read, never closed.
    LoaderServer(LoaderCore& core, int controlFd, std::chrono::steady_clock::time_point start);
    ~LoaderServer();
    LoaderServer(const LoaderServer&) = delete;
    LoaderServer& operator=(const LoaderServer&) = delete;

    // IPv4; port 0 picks a free port.
    bool Listen(const std::string& address, int port, std::string& error);
    int Port() const { return Served.Port(); }
    // The serial line's rate in bits a second (ten bits a byte); 0 for none. The pseudo-terminal
    // is then read and written no faster than such a line carries bytes. Set before OpenPty.
    void SetBaud(int64_t baud) { Baud = baud; }
    // A pseudo-terminal in raw mode whose far end (PtyPath) the loader opens as its serial port;
    // linkPath, when not empty, becomes a symbolic link to it.
    bool OpenPty(const std::string& linkPath, std::string& error);
    const std::string& PtyPath() const { return SlavePath; }
    // Told the path of each pseudo-terminal opened in place of one that a drop hung up.
    void SetNewPty(std::function<void(const std::string& path)> told) { NewPty = std::move(told); }

    // Control lines that run from the first link on (at once with a pseudo-terminal).
    void SetScript(std::vector<std::string> lines) { Served.SetScript(std::move(lines)); }
    void SetDiagnostics(std::ostream* out) { Served.SetDiagnostics(out); }

    // Serves until a "quit"; returns the exit status.
    int Run() { return Served.Run(); }

private:
    void HangUp();

    simlog::UnitOf<LoaderCore> Unit;
    simlog::Server Served;
    int64_t Baud = 0;
    int SlaveFd = -1; // kept open so the pseudo-terminal lives while the loader has it closed
    std::string SlavePath;
    std::string LinkPath;
    std::function<void(const std::string&)> NewPty;
};

} // namespace loadersim
