// The application's hint window: a frameless top-level window that never takes the focus, made from
// HintWindowClass; the control may refuse its hint (CM_HINTSHOW), OnShowHint may change or refuse
// it, and the hint window decides which messages close it.
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/HintWindow.h"
#include "platform/ui/StdCtrls.h"
#include "support/UiTest.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A control that can refuse its hint.
class TRefusing : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    bool Refuse = false;
    int Asked = 0;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CM_HINTSHOW) {
            ++Asked;
            Message.Result = Refuse ? 1 : 0;
            return;
        }
        TCustomControl::Dispatch(Message);
    }
};

class TOtherHint : public THintWindow {
public:
    using THintWindow::THintWindow;
};

struct Fixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TRefusing* box = nullptr;
    void SetUp() override {
        form->SetBounds(100, 100, 300, 200);
        box = new TRefusing(form.get());
        box->SetParent(form.get());
        box->SetBounds(10, 10, 80, 40);
        box->SetHint("Level of the left channel");
        box->SetShowHint(true);
        form->Show();
        Pump();
        Application->ShowHint = true;
        HintWindowClass = MakeHintWindow<THintWindow>;
    }
    void TearDown() override {
        Application->CancelHint();
        Application->OnShowHint = nullptr;
        HintWindowClass = MakeHintWindow<THintWindow>;
    }
    // Moves the pointer onto the box (as the platform hands a move to its window) and ends the wait.
    void HintOverBox() {
        box->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(20, 15));
        Application->ActivateHint(box->ClientToScreen(TPoint(20, 15)));
    }
    bool Shown() const { return Application->HintWindow() && Application->HintWindow()->Visible(); }
};

using THintWindowBehaviour = Fixture;

TEST_F(THintWindowBehaviour, IsAFramelessWindowOnTopThatNeverTakesTheFocus) {
    HintOverBox();
    ASSERT_TRUE(Shown());
    THintWindow* hint = Application->HintWindow();
    EXPECT_EQ(hint->Caption(), "Level of the left channel");
    QWidget* w = hint->Widget();
    EXPECT_TRUE(w->isWindow());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
    // Below the pointer, wide enough for its text on one line.
    const TPoint at = box->ClientToScreen(TPoint(20, 15));
    EXPECT_EQ(hint->Left(), at.X);
    EXPECT_GT(hint->Top(), at.Y);
    EXPECT_GT(hint->Width(), 60);
    EXPECT_EQ(w->geometry().topLeft(), QPoint(hint->Left(), hint->Top()));
}

TEST_F(THintWindowBehaviour, TheControlAndOnShowHintCanRefuseOrChangeTheHint) {
    box->Refuse = true;
    HintOverBox();
    EXPECT_EQ(box->Asked, 1);
    EXPECT_FALSE(Shown());

    box->Refuse = false;
    struct Handler : TObject {
        bool Allow = true;
        void Show(std::string& text, bool& canShow, THintInfo& info) {
            text = "Changed";
            canShow = Allow;
            info.HintColor = clYellow;
        }
    } handler;
    Application->OnShowHint = TShowHintEvent::Bind<&Handler::Show>(&handler);
    HintOverBox();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Application->HintWindow()->Caption(), "Changed");
    EXPECT_EQ(Application->HintWindow()->Color(), clYellow);

    Application->CancelHint();
    handler.Allow = false;
    HintOverBox();
    EXPECT_FALSE(Shown());
}

TEST_F(THintWindowBehaviour, KeysAndButtonsCloseTheHintAMoveDoesNot) {
    struct Case {
        UINT msg;
        bool closes;
    };
    for (const Case& c : {Case{WM_MOUSEMOVE, false}, Case{WM_KEYDOWN, true}, Case{WM_LBUTTONDOWN, true},
                          Case{WM_RBUTTONUP, true}, Case{WM_CHAR, true}}) {
        HintOverBox();
        ASSERT_TRUE(Shown());
        box->MainWndProc(c.msg, 0, MakeMouseLParam(25, 15));
        EXPECT_EQ(Shown(), !c.closes) << c.msg;
        Application->CancelHint();
    }
}

TEST_F(THintWindowBehaviour, APointerOverAControlWithoutHintTakesTheHintAway) {
    HintOverBox();
    ASSERT_TRUE(Shown());
    form->MainWndProc(WM_MOUSEMOVE, 0, MakeMouseLParam(200, 150));
    EXPECT_FALSE(Shown());
}

TEST_F(THintWindowBehaviour, ANewHintWindowClassTakesEffectAtTheNextHint) {
    HintOverBox();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(dynamic_cast<TOtherHint*>(Application->HintWindow()), nullptr);
    HintWindowClass = MakeHintWindow<TOtherHint>;
    Application->CancelHint();
    HintOverBox();
    ASSERT_TRUE(Shown());
    EXPECT_NE(dynamic_cast<TOtherHint*>(Application->HintWindow()), nullptr);
}

} // namespace
