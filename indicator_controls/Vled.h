// Unit Vled: TvLed, a small windowless lamp, round, square or plain round, in one of eight fixed
// colours or one the application supplies, lit or dark, blinking or pulsing on its own timer. Each
// paint builds the lamp off screen with grey, silver and white highlights and copies it in one go.
#pragma once

#include "platform/ui/Controls.h"

#include <cstdint>

class TTimer;

enum LedStyleType { lstRound, lstSquare, lstSimpleRound };
enum LedColorType { lctRed, lctBlue, lctGreen, lctyellow, lctMangenta, lctGrey, lctCyan, lctWhite, lctUser };

using vcGetColor = TMethod<void(TObject* Sender, TColor& TheColor)>;

class TvLed : public TGraphicControl {
public:
    explicit TvLed(TComponent* AOwner);
    ~TvLed() override;
    TvLed(const TvLed&) = delete;
    TvLed& operator=(const TvLed&) = delete;

    // Always invalidates, even when unchanged.
    bool SteelLook() const { return FSteelLook; }
    void SetSteel(bool Value);
    LedStyleType LedStyle() const { return FLedStyle; }
    void SetStyle(LedStyleType Value);
    // Always repaints, even when unchanged.
    LedColorType LEDColor() const { return FLEDColor; }
    void WriteLedColor(LedColorType Value);

    // Enabled is the lamp's lit state. The control's own enabled state is never changed, so a dark
    // lamp still takes clicks.
    bool Enabled() const { return FLedOn; }
    void SetEnabled(bool Value) override { writeLedOn(Value); }
    // Repaints and fires OnChange only when the state changes.
    void writeLedOn(bool Value);

    bool Blink() const { return FBlink; }
    void SetBlink(bool Value);
    int BlinkInterval() const { return FBlinkInterval; }
    void SetInterval(int Value);

    // Lights the lamp for n tenths of a second; ignored while blinking. A pulse during a pulse
    // restarts the timer with the new length.
    void Pulse(std::uint32_t n);
    void Flash() { Pulse(5); }

    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnChange;
    // Fires after each paint, so a handler can draw over the finished lamp.
    TNotifyEvent OnPaint;
    // Only consulted for lctUser.
    vcGetColor OnGetOnColor;
    vcGetColor OnGetOffColor;

protected:
    virtual void DoTheBlink(TObject* Sender);
    // Runs inside the tick of the pulse timer: the timer is stopped at once and freed only after
    // the tick has been handled.
    virtual void DoThePulse(TObject* Sender);
    void Paint() override;
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);

private:
    void FreeTimer();
    void CreateBlinkTimer();
    TColor LampColor();

    bool FSteelLook = false;
    LedColorType FLEDColor = lctRed;
    bool FLedOn = false;
    bool FBlink = false;
    TTimer* FTimer = nullptr;
    int FBlinkInterval = 500;
    LedStyleType FLedStyle = lstRound;
    // Counts pulses started, so a pulse ending can tell whether its handler started another.
    unsigned FPulseCount = 0;
};

// The unit's counted start-up and shut-down (IndicatorUnits.h); they hold no work of their own.
void InitializeVled();
void FinalizeVled();
