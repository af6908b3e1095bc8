// The loader-unit simulator (tools/loader_sim) run by a test: on a pseudo-terminal (mapped to a COM
// number through the environment) and, when asked, on a loopback TCP port; driven through its
// standard input and read back from its log and its image folder.
#pragma once

#include "tools/simlog/ByteLog.h"

#include <string>
#include <sys/types.h>
#include <vector>

class TLoaderSim {
public:
    // options follow "--pty --log FILE --images DIR"; "--port 0" adds the TCP console.
    explicit TLoaderSim(const std::vector<std::string>& options = {});
    // Quits the simulator (killing it when it does not end) and removes its files.
    ~TLoaderSim();
    TLoaderSim(const TLoaderSim&) = delete;
    TLoaderSim& operator=(const TLoaderSim&) = delete;

    bool Running() const { return !pty_.empty(); }
    const std::string& Pty() const { return pty_; }
    int Port() const { return port_; }
    // COM n stands for the simulator's pseudo-terminal until the test ends.
    void MapTo(int n) const;
    // A control command, as typed on its standard input; waits until the simulator logged it.
    void Command(const std::string& line);
    // Every byte received from the loader so far, in order.
    std::string Received() const;
    using TChunk = simlog::ReceivedChunk;
    std::vector<TChunk> Chunks() const;
    // The log lines of events ("*") so far.
    std::vector<std::string> Events() const;
    bool HasEvent(const std::string& text) const;
    // Image n (from 1) as the simulator kept it; empty when there is none.
    std::string Image(int n) const;
    const std::string& LogPath() const { return logPath_; }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int port_ = 0;
    std::string pty_;
    std::string logPath_;
    std::string imageDir_;
};

// Removes the COM mappings MapTo made.
void ClearComMappings();
