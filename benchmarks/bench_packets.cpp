// What the data packets cost per received byte: a memory port receives a long stream in 4 KiB
// arrivals with the switcher's four packets armed, beside the same port with no packet; a reader
// takes every arrival as well. The stream
// is noise the unasked packets never match, a reply that never ends (one long capture), or many
// short pop-up messages.
#include "communications/VxPacket.h"
#include "communications/tests/support/PacketRun.h"
#include "communications/tests/support/PacketSetups.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t StreamBytes = 64 * 1024 * 1024;
constexpr std::size_t Arrival = 4096;

std::string Noise() {
    static const std::string line = "abcdefghijklmnopqrstuvwxyz 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
    std::string block;
    while (block.size() < Arrival) block += line;
    block.resize(Arrival);
    return block;
}

std::string PopUps() {
    std::string block;
    while (block.size() < Arrival) block += "<POPUPMSG>Input 3 has no signal</POPUPMSG>\r\n";
    return block;
}

// The program's own reader, as beside the packets on a port.
struct TCount {
    TVexCustomComPort* Port = nullptr;
    std::vector<char> Into = std::vector<char>(65536);
    std::size_t Packets = 0;
    void Avail(TObject*, WORD Count) { Port->GetBlock(Into.data(), Count); }
    void Packet(TObject*, const std::string&) { ++Packets; }
};

// range(0): 0 no packets, 1 the four packets, not querying, 2 querying (the reply captures all).
void Run(benchmark::State& state, const std::string& Block) {
    for (auto _ : state) {
        TMemoryPort port;
        port.SetOpen(true);
        TCount count;
        count.Port = &port;
        port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TCount::Avail>(&count));
        std::vector<std::unique_ptr<TVexDataPacket>> packets;
        if (state.range(0) > 0) {
            for (const TPacketSetup& s : Switcher(state.range(0) == 2)) {
                auto p = std::make_unique<TVexDataPacket>(nullptr);
                ApplySetup(*p, s);
                p->SetTimeOut(0);
                p->OnStringPacket = TStringPacketNotifyEvent::Bind<&TCount::Packet>(&count);
                p->SetComPort(&port);
                if (s.Enabled) p->SetEnabled(true);
                packets.push_back(std::move(p));
            }
        }
        for (std::size_t fed = 0; fed < StreamBytes; fed += Block.size()) {
            port.Device()->Receive(Block);
            port.ProcessCommunications();
        }
        state.PauseTiming();
        state.counters["packets"] = static_cast<double>(count.Packets);
        port.SetOpen(false);
        packets.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * StreamBytes));
}

void BM_Noise(benchmark::State& state) {
    Run(state, Noise());
}
BENCHMARK(BM_Noise)->Arg(0)->Arg(1)->Arg(2)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_PopUps(benchmark::State& state) {
    Run(state, PopUps());
}
BENCHMARK(BM_PopUps)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    MainThreadId();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
