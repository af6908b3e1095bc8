// Quillon's forms against the loader-unit simulator over loopback TCP: connecting through the
// Ethernet dialog and its refusals, scripts and uploads over the socket, a dropped connection that
// the script reader reopens once, and one dropped under an upload, which stops it.
#include "support/LoaderTest.h"

#include "platform/win/Messages.h"
#include "tools/testing/LoopbackPeers.h"

namespace {

class QuillonTcp : public LoaderTest {
protected:
    void StartTcp(std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--flash", "50"});
        LoaderTest::StartTcp(options);
    }
};

std::string Bytes(std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) out += static_cast<char>(i * 31 + 5);
    return out;
}

} // namespace

TEST_F(QuillonTcp, ConnectsThroughTheDialogAndChecksThePrompt) {
    StartTcp();
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "None");
    Connect();
    EXPECT_TRUE(Main()->SocketActive());
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Connect via Ethernet successful");
    EXPECT_EQ(Main()->ConnectionMode, 1);
    EXPECT_TRUE(Main()->EthernetCheckBox->Checked());
    EXPECT_FALSE(Main()->ConfigMenu->Enabled());
    EXPECT_FALSE(Main()->EnetConnect1->Enabled());
    EXPECT_FALSE(ClientSocketForm->Visible());
    EXPECT_TRUE(Main()->PickButton->Enabled());
    // The loader's prompt was expected first; the normal console answered the second probe.
    EXPECT_EQ(ExpectedPrompt, '#');
    EXPECT_EQ(TakeReceived(8), "\r\n\r\n\r\n\r\n");

    Main()->EnetDisconnect1->Click();
    EXPECT_FALSE(Main()->SocketActive());
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Ethernet connection closed");
    EXPECT_TRUE(Main()->EnetConnect1->Enabled());
    EXPECT_FALSE(Main()->EthernetCheckBox->Checked());
}

TEST_F(QuillonTcp, TheDialogRefusesBadFieldsAndReportsAPortThatIsClosed) {
    StartTcp();
    struct Case {
        const char* Port;
        const char* Message;
    };
    for (const Case c : {Case{"65536", "Error! Port # must be less than 65535"},
                         Case{"port", "Error! Invalid IP Address / Port #"}}) {
        Seam->Clear();
        ClientSocketForm->PortNumberTxEdit->SetText(c.Port);
        Connect();
        EXPECT_EQ(Boxes(), std::vector<std::string>{c.Message}) << c.Port;
        EXPECT_FALSE(Main()->SocketActive());
    }
    Seam->Clear();
    ClientSocketForm->IPEdit2->SetText("300");
    ClientSocketForm->IPEdit2Exit(ClientSocketForm->IPEdit2);
    ClientSocketForm->IPEdit3->SetText("x");
    ClientSocketForm->IPEdit3Exit(ClientSocketForm->IPEdit3);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Error! Number must be between 0 - 255",
                                                 "Error! Invalid IP Address"}));

    Seam->Clear();
    FillAddress("127.0.0.1", RefusingPort());
    Connect();
    EXPECT_FALSE(Main()->SocketActive());
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Error! Cannot connect to server/lost connection. Verify IP Address and Port #"});
}

TEST_F(QuillonTcp, ScriptsAndUploadsOverTheSocket) {
    StartTcp({"--answer", "VER=2.18"});
    Connect();
    ASSERT_TRUE(Main()->SocketActive());
    TakeReceived();
    EXPECT_TRUE(RunScript("_SC \"a^Mb\"\r\n_QC \"VER\"\r\n_CS \"2.18\" _DM \"found\"\r\n"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"found"});
    EXPECT_EQ(TakeReceived(10), "a\r\nb\rVER\r\n");

    Seam->Clear();
    const std::string body = Bytes(5000);
    WriteFile("image.bin", body);
    EXPECT_TRUE(
        RunScript("_TC \"LOADR^M\"\r\n_LF " + Dir() + "/image.bin\r\n_LA 20000\r\n_LV 1.5\r\n_LD\r\n"));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    ASSERT_TRUE(Sim->HasEvent("image accepted: 5000 bytes"));
    EXPECT_EQ(Sim->Image(1), body);
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "SUCCESS. Reading script file complete");
    EXPECT_EQ(RetryCount, 0);
}

TEST_F(QuillonTcp, ADroppedConnectionIsReopenedOnceBetweenCommands) {
    StartTcp();
    Connect();
    ASSERT_TRUE(Main()->SocketActive());
    static TLoaderSim* sim = nullptr;
    sim = Sim.get();
    // The unit hangs up once it has the first line (seen in the pause between the two delays,
    // which do not handle messages themselves).
    const auto timer = SetTimer(0, 0, 5, [](HWND, UINT, std::uintptr_t id, DWORD) {
        if (sim->Received().find("one\r") == std::string::npos) return;
        KillTimer(0, id);
        sim->Command("drop");
    });
    EXPECT_TRUE(RunScript("_SC \"one\"\r\n_DY 20000\r\n_DY 20000\r\n_SC \"two\"\r\n"));
    KillTimer(0, timer);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_TRUE(Main()->SocketActive());
    // The line is sent; the unit logs it once it has read it.
    EXPECT_TRUE(PumpUntil([] { return sim->Received().find("two\r") != std::string::npos; }));
    int connections = 0;
    for (const std::string& e : Sim->Events())
        connections +=
            e.find("127.0.0.1:") != std::string::npos && e.find("* connected") != std::string::npos;
    EXPECT_EQ(connections, 2);

    // Gone for good: the reader gives up.
    Seam->Clear();
    sim = Sim.get();
    const auto again = SetTimer(0, 0, 5, [](HWND, UINT, std::uintptr_t id, DWORD) {
        if (sim->Received().find("three\r") == std::string::npos) return;
        KillTimer(0, id);
        sim->Command("quit");
    });
    EXPECT_FALSE(RunScript("_SC \"three\"\r\n_DY 20000\r\n_DY 20000\r\n_SC \"four\"\r\n"));
    KillTimer(0, again);
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back(), "Exiting script. Socket closed");
}

TEST_F(QuillonTcp, AConnectionLostUnderAnUploadStopsIt) {
    StartTcp();
    Connect();
    ASSERT_TRUE(Main()->SocketActive());
    // Lines the unit would take for commands, were any of them sent over a new connection.
    std::string body;
    while (body.size() < 400000) body += "ZZZZZZZZZ\r";
    WriteFile("image.bin", body);
    const std::string path = Dir() + "/image.bin";
    // The unit hangs up once the header is in, before the body starts.
    const auto timer = WhenSimReceived(*Sim, "LF 20000 400000 ", [this] { Sim->Command("drop"); });
    RunScript("_TC \"LOADR^M\"\r\n_LF " + path + "\r\n_LA 20000\r\n_LV 1.5\r\n_LD\r\n_SC \"after\"\r\n");
    KillTimer(0, timer);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0], "Upload cancelled/incomplete!!! Upload for " + path + " section was incomplete.");
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
    EXPECT_EQ(Sim->Received().find("after"), std::string::npos);
    // No part of the body reached a later connection, where the unit reads commands.
    EXPECT_FALSE(Sim->HasEvent("unknown command"));
    EXPECT_FALSE(Sim->HasEvent("image accepted"));
}
