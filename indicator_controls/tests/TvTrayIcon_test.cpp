// The notification-area icon and meter headless: the meter's pictures pixel for pixel, its range and
// tool tip, the record handed to the shell, and the shell's mouse callbacks sent by hand.
#include "indicator_controls/Mystd.h"

#include "support/LedTest.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/System.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The icon's picture as rows of characters by the legend, and whether its mask is black (opaque)
// everywhere.
std::vector<std::string> Picture(HICON icon, const std::vector<std::pair<COLORREF, char>>& legend,
                                 bool* opaque = nullptr) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return {};
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, info.hbmColor);
    std::vector<std::string> rows(16, std::string(16, '?'));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            for (const auto& [color, ch] : legend)
                if (GetPixel(dc, x, y) == color) rows[y][x] = ch;
    SelectObject(dc, info.hbmMask);
    if (opaque) {
        *opaque = true;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) *opaque = *opaque && GetPixel(dc, x, y) == 0x000000;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return rows;
}

// The rows one to a line, after a line break (as a raw string literal holds a picture).
std::string Lines(const std::vector<std::string>& rows) {
    std::string all = "\n";
    for (const std::string& row : rows) all += row + "\n";
    return all;
}

// 16 rows: the frame '#', the background '.' and the bar 'B' covering the rectangle (left, top,
// right, bottom; right and bottom exclusive).
std::vector<std::string> Expected(const RECT& bar) {
    std::vector<std::string> rows(16, std::string(16, '.'));
    for (int i = 0; i < 16; ++i) rows[0][i] = rows[15][i] = rows[i][0] = rows[i][15] = '#';
    for (int y = bar.top; y < bar.bottom; ++y)
        for (int x = bar.left; x < bar.right; ++x) rows[y][x] = 'B';
    return rows;
}

// Every event of the components, in order, as short words.
class TTrayLog : public TObject {
public:
    std::vector<std::string> Events;
    bool AllowDefault = true;
    bool AllowEnd = true;

    void Click(TObject*) { Events.push_back("click"); }
    void DblClick(TObject*) { Events.push_back("dblclick"); }
    void RightClick(TObject*, TMouseButton b, TShiftState s, int, int) { Add("rightclick", b, s); }
    void RightDbl(TObject*, TMouseButton b, TShiftState s, int, int) { Add("rightdbl", b, s); }
    void MidClick(TObject*, TMouseButton b, TShiftState s, int, int) { Add("midclick", b, s); }
    void MidDbl(TObject*, TMouseButton b, TShiftState s, int, int) { Add("middbl", b, s); }
    void Down(TObject*, TMouseButton b, TShiftState s, int, int) { Add("down", b, s); }
    void Up(TObject*, TMouseButton b, TShiftState s, int, int) { Add("up", b, s); }
    void Move(TObject*, TShiftState, int, int) { Events.push_back("move"); }
    void LeftMenu(TObject*) { Events.push_back("leftmenu"); }
    void RightMenu(TObject*) { Events.push_back("rightmenu"); }
    void Default(TObject*, bool& doDefault) {
        Events.push_back("default");
        doDefault = AllowDefault;
    }
    void Item(TObject* sender) { Events.push_back("item " + static_cast<TMenuItem*>(sender)->Caption()); }
    void AskEnd(bool& doEnd) {
        Events.push_back("askend");
        doEnd = AllowEnd;
    }

private:
    // The button as L, R or M, with "!" when the shift state lacks the button's own flag.
    void Add(const char* what, TMouseButton b, TShiftState s) {
        static const char* const names[] = {"L", "R", "M"};
        static const TShiftStateItem flags[] = {ssLeft, ssRight, ssMiddle};
        Events.push_back(std::string(what) + " " + names[b] + (s.Contains(flags[b]) ? "" : "!"));
    }
};

// A main form holding the icon, its two menus and the event log. Qt's offscreen platform has no
// tray, so the shell refuses the icon; the component works all the same.
class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->CreateForm(form);
        tray = new TvTrayIcon(form);
        tray->Tag = 5;
        leftMenu = new TPopupMenu(form);
        leftMenu->SetName("LeftMenu");
        rightMenu = new TPopupMenu(form);
        rightMenu->SetName("RightMenu");
        for (const char* caption : {"About", "Open", "Exit"}) {
            auto* item = new TMenuItem(rightMenu);
            item->SetCaption(caption);
            item->OnClick = TNotifyEvent::Bind<&TTrayLog::Item>(&log);
            rightMenu->Items()->Add(item);
        }
        rightMenu->Items()->Items(1)->SetDefault(true);
        tray->SetPopupMenu(rightMenu);
        tray->SetLeftPopupMenu(leftMenu);
        tray->OnClick = TNotifyEvent::Bind<&TTrayLog::Click>(&log);
        tray->OnDblClick = TNotifyEvent::Bind<&TTrayLog::DblClick>(&log);
        tray->OnRightClick = TMouseEvent::Bind<&TTrayLog::RightClick>(&log);
        tray->OnRightDblClick = TMouseEvent::Bind<&TTrayLog::RightDbl>(&log);
        tray->OnMidClick = TMouseEvent::Bind<&TTrayLog::MidClick>(&log);
        tray->OnMidDblClick = TMouseEvent::Bind<&TTrayLog::MidDbl>(&log);
        tray->OnMouseDown = TMouseEvent::Bind<&TTrayLog::Down>(&log);
        tray->OnMouseUp = TMouseEvent::Bind<&TTrayLog::Up>(&log);
        tray->OnMouseMove = TMouseMoveEvent::Bind<&TTrayLog::Move>(&log);
        tray->OnleftMenu = TNotifyEvent::Bind<&TTrayLog::LeftMenu>(&log);
        tray->OnRightMenu = TNotifyEvent::Bind<&TTrayLog::RightMenu>(&log);
        tray->OnDefaultMenu = TvcDefaultMenuEvent::Bind<&TTrayLog::Default>(&log);
        tray->OnAskEndSession = TAskEndSession::Bind<&TTrayLog::AskEnd>(&log);
        Pump();
    }
    void TearDown() override {
        Application->DestroyForms();
        Application->ResetTerminated();
    }
    // The shell's callback for each mouse message, as the shell sends it.
    void Callbacks(const std::vector<UINT>& messages) {
        for (UINT m : messages) SendMessage(tray->Handle(), TvCustomTrayIcon::WM_TRAYCALLBACK, 5, m);
    }
    std::vector<std::string> Popups() const {
        std::vector<std::string> names;
        for (const TSeamRecorder::TEntry& e : seam.Of(TSeamRecorder::kPopupMenu)) names.push_back(e.FormName);
        return names;
    }

    TSeamRecorder seam;
    TTrayLog log;
    TForm* form = nullptr;
    TvTrayIcon* tray = nullptr;
    TPopupMenu* leftMenu = nullptr;
    TPopupMenu* rightMenu = nullptr;
};

using Strings = std::vector<std::string>;

} // namespace

TEST(TvcTrayMeter, IconPixelExactPerDirectionAtEachLevel) {
    TForm form(nullptr);
    auto* meter = new TvcTrayMeter(&form);
    meter->SetUsePctOnBar(false);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::vector<std::pair<COLORREF, char>> legend{{0x000000, '#'}, {face, '.'}, {0x00FF00, 'B'}};
    struct Case {
        TvcTMDir dir;
        int value;
        RECT bar;
    };
    // 50% is a bar of 7 pixels, 100% of 14: the whole inside of the frame.
    const Case cases[] = {
        {TvcTM_Up, 0, {0, 0, 0, 0}},    {TvcTM_Up, 50, {1, 8, 15, 15}},   {TvcTM_Up, 100, {1, 1, 15, 15}},
        {TvcTM_Down, 0, {0, 0, 0, 0}},  {TvcTM_Down, 50, {1, 1, 15, 8}},  {TvcTM_Down, 100, {1, 1, 15, 15}},
        {TvcTM_Left, 0, {0, 0, 0, 0}},  {TvcTM_Left, 50, {8, 1, 15, 15}}, {TvcTM_Left, 100, {1, 1, 15, 15}},
        {TvcTM_Right, 0, {0, 0, 0, 0}}, {TvcTM_Right, 50, {1, 1, 8, 15}}, {TvcTM_Right, 100, {1, 1, 15, 15}},
    };
    for (const Case& c : cases) {
        meter->SetDirection(c.dir);
        meter->SetValue(c.value);
        bool opaque = false;
        EXPECT_EQ(Picture(meter->MeterIcon()->Handle(), legend, &opaque), Expected(c.bar))
            << "direction " << int(c.dir) << " at " << c.value << "%";
        EXPECT_TRUE(opaque);
    }
}

TEST(TvcTrayMeter, StripesCrossTheBar) {
    TForm form(nullptr);
    auto* meter = new TvcTrayMeter(&form);
    meter->SetUsePctOnBar(false);
    meter->SetUseLed(true);
    meter->SetColor(clWhite);
    meter->SetBarFillColor(clRed);
    meter->SetFrameColor(clBlue);
    meter->SetValue(50);
    const std::vector<std::pair<COLORREF, char>> legend{{0xFF0000, '#'}, {0xFFFFFF, '.'}, {0x0000FF, 'B'}};
    // Up: stripes on the even rows 2..14; the bar covers rows 8..14.
    const std::string up = R"(
################
#..............#
#..............#
#..............#
#..............#
#..............#
#..............#
#..............#
#..............#
#BBBBBBBBBBBBBB#
#..............#
#BBBBBBBBBBBBBB#
#..............#
#BBBBBBBBBBBBBB#
#..............#
################
)";
    EXPECT_EQ(Lines(Picture(meter->MeterIcon()->Handle(), legend)), up);
    // Right: stripes on the odd columns 1..13 of the bar's columns 1..7.
    meter->SetDirection(TvcTM_Right);
    const std::string right = R"(
################
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
#.B.B.B........#
################
)";
    EXPECT_EQ(Lines(Picture(meter->MeterIcon()->Handle(), legend)), right);
}

TEST(TvcTrayMeter, RangeAndValueStayConsistent) {
    TForm form(nullptr);
    auto* meter = new TvcTrayMeter(&form);
    EXPECT_EQ(meter->Min(), 0);
    EXPECT_EQ(meter->Max(), 100);
    EXPECT_EQ(meter->Value(), 0);
    meter->SetValue(150);
    EXPECT_EQ(meter->Value(), 100) << "clamped to Max";
    meter->SetValue(-5);
    EXPECT_EQ(meter->Value(), 0) << "clamped to Min";
    meter->SetValue(80);
    meter->SetMax(0);
    EXPECT_EQ(meter->Max(), 1) << "a Max not above Min becomes Min + 1";
    EXPECT_EQ(meter->Value(), 1);
    meter->SetMax(200);
    meter->SetMin(300);
    EXPECT_EQ(meter->Max(), 301);
    EXPECT_EQ(meter->Value(), 300);
    // The highest Min still leaves room for Max.
    meter->SetMin(INT32_MAX);
    EXPECT_LT(meter->Min(), meter->Max());
    EXPECT_EQ(meter->Max(), INT32_MAX);

    meter->SetMin(0);
    meter->SetMax(200);
    meter->SetPercent(150);
    EXPECT_EQ(meter->Percent(), 100) << "150 percent is taken as 100";
    EXPECT_EQ(meter->Value(), 200);
    meter->SetPercent(25);
    EXPECT_EQ(meter->Value(), 50);
}

// The percent is counted in 64 bits: (Value - Min) x 100 overflowed 32 bits above about 21 million,
// which turned the bar round. Wide ranges give the right bar too.
TEST(TvcTrayMeter, PercentOfWideRanges) {
    TForm form(nullptr);
    auto* meter = new TvcTrayMeter(&form);
    meter->SetUsePctOnBar(false);
    struct Case {
        std::int32_t min, max, value;
        int percent;
    };
    for (const Case& c : {Case{0, 100000000, 25000000, 25}, Case{0, INT32_MAX, INT32_MAX, 100},
                          Case{INT32_MIN, INT32_MAX, 0, 50}, Case{INT32_MIN, INT32_MAX, INT32_MIN, 0},
                          Case{INT32_MIN, INT32_MAX, INT32_MAX, 100}, Case{-10, 10, 5, 75}}) {
        meter->SetMin(INT32_MIN);
        meter->SetMax(c.max);
        meter->SetMin(c.min);
        meter->SetValue(c.value);
        EXPECT_EQ(meter->Value(), c.value);
        EXPECT_EQ(meter->Percent(), c.percent) << c.min << ".." << c.max << " at " << c.value;
    }
    // Writing the percent over the whole integer range.
    meter->SetMin(INT32_MIN);
    meter->SetMax(INT32_MAX);
    meter->SetPercent(100);
    EXPECT_EQ(meter->Value(), INT32_MAX);
    meter->SetPercent(0);
    EXPECT_EQ(meter->Value(), INT32_MIN);

    // 22 million of 25 million is a bar of 12 pixels (88%), not a reversed one.
    meter->SetMin(0);
    meter->SetMax(25000000);
    meter->SetValue(22000000);
    const std::vector<std::pair<COLORREF, char>> legend{
        {0x000000, '#'}, {GetSysColor(COLOR_BTNFACE), '.'}, {0x00FF00, 'B'}};
    EXPECT_EQ(Picture(meter->MeterIcon()->Handle(), legend), Expected(RECT{1, 3, 15, 15}));
}

TEST(TvcTrayMeter, ToolTipFormattedThroughTheRunTimesFormat) {
    TForm form(nullptr);
    auto* meter = new TvcTrayMeter(&form);
    meter->SetMax(200);
    meter->SetValue(50);
    struct Case {
        TvcTrayHintStyle style;
        const char* format;
        const char* text;
    };
    for (const Case& c :
         {Case{thsPctBar, "Level %d%%", "Level 25%"}, Case{thsTotalBar, "Value %d", "Value 50"},
          Case{thsTotPct, "%d (%d%%)", "50 (25%)"}, Case{thsPctTot, "%d%% of %d", "25% of 50"}}) {
        meter->SetToolTipStyle(c.style);
        meter->SetToolTip(c.format);
        EXPECT_EQ(meter->FormattedToolTip(), c.text);
        EXPECT_STREQ(meter->IconData().szTip, c.text);
    }
    // A format that does not fit its numbers (or asks for more of them) keeps the text it had; no
    // C library formatting ever sees it.
    for (const char* bad : {"%s %s %s %n %p", "%d %d %d", "%5.2f", "%"}) {
        meter->SetToolTip(bad);
        EXPECT_EQ(meter->FormattedToolTip(), "25% of 50") << bad;
    }
    // A formatted text longer than the record's field is cut to 63 characters and the terminator.
    meter->SetToolTipStyle(thsPctBar);
    meter->SetToolTip("%.60d percent");
    EXPECT_EQ(meter->FormattedToolTip().size(), 68u);
    EXPECT_EQ(std::string(meter->IconData().szTip), meter->FormattedToolTip().substr(0, 63));
    EXPECT_EQ(meter->IconData().szTip[63], '\0');
    // No tool tip, no text.
    meter->SetToolTip("");
    EXPECT_EQ(meter->FormattedToolTip(), "");
    EXPECT_STREQ(meter->IconData().szTip, "");
}

TEST_F(TrayTest, TheRecordAsHandedToTheShell) {
    const std::string longTip(70, 'x');
    tray->SetToolTip(longTip);
    EXPECT_EQ(tray->ToolTip(), longTip.substr(0, 62));
    TIcon icon;
    TForm iconForm(nullptr);
    auto* meter = new TvcTrayMeter(&iconForm);
    icon.Assign(meter->MeterIcon());
    tray->SetIcon(&icon);
    ASSERT_NE(tray->Icon()->Handle(), nullptr);
    EXPECT_NE(tray->Icon()->Handle(), icon.Handle()) << "a copy";

    tray->SetActive(true);
    EXPECT_TRUE(tray->Active());
    EXPECT_FALSE(tray->AddIcon()) << "no tray offscreen";
    const NOTIFYICONDATAA& d = tray->IconData();
    EXPECT_EQ(d.cbSize, 88u);
    EXPECT_EQ(d.hWnd, tray->Handle());
    EXPECT_EQ(d.uID, 5u);
    EXPECT_EQ(d.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_EQ(d.uCallbackMessage, 1026u);
    EXPECT_EQ(static_cast<HICON>(d.hIcon), tray->Icon()->Handle());
    EXPECT_EQ(std::string(d.szTip), longTip.substr(0, 62));
    EXPECT_FALSE(tray->ModifyIcon());
    EXPECT_FALSE(tray->DeleteIcon());
    EXPECT_EQ(TvCustomTrayIcon::WM_TRAYREFRESH, 1025u);
    EXPECT_EQ(TvCustomTrayIcon::WM_TRAYHIDEFORM, 1027u);
}

// The shell's callbacks by hand: each row is the mouse messages of one gesture, the events and
// the menus popped up.
TEST_F(TrayTest, CallbacksBecomeEventsAndMenus) {
    tray->SetActive(true);
    struct Case {
        const char* what;
        std::vector<UINT> messages;
        bool doDefaultMenu;
        bool allowDefault;
        Strings events;
        Strings popups;
    };
    const Case cases[] = {
        {"left click",
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         false,
         true,
         {"down L", "click", "leftmenu", "up L"},
         {"LeftMenu"}},
        {"right click",
         {WM_RBUTTONDOWN, WM_RBUTTONUP},
         false,
         true,
         {"down R", "rightclick R", "rightmenu", "up R"},
         {"RightMenu"}},
        {"middle click", {WM_MBUTTONDOWN, WM_MBUTTONUP}, false, true, {"down M", "midclick M", "up M"}, {}},
        {"ups without downs",
         {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP},
         false,
         true,
         {"up L", "up R", "up M"},
         {}},
        {"double click",
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
         false,
         true,
         {"down L", "click", "leftmenu", "up L", "dblclick", "up L"},
         {"LeftMenu"}},
        {"double click, default item",
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
         true,
         true,
         {"down L", "click", "leftmenu", "up L", "default", "item Open", "up L"},
         {"LeftMenu"}},
        {"double click, default vetoed", {WM_LBUTTONDBLCLK}, true, false, {"default"}, {}},
        {"other double clicks and a move",
         {WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_MOUSEMOVE},
         true,
         true,
         {"rightdbl R", "middbl M", "move"},
         {}},
    };
    for (const Case& c : cases) {
        log.Events.clear();
        seam.Clear();
        tray->DoDefaultMenu = c.doDefaultMenu;
        log.AllowDefault = c.allowDefault;
        Callbacks(c.messages);
        EXPECT_EQ(log.Events, c.events) << c.what;
        EXPECT_EQ(Popups(), c.popups) << c.what;
    }
    EXPECT_EQ(leftMenu->PopupComponent, tray);
    EXPECT_EQ(rightMenu->PopupComponent, tray);
}

TEST_F(TrayTest, TheDefaultItemOnlyWhenItCanRun) {
    tray->DoDefaultMenu = true;
    struct Case {
        const char* what;
        bool active;
        int defaultIndex; // -1: none
        bool haveMenu;
        Strings events;
    };
    for (const Case& c : {Case{"inactive", false, 1, true, {"dblclick"}},
                          Case{"no default item", true, -1, true, {"dblclick"}},
                          Case{"no menu", true, 1, false, {"dblclick"}},
                          Case{"first default item", true, 2, true, {"default", "item Exit"}}}) {
        tray->SetActive(c.active);
        for (int i = 0; i < rightMenu->Items()->Count(); ++i)
            rightMenu->Items()->Items(i)->SetDefault(i == c.defaultIndex);
        tray->SetPopupMenu(c.haveMenu ? rightMenu : nullptr);
        log.Events.clear();
        Callbacks({WM_LBUTTONDBLCLK});
        EXPECT_EQ(log.Events, c.events) << c.what;
    }
    // Menus without AutoPopup are not popped up; the events still fire.
    rightMenu->AutoPopup = false;
    seam.Clear();
    log.Events.clear();
    Callbacks({WM_RBUTTONDOWN, WM_RBUTTONUP});
    EXPECT_EQ(log.Events, (Strings{"down R", "rightclick R", "up R"}));
    EXPECT_TRUE(Popups().empty());
}

TEST_F(TrayTest, FreedMenusAreForgotten) {
    delete leftMenu;
    delete rightMenu;
    EXPECT_EQ(tray->LeftPopupMenu(), nullptr);
    EXPECT_EQ(tray->PopupMenu(), nullptr);
    Callbacks({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP});
    EXPECT_EQ(log.Events, (Strings{"down L", "click", "up L", "down R", "rightclick R", "up R"}));
}

TEST_F(TrayTest, TheMainFormsIconAnswersTheEndOfTheSession) {
    for (bool allow : {true, false}) {
        log.Events.clear();
        log.AllowEnd = allow;
        EXPECT_EQ(SendMessage(tray->Handle(), WM_QUERYENDSESSION, 0, 0), allow ? 1 : 0);
        EXPECT_EQ(log.Events, Strings{"askend"});
        EXPECT_EQ(SendMessage(tray->Handle(), WM_ENDSESSION, 1, 0), 0);
        // The session's own question reaches the icon's window as well.
        log.Events.clear();
        EXPECT_EQ(Application->QueryEndSession(), allow);
        EXPECT_EQ(log.Events, Strings{"askend"});
    }
    // On another form the icon is not asked and does not stand in the way.
    auto* other = new TForm(Application);
    auto* otherTray = new TvTrayIcon(other);
    otherTray->OnAskEndSession = TAskEndSession::Bind<&TTrayLog::AskEnd>(&log);
    log.Events.clear();
    EXPECT_EQ(SendMessage(otherTray->Handle(), WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_TRUE(log.Events.empty());
    delete tray;
    EXPECT_TRUE(Application->QueryEndSession()) << "a freed icon is not asked";
    EXPECT_TRUE(log.Events.empty());
}

TEST_F(TrayTest, HidesAFormThatIsNotTheMainForm) {
    auto* other = new TForm(Application);
    auto* otherTray = new TvTrayIcon(other);
    Pump();
    EXPECT_TRUE(other->Visible()) << "made shown at construction (HideParentForm is False)";
    otherTray->SetHideForm(true);
    EXPECT_TRUE(other->Visible()) << "through a posted message";
    Pump();
    EXPECT_FALSE(other->Visible());
    otherTray->SetHideForm(false);
    Pump();
    EXPECT_TRUE(other->Visible());
    // The main form is left as it is.
    const bool mainVisible = form->Visible();
    tray->SetHideForm(!mainVisible);
    Pump();
    EXPECT_EQ(form->Visible(), mainVisible);
}

TEST(TvTrayIcon, NeedsAForm) {
    TComponent owner(nullptr);
    EXPECT_THROW(TvTrayIcon tray(&owner), EComponentError);
}
