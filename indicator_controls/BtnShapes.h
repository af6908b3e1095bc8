// The thirty outlines the shaped buttons of both units share: for each, the region that gives a
// button its shape and the 3-D edge drawn along it. The windowed buttons (Std2) and the light
// non-windowed one (Vanimate) measure them slightly differently; both read the same table.
#pragma once

#include "platform/gdi/RegionValue.h"
#include "platform/rtl/Method.h"
#include "platform/ui/Graphics.h"

#include <cstdint>

enum sbType : std::uint8_t {
    sbRectangle,
    sbUpTriangle,
    sbDnTriangle,
    sbLTriangle,
    sbRTriangle,
    sbTLTriangle,
    sbTRTriangle,
    sbBLTriangle,
    sbBRTriangle,
    sbPlus,
    sbMinus,
    sbCircle,
    sbUpTrapezoid,
    sbDnTrapezoid,
    sbLTrapezoid,
    sbRTrapezoid,
    sbOwnerDraw,
    sbUpLTriangle,
    sbUpRTriangle,
    sbDnRTriangle,
    sbDnLTriangle,
    sb000,
    sb045,
    sb090,
    sb135,
    sb180,
    sb225,
    sb270,
    sb315,
    sb360
};
inline constexpr int sbTypeCount = 30;

// The region of an owner-drawn outline for a Width x Height button; leaving Region without a region
// keeps the rectangle. The button keeps its own copy.
using TsbGetRegEvent = TMethod<void(TObject* Sender, RegionValue& Region, int Width, int Height)>;

// Windowed: the region spans Width x Height and thirds round up. Graphic: the region spans
// (Width - 1) x (Height - 1) and thirds round down.
enum class TShapeFamily { Windowed, Graphic };

// The outline a value draws: the compass values reuse another one.
sbType ShapeOutline(sbType Shape);
// All triangles, compass values included.
bool IsTriangleShape(sbType Shape);

// The region of the outline for a control of that size. sbOwnerDraw gives the rectangle: the
// owner's region is the button's business. The plus and the minus blocks may reach up to two
// pixels beyond a windowed button; its window clips them.
RegionValue ShapeRegion(sbType Shape, TShapeFamily Family, int Width, int Height);
// The region a button of that shape shows: for sbOwnerDraw the one OnGetRegion leaves (a copy),
// else ShapeRegion.
RegionValue ButtonRegion(TObject* Sender, sbType Shape, TShapeFamily Family, TsbGetRegEvent OnGetRegion,
                         int Width, int Height);

// The edge along the outline in 1-pixel lines and arcs: shadow lines in Shadow; the lit lines in
// Highlight while up and black while Down, the dark ones the other way round. Pen colour and width
// are the canvas's afterwards. sbOwnerDraw draws the rectangle's edge.
void DrawShapeEdges(TCanvas* Canvas, sbType Shape, TShapeFamily Family, int Width, int Height, bool Down,
                    TColor Shadow, TColor Highlight);
