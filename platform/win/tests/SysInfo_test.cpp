#include "platform/win/SysInfo.h"

#include "platform/win/Sync.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <sys/utsname.h>
#include <unistd.h>

TEST(SysInfo, VersionIsTheNtFamilyWithTheKernelsNumbers) {
    utsname u{};
    ASSERT_EQ(::uname(&u), 0);
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(u.release, "%u.%u.%u", &major, &minor, &patch);
    OSVERSIONINFO info;
    ASSERT_TRUE(GetVersionEx(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, major);
    EXPECT_EQ(info.dwMinorVersion, minor);
    EXPECT_EQ(info.dwBuildNumber, patch);
    EXPECT_STREQ(info.szCSDVersion, "");
    const DWORD v = GetVersion();
    EXPECT_EQ(v & 0xFF, major & 0xFF);
    EXPECT_EQ((v >> 8) & 0xFF, minor & 0xFF);
    EXPECT_EQ(v & 0x80000000u, 0u);
    info.dwOSVersionInfoSize = 4;
    EXPECT_FALSE(GetVersionEx(&info));
}

TEST(SysInfo, MemoryAndProcessorsAreTheMachines) {
    MEMORYSTATUSEX m;
    ASSERT_TRUE(GlobalMemoryStatusEx(&m));
    const std::uint64_t pages = static_cast<std::uint64_t>(::sysconf(_SC_PHYS_PAGES));
    const std::uint64_t physical = pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    // /proc/meminfo leaves out what the kernel itself reserved: within a few percent.
    EXPECT_GT(m.ullTotalPhys, physical / 100 * 90);
    EXPECT_LE(m.ullTotalPhys, physical);
    EXPECT_LE(m.ullAvailPhys, m.ullTotalPhys);
    EXPECT_LE(m.dwMemoryLoad, 100u);
    EXPECT_GE(m.ullTotalPageFile, m.ullTotalPhys);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    EXPECT_EQ(si.dwNumberOfProcessors, static_cast<DWORD>(::sysconf(_SC_NPROCESSORS_ONLN)));
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(si.dwProcessorType, PROCESSOR_INTEL_PENTIUM);
    std::uint64_t a = 0, b = 0;
    EXPECT_TRUE(ReadTimeStampCounter(a));
    EXPECT_TRUE(ReadTimeStampCounter(b));
    EXPECT_GE(b, a);
#endif
}

TEST(SysInfo, LongHostNamesComeBackWhole) {
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const DWORD length = static_cast<DWORD>(std::strlen(host));
    char small[4];
    DWORD size = sizeof small;
    if (length >= sizeof small) {
        EXPECT_FALSE(GetComputerName(small, &size));
        EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
        EXPECT_EQ(size, length + 1) << "the size needed, terminator included";
    }
    std::string buffer(size, '\0');
    size = static_cast<DWORD>(buffer.size());
    ASSERT_TRUE(GetComputerName(buffer.data(), &size));
    EXPECT_EQ(size, length);
    EXPECT_STREQ(buffer.c_str(), host);

    char user[256];
    DWORD userSize = sizeof user;
    ASSERT_TRUE(GetUserName(user, &userSize));
    EXPECT_EQ(userSize, std::strlen(user) + 1) << "the count includes the terminator";
    DWORD tiny = 1;
    EXPECT_FALSE(GetUserName(user, &tiny));
    EXPECT_EQ(tiny, userSize);
}

TEST(SysInfo, TimeZoneFollowsTZ) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    const struct {
        const char* tz;
        LONG bias;
        const char* name;
    } cases[] = {{"UTC0", 0, "UTC"}, {"EST5EDT", 300, "EST"}, {"<+0530>-5:30", -330, "+0530"}};
    for (const auto& c : cases) {
        ::setenv("TZ", c.tz, 1);
        TIME_ZONE_INFORMATION tz;
        EXPECT_NE(GetTimeZoneInformation(&tz), TIME_ZONE_ID_INVALID);
        EXPECT_EQ(tz.Bias, c.bias) << c.tz;
        EXPECT_STREQ(tz.StandardName, c.name) << c.tz;
    }
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(SysInfo, WindowsAndSystemDirectoryAreTheSettingsDirectory) {
    TempHome home;
    char dir[MAX_PATH];
    const UINT n = GetWindowsDirectory(dir, MAX_PATH);
    EXPECT_EQ(std::string(dir, n), home.Vexo());
    char sys[MAX_PATH];
    EXPECT_EQ(GetSystemDirectory(sys, MAX_PATH), n);
    EXPECT_STREQ(sys, dir);
    char tiny[3];
    EXPECT_EQ(GetWindowsDirectory(tiny, sizeof tiny), n + 1) << "the size needed";
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_GT(GetWindowsDirectory(dir, MAX_PATH), 0u);
    EXPECT_EQ(std::string(dir), std::string(std::getenv("HOME")) + "/.config/vexo");
}

TEST(SysInfo, TempFilesAreNewAndNamedBySystemRules) {
    TempHome home;
    char path[MAX_PATH];
    const DWORD n = GetTempPath(MAX_PATH, path);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(path[n - 1], '/');
    char a[MAX_PATH], b[MAX_PATH];
    const UINT ua = GetTempFileName(home.Path().c_str(), "tmpx", 0, a);
    const UINT ub = GetTempFileName(home.Path().c_str(), "tmpx", 0, b);
    ASSERT_NE(ua, 0u);
    ASSERT_NE(ub, 0u);
    EXPECT_STRNE(a, b);
    EXPECT_TRUE(std::filesystem::exists(a));
    EXPECT_EQ(std::filesystem::path(a).filename().string().substr(0, 3), "tmp");
    EXPECT_EQ(std::filesystem::path(a).extension(), ".tmp");
    char named[MAX_PATH];
    EXPECT_EQ(GetTempFileName("/nowhere", "abc", 0x2A, named), 0x2Au);
    EXPECT_STREQ(named, "/nowhere/abc2A.tmp");
    EXPECT_EQ(GetTempFileName("/proc/no-such-dir", "abc", 0, named), 0u);
}

TEST(SysInfo, OneDriveCStandsForTheRoot) {
    char drives[16];
    EXPECT_EQ(GetLogicalDriveStrings(sizeof drives, drives), 4u);
    EXPECT_EQ(std::memcmp(drives, "C:\\\0\0", 5), 0);
    EXPECT_EQ(GetLogicalDriveStrings(2, drives), 5u);
    const struct {
        const char* root;
        UINT type;
    } cases[] = {{"C:\\", DRIVE_FIXED}, {"c:", DRIVE_FIXED}, {"C:/", DRIVE_FIXED}, {nullptr, DRIVE_FIXED},
                 {"D:\\", DRIVE_NO_ROOT_DIR}, {"C:\\x", DRIVE_NO_ROOT_DIR}, {"", DRIVE_NO_ROOT_DIR}};
    for (const auto& c : cases) EXPECT_EQ(GetDriveType(c.root), c.type) << (c.root ? c.root : "null");
    DWORD spc = 0, bps = 0, freeC = 0, totalC = 0;
    EXPECT_TRUE(GetDiskFreeSpace("C:\\", &spc, &bps, &freeC, &totalC));
    EXPECT_GT(spc * bps, 0u);
    EXPECT_LE(freeC, totalC);
    EXPECT_FALSE(GetDiskFreeSpace("Q:\\", &spc, &bps, &freeC, &totalC));
    const auto info = std::filesystem::space("/");
    EXPECT_EQ(DiskSize(3), static_cast<std::int64_t>(info.capacity));
    EXPECT_EQ(DiskSize(0), DiskSize(3));
    EXPECT_GE(DiskFree(3), 0);
    EXPECT_EQ(DiskSize(4), -1);
    EXPECT_EQ(DiskFree(1), -1);
}

TEST(SysInfo, EnvironmentBlockHoldsEveryVariable) {
    ::setenv("VEXO_SYSINFO_PROBE", "yes=1", 1);
    char* block = GetEnvironmentStrings();
    ASSERT_NE(block, nullptr);
    bool found = false;
    for (const char* p = block; *p; p += std::strlen(p) + 1) found |= std::strcmp(p, "VEXO_SYSINFO_PROBE=yes=1") == 0;
    EXPECT_TRUE(found);
    FreeEnvironmentStrings(block);
    ::unsetenv("VEXO_SYSINFO_PROBE");
}

TEST(SysInfo, ShutdownAndLibrariesAreRefused) {
    EXPECT_FALSE(ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE, 0));
    EXPECT_EQ(GetLastError(), ERROR_PRIVILEGE_NOT_HELD);
    HANDLE token = 7;
    EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), 0x28, &token));
    EXPECT_EQ(token, 0);
}
