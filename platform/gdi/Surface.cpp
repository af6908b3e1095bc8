#include "platform/gdi/Surface_p.h"

#include <algorithm>
#include <cstring>

namespace gdi {

int Surface::StrideFor(int width, int bpp, int alignBytes) {
    const long long bitsPerRow = static_cast<long long>(width) * bpp;
    const long long alignBits = alignBytes * 8LL;
    return static_cast<int>((bitsPerRow + alignBits - 1) / alignBits * alignBytes);
}

std::vector<RGBQUAD> Surface::DefaultPalette(int bpp) {
    std::vector<RGBQUAD> pal;
    auto add = [&pal](int r, int g, int b) {
        pal.push_back(RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0});
    };
    // The sixteen colours of the classic display, in their usual order.
    static const int vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                   {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    if (bpp == 1) {
        add(0, 0, 0);
        add(255, 255, 255);
    } else if (bpp == 4) {
        for (const auto& c : vga) add(c[0], c[1], c[2]);
    } else if (bpp == 8) {
        // The sixteen, a 6x6x6 cube and a grey ramp: 16 + 216 + 24 entries.
        for (const auto& c : vga) add(c[0], c[1], c[2]);
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) add(r * 51, g * 51, b * 51);
        for (int i = 1; i <= 24; ++i) add(i * 10, i * 10, i * 10);
    }
    return pal;
}

std::shared_ptr<Surface> Surface::Create(int width, int height, int bpp, bool topDown, bool dib,
                                         bool green6) {
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
    if (width < 0 || height < 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return nullptr;
    const int stride = StrideFor(width, bpp, dib ? 4 : 2);
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    if (bytes > kMaxSurfaceBytes) return nullptr;
    std::shared_ptr<Surface> s(new Surface());
    s->width_ = width;
    s->height_ = height;
    s->bpp_ = bpp;
    s->stride_ = stride;
    s->topDown_ = topDown;
    s->dib_ = dib;
    s->green6_ = bpp == 16 && green6;
    s->bits_.assign(bytes, 0);
    s->palette_ = DefaultPalette(bpp);
    return s;
}

std::shared_ptr<Surface> Surface::Clone() const {
    std::shared_ptr<Surface> s(new Surface(*this));
    s->cacheValid_ = false;
    return s;
}

std::uint32_t Surface::ValueMask() const {
    switch (bpp_) {
    case 1:
        return 1;
    case 4:
        return 0xF;
    case 8:
        return 0xFF;
    case 16:
        return green6_ ? 0xFFFF : 0x7FFF;
    default:
        return 0xFFFFFF;
    }
}

std::uint32_t Surface::Get(int x, int y) const {
    const std::uint8_t* row = Row(y);
    switch (bpp_) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8:
        return row[x];
    case 16:
        return row[x * 2] | (row[x * 2 + 1] << 8);
    case 24: {
        const std::uint8_t* p = row + x * 3;
        return p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    }
    default: {
        const std::uint8_t* p = row + x * 4;
        return p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    }
    }
}

void Surface::Set(int x, int y, std::uint32_t v) {
    std::uint8_t* row = Row(y);
    switch (bpp_) {
    case 1: {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        if (v & 1)
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= static_cast<std::uint8_t>(~bit);
        break;
    }
    case 4: {
        std::uint8_t& b = row[x >> 1];
        if (x & 1)
            b = static_cast<std::uint8_t>((b & 0xF0) | (v & 0x0F));
        else
            b = static_cast<std::uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
        break;
    }
    case 8:
        row[x] = static_cast<std::uint8_t>(v);
        break;
    case 16:
        row[x * 2] = static_cast<std::uint8_t>(v);
        row[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
        break;
    case 24: {
        std::uint8_t* p = row + x * 3;
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        break;
    }
    default: {
        std::uint8_t* p = row + x * 4;
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        p[3] = 0;
        break;
    }
    }
}

std::uint32_t Surface::ToDevice(COLORREF c) const {
    c &= 0xFFFFFF;
    if (bpp_ == 16) {
        const std::uint32_t r = GetRValue(c) >> 3, b = GetBValue(c) >> 3;
        return green6_ ? (r << 11) | ((GetGValue(c) >> 2u) << 5) | b
                       : (r << 10) | ((GetGValue(c) >> 3u) << 5) | b;
    }
    if (!Indexed()) return ColorToRgb(c);
    if (cacheValid_ && cacheColor_ == c) return cacheValue_;
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    std::uint32_t best = 0;
    long bestDist = -1;
    const std::size_t n = std::min<std::size_t>(palette_.size(), std::size_t{1} << bpp_);
    for (std::size_t i = 0; i < n; ++i) {
        const RGBQUAD& q = palette_[i];
        const long dr = r - q.rgbRed, dg = g - q.rgbGreen, db = b - q.rgbBlue;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = static_cast<std::uint32_t>(i);
            if (d == 0) break;
        }
    }
    cacheValid_ = true;
    cacheColor_ = c;
    cacheValue_ = best;
    return best;
}

COLORREF Surface::ToColor(std::uint32_t v) const {
    if (bpp_ == 16) {
        // Each field widened by repeating its top bits, so full intensity stays 255.
        const auto five = [](std::uint32_t f) { return static_cast<BYTE>((f << 3) | (f >> 2)); };
        if (green6_) {
            const std::uint32_t g = (v >> 5) & 0x3F;
            return RGB(five((v >> 11) & 0x1F), static_cast<BYTE>((g << 2) | (g >> 4)), five(v & 0x1F));
        }
        return RGB(five((v >> 10) & 0x1F), five((v >> 5) & 0x1F), five(v & 0x1F));
    }
    if (!Indexed()) return RgbToColor(v & 0xFFFFFF);
    if (v >= palette_.size()) return 0;
    const RGBQUAD& q = palette_[v];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

} // namespace gdi
