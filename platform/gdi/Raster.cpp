#include "platform/gdi/Raster.h"

#include "platform/gdi/Raster_p.h"

#include <algorithm>

using namespace gdi;

namespace {

std::uint8_t RopIndex(DWORD rop) {
    return static_cast<std::uint8_t>((rop >> 16) & 0xFF);
}

// A rectangle given by an origin and signed extents covers [min, max) on each axis; a negative
// extent mirrors when the other side's extent is positive.
RECT Normalized(int x, int y, int w, int h) {
    return RECT{std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h)};
}

struct MaskSource {
    const Surface* surface = nullptr;
    int x = 0;
    int y = 0;
    std::uint8_t backIndex = 0;
};

BOOL Transfer(HDC destHandle, int x, int y, int width, int height, HDC srcHandle, int xSrc, int ySrc,
              int srcWidth, int srcHeight, DWORD rop, const MaskSource& mask) {
    std::shared_ptr<DeviceContext> dest = LookupDc(destHandle);
    if (!dest) return FALSE;
    const std::uint8_t foreIndex = RopIndex(rop);
    const bool needSource = RopUsesSource(foreIndex) || (mask.surface && RopUsesSource(mask.backIndex));
    const bool needPattern = RopUsesPattern(foreIndex) || (mask.surface && RopUsesPattern(mask.backIndex));
    std::shared_ptr<DeviceContext> src = needSource ? LookupDc(srcHandle) : nullptr;
    if (needSource && !src) return FALSE;
    if (width == 0 || height == 0) return TRUE;
    if (needSource && (srcWidth == 0 || srcHeight == 0)) return TRUE;

    Surface& dst = dest->Target();
    const POINT d0 = dest->ToDevice(x, y);
    const RECT destRect = Normalized(d0.x, d0.y, width, height);
    const Region area = Region::Combine(Region::FromRect(destRect), dest->Clip(), Region::Op::And);
    if (area.Empty()) return TRUE;

    Fill pattern;
    if (needPattern) pattern = BrushFill(*dest, *dest->st.brush);

    // The source pixels the transfer can reach, converted to the destination's values up front, so
    // that a transfer within one bitmap reads them before it writes.
    RECT srcRect{};
    RECT srcAvail{};
    std::vector<std::uint32_t> snapshot;
    bool mirrorX = false, mirrorY = false;
    if (needSource) {
        const Surface& s = src->Target();
        const POINT s0 = src->ToDevice(xSrc, ySrc);
        srcRect = Normalized(s0.x, s0.y, srcWidth, srcHeight);
        mirrorX = (width < 0) != (srcWidth < 0);
        mirrorY = (height < 0) != (srcHeight < 0);
        const RECT bounds{0, 0, s.Width(), s.Height()};
        if (!IntersectRect(&srcAvail, &srcRect, &bounds)) return TRUE;
        const PixelConverter convert(s, src->st, dst, dest->st);
        const int aw = srcAvail.right - srcAvail.left, ah = srcAvail.bottom - srcAvail.top;
        snapshot.resize(static_cast<std::size_t>(aw) * static_cast<std::size_t>(ah));
        for (int j = 0; j < ah; ++j)
            for (int i = 0; i < aw; ++i)
                snapshot[static_cast<std::size_t>(j) * static_cast<std::size_t>(aw) +
                         static_cast<std::size_t>(i)] = convert(s.Get(srcAvail.left + i, srcAvail.top + j));
    }
    const long long dw = destRect.right - destRect.left, dh = destRect.bottom - destRect.top;
    const long long sw = srcRect.right - srcRect.left, sh = srcRect.bottom - srcRect.top;
    const int aw = srcAvail.right - srcAvail.left;

    // Nearest neighbour: destination pixel k takes source pixel floor((k + 0.5) * sw / dw).
    auto mapAxis = [](long long k, long long dExtent, long long sExtent, bool mirror) {
        const long long u =
            static_cast<long long>((static_cast<__int128>(2 * k + 1) * sExtent) / (2 * dExtent));
        return mirror ? sExtent - 1 - u : u;
    };

    const std::uint32_t valueMask = dst.ValueMask();
    for (const Band& band : area.Bands()) {
        for (int py = band.top; py < band.bottom; ++py) {
            int sy = 0;
            if (needSource) {
                sy = static_cast<int>(srcRect.top + mapAxis(py - destRect.top, dh, sh, mirrorY));
                if (sy < srcAvail.top || sy >= srcAvail.bottom) continue;
            }
            for (std::size_t k = 0; k < band.xs.size(); k += 2) {
                for (int px = band.xs[k]; px < band.xs[k + 1]; ++px) {
                    std::uint32_t s = 0;
                    if (needSource) {
                        const int sx =
                            static_cast<int>(srcRect.left + mapAxis(px - destRect.left, dw, sw, mirrorX));
                        if (sx < srcAvail.left || sx >= srcAvail.right) continue;
                        s = snapshot[static_cast<std::size_t>(sy - srcAvail.top) *
                                         static_cast<std::size_t>(aw) +
                                     static_cast<std::size_t>(sx - srcAvail.left)];
                    }
                    std::uint8_t index = foreIndex;
                    if (mask.surface) {
                        const int mx = mask.x + (px - destRect.left), my = mask.y + (py - destRect.top);
                        const bool on = mask.surface->Contains(mx, my) && mask.surface->Get(mx, my) != 0;
                        if (!on) index = mask.backIndex;
                    }
                    if (needPattern && !pattern.Drawn(px, py)) continue;
                    const std::uint32_t p = needPattern ? pattern.At(px, py) : 0;
                    dst.Set(px, py, EvalRop3(index, p, s, dst.Get(px, py)) & valueMask);
                }
            }
        }
    }
    return TRUE;
}

} // namespace

std::uint32_t GdiRop3(DWORD rop, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    return EvalRop3(RopIndex(rop), p, s, d);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
    return Transfer(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop, MaskSource{});
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth,
                int srcHeight, DWORD rop) {
    return Transfer(dest, x, y, width, height, src, xSrc, ySrc, srcWidth, srcHeight, rop, MaskSource{});
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    if (RopUsesSource(RopIndex(rop))) return FALSE;
    return Transfer(dc, x, y, width, height, nullptr, 0, 0, width, height, rop, MaskSource{});
}

BOOL MaskBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, HBITMAP mask,
             int xMask, int yMask, DWORD rop) {
    MaskSource m;
    std::shared_ptr<BitmapObject> maskBitmap;
    if (mask) {
        maskBitmap = LookupAs<BitmapObject>(mask, OBJ_BITMAP);
        if (!maskBitmap || maskBitmap->surface->Bpp() != 1) return FALSE;
        m.surface = maskBitmap->surface.get();
        m.x = xMask;
        m.y = yMask;
        m.backIndex = static_cast<std::uint8_t>((rop >> 24) & 0xFF);
    }
    return Transfer(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop & 0x00FFFFFF, m);
}
