#include "visual_controls/Luxstreamutils.h"

#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxprocs.h"

#include <gtest/gtest.h>

#include "platform/win/Process.h"

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

std::string Le32(std::uint32_t v) {
    return Bytes({static_cast<int>(v & 0xFF), static_cast<int>(v >> 8 & 0xFF),
                  static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 24)});
}

std::string Frame(const std::string& data) {
    TMemoryStream source(data), dest;
    SaveCompressedStream(source, dest, source.Size());
    EXPECT_EQ(dest.Position(), dest.Size());
    return dest.DataString();
}

std::string Unframe(const std::string& frame) {
    TMemoryStream source(frame), dest;
    LoadCompressedStream(source, dest);
    return dest.DataString();
}

// A fresh directory, removed with its files afterwards.
struct ScratchDir {
    ScratchDir() {
        path =
            std::filesystem::temp_directory_path() / ("luxstream-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

std::string Noise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

} // namespace

TEST(Luxstreamutils, ValuesAreLittleEndian) {
    TMemoryStream m;
    stWriteInteger(m, -2);
    stWriteWord(m, 0x1234);
    stWriteByte(m, 0xAB);
    stWriteString(m, "hi");
    stWriteString(m, "");
    EXPECT_EQ(m.DataString(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0xAB, 2, 'h', 'i', 0}));
    m.SetPosition(0);
    EXPECT_EQ(stReadInteger(m), -2);
    EXPECT_EQ(stReadWord(m), 0x1234);
    EXPECT_EQ(stReadByte(m), 0xAB);
    EXPECT_EQ(stReadString(m), "hi");
    EXPECT_EQ(stReadString(m), "");
}

TEST(Luxstreamutils, LongStringsLoseTheirTail) {
    std::string s;
    for (int i = 0; i < 300; ++i) s += static_cast<char>('a' + i % 26);
    TMemoryStream m;
    stWriteString(m, s);
    EXPECT_EQ(m.DataString(), std::string(1, 44) + s.substr(0, 44));
    m.SetPosition(0);
    EXPECT_EQ(stReadString(m), s.substr(0, 44));
    EXPECT_EQ(m.Position(), 45);
}

TEST(Luxstreamutils, ShortReadsRaise) {
    const struct {
        const char* what;
        std::string bytes;
        void (*read)(TStream&);
    } cases[] = {
        {"integer", Bytes({1, 2, 3}), [](TStream& s) { stReadInteger(s); }},
        {"word", Bytes({1}), [](TStream& s) { stReadWord(s); }},
        {"byte", "", [](TStream& s) { stReadByte(s); }},
        {"string length", "", [](TStream& s) { stReadString(s); }},
        {"string body", Bytes({5, 'a', 'b'}), [](TStream& s) { stReadString(s); }},
        {"list length", Bytes({1, 0}),
         [](TStream& s) {
             TStringList l;
             stReadStringList(s, l, false);
         }},
        {"list longer than the stream", Le32(10) + "a\r\n",
         [](TStream& s) {
             TStringList l;
             stReadStringList(s, l, false);
         }},
        {"negative list length", Le32(0xFFFFFFFF) + "a\r\n",
         [](TStream& s) {
             TStringList l;
             stReadStringList(s, l, false);
         }},
        {"bitmap longer than the stream", Le32(0x7FFFFFFF),
         [](TStream& s) {
             TBitmap b;
             stReadBitmap(s, b, false);
         }},
    };
    for (const auto& c : cases) {
        TMemoryStream m(c.bytes);
        EXPECT_THROW(c.read(m), EReadError) << c.what;
    }
}

TEST(Luxstreamutils, FrameLayout) {
    // Nothing: Total 0 and no block; reading it appends nothing.
    EXPECT_EQ(Frame(""), Le32(0));
    EXPECT_EQ(Unframe(Le32(0)), "");

    const std::string run = Le32(11) + Le32(7) + Bytes({0x40, 0x80, 0, 0, 0, 0x54, 'q'});
    EXPECT_EQ(Frame(std::string(100, 'q')), run);
    EXPECT_EQ(Unframe(run), std::string(100, 'q'));

    // 65563 bytes: blocks of 32781, 32781 and 1 source bytes.
    std::string text;
    while (text.size() < 65563) text += "Frame blocks hold 32781 bytes each. ";
    text.resize(65563);
    const std::string frame = Frame(text);
    TMemoryStream m(frame);
    const std::int32_t total = stReadInteger(m);
    std::vector<std::size_t> sources;
    std::int64_t sum = 0;
    while (m.Position() < m.Size()) {
        const std::int32_t n = stReadInteger(m);
        std::string block(static_cast<std::size_t>(n), '\0');
        m.ReadBuffer(block.data(), n);
        std::vector<std::uint8_t> out(LuxLZRWBufferSize);
        sources.push_back(LuxLZRWDecompress(reinterpret_cast<const std::uint8_t*>(block.data()), out.data(),
                                            static_cast<std::uint16_t>(n)));
        sum += n + 4;
        if (sources.size() == 3) {
            EXPECT_EQ(block, Bytes({0x80, text.back()}));
        }
    }
    EXPECT_EQ(sources, (std::vector<std::size_t>{32781, 32781, 1}));
    EXPECT_EQ(total, sum);
    EXPECT_EQ(Unframe(frame), text);

    // Incompressible data goes into stored blocks.
    const std::string noise = Noise(40000, 3);
    const std::string stored = Frame(noise);
    EXPECT_EQ(stored.size(), 4 + (4 + 32782) + (4 + 40000 - 32781 + 1));
    EXPECT_EQ(stored.substr(0, 9),
              Le32(static_cast<std::uint32_t>(stored.size() - 4)) + Le32(32782) + Bytes({0x80}));
    EXPECT_EQ(stored.substr(4 + 4 + 32782, 5), Le32(40000 - 32781 + 1) + Bytes({0x80}));
    EXPECT_EQ(Unframe(stored), noise);
}

TEST(Luxstreamutils, FrameReadsFromThePositionAndTakesOnlyCount) {
    TMemoryStream source(std::string("skipABCDEFtail")), dest;
    source.SetPosition(4);
    stWriteInteger(dest, 99);
    SaveCompressedStream(source, dest, 6);
    EXPECT_EQ(source.Position(), 10);
    EXPECT_EQ(dest.DataString(), Le32(99) + Le32(11) + Le32(7) +
                                     "\x80"
                                     "ABCDEF");
    TMemoryStream frame(dest.DataString().substr(4)), out(std::string("keep"));
    out.SetPosition(4);
    LoadCompressedStream(frame, out);
    EXPECT_EQ(out.DataString(), "keepABCDEF");
}

TEST(Luxstreamutils, BadFramesRaise) {
    const std::string good = Le32(11) + Le32(7) + Bytes({0x40, 0x80, 0, 0, 0, 0x54, 'q'});
    const struct {
        const char* what;
        std::string frame;
    } bad[] = {
        {"no Total", Bytes({0, 0})},
        {"negative Total", Le32(0xFFFFFFFF) + Le32(7) + good.substr(8)},
        {"Total beyond the data", Le32(12) + good.substr(4)},
        {"block length 0", Le32(4) + Le32(0)},
        {"block length negative", Le32(8) + Le32(0xFFFFFFF0) + "abcd"},
        {"block length past the buffer", Le32(32787) + Le32(32783) + std::string(32783, '\x80')},
        {"block longer than the data", Le32(11) + Le32(8) + good.substr(8)},
        {"bad block", Le32(8) + Le32(4) + Bytes({0x40, 0x80, 0x00, 0x00})},
        {"cut off in a length", Le32(11) + Bytes({7, 0})},
    };
    for (const auto& b : bad) EXPECT_THROW(Unframe(b.frame), EReadError) << b.what;
}

TEST(Luxstreamutils, TruncatedFrameFileRaises) {
    ScratchDir dir;
    const std::string name = dir.File("cut.bin");
    {
        TFileStream f(name, fmCreate);
        const std::string frame = Frame(Noise(1000, 9));
        f.WriteBuffer(frame.data(), static_cast<std::int32_t>(frame.size() - 10));
    }
    TFileStream f(name, fmOpenRead);
    TMemoryStream out;
    EXPECT_THROW(LoadCompressedStream(f, out), EReadError);
}

TEST(Luxstreamutils, StringListRecords) {
    TStringList list;
    list.Add("first");
    list.Add("");
    list.Add("third");
    TMemoryStream plain;
    stWriteStringList(plain, list, false);
    EXPECT_EQ(plain.DataString(), Le32(16) + "first\r\n\r\nthird\r\n");

    TMemoryStream packed;
    stWriteInteger(packed, 5);
    stWriteStringList(packed, list, true);
    stWriteInteger(packed, 6);
    EXPECT_EQ(packed.DataString().substr(4, 8), Le32(21) + Le32(17));

    for (TMemoryStream* m : {&plain, &packed}) {
        const bool compressed = m == &packed;
        m->SetPosition(compressed ? 4 : 0);
        TStringList back;
        back.Add("old");
        stReadStringList(*m, back, compressed);
        EXPECT_EQ(back.Text(), list.Text());
        if (compressed) {
            EXPECT_EQ(stReadInteger(*m), 6);
        }
    }
}

TEST(Luxstreamutils, BitmapRecords) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(5, 3);
    bitmap.Canvas()->SetPixels(1, 2, clRed);
    bitmap.Canvas()->SetPixels(4, 0, clBlue);
    for (bool compressed : {false, true}) {
        for (int colors : {-1, 0, 256}) {
            TMemoryStream m;
            stWriteBitmap(m, bitmap, compressed, colors);
            const std::int64_t end = m.Position();
            if (!compressed) {
                m.SetPosition(0);
                EXPECT_EQ(stReadInteger(m), end - 4);
                EXPECT_EQ(stReadWord(m), 0x4D42); // "BM"
            }
            m.SetPosition(0);
            TBitmap back;
            stReadBitmap(m, back, compressed);
            EXPECT_EQ(m.Position(), end);
            ASSERT_EQ(back.Width(), 5);
            ASSERT_EQ(back.Height(), 3);
            EXPECT_EQ(back.Canvas()->Pixels(1, 2), clRed) << compressed << colors;
            EXPECT_EQ(back.Canvas()->Pixels(4, 0), clBlue) << compressed << colors;
        }
    }
    // An empty bitmap writes nothing of its own and reads back empty; the file writer refuses it.
    TBitmap empty;
    TMemoryStream m;
    stWriteBitmap(m, empty, false, -1);
    EXPECT_EQ(m.DataString(), Le32(0));
    m.SetPosition(0);
    stReadBitmap(m, bitmap, false);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_THROW(stWriteBitmap(m, empty, false, 0), Exception);
}

namespace {

std::string DibOf(TBitmap& bitmap, int colors) {
    TMemoryStream m;
    stWriteInteger(m, 0); // the writer rewinds the whole stream, whatever came before
    LuxBmpSaveDIBStream(m, bitmap, colors);
    EXPECT_EQ(m.Position(), 0);
    return m.DataString().substr(4);
}

std::uint32_t Le32At(const std::string& s, std::size_t at) {
    return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8 |
           static_cast<std::uint8_t>(s[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 3])) << 24;
}

} // namespace

TEST(LuxBmpSaveDIBStream, MonochromeFileByteForByte) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf1bit);
    bitmap.SetSize(3, 2);
    bitmap.Canvas()->SetPixels(0, 0, clBlack);
    bitmap.Canvas()->SetPixels(1, 0, clWhite);
    bitmap.Canvas()->SetPixels(2, 0, clBlack);
    for (int x = 0; x < 3; ++x) bitmap.Canvas()->SetPixels(x, 1, x == 2 ? clWhite : clBlack);
    const std::string expected = "BM" + Le32(70) + Le32(0) + Le32(62) + // file header
                                 Le32(40) + Le32(3) + Le32(2) + Bytes({1, 0, 1, 0}) + Le32(0) + Le32(8) +
                                 Le32(0) + Le32(0) + Le32(0) + Le32(0) + // info header
                                 Bytes({0, 0, 0, 0, 255, 255, 255, 0}) + // black, white
                                 Bytes({0x20, 0, 0, 0}) +                // bottom row: . . #
                                 Bytes({0x40, 0, 0, 0});                 // top row: . # .
    // A monochrome bitmap keeps two colours whatever it is asked for.
    EXPECT_EQ(DibOf(bitmap, 0), expected);
    EXPECT_EQ(DibOf(bitmap, 256), expected);
}

TEST(LuxBmpSaveDIBStream, ColourCountsChooseTheDepth) {
    const struct {
        TPixelFormat format;
        int colors, bits;
    } cases[] = {
        {pf4bit, 0, 4},   {pf8bit, 0, 8},  {pf15bit, 0, 24}, {pf16bit, 0, 24},  {pf24bit, 0, 24},
        {pf32bit, 0, 24}, {pf24bit, 2, 1}, {pf24bit, 16, 4}, {pf24bit, 256, 8}, {pf8bit, 16, 4},
    };
    for (const auto& c : cases) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(c.format);
        bitmap.SetSize(5, 3);
        const std::string dib = DibOf(bitmap, c.colors);
        const std::uint32_t header = 40 + (c.bits == 24 ? 0 : 4u << c.bits);
        const std::uint32_t image = 3 * ((5 * c.bits + 31) / 32) * 4;
        EXPECT_EQ(dib[28], c.bits) << c.format << " " << c.colors;
        EXPECT_EQ(Le32At(dib, 2), 14 + header + image);
        EXPECT_EQ(Le32At(dib, 10), 14 + header);
        EXPECT_EQ(Le32At(dib, 34), image);
        EXPECT_EQ(dib.size(), 14 + header + image);
    }
}

TEST(LuxBmpSaveDIBStream, ImageMagickReadsTheFilesBack) {
    if (RunProcessAndWait("convert", {"-version"}) != 0)
        GTEST_SKIP() << "needs ImageMagick (Debian package imagemagick)";
    ScratchDir dir;
    const TColor palette[] = {clBlack, clWhite, clRed, clBlue, clLime, clYellow};
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit}) {
        SCOPED_TRACE(static_cast<int>(format));
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(7, 5); // odd width: rows are padded
        const int colours = format == pf1bit ? 2 : 6;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) bitmap.Canvas()->SetPixels(x, y, palette[(x * 3 + y) % colours]);
        if (format == pf16bit) {
            // 5-6-5 pixel words under the canvas.
            std::uint16_t word;
            std::memcpy(&word, bitmap.ScanLine(0), 2);
            EXPECT_EQ(word, 0x0000);
            std::memcpy(&word, static_cast<std::uint8_t*>(bitmap.ScanLine(1)), 2);
            EXPECT_EQ(word, 0xFFFF);
        }
        const std::string file = dir.File("f" + std::to_string(format) + ".bmp");
        const std::string raw = file + ".rgb";
        {
            TFileStream f(file, fmCreate);
            const std::string dib = DibOf(bitmap, 0);
            f.WriteBuffer(dib.data(), static_cast<std::int32_t>(dib.size()));
        }
        ASSERT_EQ(RunProcessAndWait("convert", {file, "-depth", "8", "rgb:" + raw}), 0);
        TMemoryStream rgb;
        rgb.LoadFromFile(raw);
        ASSERT_EQ(rgb.Size(), 7 * 5 * 3);
        const std::uint8_t* p = rgb.Memory();
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x, p += 3) {
                const TColor want = palette[(x * 3 + y) % colours];
                EXPECT_EQ(RGB(p[0], p[1], p[2]), static_cast<COLORREF>(want)) << x << "," << y;
            }
    }
}
