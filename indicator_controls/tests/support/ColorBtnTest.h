// Shared by the coloured-button tests: pixel probes, the box a colour covers, a glyph strip.
#pragma once

#include "LedTest.h"

#include <algorithm>
#include <memory>

struct TProbe {
    int x, y;
    COLORREF expected;
};

// The box of the pixels of one colour, Inset pixels in from every side of the picture.
inline TRect ColourBox(TBitmap* p, COLORREF colour, int Inset) {
    TRect box(10000, 10000, -1, -1);
    for (int y = Inset; y < p->Height() - Inset; ++y)
        for (int x = Inset; x < p->Width() - Inset; ++x)
            if (PixelAt(p, x, y) == colour) {
                box.Left = std::min(box.Left, x), box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1), box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

// Four 16 x 16 slots: red, green, blue, yellow.
inline std::unique_ptr<TBitmap> FourSlots() {
    auto strip = std::make_unique<TBitmap>();
    strip->SetPixelFormat(pf24bit);
    strip->SetSize(64, 16);
    const COLORREF colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    for (int i = 0; i < 4; ++i) {
        strip->Canvas()->Brush()->SetColor(colours[i]);
        strip->Canvas()->FillRect(Rect(16 * i, 0, 16 * i + 16, 16));
    }
    return strip;
}
