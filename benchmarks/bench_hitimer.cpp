// The high-resolution timer's jitter in its three ways of ticking: a worker thread that hands each
// tick to the GUI thread, a worker that calls on its own thread, and the multimedia timer whose
// ticks arrive as messages. For each: the mean period and how far the periods stray from the
// interval (standard deviation, worst), over a few hundred ticks while the GUI thread pumps.
//   build/benchmarks/bench_hitimer [interval ms] [ticks]
#include "visual_controls/LuxTimer.h"

#include "platform/ui/Forms.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class Stamps : public TObject {
public:
    void Tick(TObject*) {
        std::lock_guard<std::mutex> lk(lock);
        at.push_back(Clock::now());
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lk(lock);
        return at.size();
    }
    std::mutex lock;
    std::vector<Clock::time_point> at;
};

void Measure(const char* name, bool thread, bool sync, unsigned interval, std::size_t ticks) {
    Stamps stamps;
    TLuxHiTimer timer(nullptr);
    timer.SetInterval(interval);
    timer.SetUseThread(thread);
    timer.SetSynchronize(sync);
    timer.SetOnTimer(TNotifyEvent::Bind<&Stamps::Tick>(&stamps));
    timer.SetEnabled(true);
    while (stamps.Count() < ticks + 1) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    timer.SetEnabled(false);
    std::vector<double> periods;
    for (std::size_t i = 1; i < stamps.at.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::milli>(stamps.at[i] - stamps.at[i - 1]).count());
    double mean = 0, var = 0, worst = 0;
    for (double p : periods) mean += p;
    mean /= static_cast<double>(periods.size());
    for (double p : periods) {
        var += (p - interval) * (p - interval);
        worst = std::max(worst, std::abs(p - interval));
    }
    const double sd = std::sqrt(var / static_cast<double>(periods.size()));
    std::printf("%-22s period %7.3f ms   deviation sd %6.3f ms   worst %7.3f ms\n", name, mean, sd, worst);
}

} // namespace

int main(int argc, char** argv) {
    const unsigned interval = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 5;
    const std::size_t ticks = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 400;
    Application->Initialize();
    std::printf("interval %u ms, %zu ticks\n", interval, ticks);
    Measure("thread, synchronized", true, true, interval, ticks);
    Measure("thread, own thread", true, false, interval, ticks);
    Measure("multimedia", false, true, interval, ticks);
    return 0;
}
