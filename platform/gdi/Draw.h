// Lines, shapes, pixels and the 3-D edges of controls.
//
// Pixel rules: right and bottom edges are exclusive (Rectangle(0, 0, 10, 10) covers 10 x 10
// pixels; with a null pen the shape loses one more column and row, as on the original); a line
// leaves out its last pixel. Lines step by Bresenham; where the ideal line passes exactly between
// two pixels the one with the smaller minor coordinate is taken, so a line covers the same pixels
// in both directions apart from the one it leaves out. A pen of width 1 draws inside the shape's
// box; a wider pen is centred on the outline (PS_INSIDEFRAME keeps it inside) and has round ends.
// Shape interiors and pens combine with the destination through the DC's mix mode (SetROP2).
// Styled pens (dash, dot ...) dash lines, polylines and rectangles; ellipses, arcs and rounded
// rectangles draw them solid. Polygon outlines are closed polylines, so a polygon covers one column
// and row more than the rectangle of the same corners.
#pragma once

#include "platform/gdi/Types.h"

// DrawEdge
inline constexpr UINT BDR_RAISEDOUTER = 0x0001;
inline constexpr UINT BDR_SUNKENOUTER = 0x0002;
inline constexpr UINT BDR_RAISEDINNER = 0x0004;
inline constexpr UINT BDR_SUNKENINNER = 0x0008;
inline constexpr UINT BDR_OUTER = 0x0003;
inline constexpr UINT BDR_INNER = 0x000C;
inline constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr UINT BF_LEFT = 0x0001;
inline constexpr UINT BF_TOP = 0x0002;
inline constexpr UINT BF_RIGHT = 0x0004;
inline constexpr UINT BF_BOTTOM = 0x0008;
inline constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr UINT BF_TOPRIGHT = BF_TOP | BF_RIGHT;
inline constexpr UINT BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
inline constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr UINT BF_MIDDLE = 0x0800;
inline constexpr UINT BF_SOFT = 0x1000;
inline constexpr UINT BF_ADJUST = 0x2000;
inline constexpr UINT BF_FLAT = 0x4000;
inline constexpr UINT BF_MONO = 0x8000;

BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
// Draws from the current position through the points and leaves it at the last one.
BOOL PolylineTo(HDC dc, const POINT* points, DWORD count);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL PolyPolygon(HDC dc, const POINT* points, const int* counts, int polygons);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
// The part of the ellipse outline from the ray towards (xStart, yStart) to the ray towards
// (xEnd, yEnd), counter-clockwise on the screen (or clockwise after SetArcDirection); equal rays
// draw the whole ellipse.
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);

// Cubic Bezier curves: the first point, then three points (two control points and an end point)
// per curve; count is 3n + 1. Outside a path it draws the curves with the pen; inside one it adds
// them as a new figure. Curves are flattened into short lines by our own rasteriser.
BOOL PolyBezier(HDC dc, const POINT* points, DWORD count);

// Paths. BeginPath opens a new path (dropping any earlier one) and EndPath closes it; while it is
// open, PolyBezier and text output (TextOut, ExtTextOut, DrawText) record into it instead of
// drawing: text as the closed outlines of its glyphs (and of its underlines), where the text would
// have been drawn, with neither background nor clipping. StrokeAndFillPath fills every figure,
// closed, with the brush under the DC's fill mode, then outlines each with the pen; StrokePath
// outlines each figure with the pen. Both discard the path and fail without a closed one.
BOOL BeginPath(HDC dc);
BOOL EndPath(HDC dc);
BOOL AbortPath(HDC dc);
BOOL StrokeAndFillPath(HDC dc);
BOOL StrokePath(HDC dc);

// A brush handle may also be a system colour index + 1, as on the original.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
// Inverts every other pixel of the rectangle's outline; a second call restores it.
BOOL DrawFocusRect(HDC dc, const RECT* rect);
// Top and left sides first, then bottom and right over them, so the top-right and bottom-left
// corner pixels take the bottom-right colour; BF_SOFT swaps the top-left colours of the two
// layers, BF_FLAT and BF_MONO draw each layer in one colour. BF_DIAGONAL is not supported.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

// The colour set (nearest the surface holds), or CLR_INVALID outside the clip.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
