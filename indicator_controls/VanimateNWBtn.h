// Unit Vanimate's light coloured buttons: windowless counterparts of the coloured buttons (no focus,
// no keys) with an optional 3-D frame, a caption that moves while pressed, a flat look, and a
// transparent look that shows the parent through, lightened by a glass grey level; and the
// variants with a glyph strip and icons beside the caption.
#pragma once

#include "indicator_controls/VanimateColorBtn.h"

// A grey level 0..255.
using TvGlassValue = std::uint8_t;

// The grey of a colour's mean level: RGB(v, v, v) with v = round((R + G + B) / 3), asked for from
// the palette (0x02000000).
TColor Grey(TColor Color);

class TvNWColorBtn : public TvPushButton<TGraphicControl> {
public:
    explicit TvNWColorBtn(TComponent* AOwner);

    int LeftOffSet() const { return leftOffSet_; }
    void SetLeftOffSet(int Value);
    int TopOffSet() const { return topOffSet_; }
    void SetTopOffSet(int Value);
    TvGlassValue GlassValue() const { return glass_; }
    void SetGlassValue(TvGlassValue Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    bool IsFlat() const { return flat_; }
    void SetFlat(bool Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TColor HighLightColor() const { return highLight_; }
    void SetHighLightColor(TColor Value);
    TColor ShadowColor() const { return shadow_; }
    void SetShadowColor(TColor Value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool Value) { cancel_ = Value; }
    bool MultipleLines() const { return multipleLines_; }
    void SetMultipleLines(bool Value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    vbHorzAlign HorzAlign() const { return horzAlign_; }
    void SetHorzAlign(vbHorzAlign Value);
    // The caption (and glyph) move one pixel down and right while pressed.
    bool Movement() const { return movement_; }
    void SetMovement(bool Value);
    // The 3-D edge is drawn.
    bool Frame() const { return frame_; }
    void SetFrame(bool Value);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnPaint;

protected:
    bool Flat() const override { return flat_; }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;
    // The caption in its rectangle and what goes beside it, on the off-screen canvas.
    virtual void PaintContent(TCanvas* Canvas, const TRect& Caption);
    void PaintCaption(TCanvas* Canvas, const TRect& Rect, const std::function<void()>& Between = {});
    // Caption and glyph drawn one pixel down and right now.
    bool Moved() const { return down_ && Enabled() && movement_; }

private:
    int leftOffSet_ = 5;
    int topOffSet_ = 5;
    TvGlassValue glass_ = 0;
    bool transparent_ = false;
    bool flat_ = false;
    TAlignment alignment_ = taCenter;
    TColor highLight_ = clBtnHighlight;
    TColor shadow_ = clBtnShadow;
    bool cancel_ = false;
    bool multipleLines_ = false;
    bool wordWrap_ = false;
    vbHorzAlign horzAlign_ = vbha_Center;
    bool movement_ = true;
    bool frame_ = true;
};

class TvNWBitColBtn : public TvGlyphStripBtn<TvNWColorBtn> {
public:
    explicit TvNWBitColBtn(TComponent* AOwner) : TvGlyphStripBtn(AOwner) {}

    unsigned GlyphMargin() const { return margin_; }
    void SetGlyphMargin(unsigned Value);

protected:
    void PaintContent(TCanvas* Canvas, const TRect& Caption) override;

private:
    unsigned margin_ = 5;
};

class TvNWIconColBtn : public TvIconSetBtn<TvNWColorBtn> {
public:
    explicit TvNWIconColBtn(TComponent* AOwner) : TvIconSetBtn(AOwner) {}

    unsigned GlyphMargin() const { return margin_; }
    void SetGlyphMargin(unsigned Value);

protected:
    void PaintContent(TCanvas* Canvas, const TRect& Caption) override;

private:
    unsigned margin_ = 5;
};
