// Receive throughput of a serial port over a pseudo-terminal pair: a writer thread pours bytes into
// the far end, and either TVexComPort takes them (its OnTriggerAvail handler reads each announced
// block with GetBlock while the main thread pumps messages) or a plain read loop takes them from the
// near end. Port and plain runs alternate on the same stream, several of each, so that the load of a
// busy machine falls on both alike; "of_raw" is the port's rate over the plain loop's, and the last
// line printed gives those ratios.
//
// The port runs with its default input size (the device's own queue, 4 KiB) and with one as large as
// the receive ring. A pseudo-terminal hands out at most 4 KiB a read and refills slowly once full, so
// the rate depends on the device being read without pauses while the main thread handles what came.
//
// Each run also reports what the process spent per MiB, every thread counted (the writer's too):
// CPU milliseconds and voluntary context switches. On a busy machine these say more than the clock.
#include "benchmarks/support/BenchPty.h"
#include "benchmarks/support/BenchUsage.h"
#include "communications/VxMisc.h"
#include "communications/VxPort.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ComNumber = 90;
constexpr std::size_t BytesPerRun = 8u << 20;
constexpr std::size_t WriteChunk = 4096;

TPtyPair& Pair() {
    static TPtyPair pair(ComNumber);
    return pair;
}

using Clock = std::chrono::steady_clock;

// Seconds for one run of the plain loop.
double RawRun() {
    const int fd = Pair().Near();
    std::vector<char> buffer(65536);
    const auto start = Clock::now();
    std::thread writer([] { Pair().Pour(BytesPerRun, std::string(WriteChunk, 'x')); });
    std::size_t got = 0;
    while (got < BytesPerRun) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    writer.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct TReceiver {
    TVexCustomComPort* Port = nullptr;
    std::vector<char> Block = std::vector<char>(ReceiveRingSize);
    std::size_t Got = 0;
    void Avail(TObject*, WORD Count) { Got += Port->GetBlock(Block.data(), Count); }
};

// Seconds for one run through the port; opening and closing it are not timed.
double PortRun(bool Large) {
    TVexComPort port(nullptr);
    port.SetComNumber(ComNumber);
    if (Large) port.SetInSize(static_cast<WORD>(ReceiveRingSize));
    TReceiver receiver{&port};
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReceiver::Avail>(&receiver));
    port.SetOpen(true);
    const auto start = Clock::now();
    std::thread writer([] { Pair().Pour(BytesPerRun, std::string(WriteChunk, 'x')); });
    // As a message loop does: asleep until something comes (the port's notices wake the wait).
    while (receiver.Got < BytesPerRun)
        if (SafeYield() == 0) WaitMessageTimeout(100);
    writer.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    port.SetOpen(false);
    while (port.PortState() != psClosed)
        if (SafeYield() == 0) WaitMessageTimeout(1);
    return seconds;
}

// Per MiB: the plain loop and the port with each input size (0 default, 1 large).
TUsage RawPerMiB;
TUsage PortPerMiB[2];
// The port's rate over the plain loop's, with each input size.
double Ratios[2] = {0, 0};


// Each iteration runs the port, then the plain loop, on the same stream.
void BM_ComPortBesideReadLoop(benchmark::State& state) {
    Pair(); // COM90 names its near end
    const bool large = state.range(0) != 0;
    double portSeconds = 0;
    double rawSeconds = 0;
    TUsage portSpent, rawSpent;
    for (auto _ : state) {
        const TUsage beforePort = TUsage::Now();
        const double port = PortRun(large);
        const TUsage beforeRaw = TUsage::Now();
        portSpent += beforeRaw - beforePort;
        const double raw = RawRun();
        rawSpent += TUsage::Now() - beforeRaw;
        portSeconds += port;
        rawSeconds += raw;
        state.SetIterationTime(port);
    }
    const double bytes = static_cast<double>(BytesPerRun) * static_cast<double>(state.iterations());
    const int i = large ? 1 : 0;
    Ratios[i] = rawSeconds / portSeconds;
    PortPerMiB[i] = portSpent.PerMiB(bytes);
    RawPerMiB = rawSpent.PerMiB(bytes);
    state.counters["port_Bps"] = bytes / portSeconds;
    state.counters["raw_Bps"] = bytes / rawSeconds;
    state.counters["of_raw"] = Ratios[i];
    state.counters["port_cpu_ms_MiB"] = PortPerMiB[i].CpuMs;
    state.counters["port_vcsw_MiB"] = PortPerMiB[i].Voluntary;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ComPortBesideReadLoop)
    ->ArgName("large_queue")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    MainThreadId(); // this thread pumps the port's messages
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf(
        "per MiB, CPU ms and voluntary context switches: raw loop %.1f, %.0f; port %.1f, %.0f (default "
        "input size), %.1f, %.0f (%u bytes)\n",
        RawPerMiB.CpuMs, RawPerMiB.Voluntary, PortPerMiB[0].CpuMs, PortPerMiB[0].Voluntary,
        PortPerMiB[1].CpuMs, PortPerMiB[1].Voluntary, static_cast<unsigned>(ReceiveRingSize));
    std::printf("ratio to the raw read loop: %.2f with the default input size, %.2f with one of %u bytes\n",
                Ratios[0], Ratios[1], static_cast<unsigned>(ReceiveRingSize));
    return 0;
}
