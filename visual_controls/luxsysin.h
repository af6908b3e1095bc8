// Questions about the running system as plain routines: version and platform, memory, processors,
// drives, directories, names, locale, lock keys, the program's version information, a rough
// processor clock, and the window-frame metrics a caption painter needs.
#pragma once

#include "platform/ui/Graphics.h"
#include "platform/win/Types.h"

#include <cstdint>
#include <string>

class TStringList;

// Set once at start-up.
extern bool LuxSIWindows95;
extern bool LuxSIWindows98;
extern bool LuxSIWindowsNT;
extern bool LuxSIWindows2000;
extern bool LuxSIWindowsExtension;

enum TLuxInfoType {
    itUser,
    itWinDir,
    itCurrentDir32,
    itCurrentDiskFree32,
    itCurrentDiskSize32,
    itSystemDir,
    itReg_Owner32,
    itReg_Company32,
    itVersion,
    itColorDepth,
    itScreenSaverDelay,
    itMemSize,
    itFreeSysRes,
    itFreeGDIRes,
    itFreeUserRes,
    itComputerName32,
    itMajorVerNr32,
    itBuildNr32,
    itMemLoaded32,
    itMemFree32,
    itMemPageFree32,
    itMemPageTotal32,
    itMemVirtFree32,
    itMemVirtTotal32,
    itPlatformID32,
    itPlatform32,
    itProcessorCont32,
    itProcessor32,
    itTempPath32,
    itDOSVersion,
    itNumLock,
    itCapsLock,
    itScroll,
    itCurrentDateTime,
    itProgCompany,
    itProgName,
    itProgVersion,
    itProgCopyright,
    itProgTrademark,
    itProgDescription,
    itProgComments,
    itCPUSpeed
};

enum TLuxVersionInfoType { viCompany, viName, viVersion, viCopyright, viTrademark, viDescription, viComments };

struct TLuxDriveInfo {
    std::int32_t DriveType = 0;
    std::int64_t DiskSize = 0;
    std::int64_t FreeBytes = 0;
    std::int32_t SectorsPerCluster = 0;
    std::int32_t BytesPerSector = 0;
};

// --- Window-frame metrics ---------------------------------------------------------------------------

int LuxNCBITMAPWIDTH();
int LuxNCBITMAPHEIGHT();
int LuxNCCAPTIONHEIGHT();
int LuxNCDLGBORDERWIDTH();
int LuxNCDLGBORDERHEIGHT();
int LuxNCFIXBORDERWIDTH();
int LuxNCFIXBORDERHEIGHT();
int LuxNCSIZEBORDERWIDTH();
int LuxNCSIZEBORDERHEIGHT();
int LuxNCBORDERWIDTH();
int LuxNCBORDERHEIGHT();
int LuxNCSMALLCAPTIONHEIGHT();
int LuxNCSMALLBITMAPWIDTH();
int LuxNCSMALLBITMAPHEIGHT();
int LuxNCCAPTIONICONWIDTH();
int LuxNCCAPTIONICONHEIGHT();
int LuxSIIconWidth();
int LuxSIIconHeight();
int LuxSISmallIconWidth();
int LuxSISmallIconHeight();

// --- System queries ----------------------------------------------------------------------------------

bool LuxSIStretchBltPossible();
BYTE LuxSIColorDepth();
int LuxSIScreenSaverDelay();
bool LuxSINumLock();
bool LuxSICapsLock();
bool LuxSIScrollLock();
// Bytes, in 64 bits: machines have more than 4 GiB.
std::uint64_t LuxSIMemTotal();
std::uint64_t LuxSIMemFree();
std::uint64_t LuxSIMemPageTotal();
std::uint64_t LuxSIMemPageFree();
std::uint64_t LuxSIMemVirtTotal();
std::uint64_t LuxSIMemVirtFree();
BYTE LuxSIMemLoaded();
WORD LuxSIMajorVersionNr();
WORD LuxSIMinorVersionNr();
WORD LuxSIBuildNr();
std::string LuxSIVersionString();
std::string LuxSIVersionStr();
// major + minor / 10^(digits of minor): 4.10 reads 4.1.
double LuxSIVersionNr();
double LuxSIVersionNrOf(int major, int minor);
bool LuxSIOLDWindowsNT();
DWORD LuxSIPlatformID();
std::string LuxSIPlatformStr();
BYTE LuxSIProcessorCount();
std::string LuxSIProcessorTypeStr();
std::string LuxSIProcessorTypeStrOf(DWORD type);
int LuxSIFreeSysRes();
int LuxSIFreeGDIRes();
int LuxSIFreeUserRes();
TLuxDriveInfo LuxSIDriveInfo(const std::string& Drive);
void LuxSIDriveList(TStringList* List);
std::string LuxSIDriveTypeStr(int DriveType);
std::string LuxSITempPath();
// A new empty temporary file's name; "" on failure.
std::string LuxSITempFile();
void LuxSIEnvironment(TStringList* List);
std::string LuxSIWindowsDirectory();
std::string LuxSISystemDirectory();
std::string LuxSIRegisteredOwner();
std::string LuxSIRegisteredCompany();
// The whole host name, however long.
std::string LuxSIComputerName();
std::string LuxSIUserName();
WORD LuxSISystemDefaultLanguageID();
std::string LuxSIGetTimeZone();
int LuxSIGetTimeZoneBias();
// There is no system image list to hand out: 0.
std::uintptr_t LuxSISystemIconListHandle(bool Large);
std::string LuxSIVersionInfo(TLuxVersionInfoType Kind);
std::string LuxGetLocalInfo(int Index);
// MHz from the time-stamp counter over half a second at normal priority; 0 where there is none.
double LuxSIGetCPUSpeed();
std::string LuxSIInfoToString(TLuxInfoType Kind);
std::string GetSystemInfoString(TLuxInfoType Kind, int Divisor, const std::string& Format);

// Caption geometry of a window (flag bits: 0x01, 0x02, 0x20 in; 0x04, 0x08, 0x10 out).
void LuxNCCalcDrawingArea(HWND Wnd, TRect& Area, TRect& TextArea, int& Flags);

// The same for a window described by its styles and rectangle rather than looked up by handle;
// visible false stands for an invisible window or an invalid handle.
struct TLuxNCWindow {
    DWORD Style = 0;
    DWORD ExStyle = 0;
    TRect WindowRect;
    bool Visible = false;
    bool Iconic = false;
    bool NewStyle = true;
};
void LuxNCCalcDrawingAreaOf(const TLuxNCWindow& Window, TRect& Area, TRect& TextArea, int& Flags);
