#include "indicator_controls/Vanimate.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Raster.h"
#include "platform/rtl/Math.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Controls.h"
#include "platform/win/Resources.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Taken in 64 bits: a filter's weight may be any integer, and its products must not wrap.
std::uint8_t Clamp(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

// n / d for positive d, halves to the even neighbour.
int DivRoundEven(int n, int d) {
    int q = n / d;
    const int r = n % d;
    if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
    return q;
}

TColor PixelColor(const std::uint8_t* p) {
    return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

// Runs Pixel(p) over every pixel of the bitmap in a fast copy and draws the result back.
template <typename F> void ForEachPixel(TBitmap* Bitmap, F Pixel) {
    TvFastBmp fast(Bitmap);
    for (int y = 0; y < fast.Height; ++y) {
        std::uint8_t* p = fast.GetLine(y);
        for (int x = 0; x < fast.Width; ++x, p += 3) Pixel(p);
    }
    fast.Draw(Bitmap->Canvas(), 0, 0);
}

// The bitmap's own rows, where they can be worked on in place: the bytes of a row and of a pixel
// (0 for pixels of less than a byte, which stay with the copying paths).
struct TRows {
    TBitmap* Bitmap = nullptr;
    int Width = 0;
    int Height = 0;
    std::size_t RowBytes = 0;
    int PixelBytes = 0;
    std::uint8_t* Row(int y) const { return static_cast<std::uint8_t*>(Bitmap->ScanLine(y)); }
};

bool RowsOf(TBitmap* Bitmap, TRows& rows) {
    BITMAP info;
    if (Bitmap->Empty() || GetObject(Bitmap->Handle(), sizeof info, &info) != static_cast<int>(sizeof info) ||
        !info.bmBits)
        return false;
    rows.Bitmap = Bitmap;
    rows.Width = info.bmWidth;
    rows.Height = info.bmHeight;
    rows.RowBytes = static_cast<std::size_t>(info.bmWidthBytes);
    rows.PixelBytes = info.bmBitsPixel % 8 == 0 ? info.bmBitsPixel / 8 : 0;
    return true;
}

// Moves the canvas's pixels in place with the notices the canvas gives around a drawing.
template <typename F> void InPlace(TBitmap* Bitmap, F Work) {
    TCanvas* canvas = Bitmap->Canvas();
    if (canvas->OnChanging) canvas->OnChanging(canvas);
    Work();
    if (canvas->OnChange) canvas->OnChange(canvas);
}

template <typename F> void WithFastCopy(TBitmap* Bitmap, F Work) {
    TvFastBmp fast(Bitmap);
    Work(fast);
    fast.Draw(Bitmap->Canvas(), 0, 0);
}

} // namespace

// --- TvFastBmp -----------------------------------------------------------------------------------

TvFastBmp::TvFastBmp(int W, int H) {
    Allocate(W, H);
}

TvFastBmp::TvFastBmp(TBitmap* Bitmap) {
    Allocate(Bitmap->Width(), Bitmap->Height());
    if (!Bits) return;
    HDC display = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    GetDIBits(display, Bitmap->Handle(), 0, static_cast<UINT>(Height), Bits, &bmInfo, DIB_RGB_COLORS);
    DeleteDC(display);
}

TvFastBmp::~TvFastBmp() {
    if (Handle) DeleteObject(Handle);
}

void TvFastBmp::Allocate(int W, int H) {
    Width = std::max(W, 0);
    Height = std::max(H, 0);
    Stride = Width * 3 + Width % 4;
    Size = Height * Stride;
    bmInfo.bmiHeader.biSize = 40;
    bmInfo.bmiHeader.biWidth = Width;
    bmInfo.bmiHeader.biHeight = -Height;
    bmInfo.bmiHeader.biPlanes = 1;
    bmInfo.bmiHeader.biBitCount = 24;
    bmInfo.bmiHeader.biCompression = BI_RGB;
    if (Width > 0 && Height > 0) {
        void* bits = nullptr;
        Handle = CreateDIBSection(nullptr, &bmInfo, DIB_RGB_COLORS, &bits, 0, 0);
        Bits = static_cast<std::uint8_t*>(bits);
    }
    if (!Bits) {
        Width = Height = Size = 0;
        return;
    }
    DoCalcLines();
}

void TvFastBmp::DoCalcLines() {
    Rows.resize(static_cast<std::size_t>(Height));
    for (int i = 0; i < Height; ++i)
        Rows[static_cast<std::size_t>(i)] =
            Bits + static_cast<std::size_t>(i) * static_cast<std::size_t>(Stride);
}

void TvFastBmp::SetPixel(int X, int Y, TColor Color) {
    if (X < 0 || X >= Width || Y < 0 || Y >= Height) return;
    const COLORREF rgb = ColorToRGB(Color);
    std::uint8_t* p = GetLine(Y) + X * 3;
    p[0] = static_cast<std::uint8_t>(rgb >> 16);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb);
}

TColor TvFastBmp::GetPixel(int X, int Y) const {
    if (X < 0 || X >= Width || Y < 0 || Y >= Height) return -1;
    return PixelColor(GetLine(Y) + X * 3);
}

void TvFastBmp::SetLine(int Row, const void* Data) {
    std::memcpy(GetLine(Row), Data, static_cast<std::size_t>(Width) * 3);
}

void TvFastBmp::GetScanLine(int Row, void* Dest) const {
    std::memcpy(Dest, GetLine(Row), static_cast<std::size_t>(Width) * 3);
}

void TvFastBmp::Draw(TCanvas* Canvas, int X, int Y) {
    if (!Bits) return;
    StretchDIBits(Canvas->Handle(), X, Y, Width, Height, 0, 0, Width, Height, Bits, &bmInfo, DIB_RGB_COLORS,
                  SRCCOPY);
}

void TvFastBmp::ColorNoise(int N) {
    if (N <= 0) return;
    for (int y = 0; y < Height; ++y) {
        std::uint8_t* p = GetLine(y);
        for (int x = 0; x < Width; ++x, p += 3) {
            const int r = Random(N) - N / 2;
            const int g = Random(N) - N / 2;
            const int b = Random(N) - N / 2;
            p[2] = Clamp(p[2] + r);
            p[1] = Clamp(p[1] + g);
            p[0] = Clamp(p[0] + b);
        }
    }
}

void TvFastBmp::BWNoise(int N) {
    if (N <= 0) return;
    for (int y = 0; y < Height; ++y) {
        std::uint8_t* p = GetLine(y);
        for (int x = 0; x < Width; ++x, p += 3) {
            const int r = Random(N) - N / 2;
            for (int c = 0; c < 3; ++c) p[c] = Clamp(p[c] + r);
        }
    }
}

void TvFastBmp::Saturation(int A) {
    for (int y = 0; y < Height; ++y) {
        std::uint8_t* p = GetLine(y);
        for (int x = 0; x < Width; ++x, p += 3) {
            const int grey = (p[0] + p[1] + p[2]) / 3;
            for (int c = 0; c < 3; ++c) p[c] = Clamp(grey + std::int64_t{A} * (p[c] - grey) / 255);
        }
    }
}

void TvFastBmp::Contrast(int A) {
    // Each byte's new value depends on the byte alone: one table for all of them.
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v) {
        const std::int64_t d = std::int64_t{std::abs(127 - v)} * A / 255;
        table[v] = Clamp(v > 127 ? v + d : v - d);
    }
    const int h = Height;
    const std::size_t bytes = static_cast<std::size_t>(Width) * 3;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = GetLine(y);
        for (std::size_t x = 0; x < bytes; ++x) p[x] = table[p[x]];
    }
}

void TvFastBmp::Sharpen(int A) {
    // A weight that leaves no positive divisor, or a side with no neighbour, has nothing to average.
    const std::int64_t weight = A, divisor = weight + 4;
    if (divisor <= 0 || Width < 2 || Height < 2) return;
    const std::size_t rowBytes = static_cast<std::size_t>(Width) * 3;
    std::vector<std::uint8_t> line(rowBytes);
    for (int i = 0; i < Height; ++i) {
        const std::uint8_t* up = GetLine(i == 0 ? 1 : i - 1);
        const std::uint8_t* down = GetLine(i == Height - 1 ? i - 1 : i + 1);
        std::memcpy(line.data(), GetLine(i), rowBytes);
        for (int j = 0; j < Width; ++j) {
            const int left = j == 0 ? 1 : j - 1;
            const int right = j == Width - 1 ? j - 1 : j + 1;
            for (int c = 0; c < 3; ++c) {
                const std::int64_t sum = line[static_cast<std::size_t>(left * 3 + c)] +
                                         line[static_cast<std::size_t>(right * 3 + c)] + up[j * 3 + c] +
                                         down[j * 3 + c] + weight * line[static_cast<std::size_t>(j * 3 + c)];
                line[static_cast<std::size_t>(j * 3 + c)] = Clamp(sum / divisor);
            }
        }
        std::memcpy(GetLine(i), line.data(), rowBytes);
    }
}

void TvFastBmp::Blur(int N) {
    // The far samples fold back inside only while the radius is below both sides.
    if (N <= 0 || N >= std::min(Width, Height)) return;
    for (int i = 0; i < Height; ++i) {
        const std::uint8_t* top = GetLine(i - N < 0 ? i : i - N);
        const std::uint8_t* bottom = GetLine(i + N >= Height ? Height - i : i + N);
        std::uint8_t* p = GetLine(i);
        // Left to right in place, as the rows above: samples left of a pixel are already blurred.
        auto blend = [&](int c, int l, int r) {
            for (int k = 0; k < 3; ++k)
                p[c * 3 + k] =
                    static_cast<std::uint8_t>((top[l + k] + top[r + k] + bottom[l + k] + bottom[r + k]) >> 2);
        };
        // Near either side a sample folds back inside: c itself on the left, Width - c on the right.
        // With a radius above half the width the two edge runs overlap and both fold.
        const int w = Width;
        auto edge = [&](int c) { blend(c, (c < N ? c : c - N) * 3, (c + N < w ? c + N : w - c) * 3); };
        int c = 0;
        for (; c < N; ++c) edge(c);
        for (; c < w - N; ++c) {
            // The same sums without the edge tests.
            const int l = (c - N) * 3, r = (c + N) * 3;
            const std::uint8_t b0 = static_cast<std::uint8_t>((top[l] + top[r] + bottom[l] + bottom[r]) >> 2);
            p[c * 3] = b0;
            const std::uint8_t b1 =
                static_cast<std::uint8_t>((top[l + 1] + top[r + 1] + bottom[l + 1] + bottom[r + 1]) >> 2);
            p[c * 3 + 1] = b1;
            const std::uint8_t b2 =
                static_cast<std::uint8_t>((top[l + 2] + top[r + 2] + bottom[l + 2] + bottom[r + 2]) >> 2);
            p[c * 3 + 2] = b2;
        }
        for (; c < w; ++c) edge(c);
    }
}

void TvFastBmp::GaussianBlur(int N) {
    // Radii not below both sides leave the picture alone; the loop starts below them.
    for (int i = std::min(N, std::min(Width, Height) - 1); i > 0; --i) Blur(i);
}

// --- Bitmap functions ----------------------------------------------------------------------------

int PercentToLevel(std::uint8_t Percent) {
    return DivRoundEven(Percent * 255, 100);
}

void DarkenBMP(TBitmap* Bitmap, std::uint8_t Percent, bool UseTransparent, TColor TransparentColor) {
    const int level = PercentToLevel(Percent);
    ForEachPixel(Bitmap, [&](std::uint8_t* p) {
        if (UseTransparent && PixelColor(p) == TransparentColor) return;
        for (int c = 0; c < 3; ++c) p[c] = Clamp(p[c] - level);
    });
}

void LightenBMP(TBitmap* Bitmap, std::uint8_t Percent, bool UseTransparent, TColor TransparentColor) {
    const int level = PercentToLevel(Percent);
    ForEachPixel(Bitmap, [&](std::uint8_t* p) {
        if (UseTransparent && PixelColor(p) == TransparentColor) return;
        for (int c = 0; c < 3; ++c) p[c] = Clamp(p[c] + level);
    });
}

namespace {

// The grey of 30 % red, 59 % green and 11 % blue for every weighted sum, halves to even.
const std::uint8_t* GreyLevels() {
    static const auto* levels = [] {
        auto* table = new std::uint8_t[25501];
        for (int n = 0; n <= 25500; ++n) table[n] = static_cast<std::uint8_t>(DivRoundEven(n, 100));
        return table;
    }();
    return levels;
}

} // namespace

void GreyBMP(TBitmap* Bitmap, bool UseTransparent, TColor TransparentColor) {
    TRows rows;
    if (RowsOf(Bitmap, rows) && rows.PixelBytes == 3) {
        // A 24-bit bitmap's rows are what the fast copy would hold: worked on where they are.
        const std::uint8_t* levels = GreyLevels();
        for (int y = 0; y < rows.Height; ++y) {
            std::uint8_t* p = rows.Row(y);
            for (int x = 0; x < rows.Width; ++x, p += 3) {
                if (UseTransparent && PixelColor(p) == TransparentColor) continue;
                p[0] = p[1] = p[2] = levels[30 * p[2] + 59 * p[1] + 11 * p[0]];
            }
        }
        return;
    }
    ForEachPixel(Bitmap, [&](std::uint8_t* p) {
        if (UseTransparent && PixelColor(p) == TransparentColor) return;
        const auto grey = static_cast<std::uint8_t>(DivRoundEven(30 * p[2] + 59 * p[1] + 11 * p[0], 100));
        p[0] = p[1] = p[2] = grey;
    });
}

namespace {

bool SparseDot(int x, int y) {
    const int m = x % 8;
    return (y % 2 == 1) ? (m == 3 || m == 7) : (m == 1 || m == 5);
}

} // namespace

void RasterBMP(TBitmap* Bitmap, TColor Color, int Kind) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) {
        for (int y = 0; y < fast.Height; ++y)
            for (int x = 0; x < fast.Width; ++x) {
                switch (Kind) {
                case 0:
                    if (SparseDot(x, y)) fast.SetPixel(x, y, Color);
                    break;
                case 1:
                    if ((x + y) % 2 == 1) fast.SetPixel(x, y, Color);
                    break;
                case 2:
                    if (x <= fast.Width - 2 && y <= fast.Height - 2 && SparseDot(x, y)) {
                        fast.SetPixel(x, y, Color);
                        fast.SetPixel(x + 1, y, Color);
                        fast.SetPixel(x, y + 1, Color);
                    }
                    break;
                default:
                    break;
                }
            }
    });
}

void AddColorNoise(TBitmap* Bitmap, int N) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) { fast.ColorNoise(N); });
}

void AddBWNoise(TBitmap* Bitmap, int N) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) { fast.BWNoise(N); });
}

void Contrast(TBitmap* Bitmap, int N) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) { fast.Contrast(N); });
}

void Saturation(TBitmap* Bitmap, int N) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) { fast.Saturation(N); });
}

void Sharpen(TBitmap* Bitmap, int N) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) { fast.Sharpen(N); });
}

void Blur(TBitmap* Bitmap, int N) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) { fast.Blur(N); });
}

void GaussianBlur(TBitmap* Bitmap, int N) {
    WithFastCopy(Bitmap, [&](TvFastBmp& fast) { fast.GaussianBlur(N); });
}

void BMPRotate(TBitmap* Source, TBitmap* Dest, double Angle) {
    TvFastBmp src(Source);
    TvFastBmp dst(Dest);
    const int cx = src.Width / 2, cy = src.Height / 2;
    const int dx = dst.Width / 2, dy = dst.Height / 2;
    const int n = std::max(dst.Width, dst.Height) / 2;
    const double turn = Angle * std::numbers::pi / 180;
    auto copy = [&](int sx, int sy, int tx, int ty) {
        const TColor c = src.GetPixel(sx, sy);
        if (c != -1) dst.SetPixel(tx, ty, c);
    };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double phi = turn + (i == 0 ? std::numbers::pi / 2 : std::atan(static_cast<double>(j) / i));
            const auto r = static_cast<double>(Round(std::sqrt(static_cast<double>(i * i + j * j))));
            const int a = static_cast<int>(Round(r * std::cos(phi)));
            const int b = static_cast<int>(Round(r * std::sin(phi)));
            copy(cx + a, cy + b, dx + i, dy + j);
            copy(cx - a, cy - b, dx - i, dy - j);
            copy(cx + b, cy - a, dx + j, dy - i);
            copy(cx - b, cy + a, dx - j, dy + i);
        }
    dst.Draw(Dest->Canvas(), 0, 0);
}

// The source rectangle runs from the far edge back to 0, which the drawing layer takes as an exact
// reversal of every row or column.
// Where the rows can be reached, the same reversal is done on them in place.
void FlipBMP(TBitmap* Bitmap) {
    TRows rows;
    if (RowsOf(Bitmap, rows)) {
        InPlace(Bitmap, [&] {
            std::vector<std::uint8_t> spare(rows.RowBytes);
            for (int y = 0; y < rows.Height / 2; ++y) {
                std::uint8_t* a = rows.Row(y);
                std::uint8_t* b = rows.Row(rows.Height - 1 - y);
                std::memcpy(spare.data(), a, rows.RowBytes);
                std::memcpy(a, b, rows.RowBytes);
                std::memcpy(b, spare.data(), rows.RowBytes);
            }
        });
        return;
    }
    const int w = Bitmap->Width(), h = Bitmap->Height();
    Bitmap->Canvas()->CopyRect(TRect(0, 0, w, h), Bitmap->Canvas(), TRect(0, h, w, 0));
}

namespace {

template <int Bytes> void ReverseRow(std::uint8_t* row, int width) {
    std::uint8_t* a = row;
    std::uint8_t* b = row + static_cast<std::size_t>(width - 1) * Bytes;
    for (; a < b; a += Bytes, b -= Bytes)
        for (int k = 0; k < Bytes; ++k) std::swap(a[k], b[k]);
}

} // namespace

void MirrorBMP(TBitmap* Bitmap) {
    TRows rows;
    if (RowsOf(Bitmap, rows) && rows.PixelBytes >= 1 && rows.PixelBytes <= 4) {
        InPlace(Bitmap, [&] {
            for (int y = 0; y < rows.Height; ++y) {
                std::uint8_t* row = rows.Row(y);
                switch (rows.PixelBytes) {
                case 1: std::reverse(row, row + rows.Width); break;
                case 2: ReverseRow<2>(row, rows.Width); break;
                case 3: ReverseRow<3>(row, rows.Width); break;
                default: ReverseRow<4>(row, rows.Width); break;
                }
            }
        });
        return;
    }
    const int w = Bitmap->Width(), h = Bitmap->Height();
    Bitmap->Canvas()->CopyRect(TRect(0, 0, w, h), Bitmap->Canvas(), TRect(w, 0, 0, h));
}

void ReplaceColor(TBitmap* Bitmap, TColor OldColor, TColor NewColor) {
    const int w = Bitmap->Width(), h = Bitmap->Height();
    if (w == 0 || h == 0) return;
    TBitmap work;
    work.SetPixelFormat(Bitmap->PixelFormat());
    work.SetSize(w, h);
    work.Canvas()->Brush()->SetColor(NewColor);
    work.Canvas()->BrushCopy(TRect(0, 0, w, h), Bitmap, TRect(0, 0, w, h), OldColor);
    Bitmap->Canvas()->CopyRect(TRect(0, 0, w, h), work.Canvas(), TRect(0, 0, w, h));
}

void DrawEllipse(TCanvas* Canvas, int X, int Y, int RadiusX, int RadiusY, double Angle) {
    constexpr double kappa = 0.26521648984;
    double px[25], py[25];
    for (int k = 0; k < 8; ++k) {
        const double t = k * std::numbers::pi / 4, s = std::sin(t), c = std::cos(t);
        const double x = RadiusX * c, y = RadiusY * s;
        px[3 * k] = x;
        py[3 * k] = y;
        const int before = k == 0 ? 23 : 3 * k - 1;
        px[before] = x + RadiusX * kappa * s;
        py[before] = y - RadiusY * kappa * c;
        px[3 * k + 1] = x - RadiusX * kappa * s;
        py[3 * k + 1] = y + RadiusY * kappa * c;
    }
    px[24] = px[0];
    py[24] = py[0];
    const double ca = std::cos(Angle), sa = std::sin(Angle);
    POINT points[25];
    for (int i = 0; i < 25; ++i) {
        points[i].x = static_cast<LONG>(Round(px[i] * ca - py[i] * sa + X));
        points[i].y = static_cast<LONG>(Round(px[i] * sa + py[i] * ca + Y));
    }
    HDC dc = Canvas->Handle();
    BeginPath(dc);
    PolyBezier(dc, points, 25);
    EndPath(dc);
    StrokeAndFillPath(dc);
}

void TransparentBlt(TCanvas* Canvas, TBitmap* Bitmap, int X, int Y, TColor TransparentColor) {
    const int w = Bitmap->Width(), h = Bitmap->Height();
    if (w == 0 || h == 0) return;
    HDC dc = Canvas->Handle();
    HDC bitmapDC = Bitmap->Canvas()->Handle();

    // 1 where the bitmap shows the transparent colour.
    HDC maskDC = CreateCompatibleDC(dc);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ oldMask = SelectObject(maskDC, mask);
    const COLORREF oldBk = SetBkColor(bitmapDC, static_cast<COLORREF>(TransparentColor));
    BitBlt(maskDC, 0, 0, w, h, bitmapDC, 0, 0, SRCCOPY);
    SetBkColor(bitmapDC, oldBk);

    // Mask bits meet colour as black (0) and white (1).
    auto colourDC = [&](HBITMAP& bitmap, HGDIOBJ& old) {
        HDC result = CreateCompatibleDC(dc);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        old = SelectObject(result, bitmap);
        SetTextColor(result, RGB(0, 0, 0));
        SetBkColor(result, RGB(255, 255, 255));
        return result;
    };
    HBITMAP work = nullptr, sprite = nullptr;
    HGDIOBJ oldWork = nullptr, oldSprite = nullptr;
    HDC workDC = colourDC(work, oldWork);
    HDC spriteDC = colourDC(sprite, oldSprite);

    // The canvas kept where transparent, the bitmap where not.
    BitBlt(workDC, 0, 0, w, h, dc, X, Y, SRCCOPY);
    BitBlt(workDC, 0, 0, w, h, maskDC, 0, 0, SRCAND);
    BitBlt(spriteDC, 0, 0, w, h, bitmapDC, 0, 0, SRCCOPY);
    BitBlt(spriteDC, 0, 0, w, h, maskDC, 0, 0, 0x00220326); // destination AND NOT mask
    BitBlt(workDC, 0, 0, w, h, spriteDC, 0, 0, SRCPAINT);
    BitBlt(dc, X, Y, w, h, workDC, 0, 0, SRCCOPY);

    SelectObject(spriteDC, oldSprite);
    DeleteObject(sprite);
    DeleteDC(spriteDC);
    SelectObject(workDC, oldWork);
    DeleteObject(work);
    DeleteDC(workDC);
    SelectObject(maskDC, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDC);
}

// --- TvDesktop, TvResBitmap ----------------------------------------------------------------------

TvDesktop::TvDesktop() {
    FDC = GetDC(0);
    SetHandle(FDC);
}

TvDesktop::TvDesktop(HWND Window, int Left, int Top) : window_(Window) {
    FDC = GetDC(Window);
    SetWindowOrgEx(FDC, Left, Top, nullptr);
    SetHandle(FDC);
}

TvDesktop::~TvDesktop() {
    SetHandle(nullptr);
    if (window_) SetWindowOrgEx(FDC, 0, 0, nullptr);
    ReleaseDC(window_, FDC);
}

int TvDesktop::gWidth() {
    return GetDeviceCaps(Handle(), HORZRES);
}

int TvDesktop::gHeight() {
    return GetDeviceCaps(Handle(), VERTRES);
}

TvResBitmap::TvResBitmap(const std::string& ResourceName) {
    // Bitmap resources hold whole bitmap files. An empty stream loads as an empty bitmap, so a name
    // that is not there is refused here.
    HRSRC res = FindResource(HInstance, ResourceName, RT_BITMAP);
    if (!res) throw EInvalidGraphic("Bitmap image is not valid");
    std::string bytes(static_cast<const char*>(LockResource(LoadResource(HInstance, res))),
                      SizeofResource(HInstance, res));
    TMemoryStream stream(std::move(bytes));
    LoadFromStream(stream);
}

namespace {
int VanimateCounter = 0;
} // namespace

void InitializeVanimate() {
    --VanimateCounter;
}

void FinalizeVanimate() {
    ++VanimateCounter;
}
