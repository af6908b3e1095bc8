#include "platform/gdi/Raster_p.h"

namespace gdi {

namespace {

// Hatch lines within their 8 x 8 cell.
bool HatchBit(int hatch, int x, int y) {
    switch (hatch) {
    case HS_HORIZONTAL:
        return y == 0;
    case HS_VERTICAL:
        return x == 0;
    case HS_FDIAGONAL:
        return x == y;
    case HS_BDIAGONAL:
        return x + y == 7;
    case HS_CROSS:
        return x == 0 || y == 0;
    case HS_DIAGCROSS:
        return x == y || x + y == 7;
    default:
        return false;
    }
}

} // namespace

std::uint8_t Rop2Index(int rop2) {
    const int code = rop2 - 1; // bit (P << 1 | D) of the mix mode's truth table
    std::uint8_t index = 0;
    for (int i = 0; i < 8; ++i) {
        const int p = (i >> 2) & 1, d = i & 1;
        if ((code >> (p * 2 + d)) & 1) index = static_cast<std::uint8_t>(index | (1 << i));
    }
    return index;
}

Fill SolidFill(const Surface& target, COLORREF color) {
    Fill f;
    f.solid = target.ToDevice(color);
    return f;
}

Fill BrushFill(const DeviceContext& dc, const BrushObject& brush) {
    const Surface& target = dc.Target();
    Fill f;
    f.orgX = dc.st.brushOrg.x;
    f.orgY = dc.st.brushOrg.y;
    switch (brush.style) {
    case BS_NULL:
        f.none = true;
        return f;
    case BS_HATCHED: {
        f.patterned = true;
        f.width = f.height = 8;
        const std::uint32_t fg = target.ToDevice(brush.color), bg = target.ToDevice(dc.st.bkColor);
        const bool opaque = dc.st.bkMode == OPAQUE;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool line = HatchBit(brush.hatch, x, y);
                f.values.push_back(line ? fg : bg);
                if (!opaque) f.drawn.push_back(line ? 1 : 0);
            }
        return f;
    }
    case BS_PATTERN: {
        const Surface& pat = *brush.pattern;
        f.patterned = true;
        f.width = pat.Width();
        f.height = pat.Height();
        std::uint32_t mono[2] = {target.ToDevice(dc.st.textColor), target.ToDevice(dc.st.bkColor)};
        if (target.Bpp() == 1 && pat.Bpp() == 1) {
            mono[0] = 0;
            mono[1] = 1;
        }
        f.values.reserve(static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height));
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                const std::uint32_t v = pat.Get(x, y);
                f.values.push_back(pat.IsMonoDdb() ? mono[v & 1] : target.ToDevice(pat.ToColor(v)));
            }
        return f;
    }
    default:
        f.solid = target.ToDevice(brush.color);
        return f;
    }
}

void FillRegion(DeviceContext& dc, const Region& region, const Fill& fill, std::uint8_t ropIndex) {
    if (fill.none) return;
    Surface& s = dc.Target();
    const std::uint32_t mask = s.ValueMask();
    const Region clipped = Region::Combine(region, dc.Clip(), Region::Op::And);
    const bool plain = !fill.patterned && ropIndex == 0xF0;
    for (const Band& band : clipped.Bands()) {
        for (int y = band.top; y < band.bottom; ++y) {
            for (std::size_t i = 0; i < band.xs.size(); i += 2) {
                for (int x = band.xs[i]; x < band.xs[i + 1]; ++x) {
                    if (plain) {
                        s.Set(x, y, fill.solid);
                        continue;
                    }
                    if (!fill.Drawn(x, y)) continue;
                    s.Set(x, y, EvalRop3(ropIndex, fill.At(x, y), 0, s.Get(x, y)) & mask);
                }
            }
        }
    }
}

void FillDeviceRect(DeviceContext& dc, const RECT& rect, const Fill& fill, std::uint8_t ropIndex) {
    FillRegion(dc, Region::FromRect(rect), fill, ropIndex);
}

void PaintPixel(DeviceContext& dc, int x, int y, const Fill& fill, std::uint8_t ropIndex) {
    if (fill.none || !dc.Clip().Contains(x, y) || !fill.Drawn(x, y)) return;
    Surface& s = dc.Target();
    s.Set(x, y, EvalRop3(ropIndex, fill.At(x, y), 0, s.Get(x, y)) & s.ValueMask());
}

PixelConverter::PixelConverter(const Surface& src, const DcState& srcState, const Surface& dst,
                               const DcState& dstState)
    : src_(src), dst_(dst) {
    if (src.Bpp() == 1 && dst.Bpp() == 1 && src.IsMonoDdb()) {
        mode_ = Mode::Same;
    } else if (src.IsMonoDdb()) {
        mode_ = Mode::Table;
        table_ = {dst.ToDevice(dstState.textColor), dst.ToDevice(dstState.bkColor)};
    } else if (dst.Bpp() == 1 && src.Bpp() != 1) {
        mode_ = Mode::ToMono;
        srcBackground_ = src.ToDevice(srcState.bkColor);
    } else if (src.Indexed()) {
        mode_ = Mode::Table;
        const std::size_t n = std::size_t{1} << src.Bpp();
        table_.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            table_[i] = dst.ToDevice(src.ToColor(static_cast<std::uint32_t>(i)));
    } else if ((src.Bpp() == 16 || dst.Bpp() == 16) &&
               (src.Bpp() != dst.Bpp() || src.Green6() != dst.Green6())) {
        mode_ = Mode::Convert;
    } else if (dst.Indexed()) {
        mode_ = Mode::ToIndexed;
    } else {
        mode_ = Mode::Same;
    }
}

} // namespace gdi
