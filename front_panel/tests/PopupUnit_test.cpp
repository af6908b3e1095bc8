// The message window from the keyboard: it opens with its button focused, so Enter or Space closes
// it, as a click on OK does.
#include "support/PanelTest.h"

#include "platform/ui/ControlMessages.h"

#include <gtest/gtest.h>

namespace {

using MessageWindow = PanelTest;

TEST_F(MessageWindow, EnterOrSpaceClosesIt) {
    Started(2);
    for (const WORD key : {VK_RETURN, VK_SPACE}) {
        SCOPED_TRACE(key);
        bool focused = false;
        TModalResult byKey = mrNone;
        Seam->OnShowModal = [&](TCustomForm* form) {
            focused = form->ActiveControl() == PopupForm->OkayBtn;
            TSeamRecorder::PressKey(form, key);
            byKey = form->ModalResult();
        };
        Main()->PopUpPcktStringPacket(nullptr, "Input 3 signal lost");
        EXPECT_TRUE(focused);
        EXPECT_NE(byKey, mrNone);
        EXPECT_FALSE(PopupForm->Visible());
        EXPECT_TRUE(Main()->Timer1->Enabled());
    }
}

} // namespace
