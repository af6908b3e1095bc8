// Receive throughput of the VT100 emulator (parser, emulator and screen buffer) beside libvterm's
// screen layer on the same byte streams: what vttest wrote in its menus (the recording the
// comparison test replays), a large text in colours, and random printable text. Each stream is
// handed over in blocks of 4 KiB, as the terminal control does. The last line printed is the
// ratio of libvterm's time to ours over all streams (goal: at least 1.0).
#include "communications/VXTrmEmu.h"
#include "communications/tests/vttest/VtScreen.h"

#include <benchmark/benchmark.h>

#include <vterm.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

namespace {

constexpr std::size_t Block = 4096;

std::filesystem::path RecordingPath() {
    const std::filesystem::path relative = "communications/tests/data/vttest/vttest.rec";
    if (const char* dir = std::getenv("VX_SOURCE_DIR"); dir && *dir) return std::filesystem::path(dir) / relative;
    // Run by hand from anywhere: the tree above the program.
    for (std::filesystem::path p = std::filesystem::canonical("/proc/self/exe").parent_path(); !p.empty();
         p = p.parent_path()) {
        if (std::filesystem::exists(p / relative)) return p / relative;
        if (p == p.root_path()) break;
    }
    return relative;
}

std::string VttestStream() {
    std::ifstream in(RecordingPath(), std::ios::binary);
    std::vector<TVtRecordedScreen> screens;
    if (!in || !ParseRecording(std::string(std::istreambuf_iterator<char>(in), {}), screens)) {
        std::fprintf(stderr, "bench_vt100: cannot read %s\n", RecordingPath().c_str());
        std::exit(1);
    }
    std::string all;
    for (const TVtRecordedScreen& s : screens) all += s.Bytes;
    return all;
}

// A build log in colours: short runs of text between colour changes, a line each.
std::string ColourText() {
    std::string s;
    std::mt19937 random(7);
    static const char* const words[] = {"compiling", "module", "warning:", "error:", "note:", "linking",
                                        "object", "library", "passed", "failed", "src/unit.cpp:", "ok"};
    while (s.size() < (4u << 20)) {
        for (int w = 0; w < 10; ++w) {
            s += "\033[" + std::to_string(30 + random() % 8) + (random() % 3 == 0 ? ";1m" : "m");
            s += words[random() % 12];
            s += "\033[0m ";
        }
        s += "\r\n";
    }
    return s;
}

std::string RandomPrintable() {
    std::string s;
    std::mt19937 random(11);
    while (s.size() < (4u << 20)) {
        const int length = 20 + static_cast<int>(random() % 120);
        for (int i = 0; i < length; ++i) s += static_cast<char>(32 + random() % 95);
        s += "\r\n";
    }
    return s;
}

const std::string& Stream(int Which) {
    static const std::string streams[3] = {VttestStream(), ColourText(), RandomPrintable()};
    return streams[Which];
}
const char* const StreamNames[3] = {"vttest", "colour_text", "random_text"};

void CountBytes(benchmark::State& state, int Which) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(Stream(Which).size()));
    state.SetLabel(StreamNames[Which]);
}

void BM_Emulator(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const std::string& s = Stream(which);
    TVxVT100Emulator emu(nullptr);
    for (auto _ : state) {
        for (std::size_t at = 0; at < s.size(); at += Block)
            emu.ProcessBlock(s.data() + at, static_cast<int>(std::min(Block, s.size() - at)), csPort);
        // What a paint would take out.
        TRect r;
        while (emu.Buffer()->GetInvalidRect(r)) {
        }
    }
    CountBytes(state, which);
}

void BM_Libvterm(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const std::string& s = Stream(which);
    VTerm* vt = vterm_new(24, 80);
    vterm_set_utf8(vt, 0);
    VTermScreen* screen = vterm_obtain_screen(vt);
    vterm_screen_reset(screen, 1);
    for (auto _ : state) {
        for (std::size_t at = 0; at < s.size(); at += Block)
            vterm_input_write(vt, s.data() + at, std::min(Block, s.size() - at));
        vterm_screen_flush_damage(screen);
    }
    vterm_free(vt);
    CountBytes(state, which);
}

BENCHMARK(BM_Emulator)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libvterm)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Keeps each run's time per iteration, to print the ratios after the table.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& r : reports)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                Seconds[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
    }
    std::map<std::string, double> Seconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    for (int i = 0; i < 3; ++i) Stream(i); // made before anything is timed
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    double ours = 0, theirs = 0;
    for (int i = 0; i < 3; ++i) {
        const std::string arg = "/" + std::to_string(i);
        const auto a = reporter.Seconds.find("BM_Emulator" + arg), b = reporter.Seconds.find("BM_Libvterm" + arg);
        if (a == reporter.Seconds.end() || b == reporter.Seconds.end()) continue;
        std::printf("%-12s libvterm time / ours: %.2f\n", StreamNames[i], b->second / a->second);
        ours += a->second;
        theirs += b->second;
    }
    if (ours > 0) std::printf("ratio (libvterm time / ours, all streams): %.2f (goal >= 1.0)\n", theirs / ours);
    return 0;
}
