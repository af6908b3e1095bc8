// Unit Vhelper of the indicator library: the Windows version as the library sees it, read once at
// start-up.
#pragma once

#include "platform/win/SysInfo.h"

#include <cstdint>

enum WTypes { v_Windows, v_WFW, v_Win32S, v_NT, v_95 };

bool IsWorkgroup();
bool Is311();
WTypes WindowsType();
std::uint32_t MajorVersion();
std::uint32_t MinorVersion();
// The build number's low 16 bits.
std::uint32_t BuildVersion();

// Fills the version record from what the system reported (start-up calls it with GetVersionEx).
void SetVersionRecord(const OSVERSIONINFO& info);

// Counted: only the first start-up reads the version, only the balancing shut-down counts back.
void InitializeVhelper();
void FinalizeVhelper();
