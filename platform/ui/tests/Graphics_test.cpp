// TFont, TPen, TBrush, TCanvas over the drawing layer, TBitmap and TPicture.
#include "platform/gdi/Text.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Graphics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);

struct TCounter : TObject {
    int changes = 0;
    void Changed(TObject*) { ++changes; }
};

TBitmap* WhiteBitmap(int w, int h, TPixelFormat format = pfDevice) {
    auto* b = new TBitmap;
    b->SetPixelFormat(format);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

TEST(TFontTest, SizeAndHeightAreTwoViewsOfOneValue) {
    TFont font;
    EXPECT_EQ(font.Name(), "MS Sans Serif");
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Height(), -11);
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -16);
    font.SetHeight(-13);
    EXPECT_EQ(font.Size(), 10);

    TCounter counter;
    font.OnChange = TNotifyEvent::Bind<&TCounter::Changed>(&counter);
    TFont other;
    other.SetName("Courier New");
    other.SetStyle({fsBold, fsItalic});
    font.Assign(&other);
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(font.Name(), "Courier New");
    LOGFONT lf;
    ASSERT_EQ(GetObject(font.Handle(), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_STREQ(lf.lfFaceName, "Courier New");
    font.SetName("Courier New");
    EXPECT_EQ(counter.changes, 1);
}

TEST(ColorToRGBTest, SystemColoursAreLookedUp) {
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clWindowText), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(ColorToRGB(clRed), kRed);
    EXPECT_EQ(ColorToRGB(3355443), 3355443u);
    // The palette flag asks for the RGB value itself; other high bytes are left as they are.
    EXPECT_EQ(ColorToRGB(0x02000000 | kRed), kRed);
    EXPECT_EQ(ColorToRGB(clNone), static_cast<COLORREF>(clNone));

    std::unique_ptr<TBitmap> bitmap(WhiteBitmap(2, 1));
    bitmap->Canvas()->Brush()->SetColor(0x02000000 | kGreen);
    bitmap->Canvas()->FillRect(Rect(0, 0, 1, 1));
    bitmap->Canvas()->SetPixels(1, 0, 0x02000000 | kRed);
    EXPECT_EQ(bitmap->Canvas()->Pixels(0, 0), static_cast<TColor>(kGreen));
    EXPECT_EQ(bitmap->Canvas()->Pixels(1, 0), static_cast<TColor>(kRed));
}

// White stays white, every other colour turns black; back in colour the pixels stay so.
TEST(TBitmapTest, MonochromeKeepsWhiteAndBlackensTheRest) {
    constexpr TColor kNearWhite = 0xFEFFFF;
    const TColor colours[] = {clWhite, clBlack, clRed, kNearWhite, clSilver, clBtnFace};
    std::unique_ptr<TBitmap> bitmap(WhiteBitmap(6, 2, pf24bit));
    for (int x = 0; x < 6; ++x) bitmap->Canvas()->SetPixels(x, 1, colours[x]);
    EXPECT_FALSE(bitmap->Monochrome());
    bitmap->SetMonochrome(true);
    EXPECT_TRUE(bitmap->Monochrome());
    EXPECT_EQ(bitmap->PixelFormat(), pf1bit);
    EXPECT_EQ(bitmap->Width(), 6);
    bitmap->SetMonochrome(false);
    EXPECT_FALSE(bitmap->Monochrome());
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(bitmap->Canvas()->Pixels(x, 0), static_cast<TColor>(kWhite)) << x;
        EXPECT_EQ(bitmap->Canvas()->Pixels(x, 1), x == 0 ? static_cast<TColor>(kWhite) : 0) << x;
    }
    TBitmap empty;
    empty.SetMonochrome(true);
    EXPECT_TRUE(empty.Monochrome());
    EXPECT_TRUE(empty.Empty());
}

TEST(TCanvasTest, DrawsWithItsBrushAndPenAndPicksUpTheirChanges) {
    std::unique_ptr<TBitmap> bitmap(WhiteBitmap(40, 20));
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(canvas->Pixels(9, 9), static_cast<TColor>(kRed));
    EXPECT_EQ(canvas->Pixels(10, 10), static_cast<TColor>(kWhite));

    canvas->Pen()->SetColor(clGreen);
    canvas->MoveTo(0, 15);
    canvas->LineTo(40, 15);
    EXPECT_EQ(canvas->Pixels(20, 15), static_cast<TColor>(kGreen));
    EXPECT_EQ(canvas->PenPos(), Point(40, 15));

    canvas->Brush()->SetStyle(bsClear);
    canvas->Pen()->SetColor(clBlack);
    canvas->Rectangle(20, 0, 30, 10);
    EXPECT_EQ(canvas->Pixels(20, 0), 0);
    EXPECT_EQ(canvas->Pixels(25, 5), static_cast<TColor>(kWhite)); // hollow inside
    canvas->SetPixels(39, 0, clRed);
    EXPECT_EQ(canvas->Pixels(39, 0), static_cast<TColor>(kRed));
}

TEST(TCanvasTest, TextBackgroundIsTheBrushUnlessTheBrushIsClear) {
    std::string why;
    if (!GdiTextAvailable(&why)) GTEST_SKIP() << why;
    std::unique_ptr<TBitmap> bitmap(WhiteBitmap(80, 40));
    TCanvas* canvas = bitmap->Canvas();
    canvas->Font()->SetName("Arial");
    canvas->Brush()->SetColor(clYellow);
    canvas->TextOut(0, 0, "i");
    const TSize size = canvas->TextExtent("i");
    EXPECT_GT(size.cx, 0);
    EXPECT_EQ(canvas->Pixels(0, 0), static_cast<TColor>(RGB(255, 255, 0)));
    EXPECT_EQ(canvas->PenPos(), Point(size.cx, 0));
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(0, 20, "i");
    EXPECT_EQ(canvas->Pixels(0, 20), static_cast<TColor>(kWhite));
}

TEST(TCanvasTest, ACanvasWithoutADCRefusesToDraw) {
    TCanvas canvas;
    EXPECT_THROW(canvas.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

TEST(TBitmapTest, ResizingKeepsThePixelsThatFit) {
    std::unique_ptr<TBitmap> bitmap(WhiteBitmap(10, 10));
    bitmap->Canvas()->SetPixels(1, 1, clGreen);
    bitmap->Canvas()->SetPixels(8, 8, clRed);
    bitmap->SetSize(20, 20);
    EXPECT_EQ(bitmap->Canvas()->Pixels(1, 1), static_cast<TColor>(kGreen));
    EXPECT_EQ(bitmap->Canvas()->Pixels(8, 8), static_cast<TColor>(kRed));
    bitmap->SetSize(5, 5);
    EXPECT_EQ(bitmap->Canvas()->Pixels(1, 1), static_cast<TColor>(kGreen));
    bitmap->SetSize(0, 5);
    EXPECT_TRUE(bitmap->Empty());
    EXPECT_EQ(bitmap->Height(), 5) << "a side of 0 leaves the other as set";

    // Width, then height: the size asked for, drawn into from the start.
    TBitmap sides;
    sides.SetWidth(6);
    sides.SetHeight(4);
    EXPECT_EQ(sides.Width(), 6);
    EXPECT_EQ(sides.Height(), 4);
    sides.Canvas()->SetPixels(5, 3, clRed);
    EXPECT_EQ(sides.Canvas()->Pixels(5, 3), static_cast<TColor>(kRed));
}

TEST(TBitmapTest, ScanLinesCountFromTheTop) {
    std::unique_ptr<TBitmap> bitmap(WhiteBitmap(4, 3, pf24bit));
    auto* row = static_cast<std::uint8_t*>(bitmap->ScanLine(0));
    row[0] = 0; // blue
    row[1] = 0; // green
    row[2] = 255;
    EXPECT_EQ(bitmap->Canvas()->Pixels(0, 0), static_cast<TColor>(kRed));
    EXPECT_THROW(bitmap->ScanLine(3), EInvalidGraphic);
}

TEST(TBitmapTest, AssignCopiesAndSavedFilesReadBack) {
    std::unique_ptr<TBitmap> source(WhiteBitmap(7, 5, pf24bit));
    source->Canvas()->SetPixels(6, 4, clRed);
    TBitmap copy;
    copy.Assign(source.get());
    source->Canvas()->SetPixels(6, 4, clGreen);
    EXPECT_EQ(copy.Width(), 7);
    EXPECT_EQ(copy.PixelFormat(), pf24bit);
    EXPECT_EQ(copy.Canvas()->Pixels(6, 4), static_cast<TColor>(kRed));

    TMemoryStream stream;
    copy.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmap read;
    read.LoadFromStream(stream);
    EXPECT_EQ(read.Width(), 7);
    EXPECT_EQ(read.Height(), 5);
    EXPECT_EQ(read.Canvas()->Pixels(6, 4), static_cast<TColor>(kRed));
    EXPECT_EQ(read.Canvas()->Pixels(0, 0), static_cast<TColor>(kWhite));

    TMemoryStream junk;
    junk.WriteBuffer("BMnot really", 12);
    junk.SetPosition(0);
    EXPECT_THROW(read.LoadFromStream(junk), EInvalidGraphic);
}

TEST(TBitmapTest, TransparentDrawingLeavesTheTransparentColourOut) {
    std::unique_ptr<TBitmap> sprite(WhiteBitmap(4, 4));
    sprite->Canvas()->Brush()->SetColor(clFuchsia);
    sprite->Canvas()->FillRect(Rect(0, 0, 4, 4));
    sprite->Canvas()->Brush()->SetColor(clRed);
    sprite->Canvas()->FillRect(Rect(1, 1, 3, 3));
    sprite->SetTransparent(true);
    EXPECT_EQ(sprite->TransparentColor(), static_cast<TColor>(RGB(255, 0, 255)));

    std::unique_ptr<TBitmap> target(WhiteBitmap(20, 20));
    target->Canvas()->Draw(0, 0, sprite.get());
    target->Canvas()->StretchDraw(Rect(10, 10, 18, 18), sprite.get());
    EXPECT_EQ(target->Canvas()->Pixels(0, 0), static_cast<TColor>(kWhite));
    EXPECT_EQ(target->Canvas()->Pixels(1, 1), static_cast<TColor>(kRed));
    EXPECT_EQ(target->Canvas()->Pixels(10, 10), static_cast<TColor>(kWhite));
    EXPECT_EQ(target->Canvas()->Pixels(13, 13), static_cast<TColor>(kRed));

    sprite->SetTransparent(false);
    target->Canvas()->Draw(0, 0, sprite.get());
    EXPECT_EQ(target->Canvas()->Pixels(0, 0), static_cast<TColor>(RGB(255, 0, 255)));
}

TEST(TCanvasTest, BrushCopyPutsTheBrushWhereTheColourWas) {
    // A 4 x 2 source, fuchsia corners around red: copied 1:1 onto part of the target, then its
    // right three columns stretched to twice their size.
    std::unique_ptr<TBitmap> source(WhiteBitmap(4, 2, pf24bit));
    const char* rows[] = {"fRRf", "RRRf"};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            source->Canvas()->SetPixels(x, y, rows[y][x] == 'f' ? clFuchsia : clRed);

    std::unique_ptr<TBitmap> target(WhiteBitmap(12, 6, pf24bit));
    TCanvas* c = target->Canvas();
    c->Brush()->SetColor(clGreen);
    c->BrushCopy(Rect(1, 1, 5, 3), source.get(), Rect(0, 0, 4, 2), clFuchsia);
    auto row = [&](int y, int from, int to) {
        std::string s;
        for (int x = from; x < to; ++x) {
            const COLORREF p = static_cast<COLORREF>(c->Pixels(x, y));
            s += p == kWhite ? '.' : p == kRed ? 'R' : p == kGreen ? 'g' : '?';
        }
        return s;
    };
    EXPECT_EQ(row(0, 0, 6), "......");
    EXPECT_EQ(row(1, 0, 6), ".gRRg.");
    EXPECT_EQ(row(2, 0, 6), ".RRRg.");
    EXPECT_EQ(row(3, 0, 6), "......");

    c->Brush()->SetColor(clGreen);
    c->BrushCopy(Rect(6, 2, 12, 6), source.get(), Rect(1, 0, 4, 2), clFuchsia);
    EXPECT_EQ(row(2, 6, 12), "RRRRgg");
    EXPECT_EQ(row(5, 6, 12), "RRRRgg");

    // A colour that is not there copies the bitmap as it is.
    c->BrushCopy(Rect(1, 1, 5, 3), source.get(), Rect(0, 0, 4, 2), clBlue);
    EXPECT_EQ(c->Pixels(1, 1), clFuchsia);
}

TEST(TPictureTest, HoldsACopyOfTheBitmapAndReportsChanges) {
    TPicture picture;
    TCounter counter;
    picture.OnChange = TNotifyEvent::Bind<&TCounter::Changed>(&counter);
    std::unique_ptr<TBitmap> source(WhiteBitmap(3, 2));
    picture.Assign(source.get());
    EXPECT_EQ(picture.Width(), 3);
    EXPECT_NE(picture.Bitmap(), source.get());
    const int before = counter.changes;
    picture.Bitmap()->Canvas()->SetPixels(0, 0, clRed);
    EXPECT_GT(counter.changes, before);
    picture.Assign(nullptr);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_THROW(picture.LoadFromFile("logo.gif"), EInvalidGraphic);
}

} // namespace
