// The application's hint window: a frameless top-level window that shows a control's hint beside
// the pointer and never takes the focus. The application makes it from HintWindowClass when a hint
// is first shown (and again after the class changed), shows it HintPause after the pointer came to
// rest on a control whose ShowHint is on (HintShortPause when it came there from a hint showing),
// takes it away HintHidePause later, and asks it of every mouse and key message (IsHintMsg) whether
// that message closes it.
#pragma once

#include "platform/ui/Controls.h"

#include <string>

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* AOwner);

    // Shows AHint in Rect (screen coordinates), topmost, without activating.
    virtual void ActivateHint(const TRect& Rect, const std::string& AHint);
    // The rectangle (at 0, 0) that holds AHint wrapped to at most MaxWidth.
    virtual TRect CalcHintRect(int MaxWidth, const std::string& AHint);
    // Whether Msg, which the application is about to hand on, closes the hint: a key, a mouse
    // button or the wheel does; a plain mouse move does not.
    virtual bool IsHintMsg(const MSG& Msg);
    // Hides the window.
    void ReleaseHandle();

protected:
    void CreateParams(TCreateParams& Params) override;
    QWidget* CreateWidget(QWidget* parentWidget) override;
    bool IsTopLevel() const override { return true; }
    void Paint() override;
};

// Makes the application's hint window; MakeHintWindow<T> makes one of class T.
using THintWindowClass = THintWindow* (*)(TComponent* AOwner);
template <class T> THintWindow* MakeHintWindow(TComponent* AOwner) {
    return new T(AOwner);
}
extern THintWindowClass HintWindowClass;
