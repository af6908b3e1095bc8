// Dorvex's forms, headless, with the program's own TCP link against the switcher simulator: every
// byte the simulator received, in order, for the start-up, the keys, the poll, the layer sync and
// the switcher's own messages, on both models.
#include "support/SimPanelTest.h"

#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

namespace {

class SwitcherSim : public SimPanelTest {
protected:
    // Each source key with the poll that follows it, then Logo on and off and Freeze on and off.
    void CheckEveryKey(const std::string& model, const std::vector<std::string>& commands,
                       const std::string& transition);
};

void SwitcherSim::CheckEveryKey(const std::string& model, const std::vector<std::string>& commands,
                                const std::string& transition) {
    StartedWith(model);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        ClickOn(Main()->LabelSlots[i]);
        const std::string expected = commands[i] + "\r" + transition;
        EXPECT_EQ(SimTake(expected), expected);
        // The switcher took the key: the poll shows it lit.
        Poll();
        EXPECT_EQ(SimTake("KeyStatus\r"), "KeyStatus\r");
        EXPECT_EQ(Picture(static_cast<int>(i)), "YELLOW_ON") << commands[i];
    }
    ClickOn(Main()->LogoBtnImage);
    const std::string last = commands.back() + "\r";
    const std::string restore = model == "halverin" ? "KeyStatus\r\n" : "";
    EXPECT_EQ(SimTake(last + "KP LOGO\r" + transition + restore), last + "KP LOGO\r" + transition + restore);
    EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_ON");
    ClickOn(Main()->LogoBtnImage);
    EXPECT_EQ(SimTake(last + transition), last + transition);
    EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_OFF");
    ClickOn(Main()->FreezeBtnImage);
    EXPECT_EQ(SimTake("FREEZ 1 B 1\rFREEZ 1 A 1\r"), "FREEZ 1 B 1\rFREEZ 1 A 1\r");
    ClickOn(Main()->FreezeBtnImage);
    EXPECT_EQ(SimTake("FREEZ 1 B 0\rFREEZ 1 A 0\r"), "FREEZ 1 B 0\rFREEZ 1 A 0\r");
    EXPECT_TRUE(Seam->BoxTexts().empty());
}

TEST_F(SwitcherSim, StartUpAndCloseOnEachModel) {
    for (const std::string model : {"corvane", "halverin"}) {
        SCOPED_TRACE(model);
        TearDown();
        SetUp();
        ASSERT_TRUE(StartWith(model));
        EXPECT_EQ(SimTake(std::string(ConnectAndIdentify) + FirstCommands),
                  std::string(ConnectAndIdentify) + FirstCommands);
        EXPECT_EQ(Main()->DeviceModel, model == "corvane" ? 1 : 2);
        EXPECT_TRUE(Seam->BoxTexts().empty());
        Close(Main());
        EXPECT_EQ(SimTake("Lockout 0\r\n"), "Lockout 0\r\n");
        EXPECT_TRUE(Application->Terminated());
        EXPECT_TRUE(FileExists(model == "corvane" ? "Corvane.ini" : "Tibbet.ini"));
    }
}

TEST_F(SwitcherSim, SoftwareGate) {
    struct TCase {
        const char* Version;
        bool Passes;
    };
    for (const TCase& c : {TCase{"1.20.A", true}, TCase{"1.20", false}, TCase{"1.1", false}}) {
        SCOPED_TRACE(c.Version);
        TearDown();
        SetUp();
        EXPECT_EQ(StartWith("corvane", {"--version", c.Version}), c.Passes);
        if (c.Passes) {
            EXPECT_EQ(SimTake(std::string(ConnectAndIdentify) + FirstCommands),
                      std::string(ConnectAndIdentify) + FirstCommands);
            continue;
        }
        EXPECT_EQ(SimTake(ConnectAndIdentify), ConnectAndIdentify);
        EXPECT_EQ(Seam->BoxTexts(),
                  std::vector<std::string>{std::string("Software version ") + c.Version +
                                           " is not supported.\nPlease upgrade the CorvaneII to "
                                           "version 1.20.A or later."});
    }
}

TEST_F(SwitcherSim, EveryKeyOnTheCorvane) {
    CheckEveryKey("corvane",
                  {"KP 1", "KP 2", "KP 3", "KP 4", "KP 5", "KP 6", "KP 7", "KP 8", "KP SDI1", "KP SDI2"},
                  "KP Mix\r");
}

TEST_F(SwitcherSim, EveryKeyOnTheHalverin) {
    CheckEveryKey("halverin", {"KP 1", "KP 2", "KP 3", "KP 4", "KP 5", "KP 6", "KP 7", "KP 8", "KP SDI"},
                  "KP Trans\r");
}

TEST_F(SwitcherSim, PollPicturesOnEachModel) {
    StartedWith("corvane");
    Poll();
    EXPECT_EQ(SimTake("KeyStatus\r"), "KeyStatus\r");
    // Source 1 on program, 2 on preview: the Corvane II shows program state.
    EXPECT_EQ(Pictures(),
              "YELLOW_ON WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF "
              "WHITE_OFF");
    EXPECT_EQ(Main()->LastSourceCmd, "KP 1");
    EXPECT_EQ(Main()->CurrentIdx, 0);

    TearDown();
    SetUp();
    StartedWith("halverin");
    SimControl("set 4 ON OFF");
    Poll();
    EXPECT_EQ(SimTake("KeyStatus\r"), "KeyStatus\r");
    // The Halverin II shows preview state; it has no second SDI key.
    EXPECT_EQ(Pictures(),
              "YELLOW_ON WHITE_OFF WHITE_OFF YELLOW_ON WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF WHITE_OFF "
              "none");
}

TEST_F(SwitcherSim, GracePollsForAKeyTheSwitcherDoesNotConfirm) {
    StartedWith("corvane");
    Poll();
    ClickOn(Main()->SourceBtnImage3);
    SimTake("KP 3\rKP Mix\r");
    SimControl("set 3 OFF OFF");
    for (int poll = 1; poll <= 3; ++poll) {
        Poll();
        EXPECT_EQ(Picture(2), "YELLOW_ON") << poll;
    }
    Poll();
    EXPECT_EQ(Picture(2), "WHITE_OFF");
    EXPECT_EQ(SimTake("KeyStatus\rKeyStatus\rKeyStatus\rKeyStatus\r"),
              "KeyStatus\rKeyStatus\rKeyStatus\rKeyStatus\r");
}

TEST_F(SwitcherSim, FreezeCutsAndUnfreezesByItself) {
    StartedWith("corvane");
    Poll();
    SimTake("KeyStatus\r");
    ClickOn(Main()->FreezeBtnImage);
    ClickOn(Main()->SourceBtnImage4);
    EXPECT_EQ(SimTake("FREEZ 1 B 1\rFREEZ 1 A 1\rKP 4\rKP CUT\r"),
              "FREEZ 1 B 1\rFREEZ 1 A 1\rKP 4\rKP CUT\r");
    EXPECT_EQ(Picture(Main()->FreezeBtnImage), "YELLOW_OFF");
    // The cut put 4 on program and took 1 off it: the panel unfreezes, A before B.
    Poll();
    EXPECT_EQ(SimTake("KeyStatus\rFREEZ 1 A 0\rFREEZ 1 B 0\r"), "KeyStatus\rFREEZ 1 A 0\rFREEZ 1 B 0\r");
    EXPECT_EQ(Main()->CurrentIdx, 3);
    EXPECT_FALSE(Main()->FreezeLatched);
}

TEST_F(SwitcherSim, DisabledKeysIgnoreClicks) {
    StartedWith("corvane");
    ChoosePopup(Main()->SourceBtnImage6, "Disable");
    ClickOn(Main()->Source6Label);
    ClickOn(Main()->SourceBtnImage7);
    EXPECT_EQ(SimTake("KP 7\rKP Mix\r"), "KP 7\rKP Mix\r");
}

struct TSyncCase {
    const char* What;
    std::vector<std::string> Set;
    std::string Sent;
};

TEST_F(SwitcherSim, CorvaneLayerSync) {
    const TSyncCase cases[] = {
        {"split on, both layers on program, A off on preview",
         {"set SPLITLAYER ON N/A", "set LAYERA OFF ON", "set LAYERB ON ON"},
         "KP CUT\rKP SPLITLAYER\r"},
        {"split on, all four off",
         {"set SPLITLAYER ON N/A", "set LAYERA OFF OFF", "set LAYERB OFF OFF"},
         "KP SPLITLAYER\rKP LAYERA\r"},
        {"split on, both on program and preview",
         {"set SPLITLAYER ON N/A", "set LAYERA ON ON", "set LAYERB ON ON"},
         "KP LAYERA\rKP CLEARLAYER\rKP CUT\rKP SPLITLAYER\r"},
        {"split off, layer A on program",
         {"set SPLITLAYER OFF N/A", "set LAYERA OFF ON", "set LAYERB OFF OFF"},
         "KP LAYERB\r"},
        {"split off, layer A selected", {"set SPLITLAYER OFF N/A", "set LAYERA BLINK OFF"}, ""},
    };
    StartedWith("corvane");
    for (const TSyncCase& c : cases) {
        SCOPED_TRACE(c.What);
        for (const std::string& line : c.Set) SimControl(line);
        FirstTickDone = false;
        Tick();
        Main()->Timer1->SetEnabled(false);
        const std::string expected = "KeyStatus\r\n" + c.Sent + "KeyStatus\r";
        EXPECT_EQ(SimTake(expected), expected);
    }
}

TEST_F(SwitcherSim, HalverinLayerSync) {
    const TSyncCase cases[] = {
        {"picture-in-picture selected", {"set PIP BLINK OFF", "set KEY OFF OFF"}, ""},
        {"key selected", {"set PIP OFF OFF", "set KEY BLINK OFF"}, ""},
        {"neither", {"set PIP OFF OFF", "set KEY OFF OFF"}, "PIP 1 1 a a 1 0 0\rKP PIP\r"},
    };
    StartedWith("halverin");
    for (const TSyncCase& c : cases) {
        SCOPED_TRACE(c.What);
        for (const std::string& line : c.Set) SimControl(line);
        FirstTickDone = false;
        Tick();
        Main()->Timer1->SetEnabled(false);
        const std::string expected = "KeyStatus\r\n" + c.Sent + "KeyStatus\r";
        EXPECT_EQ(SimTake(expected), expected);
    }
    EXPECT_EQ(Main()->LayerMode, 0);
}

TEST_F(SwitcherSim, TheSwitchersOwnMessages) {
    StartedWith("halverin");
    SimControl("popup Input 3 signal lost");
    EXPECT_TRUE(PumpUntil([this] { return !PopupTexts.empty(); }));
    EXPECT_EQ(PopupTexts, std::vector<std::string>{"Input 3 signal lost"});
    // The Halverin II sets its layer up again while the message shows.
    EXPECT_EQ(SimTake("PIP 1 1 a a 1 0 0\rKP PIP\r"), "PIP 1 1 a a 1 0 0\rKP PIP\r");

    // The whole report, up to its carriage return.
    SimControl("error SRC_NOT_AVAILABLE");
    EXPECT_TRUE(PumpUntil([this] { return PopupTexts.size() == 2; }));
    EXPECT_EQ(Seam->BoxTexts(), std::vector<std::string>{"!ERR_SRC_NOT_AVAILABLE\r"});
    EXPECT_EQ(PopupTexts.back(), "ERROR: !ERR_SRC_NOT_AVAILABLE\r");

    SimControl("queuefull");
    EXPECT_TRUE(PumpUntil([this] { return PopupTexts.size() == 3; }));
    EXPECT_EQ(PopupTexts.back(), "Waiting for message queue to drain");
    EXPECT_TRUE(Main()->Timer1->Enabled());
}

TEST_F(SwitcherSim, AClickAfterTheConnectionDropped) {
    StartedWith("corvane");
    SimControl("drop");
    ASSERT_TRUE(PumpUntil([this] { return !Main()->Link->Open(); }));
    ClickOn(Main()->SourceBtnImage2);
    ASSERT_EQ(Seam->Of(TSeamRecorder::kMessageBox).size(), 1u);
    EXPECT_EQ(Seam->Entries[0].Box.Kind, TMessageBoxRequest::ErrorBox);
    EXPECT_FALSE(Main()->KeyBusy);
    EXPECT_TRUE(Main()->Timer1->Enabled());
    Poll();
    EXPECT_EQ(Main()->Memo1->Lines()->Count(), 1);
    EXPECT_FALSE(Main()->PollBusy);
}

// Not a pass mark: reports how long a click takes to reach the switcher.
TEST_F(SwitcherSim, ClickToWireLatency) {
    StartedWith("corvane");
    const auto clicked = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    ClickOn(Main()->SourceBtnImage5);
    ASSERT_EQ(SimTake("KP 5\rKP Mix\r"), "KP 5\rKP Mix\r");
    long long arrived = 0;
    for (const TSwitcherSim::TChunk& c : Sim->Chunks())
        if (c.Bytes.find("KP 5\r") != std::string::npos) arrived = c.WallMs;
    ASSERT_NE(arrived, 0);
    const long long latency = arrived - clicked;
    RecordProperty("click_to_wire_ms", std::to_string(latency));
    std::cout << "click to wire: " << latency << " ms\n";
}

} // namespace
