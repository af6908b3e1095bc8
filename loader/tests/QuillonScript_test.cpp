// Script commands that end or pause the link, ask the user, or change the loader prompt, run
// against the loader-unit simulator on a pseudo-terminal and over loopback TCP.
#include "support/LoaderTest.h"

#include "platform/win/Messages.h"

#include <cstring>

namespace {

class QuillonScript : public LoaderTest {
protected:
    void StartSerial() {
        StartSim(4);
        Start();
        ASSERT_EQ(Main()->ComNumberLabel->Caption(), "4");
        TakeReceived();
    }
};

} // namespace

TEST_F(QuillonScript, SrClosesThePortPausesAndChecksItAgain) {
    StartSerial();
    EXPECT_TRUE(RunScript("_SR \"REBOOT\"\r\n_SC \"after\"\r\n"));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    // The command, the prompt check on the port opened again, then the script goes on.
    EXPECT_EQ(TakeReceived(15), "REBOOT\r\r\nafter\r");
    EXPECT_TRUE(Main()->VexComPort1->Open());
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "4");
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "SUCCESS. Reading script file complete");
    // Two pauses of 3.8 s (shortened with the other waits) lie between the command and the check.
    long long command = 0, check = 0;
    for (const auto& chunk : Sim->Chunks()) {
        if (command == 0 && chunk.Bytes.find("REBOOT") != std::string::npos) command = chunk.WallMs;
        if (command != 0 && check == 0 && chunk.Bytes.find('\n') != std::string::npos) check = chunk.WallMs;
    }
    EXPECT_GE(check - command, static_cast<long long>(3800 * Scale));

    // The port is gone when the unit has restarted: the script stops.
    Seam->Clear();
    const auto timer = WhenSimReceived(*Sim, "AGAIN\r", [] { ClearComMappings(); });
    EXPECT_FALSE(RunScript("_SR \"AGAIN\"\r\n_SC \"not sent\"\r\n"));
    KillTimer(0, timer);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{
                           "Error! Cannot establish communication using COM 4. Please check RS232 connection",
                           "Error! Unable to connect to unit! Exiting script"}));
    EXPECT_FALSE(Main()->VexComPort1->Open());
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "None");
}

TEST_F(QuillonScript, StAndFtEndTheRunAndCloseTheSerialPort) {
    StartSerial();
    struct Case {
        const char* Script;
        const char* Wire;
        bool Result;
        const char* Status;
    };
    for (const Case c :
         {Case{"_ST \"bye^M\"\r\n_SC \"not sent\"\r\n", "bye\r\n\r", false, " "},
          Case{"_FT\r\n_SC \"not sent\"\r\n", "", true, "SUCCESS. Reading script file complete"}}) {
        SCOPED_TRACE(c.Script);
        Seam->Clear();
        EXPECT_EQ(RunScript(c.Script), c.Result);
        EXPECT_TRUE(Boxes().empty()) << Boxes().front();
        EXPECT_EQ(TakeReceived(std::strlen(c.Wire)), c.Wire);
        EXPECT_FALSE(Main()->VexComPort1->Open());
        EXPECT_EQ(Main()->ComNumberLabel->Caption(), "None");
        EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), c.Status);
        EXPECT_TRUE(Main()->Ethernet1->Enabled());
        // The user takes the port again.
        Main()->ComMenuItems[3]->Click();
        ASSERT_TRUE(Main()->VexComPort1->Open());
        TakeReceived(2);
    }
}

TEST_F(QuillonScript, FtOverTcpClosesTheConnectionForGood) {
    StartTcp();
    Connect();
    ASSERT_TRUE(Main()->SocketActive());
    TakeReceived(8);

    EXPECT_TRUE(RunScript("_SC \"one\"\r\n_FT\r\n_SC \"not sent\"\r\n"));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    PumpUntil([] { return false; }, 300);
    EXPECT_FALSE(Main()->SocketActive());
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "SUCCESS. Reading script file complete");
    EXPECT_EQ(TakeReceived(), "one\r");
    int connections = 0;
    for (const std::string& e : Sim->Events())
        connections +=
            e.find("127.0.0.1:") != std::string::npos && e.find("* connected") != std::string::npos;
    EXPECT_EQ(connections, 1);
}

TEST_F(QuillonScript, DqAsksAndDoOrDcRunsTheAnswersLine) {
    StartSerial();
    // Without a question asked neither runs.
    EXPECT_TRUE(RunScript("_DO _SC \"yes\"\r\n_DC _SC \"no\"\r\n"));
    EXPECT_EQ(TakeReceived(), "");

    struct Case {
        TMsgDlgBtn Answer;
        const char* Wire;
    };
    for (const Case c : {Case{mbOK, "yes\r"}, Case{mbCancel, "no\r"}}) {
        Seam->Clear();
        Seam->AnswerBox(c.Answer);
        EXPECT_TRUE(RunScript("_DQ \"Upload now?^MSure\"\r\n_DO _SC \"yes\"\r\n_DC _SC \"no\"\r\n"));
        ASSERT_EQ(Seam->Entries.size(), 1u);
        EXPECT_EQ(Seam->Entries[0].Box.Caption, "Quillon - Query");
        EXPECT_EQ(Seam->Entries[0].Box.Text, "Upload now?\rSure");
        EXPECT_EQ(Seam->Entries[0].Box.Buttons, (std::vector<TMsgDlgBtn>{mbOK, mbCancel}));
        EXPECT_EQ(TakeReceived(std::strlen(c.Wire)), c.Wire);
    }
}

TEST_F(QuillonScript, PcChangesThePromptThatTcWaitsFor) {
    StartSerial();
    // With "#" as the loader prompt the normal console's answer brings "_TC" to its end at once:
    // no loader command follows.
    EXPECT_TRUE(RunScript("_PC \"#\"\r\n_TC \"HELLO^M\"\r\n_SC \"next\"\r\n"));
    EXPECT_EQ(LoaderPrompt, '#');
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(TakeReceived(12), "HELLO\r\nnext\r");
    EXPECT_FALSE(Sim->HasEvent("loader mode"));
}
