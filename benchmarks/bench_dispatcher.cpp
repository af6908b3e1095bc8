// Dispatcher throughput over an in-memory device: writes, reads, and the avail round trip (device
// bytes -> ExtractData -> SendNotify -> a handler's GetBlock), in bytes per second.
#include "communications/VxUser.h"
#include "communications/tests/support/MemoryDispatcher.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_PutBlock(benchmark::State& state) {
    const auto size = static_cast<DWORD>(state.range(0));
    TMemoryDispatcher disp;
    disp.Open(8192);
    disp.SetKeepSent(false);
    const std::string block(size, 'x');
    for (auto _ : state) benchmark::DoNotOptimize(disp.PutBlock(block.data(), size));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_PutBlock)->Arg(1)->Arg(64)->Arg(1024)->Arg(8192);

// Empties a full ring in blocks of the given size; the refill is not timed.
void BM_GetBlock(benchmark::State& state) {
    const auto size = static_cast<DWORD>(state.range(0));
    TMemoryDispatcher disp;
    disp.Open();
    const std::string ring(ReceiveRingSize, 'x');
    std::string into(size, '\0');
    for (auto _ : state) {
        state.PauseTiming();
        disp.Receive(ring);
        disp.ExtractData();
        state.ResumeTiming();
        for (DWORD taken = 0; taken < ReceiveRingSize; taken += size)
            benchmark::DoNotOptimize(disp.GetBlock(into.data(), size));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * ReceiveRingSize);
}
BENCHMARK(BM_GetBlock)->Arg(1)->Arg(64)->Arg(1024)->Arg(8192);

struct TConsumer {
    TMemoryDispatcher* Disp = nullptr;
    std::string Into;
    void Notify(UINT, UINT wParam, int) { Disp->GetBlock(Into.data(), wParam); }
};

void BM_AvailRoundTrip(benchmark::State& state) {
    const auto size = static_cast<DWORD>(state.range(0));
    TMemoryDispatcher disp;
    disp.Open();
    TConsumer consumer{&disp, std::string(size, '\0')};
    disp.RegisterEventTriggerHandler(TVexNotifyEvent::Bind<&TConsumer::Notify>(&consumer));
    const std::string block(size, 'x');
    for (auto _ : state) {
        disp.Receive(block);
        disp.ExtractData();
        benchmark::DoNotOptimize(disp.SendNotify(TriggerAvailMsg, disp.InBuffUsed(), 0));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_AvailRoundTrip)->Arg(1)->Arg(64)->Arg(1024)->Arg(8192);

} // namespace

BENCHMARK_MAIN();
