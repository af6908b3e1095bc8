// The library's two labels: TLuxLabel, a caption with a bevel, caption effects with rotation,
// nine-way alignment, ellipsis options, automatic sizing and twinkling; and TLuxGlyphLabel, a
// caption beside an optional glyph from one of the library's image lists, with 3-D caption effects
// and a bevel. Both are window-less and stand on TLuxBaseLabel, which holds what they share.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Controls.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxbevel.h"
#include "visual_controls/Luxcaption.h"
#include "visual_controls/Luxgraph.h"

#include <string>

enum TLuxLabelOption { loPathEllipsis, loEndEllipsis, loEditControl };
using TLuxLabelOptions = TSet<TLuxLabelOption>;

// Twinkling (the text blinks between its colour and TwinkleColor, or nothing) runs on a timer of
// LuxApplication's pool; TwinkleVisible and TwinkleInVisible are the lengths of the two phases.
class TLuxBaseLabel : public TLuxBaseGraphicControl {
public:
    explicit TLuxBaseLabel(TComponent* AOwner);
    // Gives the twinkle timer back.
    ~TLuxBaseLabel() override;
    void Dispatch(TMessage& Message) override;

    // 0 AutoSize, 1 MultiLine, 2 ShowAccelChar, 3 Twinkle; an unchanged value does nothing.
    // Twinkle on registers a timer with LuxApplication: when none can be had (no free slot, or the
    // pool refuses the interval and raises) Twinkle stays off, and the pool's exception passes on.
    void SetBool(int Index, bool Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value) { SetBool(0, Value); }
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool Value) { SetBool(1, Value); }
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool Value) { SetBool(2, Value); }
    bool Twinkle() const { return twinkle_; }
    void SetTwinkle(bool Value) { SetBool(3, Value); }
    // 0 TwinkleVisible, 1 TwinkleInVisible (milliseconds); a running twinkle takes the new value at
    // its next phase change.
    void SetInteger(int Index, int Value);
    int TwinkleVisible() const { return twinkleVisible_; }
    void SetTwinkleVisible(int Value) { SetInteger(0, Value); }
    int TwinkleInVisible() const { return twinkleInVisible_; }
    void SetTwinkleInVisible(int Value) { SetInteger(1, Value); }
    // The text's colour in the invisible phase; clNone shows no text then.
    TColor TwinkleColor() const { return twinkleColor_; }
    void SetTwinkleColor(TColor Value) { twinkleColor_ = Value; }
    TLuxAlignment Alignment() const { return alignment_; }
    void SetAlignment(TLuxAlignment Value);
    TLuxLabelOptions Options() const { return options_; }
    void SetOptions(TLuxLabelOptions Value);
    // Focused when the caption's accelerator is pressed with Alt.
    TWinControl* FocusControl() const { return focusControl_; }
    void SetControl(TWinControl* Value);
    void SetFocusControl(TWinControl* Value) { SetControl(Value); }

    // The twinkle state: true in the visible phase; the pool timer's ident, TwinkleNoTimer for none.
    bool TwinklePhaseVisible() const { return phaseVisible_; }
    WORD TwinkleTimer() const { return twinkleTimer_; }
    static constexpr WORD TwinkleNoTimer = 0xFFFF;

    // The DrawText flags of Options.
    UINT GetOptionsFlag() const;
    // Measure again, then paint again.
    void GetChange(TObject* Sender) override;
    // Transparent with an empty caption: nothing to paint.
    bool GetEmpty() override;
    virtual std::string GetLabelText() const { return Caption(); }
    virtual void FontChange(TObject* Sender);
    // Automatic sizing; the base measures nothing.
    virtual void CorrectBounds() {}

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void OnTwinkleTimer(TObject* Sender);
    bool IsLoading() const;
    bool IsReading() const;

private:
    void StartTwinkle();
    void StopTwinkle();

    bool showAccelChar_ = true;
    bool twinkle_ = false;
    bool multiLine_ = false;
    TLuxAlignment alignment_ = agTopLeft;
    TLuxLabelOptions options_;
    WORD twinkleTimer_ = TwinkleNoTimer;
    int twinkleVisible_ = 700;
    int twinkleInVisible_ = 700;
    TColor twinkleColor_ = clNone;
    TWinControl* focusControl_ = nullptr;
    bool autoSize_ = true;
    bool phaseVisible_ = true;
};

// The bevelled label with caption effects and rotation.
class TLuxCustomLabel : public TLuxBaseLabel {
public:
    explicit TLuxCustomLabel(TComponent* AOwner);
    ~TLuxCustomLabel() override;

    TLuxBevel* Bevel() const { return bevel_; }
    void SetBevel(const TLuxBevel* Value) { bevel_->Assign(Value); }
    TLuxFxCaption* FontFX() const { return fontFx_; }
    void SetFontFx(const TLuxFxCaption* Value) { fontFx_->Assign(Value); }
    int GetBevelExtend() const { return bevel_->Extent(); }

    // Rotation needs a TrueType font: asking a rotation of another font switches the font to
    // Lux_DEFAULTFONT, and a font that cannot rotate set on a rotated label sets the angle to 0.
    void FontChange(TObject* Sender) override;
    bool GetEmpty() override;
    // With AutoSize the label takes the size its caption needs inside the bevel, keeping its place;
    // multi-line text wraps inside the label's present width.
    void CorrectBounds() override;

protected:
    void Paint() override;

private:
    TLuxBevel* bevel_;
    TLuxFxCaption* fontFx_;
};

class TLuxLabel : public TLuxCustomLabel {
public:
    using TLuxCustomLabel::TLuxCustomLabel;
};

// A caption beside an optional glyph of the image list, arranged by Alignment.
class TLuxCustomGlyphLabel : public TLuxBaseLabel {
public:
    explicit TLuxCustomGlyphLabel(TComponent* AOwner);
    ~TLuxCustomGlyphLabel() override;

    // The layout of text and glyph (it hides the label's plain alignment).
    TLuxGlyphTextLayout* Alignment() const { return layout_; }
    void SetGlyphText(const TLuxGlyphTextLayout* Value) { layout_->Assign(Value); }
    TLux3DCaption* Font3D() const { return font3D_; }
    void SetFont3D(const TLux3DCaption* Value) { font3D_->Assign(Value); }
    TLuxBevel* Bevel() const { return bevel_; }
    void SetBevel(const TLuxBevel* Value) { bevel_->Assign(Value); }
    int GetBevelExtend() const { return bevel_->Extent(); }

    // The image list's palette for ListIndex; 0 without a valid glyph.
    HPALETTE GetPalette();
    void CorrectBounds() override;

protected:
    void Paint() override;

private:
    TLux3DCaption* font3D_;
    TLuxBevel* bevel_;
    TLuxGlyphTextLayout* layout_;
};

class TLuxGlyphLabel : public TLuxCustomGlyphLabel {
public:
    using TLuxCustomGlyphLabel::TLuxCustomGlyphLabel;
};
