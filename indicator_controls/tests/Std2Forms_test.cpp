// Window size limits (their order, the task-bar arithmetic, the form kept within them and the
// size-limit query answered) and the canvas lent on a control's window.
#include "indicator_controls/Std2.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

bool operator==(const TvMinMaxSizes& a, const TvMinMaxSizes& b) {
    return a.MinDragWidth == b.MinDragWidth && a.MinDragHeight == b.MinDragHeight && a.MaxWidth == b.MaxWidth &&
           a.MaxHeight == b.MaxHeight && a.MaxDragWidth == b.MaxDragWidth && a.MaxDragHeight == b.MaxDragHeight &&
           a.MaxLeft == b.MaxLeft && a.MaxTop == b.MaxTop;
}

std::string Show(const TvMinMaxSizes& s) {
    return std::to_string(s.MinDragWidth) + "," + std::to_string(s.MinDragHeight) + " max " +
           std::to_string(s.MaxWidth) + "x" + std::to_string(s.MaxHeight) + " drag " + std::to_string(s.MaxDragWidth) +
           "x" + std::to_string(s.MaxDragHeight) + " at " + std::to_string(s.MaxLeft) + "," + std::to_string(s.MaxTop);
}

} // namespace

TEST(TvMinMax, EachMaximumIsRaisedToTheOneBelowIt) {
    struct Case {
        TvMinMaxSizes in, out;
    } cases[] = {
        {{0, 0, 600, 400, 600, 400, 0, 0}, {0, 0, 600, 400, 600, 400, 0, 0}},
        {{700, 500, 600, 400, 600, 400, 0, 0}, {700, 500, 700, 500, 700, 500, 0, 0}},
        {{100, 100, 600, 400, 300, 200, 5, 6}, {100, 100, 600, 400, 600, 400, 5, 6}},
        {{900, 0, 600, 400, 800, 900, 0, 0}, {900, 0, 900, 400, 900, 900, 0, 0}},
    };
    for (auto& c : cases) {
        TvMinMaxSizes s = c.in;
        NormaliseMinMax(s);
        EXPECT_TRUE(s == c.out) << Show(c.in) << " gave " << Show(s);
    }
}

TEST(TvMinMax, TaskBarOnEachSide) {
    // Bars as a 1280 x 1024 screen has them, two pixels beyond its edges, and as plain strips.
    const TvMinMaxSizes start{10, 20, 600, 400, 700, 500, 3, 4};
    struct Case {
        RECT bar;
        TvMinMaxSizes out;
    } cases[] = {
        {{-2, 996, 1282, 1026}, {10, 20, 600, 400, 1280, 996, 0, 0}},  // bottom
        {{0, 996, 1280, 1024}, {10, 20, 600, 400, 1280, 998, 0, 0}},   // bottom, a strip
        {{1198, -2, 1282, 1026}, {10, 20, 600, 400, 1198, 1024, 0, 0}}, // right
        {{1200, 0, 1280, 1024}, {10, 20, 600, 400, 1202, 1024, 0, 0}},  // right, a strip
        {{-2, -2, 82, 1026}, {10, 20, 600, 400, 1199, 1024, 82, 0}},   // left
        {{0, 0, 80, 1024}, {10, 20, 600, 400, 1201, 1024, 80, 0}},      // left, a strip
        {{-2, -2, 1282, 30}, {10, 20, 600, 400, 1280, 995, 0, 30}},     // top
        {{0, 0, 1280, 28}, {10, 20, 600, 400, 1280, 997, 0, 28}},       // top, a strip
    };
    for (auto& c : cases) {
        TvMinMaxSizes s = start;
        FitToTaskBar(s, 1280, 1024, c.bar);
        EXPECT_TRUE(s == c.out) << c.bar.left << "," << c.bar.top << "," << c.bar.right << "," << c.bar.bottom
                                << " gave " << Show(s);
    }
}

TEST(TvMinMax, KeepsItsFormWithinTheLimits) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(10, 10, 900, 50);
    auto* limits = new TvMinMax(form.get());
    EXPECT_EQ(form->Width(), 600) << "the default largest tracking size applies at once";
    EXPECT_EQ(form->Height(), 50);
    limits->SetMinDragHeight(120);
    EXPECT_EQ(form->Height(), 120);
    limits->SetMaxWidth(100);
    limits->SetMinDragWidth(300);
    EXPECT_EQ(limits->MaxWidth(), 300) << "raised to the smallest width";
    EXPECT_EQ(limits->MaxDragWidth(), 600);
    EXPECT_EQ(form->Width(), 600);

    limits->SetUseDefaultSize(true);
    limits->SetMaxDragWidth(200);
    EXPECT_EQ(form->Width(), 600) << "with the system's sizes the form is left alone";
    limits->SetUseDefaultSize(false);
    EXPECT_EQ(form->Width(), 300);
}

TEST(TvMinMax, AnswersTheSizeLimitQuery) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(10, 10, 400, 300);
    auto* limits = new TvMinMax(form.get());
    form->BeginLoading();
    form->EndLoading();
    limits->SetMinDragWidth(100);
    limits->SetMinDragHeight(80);
    limits->SetMaxLeft(7);
    limits->SetMaxTop(9);

    MINMAXINFO info{};
    info.ptMaxSize = POINT{1280, 1024};
    SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 100);
    EXPECT_EQ(info.ptMinTrackSize.y, 80);
    EXPECT_EQ(info.ptMaxSize.x, 600);
    EXPECT_EQ(info.ptMaxSize.y, 400);
    EXPECT_EQ(info.ptMaxTrackSize.x, 600);
    EXPECT_EQ(info.ptMaxTrackSize.y, 400);
    EXPECT_EQ(info.ptMaxPosition.x, 7);
    EXPECT_EQ(info.ptMaxPosition.y, 9);

    // The system's proposal becomes the limits; the event still sees them and has the last word.
    limits->SetUseDefaultSize(true);
    struct Asker {
        int seenMaxWidth = 0;
        void Ask(TObject*, int&, int&, int& maxWidth, int&, int&, int& maxDragHeight, int&, int&) {
            seenMaxWidth = maxWidth;
            maxDragHeight = 777;
        }
    } asker;
    limits->OnSizeChange = TAskSize::Bind<&Asker::Ask>(&asker);
    info = MINMAXINFO{};
    info.ptMaxSize = POINT{1000, 700};
    info.ptMaxPosition = POINT{-4, -4};
    info.ptMinTrackSize = POINT{112, 27};
    info.ptMaxTrackSize = POINT{1010, 710};
    SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(asker.seenMaxWidth, 1000);
    EXPECT_EQ(limits->MinDragWidth(), 112);
    EXPECT_EQ(limits->MaxDragHeight(), 710) << "the event changes the answer, not the properties";
    EXPECT_EQ(info.ptMaxTrackSize.y, 777);
    EXPECT_EQ(info.ptMaxPosition.x, -4);
    EXPECT_EQ(info.ptMinTrackSize.y, 27);

    delete limits;
    info = MINMAXINFO{};
    SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxTrackSize.y, 0) << "unhooked with the component";
}

TEST(TvMinMax, TheFormKeepsToItThroughTheWindowsSizeLimitQuery) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(10, 10, 400, 300);
    auto* limits = new TvMinMax(form.get());
    form->BeginLoading();
    form->EndLoading();
    limits->SetMinDragWidth(200);
    limits->SetMinDragHeight(150);
    form->Show();
    // The form asks its window before every new size; the component's hook answers.
    form->SetBounds(10, 10, 900, 700);
    EXPECT_EQ(form->Width(), 600);
    EXPECT_EQ(form->Height(), 400);
    form->SetClientSize(20, 20);
    EXPECT_EQ(form->Width(), 200);
    EXPECT_EQ(form->Height(), 150);
    // The event has the last word.
    struct Narrow {
        void Ask(TObject*, int&, int&, int&, int&, int& maxDragWidth, int&, int&, int&) {
            maxDragWidth = 500;
        }
    } narrow;
    limits->OnSizeChange = TAskSize::Bind<&Narrow::Ask>(&narrow);
    form->SetWidth(900);
    EXPECT_EQ(form->Width(), 500);
    // Gone with the component: the program's sizes hold again.
    delete limits;
    form->SetBounds(10, 10, 900, 700);
    EXPECT_EQ(form->Width(), 900);
    EXPECT_EQ(form->Height(), 700);
}

TEST(TvMinMax, ShowOnStatusBarGivesTheFormItsOwnTaskBarButton) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBorderStyle(bsToolWindow);
    auto* limits = new TvMinMax(form.get());
    auto exStyle = [&] { return static_cast<DWORD>(GetWindowLong(form->Handle(), GWL_EXSTYLE)); };
    // Read with the form, the setting takes effect when the form is loaded.
    form->BeginLoading();
    limits->SetShowOnStatusBar(true);
    EXPECT_FALSE(form->HandleAllocated());
    form->EndLoading();
    EXPECT_EQ(exStyle(), WS_EX_TOOLWINDOW | WS_EX_APPWINDOW);
    limits->SetShowOnStatusBar(false);
    EXPECT_EQ(exStyle(), WS_EX_TOOLWINDOW) << "the rest of the style stays";
    limits->SetShowOnStatusBar(false);
    EXPECT_EQ(exStyle(), WS_EX_TOOLWINDOW);
    limits->SetShowOnStatusBar(true);
    EXPECT_EQ(exStyle(), WS_EX_TOOLWINDOW | WS_EX_APPWINDOW);

    // Without a form there is nothing to change.
    TComponent owner(nullptr);
    auto* alone = new TvMinMax(&owner);
    alone->SetShowOnStatusBar(true);
    EXPECT_TRUE(alone->ShowOnStatusBar());
}

TEST(TvCompCanvas, LendsACanvasOnTheControlsWindow) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(0, 0, 200, 100);
    TvCompCanvas canvas(nullptr);
    auto Message = [](auto&& f) {
        try {
            f();
        } catch (const EvCompCanvasException& e) {
            return e.Message;
        }
        return std::string("nothing raised");
    };
    EXPECT_EQ(Message([&] { canvas.EndPaint(); }), "We are not drawing");
    EXPECT_EQ(Message([&] { canvas.StartPaint(); }), "No component to draw on");

    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 50, 40);
    canvas.SetControlComponent(panel);
    canvas.StartPaint();
    EXPECT_EQ(Message([&] { canvas.StartPaint(); }), "We are allready drawing");
    canvas.Canvas()->SetPixels(3, 4, clRed);
    EXPECT_EQ(canvas.Canvas()->Pixels(3, 4), clRed);
    canvas.EndPaint();
    EXPECT_FALSE(canvas.Canvas()->HandleAllocated());

    // Removing the control ends the drawing quietly.
    canvas.StartPaint();
    delete panel;
    EXPECT_FALSE(canvas.Drawing());
    EXPECT_EQ(canvas.ControlComponent(), nullptr);
    EXPECT_EQ(Message([&] { canvas.EndPaint(); }), "We are not drawing");
}
