#include "support/GdiTest.h"

#include "platform/gdi/QtImage.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(GdiToQImage, OpaqueCopyOfTheSurface) {
    for (int bpp : {1, 8, 24, 32}) {
        TestDc dc(3, 2, bpp);
        SetPixel(dc, 1, 0, bpp == 1 ? kBlack : kRed);
        const QImage image = GdiToQImage(dc.dc);
        ASSERT_EQ(image.size(), QSize(3, 2)) << bpp;
        EXPECT_EQ(image.pixel(1, 0), bpp == 1 ? qRgb(0, 0, 0) : qRgb(255, 0, 0)) << bpp;
        EXPECT_EQ(image.pixel(0, 1), qRgb(255, 255, 255)) << bpp;
        EXPECT_EQ(GdiToQImage(dc.bitmap), image);
    }
    EXPECT_TRUE(GdiToQImage(static_cast<HBITMAP>(nullptr)).isNull());
}

TEST(GdiFromQImage, BitmapOfTheImage) {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 255, 128));
    image.setPixel(1, 1, qRgb(0, 255, 0));
    HBITMAP b = GdiFromQImage(image);
    ASSERT_NE(b, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    EXPECT_EQ(GetPixel(dc, 0, 0), kBlue);
    EXPECT_EQ(GetPixel(dc, 1, 1), kGreen);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(b);
}

TEST(GdiIconToQImage, TransparentWhereTheMaskLetsTheBackgroundThrough) {
    // Mask black: opaque image colour; mask white over image black: transparent; mask white over
    // another colour (an inverting pixel): opaque in that colour.
    auto painted = [](UINT bits, std::initializer_list<COLORREF> pixels) {
        const HBITMAP bitmap = CreateBitmap(3, 1, 1, bits, nullptr);
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, bitmap);
        int x = 0;
        for (COLORREF c : pixels) SetPixel(dc, x++, 0, c);
        SelectObject(dc, old);
        DeleteDC(dc);
        return bitmap;
    };
    ICONINFO info;
    info.hbmMask = painted(1, {kBlack, kWhite, kWhite});
    info.hbmColor = painted(32, {kRed, kBlack, kGreen});
    const HICON icon = CreateIconIndirect(&info);
    const QImage image = GdiIconToQImage(icon);
    ASSERT_EQ(image.size(), QSize(3, 1));
    EXPECT_EQ(image.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
    EXPECT_EQ(image.pixel(2, 0), qRgba(0, 255, 0, 255));
    DestroyIcon(icon);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    EXPECT_TRUE(GdiIconToQImage(icon).isNull());
}

TEST(GdiSavePng, WritesAReadablePicture) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TestDc dc(4, 4);
    SetPixel(dc, 2, 3, kRed);
    const std::string path = QDir(dir.path()).filePath("dc.png").toStdString();
    ASSERT_TRUE(GdiSavePng(dc.dc, path));
    QImage back(QString::fromStdString(path));
    EXPECT_EQ(back.pixel(2, 3), qRgb(255, 0, 0));
    EXPECT_FALSE(GdiSavePng(static_cast<HDC>(nullptr), path));
}

} // namespace
