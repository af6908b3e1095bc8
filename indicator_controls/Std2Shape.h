// Unit Std2's shaped buttons: a windowed push button whose window has one of the thirty outlines
// (BtnShapes.h) with a 3-D edge, a caption in a text rectangle, default and cancel keys and a modal
// result; and its variants with a gradient face, a glyph and icons.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "indicator_controls/BtnShapes.h"
#include "indicator_controls/PushBtn.h"
#include "indicator_controls/Std2.h"

class TIcon;

using TsbShapeDrawEvent = TMethod<void(TObject* Sender, TCanvas* Canvas, bool Down, int Width, int Height,
                                       TColor Shadow, TColor Highlight)>;

class TvcShapeColorBtn : public TvCaptionOptions<TvcPushButton> {
public:
    explicit TvcShapeColorBtn(TComponent* AOwner);
    ~TvcShapeColorBtn() override;

    TvcTextSize* TextSize() const { return textSize_; }
    // Copies the rectangle; the button keeps its own.
    void SetTextSize(const TvcTextSize* Value);
    sbType Shape() const { return shape_; }
    void SetShape(sbType Value);
    TColor HighLightColor() const { return highLight_; }
    void SetHighLightColor(TColor Value);
    TColor ShadowColor() const { return shadow_; }
    void SetShadowColor(TColor Value);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool Value);
    TsbGetRegEvent OnGetRegion() const { return onGetRegion_; }
    // The outline is worked out anew with the new handler.
    void SetOnGetRegion(TsbGetRegEvent Value);
    // The button takes the region over and shows it as its outline until the outline is worked out
    // anew (a new shape, size or region handler); its own is deleted.
    void SetRgn(HRGN Region) { GiveRegion(Region); }

    TNotifyEvent OnPaint;
    TsbShapeDrawEvent OnOwnerDraw;

protected:
    RegionValue WantedRegion() override;
    bool IsKin(const TControl* Control) const override;
    void Paint() override;
    // The face inside the outline: the caption and the focus frame; variants paint their face first.
    virtual void PaintLook(TCanvas* Canvas);
    // Drawn pressed now.
    bool DrawnDown() const { return down_ && Enabled(); }

private:
    void Changed(TObject*) { Invalidate(); }

    TvcTextSize* textSize_;
    sbType shape_ = sbRectangle;
    TColor highLight_ = clBtnHighlight;
    TColor shadow_ = clBtnShadow;
    bool showFocus_ = true;
    TsbGetRegEvent onGetRegion_;
};

class TvcShapeGradBtn : public TvGradientOptions<TvcShapeColorBtn> {
public:
    explicit TvcShapeGradBtn(TComponent* AOwner) : TvGradientOptions(AOwner) {}

protected:
    void PaintLook(TCanvas* Canvas) override;
};

using tBitNumber = int;

class TvcShapeBitColBtn : public TvcShapeColorBtn {
public:
    explicit TvcShapeBitColBtn(TComponent* AOwner);
    ~TvcShapeBitColBtn() override;

    TBitmap* Glyph() const { return glyph_; }
    void SetGlyph(TBitmap* Value);
    tBitNumber NumGlyphs() const { return numGlyphs_; }
    // 1 to 4; other values are ignored.
    void SetNumGlyphs(tBitNumber Value);
    // With AutoBackColor, the colour of the up image's bottom-left pixel.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value);
    bool AutoBackColor() const { return autoBackColor_; }
    void SetAutoBackColor(bool Value);
    TvcBmpOffset* OffsetGlyph() const { return offset_; }
    // Copies Left and Top.
    void SetOffsetGlyph(const TvcBmpOffset* Value);

    // The images cut from the glyph strip.
    TBitmap* UpImage() const { return up_; }
    TBitmap* DownImage() const { return downImage_; }
    TBitmap* DisabledImage() const { return disabled_; }

    void SplitBitmap();

    void Dispatch(TMessage& Message) override;

protected:
    void PaintLook(TCanvas* Canvas) override;
    void Loaded() override;

private:
    void Changed(TObject*) { Invalidate(); }

    bool autoBackColor_ = false;
    TBitmap* glyph_;
    TBitmap* up_;
    TBitmap* downImage_;
    TBitmap* disabled_;
    tBitNumber numGlyphs_ = 1;
    TColor transparentColor_ = 0;
    TvcBmpOffset* offset_;
};

class TvcShapeIconColBtn : public TvcShapeColorBtn {
public:
    explicit TvcShapeIconColBtn(TComponent* AOwner);
    ~TvcShapeIconColBtn() override;

    TIcon* GlyphEnabled() const { return enabled_; }
    void SetGlyphEnabled(const TIcon* Value);
    TIcon* GlyphDisabled() const { return disabledIcon_; }
    void SetGlyphDisabled(const TIcon* Value);
    TIcon* GlyphDown() const { return downIcon_; }
    void SetGlyphDown(const TIcon* Value);
    bool AutoAllIcons() const { return autoAll_; }
    void SetAutoAllIcons(bool Value) { autoAll_ = Value; }
    TvcBmpOffset* OffsetIcon() const { return offset_; }
    // Copies Left and Top.
    void SetOffsetIcon(const TvcBmpOffset* Value);

    virtual void SetIcons();

protected:
    void PaintLook(TCanvas* Canvas) override;

private:
    void Changed(TObject*) { Invalidate(); }

    TIcon* enabled_;
    TIcon* disabledIcon_;
    TIcon* downIcon_;
    bool autoAll_ = true;
    TvcBmpOffset* offset_;
};
