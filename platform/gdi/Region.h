// Regions and clipping. Regions are kept as y-x bands of rectangles, exactly the form their data
// takes in GetRegionData: rectangles sorted by top then left, those of one band sharing top and
// bottom, touching bands with equal spans merged. Elliptic and rounded regions hold the pixels the
// filled shape covers in its box; polygon regions the pixels whose centres lie inside.
#pragma once

#include "platform/gdi/Types.h"

#include <cstddef>

// Region kinds (results of CombineRgn, GetRgnBox, SelectClipRgn ...)
inline constexpr int RGN_ERROR = 0;
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;

inline constexpr DWORD RDH_RECTANGLES = 1;

// The region data layout: a 32-byte header of little-endian 32-bit fields, then nCount RECTs.
struct RGNDATAHEADER {
    DWORD dwSize = 32;
    DWORD iType = RDH_RECTANGLES;
    DWORD nCount = 0;
    DWORD nRgnSize = 0; // bytes of rectangles
    RECT rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);

struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
};

struct XFORM {
    float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rect);
// fillMode ALTERNATE or WINDING (DeviceContext.h).
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// dest may be one of the sources; src2 is not read for RGN_COPY.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
int GetRgnBox(HRGN region, RECT* box);
BOOL EqualRgn(HRGN a, HRGN b);

// The size needed when data is null; 0 when size is too small; otherwise size, as on the original.
DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data);
// The bytes a well-formed block of region data takes (32 + 16 x nCount), read from the block
// itself; 0 when the size bytes at data are no such block: a header size other than 32, a type
// other than rectangles, rectangles beyond size, or a rectangle with right < left or bottom < top.
DWORD RegionDataBytes(const RGNDATA* data, DWORD size);
// Reads no byte beyond size, whatever the header claims: a header whose counts do not fit the
// given bytes, a wrong header size or type, or a rectangle with right < left or bottom < top gives
// a null handle. Rectangles may come in any order and may overlap. xform, when given, may only
// translate.
HRGN ExtCreateRegion(const XFORM* xform, DWORD size, const RGNDATA* data);

// The union of count rectangles, in any order, overlaps allowed; empty rectangles add nothing.
HRGN CreateRectsRgn(const RECT* rects, std::size_t count);

// Painting through regions, in logical coordinates of dc.
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC dc, HRGN region);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC dc, HRGN region);

// Clipping. Clip regions are in device coordinates; the rectangle calls take logical ones.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
// Logical bounds of what can be drawn (clip region within the surface).
int GetClipBox(HDC dc, RECT* rect);
// 1 and a copy in region when a clip region is set, 0 when there is none, -1 on error.
int GetClipRgn(HDC dc, HRGN region);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);

// Narrows the clip of a DC for a piece of drawing and gives the DC back its earlier clip (or none)
// when the scope ends, however it ends.
class ClipScope {
public:
    explicit ClipScope(HDC dc);
    ~ClipScope();
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

    // Limits drawing to rect (logical coordinates) within what the clip already allowed.
    void Intersect(const RECT& rect);

private:
    HDC dc_;
    HRGN saved_;
    bool hadClip_ = false;
};
