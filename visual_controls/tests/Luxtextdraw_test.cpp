#include "visual_controls/Luxtextdraw.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

#include "visual_controls/tests/support/LetterPicture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr TColor kBack = clYellow;

class LuxTextDraw : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        std::string why;
        if (!GdiTextAvailable(&why)) GTEST_SKIP() << why;
        Font.SetName("Arial");
        Font.SetHeight(-20);
        Font.SetColor(clBlack);
    }

    // A w x h bitmap in the background colour, its canvas font set to Font.
    void Fixture(TBitmap& b, int w = 120, int h = 60) {
        b.SetSize(w, h);
        b.Canvas()->Brush()->SetColor(kBack);
        b.Canvas()->Brush()->SetStyle(bsSolid);
        b.Canvas()->FillRect(Rect(0, 0, w, h));
        b.Canvas()->Font()->Assign(&Font);
    }

    // The text drawn without a caption: where its ink lies.
    TRect PlainInk(const std::string& text, const TRect& r, int flags = 0) {
        TBitmap b;
        Fixture(b);
        LuxDrawTextExt(b.Canvas(), text, nullptr, r, flags, {dtEnabled}, nullptr);
        return InkBox(b, clBlack);
    }

    // Smallest rectangle holding every pixel of colour c (empty when there is none).
    static TRect InkBox(TBitmap& b, TColor c) {
        const COLORREF want = ColorToRGB(c);
        TRect box(b.Width(), b.Height(), 0, 0);
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (ColorToRGB(b.Canvas()->Pixels(x, y)) == want) {
                    box.Left = std::min(box.Left, x);
                    box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x + 1);
                    box.Bottom = std::max(box.Bottom, y + 1);
                }
        return box.Right > box.Left ? box : TRect();
    }

    static TRect Moved(const TRect& r, int dx, int dy) {
        return TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
    }

    TFont Font;
};

} // namespace

TEST_F(LuxTextDraw, ThreeDStylesDrawTheirPassesWhereTheyBelong) {
    const TRect area(10, 10, 110, 50);
    const TRect plain = PlainInk("H H", area);
    const TRect plainRight = PlainInk("H H", area, DT_RIGHT);
    ASSERT_FALSE(plain == TRect());

    // Right-aligned text shows the narrowed rectangle: the main copy moves left by the reduction.
    const struct {
        TLuxThreeDStyle style;
        int L, S;
        TRect black; // the main copy
        TRect white; // LightColor
        TRect blue;  // ShadowColor
    } cases[] = {
        {tdSunken, 2, 1, Moved(plainRight, -2, 0), Moved(plainRight, 0, 2), TRect()},
        {tdRaised, 2, 1, Moved(plainRight, 0, 2), Moved(plainRight, -2, 0), TRect()},
        {tdShadow, 1, 3, Moved(plainRight, -3, 0), TRect(), Moved(plainRight, 0, 3)},
        {tdSunkenShadow, 1, 2, Moved(plainRight, -1, 2), Moved(plainRight, 0, 3), Moved(plainRight, -3, 0)},
        {tdRaisedShadow, 1, 2, Moved(plainRight, -2, 1), Moved(plainRight, -3, 0), Moved(plainRight, 0, 3)},
    };
    for (const auto& c : cases) {
        TBitmap b;
        Fixture(b);
        TLux3DCaption caption;
        caption.SetStyle(c.style);
        caption.SetDepth(0, static_cast<BYTE>(c.L));
        caption.SetDepth(1, static_cast<BYTE>(c.S));
        caption.SetColor(0, clWhite);
        caption.SetColor(1, clBlue);
        LuxDrawTextExt(b.Canvas(), "H H", &caption, area, DT_RIGHT, {dtEnabled}, nullptr);
        EXPECT_EQ(InkBox(b, clBlack), c.black) << caption.GetSetStr();
        EXPECT_EQ(InkBox(b, clWhite), c.white) << caption.GetSetStr();
        EXPECT_EQ(InkBox(b, clBlue), c.blue) << caption.GetSetStr();
        // The canvas is left as it was given.
        EXPECT_EQ(b.Canvas()->Font()->Color(), clBlack);
        EXPECT_EQ(b.Canvas()->Brush()->Style(), bsSolid);
        EXPECT_EQ(GetTextCharacterExtra(b.Canvas()->Handle()), 0);
    }

    // Left-aligned, the sunken light copy sits L right and down of the main copy, which stays put.
    TBitmap b;
    Fixture(b);
    TLux3DCaption sunken;
    sunken.SetStyle(tdSunken);
    sunken.SetDepth(0, 2);
    sunken.SetColor(0, clWhite);
    LuxDrawTextExt(b.Canvas(), "H H", &sunken, area, 0, {dtEnabled}, nullptr);
    EXPECT_EQ(InkBox(b, clBlack), plain);
    EXPECT_EQ(InkBox(b, clWhite), Moved(plain, 2, 2));
}

TEST_F(LuxTextDraw, PColorStylesDrawInTheBrushColour) {
    TBitmap b;
    Fixture(b);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->Brush()->SetStyle(bsClear);
    TLux3DCaption caption;
    caption.SetStyle(tdPColorSunken);
    caption.SetColor(0, clWhite);
    caption.SetColor(1, clBlue);
    const TRect area(10, 10, 110, 50);
    LuxDrawTextExt(b.Canvas(), "H", &caption, area, 0, {dtEnabled}, nullptr);
    const TRect plain = PlainInk("H", area);
    EXPECT_EQ(InkBox(b, clRed), Moved(plain, 1, 1)) << "main copy in the brush colour";
    EXPECT_EQ(InkBox(b, clBlack), TRect());
}

TEST_F(LuxTextDraw, OutlineStrokesAroundTheText) {
    Font.SetHeight(-40);
    const TRect area(10, 5, 110, 55);
    const TRect plain = PlainInk("I", area);
    TLux3DCaption caption;
    caption.SetStyle(tdOutline);
    caption.SetDepth(1, 2);
    TBitmap b;
    Fixture(b);
    LuxDrawTextExt(b.Canvas(), "I", &caption, area, 0, {dtEnabled}, nullptr);
    const TRect ink = InkBox(b, clBlack);
    // The glyph's outline, drawn S div 2 right and down, with a pen S wide centred on it.
    const TRect moved = Moved(plain, 1, 1);
    EXPECT_LE(ink.Left, moved.Left);
    EXPECT_LE(ink.Top, moved.Top);
    EXPECT_GE(ink.Right, moved.Right);
    EXPECT_GE(ink.Bottom, moved.Bottom);
    EXPECT_GE(ink.Left, moved.Left - 2);
    EXPECT_LE(ink.Right, moved.Right + 2);
    // Stroked, not filled: the middle of the bar stays background.
    const int cx = (moved.Left + moved.Right) / 2, cy = (moved.Top + moved.Bottom) / 2;
    EXPECT_EQ(ColorToRGB(b.Canvas()->Pixels(cx, cy)), ColorToRGB(kBack));
    EXPECT_EQ(b.Canvas()->Pen()->Width(), 1) << "the canvas pen is given back";
}

TEST_F(LuxTextDraw, ExtrusionTrails) {
    const TRect area(10, 10, 110, 50);
    const TRect plain = PlainInk("H", area);
    TLux3DCaption caption;
    caption.SetStyle(tdExtrude);
    caption.SetColor(1, clBlue);

    // ShadowDepth 0: the text once, where it stands.
    caption.SetDepth(1, 0);
    TBitmap once;
    Fixture(once);
    LuxDrawTextExt(once.Canvas(), "H", &caption, area, 0, {dtEnabled}, nullptr);
    EXPECT_EQ(InkBox(once, clBlack), plain);
    EXPECT_EQ(InkBox(once, clBlue), TRect());

    // Depth 3 towards the top left: trail copies at +1, +2, +3, the text over the last.
    caption.SetDepth(1, 3);
    TBitmap trail;
    Fixture(trail);
    LuxDrawTextExt(trail.Canvas(), "H", &caption, area, 0, {dtEnabled}, nullptr);
    EXPECT_EQ(InkBox(trail, clBlack), Moved(plain, 3, 3));
    EXPECT_EQ(InkBox(trail, clBlue), TRect(plain.Left + 1, plain.Top + 1, plain.Right + 2, plain.Bottom + 2));

    // Towards the bottom right: moved by d + 1, stepping back; the text ends one pixel in.
    caption.SetOrientation(toBottomRight);
    TBitmap br;
    Fixture(br);
    LuxDrawTextExt(br.Canvas(), "H", &caption, area, 0, {dtEnabled}, nullptr);
    EXPECT_EQ(InkBox(br, clBlack), Moved(plain, 1, 1));
    EXPECT_EQ(InkBox(br, clBlue), TRect(plain.Left + 2, plain.Top + 2, plain.Right + 3, plain.Bottom + 3));
}

TEST_F(LuxTextDraw, DisabledLook) {
    const TRect area(10, 10, 110, 50);
    const TRect plain = PlainInk("H", area);
    TLux3DCaption caption;
    caption.SetColor(0, clWhite);

    // dsAuto with dt3DDisabled: sunken grey text.
    TBitmap sunken;
    Fixture(sunken);
    LuxDrawTextExt(sunken.Canvas(), "H", &caption, area, 0, {dtDisabled, dt3DDisabled}, nullptr);
    EXPECT_EQ(InkBox(sunken, clGray), plain);
    EXPECT_EQ(InkBox(sunken, clWhite), Moved(plain, 1, 1));
    EXPECT_EQ(InkBox(sunken, clBlack), TRect());

    // dsAuto without it: flat grey text.
    TBitmap flat;
    Fixture(flat);
    LuxDrawTextExt(flat.Canvas(), "H", &caption, area, 0, {dtDisabled}, nullptr);
    EXPECT_EQ(InkBox(flat, clGray), plain);
    EXPECT_EQ(InkBox(flat, clWhite), TRect());

    // dsNone: as enabled.
    caption.SetDisabledStyle(dsNone);
    TBitmap asEnabled;
    Fixture(asEnabled);
    LuxDrawTextExt(asEnabled.Canvas(), "H", &caption, area, 0, {dtDisabled, dt3DDisabled}, nullptr);
    EXPECT_EQ(InkBox(asEnabled, clBlack), plain);
    EXPECT_EQ(InkBox(asEnabled, clGray), TRect());
}

TEST_F(LuxTextDraw, ClipKeepsTheEarlierClipOfTheDC) {
    const TRect area(10, 10, 110, 50);
    const TRect plain = PlainInk("HHHHHH", area);
    ASSERT_GT(plain.Right, 40);
    TLux3DCaption caption;

    // The call's clip lies within the one the DC already had.
    TBitmap b;
    Fixture(b);
    HDC dc = b.Canvas()->Handle();
    IntersectClipRect(dc, 0, 0, 40, 60);
    LuxDrawTextExt(b.Canvas(), "HHHHHH", &caption, area, 0, {dtEnabled, dtClip}, nullptr);
    // The DC's clip is as before.
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetClipRgn(dc, rgn), 1);
    RECT box{};
    GetRgnBox(rgn, &box);
    EXPECT_EQ(TRect(box), TRect(0, 0, 40, 60));
    DeleteObject(rgn);
    SelectClipRgn(dc, nullptr);
    const TRect clipped = InkBox(b, clBlack);
    EXPECT_LE(clipped.Right, 40);
    EXPECT_GT(clipped.Right, 30);

    // A clip rectangle of its own, without an earlier clip: removed again afterwards.
    TBitmap c;
    Fixture(c);
    const TRect clip(0, 0, 25, 60);
    LuxDrawTextExt(c.Canvas(), "HHHHHH", &caption, area, 0, {dtEnabled, dtClip}, &clip);
    EXPECT_LE(InkBox(c, clBlack).Right, 25);
    EXPECT_GT(InkBox(c, clBlack).Right, 15);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(c.Canvas()->Handle(), none), 0);
    DeleteObject(none);
    // Without dtClip the rectangle does not clip.
    TBitmap d;
    Fixture(d);
    LuxDrawTextExt(d.Canvas(), "HHHHHH", &caption, area, 0, {dtEnabled}, &clip);
    EXPECT_EQ(InkBox(d, clBlack), plain);
}

TEST_F(LuxTextDraw, NothingForEmptyTextOrRectangle) {
    TBitmap b;
    Fixture(b);
    TLux3DCaption caption;
    LuxDrawTextExt(b.Canvas(), "", &caption, TRect(0, 0, 100, 50), 0, {dtEnabled}, nullptr);
    LuxDrawTextExt(b.Canvas(), "H", &caption, TRect(10, 10, 10, 50), 0, {dtEnabled}, nullptr);
    LuxDrawTextExt(b.Canvas(), "H", nullptr, TRect(10, 10, 50, 10), 0, {dtEnabled}, nullptr);
    EXPECT_EQ(InkBox(b, clBlack), TRect());
}

TEST_F(LuxTextDraw, MeasuringAddsMarginDepthAndTracing) {
    SIZE blank{}, amp{}, hi{};
    {
        HDC screen = GetDC(0);
        HGDIOBJ old = SelectObject(screen, Font.Handle());
        GetTextExtentPoint32(screen, " ", 1, &blank);
        GetTextExtentPoint32(screen, "&", 1, &amp);
        GetTextExtentPoint32(screen, "Hi", 2, &hi);
        SelectObject(screen, old);
        ReleaseDC(0, screen);
    }
    TLux3DCaption none;
    TLux3DCaption sunken;
    sunken.SetStyle(tdSunkenShadow);
    sunken.SetDepth(0, 2);
    sunken.SetDepth(1, 3);
    TLux3DCaption spaced;
    spaced.SetTracing(4);
    const struct {
        const char* text;
        TLux3DCaption* caption;
        bool accel;
        int extend;
        int w, h;
    } cases[] = {
        {"", &none, true, 0, blank.cx + 2, blank.cy + 2},
        {"", nullptr, true, 0, blank.cx + 2, blank.cy + 2},
        {"&", &none, true, 0, blank.cx + 2, blank.cy + 2},
        {"&", &none, false, 0, amp.cx + 2, amp.cy + 2},
        {"Hi", &none, true, 1, hi.cx + 4, hi.cy + 4},
        {"Hi", &sunken, true, 0, hi.cx + 5 + 2, hi.cy + 5 + 2},
        {"Hi", &spaced, true, 0, hi.cx + 8 + 2, hi.cy + 2},
    };
    for (const auto& c : cases) {
        TRect r(5, 7, 200, 7);
        LuxDrawTextCalc(c.text, c.caption, r, &Font, false, c.accel, c.extend, 0);
        EXPECT_EQ(r, TRect(5, 7, 5 + c.w, 7 + c.h)) << '"' << c.text << "\" " << c.accel;
    }

    // The canvas form keeps the canvas's own DC and font.
    TBitmap b;
    Fixture(b);
    b.Canvas()->Font()->SetHeight(-9);
    HDC before = b.Canvas()->Handle();
    TRect r(0, 0, 100, 0);
    LuxDrawTextCalcExt(b.Canvas(), "Hi", &none, r, &Font, false, true, 0, 0);
    EXPECT_EQ(r, TRect(0, 0, hi.cx + 2, hi.cy + 2));
    EXPECT_EQ(b.Canvas()->Handle(), before);
    EXPECT_EQ(b.Canvas()->Font()->Height(), -9);
}

TEST_F(LuxTextDraw, AlignedTextRectangle) {
    TRect m(0, 0, 99, 0);
    LuxDrawTextCalc("Hi", nullptr, m, &Font, false, true, 0, 0);
    const int w = m.Width(), h = m.Height();
    EXPECT_EQ(LuxAlignTextRect(agTopLeft, "Hi", nullptr, TRect(10, 20, 110, 80), &Font, false, true, 0),
              TRect(10, 20, 10 + w, 20 + h));
    EXPECT_EQ(LuxAlignTextRect(agCenter, "Hi", nullptr, TRect(10, 20, 110, 80), &Font, false, true, 0),
              TRect(10 + (100 - w) / 2, 20 + (60 - h) / 2, 10 + (100 - w) / 2 + w, 20 + (60 - h) / 2 + h));
    EXPECT_EQ(LuxAlignTextRect(agBottomRight, "Hi", nullptr, TRect(10, 20, 110, 80), &Font, false, true, 0),
              TRect(110 - w, 80 - h, 110, 80));
}

TEST_F(LuxTextDraw, RotatedTextStandsUpInsideItsMeasuredBox) {
    TLuxFxCaption caption;
    caption.SetAngle(90);
    TRect r(0, 0, 0, 0);
    LuxDrawTextCalc("HHHH", &caption, r, &Font, false, true, 0, 0);
    EXPECT_GT(r.Height(), r.Width());

    TBitmap b;
    Fixture(b, 60, 120);
    const TRect area = Moved(r, 10, 5);
    LuxDrawTextExt(b.Canvas(), "HHHH", &caption, area, 0, {dtEnabled}, nullptr);
    const TRect ink = InkBox(b, clBlack);
    EXPECT_GT(ink.Height(), 2 * ink.Width()) << "tall, not wide";
    EXPECT_GE(ink.Left, area.Left);
    EXPECT_GE(ink.Top, area.Top);
    EXPECT_LE(ink.Right, area.Right);
    EXPECT_LE(ink.Bottom, area.Bottom);
    // The canvas font is upright again.
    LOGFONT lf;
    GetObject(b.Canvas()->Font()->Handle(), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfEscapement, 0);

    // Measuring unrotated resets the origin without telling the owner.
    struct Counter : TObject {
        int n = 0;
        void Changed(TObject*) { ++n; }
    } counter;
    caption.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    caption.SetAngle(0);
    ASSERT_EQ(counter.n, 1);
    TRect u(0, 0, 100, 0);
    LuxDrawTextCalc("HHHH", &caption, u, &Font, false, true, 0, 0);
    EXPECT_EQ(caption.PosX(), 0);
    EXPECT_EQ(caption.PosY(), 0);
    EXPECT_EQ(counter.n, 1);
}

TEST_F(LuxTextDraw, FontQueries) {
    EXPECT_TRUE(LuxIsTrueTypeFont(&Font));
    TFont bitmapFace;
    bitmapFace.SetName("MS Sans Serif");
    EXPECT_FALSE(LuxIsTrueTypeFont(&bitmapFace));
    TBitmap b;
    Fixture(b);
    EXPECT_TRUE(LuxIsTrueTypeFontCheck(b.Canvas()));

    SIZE w{}, hi{};
    HDC screen = GetDC(0);
    HGDIOBJ old = SelectObject(screen, Font.Handle());
    GetTextExtentPoint32(screen, "W", 1, &w);
    GetTextExtentPoint32(screen, "Hi", 2, &hi);
    SelectObject(screen, old);
    ReleaseDC(0, screen);
    EXPECT_EQ(LuxGetFontHeight(&Font), w.cy);

    TLux3DCaption caption;
    caption.SetStyle(tdShadow);
    caption.SetDepth(1, 3);
    caption.SetTracing(2);
    EXPECT_EQ(LuxGet3DTextWidth("Hi", &caption, &Font), hi.cx + 4 + 3);
    EXPECT_EQ(LuxGet3DTextHeight(&caption, &Font), w.cy + 3);
    caption.SetStyle(tdExtrude);
    EXPECT_EQ(LuxGet3DTextHeight(&caption, &Font), w.cy);
    EXPECT_EQ(LuxGet3DTextWidth("Hi", nullptr, &Font), hi.cx);
}

TEST_F(LuxTextDraw, TextAndGlyphLayouts) {
    TBitmap glyph;
    glyph.SetSize(10, 8);
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect(TRect(0, 0, 10, 8));
    TRect m(0, 0, 100, 0);
    LuxDrawTextCalc("Hi there", nullptr, m, &Font, false, true, 0, 0);
    const int tw = m.Width(), th = m.Height();
    ASSERT_GT(th, 8);
    ASSERT_GT(tw, 10);
    const int gy = (th - 8) / 2, gx = (tw - 10) / 2;

    // Dest at the origin, aligned top left, spacing 2: text rectangles are one pixel in.
    const struct {
        TLuxTextArrange arrange;
        TRect text;
        TRect glyph;
    } cases[] = {
        {taRight, TRect(13, 1, 13 + tw, 1 + th), TRect(0, gy, 10, gy + 8)},
        {taRightTop, TRect(13, 1, 13 + tw, 1 + th), TRect(0, 0, 10, 8)},
        {taLeft, TRect(1, 1, 1 + tw, 1 + th), TRect(tw + 2, gy, tw + 12, gy + 8)},
        {taLeftTop, TRect(1, 1, 1 + tw, 1 + th), TRect(tw + 2, 0, tw + 12, 8)},
        {taTop, TRect(1, 1, 1 + tw, 1 + th), TRect(gx, th + 2, gx + 10, th + 10)},
        {taTopLeft, TRect(1, 1, 1 + tw, 1 + th), TRect(0, th + 2, 10, th + 10)},
        {taBottom, TRect(1, 11, 1 + tw, 11 + th), TRect(gx, 0, gx + 10, 8)},
        {taBottomLeft, TRect(1, 11, 1 + tw, 11 + th), TRect(0, 0, 10, 8)},
    };
    const TRect dest(0, 0, 200, 60);
    for (const auto& c : cases) {
        TBitmap b;
        Fixture(b, 200, 60);
        TLuxGlyphTextLayout layout;
        layout.SetAlignText2Glyph(c.arrange);
        const TLuxTextGlyphRects out =
            LuxDrawTextAndGlyph(b.Canvas(), "Hi there", nullptr, dest, &glyph, nullptr, &layout, false, true,
                                false, {dtEnabled}, 0);
        EXPECT_EQ(out.Text, c.text) << c.arrange;
        EXPECT_EQ(out.Glyph, c.glyph) << c.arrange;
        RECT u{}, t = c.text, g = c.glyph;
        UnionRect(&u, &t, &g);
        EXPECT_EQ(out.All, TRect(u)) << c.arrange;
        EXPECT_EQ(out.Reserved, TRect());
        EXPECT_EQ(InkBox(b, clRed), c.glyph) << c.arrange;
        const TRect ink = InkBox(b, clBlack);
        EXPECT_GE(ink.Left, c.text.Left) << c.arrange;
        EXPECT_GE(ink.Top, c.text.Top) << c.arrange;
        EXPECT_LE(ink.Right, c.text.Right) << c.arrange;
        EXPECT_LE(ink.Bottom, c.text.Bottom) << c.arrange;
    }

    // Placement, offsets and the focus rectangle; calculating draws nothing.
    TLuxGlyphTextLayout layout;
    layout.SetAlignment(agBottomRight);
    layout.SetOffset(0, -3);
    layout.SetOffset(1, 2);
    const int bw = 10 + 2 + tw;
    TBitmap b;
    Fixture(b, 200, 60);
    TRect focus(0, 0, 10, 8);
    const TLuxTextGlyphRects placed =
        LuxDrawTextAndGlyphExt(b.Canvas(), "Hi there", nullptr, dest, glyph.Canvas(), focus, nullptr, clNone,
                               &layout, false, true, false, {dtEnabled, dtRectText}, 0);
    EXPECT_EQ(placed.Text, TRect(200 - bw + 12 + 1 - 3, 60 - th + 1 + 2, 200 + 1 - 3, 60 + 1 + 2));
    EXPECT_EQ(placed.Glyph, TRect(200 - bw - 3, 60 - th + gy + 2, 200 - bw + 10 - 3, 60 - th + gy + 8 + 2));
    EXPECT_EQ(focus, TRect(placed.Text.Left - 1, placed.Text.Top - 1, placed.Text.Right + 1,
                           placed.Text.Bottom + 1));

    TBitmap calc;
    Fixture(calc, 200, 60);
    TRect f2(0, 0, 10, 8);
    const TLuxTextGlyphRects measured =
        LuxDrawTextAndGlyphExt(calc.Canvas(), "Hi there", nullptr, dest, glyph.Canvas(), f2, nullptr, clNone,
                               &layout, false, true, false, {dtEnabled, dtCalculate}, 0);
    EXPECT_EQ(measured.Text, placed.Text);
    EXPECT_EQ(InkBox(calc, clRed), TRect());
    EXPECT_EQ(InkBox(calc, clBlack), TRect());
    // The union inflated by one for the glyph-and-text focus, and by one more for calculating.
    EXPECT_EQ(f2, TRect(measured.All.Left - 2, measured.All.Top - 2, measured.All.Right + 2,
                        measured.All.Bottom + 2));

    // No glyph, no focus style: spacing drops out and the focus is Dest shrunk by one.
    TBitmap t;
    Fixture(t, 200, 60);
    TLuxGlyphTextLayout plain;
    TRect f3;
    const TLuxTextGlyphRects textOnly =
        LuxDrawTextAndGlyphExt(t.Canvas(), "Hi there", nullptr, dest, nullptr, f3, nullptr, clNone, &plain,
                               false, true, false, {dtEnabled}, 0);
    EXPECT_EQ(textOnly.Text, TRect(1, 1, 1 + tw, 1 + th));
    EXPECT_EQ(textOnly.Glyph.Width(), 0);
    EXPECT_EQ(textOnly.All, textOnly.Text);
    EXPECT_EQ(f3, TRect(1, 1, 199, 59));
    TRect f4;
    EXPECT_EQ(LuxDrawTextAndGlyphExt(t.Canvas(), "Hi there", nullptr, dest, nullptr, f4, nullptr, clNone,
                                     nullptr, false, true, false, {dtEnabled, dtCalculate}, 0)
                  .Text,
              textOnly.Text)
        << "no layout: the default one";
}

TEST_F(LuxTextDraw, TransparentGlyphLeavesItsColourOut) {
    TBitmap glyph;
    glyph.SetSize(10, 8);
    glyph.Canvas()->Brush()->SetColor(clLime);
    glyph.Canvas()->FillRect(TRect(0, 0, 10, 8));
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect(TRect(2, 2, 5, 5));
    TBitmap b;
    Fixture(b, 40, 20);
    TLuxGlyphTextLayout layout;
    TRect focus(0, 0, 10, 8);
    LuxDrawTextAndGlyphExt(b.Canvas(), "", nullptr, TRect(0, 0, 40, 20), glyph.Canvas(), focus, nullptr,
                           clLime, &layout, false, true, true, {dtEnabled, dtRectGlyph}, 0);
    EXPECT_EQ(InkBox(b, clLime), TRect());
    EXPECT_EQ(InkBox(b, clRed), TRect(2, 2, 5, 5));
    EXPECT_EQ(focus, TRect(0, 0, 10, 8));
}

TEST_F(LuxTextDraw, DropDownArrowBesideTheText) {
    TRect m(0, 0, 200, 0);
    LuxDrawTextCalc("Hi there", nullptr, m, &Font, false, true, 0, 0);
    const int tw = m.Width(), th = m.Height();
    // Size 3 and indent 3: the text rectangle grows by 2 * 3 - 1 + 3; the arrow is 5 wide, 3 high.
    const struct {
        TLuxArrowPosition position;
        TRect text;
        TRect arrow;
    } cases[] = {
        {apRightText, TRect(1, 1, tw + 9, th + 1), TRect(tw + 3, th / 2, tw + 8, th / 2 + 3)},
        {apLeftText, TRect(9, 1, tw + 17, th + 1), TRect(1, th / 2, 6, th / 2 + 3)},
    };
    for (const auto& c : cases) {
        TBitmap b;
        Fixture(b, 200, 60);
        TLuxButtonLayout layout;
        layout.SetAlignment(agTopLeft);
        layout.SetArrow(true);
        layout.SetArrowColor(clRed);
        layout.SetArrowPosition(c.position);
        TRect focus;
        const TLuxTextGlyphRects out =
            LuxDrawTextAndGlyphExt(b.Canvas(), "Hi there", nullptr, TRect(0, 0, 200, 60), nullptr, focus,
                                   nullptr, clNone, &layout, false, true, false, {dtEnabled}, 0);
        EXPECT_EQ(out.Text, c.text) << c.position;
        EXPECT_EQ(InkBox(b, clRed), c.arrow) << c.position;
    }
}

TEST_F(LuxTextDraw, TracingSpacesTheTextAndLeavesTheDCsOwnSpacing) {
    const TRect area(5, 10, 115, 50);
    const TRect plain = PlainInk("HH", area);
    TBitmap b;
    Fixture(b);
    TLux3DCaption caption;
    caption.SetTracing(6);
    HDC dc = b.Canvas()->Handle();
    SetTextCharacterExtra(dc, 1);
    LuxDrawTextExt(b.Canvas(), "HH", &caption, area, 0, {dtEnabled}, nullptr);
    const TRect ink = InkBox(b, clBlack);
    EXPECT_EQ(ink.Left, plain.Left);
    EXPECT_EQ(ink.Right, plain.Right + 6) << "one character's extra lies between the two";
    EXPECT_EQ(GetTextCharacterExtra(dc), 1);
}
