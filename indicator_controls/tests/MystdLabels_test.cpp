// Labels and the hint window: hint placement beside the pointer and inside the screen, the moves a
// hint survives, the veto, long texts measured whole, and a link label that opens its address.
#include "indicator_controls/MystdLabels.h"

#include "support/LedTest.h"

#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(TvHintOrigin, BesideThePointerAndEightPixelsInsideTheScreen) {
    struct Case {
        TvHintPos pos;
        TPoint cursor;
        TPoint expected;
    };
    const TRect rect(200, 300, 300, 330);
    // A hint of 100 x 30 on a screen of 1024 x 768.
    for (const Case& c : {
             Case{hpLeftAbove, TPoint(500, 400), TPoint(396, 366)},
             Case{hpLeftUnder, TPoint(500, 400), TPoint(396, 424)},
             Case{hpRightAbove, TPoint(500, 400), TPoint(504, 366)},
             Case{hpRightUnder, TPoint(500, 400), TPoint(504, 424)},
             Case{hpNormal, TPoint(500, 400), TPoint(200, 300)},
             // The corners.
             Case{hpLeftAbove, TPoint(0, 0), TPoint(8, 8)},
             Case{hpRightUnder, TPoint(0, 0), TPoint(8, 24)},
             Case{hpRightUnder, TPoint(1024, 768), TPoint(916, 730)},
             Case{hpLeftAbove, TPoint(1024, 768), TPoint(916, 730)},
             Case{hpLeftUnder, TPoint(0, 768), TPoint(8, 730)},
             Case{hpRightAbove, TPoint(1024, 0), TPoint(916, 8)},
             // Exactly 8 pixels from the right and bottom edges stays.
             Case{hpRightUnder, TPoint(912, 706), TPoint(916, 730)},
         }) {
        const TPoint at = TvHintOrigin(c.pos, rect, c.cursor, 100, 30, 1024, 768);
        EXPECT_EQ(at.X, c.expected.X) << int(c.pos) << " at " << c.cursor.X << "," << c.cursor.Y;
        EXPECT_EQ(at.Y, c.expected.Y) << int(c.pos) << " at " << c.cursor.X << "," << c.cursor.Y;
    }
    // hpNormal takes the rectangle's corner, kept inside as well.
    const TPoint at = TvHintOrigin(hpNormal, TRect(-50, -50, 50, -20), TPoint(500, 400), 100, 30, 1024, 768);
    EXPECT_EQ(at.X, 8);
    EXPECT_EQ(at.Y, 8);
}

struct HintFixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TvHint* hint = nullptr;
    TvBigLabel* label = nullptr;
    void SetUp() override {
        form->SetBounds(100, 100, 400, 300);
        hint = new TvHint(form.get());
        label = new TvBigLabel(form.get());
        label->SetParent(form.get());
        label->SetBounds(10, 10, 100, 20);
        label->SetCaption("Level");
        label->SetHint("The level of the left channel");
        label->SetShowHint(true);
        form->Show();
        Pump();
        Application->ShowHint = true;
        hint->SetHintPosition(hpNormal);
    }
    void TearDown() override {
        Application->CancelHint();
        ResetHintSettings();
        HintWindowClass = MakeHintWindow<THintWindow>;
    }
    // The pointer comes onto the label (the form's window hands the move to it) and rests there.
    void RestOnLabel() {
        form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20, 15));
        AdvanceClock(static_cast<std::uint64_t>(Application->HintPause) + 1);
        Pump();
    }
    TvHintWindow* Window() const { return dynamic_cast<TvHintWindow*>(Application->HintWindow()); }
    bool Shown() const { return Window() && Window()->Visible(); }
};

using TvHintBehaviour = HintFixture;

TEST_F(TvHintBehaviour, TheApplicationShowsTheHintInATvHintWindowAfterThePause) {
    form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20, 15));
    EXPECT_FALSE(Shown());
    AdvanceClock(static_cast<std::uint64_t>(Application->HintPause) + 1);
    Pump();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Window()->Caption(), "The level of the left channel");
    AdvanceClock(static_cast<std::uint64_t>(Application->HintHidePause) + 1);
    Pump();
    EXPECT_FALSE(Shown());
}

TEST_F(TvHintBehaviour, FiveMovesKeepTheHintTheSixthClosesIt) {
    RestOnLabel();
    ASSERT_TRUE(Shown());
    for (int i = 1; i <= 5; ++i) {
        form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20 + i, 15));
        EXPECT_TRUE(Shown()) << "move " << i;
        EXPECT_EQ(Window()->MoveCount(), i);
    }
    form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(26, 15));
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Window()->MoveCount(), 0);

    // A key closes it at once, as in any hint window.
    RestOnLabel();
    ASSERT_TRUE(Shown());
    form->MainWndProc(WM_KEYDOWN, 'A', 0);
    EXPECT_FALSE(Shown());
}

TEST_F(TvHintBehaviour, OnHintShowCanVetoEveryHint) {
    struct Veto : TObject {
        int Asked = 0;
        void Show(TObject*, bool& ShowHint) {
            ++Asked;
            ShowHint = false;
        }
    } veto;
    hint->SetOnHintShow(THintShowEvent::Bind<&Veto::Show>(&veto));
    RestOnLabel();
    EXPECT_FALSE(Shown());
    label->SetHint("Another text");
    Application->CancelHint();
    RestOnLabel();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(veto.Asked, 2);
}

TEST_F(TvHintBehaviour, ALongHintIsMeasuredWholeWithinItsPartOfTheScreen) {
    std::string text;
    while (text.size() < 300) text += "word ";
    label->SetHint(text);
    RestOnLabel();
    ASSERT_TRUE(Shown());
    const int width300 = Window()->Width();
    const int height300 = Window()->Height();
    EXPECT_LE(width300, Screen->Width() / 2);
    Application->CancelHint();
    label->SetHint(text + text);
    RestOnLabel();
    ASSERT_TRUE(Shown());
    EXPECT_GT(Window()->Height(), height300 + 20);
    EXPECT_EQ(Window()->Caption(), text + text);
    // Without MultiLine the text stays on one line, as wide as the measure allows.
    Application->CancelHint();
    hint->SetMultiLine(false);
    RestOnLabel();
    ASSERT_TRUE(Shown());
    EXPECT_LT(Window()->Height(), height300);
}

TEST_F(TvHintBehaviour, DroppingATvHintResetsTheSettings) {
    hint->SetMoveBeforeOff(9);
    hint->SetUse3D(false);
    EXPECT_EQ(HintSettings().MoveBeforeOff, 9);
    TvHint second(nullptr);
    EXPECT_EQ(HintSettings().MoveBeforeOff, 5);
    EXPECT_TRUE(HintSettings().Use3D);
    EXPECT_EQ(HintSettings().HintPosition, hpLeftAbove);
    EXPECT_EQ(HintSettings().PartOfScreen, 2);
    EXPECT_EQ(HintSettings().Font->Height(), -11);
}

TEST(TvBigLabel, A300CharacterCaptionWrapsEvenWithoutWordWrap) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    std::string caption;
    while (caption.size() < 300) caption += "level ";
    auto* big = new TvBigLabel(form.get());
    big->SetParent(form.get());
    auto* plain = new TLabel(form.get());
    plain->SetParent(form.get());
    big->SetCaption("level");
    const int oneLine = big->Height();
    big->SetCaption(caption);
    plain->SetCaption(caption);
    EXPECT_FALSE(big->WordWrap());
    EXPECT_GT(big->Height(), 5 * oneLine);
    EXPECT_LT(big->Width(), 100);
    EXPECT_EQ(plain->Height(), oneLine);
    // Below 256 characters it stays on one line.
    big->SetCaption(caption.substr(0, 255));
    EXPECT_EQ(big->Height(), oneLine);
}

// A directory put first on PATH holding a recording xdg-open: it appends its argument count and
// each argument on a line of its own.
class TvcURLLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("vx-urllabel-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        log_ = dir_ / "opened.txt";
        const std::filesystem::path script = dir_ / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> '" << log_.string() << "'\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ::setenv("PATH", (dir_.string() + ":" + oldPath_).c_str(), 1);
        form->SetBounds(100, 100, 300, 200);
        link = new TvcURLLabel(form.get());
        link->SetParent(form.get());
        link->SetBounds(10, 10, 100, 20);
        link->SetCaption("&Home page");
        link->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
        link->SetName("Link");
        form->Show();
        Pump();
    }
    void TearDown() override {
        ::setenv("PATH", oldPath_.c_str(), 1);
        std::filesystem::remove_all(dir_);
    }
    void ClickLink() {
        const TPoint at(link->Left() + 5, link->Top() + 5);
        form->MainWndProc(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(at.X, at.Y));
        form->MainWndProc(WM_LBUTTONUP, 0, MakeMouseLParam(at.X, at.Y));
    }
    // The lines the script wrote, once it has written two.
    std::vector<std::string> Recorded() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::vector<std::string> lines;
        while (std::chrono::steady_clock::now() < until) {
            lines.clear();
            std::ifstream in(log_);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            if (lines.size() >= 2) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return lines;
    }

    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TvcURLLabel* link = nullptr;
    TEventLog log;
    std::filesystem::path dir_, log_;
    std::string oldPath_;
};

TEST_F(TvcURLLabelTest, IsAGreenUnderlinedLinkWithoutAnAddress) {
    EXPECT_EQ(link->URL, "");
    EXPECT_TRUE(link->LastClickOK());
    EXPECT_FALSE(link->Use3D());
    EXPECT_EQ(link->Cursor(), crHandPoint);
    EXPECT_EQ(link->Font()->Color(), TColor(0x008000));
    EXPECT_EQ(link->Font()->Height(), -16);
    EXPECT_TRUE(link->Font()->Style().Contains(fsUnderline));
}

TEST_F(TvcURLLabelTest, AClickOpensTheAddressAndAnEmptyAddressOnlyClicks) {
    ClickLink();
    EXPECT_EQ(log.Events, "click Link");
    link->URL = "http://www.example.com/a page?x=1&y='2'";
    ClickLink();
    EXPECT_EQ(log.Events, "click Link, click Link");
    EXPECT_TRUE(link->LastClickOK());
    // One run of xdg-open, with the address as its one argument: the empty address started none.
    EXPECT_EQ(Recorded(), (std::vector<std::string>{"1", link->URL}));
}

TEST_F(TvcURLLabelTest, TheAcceleratorClicksAndAFailedStartIsRecorded) {
    link->URL = "http://www.example.com/";
    ::setenv("PATH", (dir_ / "nothing-here").c_str(), 1);
    TMessage m{CM_DIALOGCHAR, 'h', 0, 0};
    link->Dispatch(m);
    EXPECT_EQ(m.Result, 1);
    EXPECT_EQ(log.Events, "click Link");
    EXPECT_FALSE(link->LastClickOK());
}

} // namespace
