// Shaped buttons on a real display: a form of them shown by this test program started again on a
// virtual X server, clicked with xdotool inside and outside their outlines (outside, the click
// reaches the control beneath), and a screenshot kept in the build tree as shaped_buttons.png.
// Skipped without the programs (Debian packages xvfb, xdotool, imagemagick).
#include "indicator_controls/Std2Shape.h"
#include "indicator_controls/VanimateShape.h"
#include "support/LedTest.h"

#include "platform/ui/Forms.h"
#include "platform/win/Process.h"
#include "platform/win/Sync.h"
#include "tools/testing/RealDisplay.h"
#include "tools/testing/SelfPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace testing_display;

void Report(const std::string& line) {
    std::printf("peer:%s\n", line.c_str());
    std::fflush(stdout);
}

class TShapesForm : public TForm {
public:
    explicit TShapesForm(TComponent* AOwner) : TForm(AOwner) {
        SetCaption("Shaped buttons");
        SetBounds(40, 40, 320, 200);
        SetColor(0x604020);
        Beneath = Add<TvShapeBtn>(0, 0, 300, 160, "beneath");
        Beneath->SetColor(0x80C0C0);
        auto* windowed = Add<TvcShapeColorBtn>(10, 10, 90, 60, "windowed");
        windowed->SetShape(sbUpTriangle);
        windowed->SetCaption("OK");
        auto* light = Add<TvShapeBtn>(110, 10, 91, 61, "light");
        light->SetShape(sbDnTriangle);
        light->SetColor(0x00C000);
        auto* plus = Add<TvcShapeGradBtn>(210, 10, 90, 60, "plus");
        plus->SetShape(sbPlus);
        plus->SetColor(0x0000FF);
        plus->SetEndColor(0xFF0000);
        auto* circle = Add<TvcShapeColorBtn>(10, 80, 90, 60, "circle");
        circle->SetShape(sbCircle);
        circle->SetColor(0x00FFFF);
    }
    TvShapeBtn* Beneath;
    bool Done = false;

private:
    template <class T> T* Add(int left, int top, int width, int height, const char* name) {
        auto* c = new T(this);
        c->SetName(name);
        c->SetBounds(left, top, width, height);
        c->SetParent(this);
        c->OnClick = TNotifyEvent::Bind<&TShapesForm::Clicked>(this);
        return c;
    }
    void Clicked(TObject* Sender) {
        const std::string name = static_cast<TComponent*>(Sender)->Name();
        Report("click " + name);
        if (name == "circle") Done = true;
    }
};

} // namespace

// The form on the real display: reports where its client area lies, then every click, until the
// circle is clicked.
TEST(ShapedButtonsPeer, DISABLED_Form) {
    TShapesForm* form = nullptr;
    Application->Initialize();
    Application->CreateForm(form);
    form->Show();
    PumpFor(800);
    const TPoint origin = form->ClientToScreen(TPoint(0, 0));
    Report("at " + std::to_string(origin.X) + " " + std::to_string(origin.Y));
    for (int i = 0; i < 3000 && !form->Done; ++i) PumpFor(10);
    PumpFor(200);
    Application->DestroyForms();
}

TEST(ShapedButtonsOnScreen, ClicksOutsideAnOutlineReachWhatLiesBeneath) {
    const std::string xvfb = FindProgram("Xvfb"), xdotool = FindProgram("xdotool");
    if (xvfb.empty() || xdotool.empty() || FindProgram("import").empty())
        GTEST_SKIP()
            << "needs Xvfb, xdotool and ImageMagick's import (Debian packages xvfb, xdotool, imagemagick)";
    TChild server;
    const std::optional<int> number = StartXvfb(xvfb, "640x480x24", "shaped_buttons_xvfb.log", server);
    ASSERT_TRUE(number) << "Xvfb did not start; see shaped_buttons_xvfb.log";
    const std::string display = ":" + std::to_string(*number);

    const std::string oldDisplay = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    SelfPeer peer("ShapedButtonsPeer.DISABLED_Form");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (oldDisplay.empty())
        ::unsetenv("DISPLAY");
    else
        ::setenv("DISPLAY", oldDisplay.c_str(), 1);
    const std::string at = peer.NextReport(20000);
    int x0 = 0, y0 = 0;
    ASSERT_EQ(std::sscanf(at.c_str(), "at %d %d", &x0, &y0), 2) << at;

    EXPECT_EQ(RunProcessAndWait("import", {"-display", display, "-window", "root", "shaped_buttons.png"}), 0);
    // xdotool finds the display in the environment; this process stays on the offscreen platform.
    ::setenv("DISPLAY", display.c_str(), 1);

    auto clickAt = [&](int x, int y) {
        EXPECT_EQ(RunProcessAndWait(xdotool, {"mousemove", std::to_string(x0 + x), std::to_string(y0 + y),
                                              "sleep", "0.2", "click", "1"}),
                  0);
        return peer.NextReport();
    };
    EXPECT_EQ(clickAt(14, 14), "click beneath") << "the windowed triangle's corner";
    EXPECT_EQ(clickAt(55, 60), "click windowed");
    EXPECT_EQ(clickAt(113, 68), "click beneath") << "the light triangle's corner";
    EXPECT_EQ(clickAt(155, 15), "click light");
    EXPECT_EQ(clickAt(214, 12), "click beneath") << "beside the plus";
    EXPECT_EQ(clickAt(55, 110), "click circle");
    EXPECT_EQ(peer.Wait(10000), 0);
    if (oldDisplay.empty())
        ::unsetenv("DISPLAY");
    else
        ::setenv("DISPLAY", oldDisplay.c_str(), 1);
}
