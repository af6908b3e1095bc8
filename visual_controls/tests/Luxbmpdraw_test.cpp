#include "visual_controls/Luxbmpdraw.h"

#include "platform/gdi/Region.h"
#include "tools/testing/TempHome.h"
#include "visual_controls/Luxclass.h"

#include "visual_controls/tests/support/LetterPicture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Luxbmpdraw, PlacesStretchesAndTiles) {
    TBitmap src;
    Make(src, {"RGB", "BKR"});
    const struct {
        const char* name;
        unsigned short flags;
        TRect dest;
        TRect covered;
        std::string picture; // of an 8 x 5 destination
    } cases[] = {
        {"own size at the corner", 0, Rect(1, 1, 7, 5), Rect(1, 1, 4, 3),
         Rows({"........", ".RGB....", ".BKR....", "........", "........"})},
        {"centred", LuxBmpCenter, Rect(0, 0, 8, 5), Rect(2, 1, 5, 3),
         Rows({"........", "..RGB...", "..BKR...", "........", "........"})},
        {"stretched", LuxBmpStretch, Rect(0, 0, 6, 4), Rect(0, 0, 6, 4),
         Rows({"RRGGBB..", "RRGGBB..", "BBKKRR..", "BBKKRR..", "........"})},
        {"keep the width", LuxBmpStretch | LuxBmpKeepWidth, Rect(0, 0, 6, 5), Rect(0, 0, 6, 4),
         Rows({"RRGGBB..", "RRGGBB..", "BBKKRR..", "BBKKRR..", "........"})},
        {"keep the height", LuxBmpStretch | LuxBmpKeepHeight, Rect(0, 0, 8, 4), Rect(0, 0, 6, 4),
         Rows({"RRGGBB..", "RRGGBB..", "BBKKRR..", "BBKKRR..", "........"})},
        {"fit inside", LuxBmpStretch | LuxBmpKeepWidth | LuxBmpKeepHeight, Rect(0, 0, 8, 4), Rect(0, 0, 6, 4),
         Rows({"RRGGBB..", "RRGGBB..", "BBKKRR..", "BBKKRR..", "........"})},
        // Whole tiles: the last ones reach past an unclipped destination.
        {"tiled", LuxBmpTile, Rect(0, 0, 4, 3), Rect(0, 0, 4, 3),
         Rows({"RGBRGB..", "BKRBKR..", "RGBRGB..", "BKRBKR..", "........"})},
        {"transparent lime", LuxBmpTransparent, Rect(0, 0, 8, 5), Rect(0, 0, 3, 2),
         Rows({"R.B.....", "BKR.....", "........", "........", "........"})},
        {"empty destination", 0, Rect(3, 3, 3, 5), TRect(),
         Rows({"........", "........", "........", "........", "........"})},
    };
    for (const auto& c : cases) {
        TBitmap dst;
        Blank(dst, 8, 5);
        const TRect covered = LuxBmpDrawExt(dst.Canvas(), c.dest, src.Canvas(), Rect(0, 0, 3, 2), c.flags,
                                            clLime, nullptr, nullptr);
        EXPECT_EQ(covered, c.covered) << c.name;
        EXPECT_EQ(Picture(dst), c.picture) << c.name;
    }

    // Keep-width stretch of 20 x 10 into 40 x 100 covers 40 x 20.
    TBitmap wide;
    Blank(wide, 20, 10);
    TBitmap big;
    Blank(big, 40, 100);
    EXPECT_EQ(LuxBmpDrawExt(big.Canvas(), Rect(0, 0, 40, 100), wide.Canvas(), Rect(0, 0, 20, 10),
                            LuxBmpStretch | LuxBmpKeepWidth, clNone, nullptr, nullptr),
              Rect(0, 0, 40, 20));
}

TEST(Luxbmpdraw, EmptySourcesDrawNothing) {
    TBitmap src;
    Make(src, {"RGB", "BKR"});
    for (unsigned short flags : {static_cast<unsigned short>(LuxBmpStretch | LuxBmpKeepWidth),
                                 static_cast<unsigned short>(LuxBmpStretch | LuxBmpKeepHeight),
                                 static_cast<unsigned short>(LuxBmpTile), static_cast<unsigned short>(0)}) {
        TBitmap dst;
        Blank(dst, 4, 3);
        EXPECT_EQ(LuxBmpDrawExt(dst.Canvas(), Rect(0, 0, 4, 3), src.Canvas(), Rect(1, 0, 1, 2), flags, clNone,
                                nullptr, nullptr),
                  Rect(0, 0, 4, 3))
            << flags;
        EXPECT_EQ(Picture(dst), Rows({"....", "....", "...."})) << flags;
    }
    TBitmap dst, none;
    Blank(dst, 4, 3);
    EXPECT_EQ(LuxBmpDraw(dst.Canvas(), Rect(0, 0, 4, 3), nullptr, 0, clNone), TRect());
    EXPECT_EQ(LuxBmpDraw(dst.Canvas(), Rect(0, 0, 4, 3), &none, LuxBmpStretch, clNone), TRect());
    EXPECT_EQ(Picture(dst), Rows({"....", "....", "...."}));
}

TEST(Luxbmpdraw, MaskedAndBrushCopies) {
    TBitmap src, mask;
    Make(src, {"RGB", "BKR"});
    // The mask keeps the destination where it is white; the source there must be black.
    Make(mask, {"KLK", "KKL"});
    TBitmap masked;
    Make(masked, {"RKB", "BKK"});
    TBitmap dst;
    Blank(dst, 4, 2);
    LuxBmpDrawExt(dst.Canvas(), Rect(0, 0, 4, 2), masked.Canvas(), Rect(0, 0, 3, 2), LuxBmpMasked, clNone,
                  nullptr, mask.Canvas());
    EXPECT_EQ(Picture(dst), Rows({"R.B.", "BK.."}));

    // Brush copy: the bitmap's transparent colour shows the given colour.
    src.SetTransparentColor(clBlue);
    Blank(dst, 4, 2);
    LuxBmpDraw(dst.Canvas(), Rect(0, 0, 4, 2), &src, LuxBmpBrushCopy, clWhite);
    EXPECT_EQ(Picture(dst), Rows({"RGL.", "LKR."}));

    // Clipped tiles stop at the destination; an offset moves the clip; a clip set before stays.
    Blank(dst, 4, 2);
    LuxBmpClipDraw(dst.Canvas(), Rect(0, 0, 2, 2), &src, LuxBmpTile | LuxBmpClip, 0, clNone);
    EXPECT_EQ(Picture(dst), Rows({"RG..", "BK.."}));
    Blank(dst, 4, 2);
    LuxBmpClipDraw(dst.Canvas(), Rect(0, 0, 2, 2), &src, LuxBmpClip, 1 | (1 << 16), clNone);
    EXPECT_EQ(Picture(dst), Rows({"....", ".KR."}));
    Blank(dst, 4, 2);
    IntersectClipRect(dst.Canvas()->Handle(), 0, 0, 3, 1);
    LuxBmpClipDraw(dst.Canvas(), Rect(0, 0, 4, 2), &src, LuxBmpClip, 0, clNone);
    LuxBmpDraw(dst.Canvas(), Rect(0, 0, 4, 2), &src, LuxBmpStretch, clNone);
    SelectClipRgn(dst.Canvas()->Handle(), nullptr);
    EXPECT_EQ(Picture(dst), Rows({"RGG.", "...."})) << "the earlier clip is still there";
}

TEST(Luxbmpdraw, MasksGreyAndDisabledGlyphs) {
    TBitmap glyph;
    Make(glyph, {"....", ".LF.", ".SK.", "...."});
    TBitmap mask, image;
    LuxBmpCreateMasks(&glyph, &mask, &image, clYellow);
    EXPECT_EQ(Picture(mask), Rows({"LLLL", "LKKL", "LKKL", "LLLL"}));
    EXPECT_EQ(Picture(image), Rows({"KKKK", "KLFK", "KSKK", "KKKK"}));

    // Brightness 765, 576, 384, 0: mean 431.25, so the steps lie at 781, 481 and 281.
    TBitmap grey;
    LuxBmpCreateGrayscale(&grey, &glyph);
    EXPECT_EQ(Picture(grey), Rows({"....", ".LL.", ".SK.", "...."}));
    TBitmap dark;
    Make(dark, {"B..", "BRG"});
    // The blue corner is transparent; yellow 510 twice, red and lime 255: mean 318.75, steps at
    // 669, 369 and 169.
    LuxBmpCreateGrayscale(&grey, &dark);
    EXPECT_EQ(Picture(grey), Rows({"BLL", "BSS"}));
    // Only the transparent colour: the copy is unchanged.
    TBitmap plain;
    Make(plain, {"GG", "GG"});
    LuxBmpCreateGrayscale(&grey, &plain);
    EXPECT_EQ(Picture(grey), Rows({"GG", "GG"}));

    TBitmap shape, disabled;
    Make(shape, {"....", ".KK.", ".R..", "...."});
    LuxBmpDrawDisabledState(&disabled, &shape, 0, 0);
    EXPECT_EQ(Picture(disabled), Rows({"....", ".SS.", ".SLL", "..L."}));
}

TEST(Luxbmpdraw, TextureAndPatternFills) {
    TBitmap row;
    Make(row, {"RGB"});
    const struct {
        TPoint offset;
        const char* picture;
    } cases[] = {{Point(0, 0), "RGBRGBR\n"},
                 {Point(4, 0), "GBRGBRG\n"},
                 {Point(2, 0), "BRGBRGB\n"},
                 {Point(-1, 0), ".......\n"}};
    for (const auto& c : cases) {
        TBitmap dst;
        Blank(dst, 7, 1);
        LuxFillTexture(dst.Canvas()->Handle(), Rect(0, 0, 7, 1), &row, c.offset);
        EXPECT_EQ(Picture(dst), c.picture) << c.offset.X;
    }
    TBitmap square, dst;
    Make(square, {"RG", "BK"});
    Blank(dst, 4, 4);
    LuxFillTexture(dst.Canvas()->Handle(), Rect(1, 1, 4, 4), &square, Point(1, 1));
    EXPECT_EQ(Picture(dst), Rows({"....", ".KBK", ".GRG", ".KBK"}));
    Blank(dst, 4, 4);
    LuxFillTexture(dst.Canvas()->Handle(), Rect(2, 2, 2, 4), &square, Point(0, 0));
    EXPECT_EQ(Picture(dst), Rows({"....", "....", "....", "...."}));

    TBitmap pattern;
    Make(pattern, {"LK", "KL", "LK", "KL", "LK", "KL", "LK", "KL"});
    pattern.SetSize(2, 2);
    Blank(dst, 4, 3);
    LuxFillPattern(dst.Canvas()->Handle(), Rect(0, 0, 3, 2), &pattern);
    EXPECT_EQ(Picture(dst), Rows({".K..", "K.K.", "...."}));
}

TEST(Luxbmpdraw, Triangles) {
    const struct {
        int size;
        bool down, enabled;
        const char* picture;
    } cases[] = {
        {3, true, true, "RRRRR..\n.RRR...\n..R....\n.......\n"},
        // Pointing up, centred on X + Size div 2.
        {3, false, true, "...R...\n..RRR..\n.RRRRR.\n.......\n"},
        {2, true, true, "RRR....\n.R.....\n.......\n.......\n"},
        {3, true, false, "SSSSS..\n.SSSLL.\n..SLL..\n...L...\n"},
        {1, true, true, ".......\n.......\n.......\n.......\n"},
        {16, true, true, ".......\n.......\n.......\n.......\n"},
    };
    for (const auto& c : cases) {
        TBitmap dst;
        Blank(dst, 7, 4);
        LuxDrawTriangle(dst.Canvas(), c.down ? 0 : 2, 0, c.size, clRed, c.down, c.enabled);
        EXPECT_EQ(Picture(dst), c.picture) << c.size << c.down << c.enabled;
    }
}

TEST(Luxbmpdraw, ButtonFaces) {
    const struct {
        const char* name;
        TLuxUserButtonStyle style;
        TLuxButtonState state;
        unsigned short flags;
        bool solid;
        std::string picture;
        TRect caption;
    } cases[] = {
        {"new-style up", ubsWin40, bsUp, LuxBtnNewFrame, false,
         Rows({"LLLLLLLLLK", "LRRRRRRRSK", "LRRRRRRRSK", "LRRRRRRRSK", "LRRRRRRRSK", "LRRRRRRRSK",
               "LSSSSSSSSK", "KKKKKKKKKK"}),
         Rect(3, 3, 7, 5)},
        {"new-style down", ubsWin40, bsDown, LuxBtnNewFrame, false,
         Rows({"KKKKKKKKKL", "KSSSSSSSFL", "KSRRRRRRFL", "KSRRRRRRFL", "KSRRRRRRFL", "KSRRRRRRFL",
               "KFFFFFFFFL", "LLLLLLLLLL"}),
         Rect(4, 4, 8, 6)},
        {"plain down", ubsWin40, bsDown, 0, false,
         Rows({"KKKKKKKKKK", "KSSSSSSSSK", "KSRRRRRRSK", "KSRRRRRRSK", "KSRRRRRRSK", "KSRRRRRRSK",
               "KSSSSSSSSK", "KKKKKKKKKK"}),
         Rect(4, 4, 8, 6)},
        {"flat up", ubsFlat, bsUp, 0, false,
         Rows({"RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR",
               "RRRRRRRRRR", "RRRRRRRRRR"}),
         Rect(3, 3, 7, 5)},
        {"flat under the mouse", ubsFlat, bsMouseOver, 0, false,
         Rows({"LLLLLLLLLS", "LRRRRRRRRS", "LRRRRRRRRS", "LRRRRRRRRS", "LRRRRRRRRS", "LRRRRRRRRS",
               "LRRRRRRRRS", "SSSSSSSSSS"}),
         Rect(3, 3, 7, 5)},
        // The option-set look: the 8 x 8 brush pattern in the colour, white between.
        {"flat option set", ubsFlat, bsOptionSet, 0, false,
         Rows({"SSSSSSSSSL", "SLRLRLRLRL", "SRLRLRLRLL", "SLRLRLRLRL", "SRLRLRLRLL", "SLRLRLRLRL",
               "SRLRLRLRLL", "LLLLLLLLLL"}),
         Rect(4, 4, 8, 6)},
        {"flat option set, solid", ubsFlat, bsOptionSet, 0, true,
         Rows({"SSSSSSSSSL", "SRRRRRRRRL", "SRRRRRRRRL", "SRRRRRRRRL", "SRRRRRRRRL", "SRRRRRRRRL",
               "SRRRRRRRRL", "LLLLLLLLLL"}),
         Rect(4, 4, 8, 6)},
    };
    // The option-set pattern comes from the library's services object.
    TempHome home;
    InitLuxclass();
    for (const auto& c : cases) {
        TBitmap dst;
        Blank(dst, 10, 8);
        TRect r = Rect(0, 0, 10, 8);
        EXPECT_TRUE(LuxDrawBtnFace(dst.Canvas(), c.solid, r, c.style, c.state, c.flags, clRed)) << c.name;
        EXPECT_EQ(Picture(dst), c.picture) << c.name;
        EXPECT_EQ(r, c.caption) << c.name;
    }
    DoneLuxclass();

    // The default frame takes one pixel before the caption is placed, unless the button is down.
    for (auto style : {ubsWin31, ubsWin40, ubsClassic, ubsNavigator, ubsIntegrated}) {
        TBitmap dst;
        Blank(dst, 10, 8);
        TRect up = Rect(0, 0, 10, 8), down = up;
        LuxDrawBtnFace(dst.Canvas(), false, up, style, bsUp, LuxBtnDefault, clRed);
        LuxDrawBtnFace(dst.Canvas(), false, down, style, bsDown, LuxBtnDefault, clRed);
        EXPECT_EQ(up, Rect(4, 4, 6, 4)) << style;
        EXPECT_EQ(down, Rect(4, 4, 8, 6)) << style;
    }

    const bool flat[] = {false, false, false, false, true, true, true, true, true, true, false};
    for (int s = ubsAutoDetect; s <= ubsIntegrated; ++s)
        EXPECT_EQ(LuxDrawBtnIsFlat(TLuxUserButtonStyle(s)), flat[s]) << s;
}

TEST(Luxbmpdraw, IconsAndMaskedBackgrounds) {
    TBitmap colour, mask;
    Make(colour, {"RG", "BK"});
    Make(mask, {"KK", "KL"});
    ICONINFO info;
    info.hbmColor = colour.Handle();
    info.hbmMask = mask.Handle();
    TIcon icon;
    icon.SetHandle(CreateIconIndirect(&info));
    TBitmap out;
    LuxIcon2Bitmap(&out, &icon, clBlue);
    EXPECT_EQ(Picture(out), Rows({"RG", "BB"})) << "the background shows where the mask is white";

    TBitmap glyph, back;
    Make(glyph, {"RGB"});
    Make(back, {"SSS", "SSS"});
    TBitmap dst;
    Blank(dst, 4, 3);
    LuxMaskBmpDraw(dst.Canvas(), Rect(1, 1, 4, 3), &glyph, &back, clBlue, clLime);
    EXPECT_EQ(Picture(back), Rows({"RSB", "SSS"}));
    EXPECT_EQ(Picture(dst), Rows({"....", ".RS.", ".SSS"}));

    TBitmap shot;
    LuxBmpFromDesktop(&shot, Rect(0, 0, 3, 2));
    EXPECT_EQ(shot.Width(), 3);
    EXPECT_EQ(shot.Height(), 2);
    TBitmap untouched;
    LuxBmpFromDesktop(&untouched, Rect(5, 5, 5, 9));
    EXPECT_TRUE(untouched.Empty());
}
