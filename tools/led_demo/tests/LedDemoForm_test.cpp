// The demonstration form rendered headless: its lamps, its label and its button.
#include "tools/led_demo/LedDemoForm.h"

#include "support/DemoTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct LedDemoFormTest : ::testing::Test {
    std::unique_ptr<TLedDemoForm> Form{new TLedDemoForm(nullptr)};
    static std::uint32_t Centre(const TPixels& p, TControl* c) {
        return p.At(c->Left() + c->Width() / 2, c->Top() + c->Height() / 2);
    }
};

TEST_F(LedDemoFormTest, LampsShowTheirColoursAndLooks) {
    const TPixels p = Snapshot(Form.get());
    EXPECT_EQ(Centre(p, Form->HeartbeatLed), 0x008000u);
    EXPECT_EQ(Centre(p, Form->RedLed), 0x0000FFu);
    EXPECT_EQ(Centre(p, Form->YellowLed), 0x00FFFFu);
    EXPECT_EQ(Centre(p, Form->BlueLed), 0x800000u);
    EXPECT_EQ(Centre(p, Form->SteelLed), 0xFFFF00u);
    EXPECT_EQ(Centre(p, Form->BigLed), 0x000080u);
    // Round lamps leave the form's colour in their corners; the steel one its pattern.
    EXPECT_EQ(p.At(Form->RedLed->Left(), Form->RedLed->Top()), 0x333333u);
    EXPECT_EQ(p.At(Form->SteelLed->Left(), Form->SteelLed->Top()), 0xC0C0C0u);
    EXPECT_EQ(p.At(Form->SteelLed->Left() + 1, Form->SteelLed->Top() + 1), 0xFFFFFFu);
}

TEST_F(LedDemoFormTest, LabelShowsItsText) {
    const TPixels p = Snapshot(Form.get());
    const TRect r = Form->TitleLabel->BoundsRect();
    int text = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (p.At(x, y) != 0x333333u) ++text;
    EXPECT_GT(text, 20);
    EXPECT_EQ(Form->TitleLabel->Caption(), "Indicator lamps");
}

TEST_F(LedDemoFormTest, TheButtonFlashesTheLargeLamp) {
    Form->FlashButton->Click();
    EXPECT_TRUE(Form->BigLed->Enabled());
    EXPECT_EQ(Centre(Snapshot(Form.get()), Form->BigLed), 0x0000FFu);
    AdvanceClock(500);
    EXPECT_FALSE(Form->BigLed->Enabled());
}

TEST_F(LedDemoFormTest, TheHeartbeatBlinks) {
    AdvanceClock(500);
    EXPECT_TRUE(Form->HeartbeatLed->Enabled());
    AdvanceClock(500);
    EXPECT_FALSE(Form->HeartbeatLed->Enabled());
}

} // namespace
