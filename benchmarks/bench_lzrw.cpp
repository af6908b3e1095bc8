// LZRW blocks beside two other fast block compressors, over the same 32781-byte blocks of text,
// binary records and runs. After the table it prints LZRW's throughput as a ratio to the first
// comparison library, for compression and expansion (the aim is 0.8 or more both ways), from the
// medians of five interleaved repetitions.
//   build/benchmarks/bench_lzrw [--benchmark_filter=compress/...]
#include "visual_controls/Luxprocs.h"

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <lzf.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Block = std::vector<std::uint8_t>;

constexpr int kBlocks = 32;

std::vector<Block> Split(const std::vector<std::uint8_t>& all) {
    std::vector<Block> blocks;
    for (std::size_t at = 0; at < all.size(); at += LuxLZRWMaxSource)
        blocks.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at),
                            all.begin() +
                                static_cast<std::ptrdiff_t>(std::min(all.size(), at + LuxLZRWMaxSource)));
    return blocks;
}

// Words of a small vocabulary with punctuation and line ends.
std::vector<Block> Text() {
    static const char* words[] = {"the",    "switcher", "panel",  "sends",  "a",        "command", "to",
                                  "layer",  "key",      "status", "of",     "input",    "output",  "loader",
                                  "script", "upload",   "block",  "prompt", "firmware", "and",     "waits"};
    std::mt19937 rng(1);
    std::vector<std::uint8_t> all;
    while (all.size() < static_cast<std::size_t>(kBlocks) * LuxLZRWMaxSource) {
        const std::string w = words[rng() % std::size(words)];
        all.insert(all.end(), w.begin(), w.end());
        const unsigned r = rng() % 16;
        all.push_back(r == 0 ? '.' : r == 1 ? ',' : ' ');
        if (r == 0 && rng() % 3 == 0) all.insert(all.end(), {'\r', '\n'});
    }
    return Split(all);
}

// Little-endian records: a counter, a few small fields, a float-like word and some noise.
std::vector<Block> Binary() {
    std::mt19937 rng(2);
    auto next = [&rng] { return static_cast<std::uint32_t>(rng()); };
    std::vector<std::uint8_t> all;
    for (std::uint32_t i = 0; all.size() < static_cast<std::size_t>(kBlocks) * LuxLZRWMaxSource; ++i) {
        const std::uint32_t fields[] = {i, 0x3F800000u + (next() & 0xFFF), next() % 8, next() % 300, next()};
        for (std::uint32_t f : fields)
            for (int b = 0; b < 4; ++b) all.push_back(static_cast<std::uint8_t>(f >> (8 * b)));
    }
    return Split(all);
}

// Runs of one byte, 1 to 300 long, as in bitmaps with flat areas.
std::vector<Block> Runs() {
    std::mt19937 rng(3);
    std::vector<std::uint8_t> all;
    while (all.size() < static_cast<std::size_t>(kBlocks) * LuxLZRWMaxSource)
        all.insert(all.end(), 1 + rng() % 300, static_cast<std::uint8_t>(rng() % 6));
    return Split(all);
}

const std::vector<Block>& Corpus(int kind) {
    static const std::vector<Block> corpora[] = {Text(), Binary(), Runs()};
    return corpora[kind];
}

const char* const kKindNames[] = {"text", "binary", "runs"};

struct Codec {
    const char* name;
    // Returns the compressed size, or 0 when the output did not fit.
    std::size_t (*compress)(const Block& in, Block& out);
    std::size_t (*expand)(const Block& packed, std::size_t packedSize, Block& out, std::size_t original);
};

std::size_t LzrwCompress(const Block& in, Block& out) {
    return LuxLZRWCompress(in.data(), out.data(), static_cast<std::uint16_t>(in.size()));
}
std::size_t LzrwExpand(const Block& packed, std::size_t packedSize, Block& out, std::size_t) {
    return LuxLZRWDecompress(packed.data(), out.data(), static_cast<std::uint16_t>(packedSize));
}
std::size_t LzfCompress(const Block& in, Block& out) {
    const unsigned n = lzf_compress(in.data(), static_cast<unsigned>(in.size()), out.data(),
                                    static_cast<unsigned>(out.size()));
    return n;
}
std::size_t LzfExpand(const Block& packed, std::size_t packedSize, Block& out, std::size_t original) {
    return lzf_decompress(packed.data(), static_cast<unsigned>(packedSize), out.data(),
                          static_cast<unsigned>(original));
}
std::size_t Lz4Compress(const Block& in, Block& out) {
    const int n =
        LZ4_compress_default(reinterpret_cast<const char*>(in.data()), reinterpret_cast<char*>(out.data()),
                             static_cast<int>(in.size()), static_cast<int>(out.size()));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}
std::size_t Lz4Expand(const Block& packed, std::size_t packedSize, Block& out, std::size_t original) {
    const int n =
        LZ4_decompress_safe(reinterpret_cast<const char*>(packed.data()), reinterpret_cast<char*>(out.data()),
                            static_cast<int>(packedSize), static_cast<int>(original));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

const Codec kCodecs[] = {
    {"LZRW", LzrwCompress, LzrwExpand},
    {"liblzf", LzfCompress, LzfExpand},
    {"lz4", Lz4Compress, Lz4Expand},
};

std::size_t TotalBytes(const std::vector<Block>& blocks) {
    std::size_t n = 0;
    for (const Block& b : blocks) n += b.size();
    return n;
}

void Compress(benchmark::State& state, const Codec& codec, int kind) {
    const std::vector<Block>& blocks = Corpus(kind);
    Block out(2 * LuxLZRWBufferSize);
    std::size_t packed = 0;
    for (auto _ : state) {
        packed = 0;
        for (const Block& b : blocks) {
            const std::size_t n = codec.compress(b, out);
            // A block that does not shrink is kept as it is, as the frame does with LZRW.
            packed += n == 0 ? b.size() : n;
            benchmark::DoNotOptimize(out.data());
        }
    }
    const std::size_t total = TotalBytes(blocks);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(total);
}

void Expand(benchmark::State& state, const Codec& codec, int kind) {
    const std::vector<Block>& blocks = Corpus(kind);
    std::vector<Block> packed;
    std::vector<std::size_t> sizes;
    for (const Block& b : blocks) {
        Block out(2 * LuxLZRWBufferSize);
        sizes.push_back(codec.compress(b, out));
        packed.push_back(out);
    }
    Block out(LuxLZRWBufferSize);
    for (auto _ : state) {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (sizes[i] == 0) continue;
            if (codec.expand(packed[i], sizes[i], out, blocks[i].size()) != blocks[i].size())
                state.SkipWithError("expansion failed");
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalBytes(blocks)));
}

// Collects the throughput of every run to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            // The median of the repetitions where there are some.
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            const auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end()) speed_[r.run_name.str()] = it->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nLZRW throughput as a ratio to liblzf (goal >= 0.8):\n");
        for (const char* direction : {"compress", "expand"})
            for (const char* kind : kKindNames) {
                const std::string tail = std::string("/") + kind;
                const double ours = speed_[std::string(direction) + "/LZRW" + tail];
                const double theirs = speed_[std::string(direction) + "/liblzf" + tail];
                if (theirs > 0) std::printf("  %-8s %-6s %.2f\n", direction, kind, ours / theirs);
            }
    }

private:
    std::map<std::string, double> speed_;
};

} // namespace

int main(int argc, char** argv) {
    for (const char* direction : {"compress", "expand"})
        for (const Codec& codec : kCodecs)
            for (int kind = 0; kind < 3; ++kind) {
                const std::string name = std::string(direction) + "/" + codec.name + "/" + kKindNames[kind];
                if (direction[0] == 'c')
                    benchmark::RegisterBenchmark(
                        name.c_str(), [&codec, kind](benchmark::State& s) { Compress(s, codec, kind); });
                else
                    benchmark::RegisterBenchmark(
                        name.c_str(), [&codec, kind](benchmark::State& s) { Expand(s, codec, kind); });
            }
    // Repeated and interleaved by default, so that a busy machine disturbs all codecs alike; flags
    // given on the command line come later and win.
    std::vector<char*> args = {argv[0]};
    std::string defaults[] = {"--benchmark_repetitions=5", "--benchmark_enable_random_interleaving=true",
                              "--benchmark_min_time=0.1"};
    for (std::string& d : defaults) args.push_back(d.data());
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
