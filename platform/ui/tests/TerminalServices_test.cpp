// The window services a text terminal needs: the caret, window scroll bars with their messages,
// scrolling window contents, the clipboard's text, the keyboard's toggle state and extended keys,
// and the message beep.
#include "platform/gdi/Draw.h"
#include "platform/ui/Caret.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/SeamRecorder.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// A control with the styles it is given, filled with one colour, recording what reaches it.
class TStyledControl : public TCustomControl {
public:
    TStyledControl(TComponent* owner, DWORD style, DWORD exStyle)
        : TCustomControl(owner), style_(style), exStyle_(exStyle) {}
    std::vector<TMessage> Seen;
    TColor Fill = clWhite;

protected:
    void CreateParams(TCreateParams& Params) override {
        TCustomControl::CreateParams(Params);
        Params.Style |= style_;
        Params.ExStyle |= exStyle_;
    }
    void Paint() override {
        Canvas()->Brush()->SetColor(Fill);
        const TRect r = ClientRect();
        Canvas()->FillRect(r);
    }
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_VSCROLL || Message.Msg == WM_HSCROLL || Message.Msg == CN_KEYDOWN ||
            Message.Msg == WM_KEYDOWN)
            Seen.push_back(Message);
        TCustomControl::Dispatch(Message);
    }

private:
    DWORD style_;
    DWORD exStyle_;
};

struct Fixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TStyledControl* Make(DWORD style, DWORD exStyle = 0) {
        auto* c = new TStyledControl(form.get(), style, exStyle);
        c->SetParent(form.get());
        c->SetBounds(10, 10, 120, 80);
        c->HandleNeeded();
        return c;
    }
    void SetUp() override {
        form->SetClientSize(300, 200);
        form->Show();
    }
};

QScrollBar* BarOf(TWinControl* c, Qt::Orientation o) {
    for (QScrollBar* bar : c->Widget()->parentWidget()->findChildren<QScrollBar*>())
        if (bar->orientation() == o) return bar;
    return nullptr;
}

using TerminalServices = Fixture;

TEST_F(TerminalServices, FrameAndScrollBarsTakeTheirPlaceFromTheClientArea) {
    const struct {
        DWORD style, exStyle;
        int width, height;
    } cases[] = {{0, 0, 120, 80},
                 {WS_BORDER, 0, 118, 78},
                 {0, WS_EX_CLIENTEDGE, 116, 76},
                 {WS_VSCROLL, 0, 120 - GetSystemMetrics(SM_CXVSCROLL), 80},
                 {WS_BORDER | WS_HSCROLL | WS_VSCROLL, 0, 118 - GetSystemMetrics(SM_CXVSCROLL),
                  78 - GetSystemMetrics(SM_CYHSCROLL)}};
    for (const auto& c : cases) {
        TStyledControl* control = Make(c.style, c.exStyle);
        EXPECT_EQ(control->ClientRect(), Rect(0, 0, c.width, c.height)) << c.style << " " << c.exStyle;
        EXPECT_EQ(control->Widget()->width(), c.width);
        delete control;
    }
}

TEST_F(TerminalServices, ScrollBarKeepsANegativeRangeAndLimitsItsPosition) {
    TStyledControl* c = Make(WS_VSCROLL);
    const HWND wnd = c->Handle();
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = -176;
    si.nMax = 23;
    si.nPage = 24;
    si.nPos = -300;
    EXPECT_EQ(SetScrollInfo(wnd, SB_VERT, &si, TRUE), -176);
    EXPECT_EQ(SetScrollPos(wnd, SB_VERT, 5, TRUE), -176);
    EXPECT_EQ(GetScrollPos(wnd, SB_VERT), 0); // at most max - page + 1
    int lo = 0, hi = 0;
    EXPECT_TRUE(GetScrollRange(wnd, SB_VERT, &lo, &hi));
    EXPECT_EQ(lo, -176);
    EXPECT_EQ(hi, 23);
    QScrollBar* bar = BarOf(c, Qt::Vertical);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), -176);
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(TerminalServices, UserScrollingSendsMessagesAndMovesOnlyWhenTheProgramSaysSo) {
    TStyledControl* c = Make(WS_VSCROLL);
    SetScrollRange(c->Handle(), SB_VERT, -10, 10, TRUE);
    SetScrollPos(c->Handle(), SB_VERT, 0, TRUE);
    QScrollBar* bar = BarOf(c, Qt::Vertical);
    ASSERT_NE(bar, nullptr);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    ASSERT_EQ(c->Seen.size(), 2u);
    EXPECT_EQ(c->Seen[0].Msg, static_cast<UINT>(WM_VSCROLL));
    EXPECT_EQ(c->Seen[0].WParam & 0xFFFF, SB_LINEUP);
    EXPECT_EQ(c->Seen[1].WParam & 0xFFFF, SB_PAGEDOWN);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(GetScrollPos(c->Handle(), SB_VERT), 0);
    // Dragging the thumb reports where it is, negative positions in the signed high word.
    bar->setSliderDown(true);
    bar->setSliderPosition(-7);
    bar->setSliderDown(false);
    ASSERT_GE(c->Seen.size(), 4u);
    const TMessage& track = c->Seen[2];
    EXPECT_EQ(track.WParam & 0xFFFF, SB_THUMBTRACK);
    EXPECT_EQ(static_cast<std::int16_t>(track.WParam >> 16), -7);
    EXPECT_EQ(c->Seen[3].WParam & 0xFFFF, SB_THUMBPOSITION);
    EXPECT_EQ(static_cast<std::int16_t>(c->Seen[3].WParam >> 16), -7);
}

TEST_F(TerminalServices, ShowScrollBarAddsAndRemovesTheBar) {
    TStyledControl* c = Make(0);
    EXPECT_EQ(c->ClientWidth(), 120);
    ShowScrollBar(c->Handle(), SB_VERT, TRUE);
    EXPECT_EQ(c->ClientWidth(), 120 - GetSystemMetrics(SM_CXVSCROLL));
    ShowScrollBar(c->Handle(), SB_VERT, FALSE);
    EXPECT_EQ(c->ClientWidth(), 120);
}

TEST_F(TerminalServices, ScrollWindowMovesThePixelsAndExposesTheRest) {
    TStyledControl* c = Make(0);
    c->Fill = clWhite;
    c->Repaint();
    HDC dc = GetDC(c->Handle());
    const RECT red = {0, 20, 120, 30};
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &red, brush);
    DeleteObject(brush);
    ReleaseDC(c->Handle(), dc);
    c->Fill = clBlue;
    ScrollWindow(c->Handle(), 0, -10, nullptr, nullptr);
    EXPECT_EQ(SurfacePixel(c, 5, 15), RGB(255, 0, 0)); // moved up by 10
    EXPECT_EQ(SurfacePixel(c, 5, 25), RGB(255, 255, 255));
    EXPECT_EQ(SurfacePixel(c, 5, 75), RGB(0, 0, 255)); // the uncovered strip was painted anew
    EXPECT_EQ(SurfacePixel(c, 5, 65), RGB(255, 255, 255));
}

TEST_F(TerminalServices, CaretShowsInvertedOnceEveryHideIsMatched) {
    TStyledControl* c = Make(0);
    c->Fill = clWhite;
    c->Repaint();
    const HWND wnd = c->Handle();
    auto caretPixel = [c] {
        const QImage shot = c->Widget()->grab().toImage();
        return shot.pixelColor(12, 22).rgb() & 0xFFFFFF;
    };
    ASSERT_TRUE(CreateCaret(wnd, nullptr, 8, 12));
    EXPECT_TRUE(SetCaretPos(10, 20));
    EXPECT_EQ(caretPixel(), 0xFFFFFFu); // created hidden
    EXPECT_TRUE(ShowCaret(wnd));
    EXPECT_EQ(caretPixel(), 0x000000u);
    EXPECT_TRUE(HideCaret(wnd));
    EXPECT_TRUE(HideCaret(wnd));
    EXPECT_TRUE(ShowCaret(wnd));
    EXPECT_EQ(caretPixel(), 0xFFFFFFu);
    EXPECT_TRUE(ShowCaret(wnd));
    EXPECT_EQ(caretPixel(), 0x000000u);
    POINT p{};
    EXPECT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    EXPECT_FALSE(ShowCaret(wnd + 1000)); // not the caret's window
    EXPECT_TRUE(DestroyCaret());
    EXPECT_EQ(caretPixel(), 0xFFFFFFu);
    EXPECT_FALSE(ShowCaret(wnd));
}

TEST_F(TerminalServices, ClipboardCarriesWindows1252TextAsUnicode) {
    const std::string text = "caf\xE9 \x80\r\n";
    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_FALSE(OpenClipboard(0)); // one user at a time
    EXPECT_TRUE(EmptyClipboard());
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
    GlobalUnlock(mem);
    EXPECT_NE(SetClipboardData(CF_TEXT, reinterpret_cast<HANDLE>(mem)), 0);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("caf\u00e9 \u20ac\r\n"));

    QApplication::clipboard()->setText(QString::fromUtf8("\u00fcber"));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    ASSERT_TRUE(OpenClipboard(0));
    const HANDLE got = GetClipboardData(CF_TEXT);
    ASSERT_NE(got, 0);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(reinterpret_cast<HGLOBAL>(got))), "\xFC" "ber");
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardData(CF_TEXT), 0); // closed
}

TEST_F(TerminalServices, KeypadKeysTellNumLockAndNavigationKeysAreExtended) {
    TStyledControl* c = Make(0);
    c->SetTabStop(true);
    c->SetFocus();
    BYTE keys[256] = {};
    keys[VK_NUMLOCK] = 1;
    SetKeyboardState(keys);
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1);
    // Keypad 7 with Num Lock off arrives as Home from the keypad: not extended.
    SendKey(c->Widget(), QEvent::KeyPress, Qt::Key_Home, QString(), Qt::KeypadModifier);
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 0);
    SendKey(c->Widget(), QEvent::KeyPress, Qt::Key_Home);
    SendKey(c->Widget(), QEvent::KeyPress, Qt::Key_Enter, "\r", Qt::KeypadModifier);
    SendKey(c->Widget(), QEvent::KeyPress, Qt::Key_7, "7", Qt::KeypadModifier);
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1);
    std::vector<std::pair<WPARAM, bool>> downs; // CN_KEYDOWN first, then WM_KEYDOWN, for each key
    for (const TMessage& m : c->Seen)
        if (m.Msg == CN_KEYDOWN) downs.emplace_back(m.WParam, (m.LParam & KF_EXTENDED_BIT) != 0);
    const std::vector<std::pair<WPARAM, bool>> expected = {
        {VK_HOME, false}, {VK_HOME, true}, {VK_RETURN, true}, {VK_NUMPAD0 + 7, false}};
    EXPECT_EQ(downs, expected);
    EXPECT_EQ(c->Seen.size(), 2 * expected.size());
}

TEST_F(TerminalServices, MessageBeepGoesThroughTheSeam) {
    TSeamRecorder seam;
    EXPECT_TRUE(MessageBeep(MB_ICONASTERISK));
    ASSERT_EQ(seam.Of(TSeamRecorder::kBeep).size(), 1u);
    EXPECT_EQ(seam.Of(TSeamRecorder::kBeep)[0].BeepType, MB_ICONASTERISK);
}

} // namespace
