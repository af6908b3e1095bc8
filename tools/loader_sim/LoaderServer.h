// The simulator's links and control input around a LoaderCore: a pseudo-terminal standing for the
// unit's serial port, a TCP listener standing for its network console, standard input for control
// lines. One thread, one poll loop.
#pragma once

#include "tools/loader_sim/LoaderCore.h"
#include "tools/simlog/Serve.h"

#include <chrono>
#include <cstdint>
#include <map>
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
    int Port() const { return BoundPort; }
    // A pseudo-terminal in raw mode whose far end (PtyPath) the loader opens as its serial port;
    // linkPath, when not empty, becomes a symbolic link to it.
    bool OpenPty(const std::string& linkPath, std::string& error);
    const std::string& PtyPath() const { return SlavePath; }

    // Control lines that run from the first link on (at once with a pseudo-terminal).
    void SetScript(std::vector<std::string> lines);
    void SetDiagnostics(std::ostream* out) { Diagnostics = out; }

    // Serves until a "quit"; returns the exit status.
    int Run();

private:
    struct Link {
        int Fd = -1;
        bool Pty = false;
        std::string Out;
    };

    void StartScript(int64_t now);
    void Accept(int64_t now);
    void ReadLink(int id, int64_t now);
    void WriteLink(int id, int64_t now);
    void CloseLink(int id, int64_t now);

    LoaderCore& Core;
    int ControlFd;
    simlog::MsClock Clock;
    int ListenFd = -1;
    int BoundPort = 0;
    int SlaveFd = -1; // kept open so the pseudo-terminal lives while the loader has it closed
    std::string SlavePath;
    std::string LinkPath;
    std::map<int, Link> Links;
    int NextId = 1;
    simlog::ControlQueue Input;
    simlog::ControlQueue Script;
    simlog::LineSplitter ControlSplitter;
    std::ostream* Diagnostics = nullptr;
};

} // namespace loadersim
