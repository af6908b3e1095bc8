// Measuring and drawing a control's caption with the effects of a TLux3DCaption / TLuxFxCaption
// (3-D styles, extrusion, outline, character spacing, rotation, clipping, the disabled look), and
// laying a caption out beside a glyph. Every DC, clip region, character extra and canvas setting
// they change is put back before they return, exceptions included.
#pragma once

#include "platform/ui/Graphics.h"
#include "visual_controls/Luxcaption.h"
#include "visual_controls/Luxgraph.h"

#include <string>

// The TrueType face a label switches to when rotation is asked of a font that cannot rotate.
inline constexpr const char* Lux_DEFAULTFONT = "Arial";

// Draws Text into Rect. Without a caption: DrawTextEx with Flags and nothing else. With one: the
// caption's effect and colours; dtEnabled in Styles draws the enabled look, otherwise the disabled
// one. dtClip limits drawing to ClipRect (Rect when nil), in device coordinates, within whatever
// clip the DC already has.
void LuxDrawTextExt(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption, const TRect& Rect,
                    int Flags, TLuxDrawTextStyles Styles, const TRect* ClipRect);
void LuxDrawText(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption, const TRect& Rect,
                 WORD Flags);

// Rect receives the rectangle the text needs with Font (Left and Top kept for unrotated text; for
// rotated text the bounding box at (0, 0), and the caption's PosX/PosY set to the text origin
// inside it), grown at right and bottom by the effect's depth and by (Extend + 1) * 2. Empty text,
// and "&" with ShowAccelChar, measure as a blank. Canvas is measured on a screen DC meanwhile.
void LuxDrawTextCalcExt(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption, TRect& Rect,
                        TFont* Font, bool MultiLine, bool ShowAccelChar, int Extend, int Flags);
// The same on a canvas of its own.
void LuxDrawTextCalc(const std::string& Text, TLux3DCaption* Caption, TRect& Rect, TFont* Font,
                     bool MultiLine, bool ShowAccelChar, int Extend, int Flags);

// The measured text rectangle placed inside Rect by Alignment.
TRect LuxAlignTextRect(TLuxAlignment Alignment, const std::string& Text, TLux3DCaption* Caption,
                       const TRect& Rect, TFont* Font, bool MultiLine, bool ShowAccelChar, int Flags);

// What LuxDrawTextAndGlyphExt placed: the union of text and glyph, the text, the glyph, and one
// rectangle it leaves empty.
struct TLuxTextGlyphRects {
    TRect All;
    TRect Text;
    TRect Glyph;
    TRect Reserved;
};

// Lays out Text and the GlyphRect part of GlyphCanvas inside Dest by Layout and draws them (nothing
// is drawn with dtCalculate). The glyph is copied opaque, or without TransparentColor when
// Transparent, or through MaskCanvas when one is given. GlyphRect receives the focus rectangle the
// dtRect... styles ask for (Dest shrunk by 1 without one). A nil Layout is the default layout.
TLuxTextGlyphRects LuxDrawTextAndGlyphExt(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption,
                                          const TRect& Dest, TCanvas* GlyphCanvas, TRect& GlyphRect,
                                          TCanvas* MaskCanvas, TColor TransparentColor,
                                          TLuxGlyphTextLayout* Layout, bool MultiLine, bool ShowAccelChar,
                                          bool Transparent, TLuxDrawTextStyles Styles, int Flags);
// The same for a glyph bitmap (none when nil or empty) and an optional mask bitmap.
TLuxTextGlyphRects LuxDrawTextAndGlyph(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption,
                                       const TRect& Rect, TBitmap* Glyph, TBitmap* Mask,
                                       TLuxGlyphTextLayout* Layout, bool MultiLine, bool ShowAccelChar,
                                       bool Transparent, TLuxDrawTextStyles Styles, int Flags);

// Whether the font (or the canvas's current font) is a scalable TrueType font, which can rotate.
bool LuxIsTrueTypeFont(TFont* Font);
bool LuxIsTrueTypeFontCheck(TCanvas* Canvas);
// The height of "W" in the font; 0 when it cannot be measured.
int LuxGetFontHeight(TFont* Font);
// Text width (with the caption's character spacing) and the height of "W", each plus the depth of
// the caption's style; without a caption the plain extent.
int LuxGet3DTextWidth(const std::string& Text, TLux3DCaption* Caption, TFont* Font);
int LuxGet3DTextHeight(TLux3DCaption* Caption, TFont* Font);
