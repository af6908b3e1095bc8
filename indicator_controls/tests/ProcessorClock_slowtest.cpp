// The processor clock in real time: a program's start-up does not wait for its busy second, the
// first read waits only for what is left of it, and a shut-down does not wait for it at all.
#include "indicator_controls/IndicatorUnits.h"
#include "indicator_controls/Mystd.h"

#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Sync.h"
#include "platform/win/SysInfo.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

class TClockForm : public TForm {
public:
    explicit TClockForm(TComponent* AOwner) : TForm(AOwner) {
        ShowApp = new TvShowApp(this);
        BeginLoading();
        EndLoading();
    }
    TvShowApp* ShowApp;
};

// The counter's rate in MHz over a stretch timed by the clock the test itself reads.
double CounterMHz() {
    std::uint64_t c1 = 0, c2 = 0;
    const std::uint64_t t1 = MonotonicMs();
    ReadTimeStampCounter(c1);
    Sleep(300);
    ReadTimeStampCounter(c2);
    const std::uint64_t t2 = MonotonicMs();
    return static_cast<double>(c2 - c1) / static_cast<double>((t2 - t1) * 1000);
}

bool ClockMeasured() {
    return ProcessorRecord().CpuidPresent && CpuID() >= 5;
}

// The test program started the units before its first test; each test times a start of its own.
class ProcessorClockAtStartUp : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ClockMeasured()) GTEST_SKIP() << "this processor's clock is not measured";
        FinalizeIndicatorUnits();
    }
    void TearDown() override {
        if (ClockMeasured()) InitializeIndicatorUnits();
        Application->DestroyForms();
    }
};

} // namespace

TEST_F(ProcessorClockAtStartUp, StartUpGoesOnAndTheFirstReadWaitsForWhatIsLeft) {
    const std::uint64_t start = MonotonicMs();
    InitializeIndicatorUnits();
    // The bounds leave a busy machine room; they only tell the busy second from its absence.
    EXPECT_LT(MonotonicMs() - start, 500u) << "the start-up waited for the measurement";

    auto* form = new TClockForm(Application);
    Sleep(600); // the program's own start meanwhile
    const std::uint64_t before = MonotonicMs();
    const std::int32_t mhz = form->ShowApp->CPUSpeed();
    const std::uint64_t after = MonotonicMs();
    EXPECT_LT(after - before, 950u) << "the read measured a second of its own";
    EXPECT_GE(after - start, 1000u) << "the measurement covers a second";

    const double rate = CounterMHz();
    EXPECT_NEAR(mhz, rate, rate / 4) << "the counter's rate";
    const std::uint64_t again = MonotonicMs();
    EXPECT_EQ(form->ShowApp->CPUSpeed(), mhz);
    EXPECT_LT(MonotonicMs() - again, 100u) << "measured once";
    EXPECT_EQ(CPUClock(), mhz);
}

TEST_F(ProcessorClockAtStartUp, ShutDownAbandonsAMeasurementUnderWay) {
    InitializeIndicatorUnits();
    const std::uint64_t start = MonotonicMs();
    FinalizeIndicatorUnits();
    EXPECT_LT(MonotonicMs() - start, 500u) << "the shut-down waited for the measurement";
}
