#include "visual_controls/Luxlabel.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "visual_controls/Luxclass.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct LuxlabelTest : ::testing::Test {
    std::unique_ptr<TForm> form;
    void SetUp() override {
        InitLuxclass();
        form.reset(new TForm(nullptr));
        form->SetClientSize(200, 120);
    }
    void TearDown() override {
        form.reset();
        DoneLuxclass();
    }
    TLuxTimerPool* Pool() const { return LuxApplication->TimerPool(); }
};

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
