// The standard control settings beyond bounds, colours and fonts: size constraints, reading order,
// the 3D look's parent link, and dragging between our own controls.
#include "platform/ui/Controls.h"

#include "platform/ui/TypInfo.h"

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

// --- Reading order --------------------------------------------------------------------------------

void TControl::SetBiDiMode(TBiDiMode value) {
    parentBiDiMode_ = false;
    biDiMode_ = value;
}

void TControl::SetParentBiDiMode(bool value) {
    parentBiDiMode_ = value;
}

// --- 3D look --------------------------------------------------------------------------------------

void TWinControl::SetCtl3D(bool value) {
    parentCtl3D_ = false;
    Ctl3D = value;
}

void TWinControl::SetParentCtl3D(bool value) {
    parentCtl3D_ = value;
}

// --- Dragging -------------------------------------------------------------------------------------

void TControl::BeginDrag(bool, int) {}

void TControl::EndDrag(bool) {}

bool TControl::Dragging() const {
    return false;
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
