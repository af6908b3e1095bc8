// The RS-232 configuration and terminal menus, clicked through the main menu: each COM item checks
// its own port and each Baud item sets its own rate on the port and the line, None closes the port,
// Search finds the unit; the address fields of the Ethernet dialog check each their own number.
#include "support/LineUnit.h"
#include "support/LoaderTest.h"

#include <string>
#include <vector>

namespace {

class QuillonMenus : public LoaderTest {
protected:
    // The item at the end of a path of captions from the menu bar.
    TMenuItem* Item(const std::vector<std::string>& path) const {
        TMenuItem* item = Main()->ControllerMainMenu->Items();
        for (const std::string& caption : path) {
            item = item->Find(caption);
            if (!item) break;
        }
        return item;
    }
    void Click(const std::vector<std::string>& path) {
        TMenuItem* item = Item(path);
        ASSERT_NE(item, nullptr) << path.back();
        item->Click();
    }
    void ComPort(const std::string& caption) {
        Click({"Communication", "RS232 Config", "COM Port", caption});
    }
    void Baud(const std::string& caption) { Click({"Communication", "RS232 Config", "Baud", caption}); }
};

} // namespace

TEST_F(QuillonMenus, Com3And57600ChosenThroughTheMenuSetThePort) {
    Start();
    ASSERT_FALSE(Main()->VexComPort1->Open());
    TLineUnit unit(3);
    EXPECT_TRUE(Item({"Communication", "RS232 Config", "COM Port", "COM3"})->OnClick ==
                TNotifyEvent::Bind<&TQuillonForm::COM31Click>(Main()));
    EXPECT_TRUE(Item({"Communication", "RS232 Config", "Baud", "57600"})->OnClick ==
                TNotifyEvent::Bind<&TQuillonForm::N576001Click>(Main()));
    Baud("57600");
    ComPort("COM3");
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_TRUE(Main()->VexComPort1->Open());
    EXPECT_EQ(Main()->VexComPort1->ComNumber(), 3);
    EXPECT_EQ(Main()->VexComPort1->Baud(), 57600);
    EXPECT_EQ(unit.Line().LineSettings().BaudRate, 57600u);
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "3");
    EXPECT_EQ(Main()->ComBaudLabel->Caption(), "57600");
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Established communication on COM 3");
    EXPECT_EQ(unit.Received(), "\r\n");
    // A rate chosen while the port is open reaches the line at once.
    Baud("115200");
    EXPECT_EQ(unit.Line().LineSettings().BaudRate, 115200u);
    EXPECT_EQ(Main()->ComBaudLabel->Caption(), "115200");

    ComPort("None");
    EXPECT_FALSE(Main()->VexComPort1->Open());
    EXPECT_FALSE(unit.Line().IsOpen());
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "None");
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "Note: Last successful COM port used is: 3");
    EXPECT_TRUE(Main()->Ethernet1->Enabled());
    EXPECT_FALSE(Main()->PickButton->Enabled());

    ComPort("Search");
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_TRUE(Main()->VexComPort1->Open());
    EXPECT_EQ(Main()->ComNumberLabel->Caption(), "3");
    EXPECT_FALSE(Main()->ComCheckBox->Enabled());
    EXPECT_TRUE(Main()->PickButton->Enabled());
    EXPECT_FALSE(Main()->Ethernet1->Enabled());
}

TEST_F(QuillonMenus, EachItemActsOnItsOwnPortRateOrColour) {
    Start();
    // No port is there: each COM item reports the port it checked.
    for (int n = 1; n <= 16; ++n) {
        Seam->Clear();
        ComPort("COM" + std::to_string(n));
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error! Cannot establish communication using COM " +
                                                    std::to_string(n) + ". Please check RS232 connection"});
    }
    for (int rate : {1200, 2400, 9600, 19200, 38400, 57600, 115200}) {
        Baud(std::to_string(rate));
        EXPECT_EQ(Main()->VexComPort1->Baud(), rate);
        EXPECT_EQ(Main()->ComBaudLabel->Caption(), std::to_string(rate));
    }
    struct Colour {
        const char* Caption;
        TColor Back;
        TColor Text;
    };
    for (const Colour c : {Colour{"Red", 0x0000FF, 0x0000FF}, Colour{"Green", 0x008000, 0x008000},
                           Colour{"Blue", 0xFF0000, 0xFF0000}, Colour{"White", 0xFFFFFF, 0xFFFFFF},
                           Colour{"Black", 0x000000, 0x000000}, Colour{"Default", 0x000000, 0xC0C0C0}}) {
        Click({"Terminal", "Background Color", c.Caption});
        EXPECT_EQ(Main()->VxTerminal1->Color(), c.Back) << c.Caption;
        Click({"Terminal", "Text Color", c.Caption});
        EXPECT_EQ(Main()->VxTerminal1->Font()->Color(), c.Text) << c.Caption;
    }
}

TEST_F(QuillonMenus, EachAddressFieldChecksItsOwnNumber) {
    TEdit* edits[] = {ClientSocketForm->IPEdit1, ClientSocketForm->IPEdit2, ClientSocketForm->IPEdit3,
                      ClientSocketForm->IPEdit4};
    for (int bad = 0; bad < 4; ++bad) {
        for (int i = 0; i < 4; ++i) edits[i]->SetText(i == bad ? "256" : "1");
        for (int i = 0; i < 4; ++i) {
            Seam->Clear();
            edits[i]->OnExit(nullptr);
            EXPECT_EQ(Boxes().size(), i == bad ? 1u : 0u) << "field " << i + 1 << ", bad field " << bad + 1;
        }
    }
}
