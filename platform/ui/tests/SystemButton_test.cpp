// The system's button behind windows subclassed from "BUTTON": presses with the mouse and the space
// bar, the notifications the parent reflects as CN_COMMAND, owner drawing through CN_DRAWITEM with
// the item's state, and the BM_ messages.
#include "platform/ui/StdCtrls.h"

#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// An owner-drawn button as a skinned check box makes one; it logs what reaches it.
class TOwnerButton : public TButtonControl {
public:
    using TButtonControl::TButtonControl;
    std::string Log;

    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CN_COMMAND) {
            Add("command " + std::to_string(HIWORD(static_cast<DWORD>(Message.WParam))));
            return;
        }
        if (Message.Msg == CN_DRAWITEM) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
            std::string what = item->itemAction == ODA_DRAWENTIRE ? "entire"
                               : item->itemAction == ODA_SELECT   ? "select"
                               : item->itemAction == ODA_FOCUS    ? "focus"
                                                                  : "?";
            if (item->itemState & ODS_SELECTED) what += " selected";
            if (item->itemState & ODS_FOCUS) what += " focused";
            if (item->itemState & ODS_DISABLED) what += " disabled";
            EXPECT_EQ(item->CtlType, ODT_BUTTON);
            EXPECT_EQ(item->hwndItem, Handle());
            EXPECT_NE(item->hDC, nullptr);
            EXPECT_EQ(item->rcItem.right, Width());
            EXPECT_EQ(item->rcItem.bottom, Height());
            Add("draw " + what);
            Message.Result = 1;
            return;
        }
        TButtonControl::Dispatch(Message);
    }

protected:
    void CreateParams(TCreateParams& Params) override {
        TButtonControl::CreateParams(Params);
        CreateSubClass(Params, "BUTTON");
        Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW;
    }

private:
    void Add(const std::string& what) { Log += (Log.empty() ? "" : ", ") + what; }
};

struct SystemButton : ::testing::Test {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    TOwnerButton* Button = nullptr;
    void SetUp() override {
        Form->SetClientSize(200, 100);
        Button = new TOwnerButton(Form.get());
        Button->SetBounds(10, 10, 60, 20);
        Button->SetParent(Form.get());
        Form->Show();
        Pump();
    }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessage(Button->Handle(), msg, wParam, lParam);
    }
};

// Each script runs on the focused button; the log lists what reached the control.
TEST_F(SystemButton, PressesAndWhatTheyTellTheControl) {
    Button->SetFocus();
    Pump();
    ASSERT_TRUE(Button->Focused());
    ASSERT_EQ(Send(BM_GETSTATE) & BST_FOCUS, BST_FOCUS);
    const LPARAM in = MakeMouseLParam(5, 5), out = MakeMouseLParam(80, 5), edge = MakeMouseLParam(60, 19);
    const struct {
        const char* name;
        std::vector<std::tuple<UINT, WPARAM, LPARAM>> messages;
        const char* log;
    } scripts[] = {
        {"click", {{WM_LBUTTONDOWN, MK_LBUTTON, in}, {WM_LBUTTONUP, 0, in}},
         "draw select selected focused, draw select focused, command 0"},
        {"released just outside",
         {{WM_LBUTTONDOWN, MK_LBUTTON, in}, {WM_MOUSEMOVE, MK_LBUTTON, edge}, {WM_LBUTTONUP, 0, edge}},
         "draw select selected focused, draw select focused"},
        {"out and back",
         {{WM_LBUTTONDOWN, MK_LBUTTON, in},
          {WM_MOUSEMOVE, MK_LBUTTON, out},
          {WM_MOUSEMOVE, MK_LBUTTON, in},
          {WM_LBUTTONUP, 0, in}},
         "draw select selected focused, draw select focused, draw select selected focused, draw select focused, "
         "command 0"},
        {"no press", {{WM_MOUSEMOVE, MK_LBUTTON, in}, {WM_LBUTTONUP, 0, in}}, ""},
        {"double click",
         {{WM_LBUTTONDOWN, MK_LBUTTON, in},
          {WM_LBUTTONUP, 0, in},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, in},
          {WM_LBUTTONUP, 0, in}},
         "draw select selected focused, draw select focused, command 0, command 5"},
        {"space", {{WM_KEYDOWN, VK_SPACE, 0}, {WM_KEYUP, VK_SPACE, 0}},
         "draw select selected focused, draw select focused, command 0"},
        {"other keys", {{WM_KEYDOWN, 'A', 0}, {WM_KEYUP, 'A', 0}, {WM_KEYUP, VK_SPACE, 0}}, ""},
        {"focus lost in a press",
         {{WM_LBUTTONDOWN, MK_LBUTTON, in}, {WM_KILLFOCUS, 0, 0}, {WM_LBUTTONUP, 0, in}, {WM_SETFOCUS, 0, 0}},
         "draw select selected focused, draw focus, draw focus focused"},
        {"pushed by message", {{BM_SETSTATE, 1, 0}, {BM_SETSTATE, 1, 0}, {BM_SETSTATE, 0, 0}},
         "draw select selected focused, draw select focused"},
    };
    for (const auto& script : scripts) {
        Button->Log.clear();
        for (const auto& [msg, wParam, lParam] : script.messages) Send(msg, wParam, lParam);
        EXPECT_EQ(Button->Log, script.log) << script.name;
    }

    // A paint draws the whole button, disabled too.
    Button->Log.clear();
    Button->Repaint();
    EXPECT_EQ(Button->Log, "draw entire focused");
    Form->SetFocus();
    Button->SetEnabled(false);
    Button->Log.clear();
    Button->Repaint();
    EXPECT_EQ(Button->Log, "draw entire disabled");
}

TEST_F(SystemButton, CheckStateAndStyleMessages) {
    EXPECT_EQ(Send(BM_GETCHECK), static_cast<LRESULT>(BST_UNCHECKED));
    for (const auto& [set, got] : {std::pair{BST_CHECKED, BST_CHECKED}, {BST_INDETERMINATE, BST_INDETERMINATE},
                                  {WPARAM{7}, BST_INDETERMINATE}, {BST_UNCHECKED, BST_UNCHECKED}}) {
        Send(BM_SETCHECK, set);
        EXPECT_EQ(Send(BM_GETCHECK), static_cast<LRESULT>(got)) << set;
    }
    Send(BM_SETCHECK, BST_CHECKED);
    Send(BM_SETSTATE, 1);
    EXPECT_EQ(Send(BM_GETSTATE) & (BST_CHECKED | BST_PUSHED), static_cast<LRESULT>(BST_CHECKED | BST_PUSHED));
    Send(BM_SETSTATE, 0);

    // The kind of button is the style's low four bits; a push button is not drawn by its parent.
    const DWORD base = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP;
    EXPECT_EQ(GetWindowLong(Button->Handle(), GWL_STYLE) & ~WS_VISIBLE, static_cast<LONG>(base | BS_OWNERDRAW));
    Send(BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
    EXPECT_EQ(GetWindowLong(Button->Handle(), GWL_STYLE) & ~WS_VISIBLE, static_cast<LONG>(base | BS_DEFPUSHBUTTON));
    Button->Log.clear();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(1, 1));
    Send(WM_LBUTTONUP, 0, MakeMouseLParam(1, 1));
    Button->Repaint();
    EXPECT_EQ(Button->Log, "command 0");
    Send(BM_SETSTYLE, BS_OWNERDRAW, 0);
    Button->Log.clear();
    Button->Repaint();
    EXPECT_EQ(Button->Log.substr(0, 11), "draw entire");
}

// Real input: a click through Qt, and a double click, end as notifications to the control.
TEST_F(SystemButton, ClicksFromTheWindowSystem) {
    Button->ControlStyle.Include(csDoubleClicks);
    ClickAt(Button->Widget(), QPoint(5, 5));
    SendMouse(Button->Widget(), QEvent::MouseButtonDblClick, QPoint(5, 5));
    SendMouse(Button->Widget(), QEvent::MouseButtonRelease, QPoint(5, 5));
    std::string commands;
    for (std::size_t at = Button->Log.find("command"); at != std::string::npos;
         at = Button->Log.find("command", at + 1))
        commands += Button->Log.substr(at, 9);
    EXPECT_EQ(commands, "command 0command 5");
    EXPECT_TRUE(Button->Focused());
}

// A control without the system class keeps BM_ messages to itself and paints as before.
TEST_F(SystemButton, OnlySubclassedWindowsBehaveAsButtons) {
    auto* plain = new TButtonControl(Form.get());
    plain->SetParent(Form.get());
    EXPECT_EQ(SendMessage(plain->Handle(), BM_SETCHECK, BST_CHECKED, 0), 0);
    EXPECT_EQ(SendMessage(plain->Handle(), BM_GETCHECK, 0, 0), 0);
}

} // namespace
