// Version information. A program builds its version block in (BuildVersionInfo, then
// SetProgramVersionInfo); the version calls answer it for the program's own file, read the version
// resource of a Windows program file (PE), and find nothing in any other file.
//
// Block layout, little-endian, every node aligned to 4 bytes:
//   WORD length (the node with its children), WORD valueLength (bytes), WORD type (0 binary, 1 text),
//   the key (8-bit, zero-terminated), padding to 4, the value, padding to 4, the child nodes.
// The root "VS_VERSION_INFO" holds a VS_FIXEDFILEINFO; its children "StringFileInfo" (a table per
// language and code page, e.g. "040904E4", of zero-terminated texts) and "VarFileInfo" ("Translation":
// WORD language, WORD code page).
#pragma once

#include "platform/win/Types.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature = VS_FFI_SIGNATURE;
    DWORD dwStrucVersion = 0x00010000;
    DWORD dwFileVersionMS = 0;
    DWORD dwFileVersionLS = 0;
    DWORD dwProductVersionMS = 0;
    DWORD dwProductVersionLS = 0;
    DWORD dwFileFlagsMask = 0x3F;
    DWORD dwFileFlags = 0;
    DWORD dwFileOS = 0x00040004; // VOS_NT_WINDOWS32
    DWORD dwFileType = 1;        // VFT_APP
    DWORD dwFileSubtype = 0;
    DWORD dwFileDateMS = 0;
    DWORD dwFileDateLS = 0;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

struct TVersionStringTable {
    std::string langCodePage; // eight hex digits, e.g. "040904E4"
    std::vector<std::pair<std::string, std::string>> strings;
};

// The block for the fixed information, the string tables and the translations (language in the low
// word, code page in the high word of each entry).
std::string BuildVersionInfo(const VS_FIXEDFILEINFO& fixed, const std::vector<TVersionStringTable>& tables,
                             const std::vector<DWORD>& translations);

// The running program's block; an empty block means it has none.
void SetProgramVersionInfo(const std::string& block);

// The size of a file's block: the program's own (matched by file name, case-blind), or the one a
// Windows program file carries; else 0 (ERROR_FILE_NOT_FOUND for a file that is not there,
// ERROR_RESOURCE_TYPE_NOT_FOUND for one without version information).
DWORD GetFileVersionInfoSize(const char* fileName, DWORD* handle);
BOOL GetFileVersionInfo(const char* fileName, DWORD handle, DWORD len, void* data);

// subBlock: "\" the VS_FIXEDFILEINFO, "\VarFileInfo\Translation", "\StringFileInfo\<lang>\<name>"
// (keys case-blind, repeated backslashes allowed). buffer points into block; len counts bytes
// (for a text, its characters with the terminator). FALSE for a missing or malformed node. The
// block must hold at least as many bytes as its first word says.
BOOL VerQueryValue(const void* block, const char* subBlock, void** buffer, UINT* len);

// The version block in the image of a Windows program file (the first version resource, through the
// PE headers, section table and resource directory), rewritten in the layout above. False when the
// image has none or any offset or size in the way points outside the file.
bool VersionBlockFromImage(std::string_view file, std::string& block);

// The name of a language id ("English (United States)" for 0x409, "Language Neutral" for 0,
// "Unknown language" for ids not known here), copied with a terminator as far as size allows;
// returns the characters copied (the name's length when buffer is null).
DWORD VerLanguageName(DWORD language, char* buffer, DWORD size);
