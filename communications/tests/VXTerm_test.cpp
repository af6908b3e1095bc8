// The terminal control bound to one end of a pseudo-terminal pair: what the far end writes shows on
// the buffer and in the control's pixels, typed keys and the emulator's replies arrive at the far
// end, and the hand-off from the port's thread keeps every byte once and in order.
#include "communications/VXTerm.h"

#include "communications/VxPort.h"
#include "communications/VxUser.h"
#include "communications/tests/support/PumpUntil.h"
#include "communications/tests/support/TestPty.h"
#include "platform/gdi/Draw.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Caret.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {


// Records what reaches an emulator from the terminal.
class TProbeEmulator : public TVxTTYEmulator {
public:
    using TVxTTYEmulator::TVxTTYEmulator;
    std::vector<WORD> Keys;
    std::vector<int> Blocks;
    void KeyDown(WORD& Key, TShiftState) override { Keys.push_back(Key); }
    void ProcessBlock(const char* Data, int Length, TVxCharSource Source) override {
        Blocks.push_back(Length);
        TVxTTYEmulator::ProcessBlock(Data, Length, Source);
    }
};

struct Terminal : ::testing::Test {
    static constexpr int kCom = 41;
    TPty pty{kCom};
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TVexComPort* port = nullptr;
    TVxTerminal* term = nullptr;

    void SetUp() override {
        Application->Initialize();
        form->SetClientSize(700, 400);
        port = new TVexComPort(form.get());
        port->SetComNumber(kCom);
        port->SetBaud(115200);
        term = new TVxTerminal(form.get());
        term->SetParent(form.get());
        term->SetBounds(0, 0, 660, 330);
        term->tmSetComPort(port);
        term->tmSetUseLazyDisplay(false);
        form->Show();
        port->SetOpen(true);
        // Attached once what the far end writes arrives (the terminal attaches from its message queue).
        int sent = 0;
        bool attached = false;
        while (sent < 50 && !attached) {
            pty.Send("#");
            ++sent;
            attached = PumpUntil([this] { return Line(1, 1) == "#"; }, 100);
        }
        ASSERT_TRUE(attached);
        // Every '#' sent arrives, some perhaps after the first showed: the test starts once all have
        // shown and the port's delivery of them has ended, so none lands in the test's own output and
        // the test's own calls into the port never overlap that delivery.
        TVexBaseDispatcher* disp = port->GetDispatcher();
        ASSERT_TRUE(PumpUntil([&] {
            return Line(1, sent) == std::string(static_cast<std::size_t>(sent), '#') && !disp->EventBusy() &&
                   disp->InBuffUsed() == 0;
        }));
        Buf()->EraseAll();
    }
    TVxTerminalBuffer* Buf() { return term->CurrentEmulator()->Buffer(); }
    std::string Line(int row, int count) { return term->tmGetLine(row).substr(0, static_cast<std::size_t>(count)); }
    std::string FarEnd(std::size_t atLeast) {
        std::string got;
        PumpUntil([&] {
            got += pty.Drain();
            return got.size() >= atLeast;
        });
        return got;
    }
    COLORREF Pixel(int x, int y) {
        term->Update();
        HDC dc = GetDC(term->Handle());
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(term->Handle(), dc);
        return c;
    }
    // Sizes the control so that its client area, with the bars it then has, shows cols x rows whole
    // cells and part of one more.
    void View(int cols, int rows) {
        const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
        for (int i = 0; i < 5; ++i) {
            const TRect c = term->ClientRect();
            const int dw = cols * w + w / 2 - c.Width(), dh = rows * h + h / 2 - c.Height();
            if (dw == 0 && dh == 0) break;
            term->SetBounds(0, 0, term->Width() + dw, term->Height() + dh);
            PumpFor(20); // the bars come and go through a posted message
        }
        ASSERT_EQ(term->WholeVisibleCols(), std::min(cols, term->Columns() - term->OriginCol() + 1));
        ASSERT_EQ(term->WholeVisibleRows(), std::min(rows, term->Rows() - term->OriginRow() + 1));
    }
    bool Bar(DWORD style) { return (GetWindowLong(term->Handle(), GWL_STYLE) & style) != 0; }
    void Scroll(UINT msg, int code, int thumb = 0) {
        term->Perform(msg, static_cast<WPARAM>(code) | (static_cast<WPARAM>(thumb & 0xFFFF) << 16), 0);
    }
    std::string Clipboard() {
        if (!OpenClipboard(0)) return "<not opened>";
        std::string text;
        if (const HANDLE h = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(reinterpret_cast<HGLOBAL>(h)));
            GlobalUnlock(reinterpret_cast<HGLOBAL>(h));
        }
        CloseClipboard();
        return text;
    }
    void SetClipboard(const std::string& text) {
        ASSERT_TRUE(OpenClipboard(0));
        EmptyClipboard();
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
        GlobalUnlock(mem);
        SetClipboardData(CF_TEXT, reinterpret_cast<HANDLE>(mem));
        CloseClipboard();
    }
    // Pixels of the cell that differ from its background.
    int InkIn(int row, int col) {
        const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
        int ink = 0;
        for (int y = (row - 1) * h; y < row * h; ++y)
            for (int x = (col - 1) * w; x < col * w; ++x) ink += Pixel(x, y) != RGB(0, 0, 0);
        return ink;
    }
};

TEST_F(Terminal, ShowsWhatTheFarEndWrites) {
    pty.Send("hello\r\nworld");
    ASSERT_TRUE(PumpUntil([this] { return Line(2, 5) == "world"; }));
    EXPECT_EQ(Line(1, 6), "hello ");
    EXPECT_EQ(Buf()->tbGetRow(), 2);
    EXPECT_EQ(Buf()->tbGetCol(), 6);
    // Painted in the font's colour on black: ink in the written cells only.
    EXPECT_GT(InkIn(1, 1), 0);
    EXPECT_GT(InkIn(2, 5), 0);
    EXPECT_EQ(InkIn(1, 7), 0);
    EXPECT_EQ(InkIn(3, 1), 0);
}

TEST_F(Terminal, OemLineDrawingFillsItsCellEdgeToEdge) {
    pty.Send("\xC4\xC4\xC4");
    ASSERT_TRUE(PumpUntil([this] { return Line(1, 3) == "\xC4\xC4\xC4"; }));
    const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
    int row = -1;
    for (int y = 0; y < h && row < 0; ++y)
        if (Pixel(0, y) != RGB(0, 0, 0)) row = y;
    ASSERT_GE(row, 0);
    for (int x = 0; x < 3 * w; ++x) EXPECT_NE(Pixel(x, row), RGB(0, 0, 0)) << x; // one unbroken line
}

TEST_F(Terminal, RepliesGoToTheFarEnd) {
    Buf()->SetCursorPosition(3, 7);
    TVxEmuCommandListItem dsr;
    dsr.AddNamedIntegerArg("Type", 6);
    term->CurrentEmulator()->teProcessCommand(ecDeviceStatusReport, dsr.Params());
    EXPECT_EQ(FarEnd(6), "\033[3;7R");
    term->CurrentEmulator()->teProcessCommand(ecDeviceStatusReport, nullptr);
    EXPECT_EQ(FarEnd(4), "\033[0n");
    term->CurrentEmulator()->teProcessCommand(ecDeviceAttributesReport, nullptr);
    EXPECT_EQ(FarEnd(7), "\033[?1;0c");
    term->CurrentEmulator()->teProcessCommand(ecAnswerback, nullptr);
    EXPECT_EQ(FarEnd(8), "VEXOterm");
    // Another terminal on the port is not the port's terminal: it does not answer.
    auto* other = new TVxTerminal(form.get());
    other->tmSetComPort(port);
    other->BuiltInEmulator()->teProcessCommand(ecAnswerback, nullptr);
    PumpFor(50);
    EXPECT_EQ(pty.Drain(), "");
}

TEST_F(Terminal, TypedKeysBackspaceAndEnterArriveAtTheFarEnd) {
    term->SetFocus();
    for (const WPARAM c : {WPARAM('l'), WPARAM('s'), WPARAM(8), WPARAM(13)}) term->Perform(WM_CHAR, c, 1);
    EXPECT_EQ(FarEnd(4), "ls\x7f\r");
    EXPECT_EQ(Line(1, 3), "   "); // full duplex: nothing shown

    term->SetHalfDuplex(true);
    term->Perform(WM_CHAR, 'a', 1);
    term->Perform(WM_CHAR, 8, 1);
    EXPECT_EQ(FarEnd(2), "a\x7f");
    EXPECT_EQ(Line(1, 2), "a\x7f"); // the echo of DEL is a character
}

TEST_F(Terminal, KeypadKeysWithNumLockOffReachTheEmulatorAsKeypadCodes) {
    BYTE keys[256] = {};
    SetKeyboardState(keys); // Num Lock off
    const struct {
        WORD key;
        LPARAM data;
    } presses[] = {{VK_HOME, 1}, {VK_PRIOR, 1}, {VK_INSERT, 1}, {VK_DELETE, 1 | KF_REPEAT_BIT},
                   {VK_HOME, 1 | KF_EXTENDED_BIT}, {VK_RETURN, 1 | KF_EXTENDED_BIT}, {VK_RETURN, 1}};
    for (const auto& p : presses) term->Perform(WM_KEYDOWN, p.key, p.data);
    // The built-in TTY emulator sends nothing for them.
    PumpFor(50);
    EXPECT_EQ(pty.Drain(), "");

    auto* probe = new TProbeEmulator(form.get());
    term->tmSetEmulator(probe);
    EXPECT_EQ(probe->Terminal(), term);
    for (const auto& p : presses) term->Perform(WM_KEYDOWN, p.key, p.data);
    keys[VK_NUMLOCK] = 1;
    SetKeyboardState(keys);
    term->Perform(WM_KEYDOWN, VK_HOME, 1);
    const std::vector<WORD> expected = {VK_NUMPAD0 + 7, VK_NUMPAD0 + 9, VK_NUMPAD0, VK_DECIMAL + 0x8000,
                                        VK_HOME,        0x2B,           VK_RETURN,  VK_HOME};
    EXPECT_EQ(probe->Keys, expected);
    delete probe;
    EXPECT_EQ(term->Emulator(), nullptr); // back to the built-in one
}

TEST_F(Terminal, BytesQueuedTwiceBeforeTheWindowRunsMakeOneBlock) {
    auto* probe = new TProbeEmulator(form.get());
    term->tmSetEmulator(probe);
    term->WriteString("ab");
    term->WriteString("cd");
    PumpUntil([&] { return !probe->Blocks.empty(); });
    PumpFor(20);
    EXPECT_EQ(probe->Blocks, std::vector<int>{4});
    EXPECT_EQ(Line(1, 4), "abcd");
}

TEST_F(Terminal, AHandlerThatPumpsSeesNoByteTwiceAndKeepsTheOrder) {
    auto* probe = new TProbeEmulator(form.get());
    term->tmSetEmulator(probe);
    struct Pumper {
        TVxTerminal* term;
        void OnChar(TObject*, char c, std::string&, TVxEmuCommandList*, TVxCharSource) {
            if (c != 'x') return;
            term->WriteString("12");
            Application->ProcessMessages();
            Application->ProcessMessages();
        }
    } pumper{term};
    probe->OnProcessChar = TVxOnProcessChar::Bind<&Pumper::OnChar>(&pumper);
    pty.Send("axb");
    ASSERT_TRUE(PumpUntil([this] { return Line(1, 5) == "axb12"; })) << Line(1, 10);
    PumpFor(50);
    EXPECT_EQ(Line(1, 10), "axb12     ");
}

TEST_F(Terminal, AFailedReadIsNotTakenForData) {
    auto* probe = new TProbeEmulator(form.get());
    term->tmSetEmulator(probe);
    // An announcement of more bytes than the port holds: the read fails. Made here, on the main
    // thread, while nothing arrives: the port's own thread delivers nothing meanwhile.
    port->GetDispatcher()->SendNotify(TriggerAvailMsg, 50, 0);
    PumpFor(30);
    EXPECT_TRUE(probe->Blocks.empty());
    pty.Send("ok");
    ASSERT_TRUE(PumpUntil([this] { return Line(1, 2) == "ok"; }));
    EXPECT_EQ(Line(1, 4), "ok  ");
}

TEST_F(Terminal, WriteCharShowsWithoutSending) {
    term->WriteString("ab");
    term->WriteChar('\r');
    term->WriteChar('\n');
    ASSERT_TRUE(PumpUntil([this] { return Buf()->tbGetRow() == 2; }));
    EXPECT_EQ(Buf()->tbGetCol(), 1);
    EXPECT_EQ(pty.Drain(), "");
}

TEST_F(Terminal, SettersKeepTheirLimits) {
    const struct {
        int value, blink;
    } blinks[] = {{100, 250}, {1, 250}, {251, 251}, {0, 0}, {-5, 0}, {500, 500}};
    for (const auto& b : blinks) {
        term->tmSetBlinkTime(b.value);
        EXPECT_EQ(term->BlinkTime(), b.blink) << b.value;
    }
    for (int v : {2000, 0, 1025}) term->tmSetLazyByteDelay(v);
    EXPECT_EQ(term->LazyByteDelay(), 200);
    term->tmSetLazyByteDelay(1024);
    EXPECT_EQ(term->LazyByteDelay(), 1024);
    term->tmSetLazyTimeDelay(1001);
    EXPECT_EQ(term->LazyTimeDelay(), 100);
    term->tmSetRows(0);
    EXPECT_EQ(term->Rows(), 24);
    EXPECT_THROW(term->tmSetRows(1), Exception);
}

TEST_F(Terminal, ColourCommandWithoutParametersAlsoColoursTheTerminal) {
    term->SetColor(0x0000FF);
    term->Font()->SetColor(0x00FF00);
    term->CurrentEmulator()->teProcessCommand(ecColor, nullptr);
    EXPECT_EQ(Buf()->ForeColor(), 0xC0C0C0);
    EXPECT_EQ(Buf()->BackColor(), 0);
    EXPECT_EQ(term->Font()->Color(), 0xC0C0C0);
    EXPECT_EQ(term->Color(), 0);
}

TEST_F(Terminal, CaptureWritesWhatArrivesAndAppendsOnRequest) {
    const std::string file = (std::filesystem::temp_directory_path() / ("vxterm-cap-" + std::to_string(getpid()))).string();
    std::remove(file.c_str());
    term->tmSetCaptureFile(file);
    EXPECT_THROW(term->tmSetCapture(cmAppend), Exception); // no file to append to
    EXPECT_EQ(term->Capture(), cmOff);
    term->tmSetCapture(cmOn);
    pty.Send("one\r\n");
    ASSERT_TRUE(PumpUntil([this] { return Buf()->tbGetRow() == 2; }));
    term->tmSetCapture(cmAppend); // already on: stays on the same file
    EXPECT_EQ(term->Capture(), cmOn);
    term->tmSetCapture(cmOff);
    term->tmSetCapture(cmAppend);
    EXPECT_EQ(term->Capture(), cmOn);
    term->WriteString("two");
    ASSERT_TRUE(PumpUntil([this] { return Line(2, 3) == "two"; }));
    term->tmSetCapture(cmOff);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "one\r\ntwo");
    std::remove(file.c_str());
}

TEST_F(Terminal, DraggedSelectionCopiesEachRowWithCrLf) {
    term->WriteString("\r\n0123456789abcdef\r\nABCDEFGHIJKLMNOP");
    ASSERT_TRUE(PumpUntil([this] { return Line(3, 3) == "ABC"; }));
    const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
    term->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(9 * w + 1, 2 * h + 1)); // row 3, col 10
    term->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeMouseLParam(4 * w + 1, 1 * h + 1));   // row 2, col 5
    term->Perform(WM_LBUTTONUP, 0, MakeMouseLParam(4 * w + 1, 1 * h + 1));
    EXPECT_EQ(term->SelectionRange(), TRect(5, 2, 10, 3));
    EXPECT_TRUE(term->tmGetAttributes(2, 5).Contains(tcaSelected));
    EXPECT_FALSE(term->tmGetAttributes(2, 4).Contains(tcaSelected));
    EXPECT_FALSE(term->tmGetAttributes(3, 11).Contains(tcaSelected));
    EXPECT_EQ(Clipboard(), "456789abcdef" + std::string(64, ' ') + "\r\nABCDEFGHIJ\r\n");
    term->HideSelection();
    EXPECT_FALSE(term->tmGetAttributes(2, 5).Contains(tcaSelected));
}

TEST_F(Terminal, WideScreensDrawEveryColumn) {
    term->tmSetColumns(300);
    term->SetBounds(0, 0, 300 * term->GetTotalCharWidth() + 40, 200);
    term->WriteString(std::string(300, '#'));
    ASSERT_TRUE(PumpUntil([this] { return term->tmGetLine(1) == std::string(300, '#'); }));
    term->Repaint();
    EXPECT_GT(InkIn(1, 300), 0);
}

TEST_F(Terminal, DraggingPastTheEdgesScrollsTheViewOnTheBeat) {
    View(78, 22);
    ASSERT_TRUE(Bar(WS_HSCROLL));
    for (int row = 1; row <= 24; ++row)
        term->WriteString(std::string(80, static_cast<char>('a' + row)) + (row < 24 ? "\r\n" : ""));
    ASSERT_TRUE(PumpUntil([this] { return Line(24, 1) == "y"; }));
    term->tmSetOriginRow(1);
    term->tmSetOriginCol(1);
    ASSERT_EQ(term->OriginRow(), 1);
    ASSERT_EQ(term->OriginCol(), 1);
    const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
    term->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(2 * w + 1, 1 * h + 1)); // row 2, col 3
    // The pointer rests beyond the right and the bottom edge while the button stays down.
    const TRect client = term->ClientRect();
    const TPoint beyond = term->ClientToScreen(TPoint(client.Right + 3 * w, client.Bottom + 2 * h));
    SetCursorPos(beyond.X, beyond.Y);
    auto grown = [this] {
        return term->OriginCol() == 3 && term->OriginRow() == 3 &&
               term->SelectionRange() == TRect(3, 2, 80, 24);
    };
    EXPECT_TRUE(PumpUntil(grown, 10000)) << term->OriginCol() << "," << term->OriginRow();
    EXPECT_TRUE(term->tmGetAttributes(24, 80).Contains(tcaSelected)); // below and right of the first view
    EXPECT_FALSE(term->tmGetAttributes(2, 2).Contains(tcaSelected));
    term->Perform(WM_LBUTTONUP, 0, MakeMouseLParam(client.Right + 3 * w, client.Bottom + 2 * h));
    EXPECT_EQ(Clipboard().substr(0, 80), std::string(78, 'c') + "\r\n");
    // Released: the beat scrolls no more.
    term->tmSetOriginCol(1);
    PumpFor(150);
    EXPECT_EQ(term->OriginCol(), 1);

    // Past the left and the top edge: back to the first column and on into the history.
    term->tmSetOriginCol(2);
    term->tmSetOriginRow(1);
    term->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(1 * w + 1, 1 * h + 1)); // row 2, col 3
    const TPoint before = term->ClientToScreen(TPoint(-2 * w, -2 * h));
    SetCursorPos(before.X, before.Y);
    EXPECT_TRUE(PumpUntil([this] { return term->OriginCol() == 1 && term->OriginRow() <= 0; }, 10000));
    EXPECT_TRUE(term->Scrollback());
    const TRect range = term->SelectionRange();
    term->Perform(WM_LBUTTONUP, 0, MakeMouseLParam(-2 * w, -2 * h));
    EXPECT_EQ(range.Left, 1);
    EXPECT_LE(range.Top, 0);
    EXPECT_EQ(range.Right, 3);
    EXPECT_EQ(range.Bottom, 2);
    SetCursorPos(0, 0);
}

TEST_F(Terminal, TheViewFollowsTheCursorAndKeepsToTheScreenWhenResized) {
    View(72, 20);
    term->WriteString(std::string(79, 'x') + "y");
    ASSERT_TRUE(PumpUntil([this] { return Line(1, 80) == std::string(79, 'x') + "y"; }));
    EXPECT_EQ(term->OriginCol(), 9);
    EXPECT_GT(InkIn(1, 72), 0); // column 80 drawn at the view's right edge
    term->WriteString("\r" + std::string(23, '\n'));
    ASSERT_TRUE(PumpUntil([this] { return Buf()->tbGetRow() == 24; }));
    EXPECT_EQ(term->OriginCol(), 1);
    EXPECT_EQ(term->OriginRow(), 5);
    EXPECT_EQ(GetScrollPos(term->Handle(), SB_VERT), 4);

    term->tmSetFollowCursor(false);
    Buf()->SetCursorPosition(1, 80);
    EXPECT_EQ(term->OriginRow(), 5);
    EXPECT_EQ(term->OriginCol(), 1);
    term->tmSetFollowCursor(true);
    EXPECT_EQ(term->OriginRow(), 1);
    EXPECT_EQ(term->OriginCol(), 9);

    // Made wider while scrolled right: the view keeps its right edge at the last column.
    View(76, 20);
    EXPECT_EQ(term->OriginCol(), 5);
    View(90, 30);
    EXPECT_EQ(term->OriginCol(), 1);
    EXPECT_EQ(term->OriginRow(), 1);
    EXPECT_FALSE(Bar(WS_HSCROLL));
}

TEST_F(Terminal, ScrollingUpEntersTheHistoryAndScrollingDownLeavesIt) {
    View(80, 20);
    term->WriteString("first");
    for (int i = 0; i < 40; ++i) term->WriteString("\r\nline " + std::to_string(i));
    ASSERT_TRUE(PumpUntil([this] { return Line(24, 7) == "line 39"; }));
    // "first" went into the history, the oldest of the 17 rows that left the screen.
    EXPECT_EQ(Line(-16, 5), "first");
    EXPECT_EQ(term->OriginRow(), 5);
    Scroll(WM_VSCROLL, SB_THUMBPOSITION, 0);
    EXPECT_EQ(term->OriginRow(), 1);
    EXPECT_FALSE(term->Scrollback());
    Scroll(WM_VSCROLL, SB_LINEUP);
    EXPECT_TRUE(term->Scrollback());
    EXPECT_EQ(term->OriginRow(), 0);
    int low = 0, high = 0;
    GetScrollRange(term->Handle(), SB_VERT, &low, &high);
    EXPECT_EQ(low, 24 - 200);
    EXPECT_EQ(high, 23);
    Scroll(WM_VSCROLL, SB_PAGEUP);
    EXPECT_EQ(term->OriginRow(), -20);
    term->Repaint();
    EXPECT_GT(InkIn(5, 1), 0); // "first" on the view's fifth row
    EXPECT_EQ(InkIn(4, 1), 0);
    Scroll(WM_VSCROLL, SB_THUMBPOSITION, -300);
    EXPECT_EQ(term->OriginRow(), 24 - 200 + 1);

    Scroll(WM_VSCROLL, SB_THUMBPOSITION, 1);
    EXPECT_TRUE(term->Scrollback());
    Scroll(WM_VSCROLL, SB_LINEDOWN); // from below the screen's top: back to the screen alone
    EXPECT_FALSE(term->Scrollback());
    EXPECT_EQ(term->OriginRow(), 3);
    Scroll(WM_VSCROLL, SB_PAGEUP);
    EXPECT_EQ(term->OriginRow(), 1);

    term->tmSetAutoScrollback(false);
    Scroll(WM_VSCROLL, SB_LINEUP);
    EXPECT_FALSE(term->Scrollback());
    EXPECT_EQ(term->OriginRow(), 1);
}

TEST_F(Terminal, HiddenScrollBarsShowOnlyWhileTheCursorIsOutsideTheView) {
    View(72, 20);
    term->tmSetHideScrollbars(true);
    PumpFor(20);
    EXPECT_FALSE(Bar(WS_HSCROLL));
    EXPECT_FALSE(Bar(WS_VSCROLL));
    const int cols = term->WholeVisibleCols();
    ASSERT_LT(cols, 79);
    term->WriteString(std::string(79, 'x'));
    ASSERT_TRUE(PumpUntil([this] { return Buf()->tbGetCol() == 80; }));
    EXPECT_TRUE(Bar(WS_HSCROLL));
    EXPECT_FALSE(Bar(WS_VSCROLL));
    term->WriteString("\r" + std::string(23, '\n'));
    ASSERT_TRUE(PumpUntil([this] { return Buf()->tbGetRow() == 24; }));
    EXPECT_FALSE(Bar(WS_HSCROLL));
    EXPECT_TRUE(Bar(WS_VSCROLL));
    term->tmSetHideScrollbars(false);
    EXPECT_TRUE(Bar(WS_HSCROLL));
    EXPECT_TRUE(Bar(WS_VSCROLL));
}

TEST_F(Terminal, PasteGoesToTheScreenTheFarEndOrBoth) {
    const struct {
        bool screen, port;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto& c : cases) {
        Buf()->EraseAll();
        Buf()->SetCursorPosition(1, 1);
        term->SetPasteToScreen(c.screen);
        term->SetPasteToPort(c.port);
        SetClipboard("dir\r");
        term->Perform(WM_PASTE, 0, 0);
        PumpUntil([this] { return Line(1, 3) == "dir"; }, c.screen ? 5000 : 50);
        EXPECT_EQ(Line(1, 3), c.screen ? "dir" : "   ") << c.screen << c.port;
        if (!c.port) PumpFor(30);
        EXPECT_EQ(FarEnd(c.port ? 4 : 0), c.port ? "dir\r" : "") << c.screen << c.port;
    }
    // Nothing but text is pasted.
    ASSERT_TRUE(OpenClipboard(0));
    EmptyClipboard();
    CloseClipboard();
    term->PasteFromClipboard();
    PumpFor(50);
    EXPECT_EQ(pty.Drain(), "");
}

TEST_F(Terminal, TheCaretFollowsTheCursorInTheShapeTheCommandsAsk) {
    term->SetFocus();
    ASSERT_TRUE(term->Focused());
    const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
    auto caret = [] {
        POINT p{-1, -1};
        return GetCaretPos(&p) ? TPoint(p.x, p.y) : TPoint(-1, -1);
    };
    term->WriteString("\r\n\r\n    ");
    ASSERT_TRUE(PumpUntil([&] { return caret() == TPoint(4 * w, 2 * h); })) << caret().X << "," << caret().Y;
    TVxTerminalEmulator* emu = term->CurrentEmulator();
    emu->teProcessCommand(ecCursorUnderline, nullptr);
    EXPECT_EQ(term->CursorType(), ctUnderline);
    EXPECT_EQ(caret(), TPoint(4 * w, 3 * h - 2)); // two pixels high, at the cell's bottom
    emu->teProcessCommand(ecCursorOff, nullptr);
    EXPECT_EQ(term->CursorType(), ctNone);
    EXPECT_EQ(caret(), TPoint(-1, -1));
    emu->teProcessCommand(ecCursorBlock, nullptr);
    EXPECT_EQ(caret(), TPoint(4 * w, 2 * h)); // back while the control has the focus

    // The view scrolled right: the caret keeps to the cursor's cell.
    View(72, 20);
    term->WriteString(std::string(75, 'x'));
    ASSERT_TRUE(PumpUntil([this] { return Buf()->tbGetCol() == 80; }));
    EXPECT_EQ(caret(), TPoint((80 - term->OriginCol()) * w, 2 * h));
    // With relative addressing the scroll region's top is added.
    term->WriteString("\r");
    ASSERT_TRUE(PumpUntil([this] { return Buf()->tbGetCol() == 1; }));
    Buf()->SetScrollRegion(5, 20);
    Buf()->SetUseAbsAddress(false);
    Buf()->SetCursorPosition(2, 3);
    EXPECT_TRUE(PumpUntil([&] { return caret() == TPoint(2 * w, 5 * h); })) << caret().X << "," << caret().Y;
}

TEST_F(Terminal, CtrlCCopiesAndIsConsumedOnlyWithASelection) {
    term->SetFocus();
    auto press = [this](WORD key, TShiftState shift) { TSeamRecorder::PressKey(form.get(), key, shift); };
    // Without a selection Ctrl+C is typed: it reaches the far end.
    press('C', {ssCtrl});
    EXPECT_EQ(FarEnd(1), "\x03");

    term->WriteString("copy me");
    ASSERT_TRUE(PumpUntil([this] { return Line(1, 7) == "copy me"; }));
    const int w = term->GetTotalCharWidth(), h = term->GetTotalCharHeight();
    term->SetAutoCopy(false);
    term->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(1, h / 2));
    term->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeMouseLParam(3 * w + 1, h / 2));
    term->Perform(WM_LBUTTONUP, 0, MakeMouseLParam(3 * w + 1, h / 2));
    EXPECT_EQ(Clipboard(), ""); // no copy on release without AutoCopy
    const struct {
        WORD key;
        TShiftState shift;
        bool copies;
    } cases[] = {{'C', {ssCtrl}, true},
                 {VK_INSERT, {ssCtrl}, true},
                 {'C', {ssCtrl, ssShift}, false},
                 {'C', {ssCtrl, ssAlt}, false}};
    for (const auto& c : cases) {
        SetClipboard("");
        press(c.key, c.shift);
        EXPECT_EQ(Clipboard(), c.copies ? "copy\r\n" : "") << c.key;
        PumpFor(30);
        const std::string sent = pty.Drain();
        EXPECT_EQ(sent.empty(), c.copies) << c.key; // consumed: nothing typed
    }
    // Esc while dragging drops the selection and goes no further.
    term->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(1, h / 2));
    term->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeMouseLParam(3 * w + 1, h / 2));
    press(VK_ESCAPE, {});
    EXPECT_FALSE(term->HasSelection());
    EXPECT_FALSE(term->tmGetAttributes(1, 1).Contains(tcaSelected));
    PumpFor(30);
    EXPECT_EQ(pty.Drain(), "");
}

// A component the designer holds.
struct TDesigner : TComponent {
    static void Design(TComponent* c) {
        TComponentState s = c->ComponentState();
        s.Include(TComponentStateItem::csDesigning);
        (c->*&TDesigner::SetComponentState)(s);
    }
};

TEST(TerminalInTheDesigner, ShowsTheSampleTextWithEitherEmulator) {
    Application->Initialize();
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    form->SetClientSize(700, 400);
    auto* term = new TVxTerminal(form.get());
    TDesigner::Design(term);
    term->SetParent(form.get());
    term->SetBounds(0, 0, 660, 360);
    form->Show();
    TVxTerminalBuffer* b = term->CurrentEmulator()->Buffer();
    auto line = [&](int row) { return term->tmGetLine(row).substr(0, 21); };
    EXPECT_EQ(line(1), "Design mode; line 01 ");
    EXPECT_EQ(line(24), "Design mode; line 24 ");
    EXPECT_EQ(line(0), std::string(21, ' '));
    EXPECT_EQ(b->tbGetRow(), 24);
    EXPECT_EQ(b->tbGetCol(), 1);
    term->Update();
    HDC dc = GetDC(term->Handle());
    int ink = 0;
    for (int x = 0; x < 20 * term->GetTotalCharWidth(); ++x)
        for (int y = 0; y < term->GetTotalCharHeight(); ++y) ink += GetPixel(dc, x, y) != RGB(0, 0, 0);
    ReleaseDC(term->Handle(), dc);
    EXPECT_GT(ink, 0);

    auto* vt100 = new TVxVT100Emulator(form.get());
    term->tmSetEmulator(vt100);
    for (int row = 1; row <= 24; ++row) {
        EXPECT_EQ(line(row), Format("Design mode; line %.2d ", {row})) << row;
        const TColor colours[] = {0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0};
        EXPECT_EQ(term->tmGetForeColor(row, 1), colours[(row - 1) % 7]) << row;
    }
    EXPECT_EQ(vt100->Buffer()->tbGetRow(), 24);
}

} // namespace
