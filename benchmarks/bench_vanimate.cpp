// Bitmap effects in pixels per second: the fast bitmap's filters beside the same filter written as
// a plain loop over a QImage's rows, and Flip, Mirror and Grey (each a copy in and a draw out)
// beside QImage's own.
#include "indicator_controls/Vanimate.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kSide = 512;

void Fill(TvFastBmp& fast) {
    for (int y = 0; y < fast.Height; ++y)
        for (int x = 0; x < fast.Width * 3; ++x)
            fast.GetLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
}

QImage Image() {
    QImage image(kSide, kSide, QImage::Format_RGB888);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide * 3; ++x) image.scanLine(y)[x] = static_cast<uchar>(x * 7 + y * 13);
    return image;
}

void Pixels(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide);
}

void BM_FastContrast(benchmark::State& state) {
    TvFastBmp fast(kSide, kSide);
    Fill(fast);
    for (auto _ : state) {
        fast.Contrast(40);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_FastContrast);

void BM_QImageContrast(benchmark::State& state) {
    QImage image = Image();
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y) {
            uchar* p = image.scanLine(y);
            for (int x = 0; x < kSide * 3; ++x) {
                const int v = p[x];
                const int d = std::abs(127 - v) * 40 / 255;
                p[x] = static_cast<uchar>(std::clamp(v > 127 ? v + d : v - d, 0, 255));
            }
        }
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_QImageContrast);

void BM_FastBlur(benchmark::State& state) {
    TvFastBmp fast(kSide, kSide);
    Fill(fast);
    for (auto _ : state) {
        fast.Blur(2);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_FastBlur);

void BM_QImageBlur(benchmark::State& state) {
    QImage image = Image();
    const int n = 2;
    for (auto _ : state) {
        for (int i = 0; i < kSide; ++i) {
            const uchar* top = image.constScanLine(i - n < 0 ? i : i - n);
            const uchar* bottom = image.constScanLine(i + n >= kSide ? kSide - i : i + n);
            uchar* p = image.scanLine(i);
            for (int c = 0; c < kSide; ++c) {
                const int l = (c - n < 0 ? c : c - n) * 3;
                const int r = (c + n >= kSide ? kSide - c : c + n) * 3;
                for (int k = 0; k < 3; ++k)
                    p[c * 3 + k] =
                        static_cast<uchar>((top[l + k] + top[r + k] + bottom[l + k] + bottom[r + k]) >> 2);
            }
        }
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_QImageBlur);

void BM_FastSharpen(benchmark::State& state) {
    TvFastBmp fast(kSide, kSide);
    Fill(fast);
    for (auto _ : state) {
        fast.Sharpen(8);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_FastSharpen);

TBitmap* Bitmap() {
    auto* bitmap = new TBitmap;
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(kSide, kSide);
    RasterBMP(bitmap, clRed, 1);
    return bitmap;
}

template <void (*Effect)(TBitmap*)> void BM_Bitmap(benchmark::State& state) {
    TBitmap* bitmap = Bitmap();
    for (auto _ : state) Effect(bitmap);
    Pixels(state);
    delete bitmap;
}
void Grey(TBitmap* b) {
    GreyBMP(b, false, 0);
}
BENCHMARK(BM_Bitmap<FlipBMP>)->Name("BM_FlipBMP");
BENCHMARK(BM_Bitmap<MirrorBMP>)->Name("BM_MirrorBMP");
BENCHMARK(BM_Bitmap<Grey>)->Name("BM_GreyBMP");

void BM_QImageFlip(benchmark::State& state) {
    QImage image = Image();
    for (auto _ : state) image.mirror(false, true);
    Pixels(state);
}
BENCHMARK(BM_QImageFlip);

void BM_QImageMirror(benchmark::State& state) {
    QImage image = Image();
    for (auto _ : state) image.mirror(true, false);
    Pixels(state);
}
BENCHMARK(BM_QImageMirror);

void BM_QImageGrey(benchmark::State& state) {
    const QImage image = Image();
    for (auto _ : state) benchmark::DoNotOptimize(image.convertToFormat(QImage::Format_Grayscale8));
    Pixels(state);
}
BENCHMARK(BM_QImageGrey);

} // namespace
BENCHMARK_MAIN();
