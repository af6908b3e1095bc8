// The text form of the registry file: a section per key named by its full path, byte for byte
// ("[HKEY_CURRENT_USER\Software\Dorvex\Common]"), then its values in the registry's export form:
//   "Name"="text"            REG_SZ, with \\ and \" escaped
//   "Name"=dword:0000002a    REG_DWORD
//   "Name"=hex:01,02         REG_BINARY
//   "Name"=hex(7):41,00,00   any other type by number (a text holding CR, LF or zero bytes too)
//   @="text"                 the key's default value
// A hex list may go on over lines ending in "\". Lines that fit none of these are dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TRegValue {
    std::string name; // "" for the default value
    std::uint32_t type = 0;
    std::string data; // the bytes as the value holds them (REG_SZ without its terminator)
};

struct TRegKey {
    std::string path; // full path from the root's name on
    std::vector<TRegValue> values;
};

struct TRegistryText {
    std::vector<TRegKey> keys; // in file order

    static TRegistryText Parse(const std::string& text);
    std::string Format() const;

    // Key paths and value names compare case-blind (ASCII letters), as the registry's do.
    TRegKey* FindKey(const std::string& path);
    // Adds the key (and the keys above it, down to the root) when missing.
    TRegKey& ForceKey(const std::string& path);
    // Removes the key with all keys below it.
    void RemoveKeyTree(const std::string& path);
    static TRegValue* FindValue(TRegKey& key, const std::string& name);
    // The names of the keys directly below path, in file order.
    std::vector<std::string> SubKeyNames(const std::string& path) const;
};

bool SameRegName(const std::string& a, const std::string& b);
