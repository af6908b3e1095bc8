#include "platform/ui/ExtCtrls.h"

#include "platform/gdi/Text.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <vector>

// --- TTimer ---------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    window_ = CreateMessageWindow("TTimerWindow", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg != WM_TIMER) return DefWindowProc(wnd, msg, wParam, lParam);
        try {
            Timer();
        } catch (...) {
            Application->HandleException(this);
        }
        return LRESULT{0};
    });
    if (!window_) throw EOutOfResources("Not enough timers available");
    UpdateTimer();
}

TTimer::~TTimer() {
    enabled_ = false;
    KillTimer(window_, 1);
    DestroyWindow(window_);
}

void TTimer::UpdateTimer() {
    KillTimer(window_, 1);
    if (enabled_ && interval_ != 0 && !SetTimer(window_, 1, interval_, nullptr))
        throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::Timer() {
    if (enabled_ && OnTimer) OnTimer(this);
}

// --- RetireTimer ----------------------------------------------------------------------------------

namespace {

constexpr UINT ReleaseTimerMsg = WM_USER + 1;

class TRetiredTimers {
public:
    TRetiredTimers() = default;
    TRetiredTimers(const TRetiredTimers&) = delete;
    TRetiredTimers& operator=(const TRetiredTimers&) = delete;
    ~TRetiredTimers() {
        for (TTimer* timer : FTimers) delete timer;
    }

    void Add(TTimer* timer) {
        FTimers.push_back(timer);
        if (!FWindow || !IsWindow(FWindow))
            FWindow = CreateMessageWindow("TTimerRelease", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
                if (msg != ReleaseTimerMsg) return DefWindowProc(wnd, msg, wParam, lParam);
                Free(reinterpret_cast<TTimer*>(lParam));
                return LRESULT{0};
            });
        // Should the message not go, the stopped timer waits for the program's end.
        if (FWindow) PostMessage(FWindow, ReleaseTimerMsg, 0, reinterpret_cast<LPARAM>(timer));
    }

private:
    void Free(TTimer* timer) {
        const auto it = std::find(FTimers.begin(), FTimers.end(), timer);
        if (it == FTimers.end()) return;
        FTimers.erase(it);
        delete timer;
    }

    std::vector<TTimer*> FTimers;
    HWND FWindow = 0;
};

TRetiredTimers RetiredTimers;

} // namespace

void RetireTimer(TTimer* Timer) {
    if (!Timer) return;
    Timer->SetEnabled(false);
    Timer->OnTimer = nullptr;
    if (TComponent* owner = Timer->Owner()) owner->RemoveComponent(Timer);
    RetiredTimers.Add(Timer);
}

// --- Frame3D --------------------------------------------------------------------------------------

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
    Canvas->Pen()->SetWidth(1);
    // Corners as inclusive pixel positions.
    int l = Rect.Left, t = Rect.Top, r = Rect.Right - 1, b = Rect.Bottom - 1;
    for (; Width > 0; --Width) {
        Canvas->Pen()->SetColor(TopColor);
        Canvas->Polyline({TPoint(l, b), TPoint(l, t), TPoint(r, t)});
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->Polyline({TPoint(r, t), TPoint(r, b), TPoint(l - 1, b)});
        ++l, ++t, --r, --b;
    }
    Rect = TRect(l, t, r + 1, b + 1);
}

// --- TImage ---------------------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(new TPicture) {
    ControlStyle.Include(csReplicatable);
    picture_->OnChange = TNotifyEvent::Bind<&TImage::PictureChanged>(this);
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() {
    picture_->OnChange = nullptr;
    delete picture_;
}

void TImage::PictureChanged(TObject*) {
    TGraphic* graphic = picture_->Graphic();
    if (autoSize_ && graphic && graphic->Width() > 0 && graphic->Height() > 0)
        SetBounds(Left(), Top(), graphic->Width(), graphic->Height());
    if (graphic && graphic->Transparent() != transparent_) graphic->SetTransparent(transparent_);
    const bool covers = graphic && !graphic->Transparent() &&
                        ((graphic->Width() >= Width() && graphic->Height() >= Height()) || stretch_);
    if (covers)
        ControlStyle.Include(csOpaque);
    else
        ControlStyle.Exclude(csOpaque);
    Invalidate();
}

TRect TImage::DestRect() const {
    const int w = picture_->Width();
    const int h = picture_->Height();
    if (stretch_) return ClientRect();
    if (center_) return Bounds((Width() - w) / 2, (Height() - h) / 2, w, h);
    return Rect(0, 0, w, h);
}

void TImage::Paint() {
    if (TGraphic* graphic = picture_->Graphic()) Canvas()->StretchDraw(DestRect(), graphic);
}

void TImage::SetStretch(bool value) {
    if (value == stretch_) return;
    stretch_ = value;
    PictureChanged(this);
}

void TImage::SetCenter(bool value) {
    if (value == center_) return;
    center_ = value;
    PictureChanged(this);
}

void TImage::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    PictureChanged(this);
}

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    PictureChanged(this);
}

// --- TPanel ---------------------------------------------------------------------------------------

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                    csOpaque,          csDoubleClicks, csReplicatable};
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut value) {
    bevelInner_ = value;
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut value) {
    bevelOuter_ = value;
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    bevelWidth_ = std::max(value, 1);
    Invalidate();
}

void TPanel::SetBorderWidth(int value) {
    borderWidth_ = std::max(value, 0);
    Invalidate();
}

void TPanel::SetBorderStyle(TBorderStyle value) {
    borderStyle_ = value;
    Invalidate();
}

void TPanel::Paint() {
    TCanvas* canvas = Canvas();
    TRect rect = ClientRect();
    auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) return;
        const bool lowered = cut == TBevelCut::bvLowered;
        Frame3D(canvas, rect, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
                bevelWidth_);
    };
    if (borderStyle_ == bsSingle) Frame3D(canvas, rect, clWindowFrame, clWindowFrame, 1);
    bevel(bevelOuter_);
    Frame3D(canvas, rect, Color(), Color(), borderWidth_);
    bevel(bevelInner_);
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(rect);
    const std::string text = Caption();
    if (text.empty()) return;
    canvas->Brush()->SetStyle(bsClear);
    canvas->SetFont(Font());
    const int fontHeight = canvas->TextHeight("W");
    RECT r = rect;
    r.top = (rect.Top + rect.Bottom - fontHeight) / 2;
    r.bottom = r.top + fontHeight;
    static constexpr UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
             DT_EXPANDTABS | DT_VCENTER | alignments[alignment_]);
}

void TPanel::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    TCustomControl::Dispatch(Message);
}

// --- TBevel ---------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle.Include(csReplicatable);
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    style_ = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Pen()->SetWidth(1);
    TColor dark = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor light = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    const int w = Width(), h = Height();
    auto box = [&](int l, int t, int r, int b, TColor first, TColor second) {
        canvas->Pen()->SetColor(first);
        canvas->Polyline({TPoint(l, b), TPoint(l, t), TPoint(r, t)});
        canvas->Pen()->SetColor(second);
        canvas->Polyline({TPoint(r, t), TPoint(r, b), TPoint(l, b)});
    };
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    switch (shape_) {
    case bsBox:
        box(0, 0, w - 1, h - 1, dark, light);
        break;
    case bsFrame:
        box(1, 1, w - 1, h - 1, light, light);
        box(0, 0, w - 2, h - 2, dark, dark);
        break;
    case bsTopLine:
        line(dark, 0, 0, w, 0);
        line(light, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(dark, 0, h - 2, w, h - 2);
        line(light, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(dark, 0, 0, 0, h);
        line(light, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(dark, w - 2, 0, w - 2, h);
        line(light, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}

// --- TLabeledEdit ---------------------------------------------------------------------------------

TBoundLabel::TBoundLabel(TComponent* AOwner) : TLabel(AOwner) {
    SetName("SubLabel");
    if (AOwner) SetCaption(AOwner->Name());
}

void TBoundLabel::AdjustBounds() {
    TLabel::AdjustBounds();
    if (auto* edit = dynamic_cast<TLabeledEdit*>(Owner())) edit->PlaceLabel();
}

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TEdit(AOwner) {
    label_ = new TBoundLabel(this);
    label_->FreeNotification(this);
    label_->SetFocusControl(this);
}

void TLabeledEdit::Notification(TComponent* AComponent, TOperation Operation) {
    TEdit::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == label_) label_ = nullptr;
}

void TLabeledEdit::PlaceLabel() {
    if (!label_) return;
    int x = Left(), y = Top();
    switch (labelPosition_) {
    case lpAbove:
        y = Top() - label_->Height() - labelSpacing_;
        break;
    case lpBelow:
        y = Top() + Height() + labelSpacing_;
        break;
    case lpLeft:
        x = Left() - label_->Width() - labelSpacing_;
        y = Top() + (Height() - label_->Height()) / 2;
        break;
    case lpRight:
        x = Left() + Width() + labelSpacing_;
        y = Top() + (Height() - label_->Height()) / 2;
        break;
    }
    label_->SetBounds(x, y, label_->Width(), label_->Height());
}

void TLabeledEdit::SetLabelPosition(TLabelPosition value) {
    labelPosition_ = value;
    PlaceLabel();
}

void TLabeledEdit::SetLabelSpacing(int value) {
    labelSpacing_ = value;
    PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* AParent) {
    TEdit::SetParent(AParent);
    if (label_) {
        label_->SetParent(AParent);
        label_->SetVisible(Visible());
    }
    PlaceLabel();
}

void TLabeledEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    PlaceLabel();
}

void TLabeledEdit::Dispatch(TMessage& Message) {
    TEdit::Dispatch(Message);
    if (!label_) return;
    if (Message.Msg == CM_VISIBLECHANGED) label_->SetVisible(Visible());
    if (Message.Msg == CM_ENABLEDCHANGED) label_->SetEnabled(Enabled());
}
