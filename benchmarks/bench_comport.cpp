// Receive throughput of a serial port over a pseudo-terminal pair: a writer thread pours bytes into
// the far end, and either TVexComPort takes them (its OnTriggerAvail handler reads each announced
// block with GetBlock while the main thread pumps messages) or a plain read loop takes them from the
// near end. Both report bytes per second; the port's run also reports its rate as a share of the
// plain loop's ("of_raw"), and the last line printed gives that ratio.
#include "benchmarks/support/BenchPty.h"
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

void BM_RawReadLoop(benchmark::State& state) {
    const int fd = Pair().Near();
    std::vector<char> buffer(65536);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::thread writer([] { Pair().Pour(BytesPerRun, std::string(WriteChunk, 'x')); });
        std::size_t got = 0;
        while (got < BytesPerRun) {
            const ssize_t n = read(fd, buffer.data(), buffer.size());
            if (n > 0) got += static_cast<std::size_t>(n);
        }
        writer.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double bytes = static_cast<double>(state.iterations()) * BytesPerRun;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    RawBytesPerSecond = bytes / seconds;
}
BENCHMARK(BM_RawReadLoop)->UseRealTime()->Unit(benchmark::kMillisecond);

double Ratio = 0; // the port's rate over the plain loop's, printed last

struct TReceiver {
    TVexCustomComPort* Port = nullptr;
    std::vector<char> Block = std::vector<char>(ReceiveRingSize);
    std::size_t Got = 0;
    void Avail(TObject*, WORD Count) { Got += Port->GetBlock(Block.data(), Count); }
};

void BM_ComPortReceive(benchmark::State& state) {
    Pair(); // COM90 names its near end
    TVexComPort port(nullptr);
    port.SetComNumber(ComNumber);
    TReceiver receiver{&port};
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReceiver::Avail>(&receiver));
    port.SetOpen(true);
    double seconds = 0;
    for (auto _ : state) {
        receiver.Got = 0;
        const auto start = std::chrono::steady_clock::now();
        std::thread writer([] { Pair().Pour(BytesPerRun, std::string(WriteChunk, 'x')); });
        while (receiver.Got < BytesPerRun)
            if (SafeYield() == 0) WaitMessageTimeout(1);
        writer.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    port.SetOpen(false);
    while (port.PortState() != psClosed)
        if (SafeYield() == 0) WaitMessageTimeout(1);
    const double bytes = static_cast<double>(state.iterations()) * BytesPerRun;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    if (RawBytesPerSecond > 0) {
        Ratio = bytes / seconds / RawBytesPerSecond;
        state.counters["of_raw"] = Ratio;
    }
}
// After the plain loop, whose rate it is compared with.
BENCHMARK(BM_ComPortReceive)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    MainThreadId(); // this thread pumps the port's messages
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("ratio to the raw read loop: %.2f\n", Ratio);
    return 0;
}
