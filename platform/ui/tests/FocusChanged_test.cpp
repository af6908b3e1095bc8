// Every control on a form hears CM_FOCUSCHANGED with the control that took the focus, nested ones
// too.
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class TListener : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::vector<const TControl*> Heard;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CM_FOCUSCHANGED)
            Heard.push_back(reinterpret_cast<const TControl*>(Message.LParam));
        TGraphicControl::Dispatch(Message);
    }
};

TEST(CM_FOCUSCHANGED, ReachesEveryControlOfTheForm) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    auto* nested = new TListener(form.get());
    nested->SetParent(panel);
    auto* top = new TListener(form.get());
    top->SetParent(form.get());
    auto* a = new TEdit(form.get());
    a->SetParent(form.get());
    auto* b = new TEdit(form.get());
    b->SetParent(panel);
    form->Show();
    top->Heard.clear();
    nested->Heard.clear();
    a->SetFocus();
    b->SetFocus();
    b->SetFocus(); // no change, nothing heard
    const std::vector<const TControl*> expected{a, b};
    EXPECT_EQ(top->Heard, expected);
    EXPECT_EQ(nested->Heard, expected);
}

} // namespace
