// The pixel routines on a 2000 x 2000 24-bit bitmap, beside a BitBlt copy of the same bitmap. After
// the table it prints grey scale and alpha blend (and the others) as ratios to the BitBlt.
#include "benchmarks/support/SpeedReporter.h"
#include "visual_controls/Luxbmp.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kSide = 2000;
const TRect kAll(0, 0, kSide, kSide);
const TPoint kOrigin(0, 0);

std::unique_ptr<TBitmap> Picture() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(kSide, kSide);
    for (int y = 0; y < kSide; ++y) {
        auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
        for (int x = 0; x < kSide * 3; ++x) row[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    }
    return b;
}

// Runs Body(source, target) over two pictures, counting the pixels.
template <class Body> void Measure(benchmark::State& state, Body body) {
    auto src = Picture();
    auto dst = Picture();
    for (auto _ : state) {
        body(src.get(), dst.get());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("bitblt", [](benchmark::State& st) {
        Measure(st, [](TBitmap* s, TBitmap* d) {
            BitBlt(d->Canvas()->Handle(), 0, 0, kSide, kSide, s->Canvas()->Handle(), 0, 0, SRCCOPY);
        });
    });
    benchmark::RegisterBenchmark("grayscale", [](benchmark::State& st) {
        Measure(st, [](TBitmap* s, TBitmap* d) { LuxBMPGrayScale(s, kAll, d, kOrigin); });
    });
    benchmark::RegisterBenchmark("alphablend", [](benchmark::State& st) {
        // In place over the picture, as the effect object blends.
        Measure(st, [](TBitmap* s, TBitmap* d) { LuxBMPAlphaBlend(d, s, kAll, kOrigin, d, 0.6f, kOrigin); });
    });
    benchmark::RegisterBenchmark("invert", [](benchmark::State& st) {
        Measure(st, [](TBitmap*, TBitmap* d) { LuxBMPInvert(d, kAll, d, kOrigin); });
    });
    benchmark::RegisterBenchmark("mirror", [](benchmark::State& st) {
        Measure(st, [](TBitmap*, TBitmap* d) { LuxBMPFlipVertical(d, kAll, d, kOrigin); });
    });
    benchmark::Initialize(&argc, argv);
    TSpeedReporter reporter([](TSpeedReporter::TSpeeds& speed) {
        const double blt = speed["bitblt"];
        if (blt <= 0) return;
        std::printf(
            "\nAs a ratio to a BitBlt of the same bitmap (goal >= 0.25 for grey scale and alpha blend):\n");
        for (const char* name : {"grayscale", "alphablend", "invert", "mirror"})
            std::printf("  %-11s %.2f\n", name, speed[name] / blt);
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
