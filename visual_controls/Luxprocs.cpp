#include "visual_controls/Luxprocs.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Forms.h"
#include "platform/ui/SystemMenu.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"
#include "platform/win/SysInfo.h"
#include "visual_controls/Luxstrings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

// --- LZRW block compression ------------------------------------------------------------------------

namespace {

constexpr std::uint8_t flagCompressed = 0x40;
constexpr std::uint8_t flagStored = 0x80;
constexpr int maxDistance = 4095;
constexpr int minMatch = 3;
constexpr int maxMatch = 18;
constexpr int minRun = 16;
constexpr int maxRun = 4095;

std::uint64_t Load8(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

void Store8(std::uint8_t* p, std::uint64_t v) {
    std::memcpy(p, &v, 8);
}

constexpr std::uint64_t Repeated(std::uint8_t c) {
    return c * 0x0101010101010101ull;
}

// The index of the first byte in memory order at which two loaded words differ (diff != 0).
int FirstUnequal(std::uint64_t diff) {
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(diff) / 8;
    else
        return std::countl_zero(diff) / 8;
}

unsigned Hash(unsigned c, unsigned b1, unsigned b2) {
    return ((((c << 8) ^ (b1 << 4) ^ b2) * 40543u) >> 4) & 0xFFF;
}

// The bits of a loaded word that hold its first three bytes in memory order, and its fourth.
constexpr std::uint64_t kFirst3 =
    std::endian::native == std::endian::little ? 0xFFFFFFull : 0xFFFFFF0000000000ull;
constexpr std::uint64_t kFourth =
    std::endian::native == std::endian::little ? 0xFF000000ull : 0xFF00000000ull;

} // namespace

std::uint16_t LuxLZRWCompress(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize) {
    const int size = sourceSize;
    // The compressed form is built aside and given up once it grows past the source: the last item
    // and a command word can take it up to 6 bytes beyond, which dest need not hold.
    std::array<std::uint8_t, 65535 + 8> work;
    // Positions kept as 16-bit signed values: one stored from 32768 on never comes back as a
    // candidate, as in the original table.
    std::array<std::int16_t, 4096> table;
    table.fill(-1);
    std::uint8_t* const out = work.data();
    out[0] = flagCompressed;
    int y = 3, q = 1, k = 0, x = 0;
    unsigned w = 0;
    // Where a whole match and the run test's 16 bytes lie inside the source, without bounds tests.
    // Output through a pointer: with an index the compiler kept it in memory.
    const int fastEnd = size - maxMatch;
    std::uint8_t* op = out + y;
    std::uint8_t* qp = out + q;
    std::uint8_t* const opLimit = out + size;
    while (x < fastEnd && op <= opLimit) {
        if (k == 16) {
            qp[0] = static_cast<std::uint8_t>(w >> 8);
            qp[1] = static_cast<std::uint8_t>(w);
            qp = op;
            op += 2;
            k = 0;
        }
        ++k;
        const std::uint8_t* a = source + x;
        const std::uint64_t v = Load8(a);
        const std::uint8_t c = a[0];
        if (v == Repeated(c) && Load8(a + 8) == v) [[unlikely]] {
            const int limit = std::min(maxRun, size - x);
            int run = minRun;
            while (run + 8 <= limit && Load8(a + run) == v) run += 8;
            while (run < limit && a[run] == c) ++run;
            op[0] = 0;
            op[1] = static_cast<std::uint8_t>((run - minRun) >> 8);
            op[2] = static_cast<std::uint8_t>(run - minRun);
            op[3] = c;
            op += 4;
            x += run;
            w = w * 2 + 1;
            continue;
        }
        const unsigned h = Hash(c, a[1], a[2]);
        const int p = table[h];
        table[h] = static_cast<std::int16_t>(x);
        const int distance = x - p;
        // A missing or far candidate (in arithmetic, not branches) is compared with the position
        // itself and then spoilt, so that "three equal bytes" is the only branch.
        const unsigned none =
            (static_cast<unsigned>(p) >> 31) | ((static_cast<unsigned>(maxDistance - distance)) >> 31);
        const std::uint8_t* b = source + (p ^ ((p ^ x) & -static_cast<int>(none)));
        const std::uint64_t d = (v ^ Load8(b)) | (kFirst3 & (0 - static_cast<std::uint64_t>(none)));
        if ((d & kFirst3) == 0) {
            int length;
            // Most matches end at their fourth byte: a branch that says so lets the next item
            // start before the length is known.
            if ((d & kFourth) != 0) [[likely]] {
                length = minMatch;
            } else if (d != 0) {
                length = FirstUnequal(d);
            } else {
                const std::uint64_t d2 = Load8(a + 8) ^ Load8(b + 8);
                if (d2 != 0)
                    length = 8 + FirstUnequal(d2);
                else
                    length = 16 + (a[16] == b[16]) + (a[16] == b[16] && a[17] == b[17]);
            }
            const int word = (distance << 4) + (length - minMatch);
            op[0] = static_cast<std::uint8_t>(word >> 8);
            op[1] = static_cast<std::uint8_t>(word);
            op += 2;
            x += length;
            w = w * 2 + 1;
        } else {
            *op++ = c;
            ++x;
            w = w * 2;
        }
    }
    y = static_cast<int>(op - out);
    q = static_cast<int>(qp - out);
    // The last bytes, with every bound tested; bytes past the end hash as 0 and never match.
    while (x < size && y <= size) {
        if (k == 16) {
            out[q] = static_cast<std::uint8_t>(w >> 8);
            out[q + 1] = static_cast<std::uint8_t>(w);
            q = y;
            y += 2;
            k = 0;
        }
        ++k;
        const std::uint8_t c = source[x];
        int run = 1;
        while (run < maxRun && x + run < size && source[x + run] == c) ++run;
        if (run >= minRun) {
            out[y] = 0;
            out[y + 1] = static_cast<std::uint8_t>((run - minRun) >> 8);
            out[y + 2] = static_cast<std::uint8_t>(run - minRun);
            out[y + 3] = c;
            y += 4;
            x += run;
            w = w * 2 + 1;
            continue;
        }
        const unsigned h = Hash(c, x + 1 < size ? source[x + 1] : 0u, x + 2 < size ? source[x + 2] : 0u);
        const int p = table[h];
        table[h] = static_cast<std::int16_t>(x);
        int length = 0;
        if (p >= 0 && x - p <= maxDistance)
            while (length < maxMatch && x + length < size && source[x + length] == source[p + length])
                ++length;
        if (length >= minMatch) {
            const int word = ((x - p) << 4) + (length - minMatch);
            out[y] = static_cast<std::uint8_t>(word >> 8);
            out[y + 1] = static_cast<std::uint8_t>(word);
            y += 2;
            x += length;
            w = w * 2 + 1;
        } else {
            out[y++] = c;
            ++x;
            w = w * 2;
        }
    }
    w = static_cast<std::uint16_t>(w << (16 - k));
    out[q] = static_cast<std::uint8_t>(w >> 8);
    out[q + 1] = static_cast<std::uint8_t>(w);
    if (y > size) {
        dest[0] = flagStored;
        if (size > 0) std::memcpy(dest + 1, source, static_cast<std::size_t>(size));
        return static_cast<std::uint16_t>(size + 1);
    }
    std::memcpy(dest, out, static_cast<std::size_t>(y));
    return static_cast<std::uint16_t>(y);
}

std::uint16_t LuxLZRWDecompress(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize) {
    const int size = sourceSize;
    if (size < 1 || size > LuxLZRWBufferSize) throw EReadError();
    if (source[0] == flagStored) {
        std::memcpy(dest, source + 1, static_cast<std::size_t>(size - 1));
        return static_cast<std::uint16_t>(size - 1);
    }
    // The compressor makes a compressed block only when it holds at least one item.
    if (source[0] != flagCompressed || size < 4) throw EReadError();
    unsigned w = (source[1] << 8) | source[2];
    int bits = 16, i = 3, o = 0;
    while (i < size) {
        if (bits == 0) {
            // A command word always has an item after it.
            if (i + 3 > size) throw EReadError();
            w = (source[i] << 8) | source[i + 1];
            i += 2;
            bits = 16;
        }
        // A whole group with its 16 items inside the block and room for them unless a run comes:
        // only distances and runs need checking.
        if (bits == 16 && size - i >= 16 * 4 && LuxLZRWMaxSource - o >= 16 * maxMatch) {
            for (; bits > 0; --bits, w <<= 1) {
                if ((w & 0x8000) == 0) {
                    dest[o++] = source[i++];
                    continue;
                }
                const int distance = (source[i] << 4) | (source[i + 1] >> 4);
                if (distance == 0) {
                    const int count = ((source[i + 1] << 8) | source[i + 2]) + minRun;
                    // Too close to the end to leave room for the rest: they go the careful way.
                    if (count > LuxLZRWMaxSource - o - 16 * maxMatch) break;
                    std::memset(dest + o, source[i + 3], static_cast<std::size_t>(count));
                    o += count;
                    i += 4;
                } else {
                    const int length = (source[i + 1] & 0x0F) + minMatch;
                    if (distance > o) throw EReadError();
                    if (distance >= 8) {
                        // Eight bytes at a time, each chunk's source already written; the group has
                        // room for 18 bytes here, so what lands past the match is written over later.
                        std::uint8_t* to = dest + o;
                        const std::uint8_t* from = to - distance;
                        Store8(to, Load8(from));
                        Store8(to + 8, Load8(from + 8));
                        to[16] = from[16];
                        to[17] = from[17];
                        o += length;
                    } else {
                        for (int n = 0; n < length; ++n, ++o) dest[o] = dest[o - distance];
                    }
                    i += 2;
                }
            }
            if (bits == 0) continue;
        }
        if ((w & 0x8000) == 0) {
            if (o >= LuxLZRWMaxSource) throw EReadError();
            dest[o++] = source[i++];
        } else {
            if (i + 2 > size) throw EReadError();
            const int distance = (source[i] << 4) | (source[i + 1] >> 4);
            if (distance == 0) {
                if (i + 4 > size) throw EReadError();
                const int count = ((source[i + 1] << 8) | source[i + 2]) + minRun;
                if (count > LuxLZRWMaxSource - o) throw EReadError();
                std::memset(dest + o, source[i + 3], static_cast<std::size_t>(count));
                o += count;
                i += 4;
            } else {
                const int length = (source[i + 1] & 0x0F) + minMatch;
                if (distance > o || length > LuxLZRWMaxSource - o) throw EReadError();
                // One byte at a time: an overlapping copy repeats what it has just written.
                for (int n = 0; n < length; ++n, ++o) dest[o] = dest[o - distance];
                i += 2;
            }
        }
        w <<= 1;
        --bits;
    }
    return static_cast<std::uint16_t>(o);
}

// --- Rectangles and points --------------------------------------------------------------------------

TRect LuxExpandRect(const TRect& r, int delta) {
    return TRect(r.Left - delta, r.Top - delta, r.Right + delta, r.Bottom + delta);
}

void LuxAdjustRect(TRect& r, int dx, int dy) {
    r.Right += dx;
    r.Bottom += dy;
}

void LuxAdjustRectExt(TRect& r, int dLeft, int dTop, int dRight, int dBottom) {
    r.Left += dLeft;
    r.Top += dTop;
    r.Right += dRight;
    r.Bottom += dBottom;
}

TRect LuxAffineRect(const TRect& src, const TRect& dst) {
    const int sw = src.Width(), sh = src.Height();
    if (sw == 0 || sh == 0) return TRect(dst.Left, dst.Top, dst.Left, dst.Top);
    const long double f =
        std::min(static_cast<long double>(dst.Width()) / sw, static_cast<long double>(dst.Height()) / sh);
    const int w = static_cast<int>(std::trunc(sw * f));
    const int h = static_cast<int>(std::trunc(sh * f));
    return TRect(dst.Left, dst.Top, dst.Left + w, dst.Top + h);
}

void LuxGetRectWH(const TRect& r, int& w, int& h) {
    w = r.Width();
    h = r.Height();
}

bool LuxRectinRect(const TRect& inner, const TRect& outer) {
    const RECT o = outer;
    return PtInRect(&o, inner.TopLeft()) && PtInRect(&o, inner.BottomRight());
}

namespace {

// Nearest integer, ties to even.
int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

double SinDeg(double degrees) {
    return std::sin(degrees * std::numbers::pi / 180);
}

} // namespace

void LuxCalcRotRect(TRect& r, int angle) {
    if (angle == 0) return;
    const double a = angle * std::numbers::pi / 180;
    const double sn = std::sin(a), cs = std::cos(a);
    const int w = r.Width() / 2, h = r.Height() / 2;
    const int cx = r.Left + w, cy = r.Top + h;
    const int p = RoundEven(w * cs - h * sn), q = RoundEven(w * cs + h * sn);
    const int rr = RoundEven(w * sn - h * cs), s = RoundEven(w * sn + h * cs);
    const int xs[] = {cx - p, cx - q, cx + q, cx + p};
    const int ys[] = {cy + rr, cy + s, cy - s, cy - rr};
    const auto [minX, maxX] = std::minmax_element(std::begin(xs), std::end(xs));
    const auto [minY, maxY] = std::minmax_element(std::begin(ys), std::end(ys));
    r = TRect(0, 0, *maxX - *minX, *maxY - *minY);
}

int LuxRotatedXPos(int angle, int a, int b) {
    double e = 0;
    if (angle >= 91 && angle <= 180)
        e = a * SinDeg(angle - 90);
    else if (angle >= 181 && angle <= 270)
        e = a;
    else if (angle >= 271 && angle <= 359)
        e = a + a * SinDeg(angle - 90);
    return RoundEven(SinDeg(angle) * b + e);
}

int LuxRotatedYPos(int angle, int, int b) {
    double e = 0;
    if (angle >= 0 && angle <= 90)
        e = b * SinDeg(angle);
    else if (angle >= 91 && angle <= 180)
        e = b;
    else if (angle >= 181 && angle <= 270)
        e = b + b * SinDeg(angle);
    return RoundEven(std::cos(angle * std::numbers::pi / 180) * b + e);
}

void LuxMidpoint(std::span<const TPoint> points, TPoint& mid) {
    if (points.empty()) return;
    std::int64_t x = 0, y = 0;
    for (const TPoint& p : points) {
        x += p.X;
        y += p.Y;
    }
    const auto n = static_cast<std::int64_t>(points.size());
    mid = TPoint(static_cast<int>(x / n), static_cast<int>(y / n));
}

void LuxOffsetPoints(std::span<TPoint> points, int dx, int dy) {
    for (TPoint& p : points) {
        p.X += dx;
        p.Y += dy;
    }
}

void LuxNullPoints(std::span<TPoint> points) {
    std::fill(points.begin(), points.end(), TPoint(0, 0));
}

int LuxMax(std::span<const int> values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

int LuxMin(std::span<const int> values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double LuxMaxR(std::span<const double> values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

double LuxMinR(std::span<const double> values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

int LuxMidI(int a, int b) {
    return static_cast<int>((static_cast<std::int64_t>(a) + b) / 2);
}

// --- Values and bits ---------------------------------------------------------------------------------

void LuxSwapInt(int& a, int& b) {
    std::swap(a, b);
}

void LuxSwapString(std::string& a, std::string& b) {
    std::swap(a, b);
}

void LuxSetBit(std::uint8_t& b, int bit, bool value) {
    if (bit < 0 || bit > 7) return;
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    // False toggles rather than clears: callers rely on it.
    b = value ? static_cast<std::uint8_t>(b | mask) : static_cast<std::uint8_t>(b ^ mask);
}

void LuxSetBitUpTo(std::uint8_t& b, int bit) {
    for (int i = 0; i <= std::min(bit, 7); ++i) b = static_cast<std::uint8_t>(b | (1u << i));
}

bool LuxGetBit(std::uint8_t b, int bit) {
    return bit >= 0 && bit <= 7 && (b >> bit & 1) != 0;
}

int LuxExp(int base, int exponent) {
    std::uint32_t result = 1;
    for (int i = 0; i < exponent; ++i) result *= static_cast<std::uint32_t>(base);
    return static_cast<int>(result);
}

// --- Paths and names ------------------------------------------------------------------------------------

std::string LuxAppPath() {
    return ExtractFilePath(Application->ExeName());
}

std::string LuxAppIniName() {
    return "SOFTWARE\\" + LuxExtractFileName(Application->ExeName());
}

std::string LuxExtractFileName(const std::string& name) {
    const std::string file = ExtractFileName(name);
    return file.substr(0, file.size() - ExtractFileExt(file).size());
}

std::string LuxShrunkFileName(const std::string& name, int maxLen) {
    // The delimiter the name uses; "..." is joined to the rest with the same one.
    const char sep = name.find('\\') == std::string::npos && name.find('/') != std::string::npos ? '/' : '\\';
    const std::string dots = std::string("...") + sep;
    std::string path = ExtractFilePath(name);
    const std::string file = ExtractFileName(name);
    std::string drive;
    if (path.size() > 1 && path[1] == ':') {
        drive = path.substr(0, 2);
        path.erase(0, 2);
    }
    std::string result = name;
    while ((!path.empty() || !drive.empty()) && static_cast<int>(result.size()) > maxLen) {
        if (path == sep + dots) {
            drive.clear();
            path = dots;
        } else if (!path.empty()) {
            if (path == std::string(1, sep)) {
                path.clear();
            } else {
                const bool rooted = path[0] == sep;
                if (rooted) path.erase(0, 1);
                // A "...\" put there before goes with the directory after it.
                if (!path.empty() && path[0] == '.') path.erase(0, std::min<std::size_t>(4, path.size()));
                const std::size_t next = path.find(sep);
                path = next == std::string::npos ? std::string() : dots + path.substr(next + 1);
                if (rooted) path.insert(0, 1, sep);
            }
        } else {
            drive.clear();
        }
        result = drive + path + file;
    }
    return result;
}

void LuxDelay(std::uint32_t milliseconds) {
    if (milliseconds == 0) return;
    const std::uint64_t start = MonotonicMs();
    while (MonotonicMs() - start <= milliseconds) {
    }
}

std::string LuxWindowsDirectory() {
    char dir[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectory(dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

std::string LuxSystemDirectory() {
    char dir[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectory(dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

std::string LuxCreatePathPrefix(TLuxPathPrefix Prefix, bool WithSlash) {
    std::string dir;
    switch (Prefix) {
    case ppWindows: dir = LuxWindowsDirectory(); break;
    case ppSystem: dir = LuxSystemDirectory(); break;
    case ppProgram: dir = LuxAppPath(); break;
    case ppFixed: return {};
    }
    // A directory may end in '/' on this system; the slash handling is about the backslash.
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return WithSlash ? LuxSlashAdd(dir) : LuxSlashRemove(dir);
}

// --- System menu --------------------------------------------------------------------------------------

void LuxCheckSystemMenu(TLuxSysMenuEntries Entries, std::uintptr_t Menu, bool ApplicationMenu) {
    if (Menu == 0) return;
    const bool ns = NewStyleControls;
    std::vector<UINT> positions;
    auto drop = [&](TLuxSysMenuEntry e, std::initializer_list<UINT> at) {
        if (!Entries.Contains(e)) positions.insert(positions.end(), at);
    };
    if (!ApplicationMenu) {
        if (!ns) drop(smSwitch, {8, 7});
        drop(smClose, {6, 5});
        drop(smMaximize, {4});
        drop(smMinimize, {3});
        drop(smSize, {2});
        drop(smMove, {1});
        drop(smRestore, {0});
        if (Entries == TLuxSysMenuEntries{smClose}) positions.push_back(5);
    } else {
        if (!ns) drop(smSwitch, {6, 5});
        if (ns)
            drop(smClose, {3, 2});
        else
            drop(smClose, {4, 3});
        drop(smMinimize, {ns ? 1u : 2u});
        if (!ns) drop(smMove, {1});
        drop(smRestore, {0});
        if (Entries == TLuxSysMenuEntries{smClose}) positions.push_back(ns ? 2 : 3);
    }
    std::sort(positions.begin(), positions.end(), std::greater<>());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const UINT p : positions) DeleteMenu(Menu, p, MF_BYPOSITION);
}
