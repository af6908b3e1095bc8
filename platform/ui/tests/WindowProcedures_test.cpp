// Window procedures of controls and forms: every message the platform makes for a window (input,
// sizes, painting, its destruction) goes through the procedure GWL_WNDPROC holds, and the previous
// one reached with CallWindowProc is the control's own handling; an MDI frame form's client window.
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"
#include "support/UiTest.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Subclasses a window for its lifetime and notes every message, passing each on.
class TSubclass {
public:
    explicit TSubclass(HWND wnd) : wnd_(wnd) {
        instance_ = MakeObjectInstance([this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            seen.push_back(m);
            if (m == Swallow) return 0;
            return CallWindowProc(previous_, h, m, w, l);
        });
        previous_ = reinterpret_cast<void*>(
            SetWindowLongPtr(wnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(instance_)));
    }
    ~TSubclass() {
        SetWindowLongPtr(wnd_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        FreeObjectInstance(instance_);
    }
    TSubclass(const TSubclass&) = delete;
    TSubclass& operator=(const TSubclass&) = delete;
    int Count(UINT msg) const { return static_cast<int>(std::count(seen.begin(), seen.end(), msg)); }
    void* Previous() const { return previous_; }

    std::vector<UINT> seen;
    UINT Swallow = WM_NULL;

private:
    HWND wnd_;
    void* instance_ = nullptr;
    void* previous_ = nullptr;
};

struct WindowProcedures : ::testing::Test {
    TSeamRecorder seam;
};

TEST_F(WindowProcedures, InputSizesAndPaintingGoThroughTheReplacedProcedure) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetClientSize(120, 80);
    form->SetColor(clRed);
    form->Show();
    TEventLog log;
    form->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    const HWND wnd = form->Handle();
    void* own = reinterpret_cast<void*>(GetWindowLongPtr(wnd, GWL_WNDPROC));
    ASSERT_NE(own, nullptr);
    // The procedure is a full pointer; the 32-bit call cannot hold it.
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(own), std::uintptr_t{0xFFFFFFFF});
    EXPECT_EQ(GetWindowLong(wnd, GWL_WNDPROC), 0);

    TSubclass sub(wnd);
    EXPECT_EQ(sub.Previous(), own);
    ClickAt(form->Widget(), QPoint(5, 5));
    EXPECT_EQ(sub.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(sub.Count(WM_LBUTTONUP), 1);
    EXPECT_EQ(log.Events.size(), 1u); // the form's own handling still clicked

    form->SetClientSize(130, 90);
    EXPECT_GE(sub.Count(WM_SIZE), 1);
    form->Invalidate();
    Pump();
    EXPECT_GE(sub.Count(WM_PAINT), 1);
    EXPECT_EQ(SurfacePixel(form.get(), 60, 40), RGB(255, 0, 0));

    // Kept from the form's own handling, a click does nothing.
    sub.Swallow = WM_LBUTTONUP;
    ClickAt(form->Widget(), QPoint(5, 5));
    EXPECT_EQ(log.Events.size(), 1u);
}

TEST_F(WindowProcedures, DestroyingAWindowSendsWmDestroyThroughItsProcedure) {
    auto form = std::make_unique<TForm>(nullptr);
    const HWND wnd = form->Handle();
    TSubclass sub(wnd);
    struct OwnLog {
        TWindowProcMethod previous;
        int destroys = 0;
        void Proc(TMessage& m) {
            if (m.Msg == WM_DESTROY) ++destroys;
            previous(m);
        }
    } own{form->WindowProc};
    form->WindowProc = TWindowProcMethod::Bind<&OwnLog::Proc>(&own);
    form->RecreateWnd();
    EXPECT_EQ(sub.Count(WM_DESTROY), 1);
    EXPECT_EQ(own.destroys, 1);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_NE(form->Handle(), wnd);
    // A message for the window that is gone reaches nobody.
    EXPECT_EQ(SendMessage(wnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(sub.Count(WM_USER), 0);
    form->WindowProc = own.previous;
}

TEST_F(WindowProcedures, AnMdiFrameFormHasAClientWindowWithItsOwnProcedure) {
    auto form = std::make_unique<TForm>(nullptr);
    EXPECT_EQ(form->ClientHandle(), 0u);
    form->SetFormStyle(fsMDIForm);
    EXPECT_EQ(form->ClientHandle(), 0u); // made with the form's window
    const HWND frame = form->Handle();
    const HWND client = form->ClientHandle();
    ASSERT_NE(client, 0u);
    EXPECT_NE(client, frame);
    EXPECT_NE(GetWindowLongPtr(client, GWL_WNDPROC), GetWindowLongPtr(frame, GWL_WNDPROC));
    {
        TSubclass sub(client);
        EXPECT_EQ(SendMessage(client, WM_USER, 0, 0), 0);
        EXPECT_EQ(sub.Count(WM_USER), 1);
        form->SetFormStyle(fsNormal);
        EXPECT_EQ(sub.Count(WM_DESTROY), 1);
        EXPECT_EQ(form->ClientHandle(), 0u);
        EXPECT_FALSE(IsWindow(client));
    }
    form->SetFormStyle(fsMDIForm);
    const HWND again = form->ClientHandle();
    ASSERT_NE(again, 0u);
    EXPECT_NE(again, client);
    TSubclass sub(again);
    form.reset();
    EXPECT_EQ(sub.Count(WM_DESTROY), 1);
    EXPECT_FALSE(IsWindow(again));
    EXPECT_EQ(TForm(nullptr).FormStyle(), fsNormal);
}

TEST_F(WindowProcedures, AnExceptionFromAMethodsProcedureGoesToTheApplication) {
    auto form = std::make_unique<TForm>(nullptr);
    const HWND wnd = form->Handle();
    struct Thrower {
        void Proc(TMessage&) { throw Exception("from the procedure"); }
    } thrower;
    void* instance = MakeObjectInstance(TWindowProcMethod::Bind<&Thrower::Proc>(&thrower));
    void* previous =
        reinterpret_cast<void*>(SetWindowLongPtr(wnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(instance)));
    EXPECT_EQ(SendMessage(wnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(seam.BoxTexts(), std::vector<std::string>{"from the procedure."});
    SetWindowLongPtr(wnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    FreeObjectInstance(instance);
    // Setting what a window does not keep, or a value that is no procedure, changes nothing.
    constexpr int kUserData = -21;
    EXPECT_EQ(SetWindowLongPtr(wnd, kUserData, 0), 0);
    EXPECT_EQ(SetWindowLongPtr(wnd, GWL_WNDPROC, 12345), 0);
    EXPECT_EQ(reinterpret_cast<void*>(GetWindowLongPtr(wnd, GWL_WNDPROC)), previous);
}

} // namespace
