// The meter in a real notification area: a virtual X server with trayer as the tray host, the
// icon docked there (found on a screenshot pixel for pixel), and clicks from xdotool reaching the
// component as its events and menus. Skipped without the programs (Debian packages xvfb, trayer,
// xdotool, imagemagick).
#include "indicator_controls/Mystd.h"

#include "support/LedTest.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Process.h"
#include "platform/win/Sync.h"
#include "tools/testing/RealDisplay.h"
#include "tools/testing/SelfPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace testing_display;

void Report(const std::string& line) {
    std::printf("peer:%s\n", line.c_str());
    std::fflush(stdout);
}

// The meter as the peer shows it: half full, no text.
void SetUpMeter(TvcTrayMeter* meter) {
    meter->SetUsePctOnBar(false);
    meter->SetValue(50);
    meter->SetToolTip("Level %d%%");
}

// Reports every menu popped up, and chooses nothing.
class TReportingSeam : public TSeamRecorder {
public:
    TMenuItem* TrackPopupMenu(TPopupMenu* menu, int x, int y) override {
        Report("popup " + menu->Name());
        return TSeamRecorder::TrackPopupMenu(menu, x, y);
    }
};

class TTrayForm : public TForm {
public:
    explicit TTrayForm(TComponent* AOwner) : TForm(AOwner) {
        Meter = new TvcTrayMeter(this);
        SetUpMeter(Meter);
        auto* left = new TPopupMenu(this);
        left->SetName("LeftMenu");
        auto* right = new TPopupMenu(this);
        right->SetName("RightMenu");
        for (const char* caption : {"Show", "Exit"}) {
            auto* item = new TMenuItem(right);
            item->SetCaption(caption);
            item->OnClick = TNotifyEvent::Bind<&TTrayForm::Item>(this);
            right->Items()->Add(item);
        }
        right->Items()->Items(0)->SetDefault(true);
        Meter->SetPopupMenu(right);
        Meter->SetLeftPopupMenu(left);
        Meter->DoDefaultMenu = true;
        Meter->OnClick = TNotifyEvent::Bind<&TTrayForm::IconClick>(this);
        Meter->OnDblClick = TNotifyEvent::Bind<&TTrayForm::IconDblClick>(this);
        Meter->OnRightClick = TMouseEvent::Bind<&TTrayForm::RightClick>(this);
        Meter->OnMidClick = TMouseEvent::Bind<&TTrayForm::MidClick>(this);
    }
    TvcTrayMeter* Meter;
    bool Done = false;

private:
    void IconClick(TObject*) { Report("click"); }
    void IconDblClick(TObject*) { Report("dblclick"); }
    void RightClick(TObject*, TMouseButton, TShiftState, int, int) { Report("rightclick"); }
    void MidClick(TObject*, TMouseButton, TShiftState, int, int) { Report("midclick"); }
    void Item(TObject* sender) {
        Report("item " + static_cast<TMenuItem*>(sender)->Caption());
        Done = true;
    }
};

} // namespace

// The program on the real display: docks its meter as soon as the tray is there, then reports
// what the clicks do until the default item has run.
TEST(TrayOnScreenPeer, DISABLED_Meter) {
    TReportingSeam seam;
    TTrayForm* form = nullptr;
    Application->Initialize();
    Application->CreateForm(form);
    bool docked = false;
    for (int i = 0; i < 200 && !docked; ++i) {
        form->Meter->SetActive(false);
        form->Meter->SetActive(true);
        docked = form->Meter->ModifyIcon();
        if (!docked) PumpFor(50);
    }
    ASSERT_TRUE(docked) << "no tray";
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &form->Meter->IconData())) << "shown already";
    PumpFor(500); // the tray host embeds and paints the icon
    Report("docked");
    for (int i = 0; i < 3000 && !form->Done; ++i) PumpFor(10);
    PumpFor(300);
    EXPECT_TRUE(form->Meter->DeleteIcon());
    EXPECT_FALSE(form->Meter->ModifyIcon()) << "gone";
    EXPECT_FALSE(form->Meter->DeleteIcon());
    Application->DestroyForms();
}

TEST(TrayOnScreen, DockedMeterTurnsClicksIntoEventsAndMenus) {
    const std::string xvfb = FindProgram("Xvfb"), trayer = FindProgram("trayer"),
                      xdotool = FindProgram("xdotool");
    if (xvfb.empty() || trayer.empty() || xdotool.empty() || FindProgram("import").empty())
        GTEST_SKIP() << "needs Xvfb, trayer, xdotool and ImageMagick's import (Debian packages xvfb, trayer, "
                        "xdotool, imagemagick)";
    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "640x480x24", "tray_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see tray_xvfb.log";
    const std::string display = ":" + std::to_string(*number);
    TChild host;
    host.Pid = Spawn(trayer,
                     {"--edge", "top", "--align", "left", "--widthtype", "request", "--height", "24",
                      "--SetDockType", "true"},
                     {"DISPLAY=" + display}, "", "tray_trayer.log");

    // The peer runs on the display; this process stays on the offscreen platform.
    SelfPeer peer("TrayOnScreenPeer.DISABLED_Meter", {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
    ASSERT_EQ(peer.NextReport(20000), "docked");

    // The icon on the screen is the meter as it draws headless, pixel for pixel.
    TForm form(nullptr);
    auto* meter = new TvcTrayMeter(&form);
    SetUpMeter(meter);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(meter->MeterIcon()->Handle(), &info));
    const HDC iconDc = CreateCompatibleDC(nullptr);
    const HGDIOBJ oldBitmap = SelectObject(iconDc, info.hbmColor);
    // Taken again until the tray host has painted the icon.
    std::optional<POINT> found;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!found && std::chrono::steady_clock::now() < end) {
        ASSERT_EQ(
            RunProcessAndWait("import", {"-display", display, "-window", "root", "BMP3:tray_screen.bmp"}), 0);
        TBitmap shot;
        shot.LoadFromFile("tray_screen.bmp");
        for (int y = 0; y + 16 <= 40 && !found; ++y)
            for (int x = 0; x + 16 <= shot.Width() && !found; ++x) {
                bool same = true;
                for (int j = 0; j < 16 && same; ++j)
                    for (int i = 0; i < 16 && same; ++i)
                        same = PixelAt(&shot, x + i, y + j) == GetPixel(iconDc, i, j);
                if (same) found = POINT{x, y};
            }
    }
    SelectObject(iconDc, oldBitmap);
    DeleteDC(iconDc);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    ASSERT_TRUE(found) << "the meter is not in the tray; see tray_screen.bmp";

    auto click = [&](const std::vector<std::string>& what) {
        std::vector<std::string> args{"mousemove", std::to_string(found->x + 8),
                                      std::to_string(found->y + 8)};
        args.insert(args.end(), what.begin(), what.end());
        EXPECT_EQ(RunOnDisplay(display, xdotool, args, "tray_xdotool.log"), 0);
    };
    auto reports = [&](int count) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i) lines.push_back(peer.NextReport());
        return lines;
    };
    click({"click", "1"});
    EXPECT_EQ(reports(2), (std::vector<std::string>{"click", "popup LeftMenu"}));
    click({"click", "3"});
    EXPECT_EQ(reports(2), (std::vector<std::string>{"rightclick", "popup RightMenu"}));
    click({"click", "2"});
    EXPECT_EQ(reports(1), (std::vector<std::string>{"midclick"}));
    // The first click of a double click is a click; the second runs the default item.
    click({"click", "--repeat", "2", "--delay", "60", "1"});
    EXPECT_EQ(reports(3), (std::vector<std::string>{"click", "popup LeftMenu", "item Show"}));
    EXPECT_EQ(peer.Wait(20000), 0);
}
