// Resources built into the program (bitmaps, key maps, character-set maps ...), found by name
// without regard to case, as the system finds its named resources. Each is generated at build time
// from a file of the project: vx_add_resources in platform/win/CMakeLists.txt turns files into a
// table that every program and test linking the target carries.
//
//   HRSRC res = FindResource(HInstance, "VXVT100KeyMap", RT_RCDATA);
//   if (res) use(LockResource(LoadResource(HInstance, res)), SizeofResource(HInstance, res));
#pragma once

#include "platform/win/Types.h"

#include <string>

// Every built-in resource belongs to the program's own module.
inline constexpr HINSTANCE HInstance = 0x00400000;

inline constexpr UINT RT_BITMAP = 2;  // a whole BMP file
inline constexpr UINT RT_RCDATA = 10; // raw bytes

struct TResourceItem {
    const char* Name;
    UINT Type;
    const unsigned char* Data;
    DWORD Size;
};

using HRSRC = const TResourceItem*;
using HGLOBAL = const void*;

// Null when the program carries no resource of that name and type. The module is not consulted:
// there is one module of resources.
HRSRC FindResource(HMODULE Module, const std::string& Name, UINT Type);
// A resource identified by a number (MAKEINTRESOURCE) is built in under that number in decimal.
HRSRC FindResource(HMODULE Module, WORD Ident, UINT Type);
HGLOBAL LoadResource(HMODULE Module, HRSRC ResInfo);
const void* LockResource(HGLOBAL ResData);
DWORD SizeofResource(HMODULE Module, HRSRC ResInfo);

// Generated tables register themselves through one static object each; the items must live as
// long as the program.
struct TResourceTable {
    TResourceTable(const TResourceItem* Items, int Count);
};
