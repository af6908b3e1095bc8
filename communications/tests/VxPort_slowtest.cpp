#include "communications/VxPort.h"

#include "platform/comm/SimulatedComm.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>

namespace {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const std::uint64_t deadline = MonotonicMs() + timeoutMs;
    while (!done()) {
        if (MonotonicMs() >= deadline) return done();
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
    return true;
}

std::size_t Entries(const char* dir) {
    const std::filesystem::directory_iterator it(dir);
    return static_cast<std::size_t>(std::distance(begin(it), end(it)));
}

TEST(VxPortSlowTest, OpeningAndClosingLeavesNoThreadOrDescriptor) {
    MainThreadId();
    TSimulatedComm sim(65);
    TVexComPort port(nullptr);
    port.SetComNumber(65);
    auto cycle = [&] {
        port.SetOpen(true);
        const bool ok = port.PortState() == psOpen;
        port.PutString("x");
        port.SetOpen(false);
        return ok && port.PortState() == psClosed;
    };
    ASSERT_TRUE(cycle()); // whatever the platform creates once and keeps
    PumpUntil([] { return false; }, 100);
    const std::size_t threads = Entries("/proc/self/task");
    const std::size_t descriptors = Entries("/proc/self/fd");

    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(cycle()) << "cycle " << i;

    EXPECT_FALSE(sim.IsOpen());
    EXPECT_TRUE(PumpUntil([&] { return Entries("/proc/self/task") <= threads; }))
        << Entries("/proc/self/task") << " threads, " << threads << " before";
    EXPECT_TRUE(PumpUntil([&] { return Entries("/proc/self/fd") <= descriptors; }))
        << Entries("/proc/self/fd") << " descriptors, " << descriptors << " before";
    LockPortList();
    EXPECT_TRUE(PortList.empty());
    UnlockPortList();
}

} // namespace
