// The keys and the poll against the scripted link: the bytes each key sends on each model, the busy
// guards, the pressed look and its grace polls, Freeze with its automatic unfreeze, Logo, and the
// pictures the poll leaves by model.
#include "support/PanelTest.h"

#include <gtest/gtest.h>

namespace {

using Keys = PanelTest;

TEST_F(Keys, EverySourceKeyOnEachModel) {
    struct TModel {
        int Model;
        std::vector<std::string> Commands;
        const char* Transition;
    };
    const TModel models[] = {
        {1, {"KP 1", "KP 2", "KP 3", "KP 4", "KP 5", "KP 6", "KP 7", "KP 8", "KP SDI1", "KP SDI2"}, "KP Mix"},
        {2, {"KP 1", "KP 2", "KP 3", "KP 4", "KP 5", "KP 6", "KP 7", "KP 8", "KP SDI"}, "KP Trans"},
    };
    for (const TModel& m : models) {
        TearDown();
        SetUp();
        Started(m.Model);
        for (std::size_t i = 0; i < m.Commands.size(); ++i) {
            SCOPED_TRACE(m.Commands[i]);
            const int flushes = Link()->Flushes;
            Main()->ImageSlots[i]->OnClick(Main()->ImageSlots[i]);
            EXPECT_EQ(TakeWritten(), m.Commands[i] + "\r" + m.Transition + "\r");
            EXPECT_EQ(Link()->Flushes, flushes + 1);
            EXPECT_EQ(Picture(static_cast<int>(i)), "YELLOW_ON");
            EXPECT_EQ(Main()->PendingSlots[i], 1);
            EXPECT_EQ(Main()->LastSourceCmd, m.Commands[i]);
            EXPECT_EQ(Main()->CurrentIdx, static_cast<int>(i));
            EXPECT_FALSE(Main()->KeyBusy);
            EXPECT_TRUE(Main()->Timer1->Enabled());
            EXPECT_EQ(Main()->GraceCount, 3);
        }
    }
}

TEST_F(Keys, CaptionsAndTheSpareLightClickTheirKeys) {
    Started(1);
    // The caption lies over the key, so the mouse reaches the caption, which forwards the click.
    ClickOn(Main()->Source3Label);
    EXPECT_EQ(TakeWritten(), "KP 3\rKP Mix\r");
    ClickOn(Main()->SourceSDI2Label);
    EXPECT_EQ(TakeWritten(), "KP SDI2\rKP Mix\r");
    Main()->NobodyLight->OnClick(Main()->NobodyLight);
    EXPECT_EQ(TakeWritten(), "KP 1\rKP Mix\r");
    ClickOn(Main()->LogoLabel);
    EXPECT_EQ(TakeWritten(), "KP 1\rKP LOGO\rKP Mix\r");
    ClickOn(Main()->FreezeLabel);
    EXPECT_EQ(TakeWritten(), "FREEZ 1 B 1\rFREEZ 1 A 1\r");
}

TEST_F(Keys, OnlyKeysEnabledWithExactlyOneTakeClicks) {
    Started(1);
    for (int value : {0, 2, -1}) {
        Main()->EnabledSlots[4] = value;
        Main()->SourceBtnImage5Click(nullptr);
        EXPECT_EQ(TakeWritten(), "") << value;
        EXPECT_EQ(Picture(4), "none");
    }
}

TEST_F(Keys, ClicksDuringAPollOrAKeyActionAreDropped) {
    Started(1);
    // The click arrives while the poll waits for its reply.
    Link()->OnWrite = [this](const std::string& s) {
        if (s == "KeyStatus\r") {
            Main()->SourceBtnImage3Click(nullptr);
            Main()->LogoBtnImageClick(nullptr);
            Main()->FreezeBtnImageClick(nullptr);
        }
    };
    Poll();
    EXPECT_EQ(TakeWritten(), "KeyStatus\r");
    EXPECT_FALSE(Main()->PollBusy);

    // A tick that comes during a key action's pause is dropped too.
    Link()->OnWrite = [this](const std::string& s) {
        if (s == "KP Mix\r") Poll();
    };
    Main()->SourceBtnImage4Click(nullptr);
    EXPECT_EQ(TakeWritten(), "KP 4\rKP Mix\r");
}

TEST_F(Keys, FirstPollTakesTheSwitchersState) {
    Started(1);
    Device.Set("1", "OFF", "OFF");
    Device.Set("5", "OFF", "ON");
    Poll();
    EXPECT_EQ(TakeWritten(), "KeyStatus\r");
    EXPECT_EQ(Pictures(),
              "WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF YELLOW_ON WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF "
              "WHITE_OFF");
    EXPECT_EQ(Main()->LastSourceCmd, "KP 5");
    EXPECT_EQ(Main()->CurrentIdx, 4);
    EXPECT_EQ(Main()->FrozenIdx, 4);
    EXPECT_EQ(InitialSync, 0);
    EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_OFF");
    EXPECT_FALSE(Main()->LogoOn);

    // Later polls only paint.
    Device.Set("5", "OFF", "OFF");
    Device.Set("SDI1", "OFF", "ON");
    Poll();
    EXPECT_EQ(Pictures(),
              "WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF YELLOW_ON "
              "WHITE_OFF");
    EXPECT_EQ(Main()->LastSourceCmd, "KP 5");
    EXPECT_EQ(Main()->CurrentIdx, 4);
}

TEST_F(Keys, TheInitialSyncTriesTwoPolls) {
    Started(1);
    Device.Set("1", "OFF", "OFF");
    Poll();
    EXPECT_EQ(InitialSync, 1);
    Device.Set("7", "OFF", "ON");
    Poll();
    EXPECT_EQ(Main()->LastSourceCmd, "KP 7");
    EXPECT_EQ(InitialSync, 0);
    Device.Set("7", "OFF", "OFF");
    Device.Set("2", "OFF", "ON");
    Poll();
    EXPECT_EQ(Main()->LastSourceCmd, "KP 7");
}

TEST_F(Keys, LogoOnAtStartIsTaken) {
    for (int model : {1, 2}) {
        TearDown();
        SetUp();
        Started(model);
        // The Corvane II reads the Logo's program state, the Halverin II its preview state.
        Device.Set("LOGO", model == 1 ? "OFF" : "ON", model == 1 ? "ON" : "OFF");
        Poll();
        EXPECT_TRUE(Main()->LogoOn) << model;
        EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_ON") << model;
    }
}

TEST_F(Keys, HalverinPaintsFromPreviewAndSkipsTheSecondSdiKey) {
    Started(2);
    Device.Set("1", "OFF", "ON");
    Device.Set("3", "ON", "OFF");
    Device.Set("SDI", "ON", "OFF");
    Poll();
    EXPECT_EQ(Pictures(),
              "WHITE_OFF WHITE_OFF YELLOW_ON WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF YELLOW_ON "
              "none");
    EXPECT_EQ(Main()->LastSourceCmd, "KP 3");
    // No current or frozen source on the Halverin II.
    EXPECT_EQ(Main()->CurrentIdx, -1);
    EXPECT_EQ(Main()->FrozenIdx, -1);
    EXPECT_EQ(Main()->vLed1->Tag, 1);
    EXPECT_EQ(Main()->SourceBtnImage1->Tag, 0);
}

TEST_F(Keys, SectionStates) {
    Started(1);
    struct TCase {
        std::string Pvw, Pgm;
        int Image, Led;
    };
    const TCase cases[] = {{"ON", "OFF", 1, 0},  {"OFF", "ON", 0, 1}, {"BLINK", "BLINK", 2, 2},
                           {"N/A", "N/A", 2, 2}, {"ON", "N/A", 1, 2}, {"OFF", "junk", 0, 2}};
    Main()->vLed4->Tag = 2;
    for (const TCase& c : cases) {
        Device.Set("4", c.Pvw, c.Pgm);
        Poll();
        EXPECT_EQ(Main()->SourceBtnImage4->Tag, c.Image) << c.Pvw << " " << c.Pgm;
        EXPECT_EQ(Main()->vLed4->Tag, c.Led) << c.Pvw << " " << c.Pgm;
    }
    // A section without its preview value, or missing, changes nothing.
    Main()->vLed4->Tag = 1;
    Main()->SourceBtnImage4->Tag = 1;
    Device.Set("4", "", "OFF");
    Device.Remove("4");
    Poll();
    EXPECT_EQ(Main()->vLed4->Tag, 1);
    EXPECT_EQ(Main()->SourceBtnImage4->Tag, 1);
    EXPECT_EQ(Picture(3), "YELLOW_ON");
}

TEST_F(Keys, APressedKeyKeepsItsLookForThreePolls) {
    Started(1);
    Poll();
    TakeWritten();
    Main()->SourceBtnImage3Click(nullptr);
    EXPECT_EQ(Picture(2), "YELLOW_ON");
    for (int poll = 1; poll <= 3; ++poll) {
        Poll();
        EXPECT_EQ(Picture(2), "YELLOW_ON") << poll;
        EXPECT_EQ(Main()->GraceCount, 3 - poll);
    }
    Poll();
    EXPECT_EQ(Picture(2), "WHITE_OFF");
    // Never confirmed, the key stays pending.
    EXPECT_EQ(Main()->PendingSlots[2], 1);

    // A confirmed key is painted from the switcher's state at once.
    Main()->SourceBtnImage6Click(nullptr);
    Device.Set("6", "OFF", "ON");
    Poll();
    EXPECT_EQ(Picture(5), "YELLOW_ON");
    EXPECT_EQ(Main()->PendingSlots[5], 0);
    EXPECT_EQ(Main()->GraceCount, 2);
}

TEST_F(Keys, FreezeKey) {
    Started(1);
    Main()->FreezeBtnImageClick(nullptr);
    EXPECT_EQ(TakeWritten(), "FREEZ 1 B 1\rFREEZ 1 A 1\r");
    EXPECT_TRUE(Main()->FreezeOn);
    EXPECT_TRUE(Main()->FreezeLatched);
    EXPECT_TRUE(Main()->LED2->Lit());
    EXPECT_EQ(Picture(Main()->FreezeBtnImage), "YELLOW_ON");
    // No pause and no timer stop.
    EXPECT_EQ(Link()->Flushes, 0);
    Main()->FreezeBtnImageClick(nullptr);
    EXPECT_EQ(TakeWritten(), "FREEZ 1 B 0\rFREEZ 1 A 0\r");
    EXPECT_FALSE(Main()->FreezeOn);
    EXPECT_FALSE(Main()->FreezeLatched);
    EXPECT_FALSE(Main()->LED2->Lit());
    EXPECT_EQ(Picture(Main()->FreezeBtnImage), "YELLOW_OFF");
}

TEST_F(Keys, CorvaneCutsWhileFrozenAndUnfreezesWhenTheProgramSourceLeaves) {
    Started(1);
    Poll(); // source 1 on program becomes current
    ASSERT_EQ(Main()->CurrentIdx, 0);
    TakeWritten();
    Main()->FreezeBtnImageClick(nullptr);
    TakeWritten();
    Main()->SourceBtnImage4Click(nullptr);
    EXPECT_EQ(TakeWritten(), "KP 4\rKP CUT\r");
    EXPECT_FALSE(Main()->FreezeOn);
    EXPECT_TRUE(Main()->FreezeLatched);
    EXPECT_EQ(Picture(Main()->FreezeBtnImage), "YELLOW_OFF");
    EXPECT_EQ(Main()->FrozenIdx, 3);
    EXPECT_EQ(Main()->CurrentIdx, 0);

    // Source 1 still on program: nothing happens.
    Poll();
    EXPECT_EQ(TakeWritten(), "KeyStatus\r");
    // Source 1 leaves program: the output is unfrozen, A before B, and the frozen choice is current.
    Device.Set("1", "OFF", "OFF");
    Device.Set("4", "OFF", "ON");
    Poll();
    EXPECT_EQ(TakeWritten(), "KeyStatus\rFREEZ 1 A 0\rFREEZ 1 B 0\r");
    EXPECT_FALSE(Main()->FreezeLatched);
    EXPECT_EQ(Main()->CurrentIdx, 3);
    Poll();
    EXPECT_EQ(TakeWritten(), "KeyStatus\r");
}

TEST_F(Keys, HalverinTransitionsWhileFrozenAndNeverUnfreezesByItself) {
    Started(2);
    Main()->FreezeBtnImageClick(nullptr);
    TakeWritten();
    Main()->SourceBtnImage2Click(nullptr);
    EXPECT_EQ(TakeWritten(), "KP 2\rKP Trans\r");
    Device.Set("1", "OFF", "OFF");
    Poll();
    Poll();
    EXPECT_EQ(TakeWritten(), "KeyStatus\rKeyStatus\r");
    EXPECT_TRUE(Main()->FreezeLatched);
}

TEST_F(Keys, LogoOnAndOffResendTheLastSource) {
    Started(1);
    // No source chosen yet: a lone carriage return goes in its place.
    Main()->LogoBtnImageClick(nullptr);
    EXPECT_EQ(TakeWritten(), "\rKP LOGO\rKP Mix\r");
    EXPECT_TRUE(Main()->LogoOn);
    EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_ON");
    EXPECT_EQ(Main()->PendingSlots[10], 1);
    EXPECT_FALSE(Main()->KeyBusy);
    Main()->LogoBtnImageClick(nullptr);
    EXPECT_EQ(TakeWritten(), "\rKP Mix\r");
    EXPECT_FALSE(Main()->LogoOn);
    EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_OFF");

    Main()->SourceBtnImage5Click(nullptr);
    Main()->LogoBtnImageClick(nullptr);
    Main()->LogoBtnImageClick(nullptr);
    EXPECT_EQ(TakeWritten(), "KP 5\rKP Mix\rKP 5\rKP LOGO\rKP Mix\rKP 5\rKP Mix\r");
    // Logo and Freeze leave the output buffer alone.
    EXPECT_EQ(Link()->Flushes, 1);
}

TEST_F(Keys, ASourceKeyTurnsTheLogoOff) {
    Started(1);
    Main()->LogoBtnImageClick(nullptr);
    Main()->SourceBtnImage2Click(nullptr);
    EXPECT_FALSE(Main()->LogoOn);
    EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_OFF");
}

TEST_F(Keys, HalverinRestoresItsLayerAfterTheLogo) {
    struct TCase {
        const char* What;
        std::function<void(TFakeSwitcher&)> State;
        std::string After;
    };
    const TCase cases[] = {
        {"picture-in-picture on preview", [](TFakeSwitcher& d) { d.Set("PIP", "ON", "OFF"); }, "KP PIP\r"},
        {"key on preview", [](TFakeSwitcher& d) { d.Set("KEY", "ON", "OFF"); }, "KP KEY\r"},
        {"neither", [](TFakeSwitcher&) {}, ""},
        {"no PIP section", [](TFakeSwitcher& d) { d.Remove("PIP"); }, "PIP 1 1 a a 1 0 0\rKP PIP\r"},
        {"no KEY section", [](TFakeSwitcher& d) { d.Remove("KEY"); }, "PIP 1 1 a a 1 0 0\rKP PIP\r"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TearDown();
        SetUp();
        Started(2);
        c.State(Device);
        Main()->LogoBtnImageClick(nullptr);
        EXPECT_EQ(TakeWritten(), "\rKP LOGO\rKP Trans\rKeyStatus\r\n" + c.After);
        // Turning the Logo off restores nothing.
        Main()->LogoBtnImageClick(nullptr);
        EXPECT_EQ(TakeWritten(), "\rKP Trans\r");
    }
}

TEST_F(Keys, PollAndHeartbeat) {
    Started(1);
    const bool lit = Main()->UpdateLED->Enabled();
    Poll();
    EXPECT_NE(Main()->UpdateLED->Enabled(), lit);
    Poll();
    EXPECT_EQ(Main()->UpdateLED->Enabled(), lit);
    EXPECT_EQ(TakeWritten(), "KeyStatus\rKeyStatus\r");
    Main()->TrackBar1->SetPosition(250);
    EXPECT_EQ(Main()->Timer1->Interval(), 250u);
}

TEST_F(Keys, AClosedPortIsNotedAndTheLastStateRepainted) {
    Started(1);
    Poll();
    Link()->Drop();
    Device.Set("1", "OFF", "OFF");
    Main()->SourceBtnImage1->Picture()->Assign(nullptr);
    const bool lit = Main()->UpdateLED->Enabled();
    Poll();
    EXPECT_EQ(TakeWritten(), "KeyStatus\r");
    EXPECT_EQ(Main()->Memo1->Lines()->Strings(0), "Not connected to a Device");
    EXPECT_EQ(Main()->UpdateLED->Enabled(), lit);
    EXPECT_EQ(Picture(0), "YELLOW_ON");
    // The hidden log keeps only its newest lines.
    for (int i = 0; i < 3 * TDorvexMainForm::MemoLineLimit; ++i) Poll();
    EXPECT_EQ(Main()->Memo1->Lines()->Count(), TDorvexMainForm::MemoLineLimit);
}

TEST_F(Keys, AQueryTimeOutInThePollChangesNoKey) {
    Started(1);
    Poll();
    const std::string before = Pictures();
    Device.Set("1", "OFF", "OFF");
    Device.Mute = true;
    Poll();
    EXPECT_EQ(Seam->BoxTexts(),
              std::vector<std::string>{"Timeout waiting for a response from the Corvane II"});
    EXPECT_EQ(Main()->StatusText, "0");
    EXPECT_EQ(Pictures(), before);
    EXPECT_FALSE(Main()->PollBusy);
}

// After the connection drops a click fails to write: the error box reports it, and the panel must
// not stay busy with its poll stopped.
TEST_F(Keys, AClickAfterTheConnectionDroppedLeavesThePanelWorking) {
    Started(1);
    Poll();
    Link()->Drop();
    ClickOn(Main()->SourceBtnImage3);
    ASSERT_EQ(Seam->Of(TSeamRecorder::kMessageBox).size(), 1u);
    EXPECT_EQ(Seam->Entries[0].Box.Kind, TMessageBoxRequest::ErrorBox);
    EXPECT_EQ(Seam->Entries[0].Box.Text, "ie_NOpen - device not open.");
    EXPECT_FALSE(Main()->KeyBusy);
    EXPECT_TRUE(Main()->Timer1->Enabled());

    for (auto click : {&TDorvexMainForm::LogoBtnImageClick, &TDorvexMainForm::FreezeBtnImageClick}) {
        EXPECT_THROW((Main()->*click)(nullptr), Exception);
        EXPECT_FALSE(Main()->KeyBusy);
        EXPECT_TRUE(Main()->Timer1->Enabled());
    }
    // The poll goes on noting the closed port.
    Poll();
    EXPECT_FALSE(Main()->PollBusy);
    EXPECT_EQ(Main()->Memo1->Lines()->Count(), 1);
}

TEST_F(Keys, APollWhoseWriteFailsIsNotLeftBusy) {
    Started(1);
    Link()->OnWrite = [](const std::string& s) {
        if (s == "KeyStatus\r") throw Exception("write failed");
    };
    EXPECT_THROW(Poll(), Exception);
    EXPECT_FALSE(Main()->PollBusy);
    Link()->OnWrite = nullptr;
    Poll();
    EXPECT_EQ(Picture(0), "YELLOW_ON");
}

} // namespace
