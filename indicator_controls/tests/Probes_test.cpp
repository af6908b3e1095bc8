// The library's start-up probes: the processor record from the identification instruction (or
// without it), the clock measured over an injected tick and counter, and the Windows version record.
#include "indicator_controls/Mystd.h"
#include "indicator_controls/Vhelper.h"

#include "platform/win/SysInfo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// A tick that moves one millisecond per reading (and by the slept time), and a counter that gives
// its two readings.
struct FakeClock {
    std::uint32_t now = 0;
    std::uint64_t readings[2] = {};
    int read = 0;
    std::uint32_t slept = 0;
    std::uint32_t endTick = 0;
    static std::uint32_t Tick(void* s) { return static_cast<FakeClock*>(s)->now++; }
    static bool Counter(void* s, std::uint64_t& v) {
        auto* c = static_cast<FakeClock*>(s);
        if (c->read >= 2) return false;
        if (c->read == 1) c->endTick = c->now;
        v = c->readings[c->read++];
        return true;
    }
    static bool NoCounter(void*, std::uint64_t&) { return false; }
    static bool Sleep(void* s, std::uint32_t ms) {
        static_cast<FakeClock*>(s)->now += ms;
        static_cast<FakeClock*>(s)->slept += ms;
        return true;
    }
    static bool Abandon(void*, std::uint32_t) { return false; }
};

TEST(ProcessorClock, FormulaOverAnInjectedTickAndCounter) {
    struct Case {
        const char* what;
        std::uint32_t start;
        std::uint64_t cycles;
        std::int32_t mhz;
    };
    const Case cases[] = {
        {"10^9 cycles: 1000 + 0.66 rounds up", 5000, 1000000000, 1001},
        {"999,300,000 cycles", 5000, 999300000, 1000},
        {"half a second before the tick count wraps", 0xFFFFFFFFu - 500, 1000000000, 1001},
        {"just before the wrap", 0xFFFFFFFEu, 2400000000u, 2401},
        {"no cycles", 7, 0, 1},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        clock.now = c.start;
        clock.readings[0] = 123456789;
        clock.readings[1] = 123456789 + c.cycles;
        EXPECT_EQ(MeasureCPUClock({&FakeClock::Tick, &FakeClock::Counter, &FakeClock::Sleep, &clock}), c.mhz) << c.what;
        // The window ends 1000 ticks after the tick read first, whatever the wrap; most of it asleep.
        EXPECT_EQ(static_cast<std::uint32_t>(clock.endTick - c.start), 1001u) << c.what;
        EXPECT_GE(clock.slept, 990u) << c.what;
    }
    FakeClock none;
    EXPECT_EQ(MeasureCPUClock({&FakeClock::Tick, &FakeClock::NoCounter, &FakeClock::Sleep, &none}), -1);
    FakeClock abandoned;
    EXPECT_EQ(MeasureCPUClock({&FakeClock::Tick, &FakeClock::Counter, &FakeClock::Abandon, &abandoned}), -1);
    EXPECT_EQ(abandoned.read, 1) << "abandoned before its second reading";
}

bool NoCpuid(std::uint32_t, std::uint32_t regs[4]) {
    regs[0] = regs[1] = regs[2] = regs[3] = 0;
    return false;
}

bool Family4Cpuid(std::uint32_t leaf, std::uint32_t regs[4]) {
    if (leaf == 0) {
        // "GenuineIntel" as EBX, EDX, ECX.
        regs[0] = 1;
        regs[1] = 0x756E6547;
        regs[3] = 0x49656E69;
        regs[2] = 0x6C65746E;
    } else {
        regs[0] = 0x0000048A; // family 4, model 8, stepping 10
        regs[1] = 2;
        regs[2] = 3;
        regs[3] = 0x00800000;
    }
    return true;
}

TEST(ProcessorRecord, WithoutTheInstructionAndBelowFamilyFive) {
    const TvProcessorRecord saved = ProcessorRecord();

    SetProcessorRecord(ProbeProcessor(&NoCpuid));
    const TvProcessorRecord& none = ProcessorRecord();
    EXPECT_FALSE(none.CpuidPresent);
    EXPECT_EQ(none.Signature, -1);
    EXPECT_EQ(none.Ebx, -1);
    EXPECT_EQ(none.Ecx, -1);
    EXPECT_EQ(none.Edx, -1);
    EXPECT_EQ(std::string(none.Vendor, 12), std::string(12, '\0'));
    EXPECT_EQ(CPUClock(), 0);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    EXPECT_EQ(CpuID(), si.dwProcessorType == 0 ? 0 : static_cast<int>(std::to_string(si.dwProcessorType)[0] - '0'));

    SetProcessorRecord(ProbeProcessor(&Family4Cpuid));
    EXPECT_TRUE(ProcessorRecord().CpuidPresent);
    EXPECT_EQ(std::string(ProcessorRecord().Vendor, 12), "GenuineIntel");
    EXPECT_EQ(ProcessorRecord().Edx, 0x00800000);
    EXPECT_EQ(CpuID(), 4);
    EXPECT_EQ(CPUClock(), -1) << "no measurement below family 5";

    SetProcessorRecord(saved);
}

std::map<std::string, std::string> FirstCpu() {
    std::ifstream in("/proc/cpuinfo");
    std::map<std::string, std::string> fields;
    std::string line;
    while (std::getline(in, line) && !line.empty()) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        fields[key] = colon + 2 <= line.size() ? line.substr(colon + 2) : "";
    }
    return fields;
}

TEST(ProcessorRecord, TheRealProcessorAgreesWithTheSystem) {
    const auto cpu = FirstCpu();
#if defined(__i386__) || defined(__x86_64__)
    ASSERT_TRUE(cpu.count("vendor_id")) << "no /proc/cpuinfo to compare with";
    const TvProcessorRecord& r = ProcessorRecord();
    ASSERT_TRUE(r.CpuidPresent);
    EXPECT_EQ(std::string(r.Vendor, 12), cpu.at("vendor_id"));
    // The base fields: the system shows family and model with their extensions added.
    const int family = std::stoi(cpu.at("cpu family")), model = std::stoi(cpu.at("model"));
    EXPECT_EQ(CpuID(), family >= 15 ? 15 : family);
    EXPECT_EQ((r.Signature >> 4) & 0xF, model & 0xF);
    if (cpu.count("stepping") && cpu.at("stepping") != "unknown") {
        EXPECT_EQ(r.Signature & 0xF, std::stoi(cpu.at("stepping")));
    }
#else
    EXPECT_FALSE(ProcessorRecord().CpuidPresent);
    EXPECT_EQ(CPUClock(), 0);
#endif
}

TEST(VersionRecord, PlatformsAndBuilds) {
    struct Case {
        DWORD platform;
        DWORD build;
        WTypes type;
        std::uint32_t reported;
    };
    for (const Case& c : {Case{VER_PLATFORM_WIN32_NT, 19045, v_NT, 19045}, Case{VER_PLATFORM_WIN32_NT, 70000, v_NT, 70000 - 65536},
                          Case{VER_PLATFORM_WIN32_WINDOWS, 950, v_95, 950}, Case{VER_PLATFORM_WIN32s, 1, v_Win32S, 1},
                          Case{7, 3, v_Windows, 3}}) {
        OSVERSIONINFO info;
        info.dwMajorVersion = 6;
        info.dwMinorVersion = 8;
        info.dwPlatformId = c.platform;
        info.dwBuildNumber = c.build;
        SetVersionRecord(info);
        EXPECT_EQ(WindowsType(), c.type) << c.platform;
        EXPECT_EQ(BuildVersion(), c.reported) << c.build;
        EXPECT_EQ(MajorVersion(), 6u);
        EXPECT_EQ(MinorVersion(), 8u);
    }
    EXPECT_FALSE(IsWorkgroup());
    EXPECT_FALSE(Is311());
    // The real one, as the start-up read it.
    OSVERSIONINFO real;
    GetVersionEx(&real);
    SetVersionRecord(real);
    EXPECT_EQ(WindowsType(), v_NT);
}

} // namespace
