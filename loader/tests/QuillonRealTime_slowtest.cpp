// Real time over TCP: the keep-alive's line ends every 6.11 s while nothing else happens, until a
// key is typed; the command time-out, which reconnects twice before it ends the script; and the
// pause of 2.6 s between an upload's header and its body.
#include "support/LoaderTest.h"

namespace {

class QuillonRealTime : public LoaderTest {
protected:
    QuillonRealTime() { Scale = 1.0; }
};

} // namespace

TEST_F(QuillonRealTime, KeepAliveEvery6110MsUntilAKeyIsTyped) {
    StartTcp();
    Connect();
    ASSERT_TRUE(Main()->SocketActive());
    const std::size_t before = Sim->Chunks().size();
    PumpUntil([] { return false; }, 13000);
    std::vector<long long> times;
    const auto chunks = Sim->Chunks();
    for (std::size_t i = before; i < chunks.size(); ++i)
        if (chunks[i].Bytes == "\r\n") times.push_back(chunks[i].WallMs);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_NEAR(static_cast<double>(times[1] - times[0]), 6110.0, 400.0);

    const std::size_t typed = Sim->Chunks().size();
    char key = 'k';
    Main()->VxTerminal1CharTyped(Main()->VxTerminal1, key);
    PumpUntil([] { return false; }, 7000);
    std::string after;
    const auto later = Sim->Chunks();
    for (std::size_t i = typed; i < later.size(); ++i) after += later[i].Bytes;
    EXPECT_EQ(after, "k");
}

TEST_F(QuillonRealTime, CommandTimeOutsReconnectTwiceThenEndTheScript) {
    StartTcp();
    Connect();
    ASSERT_TRUE(Main()->SocketActive());
    // The unit answers everything but the query.
    Sim->Command("ignore VER");
    // The command time-out, 38 s as the window sets it, made shorter than a query's own wait of
    // 2000 passes, so that it runs out first; the unit's prompts come back within it.
    Main()->CommandTimer->SetInterval(1000);
    EXPECT_TRUE(RunScript("_QC \"VER\"\r\n_QC \"VER\"\r\n_QC \"VER\"\r\n_SC \"after\"\r\n"));
    const std::string none = "Error! No response detected with _QC command";
    EXPECT_EQ(
        Boxes(),
        (std::vector<std::string>{
            none, none,
            "Timeout error! Connection failure! Please check RS232/Ethernet connection. Exiting script.",
            none}));
    EXPECT_EQ(RetryCount, 2);
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Script file reading terminated by user/error(s).");
    EXPECT_TRUE(Main()->SocketActive());
    // Two reconnections, each followed by the line ends that ask for the prompt again.
    int connections = 0;
    for (const std::string& e : Sim->Events())
        connections +=
            e.find("127.0.0.1:") != std::string::npos && e.find("* connected") != std::string::npos;
    EXPECT_EQ(connections, 3);
    const std::string received = Sim->Received();
    std::size_t queries = 0;
    for (std::size_t at = received.find("VER"); at != std::string::npos; at = received.find("VER", at + 1))
        ++queries;
    EXPECT_EQ(queries, 3u);
    EXPECT_EQ(received.find("after"), std::string::npos);
}

TEST_F(QuillonRealTime, TheBodyFollowsItsHeaderAfter2600Ms) {
    StartSim(4, {"--flash", "100"});
    Start();
    std::string body(3000, 'b');
    WriteFile("image.bin", body);
    UploadPause = 100;
    EXPECT_TRUE(RunScript("_TC \"LOADR^M\"\r\n_LF " + Dir() + "/image.bin\r\n_LA 1\r\n_LV 1\r\n_LD\r\n"));
    EXPECT_TRUE(Boxes().empty());
    long long header = 0, first = 0;
    for (const auto& chunk : Sim->Chunks()) {
        if (header == 0 && chunk.Bytes.find("LF 1 3000") != std::string::npos) header = chunk.WallMs;
        if (header != 0 && first == 0 && chunk.Bytes.find('b') != std::string::npos) first = chunk.WallMs;
    }
    ASSERT_NE(first, 0);
    EXPECT_GE(first - header, 2600);
    EXPECT_EQ(Sim->Image(1), body);
}
