// The switcher simulator (tools/switcher_sim) run by a test: started on a free loopback port with a
// log file, driven through its standard input, and read back from its log.
#pragma once

#include "tools/simlog/ByteLog.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

class TSwitcherSim {
public:
    // model "corvane" or "halverin"; extra options follow.
    explicit TSwitcherSim(const std::string& model, const std::vector<std::string>& options = {});
    // Quits the simulator (killing it when it does not end).
    ~TSwitcherSim();
    TSwitcherSim(const TSwitcherSim&) = delete;
    TSwitcherSim& operator=(const TSwitcherSim&) = delete;

    bool Running() const { return port_ > 0; }
    int Port() const { return port_; }
    // A control command, as typed on its standard input.
    void Command(const std::string& line);
    // Every byte received from the panel so far, in order.
    std::string Received() const;
    // Received from the log, with the wall-clock time (milliseconds since the epoch) of each chunk.
    using TChunk = simlog::ReceivedChunk;
    std::vector<TChunk> Chunks() const;
    // The log lines of events ("*") so far.
    std::vector<std::string> Events() const;
    const std::string& LogPath() const { return logPath_; }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int port_ = 0;
    std::string logPath_;
};

// Pumps the panel's messages until done() holds or timeoutMs passes; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
