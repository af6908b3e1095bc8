#include "visual_controls/Luxbevel.h"

#include "platform/ui/TypInfo.h"

#include "visual_controls/tests/support/LetterPicture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Background of every fixture: a colour no frame uses.
constexpr TColor kBack = clYellow;

// A w x h bitmap filled with the background.
void Fixture(TBitmap& b, int w, int h) {
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(kBack);
    b.Canvas()->Brush()->SetStyle(bsSolid);
    b.Canvas()->FillRect(Rect(0, 0, w, h));
}

// Paints bevel into a w x h fixture and answers the rectangle left inside.
TRect PaintOn(TBitmap& b, TLuxBevel& bevel, int w, int h, bool borderTransparent = false) {
    Fixture(b, w, h);
    return bevel.PaintBevel(b.Canvas(), Rect(0, 0, w, h), borderTransparent);
}

struct TChangeCounter : TObject {
    int Changes = 0;
    void Changed(TObject*) { ++Changes; }
};

} // namespace

TEST(Luxbevel, Frame3DPaintsEachStyleInsideTheRectangle) {
    const struct {
        TLuxBevelStyle style;
        int width;
        bool painted;
        TRect inside;
        std::string picture;
    } cases[] = {
        {bvLowered, 1, true, Rect(1, 1, 7, 6),
         Rows({"SSSSSSSL", "S......L", "S......L", "S......L", "S......L", "S......L", "SLLLLLLL"})},
        // Two pixels wide on every side; the corners step along the diagonal.
        {bvLowered, 2, true, Rect(2, 2, 6, 5),
         Rows({"SSSSSSSL", "SSSSSSLL", "SS....LL", "SS....LL", "SS....LL", "SSLLLLLL", "SLLLLLLL"})},
        {bvRaised, 2, true, Rect(2, 2, 6, 5),
         Rows({"LLLLLLLS", "LLLLLLSS", "LL....SS", "LL....SS", "LL....SS", "LLSSSSSS", "LSSSSSSS"})},
        {bvNormal, 1, true, Rect(1, 1, 7, 6),
         Rows({"KKKKKKKK", "K......K", "K......K", "K......K", "K......K", "K......K", "KKKKKKKK"})},
        // The etched frame: one pixel more than its width.
        {bvFrameLowered, 1, true, Rect(2, 2, 6, 5),
         Rows({"SSSSSSS.", "SLLLLLSL", "SL....SL", "SL....SL", "SL....SL", "SSSSSSSL", ".LLLLLLL"})},
        {bvFrameRaised, 1, true, Rect(2, 2, 6, 5),
         Rows({"LLLLLLL.", "LSSSSSLS", "LS....LS", "LS....LS", "LS....LS", "LLLLLLLS", ".SSSSSSS"})},
        {bvNone, 2, false, Rect(0, 0, 8, 7), std::string()},
        {bvShadow, 2, false, Rect(0, 0, 8, 7), std::string()},
        {bvLowered, 0, false, Rect(0, 0, 8, 7), std::string()},
    };
    const std::string blank =
        Rows({"........", "........", "........", "........", "........", "........", "........"});
    for (const auto& c : cases) {
        TBitmap b;
        Fixture(b, 8, 7);
        TRect r = Rect(0, 0, 8, 7);
        EXPECT_EQ(LuxDrawFrame3D(b.Canvas(), r, c.style, clBtnHighlight, clBtnShadow, c.width), c.painted)
            << c.style << "/" << c.width;
        EXPECT_EQ(r, c.inside) << c.style << "/" << c.width;
        EXPECT_EQ(Picture(b), c.painted ? c.picture : blank) << c.style << "/" << c.width;
    }
}

TEST(Luxbevel, StandardFramesShrinkByTheirSteps) {
    const struct {
        TLuxBorderStyle style;
        TRect inside;
        const char* picture; // nullptr: only the rectangle is pinned
    } cases[] = {
        {lsNone, Rect(0, 0, 7, 6), nullptr},
        // Left and top only move in: the right and bottom edges are drawn without adjusting.
        {lsSingle, Rect(1, 1, 7, 6), "KKKKKKK\nK.....K\nK.....K\nK.....K\nK.....K\nKKKKKKK\n"},
        {lsLowered, Rect(2, 2, 5, 4), "KKKKKKL\nKSSSSFL\nKS...FL\nKS...FL\nKFFFFFL\nLLLLLLL\n"},
        {lsRaised, Rect(2, 2, 5, 4), nullptr},
        {lsRaisedspb, Rect(1, 1, 5, 4), "LLLLLLK\nL....SK\nL....SK\nL....SK\nLSSSSSK\nKKKKKKK\n"},
        {lsLoweredspb, Rect(2, 2, 6, 5), nullptr},
        {lsRaisedExt, Rect(2, 2, 5, 4), nullptr},
        {lsLoweredExt, Rect(2, 2, 5, 4), "SSSSSSL\nSKKKKKL\nSK....L\nSK....L\nSK....L\nLLLLLLL\n"},
        {lsFrameInset, Rect(2, 2, 5, 4), "SSSSSSL\nSLLLLSL\nSL...SL\nSL...SL\nSSSSSSL\nLLLLLLL\n"},
        {lsFrameOffset, Rect(2, 2, 5, 4), nullptr},
        // The outer top and left are left alone.
        {lsWindowBorder, Rect(2, 2, 5, 4), "......K\n.LLLLSK\n.L...SK\n.L...SK\n.SSSSSK\nKKKKKKK\n"},
        {lsSingleRaised, Rect(1, 1, 6, 5), "LLLLLLS\nL.....S\nL.....S\nL.....S\nL.....S\nSSSSSSS\n"},
        {lsSingleLowered, Rect(1, 1, 6, 5), "SSSSSSL\nS.....L\nS.....L\nS.....L\nS.....L\nLLLLLLL\n"},
        {lsDoubleRaised, Rect(2, 2, 5, 4), nullptr},
        {lsDoubleLowered, Rect(2, 2, 5, 4), "SSSSSSL\nSSSSSLL\nSS...LL\nSS...LL\nSLLLLLL\nLLLLLLL\n"},
    };
    for (const auto& c : cases) {
        TBitmap b;
        Fixture(b, 7, 6);
        TRect r = Rect(0, 0, 7, 6);
        EXPECT_TRUE(LuxDrawStdFrame(b.Canvas(), r, c.style, 0));
        EXPECT_EQ(r, c.inside) << c.style;
        if (c.picture) {
            EXPECT_EQ(Picture(b), c.picture) << c.style;
        }
        const int ext = c.style == lsNone ? 0
                        : (c.style == lsSingle || c.style == lsSingleRaised || c.style == lsSingleLowered)
                            ? 1
                            : 2;
        EXPECT_EQ(LuxDrawStdFrameExt(c.style), ext) << c.style;
    }
}

TEST(Luxbevel, ShadowFrameAndBorderLines) {
    TBitmap b;
    Fixture(b, 8, 7);
    TRect r = Rect(0, 0, 8, 7);
    EXPECT_TRUE(LuxDrawFrameShadow(b.Canvas(), r, clWhite, clBlack, clRed, 2, 1, false, 0));
    EXPECT_EQ(r, Rect(1, 1, 5, 4));
    EXPECT_EQ(Picture(b),
              Rows({"LLLLLLRR", "L....LRR", "L....LKK", "L....LKK", "LLLLLLKK", "RRKKKKKK", "RRKKKKKK"}));

    Fixture(b, 8, 7);
    r = Rect(0, 0, 8, 7);
    LuxDrawFrameShadow(b.Canvas(), r, clWhite, clBlack, clRed, 2, 1, true, 0);
    EXPECT_EQ(Picture(b),
              Rows({"LLLLLL..", "L....L..", "L....LKK", "L....LKK", "LLLLLLKK", "..KKKKKK", "..KKKKKK"}))
        << "transparent corners";

    Fixture(b, 5, 4);
    LuxDrawBorder(b.Canvas(), Rect(0, 0, 5, 4), clRed, clBlue);
    EXPECT_EQ(Picture(b), Rows({"RRRRB", "R...B", "R...B", "RBBBB"}));

    const struct {
        bool ctl3d;
        TFormBorderStyle style;
        int width;
    } widths[] = {{true, bsSingle, 2},
                  {false, bsSingle, 1},
                  {true, bsNone, 0},
                  {true, bsSizeable, 0},
                  {false, bsDialog, 0}};
    for (const auto& c : widths) EXPECT_EQ(LuxGetCtrlBorderWidth(c.ctl3d, c.style), c.width) << c.style;
}

TEST(Luxbevel, PaintersLeaveEmptyRectanglesUnpainted) {
    TBitmap b;
    Fixture(b, 6, 6);
    TRect r = Rect(3, 3, 3, 5);
    EXPECT_TRUE(LuxDrawFrame3D(b.Canvas(), r, bvLowered, clWhite, clBlack, 2));
    EXPECT_EQ(r, Rect(5, 5, 1, 3));
    r = Rect(4, 4, 2, 2);
    LuxDrawStdFrame(b.Canvas(), r, lsLowered, 0);
    EXPECT_EQ(r, Rect(6, 6, 0, 0));
    r = Rect(2, 2, 2, 2);
    LuxDrawFrameShadow(b.Canvas(), r, clWhite, clBlack, clRed, 2, 1, false, 0);
    EXPECT_EQ(r, Rect(3, 3, -1, -1));
    EXPECT_EQ(Picture(b), Rows({"......", "......", "......", "......", "......", "......"}));
}

TEST(Luxbevel, ExtentsAndInnerRectangles) {
    const struct {
        const char* name;
        void (*setup)(TLuxBevel&);
        int extent, far;
        TRect inside; // of (0, 0, 20, 10)
    } cases[] = {
        {"rings only",
         [](TLuxBevel& v) {
             v.SetBorderWidth(3);
             v.SetBorderSpace(3);
         },
         6, 6, Rect(6, 6, 14, 4)},
        {"lowered inner 2, outer 0",
         [](TLuxBevel& v) {
             v.SetBevelStyleInner(bvLowered);
             v.SetWidthInner(2);
             v.SetWidthOuter(0);
         },
         2, 2, Rect(2, 2, 18, 8)},
        {"frames count one more",
         [](TLuxBevel& v) {
             v.SetBevelStyleOuter(bvFrameRaised);
             v.SetBevelStyleInner(bvRaised);
             v.SetBorderWidth(1);
         },
         4, 4, Rect(4, 4, 16, 6)},
        {"shadow",
         [](TLuxBevel& v) {
             v.SetBevelStyleOuter(bvShadow);
             v.SetWidthInner(1);
             v.SetWidthOuter(3);
         },
         1, 4, Rect(1, 1, 16, 6)},
        {"standard",
         [](TLuxBevel& v) {
             v.SetMode(bmStandard);
             v.SetStyle(lsLowered);
             v.SetBorderSpace(1);
         },
         3, 3, Rect(3, 3, 17, 7)},
        {"edge",
         [](TLuxBevel& v) {
             v.SetMode(bmEdge);
             v.SetBorderSides(TLuxFrameSides{fsLeft});
         },
         2, 2, Rect(2, 2, 18, 8)},
        {"edge without sides",
         [](TLuxBevel& v) {
             v.SetMode(bmEdge);
             v.SetBorderSides({});
             v.SetBorderSpace(1);
         },
         1, 1, Rect(1, 1, 19, 9)},
        {"windows",
         [](TLuxBevel& v) {
             v.SetMode(bmWindows);
             v.SetBorderSpace(1);
         },
         3, 3, Rect(3, 3, 17, 7)},
        {"windows shown by the window",
         [](TLuxBevel& v) {
             v.SetWindowsStyleSupport(true);
             v.SetMode(bmWindows);
             v.SetBorderSpace(1);
         },
         0, 0, Rect(0, 0, 20, 10)},
    };
    for (const auto& c : cases) {
        TLuxBevel v;
        c.setup(v);
        EXPECT_EQ(v.Extent(), c.extent) << c.name;
        EXPECT_EQ(v.GetBevelExtend(), c.extent) << c.name;
        EXPECT_EQ(v.FarExtent(), c.far) << c.name;
        EXPECT_EQ(v.ClientRect(Rect(0, 0, 20, 10)), c.inside) << c.name;
        TBitmap b;
        EXPECT_EQ(PaintOn(b, v, 20, 10), c.inside) << c.name;
    }
}

TEST(Luxbevel, PaintsCustomFrames) {
    // The address label's frame: a lowered inner bevel two pixels wide.
    TLuxBevel lowered;
    lowered.SetBevelStyleInner(bvLowered);
    lowered.SetWidthInner(2);
    lowered.SetWidthOuter(0);
    TBitmap b;
    EXPECT_EQ(PaintOn(b, lowered, 8, 7), Rect(2, 2, 6, 5));
    EXPECT_EQ(Picture(b),
              Rows({"SSSSSSSL", "SSSSSSLL", "SS....LL", "SS....LL", "SS....LL", "SSLLLLLL", "SLLLLLLL"}));

    // Outer bevel, border ring, inner bevel and inner ring from the outside in.
    TLuxBevel full;
    full.SetBevelStyleOuter(bvRaised);
    full.SetBevelStyleInner(bvLowered);
    full.SetBorderWidth(1);
    full.SetBorderSpace(1);
    full.SetColor(0, clRed);
    EXPECT_EQ(PaintOn(b, full, 9, 9), Rect(4, 4, 5, 5));
    EXPECT_EQ(Picture(b), Rows({"LLLLLLLLS", "LRRRRRRRS", "LRSSSSLRS", "LRSRRRLRS", "LRSR.RLRS", "LRSRRRLRS",
                                "LRSLLLLRS", "LRRRRRRRS", "LSSSSSSSS"}));

    // Transparent rings: nothing painted, the text inset by 6.
    TLuxBevel rings;
    rings.SetBorderWidth(3);
    rings.SetBorderSpace(3);
    EXPECT_EQ(PaintOn(b, rings, 14, 13, true), Rect(6, 6, 8, 7));
    EXPECT_EQ(Picture(b).find_first_not_of(".\n"), std::string::npos);

    TLuxBevel shadow;
    shadow.SetBevelStyleOuter(bvShadow);
    shadow.SetWidthInner(1);
    shadow.SetWidthOuter(3);
    shadow.SetColor(0, clRed);
    shadow.SetColor(1, clWhite);
    shadow.SetColor(2, clBlack);
    EXPECT_EQ(PaintOn(b, shadow, 9, 8), Rect(1, 1, 5, 4));
    EXPECT_EQ(Picture(b), Rows({"LLLLLLRRR", "L....LRRR", "L....LRRR", "L....LKKK", "LLLLLLKKK", "RRRKKKKKK",
                                "RRRKKKKKK", "RRRKKKKKK"}));

    // An edge on the left only still insets on every side.
    TLuxBevel edge;
    edge.SetMode(bmEdge);
    edge.SetEdgeStyle(etSunken);
    edge.SetBorderSides(TLuxFrameSides{fsLeft});
    EXPECT_EQ(PaintOn(b, edge, 5, 4), Rect(2, 2, 3, 2));
    EXPECT_EQ(Picture(b), Rows({"SK...", "SK...", "SK...", "SK..."}));

    // Never changed: extent 0, nothing painted.
    TLuxBevel fresh;
    EXPECT_EQ(PaintOn(b, fresh, 5, 4), Rect(0, 0, 5, 4));
    EXPECT_EQ(Picture(b), Rows({".....", ".....", ".....", "....."}));
}

TEST(Luxbevel, SettersNotifyAndKeepTheShadowPaired) {
    TLuxBevel v;
    TChangeCounter counter;
    v.OnChange = TNotifyEvent::Bind<&TChangeCounter::Changed>(&counter);

    v.SetBevelStyleOuter(bvShadow);
    EXPECT_EQ(v.StyleInner(), bvShadow);
    v.SetBevelStyleInner(bvRaised);
    EXPECT_EQ(v.StyleOuter(), bvNone);
    EXPECT_EQ(v.StyleInner(), bvRaised);
    v.SetBevelStyleInner(bvShadow);
    v.SetBevelStyleOuter(bvLowered);
    EXPECT_EQ(v.StyleInner(), bvNone);
    EXPECT_EQ(counter.Changes, 4);

    counter.Changes = 0;
    v.SetStyle(lsRaised);
    EXPECT_EQ(counter.Changes, 0) << "standard style outside standard mode";
    v.SetMode(bmStandard);
    v.SetStyle(lsSingle);
    EXPECT_EQ(counter.Changes, 2);
    v.SetMode(bmStandard);
    v.SetColor(1, v.LightColor());
    EXPECT_EQ(counter.Changes, 2) << "unchanged values are quiet";
    v.SetColor(7, clRed);
    EXPECT_EQ(counter.Changes, 3) << "an unknown colour index only notifies";

    // Widths outside their ranges are clamped.
    v.SetWidthInner(80);
    v.SetWidthOuter(-4);
    v.SetBorderWidth(300);
    v.SetBorderSpace(-1);
    EXPECT_EQ(v.WidthInner(), 50);
    EXPECT_EQ(v.WidthOuter(), 0);
    EXPECT_EQ(v.BorderWidth(), 255);
    EXPECT_EQ(v.BorderInnerWidth(), 0);

    TLuxBevel copy;
    TChangeCounter copied;
    copy.OnChange = TNotifyEvent::Bind<&TChangeCounter::Changed>(&copied);
    v.SetWindowsStyleSupport(true);
    copy.Assign(&v);
    EXPECT_EQ(copied.Changes, 1);
    EXPECT_EQ(copy.Mode(), bmStandard);
    EXPECT_EQ(copy.StandardStyle(), lsSingle);
    EXPECT_EQ(copy.StyleOuter(), bvLowered);
    EXPECT_EQ(copy.WidthInner(), 50);
    EXPECT_EQ(copy.BorderWidth(), 255);
    EXPECT_TRUE(copy.WindowsStyleSupport());
    EXPECT_EQ(copy.Extent(), 1);
    EXPECT_EQ(copy.GetSetStr(), "{Standard style}");

    // Switching to or from the client-edge look asks for a new window once.
    EXPECT_FALSE(copy.GetRecreateWnd());
    copy.SetMode(bmWindows);
    EXPECT_TRUE(copy.GetRecreateWnd());
    EXPECT_TRUE(copy.GetRecreateWnd()) << "still the client-edge look";
    copy.SetMode(bmEdge);
    EXPECT_TRUE(copy.GetRecreateWnd());
    EXPECT_FALSE(copy.GetRecreateWnd());
    EXPECT_EQ(copy.GetSetStr(), "{Etged style}");
}

TEST(Luxbevel, SimpleBevelSettings) {
    TLuxSimpleBevel s;
    EXPECT_EQ(s.Color(), clBlack);
    EXPECT_EQ(s.Width(), 2);
    EXPECT_EQ(s.Style(), sbNormal);
    EXPECT_EQ(s.GetSetStr(), "{Normal}");
    s.SetColor(0, clRed);
    s.SetColor(1, clBlue);
    s.SetColor(2, clLime);
    EXPECT_EQ(s.LightColor(), clRed);
    EXPECT_EQ(s.ShadowColor(), clBlue);
    EXPECT_EQ(s.Color(), clLime);
    s.SetWidth(99);
    EXPECT_EQ(s.Width(), 50);
    s.SetStyle(sbOffset);
    TLuxSimpleBevel copy;
    TChangeCounter counter;
    copy.OnChange = TNotifyEvent::Bind<&TChangeCounter::Changed>(&counter);
    copy.Assign(&s);
    EXPECT_EQ(counter.Changes, 1);
    EXPECT_EQ(copy.LightColor(), clRed);
    EXPECT_EQ(copy.Color(), clLime);
    EXPECT_EQ(copy.Width(), 50);
    EXPECT_EQ(copy.GetSetStr(), "{Offset}");
}

TEST(Luxbevel, PublishedSettings) {
    TLuxBevel v;
    std::string names;
    for (const TPropInfo* p : GetPropList(&v)) names += p->Name + (p->Default ? "" : "*") + " ";
    EXPECT_EQ(names, "StyleInner StyleOuter WidthInner WidthOuter BorderColor BorderSides BorderWidth "
                     "BorderInnerWidth EdgeStyle LightColor Mode* ShadowColor StandardStyle ");
    // Written through the table, the values go through the setters.
    GetPropInfo(&v, "StyleOuter")->SetOrd(&v, bvShadow);
    EXPECT_EQ(v.StyleInner(), bvShadow);
    GetPropInfo(&v, "WidthOuter")->SetOrd(&v, 99);
    EXPECT_EQ(v.WidthOuter(), 50);
    EXPECT_EQ(GetPropInfo(&v, "BorderSides")->GetOrd(&v), *GetPropInfo(&v, "BorderSides")->Default);

    TLuxSimpleBevel s;
    GetPropInfo(&s, "Color")->SetOrd(&s, clRed);
    EXPECT_EQ(s.Color(), clRed);
    EXPECT_EQ(GetPropList(&s).size(), 5u);
}
