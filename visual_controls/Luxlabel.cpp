#include "visual_controls/Luxlabel.h"

#include "platform/gdi/Text.h"
#include "platform/ui/Forms.h"
#include "visual_controls/Luxclass.h"

// --- TLuxBaseLabel --------------------------------------------------------------------------------

TLuxBaseLabel::TLuxBaseLabel(TComponent* AOwner) : TLuxBaseGraphicControl(AOwner) {}

TLuxBaseLabel::~TLuxBaseLabel() {
    if (twinkleTimer_ != TwinkleNoTimer && LuxApplication) LuxApplication->RemoveTimer(twinkleTimer_);
}

bool TLuxBaseLabel::IsLoading() const {
    return ComponentState().Contains(TComponentStateItem::csLoading);
}

bool TLuxBaseLabel::IsReading() const {
    return ComponentState().Contains(TComponentStateItem::csReading);
}

void TLuxBaseLabel::SetBool(int Index, bool Value) {
    switch (Index) {
    case 0:
        if (Value == autoSize_) return;
        autoSize_ = Value;
        CorrectBounds();
        return;
    case 1:
        if (Value == multiLine_) return;
        multiLine_ = Value;
        GetChange(nullptr);
        return;
    case 2:
        if (Value == showAccelChar_) return;
        showAccelChar_ = Value;
        InvalidateControl();
        return;
    case 3:
        if (Value == twinkle_) return;
        if (Value)
            StartTwinkle();
        else
            StopTwinkle();
        return;
    default:
        return;
    }
}

void TLuxBaseLabel::StartTwinkle() {
    twinkle_ = true;
    WORD ident = 0;
    try {
        if (LuxApplication)
            ident = LuxApplication->AddTimer(static_cast<WORD>(twinkleVisible_),
                                             TNotifyEvent::Bind<&TLuxBaseLabel::OnTwinkleTimer>(this));
    } catch (...) {
        // A label that says it twinkles has a timer.
        twinkle_ = false;
        throw;
    }
    if (ident == 0) {
        twinkle_ = false;
        return;
    }
    twinkleTimer_ = ident;
    if (TLuxTimerItem* item = LuxApplication->GetTimer(ident)) item->SetEnabled(true);
}

void TLuxBaseLabel::StopTwinkle() {
    twinkle_ = false;
    if (twinkleTimer_ != TwinkleNoTimer && LuxApplication) LuxApplication->RemoveTimer(twinkleTimer_);
    phaseVisible_ = true;
    twinkleTimer_ = TwinkleNoTimer;
    InvalidateControl();
}

void TLuxBaseLabel::OnTwinkleTimer(TObject*) {
    phaseVisible_ = !phaseVisible_;
    if (TLuxTimerItem* item = LuxApplication ? LuxApplication->GetTimer(twinkleTimer_) : nullptr)
        item->SetInterval(static_cast<WORD>(phaseVisible_ ? twinkleVisible_ : twinkleInVisible_));
    InvalidateControl();
}

void TLuxBaseLabel::SetInteger(int Index, int Value) {
    if (Index == 0)
        twinkleVisible_ = Value;
    else if (Index == 1)
        twinkleInVisible_ = Value;
}

void TLuxBaseLabel::SetAlignment(TLuxAlignment Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    GetChange(nullptr);
}

void TLuxBaseLabel::SetOptions(TLuxLabelOptions Value) {
    if (Value == options_) return;
    options_ = Value;
    GetChange(nullptr);
}

void TLuxBaseLabel::SetControl(TWinControl* Value) {
    if (focusControl_ && focusControl_ != Value) focusControl_->RemoveFreeNotification(this);
    focusControl_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TLuxBaseLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TLuxBaseGraphicControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

UINT TLuxBaseLabel::GetOptionsFlag() const {
    UINT flags = 0;
    if (options_.Contains(loPathEllipsis)) flags |= DT_PATH_ELLIPSIS;
    if (options_.Contains(loEndEllipsis)) flags |= DT_END_ELLIPSIS;
    if (options_.Contains(loEditControl)) flags |= DT_EDITCONTROL;
    return flags;
}

void TLuxBaseLabel::GetChange(TObject*) {
    CorrectBounds();
    InvalidateControl();
}

bool TLuxBaseLabel::GetEmpty() {
    return Transparent() && Caption().empty();
}

void TLuxBaseLabel::FontChange(TObject* Sender) {
    if (IsLoading()) return;
    if (Sender == Font()) SetParentFont(false);
    if (!IsReading()) Canvas()->SetFont(Font());
    GetChange(nullptr);
}

void TLuxBaseLabel::Loaded() {
    TLuxBaseGraphicControl::Loaded();
    Canvas()->SetFont(Font());
    CorrectBounds();
}

void TLuxBaseLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR:
        if (showAccelChar_ && focusControl_ && Enabled() &&
            IsAccel(static_cast<unsigned>(Message.WParam), Caption()) && focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            Message.Result = 1;
        }
        return;
    case CM_FONTCHANGED:
        TLuxBaseGraphicControl::Dispatch(Message);
        FontChange(Font());
        return;
    case CM_TEXTCHANGED:
        CorrectBounds();
        InvalidateControl();
        return;
    default:
        TLuxBaseGraphicControl::Dispatch(Message);
        return;
    }
}
