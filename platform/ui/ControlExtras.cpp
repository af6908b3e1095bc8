// The standard control settings beyond bounds, colours and fonts: size constraints, reading order,
// the 3D look's parent link, and dragging between our own controls.
#include "platform/ui/Controls.h"

#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowQueries.h"

#include <cstdlib>
#include <memory>
#include <optional>

// --- Size constraints -----------------------------------------------------------------------------

void TSizeConstraints::SetMaxHeight(int value) {
    if (value == maxHeight_) return;
    maxHeight_ = value;
    Change();
}

void TSizeConstraints::SetMaxWidth(int value) {
    if (value == maxWidth_) return;
    maxWidth_ = value;
    Change();
}

void TSizeConstraints::SetMinHeight(int value) {
    if (value == minHeight_) return;
    minHeight_ = value;
    Change();
}

void TSizeConstraints::SetMinWidth(int value) {
    if (value == minWidth_) return;
    minWidth_ = value;
    Change();
}

void TSizeConstraints::Assign(const TPersistent* source) {
    if (auto* c = dynamic_cast<const TSizeConstraints*>(source)) {
        maxHeight_ = c->maxHeight_;
        maxWidth_ = c->maxWidth_;
        minHeight_ = c->minHeight_;
        minWidth_ = c->minWidth_;
        Change();
        return;
    }
    TPersistent::Assign(source);
}

void TSizeConstraints::Change() {
    if (control_)
        control_->SetBounds(control_->Left(), control_->Top(), control_->Width(), control_->Height());
    if (OnChange) OnChange(this);
}

// --- Sizes ----------------------------------------------------------------------------------------

bool TControl::CanResize(int& NewWidth, int& NewHeight) {
    bool resize = true;
    if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, resize);
    return resize;
}

void TControl::ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight) {
    if (OnConstrainedResize) OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

bool TControl::CheckNewSize(int& NewWidth, int& NewHeight) {
    int width = NewWidth;
    int height = NewHeight;
    if (!CanResize(width, height)) return false;
    int minWidth = constraints_->MinWidth();
    int minHeight = constraints_->MinHeight();
    int maxWidth = constraints_->MaxWidth();
    int maxHeight = constraints_->MaxHeight();
    ConstrainedResize(minWidth, minHeight, maxWidth, maxHeight);
    if (maxWidth > 0 && width > maxWidth)
        width = maxWidth;
    else if (minWidth > 0 && width < minWidth)
        width = minWidth;
    if (maxHeight > 0 && height > maxHeight)
        height = maxHeight;
    else if (minHeight > 0 && height < minHeight)
        height = minHeight;
    NewWidth = width;
    NewHeight = height;
    return true;
}

// --- Reading order --------------------------------------------------------------------------------

void TControl::SetBiDiMode(TBiDiMode value) {
    parentBiDiMode_ = false;
    if (value == biDiMode_) return;
    biDiMode_ = value;
    Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool value) {
    if (value == parentBiDiMode_) return;
    parentBiDiMode_ = value;
    if (parent_ && !(ComponentState().Contains(TComponentStateItem::csReading)))
        Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

// --- 3D look --------------------------------------------------------------------------------------

void TWinControl::SetCtl3D(bool value) {
    parentCtl3D_ = false;
    if (value == Ctl3D && value == ctl3DApplied_) return;
    Ctl3D = ctl3DApplied_ = value;
    Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool value) {
    if (value == ParentCtl3D()) return;
    parentCtl3D_ = value;
    ctl3DApplied_ = Ctl3D;
    if (value && parent_ && !(ComponentState().Contains(TComponentStateItem::csReading)))
        Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

// --- Reading --------------------------------------------------------------------------------------

void TControl::ReadState(TReader* Reader) {
    ControlState.Include(csReadingState);
    if (auto* parent = dynamic_cast<TWinControl*>(Reader->Parent()); parent && parent != this)
        SetParent(parent);
    try {
        TComponent::ReadState(Reader);
    } catch (...) {
        ControlState.Exclude(csReadingState);
        throw;
    }
    ControlState.Exclude(csReadingState);
}

void TWinControl::GetChildren(TGetChildProc Proc, TComponent* Root) {
    // A control written as the root keeps its own parts to itself, as it always has.
    if (Root == this) return;
    for (TControl* control : controls_)
        if (control->Owner() == Root) Proc(control);
}

// --- Dragging -------------------------------------------------------------------------------------

struct DragAccess {
    static void EndDrag(TControl* source, TControl* target, const TPoint& at) {
        source->DoEndDrag(target, at.X, at.Y);
    }
};

namespace {

// The object made for a drag when OnStartDrag hands none: the controls see the dragged control.
class TDragControlObject : public TDragObject {};

struct DragState {
    TControl* source = nullptr;
    TDragObject* object = nullptr;
    bool ownObject = false;
    // Waiting for the mouse to move Threshold pixels from Start (screen coordinates).
    bool started = false;
    TPoint start;
    int threshold = 5;
    TControl* target = nullptr;
    bool accepted = false;
    TCursor savedCursor = crDefault;
};

DragState* drag = nullptr;
// The drag whose end is being told, so that a control freed meanwhile is forgotten.
DragState* ending = nullptr;
// Where the press that starts an automatic drag was (screen coordinates).
std::optional<TPoint> pressAt;

TObject* SourceOf(const DragState& d) {
    return dynamic_cast<TDragControlObject*>(d.object) ? static_cast<TObject*>(d.source) : d.object;
}

void ShowDragCursor(const DragState& d) {
    if (Screen) Screen->SetCursor(d.accepted ? d.source->DragCursor() : crNoDrop);
}

// Moves the drag to pos: the control under it hears that the drag left, entered or moved.
void DragTo(const TPoint& pos) {
    DragState& d = *drag;
    d.object->DragPos = pos;
    TControl* target = FindDragTarget(pos, false);
    if (target != d.target && d.target) {
        bool ignored = false;
        const TPoint p = d.target->ScreenToClient(pos);
        TControl* old = d.target;
        d.target = nullptr;
        d.accepted = false;
        old->DragOver(SourceOf(d), p.X, p.Y, dsDragLeave, ignored);
        if (drag != &d) return;
    }
    const TDragState state = target == d.target ? dsDragMove : dsDragEnter;
    d.target = target;
    d.accepted = false;
    if (target) {
        const TPoint p = target->ScreenToClient(pos);
        d.object->DragTarget = target;
        d.object->DragTargetPos = p;
        bool accept = false;
        target->DragOver(SourceOf(d), p.X, p.Y, state, accept);
        if (drag != &d) return;
        d.accepted = accept;
    } else {
        d.object->DragTarget = nullptr;
    }
    ShowDragCursor(d);
}

// Ends the drag: a drop on a control that accepts it, else nothing; the dragged control hears how
// it ended.
void DragDone(bool drop) {
    std::unique_ptr<DragState> d(drag);
    drag = nullptr;
    if (Screen) Screen->SetCursor(d->savedCursor);
    TControl* target = d->started && drop && d->accepted ? d->target : nullptr;
    TPoint at =
        target ? target->ScreenToClient(d->object->DragPos) : d->source->ScreenToClient(d->object->DragPos);
    d->object->Dropped = target != nullptr;
    d->object->Cancelling = !drop;
    if (d->started && d->target && !target) {
        bool ignored = false;
        const TPoint p = d->target->ScreenToClient(d->object->DragPos);
        d->target->DragOver(SourceOf(*d), p.X, p.Y, dsDragLeave, ignored);
    }
    std::unique_ptr<TDragObject> owned(d->ownObject ? d->object : nullptr);
    ending = d.get();
    try {
        if (target) target->DragDrop(SourceOf(*d), at.X, at.Y);
        // The drop handler may have freed either control.
        if (d->source) DragAccess::EndDrag(d->source, d->target == target ? target : nullptr, at);
    } catch (...) {
        ending = nullptr;
        throw;
    }
    ending = nullptr;
}

} // namespace

void ForgetDragControl(TControl* control) {
    if (ending) {
        if (ending->source == control) ending->source = nullptr;
        if (ending->target == control) ending->target = nullptr;
    }
    if (!drag) return;
    if (drag->target == control) {
        drag->target = nullptr;
        drag->accepted = false;
    }
    if (drag->source == control) {
        std::unique_ptr<DragState> d(drag);
        drag = nullptr;
        if (Screen) Screen->SetCursor(d->savedCursor);
        if (d->ownObject) delete d->object;
    }
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
    if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
    if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::BeginDrag(bool Immediately, int Threshold) {
    if (drag) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    auto d = std::make_unique<DragState>();
    d->source = this;
    d->start = TPoint(cursor.x, cursor.y);
    if (pressAt) {
        d->start = *pressAt;
        pressAt.reset();
    }
    d->threshold = Threshold < 0 ? 5 : Threshold;
    d->savedCursor = Screen ? Screen->Cursor() : crDefault;
    TDragObject* object = nullptr;
    drag = d.get();
    DoStartDrag(object);
    if (drag != d.get()) {
        d.release();
        return;
    }
    if (!object) {
        object = new TDragControlObject;
        d->ownObject = true;
    }
    object->Control = this;
    object->DragPos = d->start;
    d->object = object;
    d.release();
    SetMouseCapture(true);
    if (Immediately) {
        drag->started = true;
        DragTo(drag->start);
    }
}

void TControl::EndDrag(bool Drop) {
    if (Dragging()) DragDone(Drop);
}

bool TControl::Dragging() const {
    return drag && drag->source == this;
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = false;
    if (OnDragOver) {
        Accept = true;
        OnDragOver(this, Source, X, Y, State, Accept);
    }
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

bool TControl::DragMouseMessage(TMessage& Message) {
    if (!drag && dragMode_ != dmAutomatic) return false;
    const TPoint at = ClientToScreen(TPoint(MouseX(Message.LParam), MouseY(Message.LParam)));
    if (!drag) {
        // An automatic drag starts with the left press, in place of the press and the click.
        if ((Message.Msg != WM_LBUTTONDOWN && Message.Msg != WM_LBUTTONDBLCLK) || dragMode_ != dmAutomatic ||
            ComponentState().Contains(TComponentStateItem::csDesigning))
            return false;
        pressAt = at;
        BeginDrag(true);
        return true;
    }
    if (drag->source != this) return false;
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        if (!drag->started) {
            if (std::abs(at.X - drag->start.X) < drag->threshold &&
                std::abs(at.Y - drag->start.Y) < drag->threshold)
                return true;
            drag->started = true;
        }
        DragTo(at);
        return true;
    case WM_LBUTTONUP:
        SetMouseCapture(false);
        if (drag->started) DragTo(at);
        if (drag && drag->source == this) DragDone(true);
        return true;
    case WM_RBUTTONDOWN:
        SetMouseCapture(false);
        DragDone(false);
        return true;
    default:
        return true;
    }
}

namespace {

const bool kPublished = [] {
    using namespace published;
    PublishProperties<TSizeConstraints>({
        Property<TSizeConstraints>(
            "MaxHeight", [](const TSizeConstraints& c) { return c.MaxHeight(); },
            [](TSizeConstraints& c, int v) { c.SetMaxHeight(v); }, 0),
        Property<TSizeConstraints>(
            "MaxWidth", [](const TSizeConstraints& c) { return c.MaxWidth(); },
            [](TSizeConstraints& c, int v) { c.SetMaxWidth(v); }, 0),
        Property<TSizeConstraints>(
            "MinHeight", [](const TSizeConstraints& c) { return c.MinHeight(); },
            [](TSizeConstraints& c, int v) { c.SetMinHeight(v); }, 0),
        Property<TSizeConstraints>(
            "MinWidth", [](const TSizeConstraints& c) { return c.MinWidth(); },
            [](TSizeConstraints& c, int v) { c.SetMinWidth(v); }, 0),
    });
    return true;
}();

} // namespace
