// What the library's drawn buttons paint alike: the caption with its placement flags and disabled
// look, the gradient face with its options, the glyph images cut from a strip, and the icon set
// filled from its members.
#pragma once

#include "platform/ui/Graphics.h"
#include "platform/ui/StdCtrls.h"

#include <functional>
#include <utility>
#include <string>

class TIcon;

// Despite its name it places the caption vertically in its rectangle.
enum vbHorzAlign { vbha_Center, vbha_Top, vbha_Bottom };
// dlfBold: the caption is bold while the button is focused (or the default), plain otherwise.
enum TvcFanceDefLook { dlfBold, dlfNone };
enum gradType { gHorz, gVert, gCenter, gTopLeftBottomRight, gTopRightBottomLeft, gDiagLeft, gDiagRight };

// The DrawText flags of a caption.
UINT CaptionFlags(TAlignment Alignment, vbHorzAlign HorzAlign, bool MultipleLines, bool WordWrap);
// The caption in the canvas font's colour; disabled in white one pixel down and right, then in grey
// in place. The canvas brush is made clear. Between, when given, draws what lies under the caption:
// before it, or between the white and the grey copy of a disabled one.
void DrawCaption(TCanvas* Canvas, const TRect& Rect, const std::string& Caption, UINT Flags, bool Enabled,
                 const std::function<void()>& Between = {});

// The 3-D edge of a Width x Height button, Inset pixels in: shadow along the top and left and
// inside the bottom and right; highlight inside the top and left and black along the bottom and
// right while up, the two swapped while Down.
void DrawButtonEdge(TCanvas* Canvas, int Width, int Height, int Inset, bool Down, TColor HighLight,
                    TColor Shadow);

// The gradient face of a Width x Height button, shifted one pixel down and right while Down. System
// colours are resolved first. Bands + 1 bands across (gHorz) or down (gVert); gCenter rings from
// the edge inwards; equal colours, no steps, or any other fill type give a plain Color face.
void PaintGradientFace(TCanvas* Canvas, int Width, int Height, bool Down, gradType FillType, TColor Color,
                       TColor EndColor, int Bands);

// The images of a glyph strip of NumGlyphs (1 to 4) equal slots: up, down and disabled, and the hot
// image of the buttons that have one (Hot may be null). With one slot the disabled image is
// embossed from the up image on a Face background; three slots give no hot slot of their own and
// show the up image while hot. An empty strip empties them all.
struct TGlyphImages {
    TBitmap* Up;
    TBitmap* Down;
    TBitmap* Disabled;
    TBitmap* Hot = nullptr;
};
void SplitBitmap(TBitmap* Glyph, int NumGlyphs, TColor Face, const TGlyphImages& Images);

// Fills the empty icons of a button from the others: disabled from enabled, down from enabled,
// enabled from disabled, down from disabled, disabled from down, enabled from down.
void FillIcons(TIcon* Enabled, TIcon* Disabled, TIcon* Down);

// The caption options of a drawn button, on the control it is built on: placement in the text
// rectangle, lines and wrapping, and the default look, of the button's own type Look: in the look
// Bold (the default) the caption is bold while the button is marked. Changing one repaints.
template <class Base, class Look = TvcFanceDefLook, Look Bold = dlfBold>
class TvCaptionOptions : public Base {
public:
    using TDefaultLook = Look;
    static constexpr Look BoldLook = Bold;

    template <class... Args> explicit TvCaptionOptions(Args&&... args) : Base(std::forward<Args>(args)...) {}

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value) {
        if (Value == alignment_) return;
        alignment_ = Value;
        this->Invalidate();
    }
    bool MultipleLines() const { return multipleLines_; }
    void SetMultipleLines(bool Value) {
        multipleLines_ = Value;
        this->Invalidate();
    }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value) {
        wordWrap_ = Value;
        this->Invalidate();
    }
    vbHorzAlign HorzAlign() const { return horzAlign_; }
    void SetHorzAlign(vbHorzAlign Value) {
        horzAlign_ = Value;
        this->Invalidate();
    }
    Look DefaultLook() const { return defaultLook_; }
    void SetDefaultLook(Look Value) {
        if (Value == defaultLook_) return;
        defaultLook_ = Value;
        this->Invalidate();
    }

protected:
    UINT CaptionFlags() const { return ::CaptionFlags(alignment_, horzAlign_, multipleLines_, wordWrap_); }
    // The canvas takes the control's font; in the bold look it is bold when Marked, else plain.
    void SetCaptionFont(TCanvas* Canvas, bool Marked) const {
        Canvas->SetFont(this->Font());
        if (defaultLook_ == Bold) Canvas->Font()->SetStyle(Marked ? TFontStyles{fsBold} : TFontStyles{});
    }

private:
    TAlignment alignment_ = taCenter;
    bool multipleLines_ = false;
    bool wordWrap_ = false;
    vbHorzAlign horzAlign_ = vbha_Center;
    Look defaultLook_ = Bold;
};

// The gradient options of a button with a gradient face, on the button it is built on: the fill
// type, the end colour (the face colour is the start) and the number of bands. Changing one
// repaints.
template <class Base> class TvGradientOptions : public Base {
public:
    template <class... Args> explicit TvGradientOptions(Args&&... args) : Base(std::forward<Args>(args)...) {}

    gradType FillType() const { return fillType_; }
    void SetFillType(gradType Value) {
        fillType_ = Value;
        this->Invalidate();
    }
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor Value) {
        endColor_ = Value;
        this->Invalidate();
    }
    int Bands() const { return bands_; }
    void SetBands(int Value) {
        bands_ = Value;
        this->Invalidate();
    }

protected:
    // The face of the whole button from Color to EndColor (see PaintGradientFace).
    void PaintGradient(TCanvas* Canvas, bool Down) const {
        PaintGradientFace(Canvas, this->Width(), this->Height(), Down, fillType_, this->Color(), endColor_, bands_);
    }

private:
    gradType fillType_ = gVert;
    TColor endColor_ = clBtnFace;
    int bands_ = 75;
};
