// Settings objects that say how a control's caption is drawn: the three-dimensional text effect,
// the same with rotation and a text origin, and the arrangement of text beside a glyph (with a
// drop-down arrow for buttons). The drawing routines that read them are in Luxtextdraw.
#pragma once

#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxgraph.h"

#include <string>

class TLux3DCaption : public TLuxObject {
public:
    TLux3DCaption() = default;

    TLuxDisabledStyle DisabledStyle() const { return disabledStyle_; }
    void SetDisabledStyle(TLuxDisabledStyle Value);
    // Offsets in pixels: 0 LightDepth, 1 ShadowDepth; another index does nothing.
    void SetDepth(int Index, BYTE Value);
    BYTE LightDepth() const { return lightDepth_; }
    BYTE ShadowDepth() const { return shadowDepth_; }
    // 0 LightColor, 1 ShadowColor; another index does nothing.
    void SetColor(int Index, TColor Value);
    TColor LightColor() const { return lightColor_; }
    TColor ShadowColor() const { return shadowColor_; }
    TLuxThreeDStyle Style() const { return style_; }
    void SetStyle(TLuxThreeDStyle Value);
    // The direction of the extrusion trail.
    TLuxThreeDOrientation Orientation() const { return orientation_; }
    void SetOrientation(TLuxThreeDOrientation Value);
    // Extra pixels between characters.
    int Tracing() const { return tracing_; }
    void SetTracing(int Value);

    void Assign(const TPersistent* Source) override;
    // "{" + the style's word + "}".
    std::string GetSetStr() override;

protected:
    // Copies the values without notifying.
    void CopyFrom(const TLux3DCaption& s);

private:
    TLuxDisabledStyle disabledStyle_ = dsAuto;
    BYTE lightDepth_ = 1;
    BYTE shadowDepth_ = 1;
    TColor lightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
    TLuxThreeDStyle style_ = tdNone;
    TLuxThreeDOrientation orientation_ = toTopLeft;
    int tracing_ = 0;
};

// Adds rotation (degrees counter-clockwise) and the origin of the text inside the drawing
// rectangle, which measuring fills in.
class TLuxFxCaption : public TLux3DCaption {
public:
    TLuxFxCaption() = default;

    TLuxAngle Angle() const { return angle_; }
    // 360 is kept as 0.
    void SetAngle(TLuxAngle Value);
    // 0 PosX, 1 PosY; another index does nothing.
    void SetPos(int Index, WORD Value);
    WORD PosX() const { return posX_; }
    WORD PosY() const { return posY_; }
    // Both coordinates at once, without telling the owner.
    void SetPosXY(WORD X, WORD Y);

    // From another TLuxFxCaption the origin and angle too; from a TLux3DCaption its values only.
    void Assign(const TPersistent* Source) override;
    // With an angle: "{sunken, rot: 45°}" (the degree sign as byte 0xB0).
    std::string GetSetStr() override;

private:
    TLuxAngle angle_ = 0;
    WORD posX_ = 0;
    WORD posY_ = 0;
};

class TLuxGlyphTextLayout : public TLuxObject {
public:
    TLuxGlyphTextLayout() = default;

    // Where the text stands relative to the glyph.
    TLuxTextArrange AlignText2Glyph() const { return alignText2Glyph_; }
    void SetAlignText2Glyph(TLuxTextArrange Value);
    // Shift of text and glyph after placement: 0 OffsetX, 1 OffsetY; another index does nothing.
    void SetOffset(int Index, int Value);
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    // Pixels between text and glyph.
    int Spacing() const { return spacing_; }
    void SetSpacing(int Value);
    // Placement of the text-and-glyph block.
    TLuxAlignment Alignment() const { return alignment_; }
    void SetAlignment(TLuxAlignment Value);

    void Assign(const TPersistent* Source) override;

protected:
    TLuxAlignment alignment_ = agTopLeft;

private:
    TLuxTextArrange alignText2Glyph_ = taRight;
    int offsetX_ = 0;
    int offsetY_ = 0;
    int spacing_ = 2;
};

class TLuxButtonLayout : public TLuxGlyphTextLayout {
public:
    TLuxButtonLayout() { alignment_ = agCenter; }

    bool Arrow() const { return arrow_; }
    void SetArrow(bool Value);
    TColor ArrowColor() const { return arrowColor_; }
    void SetArrowColor(TColor Value);
    // 0 ArrowIndent; another index only notifies.
    void SetInteger(int Index, int Value);
    int ArrowIndent() const { return arrowIndent_; }
    TLuxArrowPosition ArrowPosition() const { return arrowPosition_; }
    void SetArrowPosition(TLuxArrowPosition Value);
    TLuxDDArrowSize ArrowSize() const { return arrowSize_; }
    void SetArrowSize(TLuxDDArrowSize Value);

    void Assign(const TPersistent* Source) override;

private:
    bool arrow_ = false;
    TColor arrowColor_ = clBlack;
    int arrowIndent_ = 3;
    TLuxArrowPosition arrowPosition_ = apRightText;
    TLuxDDArrowSize arrowSize_ = 3;
};

// The focus rectangle a glyph-and-text control asks the drawing for.
TLuxDrawTextStyles LuxConvertFocusStyle(TLuxGlyphTextFocusStyle Value);
