// Bitmaps of 1, 4, 8, 16, 24 and 32 bits per pixel, DIB sections whose pixels the caller reaches
// directly, and the palettes of indexed bitmaps.
//
// Device-dependent bitmaps (CreateBitmap, CreateCompatibleBitmap) keep rows top-down with a
// 2-byte aligned stride, as GetBitmapBits and SetBitmapBits exchange them; a 1-bit one is a
// monochrome bitmap whose values meet the text and background colours in blits. DIB sections keep
// the layout their BITMAPINFO describes (bottom-up for a positive height, 4-byte aligned rows,
// 24-bit pixels as blue, green, red), and drawing into a DC that holds one changes those bytes.
#pragma once

#include "platform/gdi/Types.h"

#include <cstddef>

// The largest bitmap the layer creates: wider or taller ones are refused, and so is one whose
// pixel memory would exceed GdiMaxBitmapBytes. Readers of picture files check sizes against these
// before they decode. A side of 32768 pixels holds the widest image strip the controls build.
inline constexpr int GdiMaxBitmapSide = 32768;
inline constexpr std::size_t GdiMaxBitmapBytes = std::size_t{1} << 28;

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_RLE8 = 1;
inline constexpr DWORD BI_RLE4 = 2;
inline constexpr DWORD BI_BITFIELDS = 3;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 0;
    void* bmBits = nullptr; // a DIB section's pixels; null for device-dependent bitmaps
};

struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0; // negative: top-down rows
    WORD biPlanes = 1;
    WORD biBitCount = 0;
    DWORD biCompression = BI_RGB;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// Followed in memory by the rest of the colour table when there is more than one entry.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3] = {};
    HANDLE dshSection = 0;
    DWORD dsOffset = 0;
};

struct PALETTEENTRY {
    BYTE peRed = 0;
    BYTE peGreen = 0;
    BYTE peBlue = 0;
    BYTE peFlags = 0;
};

// Followed in memory by the rest of the entries.
struct LOGPALETTE {
    WORD palVersion = 0x300;
    WORD palNumEntries = 0;
    PALETTEENTRY palPalEntry[1];
};

// bits, when given, holds the initial rows in the GetBitmapBits layout. A width or height of 0
// gives the 1 x 1 monochrome bitmap, as on the original.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// The format of the bitmap selected into dc (32 bits for the display); note that a fresh memory DC
// holds a 1 x 1 monochrome bitmap, so its compatible bitmaps are monochrome.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// BI_RGB with 1, 4, 8, 16 (5-5-5), 24 or 32 bits, or BI_BITFIELDS with the masks of 5-5-5 or
// 5-6-5 16-bit or of 32-bit pixels; *bits receives the pixel memory, owned by the bitmap.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
LONG GetBitmapBits(HBITMAP bitmap, LONG bytes, void* bits);
LONG SetBitmapBits(HBITMAP bitmap, DWORD bytes, const void* bits);
// Converts rows [start, start + lines) (counted from the bottom for a bottom-up request) to the
// format info asks for (1, 4, 8, 16 (5-5-5), 24 or 32 bits, BI_RGB). With bits null and biBitCount 0 only the
// header is filled. Returns the number of rows copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage);
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop);
// Colour table of the DIB section selected into dc.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);

// Every DC is a true-colour device: a palette is kept and can be selected, and realizing it maps
// nothing.
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
