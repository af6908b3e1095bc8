// The IP-address dialog: the address check and its rewrite, the connect wait with its outcomes, and
// the ways the dialog ends the program.
#include "support/PanelTest.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using IPAddress = PanelTest;

TEST(ScanDottedAddress, ReadsAsTheFormatDoes) {
    struct TCase {
        std::string Text;
        std::optional<std::array<int, 4>> Numbers;
    };
    const TCase cases[] = {
        {"192.168.1.10", std::array<int, 4>{192, 168, 1, 10}},
        {"10.0.0.5abc", std::array<int, 4>{10, 0, 0, 5}},
        {"010.001.000.7", std::array<int, 4>{10, 1, 0, 7}},
        {" 1. 2.+3.-4", std::array<int, 4>{1, 2, 3, -4}},
        {"1.2.3.4.5", std::array<int, 4>{1, 2, 3, 4}},
        {"256.1.1.1", std::array<int, 4>{256, 1, 1, 1}},
        {"1.2.3", std::nullopt},
        {"1.2.3.", std::nullopt},
        {"1..2.3", std::nullopt},
        {"1 .2.3.4", std::nullopt},
        {"a.b.c.d", std::nullopt},
        {"", std::nullopt},
        {"99999999999.1.1.1", std::nullopt},
    };
    for (const TCase& c : cases) EXPECT_EQ(ScanDottedAddress(c.Text), c.Numbers) << c.Text;
}

TEST_F(IPAddress, TrailingLettersAreDroppedAndLeadingZerosToo) {
    ASSERT_TRUE(Start(1, "010.0.0.5abc"));
    EXPECT_EQ(Link()->Address, "10.0.0.5");
    EXPECT_EQ(IPAddressForm->IPAddrEdit->Text(), "10.0.0.5");
    EXPECT_EQ(Main()->GetIPText(), "10.0.0.5");
}

TEST_F(IPAddress, BadAddressesAreRefusedAndTheDialogStays) {
    std::vector<std::string> open;
    OnAddressDialog = [&](TIPAddressForm* dialog) {
        for (const char* bad : {"256.1.1.1", "1.2.3", "-1.2.3.4"}) {
            dialog->IPAddrEdit->SetText(bad);
            dialog->IP_OkayBtn->Click();
            open.push_back(dialog->Visible() && dialog->ModalResult() == mrNone ? "open" : "closed");
        }
        dialog->IPAddrEdit->SetText("127.0.0.1");
        dialog->IP_OkayBtn->Click();
    };
    ASSERT_TRUE(Start(1));
    EXPECT_EQ(open, (std::vector<std::string>{"open", "open", "open"}));
    EXPECT_EQ(Seam->BoxTexts(), (std::vector<std::string>{
                                    " Invalid IP Address \"256.1.1.1.\" Enter a valid one and try again.",
                                    " Invalid IP Address \"1.2.3.\" Enter a valid one and try again.",
                                    " Invalid IP Address \"-1.2.3.4.\" Enter a valid one and try again."}));
    EXPECT_EQ(Seam->Of(TSeamRecorder::kMessageBox)[0].Box.DlgType, mtError);
    EXPECT_EQ(Link()->OpenRequests, std::vector<bool>{true});
}

TEST_F(IPAddress, EnterInTheEditActsAsOk) {
    OnAddressDialog = [](TIPAddressForm* dialog) {
        dialog->IPAddrEdit->SetText("127.0.0.1");
        WORD key = 13;
        dialog->IPAddrEdit->OnKeyUp(dialog->IPAddrEdit, key, {});
    };
    EXPECT_TRUE(Start(1));
}

TEST_F(IPAddress, ASlowConnectionIsWaitedFor) {
    Link()->Connect = TFakeLink::TConnect::AfterMs;
    Link()->ConnectDelayMs = 400;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start(1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_TRUE(Seam->BoxTexts().empty());
}

TEST_F(IPAddress, NoConnectEventMeansDeviceNotFound) {
    Link()->Connect = TFakeLink::TConnect::Never;
    IPAddressForm->ConnectTimeoutMs = 100;
    bool stays = false;
    OnAddressDialog = [&](TIPAddressForm* dialog) {
        dialog->IPAddrEdit->SetText("10.9.8.7");
        dialog->IP_OkayBtn->Click();
        stays = dialog->Visible() && dialog->ModalResult() == mrNone;
        dialog->IP_CloseBtn->Click();
    };
    EXPECT_FALSE(Start(1));
    EXPECT_TRUE(stays);
    EXPECT_EQ(
        Seam->BoxTexts(),
        std::vector<std::string>{" Device not found at IP Address \"10.9.8.7.\" Run program again with the "
                                 "correct address."});
}

TEST_F(IPAddress, ARefusedConnectionShowsTheSocketErrorAndKeepsWaiting) {
    Link()->Connect = TFakeLink::TConnect::Refused;
    IPAddressForm->ConnectTimeoutMs = 100;
    std::vector<bool> opens;
    OnAddressDialog = [&](TIPAddressForm* dialog) {
        dialog->IP_OkayBtn->Click();
        opens = Link()->OpenRequests;
        dialog->IP_CloseBtn->Click();
    };
    EXPECT_FALSE(Start(1));
    EXPECT_EQ(Seam->BoxTexts(),
              (std::vector<std::string>{"Socket Error: 274D",
                                        " Device not found at IP Address \"192.168.1.100.\" Run "
                                        "program again with the correct address."}));
    EXPECT_EQ(opens, (std::vector<bool>{true, false}));
}

TEST_F(IPAddress, AConnectionThatClosesAtOnceEndsTheProgram) {
    Link()->Connect = TFakeLink::TConnect::ButClosed;
    EXPECT_FALSE(Start(1));
    EXPECT_EQ(Seam->BoxTexts(),
              std::vector<std::string>{" Unable to connect to IP Address 127.0.0.1. Please close "
                                       "application and try again."});
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Main()->Link, nullptr);
    EXPECT_FALSE(Main()->Timer1->Enabled());
}

TEST_F(IPAddress, CancelEndsTheProgramWithoutAWord) {
    OnAddressDialog = [](TIPAddressForm* dialog) { dialog->IP_CloseBtn->Click(); };
    EXPECT_FALSE(Start(1));
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Main()->Link, nullptr);
    EXPECT_EQ(Main()->YellowOnBitmap, nullptr);
    EXPECT_TRUE(Seam->BoxTexts().empty());
    EXPECT_EQ(Main()->DeviceModel, 0);
}

TEST_F(IPAddress, ClosingTheDialogEndsTheProgram) {
    OnAddressDialog = [](TIPAddressForm* dialog) { dialog->Close(); };
    EXPECT_FALSE(Start(1));
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Main()->Link, nullptr);
}

} // namespace
