// The coloured buttons: their look in each state (up, down, hot, flat, disabled, focused, the frame
// of the default look) pixel by pixel, the glyph and icon beside the caption, the gradient face,
// the push-button scripts for every kind (drag out and back, releases outside the client
// rectangle, space, Enter, Escape, default and cancel across focus changes), hot tracking in flat
// mode, focus on hover, and streaming.
#include "indicator_controls/VanimateColorBtn.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/StdCtrls.h"
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
constexpr COLORREF Shadow = 0x808080;
constexpr COLORREF White = 0xFFFFFF;
constexpr COLORREF Black = 0x000000;
// A focus frame's dot inverts the face.
constexpr COLORREF Dot = 0xFF00FF;

struct TColorBtnForm : ::testing::Test {
    // The log outlives the form, whose buttons may still report while it goes.
    TEventLog Log;
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    TButton* Elsewhere = nullptr;

    template <class T> T* Add(int left, int top, const std::string& name) {
        auto* b = new T(Form.get());
        b->SetName(name);
        b->SetLeft(left);
        b->SetTop(top);
        b->SetParent(Form.get());
        b->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&Log);
        b->OnMouseEnter = TNotifyEvent::Bind<&TEventLog::Enter>(&Log);
        b->OnMouseLeave = TNotifyEvent::Bind<&TEventLog::Leave>(&Log);
        return b;
    }
    void SetUp() override {
        Form->SetBounds(0, 0, 400, 300);
        Elsewhere = new TButton(Form.get());
        Elsewhere->SetBounds(300, 250, 60, 20);
        Elsewhere->SetParent(Form.get());
        Form->Show();
        Pump();
        PointAt(Form.get(), 200, 280); // nowhere near a button
    }
    void Send(TWinControl* c, UINT msg, WPARAM w, int x, int y) {
        c->MainWndProc(msg, w, MakeMouseLParam(x, y));
    }
    // Puts the mouse pointer over the point of the control and lets the window system tell of it.
    void PointAt(TControl* c, int x, int y) {
        const TPoint p = c->ClientToScreen(TPoint(x, y));
        SetCursorPos(p.X, p.Y);
        Pump();
    }
    // The pointer over the button and a move reported there.
    void Hover(TWinControl* c) {
        PointAt(c, 40, 15);
        Send(c, WM_MOUSEMOVE, 0, 40, 15);
    }
};

// The box of the pixels of one colour inside (3, 3)-(w - 3, h - 3), within the edge.
TRect ColourBox(TBitmap* p, COLORREF colour) {
    return ColourBox(p, colour, 3);
}

// X = 88, Y = 32. The edge: shadow (0, Y)-(0, 0)-(X, 0) and (X-1, 1)-(X-1, Y-1)-(0, Y-1), L along
// (1, Y)-(1, 1)-(X, 1), K along (X, 0)-(X, Y)-(0, Y), each polyline without its last point; L is
// the highlight and K black while up, the other way round while down.
const std::vector<TProbe> UpEdge = {{0, 0, Shadow},   {0, 32, Shadow}, {1, 1, White},  {87, 1, White},
                                    {1, 31, White},   {1, 32, Black},  {88, 0, Black}, {88, 32, Black},
                                    {87, 31, Shadow}, {87, 2, Shadow}, {2, 2, Face},   {44, 16, Face}};
const std::vector<TProbe> DownEdge = {{0, 0, Shadow},   {0, 32, Shadow}, {1, 1, Black},  {87, 1, Black},
                                      {1, 31, Black},   {1, 32, White},  {88, 0, White}, {88, 32, White},
                                      {87, 31, Shadow}, {87, 2, Shadow}, {2, 2, Face},   {44, 16, Face}};
const std::vector<TProbe> NoEdge = {
    {0, 0, Face}, {1, 1, Face}, {88, 32, Face}, {87, 31, Face}, {88, 0, Face}};

TEST_F(TColorBtnForm, LookInEachState) {
    auto focusFrame = [](int inset) {
        // The checkerboard inverts where x + y is even.
        const int r = 88 - inset, b = 32 - inset;
        return std::vector<TProbe>{{inset, inset, Dot},
                                   {inset + 1, inset, Face},
                                   {r, b, Dot},
                                   {inset + 1, inset + 1, Face},
                                   {r - 1, b, Face}};
    };
    // With dlFrame while focused or the default: a black frame round the button and the edge one
    // pixel further in.
    const std::vector<TProbe> framed = {{0, 0, Black},   {44, 0, Black},  {88, 16, Black},  {0, 32, Black},
                                        {88, 32, Black}, {1, 1, Shadow},  {1, 31, Shadow},  {2, 2, White},
                                        {87, 1, Black},  {87, 31, Black}, {86, 30, Shadow}, {86, 3, Shadow}};
    const struct {
        const char* state;
        std::function<void(TvColorBtn*)> setUp;
        std::vector<std::vector<TProbe>> probes;
    } cases[] = {
        {"up", [](TvColorBtn*) {}, {UpEdge}},
        {"down",
         [this](TvColorBtn* b) { Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15); },
         {DownEdge, focusFrame(3)}},
        {"focused", [](TvColorBtn* b) { b->SetFocus(); }, {UpEdge, focusFrame(3)}},
        {"focused without ShowFocus",
         [](TvColorBtn* b) {
             b->SetShowFocus(false);
             b->SetFocus();
         },
         {UpEdge, {{3, 3, Face}}}},
        {"disabled", [](TvColorBtn* b) { b->SetEnabled(false); }, {UpEdge}},
        {"flat", [](TvColorBtn* b) { b->SetFlat(true); }, {NoEdge}},
        {"flat hot",
         [this](TvColorBtn* b) {
             b->SetFlat(true);
             Hover(b);
         },
         {UpEdge}},
        {"flat pressed",
         [this](TvColorBtn* b) {
             b->SetFlat(true);
             Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
         },
         {DownEdge}},
        {"flat held outside",
         [this](TvColorBtn* b) {
             b->SetFlat(true);
             Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
             Send(b, WM_MOUSEMOVE, MK_LBUTTON, 200, 15);
         },
         {UpEdge}},
        {"flat disabled hot",
         [this](TvColorBtn* b) {
             b->SetFlat(true);
             b->SetEnabled(false);
             Hover(b);
         },
         {NoEdge}},
        {"frame focused",
         [](TvColorBtn* b) {
             b->SetDefaultLook(dlFrame);
             b->SetFocus();
         },
         {framed, focusFrame(4)}},
        {"frame default",
         [](TvColorBtn* b) {
             b->SetDefaultLook(dlFrame);
             b->SetDefault(true);
         },
         {framed, {{4, 4, Face}}}},
        {"frame neither", [](TvColorBtn* b) { b->SetDefaultLook(dlFrame); }, {UpEdge, {{3, 3, Face}}}},
        {"frame focused flat", // the frame shows even when the edge does not
         [](TvColorBtn* b) {
             b->SetFlat(true);
             b->SetDefaultLook(dlFrame);
             b->SetFocus();
         },
         {{{0, 0, Black}, {88, 32, Black}, {1, 1, Face}, {2, 2, Face}, {87, 31, Face}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        Elsewhere->SetFocus();
        auto* b = Add<TvColorBtn>(10, 10, "b");
        b->SetColor(Face);
        c.setUp(b);
        const auto picture = Snapshot(b);
        for (const auto& probes : c.probes)
            for (const TProbe& p : probes)
                EXPECT_EQ(PixelAt(picture.get(), p.x, p.y), p.expected) << "at " << p.x << "," << p.y;
        Send(b, WM_LBUTTONUP, 0, 200, 15);
        delete b;
        PointAt(Form.get(), 200, 280);
    }
}

TEST_F(TColorBtnForm, CaptionPlaceAndLook) {
    auto* b = Add<TvColorBtn>(10, 10, "b");
    EXPECT_EQ(b->Width(), 89);
    EXPECT_EQ(b->Height(), 33);
    EXPECT_TRUE(b->TabStop());
    EXPECT_EQ(TvColorBtn(nullptr).Color(), clWindow);
    b->SetColor(Face);
    b->SetDefaultLook(dlNone);
    b->SetCaption("Go on");
    b->Font()->SetColor(0x0000FF);
    const TRect up = ColourBox(Snapshot(b).get(), 0x0000FF);
    // Centred in (5, 5)-(84, 28).
    EXPECT_LE(std::abs(up.Left + up.Right - 89), 1);
    EXPECT_LE(std::abs(up.Top + up.Bottom - 33), 1);

    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    const TRect down = ColourBox(Snapshot(b).get(), 0x0000FF);
    EXPECT_EQ(down.Left, up.Left + 1);
    EXPECT_EQ(down.Top, up.Top + 1);
    Send(b, WM_LBUTTONUP, 0, 40, 15);

    // Disabled: white one pixel down and right under grey in place.
    b->SetEnabled(false);
    const auto disabled = Snapshot(b);
    const TRect grey = ColourBox(disabled.get(), 0x808080);
    EXPECT_EQ(grey.Left, up.Left);
    EXPECT_EQ(grey.Top, up.Top);
    EXPECT_EQ(ColourBox(disabled.get(), White).Right, grey.Right + 1);
    EXPECT_EQ(ColourBox(disabled.get(), 0x0000FF).Right, -1);

    // With dlBold the caption of the focused or default button is bold: wider.
    b->SetEnabled(true);
    b->SetDefaultLook(dlBold);
    b->SetDefault(true);
    const TRect bold = ColourBox(Snapshot(b).get(), 0x0000FF);
    EXPECT_GT(bold.Right - bold.Left, up.Right - up.Left);
    b->SetDefaultLook(dlNone);
    const TRect plain = ColourBox(Snapshot(b).get(), 0x0000FF);
    EXPECT_EQ(plain.Right - plain.Left, up.Right - up.Left);
}

TEST_F(TColorBtnForm, LongCaptionsAreDrawnWhole) {
    auto* b = Add<TvColorBtn>(0, 0, "b");
    b->SetBounds(0, 0, 3000, 30);
    b->SetAlignment(taLeftJustify);
    b->Font()->SetColor(0x0000FF);
    auto right = [&](std::size_t length) {
        b->SetCaption(std::string(length, 'I'));
        return ColourBox(Snapshot(b).get(), 0x0000FF).Right;
    };
    const int at255 = right(255);
    EXPECT_GT(at255, 0);
    EXPECT_GT(right(300), at255);
}

TEST_F(TColorBtnForm, GlyphBesideTheCaption) {
    constexpr COLORREF face = 0x404040, red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000, yellow = 0x00FFFF;
    const auto strip = FourSlots();
    const struct {
        const char* state;
        int numGlyphs;
        tBitWhere where;
        std::function<void(TvBitColBtn*)> setUp;
        std::vector<TProbe> probes;
    } cases[] = {
        // 89 x 33 with a 16 x 16 glyph: (5, 9) up, (6, 10) down; on the right X - w - 5 = 67.
        {"up",
         4,
         v_BWLeft,
         [](TvBitColBtn*) {},
         {{5, 9, red}, {20, 24, red}, {4, 9, face}, {21, 24, face}, {5, 8, face}}},
        {"down",
         4,
         v_BWLeft,
         [this](TvBitColBtn* b) { Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15); },
         {{6, 10, blue}, {21, 25, blue}, {5, 9, face}}},
        {"disabled",
         4,
         v_BWLeft,
         [](TvBitColBtn* b) { b->SetEnabled(false); },
         {{5, 9, green}, {20, 24, green}}},
        {"hot",
         4,
         v_BWLeft,
         [this](TvBitColBtn* b) {
             b->SetFlat(true);
             Hover(b);
         },
         {{5, 9, yellow}}},
        {"hot with two slots",
         2,
         v_BWLeft,
         [this](TvBitColBtn* b) {
             b->SetFlat(true);
             Hover(b);
         },
         {{5, 9, red}}},
        // Three slots have no hot slot: the up image serves.
        {"hot with three slots",
         3,
         v_BWLeft,
         [this](TvBitColBtn* b) {
             b->SetFlat(true);
             Hover(b);
         },
         {{5, 9, red}}},
        {"down with two slots",
         2,
         v_BWLeft,
         [this](TvBitColBtn* b) { Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15); },
         {{6, 10, red}}},
        {"right",
         4,
         v_BWRight,
         [](TvBitColBtn*) {},
         {{67, 9, red}, {82, 24, red}, {66, 9, face}, {83, 9, face}}},
        {"right down",
         4,
         v_BWRight,
         [this](TvBitColBtn* b) { Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15); },
         {{68, 10, blue}, {67, 9, face}}},
        {"transparent colour",
         4,
         v_BWLeft,
         [](TvBitColBtn* b) { b->SetTransparentColor(0x0000FF); },
         {{5, 9, face}, {12, 16, face}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        Elsewhere->SetFocus();
        auto* b = Add<TvBitColBtn>(10, 10, "b");
        b->SetColor(face);
        b->SetNumGlyphs(c.numGlyphs);
        b->SetGlyph(strip.get());
        b->SetBitmapWhere(c.where);
        c.setUp(b);
        const auto picture = Snapshot(b);
        for (const TProbe& p : c.probes)
            EXPECT_EQ(PixelAt(picture.get(), p.x, p.y), p.expected) << "at " << p.x << "," << p.y;
        Send(b, WM_LBUTTONUP, 0, 200, 15);
        delete b;
        PointAt(Form.get(), 200, 280);
    }

    // The caption gives up the glyph's width on its side: centred in (21, 5)-(84, 28), or in
    // (5, 5)-(68, 28) with the glyph on the right; over the glyph's side too with TextOnTop.
    auto* b = Add<TvBitColBtn>(10, 10, "b");
    b->SetColor(face);
    b->SetNumGlyphs(4);
    b->SetGlyph(strip.get());
    b->SetCaption("Go");
    b->Font()->SetColor(White);
    TRect text = ColourBox(Snapshot(b).get(), White);
    EXPECT_LE(std::abs(text.Left + text.Right - (21 + 84)), 1);
    b->SetBitmapWhere(v_BWRight);
    text = ColourBox(Snapshot(b).get(), White);
    EXPECT_LE(std::abs(text.Left + text.Right - (5 + 68)), 1);
    b->SetTextOnTop(true);
    text = ColourBox(Snapshot(b).get(), White);
    EXPECT_LE(std::abs(text.Left + text.Right - (5 + 84)), 1);

    // Disabled: the white copy under the glyph, the grey one over it.
    b->SetTextOnTop(false);
    b->SetBitmapWhere(v_BWLeft);
    b->SetCaption("WWWWWWWWWWWWWWW");
    b->SetTextOnTop(true);
    b->SetEnabled(false);
    const auto disabled = Snapshot(b);
    const TRect grey = ColourBox(disabled.get(), 0x808080);
    ASSERT_LT(grey.Left, 20) << "the caption reaches over the glyph";
    bool whiteOnGlyph = false, greyOnGlyph = false;
    for (int y = 9; y < 25; ++y)
        for (int x = 5; x < 21; ++x) {
            whiteOnGlyph = whiteOnGlyph || PixelAt(disabled.get(), x, y) == White;
            greyOnGlyph = greyOnGlyph || PixelAt(disabled.get(), x, y) == 0x808080;
        }
    EXPECT_FALSE(whiteOnGlyph);
    EXPECT_TRUE(greyOnGlyph);
}

TEST_F(TColorBtnForm, IconBesideTheCaption) {
    constexpr COLORREF face = 0x404040;
    auto* b = Add<TvIconColBtn>(10, 10, "b");
    EXPECT_EQ(b->Width(), 140);
    EXPECT_EQ(b->Height(), 44);
    b->SetColor(face);
    TIcon icon;
    icon.SetHandle(SolidIcon(16, 16, 0x00FF00));
    b->SetGlyphEnabled(&icon);
    EXPECT_FALSE(b->GlyphDisabled()->Empty());
    EXPECT_FALSE(b->GlyphDown()->Empty());
    b->SetCaption("Go");
    b->Font()->SetColor(White);

    // 140 x 44, a 16 x 16 icon: (5, 14) up, (6, 15) down; on the right 139 - 16 - 5 = 118.
    auto up = Snapshot(b);
    EXPECT_EQ(PixelAt(up.get(), 5, 14), 0x00FF00u);
    EXPECT_EQ(PixelAt(up.get(), 20, 29), 0x00FF00u);
    EXPECT_EQ(PixelAt(up.get(), 4, 14), face);
    EXPECT_EQ(PixelAt(up.get(), 5, 13), face);
    TRect text = ColourBox(up.get(), White);
    EXPECT_LE(std::abs(text.Left + text.Right - (21 + 135)), 1);

    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 70, 20);
    const auto down = Snapshot(b);
    EXPECT_EQ(PixelAt(down.get(), 5, 14), face);
    EXPECT_EQ(PixelAt(down.get(), 6, 15), 0x00FF00u);
    Send(b, WM_LBUTTONUP, 0, 70, 20);

    b->SetIconWhere(v_BWRight);
    const auto right = Snapshot(b);
    EXPECT_EQ(PixelAt(right.get(), 118, 14), 0x00FF00u);
    EXPECT_EQ(PixelAt(right.get(), 117, 14), face);
    text = ColourBox(right.get(), White);
    EXPECT_LE(std::abs(text.Left + text.Right - (5 + 119)), 1);

    // Its own disabled icon when disabled.
    TIcon red;
    red.SetHandle(SolidIcon(16, 16, 0x0000FF));
    b->SetGlyphDisabled(&red);
    b->SetEnabled(false);
    EXPECT_EQ(PixelAt(Snapshot(b).get(), 118, 14), 0x0000FFu);
}

TEST_F(TColorBtnForm, GradientFace) {
    auto* b = Add<TvGradBtn>(10, 10, "b");
    b->SetBounds(10, 10, 11, 9);
    b->SetColor(0x0000FF);
    b->SetEndColor(0xFF0000);
    b->SetBands(3);
    b->SetFlat(true); // no edge over the bands
    // Four 10 x 2 bands at y = 0, 2, 4, 6; the last column and row keep the face colour.
    const std::vector<TProbe> up = {{0, 0, 0x0000FF}, {9, 1, 0x0000FF}, {0, 2, 0x5500AA}, {0, 4, 0xAA0055},
                                    {9, 7, 0xFF0000}, {0, 8, 0x0000FF}, {10, 4, 0x0000FF}};
    auto picture = Snapshot(b);
    for (const TProbe& p : up) EXPECT_EQ(PixelAt(picture.get(), p.x, p.y), p.expected) << p.x << "," << p.y;
    // Pressed, the bands move one pixel down and right, under the pressed edge.
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 5, 4);
    picture = Snapshot(b);
    EXPECT_EQ(PixelAt(picture.get(), 1, 1), Black);
    EXPECT_EQ(PixelAt(picture.get(), 2, 2), 0x0000FFu);
    EXPECT_EQ(PixelAt(picture.get(), 2, 3), 0x5500AAu);
    EXPECT_EQ(PixelAt(picture.get(), 2, 5), 0xAA0055u);
    Send(b, WM_LBUTTONUP, 0, 5, 4);

    // The default colours are system colours: the face runs from the window colour (white) to the
    // button face (grey), not from near black. Band 0 of 76 in 32 rows is empty: row 0 has band 1.
    auto* plain = Add<TvGradBtn>(10, 100, "plain");
    plain->SetColor(clWindow);
    plain->SetFlat(true);
    picture = Snapshot(plain);
    EXPECT_EQ(PixelAt(picture.get(), 0, 0), 0xFEFEFEu);
    EXPECT_EQ(PixelAt(picture.get(), 0, 31), 0xC1C1C1u);
}

// The scripts every kind of coloured button follows alike.
const struct {
    const char* kind;
    std::function<TvColorBtn*(TColorBtnForm&, int, int, const std::string&)> add;
} Kinds[] = {
    {"TvColorBtn",
     [](TColorBtnForm& f, int l, int t, const std::string& n) { return f.Add<TvColorBtn>(l, t, n); }},
    {"TvGradBtn",
     [](TColorBtnForm& f, int l, int t, const std::string& n) { return f.Add<TvGradBtn>(l, t, n); }},
    {"TvBitColBtn",
     [](TColorBtnForm& f, int l, int t, const std::string& n) { return f.Add<TvBitColBtn>(l, t, n); }},
    {"TvIconColBtn",
     [](TColorBtnForm& f, int l, int t, const std::string& n) { return f.Add<TvIconColBtn>(l, t, n); }},
};

// Down while the pointer is in the client rectangle, the row below it counted; pressed only there.
TEST_F(TColorBtnForm, MouseScripts) {
    for (const auto& kind : Kinds) {
        SCOPED_TRACE(kind.kind);
        TvColorBtn* b = kind.add(*this, 10, 10, "b");
        TMouseScript script({20, 10});
        script.RowBelowCounts = true;
        RunMouseScript(b, Log, script);
        delete b;
    }
}

TEST_F(TColorBtnForm, KeyScripts) {
    for (const auto& kind : Kinds) {
        SCOPED_TRACE(kind.kind);
        // Any coloured button's focus takes the default role away.
        TKeyScript script([&](const std::string& n, int l, int t) { return kind.add(*this, l, t, n); });
        script.AddKin = [this](const std::string& n, int l, int t) { return Add<TvColorBtn>(l, t, n); };
        RunKeyScript(Form.get(), Log, script);
    }
}

TEST_F(TColorBtnForm, HotOnlyInFlatMode) {
    auto* b = Add<TvColorBtn>(10, 10, "b");
    auto* still = Add<TvColorBtn>(10, 100, "still");

    // Not flat: never hot.
    Hover(still);
    EXPECT_FALSE(still->IsHot());

    // Flat: hot while the pointer is over it.
    b->SetFlat(true);
    EXPECT_FALSE(b->IsHot());
    Log.Events.clear();
    Hover(b);
    EXPECT_TRUE(b->IsHot());
    EXPECT_EQ(Log.Events, "leave still, enter b");
    Send(b, WM_MOUSEMOVE, 0, 41, 15);
    EXPECT_EQ(Log.Events, "leave still, enter b") << "a hot button does not look again";

    // Leaving with the button held keeps it hot; the release outside lets it go.
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    PointAt(Form.get(), 200, 280);
    b->Perform(CM_MOUSELEAVE, 0, 0);
    Send(b, WM_MOUSEMOVE, MK_LBUTTON, 190, 270);
    EXPECT_TRUE(b->IsHot());
    EXPECT_FALSE(b->IsDown());
    Send(b, WM_LBUTTONUP, 0, 190, 270);
    EXPECT_FALSE(b->IsHot());

    // A click leaves it hot while the pointer stays over it.
    Hover(b);
    Log.Events.clear();
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 40, 15);
    Send(b, WM_LBUTTONUP, 0, 40, 15);
    EXPECT_NE(Log.Events.find("click b"), std::string::npos);
    EXPECT_TRUE(b->IsHot());

    // Disabling clears it; turning flat off too.
    b->SetEnabled(false);
    EXPECT_FALSE(b->IsDown());
    b->SetEnabled(true);
    EXPECT_TRUE(b->IsHot());
    PointAt(Form.get(), 200, 280);
    b->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(b->IsHot());
}

TEST_F(TColorBtnForm, AutoFocusTakesTheFocusOnEntering) {
    auto* b = Add<TvColorBtn>(10, 10, "b");
    Elsewhere->SetFocus();
    b->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_FALSE(b->Focused());
    b->SetAutoFocus(true);
    b->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(b->Focused());
    // Flat, the pointer coming over it is enough.
    auto* flat = Add<TvColorBtn>(10, 100, "flat");
    flat->SetFlat(true);
    flat->SetAutoFocus(true);
    Hover(flat);
    EXPECT_TRUE(flat->Focused());
}

// Written and read back by the filer as the classes registered for it, the glyph strip with them.
TEST(VanimateColorBtnStreaming, ReadBackWithTheirProperties) {
    TvBitColBtn b(nullptr);
    b.SetName("glyph");
    b.SetCaption("Go");
    b.SetFlat(true);
    b.SetDefaultLook(dlFrame);
    b.SetNumGlyphs(4);
    const auto strip = FourSlots();
    b.SetGlyph(strip.get());
    b.SetBitmapWhere(v_BWRight);
    b.SetTransparentColor(0x00FF00);
    TvGradBtn g(nullptr);
    g.SetName("grad");
    g.SetFillType(gCenter);
    g.SetBands(9);
    g.SetDefault(true);
    TvIconColBtn i(nullptr);
    i.SetName("icon");
    i.SetIconWhere(v_BWRight);
    i.SetBounds(0, 0, 89, 33);

    auto readB = RoundTrip(b);
    auto* rb = dynamic_cast<TvBitColBtn*>(readB.get());
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb->Caption(), "Go");
    EXPECT_TRUE(rb->IsFlat());
    EXPECT_EQ(rb->DefaultLook(), dlFrame);
    EXPECT_EQ(rb->NumGlyphs(), 4);
    EXPECT_EQ(rb->Glyph()->Width(), 64);
    EXPECT_EQ(rb->HotImage()->Width(), 16);
    EXPECT_EQ(rb->BitmapWhere(), v_BWRight);
    EXPECT_EQ(rb->TransparentColor(), 0x00FF00);

    auto readG = RoundTrip(g);
    auto* rg = dynamic_cast<TvGradBtn*>(readG.get());
    ASSERT_NE(rg, nullptr);
    EXPECT_EQ(rg->FillType(), gCenter);
    EXPECT_EQ(rg->Bands(), 9);
    EXPECT_TRUE(rg->Default());

    auto readI = RoundTrip(i);
    auto* ri = dynamic_cast<TvIconColBtn*>(readI.get());
    ASSERT_NE(ri, nullptr);
    EXPECT_EQ(ri->IconWhere(), v_BWRight);
    EXPECT_EQ(ri->Width(), 89) << "stored against its own default of 140";
    EXPECT_EQ(ri->Height(), 33);
}

} // namespace
