// Window regions on forms and the frame inside the client area: the region becomes the shape of
// the form's own window (moved by the window manager's border and caption, again when the border
// changes) or of a control's window with its frame, leaves nothing when nothing of it is inside the
// window, belongs to the window once given, and a form's window procedure that places a point of its client
// area in the frame gets the frame's mouse messages and has the form dragged.
#include "platform/gdi/DeviceContext.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WindowQueries.h"
#include "platform/ui/WindowShape.h"
#include "platform/win/Messages.h"
#include "support/UiTest.h"

#include <QRegion>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Records the messages a form's window procedure sees and answers WM_NCHITTEST as told.
class TFrameHook : public TObject {
public:
    explicit TFrameHook(TCustomForm* form) : form_(form), previous_(form->WindowProc) {
        form->WindowProc = TWindowProcMethod::Bind<&TFrameHook::Proc>(this);
    }
    ~TFrameHook() override { form_->WindowProc = previous_; }
    TFrameHook(const TFrameHook&) = delete;
    TFrameHook& operator=(const TFrameHook&) = delete;

    LRESULT HitTest = HTCLIENT;
    std::vector<std::string> Seen;

    void Proc(TMessage& m) {
        previous_(m);
        switch (m.Msg) {
        case WM_NCHITTEST:
            Seen.push_back("hittest");
            if (m.Result == HTCLIENT) m.Result = HitTest;
            break;
        case WM_NCRBUTTONDOWN:
            Seen.push_back("ncrdown " + std::to_string(m.WParam));
            break;
        case WM_NCRBUTTONUP:
            Seen.push_back("ncrup " + std::to_string(m.WParam));
            break;
        case WM_CAPTURECHANGED:
            Seen.push_back("capturechanged");
            break;
        case WM_CONTEXTMENU:
            Seen.push_back("contextmenu");
            break;
        case WM_LBUTTONDOWN:
            Seen.push_back("ldown");
            break;
        case WM_LBUTTONUP:
            Seen.push_back("lup");
            break;
        case WM_RBUTTONDOWN:
            Seen.push_back("rdown");
            break;
        case WM_RBUTTONUP:
            Seen.push_back("rup");
            break;
        case WM_STYLECHANGED: {
            const auto* change = reinterpret_cast<const STYLESTRUCT*>(m.LParam);
            Seen.push_back("stylechanged " + std::to_string(static_cast<int>(m.WParam)) + " " +
                           std::to_string(change->styleOld) + " " + std::to_string(change->styleNew));
            break;
        }
        case WM_SHOWWINDOW:
            Seen.push_back("showwindow " + std::to_string(m.WParam));
            break;
        default:
            break;
        }
    }

private:
    TCustomForm* form_;
    TWindowProcMethod previous_;
};

std::unique_ptr<TForm> NewForm(TFormBorderStyle style) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(style);
    form->SetBounds(100, 80, 300, 200);
    form->HandleNeeded();
    return form;
}

TEST(WindowShape, RegionShapesTheFormsOwnWindowInWindowCoordinates) {
    auto form = NewForm(bsSingle);
    QWidget* window = form->Widget()->window();
    // The border and caption before the client area, as the form counts them.
    const int fx = (form->Width() - form->ClientWidth()) / 2;
    const int top = form->Height() - form->ClientHeight() - fx;
    ASSERT_GT(fx, 0);
    ASSERT_GT(top, fx);

    HRGN rgn = CreateEllipticRgn(fx, top, fx + 120, top + 80);
    HRGN strip = CreateRectRgn(0, 0, form->Width(), top);
    CombineRgn(rgn, rgn, strip, RGN_OR);
    DeleteObject(strip);
    ASSERT_NE(SetWindowRgn(form->Handle(), rgn, TRUE), 0);

    // The caption strip lies over the window manager's frame: only the ellipse shapes the window.
    HRGN client = CreateEllipticRgn(0, 0, 120, 80);
    const DWORD size = GetRegionData(client, 0, nullptr);
    std::vector<char> block(size);
    GetRegionData(client, size, reinterpret_cast<RGNDATA*>(block.data()));
    const auto* head = reinterpret_cast<const RGNDATA*>(block.data());
    const auto* rects = reinterpret_cast<const RECT*>(block.data() + head->rdh.dwSize);
    QRegion expected;
    for (DWORD i = 0; i < head->rdh.nCount; ++i)
        expected += QRect(rects[i].left, rects[i].top, rects[i].right - rects[i].left,
                          rects[i].bottom - rects[i].top);
    EXPECT_EQ(window->mask(), expected);
    DeleteObject(client);

    // The window keeps the region as given and hands out copies.
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(form->Handle(), copy), ERROR);
    EXPECT_TRUE(EqualRgn(copy, rgn));

    // A new region replaces (and frees) the old one; none removes the shape.
    HRGN second = CreateRectRgn(fx, top, fx + 10, top + 10);
    ASSERT_NE(SetWindowRgn(form->Handle(), second, FALSE), 0);
    RECT box;
    EXPECT_EQ(GetRgnBox(rgn, &box), RGN_ERROR);
    EXPECT_EQ(window->mask(), QRegion(0, 0, 10, 10));
    ASSERT_NE(SetWindowRgn(form->Handle(), nullptr, FALSE), 0);
    EXPECT_EQ(GetRgnBox(second, &box), RGN_ERROR);
    EXPECT_TRUE(window->mask().isEmpty());
    EXPECT_EQ(GetWindowRgn(form->Handle(), copy), ERROR);

    // Without such a window the region stays the caller's.
    EXPECT_EQ(SetWindowRgn(0x7fff0001, copy, TRUE), 0);
    EXPECT_NE(GetRgnBox(copy, &box), RGN_ERROR);
    DeleteObject(copy);

    // The window frees its region when it goes away.
    HRGN last = CreateRectRgn(0, 0, 50, 50);
    ASSERT_NE(SetWindowRgn(form->Handle(), last, TRUE), 0);
    form.reset();
    EXPECT_EQ(GetRgnBox(last, &box), RGN_ERROR);
}

TEST(WindowShape, BorderlessFormIsShapedFromItsCorner) {
    auto form = NewForm(bsNone);
    ASSERT_NE(SetWindowRgn(form->Handle(), CreateRectRgn(5, 6, 25, 16), TRUE), 0);
    EXPECT_EQ(form->Widget()->window()->mask(), QRegion(5, 6, 20, 10));
}

// A windowed control whose window procedure keeps a border.
class TBorderedControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void CreateParams(TCreateParams& Params) override {
        TCustomControl::CreateParams(Params);
        Params.Style |= WS_BORDER;
    }
};

// A bordered control of 100 x 60 at (10, 10) on the form.
TBorderedControl* BorderedOn(TForm* form) {
    auto* control = new TBorderedControl(form);
    control->SetParent(form);
    control->SetBounds(10, 10, 100, 60);
    control->HandleNeeded();
    return control;
}

TEST(WindowShape, ControlWithAFrameIsShapedFromItsWindowsCorner) {
    auto form = NewForm(bsNone);
    auto* control = BorderedOn(form.get());
    QWidget* client = control->Widget();
    QWidget* frame = client->parentWidget();
    ASSERT_NE(frame, form->Widget()) << "the control has no frame of its own";
    ASSERT_NE(SetWindowRgn(control->Handle(), CreateRectRgn(0, 0, 50, 30), TRUE), 0);
    // The border and the client go together: the mouse outside the region reaches the form.
    EXPECT_EQ(frame->mask(), QRegion(0, 0, 50, 30));
    EXPECT_TRUE(client->mask().isEmpty());
    EXPECT_EQ(form->Widget()->childAt(QPoint(10 + 20, 10 + 10)), client);
    EXPECT_EQ(form->Widget()->childAt(QPoint(10 + 80, 10 + 50)), nullptr);
    EXPECT_EQ(form->Widget()->childAt(QPoint(10 + 99, 10 + 59)), nullptr) << "the border outside the region";
}

TEST(WindowShape, RegionKeepsItsWindowCoordinatesWhenTheBorderChanges) {
    auto form = NewForm(bsSingle);
    const int fx = (form->Width() - form->ClientWidth()) / 2;
    const int top = form->Height() - form->ClientHeight() - fx;
    ASSERT_NE(SetWindowRgn(form->Handle(), CreateRectRgn(fx, top, fx + 40, top + 30), TRUE), 0);
    EXPECT_EQ(form->Widget()->window()->mask(), QRegion(0, 0, 40, 30));
    // Without border and caption the window starts at the client's corner.
    form->SetBorderStyle(bsNone);
    EXPECT_EQ(form->Widget()->window()->mask(), QRegion(fx, top, 40, 30));
    form->SetBorderStyle(bsSingle);
    EXPECT_EQ(form->Widget()->window()->mask(), QRegion(0, 0, 40, 30));
}

TEST(WindowShape, RegionWithNothingInsideLeavesNothingOfTheWindow) {
    auto form = NewForm(bsNone);
    auto* control = BorderedOn(form.get());
    const QPoint inside(10 + 20, 10 + 20);
    ASSERT_NE(form->Widget()->childAt(inside), nullptr);
    for (HRGN rgn : {CreateRectRgn(0, 0, 0, 0), CreateRectRgn(-30, -30, -10, -10)}) {
        ASSERT_NE(SetWindowRgn(control->Handle(), rgn, TRUE), 0);
        EXPECT_EQ(form->Widget()->childAt(inside), nullptr);
    }
    ASSERT_NE(SetWindowRgn(control->Handle(), nullptr, TRUE), 0);
    EXPECT_NE(form->Widget()->childAt(inside), nullptr);
    // A form the same way.
    ASSERT_NE(SetWindowRgn(form->Handle(), CreateRectRgn(0, 0, 0, 0), TRUE), 0);
    QWidget* window = form->Widget()->window();
    EXPECT_FALSE(window->mask().isEmpty()) << "an empty mask would leave the window whole";
    EXPECT_TRUE(window->mask().intersected(window->rect()).isEmpty());
}

TEST(WindowShape, CaptionAnsweredInTheClientAreaDragsTheForm) {
    auto form = NewForm(bsNone);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(200, 150, 60, 25);
    form->Show();
    Pump();
    TFrameHook hook(form.get());
    hook.HitTest = HTCAPTION;
    QWidget* client = form->Widget();

    // Pressed on the background, the form follows the mouse and the client messages stay away.
    const int left = form->Left(), top = form->Top();
    SendMouse(client, QEvent::MouseButtonPress, QPoint(10, 10));
    SendMouse(client, QEvent::MouseMove, QPoint(40, 30));
    SendMouse(client, QEvent::MouseButtonRelease, QPoint(40, 30));
    Pump();
    EXPECT_EQ(form->Left(), left + 30);
    EXPECT_EQ(form->Top(), top + 20);
    EXPECT_EQ(hook.Seen, (std::vector<std::string>{"hittest", "capturechanged"}));

    // A child window takes its own presses: the form is neither asked nor moved.
    hook.Seen.clear();
    QWidget* child = button->Widget();
    SendMouse(child, QEvent::MouseButtonPress, QPoint(5, 5));
    SendMouse(child, QEvent::MouseMove, QPoint(25, 15));
    SendMouse(child, QEvent::MouseButtonRelease, QPoint(25, 15));
    Pump();
    EXPECT_EQ(form->Left(), left + 30);
    EXPECT_TRUE(hook.Seen.empty());

    // The right button in the frame: down, up, the end of the capture, then the context menu.
    SendMouse(client, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton);
    SendMouse(client, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::RightButton);
    EXPECT_EQ(hook.Seen,
              (std::vector<std::string>{"hittest", "ncrdown 2", "ncrup 2", "capturechanged", "contextmenu"}));

    // Answered as client area, presses are the client's as ever.
    hook.Seen.clear();
    hook.HitTest = HTCLIENT;
    ClickAt(client, QPoint(10, 10));
    EXPECT_EQ(hook.Seen, (std::vector<std::string>{"hittest", "ldown", "lup"}));
    EXPECT_EQ(form->Left(), left + 30);
}

TEST(WindowShape, ShowingHidingAndNewStylesTellTheForm) {
    auto form = NewForm(bsSingle);
    TFrameHook hook(form.get());
    form->Show();
    form->Hide();
    EXPECT_EQ(hook.Seen, (std::vector<std::string>{"showwindow 1", "showwindow 0"}));

    hook.Seen.clear();
    const DWORD style = static_cast<DWORD>(GetWindowLong(form->Handle(), GWL_STYLE));
    form->SetBorderStyle(bsDialog);
    const DWORD dialog = static_cast<DWORD>(GetWindowLong(form->Handle(), GWL_STYLE));
    EXPECT_NE(style, dialog);
    EXPECT_EQ(hook.Seen, (std::vector<std::string>{
                             "stylechanged -16 " + std::to_string(style) + " " + std::to_string(dialog),
                             "stylechanged -20 0 " + std::to_string(WS_EX_DLGMODALFRAME)}));
    // Properties that leave the styles as they are say nothing.
    hook.Seen.clear();
    form->SetBorderStyle(bsDialog);
    form->SetFormStyle(fsStayOnTop);
    EXPECT_TRUE(hook.Seen.empty());
}

} // namespace
