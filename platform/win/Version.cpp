#include "platform/win/Version.h"

#include "platform/win/Sync.h"
#include "platform/win/Version_p.h"

#include <cstring>
#include <fstream>
#include <mutex>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void PutWord(std::string& out, std::size_t at, std::size_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Align(std::string& out) {
    while (out.size() % 4) out += '\0';
}

} // namespace

void AppendVersionNode(std::string& out, const std::string& key, const std::string& value, WORD type,
                       const std::string& children) {
    Align(out);
    const std::size_t start = out.size();
    out.append(6, '\0');
    out += key;
    out += '\0';
    Align(out);
    out += value;
    if (!children.empty()) {
        Align(out);
        out += children;
    }
    PutWord(out, start, out.size() - start);
    PutWord(out, start + 2, value.size());
    PutWord(out, start + 4, type);
}

namespace {

struct Node {
    std::string_view key;
    const unsigned char* value = nullptr;
    std::size_t valueLength = 0;
    WORD type = 0;
    std::size_t childStart = 0; // offsets into the enclosing span
    std::size_t end = 0;
};

WORD Word(const unsigned char* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}

std::size_t Aligned(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

// Reads the node at offset at of base[0, limit); false when it does not fit.
bool ReadNode(const unsigned char* base, std::size_t at, std::size_t limit, Node& node) {
    if (at + 6 > limit) return false;
    const std::size_t length = Word(base + at);
    if (length < 6 || at + length > limit) return false;
    node.end = at + length;
    node.valueLength = Word(base + at + 2);
    node.type = Word(base + at + 4);
    const std::size_t keyAt = at + 6;
    const void* nul = std::memchr(base + keyAt, 0, node.end - keyAt);
    if (!nul) return false;
    const std::size_t keyEnd = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - base);
    node.key = std::string_view(reinterpret_cast<const char*>(base + keyAt), keyEnd - keyAt);
    const std::size_t valueAt = Aligned(keyEnd + 1);
    if (valueAt > node.end || node.valueLength > node.end - valueAt) return false;
    node.value = base + valueAt;
    node.childStart = Aligned(valueAt + node.valueLength);
    return true;
}

bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

std::mutex programLock;
std::string& ProgramBlock() {
    static auto* block = new std::string;
    return *block;
}

std::string ProgramFileName() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string_view full(path, static_cast<std::size_t>(n));
    const std::size_t slash = full.rfind('/');
    return std::string(slash == std::string_view::npos ? full : full.substr(slash + 1));
}

// The block of another file: a Windows program file's version resource. Only regular files of up
// to 64 MiB are read.
bool FileBlock(const char* fileName, std::string& block) {
    struct stat st{};
    if (!fileName || ::stat(fileName, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > (64 << 20)) return false;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return false;
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return VersionBlockFromImage(bytes, block);
}

bool IsProgramFile(const char* fileName) {
    if (!fileName) return false;
    std::string_view name(fileName);
    const std::size_t sep = name.find_last_of("/\\");
    if (sep != std::string_view::npos) name = name.substr(sep + 1);
    return SameKey(name, ProgramFileName());
}

} // namespace

std::string BuildVersionInfo(const VS_FIXEDFILEINFO& fixed, const std::vector<TVersionStringTable>& tables,
                             const std::vector<DWORD>& translations) {
    std::string children;
    if (!tables.empty()) {
        std::string tableNodes;
        for (const TVersionStringTable& t : tables) {
            std::string strings;
            for (const auto& [name, text] : t.strings) AppendVersionNode(strings, name, text + '\0', 1, {});
            AppendVersionNode(tableNodes, t.langCodePage, {}, 1, strings);
        }
        AppendVersionNode(children, "StringFileInfo", {}, 1, tableNodes);
    }
    if (!translations.empty()) {
        std::string value;
        for (DWORD t : translations)
            for (int i = 0; i < 4; ++i) value += static_cast<char>((t >> (8 * i)) & 0xFF);
        std::string var;
        AppendVersionNode(var, "Translation", value, 0, {});
        AppendVersionNode(children, "VarFileInfo", {}, 1, var);
    }
    std::string fixedBytes(sizeof fixed, '\0');
    std::memcpy(fixedBytes.data(), &fixed, sizeof fixed);
    std::string block;
    AppendVersionNode(block, "VS_VERSION_INFO", fixedBytes, 0, children);
    return block;
}

void SetProgramVersionInfo(const std::string& block) {
    std::lock_guard<std::mutex> g(programLock);
    ProgramBlock() = block;
}

namespace {

// The block for a file: the program's own, or the one in a Windows program file; false and the
// error when there is none.
bool BlockFor(const char* fileName, std::string& block) {
    {
        std::lock_guard<std::mutex> g(programLock);
        if (IsProgramFile(fileName)) {
            block = ProgramBlock();
            if (block.empty()) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return !block.empty();
        }
    }
    struct stat st{};
    if (!fileName || ::stat(fileName, &st) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (!FileBlock(fileName, block)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    return true;
}

} // namespace

DWORD GetFileVersionInfoSize(const char* fileName, DWORD* handle) {
    if (handle) *handle = 0;
    std::string block;
    if (!BlockFor(fileName, block)) return 0;
    return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfo(const char* fileName, DWORD, DWORD len, void* data) {
    std::string block;
    if (!data || !BlockFor(fileName, block)) {
        if (!data) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (len < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

namespace {

struct LanguageName {
    WORD id;
    const char* name;
};

const LanguageName kLanguages[] = {
    {0x0000, "Language Neutral"},
    {0x0405, "Czech"},
    {0x0406, "Danish"},
    {0x0407, "German (Germany)"},
    {0x0408, "Greek"},
    {0x0409, "English (United States)"},
    {0x040A, "Spanish (Traditional Sort)"},
    {0x040B, "Finnish"},
    {0x040C, "French (France)"},
    {0x040E, "Hungarian"},
    {0x0410, "Italian (Italy)"},
    {0x0411, "Japanese"},
    {0x0412, "Korean"},
    {0x0413, "Dutch (Netherlands)"},
    {0x0414, "Norwegian (Bokmal)"},
    {0x0415, "Polish"},
    {0x0416, "Portuguese (Brazil)"},
    {0x0419, "Russian"},
    {0x041D, "Swedish"},
    {0x041F, "Turkish"},
    {0x0804, "Chinese (PRC)"},
    {0x0807, "German (Switzerland)"},
    {0x0809, "English (United Kingdom)"},
    {0x080C, "French (Belgium)"},
    {0x0813, "Dutch (Belgium)"},
    {0x0816, "Portuguese (Portugal)"},
    {0x0C07, "German (Austria)"},
    {0x0C09, "English (Australia)"},
    {0x0C0A, "Spanish (International Sort)"},
    {0x0C0C, "French (Canada)"},
    {0x1009, "English (Canada)"},
};

} // namespace

DWORD VerLanguageName(DWORD language, char* buffer, DWORD size) {
    const char* name = "Unknown language";
    for (const LanguageName& l : kLanguages)
        if (l.id == language) name = l.name;
    const DWORD n = static_cast<DWORD>(std::strlen(name));
    if (!buffer || size == 0) return n;
    const DWORD copied = n < size ? n : size - 1;
    std::memcpy(buffer, name, copied);
    buffer[copied] = '\0';
    return copied;
}

BOOL VerQueryValue(const void* block, const char* subBlock, void** buffer, UINT* len) {
    if (buffer) *buffer = nullptr;
    if (len) *len = 0;
    if (!block || !subBlock) return FALSE;
    const auto* base = static_cast<const unsigned char*>(block);
    // The root's own length bounds everything below it.
    const std::size_t total = Word(base);
    Node node;
    if (!ReadNode(base, 0, total, node)) return FALSE;
    std::string_view path(subBlock);
    while (true) {
        while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
        if (path.empty()) break;
        const std::size_t sep = path.find('\\');
        const std::string_view key = path.substr(0, sep);
        path = sep == std::string_view::npos ? std::string_view() : path.substr(sep);
        bool found = false;
        for (std::size_t at = node.childStart; at < node.end; at = Aligned(at)) {
            Node child;
            if (!ReadNode(base, at, node.end, child)) return FALSE;
            if (SameKey(child.key, key)) {
                node = child;
                found = true;
                break;
            }
            at = child.end;
        }
        if (!found) {
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return FALSE;
        }
    }
    if (node.valueLength == 0) return FALSE;
    // A text is handed out as a C string: it must end inside its node.
    if (node.type == 1 && node.value[node.valueLength - 1] != 0) return FALSE;
    if (buffer) *buffer = const_cast<unsigned char*>(node.value);
    if (len) *len = static_cast<UINT>(node.valueLength);
    return TRUE;
}
