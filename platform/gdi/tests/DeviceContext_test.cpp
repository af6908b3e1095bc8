#include "support/GdiTest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Objects, DescribeThemselves) {
    HPEN pen = CreatePen(PS_DASH, 1, kRed);
    LOGPEN lp;
    ASSERT_EQ(GetObject(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DASH));
    EXPECT_EQ(lp.lopnColor, kRed);
    EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
    DeleteObject(pen);

    // Wider styled pens draw solid; width 0 is one pixel.
    HPEN wide = CreatePen(PS_DOT, 3, kRed), thin = CreatePen(PS_SOLID, 0, kRed);
    GetObject(wide, sizeof lp, &lp);
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
    EXPECT_EQ(lp.lopnWidth.x, 3);
    GetObject(thin, sizeof lp, &lp);
    EXPECT_EQ(lp.lopnWidth.x, 1);
    DeleteObject(wide);
    DeleteObject(thin);

    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, kBlue);
    LOGBRUSH lb;
    GetObject(hatch, sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, BS_HATCHED);
    EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_DIAGCROSS));
    DeleteObject(hatch);

    // The font record keeps the original's 60 bytes; a shorter read takes the front of it.
    HFONT font = MakeFont("Arial", -13, FW_BOLD);
    LOGFONT lf;
    EXPECT_EQ(GetObject(font, 0, nullptr), 60);
    ASSERT_EQ(GetObject(font, sizeof lf, &lf), 60);
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    LOGFONT part{};
    EXPECT_EQ(GetObject(font, 28, &part), 28);
    EXPECT_EQ(part.lfWeight, FW_BOLD);
    EXPECT_EQ(part.lfFaceName[0], '\0');
    DeleteObject(font);
}

TEST(Objects, StaleAndForeignHandlesAreRefused) {
    HBRUSH brush = CreateSolidBrush(kRed);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(GetObjectType(brush), 0u);
    TestDc dc(2, 2);
    EXPECT_EQ(SelectObject(dc, brush), nullptr);
    const RECT r{0, 0, 2, 2};
    EXPECT_EQ(FillRect(dc, &r, brush), 0);
    EXPECT_EQ(SelectObject(nullptr, GetStockObject(BLACK_PEN)), nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(pen))); // a pen is no DC
    EXPECT_EQ(SetBkColor(reinterpret_cast<HDC>(pen), 0), CLR_INVALID);
    DeleteObject(pen);
}

TEST(Objects, StockObjectsSurviveDeletion) {
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetObjectType(black), OBJ_BRUSH);
    EXPECT_EQ(GetStockObject(99), nullptr);
    LOGBRUSH lb;
    GetObject(GetStockObject(LTGRAY_BRUSH), sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, kSilver);
    GetObject(GetStockObject(NULL_BRUSH), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, BS_NULL);
    LOGFONT lf;
    GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(lf.lfHeight, -11);
}

TEST(Objects, ADeletedPenStaysUsableWhileSelected) {
    TestDc dc(4, 1);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ old = SelectObject(dc, pen);
    EXPECT_TRUE(DeleteObject(pen));
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 4, 0);
    EXPECT_EQ(dc.At(3, 0), kRed);
    SelectObject(dc, old);
}

TEST(DeviceContext, DefaultsAndSelection) {
    TestDc dc(2, 2);
    EXPECT_EQ(GetTextColor(dc), kBlack);
    EXPECT_EQ(GetBkColor(dc), kWhite);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
    EXPECT_EQ(GetPolyFillMode(dc), ALTERNATE);
    EXPECT_EQ(GetTextAlign(dc), TA_LEFT | TA_TOP);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), dc.bitmap);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
    DeleteObject(pen);
    EXPECT_EQ(SetBkMode(dc, 7), 0);
    EXPECT_EQ(SetROP2(dc, 0), 0);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(dc.dc)), OBJ_MEMDC);
    HDC display = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(display)), OBJ_DC);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(display))) << "a DC goes with DeleteDC";
    EXPECT_TRUE(DeleteDC(display));
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1280);
    EXPECT_EQ(CreateDC("PRINTER", nullptr, nullptr, nullptr), nullptr);
}

TEST(DeviceContext, SaveAndRestoreLevels) {
    TestDc dc(2, 2);
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    EXPECT_EQ(SaveDC(dc), 1);
    SetTextColor(dc, kRed);
    HGDIOBJ old = SelectObject(dc, red);
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, kBlue);
    EXPECT_EQ(SaveDC(dc), 3);
    SetTextColor(dc, kGreen);
    EXPECT_TRUE(RestoreDC(dc, -1)); // back to the state of level 3
    EXPECT_EQ(GetTextColor(dc), kBlue);
    EXPECT_TRUE(RestoreDC(dc, 1)); // drops 2 as well
    EXPECT_EQ(GetTextColor(dc), kBlack);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), old);
    EXPECT_FALSE(RestoreDC(dc, 1));
    EXPECT_FALSE(RestoreDC(dc, -1));
    EXPECT_FALSE(RestoreDC(dc, 0));
    DeleteObject(red);
}

TEST(DeviceContext, RestoringKeepsTheBitmapSelectedOnce) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP a = CreateBitmap(2, 2, 1, 32, nullptr), b = CreateBitmap(2, 2, 1, 32, nullptr);
    HGDIOBJ original = SelectObject(dc, a);
    SaveDC(dc);
    SelectObject(dc, b);
    EXPECT_FALSE(DeleteObject(b));
    RestoreDC(dc, -1);
    EXPECT_TRUE(DeleteObject(b)); // no longer selected
    EXPECT_FALSE(DeleteObject(a));
    SelectObject(dc, original);
    EXPECT_TRUE(DeleteObject(a));
    DeleteDC(dc);
}

TEST(Helpers, MulDivRoundsHalvesAwayFromZero) {
    const int cases[][4] = {{8, 96, 72, 11},   {9, 96, 72, 12}, {10, 96, 72, 13},
                            {-8, 96, 72, -11}, {5, 1, 2, 3},    {-5, 1, 2, -3},
                            {7, 3, -2, -11},   {1, 1, 0, -1},   {0x40000000, 8, 2, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c[0], c[1], c[2]), c[3]) << c[0] << "*" << c[1] << "/" << c[2];
}

TEST(Helpers, Rectangles) {
    RECT r;
    SetRect(&r, 1, 2, 5, 6);
    const RECT other{3, 0, 8, 4}, apart{10, 10, 12, 12};
    RECT out;
    EXPECT_TRUE(IntersectRect(&out, &r, &other));
    EXPECT_EQ(out, (RECT{3, 2, 5, 4}));
    EXPECT_FALSE(IntersectRect(&out, &r, &apart));
    EXPECT_EQ(out, RECT{});
    EXPECT_TRUE(UnionRect(&out, &r, &other));
    EXPECT_EQ(out, (RECT{1, 0, 8, 6}));
    const RECT empty{};
    EXPECT_TRUE(UnionRect(&out, &empty, &r));
    EXPECT_EQ(out, r);
    InflateRect(&r, 1, -1);
    EXPECT_EQ(r, (RECT{0, 3, 6, 5}));
    OffsetRect(&r, 2, 2);
    EXPECT_TRUE(PtInRect(&r, POINT{2, 5}));
    EXPECT_FALSE(PtInRect(&r, POINT{8, 5}));
    EXPECT_TRUE(IsRectEmpty(&empty));
    EXPECT_FALSE(EqualRect(&r, &empty));
}

} // namespace

namespace {

// A colour asked for from the palette (0x02000000) is drawn as its RGB value by every colour call.
TEST(DeviceContext, ThePaletteFlagOfAColourIsIgnored) {
    constexpr COLORREF kFlag = 0x02000000;
    TestDc dc(4, 1);

    HBRUSH brush = CreateSolidBrush(kFlag | kRed);
    RECT r{0, 0, 1, 1};
    FillRect(dc, &r, brush);
    DeleteObject(brush);

    HPEN pen = CreatePen(PS_SOLID, 1, kFlag | kGreen);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, 1, 0, nullptr);
    LineTo(dc, 2, 0);
    SelectObject(dc, oldPen);
    DeleteObject(pen);

    SetPixel(dc, 2, 0, kFlag | kBlue);

    // A monochrome bitmap meets the text (0) and background (1) colours.
    const BYTE bits[2] = {0x40, 0}; // 0 1 ...
    HBITMAP mono = CreateBitmap(2, 1, 1, 1, bits);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(src, mono);
    SetTextColor(dc, kFlag | kGrey);
    SetBkColor(dc, kFlag | kSilver);
    BitBlt(dc, 3, 0, 1, 1, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dc.At(0, 0), kRed);
    EXPECT_EQ(dc.At(1, 0), kGreen);
    EXPECT_EQ(dc.At(2, 0), kBlue);
    EXPECT_EQ(dc.At(3, 0), kGrey);
    BitBlt(dc, 3, 0, 1, 1, src, 1, 0, SRCCOPY);
    EXPECT_EQ(dc.At(3, 0), kSilver);
    SelectObject(src, oldBitmap);
    DeleteObject(mono);
    DeleteDC(src);

    // Colour to monochrome: the source's background colour, flagged, still picks the 1 pixels.
    TestDc colour(2, 1);
    SetPixel(colour, 0, 0, kRed);
    SetPixel(colour, 1, 0, kBlue);
    SetBkColor(colour, kFlag | kRed);
    TestDc bw(2, 1, 1, true);
    BitBlt(bw, 0, 0, 2, 1, colour, 0, 0, SRCCOPY);
    EXPECT_EQ(bw.At(0, 0), kWhite);
    EXPECT_EQ(bw.At(1, 0), kBlack);
}

} // namespace
