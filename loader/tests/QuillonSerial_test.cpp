// Quillon's forms against the loader-unit simulator on pseudo-terminals mapped to COM numbers:
// the start-up's port search, the script commands' bytes on the wire, loader mode, queries and
// their conditions, uploads and their failures.
#include "support/LoaderTest.h"

#include "platform/win/Messages.h"

#include <cstring>
#include <fstream>

namespace {

std::string Bytes(std::size_t size, unsigned seed = 7) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) out += static_cast<char>((i * seed + i / 251) & 0xFF);
    return out;
}

std::string UploadScript(const std::string& file, const std::string& version = "2.18") {
    return "_TC \"LOADR^M\"\r\n_LF " + file + "\r\n_LA 10000\r\n_LV " + version + "\r\n_LD\r\n";
}

class QuillonSerial : public LoaderTest {};

} // namespace

TEST_F(QuillonSerial, StartUpSearchesFromCom1AndFindsAUnitAlreadyInLoaderMode) {
    // COM3 is a unit that does not answer, COM6 one on its loader console.
    TLoaderSim silent;
    ASSERT_TRUE(silent.Running());
    silent.MapTo(3);
    silent.Command("mute");
    StartSim(6, {"--loader"});
    Start();

    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "6");
    EXPECT_EQ(Main()->LastGoodComPort, 6);
    EXPECT_EQ(Main()->ConnectionMode, 0);
    EXPECT_EQ(ExpectedPrompt, '>');
    EXPECT_EQ(Main()->VexComPort1->ComNumber(), 6);
    EXPECT_TRUE(Main()->VexComPort1->Open());
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Established communication on COM 6");
    EXPECT_FALSE(Main()->Ethernet1->Enabled());
    EXPECT_TRUE(Main()->PickButton->Enabled());
    // Both probes on each port, the normal prompt's first.
    EXPECT_EQ(silent.Received(), "\r\n\r\n");
    EXPECT_EQ(Sim->Received(), "\r\n\r\n");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(InfoForm->Visible());
}

TEST_F(QuillonSerial, SettingsPortIsCheckedFirstAndAPortWithoutAnswerIsClosedAgain) {
    TLoaderSim silent;
    ASSERT_TRUE(silent.Running());
    silent.MapTo(2);
    silent.Command("mute");
    StartSim(5);
    WriteFile("LoaderDefault.ini", Settings({{1, "COM5"}, {2, "57600"}}));
    Start();
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "5");
    EXPECT_EQ(Main()->ComBaudLabel->Caption(), "57600");
    EXPECT_EQ(silent.Received(), "") << "the settings port answered: no search";

    // A port chosen from the menu that does not answer is reported, and may be used all the same.
    Main()->ComMenuItems[1]->Click();
    EXPECT_EQ(silent.Received(), "\r\n\r\n");
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{
                  "Error! Cannot establish communication using COM 2. Please check RS232 connection"});
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "2");
    EXPECT_TRUE(Main()->VexComPort1->Open());
    // A port that is not there at all.
    Seam->Clear();
    Main()->ComMenuItems[13]->Click();
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "None");
    EXPECT_FALSE(Main()->PickButton->Enabled());
}

TEST_F(QuillonSerial, SettingsFileBaudAndLock) {
    StartSim(4);
    WriteFile("LoaderDefault.ini", Settings({{2, "14400"}, {25, "TRUE"}}));
    Start();
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Error! Baud Rate set in LoaderDefault.ini file is invalid!"});
    EXPECT_EQ(Main()->ComBaudLabel->Caption(), "38400");
    // Locked: no port check, the buttons stay off.
    EXPECT_EQ(Sim->Received(), "");
    EXPECT_FALSE(Main()->PickButton->Enabled());
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "None");
}

TEST_F(QuillonSerial, EachScriptCommandSendsItsBytes) {
    StartSim(4);
    Start();
    ASSERT_EQ(Main()->ComNumberLabel->Caption(), "4");
    TakeReceived();
    struct Case {
        const char* Script;
        const char* Wire;
    };
    const Case cases[] = {
        {"_SC \"abc\"\r\n", "abc\r"},
        {"_SC \"a^Mb\"\r\n", "a\r\nb\r"},
        {"   _SC \"lead\"\n", "lead\r"},
        {"; _SC \"comment\"\r\nxyz\r\n", ""},
        {"_SC no quote\r\n", ""},
        {"_SC \"last line\"", "last line\r"},
        {"_DY 20\r\n_LP 2\r\n_LC \"LOAD\"\r\n_LT x\r\n", ""},
        {"_WP\r\n", "\r\n"},
        {"_QC \"VER\"\r\n", "VER\r"},
        {"_QC \"A^MB\"\r\n", "A B\r"},
        {"_TC \"LOADR^M\"\r\n", "LOADR\r\n"},
        {"_FI\r\n_SC \"after the end\"\r\n", ""},
    };
    for (const Case& c : cases) {
        Seam->Clear();
        RunScript(c.Script);
        EXPECT_EQ(TakeReceived(std::strlen(c.Wire)), c.Wire) << c.Script;
    }
    EXPECT_EQ(UploadPause, 2000);
    EXPECT_EQ(LoadCmd, "LOAD");
    EXPECT_EQ(TerminalDuringUpload, 'x');
    RunScript("_LT \r\n");
    EXPECT_EQ(TerminalDuringUpload, 0);
}

TEST_F(QuillonSerial, LoaderModeAndItsFailures) {
    StartSim(4, {"--loader-command", "BOOTLOADER"});
    WriteFile("LoaderDefault.ini", Settings({{19, "BOOTLOADER"}}));
    Start();
    TakeReceived();

    // Typed text that is not the loader command: the settings' loader command follows it.
    EXPECT_TRUE(RunScript("_TC \"HELLO^M\"\r\n_SC \"next\"\r\n"));
    EXPECT_TRUE(Sim->HasEvent("loader mode"));
    EXPECT_EQ(TakeReceived(26), "HELLO\r\nBOOTLOADER\r\n\r\nnext\r");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(PromptWait, 400);

    // Back on the normal console with a loader command the unit does not take: only "#" answers.
    Sim->Command("normal");
    LoaderModeCmd = "LOADR\r\n";
    EXPECT_FALSE(RunScript("_TC \"HELLO^M\"\r\n_SC \"not sent\"\r\n"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error! Unit not in Loader Mode! Exiting script"});
    EXPECT_EQ(TakeReceived().find("not sent"), std::string::npos);

    Seam->Clear();
    Sim->Command("mute");
    EXPECT_FALSE(RunScript("_TC \"HELLO^M\"\r\n"));
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Error! Unable to get response from unit(_TC)! Exiting script"});
}

TEST_F(QuillonSerial, QueriesAndTheirConditions) {
    StartSim(4, {"--answer", "VER=2.18", "--answer", "VERBLANK=", "--answer",
                 "VERLONG=" + std::string(1500, 'x'), "--answer", "ABC=1"});
    Start();
    const std::string tests = "_AG \"3\" _DM \"major 3 or more\"\r\n"
                              "_AL \"3\" _DM \"below 3\"\r\n"
                              "_IG \"18\" _DM \"minor 18 or more\"\r\n"
                              "_IL \"18\" _DM \"minor below 18\"\r\n"
                              "_CS \"2.1\" _DM \"contains\"\r\n"
                              "_CN \"2.1\" _DM \"does not contain\"\r\n"
                              "_CE \"2.18\" _DM \"equal\"\r\n"
                              "_CE \"2.18\"\r\n";
    EXPECT_TRUE(RunScript("_QC \"VER\"\r\n" + tests));
    EXPECT_EQ(QcAnswer, "2.18");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"below 3", "minor 18 or more", "contains", "equal",
                                                 "Error! No line found after successful _CE"}));

    Seam->Clear();
    Sim->Command("answer VER = 3.0");
    EXPECT_TRUE(RunScript("_QC \"VER\"\r\n" + tests));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"major 3 or more", "minor below 18", "does not contain"}));

    // A condition whose remainder ends the run ends it with success.
    Seam->Clear();
    EXPECT_TRUE(RunScript("_QC \"VER\"\r\n_AG \"3\" _FI\r\n_DM \"not shown\"\r\n"));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "SUCCESS. Reading script file complete");

    // An answer of line ends only is no answer; a version test on it finds no version.
    Seam->Clear();
    EXPECT_TRUE(RunScript("_QC \"VERBLANK\"\r\n_AG \"1\" _DM \"x\"\r\n"));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Error! No response detected with _QC command",
                                                 "Prev _QC does not have version info."}));

    // A reply longer than the capture buffer still ends at its prompt.
    Seam->Clear();
    EXPECT_TRUE(RunScript("_QC \"VERLONG\"\r\n"));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_LT(QcAnswer.size(), 1000u);
    EXPECT_EQ(QcAnswer, std::string(QcAnswer.size(), 'x'));
    EXPECT_FALSE(ReplyTimedOut);

    // Other queries take a prompt among their first 10 bytes for data: the capture runs out and
    // the answer is exactly what was collected.
    Seam->Clear();
    EXPECT_TRUE(RunScript("_QC \"ABC\"\r\n"));
    EXPECT_TRUE(ReplyTimedOut);
    EXPECT_EQ(QcAnswer, "1#");
}

TEST_F(QuillonSerial, UploadsAFileTheSimulatorConfirms) {
    StartSim(4);
    Start();
    const std::string body = Bytes(4500);
    WriteFile("image.bin", body);
    EXPECT_TRUE(RunScript(UploadScript(Dir() + "/image.bin")));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    ASSERT_TRUE(Sim->HasEvent("image accepted: 4500 bytes"));
    EXPECT_EQ(Sim->Image(1), body);
    char header[64];
    std::snprintf(header, sizeof header, "LF 10000 4500 %x 2.18\r",
                  static_cast<unsigned>(Main()->FileChecksum));
    EXPECT_NE(Sim->Received().find(std::string(header) + body.substr(0, 100)), std::string::npos);
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "SUCCESS. Reading script file complete");
    EXPECT_TRUE(NoUploadRunning);
    EXPECT_FALSE(ProgressForm->Visible());
    EXPECT_EQ(ProgressForm->AbortFlag, 0);
}

TEST_F(QuillonSerial, BlockSizesEmptyFilesAndTheRawSend) {
    StartSim(4);
    Start();
    struct Case {
        std::size_t Size;
        const char* Version;
    };
    int image = 0;
    for (const Case c : {Case{4000, "A"}, Case{1999, "B"}, Case{0, "date"}}) {
        const std::string body = Bytes(c.Size, 3);
        WriteFile("image.bin", body);
        Seam->Clear();
        EXPECT_TRUE(RunScript(UploadScript(Dir() + "/image.bin", c.Version))) << c.Size;
        EXPECT_TRUE(Boxes().empty()) << c.Size;
        ++image;
        EXPECT_EQ(Sim->Image(image), body) << c.Size;
        EXPECT_EQ(ProgressForm->FileProgressBar->Max(), c.Size >= 2000 ? static_cast<int>(c.Size / 2000) : 1);
    }
    EXPECT_NE(Sim->Received().find("LF 10000 0 0 "), std::string::npos);
    // "DATE" puts the file's time in the header.
    EXPECT_NE(Main()->VersionText.find('_'), std::string::npos) << Main()->VersionText;

    // Without _LA and _LV the file goes raw, on the normal console.
    Sim->Command("normal");
    TakeReceived();
    const std::string raw(9000, 'r');
    WriteFile("raw.bin", raw);
    EXPECT_TRUE(RunScript("_LA 10000\r\n_LF " + Dir() + "/raw.bin\r\n_LD\r\n"));
    EXPECT_TRUE(PumpUntil([&] { return Sim->Received().size() >= raw.size(); }));
    EXPECT_EQ(TakeReceived(raw.size()), raw);
}

TEST_F(QuillonSerial, RefusedUploadAndAMissingFile) {
    StartSim(4);
    Start();
    WriteFile("image.bin", Bytes(3000));
    Sim->Command("refuse");
    EXPECT_TRUE(RunScript(UploadScript(Dir() + "/image.bin") + "_SC \"not sent\"\r\n"));
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{
                  "Error! Unable to receive prompt after upload. Upload unsuccessful. Exiting script."});
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Script file reading terminated by user/error(s).");
    EXPECT_EQ(Sim->Received().find("not sent"), std::string::npos);

    Sim->Command("reset");
    Seam->Clear();
    EXPECT_TRUE(RunScript("_LF " + Dir() + "/missing.bin\r\n_LA 1\r\n_LV 1\r\n_LD\r\n"));
    // Without a file the chain stops at _LF, and _LD tries the raw send of the file named.
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Error! Unable to open file " + Dir() +
                                                     "/missing.bin. Cannot upload file.",
                                                 "Error opening " + Dir() + "/missing.bin.\r"}));
    Seam->Clear();
    EXPECT_FALSE(RunScript("_DM \"x\"", "nothing-here/missing.sld"));
    EXPECT_EQ(Boxes().at(0), "Error opening file " + Dir() + "/nothing-here/missing.sld for read.");
}

TEST_F(QuillonSerial, AStalledUnitCancelsTheUpload) {
    StartSim(4);
    Start();
    const std::string path = Dir() + "/big.bin";
    WriteFile("big.bin", Bytes(150000));
    // The unit stops reading once the header is in.
    static TLoaderSim* sim = nullptr;
    sim = Sim.get();
    const auto timer = SetTimer(0, 0, 5, [](HWND, UINT, std::uintptr_t id, DWORD) {
        if (sim->Received().find("LF 10000 150000") == std::string::npos) return;
        KillTimer(0, id);
        sim->Command("stall");
    });
    EXPECT_TRUE(RunScript(UploadScript(path)));
    KillTimer(0, timer);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Error! Output Buffer never empties. Check RS232 connection. Cancel upload.");
    EXPECT_EQ(boxes[1], "Upload cancelled/incomplete!!! Upload for " + path + " section was incomplete.");
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
    EXPECT_TRUE(NoUploadRunning);
    EXPECT_FALSE(Sim->HasEvent("image accepted"));
}
