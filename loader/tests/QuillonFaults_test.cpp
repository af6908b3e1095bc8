// Uploads that cannot complete: over a pseudo-terminal with the loader-unit simulator, a file that
// shrank after its size went into the header and a raw send to a unit that stopped reading; on the
// simulated serial line, CTS lost part way through the body.
#include "support/LineUnit.h"
#include "support/LoaderTest.h"

#include "platform/win/Messages.h"

#include <filesystem>

namespace {

std::string Bytes(std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) out += static_cast<char>((i * 11 + i / 257) & 0xFF);
    return out;
}

class QuillonFaults : public LoaderTest {};

} // namespace

TEST_F(QuillonFaults, AFileThatShrankAfterItsHeaderIsNotSentShort) {
    StartSim(4);
    Start();
    const std::string body = Bytes(10000);
    WriteFile("image.bin", body);
    const std::string path = Dir() + "/image.bin";
    // The header announced 10000 bytes; before the body goes the file loses all but 3000.
    const auto timer = WhenSimReceived(*Sim, "LF 10000 10000 ", [path] { std::filesystem::resize_file(path, 3000); });
    EXPECT_TRUE(RunScript("_TC \"LOADR^M\"\r\n_LF " + path + "\r\n_LA 10000\r\n_LV 1.0\r\n_LD\r\n"));
    KillTimer(0, timer);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0], "Upload cancelled/incomplete!!! Upload for " + path + " section was incomplete.");
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
    // The one whole block the file still had went; nothing of the short rest followed it.
    const std::string received = Sim->Received();
    EXPECT_NE(received.find(body.substr(0, 2000)), std::string::npos);
    EXPECT_EQ(received.find(body.substr(2000, 1000)), std::string::npos);
    EXPECT_FALSE(Sim->HasEvent("image accepted"));
}

TEST_F(QuillonFaults, TheRawSendStopsAtItsFirstFailure) {
    StartSim(4);
    Start();
    // On the normal console, without _LV, the file goes raw; the unit reads nothing of it.
    Sim->Command("stall");
    WriteFile("raw.bin", std::string(200000, 'r'));
    RunScript("_LA 10000\r\n_LF " + Dir() + "/raw.bin\r\n_LD\r\n");
    // Fifty chunks of 4000 bytes: the first that cannot drain ends the send, with one message.
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Error! Output Buffer never empties. Check RS232 connection. Cancel upload."});
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
    Sim->Command("unstall");
    PumpUntil([] { return false; }, 300);
    EXPECT_LT(Sim->Received().size(), 200000u);
}

TEST_F(QuillonFaults, CtsLostDuringAnUploadCancelsItAndTheLinkIsGivenUp) {
    // A unit on its loader console on COM7 whose CTS goes off after the first block.
    TLineUnit unit(7, true);
    unit.DropCtsAfter(2000);
    WriteFile("LoaderDefault.ini", Settings({{1, "COM7"}}));
    Start();
    ASSERT_EQ(Main()->ComNumberLabel->Caption(), "7");
    const std::string body = Bytes(10000);
    WriteFile("image.bin", body);
    const std::string path = Dir() + "/image.bin";
    // While the loader waits for the unit's prompt the user gives the port up (COM Port > None).
    static TQuillonForm* main = nullptr;
    main = Main();
    const auto timer = SetTimer(0, 0, 5, [](HWND, UINT, std::uintptr_t id, DWORD) {
        if (main->InfoStatusBar->SimpleText().rfind("Waiting for prompt", 0) != 0) return;
        KillTimer(0, id);
        main->NoneMenu->Click();
    });
    EXPECT_TRUE(RunScript("_LF " + path + "\r\n_LA 10000\r\n_LV 1.0\r\n_LD\r\n_SC \"after\"\r\n"));
    KillTimer(0, timer);
    EXPECT_TRUE(unit.CtsDropped());
    const std::vector<std::string> boxes = Boxes();
    ASSERT_GE(boxes.size(), 4u);
    EXPECT_EQ(boxes[0], "Error! CTS line not set. Check RS232 connection. Cancel upload.");
    EXPECT_EQ(boxes[1], "Upload cancelled/incomplete!!! Upload for " + path + " section was incomplete.");
    // With the port closed each prompt try turns to TCP, whose empty address the Ethernet dialog
    // refuses; then the wait gives up.
    EXPECT_EQ(std::vector<std::string>(boxes.end() - 2, boxes.end()),
              (std::vector<std::string>{
                  "Error! Unable to receive prompt after upload. Upload unsuccessful. Exiting script.",
                  "Error! Communications lost."}));
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Script file reading terminated by user/error(s).");
    EXPECT_LT(unit.BodyBytes(), body.size());
    EXPECT_EQ(unit.Received().find("after"), std::string::npos);
}
