// Gradient painting: each style painted into 1000 x 1000 pixels of a bitmap, beside a solid FillRect
// of the same area. After the table it prints each style's speed as a ratio to the FillRect, the
// band styles' lowest last.
#include "benchmarks/support/SpeedReporter.h"
#include "visual_controls/LuxGradient.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kSide = 1000;

const char* const kStyleNames[] = {"horizontal", "vertical",   "square",      "elliptic",    "topleft",
                                   "topright",   "bottomleft", "bottomright", "topleftdiag", "toprightdiag"};

std::unique_ptr<TBitmap> Target() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(kSide, kSide);
    return b;
}

void Pixels(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide);
}

void Solid(benchmark::State& state) {
    auto b = Target();
    b->Canvas()->Brush()->SetColor(0x336699);
    for (auto _ : state) b->Canvas()->FillRect(TRect(0, 0, kSide, kSide));
    Pixels(state);
}

void Gradient(benchmark::State& state, TLuxGradientStyle style) {
    auto b = Target();
    TLuxGradient g;
    g.SetColorCount(64);
    g.SetStyle(style);
    for (auto _ : state) g.PaintGradient(b->Canvas(), TRect(0, 0, kSide, kSide));
    Pixels(state);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("solid", Solid);
    for (int s = 0; s < 10; ++s)
        benchmark::RegisterBenchmark(
            kStyleNames[s], [s](benchmark::State& st) { Gradient(st, static_cast<TLuxGradientStyle>(s)); });
    benchmark::Initialize(&argc, argv);
    TSpeedReporter reporter([](TSpeedReporter::TSpeeds& speed) {
        const double solid = speed["solid"];
        if (solid <= 0) return;
        std::printf(
            "\nGradient painting as a ratio to a solid FillRect (goal >= 0.8 for the band styles):\n");
        for (const char* name : kStyleNames) std::printf("  %-13s %.2f\n", name, speed[name] / solid);
        const double bands = std::min(speed["horizontal"], speed["vertical"]) / solid;
        std::printf("band styles, lowest: %.2f\n", bands);
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
