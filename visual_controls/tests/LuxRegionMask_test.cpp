#include "visual_controls/LuxRegionMask.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Outside the anonymous namespace, so that its class name is plain.
class TMaskHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxRegionMask Mask;
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TMaskHolder, TComponent>({Property<TMaskHolder>(
        "Mask", [](const TMaskHolder& h) { return const_cast<TLuxRegionMask*>(&h.Mask); }, nullptr)});
    RegisterClass<TMaskHolder>();
    return true;
}();

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

// Two rectangles, (0, 0, 10, 5) and (0, 5, 20, 10): 64 bytes as the region-data query gives them.
const std::string kTwoRects = Bytes({
    32, 0, 0, 0, 1, 0, 0, 0, 2,  0, 0, 0, 32, 0, 0, 0, // size, type, count, bytes of rectangles
    0,  0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 10, 0, 0, 0, // bounds
    0,  0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 5,  0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 20, 0, 0, 0, 10, 0, 0, 0,
});

// A length-prefixed name or string of the filer.
std::string Str(const std::string& s) {
    const auto n = static_cast<std::uint32_t>(s.size());
    return Bytes({int(n & 0xFF), int(n >> 8 & 0xFF), int(n >> 16 & 0xFF), int(n >> 24)}) + s;
}

HRGN TwoRects() {
    HRGN a = CreateRectRgn(0, 0, 10, 5);
    HRGN b = CreateRectRgn(0, 5, 20, 10);
    CombineRgn(a, a, b, RGN_OR);
    DeleteObject(b);
    return a;
}

std::string Patched(std::string s, std::size_t at, std::initializer_list<int> b) {
    for (int v : b) s[at++] = static_cast<char>(v);
    return s;
}

} // namespace

// One reader for stored region data: the header must be the region-data header, the rectangles
// must fit and be ordered; the size comes from the data.
TEST(LuxRegionData, Parser) {
    struct Case {
        const char* what;
        std::string data;
        std::size_t bytes;
    } const cases[] = {
        {"well formed", kTwoRects, 64},
        {"trailing bytes ignored", kTwoRects + std::string(10, 'x'), 64},
        {"empty region", kTwoRects.substr(0, 8) + Bytes({0, 0, 0, 0}) + kTwoRects.substr(12, 20), 32},
        {"nothing", "", 0},
        {"short header", kTwoRects.substr(0, 31), 0},
        {"header size 31", Patched(kTwoRects, 0, {31}), 0},
        {"header size 33", Patched(kTwoRects, 0, {33}), 0},
        {"type 2", Patched(kTwoRects, 4, {2}), 0},
        {"count beyond the data", Patched(kTwoRects, 8, {3}), 0},
        {"cut short", kTwoRects.substr(0, 63), 0},
        {"count overflowing 32 bits", Patched(kTwoRects, 8, {0xFF, 0xFF, 0xFF, 0xFF}), 0},
        {"right < left", Patched(kTwoRects, 32, {11}), 0},
        {"bottom < top", Patched(kTwoRects, 60, {4}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RegionDataBytes(reinterpret_cast<const RGNDATA*>(c.data.data()),
                                  static_cast<DWORD>(c.data.size())),
                  c.bytes);
        if (c.bytes) {
            HRGN rgn = LuxCreateRegionFromData(c.data.data(), c.data.size());
            ASSERT_NE(rgn, nullptr);
            if (c.bytes == 64) {
                HRGN expected = TwoRects();
                EXPECT_TRUE(EqualRgn(rgn, expected));
                DeleteObject(expected);
            }
            DeleteObject(rgn);
        } else {
            EXPECT_THROW(LuxCreateRegionFromData(c.data.data(), c.data.size()), ELuxRegionData);
        }
    }
    EXPECT_EQ(RegionDataBytes(nullptr, 64), 0u);
}

TEST(LuxRegionMask, DataFromRegionAndBack) {
    TLuxRegionMask m;
    EXPECT_EQ(m.CreateRegion(), nullptr);
    HRGN rgn = TwoRects();
    m.SetDataSize(GetRegionData(rgn, 0, nullptr));
    m.GetMem();
    m.GetRegionData(rgn);
    EXPECT_EQ(m.RegionDataSize(), 64u);
    EXPECT_EQ(std::string(m.RegionData().begin(), m.RegionData().end()), kTwoRects);
    HRGN back = m.CreateRegion();
    EXPECT_TRUE(EqualRgn(back, rgn));
    DeleteObject(back);

    // A size larger than the block reads no further than the block; bad data is refused.
    m.SetDataSize(1000);
    back = m.CreateRegion();
    EXPECT_TRUE(EqualRgn(back, rgn));
    DeleteObject(back);
    m.RegionData()[8] = 3;
    EXPECT_THROW(m.CreateRegion(), ELuxRegionData);
    m.FreeMem();
    EXPECT_EQ(m.RegionDataSize(), 0u);
    EXPECT_EQ(m.CreateRegion(), nullptr);
    DeleteObject(rgn);
}

TEST(LuxRegionMask, AssignKeepsOrCopies) {
    TLuxRegionMask a;
    a.SetRegionData(std::vector<std::uint8_t>(kTwoRects.begin(), kTwoRects.end()));
    a.SetDataSize(64);
    TBitmap border;
    border.SetSize(3, 2);
    a.SetBorderBmp(0, &border);
    // Assigning a mask to itself keeps its data.
    a.Assign(&a);
    EXPECT_EQ(a.RegionDataSize(), 64u);
    EXPECT_EQ(std::string(a.RegionData().begin(), a.RegionData().end()), kTwoRects);
    ASSERT_NE(a.BorderBmp(), nullptr);
    EXPECT_EQ(a.BorderBmp()->Width(), 3);

    struct Counter {
        int n = 0;
        void Changed(TObject*) { ++n; }
    } counter;
    TLuxRegionMask b;
    b.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    b.Assign(&a);
    EXPECT_EQ(counter.n, 0);
    EXPECT_EQ(b.RegionDataSize(), 64u);
    EXPECT_EQ(b.RegionData(), a.RegionData());
    ASSERT_NE(b.BorderBmp(), nullptr);
    EXPECT_EQ(b.BorderBmp()->Height(), 2);
    // From an empty mask: the data goes, the bitmaps stay.
    TLuxRegionMask empty;
    b.Assign(&empty);
    EXPECT_EQ(b.RegionDataSize(), 0u);
    EXPECT_TRUE(b.RegionData().empty());
    EXPECT_NE(b.BorderBmp(), nullptr);
}

// "RegionDataSize" and "RegionData" in the filer's stream, byte for byte.
TEST(LuxRegionMask, RegionDataStream) {
    TMaskHolder holder(nullptr);
    holder.Mask.SetRegionData(std::vector<std::uint8_t>(kTwoRects.begin(), kTwoRects.end()));
    holder.Mask.SetDataSize(64);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&holder);
    const std::string expected = std::string("VXF1") + Str("TMaskHolder") + Str("") +
                                 Str("Mask.RegionDataSize") + Bytes({2, 64, 0, 0, 0, 0, 0, 0, 0}) +
                                 Str("Mask.RegionData") + Bytes({7}) + Str(kTwoRects) + Str("") + Str("");
    EXPECT_EQ(stream.DataString(), expected);

    TMaskHolder back(nullptr);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&back);
    EXPECT_EQ(back.Mask.RegionDataSize(), 64u);
    EXPECT_EQ(back.Mask.RegionData(), holder.Mask.RegionData());

    // Without data: the size alone, always stored.
    TMaskHolder none(nullptr);
    TMemoryStream plain;
    TWriter(&plain).WriteRootComponent(&none);
    EXPECT_EQ(plain.DataString(), std::string("VXF1") + Str("TMaskHolder") + Str("") +
                                      Str("Mask.RegionDataSize") + Bytes({2, 0, 0, 0, 0, 0, 0, 0, 0}) +
                                      Str("") + Str(""));

    // The size comes from the data, not from the "RegionDataSize" read before it.
    const std::string lying = std::string("VXF1") + Str("TMaskHolder") + Str("") +
                              Str("Mask.RegionDataSize") + Bytes({2, 0xE8, 3, 0, 0, 0, 0, 0, 0}) +
                              Str("Mask.RegionData") + Bytes({7}) + Str(kTwoRects + "xyz") + Str("") +
                              Str("");
    TMemoryStream lyingStream(lying);
    TMaskHolder fromLying(nullptr);
    TReader(&lyingStream).ReadRootComponent(&fromLying);
    EXPECT_EQ(fromLying.Mask.RegionDataSize(), 64u);
    EXPECT_EQ(fromLying.Mask.RegionData().size(), 64u);

    // Bad data is an error and leaves the mask empty.
    const std::string bad = std::string("VXF1") + Str("TMaskHolder") + Str("") + Str("Mask.RegionDataSize") +
                            Bytes({2, 64, 0, 0, 0, 0, 0, 0, 0}) + Str("Mask.RegionData") + Bytes({7}) +
                            Str(Patched(kTwoRects, 8, {3})) + Str("") + Str("");
    TMemoryStream badStream(bad);
    TMaskHolder fromBad(nullptr);
    EXPECT_THROW(TReader(&badStream).ReadRootComponent(&fromBad), EReadError);
    EXPECT_EQ(fromBad.Mask.RegionDataSize(), 0u);
    EXPECT_TRUE(fromBad.Mask.RegionData().empty());
}

// The border bitmaps: the Compressed flag, then the bitmap file as a length and its bytes, or as
// one compressed frame. A 1 x 1 red bitmap of 24 bits.
TEST(LuxRegionMask, BorderBitmapStreams) {
    const std::string bmp = Bytes({0x42, 0x4D, 58, 0, 0, 0, 0, 0, 0, 0, 54,   0, 0, 0,        // file header
                                   40,   0,    0,  0, 1, 0, 0, 0, 1, 0, 0,    0, 1, 0, 24, 0, // info header
                                   0,    0,    0,  0, 4, 0, 0, 0, 0, 0, 0,    0, 0, 0, 0,  0,
                                   0,    0,    0,  0, 0, 0, 0, 0, 0, 0, 0xFF, 0}); // the pixel
    const std::string plain = Bytes({0, 58, 0, 0, 0}) + bmp;
    // Total 36; one block of 32 bytes: literals, short matches and a run of 21 zeros.
    const std::string packed =
        Bytes({1,    0x24, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x40, 0x0A, 0xA8, 0x42, 0x4D,
               0x3A, 0x00, 0x00, 0x13, 0x36, 0x00, 0x70, 0x28, 0x00, 0x40, 0x01, 0x00, 0x46, 0x18,
               0x00, 0xA0, 0x00, 0x00, 0x04, 0x80, 0x00, 0x00, 0x00, 0x05, 0x00, 0xFF, 0x00});
    TBitmap red;
    red.SetPixelFormat(pf24bit);
    red.SetSize(1, 1);
    red.Canvas()->SetPixels(0, 0, 0x0000FF);

    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        const std::string& record = compressed ? packed : plain;
        TMaskHolder holder(nullptr);
        holder.Mask.SetCompressed(compressed);
        holder.Mask.SetBorderBmp(0, &red);
        holder.Mask.CreateBorderUpBmp(); // empty: not written
        TMemoryStream stream;
        TWriter(&stream).WriteRootComponent(&holder);
        std::string expected = std::string("VXF1") + Str("TMaskHolder") + Str("") +
                               Str("Mask.RegionDataSize") + Bytes({2, 0, 0, 0, 0, 0, 0, 0, 0});
        if (compressed) expected += Str("Mask.Compressed") + Bytes({2, 1, 0, 0, 0, 0, 0, 0, 0});
        expected += Str("Mask.BorderBmp") + Bytes({7}) + Str(record) + Str("") + Str("");
        EXPECT_EQ(stream.DataString(), expected);

        // Read back into the down bitmap, created on the way; the flag goes to Compressed.
        TLuxRegionMask m;
        TMemoryStream in(record);
        m.ReadBorder(2, &in);
        EXPECT_EQ(m.Compressed(), compressed);
        ASSERT_NE(m.BorderDnBmp(), nullptr);
        EXPECT_EQ(m.BorderDnBmp()->Width(), 1);
        EXPECT_EQ(ColorToRGB(m.BorderDnBmp()->Canvas()->Pixels(0, 0)), 0x0000FFu);
        EXPECT_EQ(m.BorderBmp(), nullptr);
    }
    // A record cut short is a read error.
    TLuxRegionMask m;
    TMemoryStream cut(plain.substr(0, 40));
    EXPECT_THROW(m.ReadBorder(0, &cut), EReadError);
}
