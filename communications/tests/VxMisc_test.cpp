#include "communications/VxMisc.h"
#include "platform/win/Process.h"

#include "platform/rtl/Streams.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

// --- Conversions ----------------------------------------------------------------------------------

TEST(VxMiscConversions, TruncateTowardZeroOnTheirBoundaries) {
    struct Case {
        std::int32_t (*fn)(std::int32_t);
        std::int32_t in, out;
    };
    const Case cases[] = {
        {Secs2Ticks, 1, 18},     {Secs2Ticks, 10, 182}, {Secs2Ticks, -1, -18}, {Secs2Ticks, 0, 0},
        {MSecs2Ticks, 1000, 18}, {MSecs2Ticks, 54, 0},  {MSecs2Ticks, 55, 1},  {Ticks2Secs, 18, 1},
        {Ticks2Secs, 9, 0},      {Ticks2Secs, 10, 1},   {Ticks2Secs, -9, 0},   {Ticks2Secs, 182, 10},
    };
    for (const Case& c : cases) EXPECT_EQ(c.fn(c.in), c.out) << "input " << c.in;
}

TEST(VxMiscConversions, LargeValuesDoNotOverflowInTheProduct) {
    // 2,000,000 ms (33 minutes) overflows a 32-bit ms * 1675.
    EXPECT_EQ(MSecs2Ticks(2000000), 36413);
    EXPECT_EQ(Ticks2Secs(30000000), 1647761);
    EXPECT_EQ(Secs2Ticks(3600 * 24 * 30), 47191304);
    // Beyond 32 bits the result saturates instead of changing sign.
    EXPECT_EQ(Secs2Ticks(INT32_MAX), INT32_MAX);
    EXPECT_EQ(Secs2Ticks(INT32_MIN), INT32_MIN);
}

TEST(VxMiscClock, PerfDivisorRoundsAndRejectsUnusableCounters) {
    struct Case {
        bool ok;
        std::int64_t frequency;
        DWORD divisor;
    };
    const Case cases[] = {
        {true, 1000000, 1000},
        {true, 3579545, 3580}, // remainder 545 rounds up
        {true, 1193182, 1193},
        {true, 1500, 1}, // remainder 500 does not
        {true, 1501, 2},
        {false, 1000000, 0},
        {true, 0, 0},
        {true, std::int64_t{1} << 32, 0},
        {true, (std::int64_t{1} << 32) + 1000, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(VxPerfDivisor(c.ok, c.frequency), c.divisor) << c.frequency;
}

TEST(VxMiscClock, TimeGetTimeIsTheMonotonicClockCutTo32Bits) {
    const std::uint64_t before = MonotonicMs();
    const DWORD t = VxTimeGetTime();
    const std::uint64_t after = MonotonicMs();
    const auto sinceBefore = static_cast<std::int32_t>(t - static_cast<DWORD>(before));
    EXPECT_GE(sinceBefore, -1);
    EXPECT_LE(sinceBefore, static_cast<std::int32_t>(after - before) + 1);
}

// --- Timers on an injected tick count -------------------------------------------------------------

class VxMiscTimer : public ::testing::Test {
protected:
    void TearDown() override { SetTicksForTesting(std::nullopt); }
    static void At(std::int32_t tick) { SetTicksForTesting(tick); }
};

TEST_F(VxMiscTimer, ExpiresAfterTheExpiryTickNotAtIt) {
    At(100);
    EventTimer t;
    NewTimer(t, 20);
    EXPECT_EQ(t.StartTicks, 100);
    EXPECT_EQ(t.ExpireTicks, 120);

    At(110);
    EXPECT_FALSE(TimerExpired(t));
    EXPECT_EQ(ElapsedTime(t), 10);
    EXPECT_EQ(RemainingTime(t), 10);

    At(120);
    EXPECT_FALSE(TimerExpired(t));
    EXPECT_EQ(RemainingTime(t), 0);

    At(121);
    EXPECT_TRUE(TimerExpired(t));
    EXPECT_EQ(ElapsedTime(t), 21);
    EXPECT_EQ(RemainingTime(t), 0);
}

TEST_F(VxMiscTimer, ReadingBelowTheStartCountsAsAWrap) {
    At(100);
    EventTimer t;
    NewTimer(t, 20);
    At(90);
    EXPECT_TRUE(TimerExpired(t));
    EXPECT_EQ(ElapsedTime(t), 90 + 39045157 - 100);
    EXPECT_EQ(RemainingTime(t), 0);
}

TEST_F(VxMiscTimer, TimerSpanningTheTickWrapRunsItsLength) {
    At(TickWrap - 5);
    EventTimer t;
    NewTimer(t, 10);
    At(2);
    EXPECT_FALSE(TimerExpired(t));
    EXPECT_EQ(ElapsedTime(t), 7);
    EXPECT_EQ(RemainingTime(t), 3);
    At(5);
    EXPECT_FALSE(TimerExpired(t));
    At(6);
    EXPECT_TRUE(TimerExpired(t));
    EXPECT_EQ(RemainingTime(t), 0);
}

TEST_F(VxMiscTimer, LengthIsCappedAtTheWrapConstant) {
    At(5);
    EventTimer t;
    NewTimer(t, 50000000);
    EXPECT_EQ(t.ExpireTicks, 5 + 39045157);
    NewTimer(t, 39045157);
    EXPECT_EQ(t.ExpireTicks, 5 + 39045157);
}

TEST_F(VxMiscTimer, SecondsVariantsConvertThroughTicks) {
    At(1000);
    EventTimer t;
    NewTimerSecs(t, 10);
    EXPECT_EQ(t.ExpireTicks, 1182);
    At(1000 + 91);
    EXPECT_EQ(ElapsedTimeInSecs(t), 5);   // (91 + 9) * 92 / 1675
    EXPECT_EQ(RemainingTimeInSecs(t), 5); // (91 + 9) * 92 / 1675
    At(1183);
    EXPECT_EQ(RemainingTimeInSecs(t), 0);
}

// --- The real clock across the 32-bit millisecond wrap ---------------------------------------------

// Moves the clock forward so that it reads about targetMs now.
void ClockTo(std::uint64_t targetMs) {
    static std::uint64_t offset = 0;
    const std::uint64_t unshifted = MonotonicMs() - offset;
    ASSERT_GT(targetMs, MonotonicMs());
    offset = targetMs - unshifted;
    SetClockOffsetForTesting(offset);
}

TEST(VxMiscRealClock, TimerAcrossThe32BitMillisecondWrap) {
    // The next wrap ahead, so that the test can run again in the same process.
    const std::uint64_t wrap = (MonotonicMs() / (std::uint64_t{1} << 32) + 1) << 32;
    ClockTo(wrap - 130);
    EventTimer t;
    NewTimer(t, 4);

    ClockTo(wrap + 60);
    EXPECT_LT(VxTimeGetTime(), 1000u) << "the 32-bit clock has wrapped";
    EXPECT_FALSE(TimerExpired(t));
    EXPECT_GE(ElapsedTime(t), 2);
    EXPECT_LE(ElapsedTime(t), 4);

    ClockTo(wrap + 400);
    EXPECT_TRUE(TimerExpired(t));
    EXPECT_GE(ElapsedTime(t), 7);
    EXPECT_LE(ElapsedTime(t), 10);
    EXPECT_EQ(RemainingTime(t), 0);
}

// --- Message pumping ------------------------------------------------------------------------------

constexpr UINT WmPing = WM_USER + 1;
constexpr UINT WmQuitMe = WM_USER + 2;

class VxMiscPump : public ::testing::Test {
protected:
    void SetUp() override {
        Drain();
        wnd = CreateMessageWindow("VxMiscTest", [this](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
            if (msg == WmPing) {
                ++pings;
                pingThread = GetCurrentThreadId();
                return 0;
            }
            if (msg == WmQuitMe) {
                PostQuitMessage(static_cast<int>(wp));
                return 0;
            }
            return DefWindowProc(w, msg, wp, lp);
        });
        ASSERT_NE(wnd, 0u);
    }
    void TearDown() override {
        SetTicksForTesting(std::nullopt);
        DestroyWindow(wnd);
        Drain();
    }
    // Leaves nothing, not even a quit, for the next test.
    static void Drain() {
        MSG msg;
        while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
        }
    }
    // Polls cond for up to 5 s from a helper thread.
    static bool WaitFor(const std::function<bool()>& cond) {
        for (int i = 0; i < 5000; ++i) {
            if (cond()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return cond();
    }

    HWND wnd = 0;
    std::atomic<int> pings{0};
    std::atomic<DWORD> pingThread{0};
};

TEST_F(VxMiscPump, SafeYieldWithAnEmptyQueueReturnsZero) {
    EXPECT_EQ(SafeYield(), 0);
}

TEST_F(VxMiscPump, SafeYieldDispatchesOneMessageAndPacksWindowAndNumber) {
    ASSERT_TRUE(PostMessage(wnd, WmPing, 0, 0));
    ASSERT_TRUE(PostMessage(wnd, WmPing, 0, 0));
    EXPECT_EQ(SafeYield(), static_cast<std::int32_t>(((wnd & 0xFFFFu) << 16) | WmPing));
    EXPECT_EQ(pings, 1);
    EXPECT_EQ(SafeYield(), static_cast<std::int32_t>(((wnd & 0xFFFFu) << 16) | WmPing));
    EXPECT_EQ(pings, 2);
    EXPECT_EQ(SafeYield(), 0);
}

TEST_F(VxMiscPump, SafeYieldOnAThreadMessageGivesTheNumberAlone) {
    ASSERT_TRUE(PostMessage(0, 0x7E01, 0, 0));
    EXPECT_EQ(SafeYield(), 0x7E01);
}

TEST_F(VxMiscPump, SafeYieldLeavesTheQuitPending) {
    PostQuitMessage(7);
    EXPECT_EQ(SafeYield(), 18);
    EXPECT_EQ(SafeYield(), 18);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(VxMiscPump, DelayTicksBelowOneReturnsAtOnceWithoutPumping) {
    ASSERT_TRUE(PostMessage(wnd, WmPing, 0, 0));
    EXPECT_EQ(DelayTicks(0, true), 0);
    EXPECT_EQ(DelayTicks(-5, true), 0);
    EXPECT_EQ(DelayTicks(INT32_MIN, false), 0);
    EXPECT_EQ(pings, 0);
}

TEST_F(VxMiscPump, DelayTicksLastsMoreThanItsTicks) {
    for (std::int32_t n : {1, 2}) {
        for (bool yield : {false, true}) {
            const std::uint64_t before = MonotonicMs() / 55;
            DelayTicks(n, yield);
            const std::uint64_t after = MonotonicMs() / 55;
            EXPECT_GT(after, before + static_cast<std::uint64_t>(n)) << n << (yield ? " yielding" : "");
        }
    }
}

// The wait ends at the first tick past start + n: with the tick count held by the test, a two-tick
// wait begun at 100 is still running at 102 and ends at 103.
TEST_F(VxMiscPump, DelayTicksEndsAtTheFirstTickPastStartPlusTicks) {
    SetTicksForTesting(100);
    std::atomic<bool> returned{false};
    std::atomic<bool> returnedEarly{false};
    std::thread clock([&] {
        PostMessage(wnd, WmPing, 0, 0); // handled inside the wait, so its timer has started
        WaitFor([&] { return pings.load() == 1; });
        SetTicksForTesting(101);
        SetTicksForTesting(102);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        returnedEarly = returned.load();
        SetTicksForTesting(103);
        if (!WaitFor([&] { return returned.load(); })) SetTicksForTesting(1000000);
    });
    const std::int32_t result = DelayTicks(2, true);
    returned = true;
    clock.join();
    EXPECT_EQ(pings, 1);
    EXPECT_FALSE(returnedEarly);
    EXPECT_EQ(result, 0);
}

TEST_F(VxMiscPump, DelayTicksDispatchesMessagesPostedDuringTheWait) {
    SetTicksForTesting(100);
    std::atomic<bool> returned{false};
    std::thread poster([&] {
        PostMessage(wnd, WmPing, 0, 0);
        WaitFor([&] { return pings.load() == 1; });
        SetTicksForTesting(200);
        if (!WaitFor([&] { return returned.load(); })) SetTicksForTesting(1000000);
    });
    DelayTicks(5, true);
    returned = true;
    poster.join();
    EXPECT_EQ(pings, 1);
    EXPECT_EQ(pingThread, GetCurrentThreadId());
}

TEST_F(VxMiscPump, DelayTicksReturnsEarlyOnAQuitAndLeavesItPending) {
    SetTicksForTesting(100);
    std::atomic<bool> returned{false};
    std::thread poster([&] {
        // The window's handler posts the quit on the waiting thread.
        PostMessage(wnd, WmQuitMe, 3, 0);
        if (!WaitFor([&] { return returned.load(); })) SetTicksForTesting(1000000);
    });
    const std::int32_t result = DelayTicks(100, true);
    returned = true;
    poster.join();
    EXPECT_EQ(result, 18);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(VxMiscPump, DelayTicksWithoutYieldLeavesMessagesQueued) {
    ASSERT_TRUE(PostMessage(wnd, WmPing, 0, 0));
    PostQuitMessage(1);
    EXPECT_EQ(DelayTicks(1, false), 0);
    EXPECT_EQ(pings, 0);
}

TEST(VxMiscDelayMS, WaitsAtLeastTheGivenTime) {
    const std::uint64_t before = MonotonicMs();
    EXPECT_EQ(DelayMS(30), 30u);
    EXPECT_GE(MonotonicMs() - before, 30u);
    EXPECT_EQ(DelayMS(0), 0u);
}

// --- Platform and component bases -----------------------------------------------------------------

TEST(VxMiscPlatform, IsNtButNot2000) {
    EXPECT_TRUE(IsWinNT());
    EXPECT_FALSE(IsWin2000());
}

TEST(VxMiscBase, ComponentPublishesTheLibraryVersionReadOnly) {
    EXPECT_STREQ(VxVersionText(), "v4.06");
    TVexBaseComponent owner(nullptr);
    auto* child = new TVexBaseComponent(&owner);
    child->SetVersion("v9.99");
    EXPECT_EQ(child->Version(), "v4.06");
    EXPECT_EQ(owner.ComponentCount(), 1);

    TVexBaseWinControl windowed(&owner);
    TVexBaseGraphicControl windowless(&owner);
    EXPECT_EQ(windowed.Version(), "v4.06");
    EXPECT_EQ(windowless.Version(), "v4.06");
}

// --- Processes ------------------------------------------------------------------------------------

TEST(VxMiscExec, SplitsParametersByTheWindowsRules) {
    struct Case {
        const char* in;
        std::vector<std::string> out;
    };
    const Case cases[] = {
        {"", {}},
        {"  a\tb   c  ", {"a", "b", "c"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"(ab"c d"e)", {"abc de"}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"(a\b a\\b)", {R"(a\b)", R"(a\\b)"}},
        {R"(a\"b)", {R"(a"b)"}},
        {R"(a\\"b c")", {R"(a\b c)"}},
        {R"(a\\\"b)", {R"(a\"b)"}},
        {R"("C:\dir\\")", {R"(C:\dir\)"}},
        {R"("a""b")", {R"(a"b)"}},
        {R"("open)", {"open"}},
    };
    for (const Case& c : cases) EXPECT_EQ(CommandLineToArgv(c.in), c.out) << c.in;
}

TEST(VxMiscExec, ReturnsTheProgramsExitCode) {
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", R"(-c "exit 3")", 1), 3);
    EXPECT_EQ(ApWinExecAndWait32("sh", R"(-c "exit 0")", 1), 0);
    EXPECT_EQ(ApWinExecAndWait32(R"("/bin/sh")", R"(-c "exit 5")", 1), 5);
    EXPECT_EQ(ApWinExecAndWait32("true", "", 1), 0);
}

TEST(VxMiscExec, AProgramThatCannotStartGivesMinusOne) {
    EXPECT_EQ(ApWinExecAndWait32("/nonexistent/vx-no-such-program", "", 1), -1);
    EXPECT_EQ(ApWinExecAndWait32("vx-no-such-program-on-path", "a b", 1), -1);
    EXPECT_EQ(ApWinExecAndWait32("", "", 1), -1);
    // A program that runs and exits 127 is not a failed start.
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", R"(-c "exit 127")", 1), 127);
}

TEST(VxMiscExec, QuotedArgumentWithBlanksArrivesWhole) {
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", R"(-c "exit $#" x "a b" c)", 1), 2);
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", R"(-c "[ \"$1\" = 'a  b' ]" x "a  b")", 1), 0);
    // No shell in between: its special characters arrive as they are.
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", R"(-c "[ \"$1\" = '$HOME;*' ]" x $HOME;*)", 1), 0);
}

TEST(VxMiscExec, CommandLineLongerThan255Characters) {
    std::string params = R"(-c "exit $#" x)";
    for (int i = 0; i < 200; ++i) params += " abcd";
    ASSERT_GT(params.size(), 255u);
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", params, 1), 200);
}

// --- Zero-terminated strings and paths ------------------------------------------------------------

TEST(VxMiscPaths, ZeroTerminatedPathRoutines) {
    using Fn = char* (*)(char*, const char*);
    struct Case {
        Fn fn;
        const char* name;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {JustPathnameZ, "JustPathnameZ", R"(C:\DIR\FILE.TXT)", R"(C:\DIR)"},
        {JustPathnameZ, "JustPathnameZ", R"(C:\FILE.TXT)", R"(C:\)"},
        {JustPathnameZ, "JustPathnameZ", "FILE.TXT", ""},
        {JustPathnameZ, "JustPathnameZ", "C:FILE.TXT", "C:"},
        {JustPathnameZ, "JustPathnameZ", R"(C:\)", R"(C:\)"},
        {JustPathnameZ, "JustPathnameZ", "C:", "C:"},
        {JustPathnameZ, "JustPathnameZ", R"(\FILE.TXT)", R"(\)"},
        {JustPathnameZ, "JustPathnameZ", "/usr/lib/x.so", "/usr/lib"},
        {JustPathnameZ, "JustPathnameZ", "/x", "/"},
        {JustFilenameZ, "JustFilenameZ", R"(C:\DIR\FILE.TXT)", "FILE.TXT"},
        {JustFilenameZ, "JustFilenameZ", "C:FILE", "FILE"},
        {JustFilenameZ, "JustFilenameZ", "FILE", "FILE"},
        {JustFilenameZ, "JustFilenameZ", R"(C:\DIR\)", ""},
        {JustFilenameZ, "JustFilenameZ", "/tmp/a.b", "a.b"},
        {JustExtensionZ, "JustExtensionZ", R"(C:\DIR\FILE.TXT)", "TXT"},
        {JustExtensionZ, "JustExtensionZ", "FILE.HTML", "HTM"},
        {JustExtensionZ, "JustExtensionZ", "A.B.C", "C"},
        {JustExtensionZ, "JustExtensionZ", R"(C:\DIR.X\FILE)", ""},
        {JustExtensionZ, "JustExtensionZ", "FILE.", ""},
        {AddBackSlashZ, "AddBackSlashZ", R"(C:\DIR)", R"(C:\DIR\)"},
        {AddBackSlashZ, "AddBackSlashZ", R"(C:\DIR\)", R"(C:\DIR\)"},
        {AddBackSlashZ, "AddBackSlashZ", "C:", "C:"},
        {AddBackSlashZ, "AddBackSlashZ", "/tmp/", "/tmp/"},
        {AddBackSlashZ, "AddBackSlashZ", "", ""},
    };
    for (const Case& c : cases) {
        char dest[fnBuffSize];
        std::memset(dest, 'Z', sizeof dest);
        EXPECT_STREQ(c.fn(dest, c.in), c.out) << c.name << "(" << c.in << ")";
    }
}

TEST(VxMiscPaths, JustExtensionWritesAnEmptyTextWhenThereIsNone) {
    char dest[4] = "old";
    EXPECT_STREQ(JustExtensionZ(dest, "NOEXT"), "");
}

TEST(VxMiscPaths, ExtensionsAreForcedOrDefaulted) {
    struct Case {
        const char* path;
        const char* forced;
        const char* defaulted;
    };
    const Case cases[] = {
        {R"(C:\DIR\FILE.TXT)", R"(C:\DIR\FILE.LOG)", R"(C:\DIR\FILE.TXT)"},
        {R"(C:\DIR\FILE)", R"(C:\DIR\FILE.LOG)", R"(C:\DIR\FILE.LOG)"},
        {R"(C:\D.X\FILE)", R"(C:\D.X\FILE.LOG)", R"(C:\D.X\FILE.LOG)"},
        {"A.B.C", "A.B.LOG", "A.B.C"},
    };
    for (const Case& c : cases) {
        char dest[fnBuffSize];
        EXPECT_STREQ(ForceExtensionZ(dest, c.path, "LOG"), c.forced);
        EXPECT_STREQ(DefaultExtensionZ(dest, c.path, "LOG"), c.defaulted);
    }
    // The result may be built over its own source.
    char same[fnBuffSize] = "NAME.OLD";
    EXPECT_STREQ(ForceExtensionZ(same, same, "NEW"), "NAME.NEW");
}

TEST(VxMiscPaths, ResultsStayWithinTheBuffer) {
    const std::string longDir = std::string(300, 'd') + "\\" + std::string(300, 'f') + ".txt";
    char dest[fnBuffSize + 8];
    std::memset(dest, 'Z', sizeof dest);
    EXPECT_EQ(std::strlen(JustPathnameZ(dest, longDir.c_str())), 255u);
    EXPECT_EQ(std::strlen(JustFilenameZ(dest, longDir.c_str())), 255u);
    EXPECT_EQ(std::strlen(ForceExtensionZ(dest, longDir.c_str(), "LOG")), 255u);
    EXPECT_EQ(std::strlen(AddBackSlashZ(dest, std::string(400, 'a').c_str())), 255u);
    for (std::size_t i = fnBuffSize; i < sizeof dest; ++i) EXPECT_EQ(dest[i], 'Z');
}

TEST(VxMiscPaths, StrStCopy) {
    char dest[8];
    EXPECT_STREQ(StrStCopy(dest, "abcdef", 2, 3), "cde");
    EXPECT_STREQ(StrStCopy(dest, "abcdef", 4, 7), "ef");
    EXPECT_STREQ(StrStCopy(dest, "abcdef", 6, 1), "");
    EXPECT_STREQ(StrStCopy(dest, "abcdef", 60, 1), "");
    EXPECT_STREQ(StrStCopy(dest, "abcdef", 0, 0), "");
}

TEST(VxMiscPaths, StringPathRoutines) {
    EXPECT_EQ(JustName(R"(C:\DIR.D\FILE.TAR.GZ)"), "FILE");
    EXPECT_EQ(JustName("FILE"), "FILE");
    EXPECT_EQ(JustName("/a/b"), "b");
    EXPECT_EQ(AddBackSlash(R"(C:\DIR)"), R"(C:\DIR\)");
    EXPECT_EQ(AddBackSlash(R"("C:\DIR")"), R"("C:\DIR\")");
    EXPECT_EQ(AddBackSlash(R"("C:\DIR\")"), R"("C:\DIR\")");
    EXPECT_EQ(AddBackSlash(""), "");
    EXPECT_EQ(AddBackSlash("C:"), "C:");
}

TEST(VxMiscPaths, ExistFile) {
    const auto dir = std::filesystem::temp_directory_path();
    const auto file =
        dir / ("vxmisc_exist_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::ofstream(file) << "x";
    EXPECT_TRUE(ExistFileZ(file.c_str()));
    std::filesystem::remove(file);
    EXPECT_FALSE(ExistFileZ(file.c_str()));
    EXPECT_FALSE(ExistFileZ(dir.c_str()));
    EXPECT_FALSE(ExistFileZ(""));
}

TEST(VxMiscNumbers, LongToTextAndBack) {
    char dest[12];
    EXPECT_STREQ(Long2StrZ(dest, 0), "0");
    EXPECT_STREQ(Long2StrZ(dest, -2147483647 - 1), "-2147483648");
    EXPECT_STREQ(Long2StrZ(dest, 2147483647), "2147483647");

    struct Case {
        const char* text;
        bool ok;
        std::int32_t n;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"-17", true, -17},
        {"+17", true, 17},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"12a", false, 0},
        {" 12", false, 0},
    };
    for (const Case& c : cases) {
        std::int32_t n = 42;
        EXPECT_EQ(Str2LongZ(c.text, n), c.ok) << c.text;
        EXPECT_EQ(n, c.n) << c.text;
    }
}

// --- Flags and memory -----------------------------------------------------------------------------

TEST(VxMiscFlags, SetClearAndTest) {
    std::uint32_t f = 0x10;
    SetFlag(f, 0x81000000);
    EXPECT_EQ(f, 0x81000010u);
    ClearFlag(f, 0x01000010);
    EXPECT_EQ(f, 0x80000000u);
    EXPECT_TRUE(FlagIsSet(f, 0x80000001));
    EXPECT_FALSE(FlagIsSet(f, 0x7FFFFFFF));

    std::uint8_t b = 0x01;
    SetByteFlag(b, 0x80);
    ClearByteFlag(b, 0x01);
    EXPECT_EQ(b, 0x80);
    EXPECT_TRUE(ByteFlagIsSet(b, 0xC0));
    EXPECT_FALSE(ByteFlagIsSet(b, 0x7F));

    EXPECT_EQ(MinWord(65535, 3), 3);
    char buf[16];
    EXPECT_EQ(AddWordToPtr(buf, 5), buf + 5);
    EXPECT_EQ(GetPtr(buf + 8, -3), buf + 5);
}

TEST(VxMiscFlags, NotBufferInvertsExactlySizeBytes) {
    unsigned char buf[16];
    for (int i = 0; i < 16; ++i) buf[i] = static_cast<unsigned char>(i * 17);
    NotBuffer(buf + 1, 7); // one word, three bytes, off alignment
    for (int i = 0; i < 16; ++i) {
        const auto plain = static_cast<unsigned char>(i * 17);
        EXPECT_EQ(buf[i], i >= 1 && i < 8 ? static_cast<unsigned char>(~plain) : plain) << i;
    }
    NotBuffer(buf, 0);
    EXPECT_EQ(buf[0], 0);
}

// --- Line reader ----------------------------------------------------------------------------------

std::vector<std::string> ReadLines(const std::string& data, int count) {
    TLineReader reader(new TMemoryStream(data));
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(reader.NextLine());
    return lines;
}

TEST(VxMiscLineReader, LineEndsInOnePage) {
    struct Case {
        std::string data;
        std::vector<std::string> lines; // then empty texts for ever
    };
    const Case cases[] = {
        {"", {""}},
        {"abc\rdef", {"abc", "def", ""}},
        {"abc\r\ndef\r", {"abc", "def", ""}},
        {"abc\r\ndef\r\n", {"abc", "def", "", ""}},
        {"abc\r\r\ndef", {"abc", "", "def", ""}},
        {"abc\r\ndef\x1a", {"abc", "def", ""}},
        {"abc\r\x1a", {"abc", ""}},
        {"ab\x1a"
         "cd",
         {"ab\x1a"
          "cd",
          ""}},
        {"a\nb\r", {"a\nb", ""}},
        {"\nabc", {"abc", ""}},
        {std::string("a\0b\r", 4), {std::string("a\0b", 3), ""}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> expected = c.lines;
        expected.push_back("");
        expected.push_back("");
        EXPECT_EQ(ReadLines(c.data, static_cast<int>(expected.size())), expected) << c.data;
    }
}

TEST(VxMiscLineReader, LinesAcrossPageBoundaries) {
    const std::string x(4095, 'x');
    // CR at byte 4096, its LF at byte 4097 opens the second page.
    EXPECT_EQ(ReadLines(x + "\r\nnext\r", 3), (std::vector<std::string>{x, "next", ""}));
    // CR at byte 4096 without LF.
    EXPECT_EQ(ReadLines(x + "\rnext", 3), (std::vector<std::string>{x, "next", ""}));
    // A line longer than a page.
    const std::string y(5000, 'y');
    EXPECT_EQ(ReadLines(y + "\r\nz", 3), (std::vector<std::string>{y, "z", ""}));
    // A full last page without CR, then a ^Z alone on the next page.
    const std::string q(4096, 'q');
    EXPECT_EQ(ReadLines(q, 2), (std::vector<std::string>{q, ""}));
    EXPECT_EQ(ReadLines(q + "\x1a", 2), (std::vector<std::string>{q, ""}));
}

TEST(VxMiscLineReader, ManyPagesOfLinesComeBackWhole) {
    std::vector<std::string> lines;
    std::string data;
    for (int i = 0; i < 200; ++i) {
        lines.push_back(std::string(static_cast<std::size_t>(i * 37 % 301), static_cast<char>('a' + i % 26)));
        data += lines.back() + (i % 3 == 0 ? "\r" : "\r\n");
    }
    ASSERT_GT(data.size(), 3u * 4096);
    TLineReader reader(new TMemoryStream(data));
    for (const std::string& line : lines) ASSERT_EQ(reader.NextLine(), line);
}

// --- Growable string ------------------------------------------------------------------------------

std::string Text(const TVxStr& s) {
    return s.Copy(1, s.GetLen());
}

TVxStr Make(const std::string& text, std::int32_t capacity) {
    TVxStr s(capacity);
    s.Append(text);
    return s;
}

TEST(VxMiscVxStr, CopyIsLimitedToTheText) {
    const TVxStr s = Make("0123456789", 10);
    struct Case {
        std::int32_t pos, count;
        const char* out;
    };
    const Case cases[] = {
        {3, 20, "23456789"}, {1, 10, "0123456789"}, {10, 5, "9"}, {0, 5, ""},   {-1, 5, ""},
        {1, 0, ""},          {2, -1, ""},           {11, 1, ""},  {4, 2, "34"},
    };
    for (const Case& c : cases) EXPECT_EQ(s.Copy(c.pos, c.count), c.out) << c.pos << "," << c.count;
}

TEST(VxMiscVxStr, EditingOperations) {
    struct Case {
        const char* name;
        std::function<void(TVxStr&)> op;
        const char* out;
    };
    const Case cases[] = {
        {"Append grows", [](TVxStr& s) { s.Append("ghij"); }, "abcdefghij"},
        {"AppendBuff", [](TVxStr& s) { s.AppendBuff("g"); }, "abcdefg"},
        {"AppendBuff nil", [](TVxStr& s) { s.AppendBuff(nullptr); }, "abcdef"},
        {"AppendTAdStr self", [](TVxStr& s) { s.AppendTAdStr(s); }, "abcdefabcdef"},
        {"Insert inside", [](TVxStr& s) { s.Insert("XY", 3); }, "abXYcdef"},
        {"Insert at last", [](TVxStr& s) { s.Insert("XY", 6); }, "abcdeXYf"},
        {"Insert past end", [](TVxStr& s) { s.Insert("XY", 7); }, "abcdef"},
        {"Insert at 0", [](TVxStr& s) { s.Insert("XY", 0); }, "abcdef"},
        {"Prepend", [](TVxStr& s) { s.Prepend("X"); }, "Xabcdef"},
        {"Delete inside", [](TVxStr& s) { s.Delete(3, 2); }, "abef"},
        {"Delete past end cuts", [](TVxStr& s) { s.Delete(4, 100); }, "abc"},
        {"Delete outside", [](TVxStr& s) { s.Delete(7, 1); }, "abcdef"},
        {"Delete at 0", [](TVxStr& s) { s.Delete(0, 1); }, "abcdef"},
        {"Resize smaller", [](TVxStr& s) { s.Resize(4); }, "abc"},
        {"Resize larger", [](TVxStr& s) { s.Resize(20); }, "abcdef"},
        {"SetMaxLen same", [](TVxStr& s) { s.SetMaxLen(s.GetMaxLen()); }, ""},
        {"Clear", [](TVxStr& s) { s.Clear(); }, ""},
        {"SetLen cut", [](TVxStr& s) { s.SetLen(2); }, "ab"},
        {"SetChar",
         [](TVxStr& s) {
             s.SetChar(0, 'A');
             s.SetChar(6, 'Z');
             s.SetChar(-1, 'Z');
         },
         "Abcdef"},
    };
    for (const Case& c : cases) {
        TVxStr s = Make("abcdef", 6);
        c.op(s);
        EXPECT_EQ(Text(s), c.out) << c.name;
        EXPECT_LE(s.GetLen(), s.GetMaxLen()) << c.name;
    }
}

TEST(VxMiscVxStr, PrependingToAnEmptyTextDoesNothing) {
    TVxStr s(10);
    s.Prepend("abc");
    EXPECT_EQ(s.GetLen(), 0);
}

TEST(VxMiscVxStr, CapacityFollowsGrowthAndResize) {
    TVxStr s(4);
    EXPECT_EQ(s.GetBuffLen(), 5);
    s.Append("abcdef");
    EXPECT_EQ(s.GetMaxLen(), 6);
    s.Resize(4);
    EXPECT_EQ(s.GetMaxLen(), 4);
    EXPECT_EQ(Text(s), "abc");
    s.SetMaxLen(12);
    EXPECT_EQ(s.GetMaxLen(), 12);
    EXPECT_EQ(s.GetLen(), 0);

    TVxStr none(0);
    EXPECT_EQ(none.GetMaxLen(), 0);
    EXPECT_EQ(none.GetChar(0), '\0');
    none.SetLen(5);
    EXPECT_EQ(none.GetLen(), 0);
    none.Append("xy");
    EXPECT_EQ(Text(none), "xy");
}

TEST(VxMiscVxStr, GrowingTheLengthShowsZerosUpToTheCapacity) {
    TVxStr s = Make("abcdef", 8);
    s.SetLen(2);
    s.SetLen(5); // the buffer still held "cde" there
    EXPECT_EQ(s.GetLen(), 5);
    EXPECT_EQ(Text(s), std::string("ab\0\0\0", 5));
    s.SetLen(50);
    EXPECT_EQ(s.GetLen(), 8);
    EXPECT_EQ(Text(s), std::string("ab\0\0\0\0\0\0", 8));
    s.SetLen(-1);
    EXPECT_EQ(s.GetLen(), 0);
}

TEST(VxMiscVxStr, PosFindsAndMovesTheCursor) {
    TVxStr s = Make("abcabc", 6);
    EXPECT_EQ(s.Pos("ca"), 3);
    EXPECT_EQ(s.GetCurChar(), 'c');
    EXPECT_EQ(s.PosIdx("bc", 3), 5);
    EXPECT_EQ(s.GetCurChar(), 'b');
    EXPECT_EQ(s.Pos("zz"), 0);
    EXPECT_EQ(s.GetCurChar(), 'b') << "a miss leaves the cursor";
    EXPECT_EQ(s.PosIdx("a", 7), 0);
    EXPECT_EQ(s.PosIdx("a", 0), 0);
    EXPECT_EQ(s.Pos(""), 0);
}

TEST(VxMiscVxStr, CursorMovesWithinTheText) {
    TVxStr s = Make("abcdef", 6);
    s.Last();
    EXPECT_EQ(s.GetCurChar(), 'f');
    s.Prev();
    EXPECT_EQ(s.GetCurChar(), 'e');
    s.First();
    EXPECT_EQ(s.GetCurChar(), 'a');
    s.Next();
    EXPECT_EQ(s.GetCurChar(), 'b');
    s.GotoPos(4);
    EXPECT_EQ(s.GetCurChar(), 'd');
    s.MoveBy(-2);
    EXPECT_EQ(s.GetCurChar(), 'b');
    s.MoveBy(-10);
    EXPECT_EQ(s.GetCurChar(), 'a');
    s.MoveBy(100);
    EXPECT_EQ(s.GetCurChar(), '\0');
    s.Delete(2, 10);
    s.Prev();
    EXPECT_EQ(s.GetCurChar(), 'a');
}

TEST(VxMiscVxStr, AssignCopiesCapacityTextAndCursor) {
    TVxStr src = Make("hello", 9);
    src.GotoPos(2);
    TVxStr dst(3);
    dst.Assign(src);
    EXPECT_EQ(dst.GetMaxLen(), 9);
    EXPECT_EQ(Text(dst), "hello");
    EXPECT_EQ(dst.GetCurChar(), 'e');
    src.SetChar(0, 'J');
    EXPECT_EQ(dst.GetChar(0), 'h');
}

} // namespace
