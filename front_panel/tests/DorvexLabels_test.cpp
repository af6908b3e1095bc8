// The panel's bevelled labels as they are painted: the address in lime, centred inside its lowered
// bevel, the Logo and Freeze captions on their keys, and the message wrapped in its window.
#include "support/PanelTest.h"

#include "front_panel/PopupUnit.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/System.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using Labels = PanelTest;

// The form painted at its own origin, cut to Area.
std::unique_ptr<TBitmap> Shot(TForm* Form, const TRect& Area) {
    TBitmap whole;
    whole.SetSize(Form->ClientWidth(), Form->ClientHeight());
    Form->PaintTo(whole.Canvas()->Handle(), 0, 0);
    auto b = std::make_unique<TBitmap>();
    b->SetSize(Area.Width(), Area.Height());
    BitBlt(b->Canvas()->Handle(), 0, 0, Area.Width(), Area.Height(), whole.Canvas()->Handle(), Area.Left,
           Area.Top, SRCCOPY);
    return b;
}

COLORREF At(TBitmap& b, int x, int y) {
    return ColorToRGB(b.Canvas()->Pixels(x, y));
}

// The bounding box of the pixels of the colour; empty when there are none.
TRect Box(TBitmap& b, TColor Color) {
    TRect r(b.Width(), b.Height(), 0, 0);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (At(b, x, y) == ColorToRGB(Color)) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Left < r.Right ? r : TRect();
}

TEST_F(Labels, TheAddressShowsInLimeCentredInItsLoweredBevel) {
    ASSERT_TRUE(Start(1));
    TLuxLabel* label = Main()->IP_AddressLbl;
    ASSERT_EQ(label->Caption(), "127.0.0.1");
    EXPECT_EQ(label->BoundsRect(), TRect(636, 6, 732, 34));
    auto shot = Shot(Main(), label->BoundsRect());
    const int w = shot->Width(), h = shot->Height();

    // Two pixels of shadow at the top and left, two of light at the bottom and right; the panel's
    // grey shows through inside.
    const COLORREF shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(At(*shot, w / 2, i), shadow) << i;
        EXPECT_EQ(At(*shot, i, h / 2), shadow) << i;
        EXPECT_EQ(At(*shot, w / 2, h - 1 - i), light) << i;
        EXPECT_EQ(At(*shot, w - 1 - i, h / 2), light) << i;
    }
    EXPECT_EQ(At(*shot, 3, 3), ColorToRGB(Main()->Color()));

    const TRect text = Box(*shot, clLime);
    ASSERT_GT(text.Width(), 0) << "no lime text";
    EXPECT_GE(text.Left, 2);
    EXPECT_GE(text.Top, 2);
    EXPECT_LE(text.Right, w - 2);
    EXPECT_LE(text.Bottom, h - 2);
    EXPECT_NEAR((text.Left + text.Right) / 2.0, w / 2.0, 2.0) << "centred across";
    EXPECT_NEAR((text.Top + text.Bottom) / 2.0, h / 2.0, 3.0) << "centred down";
}

TEST_F(Labels, LogoAndFreezeAreBoldCaptionsOnTheirKeys) {
    ASSERT_TRUE(Start(1));
    struct TCase {
        TLuxLabel* Label;
        TImage* Key;
        const char* Caption;
    };
    for (const TCase& c : {TCase{Main()->LogoLabel, Main()->LogoBtnImage, "LOGO"},
                           TCase{Main()->FreezeLabel, Main()->FreezeBtnImage, "Freeze"}}) {
        SCOPED_TRACE(c.Caption);
        EXPECT_EQ(c.Label->Caption(), c.Caption);
        EXPECT_TRUE(c.Label->Font()->Style().Contains(fsBold));
        EXPECT_FALSE(c.Label->AutoSize());
        const TRect key = c.Key->BoundsRect();
        const TRect r = c.Label->BoundsRect();
        EXPECT_TRUE(r.Left > key.Left && r.Right < key.Right && r.Top > key.Top && r.Bottom < key.Bottom);
        // The caption's black letters stand in the middle of the key, over its picture.
        const TRect text = Box(*Shot(Main(), r), clBlack);
        ASSERT_GT(text.Width(), 0);
        EXPECT_NEAR((text.Left + text.Right) / 2.0, r.Width() / 2.0, 2.0);
        EXPECT_NEAR((text.Top + text.Bottom) / 2.0, r.Height() / 2.0, 3.0);
    }
}

TEST_F(Labels, TheMessageWrapsInsideTheBorderOnTheLeftOfItsWindow) {
    ASSERT_TRUE(Start(1));
    TLuxGlyphLabel* label = PopupForm->PopUpMessageLbl;
    label->SetCaption("ERROR: !ERR_SYNTAX the switcher did not understand the last command");
    EXPECT_EQ(label->BoundsRect(), TRect(0, 0, 169, PopupForm->ClientHeight()));
    const TRect text = Box(*Shot(PopupForm, label->BoundsRect()), clBlack);
    ASSERT_GT(text.Width(), 0);
    EXPECT_GE(text.Left, 6) << "inside the border of 3 and the inner border of 3";
    EXPECT_GE(text.Top, 6);
    EXPECT_LE(text.Right, 169 - 6);
    EXPECT_GT(text.Height(), 2 * PopupForm->Canvas()->TextHeight("W")) << "on several lines";
}

} // namespace
