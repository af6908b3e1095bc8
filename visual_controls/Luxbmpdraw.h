// Copying bitmaps onto canvases the ways the library's controls need them (placed, centred,
// stretched, tiled; opaque, transparent by a colour, through a mask or as a brush copy), masks,
// grey and disabled glyphs, pattern and texture fills, and the small drop-down triangles.
#pragma once

#include "platform/gdi/Types.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Icons.h"

// Flags of LuxBmpDrawExt and its wrappers; they may be combined.
inline constexpr unsigned short LuxBmpClip = 0x0001;        // (clip draws) clip to the destination
inline constexpr unsigned short LuxBmpCenter = 0x0008;      // centred at the picture's own size
inline constexpr unsigned short LuxBmpStretch = 0x0010;     // stretched to the destination
inline constexpr unsigned short LuxBmpTile = 0x0020;        // tiled over the destination
inline constexpr unsigned short LuxBmpTransparent = 0x0040; // pixels of the given colour left out
inline constexpr unsigned short LuxBmpBrushCopy = 0x0080;   // a brush copy of the bitmap in Extra
inline constexpr unsigned short LuxBmpMasked = 0x0100;      // through the mask canvas in Extra
inline constexpr unsigned short LuxBmpKeepHeight = 0x0200;  // (stretch) keep the height, scale the width
inline constexpr unsigned short LuxBmpKeepWidth = 0x0400;   // (stretch) keep the width, scale the height
inline constexpr unsigned short LuxBmpPalette = 0x1000;     // (bitmap draws) realize its palette first

// Draws SrcRect of SrcCanvas into Dest as Flags say and answers the rectangle covered (Dest when
// nothing was placed, an empty one for an empty Dest). Extra is the bitmap of a brush copy or the
// mask canvas of a masked draw; anything else there draws nothing for those modes.
TRect LuxBmpDrawExt(TCanvas* Canvas, const TRect& Dest, TCanvas* SrcCanvas, const TRect& SrcRect,
                    unsigned short Flags, TColor Color, HPALETTE Palette, TPersistent* Extra);
// The whole bitmap; nothing for a missing bitmap.
TRect LuxBmpDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, unsigned short Flags, TColor Color);
// As the two above; with LuxBmpClip the drawing is clipped to Dest, or with a non-zero Offset to
// Dest moved by (low word, high word) of Offset. The caller's clipping is kept.
TRect LuxBmpClipDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, unsigned short Flags, int Offset,
                     TColor Color);
TRect LuxBmpClipDrawExt(TCanvas* Canvas, const TRect& Dest, TCanvas* SrcCanvas, const TRect& SrcRect,
                        unsigned short Flags, int Offset, TColor Color, TPersistent* Extra);
TRect LuxBmpStretchDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap);

// Bitmap sized to R and filled with Color; nothing for a missing bitmap or an empty R.
void LuxBmpCreateFromRect(TBitmap* Bitmap, const TRect& R, TColor Color);
void LuxCopyBmpSize(TBitmap* Src, TBitmap* Dst);
// Bitmap sized to the icon, filled with Color, the icon drawn at (0, 0).
void LuxIcon2Bitmap(TBitmap* Bitmap, TIcon* Icon, TColor Color);
// Bitmap sized to R and filled with what the screen shows there.
void LuxBmpFromDesktop(TBitmap* Bitmap, const TRect& R);

// Image := the pixels of R on Canvas with those of Color turned black; Mask := a monochrome copy,
// white where Color was and black elsewhere.
void LuxBmpCreateMasksExt(TCanvas* Canvas, const TRect& R, TBitmap* Mask, TBitmap* Image, TColor Color);
void LuxBmpCreateMasks(TBitmap* Src, TBitmap* Mask, TBitmap* Image, TColor Color);
// Bitmap without its MaskColor pixels drawn onto Background at (0, 0), then Background drawn at Dest
// without its Color pixels.
void LuxMaskBmpDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, TBitmap* Background, TColor Color,
                    TColor MaskColor);
// A four-tone version of Src (white, button highlight, button shadow, black by brightness); the
// colour of the top-left pixel is transparent and stays as it is.
void LuxBmpCreateGrayscale(TBitmap* Dst, TBitmap* Src);
// The embossed disabled look of Src drawn into Dst (sized to Src, filled with Src's transparent
// colour): highlight at (X + 1, Y + 1), shadow at (X, Y).
void LuxBmpDrawDisabledState(TBitmap* Dst, TBitmap* Src, int X, int Y);

// Tiles Bitmap over R, the tiles starting at Offset inside the bitmap (taken modulo its size).
// Nothing for an empty bitmap or R, or a negative offset.
void LuxFillTexture(HDC DC, const TRect& R, TBitmap* Bitmap, const TPoint& Offset);
// Fills R by AND-ing a pattern brush made of Bitmap into what is there.
void LuxFillPattern(HDC DC, const TRect& R, TBitmap* Bitmap);

// A filled arrowhead of Size rows (2..15; nothing otherwise), pointing down or up; disabled ones
// are embossed in highlight text and grey text.
void LuxDrawTriangle(TCanvas* Canvas, int X, int Y, int Size, TColor Color, bool Down, bool Enabled);

enum TLuxUserButtonStyle {
    ubsAutoDetect,
    ubsWin31,
    ubsWin40,
    ubsClassic,
    ubsClassicFlat,
    ubsFlat,
    ubsFlatUnColored,
    ubsNavigator,
    ubsExplorer,
    ubsExplorerColored,
    ubsIntegrated
};
enum TLuxButtonState {
    bsUp,
    bsDisabledUp,
    bsMouseOver,
    bsOptionSet,
    bsDown,
    bsDragOver,
    bsDropDownOpen,
    bsDisabledDown
};

// Flags of LuxDrawBtnFace.
inline constexpr unsigned short LuxBtnCorners = 0x0001;  // (old style) button-face corner pixels
inline constexpr unsigned short LuxBtnDefault = 0x0002;  // default frame and focus rectangle
inline constexpr unsigned short LuxBtnNewFrame = 0x0004; // the new-style frame of ubsWin40
inline constexpr unsigned short LuxBtnSunken = 0x0008;   // (ubsWin40, down) a plain sunken edge
inline constexpr unsigned short LuxBtnMiddle = 0x0010;   // the outer frame fills its middle too
inline constexpr unsigned short LuxBtnFramed = 0x0020;   // the default frame without the focus

// The six flat styles, ubsClassicFlat to ubsExplorerColored.
bool LuxDrawBtnIsFlat(TLuxUserButtonStyle Style);
// Paints a button face in R and leaves in R the rectangle for the caption (moved by one pixel
// right and down while the button is down).
bool LuxDrawBtnFace(TCanvas* Canvas, bool Solid, TRect& R, TLuxUserButtonStyle Style, TLuxButtonState State,
                    unsigned short Flags, TColor Color);
