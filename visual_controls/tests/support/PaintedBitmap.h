// Bitmaps to paint on in the drawing tests, and their pixels (and a window's) read back as plain
// colours.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"

#include <memory>

// A 24-bit bitmap of w x h filled with color.
std::unique_ptr<TBitmap> FilledBitmap(int w, int h, TColor color);
// The pixel at (x, y) as 0x00BBGGRR.
TColor PixelAt(TBitmap& b, int x, int y);
// Paints what is invalid and reads a pixel of the control's window (client coordinates).
COLORREF SurfacePixel(TWinControl* control, int x, int y);
