// A loader unit played on the simulated serial line (platform/comm's TSimulatedComm), for what a
// pseudo-terminal cannot show: the line's modem signals and the settings the port gives it. It
// answers every line end with its prompt, switches to its loader console on "LOADR", takes an
// upload header and the body it announces, and can drop CTS part way through a body, after which
// it is silent.
#pragma once

#include "platform/comm/SimulatedComm.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

class TLineUnit {
public:
    // COM n stands for the line while the object lives.
    explicit TLineUnit(int comNumber, bool loader = false);
    ~TLineUnit();
    TLineUnit(const TLineUnit&) = delete;
    TLineUnit& operator=(const TLineUnit&) = delete;

    // CTS goes off once this many body bytes of an upload have gone on the line.
    void DropCtsAfter(std::size_t bodyBytes);
    // Every byte the port put on the line so far.
    std::string Received() const;
    std::size_t BodyBytes() const { return body_; }
    bool CtsDropped() const { return dropped_; }
    TSimulatedComm& Line() { return line_; }

private:
    void Run();
    void Take(char c);

    TSimulatedComm line_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> dropCtsAfter_{0};
    std::atomic<std::size_t> body_{0};
    std::atomic<bool> dropped_{false};
    mutable std::mutex m_;
    std::string received_;
    // Used by the unit's own thread only.
    bool loader_;
    std::string lineText_;
    std::size_t bodyLeft_ = 0;
};
