// What the data packets cost per received byte: a memory port receives a long stream in 4 KiB
// arrivals with the switcher's four packets armed, beside the same port with no packet; a reader
// takes every arrival as well. The stream
// is noise the unasked packets never match, a reply that never ends (one long capture), or many
// short pop-up messages.
#include "communications/VxPacket.h"
#include "communications/tests/support/PacketRun.h"
#include "communications/tests/support/PacketSetups.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

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

// Replies of Length bytes, each ending in '#'.
std::string Replies(std::size_t Length) {
    std::string reply = Noise().substr(0, Length - 1) + "#";
    std::string block;
    while (block.size() < Arrival) block += reply;
    return block;
}

// The program's own reader, as beside the packets on a port. A reply packet is armed again as each
// one arrives, as while the program queries without pause.
struct TCount {
    TVexCustomComPort* Port = nullptr;
    std::vector<char> Into = std::vector<char>(65536);
    std::size_t Packets = 0;
    bool Rearm = false;
    void Avail(TObject*, WORD Count) { Port->GetBlock(Into.data(), Count); }
    void Packet(TObject* Sender, const std::string&) {
        ++Packets;
        if (Rearm) static_cast<TVexDataPacket*>(Sender)->SetEnabled(true);
    }
};

// range(0): 0 no packets, 1 the four packets, not querying, 2 querying (the reply captures all, or
// with Rearm every reply).
void Run(benchmark::State& state, const std::string& Block, bool Rearm = false) {
    for (auto _ : state) {
        TMemoryPort port;
        port.SetOpen(true);
        TCount count;
        count.Port = &port;
        count.Rearm = Rearm;
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
BENCHMARK(BM_Noise)->Arg(0)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_PopUps(benchmark::State& state) {
    Run(state, PopUps());
}
BENCHMARK(BM_PopUps)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);

// The same stream as BM_Noise/2 cut into replies of range(1) bytes: beside the one capture of the
// whole stream, what a byte of a reply costs when the reply is short.
void BM_Replies(benchmark::State& state) {
    Run(state, Replies(static_cast<std::size_t>(state.range(1))), true);
}
BENCHMARK(BM_Replies)->Args({2, 64})->Args({2, 1024})->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Freed blocks stay in the heap, however large, as in a program that has run a while: memory the
    // process never touched costs a page fault per 4 KiB, which on some machines costs more than
    // collecting the bytes. The long capture's first run pays for it; the second shows the bytes.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    MainThreadId();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
