// Unit Vanimate's coloured buttons: windowed push buttons that draw themselves whole, in any colour,
// with a 3-D edge in their own highlight and shadow colours, through an off-screen picture; a flat
// look that shows the edge only while the pointer is over the button, focus on hover, three default
// looks; and the variants with a gradient face, a glyph strip and icons beside the caption.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "indicator_controls/ColorBtnParts.h"
#include "indicator_controls/PushBtn.h"

// dlBold: the caption is bold while focused or the default; dlFrame: the edge moves one pixel in
// and a black frame surrounds the button; dlNone: neither.
enum TvcDefLook { dlBold, dlFrame, dlNone };

class TvColorBtn : public TvCaptionOptions<TvcPushButton, TvcDefLook, dlBold> {
public:
    explicit TvColorBtn(TComponent* AOwner);

    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool Value);
    bool IsFlat() const { return flat_; }
    void SetFlat(bool Value);
    bool AutoFocus() const { return autoFocus_; }
    void SetAutoFocus(bool Value) { autoFocus_ = Value; }
    TColor HighLightColor() const { return highLight_; }
    void SetHighLightColor(TColor Value);
    TColor ShadowColor() const { return shadow_; }
    void SetShadowColor(TColor Value);

    TNotifyEvent OnPaint;

protected:
    bool Flat() const override { return flat_; }
    bool IsKin(const TControl* Control) const override;
    void MouseEntered() override;
    void Paint() override;

    // What the variants paint differently, all on the off-screen canvas: the face (Color), and the
    // caption in its rectangle with what goes beside it.
    virtual void PaintFace(TCanvas* Canvas);
    virtual void PaintContent(TCanvas* Canvas, const TRect& Caption);
    // The caption in its rectangle, with what Between draws under it (see DrawCaption).
    void PaintCaption(TCanvas* Canvas, const TRect& Rect, const std::function<void()>& Between = {});

    // Drawn pressed now.
    bool DrawnDown() const { return down_ && Enabled(); }
    // The edge moves in and the look marks the default button.
    bool Marked() const { return Focused() || Default(); }

private:
    bool showFocus_ = true;
    bool flat_ = false;
    bool autoFocus_ = false;
    TColor highLight_ = clBtnHighlight;
    TColor shadow_ = clBtnShadow;
};

class TvGradBtn : public TvGradientOptions<TvColorBtn> {
public:
    explicit TvGradBtn(TComponent* AOwner) : TvGradientOptions(AOwner) {}

protected:
    void PaintFace(TCanvas* Canvas) override;
};

class TvBitColBtn : public TvGlyphStripBtn<TvColorBtn> {
public:
    explicit TvBitColBtn(TComponent* AOwner) : TvGlyphStripBtn(AOwner) {}

protected:
    void PaintContent(TCanvas* Canvas, const TRect& Caption) override;
};

class TvIconColBtn : public TvIconSetBtn<TvColorBtn> {
public:
    explicit TvIconColBtn(TComponent* AOwner) : TvIconSetBtn(AOwner) {}

protected:
    void PaintContent(TCanvas* Canvas, const TRect& Caption) override;
};

// Where a glyph or an icon of w x h stands on a Width x Height button, on the given side, one pixel
// further down and right while Down: Margin from the side, centred below the middle.
TPoint BesideCaption(int Width, int Height, int w, int h, tBitWhere Where, int Margin, bool Down);
