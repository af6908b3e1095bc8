// The bitmap, animation, divider and frame controls: their pixels probed on a form, the bitmap's
// transparent colour, and the animation stepping on the platform's timers (driven by moving the
// clock).
#include "indicator_controls/Vanimate.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/WindowQueries.h"
#include "support/LedTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kRed = 0x0000FF, kBlue = 0xFF0000, kLime = 0x00FF00, kYellow = 0x00FFFF;
constexpr COLORREF kGrey = 0x808080, kWhite = 0xFFFFFF, kSilver = 0xC0C0C0, kMaroon = 0x000080;

// Rows of colours, top first.
std::unique_ptr<TBitmap> Picture(const std::vector<std::vector<COLORREF>>& rows) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            bitmap->Canvas()->SetPixels(static_cast<int>(x), static_cast<int>(y), static_cast<TColor>(rows[y][x]));
    return bitmap;
}

struct FormFixture : ::testing::Test {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    void SetUp() override {
        Form->SetColor(clGray);
        Form->SetClientSize(60, 60);
    }
    COLORREF At(int x, int y) { return PixelAt(Snapshot(Form.get()).get(), x, y); }
};

using TvBitmapPaint = FormFixture;
using TvAnimatedFrames = FormFixture;
using TvDividerPaint = FormFixture;
using TvFramePaint = FormFixture;

// A 2 x 2 picture, red and blue on a lime key, drawn at its size, stretched to 4 x 4 and centred in
// 4 x 4, with each kind of transparency. The control's own colour is yellow, the form grey.
TEST_F(TvBitmapPaint, DrawTypesByTransparency) {
    const auto source = Picture({{kRed, kLime}, {kLime, kBlue}});
    enum Mode { Opaque, SystemKey, Brush, Real };
    // What the key pixels and the centred picture's surround show in each mode.
    const COLORREF key[] = {kLime, kLime, kYellow, kGrey};
    const COLORREF surround[] = {kLime, kSilver, kYellow, kGrey};
    struct Probe {
        int x, y;
        char what; // 'r' red, 'b' blue, 'k' a key pixel, 's' the centred picture's surround
    };
    const struct {
        vcBitmapDraw type;
        int size;
        std::vector<Probe> probes;
    } draws[] = {
        {bdDrawNormal, 2, {{0, 0, 'r'}, {1, 0, 'k'}, {0, 1, 'k'}, {1, 1, 'b'}}},
        {bdDrawStretch, 4, {{0, 0, 'r'}, {1, 1, 'r'}, {3, 0, 'k'}, {0, 3, 'k'}, {2, 2, 'b'}, {3, 3, 'b'}}},
        {bdDrawCenter, 4, {{0, 0, 's'}, {3, 3, 's'}, {1, 1, 'r'}, {2, 1, 'k'}, {1, 2, 'k'}, {2, 2, 'b'}}},
    };
    for (const auto& draw : draws) {
        for (Mode mode : {Opaque, SystemKey, Brush, Real}) {
            auto* control = new TvBitmap(Form.get());
            control->SetColor(clYellow);
            control->SetDrawType(draw.type);
            control->SetBitMap(source.get());
            control->SetBounds(10, 10, draw.size, draw.size);
            control->SetTransparent(mode != Opaque);
            control->SetTransparentColor(mode == SystemKey ? clBtnFace : static_cast<TColor>(kLime));
            control->SetRealTransparent(mode == Real);
            control->SetParent(Form.get());
            const auto shot = Snapshot(Form.get());
            for (const Probe& p : draw.probes) {
                const COLORREF expected = p.what == 'r'   ? kRed
                                          : p.what == 'b' ? kBlue
                                          : p.what == 'k' ? key[mode]
                                                          : surround[mode];
                EXPECT_EQ(PixelAt(shot.get(), 10 + p.x, 10 + p.y), expected)
                    << "draw type " << draw.type << ", mode " << mode << ", at " << p.x << "," << p.y;
            }
            EXPECT_EQ(PixelAt(shot.get(), 9, 9), kGrey);
            delete control;
        }
    }
}

// The empty bitmap's white covers the control's own rectangle, wherever the control stands.
TEST_F(TvBitmapPaint, AnEmptyBitmapPaintsTheControlWhite) {
    auto* control = new TvBitmap(Form.get());
    control->SetBounds(10, 12, 30, 20);
    control->SetParent(Form.get());
    const auto shot = Snapshot(Form.get());
    for (auto [x, y] : {std::pair{10, 12}, {39, 12}, {10, 31}, {39, 31}, {20, 20}})
        EXPECT_EQ(PixelAt(shot.get(), x, y), kWhite) << x << "," << y;
    for (auto [x, y] : {std::pair{9, 12}, {40, 12}, {10, 11}, {10, 32}})
        EXPECT_EQ(PixelAt(shot.get(), x, y), kGrey) << x << "," << y;
}

// The automatic colour is the bitmap's own bottom-left pixel, not the pixel at the control's
// height; setting a colour switches it off.
TEST_F(TvBitmapPaint, AutoBackColorTakesTheBitmapsBottomLeftPixel) {
    const auto tall = Picture({{kWhite}, {kRed}, {kWhite}, {kWhite}, {kWhite}, {kBlue}});
    TvBitmap control(nullptr);
    control.SetDrawType(bdDrawStretch);
    control.SetBitMap(tall.get());
    control.SetBounds(0, 0, 1, 2);
    EXPECT_FALSE(control.AutoBackColor());
    EXPECT_EQ(control.TransparentColor(), 0xFFFFFF);
    control.SetAuto(true);
    EXPECT_EQ(control.TransparentColor(), static_cast<TColor>(kBlue));
    control.SetBitMap(Picture({{kRed, kWhite}, {kLime, kWhite}}).get());
    EXPECT_EQ(control.TransparentColor(), static_cast<TColor>(kLime));
    control.SetTransparentColor(clYellow);
    EXPECT_FALSE(control.AutoBackColor());
    EXPECT_EQ(control.TransparentColor(), clYellow);
    control.SetBitMap(tall.get());
    EXPECT_EQ(control.TransparentColor(), clYellow);
}

// Drawn at its own size, the control takes the bitmap's size (30 for a side of 0); stretched it
// keeps its own.
TEST_F(TvBitmapPaint, TheBitmapSizesTheControlWhenDrawnAtItsSize) {
    TvBitmap control(nullptr);
    EXPECT_EQ(control.Width(), 30);
    EXPECT_EQ(control.Height(), 30);
    EXPECT_TRUE(control.Transparent());
    control.SetBitMap(Picture({{kRed, kRed, kRed}}).get());
    EXPECT_EQ(control.Width(), 3);
    EXPECT_EQ(control.Height(), 1);
    TBitmap empty;
    control.SetBitMap(&empty);
    EXPECT_EQ(control.Width(), 30);
    control.SetDrawType(bdDrawStretch);
    control.SetBitMap(Picture({{kRed, kRed, kRed}}).get());
    EXPECT_EQ(control.Width(), 30);
}

// Effects change the bitmap: BW keeps white and blackens the rest, Rotate gives a bitmap of the
// control's size with the transparent colour where nothing lands.
TEST_F(TvBitmapPaint, EffectsChangeTheBitmap) {
    TvBitmap control(nullptr);
    control.SetBitMap(Picture({{kWhite, kRed}, {kLime, kWhite}}).get());
    control.BW();
    EXPECT_FALSE(control.BitMap()->Monochrome());
    EXPECT_EQ(control.BitMap()->Canvas()->Pixels(0, 0), static_cast<TColor>(kWhite));
    EXPECT_EQ(control.BitMap()->Canvas()->Pixels(1, 0), 0);
    EXPECT_EQ(control.BitMap()->Canvas()->Pixels(0, 1), 0);

    control.Flip();
    EXPECT_EQ(control.BitMap()->Canvas()->Pixels(0, 0), 0);
    control.ReplaceColor(clBlack, clRed);
    EXPECT_EQ(control.BitMap()->Canvas()->Pixels(0, 0), static_cast<TColor>(kRed));

    control.SetTransparentColor(clYellow);
    control.SetBounds(0, 0, 6, 4);
    control.Rotate(0);
    EXPECT_EQ(control.BitMap()->Width(), 6);
    EXPECT_EQ(control.BitMap()->Height(), 4);
    EXPECT_EQ(control.BitMap()->Canvas()->Pixels(5, 3), clYellow);
}

// Three frames of 2 x 2, red, lime and blue, side by side.
struct AnimatedFixture : FormFixture {
    TvAnimated* Animated = nullptr;
    TEventLog Log;
    void SetUp() override {
        FormFixture::SetUp();
        Animated = new TvAnimated(Form.get());
        Animated->SetName("Film");
        Animated->SetTransparent(false);
        Animated->SetBitMap(
            Picture({{kRed, kRed, kLime, kLime, kBlue, kBlue}, {kRed, kRed, kLime, kLime, kBlue, kBlue}}).get());
        EXPECT_EQ(Animated->Width(), 6);
        Animated->SetBounds(10, 10, 2, 2);
        Animated->SetFrameCount(3);
        Animated->SetParent(Form.get());
        Animated->OnChangeFrame = TNotifyEvent::Bind<&TEventLog::Change>(&Log);
    }
    COLORREF Shown() { return At(11, 11); }
    TTimer* Timer() const {
        return Animated->ComponentCount() == 1 ? dynamic_cast<TTimer*>(Animated->Components(0)) : nullptr;
    }
};

using TvAnimatedPlay = AnimatedFixture;

TEST_F(TvAnimatedPlay, FramesWrapAndCountBelowOneIsOne) {
    EXPECT_EQ(Shown(), kRed);
    Animated->SetFrame(-1);
    EXPECT_EQ(Animated->Frame(), 2);
    EXPECT_EQ(Shown(), kBlue);
    Animated->SetFrame(3 + 2);
    EXPECT_EQ(Animated->Frame(), 2);
    EXPECT_EQ(Log.Events, "change Film");
    Animated->SetFrame(1);
    EXPECT_EQ(Shown(), kLime);

    Animated->SetFrameCount(0);
    EXPECT_EQ(Animated->FrameCount(), 1);
    Animated->SetFrameCount(-4);
    EXPECT_EQ(Animated->FrameCount(), 1);
    Animated->SetFrame(7);
    EXPECT_EQ(Animated->Frame(), 0);
}

TEST_F(TvAnimatedPlay, LoopingCyclesOnTheTimer) {
    Animated->SetPlay(true);
    EXPECT_EQ(Timer(), nullptr) << "no interval, no timer";
    Animated->SetInterval(1000);
    ASSERT_NE(Timer(), nullptr);
    EXPECT_EQ(Timer()->Interval(), 1000u);
    const COLORREF expected[] = {kLime, kBlue, kRed, kLime};
    for (COLORREF colour : expected) {
        AdvanceClock(1000);
        EXPECT_EQ(Shown(), colour);
    }
    Animated->SetReverse(true);
    AdvanceClock(1000);
    EXPECT_EQ(Animated->Frame(), 0);
    AdvanceClock(1000);
    EXPECT_EQ(Animated->Frame(), 2);
    Animated->SetPlay(false);
    EXPECT_EQ(Timer(), nullptr);
    AdvanceClock(5000);
    EXPECT_EQ(Animated->Frame(), 2);
}

// Without Loop the play stops on the last frame (the first, in reverse); the timer is let go from
// inside its own tick and freed after it.
TEST_F(TvAnimatedPlay, OnceStopsAtTheEnd) {
    Animated->SetLoop(false);
    Animated->SetInterval(1000);
    Animated->SetPlay(true);
    TTimer* const timer = Timer();
    ASSERT_NE(timer, nullptr);
    struct TWatch : TComponent {
        using TComponent::TComponent;
        bool Freed = false;
        void Notification(TComponent*, TOperation Operation) override {
            if (Operation == TOperation::opRemove) Freed = true;
        }
    } watch(nullptr);
    timer->FreeNotification(&watch);
    AdvanceClock(1000);
    EXPECT_TRUE(Animated->Play());
    AdvanceClock(1000);
    EXPECT_EQ(Animated->Frame(), 2);
    EXPECT_FALSE(Animated->Play());
    EXPECT_EQ(Timer(), nullptr);
    Pump();
    EXPECT_TRUE(watch.Freed);
    AdvanceClock(3000);
    EXPECT_EQ(Animated->Frame(), 2);

    Animated->SetReverse(true);
    Animated->SetPlay(true);
    AdvanceClock(1000);
    AdvanceClock(1000);
    EXPECT_EQ(Animated->Frame(), 0);
    EXPECT_FALSE(Animated->Play());
    EXPECT_EQ(Log.Events, "change Film, change Film, change Film, change Film");
}

// Two lines across the top, or down the left side: shadow over highlight, or raised the reverse.
TEST_F(TvDividerPaint, LinesByOrientationAndRaised) {
    Form->SetColor(clMaroon);
    auto* divider = new TvDivider(Form.get());
    EXPECT_EQ(divider->Width(), 50);
    EXPECT_EQ(divider->Height(), 50);
    divider->SetBounds(10, 10, 8, 1);
    EXPECT_EQ(divider->Height(), 2);
    divider->SetParent(Form.get());
    const struct {
        doType orientation;
        bool raised;
        int w, h;
        COLORREF first, second;
    } cases[] = {
        {doHorz, false, 8, 2, kGrey, kWhite},
        {doHorz, true, 8, 2, kWhite, kGrey},
        {doVert, false, 2, 8, kGrey, kWhite},
        {doVert, true, 2, 8, kWhite, kGrey},
    };
    for (const auto& c : cases) {
        divider->SetOrientation(c.orientation);
        divider->SetRaised(c.raised);
        divider->SetBounds(10, 10, c.w, c.h);
        const auto shot = Snapshot(Form.get());
        const bool horz = c.orientation == doHorz;
        EXPECT_EQ(PixelAt(shot.get(), 10, 10), c.first);
        EXPECT_EQ(PixelAt(shot.get(), horz ? 17 : 10, horz ? 10 : 17), c.first);
        EXPECT_EQ(PixelAt(shot.get(), horz ? 10 : 11, horz ? 11 : 10), c.second);
        EXPECT_EQ(PixelAt(shot.get(), horz ? 17 : 11, horz ? 11 : 17), c.second);
        EXPECT_EQ(PixelAt(shot.get(), horz ? 18 : 10, horz ? 10 : 18), kMaroon);
    }
    divider->SetWidth(0);
    EXPECT_EQ(divider->Width(), 2);
}

// Rings from the outside in: the outer bevel, the border in Color, the inner bevel; the middle
// shows the form unless filled.
TEST_F(TvFramePaint, BevelsBorderAndFill) {
    auto* frame = new TvFrame(Form.get());
    EXPECT_EQ(frame->Width(), 50);
    EXPECT_TRUE(frame->PassMouseOn());
    EXPECT_FALSE(frame->Enabled());
    frame->SetBounds(10, 10, 10, 10);
    frame->SetParent(Form.get());
    frame->SetColor(clRed);
    const auto plain = Snapshot(Form.get());
    EXPECT_EQ(PixelAt(plain.get(), 10, 10), kWhite);
    EXPECT_EQ(PixelAt(plain.get(), 15, 10), kWhite);
    EXPECT_EQ(PixelAt(plain.get(), 10, 15), kWhite);
    EXPECT_EQ(PixelAt(plain.get(), 19, 19), kGrey);
    EXPECT_EQ(PixelAt(plain.get(), 19, 15), kGrey);
    EXPECT_EQ(PixelAt(plain.get(), 15, 19), kGrey);
    EXPECT_EQ(PixelAt(plain.get(), 15, 15), kGrey) << "unfilled: the form shows";

    Form->SetColor(clBlue);
    frame->SetFilled(true);
    frame->SetBorderWidth(1);
    frame->SetBevelInner(TBevelCut::bvLowered);
    frame->SetBevelOuter(TBevelCut::bvLowered);
    const auto rings = Snapshot(Form.get());
    EXPECT_EQ(PixelAt(rings.get(), 10, 10), kGrey);
    EXPECT_EQ(PixelAt(rings.get(), 19, 19), kWhite);
    EXPECT_EQ(PixelAt(rings.get(), 11, 11), kRed);
    EXPECT_EQ(PixelAt(rings.get(), 18, 18), kRed);
    EXPECT_EQ(PixelAt(rings.get(), 12, 12), kGrey);
    EXPECT_EQ(PixelAt(rings.get(), 17, 17), kWhite);
    EXPECT_EQ(PixelAt(rings.get(), 15, 15), kRed);

    // Passed over by the mouse until it is told to take it.
    Form->Show();
    const TPoint inside = Form->ClientToScreen(TPoint(15, 15));
    EXPECT_EQ(FindDragTarget(inside, false), Form.get());
    frame->SetPassMouseOn(false);
    EXPECT_EQ(FindDragTarget(inside, false), frame);
}

// Written and read back by the filer, as the classes registered for it, bitmap and all.
TEST(VanimateStreaming, ControlsReadBackWithTheirBitmap) {
    TvAnimated film(nullptr);
    film.SetName("Film");
    film.SetBitMap(Picture({{kRed, kLime, kBlue}, {kBlue, kRed, kLime}}).get());
    film.SetBounds(4, 5, 1, 2);
    film.SetFrameCount(3);
    film.SetFrame(2);
    film.SetLoop(false);
    film.SetTransparentColor(clYellow);
    film.SetRealTransparent(true);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&film);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(TReader(&stream).ReadRootComponent(nullptr));
    auto* back = dynamic_cast<TvAnimated*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->BoundsRect(), Rect(4, 5, 5, 7));
    EXPECT_EQ(back->FrameCount(), 3);
    EXPECT_EQ(back->Frame(), 2);
    EXPECT_FALSE(back->Loop());
    EXPECT_TRUE(back->RealTransparent());
    EXPECT_EQ(back->TransparentColor(), clYellow);
    ASSERT_EQ(back->BitMap()->Width(), 3);
    ASSERT_EQ(back->BitMap()->Height(), 2);
    EXPECT_EQ(back->BitMap()->Canvas()->Pixels(2, 1), static_cast<TColor>(kLime));

    TvFrame frame(nullptr);
    frame.SetBevelInner(TBevelCut::bvLowered);
    frame.SetPassMouseOn(false);
    frame.SetBorderWidth(3);
    TMemoryStream frameStream;
    TWriter(&frameStream).WriteRootComponent(&frame);
    frameStream.SetPosition(0);
    std::unique_ptr<TComponent> frameRead(TReader(&frameStream).ReadRootComponent(nullptr));
    auto* frameBack = dynamic_cast<TvFrame*>(frameRead.get());
    ASSERT_NE(frameBack, nullptr);
    EXPECT_EQ(frameBack->BevelInner(), TBevelCut::bvLowered);
    EXPECT_EQ(frameBack->BevelOuter(), TBevelCut::bvRaised);
    EXPECT_EQ(frameBack->BorderWidth(), 3);
    EXPECT_FALSE(frameBack->PassMouseOn());
}

} // namespace
