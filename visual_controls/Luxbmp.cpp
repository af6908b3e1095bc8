#include "visual_controls/Luxbmp.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using Index = std::int64_t;

// The indexes i (columns or rows of R, counted from 0) that survive clipping.
struct Span {
    Index Lo = 0;
    Index Hi = 0;
    bool Empty() const { return Lo >= Hi; }
    int Count() const { return static_cast<int>(Hi - Lo); }
};

Span Extent(int from, int to) {
    return Span{0, std::max<Index>(0, static_cast<Index>(to) - from)};
}

// Keeps the i for which Start + i (or Start - i, mirrored) lies within 0 .. Size - 1.
Span Within(Span s, Index start, bool mirrored, int size) {
    if (mirrored) {
        s.Lo = std::max(s.Lo, start - size + 1);
        s.Hi = std::min(s.Hi, start + 1);
    } else {
        s.Lo = std::max(s.Lo, -start);
        s.Hi = std::min(s.Hi, size - start);
    }
    return s;
}

void CheckFormat(TBitmap* b, const char* role) {
    if (!b || b->PixelFormat() != pf24bit) throw ELuxWrongPixelFormat(role);
}

struct Area {
    int Left, Top, Right, Bottom;
};

bool Overlap(const Area& a, const Area& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Pixels by their coordinates in the bitmap, read in place or from a copy of one area of it.
class Plane {
public:
    explicit Plane(TBitmap* b) {
        row0_ = static_cast<std::uint8_t*>(b->ScanLine(0));
        if (b->Height() > 1) stride_ = static_cast<std::uint8_t*>(b->ScanLine(1)) - row0_;
    }
    std::uint8_t* At(int x, int y) const {
        return row0_ + static_cast<std::ptrdiff_t>(y - y0_) * stride_ +
               static_cast<std::ptrdiff_t>(x - x0_) * 3;
    }
    // From now on reads come from a copy of a, so that writing the same bitmap cannot change what
    // is still to be read.
    void Detach(const Area& a) {
        const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(a.Right - a.Left) * 3;
        copy_.resize(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(a.Bottom - a.Top));
        for (int y = a.Top; y < a.Bottom; ++y)
            std::memcpy(copy_.data() + (y - a.Top) * rowBytes, At(a.Left, y),
                        static_cast<std::size_t>(rowBytes));
        row0_ = copy_.data();
        stride_ = rowBytes;
        x0_ = a.Left;
        y0_ = a.Top;
    }

private:
    std::uint8_t* row0_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    int x0_ = 0;
    int y0_ = 0;
    std::vector<std::uint8_t> copy_;
};

// A routine reading one source pixel for each target pixel at the same offset.
struct Straight {
    int Width, Rows;
    int SrcX, SrcY; // the first pixel read
    int DstX, DstY; // the first pixel written
};

bool ClipStraight(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P, Straight& s) {
    Span xs = Extent(R.Left, R.Right);
    Span ys = Extent(R.Top, R.Bottom);
    xs = Within(Within(xs, R.Left, false, Src->Width()), P.X, false, Dst->Width());
    ys = Within(Within(ys, R.Top, false, Src->Height()), P.Y, false, Dst->Height());
    if (xs.Empty() || ys.Empty()) return false;
    s = Straight{xs.Count(),
                 ys.Count(),
                 static_cast<int>(R.Left + xs.Lo),
                 static_cast<int>(R.Top + ys.Lo),
                 static_cast<int>(P.X + xs.Lo),
                 static_cast<int>(P.Y + ys.Lo)};
    return true;
}

// Runs Row(source, target, pixels) over each row of the clipped area.
template <class RowOp> void PerPixel(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P, RowOp Row) {
    CheckFormat(Src, "Source");
    CheckFormat(Dst, "Target");
    Straight s;
    if (!ClipStraight(Src, R, Dst, P, s)) return;
    Plane src(Src);
    const Plane dst(Dst);
    const Area from{s.SrcX, s.SrcY, s.SrcX + s.Width, s.SrcY + s.Rows};
    const Area to{s.DstX, s.DstY, s.DstX + s.Width, s.DstY + s.Rows};
    // In place (the same pixel read, then written) needs no copy; a shifted overlap does.
    if (Src == Dst && (s.SrcX != s.DstX || s.SrcY != s.DstY) && Overlap(from, to)) src.Detach(from);
    for (int y = 0; y < s.Rows; ++y) Row(src.At(s.SrcX, s.SrcY + y), dst.At(s.DstX, s.DstY + y), s.Width);
}

// Nearest integer, ties to the even one.
constexpr int RoundEven(Index numerator, Index denominator) {
    Index q = numerator / denominator;
    Index rem = numerator % denominator;
    if (rem < 0) {
        rem += denominator;
        --q;
    }
    if (2 * rem > denominator || (2 * rem == denominator && q % 2 != 0)) ++q;
    return static_cast<int>(q);
}

int RoundEven(double v) {
    double r = std::floor(v);
    const double f = v - r;
    if (f > 0.5 || (f == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
    return static_cast<int>(r);
}

// percent / 100 of each channel value.
constexpr std::array<std::uint8_t, 256> Share(int percent) {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(RoundEven(Index{percent} * i, 100));
    return t;
}

constexpr std::array<std::uint8_t, 256> kGreyRed = Share(30);
constexpr std::array<std::uint8_t, 256> kGreyGreen = Share(59);
constexpr std::array<std::uint8_t, 256> kGreyBlue = Share(11);
static_assert(kGreyRed[255] + kGreyGreen[255] + kGreyBlue[255] == 254, "grey always fits in a byte");

std::array<std::uint8_t, 256> BrightnessTable(int value) {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(std::clamp(i + value, 0, 255));
    return t;
}

} // namespace

void LuxBMPGrayScale(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P) {
    PerPixel(Src, R, Dst, P, [](const std::uint8_t* s, std::uint8_t* d, int n) {
        for (int i = 0; i < n; ++i, s += 3, d += 3) {
            const auto grey = static_cast<std::uint8_t>(kGreyBlue[s[0]] + kGreyGreen[s[1]] + kGreyRed[s[2]]);
            d[0] = grey;
            d[1] = grey;
            d[2] = grey;
        }
    });
}

void LuxBMPInvert(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P) {
    PerPixel(Src, R, Dst, P, [](const std::uint8_t* s, std::uint8_t* d, int n) {
        for (int i = 0; i < n * 3; ++i) d[i] = static_cast<std::uint8_t>(255 - s[i]);
    });
}

void LuxBMPBrightness(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P, std::int16_t Value) {
    const auto table = BrightnessTable(Value);
    PerPixel(Src, R, Dst, P, [&table](const std::uint8_t* s, std::uint8_t* d, int n) {
        for (int i = 0; i < n * 3; ++i) d[i] = table[s[i]];
    });
}

void LuxBmpBrightnessEC(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P, std::int16_t Value,
                        TColor ExceptColor) {
    const auto table = BrightnessTable(Value);
    const COLORREF except = ColorToRGB(ExceptColor);
    const std::uint8_t eb = GetBValue(except), eg = GetGValue(except), er = GetRValue(except);
    PerPixel(Src, R, Dst, P, [&](const std::uint8_t* s, std::uint8_t* d, int n) {
        for (int i = 0; i < n; ++i, s += 3, d += 3) {
            // One matching channel is enough to leave the pixel alone.
            if (s[0] == eb || s[1] == eg || s[2] == er) continue;
            d[0] = table[s[0]];
            d[1] = table[s[1]];
            d[2] = table[s[2]];
        }
    });
}

void LuxBMPFlipVertical(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P) {
    CheckFormat(Src, "Source");
    CheckFormat(Dst, "Target");
    // Column i of the target area takes column R.Right - 1 - i of R.
    Span xs = Extent(R.Left, R.Right);
    Span ys = Extent(R.Top, R.Bottom);
    xs = Within(Within(xs, static_cast<Index>(R.Right) - 1, true, Src->Width()), P.X, false, Dst->Width());
    ys = Within(Within(ys, R.Top, false, Src->Height()), P.Y, false, Dst->Height());
    if (xs.Empty() || ys.Empty()) return;
    const int n = xs.Count();
    const int rows = ys.Count();
    const int srcLeft = static_cast<int>(R.Right - xs.Hi); // the column read last
    const int srcTop = static_cast<int>(R.Top + ys.Lo);
    const int dstLeft = static_cast<int>(P.X + xs.Lo);
    const int dstTop = static_cast<int>(P.Y + ys.Lo);
    Plane src(Src);
    const Plane dst(Dst);
    if (Src == Dst && srcLeft == dstLeft && srcTop == dstTop) {
        // In place: pixel pairs exchanged from the outside in, an odd middle column staying.
        for (int y = 0; y < rows; ++y) {
            std::uint8_t* row = dst.At(dstLeft, dstTop + y);
            for (int a = 0, b = n - 1; a < b; ++a, --b)
                std::swap_ranges(row + a * 3, row + a * 3 + 3, row + b * 3);
        }
        return;
    }
    const Area from{srcLeft, srcTop, srcLeft + n, srcTop + rows};
    const Area to{dstLeft, dstTop, dstLeft + n, dstTop + rows};
    if (Src == Dst && Overlap(from, to)) src.Detach(from);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* s = src.At(srcLeft, srcTop + y) + static_cast<std::ptrdiff_t>(n - 1) * 3;
        std::uint8_t* d = dst.At(dstLeft, dstTop + y);
        for (int i = 0; i < n; ++i, s -= 3, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
}

void LuxBMPFlipHorizonzal(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P) {
    CheckFormat(Src, "Source");
    CheckFormat(Dst, "Target");
    // Row j of the target area takes row R.Bottom - 1 - j of R.
    Span xs = Extent(R.Left, R.Right);
    Span ys = Extent(R.Top, R.Bottom);
    xs = Within(Within(xs, R.Left, false, Src->Width()), P.X, false, Dst->Width());
    ys = Within(Within(ys, static_cast<Index>(R.Bottom) - 1, true, Src->Height()), P.Y, false, Dst->Height());
    if (xs.Empty() || ys.Empty()) return;
    const int n = xs.Count();
    const int rows = ys.Count();
    const int srcLeft = static_cast<int>(R.Left + xs.Lo);
    const int srcTop = static_cast<int>(R.Bottom - ys.Hi); // the row read last
    const int dstLeft = static_cast<int>(P.X + xs.Lo);
    const int dstTop = static_cast<int>(P.Y + ys.Lo);
    const std::size_t bytes = static_cast<std::size_t>(n) * 3;
    Plane src(Src);
    const Plane dst(Dst);
    if (Src == Dst && srcLeft == dstLeft && srcTop == dstTop) {
        // In place: row pairs exchanged from the outside in, however wide the rows are.
        for (int a = 0, b = rows - 1; a < b; ++a, --b) {
            std::uint8_t* top = dst.At(dstLeft, dstTop + a);
            std::swap_ranges(top, top + bytes, dst.At(dstLeft, dstTop + b));
        }
        return;
    }
    const Area from{srcLeft, srcTop, srcLeft + n, srcTop + rows};
    const Area to{dstLeft, dstTop, dstLeft + n, dstTop + rows};
    if (Src == Dst && Overlap(from, to)) src.Detach(from);
    for (int y = 0; y < rows; ++y)
        std::memmove(dst.At(dstLeft, dstTop + y), src.At(srcLeft, srcTop + rows - 1 - y), bytes);
}

void LuxBMPAlphaBlend(TBitmap* Src1, TBitmap* Src2, const TRect& R, const TPoint& P2, TBitmap* Dst,
                      float Strength, const TPoint& PD) {
    CheckFormat(Src1, "Source 1");
    CheckFormat(Src2, "Source 2");
    CheckFormat(Dst, "Target");
    Span xs = Extent(R.Left, R.Right);
    Span ys = Extent(R.Top, R.Bottom);
    xs = Within(Within(Within(xs, R.Left, false, Src1->Width()), P2.X, false, Src2->Width()), PD.X, false,
                Dst->Width());
    ys = Within(Within(Within(ys, R.Top, false, Src1->Height()), P2.Y, false, Src2->Height()), PD.Y, false,
                Dst->Height());
    if (xs.Empty() || ys.Empty()) return;
    const int n = xs.Count();
    const int rows = ys.Count();
    const int x1 = static_cast<int>(R.Left + xs.Lo), y1 = static_cast<int>(R.Top + ys.Lo);
    const int x2 = static_cast<int>(P2.X + xs.Lo), y2 = static_cast<int>(P2.Y + ys.Lo);
    const int xd = static_cast<int>(PD.X + xs.Lo), yd = static_cast<int>(PD.Y + ys.Lo);

    // Within 0..1 the result lies between the two sources, so it always fits a byte.
    const double strength = Strength >= 0 ? std::min(Strength, 1.0f) : 0.0; // NaN too
    std::array<int, 511> table;
    for (int k = -255; k <= 255; ++k) table[k + 255] = RoundEven(k * strength);
    const int* diff = table.data() + 255;

    Plane s1(Src1), s2(Src2);
    const Plane dst(Dst);
    const Area to{xd, yd, xd + n, yd + rows};
    const Area from1{x1, y1, x1 + n, y1 + rows};
    const Area from2{x2, y2, x2 + n, y2 + rows};
    if (Src1 == Dst && (x1 != xd || y1 != yd) && Overlap(from1, to)) s1.Detach(from1);
    if (Src2 == Dst && (x2 != xd || y2 != yd) && Overlap(from2, to)) s2.Detach(from2);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* a = s1.At(x1, y1 + y);
        const std::uint8_t* b = s2.At(x2, y2 + y);
        std::uint8_t* d = dst.At(xd, yd + y);
        for (int i = 0; i < n * 3; ++i) d[i] = static_cast<std::uint8_t>(b[i] + diff[a[i] - b[i]]);
    }
}
