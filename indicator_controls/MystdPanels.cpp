#include "indicator_controls/MystdPanels.h"
#include "indicator_controls/ControlProperties.h"

#include "platform/gdi/Draw.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"

TvMovePanel::TvMovePanel(TComponent* AOwner) : TPanel(AOwner) {
    BringToFront();
}

TvMovePanel::~TvMovePanel() {
    // A drag cut short by the panel's end leaves nothing on the form.
    EndDrawing();
}

void TvMovePanel::SetStickWhere(TvStickType Value) {
    stickWhere_ = Value;
    DoStick();
}

void TvMovePanel::SetStickOldStyle(bool Value) {
    if (stickOldStyle_ == Value) return;
    stickOldStyle_ = Value;
    DoStick();
}

void TvMovePanel::Loaded() {
    TPanel::Loaded();
    DoStick();
}

void TvMovePanel::DoStick() {
    BringToFront();
    if (!stickOldStyle_) {
        static constexpr TAlign aligns[] = {alNone, alLeft, alTop, alRight, alBottom, alTop};
        SetAlign(aligns[stickWhere_]);
        if (stickWhere_ == stBoth) SetLeft(0);
        return;
    }
    SetAlign(alNone);
    TWinControl* parent = Parent();
    switch (stickWhere_) {
    case stleft:
        SetLeft(0);
        break;
    case stTop:
        SetTop(0);
        break;
    case stRight:
        if (parent) SetLeft(parent->ClientWidth() - Width());
        break;
    case stBottom:
        if (parent) SetTop(parent->ClientHeight() - Height());
        break;
    case stBoth:
        SetTop(0);
        SetLeft(0);
        break;
    case stNone:
        break;
    }
}

void TvMovePanel::DoUpdate() {
    int x = Left(), y = Top(), w = Width(), h = Height();
    const bool wasVisible = Visible();
    // The panel shows again even when the handler raises.
    struct Restore {
        TvMovePanel* panel;
        bool visible;
        ~Restore() { panel->SetVisible(visible); }
    } restore{this, wasVisible};
    SetVisible(false);
    if (OnBeforeUpdate) OnBeforeUpdate(this, x, y, w, h);
    SetHeight(h);
    SetWidth(w);
    SetTop(y);
    SetLeft(x);
    if (Top() < 0) SetTop(0);
    if (Left() < 0) SetLeft(0);
    TWinControl* parent = Parent();
    if (parent && !dynamic_cast<TCustomForm*>(parent)) {
        if (Left() + Width() > parent->Width()) SetLeft(parent->Width() - Width() - 1);
        if (Top() + Height() > parent->Height()) SetTop(parent->Height() - Height() - 1);
    }
}

TRect TvMovePanel::FormRect(int dx, int dy) const {
    TPoint at(Left() + dx, Top() + dy);
    TWinControl* parent = Parent();
    TCustomForm* form = GetParentForm(const_cast<TvMovePanel*>(this));
    if (parent && form && parent != form) at = form->ScreenToClient(parent->ClientToScreen(at));
    return Bounds(at.X, at.Y, Width(), Height());
}

void TvMovePanel::InvertFocusRect() {
    if (!drawWnd_) return;
    HDC dc = GetDC(drawWnd_);
    if (!dc) return;
    const RECT r = focusRect_;
    DrawFocusRect(dc, &r);
    ReleaseDC(drawWnd_, dc);
}

void TvMovePanel::EndDrawing() {
    if (!dragging_) return;
    InvertFocusRect();
    drawWnd_ = 0;
    dragging_ = false;
}

void TvMovePanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    // A press while a drag is still on (its release never came) starts afresh.
    EndDrawing();
    SetMouseCapture(true);
    TCustomForm* form = GetParentForm(this);
    drawWnd_ = form ? form->Handle() : 0;
    focusRect_ = FormRect(0, 0);
    dragging_ = true;
    x0_ = x_ = X;
    y0_ = y_ = Y;
    InvertFocusRect();
}

void TvMovePanel::MouseMove(TShiftState Shift, int X, int Y) {
    TPanel::MouseMove(Shift, X, Y);
    if (!dragging_) return;
    InvertFocusRect();
    x_ = X;
    y_ = Y;
    focusRect_ = FormRect(x_ - x0_, y_ - y0_);
    InvertFocusRect();
}

void TvMovePanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !dragging_) return;
    SetMouseCapture(false);
    EndDrawing();
    x_ = X;
    y_ = Y;
    if (x_ != x0_ || y_ != y0_) {
        const bool wasVisible = Visible();
        SetVisible(false);
        SetBounds(Left() + x_ - x0_, Top() + y_ - y0_, Width(), Height());
        SetVisible(wasVisible);
    }
    DoUpdate();
    DoStick();
}

void TvMovePanel::Dispatch(TMessage& Message) {
    TPanel::Dispatch(Message);
    if (Message.Msg == CM_MOUSEENTER && OnMouseEnter) OnMouseEnter(this);
    if (Message.Msg == CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
}

namespace {

using published::Property;

// The panel's own rows, then the panel properties with the defaults its constructor gives them.
const bool kPublished = [] {
    using P = TvMovePanel;
    using published::Standard;
    PublishProperties<P, TComponent>(Rows(
        StandardRows<P>("Left Top Width Height"),
        Property<P>(
            "StickWhere", [](const P& p) { return p.StickWhere(); },
            [](P& p, TvStickType v) { p.SetStickWhere(v); }, stNone),
        Property<P>(
            "StickOldStyle", [](const P& p) { return p.StickOldStyle(); },
            [](P& p, bool v) { p.SetStickOldStyle(v); }, true),
        EventField<P>("OnBeforeUpdate", &P::OnBeforeUpdate), EventField<P>("OnMouseEnter", &P::OnMouseEnter),
        EventField<P>("OnMouseLeave", &P::OnMouseLeave), Standard<P>("Align"),
        Property<P>(
            "Alignment", [](const P& p) { return p.Alignment(); },
            [](P& p, TAlignment v) { p.SetAlignment(v); }, taCenter),
        Standard<P>("Anchors"),
        Property<P>(
            "BevelInner", [](const P& p) { return p.BevelInner(); },
            [](P& p, TBevelCut v) { p.SetBevelInner(v); }, static_cast<std::int64_t>(TBevelCut::bvNone)),
        Property<P>(
            "BevelOuter", [](const P& p) { return p.BevelOuter(); },
            [](P& p, TBevelCut v) { p.SetBevelOuter(v); }, static_cast<std::int64_t>(TBevelCut::bvRaised)),
        Property<P>(
            "BevelWidth", [](const P& p) { return p.BevelWidth(); }, [](P& p, int v) { p.SetBevelWidth(v); },
            1),
        StandardRows<P>("BiDiMode BorderWidth"),
        Property<P>(
            "BorderStyle", [](const P& p) { return p.BorderStyle(); },
            [](P& p, TBorderStyle v) { p.SetBorderStyle(v); }, bsNone),
        Standard<P>("Caption"), WithDefault(Standard<P>("Color"), clBtnFace),
        StandardRows<P>("Constraints Ctl3D DragCursor DragKind DragMode Enabled Font Hint"),
        published::Field<P>("Locked", &P::Locked, false),
        StandardRows<P>("ParentBiDiMode ParentColor ParentCtl3D ParentFont ParentShowHint PopupMenu ShowHint "
                        "TabOrder TabStop Visible OnCanResize OnClick OnConstrainedResize OnContextPopup "
                        "OnDblClick OnDragDrop OnDragOver OnEndDock OnEndDrag OnEnter OnExit OnMouseDown "
                        "OnMouseMove OnMouseUp OnResize OnStartDock OnStartDrag")));
    RegisterClass<TvMovePanel>();
    return true;
}();

} // namespace
