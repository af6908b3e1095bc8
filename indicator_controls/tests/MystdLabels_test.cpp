// Labels and the hint window: hint placement beside the pointer and inside the screen, the moves a
// hint survives, the veto, long texts measured whole, and a link label that opens its address.
#include "indicator_controls/MystdLabels.h"

#include "support/LedTest.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(TvHintOrigin, BesideThePointerAndEightPixelsInsideTheScreen) {
    struct Case {
        TvHintPos pos;
        TPoint cursor;
        TPoint expected;
    };
    const TRect rect(200, 300, 300, 330);
    // A hint of 100 x 30 on a screen of 1024 x 768.
    for (const Case& c : {
             Case{hpLeftAbove, TPoint(500, 400), TPoint(396, 366)},
             Case{hpLeftUnder, TPoint(500, 400), TPoint(396, 424)},
             Case{hpRightAbove, TPoint(500, 400), TPoint(504, 366)},
             Case{hpRightUnder, TPoint(500, 400), TPoint(504, 424)},
             Case{hpNormal, TPoint(500, 400), TPoint(200, 300)},
             // The corners.
             Case{hpLeftAbove, TPoint(0, 0), TPoint(8, 8)},
             Case{hpRightUnder, TPoint(0, 0), TPoint(8, 24)},
             Case{hpRightUnder, TPoint(1024, 768), TPoint(916, 730)},
             Case{hpLeftAbove, TPoint(1024, 768), TPoint(916, 730)},
             Case{hpLeftUnder, TPoint(0, 768), TPoint(8, 730)},
             Case{hpRightAbove, TPoint(1024, 0), TPoint(916, 8)},
             // Exactly 8 pixels from the right and bottom edges stays.
             Case{hpRightUnder, TPoint(912, 706), TPoint(916, 730)},
         }) {
        const TPoint at = TvHintOrigin(c.pos, rect, c.cursor, 100, 30, 1024, 768);
        EXPECT_EQ(at.X, c.expected.X) << int(c.pos) << " at " << c.cursor.X << "," << c.cursor.Y;
        EXPECT_EQ(at.Y, c.expected.Y) << int(c.pos) << " at " << c.cursor.X << "," << c.cursor.Y;
    }
    // hpNormal takes the rectangle's corner, kept inside as well.
    const TPoint at = TvHintOrigin(hpNormal, TRect(-50, -50, 50, -20), TPoint(500, 400), 100, 30, 1024, 768);
    EXPECT_EQ(at.X, 8);
    EXPECT_EQ(at.Y, 8);
}

struct HintFixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TvHint* hint = nullptr;
    TvBigLabel* label = nullptr;
    void SetUp() override {
        form->SetBounds(100, 100, 400, 300);
        hint = new TvHint(form.get());
        label = new TvBigLabel(form.get());
        label->SetParent(form.get());
        label->SetBounds(10, 10, 100, 20);
        label->SetCaption("Level");
        label->SetHint("The level of the left channel");
        label->SetShowHint(true);
        form->Show();
        Pump();
        Application->ShowHint = true;
        hint->SetHintPosition(hpNormal);
    }
    void TearDown() override {
        Application->CancelHint();
        ResetHintSettings();
        HintWindowClass = MakeHintWindow<THintWindow>;
    }
    // The pointer comes onto the label (the form's window hands the move to it) and rests there.
    void RestOnLabel() {
        form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20, 15));
        AdvanceClock(static_cast<std::uint64_t>(Application->HintPause) + 1);
        Pump();
    }
    TvHintWindow* Window() const { return dynamic_cast<TvHintWindow*>(Application->HintWindow()); }
    bool Shown() const { return Window() && Window()->Visible(); }
};

using TvHintBehaviour = HintFixture;

TEST_F(TvHintBehaviour, TheApplicationShowsTheHintInATvHintWindowAfterThePause) {
    form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20, 15));
    EXPECT_FALSE(Shown());
    AdvanceClock(static_cast<std::uint64_t>(Application->HintPause) + 1);
    Pump();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Window()->Caption(), "The level of the left channel");
    AdvanceClock(static_cast<std::uint64_t>(Application->HintHidePause) + 1);
    Pump();
    EXPECT_FALSE(Shown());
}

TEST_F(TvHintBehaviour, OnceAHintShowsTheNextControlsHintFollowsAfterTheShortPause) {
    auto* second = new TvBigLabel(form.get());
    second->SetParent(form.get());
    second->SetBounds(10, 60, 100, 20);
    second->SetCaption("Gain");
    second->SetHint("The gain of the right channel");
    second->SetShowHint(true);
    EXPECT_EQ(Application->HintShortPause, 50);
    const auto shortPause = static_cast<std::uint64_t>(Application->HintShortPause) + 10;
    // The pointer comes to (x, y): no hint after the short pause, the hint after the whole one.
    auto wholePause = [&](int x, int y, const std::string& caption) {
        form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(x, y));
        AdvanceClock(shortPause);
        Pump();
        EXPECT_FALSE(Shown()) << caption;
        AdvanceClock(static_cast<std::uint64_t>(Application->HintPause));
        Pump();
        ASSERT_TRUE(Shown()) << caption;
        EXPECT_EQ(Window()->Caption(), caption);
    };
    wholePause(20, 15, "The level of the left channel");
    // Onto the second label while the first hint shows: its hint comes after the short pause.
    form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20, 65));
    EXPECT_EQ(Window()->Caption(), "The level of the left channel");
    AdvanceClock(shortPause);
    Pump();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Window()->Caption(), "The gain of the right channel");
    // Once the hint has gone, the next one waits the whole pause again.
    Application->CancelHint();
    wholePause(20, 15, "The level of the left channel");
}

TEST_F(TvHintBehaviour, FiveMovesKeepTheHintTheSixthClosesIt) {
    RestOnLabel();
    ASSERT_TRUE(Shown());
    for (int i = 1; i <= 5; ++i) {
        form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20 + i, 15));
        EXPECT_TRUE(Shown()) << "move " << i;
        EXPECT_EQ(Window()->MoveCount(), i);
    }
    form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(26, 15));
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Window()->MoveCount(), 0);

    // A key closes it at once, as in any hint window.
    RestOnLabel();
    ASSERT_TRUE(Shown());
    form->MainWndProc(WM_KEYDOWN, 'A', 0);
    EXPECT_FALSE(Shown());
}

TEST_F(TvHintBehaviour, OnHintShowCanVetoEveryHint) {
    struct Veto : TObject {
        int Asked = 0;
        void Show(TObject*, bool& ShowHint) {
            ++Asked;
            ShowHint = false;
        }
    } veto;
    hint->SetOnHintShow(THintShowEvent::Bind<&Veto::Show>(&veto));
    RestOnLabel();
    EXPECT_FALSE(Shown());
    label->SetHint("Another text");
    Application->CancelHint();
    RestOnLabel();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(veto.Asked, 2);
}

TEST_F(TvHintBehaviour, ALongHintIsMeasuredWholeWithinItsPartOfTheScreen) {
    std::string text;
    while (text.size() < 300) text += "word ";
    label->SetHint(text);
    RestOnLabel();
    ASSERT_TRUE(Shown());
    const int width300 = Window()->Width();
    const int height300 = Window()->Height();
    EXPECT_LE(width300, Screen->Width() / 2);
    Application->CancelHint();
    label->SetHint(text + text);
    RestOnLabel();
    ASSERT_TRUE(Shown());
    EXPECT_GT(Window()->Height(), height300 + 20);
    EXPECT_EQ(Window()->Caption(), text + text);
    // Without MultiLine the text stays on one line, as wide as the measure allows.
    Application->CancelHint();
    hint->SetMultiLine(false);
    RestOnLabel();
    ASSERT_TRUE(Shown());
    EXPECT_LT(Window()->Height(), height300);
}

TEST_F(TvHintBehaviour, DroppingATvHintResetsTheSettings) {
    hint->SetMoveBeforeOff(9);
    hint->SetUse3D(false);
    EXPECT_EQ(HintSettings().MoveBeforeOff, 9);
    TvHint second(nullptr);
    EXPECT_EQ(HintSettings().MoveBeforeOff, 5);
    EXPECT_TRUE(HintSettings().Use3D);
    EXPECT_EQ(HintSettings().HintPosition, hpLeftAbove);
    EXPECT_EQ(HintSettings().PartOfScreen, 2);
    EXPECT_EQ(HintSettings().Font->Height(), -11);
}

TEST(TvBigLabel, A300CharacterCaptionWrapsEvenWithoutWordWrap) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    std::string caption;
    while (caption.size() < 300) caption += "level ";
    auto* big = new TvBigLabel(form.get());
    big->SetParent(form.get());
    auto* plain = new TLabel(form.get());
    plain->SetParent(form.get());
    big->SetCaption("level");
    const int oneLine = big->Height();
    big->SetCaption(caption);
    plain->SetCaption(caption);
    EXPECT_FALSE(big->WordWrap());
    EXPECT_GT(big->Height(), 5 * oneLine);
    EXPECT_LT(big->Width(), 100);
    EXPECT_EQ(plain->Height(), oneLine);
    // Below 256 characters it stays on one line.
    big->SetCaption(caption.substr(0, 255));
    EXPECT_EQ(big->Height(), oneLine);
}

// A directory put first on PATH holding a recording xdg-open: it appends its argument count and
// each argument on a line of its own.
class TvcURLLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("vx-urllabel-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        log_ = dir_ / "opened.txt";
        const std::filesystem::path script = dir_ / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> '" << log_.string() << "'\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ::setenv("PATH", (dir_.string() + ":" + oldPath_).c_str(), 1);
        form->SetBounds(100, 100, 300, 200);
        link = new TvcURLLabel(form.get());
        link->SetParent(form.get());
        link->SetBounds(10, 10, 100, 20);
        link->SetCaption("&Home page");
        link->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
        link->SetName("Link");
        form->Show();
        Pump();
    }
    void TearDown() override {
        ::setenv("PATH", oldPath_.c_str(), 1);
        std::filesystem::remove_all(dir_);
    }
    void ClickLink() {
        const TPoint at(link->Left() + 5, link->Top() + 5);
        form->MainWndProc(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(at.X, at.Y));
        form->MainWndProc(WM_LBUTTONUP, 0, MakeMouseLParam(at.X, at.Y));
    }
    // The lines the script wrote, once it has written two.
    std::vector<std::string> Recorded() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::vector<std::string> lines;
        while (std::chrono::steady_clock::now() < until) {
            lines.clear();
            std::ifstream in(log_);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            if (lines.size() >= 2) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return lines;
    }

    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TvcURLLabel* link = nullptr;
    TEventLog log;
    std::filesystem::path dir_, log_;
    std::string oldPath_;
};

TEST_F(TvcURLLabelTest, IsAGreenUnderlinedLinkWithoutAnAddress) {
    EXPECT_EQ(link->URL, "");
    EXPECT_TRUE(link->LastClickOK());
    EXPECT_FALSE(link->Use3D());
    EXPECT_EQ(link->Cursor(), crHandPoint);
    EXPECT_EQ(link->Font()->Color(), TColor(0x008000));
    EXPECT_EQ(link->Font()->Height(), -16);
    EXPECT_TRUE(link->Font()->Style().Contains(fsUnderline));
}

TEST_F(TvcURLLabelTest, AClickOpensTheAddressAndAnEmptyAddressOnlyClicks) {
    ClickLink();
    EXPECT_EQ(log.Events, "click Link");
    link->URL = "http://www.example.com/a page?x=1&y='2'";
    ClickLink();
    EXPECT_EQ(log.Events, "click Link, click Link");
    EXPECT_TRUE(link->LastClickOK());
    // One run of xdg-open, with the address as its one argument: the empty address started none.
    EXPECT_EQ(Recorded(), (std::vector<std::string>{"1", link->URL}));
}

TEST_F(TvcURLLabelTest, TheAcceleratorClicksAndAFailedStartIsRecorded) {
    link->URL = "http://www.example.com/";
    ::setenv("PATH", (dir_ / "nothing-here").c_str(), 1);
    TMessage m{CM_DIALOGCHAR, 'h', 0, 0};
    link->Dispatch(m);
    EXPECT_EQ(m.Result, 1);
    EXPECT_EQ(log.Events, "click Link");
    EXPECT_FALSE(link->LastClickOK());
}

} // namespace

namespace {

// A label on a white form, its caption in red "Arial" (DejaVu Sans) of 16 pixels.
struct AngleFixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TvAngleLabel* label = nullptr;
    void SetUp() override {
        form->SetBounds(0, 0, 300, 300);
        form->SetColor(clWhite);
        label = new TvAngleLabel(form.get());
        label->SetParent(form.get());
        label->Font()->SetName("Arial");
        label->Font()->SetHeight(-16);
        label->Font()->SetColor(clRed);
        label->SetCaption("WW..........");
        label->SetLeft(40);
        label->SetTop(30);
    }
    // The caption's extent in the label's font.
    TSize Extent() {
        TBitmap b;
        b.SetSize(4, 4);
        b.Canvas()->SetFont(label->Font());
        return b.Canvas()->TextExtent(label->Caption());
    }
    // The box holding every pixel of colour, in the label's coordinates; empty when there is none.
    struct Ink {
        TRect box;
        // Pixels in the left, right, top and bottom halves of the label.
        int left = 0, right = 0, top = 0, bottom = 0;
        int count = 0;
    };
    Ink InkOf(TColor color) {
        const std::unique_ptr<TBitmap> shot = Snapshot(form.get());
        Ink ink;
        bool any = false;
        const int w = label->Width(), h = label->Height();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (PixelAt(shot.get(), label->Left() + x, label->Top() + y) != ColorToRGB(color)) continue;
                ++ink.count;
                if (!any) ink.box = TRect(x, y, x + 1, y + 1);
                any = true;
                ink.box = TRect(std::min(ink.box.Left, x), std::min(ink.box.Top, y),
                                std::max(ink.box.Right, x + 1), std::max(ink.box.Bottom, y + 1));
                (2 * x < w ? ink.left : ink.right) += 1;
                (2 * y < h ? ink.top : ink.bottom) += 1;
            }
        return ink;
    }
    static bool Inside(const TRect& inner, const TRect& outer) {
        return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
               inner.Bottom <= outer.Bottom;
    }
};

using TvAngleLabelPaint = AngleFixture;

TEST_F(TvAngleLabelPaint, TheCaptionTurnsInASquareOfItsWidthPlus16) {
    const TSize e = Extent();
    const int side = e.cx + 16;
    const int c = side / 2;
    // The heavy "WW" leads: it lies on the side the text starts from.
    struct Case {
        TvAngle angle;
        TRect cell;     // the text's cell, centred in the square
        bool along;     // the text runs across (true) or up and down the square
        bool leadFirst; // the lead lies left (across) or at the top (up and down)
    };
    const TRect flat(c - e.cx / 2, c - e.cy / 2, c + e.cx - e.cx / 2, c + e.cy - e.cy / 2);
    const TRect upright(c - e.cy / 2, c - e.cx / 2, c + e.cy - e.cy / 2, c + e.cx - e.cx / 2);
    for (const Case& k : {Case{0, flat, true, true}, Case{90, upright, false, false},
                          Case{180, flat, true, false}, Case{270, upright, false, true}}) {
        label->SetAngle(k.angle);
        EXPECT_EQ(label->Width(), side) << k.angle;
        EXPECT_EQ(label->Height(), side) << k.angle;
        const Ink ink = InkOf(clRed);
        ASSERT_GT(ink.count, 0) << k.angle;
        // One pixel of slack for the rounding of the turned cell.
        const TRect cell(k.cell.Left - 1, k.cell.Top - 1, k.cell.Right + 1, k.cell.Bottom + 1);
        EXPECT_TRUE(Inside(ink.box, cell)) << k.angle << ": ink " << ink.box.Left << "," << ink.box.Top << ","
                                           << ink.box.Right << "," << ink.box.Bottom << " cell " << cell.Left
                                           << "," << cell.Top << "," << cell.Right << "," << cell.Bottom;
        const int length = k.along ? ink.box.Width() : ink.box.Height();
        EXPECT_GT(length, e.cx - 6) << k.angle << ": the text's length lies "
                                    << (k.along ? "across" : "upright");
        const int first = k.along ? ink.left : ink.top, second = k.along ? ink.right : ink.bottom;
        if (k.leadFirst)
            EXPECT_GT(first, 2 * second) << k.angle;
        else
            EXPECT_GT(second, 2 * first) << k.angle;
    }
}

TEST_F(TvAngleLabelPaint, NotTransparentFillsTheTurnedBoxOfTheText) {
    const TSize e = Extent();
    label->SetTransparent(false);
    label->SetColor(clYellow);
    label->SetAngle(90);
    // The box grows by 7 along and 5 across the text; at 90 degrees it stands upright in the
    // middle: half extents t((cx+7)/2) up and down, t((cy+5)/2) left and right.
    const int c = (e.cx + 16) / 2;
    const int along = (e.cx + 7) / 2, across = (e.cy + 5) / 2;
    const std::unique_ptr<TBitmap> shot = Snapshot(form.get());
    auto at = [&](int x, int y) { return PixelAt(shot.get(), label->Left() + x, label->Top() + y); };
    const COLORREF yellow = 0x00FFFF;
    for (const TPoint& p : {TPoint(c - across, c - along), TPoint(c + across - 1, c - along),
                            TPoint(c - across, c + along - 1), TPoint(c + across - 1, c + along - 1)})
        EXPECT_EQ(at(p.X, p.Y), yellow) << "corner " << p.X << "," << p.Y;
    for (const TPoint& p : {TPoint(c - across - 2, c), TPoint(c + across + 1, c), TPoint(c, c - along - 2),
                            TPoint(c, c + along + 1), TPoint(1, 1)})
        EXPECT_EQ(at(p.X, p.Y), 0xFFFFFFu) << "outside " << p.X << "," << p.Y;
    // Turned by 45 degrees the corners of the square stay clear and the middle is filled.
    label->SetAngle(45);
    const std::unique_ptr<TBitmap> turned = Snapshot(form.get());
    const int side = label->Width();
    EXPECT_EQ(PixelAt(turned.get(), label->Left() + 2, label->Top() + 2), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(turned.get(), label->Left() + side - 3, label->Top() + side - 3), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(turned.get(), label->Left() + 2, label->Top() + side - 3), 0xFFFFFFu);
    int filled = 0;
    for (int d = -3; d <= 3; ++d)
        if (PixelAt(turned.get(), label->Left() + side / 2 + d, label->Top() + side / 2 + 8) == yellow)
            ++filled;
    EXPECT_GT(filled, 0);
}

TEST_F(TvAngleLabelPaint, ThreeDAndDropShadowCopiesSitBesideTheText) {
    const TRect text = InkOf(clRed).box;
    label->SetHighlightColor(clLime);
    label->SetShadowColor(clBlue);
    // The copies need Use3D.
    label->SetUseDropShadow(true);
    EXPECT_TRUE(InkOf(clBlue).count == 0);
    label->SetUse3D(true);
    label->SetDropShadowSize(3);
    TRect shadow = InkOf(clBlue).box;
    EXPECT_EQ(shadow.Right, text.Right + 3);
    EXPECT_EQ(shadow.Bottom, text.Bottom + 3);
    EXPECT_TRUE(InkOf(clLime).count == 0);
    // Raised: highlight up and left, shadow down and right; sunken the other way round.
    label->SetUseDropShadow(false);
    for (bool raised : {true, false}) {
        label->SetRaised(raised);
        const TRect light = InkOf(raised ? clLime : clBlue).box;
        const TRect dark = InkOf(raised ? clBlue : clLime).box;
        EXPECT_EQ(light.Left, text.Left - 1) << raised;
        EXPECT_EQ(light.Top, text.Top - 1) << raised;
        EXPECT_EQ(dark.Right, text.Right + 1) << raised;
        EXPECT_EQ(dark.Bottom, text.Bottom + 1) << raised;
    }
    // Turned, the shadow still falls right and down.
    label->SetUseDropShadow(true);
    label->SetAngle(90);
    const TRect upright = InkOf(clRed).box;
    shadow = InkOf(clBlue).box;
    EXPECT_EQ(shadow.Right, upright.Right + 3);
    EXPECT_EQ(shadow.Bottom, upright.Bottom + 3);
}

TEST_F(TvAngleLabelPaint, StaysSquareAndPaintsThenTellsOnPaint) {
    EXPECT_EQ(label->Angle(), 0);
    EXPECT_FALSE(label->Use3D());
    EXPECT_TRUE(label->Transparent());
    const int side = Extent().cx + 16;
    EXPECT_EQ(label->Width(), side);
    // A new caption, a new font or a new angle give the square back.
    label->SetBounds(label->Left(), label->Top(), 10, 12);
    label->SetAngle(30);
    EXPECT_EQ(label->Width(), side);
    EXPECT_EQ(label->Height(), side);
    label->SetCaption("W");
    EXPECT_EQ(label->Width(), Extent().cx + 16);
    EXPECT_EQ(label->Height(), label->Width());
    label->SetAngle(390);
    EXPECT_EQ(label->Angle(), 30);

    TEventLog log;
    label->SetName("Turned");
    label->OnPaint = TNotifyEvent::Bind<&TEventLog::Paint>(&log);
    InkOf(clRed);
    EXPECT_EQ(log.Events, "paint Turned");
    // Disabled it draws in the grey-text colour.
    label->SetEnabled(false);
    EXPECT_EQ(InkOf(clRed).count, 0);
    EXPECT_GT(InkOf(clGrayText).count, 0);
}

TEST_F(TvAngleLabelPaint, TheDesignerShowsADashedOutline) {
    EXPECT_EQ(InkOf(clBlack).count, 0);
    DesignComponent(label);
    const Ink frame = InkOf(clBlack);
    EXPECT_EQ(frame.box, TRect(0, 0, label->Width(), label->Height()));
    // Dashed: the top edge has gaps.
    const std::unique_ptr<TBitmap> shot = Snapshot(form.get());
    int gaps = 0;
    for (int x = 0; x < label->Width(); ++x)
        if (PixelAt(shot.get(), label->Left() + x, label->Top()) != 0) ++gaps;
    EXPECT_GT(gaps, 0);
}

TEST(TvMouseSpot, AnInvisibleSpotThatTellsThePointerComingAndGoing) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(0, 0, 200, 150);
    form->SetColor(clWhite);
    const std::unique_ptr<TBitmap> bare = Snapshot(form.get());
    auto* spot = new TvMouseSpot(form.get());
    spot->SetName("Spot");
    spot->SetParent(form.get());
    spot->SetLeft(50);
    spot->SetTop(40);
    EXPECT_EQ(spot->Width(), 20);
    EXPECT_EQ(spot->Height(), 20);
    EXPECT_EQ(spot->Caption(), "");
    EXPECT_TRUE(spot->Transparent());
    EXPECT_FALSE(spot->AutoSize());
    spot->SetCaption("Text is never drawn");
    EXPECT_EQ(spot->Width(), 20);

    TEventLog log;
    spot->OnParentPaint = TNotifyEvent::Bind<&TEventLog::Paint>(&log);
    spot->OnMouseEnter = TNotifyEvent::Bind<&TEventLog::Enter>(&log);
    spot->OnMouseLeave = TNotifyEvent::Bind<&TEventLog::Leave>(&log);
    const std::unique_ptr<TBitmap> shot = Snapshot(form.get());
    EXPECT_EQ(log.Events, "paint Spot");
    for (int y = 0; y < 150; y += 1)
        for (int x = 0; x < 200; x += 1)
            ASSERT_EQ(PixelAt(shot.get(), x, y), PixelAt(bare.get(), x, y)) << x << "," << y;

    // The pointer comes onto the spot and goes off it again.
    log.Events.clear();
    spot->Perform(CM_MOUSEENTER, 0, 0);
    spot->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(log.Events, "enter Spot, leave Spot");

    // In the designer a dashed outline marks it.
    DesignComponent(spot);
    const std::unique_ptr<TBitmap> designed = Snapshot(form.get());
    EXPECT_EQ(PixelAt(designed.get(), 50, 40), 0u);
    EXPECT_EQ(PixelAt(designed.get(), 50, 59), 0u);
    EXPECT_EQ(PixelAt(designed.get(), 49, 40), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(designed.get(), 70, 50), 0xFFFFFFu);
}

// Writes the component and reads it back as a new one of its class.
std::unique_ptr<TComponent> RoundTrip(TComponent& c, std::string* written = nullptr) {
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&c);
    if (written) *written = stream.DataString();
    stream.SetPosition(0);
    return std::unique_ptr<TComponent>(TReader(&stream).ReadRootComponent(nullptr));
}

TEST(MystdLabelsStream, TurnedLabelsAndSpotsStreamTheirSettings) {
    TvAngleLabel label(nullptr);
    label.SetCaption("Turned");
    label.SetAngle(135);
    label.SetUse3D(true);
    label.SetUseDropShadow(true);
    label.SetDropShadowSize(4);
    label.SetShadowColor(clNavy);
    label.SetTransparent(false);
    std::unique_ptr<TComponent> read = RoundTrip(label);
    auto* back = dynamic_cast<TvAngleLabel*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Angle(), 135);
    EXPECT_TRUE(back->Use3D());
    EXPECT_TRUE(back->UseDropShadow());
    EXPECT_EQ(back->DropShadowSize(), 4);
    EXPECT_EQ(back->ShadowColor(), clNavy);
    EXPECT_FALSE(back->Transparent());
    EXPECT_TRUE(back->Raised());

    TvMouseSpot spot(nullptr);
    spot.SetBounds(0, 0, 30, 20);
    std::unique_ptr<TComponent> spotRead = RoundTrip(spot);
    auto* spotBack = dynamic_cast<TvMouseSpot*>(spotRead.get());
    ASSERT_NE(spotBack, nullptr);
    EXPECT_EQ(spotBack->Width(), 30);
    EXPECT_EQ(spotBack->Height(), 20);
    // The defaults are not written.
    TvAngleLabel plain(nullptr);
    std::string written;
    RoundTrip(plain, &written);
    for (const char* name : {"DropShadowSize", "Raised", "Use3D", "Transparent", "ShadowColor"})
        EXPECT_EQ(written.find(name), std::string::npos) << name;
    // The class name holds "Angle"; the property's name stands alone.
    EXPECT_EQ(written.find("Angle", 16), std::string::npos);
}

TEST(MystdLabelsStream, TheOtherLabelsAndTheHintSettingsStreamToo) {
    Tv3DLabel label(nullptr);
    label.SetWordWrap(true);
    label.SetRaised(false);
    label.SetUse3D(false);
    std::unique_ptr<TComponent> read = RoundTrip(label);
    auto* back = dynamic_cast<Tv3DLabel*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->WordWrap());
    EXPECT_FALSE(back->Raised());
    EXPECT_FALSE(back->Use3D());

    // A link's Use3D is off by default and its address always written.
    TvcURLLabel link(nullptr);
    link.URL = "http://www.example.com/";
    std::string written;
    read = RoundTrip(link, &written);
    auto* linkBack = dynamic_cast<TvcURLLabel*>(read.get());
    ASSERT_NE(linkBack, nullptr);
    EXPECT_EQ(linkBack->URL, link.URL);
    EXPECT_EQ(written.find("Use3D"), std::string::npos);
    EXPECT_EQ(written.find("Cursor"), std::string::npos);
    TvcURLLabel noAddress(nullptr);
    RoundTrip(noAddress, &written);
    EXPECT_NE(written.find("URL"), std::string::npos);

    TvHint hint(nullptr);
    hint.SetMoveBeforeOff(9);
    hint.SetHintPosition(hpRightUnder);
    hint.Font()->SetHeight(-20);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&hint);
    ResetHintSettings();
    stream.SetPosition(0);
    std::unique_ptr<TComponent> hintRead(TReader(&stream).ReadRootComponent(nullptr));
    ASSERT_NE(dynamic_cast<TvHint*>(hintRead.get()), nullptr);
    EXPECT_EQ(HintSettings().MoveBeforeOff, 9);
    EXPECT_EQ(HintSettings().HintPosition, hpRightUnder);
    EXPECT_EQ(HintSettings().Font->Height(), -20);
    ResetHintSettings();
    HintWindowClass = MakeHintWindow<THintWindow>;
}

} // namespace
