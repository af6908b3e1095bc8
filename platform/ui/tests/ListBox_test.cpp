// The list box: its answers to the list-box messages, Items going through them, the scroll bars it
// shows and the scroll messages it takes through its window procedure, selection by mouse and
// keys, and lines drawn with their tab stops.
#include "platform/gdi/Text.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ScrollBars.h"
#include "platform/win/Messages.h"
#include "support/UiTest.h"

#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// A list box that records the messages its Dispatch sees and can refuse lines; with tab stops or
// a horizontal scroll bar when asked.
class TProbeListBox : public TListBox {
public:
    TProbeListBox(TComponent* owner, DWORD extraStyle) : TListBox(owner), extra_(extraStyle) {}
    std::vector<UINT> Seen;
    bool RefuseLines = false;

    void Dispatch(TMessage& Message) override {
        Seen.push_back(Message.Msg);
        if (RefuseLines && (Message.Msg == LB_ADDSTRING || Message.Msg == LB_INSERTSTRING)) {
            Message.Result = LB_ERR;
            return;
        }
        TListBox::Dispatch(Message);
    }
    bool Saw(UINT msg) const { return std::find(Seen.begin(), Seen.end(), msg) != Seen.end(); }

protected:
    void CreateParams(TCreateParams& Params) override {
        TListBox::CreateParams(Params);
        Params.Style |= extra_;
    }

private:
    DWORD extra_;
};

struct ListBoxTest : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TEventLog log;
    void SetUp() override { form->SetClientSize(300, 200); }
    TProbeListBox* Add(DWORD extraStyle = 0) {
        auto* list = new TProbeListBox(form.get(), extraStyle);
        list->SetName("List");
        list->SetParent(form.get());
        return list;
    }
    static std::string Lines(TCustomListBox* list) {
        std::string out;
        for (int i = 0; i < list->Items()->Count(); ++i) out += (i ? "|" : "") + list->Items()->Strings(i);
        return out;
    }
};

LPARAM Text(const char* s) {
    return reinterpret_cast<LPARAM>(s);
}

TEST_F(ListBoxTest, AnswersTheListBoxMessages) {
    TProbeListBox* list = Add();
    const WPARAM none = static_cast<WPARAM>(-1);
    const struct {
        UINT msg;
        WPARAM w;
        const char* text;
        LRESULT result;
        const char* lines;
        int selected;
    } steps[] = {
        {LB_ADDSTRING, 0, "b", 0, "b", -1},
        {LB_ADDSTRING, 0, "a", 1, "b|a", -1},
        {LB_INSERTSTRING, 0, "c", 0, "c|b|a", -1},
        {LB_INSERTSTRING, none, "d", 3, "c|b|a|d", -1},
        {LB_INSERTSTRING, 9, "x", LB_ERR, "c|b|a|d", -1},
        {LB_SETCURSEL, 2, nullptr, 2, "c|b|a|d", 2},
        {LB_GETCURSEL, 0, nullptr, 2, "c|b|a|d", 2},
        // The selection stays with its line.
        {LB_INSERTSTRING, 0, "e", 0, "e|c|b|a|d", 3},
        {LB_DELETESTRING, 0, nullptr, 4, "c|b|a|d", 2},
        {LB_DELETESTRING, 7, nullptr, LB_ERR, "c|b|a|d", 2},
        {LB_DELETESTRING, none, nullptr, LB_ERR, "c|b|a|d", 2},
        {LB_GETCOUNT, 0, nullptr, 4, "c|b|a|d", 2},
        {LB_GETTEXTLEN, 1, nullptr, 1, "c|b|a|d", 2},
        {LB_GETTEXTLEN, 4, nullptr, LB_ERR, "c|b|a|d", 2},
        {LB_SETCURSEL, 9, nullptr, LB_ERR, "c|b|a|d", 2},
        {LB_DELETESTRING, 2, nullptr, 3, "c|b|d", -1},
        {LB_SETCURSEL, 0, nullptr, 0, "c|b|d", 0},
        // -1 clears the selection, and answers LB_ERR all the same.
        {LB_SETCURSEL, none, nullptr, LB_ERR, "c|b|d", -1},
        {LB_GETCURSEL, 0, nullptr, LB_ERR, "c|b|d", -1},
        {LB_SETHORIZONTALEXTENT, 300, nullptr, 0, "c|b|d", -1},
        {LB_GETHORIZONTALEXTENT, 0, nullptr, 300, "c|b|d", -1},
        // Tab stops need LBS_USETABSTOPS.
        {LB_SETTABSTOPS, 0, nullptr, FALSE, "c|b|d", -1},
        {LB_RESETCONTENT, 0, nullptr, 0, "", -1},
        {LB_GETCOUNT, 0, nullptr, 0, "", -1},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(list->Perform(s.msg, s.w, Text(s.text)), s.result)
            << std::hex << s.msg << std::dec << " " << s.w;
        EXPECT_EQ(Lines(list), s.lines) << std::hex << s.msg;
        EXPECT_EQ(list->ItemIndex(), s.selected) << std::hex << s.msg;
    }

    list->Items()->Add("Hello");
    char buffer[16] = "xxxxxxxxxxxxxxx";
    EXPECT_EQ(list->Perform(LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "Hello");
    EXPECT_EQ(list->Perform(LB_GETTEXT, 1, reinterpret_cast<LPARAM>(buffer)), LB_ERR);
}

TEST_F(ListBoxTest, ItemsGoThroughTheMessages) {
    TProbeListBox* list = Add();
    list->Items()->Add("one");
    list->Items()->Insert(0, "zero");
    EXPECT_EQ(list->Items()->Strings(1), "one");
    list->Items()->Put(1, "uno");
    list->Items()->Delete(0);
    EXPECT_EQ(list->Items()->IndexOf("UNO"), 0);
    list->Items()->Clear();
    for (UINT msg : {LB_ADDSTRING, LB_INSERTSTRING, LB_GETTEXTLEN, LB_GETTEXT, LB_DELETESTRING, LB_GETCOUNT,
                     LB_RESETCONTENT})
        EXPECT_TRUE(list->Saw(msg)) << std::hex << msg;

    TStringList source;
    source.SetText("a\r\nb\r\n");
    list->SetItems(&source);
    EXPECT_EQ(list->Items()->Text(), "a\r\nb\r\n");
    EXPECT_THROW(list->Items()->Strings(2), EStringListError);

    list->RefuseLines = true;
    try {
        list->Items()->Add("c");
        FAIL() << "a refused line is an error";
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Unable to insert a line");
    }
    EXPECT_THROW(list->Items()->Insert(0, "c"), EOutOfResources);
    EXPECT_EQ(Lines(list), "a|b");
}

TEST_F(ListBoxTest, SortedListsPlaceLinesWithoutRegardToCase) {
    TProbeListBox* list = Add();
    for (const char* s : {"pear", "Apple", "fig"}) list->Items()->Add(s);
    list->SetItemIndex(0);
    list->SetSorted(true);
    EXPECT_EQ(Lines(list), "Apple|fig|pear");
    EXPECT_EQ(list->ItemIndex(), 2) << "the selected line keeps its selection";
    EXPECT_EQ(list->Items()->Add("banana"), 1);
    EXPECT_EQ(list->Items()->Add("ZEBRA"), 4);
    EXPECT_EQ(Lines(list), "Apple|banana|fig|pear|ZEBRA");
}

TEST_F(ListBoxTest, TabStopsInDialogUnits) {
    TProbeListBox* list = Add(LBS_USETABSTOPS);
    const int stops[] = {10, 40, 80};
    EXPECT_EQ(list->Perform(LB_SETTABSTOPS, 3, reinterpret_cast<LPARAM>(stops)), TRUE);
    EXPECT_EQ(list->Perform(LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(stops)), TRUE);
    EXPECT_EQ(list->Perform(LB_SETTABSTOPS, 0, 0), TRUE);
    EXPECT_EQ(list->Perform(LB_SETTABSTOPS, 2, 0), FALSE);
    EXPECT_EQ(list->Perform(LB_SETTABSTOPS, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(stops)), FALSE);
}

// The leftmost pixel at or right of fromX in the row that is not the background.
int LeftmostInk(TWinControl* control, int row, int height, int fromX, COLORREF background) {
    for (int x = fromX; x < control->ClientWidth(); ++x)
        for (int y = row * height; y < (row + 1) * height; ++y)
            if (SurfacePixel(control, x, y) != background) return x;
    return -1;
}

TEST_F(ListBoxTest, TabStopsLineColumnsUp) {
    std::string why;
    if (!GdiTextAvailable(&why)) GTEST_SKIP() << why;
    TProbeListBox* list = Add(LBS_USETABSTOPS);
    list->SetBounds(0, 0, 280, 120);
    for (const char* s : {"\tWx", "i\tWx", "mm\tWx"}) list->Items()->Add(s);
    const int stop = 100; // dialog units
    ASSERT_EQ(list->Perform(LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop)), TRUE);
    form->Show();
    TBitmap measure;
    measure.SetSize(1, 1);
    measure.Canvas()->SetFont(list->Font());
    const int letters = measure.Canvas()->TextWidth("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const int column = 2 + stop * letters / 208;
    const int mm = measure.Canvas()->TextWidth("mm");
    ASSERT_LT(2 + mm, column - 4);
    const int h = list->ItemHeight();
    const COLORREF background = ColorToRGB(clWindow);
    const int first = LeftmostInk(list, 0, h, 0, background);
    EXPECT_GE(first, column);
    EXPECT_LE(first, column + 3);
    EXPECT_EQ(LeftmostInk(list, 1, h, 2 + measure.Canvas()->TextWidth("i") + 1, background), first);
    EXPECT_EQ(LeftmostInk(list, 2, h, 2 + mm + 1, background), first);
}

TEST_F(ListBoxTest, ScrollBarsFollowTheLinesAndTheHorizontalExtent) {
    TProbeListBox* plain = Add();
    TProbeListBox* list = Add(WS_HSCROLL);
    list->SetBounds(0, 0, 150, 100);
    plain->SetBounds(160, 0, 120, 100);
    form->Show();
    const HWND wnd = list->Handle();
    EXPECT_FALSE(list->WindowParams().Style & WS_HSCROLL);
    EXPECT_FALSE(list->WindowParams().Style & WS_VSCROLL);

    list->Perform(LB_SETHORIZONTALEXTENT, 1000, 0);
    ASSERT_TRUE(list->WindowParams().Style & WS_HSCROLL);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(wnd, SB_HORZ, &si);
    EXPECT_EQ(si.nMax, 999);
    EXPECT_EQ(si.nPage, static_cast<UINT>(list->ClientWidth()));
    list->Perform(LB_SETHORIZONTALEXTENT, 20, 0);
    EXPECT_FALSE(list->WindowParams().Style & WS_HSCROLL);

    // Without WS_HSCROLL the extent is kept and shows no bar.
    plain->Perform(LB_SETHORIZONTALEXTENT, 1000, 0);
    EXPECT_EQ(plain->Perform(LB_GETHORIZONTALEXTENT, 0, 0), 1000);
    EXPECT_FALSE(plain->WindowParams().Style & WS_HSCROLL);

    for (int i = 0; i < 40; ++i) list->Items()->Add("line " + std::to_string(i));
    ASSERT_TRUE(list->WindowParams().Style & WS_VSCROLL);
    const int rows = list->ClientHeight() / list->ItemHeight();
    si.fMask = SIF_ALL;
    GetScrollInfo(wnd, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 39);
    EXPECT_EQ(si.nPage, static_cast<UINT>(rows));
    list->Items()->Clear();
    EXPECT_FALSE(list->WindowParams().Style & WS_VSCROLL);
}

TEST_F(ListBoxTest, ABorderlessListMadeAnewStillGetsItsBar) {
    TProbeListBox* list = Add();
    list->SetBorderStyle(bsNone);
    list->SetBounds(0, 0, 150, 60);
    form->Show();
    EXPECT_FALSE(list->WindowParams().Style & WS_VSCROLL);
    const HWND before = list->Handle();
    list->SetSorted(true);
    ASSERT_NE(list->Handle(), before) << "sorting makes the window anew";
    // Without a frame the first bar makes the window anew once more.
    for (int i = 0; i < 20; ++i) list->Items()->Add("line " + std::to_string(i));
    ASSERT_TRUE(list->WindowParams().Style & WS_VSCROLL);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(list->Handle(), SB_VERT, &si));
    EXPECT_EQ(si.nMax, 19);
    EXPECT_EQ(si.nPage, static_cast<UINT>(list->ClientHeight() / list->ItemHeight()));
}

TEST_F(ListBoxTest, ScrollMessagesReachTheWindowProcedureAndScroll) {
    TProbeListBox* list = Add(WS_HSCROLL);
    list->SetBounds(0, 0, 150, 100);
    for (int i = 0; i < 40; ++i) list->Items()->Add("line " + std::to_string(i));
    list->Perform(LB_SETHORIZONTALEXTENT, 1000, 0);
    form->Show();
    const HWND wnd = list->Handle();
    const int rows = list->ClientHeight() / list->ItemHeight();
    const int maxTop = 40 - rows;

    const struct {
        UINT msg;
        WORD code;
        int pos;
        int expected; // top index, or horizontal position
    } cases[] = {
        {WM_VSCROLL, SB_LINEDOWN, 0, 1},
        {WM_VSCROLL, SB_PAGEDOWN, 0, 1 + rows},
        {WM_VSCROLL, SB_LINEUP, 0, rows},
        {WM_VSCROLL, SB_THUMBPOSITION, 7, 7},
        {WM_VSCROLL, SB_BOTTOM, 0, maxTop},
        {WM_VSCROLL, SB_PAGEDOWN, 0, maxTop},
        {WM_VSCROLL, SB_TOP, 0, 0},
        {WM_VSCROLL, SB_LINEUP, 0, 0},
        {WM_HSCROLL, SB_PAGERIGHT, 0, list->ClientWidth()},
        {WM_HSCROLL, SB_THUMBTRACK, 500, 500},
        {WM_HSCROLL, SB_RIGHT, 0, 1000 - list->ClientWidth()},
        {WM_HSCROLL, SB_LEFT, 0, 0},
    };
    for (const auto& c : cases) {
        list->Seen.clear();
        SendMessage(wnd, c.msg, static_cast<WPARAM>(c.code) | (static_cast<WPARAM>(c.pos) << 16), 0);
        EXPECT_TRUE(list->Saw(c.msg));
        if (c.msg == WM_VSCROLL) {
            EXPECT_EQ(list->TopIndex(), c.expected) << c.code;
            EXPECT_EQ(GetScrollPos(wnd, SB_VERT), c.expected) << c.code;
        } else {
            EXPECT_EQ(GetScrollPos(wnd, SB_HORZ), c.expected) << c.code;
        }
    }

    // The user's action on the bar arrives the same way.
    QScrollBar* vertical = nullptr;
    for (QScrollBar* bar : list->Widget()->parentWidget()->findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Vertical) vertical = bar;
    ASSERT_NE(vertical, nullptr);
    list->Seen.clear();
    vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_TRUE(list->Saw(WM_VSCROLL));
    EXPECT_EQ(list->TopIndex(), 1);
}

TEST_F(ListBoxTest, MouseAndKeysSelectAndClick) {
    TProbeListBox* list = Add();
    list->SetBounds(0, 0, 150, 100);
    for (int i = 0; i < 20; ++i) list->Items()->Add("line " + std::to_string(i));
    list->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    form->Show();
    list->SetFocus();
    const int h = list->ItemHeight();
    const int rows = list->ClientHeight() / h;

    ClickAt(list->Widget(), QPoint(10, 2 * h + 1));
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(log.Joined(), "click List");
    // Below the last line nothing is chosen.
    list->Items()->Clear();
    for (int i = 0; i < 2; ++i) list->Items()->Add("line " + std::to_string(i));
    list->SetItemIndex(1);
    log.Events.clear();
    ClickAt(list->Widget(), QPoint(10, 3 * h + 1));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(log.Joined(), "");
    for (int i = 2; i < 20; ++i) list->Items()->Add("line " + std::to_string(i));

    const struct {
        int key;
        int expected;
    } keys[] = {{Qt::Key_Down, 2},
                {Qt::Key_Up, 1},
                {Qt::Key_End, 19},
                {Qt::Key_Home, 0},
                {Qt::Key_PageDown, rows - 1},
                {Qt::Key_Up, rows - 2}};
    for (const auto& k : keys) {
        PressKey(list->Widget(), k.key);
        EXPECT_EQ(list->ItemIndex(), k.expected) << k.key;
    }
    PressKey(list->Widget(), Qt::Key_End);
    EXPECT_EQ(list->TopIndex(), 20 - rows) << "the selection is scrolled into view";
    log.Events.clear();
    PressKey(list->Widget(), Qt::Key_Down);
    EXPECT_EQ(log.Joined(), "") << "no move, no click";
}

} // namespace
