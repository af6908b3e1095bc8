// Geometric shapes with a drop shadow, a fill and a two-colour bevel: the outline as a point list
// (LuxShapeCalc) and its painting (LuxShapeDraw), optionally a rectangle with a saw-tooth side.
#pragma once

#include "platform/ui/Graphics.h"
#include "visual_controls/LuxShadow.h"
#include "visual_controls/LuxShape.h"
#include "visual_controls/LuxTeeth.h"
#include "visual_controls/Luxbevel.h"
#include "visual_controls/Luxpointlist.h"

enum TLuxLightColor : unsigned char { lcNone, lcBlue, lcRed, lcGreen, lcYellow, lcMarine, lcPurple };

// Clears List and fills it in local coordinates from (0, 0): the outer outline, then the inner
// one (moved in by half the bevel width), or with Teeth the saw-tooth outline: four base points,
// then the zig-zag. Teeth, Bevel (width 1 when missing) and Shadow may be missing; Brush is not
// used. Teeth gets its computed tooth size without a notification.
void LuxShapeCalc(const TRect& R, TLuxShapeType Shape, TLuxTeeth* Teeth, bool Square, TBrush* Brush,
                  int RoundPercent, TLuxSimpleBevel* Bevel, TLuxShadow* Shadow, TLuxPointList* List);
// Paints the shape into R: shadow, fill (Brush, or Bitmap laid around the shape's mask), outline
// and, for the inset and offset bevel styles, the two-colour bevel (none over teeth). Bevel must
// be given. A given List is used as it is and left as it was; a missing one is computed. With a
// Bitmap, R's top-left is expected at (0, 0). Flags is not used.
void LuxShapeDraw(const TRect& R, TCanvas* Canvas, TLuxShapeType Shape, TLuxTeeth* Teeth, TLuxPointList* List,
                  bool Square, TBrush* Brush, int RoundPercent, TLuxSimpleBevel* Bevel, TLuxShadow* Shadow,
                  TBitmap* Bitmap, TColor TransparentColor, TColor BackColor, unsigned short Flags);

// Moves the first Count points.
void LuxOffsetPointArray(TPoint* Points, int Count, int DX, int DY);
// Moves every point of the list (nothing for a missing list).
void LuxOffsetPointList(TLuxPointList* List, int DX, int DY);
// The light and dark colour of a light colour (taken modulo 128); a value past lcPurple leaves
// both unchanged.
void LuxGetLightColors(TLuxLightColor Color, TColor& Light, TColor& Dark);
