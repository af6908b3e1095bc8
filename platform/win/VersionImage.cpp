// Version blocks inside Windows program files: the PE headers, the section table and the resource
// directory down to the version resource, every offset and size checked against the file; then the
// block, stored there with UTF-16 keys and texts, rewritten in our 8-bit layout.
#include "platform/win/Version.h"

#include "platform/rtl/Win1252.h"
#include "platform/win/Version_p.h"

#include <cstdint>
#include <cstring>

namespace {

class Image {
public:
    explicit Image(std::string_view bytes) : b_(bytes) {}
    bool Has(std::uint64_t at, std::uint64_t n) const { return at <= b_.size() && n <= b_.size() - at; }
    std::uint32_t U16(std::uint64_t at) const {
        return static_cast<unsigned char>(b_[at]) | static_cast<unsigned char>(b_[at + 1]) << 8;
    }
    std::uint32_t U32(std::uint64_t at) const { return U16(at) | U16(at + 2) << 16; }
    std::string_view Slice(std::uint64_t at, std::uint64_t n) const { return b_.substr(at, n); }

private:
    std::string_view b_;
};

struct Section {
    std::uint32_t va, virtualSize, rawSize, rawAt;
};

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kSubdirectory = 0x80000000u;

// The file offset of n bytes at rva, when one section holds them in the file.
bool RvaToOffset(const Image& img, const std::vector<Section>& sections, std::uint32_t rva, std::uint32_t n,
                 std::uint64_t& offset) {
    for (const Section& s : sections) {
        if (rva < s.va) continue;
        const std::uint64_t into = rva - s.va;
        if (into + n > s.rawSize) continue;
        offset = std::uint64_t{s.rawAt} + into;
        return img.Has(offset, n);
    }
    return false;
}

// The first entry of the directory at dir (offset in the file) with the id, or the first of all
// when id is 0; its OffsetToData word.
bool DirectoryEntry(const Image& img, std::uint64_t rsrc, std::uint64_t rsrcEnd, std::uint64_t dir,
                    std::uint32_t id, std::uint32_t& target) {
    if (dir < rsrc || !img.Has(dir, 16) || dir + 16 > rsrcEnd) return false;
    const std::uint64_t count = std::uint64_t{img.U16(dir + 12)} + img.U16(dir + 14);
    const std::uint64_t entries = dir + 16;
    if (!img.Has(entries, count * 8) || entries + count * 8 > rsrcEnd) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint32_t name = img.U32(entries + i * 8);
        if (id != 0 && name != id) continue;
        target = img.U32(entries + i * 8 + 4);
        return true;
    }
    return false;
}

// --- the UTF-16 block ---

std::uint64_t AlignUp(std::uint64_t n) {
    return (n + 3) & ~std::uint64_t{3};
}

// Rewrites the wide node at `at` (offsets relative to the block at `base`) into out; false when it
// does not fit inside its parent.
bool ConvertNode(const Image& img, std::uint64_t base, std::uint64_t at, std::uint64_t limit, std::string& out,
                 int depth) {
    if (depth > 8 || at + 6 > limit) return false;
    const std::uint64_t length = img.U16(base + at);
    std::uint64_t valueLength = img.U16(base + at + 2);
    const std::uint32_t type = img.U16(base + at + 4);
    if (length < 6 || at + length > limit) return false;
    const std::uint64_t end = at + length;
    std::u16string key;
    std::uint64_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > end) return false;
        const char16_t c = static_cast<char16_t>(img.U16(base + p));
        if (c == 0) break;
        key += c;
    }
    const std::uint64_t valueAt = AlignUp(p + 2);
    // Texts count their length in characters, binary values in bytes.
    const std::uint64_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
    if (valueAt > end || valueBytes > end - valueAt) return false;
    std::string value;
    if (type == 1) {
        std::u16string text;
        for (std::uint64_t i = 0; i < valueLength; ++i) {
            const char16_t c = static_cast<char16_t>(img.U16(base + valueAt + 2 * i));
            if (c == 0) break;
            text += c;
        }
        if (valueLength > 0) value = Utf16ToWin1252(text) + '\0';
    } else {
        value = std::string(img.Slice(base + valueAt, valueBytes));
    }
    std::string children;
    for (std::uint64_t c = AlignUp(valueAt + valueBytes); c + 6 <= end;) {
        const std::uint64_t childLength = img.U16(base + c);
        if (childLength == 0) break; // padding at the end of a node
        if (!ConvertNode(img, base, c, end, children, depth + 1)) return false;
        c = AlignUp(c + childLength);
    }
    AppendVersionNode(out, Utf16ToWin1252(key), value, static_cast<WORD>(type), children);
    return true;
}

} // namespace

bool VersionBlockFromImage(std::string_view file, std::string& block) {
    block.clear();
    const Image img(file);
    if (!img.Has(0, 64) || file[0] != 'M' || file[1] != 'Z') return false;
    const std::uint64_t pe = img.U32(0x3C);
    if (!img.Has(pe, 24) || img.Slice(pe, 4) != std::string_view("PE\0\0", 4)) return false;
    const std::uint32_t sectionCount = img.U16(pe + 6);
    const std::uint32_t optionalSize = img.U16(pe + 20);
    const std::uint64_t opt = pe + 24;
    if (!img.Has(opt, optionalSize) || optionalSize < 2) return false;
    const std::uint32_t magic = img.U16(opt);
    std::uint64_t dirCountAt, dirsAt;
    if (magic == 0x10B) {
        dirCountAt = 92;
        dirsAt = 96;
    } else if (magic == 0x20B) {
        dirCountAt = 108;
        dirsAt = 112;
    } else {
        return false;
    }
    if (optionalSize < dirsAt + 3 * 8 || img.U32(opt + dirCountAt) < 3) return false;
    const std::uint32_t rsrcRva = img.U32(opt + dirsAt + 2 * 8);
    const std::uint32_t rsrcSize = img.U32(opt + dirsAt + 2 * 8 + 4);
    if (rsrcRva == 0 || rsrcSize < 16) return false;

    const std::uint64_t table = opt + optionalSize;
    if (!img.Has(table, std::uint64_t{sectionCount} * 40)) return false;
    std::vector<Section> sections;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t s = table + std::uint64_t{i} * 40;
        sections.push_back({img.U32(s + 12), img.U32(s + 8), img.U32(s + 16), img.U32(s + 20)});
    }
    std::uint64_t rsrc = 0;
    if (!RvaToOffset(img, sections, rsrcRva, rsrcSize, rsrc)) return false;
    const std::uint64_t rsrcEnd = rsrc + rsrcSize;

    // Type, then name, then language: the version resource of the first name and language.
    std::uint32_t entry = 0;
    if (!DirectoryEntry(img, rsrc, rsrcEnd, rsrc, kRtVersion, entry) || !(entry & kSubdirectory)) return false;
    if (!DirectoryEntry(img, rsrc, rsrcEnd, rsrc + (entry & ~kSubdirectory), 0, entry) || !(entry & kSubdirectory))
        return false;
    if (!DirectoryEntry(img, rsrc, rsrcEnd, rsrc + (entry & ~kSubdirectory), 0, entry) || (entry & kSubdirectory))
        return false;
    const std::uint64_t leaf = rsrc + entry;
    if (!img.Has(leaf, 16) || leaf + 16 > rsrcEnd) return false;
    const std::uint32_t dataRva = img.U32(leaf);
    const std::uint32_t dataSize = img.U32(leaf + 4);
    std::uint64_t data = 0;
    if (dataSize < 6 || !RvaToOffset(img, sections, dataRva, dataSize, data)) return false;
    std::string converted;
    if (!ConvertNode(img, data, 0, dataSize, converted, 0)) return false;
    block = std::move(converted);
    return true;
}
