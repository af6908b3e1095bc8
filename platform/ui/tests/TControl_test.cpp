// Message routing (Perform, WindowProc, Dispatch), the CM_ notifications that carry colour, font,
// text, enabled and visible changes and their parent links, mouse input from Qt, and alignment.
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Messages.h"
#include "support/UiTest.h"

#include <QBitmap>
#include <QCursor>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Records the component messages it sees and the mouse events it gets.
class TProbe : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::vector<UINT> Seen;
    std::vector<std::string> Mouse;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg >= CM_BASE && Message.Msg < CM_BASE + 0x100) Seen.push_back(Message.Msg);
        if (Message.Msg == CM_MOUSEENTER && Message.LParam == 0) Mouse.push_back("enter");
        if (Message.Msg == CM_MOUSELEAVE && Message.LParam == 0) Mouse.push_back("leave");
        TGraphicControl::Dispatch(Message);
    }
    int Count(UINT msg) const { return static_cast<int>(std::count(Seen.begin(), Seen.end(), msg)); }

protected:
    void MouseDown(TMouseButton, TShiftState, int X, int Y) override {
        Mouse.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
    }
    void MouseUp(TMouseButton, TShiftState, int X, int Y) override {
        Mouse.push_back("up " + std::to_string(X) + "," + std::to_string(Y));
    }
};

class TPanelControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
};

struct Fixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TEventLog log;
    void SetUp() override { form->SetClientSize(200, 150); }
};

using TControlMessages = Fixture;

TEST_F(TControlMessages, PerformRunsThroughTheReplacedWindowProcAndBack) {
    auto* probe = new TProbe(form.get());
    struct Hook {
        TWindowProcMethod previous;
        std::vector<UINT> seen;
        void Proc(TMessage& m) {
            seen.push_back(m.Msg);
            if (m.Msg == WM_USER + 1) {
                m.Result = 42;
                return;
            }
            previous(m);
        }
    } hook{probe->WindowProc, {}};
    probe->WindowProc = TWindowProcMethod::Bind<&Hook::Proc>(&hook);

    EXPECT_EQ(probe->Perform(WM_USER + 1, 0, 0), 42);
    EXPECT_EQ(probe->Perform(CM_HITTEST, 0, 0), 1); // handled by the control behind the hook
    EXPECT_EQ(hook.seen, (std::vector<UINT>{WM_USER + 1, CM_HITTEST}));
    EXPECT_EQ(probe->Count(CM_HITTEST), 1);
    probe->WindowProc = hook.previous;
}

TEST_F(TControlMessages, MessagesPostedToAWindowHandleReachItsWindowProc) {
    auto* box = new TPanelControl(form.get());
    box->SetParent(form.get());
    struct Hook {
        TWindowProcMethod previous;
        int got = 0;
        void Proc(TMessage& m) {
            if (m.Msg == WM_USER + 7) got = static_cast<int>(m.WParam);
            previous(m);
        }
    } hook{box->WindowProc};
    box->WindowProc = TWindowProcMethod::Bind<&Hook::Proc>(&hook);
    ASSERT_TRUE(PostMessage(box->Handle(), WM_USER + 7, 5, 0));
    Pump();
    EXPECT_EQ(hook.got, 5);
    EXPECT_EQ(FindControl(box->Handle()), box);
    box->WindowProc = hook.previous;
}

TEST_F(TControlMessages, ParentColorFollowsTheParentUntilTheChildSetsItsOwn) {
    auto* panel = new TPanelControl(form.get());
    panel->SetParent(form.get());
    auto* probe = new TProbe(form.get());
    probe->SetParent(panel);
    form->SetColor(clNavy);
    EXPECT_EQ(panel->Color(), clNavy);
    EXPECT_EQ(probe->Color(), clNavy);
    EXPECT_TRUE(probe->ParentColor());

    probe->SetColor(clRed);
    EXPECT_FALSE(probe->ParentColor());
    form->SetColor(clTeal);
    EXPECT_EQ(panel->Color(), clTeal);
    EXPECT_EQ(probe->Color(), clRed);

    probe->SetParentColor(true);
    EXPECT_EQ(probe->Color(), clTeal);
    EXPECT_GE(probe->Count(CM_PARENTCOLORCHANGED), 2);
    EXPECT_GE(probe->Count(CM_COLORCHANGED), 3);
}

TEST_F(TControlMessages, ParentFontFollowsTheParentUntilTheChildChangesItsFont) {
    auto* probe = new TProbe(form.get());
    probe->SetParent(form.get());
    form->Font()->SetName("Arial");
    form->Font()->SetSize(12);
    EXPECT_EQ(probe->Font()->Name(), "Arial");
    EXPECT_EQ(probe->Font()->Size(), 12);
    EXPECT_TRUE(probe->ParentFont());

    probe->Font()->SetStyle({fsBold});
    EXPECT_FALSE(probe->ParentFont());
    form->Font()->SetSize(20);
    EXPECT_EQ(probe->Font()->Size(), 12);
    probe->SetParentFont(true);
    EXPECT_EQ(probe->Font()->Size(), 20);
    EXPECT_TRUE(probe->Font()->Style().Empty());
}

TEST_F(TControlMessages, ChangesAreAnnouncedOnceAndOnlyWhenTheValueChanges) {
    auto* probe = new TProbe(form.get());
    probe->SetCaption("A");
    probe->SetCaption("A");
    probe->SetEnabled(false);
    probe->SetEnabled(false);
    probe->SetVisible(false);
    probe->SetVisible(false);
    probe->SetCursor(crHourGlass);
    EXPECT_EQ(probe->Count(CM_TEXTCHANGED), 1);
    EXPECT_EQ(probe->Count(CM_ENABLEDCHANGED), 1);
    EXPECT_EQ(probe->Count(CM_VISIBLECHANGED), 1);
    EXPECT_EQ(probe->Count(CM_CURSORCHANGED), 1);
    EXPECT_EQ(probe->Text(), "A");
}

TEST_F(TControlMessages, MouseInputReachesTheGraphicControlUnderThePointerInItsCoordinates) {
    auto* probe = new TProbe(form.get());
    probe->SetName("Probe");
    probe->SetBounds(50, 40, 30, 20);
    probe->SetParent(form.get());
    probe->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    form->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    form->SetName("Form");
    QWidget* client = form->Widget();

    ClickAt(client, QPoint(55, 45));
    EXPECT_EQ(log.Joined(), "click Probe");
    EXPECT_EQ(probe->Mouse, (std::vector<std::string>{"enter", "down 5,5", "up 5,5"}));

    // Released outside the control: captured, but no click.
    log.Events.clear();
    SendMouse(client, QEvent::MouseButtonPress, QPoint(55, 45));
    SendMouse(client, QEvent::MouseButtonRelease, QPoint(150, 100));
    EXPECT_TRUE(log.Events.empty());
    EXPECT_EQ(probe->Mouse.back(), "up 100,60");

    ClickAt(client, QPoint(10, 10));
    EXPECT_EQ(log.Joined(), "click Form");
    EXPECT_EQ(probe->Mouse.back(), "leave");
}

TEST_F(TControlMessages, DisabledGraphicControlsLetTheClickThroughToTheParent) {
    auto* probe = new TProbe(form.get());
    probe->SetBounds(0, 0, 50, 50);
    probe->SetParent(form.get());
    probe->SetEnabled(false);
    probe->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    form->SetName("Form");
    form->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    ClickAt(form->Widget(), QPoint(10, 10));
    EXPECT_EQ(log.Joined(), "click Form");
}

TEST_F(TControlMessages, RightClickShowsThePopupMenuWithItsComponent) {
    TSeamRecorder seam;
    auto* menu = new TPopupMenu(form.get());
    menu->SetName("Menu");
    auto* item = new TMenuItem(form.get());
    item->SetName("Item");
    item->SetCaption("&Rename");
    item->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    menu->Items()->Add(item);
    menu->OnPopup = TNotifyEvent::Bind<&TEventLog::Notify>(&log);
    auto* probe = new TProbe(form.get());
    probe->SetBounds(20, 20, 20, 20);
    probe->SetParent(form.get());
    probe->SetPopupMenu(menu);
    seam.AnswerPopup("Rename");

    ClickAt(form->Widget(), QPoint(25, 25), Qt::RightButton);
    EXPECT_EQ(log.Joined(), "notify Menu, click Item");
    EXPECT_EQ(menu->PopupComponent, probe);
    ASSERT_EQ(seam.Of(TSeamRecorder::kPopupMenu).size(), 1u);

    // Elsewhere on the form there is no menu.
    ClickAt(form->Widget(), QPoint(100, 100), Qt::RightButton);
    EXPECT_EQ(seam.Of(TSeamRecorder::kPopupMenu).size(), 1u);

    // A freed menu is forgotten.
    delete menu;
    EXPECT_EQ(probe->PopupMenu(), nullptr);
}

TEST_F(TControlMessages, AlignedControlsShareTheClientAreaAndFollowResizes) {
    auto* top = new TProbe(form.get());
    top->SetHeight(20);
    top->SetAlign(alTop);
    top->SetParent(form.get());
    auto* bottom = new TProbe(form.get());
    bottom->SetHeight(19);
    bottom->SetAlign(alBottom);
    bottom->SetParent(form.get());
    auto* client = new TProbe(form.get());
    client->SetAlign(alClient);
    client->SetParent(form.get());
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 200, 20));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 131, 200, 150));
    EXPECT_EQ(client->BoundsRect(), Rect(0, 20, 200, 131));

    form->SetClientSize(300, 100);
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 81, 300, 100));
    EXPECT_EQ(client->BoundsRect(), Rect(0, 20, 300, 81));
    bottom->Hide();
    EXPECT_EQ(client->BoundsRect(), Rect(0, 20, 300, 100));
}

TEST_F(TControlMessages, ChildControlsGoWithTheirParentWhoeverOwnsThem) {
    auto* panel = new TPanelControl(form.get());
    panel->SetParent(form.get());
    auto* probe = new TProbe(form.get());
    probe->SetParent(panel);
    const int before = form->ComponentCount();
    delete panel;
    EXPECT_EQ(form->ComponentCount(), before - 2);
    EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(TControlMessages, AWindowedControlNeedsAParentForItsWindow) {
    TPanelControl orphan(nullptr);
    EXPECT_THROW(orphan.Handle(), EInvalidOperation);
    EXPECT_THROW(orphan.SetParent(&orphan), EInvalidOperation);
}

} // namespace

TEST_F(TControlMessages, ARegisteredCursorShowsItsMonochromePlanes) {
    // 16x2: black, white, transparent, inverted in the first four pixels of row 0 (in Qt's planes a
    // black pixel is set in shape and mask, white only in the mask, an inverting one only in shape).
    const unsigned char andPlane[4] = {0x30, 0x00, 0xFF, 0xFF};
    const unsigned char xorPlane[4] = {0x50, 0x00, 0x00, 0x00};
    const HCURSOR cursor = CreateCursor(0, 3, 1, 16, 2, andPlane, xorPlane);
    ASSERT_NE(cursor, 0u);
    EXPECT_EQ(CreateCursor(0, 0, 0, 0, 2, andPlane, xorPlane), 0u);
    EXPECT_EQ(CreateCursor(0, 0, 0, 16, 2, nullptr, xorPlane), 0u);
    const HCURSOR arrow = Screen->Cursors(crArrow);
    EXPECT_EQ(Screen->Cursors(-200), Screen->Cursors(crDefault)) << "unknown: the default cursor";
    Screen->SetCursors(-200, cursor);
    EXPECT_EQ(Screen->Cursors(-200), cursor);
    EXPECT_EQ(Screen->Cursors(crArrow), arrow);

    form->SetCursor(-200);
    const QCursor shown = form->Widget()->cursor();
    ASSERT_EQ(shown.shape(), Qt::BitmapCursor);
    EXPECT_EQ(shown.hotSpot(), QPoint(3, 1));
    const QImage shape = shown.bitmap().toImage();
    const QImage mask = shown.mask().toImage();
    const struct {
        int x;
        bool shape, mask;
    } pixels[] = {{0, true, true}, {1, false, true}, {2, false, false}, {3, true, false}, {4, true, true}};
    for (const auto& p : pixels) {
        EXPECT_EQ(qGray(shape.pixel(p.x, 0)) < 128, p.shape) << p.x;
        EXPECT_EQ(qGray(mask.pixel(p.x, 0)) < 128, p.mask) << p.x;
    }
    EXPECT_GE(qGray(mask.pixel(0, 1)), 128) << "row 1 is transparent";

    form->SetCursor(crDefault);
    Screen->SetCursors(-200, 0);
    EXPECT_TRUE(DestroyCursor(cursor));
    EXPECT_FALSE(DestroyCursor(cursor));
}
