// Receive throughput of the terminal over a pseudo-terminal pair, beside a plain read loop on the
// same pair: the buffer and TTY emulator alone (bytes handed to ProcessBlock), and the whole control
// (port, hand-off to the window's thread, emulator, lazy display). Mixed text and control bytes;
// the control's run reports its rate as a share of the plain loop's ("of_raw").
#include "benchmarks/support/BenchPty.h"

#include "communications/VXTerm.h"
#include "communications/VxPort.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr int ComNumber = 91;
constexpr std::size_t BytesPerRun = 1 << 20;

// Lines of text with tabs, backspaces, escapes, form feeds and upper-half bytes, ending in CR LF.
const std::string& Mixed() {
    static const std::string text = [] {
        std::string s;
        for (int line = 0; line < 64; ++line) {
            s += "line " + std::to_string(line) + "\tsome text to show\x1b[0m, \xC4\xC4\xB3 \xE9t\xE9";
            s += line % 8 == 0 ? "\x0c" : "";
            s += "ab\bc\r\n";
        }
        return s;
    }();
    return text;
}

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
        std::thread writer([] { Pair().Pour(BytesPerRun, Mixed()); });
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

void BM_BufferAndTTYEmulator(benchmark::State& state) {
    TVxTTYEmulator emu(nullptr);
    const std::string& text = Mixed();
    for (auto _ : state) {
        std::size_t done = 0;
        while (done < BytesPerRun) {
            const std::size_t n = std::min(text.size(), BytesPerRun - done);
            emu.ProcessBlock(text.data(), static_cast<int>(n), csPort);
            done += n;
        }
        while (emu.teGetNeedsUpdate()) {
            TRect r;
            while (emu.Buffer()->GetInvalidRect(r)) {
            }
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BytesPerRun));
}
BENCHMARK(BM_BufferAndTTYEmulator)->Unit(benchmark::kMillisecond);

// The TTY emulator, counting what it is given.
class TCountingEmulator : public TVxTTYEmulator {
public:
    using TVxTTYEmulator::TVxTTYEmulator;
    std::size_t Got = 0;
    void ProcessBlock(const char* Data, int Length, TVxCharSource Source) override {
        Got += static_cast<std::size_t>(Length);
        TVxTTYEmulator::ProcessBlock(Data, Length, Source);
    }
};

void BM_TerminalControlLazy(benchmark::State& state) {
    Application->Initialize();
    TForm form(nullptr);
    form.SetClientSize(700, 420);
    auto* port = new TVexComPort(&form);
    port->SetComNumber(ComNumber);
    auto* term = new TVxTerminal(&form);
    term->SetParent(&form);
    term->SetBounds(0, 0, 680, 400);
    term->tmSetComPort(port);
    auto* counter = new TCountingEmulator(&form);
    term->tmSetEmulator(counter);
    form.Show();
    port->SetOpen(true);
    // Attached once a byte arrives.
    Pair().Pour(1, "x");
    while (counter->Got < 1) Application->HandleMessage();
    double seconds = 0;
    for (auto _ : state) {
        counter->Got = 0;
        const auto start = std::chrono::steady_clock::now();
        std::thread writer([] { Pair().Pour(BytesPerRun, Mixed()); });
        while (counter->Got < BytesPerRun)
            if (SafeYield() == 0) WaitMessageTimeout(1);
        writer.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    port->SetOpen(false);
    while (port->PortState() != psClosed)
        if (SafeYield() == 0) WaitMessageTimeout(1);
    const double bytes = static_cast<double>(state.iterations()) * BytesPerRun;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    if (RawBytesPerSecond > 0) state.counters["of_raw"] = bytes / seconds / RawBytesPerSecond;
}
// After the plain loop, whose rate it is compared with.
BENCHMARK(BM_TerminalControlLazy)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    MainThreadId(); // this thread pumps the port's and the window's messages
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
