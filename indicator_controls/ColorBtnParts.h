// What the coloured buttons with a glyph strip or icons beside the caption add to a button, windowed
// or light, alike: the strip and the images cut from it, or the three icons filled from each other.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Icons.h"

// The side of the glyph or icon.
enum tBitWhere { v_BWLeft, v_BWRight };
using tBitNumber = int;

template <class Base> class TvGlyphStripBtn : public Base {
public:
    explicit TvGlyphStripBtn(TComponent* AOwner) : Base(AOwner) {}
    ~TvGlyphStripBtn() override {
        delete hotImage_;
        delete disabled_;
        delete downImage_;
        delete up_;
        delete glyph_;
    }

    TBitmap* Glyph() const { return glyph_; }
    void SetGlyph(TBitmap* Value) {
        glyph_->Assign(Value);
        SplitBitmap();
    }
    tBitNumber NumGlyphs() const { return numGlyphs_; }
    // 1 to 4; other values are ignored.
    void SetNumGlyphs(tBitNumber Value) {
        if (Value < 1 || Value > 4) return;
        numGlyphs_ = Value;
        SplitBitmap();
    }
    // With AutoBackColor, the colour of the up image's bottom-left pixel.
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor Value) {
        transparentColor_ = Value;
        autoBackColor_ = false;
        SplitBitmap();
    }
    bool AutoBackColor() const { return autoBackColor_; }
    void SetAutoBackColor(bool Value) {
        autoBackColor_ = Value;
        SplitBitmap();
    }
    tBitWhere BitmapWhere() const { return bitmapWhere_; }
    void SetBitmapWhere(tBitWhere Value) {
        bitmapWhere_ = Value;
        Base::Invalidate();
    }
    // The caption keeps the whole width, the glyph drawn under it.
    bool TextOnTop() const { return textOnTop_; }
    void SetTextOnTop(bool Value) {
        textOnTop_ = Value;
        SplitBitmap();
    }

    // The images cut from the glyph strip.
    TBitmap* UpImage() const { return up_; }
    TBitmap* DownImage() const { return downImage_; }
    TBitmap* DisabledImage() const { return disabled_; }
    TBitmap* HotImage() const { return hotImage_; }

    void SplitBitmap() {
        ::SplitBitmap(glyph_, numGlyphs_, Base::Color(), {up_, downImage_, disabled_, hotImage_});
        if (autoBackColor_ && !up_->Empty()) transparentColor_ = up_->Canvas()->Pixels(0, up_->Height() - 1);
        Base::Invalidate();
    }

    void Dispatch(TMessage& Message) override {
        Base::Dispatch(Message);
        // The embossed image stands on the face colour.
        if (Message.Msg == CM_COLORCHANGED) SplitBitmap();
    }

protected:
    void Loaded() override {
        Base::Loaded();
        SplitBitmap();
    }
    // The caption's rectangle without the glyph's side, Extra pixels more, unless TextOnTop.
    TRect BesideGlyph(const TRect& Caption, int Extra) const {
        TRect text = Caption;
        const int w = up_->Width() + Extra;
        if (textOnTop_) return text;
        if (bitmapWhere_ == v_BWRight)
            text.Right -= w;
        else
            text.Left += w;
        return text;
    }

    TBitmap* glyph_ = new TBitmap;
    TBitmap* up_ = new TBitmap;
    TBitmap* downImage_ = new TBitmap;
    TBitmap* disabled_ = new TBitmap;
    TBitmap* hotImage_ = new TBitmap;

private:
    bool autoBackColor_ = false;
    tBitNumber numGlyphs_ = 1;
    TColor transparentColor_ = 0;
    tBitWhere bitmapWhere_ = v_BWLeft;
    bool textOnTop_ = false;
};

template <class Base> class TvIconSetBtn : public Base {
public:
    // The icon buttons are 140 x 44.
    explicit TvIconSetBtn(TComponent* AOwner) : Base(AOwner) {
        Base::SetBounds(Base::Left(), Base::Top(), 140, 44);
    }
    ~TvIconSetBtn() override {
        delete downIcon_;
        delete disabledIcon_;
        delete enabled_;
    }

    TIcon* GlyphEnabled() const { return enabled_; }
    void SetGlyphEnabled(const TIcon* Value) {
        enabled_->Assign(Value);
        SetIcons();
    }
    TIcon* GlyphDisabled() const { return disabledIcon_; }
    void SetGlyphDisabled(const TIcon* Value) {
        disabledIcon_->Assign(Value);
        SetIcons();
    }
    TIcon* GlyphDown() const { return downIcon_; }
    void SetGlyphDown(const TIcon* Value) {
        downIcon_->Assign(Value);
        SetIcons();
    }
    bool AutoAllIcons() const { return autoAll_; }
    void SetAutoAllIcons(bool Value) { autoAll_ = Value; }
    tBitWhere IconWhere() const { return iconWhere_; }
    void SetIconWhere(tBitWhere Value) {
        iconWhere_ = Value;
        Base::Invalidate();
    }

    virtual void SetIcons() {
        if (autoAll_) FillIcons(enabled_, disabledIcon_, downIcon_);
        Base::Invalidate();
    }

protected:
    // The icon of the state: the down icon while down, else the enabled or the disabled one.
    TIcon* StateIcon(bool Down) const {
        return Down ? downIcon_ : Base::Enabled() ? enabled_ : disabledIcon_;
    }
    // The caption's rectangle without the icon's width on its side.
    TRect BesideIcon(const TRect& Caption, int w) const {
        TRect text = Caption;
        if (iconWhere_ == v_BWRight)
            text.Right -= w;
        else
            text.Left += w;
        return text;
    }

private:
    TIcon* enabled_ = new TIcon;
    TIcon* disabledIcon_ = new TIcon;
    TIcon* downIcon_ = new TIcon;
    tBitWhere iconWhere_ = v_BWLeft;
    bool autoAll_ = true;
};
