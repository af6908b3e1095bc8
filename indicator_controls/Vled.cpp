#include "indicator_controls/Vled.h"

#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/Std2.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Filer.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

constexpr TColor LitColors[] = {0x0000FF, 0xFF0000, 0x00FF00, 0x00FFFF, 0xFF00FF,
                                0xC0C0C0, 0xFFFF00, 0xFFFFFF, 0x0000FF};
constexpr TColor DarkColors[] = {0x000080, 0x800000, 0x008000, 0x008080, 0x800080,
                                 0x000000, 0x808000, 0x808080, 0x000080};

} // namespace

TvLed::TvLed(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle.Include(csOpaque);
    SetBounds(Left(), Top(), 17, 17);
}

// The lamp may be freed from an OnChange inside its timer's tick.
TvLed::~TvLed() {
    FreeTimer();
}

void TvLed::SetSteel(bool Value) {
    FSteelLook = Value;
    Invalidate();
}

void TvLed::SetStyle(LedStyleType Value) {
    if (Value == FLedStyle) return;
    FLedStyle = Value;
    Invalidate();
}

void TvLed::WriteLedColor(LedColorType Value) {
    FLEDColor = Value;
    Refresh();
}

void TvLed::writeLedOn(bool Value) {
    if (Value == FLedOn) return;
    FLedOn = Value;
    Refresh();
    if (OnChange) OnChange(this);
}

void TvLed::FreeTimer() {
    RetireTimer(std::exchange(FTimer, nullptr));
}

void TvLed::CreateBlinkTimer() {
    FTimer = new TTimer(this);
    FTimer->SetInterval(static_cast<unsigned>(FBlinkInterval));
    FTimer->OnTimer = TNotifyEvent::Bind<&TvLed::DoTheBlink>(this);
}

void TvLed::SetBlink(bool Value) {
    if (Value == FBlink) return;
    FreeTimer();
    FBlink = Value;
    if (Value) CreateBlinkTimer();
    Refresh();
}

void TvLed::SetInterval(int Value) {
    if (Value == FBlinkInterval) return;
    FreeTimer();
    FBlinkInterval = Value;
    if (FBlink && !ComponentState().Contains(TComponentStateItem::csDesigning)) CreateBlinkTimer();
    Refresh();
}

void TvLed::Pulse(std::uint32_t n) {
    if (FBlink) return;
    if (!FTimer) FTimer = new TTimer(this);
    FTimer->SetEnabled(false);
    // Capped rather than wrapped: a very long pulse must not turn into a short one.
    FTimer->SetInterval(static_cast<unsigned>(std::min<std::uint64_t>(std::uint64_t{n} * 100, UINT32_MAX)));
    FTimer->OnTimer = TNotifyEvent::Bind<&TvLed::DoThePulse>(this);
    FTimer->SetEnabled(true);
    ++FPulseCount;
    writeLedOn(true);
}

void TvLed::DoTheBlink(TObject*) {
    writeLedOn(!FLedOn);
}

void TvLed::DoThePulse(TObject*) {
    TTimer* const ending = FTimer;
    const unsigned pulses = FPulseCount;
    writeLedOn(false);
    // An OnChange handler may have started a new pulse or blinking; that timer stays.
    if (FTimer == ending && FPulseCount == pulses) FreeTimer();
}

TColor TvLed::LampColor() {
    const int index = std::clamp(static_cast<int>(FLEDColor), 0, static_cast<int>(lctUser));
    TColor color = FLedOn ? LitColors[index] : DarkColors[index];
    if (FLEDColor == lctUser) {
        const vcGetColor& handler = FLedOn ? OnGetOnColor : OnGetOffColor;
        if (handler) handler(this, color);
    }
    return color;
}

void TvLed::Paint() {
    const int W = Width();
    const int H = Height();
    if (W > 0 && H > 0) {
        TBitmap bitmap;
        bitmap.SetSize(W, H);
        TCanvas* c = bitmap.Canvas();
        const int q = std::clamp(W / 17, 1, 6);
        const int q2 = std::max(q / 2, 1);

        if (FSteelLook) {
            c->Brush()->SetBitmap(TSteel);
            c->FillRect(Rect(0, 0, W, H));
            c->Brush()->SetBitmap(nullptr);
        } else {
            c->Brush()->SetColor(Parent() ? Parent()->Brush()->Color() : Color());
            c->FillRect(Rect(0, 0, W, H));
        }

        c->Brush()->SetColor(LampColor());
        c->Pen()->SetColor(clBlack);
        c->Pen()->SetWidth(q);

        auto glint = [&] {
            const int l = 4 * q, t = 4 * q, r = W - 4 * q, b = H - 4 * q;
            c->Pen()->SetWidth(q2);
            c->Pen()->SetColor(clGray);
            c->Arc(l, t, r, b, W - 4 * q, H - 2 * q, W - 4 * q, H - 9 * q);
            c->Pen()->SetColor(clWhite);
            c->Arc(l, t, r, b, 8 * q, 0, 7 * q, 9 * q);
            c->Pen()->SetColor(clSilver);
            c->Arc(l, t, r, b, 8 * q, 0, 7 * q, 8 * q);
        };

        switch (FLedStyle) {
        case lstSimpleRound:
            c->Ellipse(0, 0, W, H);
            glint();
            break;
        case lstRound: {
            c->Ellipse(0, 0, W, H);
            c->Pen()->SetColor(clSilver);
            c->Ellipse(q, q, W - q, H - q);
            c->Pen()->SetColor(clGray);
            c->Arc(q, q, W - q, H - q, q, H - q, W - q, q);
            c->Pen()->SetColor(clBlack);
            c->Ellipse(2 * q, 2 * q, W - 2 * q, H - 2 * q);
            const int l = q, t = q, r = W - q, b = H - q;
            c->Arc(l, t, r, b, W / 2 + 3 * q, q, W / 2 - 3 * q, q);
            c->Arc(l, t, r, b, W / 2 - 3 * q, H - q, W / 2 + 3 * q, H - q);
            c->Arc(l, t, r, b, q, H / 2 - 3 * q, q, H / 2 + 3 * q);
            c->Arc(l, t, r, b, W - q, H / 2 + 3 * q, W - q, H / 2 - 3 * q);
            glint();
            break;
        }
        case lstSquare:
            c->FillRect(Rect(0, 0, W, H));
            c->Polyline({Point(q - 1, q - 1), Point(W - 1, q - 1), Point(W - 1, H - 1), Point(q - 1, H - 1),
                         Point(q - 1, q - 1)});
            c->Polyline({Point(3 * q - 1, 3 * q - 1), Point(W - 2 * q - 1, 3 * q - 1),
                         Point(W - 2 * q - 1, H - 2 * q - 1), Point(3 * q - 1, H - 2 * q - 1),
                         Point(3 * q - 1, 3 * q - 1)});
            c->Pen()->SetColor(clSilver);
            c->Polyline(
                {Point(2 * q - 1, H - q - 1), Point(2 * q - 1, 2 * q - 1), Point(W - 2 * q + 1, 2 * q - 1)});
            c->Pen()->SetColor(clGray);
            c->Polyline(
                {Point(W - q - 1, 3 * q - 1), Point(W - q - 1, H - q - 1), Point(2 * q - 1, H - q - 1)});
            // Mirrored on purpose (right before left, bottom before top); the fill takes them as they come.
            c->Brush()->SetColor(clGray);
            c->FillRect(Rect(W - 4 * q, H - 4 * q, W - 6 * q, H - 5 * q));
            c->FillRect(Rect(W - 7 * q, H - 4 * q, W - 9 * q, H - 5 * q));
            c->Brush()->SetColor(clWhite);
            c->Pen()->SetColor(clWhite);
            c->FillRect(Rect(4 * q, 4 * q, 6 * q, 5 * q));
            c->Brush()->SetColor(clSilver);
            c->Pen()->SetColor(clSilver);
            c->FillRect(Rect(7 * q, 4 * q, 9 * q, 5 * q));
            break;
        }
        Canvas()->Draw(0, 0, &bitmap);
    }
    if (OnPaint) OnPaint(this);
}

void TvLed::CMMouseEnter(TMessage& Message) {
    TGraphicControl::Dispatch(Message);
    if (OnMouseEnter) OnMouseEnter(this);
}

void TvLed::CMMouseLeave(TMessage& Message) {
    TGraphicControl::Dispatch(Message);
    if (OnMouseLeave) OnMouseLeave(this);
}

void TvLed::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        CMMouseEnter(Message);
        return;
    case CM_MOUSELEAVE:
        CMMouseLeave(Message);
        return;
    default:
        TGraphicControl::Dispatch(Message);
        return;
    }
}

namespace {
int VledCounter = 0;
} // namespace

void InitializeVled() {
    --VledCounter;
}

void FinalizeVled() {
    ++VledCounter;
}

namespace {

using published::Property;
using published::Standard;

// Enabled is the lamp's lit state, dark unless stored.
const bool kPublished = [] {
    using L = TvLed;
    PublishProperties<L, TComponent>(Rows(
        StandardRows<L>("Left Top"),
        Property<L>(
            "SteelLook", [](const L& l) { return l.SteelLook(); }, [](L& l, bool v) { l.SetSteel(v); },
            false),
        Property<L>(
            "LedStyle", [](const L& l) { return l.LedStyle(); }, [](L& l, LedStyleType v) { l.SetStyle(v); },
            lstRound),
        Property<L>(
            "LEDColor", [](const L& l) { return l.LEDColor(); },
            [](L& l, LedColorType v) { l.WriteLedColor(v); }),
        Property<L>(
            "Enabled", [](const L& l) { return l.Enabled(); }, [](L& l, bool v) { l.writeLedOn(v); }, false),
        Property<L>(
            "Blink", [](const L& l) { return l.Blink(); }, [](L& l, bool v) { l.SetBlink(v); }, false),
        Property<L>(
            "BlinkInterval", [](const L& l) { return l.BlinkInterval(); },
            [](L& l, int v) { l.SetInterval(v); }, 500),
        WidthProperty<L>(17), HeightProperty<L>(17), EventField<L>("OnChange", &L::OnChange),
        EventField<L>("OnPaint", &L::OnPaint), EventField<L>("OnMouseEnter", &L::OnMouseEnter),
        EventField<L>("OnMouseLeave", &L::OnMouseLeave), EventField<L>("OnGetOnColor", &L::OnGetOnColor),
        EventField<L>("OnGetOffColor", &L::OnGetOffColor),
        StandardRows<L>("Align Anchors DragCursor DragMode Hint ShowHint ParentShowHint Visible OnClick "
                        "OnDblClick OnMouseDown OnMouseUp OnMouseMove OnDragDrop OnDragOver OnEndDrag")));
    RegisterClass<TvLed>();
    return true;
}();

} // namespace
