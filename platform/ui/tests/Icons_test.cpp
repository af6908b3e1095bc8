// TIcon in icon files: what is written reads back, and damaged files are refused.
#include "platform/rtl/Streams.h"
#include "platform/ui/Icons.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int W = 5; // not a multiple of 8 or 32: the mask rows are padded
constexpr int H = 3;

std::unique_ptr<TBitmap> Filled(TColor colour, TPixelFormat format = pf32bit) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(format);
    b->SetSize(W, H);
    b->Canvas()->Brush()->SetColor(colour);
    b->Canvas()->FillRect(Rect(0, 0, W, H));
    return b;
}

// Colours everywhere but the right column, which is black and masked out: the background shows.
std::unique_ptr<TIcon> SampleIcon() {
    auto color = Filled(clBlack);
    auto mask = Filled(clBlack);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W - 1; ++x) color->Canvas()->SetPixels(x, y, RGB(40 * x, 60 * y, 200));
    for (int y = 0; y < H; ++y) mask->Canvas()->SetPixels(W - 1, y, clWhite);
    ICONINFO info;
    info.hbmColor = color->Handle();
    info.hbmMask = mask->Handle();
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(CreateIconIndirect(&info));
    return icon;
}

// The icon drawn over a background of the given colour.
std::vector<TColor> DrawnOver(TIcon& icon, TColor background) {
    auto b = Filled(background, pf24bit);
    b->Canvas()->Draw(0, 0, &icon);
    std::vector<TColor> pixels;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) pixels.push_back(b->Canvas()->Pixels(x, y));
    return pixels;
}

std::string Saved(TIcon& icon) {
    TMemoryStream stream;
    icon.SaveToStream(stream);
    return std::string(reinterpret_cast<const char*>(stream.Memory()),
                       static_cast<std::size_t>(stream.Size()));
}

void Load(TIcon& icon, const std::string& bytes) {
    TMemoryStream stream(bytes);
    icon.LoadFromStream(stream);
}

std::uint32_t U32At(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(s[at + i]);
    return v;
}

void Put32At(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(TIconStreamTest, PixelsAndMaskComeBackInAnIconFileOfOneImage) {
    auto icon = SampleIcon();
    const std::string file = Saved(*icon);
    // Directory of one icon image, entry at 6, 32-bit image with its mask right after it.
    const std::size_t stride = 4; // 5 mask bits in a 32-bit word
    ASSERT_EQ(file.size(), 6u + 16 + 40 + W * H * 4 + stride * H);
    EXPECT_EQ(file.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
    EXPECT_EQ(static_cast<std::uint8_t>(file[6]), W);
    EXPECT_EQ(static_cast<std::uint8_t>(file[7]), H);
    EXPECT_EQ(U32At(file, 14), file.size() - 22);
    EXPECT_EQ(U32At(file, 18), 22u);
    EXPECT_EQ(U32At(file, 22), 40u);
    EXPECT_EQ(U32At(file, 26), static_cast<std::uint32_t>(W));
    EXPECT_EQ(U32At(file, 30), static_cast<std::uint32_t>(2 * H));
    // The bottom row's mask: only the fifth pixel keeps the background.
    EXPECT_EQ(U32At(file, file.size() - 3 * stride), 0x08u);

    TIcon back;
    Load(back, file);
    ASSERT_EQ(back.Width(), W);
    ASSERT_EQ(back.Height(), H);
    for (TColor background : {clWhite, clRed}) {
        const auto pixels = DrawnOver(back, background);
        EXPECT_EQ(pixels, DrawnOver(*icon, background));
        EXPECT_EQ(pixels[W - 1], background);
        EXPECT_EQ(pixels[W + 2], static_cast<TColor>(RGB(80, 60, 200)));
    }
    EXPECT_EQ(Saved(back), file);
}

TEST(TIconStreamTest, EmptyIconWritesNothingAndNoDataEmptiesTheIcon) {
    TIcon empty;
    EXPECT_EQ(Saved(empty), "");
    auto icon = SampleIcon();
    Load(*icon, "");
    EXPECT_TRUE(icon->Empty());
}

TEST(TIconStreamTest, DamagedFilesAreRefusedAndTheIconKept) {
    auto sample = SampleIcon();
    const std::string good = Saved(*sample);
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"length past the end", 14, static_cast<std::uint32_t>(good.size())},
        {"offset past the end", 18, static_cast<std::uint32_t>(good.size() + 1)},
        {"offset wrapping round", 18, 0xFFFFFFF0u},
        {"length wrapping round", 14, 0xFFFFFFF0u},
        {"header larger than the image", 22, 0x7FFFFFF0u},
        {"width past the pixels", 26, 0x10000u},
        {"negative width", 26, 0xFFFFFFFBu},
        {"odd height", 30, 2 * H + 1},
        {"height past the pixels", 30, 2 * 30000u},
        {"8 bits a pixel", 34, 0x00080001u},
        {"compressed", 38, 1},
        {"cursor", 2, 0x00010002u},
        {"no image", 2, 0x00000001u},
    };
    std::vector<std::string> damaged;
    for (const Case& c : cases) {
        std::string bytes = good;
        Put32At(bytes, c.at, c.value);
        damaged.push_back(bytes);
    }
    for (std::size_t n = 1; n < good.size(); ++n) damaged.push_back(good.substr(0, n));

    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i < std::size(cases) ? cases[i].what
                                          : "truncated to " + std::to_string(damaged[i].size()));
        auto icon = SampleIcon();
        const HICON before = icon->Handle();
        EXPECT_THROW(Load(*icon, damaged[i]), EInvalidGraphic);
        EXPECT_EQ(icon->Handle(), before);
    }
}

} // namespace
