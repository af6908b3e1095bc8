// The registry: the Reg* calls on the six roots. Every root, HKEY_LOCAL_MACHINE too, is per user:
// all keys live in one file, $XDG_CONFIG_HOME/vexo/registry (its form: RegistryFile.h). Every
// change rereads the file and writes it anew under an exclusive flock, renaming a new file over the
// old, so that two writers lose nothing and a reader never sees half a file.
#pragma once

#include "platform/win/Types.h"

#include <cstdint>

using HKEY = std::uintptr_t;
using REGSAM = DWORD;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

// Results are error numbers (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a missing key or value,
// ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED when the handle lacks the right, ERROR_MORE_DATA ...).
// A sub key path may start or end with "\"; "" (or null) opens the key itself again.
LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD options, REGSAM desired, HKEY* result);
LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD reserved, const char* keyClass, DWORD options,
                    REGSAM desired, void* securityAttributes, HKEY* result, DWORD* disposition);
LONG RegOpenKey(HKEY key, const char* subKey, HKEY* result);
LONG RegCreateKey(HKEY key, const char* subKey, HKEY* result);
LONG RegCloseKey(HKEY key);
// Writes are on disk when the call returns; flushing has nothing left to do.
LONG RegFlushKey(HKEY key);
// Removes the sub key and everything below it (a root cannot be removed).
LONG RegDeleteKey(HKEY key, const char* subKey);

// data may be null to ask for the type and size; *dataSize counts bytes (a REG_SZ with its
// terminator). Too small a buffer gives ERROR_MORE_DATA with the size needed.
LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
// A REG_SZ is stored up to its first zero byte.
LONG RegSetValueEx(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValue(HKEY key, const char* valueName);

// nameSize: in the buffer's size, out the length without the terminator.
LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, char* keyClass,
                  DWORD* classSize, void* lastWriteTime);
LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, DWORD* type, BYTE* data,
                  DWORD* dataSize);
LONG RegQueryInfoKey(HKEY key, char* keyClass, DWORD* classSize, DWORD* reserved, DWORD* subKeys,
                     DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen,
                     DWORD* maxValueLen, DWORD* securityDescriptor, void* lastWriteTime);
