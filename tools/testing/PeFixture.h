#pragma once
// Windows program files for the version-reading tests, made here byte by byte: a version block in
// the UTF-16 layout programs carry, and a small PE image (32- or 64-bit headers) holding it as its
// only resource. Offsets of the pieces are exposed so tests can spoil them one at a time.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pe_fixture {

inline void Put16(std::string& s, std::size_t at, std::uint32_t v) {
    if (s.size() < at + 2) s.resize(at + 2, '\0');
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::size_t at, std::uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}
inline void Align4(std::string& s) {
    while (s.size() % 4) s += '\0';
}
inline std::string Wide(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// One node: key, then a text (type 1, length counted in characters) or binary value, then children.
struct Node {
    std::string key;
    bool text = false;
    std::string value; // the text in ASCII, or the binary bytes
    std::vector<Node> children;
};

inline std::string Bytes(const Node& n) {
    std::string out(6, '\0');
    out += Wide(n.key);
    out += std::string(2, '\0');
    Align4(out);
    std::uint32_t valueLength = 0;
    if (n.text) {
        out += Wide(n.value) + std::string(2, '\0');
        valueLength = static_cast<std::uint32_t>(n.value.size() + 1);
    } else {
        out += n.value;
        valueLength = static_cast<std::uint32_t>(n.value.size());
    }
    for (const Node& c : n.children) {
        Align4(out);
        out += Bytes(c);
    }
    Put16(out, 0, static_cast<std::uint32_t>(out.size()));
    Put16(out, 2, valueLength);
    Put16(out, 4, n.text ? 1 : 0);
    return out;
}

// The fixed information's 52 bytes: signature, structure version, versions, flags.
inline std::string Fixed(std::uint32_t fileFlags, std::uint32_t fileVersionMS = 0x00010002,
                         std::uint32_t fileVersionLS = 0x00030004) {
    std::string f(52, '\0');
    const std::uint32_t words[13] = {0xFEEF04BD, 0x00010000, fileVersionMS, fileVersionLS, fileVersionMS,
                                     fileVersionLS, 0x3F,   fileFlags,     0x00040004,    1, 0, 0, 0};
    for (int i = 0; i < 13; ++i) Put32(f, static_cast<std::size_t>(i) * 4, words[i]);
    return f;
}

// A whole block: the strings under one table name, and the translations (language in the low word).
inline std::string VersionBlock(std::uint32_t fileFlags, const std::string& table,
                                const std::vector<std::pair<std::string, std::string>>& strings,
                                const std::vector<std::uint32_t>& translations) {
    Node root{"VS_VERSION_INFO", false, Fixed(fileFlags), {}};
    if (!table.empty()) {
        Node t{table, false, "", {}};
        for (const auto& [k, v] : strings) t.children.push_back(Node{k, true, v, {}});
        root.children.push_back(Node{"StringFileInfo", false, "", {t}});
    }
    if (!translations.empty()) {
        std::string value;
        for (std::uint32_t tr : translations) {
            const std::size_t at = value.size();
            Put32(value, at, tr);
        }
        root.children.push_back(Node{"VarFileInfo", false, "", {Node{"Translation", false, value, {}}}});
    }
    return Bytes(root);
}

// Where the pieces of an image lie.
struct Layout {
    std::size_t peHeader = 0x80;
    std::size_t optionalHeader = 0x98;
    std::size_t resourceDirectoryEntry = 0; // RVA and size of the resource directory
    std::size_t sectionTable = 0;
    std::size_t resources = 0x200;          // file offset of the resource section
    std::size_t typeEntry = 0x200 + 16;     // the root directory's one entry
    std::size_t dataEntry = 0x200 + 0x48;   // the resource's data entry
    std::size_t block = 0x200 + 0x58;
};

// A PE image whose only resource is the version block (type 16, id 1, language 0x409).
inline std::string Image(const std::string& versionBlock, bool pe32plus = false, Layout* layout = nullptr) {
    Layout l;
    const std::uint32_t optionalSize = pe32plus ? 240 : 224;
    const std::size_t dirs = l.optionalHeader + (pe32plus ? 112 : 96);
    l.resourceDirectoryEntry = dirs + 2 * 8;
    l.sectionTable = l.optionalHeader + optionalSize;
    std::string f(0x200, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    Put32(f, 0x3C, static_cast<std::uint32_t>(l.peHeader));
    f.replace(l.peHeader, 4, std::string("PE\0\0", 4));
    Put16(f, l.peHeader + 4, pe32plus ? 0x8664 : 0x14C);
    Put16(f, l.peHeader + 6, 1);
    Put16(f, l.peHeader + 20, optionalSize);
    Put16(f, l.peHeader + 22, 0x0102);
    Put16(f, l.optionalHeader, pe32plus ? 0x20B : 0x10B);
    Put32(f, l.optionalHeader + (pe32plus ? 108 : 92), 16);
    const std::uint32_t rva = 0x1000;
    const std::uint32_t rsrcSize = static_cast<std::uint32_t>(0x58 + versionBlock.size());
    Put32(f, l.resourceDirectoryEntry, rva);
    Put32(f, l.resourceDirectoryEntry + 4, rsrcSize);
    f.replace(l.sectionTable, 6, ".rsrc\0", 6);
    Put32(f, l.sectionTable + 8, rsrcSize);
    Put32(f, l.sectionTable + 12, rva);
    Put32(f, l.sectionTable + 16, (rsrcSize + 0x1FF) & ~0x1FFu);
    Put32(f, l.sectionTable + 20, static_cast<std::uint32_t>(l.resources));

    std::string r(0x58, '\0');
    Put16(r, 14, 1);                      // root: one id entry
    Put32(r, 16, 16);                     // RT_VERSION
    Put32(r, 20, 0x80000000u | 0x18);
    Put16(r, 0x18 + 14, 1);               // names: id 1
    Put32(r, 0x18 + 16, 1);
    Put32(r, 0x18 + 20, 0x80000000u | 0x30);
    Put16(r, 0x30 + 14, 1);               // languages: 0x409
    Put32(r, 0x30 + 16, 0x409);
    Put32(r, 0x30 + 20, 0x48);
    Put32(r, 0x48, rva + 0x58);           // data entry: RVA and size
    Put32(r, 0x48 + 4, static_cast<std::uint32_t>(versionBlock.size()));
    r += versionBlock;
    r.resize((r.size() + 0x1FF) & ~std::size_t{0x1FF}, '\0');
    f += r;
    if (layout) *layout = l;
    return f;
}

} // namespace pe_fixture
