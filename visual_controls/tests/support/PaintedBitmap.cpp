#include "visual_controls/tests/support/PaintedBitmap.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"

std::unique_ptr<TBitmap> FilledBitmap(int w, int h, TColor color) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(TRect(0, 0, w, h));
    return b;
}

TColor PixelAt(TBitmap& b, int x, int y) {
    return static_cast<TColor>(ColorToRGB(b.Canvas()->Pixels(x, y)));
}

COLORREF SurfacePixel(TWinControl* control, int x, int y) {
    control->Update();
    HDC dc = GetDC(control->Handle());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(control->Handle(), dc);
    return c;
}
