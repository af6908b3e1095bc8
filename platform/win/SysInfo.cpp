#include "platform/win/SysInfo.h"

#include "platform/win/ConfigDir.h"
#include "platform/win/Sync.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

extern char** environ;

namespace {

struct KernelVersion {
    DWORD major = 0, minor = 0, build = 0;
};

KernelVersion ReadKernelVersion() {
    KernelVersion v;
    utsname u{};
    if (::uname(&u) != 0) return v;
    unsigned a = 0, b = 0, c = 0;
    std::sscanf(u.release, "%u.%u.%u", &a, &b, &c);
    v.major = a;
    v.minor = b;
    v.build = c;
    return v;
}

// Copies text and its terminator when it fits: the length without the terminator; otherwise the
// size needed with it.
DWORD CopyOut(const std::string& text, char* buffer, DWORD size) {
    const DWORD need = static_cast<DWORD>(text.size()) + 1;
    if (!buffer || size < need) return need;
    std::memcpy(buffer, text.c_str(), need);
    return need - 1;
}

std::uint64_t MeminfoKb(const std::string& text, const char* key) {
    const std::size_t at = text.find(std::string("\n") + key + ":");
    if (at == std::string::npos) return 0;
    return std::strtoull(text.c_str() + at + std::strlen(key) + 2, nullptr, 10);
}

// True for "C:\", "c:", "C:/", and null (the current drive).
bool IsDriveC(const char* root) {
    if (!root) return true;
    if ((root[0] != 'C' && root[0] != 'c') || root[1] != ':') return false;
    return root[2] == 0 || ((root[2] == '\\' || root[2] == '/') && root[3] == 0);
}

bool RootSpace(std::uint64_t& size, std::uint64_t& avail, DWORD& blockSize) {
    struct statvfs s{};
    if (::statvfs("/", &s) != 0) return false;
    size = std::uint64_t{s.f_blocks} * s.f_frsize;
    avail = std::uint64_t{s.f_bavail} * s.f_frsize;
    blockSize = static_cast<DWORD>(s.f_frsize);
    return true;
}

} // namespace

BOOL GetVersionEx(OSVERSIONINFO* info) {
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFO)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const KernelVersion v = ReadKernelVersion();
    info->dwMajorVersion = v.major;
    info->dwMinorVersion = v.minor;
    info->dwBuildNumber = v.build;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->szCSDVersion[0] = 0;
    return TRUE;
}

DWORD GetVersion() {
    const KernelVersion v = ReadKernelVersion();
    return (v.major & 0xFF) | (v.minor & 0xFF) << 8 | (v.build & 0x7FFF) << 16;
}

DWORD Win32Platform() {
    return VER_PLATFORM_WIN32_NT;
}

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
    if (!status) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::ifstream in("/proc/meminfo");
    const std::string text = "\n" + std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::uint64_t total = MeminfoKb(text, "MemTotal") * 1024;
    std::uint64_t avail = MeminfoKb(text, "MemAvailable") * 1024;
    const std::uint64_t swapTotal = MeminfoKb(text, "SwapTotal") * 1024;
    const std::uint64_t swapFree = MeminfoKb(text, "SwapFree") * 1024;
    if (total == 0) {
        struct sysinfo si{};
        if (::sysinfo(&si) != 0) return FALSE;
        total = std::uint64_t{si.totalram} * si.mem_unit;
        avail = std::uint64_t{si.freeram} * si.mem_unit;
    }
    if (avail > total) avail = total;
    status->ullTotalPhys = total;
    status->ullAvailPhys = avail;
    status->dwMemoryLoad = total ? static_cast<DWORD>((total - avail) * 100 / total) : 0;
    status->ullTotalPageFile = total + swapTotal;
    status->ullAvailPageFile = avail + swapFree;
    // The address space a 32-bit process of the NT family had: 2 GiB.
    status->ullTotalVirtual = std::uint64_t{1} << 31;
    rlimit as{};
    std::uint64_t virtAvail = status->ullTotalVirtual;
    if (::getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY && as.rlim_cur < virtAvail)
        virtAvail = as.rlim_cur;
    status->ullAvailVirtual = virtAvail;
    status->ullAvailExtendedVirtual = 0;
    return TRUE;
}

void GetSystemInfo(SYSTEM_INFO* info) {
    if (!info) return;
    *info = SYSTEM_INFO{};
    const long page = ::sysconf(_SC_PAGESIZE);
    info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
    const long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
    info->dwNumberOfProcessors = cpus > 0 ? static_cast<DWORD>(cpus) : 1;
    info->dwAllocationGranularity = 65536;
#if defined(__i386__) || defined(__x86_64__)
    info->wProcessorArchitecture = 0; // PROCESSOR_ARCHITECTURE_INTEL
    info->dwProcessorType = PROCESSOR_INTEL_PENTIUM;
    info->wProcessorLevel = 6;
#else
    info->wProcessorArchitecture = 0xFFFF; // PROCESSOR_ARCHITECTURE_UNKNOWN
#endif
}

bool ReadTimeStampCounter(std::uint64_t& value) {
#if defined(__i386__) || defined(__x86_64__)
    value = __rdtsc();
    return true;
#else
    value = 0;
    return false;
#endif
}

bool ReadCpuid(std::uint32_t leaf, std::uint32_t regs[4]) {
    regs[0] = regs[1] = regs[2] = regs[3] = 0;
#if defined(__i386__) || defined(__x86_64__)
    return __get_cpuid(leaf, &regs[0], &regs[1], &regs[2], &regs[3]) != 0;
#else
    (void)leaf;
    return false;
#endif
}

BOOL GetComputerName(char* buffer, DWORD* size) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    const DWORD n = CopyOut(host, buffer, *size);
    if (n >= *size) {
        *size = n;
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    *size = n;
    return TRUE;
}

BOOL GetUserName(char* buffer, DWORD* size) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name;
    passwd pw{};
    passwd* found = nullptr;
    char work[4096];
    if (::getpwuid_r(::geteuid(), &pw, work, sizeof work, &found) == 0 && found && found->pw_name)
        name = found->pw_name;
    else if (const char* user = std::getenv("USER"); user && *user)
        name = user;
    if (name.empty()) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    const DWORD n = CopyOut(name, buffer, *size);
    if (n >= *size) {
        *size = n;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *size = n + 1;
    return TRUE;
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info) {
    if (!info) return TIME_ZONE_ID_INVALID;
    *info = TIME_ZONE_INFORMATION{};
    ::tzset();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local)) return TIME_ZONE_ID_INVALID;
    // The standard offset: tm_gmtoff less an hour while daylight-saving time is on.
    long gmtoff = local.tm_gmtoff;
    if (local.tm_isdst > 0) gmtoff -= 3600;
    info->Bias = static_cast<LONG>(-gmtoff / 60);
    std::snprintf(info->StandardName, sizeof info->StandardName, "%s", tzname[0] ? tzname[0] : "");
    std::snprintf(info->DaylightName, sizeof info->DaylightName, "%s", tzname[1] ? tzname[1] : "");
    info->DaylightBias = daylight ? -60 : 0;
    if (!daylight) return TIME_ZONE_ID_UNKNOWN;
    return local.tm_isdst > 0 ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

UINT GetWindowsDirectory(char* buffer, UINT size) {
    const std::string dir = VexoConfigDir();
    if (dir.empty()) return 0;
    return CopyOut(dir, buffer, size);
}

UINT GetSystemDirectory(char* buffer, UINT size) {
    return GetWindowsDirectory(buffer, size);
}

DWORD GetTempPath(DWORD size, char* buffer) {
    std::string dir = "/tmp";
    if (const char* t = std::getenv("TMPDIR"); t && t[0] == '/') dir = t;
    if (dir.back() != '/') dir += '/';
    return CopyOut(dir, buffer, size);
}

DWORD GetCurrentDirectory(DWORD size, char* buffer) {
    char work[PATH_MAX];
    if (!::getcwd(work, sizeof work)) return 0;
    return CopyOut(work, buffer, size);
}

UINT GetTempFileName(const char* path, const char* prefix, UINT unique, char* tempFileName) {
    if (!path || !tempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string dir = path;
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
    const std::string pre = std::string(prefix ? prefix : "").substr(0, 3);
    auto nameOf = [&](UINT n) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", n & 0xFFFF);
        return dir + pre + hex + ".tmp";
    };
    auto put = [&](const std::string& name) -> bool {
        if (name.size() + 1 > MAX_PATH) return false;
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
        return true;
    };
    if (unique != 0) return put(nameOf(unique)) ? unique : 0;
    // Start from the clock and walk on past names in use, as the system does.
    UINT start = static_cast<UINT>(std::time(nullptr) ^ ::getpid()) & 0xFFFF;
    for (UINT i = 0; i < 0x10000; ++i) {
        const UINT n = ((start + i) & 0xFFFF) ? ((start + i) & 0xFFFF) : 1;
        const std::string name = nameOf(n);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            if (!put(name)) {
                ::unlink(name.c_str());
                return 0;
            }
            return n;
        }
        if (errno != EEXIST) {
            SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
            return 0;
        }
    }
    return 0;
}

DWORD GetLogicalDriveStrings(DWORD size, char* buffer) {
    static const char drives[] = "C:\\\0";
    const DWORD n = sizeof drives; // with both terminators
    if (!buffer || size < n) return n;
    std::memcpy(buffer, drives, n);
    return n - 1;
}

UINT GetDriveType(const char* rootPath) {
    return IsDriveC(rootPath) ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
}

BOOL GetDiskFreeSpace(const char* rootPath, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                      DWORD* freeClusters, DWORD* totalClusters) {
    std::uint64_t size = 0, avail = 0;
    DWORD block = 0;
    if (!IsDriveC(rootPath) || !RootSpace(size, avail, block) || block == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const DWORD sector = 512;
    const DWORD perCluster = block >= sector ? block / sector : 1;
    const std::uint64_t cluster = std::uint64_t{perCluster} * sector;
    auto clip = [](std::uint64_t v) { return static_cast<DWORD>(v > 0xFFFFFFFFu ? 0xFFFFFFFFu : v); };
    if (sectorsPerCluster) *sectorsPerCluster = perCluster;
    if (bytesPerSector) *bytesPerSector = sector;
    if (freeClusters) *freeClusters = clip(avail / cluster);
    if (totalClusters) *totalClusters = clip(size / cluster);
    return TRUE;
}

std::int64_t DiskSize(BYTE drive) {
    std::uint64_t size = 0, avail = 0;
    DWORD block = 0;
    if ((drive != 0 && drive != 3) || !RootSpace(size, avail, block)) return -1;
    return static_cast<std::int64_t>(size);
}

std::int64_t DiskFree(BYTE drive) {
    std::uint64_t size = 0, avail = 0;
    DWORD block = 0;
    if ((drive != 0 && drive != 3) || !RootSpace(size, avail, block)) return -1;
    return static_cast<std::int64_t>(avail);
}

char* GetEnvironmentStrings() {
    std::string block;
    for (char** e = environ; e && *e; ++e) {
        block += *e;
        block += '\0';
    }
    block += '\0';
    char* out = static_cast<char*>(std::malloc(block.size() + 1));
    if (!out) return nullptr;
    std::memcpy(out, block.data(), block.size());
    out[block.size()] = 0;
    return out;
}

BOOL FreeEnvironmentStrings(char* block) {
    std::free(block);
    return TRUE;
}

BOOL ExitWindowsEx(UINT, DWORD) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

BOOL OpenProcessToken(HANDLE, DWORD, HANDLE* token) {
    if (token) *token = 0;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

HANDLE GetCurrentProcess() {
    return -1; // the pseudo handle
}


BOOL SetEnvironmentVariableA(const char* name, const char* value) {
    if (!name || !*name || std::strchr(name, '=')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((value ? ::setenv(name, value, 1) : ::unsetenv(name)) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}
