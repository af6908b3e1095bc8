// The first tick's layer sync for both models, the switcher's three unasked messages, and the
// source keys' popup menu with its rename dialog.
#include "support/PanelTest.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Layers = PanelTest;

struct TSyncCase {
    const char* What;
    std::function<void(TFakeSwitcher&)> State;
    std::string Sent; // between the sync's query and the poll's
    std::vector<std::string> Messages = {};
    int LayerMode = 0;
};

TEST_F(Layers, HalverinDetectsItsLayerMode) {
    const std::vector<TSyncCase> cases = {
        {"picture-in-picture selected", [](TFakeSwitcher& d) { d.Set("PIP", "BLINK", "OFF"); }, "", {}, 0},
        {"key selected", [](TFakeSwitcher& d) { d.Set("KEY", "BLINK", "OFF"); }, "", {}, 1},
        {"neither", [](TFakeSwitcher&) {}, "PIP 1 1 a a 1 0 0\rKP PIP\r", {}, 0},
        {"no PIP section",
         [](TFakeSwitcher& d) {
             d.Remove("PIP");
             d.Set("KEY", "BLINK", "OFF");
         },
         "",
         {"Cannot read PIP information"},
         1},
        {"no layer sections",
         [](TFakeSwitcher& d) {
             d.Remove("PIP");
             d.Remove("KEY");
         },
         "PIP 1 1 a a 1 0 0\rKP PIP\r",
         {"Cannot read PIP information", "Cannot read KEY information"},
         0},
    };
    for (const TSyncCase& c : cases) {
        SCOPED_TRACE(c.What);
        TearDown();
        SetUp();
        Started(2);
        Main()->LayerMode = 7;
        c.State(Device);
        Tick();
        EXPECT_EQ(TakeWritten(), "KeyStatus\r\n" + c.Sent + "KeyStatus\r");
        EXPECT_EQ(Seam->BoxTexts(), c.Messages);
        EXPECT_EQ(Main()->LayerMode, c.LayerMode);
        EXPECT_TRUE(FirstTickDone);
        EXPECT_TRUE(Main()->Timer1->Enabled());
    }
}

TEST_F(Layers, CorvaneSyncsItsLayers) {
    auto split = [](const char* aV, const char* aP, const char* bV, const char* bP) {
        return [=](TFakeSwitcher& d) {
            d.Set("SPLITLAYER", "ON", "N/A");
            d.Set("LAYERA", aV, aP);
            d.Set("LAYERB", bV, bP);
        };
    };
    auto single = [](const char* aV, const char* aP, const char* bV) {
        return [=](TFakeSwitcher& d) {
            d.Set("LAYERA", aV, aP);
            d.Set("LAYERB", bV, "OFF");
        };
    };
    const std::vector<TSyncCase> cases = {
        {"split, both on program, A off on preview", split("OFF", "ON", "ON", "ON"),
         "KP CUT\rKP SPLITLAYER\r"},
        {"split, both on program, both off on preview", split("OFF", "ON", "OFF", "ON"),
         "KP CUT\rKP SPLITLAYER\rKP LAYERA\r"},
        {"split, both on program and preview", split("ON", "ON", "ON", "ON"),
         "KP LAYERA\rKP CLEARLAYER\rKP CUT\rKP SPLITLAYER\r"},
        {"split, both on program, B on preview", split("BLINK", "ON", "ON", "ON"),
         "KP LAYERB\rKP CLEARLAYER\rKP CUT\rKP SPLITLAYER\r"},
        {"split, both on program, neither plainly on preview", split("BLINK", "ON", "BLINK", "ON"),
         "KP CLEARLAYER\rKP CUT\rKP SPLITLAYER\r"},
        {"split, all four off", split("OFF", "OFF", "OFF", "OFF"), "KP SPLITLAYER\rKP LAYERA\r"},
        {"split, only A on program", split("ON", "ON", "OFF", "OFF"), "KP SPLITLAYER\r"},
        {"no split, A on program", single("OFF", "ON", "OFF"), "KP LAYERB\r"},
        {"no split, A off program", single("ON", "OFF", "OFF"), "KP LAYERA\r"},
        {"no split, A selected", single("BLINK", "OFF", "OFF"), ""},
        {"no split, B selected", single("OFF", "OFF", "BLINK"), ""},
        {"no split section",
         [](TFakeSwitcher& d) { d.Remove("SPLITLAYER"); },
         "KP LAYERA\r",
         {"Cannot read SplitLayer information"}},
        {"no layer A section",
         [](TFakeSwitcher& d) { d.Remove("LAYERA"); },
         "KP LAYERA\r",
         {"Cannot read LayerA information"}},
        {"no layer B section",
         [](TFakeSwitcher& d) {
             d.Remove("LAYERB");
             d.Set("LAYERA", "OFF", "ON");
         },
         "KP LAYERB\r",
         {"Cannot read LayerB information"}},
    };
    for (const TSyncCase& c : cases) {
        SCOPED_TRACE(c.What);
        TearDown();
        SetUp();
        Started(1);
        c.State(Device);
        Tick();
        EXPECT_EQ(TakeWritten(), "KeyStatus\r\n" + c.Sent + "KeyStatus\r");
        EXPECT_EQ(Seam->BoxTexts(), c.Messages);
    }
}

TEST_F(Layers, TheSyncRunsOnceAndNotOnAClosedPort) {
    Started(1);
    Tick();
    TakeWritten();
    Tick();
    EXPECT_EQ(TakeWritten(), "KeyStatus\r");

    TearDown();
    SetUp();
    Started(2);
    Link()->Drop();
    Tick();
    EXPECT_TRUE(FirstTickDone);
    EXPECT_EQ(TakeWritten(), "");
}

TEST_F(Layers, PopUpMessage) {
    for (int model : {1, 2}) {
        TearDown();
        SetUp();
        Started(model);
        Main()->PopUpPcktStringPacket(nullptr, "Input 3\r\nsignal lost");
        EXPECT_EQ(PopupTexts, std::vector<std::string>{"Input 3\r\nsignal lost"});
        EXPECT_TRUE(Main()->PollInterrupted);
        EXPECT_TRUE(Main()->Timer1->Enabled());
        EXPECT_TRUE(Seam->BoxTexts().empty());
        // The Halverin II sets its layer up again.
        EXPECT_EQ(TakeWritten(), model == 2 ? "PIP 1 1 a a 1 0 0\rKP PIP\r" : "");
    }
}

TEST_F(Layers, ErrorReportIsShownTwice) {
    Started(1);
    Main()->TrackBar1->OnChange = nullptr;
    Main()->TrackBar1->SetPosition(1500);
    Main()->ErrorDPcktStringPacket(nullptr, "!ERR_SRC_NOT_AVAILABLE\r");
    ASSERT_EQ(Seam->Of(TSeamRecorder::kMessageBox).size(), 1u);
    EXPECT_EQ(Seam->Entries[0].Box.Text, "!ERR_SRC_NOT_AVAILABLE\r");
    EXPECT_EQ(Seam->Entries[0].Box.DlgType, mtInformation);
    EXPECT_EQ(PopupTexts, std::vector<std::string>{"ERROR: !ERR_SRC_NOT_AVAILABLE\r"});
    EXPECT_EQ(Main()->Timer1->Interval(), 1500u);
    EXPECT_TRUE(Main()->Timer1->Enabled());
}

TEST_F(Layers, QueueFullNotice) {
    Started(1);
    Main()->QueueOverflowPktStringPacket(nullptr,
                                         "\"TaskEnet msq queue getting full\", waiting for it \"to empty\"");
    EXPECT_EQ(PopupTexts, std::vector<std::string>{"Waiting for message queue to drain"});
    EXPECT_TRUE(Main()->Timer1->Enabled());
}

TEST_F(Layers, AMessageDuringAPollStopsItsPainting) {
    Started(1);
    Poll();
    Device.Set("1", "OFF", "OFF");
    Device.Set("2", "OFF", "ON");
    Link()->OnWrite = [this](const std::string& s) {
        if (s == "KeyStatus\r") Main()->QueueOverflowPktStringPacket(nullptr, "");
    };
    Poll();
    EXPECT_EQ(Picture(0), "YELLOW_ON");
    EXPECT_EQ(Picture(1), "WHITE_OFF");
    EXPECT_EQ(Main()->vLed2->Tag, 0);
    Link()->OnWrite = nullptr;
    Poll();
    EXPECT_EQ(Picture(1), "YELLOW_ON");
}

TEST_F(Layers, DisableAndEnableAKey) {
    Started(1);
    ChoosePopup(Main()->SourceBtnImage3, "Disable");
    EXPECT_EQ(Main()->Source3Label->Caption(), "----");
    EXPECT_EQ(Main()->EnabledSlots[2], 0);
    Main()->SourceBtnImage3Click(nullptr);
    ClickOn(Main()->Source3Label);
    EXPECT_EQ(TakeWritten(), "");
    // The menu offers the other way now, from the key's caption as well.
    ChoosePopup(Main()->Source3Label, "");
    EXPECT_EQ(Main()->EnableToggle->Caption(), "Enable");
    ChoosePopup(Main()->Source3Label, "Enable");
    EXPECT_EQ(Main()->Source3Label->Caption(), " 3 ");
    EXPECT_EQ(Main()->EnabledSlots[2], 1);

    ChoosePopup(Main()->SourceBtnImage9, "Disable");
    EXPECT_EQ(Main()->SourceSDI1Label->Caption(), "SDI\n ----");
    ChoosePopup(Main()->SourceBtnImage9, "Enable");
    EXPECT_EQ(Main()->SourceSDI1Label->Caption(), "SDI\n  1");
}

TEST_F(Layers, MenuFromAnotherControlDoesNothing) {
    Started(1);
    for (TControl* other : {static_cast<TControl*>(Main()->LogoBtnImage), static_cast<TControl*>(nullptr)}) {
        ChoosePopup(other, "Disable");
        ChoosePopup(other, "Rename|Default");
    }
    EXPECT_EQ(Main()->EnabledSlots, (std::array<int, 12>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(Seam->Of(TSeamRecorder::kShowModal).empty());
}

TEST_F(Layers, RenameAndDefault) {
    Started(1);
    std::string offered, title;
    OnRenameDialog = [&](TSourceLabelForm* dialog) {
        offered = dialog->LabelEdit->Text();
        title = dialog->SourceLabel->Caption();
        dialog->LabelEdit->SetText("CAM9");
        dialog->OKButton->Click();
    };
    ChoosePopup(Main()->SourceBtnImage2, "Rename|Edit");
    EXPECT_EQ(offered, " 2 ");
    EXPECT_EQ(title, "Source 2");
    EXPECT_EQ(SourceLabels[1], "CAM");
    EXPECT_EQ(Main()->Source2Label->Caption(), "CAM");
    ChoosePopup(Main()->Source2Label, "Rename|Default");
    EXPECT_EQ(SourceLabels[1], " 2 ");
    EXPECT_EQ(Main()->Source2Label->Caption(), " 2 ");

    ChoosePopup(Main()->SourceBtnImage10, "Rename|Edit");
    EXPECT_EQ(offered, "  2");
    EXPECT_EQ(title, "Source SDI2");
    EXPECT_EQ(SourceLabels[9], "SDI\nCAM");
    EXPECT_EQ(Main()->SourceSDI2Label->Caption(), "SDI\nCAM");
    ChoosePopup(Main()->SourceBtnImage9, "Rename|Edit");
    EXPECT_EQ(title, "Source SDI1");
}

TEST_F(Layers, RenamingADisabledKeyShowsOnceEnabled) {
    Started(1);
    ChoosePopup(Main()->SourceBtnImage4, "Disable");
    // The dialog has no cancel: closed any way, its text is taken.
    OnRenameDialog = [](TSourceLabelForm* dialog) {
        dialog->LabelEdit->SetText("VT");
        dialog->Close();
    };
    ChoosePopup(Main()->SourceBtnImage4, "Rename|Edit");
    EXPECT_EQ(Main()->Source4Label->Caption(), "----");
    ChoosePopup(Main()->SourceBtnImage4, "Rename|Default");
    EXPECT_EQ(Main()->Source4Label->Caption(), "----");
    EXPECT_EQ(SourceLabels[3], " 4 ");
    ChoosePopup(Main()->SourceBtnImage4, "Enable");
    EXPECT_EQ(Main()->Source4Label->Caption(), " 4 ");
}

TEST_F(Layers, EnterInTheRenameDialogClosesIt) {
    Started(1);
    OnRenameDialog = [](TSourceLabelForm* dialog) {
        dialog->LabelEdit->SetText("PC");
        WORD key = 13;
        dialog->LabelEdit->OnKeyUp(dialog->LabelEdit, key, {});
    };
    ChoosePopup(Main()->SourceBtnImage1, "Rename|Edit");
    EXPECT_EQ(Main()->Source1Label->Caption(), "PC");
}

} // namespace
