// Unit Vanimate's light shaped button: a non-windowed push button with one of the thirty outlines
// (BtnShapes.h) and no caption, that takes the mouse only inside its outline (elsewhere the mouse
// goes to what lies beneath) and can be made invisible to serve as a hot spot.
#pragma once

#include "indicator_controls/BtnShapes.h"
#include "indicator_controls/PushBtn.h"

#include <string>

using TsbDrawEvent = TMethod<void(TObject* Sender, TCanvas* Canvas, bool Down, int Width, int Height,
                                  HRGN Region, TColor Shadow, TColor Highlight)>;

class TvShapeBtn : public TvPushButton<TGraphicControl> {
public:
    explicit TvShapeBtn(TComponent* AOwner);

    sbType Shape() const { return shape_; }
    // The plus answers the accelerator "+", the minus "-"; every other outline none.
    void SetShape(sbType Value);
    TColor HighLightColor() const { return highLight_; }
    void SetHighLightColor(TColor Value);
    TColor ShadowColor() const { return shadow_; }
    void SetShadowColor(TColor Value);
    // Draws nothing at all, and still clicks inside its outline.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    // The dialog character that clicks the button; blank for none.
    char AcceleratorKey() const;
    void SetAcceleratorKey(char Value);
    const std::string& AcceleratorText() const { return accel_; }
    TsbGetRegEvent OnGetRegion() const { return onGetRegion_; }
    void SetOnGetRegion(TsbGetRegEvent Value);
    // The button takes the region over and reacts inside it until the outline is worked out anew (a
    // new shape, size or region handler); its own is deleted.
    void SetRgn(HRGN Region) { GiveRegion(Region); }

    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnPaint;
    TsbDrawEvent OnOwnerDraw;

protected:
    RegionValue WantedRegion() override;
    void Paint() override;

private:
    sbType shape_ = sbRectangle;
    TColor highLight_ = clBtnHighlight;
    TColor shadow_ = clBtnShadow;
    std::string accel_ = " ";
    bool transparent_ = false;
    TsbGetRegEvent onGetRegion_;
};
