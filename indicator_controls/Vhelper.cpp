#include "indicator_controls/Vhelper.h"

namespace {

int VhelperCounter = 0;
WTypes windowsType = v_Windows;
std::uint32_t major = 0;
std::uint32_t minor = 0;
std::uint32_t build = 0;

} // namespace

bool IsWorkgroup() {
    return false;
}

bool Is311() {
    return false;
}

WTypes WindowsType() {
    return windowsType;
}

std::uint32_t MajorVersion() {
    return major;
}

std::uint32_t MinorVersion() {
    return minor;
}

std::uint32_t BuildVersion() {
    return build;
}

void SetVersionRecord(const OSVERSIONINFO& info) {
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s: windowsType = v_Win32S; break;
    case VER_PLATFORM_WIN32_WINDOWS: windowsType = v_95; break;
    case VER_PLATFORM_WIN32_NT: windowsType = v_NT; break;
    default: windowsType = v_Windows; break;
    }
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
    build = info.dwBuildNumber & 0xFFFF;
}

void InitializeVhelper() {
    if (VhelperCounter-- != 0) return;
    OSVERSIONINFO info;
    GetVersionEx(&info);
    SetVersionRecord(info);
}

void FinalizeVhelper() {
    VhelperCounter++;
}
