// Pixel routines for 24-bit bitmaps (blue, green, red per pixel): grey scale, inversion, brightness
// (also with one colour left alone), the two mirrors and alpha blending of two bitmaps.
//
// Every routine takes the area R of a source (left and top inclusive, right and bottom exclusive)
// and writes the result at P in the target, row by row. Source and target may be the same bitmap.
// Only pixels that lie inside both bitmaps are read and written: the parts of R or of the target
// area that fall outside a bitmap are left out, the rest keeps its place. Every bitmap must be in
// the 24-bit format; any other raises ELuxWrongPixelFormat before a pixel is touched.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Graphics.h"

#include <cstdint>
#include <string>

// A bitmap handed to a pixel routine is not 24-bit; Role names it ("Source 1", "Source 2",
// "Target", or "Source" for the routines with one source).
class ELuxWrongPixelFormat : public Exception {
public:
    explicit ELuxWrongPixelFormat(const std::string& Role)
        : Exception("Wrong PixelFormat in " + Role + " bitmap!") {}
};

// For bitmaps of unsuitable sizes; the routines clip instead of raising it.
class ELuxWrongBmpSize : public Exception {
public:
    using Exception::Exception;
};

// grey = 0.30 red + 0.59 green + 0.11 blue (each term rounded), written to all three channels.
void LuxBMPGrayScale(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P);
// Each channel becomes 255 minus its value.
void LuxBMPInvert(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P);
// Each channel plus Value, kept within 0..255.
void LuxBMPBrightness(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P, std::int16_t Value);
// As LuxBMPBrightness, but a pixel with any channel equal to that channel of ExceptColor is not
// written at all.
void LuxBmpBrightnessEC(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P, std::int16_t Value,
                        TColor ExceptColor);
// Left to right: the target pixel (P.X + x, P.Y + y) takes the source pixel (R.Right - 1 - x, R.Top + y).
void LuxBMPFlipVertical(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P);
// Top to bottom: target row P.Y + y takes source row R.Bottom - 1 - y.
void LuxBMPFlipHorizonzal(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P);
// Per channel s2 + (s1 - s2) x Strength (rounded, ties to even): s1 from Src1 at R, s2 from Src2 at
// P2, the result to Dst at PD. Strength is kept within 0..1 (1 copies Src1, 0 copies Src2).
void LuxBMPAlphaBlend(TBitmap* Src1, TBitmap* Src2, const TRect& R, const TPoint& P2, TBitmap* Dst,
                      float Strength, const TPoint& PD);
