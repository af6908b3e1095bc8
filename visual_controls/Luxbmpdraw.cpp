#include "visual_controls/Luxbmpdraw.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Region.h"
#include "platform/ui/Controls.h"
#include "platform/ui/WindowQueries.h"
#include "visual_controls/Luxbevel.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxprocs.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

bool IsEmpty(const TRect& R) {
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

// Draws SrcRect of the source into one target rectangle in the mode the flags choose.
void DrawOne(HDC dc, const TRect& T, TCanvas* SrcCanvas, const TRect& SrcRect, unsigned short Flags,
             TColor Color, TBitmap* Mask, TBitmap* Image, TCanvas* MaskCanvas, TBitmap* BrushBitmap,
             TCanvas* Canvas) {
    const int w = SrcRect.Width(), h = SrcRect.Height();
    if (Flags & LuxBmpBrushCopy) {
        if (!BrushBitmap) return;
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(Color);
        Canvas->BrushCopy(T, BrushBitmap, SrcRect, BrushBitmap->TransparentColor());
        return;
    }
    if (Flags & LuxBmpMasked) {
        if (!MaskCanvas || !SrcCanvas) return;
        StretchBlt(dc, T.Left, T.Top, T.Width(), T.Height(), MaskCanvas->Handle(), SrcRect.Left, SrcRect.Top,
                   w, h, SRCAND);
        StretchBlt(dc, T.Left, T.Top, T.Width(), T.Height(), SrcCanvas->Handle(), SrcRect.Left, SrcRect.Top,
                   w, h, SRCPAINT);
        return;
    }
    if (Flags & LuxBmpTransparent) {
        StretchBlt(dc, T.Left, T.Top, T.Width(), T.Height(), Mask->Canvas()->Handle(), 0, 0, w, h, SRCAND);
        StretchBlt(dc, T.Left, T.Top, T.Width(), T.Height(), Image->Canvas()->Handle(), 0, 0, w, h, SRCPAINT);
        return;
    }
    if (!SrcCanvas) return;
    StretchBlt(dc, T.Left, T.Top, T.Width(), T.Height(), SrcCanvas->Handle(), SrcRect.Left, SrcRect.Top, w, h,
               SRCCOPY);
}

} // namespace

TRect LuxBmpDrawExt(TCanvas* Canvas, const TRect& Dest, TCanvas* SrcCanvas, const TRect& SrcRect,
                    unsigned short Flags, TColor Color, HPALETTE, TPersistent* Extra) {
    if (!Canvas || IsEmpty(Dest)) return TRect();
    const int w = SrcRect.Width(), h = SrcRect.Height();
    const int dw = Dest.Width(), dh = Dest.Height();
    // Without a picture there is nothing to place or scale.
    if (w <= 0 || h <= 0) return Dest;

    TRect target = Rect(Dest.Left, Dest.Top, Dest.Left + w, Dest.Top + h);
    bool tile = false;
    if (Flags & LuxBmpCenter) {
        const int l = Dest.Left + (dw - w) / 2, t = Dest.Top + (dh - h) / 2;
        target = Rect(l, t, l + w, t + h);
    } else if (Flags & LuxBmpStretch) {
        target = Dest;
        const unsigned keep = Flags & (LuxBmpKeepWidth | LuxBmpKeepHeight);
        if (keep == (LuxBmpKeepWidth | LuxBmpKeepHeight)) {
            const TRect fit = LuxAffineRect(Rect(0, 0, w, h), Dest);
            target = Rect(Dest.Left, Dest.Top, Dest.Left + fit.Width(), Dest.Top + fit.Height());
        } else if (keep == LuxBmpKeepWidth) {
            target.Bottom = Dest.Top + static_cast<int>(std::nearbyint(static_cast<double>(dw) / w * h));
        } else if (keep == LuxBmpKeepHeight) {
            target.Right = Dest.Left + static_cast<int>(std::nearbyint(static_cast<double>(dh) / h * w));
        }
    } else if (Flags & LuxBmpTile) {
        tile = true;
        target = Dest;
    }
    if (IsEmpty(target)) return Dest;

    HDC dc = Canvas->Handle();
    auto* brushBitmap = dynamic_cast<TBitmap*>(Extra);
    auto* maskCanvas = dynamic_cast<TCanvas*>(Extra);
    TBitmap mask, image;
    const bool transparent =
        !(Flags & (LuxBmpBrushCopy | LuxBmpMasked)) && (Flags & LuxBmpTransparent) && SrcCanvas;
    if (transparent) LuxBmpCreateMasksExt(SrcCanvas, SrcRect, &mask, &image, Color);

    const int oldStretch = SetStretchBltMode(dc, COLORONCOLOR);
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const unsigned short mode = transparent ? Flags : static_cast<unsigned short>(Flags & ~LuxBmpTransparent);
    if (tile) {
        // Whole tiles, the last ones reaching past the destination.
        for (int row = 0; row <= dh / h; ++row)
            for (int col = 0; col <= dw / w; ++col) {
                const int l = Dest.Left + col * w, t = Dest.Top + row * h;
                DrawOne(dc, Rect(l, t, l + w, t + h), SrcCanvas, SrcRect, mode, Color, &mask, &image,
                        maskCanvas, brushBitmap, Canvas);
            }
    } else {
        DrawOne(dc, target, SrcCanvas, SrcRect, mode, Color, &mask, &image, maskCanvas, brushBitmap, Canvas);
    }
    dc = Canvas->Handle();
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
    SetStretchBltMode(dc, oldStretch);
    return target;
}

TRect LuxBmpDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, unsigned short Flags, TColor Color) {
    return LuxBmpClipDraw(Canvas, Dest, Bitmap, static_cast<unsigned short>(Flags & ~LuxBmpClip), 0, Color);
}

TRect LuxBmpClipDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, unsigned short Flags, int Offset,
                     TColor Color) {
    if (!Bitmap || Bitmap->Empty()) return TRect();
    TCanvas* src = Bitmap->Canvas();
    if (src->PenPos().X == -1) return TRect();
    const TRect srcRect = Rect(0, 0, Bitmap->Width(), Bitmap->Height());
    TPersistent* extra = (Flags & LuxBmpBrushCopy) ? Bitmap : nullptr;
    return LuxBmpClipDrawExt(Canvas, Dest, src, srcRect, static_cast<unsigned short>(Flags & ~LuxBmpPalette),
                             Offset, Color, extra);
}

TRect LuxBmpClipDrawExt(TCanvas* Canvas, const TRect& Dest, TCanvas* SrcCanvas, const TRect& SrcRect,
                        unsigned short Flags, int Offset, TColor Color, TPersistent* Extra) {
    if (!Canvas) return TRect();
    if (!(Flags & LuxBmpClip))
        return LuxBmpDrawExt(Canvas, Dest, SrcCanvas, SrcRect, Flags, Color, nullptr, Extra);
    TRect clip = Dest;
    if (Offset != 0) {
        const int dx = static_cast<std::int16_t>(Offset & 0xFFFF);
        const int dy = static_cast<std::int16_t>((Offset >> 16) & 0xFFFF);
        clip = Rect(Dest.Left + dx, Dest.Top + dy, Dest.Right + dx, Dest.Bottom + dy);
    }
    ClipScope scope(Canvas->Handle());
    scope.Intersect(clip);
    return LuxBmpDrawExt(Canvas, Dest, SrcCanvas, SrcRect, Flags, Color, nullptr, Extra);
}

TRect LuxBmpStretchDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap) {
    return LuxBmpDraw(Canvas, Dest, Bitmap, LuxBmpPalette | LuxBmpStretch, clNone);
}

void LuxBmpCreateFromRect(TBitmap* Bitmap, const TRect& R, TColor Color) {
    if (!Bitmap || IsEmpty(R)) return;
    Bitmap->SetSize(R.Width(), R.Height());
    Bitmap->Canvas()->Brush()->SetStyle(bsSolid);
    Bitmap->Canvas()->Brush()->SetColor(Color);
    Bitmap->Canvas()->FillRect(Rect(0, 0, R.Width(), R.Height()));
}

void LuxCopyBmpSize(TBitmap* Src, TBitmap* Dst) {
    if (Src && Dst) Dst->SetSize(Src->Width(), Src->Height());
}

void LuxIcon2Bitmap(TBitmap* Bitmap, TIcon* Icon, TColor Color) {
    if (!Bitmap || !Icon) return;
    const int w = Icon->Width(), h = Icon->Height();
    Bitmap->SetSize(w, h);
    if (w <= 0 || h <= 0) return;
    LuxBmpCreateFromRect(Bitmap, Rect(0, 0, w, h), Color);
    if (Icon->Handle()) DrawIcon(Bitmap->Canvas()->Handle(), 0, 0, Icon->Handle());
}

void LuxBmpFromDesktop(TBitmap* Bitmap, const TRect& R) {
    if (!Bitmap || IsEmpty(R)) return;
    Bitmap->SetSize(R.Width(), R.Height());
    HDC screen = GetDC(0);
    if (!screen) return;
    BitBlt(Bitmap->Canvas()->Handle(), 0, 0, R.Width(), R.Height(), screen, R.Left, R.Top, SRCCOPY);
    ReleaseDC(0, screen);
}

void LuxBmpCreateMasksExt(TCanvas* Canvas, const TRect& R, TBitmap* Mask, TBitmap* Image, TColor Color) {
    if (!Canvas || !Mask || !Image) return;
    const int w = std::max(0, R.Width()), h = std::max(0, R.Height());
    Image->SetPixelFormat(pf32bit);
    Image->SetSize(w, h);
    Mask->SetPixelFormat(pf1bit);
    Mask->SetSize(w, h);
    if (w == 0 || h == 0) return;
    BitBlt(Image->Canvas()->Handle(), 0, 0, w, h, Canvas->Handle(), R.Left, R.Top, SRCCOPY);
    const COLORREF key = ColorToRGB(Color);
    const std::uint32_t keyPixel = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    TCanvas* mc = Mask->Canvas();
    mc->Brush()->SetStyle(bsSolid);
    mc->Brush()->SetColor(clBlack);
    mc->FillRect(Rect(0, 0, w, h));
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint32_t*>(Image->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            if ((row[x] & 0xFFFFFF) != keyPixel) continue;
            row[x] &= 0xFF000000;
            SetPixelV(mc->Handle(), x, y, RGB(255, 255, 255));
        }
    }
}

void LuxBmpCreateMasks(TBitmap* Src, TBitmap* Mask, TBitmap* Image, TColor Color) {
    if (!Src) return;
    LuxBmpCreateMasksExt(Src->Canvas(), Rect(0, 0, Src->Width(), Src->Height()), Mask, Image, Color);
}

void LuxMaskBmpDraw(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, TBitmap* Background, TColor Color,
                    TColor MaskColor) {
    if (!Canvas || !Bitmap || !Background || Bitmap->Empty()) return;
    TBitmap mask, image;
    LuxBmpCreateMasks(Bitmap, &mask, &image, MaskColor);
    HDC back = Background->Canvas()->Handle();
    const COLORREF oldBk = SetBkColor(back, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(back, RGB(0, 0, 0));
    BitBlt(back, 0, 0, Bitmap->Width(), Bitmap->Height(), mask.Canvas()->Handle(), 0, 0, SRCAND);
    BitBlt(back, 0, 0, Bitmap->Width(), Bitmap->Height(), image.Canvas()->Handle(), 0, 0, SRCPAINT);
    SetTextColor(back, oldText);
    SetBkColor(back, oldBk);
    LuxBmpDraw(Canvas, Dest, Background, LuxBmpPalette | LuxBmpTransparent, Color);
}

void LuxBmpCreateGrayscale(TBitmap* Dst, TBitmap* Src) {
    if (!Dst || !Src || Dst == Src) return;
    Dst->Assign(Src);
    if (Src->Empty()) return;
    const int w = Src->Width(), h = Src->Height();
    TCanvas* sc = Src->Canvas();
    const COLORREF transparent = GetPixel(sc->Handle(), 0, 0);
    std::vector<int> values(static_cast<std::size_t>(w) * h, -1);
    long long sum = 0, count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = GetPixel(sc->Handle(), x, y);
            if (c == transparent) continue;
            const int v = GetRValue(c) + GetGValue(c) + GetBValue(c);
            values[static_cast<std::size_t>(y) * w + x] = v;
            sum += v;
            ++count;
        }
    // Nothing but the transparent colour: the copy is the grey version.
    if (count == 0) return;
    const double mean = static_cast<double>(sum) / static_cast<double>(count);
    const int b = static_cast<int>(std::nearbyint(-(200.0 - mean)));
    const COLORREF white = RGB(255, 255, 255), light = ColorToRGB(clBtnHighlight),
                   shadow = ColorToRGB(clBtnShadow);
    HDC dc = Dst->Canvas()->Handle();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = values[static_cast<std::size_t>(y) * w + x];
            if (v < 0) continue;
            const COLORREF c = v > b + 550 ? white : v > b + 250 ? light : v > b + 50 ? shadow : RGB(0, 0, 0);
            SetPixelV(dc, x, y, c);
        }
}

void LuxBmpDrawDisabledState(TBitmap* Dst, TBitmap* Src, int X, int Y) {
    if (!Dst || !Src || Dst == Src) return;
    const int w = Src->Width(), h = Src->Height();
    const TColor back = Src->TransparentColor();
    LuxBmpCreateFromRect(Dst, Rect(0, 0, w, h), back);
    if (Src->Empty()) return;
    // The monochrome copy: black where the glyph is, white where its background shows.
    HDC sc = Src->Canvas()->Handle();
    const COLORREF key = ColorToRGB(back);
    std::vector<bool> ink(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ink[static_cast<std::size_t>(y) * w + x] = GetPixel(sc, x, y) != key;
    HDC dc = Dst->Canvas()->Handle();
    const auto emboss = [&](int dx, int dy, COLORREF colour) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (ink[static_cast<std::size_t>(y) * w + x]) SetPixelV(dc, x + dx, y + dy, colour);
    };
    emboss(X + 1, Y + 1, ColorToRGB(clBtnHighlight));
    emboss(X, Y, ColorToRGB(clBtnShadow));
}

void LuxFillTexture(HDC DC, const TRect& R, TBitmap* Bitmap, const TPoint& Offset) {
    if (!DC || !Bitmap || Bitmap->Empty() || Offset.X < 0 || Offset.Y < 0 || IsEmpty(R)) return;
    const int w = Bitmap->Width(), h = Bitmap->Height();
    HDC src = Bitmap->Canvas()->Handle();
    for (int y = R.Top, sy = Offset.Y % h; y < R.Bottom; sy = 0) {
        const int ch = std::min(h - sy, R.Bottom - y);
        for (int x = R.Left, sx = Offset.X % w; x < R.Right; sx = 0) {
            const int cw = std::min(w - sx, R.Right - x);
            BitBlt(DC, x, y, cw, ch, src, sx, sy, SRCCOPY);
            x += cw;
        }
        y += ch;
    }
}

void LuxFillPattern(HDC DC, const TRect& R, TBitmap* Bitmap) {
    if (!DC || !Bitmap || Bitmap->Empty() || IsEmpty(R)) return;
    HBRUSH brush = CreatePatternBrush(Bitmap->Handle());
    HGDIOBJ oldBrush = SelectObject(DC, brush);
    HGDIOBJ oldPen = SelectObject(DC, GetStockObject(NULL_PEN));
    PatBlt(DC, R.Left, R.Top, R.Width(), R.Height(), 0x00A000C9);
    SelectObject(DC, oldPen);
    SelectObject(DC, oldBrush);
    DeleteObject(brush);
}

void LuxDrawTriangle(TCanvas* Canvas, int X, int Y, int Size, TColor Color, bool Down, bool Enabled) {
    if (!Canvas || Size < 2 || Size > 15) return;
    if (!Enabled) {
        LuxDrawTriangle(Canvas, X + 1, Y + 1, Size, clHighlightText, Down, true);
        LuxDrawTriangle(Canvas, X, Y, Size, clGrayText, Down, true);
        return;
    }
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetColor(Color);
    const auto line = [&](int x1, int y, int x2) {
        Canvas->MoveTo(x1, y);
        Canvas->LineTo(x2, y);
    };
    if (Down) {
        for (int i = 0; i < Size - 1; ++i) line(X + i, Y + i, X + 2 * Size - i - 1);
        line(X + Size - 1, Y + Size - 1, X + Size);
    } else {
        const int c = X + Size / 2;
        for (int i = 0; i < Size; ++i) line(c - i, Y + i, c + i + 1);
    }
}

bool LuxDrawBtnIsFlat(TLuxUserButtonStyle Style) {
    return Style >= ubsClassicFlat && Style <= ubsExplorerColored;
}

namespace {

enum TFaceLook { flW31, flW40, flW40Plain, flClassic, flFlat, flIntegrated };

void FaceEdge(TCanvas* Canvas, TRect& R, UINT Edge, UINT Flags) {
    if (IsEmpty(R)) return;
    RECT r{R.Left, R.Top, R.Right, R.Bottom};
    DrawEdge(Canvas->Handle(), &r, Edge, Flags);
    R = Rect(r.left, r.top, r.right, r.bottom);
}

void Shrunk(TRect& R, int N) {
    R = Rect(R.Left + N, R.Top + N, R.Right - N, R.Bottom - N);
}

void FillSolid(TCanvas* Canvas, const TRect& R, TColor Color) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->FillRect(R);
}

// Sunken outer on left and top (soft), raised outer on right and bottom; R shrinks by 1.
void OuterFrame(TCanvas* Canvas, TRect& R, UINT Middle, bool Corners) {
    const TRect outer = R;
    FaceEdge(Canvas, R, BDR_SUNKENOUTER, BF_LEFT | BF_TOP | BF_SOFT | BF_ADJUST | Middle);
    FaceEdge(Canvas, R, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM | BF_ADJUST | Middle);
    if (Corners && !IsEmpty(outer)) {
        const TColor face = clBtnFace;
        Canvas->SetPixels(outer.Left, outer.Top, face);
        Canvas->SetPixels(outer.Right - 1, outer.Top, face);
        Canvas->SetPixels(outer.Left, outer.Bottom - 1, face);
        Canvas->SetPixels(outer.Right - 1, outer.Bottom - 1, face);
    }
}

void Outline(TCanvas* Canvas, const TRect& R, TColor Color) {
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetColor(Color);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Rectangle(R);
}

} // namespace

bool LuxDrawBtnFace(TCanvas* Canvas, bool Solid, TRect& R, TLuxUserButtonStyle Style, TLuxButtonState State,
                    unsigned short Flags, TColor Color) {
    if (!Canvas) return false;
    if (Style == ubsAutoDetect) Style = NewStyleControls ? ubsWin40 : ubsWin31;
    TFaceLook look = flIntegrated;
    if (Style == ubsWin31)
        look = flW31;
    else if (Style == ubsWin40)
        look = (Flags & LuxBtnNewFrame) ? flW40 : flW40Plain;
    else if (Style == ubsClassic)
        look = flClassic;
    else if (LuxDrawBtnIsFlat(Style))
        look = flFlat;
    const UINT middle = (Flags & LuxBtnMiddle) ? BF_MIDDLE : 0;
    const bool explorer = Style == ubsExplorer || Style == ubsExplorerColored;
    const bool down =
        State == bsOptionSet || State == bsDown || State == bsDropDownOpen || State == bsDisabledDown;

    if (!explorer && !IsEmpty(R)) {
        if (State == bsOptionSet && !(look == flFlat && Solid) && LuxApplication) {
            Canvas->Brush()->SetBitmap(LuxApplication->GetBrushBitmap(Color));
            Canvas->FillRect(R);
            Canvas->Brush()->SetBitmap(nullptr);
        } else {
            FillSolid(Canvas, R, Color);
        }
    }

    if (!down && (Flags & (LuxBtnDefault | LuxBtnFramed))) {
        OuterFrame(Canvas, R, middle, Style == ubsWin31 && (Flags & LuxBtnCorners));
        if (Style == ubsWin31) Flags &= static_cast<unsigned short>(~LuxBtnCorners);
    }
    const TRect base = R;
    TRect f = R;
    switch (look) {
    case flW31:
        OuterFrame(Canvas, f, middle, Flags & LuxBtnCorners);
        if (down) {
            FaceEdge(Canvas, f, BDR_SUNKENINNER, BF_LEFT | BF_TOP | middle);
        } else {
            FaceEdge(Canvas, f, BDR_RAISEDINNER, BF_RECT | BF_ADJUST | middle);
            FaceEdge(Canvas, f, BDR_RAISEDINNER, BF_RECT | BF_ADJUST | middle);
        }
        break;
    case flW40:
        if (!down)
            LuxDrawStdFrame(Canvas, f, lsRaisedspb, static_cast<unsigned short>(middle));
        else if (Flags & LuxBtnSunken)
            FaceEdge(Canvas, f, EDGE_SUNKEN, BF_RECT | middle);
        else
            LuxDrawStdFrame(Canvas, f, lsLowered, static_cast<unsigned short>(middle));
        break;
    case flW40Plain:
        if (down) {
            Outline(Canvas, f, clBlack);
            Shrunk(f, 1);
            Outline(Canvas, f, TColor(0x808080));
        } else if (Flags & LuxBtnDefault) {
            FaceEdge(Canvas, f, BDR_RAISEDOUTER, BF_RECT | BF_SOFT | BF_ADJUST | middle);
            FaceEdge(Canvas, f, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM | middle);
        } else {
            LuxDrawStdFrame(Canvas, f, lsRaisedspb, static_cast<unsigned short>(middle));
        }
        break;
    case flFlat:
        if ((Style == ubsNavigator || Style == ubsClassicFlat) && (down || State == bsMouseOver)) {
            Canvas->Rectangle(f);
            Shrunk(f, 1);
        }
        if (down) {
            FaceEdge(Canvas, f, BDR_SUNKENOUTER, BF_RECT | middle);
        } else if (State == bsMouseOver) {
            FaceEdge(Canvas, f, BDR_RAISEDINNER, BF_RECT | middle);
        } else if (!explorer && !IsEmpty(f)) {
            FillSolid(Canvas, f, Color);
        }
        break;
    case flClassic:
        Outline(Canvas, f, clBlack);
        Shrunk(f, 1);
        if (down) {
            Canvas->Pen()->SetColor(TColor(0x808080));
            Canvas->MoveTo(f.Left, f.Bottom - 1);
            Canvas->LineTo(f.Left, f.Top);
            Canvas->LineTo(f.Right, f.Top);
        } else {
            FaceEdge(Canvas, f, BDR_RAISEDINNER, BF_RECT | middle);
        }
        break;
    case flIntegrated:
        if (down) {
            Outline(Canvas, f, TColor(0x808080));
        } else {
            Outline(Canvas, f, clBlack);
            Canvas->Pen()->SetColor(clBtnFace);
            Canvas->MoveTo(f.Left, f.Bottom - 1);
            Canvas->LineTo(f.Left, f.Top);
            Canvas->LineTo(f.Right, f.Top);
            Shrunk(f, 1);
            Outline(Canvas, f, clWhite);
            Shrunk(f, 1);
            Canvas->Pen()->SetColor(TColor(0x808080));
            Canvas->MoveTo(f.Right - 1, f.Top);
            Canvas->LineTo(f.Right - 1, f.Bottom - 1);
            Canvas->LineTo(f.Left - 1, f.Bottom - 1);
        }
        break;
    }
    Canvas->Brush()->SetStyle(bsSolid);

    if (Flags & LuxBtnDefault) {
        TRect focus = base;
        Shrunk(focus, down ? 4 : 3);
        if (!IsEmpty(focus)) Canvas->DrawFocusRect(focus);
    }
    R = base;
    Shrunk(R, 3);
    if (down) R = Rect(R.Left + 1, R.Top + 1, R.Right + 1, R.Bottom + 1);
    return true;
}
