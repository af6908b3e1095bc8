// Unit Vanimate's coloured buttons: windowed push buttons that draw themselves whole, in any colour,
// with a 3-D edge in their own highlight and shadow colours, through an off-screen picture; a flat
// look that shows the edge only while the pointer is over the button, focus on hover, three default
// looks; and the variants with a gradient face, a glyph strip and icons beside the caption.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "indicator_controls/PushBtn.h"

class TIcon;

// dlBold: the caption is bold while focused or the default; dlFrame: the edge moves one pixel in
// and a black frame surrounds the button; dlNone: neither.
enum TvcDefLook { dlBold, dlFrame, dlNone };
// The side of the glyph or icon.
enum tBitWhere { v_BWLeft, v_BWRight };

class TvColorBtn : public TvcPushButton {
public:
    explicit TvColorBtn(TComponent* AOwner);

    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool Value);
    bool IsFlat() const { return flat_; }
    void SetFlat(bool Value);
    bool AutoFocus() const { return autoFocus_; }
    void SetAutoFocus(bool Value) { autoFocus_ = Value; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TColor HighLightColor() const { return highLight_; }
    void SetHighLightColor(TColor Value);
    TColor ShadowColor() const { return shadow_; }
    void SetShadowColor(TColor Value);
    bool MultipleLines() const { return multipleLines_; }
    void SetMultipleLines(bool Value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    vbHorzAlign HorzAlign() const { return horzAlign_; }
    void SetHorzAlign(vbHorzAlign Value);
    TvcDefLook DefaultLook() const { return defaultLook_; }
    void SetDefaultLook(TvcDefLook Value);

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
    TAlignment alignment_ = taCenter;
    TColor highLight_ = clBtnHighlight;
    TColor shadow_ = clBtnShadow;
    bool multipleLines_ = false;
    bool wordWrap_ = false;
    vbHorzAlign horzAlign_ = vbha_Center;
    TvcDefLook defaultLook_ = dlBold;
};

class TvGradBtn : public TvColorBtn {
public:
    explicit TvGradBtn(TComponent* AOwner) : TvColorBtn(AOwner) {}

    gradType FillType() const { return fillType_; }
    void SetFillType(gradType Value);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor Value);
    int Bands() const { return bands_; }
    void SetBands(int Value);

protected:
    void PaintFace(TCanvas* Canvas) override;

private:
    gradType fillType_ = gVert;
    TColor endColor_ = clBtnFace;
    int bands_ = 75;
};

using tBitNumber = int;

class TvBitColBtn : public TvColorBtn {
public:
    explicit TvBitColBtn(TComponent* AOwner);
    ~TvBitColBtn() override;

    TBitmap* Glyph() const { return glyph_; }
    void SetGlyph(TBitmap* Value);
    tBitNumber NumGlyphs() const { return numGlyphs_; }
    // 1 to 4; other values are ignored.
    void SetNumGlyphs(tBitNumber Value);
    // With AutoBackColor, the colour of the up image's bottom-left pixel.
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor Value);
    bool AutoBackColor() const { return autoBackColor_; }
    void SetAutoBackColor(bool Value);
    tBitWhere BitmapWhere() const { return bitmapWhere_; }
    void SetBitmapWhere(tBitWhere Value);
    // The caption keeps the whole width, the glyph drawn under it.
    bool TextOnTop() const { return textOnTop_; }
    void SetTextOnTop(bool Value);

    // The images cut from the glyph strip.
    TBitmap* UpImage() const { return up_; }
    TBitmap* DownImage() const { return downImage_; }
    TBitmap* DisabledImage() const { return disabled_; }
    TBitmap* HotImage() const { return hotImage_; }

    void SplitBitmap();

    void Dispatch(TMessage& Message) override;

protected:
    void PaintContent(TCanvas* Canvas, const TRect& Caption) override;
    void Loaded() override;

private:
    bool autoBackColor_ = false;
    TBitmap* glyph_;
    TBitmap* up_;
    TBitmap* downImage_;
    TBitmap* disabled_;
    TBitmap* hotImage_;
    tBitNumber numGlyphs_ = 1;
    TColor transparentColor_ = 0;
    tBitWhere bitmapWhere_ = v_BWLeft;
    bool textOnTop_ = false;
};

class TvIconColBtn : public TvColorBtn {
public:
    explicit TvIconColBtn(TComponent* AOwner);
    ~TvIconColBtn() override;

    TIcon* GlyphEnabled() const { return enabled_; }
    void SetGlyphEnabled(const TIcon* Value);
    TIcon* GlyphDisabled() const { return disabledIcon_; }
    void SetGlyphDisabled(const TIcon* Value);
    TIcon* GlyphDown() const { return downIcon_; }
    void SetGlyphDown(const TIcon* Value);
    bool AutoAllIcons() const { return autoAll_; }
    void SetAutoAllIcons(bool Value) { autoAll_ = Value; }
    tBitWhere IconWhere() const { return iconWhere_; }
    void SetIconWhere(tBitWhere Value);

    virtual void SetIcons();

protected:
    void PaintContent(TCanvas* Canvas, const TRect& Caption) override;

private:
    TIcon* enabled_;
    TIcon* disabledIcon_;
    TIcon* downIcon_;
    tBitWhere iconWhere_ = v_BWLeft;
    bool autoAll_ = true;
};

// Where a glyph or an icon of w x h stands on a Width x Height button, on the given side, one pixel
// further down and right while Down: Margin from the side, centred below the middle.
TPoint BesideCaption(int Width, int Height, int w, int h, tBitWhere Where, int Margin, bool Down);
