#include "visual_controls/Luxlabel.h"

#include "platform/gdi/Draw.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxcont.h"
#include "visual_controls/Luxtextdraw.h"
#include "visual_controls/tests/support/LetterPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct LuxlabelTest : ::testing::Test {
    std::unique_ptr<TForm> form;
    static void SetUpTestSuite() { Application->Initialize(); }
    void SetUp() override {
        InitLuxclass();
        InitLuxcont();
        form.reset(new TForm(nullptr));
        form->SetColor(clYellow);
        form->SetClientSize(200, 120);
    }
    void TearDown() override {
        form.reset();
        DoneLuxcont();
        DoneLuxclass();
    }
    TLuxTimerPool* Pool() const { return LuxApplication->TimerPool(); }

    TLuxLabel* NewLabel(const std::string& Caption, int Left = 10, int Top = 10) {
        auto* label = new TLuxLabel(form.get());
        label->SetBounds(Left, Top, 30, 30);
        label->SetParent(form.get());
        label->SetCaption(Caption);
        return label;
    }

    // The form painted (at its own origin: clip regions are in device coordinates), cut to Area.
    std::unique_ptr<TBitmap> Shot(const TRect& Area) {
        TBitmap whole;
        whole.SetSize(form->ClientWidth(), form->ClientHeight());
        form->PaintTo(whole.Canvas()->Handle(), 0, 0);
        auto b = std::make_unique<TBitmap>();
        b->SetSize(Area.Width(), Area.Height());
        BitBlt(b->Canvas()->Handle(), 0, 0, Area.Width(), Area.Height(), whole.Canvas()->Handle(), Area.Left,
               Area.Top, SRCCOPY);
        return b;
    }
    std::unique_ptr<TBitmap> Shot(TControl* Control) { return Shot(Control->BoundsRect()); }
};

// How many pixels of the colour the bitmap shows.
int Count(TBitmap& b, TColor Color) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (ColorToRGB(b.Canvas()->Pixels(x, y)) == ColorToRGB(Color)) ++n;
    return n;
}

// The bounding box of the pixels of the colour; empty when there are none.
TRect Box(TBitmap& b, TColor Color) {
    TRect r(b.Width(), b.Height(), 0, 0);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (ColorToRGB(b.Canvas()->Pixels(x, y)) == ColorToRGB(Color)) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Left < r.Right ? r : TRect();
}

// The extent of Text in Font, as DrawText measures a single line.
TSize Extent(TFont* Font, const std::string& Text) {
    TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->SetFont(Font);
    return b.Canvas()->TextExtent(Text);
}

} // namespace

// --- Twinkling ------------------------------------------------------------------------------------

TEST_F(LuxlabelTest, TwinkleFlipsThePhaseOnThePoolsTicksAndTakesEachPhasesLength) {
    auto* label = new TLuxBaseLabel(form.get());
    label->SetTwinkleInVisible(300);
    label->SetTwinkle(true);
    ASSERT_TRUE(label->Twinkle());
    const WORD ident = label->TwinkleTimer();
    ASSERT_GE(ident, 0xFD01);
    ASSERT_LE(ident, 0xFDFA);
    TLuxTimerItem* item = LuxApplication->GetTimer(ident);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->Enabled());
    EXPECT_EQ(item->Interval(), 700);

    // 700 ms on a 50 ms pool: the fourteenth tick ends the visible phase.
    for (int tick = 1; tick < 14; ++tick) Pool()->HandleTimers();
    EXPECT_TRUE(label->TwinklePhaseVisible());
    Pool()->HandleTimers();
    EXPECT_FALSE(label->TwinklePhaseVisible());
    EXPECT_EQ(item->Interval(), 300) << "the invisible phase lasts TwinkleInVisible";

    // A new TwinkleVisible is taken at the next change of phase.
    label->SetTwinkleVisible(1000);
    item->Timer();
    EXPECT_TRUE(label->TwinklePhaseVisible());
    EXPECT_EQ(item->Interval(), 1000);

    item->Timer();
    ASSERT_FALSE(label->TwinklePhaseVisible());
    label->SetTwinkle(false);
    EXPECT_TRUE(label->TwinklePhaseVisible()) << "switched off in the invisible phase";
    EXPECT_EQ(label->TwinkleTimer(), TLuxBaseLabel::TwinkleNoTimer);
    EXPECT_EQ(LuxApplication->GetTimer(ident), nullptr);
    EXPECT_EQ(Pool()->GetCount(), 0);
}

TEST_F(LuxlabelTest, AnIntervalThePoolRefusesRaisesItsExceptionAndLeavesTwinkleOff) {
    auto* label = new TLuxBaseLabel(form.get());
    label->SetTwinkleVisible(725);
    try {
        label->SetTwinkle(true);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Interval not compatible with MinInterval property!");
    }
    EXPECT_FALSE(label->Twinkle());
    EXPECT_EQ(label->TwinkleTimer(), TLuxBaseLabel::TwinkleNoTimer);
    EXPECT_EQ(Pool()->GetCount(), 0);

    // A good interval afterwards twinkles.
    label->SetTwinkleVisible(750);
    label->SetTwinkle(true);
    EXPECT_TRUE(label->Twinkle());
    EXPECT_EQ(LuxApplication->GetTimer(label->TwinkleTimer())->Interval(), 750);
}

TEST_F(LuxlabelTest, WithoutAFreeTimerSlotTwinkleStaysOff) {
    std::vector<WORD> idents;
    for (int i = 0; i < 250; ++i) idents.push_back(LuxApplication->AddTimerExt(50, -1, false, nullptr));
    auto* label = new TLuxBaseLabel(form.get());
    label->SetTwinkle(true);
    EXPECT_FALSE(label->Twinkle());
    EXPECT_EQ(label->TwinkleTimer(), TLuxBaseLabel::TwinkleNoTimer);

    // Once a slot is free again the label gets it.
    LuxApplication->RemoveTimer(idents[3]);
    label->SetTwinkle(true);
    EXPECT_TRUE(label->Twinkle());
    EXPECT_EQ(label->TwinkleTimer(), idents[3]);
    for (WORD ident : idents) LuxApplication->RemoveTimer(ident);
}

TEST_F(LuxlabelTest, AFreedLabelGivesItsTimerBack) {
    auto* label = new TLuxBaseLabel(form.get());
    label->SetTwinkle(true);
    const WORD ident = label->TwinkleTimer();
    ASSERT_NE(LuxApplication->GetTimer(ident), nullptr);
    delete label;
    EXPECT_EQ(LuxApplication->GetTimer(ident), nullptr);
    EXPECT_EQ(LuxApplication->GetTimerIdent(), ident - 0xFD00) << "its slot is free again";
    EXPECT_FALSE(Pool()->Active());
}

// --- Settings, options and the focus control ------------------------------------------------------

TEST_F(LuxlabelTest, OptionsGiveTheirDrawTextFlags) {
    TLuxBaseLabel label(nullptr);
    EXPECT_EQ(label.GetOptionsFlag(), 0u);
    label.SetOptions({loPathEllipsis});
    EXPECT_EQ(label.GetOptionsFlag(), 0x4000u);
    label.SetOptions({loPathEllipsis, loEndEllipsis, loEditControl});
    EXPECT_EQ(label.GetOptionsFlag(), 0xE000u);
}

TEST_F(LuxlabelTest, AltWithTheCaptionsAcceleratorFocusesTheFocusControl) {
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetTop(40);
    auto* label = new TLuxBaseLabel(form.get());
    label->SetParent(form.get());
    label->SetCaption("&Print");
    label->SetFocusControl(edit);
    form->Show();
    other->SetFocus();
    ASSERT_TRUE(form->ActiveControl() == other);

    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'q', 0), 0) << "not the accelerator";
    EXPECT_TRUE(form->ActiveControl() == other);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'p', 0), 1);
    EXPECT_TRUE(form->ActiveControl() == edit);

    other->SetFocus();
    label->SetShowAccelChar(false);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'p', 0), 0) << "the ampersand is shown, no key handled";
    EXPECT_TRUE(form->ActiveControl() == other);

    label->SetShowAccelChar(true);
    label->SetEnabled(false);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'p', 0), 0) << "a disabled label";
    label->SetEnabled(true);

    // A freed focus control is forgotten.
    delete edit;
    EXPECT_EQ(label->FocusControl(), nullptr);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'p', 0), 0);
}

// --- Automatic size -------------------------------------------------------------------------------

TEST_F(LuxlabelTest, AutoSizeTakesTheCaptionsExtentWithTheBevelAndAMargin) {
    struct TCase {
        const char* What;
        std::string Caption;
        int BorderWidth, BorderInnerWidth;
        std::string Measured; // what the extent is taken of
        int Margin;           // added each way: (bevel extent + 1) * 2
    };
    const TCase cases[] = {
        {"empty caption, no bevel: a blank", "", 0, 0, " ", 2},
        {"an ampersand alone is a blank too", "&", 0, 0, " ", 2},
        {"no bevel", "Hello", 0, 0, "Hello", 2},
        {"bevel extent 6", "Hello", 3, 3, "Hello", 14},
        {"the accelerator's ampersand takes no room", "&Hello", 3, 3, "Hello", 14},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TLuxLabel* label = NewLabel(c.Caption, 20, 15);
        label->Bevel()->SetBorderWidth(c.BorderWidth);
        label->Bevel()->SetBorderSpace(c.BorderInnerWidth);
        const TSize text = Extent(label->Font(), c.Measured);
        EXPECT_EQ(label->Width(), text.cx + c.Margin);
        EXPECT_EQ(label->Height(), text.cy + c.Margin);
        EXPECT_EQ(label->Left(), 20) << "the label keeps its place";
        EXPECT_EQ(label->Top(), 15);
        delete label;
    }
}

TEST_F(LuxlabelTest, AutoSizeFollowsCaptionFontAndSwitch) {
    TLuxLabel* label = NewLabel("Hi");
    EXPECT_EQ(label->Width(), Extent(label->Font(), "Hi").cx + 2);
    label->SetCaption("Hello there");
    EXPECT_EQ(label->Width(), Extent(label->Font(), "Hello there").cx + 2);
    label->Font()->SetHeight(-20);
    EXPECT_EQ(label->Height(), Extent(label->Font(), "Hello there").cy + 2);

    label->SetAutoSize(false);
    label->SetBounds(10, 10, 40, 12);
    label->SetCaption("A much longer caption");
    EXPECT_EQ(label->Width(), 40) << "without AutoSize the size stays";
    label->SetAutoSize(true);
    EXPECT_EQ(label->Width(), Extent(label->Font(), "A much longer caption").cx + 2);
}

TEST_F(LuxlabelTest, MultiLineAutoSizeWrapsInsideThePresentWidthAndNeverCreeps) {
    TLuxLabel* label = NewLabel("");
    label->Bevel()->SetBorderWidth(3);
    label->Bevel()->SetBorderSpace(3);
    label->SetAutoSize(false);
    label->SetMultiLine(true);
    label->SetWidth(120);
    label->SetCaption("Waiting for message queue to drain");
    label->SetAutoSize(true);
    const int width = label->Width();
    const int height = label->Height();
    EXPECT_LE(width, 120);
    EXPECT_GT(height, 2 * Extent(label->Font(), "W").cy) << "the caption wraps";
    for (int i = 0; i < 5; ++i) {
        label->CorrectBounds();
        EXPECT_EQ(label->Width(), width) << "measure " << i;
        EXPECT_EQ(label->Height(), height) << "measure " << i;
    }
    // Changes that measure again keep the width too.
    label->Bevel()->SetColor(0, clRed);
    label->SetAlignment(agCenter);
    label->SetOptions({loEndEllipsis});
    EXPECT_EQ(label->Width(), width);
}

TEST_F(LuxlabelTest, NothingIsMeasuredWhileTheFormIsLoading) {
    TLuxLabel* label = NewLabel("");
    const int blank = label->Width();
    form->BeginLoading();
    label->SetCaption("Hello");
    label->Bevel()->SetBorderWidth(3);
    EXPECT_EQ(label->Width(), blank);
    form->EndLoading();
    EXPECT_EQ(label->Width(), Extent(label->Font(), "Hello").cx + 8) << "measured once loaded";
}

// --- Rotation needs a TrueType font ---------------------------------------------------------------

TEST_F(LuxlabelTest, RotationSwitchesToArialAndAFontThatCannotRotateStopsIt) {
    TLuxLabel* label = NewLabel("Upright");
    label->Font()->SetName("MS Sans Serif");
    ASSERT_FALSE(LuxIsTrueTypeFont(label->Font()));
    label->FontFX()->SetAngle(90);
    EXPECT_EQ(label->Font()->Name(), "Arial");
    EXPECT_EQ(label->FontFX()->Angle(), 90);
    EXPECT_FALSE(label->ParentFont());
    const TSize upright = Extent(label->Font(), "Upright");
    EXPECT_NEAR(label->Height(), upright.cx + 2, 1) << "measured turned";
    EXPECT_NEAR(label->Width(), upright.cy + 2, 1);

    label->Font()->SetName("MS Sans Serif");
    EXPECT_EQ(label->FontFX()->Angle(), 0);
    EXPECT_EQ(label->Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(label->Width(), Extent(label->Font(), "Upright").cx + 2) << "measured upright again";

    // A TrueType font rotates as it is.
    label->Font()->SetName("Arial");
    label->FontFX()->SetAngle(45);
    EXPECT_EQ(label->Font()->Name(), "Arial");
    EXPECT_EQ(label->FontFX()->Angle(), 45);
}

// --- Painting -------------------------------------------------------------------------------------

TEST_F(LuxlabelTest, TwinklingHidesTheTextButNotTheBevelAndShowsItAgainWhenSwitchedOff) {
    TLuxLabel* label = NewLabel("Blink");
    label->Font()->SetColor(clRed);
    label->Bevel()->SetBevelStyleInner(bvLowered);
    label->Bevel()->SetWidthInner(2);
    label->SetTwinkle(true);
    TLuxTimerItem* item = LuxApplication->GetTimer(label->TwinkleTimer());
    ASSERT_NE(item, nullptr);

    auto visible = Shot(label);
    EXPECT_GT(Count(*visible, clRed), 0);
    EXPECT_GT(Count(*visible, clBtnShadow), 0);

    item->Timer();
    auto hidden = Shot(label);
    EXPECT_EQ(Count(*hidden, clRed), 0) << "no TwinkleColor: no text";
    EXPECT_EQ(Count(*hidden, clBtnShadow), Count(*visible, clBtnShadow)) << "the bevel stays";

    label->SetTwinkleColor(clBlue);
    auto coloured = Shot(label);
    EXPECT_EQ(Count(*coloured, clBlue), Count(*visible, clRed)) << "the text in TwinkleColor";

    label->SetTwinkle(false);
    auto shown = Shot(label);
    EXPECT_EQ(Count(*shown, clRed), Count(*visible, clRed));
}

TEST_F(LuxlabelTest, BorderRingsArePaintedOnlyOnAnOpaqueLabel) {
    TLuxLabel* label = NewLabel("");
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 8, 6);
    label->SetColor(clBlue);
    label->Bevel()->SetBorderWidth(2);
    label->Bevel()->SetColor(0, clRed);
    EXPECT_EQ(Picture(*Shot(label)),
              Rows({"........", "........", "........", "........", "........", "........"}))
        << "transparent: the rings leave the form showing";

    label->SetTransparent(false);
    EXPECT_EQ(Picture(*Shot(label)),
              Rows({"RRRRRRRR", "RRRRRRRR", "RRBBBBRR", "RRBBBBRR", "RRRRRRRR", "RRRRRRRR"}));

    // A border in the label's own colour is left to the fill.
    label->Bevel()->SetColor(0, clBlue);
    EXPECT_EQ(Picture(*Shot(label)),
              Rows({"BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB"}));
}

TEST_F(LuxlabelTest, AMultiLineBlockIsPlacedByItsAlignment) {
    TLuxLabel* label = NewLabel("");
    label->SetAutoSize(false);
    label->SetMultiLine(true);
    label->SetBounds(10, 10, 120, 90);
    label->Font()->SetColor(clRed);
    label->SetCaption("one two three four five");
    const int line = Extent(label->Font(), "W").cy;

    auto topLeft = Shot(label);
    const TRect tl = Box(*topLeft, clRed);
    ASSERT_GT(tl.Width(), 0);
    EXPECT_GT(tl.Height(), line) << "more than one line";
    EXPECT_LT(tl.Left, 3);
    EXPECT_LT(tl.Top, line);

    label->SetAlignment(agBottomRight);
    auto bottomRight = Shot(label);
    const TRect br = Box(*bottomRight, clRed);
    EXPECT_EQ(br.Height(), tl.Height()) << "the same lines";
    EXPECT_GT(br.Right, 120 - 4);
    EXPECT_GT(br.Bottom, 90 - line / 2) << "the block's last line at the bottom";
    EXPECT_GT(br.Top, 90 - tl.Height() - line);

    label->SetAlignment(agCenter);
    const TRect c = Box(*Shot(label), clRed);
    EXPECT_NEAR(c.Top + c.Height() / 2, 45, line / 2 + 1) << "centred as a block";
}

TEST_F(LuxlabelTest, ASingleLineLabelWithoutAutoSizeDrawsOneLine) {
    TLuxLabel* label = NewLabel("");
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 40, 60);
    label->Font()->SetColor(clRed);
    label->SetCaption("one two three four five");
    const TRect r = Box(*Shot(label), clRed);
    EXPECT_LE(r.Height(), Extent(label->Font(), "W").cy);
}

// --- Streaming ------------------------------------------------------------------------------------

TEST_F(LuxlabelTest, PublishedPropertiesGoThroughTheFiler) {
    auto* label = new TLuxLabel(form.get());
    label->SetName("Address");
    label->SetBounds(7, 8, 50, 20);
    label->SetAutoSize(false);
    label->SetCaption("10.0.0.1");
    label->SetAlignment(agCenter);
    label->SetMultiLine(true);
    label->SetOptions({loEndEllipsis});
    label->SetTwinkleVisible(500);
    label->SetTwinkleColor(clRed);
    label->SetShowAccelChar(false);
    label->SetTransparent(false);
    label->SetHint("IP Address");
    label->Font()->SetColor(clLime);
    label->Font()->SetStyle({fsBold});
    label->Bevel()->SetBevelStyleInner(bvLowered);
    label->Bevel()->SetWidthInner(2);
    label->Bevel()->SetWidthOuter(0);
    label->FontFX()->SetTracing(2);

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(label);
    stream.SetPosition(0);
    std::unique_ptr<TLuxLabel> copy(new TLuxLabel(nullptr));
    TReader(&stream).ReadRootComponent(copy.get());

    EXPECT_EQ(copy->Name(), "Address");
    EXPECT_EQ(copy->BoundsRect(), label->BoundsRect());
    EXPECT_FALSE(copy->AutoSize());
    EXPECT_EQ(copy->Caption(), "10.0.0.1");
    EXPECT_EQ(copy->Alignment(), agCenter);
    EXPECT_TRUE(copy->MultiLine());
    EXPECT_EQ(copy->Options(), TLuxLabelOptions{loEndEllipsis});
    EXPECT_EQ(copy->TwinkleVisible(), 500);
    EXPECT_EQ(copy->TwinkleColor(), clRed);
    EXPECT_FALSE(copy->ShowAccelChar());
    EXPECT_FALSE(copy->Transparent());
    EXPECT_EQ(copy->Hint(), "IP Address");
    EXPECT_EQ(copy->Font()->Color(), clLime);
    EXPECT_EQ(copy->Font()->Style(), TFontStyles{fsBold});
    EXPECT_FALSE(copy->ParentFont());
    EXPECT_EQ(copy->Bevel()->StyleInner(), bvLowered);
    EXPECT_EQ(copy->Bevel()->WidthInner(), 2);
    EXPECT_EQ(copy->Bevel()->WidthOuter(), 0);
    EXPECT_EQ(copy->Bevel()->Extent(), 2);
    EXPECT_EQ(copy->FontFX()->Tracing(), 2);
}

// --- The glyph label ------------------------------------------------------------------------------

namespace {

// A red picture whose bottom-left pixel, the transparent colour, is yellow.
std::unique_ptr<TBitmap> RedGlyph(int Width, int Height) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(Width, Height);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(TRect(0, 0, Width, Height));
    b->Canvas()->SetPixels(0, Height - 1, clYellow);
    return b;
}

} // namespace

TEST_F(LuxlabelTest, AGlyphLabelSizesAndPaintsItsTextBesideTheGlyph) {
    auto* list = new TLuxBitmapList(form.get());
    list->Add(nullptr);
    list->Items(0)->SetBitmap(RedGlyph(8, 24).get());
    auto* label = new TLuxGlyphLabel(form.get());
    label->SetBounds(10, 10, 30, 30);
    label->SetParent(form.get());
    label->Font()->SetColor(clBlue);
    label->SetCaption("Hi");
    const TSize text = Extent(label->Font(), "Hi");
    EXPECT_EQ(label->Width(), text.cx + 2 + 2) << "the spacing is kept without a glyph";
    label->SetImageList(list);
    EXPECT_EQ(label->Width(), text.cx + 2 + 8 + 2) << "text, margin, glyph and spacing side by side";
    EXPECT_EQ(label->Height(), std::max(text.cy + 2, 24));

    auto shot = Shot(label);
    const TRect glyph = Box(*shot, clRed), letters = Box(*shot, clBlue);
    ASSERT_GT(glyph.Width(), 0);
    ASSERT_GT(letters.Width(), 0);
    EXPECT_EQ(glyph.Left, 0);
    EXPECT_LE(glyph.Right, letters.Left) << "the text to the right of the glyph";

    // Stacked: the text above the glyph.
    label->Alignment()->SetAlignText2Glyph(taTop);
    EXPECT_EQ(label->Height(), text.cy + 2 + 24 + 2);
    auto stacked = Shot(label);
    EXPECT_LE(Box(*stacked, clBlue).Bottom, Box(*stacked, clRed).Top);

    // A freed list leaves the label without a glyph.
    delete list;
    EXPECT_EQ(label->ImageList(), nullptr);
    EXPECT_EQ(Count(*Shot(label), clRed), 0);
}

TEST_F(LuxlabelTest, AMultiLineGlyphLabelWrapsInsideItsWidthAndNeverCreeps) {
    // On the left of its window with a bevel of extent 6, as the front panel's message label.
    auto* label = new TLuxGlyphLabel(form.get());
    label->SetAutoSize(false);
    label->SetAlign(alLeft);
    label->SetWidth(169);
    label->SetParent(form.get());
    label->SetMultiLine(true);
    label->Bevel()->SetBorderWidth(3);
    label->Bevel()->SetBorderSpace(3);
    label->SetCaption("A message from the switcher that runs over several lines of the window");
    label->SetAutoSize(true);
    for (const char* caption : {"A message from the switcher that runs over several lines of the window",
                                "Waiting for message queue to drain", "ERROR: !ERR_SYNTAX unknown command"}) {
        SCOPED_TRACE(caption);
        label->SetCaption(caption);
        EXPECT_LE(label->Width(), 169);
        EXPECT_EQ(label->Height(), form->ClientHeight()) << "aligned to the left edge";
        const int width = label->Width();
        for (int i = 0; i < 3; ++i) {
            label->CorrectBounds();
            EXPECT_EQ(label->Width(), width) << "measure " << i;
        }
    }
    // A word wider than the label widens it to that word, once.
    label->SetCaption("Unbreakable_word_wider_than_the_label_as_it_stands_now");
    const int width = label->Width();
    EXPECT_GT(width, Extent(label->Font(), "Unbreakable_word_wider_than_the_label_as_it_stands_now").cx);
    label->CorrectBounds();
    EXPECT_EQ(label->Width(), width);
}

TEST_F(LuxlabelTest, AGlyphLabelOnTheGlobalContainersListStreamsAsTheInternalIdent) {
    LuxContainer->BitmapList()->Add(nullptr);
    LuxContainer->BitmapList()->Items(0)->SetBitmap(RedGlyph(4, 4).get());
    auto* label = new TLuxGlyphLabel(form.get());
    label->SetName("Message");
    label->SetCaption("Hello");
    label->SetMultiLine(true);
    label->SetImageList(LuxContainer->BitmapList());
    label->Alignment()->SetSpacing(5);
    label->Font3D()->SetStyle(tdRaised);
    label->Bevel()->SetBorderWidth(3);

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(label);
    const std::string bytes = stream.DataString();
    EXPECT_NE(bytes.find("Internal"), std::string::npos);
    EXPECT_NE(bytes.find("LUXBML30"), std::string::npos);
    EXPECT_EQ(bytes.find("ImageList"), std::string::npos) << "a global list is not a reference";

    TMemoryStream in(bytes);
    std::unique_ptr<TLuxGlyphLabel> copy(new TLuxGlyphLabel(nullptr));
    TReader(&in).ReadRootComponent(copy.get());
    EXPECT_EQ(copy->ImageList(), LuxContainer->BitmapList());
    EXPECT_EQ(copy->Caption(), "Hello");
    EXPECT_TRUE(copy->MultiLine());
    EXPECT_EQ(copy->Alignment()->Spacing(), 5);
    EXPECT_EQ(copy->Font3D()->Style(), tdRaised);
    EXPECT_EQ(copy->Bevel()->BorderWidth(), 3);
    EXPECT_EQ(copy->Width(), label->Width());
}
