// The tab list box: tab stops in pixels handed to the list box in dialog units (from positions or
// header bars), refused stops, the horizontal extent that follows the widest line, the change event
// with the previous selection, scroll events, focusing on mouse entry, streaming, and the columns
// its tab stops line up on the screen.
#include "indicator_controls/MystdTabList.h"

#include "support/LedTest.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/StdCtrls.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Records the tab stops and extents the list sends itself; can refuse the tab stops.
class TProbeTabListbox : public TvTabListbox {
public:
    using TvTabListbox::Loaded;
    using TvTabListbox::TvTabListbox;

    std::vector<std::vector<int>> TabStopsSent;
    std::vector<int> ExtentsSent;
    bool RefuseTabStops = false;

    void Dispatch(TMessage& Message) override {
        if (Message.Msg == LB_SETTABSTOPS) {
            const auto* p = reinterpret_cast<const int*>(Message.LParam);
            TabStopsSent.emplace_back(p, p + Message.WParam);
            if (RefuseTabStops) {
                Message.Result = FALSE;
                return;
            }
        }
        if (Message.Msg == LB_SETHORIZONTALEXTENT) ExtentsSent.push_back(static_cast<int>(Message.WParam));
        TvTabListbox::Dispatch(Message);
    }
};

struct Recorder : TObject {
    std::vector<std::string> Events;
    void Change(TObject*, int PrevItemIndex) { Events.push_back("change " + std::to_string(PrevItemIndex)); }
    void Scroll(TObject*, std::int16_t Position, std::int16_t ScrollCode, ScrollDirection Dir) {
        Events.push_back(std::string(Dir == vScrollHor ? "hor " : "ver ") + std::to_string(Position) + " " +
                         std::to_string(ScrollCode));
    }
    void Enter(TObject*) { Events.push_back("enter"); }
    void Leave(TObject*) { Events.push_back("leave"); }
    std::string Joined() const {
        std::string out;
        for (const auto& e : Events) out += (out.empty() ? "" : ", ") + e;
        return out;
    }
};

struct TabListbox : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TProbeTabListbox* list = nullptr;
    TBitmap measure;
    Recorder rec;

    void SetUp() override {
        std::string why;
        if (!GdiTextAvailable(&why)) GTEST_SKIP() << why;
        form->SetClientSize(320, 240);
        list = new TProbeTabListbox(form.get());
        list->SetName("Tabs");
        list->SetParent(form.get());
        list->SetBounds(0, 0, 300, 150);
        measure.SetSize(1, 1);
        measure.Canvas()->SetFont(list->Font());
    }
    int Width(const std::string& s) { return measure.Canvas()->TextWidth(s); }
    // A position in dialog units, as the list converts it.
    int Units(int pixels) {
        const long double average = Width(kLetters) / 52.0L;
        return static_cast<int>(std::trunc(pixels * 4.0L / average));
    }
    // The next multiple of interval after x.
    static int NextStop(int x, int interval) { return (x / interval + 1) * interval; }
};

TEST_F(TabListbox, StartsWithOneStopAndAsksForTabsAndAHorizontalBar) {
    EXPECT_EQ(list->TabPositions(), std::vector<int>{16});
    EXPECT_EQ(list->WidestLine(), 0);
    EXPECT_FALSE(list->AutoFocus);
    EXPECT_TRUE(list->SizeAfterDel);
    list->HandleNeeded();
    EXPECT_TRUE(list->WindowParams().Style & LBS_USETABSTOPS);
    // The bar shows once a line is wider than the list.
    list->Items()->Add(std::string(200, 'W'));
    EXPECT_TRUE(list->WindowParams().Style & WS_HSCROLL);
}

TEST_F(TabListbox, StopsOnAnEmptyListAreNotApplied) {
    list->SetTabStops({40, 80});
    list->Loaded();
    EXPECT_TRUE(list->TabStopsSent.empty());
    EXPECT_EQ(list->TabPositions(), std::vector<int>{16});
}

TEST_F(TabListbox, StopsGoToTheListBoxInDialogUnits) {
    list->Items()->Add("a\tb");
    list->SetTabStops({25, 50, 200});
    ASSERT_EQ(list->TabStopsSent.size(), 1u);
    EXPECT_EQ(list->TabStopsSent[0], (std::vector<int>{Units(25), Units(50), Units(200)}));
    EXPECT_EQ(list->TabPositions(), (std::vector<int>{25, 50, 200}));

    // Loading sets the eight stops 25 pixels apart.
    list->Loaded();
    ASSERT_EQ(list->TabStopsSent.size(), 2u);
    std::vector<int> eight;
    for (int p = 25; p <= 200; p += 25) eight.push_back(Units(p));
    EXPECT_EQ(list->TabStopsSent[1], eight);

    // Any number of stops; none restores the list box's own stops.
    std::vector<int> many;
    for (int i = 1; i <= 300; ++i) many.push_back(i * 10);
    list->SetTabStops(many);
    EXPECT_EQ(list->TabStopsSent.back().size(), 300u);
    EXPECT_EQ(list->TabPositions().size(), 300u);
    list->SetTabStops({});
    EXPECT_TRUE(list->TabStopsSent.back().empty());
    EXPECT_TRUE(list->TabPositions().empty());
    TEXTMETRIC tm;
    GetTextMetrics(measure.Canvas()->Handle(), &tm);
    EXPECT_EQ(list->WidestLine(), NextStop(Width("a"), 8 * tm.tmAveCharWidth) + Width("b") + Width("Z"));
}

TEST_F(TabListbox, StopsFromHeaderBars) {
    list->Items()->Add("x");
    THeader header(nullptr);
    TStringList names;
    names.SetText("A\r\nB\r\nC\r\n");
    header.SetSections(&names);
    // Wide sections: the sums go past 16 bits.
    for (int i : {0, 1, 2}) header.SetSectionWidth(i, 30000);
    list->SetFromHeader(&header);
    EXPECT_EQ(list->TabPositions(), (std::vector<int>{30000, 60000, 90000}));

    auto* bar = new THeaderControl(form.get());
    bar->SetParent(form.get());
    for (int w : {80, 40, 200}) bar->Sections()->Add()->SetWidth(w);
    list->SetfromHeaderControl(bar);
    EXPECT_EQ(list->TabPositions(), (std::vector<int>{80, 120, 320}));
    EXPECT_EQ(list->TabStopsSent.back(), (std::vector<int>{Units(80), Units(120), Units(320)}));
}

TEST_F(TabListbox, RefusedStopsRaiseTabErrorAndTheOldOnesStay) {
    list->Items()->Add("a\tb");
    list->SetTabStops({40});
    const int widest = list->WidestLine();
    list->RefuseTabStops = true;
    try {
        list->SetTabStops({90, 180});
        FAIL() << "refused stops raise";
    } catch (const EvTabListboxError& e) {
        EXPECT_STREQ(e.what(), "TabError");
    }
    EXPECT_EQ(list->TabPositions(), std::vector<int>{40});
    EXPECT_EQ(list->WidestLine(), widest);
}

TEST_F(TabListbox, AWiderLineGrowsTheHorizontalExtent) {
    // With the one stop of 16 pixels in force.
    list->Items()->Add("a\tb");
    const int first = NextStop(Width("a"), 16) + Width("b") + Width("Z");
    EXPECT_EQ(list->WidestLine(), first);
    EXPECT_EQ(list->Perform(LB_GETHORIZONTALEXTENT, 0, 0), first);
    list->Items()->Add("a somewhat longer line");
    const int second = Width("a somewhat longer line") + Width("Z");
    EXPECT_EQ(list->Perform(LB_GETHORIZONTALEXTENT, 0, 0), second);
    list->ExtentsSent.clear();
    list->Items()->Insert(0, "short");
    EXPECT_TRUE(list->ExtentsSent.empty()) << "a narrower line leaves the extent";
    EXPECT_EQ(list->WidestLine(), second);
}

TEST_F(TabListbox, DeletingTheWidestLineMeasuresAgainAndTheExtentStays) {
    for (const char* s : {"short", "the widest line of them all", "a middle line"}) list->Items()->Add(s);
    const int widest = Width("the widest line of them all") + Width("Z");
    const int middle = Width("a middle line") + Width("Z");
    ASSERT_EQ(list->Perform(LB_GETHORIZONTALEXTENT, 0, 0), widest);
    list->Items()->Delete(1);
    EXPECT_EQ(list->WidestLine(), middle);
    EXPECT_EQ(list->Perform(LB_GETHORIZONTALEXTENT, 0, 0), widest) << "the list never narrows its extent";

    list->SizeAfterDel = false;
    list->Items()->Delete(1);
    EXPECT_EQ(list->WidestLine(), middle) << "without SizeAfterDel the widest stays";
    // Wider stops widen the lines: the extent follows.
    list->Items()->Add("x\ty");
    list->SetTabStops({1000});
    EXPECT_EQ(list->Perform(LB_GETHORIZONTALEXTENT, 0, 0), 1000 + Width("y") + Width("Z"));
}

TEST_F(TabListbox, ChangeReportsThePreviousSelection) {
    for (int i = 0; i < 5; ++i) list->Items()->Add("line " + std::to_string(i));
    list->OnChange = TChangeEvent::Bind<&Recorder::Change>(&rec);
    form->Show();
    const HWND wnd = list->Handle();
    const int h = list->ItemHeight();
    auto click = [&](int row) {
        SendMessage(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(10, row * h + 1));
        SendMessage(wnd, WM_LBUTTONUP, 0, MakeMouseLParam(10, row * h + 1));
    };
    click(1);
    click(1); // the same line again: no change
    click(3);
    EXPECT_EQ(list->Perform(LB_SETCURSEL, 0, 0), 0);
    list->Perform(LB_SETCURSEL, 0, 0);
    list->SetItemIndex(-1);
    EXPECT_EQ(rec.Joined(), "change -1, change 1, change 3, change 0");
}

TEST_F(TabListbox, ScrollMessagesReportPositionCodeAndDirection) {
    for (int i = 0; i < 40; ++i)
        list->Items()->Add("line " + std::to_string(i) + "\t" + std::string(60, 'm'));
    list->OnScroll = TScrollEvent::Bind<&Recorder::Scroll>(&rec);
    form->Show();
    const HWND wnd = list->Handle();
    SendMessage(wnd, WM_HSCROLL, SB_THUMBTRACK | (300 << 16), 0);
    EXPECT_EQ(GetScrollPos(wnd, SB_HORZ), 300) << "the list scrolled before the event";
    SendMessage(wnd, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(list->TopIndex(), 1);
    // The position is a signed 16-bit value.
    SendMessage(wnd, WM_VSCROLL, SB_THUMBTRACK | (0xFFFFu << 16), 0);
    EXPECT_EQ(rec.Joined(), "hor 300 5, ver 0 1, ver -1 5");
}

TEST_F(TabListbox, AutoFocusTakesTheFocusWhenTheMouseEnters) {
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetTop(200);
    list->OnMouseEnter = TNotifyEvent::Bind<&Recorder::Enter>(&rec);
    list->OnMouseLeave = TNotifyEvent::Bind<&Recorder::Leave>(&rec);
    form->Show();
    edit->SetFocus();
    list->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(form->ActiveControl() == edit) << "not without AutoFocus";
    list->Perform(CM_MOUSELEAVE, 0, 0);
    list->AutoFocus = true;
    list->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(form->ActiveControl() == list);
    EXPECT_EQ(rec.Joined(), "enter, leave, enter");
    // A disabled list is left alone.
    edit->SetFocus();
    list->SetEnabled(false);
    list->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(form->ActiveControl() == edit);
}

TEST_F(TabListbox, StreamsItsPublishedProperties) {
    TvTabListbox plain(nullptr);
    plain.AutoFocus = true;
    plain.SizeAfterDel = false;
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&plain);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> back(TReader(&stream).ReadRootComponent(nullptr));
    auto* read = dynamic_cast<TvTabListbox*>(back.get());
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->AutoFocus);
    EXPECT_FALSE(read->SizeAfterDel);
    EXPECT_EQ(read->TabPositions(), std::vector<int>{16}) << "loading an empty list sets no stops";
}

// The leftmost pixel at or right of fromX in the row of the client area that is not the background.
int LeftmostInk(TWinControl* control, int row, int height, int fromX, COLORREF background) {
    control->Update();
    HDC dc = GetDC(control->Handle());
    int found = -1;
    for (int x = fromX; x < control->ClientWidth() && found < 0; ++x)
        for (int y = row * height; y < (row + 1) * height; ++y)
            if (GetPixel(dc, x, y) != background) {
                found = x;
                break;
            }
    ReleaseDC(control->Handle(), dc);
    return found;
}

TEST_F(TabListbox, TabStopsLineTheColumnsUp) {
    for (const char* s : {"\tWide", "i\tWide", "mmm\tWide", "x\ty\tWide"}) list->Items()->Add(s);
    list->SetTabStops({60, 130});
    form->Show();
    const int h = list->ItemHeight();
    const COLORREF background = ColorToRGB(clWindow);
    // The text starts 2 pixels in; the stop lands at most a quarter letter before its pixel.
    const int first = LeftmostInk(list, 0, h, 0, background);
    EXPECT_GE(first, 2 + 60 - 3);
    EXPECT_LE(first, 2 + 60 + 2);
    EXPECT_EQ(LeftmostInk(list, 1, h, 2 + Width("i") + 1, background), first);
    EXPECT_EQ(LeftmostInk(list, 2, h, 2 + Width("mmm") + 1, background), first);
    // The second column.
    const int second = LeftmostInk(list, 3, h, first + Width("y") + 1, background);
    EXPECT_GE(second, 2 + 130 - 3);
    EXPECT_LE(second, 2 + 130 + 2);
}

} // namespace
