// The movable panel: where an update and the stick rule put it (on a form and on a panel, old and
// new style), a click and a drag driven by mouse messages, the focus rectangle inverted on the
// form's window and gone after the drag, loading and streaming.
#include "indicator_controls/MystdPanels.h"

#include "support/LedTest.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// A form with a client area of 300 x 200 holding a plain panel of 200 x 100 at (10, 10); the
// movable panel, 50 x 40 at (30, 20), sits on either.
struct MovePanelFixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TPanel* holder = nullptr;
    TvMovePanel* panel = nullptr;
    // What the update handler saw, and what it hands back when set.
    std::vector<TRect> seen;
    std::optional<TRect> answer;

    void Build(bool onForm) {
        form->SetBounds(100, 100, 400, 300);
        form->SetClientWidth(300);
        form->SetClientHeight(200);
        holder = new TPanel(form.get());
        holder->SetParent(form.get());
        holder->SetBevelOuter(TBevelCut::bvNone);
        holder->SetBounds(10, 10, 200, 100);
        panel = new TvMovePanel(form.get());
        panel->SetName("Mover");
        panel->SetParent(onForm ? static_cast<TWinControl*>(form.get()) : holder);
        panel->SetBounds(30, 20, 50, 40);
        panel->OnBeforeUpdate = TUpdateEvent::Bind<&MovePanelFixture::BeforeUpdate>(this);
        form->Show();
        Pump();
    }
    void BeforeUpdate(TObject* Sender, int& X, int& Y, int& W, int& H) {
        EXPECT_EQ(Sender, panel);
        seen.push_back(Bounds(X, Y, W, H));
        if (!answer) return;
        X = answer->Left;
        Y = answer->Top;
        W = answer->Width();
        H = answer->Height();
    }

    void Down(int x, int y) { panel->MainWndProc(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(x, y)); }
    void Move(int x, int y) { panel->MainWndProc(WM_MOUSEMOVE, MK_LBUTTON, MakeMouseLParam(x, y)); }
    void Up(int x, int y) { panel->MainWndProc(WM_LBUTTONUP, 0, MakeMouseLParam(x, y)); }

    // The form's own window pixels (what the form painted, and what was drawn on its DC).
    std::vector<COLORREF> FormPixels() {
        HDC dc = GetDC(form->Handle());
        std::vector<COLORREF> pixels;
        for (int y = 0; y < form->ClientHeight(); ++y)
            for (int x = 0; x < form->ClientWidth(); ++x) pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(form->Handle(), dc);
        return pixels;
    }
    // The points where now differs from before; every one must lie on the outline of r.
    int ChangedOnOutlineOf(const std::vector<COLORREF>& before, const std::vector<COLORREF>& now,
                           const TRect& r) {
        int changed = 0;
        const int w = form->ClientWidth();
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i] == before[i]) continue;
            ++changed;
            const int x = static_cast<int>(i) % w, y = static_cast<int>(i) / w;
            const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
            const bool edge = x == r.Left || x == r.Right - 1 || y == r.Top || y == r.Bottom - 1;
            EXPECT_TRUE(inside && edge) << "changed at " << x << "," << y;
        }
        return changed;
    }
};

TEST_F(MovePanelFixture, StartsUnstuckInOldStyleAndReportsTheMouse) {
    Build(true);
    EXPECT_EQ(panel->StickWhere(), stNone);
    EXPECT_TRUE(panel->StickOldStyle());
    EXPECT_EQ(panel->Align(), alNone);
    EXPECT_FALSE(panel->Dragging());
    TEventLog log;
    panel->OnMouseEnter = TNotifyEvent::Bind<&TEventLog::Enter>(&log);
    panel->OnMouseLeave = TNotifyEvent::Bind<&TEventLog::Leave>(&log);
    panel->Perform(CM_MOUSEENTER, 0, 0);
    panel->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(log.Events, "enter Mover, leave Mover");
}

TEST_F(MovePanelFixture, StickRuleOnAFormAndOnAPanelOldAndNewStyle) {
    struct Case {
        bool onForm;
        bool oldStyle;
        TvStickType stick;
        TAlign align;
        TRect bounds;
    };
    for (const Case& c : {
             // Old style moves the panel to the edge (the parent's client size: 300 x 200 or 200 x 100).
             Case{true, true, stNone, alNone, Bounds(30, 20, 50, 40)},
             Case{true, true, stleft, alNone, Bounds(0, 20, 50, 40)},
             Case{true, true, stTop, alNone, Bounds(30, 0, 50, 40)},
             Case{true, true, stRight, alNone, Bounds(250, 20, 50, 40)},
             Case{true, true, stBottom, alNone, Bounds(30, 160, 50, 40)},
             Case{true, true, stBoth, alNone, Bounds(0, 0, 50, 40)},
             Case{false, true, stNone, alNone, Bounds(30, 20, 50, 40)},
             Case{false, true, stleft, alNone, Bounds(0, 20, 50, 40)},
             Case{false, true, stTop, alNone, Bounds(30, 0, 50, 40)},
             Case{false, true, stRight, alNone, Bounds(150, 20, 50, 40)},
             Case{false, true, stBottom, alNone, Bounds(30, 60, 50, 40)},
             Case{false, true, stBoth, alNone, Bounds(0, 0, 50, 40)},
             // New style aligns it; both edges is the top.
             Case{false, false, stNone, alNone, Bounds(30, 20, 50, 40)},
             Case{false, false, stleft, alLeft, Bounds(0, 0, 50, 100)},
             Case{false, false, stTop, alTop, Bounds(0, 0, 200, 40)},
             Case{false, false, stRight, alRight, Bounds(150, 0, 50, 100)},
             Case{false, false, stBottom, alBottom, Bounds(0, 60, 200, 40)},
             Case{false, false, stBoth, alTop, Bounds(0, 0, 200, 40)},
             Case{true, false, stRight, alRight, Bounds(250, 0, 50, 200)},
         }) {
        form.reset(new TForm(nullptr));
        Build(c.onForm);
        panel->SetStickOldStyle(c.oldStyle);
        panel->SetStickWhere(c.stick);
        const std::string what = std::string(c.onForm ? "form" : "panel") + (c.oldStyle ? " old " : " new ") +
                                 std::to_string(static_cast<int>(c.stick));
        EXPECT_EQ(panel->Align(), c.align) << what;
        EXPECT_EQ(panel->BoundsRect(), c.bounds) << what;
    }
}

TEST_F(MovePanelFixture, StickOldStyleSticksAgainOnlyWhenItChanges) {
    Build(false);
    panel->SetStickWhere(stleft);
    EXPECT_EQ(panel->Left(), 0);
    panel->SetLeft(30);
    panel->SetStickOldStyle(true);
    EXPECT_EQ(panel->Left(), 30);
    panel->SetStickOldStyle(false);
    EXPECT_EQ(panel->Align(), alLeft);
    panel->SetStickOldStyle(true);
    EXPECT_EQ(panel->Align(), alNone);
    panel->SetLeft(30);
    // Setting the same place sticks again.
    panel->SetStickWhere(stleft);
    EXPECT_EQ(panel->Left(), 0);
    // Old style with its right edge on a parent's: the panel is brought to the front.
    auto* other = new TPanel(form.get());
    other->SetParent(holder);
    panel->SetStickWhere(stRight);
    EXPECT_EQ(holder->Controls(holder->ControlCount() - 1), panel);
}

TEST_F(MovePanelFixture, UpdateAppliesTheHandlerThenKeepsThePanelInside) {
    struct Case {
        bool onForm;
        std::optional<TRect> answer;
        TRect bounds;
    };
    for (const Case& c : {
             Case{false, std::nullopt, Bounds(30, 20, 50, 40)},
             Case{false, Bounds(40, 30, 60, 20), Bounds(40, 30, 60, 20)},
             // Negative places become 0.
             Case{false, Bounds(-7, -5, 50, 40), Bounds(0, 0, 50, 40)},
             Case{true, Bounds(-7, -5, 50, 40), Bounds(0, 0, 50, 40)},
             // Past a panel's right or bottom edge: one pixel inside; right on the edge stays.
             Case{false, Bounds(180, 20, 50, 40), Bounds(149, 20, 50, 40)},
             Case{false, Bounds(30, 90, 50, 40), Bounds(30, 59, 50, 40)},
             Case{false, Bounds(150, 60, 50, 40), Bounds(150, 60, 50, 40)},
             Case{false, Bounds(30, 20, 80, 70), Bounds(30, 20, 80, 70)},
             Case{false, Bounds(30, 20, 80, 90), Bounds(30, 9, 80, 90)},
             // A form keeps no bounds.
             Case{true, Bounds(280, 190, 50, 40), Bounds(280, 190, 50, 40)},
         }) {
        form.reset(new TForm(nullptr));
        seen.clear();
        answer = c.answer;
        Build(c.onForm);
        panel->DoUpdate();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0], Bounds(30, 20, 50, 40));
        EXPECT_EQ(panel->BoundsRect(), c.bounds)
            << (c.onForm ? "form " : "panel ") << c.bounds.Left << "," << c.bounds.Top;
        EXPECT_TRUE(panel->Visible());
    }
    // A hidden panel stays hidden, and the handler sees it hidden.
    answer.reset();
    panel->Hide();
    panel->DoUpdate();
    EXPECT_FALSE(panel->Visible());
}

TEST_F(MovePanelFixture, ClickWithoutMovingUpdatesAndSticksInPlace) {
    Build(false);
    panel->SetStickWhere(stleft);
    panel->SetLeft(30);
    answer = Bounds(30, 90, 50, 40);
    Down(5, 5);
    EXPECT_TRUE(panel->Dragging());
    Up(5, 5);
    EXPECT_FALSE(panel->Dragging());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], Bounds(30, 20, 50, 40)) << "moved by a click";
    // The handler's place, kept one pixel inside the bottom, then stuck to the left.
    EXPECT_EQ(panel->BoundsRect(), Bounds(0, 59, 50, 40));
    EXPECT_TRUE(panel->Visible());
}

TEST_F(MovePanelFixture, DraggedPastTheRightEdgeOfAPanelEndsOnePixelInside) {
    Build(false);
    Down(10, 10);
    // The focus rectangle in the form's client coordinates: the holder sits at (10, 10).
    EXPECT_EQ(panel->FocusRect(), Bounds(40, 30, 50, 40));
    Move(60, 15);
    EXPECT_EQ(panel->FocusRect(), Bounds(90, 35, 50, 40));
    Move(210, 15);
    EXPECT_EQ(panel->FocusRect(), Bounds(240, 35, 50, 40));
    Up(210, 15);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], Bounds(230, 25, 50, 40));
    EXPECT_EQ(panel->Left() + panel->Width(), holder->Width() - 1);
    EXPECT_EQ(panel->BoundsRect(), Bounds(149, 25, 50, 40));
    EXPECT_FALSE(panel->Dragging());
    // A move after the release drags nothing.
    Move(100, 15);
    EXPECT_EQ(panel->BoundsRect(), Bounds(149, 25, 50, 40));
}

TEST_F(MovePanelFixture, OnAFormTheDragMayEndAnywhereButAboveOrLeftOfIt) {
    Build(true);
    Down(10, 10);
    Move(300, 300);
    Up(300, 300);
    EXPECT_EQ(panel->BoundsRect(), Bounds(320, 310, 50, 40));
    Down(10, 10);
    Up(-400, -400);
    EXPECT_EQ(panel->BoundsRect(), Bounds(0, 0, 50, 40));
}

TEST_F(MovePanelFixture, FocusRectangleIsInvertedInAndOutOfTheFormsWindow) {
    for (const bool onForm : {true, false}) {
        form.reset(new TForm(nullptr));
        Build(onForm);
        form->Update();
        const std::vector<COLORREF> before = FormPixels();
        Down(10, 10);
        std::vector<COLORREF> now = FormPixels();
        EXPECT_GT(ChangedOnOutlineOf(before, now, panel->FocusRect()), 0);
        Move(40, 30);
        now = FormPixels();
        // Only the new rectangle shows: the old one went back.
        EXPECT_GT(ChangedOnOutlineOf(before, now, panel->FocusRect()), 0);
        Move(45, 33);
        Move(45, 33);
        now = FormPixels();
        EXPECT_GT(ChangedOnOutlineOf(before, now, panel->FocusRect()), 0);
        Up(45, 33);
        EXPECT_EQ(FormPixels(), before) << (onForm ? "on a form" : "on a panel");
        Pump();
        form->Update();
        EXPECT_EQ(FormPixels(), before) << (onForm ? "on a form" : "on a panel");
    }
}

TEST_F(MovePanelFixture, PanelFreedWhileDraggedLeavesNothingBehind) {
    Build(true);
    form->Update();
    const std::vector<COLORREF> before = FormPixels();
    Down(10, 10);
    Move(30, 20);
    delete panel;
    EXPECT_EQ(FormPixels(), before);
}

TEST_F(MovePanelFixture, LoadingSticksTheLoadedPanel) {
    form->SetBounds(100, 100, 400, 300);
    form->SetClientWidth(300);
    form->SetClientHeight(200);
    panel = new TvMovePanel(form.get());
    form->BeginLoading();
    panel->SetParent(form.get());
    // Stuck with the panel's first width; loading sticks it again with its last.
    panel->SetStickWhere(stRight);
    panel->SetBounds(10, 20, 50, 40);
    EXPECT_EQ(panel->Left(), 10);
    form->EndLoading();
    EXPECT_EQ(panel->Left(), 250);
}

TEST(TvMovePanelStream, StickSettingsStreamAndStickOnLoading) {
    TvMovePanel panel(nullptr);
    panel.SetStickOldStyle(false);
    panel.SetStickWhere(stBottom);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&panel);
    stream.SetPosition(0);
    TComponent* read = TReader(&stream).ReadRootComponent(nullptr);
    auto* back = dynamic_cast<TvMovePanel*>(read);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->StickWhere(), stBottom);
    EXPECT_FALSE(back->StickOldStyle());
    EXPECT_EQ(back->Align(), alBottom);
    delete read;

    // The defaults are not written.
    TvMovePanel plain(nullptr);
    TMemoryStream defaults;
    TWriter(&defaults).WriteRootComponent(&plain);
    EXPECT_EQ(defaults.DataString().find("Stick"), std::string::npos);
}

} // namespace
