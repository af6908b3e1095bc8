#include "visual_controls/LuxGradient.h"

#include "platform/gdi/Region.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Outside the anonymous namespace, so that its class name is plain.
class TGradientHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxGradient Gradient;
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TGradientHolder, TComponent>({Property<TGradientHolder>(
        "Gradient", [](const TGradientHolder& h) { return const_cast<TLuxGradient*>(&h.Gradient); }, nullptr)});
    RegisterClass<TGradientHolder>();
    return true;
}();

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x00FF00;
constexpr TColor kBlue = 0xFF0000;

std::vector<TColor> Colors(const TList& list) {
    std::vector<TColor> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(static_cast<TColor>(LuxListColor(list, i)));
    return v;
}

TList ListOf(std::initializer_list<TColor> colors) {
    TList list;
    for (TColor c : colors) LuxListAddColor(list, static_cast<COLORREF>(c));
    return list;
}

// A white bitmap to paint on.
std::unique_ptr<TBitmap> Canvas(int w, int h) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(kWhite);
    b->Canvas()->FillRect(TRect(0, 0, w, h));
    return b;
}

struct Probe {
    int x, y;
    TColor color;
};

void ExpectPixels(TBitmap& b, const std::vector<Probe>& probes) {
    for (const Probe& p : probes)
        EXPECT_EQ(b.Canvas()->Pixels(p.x, p.y), p.color) << "at (" << p.x << ", " << p.y << ")";
}

TEST(LuxGradient, ColourSteps) {
    struct Case {
        const char* what;
        TColor from, to;
        int index, count;
        TColor expected;
    } cases[] = {
        {"half way truncates", 0x000000, 0xFFFFFF, 1, 2, 0x7F7F7F},
        {"downwards", 0x0000FF, 0x000000, 1, 3, 0x0000AA},
        {"per channel", 0x102030, 0x302010, 1, 2, 0x202020},
        {"the end", 0x123456, 0x654321, 7, 7, 0x654321},
        {"no steps gives the start", 0x123456, 0x654321, 3, 0, 0x123456},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LuxGradientGetColor(c.from, c.to, c.index, c.count), c.expected);
    }
}

TEST(LuxGradient, ColourLists) {
    struct Case {
        const char* what;
        TColor from, to;
        int count;
        bool clear;
        std::vector<TColor> before, expected;
    } cases[] = {
        {"two colours are the ends", kBlue, 0, 2, true, {kRed}, {kBlue, 0}},
        {"one colour is the start", 0x123456, kWhite, 1, true, {}, {0x123456}},
        {"no colours leave the list", kBlue, 0, 0, true, {kRed}, {kRed}},
        {"rounded steps", 0x000000, 0x0000FF, 4, true, {}, {0x000000, 0x000055, 0x0000AA, 0x0000FF}},
        {"an appended segment skips its first colour", kRed, kGreen, 3, false, {kRed}, {kRed, 0x00807F, kGreen}},
        {"system colours are resolved", clWindow, clWindow, 2, true, {},
         {static_cast<TColor>(ColorToRGB(clWindow)), static_cast<TColor>(ColorToRGB(clWindow))}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TList list;
        for (TColor b : c.before) LuxListAddColor(list, static_cast<COLORREF>(b));
        LuxGradientCreateColorList(c.from, c.to, static_cast<BYTE>(c.count), &list, c.clear);
        EXPECT_EQ(Colors(list), c.expected);
    }
    LuxGradientCreateColorList(kRed, kBlue, 4, nullptr, true); // a missing list is no error

    // The default gradient: 16 colours from blue to black in MulDiv steps.
    TLuxGradient g;
    const std::vector<TColor> def = Colors(g.GradientColors());
    ASSERT_EQ(def.size(), 16u);
    EXPECT_EQ(def[0], kBlue);
    EXPECT_EQ(def[1], 0xEE0000);
    EXPECT_EQ(def[8], 0x770000); // 255 - round(8 * 255 / 15) = 119
    EXPECT_EQ(def[15], 0);
    EXPECT_EQ(g.Palette(), nullptr);
}

TEST(LuxGradient, MultiColourMode) {
    TLuxGradient g;
    TList stops = ListOf({kRed, kGreen, kBlue});
    g.SetColors(&stops);
    EXPECT_EQ(Colors(g.GradientColors()).size(), 16u); // the stops wait for the next change
    g.BeginUpdate();
    g.SetColorCount(9);
    g.SetTwoColors(false);
    g.EndUpdate(true);
    // 9 div 3 = 3 colours up to the second stop, then 2 more up to the third.
    EXPECT_EQ(Colors(g.GradientColors()), (std::vector<TColor>{kRed, 0x00807F, kGreen, 0x807F00, kBlue}));

    TList one = ListOf({kRed});
    g.SetColors(&one);
    g.SetColorCount(10);
    EXPECT_TRUE(Colors(g.GradientColors()).empty());
    auto b = Canvas(4, 4);
    g.PaintGradient(b->Canvas(), TRect(0, 0, 4, 4));
    ExpectPixels(*b, {{0, 0, kWhite}, {3, 3, kWhite}});

    // More stops than colours: no segment has a colour.
    TList many;
    for (int i = 0; i < 3; ++i) LuxListAddColor(many, 0x10 * static_cast<COLORREF>(i));
    g.SetColors(&many);
    g.SetColorCount(2);
    EXPECT_TRUE(Colors(g.GradientColors()).empty());
}

TEST(LuxGradient, SettersNotifyOnceAndKeepTheColourCountInRange) {
    struct Counter {
        int n = 0;
        void Changed(TObject*) { ++n; }
    } counter;
    TLuxGradient g;
    g.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    g.SetColor(kBlue); // unchanged
    g.SetStyle(gstVertical);
    g.SetColorCount(16);
    EXPECT_EQ(counter.n, 0);
    g.SetColor(kRed);
    g.SetEndColor(kGreen);
    g.SetStyle(gstSquare);
    g.SetColorCount(3);
    g.SetTwoColors(false);
    g.SetTwoColors(true);
    EXPECT_EQ(counter.n, 6);
    EXPECT_EQ(Colors(g.GradientColors()), (std::vector<TColor>{kRed, 0x00807F, kGreen}));

    for (auto [asked, kept] : std::vector<std::pair<int, int>>{{0, 2}, {1, 2}, {-5, 2}, {236, 236}, {237, 236}, {1000, 236}}) {
        g.SetColorCount(asked);
        EXPECT_EQ(g.ColorCount(), kept) << asked;
        EXPECT_EQ(static_cast<int>(g.GradientColors().Count()), kept) << asked;
    }

    // Within an update the list follows at once, the notification at the end.
    counter.n = 0;
    g.BeginUpdate();
    g.SetColorCount(2);
    g.SetColor(kWhite);
    EXPECT_EQ(Colors(g.GradientColors()), (std::vector<TColor>{kWhite, kGreen}));
    EXPECT_EQ(counter.n, 0);
    g.EndUpdate(true);
    EXPECT_EQ(counter.n, 1);

    g.SetPaletteRealize(true);
    ASSERT_NE(g.Palette(), nullptr);
    PALETTEENTRY entries[2];
    ASSERT_EQ(GetPaletteEntries(g.Palette(), 0, 2, entries), 2u);
    EXPECT_EQ(entries[0].peRed, 0xFF);
    EXPECT_EQ(entries[1].peGreen, 0xFF);
    EXPECT_EQ(entries[1].peRed, 0);
    EXPECT_EQ(entries[0].peFlags, 4);
    g.SetPaletteRealize(false);
    EXPECT_EQ(g.Palette(), nullptr);

    struct {
        TLuxGradientStyle style;
        bool two;
        const char* text;
    } const summaries[] = {{gstHorizontal, true, "horizontal, Col: 2, 2 col mode"},
                           {gstTopRightDiagonal, false, "top right diag, Col: 2, mult. col mode"},
                           {gstBottomLeft, true, "bottom left, Col: 2, 2 col mode"}};
    for (const auto& s : summaries) {
        g.SetStyle(s.style);
        g.SetTwoColors(s.two);
        EXPECT_EQ(g.GetSetStr(), s.text);
    }
}

TEST(LuxGradient, AssignAndFormData) {
    TLuxGradient source;
    TList stops = ListOf({kRed, kGreen});
    source.SetColors(&stops);
    source.SetColorCount(4);
    source.SetStyle(gstElliptic);
    source.SetEndColor(kWhite);
    source.SetTwoColors(false);

    struct Counter {
        int n = 0;
        void Changed(TObject*) { ++n; }
    } counter;
    TLuxGradient g;
    g.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    g.Assign(&source);
    EXPECT_EQ(counter.n, 1);
    EXPECT_EQ(g.Style(), gstElliptic);
    EXPECT_EQ(g.EndColor(), kWhite);
    EXPECT_EQ(g.ColorCount(), 4);
    EXPECT_FALSE(g.TwoColors());
    EXPECT_EQ(Colors(g.Colors()), (std::vector<TColor>{kRed, kGreen}));
    EXPECT_EQ(Colors(g.GradientColors()), Colors(source.GradientColors()));
    TLuxObject other;
    EXPECT_THROW(g.Assign(&other), EConvertError);

    // Through the filer: the published values and the stops as "ColorList".
    TGradientHolder holder(nullptr);
    holder.Gradient.Assign(&source);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&holder);
    TGradientHolder back(nullptr);
    TList earlier = ListOf({kBlue});
    back.Gradient.SetColors(&earlier);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&back);
    EXPECT_EQ(back.Gradient.Style(), gstElliptic);
    EXPECT_EQ(back.Gradient.ColorCount(), 4);
    EXPECT_FALSE(back.Gradient.TwoColors());
    // Reading appends to the stops already there.
    EXPECT_EQ(Colors(back.Gradient.Colors()), (std::vector<TColor>{kBlue, kRed, kGreen}));
    // 4 div 3 = 1 colour per segment: the first stop only.
    EXPECT_EQ(Colors(back.Gradient.GradientColors()), (std::vector<TColor>{kBlue}));

    // Defaults and an empty stop list write nothing of the gradient.
    TGradientHolder plain(nullptr);
    TMemoryStream plainStream;
    TWriter(&plainStream).WriteRootComponent(&plain);
    EXPECT_EQ(plainStream.DataString().find("Gradient."), std::string::npos);
}

// Three colours on 12 x 6 pixels; the shapes without a pen lose their right column and bottom row.
TEST(LuxGradient, PaintsEachStyle) {
    const TColor c0 = kRed, c1 = kGreen, c2 = kBlue;
    struct Case {
        TLuxGradientStyle style;
        std::vector<Probe> probes;
    } cases[] = {
        {gstHorizontal, {{0, 0, c0}, {3, 5, c0}, {4, 0, c1}, {7, 3, c1}, {8, 0, c2}, {11, 5, c2}}},
        {gstVertical, {{0, 0, c0}, {11, 1, c0}, {5, 2, c1}, {5, 3, c1}, {0, 4, c2}, {11, 5, c2}}},
        {gstSquare,
         {{1, 1, c2}, {11, 3, c2}, {0, 5, c2}, {2, 1, c1}, {10, 5, c1}, {9, 4, c1}, {4, 5, c1}, {4, 2, c0},
          {8, 4, c0}}},
        {gstElliptic, {{0, 0, c2}, {1, 2, c1}, {5, 2, c0}}},
        {gstTopLeft, {{0, 0, c0}, {3, 1, c0}, {4, 0, c1}, {3, 2, c1}, {7, 3, c1}, {8, 0, c2}, {0, 4, c2}, {11, 5, c2}}},
        {gstTopRight, {{11, 0, c0}, {8, 1, c0}, {7, 0, c1}, {11, 2, c1}, {4, 3, c1}, {3, 0, c2}, {11, 4, c2}}},
        {gstBottomLeft, {{0, 5, c0}, {3, 4, c0}, {4, 5, c1}, {3, 3, c1}, {7, 2, c1}, {8, 5, c2}, {0, 1, c2}}},
        {gstBottomRight,
         {{11, 5, c0}, {8, 4, c0}, {7, 5, c1}, {11, 3, c1}, {4, 2, c1}, {3, 5, c2}, {11, 1, c2}, {0, 0, c2}}},
        {gstTopLeftDiagonal, {{0, 0, c0}, {6, 0, c0}, {1, 3, c0}, {8, 0, c1}, {4, 3, c1}, {11, 0, c1}, {11, 5, c2}}},
        {gstTopRightDiagonal, {{11, 0, c0}, {11, 2, c0}, {5, 0, c1}, {8, 2, c1}, {11, 5, c1}, {0, 5, c2}}},
    };
    const TList colors = ListOf({c0, c1, c2});
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        // Directly, and through an off-screen bitmap: the same pixels.
        for (WORD flags : {WORD(0), LuxGradientBitmap}) {
            SCOPED_TRACE(flags);
            auto b = Canvas(12, 6);
            LuxGradientPaintExt(b->Canvas(), TRect(0, 0, 12, 6), c.style, &colors, nullptr, flags, 0);
            ExpectPixels(*b, c.probes);
        }
        // Moved inside a larger bitmap: the same pattern. Off screen nothing lands outside the
        // rectangle; painted directly, the larger shapes may reach beyond it.
        for (WORD flags : {WORD(0), LuxGradientBitmap}) {
            SCOPED_TRACE(flags);
            auto b = Canvas(16, 10);
            LuxGradientPaintExt(b->Canvas(), TRect(2, 3, 14, 9), c.style, &colors, nullptr, flags, 0);
            std::vector<Probe> moved;
            for (Probe p : c.probes) moved.push_back({p.x + 2, p.y + 3, p.color});
            ExpectPixels(*b, moved);
            if (flags == LuxGradientBitmap)
                ExpectPixels(*b, {{1, 3, kWhite}, {2, 2, kWhite}, {14, 8, kWhite}, {13, 9, kWhite}});
        }
    }
}

TEST(LuxGradient, ClipsToTheMovedRectangleWithinAnEarlierClip) {
    const TList colors = ListOf({kRed, kGreen, kBlue});
    {
        // Clip to the rectangle moved 3 right and 5 down: only row 5 of the gradient, from x 3.
        auto b = Canvas(16, 12);
        LuxGradientPaintExt(b->Canvas(), TRect(0, 0, 12, 6), gstVertical, &colors, nullptr, LuxGradientClip,
                            0x00050003);
        ExpectPixels(*b, {{3, 5, kBlue}, {11, 5, kBlue}, {2, 5, kWhite}, {3, 4, kWhite}, {0, 0, kWhite}, {12, 5, kWhite}});
    }
    {
        // Offset 0: the rectangle itself; a clip set before stays in force during and after.
        auto b = Canvas(16, 12);
        HDC dc = b->Canvas()->Handle();
        IntersectClipRect(dc, 0, 0, 8, 12);
        LuxGradientPaintExt(b->Canvas(), TRect(0, 0, 12, 6), gstHorizontal, &colors, nullptr, LuxGradientClip, 0);
        RECT box;
        GetClipBox(dc, &box);
        EXPECT_EQ(TRect(box), TRect(0, 0, 8, 12));
        SelectClipRgn(dc, nullptr);
        ExpectPixels(*b, {{0, 0, kRed}, {7, 5, kGreen}, {8, 0, kWhite}, {0, 6, kWhite}});
    }
}

TEST(LuxGradient, TwoColourAndMultiColourPainting) {
    {
        // Palette colours paint the same pixels on a true-colour device.
        auto plain = Canvas(12, 6), palette = Canvas(12, 6);
        LuxGradientPaint(plain->Canvas(), TRect(0, 0, 12, 6), kRed, kBlue, 3, gstHorizontal, 0, 0);
        LuxGradientPaint(palette->Canvas(), TRect(0, 0, 12, 6), kRed, kBlue, 3, gstHorizontal, LuxGradientPalette, 0);
        for (auto* b : {plain.get(), palette.get()})
            ExpectPixels(*b, {{0, 0, kRed}, {4, 0, 0x80007F}, {11, 5, kBlue}});
    }
    {
        // Three stops, 8 colours: 4 per segment, each skipping its first colour, so 6 bands of 2.
        const TColor stops[] = {kRed, kGreen, kBlue};
        auto b = Canvas(12, 6);
        LuxSuperGradientPaint(b->Canvas(), TRect(0, 0, 12, 6), stops, 3, 8, gstHorizontal, 0, 0);
        // The first band is a third of the way from red to green.
        ExpectPixels(*b, {{0, 0, 0x0055AA}, {1, 5, 0x0055AA}, {2, 0, 0x00AA55}, {4, 0, kGreen}, {6, 0, 0x55AA00},
                          {10, 0, kBlue}, {11, 5, kBlue}});
        auto single = Canvas(4, 4);
        LuxSuperGradientPaint(single->Canvas(), TRect(0, 0, 4, 4), stops, 1, 8, gstHorizontal, 0, 0);
        ExpectPixels(*single, {{0, 0, kWhite}});
    }
    {
        // Nothing to paint: an empty rectangle, an empty or missing list.
        auto b = Canvas(4, 4);
        const TList colors = ListOf({kRed});
        const TList none;
        LuxGradientPaintExt(b->Canvas(), TRect(2, 2, 2, 4), gstVertical, &colors, nullptr, LuxGradientBitmap, 0);
        LuxGradientPaintExt(b->Canvas(), TRect(3, 3, 1, 1), gstSquare, &colors, nullptr, 0, 0);
        LuxGradientPaintExt(b->Canvas(), TRect(0, 0, 4, 4), gstVertical, &none, nullptr, 0, 0);
        LuxGradientPaintExt(b->Canvas(), TRect(0, 0, 4, 4), gstVertical, nullptr, nullptr, 0, 0);
        LuxGradientPaint(b->Canvas(), TRect(0, 0, 4, 4), kRed, kBlue, 0, gstVertical, 0, 0);
        ExpectPixels(*b, {{0, 0, kWhite}, {2, 2, kWhite}, {3, 3, kWhite}});
    }
}

} // namespace
