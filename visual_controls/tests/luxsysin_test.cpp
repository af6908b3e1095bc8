#include "visual_controls/luxsysin.h"

#include "platform/rtl/Lists.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Registry.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/SysInfo.h"
#include "platform/win/Version.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

TEST(luxsysin, StartUpFlagsDescribeTheNtFamily) {
    EXPECT_FALSE(LuxSIWindows95);
    EXPECT_FALSE(LuxSIWindows98);
    EXPECT_TRUE(LuxSIWindowsNT);
    EXPECT_TRUE(LuxSIWindowsExtension);
    EXPECT_EQ(LuxSIWindows2000, (GetVersion() & 0xFF) > 4);
    EXPECT_EQ(LuxSIPlatformID(), 2u);
    EXPECT_EQ(LuxSIPlatformStr(), "Windows NT");
}

TEST(luxsysin, WhatDecidesPixelsIsFixed) {
    EXPECT_EQ(LuxSIColorDepth(), 32);
    EXPECT_TRUE(LuxSIStretchBltPossible());
    const struct {
        int (*metric)();
        int index;
    } cases[] = {{LuxNCBITMAPWIDTH, SM_CXSIZE},         {LuxNCCAPTIONHEIGHT, SM_CYCAPTION},
                 {LuxNCDLGBORDERWIDTH, SM_CXDLGFRAME},  {LuxNCFIXBORDERHEIGHT, SM_CYBORDER},
                 {LuxNCSIZEBORDERWIDTH, SM_CXFRAME},    {LuxNCSMALLCAPTIONHEIGHT, SM_CYSMCAPTION},
                 {LuxNCSMALLBITMAPWIDTH, SM_CXSMSIZE},  {LuxNCCAPTIONICONWIDTH, SM_CXSMICON},
                 {LuxSIIconWidth, SM_CXICON},           {LuxSISmallIconHeight, SM_CYSMICON}};
    for (const auto& c : cases) EXPECT_EQ(c.metric(), GetSystemMetrics(c.index)) << c.index;
    EXPECT_EQ(LuxNCBORDERWIDTH(), GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXFRAME) - 1);
    NewStyleControls = false;
    EXPECT_EQ(LuxNCSMALLCAPTIONHEIGHT(), LuxNCCAPTIONHEIGHT());
    EXPECT_EQ(LuxNCCAPTIONICONWIDTH(), LuxNCBITMAPWIDTH());
    NewStyleControls = true;
}

TEST(luxsysin, FallbacksAndFixedAnswers) {
    TempHome home;
    for (auto f : {LuxSIFreeSysRes, LuxSIFreeGDIRes, LuxSIFreeUserRes}) EXPECT_EQ(f(), 100);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE off[256] = {};
    SetKeyboardState(off);
    EXPECT_FALSE(LuxSINumLock());
    EXPECT_EQ(GetSystemInfoString(itNumLock, 0, ""), "Off");
    EXPECT_EQ(GetSystemInfoString(itScroll, 0, ""), "Off");
    BYTE caps[256] = {};
    caps[VK_CAPITAL] = 1;
    SetKeyboardState(caps);
    EXPECT_TRUE(LuxSICapsLock());
    EXPECT_EQ(GetSystemInfoString(itCapsLock, 0, ""), "On");
    SetKeyboardState(keys);
    EXPECT_EQ(LuxSIRegisteredOwner(), "(Unknown)") << "no such key in a fresh home";
    EXPECT_EQ(GetSystemInfoString(itDOSVersion, 0, ""), "Win32");
    EXPECT_EQ(LuxSIDriveTypeStr(0), "(Unknown)");
    EXPECT_EQ(LuxSIDriveTypeStr(7), "(Unknown)");
    EXPECT_EQ(LuxSIDriveTypeStr(3), "fixed drive");
    EXPECT_EQ(LuxGetLocalInfo(28), "Hallo");
    EXPECT_EQ(LuxGetLocalInfo(-1), "Hallo");
    EXPECT_EQ(LuxSIInfoToString(itCPUSpeed), "CPU Speed");
    EXPECT_EQ(LuxSIInfoToString(static_cast<TLuxInfoType>(42)), "");
    EXPECT_EQ(GetSystemInfoString(static_cast<TLuxInfoType>(42), 1, ""), "");
    EXPECT_EQ(LuxSISystemIconListHandle(true), 0u);
}

TEST(luxsysin, RegisteredOwnerComesFromTheRegistry) {
    TempHome home;
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", true));
    reg.WriteString("RegisteredOwner", "Ann");
    EXPECT_EQ(LuxSIRegisteredOwner(), "Ann");
    EXPECT_EQ(LuxSIRegisteredCompany(), "") << "the key is there, the value not";
    EXPECT_EQ(GetSystemInfoString(itReg_Owner32, 0, ""), "Ann");
}

TEST(luxsysin, VersionNumbersAndTexts) {
    const struct {
        int major, minor;
        double value;
    } cases[] = {{4, 10, 4.1}, {4, 0, 4.0}, {5, 0, 5.0}, {6, 8, 6.8}, {6, 12, 6.12}, {4, 90, 4.9}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(LuxSIVersionNrOf(c.major, c.minor), c.value) << c.major << "." << c.minor;
    EXPECT_EQ(LuxSIVersionStr(), std::to_string(LuxSIMajorVersionNr()) + "." + std::to_string(LuxSIMinorVersionNr()));
    EXPECT_EQ(LuxSIProcessorTypeStrOf(586), "Intel Pentium");
    EXPECT_EQ(LuxSIProcessorTypeStrOf(4000), "Mips R4000");
    EXPECT_EQ(LuxSIProcessorTypeStrOf(21064), "Alpha 21064");
    EXPECT_EQ(LuxSIProcessorTypeStrOf(8664), "8664");
}

TEST(luxsysin, MachineFactsAreReal) {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(LuxSIComputerName(), host);
    EXPECT_EQ(GetSystemInfoString(itComputerName32, 0, ""), host);
    EXPECT_NE(LuxSIUserName(), "(Unknown)");
    EXPECT_EQ(LuxSIProcessorCount(), static_cast<BYTE>(::sysconf(_SC_NPROCESSORS_ONLN)));
    // Memory in 64 bits, divided as asked; a divisor of 0 counts as 1.
    const std::uint64_t total = LuxSIMemTotal();
    EXPECT_GT(total, 0u);
    EXPECT_EQ(GetSystemInfoString(itMemSize, 1024, ""), std::to_string(total / 1024));
    EXPECT_EQ(GetSystemInfoString(itMemSize, 0, ""), std::to_string(total));
    EXPECT_LE(LuxSIMemLoaded(), 100);
#if defined(__x86_64__) || defined(__i386__)
    // The counter's rate, in 64 bits: well above what 32 bits over half a second could hold.
    EXPECT_GT(LuxSIGetCPUSpeed(), 1.0);
#else
    EXPECT_EQ(LuxSIGetCPUSpeed(), 0.0);
#endif
}

TEST(luxsysin, DrivesAndDirectories) {
    TempHome home;
    TStringList drives;
    LuxSIDriveList(&drives);
    ASSERT_EQ(drives.Count(), 1);
    EXPECT_EQ(drives.Strings(0), "C:\\");
    LuxSIDriveList(nullptr);
    const TLuxDriveInfo c = LuxSIDriveInfo("c:\\windows");
    EXPECT_EQ(c.DriveType, 3);
    EXPECT_GT(c.DiskSize, 0);
    EXPECT_GT(c.BytesPerSector, 0);
    const TLuxDriveInfo q = LuxSIDriveInfo("Q:\\");
    EXPECT_EQ(q.DriveType, 1);
    EXPECT_EQ(q.DiskSize, 0);
    EXPECT_EQ(q.FreeBytes, 0);
    EXPECT_EQ(LuxSIWindowsDirectory(), home.Vexo());
    EXPECT_EQ(LuxSISystemDirectory(), home.Vexo());
    EXPECT_EQ(GetSystemInfoString(itWinDir, 0, ""), home.Vexo());
    const std::string temp = LuxSITempFile();
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(std::filesystem::exists(temp));
    std::filesystem::remove(temp);
    ::setenv("VEXO_LUXSYSIN", "1", 1);
    TStringList env;
    LuxSIEnvironment(&env);
    EXPECT_GE(env.IndexOf("VEXO_LUXSYSIN=1"), 0);
    ::unsetenv("VEXO_LUXSYSIN");
}

TEST(luxsysin, ProgramVersionInfoFollowsTheTranslation) {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    ASSERT_GT(n, 0);
    path[n] = 0;
    EXPECT_EQ(LuxSIVersionInfo(viCompany), "") << "no block built in";
    SetProgramVersionInfo(BuildVersionInfo({},
                                           {{"040904E4", {{"CompanyName", "Wrong"}}},
                                            {"040704B0", {{"CompanyName", "Vexo"}, {"Comments", "c"}}}},
                                           {0x04B00407}));
    EXPECT_EQ(LuxSIVersionInfo(viCompany), "Vexo");
    EXPECT_EQ(GetSystemInfoString(itProgComments, 0, ""), "c");
    EXPECT_EQ(LuxSIVersionInfo(viVersion), "");
    SetProgramVersionInfo(BuildVersionInfo({}, {{"040904E4", {{"ProductName", "Dorvex"}}}}, {}));
    EXPECT_EQ(LuxSIVersionInfo(viName), "Dorvex") << "no translation: US English, Windows-1252";
    SetProgramVersionInfo({});
}

TEST(LuxNCCalcDrawingArea, CaptionGeometryOnFixedMetrics) {
    const int fix = GetSystemMetrics(SM_CXBORDER), size = GetSystemMetrics(SM_CXFRAME);
    const int cap = GetSystemMetrics(SM_CYCAPTION), btn = GetSystemMetrics(SM_CXSIZE);
    const int icon = GetSystemMetrics(SM_CXSMICON), smallCap = GetSystemMetrics(SM_CYSMCAPTION);
    const int smallBtn = GetSystemMetrics(SM_CXSMSIZE), dlg = GetSystemMetrics(SM_CXDLGFRAME);
    const DWORD sizeable = WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    struct Case {
        const char* what;
        TLuxNCWindow window;
        int flagsIn;
        TRect area, text;
        int flagsOut;
    };
    const TRect w = Rect(100, 100, 500, 400);
    const Case cases[] = {
        {"sizeable with icons", {sizeable, 0, w, true, false, true}, 0,
         Rect(size, size, 400 - size, cap + size - fix),
         Rect(size + icon + size + fix, size, 400 - size - (3 * fix + btn) - 2 * btn, cap + size - fix), 0x08},
        {"sizeable, icon moves the area", {sizeable, 0, w, true, false, true}, 0x02,
         Rect(size + icon + size + fix, size, 400 - size, cap + size - fix),
         Rect(size + icon + size + 3 * fix, size, 400 - size - (3 * fix + btn) - 2 * btn, cap + size - fix), 0x0A},
        {"dialog frame, no system menu", {WS_CAPTION, WS_EX_DLGMODALFRAME, w, true, false, true}, 0x01,
         Rect(dlg, dlg, 400 - dlg, cap + dlg - fix), Rect(dlg + 2 * fix, dlg, 400 - dlg, cap + dlg - fix), 0x01},
        {"tool window, new style", {WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, w, true, false, true}, 0,
         Rect(3 * fix, 3 * fix, 400 - 3 * fix, smallCap + 2 * fix),
         Rect(4 * fix, 3 * fix, 400 - (3 * fix + smallBtn) - 2 * fix, smallCap + 2 * fix), 0x04},
        {"invisible: the caption", {sizeable, 0, w, false, false, true}, 0,
         Rect(size, size, 400 - size, cap + size - fix), Rect(0, 0, 400, cap + size - fix), 0},
        {"iconic sizeable", {sizeable, 0, w, true, true, true}, 0,
         Rect(size, size, 400 - size, cap + size - fix - fix),
         Rect(size + icon + size, size, 400 - size - 2 * btn, cap + size - fix - fix), 0x18},
        {"old style, single frame", {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, w, true, false, false}, 0,
         Rect(3 * fix, 3 * fix, 400 - 3 * fix, cap + 2 * fix),
         Rect(3 * fix + 2 * fix, 3 * fix, 400 - 3 * fix - 2 * fix - btn, cap + 2 * fix), 0},
    };
    for (const Case& c : cases) {
        TRect area, text;
        int flags = c.flagsIn;
        LuxNCCalcDrawingAreaOf(c.window, area, text, flags);
        EXPECT_EQ(area, c.area) << c.what;
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(flags, c.flagsOut) << c.what;
    }
}
