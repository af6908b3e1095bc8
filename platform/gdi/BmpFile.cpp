#include "platform/gdi/BmpFile.h"

#include "platform/gdi/Objects_p.h"

#include <algorithm>
#include <cstring>

using namespace gdi;

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;

// Reads little-endian fields only inside [data, data + size).
class Bytes {
public:
    Bytes(const void* data, std::size_t size) : p_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    std::size_t Size() const { return size_; }
    bool Has(std::size_t offset, std::size_t n) const { return offset <= size_ && n <= size_ - offset; }
    std::uint8_t U8(std::size_t o) const { return p_[o]; }
    std::uint16_t U16(std::size_t o) const { return static_cast<std::uint16_t>(p_[o] | (p_[o + 1] << 8)); }
    std::uint32_t U32(std::size_t o) const {
        return p_[o] | (p_[o + 1] << 8) | (p_[o + 2] << 16) | (static_cast<std::uint32_t>(p_[o + 3]) << 24);
    }
    const std::uint8_t* At(std::size_t o) const { return p_ + o; }

private:
    const std::uint8_t* p_;
    std::size_t size_;
};

struct Header {
    std::size_t headerSize = 0;
    long long width = 0;
    long long height = 0; // absolute
    bool topDown = false;
    int bpp = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[3] = {};
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
};

bool Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

bool ReadHeader(const Bytes& b, Header& h, std::string* error) {
    if (!b.Has(0, kFileHeaderSize + 4)) return Fail(error, "file too short for a BMP header");
    if (b.U8(0) != 'B' || b.U8(1) != 'M') return Fail(error, "not a BMP file");
    h.headerSize = b.U32(kFileHeaderSize);
    const std::size_t hs = h.headerSize, at = kFileHeaderSize;
    if (hs == kCoreHeaderSize) {
        if (!b.Has(at, hs)) return Fail(error, "BMP header truncated");
        h.width = b.U16(at + 4);
        h.height = b.U16(at + 6);
        h.bpp = b.U16(at + 10);
        h.paletteEntrySize = 3;
        h.paletteOffset = at + hs;
        return true;
    }
    if (hs != 40 && hs != 52 && hs != 56 && hs != 108 && hs != 124)
        return Fail(error, "unknown BMP header size");
    if (!b.Has(at, hs)) return Fail(error, "BMP header truncated");
    h.width = static_cast<std::int32_t>(b.U32(at + 4));
    const long long height = static_cast<std::int32_t>(b.U32(at + 8));
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.bpp = b.U16(at + 14);
    h.compression = b.U32(at + 16);
    h.sizeImage = b.U32(at + 20);
    h.colorsUsed = b.U32(at + 32);
    h.paletteOffset = at + hs;
    if (h.compression == BI_BITFIELDS) {
        std::size_t maskAt = at + kInfoHeaderSize;
        if (hs == kInfoHeaderSize) {
            if (!b.Has(maskAt, 12)) return Fail(error, "BMP bit masks truncated");
            h.paletteOffset += 12;
        }
        for (int i = 0; i < 3; ++i) h.masks[i] = b.U32(maskAt + 4 * static_cast<std::size_t>(i));
    }
    return true;
}

// A bit field of a pixel scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    bool Init(std::uint32_t m) {
        if (m == 0) return false;
        mask = m;
        shift = 0;
        while (((m >> shift) & 1) == 0) ++shift;
        std::uint32_t v = m >> shift;
        bits = 0;
        while (v & 1) {
            ++bits;
            v >>= 1;
        }
        return v == 0; // contiguous
    }
    std::uint32_t Get(std::uint32_t px) const {
        const std::uint32_t v = (px & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        const std::uint32_t max = (1u << bits) - 1;
        return (v * 255 + max / 2) / max;
    }
};

bool DecodeRle(const Bytes& b, std::size_t begin, std::size_t end, const Header& h, Surface& s,
               std::string* error) {
    const bool rle4 = h.compression == BI_RLE4;
    long long x = 0, y = 0; // y counts rows from the bottom
    std::size_t p = begin;
    auto put = [&](std::uint32_t v) {
        if (x < h.width && y < h.height) s.Set(static_cast<int>(x), static_cast<int>(h.height - 1 - y), v);
        ++x;
    };
    while (p < end) {
        if (end - p < 2) return Fail(error, "RLE data truncated");
        const std::uint8_t count = b.U8(p), value = b.U8(p + 1);
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(rle4 ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (end - p < 2) return Fail(error, "RLE data truncated");
            x += b.U8(p);
            y += b.U8(p + 1);
            p += 2;
        } else {
            const std::size_t bytes = rle4 ? (static_cast<std::size_t>(value) + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (end - p < bytes) return Fail(error, "RLE data truncated");
            for (int i = 0; i < value; ++i) {
                const std::uint8_t byte =
                    b.U8(p + (rle4 ? static_cast<std::size_t>(i) / 2 : static_cast<std::size_t>(i)));
                put(rle4 ? ((i & 1) ? (byte & 0x0F) : (byte >> 4)) : byte);
            }
            p += std::min(padded, end - p);
        }
        if (y >= h.height) return true;
    }
    return true;
}

std::shared_ptr<Surface> Decode(const Bytes& b, std::string* error) {
    Header h;
    if (!ReadHeader(b, h, error)) return nullptr;
    if (h.width <= 0 || h.height <= 0) return Fail(error, "BMP has no pixels"), nullptr;
    if (h.width > kMaxSurfaceSide || h.height > kMaxSurfaceSide) return Fail(error, "BMP too large"), nullptr;

    const std::uint32_t c = h.compression;
    const int bpp = h.bpp;
    const bool rle = c == BI_RLE8 || c == BI_RLE4;
    if (c == BI_RGB) {
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
            return Fail(error, "unsupported BMP depth"), nullptr;
    } else if (c == BI_RLE8) {
        if (bpp != 8) return Fail(error, "RLE8 needs 8 bits per pixel"), nullptr;
    } else if (c == BI_RLE4) {
        if (bpp != 4) return Fail(error, "RLE4 needs 4 bits per pixel"), nullptr;
    } else if (c == BI_BITFIELDS) {
        if (bpp != 16 && bpp != 32) return Fail(error, "bit fields need 16 or 32 bits per pixel"), nullptr;
    } else {
        return Fail(error, "unsupported BMP compression"), nullptr;
    }
    if (rle && h.topDown) return Fail(error, "compressed BMP cannot be top-down"), nullptr;

    Channel channels[3];
    const bool fields = bpp == 16 || (bpp == 32 && c == BI_BITFIELDS);
    if (fields) {
        const std::uint32_t defaults[3] = {0x7C00, 0x03E0, 0x001F};
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t m = c == BI_BITFIELDS ? h.masks[i] : defaults[i];
            if (bpp == 16 && (m >> 16) != 0) return Fail(error, "bit mask outside the pixel"), nullptr;
            if (!channels[i].Init(m)) return Fail(error, "bad bit mask"), nullptr;
        }
    }

    // The colour table, only as far as the file holds it.
    std::vector<RGBQUAD> palette;
    std::size_t paletteEnd = h.paletteOffset;
    if (bpp <= 8) {
        const std::uint32_t full = 1u << bpp;
        const std::uint32_t n = (h.colorsUsed == 0 || h.colorsUsed > full) ? full : h.colorsUsed;
        if (!b.Has(h.paletteOffset, static_cast<std::size_t>(n) * h.paletteEntrySize))
            return Fail(error, "BMP colour table truncated"), nullptr;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::size_t at = h.paletteOffset + i * h.paletteEntrySize;
            palette.push_back(RGBQUAD{b.U8(at), b.U8(at + 1), b.U8(at + 2), 0});
        }
        palette.resize(full); // indices past the table read as black
        paletteEnd = h.paletteOffset + static_cast<std::size_t>(n) * h.paletteEntrySize;
    }

    std::size_t offset = b.U32(10);
    if (offset == 0) offset = paletteEnd;
    if (offset < h.paletteOffset || offset > b.Size()) return Fail(error, "bad BMP pixel offset"), nullptr;

    // Uncompressed pixels must all be present before anything is allocated for them.
    const std::size_t available = b.Size() - offset;
    const std::size_t stride =
        static_cast<std::size_t>(Surface::StrideFor(static_cast<int>(h.width), bpp, 4));
    if (!rle && stride * static_cast<std::size_t>(h.height) > available)
        return Fail(error, "BMP pixel data truncated"), nullptr;

    const int surfaceBpp = fields ? 32 : bpp;
    std::shared_ptr<Surface> s =
        Surface::Create(static_cast<int>(h.width), static_cast<int>(h.height), surfaceBpp, h.topDown, true);
    if (!s) return Fail(error, "BMP too large"), nullptr;
    if (bpp <= 8) {
        s->Palette() = palette;
        s->PaletteChanged();
    }

    if (rle) {
        std::size_t length = available;
        if (h.sizeImage != 0) length = std::min<std::size_t>(length, h.sizeImage);
        if (!DecodeRle(b, offset, offset + length, h, *s, error)) return nullptr;
        return s;
    }
    for (long long row = 0; row < h.height; ++row) {
        // File rows run in the file's order, which the surface keeps.
        const std::uint8_t* src = b.At(offset + static_cast<std::size_t>(row) * stride);
        const int y = h.topDown ? static_cast<int>(row) : static_cast<int>(h.height - 1 - row);
        if (!fields) {
            std::memcpy(s->Row(y), src, std::min<std::size_t>(stride, static_cast<std::size_t>(s->Stride())));
            continue;
        }
        for (long long x = 0; x < h.width; ++x) {
            const std::uint32_t px = bpp == 16
                                         ? static_cast<std::uint32_t>(src[x * 2] | (src[x * 2 + 1] << 8))
                                         : (src[x * 4] | (src[x * 4 + 1] << 8) | (src[x * 4 + 2] << 16) |
                                            (static_cast<std::uint32_t>(src[x * 4 + 3]) << 24));
            s->Set(static_cast<int>(x), y,
                   (channels[0].Get(px) << 16) | (channels[1].Get(px) << 8) | channels[2].Get(px));
        }
    }
    return s;
}

} // namespace

void GdiPut16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void GdiPut32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    GdiPut16(out, v & 0xFFFF);
    GdiPut16(out, v >> 16);
}

HBITMAP GdiReadBmp(const void* data, std::size_t size, std::string* error) {
    if (!data) {
        if (error) *error = "no data";
        return nullptr;
    }
    std::shared_ptr<Surface> s = Decode(Bytes(data, size), error);
    if (!s) return nullptr;
    auto object = std::make_shared<BitmapObject>();
    object->surface = std::move(s);
    return static_cast<HBITMAP>(Register(object));
}

bool GdiWriteBmp(HBITMAP bitmap, std::vector<std::uint8_t>& out) {
    std::shared_ptr<BitmapObject> b = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
    if (!b) return false;
    const Surface& s = *b->surface;
    const int bpp = s.Bpp();
    const std::uint32_t colors = bpp <= 8 ? (1u << bpp) : 0;
    const std::size_t stride = static_cast<std::size_t>(Surface::StrideFor(s.Width(), bpp, 4));
    const std::size_t rowBytes =
        (static_cast<std::size_t>(s.Width()) * static_cast<std::size_t>(bpp) + 7) / 8;
    // 5-6-5 pixels need their masks after the header.
    const std::size_t masks = s.Green6() ? 12 : 0;
    const std::size_t offBits = kFileHeaderSize + kInfoHeaderSize + masks + colors * 4;
    const std::size_t total = offBits + stride * static_cast<std::size_t>(s.Height());
    out.clear();
    out.reserve(total);
    out.push_back('B');
    out.push_back('M');
    GdiPut32(out, static_cast<std::uint32_t>(total));
    GdiPut32(out, 0);
    GdiPut32(out, static_cast<std::uint32_t>(offBits));
    GdiPut32(out, kInfoHeaderSize);
    GdiPut32(out, static_cast<std::uint32_t>(s.Width()));
    GdiPut32(out, static_cast<std::uint32_t>(s.Height()));
    GdiPut16(out, 1);
    GdiPut16(out, static_cast<std::uint32_t>(bpp));
    GdiPut32(out, masks ? BI_BITFIELDS : BI_RGB);
    GdiPut32(out, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(s.Height())));
    GdiPut32(out, 0);
    GdiPut32(out, 0);
    GdiPut32(out, 0);
    GdiPut32(out, 0);
    if (masks) {
        GdiPut32(out, 0xF800);
        GdiPut32(out, 0x7E0);
        GdiPut32(out, 0x1F);
    }
    for (std::uint32_t i = 0; i < colors; ++i) {
        const RGBQUAD q = i < s.Palette().size() ? s.Palette()[i] : RGBQUAD{};
        out.push_back(q.rgbBlue);
        out.push_back(q.rgbGreen);
        out.push_back(q.rgbRed);
        out.push_back(0);
    }
    for (int y = s.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = s.Row(y);
        out.insert(out.end(), row, row + rowBytes);
        out.insert(out.end(), stride - rowBytes, 0);
    }
    return true;
}
