// What the system reports about itself and the machine: version (the NT family with the kernel's
// version numbers), memory, processors, names, time zone, one drive "C:\" standing for "/", the
// temporary and settings directories, the environment. Shutting the system down and loading DLLs
// are refused.
#pragma once

#include "platform/win/Types.h"

#include <cstdint>
#include <string>

inline constexpr DWORD MAX_PATH = 260;
inline constexpr DWORD MAX_COMPUTERNAME_LENGTH = 15;

inline constexpr DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFO {
    DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
// Major and minor from the kernel release ("6.8.12-..." gives 6, 8), build from its third number.
BOOL GetVersionEx(OSVERSIONINFO* info);
// Low byte major, next byte minor, high word the build (bit 31 clear: the NT family).
DWORD GetVersion();
// The class library's platform variable: always VER_PLATFORM_WIN32_NT.
DWORD Win32Platform();

struct MEMORYSTATUSEX {
    DWORD dwLength = sizeof(MEMORYSTATUSEX);
    DWORD dwMemoryLoad = 0;
    std::uint64_t ullTotalPhys = 0;
    std::uint64_t ullAvailPhys = 0;
    std::uint64_t ullTotalPageFile = 0; // physical memory plus swap
    std::uint64_t ullAvailPageFile = 0;
    std::uint64_t ullTotalVirtual = 0;  // the address space of a process
    std::uint64_t ullAvailVirtual = 0;
    std::uint64_t ullAvailExtendedVirtual = 0;
};
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);

inline constexpr DWORD PROCESSOR_INTEL_386 = 386;
inline constexpr DWORD PROCESSOR_INTEL_486 = 486;
inline constexpr DWORD PROCESSOR_INTEL_PENTIUM = 586;

struct SYSTEM_INFO {
    WORD wProcessorArchitecture = 0;
    WORD wReserved = 0;
    DWORD dwPageSize = 0;
    DWORD dwNumberOfProcessors = 0;
    DWORD dwProcessorType = 0; // PROCESSOR_INTEL_PENTIUM on x86, else 0
    DWORD dwAllocationGranularity = 0;
    WORD wProcessorLevel = 0;
    WORD wProcessorRevision = 0;
};
void GetSystemInfo(SYSTEM_INFO* info);

// The time-stamp counter; false (and 0) where the processor has none we can read.
bool ReadTimeStampCounter(std::uint64_t& value);
// The processor's identification instruction: leaf into eax, ebx, ecx, edx (regs[0..3]); false (and
// zeros) where the processor has no such instruction or not that leaf.
bool ReadCpuid(std::uint32_t leaf, std::uint32_t regs[4]);

// Names. Both follow the Windows buffer rule: on success size gets the length without the
// terminator; when the buffer is too small they fail, with size set to the length needed
// (terminator included) and ERROR_BUFFER_OVERFLOW / ERROR_INSUFFICIENT_BUFFER.
BOOL GetComputerName(char* buffer, DWORD* size);
// On success size counts the terminator too.
BOOL GetUserName(char* buffer, DWORD* size);

inline constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFF;
inline constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
inline constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
inline constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
struct TIME_ZONE_INFORMATION {
    LONG Bias = 0; // minutes: UTC = local time + Bias
    char StandardName[32] = {};
    LONG StandardBias = 0;
    char DaylightName[32] = {};
    LONG DaylightBias = 0;
};
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);

// Directories. Each returns the length copied (without the terminator), or the size needed
// (with it) when the buffer is too small, or 0 on failure. Directory names carry no trailing
// separator, except GetTempPath's, which ends in '/'.
UINT GetWindowsDirectory(char* buffer, UINT size);
UINT GetSystemDirectory(char* buffer, UINT size);
DWORD GetTempPath(DWORD size, char* buffer);
DWORD GetCurrentDirectory(DWORD size, char* buffer);
// Creates an empty file path + prefix (3 characters) + 4 hex digits + ".tmp" that did not exist,
// and returns the digits' number; with unique nonzero the name is formed from it and no file is made.
// 0 on failure.
UINT GetTempFileName(const char* path, const char* prefix, UINT unique, char* tempFileName);

// Drives: one fixed drive "C:\" for the root of the file system.
inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;
inline constexpr UINT DRIVE_REMOTE = 4;
inline constexpr UINT DRIVE_CDROM = 5;
inline constexpr UINT DRIVE_RAMDISK = 6;
// "C:\" then an empty string: the length written without the final terminator.
DWORD GetLogicalDriveStrings(DWORD size, char* buffer);
// rootPath "C:\" (any case, "C:" or "C:/" as well) or null for the current drive.
UINT GetDriveType(const char* rootPath);
BOOL GetDiskFreeSpace(const char* rootPath, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                      DWORD* freeClusters, DWORD* totalClusters);
// The class library's disk queries: drive 0 is the current drive, 1 A, 3 C; -1 for a drive that
// does not exist.
std::int64_t DiskSize(BYTE drive);
std::int64_t DiskFree(BYTE drive);

// The environment as "NAME=value" strings, each ended by a zero, the block by a second zero.
char* GetEnvironmentStrings();
BOOL FreeEnvironmentStrings(char* block);
// Sets (value null: removes) a variable of this process's environment. A name that is empty or
// holds '=' fails with ERROR_INVALID_PARAMETER.
BOOL SetEnvironmentVariableA(const char* name, const char* value);

// Ending the session or the machine is not ours to do: these fail with ERROR_PRIVILEGE_NOT_HELD.
inline constexpr UINT EWX_LOGOFF = 0;
inline constexpr UINT EWX_SHUTDOWN = 1;
inline constexpr UINT EWX_REBOOT = 2;
inline constexpr UINT EWX_FORCE = 4;
BOOL ExitWindowsEx(UINT flags, DWORD reserved);
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token);
HANDLE GetCurrentProcess();

// LoadLibrary lives with the socket library, the one library there is to load (platform/winsock).
