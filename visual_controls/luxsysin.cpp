#include "visual_controls/luxsysin.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/System.h"
#include "platform/rtl/Dates.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Registry.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"
#include "platform/win/Locale.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "platform/win/SysInfo.h"
#include "platform/win/Version.h"
#include "platform/winsock/Library.h"
#include "visual_controls/Luxprocs.h"

#include <cmath>
#include <cstring>
#include <vector>

bool LuxSIWindows95 = false;
bool LuxSIWindows98 = false;
bool LuxSIWindowsNT = false;
bool LuxSIWindows2000 = false;
bool LuxSIWindowsExtension = false;

namespace {

const char* const SUnknown = "(Unknown)";

OSVERSIONINFO VersionInfo() {
    OSVERSIONINFO info;
    GetVersionEx(&info);
    return info;
}

MEMORYSTATUSEX MemoryStatus() {
    MEMORYSTATUSEX status;
    GlobalMemoryStatusEx(&status);
    return status;
}

struct StartUp {
    StartUp() {
        const DWORD platform = Win32Platform();
        const OSVERSIONINFO v = VersionInfo();
        LuxSIWindows95 = platform == VER_PLATFORM_WIN32_WINDOWS;
        LuxSIWindows98 = LuxSIWindows95 && v.dwMinorVersion > 9;
        LuxSIWindowsNT = platform == VER_PLATFORM_WIN32_NT;
        LuxSIWindows2000 = LuxSIWindowsNT && (GetVersion() & 0xFF) > 4;
        // The 95 family would ask for the extension; every other platform has it.
        LuxSIWindowsExtension = !LuxSIWindows95;
    }
} startUp;

int FreeResources(int which) {
    const HMODULE lib = LoadLibrary("RSRC32.DLL");
    if (!lib) return 100;
    int result = 100;
    using TGetFree = int (*)(int);
    if (FARPROC proc = GetProcAddress(lib, "_MyGetFreeSystemResources32@4"))
        result = reinterpret_cast<TGetFree>(proc)(which);
    FreeLibrary(lib);
    return result;
}

std::string RegisteredValue(const char* name) {
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    const std::string key =
        std::string("\\SOFTWARE\\Microsoft\\") + (LuxSIWindowsNT ? "Windows NT" : "Windows") + "\\CurrentVersion";
    if (!reg.OpenKey(key, false)) return SUnknown;
    return reg.ReadString(name);
}

std::string ProgramFileName() {
    return Application ? Application->ExeName() : std::string();
}

std::uint64_t Divided(std::uint64_t value, int divisor) {
    return value / static_cast<std::uint64_t>(divisor <= 0 ? 1 : divisor);
}

std::string OnOff(bool on) {
    return on ? "On" : "Off";
}

const char* const kVersionNames[] = {"CompanyName",    "ProductName",     "ProductVersion", "LegalCopyright",
                                     "LegalTrademark", "FileDescription", "Comments"};

const char* const kInfoLabels[] = {"Username",
                                   "Windows directory",
                                   "Current directory",
                                   "Free space on current disk",
                                   "Disk size of current Disk",
                                   "System directory",
                                   "Registered owner",
                                   "Registered company",
                                   "Version",
                                   "Colordepth (in bits)",
                                   "Screensaver delay",
                                   "Memory size",
                                   "Free system resources",
                                   "Free GDI resources",
                                   "Free user resources",
                                   "Computername",
                                   "Major version",
                                   "Build",
                                   "Memory loaded",
                                   "Memory free",
                                   "Free memory pages",
                                   "Total memory pages",
                                   "Free virtual memory",
                                   "Total virtual memory",
                                   "Platform ID",
                                   "Platform",
                                   "Number of processors",
                                   "Processor",
                                   "Temp path",
                                   "DOS version",
                                   "NumLock",
                                   "CapsLock",
                                   "ScrollLock",
                                   "Date and time",
                                   "CompanyName",
                                   "ProductName",
                                   "ProductVersion",
                                   "LegalCopyright",
                                   "LegalTrademark",
                                   "FileDescription",
                                   "Comments",
                                   "CPU Speed"};

const LCTYPE kLocaleTypes[28] = {
    LOCALE_ICALENDARTYPE, LOCALE_ICURRDIGITS,    LOCALE_ICURRENCY,       LOCALE_IDIGITS,
    LOCALE_IFIRSTDAYOFWEEK, LOCALE_IFIRSTWEEKOFYEAR, LOCALE_ILZERO,        LOCALE_IMEASURE,
    LOCALE_INEGCURR,      LOCALE_INEGNUMBER,     LOCALE_ITIME,           LOCALE_S1159,
    LOCALE_S2359,         LOCALE_SCURRENCY,      LOCALE_SDATE,           LOCALE_SDECIMAL,
    LOCALE_SGROUPING,     LOCALE_SLIST,          LOCALE_SLONGDATE,       LOCALE_SMONDECIMALSEP,
    LOCALE_SMONGROUPING,  LOCALE_SMONTHOUSANDSEP, LOCALE_SNEGATIVESIGN,  LOCALE_SPOSITIVESIGN,
    LOCALE_SSHORTDATE,    LOCALE_STHOUSAND,      LOCALE_STIME,           LOCALE_STIMEFORMAT};

} // namespace

// --- Window-frame metrics ---------------------------------------------------------------------------

int LuxNCBITMAPWIDTH() { return GetSystemMetrics(SM_CXSIZE); }
int LuxNCBITMAPHEIGHT() { return GetSystemMetrics(SM_CYSIZE); }
int LuxNCCAPTIONHEIGHT() { return GetSystemMetrics(SM_CYCAPTION); }
int LuxNCDLGBORDERWIDTH() { return GetSystemMetrics(SM_CXDLGFRAME); }
int LuxNCDLGBORDERHEIGHT() { return GetSystemMetrics(SM_CYDLGFRAME); }
int LuxNCFIXBORDERWIDTH() { return GetSystemMetrics(SM_CXBORDER); }
int LuxNCFIXBORDERHEIGHT() { return GetSystemMetrics(SM_CYBORDER); }
int LuxNCSIZEBORDERWIDTH() { return GetSystemMetrics(SM_CXFRAME); }
int LuxNCSIZEBORDERHEIGHT() { return GetSystemMetrics(SM_CYFRAME); }
int LuxNCBORDERWIDTH() { return GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXFRAME) - 1; }
int LuxNCBORDERHEIGHT() { return GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYFRAME) - 1; }
int LuxNCSMALLCAPTIONHEIGHT() { return NewStyleControls ? GetSystemMetrics(SM_CYSMCAPTION) : LuxNCCAPTIONHEIGHT(); }
int LuxNCSMALLBITMAPWIDTH() { return NewStyleControls ? GetSystemMetrics(SM_CXSMSIZE) : LuxNCBITMAPWIDTH(); }
int LuxNCSMALLBITMAPHEIGHT() { return NewStyleControls ? GetSystemMetrics(SM_CYSMSIZE) : LuxNCBITMAPHEIGHT(); }
int LuxNCCAPTIONICONWIDTH() { return NewStyleControls ? GetSystemMetrics(SM_CXSMICON) : LuxNCBITMAPWIDTH(); }
int LuxNCCAPTIONICONHEIGHT() { return NewStyleControls ? GetSystemMetrics(SM_CYSMICON) : LuxNCBITMAPHEIGHT(); }
int LuxSIIconWidth() { return GetSystemMetrics(SM_CXICON); }
int LuxSIIconHeight() { return GetSystemMetrics(SM_CYICON); }
int LuxSISmallIconWidth() { return GetSystemMetrics(SM_CXSMICON); }
int LuxSISmallIconHeight() { return GetSystemMetrics(SM_CYSMICON); }

// --- System queries ----------------------------------------------------------------------------------

bool LuxSIStretchBltPossible() {
    const HDC dc = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    if (!dc) return false;
    const bool possible = (GetDeviceCaps(dc, RASTERCAPS) & RC_STRETCHBLT) != 0;
    DeleteDC(dc);
    return possible;
}

BYTE LuxSIColorDepth() {
    const HDC dc = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    if (!dc) return 0;
    const int depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    DeleteDC(dc);
    return static_cast<BYTE>(depth);
}

int LuxSIScreenSaverDelay() {
    UINT seconds = 0;
    SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
    return static_cast<int>(seconds / 60);
}

bool LuxSINumLock() { return (GetKeyState(VK_NUMLOCK) & 0xFF) == 1; }
bool LuxSICapsLock() { return (GetKeyState(VK_CAPITAL) & 0xFF) == 1; }
bool LuxSIScrollLock() { return (GetKeyState(VK_SCROLL) & 0xFF) == 1; }

std::uint64_t LuxSIMemTotal() { return MemoryStatus().ullTotalPhys; }
std::uint64_t LuxSIMemFree() { return MemoryStatus().ullAvailPhys; }
std::uint64_t LuxSIMemPageTotal() { return MemoryStatus().ullTotalPageFile; }
std::uint64_t LuxSIMemPageFree() { return MemoryStatus().ullAvailPageFile; }
std::uint64_t LuxSIMemVirtTotal() { return MemoryStatus().ullTotalVirtual; }
std::uint64_t LuxSIMemVirtFree() { return MemoryStatus().ullAvailVirtual; }
BYTE LuxSIMemLoaded() { return static_cast<BYTE>(MemoryStatus().dwMemoryLoad); }

WORD LuxSIMajorVersionNr() { return static_cast<WORD>(VersionInfo().dwMajorVersion); }
WORD LuxSIMinorVersionNr() { return static_cast<WORD>(VersionInfo().dwMinorVersion); }
WORD LuxSIBuildNr() { return static_cast<WORD>(VersionInfo().dwBuildNumber); }
std::string LuxSIVersionString() { return VersionInfo().szCSDVersion; }

std::string LuxSIVersionStr() {
    const OSVERSIONINFO v = VersionInfo();
    return Format("%d.%d", {static_cast<int>(v.dwMajorVersion), static_cast<int>(v.dwMinorVersion)});
}

double LuxSIVersionNrOf(int major, int minor) {
    const int digits = static_cast<int>(IntToStr(minor).size());
    return major + minor / std::pow(10.0, digits);
}

double LuxSIVersionNr() {
    const OSVERSIONINFO v = VersionInfo();
    return LuxSIVersionNrOf(static_cast<int>(v.dwMajorVersion), static_cast<int>(v.dwMinorVersion));
}

bool LuxSIOLDWindowsNT() { return LuxSIWindowsNT && (GetVersion() & 0xFF) < 4; }
DWORD LuxSIPlatformID() { return Win32Platform(); }

std::string LuxSIPlatformStr() {
    switch (LuxSIPlatformID()) {
    case VER_PLATFORM_WIN32s: return "Win32s";
    case VER_PLATFORM_WIN32_WINDOWS: return "Windows 95";
    case VER_PLATFORM_WIN32_NT: return "Windows NT";
    default: return SUnknown;
    }
}

BYTE LuxSIProcessorCount() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return static_cast<BYTE>(si.dwNumberOfProcessors);
}

std::string LuxSIProcessorTypeStrOf(DWORD type) {
    switch (type) {
    case 386: return "Intel 386";
    case 486: return "Intel 486";
    case 586: return "Intel Pentium";
    case 2000:
    case 3000:
    case 4000: return "Mips R" + IntToStr(type);
    case 21064: return "Alpha 21064";
    default: return IntToStr(type);
    }
}

std::string LuxSIProcessorTypeStr() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return LuxSIProcessorTypeStrOf(si.dwProcessorType);
}

int LuxSIFreeSysRes() { return FreeResources(0); }
int LuxSIFreeGDIRes() { return FreeResources(1); }
int LuxSIFreeUserRes() { return FreeResources(2); }

TLuxDriveInfo LuxSIDriveInfo(const std::string& Drive) {
    TLuxDriveInfo info;
    const std::string root = UpperCase(Drive.substr(0, 3));
    info.DriveType = static_cast<std::int32_t>(GetDriveType(root.c_str()));
    if (info.DriveType == DRIVE_UNKNOWN || info.DriveType == DRIVE_NO_ROOT_DIR) return info;
    DWORD perCluster = 0, perSector = 0, freeClusters = 0, totalClusters = 0;
    GetDiskFreeSpace(root.c_str(), &perCluster, &perSector, &freeClusters, &totalClusters);
    info.SectorsPerCluster = static_cast<std::int32_t>(perCluster);
    info.BytesPerSector = static_cast<std::int32_t>(perSector);
    const BYTE number = root.empty() ? 0 : static_cast<BYTE>(static_cast<unsigned char>(root[0]) - 64);
    info.DiskSize = DiskSize(number);
    info.FreeBytes = DiskFree(number);
    return info;
}

void LuxSIDriveList(TStringList* List) {
    if (!List) return;
    List->Clear();
    char buffer[255] = {};
    const DWORD n = GetLogicalDriveStrings(254, buffer);
    if (n == 0 || n > 254) return;
    for (const char* p = buffer; *p; p += std::strlen(p) + 1) List->Add(std::string(p).substr(0, 3));
}

std::string LuxSIDriveTypeStr(int DriveType) {
    switch (DriveType) {
    case 1: return "no root directory";
    case 2: return "removable";
    case 3: return "fixed drive";
    case 4: return "remote (network) drive";
    case 5: return "CD-ROM";
    case 6: return "ramdisk";
    default: return SUnknown;
    }
}

std::string LuxSITempPath() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetTempPath(MAX_PATH, path);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string LuxSITempFile() {
    char name[MAX_PATH + 1] = {};
    if (GetTempFileName(LuxSITempPath().c_str(), "tmp", 0, name) == 0) return {};
    return name;
}

void LuxSIEnvironment(TStringList* List) {
    if (!List) return;
    List->Clear();
    char* block = GetEnvironmentStrings();
    if (!block) return;
    for (const char* p = block; *p; p += std::strlen(p) + 1) List->Add(p);
    FreeEnvironmentStrings(block);
}

std::string LuxSIWindowsDirectory() {
    return LuxWindowsDirectory();
}

std::string LuxSISystemDirectory() {
    return LuxSystemDirectory();
}

std::string LuxSIRegisteredOwner() { return RegisteredValue("RegisteredOwner"); }
std::string LuxSIRegisteredCompany() { return RegisteredValue("RegisteredOrganization"); }

std::string LuxSIComputerName() {
    std::vector<char> buffer(MAX_COMPUTERNAME_LENGTH + 1);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!GetComputerName(buffer.data(), &size)) {
        // A longer name than the system's 15 characters: ask again with the size it needs.
        if (size <= buffer.size()) return SUnknown;
        buffer.resize(size);
        if (!GetComputerName(buffer.data(), &size)) return SUnknown;
    }
    return std::string(buffer.data(), size);
}

std::string LuxSIUserName() {
    char buffer[64] = {};
    DWORD size = 63;
    if (!GetUserName(buffer, &size) || size == 0) return SUnknown;
    return std::string(buffer, size - 1);
}

WORD LuxSISystemDefaultLanguageID() { return GetSystemDefaultLangID(); }

std::string LuxSIGetTimeZone() {
    TIME_ZONE_INFORMATION tz;
    GetTimeZoneInformation(&tz);
    return tz.StandardName;
}

int LuxSIGetTimeZoneBias() {
    TIME_ZONE_INFORMATION tz;
    GetTimeZoneInformation(&tz);
    return tz.Bias;
}

std::uintptr_t LuxSISystemIconListHandle(bool) { return 0; }

std::string LuxSIVersionInfo(TLuxVersionInfoType Kind) {
    const std::string file = ProgramFileName();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSize(file.c_str(), &handle);
    if (size == 0) return {};
    std::vector<char> buffer(size);
    if (!GetFileVersionInfo(file.c_str(), handle, size, buffer.data())) return {};
    std::string prefix = "\\\\StringFileInfo\\\\040904E4\\\\";
    void* value = nullptr;
    UINT len = 0;
    if (VerQueryValue(buffer.data(), "\\\\VarFileInfo\\\\Translation", &value, &len) && len >= 4) {
        const auto* t = static_cast<const unsigned char*>(value);
        prefix = "\\\\StringFileInfo\\\\" + IntToHex(t[0] | t[1] << 8, 4) + IntToHex(t[2] | t[3] << 8, 4) + "\\\\";
    }
    if (VerQueryValue(buffer.data(), (prefix + kVersionNames[Kind]).c_str(), &value, &len) && len > 0)
        return static_cast<const char*>(value);
    return {};
}

std::string LuxGetLocalInfo(int Index) {
    // An index outside the table asks for type 0, which no locale answers.
    const LCTYPE type = Index >= 0 && Index < 28 ? kLocaleTypes[Index] : 0;
    return GetLocaleStr(GetThreadLocale(), type, "Hallo");
}

double LuxSIGetCPUSpeed() {
    std::uint64_t start = 0, stop = 0;
    Sleep(10);
    if (!ReadTimeStampCounter(start)) return 0;
    const std::uint64_t t0 = MonotonicUs();
    Sleep(500);
    ReadTimeStampCounter(stop);
    const std::uint64_t elapsedUs = MonotonicUs() - t0;
    // Counts per microsecond over the time that really passed, in 64 bits.
    return elapsedUs ? static_cast<double>(stop - start) / static_cast<double>(elapsedUs) : 0;
}

std::string LuxSIInfoToString(TLuxInfoType Kind) {
    const int k = static_cast<int>(Kind);
    if (k < 0 || k > static_cast<int>(itCPUSpeed)) return {};
    return kInfoLabels[k];
}

std::string GetSystemInfoString(TLuxInfoType Kind, int Divisor, const std::string& FormatText) {
    auto num = [&](std::uint64_t v) { return IntToStr(static_cast<std::int64_t>(Divided(v, Divisor))); };
    std::string result;
    switch (Kind) {
    case itUser: result = LuxSIUserName(); break;
    case itWinDir: result = LuxSIWindowsDirectory(); break;
    case itCurrentDir32: result = GetCurrentDir(); break;
    case itCurrentDiskFree32: result = num(static_cast<std::uint64_t>(std::max<std::int64_t>(DiskFree(0), 0))); break;
    case itCurrentDiskSize32: result = num(static_cast<std::uint64_t>(std::max<std::int64_t>(DiskSize(0), 0))); break;
    case itSystemDir: result = LuxSISystemDirectory(); break;
    case itReg_Owner32: result = LuxSIRegisteredOwner(); break;
    case itReg_Company32: result = LuxSIRegisteredCompany(); break;
    case itVersion: result = LuxSIVersionStr(); break;
    case itColorDepth: result = num(LuxSIColorDepth()); break;
    case itScreenSaverDelay: result = num(static_cast<std::uint64_t>(LuxSIScreenSaverDelay())); break;
    case itMemSize: result = num(LuxSIMemTotal()); break;
    case itFreeSysRes: result = num(static_cast<std::uint64_t>(LuxSIFreeSysRes())); break;
    case itFreeGDIRes: result = num(static_cast<std::uint64_t>(LuxSIFreeGDIRes())); break;
    case itFreeUserRes: result = num(static_cast<std::uint64_t>(LuxSIFreeUserRes())); break;
    case itComputerName32: result = LuxSIComputerName(); break;
    case itMajorVerNr32: result = num(LuxSIMajorVersionNr()); break;
    case itBuildNr32: result = num(LuxSIBuildNr()); break;
    case itMemLoaded32: result = num(LuxSIMemLoaded()); break;
    case itMemFree32: result = num(LuxSIMemFree()); break;
    case itMemPageFree32: result = num(LuxSIMemPageFree()); break;
    case itMemPageTotal32: result = num(LuxSIMemPageTotal()); break;
    case itMemVirtFree32: result = num(LuxSIMemVirtFree()); break;
    case itMemVirtTotal32: result = num(LuxSIMemVirtTotal()); break;
    case itPlatformID32: result = num(LuxSIPlatformID()); break;
    case itPlatform32: result = LuxSIPlatformStr(); break;
    case itProcessorCont32: result = num(LuxSIProcessorCount()); break;
    case itProcessor32: result = LuxSIProcessorTypeStr(); break;
    case itTempPath32: result = LuxSITempPath(); break;
    case itDOSVersion: result = "Win32"; break;
    case itNumLock: result = OnOff(LuxSINumLock()); break;
    case itCapsLock: result = OnOff(LuxSICapsLock()); break;
    case itScroll: result = OnOff(LuxSIScrollLock()); break;
    case itCurrentDateTime: result = FormatDateTime(FormatText, Now()); break;
    case itProgCompany:
    case itProgName:
    case itProgVersion:
    case itProgCopyright:
    case itProgTrademark:
    case itProgDescription:
    case itProgComments:
        result = LuxSIVersionInfo(static_cast<TLuxVersionInfoType>(Kind - itProgCompany));
        break;
    case itCPUSpeed:
        result = Trim(FloatToStr(LuxSIGetCPUSpeed() / (Divisor <= 0 ? 1 : Divisor)));
        break;
    default: return {};
    }
    // The value was built in a buffer of 2047 characters.
    return result.substr(0, 2047);
}

// --- Caption geometry ----------------------------------------------------------------------------------

void LuxNCCalcDrawingArea(HWND Wnd, TRect& Area, TRect& TextArea, int& Flags) {
    TLuxNCWindow w;
    w.Style = static_cast<DWORD>(GetWindowLong(Wnd, GWL_STYLE));
    w.ExStyle = static_cast<DWORD>(GetWindowLong(Wnd, GWL_EXSTYLE));
    RECT r{};
    GetWindowRect(Wnd, &r);
    w.WindowRect = r;
    w.Visible = IsWindow(Wnd) && IsWindowVisible(Wnd);
    w.Iconic = IsIconic(Wnd);
    w.NewStyle = NewStyleControls;
    LuxNCCalcDrawingAreaOf(w, Area, TextArea, Flags);
}

void LuxNCCalcDrawingAreaOf(const TLuxNCWindow& W, TRect& Area, TRect& TextArea, int& Flags) {
    constexpr DWORD kThickFrame = 0x40000, kSysMenu = 0x80000, kMinBox = 0x20000, kMaxBox = 0x10000;
    constexpr DWORD kPopupBorderSysMenu = 0x80880000;
    constexpr DWORD kToolWindow = 0x80, kDlgModalFrame = 0x1, kContextHelp = 0x400;
    const bool newStyle = W.NewStyle;
    const int fixW = LuxNCFIXBORDERWIDTH(), fixH = LuxNCFIXBORDERHEIGHT();
    const bool tool = (W.ExStyle & kToolWindow) != 0;

    Area = TRect(0, 0, W.WindowRect.Width(), LuxNCCAPTIONHEIGHT());
    bool small = false;
    if (tool && newStyle) {
        Area = TRect(0, 0, Area.Right, LuxNCSMALLCAPTIONHEIGHT());
        Flags |= 0x04;
        small = true;
    }
    const TRect cap = Area;

    if (!newStyle && (Flags & 0x20)) {
        LuxAdjustRectExt(Area, fixW, fixH, -fixW, -fixW);
    } else if (W.Style & kThickFrame) {
        const int sizeW = LuxNCSIZEBORDERWIDTH(), sizeH = LuxNCSIZEBORDERHEIGHT();
        LuxAdjustRectExt(Area, sizeW, sizeH, -sizeW, sizeH - fixH);
        if (!newStyle) Area.Bottom -= fixW;
    } else if (W.ExStyle & kDlgModalFrame) {
        const int dlgW = LuxNCDLGBORDERWIDTH(), dlgH = LuxNCDLGBORDERHEIGHT();
        LuxAdjustRectExt(Area, dlgW, dlgH, -dlgW, dlgH - fixH);
    } else if (!newStyle && tool) {
        LuxAdjustRectExt(Area, fixW, fixH, -fixW, -fixW);
    } else {
        LuxAdjustRectExt(Area, 3 * fixW, 3 * fixH, -3 * fixW, 2 * fixH);
    }

    if (W.Visible) {
        const int f = fixW & 0xFF;
        const int b = small ? LuxNCSMALLBITMAPWIDTH() : LuxNCBITMAPWIDTH();
        TRect t = small ? cap : Area;
        if (W.Style & kSysMenu) {
            if (!newStyle)
                t.Right -= 2 * f;
            else if (!W.Iconic)
                t.Right -= 3 * f + b;
            const bool icon = ((W.Style & kThickFrame) && !small) || (Flags & 0x20) ||
                              (!newStyle && (W.Style & kPopupBorderSysMenu) == kPopupBorderSysMenu) ||
                              (!newStyle && tool);
            if (icon) {
                Flags |= 0x08;
                if (newStyle) {
                    t.Left += LuxNCCAPTIONICONWIDTH() + LuxNCSIZEBORDERWIDTH();
                    if (!W.Iconic)
                        t.Left += f;
                    else
                        Flags |= 0x10;
                } else {
                    t.Left += LuxNCCAPTIONICONWIDTH() + 2 * f;
                }
            }
            if (W.Style & (kMinBox | kMaxBox)) {
                if (newStyle) {
                    t.Right -= 2 * b;
                } else {
                    if (W.Style & kMinBox) t.Right -= b;
                    if (W.Style & kMaxBox) t.Right -= b;
                }
            } else if (W.ExStyle & kContextHelp) {
                if (newStyle) t.Right -= f;
                t.Right -= b;
            }
            if (newStyle && tool) {
                t.Left += 4 * f;
                t.Top += 3 * f;
                t.Right -= 2 * f;
            }
        } else {
            t.Left += 2 * f;
            if (!newStyle) {
                t.Right -= f;
                if (W.Style & kMinBox) t.Right -= b;
                if (W.Style & kMaxBox) t.Right -= b;
            }
        }
        if (t.Left == Area.Left) t.Left += 2 * f;
        TextArea = t;
    } else {
        TextArea = cap;
    }

    if (Flags & 0x10) Area.Bottom -= fixH;
    TextArea.Bottom = Area.Bottom;
    if (Flags & 0x01) Area.Right = TextArea.Right;
    if ((Flags & 0x08) && ((Flags & 0x02) || !newStyle)) {
        Area.Left = TextArea.Left;
        TextArea.Left += 2 * fixW;
    }
}
