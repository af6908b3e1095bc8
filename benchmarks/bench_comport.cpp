// Receive throughput of a serial port over a pseudo-terminal pair: a writer thread pours bytes into
// the far end, and either TVexComPort takes them (its OnTriggerAvail handler reads each announced
// block with GetBlock while the main thread pumps messages) or a plain read loop takes them from the
// near end. Both report bytes per second; the port's runs also report their rate as a share of the
// plain loop's ("of_raw"), and the last line printed gives those ratios.
//
// The port runs twice: with its default input size (the device's own queue, 4 KiB) and with one as
// large as the receive ring. A pseudo-terminal hands out at most 4 KiB a read, so while a delivery
// runs on the main thread the device can keep no more than its queue and the terminal's 4 KiB; each
// delivery costs two thread switches, and the size of the queue decides how many bytes share them.
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

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ComNumber = 90;
constexpr std::size_t BytesPerRun = 1 << 20;
constexpr std::size_t WriteChunk = 4096;

TPtyPair& Pair() {
    static TPtyPair pair(ComNumber);
    return pair;
}

double RawBytesPerSecond = 0;

// Per MiB: the raw loop (0) and the port with each input size (1, 2).
TUsage PerMiB[3];

void ReportUsage(benchmark::State& state, const TUsage& Spent, double Bytes, TUsage& Into) {
    const double mib = Bytes / (1 << 20);
    Into.CpuMs = Spent.CpuMs / mib;
    Into.Voluntary = Spent.Voluntary / mib;
    Into.Involuntary = Spent.Involuntary / mib;
    state.counters["cpu_ms_MiB"] = Into.CpuMs;
    state.counters["vcsw_MiB"] = Into.Voluntary;
}

void BM_RawReadLoop(benchmark::State& state) {
    const int fd = Pair().Near();
    std::vector<char> buffer(65536);
    double seconds = 0;
    TUsage spent;
    for (auto _ : state) {
        const TUsage before = TUsage::Now();
        const auto start = std::chrono::steady_clock::now();
        std::thread writer([] { Pair().Pour(BytesPerRun, std::string(WriteChunk, 'x')); });
        std::size_t got = 0;
        while (got < BytesPerRun) {
            const ssize_t n = read(fd, buffer.data(), buffer.size());
            if (n > 0) got += static_cast<std::size_t>(n);
        }
        writer.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        spent += TUsage::Now() - before;
    }
    const double bytes = static_cast<double>(state.iterations()) * BytesPerRun;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    RawBytesPerSecond = bytes / seconds;
    ReportUsage(state, spent, bytes, PerMiB[0]);
}
BENCHMARK(BM_RawReadLoop)->UseRealTime()->Unit(benchmark::kMillisecond);

// The port's rate over the plain loop's, with the default input size (0) and the large one (1).
double Ratios[2] = {0, 0};

struct TReceiver {
    TVexCustomComPort* Port = nullptr;
    std::vector<char> Block = std::vector<char>(ReceiveRingSize);
    std::size_t Got = 0;
    void Avail(TObject*, WORD Count) { Got += Port->GetBlock(Block.data(), Count); }
};

void BM_ComPortReceive(benchmark::State& state) {
    Pair(); // COM90 names its near end
    const bool large = state.range(0) != 0;
    TVexComPort port(nullptr);
    port.SetComNumber(ComNumber);
    if (large) port.SetInSize(static_cast<WORD>(ReceiveRingSize));
    TReceiver receiver{&port};
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReceiver::Avail>(&receiver));
    port.SetOpen(true);
    double seconds = 0;
    TUsage spent;
    for (auto _ : state) {
        receiver.Got = 0;
        const TUsage before = TUsage::Now();
        const auto start = std::chrono::steady_clock::now();
        std::thread writer([] { Pair().Pour(BytesPerRun, std::string(WriteChunk, 'x')); });
        // As a message loop does: asleep until something comes (the port's notices wake the wait).
        while (receiver.Got < BytesPerRun)
            if (SafeYield() == 0) WaitMessageTimeout(100);
        writer.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        spent += TUsage::Now() - before;
    }
    port.SetOpen(false);
    while (port.PortState() != psClosed)
        if (SafeYield() == 0) WaitMessageTimeout(1);
    const double bytes = static_cast<double>(state.iterations()) * BytesPerRun;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    if (RawBytesPerSecond > 0) {
        Ratios[large ? 1 : 0] = bytes / seconds / RawBytesPerSecond;
        state.counters["of_raw"] = Ratios[large ? 1 : 0];
    }
    ReportUsage(state, spent, bytes, PerMiB[large ? 2 : 1]);
}
// After the plain loop, whose rate it is compared with.
BENCHMARK(BM_ComPortReceive)
    ->ArgName("large_queue")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
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
        PerMiB[0].CpuMs, PerMiB[0].Voluntary, PerMiB[1].CpuMs, PerMiB[1].Voluntary, PerMiB[2].CpuMs,
        PerMiB[2].Voluntary, static_cast<unsigned>(ReceiveRingSize));
    std::printf("ratio to the raw read loop: %.2f with the default input size, %.2f with one of %u bytes\n",
                Ratios[0], Ratios[1], static_cast<unsigned>(ReceiveRingSize));
    return 0;
}
