// The edge between the drawing layer and Qt: a bitmap or a DC's pixels as a QImage (to paint a
// widget, or to keep a test's picture), a QImage as a bitmap, and PNG files for debugging.
#pragma once

#include "platform/gdi/Icon.h"
#include "platform/gdi/Types.h"

#include <QImage>

#include <string>

// A copy in QImage::Format_RGB32; a null image for an unknown handle.
QImage GdiToQImage(HBITMAP bitmap);
// What the DC draws into: its selected bitmap, or the display surface.
QImage GdiToQImage(HDC dc);
// The icon as an image with alpha (QImage::Format_ARGB32): opaque where its mask is black,
// transparent where the mask is white and the image black (pixels that would invert the background
// stay opaque in their own colour); a null image for a dead handle.
QImage GdiIconToQImage(HICON icon);
// A 32-bit top-down DIB section holding the image's pixels (alpha dropped).
HBITMAP GdiFromQImage(const QImage& image);
bool GdiSavePng(HBITMAP bitmap, const std::string& path);
bool GdiSavePng(HDC dc, const std::string& path);
