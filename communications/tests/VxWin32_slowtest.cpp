#include "communications/VxWin32.h"

#include "communications/VxErrors.h"
#include "communications/VxMisc.h"
#include "platform/comm/SimulatedComm.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <string>

namespace {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const std::uint64_t deadline = MonotonicMs() + timeoutMs;
    while (!done()) {
        if (MonotonicMs() >= deadline) return done();
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
    return true;
}

int Open(TVexBaseDispatcher& Disp, const std::string& Name, DWORD OutQueue = 4096, DWORD Baud = 0) {
    return Disp.InitPort(Name.c_str(), Baud, InitAssertDtr | InitAssertRts, OutQueue, 4096, 3, 9, 5);
}

std::size_t Entries(const char* dir) {
    const std::filesystem::directory_iterator it(dir);
    return static_cast<std::size_t>(std::distance(begin(it), end(it)));
}

// What the device holds to send, apart from the dispatcher's ring.
DWORD DeviceOutQueue(TVexBaseDispatcher& Disp) {
    COMSTAT status;
    DWORD errors = 0;
    ClearCommError(static_cast<HANDLE>(Disp.ComHandle()), &errors, &status);
    return status.cbOutQue;
}

class Win32SlowTest : public ::testing::Test {
protected:
    void SetUp() override { MainThreadId(); }
};

TEST_F(Win32SlowTest, OpeningAndClosingLeavesNoThreadOrDescriptor) {
    TSimulatedComm sim(45);
    auto cycle = [] {
        TVexWin32Dispatcher disp(nullptr);
        const bool ok = Open(disp, "COM45") == ecOK && disp.PutString("x") == ecOK;
        disp.DonePort();
        return ok;
    };
    ASSERT_TRUE(cycle()); // whatever the platform creates once and keeps
    // Workers free themselves and may take a moment to leave after their last word.
    PumpUntil([] { return false; }, 100);
    const std::size_t threads = Entries("/proc/self/task");
    const std::size_t descriptors = Entries("/proc/self/fd");

    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(cycle()) << "cycle " << i;

    EXPECT_FALSE(sim.IsOpen());
    EXPECT_TRUE(PumpUntil([&] { return Entries("/proc/self/task") <= threads; }))
        << Entries("/proc/self/task") << " threads, " << threads << " before";
    EXPECT_TRUE(PumpUntil([&] { return Entries("/proc/self/fd") <= descriptors; }))
        << Entries("/proc/self/fd") << " descriptors, " << descriptors << " before";
}

// Output that wraps round the end of the ring while an earlier write is pending leaves in the
// order it was put, in one piece after the ring is rotated.
TEST_F(Win32SlowTest, OutputKeepsItsOrderAcrossTheEndOfTheRing) {
    TSimulatedComm sim(46);
    TVexWin32Dispatcher disp(nullptr);
    ASSERT_EQ(Open(disp, "COM46", 4096, 57600), ecOK);
    ASSERT_EQ(disp.HWFlowOptions(3000, 1000, hwfRequireCTS), ecOK);
    sim.SetCts(false);
    ASSERT_TRUE(PumpUntil([&] { return !disp.CheckCTS(); }));

    // The simulated driver queues 4096 bytes whatever the line does; later writes stay pending.
    const std::string filler(4096, 'f');
    ASSERT_EQ(disp.PutString(filler), ecOK);
    ASSERT_TRUE(PumpUntil([&] { return disp.OutBuffUsed() == 0; }));
    const std::string first(2048, '1'), second(1536, '2'),
        third = std::string(512, '3') + std::string(512, '4');
    ASSERT_EQ(disp.PutString(first), ecOK);
    ASSERT_TRUE(PumpUntil([&] { return DeviceOutQueue(disp) == filler.size() + first.size(); }))
        << "the first write is pending at the device";
    ASSERT_EQ(disp.PutString(second), ecOK);
    EXPECT_EQ(disp.OutBuffUsed(), 3584u);

    // The line drains at its own pace: the first write ends, the second waits for room, and the
    // third block goes in round the end of the ring meanwhile.
    sim.SetPacing(true);
    sim.SetCts(true);
    ASSERT_TRUE(PumpUntil([&] { return disp.OutBuffUsed() == second.size(); }));
    ASSERT_EQ(disp.PutString(third), ecOK);
    const std::string expected = filler + first + second + third;

    std::string line;
    EXPECT_TRUE(PumpUntil(
        [&] {
            line += sim.TakeTransmitted();
            return line.size() >= expected.size();
        },
        20000));
    EXPECT_EQ(line, expected);
    EXPECT_EQ(disp.OutBuffUsed(), 0u);
    disp.DonePort();
}

} // namespace
