#include "PushButtonScript.h"

#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

template <class B> void Mouse(B* b, TEventLog& Log, const TMouseScript& Script) {
    constexpr bool windowed = std::is_base_of_v<TWinControl, B>;
    auto send = [b](UINT msg, WPARAM w, int x, int y) {
        if constexpr (windowed)
            b->MainWndProc(msg, w, MakeMouseLParam(x, y));
        else
            b->Perform(msg, w, MakeMouseLParam(x, y));
    };
    auto look = [&](int expected) {
        if (Script.Look.Of) {
            EXPECT_EQ(Script.Look.Of(b), expected);
        }
    };
    const std::string click = "click " + b->Name();
    const int w = b->Width(), h = b->Height();
    const int x = Script.Inside.X, y = Script.Inside.Y;
    Log.Events.clear();

    // Pressed inside it goes down, a windowed button taking the focus. Dragged out of the client
    // rectangle it lets go but stays pressed; back in, down again.
    send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    EXPECT_TRUE(b->IsDown());
    if constexpr (windowed) {
        EXPECT_TRUE(b->Focused());
    }
    look(Script.Look.Down);
    send(WM_MOUSEMOVE, MK_LBUTTON, w, y);
    EXPECT_FALSE(b->IsDown());
    EXPECT_TRUE(b->IsPressing());
    look(Script.Look.Focused);
    send(WM_MOUSEMOVE, MK_LBUTTON, w - 1, y);
    EXPECT_TRUE(b->IsDown());
    send(WM_MOUSEMOVE, MK_LBUTTON, x, h);
    EXPECT_EQ(b->IsDown(), Script.RowBelowCounts) << "the row just below the client rectangle";
    send(WM_MOUSEMOVE, MK_LBUTTON, x, h + 1);
    EXPECT_FALSE(b->IsDown());
    // Out of the region it shows, still in the client rectangle, and back.
    if (Script.OutOfRegion) {
        send(WM_MOUSEMOVE, MK_LBUTTON, Script.OutOfRegion->X, Script.OutOfRegion->Y);
        EXPECT_FALSE(b->IsDown());
        EXPECT_TRUE(b->IsPressing());
        look(Script.Look.Focused);
    }
    send(WM_MOUSEMOVE, MK_LBUTTON, x, y);
    EXPECT_TRUE(b->IsDown());
    // Released inside: one click, nothing held.
    send(WM_LBUTTONUP, 0, x, y);
    EXPECT_FALSE(b->IsDown());
    EXPECT_FALSE(b->IsPressing());
    EXPECT_EQ(Log.Events, click);

    // Released outside the client rectangle, on either side: no click, nothing held.
    for (const int out : {-1, w + 30}) {
        Log.Events.clear();
        send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        send(WM_MOUSEMOVE, MK_LBUTTON, out, y);
        EXPECT_FALSE(b->IsDown()) << out;
        send(WM_LBUTTONUP, 0, out, y);
        EXPECT_FALSE(b->IsDown()) << out;
        EXPECT_FALSE(b->IsPressing()) << out;
        EXPECT_EQ(Log.Events, "") << out;
    }

    // Released inside the client rectangle but outside the region: the class library's click.
    if (Script.OutOfRegion) {
        send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        send(WM_MOUSEMOVE, MK_LBUTTON, Script.OutOfRegion->X, Script.OutOfRegion->Y);
        EXPECT_FALSE(b->IsDown());
        send(WM_LBUTTONUP, 0, Script.OutOfRegion->X, Script.OutOfRegion->Y);
        EXPECT_EQ(Log.Events, click);
        Log.Events.clear();
    }

    // A press outside the client rectangle (the mouse captured elsewhere) takes it down only where
    // presses count anywhere; the right button never does.
    send(WM_LBUTTONDOWN, MK_LBUTTON, x, h + 2);
    EXPECT_EQ(b->IsPressing(), Script.PressAnywhere);
    EXPECT_EQ(b->IsDown(), Script.PressAnywhere);
    send(WM_LBUTTONUP, 0, x, h + 2);
    send(WM_RBUTTONDOWN, MK_RBUTTON, x, y);
    EXPECT_FALSE(b->IsDown());
    send(WM_RBUTTONUP, 0, x, y);
    EXPECT_EQ(Log.Events, "");
}

} // namespace

void RunMouseScript(TvPushButton<TCustomControl>* Button, TEventLog& Log, const TMouseScript& Script) {
    Mouse(Button, Log, Script);
}

void RunMouseScript(TvPushButton<TGraphicControl>* Button, TEventLog& Log, const TMouseScript& Script) {
    Mouse(Button, Log, Script);
}

void RunKeyScript(TForm* Form, TEventLog& Log, const TKeyScript& Script) {
    auto look = [&](TControl* b, int expected) {
        if (Script.Look.Of) {
            EXPECT_EQ(Script.Look.Of(b), expected);
        }
    };
    Log.Events.clear();
    Form->SetModalResult(mrNone);
    auto* edit = new TEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(200, 10, 60, 20);
    TvcPushButton* ok = Script.Add("ok", 10, 10);
    TvcPushButton* cancel = Script.Add("cancel", 10, 60);
    TvcPushButton* other = (Script.AddKin ? Script.AddKin : Script.Add)("other", 10, 120);
    ok->SetModalResult(mrOk);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    if (Script.Ready) Script.Ready();
    ok->SetDefault(true);

    // Space pressed and released on the focused button clicks it once.
    ok->SetFocus();
    ok->MainWndProc(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(ok->IsDown());
    look(ok, Script.Look.Down);
    EXPECT_EQ(Log.Events, "");
    ok->MainWndProc(WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(ok->IsDown());
    EXPECT_EQ(Log.Events, "click ok");
    EXPECT_EQ(Form->ModalResult(), mrOk);
    // A space released while the mouse holds the button does not click.
    Log.Events.clear();
    ok->MainWndProc(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(ok->Width() / 2, ok->Height() / 2));
    ok->MainWndProc(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(Log.Events, "");
    ok->MainWndProc(WM_LBUTTONUP, 0, MakeMouseLParam(ok->Width() + 100, ok->Height() / 2));

    // Enter clicks the focused button.
    other->SetFocus();
    other->MainWndProc(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Log.Events, "click other");

    // The button control's notification of a click clicks it; its other notifications do not.
    Log.Events.clear();
    other->Perform(CN_COMMAND, static_cast<WPARAM>(BN_CLICKED) << 16, 0);
    EXPECT_EQ(Log.Events, "click other");
    other->Perform(CN_COMMAND, static_cast<WPARAM>(BN_DOUBLECLICKED) << 16, 0);
    EXPECT_EQ(Log.Events, "click other");

    // On the form, Enter goes to the focused button of the kind, else to the default one; Escape to
    // the cancel button.
    Log.Events.clear();
    EXPECT_FALSE(ok->Active());
    EXPECT_TRUE(other->Active());
    EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
    EXPECT_EQ(Log.Events, "click other");
    Log.Events.clear();
    edit->SetFocus();
    EXPECT_FALSE(other->Active());
    EXPECT_TRUE(ok->Active());
    EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
    EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
    EXPECT_EQ(Log.Events, "click ok, click cancel");
    EXPECT_EQ(Form->ModalResult(), mrCancel);

    // Without a default or cancel button Enter and Escape go nowhere.
    Log.Events.clear();
    ok->SetDefault(false);
    EXPECT_FALSE(ok->Active());
    EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
    cancel->SetCancel(false);
    EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 0);
    EXPECT_EQ(Log.Events, "");
    cancel->SetCancel(true);

    // Losing the focus lets a held button go.
    ok->SetFocus();
    ok->MainWndProc(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(ok->IsDown());
    edit->SetFocus();
    EXPECT_FALSE(ok->IsDown());
    look(ok, Script.Look.Up);

    // The caption's accelerator clicks; a disabled button takes neither it nor Escape.
    Log.Events.clear();
    cancel->SetCaption("&Quit");
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'q', 0), 1);
    cancel->SetEnabled(false);
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'q', 0), 0);
    EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 0);
    EXPECT_EQ(Log.Events, "click cancel");
    delete ok;
    delete cancel;
    delete other;
    delete edit;
}
