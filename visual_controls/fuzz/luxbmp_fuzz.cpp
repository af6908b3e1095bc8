// libFuzzer target for the pixel routines and the effect object's drawing operations: bitmap sizes
// and formats, R, P and the settings all come from the input, the source and target bitmap may be
// the same one. A routine must raise ELuxWrongPixelFormat for a bitmap that is not 24-bit and leave
// the pixels as they were; otherwise each target pixel must equal what its definition gives from
// the pixels before the call (sources that fall outside a bitmap leave the pixel alone). The
// sanitizers watch every read and write.
#include "platform/rtl/Exceptions.h"
#include "visual_controls/LuxEffect.h"
#include "visual_controls/Luxbmp.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // Big-endian, in the order the bytes come (operands of | are not sequenced).
    std::uint32_t Bytes(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | Byte();
        return v;
    }
    bool Flag() { return Byte() & 1; }
    // Mostly near the bitmaps, sometimes at the ends of the integer range.
    int Coord(bool extremes) {
        const std::uint8_t b = Byte();
        if (extremes && b >= 0xF8) {
            static const int far[8] = {INT_MIN, INT_MIN + 1, -65536,      -1000000,
                                       1000000, 65535,       INT_MAX - 1, INT_MAX};
            return far[b & 7];
        }
        return static_cast<int>(b % 64) - 24;
    }
    TRect Rect(bool extremes) {
        const int l = Coord(extremes), t = Coord(extremes), r = Coord(extremes), b = Coord(extremes);
        return TRect(l, t, r, b);
    }
    TPoint Point(bool extremes) {
        const int x = Coord(extremes);
        return TPoint(x, Coord(extremes));
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

const TPixelFormat kFormats[] = {pf24bit, pf24bit, pf24bit, pf32bit, pf1bit, pf8bit, pf16bit, pfDevice};

std::unique_ptr<TBitmap> MakeBitmap(Input& in) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(kFormats[in.Byte() % 8]);
    const int w = in.Byte() % 24;
    b->SetSize(w, in.Byte() % 24);
    // An empty bitmap has no scan lines at all, not even for the rows of a zero-wide one.
    if (b->PixelFormat() == pf24bit && !b->Empty())
        for (int y = 0; y < b->Height(); ++y) {
            auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
            for (int x = 0; x < b->Width() * 3; ++x)
                row[x] = static_cast<std::uint8_t>(in.Byte() * 37 + x + y);
        }
    return b;
}

// A 24-bit bitmap's pixels, three bytes each, row by row.
struct Pixels {
    int W = 0, H = 0;
    std::vector<std::uint8_t> Bytes;
    explicit Pixels(TBitmap* b) {
        if (b->PixelFormat() != pf24bit || b->Empty()) return;
        W = b->Width();
        H = b->Height();
        for (int y = 0; y < H; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(b->ScanLine(y));
            Bytes.insert(Bytes.end(), row, row + W * 3);
        }
    }
    bool Inside(std::int64_t x, std::int64_t y) const { return x >= 0 && y >= 0 && x < W && y < H; }
    const std::uint8_t* At(std::int64_t x, std::int64_t y) const { return &Bytes[(y * W + x) * 3]; }
    std::uint8_t* At(std::int64_t x, std::int64_t y) { return &Bytes[(y * W + x) * 3]; }
};

int Half(double v) {
    double r = std::floor(v);
    if (v - r > 0.5 || (v - r == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
    return static_cast<int>(r);
}

int Share(int percent, int v) {
    return Half(percent * v / 100.0);
}

// What the routine must leave in the target, from the pixels before the call.
Pixels Expected(int routine, const Pixels& s1, const Pixels& s2, const Pixels& before, const TRect& R,
                const TPoint& P, const TPoint& P2, std::int16_t value, TColor except, float strength) {
    Pixels out = before;
    const std::int64_t w = std::max<std::int64_t>(0, std::int64_t{R.Right} - R.Left);
    const std::int64_t h = std::max<std::int64_t>(0, std::int64_t{R.Bottom} - R.Top);
    const COLORREF ex = ColorToRGB(except);
    const double k = strength >= 0 ? std::min(strength, 1.0f) : 0.0;
    for (int y = 0; y < out.H; ++y)
        for (int x = 0; x < out.W; ++x) {
            const std::int64_t i = std::int64_t{x} - P.X, j = std::int64_t{y} - P.Y;
            if (i < 0 || j < 0 || i >= w || j >= h) continue;
            std::int64_t sx = R.Left + i, sy = R.Top + j;
            if (routine == 4) sx = std::int64_t{R.Right} - 1 - i;
            if (routine == 5) sy = std::int64_t{R.Bottom} - 1 - j;
            if (!s1.Inside(sx, sy)) continue;
            const std::uint8_t* s = s1.At(sx, sy);
            std::uint8_t* d = out.At(x, y);
            switch (routine) {
            case 0: {
                const int grey = Share(30, s[2]) + Share(59, s[1]) + Share(11, s[0]);
                d[0] = d[1] = d[2] = static_cast<std::uint8_t>(grey);
                break;
            }
            case 1:
                for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(255 - s[c]);
                break;
            case 3:
                if (s[0] == GetBValue(ex) || s[1] == GetGValue(ex) || s[2] == GetRValue(ex)) break;
                [[fallthrough]];
            case 2:
                for (int c = 0; c < 3; ++c)
                    d[c] = static_cast<std::uint8_t>(std::clamp(s[c] + value, 0, 255));
                break;
            case 4:
            case 5:
                std::copy(s, s + 3, d);
                break;
            case 6: {
                const std::int64_t tx = std::int64_t{P2.X} + i, ty = std::int64_t{P2.Y} + j;
                if (!s2.Inside(tx, ty)) break;
                const std::uint8_t* t = s2.At(tx, ty);
                for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(t[c] + Half((s[c] - t[c]) * k));
                break;
            }
            }
        }
    return out;
}

void Routine(Input& in) {
    const int routine = in.Byte() % 7;
    auto src = MakeBitmap(in);
    const int shared = in.Byte() % 3; // 0 apart, 1 the target is the source, 2 (blend) the second source
    auto own = MakeBitmap(in);
    auto second = MakeBitmap(in);
    TBitmap* dst = shared == 1 ? src.get() : own.get();
    TBitmap* src2 = shared == 2 ? dst : second.get();
    const TRect R = in.Rect(true);
    TPoint P = in.Point(true);
    if (in.Flag()) P = R.TopLeft(); // in place, as the effect object calls them
    const TPoint P2 = in.Point(true);
    const auto value = static_cast<std::int16_t>(in.Bytes(2));
    const TColor except = static_cast<TColor>(in.Bytes(3));
    float strength = in.Byte() / 200.0f - 0.1f;
    if (in.Byte() == 0xFF) strength = NAN;

    const Pixels s1(src.get()), s2(src2), before(dst);
    const bool wrong = src->PixelFormat() != pf24bit || dst->PixelFormat() != pf24bit ||
                       (routine == 6 && src2->PixelFormat() != pf24bit);
    try {
        switch (routine) {
        case 0:
            LuxBMPGrayScale(src.get(), R, dst, P);
            break;
        case 1:
            LuxBMPInvert(src.get(), R, dst, P);
            break;
        case 2:
            LuxBMPBrightness(src.get(), R, dst, P, value);
            break;
        case 3:
            LuxBmpBrightnessEC(src.get(), R, dst, P, value, except);
            break;
        case 4:
            LuxBMPFlipVertical(src.get(), R, dst, P);
            break;
        case 5:
            LuxBMPFlipHorizonzal(src.get(), R, dst, P);
            break;
        case 6:
            LuxBMPAlphaBlend(src.get(), src2, R, P2, dst, strength, P);
            break;
        }
    } catch (const ELuxWrongPixelFormat&) {
        if (!wrong) __builtin_trap();
        if (Pixels(dst).Bytes != before.Bytes) __builtin_trap();
        return;
    }
    if (wrong) __builtin_trap();
    const Pixels expected = Expected(routine, s1, s2, before, R, P, P2, value, except, strength);
    if (Pixels(dst).Bytes != expected.Bytes) __builtin_trap();
}

void Operation(Input& in) {
    TLuxBitmapEffectObject fx;
    const std::uint8_t flags = in.Byte();
    for (int i = 0; i < 6; ++i) fx.SetBoolean(i, (flags >> i) & 1);
    if (in.Flag()) fx.SetBrightness(static_cast<int>(in.Byte()) * 2 - 255);
    if (in.Flag()) {
        static const TLuxFillStyle styles[] = {sfBrush, sfGradient, sfBitmap, sfBrushBitmap};
        fx.AlphaBlend()->FillObject()->SetFillStyle(styles[in.Byte() % 4]);
        fx.AlphaBlend()->SetSingle(in.Byte() / 255.0f);
    }
    auto src = MakeBitmap(in);
    auto own = MakeBitmap(in);
    TBitmap* dst = in.Flag() ? src.get() : own.get();
    // Twice, the second time perhaps on another size, for the buffer.
    for (int round = 0; round < 2; ++round) {
        if (round == 1 && in.Flag()) {
            const int w = in.Byte() % 24;
            own->SetSize(w, in.Byte() % 24);
        }
        const TRect R = in.Rect(false);
        const TRect Cut = in.Rect(false);
        const TPoint P = in.Point(false);
        try {
            switch (in.Byte() % 8) {
            case 0:
                fx.Draw(dst);
                break;
            case 1:
                fx.DrawCopy(src.get(), dst);
                break;
            case 2:
                fx.DrawCopyFromRect(src.get(), R, dst);
                break;
            case 3:
                fx.DrawCopyRect(src.get(), R, dst, P);
                break;
            case 4:
                fx.DrawCutRect(src.get(), R, dst, Cut);
                break;
            case 5:
                fx.DrawCutRect2(src.get(), R, dst, Cut);
                break;
            case 6:
                fx.AlphaBlend()->AlphaBlend(dst);
                break;
            case 7:
                fx.AlphaBlend()->ControlBlend(src.get(), R, Cut, own->Canvas(),
                                              TRect(P.X, P.Y, Cut.Right, Cut.Bottom));
                break;
            }
        } catch (const Exception&) {
            __builtin_trap(); // the operations make every bitmap 24-bit first
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    if (in.Flag())
        Routine(in);
    else
        Operation(in);
    return 0;
}
