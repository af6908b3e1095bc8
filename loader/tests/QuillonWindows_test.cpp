// The loader's windows: branding from the settings file, the progress window's labels, closing
// with and without an upload running, the hidden Send File item, the terminal menu and typed keys.
#include "support/LoaderTest.h"

#include <string>
#include <utility>
#include <vector>

namespace {

class QuillonWindows : public LoaderTest {
protected:
    QuillonWindows() { CreateFormsInSetUp = false; }
};

} // namespace

TEST_F(QuillonWindows, BrandingFromSettingsLine23) {
    struct Case {
        const char* Value; // nullptr: no line 23
        const char* Main;
        const char* Progress;
        const char* Ethernet;
        const char* Info;
        bool Splash;
        bool Nimbet;
    };
    const Case cases[] = {
        {"0", "Marveth Pellory LLC :- Quillon", "Marveth Pellory LLC :- File Upload Progress",
         "Marveth Pellory LLC :- Ethernet Connection", "Marveth Pellory LLC :- Information", true, true},
        {"abc", "Marveth Pellory LLC :- Quillon", "Marveth Pellory LLC :- File Upload Progress",
         "Marveth Pellory LLC :- Ethernet Connection", "Marveth Pellory LLC :- Information", true, true},
        {"100", "Kelt :- Quillon", "Kelt :- File Upload Progress", "Kelt :- Ethernet Connection",
         "Kelt :- Information", true, false},
        {"50", "Quillon", "Quillon", "Pellory Research Inc. :- Quillon - Ethernet", "Quillon", false, false},
        {nullptr, "Pellory Research Inc. :- Quillon", "Pellory Research Inc. :- File Upload Progress",
         "Pellory Research Inc. :- Quillon - Ethernet", "Information", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Value ? c.Value : "absent");
        if (c.Value)
            WriteFile("LoaderDefault.ini", Settings({{23, c.Value}}));
        else
            WriteFile("LoaderDefault.ini", "a=1\r\n");
        CreateForms();
        EXPECT_EQ(Main()->Caption(), c.Main);
        EXPECT_EQ(ProgressForm->Caption(), c.Progress);
        EXPECT_EQ(ClientSocketForm->Caption(), c.Ethernet);
        EXPECT_EQ(InfoForm->Caption(), c.Info);
        EXPECT_EQ(SplashForm->Visible(), c.Splash);
        if (c.Splash) {
            EXPECT_EQ(SplashForm->NimbetImage->Visible(), c.Nimbet);
            EXPECT_EQ(SplashForm->KeltImage->Visible(), !c.Nimbet);
            EXPECT_FALSE(SplashForm->MarvethImage->Visible());
            EXPECT_EQ(SplashForm->ClientWidth(), c.Nimbet ? 600 : 800);
            EXPECT_FALSE(SplashForm->NimbetImage->Picture()->Graphic() == nullptr);
        }
        Application->DestroyForms();
    }
}

TEST_F(QuillonWindows, SettingsLinesShapeTheTerminalAndTheEthernetDialog) {
    struct Case {
        std::vector<std::pair<int, std::string>> Lines;
        int Height;
        TColor Back;
        TColor Text;
        const char* Address; // the four fields joined by dots
        const char* Port;
    };
    const Case cases[] = {
        {{{20, "0"}, {21, "2"}, {22, "3"}, {26, "10.1.2.254"}, {27, "4001"}},
         139,
         0x0000FF,
         0x008000,
         "10.1.2.254",
         "4001"},
        {{{20, "1"}, {21, "5"}, {22, "0"}, {26, "0.0.0.0"}, {27, "65535"}},
         420,
         0xFFFFFF,
         0xC0C0C0,
         "0.0.0.0",
         "65535"},
        // Out of range or incomplete: the dialog keeps its fields.
        {{{21, "4"}, {22, "1"}, {26, "256.1.1.1"}, {27, "65536"}}, 425, 0xFF0000, 0x000000, "...", "3000"},
        {{{21, "0"}, {22, "5"}, {26, "1.2.3"}, {27, "port"}}, 425, 0x000000, 0xFFFFFF, "...", "3000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Address);
        WriteFile("LoaderDefault.ini", Settings(c.Lines));
        CreateForms();
        Start();
        EXPECT_EQ(Main()->ClientHeight(), c.Height);
        EXPECT_EQ(Main()->VisibleMenu->Checked(), c.Height != 139);
        EXPECT_EQ(Main()->VxTerminal1->Color(), c.Back);
        EXPECT_EQ(Main()->VxTerminal1->Font()->Color(), c.Text);
        const TClientSocketForm* d = ClientSocketForm;
        EXPECT_EQ(d->IPEdit1->Text() + "." + d->IPEdit2->Text() + "." + d->IPEdit3->Text() + "." +
                      d->IPEdit4->Text(),
                  c.Address);
        EXPECT_EQ(d->PortNumberTxEdit->Text(), c.Port);
        Application->DestroyForms();
    }
}

TEST_F(QuillonWindows, ProgressWindowLabels) {
    CreateForms();
    Main()->UploadFile = "/tmp/some/file.bin";
    Main()->FileChecksum = 0x0A5;
    Main()->FileSize = 1500;
    Main()->LoadAddress = "10000";
    Main()->VersionText = "2.18";
    ProgressForm->AbortFlag = 1;
    ProgressForm->ShowProgressForm(0);
    EXPECT_EQ(ProgressForm->AbortFlag, 0);
    EXPECT_TRUE(ProgressForm->Visible());
    EXPECT_EQ(ProgressForm->BlockNameLabel->Caption(), "/tmp/some/file.bin");
    EXPECT_EQ(ProgressForm->ChecksumLabel->Caption(), "A5");
    EXPECT_EQ(ProgressForm->FileSizeLabel->Caption(), "1500");
    EXPECT_EQ(ProgressForm->LoadAddressLabel->Caption(), "10000");
    EXPECT_EQ(ProgressForm->DateModifiedLabel->Caption(), "2.18");
    EXPECT_EQ(ProgressForm->FileProgressBar->Max(), 1);
    ProgressForm->FileProgressBar->StepIt();
    ProgressForm->HideProgressForm();
    EXPECT_FALSE(ProgressForm->Visible());
    EXPECT_EQ(ProgressForm->FileProgressBar->Position(), 0);
    ProgressForm->CancelButtonClick(nullptr);
    EXPECT_EQ(ProgressForm->AbortFlag, 1);
}

TEST_F(QuillonWindows, ClosingAsksOnlyWhileAnUploadRuns) {
    CreateForms();
    NoUploadRunning = false;
    Seam->AnswerBox(mbNo);
    Main()->Close();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Seam->Entries[0].Box.Caption, "Loader GUI : Confirm Exit");
    EXPECT_EQ(Boxes()[0],
              "File upload in progress.\rAre you sure you want to cancel upload and exit the application?");
    EXPECT_TRUE(Seam->Of(TSeamRecorder::kExit).empty());

    Seam->Clear();
    Seam->AnswerBox(mbYes);
    Main()->Close();
    ASSERT_EQ(Seam->Of(TSeamRecorder::kExit).size(), 1u);
    EXPECT_EQ(Seam->Of(TSeamRecorder::kExit)[0].ExitCode, 0);

    Application->ResetTerminated();
    Seam->Clear();
    NoUploadRunning = true;
    Main()->Close();
    EXPECT_TRUE(Boxes().empty());
    ASSERT_EQ(Seam->Of(TSeamRecorder::kExit).size(), 1u);
}

TEST_F(QuillonWindows, MenusAndTypedKeys) {
    StartSim(4);
    CreateForms();
    Start();
    ASSERT_TRUE(Main()->VexComPort1->Open());
    EXPECT_EQ(Main()->VersionLabel->Caption(), "Version : 2.18");

    EXPECT_FALSE(Main()->SendFile1->Visible());
    Main()->VersionLabelClick(nullptr);
    EXPECT_TRUE(Main()->SendFile1->Visible());
    Main()->VersionLabelClick(nullptr);
    EXPECT_FALSE(Main()->SendFile1->Visible());

    Main()->VisibleMenu->Click();
    EXPECT_FALSE(Main()->VisibleMenu->Checked());
    EXPECT_EQ(Main()->ClientHeight(), 139);
    Main()->VisibleMenu->Click();
    EXPECT_EQ(Main()->ClientHeight(), 420);
    Main()->BackgroundColor1->Items(1)->Click(); // Red
    EXPECT_EQ(Main()->VxTerminal1->Color(), 0x0000FF);
    Main()->TextColor1->Items(6)->Click(); // Default
    EXPECT_EQ(Main()->VxTerminal1->Font()->Color(), 0xC0C0C0);

    // A backspace typed on the serial terminal goes out as backspace, blank, backspace; typing
    // stops the keep-alive.
    TakeReceived();
    char key = 8;
    Main()->VxTerminal1CharTyped(Main()->VxTerminal1, key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(TakeReceived(3), "\b \b");
    EXPECT_FALSE(Main()->CCHECKTimer1->Enabled());
    EXPECT_FALSE(KeepAliveEnabled);
}

TEST_F(QuillonWindows, SendFileUploadsBlocksWithoutHeader) {
    StartSim(4);
    CreateForms();
    Start();
    TakeReceived();
    const std::string body(4100, 'q');
    WriteFile("send.bin", body);
    Seam->AnswerOpen(Dir() + "/send.bin");
    Main()->SendFile1Click(nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Sim->Received().size() >= body.size(); }));
    EXPECT_EQ(TakeReceived(body.size()), body);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Main()->CCHECKTimer1->Enabled());
}
