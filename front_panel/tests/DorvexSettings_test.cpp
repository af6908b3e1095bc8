// The settings files: "Dorvex.ini" and the labels file of each model, written at close byte for
// byte and read back at start.
#include "support/PanelTest.h"

#include "platform/rtl/Strings.h"
#include "tools/testing/FileLimits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>

namespace {

using Settings = PanelTest;

const std::string CorvaneDefaults = "[CorvaneII Source Labels]\r\n"
                                    "Src1Label= 1 \r\nSrc2Label= 2 \r\nSrc3Label= 3 \r\nSrc4Label= 4 \r\n"
                                    "Src5Label= 5 \r\nSrc6Label= 6 \r\nSrc7Label= 7 \r\nSrc8Label= 8 \r\n"
                                    "SrcSDI1Label=  1\r\nSrcSDI2Label=  2\r\n"
                                    "\r\n"
                                    "[CorvaneII Source Enables]\r\n"
                                    "Src1Enable=1\r\nSrc2Enable=1\r\nSrc3Enable=1\r\nSrc4Enable=1\r\n"
                                    "Src5Enable=1\r\nSrc6Enable=1\r\nSrc7Enable=1\r\nSrc8Enable=1\r\n"
                                    "SrcSDI1Enable=1\r\nSrcSDI2Enable=1\r\n";

const std::string HalverinFile = "[HalverinII Source Labels]\r\n"
                                 "Src1Label=CAM\r\nSrc2Label= 2 \r\nSrc3Label=\r\nSrc4Label=PC\r\n"
                                 "Src5Label= 5 \r\nSrc6Label=VT1\r\nSrc7Label= 7 \r\nSrc8Label=A=B\r\n"
                                 "SrcSDI1Label=SAT\r\n"
                                 "\r\n"
                                 "[HalverinII Source Enables]\r\n"
                                 "Src1Enable=1\r\nSrc2Enable=0\r\nSrc3Enable=1\r\nSrc4Enable=2\r\n"
                                 "Src5Enable=1\r\nSrc6Enable=1\r\nSrc7Enable=1\r\nSrc8Enable=1\r\n"
                                 "SrcSDI1Enable=0\r\n";

void Close(TDorvexMainForm* form) {
    // As the window manager's close button does: an exception ends in the error box.
    form->MainWndProc(WM_CLOSE, 0, 0);
}

TEST_F(Settings, ClosingWritesBothFilesWithDefaults) {
    Started(1);
    Close(Main());
    EXPECT_EQ(TakeWritten(), "Lockout 0\r\n");
    EXPECT_FALSE(Main()->Timer1->Enabled());
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(ReadFile("Dorvex.ini"), "[Orvel IP Parameters]\r\nIP=127.0.0.1\r\nPort=3000\r\n\r\n");
    EXPECT_EQ(ReadFile("Corvane.ini"), CorvaneDefaults);
    EXPECT_FALSE(FileExists("Tibbet.ini"));
}

TEST_F(Settings, ClosingWithoutAConnectionSendsNothing) {
    Started(1);
    Link()->Drop();
    Close(Main());
    EXPECT_EQ(TakeWritten(), "");
    EXPECT_TRUE(FileExists("Dorvex.ini"));
}

TEST_F(Settings, BothFilesRoundTrip) {
    const std::string dorvex = "[Orvel IP Parameters]\r\nIP=10.20.30.40\r\nPort=3100\r\n\r\n";
    WriteFile("Dorvex.ini", dorvex);
    WriteFile("Tibbet.ini", HalverinFile);
    OnAddressDialog = [](TIPAddressForm* dialog) { dialog->IP_OkayBtn->Click(); };
    ASSERT_TRUE(Start(2));
    EXPECT_EQ(Link()->Address, "10.20.30.40");
    EXPECT_EQ(Link()->Port, "3100");
    const std::vector<std::string> captions = {"CAM", "----", "",    "PC",        " 5 ",
                                               "VT1", " 7 ",  "A=B", "SDI\n ----"};
    for (std::size_t i = 0; i < captions.size(); ++i)
        EXPECT_EQ(Main()->LabelSlots[i]->Caption(), captions[i]) << i;
    EXPECT_EQ(SourceLabels[1], " 2 ");
    EXPECT_EQ(SourceLabels[8], "SDI\nSAT");
    EXPECT_EQ(Main()->EnabledSlots, (std::array<int, 12>{1, 0, 1, 2, 1, 1, 1, 1, 0, 1, 1, 1}));
    Close(Main());
    EXPECT_EQ(ReadFile("Dorvex.ini"), dorvex);
    EXPECT_EQ(ReadFile("Tibbet.ini"), HalverinFile);
    EXPECT_FALSE(FileExists("Corvane.ini"));
}

TEST_F(Settings, CorvaneFileRoundTripsAfterEdits) {
    Started(1);
    ChoosePopup(Main()->SourceBtnImage5, "Disable");
    OnRenameDialog = [](TSourceLabelForm* dialog) {
        dialog->LabelEdit->SetText("CG");
        dialog->OKButton->Click();
    };
    ChoosePopup(Main()->SourceBtnImage10, "Rename|Edit");
    Close(Main());
    const std::string written = ReadFile("Corvane.ini");
    EXPECT_NE(written.find("SrcSDI2Label=CG\r\n"), std::string::npos);
    EXPECT_NE(written.find("Src5Enable=0\r\n"), std::string::npos);

    // A new run reads it back and writes the same bytes.
    TearDown();
    SetUp();
    WriteFile("Corvane.ini", written);
    Started(1);
    EXPECT_EQ(Main()->SourceSDI2Label->Caption(), "SDI\nCG");
    EXPECT_EQ(Main()->Source5Label->Caption(), "----");
    Close(Main());
    EXPECT_EQ(ReadFile("Corvane.ini"), written);
}

TEST_F(Settings, KeysDisabledByTheFileIgnoreClicks) {
    WriteFile("Corvane.ini",
              "Src3Enable=0\r\nSrc1Enable=1\r\nSrc2Enable=1\r\nSrc4Enable=2\r\nSrc5Enable=1\r\n"
              "Src6Enable=1\r\nSrc7Enable=1\r\nSrc8Enable=1\r\nSrcSDI1Enable=1\r\nSrcSDI2Enable=1\r\n"
              "Src4Label=ABC\r\n");
    Started(1);
    EXPECT_EQ(Main()->Source3Label->Caption(), "----");
    EXPECT_EQ(Main()->Source4Label->Caption(), "ABC");
    Main()->SourceBtnImage3Click(nullptr);
    Main()->SourceBtnImage4Click(nullptr);
    EXPECT_EQ(TakeWritten(), "");
    // A missing label key gives an empty label.
    EXPECT_EQ(Main()->Source1Label->Caption(), "");
}

TEST_F(Settings, ALabelsFileWithoutEnablesKeepsTheCaptions) {
    WriteFile("Corvane.ini", "[CorvaneII Source Labels]\r\nSrc1Label=CAMERA\r\nSrcSDI1Label=SATELLITE\r\n");
    Started(1);
    EXPECT_EQ(SourceLabels[0], "CAM");
    EXPECT_EQ(SourceLabels[8], "SDI\nSAT");
    EXPECT_EQ(Main()->Source1Label->Caption(), " 1 ");
    EXPECT_EQ(Main()->SourceSDI1Label->Caption(), "SDI\n  1");
    EXPECT_EQ(Main()->EnabledSlots, (std::array<int, 12>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST_F(Settings, ABadEnableEndsTheReading) {
    WriteFile("Corvane.ini", "Src1Label=AAA\r\nSrc2Label=BBB\r\nSrc3Label=CCC\r\n"
                             "Src1Enable=0\r\nSrc2Enable=1\r\nSrc3Enable=x\r\nSrc4Enable=0\r\n");
    Started(1);
    EXPECT_EQ(Main()->Source1Label->Caption(), "----");
    EXPECT_EQ(Main()->Source2Label->Caption(), "BBB");
    EXPECT_EQ(Main()->Source3Label->Caption(), " 3 ");
    EXPECT_EQ(Main()->Source4Label->Caption(), " 4 ");
    EXPECT_EQ(Main()->EnabledSlots[3], 1);
}

TEST_F(Settings, HalverinWritesNoSecondSdiKey) {
    Started(2);
    Close(Main());
    const std::string written = ReadFile("Tibbet.ini");
    EXPECT_EQ(written.find("SDI2"), std::string::npos);
    EXPECT_EQ(written.substr(0, 28), "[HalverinII Source Labels]\r\n");
    EXPECT_EQ(written.substr(written.size() - 17), "SrcSDI1Enable=1\r\n");
}

// Settings files that cannot be read or written: start-up takes what it can read and falls back to
// the defaults for the rest; at close, the first failure is shown once, every file that can be
// saved is, a file that cannot be keeps its old bytes, and the window closes.
TEST_F(Settings, FilesThatCannotBeReadOrWritten) {
    const std::string oldDorvex = "[Orvel IP Parameters]\r\nIP=10.0.0.7\r\nPort=3000\r\n\r\n";
    const std::string oldLabels = "Src1Label=AAA\r\n";
    const std::string newDorvex = "[Orvel IP Parameters]\r\nIP=127.0.0.1\r\nPort=3000\r\n\r\n";
    struct TCase {
        const char* What;
        std::function<void()> Prepare;
        // What the address dialog shows at start, and key 1's label.
        const char* Address;
        const char* Label1;
        // The file the error box names ("" none); what each file holds afterwards ("dir" a folder).
        const char* Failed;
        std::string Dorvex;
        std::string Labels;
    };
    const TCase cases[] = {
        {"unwritable labels file",
         [&] {
             WriteFile("Corvane.ini", oldLabels);
             chmod("Corvane.ini", 0444);
         },
         "192.168.1.100", "AAA", "Corvane.ini", newDorvex, oldLabels},
        {"unwritable Dorvex.ini",
         [&] {
             WriteFile("Dorvex.ini", oldDorvex);
             chmod("Dorvex.ini", 0444);
         },
         "10.0.0.7", " 1 ", "Dorvex.ini", oldDorvex, CorvaneDefaults},
        {"Dorvex.ini a folder", [] { mkdir("Dorvex.ini", 0755); }, "192.168.1.100", " 1 ", "Dorvex.ini",
         "dir", CorvaneDefaults},
        {"labels file a folder", [] { mkdir("Corvane.ini", 0755); }, "192.168.1.100", " 1 ", "Corvane.ini",
         newDorvex, "dir"},
        {"read-only folder",
         [&] {
             WriteFile("Dorvex.ini", oldDorvex);
             chmod("Dorvex.ini", 0444);
             chmod(".", 0555);
         },
         "10.0.0.7", " 1 ", "Dorvex.ini", oldDorvex, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TearDown();
        SetUp();
        c.Prepare();
        std::string shown;
        OnAddressDialog = [&shown](TIPAddressForm* dialog) {
            shown = dialog->IPAddrEdit->Text();
            dialog->IPAddrEdit->SetText("127.0.0.1");
            dialog->IP_OkayBtn->Click();
        };
        {
            // Mode bits hold even for a test run as root.
            TPermissionsBind bind;
            ASSERT_TRUE(Start(1));
            EXPECT_EQ(TakeWritten(), std::string(ConnectAndIdentify) + FirstCommands);
            EXPECT_EQ(shown, c.Address);
            EXPECT_EQ(SourceLabels[0], c.Label1);
            Seam->Clear();
            Close(Main());
        }
        chmod(".", 0755);
        EXPECT_EQ(TakeWritten(), "Lockout 0\r\n");
        ASSERT_EQ(Seam->BoxTexts().size(), 1u);
        EXPECT_EQ(Seam->Entries[0].Box.Kind, TMessageBoxRequest::ErrorBox);
        EXPECT_NE(Seam->BoxTexts()[0].find(std::string(c.Failed) + "\""), std::string::npos)
            << Seam->BoxTexts()[0];
        EXPECT_TRUE(Application->Terminated());
        EXPECT_EQ(std::filesystem::is_directory("Dorvex.ini") ? "dir" : ReadFile("Dorvex.ini"), c.Dorvex);
        EXPECT_EQ(std::filesystem::is_directory("Corvane.ini") ? "dir" : ReadFile("Corvane.ini"), c.Labels);
    }
}

TEST_F(Settings, AnInterruptedSaveLeavesTheOldFiles) {
    const std::string oldDorvex = "[Orvel IP Parameters]\r\nIP=10.0.0.7\r\nPort=3000\r\n\r\n";
    WriteFile("Dorvex.ini", oldDorvex);
    WriteFile("Corvane.ini", HalverinFile);
    Started(1);
    {
        // The disk fills up a few bytes into each new file.
        TFileSizeLimit limit(10);
        Close(Main());
    }
    EXPECT_EQ(Seam->BoxTexts(), std::vector<std::string>{"Stream write error."});
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(ReadFile("Dorvex.ini"), oldDorvex);
    EXPECT_EQ(ReadFile("Corvane.ini"), HalverinFile);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 2);
}

TEST_F(Settings, ProgramsThatEndEarlyWriteNothing) {
    Device.Identity = "Something Else";
    EXPECT_FALSE(Start(1));
    Device.Identity.clear();
    EXPECT_FALSE(FileExists("Dorvex.ini"));
    EXPECT_FALSE(FileExists("Corvane.ini"));
    EXPECT_FALSE(FileExists("Tibbet.ini"));
}

} // namespace
