// Window regions on a real display: a virtual X server with a window manager (openbox) and a
// coloured desktop, the forms shown by this test program started again on Qt's X11 platform. A form
// shaped to an L by TvcFancyForm shows the desktop and the window below through its cut-away part
// and lets clicks there through, and with an empty region nothing of it is left; a panel given a
// window region paints and takes the mouse only inside it; the splash stands frameless and shaped where its
// geometry says, with its picture, and is gone after DoRemove. Pixels are read back from the X server.
// Skipped when a tool is missing (Debian packages xvfb, openbox, xdotool).
#include "indicator_controls/Std2.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowShape.h"
#include "tools/testing/RealDisplay.h"
#include "tools/testing/SelfPeer.h"

#include <gtest/gtest.h>

#ifdef VX_HAVE_XSHAPE
#include "tools/testing/XShapeProbe.h"
#include "tools/testing/XShapeRegion.h"
#endif

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testing_display;

constexpr COLORREF kDesktop = 0xFF0000; // blue
constexpr COLORREF kBelow = 0x0000FF;   // red
constexpr COLORREF kShaped = 0x00C000;  // green
constexpr COLORREF kPanel = 0x00FFFF;   // yellow
constexpr COLORREF kPicture = 0xFFFF00; // cyan

// The shaped form: 200 x 160 at (100, 100), an L of a bar 80 wide on the left and one 60 high at the
// bottom; the part cut away is (80, 0) - (200, 100).
constexpr TRect kShapedBounds(100, 100, 300, 260);
// Below it, reaching under part of the cut-away corner.
constexpr TRect kBelowBounds(250, 60, 450, 160);
// On the shaped form, in its bottom bar; its region is its left half.
constexpr TRect kPanelBounds(20, 110, 180, 150);

HRGN LShape() {
    HRGN r = CreateRectRgn(0, 0, 80, 160);
    HRGN bar = CreateRectRgn(0, 100, 200, 160);
    CombineRgn(r, r, bar, RGN_OR);
    DeleteObject(bar);
    return r;
}

void Report(const std::string& line) {
    std::printf("peer:%s\n", line.c_str());
    std::fflush(stdout);
}

// Reports each press of the left button as "<name> x y".
class TClickReporter : public TObject {
public:
    void Down(TObject* Sender, TMouseButton, TShiftState, int X, int Y) {
        Report(static_cast<TComponent*>(Sender)->Name() + " " + std::to_string(X) + " " + std::to_string(Y));
    }
};

void PumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TForm* PlainForm(const std::string& name, const TRect& bounds, TColor color, TClickReporter& clicks) {
    auto* form = new TForm(nullptr);
    form->SetName(name);
    form->SetCaption(name);
    form->SetBorderStyle(bsNone);
    form->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    form->SetColor(color);
    form->OnMouseDown = TMouseEvent::Bind<&TClickReporter::Down>(&clicks);
    return form;
}

} // namespace

// The program on the real display: the two forms, then the splash, as the test's commands say.
TEST(ShapeOnScreenPeer, DISABLED_Shapes) {
    TClickReporter clicks;
    std::unique_ptr<TForm> below(PlainForm("Below", kBelowBounds, kBelow, clicks));
    std::unique_ptr<TForm> shaped(PlainForm("Shaped", kShapedBounds, kShaped, clicks));
    shaped->SetFormStyle(fsStayOnTop);
    auto* fancy = new TvcFancyForm(shaped.get());
    auto* panel = new TPanel(shaped.get());
    panel->SetName("Panel");
    panel->SetParent(shaped.get());
    panel->SetBevelOuter(TBevelCut::bvNone);
    panel->SetColor(kPanel);
    panel->SetBounds(kPanelBounds.Left, kPanelBounds.Top, kPanelBounds.Width(), kPanelBounds.Height());
    panel->OnMouseDown = TMouseEvent::Bind<&TClickReporter::Down>(&clicks);
    shaped->BeginLoading();
    HRGN l = LShape();
    std::vector<std::uint8_t> data(GetRegionData(l, 0, nullptr));
    GetRegionData(l, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    DeleteObject(l);
    fancy->Region()->SetRgn(data.data(), static_cast<std::uint32_t>(data.size()));
    shaped->EndLoading();
    SetWindowRgn(panel->Handle(), CreateRectRgn(0, 0, kPanelBounds.Width() / 2, kPanelBounds.Height()), TRUE);
    below->Show();
    PumpFor(300);
    shaped->Show();
    PumpFor(300);
    Report("shown");

    const auto idle = [] { Application->ProcessMessages(); };
    ASSERT_EQ(NextPeerCommand(idle), "empty");
    SetWindowRgn(shaped->Handle(), CreateRectRgn(0, 0, 0, 0), TRUE);
    PumpFor(200);
    Report("emptied");

    ASSERT_EQ(NextPeerCommand(idle), "splash");
    shaped->Hide();
    below->Hide();
    TvSplashForm splash(nullptr);
    TBitmap picture;
    picture.SetSize(80, 60);
    picture.Canvas()->Brush()->SetColor(kPicture);
    picture.Canvas()->FillRect(TRect(0, 0, 80, 60));
    splash.SetBitMap(&picture);
    splash.Shape = ssCircle;
    splash.MakeSplash();
    splash.DoSplash();
    ASSERT_NE(splash.Window(), nullptr);
    splash.Window()->SetCaption("Splash");
    PumpFor(300);
    const TvSplashGeometry& g = splash.Geometry();
    std::ostringstream geometry;
    geometry << "splash " << g.X << " " << g.Y << " " << g.W << " " << g.H << " " << g.dx << " " << g.dy;
    Report(geometry.str());

    ASSERT_EQ(NextPeerCommand(idle), "remove");
    splash.DoRemove();
    EXPECT_EQ(splash.Window(), nullptr);
    PumpFor(200);
    Report("removed");
    ASSERT_EQ(NextPeerCommand(idle), "quit");
}

#ifdef VX_HAVE_XSHAPE

namespace {

using xshape_probe::Connection;

class ShapeOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string xvfb = FindProgram("Xvfb");
        xdotool_ = FindProgram("xdotool");
        if (xvfb.empty() || FindProgram("openbox").empty() || xdotool_.empty())
            GTEST_SKIP() << "needs Xvfb, openbox and xdotool (Debian packages xvfb, openbox, xdotool)";
        const std::optional<int> number = StartXvfb(xvfb, "640x480x24", "shape_screen_xvfb.log", server_);
        ASSERT_TRUE(number) << "Xvfb did not start; see shape_screen_xvfb.log";
        display_ = ":" + std::to_string(*number);
        x_ = std::make_unique<Connection>(display_);
        ASSERT_TRUE(x_->Open());
        ASSERT_TRUE(xshape_probe::StartOpenbox(*x_, display_, "shape_screen_openbox.log", wm_))
            << "openbox did not start; see shape_screen_openbox.log";
        x_->SetDesktopColor(kDesktop);
    }

    // Waits until the condition holds (at most 10 seconds).
    static bool Eventually(const std::function<bool()>& condition) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }
    unsigned long Window(const std::string& name) {
        unsigned long w = 0;
        Eventually([&] { return (w = x_->FindWindow(name)) != 0; });
        return w;
    }
    TPoint Origin(unsigned long window) {
        const auto p = x_->Origin(window);
        return p ? TPoint(p->first, p->second) : TPoint(-1, -1);
    }
    // The screen pixel, once it has become the colour (else what it is then).
    std::uint32_t PixelBecomes(TPoint at, COLORREF color) {
        std::uint32_t now = 0;
        Eventually([&] { return (now = x_->ScreenPixel(at.X, at.Y).value_or(0xFFFFFFFF)) == color; });
        return now;
    }
    bool HasShape(unsigned long window, HRGN expected) {
        const bool same = Eventually([&] {
            HRGN actual = BoundingShapeRgn(*x_, window);
            const bool equal = EqualRgn(actual, expected);
            DeleteObject(actual);
            return equal;
        });
        DeleteObject(expected);
        return same;
    }
    void Click(TPoint at) {
        EXPECT_EQ(RunOnDisplay(
                      display_, xdotool_,
                      {"mousemove", std::to_string(at.X), std::to_string(at.Y), "sleep", "0.1", "click", "1"},
                      "shape_screen_xdotool.log"),
                  0);
    }

    std::string xdotool_, display_;
    TChild server_, wm_;
    std::unique_ptr<Connection> x_;
};

std::string At(const char* name, int x, int y) {
    return std::string(name) + " " + std::to_string(x) + " " + std::to_string(y);
}

} // namespace

TEST_F(ShapeOnScreen, ShapedFormAndPanelThenTheSplash) {
    SelfPeer peer("ShapeOnScreenPeer.DISABLED_Shapes", {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb"});
    ASSERT_EQ(peer.NextReport(20000), "shown");
    const unsigned long shaped = Window("Shaped");
    const unsigned long below = Window("Below");
    ASSERT_NE(shaped, 0u) << "no shaped form on the screen";
    ASSERT_NE(below, 0u) << "no form below on the screen";
    const TPoint a = Origin(shaped);
    const TPoint b = Origin(below);
    // Frameless and where the forms asked to be.
    EXPECT_EQ(a, kShapedBounds.TopLeft());
    EXPECT_EQ(b, kBelowBounds.TopLeft());
    EXPECT_TRUE(HasShape(shaped, LShape())) << "the X server's shape of the form is not its region";

    // Inside the L the form paints; in the cut-away corner the desktop shows, and the form below
    // where it reaches.
    const TPoint onBar(a.X + 40, a.Y + 50), onDesktop(a.X + 100, a.Y + 30), onBelow(a.X + 175, a.Y + 30);
    ASSERT_TRUE(onBelow.X >= b.X + 1 && onBelow.Y >= b.Y + 1 && onBelow.X < b.X + kBelowBounds.Width() &&
                onBelow.Y < b.Y + kBelowBounds.Height());
    EXPECT_EQ(PixelBecomes(onBar, kShaped), kShaped);
    EXPECT_EQ(PixelBecomes(onDesktop, kDesktop), kDesktop);
    EXPECT_EQ(PixelBecomes(onBelow, kBelow), kBelow);
    // The panel paints only its left half; the form shows in the right.
    const TPoint panelIn(a.X + kPanelBounds.Left + 30, a.Y + kPanelBounds.Top + 20);
    const TPoint panelOut(a.X + kPanelBounds.Left + 120, a.Y + kPanelBounds.Top + 20);
    EXPECT_EQ(PixelBecomes(panelIn, kPanel), kPanel);
    EXPECT_EQ(PixelBecomes(panelOut, kShaped), kShaped);

    // Clicks: through the cut-away corner to the form below; inside the L to the shaped form; on
    // the panel's cut-away half to the form under it.
    Click(onBelow);
    EXPECT_EQ(peer.NextReport(), At("Below", onBelow.X - b.X, onBelow.Y - b.Y));
    Click(onBar);
    EXPECT_EQ(peer.NextReport(), At("Shaped", 40, 50));
    Click(panelIn);
    EXPECT_EQ(peer.NextReport(), At("Panel", 30, 20));
    Click(panelOut);
    EXPECT_EQ(peer.NextReport(), At("Shaped", kPanelBounds.Left + 120, kPanelBounds.Top + 20));

    // An empty region leaves nothing of the form on the screen or under the mouse.
    ASSERT_TRUE(peer.Send("empty"));
    ASSERT_EQ(peer.NextReport(), "emptied");
    EXPECT_EQ(PixelBecomes(onBar, kDesktop), kDesktop);
    EXPECT_EQ(PixelBecomes(panelIn, kDesktop), kDesktop);
    Click(onBar);
    Click(onBelow);
    EXPECT_EQ(peer.NextReport(), At("Below", onBelow.X - b.X, onBelow.Y - b.Y));

    // The splash, alone on the desktop.
    ASSERT_TRUE(peer.Send("splash"));
    std::istringstream report(peer.NextReport());
    std::string word;
    int X = 0, Y = 0, W = 0, H = 0, dx = 0, dy = 0;
    report >> word >> X >> Y >> W >> H >> dx >> dy;
    ASSERT_EQ(word, "splash");
    const unsigned long splash = Window("Splash");
    ASSERT_NE(splash, 0u) << "no splash on the screen";
    EXPECT_EQ(Origin(splash), TPoint(X, Y));
    const auto size = x_->Size(splash);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->first, W);
    EXPECT_EQ(size->second, H);
    EXPECT_TRUE(HasShape(splash, CreateEllipticRgn(0, 0, W, H))) << "the splash is not shaped by its region";
    // The picture in the middle; the desktop at the corners outside the circle.
    EXPECT_EQ(PixelBecomes(TPoint(X + W / 2, Y + H / 2), kPicture), kPicture);
    EXPECT_EQ(PixelBecomes(TPoint(X + dx + 1, Y + dy + 1), kPicture), kPicture);
    EXPECT_EQ(PixelBecomes(TPoint(X + 2, Y + 2), kDesktop), kDesktop);
    EXPECT_EQ(PixelBecomes(TPoint(X + W - 3, Y + H - 3), kDesktop), kDesktop);

    ASSERT_TRUE(peer.Send("remove"));
    EXPECT_EQ(peer.NextReport(), "removed");
    EXPECT_TRUE(Eventually([&] { return x_->FindWindow("Splash") == 0; })) << "the splash stayed";
    EXPECT_EQ(PixelBecomes(TPoint(X + W / 2, Y + H / 2), kDesktop), kDesktop);
    ASSERT_TRUE(peer.Send("quit"));
    EXPECT_EQ(peer.Wait(20000), 0);
}

#endif
