// TJPEGImage: files written here with libjpeg are read back (colour, grey, progressive, CMYK),
// drawn, assigned to bitmaps and pictures; cut, damaged, oversized and foreign data is refused
// with EInvalidGraphic and leaves the image as it was.
#include "platform/gdi/Draw.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Jpeg.h"
#include "support/JpegFixture.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using jpeg_fixture::QuadrantColour;
using jpeg_fixture::TKind;
using jpeg_fixture::WriteJpeg;

bool Near(COLORREF a, COLORREF b, int tolerance = 12) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

void Load(TJPEGImage& image, const std::string& bytes) {
    TMemoryStream stream(bytes);
    image.LoadFromStream(stream);
}

// The pixel of a bitmap, by the drawing layer.
COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
    return GetPixel(bitmap.Canvas()->Handle(), x, y);
}

// Where a start-of-frame segment keeps the height and width.
std::size_t FrameSizeOffset(const std::string& jpeg) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (static_cast<unsigned char>(jpeg[i + 1]) == 0xC0 ||
                                                            static_cast<unsigned char>(jpeg[i + 1]) == 0xC2))
            return i + 5;
    return std::string::npos;
}

std::string WithFrameSize(std::string jpeg, int w, int h) {
    const std::size_t at = FrameSizeOffset(jpeg);
    jpeg[at] = static_cast<char>(h >> 8);
    jpeg[at + 1] = static_cast<char>(h & 0xFF);
    jpeg[at + 2] = static_cast<char>(w >> 8);
    jpeg[at + 3] = static_cast<char>(w & 0xFF);
    return jpeg;
}

// The first byte of the entropy-coded data (after the start-of-scan segment).
std::size_t ScanDataOffset(const std::string& jpeg) {
    for (std::size_t i = 2; i + 3 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && static_cast<unsigned char>(jpeg[i + 1]) == 0xDA) {
            const std::size_t length =
                static_cast<unsigned char>(jpeg[i + 2]) * 256u + static_cast<unsigned char>(jpeg[i + 3]);
            return i + 2 + length;
        }
    return std::string::npos;
}

TEST(TJPEGImageTest, DecodesColourGreyProgressiveAndCmykFiles) {
    struct Case {
        const char* Name;
        TKind Kind;
        bool Gray;
    };
    const Case cases[] = {
        {"baseline colour", TKind::Rgb, false},
        {"progressive", TKind::Progressive, false},
        {"CMYK with the Adobe marker", TKind::Cmyk, false},
        {"grey ramp", TKind::Gray, true},
    };
    constexpr int W = 48, H = 32;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TJPEGImage image;
        EXPECT_TRUE(image.Empty());
        Load(image, WriteJpeg(W, H, c.Kind));
        ASSERT_FALSE(image.Empty());
        EXPECT_EQ(image.Width(), W);
        EXPECT_EQ(image.Height(), H);
        EXPECT_EQ(image.Grayscale(), c.Gray);
        TBitmap bitmap;
        bitmap.Assign(&image);
        ASSERT_EQ(bitmap.Width(), W);
        ASSERT_EQ(bitmap.Height(), H);
        EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
        const int probes[][2] = {{4, 4}, {W - 5, 4}, {4, H - 5}, {W - 5, H - 5}, {W / 4, H / 4}};
        for (const auto& p : probes) {
            const COLORREF want = c.Gray
                                      ? RGB(p[0] * 255 / (W - 1), p[0] * 255 / (W - 1), p[0] * 255 / (W - 1))
                                      : QuadrantColour(p[0], p[1], W, H);
            const COLORREF got = PixelOf(bitmap, p[0], p[1]);
            EXPECT_TRUE(Near(got, want))
                << "at " << p[0] << "," << p[1] << ": " << std::hex << got << " want " << want;
        }
    }
}

TEST(TJPEGImageTest, RefusesCutDamagedOversizedAndForeignDataAndKeepsItsPicture) {
    const std::string good = WriteJpeg(64, 48, TKind::Rgb);
    const std::string progressive = WriteJpeg(64, 48, TKind::Progressive);
    const std::size_t scan = ScanDataOffset(good);
    ASSERT_NE(scan, std::string::npos);
    ASSERT_NE(FrameSizeOffset(good), std::string::npos);
    std::string markerInScan = good;
    markerInScan.replace(scan + 20, 2, "\xFF\xD9");
    std::string brokenHuffman = good;
    for (std::size_t i = scan; i < scan + 40; ++i) brokenHuffman[i] = '\xFF', brokenHuffman[++i] = '\x00';
    std::string noStart = good;
    noStart[1] = '\xC0';
    struct Case {
        const char* Name;
        std::string Bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"text", "this is not a picture at all\n"},
        {"a bitmap file", "BM" + std::string(60, '\0')},
        {"start of image only", good.substr(0, 2)},
        {"cut inside the headers", good.substr(0, scan / 2)},
        {"cut after the scan header", good.substr(0, scan)},
        {"cut half way", good.substr(0, good.size() / 2)},
        {"without the end marker", good.substr(0, good.size() - 2)},
        {"progressive cut after its first scans", progressive.substr(0, progressive.size() * 2 / 3)},
        {"end marker inside the scan", markerInScan},
        {"bad Huffman codes", brokenHuffman},
        {"no start-of-image marker", noStart},
        {"zero width", WithFrameSize(good, 0, 48)},
        {"wider than a bitmap may be", WithFrameSize(good, 40000, 8)},
        {"more pixels than a bitmap may hold", WithFrameSize(good, 30000, 30000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TJPEGImage image;
        Load(image, WriteJpeg(16, 16, TKind::Rgb));
        TMemoryStream stream(c.Bytes);
        try {
            image.LoadFromStream(stream);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message.rfind("JPEG error: ", 0), 0u) << e.Message;
        }
        EXPECT_EQ(image.Width(), 16);
        EXPECT_EQ(image.Height(), 16);
        TMemoryStream saved;
        image.SaveToStream(saved);
        EXPECT_EQ(saved.Size(), static_cast<std::int64_t>(WriteJpeg(16, 16, TKind::Rgb).size()));
    }
}

TEST(TJPEGImageTest, FilesPicturesAndDrawing) {
    const std::string bytes = WriteJpeg(32, 32, TKind::Rgb);
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("jpegtest" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "quad.JPG").string();
    {
        TFileStream out(file, fmCreate);
        out.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    }

    // The file's bytes are kept and written back as they were.
    TJPEGImage image;
    image.LoadFromFile(file);
    TMemoryStream saved;
    image.SaveToStream(saved);
    saved.SetPosition(0);
    EXPECT_EQ(ReadToEnd(saved), bytes);
    EXPECT_THROW(image.SetWidth(10), EInvalidGraphic);
    EXPECT_EQ(image.Width(), 32);

    // A picture keeps a JPEG image of its own, by file or by assignment.
    TPicture picture;
    picture.LoadFromFile(file);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    TPicture copy;
    copy.Assign(&image);
    auto* held = dynamic_cast<TJPEGImage*>(copy.Graphic());
    ASSERT_NE(held, nullptr);
    EXPECT_NE(held, &image);
    EXPECT_EQ(held->Width(), 32);

    // Stretched onto a canvas twice its size, each quadrant still where it belongs.
    TBitmap canvas;
    canvas.SetSize(64, 64);
    canvas.Canvas()->StretchDraw(Rect(0, 0, 64, 64), &image);
    EXPECT_TRUE(Near(PixelOf(canvas, 8, 8), RGB(255, 0, 0)));
    EXPECT_TRUE(Near(PixelOf(canvas, 56, 8), RGB(0, 255, 0)));
    EXPECT_TRUE(Near(PixelOf(canvas, 8, 56), RGB(0, 0, 255)));
    EXPECT_TRUE(Near(PixelOf(canvas, 56, 56), RGB(255, 255, 255)));

    // An image control on a form paints the JPEG picture it holds.
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetClientSize(80, 80);
    auto* control = new TImage(form.get());
    control->SetParent(form.get());
    control->SetBounds(0, 0, 64, 64);
    control->SetStretch(true);
    control->Picture()->Assign(&image);
    form->Show();
    EXPECT_TRUE(Near(SurfacePixel(form.get(), 56, 8), RGB(0, 255, 0)));
    EXPECT_TRUE(Near(SurfacePixel(form.get(), 8, 56), RGB(0, 0, 255)));

    // Emptied by nil; other classes are refused.
    image.Assign(nullptr);
    EXPECT_TRUE(image.Empty());
    TFont font;
    EXPECT_THROW(font.Assign(held), EConvertError);
    std::filesystem::remove_all(dir);
}

} // namespace
