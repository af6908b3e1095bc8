#include "visual_controls/Luxprocs.h"

#include "platform/rtl/Exceptions.h"
#include "platform/win/Clock.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Compress(const Bytes& in) {
    Bytes out(in.size() + 1);
    out.resize(LuxLZRWCompress(in.data(), out.data(), static_cast<std::uint16_t>(in.size())));
    return out;
}

Bytes Decompress(const Bytes& block) {
    Bytes out(LuxLZRWBufferSize);
    out.resize(LuxLZRWDecompress(block.data(), out.data(), static_cast<std::uint16_t>(block.size())));
    return out;
}

// Three distinct bytes, `gap` - 3 bytes of 'a' (one run token), the three bytes again.
Bytes RepeatAcross(int gap) {
    Bytes in = Of("XYZ");
    in.insert(in.end(), static_cast<std::size_t>(gap - 3), 'a');
    in.insert(in.end(), {'X', 'Y', 'Z'});
    return in;
}

// Blocks that reach every path of the compressor: words, records with noise, short and long runs,
// near-repeats at the far distance, and cut-off tails of every length up to a whole match.
std::vector<Bytes> GoldenBlocks() {
    std::mt19937 rng(15);
    std::vector<Bytes> blocks;
    for (int kind = 0; kind < 4; ++kind)
        for (int size : {32781, 20000, 4100, 300, 40, 19, 18, 17, 4, 3}) {
            Bytes b;
            while (static_cast<int>(b.size()) < size) {
                const unsigned r = rng();
                switch (kind) {
                case 0: { // words
                    static const char* words[] = {"the", "panel",  "sends",  "a",
                                                  "key", "status", "loader", "block"};
                    for (const char* c = words[r % 8]; *c; ++c) b.push_back(static_cast<std::uint8_t>(*c));
                    b.push_back(r % 11 == 0 ? '\n' : ' ');
                    break;
                }
                case 1: // records: a counter, small fields and noise
                    for (std::uint32_t f : {static_cast<std::uint32_t>(b.size()), r % 8, r >> 8})
                        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(f >> (8 * i)));
                    break;
                case 2: // runs from 1 to 9000 long, some noise between
                    b.insert(b.end(), r % 5 == 0 ? r % 9000 : 1 + r % 40, static_cast<std::uint8_t>(r % 3));
                    if (r % 7 == 0) b.push_back(static_cast<std::uint8_t>(r >> 16));
                    break;
                default: // a repeat of what stood 4094 to 4097 bytes back, else noise
                    if (b.size() > 4100 && r % 4 == 0)
                        for (int i = 0; i < 20; ++i) b.push_back(b[b.size() - 4094 - r % 4]);
                    else
                        b.push_back(static_cast<std::uint8_t>(r));
                }
            }
            b.resize(static_cast<std::size_t>(size));
            blocks.push_back(std::move(b));
        }
    return blocks;
}

} // namespace

TEST(LuxLZRW, CompressorVectors) {
    struct Vector {
        const char* what;
        Bytes in;
        Bytes block;
    };
    const Vector vectors[] = {
        {"nothing", {}, {0x80}},
        {"three bytes are stored", Of("abc"), {0x80, 'a', 'b', 'c'}},
        {"a run", Bytes(100, 'q'), {0x40, 0x80, 0x00, 0x00, 0x00, 0x54, 'q'}},
        {"15 equal bytes: a literal and a match at distance 1",
         Bytes(15, 'a'),
         {0x40, 0x40, 0x00, 'a', 0x00, 0x1B}},
        {"a repeat at distance 4095",
         RepeatAcross(4095),
         {0x40, 0x18, 0x00, 'X', 'Y', 'Z', 0x00, 0x0F, 0xEC, 'a', 0xFF, 0xF0}},
        {"none at 4096",
         RepeatAcross(4096),
         {0x40, 0x10, 0x00, 'X', 'Y', 'Z', 0x00, 0x0F, 0xED, 'a', 'X', 'Y', 'Z'}},
        {"a longest run and the rest",
         Bytes(4095 + 20, 0),
         {0x40, 0xC0, 0x00, 0x00, 0x0F, 0xEF, 0x00, 0x00, 0x00, 0x04, 0x00}},
        // The match saves two bytes, the flag and command word cost three: stored.
        {"no gain", Of("abcdabcd"), {0x80, 'a', 'b', 'c', 'd', 'a', 'b', 'c', 'd'}},
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(Compress(v.in), v.block) << v.what;
        EXPECT_EQ(Decompress(v.block), v.in) << v.what;
    }
}

TEST(LuxLZRW, SeventeenItemsTakeASecondCommandWord) {
    // 16 distinct literals fill the first group; the match after them opens the second.
    Bytes in = Of("0123456789ABCDEF");
    in.insert(in.end(), 18, '#');
    in.resize(16 + 18 + 17);
    for (int i = 0; i < 17; ++i)
        in[static_cast<std::size_t>(34 + i)] = static_cast<std::uint8_t>("0123456789ABCDEFG"[i]);
    // 16 literals; run of 18; match of 16 ("0".."F") at distance 34; literal 'G'.
    Bytes expected = {0x40, 0x00, 0x00};
    expected.insert(expected.end(), in.begin(), in.begin() + 16);
    const Bytes tail = {0xC0, 0x00, 0x00, 0x00, 0x02, '#', 0x02, 0x2D, 'G'};
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(Compress(in), expected);
    EXPECT_EQ(Decompress(expected), in);
}

TEST(LuxLZRW, RoundTripsEverySizeClass) {
    std::mt19937 rng(1234);
    std::vector<int> sizes = {0,   1,   2,    3,    4,    5,     15,    16,    17,    18,   19,
                              255, 256, 4095, 4096, 4097, 32767, 32768, 32769, 32780, 32781};
    for (int i = 0; i < 40; ++i) sizes.push_back(static_cast<int>(rng() % 32782));
    for (int kind = 0; kind < 4; ++kind) {
        for (int size : sizes) {
            Bytes in(static_cast<std::size_t>(size));
            for (int i = 0; i < size; ++i) {
                switch (kind) {
                case 0:
                    in[i] = static_cast<std::uint8_t>(rng());
                    break; // noise
                case 1:
                    in[i] = static_cast<std::uint8_t>("the quick brown fox "[rng() % 20]);
                    break; // text
                case 2:
                    in[i] = static_cast<std::uint8_t>(i / 37 % 3);
                    break; // runs
                default:
                    in[i] = static_cast<std::uint8_t>(i % 7 == 0 ? rng() : i / 200);
                    break; // mixed
                }
            }
            const Bytes block = Compress(in);
            ASSERT_LE(block.size(), in.size() + 1) << kind << " " << size;
            ASSERT_EQ(Decompress(block), in) << kind << " " << size;
        }
    }
}

TEST(LuxLZRW, CompressorWritesNothingPastItsBlock) {
    // Incompressible data ends the compressed form beyond the source; dest holds exactly size + 1.
    std::mt19937 rng(7);
    for (int size : {4, 64, 1000, 32781}) {
        Bytes in(static_cast<std::size_t>(size));
        for (auto& b : in) b = static_cast<std::uint8_t>(rng());
        Bytes dest(static_cast<std::size_t>(size) + 1 + 16, 0xEE);
        const std::uint16_t n = LuxLZRWCompress(in.data(), dest.data(), static_cast<std::uint16_t>(size));
        EXPECT_EQ(n, size + 1);
        EXPECT_EQ(dest[0], 0x80);
        for (std::size_t i = static_cast<std::size_t>(size) + 1; i < dest.size(); ++i)
            ASSERT_EQ(dest[i], 0xEE) << size;
    }
}

TEST(LuxLZRW, DecoderRejectsBlocksTheCompressorCannotMake) {
    Bytes tooMuch = {0x40, 0xFF, 0x80};
    for (int i = 0; i < 9; ++i) tooMuch.insert(tooMuch.end(), {0x00, 0x0F, 0xEF, 'r'}); // 9 x 4095 bytes
    Bytes sixteenLiteralsThenNothing = {0x40, 0x00, 0x00};
    sixteenLiteralsThenNothing.insert(sixteenLiteralsThenNothing.end(), 16, 'l');
    sixteenLiteralsThenNothing.insert(sixteenLiteralsThenNothing.end(), {0x00, 0x00});
    const struct {
        const char* what;
        Bytes block;
    } bad[] = {
        {"empty", {}},
        {"unknown flag", {0x41, 0x00, 0x00, 'a'}},
        {"flag 0", {0x00, 0x00, 0x00, 'a'}},
        {"command word cut off", {0x40, 0x80}},
        {"token with no bytes", {0x40, 0x80, 0x00}},
        {"match cut off", {0x40, 0x80, 0x00, 0x00}},
        {"run cut off", {0x40, 0x80, 0x00, 0x00, 0x00, 0x54}},
        {"distance before the output", {0x40, 0x40, 0x00, 'a', 0x00, 0x20}},
        {"distance from nothing", {0x40, 0x80, 0x00, 0x00, 0x10}},
        {"output past 32781 bytes", tooMuch},
        {"a command word with no item", sixteenLiteralsThenNothing},
        {"stored block too long", Bytes(LuxLZRWBufferSize + 1, 0x80)},
    };
    for (const auto& b : bad) {
        Bytes out(LuxLZRWBufferSize);
        EXPECT_THROW(
            LuxLZRWDecompress(b.block.data(), out.data(), static_cast<std::uint16_t>(b.block.size())),
            EReadError)
            << b.what;
    }
    // The largest output and the largest stored block are fine.
    Bytes full = {0x40, 0xFF, 0x80};
    for (int i = 0; i < 8; ++i) full.insert(full.end(), {0x00, 0x0F, 0xEF, 'r'});
    full.insert(full.end(), {0x00, 0x00, 0x05, 'r'}); // 21 more: 32781 in all
    EXPECT_EQ(Decompress(full), Bytes(LuxLZRWMaxSource, 'r'));
    EXPECT_EQ(Decompress(Bytes(LuxLZRWBufferSize, 0x80)).size(), static_cast<std::size_t>(LuxLZRWMaxSource));
    EXPECT_TRUE(Decompress({0x80}).empty());
}

TEST(Luxprocs, Rectangles) {
    EXPECT_EQ(LuxExpandRect(TRect(10, 10, 20, 20), 2), TRect(8, 8, 22, 22));
    TRect r(0, 0, 10, 10);
    LuxAdjustRect(r, 5, -2);
    EXPECT_EQ(r, TRect(0, 0, 15, 8));
    LuxAdjustRectExt(r, 1, 2, 3, 4);
    EXPECT_EQ(r, TRect(1, 2, 18, 12));
    int w, h;
    LuxGetRectWH(r, w, h);
    EXPECT_EQ(w, 17);
    EXPECT_EQ(h, 10);

    // Fitted by the smaller factor, truncated, at the target's corner.
    EXPECT_EQ(LuxAffineRect(TRect(0, 0, 100, 50), TRect(10, 20, 60, 120)), TRect(10, 20, 60, 45));
    EXPECT_EQ(LuxAffineRect(TRect(0, 0, 4, 4), TRect(0, 0, 10, 20)), TRect(0, 0, 10, 10));
    EXPECT_EQ(LuxAffineRect(TRect(5, 5, 5, 40), TRect(10, 20, 60, 120)), TRect(10, 20, 10, 20));
    EXPECT_EQ(LuxAffineRect(TRect(0, 0, 7, 0), TRect(10, 20, 60, 120)), TRect(10, 20, 10, 20));

    EXPECT_TRUE(LuxRectinRect(TRect(1, 1, 9, 9), TRect(0, 0, 10, 10)));
    EXPECT_FALSE(LuxRectinRect(TRect(0, 0, 10, 10), TRect(0, 0, 10, 10)));
    EXPECT_FALSE(LuxRectinRect(TRect(-1, 1, 9, 9), TRect(0, 0, 10, 10)));

    TRect box(0, 0, 100, 20);
    LuxCalcRotRect(box, 90);
    EXPECT_EQ(box, TRect(0, 0, 20, 100));
    box = TRect(5, 5, 105, 25);
    LuxCalcRotRect(box, 0);
    EXPECT_EQ(box, TRect(5, 5, 105, 25));
    box = TRect(0, 0, 100, 20);
    LuxCalcRotRect(box, 180);
    EXPECT_EQ(box, TRect(0, 0, 100, 20));
    box = TRect(0, 0, 100, 20);
    LuxCalcRotRect(box, 45);
    EXPECT_EQ(box, TRect(0, 0, 84, 84));
}

TEST(Luxprocs, RotatedTextPositions) {
    const struct {
        int angle, a, b, x, y;
    } cases[] = {
        {0, 100, 20, 0, 20},   {90, 100, 20, 20, 20}, {180, 100, 20, 100, -20 + 20},
        {270, 100, 20, 80, 0}, {360, 100, 20, 0, 20}, {-90, 100, 20, -20, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LuxRotatedXPos(c.angle, c.a, c.b), c.x) << c.angle;
        EXPECT_EQ(LuxRotatedYPos(c.angle, c.a, c.b), c.y) << c.angle;
    }
}

TEST(Luxprocs, PointsAndValues) {
    const TPoint tri[] = {{0, 0}, {10, 0}, {20, 30}};
    TPoint mid(-1, -1);
    LuxMidpoint(tri, mid);
    EXPECT_EQ(mid, TPoint(10, 10));
    LuxMidpoint(std::span<const TPoint>(), mid);
    EXPECT_EQ(mid, TPoint(10, 10));
    const TPoint negative[] = {{-3, 0}, {0, -1}};
    LuxMidpoint(negative, mid);
    EXPECT_EQ(mid, TPoint(-1, 0));
    const TPoint huge[] = {{INT_MAX, INT_MAX}, {INT_MAX, INT_MAX}};
    LuxMidpoint(huge, mid);
    EXPECT_EQ(mid, TPoint(INT_MAX, INT_MAX));

    TPoint pts[] = {{1, 2}, {3, 4}};
    LuxOffsetPoints(pts, 10, -2);
    EXPECT_EQ(pts[1], TPoint(13, 2));
    LuxNullPoints(pts);
    EXPECT_EQ(pts[0], TPoint(0, 0));
    EXPECT_EQ(pts[1], TPoint(0, 0));

    const int values[] = {3, -7, 9, 9, 0};
    EXPECT_EQ(LuxMax(values), 9);
    EXPECT_EQ(LuxMin(values), -7);
    EXPECT_EQ(LuxMax(std::span<const int>()), 0);
    EXPECT_EQ(LuxMin(std::span<const int>()), 0);
    const double reals[] = {0.5, -2.25, 1e10};
    EXPECT_EQ(LuxMaxR(reals), 1e10);
    EXPECT_EQ(LuxMinR(reals), -2.25);
    EXPECT_EQ(LuxMaxR(std::span<const double>()), 0);

    const int mids[][3] = {{3, 4, 3},
                           {-3, -4, -3},
                           {-3, 4, 0},
                           {INT_MAX, INT_MAX, INT_MAX},
                           {INT_MIN, INT_MIN, INT_MIN},
                           {INT_MAX, INT_MIN, 0},
                           {INT_MAX, 1, 1073741824}};
    for (const auto& m : mids) EXPECT_EQ(LuxMidI(m[0], m[1]), m[2]) << m[0] << " " << m[1];

    int a = 1, b = 2;
    LuxSwapInt(a, b);
    EXPECT_EQ(a * 10 + b, 21);
    std::string s = "x", t = "yz";
    LuxSwapString(s, t);
    EXPECT_EQ(s + t, "yzx");

    EXPECT_EQ(LuxExp(2, 10), 1024);
    EXPECT_EQ(LuxExp(-3, 3), -27);
    EXPECT_EQ(LuxExp(5, 0), 1);
    EXPECT_EQ(LuxExp(5, -2), 1);
    EXPECT_EQ(LuxExp(2, 32), 0); // wraps as 32-bit arithmetic does
}

TEST(Luxprocs, Bits) {
    std::uint8_t b = 0;
    LuxSetBit(b, 3, false); // False toggles: a clear bit gets set
    EXPECT_EQ(b, 0x08);
    LuxSetBit(b, 3, false);
    EXPECT_EQ(b, 0x00);
    LuxSetBit(b, 7, true);
    LuxSetBit(b, 7, true);
    EXPECT_EQ(b, 0x80);
    LuxSetBit(b, 8, true);
    LuxSetBit(b, -1, false);
    EXPECT_EQ(b, 0x80);
    LuxSetBitUpTo(b, 2);
    EXPECT_EQ(b, 0x87);
    EXPECT_TRUE(LuxGetBit(b, 0));
    EXPECT_FALSE(LuxGetBit(b, 3));
    EXPECT_FALSE(LuxGetBit(b, 9));
    std::uint8_t all = 0;
    LuxSetBitUpTo(all, 20);
    EXPECT_EQ(all, 0xFF);
}

TEST(Luxprocs, Names) {
    EXPECT_EQ(LuxExtractFileName("C:\\dir\\file.name.txt"), "file.name");
    EXPECT_EQ(LuxExtractFileName("/usr/bin/dorvex"), "dorvex");
    EXPECT_EQ(LuxAppPath().back(), '/');

    const std::string name = "C:\\dir1\\dir2\\file.txt";
    const struct {
        int maxLen;
        const char* expected;
    } steps[] = {
        {100, "C:\\dir1\\dir2\\file.txt"},
        {20, "C:\\...\\dir2\\file.txt"},
        {19, "C:\\...\\file.txt"},
        {14, "...\\file.txt"},
        {11, "file.txt"},
        {1, "file.txt"},
    };
    for (const auto& s : steps) EXPECT_EQ(LuxShrunkFileName(name, s.maxLen), s.expected) << s.maxLen;
    EXPECT_EQ(LuxShrunkFileName("dir\\a\\b.txt", 9), "...\\b.txt");
    EXPECT_EQ(LuxShrunkFileName("/home/user/notes/b.txt", 18), "/.../notes/b.txt");
}

TEST(Luxprocs, DelayWaitsLongerThanAsked) {
    LuxDelay(0);
    const std::uint64_t start = MonotonicMs();
    LuxDelay(5);
    EXPECT_GT(MonotonicMs() - start, 5u);
}

// The compressor's output pinned as a whole: a faster compressor must make the same blocks, byte for
// byte, and the decoder must give every one back.
TEST(LuxLZRW, OutputStaysByteForByteOverEveryPath) {
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a over all blocks
    std::size_t total = 0;
    for (const Bytes& in : GoldenBlocks()) {
        const Bytes block = Compress(in);
        total += block.size();
        for (std::uint8_t b : block) hash = (hash ^ b) * 1099511628211ull;
        ASSERT_EQ(Decompress(block), in) << in.size();
    }
    EXPECT_EQ(total, 101878u);
    EXPECT_EQ(hash, 0x1204093eb19e3c50ull);
}
