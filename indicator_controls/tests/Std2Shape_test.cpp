// The windowed shaped buttons: their window region follows shape and size without being touched
// while painting, hits only inside it, the look up and pressed, the push-button scripts (drag out
// and back, releases outside the client rectangle and inside it outside the outline, space, Enter,
// Escape, default across focus changes, the accelerator), the variants' faces, and streaming.
#include "indicator_controls/Std2Shape.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WindowShape.h"
#include "support/LedTest.h"
#include "support/PushButtonScript.h"
#include "support/StreamTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

std::string Rects(HRGN rgn) {
    std::string s;
    for (const RECT& r : RegionValue::CopyOf(rgn).Rects())
        s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
             "," + std::to_string(r.bottom) + ")";
    return s;
}

std::string WindowRects(TWinControl* c) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const std::string s = GetWindowRgn(c->Handle(), rgn) == ERROR ? "none" : Rects(rgn);
    DeleteObject(rgn);
    return s;
}

struct TShapeForm : ::testing::Test {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    TEventLog Log;

    template <class T> T* Add(int left, int top, int width, int height, const std::string& name) {
        auto* b = new T(Form.get());
        b->SetName(name);
        b->SetBounds(left, top, width, height);
        b->SetParent(Form.get());
        b->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&Log);
        return b;
    }
    void Send(TWinControl* c, UINT msg, WPARAM w, int x, int y) {
        c->MainWndProc(msg, w, MakeMouseLParam(x, y));
    }
    void SetUp() override { Form->SetBounds(0, 0, 300, 200); }
    void Show() {
        Form->Show();
        Pump();
    }
};

TEST_F(TShapeForm, WindowRegionFollowsShapeAndSizeNotPaint) {
    auto* b = Add<TvcShapeColorBtn>(10, 10, 90, 60, "b");
    Show();
    EXPECT_EQ(WindowRects(b), "(0,0,90,60)");
    b->SetShape(sbPlus);
    EXPECT_EQ(WindowRects(b), "(30,0,60,20)(0,20,90,40)(30,40,60,60)");
    b->SetBounds(10, 10, 91, 61);
    // The arms reach beyond the window, which clips them.
    EXPECT_EQ(WindowRects(b), "(31,0,62,21)(0,21,93,42)(31,42,62,63)");
    b->Repaint();
    Pump();
    EXPECT_EQ(WindowRects(b), "(31,0,62,21)(0,21,93,42)(31,42,62,63)");

    // An owner's region is copied: the owner keeps and may change its own.
    struct TOwner {
        RegionValue Mine = RegionValue::Rect(0, 0, 20, 10);
        void Get(TObject*, RegionValue& Region, int, int) { Region = Mine; }
    } owner;
    b->SetShape(sbOwnerDraw);
    EXPECT_EQ(WindowRects(b), "(0,0,91,61)");
    b->SetOnGetRegion(TsbGetRegEvent::Bind<&TOwner::Get>(&owner));
    EXPECT_EQ(WindowRects(b), "(0,0,20,10)");
    owner.Mine = RegionValue::Rect(0, 0, 5, 5);
    EXPECT_EQ(WindowRects(b), "(0,0,20,10)");
    EXPECT_TRUE(b->ShownRegion().Contains(19, 9));
}

TEST_F(TShapeForm, HitsOnlyInsideItsOutline) {
    auto* b = Add<TvcShapeColorBtn>(10, 10, 90, 60, "b");
    b->SetShape(sbUpTriangle);
    Show();
    EXPECT_EQ(b->Perform(CM_HITTEST, 0, MakeMouseLParam(45, 50)), 1);
    EXPECT_EQ(b->Perform(CM_HITTEST, 0, MakeMouseLParam(3, 3)), 0);
    EXPECT_TRUE(Form->ControlAtPos(TPoint(55, 60), false, true) == b);
    EXPECT_TRUE(Form->ControlAtPos(TPoint(13, 13), false, true) == nullptr);
}

TEST_F(TShapeForm, FreshButtonLooksAndPressedSwapsTheEdge) {
    auto* b = Add<TvcShapeColorBtn>(0, 0, 50, 50, "b");
    b->SetCaption("X");
    b->Font()->SetColor(0x0000FF);
    EXPECT_EQ(b->Width(), 50);
    EXPECT_EQ(b->Color(), clBtnFace);
    EXPECT_EQ(b->Shape(), sbRectangle);
    EXPECT_TRUE(b->TabStop());
    Show();
    auto captionBox = [](TBitmap* p) {
        TRect box(1000, 1000, -1, -1);
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 50; ++x)
                if (PixelAt(p, x, y) == 0x0000FF) {
                    box.Left = std::min(box.Left, x), box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x + 1), box.Bottom = std::max(box.Bottom, y + 1);
                }
        return box;
    };
    const auto up = Snapshot(b);
    EXPECT_EQ(PixelAt(up.get(), 0, 0), 0x808080u);
    EXPECT_EQ(PixelAt(up.get(), 1, 1), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(up.get(), 49, 49), 0x000000u);
    EXPECT_EQ(PixelAt(up.get(), 20, 3), 0xC0C0C0u);
    const TRect text = captionBox(up.get());
    // Centred in (7, 7)-(43, 43).
    EXPECT_LE(std::abs((text.Left + text.Right) - 50), 1);
    EXPECT_GE(text.Top, 7);
    EXPECT_LE(text.Bottom, 43);

    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
    ASSERT_TRUE(b->IsDown());
    const auto down = Snapshot(b);
    EXPECT_EQ(PixelAt(down.get(), 0, 0), 0x808080u);
    EXPECT_EQ(PixelAt(down.get(), 1, 1), 0x000000u);
    EXPECT_EQ(PixelAt(down.get(), 49, 49), 0xFFFFFFu);
    const TRect moved = captionBox(down.get());
    EXPECT_EQ(moved.Left, text.Left + 1);
    EXPECT_EQ(moved.Top, text.Top + 1);
    Send(b, WM_LBUTTONUP, 0, 20, 20);
}

TEST_F(TShapeForm, MouseScripts) {
    auto* b = Add<TvcShapeColorBtn>(10, 10, 90, 60, "b");
    b->SetShape(sbPlus);
    Show();
    // Down while it is the control under the pointer; a press anywhere takes it down.
    TMouseScript script({45, 30});
    script.OutOfRegion = TPoint(5, 55);
    script.PressAnywhere = true;
    RunMouseScript(b, Log, script);
}

TEST_F(TShapeForm, KeyScripts) {
    TKeyScript script(
        [this](const std::string& n, int l, int t) { return Add<TvcShapeColorBtn>(l, t, 60, 40, n); });
    script.Ready = [this] { Show(); };
    RunKeyScript(Form.get(), Log, script);
}

TEST_F(TShapeForm, TextRectangleAndOffsetsGivenWholeAreCopied) {
    auto* b = Add<TvcShapeBitColBtn>(0, 0, 50, 50, "b");
    {
        TvcTextSize text;
        text.SetLeft(1);
        text.SetTop(2);
        text.SetWidth(3);
        text.SetHeight(4);
        b->SetTextSize(&text);
        TvcBmpOffset offset;
        offset.SetLeft(9);
        offset.SetTop(8);
        b->SetOffsetGlyph(&offset);
    }
    EXPECT_EQ(b->TextSize()->Left(), 1);
    EXPECT_EQ(b->TextSize()->Height(), 4);
    EXPECT_EQ(b->OffsetGlyph()->Left(), 9);
    EXPECT_EQ(b->OffsetGlyph()->Top(), 8);
}

std::unique_ptr<TBitmap> TwoSlots() {
    auto strip = std::make_unique<TBitmap>();
    strip->SetPixelFormat(pf24bit);
    strip->SetSize(32, 16);
    strip->Canvas()->Brush()->SetColor(0x0000FF);
    strip->Canvas()->FillRect(Rect(0, 0, 16, 16));
    strip->Canvas()->Brush()->SetColor(0x00FF00);
    strip->Canvas()->FillRect(Rect(16, 0, 32, 16));
    return strip;
}

TEST_F(TShapeForm, GlyphButtonShowsItsSlots) {
    auto* b = Add<TvcShapeBitColBtn>(0, 0, 50, 50, "b");
    const auto strip = TwoSlots();
    b->SetNumGlyphs(2);
    b->SetGlyph(strip.get());
    Show();
    auto up = Snapshot(b);
    EXPECT_EQ(PixelAt(up.get(), 2, 2), 0x0000FFu);
    EXPECT_EQ(PixelAt(up.get(), 17, 17), 0x0000FFu);
    EXPECT_EQ(PixelAt(up.get(), 18, 18), 0xC0C0C0u) << "glyph is 16 x 16 at (2, 2)";
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
    auto down = Snapshot(b);
    EXPECT_EQ(PixelAt(down.get(), 2, 2), 0xC0C0C0u);
    EXPECT_EQ(PixelAt(down.get(), 3, 3), 0x0000FFu);
    EXPECT_EQ(PixelAt(down.get(), 18, 18), 0x0000FFu);
    Send(b, WM_LBUTTONUP, 0, 30, 30);
    b->SetEnabled(false);
    auto disabled = Snapshot(b);
    EXPECT_EQ(PixelAt(disabled.get(), 2, 2), 0x00FF00u);

    // The transparent colour shows the face; AutoBackColor takes the bottom-left pixel.
    b->SetEnabled(true);
    b->SetTransparentColor(0x0000FF);
    EXPECT_EQ(PixelAt(Snapshot(b).get(), 5, 5), 0xC0C0C0u);
    b->SetTransparentColor(0);
    b->SetAutoBackColor(true);
    EXPECT_EQ(b->TransparentColor(), 0x0000FF);
}

TEST_F(TShapeForm, GradientButtonFace) {
    auto* b = Add<TvcShapeGradBtn>(0, 0, 11, 9, "b");
    b->SetColor(0x0000FF);
    b->SetEndColor(0xFF0000);
    b->SetBands(3);
    Show();
    const auto face = Snapshot(b);
    // The band colours show inside the edge.
    EXPECT_EQ(PixelAt(face.get(), 3, 3), 0x5500AAu);
    EXPECT_EQ(PixelAt(face.get(), 3, 5), 0xAA0055u);
}

TEST_F(TShapeForm, IconButtonFillsItsIcons) {
    auto* b = Add<TvcShapeIconColBtn>(0, 0, 140, 140, "b");
    EXPECT_EQ(b->Width(), 140);
    EXPECT_EQ(b->TextSize()->Left(), 36);
    TIcon icon;
    icon.SetHandle(SolidIcon(8, 8, 0x00FF00));
    b->SetGlyphEnabled(&icon);
    EXPECT_FALSE(b->GlyphDisabled()->Empty());
    EXPECT_FALSE(b->GlyphDown()->Empty());
    Show();
    EXPECT_EQ(PixelAt(Snapshot(b).get(), 2, 2), 0x00FF00u);
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, 70, 70);
    const auto down = Snapshot(b);
    EXPECT_EQ(PixelAt(down.get(), 2, 2), 0xC0C0C0u);
    EXPECT_EQ(PixelAt(down.get(), 3, 3), 0x00FF00u);
    Send(b, WM_LBUTTONUP, 0, 70, 70);
}

} // namespace

namespace {

TEST_F(TShapeForm, LongCaptionsAreDrawnWhole) {
    auto* b = Add<TvcShapeColorBtn>(0, 0, 3000, 30, "b");
    b->SetAlignment(taLeftJustify);
    b->TextSize()->SetWidth(2990);
    b->Font()->SetColor(0x0000FF);
    Show();
    auto rightmost = [&](std::size_t length) {
        b->SetCaption(std::string(length, 'I'));
        const auto picture = Snapshot(b);
        int right = -1;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 3000; ++x)
                if (PixelAt(picture.get(), x, y) == 0x0000FF) right = std::max(right, x);
        return right;
    };
    const int at255 = rightmost(255);
    EXPECT_GT(at255, 0);
    EXPECT_GT(rightmost(300), at255);
}

// A fresh button of each kind writes only what has no declared default: its place, the parent
// colour its own colour turned off, and the glyph button's transparent colour; it reads back as
// its own class.
TEST(Std2ShapeStreaming, FreshButtonsWriteOnlyWhatHasNoDefault) {
    struct Case {
        std::unique_ptr<TvcShapeColorBtn> button;
        std::string written;
        int size;
    };
    Case cases[] = {
        {std::make_unique<TvcShapeColorBtn>(nullptr), "Left Top ParentColor ", 50},
        {std::make_unique<TvcShapeGradBtn>(nullptr), "Left Top ParentColor ", 50},
        {std::make_unique<TvcShapeBitColBtn>(nullptr), "Left Top ParentColor TransparentColor ", 50},
        {std::make_unique<TvcShapeIconColBtn>(nullptr), "Left Top ParentColor ", 140},
    };
    for (Case& c : cases) {
        const std::string kind = typeid(*c.button).name();
        std::string written;
        const std::unique_ptr<TComponent> back = RoundTrip(*c.button, &written);
        EXPECT_EQ(WrittenProperties(c.button.get(), written), c.written) << kind;
        ASSERT_EQ(typeid(*back), typeid(*c.button)) << kind;
        auto* b = static_cast<TvcShapeColorBtn*>(back.get());
        EXPECT_EQ(b->Width(), c.size) << kind;
        EXPECT_EQ(b->Height(), c.size) << kind;
        EXPECT_EQ(b->Color(), clBtnFace) << kind;
        EXPECT_EQ(b->TextSize()->Left(), c.button->TextSize()->Left()) << kind;
        EXPECT_EQ(b->TextSize()->Width(), c.button->TextSize()->Width()) << kind;
    }
}

// Every published property of each kind set away from its default comes back from the stream.
TEST(Std2ShapeStreaming, EveryPropertyReadBack) {
    const auto changeAll = [](TvcShapeColorBtn& b) {
        b.SetBounds(5, 6, 60, 40);
        b.Anchors = TAnchors{akLeft, akRight};
        b.SetShowFocus(false);
        b.TextSize()->SetLeft(3);
        b.TextSize()->SetTop(4);
        b.TextSize()->SetWidth(20);
        b.TextSize()->SetHeight(21);
        b.SetDefaultLook(dlfNone);
        b.SetHorzAlign(vbha_Bottom);
        b.SetMultipleLines(true);
        b.SetModalResult(mrOk);
        b.SetCancel(true);
        b.SetDefault(true);
        b.SetWordWrap(true);
        b.SetAlignment(taLeftJustify);
        b.SetShape(sbCircle);
        b.SetHighLightColor(clYellow);
        b.SetShadowColor(clNavy);
        b.SetColor(clAqua);
        b.SetCaption("Go");
        b.Font()->SetHeight(-20);
        b.SetParentFont(false);
        b.SetEnabled(false);
        b.SetParentShowHint(false);
        b.SetShowHint(true);
        b.SetTabStop(false);
        b.SetVisible(false);
        b.SetDragMode(dmAutomatic);
        b.SetDragCursor(crHandPoint);
        b.SetHelpContext(12);
    };
    TvcShapeColorBtn plain(nullptr);
    changeAll(plain);
    TvcShapeGradBtn grad(nullptr);
    changeAll(grad);
    grad.SetFillType(gCenter);
    grad.SetEndColor(clRed);
    grad.SetBands(9);
    TvcShapeBitColBtn bit(nullptr);
    changeAll(bit);
    bit.OffsetGlyph()->SetLeft(5);
    bit.OffsetGlyph()->SetTop(6);
    const auto strip = TwoSlots();
    bit.SetGlyph(strip.get());
    bit.SetNumGlyphs(2);
    bit.SetAutoBackColor(true);
    TvcShapeIconColBtn icon(nullptr);
    changeAll(icon);
    icon.OffsetIcon()->SetLeft(7);
    icon.OffsetIcon()->SetTop(8);
    icon.SetAutoAllIcons(false);

    std::unique_ptr<TComponent> read[4];
    TvcShapeColorBtn* const buttons[] = {&plain, &grad, &bit, &icon};
    for (int i = 0; i < 4; ++i) {
        TvcShapeColorBtn* const b = buttons[i];
        const std::string kind = typeid(*b).name();
        read[i] = RoundTrip(*b);
        ASSERT_EQ(typeid(*read[i]), typeid(*b)) << kind;
        auto* back = static_cast<TvcShapeColorBtn*>(read[i].get());
        // The tab order needs a parent (below).
        ExpectOrdinalsReadBack(back, b, {"TabOrder"});
        EXPECT_EQ(back->Caption(), "Go") << kind;
        EXPECT_EQ(back->Font()->Height(), -20) << kind;
        const TvcTextSize* text = back->TextSize();
        EXPECT_EQ(std::vector<int>({text->Left(), text->Top(), text->Width(), text->Height()}),
                  std::vector<int>({3, 4, 20, 21}))
            << kind;
    }
    auto* bitBack = static_cast<TvcShapeBitColBtn*>(read[2].get());
    EXPECT_EQ(bitBack->Glyph()->Width(), 32);
    EXPECT_EQ(bitBack->UpImage()->Width(), 16) << "cut again once loaded";
    EXPECT_EQ(bitBack->TransparentColor(), 0x0000FF) << "the up image's bottom-left pixel";
    EXPECT_EQ(bitBack->OffsetGlyph()->Left(), 5);
    EXPECT_EQ(bitBack->OffsetGlyph()->Top(), 6);
    auto* iconBack = static_cast<TvcShapeIconColBtn*>(read[3].get());
    EXPECT_EQ(iconBack->OffsetIcon()->Left(), 7);
    EXPECT_EQ(iconBack->OffsetIcon()->Top(), 8);

    // A transparent colour given by hand is kept.
    TvcShapeBitColBtn keyed(nullptr);
    keyed.SetTransparentColor(0x00FF00);
    const std::unique_ptr<TComponent> keyedBack = RoundTrip(keyed);
    EXPECT_EQ(static_cast<TvcShapeBitColBtn*>(keyedBack.get())->TransparentColor(), 0x00FF00);
}

// The tab order and the popup menu a button on a form holds come back when it is read into a button
// on the same form that owns a menu of that name.
TEST_F(TShapeForm, TabOrderAndPopupMenuReadIntoAButtonOnTheForm) {
    Add<TvcShapeColorBtn>(0, 0, 50, 50, "first");
    auto* written = Add<TvcShapeGradBtn>(60, 0, 50, 50, "written");
    written->SetTabOrder(0);
    auto* menu = new TPopupMenu(written);
    menu->SetName("menu");
    written->SetPopupMenu(menu);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(written);
    delete written;

    auto* into = Add<TvcShapeGradBtn>(120, 0, 50, 50, "into");
    auto* own = new TPopupMenu(into);
    own->SetName("menu");
    ASSERT_EQ(into->TabOrder(), 1);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(into);
    EXPECT_EQ(into->TabOrder(), 0);
    EXPECT_EQ(into->PopupMenu(), own);
    EXPECT_EQ(into->Left(), 60);
}

} // namespace
