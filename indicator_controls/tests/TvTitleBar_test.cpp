// The title-bar switch: the style arithmetic of each border style with the form's height, the
// form's window procedure answering its client area as the caption while the caption is hidden,
// and the procedure put back when the switch goes.
#include "indicator_controls/MystdTitleBar.h"

#include "platform/gdi/System.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

DWORD Style(TCustomForm* form) {
    return static_cast<DWORD>(GetWindowLong(form->Handle(), GWL_STYLE)) & ~WS_VISIBLE;
}

struct TChanges {
    int Count = 0;
    void Changed(TObject*) { ++Count; }
};

// A form of the border style with its switch, built as a form's constructor does.
struct TTitleForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TvTitleBar* Bar;
    TChanges Changes;
    TTitleForm(TFormBorderStyle border, bool titleOnShow = true) {
        Bar = new TvTitleBar(Form.get());
        Form->BeginLoading();
        Form->SetBorderStyle(border);
        Form->SetBounds(50, 40, 300, 200);
        Bar->TitleBarOnFormShow = titleOnShow;
        Bar->OnChange = TNotifyEvent::Bind<&TChanges::Changed>(&Changes);
        Form->EndLoading();
    }
    LRESULT HitTest(int x, int y) {
        const TPoint p = Form->ClientToScreen(TPoint(x, y));
        return SendMessage(Form->Handle(), WM_NCHITTEST, 0, MakeMouseLParam(p.X, p.Y));
    }
};

} // namespace

TEST(TvTitleBar, EachBorderStyleHidesAndShowsItsCaption) {
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    struct Case {
        TFormBorderStyle border;
        const char* name;
        DWORD hideClear, hideSet, showSet; // style bits taken away and added
        bool changes;
    } cases[] = {
        {bsSingle, "bsSingle", WS_CAPTION, WS_BORDER, WS_CAPTION, true},
        {bsSizeable, "bsSizeable", WS_CAPTION, WS_BORDER, WS_CAPTION, true},
        {bsDialog, "bsDialog", WS_CAPTION | 0x80, WS_DLGFRAME, WS_CAPTION | 0x80, true},
        {bsToolWindow, "bsToolWindow", 0, 0, 0, false},
        {bsSizeToolWin, "bsSizeToolWin", 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTitleForm t(c.border);
        TForm* form = t.Form.get();
        EXPECT_EQ(t.Changes.Count, 1) << "shown on loading";
        EXPECT_TRUE(t.Bar->IsShowTitleBar());
        const DWORD shown = Style(form);
        const int height = form->Height();
        const TRect client = form->ClientRect();

        t.Bar->SetTitleBar(false);
        const DWORD hidden = (shown & ~c.hideClear) | c.hideSet;
        EXPECT_EQ(Style(form), hidden);
        EXPECT_EQ(t.Bar->IsShowTitleBar(), !c.changes);
        EXPECT_EQ(form->Height(), c.changes ? height - caption : height);
        EXPECT_EQ(form->ClientRect().Width(), client.Width());
        EXPECT_EQ(form->ClientRect().Height(), client.Height());
        EXPECT_EQ(t.Changes.Count, 2);

        // Hiding a hidden caption changes nothing, yet tells of it.
        t.Bar->SetTitleBar(false);
        EXPECT_EQ(Style(form), hidden);
        EXPECT_EQ(form->Height(), c.changes ? height - caption : height);
        EXPECT_EQ(t.Changes.Count, 3);

        t.Bar->SetTitleBar(true);
        EXPECT_EQ(Style(form), hidden | c.showSet);
        EXPECT_TRUE(t.Bar->IsShowTitleBar());
        EXPECT_EQ(form->Height(), height);
        EXPECT_EQ(form->ClientRect().Height(), client.Height());
        EXPECT_EQ(t.Changes.Count, 4);
    }
}

TEST(TvTitleBar, AFormWithoutBorderIsLeftAlone) {
    TTitleForm t(bsNone, false);
    const DWORD style = Style(t.Form.get());
    for (bool show : {false, true}) {
        t.Bar->SetTitleBar(show);
        EXPECT_EQ(Style(t.Form.get()), style);
        EXPECT_EQ(t.Form->Height(), 200);
    }
    EXPECT_EQ(t.Changes.Count, 0);
    EXPECT_FALSE(t.Bar->IsShowTitleBar());
}

TEST(TvTitleBar, WithoutItsCaptionTheFormIsDraggedByItsClientArea) {
    TTitleForm t(bsSizeable, false);
    EXPECT_FALSE(t.Bar->IsShowTitleBar()) << "hidden on loading";
    EXPECT_EQ(t.Form->Height(), 200 - GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(t.HitTest(20, 20), HTCAPTION);
    t.Bar->AllowMoveWhitoutTitle = false;
    EXPECT_EQ(t.HitTest(20, 20), HTCLIENT);
    t.Bar->AllowMoveWhitoutTitle = true;
    t.Bar->SetTitleBar(true);
    EXPECT_EQ(t.HitTest(20, 20), HTCLIENT) << "with its caption the form is moved by that";
    t.Bar->SetTitleBar(false);
    EXPECT_EQ(t.HitTest(20, 20), HTCAPTION);
    // Loading again hooks the window once only.
    const LONG_PTR hooked = GetWindowLongPtr(t.Form->Handle(), GWL_WNDPROC);
    t.Form->BeginLoading();
    t.Form->EndLoading();
    EXPECT_EQ(GetWindowLongPtr(t.Form->Handle(), GWL_WNDPROC), hooked);
    EXPECT_EQ(t.HitTest(20, 20), HTCAPTION);
}

TEST(TvTitleBar, GoingPutsTheFormsProcedureBack) {
    auto form = std::make_unique<TForm>(nullptr);
    const HWND wnd = form->Handle();
    const LONG_PTR own = GetWindowLongPtr(wnd, GWL_WNDPROC);
    auto* bar = new TvTitleBar(form.get());
    bar->TitleBarOnFormShow = false;
    form->BeginLoading();
    form->EndLoading();
    EXPECT_NE(GetWindowLongPtr(wnd, GWL_WNDPROC), own);
    delete bar;
    EXPECT_EQ(GetWindowLongPtr(wnd, GWL_WNDPROC), own);
    EXPECT_EQ(SendMessage(wnd, WM_NCHITTEST, 0, 0), HTCLIENT);

    // A switch the form still owns goes with it.
    bar = new TvTitleBar(form.get());
    form->BeginLoading();
    form->EndLoading();
    form.reset();
}

TEST(TvTitleBar, WithoutAFormItDoesNothing) {
    TComponent owner(nullptr);
    TChanges changes;
    auto* bar = new TvTitleBar(&owner);
    bar->OnChange = TNotifyEvent::Bind<&TChanges::Changed>(&changes);
    EXPECT_FALSE(bar->IsShowTitleBar());
    bar->SetTitleBar(false);
    owner.BeginLoading();
    owner.EndLoading();
    EXPECT_EQ(changes.Count, 0);
    TvTitleBar alone(nullptr);
    alone.SetTitleBar(true);
}

TEST(TvTitleBar, IsStreamedByName) {
    TForm form(nullptr);
    TComponent* made = FindClass("TvTitleBar")(&form);
    auto* bar = dynamic_cast<TvTitleBar*>(made);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->AllowMoveWhitoutTitle);
    EXPECT_TRUE(bar->TitleBarOnFormShow);
}
