// The light coloured buttons: their look in each state (up, down, hot, flat, disabled, without
// frame, without movement, transparent with and without glass) pixel by pixel, the glyph and icon
// beside the caption, the push-button scripts, the accelerator, and their hot flag, which outside
// flat mode fires the enter event at every move and, after a press released elsewhere, stays set.
#include "indicator_controls/VanimateNWBtn.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/WindowQueries.h"
#include "support/ColorBtnTest.h"
#include "support/PushButtonScript.h"
#include "support/StreamTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF Face = 0x00FF00;
constexpr COLORREF Back = 0x204060;
constexpr COLORREF Shadow = 0x808080;
constexpr COLORREF White = 0xFFFFFF;
constexpr COLORREF Black = 0x000000;
constexpr int At = 10; // where the buttons stand on the form

struct TNWBtnForm : ::testing::Test {
    TEventLog Log;
    std::unique_ptr<TForm> Form{new TForm(nullptr)};

    template <class T> T* Add(const std::string& name) {
        auto* b = new T(Form.get());
        b->SetName(name);
        b->SetLeft(At);
        b->SetTop(At);
        b->SetParent(Form.get());
        b->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&Log);
        b->OnMouseEnter = TNotifyEvent::Bind<&TEventLog::Enter>(&Log);
        return b;
    }
    void SetUp() override {
        Form->SetBounds(0, 0, 400, 300);
        Form->SetColor(Back);
        Form->Show();
        Pump();
        PointAt(Form.get(), 300, 250);
    }
    void Send(TControl* c, UINT msg, WPARAM w, int x, int y) { c->Perform(msg, w, MakeMouseLParam(x, y)); }
    void PointAt(TControl* c, int x, int y) {
        const TPoint p = c->ClientToScreen(TPoint(x, y));
        SetCursorPos(p.X, p.Y);
        Pump();
    }
    void Hover(TControl* c) {
        PointAt(c, 40, 15);
        Send(c, WM_MOUSEMOVE, 0, 40, 15);
    }
    // The button's part of the form's picture.
    std::unique_ptr<TBitmap> Picture(TControl* c) {
        const auto form = Snapshot(Form.get());
        auto part = std::make_unique<TBitmap>();
        part->SetPixelFormat(pf24bit);
        part->SetSize(c->Width(), c->Height());
        part->Canvas()->CopyRect(Rect(0, 0, c->Width(), c->Height()), form->Canvas(),
                                 Rect(At, At, At + c->Width(), At + c->Height()));
        return part;
    }
};

TRect ColourBox(TBitmap* p, COLORREF colour) {
    return ColourBox(p, colour, 2);
}

// 89 x 33: the edge of the windowed coloured button without the default look's inset.
const std::vector<TProbe> UpEdge = {{0, 0, Shadow}, {0, 32, Shadow}, {1, 1, White},   {87, 1, White},
                                    {1, 32, Black}, {88, 0, Black},  {88, 32, Black}, {87, 31, Shadow},
                                    {2, 2, Face},   {44, 16, Face}};
const std::vector<TProbe> DownEdge = {{0, 0, Shadow}, {0, 32, Shadow}, {1, 1, Black},   {87, 1, Black},
                                      {1, 32, White}, {88, 0, White},  {88, 32, White}, {87, 31, Shadow},
                                      {2, 2, Face},   {44, 16, Face}};
const std::vector<TProbe> NoEdge = {{0, 0, Face}, {1, 1, Face}, {88, 32, Face}, {87, 31, Face}};

TEST_F(TNWBtnForm, LookInEachState) {
    const struct {
        const char* state;
        std::function<void(TvNWColorBtn*)> setUp;
        std::vector<TProbe> probes;
    } cases[] = {
        {"up", [](TvNWColorBtn*) {}, UpEdge},
        {"down", [this](TvNWColorBtn* b) { Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15); }, DownEdge},
        {"disabled", [](TvNWColorBtn* b) { b->SetEnabled(false); }, UpEdge},
        {"no frame", [](TvNWColorBtn* b) { b->SetFrame(false); }, NoEdge},
        {"no frame down",
         [this](TvNWColorBtn* b) {
             b->SetFrame(false);
             Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
         },
         NoEdge},
        {"flat", [](TvNWColorBtn* b) { b->SetFlat(true); }, NoEdge},
        {"flat hot",
         [this](TvNWColorBtn* b) {
             b->SetFlat(true);
             Hover(b);
         },
         UpEdge},
        {"flat down",
         [this](TvNWColorBtn* b) {
             b->SetFlat(true);
             Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
         },
         DownEdge},
        // Transparent: the parent shows under edge and caption; glass ORs the grey level in.
        {"transparent",
         [](TvNWColorBtn* b) { b->SetTransparent(true); },
         {{0, 0, Shadow}, {1, 1, White}, {88, 32, Black}, {2, 2, Back}, {44, 16, Back}}},
        {"transparent glass 64",
         [](TvNWColorBtn* b) {
             b->SetTransparent(true);
             b->SetGlassValue(64);
         },
         {{0, 0, Shadow}, {2, 2, 0x604060}, {44, 16, 0x604060}}},
        {"transparent flat",
         [](TvNWColorBtn* b) {
             b->SetTransparent(true);
             b->SetFlat(true);
         },
         {{0, 0, Back}, {1, 1, Back}, {88, 32, Back}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        auto* b = Add<TvNWColorBtn>("b");
        b->SetColor(Face);
        c.setUp(b);
        const auto picture = Picture(b);
        for (const TProbe& p : c.probes)
            EXPECT_EQ(PixelAt(picture.get(), p.x, p.y), p.expected) << "at " << p.x << "," << p.y;
        Send(b, WM_LBUTTONUP, 0, 200, 15);
        delete b;
        PointAt(Form.get(), 300, 250);
    }
}

TEST_F(TNWBtnForm, CaptionMovesOnlyWithMovement) {
    auto* b = Add<TvNWColorBtn>("b");
    EXPECT_EQ(b->Width(), 89);
    EXPECT_EQ(b->Height(), 33);
    b->SetColor(Face);
    b->SetCaption("Go on");
    b->Font()->SetColor(0x0000FF);
    const TRect up = ColourBox(Picture(b).get(), 0x0000FF);
    // Centred in (5, 5)-(84, 28).
    EXPECT_LE(std::abs(up.Left + up.Right - 89), 1);
    EXPECT_LE(std::abs(up.Top + up.Bottom - 33), 1);
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    TRect down = ColourBox(Picture(b).get(), 0x0000FF);
    EXPECT_EQ(down.Left, up.Left + 1);
    EXPECT_EQ(down.Top, up.Top + 1);
    b->SetMovement(false);
    down = ColourBox(Picture(b).get(), 0x0000FF);
    EXPECT_EQ(down.Left, up.Left);
    EXPECT_EQ(down.Top, up.Top);
    Send(b, WM_LBUTTONUP, 0, 40, 15);

    // Wider offsets narrow the caption's rectangle: (30, 5)-(59, 28) takes the left edge along.
    b->SetAlignment(taLeftJustify);
    const int left = ColourBox(Picture(b).get(), 0x0000FF).Left;
    b->SetLeftOffSet(30);
    EXPECT_EQ(ColourBox(Picture(b).get(), 0x0000FF).Left, left + 25);

    b->SetEnabled(false);
    const auto disabled = Picture(b);
    EXPECT_EQ(ColourBox(disabled.get(), 0x808080).Left, left + 25);
    EXPECT_EQ(ColourBox(disabled.get(), White).Left, left + 26);
}

constexpr COLORREF GlyphFace = 0x404040, Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, Yellow = 0x00FFFF;

TEST_F(TNWBtnForm, GlyphBesideTheCaption) {
    const auto strip = FourSlots();
    const struct {
        const char* state;
        std::function<void(TvNWBitColBtn*)> setUp;
        std::vector<TProbe> probes;
    } cases[] = {
        // 89 x 33, a 16 x 16 glyph, margin 5: (5, 9) up, (6, 10) pressed; on the right 88 - 16 - 5.
        {"up", [](TvNWBitColBtn*) {}, {{5, 9, Red}, {20, 24, Red}, {4, 9, GlyphFace}, {21, 24, GlyphFace}}},
        {"down",
         [this](TvNWBitColBtn* b) { Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15); },
         {{6, 10, Blue}, {21, 25, Blue}, {5, 9, GlyphFace}}},
        {"down without movement",
         [this](TvNWBitColBtn* b) {
             b->SetMovement(false);
             Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
         },
         {{5, 9, Blue}, {20, 24, Blue}, {21, 25, GlyphFace}}},
        {"disabled", [](TvNWBitColBtn* b) { b->SetEnabled(false); }, {{5, 9, Green}}},
        {"flat hot",
         [this](TvNWBitColBtn* b) {
             b->SetFlat(true);
             Hover(b);
         },
         {{5, 9, Yellow}}},
        {"margin 9 on the right",
         [](TvNWBitColBtn* b) {
             b->SetBitmapWhere(v_BWRight);
             b->SetGlyphMargin(9);
         },
         {{63, 9, Red}, {78, 24, Red}, {62, 9, GlyphFace}, {79, 9, GlyphFace}}},
        {"transparent colour", [](TvNWBitColBtn* b) { b->SetTransparentColor(Red); }, {{5, 9, GlyphFace}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        auto* b = Add<TvNWBitColBtn>("b");
        b->SetColor(GlyphFace);
        b->SetNumGlyphs(4);
        b->SetGlyph(strip.get());
        c.setUp(b);
        const auto picture = Picture(b);
        for (const TProbe& p : c.probes)
            EXPECT_EQ(PixelAt(picture.get(), p.x, p.y), p.expected) << "at " << p.x << "," << p.y;
        Send(b, WM_LBUTTONUP, 0, 200, 15);
        delete b;
        PointAt(Form.get(), 300, 250);
    }

    // The caption gives up the glyph and its margin: centred in (26, 5)-(84, 28).
    auto* b = Add<TvNWBitColBtn>("b");
    b->SetColor(GlyphFace);
    b->SetNumGlyphs(4);
    b->SetGlyph(strip.get());
    b->SetCaption("Go");
    b->Font()->SetColor(White);
    EXPECT_LE(
        std::abs(ColourBox(Picture(b).get(), White).Left + ColourBox(Picture(b).get(), White).Right - 110),
        1);
    b->SetTextOnTop(true);
    EXPECT_LE(
        std::abs(ColourBox(Picture(b).get(), White).Left + ColourBox(Picture(b).get(), White).Right - 89), 1);
}

TEST_F(TNWBtnForm, IconBesideTheCaption) {
    auto* b = Add<TvNWIconColBtn>("b");
    EXPECT_EQ(b->Width(), 140);
    EXPECT_EQ(b->Height(), 44);
    b->SetColor(GlyphFace);
    TIcon icon;
    icon.SetHandle(SolidIcon(16, 16, 0x00FF00));
    b->SetGlyphEnabled(&icon);
    b->SetCaption("Go");
    b->Font()->SetColor(White);
    // 140 x 44: (5, 14) up, (6, 15) pressed; the caption gives up only the icon's width.
    auto up = Picture(b);
    EXPECT_EQ(PixelAt(up.get(), 5, 14), 0x00FF00u);
    EXPECT_EQ(PixelAt(up.get(), 4, 14), GlyphFace);
    const TRect text = ColourBox(up.get(), White);
    EXPECT_LE(std::abs(text.Left + text.Right - (21 + 135)), 1);
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 70, 20);
    const auto down = Picture(b);
    EXPECT_EQ(PixelAt(down.get(), 6, 15), 0x00FF00u);
    EXPECT_EQ(PixelAt(down.get(), 5, 14), GlyphFace);
    Send(b, WM_LBUTTONUP, 0, 70, 20);
    b->SetIconWhere(v_BWRight);
    b->SetGlyphMargin(10);
    EXPECT_EQ(PixelAt(Picture(b).get(), 139 - 16 - 10, 14), 0x00FF00u);
}

TEST_F(TNWBtnForm, MouseScriptsAndAccelerator) {
    const struct {
        const char* kind;
        std::function<TvNWColorBtn*(TNWBtnForm&)> add;
    } kinds[] = {
        {"TvNWColorBtn", [](TNWBtnForm& f) { return f.Add<TvNWColorBtn>("b"); }},
        {"TvNWBitColBtn", [](TNWBtnForm& f) { return f.Add<TvNWBitColBtn>("b"); }},
        {"TvNWIconColBtn", [](TNWBtnForm& f) { return f.Add<TvNWIconColBtn>("b"); }},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.kind);
        TvNWColorBtn* b = kind.add(*this);
        // Every move over it asks where the pointer is, and so reports an entry.
        b->OnMouseEnter = {};
        TMouseScript script({20, 10});
        script.RowBelowCounts = true;
        RunMouseScript(b, Log, script);

        // The caption's accelerator clicks; a disabled button ignores it.
        b->SetCaption("&Go");
        EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'g', 0), 1);
        EXPECT_EQ(Log.Events, "click b");
        b->SetEnabled(false);
        EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'g', 0), 0);
        EXPECT_EQ(Log.Events, "click b");
        b->SetEnabled(true);

        // Enter and the button control's notification of a click click it too.
        Log.Events.clear();
        EXPECT_EQ(b->Perform(CN_KEYDOWN, VK_RETURN, 0), 1);
        EXPECT_EQ(Log.Events, "click b");
        EXPECT_EQ(b->Perform(CN_KEYDOWN, VK_SPACE, 0), 0);
        b->Perform(CN_COMMAND, static_cast<WPARAM>(BN_CLICKED) << 16, 0);
        EXPECT_EQ(Log.Events, "click b, click b");
        b->Perform(CN_COMMAND, static_cast<WPARAM>(BN_DOUBLECLICKED) << 16, 0);
        EXPECT_EQ(Log.Events, "click b, click b");
        delete b;
    }
}

TEST_F(TNWBtnForm, HotQuirksOutsideFlatMode) {
    const auto strip = FourSlots();
    auto* b = Add<TvNWBitColBtn>("b");
    b->SetColor(GlyphFace);
    b->SetNumGlyphs(4);
    b->SetGlyph(strip.get());

    // Not hot, over it: every move asks where the pointer is, and so fires the enter event.
    PointAt(b, 40, 15);
    Log.Events.clear();
    for (int i = 0; i < 3; ++i) Send(b, WM_MOUSEMOVE, 0, 40 + i, 15);
    EXPECT_EQ(Log.Events, "enter b, enter b, enter b");
    EXPECT_FALSE(b->IsHot());

    // A press released over it leaves the flag clear.
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    EXPECT_TRUE(b->IsHot());
    Send(b, WM_LBUTTONUP, 0, 40, 15);
    EXPECT_FALSE(b->IsHot());

    // A press released elsewhere leaves it set: the hot image shows, moves over the button no longer
    // look, until a later press is released over it.
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    PointAt(Form.get(), 300, 250);
    Send(b, WM_MOUSEMOVE, MK_LBUTTON, 290, 240);
    Send(b, WM_LBUTTONUP, 0, 290, 240);
    EXPECT_TRUE(b->IsHot());
    PointAt(b, 40, 15);
    Log.Events.clear();
    Send(b, WM_MOUSEMOVE, 0, 40, 15);
    EXPECT_EQ(Log.Events, "");
    EXPECT_TRUE(b->IsHot());
    EXPECT_EQ(PixelAt(Picture(b).get(), 5, 9), Yellow);
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    Send(b, WM_LBUTTONUP, 0, 40, 15);
    EXPECT_FALSE(b->IsHot());
    EXPECT_EQ(PixelAt(Picture(b).get(), 5, 9), Red);
}

TEST_F(TNWBtnForm, FlatHotFollowsThePointer) {
    auto* b = Add<TvNWColorBtn>("b");
    b->SetFlat(true);
    Hover(b);
    EXPECT_TRUE(b->IsHot());
    Log.Events.clear();
    Send(b, WM_MOUSEMOVE, 0, 41, 15);
    EXPECT_EQ(Log.Events, "");
    // Held and leaving it stays hot; released outside it lets go.
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    PointAt(Form.get(), 300, 250);
    b->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(b->IsHot());
    Send(b, WM_LBUTTONUP, 0, 290, 240);
    EXPECT_FALSE(b->IsHot());
    // Going transparent clears it.
    Hover(b);
    EXPECT_TRUE(b->IsHot());
    PointAt(Form.get(), 300, 250);
    b->SetTransparent(true);
    EXPECT_FALSE(b->IsHot());
}

TEST(VanimateNWBtn, GreyIsTheMeanLevelAskedForFromThePalette) {
    const std::pair<COLORREF, BYTE> cases[] = {
        {RGB(10, 20, 30), 20},   {RGB(1, 1, 2), 1},     {RGB(1, 2, 2), 2},         {RGB(255, 0, 0), 85},
        {RGB(255, 255, 0), 170}, {RGB(64, 64, 64), 64}, {RGB(255, 255, 255), 255}, {RGB(0, 0, 0), 0},
    };
    for (auto [colour, level] : cases)
        EXPECT_EQ(Grey(static_cast<TColor>(colour)),
                  static_cast<TColor>(0x02000000 | RGB(level, level, level)))
            << std::hex << colour;
}

TEST(VanimateNWBtnStreaming, ReadBackWithTheirProperties) {
    TvNWBitColBtn b(nullptr);
    b.SetName("glyph");
    b.SetCaption("Go");
    b.SetFrame(false);
    b.SetMovement(false);
    b.SetTransparent(true);
    b.SetGlassValue(64);
    b.SetLeftOffSet(7);
    b.SetGlyphMargin(3);
    b.SetNumGlyphs(2);
    const auto strip = FourSlots();
    b.SetGlyph(strip.get());
    TvNWIconColBtn i(nullptr);
    i.SetName("icon");
    i.SetBounds(0, 0, 89, 33);
    i.SetGlyphMargin(8);

    auto readB = RoundTrip(b);
    auto* rb = dynamic_cast<TvNWBitColBtn*>(readB.get());
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb->Caption(), "Go");
    EXPECT_FALSE(rb->Frame());
    EXPECT_FALSE(rb->Movement());
    EXPECT_TRUE(rb->Transparent());
    EXPECT_EQ(rb->GlassValue(), 64);
    EXPECT_EQ(rb->LeftOffSet(), 7);
    EXPECT_EQ(rb->GlyphMargin(), 3u);
    EXPECT_EQ(rb->NumGlyphs(), 2);
    EXPECT_EQ(rb->UpImage()->Width(), 32);
    auto readI = RoundTrip(i);
    auto* ri = dynamic_cast<TvNWIconColBtn*>(readI.get());
    ASSERT_NE(ri, nullptr);
    EXPECT_EQ(ri->Width(), 89);
    EXPECT_EQ(ri->GlyphMargin(), 8u);
}

} // namespace
