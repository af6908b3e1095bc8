// The non-client area of windowed controls: the client rectangle that WM_NCCALCSIZE answers, the
// frame painted on WM_NCPAINT through the window DC, and the scroll box that scrolls its children
// with the window's scroll bars.
#include "platform/gdi/Draw.h"
#include "platform/gdi/System.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/ScrollBox.h"
#include "support/UiTest.h"

#include <QImage>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A control whose window procedure keeps a frame of Near pixels at left and top and Far at right
// and bottom besides its styles' frame, and paints it green on WM_NCPAINT.
class TFramedControl : public TCustomControl {
public:
    TFramedControl(TComponent* owner, DWORD style, DWORD exStyle, int nearSide, int farSide)
        : TCustomControl(owner), NearSide(nearSide), FarSide(farSide), style_(style), exStyle_(exStyle) {}
    int NearSide;
    int FarSide;
    std::vector<WORD> Scrolls;
    int NcPaints = 0;

protected:
    void CreateParams(TCreateParams& Params) override {
        TCustomControl::CreateParams(Params);
        Params.Style |= style_;
        Params.ExStyle |= exStyle_;
    }
    void Paint() override {
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(ClientRect());
    }
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_HSCROLL || Message.Msg == WM_VSCROLL)
            Scrolls.push_back(static_cast<WORD>(Message.WParam & 0xFFFF));
        TCustomControl::Dispatch(Message);
        if (Message.Msg == WM_NCCALCSIZE) {
            auto* r = reinterpret_cast<RECT*>(Message.LParam);
            r->left += NearSide;
            r->top += NearSide;
            r->right -= FarSide;
            r->bottom -= FarSide;
        } else if (Message.Msg == WM_NCPAINT && NearSide > 0) {
            ++NcPaints;
            HDC dc = GetWindowDC(Handle());
            HBRUSH green = CreateSolidBrush(RGB(0, 0xFF, 0));
            // Window coordinates: the band just inside the styles' frame.
            const RECT band{0, 0, Width(), Height()};
            FillRect(dc, &band, green);
            DeleteObject(green);
            ReleaseDC(Handle(), dc);
        }
    }

private:
    DWORD style_;
    DWORD exStyle_;
};

struct NonClient : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TFramedControl* Make(DWORD style, DWORD exStyle, int nearSide = 0, int farSide = 0) {
        auto* c = new TFramedControl(form.get(), style, exStyle, nearSide, farSide);
        c->SetParent(form.get());
        c->SetBounds(10, 20, 100, 60);
        c->HandleNeeded();
        return c;
    }
    void SetUp() override {
        form->SetClientSize(300, 200);
        form->Show();
    }
};

// The whole window as shown: frame, scroll bars and client.
QImage Shot(TWinControl* c) {
    c->Update();
    return c->Widget()->parentWidget()->grab().toImage();
}

// A COLORREF as Qt's 0xRRGGBB.
unsigned Bgr(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

unsigned Rgb(const QImage& image, int x, int y) {
    return image.pixelColor(x, y).rgb() & 0xFFFFFF;
}

TEST_F(NonClient, TheWindowProcedureDecidesTheClientRectangle) {
    const struct {
        DWORD style, exStyle;
        int nearSide, farSide;
        TRect client;
        TPoint offset;
    } cases[] = {
        {WS_BORDER, 0, 0, 0, Rect(0, 0, 98, 58), TPoint(1, 1)},
        {0, WS_EX_CLIENTEDGE, 0, 0, Rect(0, 0, 96, 56), TPoint(2, 2)},
        {0, 0, 3, 5, Rect(0, 0, 92, 52), TPoint(3, 3)},
        {0, WS_EX_CLIENTEDGE, 3, 1, Rect(0, 0, 92, 52), TPoint(5, 5)},
    };
    for (const auto& k : cases) {
        TFramedControl* c = Make(k.style, k.exStyle, k.nearSide, k.farSide);
        EXPECT_EQ(c->ClientRect(), k.client) << k.style << " " << k.exStyle << " " << k.nearSide;
        const TPoint origin = form->ClientOrigin();
        EXPECT_EQ(c->ClientOrigin(), TPoint(origin.X + 10 + k.offset.X, origin.Y + 20 + k.offset.Y));
        EXPECT_EQ(c->Widget()->geometry(),
                  QRect(k.offset.X, k.offset.Y, k.client.Width(), k.client.Height()));
        // A child sits in the client area; an aligned one fills it.
        auto* child = new TFramedControl(form.get(), 0, 0, 0, 0);
        child->SetParent(c);
        child->SetAlign(alClient);
        EXPECT_EQ(child->BoundsRect(), k.client);
        // Resizing asks again.
        c->SetBounds(10, 20, 120, 70);
        EXPECT_EQ(c->ClientWidth(), k.client.Width() + 20);
        EXPECT_EQ(child->Width(), k.client.Width() + 20);
        delete c;
    }
}

TEST_F(NonClient, AFrameAskedForLaterMakesTheWindowAnew) {
    // Nothing to keep at first, so no frame; a size the procedure frames makes one.
    TFramedControl* c = Make(0, 0, 0, 0);
    EXPECT_EQ(c->ClientRect(), Rect(0, 0, 100, 60));
    EXPECT_EQ(c->Widget()->parentWidget(), form->Widget());
    c->NearSide = 2;
    c->SetBounds(10, 20, 110, 60);
    EXPECT_EQ(c->ClientRect(), Rect(0, 0, 108, 58));
    EXPECT_NE(c->Widget()->parentWidget(), form->Widget());
    EXPECT_EQ(c->Widget()->geometry(), QRect(2, 2, 108, 58));
}

TEST_F(NonClient, TheFrameIsPaintedOnTheWindowDCAroundTheClient) {
    TFramedControl* edged = Make(0, WS_EX_CLIENTEDGE);
    QImage shot = Shot(edged);
    ASSERT_EQ(shot.width(), 100);
    // The sunken edge: shadow and dark shadow at left and top, highlight and light at right and
    // bottom.
    auto sys = [](int index) { return Bgr(GetSysColor(index)); };
    EXPECT_EQ(Rgb(shot, 0, 30), sys(COLOR_BTNSHADOW));
    EXPECT_EQ(Rgb(shot, 50, 1), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(Rgb(shot, 99, 30), sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Rgb(shot, 50, 58), sys(COLOR_3DLIGHT));
    EXPECT_EQ(Rgb(shot, 50, 30), 0xFFFFFFu); // the client's own pixels

    TFramedControl* bordered = Make(WS_BORDER, 0);
    shot = Shot(bordered);
    EXPECT_EQ(Rgb(shot, 0, 0), 0x000000u);
    EXPECT_EQ(Rgb(shot, 99, 59), 0x000000u);
    EXPECT_EQ(Rgb(shot, 1, 1), 0xFFFFFFu);

    // The procedure's own band, inside the border, in window coordinates; the client is left out.
    TFramedControl* banded = Make(WS_BORDER, 0, 4, 4);
    shot = Shot(banded);
    EXPECT_GE(banded->NcPaints, 1);
    EXPECT_EQ(Rgb(shot, 2, 30), 0x00FF00u);
    EXPECT_EQ(Rgb(shot, 96, 30), 0x00FF00u);
    EXPECT_EQ(Rgb(shot, 5, 30), 0xFFFFFFu);
    // The same frame in a headless render of the form.
    TBitmap whole;
    whole.SetSize(300, 200);
    form->PaintTo(whole.Canvas()->Handle(), 0, 0);
    EXPECT_EQ(whole.Canvas()->Pixels(10 + 2, 20 + 30), static_cast<TColor>(RGB(0, 0xFF, 0)));
    EXPECT_EQ(whole.Canvas()->Pixels(10 + 5, 20 + 30), static_cast<TColor>(RGB(0xFF, 0xFF, 0xFF)));
}

TEST_F(NonClient, ScrollBarsLieAlongTheClientInsideTheProcedureFrame) {
    TFramedControl* c = Make(WS_VSCROLL | WS_HSCROLL, 0, 3, 3);
    const int vs = GetSystemMetrics(SM_CXVSCROLL), hs = GetSystemMetrics(SM_CYHSCROLL);
    EXPECT_EQ(c->ClientRect(), Rect(0, 0, 94 - vs, 54 - hs));
    QScrollBar* v = nullptr;
    for (QScrollBar* bar : c->Widget()->parentWidget()->findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Vertical) v = bar;
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->geometry(), QRect(3 + 94 - vs, 3, vs, 54 - hs));
}

TEST_F(NonClient, AClickOnAnArrowEndsWithEndScroll) {
    TFramedControl* c = Make(WS_VSCROLL, 0);
    SetScrollRange(c->Handle(), SB_VERT, 0, 100, TRUE);
    QScrollBar* bar = c->Widget()->parentWidget()->findChild<QScrollBar*>();
    for (QScrollBar* b : c->Widget()->parentWidget()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) bar = b;
    ASSERT_NE(bar, nullptr);
    const QPoint downArrow(bar->width() / 2, bar->height() - 3);
    SendMouse(bar, QEvent::MouseButtonPress, downArrow);
    SendMouse(bar, QEvent::MouseButtonRelease, downArrow);
    ASSERT_FALSE(c->Scrolls.empty());
    EXPECT_EQ(c->Scrolls.front(), SB_LINEDOWN);
    EXPECT_EQ(c->Scrolls.back(), SB_ENDSCROLL);
    EXPECT_EQ(std::count(c->Scrolls.begin(), c->Scrolls.end(), SB_ENDSCROLL), 1);
}

// --- TScrollBox -------------------------------------------------------------------------------------

struct ScrollBoxTest : NonClient {
    TScrollBox* box = nullptr;
    TFramedControl* child = nullptr;
    void SetUp() override {
        NonClient::SetUp();
        box = new TScrollBox(form.get());
        box->SetParent(form.get());
        box->SetBounds(0, 0, 150, 100);
        child = new TFramedControl(form.get(), 0, 0, 0, 0);
        child->SetParent(box);
        child->SetBounds(10, 20, 200, 300);
        box->HandleNeeded();
    }
};

TEST_F(ScrollBoxTest, TheRangeFollowsTheChildrenAndTheBarsShowWhereTheyDoNotFit) {
    EXPECT_EQ(box->WindowParams().ExStyle & WS_EX_CLIENTEDGE, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(box->HorzScrollBar()->Range(), 210);
    EXPECT_EQ(box->VertScrollBar()->Range(), 320);
    EXPECT_TRUE(box->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
    const int vs = GetSystemMetrics(SM_CXVSCROLL), hs = GetSystemMetrics(SM_CYHSCROLL);
    EXPECT_EQ(box->ClientRect(), Rect(0, 0, 146 - vs, 96 - hs));
    int lo = 0, hi = 0;
    GetScrollRange(box->Handle(), SB_VERT, &lo, &hi);
    EXPECT_EQ(hi, 319);
    // A child that fits takes the bars away.
    child->SetBounds(0, 0, 50, 50);
    EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->ClientRect(), Rect(0, 0, 146, 96));
}

// A child window's hit test: the client area, the size box between the two bars, nowhere outside.
TEST_F(ScrollBoxTest, TheHitTestFindsTheSizeBoxAndNothingOutside) {
    const int w = box->ClientWidth(), h = box->ClientHeight();
    const struct {
        const char* what;
        TPoint at; // client coordinates
        LRESULT hit;
    } cases[] = {
        {"the client area", TPoint(w / 2, h / 2), HTCLIENT},
        {"the size box", TPoint(w + 1, h + 1), HTGROWBOX},
        {"left of the window", TPoint(-5, h / 2), HTNOWHERE},
        {"below the window", TPoint(w / 2, 200), HTNOWHERE},
    };
    for (const auto& c : cases) {
        const TPoint p = box->ClientToScreen(c.at);
        EXPECT_EQ(box->Perform(WM_NCHITTEST, 0, MakeMouseLParam(p.X, p.Y)), c.hit) << c.what;
    }
    // Without both bars there is no size box.
    child->SetBounds(0, 0, 50, 50);
    const TPoint corner = box->ClientToScreen(TPoint(box->ClientWidth() - 1, box->ClientHeight() - 1));
    EXPECT_EQ(box->Perform(WM_NCHITTEST, 0, MakeMouseLParam(corner.X, corner.Y)), HTCLIENT);
}

TEST_F(ScrollBoxTest, ScrollingMovesTheChildren) {
    box->VertScrollBar()->SetPosition(30);
    EXPECT_EQ(child->Top(), -10);
    EXPECT_EQ(GetScrollPos(box->Handle(), SB_VERT), 30);
    box->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(box->VertScrollBar()->Position(), 38);
    EXPECT_EQ(child->Top(), -18);
    box->Perform(WM_VSCROLL, SB_THUMBPOSITION | (5 << 16), 0);
    EXPECT_EQ(child->Top(), 15);
    box->Perform(WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(box->HorzScrollBar()->Position(), 210 - box->ClientWidth());
    EXPECT_EQ(child->Left(), 10 - box->HorzScrollBar()->Position());
    // Past the end the position stops at the last page.
    box->VertScrollBar()->SetPosition(10000);
    EXPECT_EQ(box->VertScrollBar()->Position(), 320 - box->ClientHeight());
    // The range counts the contents from their unscrolled origin.
    EXPECT_EQ(box->VertScrollBar()->Range(), 320);
}

} // namespace
