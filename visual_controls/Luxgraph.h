// Enumerations and tables shared by the library's drawing code: caption effects, alignments,
// text-drawing styles and the colour counts a list writes its bitmaps with.
#pragma once

#include "platform/gdi/Text.h"
#include "platform/rtl/Set.h"

#include <cstdint>

enum TLuxThreeDStyle {
    tdNone,
    tdSunken,
    tdRaised,
    tdSunkenShadow,
    tdRaisedShadow,
    tdPColorSunken,
    tdPColorRaised,
    tdShadow,
    tdOutline,
    tdExtrude,
    tdExtrudeEnh
};
enum TLuxThreeDOrientation { toBottomLeft, toBottomRight, toTopLeft, toTopRight };
enum TLuxDisabledStyle { dsAuto, dsStandard, ds3d, dsNone };
enum TLuxTextArrange { taLeft, taLeftTop, taRight, taRightTop, taTop, taTopLeft, taBottom, taBottomLeft };
enum TLuxAlignment {
    agTopLeft,
    agTopCenter,
    agTopRight,
    agCenterLeft,
    agCenter,
    agCenterRight,
    agBottomLeft,
    agBottomCenter,
    agBottomRight
};
enum TLuxArrowPosition { apRightText, apLeftText, apRightGlyph, apLeftGlyph };
using TLuxAngle = int;        // 0..360
using TLuxDDArrowSize = int;  // 2..10

enum TLuxGlyphTextFocusStyle { fcControl, fcText, fcGlyph, fcGlyphText, fcNone };

enum TLuxDrawTextStyle {
    dtDisabled,
    dtEnabled,
    dt3DDisabled,
    dtClip,
    dtAccelChar,
    dtAutoSize,
    dtRectText,
    dtRectGlyph,
    dtRectGlyphText,
    dtCalculate
};
using TLuxDrawTextStyles = TSet<TLuxDrawTextStyle>;

// DrawText placement flags per alignment.
inline constexpr UINT TLuxALIGNFLAGS[9] = {
    0,                       // agTopLeft
    DT_CENTER,               // agTopCenter
    DT_RIGHT,                // agTopRight
    DT_VCENTER,              // agCenterLeft
    DT_VCENTER | DT_CENTER,  // agCenter
    DT_VCENTER | DT_RIGHT,   // agCenterRight
    DT_BOTTOM,               // agBottomLeft
    DT_BOTTOM | DT_CENTER,   // agBottomCenter
    DT_BOTTOM | DT_RIGHT     // agBottomRight
};

enum TLuxSavePixelFormat : unsigned char { spfDefault, spfMono, spf4bit, spf8bit };
// Colour count handed to the bitmap writer; -1 keeps the bitmap's own format.
inline constexpr int LuxPixelFormatColors[4] = {-1, 2, 16, 256};
