// A window shape built from a picture: TvcRgn::SerRgnFromBmp beside Qt's region from a bitmap mask
// of the same picture (the mask made from the transparent colour, then the region), both in pixels
// per second. The picture is an ellipse with a grille of holes, so rows have many runs. After the
// table it prints the ratio of the two.
#include "indicator_controls/Std2.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Forms.h"

#include <QBitmap>
#include <QImage>
#include <QRegion>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kW = 800, kH = 600;
constexpr TColor kTransparent = 0xFF00FF; // magenta

// The picture as a bitmap and as the same pixels in a QImage.
struct Picture {
    TBitmap bitmap;
    QImage image{kW, kH, QImage::Format_RGB32};
    Picture() {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(kW, kH);
        const double cx = kW / 2.0, cy = kH / 2.0;
        HDC dc = bitmap.Canvas()->Handle();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const double dx = (x - cx) / cx, dy = (y - cy) / cy;
                const bool inside = dx * dx + dy * dy <= 1.0 && !((x / 8) % 5 == 0 && (y / 8) % 3 == 0);
                const COLORREF c = inside ? static_cast<COLORREF>(0x204060 + (x & 0x1F)) : kTransparent;
                SetPixel(dc, x, y, c);
                image.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
            }
    }
};

Picture& Shared() {
    static Picture p;
    return p;
}

void Record(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kW * kH);
}

void BM_SerRgnFromBmp(benchmark::State& state) {
    Picture& p = Shared();
    TvcRgn rgn;
    for (auto _ : state) {
        rgn.SerRgnFromBmp(&p.bitmap, kTransparent);
        benchmark::DoNotOptimize(rgn.Size());
    }
    Record(state);
}

void BM_QtRegionFromMask(benchmark::State& state) {
    Picture& p = Shared();
    const QRgb key = qRgb(0xFF, 0x00, 0xFF);
    for (auto _ : state) {
        const QImage mask = p.image.createMaskFromColor(key, Qt::MaskOutColor);
        QRegion region(QBitmap::fromImage(mask));
        benchmark::DoNotOptimize(region.rectCount());
    }
    Record(state);
}

BENCHMARK(BM_SerRgnFromBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtRegionFromMask)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Application->Initialize(); // Qt's bitmaps need the GUI application
    std::map<std::string, double> seconds;
    class Reporter : public benchmark::ConsoleReporter {
    public:
        explicit Reporter(std::map<std::string, double>& s) : s_(s) {}
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const Run& r : runs) s_[r.benchmark_name()] = r.GetAdjustedRealTime();
            ConsoleReporter::ReportRuns(runs);
        }

    private:
        std::map<std::string, double>& s_;
    } reporter(seconds);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double rgn = 0, qt = 0;
    for (const auto& [name, t] : seconds) {
        if (name.find("SerRgnFromBmp") != std::string::npos) rgn = t;
        if (name.find("QtRegionFromMask") != std::string::npos) qt = t;
    }
    if (rgn > 0 && qt > 0) std::printf("SerRgnFromBmp speed as a share of Qt's region from a mask: %.2f\n", qt / rgn);
    return 0;
}
