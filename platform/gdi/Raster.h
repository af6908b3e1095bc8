// Block transfers and the raster operations.
//
// Every ternary raster operation is evaluated from its index byte (bits 16..23 of the code): bit
// number (P << 2 | S << 1 | D) of the index is the result for pattern bit P, source bit S and
// destination bit D. The operation combines device values bit by bit: colours on 24 and 32-bit
// surfaces, palette indices on indexed ones.
//
// Between formats: a monochrome device-dependent bitmap meets a colour destination as the
// destination DC's text colour (0 bits) and background colour (1 bits), and a monochrome pattern
// brush does the same; a colour source meets a 1-bit destination as 1 where the pixel equals the
// source DC's background colour and 0 elsewhere. Other sources, 1-bit DIB sections among them,
// are converted through their colours (nearest palette entry on indexed destinations). Source
// pixels outside the source bitmap leave the destination alone.
#pragma once

#include "platform/gdi/Types.h"

#include <cstdint>

inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD SRCERASE = 0x00440328;
inline constexpr DWORD NOTSRCCOPY = 0x00330008;
inline constexpr DWORD NOTSRCERASE = 0x001100A6;
inline constexpr DWORD MERGECOPY = 0x00C000CA;
inline constexpr DWORD MERGEPAINT = 0x00BB0226;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD PATPAINT = 0x00FB0A09;
inline constexpr DWORD PATINVERT = 0x005A0049;
inline constexpr DWORD DSTINVERT = 0x00550009;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

// MaskBlt: the foreground operation where the mask is 1, the background one where it is 0.
constexpr DWORD MAKEROP4(DWORD fore, DWORD back) {
    return ((back << 8) & 0xFF000000) | fore;
}

// The result of raster operation rop for pattern p, source s and destination d, bit by bit.
std::uint32_t GdiRop3(DWORD rop, std::uint32_t p, std::uint32_t s, std::uint32_t d);

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
// Nearest-neighbour stretching; negative extents mirror.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth,
                int srcHeight, DWORD rop);
// Negative extents reach left of x and above y.
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// mask: a monochrome bitmap, read at (xMask, yMask); null applies the foreground operation only.
BOOL MaskBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, HBITMAP mask,
             int xMask, int yMask, DWORD rop);
