// Real time over TCP: the keep-alive's line ends every 6.11 s while nothing else happens, until a
// key is typed; and the pause of 2.6 s between an upload's header and its body.
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
