// Pixel storage of bitmaps, kept in the device-independent layout so that a DIB section's bit
// pointer sees exactly what drawing writes.
//
// Drawing works on "device values": 0x00RRGGBB for 24 and 32 bits per pixel (the 32-bit layout is
// one little-endian word per pixel, so a pixel's bytes are blue, green, red, 0), the pixel word for
// 16 bits (5-5-5, or 5-6-5 with six bits of green), and the palette index for 1, 4 and 8 bits. Raster
// operations combine device values bit by bit, as the original does on palette devices.
#pragma once

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Types.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gdi {

// The limits of Bitmap.h.
inline constexpr int kMaxSurfaceSide = GdiMaxBitmapSide;
inline constexpr std::size_t kMaxSurfaceBytes = GdiMaxBitmapBytes;

constexpr std::uint32_t ColorToRgb(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF RgbToColor(std::uint32_t v) {
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

class Surface {
public:
    // Row strides are rounded up to alignBytes: 4 for DIBs, 2 for device-dependent bitmaps.
    // Returns null for a depth other than 1, 4, 8, 16, 24, 32 or for a size beyond the limits.
    // green6 makes a 16-bit surface 5-6-5.
    static std::shared_ptr<Surface> Create(int width, int height, int bpp, bool topDown, bool dib,
                                           bool green6 = false);
    static int StrideFor(int width, int bpp, int alignBytes);
    static std::vector<RGBQUAD> DefaultPalette(int bpp);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Bpp() const { return bpp_; }
    int Stride() const { return stride_; }
    bool TopDown() const { return topDown_; }
    bool IsDib() const { return dib_; }
    // A monochrome device-dependent bitmap: blits and pattern brushes map its two values to the
    // text and background colours instead of reading a palette.
    bool IsMonoDdb() const { return bpp_ == 1 && !dib_; }
    bool Indexed() const { return bpp_ <= 8; }
    // A 16-bit surface with six bits of green (5-6-5) rather than five.
    bool Green6() const { return green6_; }
    std::uint32_t ValueMask() const;

    std::uint8_t* Bits() { return bits_.data(); }
    const std::uint8_t* Bits() const { return bits_.data(); }
    std::size_t BitsSize() const { return bits_.size(); }
    // Row y counted from the top, whatever the memory order.
    std::uint8_t* Row(int y) { return bits_.data() + RowOffset(y); }
    const std::uint8_t* Row(int y) const { return bits_.data() + RowOffset(y); }

    std::vector<RGBQUAD>& Palette() { return palette_; }
    const std::vector<RGBQUAD>& Palette() const { return palette_; }
    void PaletteChanged() { cacheValid_ = false; }

    std::uint32_t Get(int x, int y) const;
    void Set(int x, int y, std::uint32_t v);
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Nearest palette entry for indexed surfaces.
    std::uint32_t ToDevice(COLORREF c) const;
    COLORREF ToColor(std::uint32_t v) const;

    std::shared_ptr<Surface> Clone() const;

private:
    Surface() = default;
    std::size_t RowOffset(int y) const {
        return static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y) * static_cast<std::size_t>(stride_);
    }

    int width_ = 0;
    int height_ = 0;
    int bpp_ = 32;
    int stride_ = 0;
    bool topDown_ = true;
    bool dib_ = false;
    bool green6_ = false;
    std::vector<std::uint8_t> bits_;
    std::vector<RGBQUAD> palette_;
    mutable bool cacheValid_ = false;
    mutable COLORREF cacheColor_ = 0;
    mutable std::uint32_t cacheValue_ = 0;
};

} // namespace gdi
