// A window's bounding shape on the X server as a region, to compare with the region it was given.
#pragma once

#include "platform/gdi/Region.h"
#include "tools/testing/XShapeProbe.h"

inline HRGN BoundingShapeRgn(const xshape_probe::Connection& x, unsigned long window) {
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    for (const xshape_probe::Rect& s : x.BoundingShape(window)) {
        HRGN part = CreateRectRgn(s.X, s.Y, s.X + s.Width, s.Y + s.Height);
        CombineRgn(r, r, part, RGN_OR);
        DeleteObject(part);
    }
    return r;
}
