#include "platform/gdi/Bitmap.h"

#include "platform/gdi/Raster.h"
#include "platform/gdi/Raster_p.h"

#include <algorithm>
#include <cstring>

using namespace gdi;

namespace {

HBITMAP NewBitmap(std::shared_ptr<Surface> surface) {
    if (!surface) return nullptr;
    auto object = std::make_shared<BitmapObject>();
    object->surface = std::move(surface);
    return static_cast<HBITMAP>(Register(object));
}

std::shared_ptr<BitmapObject> FindBitmap(HBITMAP handle) {
    return LookupAs<BitmapObject>(handle, OBJ_BITMAP);
}

struct DibFormat {
    int width = 0;
    int height = 0;
    int bpp = 0;
    bool topDown = false;
    bool green6 = false;
    std::vector<RGBQUAD> palette;
};

// The format a caller's BITMAPINFO describes (uncompressed only; BI_BITFIELDS only with the
// standard 32-bit masks or the 5-5-5 and 5-6-5 masks of 16 bits).
bool ParseInfo(const BITMAPINFO* info, DibFormat& f) {
    if (!info) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER)) return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == LONG{INT32_MIN}) return false;
    f.bpp = h.biBitCount;
    if (f.bpp != 1 && f.bpp != 4 && f.bpp != 8 && f.bpp != 16 && f.bpp != 24 && f.bpp != 32) return false;
    const auto* colors = reinterpret_cast<const std::uint8_t*>(info) + h.biSize;
    if (h.biCompression == BI_BITFIELDS) {
        DWORD masks[3];
        std::memcpy(masks, colors, sizeof masks);
        if (f.bpp == 16) {
            f.green6 = masks[0] == 0xF800 && masks[1] == 0x7E0 && masks[2] == 0x1F;
            if (!f.green6 && (masks[0] != 0x7C00 || masks[1] != 0x3E0 || masks[2] != 0x1F)) return false;
        } else if (f.bpp != 32 || masks[0] != 0xFF0000 || masks[1] != 0xFF00 || masks[2] != 0xFF) {
            return false;
        }
    } else if (h.biCompression != BI_RGB) {
        return false;
    }
    f.width = h.biWidth;
    f.topDown = h.biHeight < 0;
    f.height = f.topDown ? -h.biHeight : h.biHeight;
    if (f.bpp <= 8) {
        const DWORD full = 1u << f.bpp;
        const DWORD n = (h.biClrUsed == 0 || h.biClrUsed > full) ? full : h.biClrUsed;
        f.palette.resize(n);
        std::memcpy(f.palette.data(), colors, n * sizeof(RGBQUAD));
        f.palette.resize(full); // unused entries black
    }
    return true;
}

std::shared_ptr<Surface> SurfaceFor(const DibFormat& f, int rows) {
    std::shared_ptr<Surface> s = Surface::Create(f.width, rows, f.bpp, f.topDown, true, f.green6);
    if (s && f.bpp <= 8) {
        s->Palette() = f.palette;
        s->PaletteChanged();
    }
    return s;
}

int RowBytes(int width, int bpp) {
    return static_cast<int>((static_cast<long long>(width) * bpp + 7) / 8);
}

std::shared_ptr<DeviceContext> MemoryDcWithDib(HDC dc) {
    std::shared_ptr<DeviceContext> d = LookupDc(dc);
    if (!d || !d->IsMemory() || !d->st.bitmap->surface->IsDib() || !d->st.bitmap->surface->Indexed())
        return nullptr;
    return d;
}

} // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (width < 0 || height < 0 || planes != 1) return nullptr;
    if (width == 0 || height == 0) return NewBitmap(Surface::Create(1, 1, 1, true, false));
    std::shared_ptr<Surface> s = Surface::Create(width, height, static_cast<int>(bitsPerPixel), true, false);
    if (!s) return nullptr;
    if (bits) std::memcpy(s->Bits(), bits, s->BitsSize());
    return NewBitmap(s);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) return NewBitmap(Surface::Create(1, 1, 1, true, false));
    int bpp = 32;
    bool green6 = false;
    const std::vector<RGBQUAD>* palette = nullptr;
    if (dc) {
        std::shared_ptr<DeviceContext> d = LookupDc(dc);
        if (!d) return nullptr;
        if (d->IsMemory()) {
            bpp = d->st.bitmap->surface->Bpp();
            green6 = d->st.bitmap->surface->Green6();
            palette = &d->st.bitmap->surface->Palette();
        }
    }
    std::shared_ptr<Surface> s = Surface::Create(width, height, bpp, true, false, green6);
    if (!s) return nullptr;
    if (palette && bpp > 1 && bpp <= 8) {
        s->Palette() = *palette;
        s->PaletteChanged();
    }
    return NewBitmap(s);
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
    if (bits) *bits = nullptr;
    if (usage != DIB_RGB_COLORS || section != 0) return nullptr;
    if (dc && !LookupDc(dc)) return nullptr;
    DibFormat f;
    if (!ParseInfo(info, f)) return nullptr;
    std::shared_ptr<Surface> s = SurfaceFor(f, f.height);
    if (!s) return nullptr;
    if (bits) *bits = s->Bits();
    return NewBitmap(s);
}

LONG GetBitmapBits(HBITMAP bitmap, LONG bytes, void* bits) {
    std::shared_ptr<BitmapObject> b = FindBitmap(bitmap);
    if (!b || bytes < 0) return 0;
    const Surface& s = *b->surface;
    const int stride = Surface::StrideFor(s.Width(), s.Bpp(), 2);
    const long long total = static_cast<long long>(stride) * s.Height();
    if (!bits) return static_cast<LONG>(total);
    const int rowBytes = RowBytes(s.Width(), s.Bpp());
    auto* out = static_cast<std::uint8_t*>(bits);
    long long written = 0;
    for (int y = 0; y < s.Height() && written < bytes; ++y) {
        const long long n = std::min<long long>(stride, bytes - written);
        std::memset(out + written, 0, static_cast<std::size_t>(n));
        std::memcpy(out + written, s.Row(y), static_cast<std::size_t>(std::min<long long>(n, rowBytes)));
        written += n;
    }
    return static_cast<LONG>(written);
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD bytes, const void* bits) {
    std::shared_ptr<BitmapObject> b = FindBitmap(bitmap);
    if (!b || !bits) return 0;
    Surface& s = *b->surface;
    const int stride = Surface::StrideFor(s.Width(), s.Bpp(), 2);
    const int rowBytes = RowBytes(s.Width(), s.Bpp());
    const auto* in = static_cast<const std::uint8_t*>(bits);
    long long read = 0;
    for (int y = 0; y < s.Height() && read + stride <= static_cast<long long>(bytes); ++y) {
        std::memcpy(s.Row(y), in + read, static_cast<std::size_t>(rowBytes));
        read += stride;
    }
    return static_cast<LONG>(read);
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
    std::shared_ptr<BitmapObject> b = FindBitmap(bitmap);
    if (!b || !info || !LookupDc(dc) || usage != DIB_RGB_COLORS) return 0;
    const Surface& s = *b->surface;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    if (h.biBitCount == 0) {
        h.biWidth = s.Width();
        h.biHeight = s.Height();
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(s.Bpp());
        h.biCompression = s.Green6() ? BI_BITFIELDS : BI_RGB;
        h.biSizeImage =
            static_cast<DWORD>(Surface::StrideFor(s.Width(), s.Bpp(), 4)) * static_cast<DWORD>(s.Height());
        return 1;
    }
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
    if (h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0) return 0;
    // The colour table of the result: the bitmap's own when the depth matches, else the default.
    std::vector<RGBQUAD> palette;
    if (bpp <= 8) {
        palette = (s.Bpp() == bpp) ? s.Palette() : Surface::DefaultPalette(bpp);
        palette.resize(std::size_t{1} << bpp);
        auto* colors = reinterpret_cast<std::uint8_t*>(info) + h.biSize;
        std::memcpy(colors, palette.data(), palette.size() * sizeof(RGBQUAD));
        h.biClrUsed = 0;
    }
    const int width = h.biWidth;
    const bool topDown = h.biHeight < 0;
    const int stride = Surface::StrideFor(width, bpp, 4);
    h.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(topDown ? -h.biHeight : h.biHeight);
    if (!bits) return 1;
    if (start >= static_cast<UINT>(s.Height())) return 0;
    const UINT count = std::min<UINT>(lines, static_cast<UINT>(s.Height()) - start);
    auto* out = static_cast<std::uint8_t*>(bits);
    if (bpp == 24 && s.Bpp() == 24) {
        // The same layout: whole rows are copied, and what lies past the bitmap's width is zero.
        const std::size_t used = static_cast<std::size_t>(std::min(width, s.Width())) * static_cast<std::size_t>(bpp / 8);
        for (UINT i = 0; i < count; ++i) {
            const int line = static_cast<int>(start + i);
            const int y = topDown ? line : s.Height() - 1 - line;
            std::uint8_t* to = out + static_cast<std::size_t>(i) * static_cast<std::size_t>(stride);
            std::memcpy(to, s.Row(y), used);
            std::memset(to + used, 0, static_cast<std::size_t>(stride) - used);
        }
        return static_cast<int>(count);
    }
    // A one-row surface of the requested format converts each row.
    std::shared_ptr<Surface> row = Surface::Create(width, 1, bpp, true, true);
    if (!row) return 0;
    if (bpp <= 8) {
        row->Palette() = palette;
        row->PaletteChanged();
    }
    for (UINT i = 0; i < count; ++i) {
        const int line = static_cast<int>(start + i);
        const int y = topDown ? line : s.Height() - 1 - line;
        std::memset(row->Bits(), 0, row->BitsSize());
        for (int x = 0; x < std::min(width, s.Width()); ++x)
            row->Set(x, 0, row->ToDevice(s.ToColor(s.Get(x, y))));
        std::memcpy(out + static_cast<std::size_t>(i) * static_cast<std::size_t>(stride), row->Bits(),
                    static_cast<std::size_t>(stride));
    }
    return static_cast<int>(count);
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
    std::shared_ptr<BitmapObject> b = FindBitmap(bitmap);
    if (!b || !bits || usage != DIB_RGB_COLORS || (dc && !LookupDc(dc))) return 0;
    DibFormat f;
    if (!ParseInfo(info, f)) return 0;
    Surface& s = *b->surface;
    if (start >= static_cast<UINT>(f.height)) return 0;
    const UINT count = std::min<UINT>(lines, static_cast<UINT>(f.height) - start);
    std::shared_ptr<Surface> src = SurfaceFor(f, static_cast<int>(count));
    if (!src) return 0;
    std::memcpy(src->Bits(), bits, src->BitsSize());
    for (UINT i = 0; i < count; ++i) {
        // Line numbers count from the bottom of a bottom-up DIB.
        const int line = static_cast<int>(start + i);
        const int y = f.topDown ? line : s.Height() - 1 - line;
        const int srcY = f.topDown ? static_cast<int>(i) : static_cast<int>(count) - 1 - static_cast<int>(i);
        if (y < 0 || y >= s.Height()) continue;
        for (int x = 0; x < std::min(f.width, s.Width()); ++x)
            s.Set(x, y, s.ToDevice(src->ToColor(src->Get(x, srcY))));
    }
    return static_cast<int>(count);
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
    if (!bits || usage != DIB_RGB_COLORS || !LookupDc(dc)) return 0;
    DibFormat f;
    if (!ParseInfo(info, f)) return 0;
    std::shared_ptr<Surface> src = SurfaceFor(f, f.height);
    if (!src) return 0;
    std::memcpy(src->Bits(), bits, src->BitsSize());
    HBITMAP temp = NewBitmap(src);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, temp);
    // The source origin of a bottom-up DIB is its lower-left corner.
    const int top = f.topDown ? ySrc : f.height - ySrc - srcHeight;
    const BOOL ok =
        StretchBlt(dc, xDest, yDest, destWidth, destHeight, memory, xSrc, top, srcWidth, srcHeight, rop);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(temp);
    return ok ? std::abs(destHeight) : 0;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
    std::shared_ptr<DeviceContext> d = MemoryDcWithDib(dc);
    if (!d || !colors) return 0;
    const std::vector<RGBQUAD>& pal = d->st.bitmap->surface->Palette();
    if (start >= pal.size()) return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(pal.size()) - start);
    std::copy_n(pal.begin() + start, n, colors);
    return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
    std::shared_ptr<DeviceContext> d = MemoryDcWithDib(dc);
    if (!d || !colors) return 0;
    Surface& s = *d->st.bitmap->surface;
    if (start >= s.Palette().size()) return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(s.Palette().size()) - start);
    std::copy_n(colors, n, s.Palette().begin() + start);
    s.PaletteChanged();
    return n;
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palNumEntries == 0) return nullptr;
    auto object = std::make_shared<PaletteObject>();
    object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return static_cast<HPALETTE>(Register(object));
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    std::shared_ptr<DeviceContext> d = LookupDc(dc);
    std::shared_ptr<PaletteObject> p = LookupAs<PaletteObject>(palette, OBJ_PAL);
    if (!d || !p) return nullptr;
    HPALETTE old = d->st.paletteHandle;
    d->st.paletteHandle = palette;
    d->st.palette = p;
    return old;
}

UINT RealizePalette(HDC dc) {
    return LookupDc(dc) ? 0 : 0xFFFFFFFF;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    std::shared_ptr<PaletteObject> p = LookupAs<PaletteObject>(palette, OBJ_PAL);
    if (!p) return 0;
    if (!entries) return static_cast<UINT>(p->entries.size());
    if (start >= p->entries.size()) return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(p->entries.size()) - start);
    std::copy_n(p->entries.begin() + start, n, entries);
    return n;
}
