// The main window's first activation: connection, identification, the software gate and the first
// commands, against the scripted link.
#include "support/PanelTest.h"

#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

namespace {

using Startup = PanelTest;

TEST_F(Startup, CorvaneII) {
    ASSERT_TRUE(Start(1));
    EXPECT_EQ(Link()->Written, std::string(ConnectAndIdentify) + FirstCommands);
    EXPECT_EQ(Link()->Address, "127.0.0.1");
    EXPECT_EQ(Link()->Port, "3000");
    EXPECT_EQ(Main()->DeviceModel, 1);
    EXPECT_EQ(Main()->TransitionWord, "Mix");
    EXPECT_EQ(Main()->SdiWord, "SDI1");
    EXPECT_EQ(PopupForm->Caption(), "Message from the Corvane II");
    EXPECT_EQ(Main()->IP_AddressLbl->Caption(), "127.0.0.1");
    EXPECT_EQ(Main()->GetIPText(), "127.0.0.1");
    EXPECT_TRUE(Main()->SourceBtnImage10->Visible());
    for (TvLed* led : Main()->LedSlots) EXPECT_FALSE(led->Visible()) << led->Name();
    EXPECT_TRUE(Main()->ControlStyle.Contains(csOpaque));
    EXPECT_EQ(Main()->Timer1->Interval(), 1000u);
    // Freeze and Logo show their off pictures; the source keys wait for the first poll.
    EXPECT_EQ(Picture(Main()->FreezeBtnImage), "YELLOW_OFF");
    EXPECT_EQ(Picture(Main()->LogoBtnImage), "GREEN_OFF");
    EXPECT_EQ(Pictures(), "none none none none none none none none none none");
    EXPECT_TRUE(Seam->BoxTexts().empty());
    EXPECT_EQ(Main()->Caption(), " Marveth Corvane II / Halverin II Virtual Front Panel    Rev 1.00");
}

TEST_F(Startup, HalverinIIHidesTheSecondSdiKey) {
    ASSERT_TRUE(Start(2));
    EXPECT_EQ(Link()->Written, std::string(ConnectAndIdentify) + FirstCommands);
    EXPECT_EQ(Main()->DeviceModel, 2);
    EXPECT_EQ(Main()->TransitionWord, "Trans");
    EXPECT_EQ(Main()->SdiWord, "SDI");
    EXPECT_EQ(PopupForm->Caption(), "Message from the Halverin II");
    EXPECT_FALSE(Main()->SourceBtnImage10->Visible());
    EXPECT_FALSE(Main()->SourceSDI2Label->Visible());
    EXPECT_TRUE(Main()->SourceBtnImage9->Visible());
}

TEST_F(Startup, LaterActivationsDoNotStartAgain) {
    ASSERT_TRUE(Start(1));
    const std::string written = Link()->Written;
    Main()->FormActivate(Main());
    EXPECT_EQ(Link()->Written, written);
    EXPECT_EQ(Seam->Of(TSeamRecorder::kShowModal).size(), 1u);
}

struct TVersionCase {
    std::string Version;
    bool Passes;
};

TEST_F(Startup, SoftwareGate) {
    const TVersionCase cases[] = {{"1.20.A", true}, {"1.21.C", true}, {"1.20", false}, {"1.1", false}};
    for (const TVersionCase& c : cases) {
        SCOPED_TRACE(c.Version);
        TearDown();
        SetUp();
        Device.Version = c.Version;
        EXPECT_EQ(Start(1), c.Passes);
        if (c.Passes) {
            EXPECT_TRUE(Seam->BoxTexts().empty());
            continue;
        }
        EXPECT_EQ(Seam->BoxTexts(),
                  std::vector<std::string>{"Software version " + c.Version +
                                           " is not supported.\nPlease upgrade the CorvaneII to "
                                           "version 1.20.A or later."});
        EXPECT_TRUE(Application->Terminated());
        EXPECT_FALSE(Main()->Timer1->Enabled());
        // The start-up goes no further: no first commands.
        EXPECT_EQ(Link()->Written, ConnectAndIdentify);
    }
}

TEST_F(Startup, HalverinSoftwareGateNamesTheHalverin) {
    Device.Version = "1.19.Z";
    Device.SetModel(2);
    EXPECT_FALSE(Start(2));
    EXPECT_EQ(Seam->BoxTexts(),
              std::vector<std::string>{"Software version 1.19.Z is not supported.\nPlease upgrade "
                                       "the HalverinII to version 1.20.A or later."});
}

TEST_F(Startup, UnansweredRevisionFailsTheGate) {
    Link(); // the device answers identification only
    OnAddressDialog = [this](TIPAddressForm* dialog) {
        Link()->OnWrite = [this](const std::string& s) { Device.Mute = s == "Rev\r\n"; };
        dialog->IPAddrEdit->SetText("127.0.0.1");
        dialog->IP_OkayBtn->Click();
    };
    EXPECT_FALSE(Start(1));
    EXPECT_EQ(Seam->BoxTexts(), (std::vector<std::string>{
                                    "Timeout waiting for a response from the Corvane II",
                                    "Software version  is not supported.\nPlease upgrade the CorvaneII to "
                                    "version 1.20.A or later."}));
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(Startup, UnansweredIdentificationIsAnUnrecognizedDevice) {
    Device.Mute = true;
    EXPECT_FALSE(Start(1));
    // Before identification a time-out names the Halverin II.
    EXPECT_EQ(Seam->BoxTexts(), (std::vector<std::string>{
                                    "Timeout waiting for a response from the Halverin II",
                                    "Connected to an unrecognized device. Ensure the IP address is correct "
                                    "then run the application again."}));
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Link()->Written, "Remote 0\n\rLockout 2\n\rWhoAreYou?\r\n");
    // After the time-out the port is asked to be open again (it already is).
    EXPECT_EQ(Link()->OpenRequests, (std::vector<bool>{true, true}));
    // The reply packet is left capturing.
    EXPECT_TRUE(Link()->ReplyArmed());
}

TEST_F(Startup, AnotherDeviceIsUnrecognized) {
    Device.Identity = "Toaster 3000";
    EXPECT_FALSE(Start(1));
    EXPECT_EQ(Seam->BoxTexts(),
              std::vector<std::string>{"Connected to an unrecognized device. Ensure the IP address "
                                       "is correct then run the application again."});
    EXPECT_EQ(Main()->DeviceModel, 0);
    EXPECT_TRUE(Main()->vLed1->Visible());
}

TEST_F(Startup, IdentificationIgnoresCase) {
    Device.Identity = "corvane ii application";
    EXPECT_TRUE(Start(1));
    EXPECT_EQ(Main()->DeviceModel, 1);
}

TEST_F(Startup, ConnectionSettings) {
    struct TCase {
        const char* What;
        std::string File; // empty: no file
        std::string Address;
        std::string Port;
    };
    const TCase cases[] = {
        {"no file", "", "192.168.1.100", "3000"},
        {"both keys", "[Orvel IP Parameters]\r\nIP=10.1.2.3\r\nPort=3001\r\n\r\n", "10.1.2.3", "3001"},
        {"a port that is not a number", "IP=10.1.2.3\r\nPort=30x1\r\n", "192.168.1.100", "3000"},
        {"no port", "IP=10.1.2.3\r\n", "192.168.1.100", "3000"},
        {"no address", "Port=3001\r\n", "192.168.1.100", "3000"},
        {"an address longer than the field", "IP=10.1.2.3xxxxxxxxxxxxxxxxxxxxxxx\r\nPort=3001\r\n",
         "10.1.2.3xxxxxxxxxxx", "3001"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TearDown();
        SetUp();
        if (!c.File.empty()) WriteFile("Dorvex.ini", c.File);
        std::string shown;
        OnAddressDialog = [&shown](TIPAddressForm* dialog) {
            shown = dialog->IPAddrEdit->Text();
            dialog->IPAddrEdit->SetText("127.0.0.1");
            dialog->IP_OkayBtn->Click();
        };
        ASSERT_TRUE(Start(1));
        EXPECT_EQ(shown, c.Address);
        EXPECT_EQ(Link()->Port, c.Port);
    }
}

} // namespace
