#include "platform/registry/RegistryFile.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

char Fold(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Strips a CR before the end of a line.
std::string_view Chomp(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// A quoted string from the start of s; s is left after the closing quote. False when unterminated.
bool ReadQuoted(std::string_view& s, std::string& out) {
    if (s.empty() || s.front() != '"') return false;
    out.clear();
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Fold(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "01,02,ff" (blanks allowed around the bytes); false on anything else.
bool ReadHexList(std::string_view s, std::string& out) {
    out.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    skipBlanks();
    if (i == s.size()) return true;
    while (true) {
        skipBlanks();
        const int hi = i < s.size() ? HexDigit(s[i]) : -1;
        const int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi << 4 | lo);
        i += 2;
        skipBlanks();
        if (i == s.size()) return true;
        if (s[i] != ',') return false;
        ++i;
    }
}

bool ParseValue(std::string_view line, TRegValue& value) {
    if (line.substr(0, 1) == "@") {
        value.name.clear();
        line.remove_prefix(1);
    } else if (!ReadQuoted(line, value.name)) {
        return false;
    }
    if (line.empty() || line.front() != '=') return false;
    line.remove_prefix(1);
    if (!line.empty() && line.front() == '"') {
        std::string text;
        if (!ReadQuoted(line, text) || !line.empty()) return false;
        value.type = kRegSz;
        value.data = std::move(text);
        return true;
    }
    if (line.substr(0, 6) == "dword:") {
        const std::string_view digits = line.substr(6);
        if (digits.size() != 8) return false;
        std::uint32_t v = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            v = v << 4 | static_cast<std::uint32_t>(d);
        }
        value.type = kRegDword;
        value.data.assign(4, '\0');
        for (int i = 0; i < 4; ++i) value.data[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
        return true;
    }
    if (line.substr(0, 4) == "hex:") {
        value.type = kRegBinary;
        return ReadHexList(line.substr(4), value.data);
    }
    if (line.substr(0, 4) == "hex(") {
        const std::size_t close = line.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return false;
        std::uint32_t type = 0;
        for (char c : line.substr(4, close - 4)) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            type = type << 4 | static_cast<std::uint32_t>(d);
        }
        value.type = type;
        return ReadHexList(line.substr(close + 2), value.data);
    }
    return false;
}

void AppendQuoted(std::string& out, const std::string& s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

void AppendHex(std::string& out, const std::string& data) {
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i) out += ',';
        const auto b = static_cast<unsigned char>(data[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
}

std::string ParentPath(const std::string& path) {
    const std::size_t sep = path.rfind('\\');
    return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

bool IsBelow(const std::string& path, const std::string& parent) {
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           SameRegName(path.substr(0, parent.size()), parent);
}

} // namespace

bool SameRegName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

TRegistryText TRegistryText::Parse(const std::string& text) {
    TRegistryText reg;
    TRegKey* key = nullptr;
    std::string pending; // a value line continued with "\"
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string_view line = Chomp(std::string_view(text).substr(at, end - at));
        at = end + 1;
        if (!pending.empty()) {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
            pending += line;
            if (!pending.empty() && pending.back() == '\\') {
                pending.pop_back();
                continue;
            }
            line = pending;
        } else if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos || close == 1) {
                key = nullptr;
                continue;
            }
            key = &reg.ForceKey(std::string(line.substr(1, close - 1)));
            continue;
        } else if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string_view::npos) {
            pending.assign(line.substr(0, line.size() - 1));
            continue;
        }
        std::string held = std::move(pending);
        pending.clear();
        if (!key) continue;
        TRegValue value;
        if (!ParseValue(held.empty() ? line : std::string_view(held), value)) continue;
        if (TRegValue* old = FindValue(*key, value.name))
            *old = std::move(value);
        else
            key->values.push_back(std::move(value));
    }
    return reg;
}

std::string TRegistryText::Format() const {
    std::string out;
    for (const TRegKey& key : keys) {
        out += '[';
        out += key.path;
        out += "]\n";
        for (const TRegValue& v : key.values) {
            if (v.name.empty())
                out += '@';
            else
                AppendQuoted(out, v.name);
            out += '=';
            if (v.type == kRegSz && v.data.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
                AppendQuoted(out, v.data);
            } else if (v.type == kRegDword && v.data.size() == 4) {
                std::uint32_t d = 0;
                for (int i = 3; i >= 0; --i) d = d << 8 | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", d);
                out += buf;
            } else {
                if (v.type == kRegBinary) {
                    out += "hex:";
                } else {
                    char buf[24];
                    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                    out += buf;
                }
                AppendHex(out, v.data);
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

TRegKey* TRegistryText::FindKey(const std::string& path) {
    for (TRegKey& k : keys)
        if (SameRegName(k.path, path)) return &k;
    return nullptr;
}

TRegKey& TRegistryText::ForceKey(const std::string& path) {
    if (TRegKey* k = FindKey(path)) return *k;
    const std::string parent = ParentPath(path);
    if (!parent.empty()) ForceKey(parent);
    keys.push_back({path, {}});
    return keys.back();
}

void TRegistryText::RemoveKeyTree(const std::string& path) {
    std::erase_if(keys, [&](const TRegKey& k) { return SameRegName(k.path, path) || IsBelow(k.path, path); });
}

TRegValue* TRegistryText::FindValue(TRegKey& key, const std::string& name) {
    for (TRegValue& v : key.values)
        if (SameRegName(v.name, name)) return &v;
    return nullptr;
}

std::vector<std::string> TRegistryText::SubKeyNames(const std::string& path) const {
    std::vector<std::string> names;
    for (const TRegKey& k : keys)
        if (IsBelow(k.path, path) && k.path.find('\\', path.size() + 1) == std::string::npos)
            names.push_back(k.path.substr(path.size() + 1));
    return names;
}
