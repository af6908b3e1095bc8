#include "tools/led_demo/LedDemoForm.h"

namespace {

TvLed* NewLed(TLedDemoForm* form, const char* name, int left, int top, LedColorType color, LedStyleType style,
              bool lit) {
    auto* led = new TvLed(form);
    led->SetName(name);
    led->SetBounds(left, top, 17, 17);
    led->WriteLedColor(color);
    led->SetStyle(style);
    led->writeLedOn(lit);
    led->SetParent(form);
    return led;
}

} // namespace

TLedDemoForm::TLedDemoForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName("LedDemoForm");
    SetCaption("LED demo");
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetColor(0x333333);
    SetClientSize(240, 104);

    HeartbeatLed = NewLed(this, "HeartbeatLed", 16, 16, lctGreen, lstRound, false);
    HeartbeatLed->SetBlink(true);
    RedLed = NewLed(this, "RedLed", 44, 16, lctRed, lstRound, true);
    YellowLed = NewLed(this, "YellowLed", 72, 16, lctyellow, lstSquare, true);
    BlueLed = NewLed(this, "BlueLed", 100, 16, lctBlue, lstSimpleRound, false);
    SteelLed = NewLed(this, "SteelLed", 128, 16, lctCyan, lstRound, true);
    SteelLed->SetSteel(true);
    BigLed = NewLed(this, "BigLed", 176, 8, lctRed, lstRound, false);
    BigLed->SetBounds(176, 8, 34, 34);

    TitleLabel = new TLabel(this);
    TitleLabel->SetName("TitleLabel");
    TitleLabel->SetBounds(16, 48, 120, 13);
    TitleLabel->Font()->SetColor(clWhite);
    TitleLabel->SetCaption("Indicator lamps");
    TitleLabel->SetParent(this);

    FlashButton = new TButton(this);
    FlashButton->SetName("FlashButton");
    FlashButton->SetBounds(16, 68, 75, 25);
    FlashButton->SetCaption("Flash");
    FlashButton->OnClick = TNotifyEvent::Bind<&TLedDemoForm::FlashButtonClick>(this);
    FlashButton->SetParent(this);
    EndLoading();
}

void TLedDemoForm::FlashButtonClick(TObject*) {
    BigLed->Flash();
}
