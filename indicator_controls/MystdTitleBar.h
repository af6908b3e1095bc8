// Unit Mystd of the indicator library: the switch that hides or shows its form's title bar and,
// while the title bar is hidden, lets the user drag the form by its client area.
#pragma once

#include "platform/rtl/Method.h"
#include "platform/ui/Classes.h"
#include "platform/ui/Controls.h"

// Works on the form it belongs to (FindForm) at run time; without such a form it does nothing.
class TvTitleBar : public TComponent {
public:
    explicit TvTitleBar(TComponent* AOwner);
    ~TvTitleBar() override;

    // Puts the caption in or takes it out of the form's window style (a dialog frame keeps its
    // dialog look) and grows or shrinks the form's Height by the caption's height, so the client
    // area stays; then OnChange, even when nothing had to change, and a repaint. A form without a
    // border (bsNone) is left alone, without OnChange.
    void SetTitleBar(bool Show);
    // The form's window style holds the whole of WS_CAPTION.
    bool IsShowTitleBar();

    // While the caption is hidden, a press on the form's client area drags the form.
    bool AllowMoveWhitoutTitle = true;
    // The caption shown or hidden when the form has been loaded.
    bool TitleBarOnFormShow = true;
    TNotifyEvent OnChange;

protected:
    virtual void DoOnChange();
    // At run time: the caption as TitleBarOnFormShow says, and the form's window procedure
    // subclassed so that its client area answers as the caption while the caption is hidden.
    void Loaded() override;

private:
    void WndProc(TMessage& Message);
    bool Designing() const;

    bool captionShown_ = false;
    TWindowSubclass hook_;
};
