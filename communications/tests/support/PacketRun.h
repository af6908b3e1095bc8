// A port whose device is memory, for the packet tests and the packet fuzz target, and a run of
// packet setups over it that answers what the packets delivered.
#pragma once

#include "communications/VxPort.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "communications/tests/support/PacketSetups.h"

#include <string>
#include <vector>

// Finishes a close that a delivery deferred at the end of the pass, as the socket layer does.
class TStepDispatcher : public TMemoryDispatcher {
public:
    using TMemoryDispatcher::TMemoryDispatcher;
    int ProcessCommunications() override;
};

class TMemoryPort : public TVexComPort {
public:
    explicit TMemoryPort(TMemoryDispatcher::TMode Mode = TMemoryDispatcher::TMode::Manual);
    TMemoryDispatcher* Device() { return static_cast<TMemoryDispatcher*>(GetDispatcher()); }

protected:
    TVexBaseDispatcher* ActivateDeviceLayer() override;

private:
    TMemoryDispatcher::TMode FMode;
};

// One packet per setup on a fresh memory port; each arrival reaches the device and one dispatch
// pass runs. Answers every packet event as "Name:bytes" ("Name timed out:bytes") and every error
// that reached the application as "error:text", in the order they happened.
std::vector<std::string> RunPackets(const std::vector<TPacketSetup>& Setups,
                                    const std::vector<std::string>& Arrivals);

// The stream in two arrivals, cut before byte At.
std::vector<std::string> SplitAt(const std::string& Stream, std::size_t At);
// The stream one byte per arrival.
std::vector<std::string> Bytewise(const std::string& Stream);
