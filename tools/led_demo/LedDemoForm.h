// The demonstration form: lamps in each style, a few colours and both looks, a heartbeat that
// blinks, a large lamp that the button flashes, and a label.
#pragma once

#include "indicator_controls/Vled.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <vector>

class TLedDemoForm : public TForm {
public:
    explicit TLedDemoForm(TComponent* AOwner);

    TLabel* TitleLabel;
    TvLed* HeartbeatLed;
    TvLed* RedLed;
    TvLed* YellowLed;
    TvLed* BlueLed;
    TvLed* SteelLed;
    TvLed* BigLed;
    TButton* FlashButton;

    // The lamps that hold still (all but the heartbeat).
    std::vector<TvLed*> SteadyLeds() const { return {RedLed, YellowLed, BlueLed, SteelLed, BigLed}; }

private:
    void FlashButtonClick(TObject* Sender);
};
