// Unit Mystd of the indicator library: the panel the user drags about its parent with the left
// mouse button, kept inside the parent and optionally stuck to one of its edges.
#pragma once

#include "platform/rtl/Method.h"
#include "platform/ui/ExtCtrls.h"

#include <cstdint>

enum TvStickType : std::uint8_t { stNone, stleft, stTop, stRight, stBottom, stBoth };

// Called before a moved panel takes its place: may change where it goes and its size.
using TUpdateEvent = TMethod<void(TObject* Sender, int& X, int& Y, int& W, int& H)>;

// While dragged, a dotted focus rectangle (drawn by inversion on the form's window, in the form's
// client coordinates) follows the mouse; on release the panel moves there, is kept inside its
// parent and sticks as StickWhere says.
class TvMovePanel : public TPanel {
public:
    explicit TvMovePanel(TComponent* AOwner);
    ~TvMovePanel() override;

    TvStickType StickWhere() const { return stickWhere_; }
    void SetStickWhere(TvStickType Value);
    // True: sticking moves the panel to the edge; false: it aligns the panel to the edge.
    bool StickOldStyle() const { return stickOldStyle_; }
    void SetStickOldStyle(bool Value);

    // Kept and stored; nothing here depends on it.
    bool Locked = false;

    TUpdateEvent OnBeforeUpdate;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    virtual void DoStick();
    virtual void DoUpdate();

    void Dispatch(TMessage& Message) override;

    bool Dragging() const { return dragging_; }
    // The focus rectangle while dragging, in the client coordinates of the panel's form.
    TRect FocusRect() const { return focusRect_; }

protected:
    void Loaded() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    // The panel's bounds moved by (dx, dy), in the form's client coordinates.
    TRect FormRect(int dx, int dy) const;
    // Inverts the focus rectangle on the form's window.
    void InvertFocusRect();
    // Takes the drag's rectangle off the form's window and forgets the window.
    void EndDrawing();

    bool dragging_ = false;
    int x0_ = 0, y0_ = 0;
    int x_ = 0, y_ = 0;
    // The form window the rectangle is drawn on while dragging (0: none).
    HWND drawWnd_ = 0;
    TRect focusRect_;
    TvStickType stickWhere_ = stNone;
    bool stickOldStyle_ = true;
};
