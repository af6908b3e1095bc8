// Against the switcher simulator, the cases that take real time: the poll timer running by itself,
// a reply that comes late but in time, and queries the switcher leaves unanswered.
#include "support/SimPanelTest.h"

#include <gtest/gtest.h>

namespace {

using SwitcherSimSlow = SimPanelTest;

class SwitcherSimRealTicks : public SimPanelTest {
protected:
    SwitcherSimRealTicks() { MsPerStep = 0; }
};

TEST_F(SwitcherSimSlow, AnUnansweredIdentificationIsAnUnrecognizedDevice) {
    Sim = std::make_unique<TSwitcherSim>("corvane");
    ASSERT_TRUE(Sim->Running());
    SimControl("mute");
    WriteFile("Dorvex.ini", "IP=127.0.0.1\r\nPort=" + std::to_string(Sim->Port()) + "\r\n");
    EXPECT_FALSE(Start(1));
    EXPECT_EQ(Seam->BoxTexts(), (std::vector<std::string>{
                                    "Timeout waiting for a response from the Halverin II",
                                    "Connected to an unrecognized device. Ensure the IP address is correct "
                                    "then run the application again."}));
    EXPECT_EQ(SimTake("Remote 0\n\rLockout 2\n\rWhoAreYou?\r\n"), "Remote 0\n\rLockout 2\n\rWhoAreYou?\r\n");
}

TEST_F(SwitcherSimSlow, AnUnansweredPollChangesNoKey) {
    StartedWith("corvane");
    Poll();
    const std::string before = Pictures();
    SimControl("mute");
    SimControl("set 1 OFF OFF");
    Poll();
    EXPECT_EQ(Seam->BoxTexts(),
              std::vector<std::string>{"Timeout waiting for a response from the Corvane II"});
    EXPECT_EQ(Pictures(), before);
    EXPECT_EQ(SimTake("KeyStatus\rKeyStatus\r"), "KeyStatus\rKeyStatus\r");
}

TEST_F(SwitcherSimSlow, ThePollTimerRunsByItself) {
    ASSERT_TRUE(StartWith("corvane"));
    SimTake(std::string(ConnectAndIdentify) + FirstCommands);
    // The first tick syncs the layers (split layer off, both layers off: layer A), then polls.
    const std::string expected = "KeyStatus\r\nKP LAYERA\rKeyStatus\rKeyStatus\r";
    EXPECT_EQ(SimTake(expected).substr(0, expected.size()), expected);
    EXPECT_TRUE(PumpUntil([this] { return Picture(0) == "YELLOW_ON"; }));
    EXPECT_EQ(Picture(1), "WHITE_OFF");
    EXPECT_TRUE(FirstTickDone);
    EXPECT_TRUE(Seam->BoxTexts().empty());
}

TEST_F(SwitcherSimRealTicks, ALateReplyInTimeIsUsed) {
    StartedWith("corvane");
    SimControl("set 1 OFF OFF");
    SimControl("set 6 OFF ON");
    SimControl("delay 2500");
    Poll();
    EXPECT_TRUE(Seam->BoxTexts().empty());
    EXPECT_EQ(Picture(5), "YELLOW_ON");
    EXPECT_EQ(Main()->LastSourceCmd, "KP 6");
}

} // namespace
