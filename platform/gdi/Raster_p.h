// The pixel writer under every drawing call: raster-operation evaluation, brush fills and the
// conversion of pixels between bitmaps of different formats.
#pragma once

#include "platform/gdi/Objects_p.h"

#include <cstdint>
#include <vector>

namespace gdi {

inline std::uint32_t EvalRop3(std::uint8_t index, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    switch (index) {
    case 0x00:
        return 0;
    case 0xFF:
        return 0xFFFFFFFF;
    case 0xCC:
        return s;
    case 0xF0:
        return p;
    case 0xAA:
        return d;
    case 0x88:
        return s & d;
    case 0xEE:
        return s | d;
    case 0x66:
        return s ^ d;
    case 0x5A:
        return p ^ d;
    case 0x55:
        return ~d;
    default:
        break;
    }
    std::uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (((index >> i) & 1) == 0) continue;
        r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return r;
}

// The ternary index that applies a mix mode (R2_...) to pattern and destination.
std::uint8_t Rop2Index(int rop2);
inline bool RopUsesSource(std::uint8_t index) {
    return ((index >> 2) & 0x33) != (index & 0x33);
}
inline bool RopUsesPattern(std::uint8_t index) {
    return ((index >> 4) & 0x0F) != (index & 0x0F);
}

// What a brush or pen writes at each device pixel, already in the target's device values.
struct Fill {
    bool none = false;
    std::uint32_t solid = 0;
    bool patterned = false;
    int width = 0;
    int height = 0;
    int orgX = 0;
    int orgY = 0;
    std::vector<std::uint32_t> values;
    std::vector<std::uint8_t> drawn; // hatch on a transparent background: 0 where nothing is drawn

    std::uint32_t At(int x, int y) const {
        if (!patterned) return solid;
        return values[Index(x, y)];
    }
    bool Drawn(int x, int y) const { return drawn.empty() || drawn[Index(x, y)] != 0; }

private:
    std::size_t Index(int x, int y) const {
        int px = (x - orgX) % width, py = (y - orgY) % height;
        if (px < 0) px += width;
        if (py < 0) py += height;
        return static_cast<std::size_t>(py) * static_cast<std::size_t>(width) + static_cast<std::size_t>(px);
    }
};

Fill SolidFill(const Surface& target, COLORREF color);
Fill BrushFill(const DeviceContext& dc, const BrushObject& brush);

// Writes fill over the region (device coordinates) within the DC's clip.
void FillRegion(DeviceContext& dc, const Region& region, const Fill& fill, std::uint8_t ropIndex);
void FillDeviceRect(DeviceContext& dc, const RECT& rect, const Fill& fill, std::uint8_t ropIndex);
void PaintPixel(DeviceContext& dc, int x, int y, const Fill& fill, std::uint8_t ropIndex);

// The points of the cubic Bezier curve from p[0] to p[3] (p[1], p[2] its control points), p[0]
// left out, appended to out (which ends at p[0]): enough straight pieces that none strays more
// than about a quarter pixel from the curve, rounded to pixels, repeats dropped.
struct PointF {
    double x = 0;
    double y = 0;
};
void FlattenBezier(const PointF (&p)[4], std::vector<POINT>& out);

// Maps a source pixel's device value to the destination's, with the monochrome rules of Raster.h.
class PixelConverter {
public:
    PixelConverter(const Surface& src, const DcState& srcState, const Surface& dst, const DcState& dstState);
    std::uint32_t operator()(std::uint32_t v) const {
        switch (mode_) {
        case Mode::Same:
            return v;
        case Mode::Table:
            return v < table_.size() ? table_[v] : 0;
        case Mode::ToMono:
            return v == srcBackground_ ? 1 : 0;
        case Mode::ToIndexed:
            return dst_.ToDevice(RgbToColor(v));
        case Mode::Convert:
            return dst_.ToDevice(src_.ToColor(v));
        }
        return v;
    }

private:
    enum class Mode { Same, Table, ToMono, ToIndexed, Convert };
    const Surface& src_;
    const Surface& dst_;
    Mode mode_ = Mode::Same;
    std::vector<std::uint32_t> table_;
    std::uint32_t srcBackground_ = 0;
};

} // namespace gdi
