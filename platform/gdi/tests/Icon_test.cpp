#include "platform/gdi/Icon.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void Paint(HDC dc, int w, int h, const std::vector<COLORREF>& pixels) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPixel(dc, x, y, pixels[static_cast<std::size_t>(y * w + x)]);
}

// A bitmap with the colours given row by row.
HBITMAP Painted(int w, int h, UINT bits, const std::vector<COLORREF>& pixels) {
    const HBITMAP bitmap = CreateBitmap(w, h, 1, bits, nullptr);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    Paint(dc, w, h, pixels);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// A 32-bit bitmap in a DC to draw on.
struct Target {
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ old;
    Target(int w, int h, const std::vector<COLORREF>& pixels)
        : bitmap(CreateBitmap(w, h, 1, 32, nullptr)), dc(CreateCompatibleDC(nullptr)),
          old(SelectObject(dc, bitmap)) {
        Paint(dc, w, h, pixels);
    }
    ~Target() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

constexpr COLORREF kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0x0000FF, kBlue = 0xFF0000, kGrey = 0x808080;

} // namespace

TEST(Icon, DrawnThroughItsMaskAndImage) {
    // Mask black: the image's colour; mask white: the image XOR the background (black leaves it).
    ICONINFO info;
    info.hbmMask = Painted(3, 1, 1, {kBlack, kWhite, kWhite});
    info.hbmColor = Painted(3, 1, 32, {kRed, kBlack, kWhite});
    const HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    DeleteObject(info.hbmMask); // the icon holds copies
    DeleteObject(info.hbmColor);

    Target target(5, 1, {kBlue, kGrey, kGrey, kGrey, kBlue});
    ASSERT_TRUE(DrawIcon(target.dc, 1, 0, icon));
    const COLORREF expected[] = {kBlue, kRed, kGrey, kGrey ^ kWhite, kBlue};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(target.dc, x, 0), expected[x]) << x;

    ICONINFO back;
    ASSERT_TRUE(GetIconInfo(icon, &back));
    BITMAP bm;
    GetObject(back.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmHeight, 1);
    DeleteObject(back.hbmMask);
    DeleteObject(back.hbmColor);

    const HICON copy = CopyIcon(icon);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon)) << "gone";
    EXPECT_FALSE(DrawIcon(target.dc, 0, 0, icon));
    EXPECT_TRUE(DrawIcon(target.dc, 0, 0, copy)) << "the copy stands alone";
    EXPECT_TRUE(DestroyIcon(copy));
}

TEST(Icon, RefusedWithoutBothBitmapsOfOneSize) {
    const HBITMAP a = CreateBitmap(4, 4, 1, 1, nullptr);
    const HBITMAP b = CreateBitmap(4, 8, 1, 32, nullptr);
    const HBITMAP c = CreateBitmap(4, 4, 1, 32, nullptr);
    struct Case {
        HBITMAP mask, color;
        bool made;
    };
    for (const Case& k :
         {Case{a, nullptr, false}, Case{nullptr, c, false}, Case{a, b, false}, Case{a, c, true}}) {
        ICONINFO info;
        info.hbmMask = k.mask;
        info.hbmColor = k.color;
        const HICON icon = CreateIconIndirect(&info);
        EXPECT_EQ(icon != nullptr, k.made);
        if (icon) DestroyIcon(icon);
    }
    EXPECT_EQ(CreateIconIndirect(nullptr), nullptr);
    for (HBITMAP h : {a, b, c}) DeleteObject(h);
}

TEST(Icon, NumberedForThirtyTwoBitRecords) {
    ICONINFO info;
    info.hbmMask = CreateBitmap(2, 2, 1, 1, nullptr);
    info.hbmColor = CreateBitmap(2, 2, 1, 32, nullptr);
    const HICON a = CreateIconIndirect(&info);
    const HICON b = CopyIcon(a);
    const DWORD na = IconHandleValue(a), nb = IconHandleValue(b);
    EXPECT_NE(na, 0u);
    EXPECT_NE(nb, 0u);
    EXPECT_NE(na, nb);
    EXPECT_EQ(IconFromHandleValue(na), a);
    EXPECT_EQ(IconFromHandleValue(nb), b);
    DestroyIcon(a);
    EXPECT_EQ(IconHandleValue(a), 0u) << "dead";
    EXPECT_EQ(IconFromHandleValue(na), nullptr) << "a dead icon's number finds nothing";
    const HICON c = CreateIconIndirect(&info);
    EXPECT_NE(IconHandleValue(c), na) << "numbers are not given again";
    EXPECT_EQ(IconHandleValue(nullptr), 0u);
    EXPECT_EQ(IconFromHandleValue(0), nullptr);
    DestroyIcon(b);
    DestroyIcon(c);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
}
